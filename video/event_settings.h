// Shared steps of the event pages (motion, video loss, smart events, plates, ...): the
// sub-settings an event keeps in tables of its own, and the action keys of its record.
//
// An event kind describes where its sub-settings live (EventKind). A route then
//   - stores the sub-settings a request carries:    store_event_sub_settings(request, kind, ch, which)
//   - copies a channel's stored ones to a set:      copy_event_sub_settings(kind, source, set, which)
//   - answers one of them:                          add_event_sub_setting(answer, kind, ch, one)
//   - changes its record by the action keys given:  apply_event_action_keys(request, fields, options)
#ifndef NVR_VIDEO_EVENT_SETTINGS_H
#define NVR_VIDEO_EVENT_SETTINGS_H

#include <json-c/json.h>
#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// The plain per-channel schedules of an event kind.
enum EventSchedule { kEffectiveSchedule, kAudibleSchedule, kEmailSchedule, kPtzSchedule };

constexpr int kEventSchedules = 4;

// The library's plain schedule functions of a kind keyed by channel only, in EventSchedule order
// (null for a schedule the kind does not have).
struct ChannelScheduleFunctions {
    int (*read[kEventSchedules])(const char *db, WeeklySchedule *schedule, int channel);
    int (*write[kEventSchedules])(const char *db, const WeeklySchedule *schedule, int channel);
    int (*copy[kEventSchedules])(const char *db, const WeeklySchedule *schedule, uint64_t set);
};
// The same for a kind keyed by channel and a second number (event type, list mode, ...).
struct KeyedScheduleFunctions {
    int (*read[kEventSchedules])(const char *db, WeeklySchedule *schedule, int channel, int extra);
    int (*write[kEventSchedules])(const char *db, const WeeklySchedule *schedule, int channel, int extra);
    int (*copy[kEventSchedules])(const char *db, const WeeklySchedule *schedule, int extra, uint64_t set);
};

// Sub-settings kept in tables of their own, in the order a request's are stored.
enum EventSubSetting : unsigned {
    kSubEffective = 1u << 0,        // "effective"
    kSubAudible = 1u << 1,          // "audible"
    kSubEmail = 1u << 2,            // "email"
    kSubPtz = 1u << 3,              // "ptz"
    kSubWhiteSchedule = 1u << 4,    // "white"
    kSubHttpSchedule = 1u << 5,     // "httpSche"
    kSubWhiteList = 1u << 6,        // "whiteInfo"
    kSubWarningSchedule = 1u << 7,  // "warningLight"
    kSubWarningList = 1u << 8,      // "warningLightInfo"
    kSubHttpTarget = 1u << 9,       // "httpParams"
    kSubPtzLinkage = 1u << 10,      // "ptzParams" (copied; stored through store_event_ptz_linkage)
};

// The action sub-settings saved by the action routes and by the dialogs of the copy routes.
constexpr unsigned kActionSubSettings = kSubEffective | kSubAudible | kSubEmail | kSubPtz | kSubWhiteSchedule |
                                        kSubWhiteList | kSubWarningSchedule | kSubWarningList;
constexpr unsigned kDialogSubSettings = kActionSubSettings | kSubHttpSchedule | kSubHttpTarget;
constexpr unsigned kAllSubSettings = kDialogSubSettings | kSubPtzLinkage;

// Where one event kind keeps its sub-settings.
struct EventKind {
    // The plain schedules: -1 for a schedule the kind does not have. `extra` is the kind's
    // second key (smart-event type, plate list mode), 0 when it has none.
    int (*read_schedule)(EventSchedule which, WeeklySchedule *schedule, int channel, int extra);
    int (*write_schedule)(EventSchedule which, const WeeklySchedule *schedule, int channel, int extra);
    int (*copy_schedule)(EventSchedule which, const WeeklySchedule *schedule, uint64_t set, int extra);
    int extra;
    const char *white_schedule_table;    // "white"
    const char *white_list_table;        // "whiteInfo"
    const char *warning_schedule_table;  // "warningLight"
    const char *warning_list_table;      // "warningLightInfo"
    const char *http_schedule_table;     // "httpSche"
    const char *http_target_table;       // "httpParams"
    int ptz_type;                        // event type of the PTZ linkage list
};

// The schedule members of an EventKind over a table of the library's functions:
//   const EventKind kFoo = {EVENT_CHANNEL_SCHEDULES(kFooSchedules), 0, "foo_whiteled_esche", ...};
template <const ChannelScheduleFunctions &F>
int read_channel_schedule(EventSchedule which, WeeklySchedule *schedule, int channel, int) {
    return which < kEventSchedules && F.read[which] ? F.read[which](QVDB_PATH, schedule, channel) : -1;
}
template <const ChannelScheduleFunctions &F>
int write_channel_schedule(EventSchedule which, const WeeklySchedule *schedule, int channel, int) {
    return which < kEventSchedules && F.write[which] ? F.write[which](QVDB_PATH, schedule, channel) : -1;
}
template <const ChannelScheduleFunctions &F>
int copy_channel_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t set, int) {
    return which < kEventSchedules && F.copy[which] ? F.copy[which](QVDB_PATH, schedule, set) : -1;
}
template <const KeyedScheduleFunctions &F>
int read_keyed_schedule(EventSchedule which, WeeklySchedule *schedule, int channel, int extra) {
    return which < kEventSchedules && F.read[which] ? F.read[which](QVDB_PATH, schedule, channel, extra) : -1;
}
template <const KeyedScheduleFunctions &F>
int write_keyed_schedule(EventSchedule which, const WeeklySchedule *schedule, int channel, int extra) {
    return which < kEventSchedules && F.write[which] ? F.write[which](QVDB_PATH, schedule, channel, extra) : -1;
}
template <const KeyedScheduleFunctions &F>
int copy_keyed_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t set, int extra) {
    return which < kEventSchedules && F.copy[which] ? F.copy[which](QVDB_PATH, schedule, extra, set) : -1;
}
#define EVENT_CHANNEL_SCHEDULES(F) \
    read_channel_schedule<F>, write_channel_schedule<F>, copy_channel_schedule<F>
#define EVENT_KEYED_SCHEDULES(F) read_keyed_schedule<F>, write_keyed_schedule<F>, copy_keyed_schedule<F>

// Decodes each sub-setting of `which` that the request carries and stores the ones that decode
// (an absent or malformed key stores nothing). Returns the sub-settings stored.
unsigned store_event_sub_settings(json_object *request, const EventKind &kind, int channel, unsigned which);

// Copies the stored sub-settings of `which` from the source channel to every channel of the set;
// one that cannot be read is not copied. Returns the sub-settings copied.
unsigned copy_event_sub_settings(const EventKind &kind, int source, uint64_t set, unsigned which);

// Adds one sub-setting of the channel to an answer under its key. Schedules other than
// "effective", "white", "warningLight" and "httpSche" use the encoder's second form.
void add_event_sub_setting(json_object *answer, const EventKind &kind, int channel, EventSubSetting one);

// True for an event type of the recorder's PTZ linkage lists: alarm inputs 0, motion 1, video
// loss 2, smart events 5 to 13, plate list modes 15 to 17, people counting 20, point of sale 21,
// counting regions 22 to 25, faces 26.
bool is_ptz_linkage_type(int type);

// The PTZ linkage list "ptzParams" of the request, stored for channel "ptzChnId" (0 to 63) and
// event type "ptzType" (a type of is_ptz_linkage_type, or a camera alarm input's). True when it
// was decoded and stored.
bool store_event_ptz_linkage(json_object *request);

// The action fields of an event's record (null for a field the record does not have).
struct EventActionFields {
    char *alarm_out_text1;  // "triChnAlarms" item 0, 65 bytes
    char *alarm_out_text2;  // "triChnAlarms" item 1, 65 bytes
    int32_t *enable;
    int32_t *tri_alarms;
    int32_t *interval;
    int32_t *audio_id;
    int32_t *email_interval;
    int32_t *email_pic_enable;
    char *tri_channels_pic;  // 65 bytes
    int32_t *ptz_interval;
    int32_t *alarmout_interval;
    int32_t *white_interval;
    int32_t *warning_light_interval;
    int32_t *http_notification_interval;
    char *tri_channels;  // 65 bytes
    uint64_t *tri_channels_set;
};
constexpr size_t kChannelTextSize = 65;

// Every action field of a record that has them all under their usual names (the motion record,
// the smart-event and camera alarm-input event layouts).
template <typename Record>
EventActionFields all_action_fields(Record *record) {
    EventActionFields fields;
    fields.alarm_out_text1 = record->triChnAlarms1;
    fields.alarm_out_text2 = record->triChnAlarms2;
    fields.enable = &record->enable;
    fields.tri_alarms = &record->triAlarms;
    fields.interval = &record->interval;
    fields.audio_id = &record->audioId;
    fields.email_interval = &record->email_interval;
    fields.email_pic_enable = &record->email_pic_enable;
    fields.tri_channels_pic = record->tri_channels_pic;
    fields.ptz_interval = &record->ptz_interval;
    fields.alarmout_interval = &record->alarmout_interval;
    fields.white_interval = &record->white_interval;
    fields.warning_light_interval = &record->warning_light_interval;
    fields.http_notification_interval = &record->http_notification_interval;
    fields.tri_channels = record->triChannels;
    fields.tri_channels_set = &record->tri_channels_mask;
    return fields;
}

// Which optional action keys a route takes.
enum EventActionOption : unsigned {
    kActionWithEnable = 1u << 0,      // "enable"
    kActionWithHttpInterval = 1u << 1,  // "http_notification_interval"
};

// Changes the fields by the action keys the request carries. Returns how many keys were applied
// (the caller writes the record when it is not 0).
int apply_event_action_keys(json_object *request, const EventActionFields &fields, unsigned options);

// Sets a channel text field (cut to 64 characters) and the channel set it names.
void set_channel_text(char *text, uint64_t *set, const char *value);

// Answers one plain schedule of the channel named by a plain-text argument (a base-10 number 0
// to 63; nothing is answered for anything else).
int answer_event_schedule(const char *arg, const EventKind &kind, EventSchedule which);

#endif
