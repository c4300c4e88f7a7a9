// Daemon payloads of the camera maintenance routes (camera upgrades, the recording calendar, the
// local user interface's commands) and of face detection. Little-endian, fixed-width fields.
#ifndef NVR_CAMERA_MAINTENANCE_PAYLOADS_H
#define NVR_CAMERA_MAINTENANCE_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

// ---- request codes ----------------------------------------------------------------------------

constexpr int kRequestUpgradeFromUrl = 3379;     // CameraUpgradeRequest; reply 8379
constexpr int kRequestFaceConfig = 3381;         // FaceDetectionRecord; reply 8381
constexpr int kRequestFaceActions = 3383;        // channel, no reply
constexpr int kRequestStartUpgrade = 3385;       // CameraUpgradeStart; reply 8385
constexpr int kRequestUpgradeProgress = 3386;    // no payload; reply 8386
constexpr int kRequestStopUpgrade = 3390;        // stop word, no reply
constexpr int kRequestRecordCalendar = 3493;     // CalendarRequest; reply 8493
constexpr int kRequestLocalUiCommand = 4002;     // LocalUiCommand; reply 9002 or 9003
constexpr int kRequestChipCode = 4004;           // no payload; reply 9004

constexpr char kCameraImagePath[] = "/dev/shm/updateIPCFM.bin";
constexpr int kUpgradeChannels = 16;  // upgrade statuses are kept for channels 0 to 15

// ---- camera upgrades ------------------------------------------------------------------------------

// Request 3379.
struct CameraUpgradeRequest {
    uint64_t channels;
    int32_t reset;
    char url[128];
    char path[128];  // always the camera image
    uint8_t reserved[12];
};
static_assert(offsetof(CameraUpgradeRequest, url) == 12, "upgrade URL at 12");
static_assert(offsetof(CameraUpgradeRequest, path) == 140, "upgrade image path at 140");
static_assert(sizeof(CameraUpgradeRequest) == 280, "upgrade request is 280 bytes");

// Request 3385.
struct CameraUpgradeStart {
    uint64_t channels;      // channels to upgrade; written only when there is one
    uint64_t keep_settings; // complement of the channels to reset
    int32_t fileSize;
    uint8_t reserved[260];
};
static_assert(offsetof(CameraUpgradeStart, fileSize) == 16, "upgrade file size at 16");
static_assert(sizeof(CameraUpgradeStart) == 280, "upgrade start is 280 bytes");

// Replies 8379 and 8386: the channel set, then the status of channels 0 to 15.
struct CameraUpgradeStatus {
    uint64_t channels;
    int32_t status[kUpgradeChannels];
};
static_assert(offsetof(CameraUpgradeStatus, status) == 8, "upgrade statuses at 8");
static_assert(sizeof(CameraUpgradeStatus) == 72, "upgrade status is 72 bytes");

// ---- recording calendar ----------------------------------------------------------------------------

constexpr int kCalendarDays = 31;

// Request 3493.
struct CalendarRequest {
    int32_t stream;  // 1 for the sub stream ("streamType" 1), else 0
    int32_t year;    // full year
    int32_t month;   // 1 to 12
    char channels[64];  // '0' per channel, '1' at the channel asked about (no terminator)
    int32_t reserved;
};
static_assert(offsetof(CalendarRequest, channels) == 12, "calendar channel text at 12");
static_assert(sizeof(CalendarRequest) == 80, "calendar request is 80 bytes");

// Reply 8493: the flag of day d (0 to 30) at byte 4 + 4d.
constexpr int kCalendarReplyDays = 4;
constexpr int kCalendarReplySize = kCalendarReplyDays + kCalendarDays * 4;
static_assert(kCalendarReplySize == 128, "calendar reply is 128 bytes");

// ---- local user interface -----------------------------------------------------------------------------

struct LocalUiCommand {
    char cmd[100];
};
static_assert(sizeof(LocalUiCommand) == 100, "local command is 100 bytes");

// Replies 9002 and 9003: the result text from byte 16.
constexpr int kLocalUiResultText = 16;

// ---- face detection ------------------------------------------------------------------------------------

constexpr int kFaceChannels = 16;  // cameras on channels 0 to 15 detect faces
constexpr int kFaceCaptureModes = 3;
constexpr int kFaceShields = 4;

struct FaceShield {
    int32_t enable;
    uint8_t reserved[64];
    char polygonX[64];
    char polygonY[64];
};
static_assert(offsetof(FaceShield, polygonX) == 68, "shield polygon x at 68");
static_assert(sizeof(FaceShield) == 196, "shield is 196 bytes");

// Request 3381.
struct FaceDetectionRecord {
    int32_t reserved0;
    int32_t chnId;
    uint8_t reserved8[132];
    int32_t enable;
    int32_t width;
    int32_t height;
    int32_t minPixel;
    int32_t captureMode;
    int32_t captureQuality[kFaceCaptureModes];
    int32_t snapshotType;
    int32_t snapshotInterval;
    int32_t snapshotBackground;
    int32_t poseYaw;
    int32_t poseRoll;
    int32_t posePitch;
    int32_t blurLimit;
    uint8_t reserved200[80];
    char detection_polygonX[64];
    char detection_polygonY[64];
    int32_t uploadEnable;
    int32_t uploadFileType;
    int32_t nasEnable;
    int32_t nasFileType;
    int32_t emailEnable;
    int32_t emailFileType;
    int32_t httpEnable;
    int32_t httpNotifyInterval;
    char httpUrl[128];
    char httpUser[64];
    char httpPassword[64];
    int32_t snapshot[kFaceCaptureModes];
    int32_t recordSeconds;
    int32_t prerecordSeconds;
    int32_t postEnable;
    int32_t postType;
    uint8_t reserved724[80];
    FaceShield shield[kFaceShields];
    int32_t attributeEnable;
    int32_t attributeType;
    int32_t mosaicEnable;
    int32_t mosaicModeStatus;
    int32_t mutuallyExclusive;
    uint8_t reserved1608[12];
};
static_assert(offsetof(FaceDetectionRecord, enable) == 140, "face switch at 140");
static_assert(offsetof(FaceDetectionRecord, captureQuality) == 160, "capture qualities at 160");
static_assert(offsetof(FaceDetectionRecord, blurLimit) == 196, "blur limit at 196");
static_assert(offsetof(FaceDetectionRecord, detection_polygonX) == 280, "detection polygon at 280");
static_assert(offsetof(FaceDetectionRecord, uploadEnable) == 408, "upload switch at 408");
static_assert(offsetof(FaceDetectionRecord, httpUrl) == 440, "HTTP URL at 440");
static_assert(offsetof(FaceDetectionRecord, httpPassword) == 632, "HTTP password at 632");
static_assert(offsetof(FaceDetectionRecord, snapshot) == 696, "snapshots at 696");
static_assert(offsetof(FaceDetectionRecord, postType) == 720, "post type at 720");
static_assert(offsetof(FaceDetectionRecord, shield) == 804, "shields at 804");
static_assert(offsetof(FaceDetectionRecord, attributeEnable) == 1588, "attribute switch at 1588");
static_assert(offsetof(FaceDetectionRecord, mutuallyExclusive) == 1604, "exclusion flag at 1604");
static_assert(sizeof(FaceDetectionRecord) == 1620, "face detection record is 1620 bytes");

#endif
