// Smart events and licence-plate list modes as event kinds: schedules, named tables, action
// fields, the action answer, the dialog savers and the copy of a channel's actions.
#include "video/smart_event_settings.h"

#include <string.h>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// ---- schedules -----------------------------------------------------------------------------------

const KeyedScheduleFunctions kSmartEventSchedules = {
    {read_smart_event_effective_schedule, read_smart_event_audible_schedule, read_smart_event_mail_schedule,
     read_smart_event_ptz_schedule},
    {write_smart_event_effective_schedule, write_smart_event_audible_schedule, write_smart_event_mail_schedule,
     write_smart_event_ptz_schedule},
    {copy_smart_event_effective_schedules, copy_smart_event_audible_schedules, copy_smart_event_mail_schedules,
     copy_smart_event_ptz_schedules},
};

const KeyedScheduleFunctions kAnprSchedules = {
    {read_anpr_effective_schedule, read_anpr_audible_schedule, read_anpr_mail_schedule, read_anpr_ptz_schedule},
    {write_anpr_effective_schedule, write_anpr_audible_schedule, write_anpr_mail_schedule, write_anpr_ptz_schedule},
    {copy_anpr_effective_schedules, copy_anpr_audible_schedules, copy_anpr_mail_schedules, copy_anpr_ptz_schedules},
};

// ---- list modes -------------------------------------------------------------------------------

constexpr int kAnprPtzTypeBase = 15;  // PTZ linkage type of list mode m: m + 15

#define ANPR_MODE_KIND(MODE, LIST, HTTP)                                                                           \
    {EVENT_KEYED_SCHEDULES(kAnprSchedules), MODE, "lpr_" LIST "_whiteled_esche",                               \
     "lpr_" LIST "_white_led_params", "lpr_" LIST "_warning_light_esche", "lpr_" LIST "_warning_light_params",  \
     "lpr_" HTTP "_mode_http_notification_sche", "lpr_" HTTP "_mode_http_notification_params",                  \
     (MODE < 0 ? 2 : MODE) + kAnprPtzTypeBase}

// Modes -1 to 2; mode -1 keeps its own schedules but uses the tables of mode 2.
const EventKind kAnprModeKinds[] = {
    ANPR_MODE_KIND(-1, "vistor", "visitor"),
    ANPR_MODE_KIND(0, "black", "black"),
    ANPR_MODE_KIND(1, "white", "white"),
    ANPR_MODE_KIND(2, "vistor", "visitor"),
};

#undef ANPR_MODE_KIND

// ---- the action answer ------------------------------------------------------------------------

struct NumberAnswer {
    const char *key;
    int32_t SmartEventRecord::*field;
};
const NumberAnswer kNumberAnswers[] = {
    {"enable", &SmartEventRecord::enable},
    {"triAlarms", &SmartEventRecord::triAlarms},
    {"interval", &SmartEventRecord::interval},
    {"email_interval", &SmartEventRecord::email_interval},
    {"email_pic_enable", &SmartEventRecord::email_pic_enable},
    {"ptz_interval", &SmartEventRecord::ptz_interval},
    {"alarmout_interval", &SmartEventRecord::alarmout_interval},
    {"white_interval", &SmartEventRecord::white_interval},
    {"warning_light_interval", &SmartEventRecord::warning_light_interval},
    {"http_notification_interval", &SmartEventRecord::http_notification_interval},
    {"audioId", &SmartEventRecord::audioId},
};

struct SubSettingAnswer {
    const char *key;
    EventSubSetting which;
};
const SubSettingAnswer kSubSettingAnswers[] = {
    {"effective", kSubEffective},
    {"audible", kSubAudible},
    {"email", kSubEmail},
    {"ptz", kSubPtz},
    {"white", kSubWhiteSchedule},
    {"whiteInfo", kSubWhiteList},
    {"warningLight", kSubWarningSchedule},
    {"warningLightInfo", kSubWarningList},
    {"httpSche", kSubHttpSchedule},
    {"httpParams", kSubHttpTarget},
    {"ptzParams", kSubPtzLinkage},
};

void add_action_key(json_object *answer, const char *key, const EventKind &kind, int channel,
                    const SmartEventRecord &record) {
    for (const NumberAnswer &number : kNumberAnswers) {
        if (strcmp(number.key, key) != 0) continue;
        json_add_int(answer, key, record.*number.field);
        return;
    }
    for (const SubSettingAnswer &sub : kSubSettingAnswers) {
        if (strcmp(sub.key, key) != 0) continue;
        add_event_sub_setting(answer, kind, channel, sub.which);
        return;
    }
    if (strcmp(key, "triChannels") == 0) json_add_text(answer, key, record.triChannels);
    else if (strcmp(key, "tri_channels_pic") == 0) json_add_text(answer, key, record.tri_channels_pic);
    else if (strcmp(key, "triChnAlarms") == 0)
        json_object_object_add(answer, key, get_event_chn_alarmout_object(record.triChnAlarms1, record.triChnAlarms2));
    else if (strcmp(key, "audioIdMask") == 0) json_add_int(answer, key, get_audio_file_id_mask());
}

}  // namespace

SmartEventKind::SmartEventKind(int type) {
    memset(&kind_, 0, sizeof kind_);
    kind_.read_schedule = read_keyed_schedule<kSmartEventSchedules>;
    kind_.write_schedule = write_keyed_schedule<kSmartEventSchedules>;
    kind_.copy_schedule = copy_keyed_schedule<kSmartEventSchedules>;
    kind_.extra = type;
    kind_.ptz_type = get_smart_event_ptz_type(type);
    // A type without tables leaves them null: its named sub-settings are neither stored nor read.
    if (get_vca_white_table_name(0, type, white_schedule_, sizeof white_schedule_) == 0) kind_.white_schedule_table = white_schedule_;
    if (get_vca_white_table_name(1, type, white_list_, sizeof white_list_) == 0) kind_.white_list_table = white_list_;
    if (get_vca_warning_light_table_name(0, type, warning_schedule_, sizeof warning_schedule_) == 0)
        kind_.warning_schedule_table = warning_schedule_;
    if (get_vca_warning_light_table_name(1, type, warning_list_, sizeof warning_list_) == 0)
        kind_.warning_list_table = warning_list_;
    if (get_vca_http_table_name(0, type, http_schedule_, sizeof http_schedule_) == 0) kind_.http_schedule_table = http_schedule_;
    if (get_vca_http_table_name(1, type, http_target_, sizeof http_target_) == 0) kind_.http_target_table = http_target_;
}

const EventKind &anpr_mode_kind(int mode) {
    return kAnprModeKinds[anpr_mode_in_range(mode) ? mode - kAnprModeFirst : 0];
}

EventActionFields smart_event_action_fields(SmartEventRecord *record) { return all_action_fields(record); }

bool read_smart_event_record(int channel, int type, SmartEventRecord *record) {
    memset(record, 0, sizeof *record);
    return read_smart_event(kDb, record, channel, type) == 0;
}

bool read_anpr_mode_record(int channel, int mode, SmartEventRecord *record) {
    memset(record, 0, sizeof *record);
    return read_anpr_event(kDb, record, channel, mode) == 0;
}

void add_event_action_answer(json_object *answer, const char *const *keys, int count, const EventKind &kind,
                             int channel, const SmartEventRecord &record) {
    for (int i = 0; i < count; i++) add_action_key(answer, keys[i], kind, channel, record);
}

int copy_smart_event_action(int type, int source, uint64_t set, int) {
    if (set == 0) return 0;
    SmartEventRecord record;
    if (!read_smart_event_record(source, type, &record)) return -1;
    DbTransaction transaction(kDb);
    if (copy_smart_events(kDb, &record, set, type) != 0) transaction.fail();
    copy_event_sub_settings(SmartEventKind(type).kind(), source, set, kAllSubSettings);
    return transaction.commit();
}

int save_smart_event_dialog_data(int type, json_object *dialog, uint64_t copy_set) {
    int channel = 0;
    if (!smart_event_type_in_range(type) || !dialog || !read_channel_key(dialog, "chnid", &channel)) return -1;
    SmartEventKind kind(type);
    // People counting keeps its effective schedule in the camera form of its detection page.
    unsigned which = type == kPeopleCountingEvent ? kDialogSubSettings & ~kSubEffective : kDialogSubSettings;
    uint64_t changed = 0;
    {
        DbTransaction transaction(kDb);
        store_event_sub_settings(dialog, kind.kind(), channel, which);
        SmartEventRecord record;
        bool readable = read_smart_event_record(channel, type, &record);
        int applied = apply_event_action_keys(dialog, smart_event_action_fields(&record), kActionWithHttpInterval);
        bool linkage_stored = store_event_ptz_linkage(dialog);
        if ((applied > 0 || linkage_stored) && readable) write_smart_event(kDb, &record, type);
        if (copy_smart_event_action(type, channel, copy_set, 0) == 0) changed = copy_set;
        transaction.commit();
    }
    notify_smart_event_changed(changed | 1ULL << channel);
    return 0;
}

bool save_anpr_dialog_data(json_object *dialog, SmartEventRecord *record, int mode, int channel) {
    if (!dialog || !anpr_mode_in_range(mode)) return false;
    store_event_sub_settings(dialog, anpr_mode_kind(mode), channel, kDialogSubSettings);
    int applied = apply_event_action_keys(dialog, smart_event_action_fields(record), kActionWithHttpInterval);
    bool linkage_stored = store_event_ptz_linkage(dialog);
    return applied > 0 || linkage_stored;
}

void notify_smart_event_changed(uint64_t channels) {
    cgi_notify_daemon(on_video_ipc_callback, kRequestSmartEventChanged, &channels, sizeof channels);
}
