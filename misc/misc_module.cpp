// Route module "/3300" (miscellaneous settings): route table and reply dispatcher.
#include "misc/misc_module.h"

#include "frame/dispatchreq.h"

// The dispatcher ignores every reply: the module only notifies.
int on_aging_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(10, "/3300")
