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

#endif
