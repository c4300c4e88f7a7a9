// Route module "/1000" (system administration): handlers and the reply dispatcher.
#ifndef NVR_SYSTEM_SYSTEM_MODULE_H
#define NVR_SYSTEM_SYSTEM_MODULE_H

#include <limits.h>

#include "platform/qvsocket.h"

int on_system_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// A reply handler that checks its payload itself: (payload or null, payload length).
typedef int (*SystemReplyHandler)(const void *payload, int length);

// Configuration, restore and restart.
int on_restart_device(const char *arg);
int on_get_restart_state(const char *arg);
int on_restore_device(const char *arg);
int on_export_config(const char *arg);
int on_import_config(const char *arg);
int on_download_config(const char *arg);
// The restart steps of "/1004" without an answer: operation log (200, 900) and request 1703.
void restart_device_quietly();

// Firmware and camera upgrade.
int on_upgrade_system(const char *arg);
int on_clean_upgrade_files(const char *arg);
int on_cgi_upgrade_system_init(const char *arg);
int on_upgrade_camera(const char *arg);
int on_start_upgrade_camera(const char *arg);
int on_stop_upgrade_camera(const char *arg);
int on_get_online_upgrade(const char *arg);
int on_del_online_upgrade(const char *arg);
int on_check_nvr_online_upgrade(const char *arg);
int on_nvr_online_upgrade(const char *arg);
int on_check_ipc_online_upgrade(const char *arg);
// Status of an install that got no reply.
constexpr int kNoDaemonStatus = INT_MIN;
int on_upgrade_status_cb(const void *payload, int length);
int on_check_nvr_online_upgrade_cb(const void *payload, int length);
int on_get_online_upgrade_cb(const void *payload, int length);
int on_del_online_upgrade_cb(const void *payload, int length);
int on_start_upgrade_camera_cb(const void *payload, int length);
int on_check_ipc_online_upgrade_cb(const void *payload, int length);

// Logs.
int on_get_log_info(const char *arg);
int on_download_logfile(const char *arg);
int on_get_log_details(const char *arg);
int on_check_download_log(const char *arg);
int on_get_log_types(const char *arg);
int on_log_search_info_cb(const void *payload, int length);
int on_log_web_export_info_cb(const void *payload, int length);
int on_log_web_get_log_detail_cb(const void *payload, int length);

// System information and general settings.
int on_get_system_info(const char *arg);
int on_set_system_info(const char *arg);
int on_get_auto_maintenance(const char *arg);
int on_set_auto_maintenance(const char *arg);
int on_clear_permission_update(const char *arg);
int on_clear_qvfs_dbup(const char *arg);
int on_get_upnp_info(const char *arg);
int on_set_upnp_info(const char *arg);
int on_get_auto_reboot(const char *arg);
int on_set_auto_reboot(const char *arg);
int on_get_general_info(const char *arg);
int on_set_general_info(const char *arg);
int on_set_camera_ips(const char *arg);
int on_get_system_info_cb(const void *payload, int length);

// Web texts, files and alarm audio files.
int on_dw_download(const char *arg);
int on_log_operation_202(const char *arg);
int on_upload_noop(const char *arg);
int on_delete_audio_files(const char *arg);
int on_rename_audio_file(const char *arg);
int on_audio_file_request(const char *arg);
int on_audio_status_cb(const void *payload, int length);
int on_get_page_texts(const char *arg);
int on_change_language(const char *arg);
int on_upload_oem(const char *arg);
int on_get_access_filter(const char *arg);
int on_set_access_filter(const char *arg);
int on_export_diagnosis(const char *arg);
int on_download_file(const char *arg);
int on_get_audio_files(const char *arg);
int on_upload_audio_file(const char *arg);
int on_rename_uploaded_audio(const char *arg);
int on_export_diagnosis_cb(const void *payload, int length);
int on_get_audio_files_cb(const void *payload, int length);

// Login and session.
int on_user_login(const char *arg);
int on_user_login_from_mail(const char *arg);
int on_user_login_from_mail_cb(const void *payload, int length);

// User accounts.
int on_get_user_list(const char *arg);
int on_add_new_user(const char *arg);
int on_set_user_info(const char *arg);
int on_del_user_info(const char *arg);
int on_get_oem_user_list(const char *arg);
int on_modify_poe_camera_pwd(const char *arg);
int on_send_user_notice(const char *arg);
int on_cgi_set_user_info(const char *arg);
int on_modify_poe_camera_pwd_cb(const void *payload, int length);

// Production and service options ("/vb.htm").
int on_factory_option(const char *arg);

#endif
