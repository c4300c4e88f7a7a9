// Device root (NVR_ROOT) and time divisor (NVR_TIME_DIVISOR): the one place device paths are mapped.
#include "platform/devroot.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

bool g_loaded = false;
std::string g_root;
long g_divisor = 1;

void load_environment() {
    if (g_loaded) return;
    g_loaded = true;
    const char *root = getenv("NVR_ROOT");
    g_root = root ? root : "";
    while (g_root.size() > 1 && g_root.back() == '/') g_root.pop_back();
    if (g_root == "/") g_root.clear();
    g_divisor = 1;
    const char *divisor = getenv("NVR_TIME_DIVISOR");
    if (divisor && *divisor) {
        char *end = nullptr;
        errno = 0;
        long value = strtol(divisor, &end, 10);
        if (errno == 0 && end && *end == '\0' && value >= 1) g_divisor = value;
    }
}

bool starts_with_dir(const char *path, const char *dir) {
    size_t n = strlen(dir);
    return strncmp(path, dir, n) == 0 && (path[n] == '/' || path[n] == '\0');
}

bool is_unmapped(const char *path) {
    static const char *const kSystemDirs[] = {"/bin", "/sbin", "/usr", "/lib", "/lib64", "/proc", "/sys"};
    for (const char *dir : kSystemDirs)
        if (starts_with_dir(path, dir)) return true;
    return false;
}

}  // namespace

const char *nvr_root() {
    load_environment();
    return g_root.c_str();
}

std::string nvr_path(const char *device_path) {
    if (!device_path) return std::string();
    load_environment();
    if (g_root.empty() || device_path[0] != '/' || is_unmapped(device_path)) return device_path;
    if (starts_with_dir(device_path, g_root.c_str())) return device_path;  // already mapped
    return g_root + device_path;
}

int nvr_map_path(const char *device_path, char *out, size_t size) {
    if (!out || size == 0) return -1;
    std::string mapped = nvr_path(device_path);
    if (!device_path || mapped.size() >= size) {
        out[0] = '\0';
        return -1;
    }
    memcpy(out, mapped.c_str(), mapped.size() + 1);
    return 0;
}

std::string nvr_device_path(const char *real_path) {
    if (!real_path) return std::string();
    load_environment();
    if (!g_root.empty() && starts_with_dir(real_path, g_root.c_str()))
        return real_path[g_root.size()] ? std::string(real_path + g_root.size()) : std::string("/");
    return real_path;
}

long nvr_time_divisor() {
    load_environment();
    return g_divisor;
}

void nvr_sleep_us(long microseconds) {
    long scaled = microseconds / nvr_time_divisor();
    if (scaled <= 0) return;
    struct timespec ts = {scaled / 1000000, (scaled % 1000000) * 1000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void nvr_devroot_reset() { g_loaded = false; }
