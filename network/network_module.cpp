// Route module "/7000" (network interfaces, ports and services): route table and reply dispatcher.
#include "network/network_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_network_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(6, "/7000")
