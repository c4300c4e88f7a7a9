// Configuration database records of the camera channels, shared by the camera, video, recording,
// status and miscellaneous routes: the camera record, the on-screen display (name) record, the
// stored privacy masks and the catalogue of camera protocols and models.
#ifndef NVR_CORE_QVDB_CAMERA_H
#define NVR_CORE_QVDB_CAMERA_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// The camera of one channel (table "camera", keyed by "id" 0 to 63). A free channel has state 1
// and enable 0.
struct CameraRecord {
    int32_t id;
    int32_t state;  // 1 when the channel is free (deleted)
    int32_t enable;
    char userName[64];
    char password[64];
    char ipAddr[64];
    int32_t mainRtspPort;
    char mainSourcePath[256];
    int32_t subRtspEnable;
    int32_t subRtspPort;
    char subSourcePath[256];
    int32_t managePort;
    int32_t camProtocol;       // camera model number 0 to 7: 0 ONVIF, 1 plain RTSP, others the maker's own
    int32_t transmitProtocol;  // 0 UDP, 3 RTSP over HTTPS, others TCP
    int32_t spare_word1;
    int32_t preserved;  // kept when the channel is deleted
    int32_t syncTime;
    int32_t spare_word2;
    char mainRtspUrl[256];
    char subRtspUrl[256];
    int32_t record_stream;  // recorded stream
    int32_t anr;            // automatic network replenishment on
    int32_t poechannel;
    char mac_addr[32];
    int32_t physicalport;
    int32_t minorid;
    char ddns[64];
    int32_t httpsPort;
};
static_assert(offsetof(CameraRecord, userName) == 12, "camera user name at 12");
static_assert(offsetof(CameraRecord, ipAddr) == 140, "camera address at 140");
static_assert(offsetof(CameraRecord, mainSourcePath) == 208, "camera main source path at 208");
static_assert(offsetof(CameraRecord, managePort) == 728, "camera manage port at 728");
static_assert(offsetof(CameraRecord, preserved) == 744, "camera preserved word at 744");
static_assert(offsetof(CameraRecord, mainRtspUrl) == 756, "camera main RTSP URL at 756");
static_assert(offsetof(CameraRecord, record_stream) == 1268, "camera recorded stream at 1268");
static_assert(offsetof(CameraRecord, mac_addr) == 1280, "camera MAC at 1280");
static_assert(offsetof(CameraRecord, ddns) == 1320, "camera DDNS at 1320");
static_assert(sizeof(CameraRecord) == 1388, "camera record is 1388 bytes");

// The recorder's on-screen display of one channel, including the channel's name (table "osd",
// keyed by "channel" 0 to 63; factory name "CAM1" ... "CAM64").
struct OsdRecord {
    int32_t channel;
    char camName[64];
    int32_t showName;
    int32_t showDate;
    int32_t showWeek;
    int32_t dateFormat;
    int32_t timeFormat;
    double datePosX;
    double datePosY;
    double namePosX;
    double namePosY;
    int32_t alpha;
    int32_t reserved;
};
static_assert(offsetof(OsdRecord, showName) == 68, "OSD name shown at 68");
static_assert(offsetof(OsdRecord, timeFormat) == 84, "OSD time format at 84");
static_assert(offsetof(OsdRecord, datePosX) == 88, "OSD date x at 88");
static_assert(offsetof(OsdRecord, namePosY) == 112, "OSD name y at 112");
static_assert(offsetof(OsdRecord, alpha) == 120, "OSD transparency at 120");
static_assert(sizeof(OsdRecord) == 128, "OSD record is 128 bytes");

// The name a free channel gets: "CAM" and the channel number plus 1.
void osd_default_name(int channel, char *name, size_t size);

// One stored privacy-mask area: thirteen words.
struct PrivacyMaskArea {
    int32_t area_id;
    int32_t enable;
    int32_t start_x;
    int32_t start_y;
    int32_t area_width;
    int32_t area_height;
    int32_t width;
    int32_t height;
    int32_t fill_color;
    int32_t reserved[4];
};
static_assert(sizeof(PrivacyMaskArea) == 52, "privacy-mask area is 52 bytes");

constexpr int kPrivacyMaskAreas = 24;

// The stored privacy masks of one channel (table "privacy_mask", keyed by "channel"): the channel
// word, then 24 areas. The areas are stored as one list of words.
struct PrivacyMaskRecord {
    int32_t channel;
    union {
        PrivacyMaskArea area[kPrivacyMaskAreas];
        int32_t words[kPrivacyMaskAreas * 13];
    };
};
static_assert(offsetof(PrivacyMaskRecord, area) == 4, "privacy-mask areas at 4");
static_assert(sizeof(PrivacyMaskRecord) == 1252, "privacy-mask record is 1252 bytes");

// A camera model of the catalogue (table "ipc_model", keyed by "id", the model number 0 to 7 that
// camera records hold as camProtocol): the protocol it speaks and how the pages show it.
struct CameraModelRecord {
    int32_t id;
    int32_t protocol;  // id of its protocol entry
    char name[32];
    int32_t alarm_type;
    int32_t default_model;  // 1 for the model the pages preselect for its protocol
};
static_assert(offsetof(CameraModelRecord, name) == 8, "camera model name at 8");
static_assert(offsetof(CameraModelRecord, alarm_type) == 40, "camera model alarm type at 40");
static_assert(sizeof(CameraModelRecord) == 48, "camera model record is 48 bytes");

constexpr int kCameraModels = 8;

// A camera protocol of the catalogue (table "ipc_protocol", keyed by "id").
struct CameraProtocolRecord {
    int32_t id;
    char name[24];
    int32_t protocolFunction;
    int32_t enable;
    int32_t display_model;
};
static_assert(offsetof(CameraProtocolRecord, protocolFunction) == 28, "camera protocol function at 28");
static_assert(sizeof(CameraProtocolRecord) == 40, "camera protocol entry is 40 bytes");

constexpr int kCameraProtocols = 8;

QVDB_DECLARE_RECORD_FUNCTIONS(camera, CameraRecord)
QVDB_DECLARE_RECORD_FUNCTIONS(osd, OsdRecord)
QVDB_DECLARE_RECORD_FUNCTIONS(privacy_mask, PrivacyMaskRecord)

// The model catalogue: read_ipc_model(db, record, model number); read_ipc_protocols reads the
// protocol entries in id order; write_ipc_protocol stores one.
QVDB_DECLARE_RECORD_FUNCTIONS(ipc_model, CameraModelRecord)
QVDB_DECLARE_RECORD_FUNCTIONS(ipc_protocol, CameraProtocolRecord)
// The models of one protocol in id order, at most capacity; *count gets their number.
int read_ipc_models_by_protocol(const char *db, CameraModelRecord *models, int capacity, int protocol, int *count);

// The camera address of a channel (the camera record's ipAddr), cut to size - 1.
int read_camera_ip(const char *db, int channel, char *address, int size);
// Sets the camera record's ipAddr of a channel, keeping its other fields.
int write_camera_ip(const char *db, int channel, const char *address);

#endif
