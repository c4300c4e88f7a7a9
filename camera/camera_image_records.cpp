// Database tables of the camera-side settings the recorder keeps: exposure lists, and the face
// detection actions with their schedules and tables.
#include <string.h>

#include "core/qvdb_camera_image.h"

const char kFaceWhiteScheduleTable[] = "face_whiteled_schedule";
const char kFaceWhiteListTable[] = "face_whiteled_params";
const char kFaceHttpScheduleTable[] = "face_http_notification_sche";
const char kFaceHttpTargetTable[] = "face_http_notification_params";

namespace {

// ---- exposure list --------------------------------------------------------------------------------

// A stored entry names its channel; the list of a channel is its entries in slot order.
struct ExposureRow {
    int32_t channel;
    ExposureSetting setting;
};
const QvdbField kExposureFields[] = {
    QVDB_FIELD(ExposureRow, channel, "channel"),
    QVDB_FIELD(ExposureRow, setting.exposureTime, "exposureTime"),
    QVDB_FIELD(ExposureRow, setting.gainLevel, "gainLevel"),
};
const QvdbShape kExposureShape = qvdb_list_shape(kQvdbSettings, sizeof(ExposureRow), QVDB_FIELDS(kExposureFields),
                                                 "channel", kQvdbChannels, kExposureEntries);
QVDB_TABLE(kExposureTable, "exposure_list", kExposureShape);

// ---- face detection -------------------------------------------------------------------------------

const QvdbShape kFaceEventShape = qvdb_record_shape(kQvdbSettings, sizeof(CameraAlarmInEventRecord),
                                                    QVDB_FIELDS(kCameraAlarmInEventFields), "chnid",
                                                    kFaceEventChannels, kFaceEventChannels);
QVDB_TABLE(kFaceEventTable, "face_event", kFaceEventShape);

QVDB_SCHEDULE_TABLE(kFaceEffectiveSchedule, "face_effective_schedule");
QVDB_SCHEDULE_TABLE(kFaceAudibleSchedule, "face_audible_schedule");
QVDB_SCHEDULE_TABLE(kFaceMailSchedule, "face_mail_schedule");
QVDB_SCHEDULE_TABLE(kFacePtzSchedule, "face_ptz_schedule");
QVDB_SCHEDULE_TABLE(kFaceWhiteSchedule, kFaceWhiteScheduleTable);
QVDB_SCHEDULE_TABLE(kFaceHttpSchedule, kFaceHttpScheduleTable);
QVDB_TABLE(kFaceWhiteList, kFaceWhiteListTable, kQvdbWhiteLedShape);
QVDB_TABLE(kFaceHttpTarget, kFaceHttpTargetTable, kQvdbHttpTargetShape);

}  // namespace

int read_exposure(const char *db, ExposureSetting *list, int channel, int *count) {
    if (!list || !count) return -1;
    ExposureRow rows[kExposureEntries];
    if (qvdb_read_list(db, kExposureTable, rows, kExposureEntries, count, channel) != 0) return -1;
    for (int i = 0; i < *count; i++) list[i] = rows[i].setting;
    return 0;
}

int write_exposure(const char *db, const ExposureSetting *list, int channel, int count) {
    if (!list || count < 0 || count > kExposureEntries) return -1;
    ExposureRow rows[kExposureEntries];
    for (int i = 0; i < count; i++) {
        rows[i].channel = channel;
        rows[i].setting = list[i];
    }
    return qvdb_write_list(db, kExposureTable, rows, count, channel);
}

int read_face_event(const char *db, CameraAlarmInEventRecord *record, int channel) {
    return qvdb_read_record(db, kFaceEventTable, record, channel);
}

int write_face_event(const char *db, const CameraAlarmInEventRecord *record) {
    return qvdb_write_record(db, kFaceEventTable, record);
}

QVDB_DEFINE_SCHEDULE_FUNCTIONS(face_effective, kFaceEffectiveSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(face_audible, kFaceAudibleSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(face_mail, kFaceMailSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(face_ptz, kFacePtzSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(face_whiteled, kFaceWhiteSchedule)
