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

// Video loss and exceptions.
int on_get_videolost_info(const char *arg);          // "/6014"
int on_get_videolost_schedule(const char *arg);      // "/6015"
int on_set_videolost_info(const char *arg);          // "/6016"
int on_set_videolost_schedule(const char *arg);      // "/6017"
int on_get_videoloss_info(const char *arg);          // "/6094"
int on_set_videoloss_info(const char *arg);          // "/6095"
int on_set_videolost_audible_sche(const char *arg);  // "/6121"
int on_set_videolost_email_sche(const char *arg);    // "/6122"
int on_set_videolost_others(const char *arg);        // "/6123"
int on_get_videolost_email_sche(const char *arg);    // "/6124"
int on_set_videoloss_ptz_sche(const char *arg);      // "/6165"
int on_get_videoloss_ptz_sche(const char *arg);      // "/6166"
int on_set_exception(const char *arg);               // "/6998"
int on_get_exception(const char *arg);               // "/6999"

// OSD, privacy masks and fisheye cameras.
int on_get_osd_info(const char *arg);            // "/6000"
int on_set_osd_info(const char *arg);            // "/6001"
int OnSetOSDName(const char *arg);               // "/6002"
int on_get_privacy_masks(const char *arg);       // "/6018"
int on_set_privacy_mask(const char *arg);        // "/6019"
int on_get_privacy_mask_ovf(const char *arg);    // "/6115"
int on_get_ipc_model_type(const char *arg);      // "/6116"
int on_get_fisheye_info(const char *arg);        // "/6130"
int on_cgi_set_fisheye_mode(const char *arg);    // "/6131"
int on_delete_privacy_mask(const char *arg);     // "/6173"
int on_cgi_check_fisheye_info(const char *arg);  // "/6196"
int on_cgi_set_fisheye_info(const char *arg);    // "/6197"
int on_cgi_set_privacy_edit(const char *arg);    // "/6198"
int on_set_osdconfig(const char *arg);           // "/6996"
int on_get_osdconfig(const char *arg);           // "/6997"

// Regional people counting.
int on_cgi_get_ipc_regional_info(const char *arg);  // "/6096"
int on_cgi_set_ipc_regional_info(const char *arg);  // "/6097"

#endif
