// The motion copy dialog (route "/6112"): saves the dialog's settings, then copies a channel's
// motion settings and sub-settings to other channels and tells the daemon.
#include <string.h>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/motion_payloads.h"
#include "video/motion_settings.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// What the copy sends to the daemon: the source's motion area and "enableMS" state with the
// channels it is copied to. Keys the request leaves out keep the source's stored values.
struct MotionCopyRequest {
    int channel;
    uint64_t targets;
    MotionAreaCopyRecord area;
};

void fill_area(json_object *request, const MotionRecord &source, MotionCopyRequest *copy) {
    MotionAreaCopyRecord &area = copy->area;
    memset(&area, 0, sizeof area);
    json_object *table = json_get_typed(request, "motionTable", json_type_string);
    copy_text_field(area.table, sizeof area.table, table ? json_object_get_string(table) : source.motionTable);
    area.sensitivity = source.sensitivity;
    area.enable_ms = source.enableMS;
    on_cgi_get_int_from_json(request, "sensitivity", &area.sensitivity);
    on_cgi_get_int_from_json(request, "enableMS", &area.enable_ms);
    on_cgi_get_int_from_json(request, "enableAI", &area.enable_ai);
    on_cgi_get_int_from_json(request, "detection", &area.detection);
    area.channel = copy->channel;
    area.copy_count = channel_numbers_of_set(copy->targets, area.copy_channels);
}

// Copies the source channel's motion record (with the request's sensitivity and "enableMS") and
// its sub-settings to the targets. A source record that cannot be read is not copied.
void copy_motion_settings(const MotionCopyRequest &copy) {
    if (copy.targets == 0) return;
    MotionRecord source;
    if (read_motion_record(copy.channel, &source)) {
        source.sensitivity = copy.area.sensitivity;
        source.enableMS = copy.area.enable_ms;
        copy_motions(kDb, &source, copy.targets);
    }
    copy_event_sub_settings(kMotionEventKind, copy.channel, copy.targets, kAllSubSettings);
}

void send_copy_notices(const MotionCopyRequest &copy) {
    cgi_notify_daemon(on_video_ipc_callback, kRequestMotionAreaCopy, &copy.area, sizeof copy.area);
    uint64_t targets = copy.targets;
    cgi_notify_daemon(on_video_ipc_callback, kRequestMotionCopied, &targets, sizeof targets);
    send_motion_state(copy.channel, copy.area.enable_ms, copy.targets);
    if (copy.area.enable_ms == 1) send_whole_day(kRequestMotionCopyWholeDay, 0);
}

}  // namespace

int save_motion_dialog_data(json_object *dialog) {
    int channel = 0;
    if (!dialog || !read_channel_key(dialog, "chnid", &channel)) return -1;
    DbTransaction transaction(kDb);
    store_event_sub_settings(dialog, kMotionEventKind, channel, kDialogSubSettings);
    MotionRecord record;
    bool readable = read_motion_record(channel, &record);
    int applied = apply_event_action_keys(dialog, motion_action_fields(&record),
                                          kActionWithEnable | kActionWithHttpInterval);
    bool linkage_stored = store_event_ptz_linkage(dialog);
    if ((applied > 0 || linkage_stored) && readable) write_motion(kDb, &record);
    transaction.commit();
    return channel;
}

// "/6112": save the dialog, copy channel "chnid" to "copyChn", tell the daemon.
int on_set_motion_copy(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    MotionCopyRequest copy;
    if (!request || !read_channel_key(request, "chnid", &copy.channel)) return 0;
    copy.targets = get_copy_flag_by_json(request, "copyChn", "copyCnt");
    int dialog_channel = -1;
    {
        DbTransaction transaction(kDb);
        json_object *dialog = json_get_typed(request, "dialog", json_type_object);
        if (dialog) dialog_channel = save_motion_dialog_data(dialog);
        MotionRecord source;
        read_motion_record(copy.channel, &source);
        fill_area(request, source, &copy);
        copy_motion_settings(copy);
        transaction.commit();
    }
    // The daemon hears of the dialog's channel once its settings are committed.
    if (dialog_channel >= 0) notify_motion_changed(dialog_channel);
    cgi_log_operation_multi(on_video_ipc_callback, kMotionLogSubType, kMotionLogParameter, copy.targets);
    send_copy_notices(copy);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
