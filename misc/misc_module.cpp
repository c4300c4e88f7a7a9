// Route module "/3300" (miscellaneous settings): the SSH switch, automatic local login, the wizard
// switch, one record mode for every channel and the quick add or disable of a camera. Each
// handler stores one setting, answers "OK" and tells the daemon without waiting where it must act.
#include "misc/misc_module.h"

#include <string.h>

#include "camera/camera_request.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_camera.h"
#include "core/qvdb_network.h"
#include "core/qvdb_record.h"
#include "core/response.h"
#include "frame/dispatchreq.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

constexpr int kRequestCameraAdded = 1201;     // channel
constexpr int kRequestCameraDisabled = 1202;  // channel
constexpr int kRequestRecordChanged = 1407;   // channel
constexpr int kRequestNetworkChanged = 1702;  // 32 bytes: the changed area
constexpr int kOnvifProtocol = 0;

void notify(int code, const void *payload, int length) { cgi_notify_daemon(on_aging_callback, code, payload, length); }

void notify_channel(int code, int channel) {
    int32_t payload = channel;
    notify(code, &payload, sizeof payload);
}

// Stores one integer parameter from a request key (0 when the key is missing).
int set_param_from(const char *arg, const char *key, const char *param) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    if (set_param_int(kDb, param, json_int_or(request, key, 0)) != 0) return cgi_error_to_webserver(kTextPlain);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// The camera fields of a quick add: "id" 0 to 63, "enable" 0 or 1, "ipAddr" not empty and
// "managePort" not negative, all present.
bool check_ipc_parms(json_object *request, int *channel, int *enable) {
    int port = 0;
    const char *address = text_key(request, "ipAddr");
    return read_int_between(request, "id", 0, kQvdbChannels - 1, channel) &&
           read_int_between(request, "enable", 0, 1, enable) && address && *address &&
           on_cgi_get_int_from_json(request, "managePort", &port) == 0 && port >= 0;
}

}  // namespace

int on_aging_callback(int, const MessageHeader *, const void *) { return 0; }

// "/3300": the SSH switch of the port record; the daemon applies "more" after the answer.
int on_set_ssh_enable(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    PortRecord ports;
    memset(&ports, 0, sizeof ports);
    {
        DbTransaction transaction(kDb);
        if (read_port(kDb, &ports) != 0) return cgi_error_to_webserver(kTextPlain);
        ports.enableSsh = json_int_or(request, "sshEnable", 0);
        if (write_port(kDb, &ports) != 0 || transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    }
    cgi_writeback_webserver(kTextPlain, "OK");
    char area[32] = "more";
    notify(kRequestNetworkChanged, area, sizeof area);
    return 0;
}

// "/3301": automatic local login.
int on_set_auto_login(const char *arg) { return set_param_from(arg, "autoLoginEnable", "local_auth_enable"); }

// "/3303": the setup wizard at start-up.
int on_set_wizard_enable(const char *arg) { return set_param_from(arg, "wizardEnable", "wizard_enable"); }

// "/3302": one record mode for all 64 channels (each keeps its other record fields); after the
// answer the daemon hears of every channel in order.
int on_set_all_record_mode(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int mode = json_int_or(request, "recordMode", 0);
    {
        DbTransaction transaction(kDb);
        RecordEntry entries[kQvdbChannels];
        read_record_table(kDb, entries);
        for (int channel = 0; channel < kQvdbChannels; channel++) {
            entries[channel].id = channel;
            entries[channel].mode = mode;
            write_record(kDb, &entries[channel]);
        }
        if (transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    }
    cgi_writeback_webserver(kTextPlain, "OK");
    for (int channel = 0; channel < kQvdbChannels; channel++) notify_channel(kRequestRecordChanged, channel);
    return 0;
}

// "/3304": adds (enable 1) or disables (enable 0) the ONVIF camera of a channel.
int on_set_camera_simple(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, enable = 0;
    if (!request || !check_ipc_parms(request, &channel, &enable)) return 0;
    CameraRecord camera;
    memset(&camera, 0, sizeof camera);
    {
        DbTransaction transaction(kDb);
        read_camera(kDb, &camera, channel);
        camera.id = channel;
        camera.enable = enable;
        store_text_key(request, "ipAddr", camera.ipAddr, sizeof camera.ipAddr);
        camera.managePort = json_int_or(request, "managePort", 0);
        camera.camProtocol = kOnvifProtocol;
        store_text_key(request, "userName", camera.userName, sizeof camera.userName);
        store_text_key(request, "password", camera.password, sizeof camera.password);
        if (write_camera(kDb, &camera) != 0 || transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    }
    notify_channel(enable ? kRequestCameraAdded : kRequestCameraDisabled, channel);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

static const WebRes kMiscRoutes[] = {
    {"/3300", on_set_ssh_enable},
    {"/3301", on_set_auto_login},
    {"/3302", on_set_all_record_mode},
    {"/3303", on_set_wizard_enable},
    {"/3304", on_set_camera_simple},
};

NVR_ROUTE_MODULE(10, "/3300", kMiscRoutes)
