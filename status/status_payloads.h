// Daemon replies of the status pages: interface state and traffic, channel streams, event and
// alarm state, capacity, channel support and the users logged in. Every question carries no
// payload.
#ifndef NVR_STATUS_STATUS_PAYLOADS_H
#define NVR_STATUS_STATUS_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

constexpr int kRequestChannelStatus = 3300;   // reply 8300: ChannelStreamEntry each
constexpr int kRequestNetworkStatus = 3301;   // reply 8301: NetifStatusEntry each
constexpr int kRequestNetworkSpeed = 3302;    // reply 8302: NetifSpeedEntry each
constexpr int kRequestAlarmStatus = 3305;     // reply 8305: AlarmStatusReply
constexpr int kRequestCapacity = 3306;        // reply 8306: CapacityReply
constexpr int kRequestChannelSupport = 3263;  // reply 8263: 64 ChannelSupportEntry
constexpr int kRequestOnlineUsers = 1719;     // reply 6719: OnlineUserEntry each

// One network interface (8301).
struct NetifStatusEntry {
    char ifname[12];
    int32_t id;
    int32_t state;
    int32_t speedMode;
    int32_t duplex;
    int32_t enable;
    int32_t dhcpEnable;
    char ipAddr[24];
    char MAC[24];
    char primaryDNS[24];
    char secondDNS[24];
    char gateway[24];
    char netmask[24];
    int32_t mtu;
    uint8_t ip6mode;
    char ip6address[67];
    int32_t ip6prefix;
    char ip6gateway[64];
};
static_assert(offsetof(NetifStatusEntry, ipAddr) == 36, "interface address at 36");
static_assert(offsetof(NetifStatusEntry, netmask) == 156, "interface netmask at 156");
static_assert(offsetof(NetifStatusEntry, mtu) == 180, "interface MTU at 180");
static_assert(offsetof(NetifStatusEntry, ip6mode) == 184, "interface IPv6 mode at 184");
static_assert(offsetof(NetifStatusEntry, ip6address) == 185, "interface IPv6 address at 185");
static_assert(offsetof(NetifStatusEntry, ip6prefix) == 252, "interface IPv6 prefix at 252");
static_assert(offsetof(NetifStatusEntry, ip6gateway) == 256, "interface IPv6 gateway at 256");
static_assert(sizeof(NetifStatusEntry) == 320, "interface status entry is 320 bytes");

// Traffic of one interface (8302), bytes per second.
struct NetifSpeedEntry {
    char ifname[12];
    int32_t RxSpeed;
    int32_t TxSpeed;
    int32_t id;
};
static_assert(sizeof(NetifSpeedEntry) == 24, "interface speed entry is 24 bytes");

// One stream of a channel.
struct StreamState {
    int32_t width;
    int32_t height;
    int32_t framerate;
    int32_t bitrate;
    int32_t connection;
    int32_t unused;
    int32_t connectStatus;
};
static_assert(sizeof(StreamState) == 28, "stream state is 28 bytes");

// One connected channel (8300), in ascending channel order.
struct ChannelStreamEntry {
    StreamState main;
    StreamState sub;
    int32_t recordOn;
    int32_t alarmOn;
    int32_t channel;
    int32_t unused;
};
static_assert(offsetof(ChannelStreamEntry, recordOn) == 56, "channel record state at 56");
static_assert(offsetof(ChannelStreamEntry, channel) == 64, "channel id at 64");
static_assert(sizeof(ChannelStreamEntry) == 72, "channel stream entry is 72 bytes");

constexpr int kCameraAlarmInSets = 4;
constexpr int kCameraAlarmOutSets = 2;

// Live event and alarm state (8305). Sets hold bit i for channel i.
struct AlarmStatusReply {
    uint64_t videoloss;
    uint64_t motion;
    int32_t alarm_outs;  // bit k: recorder output k active
    int32_t alarm_ins;   // bit j: recorder input j active
    uint64_t entrance;
    uint64_t exiting;
    uint64_t advanced_motion;
    uint64_t tampering;
    uint64_t line_crossing;
    uint64_t loitering;
    uint64_t human_detection;
    uint64_t object_left_remove;
    uint64_t unused;
    struct {
        int32_t in;
        int32_t out;
    } count[64];
    uint64_t camera_in_state[kCameraAlarmInSets];
    uint64_t camera_out_state[kCameraAlarmOutSets];
    uint64_t camera_in_type[kCameraAlarmInSets];
    uint64_t camera_out_type[kCameraAlarmOutSets];
};
static_assert(offsetof(AlarmStatusReply, alarm_outs) == 16, "recorder outputs at 16");
static_assert(offsetof(AlarmStatusReply, entrance) == 24, "region entrance at 24");
static_assert(offsetof(AlarmStatusReply, object_left_remove) == 80, "object left or removed at 80");
static_assert(offsetof(AlarmStatusReply, count) == 96, "in and out counts at 96");
static_assert(offsetof(AlarmStatusReply, camera_in_state) == 608, "camera input states at 608");
static_assert(offsetof(AlarmStatusReply, camera_out_state) == 640, "camera output states at 640");
static_assert(offsetof(AlarmStatusReply, camera_in_type) == 656, "camera input types at 656");
static_assert(offsetof(AlarmStatusReply, camera_out_type) == 688, "camera output types at 688");
static_assert(sizeof(AlarmStatusReply) == 704, "alarm status reply is 704 bytes");

// Capacity counters (8306).
struct CapacityReply {
    int32_t total;
    int32_t free;
    int32_t used;
};
static_assert(sizeof(CapacityReply) == 12, "capacity reply is 12 bytes");

// Support of one channel (8263, 64 entries, channel 0 first).
struct ChannelSupportEntry {
    int32_t channel;
    int32_t support;  // 1: supported
    int32_t type;     // 1 or 2
    int32_t reserved[8];
};
static_assert(sizeof(ChannelSupportEntry) == 44, "channel support entry is 44 bytes");
constexpr int kChannelSupportEntries = 64;

// One user logged in (6719).
struct OnlineUserEntry {
    char userName[64];
    int32_t userLevel;
    char ipaddr[64];
    char loginTime[20];
};
static_assert(offsetof(OnlineUserEntry, ipaddr) == 68, "online user address at 68");
static_assert(offsetof(OnlineUserEntry, loginTime) == 132, "online user login time at 132");
static_assert(sizeof(OnlineUserEntry) == 152, "online user entry is 152 bytes");

#endif
