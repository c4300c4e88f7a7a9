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

// Smart events: detection settings and actions.
int on_get_vca_region(const char *arg);               // "/6132"
int on_set_vca_region(const char *arg);               // "/6133"
int on_get_vca_motion(const char *arg);               // "/6134"
int on_set_vca_motion(const char *arg);               // "/6135"
int on_get_vca_tamper(const char *arg);               // "/6136"
int on_set_vca_tamper(const char *arg);               // "/6137"
int on_get_vca_line(const char *arg);                 // "/6138"
int on_set_vca_line(const char *arg);                 // "/6139"
int on_get_vca_loitering(const char *arg);            // "/6140"
int on_set_vca_loitering(const char *arg);            // "/6141"
int on_get_vca_human(const char *arg);                // "/6142"
int on_set_vca_human(const char *arg);                // "/6143"
int on_get_vca_people(const char *arg);               // "/6144"
int on_set_vca_people(const char *arg);               // "/6145"
int on_get_vca_settings(const char *arg);             // "/6146"
int on_set_vca_settings(const char *arg);             // "/6147"
int on_get_smart_event_schedule(const char *arg);     // "/6148"
int on_set_smart_event_schedule(const char *arg);     // "/6149"
int on_set_vca_allrtm_others(const char *arg);        // "/6150"
int on_get_vca_common_para(const char *arg);          // "/6151"
int on_vca_clear_people_count(const char *arg);       // "/6154"
int on_get_vca_support(const char *arg);              // "/6157"
int on_set_vca_leftremove(const char *arg);           // "/6171"
int on_get_vca_leftremove(const char *arg);           // "/6172"
int on_get_ipc_vca_line2(const char *arg);            // "/6192"
int on_set_ipc_vca_line2(const char *arg);            // "/6193"
int on_get_ipc_vca_settings2(const char *arg);        // "/6194"
int on_set_ipc_vca_settings2(const char *arg);        // "/6195"

// Licence-plate lists, list-mode actions and recognition settings.
int on_get_anpr_mode_params(const char *arg);         // "/6179"
int on_set_anpr_mode_params(const char *arg);         // "/6180"
int on_get_anpr_settings(const char *arg);            // "/6181"
int on_set_anpr_settings(const char *arg);            // "/6182"
int on_set_anpr_del_lpr_plate(const char *arg);       // "/6183"
int on_set_anpr_add_lpr_plate(const char *arg);       // "/6184"
int on_set_anpr_update_lpr_plate(const char *arg);    // "/6185"
int on_get_anpr_support_anpr(const char *arg);        // "/6186"
int on_get_anpr_zoom_state(const char *arg);          // "/6189"
int on_get_anpr_wildcards(const char *arg);           // "/6190"
int on_set_ipc_anpr_wildcards(const char *arg);       // "/6191"

// Alarm-input schedules and camera alarms.
int on_get_camera_alarm(const char *arg);             // "/6090"
int on_set_camera_alarm(const char *arg);             // "/6091"
int on_get_audio_alarm(const char *arg);              // "/6092"
int on_set_audio_alarm(const char *arg);              // "/6093"
int on_set_alarmin_audible_sche(const char *arg);     // "/6125"
int on_set_alarmin_email_sche(const char *arg);       // "/6126"
int on_set_alarm_others(const char *arg);             // "/6127"
int on_get_alarmin_email_sche(const char *arg);       // "/6128"
int on_get_alarmin_audible_sche(const char *arg);     // "/6129"
int on_set_alarmin_ptz_sche(const char *arg);         // "/6167"
int on_get_alarmin_ptz_sche(const char *arg);         // "/6168"
int on_get_alarmin_effective_sche(const char *arg);   // "/6169"
int on_set_alarmin_effective_sche(const char *arg);   // "/6170"

// Snapshots and PTZ linkage entries.
int on_set_ptz_params(const char *arg);               // "/6160"
int on_get_ptz_params(const char *arg);               // "/6161"
int on_delete_ptz_params(const char *arg);            // "/6162"
int on_update_ptz_params(const char *arg);            // "/6163"
int on_delete_ptz_params_batch(const char *arg);      // "/6164"
int on_set_snapshot_schedule(const char *arg);        // "/6175"
int on_get_snapshot_schedule(const char *arg);        // "/6174"
int on_get_snapshot_setting_params(const char *arg);  // "/6176"
int on_set_snapshot_setting_params(const char *arg);  // "/6177"
int on_set_snapshot_batch_setting(const char *arg);   // "/6178"

#endif
