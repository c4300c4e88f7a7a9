// The cameras' alarm inputs as event kinds: their schedule functions and named tables by index.
#include "alarm/camera_alarm_kind.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

struct CameraInSchedule {
    int (*read)(const char *, WeeklySchedule *, int, int);
    int (*write)(const char *, const WeeklySchedule *, int, int);
    int (*copy)(const char *, const WeeklySchedule *, int, uint64_t);
};

// By EventSchedule; the e-mail schedule of a camera input is its mail schedule.
const CameraInSchedule kSchedules[] = {
    {read_alarm_chnIn_effective_schedule, write_alarm_chnIn_effective_schedule, copy_alarm_chnIn_effective_schedules},
    {read_alarm_chnIn_audible_schedule, write_alarm_chnIn_audible_schedule, copy_alarm_chnIn_audible_schedules},
    {read_alarm_chnIn_mail_schedule, write_alarm_chnIn_mail_schedule, copy_alarm_chnIn_mail_schedules},
    {read_alarm_chnIn_ptz_schedule, write_alarm_chnIn_ptz_schedule, copy_alarm_chnIn_ptz_schedules},
};

const CameraInSchedule *schedule_of(EventSchedule which) {
    int index = static_cast<int>(which);
    return index >= 0 && index < static_cast<int>(sizeof kSchedules / sizeof kSchedules[0]) ? &kSchedules[index]
                                                                                             : nullptr;
}

// The kind's second key is the alarm index.
int read_schedule(EventSchedule which, WeeklySchedule *schedule, int chnid, int index) {
    const CameraInSchedule *s = schedule_of(which);
    return s ? s->read(kDb, schedule, chnid, index) : -1;
}

int write_schedule(EventSchedule which, const WeeklySchedule *schedule, int chnid, int index) {
    const CameraInSchedule *s = schedule_of(which);
    return s ? s->write(kDb, schedule, chnid, index) : -1;
}

int copy_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t cameras, int index) {
    const CameraInSchedule *s = schedule_of(which);
    return s ? s->copy(kDb, schedule, index, cameras) : -1;
}

#define CAMERA_IN_KIND(N)                                                                                   \
    EventKind {                                                                                             \
        read_schedule, write_schedule, copy_schedule, N, "alarm_chnIn" #N "_whiteled_esche",                \
            "alarm_chnIn" #N "_white_led_params", "alarm_chnIn" #N "_warning_light_esche",                 \
            "alarm_chnIn" #N "_warning_light_params", "alarm_chnIn" #N "_http_notification_sche",          \
            "alarm_chnIn" #N "_http_notification_params", converse_chn_alarmid_to_event_in(N)               \
    }

const EventKind kCameraInKinds[kCameraAlarmIns] = {CAMERA_IN_KIND(0), CAMERA_IN_KIND(1), CAMERA_IN_KIND(2),
                                                   CAMERA_IN_KIND(3)};

}  // namespace

const EventKind &camera_alarm_in_kind(int index) {
    return kCameraInKinds[index >= 0 && index < kCameraAlarmIns ? index : 0];
}
