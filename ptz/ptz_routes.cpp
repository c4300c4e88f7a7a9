// PTZ control routes of module "/5000": moving and zooming, presets, tours, patterns, speeds
// relayed to cameras, camera-side control, LED status and basic settings.
#include <stdio.h>
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "ptz/ptz_module.h"
#include "ptz/ptz_payloads.h"

namespace {

constexpr int kActionSavePreset = 22;
constexpr int kActionAutoFocusRun = 21;
constexpr int kActionAutoFocus = 12;

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

// A channel key: missing reads as channel 0, as the pages expect; a value outside 0 to 63 is refused.
bool read_channel_or_zero(json_object *request, const char *key, int *channel) {
    *channel = json_int_or(request, key, 0);
    return *channel >= 0 && *channel < kQvdbChannels;
}

// A channel key that must be given, 0 to 63.
bool read_required_channel(json_object *request, const char *key, int *channel) {
    return read_int(request, key, channel) && *channel >= 0 && *channel < kQvdbChannels;
}

// Cameras the device has: "max_cameras", at most 64.
int camera_count() {
    int cameras = get_param_int(QVDB_PATH, "max_cameras", 32);
    return cameras > kQvdbChannels ? kQvdbChannels : cameras;
}

// The channel of "/5000" and "/5001": present, 0 to the number of cameras - 1.
bool read_camera_channel(json_object *request, int *channel) {
    return read_int(request, "channelId", channel) && *channel >= 0 && *channel < camera_count();
}

// Relays a setting of page "vsetting.html" to a channel's camera (3226) and waits: "OK" from
// the reply, else "CGI ERROR".
void relay_camera_setting(int channel, const char *key, const char *value) {
    CameraSettingRelay relay;
    memset(&relay, 0, sizeof relay);
    relay.channel = channel;
    copy_text_field(relay.page, sizeof relay.page, "vsetting.html");
    copy_text_field(relay.key, sizeof relay.key, key);
    copy_text_field(relay.value, sizeof relay.value, value);
    cgi_ask_daemon(on_ptz_ipc_callback, kRequestCameraSetting, &relay, sizeof relay, kTextPlain);
}

// The camera's "ptzspeed" for a speed v: v - 1 when v is 1 or more, else 1.
void relay_ptz_speed(int channel, int speed) {
    char value[16];
    snprintf(value, sizeof value, "%d", speed >= 1 ? speed - 1 : 1);
    relay_camera_setting(channel, "ptzspeed", value);
}

// The four speeds of a command; with required, each must be given and be 0 or more.
bool read_speeds(json_object *request, PtzCommand *command, bool required) {
    struct {
        const char *key;
        int32_t *field;
    } speeds[] = {{"panSpeed", &command->pan_speed},
                  {"tiltSpeed", &command->tilt_speed},
                  {"zoomSpeed", &command->zoom_speed},
                  {"focusSpeed", &command->focus_speed}};
    for (auto &speed : speeds) {
        if (!required) *speed.field = json_int_or(request, speed.key, 0);
        else if (!read_int(request, speed.key, speed.field) || *speed.field < 0) return false;
    }
    return true;
}

// A tour command of "/5002" and "/5003": chn, tourid, fisheyeType, streamId.
int send_tour_command(const char *arg, int request_code) {
    JsonRef request(get_request_tokener_json_object(arg));
    PtzTourCommand command;
    memset(&command, 0, sizeof command);
    if (!request || !read_channel_or_zero(request, "chn", &command.channel)) return 0;
    command.tour = json_int_or(request, "tourid", 0);
    command.fisheye_type = json_int_or(request, "fisheyeType", 0);
    command.stream = json_int_or(request, "streamId", 0);
    ptz_notify(request_code, &command, sizeof command);
    answer_ok();
    ptz_log(kPtzLogAction, command.channel);
    return 0;
}

// Asks the daemon about the channel of a required key (4 bytes); the reply, or the JSON error,
// answers.
int ask_about_required_channel(const char *arg, const char *key, int request_code) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_required_channel(request, key, &channel)) return cgi_error_to_webserver(kJson);
    int32_t payload = channel;
    cgi_ask_daemon(on_ptz_ipc_callback, request_code, &payload, sizeof payload, kJson);
    return 0;
}

// The pattern command for the page's pattern action.
int pattern_command(int action) {
    static const int kCommands[] = {26, 21, 25, 27, 40};
    return action >= 0 && action < 5 ? kCommands[action] : 0;
}

}  // namespace

void ptz_notify(int request_code, const void *payload, int length) {
    cgi_notify_daemon(on_ptz_ipc_callback, request_code, payload, length);
}

void ptz_log(int parameter, int channel) {
    cgi_log_operation(on_ptz_ipc_callback, kPtzLogSubType, parameter, channel + 1);
}

// "/5000": moves a camera, then relays its pan speed to it.
int on_send_ptz_cmd(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PtzCommand command;
    memset(&command, 0, sizeof command);
    if (!request || !read_camera_channel(request, &command.channel) || !read_int(request, "action", &command.action) ||
        command.action < 0)
        return 0;
    read_speeds(request, &command, false);
    command.fisheye_type = json_int_or(request, "fisheyeType", 0);
    command.stream = json_int_or(request, "streamId", 0);
    ptz_notify(kRequestPtzCommand, &command, sizeof command);
    if (command.action == kActionAutoFocusRun && json_int_or(request, "isAutoFocus", 0) == 1) {
        command.action = kActionAutoFocus;
        ptz_notify(kRequestPtzCommand, &command, sizeof command);
    }
    relay_ptz_speed(command.channel, command.pan_speed);
    ptz_log(kPtzLogAction, command.channel);
    return 0;
}

// "/5001": a preset action; saving a fisheye preset also names it on the camera.
int on_preset_op(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PtzCommand command;
    memset(&command, 0, sizeof command);
    if (!request || !read_camera_channel(request, &command.channel) ||
        !read_int(request, "presetId", &command.number) || command.number < 0 || command.number > kPtzPresets ||
        !read_int(request, "action", &command.action) || command.action < 0 || !read_speeds(request, &command, true))
        return 0;
    command.fisheye_type = json_int_or(request, "fisheyeType", 0);
    command.stream = json_int_or(request, "streamId", 0);
    char name[32] = "";
    on_cgi_get_string_from_json(request, "name", name, sizeof name);
    if (command.action == kActionSavePreset) copy_text_span(command.preset_name, sizeof command.preset_name, name, kPtzPresetNameChars);
    ptz_notify(kRequestPtzPreset, &command, sizeof command);
    if (command.fisheye_type == 1 && command.action == kActionSavePreset) {
        char value[sizeof(CameraSettingRelay::value)];
        snprintf(value, sizeof value, "%d:%d:%s", command.stream, command.number, name);
        relay_camera_setting(command.channel, "ipncptz=setfishpreset", value);
    } else {
        answer_ok();
    }
    ptz_log(kPtzLogSettings, command.channel);
    return 0;
}

// "/5002", "/5003": runs or stops a tour.
int on_set_ptz_tour_run(const char *arg) { return send_tour_command(arg, kRequestPtzTourRun); }
int on_set_ptz_tour_stop(const char *arg) { return send_tour_command(arg, kRequestPtzTourStop); }

// "/5004": runs, records or stops a pattern.
int on_set_ptz_pattern(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PtzCommand command;
    memset(&command, 0, sizeof command);
    if (!request || !read_channel_or_zero(request, "chn", &command.channel)) return 0;
    command.action = pattern_command(json_int_or(request, "action", 0));
    command.number = json_int_or(request, "tourid", 0);
    ptz_notify(kRequestPtzPattern, &command, sizeof command);
    answer_ok();
    ptz_log(kPtzLogSettings, command.channel);
    return 0;
}

// "/5005": the camera's presets, tours, patterns and scan states.
int on_get_ptz_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_or_zero(request, "chn", &channel)) return 0;
    if (json_int_or(request, "fisheyeType", 0) != 0) {
        int32_t payload[2] = {channel, json_int_or(request, "streamId", 0)};
        cgi_ask_daemon(on_ptz_ipc_callback, kRequestPtzFisheyeState, payload, sizeof payload, kJson);
    } else {
        int32_t payload = channel;
        cgi_ask_daemon(on_ptz_ipc_callback, kRequestPtzState, &payload, sizeof payload, kJson);
    }
    return 0;
}

// "/5006": calls a preset.
int on_set_ptz_preset_call(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_or_zero(request, "channelId", &channel)) return 0;
    int32_t payload[2] = {channel, json_int_or(request, "action", 0)};
    ptz_notify(kRequestPtzPresetCall, payload, sizeof payload);
    answer_ok();
    ptz_log(kPtzLogAction, channel);
    return 0;
}

// "/5007": zooms a camera.
int on_set_ptz_zomm(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_or_zero(request, "camId", &channel)) return 0;
    int32_t payload[3] = {channel, json_int_or(request, "Zoom", 0), json_int_or(request, "ZoomSpeed", 0)};
    ptz_notify(kRequestPtzZoom, payload, sizeof payload);
    answer_ok();
    ptz_log(kPtzLogAction, channel);
    return 0;
}

// "/5008": relays a PTZ speed to a camera.
int on_set_ipc_speed(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_or_zero(request, "chn", &channel)) return 0;
    relay_ptz_speed(channel, json_int_or(request, "Speed", 0));
    ptz_log(kPtzLogSettings, channel);
    return 0;
}

// "/5009": a camera-side PTZ command.
int on_cgi_set_ptz_control(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_required_channel(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    int32_t payload[2] = {channel, json_int_or(request, "ptzCmd", 0)};
    cgi_ask_daemon(on_ptz_ipc_callback, kRequestPtzControl, payload, sizeof payload, kJson);
    ptz_log(kPtzLogSettings, channel);
    return 0;
}

// "/5010", "/5011": the camera's LED status, its basic PTZ settings.
int on_cgi_get_led_status(const char *arg) { return ask_about_required_channel(arg, "chnid", kRequestLedStatus); }
int on_cgi_get_ptz_basic(const char *arg) { return ask_about_required_channel(arg, "chnId", kRequestPtzBasic); }

// "/5012": sets the basic PTZ settings of the camera, and of the cameras of "channelMask".
int on_cgi_set_ptz_basic(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PtzBasicSettings settings;
    memset(&settings, 0, sizeof settings);
    if (!request || !read_required_channel(request, "chnId", &settings.chnId)) return cgi_error_to_webserver(kJson);
    struct {
        const char *key;
        int32_t *field;
    } keys[] = {
        {"zoomStatus", &settings.zoomStatus},         {"panTiltStatus", &settings.panTiltStatus},
        {"presetStatus", &settings.presetStatus},     {"patrolStatus", &settings.patrolStatus},
        {"patternStatus", &settings.patternStatus},   {"autoScanStatus", &settings.autoScanStatus},
        {"presetFreezing", &settings.presetFreezing}, {"presetSpeed", &settings.presetSpeed},
        {"manualSpeed", &settings.manualSpeed},       {"patrolRecovering", &settings.patrolRecovering},
        {"patrolRecoveryTime", &settings.patrolRecoveryTime}, {"focusMode", &settings.focusMode},
        {"minFocusDistance", &settings.minFocusDistance},     {"resumeTime", &settings.resumeTime},
        {"fanWorkingMode", &settings.fanWorkingMode},
    };
    for (auto &key : keys) *key.field = json_int_or(request, key.key, 0);
    char mask[65] = "";
    on_cgi_get_string_from_json(request, "channelMask", mask, sizeof mask);
    copy_text_field(settings.channelMask, sizeof settings.channelMask, mask);
    cgi_ask_daemon(on_ptz_ipc_callback, kRequestPtzSetBasic, &settings, sizeof settings, kJson);
    return 0;
}
