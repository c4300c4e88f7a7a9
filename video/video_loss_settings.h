// Video loss as an event kind: where its sub-settings live, its action fields, and the daemon
// notices its routes share.
#ifndef NVR_VIDEO_VIDEO_LOSS_SETTINGS_H
#define NVR_VIDEO_VIDEO_LOSS_SETTINGS_H

#include <stdint.h>

#include "core/qvdb_video_loss.h"
#include "video/event_settings.h"

constexpr int kVideoLossPtzType = 2;
constexpr int kRequestVideoLossChanged = 1402;    // 4 bytes: channel
constexpr int kRequestVideoLossesChanged = 1414;  // 8 bytes: channel set
constexpr int kRequestExceptionActionsChanged = 2104;
constexpr int kRequestExceptionTargetsChanged = 3394;
constexpr int kVideoLossLogSubType = 204;
constexpr int kVideoLossLogParameter = 908;
constexpr int kVideoLossListLogParameter = 909;

extern const EventKind kVideoLossEventKind;

// The action fields of a video-loss record.
EventActionFields video_loss_action_fields(VideoLostRecord *record);

// Reads a channel's record into a zeroed record; false when it cannot be read.
bool read_video_lost_record(int channel, VideoLostRecord *record);

// Daemon notices, sent without waiting.
void notify_video_loss_changed(int channel);  // 1402
void notify_video_losses_changed(uint64_t set);  // 1414

#endif
