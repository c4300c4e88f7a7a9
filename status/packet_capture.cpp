// Packet capture of the diagnostics page: tcpdump records the recorder's traffic into a folder
// the page names, is stopped on demand (or by webmonitor after 300 seconds), and the capture's
// files are downloaded as one tar archive. Nothing of the request reaches a shell: programs run
// with argument vectors, files are listed, renamed and removed by the program itself.
#include <arpa/inet.h>
#include <ctype.h>
#include <errno.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "camera/camera_request.h"
#include "core/json_util.h"
#include "core/response.h"
#include "netif/netif.h"
#include "platform/devroot.h"
#include "status/status_module.h"

extern char **environ;

namespace {

constexpr size_t kNicMax = 7;
constexpr size_t kFolderMax = 127;
constexpr char kCapturePrefix[] = "rvpcap-";
constexpr size_t kCapturePrefixLength = sizeof kCapturePrefix - 1;
constexpr size_t kCaptureStampDigits = 14;  // %Y%m%d%H%M%S
constexpr char kArchiveName[] = "packet.tar";
constexpr size_t kCopyBlock = 4095;

// ---- what a request may name --------------------------------------------------------------------

// 1 to 7 characters of [A-Za-z0-9._-], not starting with '-'.
bool valid_interface_name(const std::string &nic) {
    if (nic.empty() || nic.size() > kNicMax || nic[0] == '-') return false;
    for (unsigned char c : nic)
        if (!isalnum(c) && c != '.' && c != '_' && c != '-') return false;
    return true;
}

bool numeric_address(const std::string &text) {
    unsigned char address[16];
    return inet_pton(AF_INET, text.c_str(), address) == 1 || inet_pton(AF_INET6, text.c_str(), address) == 1;
}

// Empty, or a decimal port 1 to 65535.
bool valid_port(const std::string &port) {
    if (port.empty()) return true;
    if (port.size() > 5) return false;
    for (unsigned char c : port)
        if (!isdigit(c)) return false;
    long value = strtol(port.c_str(), nullptr, 10);
    return value >= 1 && value <= 65535;
}

// "rvpcap-" and 14 digits: the names a capture start gives.
bool valid_capture_name(const std::string &name) {
    if (name.size() != kCapturePrefixLength + kCaptureStampDigits || name.compare(0, kCapturePrefixLength, kCapturePrefix) != 0)
        return false;
    for (size_t i = kCapturePrefixLength; i < name.size(); i++)
        if (!isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

bool inside(const std::string &path, const std::string &root) {
    if (root == "/") return true;
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

// A capture folder: an absolute device path of at most 127 characters without control characters
// or ".." components, naming an existing directory whose real path lies inside the device root.
// Gives that real path.
bool capture_folder(const std::string &device_path, std::string *real) {
    if (device_path.empty() || device_path[0] != '/' || device_path.size() > kFolderMax) return false;
    for (unsigned char c : device_path)
        if (iscntrl(c)) return false;
    for (size_t start = 0; start <= device_path.size();) {
        size_t end = device_path.find('/', start);
        if (end == std::string::npos) end = device_path.size();
        if (device_path.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    char resolved[PATH_MAX];
    char root[PATH_MAX];
    const char *device_root = nvr_root();
    if (!realpath(nvr_path(device_path.c_str()).c_str(), resolved) || !realpath(*device_root ? device_root : "/", root))
        return false;
    struct stat st;
    if (stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode) || !inside(resolved, root)) return false;
    *real = resolved;
    return true;
}

// A text key (or a number given as such); "" when missing.
bool read_text(json_object *request, const char *key, std::string *out) {
    json_object *value = nullptr;
    out->clear();
    if (!json_object_object_get_ex(request, key, &value) || !value) return true;
    if (!json_object_is_type(value, json_type_string) && !json_object_is_type(value, json_type_int)) return false;
    *out = json_object_get_string(value);
    return true;
}

// ---- running programs ---------------------------------------------------------------------------

// Starts a program found through PATH with its standard streams on /dev/null; the pid or -1. A
// detached one runs in a session of its own and outlives the request.
pid_t start_program(const char *const argv[], bool detached) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; fd++) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (detached) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    fflush(stdout);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, &attributes, const_cast<char *const *>(argv), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Runs a program to its end: its exit status, or -1 when it did not start or exit normally.
int run_program(const char *const argv[]) {
    pid_t pid = start_program(argv, false);
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---- capture files ------------------------------------------------------------------------------

bool regular_file(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Removes the regular files named "rvpcap-*" of the folder.
void remove_old_captures(const std::string &folder) {
    DIR *dir = opendir(folder.c_str());
    if (!dir) return;
    while (struct dirent *entry = readdir(dir)) {
        std::string path = folder + "/" + entry->d_name;
        if (strncmp(entry->d_name, kCapturePrefix, kCapturePrefixLength) == 0 && regular_file(path))
            unlink(path.c_str());
    }
    closedir(dir);
}

std::string capture_name_now() {
    char name[64];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(name, sizeof name, "rvpcap-%Y%m%d%H%M%S", &local);
    return name;
}

// "host <IPv4> || host <IPv6>" of the interface's own addresses, narrowed by the request's host
// and port; empty when there is nothing to narrow by.
std::string capture_filter(const std::string &nic, const std::string &host, const std::string &port) {
    std::vector<std::string> own;
    NetifConfig config;
    memset(&config, 0, sizeof config);
    if (if_get_netconf(nic.c_str(), &config) == 0) {
        std::string address(config.address, strnlen(config.address, sizeof config.address));
        if (!address.empty() && numeric_address(address)) own.push_back(address);
    }
    char v6[kIpv6AddressBytes] = {0}, prefix[kIpv6NetmaskBytes] = {0};
    if (net_get_ipv6_ifaddr(0, nic.c_str(), v6, prefix) == 0 || net_get_ipv6_ifaddr(1, nic.c_str(), v6, prefix) == 0) {
        std::string address(v6, strnlen(v6, sizeof v6));
        if (numeric_address(address)) own.push_back(address);
    }
    std::string filter;
    for (const std::string &address : own) filter += (filter.empty() ? "host " : " || host ") + address;
    if (!host.empty()) filter += (filter.empty() ? "host " : " && host ") + host;
    if (!port.empty()) filter += (filter.empty() ? "port " : " && port ") + port;
    return filter;
}

// The capture's own regular files (name0, name1, name), renamed with ".pcap" (a file renamed by
// an earlier attempt is taken as it is). Their names within the folder.
std::vector<std::string> gather_capture(const std::string &folder, const std::string &name) {
    std::vector<std::string> files;
    for (const char *suffix : {"0", "1", ""}) {
        std::string file = name + suffix;
        std::string path = folder + "/" + file;
        if (regular_file(path)) rename(path.c_str(), (path + ".pcap").c_str());
        if (regular_file(path + ".pcap")) files.push_back(file + ".pcap");
    }
    return files;
}

// Packs the files of the folder into the archive with tar run in that folder. GNU tar's status 1
// (a file changed while it was read, as a running capture does) still leaves a whole archive.
bool pack_capture(const std::string &folder, const std::vector<std::string> &files, const std::string &archive) {
    std::vector<const char *> argv = {"tar", "-C", folder.c_str(), "-cvf", archive.c_str()};
    for (const std::string &file : files) argv.push_back(file.c_str());
    argv.push_back(nullptr);
    int status = run_program(argv.data());
    return status == 0 || status == 1;
}

// Writes the download headers and the file in blocks; false when nothing was written.
bool stream_archive(const std::string &archive) {
    FILE *in = fopen(archive.c_str(), "rb");
    if (!in) return false;
    cgi_write_download_header(kArchiveName);
    char block[kCopyBlock];
    size_t read;
    while ((read = fread(block, 1, sizeof block, in)) > 0)
        if (fwrite(block, 1, read, stdout) != read) break;
    fflush(stdout);
    fclose(in);
    return true;
}

}  // namespace

// "/8005": starts a capture of the interface "nic" into the folder "mntPath", optionally narrowed
// to the host "ip" and the port "port". A field that is not what it must be ends the request with
// no answer and nothing run.
int on_start_packet_capture(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    std::string host, port, nic, mount, folder;
    if (!request || !read_text(request, "ip", &host) || !read_text(request, "port", &port) ||
        !read_text(request, "nic", &nic) || !read_text(request, "mntPath", &mount))
        return 0;
    if (!valid_interface_name(nic) || !(host.empty() || numeric_address(host)) || !valid_port(port) ||
        !capture_folder(mount, &folder))
        return 0;
    std::string name = capture_name_now();
    web_system("killall tcpdump > /dev/null");
    web_system("killall webmonitor > /dev/null");
    remove_old_captures(folder);
    std::string filter = capture_filter(nic, host, port);
    std::string target = folder + "/" + name;
    std::vector<const char *> tcpdump = {"tcpdump", "-i", nic.c_str(), "-s0"};
    if (!filter.empty()) tcpdump.push_back(filter.c_str());
    for (const char *tail : {"-W", "2", "-C", "25", "-w"}) tcpdump.push_back(tail);
    tcpdump.push_back(target.c_str());
    tcpdump.push_back(nullptr);
    start_program(tcpdump.data(), true);
    // webmonitor ends the capture after 300 seconds.
    std::string monitor = nvr_path("/www/webmonitor");
    const char *const watch[] = {monitor.c_str(), "tcpdump", "300", nullptr};
    start_program(watch, true);
    json_object *answer = json_object_new_object();
    if (!answer) return 0;
    json_add_text(answer, "dirPath", mount.c_str());
    json_add_text(answer, "fileName", name.c_str());
    return cgi_answer_json(answer, kJson);
}

// "/8006": ends a running capture.
int on_stop_packet_capture(const char *) {
    web_system("killall tcpdump > /dev/null &");
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/8007": the capture named by the request ("folder/rvpcap-YYYYMMDDhhmmss") as "packet.tar"; the
// capture's files and the archive are removed after the download. Anything else is "CGI ERROR"
// and touches nothing.
int on_download_packet_capture(const char *arg) {
    std::string path = arg ? arg : "";
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return cgi_error_to_webserver(kTextPlain);
    std::string name = path.substr(slash + 1), folder;
    if (!valid_capture_name(name) || !capture_folder(slash ? path.substr(0, slash) : "/", &folder))
        return cgi_error_to_webserver(kTextPlain);
    std::vector<std::string> files = gather_capture(folder, name);
    if (files.empty()) return cgi_error_to_webserver(kTextPlain);
    std::string archive = folder + "/packet.tar.XXXXXX";
    int fd = mkstemp(&archive[0]);
    if (fd < 0) return cgi_error_to_webserver(kTextPlain);
    close(fd);
    bool sent = pack_capture(folder, files, archive) && stream_archive(archive);
    unlink(archive.c_str());
    if (!sent) return cgi_error_to_webserver(kTextPlain);
    for (const std::string &file : files) unlink((folder + "/" + file).c_str());
    return 0;
}
