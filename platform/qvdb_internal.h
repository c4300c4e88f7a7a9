// Inside the configuration database library: cached connections, statements, the fixed tables
// every file holds, and the JSON documents records are stored as.
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
    bool wrote;   // this process committed a change
    bool synchronous_full;  // set before the first transaction
    bool reading;           // a DbReadScope's read transaction is open
    // Prepared statements not in use, by SQL text. The statements are few (the tables are fixed
    // and the kind is a bound value), so a process prepares each at most once.
    std::mutex idle_lock;
    std::unordered_map<std::string, sqlite3_stmt *> idle_statements;
};

// The cached connection of a database file (device path), opened and brought to the current
// schema on first use; null for an unknown path or a file that cannot be opened.
QvdbConnection *qvdb_open(const char *db);

// Runs fixed SQL text; 0 on success.
int qvdb_exec(QvdbConnection *connection, const char *sql);
// Ends a DbReadScope's read transaction before anything writes; false when it is open still.
bool qvdb_end_read(QvdbConnection *connection);

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
    void end_read_before_write();

    QvdbConnection *connection_;
    std::string sql_;
    sqlite3_stmt *statement_;
};

// Finalizes the idle statements of a connection (before it is closed).
void qvdb_finalize_idle(QvdbConnection *connection);

// Every file holds one table "records" (kind, extra, id, doc), where kind is the registered
// table name, extra the second key (0 for kinds without one), id the key (channel, id or list
// owner) and doc a JSON object: a record's fields keyed by column name; a list as
// {"entries":[{fields}, ...]} (the owner field left out); a weekly schedule as
// {"day_flags":[8 numbers],"periods":[[day, slot, start, end, action], ...]} with the periods
// in use. The settings file also holds the parameters.

// True for names made of letters, digits and '_' that do not start with a digit.
bool qvdb_valid_identifier(const char *name);
// What is wrong with a table declaration ("" when nothing). A file whose tables are not all
// sound is not opened: the tests check every registered table.
std::string qvdb_table_problem(const QvdbTable &table);
// The field of a shape by column name, or null.
const QvdbField *qvdb_find_field(const QvdbShape &shape, const char *column);
// The integer value of an integer field of a record.
int64_t qvdb_field_int(const QvdbField &field, const void *record);
void qvdb_set_field_int(const QvdbField &field, void *record, int64_t value);
// Stores the shape's factory record of key (and second key) unless a record is stored there.
bool qvdb_store_factory_record(QvdbConnection *connection, const QvdbTable &table, int key, int extra);

// Appends the JSON document of a record or list entry: every field but skip, in declaration
// order; texts cut at their field, int32_t arrays as arrays of every element.
void qvdb_document_write(const QvdbShape &shape, const void *record, const QvdbField *skip, std::string &out);
// Appends the document of count list entries, and of a weekly schedule.
void qvdb_list_document_write(const QvdbShape &shape, const void *entries, int count, std::string &out);
void qvdb_schedule_document_write(const WeeklySchedule &schedule, std::string &out);
// Fill a record, at most capacity list entries (*count gets their number) or a schedule from a
// document (text NUL-terminated at length). The destination is expected zeroed: keys this build
// does not declare are passed over, fields the document lacks stay zero. False for text that is
// not such a JSON object.
bool qvdb_document_read(const QvdbShape &shape, const char *text, size_t length, void *record);
bool qvdb_list_document_read(const QvdbShape &shape, const char *text, size_t length, void *entries, int capacity,
                             int *count);
bool qvdb_schedule_document_read(const char *text, size_t length, WeeklySchedule *schedule);

#endif
