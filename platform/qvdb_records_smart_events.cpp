// Database tables of the smart-event actions and of the licence-plate list-mode actions, with
// their weekly schedules.
#include "core/qvdb_smart_events.h"

namespace {

const QvdbShape kSmartEventShape =
    qvdb_record_shape_ex(kQvdbSettings, sizeof(SmartEventRecord), QVDB_FIELDS(kSmartEventFields), "chnid",
                         kQvdbChannels, kQvdbChannels, "event_type", kSmartEventTypes);
QVDB_TABLE(kSmartEventTable, "smart_event", kSmartEventShape);

const QvdbShape kSmartEventScheduleShape = qvdb_schedule_shape("event_type", kSmartEventTypes);
QVDB_TABLE(kSmartEventEffectiveSchedule, "smart_event_effective_schedule", kSmartEventScheduleShape);
QVDB_TABLE(kSmartEventAudibleSchedule, "smart_event_audible_schedule", kSmartEventScheduleShape);
QVDB_TABLE(kSmartEventMailSchedule, "smart_event_mail_schedule", kSmartEventScheduleShape);
QVDB_TABLE(kSmartEventPtzSchedule, "smart_event_ptz_schedule", kSmartEventScheduleShape);

// List modes -1 to 2 are stored as the second key 0 to 3 ("list_mode" = mode + 1).
constexpr int kAnprModes = kAnprModeLast - kAnprModeFirst + 1;
int stored_mode(int mode) { return mode >= kAnprModeFirst && mode <= kAnprModeLast ? mode - kAnprModeFirst : -1; }

const QvdbShape kAnprEventShape =
    qvdb_record_shape_ex(kQvdbSettings, sizeof(SmartEventRecord), QVDB_FIELDS(kSmartEventFields), "chnid",
                         kQvdbChannels, kQvdbChannels, "list_mode", kAnprModes);
QVDB_TABLE(kAnprEventTable, "anpr_event", kAnprEventShape);

const QvdbShape kAnprScheduleShape = qvdb_schedule_shape("list_mode", kAnprModes);
QVDB_TABLE(kAnprEffectiveSchedule, "anpr_effective_schedule", kAnprScheduleShape);
QVDB_TABLE(kAnprAudibleSchedule, "anpr_audible_schedule", kAnprScheduleShape);
QVDB_TABLE(kAnprMailSchedule, "anpr_mail_schedule", kAnprScheduleShape);
QVDB_TABLE(kAnprPtzSchedule, "anpr_ptz_schedule", kAnprScheduleShape);

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS_EX(smart_event, SmartEventRecord, kSmartEventTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(smart_event_effective, kSmartEventEffectiveSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(smart_event_audible, kSmartEventAudibleSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(smart_event_mail, kSmartEventMailSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS_EX(smart_event_ptz, kSmartEventPtzSchedule)

int read_anpr_event(const char *db, SmartEventRecord *record, int channel, int mode) {
    return qvdb_read_record(db, kAnprEventTable, record, channel, stored_mode(mode));
}
int write_anpr_event(const char *db, const SmartEventRecord *record, int mode) {
    return qvdb_write_record(db, kAnprEventTable, record, stored_mode(mode));
}

#define ANPR_SCHEDULE_FUNCTIONS(kind, table)                                                                \
    int read_##kind##_schedule(const char *db, WeeklySchedule *schedule, int channel, int mode) {           \
        return qvdb_read_schedule(db, table, schedule, channel, stored_mode(mode));                         \
    }                                                                                                       \
    int write_##kind##_schedule(const char *db, const WeeklySchedule *schedule, int channel, int mode) {    \
        return qvdb_write_schedule(db, table, schedule, channel, stored_mode(mode));                        \
    }                                                                                                       \
    int copy_##kind##_schedules(const char *db, const WeeklySchedule *schedule, int mode, uint64_t mask) {  \
        return qvdb_copy_schedule(db, table, schedule, mask, stored_mode(mode));                            \
    }

ANPR_SCHEDULE_FUNCTIONS(anpr_effective, kAnprEffectiveSchedule)
ANPR_SCHEDULE_FUNCTIONS(anpr_audible, kAnprAudibleSchedule)
ANPR_SCHEDULE_FUNCTIONS(anpr_mail, kAnprMailSchedule)
ANPR_SCHEDULE_FUNCTIONS(anpr_ptz, kAnprPtzSchedule)
