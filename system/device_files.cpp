// Paths taken from requests, replies and hand-over files: bare names, and files kept inside a device folder.
#include "system/device_files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/response.h"
#include "frame/cgi_env.h"
#include "platform/devroot.h"
#include "platform/qvstd.h"

namespace {

bool real_path_of(const std::string &path, std::string *out) {
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return false;
    *out = resolved;
    return true;
}

}  // namespace

bool is_bare_file_name(const char *name) {
    return name && *name && !strchr(name, '/') && strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

bool regular_file_inside(const char *device_dir, const char *device_path, std::string *real_path) {
    if (!device_dir || !device_path || device_path[0] != '/') return false;
    std::string folder, file;
    if (!real_path_of(nvr_path(device_dir), &folder) || !real_path_of(nvr_path(device_path), &file)) return false;
    if (file.size() <= folder.size() + 1 || file.compare(0, folder.size(), folder) != 0 || file[folder.size()] != '/')
        return false;
    struct stat st;
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (real_path) *real_path = file;
    return true;
}

int open_regular_file(const std::string &real_path) {
    int fd = open(real_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string upload_argument_path(const char *arg) {
    std::string path = arg ? arg : "";
    if (strstr(cgiQueryString, "param:")) {
        size_t tail = path.rfind(" & ");
        if (tail != std::string::npos) path.resize(tail);
    }
    return path;
}

std::string path_base_name(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string without_line_breaks(const std::string &text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n') out.push_back(c);
    return out;
}

bool stream_download(int fd, const std::string &download_name) {
    cgi_write_download_header(download_name.c_str());
    fflush(stdout);
    bool copied = qv_spliced_copy_ex(fd, fileno(stdout), -1) >= 0;
    fflush(stdout);
    return copied;
}
