// Firmware and camera upgrade routes of module "/1000": image checks, online download, install.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "platform/qvstd.h"
#include "system/system_module.h"

namespace {

constexpr char kRecorderImage[] = "/dev/shm/updateFM.bin";
constexpr char kCameraImage[] = "/dev/shm/updateIPCFM.bin";

constexpr int kRequestInstall = 1713;
constexpr int kRequestCheckRecorder = 1715;
constexpr int kRequestDownload = 1716;
constexpr int kRequestDiscardCamera = 1717;
constexpr int kRequestPrepareUpgrade = 1721;
constexpr int kRequestUpgradeCamera = 3350;
constexpr int kRequestStopCameraUpgrade = 3351;
constexpr int kRequestCheckCameras = 3365;

constexpr int kChannels = 64;
constexpr long kPrepareSettleUs = 500000;

// Request 1716: where to fetch an image and which image file to fill.
struct DownloadPayload {
    char url[128];
    char path[128];
};
static_assert(sizeof(DownloadPayload) == 256, "download payload is 256 bytes");
static_assert(offsetof(DownloadPayload, path) == 128, "path at 128");

// Request 3350: upgrade one camera from the camera image.
struct CameraUpgradePayload {
    int32_t chnid;
    int32_t reset;
    char path[256];
};
static_assert(sizeof(CameraUpgradePayload) == 264, "camera upgrade payload is 264 bytes");
static_assert(offsetof(CameraUpgradePayload, path) == 8, "path at 8");

// Replies 6715 and 8365: what the daemon found online.
struct UpgradeInfo {
    int32_t state;
    int32_t file_size;
    char softversion[64];
    char url[128];
    char description[128];
};
static_assert(sizeof(UpgradeInfo) == 328, "upgrade information is 328 bytes");
static_assert(offsetof(UpgradeInfo, softversion) == 8, "softversion at 8");
static_assert(offsetof(UpgradeInfo, url) == 72, "url at 72");
static_assert(offsetof(UpgradeInfo, description) == 200, "description at 200");

// Reply 8350: result of one camera upgrade.
struct CameraUpgradeResult {
    int32_t chnid;
    int32_t status;
};
static_assert(sizeof(CameraUpgradeResult) == 8, "camera upgrade result is 8 bytes");

// The daemon's status of the last install (reply 6713), kept apart from the completion flag:
// a status of 1 is an error number like any other.
std::atomic<int> g_install_status{kNoDaemonStatus};

int answer_json_error() { return cgi_error_to_webserver(kJson); }

int answer_res(int value) {
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "res", json_object_new_int(value));
    return cgi_answer_json(answer, kJson);
}

bool device_file_exists(const char *device_path) { return access(nvr_path(device_path).c_str(), F_OK) == 0; }

// A text field of a reply: at most its size, never assumed to be NUL-terminated.
json_object *field_text(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

json_object *upgrade_info_json(const UpgradeInfo &info) {
    json_object *object = json_object_new_object();
    json_object_object_add(object, "state", json_object_new_int(info.state));
    json_object_object_add(object, "fileSize", json_object_new_int(info.file_size));
    json_object_object_add(object, "softversion", field_text(info.softversion, sizeof info.softversion));
    json_object_object_add(object, "url", field_text(info.url, sizeof info.url));
    json_object_object_add(object, "description", field_text(info.description, sizeof info.description));
    return object;
}

// A reply without its record: the error answer, once, and the wait ends.
int answer_missing_record() {
    answer_json_error();
    cgi_reply_done();
    return 0;
}

// Sends 1713 with the reset flag and waits. The daemon's status, or kNoDaemonStatus after a time-out.
int install_recorder_image(int reset) {
    g_install_status.store(kNoDaemonStatus);
    int32_t payload = reset;
    cgi_start_ipc(on_system_ipc_callback, kRequestInstall, sizeof payload, &payload, 0);
    bool answered = g_callback_done.load() != 0;
    cgi_stop_ipc();
    return answered ? g_install_status.load() : kNoDaemonStatus;
}

void prepare_upgrade() { cgi_notify_daemon(on_system_ipc_callback, kRequestPrepareUpgrade, nullptr, 0); }

// The first word of the query part of an upload argument "temp & QUERY".
bool query_asks_reset(const char *arg) {
    const char *query = strstr(arg, " & ");
    if (!query) return false;
    query += 3;
    while (*query == ' ' || *query == '\t') query++;
    size_t length = strcspn(query, " \t\r\n");
    const char *found = strstr(query, "reset");
    return found && found < query + length;
}

}  // namespace

// "/1010": install an uploaded recorder image; restart when the daemon reports success.
int on_upgrade_system(const char *arg) {
    int reset = (arg && query_asks_reset(arg)) ? 1 : 0;
    cgi_log_operation(on_system_ipc_callback, 203, 900, 0);
    int status = install_recorder_image(reset);
    if (status == 0) {
        cgi_writeback_webserver(kTextPlain, "OK");
        restart_device_quietly();
        return 0;
    }
    // A time-out reports 0 (not "OK"); a daemon error reports its number, 1 included.
    char text[16];
    snprintf(text, sizeof text, "%d", status == kNoDaemonStatus ? 0 : status);
    return cgi_writeback_webserver(kTextPlain, text);
}

// "/1011": "OK" when no recorder image is waiting, "Error" when one is.
int on_clean_upgrade_files(const char *) {
    return cgi_writeback_webserver(kTextPlain, device_file_exists(kRecorderImage) ? "Error" : "OK");
}

// "/1034": tell the daemon an upgrade is about to start.
int on_cgi_upgrade_system_init(const char *) {
    prepare_upgrade();
    nvr_sleep_us(kPrepareSettleUs);
    return answer_res(0);
}

// "/6082": "OK" when the uploaded camera image is in place.
int on_upgrade_camera(const char *) {
    return cgi_writeback_webserver(kTextPlain, device_file_exists(kCameraImage) ? "OK" : "Error");
}

// "/6083": upgrade one camera from the camera image; reply 8350.
int on_start_upgrade_camera(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, reset = 0;
    if (!request || on_cgi_get_int_from_json(request, "chnid", &channel) != 0 || channel < 0 || channel >= kChannels)
        return answer_json_error();
    if (on_cgi_get_int_from_json(request, "reset", &reset) != 0) reset = 0;
    if (reset != 0 && reset != 1) return answer_json_error();
    CameraUpgradePayload payload;
    memset(&payload, 0, sizeof payload);
    payload.chnid = channel;
    payload.reset = reset;
    copy_text_field(payload.path, sizeof payload.path, kCameraImage);
    cgi_ask_daemon(on_system_ipc_callback, kRequestUpgradeCamera, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/6084": drop the camera image and stop camera upgrades.
int on_stop_upgrade_camera(const char *) {
    unlink(nvr_path(kCameraImage).c_str());
    cgi_notify_daemon(on_system_ipc_callback, kRequestStopCameraUpgrade, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6085": have the daemon download an image ("type" 0 recorder, 1 camera) from "url".
int on_get_online_upgrade(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = -1;
    json_object *url = json_get_typed(request, "url", json_type_string);
    if (!request || on_cgi_get_int_from_json(request, "type", &type) != 0 || (type != 0 && type != 1) || !url)
        return answer_json_error();
    DownloadPayload payload;
    memset(&payload, 0, sizeof payload);
    copy_text_field(payload.url, sizeof payload.url, json_object_get_string(url));
    copy_text_field(payload.path, sizeof payload.path, type == 0 ? kRecorderImage : kCameraImage);
    prepare_upgrade();
    cgi_ask_daemon(on_system_ipc_callback, kRequestDownload, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/6086": discard a downloaded image: the recorder's here, the camera's by the daemon.
int on_del_online_upgrade(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = -1;
    if (!request || on_cgi_get_int_from_json(request, "type", &type) != 0 || (type != 0 && type != 1))
        return answer_json_error();
    if (type == 0) {
        unlink(nvr_path(kRecorderImage).c_str());
        return answer_res(0);
    }
    cgi_ask_daemon(on_system_ipc_callback, kRequestDiscardCamera, nullptr, 0, kTextPlain);
    return 0;
}

// "/6087": ask the daemon whether a newer recorder image is online; reply 6715.
int on_check_nvr_online_upgrade(const char *) {
    cgi_ask_daemon(on_system_ipc_callback, kRequestCheckRecorder, nullptr, 0, kTextPlain);
    return 0;
}

// "/6088": install the downloaded recorder image; restart on success.
int on_nvr_online_upgrade(const char *) {
    prepare_upgrade();
    cgi_log_operation(on_system_ipc_callback, 203, 900, 0);
    int status = install_recorder_image(0);
    if (status != 0) return answer_res(status == kNoDaemonStatus ? -1 : status);
    answer_res(0);
    restart_device_quietly();
    return 0;
}

// "/6089": ask which cameras of "ch" have newer images online; reply 8365.
int on_check_ipc_online_upgrade(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *channels = json_get_typed(request, "ch", json_type_string);
    if (!request || !channels) return answer_json_error();
    const char *text = json_object_get_string(channels);
    uint64_t set = 0;
    for (int n = 0; n < kChannels && (text[n] == '0' || text[n] == '1'); n++)
        if (text[n] == '1') set |= 1ULL << n;
    cgi_ask_daemon(on_system_ipc_callback, kRequestCheckCameras, &set, sizeof set, kTextPlain);
    return 0;
}

// Reply 6713: the install status, passed apart from the completion flag.
int on_upgrade_status_cb(const void *payload, int length) {
    int status;
    if (!reply_word(payload, length, 0, &status)) status = -1;  // a reply without its status is a failure
    g_install_status.store(status);
    cgi_reply_done();
    return 0;
}

// Reply 6715: one upgrade-information record.
int on_check_nvr_online_upgrade_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(UpgradeInfo))) return answer_missing_record();
    UpgradeInfo info;
    memcpy(&info, payload, sizeof info);
    cgi_answer_json(upgrade_info_json(info), kJson);
    cgi_reply_done();
    return 0;
}

// Replies 6716 and 6717: {"res": status}.
int on_get_online_upgrade_cb(const void *payload, int length) {
    int status;
    if (!reply_word(payload, length, 0, &status)) return answer_missing_record();
    answer_res(status);
    cgi_reply_done();
    return 0;
}

int on_del_online_upgrade_cb(const void *payload, int length) { return on_get_online_upgrade_cb(payload, length); }

// Reply 8350: {"chnid", "status"}.
int on_start_upgrade_camera_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(CameraUpgradeResult))) return answer_missing_record();
    CameraUpgradeResult result;
    memcpy(&result, payload, sizeof result);
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "chnid", json_object_new_int(result.chnid));
    json_object_object_add(answer, "status", json_object_new_int(result.status));
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    return 0;
}

// Reply 8365: all 64 channels' records, in channel order.
int on_check_ipc_online_upgrade_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(kChannels * sizeof(UpgradeInfo))) return answer_missing_record();
    json_object *list = json_object_new_array();
    for (int n = 0; n < kChannels; n++) {
        UpgradeInfo info;
        memcpy(&info, static_cast<const char *>(payload) + n * sizeof info, sizeof info);
        json_object_array_add(list, upgrade_info_json(info));
    }
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "check", list);
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    return 0;
}
