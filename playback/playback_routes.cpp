// Playback session routes of module "/4000": open, stop, pause, resume, step, speed, jump and
// page through recorded sections.
#include <string.h>
#include <time.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb.h"
#include "core/qvdb_device.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "playback/playback_module.h"
#include "playback/playback_payloads.h"
#include "playback/playback_request.h"

namespace {

constexpr int kPlaybackLogSubType = 209;

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

// A text key's value, or null when it is missing or not a text.
const char *text_key(json_object *request, const char *key) {
    json_object *value = json_get_typed(request, key, json_type_string);
    return value ? json_object_get_string(value) : nullptr;
}

// The sessions of the "sid" array (at most "num" of them).
SessionList requested_sessions(json_object *request, const char *key, int limit) {
    SessionList list;
    memset(&list, 0, sizeof list);
    list.count = copy_int_items(request, key, limit, list.sessions, kPlaybackListCapacity);
    return list;
}

// "/4004", "/4006": a session list of "num" entries of "sid", sent as the code.
int send_requested_sessions(const char *arg, int request_code) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    SessionList list = requested_sessions(request, "sid", json_int_or(request, "num", 0));
    playback_notify(request_code, &list, sizeof list);
    return answer_ok();
}

// "chind" must be there, and when it is a number, 0 or more.
bool check_chind(json_object *request) {
    json_object *value = nullptr;
    if (!json_object_object_get_ex(request, "chind", &value) || !value) return false;
    int number = 0;
    return on_cgi_get_int_from_json(request, "chind", &number) != 0 || number >= 0;
}

// "%Y-%m-%d %H:%M:%S" as local time; false unless the whole text matches and mktime takes it.
bool parse_play_time(const char *text, time_t *seconds) {
    struct tm broken;
    memset(&broken, 0, sizeof broken);
    const char *rest = text ? strptime(text, "%Y-%m-%d %H:%M:%S", &broken) : nullptr;
    if (!rest || *rest != '\0') return false;
    broken.tm_isdst = -1;
    *seconds = mktime(&broken);
    return *seconds >= 0;
}

// The mask playback request of "/4020": eight masks and a play time, all required.
bool read_mask_playback(json_object *request, MaskPlayback *out) {
    memset(out, 0, sizeof *out);
    static const char *const kMaskKeys[] = {"mask0", "mask1", "mask2", "mask3", "mask4", "mask5", "mask6", "mask7"};
    for (int i = 0; i < 8; i++)
        if (!read_int(request, kMaskKeys[i], &out->masks[i])) return false;
    const char *play_time = text_key(request, "playTime");
    time_t seconds = 0;
    if (!parse_play_time(play_time, &seconds)) return false;
    out->play_time = static_cast<int32_t>(seconds);
    copy_text_field(out->play_text, sizeof out->play_text, play_time);
    return true;
}

}  // namespace

// "/4000": closes the page's previous session, then opens playback of a channel for a span.
int on_start_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, sid = 0, stream_type = 0;
    const char *start = text_key(request, "time"), *end = text_key(request, "endTime");
    if (!request || !read_int(request, "channelId", &channel) || !read_int(request, "sid", &sid) ||
        !read_int(request, "streamType", &stream_type) || !start || !end)
        return 0;
    DeviceRecord device;
    memset(&device, 0, sizeof device);
    db_get_device(QVDB_PATH, &device);
    PlaybackStart payload;
    memset(&payload, 0, sizeof payload);
    for (int i = 0; i < device.channels; i++) payload.channels[i] = i == channel ? '1' : '0';
    payload.one = 1;
    payload.main_stream = stream_type == 1 ? 1 : 0;
    payload.minus_one[0] = payload.minus_one[1] = -1;
    copy_text_field(payload.start_time, sizeof payload.start_time, start);
    copy_text_field(payload.end_time, sizeof payload.end_time, end);
    if (sid >= 0) {
        SessionList previous;
        memset(&previous, 0, sizeof previous);
        previous.sessions[0] = sid;
        previous.count = 1;
        playback_notify(kRequestPlaybackClose, &previous, sizeof previous);
        int32_t session = sid;
        playback_notify(kRequestSessionStopped, &session, sizeof session);
    }
    cgi_ask_daemon(on_stream_callback, kRequestPlaybackStart, &payload, sizeof payload, kJson);
    return 0;
}

// "/4001": playback of a channel from a play time, then where to fetch it.
int on_start_time_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, sid = 0;
    const char *play = text_key(request, "playTime"), *start = text_key(request, "startTime");
    const char *end = text_key(request, "endTime");
    if (!request || !read_live_channel_key(request, "channelId", &channel) || !play || !start || !end ||
        !read_int(request, "sid", &sid))
        return 0;
    TimePlayback payload;
    memset(&payload, 0, sizeof payload);
    payload.channel = channel;
    payload.session = sid;
    copy_text_field(payload.start_time, sizeof payload.start_time, start);
    copy_text_field(payload.end_time, sizeof payload.end_time, end);
    copy_text_field(payload.play_time, sizeof payload.play_time, play);
    if (!open_playback(kRequestTimePlayback, &payload, sizeof payload)) return cgi_error_to_webserver(kJson);
    g_playback.session = sid;
    copy_text_field(g_playback.play_time, sizeof g_playback.play_time, play);
    answer_playback_address_of_current_session();
    playback_log(kPlaybackLogSubType, channel + 1);
    return 0;
}

// "/4020": playback of the channels of eight masks from a play time, then where to fetch it.
int on_start_mask_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    MaskPlayback payload;
    if (!request || !read_mask_playback(request, &payload)) return 0;
    if (!open_playback(kRequestMaskPlayback, &payload, sizeof payload)) return cgi_error_to_webserver(kJson);
    answer_playback_address_of_current_session();
    playback_log(kPlaybackLogSubType, 0);
    return 0;
}

// "/4002": the play time of the session given as plain text.
int on_get_play_time(const char *arg) {
    int session = 0;
    if (!read_plain_int(arg, &session)) return 0;
    int32_t payload = session;
    cgi_ask_daemon(on_stream_callback, kRequestPlayTime, &payload, sizeof payload, kJson);
    return 0;
}

// "/4003": stops sessions, and closes them when "close" is 1.
int on_stop_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int close = json_int_or(request, "close", 0);
    SessionList list = requested_sessions(request, "sid", json_int_or(request, "num", 0));
    for (int i = 0; i < list.count; i++) {
        if (list.sessions[i] < 0) continue;
        int32_t session = list.sessions[i];
        playback_notify(kRequestSessionStopped, &session, sizeof session);
    }
    playback_notify(kRequestPlaybackStop, &list, sizeof list);
    if (close == 1) playback_notify(kRequestPlaybackClose, &list, sizeof list);
    return answer_ok();
}

// "/4004", "/4006": pause or step sessions.
int on_pause_playback(const char *arg) { return send_requested_sessions(arg, kRequestPlaybackPause); }
int on_step_foward_playback(const char *arg) { return send_requested_sessions(arg, kRequestPlaybackStep); }

// "/3003": steps every session of "sessionId".
int on_step_playback_batch(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    SessionList list = requested_sessions(request, "sessionId", kPlaybackListCapacity);
    playback_notify(kRequestPlaybackStepBatch, &list, sizeof list);
    return answer_ok();
}

// "/4005": resumes a session in a direction.
int on_resume_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int sid = 0;
    if (!request || !read_int(request, "sid", &sid)) return 0;
    int32_t payload[2] = {sid, json_int_or(request, "direction", 0)};
    playback_notify(kRequestPlaybackResume, payload, sizeof payload);
    return answer_ok();
}

// "/4007": fast forward, each session of "sessionId" at the speed of the same place of "speed".
int on_fastforward_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || !check_chind(request)) return 0;
    SessionList list;
    memset(&list, 0, sizeof list);
    list.count = copy_int_pairs(request, "sessionId", "speed", json_int_or(request, "num", 0), list.sessions,
                                list.speeds, kPlaybackListCapacity);
    playback_notify(kRequestPlaybackFastForward, &list, sizeof list);
    return answer_ok();
}

// "/4008": slow forward of the channels of the "chind" array.
int on_slowforward_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || !check_chind(request)) return 0;
    SpeedList list;
    memset(&list, 0, sizeof list);
    list.speed = json_int_or(request, "speed", 0);
    list.count = copy_int_items(request, "chind", json_int_or(request, "num", 0), list.entries, kPlaybackListCapacity);
    playback_notify(kRequestPlaybackSlowForward, &list, sizeof list);
    return answer_ok();
}

// "/4022": a speed for the sessions of "sid"; speed 2 for a single session is flagged as such.
int on_set_speed_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    SpeedList list;
    memset(&list, 0, sizeof list);
    list.speed = json_int_or(request, "speed", 0);
    list.count = copy_int_items(request, "sid", json_int_or(request, "num", 0), list.entries, kPlaybackListCapacity);
    list.single_session = list.speed == 2 && list.count == 1 ? 1 : 0;
    playback_notify(kRequestPlaybackSpeed, &list, sizeof list);
    return answer_ok();
}

// "/4009": moves sessions (each with its channel) to a time.
int on_jump_playback(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int num = 0;
    const char *jump_time = text_key(request, "jumpTime");
    if (!request || !jump_time || !json_get_typed(request, "sid", json_type_array) ||
        !json_get_typed(request, "chnid", json_type_array) || !read_int(request, "num", &num))
        return 0;
    JumpRequest payload;
    memset(&payload, 0, sizeof payload);
    payload.count = num < 1 ? 0
                            : copy_int_pairs(request, "chnid", "sid", num, payload.channels, payload.sessions,
                                             kPlaybackListCapacity);
    if (payload.count < 1) return cgi_error_to_webserver(kJson);
    copy_text_field(payload.jump_time, sizeof payload.jump_time, jump_time);
    cgi_ask_daemon(on_stream_callback, kRequestPlaybackJump, &payload, sizeof payload, kJson);
    return 0;
}

// "/4023": one page of a session's sections.
int on_get_playback_page(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PageRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_int(request, "sid", &payload.sid) || !read_int(request, "page", &payload.page)) return 0;
    cgi_ask_daemon(on_stream_callback, kRequestPlaybackPage, &payload, sizeof payload, kJson);
    return 0;
}
