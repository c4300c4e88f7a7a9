// Route module "/6020" (alarm inputs and outputs): handlers, the reply dispatcher and what the
// handlers share.
#ifndef NVR_ALARM_ALARM_MODULE_H
#define NVR_ALARM_ALARM_MODULE_H

#include <json-c/json.h>
#include <stdint.h>

#include "platform/qvsocket.h"

int on_alarm_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// The recorder's alarm outputs and the name lists.
int on_get_nvr_alarm_outputs(const char *arg);
int on_get_nvr_alarm_output(const char *arg);
int on_set_nvr_alarm_output(const char *arg);
int on_set_nvr_alarm_output_state(const char *arg);
int on_get_all_alarmout_names(const char *arg);
int on_get_all_alarmin_names(const char *arg);

// The cameras' alarm inputs and outputs.
int on_get_camera_alarm_input(const char *arg);
int on_set_camera_alarm_input(const char *arg);
int on_get_camera_alarm_output(const char *arg);
int on_set_camera_alarm_output(const char *arg);
int on_set_camera_alarm_state(const char *arg);

// The recorder's alarm inputs.
int on_get_nvr_alarm_input(const char *arg);
int on_set_nvr_alarm_input(const char *arg);
int on_get_nvr_alarm_inputs(const char *arg);
int on_get_nvr_alarm_input_schedule(const char *arg);
int on_set_nvr_alarm_input_schedule(const char *arg);
int on_set_nvr_alarm_input_name(const char *arg);
int on_set_nvr_alarm_input_basic(const char *arg);

// Reply handlers of the camera questions (payloads checked for their length by the dispatcher).
int on_get_camera_alarm_input_cb(const void *payload, int length);
int on_get_camera_alarm_output_cb(const void *payload, int length);

// The camera a question was asked about: its names and schedules are read for it, never for the
// channel a reply names (set before the question is sent, read on the receive thread).
extern int g_alarm_asked_channel;

// Sends a notice without waiting.
void alarm_notify(int code, const void *payload, int length);

// The contacts of the first min("copyCnt", length of "copyChn") items of the request that are
// integers below `limit`, without `self` (missing, null and non-integer items are skipped).
uint64_t alarm_copy_set(json_object *request, int limit, int self);

// Contact numbers (outputs, inputs, cameras) of a set in ascending order.
template <typename Visit>
void for_each_in_set(uint64_t set, Visit visit) {
    for (int i = 0; i < 64; i++)
        if (set & (1ULL << i)) visit(i);
}

#endif
