// People counting and point of sale as event kinds of the event pages: where their schedules and
// target tables live, and the action fields of their event records.
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

// Every action field of a camera alarm-input event record; a route clears those it does not take.
EventActionFields camera_alarm_in_action_fields(CameraAlarmInEventRecord *record);

#endif
