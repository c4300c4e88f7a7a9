// The sandbox of the fuzz targets: while a run lasts, the C library calls through which a route
// could reach beyond its device root are checked or refused. Each one here replaces the C
// library's function for the whole fuzz program and forwards to it when the sandbox is off.
//
// Refused while on (as if the program or the right were missing): running programs (system,
// popen, posix_spawn, exec), signals to other processes, mounts, reboot, setting the clock or
// the host name. Checked while on: every path opened, created, renamed or removed. A path that
// starts inside the device root must stay inside it after "." and ".." are resolved, a write
// must land inside the root (or /dev/null), and a read outside it must be of a system file.
// The C library's own names: with 64-bit file offsets its headers would rename open to open64,
// and both are replaced here.
#undef _FILE_OFFSET_BITS
#undef _TIME_BITS
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/reboot.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

std::atomic<bool> g_on{false};
std::string g_root;
std::vector<std::string> g_allowed_prefixes;

// The C library's own definition of a function replaced here.
#define REAL(name) (reinterpret_cast<decltype(&::name)>(real_symbol(#name)))

void *real_symbol(const char *name) {
    void *symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        fprintf(stderr, "sandbox: no C library function %s\n", name);
        abort();
    }
    return symbol;
}

bool inside(const std::string &path, const std::string &dir) {
    return !dir.empty() && path.compare(0, dir.size(), dir) == 0 && (path.size() == dir.size() || path[dir.size()] == '/');
}

std::string absolute(const char *path) {
    if (path[0] == '/') return path;
    char cwd[4096];
    return std::string(getcwd(cwd, sizeof cwd) ? cwd : "") + "/" + path;
}

// "/a/./b/../c" -> "/a/c", without looking at the file system.
std::string resolved(const std::string &path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string &part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

bool system_file(const std::string &path) {
    static const char *const kSystemDirs[] = {"/proc", "/sys", "/dev", "/usr", "/lib", "/lib64", "/etc", "/bin", "/sbin"};
    for (const char *dir : kSystemDirs)
        if (inside(path, dir)) return true;
    return false;
}

void check_path(const char *what, const char *path, bool writes) {
    if (!g_on.load(std::memory_order_relaxed) || !path || !*path) return;
    std::string raw = absolute(path), real = resolved(raw);
    if (inside(raw, g_root) && !inside(real, g_root)) fuzz_fail("%s climbs out of the device root: %s", what, path);
    if (inside(real, g_root)) return;
    for (const std::string &prefix : g_allowed_prefixes)
        if (strncmp(path, prefix.c_str(), prefix.size()) == 0) return;
    if (writes && real != "/dev/null") fuzz_fail("%s writes outside the device root: %s", what, path);
    if (!writes && !system_file(real)) fuzz_fail("%s reads outside the device root: %s", what, path);
}

void check_at(const char *what, int dir_fd, const char *path, bool writes) {
    if (path && (path[0] == '/' || dir_fd == AT_FDCWD)) check_path(what, path, writes);
}

bool open_writes(int flags) { return (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)); }

bool mode_writes(const char *mode) { return mode && strpbrk(mode, "wa+"); }

mode_t mode_argument(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

bool refused() { return g_on.load(std::memory_order_relaxed); }

}  // namespace

void fuzz_sandbox_allow_prefix(const std::string &prefix) { g_allowed_prefixes.push_back(prefix); }

void fuzz_sandbox(bool on) {
    if (on && g_root.empty()) {
        const char *root = getenv("NVR_ROOT");
        if (!root || !*root) fuzz_fail("sandbox: NVR_ROOT is not set");
        g_root = root;
    }
    g_on.store(on);
}

extern "C" {

// ---- paths -------------------------------------------------------------------------------------

int open(const char *path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_argument(flags, args);
    va_end(args);
    check_path("open", path, open_writes(flags));
    return REAL(open)(path, flags, mode);
}

int open64(const char *path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_argument(flags, args);
    va_end(args);
    check_path("open", path, open_writes(flags));
    return REAL(open64)(path, flags, mode);
}

int openat(int dir_fd, const char *path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_argument(flags, args);
    va_end(args);
    check_at("openat", dir_fd, path, open_writes(flags));
    return REAL(openat)(dir_fd, path, flags, mode);
}

int openat64(int dir_fd, const char *path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_argument(flags, args);
    va_end(args);
    check_at("openat", dir_fd, path, open_writes(flags));
    return REAL(openat64)(dir_fd, path, flags, mode);
}

FILE *fopen(const char *path, const char *mode) {
    check_path("fopen", path, mode_writes(mode));
    return REAL(fopen)(path, mode);
}

FILE *fopen64(const char *path, const char *mode) {
    check_path("fopen", path, mode_writes(mode));
    return REAL(fopen64)(path, mode);
}

int unlink(const char *path) {
    check_path("unlink", path, true);
    return REAL(unlink)(path);
}

int unlinkat(int dir_fd, const char *path, int flags) {
    check_at("unlinkat", dir_fd, path, true);
    return REAL(unlinkat)(dir_fd, path, flags);
}

int remove(const char *path) {
    check_path("remove", path, true);
    return REAL(remove)(path);
}

int rmdir(const char *path) {
    check_path("rmdir", path, true);
    return REAL(rmdir)(path);
}

int mkdir(const char *path, mode_t mode) {
    // Creating a path's folders from the top tries the folders above the root too (which exist).
    bool above_root = inside(g_root, resolved(absolute(path)));
    if (!above_root) check_path("mkdir", path, true);
    return REAL(mkdir)(path, mode);
}

int rename(const char *from, const char *to) {
    check_path("rename", from, true);
    check_path("rename", to, true);
    return REAL(rename)(from, to);
}

int renameat(int from_dir, const char *from, int to_dir, const char *to) {
    check_at("renameat", from_dir, from, true);
    check_at("renameat", to_dir, to, true);
    return REAL(renameat)(from_dir, from, to_dir, to);
}

int chmod(const char *path, mode_t mode) {
    check_path("chmod", path, true);
    return REAL(chmod)(path, mode);
}

int truncate(const char *path, off_t length) {
    check_path("truncate", path, true);
    return REAL(truncate)(path, length);
}

int symlink(const char *target, const char *link_path) {
    check_path("symlink", link_path, true);
    return REAL(symlink)(target, link_path);
}

int link(const char *from, const char *to) {
    check_path("link", to, true);
    return REAL(link)(from, to);
}

// ---- programs, signals and the system ----------------------------------------------------------

int system(const char *command) {
    if (!refused()) return REAL(system)(command);
    return command ? 127 << 8 : 0;  // the shell's "not found"
}

FILE *popen(const char *command, const char *mode) {
    if (!refused()) return REAL(popen)(command, mode);
    errno = ENOENT;
    return nullptr;
}

int posix_spawn(pid_t *pid, const char *path, const posix_spawn_file_actions_t *actions,
                const posix_spawnattr_t *attributes, char *const argv[], char *const envp[]) {
    if (!refused()) return REAL(posix_spawn)(pid, path, actions, attributes, argv, envp);
    return ENOENT;
}

int posix_spawnp(pid_t *pid, const char *file, const posix_spawn_file_actions_t *actions,
                 const posix_spawnattr_t *attributes, char *const argv[], char *const envp[]) {
    if (!refused()) return REAL(posix_spawnp)(pid, file, actions, attributes, argv, envp);
    return ENOENT;
}

int execve(const char *path, char *const argv[], char *const envp[]) {
    if (!refused()) return REAL(execve)(path, argv, envp);
    errno = EACCES;
    return -1;
}

int execv(const char *path, char *const argv[]) {
    if (!refused()) return REAL(execv)(path, argv);
    errno = EACCES;
    return -1;
}

int execvp(const char *file, char *const argv[]) {
    if (!refused()) return REAL(execvp)(file, argv);
    errno = EACCES;
    return -1;
}

int kill(pid_t pid, int signal) {
    if (!refused()) return REAL(kill)(pid, signal);
    errno = ESRCH;
    return -1;
}

int killpg(pid_t group, int signal) {
    if (!refused()) return REAL(killpg)(group, signal);
    errno = ESRCH;
    return -1;
}

int reboot(int command) {
    if (!refused()) return REAL(reboot)(command);
    errno = EPERM;
    return -1;
}

int mount(const char *source, const char *target, const char *type, unsigned long flags, const void *data) {
    if (!refused()) return REAL(mount)(source, target, type, flags, data);
    errno = EPERM;
    return -1;
}

int umount(const char *target) {
    if (!refused()) return REAL(umount)(target);
    errno = EPERM;
    return -1;
}

int umount2(const char *target, int flags) {
    if (!refused()) return REAL(umount2)(target, flags);
    errno = EPERM;
    return -1;
}

int settimeofday(const struct timeval *tv, const struct timezone *tz) {
    if (!refused()) return REAL(settimeofday)(tv, tz);
    errno = EPERM;
    return -1;
}

int clock_settime(clockid_t clock, const struct timespec *tp) {
    if (!refused()) return REAL(clock_settime)(clock, tp);
    errno = EPERM;
    return -1;
}

int sethostname(const char *name, size_t length) {
    if (!refused()) return REAL(sethostname)(name, length);
    errno = EPERM;
    return -1;
}

}  // extern "C"
