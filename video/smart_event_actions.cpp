// Smart-event action routes of module "/6000": the actions a smart event of a channel triggers,
// its schedules and linkage, and the people-counting reset.
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "frame/dispatchreq.h"
#include "video/smart_event_settings.h"
#include "video/vca_payloads.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// The channel and event type of an action request; false when either is missing or out of range.
bool read_channel_and_type(json_object *request, const char *channel_key, const char *type_key, int *channel,
                           int *type) {
    return read_channel_key(request, channel_key, channel) && on_cgi_get_int_from_json(request, type_key, type) == 0 &&
           smart_event_type_in_range(*type);
}

const char *const kActionAnswerKeys[] = {
    "enable",           "triAlarms",        "interval",         "email_interval",         "email_pic_enable",
    "tri_channels_pic", "ptz_interval",     "alarmout_interval", "triChannels",           "effective",
    "audible",          "email",            "ptz",              "triChnAlarms",           "white",
    "whiteInfo",        "white_interval",   "warningLight",     "warningLightInfo",       "warning_light_interval",
    "audioId",          "audioIdMask",      "ptzParams",
};

const char *const kCommonAnswerKeys[] = {"enable",           "triAlarms",        "interval",   "email_interval",
                                         "email_pic_enable", "tri_channels_pic", "triChannels"};

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

}  // namespace

// "/6148": the actions of one smart event of a channel, with its schedules and linkage, as
// {"action": [one object]}.
int on_get_smart_event_schedule(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, type = 0;
    if (!request || !read_channel_and_type(request, "chnid", "event", &channel, &type))
        return cgi_error_to_webserver(kJson);
    SmartEventRecord record;
    read_smart_event_record(channel, type, &record);
    json_object *action = json_object_new_object();
    json_object *list = json_object_new_array();
    json_object *answer = json_object_new_object();
    if (!action || !list || !answer) {
        json_object_put(action);
        json_object_put(list);
        json_object_put(answer);
        return cgi_error_to_webserver(kJson);
    }
    json_add_int(action, "chnid", channel);
    json_add_int(action, "event", type);
    add_event_action_answer(action, kActionAnswerKeys, NVR_ARRAY_COUNT(kActionAnswerKeys), SmartEventKind(type).kind(),
                            channel, record);
    json_object_array_add(list, action);
    json_object_object_add(answer, "action", list);
    return cgi_answer_json(answer, kJson);
}

// "/6149": the actions of one smart event of a channel; only the keys given change.
int on_set_smart_event_schedule(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0, type = 0;
    if (!read_channel_and_type(request, "chnid", "event", &channel, &type)) return cgi_error_to_webserver(kTextPlain);
    {
        DbTransaction transaction(kDb);
        store_event_sub_settings(request, SmartEventKind(type).kind(), channel, kActionSubSettings);
        SmartEventRecord record;
        bool readable = read_smart_event_record(channel, type, &record);
        if (apply_event_action_keys(request, smart_event_action_fields(&record), kActionWithEnable) > 0 && readable)
            write_smart_event(kDb, &record, type);
        transaction.commit();
    }
    notify_smart_event_changed(1ULL << channel);
    return answer_ok();
}

// "/6150": type 0 sets the triggered alarm outputs, type 1 the triggered channels. A record that
// cannot be read (also of a channel or event out of range) answers "ERROT".
int on_set_vca_allrtm_others(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int channel = 0, type = 0, event = 0;
    if (!read_channel_and_type(request, "channel", "event", &channel, &event))
        return cgi_writeback_webserver(kTextPlain, "ERROT");
    on_cgi_get_int_from_json(request, "type", &type);
    {
        DbTransaction transaction(kDb);
        SmartEventRecord record;
        if (!read_smart_event_record(channel, event, &record)) return cgi_writeback_webserver(kTextPlain, "ERROT");
        int value = 0;
        json_object *channels = json_get_typed(request, "triChannels", json_type_string);
        bool changed = false;
        if (type == 0 && on_cgi_get_int_from_json(request, "triAlarms", &value) == 0) {
            record.triAlarms = value;
            changed = true;
        } else if (type == 1 && channels) {
            set_channel_text(record.triChannels, &record.tri_channels_mask, json_object_get_string(channels));
            changed = true;
        }
        if (changed) write_smart_event(kDb, &record, event);
        transaction.commit();
    }
    notify_smart_event_changed(1ULL << channel);
    return answer_ok();
}

// "/6151": the common actions of one smart event of a channel.
int on_get_vca_common_para(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, type = 0;
    SmartEventRecord record;
    if (!request || !read_channel_and_type(request, "channel", "type", &channel, &type) ||
        !read_smart_event_record(channel, type, &record))
        return cgi_error_to_webserver(kTextPlain);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kTextPlain);
    json_add_int(answer, "chnid", channel);
    add_event_action_answer(answer, kCommonAnswerKeys, NVR_ARRAY_COUNT(kCommonAnswerKeys), SmartEventKind(type).kind(),
                            channel, record);
    return cgi_answer_json(answer, kJson);
}

// "/6154": resets the count of a people-counting line; the daemon's reply answers.
int on_vca_clear_people_count(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PeopleCountClear payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "channel", &payload.channel)) return cgi_error_to_webserver(kTextPlain);
    on_cgi_get_int_from_json(request, "line", &payload.line);
    on_cgi_get_int_from_json(request, "resetdb", &payload.resetdb);
    cgi_ask_daemon(on_video_ipc_callback, kRequestVcaPeopleClear, &payload, sizeof payload, kTextPlain);
    return 0;
}
