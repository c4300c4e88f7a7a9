// Time routes of module "/7000": the device clock with its time zone, daylight saving and NTP
// settings, and setting them (with a manual time).
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <atomic>
#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_network.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "network/network_common.h"
#include "network/network_module.h"

namespace {

constexpr int kRequestSetTime = 1701;
constexpr int kRequestTimeApplied = 1711;
constexpr int kSetTimeBytes = 32;
constexpr int kManualTimeBytes = 128;
constexpr int kFailoverBackup = 2;

// Set by reply 6701: the daemon took the time, so the request thread tells it to apply it
// (the reply thread itself sends nothing).
std::atomic<bool> g_time_taken{false};

const JsonField kTimeKeys[] = {
    JSON_INT(TimeSettings, ntpEnable, "ntpEnable"),
    JSON_INT(TimeSettings, dstEnable, "dstEnable"),
    JSON_TEXT(TimeSettings, timeZone, "timeZone"),
    JSON_TEXT(TimeSettings, timeZoneName, "timeZoneName"),
    JSON_TEXT(TimeSettings, ntpServer, "ntpServer"),
    JSON_INT(TimeSettings, syncEnable, "syncEnable"),
    JSON_INT(TimeSettings, syncInterval, "syncInterval"),
    JSON_INT(TimeSettings, syncPc, "syncPc"),
};

bool switch_value(json_object *request, const char *key) {
    int value = 0;
    return on_cgi_get_int_from_json(request, key, &value) == 0 && static_cast<unsigned>(value) <= 1;
}

bool has_int(json_object *request, const char *key) {
    int value = 0;
    return on_cgi_get_int_from_json(request, key, &value) == 0;
}

int check_time_info(json_object *request) {
    bool valid = switch_value(request, "ntpEnable") && switch_value(request, "dstEnable") &&
                 json_get_typed(request, "timeZone", json_type_string) &&
                 json_get_typed(request, "timeZoneName", json_type_string) && has_int(request, "syncEnable") &&
                 has_int(request, "syncInterval") && has_int(request, "syncPc");
    return valid ? 0 : -1;
}

void add_number_text(json_object *answer, const char *key, const char *format, int value) {
    char text[16];
    snprintf(text, sizeof text, format, value);
    json_add_text(answer, key, text);
}

}  // namespace

// "/7000": the device's local time and the time settings.
int on_get_time_info(const char *) {
    TimeSettings settings;
    memset(&settings, 0, sizeof settings);
    read_time(QVDB_PATH, &settings);
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char server_time[32];
    strftime(server_time, sizeof server_time, "%Y-%m-%d %H:%M:%S", &local);
    json_object *answer = json_object_new_object();
    add_number_text(answer, "dateYear", "%.4d", local.tm_year + 1900);
    add_number_text(answer, "dateMon", "%.2d", local.tm_mon + 1);
    add_number_text(answer, "dateDay", "%.2d", local.tm_mday);
    add_number_text(answer, "dateHour", "%.2d", local.tm_hour);
    add_number_text(answer, "dateMin", "%.2d", local.tm_min);
    add_number_text(answer, "dateSec", "%.2d", local.tm_sec);
    json_add_text(answer, "serverTime", server_time);
    json_add_fields(answer, &settings, kTimeKeys, JSON_FIELD_COUNT(kTimeKeys));
    return cgi_answer_json(answer, kJson);
}

// "/7001": store the time settings, answer "OK", then hand the daemon the manual time (quoted,
// when NTP is off and the device is not a failover backup) and wait for it to take it.
int on_set_time_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_time_info(request) != 0) return 0;
    int failover = json_int_or(request, "failoverMode", 0);
    TimeSettings settings;
    memset(&settings, 0, sizeof settings);
    json_take_fields(request, &settings, kTimeKeys, JSON_FIELD_COUNT(kTimeKeys));
    char manual_time[kManualTimeBytes] = "";
    on_cgi_get_string_from_json(request, "manualTime", manual_time, sizeof manual_time);
    if (write_time(QVDB_PATH, &settings) != 0) return 0;

    char set_time[kSetTimeBytes];
    memset(set_time, 0, sizeof set_time);
    // The quoted manual time, cut to fit the request.
    if (settings.ntpEnable == 0 && failover != kFailoverBackup)
        copy_text_field(set_time, sizeof set_time, ("\"" + std::string(manual_time) + "\"").c_str());
    cgi_writeback_webserver(kTextPlain, "OK");

    g_time_taken.store(false);
    cgi_start_ipc(on_network_ipc_callback, kRequestSetTime, sizeof set_time, set_time, 0);
    bool taken = g_callback_done.load() != 0 && g_time_taken.load();
    cgi_stop_ipc();
    if (taken) network_notify(kRequestTimeApplied, nullptr, 0);
    network_log(225, 900);
    return 0;
}

// Reply 6701: the daemon has the new time; nothing is written (the route answered already).
int on_set_systime_cb(const void *, int) {
    g_time_taken.store(true);
    cgi_reply_done();
    return 0;
}
