// Configuration database library: table registry, cached connections, schema creation and
// upgrade, and transactions.
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/devroot.h"
#include "platform/make_dirs.h"
#include "platform/qvdb_internal.h"

namespace {

const QvdbTable *g_tables = nullptr;  // constant-initialised: safe to use from any constructor
int g_schema_upgrades = 0;
constexpr int kBusyTimeoutMs = 10000;
constexpr int kCheckpointWaitMs = 200;

// Connections are per process (a forked child opens its own) and shared by its threads; the
// handles are opened serialised, so the reply thread may use them too.
struct ConnectionCache {
    pid_t owner = 0;
    std::vector<QvdbConnection *> connections;
    std::recursive_mutex lock;
};
// Never destroyed: a reader's connections stay reachable until the process is gone.
ConnectionCache &cache() {
    static ConnectionCache *instance = new ConnectionCache;
    return *instance;
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

// ----- shared tables -----

// Every named table of these shapes lives in one physical table keyed by its name.
struct SharedTable {
    const QvdbShape *shape;
    const char *physical;
};
const SharedTable kSharedTables[] = {
    {&kQvdbScheduleShape, "schedules"},
    {&kQvdbWhiteLedShape, "white_led_targets"},
    {&kQvdbWarningLightShape, "warning_light_targets"},
    {&kQvdbHttpTargetShape, "http_targets"},
};

bool is_shared(const QvdbTable &table) { return qvdb_shared_table(*table.shape) != nullptr; }

// ----- checksum of the declarations: the schema version -----

uint32_t fnv(uint32_t hash, const void *data, size_t length) {
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < length; i++) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}
uint32_t fnv_text(uint32_t hash, const char *text) { return fnv(hash, text ? text : "", strlen(text ? text : "") + 1); }
uint32_t fnv_int(uint32_t hash, int64_t value) { return fnv(hash, &value, sizeof value); }

uint32_t table_checksum(const char *name, const QvdbShape &shape) {
    uint32_t hash = fnv_text(2166136261u, name);
    hash = fnv_int(hash, static_cast<int>(shape.layout));
    hash = fnv_text(hash, shape.key_column);
    hash = fnv_text(hash, shape.extra_column);
    hash = fnv_int(hash, shape.factory_rows);
    hash = fnv_int(hash, shape.extra_limit);
    hash = fnv_int(hash, shape.factory_fill != nullptr);
    for (uint32_t i = 0; i < shape.field_count; i++) {
        hash = fnv_text(hash, shape.fields[i].column);
        hash = fnv_int(hash, static_cast<int>(shape.fields[i].type));
    }
    return hash;
}

// Files written before the named tables were gathered into shared tables have another version
// whatever their tables, so they are always upgraded (and their per-name tables moved over).
constexpr const char *kStorageLayout = "shared named tables, without rowid";

// ----- schema text -----

// Identifiers appear bare in the schema unless they are SQL keywords.
std::string ddl_name(const char *name) {
    if (sqlite3_keyword_check(name, static_cast<int>(strlen(name)))) return qvdb_quote(name);
    return name;
}

const char *sql_type(QvdbType type) {
    return type == QvdbType::Text ? "TEXT" : type == QvdbType::Double ? "REAL" : "INTEGER";
}

// A literal zero value of the column type.
const char *zero_value(QvdbType type) { return type == QvdbType::Text ? "''" : "0"; }

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
    if (qvdb_shared_table(shape)) {
        columns.push_back({"name", QvdbType::Text});
        key.push_back("name");
    }
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
    if (shape.layout == QvdbLayout::List) {
        columns.push_back({shape.key_column, QvdbType::Int32});
        columns.push_back({"slot", QvdbType::Int32});
        key.push_back(shape.key_column);
        key.push_back("slot");
    } else {
        key.push_back(shape.key_column);
    }
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (shape.layout == QvdbLayout::List && strcmp(field.column, shape.key_column) == 0) continue;
        if (field.type == QvdbType::Int32Array) continue;  // child rows
        columns.push_back({field.column, field.type});
    }
}

// CREATE TABLE text as one would write it by hand: a single integer key is the rowid; a
// composite key is the table's own order (WITHOUT ROWID), so no separate index is kept. Every
// write names every column, so the columns carry neither defaults nor NOT NULL.
std::string create_table_sql(const char *name, const std::vector<ColumnInfo> &columns,
                             const std::vector<const char *> &key) {
    bool rowid_key = key.size() == 1;
    for (const ColumnInfo &column : columns)
        if (strcmp(column.name, key[0]) == 0 && column.type == QvdbType::Text) rowid_key = false;
    std::string body;
    for (const ColumnInfo &column : columns) {
        body += (body.empty() ? "  " : ",\n  ") + ddl_name(column.name) + " " + sql_type(column.type);
        if (rowid_key && strcmp(column.name, key[0]) == 0) body += " PRIMARY KEY";
    }
    if (rowid_key) return "CREATE TABLE " + ddl_name(name) + " (\n" + body + "\n)";
    body += ",\n  PRIMARY KEY (";
    for (size_t i = 0; i < key.size(); i++) body += (i ? ", " : "") + ddl_name(key[i]);
    return "CREATE TABLE " + ddl_name(name) + " (\n" + body + ")\n) WITHOUT ROWID";
}

std::vector<std::string> existing_columns(QvdbConnection *connection, const char *table) {
    std::vector<std::string> names;
    QvdbStatement info(connection, "PRAGMA table_info(" + qvdb_quote(table) + ")");
    while (info && sqlite3_step(info.get()) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(info.get(), 1)));
    return names;
}

bool has_column(const std::vector<std::string> &present, const char *column) {
    for (const std::string &name : present)
        if (strcasecmp(name.c_str(), column) == 0) return true;
    return false;
}

// The stored CREATE text of a table; false when there is no such table.
bool stored_sql(QvdbConnection *connection, const char *name, std::string *sql) {
    QvdbStatement select(connection, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
    if (!select) return false;
    sqlite3_bind_text(select.get(), 1, name, -1, SQLITE_STATIC);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return false;
    const unsigned char *text = sqlite3_column_text(select.get(), 0);
    *sql = text ? reinterpret_cast<const char *>(text) : "";
    return true;
}

// Copies every row of table from into the physical table to: columns the old table has are
// taken (a NULL as zero), others are zero; with name, the "name" column gets it.
bool copy_rows(QvdbConnection *connection, const std::string &from, const std::string &to,
               const std::vector<ColumnInfo> &columns, const char *name) {
    std::vector<std::string> present = existing_columns(connection, from.c_str());
    std::string names, values;
    for (const ColumnInfo &column : columns) {
        names += (names.empty() ? "" : ", ") + qvdb_quote(column.name);
        values += values.empty() ? "" : ", ";
        if (name && strcmp(column.name, "name") == 0) values += "?";
        else if (has_column(present, column.name))
            values += "coalesce(" + qvdb_quote(column.name) + ", " + zero_value(column.type) + ")";
        else values += zero_value(column.type);
    }
    QvdbStatement copy(connection, "INSERT OR REPLACE INTO " + to + " (" + names + ") SELECT " + values + " FROM " +
                                       qvdb_quote(from.c_str()));
    if (!copy) return false;
    if (name) sqlite3_bind_text(copy.get(), 1, name, -1, SQLITE_STATIC);
    return copy.run();
}

// Creates the physical table. A table of an older layout (other columns, keys or column
// definitions) is rebuilt in the current one with its rows.
bool install_table(QvdbConnection *connection, const char *name, const std::vector<ColumnInfo> &columns,
                   const std::vector<const char *> &key) {
    std::string wanted = create_table_sql(name, columns, key);
    std::string stored;
    if (!stored_sql(connection, name, &stored)) return qvdb_exec(connection, wanted.c_str()) == 0;
    if (stored == wanted) return true;
    std::string old = std::string(name) + "__older_layout";
    return qvdb_exec(connection, ("ALTER TABLE " + qvdb_quote(name) + " RENAME TO " + qvdb_quote(old.c_str())).c_str()) == 0 &&
           qvdb_exec(connection, wanted.c_str()) == 0 && copy_rows(connection, old, qvdb_quote(name), columns, nullptr) &&
           qvdb_exec(connection, ("DROP TABLE " + qvdb_quote(old.c_str())).c_str()) == 0;
}

bool install_shape_table(QvdbConnection *connection, const char *name, const QvdbShape &shape) {
    std::vector<ColumnInfo> columns;
    std::vector<const char *> key;
    table_columns(shape, columns, key);
    return install_table(connection, name, columns, key);
}

// The child table of each array field: ([extra,] key, idx, value).
bool create_child_tables(QvdbConnection *connection, const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    for (uint32_t i = 0; i < shape.field_count; i++) {
        if (shape.fields[i].type != QvdbType::Int32Array) continue;
        std::string child = qvdb_child_table(table, shape.fields[i]);
        std::vector<ColumnInfo> columns;
        std::vector<const char *> key;
        if (shape.extra_column) {
            columns.push_back({shape.extra_column, QvdbType::Int32});
            key.push_back(shape.extra_column);
        }
        columns.insert(columns.end(), {{shape.key_column, QvdbType::Int32},
                                       {"idx", QvdbType::Int32},
                                       {"value", QvdbType::Int32}});
        key.insert(key.end(), {shape.key_column, "idx"});
        if (!install_table(connection, child.c_str(), columns, key)) return false;
    }
    return true;
}

// Rows of zero values for keys 0 .. factory_rows - 1 (of every second key) that are missing.
bool insert_factory_rows(QvdbConnection *connection, const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    if (shape.layout != QvdbLayout::Record || shape.factory_rows <= 0) return true;
    std::vector<ColumnInfo> columns;
    std::vector<const char *> key;
    table_columns(shape, columns, key);
    std::string names, values;
    for (const ColumnInfo &column : columns) {
        names += (names.empty() ? "" : ", ") + qvdb_quote(column.name);
        values += values.empty() ? "" : ", ";
        values += is_key_column(key, column.name) ? "?" : zero_value(column.type);
    }
    QvdbStatement insert(connection, "INSERT OR IGNORE INTO " + qvdb_storage(table) + " (" + names + ") VALUES (" +
                                         values + ")");
    if (!insert) return false;
    int extras = shape.extra_column ? shape.extra_limit : 1;
    for (int extra = 0; extra < extras; extra++) {
        for (int row = 0; row < shape.factory_rows && row < shape.key_limit; row++) {
            int index = 1;
            if (is_shared(table)) sqlite3_bind_text(insert.get(), index++, table.name, -1, SQLITE_STATIC);
            if (shape.extra_column) sqlite3_bind_int(insert.get(), index++, extra);
            sqlite3_bind_int(insert.get(), index, row);
            if (!insert.run()) return false;
            bool inserted = sqlite3_changes(connection->handle) > 0;
            if (inserted && !qvdb_store_factory_record(connection, table, row, extra)) return false;
        }
    }
    return true;
}

// A file of an older layout keeps a named table of a shared shape under its own name: its rows
// move into the shared table under that name, and the old table is dropped.
bool move_old_named_table(QvdbConnection *connection, const QvdbTable &table) {
    std::string stored;
    if (!stored_sql(connection, table.name, &stored)) return true;
    std::vector<ColumnInfo> columns;
    std::vector<const char *> key;
    table_columns(*table.shape, columns, key);
    return copy_rows(connection, table.name, qvdb_storage(table), columns, table.name) &&
           qvdb_exec(connection, ("DROP TABLE " + qvdb_quote(table.name)).c_str()) == 0;
}

bool insert_param_defaults(QvdbConnection *connection) {
    if (connection->file != kQvdbSettings) return true;
    if (!install_table(connection, "params", {{"key", QvdbType::Text}, {"value", QvdbType::Text}}, {"key"})) return false;
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
    for (const SharedTable &shared : kSharedTables)
        if (shared.shape->file == connection->file &&
            !install_shape_table(connection, shared.physical, *shared.shape))
            return false;
    for (const QvdbTable *table = g_tables; table; table = table->next) {
        if (table->shape->file != connection->file || !first_of_name(table)) continue;
        if (!qvdb_table_problem(*table).empty()) return false;
        bool stored = is_shared(*table) ? move_old_named_table(connection, *table)
                                        : install_shape_table(connection, table->name, *table->shape) &&
                                              create_child_tables(connection, *table);
        if (!stored || !insert_factory_rows(connection, *table)) return false;
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
    connection->wrote = true;
    return true;
}

// A process that wrote empties the WAL into the database before it closes, so the next process
// does not have to rebuild the WAL index from every frame the writes left.
void close_connection(QvdbConnection *connection) {
    qvdb_finalize_idle(connection);
    if (connection->wrote) {
        // Waits a little for readers of older frames; when they outlast it, a later writer empties the WAL.
        sqlite3_busy_timeout(connection->handle, kCheckpointWaitMs);
        sqlite3_wal_checkpoint_v2(connection->handle, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    }
    sqlite3_close_v2(connection->handle);
    delete connection;
}

// At exit the connections that wrote are closed; a reader's connections hold no transaction and
// are left to the exit, which releases their locks and memory.
void release_at_exit() {
    ConnectionCache &connections = cache();
    std::lock_guard<std::recursive_mutex> guard(connections.lock);
    if (connections.owner != getpid()) return;
    std::vector<QvdbConnection *> readers;
    for (QvdbConnection *connection : connections.connections) {
        if (connection->wrote) close_connection(connection);
        else readers.push_back(connection);
    }
    connections.connections.swap(readers);
}

// Opens the file (creating it and, only when that fails, its folders); null on failure.
sqlite3 *open_handle(const std::string &path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    for (int attempt = 0; attempt < 2; attempt++) {
        sqlite3 *handle = nullptr;
        if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) == SQLITE_OK) return handle;
        sqlite3_close(handle);
        if (attempt == 0) make_parent_dirs(path);
    }
    return nullptr;
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
    for (const SharedTable &shared : kSharedTables)
        if (strcasecmp(table.name, shared.physical) == 0) return name + ": reserved table name";
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
            if (qvdb_shared_table(shape)) return name + "." + field.column + ": no arrays in a shared table";
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

const char *qvdb_shared_table(const QvdbShape &shape) {
    for (const SharedTable &shared : kSharedTables)
        if (shared.shape == &shape) return shared.physical;
    // Every plain weekly schedule of the settings file has the same rows, whichever shape
    // object declares it.
    if (shape.layout == QvdbLayout::Schedule && !shape.extra_column && shape.file == kQvdbScheduleShape.file)
        return kSharedTables[0].physical;
    return nullptr;
}

std::string qvdb_storage(const QvdbTable &table) {
    const char *shared = qvdb_shared_table(*table.shape);
    return qvdb_quote(shared ? shared : table.name);
}

// A checksum of the physical tables of the file: the tables of their own name and the shared
// tables (a further name in a shared table changes nothing in the file).
int qvdb_schema_version(QvdbFile file) {
    static int versions[3] = {0, 0, 0};
    if (versions[file]) return versions[file];
    uint32_t sum = fnv_text(2166136261u, kStorageLayout);
    for (const SharedTable &shared : kSharedTables)
        if (shared.shape->file == file) sum += table_checksum(shared.physical, *shared.shape);
    // Names of a shared shape do not count, so only the few tables of their own name are
    // checked for repeated registrations.
    std::vector<const QvdbTable *> own;
    for (const QvdbTable *table = g_tables; table; table = table->next)
        if (table->shape->file == file && !is_shared(*table)) own.push_back(table);
    for (size_t i = 0; i < own.size(); i++) {
        bool repeated = false;
        for (size_t j = i + 1; j < own.size() && !repeated; j++) repeated = strcmp(own[i]->name, own[j]->name) == 0;
        if (!repeated) sum += table_checksum(own[i]->name, *own[i]->shape);
    }
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
    // No allocation statistics: they cost a global mutex on every allocation. Only possible
    // before the library is first used in the process.
    static const int memstatus_off = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)memstatus_off;
    sqlite3 *handle = open_handle(real);
    if (!handle) return nullptr;
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    // Closing never checkpoints by itself: a process that wrote empties the WAL explicitly (see
    // close_connection), a reader leaves it alone.
    sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    static const bool close_at_exit_registered = atexit(release_at_exit) == 0;
    (void)close_at_exit_registered;
    QvdbConnection *connection = new QvdbConnection{real, file, handle, 0, false, false, {}, {}};
    if (!ensure_schema(connection)) {
        qvdb_finalize_idle(connection);
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
    for (QvdbConnection *connection : connections.connections) close_connection(connection);
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

QvdbStatement::QvdbStatement(QvdbConnection *connection, const std::string &sql)
    : connection_(connection), sql_(sql), statement_(nullptr) {
    if (!connection) return;
    {
        std::lock_guard<std::mutex> guard(connection->idle_lock);
        auto idle = connection->idle_statements.find(sql);
        if (idle != connection->idle_statements.end()) {
            statement_ = idle->second;
            connection->idle_statements.erase(idle);
            return;
        }
    }
    if (sqlite3_prepare_v3(connection->handle, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

// A statement of the same text may have been returned meanwhile (a nested use): this one goes.
QvdbStatement::~QvdbStatement() {
    if (!statement_) return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    std::lock_guard<std::mutex> guard(connection_->idle_lock);
    if (!connection_->idle_statements.emplace(std::move(sql_), statement_).second) sqlite3_finalize(statement_);
}

bool QvdbStatement::run() {
    int rc = sqlite3_step(statement_);
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

void qvdb_finalize_idle(QvdbConnection *connection) {
    std::lock_guard<std::mutex> guard(connection->idle_lock);
    for (auto &idle : connection->idle_statements) sqlite3_finalize(idle.second);
    connection->idle_statements.clear();
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
    if (field.type == QvdbType::Double) {
        double value;
        memcpy(&value, static_cast<const char *>(record) + field.offset, sizeof value);
        sqlite3_bind_double(statement, index, value);
    } else if (field.type == QvdbType::Text) {
        const char *text = static_cast<const char *>(record) + field.offset;
        sqlite3_bind_text(statement, index, text, static_cast<int>(strnlen(text, field.size)), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_int64(statement, index, qvdb_field_int(field, record));
    }
}

void qvdb_load_field(sqlite3_stmt *statement, int index, const QvdbField &field, void *record) {
    if (field.type == QvdbType::Double) {
        double value = sqlite3_column_double(statement, index);
        memcpy(static_cast<char *>(record) + field.offset, &value, sizeof value);
    } else if (field.type == QvdbType::Text) {
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
    connection_->wrote = true;
    return 0;
}
