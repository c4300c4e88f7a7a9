// Regional people-counting routes of module "/6000": the counting regions of a camera, kept by the
// daemon, and the actions of each region's event, stored per region and copied to other channels.
#include <string.h>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_regional.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/event_settings.h"
#include "video/regional_payloads.h"
#include "video/reply_answer.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr size_t kCopyTextSize = 65;  // "copyChn": at most 64 characters

// ---- each region as an event kind -----------------------------------------------------------

int regional_schedule_kind(EventSchedule which) {
    switch (which) {
        case kAudibleSchedule: return kRegionalAudible;
        case kEmailSchedule: return kRegionalEmail;
        case kPtzSchedule: return kRegionalPtz;
        default: return -1;  // no effective schedule is stored for a region
    }
}

int read_region_schedule(EventSchedule which, WeeklySchedule *schedule, int channel, int region) {
    return read_regional_pcnt_schedule(kDb, regional_schedule_kind(which), schedule, channel, region);
}
int write_region_schedule(EventSchedule which, const WeeklySchedule *schedule, int channel, int region) {
    return write_regional_pcnt_schedule(kDb, regional_schedule_kind(which), schedule, channel, region);
}
int copy_region_schedule(EventSchedule which, const WeeklySchedule *schedule, uint64_t set, int region) {
    return copy_regional_pcnt_schedule(kDb, regional_schedule_kind(which), schedule, region, set);
}

constexpr EventKind region_kind(int region) {
    return EventKind{read_region_schedule,
                     write_region_schedule,
                     copy_region_schedule,
                     region,
                     kRegionalTables[region].white_schedule,
                     kRegionalTables[region].white_list,
                     kRegionalTables[region].warning_schedule,
                     kRegionalTables[region].warning_list,
                     kRegionalTables[region].http_schedule,
                     kRegionalTables[region].http_target,
                     kRegionalPtzTypeBase + region};
}
constexpr EventKind kRegionKinds[kRegionalRegions] = {region_kind(0), region_kind(1), region_kind(2), region_kind(3)};

// The region's sub-settings the set route stores through the shared steps ("warnLight" and
// "warnLightInfo" are stored by store_region_warning_light).
constexpr unsigned kRegionSubSettings =
    kSubAudible | kSubEmail | kSubPtz | kSubWhiteSchedule | kSubWhiteList | kSubHttpSchedule | kSubHttpTarget;

EventActionFields region_action_fields(SmartEventRecord *record) {
    EventActionFields fields = all_action_fields(record);
    fields.enable = nullptr;  // a region's event has no "enable" key
    return fields;
}

// ---- storing a region's actions ----------------------------------------------------------------

// The region's warning-light schedule ("warnLight") and list ("warnLightInfo"); returns the
// sub-settings stored.
unsigned store_region_warning_light(json_object *action, int channel, int region) {
    unsigned stored = 0;
    WeeklySchedule schedule;
    if (get_schedule_by_json(action, "warnLight", &schedule) == 0 &&
        write_regional_pcnt_schedule(kDb, kRegionalWarningLight, &schedule, channel, region) == 0)
        stored |= kSubWarningSchedule;
    WarningLightList list;
    memset(&list, 0, sizeof list);
    if (get_warning_light_params_by_json(channel, &list, action, "warnLightInfo") == 0 &&
        write_warning_light_params_all(kDb, &list, kRegionalTables[region].warning_list, channel) == 0)
        stored |= kSubWarningList;
    return stored;
}

// Stores the actions of one region for the channel and copies what was stored to the set. A
// record that cannot be read is neither written nor copied.
void save_region_actions(json_object *action, int channel, int region, uint64_t copies) {
    const EventKind &kind = kRegionKinds[region];
    SmartEventRecord record;
    memset(&record, 0, sizeof record);
    bool readable = read_regional_pcnt_event(kDb, &record, channel, region) == 0;
    unsigned stored = store_event_sub_settings(action, kind, channel, kRegionSubSettings);
    json_object *linkage = json_get_typed(action, "ptzParams", json_type_array);
    if (linkage && set_ptz_params_by_json(channel, kind.ptz_type, linkage) == 1) stored |= kSubPtzLinkage;
    stored |= store_region_warning_light(action, channel, region);
    copy_event_sub_settings(kind, channel, copies, stored);
    apply_event_action_keys(action, region_action_fields(&record), kActionWithHttpInterval);
    if (!readable) return;
    record.chnid = channel;
    write_regional_pcnt_event(kDb, &record, region);
    if (copies) copy_regional_pcnt_events(kDb, &record, copies, region);
}

// ---- the request record ----------------------------------------------------------------------

void fill_region(json_object *item, RegionalArea *area) {
    area->enable = json_int_or(item, "enable", 0);
    on_cgi_get_string_from_json(item, "polygonX", area->polygonX, sizeof area->polygonX);
    on_cgi_get_string_from_json(item, "polygonY", area->polygonY, sizeof area->polygonY);
    area->maxStayEnable = json_int_or(item, "maxStayEnable", 0);
    area->maxStayValue = json_int_or(item, "maxStayValue", 0);
    area->minStayEnable = json_int_or(item, "minStayEnable", 0);
    area->minStayValue = json_int_or(item, "minStayValue", 0);
    area->maxStayTimeEnable = json_int_or(item, "maxStayTimeEnable", 0);
    area->maxStayTimeValue = json_int_or(item, "maxStayTimeValue", 0);
}

struct BoxKey {
    const char *key;
    int32_t RegionalRecord::*field;
};
const BoxKey kBoxKeys[] = {
    {"minObjX", &RegionalRecord::minObjX},         {"minObjY", &RegionalRecord::minObjY},
    {"minObjWidth", &RegionalRecord::minObjWidth}, {"minObjHeight", &RegionalRecord::minObjHeight},
    {"maxObjX", &RegionalRecord::maxObjX},         {"maxObjY", &RegionalRecord::maxObjY},
    {"maxObjWidth", &RegionalRecord::maxObjWidth}, {"maxObjHeight", &RegionalRecord::maxObjHeight},
};

// The request record of the set route; a missing key reads 0.
void fill_regional_record(json_object *request, int channel, RegionalRecord *record) {
    memset(record, 0, sizeof *record);
    record->chnid = channel;
    record->sensitivity = json_int_or(request, "sensitivity", 0);
    for (const BoxKey &box : kBoxKeys) record->*box.field = json_int_or(request, box.key, 0);
    json_object *regions = json_get_typed(request, "regional", json_type_array);
    size_t count = regions ? json_object_array_length(regions) : 0;
    for (size_t i = 0; i < count && i < static_cast<size_t>(kRegionalRegions); i++) {
        json_object *item = json_object_array_get_idx(regions, i);
        if (item && json_object_is_type(item, json_type_object)) fill_region(item, &record->region[i]);
    }
    get_schedule_by_json_ipc(request, "effective", &record->effective);
    on_cgi_get_string_from_json(request, "copyChn", record->copyChn, kCopyTextSize);
}

// ---- the answer -------------------------------------------------------------------------------

// The channel "/6096" asked for: set before the request is sent, read by the reply handler.
int g_regional_channel = 0;

json_object *region_json(const RegionalArea &area) {
    json_object *region = json_object_new_object();
    json_add_int(region, "enable", area.enable);
    json_add_text(region, "polygonX", field_text(area.polygonX, sizeof area.polygonX).c_str());
    json_add_text(region, "polygonY", field_text(area.polygonY, sizeof area.polygonY).c_str());
    json_add_int(region, "maxStayEnable", area.maxStayEnable);
    json_add_int(region, "maxStayValue", area.maxStayValue);
    json_add_int(region, "minStayEnable", area.minStayEnable);
    json_add_int(region, "minStayValue", area.minStayValue);
    json_add_int(region, "maxStayTimeEnable", area.maxStayTimeEnable);
    json_add_int(region, "maxStayTimeValue", area.maxStayTimeValue);
    return region;
}

// The stored actions of one region of the channel.
json_object *region_actions_json(int channel, int region) {
    const EventKind &kind = kRegionKinds[region];
    SmartEventRecord record;
    memset(&record, 0, sizeof record);
    read_regional_pcnt_event(kDb, &record, channel, region);
    json_object *action = json_object_new_object();
    add_event_sub_setting(action, kind, channel, kSubAudible);
    json_add_int(action, "interval", record.interval);
    json_add_int(action, "audioId", record.audioId);
    add_event_sub_setting(action, kind, channel, kSubEmail);
    json_add_int(action, "email_interval", record.email_interval);
    json_add_int(action, "email_pic_enable", record.email_pic_enable);
    json_add_text(action, "tri_channels_pic",
                  field_text(record.tri_channels_pic, sizeof record.tri_channels_pic).c_str());
    add_event_sub_setting(action, kind, channel, kSubPtz);
    json_add_int(action, "ptz_interval", record.ptz_interval);
    add_event_sub_setting(action, kind, channel, kSubPtzLinkage);
    add_event_sub_setting(action, kind, channel, kSubWhiteSchedule);
    add_event_sub_setting(action, kind, channel, kSubWhiteList);
    json_add_int(action, "white_interval", record.white_interval);
    add_event_sub_setting(action, kind, channel, kSubHttpSchedule);
    add_event_sub_setting(action, kind, channel, kSubHttpTarget);
    json_add_int(action, "http_notification_interval", record.http_notification_interval);
    json_add_int(action, "alarmout_interval", record.alarmout_interval);
    json_add_int(action, "triAlarms", record.triAlarms);
    json_add_text(action, "triChannels", field_text(record.triChannels, sizeof record.triChannels).c_str());
    json_object_object_add(action, "triChnAlarms",
                           get_event_chn_alarmout_object(
                               field_text(record.triChnAlarms1, sizeof record.triChnAlarms1).c_str(),
                               field_text(record.triChnAlarms2, sizeof record.triChnAlarms2).c_str()));
    return action;
}

}  // namespace

// "/6096": the counting regions of channel "chnid" from the daemon, with their stored actions
// (reply 6220).
int on_cgi_get_ipc_regional_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    g_regional_channel = channel;
    int32_t payload = channel;
    cgi_ask_daemon(on_video_ipc_callback, kRequestRegionalQuery, &payload, sizeof payload, kJson);
    return 0;
}

// "/6097": store the actions of the regions given (at most 4) for "chnid" and the channels of
// "copyChn", then send the regions to the daemon (reply 6221).
int on_cgi_set_ipc_regional_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    static RegionalRecord record;
    fill_regional_record(request, channel, &record);
    uint64_t copies = get_channel_mask(record.copyChn);
    {
        DbTransaction transaction(kDb);
        json_object *actions = json_get_typed(request, "action", json_type_array);
        size_t count = actions ? json_object_array_length(actions) : 0;
        for (size_t region = 0; region < count && region < static_cast<size_t>(kRegionalRegions); region++) {
            json_object *action = json_object_array_get_idx(actions, region);
            if (!action || !json_object_is_type(action, json_type_object)) break;
            save_region_actions(action, channel, static_cast<int>(region), copies);
        }
        transaction.commit();
    }
    cgi_ask_daemon(on_video_ipc_callback, kRequestRegionalSet, &record, sizeof record, kJson);
    return 0;
}

int on_get_ipc_regional_info_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(RegionalRecord))) return -1;  // the time-out answers
    static RegionalRecord record;
    memcpy(&record, payload, sizeof record);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "result", record.result);
    json_add_int(answer, "chnid", record.chnid);
    json_add_int(answer, "sensitivity", record.sensitivity);
    for (const BoxKey &box : kBoxKeys) json_add_int(answer, box.key, record.*box.field);
    json_object *regions = json_object_new_array();
    for (const RegionalArea &area : record.region) json_object_array_add(regions, region_json(area));
    json_object_object_add(answer, "regional", regions);
    json_object_object_add(answer, "effective", get_schedule_json_object_ipc(&record.effective));
    json_object *actions = json_object_new_array();
    for (int region = 0; region < kRegionalRegions; region++)
        json_object_array_add(actions, region_actions_json(g_regional_channel, region));
    json_object_object_add(answer, "action", actions);
    return cgi_reply_json(answer);
}
