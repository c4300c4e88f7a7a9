// Whole tables of the settings file read into arrays indexed by their records' keys.
#ifndef NVR_CAMERA_KEYED_TABLE_H
#define NVR_CAMERA_KEYED_TABLE_H

#include <stdint.h>
#include <string.h>

#include <vector>

#include "core/qvdb.h"

// Reads every record of a table whose keys are 0 .. count - 1 (count: the table's number of keys)
// and places each at out[key]; a key without a stored record gets a zeroed one with its key set.
// False when the table cannot be read.
template <typename Record>
bool read_keyed_table(int (*read_all)(const char *, Record *, int *, int), int32_t Record::*key, Record *out,
                      int count) {
    std::vector<Record> stored(static_cast<size_t>(count));
    int read = 0;
    memset(static_cast<void *>(out), 0, sizeof(Record) * static_cast<size_t>(count));
    bool readable = read_all(QVDB_PATH, stored.data(), &read, 0) == 0;
    for (int i = 0; readable && i < read && i < count; i++) {
        int32_t k = stored[static_cast<size_t>(i)].*key;
        if (k >= 0 && k < count) out[k] = stored[static_cast<size_t>(i)];
    }
    for (int k = 0; k < count; k++) out[k].*key = k;
    return readable;
}

#endif
