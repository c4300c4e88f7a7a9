// Daemon payloads of the recording routes: channel lists (1310, 2285) and the replies 7285, 7286
// and 8218. Little-endian, as the daemon reads and writes them.
#ifndef NVR_RECORD_RECORD_PAYLOADS_H
#define NVR_RECORD_RECORD_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

constexpr int kRecordListChannels = 64;

constexpr int kRequestHolidaysChanged = 1401;
constexpr int kRequestRecordModeChanged = 1407;
constexpr int kRequestRecordScheduleChanged = 1411;
constexpr int kRequestRecordModesChanged = 1413;
constexpr int kRequestRecordSettingsChanged = 1310;
constexpr int kRequestSwitchAnr = 2285;
constexpr int kRequestRecordSupport = 2286;
constexpr int kRequestRecordStreams = 3218;

// 1310: record settings of the listed channels changed.
struct RecordChannelList {
    int32_t channel[kRecordListChannels];
    int32_t count;
};
static_assert(offsetof(RecordChannelList, count) == 256, "list count at 256");
static_assert(sizeof(RecordChannelList) == 260, "channel list is 260 bytes");

// 2285: switch automatic network replenishment of the listed channels.
struct AnrSwitchRequest {
    RecordChannelList list;
    int32_t anr;
};
static_assert(offsetof(AnrSwitchRequest, anr) == 260, "ANR value at 260");
static_assert(sizeof(AnrSwitchRequest) == 264, "ANR request is 264 bytes");

// 7285: the outcome per listed channel.
struct AnrSwitchReply {
    int32_t channel[kRecordListChannels];
    int32_t result[kRecordListChannels];
    int32_t count;
    int32_t anr;
};
static_assert(offsetof(AnrSwitchReply, result) == 256, "ANR results at 256");
static_assert(offsetof(AnrSwitchReply, count) == 512, "ANR count at 512");
static_assert(sizeof(AnrSwitchReply) == 520, "ANR reply is 520 bytes");

// 7286: whether a channel supports the recording feature asked about.
struct RecordSupportReply {
    int32_t channel;
    int32_t support;
};
static_assert(sizeof(RecordSupportReply) == 8, "support reply is 8 bytes");

// 8218: the recorded streams of the channels.
struct RecordStreamsReply {
    int32_t primary[kRecordListChannels];
    int32_t secondary[kRecordListChannels];
    int32_t count;
};
static_assert(offsetof(RecordStreamsReply, secondary) == 256, "secondary streams at 256");
static_assert(sizeof(RecordStreamsReply) == 516, "stream reply is 516 bytes");

#endif
