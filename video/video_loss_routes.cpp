// Video-loss routes of module "/6000": the settings of one channel, its schedules, and the
// action dialog with its copy to other channels.
#include <string.h>

#include <initializer_list>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "video/video_loss_settings.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

// Answers one stored schedule of the channel named by the plain-text argument; nothing for a
// channel that is not 0 to 63.
int answer_schedule(const char *arg, EventSchedule which) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return 0;
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    kVideoLossEventKind.read_schedule(which, &schedule, channel, 0);
    return cgi_answer_json(get_schedule_json_object(&schedule), kJson);
}

// An integer key that is present and within [low, high].
bool read_int_in(json_object *request, const char *key, int low, int high, int *out) {
    return on_cgi_get_int_from_json(request, key, out) == 0 && *out >= low && *out <= high;
}
constexpr int kNoLimit = 0x7fffffff;

// Saves the dialog of the copy route for the channel: its sub-settings, then its record keys.
// A changed record gets action-on and e-mail-on 2; a record that cannot be read is not written.
void save_video_loss_dialog(json_object *dialog, int channel) {
    const EventKind &kind = kVideoLossEventKind;
    store_event_sub_settings(dialog, kind, channel, kDialogSubSettings & ~kSubEffective);
    VideoLostRecord record;
    bool readable = read_video_lost_record(channel, &record);
    int applied = apply_event_action_keys(dialog, video_loss_action_fields(&record),
                                          kActionWithEnable | kActionWithHttpInterval);
    // Only the recorder's own event types: a camera alarm input's list is not this dialog's.
    int type = -1;
    bool linkage_stored = on_cgi_get_int_from_json(dialog, "ptzType", &type) == 0 && is_ptz_linkage_type(type) &&
                          store_event_ptz_linkage(dialog);
    if ((applied == 0 && !linkage_stored) || !readable) return;
    record.channel = channel;
    record.enable = 2;
    record.email_enable = 2;
    write_video_lost(kDb, &record);
}

// Copies the source's record and sub-settings to the set; a record that cannot be read is not
// copied.
void copy_video_loss_settings(int source, uint64_t set) {
    VideoLostRecord record;
    if (read_video_lost_record(source, &record)) copy_video_losts(kDb, &record, set);
    copy_event_sub_settings(kVideoLossEventKind, source, set, kAllSubSettings & ~kSubEffective);
}

}  // namespace

// "/6014": action on, alarm outputs and interval of the channel given as plain text.
int on_get_videolost_info(const char *arg) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return 0;
    VideoLostRecord record;
    read_video_lost_record(channel, &record);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "camId", channel);
    json_add_int(answer, "enable", record.enable);
    json_add_int(answer, "triAlarms", record.triAlarms);
    json_add_int(answer, "interval", record.interval);
    return cgi_answer_json(answer, kJson);
}

// "/6015", "/6124", "/6166": the audible, e-mail and PTZ schedules.
int on_get_videolost_schedule(const char *arg) { return answer_schedule(arg, kAudibleSchedule); }
int on_get_videolost_email_sche(const char *arg) { return answer_schedule(arg, kEmailSchedule); }
int on_get_videoloss_ptz_sche(const char *arg) { return answer_schedule(arg, kPtzSchedule); }

// "/6094": the record of a channel with all its sub-settings.
int on_get_videoloss_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    VideoLostRecord record;
    read_video_lost_record(channel, &record);
    const EventKind &kind = kVideoLossEventKind;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "chnid", channel);
    json_add_int(answer, "enable", record.enable);
    json_add_int(answer, "triAlarms", record.triAlarms);
    json_add_int(answer, "interval", record.interval);
    json_add_int(answer, "email_interval", record.email_interval);
    json_add_int(answer, "ptz_interval", record.ptz_interval);
    json_add_int(answer, "alarmout_interval", record.alarmout_interval);
    json_add_int(answer, "white_interval", record.white_interval);
    json_add_int(answer, "http_notification_interval", record.http_notification_interval);
    for (EventSubSetting schedule : {kSubAudible, kSubEmail, kSubPtz})
        add_event_sub_setting(answer, kind, channel, schedule);
    json_object_object_add(answer, "triChnAlarms",
                           get_event_chn_alarmout_object(record.triChnAlarms1, record.triChnAlarms2));
    for (EventSubSetting one : {kSubWhiteSchedule, kSubWhiteList, kSubWarningSchedule, kSubWarningList})
        add_event_sub_setting(answer, kind, channel, one);
    json_add_int(answer, "warning_light_interval", record.warning_light_interval);
    add_event_sub_setting(answer, kind, channel, kSubHttpSchedule);
    add_event_sub_setting(answer, kind, channel, kSubHttpTarget);
    json_add_int(answer, "audioId", record.audioId);
    json_add_int(answer, "audioIdMask", get_audio_file_id_mask());
    add_event_sub_setting(answer, kind, channel, kSubPtzLinkage);
    return cgi_answer_json(answer, kJson);
}

// "/6016": alarm outputs and interval ("enable" is checked but kept as stored).
int on_set_videolost_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, enable = 0, tri_alarms = 0, interval = 0;
    if (!request || !read_channel_key(request, "camId", &channel) || !read_int_in(request, "enable", 0, 2, &enable) ||
        !read_int_in(request, "triAlarms", 0, kNoLimit, &tri_alarms) ||
        !read_int_in(request, "interval", 0, kNoLimit, &interval))
        return 0;
    {
        DbTransaction transaction(kDb);
        VideoLostRecord record;
        if (!read_video_lost_record(channel, &record)) return 0;
        record.channel = channel;
        record.triAlarms = tri_alarms;
        record.interval = interval;
        write_video_lost(kDb, &record);
        transaction.commit();
    }
    notify_video_loss_changed(channel);
    cgi_log_operation(on_video_ipc_callback, kVideoLossLogSubType, kVideoLossLogParameter, channel + 1);
    return answer_ok();
}

// "/6017": the plain schedule, then action on ("enable", when it is 0 to 2).
int on_set_videolost_schedule(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, enable = 0;
    WeeklySchedule schedule;
    if (!request || !read_channel_key(request, "camId", &channel) ||
        get_schedule_by_json(request, "schedule", &schedule) != 0)
        return 0;
    {
        DbTransaction transaction(kDb);
        VideoLostRecord record;
        if (!read_video_lost_record(channel, &record)) return 0;
        write_video_loss_schedule(kDb, &schedule, channel);
        if (read_int_in(request, "enable", 0, 2, &enable)) {
            record.channel = channel;
            record.enable = enable;
            write_video_lost(kDb, &record);
        }
        transaction.commit();
    }
    notify_video_loss_changed(channel);
    return answer_ok();
}

// "/6095": save the dialog for "chnid", copy the channel to "copyChn", tell the daemon.
int on_set_videoloss_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int source = 0;
    if (!request || !read_channel_key(request, "chnid", &source)) return cgi_error_to_webserver(kJson);
    uint64_t source_bit = 1ULL << source;
    uint64_t copies = get_copy_flag_by_json(request, "copyChn", "copyCnt") & ~source_bit;
    {
        DbTransaction transaction(kDb);
        json_object *dialog = json_get_typed(request, "dialog", json_type_object);
        if (dialog) save_video_loss_dialog(dialog, source);
        if (copies) copy_video_loss_settings(source, copies);
        transaction.commit();
    }
    notify_video_losses_changed(copies | source_bit);
    return answer_ok();
}
