// Configuration database library: a record's fields as one flat JSON object keyed by column
// name, written and read without building a tree.
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "platform/qvdb_internal.h"

namespace {

constexpr int kMaxNesting = 32;     // values of unknown keys are skipped to this depth
constexpr size_t kMaxKeyLength = 128;  // longer keys match no column

// ----- writing -----

void append_integer(std::string &out, int64_t value) {
    char text[24];
    int length = snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    out.append(text, static_cast<size_t>(length));
}

// Doubles keep every bit ("%.17g"); a value that is no finite number is stored as 0, which JSON
// can carry.
void append_double(std::string &out, double value) {
    if (!isfinite(value)) value = 0;
    char text[40];
    int length = snprintf(text, sizeof text, "%.17g", value);
    out.append(text, static_cast<size_t>(length));
}

// A JSON string of the bytes: quote, backslash and control characters escaped, other bytes as
// they are (the pages' texts are UTF-8; anything else passes through unchanged).
void append_string(std::string &out, const char *text, size_t length) {
    out += '"';
    for (size_t i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void append_field(std::string &out, const QvdbField &field, const char *at) {
    switch (field.type) {
        case QvdbType::Text:
            // A text is what a reader of the field sees: at most size - 1 bytes.
            append_string(out, at, strnlen(at, field.size > 0 ? field.size - 1 : 0));
            return;
        case QvdbType::Double: {
            double value;
            memcpy(&value, at, sizeof value);
            append_double(out, value);
            return;
        }
        case QvdbType::Int32Array: {
            out += '[';
            for (uint32_t i = 0; i < field.size / sizeof(int32_t); i++) {
                int32_t value;
                memcpy(&value, at + i * sizeof value, sizeof value);
                if (i) out += ',';
                append_integer(out, value);
            }
            out += ']';
            return;
        }
        default:
            append_integer(out, qvdb_field_int(field, at - field.offset));
    }
}

// ----- reading -----

class DocumentReader {
  public:
    DocumentReader(const char *text, size_t length) : at_(text), end_(text + length) {}

    // The whole text is one object of a record's fields.
    bool record(const QvdbShape &shape, void *record) { return object(shape, static_cast<char *>(record)) && finished(); }

    // {"entries":[{fields}, ...]}: at most capacity entries.
    bool list(const QvdbShape &shape, void *entries, int capacity, int *count) {
        char *bytes = static_cast<char *>(entries);
        *count = 0;
        bool ok = members([&](const char *key, size_t) {
            if (strcmp(key, "entries") != 0 || !peek('[')) return skip(0);
            return elements([&]() {
                if (*count >= capacity) return skip(1);
                return object(shape, bytes + static_cast<size_t>((*count)++) * shape.size);
            });
        });
        return ok && finished();
    }

    // {"day_flags":[8 numbers],"periods":[[day, slot, start, end, action], ...]}.
    bool schedule(WeeklySchedule *schedule) {
        bool ok = members([&](const char *key, size_t) {
            if (strcmp(key, "day_flags") == 0 && peek('[')) {
                int day = 0;
                return elements([&]() {
                    int64_t flag = 0;
                    if (!integer(&flag)) return false;
                    if (day < 8) schedule->day[day].dayFlag = static_cast<int32_t>(flag);
                    day++;
                    return true;
                });
            }
            if (strcmp(key, "periods") == 0 && peek('[')) return elements([&]() { return period(schedule); });
            return skip(0);
        });
        return ok && finished();
    }

  private:
    // An object of a record's fields at the current position.
    bool object(const QvdbShape &shape, char *record) {
        uint32_t expected = 0;  // documents list the fields in declaration order
        return members([&](const char *key, size_t length) {
            const QvdbField *field = length < kMaxKeyLength ? match(shape, key, length, &expected) : nullptr;
            return field ? value(*field, record + field->offset) : skip(0);
        });
    }

    // An object; member(key, length) consumes each value. Keys longer than the buffer are cut.
    template <typename Member>
    bool members(Member member) {
        space();
        if (!take('{')) return false;
        space();
        if (take('}')) return true;
        for (;;) {
            char key[kMaxKeyLength];
            size_t length = 0;
            if (!string(key, sizeof key, &length)) return false;
            space();
            if (!take(':')) return false;
            space();
            if (!member(key, length)) return false;
            space();
            if (take('}')) return true;
            if (!take(',')) return false;
            space();
        }
    }

    // An array; element() consumes each item.
    template <typename Element>
    bool elements(Element element) {
        if (!take('[')) return false;
        space();
        if (take(']')) return true;
        for (;;) {
            space();
            if (!element()) return false;
            space();
            if (take(']')) return true;
            if (!take(',')) return false;
        }
    }

    // [day, slot, start, end, action]; periods outside the week are passed over.
    bool period(WeeklySchedule *schedule) {
        int64_t day = -1, slot = -1, action = 0;
        char start[sizeof(SchedulePeriod::startTime)] = "", end[sizeof(SchedulePeriod::endTime)] = "";
        size_t length = 0;
        int item = 0;
        bool ok = elements([&]() {
            switch (item++) {
                case 0: return integer(&day);
                case 1: return integer(&slot);
                case 2: return string(start, sizeof start, &length);
                case 3: return string(end, sizeof end, &length);
                case 4: return integer(&action);
                default: return skip(1);
            }
        });
        if (!ok || item < 5) return false;
        if (day < 0 || day >= 8 || slot < 0 || slot >= 48) return true;
        SchedulePeriod &stored = schedule->day[day].period[slot];
        memcpy(stored.startTime, start, sizeof start);
        memcpy(stored.endTime, end, sizeof end);
        stored.actionType = static_cast<int32_t>(action);
        return true;
    }

    bool integer(int64_t *value) {
        double real;
        return number(&real, value);
    }

    bool peek(char c) const { return at_ < end_ && *at_ == c; }

    bool finished() {
        space();
        return at_ == end_;
    }
    void space() {
        while (at_ < end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r')) at_++;
    }
    bool take(char c) {
        if (at_ >= end_ || *at_ != c) return false;
        at_++;
        return true;
    }
    bool word(const char *text) {
        size_t length = strlen(text);
        if (static_cast<size_t>(end_ - at_) < length || memcmp(at_, text, length) != 0) return false;
        at_ += length;
        return true;
    }

    static const QvdbField *match(const QvdbShape &shape, const char *key, size_t length, uint32_t *expected) {
        for (uint32_t n = 0; n < shape.field_count; n++) {
            uint32_t i = (*expected + n) % shape.field_count;
            const char *column = shape.fields[i].column;
            if (strncmp(column, key, length) == 0 && column[length] == '\0') {
                *expected = i + 1;
                return &shape.fields[i];
            }
        }
        return nullptr;
    }

    static int hex_digit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
    bool hex4(unsigned *value) {
        if (end_ - at_ < 4) return false;
        *value = 0;
        for (int i = 0; i < 4; i++) {
            int digit = hex_digit(at_[i]);
            if (digit < 0) return false;
            *value = *value * 16 + static_cast<unsigned>(digit);
        }
        at_ += 4;
        return true;
    }

    // The code point of a \\u escape (after its "\\u"): a surrogate pair makes one; a lone
    // surrogate is kept as it is.
    bool escaped_code_point(unsigned *code) {
        if (!hex4(code)) return false;
        if (*code < 0xD800 || *code >= 0xDC00) return true;
        const char *after_high = at_;
        unsigned low;
        if (word("\\u") && hex4(&low) && low >= 0xDC00 && low < 0xE000) {
            *code = 0x10000 + ((*code - 0xD800) << 10) + (low - 0xDC00);
            return true;
        }
        at_ = after_high;
        return true;
    }

    // Appends a code point as UTF-8 within size - 1 bytes of out.
    static void put_code_point(unsigned code, char *out, size_t size, size_t *length) {
        char utf8[4];
        size_t n;
        if (code < 0x80) {
            utf8[0] = static_cast<char>(code);
            n = 1;
        } else if (code < 0x800) {
            utf8[0] = static_cast<char>(0xC0 | (code >> 6));
            utf8[1] = static_cast<char>(0x80 | (code & 0x3F));
            n = 2;
        } else if (code < 0x10000) {
            utf8[0] = static_cast<char>(0xE0 | (code >> 12));
            utf8[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8[2] = static_cast<char>(0x80 | (code & 0x3F));
            n = 3;
        } else {
            utf8[0] = static_cast<char>(0xF0 | (code >> 18));
            utf8[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            utf8[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8[3] = static_cast<char>(0x80 | (code & 0x3F));
            n = 4;
        }
        for (size_t i = 0; i < n; i++) put_byte(utf8[i], out, size, length);
    }
    static void put_byte(char c, char *out, size_t size, size_t *length) {
        if (out && *length + 1 < size) out[*length] = c;
        (*length)++;
    }

    // A string decoded into out, cut at size - 1 bytes (nothing kept when out is null); *length
    // gets the whole decoded length.
    bool string(char *out, size_t size, size_t *length) {
        *length = 0;
        if (!take('"')) return false;
        while (at_ < end_) {
            char c = *at_++;
            if (c == '"') {
                if (out && size > 0) out[*length < size - 1 ? *length : size - 1] = '\0';
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                put_byte(c, out, size, length);
                continue;
            }
            if (at_ >= end_) return false;
            char escape = *at_++;
            switch (escape) {
                case '"': case '\\': case '/': put_byte(escape, out, size, length); break;
                case 'b': put_byte('\b', out, size, length); break;
                case 'f': put_byte('\f', out, size, length); break;
                case 'n': put_byte('\n', out, size, length); break;
                case 'r': put_byte('\r', out, size, length); break;
                case 't': put_byte('\t', out, size, length); break;
                case 'u': {
                    unsigned code;
                    if (!escaped_code_point(&code)) return false;
                    put_code_point(code, out, size, length);
                    break;
                }
                default: return false;
            }
        }
        return false;
    }

    // A number; *integer is its value as a whole number (a fraction cut, a value beyond the
    // 64-bit range held at its end).
    bool number(double *real, int64_t *integer) {
        const char *start = at_;
        if (at_ < end_ && *at_ == '-') at_++;
        if (at_ >= end_ || *at_ < '0' || *at_ > '9') return false;
        while (at_ < end_ && ((*at_ >= '0' && *at_ <= '9') || *at_ == '.' || *at_ == 'e' || *at_ == 'E' ||
                              *at_ == '+' || *at_ == '-'))
            at_++;
        char *end = nullptr;
        errno = 0;
        long long whole = strtoll(start, &end, 10);
        bool plain = end == at_ && errno == 0;
        *real = plain ? static_cast<double>(whole) : strtod(start, &end);
        if (end != at_) return false;
        if (plain) *integer = whole;
        else if (*real <= -9.2e18) *integer = INT64_MIN;
        else if (*real >= 9.2e18) *integer = INT64_MAX;
        else *integer = static_cast<int64_t>(*real);
        return true;
    }

    // A value for one field; values of another type than the field's leave it zero.
    bool value(const QvdbField &field, char *at) {
        if (at_ < end_ && *at_ == '"') {
            size_t length = 0;
            return field.type == QvdbType::Text ? string(at, field.size, &length) : skip(0);
        }
        if (at_ < end_ && *at_ == '[') return field.type == QvdbType::Int32Array ? int_array(field, at) : skip(0);
        int64_t integer = 0;
        double real = 0;
        if (word("true")) {
            integer = 1;
            real = 1;
        } else if (!word("false") && !word("null") && !number(&real, &integer)) {
            return skip(0);
        }
        if (field.type == QvdbType::Double) memcpy(at, &real, sizeof real);
        else if (field.type != QvdbType::Text && field.type != QvdbType::Int32Array)
            qvdb_set_field_int(field, at - field.offset, integer);
        return true;
    }

    bool int_array(const QvdbField &field, char *at) {
        take('[');
        space();
        if (take(']')) return true;
        uint32_t capacity = field.size / sizeof(int32_t);
        for (uint32_t i = 0;; i++) {
            space();
            double real;
            int64_t integer = 0;
            if (at_ < end_ && (*at_ == '-' || (*at_ >= '0' && *at_ <= '9'))) {
                if (!number(&real, &integer)) return false;
            } else if (!skip(1)) {
                return false;
            }
            if (i < capacity) {
                int32_t element = static_cast<int32_t>(integer);
                memcpy(at + i * sizeof element, &element, sizeof element);
            }
            space();
            if (take(']')) return true;
            if (!take(',')) return false;
        }
    }

    // Passes over any JSON value.
    bool skip(int depth) {
        if (depth > kMaxNesting || at_ >= end_) return false;
        size_t length;
        double real;
        int64_t integer;
        char open = *at_;
        if (open == '"') return string(nullptr, 0, &length);
        if (open != '{' && open != '[') return word("true") || word("false") || word("null") || number(&real, &integer);
        char close = open == '{' ? '}' : ']';
        at_++;
        space();
        if (take(close)) return true;
        for (;;) {
            space();
            if (open == '{') {
                if (!string(nullptr, 0, &length)) return false;
                space();
                if (!take(':')) return false;
                space();
            }
            if (!skip(depth + 1)) return false;
            space();
            if (take(close)) return true;
            if (!take(',')) return false;
        }
    }

    const char *at_;
    const char *end_;
};

}  // namespace

void qvdb_document_write(const QvdbShape &shape, const void *record, const QvdbField *skip, std::string &out) {
    const char *bytes = static_cast<const char *>(record);
    out += '{';
    bool first = true;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (&field == skip) continue;
        if (!first) out += ',';
        first = false;
        append_string(out, field.column, strlen(field.column));
        out += ':';
        append_field(out, field, bytes + field.offset);
    }
    out += '}';
}

void qvdb_list_document_write(const QvdbShape &shape, const void *entries, int count, std::string &out) {
    const char *bytes = static_cast<const char *>(entries);
    const QvdbField *owner = qvdb_find_field(shape, shape.key_column);
    out += "{\"entries\":[";
    for (int i = 0; i < count; i++) {
        if (i) out += ',';
        qvdb_document_write(shape, bytes + static_cast<size_t>(i) * shape.size, owner, out);
    }
    out += "]}";
}

void qvdb_schedule_document_write(const WeeklySchedule &schedule, std::string &out) {
    out += "{\"day_flags\":[";
    for (int day = 0; day < 8; day++) {
        if (day) out += ',';
        append_integer(out, schedule.day[day].dayFlag);
    }
    out += "],\"periods\":[";
    bool first = true;
    for (int day = 0; day < 8; day++) {
        for (int slot = 0; slot < 48; slot++) {
            const SchedulePeriod &period = schedule.day[day].period[slot];
            if (!period.startTime[0] && !period.endTime[0] && period.actionType == 0) continue;
            out += first ? "[" : ",[";
            first = false;
            append_integer(out, day);
            out += ',';
            append_integer(out, slot);
            out += ',';
            append_string(out, period.startTime, strnlen(period.startTime, sizeof period.startTime - 1));
            out += ',';
            append_string(out, period.endTime, strnlen(period.endTime, sizeof period.endTime - 1));
            out += ',';
            append_integer(out, period.actionType);
            out += ']';
        }
    }
    out += "]}";
}

bool qvdb_document_read(const QvdbShape &shape, const char *text, size_t length, void *record) {
    if (!text) return false;
    DocumentReader reader(text, length);
    return reader.record(shape, record);
}

bool qvdb_list_document_read(const QvdbShape &shape, const char *text, size_t length, void *entries, int capacity,
                             int *count) {
    if (!text) return false;
    DocumentReader reader(text, length);
    return reader.list(shape, entries, capacity, count);
}

bool qvdb_schedule_document_read(const char *text, size_t length, WeeklySchedule *schedule) {
    if (!text) return false;
    DocumentReader reader(text, length);
    return reader.schedule(schedule);
}
