// Motion-detection routes of module "/6000": the settings page, its schedules and actions, and
// the live motion map.
#include <string.h>

#include <initializer_list>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/motion_payloads.h"
#include "video/motion_settings.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// ---- small steps ----------------------------------------------------------------------------------


int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

struct NumberKey {
    const char *key;
    int32_t *field;
};

// Replaces each field whose key the request carries; returns how many were replaced.
int apply_numbers(json_object *request, std::initializer_list<NumberKey> keys) {
    int applied = 0;
    for (const NumberKey &k : keys) {
        int value = 0;
        if (on_cgi_get_int_from_json(request, k.key, &value) != 0) continue;
        *k.field = value;
        applied++;
    }
    return applied;
}

// Stores the request's "schedule" as one of the channel's schedules and tells the daemon. The
// channel comes from "camId", 0 to 63; `refuse_kind` is the answer to a bad request (-1: none).
int store_requested_schedule(const char *arg, int (*write)(const char *, const WeeklySchedule *, int),
                             int refuse_kind) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0;
    WeeklySchedule schedule;
    if (!read_channel_key(request, "camId", &channel) || get_schedule_by_json(request, "schedule", &schedule) != 0)
        return cgi_error_to_webserver(refuse_kind);
    {
        DbTransaction transaction(kDb);
        write(kDb, &schedule, channel);
        transaction.commit();
    }
    notify_motion_changed(channel);
    return answer_ok();
}

// The motion-settings validation of the full set, in its order. False ends the request.
struct FullMotionRequest {
    int channel, enable, sensitivity, tri_alarms, interval, enable_ms;
    const char *tri_channels;
    const char *motion_table;
};

bool read_full_motion_request(json_object *request, FullMotionRequest *out) {
    json_object *channels = nullptr, *table = nullptr;
    bool valid = read_channel_key(request, "camId", &out->channel) &&
                 on_cgi_get_int_from_json(request, "enable", &out->enable) == 0 &&
                 on_cgi_get_int_from_json(request, "sensitivity", &out->sensitivity) == 0 && out->sensitivity >= 0 &&
                 (channels = json_get_typed(request, "triChannels", json_type_string)) != nullptr &&
                 on_cgi_get_int_from_json(request, "triAlarms", &out->tri_alarms) == 0 && out->tri_alarms >= 0 &&
                 on_cgi_get_int_from_json(request, "interval", &out->interval) == 0 && out->interval >= 0 &&
                 (table = json_get_typed(request, "motionTable", json_type_string)) != nullptr &&
                 on_cgi_get_int_from_json(request, "enableMS", &out->enable_ms) == 0;
    if (!valid) return false;
    out->tri_channels = json_object_get_string(channels);
    out->motion_table = json_object_get_string(table);
    return true;
}

// The motion record of "camId" for the routes that check it against the stored records: camId
// must be below the number of records. False when it is not or the record cannot be read.
bool read_listed_motion_record(json_object *request, int *channel, MotionRecord *record) {
    static MotionRecord all[kMaxChannels];
    int count = 0;
    if (on_cgi_get_int_from_json(request, "camId", channel) != 0 || *channel < 0) return false;
    if (read_motions(kDb, all, &count) != 0 || *channel >= count || *channel >= kMaxChannels) return false;
    return read_motion_record(*channel, record);
}

}  // namespace

// "/6010": the motion settings of a channel with all its sub-settings.
int on_get_movedetect_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    DbReadScope reads(kDb);  // the record and its fourteen sub-settings in one read transaction
    MotionRecord record;
    read_motion_record(channel, &record);
    const EventKind &kind = kMotionEventKind;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "chnid", channel);
    json_add_int(answer, "enable", record.enable);
    json_add_int(answer, "sensitivity", record.sensitivity);
    json_add_text(answer, "triChannels", record.triChannels);
    json_add_int(answer, "triAlarms", record.triAlarms);
    json_add_int(answer, "interval", record.interval);
    json_add_int(answer, "enableMS", record.enableMS);
    json_add_text(answer, "motionTable", record.motionTable);
    json_add_int(answer, "email_enable", record.email_enable);
    json_add_int(answer, "email_interval", record.email_interval);
    json_add_int(answer, "email_pic_enable", record.email_pic_enable);
    json_add_text(answer, "tri_channels_pic", record.tri_channels_pic);
    json_add_int(answer, "ptz_interval", record.ptz_interval);
    json_add_int(answer, "alarmout_interval", record.alarmout_interval);
    json_add_int(answer, "http_notification_interval", record.http_notification_interval);
    for (EventSubSetting schedule : {kSubEffective, kSubAudible, kSubEmail, kSubPtz})
        add_event_sub_setting(answer, kind, channel, schedule);
    json_object_object_add(answer, "triChnAlarms", get_event_chn_alarmout_object(record.triChnAlarms1, record.triChnAlarms2));
    add_event_sub_setting(answer, kind, channel, kSubWhiteSchedule);
    add_event_sub_setting(answer, kind, channel, kSubWhiteList);
    json_add_int(answer, "white_interval", record.white_interval);
    add_event_sub_setting(answer, kind, channel, kSubWarningSchedule);
    add_event_sub_setting(answer, kind, channel, kSubWarningList);
    json_add_int(answer, "warning_light_interval", record.warning_light_interval);
    add_event_sub_setting(answer, kind, channel, kSubHttpSchedule);
    add_event_sub_setting(answer, kind, channel, kSubHttpTarget);
    json_add_int(answer, "audioId", record.audioId);
    json_add_int(answer, "audioIdMask", get_audio_file_id_mask());
    add_event_sub_setting(answer, kind, channel, kSubPtzLinkage);
    return cgi_answer_json(answer, kJson);
}

// "/6011", "/6153", "/6120", "/6158": one schedule of the channel given as plain text.
int OnGetMotionSchedule(const char *arg) { return answer_event_schedule(arg, kMotionEventKind, kAudibleSchedule); }
int on_get_move_effective_sche(const char *arg) { return answer_event_schedule(arg, kMotionEventKind, kEffectiveSchedule); }
int on_get_move_email_sche(const char *arg) { return answer_event_schedule(arg, kMotionEventKind, kEmailSchedule); }
int on_get_move_ptz_sche(const char *arg) { return answer_event_schedule(arg, kMotionEventKind, kPtzSchedule); }

// "/6012": the full motion settings of a channel; every field it does not carry becomes 0.
int on_set_movedetect_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    FullMotionRequest in;
    if (!request || !read_full_motion_request(request, &in)) return 0;
    MotionRecord record;
    memset(&record, 0, sizeof record);
    record.channel = in.channel;
    record.enable = in.enable;
    record.sensitivity = in.sensitivity;
    record.triAlarms = in.tri_alarms;
    record.interval = in.interval;
    record.enableMS = in.enable_ms;
    copy_text_field(record.motionTable, sizeof record.motionTable, in.motion_table);
    set_channel_text(record.triChannels, &record.tri_channels_mask, in.tri_channels);
    {
        DbTransaction transaction(kDb);
        write_motion(kDb, &record);
        transaction.commit();
    }
    notify_motion_changed(in.channel);
    send_motion_area(record);
    send_motion_state_and_schedule(in.channel, in.enable_ms);
    log_motion_change(in.channel);
    return answer_ok();
}

// "/6013": the plain motion schedule; nothing for a bad request.
int OnSetMotionSchedule(const char *arg) { return store_requested_schedule(arg, write_motion_schedule, -1); }

// "/6152", "/6159": the effective and PTZ schedules; the error answer for a bad request.
int on_set_move_effective_sche(const char *arg) {
    return store_requested_schedule(arg, write_motion_effective_schedule, kTextPlain);
}
int on_set_move_ptz_sche(const char *arg) { return store_requested_schedule(arg, write_motion_ptz_schedule, kTextPlain); }

// "/6118": e-mail on, e-mail interval and the e-mail schedule.
int on_set_move_email_sche(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0;
    WeeklySchedule schedule;
    MotionRecord record;
    if (!read_channel_key(request, "camId", &channel) || get_schedule_by_json(request, "schedule", &schedule) != 0)
        return cgi_error_to_webserver(kTextPlain);
    {
        DbTransaction transaction(kDb);
        if (!read_motion_record(channel, &record)) return cgi_error_to_webserver(kTextPlain);
        apply_numbers(request, {{"enable", &record.email_enable}, {"interval", &record.email_interval}});
        write_motion(kDb, &record);
        write_motion_email_schedule(kDb, &schedule, channel);
        transaction.commit();
    }
    notify_motion_changed(channel);
    return answer_ok();
}

// "/6119": type 1 replaces the triggered channels, type 2 the triggered alarm outputs.
int on_set_move_others(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0, type = 0;
    if (!read_channel_key(request, "camId", &channel)) return cgi_error_to_webserver(kTextPlain);
    on_cgi_get_int_from_json(request, "type", &type);
    {
        DbTransaction transaction(kDb);
        MotionRecord record;
        if (!read_motion_record(channel, &record)) return cgi_error_to_webserver(kTextPlain);
        record.channel = channel;
        json_object *channels = json_get_typed(request, "triChannels", json_type_string);
        if (type == 1 && channels) set_channel_text(record.triChannels, &record.tri_channels_mask, json_object_get_string(channels));
        if (type == 2) apply_numbers(request, {{"triAlarms", &record.triAlarms}});
        write_motion(kDb, &record);
        transaction.commit();
    }
    notify_motion_changed(channel);
    log_motion_change(channel);
    return answer_ok();
}

// "/6117": the actions of a channel; only the keys given change.
int on_set_move_action(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    {
        DbTransaction transaction(kDb);
        store_event_sub_settings(request, kMotionEventKind, channel, kActionSubSettings);
        MotionRecord record;
        bool readable = read_motion_record(channel, &record);
        if (apply_event_action_keys(request, motion_action_fields(&record), kActionWithEnable) > 0 && readable)
            write_motion(kDb, &record);
        transaction.commit();
    }
    notify_motion_changed(channel);
    return answer_ok();
}

// "/6113": sensitivity, on/off and actions with the plain schedule.
int on_set_motion_with_schedule(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0;
    MotionRecord record;
    WeeklySchedule schedule;
    {
        DbTransaction transaction(kDb);
        if (!read_listed_motion_record(request, &channel, &record) ||
            get_schedule_by_json(request, "schedule", &schedule) != 0)
            return 0;
        apply_numbers(request, {{"sensitivity", &record.sensitivity},
                                {"enableMS", &record.enableMS},
                                {"enable", &record.enable},
                                {"triAlarms", &record.triAlarms},
                                {"interval", &record.interval}});
        write_motion(kDb, &record);
        write_motion_schedule(kDb, &schedule, channel);
        transaction.commit();
    }
    notify_motion_changed(channel);
    notify_motion_changed(channel);
    send_motion_state_and_schedule(channel, record.enableMS);
    return answer_ok();
}

// "/6114": sensitivity and the triggers.
int on_set_motion_triggers(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0;
    {
        DbTransaction transaction(kDb);
        MotionRecord record;
        if (!read_listed_motion_record(request, &channel, &record)) return 0;
        apply_numbers(request, {{"sensitivity", &record.sensitivity},
                                {"triAlarms", &record.triAlarms},
                                {"interval", &record.interval},
                                {"enableMS", &record.enableMS}});
        json_object *channels = json_get_typed(request, "triChannels", json_type_string);
        if (channels) set_channel_text(record.triChannels, &record.tri_channels_mask, json_object_get_string(channels));
        write_motion(kDb, &record);
        transaction.commit();
    }
    notify_motion_changed(channel);
    log_motion_change(channel);
    return answer_ok();
}

// "/6098": the camera's live motion map, answered by the reply dispatcher.
int on_get_motion_map(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "id", &channel)) return 0;
    int32_t payload = channel;
    cgi_ask_daemon(on_video_ipc_callback, kRequestMotionMap, &payload, sizeof payload, kTextPlain);
    return 0;
}
