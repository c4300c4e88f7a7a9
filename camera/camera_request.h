// Request readers shared by the "/2001" routes: ranged numbers and texts into fixed fields.
#ifndef NVR_CAMERA_CAMERA_REQUEST_H
#define NVR_CAMERA_CAMERA_REQUEST_H

#include <json-c/json.h>
#include <stddef.h>

constexpr int kCameraChannels = 64;

// An integer key from low to high. False when missing, not a number or out of range.
bool read_int_between(json_object *request, const char *key, int low, int high, int *out);

// The text of a string key; null when missing or not a string.
const char *text_key(json_object *request, const char *key);

// An integer key; 0 when missing or not a number.
int number_key(json_object *request, const char *key);

// A text key into a fixed field, cut at size - 1; a missing or non-text key stores "".
void store_text_key(json_object *request, const char *key, char *field, size_t size);

// The same, but a missing or non-text key leaves the field as it is. True when stored.
bool replace_text_key(json_object *request, const char *key, char *field, size_t size);

// The key's array, or null when it is missing or not an array.
json_object *array_key(json_object *request, const char *key);

// Item i of an array when it is an object, else null.
json_object *object_item(json_object *array, size_t i);

#endif
