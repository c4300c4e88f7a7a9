// Storage settings routes of module "/6100": recycle mode, S.M.A.R.T. verdict, quotas, disk
// groups, and the eSATA auto backup with its status, export disk and formatting.
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_storage.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "storage/storage_module.h"
#include "storage/storage_payloads.h"

namespace {

constexpr int kEsataPortLimit = 36;

// The last integer item among the first min(num, length) items of "port"; false when none.
bool last_port(json_object *request, int32_t *port) {
    bool found = false;
    int value = 0;
    size_t position = 0;
    for (PortItems items(request, SIZE_MAX); items.next(&value, &position);) {
        *port = value;
        found = true;
    }
    return found;
}

// Quota entries from the objects among the items of "quota_array", at most 16.
void fill_quotas(json_object *request, QuotaSetRequest *quotas) {
    json_object *items = json_get_typed(request, "quota_array", json_type_array);
    size_t length = items ? json_object_array_length(items) : 0;
    for (size_t i = 0; i < length && quotas->count < kQuotaEntries; i++) {
        json_object *item = json_object_array_get_idx(items, i);
        if (!json_object_is_type(item, json_type_object)) continue;
        QuotaEntry &entry = quotas->entry[quotas->count++];
        entry.channel = json_int_or(item, "channel", 0);
        entry.video_quota = json_int_or(item, "video_quota", 0);
        entry.picture_quota = json_int_or(item, "picture_quota", 0);
    }
}

// Sends the new channel text of each stored group that the request names (a string at the
// group's position in "channel", at most 16).
void send_group_channels(json_object *request) {
    DiskGroupEntry groups[kDiskGroups];
    memset(groups, 0, sizeof groups);
    int count = 0;
    read_groups(QVDB_PATH, groups, &count);
    json_object *texts = json_get_typed(request, "channel", json_type_array);
    size_t length = texts ? json_object_array_length(texts) : 0;
    for (size_t i = 0; i < length && i < static_cast<size_t>(kDiskGroups); i++) {
        json_object *text = json_object_array_get_idx(texts, i);
        if (!json_object_is_type(text, json_type_string)) continue;
        GroupChangeRequest change;
        memset(&change, 0, sizeof change);
        change.group = static_cast<int>(i) < count ? groups[i].id : static_cast<int>(i);
        copy_text_field(change.new_channels, sizeof change.new_channels, json_object_get_string(text));
        if (static_cast<int>(i) < count)
            copy_text_span(change.old_channels, sizeof change.old_channels, groups[i].channel,
                           strnlen(groups[i].channel, sizeof groups[i].channel));
        storage_notify(kRequestGroupChannels, &change, sizeof change);
    }
}

// The stored backup settings with the request's values over them.
void merge_backup_settings(json_object *request, EsataBackupSettings *settings) {
    struct {
        const char *key;
        int32_t *field;
    } numbers[] = {{"enable", &settings->enable},     {"streamType", &settings->streamType},
                   {"fileType", &settings->fileType}, {"recycle", &settings->recycle},
                   {"device", &settings->device},     {"port", &settings->port}};
    for (auto &number : numbers) *number.field = json_int_or(request, number.key, *number.field);
    on_cgi_get_string_from_json(request, "backupTime", settings->backupTime, sizeof settings->backupTime);
    on_cgi_get_string_from_json(request, "channel", settings->channel, sizeof settings->channel);
}

}  // namespace

// "/6204": the recycle (overwrite) mode of the recording disks and of eSATA.
int on_set_recycle_mode(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    RecycleModeRequest payload = {json_int_or(request, "mode", 0), json_int_or(request, "esata", 0)};
    storage_ask(kRequestSetRecycle, &payload, sizeof payload, kJson);
    return 0;
}

// "/6205": the recycle mode (reply 8431).
int on_get_recycle_mode(const char *) {
    int32_t payload = 0;
    storage_ask(kRequestRecycleMode, &payload, sizeof payload, kJson);
    return 0;
}

// "/6206": the S.M.A.R.T. verdict of the last disk named.
int on_get_smart_attr(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int32_t port = 0;
    if (!last_port(request, &port)) return cgi_error_to_webserver(kJson);
    storage_ask(kRequestSmart, &port, sizeof port, kJson);
    return 0;
}

// "/6208": the quotas with the disk groups they belong to.
int on_get_quota_info(const char *) {
    read_disk_table(QVDB_PATH, g_storage_context.disks);
    memset(g_storage_context.groups, 0, sizeof g_storage_context.groups);
    int count = 0;
    read_groups(QVDB_PATH, g_storage_context.groups, &count);
    g_storage_context.max_cameras = get_param_int(QVDB_PATH, "max_cameras", 32);
    g_storage_context.group_mode = get_param_int(QVDB_PATH, "group_mode", 0);
    storage_ask(kRequestQuota, nullptr, 0, kJson);
    return 0;
}

// "/6209": per-channel quotas.
int on_set_quota_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    QuotaSetRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !storage_read_int(request, "enable", &payload.enable)) return 0;
    fill_quotas(request, &payload);
    storage_ask(kRequestSetQuota, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/6210": switch disk groups on or off and hand the daemon the groups' new channels.
int on_set_disk_group(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int32_t group_enable = json_int_or(request, "group_enable", 0);
    if (group_enable != 0) {
        bool switch_on = get_param_int(QVDB_PATH, "group_mode", 0) == 0;
        if (switch_on) {
            set_param_int(QVDB_PATH, "group_mode", group_enable);
            storage_notify(kRequestGroupMode, &group_enable, sizeof group_enable);
        }
        send_group_channels(request);
        storage_notify(kRequestGroupsChanged, nullptr, 0);
    } else {
        set_param_int(QVDB_PATH, "group_mode", 0);
        storage_notify(kRequestGroupMode, &group_enable, sizeof group_enable);
    }
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6220": the eSATA auto-backup settings.
int on_get_esata_auto_backup_info(const char *) {
    EsataBackupSettings settings;
    memset(&settings, 0, sizeof settings);
    read_esata_auto_backup(QVDB_PATH, &settings);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "enable", settings.enable);
    json_add_int(answer, "streamType", settings.streamType);
    json_add_int(answer, "fileType", settings.fileType);
    json_add_int(answer, "recycle", settings.recycle);
    json_object_object_add(answer, "channel", storage_field_text(settings.channel, sizeof settings.channel));
    json_object_object_add(answer, "backupTime", storage_field_text(settings.backupTime, sizeof settings.backupTime));
    json_add_int(answer, "device", settings.device);
    json_add_int(answer, "port", settings.port);
    return cgi_answer_json(answer, kJson);
}

// "/6221": store the backup settings (unless "stopBackup" is set) and start or stop the backup.
int on_set_esata_auto_backup_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int32_t stop = json_int_or(request, "stopBackup", 0);
    if (stop == 0) {
        EsataBackupSettings settings;
        memset(&settings, 0, sizeof settings);
        DbTransaction transaction(QVDB_PATH);
        read_esata_auto_backup(QVDB_PATH, &settings);
        merge_backup_settings(request, &settings);
        if (write_esata_auto_backup(QVDB_PATH, &settings) != 0 || transaction.commit() != 0) return 0;
    }
    storage_ask(kRequestEsataBackup, &stop, sizeof stop, kJson);
    return 0;
}

// "/6222": the backup's progress (reply 6317).
int on_get_esata_auto_backup_status(const char *) {
    storage_ask(kRequestEsataBackupProgress, nullptr, 0, kJson);
    return 0;
}

// "/6223": the disk to export to (reply 8457).
int on_get_export_disk_info(const char *) {
    storage_ask(kRequestExportDisks, nullptr, 0, kJson);
    return 0;
}

// "/6224": format the eSATA disk of a port 0 to 36.
int on_format_esata_disk_web(const char *arg) {
    if (!arg) return 0;
    JsonRef request(get_request_tokener_json_object(arg));
    int32_t port = 0;
    if (!request || !storage_read_int(request, "port", &port) || port < 0 || port > kEsataPortLimit)
        return cgi_error_to_webserver(kJson);
    storage_ask(kRequestFormatEsata, &port, sizeof port, kJson);
    return 0;
}

// "/6225": whether the auto backup runs (reply 8536).
int on_cgi_get_auto_backup_status(const char *) {
    storage_ask(kRequestBackupStatus, nullptr, 0, kJson);
    return 0;
}

// "/6226": stop the auto backup (reply 8537).
int on_cgi_set_auto_backup_stop(const char *) {
    storage_ask(kRequestStopBackup, nullptr, 0, kJson);
    return 0;
}

// "/6227": the progress of a format (reply 8540).
int on_cgi_get_format_info(const char *) {
    storage_ask(kRequestFormatProgress, nullptr, 0, kJson);
    return 0;
}
