// Reply handlers and the reply dispatcher of module "/4000": each reply's payload becomes the
// page's answer, or the state the waiting route reads next.
#include <json-c/json.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "playback/playback_module.h"
#include "playback/playback_payloads.h"
#include "playback/remote_backup.h"
#include "core/reply_view.h"

PlaybackSharedState g_playback;

namespace {

constexpr int kDayMinutes = 1440;
constexpr int kTimelineSize = 4 + kDayMinutes;

json_object *status_object(const char *status) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_text(answer, "status", status);
    return answer;
}

// "%Y-%m-%d %H:%M:%S" of seconds since 1970 in local time.
std::string local_time_text(long long seconds) {
    time_t when = static_cast<time_t>(seconds);
    struct tm local;
    char text[64] = "";
    if (localtime_r(&when, &local)) strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void add_array(json_object *answer, const char *key, json_object *array) { json_object_object_add(answer, key, array); }

// ---- sections (6159, 6161) ---------------------------------------------------------------------

int answer_sections(const void *payload, int length) {
    ReplyView reply(payload, length);
    int count = reply.length() / static_cast<int>(sizeof(SectionRecord));
    if (count == 0) return cgi_reply_json(status_object("NO MATCHES"));
    json_object *answer = status_object("OK");
    if (!answer) return cgi_reply_json(nullptr);
    const int size = sizeof(SectionRecord);
    json_add_int(answer, "camId", reply.number(size * (count - 1) + offsetof(SectionRecord, channel)));
    json_add_int(answer, "sectionNum", count);
    json_add_int(answer, "sid", reply.number(offsetof(SectionRecord, session)));
    json_object *sections = json_object_new_array();
    for (int i = 0; i < count; i++) {
        int base = size * i;
        json_object *section = json_object_new_object();
        json_add_text(section, "startTime", reply.text(base + offsetof(SectionRecord, start_time), 20).c_str());
        json_add_text(section, "endTime", reply.text(base + offsetof(SectionRecord, end_time), 20).c_str());
        json_add_int(section, "recordType", reply.number(base + offsetof(SectionRecord, record_type)));
        json_add_int(section, "lock", reply.number(base + offsetof(SectionRecord, lock)));
        json_object_array_add(sections, section);
    }
    add_array(answer, "section", sections);
    return cgi_reply_json(answer);
}

// ---- day timeline (8101, 8501) -------------------------------------------------------------------

// A run of minutes [start, end) of one record type; a run through the last minute ends at that
// minute, shown as the day's end, 24:00:00.
void add_timeline_section(json_object *sections, int start, int end, int type) {
    bool through_day_end = end == kDayMinutes;
    if (through_day_end) end = kDayMinutes - 1;
    std::string end_text = local_time_text(static_cast<long long>(end) * 60);
    if (through_day_end && end_text.size() >= 19) end_text.replace(11, 8, "24:00:00");
    json_object *section = json_object_new_object();
    json_add_text(section, "startTime", local_time_text(static_cast<long long>(start) * 60).c_str());
    json_add_text(section, "endTime", end_text.c_str());
    json_add_int(section, "recordType", type);
    json_object_array_add(sections, section);
}

int answer_day_timeline(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *sections = json_object_new_array();
    int count = 0;
    for (int minute = 0; minute < kDayMinutes - 1;) {
        int type = reply.byte(4 + minute);
        if (type == 0) {
            minute++;
            continue;
        }
        int end = minute + 1;
        while (end < kDayMinutes && reply.byte(4 + end) == type) end++;
        add_timeline_section(sections, minute, end, type);
        count++;
        minute = end;
    }
    json_object *answer = status_object(count ? "OK" : "NO MATCHES");
    if (!answer) {
        json_object_put(sections);
        return cgi_reply_json(nullptr);
    }
    json_add_int(answer, "camId", reply.number(0));
    json_add_int(answer, "sectionNum", count);
    add_array(answer, "section", sections);
    return cgi_reply_json(answer);
}

// ---- play times (6153, 8102, 8104, 8115, 8116) ---------------------------------------------------

int answer_play_time(const void *payload, int length) {
    ReplyView reply(payload, length);
    int seconds = reply.number(0);
    if (seconds < 1) return cgi_reply_json(nullptr);
    json_object *answer = status_object("OK");
    if (answer) json_add_text(answer, "curPlayTime", local_time_text(seconds).c_str());
    return cgi_reply_json(answer);
}

int answer_jump_time(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = status_object("OK");
    if (answer) json_add_text(answer, "realJumpTime", local_time_text(reply.number(0)).c_str());
    return cgi_reply_json(answer);
}

// Pairs (session, time): an array of {time_key, "sid"} under array_key.
int answer_session_times(const void *payload, int length, const char *array_key, const char *time_key) {
    ReplyView reply(payload, length);
    json_object *answer = status_object("OK");
    if (!answer) return cgi_reply_json(nullptr);
    json_object *pairs = json_object_new_array();
    for (int i = 0; i < reply.length() / 8; i++) {
        json_object *pair = json_object_new_object();
        json_add_text(pair, time_key, local_time_text(reply.number(8 * i + 4)).c_str());
        json_add_int(pair, "sid", reply.number(8 * i));
        json_object_array_add(pairs, pair);
    }
    add_array(answer, array_key, pairs);
    return cgi_reply_json(answer);
}

int answer_jump_times(const void *payload, int length) {
    return answer_session_times(payload, length, "JumpTime", "realJumpTime");
}
int answer_current_play_times(const void *payload, int length) {
    return answer_session_times(payload, length, "curPlayTime", "PlayTime");
}

// ---- opening results (6162, 8103) ----------------------------------------------------------------

// The daemon's result of a time playback: 2 tells the route that it failed.
int note_time_playback_result(const void *payload, int length) {
    cgi_reply_done(ReplyView(payload, length).number(0) < 0 ? 2 : 1);
    return 0;
}

// The session a mask playback opened becomes the current one.
int note_playback_opened(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (reply.number(offsetof(PlaybackOpened, result)) != 0) {
        cgi_reply_done(2);
        return 0;
    }
    g_playback.session = reply.number(offsetof(PlaybackOpened, session));
    copy_text_field(g_playback.play_time, sizeof g_playback.play_time,
                    reply.text(offsetof(PlaybackOpened, play_time), kPlaybackTimeText).c_str());
    cgi_reply_done(1);
    return 0;
}

// ---- status words (6148, 6171, 9011) -------------------------------------------------------------

int answer_stop_status(const void *payload, int length) {
    return cgi_reply_json(status_object(ReplyView(payload, length).number(0) == -1 ? "ERROR" : "OK"));
}
int answer_jump_status(const void *payload, int length) {
    return cgi_reply_json(status_object(ReplyView(payload, length).number(0) != 0 ? "ERROR" : "OK"));
}
int answer_busy_state(const void *payload, int length) {
    return cgi_reply_json(status_object(ReplyView(payload, length).number(0) != 0 ? "BUSY" : "OK"));
}

// ---- transcoding (6176, 6177) --------------------------------------------------------------------

json_object *transcoding_object(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = json_object_new_object();
    if (!answer) return nullptr;
    json_add_int(answer, "ch", reply.number(0));
    json_add_int(answer, "sid", reply.number(4));
    json_add_int(answer, "state", reply.number(8));
    return answer;
}

int answer_transcoding_set(const void *payload, int length) {
    json_object *answer = transcoding_object(payload, length);
    if (answer) json_add_text(answer, "status", "OK");
    return cgi_reply_json(answer);
}
int answer_transcoding_state(const void *payload, int length) {
    return cgi_reply_json(transcoding_object(payload, length));
}

// ---- image parameters (8002) ---------------------------------------------------------------------

int answer_image_params(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (reply.number(offsetof(ImageParamsReply, result)) < 0) return cgi_reply_json(status_object("ERROR"));
    json_object *answer = status_object("OK");
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "brightness", reply.number(offsetof(ImageParamsReply, brightness)));
    json_add_int(answer, "contrast", reply.number(offsetof(ImageParamsReply, contrast)));
    json_add_int(answer, "saturation", reply.number(offsetof(ImageParamsReply, saturation)));
    json_add_int(answer, "Sharpness", reply.number(offsetof(ImageParamsReply, sharpness)));
    json_add_int(answer, "NoiseReduction", reply.number(offsetof(ImageParamsReply, noise_reduction)));
    json_add_int(answer, "i2ddnr", reply.number(offsetof(ImageParamsReply, i2ddnr)));
    json_add_int(answer, "supportLpr", reply.number(offsetof(ImageParamsReply, support_lpr)));
    json_add_int(answer, "isNtPlatform", reply.number(offsetof(ImageParamsReply, nt_platform)));
    json_add_int(answer, "isPanoramaStitch", reply.number(offsetof(ImageParamsReply, panorama_stitch)));
    return cgi_reply_json(answer);
}

// ---- live stream (8500) --------------------------------------------------------------------------

int answer_live_stream(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (reply.number(offsetof(LiveStreamReply, result)) < 0) return cgi_reply_json(status_object("ERROR"));
    json_object *answer = status_object("OK");
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "port", reply.number(offsetof(LiveStreamReply, port)));
    json_add_int(answer, "direct", reply.number(offsetof(LiveStreamReply, direct)));
    json_add_text(answer, "rtspAddr", reply.text(kLiveRtspAddressOffset, kLiveTextSize).c_str());
    json_add_text(answer, "resPath", reply.text(kLiveResourcePathOffset, kLiveTextSize).c_str());
    // The route logs the view (channel number + 1) once the channel is closed.
    uint32_t channel = static_cast<uint32_t>(reply.number(offsetof(LiveStreamReply, channel)));
    g_playback.live_log_channel = static_cast<int32_t>(channel + 1u);
    return cgi_reply_json(answer);
}

// ---- playback address (8502) ---------------------------------------------------------------------

int answer_playback_address(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "sessionId", reply.number(offsetof(PlaybackAddress, session)));
    json_add_text(answer, "sourcePath",
                  reply.text(offsetof(PlaybackAddress, source_path), sizeof(PlaybackAddress::source_path)).c_str());
    json_add_int(answer, "port", reply.number(offsetof(PlaybackAddress, port)));
    json_add_text(answer, "status", "OK");
    json_add_text(answer, "realPlayTime", g_playback.play_time);
    json_add_int(answer, "external_port", reply.number(offsetof(PlaybackAddress, external_port)));
    json_add_int(answer, "external_http_port", reply.number(offsetof(PlaybackAddress, external_http_port)));
    json_add_int(answer, "ddns_port", reply.number(offsetof(PlaybackAddress, ddns_port)));
    json_add_int(answer, "ddns_http_port", reply.number(offsetof(PlaybackAddress, ddns_http_port)));
    return cgi_reply_json(answer);
}

// ---- stream addresses (8503) ---------------------------------------------------------------------

// A field of a 1476-byte address record: a number, or a text running to the next field.
struct AddressField {
    const char *key;
    int offset;
    int text_size;  // 0: a 32-bit number
};

const AddressField kNvrAddressFields[] = {
    {"mainUsername", 548, 32},       {"mainPassword", 580, 288},     {"mainPort", 520, 0},
    {"mainExternalPort", 524, 0},    {"mainDDNSPort", 528, 0},       {"mainResPath", 868, 132},
    {"mainExternalHttpPort", 532, 0}, {"mainDDNSHttpPort", 536, 0},  {"subUsername", 1028, 32},
    {"subPassword", 1060, 288},      {"subPort", 1000, 0},           {"subExternalPort", 1004, 0},
    {"subDDNSPort", 1008, 0},        {"subResPath", 1348, 128},      {"subExternalHttpPort", 1012, 0},
    {"subDDNSHttpPort", 1016, 0},
};

json_object *address_object(const ReplyView &reply, int base) {
    json_object *entry = json_object_new_object();
    json_object *ipc = json_object_new_object();
    json_add_text(ipc, "main", reply.text(base + 4, 256).c_str());
    json_add_text(ipc, "sub", reply.text(base + 260, 260).c_str());
    json_object_object_add(entry, "ipc", ipc);
    json_object *nvr = json_object_new_object();
    for (const AddressField &field : kNvrAddressFields) {
        if (field.text_size) json_add_text(nvr, field.key, reply.text(base + field.offset, field.text_size).c_str());
        else json_add_int(nvr, field.key, reply.number(base + field.offset));
    }
    json_object_object_add(entry, "nvr", nvr);
    return entry;
}

int answer_rtsp_addresses(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_object *addresses = json_object_new_array();
    for (int i = 0; i < reply.length() / kRtspAddressRecordSize; i++)
        json_object_array_add(addresses, address_object(reply, kRtspAddressRecordSize * i));
    add_array(answer, "rtspaddr", addresses);
    return cgi_reply_json(answer);
}

// ---- external ports (8506) -----------------------------------------------------------------------

int answer_external_ports(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "upnp_extern_port", reply.number(0));
    json_add_int(answer, "ddns_extern_port", reply.number(4));
    return cgi_reply_json(answer);
}

// ---- the dispatch table --------------------------------------------------------------------------

// What a reply shorter than its handler reads means.
enum ShortReply {
    kShortIsNoReply,  // ignored: the route's wait ends in its error answer
    kShortEndsWait,   // the wait ends without an answer (the client gets an empty body)
    kShortFails,      // the wait ends with the failure flag 2
};

struct PlaybackReply {
    int code;
    int min_length;
    ShortReply when_short;
    PlaybackReplyHandler handler;
};

const PlaybackReply kPlaybackReplies[] = {
    {6159, 0, kShortIsNoReply, answer_sections},
    {6161, 0, kShortIsNoReply, answer_sections},
    {6153, 4, kShortIsNoReply, answer_play_time},
    {8102, 4, kShortIsNoReply, answer_play_time},
    {6162, 4, kShortIsNoReply, note_time_playback_result},
    {8103, sizeof(PlaybackOpened), kShortFails, note_playback_opened},
    {8109, sizeof(PlaybackOpened), kShortFails, note_playback_opened},
    {6148, 4, kShortIsNoReply, answer_stop_status},
    {6171, 4, kShortIsNoReply, answer_jump_status},
    {6176, 12, kShortIsNoReply, answer_transcoding_set},
    {6177, 12, kShortIsNoReply, answer_transcoding_state},
    {6173, kExportDataOffset, kShortIsNoReply, on_get_download_playtime_cb},
    {8002, sizeof(ImageParamsReply), kShortEndsWait, answer_image_params},
    {8101, kTimelineSize, kShortIsNoReply, answer_day_timeline},
    {8501, kTimelineSize, kShortIsNoReply, answer_day_timeline},
    {8104, 4, kShortIsNoReply, answer_jump_time},
    {8115, 8, kShortIsNoReply, answer_jump_times},
    {8116, 8, kShortIsNoReply, answer_current_play_times},
    {8500, sizeof(LiveStreamReply), kShortIsNoReply, answer_live_stream},
    {8502, sizeof(PlaybackAddress), kShortEndsWait, answer_playback_address},
    {8503, kRtspAddressRecordSize, kShortEndsWait, answer_rtsp_addresses},
    {8506, 8, kShortEndsWait, answer_external_ports},
    {9011, 4, kShortIsNoReply, answer_busy_state},
};

}  // namespace

int on_stream_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    // While an export writes its file, no other reply may write into the download.
    if (remote_backup_is_open() && header->code != 6173) return 0;
    for (const PlaybackReply &reply : kPlaybackReplies) {
        if (reply.code != header->code) continue;
        if (header->length >= reply.min_length) return reply.handler(payload, header->length);
        if (reply.when_short == kShortEndsWait) cgi_reply_done(1);
        if (reply.when_short == kShortFails) cgi_reply_done(2);
        return 0;
    }
    return 0;
}
