// Fields of fixed layouts answered under their keys and stored from a request.
#include "camera/entry_fields.h"

#include <string.h>

#include <string>

#include "camera/camera_request.h"
#include "core/json_util.h"

namespace {

std::string ascii_only(const std::string &text) {
    for (unsigned char c : text)
        if (c >= 128) return std::string();
    return text;
}

}  // namespace

void add_entry_fields(json_object *object, const ReplyView &reply, long base, const EntryField *fields, int count) {
    for (int i = 0; object && i < count; i++) {
        const EntryField &field = fields[i];
        int offset = static_cast<int>(base + field.offset);
        switch (field.kind) {
            case EntryFieldKind::Number: json_add_int(object, field.key, reply.number(offset)); break;
            case EntryFieldKind::Text: json_add_text(object, field.key, reply.text(offset, field.size).c_str()); break;
            case EntryFieldKind::AsciiText:
                json_add_text(object, field.key, ascii_only(reply.text(offset, field.size)).c_str());
                break;
        }
    }
}

void add_entries(json_object *array, const ReplyView &reply, long start, int entry_size, int count,
                 const EntryField *fields, int field_count) {
    for (int i = 0; array && i < count; i++) {
        json_object *entry = json_object_new_object();
        add_entry_fields(entry, reply, start + static_cast<long>(i) * entry_size, fields, field_count);
        json_object_array_add(array, entry);
    }
}

void store_entry_fields(json_object *request, void *record, size_t size, const EntryField *fields, int count) {
    char *bytes = static_cast<char *>(record);
    for (int i = 0; i < count; i++) {
        const EntryField &field = fields[i];
        if (field.offset < 0 || static_cast<size_t>(field.offset) + static_cast<size_t>(field.size) > size) continue;
        if (field.kind == EntryFieldKind::Number) {
            int32_t value = number_key(request, field.key);
            memcpy(bytes + field.offset, &value, sizeof value);
        } else {
            store_text_key(request, field.key, bytes + field.offset, static_cast<size_t>(field.size));
        }
    }
}

int whole_entries(const ReplyView &reply, long start, int entry_size, int limit) {
    long room = reply.length() - start;
    if (entry_size <= 0 || room < entry_size) return 0;
    long count = room / entry_size;
    return count < limit ? static_cast<int>(count) : limit;
}
