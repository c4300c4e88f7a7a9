// Live view and viewing routes of module "/4000": live streams, channel checks and viewing logs,
// stream addresses and ports, transcoding, image parameters, the download marker and the busy
// state.
#include <string.h>
#include <unistd.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/cgi_env.h"
#include "platform/devroot.h"
#include "playback/playback_module.h"
#include "playback/playback_payloads.h"
#include "playback/playback_request.h"

namespace {

constexpr const char *kDownloadMarker = "/tmp/pbdownload";
constexpr int kImageDetailType = 107;
constexpr int kImageDefault = 128;

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

// A key present with a value from 0 to max (compared unsigned).
bool read_unsigned_up_to(json_object *request, const char *key, unsigned max, int *out) {
    return read_int(request, key, out) && static_cast<unsigned>(*out) <= max;
}

// The live stream of "/4010" and "/4011": id 0 to 15, streamType and streamFrom 0 or 1.
bool check_live_info(json_object *request, LiveStream *stream) {
    int source = 0;
    memset(stream, 0, sizeof *stream);
    if (!read_unsigned_up_to(request, "id", kLiveChannels - 1, &stream->channel) ||
        !read_unsigned_up_to(request, "streamType", 1, &stream->stream_type) ||
        !read_unsigned_up_to(request, "streamFrom", 1, &source))
        return false;
    stream->stream_source = source;
    return true;
}

// A channel 0 to 15 as plain text, logged with the sub type; "OK".
int log_viewed_channel(const char *arg, int sub_type) {
    int channel = 0;
    if (!read_plain_live_channel(arg, &channel)) return 0;
    playback_log(sub_type, channel + 1);
    return answer_ok();
}

// A percentage of an 8-bit level, rounded half up: p = v * 100 / 255.
int32_t level_percent(int32_t level) {
    float percent = static_cast<float>(static_cast<double>(level) * 100.0 / 255.0);
    int32_t whole = static_cast<int32_t>(percent);
    return percent - 0.5f >= static_cast<float>(whole) ? whole + 1 : whole;
}

// The image parameters of "/3001": id 0 to 15, brightness, contrast and saturation 0 to 255
// (required), the others as given (missing: 0).
bool read_image_params(json_object *request, ImageParams *params) {
    memset(params, 0, sizeof *params);
    if (!read_unsigned_up_to(request, "id", kLiveChannels - 1, &params->channel) ||
        !read_unsigned_up_to(request, "brightness", 255, &params->brightness) ||
        !read_unsigned_up_to(request, "contrast", 255, &params->contrast) ||
        !read_unsigned_up_to(request, "saturation", 255, &params->saturation))
        return false;
    params->sharpness = json_int_or(request, "Sharpness", 0);
    params->noise_reduction = json_int_or(request, "NoiseReduction", 0);
    params->i2ddnr = json_int_or(request, "i2ddnr", 0);
    return true;
}

// Asks the daemon a question without a payload; the reply, or the JSON error, answers.
int ask_without_payload(int request_code) {
    cgi_ask_daemon(on_stream_callback, request_code, nullptr, 0, kJson);
    return 0;
}

}  // namespace

// "/4010": starts a live stream; the daemon answers where to fetch it.
int on_start_live(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    LiveStream stream;
    if (!request || !check_live_info(request, &stream)) return 0;
    g_playback.live_log_channel = 0;
    cgi_ask_daemon(on_stream_callback, kRequestStartLive, &stream, sizeof stream, kJson);
    if (g_playback.live_log_channel != 0) playback_log(208, g_playback.live_log_channel);
    return 0;
}

// "/4011": stops a live stream.
int on_stop_live(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    LiveStream stream;
    if (!request || !check_live_info(request, &stream)) return 0;
    stream.stream_source = 0;
    playback_notify(kRequestStopLive, &stream, sizeof stream);
    return answer_ok();
}

// "/4012": stops every live stream.
int on_stop_all_live(const char *) {
    playback_notify(kRequestStopAllLive, nullptr, 0);
    return answer_ok();
}

// "/4014", "/4024": viewing logs of a channel.
int on_log_channel_205(const char *arg) { return log_viewed_channel(arg, 205); }
int on_log_channel_208(const char *arg) { return log_viewed_channel(arg, 208); }

// "/4017": the same, in the name of the user the web server authenticated.
int on_log_channel_227(const char *arg) {
    int channel = 0;
    if (!read_plain_live_channel(arg, &channel)) return 0;
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = 227;
    record.parameter = 900;
    record.channel = channel + 1;
    copy_text_field(record.user_name, sizeof record.user_name, cgiRemoteUser);
    cgi_send_log_record(on_stream_callback, &record);
    return answer_ok();
}

// "/4015", "/4016": "OK" for a channel 0 to 15.
int on_check_channel(const char *arg) {
    int channel = 0;
    return read_plain_live_channel(arg, &channel) ? answer_ok() : 0;
}
int on_check_channel2(const char *arg) { return on_check_channel(arg); }

// "/4018", "/4021", "/3004": stream addresses, external ports, busy state.
int on_get_rtsp_addr(const char *) { return ask_without_payload(kRequestRtspAddresses); }
int on_get_extern_port(const char *) { return ask_without_payload(kRequestExternalPorts); }
int on_get_busy_state(const char *) { return ask_without_payload(kRequestBusyState); }

// "/4019": isOK 1 while no export is in progress (JSON under the text header).
int on_get_download_state(const char *) {
    json_object *answer = json_object_new_object();
    json_add_int(answer, "isOK", IsFileExisted(kDownloadMarker) == 0 ? 0 : 1);
    return cgi_answer_json(answer, kTextPlain);
}

// "/4027": forgets the export in progress.
int on_clear_download(const char *) {
    unlink(nvr_path(kDownloadMarker).c_str());
    playback_notify(kRequestDownloadCleared, nullptr, 0);
    return answer_ok();
}

// "/4025": transcoding of a session; every key required.
int on_set_transcoding(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    TranscodingRequest payload;
    if (!request || !read_int(request, "ch", &payload.ch) || !read_int(request, "sid", &payload.sid) ||
        !read_int(request, "trancodingmode", &payload.trancodingmode) ||
        !read_int(request, "framesize", &payload.framesize) || !read_int(request, "bitrate", &payload.bitrate) ||
        !read_int(request, "framerate", &payload.framerate))
        return cgi_error_to_webserver(kJson);
    cgi_ask_daemon(on_stream_callback, kRequestSetTranscoding, &payload, sizeof payload, kJson);
    return 0;
}

// "/4026": the transcoding state of a session.
int on_get_transcoding_state(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int32_t payload[2] = {0, 0};
    if (!request || !read_int(request, "ch", &payload[0]) || !read_int(request, "sid", &payload[1]))
        return cgi_error_to_webserver(kJson);
    cgi_ask_daemon(on_stream_callback, kRequestTranscodingState, payload, sizeof payload, kJson);
    return 0;
}

// "/3000": the image parameters of a channel.
int on_get_image_param(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_unsigned_up_to(request, "chnid", kLiveChannels - 1, &channel)) return 0;
    int32_t payload = channel;
    cgi_ask_daemon(on_stream_callback, kRequestGetImage, &payload, sizeof payload, kJson);
    return 0;
}

// "/3001": sets the image parameters of a channel; the log shows them as percentages.
int on_set_image_param(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    ImageParams params;
    if (!request || !read_image_params(request, &params)) return 0;
    playback_notify(kRequestSetImage, &params, sizeof params);
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = 217;
    record.parameter = 900;
    record.channel = params.channel + 1;
    const int32_t percents[5] = {level_percent(params.brightness), level_percent(params.contrast),
                                 level_percent(params.saturation), level_percent(params.sharpness),
                                 level_percent(params.noise_reduction)};
    qvfs_log_pack_detail(&record, kImageDetailType, percents, sizeof percents);
    cgi_send_log_record(on_stream_callback, &record);
    return answer_ok();
}

// "/3002": puts a channel's image parameters back to the middle; answers what was sent.
int on_reset_image_param(const char *arg) {
    int channel = 0;
    if (!read_plain_live_channel(arg, &channel)) return 0;
    ImageParams params = {channel, kImageDefault, kImageDefault, kImageDefault, kImageDefault, kImageDefault, 0};
    playback_notify(kRequestSetImage, &params, sizeof params);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "ChannelId", params.channel);
    json_add_int(answer, "Brightness", params.brightness);
    json_add_int(answer, "Contrast", params.contrast);
    json_add_int(answer, "Saturation", params.saturation);
    json_add_int(answer, "Sharpness", params.sharpness);
    json_add_int(answer, "NoiseReduction", params.noise_reduction);
    return cgi_answer_json(answer, kJson);
}
