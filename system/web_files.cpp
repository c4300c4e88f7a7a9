// Routes of module "/1000" that serve fixed answers and record page operations.
#include "core/oplog.h"
#include "core/response.h"
#include "system/system_module.h"

// "/dw.cgi": downloads are not served here.
int on_dw_download(const char *) { return cgi_writeback_webserver(kTextPlain, "NG download"); }

// "/1014": the page records operation 202.
int on_log_operation_202(const char *) {
    cgi_log_operation(on_system_ipc_callback, 202, 900, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1019": an upload that needs no work; the frame removes the file afterwards.
int on_upload_noop(const char *) { return 0; }
