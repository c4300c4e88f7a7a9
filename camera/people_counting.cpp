// People-counting routes of module "/2001": the nine counting groups, each group's event actions,
// the counter resets and the report auto-backup entries.
#include <string.h>

#include "camera/camera_events.h"
#include "camera/camera_module.h"
#include "camera/camera_request.h"
#include "camera/keyed_table.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_camera_events.h"
#include "core/response.h"
#include "frame/dispatchreq.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

constexpr int kRequestGroupsChanged = 2290;     // 4 bytes, zero; reply 7290
constexpr int kRequestCounterReset = 2291;      // group id; reply 7291
constexpr int kRequestLiveViewReset = 2292;     // group id; reply 7292
constexpr int kRequestGroupActionChanged = 2293;  // group id, -1; reply 7293
constexpr int kRequestReportBackupChanged = 1423;  // no payload; reply 6423

// The group's keys, in the order they are answered. A request stores all but "groupid".
const EntryField kGroupFields[] = {
    ENTRY_NUMBER(PeopleCountGroupRecord, groupid),
    ENTRY_NUMBER(PeopleCountGroupRecord, enable),
    ENTRY_NUMBER(PeopleCountGroupRecord, stays),
    ENTRY_NUMBER(PeopleCountGroupRecord, liveview_auto_reset),
    ENTRY_NUMBER(PeopleCountGroupRecord, auto_day),
    ENTRY_NUMBER(PeopleCountGroupRecord, liveview_font_size),
    ENTRY_TEXT(PeopleCountGroupRecord, name),
    ENTRY_TEXT(PeopleCountGroupRecord, auto_day_time),
    ENTRY_TEXT(PeopleCountGroupRecord, tri_channels),
    ENTRY_TEXT(PeopleCountGroupRecord, liveview_green_tips),
    ENTRY_TEXT(PeopleCountGroupRecord, liveview_red_tips),
};

const EntryField kReportBackupFields[] = {
    ENTRY_NUMBER(ReportBackupEntry, reportType),
    ENTRY_NUMBER(ReportBackupEntry, enable),
    ENTRY_TEXT(ReportBackupEntry, triChannels),
    ENTRY_TEXT(ReportBackupEntry, triGroups),
    ENTRY_NUMBER(ReportBackupEntry, stayLengthType),
    ENTRY_NUMBER(ReportBackupEntry, stayLengthValue),
    ENTRY_NUMBER(ReportBackupEntry, backupDay),
    ENTRY_TEXT(ReportBackupEntry, backupTime),
    ENTRY_NUMBER(ReportBackupEntry, fileFormat),
    ENTRY_NUMBER(ReportBackupEntry, timeRange),
    ENTRY_NUMBER(ReportBackupEntry, backupTo),
    ENTRY_NUMBER(ReportBackupEntry, lineMask),
};

// The sub-settings a group's action request stores besides its record.
constexpr unsigned kGroupSubSettings =
    kSubAudible | kSubEmail | kSubPtz | kSubWhiteSchedule | kSubHttpSchedule | kSubWhiteList | kSubHttpTarget;

// The action fields a group's request changes: no switch, warning light or triggered channels.
EventActionFields group_action_fields(CameraAlarmInEventRecord *record) {
    EventActionFields fields = all_action_fields(record);
    fields.enable = nullptr;
    fields.warning_light_interval = nullptr;
    fields.tri_channels = nullptr;
    fields.tri_channels_set = nullptr;
    return fields;
}

// All 9 groups, placed by their id; false when they cannot be read.
bool read_groups(PeopleCountGroupRecord groups[kPeopleCountGroups]) {
    return read_keyed_table(read_peoplecnt_settings, &PeopleCountGroupRecord::groupid, groups, kPeopleCountGroups);
}

bool read_group_key(json_object *request, int *group) {
    return read_int_between(request, "groupid", 0, kPeopleCountGroups - 1, group);
}

// The actions of a group as the pages show them ("dialog"): the audible schedule also stands
// for the effective one.
json_object *group_actions_json(int group, int audio_mask, bool with_ptz_linkage) {
    const EventKind &kind = kPeopleCountEventKind;
    CameraAlarmInEventRecord record;
    memset(&record, 0, sizeof record);
    read_peoplecnt_event(kDb, &record, group);
    json_object *actions = json_object_new_object();
    if (!actions) return nullptr;
    json_add_int(actions, "chnid", group);
    json_add_int(actions, "triAlarms", record.triAlarms);
    json_add_int(actions, "interval", record.interval);
    json_add_int(actions, "email_interval", record.email_interval);
    json_add_int(actions, "email_pic_enable", record.email_pic_enable);
    json_add_text(actions, "tri_channels_pic", record.tri_channels_pic);
    json_add_int(actions, "ptz_interval", record.ptz_interval);
    json_add_int(actions, "alarmout_interval", record.alarmout_interval);
    json_add_int(actions, "white_interval", record.white_interval);
    for (EventSubSetting schedule : {kSubEffective, kSubAudible, kSubEmail, kSubPtz})
        add_event_sub_setting(actions, kind, group, schedule);
    json_object_object_add(actions, "triChnAlarms",
                           get_event_chn_alarmout_object(record.triChnAlarms1, record.triChnAlarms2));
    add_event_sub_setting(actions, kind, group, kSubWhiteSchedule);
    add_event_sub_setting(actions, kind, group, kSubWhiteList);
    json_add_int(actions, "audioId", record.audioId);
    json_add_int(actions, "audioIdMask", audio_mask);
    if (with_ptz_linkage) add_event_sub_setting(actions, kind, group, kSubPtzLinkage);
    return actions;
}

// Asks the daemon about one group (2291, 2292) and answers its reply.
int ask_about_group(const char *arg, int request_code) {
    JsonRef request(get_request_tokener_json_object(arg));
    int group = 0;
    if (!request || !read_group_key(request, &group)) return cgi_error_to_webserver(kJson);
    int32_t payload = group;
    cgi_ask_daemon(on_camera_ipc_callback, request_code, &payload, sizeof payload, kJson);
    return 0;
}

}  // namespace

// "/2066": the 9 groups; with "action" other than 0, each with its actions under "dialog".
int on_cgi_get_peoplecnt_settings(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    bool with_actions = json_int_or(request, "action", 0) != 0;
    PeopleCountGroupRecord groups[kPeopleCountGroups];
    if (!read_groups(groups)) return cgi_error_to_webserver(kJson);
    int audio_mask = with_actions ? get_audio_file_id_mask() : 0;
    json_object *list = nullptr;
    json_object *answer = new_answer_with_array("groups", &list);
    if (!answer) return cgi_error_to_webserver(kJson);
    for (int group = 0; group < kPeopleCountGroups; group++) {
        json_object *entry = json_object_new_object();
        add_entry_fields(entry, ReplyView(&groups[group], sizeof groups[group]), 0, kGroupFields,
                         NVR_ARRAY_COUNT(kGroupFields));
        if (with_actions) json_object_object_add(entry, "dialog", group_actions_json(group, audio_mask, true));
        json_object_array_add(list, entry);
    }
    return cgi_answer_json(answer, kJson);
}

// "/2067": item i of "groups" (i below 9; items that are not objects are skipped) replaces
// group i's settings, then the daemon is told.
int on_cgi_set_peoplecnt_settings(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    json_object *items = array_key(request, "groups");
    if (items) {
        DbTransaction transaction(kDb);
        PeopleCountGroupRecord groups[kPeopleCountGroups];
        if (!read_groups(groups)) return cgi_error_to_webserver(kJson);
        for (int group = 0; group < kPeopleCountGroups; group++) {
            json_object *item = object_item(items, static_cast<size_t>(group));
            if (!item) continue;
            store_entry_fields(item, &groups[group], sizeof groups[group], kGroupFields + 1,
                               NVR_ARRAY_COUNT(kGroupFields) - 1);
        }
        write_peoplecnt_settings(kDb, groups, kPeopleCountGroups, (1ULL << kPeopleCountGroups) - 1);
        transaction.commit();
    }
    int32_t payload = 0;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestGroupsChanged, &payload, sizeof payload, kJson);
    return 0;
}

// "/2069": one group's actions.
int on_cgi_get_peoplecnt_action(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int group = 0;
    if (!request || !read_group_key(request, &group)) return cgi_error_to_webserver(kJson);
    json_object *actions = group_actions_json(group, get_audio_file_id_mask(), false);
    if (!actions) return cgi_error_to_webserver(kJson);
    return cgi_answer_json(actions, kJson);
}

// "/2070": a group's actions; only the keys given change. The record is written when one of its
// fields or the PTZ linkage list was given.
int on_cgi_set_peoplecnt_action(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int group = 0;
    if (!request || !read_group_key(request, &group)) return cgi_error_to_webserver(kJson);
    {
        DbTransaction transaction(kDb);
        store_event_sub_settings(request, kPeopleCountEventKind, group, kGroupSubSettings);
        CameraAlarmInEventRecord record;
        memset(&record, 0, sizeof record);
        read_peoplecnt_event(kDb, &record, group);
        int changed = apply_event_action_keys(request, group_action_fields(&record), kActionWithHttpInterval);
        changed += set_ptz_params_by_json(group, kPeopleCountPtzType, array_key(request, "ptzParams"));
        if (changed > 0) {
            record.chnid = group;
            write_peoplecnt_event(kDb, &record);
        }
        transaction.commit();
    }
    int32_t payload[2] = {group, -1};
    cgi_ask_daemon(on_camera_ipc_callback, kRequestGroupActionChanged, payload, sizeof payload, kJson);
    return 0;
}

// "/2071", "/2072": reset a group's stored counts or its live-view counter.
int on_cgi_set_peoplecnt_db_reset(const char *arg) { return ask_about_group(arg, kRequestCounterReset); }
int on_cgi_set_peoplecnt_liveview_reset(const char *arg) { return ask_about_group(arg, kRequestLiveViewReset); }

// "/2075": the 4 report auto-backup entries.
int on_cgi_get_report_auto_backup(const char *) {
    ReportBackupEntry entries[kReportBackupEntries];
    if (read_peoplecnt_auto_backup(kDb, entries) != 0) return cgi_error_to_webserver(kJson);
    json_object *list = nullptr;
    json_object *answer = new_answer_with_array("report", &list);
    if (!answer) return cgi_error_to_webserver(kJson);
    add_entries(list, ReplyView(entries, sizeof entries), 0, sizeof(ReportBackupEntry), kReportBackupEntries,
                kReportBackupFields, NVR_ARRAY_COUNT(kReportBackupFields));
    json_add_int(answer, "email", 1);
    return cgi_answer_json(answer, kJson);
}

// "/2076": item i of "report" that is an object replaces entry i (0 to 3); the others keep what
// is stored. The daemon is told in any case.
int on_cgi_set_report_auto_backup(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    json_object *items = array_key(request, "report");
    if (items) {
        DbTransaction transaction(kDb);
        ReportBackupEntry entries[kReportBackupEntries];
        if (read_peoplecnt_auto_backup(kDb, entries) != 0) return cgi_error_to_webserver(kJson);
        for (int i = 0; i < kReportBackupEntries; i++) {
            json_object *item = object_item(items, static_cast<size_t>(i));
            if (item)
                store_entry_fields(item, &entries[i], sizeof entries[i], kReportBackupFields,
                                   NVR_ARRAY_COUNT(kReportBackupFields));
        }
        write_peoplecnt_auto_backup(kDb, entries);
        transaction.commit();
    }
    cgi_ask_daemon(on_camera_ipc_callback, kRequestReportBackupChanged, nullptr, 0, kJson);
    return 0;
}
