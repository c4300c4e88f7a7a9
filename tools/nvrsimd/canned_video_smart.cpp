// Canned replies of the simulated daemon for the smart-event, licence-plate and camera-alarm
// pages of module "/6000": a 1920 x 1080 camera with one region, one crossing line, people
// counting on two lines and a plate camera of the maker's own.
#include <stdio.h>
#include <string.h>

#include "tools/nvrsimd/simd.h"
#include "video/anpr_payloads.h"
#include "video/vca_payloads.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

int32_t request_channel(const SimRequest &request) {
    int32_t channel = 0;
    if (request.payload.size() >= 4) memcpy(&channel, request.payload.data(), 4);
    return channel;
}

template <typename Record>
SimScript reply_with(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return sim_one_reply(Bytes(bytes, bytes + sizeof record));
}

void put_text(char *field, size_t size, const char *text) { snprintf(field, size, "%s", text); }

// A region in the middle of the page's drawing area: its outline and its polygon.
template <typename Record>
void put_centre_region(Record *record) {
    put_text(record->region, sizeof record->region, "115,65,345,65,345,195,115,195");
    put_text(record->polygonX, sizeof record->polygonX, "115,345,345,115");
    put_text(record->polygonY, sizeof record->polygonY, "65,65,195,195");
}

// Every set is accepted unless the setting "smart_set_status" holds another status.
SimScript set_status(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("smart_set_status", 0))}));
}

// 3237 to 3240, 3242, 3243: the area of a channel: a region in the middle of the picture.
SimScript area_reply(const SimRequest &request, SimState &) {
    VcaAreaRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.enable = 1;
    record.sensitivity = 5;
    record.time = 10;
    record.size = 2;
    record.tracks = 1;
    record.ignore_time = 3;
    record.objtype = 1;
    put_centre_region(&record);
    return reply_with(record);
}

// 3241: one line across the picture, in camera pixels.
SimScript line_reply(const SimRequest &request, SimState &) {
    VcaLineRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.enable = 1;
    record.width = kWidth;
    record.height = kHeight;
    record.slot[0].line = VcaLinePosition{480, 540, 1440, 540, 2};
    record.objtype = 1;
    return reply_with(record);
}

// 1209: the camera form of the same line.
SimScript camera_line_reply(const SimRequest &request, SimState &) {
    CameraLineRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.sensitivity = 4;
    record.width = kWidth;
    record.height = kHeight;
    CameraLineSlot &line = record.slot[0];
    line.enable = 1;
    line.start_x = 480;
    line.start_y = 540;
    line.end_x = 1440;
    line.end_y = 540;
    line.direction = 2;
    line.objtype = 1;
    return reply_with(record);
}

// 3253: people counting on two lines (the reply carries the head and the four lines).
SimScript people_reply(const SimRequest &request, SimState &) {
    PeopleCountRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.width = kWidth;
    record.height = kHeight;
    record.osdEnable = 1;
    record.osdFontSize = 2;
    record.sensitivity = 5;
    record.lineNum = 2;
    for (int i = 0; i < 2; i++) {
        record.showCntEnable[i] = 1;
        PeopleCountLine &line = record.line[i];
        line.lineEnable = 1;
        line.direction = i;
        line.startX = 480;
        line.startY = 360 + 360 * i;
        line.stopX = 1440;
        line.stopY = 360 + 360 * i;
        line.autoResetHour = 23;
    }
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return sim_one_reply(Bytes(bytes, bytes + offsetof(PeopleCountRecord, alarmThreshold)));
}

// 3257: smart events are supported.
SimScript support_reply(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0, 1, 1})); }

// 3259: analysis settings with a minimum and a maximum box.
SimScript analysis_reply(const SimRequest &request, SimState &) {
    VcaAnalysisRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.vcaType = 1;
    record.fps = 10;
    record.width = kWidth;
    record.height = kHeight;
    record.min = VcaBox{0, 0, 96, 108};
    record.max = VcaBox{0, 0, 960, 1080};
    return reply_with(record);
}

// 1211: the camera form: 8 boxes, each a quarter of the picture at most.
SimScript camera_analysis_reply(const SimRequest &request, SimState &) {
    CameraAnalysisRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.fps = 10;
    record.width = kWidth;
    record.height = kHeight;
    for (int box = 0; box < kVcaAnalysisBoxes; box++) {
        record.limit[2][box] = 40;
        record.limit[3][box] = 40;
        record.limit[6][box] = 230;
        record.limit[7][box] = 130;
    }
    return reply_with(record);
}

// 3268: object left or removed in the middle of the picture.
SimScript left_remove_reply(const SimRequest &request, SimState &) {
    LeftRemoveRecord record;
    memset(&record, 0, sizeof record);
    record.channel = request_channel(request);
    record.sensitivity = 5;
    record.left_enable = 1;
    record.min_time = 30;
    put_centre_region(&record);
    return reply_with(record);
}

// 1207: two plate formats.
SimScript wildcards_reply(const SimRequest &request, SimState &) {
    AnprWildcardsRecord record;
    memset(&record, 0, sizeof record);
    record.chnid = request_channel(request);
    record.filter = 1;
    record.maxPlateCharNum = 8;
    record.enable[0] = record.enable[1] = 1;
    record.cr_count[0] = 7;
    record.cr_count[1] = 8;
    put_text(record.format[0], kAnprFormatSize, "AA-9999");
    put_text(record.format[1], kAnprFormatSize, "AAA-9999");
    return reply_with(record);
}

// 1215: the lens at zoom step 3.
SimScript zoom_reply(const SimRequest &request, SimState &) {
    return sim_one_reply(sim_words({request_channel(request), 0, 3}));
}

// 3289: recognition on, the whole picture as the area, posting to an HTTP server.
SimScript anpr_settings_reply(const SimRequest &request, SimState &state) {
    AnprSettingsRecord record;
    memset(&record, 0, sizeof record);
    record.chnid = request_channel(request);
    record.enable = 1;
    record.resolution_width = kWidth;
    record.resolution_height = kHeight;
    record.area_width = kWidth;
    record.area_height = kHeight;
    record.repeat_check_time_value = 5;
    record.post_type = 1;
    record.post_tcp_port = 8080;
    put_text(record.post_http_user, sizeof record.post_http_user, "lpr");
    put_text(record.post_http_url, sizeof record.post_http_url, "http://192.168.1.20/plates");
    record.confidence = 80;
    record.night_mode_starthour = 19;
    record.night_mode_stophour = 6;
    put_text(record.region[0], kAnprRegionTextSize, "Default");
    put_text(record.roi[0].name, kAnprNameSize, "Gate");
    record.roi[0].endX = kWidth;
    record.roi[0].endY = kHeight;
    record.jsonSupport = 1;
    record.camera_type = static_cast<int32_t>(state.setting("anpr_camera_type", 11));
    put_text(record.normalPolygons[0].name, kAnprNameSize, "Lane 1");
    put_text(record.normalPolygons[0].polygonX, kAnprPolygonTextSize, "0,1920,1920,0");
    put_text(record.normalPolygons[0].polygonY, kAnprPolygonTextSize, "0,0,1080,1080");
    return reply_with(record);
}

// 3293: plate recognition supported, version 2.
SimScript anpr_support_reply(const SimRequest &request, SimState &) {
    return sim_one_reply(sim_words({request_channel(request), 1, 2}));
}

// 3213: the camera's I/O alarm: status, camId, enable, type, triActions, then the channels text.
SimScript camera_alarm_reply(const SimRequest &request, SimState &) {
    Bytes payload = sim_words({0, request_channel(request), 1, 0, 3, 0});
    payload.resize(24 + kVcaChannelTextSize + 3, 0);
    memcpy(payload.data() + 24, "1100", 4);
    return sim_one_reply(payload);
}

// 3215: the camera's audio alarm.
SimScript audio_alarm_reply(const SimRequest &request, SimState &) {
    Bytes payload = sim_words({0, request_channel(request), 1, 0, 60, 5, 1, 1, 0, 3, 0});
    payload.resize(44 + kVcaChannelTextSize + 3, 0);
    memcpy(payload.data() + 44, "1000", 4);
    return sim_one_reply(payload);
}

const CannedEntry kSmartEventCanned[] = {
    {kRequestVcaRegionInGet, area_reply},
    {kRequestVcaRegionOutGet, area_reply},
    {kRequestVcaMotionGet, area_reply},
    {kRequestVcaTamperGet, area_reply},
    {kRequestVcaLineGet, line_reply},
    {kRequestVcaLoiteringGet, area_reply},
    {kRequestVcaHumanGet, area_reply},
    {kRequestVcaPeopleGet, people_reply},
    {kRequestVcaSupportGet, support_reply},
    {kRequestVcaSettingsGet, analysis_reply},
    {kRequestVcaLeftRemoveGet, left_remove_reply},
    {kRequestCameraLineGet, camera_line_reply},
    {kRequestCameraAnalysisGet, camera_analysis_reply},
    {kRequestVcaRegionInSet, set_status},
    {kRequestVcaRegionOutSet, set_status},
    {kRequestVcaMotionSet, set_status},
    {kRequestVcaTamperSet, set_status},
    {kRequestVcaLineSet, set_status},
    {kRequestVcaLoiteringSet, set_status},
    {kRequestVcaHumanSet, set_status},
    {kRequestVcaPeopleSet, set_status},
    {kRequestVcaSettingsSet, set_status},
    {kRequestVcaPeopleClear, set_status},
    {kRequestVcaLeftRemoveSet, set_status},
    {kRequestCameraLineSet, set_status},
    {kRequestCameraAnalysisSet, set_status},
    {kRequestAnprWildcardsGet, wildcards_reply},
    {kRequestAnprWildcardsSet, set_status},
    {kRequestAnprZoomState, zoom_reply},
    {kRequestAnprSettingsGet, anpr_settings_reply},
    {kRequestAnprSettingsSet, set_status},
    {kRequestAnprSupport, anpr_support_reply},
    {3213, camera_alarm_reply},
    {3215, audio_alarm_reply},
};
NVR_SIM_CANNED(kSmartEventCanned)

}  // namespace
