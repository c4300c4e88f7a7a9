// JSON forms of the event sub-settings shared by every event page: weekly schedules, copy
// sets, camera alarm outputs, white-LED and warning-light targets, HTTP targets, PTZ linkage.
//
// Encoders (…_json_object) return a new JSON value for the caller to add to its answer. The
// bulky ones (schedules, target lists, the HTTP target, PTZ linkage) return values that print
// themselves from a copy of the record (json_printed_value): they print exactly as a tree of
// json-c nodes would, but have no items to walk; parse the printed text to look inside.
// Decoders (…_by_json) read one key of the request, fill the record and return 0, or return -1
// and store nothing when the request, the key (or a key of the wrong JSON type) or the output
// is missing. A decoder never writes outside its record; item counts are bounded by the array
// and by the record's capacity, and items of the wrong type are skipped.
#ifndef NVR_CORE_JSON_CODEC_H
#define NVR_CORE_JSON_CODEC_H

#include <json-c/json.h>
#include <stdint.h>

#include "core/qvdb.h"

constexpr int kSchedulePeriodsPerDay = 12;    // periods exchanged per day
constexpr int kCameraScheduleDays = 7;        // camera form
constexpr int kCameraSchedulePeriods = 10;    // camera form

// Schedule: 8 arrays of 12 {"startTime", "endTime", "actionType"} objects.
json_object *get_schedule_json_object(const WeeklySchedule *schedule);
json_object *get_schedule_json_object_ex(const WeeklySchedule *schedule);
// Request form: 8 arrays of 12 arrays [startTime, endTime, actionType]. The schedule is cleared,
// then filled; a shorter array stores the periods it has (the rest stay empty), a period that
// is not an array stays empty, a missing or non-text time is stored as "" and a missing
// actionType as 0.
int get_schedule_by_json(json_object *request, const char *key, WeeklySchedule *schedule);
int get_schedule_by_json_ex(json_object *request, const char *key, WeeklySchedule *schedule);

// Camera form: 8 arrays of 12 {"startTime", "endTime"}; "" for each period of a day whose day
// flag is 0.
json_object *get_schedule_json_object_ipc(const WeeklySchedule *schedule);
// Camera request form: 7 arrays of 10 [startTime, endTime]; clears, fills slots 0 to 9 of the
// days given and sets their day flags to 1.
int get_schedule_by_json_ipc(json_object *request, const char *key, WeeklySchedule *schedule);

// Channel set from a count key N and an array key: bit v for each of the first N items that is
// an integer v in 0 to 63. 0 when the count is missing or not positive.
uint64_t get_copy_flag_by_json(json_object *request, const char *array_key, const char *count_key);

// One camera alarm-output entry: event channel, entry index (0 or 1), text.
struct CameraAlarmOut {
    int32_t channel;
    int32_t index;
    char text[65];
};
static_assert(sizeof(CameraAlarmOut) == 76, "camera alarm-output entry is 76 bytes");
static_assert(offsetof(CameraAlarmOut, text) == 8, "camera alarm-output text at 8");

// ["text1", "text2"].
json_object *get_event_chn_alarmout_object(const char *text1, const char *text2);
// pair[i] gets {channel, i, item i} for each item i (0, 1) that is a string.
int get_event_chn_alarmout_by_object(int channel, json_object *request, const char *key, CameraAlarmOut pair[2]);

// White-LED targets of a named table: [{"chnid", "mode", "time"}] (at most 16).
json_object *get_white_params_json_object(int channel, const char *table);
// Objects {"chnid", "mode", "time"} or arrays [chnid, mode, time] (objects when the array's
// text contains "chnid"). The list is cleared; items are stored in order with the event channel,
// at most 16; an item whose chnid is missing or not 0 to 63 is skipped. An empty array stores
// an empty list.
int get_white_params_by_json(int channel, WhiteLedList *list, json_object *request, const char *key);
// Warning-light targets: [{"chnid", "time"}] / objects or arrays [chnid, time].
json_object *get_warning_light_params_json_object(int channel, const char *table);
int get_warning_light_params_by_json(int channel, WarningLightList *list, json_object *request, const char *key);
// People-counting white-LED targets of a counting group.
json_object *get_pcnt_white_params_json_object(int group);
int get_pcnt_white_params_by_json(int group, WhiteLedList *list, json_object *request, const char *key);

// HTTP target: {"chnId", "url", "username", "password"}.
json_object *get_http_params_json_object(int channel, const char *table);
// Object with "url", "username", "password" (cut to 512, 96, 64 characters; a missing or
// non-text one is stored as ""); the target is cleared and gets the channel argument.
int get_http_params_by_json(int channel, HttpTarget *target, json_object *request, const char *key);

// PTZ linkage list of an event type and channel: entries with acto_ptz_channel > 0 as
// {"acto_ptz_channel", "acto_ptz_type", "acto_ptz_preset", "acto_ptz_patrol"}; at most 16 for
// people counting (type 20), else 64.
json_object *get_ptz_params_json_object(int type, int channel);
// Decodes an array of objects with the five acto_ptz_* keys (a missing key reads 0; items that
// are not objects are skipped), at most 64, every entry's event channel = channel. Channels 0
// to 63 and event types 0 to 31; -1 otherwise.
int get_ptz_params_by_json(int channel, int type, json_object *array, PtzLinkList *list);
// Decodes and stores; 1 when stored, else 0 (also when the array is absent).
int set_ptz_params_by_json(int channel, int type, json_object *array);

// PTZ linkage event type of smart-event type index (0 to 8 give index + 5), else -1.
int get_smart_event_ptz_type(int index);
// True for the camera types of the recorder maker's licence-plate cameras (11 to 14).
bool on_cgi_is_qv_lpr(int camera_type);

#endif
