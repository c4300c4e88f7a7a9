// Helpers shared by the routes of module "/7000": daemon notices, answers, JSON field tables and
// the service-port checks.
#ifndef NVR_NETWORK_NETWORK_COMMON_H
#define NVR_NETWORK_NETWORK_COMMON_H

#include <json-c/json.h>
#include <stddef.h>
#include <stdint.h>

// ---- daemon ---------------------------------------------------------------------------------

constexpr int kRequestNetworkChanged = 1702;  // 32 bytes: the changed area, "network", "mail", ...
constexpr int kServiceNameBytes = 32;

// Sends a request of the module without waiting.
void network_notify(int code, const void *payload, int length);

// The 32-byte zero-padded service name of requests 1702 and 3409.
struct ServiceName {
    char text[kServiceNameBytes];
};
ServiceName service_name(const char *text);

// Request 1702: the named area changed.
void notify_network_changed(const char *area);

// Operation log of the module (main type 4).
void network_log(int sub_type, int parameter);

// Answers {key: the integer parameter} as JSON.
int answer_param_int(const char *key, const char *param, int fallback);

// ---- answers from reply handlers ------------------------------------------------------------

// Writes a text answer and raises the completion flag.
int answer_text_done(const char *text);
// {"res": first word of the reply}.
int answer_res_done(const void *payload, int length);
// The first 32-bit word of a reply the dispatcher has checked to hold one.
int32_t reply_first_word(const void *payload);

// ---- JSON fields of records -----------------------------------------------------------------

// One JSON key of a record: an int32 or a text field of `size` bytes at `offset`.
struct JsonField {
    const char *key;
    uint32_t offset;
    uint32_t size;
    bool text;
};
#define JSON_INT(Record, member, key) \
    JsonField { key, static_cast<uint32_t>(offsetof(Record, member)), 4, false }
#define JSON_TEXT(Record, member, key) \
    JsonField { key, static_cast<uint32_t>(offsetof(Record, member)), static_cast<uint32_t>(sizeof(Record::member)), true }
#define JSON_FIELD_COUNT(table) static_cast<int>(sizeof(table) / sizeof((table)[0]))

// Adds the fields in table order (texts read within their field).
void json_add_fields(json_object *answer, const void *record, const JsonField *fields, int count);
// Reads the keys present in the request into the record: texts cut at the field size minus 1;
// a missing key or one of the wrong type leaves its field as it was.
void json_take_fields(json_object *request, void *record, const JsonField *fields, int count);
// A text of a fixed field, read up to its first NUL or the end of the field.
json_object *json_field_text(const char *field, size_t size);
void json_add_field_text(json_object *answer, const char *key, const char *field, size_t size);

// ---- service ports --------------------------------------------------------------------------

// 1 when the port lies in the block reserved for PoE cameras (23001 to 23000 + "max_poe_num",
// for 4, 8 or 16 PoE ports), else 0.
int is_poe_port(int port);

// A port may change to a new value outside the PoE block that no socket uses; an unchanged port
// always passes.
bool port_change_allowed(int old_port, int new_port);

#endif
