// Restart, restore and configuration routes of module "/1000".
#include "core/ipc.h"
#include "core/oplog.h"
#include "core/response.h"
#include "system/system_module.h"

constexpr int kRequestRestart = 1703;

// "/1004": record the restart (200, 900), ask the daemon to restart, answer "OK".
int on_restart_device(const char *) {
    cgi_log_operation(on_system_ipc_callback, 200, 900, 0);
    cgi_notify_daemon(on_system_ipc_callback, kRequestRestart, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
