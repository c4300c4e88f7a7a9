// Route module "/6020" (alarm inputs and outputs): handlers and the reply dispatcher.
#ifndef NVR_ALARM_ALARM_MODULE_H
#define NVR_ALARM_ALARM_MODULE_H

#include "platform/qvsocket.h"

int on_alarm_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
