// Point-of-sale routes of module "/2001": the 8 terminals' connection and display settings and
// the event actions of a terminal's transactions.
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

constexpr int kRequestPosChanged = 1421;  // terminal id; reply 6421

// A terminal's keys, in the order they are answered ("nvrPort" before "clearTime"). A request
// stores all but "id"; a name keeps 32 characters.
const EntryField kPosFields[] = {
    ENTRY_NUMBER(PosSettingRecord, id),
    ENTRY_NUMBER(PosSettingRecord, enable),
    EntryField{"name", static_cast<int>(offsetof(PosSettingRecord, name)), static_cast<int>(kPosNameStored),
               EntryFieldKind::Text},
    ENTRY_NUMBER(PosSettingRecord, protocol),
    ENTRY_NUMBER(PosSettingRecord, connectionMode),
    ENTRY_TEXT(PosSettingRecord, ip),
    ENTRY_NUMBER(PosSettingRecord, liveviewDisplay),
    ENTRY_NUMBER(PosSettingRecord, displayChannel),
    ENTRY_NUMBER(PosSettingRecord, startX),
    ENTRY_NUMBER(PosSettingRecord, startY),
    ENTRY_NUMBER(PosSettingRecord, areaWidth),
    ENTRY_NUMBER(PosSettingRecord, areaHeight),
    ENTRY_NUMBER(PosSettingRecord, characterEncodeing),
    ENTRY_NUMBER(PosSettingRecord, fontSize),
    ENTRY_NUMBER(PosSettingRecord, fontColor),
    ENTRY_NUMBER(PosSettingRecord, overlayMode),
    ENTRY_NUMBER(PosSettingRecord, displayTime),
    ENTRY_NUMBER(PosSettingRecord, timeout),
    ENTRY_TEXT(PosSettingRecord, privacy1),
    ENTRY_TEXT(PosSettingRecord, privacy2),
    ENTRY_TEXT(PosSettingRecord, privacy3),
    ENTRY_NUMBER(PosSettingRecord, port),
    ENTRY_NUMBER(PosSettingRecord, nvrPort),
    ENTRY_NUMBER(PosSettingRecord, clearTime),
};

constexpr unsigned kTerminalSubSettings = kSubEffective | kSubAudible | kSubEmail | kSubPtz | kSubWhiteSchedule |
                                          kSubWhiteList | kSubHttpSchedule | kSubHttpTarget;

// The action fields a terminal's request changes: no switch and no warning light.
EventActionFields terminal_action_fields(CameraAlarmInEventRecord *record) {
    EventActionFields fields = all_action_fields(record);
    fields.enable = nullptr;
    fields.warning_light_interval = nullptr;
    return fields;
}

bool read_terminal_key(json_object *request, int *id) {
    return read_int_between(request, "id", 0, kPosTerminals - 1, id);
}

// All 8 terminals, placed by their id; false when they cannot be read.
bool read_terminals(PosSettingRecord terminals[kPosTerminals]) {
    return read_keyed_table(read_pos_settings, &PosSettingRecord::id, terminals, kPosTerminals);
}

json_object *terminal_actions_json(int id) {
    const EventKind &kind = kPosEventKind;
    CameraAlarmInEventRecord record;
    memset(&record, 0, sizeof record);
    read_pos_event(kDb, &record, id);
    json_object *actions = json_object_new_object();
    if (!actions) return nullptr;
    add_event_sub_setting(actions, kind, id, kSubEffective);
    add_event_sub_setting(actions, kind, id, kSubAudible);
    json_add_int(actions, "interval", record.interval);
    json_add_int(actions, "audioId", record.audioId);
    add_event_sub_setting(actions, kind, id, kSubEmail);
    json_add_int(actions, "email_interval", record.email_interval);
    json_add_int(actions, "email_pic_enable", record.email_pic_enable);
    json_add_text(actions, "tri_channels_pic", record.tri_channels_pic);
    add_event_sub_setting(actions, kind, id, kSubPtz);
    json_add_int(actions, "ptz_interval", record.ptz_interval);
    add_event_sub_setting(actions, kind, id, kSubPtzLinkage);
    add_event_sub_setting(actions, kind, id, kSubWhiteSchedule);
    add_event_sub_setting(actions, kind, id, kSubWhiteList);
    json_add_int(actions, "white_interval", record.white_interval);
    add_event_sub_setting(actions, kind, id, kSubHttpSchedule);
    add_event_sub_setting(actions, kind, id, kSubHttpTarget);
    json_add_int(actions, "http_notification_interval", record.http_notification_interval);
    json_add_int(actions, "alarmout_interval", record.alarmout_interval);
    json_add_int(actions, "triAlarms", record.triAlarms);
    json_add_text(actions, "triChannels", record.triChannels);
    json_object_object_add(actions, "triChnAlarms",
                           get_event_chn_alarmout_object(record.triChnAlarms1, record.triChnAlarms2));
    return actions;
}

// Stores the "action" object of a terminal: the sub-settings that decode and the fields given.
void save_terminal_actions(json_object *action, int id) {
    store_event_sub_settings(action, kPosEventKind, id, kTerminalSubSettings);
    CameraAlarmInEventRecord record;
    memset(&record, 0, sizeof record);
    read_pos_event(kDb, &record, id);
    apply_event_action_keys(action, terminal_action_fields(&record), kActionWithHttpInterval);
    set_ptz_params_by_json(id, kPosPtzType, array_key(action, "ptzParams"));
    record.chnid = id;
    write_pos_event(kDb, &record);
}

}  // namespace

// "/2073": every terminal's settings and the actions of terminal "id".
int on_cgi_get_pos_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    PosSettingRecord terminals[kPosTerminals];
    if (!request || !read_terminal_key(request, &id) || !read_terminals(terminals))
        return cgi_error_to_webserver(kJson);
    json_object *list = nullptr;
    json_object *answer = new_answer_with_array("pos", &list);
    if (!answer) return cgi_error_to_webserver(kJson);
    add_entries(list, ReplyView(terminals, sizeof terminals), 0, sizeof(PosSettingRecord), kPosTerminals, kPosFields,
                NVR_ARRAY_COUNT(kPosFields));
    json_object_object_add(answer, "action", terminal_actions_json(id));
    return cgi_answer_json(answer, kJson);
}

// "/2074": a terminal's settings (every key; a missing number stores 0) and, with an "action"
// object, its actions; then the daemon is told and its reply answers.
int on_cgi_set_pos_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_terminal_key(request, &id)) return cgi_error_to_webserver(kJson);
    {
        DbTransaction transaction(kDb);
        PosSettingRecord terminal;
        memset(&terminal, 0, sizeof terminal);
        read_pos_setting(kDb, &terminal, id);
        store_entry_fields(request, &terminal, sizeof terminal, kPosFields + 1, NVR_ARRAY_COUNT(kPosFields) - 1);
        terminal.id = id;
        json_object *action = json_get_typed(request, "action", json_type_object);
        if (action) save_terminal_actions(action, id);
        write_pos_setting(kDb, &terminal);
        transaction.commit();
    }
    int32_t payload = id;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestPosChanged, &payload, sizeof payload, kJson);
    return 0;
}
