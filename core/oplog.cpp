// Operation-log records (requests 3485 and 3509) and the user name of the request's cookie.
#include "core/oplog.h"

#include <string.h>

#include "core/ipc.h"
#include "core/web_utils.h"
#include "frame/cgi_env.h"

namespace {

// The cookie pair named "userName": at the start of the cookie or after ';' and white space.
const char *find_user_name_pair(const char *cookie) {
    static const char kName[] = "userName";
    for (const char *p = strstr(cookie, kName); p; p = strstr(p + 1, kName)) {
        const char *before = p;
        while (before > cookie && (before[-1] == ' ' || before[-1] == '\t')) before--;
        if (before == cookie || before[-1] == ';') return p;
    }
    return nullptr;
}

}  // namespace

int get_current_username(char *out) {
    if (!out) return -1;
    out[0] = '\0';
    const char *pair = find_user_name_pair(cgiCookie);
    if (!pair) return -1;
    const char *value = pair + strlen("userName");
    if (*value == '=') value++;  // "userName=" is skipped; never past the cookie's end
    size_t length = strcspn(value, ";");
    const char *eq = static_cast<const char *>(memchr(value, '=', length));
    if (eq) {
        length -= static_cast<size_t>(eq + 1 - value);
        value = eq + 1;
    }
    copy_text_span(out, 64, value, length);
    return 0;
}

int cgi_init_log_info(OperationLogRecord *record) {
    if (!record) return -1;
    memset(record, 0, sizeof *record);
    record->main_type = 4;
    record->remote = 1;
    get_current_username(record->user_name);
    copy_text_field(record->client_addr, sizeof record->client_addr, cgiRemoteAddr);
    return 0;
}

void cgi_send_log_record(ReplyDispatcher dispatcher, const OperationLogRecord *record) {
    cgi_notify_daemon(dispatcher, kRequestOperationLog, record, sizeof *record);
}

void cgi_log_operation(ReplyDispatcher dispatcher, int sub_type, int parameter, int channel) {
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = sub_type;
    record.parameter = parameter;
    record.channel = channel;
    cgi_send_log_record(dispatcher, &record);
}

void cgi_log_operation_multi(ReplyDispatcher dispatcher, int sub_type, int parameter, uint64_t channels) {
    OperationLogRecordMulti multi;
    cgi_init_log_info(&multi.record);
    multi.record.sub_type = sub_type;
    multi.record.parameter = parameter;
    multi.channels = channels;
    cgi_notify_daemon(dispatcher, kRequestOperationLogMulti, &multi, sizeof multi);
}

int qvfs_log_pack_detail(OperationLogRecord *record, int detail_type, const void *data, int length) {
    if (!record || length < 0 || (length > 0 && !data)) return -1;
    int room = static_cast<int>(sizeof record->detail) - 4;
    if (length > room) length = room;
    memset(record->detail, 0, sizeof record->detail);
    int32_t type = detail_type;
    memcpy(record->detail, &type, 4);
    if (length > 0) memcpy(record->detail + 4, data, static_cast<size_t>(length));
    record->detail_length = length + 4;
    return 0;
}
