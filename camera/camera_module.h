// Route module "/2001" (camera-side settings): handlers and the reply dispatcher.
#ifndef NVR_CAMERA_CAMERA_MODULE_H
#define NVR_CAMERA_CAMERA_MODULE_H

#include "platform/qvsocket.h"

int on_camera_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
