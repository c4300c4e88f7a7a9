// Configuration database library: records, lists and schedules of every declared kind, each one
// row of the records table (the kind and keys are bound values; the SQL texts are the same for
// every kind).
#include <string.h>

#include <string>
#include <vector>

#include "platform/qvdb_internal.h"

namespace {

// A doc is merged into the stored one, so keys this build does not declare (written by a newer
// one) survive a read-modify-write; arrays (a list's entries, a schedule's periods) are replaced
// whole. A stored doc that is no JSON object is replaced.
const char kUpsertRecord[] =
    "INSERT INTO records (kind, extra, id, doc) VALUES (?1, ?2, ?3, ?4) ON CONFLICT (kind, extra, id) DO UPDATE "
    "SET doc = CASE WHEN json_valid(doc) THEN json_patch(doc, excluded.doc) ELSE excluded.doc END";
const char kInsertFactoryRecord[] = "INSERT OR IGNORE INTO records (kind, extra, id, doc) VALUES (?1, ?2, ?3, ?4)";
const char kSelectRecord[] = "SELECT doc FROM records WHERE kind = ?1 AND extra = ?2 AND id = ?3";
const char kSelectRecords[] = "SELECT id, doc FROM records WHERE kind = ?1 AND extra = ?2 ORDER BY id LIMIT ?3";
// Lookups over every second key of a kind; ?2 is a JSON path of an integer field ("$.enable").
const char kSelectByText[] =
    "SELECT id, doc FROM records WHERE kind = ?1 AND (?2 IS NULL OR json_extract(doc, ?2) <> 0) AND "
    "json_extract(doc, ?3) = ?4 ORDER BY id LIMIT 1";
const char kSelectByPrefix[] =
    "SELECT id, doc FROM records WHERE kind = ?1 AND (?2 IS NULL OR json_extract(doc, ?2) <> 0) AND "
    "substr(json_extract(doc, ?3), 1, ?5) = substr(?4, 1, ?5) ORDER BY id LIMIT 1";
const char kCountInUse[] = "SELECT count(*) FROM records WHERE kind = ?1 AND (?2 IS NULL OR json_extract(doc, ?2) <> 0)";
const char kKeysInUse[] = "SELECT id FROM records WHERE kind = ?1 AND (?2 IS NULL OR json_extract(doc, ?2) <> 0) ORDER BY id";
const char kSetInteger[] = "UPDATE records SET doc = json_set(doc, ?2, ?3) WHERE kind = ?1 AND id = ?4";

// The connection of db when the table lives in that file and has the expected layout.
QvdbConnection *open_for(const char *db, const QvdbTable &table, QvdbLayout layout) {
    if (table.shape->layout != layout) return nullptr;
    QvdbConnection *connection = qvdb_open(db);
    if (!connection || connection->file != table.shape->file) return nullptr;
    return connection;
}

bool key_in_range(const QvdbShape &shape, int key, int extra) {
    if (key < 0 || key >= shape.key_limit) return false;
    return !shape.extra_column || (extra >= 0 && extra < shape.extra_limit);
}

const QvdbField *key_field(const QvdbShape &shape) { return qvdb_find_field(shape, shape.key_column); }

// Binds kind, second key and key to ?1, ?2, ?3. A kind without a second key has 0 there,
// whatever the caller passed.
void bind_keys(sqlite3_stmt *statement, const QvdbTable &table, int extra, int key) {
    sqlite3_bind_text(statement, 1, table.name, -1, SQLITE_STATIC);
    sqlite3_bind_int(statement, 2, table.shape->extra_column ? extra : 0);
    sqlite3_bind_int(statement, 3, key);
}

std::string json_path(const char *column) { return std::string("$.") + column; }

// An integer field of the shape (not an array), or null.
const QvdbField *integer_field(const QvdbShape &shape, const char *column) {
    const QvdbField *field = qvdb_find_field(shape, column);
    if (!field || field->type == QvdbType::Text || field->type == QvdbType::Double || field->type == QvdbType::Int32Array)
        return nullptr;
    return field;
}

// Binds the path of the optional in-use column to ?2 (NULL: every row counts).
void bind_in_use(sqlite3_stmt *statement, const std::string &path) {
    if (path.empty()) sqlite3_bind_null(statement, 2);
    else sqlite3_bind_text(statement, 2, path.c_str(), -1, SQLITE_TRANSIENT);
}

// Loads the record of the current row (doc in column doc_column) under key; false when the doc
// is damaged (the record is then zeros).
bool load_record(const QvdbShape &shape, sqlite3_stmt *statement, int doc_column, int key, void *record) {
    memset(record, 0, shape.size);
    const char *doc = reinterpret_cast<const char *>(sqlite3_column_text(statement, doc_column));
    size_t length = static_cast<size_t>(sqlite3_column_bytes(statement, doc_column));
    if (!qvdb_document_read(shape, doc, length, record)) {
        memset(record, 0, shape.size);
        return false;
    }
    qvdb_set_field_int(*key_field(shape), record, key);
    return true;
}

// Stores a document under key with the statement's SQL (upsert or factory insert).
bool store_doc(QvdbStatement &insert, const QvdbTable &table, const std::string &doc, int key, int extra) {
    bind_keys(insert.get(), table, extra, key);
    sqlite3_bind_text(insert.get(), 4, doc.data(), static_cast<int>(doc.size()), SQLITE_STATIC);
    return insert.run();
}

bool store_record(QvdbStatement &insert, const QvdbTable &table, const void *record, int key, int extra) {
    std::string doc;
    qvdb_document_write(*table.shape, record, nullptr, doc);
    return store_doc(insert, table, doc, key, extra);
}

// The stored document of key into a statement stepped to its row; false when there is none.
bool select_doc(QvdbStatement &select, const QvdbTable &table, int key, int extra) {
    if (!select) return false;
    bind_keys(select.get(), table, extra, key);
    return sqlite3_step(select.get()) == SQLITE_ROW;
}
const char *doc_text(QvdbStatement &select) { return reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 0)); }
size_t doc_length(QvdbStatement &select) { return static_cast<size_t>(sqlite3_column_bytes(select.get(), 0)); }

// The keys of mask below the limit (and below 64).
std::vector<int> keys_of(uint64_t mask, int limit) {
    std::vector<int> keys;
    for (int key = 0; key < 64 && key < limit; key++)
        if (mask & (1ULL << key)) keys.push_back(key);
    return keys;
}

// Stores one document under each of the keys, in one transaction.
int store_doc_under(const char *db, QvdbConnection *connection, const QvdbTable &table, const std::string &doc,
                    const std::vector<int> &keys, int extra) {
    DbTransaction transaction(db);
    QvdbStatement insert(connection, kUpsertRecord);
    if (!transaction.ok() || !insert) return -1;
    for (int key : keys)
        if (!store_doc(insert, table, doc, key, extra)) transaction.fail();
    return transaction.commit();
}

// Stores records[key] under each key of mask (below count and the key limit), its key field set
// to that key.
int store_record_for_keys(const char *db, const QvdbTable &table, const void *const *records, int count,
                          uint64_t mask, int extra) {
    const QvdbShape &shape = *table.shape;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection || !key_field(shape) || !key_in_range(shape, 0, extra)) return -1;
    DbTransaction transaction(db);
    QvdbStatement insert(connection, kUpsertRecord);
    if (!transaction.ok() || !insert) return -1;
    std::vector<unsigned char> copy(shape.size);
    for (int key : keys_of(mask, count < shape.key_limit ? count : shape.key_limit)) {
        memcpy(copy.data(), records[key], shape.size);
        qvdb_set_field_int(*key_field(shape), copy.data(), key);
        if (!store_record(insert, table, copy.data(), key, extra)) transaction.fail();
    }
    return transaction.commit();
}

// A list's document: at most the shape's entries.
std::string list_doc(const QvdbShape &shape, const void *entries, int count) {
    std::string doc;
    qvdb_list_document_write(shape, entries, count < shape.slot_limit ? count : shape.slot_limit, doc);
    return doc;
}

std::string schedule_doc(const WeeklySchedule &schedule) {
    std::string doc;
    qvdb_schedule_document_write(schedule, doc);
    return doc;
}

}  // namespace

bool qvdb_store_factory_record(QvdbConnection *connection, const QvdbTable &table, int key, int extra) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *key_column = key_field(shape);
    if (!key_column) return false;
    std::vector<unsigned char> record(shape.size, 0);
    qvdb_set_field_int(*key_column, record.data(), key);
    if (shape.factory_fill) shape.factory_fill(record.data(), key, extra);
    qvdb_set_field_int(*key_column, record.data(), key);
    QvdbStatement insert(connection, kInsertFactoryRecord);
    return insert && store_record(insert, table, record.data(), key, extra);
}

// ----- records -----

int qvdb_read_record(const char *db, const QvdbTable &table, void *record, int key, int extra) {
    const QvdbShape &shape = *table.shape;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection || !record || !key_field(shape) || !key_in_range(shape, key, extra)) return -1;
    QvdbStatement select(connection, kSelectRecord);
    if (!select_doc(select, table, key, extra)) return -1;
    return load_record(shape, select.get(), 0, key, record) ? 0 : -1;
}

int qvdb_read_records(const char *db, const QvdbTable &table, void *array, int capacity, int *count, int extra) {
    const QvdbShape &shape = *table.shape;
    if (count) *count = 0;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection || !array || !count || capacity < 0 || !key_field(shape) || !key_in_range(shape, 0, extra))
        return -1;
    QvdbStatement select(connection, kSelectRecords);
    if (!select) return -1;
    bind_keys(select.get(), table, extra, capacity);
    unsigned char *bytes = static_cast<unsigned char *>(array);
    int rc = SQLITE_DONE;
    while (*count < capacity && (rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        void *record = bytes + static_cast<size_t>(*count) * shape.size;
        if (!load_record(shape, select.get(), 1, sqlite3_column_int(select.get(), 0), record)) return -1;
        (*count)++;
    }
    return *count == capacity || rc == SQLITE_DONE ? 0 : -1;
}

int qvdb_write_record(const char *db, const QvdbTable &table, const void *record, int extra) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *key = key_field(shape);
    if (!record || !key) return -1;
    int64_t id = qvdb_field_int(*key, record);
    if (id < 0 || id >= shape.key_limit || !key_in_range(shape, 0, extra)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    DbTransaction transaction(db);
    QvdbStatement insert(connection, kUpsertRecord);
    if (!transaction.ok() || !insert) return -1;
    if (!store_record(insert, table, record, static_cast<int>(id), extra)) transaction.fail();
    return transaction.commit();
}

int qvdb_write_records(const char *db, const QvdbTable &table, const void *array, int count, uint64_t mask,
                       int extra) {
    if (!array || count < 0) return -1;
    std::vector<const void *> records;
    const unsigned char *bytes = static_cast<const unsigned char *>(array);
    for (int i = 0; i < count && i < 64; i++) records.push_back(bytes + static_cast<size_t>(i) * table.shape->size);
    return store_record_for_keys(db, table, records.data(), static_cast<int>(records.size()), mask, extra);
}

int qvdb_copy_record(const char *db, const QvdbTable &table, const void *record, uint64_t mask, int extra) {
    if (!record) return -1;
    std::vector<const void *> records(64, record);
    return store_record_for_keys(db, table, records.data(), 64, mask, extra);
}

int qvdb_read_record_by_text(const char *db, const QvdbTable &table, void *record, const char *column,
                             const char *text, int prefix, const char *in_use_column) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *field = qvdb_find_field(shape, column);
    if (!field || field->type != QvdbType::Text || !text || !record || prefix < 0) return -1;
    if (in_use_column && !integer_field(shape, in_use_column)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection || !key_field(shape)) return -1;
    QvdbStatement select(connection, prefix > 0 ? kSelectByPrefix : kSelectByText);
    if (!select) return -1;
    sqlite3_bind_text(select.get(), 1, table.name, -1, SQLITE_STATIC);
    bind_in_use(select.get(), in_use_column ? json_path(in_use_column) : "");
    sqlite3_bind_text(select.get(), 3, json_path(column).c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(select.get(), 4, text, -1, SQLITE_TRANSIENT);
    if (prefix > 0) sqlite3_bind_int(select.get(), 5, prefix);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return -1;
    return load_record(shape, select.get(), 1, sqlite3_column_int(select.get(), 0), record) ? 0 : -1;
}

int qvdb_count_records(const char *db, const QvdbTable &table, const char *in_use_column, int *count) {
    if (!count) return -1;
    *count = 0;
    if (in_use_column && !integer_field(*table.shape, in_use_column)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    QvdbStatement select(connection, kCountInUse);
    if (!select) return -1;
    sqlite3_bind_text(select.get(), 1, table.name, -1, SQLITE_STATIC);
    bind_in_use(select.get(), in_use_column ? json_path(in_use_column) : "");
    if (sqlite3_step(select.get()) != SQLITE_ROW) return -1;
    *count = sqlite3_column_int(select.get(), 0);
    return 0;
}

int qvdb_free_key(const char *db, const QvdbTable &table, const char *in_use_column) {
    const QvdbShape &shape = *table.shape;
    if (in_use_column && !integer_field(shape, in_use_column)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    QvdbStatement used(connection, kKeysInUse);
    if (!used) return -1;
    sqlite3_bind_text(used.get(), 1, table.name, -1, SQLITE_STATIC);
    bind_in_use(used.get(), in_use_column ? json_path(in_use_column) : "");
    int key = 0;
    while (sqlite3_step(used.get()) == SQLITE_ROW) {
        int stored = sqlite3_column_int(used.get(), 0);
        if (stored > key) break;
        if (stored == key) key++;
    }
    return key < shape.key_limit ? key : -1;
}

int qvdb_set_column_int(const char *db, const QvdbTable &table, const char *column, int value, uint64_t mask,
                        const char *key_column) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *field = integer_field(shape, column);
    if (!field || !key_column || strcmp(key_column, shape.key_column) != 0 || field == key_field(shape)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    DbTransaction transaction(db);
    QvdbStatement update(connection, kSetInteger);
    if (!transaction.ok() || !update) return -1;
    std::string path = json_path(column);
    for (int key = 0; key < 64 && key < shape.key_limit; key++) {
        if (!(mask & (1ULL << key))) continue;
        sqlite3_bind_text(update.get(), 1, table.name, -1, SQLITE_STATIC);
        sqlite3_bind_text(update.get(), 2, path.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int(update.get(), 3, value);
        sqlite3_bind_int(update.get(), 4, key);
        if (!update.run()) transaction.fail();
    }
    return transaction.commit();
}

// ----- lists -----

int qvdb_read_list(const char *db, const QvdbTable &table, void *entries, int capacity, int *count, int owner,
                   int extra) {
    const QvdbShape &shape = *table.shape;
    if (count) *count = 0;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::List);
    const QvdbField *owner_field = key_field(shape);
    if (!connection || !entries || !count || capacity < 0 || !owner_field || !key_in_range(shape, owner, extra))
        return -1;
    unsigned char *bytes = static_cast<unsigned char *>(entries);
    memset(bytes, 0, static_cast<size_t>(capacity) * shape.size);
    QvdbStatement select(connection, kSelectRecord);
    if (!select) return -1;
    if (!select_doc(select, table, owner, extra)) return 0;  // an owner without a list has an empty one
    int limit = capacity < shape.slot_limit ? capacity : shape.slot_limit;
    if (!qvdb_list_document_read(shape, doc_text(select), doc_length(select), bytes, limit, count)) {
        memset(bytes, 0, static_cast<size_t>(capacity) * shape.size);
        *count = 0;
        return -1;
    }
    for (int i = 0; i < *count; i++) qvdb_set_field_int(*owner_field, bytes + static_cast<size_t>(i) * shape.size, owner);
    return 0;
}

int qvdb_write_list(const char *db, const QvdbTable &table, const void *entries, int count, int owner, int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::List);
    if (!connection || !entries || count < 0 || !key_field(*table.shape) || !key_in_range(*table.shape, owner, extra))
        return -1;
    return store_doc_under(db, connection, table, list_doc(*table.shape, entries, count), {owner}, extra);
}

int qvdb_copy_list(const char *db, const QvdbTable &table, const void *entries, int count, uint64_t mask,
                   int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::List);
    if (!connection || !entries || count < 0 || !key_field(*table.shape) || !key_in_range(*table.shape, 0, extra))
        return -1;
    return store_doc_under(db, connection, table, list_doc(*table.shape, entries, count),
                           keys_of(mask, table.shape->key_limit), extra);
}

// ----- schedules -----

int qvdb_read_schedule(const char *db, const QvdbTable &table, WeeklySchedule *schedule, int channel, int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Schedule);
    if (!connection || !schedule || !key_in_range(*table.shape, channel, extra)) return -1;
    memset(schedule, 0, sizeof *schedule);
    QvdbStatement select(connection, kSelectRecord);
    if (!select) return -1;
    if (!select_doc(select, table, channel, extra)) return 0;  // a channel without periods has an empty schedule
    if (qvdb_schedule_document_read(doc_text(select), doc_length(select), schedule)) return 0;
    memset(schedule, 0, sizeof *schedule);
    return -1;
}

int qvdb_write_schedule(const char *db, const QvdbTable &table, const WeeklySchedule *schedule, int channel,
                        int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Schedule);
    if (!connection || !schedule || !key_in_range(*table.shape, channel, extra)) return -1;
    return store_doc_under(db, connection, table, schedule_doc(*schedule), {channel}, extra);
}

int qvdb_copy_schedule(const char *db, const QvdbTable &table, const WeeklySchedule *schedule, uint64_t mask,
                       int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Schedule);
    if (!connection || !schedule || !key_in_range(*table.shape, 0, extra)) return -1;
    return store_doc_under(db, connection, table, schedule_doc(*schedule), keys_of(mask, table.shape->key_limit),
                           extra);
}
