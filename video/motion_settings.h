// Motion detection as an event kind: where its sub-settings live, its action fields, and the
// daemon notices its routes share.
#ifndef NVR_VIDEO_MOTION_SETTINGS_H
#define NVR_VIDEO_MOTION_SETTINGS_H

#include <json-c/json.h>
#include <stdint.h>

#include "core/qvdb.h"
#include "video/event_settings.h"

constexpr int kMotionPtzType = 1;
constexpr int kMotionLogSubType = 204;
constexpr int kMotionLogParameter = 909;

extern const EventKind kMotionEventKind;

// The action fields of a motion record.
EventActionFields motion_action_fields(MotionRecord *record);

// Reads a channel's motion record into a zeroed record; false when it cannot be read.
bool read_motion_record(int channel, MotionRecord *record);

// Daemon notices, sent without waiting.
void notify_motion_changed(int channel);                              // 1403
void send_motion_area(const MotionRecord &record);                   // 3207
void send_motion_state(int channel, int enable_ms, uint64_t copies);  // 3212
void send_whole_day(int request_code, int channel);                  // 3209 or 3252
// 3212, then 3209 when "enableMS" is 1.
void send_motion_state_and_schedule(int channel, int enable_ms);
// Operation log: sub type 204, parameter 909, channel + 1.
void log_motion_change(int channel);

// Saves the "dialog" object of the copy route: the action set with the HTTP notification and
// PTZ linkage additions, in one transaction (joining the caller's). Returns the dialog's channel,
// for which the caller sends 1403 once its transaction is committed, or -1 when the dialog has no
// valid "chnid" (nothing is saved).
int save_motion_dialog_data(json_object *dialog);

#endif
