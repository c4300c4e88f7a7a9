// Reply handlers of the camera-side picture routes: the camera's overlay (8210, 8211) and its
// privacy masks (7502). Each payload is read only as far as it holds whole records.
#include <json-c/json.h>
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "video/camera_overlay_payloads.h"
#include "video/reply_answer.h"
#include "video/video_replies.h"

namespace {

constexpr int kMaxCameras = 64;

json_object *overlay_json(const CameraOverlayRecord &r) {
    json_object *answer = json_object_new_object();
    if (!answer) return nullptr;
    json_add_int(answer, "enable_text", r.enable_text);
    json_add_text(answer, "text_name", field_text(r.text_name, sizeof r.text_name).c_str());
    json_add_int(answer, "textpos", r.textpos);
    json_add_int(answer, "enable_date", r.enable_date);
    json_add_int(answer, "datepos", r.datepos);
    json_add_int(answer, "dateformat", r.dateformat);
    json_add_int(answer, "enable_text_sub", r.enable_text_sub);
    json_add_text(answer, "text_name_sub", field_text(r.text_name_sub, sizeof r.text_name_sub).c_str());
    json_add_int(answer, "textpos_sub", r.textpos_sub);
    json_add_int(answer, "enable_date_sub", r.enable_date_sub);
    json_add_int(answer, "datepos_sub", r.datepos_sub);
    json_add_int(answer, "dateformat_sub", r.dateformat_sub);
    json_add_int(answer, "disconnect", 1);
    return answer;
}

// Areas in use of a camera's masks: "maxMaskSum", 0 to 28.
int mask_areas_in_use(const CameraPrivacyMaskRecord &r) {
    if (r.maxMaskSum < 0) return 0;
    return r.maxMaskSum > kCameraMaskAreas ? kCameraMaskAreas : r.maxMaskSum;
}

json_object *mask_area_json(const CameraMaskArea &a) {
    json_object *area = json_object_new_object();
    json_add_int(area, "area_id", a.area_id);
    json_add_int(area, "enable", a.enable);
    json_add_int(area, "start_x", a.start_x);
    json_add_int(area, "start_y", a.start_y);
    json_add_int(area, "area_width", a.area_width);
    json_add_int(area, "area_height", a.area_height);
    json_add_int(area, "width", kPageWidth);
    json_add_int(area, "height", kPageHeight);
    json_add_int(area, "fill_color", a.fill_color);
    json_add_int(area, "left", a.start_x);
    json_add_int(area, "top", a.start_y);
    json_add_int(area, "right", a.area_width);
    json_add_int(area, "bottom", a.area_height);
    json_add_int(area, "ratio", a.ratio);
    json_add_text(area, "name", field_text(a.name, sizeof a.name).c_str());
    return area;
}

json_object *camera_masks_json(const CameraPrivacyMaskRecord &r) {
    json_object *masks = json_object_new_object();
    json_add_int(masks, "id", r.id);
    json_add_int(masks, "num", r.num);
    json_add_int(masks, "maxPtzZoomRatio", r.maxPtzZoomRatio);
    json_add_int(masks, "areaEnable", r.areaEnable);
    json_add_int(masks, "enable", r.enable);
    json_add_text(masks, "sdkversion", field_text(r.sdkversion, sizeof r.sdkversion).c_str());
    json_add_int(masks, "cgiSdkFlag", r.cgiSdkFlag);
    json_add_text(masks, "colorList", field_text(r.colorList, sizeof r.colorList).c_str());
    json_add_int(masks, "mosaicSupport", r.mosaicSupport);
    json_add_int(masks, "mosaicNum", r.mosaicNum);
    json_add_int(masks, "colorSupport", r.colorSupport);
    json_add_int(masks, "maxMaskSum", r.maxMaskSum);
    json_object *areas = json_object_new_array();
    for (int k = 0; k < mask_areas_in_use(r); k++) json_object_array_add(areas, mask_area_json(r.area[k]));
    json_object_object_add(masks, "area", areas);
    return masks;
}

}  // namespace

int on_set_osdconfig_cb(const void *payload, int length) {
    int status = 0;
    if (!reply_word(payload, length, 0, &status)) return -1;  // no status: the route's time-out answers
    const char *text = status == 0 ? "OK" : status == -1 ? "NO_SUPPORT" : "ERROR";
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done();
    return 0;
}

int on_get_osdconfig_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(CameraOverlayRecord))) {
        cgi_error_to_webserver(kTextPlain);
        cgi_reply_done();
        return 0;
    }
    CameraOverlayRecord record;
    memcpy(&record, payload, sizeof record);
    if (record.ch < 0) {
        json_object *answer = json_object_new_object();
        if (answer) json_add_int(answer, "disconnect", 0);
        return cgi_reply_json(answer);
    }
    return cgi_reply_json(overlay_json(record));
}

int on_get_ipc_privacy_mask_cb(const void *payload, int length) {
    int count = payload && length > 0 ? length / static_cast<int>(sizeof(CameraPrivacyMaskRecord)) : 0;
    if (count == 0) return -1;  // no whole record: the route's time-out answers
    if (count > kMaxCameras) count = kMaxCameras;
    json_object *answer = json_object_new_array();
    if (!answer) return cgi_reply_json(nullptr);
    static CameraPrivacyMaskRecord record;
    for (int i = 0; i < count; i++) {
        memcpy(&record, static_cast<const char *>(payload) + static_cast<size_t>(i) * sizeof record, sizeof record);
        json_object_array_add(answer, camera_masks_json(record));
    }
    return cgi_reply_json(answer);
}
