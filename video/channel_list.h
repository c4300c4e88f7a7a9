// Channel lists of the "/6000" requests: a count key and an array of channel numbers.
#ifndef NVR_VIDEO_CHANNEL_LIST_H
#define NVR_VIDEO_CHANNEL_LIST_H

#include <json-c/json.h>
#include <stdint.h>

constexpr int kAnyListLength = -1;  // a list bounded only by its count and its length

// The channels of a list in the order given, each once, and their set.
struct ChannelList {
    int32_t channel[64];
    int count;
    uint64_t set;
};

// The channels listed by a count key and an array key: of the first min(count, array length,
// limit) items, those that are integers 0 to 63 (others are skipped, never read as 0); a repeated
// channel is listed once. A missing, non-numeric or negative count, or an array key that does
// not hold an array, lists nothing.
ChannelList read_channel_list(json_object *request, const char *array_key, const char *count_key, int limit);

// The set of those channels.
uint64_t listed_channel_set(json_object *request, const char *array_key, const char *count_key, int limit);

#endif
