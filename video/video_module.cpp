// Route module "/6000" (video and event settings): route table.
#include "video/video_module.h"

#include "frame/dispatchreq.h"

static const WebRes kVideoRoutes[] = {
    {"/6000", on_get_osd_info},  // first: it names the module
    {"/6010", on_get_movedetect_info},
    {"/6011", OnGetMotionSchedule},
    {"/6012", on_set_movedetect_info},
    {"/6013", OnSetMotionSchedule},
    {"/6098", on_get_motion_map},
    {"/6112", on_set_motion_copy},
    {"/6113", on_set_motion_with_schedule},
    {"/6114", on_set_motion_triggers},
    {"/6117", on_set_move_action},
    {"/6118", on_set_move_email_sche},
    {"/6119", on_set_move_others},
    {"/6120", on_get_move_email_sche},
    {"/6152", on_set_move_effective_sche},
    {"/6153", on_get_move_effective_sche},
    {"/6158", on_get_move_ptz_sche},
    {"/6159", on_set_move_ptz_sche},
    // video loss and exceptions; OSD, privacy masks and fisheye cameras; regional people counting
    {"/6001", on_set_osd_info},
    {"/6002", OnSetOSDName},
    {"/6014", on_get_videolost_info},
    {"/6015", on_get_videolost_schedule},
    {"/6016", on_set_videolost_info},
    {"/6017", on_set_videolost_schedule},
    {"/6018", on_get_privacy_masks},
    {"/6019", on_set_privacy_mask},
    {"/6094", on_get_videoloss_info},
    {"/6095", on_set_videoloss_info},
    {"/6096", on_cgi_get_ipc_regional_info},
    {"/6097", on_cgi_set_ipc_regional_info},
    {"/6115", on_get_privacy_mask_ovf},
    {"/6116", on_get_ipc_model_type},
    {"/6121", on_set_videolost_audible_sche},
    {"/6122", on_set_videolost_email_sche},
    {"/6123", on_set_videolost_others},
    {"/6124", on_get_videolost_email_sche},
    {"/6130", on_get_fisheye_info},
    {"/6131", on_cgi_set_fisheye_mode},
    {"/6165", on_set_videoloss_ptz_sche},
    {"/6166", on_get_videoloss_ptz_sche},
    {"/6173", on_delete_privacy_mask},
    {"/6196", on_cgi_check_fisheye_info},
    {"/6197", on_cgi_set_fisheye_info},
    {"/6198", on_cgi_set_privacy_edit},
    {"/6996", on_set_osdconfig},
    {"/6997", on_get_osdconfig},
    {"/6998", on_set_exception},
    {"/6999", on_get_exception},
};

NVR_ROUTE_MODULE(3, "/6000", kVideoRoutes)
