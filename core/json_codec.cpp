// JSON forms of weekly schedules, copy sets and event targets, and their database reads.
#include "core/json_codec.h"

#include <string.h>

#include "core/json_util.h"
#include "core/web_utils.h"

namespace {

constexpr int kPeopleCountPtzEntries = 16;
constexpr int kPtzEventTypes = 32;

json_object *new_text(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

// Item i of an array when it has the type, else null.
json_object *typed_item(json_object *array, size_t index, json_type type) {
    if (!array || index >= json_object_array_length(array)) return nullptr;
    json_object *item = json_object_array_get_idx(array, index);
    return item && json_object_is_type(item, type) ? item : nullptr;
}

// Integer element of an array or key of an object; missing or not a number reads as 0.
int int_item(json_object *array, size_t index) {
    json_object *item = typed_item(array, index, json_type_int);
    if (!item) item = typed_item(array, index, json_type_double);
    return item ? json_object_get_int(item) : 0;
}
int int_key(json_object *object, const char *key) {
    int value = 0;
    return on_cgi_get_int_from_json(object, key, &value) == 0 ? value : 0;
}

// A text element of an array copied into a field ("" when missing or not a string).
void text_item(json_object *array, size_t index, char *field, size_t size) {
    json_object *item = typed_item(array, index, json_type_string);
    copy_text_field(field, size, item ? json_object_get_string(item) : "");
}

// Channel of an item: an integer 0 to 63, else -1.
int channel_value(json_object *value) {
    if (!value || !json_object_is_type(value, json_type_int)) return -1;
    int64_t channel = json_object_get_int64(value);
    return channel >= 0 && channel < kQvdbChannels ? static_cast<int>(channel) : -1;
}

json_object *schedule_json(const WeeklySchedule *schedule) {
    json_object *days = json_object_new_array();
    for (int d = 0; d < 8; d++) {
        json_object *periods = json_object_new_array();
        for (int p = 0; p < kSchedulePeriodsPerDay; p++) {
            const SchedulePeriod &period = schedule->day[d].period[p];
            json_object *item = json_object_new_object();
            json_object_object_add(item, "startTime", new_text(period.startTime, sizeof period.startTime));
            json_object_object_add(item, "endTime", new_text(period.endTime, sizeof period.endTime));
            json_object_object_add(item, "actionType", json_object_new_int(period.actionType));
            json_object_array_add(periods, item);
        }
        json_object_array_add(days, periods);
    }
    return days;
}

// Fills days x periods of [start, end(, action)] arrays into a cleared schedule.
int schedule_from_json(json_object *request, const char *key, WeeklySchedule *schedule, int days, int periods,
                       bool with_action, bool set_day_flags) {
    if (!schedule || !key) return -1;
    json_object *array = json_get_typed(request, key, json_type_array);
    if (!array) return -1;
    memset(schedule, 0, sizeof *schedule);
    for (int d = 0; d < days; d++) {
        json_object *day = typed_item(array, static_cast<size_t>(d), json_type_array);
        if (!day) continue;
        if (set_day_flags) schedule->day[d].dayFlag = 1;
        for (int p = 0; p < periods; p++) {
            json_object *item = typed_item(day, static_cast<size_t>(p), json_type_array);
            if (!item) continue;
            SchedulePeriod &period = schedule->day[d].period[p];
            text_item(item, 0, period.startTime, sizeof period.startTime);
            text_item(item, 1, period.endTime, sizeof period.endTime);
            if (with_action) period.actionType = int_item(item, 2);
        }
    }
    return 0;
}

// Rendered text of the array contains "chnid": items are objects, else arrays.
bool items_are_objects(json_object *array) {
    const char *text = json_object_to_json_string(array);
    return text && strstr(text, "chnid") != nullptr;
}

// One target item as {chnid, first, second}: objects by key, arrays by position. False when
// the item has the wrong type or no valid chnid.
bool read_target_item(json_object *array, size_t index, bool objects, const char *second_key, const char *third_key,
                      int values[3]) {
    if (objects) {
        json_object *item = typed_item(array, index, json_type_object);
        if (!item) return false;
        json_object *chnid = nullptr;
        json_object_object_get_ex(item, "chnid", &chnid);
        values[0] = channel_value(chnid);
        values[1] = int_key(item, second_key);
        values[2] = third_key ? int_key(item, third_key) : 0;
    } else {
        json_object *item = typed_item(array, index, json_type_array);
        if (!item) return false;
        values[0] = channel_value(json_object_array_get_idx(item, 0));
        values[1] = int_item(item, 1);
        values[2] = third_key ? int_item(item, 2) : 0;
    }
    return values[0] >= 0;
}

// Decodes the key's array into a target list: cleared, the event channel set in entry 0 (so an
// empty array stores an empty list), then at most 16 valid items, each stored by `store`.
template <typename List, typename Store>
int target_list_from_json(int channel, List *list, json_object *request, const char *key, const char *second_key,
                          const char *third_key, Store store) {
    if (!list || !key) return -1;
    json_object *array = json_get_typed(request, key, json_type_array);
    if (!array) return -1;
    memset(list, 0, sizeof *list);
    list->entry[0].channel = channel;
    bool objects = items_are_objects(array);
    size_t length = json_object_array_length(array);
    for (size_t i = 0; i < length && list->count < kQvdbListEntries; i++) {
        int values[3];
        if (read_target_item(array, i, objects, second_key, third_key, values))
            store(list->entry[list->count++], values);
    }
    return 0;
}

int white_list_from_json(int channel, WhiteLedList *list, json_object *request, const char *key) {
    return target_list_from_json(channel, list, request, key, "mode", "time",
                                 [channel](WhiteLedTarget &target, const int values[3]) {
                                     target = {channel, values[0], values[1], values[2]};
                                 });
}

json_object *white_list_json(const WhiteLedList &list) {
    json_object *array = json_object_new_array();
    for (int i = 0; i < list.count && i < kQvdbListEntries; i++) {
        json_object *item = json_object_new_object();
        json_object_object_add(item, "chnid", json_object_new_int(list.entry[i].chnid));
        json_object_object_add(item, "mode", json_object_new_int(list.entry[i].mode));
        json_object_object_add(item, "time", json_object_new_int(list.entry[i].time));
        json_object_array_add(array, item);
    }
    return array;
}

QvdbTableKey table_key(int channel, const char *table) {
    QvdbTableKey key;
    memset(&key, 0, sizeof key);
    key.channel = channel;
    copy_text_field(key.table, sizeof key.table, table ? table : "");
    return key;
}

}  // namespace

// ----- schedules -----

json_object *get_schedule_json_object(const WeeklySchedule *schedule) {
    return schedule ? schedule_json(schedule) : json_object_new_array();
}

json_object *get_schedule_json_object_ex(const WeeklySchedule *schedule) { return get_schedule_json_object(schedule); }

int get_schedule_by_json(json_object *request, const char *key, WeeklySchedule *schedule) {
    return schedule_from_json(request, key, schedule, 8, kSchedulePeriodsPerDay, true, false);
}

int get_schedule_by_json_ex(json_object *request, const char *key, WeeklySchedule *schedule) {
    return get_schedule_by_json(request, key, schedule);
}

json_object *get_schedule_json_object_ipc(const WeeklySchedule *schedule) {
    json_object *days = json_object_new_array();
    for (int d = 0; d < 8 && schedule; d++) {
        bool flagged = schedule->day[d].dayFlag != 0;
        json_object *periods = json_object_new_array();
        for (int p = 0; p < kSchedulePeriodsPerDay; p++) {
            const SchedulePeriod &period = schedule->day[d].period[p];
            json_object *item = json_object_new_object();
            json_object_object_add(item, "startTime",
                                   flagged ? new_text(period.startTime, sizeof period.startTime) : json_object_new_string(""));
            json_object_object_add(item, "endTime",
                                   flagged ? new_text(period.endTime, sizeof period.endTime) : json_object_new_string(""));
            json_object_array_add(periods, item);
        }
        json_object_array_add(days, periods);
    }
    return days;
}

int get_schedule_by_json_ipc(json_object *request, const char *key, WeeklySchedule *schedule) {
    return schedule_from_json(request, key, schedule, kCameraScheduleDays, kCameraSchedulePeriods, false, true);
}

// ----- copy set and camera alarm outputs -----

uint64_t get_copy_flag_by_json(json_object *request, const char *array_key, const char *count_key) {
    int count = 0;
    if (on_cgi_get_int_from_json(request, count_key, &count) != 0 || count <= 0) return 0;
    json_object *array = json_get_typed(request, array_key, json_type_array);
    if (!array) return 0;
    uint64_t set = 0;
    size_t length = json_object_array_length(array);
    for (size_t i = 0; i < length && i < static_cast<size_t>(count); i++) {
        int channel = channel_value(json_object_array_get_idx(array, i));
        if (channel >= 0) set |= 1ULL << channel;
    }
    return set;
}

json_object *get_event_chn_alarmout_object(const char *text1, const char *text2) {
    json_object *array = json_object_new_array();
    json_object_array_add(array, json_object_new_string(text1 ? text1 : ""));
    json_object_array_add(array, json_object_new_string(text2 ? text2 : ""));
    return array;
}

int get_event_chn_alarmout_by_object(int channel, json_object *request, const char *key, CameraAlarmOut pair[2]) {
    if (!pair || !key) return -1;
    json_object *array = json_get_typed(request, key, json_type_array);
    if (!array) return -1;
    for (int i = 0; i < 2; i++) {
        json_object *item = typed_item(array, static_cast<size_t>(i), json_type_string);
        if (!item) continue;
        pair[i].channel = channel;
        pair[i].index = i;
        copy_text_field(pair[i].text, sizeof pair[i].text, json_object_get_string(item));
    }
    return 0;
}

// ----- white LED and warning light -----

json_object *get_white_params_json_object(int channel, const char *table) {
    WhiteLedList list;
    memset(&list, 0, sizeof list);
    QvdbTableKey key = table_key(channel, table);
    if (read_whiteled_params(QVDB_PATH, &list, &key) != 0) list.count = 0;
    return white_list_json(list);
}

int get_white_params_by_json(int channel, WhiteLedList *list, json_object *request, const char *key) {
    return white_list_from_json(channel, list, request, key);
}

json_object *get_pcnt_white_params_json_object(int group) {
    WhiteLedList list;
    memset(&list, 0, sizeof list);
    if (read_peoplecnt_wled_params(QVDB_PATH, &list, group) != 0) list.count = 0;
    return white_list_json(list);
}

int get_pcnt_white_params_by_json(int group, WhiteLedList *list, json_object *request, const char *key) {
    return white_list_from_json(group, list, request, key);
}

json_object *get_warning_light_params_json_object(int channel, const char *table) {
    WarningLightList list;
    memset(&list, 0, sizeof list);
    QvdbTableKey key = table_key(channel, table);
    if (read_warning_light_params(QVDB_PATH, &list, &key) != 0) list.count = 0;
    json_object *array = json_object_new_array();
    for (int i = 0; i < list.count && i < kQvdbListEntries; i++) {
        json_object *item = json_object_new_object();
        json_object_object_add(item, "chnid", json_object_new_int(list.entry[i].chnid));
        json_object_object_add(item, "time", json_object_new_int(list.entry[i].time));
        json_object_array_add(array, item);
    }
    return array;
}

int get_warning_light_params_by_json(int channel, WarningLightList *list, json_object *request, const char *key) {
    return target_list_from_json(channel, list, request, key, "time", nullptr,
                                 [channel](WarningLightTarget &target, const int values[3]) {
                                     target.channel = channel;
                                     target.chnid = values[0];
                                     target.time = values[1];
                                 });
}

// ----- HTTP target -----

json_object *get_http_params_json_object(int channel, const char *table) {
    HttpTarget target;
    memset(&target, 0, sizeof target);
    target.channel = channel;
    read_http_notification_params(QVDB_PATH, &target, table, channel);
    json_object *object = json_object_new_object();
    json_object_object_add(object, "chnId", json_object_new_int(target.channel));
    json_object_object_add(object, "url", new_text(target.url, sizeof target.url));
    json_object_object_add(object, "username", new_text(target.username, sizeof target.username));
    json_object_object_add(object, "password", new_text(target.password, sizeof target.password));
    return object;
}

int get_http_params_by_json(int channel, HttpTarget *target, json_object *request, const char *key) {
    if (!target || !key) return -1;
    json_object *object = json_get_typed(request, key, json_type_object);
    if (!object) return -1;
    memset(target, 0, sizeof *target);
    target->channel = channel;
    on_cgi_get_string_from_json(object, "url", target->url, sizeof target->url);
    on_cgi_get_string_from_json(object, "username", target->username, sizeof target->username);
    on_cgi_get_string_from_json(object, "password", target->password, sizeof target->password);
    return 0;
}

// ----- PTZ linkage -----

json_object *get_ptz_params_json_object(int type, int channel) {
    PtzLinkList list;
    memset(&list, 0, sizeof list);
    int limit = kQvdbPtzEntries;
    int rc;
    if (type == kQvdbPeopleCountPtzType) {
        rc = read_peoplecnt_ptz_params(QVDB_PATH, &list, channel);
        limit = kPeopleCountPtzEntries;
    } else {
        rc = read_ptz_params(QVDB_PATH, &list, type, channel);
    }
    json_object *array = json_object_new_array();
    for (int i = 0; rc == 0 && i < list.count && i < limit; i++) {
        const PtzLinkEntry &entry = list.entry[i];
        if (entry.acto_ptz_channel <= 0) continue;
        json_object *item = json_object_new_object();
        json_object_object_add(item, "acto_ptz_channel", json_object_new_int(entry.acto_ptz_channel));
        json_object_object_add(item, "acto_ptz_type", json_object_new_int(entry.acto_ptz_type));
        json_object_object_add(item, "acto_ptz_preset", json_object_new_int(entry.acto_ptz_preset));
        json_object_object_add(item, "acto_ptz_patrol", json_object_new_int(entry.acto_ptz_patrol));
        json_object_array_add(array, item);
    }
    return array;
}

int get_ptz_params_by_json(int channel, int type, json_object *array, PtzLinkList *list) {
    if (!list || !array || !json_object_is_type(array, json_type_array)) return -1;
    if (channel < 0 || channel >= kQvdbChannels || type < 0 || type >= kPtzEventTypes) return -1;
    memset(list, 0, sizeof *list);
    size_t length = json_object_array_length(array);
    for (size_t i = 0; i < length && list->count < kQvdbPtzEntries; i++) {
        json_object *item = typed_item(array, i, json_type_object);
        if (!item) continue;
        PtzLinkEntry &entry = list->entry[list->count++];
        entry.channel = channel;
        entry.acto_ptz_channel = int_key(item, "acto_ptz_channel");
        entry.acto_ptz_type = int_key(item, "acto_ptz_type");
        entry.acto_ptz_preset = int_key(item, "acto_ptz_preset");
        entry.acto_ptz_patrol = int_key(item, "acto_ptz_patrol");
        entry.acto_ptz_pattern = int_key(item, "acto_ptz_pattern");
    }
    return 0;
}

int set_ptz_params_by_json(int channel, int type, json_object *array) {
    if (!array) return 0;
    PtzLinkList list;
    if (get_ptz_params_by_json(channel, type, array, &list) != 0) return 0;
    int rc = type == kQvdbPeopleCountPtzType ? write_peoplecnt_ptz_params_ex(QVDB_PATH, &list, channel)
                                             : write_ptz_params_all(QVDB_PATH, &list, type, channel);
    return rc == 0 ? 1 : 0;
}

int get_smart_event_ptz_type(int index) { return index >= 0 && index <= 8 ? index + 5 : -1; }

bool on_cgi_is_qv_lpr(int camera_type) { return camera_type >= 11 && camera_type <= 14; }
