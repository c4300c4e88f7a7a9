// Database tables of system administration: network, display, disk maintenance, UPnP, ports,
// auto reboot, address filter and the MAC configuration.
#include "core/qvdb_system.h"

#include <string.h>

#include "core/web_utils.h"
#include "platform/qvdb_internal.h"

namespace {

#define IPV4_FIELDS(member, prefix)                                                  \
    QVDB_FIELD(NetworkRecord, member.enable, prefix "enable"),                       \
        QVDB_FIELD(NetworkRecord, member.type, prefix "type"),                       \
        QVDB_FIELD(NetworkRecord, member.address, prefix "address"),                 \
        QVDB_FIELD(NetworkRecord, member.netmask, prefix "netmask"),                 \
        QVDB_FIELD(NetworkRecord, member.gateway, prefix "gateway"),                 \
        QVDB_FIELD(NetworkRecord, member.dns1, prefix "dns1"),                       \
        QVDB_FIELD(NetworkRecord, member.dns2, prefix "dns2"), QVDB_FIELD(NetworkRecord, member.mtu, prefix "mtu")

#define IPV6_FIELDS(member, prefix)                                                  \
    QVDB_FIELD(NetworkRecord, member.type, prefix "type"),                           \
        QVDB_FIELD(NetworkRecord, member.address, prefix "address"),                 \
        QVDB_FIELD(NetworkRecord, member.netmask, prefix "netmask"),                 \
        QVDB_FIELD(NetworkRecord, member.gateway, prefix "gateway")

const QvdbField kNetworkFields[] = {
    QVDB_FIELD(NetworkRecord, id, "id"),
    QVDB_FIELD(NetworkRecord, mode, "mode"),
    QVDB_FIELD(NetworkRecord, host_name, "host_name"),
    QVDB_FIELD(NetworkRecord, primary_net, "primary_net"),
    IPV4_FIELDS(bond, "bond_"),
    IPV4_FIELDS(eth0, "eth0_"),
    IPV4_FIELDS(eth1, "eth1_"),
    IPV6_FIELDS(bond6, "bond_ip6_"),
    IPV6_FIELDS(eth0_6, "eth0_ip6_"),
    IPV6_FIELDS(eth1_6, "eth1_ip6_"),
    QVDB_FIELD(NetworkRecord, default_route, "default_route"),
};
const QvdbShape kNetworkShape = qvdb_record_shape(kQvdbSettings, sizeof(NetworkRecord), QVDB_FIELDS(kNetworkFields),
                                                  "id", 1, 1);
QVDB_TABLE(kNetworkTable, "network", kNetworkShape);

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

const QvdbField kPortFields[] = {
    QVDB_FIELD(PortRecord, id, "id"),
    QVDB_FIELD(PortRecord, enableSsh, "enable_ssh"),
    QVDB_FIELD(PortRecord, sshPort, "ssh_port"),
    QVDB_FIELD(PortRecord, httpPort, "http_port"),
    QVDB_FIELD(PortRecord, rtspPort, "rtsp_port"),
    QVDB_FIELD(PortRecord, servicePort, "service_port"),
    QVDB_FIELD(PortRecord, host_name, "host_name"),
    QVDB_FIELD(PortRecord, host_name_enable, "host_name_enable"),
    QVDB_FIELD(PortRecord, httpsPort, "https_port"),
};
const QvdbShape kPortShape = qvdb_record_shape(kQvdbSettings, sizeof(PortRecord), QVDB_FIELDS(kPortFields), "id",
                                               1, 1);
QVDB_TABLE(kPortTable, "port", kPortShape);

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

int read_network(const char *db, NetworkRecord *record) { return read_single(db, kNetworkTable, record); }
int write_network(const char *db, const NetworkRecord *record) { return write_single(db, kNetworkTable, record); }
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
int read_port(const char *db, PortRecord *record) { return read_single(db, kPortTable, record); }
int write_port(const char *db, const PortRecord *record) { return write_single(db, kPortTable, record); }
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
