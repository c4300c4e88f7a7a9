// Detail blocks of the storage operation-log records: network shares (kinds 101 and 110) and
// disk formats (kind 102), packed into the record with qvfs_log_pack_detail.
#ifndef NVR_CORE_OPLOG_DETAILS_H
#define NVR_CORE_OPLOG_DETAILS_H

#include <stddef.h>
#include <stdint.h>

#include "core/oplog.h"

constexpr int kLogDetailNasList = 101;    // a share added with a list, or removed
constexpr int kLogDetailFormat = 102;     // a disk format and its outcome
constexpr int kLogDetailNasAdded = 110;   // one share added

// A network share: "NFS" or "SMB/CIFS", its address and its directory.
struct NasLogDetail {
    char protocol[16];
    char address[64];
    char directory[128];
};
static_assert(offsetof(NasLogDetail, address) == 16, "share address at 16");
static_assert(offsetof(NasLogDetail, directory) == 80, "share directory at 80");
static_assert(sizeof(NasLogDetail) == 208, "share detail is 208 bytes");

// A disk format: eighteen words, the port in word 16 and the outcome (1 done, -1 not) in word 17.
struct FormatLogDetail {
    int32_t reserved[16];
    int32_t port;
    int32_t outcome;
};
static_assert(offsetof(FormatLogDetail, port) == 64, "format port at word 16");
static_assert(sizeof(FormatLogDetail) == 72, "format detail is 72 bytes");

// Packs a share detail of the kind; the texts are cut to their fields.
int pack_nas_log_detail(OperationLogRecord *record, int kind, const char *protocol, const char *address,
                        const char *directory);

// Packs a format detail (kind 102).
int pack_format_log_detail(OperationLogRecord *record, int port, bool formatted);

#endif
