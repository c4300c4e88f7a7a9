// Route module "/7000" (network interfaces, ports and services): handlers and the reply dispatcher.
#ifndef NVR_NETWORK_NETWORK_MODULE_H
#define NVR_NETWORK_NETWORK_MODULE_H

#include "platform/qvsocket.h"

int on_network_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
