// Configuration database records of the smart-event actions (per channel and smart-event type
// 0 to 8) and of the licence-plate list-mode actions (per channel and list mode -1 to 2): the
// 336-byte action record of each and its weekly schedules.
#ifndef NVR_CORE_QVDB_SMART_EVENTS_H
#define NVR_CORE_QVDB_SMART_EVENTS_H

#include "core/qvdb.h"
#include "core/qvdb_events.h"

constexpr int kSmartEventTypes = 9;  // types 0 to 8
constexpr int kAnprModeFirst = -1;   // -1 any plate, 0 black list, 1 white list, 2 visitor
constexpr int kAnprModeLast = 2;

// Smart-event actions: read_smart_event(db, record, channel, type), write_smart_event(db,
// record, type) (keyed by the record's chnid), copy_smart_events(db, record, set, type).
QVDB_DECLARE_RECORD_FUNCTIONS_EX(smart_event, SmartEventRecord)
// Schedules: read_smart_event_effective_schedule(db, schedule, channel, type), write_...,
// copy_smart_event_effective_schedules(db, schedule, type, set); also audible, mail and ptz.
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(smart_event_effective)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(smart_event_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(smart_event_mail)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(smart_event_ptz)

// List-mode actions, mode -1 to 2 (any other mode gives -1).
int read_anpr_event(const char *db, SmartEventRecord *record, int channel, int mode);
int write_anpr_event(const char *db, const SmartEventRecord *record, int mode);
// Schedules of a list mode: read_anpr_effective_schedule(db, schedule, channel, mode), write_...,
// copy_anpr_effective_schedules(db, schedule, mode, set); also audible, mail and ptz.
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(anpr_effective)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(anpr_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(anpr_mail)
QVDB_DECLARE_SCHEDULE_FUNCTIONS_EX(anpr_ptz)

#endif
