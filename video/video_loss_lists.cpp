// Video-loss routes of module "/6000" that apply one change to a list of channels: the audible
// and e-mail settings with their schedules, the alarm outputs, and the PTZ schedule and linkage.
#include <string.h>

#include <initializer_list>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "video/channel_list.h"
#include "video/video_loss_settings.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// Every stored video-loss record, by channel; `readable` marks the channels that have one.
struct VideoLossRecords {
    VideoLostRecord by_channel[kQvdbChannels];
    uint64_t readable;
};

void read_all_video_losts(VideoLossRecords *all) {
    static VideoLostRecord rows[kQvdbChannels];
    memset(all, 0, sizeof *all);
    int count = 0;
    if (read_video_losts(kDb, rows, &count) != 0) return;
    for (int i = 0; i < count && i < kQvdbChannels; i++) {
        int channel = rows[i].channel;
        if (channel < 0 || channel >= kQvdbChannels) continue;
        all->by_channel[channel] = rows[i];
        all->readable |= 1ULL << channel;
    }
}

// One value of a request that replaces a record field when the key is present.
struct ListedValue {
    const char *key;
    int32_t VideoLostRecord::*field;
};

// Sets the present values in the records of the listed channels; returns the channels whose
// record changed. A channel without a readable record is left alone.
uint64_t change_listed_records(json_object *request, uint64_t listed, VideoLossRecords *all,
                               std::initializer_list<ListedValue> values) {
    uint64_t changed = 0;
    for (int channel = 0; channel < kQvdbChannels; channel++) {
        uint64_t bit = 1ULL << channel;
        if (!(listed & all->readable & bit)) continue;
        VideoLostRecord &record = all->by_channel[channel];
        for (const ListedValue &v : values) {
            int value = 0;
            if (on_cgi_get_int_from_json(request, v.key, &value) != 0 || record.*v.field == value) continue;
            record.*v.field = value;
            changed |= bit;
        }
    }
    return changed;
}

typedef int (*CopySchedule)(const char *db, const WeeklySchedule *schedule, uint64_t set);

// "/6121" and "/6122": "enable" and "interval" of the listed channels, and the schedule copied
// to all of them. A request without a schedule changes nothing.
int update_listed_schedule(const char *arg, std::initializer_list<ListedValue> values, CopySchedule copy) {
    JsonRef request(get_request_tokener_json_object(arg));
    WeeklySchedule schedule;
    if (!request || get_schedule_by_json(request, "schedule", &schedule) != 0) return 0;
    uint64_t listed = listed_channel_set(request, "chnid", "cnt", kAnyListLength);
    {
        static VideoLossRecords all;
        DbTransaction transaction(kDb);
        read_all_video_losts(&all);
        uint64_t changed = change_listed_records(request, listed, &all, values);
        if (listed) copy(kDb, &schedule, listed);
        if (changed) write_video_losts(kDb, all.by_channel, kQvdbChannels, changed);
        transaction.commit();
    }
    notify_video_losses_changed(listed);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

}  // namespace

int on_set_videolost_audible_sche(const char *arg) {
    return update_listed_schedule(
        arg, {{"enable", &VideoLostRecord::enable}, {"interval", &VideoLostRecord::interval}},
        copy_videoloss_audible_schedules);
}

int on_set_videolost_email_sche(const char *arg) {
    return update_listed_schedule(
        arg, {{"enable", &VideoLostRecord::email_enable}, {"interval", &VideoLostRecord::email_interval}},
        copy_videoloss_email_schedules);
}

// "/6123": the alarm outputs of the listed channels. The daemon hears of the channels that
// changed; the log records every listed one.
int on_set_videolost_others(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    uint64_t listed = listed_channel_set(request, "chnid", "cnt", kAnyListLength);
    uint64_t changed = 0;
    int value = 0;
    on_cgi_get_int_from_json(request, "triAlarms", &value);  // a missing value changes no channel
    {
        static VideoLossRecords all;
        DbTransaction transaction(kDb);
        read_all_video_losts(&all);
        changed = change_listed_records(request, listed, &all, {{"triAlarms", &VideoLostRecord::triAlarms}});
        if (changed)
            copy_table_column_int(kDb, QVDB_VIDEO_LOSS_TABLE, QVDB_VIDEO_LOSS_TRI_ALARMS,
                                  value, changed, QVDB_VIDEO_LOSS_KEY);
        transaction.commit();
    }
    notify_video_losses_changed(changed);
    cgi_log_operation_multi(on_video_ipc_callback, kVideoLossLogSubType, kVideoLossListLogParameter, listed);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6165": the PTZ schedule of the listed channels, and the PTZ linkage list of channel "camId"
// given to each of them.
int on_set_videoloss_ptz_sche(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int source = 0;
    WeeklySchedule schedule;
    if (!read_channel_key(request, "camId", &source) || get_schedule_by_json(request, "schedule", &schedule) != 0)
        return cgi_error_to_webserver(kTextPlain);
    uint64_t listed = listed_channel_set(request, "chnid", "cnt", kQvdbChannels);
    {
        DbTransaction transaction(kDb);
        PtzLinkList list;
        memset(&list, 0, sizeof list);
        bool readable = read_ptz_params(kDb, &list, kVideoLossPtzType, source) == 0;
        for (int channel = 0; readable && channel < kQvdbChannels; channel++) {
            if (!(listed & (1ULL << channel)) || channel == source) continue;
            for (int i = 0; i < list.count && i < kQvdbPtzEntries; i++)
                if (list.entry[i].acto_ptz_channel > 0) list.entry[i].channel = channel;
            write_ptz_params_all(kDb, &list, kVideoLossPtzType, channel);
        }
        if (listed) copy_videoloss_ptz_schedules(kDb, &schedule, listed);
        transaction.commit();
    }
    notify_video_losses_changed(listed);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
