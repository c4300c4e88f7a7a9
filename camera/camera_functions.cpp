// Camera-side function routes of module "/2001": motion status, the camera's own motion detection,
// its log, automatic tracking, PTZ support, watermark, event stream, plate night mode, what the
// camera supports and a free URL query. The camera keeps all of it; the routes relay.
#include <string.h>

#include <memory>

#include "camera/camera_functions.h"
#include "camera/camera_module.h"
#include "camera/camera_relay.h"
#include "camera/camera_request.h"
#include "camera/function_payloads.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"

namespace {

#define NUMBER_AT(key, offset) \
    EntryField { key, offset, 4, EntryFieldKind::Number }
#define TEXT_AT(key, offset, size) \
    EntryField { key, offset, size, EntryFieldKind::Text }

const EntryField kWatermarkAnswerFields[] = {
    NUMBER_AT("chnid", 0), NUMBER_AT("enable", 4), TEXT_AT("watermark", 12, 32),
};
const EntryField kEventStreamAnswerFields[] = {
    ENTRY_NUMBER(EventStreamRecord, chnid),     ENTRY_NUMBER(EventStreamRecord, enable),
    ENTRY_NUMBER(EventStreamRecord, framerate), ENTRY_NUMBER(EventStreamRecord, bitrate),
    ENTRY_NUMBER(EventStreamRecord, iframeinterval),
};
const EntryField kEventStreamRequestFields[] = {
    ENTRY_NUMBER(EventStreamRecord, enable), ENTRY_NUMBER(EventStreamRecord, framerate),
    ENTRY_NUMBER(EventStreamRecord, bitrate), ENTRY_NUMBER(EventStreamRecord, iframeinterval),
};
const EntryField kNightModeFields[] = {
    ENTRY_NUMBER(LprNightModeReply, chnid),
    ENTRY_NUMBER(LprNightModeReply, nightMode),
};
const EntryField kSystemInfoFields[] = {
    NUMBER_AT("res", 0),
    NUMBER_AT("audioSupport", 4),
    NUMBER_AT("audioSupportMode", 8),
    NUMBER_AT("audioLineInputSupport", 12),
    NUMBER_AT("systemSpeakerSupport", 16),
    NUMBER_AT("systemManualSpeedSupport", 20),
    NUMBER_AT("systemAutoTrackingSupport", 164),
};

// The camera's motion detection: every key but the schedule, in the page's order.
const EntryField kCameraMotionFields[] = {
    ENTRY_NUMBER(CameraMotionRecord, chnid),     ENTRY_NUMBER(CameraMotionRecord, enable),
    ENTRY_NUMBER(CameraMotionRecord, sensitivity), ENTRY_NUMBER(CameraMotionRecord, minsize),
    ENTRY_NUMBER(CameraMotionRecord, mintime),   ENTRY_NUMBER(CameraMotionRecord, adaptability),
    ENTRY_TEXT(CameraMotionRecord, map_mask),
};

// Automatic tracking: the keys before the schedule, in the page's order.
const EntryField kTrackingFields[] = {
    ENTRY_NUMBER(TrackingRecord, chnid),           ENTRY_NUMBER(TrackingRecord, enable),
    ENTRY_NUMBER(TrackingRecord, show),            ENTRY_NUMBER(TrackingRecord, sensitivity),
    ENTRY_NUMBER(TrackingRecord, time),            ENTRY_NUMBER(TrackingRecord, manual_tracking),
    ENTRY_NUMBER(TrackingRecord, zoom_mode),       ENTRY_NUMBER(TrackingRecord, zoom_number),
    ENTRY_TEXT(TrackingRecord, area),              ENTRY_NUMBER(TrackingRecord, humanVehicleSupport),
    ENTRY_NUMBER(TrackingRecord, trackingObject),  ENTRY_NUMBER(TrackingRecord, reportMotion),
};

#undef NUMBER_AT
#undef TEXT_AT

// Sends a request and waits; the JSON error on silence.
void ask_json(int request_code, const void *payload, int length) {
    cgi_ask_daemon(on_camera_ipc_callback, request_code, payload, length, kJson);
}

}  // namespace

// ---- motion status and the camera's motion detection -----------------------------------------------

// "/2028": which cameras see motion now.
int on_web_get_motion_status(const char *) {
    cgi_ask_daemon(on_camera_ipc_callback, kRequestMotionStatus, nullptr, 0, kTextPlain);
    return 0;
}

// 8307: {"Motion": '1' for each channel of the reply's set}.
int on_web_get_motion_status_cb(const ReplyView &reply) {
    uint64_t set = 0;
    reply.copy(0, &set, sizeof set);
    char text[65];
    channel_set_text(set, text);
    json_object *answer = json_object_new_object();
    if (answer) json_add_text(answer, "Motion", text);
    return cgi_reply_json(answer);
}

// "/2051": the camera's own motion detection.
int on_get_camera_motion(const char *arg) { return ask_camera(arg, "chnid", kRequestCameraMotion, kJson); }

// 8358: the settings with the schedule in the camera form.
int on_get_camera_motion_cb(const ReplyView &reply) {
    std::unique_ptr<CameraMotionRecord> record(new CameraMotionRecord());
    if (!reply.copy(0, record.get(), sizeof *record)) return 0;
    json_object *answer = json_object_new_object();
    if (answer) {
        add_entry_fields(answer, reply, 0, kCameraMotionFields, NVR_ARRAY_COUNT(kCameraMotionFields));
        json_object_object_add(answer, "effective", get_schedule_json_object_ipc(&record->schedule));
        json_add_int(answer, "isNtPlatform", record->isNtPlatform);
    }
    return cgi_reply_json(answer);
}

// "/2052": the camera's motion detection, also for the cameras of "copyChn".
int on_set_camera_motion(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    std::unique_ptr<CameraMotionRequest> payload(new CameraMotionRequest());
    CameraMotionRecord &record = payload->record;
    if (!request || !read_channel_key(request, "chnid", &record.chnid)) return cgi_error_to_webserver(kJson);
    payload->channels = get_copy_flag_by_json(request, "copyChn", "copyCnt") | 1ULL << record.chnid;
    STORE_FIELDS(request, &record, kCameraMotionFields);
    get_schedule_by_json_ipc(request, "effective", &record.schedule);
    ask_json(kRequestSetCameraMotion, payload.get(), sizeof *payload);
    return 0;
}

// ---- the camera's log ------------------------------------------------------------------------------

// "/2053": the camera's log entries of a type and time, as the camera writes them.
int on_get_camera_log(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    CameraLogRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "chnid", &payload.chnid)) return cgi_error_to_webserver(kJson);
    payload.mainType = number_key(request, "mainType");
    payload.subType = number_key(request, "subType");
    store_text_key(request, "time", payload.time, sizeof payload.time);
    ask_json(kRequestCameraLog, &payload, sizeof payload);
    return 0;
}

// 8360: the reply's text; the text error when it is empty.
int on_get_camera_log_cb(const ReplyView &reply) {
    std::string text = reply.text(0, reply.length());
    if (text.empty()) cgi_error_to_webserver(kTextPlain);
    else cgi_writeback_webserver(kTextPlain, text.c_str());
    cgi_reply_done();
    return 0;
}

// ---- automatic tracking ------------------------------------------------------------------------------

// "/2054": the camera's automatic tracking.
int on_cgi_get_auto_tracking_status(const char *arg) { return ask_camera(arg, "chnid", kRequestTracking, kJson); }

int on_cgi_get_auto_tracking_status_cb(const ReplyView &reply) {
    std::unique_ptr<TrackingRecord> record(new TrackingRecord());
    if (!reply.copy(0, record.get(), sizeof *record)) return 0;
    json_object *answer = json_object_new_object();
    if (answer) {
        add_entry_fields(answer, reply, 0, kTrackingFields, NVR_ARRAY_COUNT(kTrackingFields));
        json_object_object_add(answer, "schedule", get_schedule_json_object(&record->schedule));
    }
    return cgi_reply_json(answer);
}

// "/2055": automatic tracking of camera "chnid", also for the cameras of the "channels" text. The
// schedule is sent only when "schedule" holds one.
int on_cgi_set_auto_tracking_status(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    std::unique_ptr<TrackingRequest> payload(new TrackingRequest());
    TrackingRecord &record = payload->record;
    if (!request || !read_channel_key(request, "chnid", &record.chnid)) return cgi_error_to_webserver(kJson);
    payload->channels = get_channel_mask(text_key(request, "channels")) | 1ULL << record.chnid;
    STORE_FIELDS(request, &record, kTrackingFields);
    get_schedule_by_json(request, "schedule", &record.schedule);
    ask_json(kRequestSetTracking, payload.get(), sizeof *payload);
    return 0;
}

// ---- PTZ support, watermark, event stream, plate night mode -----------------------------------------------

// "/2056": whether the camera has PTZ.
int on_cgi_get_ptz_support(const char *arg) { return ask_camera(arg, "chnid", kRequestPtzSupport, kJson); }

// "/2058": the camera's watermark.
int on_cgi_get_watermark(const char *arg) { return ask_camera(arg, "chnid", kRequestWatermark, kJson); }
int on_cgi_get_watermark_cb(const ReplyView &reply) { return REPLY_FIELDS(reply, kWatermarkAnswerFields); }

// "/2059": the watermark of camera "chnid", also for the cameras of the "copy" text.
int on_cgi_set_watermark(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    WatermarkRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "chnid", &payload.chnid)) return cgi_error_to_webserver(kJson);
    payload.enable = number_key(request, "enable");
    store_text_key(request, "watermark", payload.watermark, sizeof payload.watermark);
    fill_channel_text(payload.copy, text_key(request, "copy"));
    payload.copy[payload.chnid] = '1';
    ask_json(kRequestSetWatermark, &payload, sizeof payload);
    return 0;
}

// "/2060": the camera's event stream (for a fisheye camera, of one of its views).
int on_cgi_get_ipc_event_stream(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    EventStreamQuery payload;
    if (!request || !read_channel_key(request, "chnid", &payload.chnid)) return cgi_error_to_webserver(kJson);
    payload.fisheyeType = number_key(request, "fisheyeType");
    ask_json(kRequestEventStream, &payload, sizeof payload);
    return 0;
}
int on_cgi_get_ipc_event_stream_cb(const ReplyView &reply) { return REPLY_FIELDS(reply, kEventStreamAnswerFields); }

// "/2061": the camera's event stream.
int on_cgi_set_ipc_event_stream(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    EventStreamRecord payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "chnid", &payload.chnid)) return cgi_error_to_webserver(kJson);
    STORE_FIELDS(request, &payload, kEventStreamRequestFields);
    ask_json(kRequestSetEventStream, &payload, sizeof payload);
    return 0;
}

// "/2062": the plate camera's night mode.
int on_cgi_get_ipc_lpr_night_mode(const char *arg) { return ask_camera(arg, "chnid", kRequestLprNightMode, kJson); }
int on_cgi_get_ipc_lpr_night_mode_cb(const ReplyView &reply) { return REPLY_FIELDS(reply, kNightModeFields); }

// ---- what the camera supports, and a free URL query -------------------------------------------------------

// "/2065": what the camera supports.
int on_cgi_get_ipc_system_info(const char *arg) { return ask_camera(arg, "chnid", kRequestSystemInfo, kJson); }
int on_cgi_get_ipc_system_info_cb(const ReplyView &reply) { return REPLY_FIELDS(reply, kSystemInfoFields); }

// "/2068": a URL of the camera's own interface; a channel outside 0 to 63 gets the text error.
int on_cgi_get_ipc_custom_param(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    CustomParamRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!read_channel_key(request, "chnid", &payload.chnid)) return cgi_error_to_webserver(kTextPlain);
    store_text_key(request, "url", payload.url, sizeof payload.url);
    ask_json(kRequestCustomParam, &payload, sizeof payload);
    return 0;
}

// 8377: {"res", "chnid", "data": the text from byte 8}.
int on_cgi_get_ipc_custom_param_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) {
        json_add_int(answer, "res", reply.number(0));
        json_add_int(answer, "chnid", reply.number(4));
        json_add_text(answer, "data", reply.text(kCustomParamReplyData, reply.length()).c_str());
    }
    return cgi_reply_json(answer);
}
