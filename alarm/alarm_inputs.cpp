// Routes of the recorder's alarm inputs (0 to 15): one input with all its actions and copies to
// other inputs, the list, the older pages' name, basics and schedule, and the name list of every
// alarm input.
#include <string.h>

#include <initializer_list>

#include "alarm/alarm_module.h"
#include "alarm/alarm_payloads.h"
#include "camera/camera_request.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_alarm.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/alarm_in_settings.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kRecorderInputs = 16;        // the inputs these pages serve
constexpr int kOlderScheduleAction = 6;    // the action type of every period the older page sends
constexpr int kEnabled = 2;                // stored when an interval is given

// Every stored input below 16, placed by its id (an input without a record reads as a zeroed one
// with its id).
void read_inputs(AlarmInRecord inputs[kRecorderInputs]) {
    AlarmInRecord stored[kQvdbAlarmIns];
    int count = 0;
    memset(inputs, 0, sizeof(AlarmInRecord) * kRecorderInputs);
    if (read_alarm_ins(kDb, stored, &count, kQvdbAlarmIns) == 0)
        for (int i = 0; i < count && i < kQvdbAlarmIns; i++)
            if (stored[i].id >= 0 && stored[i].id < kRecorderInputs) inputs[stored[i].id] = stored[i];
    for (int id = 0; id < kRecorderInputs; id++) inputs[id].id = id;
}

// One input; a missing record reads as a zeroed one with its id.
AlarmInRecord read_input(int id) {
    AlarmInRecord input;
    memset(&input, 0, sizeof input);
    read_alarm_in(kDb, &input, id);
    input.id = id;
    return input;
}

void notify_input_changed(int id) {
    int32_t payload = id;
    alarm_notify(kRequestAlarmInChanged, &payload, sizeof payload);
}

void log_input_change(int id) {
    cgi_log_operation(on_alarm_ipc_callback, kAlarmLogSubType, kAlarmInLogParameter, id + 1);
}

// The older schedule page logs a bare record: no user, address or object number.
void log_input_schedule_change() {
    OperationLogRecord record;
    memset(&record, 0, sizeof record);
    record.main_type = 4;
    record.sub_type = kAlarmLogSubType;
    record.parameter = kAlarmInLogParameter;
    cgi_send_log_record(on_alarm_ipc_callback, &record);
}

// ---- "/6027" --------------------------------------------------------------------------------------

// "alarmType" and "name" of the request; true when either was given.
bool apply_identity_keys(json_object *request, AlarmInRecord *input) {
    int type = 0;
    bool given = on_cgi_get_int_from_json(request, "alarmType", &type) == 0;
    if (given) input->alarmType = type;
    return replace_text_key(request, "name", input->name, sizeof input->name) || given;
}

// Input 0 also carries the disarming record: its words 1 and 2 from the request. Written when
// either key or the input's identity was given; true when written.
bool store_disarming(json_object *request, bool identity_given) {
    DisarmingRecord disarming;
    memset(&disarming, 0, sizeof disarming);
    if (read_disarming(kDb, &disarming) != 0) return false;
    int value = 0;
    bool given = identity_given;
    if (on_cgi_get_int_from_json(request, "linkageAction", &value) == 0) {
        disarming.linkageAction = value;
        given = true;
    }
    if (on_cgi_get_int_from_json(request, "disarmActionMask", &value) == 0) {
        disarming.disarmActionMask = value;
        given = true;
    }
    return given && write_disarming(kDb, &disarming) == 0;
}

// The actions of "dialog": its sub-settings, the record's action fields and the PTZ linkage list.
// True when the record changed or the list was stored.
bool apply_dialog(json_object *dialog, AlarmInRecord *input) {
    store_event_sub_settings(dialog, kAlarmInEventKind, input->id, kDialogSubSettings);
    int changed = apply_event_action_keys(dialog, all_action_fields(input), kActionWithHttpInterval);
    int value = 0;
    if (on_cgi_get_int_from_json(dialog, "interval", &value) == 0) input->enable = kEnabled;
    if (on_cgi_get_int_from_json(dialog, "email_interval", &value) == 0) input->email_enable = kEnabled;
    if (replace_text_key(dialog, "triSnapshot", input->triSnapshot, kChannelTextSize)) changed++;
    if (store_event_ptz_linkage(dialog)) changed++;
    return changed > 0;
}

// The inputs of "copyChn" take the source's actions (not its name, channels, picture channels or
// warning-light interval), then all of its sub-settings. Returns the inputs copied to.
uint64_t copy_input(json_object *request, const AlarmInRecord &source) {
    uint64_t copies = alarm_copy_set(request, kRecorderInputs, source.id);
    if (copies == 0) return 0;
    AlarmInRecord inputs[kRecorderInputs];
    read_inputs(inputs);
    for_each_in_set(copies, [&](int u) {
        AlarmInRecord &to = inputs[u];
        to.alarmType = source.alarmType;
        to.enable = source.enable;
        to.email_enable = source.email_enable;
        to.audioId = source.audioId;
        to.email_pic_enable = source.email_pic_enable;
        to.interval = source.interval;
        to.email_interval = source.email_interval;
        memcpy(to.triSnapshot, source.triSnapshot, sizeof to.triSnapshot);
        memcpy(to.triChnAlarms1, source.triChnAlarms1, sizeof to.triChnAlarms1);
        memcpy(to.triChnAlarms2, source.triChnAlarms2, sizeof to.triChnAlarms2);
        to.ptz_interval = source.ptz_interval;
        to.alarmout_interval = source.alarmout_interval;
        to.triAlarms = source.triAlarms;
        to.http_notification_interval = source.http_notification_interval;
        to.white_interval = source.white_interval;
    });
    write_alarm_ins(kDb, inputs, kRecorderInputs, copies);
    copy_event_sub_settings(kAlarmInEventKind, source.id, copies, kAllSubSettings);
    return copies;
}

// ---- the older pages ------------------------------------------------------------------------------

// "alarm" of the older pages: "id" 0 to 15, "enable" 0 to 2, "type" 0 or 1, "triChannels",
// "triAlarms" and "interval" not negative, all present.
json_object *check_alarm_in_json(json_object *request, int *id) {
    json_object *alarm = json_get_typed(request, "alarm", json_type_object);
    int value = 0;
    if (!alarm || !read_int_between(alarm, "id", 0, kRecorderInputs - 1, id) ||
        !read_int_between(alarm, "enable", 0, 2, &value) || !read_int_between(alarm, "type", 0, 1, &value) ||
        !text_key(alarm, "triChannels") || on_cgi_get_int_from_json(alarm, "triAlarms", &value) != 0 || value < 0 ||
        on_cgi_get_int_from_json(alarm, "interval", &value) != 0 || value < 0)
        return nullptr;
    return alarm;
}

// The basics of a checked "alarm" object (not its switch).
void apply_basics(json_object *alarm, AlarmInRecord *input) {
    replace_text_key(alarm, "name", input->name, sizeof input->name);
    input->alarmType = json_int_or(alarm, "type", 0);
    set_channel_text(input->triChannels, &input->tri_channels_mask, text_key(alarm, "triChannels"));
    input->triAlarms = json_int_or(alarm, "triAlarms", 0);
    input->interval = json_int_or(alarm, "interval", 0);
}

// "schedule" of the older page: 8 days of 12 [start, end] pairs, each period with action type 6.
// False when the key is not an array.
bool read_older_schedule(json_object *request, WeeklySchedule *schedule) {
    json_object *days = json_get_typed(request, "schedule", json_type_array);
    if (!days) return false;
    memset(schedule, 0, sizeof *schedule);
    size_t day_count = json_object_array_length(days);
    for (size_t d = 0; d < day_count && d < 8; d++) {
        json_object *periods = json_object_array_get_idx(days, d);
        if (!json_object_is_type(periods, json_type_array)) continue;
        size_t period_count = json_object_array_length(periods);
        for (size_t p = 0; p < period_count && p < static_cast<size_t>(kSchedulePeriodsPerDay); p++) {
            json_object *pair = json_object_array_get_idx(periods, p);
            if (!json_object_is_type(pair, json_type_array)) continue;
            SchedulePeriod &slot = schedule->day[d].period[p];
            json_object *start = json_object_array_get_idx(pair, 0), *end = json_object_array_get_idx(pair, 1);
            if (json_object_is_type(start, json_type_string))
                copy_text_field(slot.startTime, sizeof slot.startTime, json_object_get_string(start));
            if (json_object_is_type(end, json_type_string))
                copy_text_field(slot.endTime, sizeof slot.endTime, json_object_get_string(end));
            slot.actionType = kOlderScheduleAction;
        }
    }
    return true;
}

// The older pages' routes: the basics of a checked "alarm" object, with its switch and the
// "schedule" when asked; then the daemon hears of the input and the change is logged. Nothing is
// answered for an unchecked object.
int store_older_input(const char *arg, bool with_switch_and_schedule) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    json_object *alarm = request ? check_alarm_in_json(request, &id) : nullptr;
    if (!alarm) return 0;
    {
        DbTransaction transaction(kDb);
        AlarmInRecord input = read_input(id);
        apply_basics(alarm, &input);
        if (with_switch_and_schedule) input.enable = json_int_or(alarm, "enable", 0);
        if (write_alarm_in(kDb, &input) != 0) return cgi_error_to_webserver(kTextPlain);
        WeeklySchedule schedule;
        if (with_switch_and_schedule && read_older_schedule(request, &schedule))
            write_alarm_in_schedule(kDb, &schedule, id);
        if (transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    }
    notify_input_changed(id);
    if (with_switch_and_schedule)
        log_input_schedule_change();
    else
        log_input_change(id);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

json_object *input_summary(const AlarmInRecord &input) {
    json_object *object = json_object_new_object();
    json_add_int(object, "id", input.id);
    json_add_int(object, "enable", input.enable);
    json_add_text(object, "name", input.name);
    json_add_int(object, "type", input.alarmType);
    json_add_text(object, "triChannels", input.triChannels);
    json_add_int(object, "triAlarms", input.triAlarms);
    return object;
}

}  // namespace

// "/6026": one input ("alarmId" 0 to 15) with all its actions.
int on_get_nvr_alarm_input(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_int_between(request, "alarmId", 0, kRecorderInputs - 1, &id))
        return cgi_error_to_webserver(kJson);
    AlarmInRecord input = read_input(id);
    const EventKind &kind = kAlarmInEventKind;
    json_object *object = json_object_new_object();
    if (!object) return cgi_error_to_webserver(kJson);
    json_add_int(object, "alarmId", id);
    json_add_text(object, "name", input.name);
    json_add_int(object, "alarmType", input.alarmType);
    json_add_int(object, "enable", input.enable);
    json_add_int(object, "triAlarms", input.triAlarms);
    json_add_int(object, "interval", input.interval);
    json_add_int(object, "email_interval", input.email_interval);
    json_add_int(object, "email_pic_enable", input.email_pic_enable);
    json_add_text(object, "tri_channels_pic", input.tri_channels_pic);
    json_add_int(object, "ptz_interval", input.ptz_interval);
    json_add_int(object, "alarmout_interval", input.alarmout_interval);
    json_add_text(object, "triChannels", input.triChannels);
    json_add_text(object, "triSnapshot", input.triSnapshot);
    for (EventSubSetting schedule : {kSubEffective, kSubAudible, kSubEmail, kSubPtz})
        add_event_sub_setting(object, kind, id, schedule);
    json_object_object_add(object, "triChnAlarms", get_event_chn_alarmout_object(input.triChnAlarms1, input.triChnAlarms2));
    add_event_sub_setting(object, kind, id, kSubWhiteSchedule);
    add_event_sub_setting(object, kind, id, kSubWhiteList);
    json_add_int(object, "white_interval", input.white_interval);
    add_event_sub_setting(object, kind, id, kSubWarningSchedule);
    add_event_sub_setting(object, kind, id, kSubWarningList);
    json_add_int(object, "warning_light_interval", input.warning_light_interval);
    json_add_int(object, "audioId", input.audioId);
    json_add_int(object, "audioIdMask", get_audio_file_id_mask());
    add_event_sub_setting(object, kind, id, kSubPtzLinkage);
    return cgi_answer_json(object, kJson);
}

// "/6027": one input's name and type (input 0 also its disarming), its actions under "dialog",
// and copies of its actions to the inputs of "copyChn"; then the daemon hears of all of them.
int on_set_nvr_alarm_input(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_int_between(request, "alarmId", 0, kRecorderInputs - 1, &id))
        return cgi_error_to_webserver(kJson);
    uint64_t changed = 0;
    {
        DbTransaction transaction(kDb);
        AlarmInRecord input = read_input(id);
        bool identity = apply_identity_keys(request, &input);
        bool write = identity;
        if (id == 0 && store_disarming(request, identity)) write = true;
        json_object *dialog = json_get_typed(request, "dialog", json_type_object);
        if (dialog && apply_dialog(dialog, &input)) write = true;
        if (write) write_alarm_in(kDb, &input);
        changed = copy_input(request, input);
        if (transaction.commit() != 0) return cgi_error_to_webserver(kJson);
    }
    changed |= 1ULL << id;
    alarm_notify(kRequestAlarmInsChanged, &changed, sizeof changed);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6060": every stored input below 16.
int on_get_nvr_alarm_inputs(const char *) {
    AlarmInRecord stored[kQvdbAlarmIns];
    int count = 0;
    if (read_alarm_ins(kDb, stored, &count, kQvdbAlarmIns) != 0) count = 0;
    json_object *list = json_object_new_array();
    if (!list) return 0;
    for (int i = 0; i < count && i < kQvdbAlarmIns; i++)
        if (stored[i].id >= 0 && stored[i].id < kRecorderInputs) json_object_array_add(list, input_summary(stored[i]));
    return cgi_answer_json(list, kJson);
}

// "/6061": one input (the request text is its number, 0 to 15) with the older page's schedule;
// nothing for another text.
int on_get_nvr_alarm_input_schedule(const char *arg) {
    int id = 0;
    if (!read_plain_channel(arg, &id) || id >= kRecorderInputs) return 0;
    AlarmInRecord input = read_input(id);
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    read_alarm_in_schedule(kDb, &schedule, id);
    json_object *answer = json_object_new_object();
    if (!answer) return 0;
    json_object *alarm = input_summary(input);
    json_add_int(alarm, "interval", input.interval);
    json_add_text(alarm, "triSnapshot", input.triSnapshot);
    json_object_object_add(answer, "alarm", alarm);
    json_object_object_add(answer, "schedule", get_schedule_json_object(&schedule));
    return cgi_answer_json(answer, kJson);
}

// "/6062": the older page's basics, switch and schedule of one input.
int on_set_nvr_alarm_input_schedule(const char *arg) { return store_older_input(arg, true); }

// "/6063": the name, type and switch of input "camId" (0 to 15; nothing is answered for another).
int on_set_nvr_alarm_input_name(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *alarm = request ? json_get_typed(request, "alarm", json_type_object) : nullptr;
    int id = 0;
    if (!alarm || !read_int_between(alarm, "camId", 0, kRecorderInputs - 1, &id)) return 0;
    {
        DbTransaction transaction(kDb);
        AlarmInRecord input = read_input(id);
        replace_text_key(alarm, "name", input.name, sizeof input.name);
        input.alarmType = json_int_or(alarm, "type", input.alarmType);
        input.enable = json_int_or(alarm, "enable", input.enable);
        if (write_alarm_in(kDb, &input) != 0 || transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    }
    notify_input_changed(id);
    log_input_change(id);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6064": the older page's basics of one input (its switch is kept).
int on_set_nvr_alarm_input_basic(const char *arg) { return store_older_input(arg, false); }

// "/6034": the names of the recorder's inputs and of the four inputs of every camera.
int on_get_all_alarmin_names(const char *) {
    AlarmInRecord stored[kQvdbAlarmIns];
    int count = 0;
    if (read_alarm_ins(kDb, stored, &count, kQvdbAlarmIns) != 0) count = 0;
    CameraAlarmInName names[kCameraAlarmIns][kQvdbChannels];
    for (int index = 0; index < kCameraAlarmIns; index++) read_alarm_chnIn_event_names(kDb, names[index], index);
    json_object *answer = json_object_new_object();
    if (!answer) return 0;
    json_object *recorder = json_object_new_array();
    for (int i = 0; i < count && i < kQvdbAlarmIns; i++)
        if (stored[i].id >= 0 && stored[i].id < kRecorderInputs)
            json_object_array_add(recorder, json_object_new_string(stored[i].name));
    json_object_object_add(answer, "nvr", recorder);
    json_object *cameras = json_object_new_array();
    for (int channel = 0; channel < kQvdbChannels; channel++) {
        json_object *four = json_object_new_array();
        for (int index = 0; index < kCameraAlarmIns; index++)
            json_object_array_add(four, json_object_new_string(names[index][channel].name));
        json_object_array_add(cameras, four);
    }
    json_object_object_add(answer, "camera", cameras);
    return cgi_answer_json(answer, kJson);
}
