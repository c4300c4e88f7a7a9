// Route module "/8000" (status and diagnostics): route table and reply dispatcher.
#include "status/status_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_status_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(2, "/8000")
