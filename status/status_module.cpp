// Route module "/8000" (status and diagnostics): route table, reply dispatcher and the helpers
// its handlers share.
#include "status/status_module.h"

#include <string.h>

#include "camera/keyed_table.h"
#include "core/ipc.h"
#include "core/response.h"
#include "frame/dispatchreq.h"
#include "status/status_payloads.h"
#include "core/reply_view.h"

StatusReplyContext g_status_context;

void read_channel_context() {
    int channels = get_param_int(QVDB_PATH, "max_cameras", 32);
    g_status_context.channels = channels < 0 ? 0 : (channels > kQvdbChannels ? kQvdbChannels : channels);
    read_keyed_table(read_cameras, &CameraRecord::id, g_status_context.cameras, kQvdbChannels);
    read_keyed_table(read_osds, &OsdRecord::channel, g_status_context.names, kQvdbChannels);
}

void status_ask(int request_code) { cgi_ask_daemon(on_status_ipc_callback, request_code, nullptr, 0, kJson); }

namespace {

struct StatusReply {
    int code;
    int min_length;  // a shorter payload is no reply
    int (*handler)(const void *payload, int length);
};

const StatusReply kStatusReplies[] = {
    {kRequestChannelStatus + 5000, 1, on_get_channel_status_cb},
    {kRequestNetworkStatus + 5000, 1, on_get_network_status_cb},
    {kRequestNetworkSpeed + 5000, 1, on_get_network_speed_cb},
    {kRequestAlarmStatus + 5000, sizeof(AlarmStatusReply), on_get_alarm_status_cb},
    {kRequestCapacity + 5000, sizeof(CapacityReply), on_get_capacity_status_cb},
    {kRequestChannelSupport + 5000, sizeof(ChannelSupportEntry) * kChannelSupportEntries, on_get_channel_support_cb},
    {kRequestOnlineUsers + 5000, 1, on_cgi_get_online_user_status_cb},
};

}  // namespace

int on_status_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    for (const StatusReply &entry : kStatusReplies)
        if (entry.code == header->code)
            return ReplyView(payload, header->length).holds(entry.min_length) ? entry.handler(payload, header->length)
                                                                              : 0;
    return 0;
}

static const WebRes kStatusRoutes[] = {
    {"/8000", on_get_network_status},
    {"/8001", on_get_network_speed},
    {"/8002", on_get_channel_status},
    {"/8003", on_get_alarm_status},
    {"/8004", on_status_nop},
    {"/8005", on_start_packet_capture},
    {"/8006", on_stop_packet_capture},
    {"/8007", on_download_packet_capture},
    {"/8008", on_get_capacity_status},
    {"/8009", on_get_channel_support},
    {"/8010", on_get_disk_group_map},
    {"/8011", on_cgi_get_online_user_status},
};

NVR_ROUTE_MODULE(2, "/8000", kStatusRoutes)
