// Shared steps of the routes that relay settings to the cameras: asking a camera, and the array
// items of their requests (bounded walks, positional items, channel lists and channel texts).
#ifndef NVR_CAMERA_CAMERA_RELAY_H
#define NVR_CAMERA_CAMERA_RELAY_H

#include <json-c/json.h>
#include <stddef.h>
#include <stdint.h>

#include "camera/entry_fields.h"
#include "video/video_request.h"  // read_channel_key
#include "core/reply_view.h"

// Asks the camera of the request's channel key (0 to 63) with its channel as a 4-byte payload and
// waits; bad input and silence get the error answer of the kind. 0.
int ask_camera(const char *arg, const char *key, int request_code, int error_kind);

// Sends a request about the cameras without waiting.
void notify_cameras(int request_code, const void *payload, int length);

// Reply side: answers the fields of the reply (offsets from byte 0) as one JSON object.
int reply_fields(const ReplyView &reply, const EntryField *fields, int count);
#define REPLY_FIELDS(reply, FIELDS) reply_fields(reply, FIELDS, static_cast<int>(sizeof(FIELDS) / sizeof((FIELDS)[0])))

// Stores the fields' keys of the request into a record (see store_entry_fields).
template <typename Record>
void store_fields(json_object *request, Record *record, const EntryField *fields, int count) {
    store_entry_fields(request, record, sizeof *record, fields, count);
}
#define STORE_FIELDS(request, record, FIELDS) \
    store_fields(request, record, FIELDS, static_cast<int>(sizeof(FIELDS) / sizeof((FIELDS)[0])))

// The array's length, at most limit; 0 for a missing array.
size_t bounded_length(json_object *array, size_t limit);

// Item i of an array when it is itself an array, else null.
json_object *array_item(json_object *array, size_t i);
// Item i as text (null when missing or not a string), and as a number (0 when missing or not one).
const char *item_text(json_object *array, size_t i);
int item_number(json_object *array, size_t i);

// A channel list: the items that are channel numbers (0 to 63), packed from entry 0, at most 64;
// the unused entries are -1.
void fill_channel_list(json_object *array, int32_t list[64]);

// The first N items of an array key, N the count key's value (none when it is missing or not
// positive), never more than the array holds.
class CountedItems {
  public:
    CountedItems(json_object *request, const char *array_key, const char *count_key);
    // The next item that is a channel number 0 to 63 (others are skipped); false at the end.
    bool next_channel(int *channel);

  private:
    json_object *array_;
    size_t limit_ = 0;
    size_t index_ = 0;
};

// A 64-character channel text (no terminator): the given text's first 64 characters, padded
// with '0'.
void fill_channel_text(char text[64], const char *given);

// The 64-character channel text of a set.
void channel_set_text(uint64_t set, char text[65], int length = 64);

#endif
