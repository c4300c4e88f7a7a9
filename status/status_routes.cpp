// Status routes: each asks the daemon one question without payload (its reply handler answers),
// except the disk-group map, which the settings file alone answers.
#include <string.h>

#include "camera/keyed_table.h"
#include "core/json_util.h"
#include "core/qvdb_storage.h"
#include "core/response.h"
#include "status/status_module.h"
#include "status/status_payloads.h"

// "/8000": the network interfaces (reply 8301).
int on_get_network_status(const char *) {
    status_ask(kRequestNetworkStatus);
    return 0;
}

// "/8001": the interfaces' traffic (reply 8302).
int on_get_network_speed(const char *) {
    status_ask(kRequestNetworkSpeed);
    return 0;
}

// "/8002": every listed channel's camera and streams (reply 8300).
int on_get_channel_status(const char *) {
    read_channel_context();
    status_ask(kRequestChannelStatus);
    return 0;
}

// "/8004": answers nothing.
int on_status_nop(const char *) { return 0; }

// "/8008": the capacity counters (reply 8306).
int on_get_capacity_status(const char *) {
    status_ask(kRequestCapacity);
    return 0;
}

// "/8009": which channels support what (reply 8263).
int on_get_channel_support(const char *) {
    status_ask(kRequestChannelSupport);
    return 0;
}

// "/8011": the users logged in (reply 6719).
int on_cgi_get_online_user_status(const char *) {
    status_ask(kRequestOnlineUsers);
    return 0;
}

// "/8010": the group of every disk port (0 for a port without a disk), the channels of the 16
// groups, the channel count and the group switch.
int on_get_disk_group_map(const char *) {
    DiskEntry disks[kDiskPorts + 1];
    read_disk_table(QVDB_PATH, disks);
    DiskGroupEntry groups[kDiskGroups];
    read_keyed_table(read_groups, &DiskGroupEntry::id, groups, kDiskGroups);
    json_object *answer = json_object_new_object();
    if (!answer) return 0;
    json_object *channels = json_object_new_array();
    for (const DiskGroupEntry &group : groups)
        json_object_array_add(channels, json_object_new_string_len(group.channel, static_cast<int>(strnlen(
                                                                                    group.channel, sizeof group.channel))));
    json_object_object_add(answer, "channel", channels);
    json_object *ports = json_object_new_array();
    for (int port = 1; port <= kDiskPorts; port++)
        json_object_array_add(ports, json_object_new_int(disks[port].enable ? disks[port].group + 1 : 0));
    json_object_object_add(answer, "disk", ports);
    json_add_int(answer, "max_chan", get_param_int(QVDB_PATH, "max_cameras", 32));
    json_add_int(answer, "group_enable", get_param_int(QVDB_PATH, "group_mode", 0));
    return cgi_answer_json(answer, kJson);
}
