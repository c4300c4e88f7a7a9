// Registry of the simulated daemon's canned replies, and the replies shared by every area.
#include <string.h>

#include <vector>

#include "tools/nvrsimd/simd.h"

namespace {

std::vector<CannedEntry> &registry() {
    static std::vector<CannedEntry> entries;
    return entries;
}

// Operation-log records are kept (the log search serves them back).
SimScript keep_log_record(const SimRequest &request, SimState &state) {
    state.operation_log.push_back(request.payload);
    return SimScript();
}

const CannedEntry kOperationLogCanned[] = {
    {3485, keep_log_record},
    {3509, keep_log_record},
};
NVR_SIM_CANNED(kOperationLogCanned)

}  // namespace

Bytes sim_words(std::initializer_list<int32_t> values) {
    Bytes out(values.size() * 4);
    size_t i = 0;
    for (int32_t v : values) memcpy(out.data() + 4 * i++, &v, 4);
    return out;
}

SimScript sim_one_reply(Bytes payload) { return SimScript{SimStep{0, -1, std::move(payload)}}; }

void sim_register_canned(const CannedEntry *entries, int count) {
    registry().insert(registry().end(), entries, entries + count);
}

std::vector<int> sim_canned_codes_registered_twice() {
    std::vector<int> twice;
    const std::vector<CannedEntry> &entries = registry();
    for (size_t i = 0; i < entries.size(); i++)
        for (size_t j = 0; j < i; j++)
            if (entries[j].code == entries[i].code) {
                twice.push_back(entries[i].code);
                break;
            }
    return twice;
}

SimScript canned_reply(const SimRequest &request, SimState &state) {
    for (const CannedEntry &entry : registry())
        if (entry.code == request.code) return entry.reply(request, state);
    return SimScript();
}
