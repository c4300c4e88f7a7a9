// Database tables of the recorder's alarm inputs (records and weekly schedules) and of the
// cameras' I/O and audio alarms.
#include "core/qvdb_alarm.h"

namespace {

const QvdbField kAlarmInFields[] = {
    QVDB_FIELD(AlarmInRecord, id, "id"),
    QVDB_FIELD(AlarmInRecord, enable, "enable"),
    QVDB_FIELD(AlarmInRecord, name, "name"),
    QVDB_FIELD(AlarmInRecord, alarmType, "alarmType"),
    QVDB_FIELD(AlarmInRecord, tri_channels_mask, "tri_channels_mask"),
    QVDB_FIELD(AlarmInRecord, triAlarms, "triAlarms"),
    QVDB_FIELD(AlarmInRecord, interval, "interval"),
    QVDB_FIELD(AlarmInRecord, triChannels, "triChannels"),
    QVDB_FIELD(AlarmInRecord, email_enable, "email_enable"),
    QVDB_FIELD(AlarmInRecord, email_interval, "email_interval"),
    QVDB_FIELD(AlarmInRecord, triSnapshot, "triSnapshot"),
    QVDB_FIELD(AlarmInRecord, triChnAlarms1, "triChnAlarms1"),
    QVDB_FIELD(AlarmInRecord, triChnAlarms2, "triChnAlarms2"),
    QVDB_FIELD(AlarmInRecord, ptz_interval, "ptz_interval"),
    QVDB_FIELD(AlarmInRecord, alarmout_interval, "alarmout_interval"),
    QVDB_FIELD(AlarmInRecord, white_interval, "white_interval"),
    QVDB_FIELD(AlarmInRecord, warning_light_interval, "warning_light_interval"),
    QVDB_FIELD(AlarmInRecord, http_notification_interval, "http_notification_interval"),
    QVDB_FIELD(AlarmInRecord, email_pic_enable, "email_pic_enable"),
    QVDB_FIELD(AlarmInRecord, tri_channels_pic, "tri_channels_pic"),
    QVDB_FIELD(AlarmInRecord, audioId, "audioId"),
};
const QvdbShape kAlarmInShape = qvdb_record_shape(kQvdbSettings, sizeof(AlarmInRecord), QVDB_FIELDS(kAlarmInFields),
                                                  "id", kQvdbAlarmIns, kQvdbAlarmIns);
QVDB_TABLE(kAlarmInTable, "alarm_in", kAlarmInShape);

QVDB_SCHEDULE_TABLE(kAlarmInEffectiveSchedule, "alarmin_effective_schedule");
QVDB_SCHEDULE_TABLE(kAlarmInAudibleSchedule, "alarmin_audible_schedule");
QVDB_SCHEDULE_TABLE(kAlarmInEmailSchedule, "alarmin_email_schedule");
QVDB_SCHEDULE_TABLE(kAlarmInPtzSchedule, "alarmin_ptz_schedule");

const QvdbField kCameraAlarmFields[] = {
    QVDB_FIELD(CameraAlarmRecord, camId, "camId"),
    QVDB_FIELD(CameraAlarmRecord, enable, "enable"),
    QVDB_FIELD(CameraAlarmRecord, tri_channels_mask, "tri_channels_mask"),
    QVDB_FIELD(CameraAlarmRecord, triActions, "triActions"),
    QVDB_FIELD(CameraAlarmRecord, triChannels, "triChannels"),
};
const QvdbShape kCameraAlarmShape = qvdb_record_shape(kQvdbSettings, sizeof(CameraAlarmRecord),
                                                      QVDB_FIELDS(kCameraAlarmFields), "camId", kQvdbChannels,
                                                      kQvdbChannels);
QVDB_TABLE(kCameraIoTable, "cameraio", kCameraAlarmShape);
QVDB_TABLE(kVolumeDetectTable, "volumedetect", kCameraAlarmShape);

}  // namespace

int read_alarm_in(const char *db, AlarmInRecord *record, int id) {
    return qvdb_read_record(db, kAlarmInTable, record, id);
}
int write_alarm_in(const char *db, const AlarmInRecord *record) { return qvdb_write_record(db, kAlarmInTable, record); }
int read_alarm_ins(const char *db, AlarmInRecord *array, int *count, int capacity) {
    if (capacity > kQvdbAlarmIns) capacity = kQvdbAlarmIns;
    return qvdb_read_records(db, kAlarmInTable, array, capacity, count);
}
int write_alarm_ins(const char *db, const AlarmInRecord *array, int count, uint64_t mask) {
    return qvdb_write_records(db, kAlarmInTable, array, count, mask);
}

QVDB_DEFINE_SCHEDULE_FUNCTIONS(alarmin_effective, kAlarmInEffectiveSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(alarmin_audible, kAlarmInAudibleSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(alarmin_email, kAlarmInEmailSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(alarmin_ptz, kAlarmInPtzSchedule)

QVDB_DEFINE_RECORD_FUNCTIONS(cameraio, CameraAlarmRecord, kCameraIoTable)
QVDB_DEFINE_RECORD_FUNCTIONS(volumedetect, CameraAlarmRecord, kVolumeDetectTable)
