// Database tables of the recorder's alarm outputs, the disarming record, the older alarm-input
// schedule, and the cameras' alarm inputs and outputs.
#include <string.h>

#include "core/qvdb_alarm_io.h"

namespace {

const QvdbField kAlarmOutFields[] = {
    QVDB_FIELD(AlarmOutRecord, id, "id"),
    QVDB_FIELD(AlarmOutRecord, name, "name"),
    QVDB_FIELD(AlarmOutRecord, type, "type"),
    QVDB_FIELD(AlarmOutRecord, enable, "enable"),
    QVDB_FIELD(AlarmOutRecord, durationTime, "durationTime"),
};
const QvdbShape kAlarmOutShape = qvdb_record_shape(kQvdbSettings, sizeof(AlarmOutRecord),
                                                   QVDB_FIELDS(kAlarmOutFields), "id", kQvdbAlarmOuts, kQvdbAlarmOuts);
QVDB_TABLE(kAlarmOutTable, "alarm_out", kAlarmOutShape);
QVDB_SCHEDULE_TABLE(kAlarmOutSchedule, "alarm_out_schedule");

const QvdbField kDisarmingFields[] = {
    QVDB_FIELD(DisarmingRecord, id, "id"),
    QVDB_FIELD(DisarmingRecord, linkageAction, "linkageAction"),
    QVDB_FIELD(DisarmingRecord, disarmActionMask, "disarmActionMask"),
    QVDB_FIELD(DisarmingRecord, reserved, "reserved"),
};
const QvdbShape kDisarmingShape =
    qvdb_record_shape(kQvdbSettings, sizeof(DisarmingRecord), QVDB_FIELDS(kDisarmingFields), "id", 1, 1);
QVDB_TABLE(kDisarmingTable, "disarming", kDisarmingShape);

QVDB_SCHEDULE_TABLE(kAlarmInPlainSchedule, "alarmin_schedule");

// Camera alarm inputs: actions, four schedules and names, by chnid and alarm index. A camera
// contact without a stored record reads as zeros: a factory-new device stores none.
const QvdbShape kCameraAlarmInEventShape =
    qvdb_record_shape_ex(kQvdbSettings, sizeof(CameraAlarmInEventRecord), QVDB_FIELDS(kCameraAlarmInEventFields),
                         "chnid", kQvdbChannels, 0, "alarm_index", kCameraAlarmIns);
QVDB_TABLE(kCameraAlarmInEventTable, "alarm_chnIn_event", kCameraAlarmInEventShape);

const QvdbShape kCameraAlarmInScheduleShape = qvdb_schedule_shape("alarm_index", kCameraAlarmIns);
QVDB_TABLE(kCameraAlarmInEffective, "alarm_chnIn_effective_schedule", kCameraAlarmInScheduleShape);
QVDB_TABLE(kCameraAlarmInAudible, "alarm_chnIn_audible_schedule", kCameraAlarmInScheduleShape);
QVDB_TABLE(kCameraAlarmInMail, "alarm_chnIn_mail_schedule", kCameraAlarmInScheduleShape);
QVDB_TABLE(kCameraAlarmInPtz, "alarm_chnIn_ptz_schedule", kCameraAlarmInScheduleShape);

// The alarm index of the name records is their second key, not a stored field.
const QvdbField kCameraAlarmInNameFields[] = {
    QVDB_FIELD(CameraAlarmInName, chnid, "chnid"),
    QVDB_FIELD(CameraAlarmInName, name, "name"),
};
const QvdbShape kCameraAlarmInNameShape =
    qvdb_record_shape_ex(kQvdbSettings, sizeof(CameraAlarmInName), QVDB_FIELDS(kCameraAlarmInNameFields), "chnid",
                         kQvdbChannels, 0, "alarm_index", kCameraAlarmIns);
QVDB_TABLE(kCameraAlarmInNameTable, "alarm_chnIn_event_name", kCameraAlarmInNameShape);

// Camera alarm outputs: names with delays, and the effective schedule.
const QvdbField kCameraAlarmOutNameFields[] = {
    QVDB_FIELD(CameraAlarmOutName, chnid, "chnid"),
    QVDB_FIELD(CameraAlarmOutName, delayTime, "delayTime"),
    QVDB_FIELD(CameraAlarmOutName, name, "name"),
};
const QvdbShape kCameraAlarmOutNameShape =
    qvdb_record_shape_ex(kQvdbSettings, sizeof(CameraAlarmOutName), QVDB_FIELDS(kCameraAlarmOutNameFields), "chnid",
                         kQvdbChannels, 0, "alarm_index", kCameraAlarmOuts);
QVDB_TABLE(kCameraAlarmOutNameTable, "alarm_chnOut_event_name", kCameraAlarmOutNameShape);

const QvdbShape kCameraAlarmOutScheduleShape = qvdb_schedule_shape("alarm_index", kCameraAlarmOuts);
QVDB_TABLE(kCameraAlarmOutEffective, "alarm_chnOut_effective_schedule", kCameraAlarmOutScheduleShape);

// PTZ linkage event types of the camera alarm inputs 0 to 3 (types no other event uses).
constexpr int kCameraAlarmInPtzTypeBase = 27;

// Reads the records of one alarm index and places each at table[chnid]; a channel without a
// record keeps a zeroed one with its keys set.
template <typename Record>
int read_names_by_channel(const char *db, const QvdbTable &table, Record *out, int index) {
    Record stored[kQvdbChannels];
    int count = 0;
    memset(out, 0, sizeof(Record) * kQvdbChannels);
    int rc = qvdb_read_records(db, table, stored, kQvdbChannels, &count, index);
    for (int i = 0; rc == 0 && i < count && i < kQvdbChannels; i++)
        if (stored[i].chnid >= 0 && stored[i].chnid < kQvdbChannels) out[stored[i].chnid] = stored[i];
    for (int c = 0; c < kQvdbChannels; c++) {
        out[c].chnid = c;
        out[c].alarm_index = index;
    }
    return rc;
}

template <typename Record>
int read_name(const char *db, const QvdbTable &table, Record *record, int chnid, int index) {
    if (!record) return -1;
    int rc = qvdb_read_record(db, table, record, chnid, index);
    if (rc == 0) record->alarm_index = index;
    return rc;
}

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(alarm_out, AlarmOutRecord, kAlarmOutTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(alarm_out, kAlarmOutSchedule)

int read_disarming(const char *db, DisarmingRecord *record) {
    return record ? qvdb_read_record(db, kDisarmingTable, record, 0) : -1;
}

int write_disarming(const char *db, const DisarmingRecord *record) {
    if (!record) return -1;
    DisarmingRecord copy = *record;
    copy.id = 0;
    return qvdb_write_record(db, kDisarmingTable, &copy);
}

QVDB_DEFINE_SCHEDULE_FUNCTIONS(alarm_in, kAlarmInPlainSchedule)

QVDB_DEFINE_RECORD_FUNCTIONS_EX(alarm_chnIn_event, CameraAlarmInEventRecord, kCameraAlarmInEventTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_effective, kCameraAlarmInEffective)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_audible, kCameraAlarmInAudible)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_mail, kCameraAlarmInMail)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(alarm_chnIn_ptz, kCameraAlarmInPtz)

int read_alarm_chnIn_event_name(const char *db, CameraAlarmInName *record, int chnid, int index) {
    return read_name(db, kCameraAlarmInNameTable, record, chnid, index);
}

int write_alarm_chnIn_event_name(const char *db, const CameraAlarmInName *record) {
    return record ? qvdb_write_record(db, kCameraAlarmInNameTable, record, record->alarm_index) : -1;
}

int read_alarm_chnIn_event_names(const char *db, CameraAlarmInName table[kQvdbChannels], int index) {
    return table ? read_names_by_channel(db, kCameraAlarmInNameTable, table, index) : -1;
}

int read_alarm_chnOut_event_name(const char *db, CameraAlarmOutName *record, int chnid, int index) {
    return read_name(db, kCameraAlarmOutNameTable, record, chnid, index);
}

int write_alarm_chnOut_event_name(const char *db, const CameraAlarmOutName *record) {
    return record ? qvdb_write_record(db, kCameraAlarmOutNameTable, record, record->alarm_index) : -1;
}

int read_alarm_chnOut_event_names(const char *db, CameraAlarmOutName table[kQvdbChannels], int index) {
    return table ? read_names_by_channel(db, kCameraAlarmOutNameTable, table, index) : -1;
}

int write_alarm_chnOut_event_names(const char *db, const CameraAlarmOutName table[kQvdbChannels], uint64_t set,
                                   int index) {
    return table ? qvdb_write_records(db, kCameraAlarmOutNameTable, table, kQvdbChannels, set, index) : -1;
}

QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(alarm_chnOut_effective, kCameraAlarmOutEffective)

int converse_chn_alarmid_to_event_in(int index) {
    return index >= 0 && index < kCameraAlarmIns ? kCameraAlarmInPtzTypeBase + index : -1;
}
