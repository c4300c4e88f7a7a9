// System information and general settings routes of module "/1000": device identity, display
// and audio outputs, automatic maintenance and reboot, UPnP, flags and camera addresses.
#include <arpa/inet.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_camera.h"
#include "core/qvdb_network.h"
#include "core/qvdb_system.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/qvstd.h"
#include "system/system_module.h"

namespace {

constexpr int kRequestSetResolution = 1001;
constexpr int kRequestSetAudio = 1002;
constexpr int kRequestResolutionApply = 1015;
constexpr int kRequestSubOutput = 1023;
constexpr int kRequestHostNameChanged = 1702;
constexpr int kRequestRestart = 1703;
constexpr int kRequestDeviceId = 1705;
constexpr int kRequestAutoRebootChanged = 1718;
constexpr int kRequestMaintenanceChanged = 2102;
constexpr int kRequestSystemInfo = 3400;
constexpr int kRequestUpnp = 3720;

// Reply 8400: what the daemon knows about the device.
struct SystemInfoRecord {
    int32_t device_id;
    int32_t max_cameras;
    int32_t reserved0[2];
    int32_t max_sensor;
    int32_t max_alarm;
    int32_t reserved1;
    int32_t max_audio_out;
    int32_t display_num;
    int32_t reserved2[2];
    int32_t max_rs485;
    int32_t reserved3;
    int32_t max_network_lan;
    int32_t reserved4;
    int32_t oem_version;
    int32_t reserved5;
    int32_t qvddns;
    char sn[65];
    char prefix[16];
    char model[32];
    char software[32];
    char hardware[32];
    char reserved6[160];
    char mac[43];
    int32_t support_talk;
    char reserved7[136];
};
static_assert(offsetof(SystemInfoRecord, max_sensor) == 16, "sensors at 16");
static_assert(offsetof(SystemInfoRecord, max_audio_out) == 28, "audio outputs at 28");
static_assert(offsetof(SystemInfoRecord, max_rs485) == 44, "RS-485 ports at 44");
static_assert(offsetof(SystemInfoRecord, max_network_lan) == 52, "network ports at 52");
static_assert(offsetof(SystemInfoRecord, oem_version) == 60, "customer version at 60");
static_assert(offsetof(SystemInfoRecord, qvddns) == 68, "dynamic DNS flag at 68");
static_assert(offsetof(SystemInfoRecord, sn) == 72, "serial number at 72");
static_assert(offsetof(SystemInfoRecord, prefix) == 137, "serial prefix at 137");
static_assert(offsetof(SystemInfoRecord, model) == 153, "model at 153");
static_assert(offsetof(SystemInfoRecord, software) == 185, "software version at 185");
static_assert(offsetof(SystemInfoRecord, hardware) == 217, "hardware version at 217");
static_assert(offsetof(SystemInfoRecord, mac) == 409, "MAC text at 409");
static_assert(offsetof(SystemInfoRecord, support_talk) == 452, "two-way audio at 452");
static_assert(sizeof(SystemInfoRecord) == 592, "system information record is 592 bytes");

// Requests 1001: one display output and its resolution.
struct ResolutionPayload {
    int32_t output;
    int32_t resolution;
};
static_assert(sizeof(ResolutionPayload) == 8, "resolution payload is 8 bytes");

// Request 1002: the audio outputs.
struct AudioPayload {
    int32_t hdmi_audio_on;
    int32_t audio_output_on;
    int32_t audio_volume;
};
static_assert(sizeof(AudioPayload) == 12, "audio payload is 12 bytes");

constexpr size_t kUptimeBytes = 64;

// What the reply handler adds to the daemon's record, read by the request thread before asking.
struct LocalSystemInfo {
    char uptime[kUptimeBytes + 1];
    std::string plugin_version, mplugin_version, company;
    int qvfs_dbup, transport_protocol, stream_information, oem_update_online;
};
LocalSystemInfo g_local;

json_object *field_text(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

std::string param_text(const char *key, const char *fallback, int size) {
    std::string value(static_cast<size_t>(size), '\0');
    get_param_value(QVDB_PATH, key, &value[0], size, fallback);
    value.resize(strlen(value.c_str()));
    return value;
}

int param_text_int(const char *key, const char *fallback) { return atoi(param_text(key, fallback, 32).c_str()); }

// The first 64 bytes "uptime" prints, cut five characters before "users", else two before the first 'l'.
void read_uptime_text(char *out) {
    out[0] = '\0';
    const char *argv[] = {"uptime", nullptr};
    FILE *pipe = qv_vpopen(argv, "r");
    if (!pipe) return;
    size_t got = fread(out, 1, kUptimeBytes, pipe);
    qv_vpclose(pipe);
    out[got] = '\0';
    long cut = -1;
    if (const char *users = strstr(out, "users")) cut = (users - out) - 5;
    else if (const char *l = strchr(out, 'l')) cut = (l - out) - 2;
    if (cut >= 0) out[cut] = '\0';
    else if (strstr(out, "users") || strchr(out, 'l')) out[0] = '\0';
}

bool in_set(int value, std::initializer_list<int> allowed) {
    for (int a : allowed)
        if (a == value) return true;
    return false;
}

// Retention: -1, 0, 1, or an even number from 2 to 12.
bool valid_retention(int value) { return value == -1 || value == 0 || value == 1 || (value >= 2 && value <= 12 && value % 2 == 0); }

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

void notify(int code, const void *payload, int length) { cgi_notify_daemon(on_system_ipc_callback, code, payload, length); }

void notify_host_name_and_id(int device_id) {
    int32_t id = device_id;
    notify(kRequestDeviceId, &id, sizeof id);
    char text[32];
    memset(text, 0, sizeof text);
    copy_text_field(text, sizeof text, "hostname");
    notify(kRequestHostNameChanged, text, sizeof text);
}

// Stores the host name in the network record; false when the record cannot be read.
bool store_host_name(const char *host_name) {
    NetworkRecord network;
    memset(&network, 0, sizeof network);
    if (read_network(QVDB_PATH, &network) != 0) return false;
    copy_text_field(network.host_name, sizeof network.host_name, host_name);
    return write_network(QVDB_PATH, &network) == 0;
}

// "/6081" values after validation.
struct GeneralSettings {
    int main_resolution, audio_output_on, audio_volume, audio_stereo, hdmi_audio_on, sub_resolution;
    int wizard_enable, device_id, display_mode, sub_enable;
    int homologous_changed, homologous;
    std::string host_name;
};

bool read_general_settings(json_object *request, GeneralSettings *s) {
    json_object *host = json_get_typed(request, "hostname", json_type_string);
    if (!request || !host || !read_int(request, "mainResolution", &s->main_resolution) ||
        !read_int(request, "audioOutputOn", &s->audio_output_on) || !in_set(s->audio_output_on, {0, 1}) ||
        !read_int(request, "audioVolume", &s->audio_volume) || s->audio_volume < 0 || s->audio_volume > 100 ||
        s->audio_volume % 10 != 0 || !read_int(request, "hdmiAudioOn", &s->hdmi_audio_on) ||
        !in_set(s->hdmi_audio_on, {0, 1}) || !read_int(request, "subResolution", &s->sub_resolution) ||
        !read_int(request, "wizardEnable", &s->wizard_enable) || !in_set(s->wizard_enable, {0, 1}) ||
        !read_int(request, "deviceId", &s->device_id) || s->device_id < 0 || s->device_id > 256 ||
        !read_int(request, "displayMode", &s->display_mode) || !in_set(s->display_mode, {0, 1}) ||
        !read_int(request, "subEnable", &s->sub_enable) || !in_set(s->sub_enable, {0, 1}))
        return false;
    s->host_name = json_object_get_string(host);
    s->audio_stereo = json_int_or(request, "audioStereo", 0);
    s->homologous_changed = json_int_or(request, "isHomologousChanged", 0);
    s->homologous = json_int_or(request, "homologous", 0);
    return true;
}

}  // namespace

// "/1009", "/1020": what the device is; reply 8400.
int on_get_system_info(const char *) {
    read_uptime_text(g_local.uptime);
    g_local.plugin_version = param_text("plugin_version", "1.0", 32);
    g_local.mplugin_version = param_text("mplugin_version", "1.0", 32);
    g_local.company = param_text("company", "Vantrel", 64);
    g_local.qvfs_dbup = get_param_int(QVDB_PATH, "qvfs_dbup", 0);
    g_local.transport_protocol = get_param_int(QVDB_PATH, "transport_protocol", 0);
    g_local.stream_information = get_param_int(QVDB_PATH, "stream_information", 0);
    g_local.oem_update_online = get_param_int(QVDB_PATH, "oemupdateonline", 0);
    cgi_ask_daemon(on_system_ipc_callback, kRequestSystemInfo, nullptr, 0, kJson);
    return 0;
}

// "/1012": host name and device id.
int on_set_system_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *host = json_get_typed(request, "hostName", json_type_string);
    int device_id = 0;
    if (!request || !host || json_object_get_string_len(host) == 0 || !read_int(request, "deviceId", &device_id) ||
        device_id < 1 || device_id > 255)
        return 0;
    DbTransaction transaction(QVDB_PATH);
    if (!store_host_name(json_object_get_string(host))) return 0;
    set_param_value(QVDB_PATH, "deviceid", std::to_string(device_id).c_str());
    if (transaction.commit() != 0) return 0;
    notify_host_name_and_id(device_id);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1016": automatic maintenance.
int on_get_auto_maintenance(const char *) {
    DiskMaintainRecord record;
    memset(&record, 0, sizeof record);
    read_disk_maintain_info(QVDB_PATH, &record);
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "logRetention", json_object_new_int(record.logRetention));
    json_object_object_add(answer, "photoRetention", json_object_new_int(record.photoRetention));
    return cgi_answer_json(answer, kJson);
}

// "/1017": set automatic maintenance.
int on_set_auto_maintenance(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    DiskMaintainRecord record;
    memset(&record, 0, sizeof record);
    if (!request || !read_int(request, "logRetention", &record.logRetention) || !valid_retention(record.logRetention) ||
        !read_int(request, "photoRetention", &record.photoRetention) || !valid_retention(record.photoRetention))
        return 0;
    if (write_disk_maintain_info(QVDB_PATH, &record) != 0) return 0;
    notify(kRequestMaintenanceChanged, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1023": the page has taken note of changed permissions.
int on_clear_permission_update(const char *) {
    set_param_int(QVDB_PATH, "permission_update", 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1024": the page has taken note of the storage database upgrade.
int on_clear_qvfs_dbup(const char *) {
    set_param_int(QVDB_PATH, "qvfs_dbup", 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1030": UPnP mapping and the ports it maps.
int on_get_upnp_info(const char *) {
    UpnpRecord upnp;
    PortRecord port;
    memset(&upnp, 0, sizeof upnp);
    memset(&port, 0, sizeof port);
    read_upnp(QVDB_PATH, &upnp);
    read_port(QVDB_PATH, &port);
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "enable", json_object_new_int(upnp.enable));
    json_object_object_add(answer, "type", json_object_new_int(upnp.type));
    json_object_object_add(answer, "external_http_port", json_object_new_int(upnp.external_http_port));
    json_object_object_add(answer, "http_status", json_object_new_int(upnp.http_status));
    json_object_object_add(answer, "external_rtsp_port", json_object_new_int(upnp.external_rtsp_port));
    json_object_object_add(answer, "rtsp_status", json_object_new_int(upnp.rtsp_status));
    json_object_object_add(answer, "http_port", json_object_new_int(port.httpPort));
    json_object_object_add(answer, "rtsp_port", json_object_new_int(port.rtspPort));
    return cgi_answer_json(answer, kJson);
}

// "/1031": hand a changed UPnP mapping to the daemon (which stores it).
int on_set_upnp_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    UpnpRecord upnp;
    memset(&upnp, 0, sizeof upnp);
    int enable = 0, type = 0, http = 0, rtsp = 0;
    if (!request || !read_int(request, "enable", &enable) || !in_set(enable, {0, 1}) || !read_int(request, "type", &type) ||
        !read_int(request, "external_http_port", &http) || http < 0 || http > 65535 ||
        !read_int(request, "external_rtsp_port", &rtsp) || rtsp < 0 || rtsp > 65535)
        return 0;
    if (read_upnp(QVDB_PATH, &upnp) != 0) return 0;
    upnp.enable = enable;
    upnp.type = type;
    upnp.external_http_port = http;
    upnp.external_rtsp_port = rtsp;
    notify(kRequestUpnp, &upnp, sizeof upnp);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1032": automatic reboot.
int on_get_auto_reboot(const char *) {
    AutoRebootRecord record;
    memset(&record, 0, sizeof record);
    read_autoreboot_conf(QVDB_PATH, &record);
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "enable", json_object_new_int(record.enable));
    json_object_object_add(answer, "wday", json_object_new_int(record.wday));
    json_object_object_add(answer, "hour", json_object_new_int(record.hour));
    json_object_object_add(answer, "minutes", json_object_new_int(record.minutes));
    json_object_object_add(answer, "seconds", json_object_new_int(record.seconds));
    return cgi_answer_json(answer, kJson);
}

// "/1033": set automatic reboot (a missing key gives 0; values out of their range are refused).
int on_set_auto_reboot(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    AutoRebootRecord record;
    memset(&record, 0, sizeof record);
    record.enable = json_int_or(request, "enable", 0);
    record.wday = json_int_or(request, "wday", 0);
    record.hour = json_int_or(request, "hour", 0);
    record.minutes = json_int_or(request, "minutes", 0);
    record.seconds = json_int_or(request, "seconds", 0);
    if (!in_set(record.enable, {0, 1}) || record.wday < 0 || record.wday > 7 || record.hour < 0 || record.hour > 23 ||
        record.minutes < 0 || record.minutes > 59 || record.seconds < 0 || record.seconds > 59)
        return 0;
    if (write_autoreboot_conf(QVDB_PATH, &record) != 0) return 0;
    notify(kRequestAutoRebootChanged, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6080": display, audio and identity settings of the general page.
int on_get_general_info(const char *) {
    DisplayRecord display;
    NetworkRecord network;
    memset(&display, 0, sizeof display);
    memset(&network, 0, sizeof network);
    read_display(QVDB_PATH, &display);
    read_network(QVDB_PATH, &network);
    json_object *answer = json_object_new_object();
    auto add = [answer](const char *key, int value) { json_object_object_add(answer, key, json_object_new_int(value)); };
    add("displayMode", param_text_int("display_mode", "0"));
    add("hdmihotplug", param_text_int("hdmihotplug", "1"));
    add("mainResolution", display.mainResolution);
    add("hdmiAudioOn", display.hdmiAudioOn);
    add("homologous", get_param_int(QVDB_PATH, "homologous", 1));
    add("curControl", display.curControl);
    add("subEnable", display.subEnable);
    add("subResolution", display.subResolution);
    add("audioOutputOn", display.audioOutputOn);
    add("audioVolume", display.audioVolume);
    add("deviceId", param_text_int("deviceid", "255"));
    json_object_object_add(answer, "hostname", field_text(network.host_name, sizeof network.host_name));
    add("wizardEnable", param_text_int("wizard_enable", "0"));
    add("hideTaskBar", param_text_int("hide_taskbar", "0"));
    add("hideToolBar", param_text_int("hide_toolbar", "0"));
    return cgi_answer_json(answer, kJson);
}

// "/6081": save the general page; "SUB" when the sub output has control.
int on_set_general_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    GeneralSettings s;
    if (!read_general_settings(request, &s)) return 0;
    DisplayRecord display;
    memset(&display, 0, sizeof display);
    DbTransaction transaction(QVDB_PATH);
    if (read_display(QVDB_PATH, &display) != 0) return 0;
    int old_main = display.mainResolution, old_sub = display.subResolution, cur_control = display.curControl;
    display.mainResolution = s.main_resolution;
    display.audioOutputOn = s.audio_output_on;
    display.audioVolume = s.audio_volume;
    display.audioStereo = s.audio_stereo;
    display.hdmiAudioOn = s.hdmi_audio_on;
    display.subResolution = s.sub_resolution;
    if (s.homologous_changed) {
        set_param_int(QVDB_PATH, "homologous", s.homologous);
        display.subEnable = s.homologous == 0 ? 1 : 0;
        set_param_value(QVDB_PATH, "quick_screen", display.subEnable ? "1" : "0");
    }
    write_display(QVDB_PATH, &display);
    bool switch_sub = display.subEnable != s.sub_enable && !s.homologous_changed && cur_control == 0;
    if (!store_host_name(s.host_name.c_str())) return 0;
    set_param_value(QVDB_PATH, "deviceid", std::to_string(s.device_id).c_str());
    set_param_value(QVDB_PATH, "wizard_enable", s.wizard_enable ? "1" : "0");
    set_param_value(QVDB_PATH, "display_mode", s.display_mode ? "1" : "0");
    int value = 0;
    if (read_int(request, "hdmihotplug", &value)) set_param_value(QVDB_PATH, "hdmihotplug", std::to_string(value).c_str());
    if (read_int(request, "streamInfo", &value)) set_param_int(QVDB_PATH, "stream_information", value);
    if (transaction.commit() != 0) return 0;

    if (switch_sub) {
        int32_t sub_enable = s.sub_enable;
        notify(kRequestSubOutput, &sub_enable, sizeof sub_enable);
    }
    notify_host_name_and_id(s.device_id);
    if (old_main != display.mainResolution || old_sub != display.subResolution) {
        ResolutionPayload main_output = {0, display.mainResolution}, sub_output = {1, display.subResolution};
        notify(kRequestSetResolution, &main_output, sizeof main_output);
        notify(kRequestSetResolution, &sub_output, sizeof sub_output);
        notify(kRequestResolutionApply, nullptr, 0);
    }
    AudioPayload audio = {display.hdmiAudioOn, display.audioOutputOn, display.audioVolume};
    notify(kRequestSetAudio, &audio, sizeof audio);
    cgi_log_operation(on_system_ipc_callback, 204, 913, 0);
    cgi_writeback_webserver(kTextPlain, cur_control == 0 ? "OK" : "SUB");
    if (s.homologous_changed) notify(kRequestRestart, nullptr, 0);
    return 0;
}

// "/ipc": give consecutive addresses to the cameras, "chnFre" channels per address.
int on_set_camera_ips(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *start_ip = json_get_typed(request, "startip", json_type_string);
    int addresses = 0, per_address = 0;
    struct in_addr start;
    if (!request || !start_ip || inet_pton(AF_INET, json_object_get_string(start_ip), &start) != 1 ||
        !read_int(request, "chnNum", &addresses) || !read_int(request, "chnFre", &per_address))
        return 0;
    int max_cameras = get_param_int(QVDB_PATH, "max_cameras", 32);
    if (max_cameras > kQvdbChannels) max_cameras = kQvdbChannels;
    uint32_t base = ntohl(start.s_addr);
    int last = static_cast<int>(base & 0xFF);
    int channel = 0;
    DbTransaction transaction(QVDB_PATH);
    // No address whose last byte would pass 254 is given out.
    for (int i = 0; i < addresses && channel < max_cameras && last + i <= 254 && per_address >= 1; i++) {
        struct in_addr address;
        address.s_addr = htonl((base & 0xFFFFFF00u) | static_cast<uint32_t>(last + i));
        char text[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &address, text, sizeof text);
        for (int k = 0; k < per_address && channel < max_cameras; k++) write_camera_ip(QVDB_PATH, channel++, text);
    }
    if (transaction.commit() != 0) return 0;
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// Reply 8400: the system information record.
int on_get_system_info_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(SystemInfoRecord))) {
        cgi_error_to_webserver(kJson);
        cgi_reply_done();
        return 0;
    }
    SystemInfoRecord info;
    memcpy(&info, payload, sizeof info);
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "hostName", json_object_new_string(""));
    json_object_object_add(answer, "deviceName", field_text(info.model, sizeof info.model));
    json_add_int(answer, "deviceId", info.device_id);
    json_object_object_add(answer, "product", field_text(info.model, sizeof info.model));
    json_object_object_add(answer, "hwver", field_text(info.hardware, sizeof info.hardware));
    json_object_object_add(answer, "software", field_text(info.software, sizeof info.software));
    json_add_int(answer, "oemversion", info.oem_version);
    json_object_object_add(answer, "sn", field_text(info.sn, sizeof info.sn));
    json_object_object_add(answer, "prefix", field_text(info.prefix, sizeof info.prefix));
    json_object_object_add(answer, "pluginVersion", json_object_new_string(g_local.plugin_version.c_str()));
    json_object_object_add(answer, "mpluginVersion", json_object_new_string(g_local.mplugin_version.c_str()));
    json_object_object_add(answer, "macAddress", field_text(info.mac, sizeof info.mac));
    json_add_int(answer, "qvddns", info.qvddns);
    json_object_object_add(answer, "uptime", json_object_new_string(g_local.uptime));
    json_object_object_add(answer, "sncode", field_text(info.sn, sizeof info.sn));
    json_object *resource = json_object_new_object();
    json_add_int(resource, "displayNum", info.display_num);
    json_add_int(resource, "maxAudioOut", info.max_audio_out);
    json_add_int(resource, "maxNetworkLan", info.max_network_lan);
    json_add_int(resource, "maxSensor", info.max_sensor);
    json_add_int(resource, "maxAlarm", info.max_alarm);
    json_add_int(resource, "maxCameras", info.max_cameras);
    json_add_int(resource, "masRs485", info.max_rs485);
    json_object_object_add(answer, "resource", resource);
    json_add_int(answer, "qvfsDbup", g_local.qvfs_dbup);
    json_add_int(answer, "transProtocol", g_local.transport_protocol);
    json_add_int(answer, "streamInfo", g_local.stream_information);
    json_add_int(answer, "oemonlineupdate", g_local.oem_update_online);
    json_object_object_add(answer, "company", json_object_new_string(g_local.company.c_str()));
    json_add_int(answer, "isSupportTalk", info.support_talk);
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    return 0;
}
