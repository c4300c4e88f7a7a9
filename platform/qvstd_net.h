// The maker's standard-utility library, network part: port-in-use test and TCP client helpers.
#ifndef NVR_PLATFORM_QVSTD_NET_H
#define NVR_PLATFORM_QVSTD_NET_H

// 0 when no local TCP socket listens on the port and no UDP socket is bound to it; 1 when one
// does (the kernel's socket tables "/proc/net/tcp", "tcp6", "udp", "udp6").
int is_port_use(int port);

// The same over one socket table text (tests); tcp selects listening sockets, else any socket.
int port_listed_in(const char *table_path, int port, bool tcp);

// A TCP socket whose sends and receives give up after 10 seconds; -1 on failure.
int socket_create();

// Connects to the IPv4 address text and port, giving up after 10 seconds. 0 on success.
int socket_connect(int sock, const char *address, int port);

// Closes the socket. Returns 0.
int socket_destroy(int sock);

#endif
