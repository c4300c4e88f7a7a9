// Detail blocks of the storage operation-log records.
#include "core/oplog_details.h"

#include <string.h>

#include "core/web_utils.h"

int pack_nas_log_detail(OperationLogRecord *record, int kind, const char *protocol, const char *address,
                        const char *directory) {
    NasLogDetail detail;
    memset(&detail, 0, sizeof detail);
    copy_text_field(detail.protocol, sizeof detail.protocol, protocol ? protocol : "");
    copy_text_field(detail.address, sizeof detail.address, address ? address : "");
    copy_text_field(detail.directory, sizeof detail.directory, directory ? directory : "");
    return qvfs_log_pack_detail(record, kind, &detail, sizeof detail);
}

int pack_format_log_detail(OperationLogRecord *record, int port, bool formatted) {
    FormatLogDetail detail;
    memset(&detail, 0, sizeof detail);
    detail.port = port;
    detail.outcome = formatted ? 1 : -1;
    return qvfs_log_pack_detail(record, kLogDetailFormat, &detail, sizeof detail);
}
