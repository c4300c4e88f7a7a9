// The channel lists of the "/6000" requests that apply one setting to several channels or
// inputs: a count key and an array of channel numbers.
#ifndef NVR_VIDEO_CHANNEL_LIST_H
#define NVR_VIDEO_CHANNEL_LIST_H

#include <json-c/json.h>
#include <limits.h>
#include <stdint.h>

struct ChannelList {
    int32_t channel[64];  // in the order given, each once
    int count;
    uint64_t set;
};

// The first N items of the array key, N being the count key (at most `cap` items), that are
// integers 0 to 63. Items past the array's end, missing, not integers or out of range are
// skipped; a repeated channel is listed once. Empty when the count is missing or not positive.
ChannelList read_channel_list(json_object *request, const char *array_key, const char *count_key, int cap = INT_MAX);

#endif
