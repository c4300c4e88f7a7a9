// Configuration database records of the camera module's event settings: the people-counting
// groups with their actions, schedules and report auto-backup entries, and the point-of-sale
// terminals with their actions and schedules.
#ifndef NVR_CORE_QVDB_CAMERA_EVENTS_H
#define NVR_CORE_QVDB_CAMERA_EVENTS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"
#include "core/qvdb_events.h"

// ---- people counting ----------------------------------------------------------------------------

constexpr int kPeopleCountGroups = 9;  // group ids 0 to 8

// One counting group (table "peoplecnt_settings", keyed by "groupid").
struct PeopleCountGroupRecord {
    int32_t groupid;
    int32_t enable;
    int32_t stays;
    int32_t liveview_auto_reset;
    int32_t auto_day;
    int32_t liveview_font_size;
    char name[64];
    char auto_day_time[64];
    char tri_channels[65];  // '0'/'1' per channel
    char liveview_green_tips[128];
    char liveview_red_tips[128];
};
static_assert(offsetof(PeopleCountGroupRecord, name) == 24, "counting group name at 24");
static_assert(offsetof(PeopleCountGroupRecord, tri_channels) == 152, "counting group channels at 152");
static_assert(offsetof(PeopleCountGroupRecord, liveview_green_tips) == 217, "counting group green tips at 217");
static_assert(offsetof(PeopleCountGroupRecord, liveview_red_tips) == 345, "counting group red tips at 345");
static_assert(sizeof(PeopleCountGroupRecord) == 476, "counting group record is 476 bytes");

// read_peoplecnt_settings(db, table of 9, &count) reads every group in id order;
// write_peoplecnt_settings(db, table, 9, mask) stores the groups of the mask.
QVDB_DECLARE_RECORD_FUNCTIONS(peoplecnt_setting, PeopleCountGroupRecord)

// The actions of a group (table "peoplecnt_event", keyed by "chnid" = group id), in the layout of
// the camera alarm-input event record.
QVDB_DECLARE_RECORD_FUNCTIONS(peoplecnt_event, CameraAlarmInEventRecord)

// A group's schedules by group id. There is no effective schedule of its own: the audible
// schedule stands for it. The white-LED schedule is also the named schedule table
// kPeopleCountWhiteScheduleTable (the event pages' white-LED schedule functions reach it).
QVDB_DECLARE_SCHEDULE_FUNCTIONS(peoplecnt_audible)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(peoplecnt_email)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(peoplecnt_ptz)
QVDB_DECLARE_SCHEDULE_FUNCTIONS(peoplecnt_wled)
extern const char kPeopleCountWhiteScheduleTable[];
// The group's HTTP notification schedule and target (group id as channel), and its white-LED
// targets (read_peoplecnt_wled_params, in core/qvdb.h) under their table name.
extern const char kPeopleCountHttpScheduleTable[];
extern const char kPeopleCountHttpTargetTable[];
extern const char kPeopleCountWhiteListTable[];

constexpr int kReportBackupEntries = 4;

// One report auto-backup entry (152 bytes; the 4 entries are stored by position).
struct ReportBackupEntry {
    int32_t reportType;
    int32_t enable;
    char triChannels[65];
    char triGroups[17];
    char padding[2];
    int32_t stayLengthType;
    int32_t stayLengthValue;
    int32_t backupDay;
    char backupTime[32];
    int32_t fileFormat;
    int32_t timeRange;
    int32_t backupTo;
    int32_t lineMask;
};
static_assert(offsetof(ReportBackupEntry, triGroups) == 73, "backup groups at 73");
static_assert(offsetof(ReportBackupEntry, stayLengthType) == 92, "backup stay length type at 92");
static_assert(offsetof(ReportBackupEntry, backupTime) == 104, "backup time at 104");
static_assert(offsetof(ReportBackupEntry, fileFormat) == 136, "backup file format at 136");
static_assert(offsetof(ReportBackupEntry, lineMask) == 148, "backup line mask at 148");
static_assert(sizeof(ReportBackupEntry) == 152, "report backup entry is 152 bytes");

// All 4 entries; 0 when every one was read.
int read_peoplecnt_auto_backup(const char *db, ReportBackupEntry table[kReportBackupEntries]);
int write_peoplecnt_auto_backup(const char *db, const ReportBackupEntry table[kReportBackupEntries]);

// ---- point of sale -------------------------------------------------------------------------------

constexpr int kPosTerminals = 8;  // terminal ids 0 to 7

// One terminal's connection and display settings (table "pos_settings", keyed by "id").
struct PosSettingRecord {
    int32_t id;
    int32_t enable;
    char name[36];  // 32 characters at most are stored
    int32_t protocol;
    int32_t connectionMode;
    char ip[64];
    int32_t liveviewDisplay;
    int32_t displayChannel;
    int32_t startX;
    int32_t startY;
    int32_t areaWidth;
    int32_t areaHeight;
    int32_t characterEncodeing;
    int32_t fontSize;
    int32_t fontColor;
    int32_t overlayMode;
    int32_t displayTime;
    int32_t timeout;
    char privacy1[64];
    char privacy2[64];
    char privacy3[64];
    int32_t port;
    int32_t clearTime;
    int32_t nvrPort;
};
static_assert(offsetof(PosSettingRecord, protocol) == 44, "POS protocol at 44");
static_assert(offsetof(PosSettingRecord, ip) == 52, "POS address at 52");
static_assert(offsetof(PosSettingRecord, liveviewDisplay) == 116, "POS display at 116");
static_assert(offsetof(PosSettingRecord, timeout) == 160, "POS timeout at 160");
static_assert(offsetof(PosSettingRecord, privacy1) == 164, "POS privacy texts at 164");
static_assert(offsetof(PosSettingRecord, port) == 356, "POS port at 356");
static_assert(sizeof(PosSettingRecord) == 368, "POS settings entry is 368 bytes");
constexpr size_t kPosNameStored = 33;  // 32 characters and the terminating NUL

// read_pos_setting(db, entry, id), read_pos_settings(db, table of 8, &count), write_pos_setting.
QVDB_DECLARE_RECORD_FUNCTIONS(pos_setting, PosSettingRecord)

// The actions of a terminal (table "pos_event", keyed by "chnid" = terminal id).
QVDB_DECLARE_RECORD_FUNCTIONS(pos_event, CameraAlarmInEventRecord)

// A terminal's weekly schedules by kind. The white-LED and HTTP kinds are the named tables below,
// which the event pages' named-table functions reach as well.
enum PosScheduleKind {
    kPosEffectiveSchedule = 0,
    kPosAudibleSchedule = 1,
    kPosEmailSchedule = 2,
    kPosPtzSchedule = 3,
    kPosWhiteSchedule = 4,
    kPosHttpSchedule = 6,
};
// -1 for another kind.
int read_pos_schedule(const char *db, int kind, WeeklySchedule *schedule, int id);
int write_pos_schedule(const char *db, int kind, const WeeklySchedule *schedule, int id);
int copy_pos_schedules(const char *db, int kind, const WeeklySchedule *schedule, uint64_t mask);
extern const char kPosWhiteScheduleTable[];
extern const char kPosWhiteListTable[];
extern const char kPosHttpScheduleTable[];
extern const char kPosHttpTargetTable[];

#endif
