// Operation-log records (requests 3485 and 3509) and the user name of the request's cookie.
#ifndef NVR_CORE_OPLOG_H
#define NVR_CORE_OPLOG_H

#include <stddef.h>
#include <stdint.h>

#include "platform/qvsocket.h"

struct OperationLogRecord {
    int32_t main_type;     // 4: operation
    int32_t reserved0;
    int64_t sub_type;      // the operation
    int32_t reserved1;
    int32_t time;          // filled by the log store
    int32_t parameter;     // what the operation concerned, 900 = nothing in particular
    int32_t remote;        // 1: from the web interface
    int32_t channel;       // channel or object number
    char client_addr[46];  // REMOTE_ADDR, at most 45 characters
    char user_name[64];    // from the "userName" cookie
    uint8_t padding[2];
    int32_t detail_length;
    uint8_t detail[512];
    uint8_t reserved2[8];
};
static_assert(sizeof(OperationLogRecord) == 672, "operation-log record is 672 bytes");
static_assert(offsetof(OperationLogRecord, sub_type) == 8, "sub type at 8");
static_assert(offsetof(OperationLogRecord, time) == 20, "time at 20");
static_assert(offsetof(OperationLogRecord, parameter) == 24, "parameter at 24");
static_assert(offsetof(OperationLogRecord, remote) == 28, "remote at 28");
static_assert(offsetof(OperationLogRecord, channel) == 32, "channel at 32");
static_assert(offsetof(OperationLogRecord, client_addr) == 36, "client address at 36");
static_assert(offsetof(OperationLogRecord, user_name) == 82, "user name at 82");
static_assert(offsetof(OperationLogRecord, detail_length) == 148, "detail length at 148");
static_assert(offsetof(OperationLogRecord, detail) == 152, "detail at 152");
static_assert(offsetof(OperationLogRecord, reserved2) == 664, "reserved at 664");

// The record for a change applied to several channels (request 3509).
struct OperationLogRecordMulti {
    OperationLogRecord record;
    uint64_t channels;  // bit n for channel n
};
static_assert(sizeof(OperationLogRecordMulti) == 680, "multi-channel record is 680 bytes");
static_assert(offsetof(OperationLogRecordMulti, channels) == 672, "channel set at 672");

constexpr int kRequestOperationLog = 3485;
constexpr int kRequestOperationLogMulti = 3509;

// Zeroes the record and fills main type 4, remote 1, user name and client address.
int cgi_init_log_info(OperationLogRecord *record);

// The value of the "userName" cookie, at most 63 characters. -1 when absent.
int get_current_username(char *out);

// Records one operation: sub type, parameter, channel or object number (3485, no wait).
void cgi_log_operation(ReplyDispatcher dispatcher, int sub_type, int parameter, int channel);

// Sends a prepared record (3485, no wait).
void cgi_send_log_record(ReplyDispatcher dispatcher, const OperationLogRecord *record);

// Records one operation over a channel set (3509, no wait).
void cgi_log_operation_multi(ReplyDispatcher dispatcher, int sub_type, int parameter, uint64_t channels);

// The storage library's detail packer: the detail length lands at 148 and the bytes at 152.
// The block holds the detail type as a 32-bit word, then the data; cut to the 512-byte block.
int qvfs_log_pack_detail(OperationLogRecord *record, int detail_type, const void *data, int length);

#endif
