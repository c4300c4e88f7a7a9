// The recorder's alarm inputs as an event kind: where their schedules, target lists and PTZ
// linkage live. The alarm-input pages of modules "/6000" and "/6020" share it.
#ifndef NVR_VIDEO_ALARM_IN_SETTINGS_H
#define NVR_VIDEO_ALARM_IN_SETTINGS_H

#include "video/event_settings.h"

extern const EventKind kAlarmInEventKind;

#endif
