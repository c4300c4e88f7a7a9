// Database library: schema lifecycle, transactions and concurrent writers in separate processes.
#include <sqlite3.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/qvdb_internal.h"
#include "platform/qvdb_test_support.h"

namespace {

// A plain weekly schedule declared with a shape object of its own.
const QvdbShape kOwnScheduleShape = qvdb_schedule_shape();
QVDB_TABLE(kOwnSchedule, "test_own_schedule", kOwnScheduleShape);

using SchemaLifecycle = DbTest;
using Transactions = DbTest;
using ConcurrentWriters = DbTest;
using ReadScopes = DbTest;

// Runs SQL on a separate connection and returns the first column of the first row as text.
std::string query(const std::string &file, const std::string &sql) {
    sqlite3 *db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
            result = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

// Every table any part of the program declares must be sound, or its file cannot be opened.
TEST(TableDeclarations, EveryRegisteredTableIsSound) {
    int tables = 0;
    for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table), tables++)
        EXPECT_EQ(qvdb_table_problem(*table), "");
    EXPECT_GT(tables, 100);
}

// Tables declared alone and in lists, in files linked apart, are each walked once and found by
// name: the walk must step over whatever lies between two files' declarations.
TEST(TableDeclarations, WalkReachesEveryDeclarationOnce) {
    std::map<const QvdbTable *, int> visits;
    std::set<std::string> names;
    for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table)) {
        ASSERT_NE(table->name, nullptr);
        ASSERT_NE(table->shape, nullptr) << table->name;
        visits[table]++;
        names.insert(table->name);
    }
    const char *declared[] = {
        "motion_whiteled_esche",          // one table, in a route module's file
        "motion_http_notification_sche",  //
        "regional_pcnt_event",            // one table, in the library
        "regional_pcnt_audible_sche",     // first and last of a list
        "regional_pcnt3_ptz_sche",        //
    };
    for (const char *name : declared) {
        const QvdbTable *table = qvdb_find_table(name);
        ASSERT_NE(table, nullptr) << name;
        EXPECT_EQ(visits[table], 1) << name;
        EXPECT_EQ(names.count(name), 1u) << name;
    }
    for (const auto &visit : visits) EXPECT_EQ(visit.second, 1) << visit.first->name;
    EXPECT_EQ(qvdb_find_table("no_such_table"), nullptr);
}

TEST(TableDeclarations, UnsoundDeclarationsAreNamed) {
    struct Bad {
        int32_t id;
        int32_t slot;
        char name[8];
        int32_t list[4];
    };
    const QvdbField good_key[] = {QVDB_FIELD(Bad, id, "id"), QVDB_FIELD(Bad, name, "name")};
    const QvdbField text_key[] = {QVDB_FIELD(Bad, name, "id")};
    const QvdbField twice[] = {QVDB_FIELD(Bad, id, "id"), QVDB_FIELD(Bad, slot, "ID")};
    const QvdbField bad_name[] = {QVDB_FIELD(Bad, id, "id"), QVDB_FIELD(Bad, slot, "slot;--")};
    const QvdbField list_slot[] = {QVDB_FIELD(Bad, id, "id"), QVDB_FIELD(Bad, slot, "slot")};
    const QvdbField list_array[] = {QVDB_FIELD(Bad, id, "id"), QVDB_FIELD(Bad, list, "list")};
    const QvdbShape record = qvdb_record_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(good_key), "id", 4, 0);
    const QvdbShape no_range = qvdb_record_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(good_key), "id", 0, 0);
    const QvdbShape text_keyed = qvdb_record_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(text_key), "id", 4, 0);
    const QvdbShape doubled = qvdb_record_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(twice), "id", 4, 0);
    const QvdbShape badly_named = qvdb_record_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(bad_name), "id", 4, 0);
    const QvdbShape slotted = qvdb_list_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(list_slot), "id", 4, 4);
    const QvdbShape list_with_array = qvdb_list_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(list_array), "id", 4, 4);
    const QvdbShape no_entries = qvdb_list_shape(kQvdbAnpr, sizeof(Bad), QVDB_FIELDS(list_slot), "id", 4, 0);
    const QvdbShape outside = qvdb_record_shape(kQvdbAnpr, sizeof(Bad) - 4, QVDB_FIELDS(list_array), "id", 4, 0);
    struct Case {
        int line;
        const char *name;
        const QvdbShape *shape;
        const char *problem;
    } cases[] = {
        {__LINE__, "test_bad_a", &record, ""},
        {__LINE__, "test bad", &record, "not an identifier"},
        {__LINE__, "test_bad_a'--", &record, "not an identifier"},
        {__LINE__, "motion", &record, "different shapes"},
        {__LINE__, "test_bad_b", &no_range, "empty key range"},
        {__LINE__, "test_bad_c", &text_keyed, "not an int32_t field"},
        {__LINE__, "test_bad_d", &doubled, "twice"},
        {__LINE__, "test_bad_e", &badly_named, "not an identifier"},
        {__LINE__, "test_bad_h", &no_entries, "list without entries"},
        {__LINE__, "test_bad_i", &outside, "outside the record"},
        // Kinds are values of the fixed tables, not tables: the fixed tables' names and columns
        // are free for declarations, and so are arrays in list entries.
        {__LINE__, "params", &record, ""},
        {__LINE__, "schedules", &record, ""},
        {__LINE__, "test_bad_f", &slotted, ""},
        {__LINE__, "test_bad_g", &list_with_array, ""},
    };
    for (const Case &c : cases) {
        // A table object that is not registered: built by hand so the registry stays untouched.
        QvdbTable *table = static_cast<QvdbTable *>(operator new(sizeof(QvdbTable)));
        table->name = c.name;
        table->shape = c.shape;
        std::string problem = qvdb_table_problem(*table);
        operator delete(table);
        if (*c.problem == '\0') EXPECT_EQ(problem, "") << "line " << c.line;
        else EXPECT_NE(problem.find(c.problem), std::string::npos) << "line " << c.line << ": " << problem;
    }
}

TEST_F(SchemaLifecycle, NewFileGetsSchemaFactoryRowsAndNoAccount) {
    ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
    std::string file = db_file(QVDB_PATH);
    EXPECT_EQ(query(file, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(query(file, "PRAGMA user_version"), std::to_string(qvdb_schema_version(kQvdbSettings)));
    EXPECT_EQ(query(file, "SELECT count(*) FROM records WHERE kind = 'motion'"), "64");
    EXPECT_EQ(query(file, "SELECT min(id) || '-' || max(id) FROM records WHERE kind = 'motion' AND extra = 0"), "0-63");
    EXPECT_EQ(query(file, "SELECT count(*) FROM records WHERE kind = 'alarm_audio_files' AND doc ->> '$.enable' = 0"),
              "10");
    EXPECT_EQ(query(file, "SELECT count(*) FROM records WHERE kind = 'users'"), "0");
    int defaults = 0;
    qvdb_param_defaults(&defaults);
    EXPECT_EQ(query(file, "SELECT count(*) FROM params"), std::to_string(defaults));
    // A record is one JSON object keyed by the declared column names, in declaration order.
    EXPECT_EQ(query(file, "SELECT json_valid(doc) FROM records WHERE kind = 'motion' AND id = 7"), "1");
    EXPECT_EQ(query(file, "SELECT group_concat(key) FROM (SELECT key FROM records, json_each(doc) "
                          "WHERE kind = 'network' LIMIT 3)"),
              "id,mode,host_name");
    // The same few tables whatever the program declares, and only them; the OEM kinds only in
    // the OEM file.
    EXPECT_EQ(query(file, "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'table' "
                          "ORDER BY name)"),
              "params,records");
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE type = 'index'"), "0");
    EXPECT_EQ(query(file, "SELECT count(*) FROM records WHERE kind = 'oem_users'"), "0");
    ASSERT_EQ(qvdb_init_file(QVDB_OEM_PATH), 0);
    EXPECT_EQ(query(db_file(QVDB_OEM_PATH), "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master "
                                            "WHERE type = 'table' ORDER BY name)"),
              "records");
}

TEST_F(SchemaLifecycle, ReopeningAnUpToDateFileDoesNoSchemaWork) {
    ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
    int upgrades = qvdb_schema_upgrades();
    // A row removed behind the library's back stays removed: no factory rows are re-added.
    query(db_file(QVDB_PATH), "DELETE FROM records WHERE kind = 'motion' AND id = 5");
    qvdb_close_all();
    MotionRecord record{};
    EXPECT_EQ(read_motion(QVDB_PATH, &record, 5), -1);
    EXPECT_EQ(qvdb_schema_upgrades(), upgrades);
    EXPECT_EQ(read_motion(QVDB_PATH, &record, 6), 0);
}

// A file stamped by a program that declared fewer kinds gets the missing factory rows; what is
// stored stays. A fixed table of another definition is replaced.
TEST_F(SchemaLifecycle, OlderFileGetsNewFactoryRowsAndKeepsItsRecords) {
    MotionRecord record{};
    record.channel = 3;
    record.sensitivity = 42;
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    qvdb_close_all();
    std::string file = db_file(QVDB_PATH);
    query(file, "DELETE FROM records WHERE kind = 'network' OR (kind = 'motion' AND id > 10)");
    query(file, "DELETE FROM params WHERE key = 'alarm_in'");
    query(file, "DROP TABLE params");
    query(file, "CREATE TABLE params (name TEXT, channel INTEGER, slot INTEGER)");
    query(file, "PRAGMA user_version = 1");
    int upgrades = qvdb_schema_upgrades();

    MotionRecord loaded{};
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 3), 0);
    EXPECT_EQ(loaded.sensitivity, 42);
    EXPECT_EQ(qvdb_schema_upgrades(), upgrades + 1);
    EXPECT_EQ(query(file, "PRAGMA user_version"), std::to_string(qvdb_schema_version(kQvdbSettings)));
    EXPECT_EQ(query(file, "SELECT count(*) FROM records WHERE kind = 'motion'"), "64");
    EXPECT_EQ(query(file, "SELECT count(*) FROM records WHERE kind = 'network'"), "1");
    EXPECT_EQ(get_param_int(QVDB_PATH, "alarm_in", 0), 16);
    WhiteLedList list{};
    list.count = 1;
    list.entry[0].chnid = 2;
    EXPECT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 3), 0);
}

// Fields a document lacks read as zero, keys this build does not declare survive a write of the
// record, and a damaged document is a failed read that the next write replaces.
TEST_F(SchemaLifecycle, DocumentsToleratePartialUnknownAndDamagedContent) {
    std::string file = db_file(QVDB_PATH);
    ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
    query(file, "UPDATE records SET doc = '{\"channel\":2,\"sensitivity\":5,\"later_field\":[1,{\"a\":\"}\"}],"
                "\"later_text\":\"x\"}' WHERE kind = 'motion' AND id = 2");
    MotionRecord record{};
    ASSERT_EQ(read_motion(QVDB_PATH, &record, 2), 0);
    EXPECT_EQ(record.sensitivity, 5);
    EXPECT_EQ(record.enable, 0);
    record.enable = 1;
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    EXPECT_EQ(query(file, "SELECT doc ->> '$.later_text' || json_extract(doc, '$.later_field[1].a') || "
                          "(doc ->> '$.enable') FROM records WHERE kind = 'motion' AND id = 2"),
              "x}1");

    const char *damaged[] = {"", "[]", "{\"enable\":1", "{\"enable\" 1}", "{\"enable\":1}x", "{\"a\":\"\\q\"}"};
    for (const char *doc : damaged) {
        query(file, std::string("UPDATE records SET doc = '") + doc + "' WHERE kind = 'motion' AND id = 2");
        memset(&record, 0x5A, sizeof record);
        EXPECT_EQ(read_motion(QVDB_PATH, &record, 2), -1) << doc;
        EXPECT_EQ(record.enable, 0) << doc;  // a failed read leaves zeros
    }
    record.channel = 2;
    record.sensitivity = 8;
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    ASSERT_EQ(read_motion(QVDB_PATH, &record, 2), 0);
    EXPECT_EQ(record.sensitivity, 8);
}

// Rows of one name never reach another name of the same shape: rewrites, copies and counts
// are limited to their name.
TEST_F(SchemaLifecycle, NamesInASharedTableStayApart) {
    auto schedule = std::make_unique<WeeklySchedule>();
    memset(schedule.get(), 0, sizeof *schedule);
    strcpy(schedule->day[0].period[1].startTime, "01:00");
    ASSERT_EQ(write_motion_effective_schedule(QVDB_PATH, schedule.get(), 3), 0);
    auto other = std::make_unique<WeeklySchedule>();
    memset(other.get(), 0, sizeof *other);
    ASSERT_EQ(write_motion_audible_schedule(QVDB_PATH, other.get(), 3), 0);  // deletes only its own rows
    ASSERT_EQ(copy_http_notification_schedules(QVDB_PATH, other.get(), "motion_http_notification_sche", ~0ULL), 0);
    ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, other.get(), 3), 0);
    EXPECT_STREQ(other->day[0].period[1].startTime, "01:00");

    WhiteLedList list{};
    list.count = 1;
    list.entry[0].chnid = 4;
    ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 5), 0);
    WhiteLedList empty{};
    ASSERT_EQ(copy_whiteled_params(QVDB_PATH, &empty, "video_loss_white_led_params", ~0ULL), 0);
    ASSERT_EQ(write_peoplecnt_wled_params_all(QVDB_PATH, &empty, 5), 0);
    QvdbTableKey key{5, "motion_white_led_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &list, &key), 0);
    EXPECT_EQ(list.count, 1);

    ASSERT_EQ(qvdb_write_schedule(QVDB_PATH, kOwnSchedule, schedule.get(), 3), 0);
    memset(other.get(), 0, sizeof *other);
    ASSERT_EQ(write_motion_effective_schedule(QVDB_PATH, other.get(), 3), 0);
    ASSERT_EQ(qvdb_read_schedule(QVDB_PATH, kOwnSchedule, other.get(), 3), 0);
    EXPECT_STREQ(other->day[0].period[1].startTime, "01:00");
    EXPECT_EQ(query(db_file(QVDB_PATH), "SELECT count(*) FROM records WHERE kind = 'test_own_schedule'"), "1");

    HttpTarget target{};
    target.channel = 1;
    strcpy(target.url, "http://x");
    ASSERT_EQ(write_http_notification_params(QVDB_PATH, &target, "alarmin_http_notification_params"), 0);
    HttpTarget loaded{};
    EXPECT_EQ(read_http_notification_params(QVDB_PATH, &loaded, "videoloss_http_notification_params", 1), -1);
    ASSERT_EQ(copy_http_notification_params(QVDB_PATH, &loaded, "videoloss_http_notification_params", 1ULL << 1), 0);
    ASSERT_EQ(read_http_notification_params(QVDB_PATH, &loaded, "alarmin_http_notification_params", 1), 0);
    EXPECT_STREQ(loaded.url, "http://x");
}

// A process that wrote leaves an empty WAL behind, so the next process has no frames to replay.
TEST_F(SchemaLifecycle, WriterEmptiesTheWalWhenItCloses) {
    MotionRecord record{};
    record.channel = 4;
    record.sensitivity = 9;
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    struct stat wal {};
    ASSERT_EQ(stat((db_file(QVDB_PATH) + "-wal").c_str(), &wal), 0);
    EXPECT_GT(wal.st_size, 0);
    qvdb_close_all();
    EXPECT_TRUE(stat((db_file(QVDB_PATH) + "-wal").c_str(), &wal) != 0 || wal.st_size == 0);
    EXPECT_EQ(query(db_file(QVDB_PATH), "SELECT doc ->> '$.sensitivity' FROM records WHERE kind = 'motion' AND id = 4"),
              "9");
}

// Statements are reused by their text; two of the same text in use at once step independently.
TEST_F(SchemaLifecycle, SameStatementTwiceAtOnce) {
    QvdbConnection *connection = qvdb_open(QVDB_PATH);
    ASSERT_NE(connection, nullptr);
    const std::string sql = "SELECT id FROM records WHERE kind = 'motion' AND id >= ? ORDER BY id";
    for (int round = 0; round < 2; round++) {  // the second round takes the statements back from the idle ones
        QvdbStatement outer(connection, sql);
        QvdbStatement inner(connection, sql);
        ASSERT_TRUE(outer && inner);
        ASSERT_NE(outer.get(), inner.get());
        sqlite3_bind_int(outer.get(), 1, 10);
        sqlite3_bind_int(inner.get(), 1, 60);
        ASSERT_EQ(sqlite3_step(outer.get()), SQLITE_ROW);
        ASSERT_EQ(sqlite3_step(inner.get()), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(outer.get(), 0), 10);
        EXPECT_EQ(sqlite3_column_int(inner.get(), 0), 60);
        ASSERT_EQ(sqlite3_step(outer.get()), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(outer.get(), 0), 11);
    }
    // A statement comes back reset and without bindings.
    QvdbStatement again(connection, sql);
    ASSERT_EQ(sqlite3_step(again.get()), SQLITE_DONE);  // NULL bound: no row
}

TEST_F(SchemaLifecycle, UnwritableLocationFailsCleanly) {
    ASSERT_EQ(rmdir(root.at("/mnt/nand2").c_str()), 0);
    root.write_file("/mnt/nand2", "");  // a file where the folder should be
    EXPECT_EQ(qvdb_init_file(QVDB_OEM_PATH), -1);
    OemUserRecord users[kQvdbMaxUsers];
    int count = 5;
    EXPECT_EQ(read_users_oem(QVDB_OEM_PATH, users, &count), -1);
    EXPECT_EQ(count, 0);
}

TEST_F(Transactions, OuterTransactionCommitsOrRollsBackEveryInnerWrite) {
    MotionRecord record{};
    {
        DbTransaction outer(QVDB_PATH);
        ASSERT_TRUE(outer.ok());
        record.channel = 1;
        record.enable = 1;
        ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
        ASSERT_EQ(set_param_int(QVDB_PATH, "max_cameras", 8), 0);
        // no commit: both writes are rolled back
    }
    MotionRecord loaded{};
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 1), 0);
    EXPECT_EQ(loaded.enable, 0);
    EXPECT_EQ(get_param_int(QVDB_PATH, "max_cameras", 0), 32);
    {
        DbTransaction outer(QVDB_PATH);
        ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
        {
            DbTransaction inner(QVDB_PATH);
            ASSERT_EQ(set_param_int(QVDB_PATH, "max_cameras", 8), 0);
            EXPECT_EQ(inner.commit(), 0);
        }
        EXPECT_EQ(outer.commit(), 0);
    }
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 1), 0);
    EXPECT_EQ(loaded.enable, 1);
    EXPECT_EQ(get_param_int(QVDB_PATH, "max_cameras", 0), 8);
}

TEST_F(Transactions, FailedInnerWriteRollsBackTheWholeTransaction) {
    DbTransaction outer(QVDB_PATH);
    MotionRecord record{};
    record.channel = 2;
    record.enable = 1;
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    {
        DbTransaction inner(QVDB_PATH);  // left without commit: a failure
    }
    EXPECT_FALSE(outer.ok());
    EXPECT_EQ(outer.commit(), -1);
    MotionRecord loaded{};
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 2), 0);
    EXPECT_EQ(loaded.enable, 0);
    // The next transaction starts clean.
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 2), 0);
    EXPECT_EQ(loaded.enable, 1);
}

// Child process: 50 read-modify-write cycles of its channel's motion record and 50 increments of
// a shared parameter, each in one transaction. Exit status 0 when every step succeeded.
int child_work(int channel) {
    qvdb_forget_connections();
    for (int i = 0; i < 50; i++) {
        DbTransaction transaction(QVDB_PATH);
        MotionRecord record{};
        if (!transaction.ok() || read_motion(QVDB_PATH, &record, channel) != 0) return 1;
        record.sensitivity++;
        if (write_motion(QVDB_PATH, &record) != 0 || transaction.commit() != 0) return 2;
    }
    for (int i = 0; i < 50; i++) {
        DbTransaction transaction(QVDB_PATH);
        int value = get_param_int(QVDB_PATH, "shared_counter", 0);
        if (set_param_int(QVDB_PATH, "shared_counter", value + 1) != 0 || transaction.commit() != 0) return 3;
        if (set_param_int(QVDB_PATH, ("child_" + std::to_string(channel)).c_str(), i) != 0) return 4;
    }
    qvdb_close_all();
    return 0;
}

TEST_F(ConcurrentWriters, EightProcessesLoseNothingAndNeverFailBusy) {
    ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
    qvdb_close_all();
    constexpr int kProcesses = 8;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; p++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(child_work(10 + p));
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "child " << pid;
    }
    for (int p = 0; p < kProcesses; p++) {
        MotionRecord record{};
        ASSERT_EQ(read_motion(QVDB_PATH, &record, 10 + p), 0);
        EXPECT_EQ(record.sensitivity, 50) << "channel " << 10 + p;
        EXPECT_EQ(get_param_int(QVDB_PATH, ("child_" + std::to_string(10 + p)).c_str(), -1), 49);
    }
    EXPECT_EQ(get_param_int(QVDB_PATH, "shared_counter", 0), kProcesses * 50);
}

// Eight requests on a device root whose files do not exist yet: each finds a complete factory
// file, whichever of them creates it, and every write lands.
TEST_F(ConcurrentWriters, ProcessesCreatingANewFileTogetherAgree) {
    constexpr int kProcesses = 8;
    int upgrades = qvdb_schema_upgrades();
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; p++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            qvdb_forget_connections();
            MotionRecord record{};
            if (read_motion(QVDB_PATH, &record, 63) != 0 || get_param_int(QVDB_PATH, "alarm_in", 0) != 16) _exit(2);
            record.channel = p;
            record.enable = 1;
            OemUserRecord oem{};
            oem.id = p;
            oem.enable = 1;
            _exit(write_motion(QVDB_PATH, &record) == 0 && write_user_oem(QVDB_OEM_PATH, &oem) == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    for (int p = 0; p < kProcesses; p++) {
        MotionRecord record{};
        ASSERT_EQ(read_motion(QVDB_PATH, &record, p), 0);
        EXPECT_EQ(record.enable, 1);
    }
    OemUserRecord oems[kQvdbMaxUsers];
    int count = 0;
    ASSERT_EQ(read_users_oem(QVDB_OEM_PATH, oems, &count), 0);
    EXPECT_EQ(count, kProcesses);
    EXPECT_EQ(query(db_file(QVDB_PATH), "SELECT count(*) FROM records WHERE kind = 'motion'"), "64");
    EXPECT_EQ(qvdb_schema_upgrades(), upgrades);  // this process found the files made
}

}  // namespace

namespace {

// Another process's write of one motion record field: 0 when it succeeded.
int write_in_child(int channel, int sensitivity) {
    pid_t pid = fork();
    if (pid == 0) {
        qvdb_forget_connections();
        MotionRecord record{};
        if (read_motion(QVDB_PATH, &record, channel) != 0) _exit(1);
        record.sensitivity = sensitivity;
        _exit(write_motion(QVDB_PATH, &record) == 0 ? 0 : 2);
    }
    int status = -1;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int stored_sensitivity(int channel) {
    MotionRecord record{};
    return read_motion(QVDB_PATH, &record, channel) == 0 ? record.sensitivity : -1;
}

}  // namespace

// A scope's reads see one state of the file while other processes write; a write begun inside
// it, after another process wrote, neither fails nor loses that process's change; the reads
// after it see the latest state.
TEST_F(ReadScopes, OneStateForTheReadsAndWritesInsideNeverUpgradeIt) {
    ASSERT_EQ(write_in_child(5, 1), 0);
    {
        DbReadScope reads(QVDB_PATH);
        EXPECT_EQ(stored_sensitivity(5), 1);
        ASSERT_EQ(write_in_child(5, 2), 0);  // a reader does not hold up a writer
        ASSERT_EQ(write_in_child(6, 3), 0);
        EXPECT_EQ(stored_sensitivity(5), 1);
        EXPECT_EQ(stored_sensitivity(6), 0);
        {
            DbTransaction change(QVDB_PATH);
            MotionRecord record{};
            ASSERT_EQ(read_motion(QVDB_PATH, &record, 6), 0);
            EXPECT_EQ(record.sensitivity, 3);
            record.enable = 1;
            ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
            EXPECT_EQ(change.commit(), 0);
        }
        EXPECT_EQ(stored_sensitivity(5), 2);
    }
    MotionRecord six{};
    ASSERT_EQ(read_motion(QVDB_PATH, &six, 6), 0);
    EXPECT_EQ(six.enable, 1);
    EXPECT_EQ(six.sensitivity, 3);

    // A single write call and a statement that writes by itself, each after another process
    // wrote, in a scope whose state is older.
    {
        DbReadScope reads(QVDB_PATH);
        EXPECT_EQ(stored_sensitivity(7), 0);
        ASSERT_EQ(write_in_child(7, 4), 0);
        {
            QvdbStatement update(qvdb_open(QVDB_PATH), "UPDATE params SET value = '9' WHERE key = 'max_cameras'");
            ASSERT_TRUE(update);
            EXPECT_TRUE(update.run());
        }
    }
    {
        DbReadScope reads(QVDB_PATH);
        EXPECT_EQ(stored_sensitivity(7), 4);
        ASSERT_EQ(write_in_child(7, 5), 0);
        MotionRecord record{};
        record.channel = 8;
        record.enable = 1;
        EXPECT_EQ(write_motion(QVDB_PATH, &record), 0);
    }
    EXPECT_EQ(stored_sensitivity(7), 5);
    EXPECT_EQ(get_param_int(QVDB_PATH, "max_cameras", 0), 9);
    MotionRecord eight{};
    ASSERT_EQ(read_motion(QVDB_PATH, &eight, 8), 0);
    EXPECT_EQ(eight.enable, 1);
}

// A scope inside a write transaction leaves it open (its writes still roll back without
// commit); an inner scope does not end the outer one's state.
TEST_F(ReadScopes, NestInsideTransactionsAndScopes) {
    {
        DbTransaction change(QVDB_PATH);
        MotionRecord record{};
        record.channel = 9;
        record.enable = 1;
        ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
        {
            DbReadScope reads(QVDB_PATH);
            MotionRecord seen{};
            ASSERT_EQ(read_motion(QVDB_PATH, &seen, 9), 0);
            EXPECT_EQ(seen.enable, 1);
        }
        EXPECT_TRUE(change.ok());
    }  // no commit
    MotionRecord nine{};
    ASSERT_EQ(read_motion(QVDB_PATH, &nine, 9), 0);
    EXPECT_EQ(nine.enable, 0);

    DbReadScope outer(QVDB_PATH);
    {
        DbReadScope inner(QVDB_PATH);
        EXPECT_EQ(stored_sensitivity(10), 0);
    }
    ASSERT_EQ(write_in_child(10, 6), 0);
    EXPECT_EQ(stored_sensitivity(10), 0);
}
