// Request readers of module "/4000": integer lists, channels and sessions given as plain text,
// and the notices and exchanges its routes share.
#include "playback/playback_request.h"

#include <errno.h>
#include <stdlib.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "playback/playback_module.h"
#include "playback/playback_payloads.h"

namespace {

// The item at index as an integer; false when it is missing or not an integer.
bool int_item(json_object *array, int index, int32_t *out) {
    json_object *item = json_object_array_get_idx(array, static_cast<size_t>(index));
    if (!item || !json_object_is_type(item, json_type_int)) return false;
    *out = json_object_get_int(item);
    return true;
}

int bounded(int limit, json_object *array, int capacity) {
    int length = static_cast<int>(json_object_array_length(array));
    int count = limit < length ? limit : length;
    return count < capacity ? count : capacity;
}

}  // namespace

int copy_int_items(json_object *request, const char *key, int limit, int32_t *out, int capacity) {
    json_object *array = json_get_typed(request, key, json_type_array);
    if (!array) return 0;
    int copied = 0;
    for (int i = 0, end = bounded(limit, array, capacity); i < end; i++)
        if (int_item(array, i, &out[copied])) copied++;
    return copied;
}

int copy_int_pairs(json_object *request, const char *key_a, const char *key_b, int limit, int32_t *out_a,
                   int32_t *out_b, int capacity) {
    json_object *array_a = json_get_typed(request, key_a, json_type_array);
    json_object *array_b = json_get_typed(request, key_b, json_type_array);
    if (!array_a || !array_b) return 0;
    int copied = 0;
    for (int i = 0, end = bounded(bounded(limit, array_a, capacity), array_b, capacity); i < end; i++)
        if (int_item(array_a, i, &out_a[copied]) && int_item(array_b, i, &out_b[copied])) copied++;
    return copied;
}

bool read_plain_int(const char *arg, int *value) {
    if (!arg || *arg == '\0') return false;
    char *end = nullptr;
    errno = 0;
    long number = strtol(arg, &end, 10);
    if (end == arg || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int>(number);
    return true;
}

bool read_plain_live_channel(const char *arg, int *channel) {
    int value = 0;
    if (!read_plain_int(arg, &value) || value < 0 || value >= kLiveChannels) return false;
    *channel = value;
    return true;
}

bool read_live_channel_key(json_object *request, const char *key, int *channel) {
    int value = 0;
    if (on_cgi_get_int_from_json(request, key, &value) != 0 || value < 0 || value >= kLiveChannels) return false;
    *channel = value;
    return true;
}

void playback_notify(int request_code, const void *payload, int length) {
    cgi_notify_daemon(on_stream_callback, request_code, payload, length);
}

void playback_log(int sub_type, int channel_number) {
    cgi_log_operation(on_stream_callback, sub_type, 900, channel_number);
}

bool open_playback(int request_code, const void *payload, int length) {
    cgi_start_ipc(on_stream_callback, request_code, length, payload, 0);
    bool opened = g_callback_done.load() == 1;
    cgi_stop_ipc();
    return opened;
}

void answer_playback_address_of_current_session() {
    int32_t session = g_playback.session;
    cgi_ask_daemon(on_stream_callback, kRequestPlaybackAddress, &session, sizeof session, kJson);
}
