// Request JSON parsing, small JSON accessors, JSON answers and the two generic reply handlers.
#include "core/json_util.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "core/ipc.h"
#include "core/response.h"
#include "core/web_utils.h"

bool json_parse_failed(const json_object *object) {
    return object == nullptr || reinterpret_cast<uintptr_t>(object) > static_cast<uintptr_t>(-4000);
}

json_object *get_request_tokener_json_object(const char *text) {
    if (!text) return nullptr;
    json_object *object = json_tokener_parse(text);
    if (json_parse_failed(object)) return nullptr;
    if (!json_object_is_type(object, json_type_object)) {
        json_object_put(object);
        return nullptr;
    }
    return object;
}

int on_cgi_get_int_from_json(json_object *object, const char *key, int *out) {
    if (!object || !key || !out) return -1;
    json_object *value = nullptr;
    if (!json_object_object_get_ex(object, key, &value) || !value) return -1;
    switch (json_object_get_type(value)) {
        case json_type_int:
        case json_type_double:
        case json_type_boolean:
            *out = json_object_get_int(value);
            return 0;
        case json_type_string: {
            // The pages send some numbers as text; anything else is not a number.
            const char *text = json_object_get_string(value);
            char *end = nullptr;
            errno = 0;
            long number = strtol(text, &end, 10);
            if (end == text || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) return -1;
            *out = static_cast<int>(number);
            return 0;
        }
        default:
            return -1;
    }
}

int on_cgi_get_value_by_json(const char *text, const char *key, int *out) {
    if (!text || !key || !out) return -1;
    JsonRef object(get_request_tokener_json_object(text));
    if (!object) return -1;
    return on_cgi_get_int_from_json(object, key, out);
}

int on_cgi_get_string_from_json(json_object *object, const char *key, char *buffer, int size) {
    if (!object || !key || !buffer || size <= 0) return -1;
    json_object *value = json_get_typed(object, key, json_type_string);
    if (!value) return -1;
    copy_text_field(buffer, static_cast<size_t>(size), json_object_get_string(value));
    return 0;
}

json_object *json_get_typed(json_object *object, const char *key, json_type type) {
    json_object *value = nullptr;
    if (!object || !json_object_object_get_ex(object, key, &value) || !value) return nullptr;
    return json_object_is_type(value, type) ? value : nullptr;
}

void json_add_int(json_object *object, const char *key, int value) {
    json_object_object_add(object, key, json_object_new_int(value));
}

void json_add_text(json_object *object, const char *key, const char *value) {
    json_object_object_add(object, key, json_object_new_string(value ? value : ""));
}

int json_int_or(json_object *object, const char *key, int fallback) {
    int value = 0;
    return on_cgi_get_int_from_json(object, key, &value) == 0 ? value : fallback;
}

namespace {

// The flags json_object_to_json_string prints with.
constexpr int kAnswerFlags = JSON_C_TO_STRING_SPACED;

// True when the writer prints the value exactly as json-c would: everything but numbers with a
// fraction, integers beyond int64 and values printed by a serializer that is not ours.
bool writer_prints_alike(json_object *value, int depth) {
    if (!value) return true;
    if (depth > 8) return false;
    switch (json_object_get_type(value)) {
        case json_type_null:
        case json_type_boolean:
            return true;
        case json_type_string:
            return json_object_get_userdata(value) == nullptr;
        case json_type_int:
            return json_object_get_userdata(value) == nullptr && json_object_get_int64(value) != INT64_MAX;
        case json_type_array:
            if (json_object_get_userdata(value)) return true;  // a printed value
            for (size_t i = 0, n = json_object_array_length(value); i < n; i++)
                if (!writer_prints_alike(json_object_array_get_idx(value, i), depth + 1)) return false;
            return true;
        case json_type_object: {
            if (json_object_get_userdata(value)) return true;
            json_object_object_foreach(value, key, member) {
                (void)key;
                if (!writer_prints_alike(member, depth + 1)) return false;
            }
            return true;
        }
        case json_type_double:
            break;
    }
    return false;
}

void write_value(json_object *value, JsonTextWriter &writer) {
    if (!value) return writer.verbatim_value("null", 4);
    if (const void *data = json_object_get_userdata(value)) {
        const auto *head = static_cast<const JsonPrintedHead *>(data);
        return head->print(*head, writer);
    }
    switch (json_object_get_type(value)) {
        case json_type_boolean:
            if (json_object_get_boolean(value)) writer.verbatim_value("true", 4);
            else writer.verbatim_value("false", 5);
            return;
        case json_type_string:
            return writer.text(json_object_get_string(value), static_cast<size_t>(json_object_get_string_len(value)));
        case json_type_int:
            return writer.number(json_object_get_int64(value));
        case json_type_array:
            writer.begin_array();
            for (size_t i = 0, n = json_object_array_length(value); i < n; i++)
                write_value(json_object_array_get_idx(value, i), writer);
            return writer.end_array();
        case json_type_object: {
            writer.begin_object();
            json_object_object_foreach(value, key, member) {
                writer.escaped_key(key, strlen(key));
                write_value(member, writer);
            }
            return writer.end_object();
        }
        case json_type_null:
        case json_type_double:  // never here: writer_prints_alike refuses it
            return writer.verbatim_value("null", 4);
    }
}

const char *answer_header(int kind) {
    if (kind == kTextPlain) return "Content-type: text/plain\r\n\r\n";
    if (kind == kJson) return "Content-type: application/json\r\n\r\n";
    return "";
}

}  // namespace

// The answer goes out in pieces from a buffer on the stack, so that a large answer costs
// neither a growing print buffer nor stdout's buffer. Values the writer cannot print as json-c
// does take json-c's road.
int cgi_answer_json(json_object *object, int kind) {
    if (!object) return -1;
    int rc = 0;
    if (writer_prints_alike(object, 0)) {
        fflush(stdout);
        char buffer[8192];
        JsonTextWriter writer(STDOUT_FILENO, buffer, sizeof buffer, kAnswerFlags);
        const char *header = answer_header(kind);
        writer.verbatim(header, strlen(header));
        write_value(object, writer);
        rc = writer.finish() ? 0 : -1;
    } else {
        rc = cgi_writeback_webserver(kind, json_object_to_json_string_ext(object, kAnswerFlags));
    }
    json_object_put(object);
    return rc;
}

int cgi_reply_json(json_object *answer) {
    if (answer) cgi_answer_json(answer, kJson);
    else cgi_error_to_webserver(kJson);
    cgi_reply_done();
    return 0;
}

// ----- JSON text as json-c prints it -----

JsonTextWriter::JsonTextWriter(printbuf *out, int level, int flags)
    : JsonTextWriter(out, -1, level, flags, nullptr, 0) {}

JsonTextWriter::JsonTextWriter(int fd, char *buffer, size_t size, int flags)
    : JsonTextWriter(nullptr, fd, 0, flags, buffer, size) {}

JsonTextWriter::JsonTextWriter(printbuf *out, int fd, int level, int flags, char *buffer, size_t size)
    : out_(out),
      fd_(fd),
      level_(level),
      pretty_((flags & JSON_C_TO_STRING_PRETTY) != 0),
      tabs_((flags & JSON_C_TO_STRING_PRETTY_TAB) != 0),
      slashes_(!(flags & JSON_C_TO_STRING_NOSLASHESCAPE)),
      spaced_((flags & JSON_C_TO_STRING_SPACED) != 0 && !pretty_),
      colon_blank_((flags & JSON_C_TO_STRING_SPACED) != 0),
      buffer_(buffer && size >= kMinBufferSize ? buffer : own_buffer_),
      size_(buffer && size >= kMinBufferSize ? size : sizeof own_buffer_) {}

void JsonTextWriter::flush() {
    if (used_ == 0) return;
    if (out_) {
        if (printbuf_memappend(out_, buffer_, static_cast<int>(used_)) < 0) ok_ = false;
    } else {
        for (size_t done = 0; done < used_;) {
            ssize_t n = write(fd_, buffer_ + done, used_ - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok_ = false;
                break;
            }
            done += static_cast<size_t>(n);
        }
    }
    used_ = 0;
}

void JsonTextWriter::verbatim(const char *text, size_t length) {
    while (length > 0) {
        size_t piece = length < size_ ? length : size_;
        reserve(piece);
        memcpy(buffer_ + used_, text, piece);
        used_ += piece;
        text += piece;
        length -= piece;
    }
}

bool JsonTextWriter::finish() {
    flush();
    return ok_ && depth_ == 0;
}

void JsonTextWriter::indent(int level) {
    for (int i = tabs_ ? level : level * 2; i > 0; i--) {
        reserve(1);
        put(tabs_ ? '\t' : ' ');
    }
}

void JsonTextWriter::pretty_item_prefix() {
    if (had_item_[depth_]) {
        reserve(2);
        put(',');
        put('\n');
    }
    had_item_[depth_] = true;
    indent(level_ + depth_);
}

// The line break after the last item and the indentation of the closing bracket.
void JsonTextWriter::pretty_close(bool had_items) {
    if (had_items) {
        reserve(1);
        put('\n');
    }
    indent(level_ + depth_);
}

void JsonTextWriter::number(int64_t value) {
    before_value();
    char digits[24];
    char *end = digits + sizeof digits, *at = end;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--at = '-';
    size_t length = static_cast<size_t>(end - at);
    reserve(length);
    memcpy(buffer_ + used_, at, length);
    used_ += length;
}

namespace {

// json-c's escapes: for each byte, 0 when it is written as it is, 'u' for \u00XX (lower-case hex),
// else the letter that follows the backslash. One table escapes slashes, the other does not.
struct EscapeTable {
    char letter[256] = {};
    constexpr explicit EscapeTable(bool slashes) {
        for (int c = 0; c < 0x20; c++) letter[c] = 'u';
        const char pairs[][2] = {{'\b', 'b'}, {'\t', 't'}, {'\n', 'n'}, {'\f', 'f'},
                                 {'\r', 'r'}, {'"', '"'},  {'\\', '\\'}, {'/', '/'}};
        for (const auto &pair : pairs)
            if (pair[0] != '/' || slashes) letter[static_cast<unsigned char>(pair[0])] = pair[1];
    }
};
constexpr EscapeTable kEscapeSlashes(true), kKeepSlashes(false);

}  // namespace

// Every byte that needs no escape, UTF-8 included, is written as it is.
void JsonTextWriter::escaped(const char *text, size_t length) {
    const char *letters = slashes_ ? kEscapeSlashes.letter : kKeepSlashes.letter;
    const char *hex = "0123456789abcdef";
    while (length > 0) {
        size_t piece = length < kTextPiece ? length : kTextPiece;
        reserve(piece * 6);
        char *to = buffer_ + used_;
        for (const char *end = text + piece; text < end; text++) {
            unsigned char c = static_cast<unsigned char>(*text);
            char letter = letters[c];
            if (letter == 0) {
                *to++ = static_cast<char>(c);
            } else if (letter != 'u') {
                *to++ = '\\';
                *to++ = letter;
            } else {
                memcpy(to, "\\u00", 4);
                to[4] = hex[c >> 4];
                to[5] = hex[c & 0xf];
                to += 6;
            }
        }
        used_ = static_cast<size_t>(to - buffer_);
        length -= piece;
    }
}

int on_cgi_common_json_cb(int word_count, const void *payload) {
    int status;
    if (word_count < 1 || !reply_word(payload, word_count * 4, 0, &status)) return -1;
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "status", json_object_new_int(status));
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    return 0;
}

int on_cgi_common_text_cb(int, int status, const char *data) {
    char text[256];
    int used = snprintf(text, sizeof text, status < 0 ? "CGI ERROR status:[%d]" : "CGI OK status:[%d]", status);
    if (data && used > 0 && static_cast<size_t>(used) < sizeof text)
        snprintf(text + used, sizeof text - static_cast<size_t>(used), ", data:[%s]", data);
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done();
    return 0;
}
