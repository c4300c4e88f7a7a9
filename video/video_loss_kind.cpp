// Video loss as an event kind: its schedule tables, named tables and action fields, and the
// daemon notices its routes share.
#include <string.h>

#include "core/ipc.h"
#include "video/video_loss_settings.h"
#include "video/video_module.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// The video-loss event's named tables of the shared sub-setting shapes.
QVDB_SCHEDULE_TABLE(kVideoLossWhiteSchedule, "videoloss_whiteled_esche");
QVDB_TABLE(kVideoLossWhiteList, "video_loss_white_led_params", kQvdbWhiteLedShape);
QVDB_SCHEDULE_TABLE(kVideoLossWarningSchedule, "videoloss_warning_light_esche");
QVDB_TABLE(kVideoLossWarningList, "video_loss_warning_light_params", kQvdbWarningLightShape);
QVDB_SCHEDULE_TABLE(kVideoLossHttpSchedule, "videoloss_http_notification_sche");
QVDB_TABLE(kVideoLossHttpTarget, "videoloss_http_notification_params", kQvdbHttpTargetShape);

// Video loss has the audible, e-mail and PTZ schedules; no effective schedule.
const ChannelScheduleFunctions kVideoLossSchedules = {
    {nullptr, read_videoloss_audible_schedule, read_videoloss_email_schedule, read_videoloss_ptz_schedule},
    {nullptr, write_videoloss_audible_schedule, write_videoloss_email_schedule, write_videoloss_ptz_schedule},
    {nullptr, copy_videoloss_audible_schedules, copy_videoloss_email_schedules, copy_videoloss_ptz_schedules},
};

}  // namespace

const EventKind kVideoLossEventKind = {
    EVENT_CHANNEL_SCHEDULES(kVideoLossSchedules),
    0,
    kVideoLossWhiteSchedule.name,
    kVideoLossWhiteList.name,
    kVideoLossWarningSchedule.name,
    kVideoLossWarningList.name,
    kVideoLossHttpSchedule.name,
    kVideoLossHttpTarget.name,
    kVideoLossPtzType,
};

EventActionFields video_loss_action_fields(VideoLostRecord *record) {
    EventActionFields fields{};  // the fields video loss does not have stay null
    fields.alarm_out_text1 = record->triChnAlarms1;
    fields.alarm_out_text2 = record->triChnAlarms2;
    fields.enable = &record->enable;
    fields.tri_alarms = &record->triAlarms;
    fields.interval = &record->interval;
    fields.audio_id = &record->audioId;
    fields.email_interval = &record->email_interval;
    fields.ptz_interval = &record->ptz_interval;
    fields.alarmout_interval = &record->alarmout_interval;
    fields.white_interval = &record->white_interval;
    fields.warning_light_interval = &record->warning_light_interval;
    fields.http_notification_interval = &record->http_notification_interval;
    return fields;
}

bool read_video_lost_record(int channel, VideoLostRecord *record) {
    memset(record, 0, sizeof *record);
    return read_video_lost(kDb, record, channel) == 0;
}

void notify_video_loss_changed(int channel) {
    int32_t payload = channel;
    cgi_notify_daemon(on_video_ipc_callback, kRequestVideoLossChanged, &payload, sizeof payload);
}

void notify_video_losses_changed(uint64_t set) {
    cgi_notify_daemon(on_video_ipc_callback, kRequestVideoLossesChanged, &set, sizeof set);
}

