// Request readers shared by the "/2001" routes.
#include "camera/camera_request.h"

#include "core/json_util.h"
#include "core/web_utils.h"

bool read_int_between(json_object *request, const char *key, int low, int high, int *out) {
    int value = 0;
    if (on_cgi_get_int_from_json(request, key, &value) != 0 || value < low || value > high) return false;
    *out = value;
    return true;
}

const char *text_key(json_object *request, const char *key) {
    json_object *value = json_get_typed(request, key, json_type_string);
    return value ? json_object_get_string(value) : nullptr;
}

int number_key(json_object *request, const char *key) { return json_int_or(request, key, 0); }

void store_text_key(json_object *request, const char *key, char *field, size_t size) {
    const char *text = text_key(request, key);
    copy_text_field(field, size, text ? text : "");
}

bool replace_text_key(json_object *request, const char *key, char *field, size_t size) {
    const char *text = text_key(request, key);
    if (!text) return false;
    copy_text_field(field, size, text);
    return true;
}

json_object *array_key(json_object *request, const char *key) { return json_get_typed(request, key, json_type_array); }

json_object *object_item(json_object *array, size_t i) {
    json_object *item = array ? json_object_array_get_idx(array, i) : nullptr;
    return item && json_object_is_type(item, json_type_object) ? item : nullptr;
}
