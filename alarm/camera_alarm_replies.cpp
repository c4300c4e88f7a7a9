// Reply handlers of the camera alarm questions: the daemon's enables, types and states of a
// camera's contacts, joined with what is stored for them.
#include <string.h>

#include "alarm/alarm_module.h"
#include "alarm/alarm_payloads.h"
#include "alarm/camera_alarm_kind.h"
#include "core/json_codec.h"
#include "core/json_util.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// {"chnid", "alarmCnt", "alarm": [...]} with the asked camera and the reported count.
json_object *camera_answer(int reported_count, json_object **list) {
    json_object *answer = json_object_new_object();
    if (!answer) return nullptr;
    json_add_int(answer, "chnid", g_alarm_asked_channel);
    json_add_int(answer, "alarmCnt", reported_count);
    *list = json_object_new_array();
    json_object_object_add(answer, "alarm", *list);
    return answer;
}

// Input i of the asked camera: the daemon's view, then its stored name, schedules and actions.
json_object *input_object(const CameraAlarmInState &state, int i, int audio_mask) {
    int chnid = g_alarm_asked_channel;
    const EventKind &kind = camera_alarm_in_kind(i);
    CameraAlarmInName name;
    memset(&name, 0, sizeof name);
    read_alarm_chnIn_event_name(kDb, &name, chnid, i);
    CameraAlarmInEventRecord record;
    memset(&record, 0, sizeof record);
    read_alarm_chnIn_event(kDb, &record, chnid, i);
    json_object *object = json_object_new_object();
    json_add_int(object, "alarmEnable", state.enable[i]);
    json_add_int(object, "alarmType", state.type[i]);
    json_add_int(object, "alarmStatus", state.status[i]);
    json_add_text(object, "alarmName", name.name);
    add_event_sub_setting(object, kind, chnid, kSubEffective);
    add_event_sub_setting(object, kind, chnid, kSubAudible);
    json_add_int(object, "interval", record.interval);
    json_add_int(object, "audioId", record.audioId);
    json_add_int(object, "audioIdMask", audio_mask);
    add_event_sub_setting(object, kind, chnid, kSubEmail);
    json_add_int(object, "email_interval", record.email_interval);
    json_add_int(object, "email_pic_enable", record.email_pic_enable);
    json_add_text(object, "tri_channels_pic", record.tri_channels_pic);
    add_event_sub_setting(object, kind, chnid, kSubPtz);
    json_add_int(object, "ptz_interval", record.ptz_interval);
    add_event_sub_setting(object, kind, chnid, kSubPtzLinkage);
    json_add_int(object, "alarmout_interval", record.alarmout_interval);
    json_add_int(object, "triAlarms", record.triAlarms);
    json_add_text(object, "triChannels", record.triChannels);
    json_object_object_add(object, "triChnAlarms",
                           get_event_chn_alarmout_object(record.triChnAlarms1, record.triChnAlarms2));
    add_event_sub_setting(object, kind, chnid, kSubWhiteSchedule);
    add_event_sub_setting(object, kind, chnid, kSubWhiteList);
    json_add_int(object, "white_interval", record.white_interval);
    add_event_sub_setting(object, kind, chnid, kSubWarningSchedule);
    add_event_sub_setting(object, kind, chnid, kSubWarningList);
    json_add_int(object, "warning_light_interval", record.warning_light_interval);
    json_add_int(object, "http_notification_interval", record.http_notification_interval);
    add_event_sub_setting(object, kind, chnid, kSubHttpSchedule);
    add_event_sub_setting(object, kind, chnid, kSubHttpTarget);
    return object;
}

// Output i of the asked camera: the daemon's type and state, the stored name, delay and schedule.
json_object *output_object(const CameraAlarmOutState &state, int i) {
    int chnid = g_alarm_asked_channel;
    CameraAlarmOutName name;
    memset(&name, 0, sizeof name);
    read_alarm_chnOut_event_name(kDb, &name, chnid, i);
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    read_alarm_chnOut_effective_schedule(kDb, &schedule, chnid, i);
    json_object *object = json_object_new_object();
    json_add_int(object, "alarmType", state.type[i]);
    json_add_int(object, "alarmStatus", state.status[i]);
    json_add_text(object, "alarmName", name.name);
    json_add_int(object, "delayTime", name.delayTime);
    json_object_object_add(object, "effective", get_schedule_json_object(&schedule));
    return object;
}

}  // namespace

// 8298: one object for each input below the reported count, at most 4; element i of each reply
// array belongs to input i.
int on_get_camera_alarm_input_cb(const void *payload, int) {
    CameraAlarmInState state;
    memcpy(&state, payload, sizeof state);  // the dispatcher checked the length
    json_object *list = nullptr;
    json_object *answer = camera_answer(state.count, &list);
    int count = state.count < 0 ? 0 : (state.count > kCameraAlarmIns ? kCameraAlarmIns : state.count);
    int audio_mask = count > 0 ? get_audio_file_id_mask() : 0;
    for (int i = 0; answer && i < count; i++) json_object_array_add(list, input_object(state, i, audio_mask));
    return cgi_reply_json(answer);
}

// 8296: both outputs, whatever the reported count.
int on_get_camera_alarm_output_cb(const void *payload, int) {
    CameraAlarmOutState state;
    memcpy(&state, payload, sizeof state);
    json_object *list = nullptr;
    json_object *answer = camera_answer(state.count, &list);
    for (int i = 0; answer && i < kCameraAlarmOuts; i++) json_object_array_add(list, output_object(state, i));
    return cgi_reply_json(answer);
}
