// Local message socket to the recorder daemon: connection, framed sends, receive thread.
#include "platform/qvsocket.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/uio.h>
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
    std::thread receiver;  // runs only while replies are expected
    bool expect_replies = false;
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
void start_receiver_locked() {
    if (g_conn.fd >= 0 && g_conn.expect_replies && !g_conn.receiver.joinable())
        g_conn.receiver = std::thread(receive_loop, g_conn.fd);
}

// Caller holds g_conn.lock. After the shutdown nothing more arrives; what did is read before the
// close (by the receiver, or here when there is none), so the daemon sees the end of the stream
// and never a reset for replies left unread.
void disconnect_locked() {
    if (g_conn.fd < 0) return;
    shutdown(g_conn.fd, SHUT_RDWR);
    if (g_conn.receiver.joinable()) {
        g_conn.receiver.join();
    } else {
        char discard[512];
        while (recv(g_conn.fd, discard, sizeof discard, MSG_DONTWAIT) > 0) {
        }
    }
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
    start_receiver_locked();
    return true;
}

// One frame, header and payload, in as few writes as the socket takes (never raising SIGPIPE).
bool send_frame(int fd, const MessageHeader &header, const void *payload, int payload_len) {
    struct iovec parts[2] = {{const_cast<MessageHeader *>(&header), sizeof header},
                             {const_cast<void *>(payload), static_cast<size_t>(payload_len)}};
    struct msghdr message;
    memset(&message, 0, sizeof message);
    message.msg_iov = parts;
    message.msg_iovlen = payload_len > 0 ? 2 : 1;
    while (message.msg_iovlen > 0) {
        ssize_t sent = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        size_t done = static_cast<size_t>(sent);
        while (message.msg_iovlen > 0 && done >= message.msg_iov->iov_len) {
            done -= message.msg_iov->iov_len;
            message.msg_iov++;
            message.msg_iovlen--;
        }
        if (message.msg_iovlen > 0) {
            message.msg_iov->iov_base = static_cast<char *>(message.msg_iov->iov_base) + done;
            message.msg_iov->iov_len -= done;
        }
    }
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
    if (!send_frame(g_conn.fd, header, payload, payload_len)) {
        disconnect_locked();
        return -1;
    }
    return 0;
}

int qv_sock_expect_replies() {
    std::lock_guard<std::mutex> guard(g_conn.lock);
    g_conn.expect_replies = true;
    start_receiver_locked();
    return 0;
}

int qv_sock_uninit() {
    std::lock_guard<std::mutex> guard(g_conn.lock);
    disconnect_locked();
    g_conn.expect_replies = false;
    g_dispatcher.store(nullptr);
    return 0;
}

uint32_t qv_sock_next_sequence() {
    std::lock_guard<std::mutex> guard(g_conn.lock);
    return g_conn.fd >= 0 ? g_conn.sequence + 1 : 1;
}
