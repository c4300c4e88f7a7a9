// Local message socket to the recorder daemon: connection, framed sends, receive thread.
#include "platform/qvsocket.h"

#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/devroot.h"

namespace {

struct Connection {
    std::mutex lock;  // guards everything below except the dispatcher
    int fd = -1;
    std::thread receiver;
    std::string socket_path;  // mapped path
    uint32_t sequence = 0;
};

Connection g_conn;
std::atomic<ReplyDispatcher> g_dispatcher{nullptr};

void receive_loop(int fd) {
    for (;;) {
        MessageHeader header;
        if (!wire_read_full(fd, &header, sizeof header)) return;
        if (!wire_header_valid(header)) return;  // a bad frame drops the connection
        void *payload = nullptr;
        if (header.length > 0) {
            payload = malloc(static_cast<size_t>(header.length));
            if (!payload || !wire_read_full(fd, payload, static_cast<size_t>(header.length))) {
                free(payload);
                return;
            }
        }
        ReplyDispatcher dispatcher = g_dispatcher.load();
        if (dispatcher) dispatcher(0, &header, payload);
        free(payload);
    }
}

// Caller holds g_conn.lock.
void disconnect_locked() {
    if (g_conn.fd < 0) return;
    shutdown(g_conn.fd, SHUT_RDWR);
    if (g_conn.receiver.joinable()) g_conn.receiver.join();
    close(g_conn.fd);
    g_conn.fd = -1;
    g_conn.sequence = 0;
}

// Caller holds g_conn.lock.
bool connect_locked() {
    if (g_conn.fd >= 0) return true;
    if (g_conn.socket_path.empty()) return false;
    struct sockaddr_un addr;
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (g_conn.socket_path.size() >= sizeof addr.sun_path) return false;
    memcpy(addr.sun_path, g_conn.socket_path.c_str(), g_conn.socket_path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (connect(fd, reinterpret_cast<struct sockaddr *>(&addr), sizeof addr) != 0) {
        close(fd);
        return false;
    }
    g_conn.fd = fd;
    g_conn.sequence = 0;
    g_conn.receiver = std::thread(receive_loop, fd);
    return true;
}

}  // namespace

int qv_sock_init(ReplyDispatcher callback, int, int, const char *device_path) {
    g_dispatcher.store(callback);
    std::lock_guard<std::mutex> guard(g_conn.lock);
    std::string path = nvr_path(device_path ? device_path : "/var/run/qvsocket");
    if (g_conn.fd >= 0 && path == g_conn.socket_path) return 0;
    disconnect_locked();
    g_conn.socket_path = path;
    return connect_locked() ? 0 : -1;
}

int qv_sock_send_msg(int, int code, const void *payload, int payload_len, int, int) {
    if (payload_len < 0 || payload_len > kWireMaxPayload || (payload_len > 0 && !payload)) return -1;
    std::lock_guard<std::mutex> guard(g_conn.lock);
    if (!connect_locked()) return -1;
    MessageHeader header;
    memset(&header, 0, sizeof header);
    header.magic = kWireMagic;
    header.version = kWireVersion;
    header.header_size = sizeof header;
    header.sequence = ++g_conn.sequence;
    header.code = code;
    header.length = payload_len;
    if (!wire_write_full(g_conn.fd, &header, sizeof header) ||
        (payload_len > 0 && !wire_write_full(g_conn.fd, payload, static_cast<size_t>(payload_len)))) {
        disconnect_locked();
        return -1;
    }
    return 0;
}

int qv_sock_uninit() {
    std::lock_guard<std::mutex> guard(g_conn.lock);
    disconnect_locked();
    g_dispatcher.store(nullptr);
    return 0;
}

uint32_t qv_sock_next_sequence() {
    std::lock_guard<std::mutex> guard(g_conn.lock);
    return g_conn.fd >= 0 ? g_conn.sequence + 1 : 1;
}
