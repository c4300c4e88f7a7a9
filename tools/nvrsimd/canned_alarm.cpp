// Canned replies of the simulated daemon for module "/6020" (alarm contacts): every camera has one
// alarm input and one alarm output; the settings the pages send (3325, 3324) and the outputs they
// switch (3352) are kept and shown in the answers to 3298 and 3296.
#include <string.h>

#include <string>

#include "alarm/alarm_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

template <typename Record>
Record alarm_record_of(const Bytes &payload) {
    Record record;
    memset(&record, 0, sizeof record);
    memcpy(&record, payload.data(), payload.size() < sizeof record ? payload.size() : sizeof record);
    return record;
}

template <typename Record>
Bytes alarm_bytes_of(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

bool valid_camera(int32_t chnid) { return chnid >= 0 && chnid < kQvdbChannels; }
std::string inputs_key(int chnid) { return "alarm/camera_in/" + std::to_string(chnid); }
std::string outputs_key(int chnid) { return "alarm/camera_out/" + std::to_string(chnid); }

// 3325, 3324: the settings of a camera and of the cameras they were copied to.
SimScript keep_input_settings(const SimRequest &request, SimState &state) {
    CameraAlarmInSettings settings = alarm_record_of<CameraAlarmInSettings>(request.payload);
    for (int chnid = 0; chnid < kQvdbChannels; chnid++)
        if (settings.cameras & (1ULL << chnid)) state.records[inputs_key(chnid)] = request.payload;
    return SimScript();
}

SimScript keep_output_settings(const SimRequest &request, SimState &state) {
    CameraAlarmOutSettings settings = alarm_record_of<CameraAlarmOutSettings>(request.payload);
    for (int chnid = 0; chnid < kQvdbChannels; chnid++)
        if (settings.cameras & (1ULL << chnid)) state.records[outputs_key(chnid)] = request.payload;
    return SimScript();
}

// 3352: an output switched on or off.
SimScript keep_output_state(const SimRequest &request, SimState &state) {
    CameraAlarmStateChange change = alarm_record_of<CameraAlarmStateChange>(request.payload);
    if (valid_camera(change.chnid) && change.alarmId >= 0 && change.alarmId < kCameraAlarmOuts)
        state.settings["alarm/out_state/" + std::to_string(change.chnid) + "/" + std::to_string(change.alarmId)] =
            change.state;
    return SimScript();
}

// 3298: one input, enabled as an open contact unless the pages set it otherwise; input 0 of
// camera 0 is active.
SimScript camera_inputs(const SimRequest &request, SimState &state) {
    CameraAlarmInState answer = alarm_record_of<CameraAlarmInState>(request.payload);
    int chnid = answer.chnid;
    memset(&answer, 0, sizeof answer);
    answer.chnid = chnid;
    answer.count = 1;
    answer.enable[0] = 1;
    answer.status[0] = chnid == 0 ? 1 : 0;
    auto kept = state.records.find(inputs_key(chnid));
    if (kept != state.records.end()) {
        CameraAlarmInSettings settings = alarm_record_of<CameraAlarmInSettings>(kept->second);
        for (int i = 0; i < kCameraAlarmIns; i++) {
            answer.enable[i] = settings.entry[i].alarmEnable;
            answer.type[i] = settings.entry[i].alarmType;
        }
    }
    return sim_one_reply(alarm_bytes_of(answer));
}

// 3296: one output, as the pages last set and switched it.
SimScript camera_outputs(const SimRequest &request, SimState &state) {
    int32_t chnid = alarm_record_of<int32_t>(request.payload);
    CameraAlarmOutState answer;
    memset(&answer, 0, sizeof answer);
    answer.chnid = chnid;
    answer.count = 1;
    auto kept = state.records.find(outputs_key(chnid));
    if (kept != state.records.end()) {
        CameraAlarmOutSettings settings = alarm_record_of<CameraAlarmOutSettings>(kept->second);
        for (int i = 0; i < kCameraAlarmOuts; i++) answer.type[i] = settings.entry[i].alarmType;
    }
    for (int i = 0; i < kCameraAlarmOuts; i++)
        answer.status[i] = static_cast<int32_t>(
            state.setting("alarm/out_state/" + std::to_string(chnid) + "/" + std::to_string(i), 0));
    return sim_one_reply(alarm_bytes_of(answer));
}

const CannedEntry kAlarmCanned[] = {
    {kRequestSetCameraAlarmIns, keep_input_settings},
    {kRequestSetCameraAlarmOuts, keep_output_settings},
    {kRequestCameraAlarmState, keep_output_state},
    {kRequestCameraAlarmIns, camera_inputs},
    {kRequestCameraAlarmOuts, camera_outputs},
};
NVR_SIM_CANNED(kAlarmCanned)

}  // namespace
