// People counting and point of sale as event kinds of the event pages: where their schedules and
// target tables live. Their records have the camera alarm-input event layout, whose action fields
// all_action_fields gives (a route clears those it does not take).
#ifndef NVR_CAMERA_CAMERA_EVENTS_H
#define NVR_CAMERA_CAMERA_EVENTS_H

#include "core/qvdb_events.h"
#include "video/event_settings.h"

constexpr int kPeopleCountPtzType = kQvdbPeopleCountPtzType;  // one PTZ linkage list per group
constexpr int kPosPtzType = 21;                               // one PTZ linkage list per terminal

// A counting group's schedules by group id. Its effective schedule is its audible schedule.
extern const EventKind kPeopleCountEventKind;
// A terminal's schedules by terminal id.
extern const EventKind kPosEventKind;


#endif
