// Licence-plate recognition routes of module "/6000": the actions of each list mode and the
// camera-side recognition settings (detection area, plate formats, result posting, night mode).
#include "video/plate_settings.h"

#include <string.h>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"
#include "video/anpr_payloads.h"
#include "core/reply_view.h"
#include "video/smart_event_settings.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// ---- list-mode actions --------------------------------------------------------------------------

const char *const kModeAnswerKeys[] = {
    "enable",           "triAlarms",        "interval",          "email_interval",
    "email_pic_enable", "tri_channels_pic", "ptz_interval",      "alarmout_interval",
    "white_interval",   "warning_light_interval", "http_notification_interval", "triChannels",
    "effective",        "audible",          "email",             "ptz",
    "triChnAlarms",     "white",            "whiteInfo",         "warningLight",
    "warningLightInfo", "httpSche",         "httpParams",        "audioId",
    "audioIdMask",      "ptzParams",
};
const char *const kAnyPlateAnswerKeys[] = {"effective"};

// "chnid" 0 to 63 and "mode" -1 to 2 of a request; false when either is missing or out of range.
bool read_channel_and_mode(json_object *request, int *channel, int *mode) {
    return request && read_channel_key(request, "chnid", channel) &&
           on_cgi_get_int_from_json(request, "mode", mode) == 0 && anpr_mode_in_range(*mode);
}

// ---- recognition settings: one key table for the request and the answer --------------------------

enum class SettingKind { Number, Text, Regions, Rois, Presets };

struct SettingKey {
    const char *key;
    SettingKind kind;
    int offset;
    int size;
};

#define NUMBER(member) {#member, SettingKind::Number, offsetof(AnprSettingsRecord, member), 4}
#define TEXT(member) \
    {#member, SettingKind::Text, offsetof(AnprSettingsRecord, member), sizeof(AnprSettingsRecord::member)}

// The keys of the settings answer in their order; the request carries the same keys.
const SettingKey kSettingKeys[] = {
    NUMBER(chnid),
    NUMBER(enable),
    NUMBER(resolution_width),
    NUMBER(resolution_height),
    NUMBER(area_x),
    NUMBER(area_y),
    NUMBER(area_width),
    NUMBER(area_height),
    NUMBER(day_night_mode_enable),
    NUMBER(scene),
    NUMBER(direction_enable),
    NUMBER(region_enable),
    NUMBER(roiid_enable),
    NUMBER(process_mode),
    NUMBER(repeat_check_time_value),
    NUMBER(repeat_check_time_unit),
    NUMBER(post_enable),
    NUMBER(post_type),
    NUMBER(post_tcp_port),
    TEXT(post_http_user),
    TEXT(post_http_password),
    TEXT(post_http_url),
    NUMBER(confidence),
    NUMBER(night_mode_enable),
    NUMBER(night_mode_level),
    NUMBER(night_mode_starthour),
    NUMBER(night_mode_startminute),
    NUMBER(night_mode_stophour),
    NUMBER(night_mode_stopminute),
    NUMBER(night_mode_effective_mode),
    {"region", SettingKind::Regions, offsetof(AnprSettingsRecord, region), 0},
    NUMBER(cur_area),
    NUMBER(in_night_mode),
    {"roi", SettingKind::Rois, offsetof(AnprSettingsRecord, roi), 0},
    {"preset", SettingKind::Presets, offsetof(AnprSettingsRecord, preset), 0},
    NUMBER(platecolorEnable),
    NUMBER(vehicletypeEnable),
    NUMBER(vehiclecolorEnable),
    NUMBER(jsonSupport),
    NUMBER(irLedExternalSupport),
    NUMBER(vehicleEnhancement),
    NUMBER(vehicleBrandEnable),
    NUMBER(aitype),
};

#undef NUMBER
#undef TEXT

// The keys of a rectangle; presets answer their last key as "endy".
struct RectKeys {
    const char *end_y;
};
const RectKeys kRoiKeys = {"endY"};
const RectKeys kPresetKeys = {"endy"};

// ---- request side ----

json_object *item_of(json_object *array, int index, json_type type) {
    if (!array || !json_object_is_type(array, json_type_array) ||
        static_cast<size_t>(index) >= json_object_array_length(array))
        return nullptr;
    json_object *item = json_object_array_get_idx(array, static_cast<size_t>(index));
    return item && json_object_is_type(item, type) ? item : nullptr;
}

void read_text(json_object *object, const char *key, char *field, size_t size) {
    json_object *value = json_get_typed(object, key, json_type_string);
    if (value) copy_text_field(field, size, json_object_get_string(value));
}

void read_rect(json_object *object, AnprRect *rect) {
    if (!object) return;
    read_text(object, "name", rect->name, sizeof rect->name);
    on_cgi_get_int_from_json(object, "startX", &rect->startX);
    on_cgi_get_int_from_json(object, "startY", &rect->startY);
    on_cgi_get_int_from_json(object, "endX", &rect->endX);
    // The pages send back what they were given: presets spell the last key "endy".
    if (on_cgi_get_int_from_json(object, "endY", &rect->endY) != 0) on_cgi_get_int_from_json(object, "endy", &rect->endY);
}

// The settings record from the request's keys (missing ones stay 0), bounded by the record.
void read_settings(json_object *request, int channel, AnprSettingsRecord *record) {
    char *bytes = reinterpret_cast<char *>(record);
    for (const SettingKey &k : kSettingKeys) {
        switch (k.kind) {
            case SettingKind::Number: {
                int32_t value = 0;
                if (on_cgi_get_int_from_json(request, k.key, &value) == 0) memcpy(bytes + k.offset, &value, 4);
                break;
            }
            case SettingKind::Text:
                read_text(request, k.key, bytes + k.offset, static_cast<size_t>(k.size));
                break;
            case SettingKind::Regions: {
                json_object *regions = json_get_typed(request, k.key, json_type_array);
                for (int i = 0; i < kAnprRegions; i++) {
                    json_object *text = item_of(regions, i, json_type_string);
                    if (text) copy_text_field(record->region[i], kAnprRegionTextSize, json_object_get_string(text));
                }
                break;
            }
            case SettingKind::Rois: {
                json_object *rois = json_get_typed(request, k.key, json_type_array);
                for (int i = 0; i < kAnprRois; i++) read_rect(item_of(rois, i, json_type_object), &record->roi[i]);
                break;
            }
            case SettingKind::Presets: {
                json_object *presets = json_get_typed(request, k.key, json_type_array);
                for (int p = 0; p < kAnprPresets; p++) {
                    json_object *preset = item_of(presets, p, json_type_array);
                    for (int i = 0; preset && i < kAnprPresetRois; i++)
                        read_rect(item_of(preset, i, json_type_object), &record->preset[p][i]);
                }
                break;
            }
        }
    }
    json_object *polygons = json_get_typed(request, "normalPolygons", json_type_array);
    for (int i = 0; i < kAnprPolygons; i++) {
        json_object *polygon = item_of(polygons, i, json_type_object);
        if (!polygon) continue;
        read_text(polygon, "name", record->normalPolygons[i].name, kAnprNameSize);
        read_text(polygon, "polygonX", record->normalPolygons[i].polygonX, kAnprPolygonTextSize);
        read_text(polygon, "polygonY", record->normalPolygons[i].polygonY, kAnprPolygonTextSize);
    }
    record->chnid = channel;
}

// The wildcards record of a plate-format request: "filter", "maxPlateCharNum" and up to 9
// "wildcards" objects {"format", "enable"}, by position.
void read_wildcards(json_object *object, int channel, AnprWildcardsRecord *record) {
    memset(record, 0, sizeof *record);
    record->chnid = channel;
    on_cgi_get_int_from_json(object, "filter", &record->filter);
    on_cgi_get_int_from_json(object, "maxPlateCharNum", &record->maxPlateCharNum);
    json_object *wildcards = json_get_typed(object, "wildcards", json_type_array);
    for (int i = 0; i < kAnprWildcards; i++) {
        json_object *wildcard = item_of(wildcards, i, json_type_object);
        if (!wildcard) continue;
        on_cgi_get_int_from_json(wildcard, "enable", &record->enable[i]);
        read_text(wildcard, "format", record->format[i], kAnprFormatSize);
    }
}

// ---- answer side ----

json_object *rect_json(const ReplyView &reply, int offset, const RectKeys &keys) {
    json_object *rect = json_object_new_object();
    json_add_text(rect, "name", reply.text(offset, kAnprNameSize).c_str());
    json_add_int(rect, "startX", reply.number(offset + offsetof(AnprRect, startX)));
    json_add_int(rect, "startY", reply.number(offset + offsetof(AnprRect, startY)));
    json_add_int(rect, "endX", reply.number(offset + offsetof(AnprRect, endX)));
    json_add_int(rect, keys.end_y, reply.number(offset + offsetof(AnprRect, endY)));
    return rect;
}

void add_setting(json_object *answer, const ReplyView &reply, const SettingKey &k) {
    json_object *array = nullptr;
    switch (k.kind) {
        case SettingKind::Number:
            json_add_int(answer, k.key, reply.number(k.offset));
            return;
        case SettingKind::Text:
            json_add_text(answer, k.key, reply.text(k.offset, k.size).c_str());
            return;
        case SettingKind::Regions:
            array = json_object_new_array();
            for (int i = 0; i < kAnprRegions; i++)
                json_object_array_add(array, json_object_new_string(
                                                 reply.text(k.offset + i * kAnprRegionTextSize, kAnprRegionTextSize).c_str()));
            break;
        case SettingKind::Rois:
            array = json_object_new_array();
            for (int i = 0; i < kAnprRois; i++)
                json_object_array_add(array, rect_json(reply, k.offset + i * static_cast<int>(sizeof(AnprRect)), kRoiKeys));
            break;
        case SettingKind::Presets:
            array = json_object_new_array();
            for (int p = 0; p < kAnprPresets; p++) {
                json_object *preset = json_object_new_array();
                for (int i = 0; i < kAnprPresetRois; i++)
                    json_object_array_add(
                        preset, rect_json(reply, k.offset + (p * kAnprPresetRois + i) * static_cast<int>(sizeof(AnprRect)),
                                          kPresetKeys));
                json_object_array_add(array, preset);
            }
            break;
    }
    json_object_object_add(answer, k.key, array);
}

json_object *polygons_json(const ReplyView &reply) {
    json_object *array = json_object_new_array();
    for (int i = 0; i < kAnprPolygons; i++) {
        int base = static_cast<int>(offsetof(AnprSettingsRecord, normalPolygons) + i * sizeof(AnprPolygon));
        json_object *polygon = json_object_new_object();
        json_add_text(polygon, "name", reply.text(base, kAnprNameSize).c_str());
        json_add_text(polygon, "polygonX", reply.text(base + offsetof(AnprPolygon, polygonX), kAnprPolygonTextSize).c_str());
        json_add_text(polygon, "polygonY", reply.text(base + offsetof(AnprPolygon, polygonY), kAnprPolygonTextSize).c_str());
        json_object_array_add(array, polygon);
    }
    return array;
}

// ---- small steps ----

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

// Sends the channel of "chnid" (0 to 63) with the request code and waits; the JSON error answer
// for a bad request or when no reply comes.
int ask_for_channel(const char *arg, int request_code) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    int32_t payload = channel;
    cgi_ask_daemon(on_video_ipc_callback, request_code, &payload, sizeof payload, kJson);
    return 0;
}

}  // namespace

int on_get_anpr_settings_cb(const void *payload, int length) {
    ReplyView reply(payload, length);
    if (!reply.holds(sizeof(AnprSettingsRecord))) return -1;
    json_object *answer = json_object_new_object();
    if (!answer) {
        cgi_error_to_webserver(kJson);
        cgi_reply_done();
        return 0;
    }
    for (const SettingKey &k : kSettingKeys) add_setting(answer, reply, k);
    if (reply.number(offsetof(AnprSettingsRecord, jsonSupport)) != 0 &&
        on_cgi_is_qv_lpr(reply.number(offsetof(AnprSettingsRecord, camera_type))))
        json_object_object_add(answer, "normalPolygons", polygons_json(reply));
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    return 0;
}

// "/6179": the actions of a list mode; mode -1 (any plate) has only its effective schedule.
int on_get_anpr_mode_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, mode = 0;
    if (!read_channel_and_mode(request, &channel, &mode)) return cgi_error_to_webserver(kJson);
    SmartEventRecord record;
    read_anpr_mode_record(channel, mode, &record);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "chnid", channel);
    json_add_int(answer, "mode", mode);
    if (mode < 0)
        add_event_action_answer(answer, kAnyPlateAnswerKeys, 1, anpr_mode_kind(mode), channel, record);
    else
        add_event_action_answer(answer, kModeAnswerKeys, NVR_ARRAY_COUNT(kModeAnswerKeys), anpr_mode_kind(mode), channel,
                                record);
    return cgi_answer_json(answer, kJson);
}

// "/6180": saves a list mode's dialog and its on/off; request 1416 with {channel, mode}.
int on_set_anpr_mode_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, mode = 0;
    if (!read_channel_and_mode(request, &channel, &mode)) return cgi_error_to_webserver(kJson);
    {
        DbTransaction transaction(kDb);
        SmartEventRecord record;
        bool readable = read_anpr_mode_record(channel, mode, &record);
        json_object *dialog = json_get_typed(request, "dialog", json_type_object);
        bool changed = dialog && save_anpr_dialog_data(dialog, &record, mode, channel);
        if (on_cgi_get_int_from_json(request, "enable", &record.enable) == 0) changed = true;
        if (changed && readable) write_anpr_event(kDb, &record, mode);
        transaction.commit();
    }
    int32_t payload[2] = {channel, mode};
    cgi_notify_daemon(on_video_ipc_callback, kRequestAnprModeChanged, payload, sizeof payload);
    return answer_ok();
}

// "/6181", "/6190", "/6186", "/6189": the camera's recognition settings, plate formats, support
// and zoom state, answered by the reply dispatcher.
int on_get_anpr_settings(const char *arg) { return ask_for_channel(arg, kRequestAnprSettingsGet); }
int on_get_anpr_wildcards(const char *arg) { return ask_for_channel(arg, kRequestAnprWildcardsGet); }
int on_get_anpr_support_anpr(const char *arg) { return ask_for_channel(arg, kRequestAnprSupport); }
int on_get_anpr_zoom_state(const char *arg) { return ask_for_channel(arg, kRequestAnprZoomState); }

// "/6182": saves the any-plate dialog, sends the plate formats ("formatData") and the
// recognition settings; the daemon's reply answers "OK" or "FAILED".
int on_set_anpr_settings(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    json_object *dialog = json_get_typed(request, "dialog", json_type_object);
    if (dialog) {
        DbTransaction transaction(kDb);
        SmartEventRecord record;
        bool readable = read_anpr_mode_record(channel, kAnprModeFirst, &record);
        if (save_anpr_dialog_data(dialog, &record, kAnprModeFirst, channel) && readable)
            write_anpr_event(kDb, &record, kAnprModeFirst);
        transaction.commit();
    }
    json_object *formats = json_get_typed(request, "formatData", json_type_object);
    if (formats) {
        AnprWildcardsRecord wildcards;
        read_wildcards(formats, channel, &wildcards);
        cgi_notify_daemon(on_video_ipc_callback, kRequestAnprWildcardsSet, &wildcards, sizeof wildcards);
    }
    AnprSettingsRecord settings;
    memset(&settings, 0, sizeof settings);
    read_settings(request, channel, &settings);
    cgi_ask_daemon(on_video_ipc_callback, kRequestAnprSettingsSet, &settings, sizeof settings, kJson);
    return 0;
}

// "/6191": the camera's plate formats; the daemon's reply answers "OK" or "FAILED".
int on_set_ipc_anpr_wildcards(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "chnid", &channel)) return cgi_error_to_webserver(kJson);
    AnprWildcardsRecord wildcards;
    read_wildcards(request, channel, &wildcards);
    cgi_ask_daemon(on_video_ipc_callback, kRequestAnprWildcardsSet, &wildcards, sizeof wildcards, kJson);
    return 0;
}
