// Daemon payloads of the camera channel routes: request layouts, reply entries and the
// operation-log detail of a camera change. Little-endian, fixed-width fields.
#ifndef NVR_CAMERA_CAMERA_PAYLOADS_H
#define NVR_CAMERA_CAMERA_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

// ---- request codes ----------------------------------------------------------------------------

constexpr int kRequestCameraAdded = 1201;      // channel
constexpr int kRequestCameraDeleted = 1202;    // channel
constexpr int kRequestCameraChanged = 1203;    // channel
constexpr int kRequestCameraPoe = 1206;        // CameraPoeNotice
constexpr int kRequestSearchCameras = 3200;    // protocol; reply 8200
constexpr int kRequestCameraList = 3201;       // no payload; reply 8201
constexpr int kRequestCheckCamera = 3202;      // CameraCheckRequest; reply 8202
constexpr int kRequestCameraNetwork = 3205;    // CameraNetworkChange; reply 8205
constexpr int kRequestCheckCameraPort = 3227;  // CameraPortCheckRequest; reply 8227
constexpr int kRequestCameraNetworkItem = 3229;     // CameraNetworkChangeItem, no reply
constexpr int kRequestCameraNetworkResults = 3230;  // no payload; reply 8230
constexpr int kRequestCameraModelType = 2503;  // id; reply 7503
constexpr int kRequestChannelModels = 2505;    // no payload; reply 7505
constexpr int kRequestChannelModel = 2507;     // channel; reply 7507

// ---- requests -----------------------------------------------------------------------------------

struct CameraPoeNotice {
    int32_t channel;
    int32_t other_poe;  // 1 when "otherPoe" is 1, else 0
};
static_assert(sizeof(CameraPoeNotice) == 8, "PoE notice is 8 bytes");

struct CameraCheckRequest {
    char ipAddr[32];
    int32_t managePort;
    char userName[64];
    char password[33];
    uint8_t padding[3];
    int32_t camProtocol;
    uint8_t reserved[72];
};
static_assert(offsetof(CameraCheckRequest, managePort) == 32, "check port at 32");
static_assert(offsetof(CameraCheckRequest, password) == 100, "check password at 100");
static_assert(offsetof(CameraCheckRequest, camProtocol) == 136, "check protocol at 136");
static_assert(sizeof(CameraCheckRequest) == 212, "camera check is 212 bytes");

struct CameraPortCheckRequest {
    int32_t reserved0;
    char ipAddr[32];
    int32_t managePort;  // at least 80
    char userName[64];
    char password[33];
    uint8_t padding[3];
    int32_t camProtocol;
    uint8_t reserved[4];
};
static_assert(offsetof(CameraPortCheckRequest, managePort) == 36, "port check port at 36");
static_assert(offsetof(CameraPortCheckRequest, password) == 104, "port check password at 104");
static_assert(offsetof(CameraPortCheckRequest, camProtocol) == 140, "port check protocol at 140");
static_assert(sizeof(CameraPortCheckRequest) == 148, "camera port check is 148 bytes");

constexpr int kLowestManagePort = 80;

// A camera's own network settings (3205), and one item of a batch change (3229).
struct CameraNetworkChange {
    char macAddr[48];
    char oldIpcAddr[32];
    char newIpcAddr[32];
    char netmask[32];
    char gateway[32];
    char primaryDNS[32];
    int32_t port;
    char username[64];
    char password[33];
    uint8_t padding1[3];
    int32_t protocol;
    uint8_t reserved[64];
    char netif[6];
    uint8_t padding2[2];
};
static_assert(offsetof(CameraNetworkChange, oldIpcAddr) == 48, "old address at 48");
static_assert(offsetof(CameraNetworkChange, primaryDNS) == 176, "DNS at 176");
static_assert(offsetof(CameraNetworkChange, port) == 208, "network port at 208");
static_assert(offsetof(CameraNetworkChange, password) == 276, "network password at 276");
static_assert(offsetof(CameraNetworkChange, protocol) == 312, "network protocol at 312");
static_assert(offsetof(CameraNetworkChange, netif) == 380, "interface at 380");
static_assert(sizeof(CameraNetworkChange) == 388, "camera network change is 388 bytes");

struct CameraNetworkChangeItem {
    CameraNetworkChange change;
    int32_t channelId;
    int32_t modifynum;
};
static_assert(offsetof(CameraNetworkChangeItem, channelId) == 388, "batch channel at 388");
static_assert(sizeof(CameraNetworkChangeItem) == 396, "batch network change is 396 bytes");

// ---- replies ------------------------------------------------------------------------------------

// One camera found by a search (reply 8200, as many as the payload holds).
struct CameraSearchEntry {
    char ipAddr[32];
    char macAddr[32];
    int32_t managePort;
    int32_t protocol;
    char vendor[192];
    char sn[128];
    char fwVersion[64];
    char model[64];
    int32_t modelId;
    char netmask[32];
    char dns[32];
    char gateway[32];
    char netif[8];
    int32_t active_status;
    char name[64];
    char snReal[64];
};
static_assert(offsetof(CameraSearchEntry, vendor) == 72, "search vendor at 72");
static_assert(offsetof(CameraSearchEntry, modelId) == 520, "search model id at 520");
static_assert(offsetof(CameraSearchEntry, active_status) == 628, "search status at 628");
static_assert(offsetof(CameraSearchEntry, snReal) == 696, "search serial at 696");
static_assert(sizeof(CameraSearchEntry) == 760, "search entry is 760 bytes");

// One channel of the camera list (reply 8201).
struct CameraListEntry {
    int32_t id;
    int32_t managePort;
    int32_t camProtocol;
    int32_t state;
    int32_t mainRtspPort;
    char ipAddr[32];
    char vendor[192];
    char sn[128];
    char fwVersion[64];
    char mac[48];
    char model[64];
    uint8_t reserved[260];
    int32_t poechannel;
    int32_t physicalport;
    int32_t alarmin;
    int32_t alarmout;
    int32_t whiteLed;
    int32_t ledAlarm;
    int32_t ledManual;
    int32_t minorid;
    int32_t subState;
    int32_t connectState;
    char snReal[64];
    char ddns[64];
    char chipinfo[64];
};
static_assert(offsetof(CameraListEntry, ipAddr) == 20, "list address at 20");
static_assert(offsetof(CameraListEntry, mac) == 436, "list MAC at 436");
static_assert(offsetof(CameraListEntry, model) == 484, "list model at 484");
static_assert(offsetof(CameraListEntry, poechannel) == 808, "list PoE channel at 808");
static_assert(offsetof(CameraListEntry, connectState) == 844, "list connection state at 844");
static_assert(offsetof(CameraListEntry, snReal) == 848, "list serial at 848");
static_assert(offsetof(CameraListEntry, chipinfo) == 976, "list chip at 976");
static_assert(sizeof(CameraListEntry) == 1040, "list entry is 1040 bytes");

// Results of a batch network change (reply 8230): a count, then 64 entries from byte 16.
struct CameraNetworkResult {
    char mac[48];
    int32_t result;
};
static_assert(sizeof(CameraNetworkResult) == 52, "network result is 52 bytes");
constexpr int kNetworkResultCountOffset = 4;
constexpr int kNetworkResultsOffset = 16;
constexpr int kNetworkResultEntries = 64;

// A channel's camera model (replies 7505, 64 of them, and 7507, one).
struct ChannelModelEntry {
    int32_t chnid;
    char ipaddr[32];
    char model[64];
    char fwversion[64];
};
static_assert(offsetof(ChannelModelEntry, model) == 36, "channel model at 36");
static_assert(offsetof(ChannelModelEntry, fwversion) == 100, "channel firmware at 100");
static_assert(sizeof(ChannelModelEntry) == 164, "channel model entry is 164 bytes");
constexpr int kChannelModelEntries = 64;

// ---- operation-log detail -------------------------------------------------------------------------

constexpr int kCameraLogDetailType = 111;

// The detail of an added or edited camera.
struct CameraLogDetail {
    int32_t code;  // 901 added, 903 edited
    char ipAddr[64];
    int32_t managePort;
    int32_t channel;  // channel + 1
    uint8_t reserved[64];
    char protocol[16];   // "ONVIF", "RTSP" or "QVSF"
    char transport[16];  // "UDP", "RTSP Over HTTPS" or "TCP"
    uint8_t syncTime;    // low byte
    uint8_t padding[3];
};
static_assert(offsetof(CameraLogDetail, managePort) == 68, "detail port at 68");
static_assert(offsetof(CameraLogDetail, protocol) == 140, "detail protocol at 140");
static_assert(offsetof(CameraLogDetail, transport) == 156, "detail transport at 156");
static_assert(offsetof(CameraLogDetail, syncTime) == 172, "detail sync time at 172");
static_assert(sizeof(CameraLogDetail) == 176, "camera log detail is 176 bytes");

#endif
