// Disk and RAID routes of module "/6100": the disk list, disk properties, formatting, RAID
// creation and removal, hot spares, rebuild and the RAID mode.
#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/oplog_details.h"
#include "core/response.h"
#include "storage/storage_module.h"
#include "storage/storage_payloads.h"

namespace {

constexpr int kLogSettingsSaved = 204;
constexpr int kLogDiskFormat = 207;
constexpr int kLogDisks = 919;
constexpr int kLogNothingInParticular = 900;
constexpr int kFormatPortLimit = 36;
constexpr int kFormatProgressPortLimit = 16;
constexpr int kRaidFirst = 10, kRaidLastCreated = 15, kRaidLastRemoved = 16;

// 0 when "portId" is 0 to 35 and "property" 0 or 1, both present; else -1.
int check_disk_info(json_object *request) {
    int port = 0, property = 0;
    if (!storage_read_int(request, "portId", &port) || port < 0 || port > 35) return -1;
    if (!storage_read_int(request, "property", &property) || (property != 0 && property != 1)) return -1;
    return 0;
}

// 0 when "id" is 10 to 15, "enable" is present and "sata_port", "sata_cnt", "level" are present
// and 0 or more; else -1.
int check_raid_info(json_object *request) {
    int id = 0, value = 0;
    if (!storage_read_int(request, "id", &id) || id < kRaidFirst || id > kRaidLastCreated) return -1;
    if (!storage_read_int(request, "enable", &value)) return -1;
    for (const char *key : {"sata_port", "sata_cnt", "level"})
        if (!storage_read_int(request, key, &value) || value < 0) return -1;
    return 0;
}

// A decimal argument within 0 .. limit.
bool parse_port_argument(const char *arg, long first, long last, int *port) {
    long value = 0;
    if (!parse_decimal(arg, &value) || value < first || value > last) return false;
    *port = static_cast<int>(value);
    return true;
}

}  // namespace

// "/6100": the daemon's disks merged with the configured shares.
int on_get_disk_info(const char *) {
    read_disk_table(QVDB_PATH, g_storage_context.disks);
    g_storage_context.esata_type = get_param_int(QVDB_PATH, "esata_type", 0);
    storage_ask(kRequestDiskList, nullptr, 0, kJson);
    return 0;
}

// "/6101": a disk's property and group.
int on_set_disk_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_disk_info(request) != 0) return 0;
    int port = json_int_or(request, "portId", 0);
    DiskEntry disk;
    memset(&disk, 0, sizeof disk);
    DbTransaction transaction(QVDB_PATH);
    read_disk(QVDB_PATH, &disk, port);
    disk.port = port;
    disk.property = json_int_or(request, "property", 0);
    disk.group = json_int_or(request, "group", 0);
    if (write_disk(QVDB_PATH, &disk) != 0 || transaction.commit() != 0) return 0;
    DiskPropertyRequest payload = {port, disk.property, disk.group, json_int_or(request, "private", 0)};
    storage_notify(kRequestDiskProperty, &payload, sizeof payload);
    cgi_log_operation(on_storage_ipc_callback, kLogSettingsSaved, kLogDisks, port);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6102": format a disk; the log records the outcome, also when the daemon stayed silent.
int on_format_disk(const char *arg) {
    int port = 0;
    if (!parse_port_argument(arg, 0, kFormatPortLimit, &port)) return 0;
    g_format_succeeded.store(false);
    int32_t payload = port;
    storage_ask(kRequestFormatDisk, &payload, sizeof payload, kJson);
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = kLogDiskFormat;
    record.parameter = kLogNothingInParticular;
    record.channel = port;
    pack_format_log_detail(&record, port, g_format_succeeded.load());
    cgi_send_log_record(on_storage_ipc_callback, &record);
    return 0;
}

// "/6103": the page's format progress poll.
int on_get_format_progress(const char *arg) {
    int port = 0;
    if (!parse_port_argument(arg, 0, kFormatProgressPortLimit, &port)) return 0;
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6104": create a RAID array of the disks whose bits are set in "sata_port".
int on_create_raid(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_raid_info(request) != 0) return 0;
    RaidRequest payload;
    memset(&payload, 0, sizeof payload);
    payload.id = json_int_or(request, "id", 0);
    payload.enable = json_int_or(request, "enable", 0);
    payload.level = json_int_or(request, "level", 0);
    payload.member_count = json_int_or(request, "sata_cnt", 0);
    int ports = json_int_or(request, "sata_port", 0), members = 0;
    for (int bit = 0; bit < kRaidMembers; bit++)
        if (ports & (1 << bit)) payload.member[members++] = bit;
    storage_ask(kRequestCreateRaid, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/6105": remove a RAID array.
int on_remove_raid(const char *arg) {
    int port = 0;
    if (!parse_port_argument(arg, kRaidFirst, kRaidLastRemoved, &port)) return 0;
    RaidRequest payload;
    memset(&payload, 0, sizeof payload);
    payload.id = port;
    storage_ask(kRequestRemoveRaid, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/6106": make a disk a hot spare ("hotflag" not 0) or an ordinary disk again.
int on_set_hot_space(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int32_t port = json_int_or(request, "port", 0);
    int code = json_int_or(request, "hotflag", 0) != 0 ? kRequestAddHotSpare : kRequestRemoveHotSpare;
    storage_ask(code, &port, sizeof port, kTextPlain);
    return 0;
}

// "/6107": rebuild a RAID array with a disk.
int on_rebuild_raid(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    RebuildRaidRequest payload = {json_int_or(request, "diskport", 0), json_int_or(request, "raidport", 0)};
    storage_ask(kRequestRebuildRaid, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/6108": the RAID mode as decimal text.
int on_get_raid_mode(const char *) {
    char text[16];
    snprintf(text, sizeof text, "%d", get_param_int(QVDB_PATH, "raidmode", 0));
    return cgi_writeback_webserver(kTextPlain, text);
}

// "/6109": the RAID mode, 0 or 1 (anything else stores 0).
int on_set_raid_mode(const char *arg) {
    if (!arg || !*arg) return 0;
    long mode = 0;
    if (!parse_decimal(arg, &mode) || (mode != 0 && mode != 1)) mode = 0;
    set_param_int(QVDB_PATH, "raidmode", static_cast<int>(mode));
    return cgi_writeback_webserver(kTextPlain, "OK");
}
