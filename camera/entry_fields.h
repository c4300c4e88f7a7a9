// Fields of fixed layouts exchanged with the pages under their JSON keys: reply entries and
// stored records are answered from the same field lists that store a request into a record.
#ifndef NVR_CAMERA_ENTRY_FIELDS_H
#define NVR_CAMERA_ENTRY_FIELDS_H

#include <json-c/json.h>
#include <stddef.h>

#include "core/reply_view.h"

// One field: a 32-bit number, or a text of `size` bytes read within its field (and within the
// payload). An ASCII text with any byte of 128 or above is answered as "".
enum class EntryFieldKind { Number, Text, AsciiText };
struct EntryField {
    const char *key;
    int offset;  // within the entry
    int size;    // texts: the bytes of the field, NUL included
    EntryFieldKind kind;
};
#define ENTRY_NUMBER(Entry, member) \
    EntryField { #member, static_cast<int>(offsetof(Entry, member)), 4, EntryFieldKind::Number }
#define ENTRY_TEXT(Entry, member)                                                                  \
    EntryField {                                                                                   \
        #member, static_cast<int>(offsetof(Entry, member)), static_cast<int>(sizeof(Entry::member)), \
            EntryFieldKind::Text                                                                   \
    }
#define ENTRY_ASCII(Entry, member)                                                                 \
    EntryField {                                                                                   \
        #member, static_cast<int>(offsetof(Entry, member)), static_cast<int>(sizeof(Entry::member)), \
            EntryFieldKind::AsciiText                                                              \
    }

// Adds the fields of the entry at byte `base` to the object, in their order.
void add_entry_fields(json_object *object, const ReplyView &reply, long base, const EntryField *fields, int count);

// Adds `count` entries of entry_size bytes, from byte `start` on, to the array: one object each.
void add_entries(json_object *array, const ReplyView &reply, long start, int entry_size, int count,
                 const EntryField *fields, int field_count);

// Stores the fields' keys of the request into a record of `size` bytes: numbers as given (a
// missing one stores 0), texts cut to their field (a missing one stores "").
void store_entry_fields(json_object *request, void *record, size_t size, const EntryField *fields, int count);

// Number of whole entries of entry_size bytes from byte `start` of the payload, at most `limit`.
int whole_entries(const ReplyView &reply, long start, int entry_size, int limit);

#endif
