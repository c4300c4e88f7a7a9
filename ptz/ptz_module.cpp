// Route module "/5000" (PTZ control): route table and reply dispatcher.
#include "ptz/ptz_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_ptz_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(8, "/5000")
