// Database tables of motion detection and of the event sub-settings shared by every event:
// weekly schedules, white-LED and warning-light target lists, HTTP targets, PTZ linkage lists.
#include <string.h>

#include "platform/qvdb_internal.h"

// ----- shapes shared with the named-table registrations -----

namespace {

const QvdbField kMotionFields[] = {
    QVDB_FIELD(MotionRecord, channel, "channel"),
    QVDB_FIELD(MotionRecord, enable, "enable"),
    QVDB_FIELD(MotionRecord, sensitivity, "sensitivity"),
    QVDB_FIELD(MotionRecord, tri_channels_mask, "tri_channels_mask"),
    QVDB_FIELD(MotionRecord, triAlarms, "tri_alarms"),
    QVDB_FIELD(MotionRecord, motionTable, "motion_table"),
    QVDB_FIELD(MotionRecord, interval, "interval"),
    QVDB_FIELD(MotionRecord, enableMS, "enable_ms"),
    QVDB_FIELD(MotionRecord, triChannels, "tri_channels"),
    QVDB_FIELD(MotionRecord, email_enable, "email_enable"),
    QVDB_FIELD(MotionRecord, email_interval, "email_interval"),
    QVDB_FIELD(MotionRecord, triChnAlarms1, "tri_chn_alarms1"),
    QVDB_FIELD(MotionRecord, triChnAlarms2, "tri_chn_alarms2"),
    QVDB_FIELD(MotionRecord, ptz_interval, "ptz_interval"),
    QVDB_FIELD(MotionRecord, alarmout_interval, "alarmout_interval"),
    QVDB_FIELD(MotionRecord, white_interval, "white_interval"),
    QVDB_FIELD(MotionRecord, warning_light_interval, "warning_light_interval"),
    QVDB_FIELD(MotionRecord, email_pic_enable, "email_pic_enable"),
    QVDB_FIELD(MotionRecord, tri_channels_pic, "tri_channels_pic"),
    QVDB_FIELD(MotionRecord, audioId, "audio_id"),
    QVDB_FIELD(MotionRecord, http_notification_interval, "http_notification_interval"),
};
const QvdbShape kMotionShape = qvdb_record_shape(kQvdbSettings, sizeof(MotionRecord), QVDB_FIELDS(kMotionFields),
                                                 "channel", kQvdbChannels, kQvdbChannels);
QVDB_TABLE(kMotionTable, "motion", kMotionShape);

QVDB_SCHEDULE_TABLE(kMotionEffectiveSchedule, "motion_effective_schedule");
QVDB_SCHEDULE_TABLE(kMotionAudibleSchedule, "motion_audible_schedule");
QVDB_SCHEDULE_TABLE(kMotionEmailSchedule, "motion_email_schedule");
QVDB_SCHEDULE_TABLE(kMotionPtzSchedule, "motion_ptz_schedule");
QVDB_SCHEDULE_TABLE(kMotionSchedule, "motion_schedule");

const QvdbField kWhiteLedFields[] = {
    QVDB_FIELD(WhiteLedTarget, channel, "channel"),
    QVDB_FIELD(WhiteLedTarget, chnid, "chnid"),
    QVDB_FIELD(WhiteLedTarget, mode, "mode"),
    QVDB_FIELD(WhiteLedTarget, time, "time"),
};
const QvdbField kWarningLightFields[] = {
    QVDB_FIELD(WarningLightTarget, channel, "channel"),
    QVDB_FIELD(WarningLightTarget, chnid, "chnid"),
    QVDB_FIELD(WarningLightTarget, field2, "field2"),
    QVDB_FIELD(WarningLightTarget, field3, "field3"),
    QVDB_FIELD(WarningLightTarget, time, "time"),
    QVDB_FIELD(WarningLightTarget, field5, "field5"),
};
const QvdbField kHttpTargetFields[] = {
    QVDB_FIELD(HttpTarget, channel, "channel"),
    QVDB_FIELD(HttpTarget, url, "url"),
    QVDB_FIELD(HttpTarget, username, "username"),
    QVDB_FIELD(HttpTarget, password, "password"),
};
const QvdbField kPtzLinkFields[] = {
    QVDB_FIELD(PtzLinkEntry, channel, "channel"),
    QVDB_FIELD(PtzLinkEntry, acto_ptz_channel, "acto_ptz_channel"),
    QVDB_FIELD(PtzLinkEntry, reserved, "reserved"),
    QVDB_FIELD(PtzLinkEntry, acto_ptz_type, "acto_ptz_type"),
    QVDB_FIELD(PtzLinkEntry, acto_ptz_preset, "acto_ptz_preset"),
    QVDB_FIELD(PtzLinkEntry, acto_ptz_patrol, "acto_ptz_patrol"),
    QVDB_FIELD(PtzLinkEntry, acto_ptz_pattern, "acto_ptz_pattern"),
};
constexpr int kPtzEventTypes = 32;

}  // namespace

const QvdbShape kQvdbWhiteLedShape = qvdb_list_shape(kQvdbSettings, sizeof(WhiteLedTarget),
                                                     QVDB_FIELDS(kWhiteLedFields), "channel", kQvdbChannels,
                                                     kQvdbListEntries);
const QvdbShape kQvdbWarningLightShape = qvdb_list_shape(kQvdbSettings, sizeof(WarningLightTarget),
                                                         QVDB_FIELDS(kWarningLightFields), "channel",
                                                         kQvdbChannels, kQvdbListEntries);
const QvdbShape kQvdbHttpTargetShape = qvdb_record_shape(kQvdbSettings, sizeof(HttpTarget),
                                                         QVDB_FIELDS(kHttpTargetFields), "channel", kQvdbChannels, 0);

namespace {

const QvdbShape kPtzLinkShape = qvdb_list_shape(kQvdbSettings, sizeof(PtzLinkEntry), QVDB_FIELDS(kPtzLinkFields),
                                                "channel", kQvdbChannels, kQvdbPtzEntries, "event_type",
                                                kPtzEventTypes);
QVDB_TABLE(kPtzLinkTable, "ptz_linkage", kPtzLinkShape);
QVDB_TABLE(kPeopleCountWhiteLedTable, "peoplecnt_wled_params", kQvdbWhiteLedShape);

// The registered table of that name with the given shape, or null.
const QvdbTable *named(const char *table, const QvdbShape &shape) {
    const QvdbTable *found = qvdb_find_table(table);
    return found && found->shape == &shape ? found : nullptr;
}

const QvdbTable *named_schedule(const char *table) {
    const QvdbTable *found = qvdb_find_table(table);
    return found && found->shape->layout == QvdbLayout::Schedule && !found->shape->extra_column ? found : nullptr;
}

// The table name of a key, read within its 64-byte field.
const char *key_table(const QvdbTableKey *key, char (&name)[64]) {
    memcpy(name, key->table, sizeof name);
    name[sizeof name - 1] = '\0';
    return name;
}

int read_named_schedule(const char *db, WeeklySchedule *schedule, const char *table, int channel) {
    const QvdbTable *found = named_schedule(table);
    return found ? qvdb_read_schedule(db, *found, schedule, channel) : -1;
}

int write_named_schedule(const char *db, const WeeklySchedule *schedule, const char *table, int channel) {
    const QvdbTable *found = named_schedule(table);
    return found ? qvdb_write_schedule(db, *found, schedule, channel) : -1;
}

int copy_named_schedule(const char *db, const WeeklySchedule *schedule, const char *table, uint64_t mask) {
    const QvdbTable *found = named_schedule(table);
    return found ? qvdb_copy_schedule(db, *found, schedule, mask) : -1;
}

int bounded_count(int count, int limit) { return count < 0 ? -1 : (count > limit ? limit : count); }

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(motion, MotionRecord, kMotionTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(motion_effective, kMotionEffectiveSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(motion_audible, kMotionAudibleSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(motion_email, kMotionEmailSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(motion_ptz, kMotionPtzSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(motion, kMotionSchedule)

// ----- named schedules -----

int read_whiteled_effective_schedule(const char *db, WeeklySchedule *schedule, const QvdbTableKey *key) {
    char name[64];
    return key ? read_named_schedule(db, schedule, key_table(key, name), key->channel) : -1;
}
int write_whiteled_effective_schedule(const char *db, const WeeklySchedule *schedule, const QvdbTableKey *key) {
    char name[64];
    return key ? write_named_schedule(db, schedule, key_table(key, name), key->channel) : -1;
}
int copy_whiteled_effective_schedules(const char *db, const WeeklySchedule *schedule, const char *table,
                                      uint64_t mask) {
    return copy_named_schedule(db, schedule, table, mask);
}
int read_warning_light_effective_schedule(const char *db, WeeklySchedule *schedule, const QvdbTableKey *key) {
    return read_whiteled_effective_schedule(db, schedule, key);
}
int write_warning_light_effective_schedule(const char *db, const WeeklySchedule *schedule,
                                           const QvdbTableKey *key) {
    return write_whiteled_effective_schedule(db, schedule, key);
}
int copy_warning_light_effective_schedules(const char *db, const WeeklySchedule *schedule, const char *table,
                                           uint64_t mask) {
    return copy_named_schedule(db, schedule, table, mask);
}
int read_http_notification_schedule(const char *db, WeeklySchedule *schedule, const char *table, int channel) {
    return read_named_schedule(db, schedule, table, channel);
}
int write_http_notification_schedule(const char *db, const WeeklySchedule *schedule, const char *table,
                                     int channel) {
    return write_named_schedule(db, schedule, table, channel);
}
int copy_http_notification_schedules(const char *db, const WeeklySchedule *schedule, const char *table,
                                     uint64_t mask) {
    return copy_named_schedule(db, schedule, table, mask);
}

// ----- named target lists -----

int read_whiteled_params(const char *db, WhiteLedList *list, const QvdbTableKey *key) {
    char name[64];
    const QvdbTable *table = key ? named(key_table(key, name), kQvdbWhiteLedShape) : nullptr;
    if (!table || !list) return -1;
    return qvdb_read_list(db, *table, list->entry, kQvdbListEntries, &list->count, key->channel);
}
int write_whiteled_params_all(const char *db, const WhiteLedList *list, const char *table, int channel) {
    const QvdbTable *found = named(table, kQvdbWhiteLedShape);
    if (!found || !list) return -1;
    return qvdb_write_list(db, *found, list->entry, bounded_count(list->count, kQvdbListEntries), channel);
}
int copy_whiteled_params(const char *db, const WhiteLedList *list, const char *table, uint64_t mask) {
    const QvdbTable *found = named(table, kQvdbWhiteLedShape);
    if (!found || !list) return -1;
    return qvdb_copy_list(db, *found, list->entry, bounded_count(list->count, kQvdbListEntries), mask);
}
int read_warning_light_params(const char *db, WarningLightList *list, const QvdbTableKey *key) {
    char name[64];
    const QvdbTable *table = key ? named(key_table(key, name), kQvdbWarningLightShape) : nullptr;
    if (!table || !list) return -1;
    return qvdb_read_list(db, *table, list->entry, kQvdbListEntries, &list->count, key->channel);
}
int write_warning_light_params_all(const char *db, const WarningLightList *list, const char *table, int channel) {
    const QvdbTable *found = named(table, kQvdbWarningLightShape);
    if (!found || !list) return -1;
    return qvdb_write_list(db, *found, list->entry, bounded_count(list->count, kQvdbListEntries), channel);
}
int copy_warning_light_params(const char *db, const WarningLightList *list, const char *table, uint64_t mask) {
    const QvdbTable *found = named(table, kQvdbWarningLightShape);
    if (!found || !list) return -1;
    return qvdb_copy_list(db, *found, list->entry, bounded_count(list->count, kQvdbListEntries), mask);
}
int read_peoplecnt_wled_params(const char *db, WhiteLedList *list, int group) {
    if (!list) return -1;
    return qvdb_read_list(db, kPeopleCountWhiteLedTable, list->entry, kQvdbListEntries, &list->count, group);
}
int write_peoplecnt_wled_params_all(const char *db, const WhiteLedList *list, int group) {
    if (!list) return -1;
    return qvdb_write_list(db, kPeopleCountWhiteLedTable, list->entry, bounded_count(list->count, kQvdbListEntries),
                           group);
}

// ----- HTTP targets -----

int read_http_notification_params(const char *db, HttpTarget *target, const char *table, int channel) {
    const QvdbTable *found = named(table, kQvdbHttpTargetShape);
    return found ? qvdb_read_record(db, *found, target, channel) : -1;
}
int write_http_notification_params(const char *db, const HttpTarget *target, const char *table) {
    const QvdbTable *found = named(table, kQvdbHttpTargetShape);
    return found ? qvdb_write_record(db, *found, target) : -1;
}
int copy_http_notification_params(const char *db, const HttpTarget *target, const char *table, uint64_t mask) {
    const QvdbTable *found = named(table, kQvdbHttpTargetShape);
    return found ? qvdb_copy_record(db, *found, target, mask) : -1;
}

// ----- PTZ linkage -----

int read_ptz_params(const char *db, PtzLinkList *list, int type, int channel) {
    if (!list) return -1;
    return qvdb_read_list(db, kPtzLinkTable, list->entry, kQvdbPtzEntries, &list->count, channel, type);
}
int write_ptz_params_all(const char *db, const PtzLinkList *list, int type, int channel) {
    if (!list) return -1;
    return qvdb_write_list(db, kPtzLinkTable, list->entry, bounded_count(list->count, kQvdbPtzEntries), channel,
                           type);
}
int copy_ptz_params_all(const char *db, const PtzLinkList *list, int type, uint64_t mask) {
    if (!list) return -1;
    return qvdb_copy_list(db, kPtzLinkTable, list->entry, bounded_count(list->count, kQvdbPtzEntries), mask, type);
}
int read_peoplecnt_ptz_params(const char *db, PtzLinkList *list, int group) {
    return read_ptz_params(db, list, kQvdbPeopleCountPtzType, group);
}
int write_peoplecnt_ptz_params_ex(const char *db, const PtzLinkList *list, int group) {
    return write_ptz_params_all(db, list, kQvdbPeopleCountPtzType, group);
}

namespace {

bool same_link(const PtzLinkEntry &entry, int ptz_channel) { return entry.acto_ptz_channel == ptz_channel; }

// Removes the entries of ptz_channel from the list; true when one was removed.
bool remove_link(PtzLinkList &list, int ptz_channel) {
    int kept = 0;
    for (int i = 0; i < list.count && i < kQvdbPtzEntries; i++)
        if (!same_link(list.entry[i], ptz_channel)) list.entry[kept++] = list.entry[i];
    bool removed = kept != list.count;
    list.count = kept;
    return removed;
}

// Read, change and store one list within one transaction.
template <typename Change>
int change_ptz_list(const char *db, int type, int channel, Change change) {
    DbTransaction transaction(db);
    PtzLinkList list;
    memset(&list, 0, sizeof list);
    if (!transaction.ok() || read_ptz_params(db, &list, type, channel) != 0) return -1;
    if (!change(list) || write_ptz_params_all(db, &list, type, channel) != 0) transaction.fail();
    return transaction.commit();
}

}  // namespace

int write_ptz_params(const char *db, const PtzLinkEntry *entry, int type) {
    if (!entry) return -1;
    PtzLinkEntry stored = *entry;
    return change_ptz_list(db, type, entry->channel, [&stored](PtzLinkList &list) {
        for (int i = 0; i < list.count; i++) {
            if (same_link(list.entry[i], stored.acto_ptz_channel)) {
                list.entry[i] = stored;
                return true;
            }
        }
        if (list.count >= kQvdbPtzEntries) return false;
        list.entry[list.count++] = stored;
        return true;
    });
}

int update_ptz_params(const char *db, const PtzLinkEntry *entry, int type, int old_channel) {
    if (!entry) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    int ptz_channel = entry->acto_ptz_channel;
    if (old_channel != entry->channel &&
        change_ptz_list(db, type, old_channel, [ptz_channel](PtzLinkList &list) {
            remove_link(list, ptz_channel);
            return true;
        }) != 0)
        transaction.fail();
    if (write_ptz_params(db, entry, type) != 0) transaction.fail();
    return transaction.commit();
}

int delete_ptz_params(const char *db, const PtzLinkEntry *entry, int type, int ptz_channel) {
    if (!entry) return -1;
    return change_ptz_list(db, type, entry->channel, [ptz_channel](PtzLinkList &list) {
        remove_link(list, ptz_channel);
        return true;
    });
}

int write_peoplecnt_ptz_params(const char *db, const PtzLinkEntry *entry) {
    return write_ptz_params(db, entry, kQvdbPeopleCountPtzType);
}
int update_peoplecnt_ptz_params(const char *db, const PtzLinkEntry *entry, int old_group) {
    return update_ptz_params(db, entry, kQvdbPeopleCountPtzType, old_group);
}
int delete_peoplecnt_ptz_params(const char *db, const PtzLinkEntry *entry, int ptz_channel) {
    return delete_ptz_params(db, entry, kQvdbPeopleCountPtzType, ptz_channel);
}

int read_http_notification_params_init(const char *db, const char *table, HttpTarget *targets, int count) {
    const QvdbTable *found = named(table, kQvdbHttpTargetShape);
    if (!found || !targets || count < 0 || count > kQvdbChannels) return -1;
    for (int i = 0; i < count; i++) {
        memset(&targets[i], 0, sizeof targets[i]);
        if (qvdb_read_record(db, *found, &targets[i], i) != 0) targets[i].channel = -1;
    }
    return 0;
}

int write_http_notification_params_batch(const char *db, const HttpTarget *targets, const char *table, int count) {
    const QvdbTable *found = named(table, kQvdbHttpTargetShape);
    if (!found || !targets || count < 0 || count > kQvdbChannels) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    for (int i = 0; i < count; i++)
        if (targets[i].channel == i && qvdb_write_record(db, *found, &targets[i]) != 0) transaction.fail();
    return transaction.commit();
}

int copy_table_column_int(const char *db, const char *table, const char *column, int value, uint64_t mask,
                          const char *key_column) {
    const QvdbTable *found = qvdb_find_table(table);
    if (!found || found->shape->layout != QvdbLayout::Record) return -1;
    return qvdb_set_column_int(db, *found, column, value, mask, key_column);
}
