// Configuration database library: generic record, list and schedule rows built from the
// registered field tables (the SQL text is generated; values are always bound).
#include <string.h>

#include <string>
#include <vector>

#include "platform/qvdb_internal.h"

namespace {

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

bool is_key_field(const QvdbShape &shape, const QvdbField &field) {
    return strcmp(field.column, shape.key_column) == 0;
}

bool is_array(const QvdbField &field) { return field.type == QvdbType::Int32Array; }

// Fields held in columns of the table itself: arrays have child rows, and lists keep the
// owner field as their key.
bool in_row(const QvdbShape &shape, const QvdbField &field) {
    return !is_array(field) && !(shape.layout == QvdbLayout::List && is_key_field(shape, field));
}

// "a", "b", "c" of the fields held in the row.
std::string field_list(const QvdbShape &shape) {
    std::string list;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (!in_row(shape, shape.fields[i])) continue;
        list += (list.empty() ? "" : ", ") + qvdb_quote(shape.fields[i].column);
    }
    return list;
}

bool shared(const QvdbTable &table) { return qvdb_shared_table(*table.shape) != nullptr; }

// The columns that come before the key: the name of a table in a shared table, the second key.
// "name, extra, " with its values "?, ?, " (empty when there are none).
std::string scope_columns(const QvdbTable &table) {
    std::string columns = shared(table) ? "\"name\", " : "";
    if (table.shape->extra_column) columns += qvdb_quote(table.shape->extra_column) + ", ";
    return columns;
}
std::string scope_values(const QvdbTable &table) {
    return std::string(shared(table) ? "?, " : "") + (table.shape->extra_column ? "?, " : "");
}

// "WHERE name = ? AND extra = ? AND key = ?" (each part when it applies).
std::string key_condition(const QvdbTable &table, bool with_key) {
    const QvdbShape &shape = *table.shape;
    std::string condition = shared(table) ? "\"name\" = ?" : "";
    if (shape.extra_column) condition += (condition.empty() ? "" : " AND ") + qvdb_quote(shape.extra_column) + " = ?";
    if (with_key) condition += (condition.empty() ? "" : " AND ") + qvdb_quote(shape.key_column) + " = ?";
    return condition.empty() ? "" : " WHERE " + condition;
}

// "name = :table AND " for a table in a shared table (bound by bind_name), else "".
std::string name_condition(const QvdbTable &table) { return shared(table) ? "\"name\" = :table AND " : ""; }
void bind_name(sqlite3_stmt *statement, const QvdbTable &table) {
    int index = sqlite3_bind_parameter_index(statement, ":table");
    if (index > 0) sqlite3_bind_text(statement, index, table.name, -1, SQLITE_STATIC);
}

// Binds name, extra and key (those that apply) from index 1; returns the next index.
int bind_keys(sqlite3_stmt *statement, const QvdbTable &table, int key, int extra, bool with_key) {
    int index = 1;
    if (shared(table)) sqlite3_bind_text(statement, index++, table.name, -1, SQLITE_STATIC);
    if (table.shape->extra_column) sqlite3_bind_int(statement, index++, extra);
    if (with_key) sqlite3_bind_int(statement, index++, key);
    return index;
}

int record_key(const QvdbShape &shape, const void *record) {
    const QvdbField *key = qvdb_find_field(shape, shape.key_column);
    return key ? static_cast<int>(qvdb_field_int(*key, record)) : -1;
}

bool load_arrays(QvdbConnection *connection, const QvdbTable &table, void *record, int extra) {
    const QvdbShape &shape = *table.shape;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (!is_array(field)) continue;
        QvdbStatement select(connection, "SELECT idx, value FROM " + qvdb_quote(qvdb_child_table(table, field).c_str()) +
                                             key_condition(table, true));
        if (!select) return false;
        bind_keys(select.get(), table, record_key(shape, record), extra, true);
        int32_t *values = reinterpret_cast<int32_t *>(static_cast<char *>(record) + field.offset);
        int64_t length = field.size / sizeof(int32_t);
        while (sqlite3_step(select.get()) == SQLITE_ROW) {
            int64_t index = sqlite3_column_int64(select.get(), 0);
            if (index >= 0 && index < length) values[index] = static_cast<int32_t>(sqlite3_column_int64(select.get(), 1));
        }
    }
    return true;
}

bool store_arrays(QvdbConnection *connection, const QvdbTable &table, const void *record, int extra) {
    const QvdbShape &shape = *table.shape;
    int key = record_key(shape, record);
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (!is_array(field)) continue;
        std::string child = qvdb_quote(qvdb_child_table(table, field).c_str());
        QvdbStatement erase(connection, "DELETE FROM " + child + key_condition(table, true));
        QvdbStatement insert(connection, "INSERT INTO " + child + " (" + scope_columns(table) +
                                             qvdb_quote(shape.key_column) + ", idx, value) VALUES (" +
                                             scope_values(table) + "?, ?, ?)");
        if (!erase || !insert) return false;
        bind_keys(erase.get(), table, key, extra, true);
        if (!erase.run()) return false;
        const int32_t *values = reinterpret_cast<const int32_t *>(static_cast<const char *>(record) + field.offset);
        for (uint32_t index = 0; index < field.size / sizeof(int32_t); index++) {
            if (values[index] == 0) continue;
            int next = bind_keys(insert.get(), table, key, extra, true);
            sqlite3_bind_int(insert.get(), next++, static_cast<int>(index));
            sqlite3_bind_int(insert.get(), next, values[index]);
            if (!insert.run()) return false;
        }
    }
    return true;
}

bool load_record(QvdbConnection *connection, const QvdbTable &table, sqlite3_stmt *statement, void *record,
                 int extra) {
    const QvdbShape &shape = *table.shape;
    memset(record, 0, shape.size);
    int column = 0;
    for (uint32_t i = 0; i < shape.field_count; i++)
        if (in_row(shape, shape.fields[i])) qvdb_load_field(statement, column++, shape.fields[i], record);
    return load_arrays(connection, table, record, extra);
}

std::string select_record_sql(const QvdbTable &table) {
    return "SELECT " + field_list(*table.shape) + " FROM " + qvdb_storage(table);
}

// INSERT OR REPLACE of a whole record (name and extra first).
std::string replace_record_sql(const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    std::string columns = scope_columns(table);
    std::string values = scope_values(table);
    columns += field_list(shape);
    bool first = true;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (!in_row(shape, shape.fields[i])) continue;
        values += first ? "?" : ", ?";
        first = false;
    }
    return "INSERT OR REPLACE INTO " + qvdb_storage(table) + " (" + columns + ") VALUES (" + values + ")";
}

bool replace_record(QvdbConnection *connection, const QvdbTable &table, QvdbStatement &insert, const void *record,
                    int extra) {
    const QvdbShape &shape = *table.shape;
    int index = bind_keys(insert.get(), table, 0, extra, false);
    for (uint32_t i = 0; i < shape.field_count; i++)
        if (in_row(shape, shape.fields[i])) qvdb_bind_field(insert.get(), index++, shape.fields[i], record);
    return insert.run() && store_arrays(connection, table, record, extra);
}

// Stores record under each key of mask (below limit), with its key field replaced.
int store_record_for_keys(const char *db, const QvdbTable &table, const void *const *records, int count,
                          uint64_t mask, int extra) {
    const QvdbShape &shape = *table.shape;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    const QvdbField *key_field = qvdb_find_field(shape, shape.key_column);
    if (!connection || !key_field || !key_in_range(shape, 0, extra)) return -1;
    DbTransaction transaction(db);
    QvdbStatement insert(connection, replace_record_sql(table));
    if (!transaction.ok() || !insert) return -1;
    std::vector<unsigned char> copy(shape.size);
    for (int key = 0; key < count && key < shape.key_limit && key < 64; key++) {
        if (!(mask & (1ULL << key))) continue;
        memcpy(copy.data(), records[key], shape.size);
        qvdb_set_field_int(*key_field, copy.data(), key);
        if (!replace_record(connection, table, insert, copy.data(), extra)) transaction.fail();
    }
    return transaction.commit();
}

// ----- lists -----

std::string insert_entry_sql(const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    std::string columns = scope_columns(table) + qvdb_quote(shape.key_column) + ", \"slot\"";
    std::string values = scope_values(table) + "?, ?";
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (is_key_field(shape, shape.fields[i])) continue;
        columns += ", " + qvdb_quote(shape.fields[i].column);
        values += ", ?";
    }
    return "INSERT INTO " + qvdb_storage(table) + " (" + columns + ") VALUES (" + values + ")";
}

bool store_list(QvdbConnection *connection, const QvdbTable &table, const void *entries, int count, int owner,
                int extra) {
    const QvdbShape &shape = *table.shape;
    QvdbStatement erase(connection, "DELETE FROM " + qvdb_storage(table) + key_condition(table, true));
    QvdbStatement insert(connection, insert_entry_sql(table));
    if (!erase || !insert) return false;
    bind_keys(erase.get(), table, owner, extra, true);
    if (!erase.run()) return false;
    const unsigned char *bytes = static_cast<const unsigned char *>(entries);
    for (int slot = 0; slot < count && slot < shape.slot_limit; slot++) {
        const void *entry = bytes + static_cast<size_t>(slot) * shape.size;
        int index = bind_keys(insert.get(), table, owner, extra, true);
        sqlite3_bind_int(insert.get(), index++, slot);
        for (uint32_t i = 0; i < shape.field_count; i++) {
            if (is_key_field(shape, shape.fields[i])) continue;
            qvdb_bind_field(insert.get(), index++, shape.fields[i], entry);
        }
        if (!insert.run()) return false;
    }
    return true;
}

// ----- schedules -----

bool slot_used(const SchedulePeriod &period) {
    return period.startTime[0] || period.endTime[0] || period.actionType != 0;
}

bool store_schedule(QvdbConnection *connection, const QvdbTable &table, const WeeklySchedule &schedule,
                    int channel, int extra) {
    std::string name = qvdb_storage(table);
    QvdbStatement erase(connection, "DELETE FROM " + name + key_condition(table, true));
    QvdbStatement insert(connection, "INSERT INTO " + name + " (" + scope_columns(table) +
                                         "channel, day, slot, start_time, end_time, action_type, day_flag) "
                                         "VALUES (" + scope_values(table) + "?, ?, ?, ?, ?, ?, ?)");
    if (!erase || !insert) return false;
    bind_keys(erase.get(), table, channel, extra, true);
    if (!erase.run()) return false;
    for (int day = 0; day < 8; day++) {
        const ScheduleDay &periods = schedule.day[day];
        bool any_used = false;
        for (const SchedulePeriod &period : periods.period) any_used = any_used || slot_used(period);
        for (int slot = 0; slot < 48; slot++) {
            const SchedulePeriod &period = periods.period[slot];
            // A day flag without periods is kept in an empty slot-0 row.
            if (!slot_used(period) && (any_used || slot != 0 || periods.dayFlag == 0)) continue;
            int index = bind_keys(insert.get(), table, channel, extra, true);
            sqlite3_bind_int(insert.get(), index++, day);
            sqlite3_bind_int(insert.get(), index++, slot);
            sqlite3_bind_text(insert.get(), index++, period.startTime, static_cast<int>(strnlen(period.startTime, 32)),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(insert.get(), index++, period.endTime, static_cast<int>(strnlen(period.endTime, 32)),
                              SQLITE_TRANSIENT);
            sqlite3_bind_int(insert.get(), index++, period.actionType);
            sqlite3_bind_int(insert.get(), index++, periods.dayFlag);
            if (!insert.run()) return false;
        }
    }
    return true;
}

void copy_column_text(sqlite3_stmt *statement, int index, char *out, size_t size) {
    memset(out, 0, size);
    const unsigned char *text = sqlite3_column_text(statement, index);
    size_t length = static_cast<size_t>(sqlite3_column_bytes(statement, index));
    if (text) memcpy(out, text, length < size - 1 ? length : size - 1);
}

}  // namespace

bool qvdb_store_factory_record(QvdbConnection *connection, const QvdbTable &table, int key, int extra) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *key_field = qvdb_find_field(shape, shape.key_column);
    if (!shape.factory_fill || !key_field) return true;
    std::vector<unsigned char> record(shape.size, 0);
    qvdb_set_field_int(*key_field, record.data(), key);
    shape.factory_fill(record.data(), key, extra);
    qvdb_set_field_int(*key_field, record.data(), key);
    QvdbStatement insert(connection, replace_record_sql(table));
    return insert && replace_record(connection, table, insert, record.data(), extra);
}

// ----- records -----

int qvdb_read_record(const char *db, const QvdbTable &table, void *record, int key, int extra) {
    const QvdbShape &shape = *table.shape;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection || !record || !key_in_range(shape, key, extra)) return -1;
    QvdbStatement select(connection, select_record_sql(table) + key_condition(table, true));
    if (!select) return -1;
    bind_keys(select.get(), table, key, extra, true);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return -1;
    return load_record(connection, table, select.get(), record, extra) ? 0 : -1;
}

int qvdb_read_records(const char *db, const QvdbTable &table, void *array, int capacity, int *count, int extra) {
    const QvdbShape &shape = *table.shape;
    if (count) *count = 0;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection || !array || !count || capacity < 0 || !key_in_range(shape, 0, extra)) return -1;
    QvdbStatement select(connection, select_record_sql(table) + key_condition(table, false) + " ORDER BY " +
                                         qvdb_quote(shape.key_column) + " LIMIT ?");
    if (!select) return -1;
    int index = bind_keys(select.get(), table, 0, extra, false);
    sqlite3_bind_int(select.get(), index, capacity);
    unsigned char *bytes = static_cast<unsigned char *>(array);
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW && *count < capacity) {
        if (!load_record(connection, table, select.get(), bytes + static_cast<size_t>(*count) * shape.size, extra))
            return -1;
        (*count)++;
    }
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? 0 : -1;
}

int qvdb_write_record(const char *db, const QvdbTable &table, const void *record, int extra) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *key_field = qvdb_find_field(shape, shape.key_column);
    if (!record || !key_field) return -1;
    int64_t key = qvdb_field_int(*key_field, record);
    if (key < 0 || key >= shape.key_limit || !key_in_range(shape, 0, extra)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    DbTransaction transaction(db);
    QvdbStatement insert(connection, replace_record_sql(table));
    if (!transaction.ok() || !insert) return -1;
    if (!replace_record(connection, table, insert, record, extra)) transaction.fail();
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

// An integer column of the shape (not the key, not an array), or null.
const QvdbField *integer_field(const QvdbShape &shape, const char *column) {
    const QvdbField *field = qvdb_find_field(shape, column);
    return field && field->type != QvdbType::Text && field->type != QvdbType::Double && !is_array(*field) ? field
                                                                                                       : nullptr;
}

int qvdb_read_record_by_text(const char *db, const QvdbTable &table, void *record, const char *column,
                             const char *text, int prefix, const char *in_use_column) {
    const QvdbShape &shape = *table.shape;
    const QvdbField *field = qvdb_find_field(shape, column);
    if (!field || field->type != QvdbType::Text || !text || !record || prefix < 0) return -1;
    if (in_use_column && !integer_field(shape, in_use_column)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    std::string condition = name_condition(table) + (in_use_column ? qvdb_quote(in_use_column) + " <> 0 AND " : "");
    condition += prefix > 0 ? "substr(" + qvdb_quote(column) + ", 1, ?1) = substr(?2, 1, ?1)" : qvdb_quote(column) + " = ?2";
    QvdbStatement select(connection, select_record_sql(table) + " WHERE " + condition + " ORDER BY " +
                                         qvdb_quote(shape.key_column) + " LIMIT 1");
    if (!select) return -1;
    if (prefix > 0) sqlite3_bind_int(select.get(), 1, prefix);
    sqlite3_bind_text(select.get(), 2, text, -1, SQLITE_TRANSIENT);
    bind_name(select.get(), table);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return -1;
    return load_record(connection, table, select.get(), record, 0) ? 0 : -1;
}

int qvdb_count_records(const char *db, const QvdbTable &table, const char *in_use_column, int *count) {
    if (!count) return -1;
    *count = 0;
    if (in_use_column && !integer_field(*table.shape, in_use_column)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    QvdbStatement select(connection, "SELECT count(*) FROM " + qvdb_storage(table) + " WHERE " + name_condition(table) +
                                         (in_use_column ? qvdb_quote(in_use_column) + " <> 0" : "1"));
    if (!select) return -1;
    bind_name(select.get(), table);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return -1;
    *count = sqlite3_column_int(select.get(), 0);
    return 0;
}

int qvdb_free_key(const char *db, const QvdbTable &table, const char *in_use_column) {
    const QvdbShape &shape = *table.shape;
    if (in_use_column && !integer_field(shape, in_use_column)) return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    QvdbStatement used(connection, "SELECT " + qvdb_quote(shape.key_column) + " FROM " + qvdb_storage(table) +
                                       " WHERE " + name_condition(table) +
                                       (in_use_column ? qvdb_quote(in_use_column) + " <> 0" : "1") + " ORDER BY " +
                                       qvdb_quote(shape.key_column));
    if (!used) return -1;
    bind_name(used.get(), table);
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
    const QvdbField *field = qvdb_find_field(shape, column);
    if (!field || field->type == QvdbType::Text || field->type == QvdbType::Double || is_array(*field) || !key_column ||
        strcmp(key_column, shape.key_column) != 0 ||
        is_key_field(shape, *field))
        return -1;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Record);
    if (!connection) return -1;
    DbTransaction transaction(db);
    QvdbStatement update(connection, "UPDATE " + qvdb_storage(table) + " SET " + qvdb_quote(column) + " = ?1 WHERE " +
                                         name_condition(table) + qvdb_quote(shape.key_column) + " = ?2");
    if (!transaction.ok() || !update) return -1;
    for (int key = 0; key < 64 && key < shape.key_limit; key++) {
        if (!(mask & (1ULL << key))) continue;
        sqlite3_bind_int(update.get(), 1, value);
        sqlite3_bind_int(update.get(), 2, key);
        bind_name(update.get(), table);
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
    const QvdbField *owner_field = qvdb_find_field(shape, shape.key_column);
    if (!connection || !entries || !count || capacity < 0 || !owner_field || !key_in_range(shape, owner, extra))
        return -1;
    QvdbStatement select(connection, "SELECT " + field_list(shape) + " FROM " + qvdb_storage(table) +
                                         key_condition(table, true) + " ORDER BY slot");
    if (!select) return -1;
    bind_keys(select.get(), table, owner, extra, true);
    unsigned char *bytes = static_cast<unsigned char *>(entries);
    memset(bytes, 0, static_cast<size_t>(capacity) * shape.size);
    int limit = capacity < shape.slot_limit ? capacity : shape.slot_limit;
    int rc;
    while (*count < limit && (rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        void *entry = bytes + static_cast<size_t>(*count) * shape.size;
        int column = 0;
        for (uint32_t i = 0; i < shape.field_count; i++)
            if (in_row(shape, shape.fields[i])) qvdb_load_field(select.get(), column++, shape.fields[i], entry);
        qvdb_set_field_int(*owner_field, entry, owner);
        (*count)++;
    }
    return 0;
}

int qvdb_write_list(const char *db, const QvdbTable &table, const void *entries, int count, int owner, int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::List);
    if (!connection || !entries || count < 0 || !key_in_range(*table.shape, owner, extra)) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    if (!store_list(connection, table, entries, count, owner, extra)) transaction.fail();
    return transaction.commit();
}

int qvdb_copy_list(const char *db, const QvdbTable &table, const void *entries, int count, uint64_t mask,
                   int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::List);
    if (!connection || !entries || count < 0 || !key_in_range(*table.shape, 0, extra)) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    for (int owner = 0; owner < 64 && owner < table.shape->key_limit; owner++)
        if ((mask & (1ULL << owner)) && !store_list(connection, table, entries, count, owner, extra)) transaction.fail();
    return transaction.commit();
}

// ----- schedules -----

int qvdb_read_schedule(const char *db, const QvdbTable &table, WeeklySchedule *schedule, int channel, int extra) {
    const QvdbShape &shape = *table.shape;
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Schedule);
    if (!connection || !schedule || !key_in_range(shape, channel, extra)) return -1;
    QvdbStatement select(connection, "SELECT day, slot, start_time, end_time, action_type, day_flag FROM " +
                                         qvdb_storage(table) + key_condition(table, true));
    if (!select) return -1;
    bind_keys(select.get(), table, channel, extra, true);
    memset(schedule, 0, sizeof *schedule);
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        int day = sqlite3_column_int(select.get(), 0);
        int slot = sqlite3_column_int(select.get(), 1);
        if (day < 0 || day >= 8 || slot < 0 || slot >= 48) continue;
        SchedulePeriod &period = schedule->day[day].period[slot];
        copy_column_text(select.get(), 2, period.startTime, sizeof period.startTime);
        copy_column_text(select.get(), 3, period.endTime, sizeof period.endTime);
        period.actionType = sqlite3_column_int(select.get(), 4);
        schedule->day[day].dayFlag = sqlite3_column_int(select.get(), 5);
    }
    return 0;
}

int qvdb_write_schedule(const char *db, const QvdbTable &table, const WeeklySchedule *schedule, int channel,
                        int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Schedule);
    if (!connection || !schedule || !key_in_range(*table.shape, channel, extra)) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    if (!store_schedule(connection, table, *schedule, channel, extra)) transaction.fail();
    return transaction.commit();
}

int qvdb_copy_schedule(const char *db, const QvdbTable &table, const WeeklySchedule *schedule, uint64_t mask,
                       int extra) {
    QvdbConnection *connection = open_for(db, table, QvdbLayout::Schedule);
    if (!connection || !schedule || !key_in_range(*table.shape, 0, extra)) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    for (int channel = 0; channel < 64; channel++)
        if ((mask & (1ULL << channel)) && !store_schedule(connection, table, *schedule, channel, extra))
            transaction.fail();
    return transaction.commit();
}
