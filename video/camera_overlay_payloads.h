// Daemon payloads of the picture-overlay routes: the recorder's OSD notice, the camera's text and
// date overlay, privacy masks and the fisheye settings; and the reply handlers that read them.
#ifndef NVR_VIDEO_CAMERA_OVERLAY_PAYLOADS_H
#define NVR_VIDEO_CAMERA_OVERLAY_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

constexpr int kRequestOsdChanged = 1007;           // OsdNotice, not waited for
constexpr int kRequestPrivacyMaskQuery = 2502;     // 4 bytes: channel; reply 7502
constexpr int kRequestCameraModelType = 2503;      // 4 bytes: channel; reply 7503
constexpr int kRequestPrivacyMaskDelete = 2508;    // PrivacyMaskDelete, not waited for
constexpr int kRequestPrivacyMaskSet = 2509;       // PrivacyMaskSetPayload, not waited for
constexpr int kRequestOverlaySet = 3210;           // CameraOverlayRecord; reply 8210
constexpr int kRequestOverlayQuery = 3211;         // 4 bytes: channel; reply 8211
constexpr int kRequestFisheyeModeSet = 3231;       // FisheyeMode; reply 8231
constexpr int kRequestFisheyeQuery = 3232;         // 4 bytes: channel; reply 8232
constexpr int kRequestPrivacyMaskEdit = 3353;      // PrivacyMaskEdit; reply 8353
constexpr int kRequestFisheyeCheck = 3373;         // FisheyeCheckRecord; reply 8373
constexpr int kRequestFisheyeSet = 3374;           // FisheyeSetRecord; reply 8374

// Request 1007: the recorder's OSD of a channel changed.
struct OsdNotice {
    int32_t channel;
    int32_t changed;  // 1
    int32_t reserved;
};
static_assert(sizeof(OsdNotice) == 12, "OSD notice is 12 bytes");

// Request 3210 and reply 8211 (whose word 0 is a status): the camera's text and date overlay,
// for the main stream and ("_sub") the secondary stream.
constexpr int kOverlayTextSize = 256;
struct CameraOverlayRecord {
    int32_t ch;
    int32_t enable_text;
    char text_name[kOverlayTextSize];
    int32_t textpos;
    int32_t enable_date;
    int32_t datepos;
    int32_t dateformat;
    int32_t fontSize;
    int32_t enable_text_sub;
    char text_name_sub[kOverlayTextSize];
    int32_t textpos_sub;
    int32_t enable_date_sub;
    int32_t datepos_sub;
    int32_t dateformat_sub;
    int32_t fontSizeSub;
    uint8_t reserved[280];
    int32_t type;
};
static_assert(offsetof(CameraOverlayRecord, textpos) == 264, "overlay text position at 264");
static_assert(offsetof(CameraOverlayRecord, fontSize) == 280, "overlay font size at 280");
static_assert(offsetof(CameraOverlayRecord, text_name_sub) == 288, "secondary overlay text at 288");
static_assert(offsetof(CameraOverlayRecord, textpos_sub) == 544, "secondary text position at 544");
static_assert(offsetof(CameraOverlayRecord, fontSizeSub) == 560, "secondary font size at 560");
static_assert(offsetof(CameraOverlayRecord, type) == 844, "overlay type at 844");
static_assert(sizeof(CameraOverlayRecord) == 848, "camera overlay record is 848 bytes");

// One privacy-mask area of a camera.
constexpr int kMaskNameSize = 64;
struct CameraMaskArea {
    int32_t area_id;
    int32_t enable;
    int32_t start_x;
    int32_t start_y;
    int32_t area_width;
    int32_t area_height;
    int32_t fill_color;
    int32_t ratio;
    char name[kMaskNameSize];
};
static_assert(sizeof(CameraMaskArea) == 96, "camera mask area is 96 bytes");

// A camera's privacy masks: reply 7502 holds one per camera, request 2509 carries one.
constexpr int kCameraMaskAreas = 28;
constexpr int kSdkVersionSize = 32;
constexpr int kColorListSize = 64;
struct CameraPrivacyMaskRecord {
    int32_t id;
    int32_t enable;
    int32_t num;  // rectangle masks
    int32_t cgiSdkFlag;
    char sdkversion[kSdkVersionSize];
    int32_t maxPtzZoomRatio;
    int32_t areaEnable;
    char colorList[kColorListSize];
    CameraMaskArea area[kCameraMaskAreas];
    int32_t mosaicSupport;
    int32_t mosaicNum;
    int32_t delMask;
    int32_t reserved;
    int32_t colorSupport;
    int32_t maxMaskSum;  // areas in use
};
static_assert(offsetof(CameraPrivacyMaskRecord, sdkversion) == 16, "mask SDK version at 16");
static_assert(offsetof(CameraPrivacyMaskRecord, maxPtzZoomRatio) == 48, "mask zoom ratio at 48");
static_assert(offsetof(CameraPrivacyMaskRecord, colorList) == 56, "mask colour list at 56");
static_assert(offsetof(CameraPrivacyMaskRecord, area) == 120, "mask areas at 120");
static_assert(offsetof(CameraPrivacyMaskRecord, mosaicSupport) == 2808, "mosaic support at 2808");
static_assert(offsetof(CameraPrivacyMaskRecord, delMask) == 2816, "mask deletion at 2816");
static_assert(offsetof(CameraPrivacyMaskRecord, colorSupport) == 2824, "colour support at 2824");
static_assert(offsetof(CameraPrivacyMaskRecord, maxMaskSum) == 2828, "areas in use at 2828");
static_assert(sizeof(CameraPrivacyMaskRecord) == 2832, "camera privacy-mask record is 2832 bytes");

// Request 2509: the channels the masks apply to ('1' for each), then the masks.
struct PrivacyMaskSetPayload {
    char channels[64];
    uint8_t reserved[8];
    CameraPrivacyMaskRecord masks;
};
static_assert(offsetof(PrivacyMaskSetPayload, masks) == 72, "masks at 72");
static_assert(sizeof(PrivacyMaskSetPayload) == 2904, "privacy-mask set payload is 2904 bytes");

// Requests 2508 (delete one area) and 3353 (edit one mask).
struct PrivacyMaskDelete {
    int32_t channel;
    int32_t area;
};
struct PrivacyMaskEdit {
    int32_t chnid;
    int32_t maskid;
};
static_assert(sizeof(PrivacyMaskDelete) == 8 && sizeof(PrivacyMaskEdit) == 8, "mask requests are 8 bytes");

// Request 3231: a fisheye camera's mounting, display and correction modes.
struct FisheyeMode {
    int32_t chnid;
    int32_t fishmount;
    int32_t fishdisplay;
    int32_t fishcorrect;
    int32_t reserved;
};
static_assert(sizeof(FisheyeMode) == 20, "fisheye mode is 20 bytes");

// Requests 3373 (check a fisheye camera) and 3374 (set it up).
constexpr int kFisheyeTextSize = 64;
struct FisheyeCheckRecord {
    char ddns[kFisheyeTextSize];
    char ipaddr[kFisheyeTextSize];
    char username[kFisheyeTextSize];
    char password[kFisheyeTextSize];
    int32_t port;
};
static_assert(sizeof(FisheyeCheckRecord) == 260, "fisheye check record is 260 bytes");
struct FisheyeSetRecord {
    FisheyeCheckRecord camera;
    int32_t transfer;
    int32_t install;
    int32_t display;
};
static_assert(sizeof(FisheyeSetRecord) == 272, "fisheye set record is 272 bytes");

// Reply handlers (the reply dispatcher passes the payload and its length in bytes).
int on_set_osdconfig_cb(const void *payload, int length);          // 8210
int on_get_osdconfig_cb(const void *payload, int length);          // 8211
int on_get_ipc_privacy_mask_cb(const void *payload, int length);   // 7502

#endif
