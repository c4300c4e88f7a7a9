// Route module "/2001" (camera-side settings): handlers, reply handlers and the reply dispatcher.
#ifndef NVR_CAMERA_CAMERA_MODULE_H
#define NVR_CAMERA_CAMERA_MODULE_H

#include <json-c/json.h>

#include "camera/entry_fields.h"
#include "platform/qvsocket.h"
#include "core/reply_view.h"

// Reply dispatcher of every "/2001" route that waits for the daemon. It hands a reply to the
// handler its code lists in the reply table (camera_replies.cpp) when the payload holds at least
// the table's minimum length; a shorter reply is no reply.
int on_camera_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// A reply handler: the payload, bounded by its length. It answers, then raises the flag.
typedef int (*CameraReplyHandler)(const ReplyView &reply);

// ---- answers shared by the handlers ------------------------------------------------------------

// "OK" as text.
int answer_ok();
// A new answer object holding a new array under `key` (*array); null when either cannot be made.
// Keys added to the answer later follow the array.
json_object *new_answer_with_array(const char *key, json_object **array);
// Reply side: {"res": word 0}; and {"res": 0} whatever the reply holds.
int on_cgi_res_cb(const ReplyView &reply);
int on_cgi_res_zero_cb(const ReplyView &reply);

// ---- camera channels ----------------------------------------------------------------------------

int on_get_camera_config(const char *arg);          // "/2000"
int on_get_camera_list(const char *arg);            // "/2001", "/2007"
int on_edit_camera(const char *arg);                // "/2003"
int on_add_camera(const char *arg);                 // "/2004"
int on_delete_camera(const char *arg);              // "/2005"
int on_search_cameras(const char *arg);             // "/2006"
int on_get_camera_protocols(const char *arg);       // "/2008"
int on_set_camera_network(const char *arg);         // "/2011"
int on_get_channel_names(const char *arg);          // "/2012"
int on_check_camera(const char *arg);               // "/2014"
int on_check_camera_port(const char *arg);          // "/2015"
int on_get_poe_password(const char *arg);           // "/2016"
int on_set_camera_login(const char *arg);           // "/2017"
int on_get_max_poe_num(const char *arg);            // "/2018"
int on_get_camera_model_type(const char *arg);      // "/2025"
int on_get_channels_model(const char *arg);         // "/2029"
int on_set_camera_transport(const char *arg);       // "/2031"
int on_set_camera_networks(const char *arg);        // "/2032"
int on_get_camera_network_results(const char *arg); // "/2033"
int on_cgi_get_ipc_type(const char *arg);           // "/2057"

int on_search_cameras_cb(const ReplyView &reply);              // 8200
int on_get_camera_list_cb(const ReplyView &reply);             // 8201
int on_check_camera_cb(const ReplyView &reply);                // 8202, 8227
int on_set_camera_network_cb(const ReplyView &reply);          // 8205
int on_get_camera_network_results_cb(const ReplyView &reply);  // 8230
int on_get_camera_model_type_cb(const ReplyView &reply);       // 7503
int on_get_channels_model_cb(const ReplyView &reply);          // 7505
int on_cgi_get_ipc_type_cb(const ReplyView &reply);            // 7507

// ---- people counting groups and report backup ------------------------------------------------------

int on_cgi_get_peoplecnt_settings(const char *arg);        // "/2066"
int on_cgi_set_peoplecnt_settings(const char *arg);        // "/2067"
int on_cgi_get_peoplecnt_action(const char *arg);          // "/2069"
int on_cgi_set_peoplecnt_action(const char *arg);          // "/2070"
int on_cgi_set_peoplecnt_db_reset(const char *arg);        // "/2071"
int on_cgi_set_peoplecnt_liveview_reset(const char *arg);  // "/2072"
int on_cgi_get_report_auto_backup(const char *arg);        // "/2075"
int on_cgi_set_report_auto_backup(const char *arg);        // "/2076"

// ---- point-of-sale overlay ------------------------------------------------------------------------

int on_cgi_get_pos_info(const char *arg);  // "/2073"
int on_cgi_set_pos_info(const char *arg);  // "/2074"

#endif
