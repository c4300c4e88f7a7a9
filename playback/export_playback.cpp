// Route "/4013": a recorded span of one channel as an AVI download. The daemon plays the span
// out as frames (replies 6173, in pieces); they are reassembled, queued and written to the
// client by the remote backup writer as they arrive.
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "playback/playback_module.h"
#include "playback/playback_payloads.h"
#include "playback/playback_request.h"
#include "playback/remote_backup.h"
#include "core/reply_view.h"

namespace {

constexpr const char *kDownloadMarker = "/tmp/pbdownload";
constexpr long kPollPauseUs = 40000;

// "%Y-%m-%dT%H:%M:%SZ" read as local time; false unless the whole text matches.
bool parse_export_time(json_object *request, const char *key, struct tm *broken) {
    json_object *value = json_get_typed(request, key, json_type_string);
    memset(broken, 0, sizeof *broken);
    const char *rest = value ? strptime(json_object_get_string(value), "%Y-%m-%dT%H:%M:%SZ", broken) : nullptr;
    return rest && *rest == '\0';
}

// "year_month_day_hour_minute_second_epoch" of a time the file name is made of.
void time_name(const struct tm &broken, long long seconds, char *out, size_t size) {
    snprintf(out, size, "%d_%d_%d_%d_%d_%d_%lld", broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday,
             broken.tm_hour, broken.tm_min, broken.tm_sec, seconds);
}

// The daemon's time text: "%d-%d-%d %d:%d:%d".
void daemon_time_text(const struct tm &broken, char *out, size_t size) {
    snprintf(out, size, "%d-%d-%d %d:%d:%d", broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday,
             broken.tm_hour, broken.tm_min, broken.tm_sec);
}

// Streams the span to standard output through the AVI writer. The channel stays open until the
// daemon's end mark or until the writer stops (the client went away, or no frame for a minute);
// it is closed before the writer, so no reply can reach state being freed.
void stream_export(const ExportRequest &payload) {
    QvAvi *avi = nullptr;
    if (remote_backup_is_open()) remote_backup_qvfs_close(avi);
    if (remote_backup_qvfs_open(stdout, &avi) != 0) return;
    cgi_start_ipc_stream(on_stream_callback, kRequestPlaybackExport, sizeof payload, &payload);
    while (g_callback_done.load() == 0 && remote_backup_task_run_status()) nvr_sleep_us(kPollPauseUs);
    cgi_stop_ipc();
    remote_backup_qvfs_close(avi);
}

}  // namespace

// "/4013": id 0 to 15, startTime and endTime ("%Y-%m-%dT%H:%M:%SZ"), streamType.
int on_export_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    struct tm start, end;
    if (!request || !read_live_channel_key(request, "id", &channel) || !parse_export_time(request, "startTime", &start) ||
        !parse_export_time(request, "endTime", &end))
        return 0;
    if (IsFileExisted(kDownloadMarker) == 0) return cgi_writeback_webserver(kTextPlain, "BUSY NOW");
    start.tm_isdst = end.tm_isdst = -1;
    long long start_seconds = mktime(&start), end_seconds = mktime(&end);

    char start_name[64], end_name[64], file_name[128];
    time_name(start, start_seconds, start_name, sizeof start_name);
    time_name(end, end_seconds, end_name, sizeof end_name);
    int name_length = snprintf(file_name, sizeof file_name, "%lluDDD%s-%s_%d.avi", 1ULL << channel, start_name,
                               end_name, channel);
    if (name_length < 0) return 0;  // the name is cut at 127 characters

    playback_log(209, channel + 1);

    ExportRequest payload;
    memset(&payload, 0, sizeof payload);
    payload.channel = channel;
    payload.stream_type = json_int_or(request, "streamType", 0);
    daemon_time_text(start, payload.start_time, sizeof payload.start_time);
    daemon_time_text(end, payload.end_time, sizeof payload.end_time);

    cgi_write_download_header(file_name);
    fflush(stdout);  // the client learns of the download before the first frame
    if (nice(19) == -1) {
        // Staying at the normal priority is no reason to refuse the download.
    }
    signal(SIGPIPE, SIG_IGN);  // a client that leaves ends the writer with a failed write
    stream_export(payload);
    fflush(stdout);
    return 0;
}

// Reply 6173: one piece of a frame, or the end mark (-1), or an interruption (-2).
int on_get_download_playtime_cb(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kExportDataOffset)) return 0;
    int mark = reply.number(kExportMarkOffset);
    int piece_length = reply.number(kExportPieceLengthOffset);
    if (!remote_backup_is_open() || piece_length == kExportEnd) {
        cgi_reply_done();
        return 0;
    }
    if (piece_length == kExportInterrupted) {
        remote_backup_qvfs_interrup();
        cgi_reply_done();
        return 0;
    }
    if (piece_length < kExportInterrupted) return 0;
    int room = reply.length() - kExportDataOffset;
    if (room > kExportMaxPiece) room = kExportMaxPiece;
    if (piece_length > room) piece_length = room;
    const uint8_t *bytes = static_cast<const uint8_t *>(payload);
    return remote_backup_qvfs_write(bytes, bytes + kExportDataOffset, mark, piece_length);
}
