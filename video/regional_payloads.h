// Daemon payloads of regional people counting: the request record of request 1221, which reply
// 6220 shares (with the result in word 0), and the reply handler that reads it.
#ifndef NVR_VIDEO_REGIONAL_PAYLOADS_H
#define NVR_VIDEO_REGIONAL_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

constexpr int kRequestRegionalQuery = 1220;  // 4 bytes: channel; reply 6220
constexpr int kRequestRegionalSet = 1221;    // RegionalRecord; reply 6221

constexpr int kPolygonTextSize = 64;
constexpr int kRegionalCopyTextSize = 68;  // at most 64 characters

// One counting region.
struct RegionalArea {
    int32_t enable;
    char polygonX[kPolygonTextSize];
    char polygonY[kPolygonTextSize];
    int32_t maxStayEnable;
    int32_t maxStayValue;
    int32_t minStayEnable;
    int32_t minStayValue;
    int32_t maxStayTimeEnable;
    int32_t maxStayTimeValue;
};
static_assert(sizeof(RegionalArea) == 156, "counting region is 156 bytes");

struct RegionalRecord {
    int32_t result;  // reply 6220 only
    int32_t chnid;
    int32_t sensitivity;
    int32_t minObjX, minObjY, minObjWidth, minObjHeight;
    int32_t maxObjX, maxObjY, maxObjWidth, maxObjHeight;
    RegionalArea region[4];
    WeeklySchedule effective;  // camera form
    char copyChn[kRegionalCopyTextSize];
};
static_assert(offsetof(RegionalRecord, region) == 44, "regions at 44");
static_assert(offsetof(RegionalRecord, effective) == 668, "effective schedule at 668");
static_assert(offsetof(RegionalRecord, copyChn) == 28380, "copy text at 28380");
static_assert(sizeof(RegionalRecord) == 28448, "regional record is 28448 bytes");

// Reply 6220: the page's answer from the daemon's record and the region actions stored for the
// channel that was asked for.
int on_get_ipc_regional_info_cb(const void *payload, int length);

#endif
