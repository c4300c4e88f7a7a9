// Request readers of module "/4000": integer lists, channels and sessions given as plain text,
// and the notices and exchanges its routes share.
#ifndef NVR_PLAYBACK_PLAYBACK_REQUEST_H
#define NVR_PLAYBACK_PLAYBACK_REQUEST_H

#include <json-c/json.h>
#include <stdint.h>

constexpr int kLiveChannels = 16;  // live view and playback address channels 0 to 15

// Copies the integer items among the first min(limit, array length, capacity) items of the array
// under key into out, skipping items that are missing or not integers. Returns the number
// copied; 0 when the key does not hold an array.
int copy_int_items(json_object *request, const char *key, int limit, int32_t *out, int capacity);

// The same for two arrays read side by side: item i is copied (to out_a and out_b at the same
// position) only when both arrays hold an integer at i.
int copy_int_pairs(json_object *request, const char *key_a, const char *key_b, int limit, int32_t *out_a,
                   int32_t *out_b, int capacity);

// The whole argument as a base-10 integer. False for anything else.
bool read_plain_int(const char *arg, int *value);

// The whole argument as a channel 0 to 15.
bool read_plain_live_channel(const char *arg, int *channel);

// An integer key 0 to 15.
bool read_live_channel_key(json_object *request, const char *key, int *channel);

// Sends a notice to the daemon on the module's channel (no wait).
void playback_notify(int request_code, const void *payload, int length);

// Operation log of a viewing action: sub type, parameter 900, channel number.
void playback_log(int sub_type, int channel_number);

// Opens a time or mask playback: sends the request and waits for the daemon's result. True
// when the daemon opened it (the flag came back 1).
bool open_playback(int request_code, const void *payload, int length);

// Asks where the current session can be fetched (3502); the reply, or the JSON error, answers.
void answer_playback_address_of_current_session();

#endif
