// JSON forms of the record schedule block: 8 days of 48 plan slots and a whole-day setting.
#ifndef NVR_RECORD_RECORD_SCHEDULE_CODEC_H
#define NVR_RECORD_RECORD_SCHEDULE_CODEC_H

#include <json-c/json.h>

#include "core/qvdb_record.h"

// Answer form: an array of 8 day objects {"wholedayEnable", "wholedayActionType", "plans"}, where
// "plans" lists all 48 slots as objects {"startTime", "endTime", "actionType"}, empty ones included.
json_object *get_record_schedule_json_object(const RecordSchedule *schedule);

// Request form: an array of up to 8 day objects {"wholedayEnable", "wholedayActionType", "plans"},
// "plans" holding up to 48 arrays [startTime, endTime, actionType]. The block is cleared first;
// "wholedayActionType" is taken only when "wholedayEnable" is not 0; texts are cut to 31
// characters; missing or malformed days, plans and slots stay empty. -1 (block untouched) when
// days is not an array.
int get_record_schedule_by_json(json_object *days, RecordSchedule *schedule);

#endif
