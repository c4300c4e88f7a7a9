// Action record layouts shared by several event kinds: the smart-event action record (smart
// events, plate list modes, counting regions) and the camera alarm-input event record (camera
// alarm inputs, people-counting groups, point-of-sale terminals, face detection). Each kind
// registers its own table with the field list declared here.
#ifndef NVR_CORE_QVDB_EVENTS_H
#define NVR_CORE_QVDB_EVENTS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// The stored fields of an event action layout, by the same names in every layout that has them
// (the byte offsets differ between layouts; each struct pins its own).
#define NVR_EVENT_ACTION_FIELDS(Record)                                                            \
    QVDB_FIELD(Record, chnid, "chnid"),                                                             \
    QVDB_FIELD(Record, enable, "enable"),                                                           \
    QVDB_FIELD(Record, tri_channels_mask, "tri_channels_mask"),                                     \
    QVDB_FIELD(Record, triChannels, "triChannels"),                                                 \
    QVDB_FIELD(Record, triAlarms, "triAlarms"),                                                     \
    QVDB_FIELD(Record, interval, "interval"),                                                       \
    QVDB_FIELD(Record, email_interval, "email_interval"),                                           \
    QVDB_FIELD(Record, triChnAlarms1, "triChnAlarms1"),                                             \
    QVDB_FIELD(Record, triChnAlarms2, "triChnAlarms2"),                                             \
    QVDB_FIELD(Record, ptz_interval, "ptz_interval"),                                               \
    QVDB_FIELD(Record, alarmout_interval, "alarmout_interval"),                                     \
    QVDB_FIELD(Record, white_interval, "white_interval"),                                           \
    QVDB_FIELD(Record, warning_light_interval, "warning_light_interval"),                           \
    QVDB_FIELD(Record, email_pic_enable, "email_pic_enable"),                                       \
    QVDB_FIELD(Record, tri_channels_pic, "tri_channels_pic"),                                       \
    QVDB_FIELD(Record, audioId, "audioId"),                                                         \
    QVDB_FIELD(Record, http_notification_interval, "http_notification_interval")

// Smart-event action record (336 bytes), keyed by channel and a second number (the event type,
// plate list mode or counting region) that each kind's table adds.
struct SmartEventRecord {
    int32_t chnid;
    int32_t enable;
    uint64_t tri_channels_mask;  // the channels whose character of triChannels is '1'
    char triChannels[65];
    int32_t triAlarms;
    int32_t interval;
    int32_t email_interval;
    char triChnAlarms1[65];
    char triChnAlarms2[65];
    char unused1[6];
    int32_t ptz_interval;
    int32_t alarmout_interval;
    int32_t white_interval;
    int32_t warning_light_interval;
    int32_t email_pic_enable;
    char tri_channels_pic[65];
    int32_t audioId;
    int32_t http_notification_interval;
    char unused2[8];
};
static_assert(offsetof(SmartEventRecord, tri_channels_mask) == 8, "smart event channel set at 8");
static_assert(offsetof(SmartEventRecord, triChannels) == 16, "smart event channel text at 16");
static_assert(offsetof(SmartEventRecord, triAlarms) == 84, "smart event alarm outputs at 84");
static_assert(offsetof(SmartEventRecord, triChnAlarms1) == 96, "smart event alarm-output text 1 at 96");
static_assert(offsetof(SmartEventRecord, triChnAlarms2) == 161, "smart event alarm-output text 2 at 161");
static_assert(offsetof(SmartEventRecord, ptz_interval) == 232, "smart event PTZ interval at 232");
static_assert(offsetof(SmartEventRecord, email_pic_enable) == 248, "smart event e-mail picture at 248");
static_assert(offsetof(SmartEventRecord, tri_channels_pic) == 252, "smart event snapshot channels at 252");
static_assert(offsetof(SmartEventRecord, audioId) == 320, "smart event audio id at 320");
static_assert(offsetof(SmartEventRecord, http_notification_interval) == 324, "smart event HTTP interval at 324");
static_assert(sizeof(SmartEventRecord) == 336, "smart event action record is 336 bytes");

// Stored fields of the smart-event action record; "chnid" is the key column. A kind's table:
//   const QvdbShape kShape = qvdb_record_shape_ex(kQvdbSettings, sizeof(SmartEventRecord),
//       QVDB_FIELDS(kSmartEventFields), "chnid", 64, 64, "event_type", 9);
inline constexpr QvdbField kSmartEventFields[] = {NVR_EVENT_ACTION_FIELDS(SmartEventRecord)};

// Camera alarm-input event record: the actions of one camera alarm input, and of the kinds that
// share its layout. The key word comes first (camera channel, counting group, terminal); camera
// alarm inputs add the alarm index 0 to 3 as their table's second key.
struct CameraAlarmInEventRecord {
    int32_t chnid;
    int32_t enable;  // set to 2 whenever "interval" is supplied
    uint64_t tri_channels_mask;
    char triChannels[65];
    int32_t triAlarms;
    int32_t interval;
    int32_t email_interval;
    char triChnAlarms1[65];
    char triChnAlarms2[65];
    int32_t ptz_interval;
    int32_t alarmout_interval;
    int32_t white_interval;
    int32_t warning_light_interval;
    int32_t email_pic_enable;
    char tri_channels_pic[65];
    int32_t audioId;
    int32_t http_notification_interval;
};
static_assert(offsetof(CameraAlarmInEventRecord, tri_channels_mask) == 8, "camera alarm-in channel set at 8");
static_assert(offsetof(CameraAlarmInEventRecord, triAlarms) == 84, "camera alarm-in alarm outputs at 84");
static_assert(offsetof(CameraAlarmInEventRecord, triChnAlarms1) == 96, "camera alarm-in pair texts at 96");
static_assert(offsetof(CameraAlarmInEventRecord, ptz_interval) == 228, "camera alarm-in PTZ interval at 228");
static_assert(offsetof(CameraAlarmInEventRecord, tri_channels_pic) == 248, "camera alarm-in snapshot channels at 248");
static_assert(offsetof(CameraAlarmInEventRecord, audioId) == 316, "camera alarm-in audio id at 316");
static_assert(sizeof(CameraAlarmInEventRecord) == 328, "camera alarm-in event record is 328 bytes");

// Stored fields of the camera alarm-input event record; "chnid" is the key column.
inline constexpr QvdbField kCameraAlarmInEventFields[] = {NVR_EVENT_ACTION_FIELDS(CameraAlarmInEventRecord)};

#endif
