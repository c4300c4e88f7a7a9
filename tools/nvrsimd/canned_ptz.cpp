// Canned replies of the simulated daemon for module "/5000" (PTZ control): camera relays, the
// PTZ state of a camera, PTZ support, camera-side control, LED status and basic settings.
#include <stdio.h>
#include <string.h>

#include "ptz/ptz_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

int32_t request_word(const SimRequest &request, size_t offset) {
    int32_t value = 0;
    if (offset + 4 <= request.payload.size()) memcpy(&value, request.payload.data() + offset, 4);
    return value;
}

void put_word(Bytes &payload, int word, int32_t value) { memcpy(payload.data() + 4 * word, &value, 4); }

SimScript status_zero(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

// A camera with six named presets, one tour over the first three, one recorded pattern and its
// auto scan idle.
SimScript ptz_state(const SimRequest &, SimState &) {
    Bytes payload(kPtzStateSize, 0);
    for (int p = 0; p < 6; p++) {
        put_word(payload, kPtzPresetWords * p, 1);
        char name[32];
        snprintf(name, sizeof name, "Preset %d", p + 1);
        memcpy(payload.data() + 4 * (kPtzPresetWords * p + 1), name, strlen(name));
    }
    for (int r = 0; r < 3; r++) {
        put_word(payload, kPtzTourWordsAt + r, r + 1);                        // preset id
        put_word(payload, kPtzTourWordsAt + kPtzTourRows + r, 10);            // timeout
        put_word(payload, kPtzTourWordsAt + 2 * kPtzTourRows + r, 5);         // speed
    }
    put_word(payload, kPtzPatternWordsAt, 1);
    return sim_one_reply(payload);
}

SimScript led_status(const SimRequest &request, SimState &state) {
    return sim_one_reply(sim_words({request_word(request, 0), static_cast<int32_t>(state.setting("led_status", 1))}));
}

SimScript basic_settings(const SimRequest &request, SimState &) {
    PtzBasicSettings settings;
    memset(&settings, 0, sizeof settings);
    settings.chnId = request_word(request, 0);
    settings.zoomStatus = settings.panTiltStatus = settings.presetStatus = 1;
    settings.patrolStatus = settings.patternStatus = settings.autoScanStatus = 1;
    settings.presetSpeed = 5;
    settings.manualSpeed = 5;
    settings.patrolRecovering = 1;
    settings.patrolRecoveryTime = 30;
    settings.resumeTime = 60;
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&settings);
    return sim_one_reply(Bytes(bytes, bytes + sizeof settings));
}

// The camera settings (3226) and the PTZ support (1262) are answered by the camera area's replies.
const CannedEntry kPtzCanned[] = {
    {kRequestPtzState, ptz_state},
    {kRequestPtzFisheyeState, ptz_state},
    {kRequestPtzControl, status_zero},
    {kRequestLedStatus, led_status},
    {kRequestPtzBasic, basic_settings},
    {kRequestPtzSetBasic, status_zero},
};
NVR_SIM_CANNED(kPtzCanned)

}  // namespace
