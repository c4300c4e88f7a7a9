// Canned replies of the simulated daemon for module "/1000" (system administration).
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include <fstream>
#include <string>

#include "platform/make_dirs.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr size_t kLogRecordSize = 672;
constexpr size_t kLogPageEntries = 100;
constexpr size_t kExportDetailSize = 4096;
constexpr size_t kUpgradeInfoSize = 328;
constexpr int kChannels = 64;

void put_i32(Bytes &out, size_t offset, int32_t value) { memcpy(out.data() + offset, &value, 4); }
void put_text(Bytes &out, size_t offset, size_t size, const std::string &text) {
    memcpy(out.data() + offset, text.data(), text.size() < size ? text.size() : size - 1);
}
int32_t get_i32(const Bytes &in, size_t offset) {
    int32_t value = 0;
    if (offset + 4 <= in.size()) memcpy(&value, in.data() + offset, 4);
    return value;
}
int64_t get_i64(const Bytes &in, size_t offset) {
    int64_t value = 0;
    if (offset + 8 <= in.size()) memcpy(&value, in.data() + offset, 8);
    return value;
}

// Files the daemon writes for the web pages go beneath the device root of the environment
// (NVR_ROOT), as the program that reads them maps its paths.
std::string device_file(const std::string &device_path) {
    const char *root = getenv("NVR_ROOT");
    return (root ? std::string(root) : std::string()) + device_path;
}

void make_device_dir(const std::string &device_dir) { make_dirs(device_file(device_dir)); }

int next_file_number() {
    static int number = 0;
    return ++number;
}

// Requests whose reply is a single status word, 0 for success.
SimScript status_ok(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

// Upgrade statuses come from the settings "install_status", "download_status",
// "discard_status" and "camera_upgrade_status" (0 when unset).
SimScript install_reply(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("install_status", 0))}));
}
SimScript download_reply(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("download_status", 0))}));
}
SimScript discard_reply(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("discard_status", 0))}));
}

void fill_upgrade_info(Bytes &out, size_t offset, int state, const std::string &version) {
    put_i32(out, offset, state);
    put_i32(out, offset + 4, state ? 31457280 : 0);
    put_text(out, offset + 8, 64, version);
    put_text(out, offset + 72, 128, state ? "http://update.example/" + version + ".bin" : "");
    put_text(out, offset + 200, 128, state ? "Stability improvements" : "");
}

// 1715: a newer recorder image when the setting "online_state" is 1 (the default).
SimScript check_recorder_reply(const SimRequest &, SimState &state) {
    Bytes info(kUpgradeInfoSize, 0);
    fill_upgrade_info(info, 0, static_cast<int>(state.setting("online_state", 1)), "V2.4.1");
    return sim_one_reply(info);
}

// 3350: the requested channel's result.
SimScript camera_upgrade_reply(const SimRequest &request, SimState &state) {
    return sim_one_reply(
        sim_words({get_i32(request.payload, 0), static_cast<int32_t>(state.setting("camera_upgrade_status", 0))}));
}

// 3365: every asked channel has a newer image, the others none.
SimScript check_cameras_reply(const SimRequest &request, SimState &) {
    uint64_t set = static_cast<uint64_t>(get_i64(request.payload, 0));
    Bytes records(kChannels * kUpgradeInfoSize, 0);
    for (int n = 0; n < kChannels; n++)
        fill_upgrade_info(records, n * kUpgradeInfoSize, (set >> n) & 1, (set >> n) & 1 ? "IPC-V5.2" : "");
    return sim_one_reply(records);
}

// 3400: one system information record.
SimScript system_info_reply(const SimRequest &, SimState &) {
    Bytes record(592, 0);
    put_i32(record, 0, 1);     // device id
    put_i32(record, 4, 16);    // cameras
    put_i32(record, 16, 4);    // alarm inputs
    put_i32(record, 20, 1);    // alarm outputs
    put_i32(record, 28, 1);    // audio outputs
    put_i32(record, 32, 1);    // displays
    put_i32(record, 44, 1);    // RS-485 ports
    put_i32(record, 52, 1);    // network ports
    put_i32(record, 60, 3);    // customer version
    put_i32(record, 68, 1);    // dynamic DNS
    put_text(record, 72, 65, "NVR16A2024120700001");
    put_text(record, 137, 16, "NVR16A");
    put_text(record, 153, 32, "NVR-16CH");
    put_text(record, 185, 32, "V2.3.0 build 241207");
    put_text(record, 217, 32, "V1.1");
    put_text(record, 409, 32, "02:5A:3E:0A:19:C8");
    put_i32(record, 452, 1);   // two-way audio
    return sim_one_reply(record);
}

// Kept operation-log records get their time when first served, as the log store stamps them.
void stamp_log_times(SimState &state) {
    int32_t now = static_cast<int32_t>(time(nullptr));
    for (Bytes &record : state.operation_log)
        if (record.size() >= kLogRecordSize && get_i32(record, 20) == 0) put_i32(record, 20, now);
}

// Whether a kept record matches an 840-byte log query.
bool log_matches(const Bytes &record, const Bytes &query) {
    if (record.size() < kLogRecordSize || query.size() < 840) return false;
    int32_t time_stamp = get_i32(record, 20);
    if (time_stamp < get_i32(query, 0) || time_stamp > get_i32(query, 4)) return false;
    if (get_i32(record, 0) != get_i32(query, 8)) return false;
    int32_t count = get_i32(query, 816);
    if (count < 0 || count > 100) return false;
    bool any_sub = count > 0 && get_i64(query, 16) == 10;
    bool sub_listed = false;
    for (int32_t i = 0; i < count && !any_sub; i++)
        if (get_i64(query, 16 + 8 * static_cast<size_t>(i)) == get_i64(record, 8)) sub_listed = true;
    if (!any_sub && !sub_listed) return false;
    uint64_t channels = static_cast<uint64_t>(get_i64(query, 824));
    int32_t channel = get_i32(record, 32);
    if (get_i32(query, 832) == 0 && channels != 0 && (channel < 0 || channel > 63 || !((channels >> channel) & 1)))
        return false;
    return true;
}

// 3495: one page of up to 100 matching kept records.
SimScript log_search_reply(const SimRequest &request, SimState &state) {
    stamp_log_times(state);
    int32_t page = get_i32(request.payload, 820);
    if (page < 1) page = 1;
    Bytes reply(8 + kLogPageEntries * kLogRecordSize, 0);
    int32_t total = 0, in_page = 0;
    for (const Bytes &record : state.operation_log) {
        if (!log_matches(record, request.payload)) continue;
        if (total / static_cast<int32_t>(kLogPageEntries) == page - 1) {
            memcpy(reply.data() + 8 + in_page * kLogRecordSize, record.data(), kLogRecordSize);
            in_page++;
        }
        total++;
    }
    put_i32(reply, 0, total);
    put_i32(reply, 4, in_page);
    return sim_one_reply(reply);
}

// 3494: the matching records in an export file under "/tmp/log", its path in the reply.
SimScript log_export_reply(const SimRequest &request, SimState &state) {
    stamp_log_times(state);
    std::string device_path = "/tmp/log/export_" + std::to_string(next_file_number()) + ".dat";
    make_device_dir("/tmp/log");
    std::ofstream out(device_file(device_path), std::ios::binary);
    int32_t count = 0;
    for (const Bytes &record : state.operation_log) count += log_matches(record, request.payload) ? 1 : 0;
    out.write(reinterpret_cast<const char *>(&count), 4);
    for (const Bytes &record : state.operation_log) {
        if (!log_matches(record, request.payload)) continue;
        out.write(reinterpret_cast<const char *>(record.data()), kLogRecordSize);
        std::string detail(kExportDetailSize, '\0');
        std::string text = "Sub type " + std::to_string(get_i64(record, 8)) + ", parameter " +
                           std::to_string(get_i32(record, 24));
        detail.replace(0, text.size(), text);
        out.write(detail.data(), static_cast<std::streamsize>(detail.size()));
    }
    Bytes reply(68, 0);
    put_text(reply, 4, 64, out ? device_path : "");
    return sim_one_reply(reply);
}

// 3488: the long description of one entry.
SimScript log_detail_reply(const SimRequest &request, SimState &) {
    std::string text = "Operation " + std::to_string(get_i64(request.payload, 8)) + " on channel " +
                       std::to_string(get_i32(request.payload, 32) + 1) + " by " +
                       std::string(reinterpret_cast<const char *>(request.payload.data()) + 82,
                                   strnlen(reinterpret_cast<const char *>(request.payload.data()) + 82,
                                           request.payload.size() >= 146 ? 64 : 0));
    Bytes reply(text.begin(), text.end());
    reply.push_back(0);
    return sim_one_reply(reply);
}

// 3528: a diagnostic archive in the requested folder (the 64-byte text), its path in the reply.
SimScript diagnosis_reply(const SimRequest &request, SimState &) {
    std::string folder(reinterpret_cast<const char *>(request.payload.data()),
                       strnlen(reinterpret_cast<const char *>(request.payload.data()), request.payload.size()));
    if (folder.empty() || folder[0] != '/') folder = "/tmp";
    std::string device_path = folder + "/diagnosis_" + std::to_string(next_file_number()) + ".tar.gz";
    make_device_dir(folder);
    std::ofstream(device_file(device_path), std::ios::binary) << "diagnostic archive\n";
    Bytes reply(8 + 256, 0);
    put_text(reply, 8, 256, device_path);
    return sim_one_reply(reply);
}

// 4012: ten audio-file records; file 0 holds the factory sound "alarm.wav".
SimScript audio_files_reply(const SimRequest &, SimState &) {
    Bytes records(10 * 136, 0);
    for (int id = 0; id < 10; id++) put_i32(records, id * 136, id);
    put_i32(records, 4, 1);
    put_text(records, 8, 128, "YWxhcm0ud2F2");  // URL-safe Base64 of "alarm.wav"
    return sim_one_reply(records);
}

const CannedEntry kSystemCanned[] = {
    {1713, install_reply},         // install the recorder image
    {1715, check_recorder_reply},  // online check of the recorder image
    {1716, download_reply},        // download an image
    {1717, discard_reply},         // discard the camera image
    {3350, camera_upgrade_reply},  // upgrade one camera
    {3365, check_cameras_reply},   // online check of camera images
    {3400, system_info_reply},     // system information
    {3488, log_detail_reply},      // log entry detail
    {3494, log_export_reply},      // log export
    {3495, log_search_reply},      // log search
    {3528, diagnosis_reply},       // diagnostic archive
    {4012, audio_files_reply},     // audio file list
    {4013, status_ok},             // rename an uploaded sound
    {4014, status_ok},             // delete audio files
    {4015, status_ok},             // rename an audio file
    {4016, status_ok},             // audio file request
};
NVR_SIM_CANNED(kSystemCanned)

}  // namespace
