// Database table of the licence-plate lists (plate file): entries found by their plate text.
#include "core/qvdb_anpr.h"

#include <string.h>

#include <vector>

#include "core/qvdb_text_keys.h"

namespace {

// A stored entry: the library's own row key, then the entry.
struct AnprListRow {
    int32_t id;
    AnprListEntry entry;
};

const QvdbField kAnprListFields[] = {
    QVDB_FIELD(AnprListRow, id, "id"),
    QVDB_FIELD(AnprListRow, entry.type, "type"),
    QVDB_FIELD(AnprListRow, entry.plate, "plate"),
};
constexpr int kRowKeyLimit = 0x7fffffff;
const QvdbShape kAnprListShape = qvdb_record_shape(kQvdbAnpr, sizeof(AnprListRow), QVDB_FIELDS(kAnprListFields),
                                                   "id", kRowKeyLimit, 0);
QVDB_TABLE(kAnprListTable, "anpr_list", kAnprListShape);

constexpr int kRowsPerStep = 512;

// Runs a text-keyed batch over the entries, kRowsPerStep rows at a time, in one transaction.
int run_batch(const char *db, const AnprListEntry *entries, int count,
              int (*batch)(const char *, const QvdbTable &, const char *, const void *, int)) {
    if (!entries || count < 0) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    std::vector<AnprListRow> rows(count < kRowsPerStep ? count : kRowsPerStep);
    for (int done = 0; done < count;) {
        int step = count - done < kRowsPerStep ? count - done : kRowsPerStep;
        for (int i = 0; i < step; i++) {
            rows[i].id = 0;
            rows[i].entry = entries[done + i];
        }
        if (batch(db, kAnprListTable, "plate", rows.data(), step) != 0) return -1;
        done += step;
    }
    return transaction.commit();
}

}  // namespace

int write_anpr_list_replace_batch(const char *db, const AnprListEntry *entries, int count) {
    return run_batch(db, entries, count, qvdb_replace_records_by_text);
}

int delete_anpr_lists(const char *db, const AnprListEntry *entries, int count) {
    return run_batch(db, entries, count, qvdb_delete_records_by_text);
}

int delete_anpr_list(const char *db, const AnprListEntry *entry) { return delete_anpr_lists(db, entry, 1); }

int read_anpr_list_plate(const char *db, AnprListEntry *found, const char *plate) {
    if (!found) return -1;
    memset(found, 0, sizeof *found);
    AnprListRow row;
    memset(&row, 0, sizeof row);
    if (!plate || qvdb_find_record_by_text(db, kAnprListTable, "plate", plate, &row) != 0) return -1;
    *found = row.entry;
    return 0;
}

int update_anpr_list(const char *db, const AnprListEntry *entry) { return write_anpr_list_replace_batch(db, entry, 1); }

int write_anpr_list(const char *db, const AnprListEntry *entry) { return write_anpr_list_replace_batch(db, entry, 1); }
