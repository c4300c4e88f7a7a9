// Route module "/6020" (alarm inputs and outputs): route table, reply dispatcher and the helpers
// its handlers share.
#include "alarm/alarm_module.h"

#include "alarm/alarm_payloads.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "frame/dispatchreq.h"
#include "core/reply_view.h"

int g_alarm_asked_channel = 0;

void alarm_notify(int code, const void *payload, int length) {
    cgi_notify_daemon(on_alarm_ipc_callback, code, payload, length);
}

uint64_t alarm_copy_set(json_object *request, int limit, int self) {
    uint64_t set = get_copy_flag_by_json(request, "copyChn", "copyCnt");
    if (limit < 64) set &= (1ULL << limit) - 1;
    if (self >= 0 && self < 64) set &= ~(1ULL << self);
    return set;
}

namespace {

struct AlarmReply {
    int code;
    int min_length;  // a shorter payload is no reply
    int (*handler)(const void *payload, int length);
};

const AlarmReply kAlarmReplies[] = {
    {kReplyCameraAlarmOuts, sizeof(CameraAlarmOutState), on_get_camera_alarm_output_cb},
    {kReplyCameraAlarmIns, sizeof(CameraAlarmInState), on_get_camera_alarm_input_cb},
};

}  // namespace

int on_alarm_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    for (const AlarmReply &entry : kAlarmReplies)
        if (entry.code == header->code)
            return ReplyView(payload, header->length).holds(entry.min_length) ? entry.handler(payload, header->length)
                                                                              : 0;
    return 0;
}

static const WebRes kAlarmRoutes[] = {
    // The recorder's alarm outputs.
    {"/6020", on_get_nvr_alarm_outputs},
    {"/6021", on_get_nvr_alarm_output},
    {"/6022", on_set_nvr_alarm_output},
    {"/6023", on_set_nvr_alarm_output_state},
    // The cameras' alarm inputs and outputs.
    {"/6024", on_get_camera_alarm_input},
    {"/6025", on_set_camera_alarm_input},
    {"/6028", on_get_camera_alarm_output},
    {"/6029", on_set_camera_alarm_output},
    {"/6033", on_set_camera_alarm_state},
    // The recorder's alarm inputs.
    {"/6026", on_get_nvr_alarm_input},
    {"/6027", on_set_nvr_alarm_input},
    {"/6060", on_get_nvr_alarm_inputs},
    {"/6061", on_get_nvr_alarm_input_schedule},
    {"/6062", on_set_nvr_alarm_input_schedule},
    {"/6063", on_set_nvr_alarm_input_name},
    {"/6064", on_set_nvr_alarm_input_basic},
    // Name lists.
    {"/6032", on_get_all_alarmout_names},
    {"/6034", on_get_all_alarmin_names},
};

NVR_ROUTE_MODULE(11, "/6020", kAlarmRoutes)
