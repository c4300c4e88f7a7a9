// Reply handlers of module "/8000": each reply's fixed records become the status page's JSON,
// read only within the payload and within each text field.
#include <string.h>

#include "core/json_util.h"
#include "status/status_module.h"
#include "status/status_payloads.h"
#include "core/reply_view.h"

namespace {

// One field of a reply record: a 32-bit number, one byte, or a text of `size` bytes.
enum class FieldKind { Number, Byte, Text };
struct ReplyField {
    const char *key;
    int offset;
    FieldKind kind;
    int size;
};

#define NUMBER_FIELD(Record, member) {#member, offsetof(Record, member), FieldKind::Number, 4}
#define BYTE_FIELD(Record, member) {#member, offsetof(Record, member), FieldKind::Byte, 1}
#define TEXT_FIELD(Record, member) {#member, offsetof(Record, member), FieldKind::Text, sizeof(Record::member)}

const ReplyField kNetifStatusFields[] = {
    TEXT_FIELD(NetifStatusEntry, ifname),       NUMBER_FIELD(NetifStatusEntry, id),
    NUMBER_FIELD(NetifStatusEntry, state),      NUMBER_FIELD(NetifStatusEntry, speedMode),
    NUMBER_FIELD(NetifStatusEntry, duplex),     NUMBER_FIELD(NetifStatusEntry, enable),
    NUMBER_FIELD(NetifStatusEntry, dhcpEnable), TEXT_FIELD(NetifStatusEntry, ipAddr),
    TEXT_FIELD(NetifStatusEntry, MAC),          TEXT_FIELD(NetifStatusEntry, primaryDNS),
    TEXT_FIELD(NetifStatusEntry, secondDNS),    TEXT_FIELD(NetifStatusEntry, gateway),
    TEXT_FIELD(NetifStatusEntry, netmask),      NUMBER_FIELD(NetifStatusEntry, mtu),
    BYTE_FIELD(NetifStatusEntry, ip6mode),      TEXT_FIELD(NetifStatusEntry, ip6address),
    NUMBER_FIELD(NetifStatusEntry, ip6prefix),  TEXT_FIELD(NetifStatusEntry, ip6gateway),
};

const ReplyField kNetifSpeedFields[] = {
    NUMBER_FIELD(NetifSpeedEntry, id),
    TEXT_FIELD(NetifSpeedEntry, ifname),
    NUMBER_FIELD(NetifSpeedEntry, RxSpeed),
    NUMBER_FIELD(NetifSpeedEntry, TxSpeed),
};

const ReplyField kOnlineUserFields[] = {
    TEXT_FIELD(OnlineUserEntry, userName),
    NUMBER_FIELD(OnlineUserEntry, userLevel),
    TEXT_FIELD(OnlineUserEntry, ipaddr),
    TEXT_FIELD(OnlineUserEntry, loginTime),
};

json_object *entry_object(const ReplyView &reply, int base, const ReplyField *fields, size_t count) {
    json_object *object = json_object_new_object();
    for (size_t i = 0; object && i < count; i++) {
        const ReplyField &f = fields[i];
        switch (f.kind) {
            case FieldKind::Number: json_add_int(object, f.key, reply.number(base + f.offset)); break;
            case FieldKind::Byte: json_add_int(object, f.key, reply.byte(base + f.offset)); break;
            case FieldKind::Text: json_add_text(object, f.key, reply.text(base + f.offset, f.size).c_str()); break;
        }
    }
    return object;
}

// The whole entries of the payload (length / entry size), one object each.
template <size_t N>
json_object *entry_list(const void *payload, int length, int entry_size, const ReplyField (&fields)[N]) {
    ReplyView reply(payload, length);
    json_object *list = json_object_new_array();
    for (int i = 0; list && i < length / entry_size; i++)
        json_object_array_add(list, entry_object(reply, i * entry_size, fields, N));
    return list;
}

// {key: list}, or null when either could not be made.
json_object *wrapped(const char *key, json_object *list) {
    if (!list) return nullptr;
    json_object *answer = json_object_new_object();
    if (!answer) {
        json_object_put(list);
        return nullptr;
    }
    json_object_object_add(answer, key, list);
    return answer;
}

// ---- channel status -----------------------------------------------------------------------------

json_object *stream_object(const StreamState &stream) {
    json_object *object = json_object_new_object();
    json_object *resolution = json_object_new_object();
    json_add_int(resolution, "width", stream.width);
    json_add_int(resolution, "height", stream.height);
    json_object_object_add(object, "res", resolution);
    json_add_int(object, "framerate", stream.framerate);
    json_add_int(object, "bitrate", stream.bitrate);
    json_add_int(object, "connection", stream.connection);
    json_add_int(object, "connectStatus", stream.connectStatus);
    return object;
}

json_object *absent_stream_object() {
    json_object *object = json_object_new_object();
    for (const char *key : {"res", "framerate", "bitrate", "connection"}) json_add_text(object, key, "--");
    return object;
}

json_object *channel_object(int channel, const ChannelStreamEntry *streams) {
    const CameraRecord &camera = g_status_context.cameras[channel];
    const OsdRecord &osd = g_status_context.names[channel];
    json_object *object = json_object_new_object();
    json_add_int(object, "id", channel);
    json_object_object_add(object, "name", json_object_new_string_len(osd.camName, static_cast<int>(strnlen(
                                                                                     osd.camName, sizeof osd.camName))));
    json_add_int(object, "enable", camera.enable);
    size_t address = strnlen(camera.ipAddr, sizeof camera.ipAddr);
    json_object_object_add(object, "ipAddr", address ? json_object_new_string_len(camera.ipAddr, static_cast<int>(address))
                                                     : json_object_new_string("--"));
    if (streams) {
        json_add_int(object, "recordOn", streams->recordOn);
        json_add_int(object, "alarmOn", streams->alarmOn);
        json_object_object_add(object, "main", stream_object(streams->main));
        json_object_object_add(object, "sub", stream_object(streams->sub));
    } else {
        json_add_text(object, "recordOn", "--");
        json_add_text(object, "alarmOn", "--");
        json_object_object_add(object, "main", absent_stream_object());
        json_object_object_add(object, "sub", absent_stream_object());
    }
    return object;
}

}  // namespace

// 8301: {"netif": [one object per 320-byte entry]}.
int on_get_network_status_cb(const void *payload, int length) {
    return cgi_reply_json(wrapped("netif", entry_list(payload, length, sizeof(NetifStatusEntry), kNetifStatusFields)));
}

// 8302: {"netif": [one object per 24-byte entry]}.
int on_get_network_speed_cb(const void *payload, int length) {
    return cgi_reply_json(wrapped("netif", entry_list(payload, length, sizeof(NetifSpeedEntry), kNetifSpeedFields)));
}

// 6719: [one object per 152-byte entry].
int on_cgi_get_online_user_status_cb(const void *payload, int length) {
    return cgi_reply_json(entry_list(payload, length, sizeof(OnlineUserEntry), kOnlineUserFields));
}

// 8300: {"IPC": [every listed channel]}; a channel the daemon reports takes its entry (the first
// one naming it), another shows "--" for its live values.
int on_get_channel_status_cb(const void *payload, int length) {
    ChannelStreamEntry entries[kQvdbChannels];
    const ChannelStreamEntry *of_channel[kQvdbChannels] = {};
    int count = length / static_cast<int>(sizeof(ChannelStreamEntry));
    if (count > kQvdbChannels) count = kQvdbChannels;
    for (int i = 0; i < count; i++) {
        memcpy(&entries[i], static_cast<const char *>(payload) + i * sizeof entries[i], sizeof entries[i]);
        int channel = entries[i].channel;
        if (channel >= 0 && channel < kQvdbChannels && !of_channel[channel]) of_channel[channel] = &entries[i];
    }
    json_object *list = json_object_new_array();
    for (int channel = 0; list && channel < g_status_context.channels; channel++)
        json_object_array_add(list, channel_object(channel, of_channel[channel]));
    return cgi_reply_json(wrapped("IPC", list));
}

// 8306: the three counters.
int on_get_capacity_status_cb(const void *payload, int) {
    CapacityReply capacity;
    memcpy(&capacity, payload, sizeof capacity);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "total", capacity.total);
    json_add_int(answer, "free", capacity.free);
    json_add_int(answer, "used", capacity.used);
    return cgi_reply_json(answer);
}

// 8263: character i of "support" is '1' when channel i is supported; character i of "type" is its
// type '1' or '2', else '0'.
int on_get_channel_support_cb(const void *payload, int) {
    char support[kChannelSupportEntries + 1] = {};
    char type[kChannelSupportEntries + 1] = {};
    for (int i = 0; i < kChannelSupportEntries; i++) {
        ChannelSupportEntry entry;
        memcpy(&entry, static_cast<const char *>(payload) + i * sizeof entry, sizeof entry);
        support[i] = entry.support == 1 ? '1' : '0';
        type[i] = entry.type == 1 ? '1' : (entry.type == 2 ? '2' : '0');
    }
    json_object *answer = json_object_new_object();
    json_add_text(answer, "support", support);
    json_add_text(answer, "type", type);
    return cgi_reply_json(answer);
}
