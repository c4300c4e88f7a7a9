// Route module "/6020" (alarm inputs and outputs): route table and reply dispatcher.
#include "alarm/alarm_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_alarm_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(11, "/6020")
