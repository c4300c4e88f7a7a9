// Route module "/6030" (recording modes, schedules and holidays): handlers and the reply dispatcher.
#ifndef NVR_RECORD_RECORD_MODULE_H
#define NVR_RECORD_RECORD_MODULE_H

#include "platform/qvsocket.h"

int on_record_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
