// Reply dispatcher of module "/2001": one table of the replies the module waits for, each with
// the shortest payload that counts as a reply; and the answer helpers its reply handlers share.
#include <json-c/json.h>
#include <string.h>

#include "camera/camera_functions.h"
#include "camera/camera_module.h"
#include "camera/camera_payloads.h"
#include "camera/function_payloads.h"
#include "camera/image_payloads.h"
#include "camera/maintenance_payloads.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "frame/dispatchreq.h"

namespace {

struct CameraReply {
    int code;
    int min_length;  // a shorter payload is no reply: the waiting route gives its silence answer
    CameraReplyHandler handler;
};

// A payload without its minimum is dropped here, so every handler may read that much.
const CameraReply kCameraReplies[] = {
    // Camera channels. Lists count whole entries; an empty search or list still answers.
    {8200, 0, on_search_cameras_cb},
    {8201, 0, on_get_camera_list_cb},
    {8202, 4, on_check_camera_cb},
    {8205, 4, on_set_camera_network_cb},
    {8227, 4, on_check_camera_cb},
    {8230, 8, on_get_camera_network_results_cb},
    {7503, 4, on_get_camera_model_type_cb},
    {7505, 0, on_get_channels_model_cb},
    {7507, static_cast<int>(sizeof(ChannelModelEntry)), on_cgi_get_ipc_type_cb},
    // People counting groups and report backup.
    {7290, 4, on_cgi_res_cb},
    {7291, 4, on_cgi_res_cb},
    {7292, 4, on_cgi_res_cb},
    {7293, 4, on_cgi_res_cb},
    {6423, 0, on_cgi_res_zero_cb},
    // Point-of-sale overlay.
    {6421, 4, on_cgi_res_cb},
    // Face detection.
    {8381, 4, on_cgi_face_status_cb},
    // Image.
    {8221, static_cast<int>(sizeof(ImageEnhanceReply)), on_get_ipc_ipcimage_enhancement_cb},
    {8222, 4, on_cgi_ok_cb},
    {8223, static_cast<int>(sizeof(ImageDisplayReply)), on_get_ipc_ipcimage_display_cb},
    {8224, 4, on_cgi_ok_cb},
    {8225, static_cast<int>(sizeof(CameraParamReply)), on_get_ipc_common_param_cb},
    {8226, 4, on_cgi_ok_cb},
    {8271, kRoiReplySize, on_get_camera_roi_cb},
    {8273, kScheduleReplySize, on_get_camera_schedule_cb},
    {8275, kExposureScheduleReplySize, on_get_camera_exposure_schedule_cb},
    {8277, kScheduleReplySize, on_get_camera_schedule_2_cb},
    {8278, static_cast<int>(sizeof(DayNightReply)), on_get_camera_daynight_cb},
    // Streams, audio and camera-side functions. 8204 with state 0 needs its 556 bytes (its handler
    // checks); 8360 is text: its handler answers an empty one.
    {8203, kStreamReplySize, on_set_camera_stream_cb},
    {8204, 4, on_get_camera_stream_cb},
    {8307, 8, on_web_get_motion_status_cb},
    {8358, static_cast<int>(sizeof(CameraMotionRecord)), on_get_camera_motion_cb},
    {8360, 1, on_get_camera_log_cb},
    {8366, 4, on_cgi_res_cb},
    {8294, static_cast<int>(sizeof(TrackingRecord)), on_cgi_get_auto_tracking_status_cb},
    {8375, 4, on_cgi_res_cb},
    {6262, 4, on_cgi_res_cb},
    {6213, kWatermarkReplySize, on_cgi_get_watermark_cb},
    {6216, 4, on_cgi_res_cb},
    {6217, static_cast<int>(sizeof(EventStreamRecord)), on_cgi_get_ipc_event_stream_cb},
    {6218, 4, on_cgi_res_cb},
    {6219, static_cast<int>(sizeof(LprNightModeReply)), on_cgi_get_ipc_lpr_night_mode_cb},
    {8371, static_cast<int>(sizeof(AudioInfoReply)), on_cgi_get_ipc_audio_info_cb},
    {8372, 4, on_cgi_ok_cb},
    {8376, kSystemInfoReplySize, on_cgi_get_ipc_system_info_cb},
    {8377, kCustomParamReplyData, on_cgi_get_ipc_custom_param_cb},
    // Maintenance. 8386 answers the text error itself when it is shorter than its 72 bytes.
    {8493, kCalendarReplySize, on_get_record_calendar_cb},
    {9002, kLocalUiResultText, on_get_qt_cmd_result_cb},
    {9003, kLocalUiResultText, on_get_qt_cmd_result_cb},
    {9004, 1, on_get_get_chip_code_cb},
    {8385, 4, on_cgi_res_cb},
    {8386, 1, on_get_camera_upgrade_status_cb},
    {8379, static_cast<int>(sizeof(CameraUpgradeStatus)), on_upgrade_cameras_from_url_cb},
};

const CameraReply *find_reply(int code) {
    for (const CameraReply &reply : kCameraReplies)
        if (reply.code == code) return &reply;
    return nullptr;
}

}  // namespace

int on_camera_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    const CameraReply *reply = find_reply(header->code);
    if (!reply || header->length < reply->min_length) return 0;
    return reply->handler(ReplyView(payload, header->length));
}

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

json_object *new_answer_with_array(const char *key, json_object **array) {
    json_object *answer = json_object_new_object();
    *array = json_object_new_array();
    if (!answer || !*array) {
        if (*array) json_object_put(*array);
        if (answer) json_object_put(answer);
        *array = nullptr;
        return nullptr;
    }
    json_object_object_add(answer, key, *array);
    return answer;
}

int on_cgi_res_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "res", reply.number(0));
    return cgi_reply_json(answer);
}

int on_cgi_res_zero_cb(const ReplyView &) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "res", 0);
    return cgi_reply_json(answer);
}
