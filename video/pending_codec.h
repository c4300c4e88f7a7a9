// TEMPORARY: the shared schedule and event JSON codec is being built on another branch; these
// declarations stand in for it until it is merged, then this file and its .cpp are removed.
#ifndef NVR_VIDEO_PENDING_CODEC_H
#define NVR_VIDEO_PENDING_CODEC_H

#include <json-c/json.h>
#include <stdint.h>

#include "core/qvdb.h"

json_object *get_schedule_json_object(const WeeklySchedule *schedule);
json_object *get_schedule_json_object_ex(const WeeklySchedule *schedule);
int get_schedule_by_json(json_object *request, const char *key, WeeklySchedule *schedule);
uint64_t get_copy_flag_by_json(json_object *request, const char *array_key, const char *count_key);
json_object *get_event_chn_alarmout_object(const char *text1, const char *text2);
json_object *get_white_params_json_object(int channel, const char *table);
int get_white_params_by_json(int channel, WhiteLedList *list, json_object *request, const char *key);
json_object *get_warning_light_params_json_object(int channel, const char *table);
int get_warning_light_params_by_json(int channel, WarningLightList *list, json_object *request, const char *key);
json_object *get_http_params_json_object(int channel, const char *table);
int get_http_params_by_json(int channel, HttpTarget *target, json_object *request, const char *key);
json_object *get_ptz_params_json_object(int type, int channel);
int set_ptz_params_by_json(int channel, int type, json_object *array);

#endif
