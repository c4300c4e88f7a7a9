// Configuration database interface: record layouts, table declarations, and the read, write,
// copy, schedule, list and parameter functions over the SQLite settings files.
//
// HOW TO ADD A RECORD KIND (in your own files; there is no central list to edit):
//
//   // your header: the byte layout, checked, and the function declarations
//   struct FooRecord { int32_t channel; int32_t enable; char name[32]; };
//   static_assert(sizeof(FooRecord) == 40, "foo record is 40 bytes");
//   QVDB_DECLARE_RECORD_FUNCTIONS(foo, FooRecord)  // read_foo, read_foos, write_foo, write_foos, copy_foos
//
//   // your .cpp: one field table (column names are the stored names), one shape, one table
//   static const QvdbField kFooFields[] = {
//       QVDB_FIELD(FooRecord, channel, "channel"),
//       QVDB_FIELD(FooRecord, enable, "enable"),
//       QVDB_FIELD(FooRecord, name, "name"),
//   };
//   static const QvdbShape kFooShape = qvdb_record_shape(kQvdbSettings, sizeof(FooRecord),
//                                                        QVDB_FIELDS(kFooFields), "channel", 64, 64);
//   QVDB_TABLE(kFooTable, "foo", kFooShape);
//   QVDB_DEFINE_RECORD_FUNCTIONS(foo, FooRecord, kFooTable)
//
// A record keyed by channel and a second number passed as an argument (event type, region) uses
// qvdb_record_shape_ex(..., "event_type", limit) and QVDB_DECLARE/DEFINE_RECORD_FUNCTIONS_EX.
// A weekly schedule table is one line: QVDB_SCHEDULE_TABLE(kBarSchedule, "bar_schedule") plus
// QVDB_DEFINE_SCHEDULE_FUNCTIONS(bar, kBarSchedule) (read_bar_schedule, write_bar_schedule,
// copy_bar_schedules; QVDB_DECLARE_SCHEDULE_FUNCTIONS(bar) in the header). A schedule keyed by
// channel and a second number: const QvdbShape kShape = qvdb_schedule_shape("event_type", 9);
// QVDB_TABLE(kTable, "baz_schedule", kShape); QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(baz, kTable).
// A further table name of an existing shape (a white-LED list, an HTTP target, a schedule of the
// named-table functions) is QVDB_TABLE(kName, "name", shape).
//
// Supported field types: int32_t, uint32_t, int64_t, uint64_t, double, char[N] (at most N - 1
// characters) and int32_t[N] arrays.
//
// Storage: a declaration adds no table to any file. Every file holds the same few tables:
// "records" (one row per record: kind, second key, key, and the fields as one JSON object "doc"
// keyed by the column names), "list_entries" (one row per list entry, likewise), "schedules"
// (one row per period in use) and, in the settings file, "params". The kind is the table name
// given here, so `sqlite3 qvdb.db "SELECT json(doc) FROM records WHERE kind = 'foo' AND id = 3"`
// shows a record. A kind that gains fields needs no schema change (a field its stored documents
// lack reads as zero), and keys of a document that this build does not declare survive a write of
// the record. A request pays for the kinds it touches, not for every kind declared. Registration
// only links a static object into a list; a file is stamped with a checksum of the factory rows
// the declarations ask for, so a new kind's factory rows are added the next time an older file is
// opened. Duplicate registrations of one name are harmless (the first one counts).
#ifndef NVR_CORE_QVDB_H
#define NVR_CORE_QVDB_H

#include <stddef.h>
#include <stdint.h>

// Device paths of the three database files.
#define QVDB_PATH "/mnt/nand/app/qvdb.db"
#define QVDB_ANPR_PATH "/mnt/nand/app/anpr.db"
#define QVDB_OEM_PATH "/mnt/nand2/oem.db"

constexpr int kQvdbChannels = 64;

// ---------------------------------------------------------------------------------------------
// Table declarations
// ---------------------------------------------------------------------------------------------

// Which file a table lives in.
enum QvdbFile : uint8_t { kQvdbSettings = 0, kQvdbAnpr = 1, kQvdbOem = 2 };

enum class QvdbType : uint8_t { Int32, UInt32, Int64, Text, Int32Array, Double };

// One stored field of a record: column name, byte offset, type, byte size.
struct QvdbField {
    const char *column;
    uint32_t offset;
    QvdbType type;
    uint32_t size;
};

template <typename Member>
struct QvdbTypeOf;  // no definition: an unsupported member type does not compile
template <>
struct QvdbTypeOf<int32_t> {
    static constexpr QvdbType value = QvdbType::Int32;
};
template <>
struct QvdbTypeOf<uint32_t> {
    static constexpr QvdbType value = QvdbType::UInt32;
};
template <>
struct QvdbTypeOf<int64_t> {
    static constexpr QvdbType value = QvdbType::Int64;
};
template <>
struct QvdbTypeOf<uint64_t> {
    static constexpr QvdbType value = QvdbType::Int64;
};
template <>
struct QvdbTypeOf<double> {
    static constexpr QvdbType value = QvdbType::Double;
};
template <size_t N>
struct QvdbTypeOf<char[N]> {
    static constexpr QvdbType value = QvdbType::Text;
};
template <size_t N>
struct QvdbTypeOf<int32_t[N]> {
    static constexpr QvdbType value = QvdbType::Int32Array;
};

#define QVDB_FIELD(Record, member, column_name)                                                 \
    QvdbField {                                                                                 \
        column_name, static_cast<uint32_t>(offsetof(Record, member)),                           \
            QvdbTypeOf<decltype(Record::member)>::value, static_cast<uint32_t>(sizeof(Record::member)) \
    }
#define QVDB_FIELDS(array) array, static_cast<uint32_t>(sizeof(array) / sizeof((array)[0]))

// How rows of a table map to memory.
enum class QvdbLayout : uint8_t {
    Record,    // one row per key; the key is a field of the record
    List,      // an ordered list of entries per owner key: rows (owner, slot); the owner is a field
    Schedule,  // a weekly schedule per key: rows (channel, day, slot) for the periods in use
               // (texts or an action type); a day flag without periods keeps an empty slot-0 row
};

struct QvdbShape {
    QvdbLayout layout;
    QvdbFile file;
    uint32_t size;             // bytes of one record or list entry
    const QvdbField *fields;   // stored fields (none for schedules)
    uint32_t field_count;
    const char *key_column;    // the field holding the row key (schedules: "channel")
    int key_limit;             // valid keys are 0 .. key_limit - 1
    int factory_rows;          // records: rows created in a new file for keys 0 .. factory_rows - 1
    const char *extra_column;  // optional second key passed as an argument; null: none
    int extra_limit;           // valid second keys 0 .. extra_limit - 1
    int slot_limit;            // lists: entries per owner
    // Records: the factory values of key (and second key) in a zeroed record whose key fields are
    // set; null when a factory row is all zeros.
    void (*factory_fill)(void *record, int key, int extra);
};

constexpr QvdbShape qvdb_record_shape(QvdbFile file, size_t size, const QvdbField *fields, uint32_t count,
                                      const char *key_column, int key_limit, int factory_rows) {
    return QvdbShape{QvdbLayout::Record, file, static_cast<uint32_t>(size), fields, count, key_column, key_limit,
                     factory_rows, nullptr, 0, 0, nullptr};
}
constexpr QvdbShape qvdb_record_shape_ex(QvdbFile file, size_t size, const QvdbField *fields, uint32_t count,
                                         const char *key_column, int key_limit, int factory_rows,
                                         const char *extra_column, int extra_limit) {
    return QvdbShape{QvdbLayout::Record, file, static_cast<uint32_t>(size), fields, count, key_column, key_limit,
                     factory_rows, extra_column, extra_limit, 0, nullptr};
}
// The same shape whose factory rows are filled by fill (a record shape with factory rows).
constexpr QvdbShape qvdb_with_factory(QvdbShape shape, void (*fill)(void *record, int key, int extra)) {
    shape.factory_fill = fill;
    return shape;
}
constexpr QvdbShape qvdb_list_shape(QvdbFile file, size_t entry_size, const QvdbField *fields, uint32_t count,
                                    const char *owner_column, int owner_limit, int slot_limit,
                                    const char *extra_column = nullptr, int extra_limit = 0) {
    return QvdbShape{QvdbLayout::List, file, static_cast<uint32_t>(entry_size), fields, count, owner_column,
                     owner_limit, 0, extra_column, extra_limit, slot_limit, nullptr};
}
constexpr QvdbShape qvdb_schedule_shape(const char *extra_column = nullptr, int extra_limit = 0,
                                        QvdbFile file = kQvdbSettings) {
    return QvdbShape{QvdbLayout::Schedule, file, 0, nullptr, 0, "channel", kQvdbChannels, 0,
                     extra_column, extra_limit, 0, nullptr};
}

// A named table of a shape. Declaring one registers it (a namespace-scope constant in any file):
// the declarations are constants gathered by the linker in one section, side by side, so that
// start-up writes nothing for them and a search by name reads one or two pages. The fixed size
// and alignment keep them an array whatever the word size.
struct alignas(16) QvdbTable {
    const char *name;
    const QvdbShape *shape;
};
static_assert(sizeof(QvdbTable) == 16, "declared tables lie side by side");

// A list of tables, each item {name, &shape}: QVDB_TABLE_LIST(kTables[4]) = {{"a", &kShape}, ...};
#define QVDB_TABLE_LIST(variable) \
    __attribute__((used, aligned(16), section("qvdb_tables"))) const QvdbTable variable

// (aligned: no wider alignment than the type's, which a compiler may give larger objects)
#define QVDB_TABLE(variable, table_name, shape) \
    __attribute__((used, aligned(16), section("qvdb_tables"))) const QvdbTable variable = {table_name, &(shape)}

// The shape of every plain per-channel weekly schedule table.
extern const QvdbShape kQvdbScheduleShape;
#define QVDB_SCHEDULE_TABLE(variable, table_name) QVDB_TABLE(variable, table_name, kQvdbScheduleShape)

// Shapes of the named event tables: white-LED and warning-light target lists (16 entries per
// event channel), HTTP notification targets (one per channel). Register a further name with
// QVDB_TABLE(kMyTable, "my_white_led_params", kQvdbWhiteLedShape).
extern const QvdbShape kQvdbWhiteLedShape;
extern const QvdbShape kQvdbWarningLightShape;
extern const QvdbShape kQvdbHttpTargetShape;

// The registered table of that name (first registration), or null.
const QvdbTable *qvdb_find_table(const char *name);
// The first registered table, then the one after a table (null after the last), in the order
// the program's files were linked.
const QvdbTable *qvdb_first_table();
const QvdbTable *qvdb_next_table(const QvdbTable *table);

// ---------------------------------------------------------------------------------------------
// Connections and transactions
// ---------------------------------------------------------------------------------------------

// Groups the writes of a request into one transaction (BEGIN IMMEDIATE: the write lock is taken
// first, so a read-modify-write inside it cannot lose a concurrent update). Transactions nest:
// an inner one, including the one every write_* call opens, joins the outer one. The outermost
// commits on commit(); leaving its scope without commit() rolls everything back, and so does a
// failure of any write inside it.
class DbTransaction {
  public:
    explicit DbTransaction(const char *db);
    ~DbTransaction();
    DbTransaction(const DbTransaction &) = delete;
    DbTransaction &operator=(const DbTransaction &) = delete;
    bool ok() const;  // the transaction is open and nothing in it failed
    int commit();     // 0 on success (an inner one only records that it finished)
    void fail();      // marks the whole transaction as failed (it will roll back)

  private:
    struct QvdbConnection *connection_;
    bool done_;
};

// Holds one read transaction on a file across a route's reads, so that they see one state of
// the file and take its locks once instead of once per statement. A write never upgrades it:
// a write transaction (or any statement that writes) begun inside the scope ends the read
// transaction first and then takes the write lock as it always does; reads after that run on
// their own. Inside a write transaction or another scope of the same file it does nothing. Open
// it around reads only, never across a wait for the daemon (a writer's checkpoint waits for it).
class DbReadScope {
  public:
    explicit DbReadScope(const char *db);
    ~DbReadScope();
    DbReadScope(const DbReadScope &) = delete;
    DbReadScope &operator=(const DbReadScope &) = delete;

  private:
    struct QvdbConnection *connection_;  // while this scope began the read transaction
};

// Database files are opened on first use and stay open for the life of the process (one
// connection per file, shared by its threads; a transaction belongs to the connection). A
// forked child notices the fork and opens its own. At exit a process that wrote empties the WAL
// into the database file and closes; a reader's connections are left to the exit.
// Closes every cached connection of this process (tools and tests).
void qvdb_close_all();
// Drops cached connections without closing them (a forked child must not use its parent's).
void qvdb_forget_connections();
// Opens the file, creating it in factory state or adding what the declarations newly ask for
// (factory rows of new kinds); 0 on success.
int qvdb_init_file(const char *db);
// The schema stamp this program writes into files of that kind.
int qvdb_schema_version(QvdbFile file);
// Number of times this process created or upgraded a schema (tests).
int qvdb_schema_upgrades();

// ---------------------------------------------------------------------------------------------
// Generic row access (the named functions below are thin wrappers of these)
// ---------------------------------------------------------------------------------------------

// Records. 0 on success; a missing row gives -1 and leaves the record untouched.
int qvdb_read_record(const char *db, const QvdbTable &table, void *record, int key, int extra = 0);
// Rows in key order into array (capacity records); *count gets the number read.
int qvdb_read_records(const char *db, const QvdbTable &table, void *array, int capacity, int *count,
                      int extra = 0);
// Stores the record under its own key (insert or replace).
int qvdb_write_record(const char *db, const QvdbTable &table, const void *record, int extra = 0);
// Stores array[i] under key i for each set bit i below count.
int qvdb_write_records(const char *db, const QvdbTable &table, const void *array, int count, uint64_t mask,
                       int extra = 0);
// Stores the record under every key of the mask.
int qvdb_copy_record(const char *db, const QvdbTable &table, const void *record, uint64_t mask, int extra = 0);
// The first record in key order whose text column equals text (with prefix > 0: whose first
// prefix characters equal those of text); with in_use_column, only rows where that integer
// column is non-zero.
int qvdb_read_record_by_text(const char *db, const QvdbTable &table, void *record, const char *column,
                             const char *text, int prefix = 0, const char *in_use_column = nullptr);
// Number of rows (whose in_use_column is non-zero, when given).
int qvdb_count_records(const char *db, const QvdbTable &table, const char *in_use_column, int *count);
// The lowest key without a row or whose in_use_column is 0; -1 when every key is in use.
int qvdb_free_key(const char *db, const QvdbTable &table, const char *in_use_column);
// Sets an integer column to value in the rows of the keys in mask; key_column must be the
// table's key column.
int qvdb_set_column_int(const char *db, const QvdbTable &table, const char *column, int value, uint64_t mask,
                        const char *key_column);

// Lists: entries (capacity of them) of one owner in slot order; *count gets their number. An
// owner without entries reads as an empty list (0).
int qvdb_read_list(const char *db, const QvdbTable &table, void *entries, int capacity, int *count, int owner,
                   int extra = 0);
// Replaces the owner's list with count entries (their owner field is set to owner).
int qvdb_write_list(const char *db, const QvdbTable &table, const void *entries, int count, int owner,
                    int extra = 0);
// Stores the list for every owner in mask.
int qvdb_copy_list(const char *db, const QvdbTable &table, const void *entries, int count, uint64_t mask,
                   int extra = 0);

struct WeeklySchedule;
// Schedules: a channel without stored periods reads as an empty schedule (0).
int qvdb_read_schedule(const char *db, const QvdbTable &table, WeeklySchedule *schedule, int channel,
                       int extra = 0);
int qvdb_write_schedule(const char *db, const QvdbTable &table, const WeeklySchedule *schedule, int channel,
                        int extra = 0);
int qvdb_copy_schedule(const char *db, const QvdbTable &table, const WeeklySchedule *schedule, uint64_t mask,
                       int extra = 0);

// Function families generated from a table. read_KINDs fills up to the table's key limit of
// records (64 for channels) in key order; write_KINDs stores array[i] as key i for each set bit
// i below count; copy_KINDs stores the record under every key of the mask.
#define QVDB_DECLARE_RECORD_FUNCTIONS(kind, Record)                                         \
    int read_##kind(const char *db, Record *record, int key);                               \
    int read_##kind##s(const char *db, Record *array, int *count, int reserved = 0);        \
    int write_##kind(const char *db, const Record *record);                                 \
    int write_##kind##s(const char *db, const Record *array, int count, uint64_t mask);     \
    int copy_##kind##s(const char *db, const Record *record, uint64_t mask);

#define QVDB_DEFINE_RECORD_FUNCTIONS(kind, Record, table)                                                   \
    int read_##kind(const char *db, Record *record, int key) {                                              \
        return qvdb_read_record(db, table, record, key);                                                    \
    }                                                                                                       \
    int read_##kind##s(const char *db, Record *array, int *count, int) {                                    \
        return qvdb_read_records(db, table, array, (table).shape->key_limit, count);                        \
    }                                                                                                       \
    int write_##kind(const char *db, const Record *record) { return qvdb_write_record(db, table, record); } \
    int write_##kind##s(const char *db, const Record *array, int count, uint64_t mask) {                    \
        return qvdb_write_records(db, table, array, count, mask);                                           \
    }                                                                                                       \
    int copy_##kind##s(const char *db, const Record *record, uint64_t mask) {                               \
        return qvdb_copy_record(db, table, record, mask);                                                   \
    }

#define QVDB_DECLARE_RECORD_FUNCTIONS_EX(kind, Record)                                          \
    int read_##kind(const char *db, Record *record, int key, int extra);                        \
    int read_##kind##s(const char *db, Record *array, int *count, int extra);                   \
    int write_##kind(const char *db, const Record *record, int extra);                          \
    int write_##kind##s(const char *db, const Record *array, int count, uint64_t mask, int extra); \
    int copy_##kind##s(const char *db, const Record *record, uint64_t mask, int extra);

#define QVDB_DEFINE_RECORD_FUNCTIONS_EX(kind, Record, table)                                      \
    int read_##kind(const char *db, Record *record, int key, int extra) {                         \
        return qvdb_read_record(db, table, record, key, extra);                                   \
    }                                                                                             \
    int read_##kind##s(const char *db, Record *array, int *count, int extra) {                    \
        return qvdb_read_records(db, table, array, (table).shape->key_limit, count, extra);       \
    }                                                                                             \
    int write_##kind(const char *db, const Record *record, int extra) {                           \
        return qvdb_write_record(db, table, record, extra);                                       \
    }                                                                                             \
    int write_##kind##s(const char *db, const Record *array, int count, uint64_t mask, int extra) { \
        return qvdb_write_records(db, table, array, count, mask, extra);                          \
    }                                                                                             \
    int copy_##kind##s(const char *db, const Record *record, uint64_t mask, int extra) {          \
        return qvdb_copy_record(db, table, record, mask, extra);                                  \
    }

#define QVDB_DECLARE_SCHEDULE_FUNCTIONS(kind)                                                  \
    int read_##kind##_schedule(const char *db, WeeklySchedule *schedule, int channel);         \
    int write_##kind##_schedule(const char *db, const WeeklySchedule *schedule, int channel);  \
    int copy_##kind##_schedules(const char *db, const WeeklySchedule *schedule, uint64_t mask);

#define QVDB_DEFINE_SCHEDULE_FUNCTIONS(kind, table)                                              \
    int read_##kind##_schedule(const char *db, WeeklySchedule *schedule, int channel) {          \
        return qvdb_read_schedule(db, table, schedule, channel);                                 \
    }                                                                                            \
    int write_##kind##_schedule(const char *db, const WeeklySchedule *schedule, int channel) {   \
        return qvdb_write_schedule(db, table, schedule, channel);                                \
    }                                                                                            \
    int copy_##kind##_schedules(const char *db, const WeeklySchedule *schedule, uint64_t mask) { \
        return qvdb_copy_schedule(db, table, schedule, mask);                                    \
    }

// Schedules with a second key (a shape from qvdb_schedule_shape("event_type", 9)):
// read_KIND_schedule(db, schedule, channel, second), copy_KIND_schedules(db, schedule, second, mask).
#define QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(kind)                                                          \
    int read_##kind##_schedule(const char *db, WeeklySchedule *schedule, int channel, int extra);          \
    int write_##kind##_schedule(const char *db, const WeeklySchedule *schedule, int channel, int extra);   \
    int copy_##kind##_schedules(const char *db, const WeeklySchedule *schedule, int extra, uint64_t mask);

#define QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(kind, table)                                                     \
    int read_##kind##_schedule(const char *db, WeeklySchedule *schedule, int channel, int extra) {         \
        return qvdb_read_schedule(db, table, schedule, channel, extra);                                    \
    }                                                                                                      \
    int write_##kind##_schedule(const char *db, const WeeklySchedule *schedule, int channel, int extra) {  \
        return qvdb_write_schedule(db, table, schedule, channel, extra);                                   \
    }                                                                                                      \
    int copy_##kind##_schedules(const char *db, const WeeklySchedule *schedule, int extra, uint64_t mask) { \
        return qvdb_copy_schedule(db, table, schedule, mask, extra);                                       \
    }

// ---------------------------------------------------------------------------------------------
// Records of accounts, audio files and motion detection
// ---------------------------------------------------------------------------------------------

// One account of the user table (ids 0 to 99; enable 0 marks a free slot).
struct UserRecord {
    int32_t id;
    int32_t enable;
    char name[64];
    char password[33];  // hex digest of the password as the login page computes it
    int32_t type;       // 0 to 3
    char localliveview[65];
    char localplayback[65];
    char remoteliveview[65];
    char remoteplayback[65];
    char reserved1[32];
    char flag_text[16];  // "0" for new accounts
    char reserved2[4];
    int32_t localLiveView, localPlayback, localRetrieve, localSmartAnalysis, localEvent, localCamera,
        localStorage, localSettings, localStatus, localShutdown;
    int32_t remoteLiveView, remotePlayback, remoteRetrieve, remoteSmartAnalysis, remoteEvent, remoteCamera,
        remoteStorage, remoteSettings, remoteStatus, remoteShutdown;
    int32_t permission;
    int32_t remotePermission;
    uint32_t localliveview_mask, localplayback_mask, remoteliveview_mask, remoteplayback_mask;
};
static_assert(offsetof(UserRecord, password) == 72, "user password at 72");
static_assert(offsetof(UserRecord, type) == 108, "user type at 108");
static_assert(offsetof(UserRecord, localliveview) == 112, "user channel strings at 112");
static_assert(offsetof(UserRecord, reserved1) == 372, "user reserved block at 372");
static_assert(offsetof(UserRecord, flag_text) == 404, "user flag text at 404");
static_assert(offsetof(UserRecord, localLiveView) == 424, "user rights at 424");
static_assert(offsetof(UserRecord, permission) == 504, "user permission at 504");
static_assert(offsetof(UserRecord, localliveview_mask) == 512, "user masks at 512");
static_assert(sizeof(UserRecord) == 528, "user record is 528 bytes");

constexpr int kQvdbMaxUsers = 100;

// Customer account of the OEM file.
struct OemUserRecord {
    int32_t id;
    int32_t enable;
    char name[64];
    char password[36];
    int32_t type;
    int32_t permission;
    int32_t remotePermission;
    char reserved[16];
};
static_assert(offsetof(OemUserRecord, password) == 72, "oem password at 72");
static_assert(offsetof(OemUserRecord, type) == 108, "oem type at 108");
static_assert(sizeof(OemUserRecord) == 136, "oem user record is 136 bytes");

// Alarm audio file (ids 0 to 9); name is URL-safe Base64 of the file name.
struct AlarmAudioFile {
    int32_t id;
    int32_t enable;
    char name[128];
};
static_assert(sizeof(AlarmAudioFile) == 136, "alarm audio file record is 136 bytes");

constexpr int kQvdbAudioFiles = 10;

// Motion detection settings of one channel.
struct MotionRecord {
    int32_t channel;
    int32_t enable;
    int32_t sensitivity;
    int32_t reserved0;
    uint64_t tri_channels_mask;
    int32_t triAlarms;
    char motionTable[368];
    int32_t interval;
    int32_t enableMS;
    char triChannels[65];
    int32_t email_enable;
    int32_t email_interval;
    char triChnAlarms1[65];
    char triChnAlarms2[65];
    char reserved1[6];
    int32_t ptz_interval;
    int32_t alarmout_interval;
    int32_t white_interval;
    int32_t warning_light_interval;
    int32_t email_pic_enable;
    char tri_channels_pic[65];
    int32_t audioId;
    int32_t http_notification_interval;
};
static_assert(offsetof(MotionRecord, tri_channels_mask) == 16, "motion channel set at 16");
static_assert(offsetof(MotionRecord, motionTable) == 28, "motion table at 28");
static_assert(offsetof(MotionRecord, interval) == 396, "motion interval at 396");
static_assert(offsetof(MotionRecord, triChannels) == 404, "motion channel text at 404");
static_assert(offsetof(MotionRecord, email_enable) == 472, "motion e-mail at 472");
static_assert(offsetof(MotionRecord, triChnAlarms1) == 480, "motion alarm-output text 1 at 480");
static_assert(offsetof(MotionRecord, triChnAlarms2) == 545, "motion alarm-output text 2 at 545");
static_assert(offsetof(MotionRecord, ptz_interval) == 616, "motion PTZ interval at 616");
static_assert(offsetof(MotionRecord, tri_channels_pic) == 636, "motion snapshot channels at 636");
static_assert(offsetof(MotionRecord, audioId) == 704, "motion audio id at 704");
static_assert(sizeof(MotionRecord) == 712, "motion record is 712 bytes");

// ---------------------------------------------------------------------------------------------
// Weekly schedule and event target lists
// ---------------------------------------------------------------------------------------------

struct SchedulePeriod {
    char startTime[32];
    char endTime[32];
    int32_t actionType;
    int32_t reserved;
};
struct ScheduleDay {
    SchedulePeriod period[48];
    int32_t dayFlag;  // camera form: 1 for the days it carries
    int32_t reserved;
};
struct WeeklySchedule {
    ScheduleDay day[8];
};
static_assert(sizeof(SchedulePeriod) == 72, "schedule period is 72 bytes");
static_assert(offsetof(ScheduleDay, dayFlag) == 3456, "day flag at 3456");
static_assert(sizeof(ScheduleDay) == 3464, "schedule day is 3464 bytes");
static_assert(sizeof(WeeklySchedule) == 27712, "weekly schedule is 27712 bytes");

constexpr int kQvdbListEntries = 16;   // white-LED and warning-light targets per event channel
constexpr int kQvdbPtzEntries = 64;    // PTZ linkage entries per event channel

struct WhiteLedTarget {
    int32_t channel;  // event channel (or people-counting group)
    int32_t chnid;    // camera whose light is driven
    int32_t mode;
    int32_t time;
};
static_assert(sizeof(WhiteLedTarget) == 16, "white-LED target is 16 bytes");

// The targets of one event channel and how many of them are in use.
struct WhiteLedList {
    WhiteLedTarget entry[kQvdbListEntries];
    int32_t count;
};

struct WarningLightTarget {
    int32_t channel;
    int32_t chnid;
    int32_t field2;  // not exchanged with the pages; kept as stored
    int32_t field3;
    int32_t time;
    int32_t field5;
};
static_assert(sizeof(WarningLightTarget) == 24, "warning-light target is 24 bytes");

struct WarningLightList {
    WarningLightTarget entry[kQvdbListEntries];
    int32_t count;
};

struct HttpTarget {
    int32_t channel;
    char url[513];
    char username[97];
    char password[65];
};
static_assert(offsetof(HttpTarget, username) == 517, "HTTP user name at 517");
static_assert(offsetof(HttpTarget, password) == 614, "HTTP password at 614");
static_assert(sizeof(HttpTarget) == 680, "HTTP target is 680 bytes");

struct PtzLinkEntry {
    int32_t channel;  // event channel
    int32_t acto_ptz_channel;
    int32_t reserved;
    int32_t acto_ptz_type;
    int32_t acto_ptz_preset;
    int32_t acto_ptz_patrol;
    int32_t acto_ptz_pattern;
};
static_assert(sizeof(PtzLinkEntry) == 28, "PTZ linkage entry is 28 bytes");
static_assert(sizeof(PtzLinkEntry) * kQvdbPtzEntries == 1792, "PTZ linkage list is 1792 bytes");

struct PtzLinkList {
    PtzLinkEntry entry[kQvdbPtzEntries];
    int32_t count;
};

constexpr int kQvdbPeopleCountPtzType = 20;

// Key of the named-table schedule functions: {channel, table name}.
struct QvdbTableKey {
    int32_t channel;
    char table[64];
};

// ---------------------------------------------------------------------------------------------
// Named functions
// ---------------------------------------------------------------------------------------------

// Accounts. read_users reads up to 100 records in id order.
QVDB_DECLARE_RECORD_FUNCTIONS(user, UserRecord)
// Exact name match among accounts in use; 0 when found (the record is then filled).
int read_user_by_name(const char *db, UserRecord *record, const char *name);
// Match on the first length characters of both names (the duplicate-name test of new accounts).
int read_user_by_name_prefix(const char *db, UserRecord *record, const char *name, int length);
// Number of accounts in use.
int read_user_count(const char *db, int *count);
// Stores the record in the lowest free slot (no row, or enable 0) and sets record->id; -1 when
// all 100 slots are in use.
int add_user(const char *db, UserRecord *record);
// Customer accounts of the OEM file, up to 100 in id order.
int read_users_oem(const char *db, OemUserRecord *array, int *count);
int write_user_oem(const char *db, const OemUserRecord *record);

// Alarm audio files, ids 0 to 9.
int read_alarm_audio_file(const char *db, AlarmAudioFile *record, int id);
int write_alarm_audio_file(const char *db, const AlarmAudioFile *record);
// Bit i set for each audio file i (0 to 9) whose enable is 1.
int get_audio_file_id_mask();

// Motion detection.
QVDB_DECLARE_RECORD_FUNCTIONS(motion, MotionRecord)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(motion_effective)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(motion_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(motion_email)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(motion_ptz)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(motion)  // the plain schedule of the schedule routes

// Named schedule tables (white LED, warning light, HTTP notification): the table must be a
// registered schedule table, else -1.
int read_whiteled_effective_schedule(const char *db, WeeklySchedule *schedule, const QvdbTableKey *key);
int write_whiteled_effective_schedule(const char *db, const WeeklySchedule *schedule, const QvdbTableKey *key);
int copy_whiteled_effective_schedules(const char *db, const WeeklySchedule *schedule, const char *table,
                                      uint64_t mask);
int read_warning_light_effective_schedule(const char *db, WeeklySchedule *schedule, const QvdbTableKey *key);
int write_warning_light_effective_schedule(const char *db, const WeeklySchedule *schedule,
                                           const QvdbTableKey *key);
int copy_warning_light_effective_schedules(const char *db, const WeeklySchedule *schedule, const char *table,
                                           uint64_t mask);
int read_http_notification_schedule(const char *db, WeeklySchedule *schedule, const char *table, int channel);
int write_http_notification_schedule(const char *db, const WeeklySchedule *schedule, const char *table,
                                     int channel);
int copy_http_notification_schedules(const char *db, const WeeklySchedule *schedule, const char *table,
                                     uint64_t mask);

// Named target lists: the table must be a registered table of the matching shape, else -1.
int read_whiteled_params(const char *db, WhiteLedList *list, const QvdbTableKey *key);
int write_whiteled_params_all(const char *db, const WhiteLedList *list, const char *table, int channel);
int copy_whiteled_params(const char *db, const WhiteLedList *list, const char *table, uint64_t mask);
int read_warning_light_params(const char *db, WarningLightList *list, const QvdbTableKey *key);
int write_warning_light_params_all(const char *db, const WarningLightList *list, const char *table, int channel);
int copy_warning_light_params(const char *db, const WarningLightList *list, const char *table, uint64_t mask);
// People-counting white-LED targets of a counting group.
int read_peoplecnt_wled_params(const char *db, WhiteLedList *list, int group);
int write_peoplecnt_wled_params_all(const char *db, const WhiteLedList *list, int group);

// HTTP notification targets of a named table, keyed by the target's channel.
int read_http_notification_params(const char *db, HttpTarget *target, const char *table, int channel);
int write_http_notification_params(const char *db, const HttpTarget *target, const char *table);
int copy_http_notification_params(const char *db, const HttpTarget *target, const char *table, uint64_t mask);
// Targets 0 .. count - 1 of a table keyed by index (the exception kinds): a stored target i
// is read into targets[i]; one that is not stored is zeroed with channel -1.
int read_http_notification_params_init(const char *db, const char *table, HttpTarget *targets, int count);
// Stores targets[i] under key i for each target whose channel is i; a target with channel -1
// (a kind not being set) keeps what is stored.
int write_http_notification_params_batch(const char *db, const HttpTarget *targets, const char *table, int count);

// PTZ linkage lists by event type (see the codec) and event channel. Type 20 is people counting.
int read_ptz_params(const char *db, PtzLinkList *list, int type, int channel);
int write_ptz_params_all(const char *db, const PtzLinkList *list, int type, int channel);
int copy_ptz_params_all(const char *db, const PtzLinkList *list, int type, uint64_t mask);
int read_peoplecnt_ptz_params(const char *db, PtzLinkList *list, int group);
int write_peoplecnt_ptz_params_ex(const char *db, const PtzLinkList *list, int group);
// Single entries of the list of entry->channel: write replaces the entry of the same
// acto_ptz_channel or appends it (-1 when the list is full); update first removes that PTZ
// channel's entry from the list of old_channel; delete removes the entries of ptz_channel.
int write_ptz_params(const char *db, const PtzLinkEntry *entry, int type);
int update_ptz_params(const char *db, const PtzLinkEntry *entry, int type, int old_channel);
int delete_ptz_params(const char *db, const PtzLinkEntry *entry, int type, int ptz_channel);
int write_peoplecnt_ptz_params(const char *db, const PtzLinkEntry *entry);
int update_peoplecnt_ptz_params(const char *db, const PtzLinkEntry *entry, int old_group);
int delete_peoplecnt_ptz_params(const char *db, const PtzLinkEntry *entry, int ptz_channel);

// Sets one integer column of a registered record table in the rows of the keys in mask.
int copy_table_column_int(const char *db, const char *table, const char *column, int value, uint64_t mask,
                          const char *key_column);

// ---------------------------------------------------------------------------------------------
// Parameters (settings file): text values by key, with factory defaults
// ---------------------------------------------------------------------------------------------

int get_param_int(const char *db, const char *key, int default_value);
// Copies the value (or the default when the key is missing) cut to size - 1; 0 when the key
// exists, -1 when the default was used.
int get_param_value(const char *db, const char *key, char *out, int size, const char *default_value);
// Store the value, creating the key when missing.
int set_param_int(const char *db, const char *key, int value);
int set_param_value(const char *db, const char *key, const char *value);
// 0 when the key exists, -1 otherwise.
int check_param_key(const char *db, const char *key);
int add_param_value(const char *db, const char *key, const char *value);

struct QvdbParamDefault {
    const char *key;
    const char *value;
};
// The factory parameters and their count.
const QvdbParamDefault *qvdb_param_defaults(int *count);

// ---------------------------------------------------------------------------------------------
// Small helpers
// ---------------------------------------------------------------------------------------------

// Channel string ('1' at position i for channel i, at most 64 characters) to its set.
uint64_t get_channel_mask(const char *text);
// The name of exception kind index (0 to 13) into out; -1 (out "") for another index.
constexpr int kQvdbExceptionKinds = 14;
int get_exception_name(int index, char *out, int size);
// Smart-event table names: which 0 the schedule table, 1 the list or target table; type 0 to 8.
int get_vca_white_table_name(int which, int type, char *out, int size);
int get_vca_warning_light_table_name(int which, int type, char *out, int size);
int get_vca_http_table_name(int which, int type, char *out, int size);

#endif
