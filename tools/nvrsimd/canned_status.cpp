// Canned replies of the simulated daemon for module "/8000" (status pages): two interfaces with
// some traffic, channels 0 to 3 (and every camera added since the start) online and recording,
// a few live events, and one user logged in.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "status/status_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr int kChannels = 64;
constexpr int kAlwaysOnline = 4;  // channels 0 to 3

template <size_t N>
void put(char (&field)[N], const char *text) {
    snprintf(field, N, "%s", text);
}

template <typename Record>
void append(Bytes &out, const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    out.insert(out.end(), bytes, bytes + sizeof record);
}

bool online(int channel, const SimState &state) {
    return channel < kAlwaysOnline || state.records.count("camera/" + std::to_string(channel)) != 0;
}

// 3301: eth0 up with IPv4 and IPv6 addresses, eth1 without a cable.
SimScript network_status(const SimRequest &, SimState &) {
    Bytes out;
    NetifStatusEntry eth0;
    memset(&eth0, 0, sizeof eth0);
    put(eth0.ifname, "eth0");
    eth0.id = 0;
    eth0.state = 1;
    eth0.speedMode = 1000;
    eth0.duplex = 1;
    eth0.enable = 1;
    put(eth0.ipAddr, "192.168.1.100");
    put(eth0.MAC, "02:5A:3E:0A:19:C8");
    put(eth0.primaryDNS, "192.168.1.1");
    put(eth0.secondDNS, "8.8.8.8");
    put(eth0.gateway, "192.168.1.1");
    put(eth0.netmask, "255.255.255.0");
    eth0.mtu = 1500;
    eth0.ip6mode = 1;
    put(eth0.ip6address, "fd00:1::100");
    eth0.ip6prefix = 64;
    put(eth0.ip6gateway, "fd00:1::1");
    append(out, eth0);
    NetifStatusEntry eth1;
    memset(&eth1, 0, sizeof eth1);
    put(eth1.ifname, "eth1");
    eth1.id = 1;
    eth1.enable = 1;
    eth1.dhcpEnable = 1;
    put(eth1.ipAddr, "10.0.0.100");
    put(eth1.MAC, "02:5A:3E:0A:19:C9");
    put(eth1.netmask, "255.255.255.0");
    eth1.mtu = 1500;
    append(out, eth1);
    return sim_one_reply(out);
}

// 3302: eth0 carries the cameras' streams (a little different at every question); eth1 is idle.
SimScript network_speed(const SimRequest &request, SimState &) {
    Bytes out;
    NetifSpeedEntry eth0;
    memset(&eth0, 0, sizeof eth0);
    put(eth0.ifname, "eth0");
    double wobble = sin(request.time / 7.0);
    eth0.RxSpeed = static_cast<int32_t>(2200000 + 300000 * wobble);
    eth0.TxSpeed = static_cast<int32_t>(180000 + 40000 * wobble);
    append(out, eth0);
    NetifSpeedEntry eth1;
    memset(&eth1, 0, sizeof eth1);
    put(eth1.ifname, "eth1");
    eth1.id = 1;
    append(out, eth1);
    return sim_one_reply(out);
}

StreamState stream(int width, int height, int framerate, int bitrate) {
    StreamState s;
    memset(&s, 0, sizeof s);
    s.width = width;
    s.height = height;
    s.framerate = framerate;
    s.bitrate = bitrate;
    s.connection = 1;
    s.connectStatus = 1;
    return s;
}

// 3300: one entry per online channel, in channel order; channel 1 is in alarm.
SimScript channel_status(const SimRequest &, SimState &state) {
    Bytes out;
    for (int channel = 0; channel < kChannels; channel++) {
        if (!online(channel, state)) continue;
        ChannelStreamEntry entry;
        memset(&entry, 0, sizeof entry);
        entry.main = stream(1920, 1080, 25, 4096);
        entry.sub = stream(640, 360, 15, 512);
        entry.recordOn = 1;
        entry.alarmOn = channel == 1 ? 1 : 0;
        entry.channel = channel;
        append(out, entry);
    }
    return sim_one_reply(out);
}

// 3305: motion on channel 1, a line crossed on channel 2, recorder input 0 and camera 0's input 0
// active; a few people counted on channel 3.
SimScript alarm_status(const SimRequest &, SimState &) {
    AlarmStatusReply reply;
    memset(&reply, 0, sizeof reply);
    reply.motion = 1ULL << 1;
    reply.line_crossing = 1ULL << 2;
    reply.alarm_ins = 1;
    reply.count[3].in = 42;
    reply.count[3].out = 37;
    reply.camera_in_state[0] = 1ULL << 0;
    Bytes out;
    append(out, reply);
    return sim_one_reply(out);
}

// 3306: the recorder's capacity counters.
SimScript capacity(const SimRequest &, SimState &) { return sim_one_reply(sim_words({256, 216, 40})); }

// 3263: the online channels are supported, of type 1.
SimScript channel_support(const SimRequest &, SimState &state) {
    Bytes out;
    for (int channel = 0; channel < kChannelSupportEntries; channel++) {
        ChannelSupportEntry entry;
        memset(&entry, 0, sizeof entry);
        entry.channel = channel;
        if (online(channel, state)) entry.support = entry.type = 1;
        append(out, entry);
    }
    return sim_one_reply(out);
}

// 1719: the administrator, logged in from the development machine.
SimScript online_users(const SimRequest &, SimState &) {
    OnlineUserEntry user;
    memset(&user, 0, sizeof user);
    put(user.userName, "admin");
    user.userLevel = 0;
    put(user.ipaddr, "127.0.0.1");
    put(user.loginTime, "2026-01-05 09:30:00");
    Bytes out;
    append(out, user);
    return sim_one_reply(out);
}

const CannedEntry kStatusCanned[] = {
    {kRequestNetworkStatus, network_status}, {kRequestNetworkSpeed, network_speed},
    {kRequestChannelStatus, channel_status}, {kRequestAlarmStatus, alarm_status},
    {kRequestCapacity, capacity},            {kRequestChannelSupport, channel_support},
    {kRequestOnlineUsers, online_users},
};
NVR_SIM_CANNED(kStatusCanned)

}  // namespace
