// Configuration database library: table registry, cached connections, schema creation and
// upgrade, and transactions.
#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/devroot.h"
#include "platform/qvdb_internal.h"

namespace {

const QvdbTable *g_tables = nullptr;  // constant-initialised: safe to use from any constructor
int g_schema_upgrades = 0;
constexpr int kBusyTimeoutMs = 10000;

// Connections are per process (a forked child opens its own) and shared by its threads; the
// handles are opened serialised, so the reply thread may use them too.
struct ConnectionCache {
    pid_t owner = 0;
    std::vector<QvdbConnection *> connections;
    std::recursive_mutex lock;
};
ConnectionCache &cache() {
    static ConnectionCache instance;
    return instance;
}

bool file_of(const char *db, QvdbFile *file) {
    if (!db) return false;
    if (strcmp(db, QVDB_PATH) == 0) *file = kQvdbSettings;
    else if (strcmp(db, QVDB_ANPR_PATH) == 0) *file = kQvdbAnpr;
    else if (strcmp(db, QVDB_OEM_PATH) == 0) *file = kQvdbOem;
    else return false;
    return true;
}

// Is this the first registration of its name? Later duplicates are skipped everywhere.
bool first_of_name(const QvdbTable *table) {
    return qvdb_find_table(table->name) == table;
}

// ----- checksum of the declarations: the schema version -----

uint32_t fnv(uint32_t hash, const void *data, size_t length) {
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < length; i++) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}
uint32_t fnv_text(uint32_t hash, const char *text) { return fnv(hash, text ? text : "", strlen(text ? text : "") + 1); }
uint32_t fnv_int(uint32_t hash, int64_t value) { return fnv(hash, &value, sizeof value); }

uint32_t table_checksum(const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    uint32_t hash = fnv_text(2166136261u, table.name);
    hash = fnv_int(hash, static_cast<int>(shape.layout));
    hash = fnv_text(hash, shape.key_column);
    hash = fnv_text(hash, shape.extra_column);
    hash = fnv_int(hash, shape.factory_rows);
    hash = fnv_int(hash, shape.extra_limit);
    for (uint32_t i = 0; i < shape.field_count; i++) {
        hash = fnv_text(hash, shape.fields[i].column);
        hash = fnv_int(hash, static_cast<int>(shape.fields[i].type));
    }
    return hash;
}

// ----- schema text -----

// Identifiers appear bare in the schema unless they are SQL keywords.
std::string ddl_name(const char *name) {
    if (sqlite3_keyword_check(name, static_cast<int>(strlen(name)))) return qvdb_quote(name);
    return name;
}

std::string column_definition(const char *column, QvdbType type, bool key) {
    if (key) return ddl_name(column) + " INTEGER NOT NULL";
    return ddl_name(column) + (type == QvdbType::Text ? " TEXT NOT NULL DEFAULT ''" : " INTEGER NOT NULL DEFAULT 0");
}

bool is_key_column(const std::vector<const char *> &key, const char *column) {
    for (const char *name : key)
        if (strcmp(name, column) == 0) return true;
    return false;
}

struct ColumnInfo {
    const char *name;
    QvdbType type;
};

// Every column of a table in schema order, and its primary key.
void table_columns(const QvdbShape &shape, std::vector<ColumnInfo> &columns, std::vector<const char *> &key) {
    if (shape.extra_column) {
        columns.push_back({shape.extra_column, QvdbType::Int32});
        key.push_back(shape.extra_column);
    }
    if (shape.layout == QvdbLayout::Schedule) {
        columns.insert(columns.end(), {{"channel", QvdbType::Int32},
                                       {"day", QvdbType::Int32},
                                       {"slot", QvdbType::Int32},
                                       {"start_time", QvdbType::Text},
                                       {"end_time", QvdbType::Text},
                                       {"action_type", QvdbType::Int32},
                                       {"day_flag", QvdbType::Int32}});
        key.insert(key.end(), {"channel", "day", "slot"});
        return;
    }
    key.push_back(shape.key_column);
    if (shape.layout == QvdbLayout::List) {
        columns.push_back({shape.key_column, QvdbType::Int32});
        columns.push_back({"slot", QvdbType::Int32});
        key.push_back("slot");
    }
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (shape.layout == QvdbLayout::List && strcmp(field.column, shape.key_column) == 0) continue;
        if (field.type == QvdbType::Int32Array) continue;  // child rows
        columns.push_back({field.column, field.type});
    }
}

std::vector<std::string> existing_columns(QvdbConnection *connection, const char *table) {
    std::vector<std::string> names;
    QvdbStatement info(connection, "PRAGMA table_info(" + qvdb_quote(table) + ")");
    while (info && sqlite3_step(info.get()) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(info.get(), 1)));
    return names;
}

bool create_or_extend_table(QvdbConnection *connection, const QvdbTable &table) {
    std::vector<ColumnInfo> columns;
    std::vector<const char *> key;
    table_columns(*table.shape, columns, key);
    std::vector<std::string> present = existing_columns(connection, table.name);
    if (present.empty()) {
        std::string sql = "CREATE TABLE " + ddl_name(table.name) + " (\n";
        for (const ColumnInfo &column : columns)
            sql += "  " + column_definition(column.name, column.type, is_key_column(key, column.name)) + ",\n";
        sql += "  PRIMARY KEY (";
        for (size_t i = 0; i < key.size(); i++) sql += (i ? ", " : "") + ddl_name(key[i]);
        sql += ")\n)";
        return qvdb_exec(connection, sql.c_str()) == 0;
    }
    for (const ColumnInfo &column : columns) {
        bool found = false;
        for (const std::string &name : present) found = found || strcasecmp(name.c_str(), column.name) == 0;
        if (found) continue;
        std::string sql = "ALTER TABLE " + ddl_name(table.name) + " ADD COLUMN " +
                          column_definition(column.name, column.type, false);
        if (qvdb_exec(connection, sql.c_str()) != 0) return false;
    }
    return true;
}

// The child table of each array field: ([extra,] key, idx, value).
bool create_child_tables(QvdbConnection *connection, const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (shape.fields[i].type != QvdbType::Int32Array) continue;
        std::string extra = shape.extra_column ? ddl_name(shape.extra_column) : "";
        std::string key = ddl_name(shape.key_column);
        std::string sql = "CREATE TABLE IF NOT EXISTS " + ddl_name(qvdb_child_table(table, shape.fields[i]).c_str()) +
                          " (\n" + (extra.empty() ? "" : "  " + extra + " INTEGER NOT NULL,\n") + "  " + key +
                          " INTEGER NOT NULL,\n  idx INTEGER NOT NULL,\n  value INTEGER NOT NULL DEFAULT 0,\n"
                          "  PRIMARY KEY (" + (extra.empty() ? "" : extra + ", ") + key + ", idx)\n)";
        if (qvdb_exec(connection, sql.c_str()) != 0) return false;
    }
    return true;
}

bool insert_factory_rows(QvdbConnection *connection, const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    if (shape.layout != QvdbLayout::Record || shape.factory_rows <= 0) return true;
    std::string sql = "INSERT OR IGNORE INTO " + qvdb_quote(table.name) + " (" +
                      (shape.extra_column ? qvdb_quote(shape.extra_column) + ", " : std::string()) +
                      qvdb_quote(shape.key_column) + ") VALUES (" + (shape.extra_column ? "?, ?)" : "?)");
    QvdbStatement insert(connection, sql);
    if (!insert) return false;
    int extras = shape.extra_column ? shape.extra_limit : 1;
    for (int extra = 0; extra < extras; extra++) {
        for (int key = 0; key < shape.factory_rows && key < shape.key_limit; key++) {
            int index = 1;
            if (shape.extra_column) sqlite3_bind_int(insert.get(), index++, extra);
            sqlite3_bind_int(insert.get(), index, key);
            if (!insert.run()) return false;
        }
    }
    return true;
}

bool insert_param_defaults(QvdbConnection *connection) {
    if (connection->file != kQvdbSettings) return true;
    if (qvdb_exec(connection,
                  "CREATE TABLE IF NOT EXISTS params (\n  key TEXT NOT NULL PRIMARY KEY,\n  value TEXT NOT NULL\n)") != 0)
        return false;
    QvdbStatement insert(connection, "INSERT OR IGNORE INTO params (key, value) VALUES (?, ?)");
    if (!insert) return false;
    int count = 0;
    const QvdbParamDefault *defaults = qvdb_param_defaults(&count);
    for (int i = 0; i < count; i++) {
        sqlite3_bind_text(insert.get(), 1, defaults[i].key, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert.get(), 2, defaults[i].value, -1, SQLITE_STATIC);
        if (!insert.run()) return false;
    }
    return true;
}

int read_user_version(QvdbConnection *connection) {
    QvdbStatement pragma(connection, "PRAGMA user_version");
    if (!pragma || sqlite3_step(pragma.get()) != SQLITE_ROW) return -1;
    return sqlite3_column_int(pragma.get(), 0);
}

bool build_schema(QvdbConnection *connection) {
    for (const QvdbTable *table = g_tables; table; table = table->next) {
        if (table->shape->file != connection->file || !first_of_name(table)) continue;
        if (!qvdb_table_problem(*table).empty()) return false;
        if (!create_or_extend_table(connection, *table) || !create_child_tables(connection, *table) ||
            !insert_factory_rows(connection, *table))
            return false;
    }
    if (!insert_param_defaults(connection)) return false;
    std::string pragma = "PRAGMA user_version = " + std::to_string(qvdb_schema_version(connection->file));
    return qvdb_exec(connection, pragma.c_str()) == 0;
}

// Brings the file to the current schema. An up-to-date file costs one PRAGMA read.
bool ensure_schema(QvdbConnection *connection) {
    int wanted = qvdb_schema_version(connection->file);
    int version = read_user_version(connection);
    if (version == wanted) return true;
    if (version < 0) return false;
    qvdb_exec(connection, "PRAGMA journal_mode = WAL");
    if (qvdb_exec(connection, "BEGIN IMMEDIATE") != 0) return false;
    if (read_user_version(connection) == wanted) return qvdb_exec(connection, "COMMIT") == 0;  // another process did it
    if (!build_schema(connection) || qvdb_exec(connection, "COMMIT") != 0) {
        qvdb_exec(connection, "ROLLBACK");
        return false;
    }
    g_schema_upgrades++;
    return true;
}

void make_parent_dirs(const std::string &path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
}

}  // namespace

QvdbTable::QvdbTable(const char *table_name, const QvdbShape &table_shape)
    : name(table_name), shape(&table_shape), next(g_tables) {
    g_tables = this;
}

const QvdbTable *qvdb_first_table() { return g_tables; }

const QvdbTable *qvdb_find_table(const char *name) {
    if (!name) return nullptr;
    const QvdbTable *found = nullptr;
    // The list runs newest first; the first registration is the last match.
    for (const QvdbTable *table = g_tables; table; table = table->next)
        if (strcmp(table->name, name) == 0) found = table;
    return found;
}

std::string qvdb_table_problem(const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    std::string name = table.name ? table.name : "(null)";
    if (!qvdb_valid_identifier(table.name)) return name + ": table name is not an identifier";
    if (strncmp(table.name, "sqlite_", 7) == 0 || strcmp(table.name, "params") == 0) return name + ": reserved table name";
    const QvdbTable *first = qvdb_find_table(table.name);
    if (first && first->shape != table.shape) return name + ": registered twice with different shapes";
    if (!qvdb_valid_identifier(shape.key_column)) return name + ": key column is not an identifier";
    if (shape.extra_column && !qvdb_valid_identifier(shape.extra_column)) return name + ": bad second key column";
    if (shape.key_limit <= 0 || (shape.extra_column && shape.extra_limit <= 0)) return name + ": empty key range";
    if (shape.layout == QvdbLayout::List && shape.slot_limit <= 0) return name + ": list without entries";
    std::vector<ColumnInfo> columns;
    std::vector<const char *> key;
    table_columns(shape, columns, key);
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (!qvdb_valid_identifier(field.column)) return name + ": column name is not an identifier";
        if (field.offset + field.size > shape.size) return name + "." + field.column + ": outside the record";
        if (field.type == QvdbType::Int32Array) {
            if (shape.layout != QvdbLayout::Record) return name + "." + field.column + ": arrays only in records";
            const QvdbTable *clash = qvdb_find_table(qvdb_child_table(table, field).c_str());
            if (clash) return name + "." + field.column + ": child table name is taken";
            columns.push_back({field.column, field.type});
        }
    }
    for (size_t i = 0; i < columns.size(); i++)
        for (size_t j = i + 1; j < columns.size(); j++)
            if (strcasecmp(columns[i].name, columns[j].name) == 0) return name + ": column " + columns[i].name + " twice";
    if (shape.layout != QvdbLayout::Schedule) {
        const QvdbField *key_field = qvdb_find_field(shape, shape.key_column);
        if (!key_field || key_field->type != QvdbType::Int32) return name + ": key column is not an int32_t field";
    }
    return "";
}

const QvdbShape kQvdbScheduleShape = qvdb_schedule_shape();

int qvdb_schema_version(QvdbFile file) {
    static int versions[3] = {0, 0, 0};
    if (versions[file]) return versions[file];
    uint32_t sum = 0;
    for (const QvdbTable *table = g_tables; table; table = table->next)
        if (table->shape->file == file && first_of_name(table)) sum += table_checksum(*table);
    if (file == kQvdbSettings) {
        int count = 0;
        const QvdbParamDefault *defaults = qvdb_param_defaults(&count);
        for (int i = 0; i < count; i++) sum += fnv_text(fnv_text(2166136261u, defaults[i].key), defaults[i].value);
    }
    int version = static_cast<int>(sum & 0x7fffffffu);
    versions[file] = version ? version : 1;
    return versions[file];
}

int qvdb_schema_upgrades() { return g_schema_upgrades; }

QvdbConnection *qvdb_open(const char *db) {
    QvdbFile file;
    if (!file_of(db, &file)) return nullptr;
    ConnectionCache &connections = cache();
    std::lock_guard<std::recursive_mutex> guard(connections.lock);
    if (connections.owner != getpid()) qvdb_forget_connections();
    std::string real = nvr_path(db);
    for (QvdbConnection *connection : connections.connections)
        if (connection->real_path == real) return connection;
    make_parent_dirs(real);
    sqlite3 *handle = nullptr;
    if (sqlite3_open_v2(real.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(handle);
        return nullptr;
    }
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    QvdbConnection *connection = new QvdbConnection{real, file, handle, 0, false};
    if (!ensure_schema(connection)) {
        sqlite3_close(handle);
        delete connection;
        return nullptr;
    }
    connections.connections.push_back(connection);
    return connection;
}

void qvdb_close_all() {
    ConnectionCache &connections = cache();
    std::lock_guard<std::recursive_mutex> guard(connections.lock);
    if (connections.owner != getpid()) {
        qvdb_forget_connections();
        return;
    }
    for (QvdbConnection *connection : connections.connections) {
        sqlite3_close_v2(connection->handle);
        delete connection;
    }
    connections.connections.clear();
}

void qvdb_forget_connections() {
    ConnectionCache &connections = cache();
    std::lock_guard<std::recursive_mutex> guard(connections.lock);
    connections.connections.clear();  // the parent's handles are left alone on purpose
    connections.owner = getpid();
}

int qvdb_init_file(const char *db) {
    QvdbConnection *connection = qvdb_open(db);
    return connection ? 0 : -1;
}

int qvdb_exec(QvdbConnection *connection, const char *sql) {
    return sqlite3_exec(connection->handle, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : -1;
}

// ----- statements and fields -----

QvdbStatement::QvdbStatement(QvdbConnection *connection, const std::string &sql) : statement_(nullptr) {
    if (connection &&
        sqlite3_prepare_v2(connection->handle, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr) !=
            SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

QvdbStatement::~QvdbStatement() { sqlite3_finalize(statement_); }

bool QvdbStatement::run() {
    int rc = sqlite3_step(statement_);
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

std::string qvdb_child_table(const QvdbTable &table, const QvdbField &field) {
    return std::string(table.name) + "_" + field.column;
}

std::string qvdb_quote(const char *identifier) { return std::string("\"") + identifier + "\""; }

bool qvdb_valid_identifier(const char *name) {
    if (!name || !*name || (*name >= '0' && *name <= '9')) return false;
    for (const char *p = name; *p; p++) {
        bool ok = (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '_';
        if (!ok) return false;
    }
    return true;
}

const QvdbField *qvdb_find_field(const QvdbShape &shape, const char *column) {
    if (!column) return nullptr;
    for (uint32_t i = 0; i < shape.field_count; i++)
        if (strcmp(shape.fields[i].column, column) == 0) return &shape.fields[i];
    return nullptr;
}

int64_t qvdb_field_int(const QvdbField &field, const void *record) {
    const char *at = static_cast<const char *>(record) + field.offset;
    switch (field.type) {
        case QvdbType::Int32: {
            int32_t value;
            memcpy(&value, at, sizeof value);
            return value;
        }
        case QvdbType::UInt32: {
            uint32_t value;
            memcpy(&value, at, sizeof value);
            return value;
        }
        case QvdbType::Int64: {
            int64_t value;
            memcpy(&value, at, sizeof value);
            return value;
        }
        default:
            return 0;
    }
}

void qvdb_set_field_int(const QvdbField &field, void *record, int64_t value) {
    char *at = static_cast<char *>(record) + field.offset;
    if (field.type == QvdbType::Int32 || field.type == QvdbType::UInt32) {
        uint32_t word = static_cast<uint32_t>(value);
        memcpy(at, &word, sizeof word);
    } else if (field.type == QvdbType::Int64) {
        memcpy(at, &value, sizeof value);
    }
}

void qvdb_bind_field(sqlite3_stmt *statement, int index, const QvdbField &field, const void *record) {
    if (field.type == QvdbType::Text) {
        const char *text = static_cast<const char *>(record) + field.offset;
        sqlite3_bind_text(statement, index, text, static_cast<int>(strnlen(text, field.size)), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_int64(statement, index, qvdb_field_int(field, record));
    }
}

void qvdb_load_field(sqlite3_stmt *statement, int index, const QvdbField &field, void *record) {
    if (field.type == QvdbType::Text) {
        char *text = static_cast<char *>(record) + field.offset;
        memset(text, 0, field.size);
        const unsigned char *value = sqlite3_column_text(statement, index);
        size_t length = static_cast<size_t>(sqlite3_column_bytes(statement, index));
        if (value && field.size > 0) memcpy(text, value, length < field.size - 1 ? length : field.size - 1);
    } else {
        qvdb_set_field_int(field, record, sqlite3_column_int64(statement, index));
    }
}

// ----- transactions -----

DbTransaction::DbTransaction(const char *db) : connection_(qvdb_open(db)), done_(false) {
    if (!connection_) return;
    if (connection_->depth == 0) {
        if (qvdb_exec(connection_, "BEGIN IMMEDIATE") != 0) {
            connection_ = nullptr;
            return;
        }
        connection_->failed = false;
    }
    connection_->depth++;
}

DbTransaction::~DbTransaction() {
    if (!connection_ || done_) return;
    connection_->failed = true;
    if (--connection_->depth == 0) qvdb_exec(connection_, "ROLLBACK");
}

bool DbTransaction::ok() const { return connection_ && !done_ && !connection_->failed; }

void DbTransaction::fail() {
    if (connection_ && !done_) connection_->failed = true;
}

int DbTransaction::commit() {
    if (!connection_ || done_) return -1;
    done_ = true;
    if (--connection_->depth > 0) return connection_->failed ? -1 : 0;
    if (connection_->failed || qvdb_exec(connection_, "COMMIT") != 0) {
        qvdb_exec(connection_, "ROLLBACK");
        return -1;
    }
    return 0;
}
