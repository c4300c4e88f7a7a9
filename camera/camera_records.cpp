// Database tables of the camera module's event settings: people-counting groups, their actions,
// schedules and report auto-backup entries; point-of-sale terminals, their actions and schedules.
#include <string.h>

#include "core/qvdb_camera_events.h"

const char kPeopleCountWhiteScheduleTable[] = "peoplecnt_wled_schedule";
const char kPeopleCountWhiteListTable[] = "peoplecnt_wled_params";
const char kPeopleCountHttpScheduleTable[] = "people_cnt_http_notification_sche";
const char kPeopleCountHttpTargetTable[] = "people_cnt_http_notification_params";
const char kPosWhiteScheduleTable[] = "pos_whiteled_esche";
const char kPosWhiteListTable[] = "pos_whiteled_params";
const char kPosHttpScheduleTable[] = "pos_http_notification_sche";
const char kPosHttpTargetTable[] = "pos_http_notification_params";

namespace {

// ---- people counting ----------------------------------------------------------------------------

const QvdbField kGroupFields[] = {
    QVDB_FIELD(PeopleCountGroupRecord, groupid, "groupid"),
    QVDB_FIELD(PeopleCountGroupRecord, enable, "enable"),
    QVDB_FIELD(PeopleCountGroupRecord, stays, "stays"),
    QVDB_FIELD(PeopleCountGroupRecord, liveview_auto_reset, "liveview_auto_reset"),
    QVDB_FIELD(PeopleCountGroupRecord, auto_day, "auto_day"),
    QVDB_FIELD(PeopleCountGroupRecord, liveview_font_size, "liveview_font_size"),
    QVDB_FIELD(PeopleCountGroupRecord, name, "name"),
    QVDB_FIELD(PeopleCountGroupRecord, auto_day_time, "auto_day_time"),
    QVDB_FIELD(PeopleCountGroupRecord, tri_channels, "tri_channels"),
    QVDB_FIELD(PeopleCountGroupRecord, liveview_green_tips, "liveview_green_tips"),
    QVDB_FIELD(PeopleCountGroupRecord, liveview_red_tips, "liveview_red_tips"),
};
const QvdbShape kGroupShape = qvdb_record_shape(kQvdbSettings, sizeof(PeopleCountGroupRecord),
                                                QVDB_FIELDS(kGroupFields), "groupid", kPeopleCountGroups,
                                                kPeopleCountGroups);
QVDB_TABLE(kGroupTable, "peoplecnt_settings", kGroupShape);

const QvdbShape kGroupEventShape = qvdb_record_shape(kQvdbSettings, sizeof(CameraAlarmInEventRecord),
                                                     QVDB_FIELDS(kCameraAlarmInEventFields), "chnid",
                                                     kPeopleCountGroups, kPeopleCountGroups);
QVDB_TABLE(kGroupEventTable, "peoplecnt_event", kGroupEventShape);

QVDB_SCHEDULE_TABLE(kGroupAudibleSchedule, "peoplecnt_audible_schedule");
QVDB_SCHEDULE_TABLE(kGroupEmailSchedule, "peoplecnt_email_schedule");
QVDB_SCHEDULE_TABLE(kGroupPtzSchedule, "peoplecnt_ptz_schedule");
QVDB_SCHEDULE_TABLE(kGroupWhiteSchedule, kPeopleCountWhiteScheduleTable);
QVDB_SCHEDULE_TABLE(kGroupHttpSchedule, kPeopleCountHttpScheduleTable);
QVDB_TABLE(kGroupWhiteList, kPeopleCountWhiteListTable, kQvdbWhiteLedShape);
QVDB_TABLE(kGroupHttpTarget, kPeopleCountHttpTargetTable, kQvdbHttpTargetShape);

// The 4 report entries are kept by position: the row's slot is the entry's place in the table.
struct ReportBackupRow {
    int32_t slot;
    ReportBackupEntry entry;
};
const QvdbField kReportBackupFields[] = {
    QVDB_FIELD(ReportBackupRow, slot, "slot"),
    QVDB_FIELD(ReportBackupRow, entry.reportType, "reportType"),
    QVDB_FIELD(ReportBackupRow, entry.enable, "enable"),
    QVDB_FIELD(ReportBackupRow, entry.triChannels, "triChannels"),
    QVDB_FIELD(ReportBackupRow, entry.triGroups, "triGroups"),
    QVDB_FIELD(ReportBackupRow, entry.stayLengthType, "stayLengthType"),
    QVDB_FIELD(ReportBackupRow, entry.stayLengthValue, "stayLengthValue"),
    QVDB_FIELD(ReportBackupRow, entry.backupDay, "backupDay"),
    QVDB_FIELD(ReportBackupRow, entry.backupTime, "backupTime"),
    QVDB_FIELD(ReportBackupRow, entry.fileFormat, "fileFormat"),
    QVDB_FIELD(ReportBackupRow, entry.timeRange, "timeRange"),
    QVDB_FIELD(ReportBackupRow, entry.backupTo, "backupTo"),
    QVDB_FIELD(ReportBackupRow, entry.lineMask, "lineMask"),
};
const QvdbShape kReportBackupShape = qvdb_record_shape(kQvdbSettings, sizeof(ReportBackupRow),
                                                       QVDB_FIELDS(kReportBackupFields), "slot",
                                                       kReportBackupEntries, kReportBackupEntries);
QVDB_TABLE(kReportBackupTable, "peoplecnt_auto_backup", kReportBackupShape);

// ---- point of sale -------------------------------------------------------------------------------

const QvdbField kPosFields[] = {
    QVDB_FIELD(PosSettingRecord, id, "id"),
    QVDB_FIELD(PosSettingRecord, enable, "enable"),
    QVDB_FIELD(PosSettingRecord, name, "name"),
    QVDB_FIELD(PosSettingRecord, protocol, "protocol"),
    QVDB_FIELD(PosSettingRecord, connectionMode, "connectionMode"),
    QVDB_FIELD(PosSettingRecord, ip, "ip"),
    QVDB_FIELD(PosSettingRecord, liveviewDisplay, "liveviewDisplay"),
    QVDB_FIELD(PosSettingRecord, displayChannel, "displayChannel"),
    QVDB_FIELD(PosSettingRecord, startX, "startX"),
    QVDB_FIELD(PosSettingRecord, startY, "startY"),
    QVDB_FIELD(PosSettingRecord, areaWidth, "areaWidth"),
    QVDB_FIELD(PosSettingRecord, areaHeight, "areaHeight"),
    QVDB_FIELD(PosSettingRecord, characterEncodeing, "characterEncodeing"),
    QVDB_FIELD(PosSettingRecord, fontSize, "fontSize"),
    QVDB_FIELD(PosSettingRecord, fontColor, "fontColor"),
    QVDB_FIELD(PosSettingRecord, overlayMode, "overlayMode"),
    QVDB_FIELD(PosSettingRecord, displayTime, "displayTime"),
    QVDB_FIELD(PosSettingRecord, timeout, "timeout"),
    QVDB_FIELD(PosSettingRecord, privacy1, "privacy1"),
    QVDB_FIELD(PosSettingRecord, privacy2, "privacy2"),
    QVDB_FIELD(PosSettingRecord, privacy3, "privacy3"),
    QVDB_FIELD(PosSettingRecord, port, "port"),
    QVDB_FIELD(PosSettingRecord, clearTime, "clearTime"),
    QVDB_FIELD(PosSettingRecord, nvrPort, "nvrPort"),
};
const QvdbShape kPosShape = qvdb_record_shape(kQvdbSettings, sizeof(PosSettingRecord), QVDB_FIELDS(kPosFields),
                                              "id", kPosTerminals, kPosTerminals);
QVDB_TABLE(kPosTable, "pos_settings", kPosShape);

const QvdbShape kPosEventShape = qvdb_record_shape(kQvdbSettings, sizeof(CameraAlarmInEventRecord),
                                                   QVDB_FIELDS(kCameraAlarmInEventFields), "chnid", kPosTerminals,
                                                   kPosTerminals);
QVDB_TABLE(kPosEventTable, "pos_event", kPosEventShape);

QVDB_SCHEDULE_TABLE(kTerminalEffectiveSchedule, "pos_effective_schedule");
QVDB_SCHEDULE_TABLE(kTerminalAudibleSchedule, "pos_audible_schedule");
QVDB_SCHEDULE_TABLE(kTerminalEmailSchedule, "pos_email_schedule");
QVDB_SCHEDULE_TABLE(kTerminalPtzSchedule, "pos_ptz_schedule");
QVDB_SCHEDULE_TABLE(kTerminalWhiteSchedule, kPosWhiteScheduleTable);
QVDB_SCHEDULE_TABLE(kTerminalHttpSchedule, kPosHttpScheduleTable);
QVDB_TABLE(kPosWhiteList, kPosWhiteListTable, kQvdbWhiteLedShape);
QVDB_TABLE(kPosHttpTarget, kPosHttpTargetTable, kQvdbHttpTargetShape);

const QvdbTable *pos_schedule_table(int kind) {
    switch (kind) {
        case kPosEffectiveSchedule: return &kTerminalEffectiveSchedule;
        case kPosAudibleSchedule: return &kTerminalAudibleSchedule;
        case kPosEmailSchedule: return &kTerminalEmailSchedule;
        case kPosPtzSchedule: return &kTerminalPtzSchedule;
        case kPosWhiteSchedule: return &kTerminalWhiteSchedule;
        case kPosHttpSchedule: return &kTerminalHttpSchedule;
        default: return nullptr;
    }
}

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(peoplecnt_setting, PeopleCountGroupRecord, kGroupTable)
QVDB_DEFINE_RECORD_FUNCTIONS(peoplecnt_event, CameraAlarmInEventRecord, kGroupEventTable)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(peoplecnt_audible, kGroupAudibleSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(peoplecnt_email, kGroupEmailSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(peoplecnt_ptz, kGroupPtzSchedule)
QVDB_DEFINE_SCHEDULE_FUNCTIONS(peoplecnt_wled, kGroupWhiteSchedule)
QVDB_DEFINE_RECORD_FUNCTIONS(pos_setting, PosSettingRecord, kPosTable)
QVDB_DEFINE_RECORD_FUNCTIONS(pos_event, CameraAlarmInEventRecord, kPosEventTable)

int read_peoplecnt_auto_backup(const char *db, ReportBackupEntry table[kReportBackupEntries]) {
    ReportBackupRow rows[kReportBackupEntries];
    int count = 0;
    if (!table || qvdb_read_records(db, kReportBackupTable, rows, kReportBackupEntries, &count) != 0) return -1;
    for (int i = 0; i < kReportBackupEntries; i++)
        if (i >= count || rows[i].slot != i) return -1;
    for (int i = 0; i < kReportBackupEntries; i++) table[i] = rows[i].entry;
    return 0;
}

int write_peoplecnt_auto_backup(const char *db, const ReportBackupEntry table[kReportBackupEntries]) {
    if (!table) return -1;
    DbTransaction transaction(db);
    for (int i = 0; i < kReportBackupEntries; i++) {
        ReportBackupRow row;
        row.slot = i;
        row.entry = table[i];
        if (qvdb_write_record(db, kReportBackupTable, &row) != 0) return -1;
    }
    return transaction.commit();
}

int read_pos_schedule(const char *db, int kind, WeeklySchedule *schedule, int id) {
    const QvdbTable *table = pos_schedule_table(kind);
    return table ? qvdb_read_schedule(db, *table, schedule, id) : -1;
}

int write_pos_schedule(const char *db, int kind, const WeeklySchedule *schedule, int id) {
    const QvdbTable *table = pos_schedule_table(kind);
    return table ? qvdb_write_schedule(db, *table, schedule, id) : -1;
}

int copy_pos_schedules(const char *db, int kind, const WeeklySchedule *schedule, uint64_t mask) {
    const QvdbTable *table = pos_schedule_table(kind);
    return table ? qvdb_copy_schedule(db, *table, schedule, mask) : -1;
}
