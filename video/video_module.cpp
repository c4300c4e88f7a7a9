// Route module "/6000" (video and event settings): route table.
#include "video/video_module.h"

#include "frame/dispatchreq.h"

NVR_EMPTY_ROUTE_MODULE(3, "/6000")
