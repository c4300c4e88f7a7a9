// Database tables of system administration: display, disk maintenance, UPnP, auto reboot,
// address filter and the MAC configuration.
#include "core/qvdb_system.h"

#include <string.h>

#include "core/web_utils.h"
#include "platform/qvdb_internal.h"

namespace {

const QvdbField kDisplayFields[] = {
    QVDB_FIELD(DisplayRecord, id, "id"),
    QVDB_FIELD(DisplayRecord, mainResolution, "main_resolution"),
    QVDB_FIELD(DisplayRecord, hdmiAudioOn, "hdmi_audio_on"),
    QVDB_FIELD(DisplayRecord, audioOutputOn, "audio_output_on"),
    QVDB_FIELD(DisplayRecord, audioVolume, "audio_volume"),
    QVDB_FIELD(DisplayRecord, audioStereo, "audio_stereo"),
    QVDB_FIELD(DisplayRecord, subEnable, "sub_enable"),
    QVDB_FIELD(DisplayRecord, subResolution, "sub_resolution"),
    QVDB_FIELD(DisplayRecord, curControl, "cur_control"),
};
const QvdbShape kDisplayShape = qvdb_record_shape(kQvdbSettings, sizeof(DisplayRecord), QVDB_FIELDS(kDisplayFields),
                                                  "id", 1, 1);
QVDB_TABLE(kDisplayTable, "display", kDisplayShape);

const QvdbField kDiskMaintainFields[] = {
    QVDB_FIELD(DiskMaintainRecord, id, "id"),
    QVDB_FIELD(DiskMaintainRecord, logRetention, "log_retention"),
    QVDB_FIELD(DiskMaintainRecord, photoRetention, "photo_retention"),
};
const QvdbShape kDiskMaintainShape = qvdb_record_shape(kQvdbSettings, sizeof(DiskMaintainRecord),
                                                       QVDB_FIELDS(kDiskMaintainFields), "id", 1, 1);
QVDB_TABLE(kDiskMaintainTable, "disk_maintain", kDiskMaintainShape);

const QvdbField kUpnpFields[] = {
    QVDB_FIELD(UpnpRecord, id, "id"),
    QVDB_FIELD(UpnpRecord, enable, "enable"),
    QVDB_FIELD(UpnpRecord, type, "type"),
    QVDB_FIELD(UpnpRecord, external_ip, "external_ip"),
    QVDB_FIELD(UpnpRecord, external_http_port, "external_http_port"),
    QVDB_FIELD(UpnpRecord, http_status, "http_status"),
    QVDB_FIELD(UpnpRecord, external_rtsp_port, "external_rtsp_port"),
    QVDB_FIELD(UpnpRecord, rtsp_status, "rtsp_status"),
};
const QvdbShape kUpnpShape = qvdb_record_shape(kQvdbSettings, sizeof(UpnpRecord), QVDB_FIELDS(kUpnpFields), "id",
                                               1, 1);
QVDB_TABLE(kUpnpTable, "upnp", kUpnpShape);

const QvdbField kAutoRebootFields[] = {
    QVDB_FIELD(AutoRebootRecord, id, "id"),
    QVDB_FIELD(AutoRebootRecord, enable, "enable"),
    QVDB_FIELD(AutoRebootRecord, wday, "wday"),
    QVDB_FIELD(AutoRebootRecord, hour, "hour"),
    QVDB_FIELD(AutoRebootRecord, minutes, "minutes"),
    QVDB_FIELD(AutoRebootRecord, seconds, "seconds"),
};
const QvdbShape kAutoRebootShape = qvdb_record_shape(kQvdbSettings, sizeof(AutoRebootRecord),
                                                     QVDB_FIELDS(kAutoRebootFields), "id", 1, 1);
QVDB_TABLE(kAutoRebootTable, "auto_reboot", kAutoRebootShape);

const QvdbField kAccessFilterFields[] = {
    QVDB_FIELD(AccessFilterEntry, owner, "owner"),
    QVDB_FIELD(AccessFilterEntry, address_type, "address_type"),
    QVDB_FIELD(AccessFilterEntry, address, "address"),
};
const QvdbShape kAccessFilterShape = qvdb_list_shape(kQvdbSettings, sizeof(AccessFilterEntry),
                                                     QVDB_FIELDS(kAccessFilterFields), "owner", 1,
                                                     kQvdbAccessFilterEntries);
QVDB_TABLE(kAccessFilterTable, "access_filter", kAccessFilterShape);

const QvdbField kMacConfFields[] = {
    QVDB_FIELD(MacConfRecord, id, "id"),
    QVDB_FIELD(MacConfRecord, mac, "mac"),
};
const QvdbShape kMacConfShape = qvdb_record_shape(kQvdbSettings, sizeof(MacConfRecord), QVDB_FIELDS(kMacConfFields),
                                                  "id", 1, 1);
QVDB_TABLE(kMacConfTable, "mac_conf", kMacConfShape);

// A single-record kind: read the row of id 0, and write under id 0 whatever the record says.
template <typename Record>
int read_single(const char *db, const QvdbTable &table, Record *record) {
    return record ? qvdb_read_record(db, table, record, 0) : -1;
}

template <typename Record>
int write_single(const char *db, const QvdbTable &table, const Record *record) {
    if (!record) return -1;
    Record copy = *record;
    copy.id = 0;
    return qvdb_write_record(db, table, &copy);
}

}  // namespace

int read_display(const char *db, DisplayRecord *record) { return read_single(db, kDisplayTable, record); }
int write_display(const char *db, const DisplayRecord *record) { return write_single(db, kDisplayTable, record); }
int read_disk_maintain_info(const char *db, DiskMaintainRecord *record) {
    return read_single(db, kDiskMaintainTable, record);
}
int write_disk_maintain_info(const char *db, const DiskMaintainRecord *record) {
    return write_single(db, kDiskMaintainTable, record);
}
int read_upnp(const char *db, UpnpRecord *record) { return read_single(db, kUpnpTable, record); }
int write_upnp(const char *db, const UpnpRecord *record) { return write_single(db, kUpnpTable, record); }
int read_autoreboot_conf(const char *db, AutoRebootRecord *record) {
    return read_single(db, kAutoRebootTable, record);
}
int write_autoreboot_conf(const char *db, const AutoRebootRecord *record) {
    return write_single(db, kAutoRebootTable, record);
}
int read_mac_conf(const char *db, MacConfRecord *record) { return read_single(db, kMacConfTable, record); }
int write_mac_conf(const char *db, const MacConfRecord *record) { return write_single(db, kMacConfTable, record); }

int read_access_filter(const char *db, AccessFilterEntry *entries, int capacity, int *count) {
    if (!entries || !count || capacity < 0) return -1;
    if (capacity > kQvdbAccessFilterEntries) capacity = kQvdbAccessFilterEntries;
    return qvdb_read_list(db, kAccessFilterTable, entries, capacity, count, 0);
}

int write_access_filter(const char *db, const AccessFilterEntry *entries, int count) {
    if (count < 0 || count > kQvdbAccessFilterEntries || (count > 0 && !entries)) return -1;
    return qvdb_write_list(db, kAccessFilterTable, entries, count, 0);
}
