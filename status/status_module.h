// Route module "/8000" (status and diagnostics): handlers and the reply dispatcher.
#ifndef NVR_STATUS_STATUS_MODULE_H
#define NVR_STATUS_STATUS_MODULE_H

#include "platform/qvsocket.h"

int on_status_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
