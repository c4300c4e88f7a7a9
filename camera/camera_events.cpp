// People counting and point of sale as event kinds: their schedule functions and named tables.
#include "camera/camera_events.h"

#include "core/qvdb_camera_events.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// ---- people counting ----------------------------------------------------------------------------

struct GroupSchedule {
    int (*read)(const char *, WeeklySchedule *, int);
    int (*write)(const char *, const WeeklySchedule *, int);
    int (*copy)(const char *, const WeeklySchedule *, uint64_t);
};

// By EventSchedule. The effective schedule reads as the audible one and is never stored apart.
const GroupSchedule kGroupSchedules[] = {
    {read_peoplecnt_audible_schedule, nullptr, nullptr},
    {read_peoplecnt_audible_schedule, write_peoplecnt_audible_schedule, copy_peoplecnt_audible_schedules},
    {read_peoplecnt_email_schedule, write_peoplecnt_email_schedule, copy_peoplecnt_email_schedules},
    {read_peoplecnt_ptz_schedule, write_peoplecnt_ptz_schedule, copy_peoplecnt_ptz_schedules},
};

const GroupSchedule *group_schedule(EventSchedule which) {
    int index = static_cast<int>(which);
    return index >= 0 && index < static_cast<int>(sizeof kGroupSchedules / sizeof kGroupSchedules[0])
               ? &kGroupSchedules[index]
               : nullptr;
}

int read_group_schedule(EventSchedule which, WeeklySchedule *schedule, int group, int) {
    const GroupSchedule *s = group_schedule(which);
    return s && s->read ? s->read(kDb, schedule, group) : -1;
}

int write_group_schedule(EventSchedule which, const WeeklySchedule *schedule, int group, int) {
    const GroupSchedule *s = group_schedule(which);
    return s && s->write ? s->write(kDb, schedule, group) : -1;
}

int copy_group_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t groups, int) {
    const GroupSchedule *s = group_schedule(which);
    return s && s->copy ? s->copy(kDb, schedule, groups) : -1;
}

// ---- point of sale -------------------------------------------------------------------------------

// The plain schedules are the terminal's schedule kinds 0 to 3.
int read_terminal_schedule(EventSchedule which, WeeklySchedule *schedule, int id, int) {
    return read_pos_schedule(kDb, static_cast<int>(which), schedule, id);
}

int write_terminal_schedule(EventSchedule which, const WeeklySchedule *schedule, int id, int) {
    return write_pos_schedule(kDb, static_cast<int>(which), schedule, id);
}

int copy_terminal_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t ids, int) {
    return copy_pos_schedules(kDb, static_cast<int>(which), schedule, ids);
}

static_assert(static_cast<int>(kEffectiveSchedule) == kPosEffectiveSchedule &&
                  static_cast<int>(kAudibleSchedule) == kPosAudibleSchedule &&
                  static_cast<int>(kEmailSchedule) == kPosEmailSchedule &&
                  static_cast<int>(kPtzSchedule) == kPosPtzSchedule,
              "the plain schedules are the terminal's schedule kinds 0 to 3");

}  // namespace

const EventKind kPeopleCountEventKind = {
    read_group_schedule,
    write_group_schedule,
    copy_group_schedule,
    0,
    kPeopleCountWhiteScheduleTable,
    kPeopleCountWhiteListTable,
    nullptr,
    nullptr,
    kPeopleCountHttpScheduleTable,
    kPeopleCountHttpTargetTable,
    kPeopleCountPtzType,
};

const EventKind kPosEventKind = {
    read_terminal_schedule,
    write_terminal_schedule,
    copy_terminal_schedule,
    0,
    kPosWhiteScheduleTable,
    kPosWhiteListTable,
    nullptr,
    nullptr,
    kPosHttpScheduleTable,
    kPosHttpTargetTable,
    kPosPtzType,
};
