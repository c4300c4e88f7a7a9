// Reply handlers and the reply dispatcher of module "/5000": PTZ state, support, basic settings,
// camera relays, control results and LED status.
#include <json-c/json.h>
#include <stdint.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "ptz/ptz_module.h"
#include "ptz/ptz_payloads.h"
#include "core/reply_view.h"

namespace {

int answer_text(const char *text) {
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done();
    return 0;
}

json_object *int_array(const ReplyView &reply, int first_word, int count) {
    json_object *values = json_object_new_array();
    for (int i = 0; i < count; i++) json_object_array_add(values, json_object_new_int(reply.number(4 * (first_word + i))));
    return values;
}

// ---- PTZ state (6265, 6268) ----------------------------------------------------------------------

json_object *preset_objects(const ReplyView &reply) {
    json_object *presets = json_object_new_array();
    for (int i = 0; i < kPtzPresets; i++) {
        int base = 4 * kPtzPresetWords * i;
        json_object *preset = json_object_new_object();
        json_add_int(preset, "enable", reply.number(base));
        json_add_text(preset, "name", reply.text(base + 4, 32).c_str());
        json_object_array_add(presets, preset);
    }
    return presets;
}

// Each tour's rows up to the first preset id that is 0 or less.
json_object *tour_arrays(const ReplyView &reply) {
    json_object *tours = json_object_new_array();
    for (int t = 0; t < kPtzTours; t++) {
        int base = 4 * (kPtzTourWordsAt + kPtzTourWords * t);
        json_object *rows = json_object_new_array();
        for (int r = 0; r < kPtzTourRows; r++) {
            int preset = reply.number(base + 4 * r);
            if (preset <= 0) break;
            json_object *row = json_object_new_object();
            json_add_int(row, "preset_id", preset);
            json_add_int(row, "speed", reply.number(base + 4 * (2 * kPtzTourRows + r)));
            json_add_int(row, "timeout", reply.number(base + 4 * (kPtzTourRows + r)));
            json_object_array_add(rows, row);
        }
        json_object_array_add(tours, rows);
    }
    return tours;
}

int answer_ptz_state(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    if (reply.length() / kPtzStateSize == 0) {
        json_add_text(answer, "status", "Error");
        return cgi_reply_json(answer);
    }
    json_add_text(answer, "status", "OK");
    json_object_object_add(answer, "PRESET", preset_objects(reply));
    json_object_object_add(answer, "TOUR", tour_arrays(reply));
    json_object *patterns = json_object_new_array();
    for (int i = 0; i < kPtzPatterns; i++) {
        json_object *pattern = json_object_new_object();
        json_add_int(pattern, "enable", reply.number(4 * (kPtzPatternWordsAt + i)));
        json_object_array_add(patterns, pattern);
    }
    json_object_object_add(answer, "PATTERN", patterns);
    json_object_object_add(answer, "autoscan_status", int_array(reply, kPtzAutoScanWordsAt, kPtzAutoScanWords));
    json_object *tour_status = json_object_new_array();
    for (int i = 0; i < kPtzTourStatusArrays; i++)
        json_object_array_add(tour_status, int_array(reply, kPtzTourStatusWordsAt + kPtzTours * i, kPtzTours));
    json_object_object_add(answer, "tour_status", tour_status);
    return cgi_reply_json(answer);
}

// ---- basic settings (6270) -----------------------------------------------------------------------

struct BasicField {
    const char *key;
    int offset;
};
const BasicField kBasicFields[] = {
    {"status", offsetof(PtzBasicSettings, status)},
    {"chnId", offsetof(PtzBasicSettings, chnId)},
    {"zoomStatus", offsetof(PtzBasicSettings, zoomStatus)},
    {"panTiltStatus", offsetof(PtzBasicSettings, panTiltStatus)},
    {"presetStatus", offsetof(PtzBasicSettings, presetStatus)},
    {"patrolStatus", offsetof(PtzBasicSettings, patrolStatus)},
    {"patternStatus", offsetof(PtzBasicSettings, patternStatus)},
    {"autoScanStatus", offsetof(PtzBasicSettings, autoScanStatus)},
    {"presetFreezing", offsetof(PtzBasicSettings, presetFreezing)},
    {"presetSpeed", offsetof(PtzBasicSettings, presetSpeed)},
    {"manualSpeed", offsetof(PtzBasicSettings, manualSpeed)},
    {"patrolRecovering", offsetof(PtzBasicSettings, patrolRecovering)},
    {"patrolRecoveryTime", offsetof(PtzBasicSettings, patrolRecoveryTime)},
    {"focusMode", offsetof(PtzBasicSettings, focusMode)},
    {"minFocusDistance", offsetof(PtzBasicSettings, minFocusDistance)},
    {"resumeTime", offsetof(PtzBasicSettings, resumeTime)},
    {"fanWorkingMode", offsetof(PtzBasicSettings, fanWorkingMode)},
};

int answer_basic_settings(const void *payload, int length) {
    ReplyView reply(payload, length);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    for (const BasicField &field : kBasicFields) json_add_int(answer, field.key, reply.number(field.offset));
    return cgi_reply_json(answer);
}

// ---- short answers (6262, 6271, 8226, 8361, 8363) -------------------------------------------------

int answer_support(const void *payload, int length) {
    return answer_text(ReplyView(payload, length).number(0) == -1 ? "-1" : "0");
}

int answer_status(const void *payload, int length) { return on_cgi_common_json_cb(length / 4, payload); }

int answer_relayed(const void *, int) { return answer_text("OK"); }

int answer_control_result(const void *payload, int length) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "res", ReplyView(payload, length).number(0));
    return cgi_reply_json(answer);
}

int answer_led_status(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (reply.length() / 8 == 0) return cgi_reply_json(nullptr);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "chnid", reply.number(0));
    json_add_int(answer, "status", reply.number(4));
    return cgi_reply_json(answer);
}

// ---- the dispatch table --------------------------------------------------------------------------

// A reply shorter than min_length is no reply: the route's wait ends in its error answer.
struct PtzReply {
    int code;
    int min_length;
    int (*handler)(const void *payload, int length);
};

const PtzReply kPtzReplies[] = {
    {6262, 4, answer_support},
    {6265, 0, answer_ptz_state},
    {6268, 0, answer_ptz_state},
    {6270, sizeof(PtzBasicSettings), answer_basic_settings},
    {6271, 4, answer_status},
    {8226, 0, answer_relayed},
    {8361, 4, answer_control_result},
    {8363, 0, answer_led_status},
};

}  // namespace

int on_ptz_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    for (const PtzReply &reply : kPtzReplies)
        if (reply.code == header->code)
            return header->length >= reply.min_length ? reply.handler(payload, header->length) : 0;
    return 0;
}
