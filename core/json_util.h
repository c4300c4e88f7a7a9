// Request JSON parsing, small JSON accessors, JSON answers and the two generic reply handlers.
#ifndef NVR_CORE_JSON_UTIL_H
#define NVR_CORE_JSON_UTIL_H

#include <json-c/json.h>
#include <stddef.h>

// True for a failed parse: a null result or the library's error-pointer range.
bool json_parse_failed(const json_object *object);

// Parses a request text; null for a missing text, a parse error or a non-object.
json_object *get_request_tokener_json_object(const char *text);

// Parses text and reads one integer key; 0, or -1 when anything is missing or malformed.
int on_cgi_get_value_by_json(const char *text, const char *key, int *out);

// One integer key: 0, or -1 when missing or not a number.
int on_cgi_get_int_from_json(json_object *object, const char *key, int *out);

// One text key, truncated to size - 1: 0, or -1 when missing or not a string.
int on_cgi_get_string_from_json(json_object *object, const char *key, char *buffer, int size);

// The key's value when it is of the given type, else null (a wrong type counts as missing).
json_object *json_get_typed(json_object *object, const char *key, json_type type);

// Adds an integer or a text under key (json-c's key order is the order of adding).
void json_add_int(json_object *object, const char *key, int value);
void json_add_text(json_object *object, const char *key, const char *value);

// One integer key, or the fallback when it is missing or not a number.
int json_int_or(json_object *object, const char *key, int fallback);

// Serialises the object, answers it with the kind and releases it.
int cgi_answer_json(json_object *object, int kind);

// Reply handlers: answers the object as JSON (the JSON error answer when it is null, as when it
// could not be made), then raises the completion flag.
int cgi_reply_json(json_object *answer);

// Reply handler: {"status": first word} as JSON, when the reply has at least one word.
int on_cgi_common_json_cb(int word_count, const void *payload);

// Reply handler: "CGI ERROR status:[%d]" or "CGI OK status:[%d]", with ", data:[%s]".
int on_cgi_common_text_cb(int ignored, int status, const char *data);

// Owns a json_object for the length of a scope.
class JsonRef {
  public:
    explicit JsonRef(json_object *object = nullptr) : object_(object) {}
    ~JsonRef() {
        if (object_) json_object_put(object_);
    }
    JsonRef(const JsonRef &) = delete;
    JsonRef &operator=(const JsonRef &) = delete;
    json_object *get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    operator json_object *() const { return object_; }

  private:
    json_object *object_;
};

#endif
