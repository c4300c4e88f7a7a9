// Alarm status ("/8003"): the daemon's live event and alarm state of every listed channel and of
// the recorder's own alarm contacts, with their stored names.
#include <stdio.h>
#include <string.h>

#include "core/json_util.h"
#include "core/qvdb_alarm.h"
#include "core/qvdb_alarm_io.h"
#include "status/status_module.h"
#include "status/status_payloads.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kRecorderInputs = 16;

// What the handler reads for the reply handler besides the channels' cameras and names.
struct AlarmStatusContext {
    int inputs;   // "alarm_in", at most 16
    int outputs;  // "alarm_out", at most 4
    AlarmInRecord input[kRecorderInputs];
    AlarmOutRecord output[kQvdbAlarmOuts];
    CameraAlarmInName camera_in[kCameraAlarmIns][kQvdbChannels];
    CameraAlarmOutName camera_out[kCameraAlarmOuts][kQvdbChannels];
};
AlarmStatusContext g_alarm_context;

int bounded(int value, int most) { return value < 0 ? 0 : (value > most ? most : value); }

int bit(uint64_t set, int i) { return (set >> i) & 1; }

void read_alarm_context() {
    AlarmStatusContext &c = g_alarm_context;
    c.inputs = bounded(get_param_int(kDb, "alarm_in", 16), kRecorderInputs);
    c.outputs = bounded(get_param_int(kDb, "alarm_out", 4), kQvdbAlarmOuts);
    memset(c.input, 0, sizeof c.input);
    for (int id = 0; id < c.inputs; id++) {
        read_alarm_in(kDb, &c.input[id], id);
        c.input[id].id = id;
    }
    memset(c.output, 0, sizeof c.output);
    for (int id = 0; id < c.outputs; id++) {
        read_alarm_out(kDb, &c.output[id], id);
        c.output[id].id = id;
    }
    for (int index = 0; index < kCameraAlarmIns; index++) read_alarm_chnIn_event_names(kDb, c.camera_in[index], index);
    for (int index = 0; index < kCameraAlarmOuts; index++)
        read_alarm_chnOut_event_names(kDb, c.camera_out[index], index);
}

void add_indexed(json_object *object, const char *format, int k, json_object *value) {
    char key[32];
    snprintf(key, sizeof key, format, k);
    json_object_object_add(object, key, value);
}

json_object *field_string(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

json_object *camera_object(const AlarmStatusReply &state, int j) {
    const CameraRecord &camera = g_status_context.cameras[j];
    const OsdRecord &osd = g_status_context.names[j];
    json_object *object = json_object_new_object();
    json_add_int(object, "id", j);
    json_object_object_add(object, "name", field_string(osd.camName, sizeof osd.camName));
    json_object_object_add(object, "ipAddr", field_string(camera.ipAddr, sizeof camera.ipAddr));
    json_add_int(object, "videolossOn", bit(state.videoloss, j));
    json_add_int(object, "motionOn", bit(state.motion, j));
    json_add_int(object, "ioOn", 1);
    const struct {
        const char *key;
        uint64_t set;
    } events[] = {
        {"entrance", state.entrance},         {"exiting", state.exiting},
        {"advancedMotion", state.advanced_motion}, {"tampering", state.tampering},
        {"lineCrossing", state.line_crossing}, {"loitering", state.loitering},
        {"humanDetection", state.human_detection}, {"objectleftremove", state.object_left_remove},
    };
    for (const auto &event : events) json_add_int(object, event.key, bit(event.set, j));
    json_add_int(object, "in", state.count[j].in);
    json_add_int(object, "out", state.count[j].out);
    for (int k = 0; k < kCameraAlarmIns; k++) {
        const CameraAlarmInName &in = g_alarm_context.camera_in[k][j];
        add_indexed(object, "AlarmInName%d", k, field_string(in.name, sizeof in.name));
        add_indexed(object, "AlarmInType%d", k, json_object_new_int(bit(state.camera_in_type[k], j)));
        add_indexed(object, "AlarmInState%d", k, json_object_new_int(bit(state.camera_in_state[k], j)));
        if (k >= kCameraAlarmOuts) continue;
        const CameraAlarmOutName &out = g_alarm_context.camera_out[k][j];
        add_indexed(object, "AlarmOutName%d", k, field_string(out.name, sizeof out.name));
        add_indexed(object, "AlarmOutDelay%d", k, json_object_new_int(out.delayTime));
        add_indexed(object, "AlarmOutType%d", k, json_object_new_int(bit(state.camera_out_type[k], j)));
        add_indexed(object, "AlarmOutState%d", k, json_object_new_int(bit(state.camera_out_state[k], j)));
    }
    return object;
}

}  // namespace

// "/8003": the live state of every listed channel and of the recorder's contacts (reply 8305).
int on_get_alarm_status(const char *) {
    read_channel_context();
    read_alarm_context();
    status_ask(kRequestAlarmStatus);
    return 0;
}

// 8305: {"cameras": [...], "alarmIn": [...], "alarmOut": [...]}.
int on_get_alarm_status_cb(const void *payload, int) {
    AlarmStatusReply state;
    memcpy(&state, payload, sizeof state);  // the dispatcher checked the length
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_object *cameras = json_object_new_array();
    for (int j = 0; j < g_status_context.channels; j++) json_object_array_add(cameras, camera_object(state, j));
    json_object_object_add(answer, "cameras", cameras);
    json_object *inputs = json_object_new_array();
    for (int j = 0; j < g_alarm_context.inputs; j++) {
        const AlarmInRecord &input = g_alarm_context.input[j];
        json_object *object = json_object_new_object();
        json_add_int(object, "id", j);
        json_object_object_add(object, "name", field_string(input.name, sizeof input.name));
        json_add_int(object, "type", input.alarmType);
        json_add_int(object, "state", (state.alarm_ins >> j) & 1);
        json_object_array_add(inputs, object);
    }
    json_object_object_add(answer, "alarmIn", inputs);
    json_object *outputs = json_object_new_array();
    for (int k = 0; k < g_alarm_context.outputs; k++) {
        const AlarmOutRecord &output = g_alarm_context.output[k];
        json_object *object = json_object_new_object();
        json_add_int(object, "id", k);
        json_object_object_add(object, "name", field_string(output.name, sizeof output.name));
        json_add_int(object, "type", output.type);
        json_add_int(object, "duration", output.durationTime);
        json_add_int(object, "state", (state.alarm_outs >> k) & 1);
        json_object_array_add(outputs, object);
    }
    json_object_object_add(answer, "alarmOut", outputs);
    return cgi_reply_json(answer);
}
