// The cameras' alarm inputs as event kinds of the event pages: one kind per alarm index (0 to 3),
// with the schedule tables of that index, its named tables and its PTZ linkage event type.
#ifndef NVR_ALARM_CAMERA_ALARM_KIND_H
#define NVR_ALARM_CAMERA_ALARM_KIND_H

#include "core/qvdb_alarm_io.h"
#include "video/event_settings.h"

// The kind of alarm index 0 to 3 (the caller checks the index).
const EventKind &camera_alarm_in_kind(int index);

#endif
