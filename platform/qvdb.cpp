// Configuration database library: table registry, cached connections, the fixed schema of the
// settings files, factory rows, and transactions.
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/devroot.h"
#include "platform/make_dirs.h"
#include "platform/qvdb_internal.h"

namespace {

int g_schema_upgrades = 0;
constexpr int kBusyTimeoutMs = 10000;
constexpr int kCheckpointWaitMs = 200;
constexpr size_t kMaxColumnLength = 100;

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
bool first_of_name(const QvdbTable *table) { return qvdb_find_table(table->name) == table; }

// ----- the fixed schema -----

// Every file holds these tables, whatever record kinds the program declares; the parameters
// only the settings file. The key leads with the kind, so a kind's rows sit together.
struct FixedTable {
    const char *name;
    const char *sql;
    bool settings_only;
};
const FixedTable kFixedTables[] = {
    {"records",
     "CREATE TABLE records (\n"
     "  kind TEXT,\n"
     "  extra INTEGER,\n"
     "  id INTEGER,\n"
     "  doc TEXT,\n"
     "  PRIMARY KEY (kind, extra, id)\n"
     ") WITHOUT ROWID",
     false},
    {"params",
     "CREATE TABLE params (\n"
     "  \"key\" TEXT PRIMARY KEY,\n"
     "  value TEXT\n"
     ") WITHOUT ROWID",
     true},
};

// Changes whenever the fixed tables change; part of every file's schema stamp.
constexpr const char *kLayout = "records and params, JSON documents, 1";

// ----- the schema stamp -----

// FNV-1a: a text byte by byte (with its NUL), a number as one step. Every process computes the
// stamp of each file it opens, so this stays a few instructions per declared kind.
uint32_t fnv_text(uint32_t hash, const char *text) {
    for (const unsigned char *byte = reinterpret_cast<const unsigned char *>(text ? text : "");; byte++) {
        hash = (hash ^ *byte) * 16777619u;
        if (*byte == 0) return hash;
    }
}
uint32_t fnv_number(uint32_t hash, uint32_t value) { return (hash ^ value) * 16777619u; }
constexpr uint32_t kFnvBasis = 2166136261u;

bool has_factory_rows(const QvdbTable &table) {
    return table.shape->layout == QvdbLayout::Record && table.shape->factory_rows > 0;
}

// What a file must hold for a kind with factory rows. Fields are not part of it: a document
// takes new fields without a schema change.
uint32_t factory_checksum(const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    uint32_t hash = fnv_text(kFnvBasis, table.name);
    hash = fnv_number(hash, static_cast<uint32_t>(shape.factory_rows));
    hash = fnv_number(hash, static_cast<uint32_t>(shape.key_limit));
    hash = fnv_number(hash, static_cast<uint32_t>(shape.extra_column ? shape.extra_limit : 0));
    return fnv_number(hash, shape.factory_fill != nullptr);
}

// ----- building a file -----

bool stored_sql(QvdbConnection *connection, const char *name, std::string *sql) {
    QvdbStatement select(connection, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
    if (!select) return false;
    sqlite3_bind_text(select.get(), 1, name, -1, SQLITE_STATIC);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return false;
    const unsigned char *text = sqlite3_column_text(select.get(), 0);
    *sql = text ? reinterpret_cast<const char *>(text) : "";
    return true;
}

// Creates a fixed table; a table of another definition under its name is replaced (its rows are
// not read: no device kept settings in another layout).
bool install_table(QvdbConnection *connection, const FixedTable &table) {
    std::string stored;
    if (stored_sql(connection, table.name, &stored)) {
        if (stored == table.sql) return true;
        if (qvdb_exec(connection, ("DROP TABLE \"" + std::string(table.name) + "\"").c_str()) != 0) return false;
    }
    return qvdb_exec(connection, table.sql) == 0;
}

// The factory rows of a kind that are missing (every second key).
bool insert_factory_rows(QvdbConnection *connection, const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    int extras = shape.extra_column ? shape.extra_limit : 1;
    for (int extra = 0; extra < extras; extra++)
        for (int key = 0; key < shape.factory_rows && key < shape.key_limit; key++)
            if (!qvdb_store_factory_record(connection, table, key, extra)) return false;
    return true;
}

bool insert_param_defaults(QvdbConnection *connection) {
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
    bool settings = connection->file == kQvdbSettings;
    for (const FixedTable &table : kFixedTables)
        if ((settings || !table.settings_only) && !install_table(connection, table)) return false;
    for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table)) {
        if (table->shape->file != connection->file) continue;
        if (!qvdb_table_problem(*table).empty()) return false;
        if (has_factory_rows(*table) && first_of_name(table) && !insert_factory_rows(connection, *table)) return false;
    }
    if (settings && !insert_param_defaults(connection)) return false;
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

// The linker's bounds of the declared tables (weak: a program may declare none).
extern "C" {
extern const QvdbTable __start_qvdb_tables[] __attribute__((weak));
extern const QvdbTable __stop_qvdb_tables[] __attribute__((weak));
}

// The first declared table at or after `at`; a gap the linker left between two files' tables
// reads as an entry without a name.
static const QvdbTable *declared_table_from(const QvdbTable *at) {
    const QvdbTable *end = __stop_qvdb_tables;
    while (at < end && !at->name) at++;
    return at < end ? at : nullptr;
}

const QvdbTable *qvdb_first_table() { return declared_table_from(__start_qvdb_tables); }

const QvdbTable *qvdb_next_table(const QvdbTable *table) { return declared_table_from(table + 1); }

const QvdbTable *qvdb_find_table(const char *name) {
    if (!name) return nullptr;
    for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table))
        if (table->name[0] == name[0] && strcmp(table->name, name) == 0) return table;
    return nullptr;
}

std::string qvdb_table_problem(const QvdbTable &table) {
    const QvdbShape &shape = *table.shape;
    std::string name = table.name ? table.name : "(null)";
    if (!qvdb_valid_identifier(table.name)) return name + ": table name is not an identifier";
    const QvdbTable *first = qvdb_find_table(table.name);
    if (first && first->shape != table.shape) return name + ": registered twice with different shapes";
    if (shape.layout != QvdbLayout::Schedule && !qvdb_valid_identifier(shape.key_column))
        return name + ": key column is not an identifier";
    if (shape.extra_column && !qvdb_valid_identifier(shape.extra_column)) return name + ": bad second key column";
    if (shape.key_limit <= 0 || (shape.extra_column && shape.extra_limit <= 0)) return name + ": empty key range";
    if (shape.layout == QvdbLayout::List && shape.slot_limit <= 0) return name + ": list without entries";
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        if (!qvdb_valid_identifier(field.column) || strlen(field.column) > kMaxColumnLength)
            return name + ": column name is not an identifier";
        if (field.offset + field.size > shape.size) return name + "." + field.column + ": outside the record";
        for (uint32_t j = 0; j < i; j++)
            if (strcasecmp(shape.fields[j].column, field.column) == 0) return name + ": column " + field.column + " twice";
    }
    if (shape.layout != QvdbLayout::Schedule) {
        const QvdbField *key_field = qvdb_find_field(shape, shape.key_column);
        if (!key_field || key_field->type != QvdbType::Int32) return name + ": key column is not an int32_t field";
    }
    return "";
}

const QvdbShape kQvdbScheduleShape = qvdb_schedule_shape();

// A checksum of what the declarations require of a file: the fixed tables, the factory rows of
// every kind that has them, and the factory parameters. Summed, so registration order does not
// matter.
int qvdb_schema_version(QvdbFile file) {
    static int versions[3] = {0, 0, 0};
    if (versions[file]) return versions[file];
    uint32_t sum = fnv_text(kFnvBasis, kLayout);
    for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table))
        if (table->shape->file == file && has_factory_rows(*table)) sum += factory_checksum(*table);
    if (file == kQvdbSettings) {
        int count = 0;
        const QvdbParamDefault *defaults = qvdb_param_defaults(&count);
        for (int i = 0; i < count; i++) sum += fnv_text(fnv_text(kFnvBasis, defaults[i].key), defaults[i].value);
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
    // Cache pages are allocated as they are read, not twenty at once: a request reads a handful,
    // and every page of memory a process touches costs it a fault.
    static const int bulk_cache_off = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    (void)bulk_cache_off;
    sqlite3 *handle = open_handle(real);
    if (!handle) return nullptr;
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    // Closing never checkpoints by itself: a process that wrote empties the WAL explicitly (see
    // close_connection), a reader leaves it alone.
    sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    static const bool close_at_exit_registered = atexit(release_at_exit) == 0;
    (void)close_at_exit_registered;
    QvdbConnection *connection = new QvdbConnection{real, file, handle, 0, false, false, false, false, {}, {}};
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

bool qvdb_end_read(QvdbConnection *connection) {
    if (!connection->reading) return true;
    if (qvdb_exec(connection, "COMMIT") != 0) return false;
    connection->reading = false;
    return true;
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
        }
    }
    if (!statement_ && sqlite3_prepare_v3(connection->handle, sql.c_str(), static_cast<int>(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
    end_read_before_write();
}

// A statement that writes never runs inside a read scope's transaction: that would upgrade a
// read to a write, which fails at once when another process wrote since the read began.
void QvdbStatement::end_read_before_write() {
    if (!statement_ || !connection_->reading || sqlite3_stmt_readonly(statement_)) return;
    if (qvdb_end_read(connection_)) return;
    std::lock_guard<std::mutex> guard(connection_->idle_lock);
    if (!connection_->idle_statements.emplace(sql_, statement_).second) sqlite3_finalize(statement_);
    statement_ = nullptr;
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

// ----- transactions -----

DbTransaction::DbTransaction(const char *db) : connection_(qvdb_open(db)), done_(false) {
    if (!connection_) return;
    if (connection_->depth == 0) {
        if (!qvdb_end_read(connection_)) {
            connection_ = nullptr;
            return;
        }
        // A change is on disk before the caller is told it succeeded, whatever the library's
        // compiled default.
        if (!connection_->synchronous_full && qvdb_exec(connection_, "PRAGMA synchronous = FULL") == 0)
            connection_->synchronous_full = true;
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

DbReadScope::DbReadScope(const char *db) : connection_(qvdb_open(db)) {
    if (!connection_) return;
    if (connection_->depth > 0 || connection_->reading || !sqlite3_get_autocommit(connection_->handle) ||
        qvdb_exec(connection_, "BEGIN") != 0) {
        connection_ = nullptr;
        return;
    }
    connection_->reading = true;
}

DbReadScope::~DbReadScope() {
    if (connection_) qvdb_end_read(connection_);
}
