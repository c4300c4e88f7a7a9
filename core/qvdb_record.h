// Configuration database records of recording: holidays, the per-channel record entry and the
// per-channel record schedule block.
#ifndef NVR_CORE_QVDB_RECORD_H
#define NVR_CORE_QVDB_RECORD_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// One holiday (table "holiday", keyed by "id" 0 to 31). The date fields are stored as given;
// "type" tells the daemon which of them it uses.
struct HolidayEntry {
    int32_t id;
    char name[256];
    int32_t enable;
    int32_t type;
    int32_t startYear, startMon, startMDay, startMWeek, startWDay;
    int32_t endYear, endMon, endMDay, endMWeek, endWDay;
};
static_assert(offsetof(HolidayEntry, enable) == 260, "holiday enable at 260");
static_assert(offsetof(HolidayEntry, startYear) == 268, "holiday start at 268");
static_assert(offsetof(HolidayEntry, endYear) == 288, "holiday end at 288");
static_assert(sizeof(HolidayEntry) == 308, "holiday entry is 308 bytes");

constexpr int kQvdbHolidays = 32;

// How one channel records (table "record", keyed by "id" 0 to 63). Every writer reads the whole
// entry and writes it back, so the fields it does not set are kept.
struct RecordEntry {
    int32_t id;
    int32_t mode;  // 0 to 2
    int32_t audioEnable;
    int32_t prevRecordOn;
    int32_t prevRecordDuration;
    int32_t postRecordOn;
    int32_t postRecordDuration;
    int32_t recordExpDate;
};
static_assert(sizeof(RecordEntry) == 32, "record entry is 32 bytes");

// The record schedule of one channel: 8 day blocks of 48 plan slots and a whole-day setting.
struct RecordPlanSlot {
    char startTime[32];
    char endTime[32];
    int32_t actionType;
};
static_assert(sizeof(RecordPlanSlot) == 68, "record plan slot is 68 bytes");

constexpr int kRecordScheduleDays = 8;
constexpr int kRecordPlanSlots = 48;

struct RecordScheduleDay {
    RecordPlanSlot plan[kRecordPlanSlots];
    int32_t wholedayEnable;
    int32_t wholedayActionType;
};
static_assert(offsetof(RecordScheduleDay, wholedayEnable) == 3264, "whole-day enable at 3264");
static_assert(sizeof(RecordScheduleDay) == 3272, "record schedule day is 3272 bytes");

struct RecordSchedule {
    RecordScheduleDay day[kRecordScheduleDays];
    int32_t reserved;  // left zero
};
static_assert(sizeof(RecordSchedule) == 26180, "record schedule block is 26180 bytes");

QVDB_DECLARE_RECORD_FUNCTIONS(holiday, HolidayEntry)
QVDB_DECLARE_RECORD_FUNCTIONS(record, RecordEntry)

// All 64 record entries placed by channel: table[c] is the entry of channel c (a channel without
// a stored entry reads as zeros with its id set). 0 on success.
int read_record_table(const char *db, RecordEntry table[kQvdbChannels]);

// The record schedule of a channel (an empty block when none is stored); 0 on success.
int read_record_schedule(const char *db, RecordSchedule *schedule, int channel);
int write_record_schedule(const char *db, const RecordSchedule *schedule, int channel);
// Stores the block for every channel of the mask, in one transaction.
int copy_record_schedules(const char *db, const RecordSchedule *schedule, uint64_t mask);

#endif
