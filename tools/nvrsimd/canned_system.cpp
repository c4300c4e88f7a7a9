// Canned replies of the simulated daemon for module "/1000" (system administration).
#include "tools/nvrsimd/simd.h"

namespace {

// Requests whose reply is a single status word, 0 for success.
SimScript status_ok(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

const CannedEntry kSystemCanned[] = {
    {4013, status_ok},  // rename an uploaded sound
    {4014, status_ok},  // delete audio files
    {4015, status_ok},  // rename an audio file
    {4016, status_ok},  // audio file request
};
NVR_SIM_CANNED(kSystemCanned)

}  // namespace
