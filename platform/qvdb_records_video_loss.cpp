// Database tables of video loss, the recorder-wide exceptions and regional people counting.
#include <string.h>

#include "core/qvdb_regional.h"
#include "core/qvdb_video_loss.h"

namespace {

// ----- video loss -----

const QvdbField kVideoLostFields[] = {
    QVDB_FIELD(VideoLostRecord, channel, QVDB_VIDEO_LOSS_KEY),
    QVDB_FIELD(VideoLostRecord, enable, "enable"),
    QVDB_FIELD(VideoLostRecord, triAlarms, QVDB_VIDEO_LOSS_TRI_ALARMS),
    QVDB_FIELD(VideoLostRecord, interval, "interval"),
    QVDB_FIELD(VideoLostRecord, email_enable, "email_enable"),
    QVDB_FIELD(VideoLostRecord, email_interval, "email_interval"),
    QVDB_FIELD(VideoLostRecord, triChnAlarms1, "tri_chn_alarms1"),
    QVDB_FIELD(VideoLostRecord, triChnAlarms2, "tri_chn_alarms2"),
    QVDB_FIELD(VideoLostRecord, ptz_interval, "ptz_interval"),
    QVDB_FIELD(VideoLostRecord, alarmout_interval, "alarmout_interval"),
    QVDB_FIELD(VideoLostRecord, white_interval, "white_interval"),
    QVDB_FIELD(VideoLostRecord, warning_light_interval, "warning_light_interval"),
    QVDB_FIELD(VideoLostRecord, audioId, "audio_id"),
    QVDB_FIELD(VideoLostRecord, http_notification_interval, "http_notification_interval"),
};
const QvdbShape kVideoLostShape = qvdb_record_shape(kQvdbSettings, sizeof(VideoLostRecord),
                                                    QVDB_FIELDS(kVideoLostFields), QVDB_VIDEO_LOSS_KEY,
                                                    kQvdbChannels, kQvdbChannels);
QVDB_TABLE(kVideoLostTable, QVDB_VIDEO_LOSS_TABLE, kVideoLostShape);

QVDB_SCHEDULE_TABLE(kVideoLossAudibleSchedule, "videoloss_audible_schedule");
QVDB_SCHEDULE_TABLE(kVideoLossEmailSchedule, "videoloss_email_schedule");
QVDB_SCHEDULE_TABLE(kVideoLossPtzSchedule, "videoloss_ptz_schedule");
QVDB_SCHEDULE_TABLE(kVideoLossSchedule, "video_loss_schedule");

// ----- exceptions -----

// The one stored row of the exception actions: the record under key 0.
struct ExceptionActionsRow {
    int32_t id;
    int32_t action[kExceptionActions];
    int32_t recordFailedMailInterval;
};
const QvdbField kExceptionActionsFields[] = {
    QVDB_FIELD(ExceptionActionsRow, id, "id"),
    QVDB_FIELD(ExceptionActionsRow, action, "action"),
    QVDB_FIELD(ExceptionActionsRow, recordFailedMailInterval, "record_failed_mail_interval"),
};
const QvdbShape kExceptionActionsShape = qvdb_record_shape(kQvdbSettings, sizeof(ExceptionActionsRow),
                                                           QVDB_FIELDS(kExceptionActionsFields), "id", 1, 1);
QVDB_TABLE(kExceptionActionsTable, "exception_actions", kExceptionActionsShape);
QVDB_TABLE(kExceptionHttpTargets, QVDB_EXCEPTION_HTTP_TABLE, kQvdbHttpTargetShape);

// ----- regional people counting -----

const QvdbShape kRegionalEventShape =
    qvdb_record_shape_ex(kQvdbSettings, sizeof(SmartEventRecord), QVDB_FIELDS(kSmartEventFields), "chnid",
                         kQvdbChannels, kQvdbChannels, "region", kRegionalRegions);
QVDB_TABLE(kRegionalEventTable, "regional_pcnt_event", kRegionalEventShape);

// Every schedule of a region is a plain named schedule table of its own.
QVDB_TABLE_LIST(kRegionalAudibleTables[kRegionalRegions]) = {
    {"regional_pcnt_audible_sche", &kQvdbScheduleShape},
    {"regional_pcnt1_audible_sche", &kQvdbScheduleShape},
    {"regional_pcnt2_audible_sche", &kQvdbScheduleShape},
    {"regional_pcnt3_audible_sche", &kQvdbScheduleShape},
};
QVDB_TABLE_LIST(kRegionalEmailTables[kRegionalRegions]) = {
    {"regional_pcnt_email_sche", &kQvdbScheduleShape},
    {"regional_pcnt1_email_sche", &kQvdbScheduleShape},
    {"regional_pcnt2_email_sche", &kQvdbScheduleShape},
    {"regional_pcnt3_email_sche", &kQvdbScheduleShape},
};
QVDB_TABLE_LIST(kRegionalPtzTables[kRegionalRegions]) = {
    {"regional_pcnt_ptz_sche", &kQvdbScheduleShape},
    {"regional_pcnt1_ptz_sche", &kQvdbScheduleShape},
    {"regional_pcnt2_ptz_sche", &kQvdbScheduleShape},
    {"regional_pcnt3_ptz_sche", &kQvdbScheduleShape},
};

#define REGIONAL_TABLES(r)                                                                      \
    {kRegionalTables[r].white_schedule, &kQvdbScheduleShape},                                 \
        {kRegionalTables[r].white_list, &kQvdbWhiteLedShape},                                 \
        {kRegionalTables[r].warning_schedule, &kQvdbScheduleShape},                           \
        {kRegionalTables[r].warning_list, &kQvdbWarningLightShape},                           \
        {kRegionalTables[r].http_schedule, &kQvdbScheduleShape},                              \
        {kRegionalTables[r].http_target, &kQvdbHttpTargetShape}
// The named tables of each region, in the order of RegionalTables.
constexpr int kNamedPerRegion = 6;
QVDB_TABLE_LIST(kRegionalNamed[kRegionalRegions * kNamedPerRegion]) = {
    REGIONAL_TABLES(0), REGIONAL_TABLES(1), REGIONAL_TABLES(2), REGIONAL_TABLES(3),
};
#undef REGIONAL_TABLES

const QvdbTable *regional_schedule_table(int kind, int region) {
    if (region < 0 || region >= kRegionalRegions) return nullptr;
    const QvdbTable *named = &kRegionalNamed[region * kNamedPerRegion];
    switch (kind) {
        case kRegionalAudible: return &kRegionalAudibleTables[region];
        case kRegionalEmail: return &kRegionalEmailTables[region];
        case kRegionalPtz: return &kRegionalPtzTables[region];
        case kRegionalWhite: return &named[0];
        case kRegionalWarningLight: return &named[2];
        case kRegionalHttp: return &named[4];
        default: return nullptr;
    }
}

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(video_lost, VideoLostRecord, kVideoLostTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(videoloss_audible, kVideoLossAudibleSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(videoloss_email, kVideoLossEmailSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(videoloss_ptz, kVideoLossPtzSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(video_loss, kVideoLossSchedule)

int read_trigger_alarms(const char *db, ExceptionActionsRecord *record) {
    if (!record) return -1;
    ExceptionActionsRow row;
    memset(&row, 0, sizeof row);
    if (qvdb_read_record(db, kExceptionActionsTable, &row, 0) != 0) return -1;
    memcpy(record->action, row.action, sizeof record->action);
    record->recordFailedMailInterval = row.recordFailedMailInterval;
    return 0;
}

int write_trigger_alarms(const char *db, const ExceptionActionsRecord *record) {
    if (!record) return -1;
    ExceptionActionsRow row;
    memset(&row, 0, sizeof row);
    memcpy(row.action, record->action, sizeof row.action);
    row.recordFailedMailInterval = record->recordFailedMailInterval;
    return qvdb_write_record(db, kExceptionActionsTable, &row);
}

QVDB_DEFINE_RECORD_FUNCTIONS_EX(regional_pcnt_event, SmartEventRecord, kRegionalEventTable)

int read_regional_pcnt_schedule(const char *db, int kind, WeeklySchedule *schedule, int channel, int region) {
    const QvdbTable *table = regional_schedule_table(kind, region);
    return table ? qvdb_read_schedule(db, *table, schedule, channel) : -1;
}

int write_regional_pcnt_schedule(const char *db, int kind, const WeeklySchedule *schedule, int channel, int region) {
    const QvdbTable *table = regional_schedule_table(kind, region);
    return table ? qvdb_write_schedule(db, *table, schedule, channel) : -1;
}

int copy_regional_pcnt_schedule(const char *db, int kind, const WeeklySchedule *schedule, int region, uint64_t set) {
    const QvdbTable *table = regional_schedule_table(kind, region);
    return table ? qvdb_copy_schedule(db, *table, schedule, set) : -1;
}
