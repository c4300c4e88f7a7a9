// Inside the configuration database library: cached connections, statements and the mapping
// between fields and SQL values.
#ifndef NVR_PLATFORM_QVDB_INTERNAL_H
#define NVR_PLATFORM_QVDB_INTERNAL_H

#include <sqlite3.h>

#include <mutex>
#include <string>
#include <unordered_map>

#include "core/qvdb.h"

struct QvdbConnection {
    std::string real_path;
    QvdbFile file;
    sqlite3 *handle;
    int depth;    // open DbTransaction scopes
    bool failed;  // something inside the open transaction failed
    bool wrote;   // this process committed a change (it checkpoints the WAL when it closes)
    // Prepared statements not in use, by SQL text: a statement a process runs again (a loop of
    // reads, the same table in several sub-settings) is prepared once.
    std::mutex idle_lock;
    std::unordered_map<std::string, sqlite3_stmt *> idle_statements;
};

// The cached connection of a database file (device path), opened and brought to the current
// schema on first use; null for an unknown path or a file that cannot be opened.
QvdbConnection *qvdb_open(const char *db);

// Runs fixed SQL text; 0 on success.
int qvdb_exec(QvdbConnection *connection, const char *sql);

// A prepared statement, taken from the connection's idle statements when one of the same text is
// there, and reset and returned to them at the end of its scope.
class QvdbStatement {
  public:
    QvdbStatement(QvdbConnection *connection, const std::string &sql);
    ~QvdbStatement();
    QvdbStatement(const QvdbStatement &) = delete;
    QvdbStatement &operator=(const QvdbStatement &) = delete;
    explicit operator bool() const { return statement_ != nullptr; }
    sqlite3_stmt *get() const { return statement_; }
    // Steps a statement that returns no rows and resets it; true on success.
    bool run();

  private:
    QvdbConnection *connection_;
    std::string sql_;
    sqlite3_stmt *statement_;
};

// Finalizes the idle statements of a connection (before it is closed).
void qvdb_finalize_idle(QvdbConnection *connection);

// The physical table that holds every named table of a shared shape (weekly schedules, white-LED
// and warning-light target lists, HTTP targets), told apart by its "name" column; null for a
// shape whose tables are stored under their own names.
const char *qvdb_shared_table(const QvdbShape &shape);
// The physical table of a registered table, quoted.
std::string qvdb_storage(const QvdbTable &table);

// "name" quoted as an SQL identifier.
std::string qvdb_quote(const char *identifier);
// True for names made of letters, digits and '_' that do not start with a digit.
bool qvdb_valid_identifier(const char *name);
// What is wrong with a table declaration ("" when nothing). A file whose tables are not all
// sound is not opened: the tests check every registered table.
std::string qvdb_table_problem(const QvdbTable &table);
// The field of a shape by column name, or null.
const QvdbField *qvdb_find_field(const QvdbShape &shape, const char *column);
// Name of the child table of an array field: TABLE_COLUMN.
std::string qvdb_child_table(const QvdbTable &table, const QvdbField &field);
// The integer value of an integer field of a record.
int64_t qvdb_field_int(const QvdbField &field, const void *record);
void qvdb_set_field_int(const QvdbField &field, void *record, int64_t value);
// Binds the field's value of the record to parameter index (1-based).
void qvdb_bind_field(sqlite3_stmt *statement, int index, const QvdbField &field, const void *record);
// Replaces the row of key (and second key) with the shape's factory record (factory_fill).
bool qvdb_store_factory_record(QvdbConnection *connection, const QvdbTable &table, int key, int extra);
// Copies result column index into the record's field (texts cut to the field, NUL-filled).
void qvdb_load_field(sqlite3_stmt *statement, int index, const QvdbField &field, void *record);

#endif
