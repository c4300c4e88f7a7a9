// Route module "/6100" (storage: disks, RAID, network storage and backup): route table and reply dispatcher.
#include "storage/storage_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_storage_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(1, "/6100")
