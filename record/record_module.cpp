// Route module "/6030" (recording modes, schedules and holidays): route table and reply dispatcher.
#include "record/record_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_record_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(5, "/6030")
