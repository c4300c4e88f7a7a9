// Route module "/6100" (storage: disks, RAID, network storage and backup): handlers and the reply dispatcher.
#ifndef NVR_STORAGE_STORAGE_MODULE_H
#define NVR_STORAGE_STORAGE_MODULE_H

#include "platform/qvsocket.h"

int on_storage_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
