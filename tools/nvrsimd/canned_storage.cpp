// Canned replies of the simulated daemon for module "/6100" (storage): two SATA disks plus the
// network shares added since it started, formats with progress, RAID and share requests that
// succeed, a share search, quotas and the eSATA backup.
#include <stdio.h>
#include <string.h>

#include <string>

#include "storage/storage_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr int kPorts = 36;
constexpr long kFormatMillis = 10000;  // a format takes ten seconds
constexpr int32_t kNfsShare = 3;        // shares are reported as NFS

int32_t request_word(const SimRequest &request, size_t index) {
    int32_t value = 0;
    if ((index + 1) * 4 <= request.payload.size()) memcpy(&value, request.payload.data() + index * 4, 4);
    return value;
}

template <typename Record>
Bytes record_bytes(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

template <size_t N>
void put_text(char (&field)[N], const std::string &text) {
    snprintf(field, N, "%s", text.c_str());
}

std::string share_key(int port) { return "share_port_" + std::to_string(port); }
std::string formatted_key(int port) { return "formatted_port_" + std::to_string(port); }
// Milliseconds since the simulator's first request: the kept settings are `long`, 32 bits on the
// device, where milliseconds since 1970 do not fit.
long now_millis(const SimRequest &request) {
    static const double first = request.time;
    return static_cast<long>((request.time - first) * 1000.0);
}

SimScript status_ok(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

StorageRecord sata_disk(int port, const char *vendor, uint64_t total_bytes, bool formatted) {
    StorageRecord disk;
    memset(&disk, 0, sizeof disk);
    disk.port = port;
    put_text(disk.vendor, vendor);
    disk.state = 1;
    disk.usable = 1;
    disk.total_size = total_bytes;
    disk.used_size = formatted ? 0 : total_bytes / 5 * 3;
    disk.free_size = disk.total_size - disk.used_size;
    disk.type = 1;
    disk.property = 1;
    return disk;
}

StorageRecord share_disk(int port) {
    StorageRecord disk;
    memset(&disk, 0, sizeof disk);
    disk.port = port;
    disk.state = 1;
    disk.usable = 1;
    disk.total_size = 4000787030016ULL;
    disk.used_size = 1000204886016ULL;
    disk.free_size = disk.total_size - disk.used_size;
    disk.type = kNfsShare;
    disk.property = 1;
    return disk;
}

// 3433: the two SATA disks, then every share that was added and not removed.
SimScript disk_list(const SimRequest &, SimState &state) {
    Bytes out;
    auto append = [&out](const StorageRecord &disk) {
        Bytes bytes = record_bytes(disk);
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    append(sata_disk(1, "ST2000VX015-3CU1", 2000398934016ULL, state.setting(formatted_key(1), 0) != 0));
    append(sata_disk(2, "WD40PURZ-85TTDY0", 4000787030016ULL, state.setting(formatted_key(2), 0) != 0));
    for (int port = 1; port <= kPorts; port++)
        if (state.setting(share_key(port), 0) != 0) append(share_disk(port));
    return sim_one_reply(out);
}

// 3434: the format starts at once and runs for ten seconds (progress through 3540).
SimScript format_disk(const SimRequest &request, SimState &state) {
    int port = request_word(request, 0);
    state.settings["format_port"] = port;
    state.settings["format_started_ms"] = now_millis(request);
    state.settings[formatted_key(port)] = 1;
    return sim_one_reply(sim_words({0}));
}

// 3540: status 1 while the last format runs, then 0 at 100 percent.
SimScript format_progress(const SimRequest &request, SimState &state) {
    FormatProgressRecord progress;
    memset(&progress, 0, sizeof progress);
    long started = state.setting("format_started_ms", -1);
    if (started >= 0) {
        long elapsed = now_millis(request) - started;
        long percent = elapsed >= kFormatMillis ? 100 : (elapsed < 0 ? 0 : elapsed * 100 / kFormatMillis);
        progress.status = percent < 100 ? 1 : 0;
        progress.percent = static_cast<uint8_t>(percent);
        progress.port = static_cast<uint8_t>(state.setting("format_port", 0));
        progress.type = 1;
    }
    return sim_one_reply(record_bytes(progress));
}

// 3507 and 3439: shares added on the ports of the list, or on one port.
SimScript add_shares(const SimRequest &request, SimState &state) {
    int count = request_word(request, 0);
    for (int i = 0; i < count && i < kPortListPorts; i++) state.settings[share_key(request_word(request, 1 + i))] = 1;
    return sim_one_reply(sim_words({0}));
}
SimScript add_share(const SimRequest &request, SimState &state) {
    state.settings[share_key(request_word(request, 0))] = 1;
    return sim_one_reply(sim_words({0}));
}

// 3508 and 3496: shares or disks removed.
SimScript remove_shares(const SimRequest &request, SimState &state) {
    int count = request_word(request, 0);
    for (int i = 0; i < count && i < kPortListPorts; i++) state.settings.erase(share_key(request_word(request, 1 + i)));
    return sim_one_reply(sim_words({0}));
}
SimScript remove_disk(const SimRequest &request, SimState &state) {
    state.settings.erase(share_key(request_word(request, 0)));
    return sim_one_reply(sim_words({0}));
}

// 3440: a server offers two shares.
SimScript search_shares(const SimRequest &, SimState &) {
    static const char *const kPaths[] = {"/export/recordings", "/srv/nvr"};
    Bytes out = sim_words({2});
    for (const char *path : kPaths) {
        Bytes field(kSharePathSize, 0);
        memcpy(field.data(), path, strlen(path));
        out.insert(out.end(), field.begin(), field.end());
    }
    return sim_one_reply(out);
}

// 3475 and 3431: the recycle mode is remembered.
SimScript set_recycle(const SimRequest &request, SimState &state) {
    state.settings["recycle_mode"] = request_word(request, 0);
    state.settings["recycle_esata"] = request_word(request, 1);
    return sim_one_reply(sim_words({0}));
}
SimScript recycle_mode(const SimRequest &, SimState &state) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting("recycle_mode", 1)),
                                    static_cast<int32_t>(state.setting("recycle_esata", 0))}));
}

// 3403: the drive's self-assessment, two records of 40 bytes.
SimScript smart_report(const SimRequest &, SimState &) {
    static const char kText[] = "SMART overall-health test result: PASSED";
    Bytes out(80, 0);
    memcpy(out.data(), kText, sizeof kText - 1);
    return sim_one_reply(out);
}

// 3530 and 3529: the quotas are remembered; the space used is half of each quota.
std::string quota_key(int i, const char *field) { return "quota_" + std::to_string(i) + "_" + field; }
SimScript set_quota(const SimRequest &request, SimState &state) {
    int count = request_word(request, 1);
    if (count < 0) count = 0;
    if (count > kQuotaEntries) count = kQuotaEntries;
    state.settings["quota_enable"] = request_word(request, 0);
    state.settings["quota_count"] = count;
    for (int i = 0; i < count; i++) {
        state.settings[quota_key(i, "channel")] = request_word(request, 2 + 5 * i);
        state.settings[quota_key(i, "video")] = request_word(request, 3 + 5 * i);
        state.settings[quota_key(i, "picture")] = request_word(request, 4 + 5 * i);
    }
    return sim_one_reply(sim_words({0}));
}
SimScript quota(const SimRequest &, SimState &state) {
    int count = static_cast<int>(state.setting("quota_count", 0));
    Bytes out = sim_words({static_cast<int32_t>(state.setting("quota_enable", 0)), count});
    for (int i = 0; i < count; i++) {
        int32_t video = static_cast<int32_t>(state.setting(quota_key(i, "video"), 0));
        int32_t picture = static_cast<int32_t>(state.setting(quota_key(i, "picture"), 0));
        QuotaReplyEntry entry = {static_cast<int32_t>(state.setting(quota_key(i, "channel"), 0)), video, picture,
                                 video / 2, picture / 2};
        Bytes bytes = record_bytes(entry);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return sim_one_reply(out);
}

// 1317: a backup at 42.5 percent.
SimScript backup_progress(const SimRequest &, SimState &) {
    BackupProgressReply progress;
    memset(&progress, 0, sizeof progress);
    progress.status = 1;
    put_text(progress.last_time, "2024-12-07 02:00:00");
    progress.percent = 42.5f;
    progress.capacity = 953869;
    return sim_one_reply(record_bytes(progress));
}

// 3457: two eSATA disks, the second ready for an export.
SimScript export_disks(const SimRequest &, SimState &) {
    Bytes out(2 * kExportDiskRecordSize, 0);
    const int32_t records[2][2] = {{33, 3}, {34, kExportDiskReady}};
    for (int i = 0; i < 2; i++) {
        memcpy(out.data() + i * kExportDiskRecordSize, &records[i][0], 4);
        memcpy(out.data() + i * kExportDiskRecordSize + kExportDiskStateOffset, &records[i][1], 4);
    }
    return sim_one_reply(out);
}

const CannedEntry kStorageCanned[] = {
    {kRequestDiskList, disk_list},
    {kRequestFormatDisk, format_disk},
    {kRequestFormatProgress, format_progress},
    {kRequestCreateRaid, status_ok},
    {kRequestRemoveRaid, status_ok},
    {kRequestAddHotSpare, status_ok},
    {kRequestRemoveHotSpare, status_ok},
    {kRequestRebuildRaid, status_ok},
    {kRequestAddShares, add_shares},
    {kRequestAddShare, add_share},
    {kRequestRemoveShares, remove_shares},
    {kRequestRemoveDisk, remove_disk},
    {kRequestSearchShares, search_shares},
    {kRequestSetRecycle, set_recycle},
    {kRequestRecycleMode, recycle_mode},
    {kRequestSmart, smart_report},
    {kRequestSetQuota, set_quota},
    {kRequestQuota, quota},
    {kRequestEsataBackup, status_ok},
    {kRequestEsataBackupProgress, backup_progress},
    {kRequestExportDisks, export_disks},
    {kRequestFormatEsata, status_ok},
    {kRequestBackupStatus, status_ok},
    {kRequestStopBackup, status_ok},
};
NVR_SIM_CANNED(kStorageCanned)

}  // namespace
