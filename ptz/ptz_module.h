// Route module "/5000" (PTZ control): handlers and the reply dispatcher.
#ifndef NVR_PTZ_PTZ_MODULE_H
#define NVR_PTZ_PTZ_MODULE_H

#include "platform/qvsocket.h"

int on_ptz_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Moving, presets, tours, patterns and zoom.
int on_send_ptz_cmd(const char *arg);          // "/5000"
int on_preset_op(const char *arg);             // "/5001"
int on_set_ptz_tour_run(const char *arg);      // "/5002"
int on_set_ptz_tour_stop(const char *arg);     // "/5003"
int on_set_ptz_pattern(const char *arg);       // "/5004"
int on_get_ptz_info(const char *arg);          // "/5005"
int on_set_ptz_preset_call(const char *arg);   // "/5006"
int on_set_ptz_zomm(const char *arg);          // "/5007"
int on_set_ipc_speed(const char *arg);         // "/5008"
// Camera-side control, LED status and basic settings.
int on_cgi_set_ptz_control(const char *arg);   // "/5009"
int on_cgi_get_led_status(const char *arg);    // "/5010"
int on_cgi_get_ptz_basic(const char *arg);     // "/5011"
int on_cgi_set_ptz_basic(const char *arg);     // "/5012"
// Stored ports, speeds and tours.
int on_get_ptzport_info(const char *arg);      // "/6050"
int on_set_ptzport_info(const char *arg);      // "/6051"
int on_get_ptzsupport_info(const char *arg);   // "/6052"
int on_get_ptz_speed(const char *arg);         // "/6053"
int on_set_ptz_speed(const char *arg);         // "/6054"
int on_set_ptz_tour_set(const char *arg);      // "/6055"
int on_set_fish_ptz_tour_set(const char *arg); // "/6056"
int on_set_ptz_tour_clear(const char *arg);    // "/6057"

// Every PTZ change is logged with this sub type: parameter 900 for an action, 904 for changed
// PTZ settings, and the channel number + 1.
constexpr int kPtzLogSubType = 206;
constexpr int kPtzLogAction = 900;
constexpr int kPtzLogSettings = 904;
void ptz_log(int parameter, int channel);

// Sends a notice to the daemon on the module's channel (no wait).
void ptz_notify(int request_code, const void *payload, int length);

#endif
