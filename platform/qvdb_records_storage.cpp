// Database tables of storage: configured disks, disk groups and the eSATA auto-backup settings.
#include <string.h>

#include <memory>

#include "core/qvdb_storage.h"

namespace {

const QvdbField kDiskFields[] = {
    QVDB_FIELD(DiskEntry, port, "port"),
    QVDB_FIELD(DiskEntry, enable, "enable"),
    QVDB_FIELD(DiskEntry, vendor, "vendor"),
    QVDB_FIELD(DiskEntry, address, "address"),
    QVDB_FIELD(DiskEntry, directory, "directory"),
    QVDB_FIELD(DiskEntry, type, "type"),
    QVDB_FIELD(DiskEntry, group, "disk_group"),
    QVDB_FIELD(DiskEntry, property, "property"),
    QVDB_FIELD(DiskEntry, reserved, "reserved"),
    QVDB_FIELD(DiskEntry, userName, "userName"),
    QVDB_FIELD(DiskEntry, password, "password"),
};
// A factory-new device has no configured disk.
const QvdbShape kDiskShape = qvdb_record_shape(kQvdbSettings, sizeof(DiskEntry), QVDB_FIELDS(kDiskFields), "port",
                                               kDiskPorts + 1, 0);
QVDB_TABLE(kDiskTable, "disk", kDiskShape);

const QvdbField kDiskGroupFields[] = {
    QVDB_FIELD(DiskGroupEntry, id, "id"),
    QVDB_FIELD(DiskGroupEntry, channel, "channel"),
};
const QvdbShape kDiskGroupShape = qvdb_record_shape(kQvdbSettings, sizeof(DiskGroupEntry),
                                                    QVDB_FIELDS(kDiskGroupFields), "id", kDiskGroups, kDiskGroups);
QVDB_TABLE(kDiskGroupTable, "disk_group", kDiskGroupShape);

const QvdbField kEsataBackupFields[] = {
    QVDB_FIELD(EsataBackupSettings, id, "id"),
    QVDB_FIELD(EsataBackupSettings, enable, "enable"),
    QVDB_FIELD(EsataBackupSettings, backupTime, "backupTime"),
    QVDB_FIELD(EsataBackupSettings, streamType, "streamType"),
    QVDB_FIELD(EsataBackupSettings, fileType, "fileType"),
    QVDB_FIELD(EsataBackupSettings, recycle, "recycle"),
    QVDB_FIELD(EsataBackupSettings, channel, "channel"),
    QVDB_FIELD(EsataBackupSettings, device, "device"),
    QVDB_FIELD(EsataBackupSettings, port, "port"),
};
const QvdbShape kEsataBackupShape = qvdb_record_shape(kQvdbSettings, sizeof(EsataBackupSettings),
                                                      QVDB_FIELDS(kEsataBackupFields), "id", 1, 1);
QVDB_TABLE(kEsataBackupTable, "esata_auto_backup", kEsataBackupShape);

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(disk, DiskEntry, kDiskTable)
QVDB_DEFINE_RECORD_FUNCTIONS(group, DiskGroupEntry, kDiskGroupTable)

int read_disk_table(const char *db, DiskEntry disks[kDiskPorts + 1]) {
    if (!disks) return -1;
    memset(disks, 0, sizeof(DiskEntry) * (kDiskPorts + 1));
    std::unique_ptr<DiskEntry[]> stored(new DiskEntry[kDiskPorts + 1]());
    int count = 0;
    if (read_disks(db, stored.get(), &count) != 0) return -1;
    for (int i = 0; i < count && i <= kDiskPorts; i++)
        if (stored[i].port >= 0 && stored[i].port <= kDiskPorts) disks[stored[i].port] = stored[i];
    return 0;
}

DiskEntry blank_disk_entry(int port) {
    DiskEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.port = port;
    entry.property = 1;
    return entry;
}

int read_esata_auto_backup(const char *db, EsataBackupSettings *settings) {
    return settings ? qvdb_read_record(db, kEsataBackupTable, settings, 0) : -1;
}

int write_esata_auto_backup(const char *db, const EsataBackupSettings *settings) {
    if (!settings) return -1;
    EsataBackupSettings copy = *settings;
    copy.id = 0;
    return qvdb_write_record(db, kEsataBackupTable, &copy);
}
