// Camera stream and audio routes of module "/2001": a camera's stream capabilities with its
// channel settings, stream changes of one or several cameras, and the camera's audio.
#include <stdio.h>
#include <string.h>

#include <atomic>

#include "camera/camera_functions.h"
#include "camera/camera_module.h"
#include "camera/camera_request.h"
#include "camera/entry_fields.h"
#include "camera/function_payloads.h"
#include "camera/camera_relay.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_camera.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kStreamChannels = 16;  // "/2009" serves channels 0 to 15

// ---- stream capabilities ("/2009") -------------------------------------------------------------

// The recorder's side of the channel asked about, read before the camera is asked.
struct StreamChannel {
    int channel;
    char name[64];
    CameraRecord camera;
    int protocol;  // of the camera's model
};
StreamChannel g_stream_channel;

void read_stream_channel(int channel) {
    StreamChannel &c = g_stream_channel;
    memset(&c, 0, sizeof c);
    c.channel = channel;
    OsdRecord osd;
    memset(&osd, 0, sizeof osd);
    if (read_osd(kDb, &osd, channel) == 0) copy_text_field(c.name, sizeof c.name, osd.camName);
    read_camera(kDb, &c.camera, channel);
    CameraModelRecord model;
    memset(&model, 0, sizeof model);
    if (read_ipc_model(kDb, &model, c.camera.camProtocol) == 0) c.protocol = model.protocol;
}

// {"curRes", "res": resolutions up to the first empty one, then the stream's limits and values}.
json_object *stream_caps_json(const StreamCapsStream &stream) {
    json_object *object = json_object_new_object();
    json_object *resolutions = json_object_new_array();
    if (!object || !resolutions) {
        if (resolutions) json_object_put(resolutions);
        return object;
    }
    int current = -1;
    for (int i = 0; i < kStreamResolutions; i++) {
        int width = stream.resolution[i][0], height = stream.resolution[i][1];
        if (width == 0 || height == 0) break;
        if (current < 0 && width == stream.width && height == stream.height) current = i;
        char name[32];
        snprintf(name, sizeof name, "%d*%d", width, height);
        json_object *resolution = json_object_new_object();
        json_add_int(resolution, "width", width);
        json_add_int(resolution, "height", height);
        json_add_text(resolution, "name", name);
        json_object_array_add(resolutions, resolution);
    }
    json_add_int(object, "curRes", current < 0 ? 0 : current);
    json_object_object_add(object, "res", resolutions);
    json_add_int(object, "framerateMax", stream.framerateMax);
    json_add_int(object, "framerateMin", stream.framerateMin);
    json_add_int(object, "bitrateMax", stream.bitrateMax);
    json_add_int(object, "bitrateMin", stream.bitrateMin);
    json_add_int(object, "framerate", stream.framerate);
    json_add_int(object, "bitrate", stream.bitrate);
    json_add_int(object, "iframeinterval", stream.iframeinterval);
    json_add_int(object, "iframeIntervalMin", stream.iframeIntervalMin);
    json_add_int(object, "iframeIntervalMax", stream.iframeIntervalMax);
    json_add_int(object, "bitrateCtrl", stream.bitrateCtrl);
    return object;
}

void add_stream_caps(json_object *answer, const StreamCapsReply &caps, const StreamChannel &channel) {
    const CameraRecord &camera = channel.camera;
    json_add_int(answer, "id", channel.channel);
    json_add_text(answer, "name", channel.name);
    json_add_int(answer, "subEnable", caps.subEnable);
    json_add_int(answer, "audioEnable", caps.audioEnable);
    json_add_int(answer, "videoTypeEnable", caps.videoTypeEnable);
    json_add_int(answer, "mainVideoType", caps.main.videoType);
    json_add_int(answer, "subVideoType", caps.sub.videoType);
    json_add_int(answer, "ipc_type", caps.ipc_type);
    json_add_int(answer, "syncTime", camera.syncTime);
    json_add_int(answer, "protocol", channel.protocol);
    json_add_int(answer, "managePort", camera.managePort);
    json_add_int(answer, "physicalport", camera.physicalport);
    json_add_int(answer, "poechannel", camera.poechannel);
    json_add_text(answer, "mac_addr", camera.mac_addr);
    json_add_int(answer, "transmitProtocol", camera.transmitProtocol);
    json_add_text(answer, "ddns", camera.ddns);
    json_add_int(answer, "httpsPort", camera.httpsPort);
    json_add_int(answer, "mainStream", caps.mainStream);
    json_add_int(answer, "subStream", caps.subStream);
    json_add_int(answer, "SupportSmartStream", caps.SupportSmartStream);
    json_add_int(answer, "SmartStream", caps.SmartStream);
    json_add_int(answer, "SmartStreamLevel", caps.SmartStreamLevel);
    json_add_int(answer, "SubSupportSmartStream", caps.SubSupportSmartStream);
    json_add_int(answer, "SubSmartStream", caps.SubSmartStream);
    json_add_int(answer, "SubSmartStreamLevel", caps.SubSmartStreamLevel);
    json_object_object_add(answer, "main", stream_caps_json(caps.main));
    json_object_object_add(answer, "sub", stream_caps_json(caps.sub));
    json_add_int(answer, "mainGop", caps.mainGop);
    json_add_int(answer, "subGop", caps.subGop);
    json_add_int(answer, "thirdGop", caps.thirdGop);
}

// ---- stream changes ("/2010", "/2030") -----------------------------------------------------------

#define STREAM(member) ENTRY_NUMBER(StreamRequest, member)
#define STREAM_AS(key, member) \
    EntryField { key, static_cast<int>(offsetof(StreamRequest, member)), 4, EntryFieldKind::Number }

// The stream keys of both routes.
const EntryField kStreamFields[] = {
    STREAM(subEnable),        STREAM(mainVideoType),     STREAM(mainResWidth),   STREAM(mainResHeight),
    STREAM(mainFramerate),    STREAM(mainBitrate),       STREAM(IframeInterval), STREAM(SmartStream),
    STREAM(SmartStreamLevel), STREAM(subVideoType),      STREAM(subResWidth),    STREAM(subResHeight),
    STREAM(subFramerate),     STREAM(subBitrate),        STREAM(subIframeInterval), STREAM(SubSmartStream),
    STREAM(SubSmartStreamLevel),
};
// "/2010" only.
const EntryField kOneStreamFields[] = {
    STREAM(videoTypeEnable), STREAM(fisheyeType),      STREAM(recordtype),
    STREAM(etframerate),     STREAM(etIframeinterval), STREAM(etbitrate),
    STREAM_AS("bitrateControl", mainBitrateControl),   STREAM_AS("SubBitrateControl", subBitrateControl),
};
// "/2030" only.
const EntryField kBatchStreamFields[] = {
    STREAM(transmitProtocol), STREAM(syncTime), STREAM(mainBitrateControl), STREAM(subBitrateControl),
};
#undef STREAM
#undef STREAM_AS

void store_stream_fields(json_object *request, StreamRequest *payload, const EntryField *fields, int count) {
    store_entry_fields(request, payload, sizeof *payload, fields, count);
}

// The channels the daemon reports changed by the last 8203.
std::atomic<uint64_t> g_streams_changed{0};

// The checks of "/2010"; false ends the route without an answer.
bool check_stream_request(json_object *request, int *channel) {
    int value = 0;
    if (!read_channel_key(request, "id", channel)) return false;
    for (const char *key : {"mainFramerate", "mainBitrate", "mainResWidth", "mainResHeight"})
        if (on_cgi_get_int_from_json(request, key, &value) != 0 || value < 0) return false;
    return on_cgi_get_int_from_json(request, "subEnable", &value) == 0 &&
           read_int_between(request, "audioEnable", 0, 1, &value);
}

// Sends 3203 and waits for 8203; the JSON error on silence.
void change_streams(const StreamRequest &payload) {
    g_streams_changed.store(0);
    cgi_ask_daemon(on_camera_ipc_callback, kRequestSetStream, &payload, sizeof payload, kJson);
}

// ---- audio ("/2063", "/2064") -----------------------------------------------------------------------

const EntryField kAudioFields[] = {
    ENTRY_NUMBER(AudioRequest, audioEnable),      ENTRY_NUMBER(AudioRequest, audioMode),
    ENTRY_NUMBER(AudioRequest, denoise),          ENTRY_NUMBER(AudioRequest, encoding),
    ENTRY_NUMBER(AudioRequest, sampleRate),       ENTRY_NUMBER(AudioRequest, inputGain),
    ENTRY_NUMBER(AudioRequest, inputMode),        ENTRY_NUMBER(AudioRequest, audioGainControl),
    ENTRY_NUMBER(AudioRequest, outputVolume),     ENTRY_NUMBER(AudioRequest, audioBitrate),
    ENTRY_NUMBER(AudioRequest, speakerVol),       ENTRY_NUMBER(AudioRequest, twoWaySpeakerVol),
    ENTRY_NUMBER(AudioRequest, twoWayOutVol),
};

int clamp_count(int32_t count, int limit) { return count < 0 ? 0 : (count > limit ? limit : count); }

json_object *audio_options_json(const AudioInfoReply &info) {
    json_object *options = json_object_new_array();
    for (int e = 0; options && e < clamp_count(info.encodingCount, kAudioEncodings); e++) {
        const AudioEncodingEntry &encoding = info.encoding[e];
        json_object *option = json_object_new_object();
        json_object *rates = json_object_new_array();
        json_add_int(option, "encodeValue", encoding.encodeValue);
        for (int r = 0; rates && r < clamp_count(encoding.sampleRateCount, kAudioSampleRates); r++) {
            const AudioSampleRateEntry &rate = encoding.sampleRate[r];
            json_object *entry = json_object_new_object();
            json_object *bitrates = json_object_new_array();
            json_add_int(entry, "sampleRateValue", rate.sampleRateValue);
            for (int b = 0; bitrates && b < clamp_count(rate.bitrateCount, kAudioBitrates); b++)
                json_object_array_add(bitrates, json_object_new_int(rate.bitrate[b]));
            json_object_object_add(entry, "bitrateInfo", bitrates);
            json_object_array_add(rates, entry);
        }
        json_object_object_add(option, "sampleRateInfo", rates);
        json_object_array_add(options, option);
    }
    return options;
}

json_object *audio_config_json(const AudioInfoReply &info) {
    json_object *config = json_object_new_object();
    json_add_int(config, "chnid", info.chnid);
    json_add_int(config, "audioEnable", info.audioEnable);
    json_add_int(config, "audioMode", info.audioMode);
    json_add_int(config, "denoise", info.denoise);
    json_add_int(config, "encoding", info.encodingValue);
    json_add_int(config, "sampleRate", info.sampleRate);
    json_add_int(config, "inputGain", info.inputGain);
    json_add_int(config, "inputMode", info.inputMode);
    json_add_int(config, "audioGainControl", info.audioGainControl);
    json_add_int(config, "outputVolume", info.outputVolume);
    json_add_int(config, "audioBitrate", info.audioBitrate);
    return config;
}

}  // namespace

// ---- stream capabilities ------------------------------------------------------------------------

// "/2009": a camera's streams (channels 0 to 15), with its channel settings.
int on_get_camera_stream(const char *arg) {
    int channel = 0;
    if (on_cgi_get_value_by_json(arg, "chnid", &channel) != 0 || channel < 0 || channel >= kStreamChannels)
        return cgi_error_to_webserver(kJson);
    read_stream_channel(channel);
    int32_t payload = channel;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestStreamCaps, &payload, sizeof payload, kJson);
    return 0;
}

// 8204: {"stateCode"} and, when it is 0, the capabilities (a reply without them is no reply).
int on_get_camera_stream_cb(const ReplyView &reply) {
    int32_t state = reply.number(0);
    StreamCapsReply caps;
    if (state == 0 && !reply.copy(0, &caps, sizeof caps)) return 0;
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "stateCode", state);
    if (answer && state == 0) add_stream_caps(answer, caps, g_stream_channel);
    return cgi_reply_json(answer);
}

// ---- stream changes ---------------------------------------------------------------------------------

// "/2010": the streams of camera "id". The change is logged when the daemon reports it done.
int on_set_camera_stream(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !check_stream_request(request, &channel)) return 0;
    StreamRequest payload;
    memset(&payload, 0, sizeof payload);
    fill_channel_text(payload.channels, "");
    payload.channels[channel] = '1';
    payload.transmitProtocol = payload.syncTime = payload.reserved76 = -1;
    for (int32_t &word : payload.tail) word = -1;
    store_stream_fields(request, &payload, kStreamFields, NVR_ARRAY_COUNT(kStreamFields));
    store_stream_fields(request, &payload, kOneStreamFields, NVR_ARRAY_COUNT(kOneStreamFields));
    change_streams(payload);
    if (g_streams_changed.load() & (1ULL << channel)) cgi_log_operation(on_camera_ipc_callback, 212, 903, channel + 1);
    return 0;
}

// "/2030": the streams of the cameras of the "chans" text.
int on_set_camera_streams(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    const char *channels = text_key(request, "chans");
    if (!request || !channels) return cgi_error_to_webserver(kJson);
    StreamRequest payload;
    memset(&payload, 0, sizeof payload);
    fill_channel_text(payload.channels, channels);
    store_stream_fields(request, &payload, kStreamFields, NVR_ARRAY_COUNT(kStreamFields));
    store_stream_fields(request, &payload, kBatchStreamFields, NVR_ARRAY_COUNT(kBatchStreamFields));
    change_streams(payload);
    return 0;
}

// 8203: {"res": the channel text of the set the daemon changed}.
int on_set_camera_stream_cb(const ReplyView &reply) {
    uint64_t changed = static_cast<uint32_t>(reply.number(0)) | static_cast<uint64_t>(static_cast<uint32_t>(reply.number(4))) << 32;
    g_streams_changed.store(changed);
    char text[65];
    channel_set_text(changed, text);
    json_object *answer = json_object_new_object();
    if (answer) json_add_text(answer, "res", text);
    return cgi_reply_json(answer);
}

// ---- audio ------------------------------------------------------------------------------------------

// "/2063": the camera's audio settings and what it can do.
int on_cgi_get_ipc_audio_info(const char *arg) { return ask_camera(arg, "chnid", kRequestAudioInfo, kJson); }

// 8371: the counts of encodings, sample rates and bitrates are cut to what the reply can hold.
int on_cgi_get_ipc_audio_info_cb(const ReplyView &reply) {
    AudioInfoReply info;
    if (!reply.copy(0, &info, sizeof info)) return 0;
    json_object *answer = json_object_new_object();
    if (answer) {
        json_add_int(answer, "res", info.res);
        json_add_int(answer, "support", info.support);
        json_add_int(answer, "supportMode", info.supportMode);
        json_add_int(answer, "supportInputMode", info.supportInputMode);
        json_object_object_add(answer, "config", audio_config_json(info));
        json_object_object_add(answer, "options", audio_options_json(info));
    }
    return cgi_reply_json(answer);
}

// "/2064": audio settings of camera "chnid", also for the cameras of the "channels" text.
int on_cgi_set_ipc_audio_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    AudioRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "chnid", &payload.chnid))
        return cgi_error_to_webserver(kJson);
    payload.channels = get_channel_mask(text_key(request, "channels")) | 1ULL << payload.chnid;
    store_entry_fields(request, &payload, sizeof payload, kAudioFields, NVR_ARRAY_COUNT(kAudioFields));
    cgi_ask_daemon(on_camera_ipc_callback, kRequestSetAudio, &payload, sizeof payload, kJson);
    return 0;
}
