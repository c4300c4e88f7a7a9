// Route module "/1000" (system administration): handlers and the reply dispatcher.
#ifndef NVR_SYSTEM_SYSTEM_MODULE_H
#define NVR_SYSTEM_SYSTEM_MODULE_H

#include "platform/qvsocket.h"

int on_system_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Configuration, restore and restart.
int on_restart_device(const char *arg);

// Web texts, files and alarm audio files.
int on_dw_download(const char *arg);
int on_log_operation_202(const char *arg);
int on_upload_noop(const char *arg);
int on_delete_audio_files(const char *arg);
int on_rename_audio_file(const char *arg);
int on_audio_file_request(const char *arg);

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
