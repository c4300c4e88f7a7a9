// Canned replies of the simulated daemon for module "/2001" (camera channels, people counting,
// point of sale). The simulated recorder keeps the cameras added on its channels while it runs:
// a search finds three cameras on the network, and a camera checked before it is added is the
// one the channel lists afterwards.
#include <stdio.h>
#include <string.h>

#include <string>

#include "camera/camera_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr int kChannels = 64;
const char kCheckedCamera[] = "camera/checked";
const char kNetworkResults[] = "camera/network_results";

template <size_t N>
void set_text(char (&field)[N], const std::string &text) {
    snprintf(field, N, "%s", text.c_str());
}

template <typename Record>
Bytes bytes_of(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

// The request's payload as a record, zero-filled when it is shorter.
template <typename Record>
Record record_of(const Bytes &payload) {
    Record record;
    memset(&record, 0, sizeof record);
    memcpy(&record, payload.data(), payload.size() < sizeof record ? payload.size() : sizeof record);
    return record;
}

int32_t first_word(const Bytes &payload) { return record_of<int32_t>(payload); }

std::string camera_key(int channel) { return "camera/" + std::to_string(channel); }

// ---- the cameras on the network -------------------------------------------------------------------

struct NetworkCamera {
    const char *address;
    const char *mac;
    int port;
    int protocol;
    const char *vendor;
    const char *model;
    int model_id;
    const char *serial;
};
const NetworkCamera kNetworkCameras[] = {
    {"192.168.1.101", "00:1A:2B:3C:4D:01", 80, 0, "ONVIF", "IPC-B2M", 0, "SN2024A0101"},
    {"192.168.1.102", "00:1A:2B:3C:4D:02", 8000, 2, "QV", "QV-IPC", 2, "SN2024A0102"},
    {"192.168.1.103", "00:1A:2B:3C:4D:03", 8000, 2, "QV", "QV-PTZ", 3, "SN2024A0103"},
};

CameraSearchEntry search_entry(const NetworkCamera &camera, int index) {
    CameraSearchEntry entry;
    memset(&entry, 0, sizeof entry);
    set_text(entry.ipAddr, camera.address);
    set_text(entry.macAddr, camera.mac);
    entry.managePort = camera.port;
    entry.protocol = camera.protocol;
    set_text(entry.vendor, camera.vendor);
    set_text(entry.sn, camera.serial);
    set_text(entry.fwVersion, "V5.2.1 build 240915");
    set_text(entry.model, camera.model);
    entry.modelId = camera.model_id;
    set_text(entry.netmask, "255.255.255.0");
    set_text(entry.dns, "192.168.1.1");
    set_text(entry.gateway, "192.168.1.1");
    set_text(entry.netif, "eth0");
    entry.active_status = 1;
    set_text(entry.name, "Camera " + std::to_string(index + 1));
    set_text(entry.snReal, camera.serial);
    return entry;
}

const NetworkCamera *network_camera_at(const char *address) {
    for (const NetworkCamera &camera : kNetworkCameras)
        if (strcmp(camera.address, address) == 0) return &camera;
    return nullptr;
}

// 3200: the cameras on the network.
SimScript search_cameras(const SimRequest &, SimState &) {
    Bytes reply;
    int index = 0;
    for (const NetworkCamera &camera : kNetworkCameras) {
        Bytes entry = bytes_of(search_entry(camera, index++));
        reply.insert(reply.end(), entry.begin(), entry.end());
    }
    return sim_one_reply(reply);
}

// ---- the recorder's channels ------------------------------------------------------------------------

// The list entry of a camera added on a channel: the camera checked last (or one made up from
// the channel), with what a search knows of it.
CameraListEntry added_camera(int channel, const SimState &state) {
    CameraListEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.id = channel;
    std::string address = "192.168.1." + std::to_string(110 + channel);
    int port = 80, protocol = 0;
    auto checked = state.records.find(kCheckedCamera);
    if (checked != state.records.end()) {
        CameraCheckRequest check = record_of<CameraCheckRequest>(checked->second);
        check.ipAddr[sizeof check.ipAddr - 1] = '\0';
        address = check.ipAddr;
        port = check.managePort;
        protocol = check.camProtocol;
    }
    const NetworkCamera *known = network_camera_at(address.c_str());
    entry.managePort = port;
    entry.camProtocol = protocol;
    entry.state = 1;
    set_text(entry.ipAddr, address);
    set_text(entry.vendor, known ? known->vendor : "ONVIF");
    set_text(entry.sn, known ? known->serial : "SN2024B" + std::to_string(channel));
    set_text(entry.fwVersion, "V5.2.1 build 240915");
    set_text(entry.mac, known ? known->mac : "00:1A:2B:3C:5E:" + std::to_string(10 + channel));
    set_text(entry.model, known ? known->model : "IPC-B2M");
    entry.poechannel = -1;
    entry.physicalport = -1;
    entry.alarmin = 1;
    entry.alarmout = 1;
    entry.subState = 1;
    entry.connectState = 1;
    set_text(entry.snReal, known ? known->serial : "SN2024B" + std::to_string(channel));
    set_text(entry.chipinfo, "SSC338Q");
    return entry;
}

bool valid_channel(int32_t channel) { return channel >= 0 && channel < kChannels; }

// 1201 (added), 1202 (deleted): notices without a reply that change the channels.
SimScript camera_added(const SimRequest &request, SimState &state) {
    int32_t channel = first_word(request.payload);
    if (valid_channel(channel)) state.records[camera_key(channel)] = bytes_of(added_camera(channel, state));
    return SimScript();
}

SimScript camera_deleted(const SimRequest &request, SimState &state) {
    state.records.erase(camera_key(first_word(request.payload)));
    return SimScript();
}

// 3201: the cameras on the channels; a recorder without cameras answers a bare count word.
SimScript camera_list(const SimRequest &, SimState &state) {
    Bytes reply;
    for (int channel = 0; channel < kChannels; channel++) {
        auto camera = state.records.find(camera_key(channel));
        if (camera != state.records.end()) reply.insert(reply.end(), camera->second.begin(), camera->second.end());
    }
    if (reply.empty()) reply = sim_words({0});
    return sim_one_reply(reply);
}

// 3202, 3227: a check passes (setting "camera_check_result", 0) and is remembered for the add
// that follows; both layouts are kept as the 212-byte check.
SimScript check_camera(const SimRequest &request, SimState &state) {
    CameraCheckRequest check;
    if (request.code == kRequestCheckCameraPort) {
        CameraPortCheckRequest port_check = record_of<CameraPortCheckRequest>(request.payload);
        memset(&check, 0, sizeof check);
        memcpy(check.ipAddr, port_check.ipAddr, sizeof check.ipAddr);
        check.managePort = port_check.managePort;
        check.camProtocol = port_check.camProtocol;
    } else {
        check = record_of<CameraCheckRequest>(request.payload);
    }
    state.records[kCheckedCamera] = bytes_of(check);
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("camera_check_result", 0))}));
}

// 3205: one camera's network change (setting "camera_network_result", 0).
SimScript change_camera_network(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("camera_network_result", 0))}));
}

// 3229: one item of a batch change, remembered with result 0 for the results (3230).
SimScript change_camera_network_item(const SimRequest &request, SimState &state) {
    CameraNetworkChangeItem item = record_of<CameraNetworkChangeItem>(request.payload);
    CameraNetworkResult result;
    memset(&result, 0, sizeof result);
    memcpy(result.mac, item.change.macAddr, sizeof result.mac - 1);
    Bytes &results = state.records[kNetworkResults];
    if (results.size() < kNetworkResultEntries * sizeof result) {
        Bytes entry = bytes_of(result);
        results.insert(results.end(), entry.begin(), entry.end());
    }
    return SimScript();
}

SimScript camera_network_results(const SimRequest &, SimState &state) {
    Bytes reply(kNetworkResultsOffset + kNetworkResultEntries * sizeof(CameraNetworkResult), 0);
    const Bytes &results = state.records[kNetworkResults];
    int32_t count = static_cast<int32_t>(results.size() / sizeof(CameraNetworkResult));
    memcpy(reply.data() + kNetworkResultCountOffset, &count, sizeof count);
    memcpy(reply.data() + kNetworkResultsOffset, results.data(), results.size());
    return sim_one_reply(reply);
}

// 2503: the camera's model type (setting "camera_model_type", 1).
SimScript camera_model_type(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("camera_model_type", 1))}));
}

ChannelModelEntry channel_model(int channel, const SimState &state) {
    ChannelModelEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.chnid = channel;
    auto camera = state.records.find(camera_key(channel));
    if (camera == state.records.end()) return entry;
    CameraListEntry listed = record_of<CameraListEntry>(camera->second);
    memcpy(entry.ipaddr, listed.ipAddr, sizeof entry.ipaddr - 1);
    memcpy(entry.model, listed.model, sizeof entry.model - 1);
    memcpy(entry.fwversion, listed.fwVersion, sizeof entry.fwversion - 1);
    return entry;
}

// 2505: the models of all 64 channels; 2507: of one.
SimScript channel_models(const SimRequest &, SimState &state) {
    Bytes reply;
    for (int channel = 0; channel < kChannelModelEntries; channel++) {
        Bytes entry = bytes_of(channel_model(channel, state));
        reply.insert(reply.end(), entry.begin(), entry.end());
    }
    return sim_one_reply(reply);
}

SimScript one_channel_model(const SimRequest &request, SimState &state) {
    return sim_one_reply(bytes_of(channel_model(first_word(request.payload), state)));
}

// 2290 to 2293 (people counting), 1421 (point of sale), 1423 (report backup): done.
SimScript status_ok(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

const CannedEntry kCameraCanned[] = {
    {kRequestCameraAdded, camera_added},
    {kRequestCameraDeleted, camera_deleted},
    {kRequestSearchCameras, search_cameras},
    {kRequestCameraList, camera_list},
    {kRequestCheckCamera, check_camera},
    {kRequestCheckCameraPort, check_camera},
    {kRequestCameraNetwork, change_camera_network},
    {kRequestCameraNetworkItem, change_camera_network_item},
    {kRequestCameraNetworkResults, camera_network_results},
    {kRequestCameraModelType, camera_model_type},
    {kRequestChannelModels, channel_models},
    {kRequestChannelModel, one_channel_model},
    {2290, status_ok},
    {2291, status_ok},
    {2292, status_ok},
    {2293, status_ok},
    {1421, status_ok},
    {1423, status_ok},
};
NVR_SIM_CANNED(kCameraCanned)

}  // namespace
