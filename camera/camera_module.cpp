// Route module "/2001" (camera-side settings): route table.
#include "camera/camera_module.h"

#include "frame/dispatchreq.h"

static const WebRes kCameraRoutes[] = {
    // Camera channels.
    {"/2001", on_get_camera_list},
    {"/2007", on_get_camera_list},
    {"/2000", on_get_camera_config},
    {"/2003", on_edit_camera},
    {"/2004", on_add_camera},
    {"/2005", on_delete_camera},
    {"/2006", on_search_cameras},
    {"/2008", on_get_camera_protocols},
    {"/2011", on_set_camera_network},
    {"/2012", on_get_channel_names},
    {"/2014", on_check_camera},
    {"/2015", on_check_camera_port},
    {"/2016", on_get_poe_password},
    {"/2017", on_set_camera_login},
    {"/2018", on_get_max_poe_num},
    {"/2025", on_get_camera_model_type},
    {"/2029", on_get_channels_model},
    {"/2031", on_set_camera_transport},
    {"/2032", on_set_camera_networks},
    {"/2033", on_get_camera_network_results},
    {"/2057", on_cgi_get_ipc_type},
    // People counting groups and report backup.
    {"/2066", on_cgi_get_peoplecnt_settings},
    {"/2067", on_cgi_set_peoplecnt_settings},
    {"/2069", on_cgi_get_peoplecnt_action},
    {"/2070", on_cgi_set_peoplecnt_action},
    {"/2071", on_cgi_set_peoplecnt_db_reset},
    {"/2072", on_cgi_set_peoplecnt_liveview_reset},
    {"/2075", on_cgi_get_report_auto_backup},
    {"/2076", on_cgi_set_report_auto_backup},
    // Point-of-sale overlay.
    {"/2073", on_cgi_get_pos_info},
    {"/2074", on_cgi_set_pos_info},
};

NVR_ROUTE_MODULE(4, "/2001", kCameraRoutes)
