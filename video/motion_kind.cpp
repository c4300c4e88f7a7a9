// Motion detection as an event kind: its schedule tables, named tables and action fields, and
// the daemon notices its routes share.
#include <string.h>

#include "core/ipc.h"
#include "core/oplog.h"
#include "core/web_utils.h"
#include "video/motion_payloads.h"
#include "video/motion_settings.h"
#include "video/video_module.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// The motion event's named tables of the shared sub-setting shapes.
QVDB_SCHEDULE_TABLE(kMotionWhiteSchedule, "motion_whiteled_esche");
QVDB_TABLE(kMotionWhiteList, "motion_white_led_params", kQvdbWhiteLedShape);
QVDB_SCHEDULE_TABLE(kMotionWarningSchedule, "motion_warning_light_esche");
QVDB_TABLE(kMotionWarningList, "motion_warning_light_params", kQvdbWarningLightShape);
QVDB_SCHEDULE_TABLE(kMotionHttpSchedule, "motion_http_notification_sche");
QVDB_TABLE(kMotionHttpTarget, "motion_http_notification_params", kQvdbHttpTargetShape);

const ChannelScheduleFunctions kMotionSchedules = {
    {read_motion_effective_schedule, read_motion_audible_schedule, read_motion_email_schedule,
     read_motion_ptz_schedule},
    {write_motion_effective_schedule, write_motion_audible_schedule, write_motion_email_schedule,
     write_motion_ptz_schedule},
    {copy_motion_effective_schedules, copy_motion_audible_schedules, copy_motion_email_schedules,
     copy_motion_ptz_schedules},
};

}  // namespace

const EventKind kMotionEventKind = {
    EVENT_CHANNEL_SCHEDULES(kMotionSchedules),
    0,
    kMotionWhiteSchedule.name,
    kMotionWhiteList.name,
    kMotionWarningSchedule.name,
    kMotionWarningList.name,
    kMotionHttpSchedule.name,
    kMotionHttpTarget.name,
    kMotionPtzType,
};

EventActionFields motion_action_fields(MotionRecord *record) { return all_action_fields(record); }

bool read_motion_record(int channel, MotionRecord *record) {
    memset(record, 0, sizeof *record);
    return read_motion(kDb, record, channel) == 0;
}

void notify_motion_changed(int channel) {
    int32_t payload = channel;
    cgi_notify_daemon(on_video_ipc_callback, kRequestMotionChanged, &payload, sizeof payload);
}

void send_motion_area(const MotionRecord &record) {
    MotionAreaRecord area;
    memset(&area, 0, sizeof area);
    copy_text_field(area.table, sizeof area.table, record.motionTable);
    area.sensitivity = record.sensitivity;
    area.channel = record.channel;
    cgi_notify_daemon(on_video_ipc_callback, kRequestMotionArea, &area, sizeof area);
}

void send_motion_state(int channel, int enable_ms, uint64_t copies) {
    MotionStateRecord state;
    memset(&state, 0, sizeof state);
    state.channel = channel;
    state.enable_ms = enable_ms == 1 ? 1 : 0;
    state.copy_count = channel_numbers_of_set(copies, state.copy_channels);
    cgi_notify_daemon(on_video_ipc_callback, kRequestMotionState, &state, sizeof state);
}

void send_whole_day(int request_code, int channel) {
    WholeDayRecord record;
    fill_whole_day_record(&record, channel);
    cgi_notify_daemon(on_video_ipc_callback, request_code, &record, sizeof record);
}

void send_motion_state_and_schedule(int channel, int enable_ms) {
    send_motion_state(channel, enable_ms, 0);
    if (enable_ms == 1) send_whole_day(kRequestMotionWholeDay, channel);
}

void log_motion_change(int channel) {
    cgi_log_operation(on_video_ipc_callback, kMotionLogSubType, kMotionLogParameter, channel + 1);
}
