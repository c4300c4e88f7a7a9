// Configuration database records of storage: the configured disk entries (local disks and
// network shares), the disk groups and the eSATA auto-backup settings.
#ifndef NVR_CORE_QVDB_STORAGE_H
#define NVR_CORE_QVDB_STORAGE_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// Disk positions ("ports") are 1 to 36; the table also keeps a row for port 0.
constexpr int kDiskPorts = 36;

// Disk types of the daemon that this program tells apart.
constexpr int kDiskTypeNfs = 3;
constexpr int kDiskTypeRaid = 4;
constexpr int kDiskTypeSmb = 10;

inline bool is_network_disk_type(int type) { return type == kDiskTypeNfs || type == kDiskTypeSmb; }

// One configured disk (table "disk", keyed by "port" 0 to 36). A network share is an entry with
// enable 1, property 1 and a network type.
struct DiskEntry {
    int32_t port;
    int32_t enable;  // 1: configured
    char vendor[64];
    char address[64];
    char directory[128];
    int32_t type;
    int32_t group;
    int32_t property;
    int32_t reserved;
    char userName[33];
    char password[33];
};
static_assert(offsetof(DiskEntry, vendor) == 8, "disk vendor at 8");
static_assert(offsetof(DiskEntry, directory) == 136, "disk directory at 136");
static_assert(offsetof(DiskEntry, type) == 264, "disk type at 264");
static_assert(offsetof(DiskEntry, userName) == 280, "disk user name at 280");
static_assert(offsetof(DiskEntry, password) == 313, "disk password at 313");
static_assert(sizeof(DiskEntry) == 348, "disk entry is 348 bytes");

// One disk group (table "disk_group", keyed by "id" 0 to 15): the channels recorded on its
// disks, as a channel string.
struct DiskGroupEntry {
    int32_t id;
    char channel[65];
};
static_assert(sizeof(DiskGroupEntry) == 72, "disk group entry is 72 bytes");

constexpr int kDiskGroups = 16;

// The eSATA auto-backup settings: one record (table "esata_auto_backup", id 0), 128 bytes.
struct EsataBackupSettings {
    int32_t enable;
    int32_t id;  // always 0
    char backupTime[32];
    int32_t streamType;
    int32_t fileType;
    int32_t recycle;
    char channel[65];
    int32_t device;
    int32_t port;
};
static_assert(offsetof(EsataBackupSettings, backupTime) == 8, "backup time at 8");
static_assert(offsetof(EsataBackupSettings, streamType) == 40, "stream type at 40");
static_assert(offsetof(EsataBackupSettings, channel) == 52, "backup channels at 52");
static_assert(offsetof(EsataBackupSettings, device) == 120, "backup device at 120");
static_assert(sizeof(EsataBackupSettings) == 128, "eSATA backup settings are 128 bytes");

QVDB_DECLARE_RECORD_FUNCTIONS(disk, DiskEntry)
QVDB_DECLARE_RECORD_FUNCTIONS(group, DiskGroupEntry)

// Every configured disk placed by port: disks[p] is the entry of port p, 0 to 36 (a port without
// a stored entry reads as zeros). 0 on success.
int read_disk_table(const char *db, DiskEntry disks[kDiskPorts + 1]);

// The blank entry of a port: port set, property 1, everything else 0.
DiskEntry blank_disk_entry(int port);

int read_esata_auto_backup(const char *db, EsataBackupSettings *settings);
int write_esata_auto_backup(const char *db, const EsataBackupSettings *settings);

#endif
