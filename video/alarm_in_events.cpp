// Alarm-input event routes of module "/6000": the schedules and actions of the recorder's alarm
// inputs, usually for a list of inputs at once, and the cameras' own I/O and audio alarms.
#include <string.h>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_alarm.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/alarm_in_settings.h"
#include "video/channel_list.h"
#include "video/event_settings.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

constexpr int kRequestAlarmInScheduleChanged = 1404;  // 4 bytes: the input
constexpr int kRequestAlarmInsChanged = 1415;         // 8 bytes: the set of inputs
constexpr int kRequestCameraAlarmGet = 3213;
constexpr int kRequestCameraAlarmSet = 3214;
constexpr int kRequestAudioAlarmGet = 3215;
constexpr int kRequestAudioAlarmSet = 3216;
constexpr int kSettingsLogSubType = 204;
constexpr int kAlarmInLogParameter = 909;
constexpr int kCameraAlarmLogParameter = 923;
constexpr int kAudioAlarmLogParameter = 924;
constexpr int kMaxPtzCopies = 64;  // "chnid" items a PTZ list copy looks at

// ---- the alarm input as an event kind ---------------------------------------------------------------

const ChannelScheduleFunctions kAlarmInSchedules = {
    {read_alarmin_effective_schedule, read_alarmin_audible_schedule, read_alarmin_email_schedule,
     read_alarmin_ptz_schedule},
    {write_alarmin_effective_schedule, write_alarmin_audible_schedule, write_alarmin_email_schedule,
     write_alarmin_ptz_schedule},
    {copy_alarmin_effective_schedules, copy_alarmin_audible_schedules, copy_alarmin_email_schedules,
     copy_alarmin_ptz_schedules},
};

}  // namespace

// The alarm pages of module "/6020" store and show the same sub-settings of an input.
const EventKind kAlarmInEventKind = {
    EVENT_CHANNEL_SCHEDULES(kAlarmInSchedules),
    0,
    "alarmin_whiteled_esche",
    "alarm_in_white_led_params",
    "alarmin_warning_light_esche",
    "alarm_in_warning_light_params",
    "alarmin_http_notification_sche",
    "alarmin_http_notification_params",
    kAlarmInPtzType,
};

namespace {

// ---- the stored inputs ------------------------------------------------------------------------------

// Every stored alarm-input record, placed by its id; `present` has a bit for each input read.
struct AlarmInputs {
    AlarmInRecord by_id[kQvdbAlarmIns];
    uint64_t present;
};

void read_alarm_inputs(AlarmInputs *inputs) {
    AlarmInRecord read[kQvdbAlarmIns];
    memset(inputs, 0, sizeof *inputs);
    int count = 0;
    if (read_alarm_ins(kDb, read, &count, kQvdbAlarmIns) != 0) return;
    for (int i = 0; i < count && i < kQvdbAlarmIns; i++) {
        int id = read[i].id;
        if (id < 0 || id >= kQvdbAlarmIns) continue;
        inputs->by_id[id] = read[i];
        inputs->present |= 1ULL << id;
    }
}

void write_alarm_inputs(const AlarmInputs &inputs, uint64_t set) {
    set &= inputs.present;
    if (set) write_alarm_ins(kDb, inputs.by_id, kQvdbAlarmIns, set);
}

void notify_inputs_changed(uint64_t set) {
    cgi_notify_daemon(on_video_ipc_callback, kRequestAlarmInsChanged, &set, sizeof set);
}

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

// The "schedule" of a list request into a cleared schedule; false when it is missing or not a
// schedule (the listed inputs then keep theirs).
bool read_schedule_key(json_object *request, WeeklySchedule *schedule) {
    return get_schedule_by_json(request, "schedule", schedule) == 0;
}

// ---- camera alarms ------------------------------------------------------------------------------

// The keys every camera-alarm set requires: "camId" 0 to 63, "enable" below 2, numbers that must
// not be negative, "triActions" and "triChannels".
struct CameraAlarmRequest {
    int camId = 0, enable = 0, triActions = 0;
    const char *triChannels = nullptr;
};

bool read_camera_alarm(json_object *request, const char *const *non_negative, int count, int32_t *values,
                       CameraAlarmRequest *out) {
    json_object *channels = json_get_typed(request, "triChannels", json_type_string);
    if (!request || !read_channel_key(request, "camId", &out->camId) ||
        on_cgi_get_int_from_json(request, "enable", &out->enable) != 0 || out->enable >= 2 ||
        on_cgi_get_int_from_json(request, "triActions", &out->triActions) != 0 || !channels)
        return false;
    for (int i = 0; i < count; i++) {
        int value = 0;
        if (on_cgi_get_int_from_json(request, non_negative[i], &value) != 0 || value < 0) return false;
        values[i] = value;
    }
    out->triChannels = json_object_get_string(channels);
    return true;
}

CameraAlarmRecord camera_alarm_record(const CameraAlarmRequest &in) {
    CameraAlarmRecord record;
    memset(&record, 0, sizeof record);
    record.camId = in.camId;
    record.enable = in.enable;
    record.triActions = in.triActions;
    set_channel_text(record.triChannels, &record.tri_channels_mask, in.triChannels);
    return record;
}

// Asks for a camera alarm of the channel given as plain text; nothing for a bad channel.
int ask_camera_alarm(const char *arg, int request_code) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return 0;
    int32_t payload = channel;
    cgi_ask_daemon(on_video_ipc_callback, request_code, &payload, sizeof payload, kJson);
    return 0;
}

}  // namespace

// "/6169", "/6129", "/6128", "/6168": one schedule of an input given as plain text.
int on_get_alarmin_effective_sche(const char *arg) { return answer_event_schedule(arg, kAlarmInEventKind, kEffectiveSchedule); }
int on_get_alarmin_audible_sche(const char *arg) { return answer_event_schedule(arg, kAlarmInEventKind, kAudibleSchedule); }
int on_get_alarmin_email_sche(const char *arg) { return answer_event_schedule(arg, kAlarmInEventKind, kEmailSchedule); }
int on_get_alarmin_ptz_sche(const char *arg) { return answer_event_schedule(arg, kAlarmInEventKind, kPtzSchedule); }

// "/6170": the effective schedule of input "camId".
int on_set_alarmin_effective_sche(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int input = 0;
    WeeklySchedule schedule;
    if (!read_channel_key(request, "camId", &input) || !read_schedule_key(request, &schedule))
        return cgi_error_to_webserver(kTextPlain);
    {
        DbTransaction transaction(kDb);
        kAlarmInEventKind.write_schedule(kEffectiveSchedule, &schedule, input, 0);
        transaction.commit();
    }
    int32_t payload = input;
    cgi_notify_daemon(on_video_ipc_callback, kRequestAlarmInScheduleChanged, &payload, sizeof payload);
    return answer_ok();
}

// "/6125": action on and interval of the listed inputs (written where they differ) and their
// audible schedule.
int on_set_alarmin_audible_sche(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    WeeklySchedule schedule;
    bool has_schedule = read_schedule_key(request, &schedule);
    ChannelList listed = read_channel_list(request, "chnid", "cnt", kAnyListLength);
    int enable = 0, interval = 0;
    bool has_enable = on_cgi_get_int_from_json(request, "enable", &enable) == 0;
    bool has_interval = on_cgi_get_int_from_json(request, "interval", &interval) == 0;
    {
        DbTransaction transaction(kDb);
        AlarmInputs inputs;
        read_alarm_inputs(&inputs);
        uint64_t changed = 0;
        for (int i = 0; i < listed.count; i++) {
            int input = listed.channel[i];
            AlarmInRecord &record = inputs.by_id[input];
            bool differs = (has_enable && record.enable != enable) || (has_interval && record.interval != interval);
            if (!differs) continue;
            if (has_enable) record.enable = enable;
            if (has_interval) record.interval = interval;
            changed |= 1ULL << input;
        }
        write_alarm_inputs(inputs, changed);
        if (has_schedule && listed.set) kAlarmInEventKind.copy_schedule(kAudibleSchedule, &schedule, listed.set, 0);
        transaction.commit();
    }
    notify_inputs_changed(listed.set);
    return answer_ok();
}

// "/6126": e-mail on, e-mail interval and snapshot channels of the listed inputs, and their
// e-mail schedule.
int on_set_alarmin_email_sche(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    WeeklySchedule schedule;
    bool has_schedule = read_schedule_key(request, &schedule);
    ChannelList listed = read_channel_list(request, "chnid", "cnt", kAnyListLength);
    json_object *snapshot = json_get_typed(request, "triSnapshot", json_type_string);
    {
        DbTransaction transaction(kDb);
        AlarmInputs inputs;
        read_alarm_inputs(&inputs);
        for (int i = 0; i < listed.count; i++) {
            AlarmInRecord &record = inputs.by_id[listed.channel[i]];
            on_cgi_get_int_from_json(request, "enable", &record.email_enable);
            on_cgi_get_int_from_json(request, "interval", &record.email_interval);
            if (snapshot) copy_text_field(record.triSnapshot, sizeof record.triSnapshot, json_object_get_string(snapshot));
        }
        write_alarm_inputs(inputs, listed.set);
        if (has_schedule && listed.set) kAlarmInEventKind.copy_schedule(kEmailSchedule, &schedule, listed.set, 0);
        transaction.commit();
    }
    notify_inputs_changed(listed.set);
    return answer_ok();
}

// "/6167": copies input "camId"'s PTZ linkage to the listed inputs and stores their PTZ schedule.
int on_set_alarmin_ptz_sche(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int source = 0;
    if (!read_channel_key(request, "camId", &source)) return cgi_error_to_webserver(kTextPlain);
    WeeklySchedule schedule;
    bool has_schedule = read_schedule_key(request, &schedule);
    ChannelList listed = read_channel_list(request, "chnid", "cnt", kMaxPtzCopies);
    {
        DbTransaction transaction(kDb);
        PtzLinkList list;
        memset(&list, 0, sizeof list);
        // A source list that cannot be read is copied to nobody.
        bool readable = read_ptz_params(kDb, &list, kAlarmInPtzType, source) == 0;
        for (int i = 0; readable && i < listed.count; i++) {
            int input = listed.channel[i];
            if (input == source) continue;
            for (int e = 0; e < list.count && e < kQvdbPtzEntries; e++)
                if (list.entry[e].acto_ptz_channel > 0) list.entry[e].channel = input;
            write_ptz_params_all(kDb, &list, kAlarmInPtzType, input);
        }
        if (has_schedule && listed.set) kAlarmInEventKind.copy_schedule(kPtzSchedule, &schedule, listed.set, 0);
        transaction.commit();
    }
    notify_inputs_changed(listed.set);
    return answer_ok();
}

// "/6127": type 0 sets the triggered channels of the listed inputs, any other type their
// triggered alarm outputs; input "camId"'s effective schedule is copied to them.
int on_set_alarm_others(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int source = 0;
    if (!request || !read_channel_key(request, "camId", &source)) return 0;
    int type = json_int_or(request, "type", 0);
    int tri_alarms = 0;
    bool has_alarms = type != 0 && on_cgi_get_int_from_json(request, "triAlarms", &tri_alarms) == 0;
    json_object *channels = type == 0 ? json_get_typed(request, "triChannels", json_type_string) : nullptr;
    ChannelList listed = read_channel_list(request, "chnid", "cnt", kAnyListLength);
    {
        DbTransaction transaction(kDb);
        AlarmInputs inputs;
        read_alarm_inputs(&inputs);
        for (int i = 0; i < listed.count; i++) {
            AlarmInRecord &record = inputs.by_id[listed.channel[i]];
            if (has_alarms) record.triAlarms = tri_alarms;
            if (channels) set_channel_text(record.triChannels, &record.tri_channels_mask, json_object_get_string(channels));
        }
        // An input that is not stored has no schedule to give.
        WeeklySchedule schedule;
        if ((inputs.present & (1ULL << source)) && listed.set &&
            kAlarmInEventKind.read_schedule(kEffectiveSchedule, &schedule, source, 0) == 0)
            kAlarmInEventKind.copy_schedule(kEffectiveSchedule, &schedule, listed.set, 0);
        if (has_alarms || channels) write_alarm_inputs(inputs, listed.set);
        transaction.commit();
    }
    notify_inputs_changed(listed.set);
    cgi_log_operation_multi(on_video_ipc_callback, kSettingsLogSubType, kAlarmInLogParameter, listed.set);
    return answer_ok();
}

// "/6090", "/6092": a camera's I/O alarm and audio alarm, answered by the reply dispatcher.
int on_get_camera_alarm(const char *arg) { return ask_camera_alarm(arg, kRequestCameraAlarmGet); }
int on_get_audio_alarm(const char *arg) { return ask_camera_alarm(arg, kRequestAudioAlarmGet); }

// "/6091": a camera's I/O alarm; nothing when a required key is missing or out of range.
int on_set_camera_alarm(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    static const char *const kNonNegative[] = {"type"};
    int32_t type = 0;
    CameraAlarmRequest in;
    if (!read_camera_alarm(request, kNonNegative, 1, &type, &in)) return 0;
    CameraAlarmRecord record = camera_alarm_record(in);
    {
        DbTransaction transaction(kDb);
        write_cameraio(kDb, &record);
        transaction.commit();
    }
    int32_t payload[3] = {in.camId, in.enable, type};
    cgi_notify_daemon(on_video_ipc_callback, kRequestCameraAlarmSet, payload, sizeof payload);
    cgi_log_operation(on_video_ipc_callback, kSettingsLogSubType, kCameraAlarmLogParameter, in.camId + 1);
    return answer_ok();
}

// "/6093": a camera's audio-volume alarm; nothing when a required key is missing or out of range.
int on_set_audio_alarm(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    static const char *const kNonNegative[] = {"type", "volume", "duration", "onEvent", "offEvent", "ongoingEvent"};
    int32_t values[6] = {0, 0, 0, 0, 0, 0};
    CameraAlarmRequest in;
    if (!read_camera_alarm(request, kNonNegative, 6, values, &in)) return 0;
    CameraAlarmRecord record = camera_alarm_record(in);
    {
        DbTransaction transaction(kDb);
        write_volumedetect(kDb, &record);
        transaction.commit();
    }
    int32_t payload[8] = {in.camId, in.enable, values[0], values[1], values[2], values[3], values[4], values[5]};
    cgi_notify_daemon(on_video_ipc_callback, kRequestAudioAlarmSet, payload, sizeof payload);
    cgi_log_operation(on_video_ipc_callback, kSettingsLogSubType, kAudioAlarmLogParameter, in.camId + 1);
    return answer_ok();
}
