// Route module "/3300" (miscellaneous settings): handlers and the reply dispatcher.
#ifndef NVR_MISC_MISC_MODULE_H
#define NVR_MISC_MISC_MODULE_H

#include "platform/qvsocket.h"

int on_aging_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
