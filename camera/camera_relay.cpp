// Shared steps of the routes that relay settings to the cameras: asking a camera, and the array
// items of their requests.
#include "camera/camera_relay.h"

#include <string.h>

#include "camera/camera_module.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"

namespace {

constexpr int kChannels = 64;

bool channel_item(json_object *item, int *channel) {
    if (!json_object_is_type(item, json_type_int)) return false;
    int64_t value = json_object_get_int64(item);
    if (value < 0 || value >= kChannels) return false;
    *channel = static_cast<int>(value);
    return true;
}

}  // namespace

int ask_camera(const char *arg, const char *key, int request_code, int error_kind) {
    JsonRef request(get_request_tokener_json_object(arg));
    int32_t channel = 0;
    if (!request || !read_channel_key(request, key, &channel)) return cgi_error_to_webserver(error_kind);
    int32_t payload = channel;
    cgi_ask_daemon(on_camera_ipc_callback, request_code, &payload, sizeof payload, error_kind);
    return 0;
}

void notify_cameras(int request_code, const void *payload, int length) {
    cgi_notify_daemon(on_camera_ipc_callback, request_code, payload, length);
}

int reply_fields(const ReplyView &reply, const EntryField *fields, int count) {
    json_object *answer = json_object_new_object();
    add_entry_fields(answer, reply, 0, fields, count);
    return cgi_reply_json(answer);
}

size_t bounded_length(json_object *array, size_t limit) {
    if (!array || !json_object_is_type(array, json_type_array)) return 0;
    size_t length = json_object_array_length(array);
    return length < limit ? length : limit;
}

json_object *array_item(json_object *array, size_t i) {
    if (i >= bounded_length(array, i + 1)) return nullptr;
    json_object *item = json_object_array_get_idx(array, i);
    return json_object_is_type(item, json_type_array) ? item : nullptr;
}

const char *item_text(json_object *array, size_t i) {
    if (i >= bounded_length(array, i + 1)) return nullptr;
    json_object *item = json_object_array_get_idx(array, i);
    return json_object_is_type(item, json_type_string) ? json_object_get_string(item) : nullptr;
}

int item_number(json_object *array, size_t i) {
    if (i >= bounded_length(array, i + 1)) return 0;
    json_object *item = json_object_array_get_idx(array, i);
    switch (json_object_get_type(item)) {
        case json_type_int:
        case json_type_double:
        case json_type_boolean: return json_object_get_int(item);
        default: return 0;
    }
}

void fill_channel_list(json_object *array, int32_t list[64]) {
    for (int i = 0; i < kChannels; i++) list[i] = -1;
    size_t length = bounded_length(array, SIZE_MAX);
    int used = 0;
    for (size_t i = 0; i < length && used < kChannels; i++) {
        int channel = 0;
        if (channel_item(json_object_array_get_idx(array, i), &channel)) list[used++] = channel;
    }
}

CountedItems::CountedItems(json_object *request, const char *array_key, const char *count_key)
    : array_(json_get_typed(request, array_key, json_type_array)) {
    int count = json_int_or(request, count_key, 0);
    if (count > 0) limit_ = bounded_length(array_, static_cast<size_t>(count));
}

bool CountedItems::next_channel(int *channel) {
    while (index_ < limit_)
        if (channel_item(json_object_array_get_idx(array_, index_++), channel)) return true;
    return false;
}

void fill_channel_text(char text[64], const char *given) {
    size_t length = given ? strnlen(given, kChannels) : 0;
    memset(text, '0', kChannels);
    if (length) memcpy(text, given, length);
}

void channel_set_text(uint64_t set, char text[65], int length) {
    if (length < 0) length = 0;
    if (length > kChannels) length = kChannels;
    for (int i = 0; i < length; i++) text[i] = (set >> i) & 1 ? '1' : '0';
    text[length] = '\0';
}
