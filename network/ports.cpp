// Service-port routes of module "/7000": SSH, HTTP, HTTPS, RTSP and service ports with the
// mobile-push settings that share their page, and the PoE port count.
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_network.h"
#include "core/response.h"
#include "network/network_common.h"
#include "network/network_module.h"

namespace {

constexpr int kRequestReboot = 1703;
constexpr int kRequestPushSwitch = 3617;
constexpr int kRequestChannelAccess = 3618;
constexpr int kPushSwitchBytes = 10;

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

// enableSsh 0 or 1; the four ports and enableMsg present and not negative.
int check_port_info(json_object *request) {
    int enable_ssh = 0, ssh = 0, http = 0, rtsp = 0, service = 0, message = 0;
    bool valid = read_int(request, "enableSsh", &enable_ssh) && static_cast<unsigned>(enable_ssh) <= 1 &&
                 read_int(request, "sshPort", &ssh) && ssh >= 0 && read_int(request, "httpPort", &http) && http >= 0 &&
                 read_int(request, "rtspPort", &rtsp) && rtsp >= 0 && read_int(request, "servicePort", &service) &&
                 service >= 0 && read_int(request, "enableMsg", &message) && message >= 0;
    return valid ? 0 : -1;
}

int push_enable_value(int value) { return value == 0 || value == 1 ? value : 0; }

// Push type of each channel below the count: items that are missing or not integers are skipped,
// and no more than the array holds, nor than 64 channels, are stored.
void store_push_types(json_object *request, int channel_num) {
    json_object *types = json_get_typed(request, "pushTypeArr", json_type_array);
    if (!types || channel_num <= 0) return;
    size_t count = std::min({static_cast<size_t>(channel_num), json_object_array_length(types),
                             static_cast<size_t>(kQvdbChannels)});
    for (size_t i = 0; i < count; i++) {
        json_object *item = json_object_array_get_idx(types, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        PushMsgEvent event = {static_cast<int32_t>(i), json_object_get_int(item)};
        write_push_msg_event(QVDB_PATH, &event);
    }
}

json_object *push_type_array() {
    int channels = std::min(get_param_int(QVDB_PATH, "max_cameras", 0), kQvdbChannels);
    int32_t types[kQvdbChannels] = {0};
    PushMsgEvent events[kQvdbChannels];
    int count = 0;
    if (channels > 0 && read_push_msg_events(QVDB_PATH, events, &count) == 0) {
        for (int i = 0; i < count && i < kQvdbChannels; i++)
            if (events[i].channel >= 0 && events[i].channel < kQvdbChannels) types[events[i].channel] = events[i].push_type;
    }
    json_object *array = json_object_new_array();
    for (int channel = 0; channel < channels; channel++) json_object_array_add(array, json_object_new_int(types[channel]));
    return array;
}

void store_push_switch(int enable) {
    const char *value = enable ? "1" : "0";
    if (check_param_key(QVDB_PATH, "enable_push_msg") != 0) add_param_value(QVDB_PATH, "enable_push_msg", value);
    else set_param_value(QVDB_PATH, "enable_push_msg", value);
}

}  // namespace

// "/7050": service ports and push settings.
int on_get_port_info(const char *) {
    PortRecord port;
    memset(&port, 0, sizeof port);
    read_port(QVDB_PATH, &port);
    char nvr_pos[kPushNvrPosText];
    read_push_msg_nvr_event(QVDB_PATH, nvr_pos, sizeof nvr_pos);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "enableSsh", port.enableSsh);
    json_add_int(answer, "sshPort", port.sshPort);
    json_add_int(answer, "httpPort", port.httpPort);
    json_add_int(answer, "httpsPort", port.httpsPort);
    json_add_int(answer, "rtspPort", port.rtspPort);
    json_add_int(answer, "servicePort", port.servicePort);
    json_add_int(answer, "enable_access", get_param_int(QVDB_PATH, "ch_access", 0));
    json_object_object_add(answer, "PushTypeArr", push_type_array());
    json_add_int(answer, "PushNvrAlarmInType", get_param_int(QVDB_PATH, "pushmsg_alarmin_type", 65535));
    json_add_int(answer, "enableMsg", push_enable_value(get_param_int(QVDB_PATH, "enable_push_msg", 0)));
    json_add_int(answer, "push_stream", get_param_int(QVDB_PATH, "video_push_stream", 0));
    json_add_text(answer, "pushNvrPos", nvr_pos);
    return cgi_answer_json(answer, kJson);
}

// "/7051": store the ports and push settings. A changed SSH, HTTP or HTTPS port inside the PoE
// block or in use answers "POE_Port_Error": the push types are stored all the same, the ports not.
int on_set_port_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_port_info(request) != 0) return 0;
    int enable_access = json_int_or(request, "enableAccess", 0);
    int need_reboot = json_int_or(request, "needReboot", 0);
    int push_enable = push_enable_value(json_int_or(request, "enableMsg", 0));
    bool ports_allowed = false;
    int stored_access = 0;
    {
        DbTransaction transaction(QVDB_PATH);
        set_param_int(QVDB_PATH, "push_type", json_int_or(request, "pushType", 0));
        set_param_int(QVDB_PATH, "pushmsg_alarmin_type", json_int_or(request, "PushTypeNvrAlarmIn", 0));
        store_push_types(request, json_int_or(request, "channel_num", 0));
        stored_access = get_param_int(QVDB_PATH, "ch_access", 0);

        PortRecord old_port;
        memset(&old_port, 0, sizeof old_port);
        read_port(QVDB_PATH, &old_port);
        PortRecord port = old_port;
        port.enableSsh = json_int_or(request, "enableSsh", 0);
        port.sshPort = json_int_or(request, "sshPort", 0);
        port.httpPort = json_int_or(request, "httpPort", 0);
        port.rtspPort = json_int_or(request, "rtspPort", 0);
        port.httpsPort = json_int_or(request, "httpsPort", 0);
        ports_allowed = port_change_allowed(old_port.sshPort, port.sshPort) &&
                        port_change_allowed(old_port.httpPort, port.httpPort) &&
                        port_change_allowed(old_port.httpsPort, port.httpsPort);
        if (ports_allowed) {
            char nvr_pos[kPushNvrPosText] = "";
            on_cgi_get_string_from_json(request, "pushNvrPos", nvr_pos, sizeof nvr_pos);
            write_port(QVDB_PATH, &port);
            store_push_switch(push_enable);
            write_push_msg_nvr_event(QVDB_PATH, nvr_pos);
            set_param_int(QVDB_PATH, "video_push_stream", json_int_or(request, "pushVideoStream", 0));
        }
        if (transaction.commit() != 0) return 0;
    }
    if (enable_access != stored_access) {
        int32_t access = enable_access;
        network_notify(kRequestChannelAccess, &access, sizeof access);
    }
    if (!ports_allowed) return cgi_writeback_webserver(kTextPlain, "POE_Port_Error");

    char push_switch[kPushSwitchBytes];
    memset(push_switch, 0, sizeof push_switch);
    snprintf(push_switch, sizeof push_switch, "%d", push_enable);
    network_notify(kRequestPushSwitch, push_switch, sizeof push_switch);
    network_log(204, 918);
    cgi_writeback_webserver(kTextPlain, "OK");
    notify_network_changed("more");
    if (need_reboot != 0) {
        network_log(200, 900);
        network_notify(kRequestReboot, nullptr, 0);
    }
    return 0;
}

// "/7093": the number of PoE camera ports.
int on_get_poe_max(const char *) { return answer_param_int("max_poe_num", "max_poe_num", 0); }
