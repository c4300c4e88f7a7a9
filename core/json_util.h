// Request JSON parsing, small JSON accessors, JSON answers and the two generic reply handlers.
#ifndef NVR_CORE_JSON_UTIL_H
#define NVR_CORE_JSON_UTIL_H

#include <json-c/json.h>
#include <json-c/printbuf.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <new>
#include <utility>

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

// Writes JSON text into a json-c print buffer exactly as json-c prints its own values under the
// same flags (plain, spaced, pretty with spaces or tabs, slashes escaped or not), starting at the
// nesting level json-c hands a value's serializer. Items and members are separated and indented
// by the writer; the caller only opens, names, writes and closes, then finishes. Text gathers in
// a small buffer of the writer's and reaches the print buffer in pieces.
class JsonTextWriter {
  public:
    JsonTextWriter(printbuf *out, int level, int flags);
    // Writes to a file descriptor instead, gathering in the caller's buffer (at least 1 KB).
    JsonTextWriter(int fd, char *buffer, size_t size, int flags);
    void begin_array() { open('['); }
    void end_array() { close(']'); }
    void begin_object() { open('{'); }
    void end_object() { close('}'); }
    // The next member of the open object; its value follows. The name is one of the program's
    // own member names (letters, digits, '_'), which json-c prints as they are.
    void key(const char *name) {
        size_t length = strlen(name);
        item_prefix();
        reserve(length + 4);
        put('"');
        memcpy(buffer_ + used_, name, length);
        used_ += length;
        put('"');
        put(':');
        if (colon_blank_) put(' ');
        after_key_ = true;
    }
    // A member name of any text, escaped as json-c escapes names.
    void escaped_key(const char *name, size_t length) {
        item_prefix();
        reserve(1);
        put('"');
        escaped(name, length);
        reserve(3);
        put('"');
        put(':');
        if (colon_blank_) put(' ');
        after_key_ = true;
    }
    // A value given as its finished text (true, false, null); at most 1 KB.
    void verbatim_value(const char *text, size_t length) { compact_text(text, length); }
    // Bytes outside the JSON text (such as the header lines before it), written as they are.
    void verbatim(const char *text, size_t length);
    void number(int64_t value);
    void text(const char *text, size_t length) {
        before_value();
        reserve(1);
        put('"');
        escaped(text, length);
        reserve(1);
        put('"');
    }
    // The next item of the open array given as finished compact text, which only the plain and
    // spaced forms can take: false (nothing written) when printing pretty. `spaced` says which
    // of the two forms the text must be in.
    template <size_t PlainSize, size_t SpacedSize>
    bool compact_item(const char (&plain)[PlainSize], const char (&spaced)[SpacedSize]) {
        static_assert(PlainSize <= kMinBufferSize && SpacedSize <= kMinBufferSize, "an item fits the buffer");
        if (pretty_) return false;
        if (spaced_) compact_text(spaced, SpacedSize - 1);
        else compact_text(plain, PlainSize - 1);
        return true;
    }
    // Hands the rest to the print buffer; false when anything could not be written.
    bool finish();

  private:
    JsonTextWriter(printbuf *out, int fd, int level, int flags, char *buffer, size_t size);

    static constexpr int kMaxDepth = 16;
    static constexpr size_t kMinBufferSize = 1024;
    static constexpr size_t kTextPiece = 128;  // escaped, a piece takes at most 6 times its size
    static_assert(kTextPiece * 6 + 2 <= kMinBufferSize, "an escaped piece fits the buffer");

    void open(char bracket) {
        before_value();
        if (depth_ == kMaxDepth) return fail();
        reserve(2);
        put(bracket);
        if (pretty_) put('\n');
        had_item_[++depth_] = false;
    }
    void close(char bracket) {
        if (depth_ == 0) return fail();
        bool had_items = had_item_[depth_--];
        if (pretty_) pretty_close(had_items);
        reserve(2);
        if (spaced_) put(' ');
        put(bracket);
    }
    void pretty_close(bool had_items);
    void compact_text(const char *text, size_t length) {
        before_value();
        reserve(length);
        memcpy(buffer_ + used_, text, length);
        used_ += length;
    }
    void fail() { ok_ = false; }
    // A value adds nothing of its own after a key, nor as the outermost value (json-c wrote what
    // precedes it); inside an array it is the next item.
    void before_value() {
        if (after_key_) after_key_ = false;
        else if (depth_ > 0) item_prefix();
    }
    // Every item of an array and every member of an object: "," (",\n" when pretty) after the
    // first, then the blank of the spaced form or the indentation of the pretty form.
    void item_prefix() {
        if (pretty_) return pretty_item_prefix();
        reserve(2);
        if (had_item_[depth_]) put(',');
        had_item_[depth_] = true;
        if (spaced_) put(' ');
    }
    void pretty_item_prefix();
    void indent(int level);
    void escaped(const char *text, size_t length);
    // Room for length more bytes (at most the buffer's size), then put() them.
    void reserve(size_t length) {
        if (size_ - used_ < length) flush();
    }
    void put(char c) { buffer_[used_++] = c; }
    void flush();

    printbuf *out_;
    int fd_;  // the descriptor written when there is no print buffer
    int level_;  // json-c's level of the outermost value written
    bool pretty_, tabs_, slashes_;
    bool spaced_;       // a blank after "[", "{" and ",", and before "]", "}"
    bool colon_blank_;  // a blank after a member's ':' (also when pretty)
    int depth_ = 0;  // containers open
    bool had_item_[kMaxDepth + 1] = {};
    bool after_key_ = false;
    bool ok_ = true;
    size_t used_ = 0;
    char *buffer_;
    size_t size_;
    char own_buffer_[kMinBufferSize];
};

// A json-c array or object that prints itself from `data` with `Print`, instead of holding
// json-c nodes: json-c calls Print whenever the value, or an answer holding it, is serialised,
// and frees the data with the value. Encoders return such values for bulky sub-settings. It
// has no items of its own: add it to an answer and print it; whoever needs to walk it parses
// its printed text (json-c's deep copy refuses it).
//
// The data of every such value starts with its print function, so that an answer written
// straight to the web server (cgi_answer_json) prints its values with its own writer.
struct JsonPrintedHead {
    void (*print)(const JsonPrintedHead &self, JsonTextWriter &writer);
};

template <typename Data, void (*Print)(const Data &, JsonTextWriter &)>
json_object *json_printed_value(json_type type, Data data) {
    struct Held : JsonPrintedHead {
        explicit Held(Data &&d) : JsonPrintedHead{print_held}, data(std::move(d)) {}
        static void print_held(const JsonPrintedHead &self, JsonTextWriter &writer) {
            Print(static_cast<const Held &>(self).data, writer);
        }
        Data data;
    };
    struct Serializer {
        static int print(json_object *value, printbuf *out, int level, int flags) {
            const auto *head = static_cast<const JsonPrintedHead *>(json_object_get_userdata(value));
            if (!head) return -1;
            JsonTextWriter writer(out, level, flags);
            head->print(*head, writer);
            return writer.finish() ? 0 : -1;
        }
        static void release(json_object *, void *copy) {
            delete static_cast<Held *>(static_cast<JsonPrintedHead *>(copy));
        }
    };
    Held *held = new (std::nothrow) Held(std::move(data));
    JsonPrintedHead *copy = held;
    json_object *value = !copy ? nullptr : type == json_type_object ? json_object_new_object() : json_object_new_array();
    if (!value) {
        delete held;
        return nullptr;
    }
    json_object_set_serializer(value, Serializer::print, copy, Serializer::release);
    return value;
}

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
