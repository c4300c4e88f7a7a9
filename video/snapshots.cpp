// Scheduled-snapshot routes of module "/6000": picture settings and weekly schedules of camera
// channels, and snapshots started or stopped on demand.
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_snapshot.h"
#include "core/response.h"
#include "record/record_payloads.h"
#include "video/channel_list.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

constexpr int kRequestSnapshotSettings = 1311;   // channel list
constexpr int kRequestSnapshotSchedules = 1312;  // channel list
constexpr int kRequestSnapshotStartStop = 1313;

// Request 1313: the action (1 start, 0 stop) and a word per channel, 1 for the channels concerned.
struct SnapshotStartStop {
    int32_t action;
    int32_t marked[kQvdbChannels];
};
static_assert(sizeof(SnapshotStartStop) == 260, "snapshot start/stop payload is 260 bytes");

// Requests 1311 and 1312 carry the channel list of the recording routes.
RecordChannelList channels_payload(const ChannelList &list) {
    RecordChannelList payload;
    memset(&payload, 0, sizeof payload);
    memcpy(payload.channel, list.channel, sizeof(int32_t) * static_cast<size_t>(list.count));
    payload.count = list.count;
    return payload;
}

void send_start_stop(int action, const ChannelList &list) {
    SnapshotStartStop payload;
    memset(&payload, 0, sizeof payload);
    payload.action = action;
    for (int i = 0; i < list.count; i++) payload.marked[list.channel[i]] = 1;
    cgi_notify_daemon(on_video_ipc_callback, kRequestSnapshotStartStop, &payload, sizeof payload);
}

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};

}  // namespace

// "/6176": the snapshot settings of the channel given as plain text.
int on_get_snapshot_setting_params(const char *arg) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return cgi_error_to_webserver(kTextPlain);
    SnapshotRecord record;
    memset(&record, 0, sizeof record);
    read_snapshot(kDb, &record, channel);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kTextPlain);
    json_add_int(answer, "resolution", record.resolution);
    json_add_int(answer, "quality", record.quality);
    json_add_int(answer, "interval", record.interval);
    json_add_int(answer, "interval_unit", record.interval_unit);
    json_add_int(answer, "expiration_date", record.expiration_date);
    return cgi_answer_json(answer, kJson);
}

// "/6177": one set of snapshot settings for the listed channels (a key left out stores 0).
int on_set_snapshot_setting_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kTextPlain);
    SnapshotRecord record;
    memset(&record, 0, sizeof record);
    on_cgi_get_int_from_json(request, "resolution", &record.resolution);
    on_cgi_get_int_from_json(request, "quality", &record.quality);
    on_cgi_get_int_from_json(request, "interval", &record.interval);
    on_cgi_get_int_from_json(request, "interval_unit", &record.interval_unit);
    on_cgi_get_int_from_json(request, "expiration_date", &record.expiration_date);
    ChannelList listed = read_channel_list(request, "chnid", "cnt", kAnyListLength);
    if (listed.set) {
        DbTransaction transaction(kDb);
        copy_snapshots(kDb, &record, listed.set);
        transaction.commit();
    }
    RecordChannelList payload = channels_payload(listed);
    cgi_notify_daemon(on_video_ipc_callback, kRequestSnapshotSettings, &payload, sizeof payload);
    return answer_ok();
}

// "/6174": the snapshot schedule of the channel given as plain text.
int on_get_snapshot_schedule(const char *arg) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return cgi_error_to_webserver(kTextPlain);
    SnapshotScheduleRecord record;
    memset(&record, 0, sizeof record);
    read_snapshot_schedule(kDb, &record, channel);
    return cgi_answer_json(get_schedule_json_object(&record.schedule), kJson);
}

// "/6175": one snapshot schedule for the listed channels.
int on_set_snapshot_schedule(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    WeeklySchedule schedule;
    if (!request || get_schedule_by_json(request, "schedule", &schedule) != 0) return cgi_error_to_webserver(kTextPlain);
    std::unique_ptr<SnapshotScheduleRecord[], FreeDeleter> slots(
        static_cast<SnapshotScheduleRecord *>(calloc(kQvdbChannels, sizeof(SnapshotScheduleRecord))));
    if (!slots) return cgi_error_to_webserver(kTextPlain);
    ChannelList listed = read_channel_list(request, "chnid", "cnt", kAnyListLength);
    for (int i = 0; i < listed.count; i++) {
        SnapshotScheduleRecord &slot = slots[listed.channel[i]];
        slot.channel = listed.channel[i];
        slot.schedule = schedule;
    }
    {
        DbTransaction transaction(kDb);
        write_snapshot_schedules(kDb, slots.get(), listed.channel, listed.count);
        transaction.commit();
    }
    RecordChannelList payload = channels_payload(listed);
    cgi_notify_daemon(on_video_ipc_callback, kRequestSnapshotSchedules, &payload, sizeof payload);
    return answer_ok();
}

// "/6178": starts snapshots of the "snapshotChnId" channels and stops those of "stopChnId".
int on_set_snapshot_batch_setting(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kTextPlain);
    ChannelList starts = read_channel_list(request, "snapshotChnId", "snapshotCnt", kAnyListLength);
    ChannelList stops = read_channel_list(request, "stopChnId", "stopCnt", kAnyListLength);
    if (starts.count > 0) send_start_stop(1, starts);
    if (stops.count > 0) send_start_stop(0, stops);
    return answer_ok();
}
