// The reply dispatcher of each route module, found by the module's leading path.
#ifndef NVR_FUZZ_MODULE_DISPATCHERS_H
#define NVR_FUZZ_MODULE_DISPATCHERS_H

#include "platform/qvsocket.h"

// The dispatcher of the module with that leading path ("/6000"), or null.
ReplyDispatcher module_reply_dispatcher(const char *module_path);

#endif
