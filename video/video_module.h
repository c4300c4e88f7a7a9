// Route module "/6000" (video and event settings): handlers and the reply dispatcher.
#ifndef NVR_VIDEO_VIDEO_MODULE_H
#define NVR_VIDEO_VIDEO_MODULE_H

#include "platform/qvsocket.h"

// Reply dispatcher of every "/6000" route that waits for the daemon.
int on_video_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Motion detection.
int on_get_movedetect_info(const char *arg);       // "/6010"
int OnGetMotionSchedule(const char *arg);          // "/6011"
int on_set_movedetect_info(const char *arg);       // "/6012"
int OnSetMotionSchedule(const char *arg);          // "/6013"
int on_get_motion_map(const char *arg);            // "/6098"
int on_set_motion_copy(const char *arg);           // "/6112"
int on_set_motion_with_schedule(const char *arg);  // "/6113"
int on_set_motion_triggers(const char *arg);       // "/6114"
int on_set_move_action(const char *arg);           // "/6117"
int on_set_move_email_sche(const char *arg);       // "/6118"
int on_set_move_others(const char *arg);           // "/6119"
int on_get_move_email_sche(const char *arg);       // "/6120"
int on_set_move_effective_sche(const char *arg);   // "/6152"
int on_get_move_effective_sche(const char *arg);   // "/6153"
int on_get_move_ptz_sche(const char *arg);         // "/6158"
int on_set_move_ptz_sche(const char *arg);         // "/6159"

#endif
