// Daemon payloads of the storage routes: the storage record of the disk list, RAID, port lists,
// share search, quotas, disk groups, backup progress, export disks and format progress.
// Little-endian, as the daemon reads and writes them.
#ifndef NVR_STORAGE_STORAGE_PAYLOADS_H
#define NVR_STORAGE_STORAGE_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

// Requests of module "/6100" (the reply to request N is N + 5000).
constexpr int kRequestFormatDisk = 3434;
constexpr int kRequestDiskList = 3433;
constexpr int kRequestDiskProperty = 3435;
constexpr int kRequestCreateRaid = 3420;
constexpr int kRequestRemoveRaid = 3421;
constexpr int kRequestAddHotSpare = 3423;
constexpr int kRequestRemoveHotSpare = 3424;
constexpr int kRequestRebuildRaid = 3425;
constexpr int kRequestSmart = 3403;
constexpr int kRequestRecycleMode = 3431;
constexpr int kRequestAddShare = 3439;
constexpr int kRequestSearchShares = 3440;
constexpr int kRequestGroupMode = 3442;
constexpr int kRequestGroupChannels = 3436;
constexpr int kRequestExportDisks = 3457;
constexpr int kRequestSetRecycle = 3475;
constexpr int kRequestRemoveDisk = 3496;
constexpr int kRequestAddShares = 3507;
constexpr int kRequestRemoveShares = 3508;
constexpr int kRequestQuota = 3529;
constexpr int kRequestSetQuota = 3530;
constexpr int kRequestFormatEsata = 3535;
constexpr int kRequestBackupStatus = 3536;
constexpr int kRequestStopBackup = 3537;
constexpr int kRequestFormatProgress = 3540;
constexpr int kRequestGroupsChanged = 1307;
constexpr int kRequestEsataBackup = 1316;
constexpr int kRequestEsataBackupProgress = 1317;

// One disk as the daemon sees it (reply 8433 carries one per 464 bytes).
struct StorageRecord {
    int32_t port;  // 1 to 36; 0: an empty slot
    char vendor[64];
    char address[64];    // network shares
    char directory[64];  // network shares
    char unused0[64];
    int32_t state;
    int32_t usable;
    int32_t unused1;
    uint64_t total_size;  // bytes
    uint64_t used_size;
    uint64_t free_size;
    int32_t type;
    int32_t group;
    int32_t property;
    int32_t unused2;
    int32_t raid_level;
    int32_t raid_state;
    int32_t raid_progress;
    int32_t raid_member_count;
    int32_t raid_member[16];  // member disk ports
    char user_name[33];
    char password[33];
    char unused3[6];
};
static_assert(offsetof(StorageRecord, address) == 68, "storage address at 68");
static_assert(offsetof(StorageRecord, directory) == 132, "storage directory at 132");
static_assert(offsetof(StorageRecord, state) == 260, "storage state at 260");
static_assert(offsetof(StorageRecord, total_size) == 272, "storage sizes at 272");
static_assert(offsetof(StorageRecord, type) == 296, "storage type at 296");
static_assert(offsetof(StorageRecord, raid_level) == 312, "RAID level at 312");
static_assert(offsetof(StorageRecord, raid_member) == 328, "RAID members at 328");
static_assert(offsetof(StorageRecord, user_name) == 392, "share user at 392");
static_assert(offsetof(StorageRecord, password) == 425, "share password at 425");
static_assert(sizeof(StorageRecord) == 464, "storage record is 464 bytes");

constexpr int kRaidMembers = 16;

// 3435: a disk's property and group.
struct DiskPropertyRequest {
    int32_t port;
    int32_t property;
    int32_t group;
    int32_t private_flag;
};
static_assert(sizeof(DiskPropertyRequest) == 16, "disk property request is 16 bytes");

// 3420 and 3421: a RAID array (3421 carries only its port).
struct RaidRequest {
    int32_t id;
    int32_t enable;
    int32_t level;
    int32_t reserved[2];
    int32_t member_count;
    int32_t member[kRaidMembers];
    int32_t tail[4];
};
static_assert(offsetof(RaidRequest, member_count) == 20, "RAID member count at word 5");
static_assert(offsetof(RaidRequest, member) == 24, "RAID members from word 6");
static_assert(sizeof(RaidRequest) == 104, "RAID request is 104 bytes");

// 3425: rebuild a RAID array with a disk.
struct RebuildRaidRequest {
    int32_t disk_port;
    int32_t raid_port;
};
static_assert(sizeof(RebuildRaidRequest) == 8, "rebuild request is 8 bytes");

constexpr int kPortListPorts = 33;

// 3507 and 3508: the ports of shares added or removed.
struct PortList {
    int32_t count;
    int32_t port[kPortListPorts];
};
static_assert(sizeof(PortList) == 136, "port list is 136 bytes");

// 3440: search a server for shares.
struct ShareSearchRequest {
    int32_t port;
    char server[64];
};
static_assert(sizeof(ShareSearchRequest) == 68, "share search request is 68 bytes");

constexpr int kSharePathSize = 256;  // 8440: count at 0, then paths of 256 bytes from 4

// 3475: the recycle (overwrite) mode.
struct RecycleModeRequest {
    int32_t mode;
    int32_t esata;
};
static_assert(sizeof(RecycleModeRequest) == 8, "recycle mode request is 8 bytes");

constexpr int kQuotaEntries = 16;

// 3530: per-channel quotas.
struct QuotaEntry {
    int32_t channel;
    int32_t video_quota;
    int32_t picture_quota;
    int32_t reserved[2];
};
struct QuotaSetRequest {
    int32_t enable;
    int32_t count;
    QuotaEntry entry[kQuotaEntries];
};
static_assert(sizeof(QuotaEntry) == 20, "quota entry is 20 bytes");
static_assert(sizeof(QuotaSetRequest) == 328, "quota request is 328 bytes");

// 8529: enable at 0, count at 4, then entries of 20 bytes from 8.
struct QuotaReplyEntry {
    int32_t channel;
    int32_t video_quota;
    int32_t picture_quota;
    int32_t video_used;
    int32_t picture_used;
};
static_assert(sizeof(QuotaReplyEntry) == 20, "quota reply entry is 20 bytes");
constexpr int kQuotaReplyHeader = 8;

// 3436: the channels of a disk group change.
struct GroupChangeRequest {
    int32_t group;
    char new_channels[65];
    char old_channels[65];
    char padding[2];
};
static_assert(offsetof(GroupChangeRequest, old_channels) == 69, "old channels at 69");
static_assert(sizeof(GroupChangeRequest) == 136, "group change is 136 bytes");

// 6317: the eSATA auto-backup progress.
struct BackupProgressReply {
    int32_t status;
    char last_time[32];
    float percent;
    int32_t capacity;
};
static_assert(offsetof(BackupProgressReply, percent) == 36, "backup percent at 36");
static_assert(sizeof(BackupProgressReply) == 44, "backup progress is 44 bytes");

// 8457: one disk that can take an export; state 5 is the one to use.
constexpr int kExportDiskRecordSize = 184;
constexpr int kExportDiskStateOffset = 152;
constexpr int kExportDiskReady = 5;

// 8540: format progress records.
struct FormatProgressRecord {
    int32_t status;
    uint8_t percent;
    uint8_t port;
    uint8_t padding[2];
    int32_t type;
};
static_assert(sizeof(FormatProgressRecord) == 12, "format progress record is 12 bytes");

#endif
