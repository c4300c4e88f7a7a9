// Daemon payloads of the licence-plate recognition pages: the plate-format wildcards and the
// camera's recognition settings, and the request codes that carry them.
#ifndef NVR_VIDEO_ANPR_PAYLOADS_H
#define NVR_VIDEO_ANPR_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

constexpr int kRequestAnprWildcardsGet = 1207;
constexpr int kRequestAnprWildcardsSet = 1208;
constexpr int kRequestAnprZoomState = 1215;
constexpr int kRequestAnprSettingsGet = 3289;
constexpr int kRequestAnprSettingsSet = 3290;
constexpr int kRequestAnprSupport = 3293;

constexpr int kAnprWildcards = 9;
constexpr int kAnprFormatSize = 16;

// Plate-format wildcards (request 1208, reply 6207).
struct AnprWildcardsRecord {
    int32_t chnid;
    int32_t filter;
    int32_t enable[kAnprWildcards];
    int32_t cr_count[kAnprWildcards];
    char format[kAnprWildcards][kAnprFormatSize];
    int32_t maxPlateCharNum;
};
static_assert(offsetof(AnprWildcardsRecord, enable) == 8, "wildcard enables at 8");
static_assert(offsetof(AnprWildcardsRecord, cr_count) == 44, "wildcard counts at 44");
static_assert(offsetof(AnprWildcardsRecord, format) == 80, "wildcard formats at 80");
static_assert(offsetof(AnprWildcardsRecord, maxPlateCharNum) == 224, "maximum plate length at 224");
static_assert(sizeof(AnprWildcardsRecord) == 228, "wildcards record is 228 bytes");

constexpr int kAnprRegions = 64;
constexpr int kAnprRegionTextSize = 32;
constexpr int kAnprRois = 4;
constexpr int kAnprPresets = 4;
constexpr int kAnprPresetRois = 4;
constexpr int kAnprPolygons = 6;
constexpr int kAnprNameSize = 32;
constexpr int kAnprPolygonTextSize = 128;

// A named rectangle (a region of interest, or one of a preset's).
struct AnprRect {
    char name[kAnprNameSize];
    int32_t startX;
    int32_t startY;
    int32_t endX;
    int32_t endY;
};
static_assert(sizeof(AnprRect) == 48, "plate rectangle is 48 bytes");

// A named polygon of the maker's own plate cameras.
struct AnprPolygon {
    char name[kAnprNameSize];
    char polygonX[kAnprPolygonTextSize];
    char polygonY[kAnprPolygonTextSize];
};
static_assert(sizeof(AnprPolygon) == 288, "plate polygon is 288 bytes");

// The camera's recognition settings (request 3290, reply 8289).
struct AnprSettingsRecord {
    int32_t chnid;
    int32_t enable;
    int32_t resolution_width;
    int32_t resolution_height;
    int32_t area_x;
    int32_t area_y;
    int32_t area_width;
    int32_t area_height;
    int32_t day_night_mode_enable;
    int32_t scene;
    int32_t direction_enable;
    int32_t region_enable;
    int32_t roiid_enable;
    int32_t process_mode;
    int32_t repeat_check_time_value;
    int32_t repeat_check_time_unit;
    int32_t post_enable;
    int32_t post_type;
    int32_t post_tcp_port;
    char post_http_user[64];
    char post_http_password[64];
    char post_http_url[256];
    int32_t confidence;
    int32_t night_mode_enable;
    int32_t night_mode_level;
    int32_t night_mode_starthour;
    int32_t night_mode_startminute;
    int32_t night_mode_stophour;
    int32_t night_mode_stopminute;
    int32_t night_mode_effective_mode;
    char region[kAnprRegions][kAnprRegionTextSize];
    int32_t cur_area;
    int32_t in_night_mode;
    AnprRect roi[kAnprRois];
    AnprRect preset[kAnprPresets][kAnprPresetRois];
    int32_t platecolorEnable;
    int32_t vehicletypeEnable;
    int32_t vehiclecolorEnable;
    int32_t jsonSupport;
    int32_t irLedExternalSupport;
    int32_t vehicleEnhancement;
    int32_t vehicleBrandEnable;
    int32_t aitype;
    int32_t camera_type;  // the camera's model type (the maker's plate cameras are 11 to 14)
    AnprPolygon normalPolygons[kAnprPolygons];
    uint8_t tail[224];
};
static_assert(offsetof(AnprSettingsRecord, post_http_user) == 76, "HTTP user at 76");
static_assert(offsetof(AnprSettingsRecord, confidence) == 460, "confidence at 460");
static_assert(offsetof(AnprSettingsRecord, region) == 492, "regions at 492");
static_assert(offsetof(AnprSettingsRecord, roi) == 2548, "regions of interest at 2548");
static_assert(offsetof(AnprSettingsRecord, preset) == 2740, "presets at 2740");
static_assert(offsetof(AnprSettingsRecord, platecolorEnable) == 3508, "plate colour at 3508");
static_assert(offsetof(AnprSettingsRecord, normalPolygons) == 3544, "polygons at 3544");
static_assert(sizeof(AnprSettingsRecord) == 5496, "recognition settings record is 5496 bytes");

#endif
