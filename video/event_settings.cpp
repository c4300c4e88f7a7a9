// Shared steps of the event pages: storing, copying and answering an event's sub-settings, and
// applying the action keys of a request to its record.
#include "video/event_settings.h"

#include <string.h>

#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_alarm_io.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

struct ScheduleSubSetting {
    EventSubSetting bit;
    EventSchedule which;
    const char *key;
};
const ScheduleSubSetting kPlainSchedules[] = {
    {kSubEffective, kEffectiveSchedule, "effective"},
    {kSubAudible, kAudibleSchedule, "audible"},
    {kSubEmail, kEmailSchedule, "email"},
    {kSubPtz, kPtzSchedule, "ptz"},
};

QvdbTableKey table_key(int channel, const char *table) {
    QvdbTableKey key;
    memset(&key, 0, sizeof key);
    key.channel = channel;
    copy_text_field(key.table, sizeof key.table, table);
    return key;
}

// ---- one sub-setting: decode and store, read, copy ---------------------------------------------

bool store_plain_schedule(json_object *request, const EventKind &kind, int channel, const ScheduleSubSetting &s) {
    WeeklySchedule schedule;
    if (get_schedule_by_json(request, s.key, &schedule) != 0) return false;
    return kind.write_schedule(s.which, &schedule, channel, kind.extra) == 0;
}

bool store_named_schedule(json_object *request, const char *key, EventSubSetting bit, const char *table,
                          int channel) {
    WeeklySchedule schedule;
    if (!table || get_schedule_by_json(request, key, &schedule) != 0) return false;
    QvdbTableKey where = table_key(channel, table);
    switch (bit) {
        case kSubWhiteSchedule: return write_whiteled_effective_schedule(kDb, &schedule, &where) == 0;
        case kSubWarningSchedule: return write_warning_light_effective_schedule(kDb, &schedule, &where) == 0;
        case kSubHttpSchedule: return write_http_notification_schedule(kDb, &schedule, table, channel) == 0;
        default: return false;
    }
}

bool read_named_schedule(EventSubSetting bit, const char *table, int channel, WeeklySchedule *schedule) {
    if (!table) return false;
    QvdbTableKey where = table_key(channel, table);
    switch (bit) {
        case kSubWhiteSchedule: return read_whiteled_effective_schedule(kDb, schedule, &where) == 0;
        case kSubWarningSchedule: return read_warning_light_effective_schedule(kDb, schedule, &where) == 0;
        case kSubHttpSchedule: return read_http_notification_schedule(kDb, schedule, table, channel) == 0;
        default: return false;
    }
}

bool copy_named_schedule(EventSubSetting bit, const char *table, int source, uint64_t set) {
    WeeklySchedule schedule;
    if (!read_named_schedule(bit, table, source, &schedule)) return false;
    switch (bit) {
        case kSubWhiteSchedule: return copy_whiteled_effective_schedules(kDb, &schedule, table, set) == 0;
        case kSubWarningSchedule: return copy_warning_light_effective_schedules(kDb, &schedule, table, set) == 0;
        case kSubHttpSchedule: return copy_http_notification_schedules(kDb, &schedule, table, set) == 0;
        default: return false;
    }
}

bool store_white_list(json_object *request, const char *table, int channel) {
    WhiteLedList list;
    memset(&list, 0, sizeof list);
    if (!table || get_white_params_by_json(channel, &list, request, "whiteInfo") != 0) return false;
    return write_whiteled_params_all(kDb, &list, table, channel) == 0;
}

bool store_warning_list(json_object *request, const char *table, int channel) {
    WarningLightList list;
    memset(&list, 0, sizeof list);
    if (!table || get_warning_light_params_by_json(channel, &list, request, "warningLightInfo") != 0) return false;
    return write_warning_light_params_all(kDb, &list, table, channel) == 0;
}

bool store_http_target(json_object *request, const char *table, int channel) {
    HttpTarget target;
    memset(&target, 0, sizeof target);
    if (!table || get_http_params_by_json(channel, &target, request, "httpParams") != 0) return false;
    return write_http_notification_params(kDb, &target, table) == 0;
}

// Copies of lists and targets: the library stores them under each target channel.
bool copy_white_list(const char *table, int source, uint64_t set) {
    if (!table) return false;
    WhiteLedList list;
    memset(&list, 0, sizeof list);
    QvdbTableKey where = table_key(source, table);
    if (read_whiteled_params(kDb, &list, &where) != 0) return false;
    return copy_whiteled_params(kDb, &list, table, set) == 0;
}

bool copy_warning_list(const char *table, int source, uint64_t set) {
    if (!table) return false;
    WarningLightList list;
    memset(&list, 0, sizeof list);
    QvdbTableKey where = table_key(source, table);
    if (read_warning_light_params(kDb, &list, &where) != 0) return false;
    return copy_warning_light_params(kDb, &list, table, set) == 0;
}

bool copy_http_target(const char *table, int source, uint64_t set) {
    HttpTarget target;
    memset(&target, 0, sizeof target);
    if (!table || read_http_notification_params(kDb, &target, table, source) != 0) return false;
    return copy_http_notification_params(kDb, &target, table, set) == 0;
}

bool copy_ptz_linkage(int type, int source, uint64_t set) {
    PtzLinkList list;
    memset(&list, 0, sizeof list);
    if (read_ptz_params(kDb, &list, type, source) != 0) return false;
    return copy_ptz_params_all(kDb, &list, type, set) == 0;
}

bool copy_plain_schedule(const EventKind &kind, EventSchedule which, int source, uint64_t set) {
    WeeklySchedule schedule;
    if (kind.read_schedule(which, &schedule, source, kind.extra) != 0) return false;
    return kind.copy_schedule(which, &schedule, set, kind.extra) == 0;
}

void add_schedule(json_object *answer, const char *key, const WeeklySchedule &schedule, bool second_form) {
    json_object_object_add(answer, key,
                           second_form ? get_schedule_json_object_ex(&schedule) : get_schedule_json_object(&schedule));
}

}  // namespace

unsigned store_event_sub_settings(json_object *request, const EventKind &kind, int channel, unsigned which) {
    unsigned stored = 0;
    for (const ScheduleSubSetting &s : kPlainSchedules)
        if ((which & s.bit) && store_plain_schedule(request, kind, channel, s)) stored |= s.bit;
    if ((which & kSubWhiteSchedule) &&
        store_named_schedule(request, "white", kSubWhiteSchedule, kind.white_schedule_table, channel))
        stored |= kSubWhiteSchedule;
    if ((which & kSubHttpSchedule) &&
        store_named_schedule(request, "httpSche", kSubHttpSchedule, kind.http_schedule_table, channel))
        stored |= kSubHttpSchedule;
    if ((which & kSubWhiteList) && store_white_list(request, kind.white_list_table, channel)) stored |= kSubWhiteList;
    if ((which & kSubWarningSchedule) &&
        store_named_schedule(request, "warningLight", kSubWarningSchedule, kind.warning_schedule_table, channel))
        stored |= kSubWarningSchedule;
    if ((which & kSubWarningList) && store_warning_list(request, kind.warning_list_table, channel))
        stored |= kSubWarningList;
    if ((which & kSubHttpTarget) && store_http_target(request, kind.http_target_table, channel))
        stored |= kSubHttpTarget;
    return stored;
}

unsigned copy_event_sub_settings(const EventKind &kind, int source, uint64_t set, unsigned which) {
    unsigned copied = 0;
    if (set == 0) return 0;
    for (const ScheduleSubSetting &s : kPlainSchedules)
        if ((which & s.bit) && copy_plain_schedule(kind, s.which, source, set)) copied |= s.bit;
    const struct {
        EventSubSetting bit;
        const char *table;
    } named[] = {
        {kSubWhiteSchedule, kind.white_schedule_table},
        {kSubWarningSchedule, kind.warning_schedule_table},
        {kSubHttpSchedule, kind.http_schedule_table},
    };
    for (const auto &n : named)
        if ((which & n.bit) && copy_named_schedule(n.bit, n.table, source, set)) copied |= n.bit;
    if ((which & kSubWhiteList) && copy_white_list(kind.white_list_table, source, set)) copied |= kSubWhiteList;
    if ((which & kSubWarningList) && copy_warning_list(kind.warning_list_table, source, set)) copied |= kSubWarningList;
    if ((which & kSubHttpTarget) && copy_http_target(kind.http_target_table, source, set)) copied |= kSubHttpTarget;
    if ((which & kSubPtzLinkage) && copy_ptz_linkage(kind.ptz_type, source, set)) copied |= kSubPtzLinkage;
    return copied;
}

void add_event_sub_setting(json_object *answer, const EventKind &kind, int channel, EventSubSetting one) {
    switch (one) {
        case kSubWhiteList:
            json_object_object_add(answer, "whiteInfo", get_white_params_json_object(channel, kind.white_list_table));
            return;
        case kSubWarningList:
            json_object_object_add(answer, "warningLightInfo",
                                   get_warning_light_params_json_object(channel, kind.warning_list_table));
            return;
        case kSubHttpTarget:
            json_object_object_add(answer, "httpParams", get_http_params_json_object(channel, kind.http_target_table));
            return;
        case kSubPtzLinkage:
            json_object_object_add(answer, "ptzParams", get_ptz_params_json_object(kind.ptz_type, channel));
            return;
        default:
            break;
    }
    // The rest are schedules (27 KB each): cleared only here, where one is read.
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    for (const ScheduleSubSetting &s : kPlainSchedules) {
        if (s.bit != one) continue;
        kind.read_schedule(s.which, &schedule, channel, kind.extra);
        add_schedule(answer, s.key, schedule, s.which != kEffectiveSchedule);
        return;
    }
    switch (one) {
        case kSubWhiteSchedule:
            read_named_schedule(one, kind.white_schedule_table, channel, &schedule);
            add_schedule(answer, "white", schedule, false);
            break;
        case kSubWarningSchedule:
            read_named_schedule(one, kind.warning_schedule_table, channel, &schedule);
            add_schedule(answer, "warningLight", schedule, false);
            break;
        case kSubHttpSchedule:
            read_named_schedule(one, kind.http_schedule_table, channel, &schedule);
            add_schedule(answer, "httpSche", schedule, false);
            break;
        default:
            break;
    }
}

int answer_event_schedule(const char *arg, const EventKind &kind, EventSchedule which) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return 0;
    WeeklySchedule schedule;
    memset(&schedule, 0, sizeof schedule);
    kind.read_schedule(which, &schedule, channel, kind.extra);
    return cgi_answer_json(get_schedule_json_object(&schedule), kJson);
}

bool is_ptz_linkage_type(int type) {
    return (type >= 0 && type <= 2) || (type >= 5 && type <= 13) || (type >= 15 && type <= 17) ||
           (type >= 20 && type <= 26);
}

namespace {

bool is_camera_alarm_input_type(int type) {
    return type >= converse_chn_alarmid_to_event_in(0) &&
           type <= converse_chn_alarmid_to_event_in(kCameraAlarmIns - 1);
}

}  // namespace

bool store_event_ptz_linkage(json_object *request) {
    int channel = 0, type = 0;
    json_object *list = json_get_typed(request, "ptzParams", json_type_array);
    if (!list || on_cgi_get_int_from_json(request, "ptzChnId", &channel) != 0 ||
        on_cgi_get_int_from_json(request, "ptzType", &type) != 0)
        return false;
    if (channel < 0 || channel >= kQvdbChannels) return false;
    if (!is_ptz_linkage_type(type) && !is_camera_alarm_input_type(type)) return false;
    return set_ptz_params_by_json(channel, type, list) == 1;
}

// ---- action keys ---------------------------------------------------------------------------------

namespace {

// Applies one integer key when the record has the field and the request carries the key.
int apply_number(json_object *request, const char *key, int32_t *field) {
    int value = 0;
    if (!field || on_cgi_get_int_from_json(request, key, &value) != 0) return 0;
    *field = value;
    return 1;
}

int apply_text(json_object *request, const char *key, char *field, size_t size) {
    json_object *value = json_get_typed(request, key, json_type_string);
    if (!field || !value) return 0;
    copy_text_field(field, size, json_object_get_string(value));
    return 1;
}

// "triChnAlarms": an array of two texts; each item present replaces its text.
int apply_alarm_out_texts(json_object *request, const EventActionFields &fields) {
    if (!fields.alarm_out_text1 || !fields.alarm_out_text2) return 0;
    CameraAlarmOut pair[2];
    memset(pair, 0, sizeof pair);
    pair[0].index = pair[1].index = -1;  // the decoder sets the index of each item it reads
    if (get_event_chn_alarmout_by_object(0, request, "triChnAlarms", pair) != 0) return 0;
    char *texts[2] = {fields.alarm_out_text1, fields.alarm_out_text2};
    for (int i = 0; i < 2; i++)
        if (pair[i].index == i) copy_text_field(texts[i], kChannelTextSize, pair[i].text);
    return 1;
}

}  // namespace

void set_channel_text(char *text, uint64_t *set, const char *value) {
    copy_text_field(text, kChannelTextSize, value);
    if (set) *set = get_channel_mask(text);
}

int apply_event_action_keys(json_object *request, const EventActionFields &fields, unsigned options) {
    if (!request) return 0;
    int applied = apply_alarm_out_texts(request, fields);
    if (options & kActionWithEnable) applied += apply_number(request, "enable", fields.enable);
    applied += apply_number(request, "triAlarms", fields.tri_alarms);
    applied += apply_number(request, "interval", fields.interval);
    applied += apply_number(request, "audioId", fields.audio_id);
    applied += apply_number(request, "email_interval", fields.email_interval);
    applied += apply_number(request, "email_pic_enable", fields.email_pic_enable);
    applied += apply_text(request, "tri_channels_pic", fields.tri_channels_pic, kChannelTextSize);
    applied += apply_number(request, "ptz_interval", fields.ptz_interval);
    applied += apply_number(request, "alarmout_interval", fields.alarmout_interval);
    applied += apply_number(request, "white_interval", fields.white_interval);
    applied += apply_number(request, "warning_light_interval", fields.warning_light_interval);
    if (options & kActionWithHttpInterval)
        applied += apply_number(request, "http_notification_interval", fields.http_notification_interval);
    json_object *channels = json_get_typed(request, "triChannels", json_type_string);
    if (channels && fields.tri_channels) {
        set_channel_text(fields.tri_channels, fields.tri_channels_set, json_object_get_string(channels));
        applied++;
    }
    return applied;
}
