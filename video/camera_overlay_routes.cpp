// Camera-side picture routes of module "/6000" that wait for the daemon: the camera's text and
// date overlay, its privacy masks and model, and the fisheye settings.
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/camera_overlay_payloads.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

// Asks the daemon about the channel of an "id" (or other) key, 0 to 63; a bad request is not
// answered and nothing is sent. A time-out answers the error of `error_kind`.
int ask_about_channel(const char *arg, const char *key, int request_code, int error_kind) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, key, &channel)) return 0;
    int32_t payload = channel;
    cgi_ask_daemon(on_video_ipc_callback, request_code, &payload, sizeof payload, error_kind);
    return 0;
}

// Every key the overlay set requires; false when one is missing or "ch" is not 0 to 63.
bool read_required_overlay(json_object *request, CameraOverlayRecord *record) {
    return read_channel_key(request, "ch", &record->ch) &&
           on_cgi_get_int_from_json(request, "enable_text", &record->enable_text) == 0 &&
           on_cgi_get_string_from_json(request, "text_name", record->text_name, sizeof record->text_name) == 0 &&
           on_cgi_get_int_from_json(request, "textpos", &record->textpos) == 0 &&
           on_cgi_get_int_from_json(request, "enable_date", &record->enable_date) == 0 &&
           on_cgi_get_int_from_json(request, "datepos", &record->datepos) == 0 &&
           on_cgi_get_int_from_json(request, "dateformat", &record->dateformat) == 0 &&
           on_cgi_get_int_from_json(request, "fontSize", &record->fontSize) == 0;
}

// The secondary-stream overlay and the type, each when present.
void read_optional_overlay(json_object *request, CameraOverlayRecord *record) {
    on_cgi_get_int_from_json(request, "enable_text_sub", &record->enable_text_sub);
    on_cgi_get_string_from_json(request, "text_name_sub", record->text_name_sub, sizeof record->text_name_sub);
    on_cgi_get_int_from_json(request, "textpos_sub", &record->textpos_sub);
    on_cgi_get_int_from_json(request, "enable_date_sub", &record->enable_date_sub);
    on_cgi_get_int_from_json(request, "datepos_sub", &record->datepos_sub);
    on_cgi_get_int_from_json(request, "dateformat_sub", &record->dateformat_sub);
    on_cgi_get_int_from_json(request, "fontSizeSub", &record->fontSizeSub);
    on_cgi_get_int_from_json(request, "type", &record->type);
}

void read_fisheye_camera(json_object *request, FisheyeCheckRecord *camera) {
    on_cgi_get_string_from_json(request, "ddns", camera->ddns, sizeof camera->ddns);
    on_cgi_get_string_from_json(request, "ipaddr", camera->ipaddr, sizeof camera->ipaddr);
    on_cgi_get_string_from_json(request, "username", camera->username, sizeof camera->username);
    on_cgi_get_string_from_json(request, "password", camera->password, sizeof camera->password);
    camera->port = json_int_or(request, "port", 0);
}

}  // namespace

// "/6997": the camera's overlay of channel "id" (reply 8211).
int on_get_osdconfig(const char *arg) { return ask_about_channel(arg, "id", kRequestOverlayQuery, kTextPlain); }

// "/6996": set the camera's overlay (reply 8210).
int on_set_osdconfig(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    static CameraOverlayRecord record;
    memset(&record, 0, sizeof record);
    if (!request || !read_required_overlay(request, &record)) return 0;
    read_optional_overlay(request, &record);
    cgi_ask_daemon(on_video_ipc_callback, kRequestOverlaySet, &record, sizeof record, kTextPlain);
    return 0;
}

// "/6115": the camera's privacy masks (reply 7502).
int on_get_privacy_mask_ovf(const char *arg) {
    return ask_about_channel(arg, "id", kRequestPrivacyMaskQuery, kTextPlain);
}

// "/6198": start editing one mask of a camera (reply 8353).
int on_cgi_set_privacy_edit(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PrivacyMaskEdit payload = {0, 0};
    if (!request || !read_channel_key(request, "chnid", &payload.chnid)) return 0;
    payload.maskid = json_int_or(request, "maskid", 0);
    cgi_ask_daemon(on_video_ipc_callback, kRequestPrivacyMaskEdit, &payload, sizeof payload, kJson);
    return 0;
}

// "/6116": the camera's model type (reply 7503).
int on_get_ipc_model_type(const char *arg) { return ask_about_channel(arg, "id", kRequestCameraModelType, kTextPlain); }

// "/6130": the fisheye modes of a camera (reply 8232).
int on_get_fisheye_info(const char *arg) { return ask_about_channel(arg, "id", kRequestFisheyeQuery, kTextPlain); }

// "/6131": set the fisheye modes of a camera (reply 8231).
int on_cgi_set_fisheye_mode(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    FisheyeMode payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "chnid", &payload.chnid)) return 0;
    payload.fishmount = json_int_or(request, "fishmount", 0);
    payload.fishdisplay = json_int_or(request, "fishdisplay", 0);
    payload.fishcorrect = json_int_or(request, "fishcorrect", 0);
    cgi_ask_daemon(on_video_ipc_callback, kRequestFisheyeModeSet, &payload, sizeof payload, kJson);
    return 0;
}

// "/6196": check a fisheye camera by its address (reply 8373).
int on_cgi_check_fisheye_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    FisheyeCheckRecord payload;
    memset(&payload, 0, sizeof payload);
    read_fisheye_camera(request, &payload);
    cgi_ask_daemon(on_video_ipc_callback, kRequestFisheyeCheck, &payload, sizeof payload, kJson);
    return 0;
}

// "/6197": set up a fisheye camera (reply 8374).
int on_cgi_set_fisheye_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    FisheyeSetRecord payload;
    memset(&payload, 0, sizeof payload);
    read_fisheye_camera(request, &payload.camera);
    payload.transfer = json_int_or(request, "transfer", 0);
    payload.install = json_int_or(request, "install", 0);
    payload.display = json_int_or(request, "display", 0);
    cgi_ask_daemon(on_video_ipc_callback, kRequestFisheyeSet, &payload, sizeof payload, kJson);
    return 0;
}
