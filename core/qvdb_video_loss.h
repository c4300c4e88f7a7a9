// Configuration database records of video loss (per channel, with its schedules) and of the
// recorder-wide exceptions (their actions and HTTP notification targets).
#ifndef NVR_CORE_QVDB_VIDEO_LOSS_H
#define NVR_CORE_QVDB_VIDEO_LOSS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// What a channel's video loss triggers (table "video_loss", keyed by "id" 0 to 63).
struct VideoLostRecord {
    int32_t channel;
    int32_t enable;  // action on: 0, 1 or 2
    int32_t triAlarms;
    int32_t interval;
    int32_t email_enable;  // 0, 1 or 2
    int32_t email_interval;
    char triChnAlarms1[65];
    char triChnAlarms2[65];
    char reserved[6];
    int32_t ptz_interval;
    int32_t alarmout_interval;
    int32_t white_interval;
    int32_t warning_light_interval;
    int32_t audioId;
    int32_t http_notification_interval;
};
static_assert(offsetof(VideoLostRecord, triAlarms) == 8, "video-loss alarm outputs at 8");
static_assert(offsetof(VideoLostRecord, email_enable) == 16, "video-loss e-mail on at 16");
static_assert(offsetof(VideoLostRecord, triChnAlarms1) == 24, "video-loss alarm-output text 1 at 24");
static_assert(offsetof(VideoLostRecord, triChnAlarms2) == 89, "video-loss alarm-output text 2 at 89");
static_assert(offsetof(VideoLostRecord, ptz_interval) == 160, "video-loss PTZ interval at 160");
static_assert(offsetof(VideoLostRecord, audioId) == 176, "video-loss audio id at 176");
static_assert(sizeof(VideoLostRecord) == 184, "video-loss record is 184 bytes");

// Stored names the list routes address directly.
#define QVDB_VIDEO_LOSS_TABLE "video_loss"
#define QVDB_VIDEO_LOSS_KEY "id"
#define QVDB_VIDEO_LOSS_TRI_ALARMS "tri_alarms"

QVDB_DECLARE_RECORD_FUNCTIONS(video_lost, VideoLostRecord)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(videoloss_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(videoloss_email)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(videoloss_ptz)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(video_loss)  // the plain schedule of the schedule route

// The actions of the recorder-wide exceptions: one value per exception kind 0 to 11, then the
// e-mail interval of failed recordings. One record.
constexpr int kExceptionActions = 12;
struct ExceptionActionsRecord {
    int32_t action[kExceptionActions];
    int32_t recordFailedMailInterval;
};
static_assert(sizeof(ExceptionActionsRecord) == 52, "exception actions record is 52 bytes");

int read_trigger_alarms(const char *db, ExceptionActionsRecord *record);
int write_trigger_alarms(const char *db, const ExceptionActionsRecord *record);

// HTTP notification targets of the exceptions, target i for exception kind i (0 to 13).
#define QVDB_EXCEPTION_HTTP_TABLE "except_http_notification_params"

#endif
