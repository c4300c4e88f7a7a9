// Database library: array fields as child rows, second keys, single PTZ linkage entries and the
// indexed HTTP target batch.
#include <stdio.h>
#include <string.h>

#include <memory>

#include "platform/qvdb_internal.h"
#include "platform/qvdb_test_support.h"

namespace {

// A record kind of the tests only, kept in the plate-list file.
struct ArrayRecord {
    int32_t id;
    int32_t values[64];
    char label[8];
};
const QvdbField kArrayFields[] = {
    QVDB_FIELD(ArrayRecord, id, "id"),
    QVDB_FIELD(ArrayRecord, values, "values_list"),
    QVDB_FIELD(ArrayRecord, label, "label"),
};
const QvdbShape kArrayShape = qvdb_record_shape_ex(kQvdbAnpr, sizeof(ArrayRecord), QVDB_FIELDS(kArrayFields), "id",
                                                   8, 8, "mode", 3);
QVDB_TABLE(kArrayTable, "test_array_records", kArrayShape);

// A list kind of the tests whose owners go past 64: the round trip of every kind writes and reads
// its last owner.
struct WideOwnerEntry {
    int32_t owner;
    int32_t values[2];
};
const QvdbField kWideOwnerFields[] = {
    QVDB_FIELD(WideOwnerEntry, owner, "owner"),
    QVDB_FIELD(WideOwnerEntry, values, "values_list"),
};
const QvdbShape kWideOwnerShape =
    qvdb_list_shape(kQvdbOem, sizeof(WideOwnerEntry), QVDB_FIELDS(kWideOwnerFields), "owner", 100, 3);
QVDB_TABLE(kWideOwnerTable, "test_wide_owner_lists", kWideOwnerShape);

using ArrayFields = DbTest;
using PtzEntries = DbTest;
using HttpBatch = DbTest;

// Non-zero elements of the stored array of one record.
int stored_elements(int extra, int id) {
    QvdbConnection *connection = qvdb_open(QVDB_ANPR_PATH);
    QvdbStatement count(connection, "SELECT count(*) FROM records, json_each(records.doc, '$.values_list') "
                                    "WHERE records.kind = 'test_array_records' AND records.extra = ? AND records.id = ? AND json_each.value <> 0");
    if (!count) return -1;
    sqlite3_bind_int(count.get(), 1, extra);
    sqlite3_bind_int(count.get(), 2, id);
    return sqlite3_step(count.get()) == SQLITE_ROW ? sqlite3_column_int(count.get(), 0) : -1;
}

TEST_F(ArrayFields, ArraysRoundTripPerKeyAndSecondKey) {
    ArrayRecord stored{};
    stored.id = 7;
    for (int i = 0; i < 64; i += 3) stored.values[i] = i - 30;  // includes 0 at index 30
    strcpy(stored.label, "seven");
    ASSERT_EQ(qvdb_write_record(QVDB_ANPR_PATH, kArrayTable, &stored, 2), 0);
    ArrayRecord loaded{};
    ASSERT_EQ(qvdb_read_record(QVDB_ANPR_PATH, kArrayTable, &loaded, 7, 2), 0);
    EXPECT_EQ(memcmp(&stored, &loaded, sizeof stored), 0);
    EXPECT_EQ(stored_elements(2, 7), 21);
    // The same key under another second key is a factory row without values.
    ASSERT_EQ(qvdb_read_record(QVDB_ANPR_PATH, kArrayTable, &loaded, 7, 1), 0);
    EXPECT_EQ(loaded.values[3], 0);
    EXPECT_EQ(qvdb_read_record(QVDB_ANPR_PATH, kArrayTable, &loaded, 7, 3), -1);

    // Rewriting replaces the array; copies carry it to other keys.
    stored.values[3] = 0;
    ASSERT_EQ(qvdb_write_record(QVDB_ANPR_PATH, kArrayTable, &stored, 2), 0);
    EXPECT_EQ(stored_elements(2, 7), 20);
    ASSERT_EQ(qvdb_copy_record(QVDB_ANPR_PATH, kArrayTable, &stored, (1ULL << 1) | (1ULL << 2), 2), 0);
    ArrayRecord all[8];
    int count = 0;
    ASSERT_EQ(qvdb_read_records(QVDB_ANPR_PATH, kArrayTable, all, 8, &count, 2), 0);
    ASSERT_EQ(count, 8);
    EXPECT_EQ(all[2].id, 2);
    EXPECT_EQ(all[2].values[63], 33);
    EXPECT_EQ(all[2].values[3], 0);
    EXPECT_EQ(all[3].values[63], 0);
    EXPECT_STREQ(all[1].label, "seven");
    // Arrays are no integer column to set.
    EXPECT_EQ(qvdb_set_column_int(QVDB_ANPR_PATH, kArrayTable, "values_list", 1, 1, "id"), -1);
}

PtzLinkEntry link(int channel, int ptz_channel, int preset) {
    return PtzLinkEntry{channel, ptz_channel, 0, 1, preset, 0, 0};
}

TEST_F(PtzEntries, WriteReplacesOrAppendsUpdateMovesDeleteRemoves) {
    PtzLinkEntry first = link(3, 1, 10), second = link(3, 2, 20);
    ASSERT_EQ(write_ptz_params(QVDB_PATH, &first, 1), 0);
    ASSERT_EQ(write_ptz_params(QVDB_PATH, &second, 1), 0);
    PtzLinkEntry replaced = link(3, 1, 11);
    ASSERT_EQ(write_ptz_params(QVDB_PATH, &replaced, 1), 0);
    PtzLinkList list{};
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 1, 3), 0);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.entry[0].acto_ptz_preset, 11);
    EXPECT_EQ(list.entry[1].acto_ptz_preset, 20);

    PtzLinkEntry moved = link(5, 2, 21);
    ASSERT_EQ(update_ptz_params(QVDB_PATH, &moved, 1, 3), 0);
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 1, 3), 0);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.entry[0].acto_ptz_channel, 1);
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 1, 5), 0);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.entry[0].acto_ptz_preset, 21);

    ASSERT_EQ(delete_ptz_params(QVDB_PATH, &first, 1, 1), 0);
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 1, 3), 0);
    EXPECT_EQ(list.count, 0);

    PtzLinkEntry group = link(2, 4, 1);
    ASSERT_EQ(write_peoplecnt_ptz_params(QVDB_PATH, &group), 0);
    ASSERT_EQ(read_peoplecnt_ptz_params(QVDB_PATH, &list, 2), 0);
    EXPECT_EQ(list.count, 1);
    ASSERT_EQ(delete_peoplecnt_ptz_params(QVDB_PATH, &group, 4), 0);
    ASSERT_EQ(read_peoplecnt_ptz_params(QVDB_PATH, &list, 2), 0);
    EXPECT_EQ(list.count, 0);
}

TEST_F(PtzEntries, FullListAndBadKeysChangeNothing) {
    PtzLinkList full{};
    for (int i = 0; i < kQvdbPtzEntries; i++) full.entry[i] = link(9, i + 1, i);
    full.count = kQvdbPtzEntries;
    ASSERT_EQ(write_ptz_params_all(QVDB_PATH, &full, 2, 9), 0);
    PtzLinkEntry extra = link(9, 100, 1);
    EXPECT_EQ(write_ptz_params(QVDB_PATH, &extra, 2), -1);
    PtzLinkList list{};
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 2, 9), 0);
    EXPECT_EQ(list.count, kQvdbPtzEntries);
    EXPECT_EQ(memcmp(&full, &list, sizeof list), 0);
    // A failed update leaves the old list as it was: the removal is rolled back.
    PtzLinkEntry bad = link(64, 5, 1);
    EXPECT_EQ(update_ptz_params(QVDB_PATH, &bad, 2, 9), -1);
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 2, 9), 0);
    EXPECT_EQ(list.count, kQvdbPtzEntries);
    EXPECT_EQ(write_ptz_params(QVDB_PATH, nullptr, 2), -1);
}

TEST_F(HttpBatch, OnlyTargetsWhoseChannelIsTheirIndexAreStored) {
    HttpTarget targets[kQvdbExceptionKinds];
    ASSERT_EQ(read_http_notification_params_init(QVDB_PATH, "except_http_notification_params", targets,
                                                 kQvdbExceptionKinds),
              0);
    for (const HttpTarget &target : targets) EXPECT_EQ(target.channel, -1);
    memset(targets, 0, sizeof targets);
    for (int i = 0; i < kQvdbExceptionKinds; i++) {
        targets[i].channel = i % 2 ? -1 : i;
        snprintf(targets[i].url, sizeof targets[i].url, "http://kind/%d", i);
    }
    targets[4].channel = 5;  // wrong index: not stored
    ASSERT_EQ(write_http_notification_params_batch(QVDB_PATH, targets, "except_http_notification_params",
                                                   kQvdbExceptionKinds),
              0);
    HttpTarget loaded[kQvdbExceptionKinds];
    ASSERT_EQ(read_http_notification_params_init(QVDB_PATH, "except_http_notification_params", loaded,
                                                 kQvdbExceptionKinds),
              0);
    for (int i = 0; i < kQvdbExceptionKinds; i++) {
        bool stored = i % 2 == 0 && i != 4;
        EXPECT_EQ(loaded[i].channel, stored ? i : -1) << i;
        if (stored) {
            EXPECT_STREQ(loaded[i].url, targets[i].url) << i;
        }
    }
    EXPECT_EQ(write_http_notification_params_batch(QVDB_PATH, targets, "motion_whiteled_esche", 14), -1);
    EXPECT_EQ(read_http_notification_params_init(QVDB_PATH, "except_http_notification_params", loaded, 65), -1);
}

}  // namespace

// The declarations a developer writes for a new kind, as the header describes them: first
// what would stand in the kind's header, then its field table and functions.
struct FooRecord {
    int32_t channel;
    int32_t enable;
    char name[32];
};
static_assert(sizeof(FooRecord) == 40, "foo record is 40 bytes");
QVDB_DECLARE_RECORD_FUNCTIONS(foo, FooRecord)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(baz)

namespace {

const QvdbField kFooFields[] = {
    QVDB_FIELD(FooRecord, channel, "channel"),
    QVDB_FIELD(FooRecord, enable, "enable"),
    QVDB_FIELD(FooRecord, name, "name"),
};
const QvdbShape kFooShape = qvdb_record_shape(kQvdbAnpr, sizeof(FooRecord), QVDB_FIELDS(kFooFields), "channel", 64, 64);
QVDB_TABLE(kFooTable, "test_foo", kFooShape);
const QvdbShape kBazShape = qvdb_schedule_shape("event_type", 9, kQvdbAnpr);
QVDB_TABLE(kBazTable, "test_baz_schedule", kBazShape);

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(foo, FooRecord, kFooTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(baz, kBazTable)

namespace {

using DeclaredKinds = DbTest;

TEST_F(DeclaredKinds, AFewDeclarativeLinesGiveTheWholeFamily) {
    FooRecord foo{};
    foo.channel = 17;
    strcpy(foo.name, "declared");
    ASSERT_EQ(write_foo(QVDB_ANPR_PATH, &foo), 0);
    FooRecord all[64];
    int count = 0;
    ASSERT_EQ(read_foos(QVDB_ANPR_PATH, all, &count), 0);
    EXPECT_EQ(count, 64);  // factory rows
    EXPECT_STREQ(all[17].name, "declared");
    ASSERT_EQ(copy_foos(QVDB_ANPR_PATH, &foo, 1ULL << 40), 0);
    FooRecord loaded{};
    ASSERT_EQ(read_foo(QVDB_ANPR_PATH, &loaded, 40), 0);
    EXPECT_STREQ(loaded.name, "declared");
    all[3].enable = 1;
    ASSERT_EQ(write_foos(QVDB_ANPR_PATH, all, 64, 1ULL << 3), 0);
    ASSERT_EQ(read_foo(QVDB_ANPR_PATH, &loaded, 3), 0);
    EXPECT_EQ(loaded.enable, 1);

    std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule{});
    strcpy(schedule->day[1].period[2].startTime, "10:00");
    ASSERT_EQ(write_baz_schedule(QVDB_ANPR_PATH, schedule.get(), 5, 8), 0);
    ASSERT_EQ(copy_baz_schedules(QVDB_ANPR_PATH, schedule.get(), 2, 1ULL << 6), 0);
    std::unique_ptr<WeeklySchedule> read(new WeeklySchedule{});
    ASSERT_EQ(read_baz_schedule(QVDB_ANPR_PATH, read.get(), 5, 8), 0);
    EXPECT_STREQ(read->day[1].period[2].startTime, "10:00");
    ASSERT_EQ(read_baz_schedule(QVDB_ANPR_PATH, read.get(), 5, 2), 0);
    EXPECT_STREQ(read->day[1].period[2].startTime, "");
    ASSERT_EQ(read_baz_schedule(QVDB_ANPR_PATH, read.get(), 6, 2), 0);
    EXPECT_STREQ(read->day[1].period[2].startTime, "10:00");
    EXPECT_EQ(write_baz_schedule(QVDB_ANPR_PATH, schedule.get(), 5, 9), -1);
    EXPECT_EQ(write_baz_schedule(QVDB_PATH, schedule.get(), 5, 1), -1);  // the table is in the other file
}

}  // namespace

namespace {

// A test-only kind with a floating-point field and factory values other than zero.
struct PlacedRecord {
    int32_t id;
    int32_t shown;
    double x;
    char label[16];
};
void fill_placed(void *record, int key, int extra) {
    PlacedRecord *placed = static_cast<PlacedRecord *>(record);
    placed->shown = 1;
    placed->x = 0.25 * key + extra;
    snprintf(placed->label, sizeof placed->label, "P%d", key + 1);
}
const QvdbField kPlacedFields[] = {
    QVDB_FIELD(PlacedRecord, id, "id"),
    QVDB_FIELD(PlacedRecord, shown, "shown"),
    QVDB_FIELD(PlacedRecord, x, "x"),
    QVDB_FIELD(PlacedRecord, label, "label"),
};
const QvdbShape kPlacedShape = qvdb_with_factory(
    qvdb_record_shape_ex(kQvdbAnpr, sizeof(PlacedRecord), QVDB_FIELDS(kPlacedFields), "id", 4, 4, "mode", 2),
    fill_placed);
QVDB_TABLE(kPlacedTable, "test_placed_records", kPlacedShape);

using FactoryValues = DbTest;

TEST_F(FactoryValues, FactoryRowsCarryTheirValuesAndDoublesRoundTrip) {
    PlacedRecord loaded{};
    ASSERT_EQ(qvdb_read_record(QVDB_ANPR_PATH, kPlacedTable, &loaded, 3, 1), 0);
    EXPECT_EQ(loaded.id, 3);
    EXPECT_EQ(loaded.shown, 1);
    EXPECT_DOUBLE_EQ(loaded.x, 1.75);
    EXPECT_STREQ(loaded.label, "P4");

    PlacedRecord stored{};
    stored.id = 2;
    stored.x = -1234.5678901234;
    strcpy(stored.label, "moved");
    ASSERT_EQ(qvdb_write_record(QVDB_ANPR_PATH, kPlacedTable, &stored, 0), 0);
    // Reopening does not bring factory values back over a stored record.
    qvdb_close_all();
    ASSERT_EQ(qvdb_init_file(QVDB_ANPR_PATH), 0);
    ASSERT_EQ(qvdb_read_record(QVDB_ANPR_PATH, kPlacedTable, &loaded, 2, 0), 0);
    EXPECT_EQ(memcmp(&stored, &loaded, sizeof stored), 0);
    EXPECT_EQ(loaded.shown, 0);
}

}  // namespace
