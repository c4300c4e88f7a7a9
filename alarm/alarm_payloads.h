// Daemon payloads of the alarm routes: request codes, the camera alarm questions and their
// replies, and the notices of changed contacts.
#ifndef NVR_ALARM_ALARM_PAYLOADS_H
#define NVR_ALARM_ALARM_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb_alarm_io.h"

constexpr int kRequestAlarmInChanged = 1404;         // 4 bytes: recorder input id
constexpr int kRequestAlarmOutChanged = 1405;        // 4 bytes: recorder output id
constexpr int kRequestAlarmOutState = 1409;          // 8 bytes: id, enable
constexpr int kRequestAlarmInsChanged = 1415;        // 8 bytes: set of recorder inputs
constexpr int kRequestCameraAlarmInsChanged = 1417;  // 8 bytes: set of cameras
constexpr int kRequestCameraAlarmOutsChanged = 1418; // 8 bytes: set of cameras
constexpr int kRequestCameraAlarmOuts = 3296;        // 4 bytes: chnid; reply 8296
constexpr int kRequestCameraAlarmIns = 3298;         // 56 bytes; reply 8298
constexpr int kRequestSetCameraAlarmOuts = 3324;     // 40 bytes
constexpr int kRequestSetCameraAlarmIns = 3325;      // 80 bytes
constexpr int kRequestCameraAlarmState = 3352;       // 12 bytes: chnid, alarmId, state

constexpr int kReplyCameraAlarmOuts = kRequestCameraAlarmOuts + 5000;
constexpr int kReplyCameraAlarmIns = kRequestCameraAlarmIns + 5000;

// Operation-log codes of the alarm routes (sub type 204, settings saved).
constexpr int kAlarmLogSubType = 204;
constexpr int kAlarmInLogParameter = 910;
constexpr int kAlarmOutLogParameter = 911;

// The question about a camera's alarm inputs (3298) and its reply (8298) share this layout.
struct CameraAlarmInState {
    int32_t chnid;
    int32_t enable[kCameraAlarmIns];
    int32_t type[kCameraAlarmIns];
    int32_t status[kCameraAlarmIns];
    int32_t count;
};
static_assert(offsetof(CameraAlarmInState, type) == 20, "camera alarm-input types at 20");
static_assert(offsetof(CameraAlarmInState, status) == 36, "camera alarm-input states at 36");
static_assert(offsetof(CameraAlarmInState, count) == 52, "camera alarm-input count at 52");
static_assert(sizeof(CameraAlarmInState) == 56, "camera alarm-input state is 56 bytes");

// The reply about a camera's alarm outputs (8296).
struct CameraAlarmOutState {
    int32_t chnid;
    int32_t type[kCameraAlarmOuts];
    int32_t status[kCameraAlarmOuts];
    int32_t count;
};
static_assert(offsetof(CameraAlarmOutState, status) == 12, "camera alarm-output states at 12");
static_assert(offsetof(CameraAlarmOutState, count) == 20, "camera alarm-output count at 20");
static_assert(sizeof(CameraAlarmOutState) == 24, "camera alarm-output state is 24 bytes");

// The settings of a camera's alarm inputs (3325): entries beyond the count are zero.
struct CameraAlarmInSetting {
    int32_t reserved;
    int32_t alarmEnable;
    int32_t alarm_index;
    int32_t alarmType;
};
struct CameraAlarmInSettings {
    CameraAlarmInSetting entry[kCameraAlarmIns];
    int32_t count;
    int32_t reserved;
    uint64_t cameras;  // the cameras the settings were copied to, and the edited one
};
static_assert(offsetof(CameraAlarmInSettings, count) == 64, "camera alarm-input settings count at 64");
static_assert(offsetof(CameraAlarmInSettings, cameras) == 72, "camera alarm-input settings set at 72");
static_assert(sizeof(CameraAlarmInSettings) == 80, "camera alarm-input settings are 80 bytes");

// The settings of a camera's alarm outputs (3324).
struct CameraAlarmOutSetting {
    int32_t reserved;
    int32_t alarm_index;
    int32_t alarmType;
};
struct CameraAlarmOutSettings {
    CameraAlarmOutSetting entry[kCameraAlarmOuts];
    int32_t count;
    int32_t reserved;
    uint64_t cameras;
};
static_assert(offsetof(CameraAlarmOutSettings, count) == 24, "camera alarm-output settings count at 24");
static_assert(offsetof(CameraAlarmOutSettings, cameras) == 32, "camera alarm-output settings set at 32");
static_assert(sizeof(CameraAlarmOutSettings) == 40, "camera alarm-output settings are 40 bytes");

// 3352: switch a camera's alarm output.
struct CameraAlarmStateChange {
    int32_t chnid;
    int32_t alarmId;
    int32_t state;
};
static_assert(sizeof(CameraAlarmStateChange) == 12, "camera alarm state change is 12 bytes");

#endif
