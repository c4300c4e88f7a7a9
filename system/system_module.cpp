// Route module "/1000" (system administration): route table and reply dispatcher.
#include "system/system_module.h"

#include "core/json_util.h"
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
};

int on_system_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!payload) return 0;
    switch (header->code) {
        // Login and user accounts.
        case 8504:  // e-mail link login
            return on_user_login_from_mail_cb(payload, header->length);
        case 8265:  // PoE camera password change
            return on_modify_poe_camera_pwd_cb(payload, header->length);
        case 9013:  // uploaded sound renamed
        case 9014:  // audio files deleted
        case 9015:  // audio file renamed
        case 9016:  // audio file request
            return on_cgi_common_json_cb(header->length / 4, payload);
        default:
            return 0;
    }
}

NVR_ROUTE_MODULE(9, "/1000", kSystemRoutes)
