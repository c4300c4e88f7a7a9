// The maker's standard-utility library, network part: port-in-use test and TCP client helpers.
#include "platform/qvstd_net.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/devroot.h"

namespace {

constexpr long kSocketTimeoutUs = 10L * 1000 * 1000;
constexpr unsigned kTcpListen = 0x0A;

long socket_timeout_us() { return kSocketTimeoutUs / nvr_time_divisor(); }

}  // namespace

int port_listed_in(const char *table_path, int port, bool tcp) {
    FILE *table = fopen(table_path, "r");
    if (!table) return 0;
    char line[512];
    bool found = false;
    if (fgets(line, sizeof line, table)) {  // the header line
        while (!found && fgets(line, sizeof line, table)) {
            unsigned local_port = 0, state = 0;
            if (sscanf(line, " %*s %*[0-9A-Fa-f]:%X %*s %X", &local_port, &state) != 2) continue;
            found = static_cast<int>(local_port) == port && (!tcp || state == kTcpListen);
        }
    }
    fclose(table);
    return found ? 1 : 0;
}

int is_port_use(int port) {
    if (port <= 0 || port > 65535) return 0;
    return port_listed_in("/proc/net/tcp", port, true) || port_listed_in("/proc/net/tcp6", port, true) ||
                   port_listed_in("/proc/net/udp", port, false) || port_listed_in("/proc/net/udp6", port, false)
               ? 1
               : 0;
}

int socket_create() {
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return -1;
    long us = socket_timeout_us();
    struct timeval timeout = {static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    return sock;
}

int socket_connect(int sock, const char *address, int port) {
    struct sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(port));
    if (sock < 0 || !address || port <= 0 || port > 65535 || inet_pton(AF_INET, address, &peer.sin_addr) != 1)
        return -1;
    int flags = fcntl(sock, F_GETFL);
    if (flags < 0 || fcntl(sock, F_SETFL, flags | O_NONBLOCK) != 0) return -1;
    int rc = connect(sock, reinterpret_cast<struct sockaddr *>(&peer), sizeof peer);
    if (rc != 0 && errno == EINPROGRESS) {
        struct pollfd wait = {sock, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        rc = (poll(&wait, 1, static_cast<int>(socket_timeout_us() / 1000)) == 1 &&
              getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                 ? 0
                 : -1;
    }
    fcntl(sock, F_SETFL, flags);
    return rc == 0 ? 0 : -1;
}

int socket_destroy(int sock) {
    if (sock >= 0) close(sock);
    return 0;
}
