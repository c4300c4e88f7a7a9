// Configuration database records of the camera-side settings that the recorder keeps: the
// exposure list of a channel, and the actions of face detection with their schedules and tables.
#ifndef NVR_CORE_QVDB_CAMERA_IMAGE_H
#define NVR_CORE_QVDB_CAMERA_IMAGE_H

#include <stdint.h>

#include "core/qvdb.h"
#include "core/qvdb_events.h"

// ---- exposure list --------------------------------------------------------------------------------

constexpr int kExposureEntries = 140;  // per channel

struct ExposureSetting {
    int32_t exposureTime;
    int32_t gainLevel;
};
static_assert(sizeof(ExposureSetting) == 8, "exposure entry is 8 bytes");

// The channel's list in stored order (at most 140; *count gets their number). A channel without a
// list reads as an empty one.
int read_exposure(const char *db, ExposureSetting *list, int channel, int *count);
// Replaces the channel's list with the first count entries (at most 140).
int write_exposure(const char *db, const ExposureSetting *list, int channel, int count);

// ---- face detection -------------------------------------------------------------------------------

constexpr int kFaceEventChannels = 16;  // cameras on channels 0 to 15 detect faces

// The actions of a detected face on a channel (table "face_event", keyed by "chnid"), in the
// layout of the camera alarm-input event record; a new device holds one for each of channels 0
// to 15.
int read_face_event(const char *db, CameraAlarmInEventRecord *record, int channel);
int write_face_event(const char *db, const CameraAlarmInEventRecord *record);

// The face schedules of a channel. The white-LED schedule is also the named schedule table
// kFaceWhiteScheduleTable, which the event pages' white-LED schedule functions reach.
QVDB_DECLARE_SCHEDULE_FUNCTIONS(face_effective)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(face_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(face_mail)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(face_ptz)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(face_whiteled)
extern const char kFaceWhiteScheduleTable[];
// The white-LED targets, HTTP schedule and HTTP target of a channel, under these table names.
extern const char kFaceWhiteListTable[];   // "face_whiteled_params"
extern const char kFaceHttpScheduleTable[];  // "face_http_notification_sche"
extern const char kFaceHttpTargetTable[];    // "face_http_notification_params"

#endif
