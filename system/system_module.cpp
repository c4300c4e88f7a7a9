// Route module "/1000" (system administration): route table and reply dispatcher.
#include "system/system_module.h"

#include "frame/dispatchreq.h"

static const WebRes kSystemRoutes[] = {
    // Login and session.
    {"/1000", on_user_login},
    {"/1018", on_user_login_from_mail},
    // User accounts.
    {"/6070", on_get_user_list},
    {"/6071", on_add_new_user},
    {"/6072", on_set_user_info},
    {"/6073", on_del_user_info},
    {"/6074", on_get_oem_user_list},
    {"/6075", on_modify_poe_camera_pwd},
    {"/6076", on_send_user_notice},
    {"/6077", on_cgi_set_user_info},
    // Production and service options.
    {"/vb.htm", on_factory_option},
    {"/1004", on_restart_device},
    {"/1014", on_log_operation_202},
    {"/1019", on_upload_noop},
    {"/dw.cgi", on_dw_download},
    {"/6323", on_delete_audio_files},
    {"/6324", on_rename_audio_file},
    {"/6325", on_audio_file_request},
    // Configuration, restore and restart.
    {"/1005", on_get_restart_state},
    {"/1006", on_restore_device},
    {"/1007", on_export_config},
    {"/1008", on_import_config},
    {"/1013", on_download_config},
    // Firmware and camera upgrade.
    {"/1010", on_upgrade_system},
    {"/1011", on_clean_upgrade_files},
    {"/1034", on_cgi_upgrade_system_init},
    {"/6082", on_upgrade_camera},
    {"/6083", on_start_upgrade_camera},
    {"/6084", on_stop_upgrade_camera},
    {"/6085", on_get_online_upgrade},
    {"/6086", on_del_online_upgrade},
    {"/6087", on_check_nvr_online_upgrade},
    {"/6088", on_nvr_online_upgrade},
    {"/6089", on_check_ipc_online_upgrade},
    // Logs.
    {"/1002", on_get_log_info},
    {"/1003", on_download_logfile},
    {"/1015", on_get_log_types},
    {"/1021", on_get_log_details},
    {"/1022", on_check_download_log},
    // System information and general settings.
    {"/1009", on_get_system_info},
    {"/1020", on_get_system_info},
    {"/1012", on_set_system_info},
    {"/1016", on_get_auto_maintenance},
    {"/1017", on_set_auto_maintenance},
    {"/1023", on_clear_permission_update},
    {"/1024", on_clear_qvfs_dbup},
    {"/1030", on_get_upnp_info},
    {"/1031", on_set_upnp_info},
    {"/1032", on_get_auto_reboot},
    {"/1033", on_set_auto_reboot},
    {"/6080", on_get_general_info},
    {"/6081", on_set_general_info},
    {"/ipc", on_set_camera_ips},
    // Web texts, files and alarm audio files.
    {"/json", on_get_page_texts},
    {"/1001", on_change_language},
    {"/oem", on_upload_oem},
    {"/6300", on_get_access_filter},
    {"/6301", on_set_access_filter},
    {"/6310", on_export_diagnosis},
    {"/6311", on_download_file},
    {"/6320", on_get_audio_files},
    {"/6321", on_upload_audio_file},
    {"/6322", on_rename_uploaded_audio},
};

// Every reply the module waits for, with its handler. Handlers check the payload length
// themselves (a null payload comes with length 0): each answers a short reply as its route says,
// either with the route's error or, by leaving it unanswered, with the time-out's.
struct SystemReply {
    int code;
    SystemReplyHandler handler;
};

static const SystemReply kSystemReplies[] = {
    // Login and user accounts.
    {8504, on_user_login_from_mail_cb},
    {8265, on_modify_poe_camera_pwd_cb},
    // Firmware and camera upgrade.
    {6713, on_upgrade_status_cb},
    {6715, on_check_nvr_online_upgrade_cb},
    {6716, on_get_online_upgrade_cb},
    {6717, on_del_online_upgrade_cb},
    {8350, on_start_upgrade_camera_cb},
    {8365, on_check_ipc_online_upgrade_cb},
    // Logs.
    {8488, on_log_web_get_log_detail_cb},
    {8494, on_log_web_export_info_cb},
    {8495, on_log_search_info_cb},
    // System information.
    {8400, on_get_system_info_cb},
    // Web files and alarm audio files.
    {8528, on_export_diagnosis_cb},
    {9012, on_get_audio_files_cb},
    {9013, on_audio_status_cb},  // uploaded sound renamed
    {9014, on_audio_status_cb},  // audio files deleted
    {9015, on_audio_status_cb},  // audio file renamed
    {9016, on_audio_status_cb},  // audio file request
};

int on_system_ipc_callback(int, const MessageHeader *header, const void *payload) {
    for (const SystemReply &reply : kSystemReplies)
        if (reply.code == header->code) return reply.handler(payload, payload ? header->length : 0);
    return 0;
}

NVR_ROUTE_MODULE(9, "/1000", kSystemRoutes)
