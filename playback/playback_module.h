// Route module "/4000" (live view and playback): handlers and the reply dispatcher.
#ifndef NVR_PLAYBACK_PLAYBACK_MODULE_H
#define NVR_PLAYBACK_PLAYBACK_MODULE_H

#include "platform/qvsocket.h"

int on_stream_callback(int ignored, const MessageHeader *header, const void *payload);

// Playback sessions.
int on_start_playback(const char *arg);           // "/4000"
int on_start_time_playback(const char *arg);      // "/4001"
int on_get_play_time(const char *arg);            // "/4002"
int on_stop_playback(const char *arg);            // "/4003"
int on_pause_playback(const char *arg);           // "/4004"
int on_resume_playback(const char *arg);          // "/4005"
int on_step_foward_playback(const char *arg);     // "/4006"
int on_fastforward_playback(const char *arg);     // "/4007"
int on_slowforward_playback(const char *arg);     // "/4008"
int on_jump_playback(const char *arg);            // "/4009"
int on_start_mask_playback(const char *arg);      // "/4020"
int on_set_speed_playback(const char *arg);       // "/4022"
int on_get_playback_page(const char *arg);        // "/4023"
int on_step_playback_batch(const char *arg);      // "/3003"
// Live view.
int on_start_live(const char *arg);               // "/4010"
int on_stop_live(const char *arg);                // "/4011"
int on_stop_all_live(const char *arg);            // "/4012"
// Channel checks and viewing logs.
int on_log_channel_205(const char *arg);          // "/4014"
int on_check_channel(const char *arg);            // "/4015"
int on_check_channel2(const char *arg);           // "/4016"
int on_log_channel_227(const char *arg);          // "/4017"
int on_log_channel_208(const char *arg);          // "/4024"
// Addresses, ports, downloads and transcoding.
int on_get_rtsp_addr(const char *arg);            // "/4018"
int on_get_download_state(const char *arg);       // "/4019"
int on_get_extern_port(const char *arg);          // "/4021"
int on_set_transcoding(const char *arg);          // "/4025"
int on_get_transcoding_state(const char *arg);    // "/4026"
int on_clear_download(const char *arg);           // "/4027"
// Image parameters and the busy state.
int on_get_image_param(const char *arg);          // "/3000"
int on_set_image_param(const char *arg);          // "/3001"
int on_reset_image_param(const char *arg);        // "/3002"
int on_get_busy_state(const char *arg);           // "/3004"
// Remote backup: a recorded span as an AVI download.
int on_export_playback(const char *arg);          // "/4013"

// Reply handlers the dispatcher's table names; each gets the payload and its length (0 when
// there is none).
typedef int (*PlaybackReplyHandler)(const void *payload, int length);
int on_get_download_playtime_cb(const void *payload, int length);  // 6173, export frames

// What the replies of one request leave for the request thread after the wait.
struct PlaybackSharedState {
    int session;          // the current session: set by the time playback route or reply 8103
    char play_time[32];   // the current play-time text, at most 31 characters
    int live_log_channel; // reply 8500: the log's channel number; 0 when nothing is to be logged
};
extern PlaybackSharedState g_playback;

#endif
