// Daemon payloads of the smart-event (video content analysis) detection pages: the area, line,
// camera line, people-counting, left/removed and analysis-settings records, and the request
// codes that carry them.
#ifndef NVR_VIDEO_VCA_PAYLOADS_H
#define NVR_VIDEO_VCA_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// Detection gets (the reply is the request + 5000).
constexpr int kRequestVcaRegionInGet = 3237;
constexpr int kRequestVcaRegionOutGet = 3238;
constexpr int kRequestVcaMotionGet = 3239;
constexpr int kRequestVcaTamperGet = 3240;
constexpr int kRequestVcaLineGet = 3241;
constexpr int kRequestVcaLoiteringGet = 3242;
constexpr int kRequestVcaHumanGet = 3243;
constexpr int kRequestVcaPeopleGet = 3253;
constexpr int kRequestVcaSupportGet = 3257;
constexpr int kRequestVcaSettingsGet = 3259;
constexpr int kRequestVcaLeftRemoveGet = 3268;
constexpr int kRequestCameraLineGet = 1209;
constexpr int kRequestCameraAnalysisGet = 1211;
// Detection sets.
constexpr int kRequestVcaRegionInSet = 3244;
constexpr int kRequestVcaRegionOutSet = 3245;
constexpr int kRequestVcaMotionSet = 3246;
constexpr int kRequestVcaTamperSet = 3247;
constexpr int kRequestVcaLineSet = 3248;
constexpr int kRequestVcaLoiteringSet = 3249;
constexpr int kRequestVcaHumanSet = 3250;
constexpr int kRequestVcaPeopleSet = 3254;
constexpr int kRequestVcaSettingsSet = 3260;
constexpr int kRequestVcaPeopleClear = 3261;
constexpr int kRequestVcaLeftRemoveSet = 3269;
constexpr int kRequestCameraLineSet = 1210;
constexpr int kRequestCameraAnalysisSet = 1212;

constexpr int kVcaRegions = 4;         // regions of an area record
constexpr int kVcaPolygons = 5;        // polygons of a region
constexpr int kVcaLines = 4;           // lines of a line record
constexpr int kVcaSegments = 5;        // segments of a camera line
constexpr int kVcaAnalysisBoxes = 8;   // boxes of the camera analysis settings
constexpr int kVcaLimits = 8;          // limits of a box pair: min x, y, width, height, max ...
constexpr int kVcaRegionTextSize = 300;
constexpr int kVcaPolygonTextSize = 64;
constexpr int kVcaChannelTextSize = 65;

struct VcaPolygon {
    char polygonX[kVcaPolygonTextSize];
    char polygonY[kVcaPolygonTextSize];
    char unused[64];
};
static_assert(sizeof(VcaPolygon) == 192, "polygon is 192 bytes");

// One region of an area record (region entrance and exit, advanced motion, loitering).
struct VcaRegion {
    int32_t enable;
    int32_t word1;
    int32_t time;
    int32_t objType;
    VcaPolygon polygon[kVcaPolygons];
};
static_assert(offsetof(VcaRegion, polygon) == 16, "region polygons at 16");
static_assert(sizeof(VcaRegion) == 976, "region entry is 976 bytes");

// Area detection record (requests 3244 to 3247, 3249, 3250; replies 8237 to 8240, 8242, 8243).
struct VcaAreaRecord {
    int32_t channel;
    int32_t enable;
    int32_t word2[4];
    int32_t sensitivity;
    int32_t time;  // loitering
    int32_t size;  // loitering
    int32_t tracks;  // human detection
    char region[kVcaRegionTextSize];
    int32_t ignore_time;  // advanced motion
    int32_t objtype;
    char polygonX[kVcaPolygonTextSize];
    char polygonY[kVcaPolygonTextSize];
    char copyChn[kVcaChannelTextSize];
    char unused[23];
    int32_t regionType;
    int32_t regionScene;
    VcaRegion regions[kVcaRegions];
    int32_t tail;
};
static_assert(offsetof(VcaAreaRecord, sensitivity) == 24, "area sensitivity at 24");
static_assert(offsetof(VcaAreaRecord, tracks) == 36, "area tracks at 36");
static_assert(offsetof(VcaAreaRecord, region) == 40, "area region at 40");
static_assert(offsetof(VcaAreaRecord, ignore_time) == 340, "area ignore time at 340");
static_assert(offsetof(VcaAreaRecord, polygonX) == 348, "area polygon x at 348");
static_assert(offsetof(VcaAreaRecord, copyChn) == 476, "area copy channels at 476");
static_assert(offsetof(VcaAreaRecord, regionType) == 564, "area region type at 564");
static_assert(offsetof(VcaAreaRecord, regions) == 572, "area regions at 572");
static_assert(sizeof(VcaAreaRecord) == 4480, "area record is 4480 bytes");

// A line in camera pixels and its direction.
struct VcaLinePosition {
    int32_t start_x;
    int32_t start_y;
    int32_t end_x;
    int32_t end_y;
    int32_t direction;
};

// Line record (request 3248, reply 8241): line i occupies 124 bytes from 124 x i; its position
// starts 16 bytes in, after the record's head for line 0.
struct VcaLineSlot {
    VcaLinePosition line;
    uint8_t unused[104];
};
struct VcaLineRecord {
    int32_t channel;
    int32_t enable;
    int32_t width;
    int32_t height;
    VcaLineSlot slot[kVcaLines];
    int32_t objtype;
    char copyChn[kVcaChannelTextSize];
    uint8_t tail[31];
};
static_assert(sizeof(VcaLineSlot) == 124, "line slot is 124 bytes");
static_assert(offsetof(VcaLineRecord, slot) == 16, "line 0 position at 16");
static_assert(offsetof(VcaLineRecord, objtype) == 512, "line objtype at 512");
static_assert(offsetof(VcaLineRecord, copyChn) == 516, "line copy channels at 516");
static_assert(sizeof(VcaLineRecord) == 612, "line record is 612 bytes");

// Camera-form line record (request 1210, reply 6209): line i occupies 128 bytes from 128 x i,
// its fields from 16 bytes in; its segments (20 bytes each) from 44 bytes in run into the first
// 16 bytes of the next line.
struct CameraLineSlot {
    int32_t enable;
    int32_t start_x;
    int32_t start_y;
    int32_t end_x;
    int32_t end_y;
    int32_t direction;
    int32_t objtype;
    VcaLinePosition segment[kVcaSegments];
};
struct CameraLineRecord {
    int32_t channel;
    int32_t sensitivity;
    int32_t width;
    int32_t height;
    CameraLineSlot slot[kVcaLines];
    int32_t lineType;
    int32_t lineScene;
    char copyChn[kVcaChannelTextSize];
    uint8_t tail[27];
};
static_assert(sizeof(CameraLineSlot) == 128, "camera line slot is 128 bytes");
static_assert(offsetof(CameraLineRecord, slot) + offsetof(CameraLineSlot, start_x) == 20, "camera line at 20");
static_assert(offsetof(CameraLineRecord, slot) + offsetof(CameraLineSlot, segment) == 44, "segments at 44");
static_assert(sizeof(CameraLineRecord) == 628, "camera line record is 628 bytes");

// People-counting record (request 3254; the reply 8253 has the same head and lines).
struct PeopleCountLine {
    int32_t lineEnable;
    int32_t autoResetEnable;
    int32_t direction;
    int32_t startX;
    int32_t startY;
    int32_t stopX;
    int32_t stopY;
    int32_t autoResetWeekday;
    int32_t autoResetHour;
    int32_t autoResetMin;
    int32_t autoResetSec;
    int32_t alarmEnable;
    int32_t unused[2];
};
static_assert(sizeof(PeopleCountLine) == 56, "people-counting line is 56 bytes");
constexpr int kPeopleCountThresholds = 4;
struct PeopleCountRecord {
    int32_t channel;
    int32_t width;
    int32_t height;
    int32_t osdEnable;
    int32_t osdFontSize;
    int32_t osdTextPos;
    int32_t sensitivity;
    uint8_t osdType;
    uint8_t unused[3];
    int32_t lineNum;
    int32_t triggerType;
    int32_t triggerEnable;
    int32_t totalAlarmEnable;
    int32_t totalAlarmThreshold[kPeopleCountThresholds];
    uint8_t showCntEnable[kVcaLines];
    PeopleCountLine line[kVcaLines];
    int32_t alarmThreshold[kVcaLines][kPeopleCountThresholds];
    int32_t reserved;
    WeeklySchedule effective;  // camera form
};
static_assert(offsetof(PeopleCountRecord, osdType) == 28, "people osdType at 28");
static_assert(offsetof(PeopleCountRecord, lineNum) == 32, "people lineNum at 32");
static_assert(offsetof(PeopleCountRecord, showCntEnable) == 64, "people showCntEnable at 64");
static_assert(offsetof(PeopleCountRecord, line) == 68, "people lines at 68");
static_assert(offsetof(PeopleCountRecord, effective) == 360, "people schedule at 360");
static_assert(sizeof(PeopleCountRecord) == 28072, "people-counting record is 28072 bytes");

// Object left or removed (request 3269, reply 8268).
struct LeftRemoveRegion {
    int32_t leftEnable;
    int32_t removeEnable;
    int32_t word2;
    int32_t word3;
    VcaPolygon polygon[kVcaPolygons];
};
static_assert(sizeof(LeftRemoveRegion) == 976, "left/removed region is 976 bytes");
struct LeftRemoveRecord {
    int32_t channel;
    int32_t sensitivity;
    int32_t left_enable;
    int32_t remove_enable;
    int32_t min_time;
    int32_t word5[4];
    char region[kVcaRegionTextSize];
    char polygonX[kVcaPolygonTextSize];
    char polygonY[kVcaPolygonTextSize];
    char copyChn[kVcaChannelTextSize];
    char unused[3];
    int32_t regionType;
    int32_t regionScene;
    LeftRemoveRegion regions[kVcaRegions];
    uint8_t tail[24];
};
static_assert(offsetof(LeftRemoveRecord, region) == 36, "left/removed region at 36");
static_assert(offsetof(LeftRemoveRecord, polygonX) == 336, "left/removed polygon x at 336");
static_assert(offsetof(LeftRemoveRecord, polygonY) == 400, "left/removed polygon y at 400");
static_assert(offsetof(LeftRemoveRecord, regionType) == 532, "left/removed region type at 532");
static_assert(offsetof(LeftRemoveRecord, regions) == 540, "left/removed regions at 540");
static_assert(sizeof(LeftRemoveRecord) == 4468, "left/removed record is 4468 bytes");

// Analysis settings (request 3260, reply 8259): boxes in camera pixels.
struct VcaBox {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};
struct VcaAnalysisRecord {
    int32_t channel;
    int32_t vcaType;
    int32_t fps;
    int32_t mode;
    int32_t installation;
    int32_t analysis;
    int32_t width;
    int32_t height;
    VcaBox min;
    VcaBox max;
};
static_assert(offsetof(VcaAnalysisRecord, min) == 32, "minimum box at 32");
static_assert(offsetof(VcaAnalysisRecord, max) == 48, "maximum box at 48");
static_assert(sizeof(VcaAnalysisRecord) == 64, "analysis settings record is 64 bytes");

// Camera-form analysis settings (request 1212, reply 6211): limit i of box k at 32 + 4k + 32i.
struct CameraAnalysisRecord {
    int32_t channel;
    int32_t word1;
    int32_t fps;
    int32_t mode;
    int32_t installation;
    int32_t analysis;
    int32_t width;
    int32_t height;
    int32_t limit[kVcaLimits][kVcaAnalysisBoxes];
    char copyChn[kVcaChannelTextSize];
    char unused[3];
};
static_assert(offsetof(CameraAnalysisRecord, limit) == 32, "camera limits at 32");
static_assert(offsetof(CameraAnalysisRecord, copyChn) == 288, "camera analysis copy channels at 288");
static_assert(sizeof(CameraAnalysisRecord) == 356, "camera analysis record is 356 bytes");

// Request 3261: clear a people-counting line's count.
struct PeopleCountClear {
    int32_t channel;
    int32_t word1;
    int32_t word2;
    int32_t line;
    int32_t resetdb;
};
static_assert(sizeof(PeopleCountClear) == 20, "people-count clear is 20 bytes");

// A page line "x;y;x;y" on the 460 x 260 drawing area in camera pixels of a width x height
// picture: x = (page x * width + 230) / 460, y = (page y * height + 130) / 260 in 64 bits,
// clamped, each at least 1. A text with fewer than four numbers (or none) counts as four zeros.
// 0 when the text held four numbers, else -1 (out is still filled).
int page_line_to_camera(int width, int height, const char *text, int32_t out[4]);

// One page value on a scale (x: 460 page points for width pixels; y: 260 for height), converted
// as above, at least 1.
int page_x_to_camera(int64_t page_x, int width);
int page_y_to_camera(int64_t page_y, int height);

// The four numbers of a position text "a;b;c;d" unconverted; four zeros (and false) when it holds
// fewer than four.
bool read_position_text(const char *text, int32_t out[4]);

#endif
