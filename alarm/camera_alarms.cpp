// Routes of the cameras' alarm contacts: the daemon's view of a camera's inputs and outputs, their
// settings with copies to other cameras, and switching a camera's output.
#include <string.h>

#include "alarm/alarm_module.h"
#include "alarm/alarm_payloads.h"
#include "alarm/camera_alarm_kind.h"
#include "camera/camera_request.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kLastChannel = kQvdbChannels - 1;

int clamp_count(int count, int most) { return count < 0 ? 0 : (count > most ? most : count); }

// The request of a camera's settings route: "chnid" 0 to 63 and "alarmCnt" present.
bool read_camera_settings(json_object *request, int *chnid, int *count) {
    return request && read_int_between(request, "chnid", 0, kLastChannel, chnid) &&
           on_cgi_get_int_from_json(request, "alarmCnt", count) == 0;
}

// Asks the daemon about a camera ("chnid" 0 to 63); the reply handler answers.
int ask_about_camera(const char *arg, int request_code, const void *payload, int length, int32_t *chnid_field) {
    JsonRef request(get_request_tokener_json_object(arg));
    int chnid = 0;
    if (!request || !read_int_between(request, "chnid", 0, kLastChannel, &chnid)) return cgi_error_to_webserver(kJson);
    *chnid_field = chnid;
    g_alarm_asked_channel = chnid;
    cgi_ask_daemon(on_alarm_ipc_callback, request_code, payload, length, kJson);
    return 0;
}

// One "dialog" item of a camera input: the sub-settings and action fields of input "alarmId"
// (0 to 3; another item is skipped), then copies of all of them to the cameras of the set.
void store_input_dialog(json_object *item, int chnid, uint64_t copies) {
    int index = 0;
    if (!read_int_between(item, "alarmId", 0, kCameraAlarmIns - 1, &index)) return;
    const EventKind &kind = camera_alarm_in_kind(index);
    store_event_sub_settings(item, kind, chnid, kDialogSubSettings);
    CameraAlarmInEventRecord record;
    memset(&record, 0, sizeof record);
    read_alarm_chnIn_event(kDb, &record, chnid, index);
    record.chnid = chnid;
    int changed = apply_event_action_keys(item, all_action_fields(&record), kActionWithHttpInterval);
    int interval = 0;
    if (on_cgi_get_int_from_json(item, "interval", &interval) == 0) record.enable = 2;
    if (store_event_ptz_linkage(item)) changed++;
    if (changed > 0) write_alarm_chnIn_event(kDb, &record, index);
    if (copies == 0) return;
    copy_event_sub_settings(kind, chnid, copies, kAllSubSettings);
    copy_alarm_chnIn_events(kDb, &record, copies, index);
}

// Item j of "alarm" (an object; another item is skipped): the daemon's entry j, and the name of
// input j when "alarmName" is given.
void take_input_item(json_object *item, int chnid, int j, uint64_t, CameraAlarmInSetting *entry) {
    entry->alarmEnable = json_int_or(item, "alarmEnable", 0);
    entry->alarmType = json_int_or(item, "alarmType", 0);
    const char *name = text_key(item, "alarmName");
    if (!name) return;
    CameraAlarmInName record;
    memset(&record, 0, sizeof record);
    record.chnid = chnid;
    record.alarm_index = j;
    copy_text_field(record.name, sizeof record.name, name);
    write_alarm_chnIn_event_name(kDb, &record);
}

// Item i of "alarm" of a camera output: the daemon's entry i, and the output's stored delay and
// name (each kept when its key is absent); the delay also goes to the cameras of the set.
void take_output_item(json_object *item, int chnid, int i, uint64_t copies, CameraAlarmOutSetting *entry) {
    entry->alarmType = json_int_or(item, "alarmType", 0);
    CameraAlarmOutName record;
    memset(&record, 0, sizeof record);
    read_alarm_chnOut_event_name(kDb, &record, chnid, i);
    record.chnid = chnid;
    record.alarm_index = i;
    int delay = 0;
    if (on_cgi_get_int_from_json(item, "delayTime", &delay) == 0) record.delayTime = delay;
    replace_text_key(item, "alarmName", record.name, sizeof record.name);
    write_alarm_chnOut_event_name(kDb, &record);
    if (copies == 0) return;
    CameraAlarmOutName table[kQvdbChannels];
    if (read_alarm_chnOut_event_names(kDb, table, i) != 0) return;
    for_each_in_set(copies, [&](int camera) { table[camera].delayTime = record.delayTime; });
    write_alarm_chnOut_event_names(kDb, table, copies, i);
}

// "dialog" item of a camera output: the effective schedule of output "alarmId" (0 or 1), and the
// stored one copied to the cameras of the set.
void store_output_dialog(json_object *item, int chnid, uint64_t copies) {
    int index = 0;
    if (!read_int_between(item, "alarmId", 0, kCameraAlarmOuts - 1, &index)) return;
    WeeklySchedule schedule;
    if (get_schedule_by_json(item, "effective", &schedule) == 0)
        write_alarm_chnOut_effective_schedule(kDb, &schedule, chnid, index);
    if (copies == 0) return;
    memset(&schedule, 0, sizeof schedule);
    if (read_alarm_chnOut_effective_schedule(kDb, &schedule, chnid, index) == 0)
        copy_alarm_chnOut_effective_schedules(kDb, &schedule, index, copies);
}

// The settings routes of a camera's contacts: "chnid" 0 to 63 and "alarmCnt" (cut to the
// camera's contacts) are required; the first count items of "dialog" and of "alarm" are stored
// (items that are not objects are skipped); then the daemon hears of the settings and of the
// camera with the cameras of "copyChn".
template <int kContacts, typename Settings, typename TakeItem>
int set_camera_alarms(const char *arg, int settings_code, int changed_code,
                      void (*store_dialog)(json_object *item, int chnid, uint64_t copies), TakeItem take_item) {
    JsonRef request(get_request_tokener_json_object(arg));
    int chnid = 0, requested = 0;
    if (!read_camera_settings(request, &chnid, &requested)) return cgi_error_to_webserver(kJson);
    int count = clamp_count(requested, kContacts);
    uint64_t copies = get_copy_flag_by_json(request, "copyChn", "copyCnt");
    Settings settings;
    memset(&settings, 0, sizeof settings);
    {
        DbTransaction transaction(kDb);
        json_object *dialog = array_key(request, "dialog");
        for (int i = 0; i < count; i++)
            if (json_object *item = object_item(dialog, static_cast<size_t>(i))) store_dialog(item, chnid, copies);
        json_object *alarms = array_key(request, "alarm");
        for (int i = 0; i < count; i++) {
            settings.entry[i].alarm_index = i;
            if (json_object *item = object_item(alarms, static_cast<size_t>(i)))
                take_item(item, chnid, i, copies, &settings.entry[i]);
        }
        if (transaction.commit() != 0) return cgi_error_to_webserver(kJson);
    }
    settings.count = count;
    settings.cameras = copies | (1ULL << chnid);
    alarm_notify(settings_code, &settings, sizeof settings);
    alarm_notify(changed_code, &settings.cameras, sizeof settings.cameras);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

}  // namespace

// "/6024": the daemon's view of a camera's inputs with their stored settings (reply 8298).
int on_get_camera_alarm_input(const char *arg) {
    CameraAlarmInState question;
    memset(&question, 0, sizeof question);
    question.count = kCameraAlarmIns;
    return ask_about_camera(arg, kRequestCameraAlarmIns, &question, sizeof question, &question.chnid);
}

// "/6028": the daemon's view of a camera's outputs with their stored settings (reply 8296).
int on_get_camera_alarm_output(const char *arg) {
    int32_t chnid = 0;
    return ask_about_camera(arg, kRequestCameraAlarmOuts, &chnid, sizeof chnid, &chnid);
}

// "/6025": a camera's inputs: the "dialog" items' settings (copied to "copyChn"), the "alarm"
// items' switches and names.
int on_set_camera_alarm_input(const char *arg) {
    return set_camera_alarms<kCameraAlarmIns, CameraAlarmInSettings>(arg, kRequestSetCameraAlarmIns,
                                                                      kRequestCameraAlarmInsChanged,
                                                                      store_input_dialog, take_input_item);
}

// "/6029": a camera's outputs: the "dialog" items' schedules and the "alarm" items' types, names
// and delays (schedules and delays copied to "copyChn").
int on_set_camera_alarm_output(const char *arg) {
    return set_camera_alarms<kCameraAlarmOuts, CameraAlarmOutSettings>(arg, kRequestSetCameraAlarmOuts,
                                                                        kRequestCameraAlarmOutsChanged,
                                                                        store_output_dialog, take_output_item);
}

// "/6033": switches a camera's output ("chnid" 0 to 63, "alarmId" 0 or 1, "state").
int on_set_camera_alarm_state(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    CameraAlarmStateChange change;
    memset(&change, 0, sizeof change);
    int chnid = 0, index = 0;
    if (!request || !read_int_between(request, "chnid", 0, kLastChannel, &chnid) ||
        !read_int_between(request, "alarmId", 0, kCameraAlarmOuts - 1, &index))
        return cgi_error_to_webserver(kTextPlain);
    change.chnid = chnid;
    change.alarmId = index;
    change.state = json_int_or(request, "state", 0);
    alarm_notify(kRequestCameraAlarmState, &change, sizeof change);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
