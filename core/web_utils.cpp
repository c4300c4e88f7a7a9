// Shared file, lock and interface utilities. Every path argument is a device path.
#include "core/web_utils.h"

#include <errno.h>
#include <fcntl.h>
#include <net/if.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/devroot.h"

namespace {

bool copy_file_contents(const char *from, const char *to) {
    int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    char buffer[16384];
    bool ok = true;
    ssize_t n;
    while (ok && (n = read(in, buffer, sizeof buffer)) != 0) {
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        ok = write(out, buffer, static_cast<size_t>(n)) == n;
    }
    close(in);
    if (close(out) != 0) ok = false;
    if (!ok) unlink(to);
    return ok;
}

bool read_hw_addr(int sock, const char *interface, char *out) {
    struct ifreq request;
    memset(&request, 0, sizeof request);
    strncpy(request.ifr_name, interface, IFNAMSIZ - 1);
    if (ioctl(sock, SIOCGIFHWADDR, &request) != 0) return false;
    const unsigned char *mac = reinterpret_cast<const unsigned char *>(request.ifr_hwaddr.sa_data);
    snprintf(out, 18, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return true;
}

}  // namespace

int nvr_move_file(const char *real_from, const char *real_to) {
    if (rename(real_from, real_to) == 0) return 0;
    if (errno != EXDEV) return -1;
    if (!copy_file_contents(real_from, real_to)) return -1;
    unlink(real_from);
    return 0;
}

int RemoveFile(const char *from, const char *to) {
    if (!from || !to) return -1;
    nvr_move_file(nvr_path(from).c_str(), nvr_path(to).c_str());
    return 0;
}

int DeleteFile(const char *path) {
    if (!path) return -1;
    unlink(nvr_path(path).c_str());
    return 0;
}

int IsFileExisted(const char *path) {
    if (!path || !*path) return -1;
    return access(nvr_path(path).c_str(), F_OK) == 0 ? 0 : -1;
}

int IsDirExisted(const char *path) {
    if (!path || !*path) return -1;
    struct stat st;
    if (lstat(nvr_path(path).c_str(), &st) != 0) return -1;
    return S_ISDIR(st.st_mode) ? 0 : -1;
}

int file_lock(const char *path) {
    if (!path) return -1;
    int fd = open(nvr_path(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    while (lockf(fd, F_LOCK, 0) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

int file_unlock(int fd) {
    if (fd < 0) return fd;
    lockf(fd, F_ULOCK, 0);
    return close(fd);
}

int get_mac_addr(char *eth0, char *eth1) {
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) perror("create socket fail\n");
    if (eth0 && (sock < 0 || !read_hw_addr(sock, "eth0", eth0))) strcpy(eth0, "02:5A:3E:0A:19:C8");
    if (eth1 && (sock < 0 || !read_hw_addr(sock, "eth1", eth1))) strcpy(eth1, "02:5A:3E:0A:19:C9");
    if (sock >= 0) close(sock);
    return 0;
}

char *qv_get_file_data(const char *path, int *length) {
    if (length) *length = 0;
    if (!path) return nullptr;
    FILE *f = fopen(nvr_path(path).c_str(), "rb");
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || st.st_size < 0 || st.st_size > 0x7fffffff) {
        fclose(f);
        return nullptr;
    }
    size_t size = static_cast<size_t>(st.st_size);
    char *data = static_cast<char *>(malloc(size ? size : 1));
    if (!data || fread(data, 1, size, f) != size) {
        free(data);
        fclose(f);
        return nullptr;
    }
    fclose(f);
    if (length) *length = static_cast<int>(size);
    return data;
}

int qv_wirte_file_data(const char *path, const void *data, int length) {
    if (!path || length < 0 || (length > 0 && !data)) return -1;
    FILE *f = fopen(nvr_path(path).c_str(), "wb");
    if (!f) return -1;
    size_t written = length > 0 ? fwrite(data, 1, static_cast<size_t>(length), f) : 0;
    int closed = fclose(f);
    return (written == static_cast<size_t>(length) && closed == 0) ? 0 : -1;
}

void copy_text_field(char *field, size_t size, const char *text) {
    if (!text) text = "";
    copy_text_span(field, size, text, strnlen(text, size ? size - 1 : 0));
}

void copy_text_span(char *field, size_t size, const char *text, size_t length) {
    if (!field || size == 0) return;
    if (!text) length = 0;
    if (length > size - 1) length = size - 1;
    if (length) memcpy(field, text, length);
    field[length] = '\0';
}
