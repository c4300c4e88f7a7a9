// Daemon payloads of the camera image routes: picture enhancement and display, the camera's own
// parameters, day/night images and scene templates, regions of interest and image schedules.
// Little-endian, fixed-width fields; every field the pages do not set is zero.
#ifndef NVR_CAMERA_IMAGE_PAYLOADS_H
#define NVR_CAMERA_IMAGE_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// ---- request codes ----------------------------------------------------------------------------

constexpr int kRequestImageEnhance = 3221;         // channel; reply 8221
constexpr int kRequestImageDisplay = 3223;         // channel; reply 8223
constexpr int kRequestSetImageDisplay = 3224;      // ImageDisplayRequest; reply 8224
constexpr int kRequestCameraParam = 3225;          // CameraParamRequest; reply 8225
constexpr int kRequestSetCameraParam = 3226;       // CameraParamRequest; reply 8226
constexpr int kRequestCameraRoi = 3271;            // channel; reply 8271
constexpr int kRequestCameraSchedule = 3273;       // channel; reply 8273
constexpr int kRequestExposureSchedule = 3275;     // channel; reply 8275
constexpr int kRequestCameraSchedule2 = 3277;      // channel; reply 8277
constexpr int kRequestDayNight = 3278;             // channel; reply 8278
constexpr int kRequestSetDayNight = 3279;          // DayNightRequest or SceneTemplateRequest, no reply
constexpr int kRequestSetImageEnhance = 3280;      // ImageEnhanceRequest, no reply
constexpr int kRequestSetCameraSchedule = 3281;    // CameraScheduleRequest, no reply
constexpr int kRequestSetExposureSchedule = 3282;  // ExposureScheduleRequest, no reply
constexpr int kRequestSetCameraSchedule2 = 3283;   // CameraScheduleRequest, no reply
constexpr int kRequestSetRoiArea = 3284;           // RoiAreaRequest, no reply
constexpr int kRequestSetCameraRoi = 3288;         // RoiRequest, no reply

constexpr int kChannelListEntries = 64;  // a channel list: 64 words, unused ones -1

// ---- picture enhancement ------------------------------------------------------------------------

// The enhancement block of request 3280 (type 0) and reply 8221.
struct ImageEnhanceBlock {
    int32_t smartir;
    int32_t whiteblance;
    int32_t focusmode;
    int32_t antiblurry;
    int32_t wdrenable;
    int32_t wdrlevel;
    int32_t wdrstarthour;
    int32_t wdrstartminute;
    int32_t wdrstophour;
    int32_t wdrstopminute;
    int32_t regiontype;
    int32_t hlcmode;
    int32_t exclude;
    int32_t exposemode;
    char exposeregion[64];
    int32_t modelType;  // request only
    int32_t imageschemode;
    int32_t hlcday;
    int32_t hlcnight;
    int32_t redgain;
    int32_t bluegain;
    int32_t defogmode;
    int32_t defoglevel;
    int32_t dismode;  // reply only
    int32_t exposetime;
    int32_t exposegain;
    int32_t aflevel;
    int32_t hlclevel;
    int32_t exposurectrl;  // reply only
    int32_t enblur;
    int32_t deblur;
    char sdkversion[32];  // reply only
    int32_t lensType;
    int32_t reduceVideoStuttering;
    int32_t reserved224;
};
static_assert(offsetof(ImageEnhanceBlock, exposeregion) == 56, "expose region at 56");
static_assert(offsetof(ImageEnhanceBlock, modelType) == 120, "model type at 120");
static_assert(offsetof(ImageEnhanceBlock, dismode) == 152, "display mode at 152");
static_assert(offsetof(ImageEnhanceBlock, aflevel) == 164, "AF level at 164");
static_assert(offsetof(ImageEnhanceBlock, exposurectrl) == 172, "exposure control at 172");
static_assert(offsetof(ImageEnhanceBlock, sdkversion) == 184, "SDK version at 184");
static_assert(offsetof(ImageEnhanceBlock, lensType) == 216, "lens type at 216");
static_assert(sizeof(ImageEnhanceBlock) == 228, "enhancement block is 228 bytes");

// The scene form of request 3280 (any type but 0), from item 0 of "scenes".
struct ImageSceneBlock {
    int32_t irBalanceMode;
    int32_t reduceMotionBlur;
    int32_t deblur;
    int32_t defogMode;
    int32_t antiFogIntensity;
    int32_t whitebalanceMode;
    int32_t whitebalanceRedGain;
    int32_t whitebalanceBlueGain;
    int32_t exposureMode;
    int32_t exposureTime;
    int32_t exposureGain;
    int32_t blcRegion;
    int32_t blcRegionRange;
    char blcRegionArea[32];
    int32_t wdrMode;
    int32_t wdrStartHour;
    int32_t wdrStartMin;
    int32_t wdrEndHour;
    int32_t wdrEndMin;
    int32_t wdrLevel;
    int32_t hlcMode;
    int32_t hlcLevel;
};
static_assert(offsetof(ImageSceneBlock, blcRegionArea) == 52, "BLC area at 52 of the scene block");
static_assert(sizeof(ImageSceneBlock) == 116, "scene block is 116 bytes");

struct ImageEnhanceRequest {
    int32_t channel[kChannelListEntries];
    int32_t type;
    union {
        ImageEnhanceBlock block;  // type 0
        ImageSceneBlock scene;    // any other type
    };
};
static_assert(offsetof(ImageEnhanceRequest, type) == 256, "enhancement type at 256");
static_assert(offsetof(ImageEnhanceRequest, block) == 260, "enhancement block at 260");
static_assert(offsetof(ImageEnhanceRequest, scene) + offsetof(ImageSceneBlock, blcRegionArea) == 312,
              "BLC area at 312");
static_assert(offsetof(ImageEnhanceRequest, scene) + offsetof(ImageSceneBlock, hlcLevel) == 372, "HLC level at 372");
static_assert(sizeof(ImageEnhanceRequest) == 488, "enhancement request is 488 bytes");

// Reply 8221.
struct ImageEnhanceReply {
    int32_t id;
    int32_t reserved;
    ImageEnhanceBlock block;
};
constexpr int kEnhanceReplyBlock = offsetof(ImageEnhanceReply, block);
static_assert(kEnhanceReplyBlock == 8, "enhancement reply block at 8");
static_assert(sizeof(ImageEnhanceReply) == 236, "enhancement reply is 236 bytes");

// ---- display ------------------------------------------------------------------------------------

// The display block of reply 8223 and (type 0) of request 3224.
struct ImageDisplayBlock {
    int32_t colorkiller;
    int32_t modestarthour;
    int32_t modestartminute;
    int32_t modestophour;
    int32_t modestopminute;
    int32_t exposurectrl;
    int32_t lighttype;
    int32_t mirctrl;
    int32_t localdisplay;
    int32_t ircutaddaytonight;
    int32_t ircutadnighttoday;
    int32_t corridormode;
    int32_t imagerotation;
    int32_t saveCorridor;  // request only
    int32_t reserved56;
    int32_t smartIRType;
    int32_t nearIRLevel;
    int32_t farIRLevel;
    int32_t midIRLevel;
    int32_t lencorrect;
    int32_t smartIrMath;
    int32_t smartIrLimit;
    char chipninterface[64];
    int32_t nearSmartirValue;
    int32_t farSmartirValue;
    int32_t midSmartirValue;
    int32_t lenCorrectType;
    int32_t fovadjust;
    char sensortype[16];
    char productmodel[32];
    char softversion[32];
    int32_t smokeddomecover;
    int32_t whiteLedLevel;  // answered as "smartwhitestrength"
    int32_t dnRefocus;
    char sdkversion[32];
    int32_t structuretype;
    int32_t keepCorrectAspectRatio;
    int32_t dayNightSens;
    int32_t nightDaySens;
    int32_t zoomLimit;
    int32_t reserved316;
    int32_t whiteledLightCtrl;
    int32_t whiteledSensitivity;
    int32_t whiteledDelay;
    int32_t whiteledStart;
    int32_t whiteledStop;
    int32_t whiteledBrightnessCtrl;
    int32_t whiteledBrightness;
    int32_t reserved348[2];
};
static_assert(offsetof(ImageDisplayBlock, smartIRType) == 60, "smart IR type at 60");
static_assert(offsetof(ImageDisplayBlock, lencorrect) == 76, "lens correction at 76");
static_assert(offsetof(ImageDisplayBlock, chipninterface) == 88, "chip interface at 88");
static_assert(offsetof(ImageDisplayBlock, fovadjust) == 168, "FOV adjustment at 168");
static_assert(offsetof(ImageDisplayBlock, smokeddomecover) == 252, "smoked dome cover at 252");
static_assert(offsetof(ImageDisplayBlock, sdkversion) == 264, "display SDK version at 264");
static_assert(offsetof(ImageDisplayBlock, keepCorrectAspectRatio) == 300, "aspect ratio at 300");
static_assert(offsetof(ImageDisplayBlock, zoomLimit) == 312, "zoom limit at 312");
static_assert(offsetof(ImageDisplayBlock, whiteledLightCtrl) == 320, "white LED control at 320");
static_assert(offsetof(ImageDisplayBlock, whiteledBrightness) == 344, "white LED brightness at 344");
static_assert(sizeof(ImageDisplayBlock) == 356, "display block is 356 bytes");

// The scene form of request 3224 (type 1), from item 0 of "scenes".
struct ImageDisplayScene {
    int32_t powerlineFreq;
    int32_t dnMode;
    int32_t d2nSensitivity;
    int32_t n2dSensitivity;
    int32_t nightStartHour;
    int32_t nightStartMinute;
    int32_t nightEndHour;
    int32_t nightEndMinute;
    int32_t smartIrMode;
    int32_t irLedLevel;
    int32_t imageRotation;
};
static_assert(sizeof(ImageDisplayScene) == 44, "display scene is 44 bytes");

struct ImageDisplayRequest {
    int32_t id;
    int32_t type;
    union {
        ImageDisplayBlock block;  // type 0
        ImageDisplayScene scene;  // type 1
    };
};
static_assert(offsetof(ImageDisplayRequest, block) == 8, "display block at 8");
static_assert(offsetof(ImageDisplayRequest, block) + offsetof(ImageDisplayBlock, keepCorrectAspectRatio) == 308,
              "aspect ratio at 308 of the request");
static_assert(sizeof(ImageDisplayRequest) == 364, "display request is 364 bytes");

// Reply 8223.
struct ImageDisplayReply {
    int32_t id;
    int32_t reserved;
    ImageDisplayBlock block;
};
constexpr int kDisplayReplyBlock = offsetof(ImageDisplayReply, block);
static_assert(kDisplayReplyBlock == 8, "display reply block at 8");
static_assert(sizeof(ImageDisplayReply) == 364, "display reply is 364 bytes");

// ---- the camera's own parameters ----------------------------------------------------------------

// Requests 3225 (no value) and 3226.
struct CameraParamRequest {
    int32_t id;
    char pagename[64];
    char httpname[64];
    char key[128];
    char value[128];
    int32_t reserved;
};
static_assert(offsetof(CameraParamRequest, httpname) == 68, "parameter page http name at 68");
static_assert(offsetof(CameraParamRequest, key) == 132, "parameter key at 132");
static_assert(offsetof(CameraParamRequest, value) == 260, "parameter value at 260");
static_assert(sizeof(CameraParamRequest) == 392, "parameter request is 392 bytes");

// Reply 8225.
struct CameraParamReply {
    int32_t id;
    int32_t reserved;
    char pagename[64];
    char httpname[64];
    char key[128];
    char value[128];
};
static_assert(offsetof(CameraParamReply, pagename) == 8, "reply page name at 8");
static_assert(offsetof(CameraParamReply, key) == 136, "reply key at 136");
static_assert(offsetof(CameraParamReply, value) == 264, "reply value at 264");
static_assert(sizeof(CameraParamReply) == 392, "parameter reply is 392 bytes");

// ---- day/night images and scene templates (3279) ------------------------------------------------

struct DayNightEntry {
    int32_t flag;  // 1: the entry is given
    int32_t enable;
    int32_t startHour;
    int32_t startMinute;
    int32_t endHour;
    int32_t endMinute;
    int32_t exposureLevel;
    int32_t minShutter;
    int32_t maxShutter;
    int32_t gainLevel;
    int32_t irCutLatency;
    int32_t irCutState;
    int32_t irLedState;
    int32_t colorMode;
};
static_assert(sizeof(DayNightEntry) == 56, "day/night entry is 56 bytes");

constexpr int kDayNightRequestEntries = 20;
constexpr int kDayNightReplyEntries = 7;

// "/2038": one entry of 20 is given.
struct DayNightRequest {
    int32_t channel;
    int32_t reserved;
    DayNightEntry entry[kDayNightRequestEntries];
};
static_assert(offsetof(DayNightRequest, entry) == 8, "day/night entries at 8");
static_assert(sizeof(DayNightRequest) == 1128, "day/night request is 1128 bytes");

// Reply 8278: 7 entries.
struct DayNightReply {
    int32_t channel;
    int32_t reserved;
    DayNightEntry entry[kDayNightReplyEntries];
};
constexpr int kDayNightReplyEntriesOffset = offsetof(DayNightReply, entry);
static_assert(kDayNightReplyEntriesOffset == 8, "day/night reply entries at 8");
static_assert(sizeof(DayNightReply) == 400, "day/night reply is 400 bytes");

constexpr int kSceneImageEntries = 7;
constexpr int kScenePeriods = 10;
constexpr int kScenePairs = 2;

// One period of a scene template's schedule.
struct ScenePeriod {
    char startTime[32];
    char endTime[32];
    int32_t templateId;
    int32_t reserved;
};
static_assert(sizeof(ScenePeriod) == 72, "scene period is 72 bytes");

// Type 1: two scenes side by side, word j of each array for scene j, and the supplement light.
struct SceneSupplementForm {
    int32_t flag[kScenePairs];
    int32_t minShutter[kScenePairs];
    int32_t maxShutter[kScenePairs];
    int32_t limitGain[kScenePairs];
    int32_t irCutInterval[kScenePairs];
    int32_t irCutStatus[kScenePairs];
    int32_t irLedStatus[kScenePairs];
    int32_t colorMode[kScenePairs];
    int32_t isSupportSupplement;
    int32_t isSupportSupplementIrNearAndFar;
    int32_t isSupportSupplementWhiteNearAndFar;
    int32_t lightType;
    int32_t whiteFarMaxBrightness;  // the single white light's when it has no near and far
    int32_t whiteNearMaxBrightness;
    int32_t smartWhiteFarMaxBrightness;  // or the single one's
    int32_t smartWhiteNearMaxBrightness;
    int32_t whiteLatency;
    int32_t whiteFarCustomBrightness;  // or the single one's
    int32_t whiteNearCustomBrightness;
    int32_t irFarMaxBrightness;
    int32_t irNearMaxBrightness;
    int32_t irFarCustomBrightness;  // or the single one's
    int32_t irNearCustomBrightness;
    int32_t whiteMode;
    int32_t irMode;
};

// "/2047": one request per channel.
struct SceneTemplateRequest {
    int32_t channel;
    int32_t type;
    union {
        struct {
            DayNightEntry image[kSceneImageEntries];
            int32_t hasSche;
            ScenePeriod effective[kScenePeriods];
        } templates;                 // type 0
        SceneSupplementForm scenes;  // type 1
    };
    int32_t reserved;
};
static_assert(offsetof(SceneTemplateRequest, templates.image) == 8, "scene images at 8");
static_assert(offsetof(SceneTemplateRequest, templates.hasSche) == 400, "scene schedule flag at 400");
static_assert(offsetof(SceneTemplateRequest, templates.effective) == 404, "scene periods at 404");
static_assert(offsetof(SceneTemplateRequest, scenes.minShutter) == 16, "scene minimum shutter at 16");
static_assert(offsetof(SceneTemplateRequest, scenes.colorMode) == 64, "scene colour mode at 64");
static_assert(offsetof(SceneTemplateRequest, scenes.isSupportSupplement) == 72, "supplement flag at 72");
static_assert(offsetof(SceneTemplateRequest, scenes.lightType) == 84, "supplement type at 84");
static_assert(offsetof(SceneTemplateRequest, scenes.whiteLatency) == 104, "white latency at 104");
static_assert(offsetof(SceneTemplateRequest, scenes.irFarMaxBrightness) == 116, "IR far maximum at 116");
static_assert(offsetof(SceneTemplateRequest, scenes.whiteMode) == 132, "white mode at 132");
static_assert(offsetof(SceneTemplateRequest, scenes.irMode) == 136, "IR mode at 136");
static_assert(sizeof(SceneTemplateRequest) == sizeof(DayNightRequest), "scene request has the day/night size");

// ---- regions of interest ------------------------------------------------------------------------

constexpr int kRoiAreas = 16;

struct RoiArea {
    int32_t enable;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
static_assert(sizeof(RoiArea) == 20, "ROI area is 20 bytes");

// Request 3288: the channels packed from entry 0 (unused ones 0).
struct RoiRequest {
    int32_t chnid[kChannelListEntries];
    int32_t enable;
    int32_t count;
    RoiArea area[kRoiAreas];
};
static_assert(offsetof(RoiRequest, enable) == 256, "ROI enable at 256");
static_assert(offsetof(RoiRequest, area) == 264, "ROI areas at 264");
static_assert(sizeof(RoiRequest) == 584, "ROI request is 584 bytes");

// Reply 8271: enable at byte 4, the SDK version from 12, 16 areas from 44.
constexpr int kRoiReplyEnable = 4;
constexpr int kRoiReplySdkVersion = 12;
constexpr int kRoiReplySdkVersionSize = 32;
constexpr int kRoiReplyAreas = 44;
constexpr int kRoiReplySize = kRoiReplyAreas + kRoiAreas * static_cast<int>(sizeof(RoiArea));
static_assert(kRoiReplySize == 364, "ROI reply is 364 bytes");

// Request 3284.
struct RoiAreaRequest {
    int32_t chan_id;
    int32_t area_id;
};
static_assert(sizeof(RoiAreaRequest) == 8, "ROI area request is 8 bytes");

// ---- image schedules ------------------------------------------------------------------------------

constexpr int kImageScheduleDays = 7;
constexpr int kImageSchedulePeriods = 10;  // periods a request fills per day

// Requests 3281 and 3283: a channel list and days 0 to 6 of a weekly schedule, cut after 27716 bytes.
struct CameraScheduleRequest {
    int32_t channel[kChannelListEntries];
    ScheduleDay day[kImageScheduleDays];
    uint8_t tail[3212];
};
static_assert(offsetof(CameraScheduleRequest, day) == 256, "schedule days at 256");
static_assert(sizeof(CameraScheduleRequest) == 27716, "schedule request is 27716 bytes");

// A period of the exposure schedule.
struct ExposurePeriod {
    char startTime[32];
    char endTime[32];
    int32_t actionType;
    int32_t exposureTime;
    int32_t gainLevel;
};
static_assert(sizeof(ExposurePeriod) == 76, "exposure period is 76 bytes");

struct ExposureDay {
    ExposurePeriod period[48];
};
static_assert(sizeof(ExposureDay) == 3648, "exposure day is 3648 bytes");

// Request 3282: a channel list and 7 exposure days, cut after 29188 bytes.
struct ExposureScheduleRequest {
    int32_t channel[kChannelListEntries];
    ExposureDay day[kImageScheduleDays];
    uint8_t tail[3396];
};
static_assert(offsetof(ExposureScheduleRequest, day) == 256, "exposure days at 256");
static_assert(sizeof(ExposureScheduleRequest) == 29188, "exposure schedule request is 29188 bytes");

// Replies 8273 and 8277 (days of the weekly layout) and 8275 (exposure days): the channel word,
// then 7 days from byte 4.
constexpr int kScheduleReplyDays = 4;
constexpr int kScheduleReplySize = kScheduleReplyDays + kImageScheduleDays * static_cast<int>(sizeof(ScheduleDay));
constexpr int kExposureScheduleReplySize =
    kScheduleReplyDays + kImageScheduleDays * static_cast<int>(sizeof(ExposureDay));
static_assert(kScheduleReplySize == 24252, "schedule reply is 24252 bytes");
static_assert(kExposureScheduleReplySize == 25540, "exposure schedule reply is 25540 bytes");

#endif
