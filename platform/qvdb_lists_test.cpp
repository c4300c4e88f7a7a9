// Database library: schedules, target lists, HTTP targets, PTZ linkage, copies, accounts and
// parameters.
#include <string.h>

#include <memory>

#include "platform/qvdb_test_support.h"

namespace {

using ScheduleStore = DbTest;
using ListStore = DbTest;
using AccountStore = DbTest;
using ParamStore = DbTest;

std::unique_ptr<WeeklySchedule> new_schedule() {
    std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule);
    memset(schedule.get(), 0, sizeof *schedule);
    return schedule;
}

TEST_F(ScheduleStore, EverySlotAndDayFlagRoundTrips) {
    auto stored = new_schedule();
    for (int d = 0; d < 8; d++) {
        for (int p = 0; p < 48; p += 5) {
            snprintf(stored->day[d].period[p].startTime, 32, "%02d:%02d", d, p);
            fill_text(stored->day[d].period[p].endTime, 'e');
            stored->day[d].period[p].actionType = d * 100 + p;
        }
    }
    stored->day[3].dayFlag = 1;
    ASSERT_EQ(write_motion_effective_schedule(QVDB_PATH, stored.get(), 63), 0);
    auto loaded = new_schedule();
    ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, loaded.get(), 63), 0);
    EXPECT_EQ(memcmp(stored.get(), loaded.get(), sizeof *stored), 0);
    // Other tables and channels are untouched.
    ASSERT_EQ(read_motion_audible_schedule(QVDB_PATH, loaded.get(), 63), 0);
    EXPECT_EQ(loaded->day[0].period[0].actionType, 0);
    ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, loaded.get(), 62), 0);
    EXPECT_EQ(loaded->day[0].period[5].startTime[0], '\0');
}

TEST_F(ScheduleStore, DayFlagWithoutPeriodsAndRewriteRemovesOldPeriods) {
    auto stored = new_schedule();
    strcpy(stored->day[1].period[7].startTime, "01:00");
    ASSERT_EQ(write_motion_ptz_schedule(QVDB_PATH, stored.get(), 4), 0);
    auto flags_only = new_schedule();
    for (int d = 0; d < 7; d++) flags_only->day[d].dayFlag = 1;
    ASSERT_EQ(write_motion_ptz_schedule(QVDB_PATH, flags_only.get(), 4), 0);
    auto loaded = new_schedule();
    ASSERT_EQ(read_motion_ptz_schedule(QVDB_PATH, loaded.get(), 4), 0);
    EXPECT_EQ(memcmp(flags_only.get(), loaded.get(), sizeof *loaded), 0);
}

TEST_F(ScheduleStore, NamedTablesAreLimitedToRegisteredScheduleTables) {
    auto stored = new_schedule();
    strcpy(stored->day[0].period[0].startTime, "00:00");
    strcpy(stored->day[0].period[0].endTime, "24:00");
    struct Case {
        int line;
        const char *table;
        int expected;
    } cases[] = {
        {__LINE__, "motion_whiteled_esche", 0},
        {__LINE__, "alarm_chnIn3_warning_light_esche", 0},
        {__LINE__, "motion_white_led_params", -1},  // a list table, not a schedule
        {__LINE__, "users", -1},
        {__LINE__, "motion_whiteled_esche; DROP TABLE users", -1},
        {__LINE__, "", -1},
    };
    for (const Case &c : cases) {
        QvdbTableKey key{};
        key.channel = 5;
        strncpy(key.table, c.table, sizeof key.table - 1);
        EXPECT_EQ(write_whiteled_effective_schedule(QVDB_PATH, stored.get(), &key), c.expected) << "line " << c.line;
        EXPECT_EQ(write_http_notification_schedule(QVDB_PATH, stored.get(), c.table, 5), c.expected)
            << "line " << c.line;
    }
    QvdbTableKey key{};
    key.channel = 5;
    strcpy(key.table, "motion_whiteled_esche");
    auto loaded = new_schedule();
    ASSERT_EQ(read_warning_light_effective_schedule(QVDB_PATH, loaded.get(), &key), 0);
    EXPECT_STREQ(loaded->day[0].period[0].endTime, "24:00");
    // A table name without its terminating NUL is read within its field.
    memset(key.table, 'x', sizeof key.table);
    EXPECT_EQ(read_whiteled_effective_schedule(QVDB_PATH, loaded.get(), &key), -1);
}

TEST_F(ScheduleStore, CopyReachesEveryChannelOfTheSetOnly) {
    auto stored = new_schedule();
    strcpy(stored->day[2].period[3].startTime, "08:00");
    uint64_t set = (1ULL << 0) | (1ULL << 31) | (1ULL << 63);
    ASSERT_EQ(copy_motion_email_schedules(QVDB_PATH, stored.get(), set), 0);
    auto loaded = new_schedule();
    for (int channel : {0, 1, 31, 62, 63}) {
        ASSERT_EQ(read_motion_email_schedule(QVDB_PATH, loaded.get(), channel), 0);
        bool expected = (set >> channel) & 1;
        EXPECT_EQ(strcmp(loaded->day[2].period[3].startTime, "08:00") == 0, expected) << "channel " << channel;
    }
}

TEST_F(ListStore, WhiteLedListsPerTableAndChannel) {
    WhiteLedList list{};
    for (int i = 0; i < kQvdbListEntries; i++) list.entry[i] = {7, i, i + 100, i + 200};
    list.count = kQvdbListEntries;
    ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 7), 0);
    WhiteLedList loaded{};
    QvdbTableKey key{7, "motion_white_led_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &loaded, &key), 0);
    EXPECT_EQ(memcmp(&list, &loaded, sizeof list), 0);
    // Same channel, other table: empty; an empty list replaces the stored one.
    QvdbTableKey other{7, "video_loss_white_led_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &loaded, &other), 0);
    EXPECT_EQ(loaded.count, 0);
    WhiteLedList empty{};
    ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &empty, "motion_white_led_params", 7), 0);
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &loaded, &key), 0);
    EXPECT_EQ(loaded.count, 0);
}

TEST_F(ListStore, CountsAreBoundedAndWrongTablesRefused) {
    WhiteLedList list{};
    list.count = 1000;  // more than the list holds: only 16 are stored
    ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 1), 0);
    WhiteLedList loaded{};
    QvdbTableKey key{1, "motion_white_led_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &loaded, &key), 0);
    EXPECT_EQ(loaded.count, kQvdbListEntries);
    list.count = -1;
    EXPECT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 1), -1);
    list.count = 1;
    EXPECT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_warning_light_params", 1), -1);
    EXPECT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 64), -1);
    WarningLightList lights{};
    EXPECT_EQ(write_warning_light_params_all(QVDB_PATH, &lights, "motion_white_led_params", 1), -1);
}

TEST_F(ListStore, WarningLightKeepsFieldsThePagesDoNotSee) {
    WarningLightList list{};
    list.entry[0] = {3, 9, 11, 12, 13, 14};
    list.count = 1;
    ASSERT_EQ(write_warning_light_params_all(QVDB_PATH, &list, "alarm_in_warning_light_params", 3), 0);
    WarningLightList loaded{};
    QvdbTableKey key{3, "alarm_in_warning_light_params"};
    ASSERT_EQ(read_warning_light_params(QVDB_PATH, &loaded, &key), 0);
    EXPECT_EQ(memcmp(&list, &loaded, sizeof list), 0);
    ASSERT_EQ(copy_warning_light_params(QVDB_PATH, &list, "alarm_in_warning_light_params", 1ULL << 40), 0);
    key.channel = 40;
    ASSERT_EQ(read_warning_light_params(QVDB_PATH, &loaded, &key), 0);
    ASSERT_EQ(loaded.count, 1);
    EXPECT_EQ(loaded.entry[0].channel, 40);  // the copy belongs to its own channel
    EXPECT_EQ(loaded.entry[0].field5, 14);
}

TEST_F(ListStore, HttpTargetsFullLengthTextsAndCopies) {
    HttpTarget target{};
    target.channel = 12;
    fill_text(target.url, 'u');
    target.url[0] = '%';
    fill_text(target.username, 'n');
    fill_text(target.password, 'p');
    ASSERT_EQ(write_http_notification_params(QVDB_PATH, &target, "motion_http_notification_params"), 0);
    HttpTarget loaded{};
    ASSERT_EQ(read_http_notification_params(QVDB_PATH, &loaded, "motion_http_notification_params", 12), 0);
    EXPECT_EQ(memcmp(&target, &loaded, sizeof target), 0);
    HttpTarget untouched{};
    EXPECT_EQ(read_http_notification_params(QVDB_PATH, &untouched, "motion_http_notification_params", 13), -1);
    EXPECT_EQ(untouched.url[0], '\0');
    ASSERT_EQ(copy_http_notification_params(QVDB_PATH, &target, "alarmin_http_notification_params", 1ULL << 2), 0);
    ASSERT_EQ(read_http_notification_params(QVDB_PATH, &loaded, "alarmin_http_notification_params", 2), 0);
    EXPECT_EQ(loaded.channel, 2);
    EXPECT_STREQ(loaded.password, target.password);
    EXPECT_EQ(write_http_notification_params(QVDB_PATH, &target, "motion_whiteled_esche"), -1);
}

TEST_F(ListStore, PtzLinkageByEventTypeAndChannel) {
    PtzLinkList list{};
    for (int i = 0; i < kQvdbPtzEntries; i++) list.entry[i] = {5, i + 1, 0, 1, i, 2, 3};
    list.count = kQvdbPtzEntries;
    ASSERT_EQ(write_ptz_params_all(QVDB_PATH, &list, 1, 5), 0);
    PtzLinkList loaded{};
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &loaded, 1, 5), 0);
    EXPECT_EQ(memcmp(&list, &loaded, sizeof list), 0);
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &loaded, 2, 5), 0);
    EXPECT_EQ(loaded.count, 0);
    list.count = 1;
    ASSERT_EQ(write_peoplecnt_ptz_params_ex(QVDB_PATH, &list, 8), 0);
    ASSERT_EQ(read_peoplecnt_ptz_params(QVDB_PATH, &loaded, 8), 0);
    EXPECT_EQ(loaded.count, 1);
    EXPECT_EQ(loaded.entry[0].channel, 8);
    ASSERT_EQ(copy_ptz_params_all(QVDB_PATH, &list, 2, (1ULL << 6) | (1ULL << 7)), 0);
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &loaded, 2, 7), 0);
    EXPECT_EQ(loaded.count, 1);
    EXPECT_EQ(write_ptz_params_all(QVDB_PATH, &list, 32, 5), -1);
    EXPECT_EQ(write_ptz_params_all(QVDB_PATH, &list, -1, 5), -1);
}

TEST_F(ListStore, WriteRecordsStoresOnlyTheMaskedRowsUnderTheirIndex) {
    MotionRecord records[kQvdbChannels];
    int count = 0;
    ASSERT_EQ(read_motions(QVDB_PATH, records, &count, 0), 0);
    ASSERT_EQ(count, kQvdbChannels);
    for (int i = 0; i < kQvdbChannels; i++) {
        records[i].sensitivity = 50 + i;
        records[i].channel = 0;  // the index decides the row, not a stale channel field
    }
    ASSERT_EQ(write_motions(QVDB_PATH, records, kQvdbChannels, (1ULL << 3) | (1ULL << 63)), 0);
    MotionRecord loaded[kQvdbChannels];
    ASSERT_EQ(read_motions(QVDB_PATH, loaded, &count, 0), 0);
    for (int i = 0; i < kQvdbChannels; i++) {
        EXPECT_EQ(loaded[i].channel, i);
        EXPECT_EQ(loaded[i].sensitivity, i == 3 || i == 63 ? 50 + i : 0) << "channel " << i;
    }
    MotionRecord source{};
    source.channel = 9;
    source.enable = 1;
    strcpy(source.motionTable, "ffff");
    ASSERT_EQ(copy_motions(QVDB_PATH, &source, 1ULL << 20), 0);
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded[0], 20), 0);
    EXPECT_EQ(loaded[0].channel, 20);
    EXPECT_STREQ(loaded[0].motionTable, "ffff");
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded[0], 9), 0);
    EXPECT_EQ(loaded[0].enable, 0);  // the source channel itself is not written
}

TEST_F(ListStore, CopyTableColumnIntChecksEveryName) {
    struct Case {
        int line;
        const char *table, *column, *key;
        int expected;
    } cases[] = {
        {__LINE__, "motion", "tri_alarms", "channel", 0},
        {__LINE__, "motion", "tri_alarms", "id", -1},             // not the key of this table
        {__LINE__, "motion", "motion_table", "channel", -1},      // a text column
        {__LINE__, "motion", "channel", "channel", -1},           // the key itself
        {__LINE__, "motion", "tri_alarms = 1; --", "channel", -1},
        {__LINE__, "nothing", "tri_alarms", "channel", -1},
        {__LINE__, "motion_whiteled_esche", "day", "channel", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(copy_table_column_int(QVDB_PATH, c.table, c.column, 6, 1ULL << 4, c.key), c.expected)
            << "line " << c.line;
    MotionRecord record{};
    ASSERT_EQ(read_motion(QVDB_PATH, &record, 4), 0);
    EXPECT_EQ(record.triAlarms, 6);
    ASSERT_EQ(read_motion(QVDB_PATH, &record, 5), 0);
    EXPECT_EQ(record.triAlarms, 0);
}

UserRecord make_user(const char *name) {
    UserRecord user{};
    user.enable = 1;
    strncpy(user.name, name, sizeof user.name - 1);
    strcpy(user.password, "e10adc3949ba59abbe56e057f20f883e");
    return user;
}

TEST_F(AccountStore, AddUserTakesTheLowestFreeSlotUntilFull) {
    int count = -1;
    ASSERT_EQ(read_user_count(QVDB_PATH, &count), 0);
    EXPECT_EQ(count, 0);  // a new database has no account
    for (int i = 0; i < kQvdbMaxUsers; i++) {
        UserRecord user = make_user(("user" + std::to_string(i)).c_str());
        user.id = 77;  // ignored
        ASSERT_EQ(add_user(QVDB_PATH, &user), 0);
        EXPECT_EQ(user.id, i);
    }
    UserRecord extra = make_user("extra");
    EXPECT_EQ(add_user(QVDB_PATH, &extra), -1);
    UserRecord blank{};
    blank.id = 5;
    ASSERT_EQ(write_user(QVDB_PATH, &blank), 0);  // delete account 5
    ASSERT_EQ(read_user_count(QVDB_PATH, &count), 0);
    EXPECT_EQ(count, kQvdbMaxUsers - 1);
    ASSERT_EQ(add_user(QVDB_PATH, &extra), 0);
    EXPECT_EQ(extra.id, 5);
    UserRecord all[kQvdbMaxUsers];
    ASSERT_EQ(read_users(QVDB_PATH, all, &count), 0);
    EXPECT_EQ(count, kQvdbMaxUsers);
    EXPECT_STREQ(all[5].name, "extra");
}

TEST_F(AccountStore, NameLookupsMatchOnlyAccountsInUse) {
    UserRecord admin = make_user("admin");
    ASSERT_EQ(add_user(QVDB_PATH, &admin), 0);
    UserRecord long_name = make_user("abcdefghijklmnopqrstuvwxyz01234-first");
    ASSERT_EQ(add_user(QVDB_PATH, &long_name), 0);
    UserRecord deleted{};
    deleted.id = 7;  // a free slot: empty name, enable 0
    ASSERT_EQ(write_user(QVDB_PATH, &deleted), 0);
    struct Case {
        int line;
        const char *name;
        int expected_id;
    } cases[] = {
        {__LINE__, "admin", 0},
        {__LINE__, "Admin", -1},
        {__LINE__, "admi", -1},
        {__LINE__, "admin ", -1},
        {__LINE__, "", -1},  // never the deleted slot
        {__LINE__, "admin' OR '1'='1", -1},
    };
    for (const Case &c : cases) {
        UserRecord found{};
        found.id = -1;
        read_user_by_name(QVDB_PATH, &found, c.name);
        EXPECT_EQ(found.id, c.expected_id) << "line " << c.line;
    }
    UserRecord found{};
    found.id = -1;
    EXPECT_EQ(read_user_by_name_prefix(QVDB_PATH, &found, "abcdefghijklmnopqrstuvwxyz01234-second", 31), 0);
    EXPECT_EQ(found.id, 1);
    found.id = -1;
    EXPECT_EQ(read_user_by_name_prefix(QVDB_PATH, &found, "abcdefghijklmnopqrstuvwxyz0123X", 31), -1);
    EXPECT_EQ(found.id, -1);
}

TEST_F(AccountStore, AudioFileMaskHasTheEnabledFiles) {
    EXPECT_EQ(get_audio_file_id_mask(), 0);
    for (int id : {0, 3, 9}) {
        AlarmAudioFile file{};
        file.id = id;
        file.enable = 1;
        ASSERT_EQ(write_alarm_audio_file(QVDB_PATH, &file), 0);
    }
    AlarmAudioFile other{};
    other.id = 4;
    other.enable = 2;  // only 1 counts
    ASSERT_EQ(write_alarm_audio_file(QVDB_PATH, &other), 0);
    other.id = 10;
    EXPECT_EQ(write_alarm_audio_file(QVDB_PATH, &other), -1);
    EXPECT_EQ(get_audio_file_id_mask(), (1 << 0) | (1 << 3) | (1 << 9));
}

TEST_F(ParamStore, FactoryDefaultsAreStored) {
    struct Case {
        int line;
        const char *key;
        int value;
    } ints[] = {
        {__LINE__, "max_cameras", 32},  {__LINE__, "alarm_in", 16},          {__LINE__, "alarm_out", 4},
        {__LINE__, "group_mode", 0},    {__LINE__, "raidmode", 0},           {__LINE__, "esata_type", 0},
        {__LINE__, "max_poe_num", 0},   {__LINE__, "httpsenable", 0},        {__LINE__, "ch_access", 0},
        {__LINE__, "enable_push_msg", 0}, {__LINE__, "pushmsg_alarmin_type", 65535},
        {__LINE__, "video_push_stream", 0}, {__LINE__, "access_filter_enable", 0},
        {__LINE__, "access_filter_type", 1}, {__LINE__, "homologous", 1},   {__LINE__, "failover_mode", 0},
        {__LINE__, "same_channel_exist", 0}, {__LINE__, "stream_information", 0}, {__LINE__, "qvfs_dbup", 0},
        {__LINE__, "oemupdateonline", 0}, {__LINE__, "transport_protocol", 0},
    };
    for (const Case &c : ints) {
        EXPECT_EQ(check_param_key(QVDB_PATH, c.key), 0) << "line " << c.line;
        EXPECT_EQ(get_param_int(QVDB_PATH, c.key, -12345), c.value) << "line " << c.line;
    }
    struct TextCase {
        int line;
        const char *key, *value;
    } texts[] = {
        {__LINE__, "hardware_version", "V1.1"},
        {__LINE__, "plugin_version", "1.0"},
        {__LINE__, "deviceid", "255"},
        {__LINE__, "hdmihotplug", "1"},
    };
    for (const TextCase &c : texts) {
        char value[32];
        EXPECT_EQ(get_param_value(QVDB_PATH, c.key, value, sizeof value, "x"), 0) << "line " << c.line;
        EXPECT_STREQ(value, c.value) << "line " << c.line;
    }
    char value[32];
    EXPECT_EQ(get_param_value(QVDB_PATH, "software_version", value, sizeof value, "7x.7.0.9"), -1);
    EXPECT_STREQ(value, "7x.7.0.9");
}

TEST_F(ParamStore, SetGetCheckAddAndHostileValues) {
    EXPECT_EQ(check_param_key(QVDB_PATH, "decode"), -1);
    ASSERT_EQ(add_param_value(QVDB_PATH, "decode", "h265"), 0);
    EXPECT_EQ(check_param_key(QVDB_PATH, "decode"), 0);
    ASSERT_EQ(set_param_int(QVDB_PATH, "max_cameras", -64), 0);
    EXPECT_EQ(get_param_int(QVDB_PATH, "max_cameras", 32), -64);
    const char *hostile = "'); DROP TABLE params; --";
    ASSERT_EQ(set_param_value(QVDB_PATH, "model", hostile), 0);
    char value[64];
    ASSERT_EQ(get_param_value(QVDB_PATH, "model", value, sizeof value, ""), 0);
    EXPECT_STREQ(value, hostile);
    char small[4];
    ASSERT_EQ(get_param_value(QVDB_PATH, "model", small, sizeof small, ""), 0);
    EXPECT_STREQ(small, "');");
    // A text value read as an integer gives the default.
    EXPECT_EQ(get_param_int(QVDB_PATH, "model", 7), 7);
    EXPECT_EQ(get_param_int(QVDB_PATH, "hardware_version", 7), 7);
    EXPECT_EQ(set_param_value(QVDB_PATH, "", "x"), -1);
    EXPECT_EQ(set_param_value(QVDB_PATH, nullptr, "x"), -1);
    EXPECT_EQ(get_param_int(QVDB_OEM_PATH, "max_cameras", 3), 3);  // no parameters in the OEM file
}

TEST(QvdbHelpers, ChannelMaskAndNames) {
    struct Case {
        int line;
        const char *text;
        uint64_t mask;
    } cases[] = {
        {__LINE__, "0101", (1ULL << 1) | (1ULL << 3)},
        {__LINE__, "", 0},
        {__LINE__, nullptr, 0},
        {__LINE__, "2x1", 1ULL << 2},
        {__LINE__, "1111111111111111111111111111111111111111111111111111111111111111", ~0ULL},
        {__LINE__, "00000000000000000000000000000000000000000000000000000000000000001", 0},  // 65th ignored
    };
    for (const Case &c : cases) EXPECT_EQ(get_channel_mask(c.text), c.mask) << "line " << c.line;

    char name[32];
    for (int i = 0; i < kQvdbExceptionKinds; i++) {
        EXPECT_EQ(get_exception_name(i, name, sizeof name), 0);
        EXPECT_NE(name[0], '\0') << i;
    }
    EXPECT_EQ(get_exception_name(14, name, sizeof name), -1);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(get_exception_name(-1, name, sizeof name), -1);

    // Every smart-event table name is a registered table of the matching kind.
    char table[64];
    for (int type = 0; type <= 8; type++) {
        ASSERT_EQ(get_vca_white_table_name(0, type, table, sizeof table), 0);
        ASSERT_NE(qvdb_find_table(table), nullptr) << table;
        EXPECT_EQ(qvdb_find_table(table)->shape->layout, QvdbLayout::Schedule) << table;
        ASSERT_EQ(get_vca_white_table_name(1, type, table, sizeof table), 0);
        ASSERT_NE(qvdb_find_table(table), nullptr) << table;
        EXPECT_EQ(qvdb_find_table(table)->shape, &kQvdbWhiteLedShape) << table;
        ASSERT_EQ(get_vca_warning_light_table_name(1, type, table, sizeof table), 0);
        ASSERT_NE(qvdb_find_table(table), nullptr) << table;
        EXPECT_EQ(qvdb_find_table(table)->shape, &kQvdbWarningLightShape) << table;
        ASSERT_EQ(get_vca_http_table_name(1, type, table, sizeof table), 0);
        ASSERT_NE(qvdb_find_table(table), nullptr) << table;
        EXPECT_EQ(qvdb_find_table(table)->shape, &kQvdbHttpTargetShape) << table;
        ASSERT_EQ(get_vca_http_table_name(0, type, table, sizeof table), 0);
        ASSERT_NE(qvdb_find_table(table), nullptr) << table;
    }
    EXPECT_EQ(get_vca_white_table_name(0, 9, table, sizeof table), -1);
    EXPECT_EQ(get_vca_white_table_name(2, 0, table, sizeof table), -1);
    EXPECT_EQ(get_vca_white_table_name(0, 0, table, 5), -1);  // does not fit
    EXPECT_STREQ(table, "");
}

}  // namespace
