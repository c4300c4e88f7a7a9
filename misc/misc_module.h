// Route module "/3300" (miscellaneous settings of the setup wizard and quick setup): handlers and
// the reply dispatcher.
#ifndef NVR_MISC_MISC_MODULE_H
#define NVR_MISC_MISC_MODULE_H

#include "platform/qvsocket.h"

int on_aging_callback(int ignored, const MessageHeader *header, const void *payload);

int on_set_ssh_enable(const char *arg);
int on_set_auto_login(const char *arg);
int on_set_all_record_mode(const char *arg);
int on_set_wizard_enable(const char *arg);
int on_set_camera_simple(const char *arg);

#endif
