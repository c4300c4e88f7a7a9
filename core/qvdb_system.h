// Configuration database records of system administration: display, disk maintenance, UPnP,
// auto reboot, address filter and the MAC configuration (the network and port records are in
// core/qvdb_network.h).
#ifndef NVR_CORE_QVDB_SYSTEM_H
#define NVR_CORE_QVDB_SYSTEM_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// Local display outputs and audio: one record, id 0.
struct DisplayRecord {
    int32_t id;
    int32_t mainResolution;
    int32_t hdmiAudioOn;
    int32_t audioOutputOn;
    int32_t audioVolume;
    int32_t audioStereo;
    int32_t subEnable;
    int32_t subResolution;
    int32_t curControl;
};
static_assert(sizeof(DisplayRecord) == 36, "display record is 36 bytes");

// Automatic maintenance (retention in days or months, as the page chooses): one record, id 0.
struct DiskMaintainRecord {
    int32_t id;
    int32_t logRetention;
    int32_t photoRetention;
};
static_assert(sizeof(DiskMaintainRecord) == 12, "disk maintenance record is 12 bytes");

// UPnP port mapping, sent whole to the daemon with request 3720: one record, id 0.
struct UpnpRecord {
    int32_t enable;
    int32_t type;
    int32_t id;
    char external_ip[64];
    char reserved[60];
    int32_t external_http_port;
    int32_t http_status;
    int32_t external_rtsp_port;
    int32_t rtsp_status;
};
static_assert(offsetof(UpnpRecord, type) == 4, "UPnP type at 4");
static_assert(offsetof(UpnpRecord, external_http_port) == 136, "UPnP external HTTP port at 136");
static_assert(offsetof(UpnpRecord, external_rtsp_port) == 144, "UPnP external RTSP port at 144");
static_assert(sizeof(UpnpRecord) == 152, "UPnP record is 152 bytes");

// Automatic reboot: one record, id 0.
struct AutoRebootRecord {
    int32_t id;
    int32_t enable;
    int32_t wday;
    int32_t hour;
    int32_t minutes;
    int32_t seconds;
};
static_assert(sizeof(AutoRebootRecord) == 24, "auto-reboot record is 24 bytes");

// One entry of the address filter (at most 100; the list belongs to owner 0).
struct AccessFilterEntry {
    int32_t owner;
    int32_t address_type;
    char address[32];
};
static_assert(sizeof(AccessFilterEntry) == 40, "address filter entry is 40 bytes");
constexpr int kQvdbAccessFilterEntries = 100;

// The device's stored MAC address text: one record, id 0.
struct MacConfRecord {
    int32_t id;
    char mac[32];
};
static_assert(sizeof(MacConfRecord) == 36, "MAC configuration record is 36 bytes");

// The single-record kinds take their record with id 0.
int read_display(const char *db, DisplayRecord *record);
int write_display(const char *db, const DisplayRecord *record);
int read_disk_maintain_info(const char *db, DiskMaintainRecord *record);
int write_disk_maintain_info(const char *db, const DiskMaintainRecord *record);
int read_upnp(const char *db, UpnpRecord *record);
int write_upnp(const char *db, const UpnpRecord *record);
int read_autoreboot_conf(const char *db, AutoRebootRecord *record);
int write_autoreboot_conf(const char *db, const AutoRebootRecord *record);
int read_mac_conf(const char *db, MacConfRecord *record);
int write_mac_conf(const char *db, const MacConfRecord *record);

// The address filter: up to capacity entries in order; *count gets their number.
int read_access_filter(const char *db, AccessFilterEntry *entries, int capacity, int *count);
// Replaces the whole filter with count entries (at most 100).
int write_access_filter(const char *db, const AccessFilterEntry *entries, int count);

#endif
