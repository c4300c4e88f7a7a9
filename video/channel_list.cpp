// Channel lists of the "/6000" requests: a count key and an array of channel numbers.
#include "video/channel_list.h"

#include <stddef.h>

#include "core/json_util.h"
#include "video/video_request.h"

uint64_t listed_channel_set(json_object *request, const char *array_key, const char *count_key, int limit) {
    int count = 0;
    json_object *array = json_get_typed(request, array_key, json_type_array);
    if (!array || on_cgi_get_int_from_json(request, count_key, &count) != 0 || count <= 0) return 0;
    size_t items = json_object_array_length(array);
    if (items > static_cast<size_t>(count)) items = static_cast<size_t>(count);
    if (limit >= 0 && items > static_cast<size_t>(limit)) items = static_cast<size_t>(limit);
    uint64_t set = 0;
    for (size_t i = 0; i < items; i++) {
        json_object *item = json_object_array_get_idx(array, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        int64_t channel = json_object_get_int64(item);
        if (channel >= 0 && channel < kChannelCount) set |= 1ULL << channel;
    }
    return set;
}
