// Restart, restore and configuration routes of module "/1000".
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "platform/devroot.h"
#include "system/device_files.h"
#include "system/system_module.h"

namespace {

constexpr int kRequestRestart = 1703;
constexpr int kRequestRestoreOptions = 3311;
constexpr int kRequestRestoreDefaults = 3410;

constexpr char kExportFolder[] = "/tmp";
constexpr char kExportHandOver[] = "/tmp/.export_down_file";
constexpr char kUploadFolder[] = "/tmp";
constexpr char kDaemonMarker[] = "/tmp/qvcore";

// Request 3311: what a factory restore keeps.
struct RestoreOptions {
    int32_t keep_ip;
    int32_t keep_user;
};
static_assert(sizeof(RestoreOptions) == 8, "restore options are 8 bytes");

// Up to `limit` bytes of the hand-over file, up to its first NUL; false when it cannot be read.
bool read_hand_over(size_t limit, std::string *text) {
    int fd = open(nvr_path(kExportHandOver).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::string content(limit, '\0');
    ssize_t got = read(fd, &content[0], limit);
    close(fd);
    if (got < 0) return false;
    content.resize(static_cast<size_t>(got));
    *text = content.substr(0, content.find('\0'));
    return true;
}

// A path as the profile tool wrote it: trailing line breaks and blanks dropped.
std::string trimmed_path(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

// Channel 0's motion record must carry action and e-mail intervals; 0 becomes 20 seconds.
void repair_motion_intervals() {
    constexpr int kDefaultInterval = 20;
    DbTransaction transaction(QVDB_PATH);
    MotionRecord motion;
    memset(&motion, 0, sizeof motion);
    if (read_motion(QVDB_PATH, &motion, 0) != 0) return;  // a record that could not be read is not written
    if (motion.interval != 0 && motion.email_interval != 0) return;
    if (motion.interval == 0) motion.interval = kDefaultInterval;
    if (motion.email_interval == 0) motion.email_interval = kDefaultInterval;
    write_motion(QVDB_PATH, &motion);
    transaction.commit();
}

}  // namespace

void restart_device_quietly() {
    cgi_log_operation(on_system_ipc_callback, 200, 900, 0);
    cgi_notify_daemon(on_system_ipc_callback, kRequestRestart, nullptr, 0);
}

// "/1004": record the restart (200, 900), ask the daemon to restart, answer "OK".
int on_restart_device(const char *) {
    restart_device_quietly();
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1005": "OK" once the daemon is up (its marker is readable), "NO OK" before.
int on_get_restart_state(const char *) {
    const char *answer = access(nvr_path(kDaemonMarker).c_str(), R_OK) == 0 ? "OK" : "NO OK";
    repair_motion_intervals();
    return cgi_writeback_webserver(kTextPlain, answer);
}

// "/1006": answer first, then restore the factory settings and restart.
int on_restore_device(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    RestoreOptions options = {0, 0};
    int value = 0;
    if (on_cgi_get_int_from_json(request, "keepIp", &value) == 0) options.keep_ip = value;
    if (on_cgi_get_int_from_json(request, "keepUser", &value) == 0) options.keep_user = value;
    cgi_writeback_webserver(kTextPlain, "OK");
    cgi_notify_daemon(on_system_ipc_callback, kRequestRestoreOptions, &options, sizeof options);
    cgi_notify_daemon(on_system_ipc_callback, kRequestRestoreDefaults, nullptr, 0);
    cgi_log_operation(on_system_ipc_callback, 215, 900, 0);
    cgi_notify_daemon(on_system_ipc_callback, kRequestRestart, nullptr, 0);
    return 0;
}

// "/1007": have the profile tool export the configuration into "/tmp"; answer its file name.
int on_export_config(const char *) {
    std::string folder = nvr_path(kExportFolder);
    const char *argv[] = {"qvprofile", "-e", folder.c_str(), nullptr};
    if (web_spawn(argv) != 0) return cgi_error_to_webserver(kTextPlain);
    std::string text;
    std::string answer = "OK";
    if (read_hand_over(256, &text) && text.find('/') != std::string::npos)
        answer = "OK filename=" + without_line_breaks(path_base_name(trimmed_path(text))) + "\r\n";
    cgi_log_operation(on_system_ipc_callback, 213, 900, 0);
    return cgi_writeback_webserver(kTextPlain, answer.c_str());
}

// "/1008": import an uploaded configuration with the profile tool, then remove the upload.
int on_import_config(const char *arg) {
    std::string path = upload_argument_path(arg);
    std::string real;
    if (!regular_file_inside(kUploadFolder, path.c_str(), &real)) return cgi_error_to_webserver(kTextPlain);
    const char *argv[] = {"qvprofile", "-i", real.c_str(), nullptr};
    bool imported = web_spawn(argv) == 0;
    bool removed = unlink(real.c_str()) == 0;
    if (!imported || !removed) return cgi_error_to_webserver(kTextPlain);
    cgi_writeback_webserver(kTextPlain, "OK");
    cgi_log_operation(on_system_ipc_callback, 214, 900, 0);
    return 0;
}

// "/1013": stream the exported configuration file once, then delete it.
int on_download_config(const char *) {
    std::string text;
    if (!read_hand_over(1168, &text)) return 0;
    std::string exported = trimmed_path(text);
    std::string real;
    if (!regular_file_inside(kExportFolder, exported.c_str(), &real)) return 0;
    int fd = open_regular_file(real);
    if (fd < 0) return 0;
    stream_download(fd, without_line_breaks(path_base_name(exported)));
    close(fd);
    unlink(real.c_str());
    return 0;
}
