// Route module "/6030" (recording modes, schedules and holidays): handlers and the reply dispatcher.
#ifndef NVR_RECORD_RECORD_MODULE_H
#define NVR_RECORD_RECORD_MODULE_H

#include "platform/qvsocket.h"

int on_record_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Holidays.
int on_get_holiday_info(const char *arg);
int on_set_holiday_info(const char *arg);
// Record schedule.
int on_get_record_info(const char *arg);
int on_set_record_info(const char *arg);
// Record mode.
int on_get_record_mode(const char *arg);
int on_set_record_mode(const char *arg);
// Record settings.
int on_get_record_setting(const char *arg);
int on_set_record_setting(const char *arg);
// Support and stream information.
int on_get_record_support(const char *arg);
int on_get_record_stream_info(const char *arg);

#endif
