// Route module "/8000" (status and diagnostics): handlers, the reply dispatcher and what the
// handlers hand to the reply side.
#ifndef NVR_STATUS_STATUS_MODULE_H
#define NVR_STATUS_STATUS_MODULE_H

#include "core/qvdb.h"
#include "core/qvdb_camera.h"
#include "platform/qvsocket.h"

int on_status_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Live state from the daemon.
int on_get_network_status(const char *arg);
int on_get_network_speed(const char *arg);
int on_get_channel_status(const char *arg);
int on_get_alarm_status(const char *arg);
int on_status_nop(const char *arg);
int on_get_capacity_status(const char *arg);
int on_get_channel_support(const char *arg);
int on_get_disk_group_map(const char *arg);
int on_cgi_get_online_user_status(const char *arg);

// Packet capture.
int on_start_packet_capture(const char *arg);
int on_stop_packet_capture(const char *arg);
int on_download_packet_capture(const char *arg);

// Reply handlers, given a payload the dispatcher checked for the reply's least length.
int on_get_network_status_cb(const void *payload, int length);
int on_get_network_speed_cb(const void *payload, int length);
int on_get_channel_status_cb(const void *payload, int length);
int on_get_alarm_status_cb(const void *payload, int length);
int on_get_capacity_status_cb(const void *payload, int length);
int on_get_channel_support_cb(const void *payload, int length);
int on_cgi_get_online_user_status_cb(const void *payload, int length);

// What a handler reads before it asks, for its reply handler (written before the question is
// sent, read on the receive thread).
struct StatusReplyContext {
    int channels;  // channels listed: "max_cameras", at most 64
    CameraRecord cameras[kQvdbChannels];
    OsdRecord names[kQvdbChannels];
};
extern StatusReplyContext g_status_context;

// Reads "max_cameras" (at most 64) and the camera records and on-screen names into the context.
void read_channel_context();

// Sends a question without payload and waits; the JSON error when no reply was answered.
void status_ask(int request_code);

#endif
