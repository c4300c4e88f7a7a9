// JSON forms of weekly schedules, copy sets and event targets, and their database reads.
#include "core/json_codec.h"

#include <string.h>

#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "core/json_util.h"
#include "core/web_utils.h"

namespace {

constexpr int kPeopleCountPtzEntries = 16;
constexpr int kPtzEventTypes = 32;

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

// The periods a schedule answers, packed so that they print after the record is gone: for each
// of the 8 x 12 periods the length and bytes of its start and end texts, then its action type.
struct ScheduleAnswer {
    std::unique_ptr<uint8_t[]> periods;
    bool with_action;
};

// A text and where the next field starts.
const uint8_t *unpack_text(const uint8_t *at, const char **text, size_t *length) {
    *length = *at;
    *text = reinterpret_cast<const char *>(at + 1);
    return at + 1 + *length;
}

// Most periods of a schedule are unused (no times, action 0): their text is always the same,
// written whole where the form allows. False when the period is in use or printing is pretty.
bool print_unused_period(const uint8_t *at, bool with_action, JsonTextWriter &out) {
    int32_t action;
    memcpy(&action, at + 2, sizeof action);
    if (at[0] != 0 || at[1] != 0 || action != 0) return false;
    if (with_action)
        return out.compact_item("{\"startTime\":\"\",\"endTime\":\"\",\"actionType\":0}",
                                "{ \"startTime\": \"\", \"endTime\": \"\", \"actionType\": 0 }");
    return out.compact_item("{\"startTime\":\"\",\"endTime\":\"\"}", "{ \"startTime\": \"\", \"endTime\": \"\" }");
}

void print_schedule(const ScheduleAnswer &schedule, JsonTextWriter &out) {
    const uint8_t *at = schedule.periods.get();
    out.begin_array();
    for (int d = 0; d < 8; d++) {
        out.begin_array();
        for (int p = 0; p < kSchedulePeriodsPerDay; p++) {
            if (print_unused_period(at, schedule.with_action, out)) {
                at += 2 + sizeof(int32_t);
                continue;
            }
            const char *text;
            size_t length;
            out.begin_object();
            at = unpack_text(at, &text, &length);
            out.key("startTime");
            out.text(text, length);
            at = unpack_text(at, &text, &length);
            out.key("endTime");
            out.text(text, length);
            int32_t action;
            memcpy(&action, at, sizeof action);
            at += sizeof action;
            if (schedule.with_action) {
                out.key("actionType");
                out.number(action);
            }
            out.end_object();
        }
        out.end_array();
    }
    out.end_array();
}

uint8_t *pack_text(uint8_t *at, const char *field, size_t size) {
    static_assert(sizeof(SchedulePeriod::startTime) < 256, "a text's length fits its byte");
    size_t length = size > 0 && field[0] != '\0' ? strnlen(field, size) : 0;
    *at = static_cast<uint8_t>(length);
    memcpy(at + 1, field, length);
    return at + 1 + length;
}

// The camera form leaves the periods of a day without its flag empty.
json_object *schedule_json(const WeeklySchedule *schedule, bool camera_form) {
    uint8_t packed[8 * kSchedulePeriodsPerDay * (2 + sizeof(SchedulePeriod))];
    uint8_t *at = packed;
    for (const ScheduleDay &day : schedule->day) {
        bool shown = !camera_form || day.dayFlag != 0;
        for (int p = 0; p < kSchedulePeriodsPerDay; p++) {
            const SchedulePeriod &period = day.period[p];
            at = pack_text(at, period.startTime, shown ? sizeof period.startTime : 0);
            at = pack_text(at, period.endTime, shown ? sizeof period.endTime : 0);
            memcpy(at, &period.actionType, sizeof period.actionType);
            at += sizeof period.actionType;
        }
    }
    size_t size = static_cast<size_t>(at - packed);
    ScheduleAnswer answer{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]), !camera_form};
    if (!answer.periods) return nullptr;
    memcpy(answer.periods.get(), packed, size);
    return json_printed_value<ScheduleAnswer, print_schedule>(json_type_array, std::move(answer));
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

// Target lists answer as an array of objects of integers, one key per column.
struct RowsAnswer {
    static constexpr int kMaxColumns = 4;
    const char *const *keys;  // static names
    int columns;
    int rows;
    int32_t value[kQvdbPtzEntries][kMaxColumns];
};

void print_rows(const RowsAnswer &rows, JsonTextWriter &out) {
    out.begin_array();
    for (int r = 0; r < rows.rows; r++) {
        out.begin_object();
        for (int c = 0; c < rows.columns; c++) {
            out.key(rows.keys[c]);
            out.number(rows.value[r][c]);
        }
        out.end_object();
    }
    out.end_array();
}

// Collects rows, then answers them.
class RowsBuilder {
  public:
    template <size_t N>
    explicit RowsBuilder(const char *const (&keys)[N]) {
        static_assert(N <= RowsAnswer::kMaxColumns, "too many columns");
        memset(&rows_, 0, sizeof rows_);
        rows_.keys = keys;
        rows_.columns = static_cast<int>(N);
    }
    void add(std::initializer_list<int32_t> values) {
        if (rows_.rows == kQvdbPtzEntries) return;
        int c = 0;
        for (int32_t value : values) rows_.value[rows_.rows][c++] = value;
        rows_.rows++;
    }
    json_object *json() const { return json_printed_value<RowsAnswer, print_rows>(json_type_array, rows_); }

  private:
    RowsAnswer rows_;
};

const char *const kWhiteKeys[] = {"chnid", "mode", "time"};
const char *const kWarningKeys[] = {"chnid", "time"};
const char *const kPtzKeys[] = {"acto_ptz_channel", "acto_ptz_type", "acto_ptz_preset", "acto_ptz_patrol"};

json_object *white_list_json(const WhiteLedList &list) {
    RowsBuilder rows(kWhiteKeys);
    for (int i = 0; i < list.count && i < kQvdbListEntries; i++)
        rows.add({list.entry[i].chnid, list.entry[i].mode, list.entry[i].time});
    return rows.json();
}

void print_http_target(const HttpTarget &target, JsonTextWriter &out) {
    out.begin_object();
    out.key("chnId");
    out.number(target.channel);
    out.key("url");
    out.text(target.url, strnlen(target.url, sizeof target.url));
    out.key("username");
    out.text(target.username, strnlen(target.username, sizeof target.username));
    out.key("password");
    out.text(target.password, strnlen(target.password, sizeof target.password));
    out.end_object();
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
    return schedule ? schedule_json(schedule, false) : json_object_new_array();
}

json_object *get_schedule_json_object_ex(const WeeklySchedule *schedule) { return get_schedule_json_object(schedule); }

int get_schedule_by_json(json_object *request, const char *key, WeeklySchedule *schedule) {
    return schedule_from_json(request, key, schedule, 8, kSchedulePeriodsPerDay, true, false);
}

int get_schedule_by_json_ex(json_object *request, const char *key, WeeklySchedule *schedule) {
    return get_schedule_by_json(request, key, schedule);
}

json_object *get_schedule_json_object_ipc(const WeeklySchedule *schedule) {
    return schedule ? schedule_json(schedule, true) : json_object_new_array();
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
    RowsBuilder rows(kWarningKeys);
    for (int i = 0; i < list.count && i < kQvdbListEntries; i++) rows.add({list.entry[i].chnid, list.entry[i].time});
    return rows.json();
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
    return json_printed_value<HttpTarget, print_http_target>(json_type_object, target);
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
    RowsBuilder rows(kPtzKeys);
    for (int i = 0; rc == 0 && i < list.count && i < limit; i++) {
        const PtzLinkEntry &entry = list.entry[i];
        if (entry.acto_ptz_channel > 0)
            rows.add({entry.acto_ptz_channel, entry.acto_ptz_type, entry.acto_ptz_preset, entry.acto_ptz_patrol});
    }
    return rows.json();
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
