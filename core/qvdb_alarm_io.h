// Configuration database records of the alarm contacts besides the recorder's alarm inputs: the
// recorder's alarm outputs and their schedules, the disarming record, the plain schedule of the
// older alarm-input pages, and the cameras' alarm inputs (actions, names, schedules) and alarm
// outputs (names, delays, schedules). The alarm and status modules share these declarations.
#ifndef NVR_CORE_QVDB_ALARM_IO_H
#define NVR_CORE_QVDB_ALARM_IO_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"
#include "core/qvdb_events.h"

// ---- the recorder's alarm outputs ---------------------------------------------------------------

constexpr int kQvdbAlarmOuts = 4;  // output ids 0 to 3

// One recorder alarm output (table "alarm_out", keyed by "id").
struct AlarmOutRecord {
    int32_t id;
    char name[256];
    int32_t type;
    int32_t enable;
    int32_t durationTime;
};
static_assert(offsetof(AlarmOutRecord, type) == 260, "alarm output type at 260");
static_assert(sizeof(AlarmOutRecord) == 272, "alarm output record is 272 bytes");

// read_alarm_out(db, record, id), read_alarm_outs(db, table of 4, &count) in id order,
// write_alarm_out (keyed by record->id), write_alarm_outs(db, table, 4, set of outputs).
QVDB_DECLARE_RECORD_FUNCTIONS(alarm_out, AlarmOutRecord)
// The effective schedule of an output: read_alarm_out_schedule(db, schedule, id), ...,
// copy_alarm_out_schedules(db, schedule, set of outputs).
QVDB_DECLARE_SCHEDULE_FUNCTIONS(alarm_out)

// ---- disarming (one record) ----------------------------------------------------------------------

// Four words; the pages set words 1 and 2, words 0 and 3 are the daemon's and kept as stored.
struct DisarmingRecord {
    int32_t id;  // always 0
    int32_t linkageAction;
    int32_t disarmActionMask;
    int32_t reserved;
};
static_assert(sizeof(DisarmingRecord) == 16, "disarming record is four words");

int read_disarming(const char *db, DisarmingRecord *record);
int write_disarming(const char *db, const DisarmingRecord *record);

// ---- the plain schedule of the older alarm-input pages -------------------------------------------

// read_alarm_in_schedule(db, schedule, input id), write_alarm_in_schedule, copy_alarm_in_schedules.
QVDB_DECLARE_SCHEDULE_FUNCTIONS(alarm_in)

// ---- the cameras' alarm inputs (4 a camera) and alarm outputs (2 a camera) -----------------------

constexpr int kCameraAlarmIns = 4;   // alarm index 0 to 3
constexpr int kCameraAlarmOuts = 2;  // alarm index 0 and 1

// The actions of one camera alarm input (table "alarm_chnIn_event", keyed by "chnid" and the
// alarm index): read_alarm_chnIn_event(db, record, chnid, index), write_alarm_chnIn_event(db,
// record, index) keyed by record->chnid, copy_alarm_chnIn_events(db, record, set, index).
QVDB_DECLARE_RECORD_FUNCTIONS_EX(alarm_chnIn_event, CameraAlarmInEventRecord)

// Schedules of a camera alarm input by chnid and alarm index:
// read_alarm_chnIn_effective_schedule(db, schedule, chnid, index), write_...,
// copy_alarm_chnIn_effective_schedules(db, schedule, index, set of cameras); the same for the
// audible, mail and PTZ schedules.
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_effective)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_mail)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_ptz)

// The name of one camera alarm input (table "alarm_chnIn_event_name", keyed by "chnid" and the
// alarm index).
struct CameraAlarmInName {
    int32_t chnid;
    int32_t alarm_index;
    char name[64];
};
static_assert(sizeof(CameraAlarmInName) == 72, "camera alarm-input name record is 72 bytes");

// One record; 0 when stored. The alarm index comes from the key.
int read_alarm_chnIn_event_name(const char *db, CameraAlarmInName *record, int chnid, int index);
// Stores the record under record->chnid and record->alarm_index.
int write_alarm_chnIn_event_name(const char *db, const CameraAlarmInName *record);
// The 64 records of one alarm index placed by channel (a channel without one reads as an empty
// name with its keys set); 0 when the table could be read.
int read_alarm_chnIn_event_names(const char *db, CameraAlarmInName table[kQvdbChannels], int index);

// The name and delay of one camera alarm output (table "alarm_chnOut_event_name", keyed by
// "chnid" and the alarm index).
struct CameraAlarmOutName {
    int32_t chnid;
    int32_t alarm_index;
    int32_t delayTime;
    char name[64];
};
static_assert(sizeof(CameraAlarmOutName) == 76, "camera alarm-output name record is 76 bytes");

int read_alarm_chnOut_event_name(const char *db, CameraAlarmOutName *record, int chnid, int index);
int write_alarm_chnOut_event_name(const char *db, const CameraAlarmOutName *record);
int read_alarm_chnOut_event_names(const char *db, CameraAlarmOutName table[kQvdbChannels], int index);
// Stores table[c] as channel c of alarm index `index` for each channel c of the set.
int write_alarm_chnOut_event_names(const char *db, const CameraAlarmOutName table[kQvdbChannels], uint64_t set,
                                   int index);

// The effective schedule of a camera alarm output by chnid and alarm index.
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(alarm_chnOut_effective)

// The PTZ linkage event type of a camera's alarm input index (0 to 3); -1 for another index.
int converse_chn_alarmid_to_event_in(int index);

#endif
