// Canned replies of the simulated daemon for module "/6000" (video and event settings).
#include <string.h>

#include "tools/nvrsimd/simd.h"
#include "video/motion_payloads.h"

namespace {

// The camera's live motion map: every cell of a 22 x 18 grid marked, as hexadecimal rows.
void fill_full_motion_table(char *table, size_t size) {
    static const char kRow[] = "3fffff";
    size_t used = 0;
    for (int row = 0; row < 18 && used + sizeof kRow - 1 < size; row++, used += sizeof kRow - 1)
        memcpy(table + used, kRow, sizeof kRow - 1);
    table[used] = '\0';
}

// 3206: the motion area of the requested channel (reply 8206).
SimScript motion_map(const SimRequest &request, SimState &state) {
    MotionAreaRecord record;
    memset(&record, 0, sizeof record);
    int32_t channel = 0;
    if (request.payload.size() >= 4) memcpy(&channel, request.payload.data(), 4);
    record.enable = 1;
    fill_full_motion_table(record.table, sizeof record.table);
    record.sensitivity = static_cast<int32_t>(state.setting("motion_sensitivity", 5));
    record.channel = channel;
    record.result = 0;
    record.model_type = static_cast<int32_t>(state.setting("motion_model_type", 0));
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return sim_one_reply(Bytes(bytes, bytes + sizeof record));
}

const CannedEntry kVideoCanned[] = {
    {kRequestMotionMap, motion_map},
};
NVR_SIM_CANNED(kVideoCanned)

}  // namespace
