// Route module "/6100" (storage: disks, RAID, network storage and backup): handlers, the reply
// dispatcher and what the handlers hand to the reply side.
#ifndef NVR_STORAGE_STORAGE_MODULE_H
#define NVR_STORAGE_STORAGE_MODULE_H

#include <json-c/json.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "core/qvdb_storage.h"
#include "platform/qvsocket.h"

int on_storage_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Disks and RAID.
int on_get_disk_info(const char *arg);
int on_set_disk_info(const char *arg);
int on_format_disk(const char *arg);
int on_get_format_progress(const char *arg);
int on_create_raid(const char *arg);
int on_remove_raid(const char *arg);
int on_set_hot_space(const char *arg);
int on_rebuild_raid(const char *arg);
int on_get_raid_mode(const char *arg);
int on_set_raid_mode(const char *arg);

// Network shares and disk removal.
int on_del_disk_nas(const char *arg);
int on_add_disk_nas_list(const char *arg);
int on_search_disk_nas(const char *arg);
int on_add_disk_nas(const char *arg);
int on_remove_disk(const char *arg);

// Recycle mode, S.M.A.R.T., quotas, disk groups and eSATA backup.
int on_set_recycle_mode(const char *arg);
int on_get_recycle_mode(const char *arg);
int on_get_smart_attr(const char *arg);
int on_get_quota_info(const char *arg);
int on_set_quota_info(const char *arg);
int on_set_disk_group(const char *arg);
int on_get_esata_auto_backup_info(const char *arg);
int on_set_esata_auto_backup_info(const char *arg);
int on_get_esata_auto_backup_status(const char *arg);
int on_get_export_disk_info(const char *arg);
int on_format_esata_disk_web(const char *arg);
int on_cgi_get_auto_backup_status(const char *arg);
int on_cgi_set_auto_backup_stop(const char *arg);
int on_cgi_get_format_info(const char *arg);

// What a handler reads before it asks, for its reply handler (one request per process; written
// before the request is sent, read on the receive thread).
struct StorageReplyContext {
    DiskEntry disks[kDiskPorts + 1];  // configured disks by port
    DiskGroupEntry groups[kDiskGroups];
    int esata_type;
    int max_cameras;
    int group_mode;
};
extern StorageReplyContext g_storage_context;

// Set by the format reply handler when the daemon reports the disk formatted.
extern std::atomic<bool> g_format_succeeded;
// The status word of the last "OK"/"Error" or share reply (kNoStorageResult before one came).
constexpr int kNoStorageResult = INT32_MIN;
extern std::atomic<int> g_storage_result;

// The integer items among the first min("num", length, capacity) items of the request's "port"
// array, with their positions; other items are skipped.
class PortItems {
  public:
    PortItems(json_object *request, size_t capacity);
    bool next(int *port, size_t *position);  // false at the end

  private:
    json_object *array_;
    size_t limit_ = 0;
    size_t index_ = 0;
};

// Helpers of the storage handlers.
// A whole decimal number (optional sign, digits, nothing else); false otherwise.
bool parse_decimal(const char *text, long *value);
// An integer key; false when missing or not a number.
bool storage_read_int(json_object *request, const char *key, int *out);
// A fixed text field of a record or reply as a JSON string: up to its first NUL, never past its size.
json_object *storage_field_text(const char *field, size_t size);
// Sends without waiting.
void storage_notify(int code, const void *payload, int length);
// Sends, waits, and answers the error of the kind when no reply came; true when answered.
bool storage_ask(int code, const void *payload, int length, int error_kind);

#endif
