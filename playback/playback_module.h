// Route module "/4000" (live view and playback): handlers and the reply dispatcher.
#ifndef NVR_PLAYBACK_PLAYBACK_MODULE_H
#define NVR_PLAYBACK_PLAYBACK_MODULE_H

#include "platform/qvsocket.h"

int on_stream_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
