// Reply dispatcher of module "/6100" and its reply handlers: each reply is checked against the
// layout it must hold, turned into the page's answer, and the completion flag is raised.
#include <json-c/json.h>
#include <stdio.h>
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/qvstd.h"
#include "storage/storage_module.h"
#include "storage/storage_payloads.h"
#include "core/reply_view.h"

StorageReplyContext g_storage_context;
std::atomic<bool> g_format_succeeded{false};
std::atomic<int> g_storage_result{kNoStorageResult};

namespace {

// A reply with its raw bytes at hand, for the handlers that copy whole records.
class StorageReplyView : public ReplyView {
  public:
    StorageReplyView(const void *payload, int length) : ReplyView(payload, length), raw_(static_cast<const char *>(payload)) {}
    // The bytes from offset on; the caller has checked that they lie inside the payload.
    const char *bytes(int offset) const { return raw_ + offset; }

  private:
    const char *raw_;
};


int answer_text(const char *text) {
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done();
    return 0;
}

int answer_json_error() {
    cgi_error_to_webserver(kJson);
    cgi_reply_done();
    return 0;
}

// {key: first word}.
int answer_first_word(const StorageReplyView &reply, const char *key) {
    json_object *object = json_object_new_object();
    json_add_int(object, key, reply.number(0));
    return cgi_reply_json(object);
}

// ---- disk list (8433) ------------------------------------------------------------------------

template <size_t N>
void copy_field(char (&field)[N], const char *text) {
    copy_text_field(field, N, text);
}

// A configured share lends the reported one its texts; a configured disk the daemon does not
// report is listed with state 2.
void merge_configured(StorageRecord *slot, const DiskEntry &disk) {
    if (slot->port == 0) {
        slot->port = disk.port;
        slot->type = disk.type;
        slot->group = disk.group;
        slot->property = disk.property;
        slot->state = 2;
    } else if (!is_network_disk_type(slot->type)) {
        return;
    }
    copy_field(slot->vendor, disk.vendor);
    copy_field(slot->address, disk.address);
    copy_field(slot->directory, disk.directory);
    copy_field(slot->user_name, disk.userName);
    copy_field(slot->password, disk.password);
}

json_object *url_encoded(const char *field, size_t size) {
    char text[64] = {0};
    copy_text_span(text, sizeof text, field, strnlen(field, size));
    char encoded[128];
    if (get_url_encode(text, encoded, sizeof encoded) < 0) encoded[0] = '\0';
    return json_object_new_string(encoded);
}

// Member ports 1 to 31 of the first (at most 16) members as bits.
int raid_member_bits(const StorageRecord &disk) {
    uint32_t bits = 0;
    for (int i = 0; i < disk.raid_member_count && i < kRaidMembers; i++)
        if (disk.raid_member[i] >= 1 && disk.raid_member[i] <= 31) bits |= 1u << disk.raid_member[i];
    return static_cast<int32_t>(bits);
}

int mebibytes(uint64_t bytes) { return static_cast<int32_t>(static_cast<uint32_t>(bytes >> 20)); }

json_object *disk_object(const StorageRecord &disk) {
    json_object *object = json_object_new_object();
    json_add_int(object, "portId", disk.port);
    json_object_object_add(object, "vendorName", storage_field_text(disk.vendor, sizeof disk.vendor));
    json_object_object_add(object, "address", storage_field_text(disk.address, sizeof disk.address));
    json_object_object_add(object, "directory", storage_field_text(disk.directory, sizeof disk.directory));
    json_add_int(object, "totalSize", mebibytes(disk.total_size));
    json_add_int(object, "usedSize", mebibytes(disk.used_size));
    json_add_int(object, "freeSize", mebibytes(disk.free_size));
    json_add_int(object, "hddType", disk.type);
    json_add_int(object, "state", disk.state);
    json_add_int(object, "group", disk.group);
    json_add_int(object, "property", disk.property);
    json_add_int(object, "bUsable", disk.usable);
    json_add_int(object, "raid_id", disk.port);
    json_add_int(object, "raid_level", disk.raid_level);
    json_add_int(object, "raid_state", disk.raid_state);
    json_add_int(object, "raid_progress", disk.raid_progress);
    json_add_int(object, "raid_sata_cnt", disk.raid_member_count);
    json_add_int(object, "raid_task", disk.raid_progress);
    json_object_object_add(object, "userName", url_encoded(disk.user_name, sizeof disk.user_name));
    json_object_object_add(object, "password", url_encoded(disk.password, sizeof disk.password));
    json_add_int(object, "raid_sata_port", raid_member_bits(disk));
    return object;
}

int on_get_storage_info_cb(const StorageReplyView &reply) {
    int count = reply.length() / static_cast<int>(sizeof(StorageRecord));
    StorageRecord slots[kDiskPorts + 1];
    memset(slots, 0, sizeof slots);
    for (int i = 0; i < count; i++) {
        StorageRecord record;
        memcpy(&record, reply.bytes(i * static_cast<int>(sizeof record)), sizeof record);
        if (record.port >= 1 && record.port <= kDiskPorts) slots[record.port] = record;
    }
    for (int port = 1; port <= kDiskPorts; port++) {
        const DiskEntry &disk = g_storage_context.disks[port];
        if (disk.enable == 1 && disk.port == port) merge_configured(&slots[port], disk);
    }
    json_object *list = json_object_new_array();
    for (int port = 1; port <= kDiskPorts; port++)
        if (slots[port].port != 0) json_object_array_add(list, disk_object(slots[port]));
    json_object *object = json_object_new_object();
    json_add_text(object, "resultString", count > 0 || json_object_array_length(list) > 0 ? "OK" : "NO");
    json_add_int(object, "esataType", g_storage_context.esata_type);
    json_object_object_add(object, "HDD", list);
    json_add_int(object, "maxDiskNum", kDiskPorts);
    return cgi_reply_json(object);
}

// ---- status words -----------------------------------------------------------------------------

// 8420, 8421, 8423, 8424, 8425, 8496, 8508, 8530: "OK" for status 0, else "Error".
int on_remove_space_cb(const StorageReplyView &reply) {
    g_storage_result.store(reply.number(0));
    return answer_text(reply.number(0) == 0 ? "OK" : "Error");
}

// 8402, 8434: the outcome of a format. An unlisted status writes nothing.
int on_format_disk_cb(const StorageReplyView &reply) {
    switch (reply.number(0)) {
        case 0:
            g_format_succeeded.store(true);
            cgi_writeback_webserver(kTextPlain, "OK");
            break;
        case 1:
            cgi_writeback_webserver(kTextPlain, "USING");
            break;
        case -1:
            cgi_writeback_webserver(kTextPlain, "ERROR FORMAT");
            break;
        case -3:
            cgi_writeback_webserver(kTextPlain, "NAS LOW CAP");
            break;
        default:
            break;
    }
    cgi_reply_done();
    return 0;
}

// 8439, 8507: {"status": 0, "res": status word}.
int on_update_disk_nas_cb(const StorageReplyView &reply) {
    g_storage_result.store(reply.number(0));
    json_object *object = json_object_new_object();
    json_add_int(object, "status", 0);
    json_add_int(object, "res", reply.number(0));
    return cgi_reply_json(object);
}

int on_status_json_cb(const StorageReplyView &reply) { return answer_first_word(reply, "status"); }
int on_result_json_cb(const StorageReplyView &reply) { return answer_first_word(reply, "result"); }

int on_set_recycle_cb(const StorageReplyView &) {
    json_object *object = json_object_new_object();
    json_add_text(object, "status", "OK");
    return cgi_reply_json(object);
}

// ---- shares, recycle mode, S.M.A.R.T. ----------------------------------------------------------

// 8440: the paths the search found.
int on_search_disk_nas_cb(const StorageReplyView &reply) {
    int count = reply.number(0);
    int room = (reply.length() - 4) / kSharePathSize;
    if (count > room) count = room;
    if (count < 0) count = 0;
    json_object *paths = json_object_new_array();
    for (int i = 0; i < count; i++) {
        json_object *entry = json_object_new_object();
        json_add_text(entry, "filePath", reply.text(4 + i * kSharePathSize, kSharePathSize).c_str());
        json_object_array_add(paths, entry);
    }
    json_object *object = json_object_new_object();
    json_add_text(object, "resultString", count > 0 ? "OK" : "NO");
    json_object_object_add(object, "NAS", paths);
    return cgi_reply_json(object);
}

int on_get_recycle_mode_cb(const StorageReplyView &reply) {
    json_object *object = json_object_new_object();
    json_add_int(object, "mode", reply.number(0));
    json_add_int(object, "esata", reply.number(4));
    return cgi_reply_json(object);
}

constexpr int kSmartRecordSize = 40;

// 8403: the drive's self-assessment text; "PASSED" anywhere in it is a pass.
int on_get_smart_attr_cb(const StorageReplyView &reply) {
    if (reply.length() < kSmartRecordSize) return answer_json_error();
    static const char kPassed[] = "PASSED";
    bool passed = memmem(reply.bytes(0), static_cast<size_t>(reply.length()), kPassed, sizeof kPassed - 1) != nullptr;
    json_object *object = json_object_new_object();
    json_add_int(object, "selfEvaluation", passed ? 1 : 0);
    return cgi_reply_json(object);
}

// ---- quotas (8529) ----------------------------------------------------------------------------

int on_get_quota_info_cb(const StorageReplyView &reply) {
    int count = reply.number(4);
    int room = (reply.length() - kQuotaReplyHeader) / static_cast<int>(sizeof(QuotaReplyEntry));
    if (count > room) count = room;
    if (count < 0) count = 0;
    json_object *object = json_object_new_object();
    json_add_int(object, "enable", reply.number(0));
    json_object *quotas = json_object_new_array();
    for (int i = 0; i < count; i++) {
        int base = kQuotaReplyHeader + i * static_cast<int>(sizeof(QuotaReplyEntry));
        json_object *entry = json_object_new_object();
        json_add_int(entry, "channel", reply.number(base + offsetof(QuotaReplyEntry, channel)));
        json_add_int(entry, "video_used", reply.number(base + offsetof(QuotaReplyEntry, video_used)));
        json_add_int(entry, "video_quota", reply.number(base + offsetof(QuotaReplyEntry, video_quota)));
        json_add_int(entry, "picture_used", reply.number(base + offsetof(QuotaReplyEntry, picture_used)));
        json_add_int(entry, "picture_quota", reply.number(base + offsetof(QuotaReplyEntry, picture_quota)));
        json_object_array_add(quotas, entry);
    }
    json_object_object_add(object, "quota_array", quotas);
    json_object *channels = json_object_new_array();
    for (const DiskGroupEntry &group : g_storage_context.groups)
        json_object_array_add(channels, storage_field_text(group.channel, sizeof group.channel));
    json_object_object_add(object, "channel", channels);
    json_object *disks = json_object_new_array();
    for (int port = 1; port <= kDiskPorts; port++) {
        const DiskEntry &disk = g_storage_context.disks[port];
        json_object_array_add(disks, json_object_new_int(disk.enable ? disk.group + 1 : 0));
    }
    json_object_object_add(object, "disk", disks);
    json_add_int(object, "max_chan", g_storage_context.max_cameras);
    json_add_int(object, "group_enable", g_storage_context.group_mode);
    return cgi_reply_json(object);
}

// ---- eSATA backup, export disk, format progress ------------------------------------------------

// 6317: the backup's progress.
int on_get_esata_auto_backup_status_cb(const StorageReplyView &reply) {
    BackupProgressReply progress;
    memcpy(&progress, reply.bytes(0), sizeof progress);  // the dispatcher checked its length
    char percent[48];
    snprintf(percent, sizeof percent, "%.1f", static_cast<double>(progress.percent));
    json_object *object = json_object_new_object();
    json_add_int(object, "status", progress.status);
    json_add_text(object, "percent", percent);
    json_object_object_add(object, "last_time", storage_field_text(progress.last_time, sizeof progress.last_time));
    json_add_int(object, "capacity", progress.capacity);
    return cgi_reply_json(object);
}

// 8457: the first disk ready for an export.
int on_get_export_disk_info_cb(const StorageReplyView &reply) {
    int count = reply.length() / kExportDiskRecordSize;
    json_object *object = json_object_new_object();
    for (int i = 0; i < count; i++) {
        int base = i * kExportDiskRecordSize;
        if (reply.number(base + kExportDiskStateOffset) != kExportDiskReady) continue;
        json_add_int(object, "port", reply.number(base));
        json_add_int(object, "result", 0);
        return cgi_reply_json(object);
    }
    json_add_int(object, "result", -1);
    return cgi_reply_json(object);
}

// 8540: the first format progress record.
int on_cgi_get_format_info_cb(const StorageReplyView &reply) {
    json_object *object = json_object_new_object();
    json_add_int(object, "status", reply.number(offsetof(FormatProgressRecord, status)));
    json_add_int(object, "port", reply.byte(offsetof(FormatProgressRecord, port)));
    json_add_int(object, "type", reply.number(offsetof(FormatProgressRecord, type)));
    json_add_int(object, "percent", reply.byte(offsetof(FormatProgressRecord, percent)));
    return cgi_reply_json(object);
}

// ---- the dispatch table -----------------------------------------------------------------------

struct StorageReply {
    int code;
    int min_length;  // a shorter payload is no reply
    int (*handler)(const StorageReplyView &reply);
};

const StorageReply kStorageReplies[] = {
    // Disks and RAID.
    {8433, 1, on_get_storage_info_cb},
    {8402, 4, on_format_disk_cb},
    {8434, 4, on_format_disk_cb},
    {8420, 4, on_remove_space_cb},  // RAID created
    {8421, 4, on_remove_space_cb},  // RAID removed
    {8423, 4, on_remove_space_cb},  // hot spare made
    {8424, 4, on_remove_space_cb},  // hot spare removed
    {8425, 4, on_remove_space_cb},  // rebuild started
    {8496, 4, on_remove_space_cb},  // disk removed
    // Network shares.
    {8439, 4, on_update_disk_nas_cb},
    {8507, 4, on_update_disk_nas_cb},
    {8508, 4, on_remove_space_cb},  // shares removed
    {8440, 4, on_search_disk_nas_cb},
    // Recycle mode and S.M.A.R.T.
    {8475, 4, on_set_recycle_cb},
    {8431, 8, on_get_recycle_mode_cb},
    {8403, 1, on_get_smart_attr_cb},
    // Quotas.
    {8529, kQuotaReplyHeader, on_get_quota_info_cb},
    {8530, 4, on_remove_space_cb},
    // eSATA backup, export disk, format progress.
    {6316, 4, on_result_json_cb},
    {6317, sizeof(BackupProgressReply), on_get_esata_auto_backup_status_cb},
    {8457, 1, on_get_export_disk_info_cb},
    {8535, 4, on_result_json_cb},
    {8536, 4, on_status_json_cb},
    {8537, 4, on_result_json_cb},
    {8540, sizeof(FormatProgressRecord), on_cgi_get_format_info_cb},
};

}  // namespace

int on_storage_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    StorageReplyView reply(payload, header->length);
    for (const StorageReply &entry : kStorageReplies)
        if (entry.code == header->code) return reply.holds(entry.min_length) ? entry.handler(reply) : 0;
    return 0;
}
