// Configuration database library: records found by a text column (replace and delete batches).
// The SQL text is generated from the table's declaration; values are always bound.
#include "core/qvdb_text_keys.h"

#include <string.h>

#include <string>

#include "platform/qvdb_internal.h"

namespace {

bool has_arrays(const QvdbShape &shape) {
    for (uint32_t i = 0; i < shape.field_count; i++)
        if (shape.fields[i].type == QvdbType::Int32Array) return true;
    return false;
}

// The connection of db when the table is a plain record table of that file and column one of
// its text fields; null otherwise.
QvdbConnection *open_text_keyed(const char *db, const QvdbTable &table, const char *column,
                                const QvdbField **text_field) {
    const QvdbShape &shape = *table.shape;
    *text_field = qvdb_find_field(shape, column);
    if (shape.layout != QvdbLayout::Record || qvdb_shared_table(shape) || shape.extra_column || has_arrays(shape) ||
        !*text_field || (*text_field)->type != QvdbType::Text)
        return nullptr;
    QvdbConnection *connection = qvdb_open(db);
    return connection && connection->file == shape.file ? connection : nullptr;
}

// Lookups by the text need an index on it; the first batch of a file creates it.
bool ensure_text_index(QvdbConnection *connection, const QvdbTable &table, const char *column) {
    std::string index = std::string(table.name) + "_by_" + column;
    QvdbStatement create(connection, "CREATE INDEX IF NOT EXISTS " + qvdb_quote(index.c_str()) + " ON " +
                                         qvdb_storage(table) + " (" + qvdb_quote(column) + ")");
    return create && create.run();
}

// The start of a batch inside the caller's open transaction: the table's connection and text
// field, with the index on the text in place; null when the table is not text-keyed or the
// batch cannot start.
QvdbConnection *start_batch(const char *db, const QvdbTable &table, const char *column, const void *records,
                            int count, const QvdbField **text_field) {
    QvdbConnection *connection = open_text_keyed(db, table, column, text_field);
    if (!connection || !records || count < 0 || !ensure_text_index(connection, table, column)) return nullptr;
    return connection;
}

bool is_key(const QvdbShape &shape, const QvdbField &field) { return strcmp(field.column, shape.key_column) == 0; }

// "SET a = ?, b = ?" and "(key, a, b) VALUES (?, ?, ?)" of the non-key fields.
std::string assignments(const QvdbShape &shape) {
    std::string text;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (is_key(shape, shape.fields[i])) continue;
        text += (text.empty() ? "" : ", ") + qvdb_quote(shape.fields[i].column) + " = ?";
    }
    return text;
}
std::string insert_columns(const QvdbShape &shape) {
    std::string columns = qvdb_quote(shape.key_column), values = "?";
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (is_key(shape, shape.fields[i])) continue;
        columns += ", " + qvdb_quote(shape.fields[i].column);
        values += ", ?";
    }
    return "(" + columns + ") VALUES (" + values + ")";
}

// Binds the non-key fields of record from index 1; returns the next index.
int bind_fields(sqlite3_stmt *statement, const QvdbShape &shape, const void *record, int index) {
    for (uint32_t i = 0; i < shape.field_count; i++)
        if (!is_key(shape, shape.fields[i])) qvdb_bind_field(statement, index++, shape.fields[i], record);
    return index;
}

// The key after the largest stored one (0 for an empty table); -1 on failure.
int64_t next_key(QvdbConnection *connection, const QvdbTable &table) {
    QvdbStatement select(connection, "SELECT coalesce(max(" + qvdb_quote(table.shape->key_column) + ") + 1, 0) FROM " +
                                         qvdb_storage(table));
    if (!select || sqlite3_step(select.get()) != SQLITE_ROW) return -1;
    return sqlite3_column_int64(select.get(), 0);
}

}  // namespace

int qvdb_replace_records_by_text(const char *db, const QvdbTable &table, const char *column, const void *records,
                                 int count) {
    const QvdbShape &shape = *table.shape;
    DbTransaction transaction(db);
    const QvdbField *text_field = nullptr;
    QvdbConnection *connection = transaction.ok() ? start_batch(db, table, column, records, count, &text_field) : nullptr;
    if (!connection) return -1;
    QvdbStatement update(connection, "UPDATE " + qvdb_storage(table) + " SET " + assignments(shape) + " WHERE " +
                                         qvdb_quote(column) + " = ?");
    QvdbStatement insert(connection, "INSERT INTO " + qvdb_storage(table) + " " + insert_columns(shape));
    int64_t key = next_key(connection, table);
    if (!update || !insert || key < 0) return -1;
    const unsigned char *bytes = static_cast<const unsigned char *>(records);
    for (int i = 0; i < count && transaction.ok(); i++) {
        const void *record = bytes + static_cast<size_t>(i) * shape.size;
        int next = bind_fields(update.get(), shape, record, 1);
        qvdb_bind_field(update.get(), next, *text_field, record);
        if (!update.run()) {
            transaction.fail();
            break;
        }
        if (sqlite3_changes(connection->handle) > 0) continue;
        if (key >= shape.key_limit) {  // no key left
            transaction.fail();
            break;
        }
        sqlite3_bind_int64(insert.get(), 1, key++);
        bind_fields(insert.get(), shape, record, 2);
        if (!insert.run()) transaction.fail();
    }
    return transaction.commit();
}

int qvdb_delete_records_by_text(const char *db, const QvdbTable &table, const char *column, const void *records,
                                int count) {
    const QvdbShape &shape = *table.shape;
    DbTransaction transaction(db);
    const QvdbField *text_field = nullptr;
    QvdbConnection *connection = transaction.ok() ? start_batch(db, table, column, records, count, &text_field) : nullptr;
    if (!connection) return -1;
    QvdbStatement erase(connection, "DELETE FROM " + qvdb_storage(table) + " WHERE " + qvdb_quote(column) + " = ?");
    if (!erase) return -1;
    const unsigned char *bytes = static_cast<const unsigned char *>(records);
    for (int i = 0; i < count && transaction.ok(); i++) {
        qvdb_bind_field(erase.get(), 1, *text_field, bytes + static_cast<size_t>(i) * shape.size);
        if (!erase.run()) transaction.fail();
    }
    return transaction.commit();
}
