// Canned replies of the simulated daemon for module "/6030" (recording): feature support, the
// recorded streams and the ANR switch.
#include <string.h>

#include "record/record_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr int kCameras = 16;

template <typename Record>
Bytes record_bytes(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

int32_t request_word(const SimRequest &request, size_t offset) {
    int32_t value = 0;
    if (offset + 4 <= request.payload.size()) memcpy(&value, request.payload.data() + offset, 4);
    return value;
}

// 2286: every channel supports it.
SimScript record_support(const SimRequest &request, SimState &) {
    RecordSupportReply reply = {request_word(request, 0), 1};
    return sim_one_reply(record_bytes(reply));
}

// 3218: the main stream recorded as primary, the sub stream as secondary, for 16 cameras.
SimScript record_streams(const SimRequest &, SimState &) {
    RecordStreamsReply reply;
    memset(&reply, 0, sizeof reply);
    for (int i = 0; i < kCameras; i++) {
        reply.primary[i] = 0;
        reply.secondary[i] = 1;
    }
    reply.count = kCameras;
    return sim_one_reply(record_bytes(reply));
}

// 2285: every listed channel switched.
SimScript switch_anr(const SimRequest &request, SimState &) {
    AnrSwitchRequest asked;
    memset(&asked, 0, sizeof asked);
    if (!request.payload.empty())
        memcpy(&asked, request.payload.data(), request.payload.size() < sizeof asked ? request.payload.size() : sizeof asked);
    AnrSwitchReply reply;
    memset(&reply, 0, sizeof reply);
    memcpy(reply.channel, asked.list.channel, sizeof reply.channel);
    reply.count = asked.list.count;
    reply.anr = asked.anr;
    return sim_one_reply(record_bytes(reply));
}

const CannedEntry kRecordCanned[] = {
    {kRequestRecordSupport, record_support},
    {kRequestRecordStreams, record_streams},
    {kRequestSwitchAnr, switch_anr},
};
NVR_SIM_CANNED(kRecordCanned)

}  // namespace
