// Reply dispatcher of module "/6000" and its reply handlers: each reply code's payload becomes
// the page's answer, then the completion flag is raised.
#include "video/video_replies.h"

#include <json-c/json.h>
#include <stdint.h>
#include <stdio.h>

#include <limits>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "frame/dispatchreq.h"
#include "video/camera_overlay_payloads.h"
#include "video/motion_payloads.h"
#include "video/plate_settings.h"
#include "video/regional_payloads.h"
#include "core/reply_view.h"
#include "video/video_module.h"

namespace {

// ---- answering ----------------------------------------------------------------------------

// Writes a JSON answer (the JSON error answer when it could not be made), then raises the flag.


// ---- flat replies: one JSON key per payload field ---------------------------------------------

struct ReplyField {
    const char *key;
    int offset;
    int text_size;  // 0: a 32-bit number; otherwise a text field of this many bytes
};

long field_end(const ReplyField &field) { return field.offset + (field.text_size ? field.text_size : 4); }

// Answers the fields in their order. A payload shorter than the record (or than the last field
// read) is treated as no reply.
int answer_fields(const ReplyView &reply, const ReplyField *fields, int count, int record_size) {
    long needed = record_size;
    for (int i = 0; i < count; i++)
        if (field_end(fields[i]) > needed) needed = field_end(fields[i]);
    if (!reply.holds(needed)) return -1;
    json_object *answer = json_object_new_object();
    for (int i = 0; answer && i < count; i++) {
        if (fields[i].text_size) json_add_text(answer, fields[i].key, reply.text(fields[i].offset, fields[i].text_size).c_str());
        else json_add_int(answer, fields[i].key, reply.number(fields[i].offset));
    }
    return cgi_reply_json(answer);
}

constexpr int kRegionText = 300;
constexpr int kPolygonText = 64;
constexpr int kChannelText = 65;

const ReplyField kZoomStateFields[] = {{"chnid", 0, 0}, {"state", 4, 0}, {"zoomNumber", 8, 0}};
const ReplyField kPrivacyResultFields[] = {{"result", 0, 0}};
const ReplyField kMotionMapFields[] = {
    {"map", offsetof(MotionAreaRecord, table), kMotionAreaTableSize},
    {"sensitivity", offsetof(MotionAreaRecord, sensitivity), 0},
    {"result", offsetof(MotionAreaRecord, result), 0},
    {"enable", offsetof(MotionAreaRecord, enable), 0},
    {"modelType", offsetof(MotionAreaRecord, model_type), 0},
    {"fishdisplay", offsetof(MotionAreaRecord, fish_display), 0},
    {"fishtransfer", offsetof(MotionAreaRecord, fish_transfer), 0},
    {"fishinstall", offsetof(MotionAreaRecord, fish_install), 0},
    {"enableAI", offsetof(MotionAreaRecord, enable_ai), 0},
};
const ReplyField kCameraAlarmFields[] = {
    {"camId", 4, 0}, {"enable", 8, 0}, {"type", 12, 0}, {"triActions", 16, 0}, {"triChannels", 24, kChannelText},
};
const ReplyField kAudioAlarmFields[] = {
    {"camId", 4, 0},         {"enable", 8, 0},        {"type", 12, 0},       {"volume", 16, 0},
    {"duration", 20, 0},     {"onEvent", 24, 0},      {"offEvent", 28, 0},   {"ongoingEvent", 32, 0},
    {"triActions", 36, 0},   {"triChannels", 44, kChannelText},
};
const ReplyField kFisheyeFields[] = {
    {"chnid", 0, 0}, {"result", 16, 0}, {"fishmount", 4, 0}, {"fishdisplay", 8, 0}, {"fishcorrect", 12, 0},
};
const ReplyField kVcaRegionFields[] = {
    {"region", 40, kRegionText}, {"enable", 4, 0},  {"sensitivity", 24, 0},
    {"objtype", 344, 0},         {"polygonX", 348, kPolygonText}, {"polygonY", 412, kPolygonText},
};
const ReplyField kVcaMotionFields[] = {
    {"region", 40, kRegionText}, {"enable", 4, 0},    {"sensitivity", 24, 0},            {"ignore_time", 340, 0},
    {"objtype", 344, 0},         {"polygonX", 348, kPolygonText}, {"polygonY", 412, kPolygonText},
};
const ReplyField kVcaTamperFields[] = {{"enable", 4, 0}, {"sensitivity", 24, 0}};
const ReplyField kVcaLoiteringFields[] = {
    {"region", 40, kRegionText}, {"enable", 4, 0}, {"time", 28, 0}, {"size", 32, 0},
    {"objtype", 344, 0},         {"polygonX", 348, kPolygonText},   {"polygonY", 412, kPolygonText},
};
const ReplyField kVcaHumanFields[] = {{"enable", 4, 0}, {"tracks", 36, 0}};
const ReplyField kVcaSupportFields[] = {{"support", 4, 0}, {"type", 8, 0}};
const ReplyField kVcaLeftRemoveFields[] = {
    {"region", 36, kRegionText}, {"left_enable", 8, 0}, {"remove_enable", 12, 0}, {"min_time", 16, 0},
    {"sensitivity", 4, 0},       {"polygonX", 336, kPolygonText},                   {"polygonY", 400, kPolygonText},
};
const ReplyField kAnprSupportFields[] = {{"chnid", 0, 0}, {"vca_support", 4, 0}, {"vca_version", 8, 0}};

// ---- positions --------------------------------------------------------------------------------

std::string position_text(int start_x, int start_y, int end_x, int end_y) {
    char text[64];
    snprintf(text, sizeof text, "%d;%d;%d;%d", start_x, start_y, end_x, end_y);
    return text;
}

// A line of camera pixels as the page's "x;y;x;y" text; zeros when it cannot be converted.
std::string page_line_text(int width, int height, int start_x, int start_y, int end_x, int end_y) {
    int x0, y0, x1, y1;
    page_point_from_camera(width, height, start_x, start_y, &x0, &y0);
    page_point_from_camera(width, height, end_x, end_y, &x1, &y1);
    return position_text(x0, y0, x1, y1);
}

int at_least_one(int value) { return value < 1 ? 1 : value; }

// ---- plate wildcards (6207) -------------------------------------------------------------------

constexpr int kWildcardCount = 9;
constexpr int kWildcardsRecordSize = 228;

int answer_plate_wildcards(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kWildcardsRecordSize)) return -1;
    json_object *answer = json_object_new_object();
    json_object *wildcards = json_object_new_array();
    if (!answer || !wildcards) {
        if (wildcards) json_object_put(wildcards);
        if (answer) json_object_put(answer);
        return cgi_reply_json(nullptr);
    }
    json_add_int(answer, "chnid", reply.number(0));
    json_add_int(answer, "filter", reply.number(4));
    json_add_int(answer, "maxPlateCharNum", reply.number(224));
    for (int i = 0; i < kWildcardCount; i++) {
        json_object *entry = json_object_new_object();
        json_add_int(entry, "enable", reply.number(8 + 4 * i));
        json_add_int(entry, "cr_count", reply.number(44 + 4 * i));
        json_add_text(entry, "format", reply.text(80 + 16 * i, 16).c_str());
        json_object_array_add(wildcards, entry);
    }
    json_object_object_add(answer, "wildcards", wildcards);
    return cgi_reply_json(answer);
}

// ---- camera-form line crossing (6209) ---------------------------------------------------------

constexpr int kLineCount = 4;
constexpr int kCameraLineStride = 128;
constexpr int kCameraLineBytesRead = kCameraLineStride * (kLineCount - 1) + 44;

int answer_camera_lines(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kCameraLineBytesRead)) return -1;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    int width = reply.number(8), height = reply.number(12);
    json_add_int(answer, "chnid", reply.number(0));
    json_add_int(answer, "width", width);
    json_add_int(answer, "height", height);
    json_add_int(answer, "sensitivity", reply.number(4));
    json_object *lines = json_object_new_array();
    for (int i = 0; i < kLineCount; i++) {
        int base = kCameraLineStride * i;
        json_object *line = json_object_new_object();
        json_add_int(line, "enable", reply.number(base + 16));
        json_add_int(line, "objtype", reply.number(base + 40));
        json_add_int(line, "direction", reply.number(base + 36));
        json_add_text(line, "position",
                      page_line_text(width, height, reply.number(base + 20), reply.number(base + 24),
                                     reply.number(base + 28), reply.number(base + 32))
                          .c_str());
        json_object_array_add(lines, line);
    }
    json_object_object_add(answer, "line", lines);
    return cgi_reply_json(answer);
}

// ---- analysis settings (8259, and 6211 in on_get_ipc_vca_settings2_cb) -----------------------

const char *const kLimitKeys[] = {"minStartX", "minStartY", "minWidth", "minHeight",
                                  "maxStartX", "maxStartY", "maxWidth", "maxHeight"};
constexpr int kLimitCount = 8;
constexpr int kAnalysisRecordSize = 64;
constexpr int kCameraAnalysisBytesRead = 32 + 4 * 8 * kLimitCount;

void add_analysis_head(json_object *answer, const ReplyView &reply) {
    json_add_int(answer, "fps", reply.number(8));
    json_add_int(answer, "mode", reply.number(12));
    json_add_int(answer, "installation", reply.number(16));
    json_add_int(answer, "analysis", reply.number(20));
    json_add_int(answer, "width", reply.number(24));
    json_add_int(answer, "height", reply.number(28));
}

// The minimum and maximum boxes of a smart-event channel, converted to page points, each at
// least 1. Limits alternate x, y, width, height: even ones on the horizontal scale.
json_object *page_limits(const ReplyView &reply) {
    int width = reply.number(24), height = reply.number(28);
    json_object *limits = json_object_new_object();
    for (int i = 0; i < kLimitCount; i++) {
        int value = reply.number(32 + 4 * i), x = 0, y = 0;
        bool horizontal = i % 2 == 0;
        page_point_from_camera(width, height, horizontal ? value : 0, horizontal ? 0 : value, &x, &y);
        json_add_int(limits, kLimitKeys[i], at_least_one(horizontal ? x : y));
    }
    return limits;
}

int answer_vca_settings(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kAnalysisRecordSize)) return -1;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    add_analysis_head(answer, reply);
    json_add_int(answer, "vcaType", reply.number(4));
    json_object *position = json_object_new_array();
    json_object_array_add(position, page_limits(reply));
    json_object_object_add(answer, "position", position);
    return cgi_reply_json(answer);
}

// ---- line crossing (8241) ---------------------------------------------------------------------

constexpr int kLineStride = 124;
constexpr int kLineObjtypeOffset = 512;

int answer_vca_lines(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kLineObjtypeOffset + 4)) return -1;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    int width = reply.number(8), height = reply.number(12);
    json_object *lines = json_object_new_array();
    for (int i = 0; i < kLineCount; i++) {
        int base = kLineStride * i;
        json_object *line = json_object_new_object();
        json_add_int(line, "direction", reply.number(base + 32));
        json_add_text(line, "position",
                      page_line_text(width, height, reply.number(base + 16), reply.number(base + 20),
                                     reply.number(base + 24), reply.number(base + 28))
                          .c_str());
        json_object_array_add(lines, line);
    }
    json_object_object_add(answer, "line", lines);
    json_add_int(answer, "enable", reply.number(4));
    json_add_int(answer, "width", width);
    json_add_int(answer, "height", height);
    json_add_int(answer, "objtype", reply.number(kLineObjtypeOffset));
    return cgi_reply_json(answer);
}

// ---- people-counting lines (8253) -------------------------------------------------------------
//
// Header: 0 channel, 4 width, 8 height, 12 osdEnable, 16 osdFontSize, 20 osdTextPos,
// 24 sensitivity, 28 osdType (one byte), 32 lineNum, 64 showCntEnable (one byte per line); then
// 4 line entries of 56 bytes from 68: +0 lineEnable, +4 autoResetEnable, +8 direction,
// +12 startX, +16 startY, +20 stopX, +24 stopY, +28 autoResetWeekday, +32 autoResetHour,
// +36 autoResetMin, +40 autoResetSec.

constexpr int kPeopleShowCountOffset = 64;
constexpr int kPeopleLinesOffset = 68;
constexpr int kPeopleLineSize = 56;
constexpr int kPeopleReplySize = kPeopleLinesOffset + kLineCount * kPeopleLineSize;

struct PeopleLineColumn {
    const char *key;
    int entry_offset;
};
const PeopleLineColumn kPeopleLineColumnsBeforeShow[] = {
    {"lineEnable", 0}, {"autoResetEnable", 4}, {"direction", 8},
};
const PeopleLineColumn kPeopleLineColumnsAfterShow[] = {
    {"startX", 12},          {"startY", 16},        {"stopX", 20},        {"stopY", 24},
    {"autoResetWeekday", 28}, {"autoResetHour", 32}, {"autoResetMin", 36}, {"autoResetSec", 40},
};

int people_line_number(const ReplyView &reply, int line, int entry_offset) {
    return reply.number(kPeopleLinesOffset + kPeopleLineSize * line + entry_offset);
}

void add_people_column(json_object *answer, const ReplyView &reply, const PeopleLineColumn &column) {
    json_object *values = json_object_new_array();
    for (int i = 0; i < kLineCount; i++)
        json_object_array_add(values, json_object_new_int(people_line_number(reply, i, column.entry_offset)));
    json_object_object_add(answer, column.key, values);
}

// A counting line in page points, each value at least 1; all four 1 when it cannot be converted.
std::string people_line_position(const ReplyView &reply, int line, int width, int height) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool converted =
        page_point_from_camera(width, height, people_line_number(reply, line, 12), people_line_number(reply, line, 16),
                               &x0, &y0) == 0 &&
        page_point_from_camera(width, height, people_line_number(reply, line, 20), people_line_number(reply, line, 24),
                               &x1, &y1) == 0;
    if (!converted) return position_text(1, 1, 1, 1);
    return position_text(at_least_one(x0), at_least_one(y0), at_least_one(x1), at_least_one(y1));
}

int answer_people_lines(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kPeopleReplySize)) return -1;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    int width = reply.number(4), height = reply.number(8);
    json_add_int(answer, "width", width);
    json_add_int(answer, "height", height);
    json_add_int(answer, "osdEnable", reply.number(12));
    json_add_int(answer, "osdFontSize", reply.number(16));
    json_add_int(answer, "osdTextPos", reply.number(20));
    json_add_int(answer, "osdType", reply.byte(28));
    json_add_int(answer, "sensitivity", reply.number(24));
    json_add_int(answer, "lineNum", reply.number(32));
    for (const PeopleLineColumn &column : kPeopleLineColumnsBeforeShow) add_people_column(answer, reply, column);
    json_object *show = json_object_new_array();
    for (int i = 0; i < kLineCount; i++)
        json_object_array_add(show, json_object_new_int(reply.byte(kPeopleShowCountOffset + i)));
    json_object_object_add(answer, "showCntEnable", show);
    for (const PeopleLineColumn &column : kPeopleLineColumnsAfterShow) add_people_column(answer, reply, column);
    json_object *positions = json_object_new_array();
    for (int i = 0; i < kLineCount; i++)
        json_object_array_add(positions, json_object_new_string(people_line_position(reply, i, width, height).c_str()));
    json_object_object_add(answer, "position", positions);
    return cgi_reply_json(answer);
}

// ---- fisheye support (8373) -------------------------------------------------------------------

int answer_fisheye_support(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(20)) return -1;
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "support", reply.number(0) == 1 ? 1 : 0);
    json_add_int(answer, "transfer", reply.number(4));
    json_add_int(answer, "install", reply.number(8));
    json_add_int(answer, "display", reply.number(12));
    json_add_int(answer, "streamCnt", reply.number(16));
    return cgi_reply_json(answer);
}

// ---- the dispatch table -----------------------------------------------------------------------

typedef int (*ReplyHandler)(const void *payload, int length);

// A reply answered either by its field list (fields, count, record size) or by a handler.
struct VideoReplyRoute {
    int code;
    const ReplyField *fields;
    int field_count;
    int record_size;
    ReplyHandler handler;
};

#define FIELDS(CODE, TABLE, RECORD_SIZE) {CODE, TABLE, NVR_ARRAY_COUNT(TABLE), RECORD_SIZE, nullptr}
#define HANDLER(CODE, FUNCTION) {CODE, nullptr, 0, 0, FUNCTION}

const VideoReplyRoute kVideoReplies[] = {
    HANDLER(6207, answer_plate_wildcards),
    HANDLER(6208, on_cgi_status_text_cb),
    HANDLER(6209, answer_camera_lines),
    HANDLER(6210, on_cgi_status_text_cb),
    HANDLER(6211, on_get_ipc_vca_settings2_cb),
    HANDLER(6212, on_cgi_status_text_cb),
    FIELDS(6215, kZoomStateFields, 0),
    HANDLER(6221, on_cgi_res_json_cb),
    FIELDS(7503, kPrivacyResultFields, 0),
    FIELDS(8206, kMotionMapFields, sizeof(MotionAreaRecord)),
    FIELDS(8213, kCameraAlarmFields, 0),
    FIELDS(8215, kAudioAlarmFields, 0),
    HANDLER(8231, on_cgi_status_text_cb),
    FIELDS(8232, kFisheyeFields, 0),
    FIELDS(8237, kVcaRegionFields, 0),
    FIELDS(8238, kVcaRegionFields, 0),
    FIELDS(8239, kVcaMotionFields, 0),
    FIELDS(8240, kVcaTamperFields, 0),
    HANDLER(8241, answer_vca_lines),
    FIELDS(8242, kVcaLoiteringFields, 0),
    FIELDS(8243, kVcaHumanFields, 0),
    HANDLER(8244, on_cgi_status_text_cb),
    HANDLER(8245, on_cgi_status_text_cb),
    HANDLER(8246, on_cgi_status_text_cb),
    HANDLER(8247, on_cgi_status_text_cb),
    HANDLER(8248, on_cgi_status_text_cb),
    HANDLER(8249, on_cgi_status_text_cb),
    HANDLER(8250, on_cgi_status_text_cb),
    HANDLER(8253, answer_people_lines),
    HANDLER(8254, on_cgi_status_text_cb),
    FIELDS(8257, kVcaSupportFields, 0),
    HANDLER(8259, answer_vca_settings),
    HANDLER(8260, on_cgi_status_text_cb),
    HANDLER(8261, on_cgi_status_text_cb),
    FIELDS(8268, kVcaLeftRemoveFields, 0),
    HANDLER(8269, on_cgi_status_text_cb),
    HANDLER(8290, on_cgi_status_text_cb),
    FIELDS(8293, kAnprSupportFields, 0),
    HANDLER(8353, on_cgi_res_json_cb),
    HANDLER(8373, answer_fisheye_support),
    HANDLER(8374, on_cgi_res_json_cb),
    // regional people counting, camera privacy masks, camera overlay
    HANDLER(6220, on_get_ipc_regional_info_cb),
    HANDLER(7502, on_get_ipc_privacy_mask_cb),
    HANDLER(8210, on_set_osdconfig_cb),
    HANDLER(8211, on_get_osdconfig_cb),
    // Licence-plate recognition settings.
    HANDLER(8289, on_get_anpr_settings_cb),
};

#undef FIELDS
#undef HANDLER

const VideoReplyRoute *find_reply_route(int code) {
    for (const VideoReplyRoute &route : kVideoReplies)
        if (route.code == code) return &route;
    return nullptr;
}

}  // namespace

int page_point_from_camera(int width, int height, int x, int y, int *out_x, int *out_y) {
    int64_t page_x = 0, page_y = 0;
    bool convertible = width != 0 && height != 0;
    if (convertible) {
        page_x = (static_cast<int64_t>(width) / 2 + static_cast<int64_t>(x) * kPageWidth) / width;
        page_y = (static_cast<int64_t>(height) / 2 + static_cast<int64_t>(y) * kPageHeight) / height;
    }
    auto clamp = [](int64_t v) {
        if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
        if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(v);
    };
    if (out_x) *out_x = clamp(page_x);
    if (out_y) *out_y = clamp(page_y);
    return convertible ? 0 : -1;
}

int on_cgi_status_text_cb(const void *payload, int length) {
    ReplyView reply(payload, length);
    bool succeeded = reply.holds(4) && reply.number(0) == 0;
    cgi_writeback_webserver(kTextPlain, succeeded ? "OK" : "FAILED");
    cgi_reply_done();
    return 0;
}

int on_cgi_res_json_cb(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(4)) return -1;
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "res", reply.number(0));
    return cgi_reply_json(answer);
}

int on_get_ipc_vca_settings2_cb(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(kCameraAnalysisBytesRead)) return cgi_reply_json(nullptr);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    add_analysis_head(answer, reply);
    int width = reply.number(24), height = reply.number(28);
    json_object *position = json_object_new_array();
    for (int box = 0; box < 8; box++) {
        json_object *limits = json_object_new_object();
        for (int i = 0; i < kLimitCount; i++) json_add_int(limits, kLimitKeys[i], reply.number(32 + 4 * box + 32 * i));
        json_add_int(limits, "width", width);
        json_add_int(limits, "height", height);
        json_object_array_add(position, limits);
    }
    json_object_object_add(answer, "position", position);
    return cgi_reply_json(answer);
}

int on_video_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    const VideoReplyRoute *route = find_reply_route(header->code);
    if (!route) return 0;
    ReplyView reply(payload, header->length);
    if (route->handler) return route->handler(payload, header->length);
    return answer_fields(reply, route->fields, route->field_count, route->record_size);
}
