// Canned replies of the simulated daemon for the camera-side picture settings and regional people
// counting of module "/6000": overlay, privacy masks, camera model, fisheye cameras, regions.
#include <stdio.h>
#include <string.h>

#include "tools/nvrsimd/simd.h"
#include "video/camera_overlay_payloads.h"
#include "video/regional_payloads.h"

namespace {

int32_t requested_channel(const SimRequest &request) {
    int32_t channel = 0;
    if (request.payload.size() >= 4) memcpy(&channel, request.payload.data(), 4);
    return channel;
}

template <typename Record>
SimScript reply_record(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return sim_one_reply(Bytes(bytes, bytes + sizeof record));
}

SimScript reply_status(int32_t status) { return sim_one_reply(sim_words({status})); }

// 3211: the camera shows its name top left and the date top right (reply 8211).
SimScript overlay_query(const SimRequest &request, SimState &) {
    CameraOverlayRecord record;
    memset(&record, 0, sizeof record);
    record.ch = 0;  // status: connected
    record.enable_text = 1;
    snprintf(record.text_name, sizeof record.text_name, "Camera %d", requested_channel(request) + 1);
    record.textpos = 0;
    record.enable_date = 1;
    record.datepos = 1;
    record.dateformat = 0;
    record.fontSize = 2;
    record.enable_text_sub = 1;
    snprintf(record.text_name_sub, sizeof record.text_name_sub, "Camera %d", requested_channel(request) + 1);
    record.enable_date_sub = 1;
    record.datepos_sub = 1;
    record.fontSizeSub = 1;
    return reply_record(record);
}

// 2502: two rectangles in use, out of four mask slots (reply 7502).
SimScript privacy_mask_query(const SimRequest &request, SimState &) {
    static CameraPrivacyMaskRecord record;
    memset(&record, 0, sizeof record);
    record.id = requested_channel(request);
    record.enable = 1;
    record.num = 2;
    record.cgiSdkFlag = 1;
    snprintf(record.sdkversion, sizeof record.sdkversion, "%s", "2.4.1");
    record.maxPtzZoomRatio = 1;
    record.areaEnable = 1;
    snprintf(record.colorList, sizeof record.colorList, "%s", "0,1,2,3,4");
    for (int k = 0; k < 4; k++) {
        CameraMaskArea &area = record.area[k];
        area.area_id = k;
        area.enable = k < 2 ? 1 : 0;
        area.start_x = 40 + 100 * k;
        area.start_y = 30 + 20 * k;
        area.area_width = 80;
        area.area_height = 60;
        area.fill_color = k;
        area.ratio = 1;
        snprintf(area.name, sizeof area.name, "Mask %d", k + 1);
    }
    record.mosaicSupport = 1;
    record.colorSupport = 1;
    record.maxMaskSum = 4;
    return reply_record(record);
}

// 3232: a ceiling-mounted fisheye camera (reply 8232).
SimScript fisheye_query(const SimRequest &request, SimState &) {
    FisheyeMode mode;
    memset(&mode, 0, sizeof mode);
    mode.chnid = requested_channel(request);
    mode.fishmount = 1;
    mode.fishdisplay = 2;
    mode.fishcorrect = 1;
    mode.reserved = 0;  // the result word
    return reply_record(mode);
}

// 3373: a supported camera with two streams (reply 8373).
SimScript fisheye_check(const SimRequest &, SimState &) { return sim_one_reply(sim_words({1, 1, 0, 2, 2})); }

// 1220: two of the four regions drawn, counting the whole week (reply 6220).
SimScript regional_query(const SimRequest &request, SimState &) {
    static RegionalRecord record;
    memset(&record, 0, sizeof record);
    record.result = 0;
    record.chnid = requested_channel(request);
    record.sensitivity = 5;
    record.minObjX = 10;
    record.minObjY = 10;
    record.minObjWidth = 20;
    record.minObjHeight = 40;
    record.maxObjX = 0;
    record.maxObjY = 0;
    record.maxObjWidth = 200;
    record.maxObjHeight = 240;
    for (int r = 0; r < 2; r++) {
        RegionalArea &area = record.region[r];
        area.enable = 1;
        snprintf(area.polygonX, sizeof area.polygonX, "%d,%d,%d,%d", 20 + 220 * r, 200 + 220 * r, 200 + 220 * r,
                 20 + 220 * r);
        snprintf(area.polygonY, sizeof area.polygonY, "%s", "40,40,220,220");
        area.maxStayEnable = 1;
        area.maxStayValue = 10;
        area.maxStayTimeEnable = 1;
        area.maxStayTimeValue = 300;
    }
    for (int d = 0; d < 7; d++) {
        ScheduleDay &day = record.effective.day[d];
        day.dayFlag = 1;
        snprintf(day.period[0].startTime, sizeof day.period[0].startTime, "%s", "00:00");
        snprintf(day.period[0].endTime, sizeof day.period[0].endTime, "%s", "24:00");
    }
    return reply_record(record);
}

SimScript status_ok(const SimRequest &, SimState &) { return reply_status(0); }

// The camera's model type (2503) is answered by the camera area's replies.
const CannedEntry kVideoEventsCanned[] = {
    {kRequestOverlayQuery, overlay_query},
    {kRequestOverlaySet, status_ok},
    {kRequestPrivacyMaskQuery, privacy_mask_query},
    {kRequestPrivacyMaskEdit, status_ok},
    {kRequestFisheyeQuery, fisheye_query},
    {kRequestFisheyeModeSet, status_ok},
    {kRequestFisheyeCheck, fisheye_check},
    {kRequestFisheyeSet, status_ok},
    {kRequestRegionalQuery, regional_query},
    {kRequestRegionalSet, status_ok},
};
NVR_SIM_CANNED(kVideoEventsCanned)

}  // namespace
