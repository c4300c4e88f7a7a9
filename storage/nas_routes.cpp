// Network share routes of module "/6100": add one or several shares, search a server, remove
// shares, and remove a disk of any kind. Share texts go only into the database and the payloads.
#include <string.h>

#include <string>
#include <vector>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/oplog_details.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/qvstd.h"
#include "storage/storage_module.h"
#include "storage/storage_payloads.h"

namespace {

constexpr int kLogSharesAdded = 219;
constexpr int kLogSharesRemoved = 220;
constexpr int kLogShareAdded = 221;
constexpr int kLogDiskRemoved = 224;
constexpr int kLogNothingInParticular = 900;

bool valid_share_port(int port) { return port >= 1 && port <= kDiskPorts; }

// The text of a JSON value, "" for anything but a string.
const char *text_of(json_object *value) {
    return json_object_is_type(value, json_type_string) ? json_object_get_string(value) : "";
}

// Element i of the array under key, as text ("" when missing).
const char *array_text(json_object *request, const char *key, size_t i) {
    json_object *array = json_get_typed(request, key, json_type_array);
    return array && i < json_object_array_length(array) ? text_of(json_object_array_get_idx(array, i)) : "";
}

// A user name or password: cut to its field, then percent-decoded (kept as sent when it is not
// valid percent-encoding).
template <size_t N>
void store_credential(char (&field)[N], const char *text) {
    copy_text_field(field, N, text);
    char decoded[N];
    if (get_url_decode(field, decoded, static_cast<int>(N)) >= 0) copy_text_field(field, N, decoded);
}

struct ShareTexts {
    const char *vendor, *address, *directory, *user_name, *password;
};

DiskEntry share_entry(int port, int type, const ShareTexts &texts) {
    DiskEntry disk;
    memset(&disk, 0, sizeof disk);
    disk.port = port;
    disk.enable = 1;
    disk.property = 1;
    disk.type = type;
    copy_text_field(disk.vendor, sizeof disk.vendor, texts.vendor);
    copy_text_field(disk.address, sizeof disk.address, texts.address);
    copy_text_field(disk.directory, sizeof disk.directory, texts.directory);
    store_credential(disk.userName, texts.user_name);
    store_credential(disk.password, texts.password);
    return disk;
}

void append_port(PortList *list, int port) {
    if (list->count >= 0 && list->count < kPortListPorts) list->port[list->count++] = port;
}

void log_share(int sub_type, int port, int detail_kind, const char *protocol, const char *address,
               const char *directory) {
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = sub_type;
    record.channel = port;
    pack_nas_log_detail(&record, detail_kind, protocol, address, directory);
    cgi_send_log_record(on_storage_ipc_callback, &record);
}

const char *share_protocol(int type) { return type == kDiskTypeNfs ? "NFS" : "SMB/CIFS"; }

// Shares the daemon has removed are no longer configured: their entries become blank.
void forget_shares(const std::vector<DiskEntry> &removed) {
    DbTransaction transaction(QVDB_PATH);
    for (const DiskEntry &disk : removed) {
        if (disk.port == 0 || !is_network_disk_type(disk.type)) continue;
        DiskEntry blank = blank_disk_entry(disk.port);
        write_disk(QVDB_PATH, &blank);
    }
    transaction.commit();
}

DiskEntry stored_disk(int port) {
    DiskEntry disk;
    memset(&disk, 0, sizeof disk);
    if (port >= 0 && port <= kDiskPorts) read_disk(QVDB_PATH, &disk, port);
    return disk;
}

}  // namespace

// "/6200": remove network shares; each removed share is logged with its address.
int on_del_disk_nas(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    PortList list;
    memset(&list, 0, sizeof list);
    std::vector<DiskEntry> removed;
    int port = 0;
    size_t position = 0;
    for (PortItems items(request, kPortListPorts); items.next(&port, &position);) {
        append_port(&list, port);
        removed.push_back(stored_disk(port));
    }
    if (!storage_ask(kRequestRemoveShares, &list, sizeof list, kTextPlain)) return 0;
    for (const DiskEntry &disk : removed)
        if (disk.port != 0)
            log_share(kLogSharesRemoved, disk.port, kLogDetailNasList, share_protocol(disk.type), disk.address,
                      disk.directory);
    if (g_storage_result.load() == 0) forget_shares(removed);
    return 0;
}

// "/6201": add several shares of one type (NFS when not given).
int on_add_disk_nas_list(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int type = json_int_or(request, "type", kDiskTypeNfs);
    PortList list;
    memset(&list, 0, sizeof list);
    std::vector<DiskEntry> added;
    int port = 0;
    size_t i = 0;
    DbTransaction transaction(QVDB_PATH);
    for (PortItems items(request, kPortListPorts); items.next(&port, &i);) {
        if (!valid_share_port(port)) continue;
        ShareTexts texts = {array_text(request, "vendor", i), array_text(request, "address", i),
                            array_text(request, "directory", i), array_text(request, "userName", i),
                            array_text(request, "password", i)};
        added.push_back(share_entry(port, type, texts));
        write_disk(QVDB_PATH, &added.back());
        append_port(&list, port);
    }
    if (transaction.commit() != 0) return 0;
    if (!storage_ask(kRequestAddShares, &list, sizeof list, kTextPlain)) return 0;
    for (const DiskEntry &disk : added)
        log_share(kLogSharesAdded, disk.port, kLogDetailNasList, share_protocol(type), disk.address, disk.directory);
    return 0;
}

// "/6202": the shares a server offers.
int on_search_disk_nas(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    ShareSearchRequest payload;
    memset(&payload, 0, sizeof payload);
    payload.port = json_int_or(request, "port", 0);
    on_cgi_get_string_from_json(request, "serverAddr", payload.server, sizeof payload.server);
    storage_ask(kRequestSearchShares, &payload, sizeof payload, kJson);
    return 0;
}

// "/6203": add one share on a port 1 to 36.
int on_add_disk_nas(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int port = 0;
    if (!request || !storage_read_int(request, "port", &port) || !valid_share_port(port)) return 0;
    int type = json_int_or(request, "type", 0);
    auto text = [&request](const char *key) { return text_of(json_get_typed(request, key, json_type_string)); };
    ShareTexts texts = {text("vendor"), text("address"), text("directory"), text("userName"), text("password")};
    DiskEntry disk = share_entry(port, type, texts);
    if (write_disk(QVDB_PATH, &disk) != 0) return 0;
    int32_t payload = port;
    if (!storage_ask(kRequestAddShare, &payload, sizeof payload, kTextPlain)) return 0;
    const char *protocol = type == kDiskTypeNfs ? "NFS" : type == kDiskTypeSmb ? "SMB/CIFS" : "";
    log_share(kLogShareAdded, port, kLogDetailNasAdded, protocol, disk.address, disk.directory);
    return 0;
}

// "/6207": remove a disk: a RAID array, a network share or a local disk.
int on_remove_disk(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int port = 0;
    if (!request || !storage_read_int(request, "port", &port) || port < 1 || port > kDiskPorts) return 0;
    int type = json_int_or(request, "hddType", 0);
    if (is_network_disk_type(type)) {
        PortList list;
        memset(&list, 0, sizeof list);
        append_port(&list, port);
        DiskEntry share = stored_disk(port);
        if (storage_ask(kRequestRemoveShares, &list, sizeof list, kTextPlain) && g_storage_result.load() == 0)
            forget_shares({share});
        return 0;
    }
    bool answered;
    if (type == kDiskTypeRaid) {
        RaidRequest payload;
        memset(&payload, 0, sizeof payload);
        payload.id = port;
        answered = storage_ask(kRequestRemoveRaid, &payload, sizeof payload, kTextPlain);
    } else {
        int32_t payload = port;
        answered = storage_ask(kRequestRemoveDisk, &payload, sizeof payload, kTextPlain);
        if (answered && g_storage_result.load() == 0) {
            DiskEntry blank = blank_disk_entry(port);
            write_disk(QVDB_PATH, &blank);
        }
    }
    if (answered) cgi_log_operation(on_storage_ipc_callback, kLogDiskRemoved, kLogNothingInParticular, port);
    return 0;
}
