// Byte layouts of module "/5000": the PTZ requests sent to the daemon and the replies read back.
#ifndef NVR_PTZ_PTZ_PAYLOADS_H
#define NVR_PTZ_PTZ_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb_ptz.h"

// Request codes.
enum PtzRequest {
    kRequestPtzCommand = 1251,
    kRequestPtzPortChanged = 1252,
    kRequestPtzPreset = 1253,
    kRequestPtzPattern = 1254,
    kRequestPtzTourClear = 1257,
    kRequestPtzTourRun = 1260,
    kRequestPtzTourStop = 1261,
    kRequestPtzSupport = 1262,
    kRequestPtzTourSet = 1264,
    kRequestPtzState = 1265,
    kRequestPtzPresetCall = 1266,
    kRequestPtzZoom = 1267,
    kRequestPtzFisheyeState = 1268,
    kRequestPtzFisheyeTourSet = 1269,
    kRequestPtzBasic = 1270,
    kRequestPtzSetBasic = 1271,
    kRequestCameraSetting = 3226,
    kRequestPtzControl = 3361,
    kRequestLedStatus = 3363,
};

constexpr int kPtzPresetNameChars = 30;  // a preset name in a command
constexpr int kPtzPresets = 300;
constexpr int kPtzPatterns = 4;

// A PTZ command (1251, 1253, 1254).
struct PtzCommand {
    int32_t channel;
    int32_t action;
    int32_t number;  // preset or pattern
    int32_t pan_speed;
    int32_t tilt_speed;
    int32_t zoom_speed;
    int32_t focus_speed;
    int32_t reserved;
    char preset_name[32];  // action 22 only
    int32_t fisheye_type;
    int32_t stream;
};
static_assert(offsetof(PtzCommand, preset_name) == 32, "preset name at 32");
static_assert(offsetof(PtzCommand, fisheye_type) == 64, "fisheye type at 64");
static_assert(sizeof(PtzCommand) == 72, "PTZ command is 72 bytes");

// A tour to run, stop or clear (1260, 1261, 1257).
struct PtzTourCommand {
    int32_t channel;
    int32_t tour;
    int32_t reserved[4];
    int32_t fisheye_type;
    int32_t stream;
};
static_assert(offsetof(PtzTourCommand, fisheye_type) == 24, "tour fisheye type at 24");
static_assert(sizeof(PtzTourCommand) == 32, "tour command is 32 bytes");

// One row of a tour: a preset, how long to stay, how fast to go there.
struct PtzTourRow {
    int32_t preset;
    int32_t dwell_time;
    int32_t speed;
};

// A tour definition (1264).
struct PtzTourDefinition {
    int32_t channel;
    int32_t tour;
    int32_t row_count;
    PtzTourRow rows[kPtzTourRows];
};
static_assert(sizeof(PtzTourDefinition) == 588, "tour definition is 588 bytes");

// A fisheye camera's tour definition (1269): only the addressed tour is filled.
struct PtzFisheyeTours {
    int32_t channel;
    int32_t stream;
    int32_t tour_index;
    struct {
        int32_t preset[kPtzTourRows];
        int32_t dwell_time[kPtzTourRows];
        int32_t speed[kPtzTourRows];
    } tours[kPtzTours];
};
static_assert(sizeof(PtzFisheyeTours) == 4620, "fisheye tour definition is 4620 bytes");

// A setting relayed to a camera (3226): page, key and value texts.
struct CameraSettingRelay {
    int32_t channel;
    uint8_t reserved[64];
    char page[64];
    char key[128];
    char value[128];
    uint8_t reserved_end[4];
};
static_assert(offsetof(CameraSettingRelay, page) == 68, "relay page at 68");
static_assert(offsetof(CameraSettingRelay, key) == 132, "relay key at 132");
static_assert(offsetof(CameraSettingRelay, value) == 260, "relay value at 260");
static_assert(sizeof(CameraSettingRelay) == 392, "camera setting relay is 392 bytes");

// A camera's basic PTZ settings (1271 and reply 6270).
struct PtzBasicSettings {
    int32_t status;  // 0 in the request
    int32_t chnId;
    int32_t zoomStatus;
    int32_t panTiltStatus;
    int32_t presetStatus;
    int32_t patrolStatus;
    int32_t patternStatus;
    int32_t autoScanStatus;
    int32_t presetFreezing;
    int32_t presetSpeed;
    int32_t manualSpeed;
    int32_t patrolRecovering;
    int32_t patrolRecoveryTime;
    int32_t focusMode;
    int32_t minFocusDistance;
    int32_t resumeTime;
    int32_t fanWorkingMode;
    char channelMask[68];  // request only, at most 64 characters
};
static_assert(offsetof(PtzBasicSettings, manualSpeed) == 40, "manual speed at 40");
static_assert(offsetof(PtzBasicSettings, fanWorkingMode) == 64, "fan working mode at 64");
static_assert(offsetof(PtzBasicSettings, channelMask) == 68, "channel mask at 68");
static_assert(sizeof(PtzBasicSettings) == 136, "PTZ basic settings are 136 bytes");

// A camera's PTZ state (replies 6265, 6268), by 32-bit word.
constexpr int kPtzStateSize = 15604;
constexpr int kPtzPresetWords = 9;  // enable, then a 32-byte name
constexpr int kPtzTourWordsAt = 2700;
constexpr int kPtzTourWords = 3 * kPtzTourRows;  // preset ids, timeouts, speeds
constexpr int kPtzPatternWordsAt = 3852;
constexpr int kPtzTourStatusWordsAt = 3856;
constexpr int kPtzTourStatusArrays = 5;
constexpr int kPtzAutoScanWordsAt = 3896;
constexpr int kPtzAutoScanWords = 5;
static_assert((kPtzAutoScanWordsAt + kPtzAutoScanWords) * 4 == kPtzStateSize, "PTZ state is 3901 words");

#endif
