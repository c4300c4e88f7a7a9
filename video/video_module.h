// Route module "/6000" (video and event settings): handlers and the reply dispatcher.
#ifndef NVR_VIDEO_VIDEO_MODULE_H
#define NVR_VIDEO_VIDEO_MODULE_H

#include "platform/qvsocket.h"

// Reply dispatcher of every "/6000" route that waits for the daemon.
int on_video_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

#endif
