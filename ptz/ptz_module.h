// Route module "/5000" (PTZ control): handlers and the reply dispatcher.
#ifndef NVR_PTZ_PTZ_MODULE_H
#define NVR_PTZ_PTZ_MODULE_H

#include "platform/qvsocket.h"

int on_ptz_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
