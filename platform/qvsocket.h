// Local message socket to the recorder daemon: connection, framed sends, receive thread.
#ifndef NVR_PLATFORM_QVSOCKET_H
#define NVR_PLATFORM_QVSOCKET_H

#include <stdint.h>

#include "platform/nvr_wire.h"

// Called on the receive thread once for every reply frame: (0, header as received, payload or
// null when the length is 0).
typedef int (*ReplyDispatcher)(int ignored, const MessageHeader *header, const void *payload);

// Connects to the daemon socket at the device path (mapped beneath NVR_ROOT) and registers the
// dispatcher. A second init while connected keeps the connection and replaces the dispatcher.
// The two integers belong to the caller's convention and are not interpreted.
int qv_sock_init(ReplyDispatcher callback, int unused_a, int unused_b, const char *device_path);

// Sends one request frame; connects first when needed. 0 when the whole frame was written.
int qv_sock_send_msg(int unused_a, int code, const void *payload, int payload_len, int unused_b, int unused_c);

// From now until qv_sock_uninit the connection has a receive thread that hands replies to the
// dispatcher (started now, or when the connection is made). A connection that only sends
// notices has none: the replies it gets are read and dropped when it closes.
int qv_sock_expect_replies();

// Closes the connection and joins the receive thread. Safe to call when not connected.
int qv_sock_uninit();

// Sequence number the next request will carry (1 on a new connection).
uint32_t qv_sock_next_sequence();

#endif
