// Configuration database records of the recorder's alarm inputs (records, weekly schedules and
// their PTZ linkage type) and of the cameras' own I/O and audio alarms. The event pages of
// module "/6000" and the alarm module "/6020" share these declarations.
#ifndef NVR_CORE_QVDB_ALARM_H
#define NVR_CORE_QVDB_ALARM_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// Rows are kept for input ids 0 to 63: the alarm module serves inputs 0 to 15, the event pages
// of "/6000" address inputs 0 to 63.
constexpr int kQvdbAlarmIns = 64;
// PTZ linkage event type of the recorder's alarm inputs.
constexpr int kAlarmInPtzType = 0;

// One recorder alarm input (table "alarm_in", keyed by "id").
struct AlarmInRecord {
    int32_t id;
    int32_t enable;  // action on (0 to 2)
    char name[256];
    int32_t alarmType;
    uint64_t tri_channels_mask;  // the channels whose character of triChannels is '1'
    int32_t triAlarms;
    int32_t interval;
    char triChannels[65];
    int32_t email_enable;  // e-mail action word
    int32_t email_interval;
    char triSnapshot[65];
    char triChnAlarms1[65];
    char triChnAlarms2[65];
    int32_t ptz_interval;
    int32_t alarmout_interval;
    int32_t white_interval;
    int32_t warning_light_interval;
    int32_t http_notification_interval;
    int32_t email_pic_enable;
    char tri_channels_pic[65];
    int32_t audioId;
};
static_assert(offsetof(AlarmInRecord, enable) == 4, "alarm input action on at 4");
static_assert(offsetof(AlarmInRecord, alarmType) == 264, "alarm input type at 264");
static_assert(offsetof(AlarmInRecord, tri_channels_mask) == 272, "alarm input channel set at 272");
static_assert(offsetof(AlarmInRecord, triAlarms) == 280, "alarm input alarm outputs at 280");
static_assert(offsetof(AlarmInRecord, interval) == 284, "alarm input interval at 284");
static_assert(offsetof(AlarmInRecord, triChannels) == 288, "alarm input channel text at 288");
static_assert(offsetof(AlarmInRecord, email_enable) == 356, "alarm input e-mail word at 356");
static_assert(offsetof(AlarmInRecord, triSnapshot) == 364, "alarm input snapshot channels at 364");
static_assert(offsetof(AlarmInRecord, ptz_interval) == 560, "alarm input PTZ interval at 560");
static_assert(offsetof(AlarmInRecord, tri_channels_pic) == 584, "alarm input picture channels at 584");
static_assert(offsetof(AlarmInRecord, audioId) == 652, "alarm input audio id at 652");
static_assert(sizeof(AlarmInRecord) == 656, "alarm input record is 656 bytes");

int read_alarm_in(const char *db, AlarmInRecord *record, int id);
int write_alarm_in(const char *db, const AlarmInRecord *record);
// Up to capacity records (at most 64) in id order; *count gets their number.
int read_alarm_ins(const char *db, AlarmInRecord *array, int *count, int capacity);
// Stores array[i] as input i for each set bit i below count.
int write_alarm_ins(const char *db, const AlarmInRecord *array, int count, uint64_t mask);

// The weekly schedules of an input: read_alarmin_effective_schedule(db, schedule, id),
// write_..., copy_alarmin_effective_schedules(db, schedule, set of inputs), and the same for
// audible, email and ptz.
QVDB_DECLARE_SCHEDULE_FUNCTIONS(alarmin_effective)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(alarmin_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(alarmin_email)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(alarmin_ptz)

// A camera's own alarm: its I/O alarm input (table "cameraio") or its audio-volume alarm
// (table "volumedetect"), keyed by the camera channel.
struct CameraAlarmRecord {
    int32_t camId;
    int32_t enable;
    uint64_t tri_channels_mask;  // the channels whose character of triChannels is '1'
    int32_t triActions;
    char triChannels[65];
};
static_assert(offsetof(CameraAlarmRecord, tri_channels_mask) == 8, "camera alarm channel set at 8");
static_assert(offsetof(CameraAlarmRecord, triActions) == 16, "camera alarm actions at 16");
static_assert(offsetof(CameraAlarmRecord, triChannels) == 20, "camera alarm channel text at 20");
static_assert(sizeof(CameraAlarmRecord) == 88, "camera alarm record is 88 bytes");

QVDB_DECLARE_RECORD_FUNCTIONS(cameraio, CameraAlarmRecord)
QVDB_DECLARE_RECORD_FUNCTIONS(volumedetect, CameraAlarmRecord)

#endif
