// Routes of the recorder's alarm outputs (list, one output with its schedule, settings with
// copies, switching) and the name list of every alarm output.
#include <string.h>

#include <utility>

#include "alarm/alarm_module.h"
#include "alarm/alarm_payloads.h"
#include "camera/camera_request.h"
#include "camera/keyed_table.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

json_object *output_object(const AlarmOutRecord &output) {
    json_object *object = json_object_new_object();
    json_add_int(object, "id", output.id);
    json_add_text(object, "name", output.name);
    json_add_int(object, "type", output.type);
    json_add_int(object, "enable", output.enable);
    json_add_int(object, "durationTime", output.durationTime);
    return object;
}

// The stored outputs in id order, as many as the database holds (at most 4).
int read_stored_outputs(AlarmOutRecord outputs[kQvdbAlarmOuts]) {
    int count = 0;
    memset(outputs, 0, sizeof(AlarmOutRecord) * kQvdbAlarmOuts);
    if (read_alarm_outs(kDb, outputs, &count) != 0) return 0;
    return count < 0 ? 0 : (count > kQvdbAlarmOuts ? kQvdbAlarmOuts : count);
}

// One output; an output without a stored record reads as a zeroed one with its id.
AlarmOutRecord read_output(int id) {
    AlarmOutRecord output;
    memset(&output, 0, sizeof output);
    read_alarm_out(kDb, &output, id);
    output.id = id;
    return output;
}

// "name", "enable", "type", "durationTime": each present key replaces its field. True when any did.
bool apply_output_keys(json_object *request, AlarmOutRecord *output) {
    bool changed = replace_text_key(request, "name", output->name, sizeof output->name);
    for (auto field : {std::make_pair("enable", &output->enable), std::make_pair("type", &output->type),
                       std::make_pair("durationTime", &output->durationTime)}) {
        int value = 0;
        if (on_cgi_get_int_from_json(request, field.first, &value) != 0) continue;
        *field.second = value;
        changed = true;
    }
    return changed;
}

// The outputs of "copyChn" take the source's type, enable and duration and its stored schedule.
// Returns the outputs copied to.
uint64_t copy_output(json_object *request, const AlarmOutRecord &source) {
    uint64_t copies = alarm_copy_set(request, kQvdbAlarmOuts, source.id);
    if (copies == 0) return 0;
    AlarmOutRecord outputs[kQvdbAlarmOuts];
    read_keyed_table(read_alarm_outs, &AlarmOutRecord::id, outputs, kQvdbAlarmOuts);
    for_each_in_set(copies, [&](int u) {
        outputs[u].type = source.type;
        outputs[u].enable = source.enable;
        outputs[u].durationTime = source.durationTime;
    });
    write_alarm_outs(kDb, outputs, kQvdbAlarmOuts, copies);
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    if (read_alarm_out_schedule(kDb, &schedule, source.id) == 0) copy_alarm_out_schedules(kDb, &schedule, copies);
    return copies;
}

void notify_output_changed(int id) {
    int32_t payload = id;
    alarm_notify(kRequestAlarmOutChanged, &payload, sizeof payload);
}

}  // namespace

// "/6020": every stored output.
int on_get_nvr_alarm_outputs(const char *) {
    AlarmOutRecord outputs[kQvdbAlarmOuts];
    int count = read_stored_outputs(outputs);
    json_object *list = json_object_new_array();
    if (!list) return 0;
    for (int i = 0; i < count; i++) json_object_array_add(list, output_object(outputs[i]));
    return cgi_answer_json(list, kJson);
}

// "/6021": one output ("alarmId" 0 to 3) with its effective schedule.
int on_get_nvr_alarm_output(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_int_between(request, "alarmId", 0, kQvdbAlarmOuts - 1, &id))
        return cgi_error_to_webserver(kJson);
    json_object *object = output_object(read_output(id));
    if (!object) return cgi_error_to_webserver(kJson);
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    read_alarm_out_schedule(kDb, &schedule, id);
    json_object_object_add(object, "effective", get_schedule_json_object_ex(&schedule));
    return cgi_answer_json(object, kJson);
}

// "/6022": an output's settings, its schedule ("dialog" {"effective"}) and copies of both to the
// outputs of "copyChn"; then the daemon hears of each changed output and the log of all of them.
int on_set_nvr_alarm_output(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_int_between(request, "alarmId", 0, kQvdbAlarmOuts - 1, &id))
        return cgi_error_to_webserver(kTextPlain);
    uint64_t copies = 0;
    {
        DbTransaction transaction(kDb);
        WeeklySchedule schedule;
        json_object *dialog = json_get_typed(request, "dialog", json_type_object);
        if (dialog && get_schedule_by_json_ex(dialog, "effective", &schedule) == 0)
            write_alarm_out_schedule(kDb, &schedule, id);
        AlarmOutRecord output = read_output(id);
        if (apply_output_keys(request, &output)) write_alarm_out(kDb, &output);
        copies = copy_output(request, output);
        if (transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    }
    notify_output_changed(id);
    for_each_in_set(copies, notify_output_changed);
    OperationLogRecordMulti log;
    cgi_init_log_info(&log.record);
    log.record.sub_type = kAlarmLogSubType;
    log.record.parameter = kAlarmOutLogParameter;
    log.record.channel = id + 1;
    log.channels = copies | (1ULL << id);
    alarm_notify(kRequestOperationLogMulti, &log, sizeof log);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6023": switches an output ("id" 0 to 3, "enable"); nothing is answered for another id.
int on_set_nvr_alarm_output_state(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_int_between(request, "id", 0, kQvdbAlarmOuts - 1, &id)) return 0;
    int32_t payload[2] = {id, json_int_or(request, "enable", 0)};
    alarm_notify(kRequestAlarmOutState, payload, sizeof payload);
    cgi_log_operation(on_alarm_ipc_callback, kAlarmLogSubType, kAlarmOutLogParameter, id + 1);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6032": the names of the recorder's outputs and of both outputs of every camera.
int on_get_all_alarmout_names(const char *) {
    AlarmOutRecord outputs[kQvdbAlarmOuts];
    int count = read_stored_outputs(outputs);
    CameraAlarmOutName names[kCameraAlarmOuts][kQvdbChannels];
    for (int index = 0; index < kCameraAlarmOuts; index++) read_alarm_chnOut_event_names(kDb, names[index], index);
    json_object *answer = json_object_new_object();
    if (!answer) return 0;
    json_object *recorder = json_object_new_array();
    for (int i = 0; i < count; i++) json_object_array_add(recorder, json_object_new_string(outputs[i].name));
    json_object_object_add(answer, "nvr", recorder);
    json_object *cameras = json_object_new_array();
    for (int channel = 0; channel < kQvdbChannels; channel++) {
        json_object *pair = json_object_new_array();
        for (int index = 0; index < kCameraAlarmOuts; index++)
            json_object_array_add(pair, json_object_new_string(names[index][channel].name));
        json_object_array_add(cameras, pair);
    }
    json_object_object_add(answer, "camera", cameras);
    return cgi_answer_json(answer, kJson);
}
