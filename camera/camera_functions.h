// Routes of module "/2001" that relay settings to the cameras themselves: face detection, image,
// streams, audio and camera-side functions, camera maintenance and event schedules; and their
// reply handlers, which the module's reply table lists.
#ifndef NVR_CAMERA_CAMERA_FUNCTIONS_H
#define NVR_CAMERA_CAMERA_FUNCTIONS_H

#include "core/reply_view.h"

// ---- face detection ---------------------------------------------------------------------------------

int on_cgi_set_face_config(const char *arg);  // "/2077"

int on_cgi_face_status_cb(const ReplyView &reply);  // 8381

// ---- image ------------------------------------------------------------------------------------------

int on_get_camera_image_enhance(const char *arg);      // "/2019"
int on_set_camera_image_enhance(const char *arg);      // "/2020"
int on_get_camera_image_display(const char *arg);      // "/2021"
int on_set_camera_image_display(const char *arg);      // "/2022"
int on_get_camera_param(const char *arg);              // "/2023"
int on_set_camera_param(const char *arg);              // "/2024"
int on_get_camera_daynight(const char *arg);           // "/2037"
int on_set_camera_daynight(const char *arg);           // "/2038"
int on_get_camera_roi(const char *arg);                // "/2039"
int on_set_camera_roi(const char *arg);                // "/2040"
int on_get_camera_schedule(const char *arg);           // "/2041"
int on_set_camera_schedule(const char *arg);           // "/2042"
int on_get_camera_exposure_schedule(const char *arg);  // "/2043"
int on_set_camera_exposure_schedule(const char *arg);  // "/2044"
int on_get_camera_schedule_2(const char *arg);         // "/2045"
int on_set_camera_schedule_2(const char *arg);         // "/2046"
int on_set_camera_image_scenes(const char *arg);       // "/2047"
int on_set_camera_exposure_list(const char *arg);      // "/2048"
int on_get_camera_exposure_list(const char *arg);      // "/2049"
int on_set_camera_roi_area(const char *arg);           // "/2050"

int on_get_ipc_ipcimage_enhancement_cb(const ReplyView &reply);  // 8221
int on_get_ipc_ipcimage_display_cb(const ReplyView &reply);      // 8223
int on_get_ipc_common_param_cb(const ReplyView &reply);          // 8225
int on_cgi_ok_cb(const ReplyView &reply);                        // 8222, 8224, 8226
int on_get_camera_roi_cb(const ReplyView &reply);                // 8271
int on_get_camera_schedule_cb(const ReplyView &reply);           // 8273
int on_get_camera_schedule_2_cb(const ReplyView &reply);         // 8277
int on_get_camera_exposure_schedule_cb(const ReplyView &reply);  // 8275
int on_get_camera_daynight_cb(const ReplyView &reply);           // 8278

// ---- streams, audio and camera-side functions ----------------------------------------------------------

int on_get_camera_stream(const char *arg);             // "/2009"
int on_set_camera_stream(const char *arg);             // "/2010"
int on_web_get_motion_status(const char *arg);         // "/2028"
int on_set_camera_streams(const char *arg);            // "/2030"
int on_get_camera_motion(const char *arg);             // "/2051"
int on_set_camera_motion(const char *arg);             // "/2052"
int on_get_camera_log(const char *arg);                // "/2053"
int on_cgi_get_auto_tracking_status(const char *arg);  // "/2054"
int on_cgi_set_auto_tracking_status(const char *arg);  // "/2055"
int on_cgi_get_ptz_support(const char *arg);           // "/2056"
int on_cgi_get_watermark(const char *arg);             // "/2058"
int on_cgi_set_watermark(const char *arg);             // "/2059"
int on_cgi_get_ipc_event_stream(const char *arg);      // "/2060"
int on_cgi_set_ipc_event_stream(const char *arg);      // "/2061"
int on_cgi_get_ipc_lpr_night_mode(const char *arg);    // "/2062"
int on_cgi_get_ipc_audio_info(const char *arg);        // "/2063"
int on_cgi_set_ipc_audio_info(const char *arg);        // "/2064"
int on_cgi_get_ipc_system_info(const char *arg);       // "/2065"
int on_cgi_get_ipc_custom_param(const char *arg);      // "/2068"

int on_set_camera_stream_cb(const ReplyView &reply);             // 8203
int on_get_camera_stream_cb(const ReplyView &reply);             // 8204
int on_web_get_motion_status_cb(const ReplyView &reply);         // 8307
int on_get_camera_motion_cb(const ReplyView &reply);             // 8358
int on_get_camera_log_cb(const ReplyView &reply);                // 8360
int on_cgi_get_auto_tracking_status_cb(const ReplyView &reply);  // 8294
int on_cgi_get_watermark_cb(const ReplyView &reply);             // 6213
int on_cgi_get_ipc_event_stream_cb(const ReplyView &reply);      // 6217
int on_cgi_get_ipc_lpr_night_mode_cb(const ReplyView &reply);    // 6219
int on_cgi_get_ipc_audio_info_cb(const ReplyView &reply);        // 8371
int on_cgi_get_ipc_system_info_cb(const ReplyView &reply);       // 8376
int on_cgi_get_ipc_custom_param_cb(const ReplyView &reply);      // 8377

// ---- maintenance and event schedules ---------------------------------------------------------------------

int on_get_record_calendar(const char *arg);          // "/2013"
int on_web_sendto_qt_cmd(const char *arg);            // "/2026"
int on_web_get_chip_code(const char *arg);            // "/2027"
int on_get_ipv6_support(const char *arg);             // "/2034"
int on_get_camera_event_schedules(const char *arg);   // "/2035"
int on_set_camera_event_schedules(const char *arg);   // "/2036"
int on_start_camera_upgrade(const char *arg);         // "/2078"
int on_get_camera_upgrade_status(const char *arg);    // "/2079"
int on_upgrade_cameras_from_url(const char *arg);     // "/2080"
int on_stop_camera_upgrade(const char *arg);          // "/2081"
int on_cgi_probe(const char *arg);                    // "/2082"

int on_get_record_calendar_cb(const ReplyView &reply);        // 8493
int on_get_qt_cmd_result_cb(const ReplyView &reply);          // 9002, 9003
int on_get_get_chip_code_cb(const ReplyView &reply);          // 9004
int on_get_camera_upgrade_status_cb(const ReplyView &reply);  // 8386
int on_upgrade_cameras_from_url_cb(const ReplyView &reply);   // 8379

// True when the kernel's IPv6 address list (an "if_inet6" text at that path) holds an address.
bool ipv6_address_listed(const char *if_inet6_path);

#endif
