// Route module "/4000" (live view and playback): route table. The reply dispatcher and its
// table are in playback_replies.cpp.
#include "playback/playback_module.h"

#include "frame/dispatchreq.h"

static const WebRes kPlaybackRoutes[] = {
    // Playback sessions.
    {"/4000", on_start_playback},
    {"/4001", on_start_time_playback},
    {"/4002", on_get_play_time},
    {"/4003", on_stop_playback},
    {"/4004", on_pause_playback},
    {"/4005", on_resume_playback},
    {"/4006", on_step_foward_playback},
    {"/4007", on_fastforward_playback},
    {"/4008", on_slowforward_playback},
    {"/4009", on_jump_playback},
    {"/4020", on_start_mask_playback},
    {"/4022", on_set_speed_playback},
    {"/4023", on_get_playback_page},
    {"/3003", on_step_playback_batch},
    // Live view.
    {"/4010", on_start_live},
    {"/4011", on_stop_live},
    {"/4012", on_stop_all_live},
    // Remote backup.
    {"/4013", on_export_playback},
    // Channel checks and viewing logs.
    {"/4014", on_log_channel_205},
    {"/4015", on_check_channel},
    {"/4016", on_check_channel2},
    {"/4017", on_log_channel_227},
    {"/4024", on_log_channel_208},
    // Addresses, ports, downloads and transcoding.
    {"/4018", on_get_rtsp_addr},
    {"/4019", on_get_download_state},
    {"/4021", on_get_extern_port},
    {"/4025", on_set_transcoding},
    {"/4026", on_get_transcoding_state},
    {"/4027", on_clear_download},
    // Image parameters and the busy state.
    {"/3000", on_get_image_param},
    {"/3001", on_set_image_param},
    {"/3002", on_reset_image_param},
    {"/3004", on_get_busy_state},
};

NVR_ROUTE_MODULE(7, "/4000", kPlaybackRoutes)
