// Database library: schema lifecycle, transactions and concurrent writers in separate processes.
#include <sqlite3.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
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
    for (const QvdbTable *table = qvdb_first_table(); table; table = table->next, tables++)
        EXPECT_EQ(qvdb_table_problem(*table), "");
    EXPECT_GT(tables, 100);
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
    struct Case {
        int line;
        const char *name;
        const QvdbShape *shape;
        const char *problem;
    } cases[] = {
        {__LINE__, "test_bad_a", &record, ""},
        {__LINE__, "test bad", &record, "not an identifier"},
        {__LINE__, "params", &record, "reserved"},
        {__LINE__, "schedules", &record, "reserved"},
        {__LINE__, "HTTP_TARGETS", &record, "reserved"},
        {__LINE__, "motion", &record, "different shapes"},
        {__LINE__, "test_bad_b", &no_range, "empty key range"},
        {__LINE__, "test_bad_c", &text_keyed, "not an int32_t field"},
        {__LINE__, "test_bad_d", &doubled, "twice"},
        {__LINE__, "test_bad_e", &badly_named, "not an identifier"},
        {__LINE__, "test_bad_f", &slotted, "twice"},
        {__LINE__, "test_bad_g", &list_with_array, "arrays only in records"},
    };
    for (const Case &c : cases) {
        // A table object that is not registered: built by hand so the registry stays untouched.
        QvdbTable *table = static_cast<QvdbTable *>(operator new(sizeof(QvdbTable)));
        table->name = c.name;
        table->shape = c.shape;
        table->next = nullptr;
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
    EXPECT_EQ(query(file, "SELECT count(*) FROM motion"), "64");
    EXPECT_EQ(query(file, "SELECT min(channel) || '-' || max(channel) FROM motion"), "0-63");
    EXPECT_EQ(query(file, "SELECT count(*) FROM alarm_audio_files WHERE enable = 0"), "10");
    EXPECT_EQ(query(file, "SELECT count(*) FROM users"), "0");
    int defaults = 0;
    qvdb_param_defaults(&defaults);
    EXPECT_EQ(query(file, "SELECT count(*) FROM params"), std::to_string(defaults));
    // One real column per field; the OEM table is only in the OEM file.
    EXPECT_EQ(query(file, "SELECT count(*) FROM pragma_table_info('users')"), "36");
    EXPECT_EQ(query(file, "SELECT type FROM pragma_table_info('motion') WHERE name = 'motion_table'"), "TEXT");
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE name = 'oem_users'"), "0");
    // Every named table of one shape is stored in one table under its name.
    EXPECT_EQ(query(file, "SELECT count(*) FROM pragma_table_info('white_led_targets')"), "6");
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE name = 'motion_white_led_params'"), "0");
    EXPECT_EQ(query(file, "SELECT group_concat(name) FROM pragma_table_info('schedules') WHERE pk > 0"),
              "name,channel,day,slot");
    // A schema as one would write it: a few tables, no separate key indexes, no defaults.
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE type = 'index'"), "0");
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE sql GLOB '* DEFAULT *'"), "0");
    EXPECT_LT(std::stoi(query(file, "SELECT count(*) FROM sqlite_master WHERE type = 'table'")), 64);
    ASSERT_EQ(qvdb_init_file(QVDB_OEM_PATH), 0);
    EXPECT_EQ(query(db_file(QVDB_OEM_PATH), "SELECT count(*) FROM oem_users"), "0");
}

TEST_F(SchemaLifecycle, ReopeningAnUpToDateFileDoesNoSchemaWork) {
    ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
    int upgrades = qvdb_schema_upgrades();
    // A row removed behind the library's back stays removed: no factory rows are re-added.
    query(db_file(QVDB_PATH), "DELETE FROM motion WHERE channel = 5");
    qvdb_close_all();
    MotionRecord record{};
    EXPECT_EQ(read_motion(QVDB_PATH, &record, 5), -1);
    EXPECT_EQ(qvdb_schema_upgrades(), upgrades);
    EXPECT_EQ(read_motion(QVDB_PATH, &record, 6), 0);
}

TEST_F(SchemaLifecycle, OlderFileIsUpgradedKeepingItsData) {
    MotionRecord record{};
    record.channel = 3;
    record.sensitivity = 42;
    ASSERT_EQ(write_motion(QVDB_PATH, &record), 0);
    qvdb_close_all();
    std::string file = db_file(QVDB_PATH);
    // An older program's file: no white-LED list table, a missing column, missing rows, version 1.
    query(file, "DROP TABLE white_led_targets");
    query(file, "ALTER TABLE motion DROP COLUMN audio_id");
    query(file, "DELETE FROM motion WHERE channel > 10");
    query(file, "DELETE FROM params WHERE key = 'alarm_in'");
    query(file, "PRAGMA user_version = 1");
    int upgrades = qvdb_schema_upgrades();

    MotionRecord loaded{};
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 3), 0);
    EXPECT_EQ(loaded.sensitivity, 42);
    EXPECT_EQ(qvdb_schema_upgrades(), upgrades + 1);
    EXPECT_EQ(query(file, "PRAGMA user_version"), std::to_string(qvdb_schema_version(kQvdbSettings)));
    EXPECT_EQ(query(file, "SELECT count(*) FROM motion"), "64");
    EXPECT_EQ(get_param_int(QVDB_PATH, "alarm_in", 0), 16);
    WhiteLedList list{};
    list.count = 1;
    list.entry[0].chnid = 2;
    EXPECT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 3), 0);
    loaded.audioId = 7;
    ASSERT_EQ(write_motion(QVDB_PATH, &loaded), 0);
    ASSERT_EQ(read_motion(QVDB_PATH, &record, 3), 0);
    EXPECT_EQ(record.audioId, 7);
}

// A file of the layout with one table per name: its rows move into the shared tables under their
// names (a column the old table lacks reads as empty) and the old tables are dropped.
TEST_F(SchemaLifecycle, PerNameTablesOfAnOlderFileAreMovedIntoTheSharedTables) {
    ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
    qvdb_close_all();
    std::string file = db_file(QVDB_PATH);
    const char *old_layout[] = {
        "CREATE TABLE motion_effective_schedule (channel INTEGER NOT NULL, day INTEGER NOT NULL, slot INTEGER "
        "NOT NULL, start_time TEXT NOT NULL DEFAULT '', end_time TEXT NOT NULL DEFAULT '', action_type INTEGER "
        "NOT NULL DEFAULT 0, day_flag INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (channel, day, slot))",
        "INSERT INTO motion_effective_schedule VALUES (2, 1, 4, '08:00', '09:30', 5, 1)",
        "CREATE TABLE motion_white_led_params (channel INTEGER NOT NULL, slot INTEGER NOT NULL, chnid INTEGER "
        "NOT NULL DEFAULT 0, mode INTEGER NOT NULL DEFAULT 0, time INTEGER NOT NULL DEFAULT 0, PRIMARY KEY "
        "(channel, slot))",
        "INSERT INTO motion_white_led_params VALUES (6, 0, 11, 1, 30), (6, 1, 12, 2, 40), (7, 0, 13, 0, 0)",
        "CREATE TABLE motion_http_notification_params (channel INTEGER NOT NULL, url TEXT NOT NULL DEFAULT '', "
        "username TEXT NOT NULL DEFAULT '', PRIMARY KEY (channel))",
        "INSERT INTO motion_http_notification_params VALUES (9, 'http://a/b', 'op')",
        // the older definitions of tables that stay: defaults, NOT NULL, a separate key index
        "DROP TABLE params",
        "CREATE TABLE params (key TEXT NOT NULL PRIMARY KEY, value TEXT NOT NULL)",
        "INSERT INTO params VALUES ('max_cameras', '8')",
        "DROP TABLE alarm_audio_files",
        "CREATE TABLE alarm_audio_files (id INTEGER NOT NULL, enable INTEGER NOT NULL DEFAULT 0, name TEXT NOT "
        "NULL DEFAULT '', PRIMARY KEY (id))",
        "INSERT INTO alarm_audio_files (id, enable, name) VALUES (2, 1, 'YS53YXY')",
        "PRAGMA user_version = 1",
    };
    for (const char *sql : old_layout) query(file, sql);
    ASSERT_EQ(query(file, "SELECT count(*) FROM motion_white_led_params"), "3");
    int upgrades = qvdb_schema_upgrades();

    auto schedule = std::make_unique<WeeklySchedule>();
    ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, schedule.get(), 2), 0);
    EXPECT_EQ(qvdb_schema_upgrades(), upgrades + 1);
    EXPECT_STREQ(schedule->day[1].period[4].startTime, "08:00");
    EXPECT_STREQ(schedule->day[1].period[4].endTime, "09:30");
    EXPECT_EQ(schedule->day[1].period[4].actionType, 5);
    EXPECT_EQ(schedule->day[1].dayFlag, 1);
    WhiteLedList list{};
    QvdbTableKey key{6, "motion_white_led_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &list, &key), 0);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.entry[1].chnid, 12);
    EXPECT_EQ(list.entry[1].time, 40);
    HttpTarget target{};
    ASSERT_EQ(read_http_notification_params(QVDB_PATH, &target, "motion_http_notification_params", 9), 0);
    EXPECT_STREQ(target.url, "http://a/b");
    EXPECT_STREQ(target.username, "op");
    EXPECT_STREQ(target.password, "");
    for (const char *old : {"motion_effective_schedule", "motion_white_led_params", "motion_http_notification_params"})
        EXPECT_EQ(query(file, std::string("SELECT count(*) FROM sqlite_master WHERE name = '") + old + "'"), "0") << old;
    // Tables of an older definition are rebuilt with their rows, missing factory rows added.
    EXPECT_EQ(get_param_int(QVDB_PATH, "max_cameras", 0), 8);
    EXPECT_EQ(get_param_int(QVDB_PATH, "alarm_in", 0), 16);
    AlarmAudioFile audio{};
    ASSERT_EQ(read_alarm_audio_file(QVDB_PATH, &audio, 2), 0);
    EXPECT_EQ(audio.enable, 1);
    EXPECT_STREQ(audio.name, "YS53YXY");
    EXPECT_EQ(get_audio_file_id_mask(), 1 << 2);
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE type = 'index' OR sql GLOB '* DEFAULT *'"), "0");
    EXPECT_EQ(query(file, "SELECT count(*) FROM sqlite_master WHERE name LIKE '%older%'"), "0");
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
    EXPECT_EQ(query(db_file(QVDB_PATH), "SELECT count(*) FROM schedules WHERE name = 'test_own_schedule'"), "1");

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
    EXPECT_EQ(query(db_file(QVDB_PATH), "SELECT sensitivity FROM motion WHERE channel = 4"), "9");
}

// Statements are reused by their text; two of the same text in use at once step independently.
TEST_F(SchemaLifecycle, SameStatementTwiceAtOnce) {
    QvdbConnection *connection = qvdb_open(QVDB_PATH);
    ASSERT_NE(connection, nullptr);
    const std::string sql = "SELECT channel FROM motion WHERE channel >= ? ORDER BY channel";
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

TEST_F(ConcurrentWriters, ProcessesCreatingANewFileTogetherAgree) {
    std::vector<pid_t> children;
    for (int p = 0; p < 4; p++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            qvdb_forget_connections();
            MotionRecord record{};
            record.channel = p;
            record.enable = 1;
            _exit(write_motion(QVDB_PATH, &record) == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    for (int p = 0; p < 4; p++) {
        MotionRecord record{};
        ASSERT_EQ(read_motion(QVDB_PATH, &record, p), 0);
        EXPECT_EQ(record.enable, 1);
    }
    EXPECT_EQ(query(db_file(QVDB_PATH), "SELECT count(*) FROM motion"), "64");
}

}  // namespace
