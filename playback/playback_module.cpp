// Route module "/4000" (live view and playback): route table and reply dispatcher.
#include "playback/playback_module.h"

#include "frame/dispatchreq.h"

// The dispatcher routes arrive with their module's settings; until then no reply is listed.
int on_stream_callback(int, const MessageHeader *, const void *) { return 0; }

NVR_EMPTY_ROUTE_MODULE(7, "/4000")
