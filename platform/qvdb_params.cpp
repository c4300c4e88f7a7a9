// Configuration database library: parameters by key with factory defaults, and the small
// name and channel-set helpers.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/web_utils.h"
#include "platform/qvdb_internal.h"

namespace {

const QvdbParamDefault kParamDefaults[] = {
    {"max_cameras", "32"},
    {"alarm_in", "16"},
    {"alarm_out", "4"},
    {"group_mode", "0"},
    {"raidmode", "0"},
    {"esata_type", "0"},
    {"max_poe_num", "0"},
    {"httpsenable", "0"},
    {"ch_access", "0"},
    {"enable_push_msg", "0"},
    {"pushmsg_alarmin_type", "65535"},
    {"video_push_stream", "0"},
    {"access_filter_enable", "0"},
    {"access_filter_type", "1"},
    {"homologous", "1"},
    {"failover_mode", "0"},
    {"same_channel_exist", "0"},
    {"stream_information", "0"},
    {"qvfs_dbup", "0"},
    {"oemupdateonline", "0"},
    {"transport_protocol", "0"},
    {"hardware_version", "V1.1"},
    {"plugin_version", "1.0"},
    {"deviceid", "255"},
    {"hdmihotplug", "1"},
    {"poepsd", "kd4417"},  // factory password of PoE cameras
};

// The stored text of a key into out (size bytes); true when the key exists.
bool lookup(const char *db, const char *key, char *out, size_t size) {
    QvdbConnection *connection = qvdb_open(db);
    if (!connection || connection->file != kQvdbSettings || !key) return false;
    QvdbStatement select(connection, "SELECT value FROM params WHERE key = ?");
    if (!select) return false;
    sqlite3_bind_text(select.get(), 1, key, -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return false;
    if (out && size > 0) copy_text_field(out, size, reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 0)));
    return true;
}

int store(const char *db, const char *key, const char *value) {
    QvdbConnection *connection = qvdb_open(db);
    if (!connection || connection->file != kQvdbSettings || !key || !*key || !value) return -1;
    DbTransaction transaction(db);
    QvdbStatement upsert(connection,
                         "INSERT INTO params (key, value) VALUES (?, ?) ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    if (!transaction.ok() || !upsert) return -1;
    sqlite3_bind_text(upsert.get(), 1, key, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(upsert.get(), 2, value, -1, SQLITE_TRANSIENT);
    if (!upsert.run()) transaction.fail();
    return transaction.commit();
}

const char *const kExceptionNames[kQvdbExceptionKinds] = {
    "diskFull",      "diskError",    "noDisk",        "networkDisconnected", "ipConflict",
    "illegalAccess", "recordFailed", "diskUnformatted", "raidDegraded",      "raidFailed",
    "fanFailure",    "highTemperature", "poeOverload", "cameraOffline",
};

// Table-name stems of the nine smart-event types.
const char *const kVcaStems[9] = {
    "vca_region_in", "vca_region_out", "vca_advanced_motion", "vca_tamper", "vca_line_crossing",
    "vca_loitering", "vca_human",      "vca_people_count",    "vca_object_left_removed",
};

int vca_table_name(int which, int type, const char *schedule_suffix, const char *list_suffix, char *out, int size) {
    if (!out || size <= 0) return -1;
    out[0] = '\0';
    if (type < 0 || type > 8 || (which != 0 && which != 1)) return -1;
    int length = snprintf(out, static_cast<size_t>(size), "%s_%s", kVcaStems[type], which == 0 ? schedule_suffix : list_suffix);
    if (length < 0 || length >= size) {
        out[0] = '\0';
        return -1;
    }
    return 0;
}

}  // namespace

const QvdbParamDefault *qvdb_param_defaults(int *count) {
    if (count) *count = static_cast<int>(sizeof kParamDefaults / sizeof kParamDefaults[0]);
    return kParamDefaults;
}

int get_param_int(const char *db, const char *key, int default_value) {
    char text[64];
    if (!lookup(db, key, text, sizeof text)) return default_value;
    char *end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) return default_value;
    return static_cast<int>(value);
}

int get_param_value(const char *db, const char *key, char *out, int size, const char *default_value) {
    if (!out || size <= 0) return -1;
    if (lookup(db, key, out, static_cast<size_t>(size))) return 0;
    copy_text_field(out, static_cast<size_t>(size), default_value ? default_value : "");
    return -1;
}

int set_param_int(const char *db, const char *key, int value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    return store(db, key, text);
}

int set_param_value(const char *db, const char *key, const char *value) { return store(db, key, value); }

int check_param_key(const char *db, const char *key) { return lookup(db, key, nullptr, 0) ? 0 : -1; }

int add_param_value(const char *db, const char *key, const char *value) { return store(db, key, value); }

uint64_t get_channel_mask(const char *text) {
    uint64_t mask = 0;
    for (int i = 0; text && i < 64 && text[i]; i++)
        if (text[i] == '1') mask |= 1ULL << i;
    return mask;
}

int get_exception_name(int index, char *out, int size) {
    if (!out || size <= 0) return -1;
    if (index < 0 || index >= kQvdbExceptionKinds) {
        out[0] = '\0';
        return -1;
    }
    copy_text_field(out, static_cast<size_t>(size), kExceptionNames[index]);
    return 0;
}

int get_vca_white_table_name(int which, int type, char *out, int size) {
    return vca_table_name(which, type, "whiteled_esche", "white_led_params", out, size);
}

int get_vca_warning_light_table_name(int which, int type, char *out, int size) {
    return vca_table_name(which, type, "warning_light_esche", "warning_light_params", out, size);
}

int get_vca_http_table_name(int which, int type, char *out, int size) {
    return vca_table_name(which, type, "http_notification_sche", "http_notification_params", out, size);
}
