// Fuzz target: the JSON codecs of the event pages and the JSON access helpers. The input is a
// request text; every decoder reads key "k" (a count from "n", a channel from "c", an event
// type from "t"). Decoded records must keep their texts inside their fields and their counts
// inside their capacity, and a decoded schedule or PTZ list must survive its way back.
#include <stdint.h>
#include <string.h>

#include <string>

#include "core/json_codec.h"
#include "core/json_util.h"
#include "fuzz/fuzz_support.h"

namespace {

void check_text_field(const char *field, size_t size, const char *what) {
    if (memchr(field, '\0', size) == nullptr) fuzz_fail("%s is not terminated within its %zu bytes", what, size);
}

// An encoder's value as json-c nodes. The encoders' values print themselves and hold no nodes,
// so this parses what they print (what the pages get).
json_object *printed_tree(json_object *encoded) {
    const char *text = json_object_to_json_string(encoded);
    json_object *tree = text ? json_tokener_parse(text) : nullptr;
    if (!tree) fuzz_fail("an encoder printed what does not parse: %.200s", text ? text : "(nothing)");
    json_object_put(encoded);
    return tree;
}

// The encoder's objects as the decoder's request form: [[[start, end, action], ...], ...].
json_object *request_form(json_object *encoded, bool with_action) {
    json_object *request = json_object_new_object();
    json_object *days = json_object_new_array();
    for (size_t d = 0; d < json_object_array_length(encoded); d++) {
        json_object *periods = json_object_new_array();
        json_object *day = json_object_array_get_idx(encoded, d);
        for (size_t p = 0; p < json_object_array_length(day); p++) {
            json_object *period = json_object_array_get_idx(day, p);
            json_object *item = json_object_new_array();
            json_object_array_add(item, json_object_get(json_object_object_get(period, "startTime")));
            json_object_array_add(item, json_object_get(json_object_object_get(period, "endTime")));
            if (with_action) json_object_array_add(item, json_object_get(json_object_object_get(period, "actionType")));
            json_object_array_add(periods, item);
        }
        json_object_array_add(days, periods);
    }
    json_object_object_add(request, "k", days);
    return request;
}

void check_schedules(json_object *request) {
    WeeklySchedule schedule, again;
    if (get_schedule_by_json(request, "k", &schedule) == 0) {
        for (const ScheduleDay &day : schedule.day)
            for (const SchedulePeriod &period : day.period) {
                check_text_field(period.startTime, sizeof period.startTime, "schedule start");
                check_text_field(period.endTime, sizeof period.endTime, "schedule end");
            }
        JsonRef encoded(printed_tree(get_schedule_json_object(&schedule)));
        JsonRef form(request_form(encoded, true));
        if (get_schedule_by_json(form, "k", &again) != 0 || memcmp(&schedule, &again, sizeof schedule) != 0)
            fuzz_fail("a decoded schedule does not survive encoding and decoding");
    }
    if (get_schedule_by_json_ipc(request, "k", &schedule) == 0) {
        for (int d = 7; d < 8; d++)
            if (schedule.day[d].dayFlag != 0) fuzz_fail("camera-form schedule flags day %d", d);
        JsonRef encoded(printed_tree(get_schedule_json_object_ipc(&schedule)));
        if (json_object_array_length(encoded) != 8) fuzz_fail("camera-form schedule of %zu days", json_object_array_length(encoded));
    }
}

void check_targets(json_object *request, int channel) {
    WhiteLedList white;
    if (get_white_params_by_json(channel, &white, request, "k") == 0) {
        if (white.count < 0 || white.count > kQvdbListEntries) fuzz_fail("white-LED list of %d", white.count);
        for (int i = 0; i < white.count; i++)
            if (white.entry[i].chnid < 0 || white.entry[i].chnid >= kQvdbChannels)
                fuzz_fail("white-LED target camera %d", white.entry[i].chnid);
    }
    WarningLightList warning;
    if (get_warning_light_params_by_json(channel, &warning, request, "k") == 0 &&
        (warning.count < 0 || warning.count > kQvdbListEntries))
        fuzz_fail("warning-light list of %d", warning.count);
    HttpTarget http;
    if (get_http_params_by_json(channel, &http, request, "k") == 0) {
        check_text_field(http.url, sizeof http.url, "HTTP url");
        check_text_field(http.username, sizeof http.username, "HTTP user name");
        check_text_field(http.password, sizeof http.password, "HTTP password");
    }
    CameraAlarmOut pair[2];
    memset(pair, 0, sizeof pair);
    if (get_event_chn_alarmout_by_object(channel, request, "k", pair) == 0)
        for (const CameraAlarmOut &out : pair) check_text_field(out.text, sizeof out.text, "alarm-output text");
    get_copy_flag_by_json(request, "k", "n");
}

// A stored PTZ linkage list reads back with the entries that name a PTZ channel.
void check_ptz_linkage(json_object *request, int channel, int type) {
    json_object *array = json_get_typed(request, "k", json_type_array);
    PtzLinkList list;
    if (get_ptz_params_by_json(channel, type, array, &list) != 0) return;
    if (list.count < 0 || list.count > kQvdbPtzEntries) fuzz_fail("PTZ linkage list of %d", list.count);
    if (set_ptz_params_by_json(channel, type, array) != 1) return;
    int limit = type == 20 ? 16 : kQvdbPtzEntries, expected = 0;
    for (int i = 0; i < list.count && i < limit; i++)
        if (list.entry[i].acto_ptz_channel > 0) expected++;
    JsonRef stored(printed_tree(get_ptz_params_json_object(type, channel)));
    if (static_cast<int>(json_object_array_length(stored)) != expected)
        fuzz_fail("PTZ linkage of %d entries read back as %zu", expected, json_object_array_length(stored));
}

void check_accessors(const std::string &text, json_object *request) {
    int value = 0;
    on_cgi_get_value_by_json(text.c_str(), "n", &value);
    on_cgi_get_int_from_json(request, "n", &value);
    int size = static_cast<int>(text.size() % 70) + 1;
    char buffer[72];
    memset(buffer, 'x', sizeof buffer);
    if (on_cgi_get_string_from_json(request, "k", buffer, size) == 0) check_text_field(buffer, static_cast<size_t>(size), "text key");
    json_int_or(request, "k", 0);
    FuzzRequestScope answers(nullptr, 0);
    on_cgi_common_text_cb(0, value, json_object_get_string(json_get_typed(request, "k", json_type_string)));
    on_cgi_common_json_cb(static_cast<int>(text.size() / 4), text.data());
    std::string output = answers.output();
    if (output.size() > 2 * 256 + 100) fuzz_fail("common reply answers %zu bytes", output.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    JsonRef request(get_request_tokener_json_object(text.c_str()));
    check_accessors(text, request);
    if (!request) return 0;
    int channel = json_int_or(request, "c", 0), type = json_int_or(request, "t", 1);
    check_schedules(request);
    check_targets(request, channel);
    fuzz_sandbox(true);
    check_ptz_linkage(request, channel, type);
    fuzz_sandbox(false);
    return 0;
}
