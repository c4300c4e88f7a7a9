// JSON forms of the record schedule block.
#include "record/record_schedule_codec.h"

#include <string.h>

#include "core/json_util.h"
#include "core/web_utils.h"

namespace {

// An integer item: its value, or 0 for any other type.
int item_int(json_object *item) { return json_object_is_type(item, json_type_int) ? json_object_get_int(item) : 0; }

// A text item copied into its field; anything but a string stores "".
template <size_t N>
void item_text(json_object *item, char (&field)[N]) {
    copy_text_field(field, N, json_object_is_type(item, json_type_string) ? json_object_get_string(item) : "");
}

void read_slot(json_object *item, RecordPlanSlot *slot) {
    if (!json_object_is_type(item, json_type_array)) return;
    size_t length = json_object_array_length(item);
    if (length > 0) item_text(json_object_array_get_idx(item, 0), slot->startTime);
    if (length > 1) item_text(json_object_array_get_idx(item, 1), slot->endTime);
    if (length > 2) slot->actionType = item_int(json_object_array_get_idx(item, 2));
}

void read_day(json_object *item, RecordScheduleDay *day) {
    if (!json_object_is_type(item, json_type_object)) return;
    day->wholedayEnable = json_int_or(item, "wholedayEnable", 0);
    if (day->wholedayEnable != 0) day->wholedayActionType = json_int_or(item, "wholedayActionType", 0);
    json_object *plans = json_get_typed(item, "plans", json_type_array);
    size_t count = plans ? json_object_array_length(plans) : 0;
    for (size_t s = 0; s < count && s < static_cast<size_t>(kRecordPlanSlots); s++)
        read_slot(json_object_array_get_idx(plans, s), &day->plan[s]);
}

json_object *slot_object(const RecordPlanSlot &slot) {
    json_object *object = json_object_new_object();
    json_object_object_add(object, "startTime",
                           json_object_new_string_len(slot.startTime, static_cast<int>(strnlen(slot.startTime, sizeof slot.startTime))));
    json_object_object_add(object, "endTime",
                           json_object_new_string_len(slot.endTime, static_cast<int>(strnlen(slot.endTime, sizeof slot.endTime))));
    json_add_int(object, "actionType", slot.actionType);
    return object;
}

}  // namespace

json_object *get_record_schedule_json_object(const RecordSchedule *schedule) {
    if (!schedule) return nullptr;
    json_object *days = json_object_new_array();
    for (const RecordScheduleDay &day : schedule->day) {
        json_object *object = json_object_new_object();
        json_add_int(object, "wholedayEnable", day.wholedayEnable);
        json_add_int(object, "wholedayActionType", day.wholedayActionType);
        json_object *plans = json_object_new_array();
        for (const RecordPlanSlot &slot : day.plan) json_object_array_add(plans, slot_object(slot));
        json_object_object_add(object, "plans", plans);
        json_object_array_add(days, object);
    }
    return days;
}

int get_record_schedule_by_json(json_object *days, RecordSchedule *schedule) {
    if (!schedule || !json_object_is_type(days, json_type_array)) return -1;
    memset(schedule, 0, sizeof *schedule);
    size_t count = json_object_array_length(days);
    for (size_t d = 0; d < count && d < static_cast<size_t>(kRecordScheduleDays); d++)
        read_day(json_object_array_get_idx(days, d), &schedule->day[d]);
    return 0;
}
