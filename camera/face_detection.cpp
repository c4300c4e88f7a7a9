// Face detection of module "/2001": the camera's detection parameters are relayed in one record,
// the recorder's actions on a detected face are stored like those of any other event.
#include <string.h>

#include "camera/camera_functions.h"
#include "camera/camera_module.h"
#include "camera/camera_request.h"
#include "camera/entry_fields.h"
#include "camera/maintenance_payloads.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_camera_image.h"
#include "core/response.h"
#include "frame/dispatchreq.h"
#include "video/event_settings.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kFacePtzType = 26;  // PTZ linkage lists of face detection, one per channel

// ---- the face event kind ------------------------------------------------------------------------

struct FaceSchedule {
    int (*read)(const char *, WeeklySchedule *, int);
    int (*write)(const char *, const WeeklySchedule *, int);
    int (*copy)(const char *, const WeeklySchedule *, uint64_t);
};

// By EventSchedule: effective, audible, e-mail, PTZ.
const FaceSchedule kFaceSchedules[] = {
    {read_face_effective_schedule, write_face_effective_schedule, copy_face_effective_schedules},
    {read_face_audible_schedule, write_face_audible_schedule, copy_face_audible_schedules},
    {read_face_mail_schedule, write_face_mail_schedule, copy_face_mail_schedules},
    {read_face_ptz_schedule, write_face_ptz_schedule, copy_face_ptz_schedules},
};

const FaceSchedule *face_schedule(EventSchedule which) {
    int index = static_cast<int>(which);
    return index >= 0 && index < NVR_ARRAY_COUNT(kFaceSchedules) ? &kFaceSchedules[index] : nullptr;
}

int read_schedule(EventSchedule which, WeeklySchedule *schedule, int channel, int) {
    const FaceSchedule *s = face_schedule(which);
    return s ? s->read(kDb, schedule, channel) : -1;
}

int write_schedule(EventSchedule which, const WeeklySchedule *schedule, int channel, int) {
    const FaceSchedule *s = face_schedule(which);
    return s ? s->write(kDb, schedule, channel) : -1;
}

int copy_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t channels, int) {
    const FaceSchedule *s = face_schedule(which);
    return s ? s->copy(kDb, schedule, channels) : -1;
}

const EventKind kFaceEventKind = {
    read_schedule,          write_schedule, copy_schedule, 0, kFaceWhiteScheduleTable, kFaceWhiteListTable,
    nullptr,                nullptr,        kFaceHttpScheduleTable, kFaceHttpTargetTable, kFacePtzType,
};

// The sub-settings an "action" object stores besides the event record and the PTZ linkage list.
constexpr unsigned kFaceSubSettings = kSubEffective | kSubAudible | kSubEmail | kSubPtz | kSubWhiteSchedule |
                                      kSubHttpSchedule | kSubWhiteList | kSubHttpTarget;

// The action fields "action" changes: no switch and no warning light.
EventActionFields face_action_fields(CameraAlarmInEventRecord *record) {
    EventActionFields fields = all_action_fields(record);
    fields.enable = nullptr;
    fields.warning_light_interval = nullptr;
    return fields;
}

// Stores everything "action" carries, together. False (nothing stored) when the channel's event
// record cannot be read or a write fails.
bool store_face_actions(json_object *action, int channel) {
    DbTransaction transaction(kDb);
    CameraAlarmInEventRecord record;
    memset(&record, 0, sizeof record);
    if (!transaction.ok() || read_face_event(kDb, &record, channel) != 0) return false;
    store_event_sub_settings(action, kFaceEventKind, channel, kFaceSubSettings);
    set_ptz_params_by_json(channel, kFacePtzType, array_key(action, "ptzParams"));
    apply_event_action_keys(action, face_action_fields(&record), kActionWithHttpInterval);
    record.chnid = channel;
    write_face_event(kDb, &record);
    return transaction.commit() == 0;
}

// ---- the detection record -------------------------------------------------------------------------

#define FACE_NUMBER(member) ENTRY_NUMBER(FaceDetectionRecord, member)
#define FACE_TEXT(member) ENTRY_TEXT(FaceDetectionRecord, member)
const EntryField kFaceFields[] = {
    FACE_NUMBER(enable),          FACE_NUMBER(width),           FACE_NUMBER(height),
    FACE_NUMBER(minPixel),        FACE_NUMBER(captureMode),     FACE_NUMBER(snapshotType),
    FACE_NUMBER(snapshotInterval), FACE_NUMBER(snapshotBackground), FACE_NUMBER(poseYaw),
    FACE_NUMBER(poseRoll),        FACE_NUMBER(posePitch),       FACE_NUMBER(blurLimit),
    FACE_TEXT(detection_polygonX), FACE_TEXT(detection_polygonY), FACE_NUMBER(uploadEnable),
    FACE_NUMBER(uploadFileType),  FACE_NUMBER(nasEnable),       FACE_NUMBER(nasFileType),
    FACE_NUMBER(emailEnable),     FACE_NUMBER(emailFileType),   FACE_NUMBER(httpEnable),
    FACE_NUMBER(httpNotifyInterval), FACE_TEXT(httpUrl),        FACE_TEXT(httpUser),
    FACE_TEXT(httpPassword),      FACE_NUMBER(recordSeconds),   FACE_NUMBER(prerecordSeconds),
    FACE_NUMBER(postEnable),      FACE_NUMBER(postType),        FACE_NUMBER(attributeEnable),
    FACE_NUMBER(attributeType),   FACE_NUMBER(mosaicEnable),    FACE_NUMBER(mosaicModeStatus),
    FACE_NUMBER(mutuallyExclusive),
};
#undef FACE_NUMBER
#undef FACE_TEXT

const EntryField kShieldFields[] = {
    ENTRY_NUMBER(FaceShield, enable),
    ENTRY_TEXT(FaceShield, polygonX),
    ENTRY_TEXT(FaceShield, polygonY),
};

// The record of a request: every tabled key (a missing number stores 0, a missing text ""), the
// first 3 capture modes and the first 4 shields; items that are not objects stay zero.
void fill_face_record(json_object *request, int channel, FaceDetectionRecord *record) {
    memset(record, 0, sizeof *record);
    record->chnId = channel;
    store_entry_fields(request, record, sizeof *record, kFaceFields, NVR_ARRAY_COUNT(kFaceFields));
    json_object *modes = array_key(request, "captureModeArray");
    for (int i = 0; i < kFaceCaptureModes; i++) {
        json_object *mode = object_item(modes, static_cast<size_t>(i));
        if (!mode) continue;
        record->captureQuality[i] = number_key(mode, "captureQuality");
        record->snapshot[i] = number_key(mode, "snapshot");
    }
    json_object *shields = array_key(request, "shield");
    for (int i = 0; i < kFaceShields; i++) {
        json_object *shield = object_item(shields, static_cast<size_t>(i));
        if (shield)
            store_entry_fields(shield, &record->shield[i], sizeof record->shield[i], kShieldFields,
                               NVR_ARRAY_COUNT(kShieldFields));
    }
}

}  // namespace

// "/2077": face detection of one camera (channels 0 to 15). With "action", the recorder's actions
// are stored first and the daemon told of them; the detection record then goes to the camera.
int on_cgi_set_face_config(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_int_between(request, "chnId", 0, kFaceChannels - 1, &channel))
        return cgi_error_to_webserver(kJson);
    FaceDetectionRecord record;
    fill_face_record(request, channel, &record);
    json_object *action = json_get_typed(request, "action", json_type_object);
    if (action) {
        if (!store_face_actions(action, channel)) return cgi_error_to_webserver(kJson);
        int32_t notice = channel;
        cgi_notify_daemon(on_camera_ipc_callback, kRequestFaceActions, &notice, sizeof notice);
    }
    cgi_ask_daemon(on_camera_ipc_callback, kRequestFaceConfig, &record, sizeof record, kJson);
    return 0;
}

// 8381: {"status": first word}.
int on_cgi_face_status_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "status", reply.number(0));
    return cgi_reply_json(answer);
}
