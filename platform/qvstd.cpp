// The maker's standard-utility library: commands without a shell, pipes, file copy, URL and Base64 coding.
#include "platform/qvstd.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <utility>
#include <vector>

#include "core/response.h"
#include "platform/devroot.h"

extern char **environ;

namespace {

std::mutex g_pipes_mutex;
std::vector<std::pair<FILE *, pid_t>> g_pipes;

int wait_exit_status(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool write_all(int fd, const char *data, size_t length) {
    while (length > 0) {
        ssize_t put = write(fd, data, length);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        length -= static_cast<size_t>(put);
    }
    return true;
}

int64_t copy_read_write(int fd_in, int fd_out, int64_t length) {
    char buffer[16384];
    int64_t copied = 0;
    while (length < 0 || copied < length) {
        size_t want = sizeof buffer;
        if (length >= 0 && static_cast<int64_t>(want) > length - copied) want = static_cast<size_t>(length - copied);
        ssize_t got = read(fd_in, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        if (!write_all(fd_out, buffer, static_cast<size_t>(got))) return -1;
        copied += got;
    }
    return copied;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int base64_value(char c, bool url_safe_too) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || (url_safe_too && c == '-')) return 62;
    if (c == '/' || (url_safe_too && c == '_')) return 63;
    return -1;
}

}  // namespace

int qv_system(const char *const argv[]) { return web_spawn(argv); }

FILE *qv_vpopen(const char *const argv[], const char *mode) {
    if (!argv || !argv[0] || !mode || (mode[0] != 'r' && mode[0] != 'w')) return nullptr;
    bool reading = mode[0] == 'r';
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    int parent_end = reading ? fds[0] : fds[1];
    int child_end = reading ? fds[1] : fds[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_end, reading ? 1 : 0);
    fflush(stdout);
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char *const *>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(child_end);
    if (rc != 0) {
        close(parent_end);
        return nullptr;
    }
    FILE *stream = fdopen(parent_end, reading ? "r" : "w");
    if (!stream) {
        close(parent_end);
        wait_exit_status(pid);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_pipes_mutex);
    g_pipes.emplace_back(stream, pid);
    return stream;
}

int qv_vpclose(FILE *stream) {
    if (!stream) return -1;
    pid_t pid = -1;
    {
        std::lock_guard<std::mutex> guard(g_pipes_mutex);
        for (size_t i = 0; i < g_pipes.size(); i++) {
            if (g_pipes[i].first == stream) {
                pid = g_pipes[i].second;
                g_pipes.erase(g_pipes.begin() + static_cast<long>(i));
                break;
            }
        }
    }
    fclose(stream);
    return pid < 0 ? -1 : wait_exit_status(pid);
}

int64_t qv_spliced_copy_ex(int fd_in, int fd_out, int64_t length) {
    if (fd_in < 0 || fd_out < 0) return -1;
    int64_t copied = 0;
    while (length < 0 || copied < length) {
        size_t want = 1 << 20;
        if (length >= 0 && static_cast<int64_t>(want) > length - copied) want = static_cast<size_t>(length - copied);
        ssize_t sent = sendfile(fd_out, fd_in, nullptr, want);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0) {
            // Descriptors that sendfile cannot serve are copied by hand, from where it stopped.
            if (errno != EINVAL && errno != ENOSYS) return -1;
            int64_t rest = copy_read_write(fd_in, fd_out, length < 0 ? -1 : length - copied);
            return rest < 0 ? -1 : copied + rest;
        }
        if (sent == 0) break;
        copied += sent;
    }
    return copied;
}

int qv_check_file_exist(const char *device_path) {
    if (!device_path || !*device_path) return -1;
    return access(nvr_path(device_path).c_str(), F_OK) == 0 ? 0 : -1;
}

int get_url_encode(const char *text, char *out, int out_size) {
    static const char kHex[] = "0123456789ABCDEF";
    if (!text || !out || out_size <= 0) return -1;
    int o = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++) {
        bool plain = (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') || *p == '-' ||
                     *p == '_' || *p == '.' || *p == '~';
        int need = plain ? 1 : 3;
        if (o + need >= out_size) {
            out[0] = '\0';
            return -1;
        }
        if (plain) {
            out[o++] = static_cast<char>(*p);
        } else {
            out[o++] = '%';
            out[o++] = kHex[*p >> 4];
            out[o++] = kHex[*p & 15];
        }
    }
    out[o] = '\0';
    return o;
}

int get_url_decode(const char *text, char *out, int out_size) {
    if (!text || !out || out_size <= 0) return -1;
    int o = 0;
    for (const char *p = text; *p; p++) {
        char c = *p;
        if (c == '%') {
            int high = hex_value(p[1]);
            int low = high < 0 ? -1 : hex_value(p[2]);
            if (low < 0 || (high == 0 && low == 0)) {
                out[0] = '\0';
                return -1;
            }
            c = static_cast<char>(high * 16 + low);
            p += 2;
        }
        if (o + 1 >= out_size) {
            out[0] = '\0';
            return -1;
        }
        out[o++] = c;
    }
    out[o] = '\0';
    return o;
}

int qv_base64_decode(const char *text, int length, unsigned char *out, int out_size) {
    return qv_base64_decode_ex(text, length, out, out_size, 0);
}

int qv_base64_decode_ex(const char *text, int length, unsigned char *out, int out_size, int url_safe_too) {
    if (!text || length < 0 || !out || out_size < 0) return -1;
    int o = 0;
    unsigned value = 0;
    int bits = 0;
    int sextets = 0;
    bool padding = false;
    for (int i = 0; i < length; i++) {
        char c = text[i];
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        int s = base64_value(c, url_safe_too != 0);
        if (s < 0 || padding) return -1;  // nothing but padding may follow padding
        sextets++;
        value = (value << 6) | static_cast<unsigned>(s);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (o >= out_size) return -1;
            out[o++] = static_cast<unsigned char>((value >> bits) & 0xFF);
        }
    }
    if (sextets % 4 == 1) return -1;
    return o;
}
