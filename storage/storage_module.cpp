// Route module "/6100" (storage: disks, RAID, network storage and backup): route table and the
// helpers its handlers share.
#include "storage/storage_module.h"

#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "frame/dispatchreq.h"

PortItems::PortItems(json_object *request, size_t capacity) : array_(json_get_typed(request, "port", json_type_array)) {
    int num = json_int_or(request, "num", 0);
    size_t length = array_ ? json_object_array_length(array_) : 0;
    if (length > capacity) length = capacity;
    limit_ = num <= 0 ? 0 : (static_cast<size_t>(num) < length ? static_cast<size_t>(num) : length);
}

bool PortItems::next(int *port, size_t *position) {
    while (index_ < limit_) {
        json_object *item = json_object_array_get_idx(array_, index_++);
        if (!json_object_is_type(item, json_type_int)) continue;
        *port = json_object_get_int(item);
        *position = index_ - 1;
        return true;
    }
    return false;
}

bool parse_decimal(const char *text, long *value) {
    if (!text || !value) return false;
    const char *digits = text + (*text == '-' || *text == '+' ? 1 : 0);
    if (!isdigit(static_cast<unsigned char>(*digits))) return false;
    char *end = nullptr;
    errno = 0;
    long parsed = strtol(text, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    *value = parsed;
    return true;
}

bool storage_read_int(json_object *request, const char *key, int *out) {
    return on_cgi_get_int_from_json(request, key, out) == 0;
}

json_object *storage_field_text(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

void storage_notify(int code, const void *payload, int length) {
    cgi_notify_daemon(on_storage_ipc_callback, code, payload, length);
}

bool storage_ask(int code, const void *payload, int length, int error_kind) {
    g_storage_result.store(kNoStorageResult);
    return cgi_ask_daemon(on_storage_ipc_callback, code, payload, length, error_kind);
}

static const WebRes kStorageRoutes[] = {
    // Disks and RAID.
    {"/6100", on_get_disk_info},
    {"/6101", on_set_disk_info},
    {"/6102", on_format_disk},
    {"/6103", on_get_format_progress},
    {"/6104", on_create_raid},
    {"/6105", on_remove_raid},
    {"/6106", on_set_hot_space},
    {"/6107", on_rebuild_raid},
    {"/6108", on_get_raid_mode},
    {"/6109", on_set_raid_mode},
    // Network shares and disk removal.
    {"/6200", on_del_disk_nas},
    {"/6201", on_add_disk_nas_list},
    {"/6202", on_search_disk_nas},
    {"/6203", on_add_disk_nas},
    {"/6207", on_remove_disk},
    // Recycle mode, S.M.A.R.T., quotas and disk groups.
    {"/6204", on_set_recycle_mode},
    {"/6205", on_get_recycle_mode},
    {"/6206", on_get_smart_attr},
    {"/6208", on_get_quota_info},
    {"/6209", on_set_quota_info},
    {"/6210", on_set_disk_group},
    // eSATA auto backup, export disk and formatting.
    {"/6220", on_get_esata_auto_backup_info},
    {"/6221", on_set_esata_auto_backup_info},
    {"/6222", on_get_esata_auto_backup_status},
    {"/6223", on_get_export_disk_info},
    {"/6224", on_format_esata_disk_web},
    {"/6225", on_cgi_get_auto_backup_status},
    {"/6226", on_cgi_set_auto_backup_stop},
    {"/6227", on_cgi_get_format_info},
};

NVR_ROUTE_MODULE(1, "/6100", kStorageRoutes)
