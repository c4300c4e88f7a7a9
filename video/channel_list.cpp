// Channel lists of the "/6000" requests: a count key and an array of channel numbers.
#include "video/channel_list.h"

#include <stddef.h>
#include <string.h>

#include "core/json_util.h"
#include "video/video_request.h"

ChannelList read_channel_list(json_object *request, const char *array_key, const char *count_key, int limit) {
    ChannelList list;
    memset(&list, 0, sizeof list);
    int count = 0;
    json_object *array = json_get_typed(request, array_key, json_type_array);
    if (!array || on_cgi_get_int_from_json(request, count_key, &count) != 0 || count <= 0) return list;
    size_t items = json_object_array_length(array);
    if (items > static_cast<size_t>(count)) items = static_cast<size_t>(count);
    if (limit >= 0 && items > static_cast<size_t>(limit)) items = static_cast<size_t>(limit);
    for (size_t i = 0; i < items; i++) {
        json_object *item = json_object_array_get_idx(array, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        int64_t channel = json_object_get_int64(item);
        if (channel < 0 || channel >= kChannelCount || (list.set & (1ULL << channel))) continue;
        list.set |= 1ULL << channel;
        list.channel[list.count++] = static_cast<int32_t>(channel);
    }
    return list;
}

uint64_t listed_channel_set(json_object *request, const char *array_key, const char *count_key, int limit) {
    return read_channel_list(request, array_key, count_key, limit).set;
}
