// Route module "/2001" (camera-side settings): route table and reply dispatcher.
#include "camera/camera_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_camera_ipc_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(4, "/2001")
