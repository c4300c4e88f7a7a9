// Request readers shared by the "/6000" routes: channels from plain text and from JSON keys.
#ifndef NVR_VIDEO_VIDEO_REQUEST_H
#define NVR_VIDEO_VIDEO_REQUEST_H

#include <json-c/json.h>

constexpr int kChannelCount = 64;

inline bool channel_in_range(int channel) { return channel >= 0 && channel < kChannelCount; }

// The whole argument as a base-10 channel number, 0 to 63. False for anything else.
bool read_plain_channel(const char *arg, int *channel);

// An integer key holding a channel, 0 to 63. False when missing, not a number or out of range.
bool read_channel_key(json_object *request, const char *key, int *channel);

#endif
