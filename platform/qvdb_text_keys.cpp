// Configuration database library: records found by a text column (lookups, replace and delete
// batches). A kind found this way has a partial index on that field of its documents; the kind
// and the column are registered identifiers, so they stand in the SQL text as the index needs.
#include "core/qvdb_text_keys.h"

#include <string.h>

#include <string>
#include <vector>

#include "platform/qvdb_internal.h"

namespace {

// The same upsert as every record write: the document is merged into a stored one.
const char kUpsertRecord[] =
    "INSERT INTO records (kind, extra, id, doc) VALUES (?1, 0, ?2, ?3) ON CONFLICT (kind, extra, id) DO UPDATE "
    "SET doc = CASE WHEN json_valid(doc) THEN json_patch(doc, excluded.doc) ELSE excluded.doc END";
const char kNextKey[] = "SELECT coalesce(max(id) + 1, 0) FROM records WHERE kind = ?1 AND extra = 0";

// A text-keyed kind: a plain record kind (no second key) of the file, column one of its text
// fields.
struct TextKeyed {
    QvdbConnection *connection = nullptr;
    const QvdbTable *table = nullptr;
    const QvdbField *text = nullptr;
    const QvdbField *key = nullptr;
    std::string column;

    TextKeyed(const char *db, const QvdbTable &kind, const char *text_column) {
        const QvdbShape &shape = *kind.shape;
        const QvdbField *field = qvdb_find_field(shape, text_column);
        if (shape.layout != QvdbLayout::Record || shape.extra_column || !field || field->type != QvdbType::Text ||
            !qvdb_valid_identifier(kind.name) || !qvdb_valid_identifier(text_column))
            return;
        QvdbConnection *opened = qvdb_open(db);
        if (!opened || opened->file != shape.file) return;
        connection = opened;
        table = &kind;
        text = field;
        key = qvdb_find_field(shape, shape.key_column);
        column = text_column;
    }
    explicit operator bool() const { return connection && key; }

    // "kind = 'name' AND json_extract(doc, '$.column')": the rows of the kind by their text.
    std::string by_text() const {
        return std::string("kind = '") + table->name + "' AND json_extract(doc, '$." + column + "')";
    }
    // Lookups by the text need the index; the first batch of a file creates it.
    bool ensure_index() const {
        QvdbStatement create(connection, std::string("CREATE INDEX IF NOT EXISTS \"") + table->name + "_by_" + column +
                                             "\" ON records (json_extract(doc, '$." + column + "')) WHERE kind = '" +
                                             table->name + "'");
        return create && create.run();
    }
    std::string text_of(const void *record) const {
        const char *field = static_cast<const char *>(record) + text->offset;
        return std::string(field, strnlen(field, text->size));
    }
};

}  // namespace

int qvdb_replace_records_by_text(const char *db, const QvdbTable &table, const char *column, const void *records,
                                 int count) {
    TextKeyed kind(db, table, column);
    if (!kind || !records || count < 0) return -1;
    const QvdbShape &shape = *table.shape;
    DbTransaction transaction(db);
    if (!transaction.ok() || !kind.ensure_index()) return -1;
    QvdbStatement find(kind.connection, "SELECT id FROM records WHERE " + kind.by_text() + " = ?1 LIMIT 1");
    QvdbStatement upsert(kind.connection, kUpsertRecord);
    QvdbStatement next(kind.connection, kNextKey);
    if (!find || !upsert || !next) return -1;
    sqlite3_bind_text(next.get(), 1, table.name, -1, SQLITE_STATIC);
    if (sqlite3_step(next.get()) != SQLITE_ROW) return -1;
    int64_t free_key = sqlite3_column_int64(next.get(), 0);
    std::vector<unsigned char> copy(shape.size);
    std::string doc;
    const unsigned char *bytes = static_cast<const unsigned char *>(records);
    for (int i = 0; i < count && transaction.ok(); i++) {
        memcpy(copy.data(), bytes + static_cast<size_t>(i) * shape.size, shape.size);
        std::string text = kind.text_of(copy.data());
        sqlite3_bind_text(find.get(), 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        int64_t key = sqlite3_step(find.get()) == SQLITE_ROW ? sqlite3_column_int64(find.get(), 0) : free_key++;
        sqlite3_reset(find.get());
        if (key >= shape.key_limit) {  // no key left
            transaction.fail();
            break;
        }
        qvdb_set_field_int(*kind.key, copy.data(), key);
        doc.clear();
        qvdb_document_write(shape, copy.data(), nullptr, doc);
        sqlite3_bind_text(upsert.get(), 1, table.name, -1, SQLITE_STATIC);
        sqlite3_bind_int64(upsert.get(), 2, key);
        sqlite3_bind_text(upsert.get(), 3, doc.data(), static_cast<int>(doc.size()), SQLITE_STATIC);
        if (!upsert.run()) transaction.fail();
    }
    return transaction.commit();
}

int qvdb_delete_records_by_text(const char *db, const QvdbTable &table, const char *column, const void *records,
                                int count) {
    TextKeyed kind(db, table, column);
    if (!kind || !records || count < 0) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok() || !kind.ensure_index()) return -1;
    QvdbStatement erase(kind.connection, "DELETE FROM records WHERE " + kind.by_text() + " = ?1");
    if (!erase) return -1;
    const unsigned char *bytes = static_cast<const unsigned char *>(records);
    for (int i = 0; i < count && transaction.ok(); i++) {
        std::string text = kind.text_of(bytes + static_cast<size_t>(i) * table.shape->size);
        sqlite3_bind_text(erase.get(), 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        if (!erase.run()) transaction.fail();
    }
    return transaction.commit();
}

int qvdb_find_record_by_text(const char *db, const QvdbTable &table, const char *column, const char *text,
                             void *record) {
    TextKeyed kind(db, table, column);
    if (!kind || !text || !record) return -1;
    QvdbStatement find(kind.connection,
                       "SELECT id, doc FROM records WHERE " + kind.by_text() + " = ?1 ORDER BY id LIMIT 1");
    if (!find) return -1;
    sqlite3_bind_text(find.get(), 1, text, -1, SQLITE_TRANSIENT);
    if (sqlite3_step(find.get()) != SQLITE_ROW) return -1;
    const QvdbShape &shape = *table.shape;
    memset(record, 0, shape.size);
    const char *doc = reinterpret_cast<const char *>(sqlite3_column_text(find.get(), 1));
    if (!qvdb_document_read(shape, doc, static_cast<size_t>(sqlite3_column_bytes(find.get(), 1)), record)) {
        memset(record, 0, shape.size);
        return -1;
    }
    qvdb_set_field_int(*kind.key, record, sqlite3_column_int64(find.get(), 0));
    return 0;
}
