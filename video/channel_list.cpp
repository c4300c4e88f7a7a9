// The channel lists of the "/6000" requests that apply one setting to several channels.
#include "video/channel_list.h"

#include <string.h>

#include "core/json_util.h"

ChannelList read_channel_list(json_object *request, const char *array_key, const char *count_key, int cap) {
    ChannelList list;
    memset(&list, 0, sizeof list);
    int count = 0;
    json_object *array = json_get_typed(request, array_key, json_type_array);
    if (!array || on_cgi_get_int_from_json(request, count_key, &count) != 0 || count <= 0) return list;
    size_t length = json_object_array_length(array);
    size_t limit = static_cast<size_t>(count < cap ? count : cap);
    for (size_t i = 0; i < length && i < limit; i++) {
        json_object *item = json_object_array_get_idx(array, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        int64_t channel = json_object_get_int64(item);
        if (channel < 0 || channel > 63 || (list.set & (1ULL << channel))) continue;
        list.set |= 1ULL << channel;
        list.channel[list.count++] = static_cast<int32_t>(channel);
    }
    return list;
}
