// TEMPORARY stand-in of the shared schedule and event JSON codec (see pending_codec.h).
#include "video/pending_codec.h"

#include <string.h>

#include "core/json_util.h"
#include "core/web_utils.h"

namespace {

const char *kDb = QVDB_PATH;

json_object *schedule_object(const WeeklySchedule *schedule) {
    json_object *days = json_object_new_array();
    for (int d = 0; d < 8; d++) {
        json_object *day = json_object_new_array();
        for (int p = 0; p < 12; p++) {
            const SchedulePeriod &period = schedule->day[d].period[p];
            json_object *item = json_object_new_object();
            json_object_object_add(item, "startTime", json_object_new_string(period.startTime));
            json_object_object_add(item, "endTime", json_object_new_string(period.endTime));
            json_object_object_add(item, "actionType", json_object_new_int(period.actionType));
            json_object_array_add(day, item);
        }
        json_object_array_add(days, day);
    }
    return days;
}

const char *item_text(json_object *array, size_t i) {
    json_object *item = json_object_array_get_idx(array, i);
    return item && json_object_is_type(item, json_type_string) ? json_object_get_string(item) : nullptr;
}

int item_int(json_object *item, const char *key, size_t position, bool by_key) {
    json_object *value = by_key ? json_object_object_get(item, key) : json_object_array_get_idx(item, position);
    return value ? json_object_get_int(value) : 0;
}

}  // namespace

json_object *get_schedule_json_object(const WeeklySchedule *schedule) { return schedule_object(schedule); }
json_object *get_schedule_json_object_ex(const WeeklySchedule *schedule) { return schedule_object(schedule); }

int get_schedule_by_json(json_object *request, const char *key, WeeklySchedule *schedule) {
    json_object *days = json_get_typed(request, key, json_type_array);
    if (!days || !schedule || json_object_array_length(days) < 8) return -1;
    for (size_t d = 0; d < 8; d++) {
        json_object *day = json_object_array_get_idx(days, d);
        if (!day || !json_object_is_type(day, json_type_array) || json_object_array_length(day) < 12) return -1;
        for (size_t p = 0; p < 12; p++) {
            json_object *period = json_object_array_get_idx(day, p);
            if (!period || !json_object_is_type(period, json_type_array) || json_object_array_length(period) < 3 ||
                !item_text(period, 0) || !item_text(period, 1))
                return -1;
        }
    }
    memset(schedule, 0, sizeof *schedule);
    for (size_t d = 0; d < 8; d++) {
        json_object *day = json_object_array_get_idx(days, d);
        for (size_t p = 0; p < 12; p++) {
            json_object *period = json_object_array_get_idx(day, p);
            SchedulePeriod &slot = schedule->day[d].period[p];
            copy_text_field(slot.startTime, sizeof slot.startTime, item_text(period, 0));
            copy_text_field(slot.endTime, sizeof slot.endTime, item_text(period, 1));
            slot.actionType = json_object_get_int(json_object_array_get_idx(period, 2));
        }
    }
    return 0;
}

uint64_t get_copy_flag_by_json(json_object *request, const char *array_key, const char *count_key) {
    int count = 0;
    json_object *items = json_get_typed(request, array_key, json_type_array);
    if (on_cgi_get_int_from_json(request, count_key, &count) != 0 || count <= 0 || !items) return 0;
    uint64_t set = 0;
    for (int i = 0; i < count && static_cast<size_t>(i) < json_object_array_length(items); i++) {
        json_object *item = json_object_array_get_idx(items, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        int channel = json_object_get_int(item);
        if (channel >= 0 && channel < 64) set |= 1ULL << channel;
    }
    return set;
}

json_object *get_event_chn_alarmout_object(const char *text1, const char *text2) {
    json_object *pair = json_object_new_array();
    json_object_array_add(pair, json_object_new_string(text1));
    json_object_array_add(pair, json_object_new_string(text2));
    return pair;
}

json_object *get_white_params_json_object(int channel, const char *table) {
    WhiteLedList list;
    memset(&list, 0, sizeof list);
    QvdbTableKey key{};
    key.channel = channel;
    copy_text_field(key.table, sizeof key.table, table);
    read_whiteled_params(kDb, &list, &key);
    json_object *items = json_object_new_array();
    for (int i = 0; i < list.count && i < kQvdbListEntries; i++) {
        json_object *item = json_object_new_object();
        json_object_object_add(item, "chnid", json_object_new_int(list.entry[i].chnid));
        json_object_object_add(item, "mode", json_object_new_int(list.entry[i].mode));
        json_object_object_add(item, "time", json_object_new_int(list.entry[i].time));
        json_object_array_add(items, item);
    }
    return items;
}

int get_white_params_by_json(int channel, WhiteLedList *list, json_object *request, const char *key) {
    json_object *items = json_get_typed(request, key, json_type_array);
    if (!items || !list) return -1;
    memset(list, 0, sizeof *list);
    bool by_key = strstr(json_object_to_json_string(items), "chnid") != nullptr;
    for (size_t i = 0; i < json_object_array_length(items) && i < kQvdbListEntries; i++) {
        json_object *item = json_object_array_get_idx(items, i);
        if (!item) break;
        WhiteLedTarget &t = list->entry[list->count++];
        t.channel = channel;
        t.chnid = item_int(item, "chnid", 0, by_key);
        t.mode = item_int(item, "mode", 1, by_key);
        t.time = item_int(item, "time", 2, by_key);
    }
    return 0;
}

json_object *get_warning_light_params_json_object(int channel, const char *table) {
    WarningLightList list;
    memset(&list, 0, sizeof list);
    QvdbTableKey key{};
    key.channel = channel;
    copy_text_field(key.table, sizeof key.table, table);
    read_warning_light_params(kDb, &list, &key);
    json_object *items = json_object_new_array();
    for (int i = 0; i < list.count && i < kQvdbListEntries; i++) {
        json_object *item = json_object_new_object();
        json_object_object_add(item, "chnid", json_object_new_int(list.entry[i].chnid));
        json_object_object_add(item, "time", json_object_new_int(list.entry[i].time));
        json_object_array_add(items, item);
    }
    return items;
}

int get_warning_light_params_by_json(int channel, WarningLightList *list, json_object *request, const char *key) {
    json_object *items = json_get_typed(request, key, json_type_array);
    if (!items || !list) return -1;
    memset(list, 0, sizeof *list);
    bool by_key = strstr(json_object_to_json_string(items), "chnid") != nullptr;
    for (size_t i = 0; i < json_object_array_length(items) && i < kQvdbListEntries; i++) {
        json_object *item = json_object_array_get_idx(items, i);
        if (!item) break;
        WarningLightTarget &t = list->entry[list->count++];
        t.channel = channel;
        t.chnid = item_int(item, "chnid", 0, by_key);
        t.time = item_int(item, "time", 1, by_key);
    }
    return 0;
}

json_object *get_http_params_json_object(int channel, const char *table) {
    HttpTarget target;
    memset(&target, 0, sizeof target);
    read_http_notification_params(kDb, &target, table, channel);
    json_object *object = json_object_new_object();
    json_object_object_add(object, "chnId", json_object_new_int(channel));
    json_object_object_add(object, "url", json_object_new_string(target.url));
    json_object_object_add(object, "username", json_object_new_string(target.username));
    json_object_object_add(object, "password", json_object_new_string(target.password));
    return object;
}

int get_http_params_by_json(int channel, HttpTarget *target, json_object *request, const char *key) {
    json_object *object = json_get_typed(request, key, json_type_object);
    if (!object || !target) return -1;
    memset(target, 0, sizeof *target);
    target->channel = channel;
    on_cgi_get_string_from_json(object, "url", target->url, sizeof target->url);
    on_cgi_get_string_from_json(object, "username", target->username, sizeof target->username);
    on_cgi_get_string_from_json(object, "password", target->password, sizeof target->password);
    return 0;
}

json_object *get_ptz_params_json_object(int type, int channel) {
    PtzLinkList list;
    memset(&list, 0, sizeof list);
    read_ptz_params(kDb, &list, type, channel);
    json_object *items = json_object_new_array();
    for (int i = 0; i < list.count && i < kQvdbPtzEntries; i++) {
        const PtzLinkEntry &e = list.entry[i];
        if (e.acto_ptz_channel <= 0) continue;
        json_object *item = json_object_new_object();
        json_object_object_add(item, "acto_ptz_channel", json_object_new_int(e.acto_ptz_channel));
        json_object_object_add(item, "acto_ptz_type", json_object_new_int(e.acto_ptz_type));
        json_object_object_add(item, "acto_ptz_preset", json_object_new_int(e.acto_ptz_preset));
        json_object_object_add(item, "acto_ptz_patrol", json_object_new_int(e.acto_ptz_patrol));
        json_object_array_add(items, item);
    }
    return items;
}

int set_ptz_params_by_json(int channel, int type, json_object *array) {
    if (!array || !json_object_is_type(array, json_type_array) || channel < 0 || channel > 63) return 0;
    PtzLinkList list;
    memset(&list, 0, sizeof list);
    for (size_t i = 0; i < json_object_array_length(array) && i < kQvdbPtzEntries; i++) {
        json_object *item = json_object_array_get_idx(array, i);
        if (!item || !json_object_is_type(item, json_type_object)) continue;
        PtzLinkEntry &e = list.entry[list.count++];
        e.channel = channel;
        e.acto_ptz_channel = item_int(item, "acto_ptz_channel", 0, true);
        e.acto_ptz_type = item_int(item, "acto_ptz_type", 0, true);
        e.acto_ptz_preset = item_int(item, "acto_ptz_preset", 0, true);
        e.acto_ptz_patrol = item_int(item, "acto_ptz_patrol", 0, true);
        e.acto_ptz_pattern = item_int(item, "acto_ptz_pattern", 0, true);
    }
    return write_ptz_params_all(kDb, &list, type, channel) == 0 ? 1 : 0;
}
