// Database tables of recording: holidays, record entries and record schedule blocks. A record
// schedule keeps its plan slots in a weekly-schedule table and its whole-day settings in a record
// of their own, written together in one transaction.
#include <string.h>

#include <memory>

#include "core/qvdb_record.h"

namespace {

const QvdbField kHolidayFields[] = {
    QVDB_FIELD(HolidayEntry, id, "id"),
    QVDB_FIELD(HolidayEntry, name, "name"),
    QVDB_FIELD(HolidayEntry, enable, "enable"),
    QVDB_FIELD(HolidayEntry, type, "type"),
    QVDB_FIELD(HolidayEntry, startYear, "startYear"),
    QVDB_FIELD(HolidayEntry, startMon, "startMon"),
    QVDB_FIELD(HolidayEntry, startMDay, "startMDay"),
    QVDB_FIELD(HolidayEntry, startMWeek, "startMWeek"),
    QVDB_FIELD(HolidayEntry, startWDay, "startWDay"),
    QVDB_FIELD(HolidayEntry, endYear, "endYear"),
    QVDB_FIELD(HolidayEntry, endMon, "endMon"),
    QVDB_FIELD(HolidayEntry, endMDay, "endMDay"),
    QVDB_FIELD(HolidayEntry, endMWeek, "endMWeek"),
    QVDB_FIELD(HolidayEntry, endWDay, "endWDay"),
};
// A factory-new device has no holiday.
const QvdbShape kHolidayShape = qvdb_record_shape(kQvdbSettings, sizeof(HolidayEntry), QVDB_FIELDS(kHolidayFields),
                                                  "id", kQvdbHolidays, 0);
QVDB_TABLE(kHolidayTable, "holiday", kHolidayShape);

const QvdbField kRecordFields[] = {
    QVDB_FIELD(RecordEntry, id, "id"),
    QVDB_FIELD(RecordEntry, mode, "mode"),
    QVDB_FIELD(RecordEntry, audioEnable, "audioEnable"),
    QVDB_FIELD(RecordEntry, prevRecordOn, "prevRecordOn"),
    QVDB_FIELD(RecordEntry, prevRecordDuration, "prevRecordDuration"),
    QVDB_FIELD(RecordEntry, postRecordOn, "postRecordOn"),
    QVDB_FIELD(RecordEntry, postRecordDuration, "postRecordDuration"),
    QVDB_FIELD(RecordEntry, recordExpDate, "recordExpDate"),
};
const QvdbShape kRecordShape = qvdb_record_shape(kQvdbSettings, sizeof(RecordEntry), QVDB_FIELDS(kRecordFields),
                                                 "id", kQvdbChannels, kQvdbChannels);
QVDB_TABLE(kRecordTable, "record", kRecordShape);

// The plan slots of the record schedules.
QVDB_SCHEDULE_TABLE(kRecordPlanTable, "record_schedule");

// The whole-day settings of the record schedule of one channel.
struct RecordWholeDay {
    int32_t channel;
    int32_t enable[kRecordScheduleDays];
    int32_t actionType[kRecordScheduleDays];
};
const QvdbField kRecordWholeDayFields[] = {
    QVDB_FIELD(RecordWholeDay, channel, "channel"),
    QVDB_FIELD(RecordWholeDay, enable, "wholedayEnable"),
    QVDB_FIELD(RecordWholeDay, actionType, "wholedayActionType"),
};
const QvdbShape kRecordWholeDayShape = qvdb_record_shape(kQvdbSettings, sizeof(RecordWholeDay),
                                                         QVDB_FIELDS(kRecordWholeDayFields), "channel",
                                                         kQvdbChannels, 0);
QVDB_TABLE(kRecordWholeDayTable, "record_wholeday", kRecordWholeDayShape);

bool valid_channel(int channel) { return channel >= 0 && channel < kQvdbChannels; }

// Splits a block into its stored parts.
void split_schedule(const RecordSchedule &block, WeeklySchedule *plans, RecordWholeDay *whole_day) {
    memset(plans, 0, sizeof *plans);
    memset(whole_day, 0, sizeof *whole_day);
    for (int d = 0; d < kRecordScheduleDays; d++) {
        for (int s = 0; s < kRecordPlanSlots; s++) {
            const RecordPlanSlot &slot = block.day[d].plan[s];
            SchedulePeriod &period = plans->day[d].period[s];
            memcpy(period.startTime, slot.startTime, sizeof period.startTime);
            memcpy(period.endTime, slot.endTime, sizeof period.endTime);
            period.startTime[sizeof period.startTime - 1] = '\0';
            period.endTime[sizeof period.endTime - 1] = '\0';
            period.actionType = slot.actionType;
        }
        whole_day->enable[d] = block.day[d].wholedayEnable;
        whole_day->actionType[d] = block.day[d].wholedayActionType;
    }
}

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(holiday, HolidayEntry, kHolidayTable)
QVDB_DEFINE_RECORD_FUNCTIONS(record, RecordEntry, kRecordTable)

int read_record_table(const char *db, RecordEntry table[kQvdbChannels]) {
    if (!table) return -1;
    memset(table, 0, sizeof(RecordEntry) * kQvdbChannels);
    for (int c = 0; c < kQvdbChannels; c++) table[c].id = c;
    std::unique_ptr<RecordEntry[]> stored(new RecordEntry[kQvdbChannels]());
    int count = 0;
    if (read_records(db, stored.get(), &count) != 0) return -1;
    for (int i = 0; i < count && i < kQvdbChannels; i++)
        if (valid_channel(stored[i].id)) table[stored[i].id] = stored[i];
    return 0;
}

int read_record_schedule(const char *db, RecordSchedule *schedule, int channel) {
    if (!schedule || !valid_channel(channel)) return -1;
    memset(schedule, 0, sizeof *schedule);
    std::unique_ptr<WeeklySchedule> plans(new WeeklySchedule());
    if (qvdb_read_schedule(db, kRecordPlanTable, plans.get(), channel) != 0) return -1;
    RecordWholeDay whole_day;
    memset(&whole_day, 0, sizeof whole_day);
    qvdb_read_record(db, kRecordWholeDayTable, &whole_day, channel);  // none stored: no whole day
    for (int d = 0; d < kRecordScheduleDays; d++) {
        for (int s = 0; s < kRecordPlanSlots; s++) {
            const SchedulePeriod &period = plans->day[d].period[s];
            RecordPlanSlot &slot = schedule->day[d].plan[s];
            memcpy(slot.startTime, period.startTime, sizeof slot.startTime);
            memcpy(slot.endTime, period.endTime, sizeof slot.endTime);
            slot.actionType = period.actionType;
        }
        schedule->day[d].wholedayEnable = whole_day.enable[d];
        schedule->day[d].wholedayActionType = whole_day.actionType[d];
    }
    return 0;
}

int write_record_schedule(const char *db, const RecordSchedule *schedule, int channel) {
    if (!schedule || !valid_channel(channel)) return -1;
    return copy_record_schedules(db, schedule, 1ULL << channel);
}

int copy_record_schedules(const char *db, const RecordSchedule *schedule, uint64_t mask) {
    if (!schedule) return -1;
    if (mask == 0) return 0;
    std::unique_ptr<WeeklySchedule> plans(new WeeklySchedule());
    RecordWholeDay whole_day;
    split_schedule(*schedule, plans.get(), &whole_day);
    DbTransaction transaction(db);
    if (!transaction.ok() || qvdb_copy_schedule(db, kRecordPlanTable, plans.get(), mask) != 0 ||
        qvdb_copy_record(db, kRecordWholeDayTable, &whole_day, mask) != 0)
        return -1;
    return transaction.commit();
}
