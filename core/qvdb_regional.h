// Configuration database records of regional people counting: the event actions of each of a
// channel's four counting regions (the smart-event action layout), their schedules and tables.
#ifndef NVR_CORE_QVDB_REGIONAL_H
#define NVR_CORE_QVDB_REGIONAL_H

#include <stdint.h>

#include "core/qvdb.h"
#include "core/qvdb_events.h"

constexpr int kRegionalRegions = 4;

// The action record of a channel's region (table "regional_pcnt_event", keyed by "chnid" and
// "region" 0 to 3): read_regional_pcnt_event(db, record, channel, region),
// write_regional_pcnt_event(db, record, region), copy_regional_pcnt_events(db, record, set, region).
QVDB_DECLARE_RECORD_FUNCTIONS_EX(regional_pcnt_event, SmartEventRecord)

// Schedule kinds of a region.
enum RegionalScheduleKind {
    kRegionalAudible = 1,
    kRegionalEmail = 2,
    kRegionalPtz = 3,
    kRegionalWhite = 4,
    kRegionalHttp = 6,
    kRegionalWarningLight = 7,
};

// A region's schedule of a kind; -1 for another kind or region.
int read_regional_pcnt_schedule(const char *db, int kind, WeeklySchedule *schedule, int channel, int region);
int write_regional_pcnt_schedule(const char *db, int kind, const WeeklySchedule *schedule, int channel, int region);
int copy_regional_pcnt_schedule(const char *db, int kind, const WeeklySchedule *schedule, int region, uint64_t set);

// The table names of a region (0 to 3): the white-LED, warning-light and HTTP schedule tables
// (the named schedule tables behind kinds 4, 7 and 6) and the list and target tables.
struct RegionalTables {
    const char *white_schedule;
    const char *white_list;
    const char *warning_schedule;
    const char *warning_list;
    const char *http_schedule;
    const char *http_target;
};
inline constexpr RegionalTables kRegionalTables[kRegionalRegions] = {
    {"regional_pcnt_whiteled_esche", "regional_pcnt_whiteled_params", "regional_pcnt_warning_light_esche",
     "regional_pcnt_warning_light_params", "regional_pcnt_http_notification_sche",
     "regional_pcnt_http_notification_params"},
    {"regional_pcnt1_whiteled_esche", "regional_pcnt1_whiteled_params", "regional_pcnt1_warning_light_esche",
     "regional_pcnt1_warning_light_params", "regional_pcnt1_http_notification_sche",
     "regional_pcnt1_http_notification_params"},
    {"regional_pcnt2_whiteled_esche", "regional_pcnt2_whiteled_params", "regional_pcnt2_warning_light_esche",
     "regional_pcnt2_warning_light_params", "regional_pcnt2_http_notification_sche",
     "regional_pcnt2_http_notification_params"},
    {"regional_pcnt3_whiteled_esche", "regional_pcnt3_whiteled_params", "regional_pcnt3_warning_light_esche",
     "regional_pcnt3_warning_light_params", "regional_pcnt3_http_notification_sche",
     "regional_pcnt3_http_notification_params"},
};

// PTZ linkage event type of a region: 22 to 25.
constexpr int kRegionalPtzTypeBase = 22;

#endif
