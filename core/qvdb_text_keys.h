// Records found by a text column instead of their integer key (the licence-plate lists): the
// row key is the library's own, the text is what callers name. Lookups go through an index on
// the text; batches run in one transaction with one prepared statement per kind of step.
#ifndef NVR_CORE_QVDB_TEXT_KEYS_H
#define NVR_CORE_QVDB_TEXT_KEYS_H

#include "core/qvdb.h"

// Stores count records (laid out as the table's records) so that each is the one row whose
// text column holds its text: that row is replaced (keeping its key), or a row with a new key is
// added. The key field of the records is not used. 0 when every record was stored; otherwise
// nothing is stored.
int qvdb_replace_records_by_text(const char *db, const QvdbTable &table, const char *column, const void *records,
                                 int count);

// Deletes the rows whose text column equals the text of one of the count records; 0 on success
// (also when none was stored).
int qvdb_delete_records_by_text(const char *db, const QvdbTable &table, const char *column, const void *records,
                                int count);

// The record whose text column holds text (the first in key order); 0, or -1 when there is none.
int qvdb_find_record_by_text(const char *db, const QvdbTable &table, const char *column, const char *text,
                             void *record);

#endif
