// On-screen display and privacy-mask routes of module "/6000" that the recorder keeps itself:
// the OSD record of a channel, its name, the stored masks, and mask changes sent to the cameras.
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>


#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_camera.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/camera_overlay_payloads.h"
#include "video/channel_list.h"
#include "video/reply_answer.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr size_t kOsdNameFromNameRoute = 32;  // the name route keeps at most 31 characters
constexpr int kMaxDateFormat = 3;
constexpr int kMaxMaskAreaId = 24;

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

// A number key (a JSON number, or a number as text) that is present, finite and at least 0.
bool read_position(json_object *request, const char *key, double *out) {
    json_object *value = nullptr;
    if (!json_object_object_get_ex(request, key, &value) || !value) return false;
    if (json_object_is_type(value, json_type_int) || json_object_is_type(value, json_type_double)) {
        *out = json_object_get_double(value);
    } else if (json_object_is_type(value, json_type_string)) {
        const char *text = json_object_get_string(value);
        char *end = nullptr;
        errno = 0;
        *out = strtod(text, &end);
        if (end == text || *end != '\0' || errno != 0) return false;
    } else {
        return false;
    }
    return isfinite(*out) && *out >= 0;
}

// An integer key that is present and below a bound (at most `high`).
bool read_int_at_most(json_object *request, const char *key, int high, int32_t *out) {
    int value = 0;
    if (on_cgi_get_int_from_json(request, key, &value) != 0 || value > high) return false;
    *out = value;
    return true;
}

// Every OSD key of the set route, checked in the record's order.
bool read_osd_request(json_object *request, OsdRecord *record) {
    int channel = 0;
    json_object *name = json_get_typed(request, "camName", json_type_string);
    bool valid = read_channel_key(request, "camId", &channel) && name &&
                 read_int_at_most(request, "showName", 1, &record->showName) &&
                 read_int_at_most(request, "showDate", 1, &record->showDate) &&
                 read_int_at_most(request, "showWeek", 1, &record->showWeek) &&
                 read_int_at_most(request, "dateFormat", kMaxDateFormat, &record->dateFormat) &&
                 read_int_at_most(request, "timeFormat", 1, &record->timeFormat) &&
                 read_position(request, "datePosX", &record->datePosX) &&
                 read_position(request, "datePosY", &record->datePosY) &&
                 read_position(request, "namePosX", &record->namePosX) &&
                 read_position(request, "namePosY", &record->namePosY) &&
                 on_cgi_get_int_from_json(request, "alpha", &record->alpha) == 0 && record->alpha >= 0;
    if (!valid) return false;
    record->channel = channel;
    memset(record->camName, 0, sizeof record->camName);
    copy_text_field(record->camName, sizeof record->camName, json_object_get_string(name));
    return true;
}

json_object *stored_mask_json(const PrivacyMaskRecord &record) {
    json_object *mask = json_object_new_object();
    json_object *areas = json_object_new_array();
    json_add_int(mask, "id", record.channel);
    for (const PrivacyMaskArea &a : record.area) {
        json_object *area = json_object_new_object();
        json_add_int(area, "area_id", a.area_id);
        json_add_int(area, "enable", a.enable);
        json_add_int(area, "start_x", a.start_x);
        json_add_int(area, "start_y", a.start_y);
        json_add_int(area, "area_width", a.area_width);
        json_add_int(area, "area_height", a.area_height);
        json_add_int(area, "width", a.width);
        json_add_int(area, "height", a.height);
        json_add_int(area, "fill_color", a.fill_color);
        json_object_array_add(areas, area);
    }
    json_object_object_add(mask, "area", areas);
    return mask;
}

// The number of mask areas a request describes: "num" + "mosaicNum", 0 to 28.
int requested_mask_areas(const CameraPrivacyMaskRecord &masks) {
    int64_t sum = static_cast<int64_t>(masks.num) + masks.mosaicNum;
    if (sum < 0) return 0;
    return sum > kCameraMaskAreas ? kCameraMaskAreas : static_cast<int>(sum);
}

void fill_mask_area(json_object *item, CameraMaskArea *area) {
    area->area_id = json_int_or(item, "area_id", 0);
    area->enable = json_int_or(item, "enable", 0);
    area->start_x = json_int_or(item, "start_x", 0);
    area->start_y = json_int_or(item, "start_y", 0);
    area->area_width = json_int_or(item, "area_width", 0);
    area->area_height = json_int_or(item, "area_height", 0);
    area->fill_color = json_int_or(item, "fill_color", 0);
    area->ratio = json_int_or(item, "ratio", 0);
    on_cgi_get_string_from_json(item, "name", area->name, sizeof area->name);
}

// The masks of the set request, their areas read from "area" (never past the array).
void fill_requested_masks(json_object *request, json_object *areas, CameraPrivacyMaskRecord *masks) {
    masks->enable = json_int_or(request, "enable", 0);
    masks->num = json_int_or(request, "num", 0);
    masks->cgiSdkFlag = json_int_or(request, "cgiSdkFlag", 0);
    masks->areaEnable = json_int_or(request, "areaMaskEnable", 0);
    masks->mosaicSupport = json_int_or(request, "mosaicSupport", 0);
    masks->mosaicNum = json_int_or(request, "mosaicNum", 0);
    on_cgi_get_int_from_json(request, "delMask", &masks->delMask);
    size_t count = static_cast<size_t>(requested_mask_areas(*masks));
    size_t length = json_object_array_length(areas);
    for (size_t j = 0; j < count && j < length; j++) {
        json_object *item = json_object_array_get_idx(areas, j);
        if (item && json_object_is_type(item, json_type_object)) fill_mask_area(item, &masks->area[j]);
    }
}

}  // namespace

// "/6000": the OSD of the channel given as plain text.
int on_get_osd_info(const char *arg) {
    int channel = 0;
    if (!read_plain_channel(arg, &channel)) return 0;
    OsdRecord record;
    memset(&record, 0, sizeof record);
    read_osd(kDb, &record, channel);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "camId", channel);
    json_add_text(answer, "camName", field_text(record.camName, sizeof record.camName).c_str());
    json_add_int(answer, "showName", record.showName);
    json_add_int(answer, "showDate", record.showDate);
    json_add_int(answer, "showWeek", record.showWeek);
    json_add_int(answer, "dateFormat", record.dateFormat);
    json_add_int(answer, "timeFormat", record.timeFormat);
    json_object_object_add(answer, "datePosX", json_object_new_double(record.datePosX));
    json_object_object_add(answer, "datePosY", json_object_new_double(record.datePosY));
    json_object_object_add(answer, "namePosX", json_object_new_double(record.namePosX));
    json_object_object_add(answer, "namePosY", json_object_new_double(record.namePosY));
    json_add_int(answer, "alpha", record.alpha);
    return cgi_answer_json(answer, kJson);
}

// "/6001": every OSD key of a channel, checked; the daemon is told of the change.
int on_set_osd_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    OsdRecord requested;
    memset(&requested, 0, sizeof requested);
    if (!request || !read_osd_request(request, &requested)) return 0;
    {
        DbTransaction transaction(kDb);
        OsdRecord record;
        memset(&record, 0, sizeof record);
        read_osd(kDb, &record, requested.channel);  // every stored field is replaced
        requested.reserved = record.reserved;
        write_osd(kDb, &requested);
        transaction.commit();
    }
    OsdNotice notice = {requested.channel, 1, 0};
    cgi_notify_daemon(on_video_ipc_callback, kRequestOsdChanged, &notice, sizeof notice);
    return answer_ok();
}

// "/6002": the channel's name alone (at most 31 characters).
int OnSetOSDName(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    json_object *name = request ? json_get_typed(request, "camName", json_type_string) : nullptr;
    if (!name || !read_channel_key(request, "camId", &channel)) return 0;
    {
        DbTransaction transaction(kDb);
        OsdRecord record;
        memset(&record, 0, sizeof record);
        if (read_osd(kDb, &record, channel) != 0) return 0;
        memset(record.camName, 0, sizeof record.camName);
        copy_text_field(record.camName, kOsdNameFromNameRoute, json_object_get_string(name));
        write_osd(kDb, &record);
        transaction.commit();
    }
    return answer_ok();
}

// "/6018": the stored privacy masks of every channel.
int on_get_privacy_masks(const char *) {
    static PrivacyMaskRecord masks[kQvdbChannels];
    int count = 0;
    read_privacy_masks(kDb, masks, &count);
    json_object *answer = json_object_new_array();
    if (!answer) return cgi_error_to_webserver(kJson);
    for (int i = 0; i < count && i < kQvdbChannels; i++) json_object_array_add(answer, stored_mask_json(masks[i]));
    return cgi_answer_json(answer, kJson);
}

// "/6019": privacy masks for the cameras of the listed channels, sent to the daemon.
int on_set_privacy_mask(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int count = 0;
    json_object *areas = request ? json_get_typed(request, "area", json_type_array) : nullptr;
    if (!areas || !json_get_typed(request, "chnid", json_type_array) ||
        on_cgi_get_int_from_json(request, "cnt", &count) != 0)
        return 0;
    static PrivacyMaskSetPayload payload;
    memset(&payload, 0, sizeof payload);
    uint64_t listed = listed_channel_set(request, "chnid", "cnt", kQvdbChannels);
    for (int channel = 0; channel < kQvdbChannels; channel++)
        payload.channels[channel] = (listed & (1ULL << channel)) ? '1' : '0';
    fill_requested_masks(request, areas, &payload.masks);
    cgi_notify_daemon(on_video_ipc_callback, kRequestPrivacyMaskSet, &payload, sizeof payload);
    return answer_ok();
}

// "/6173": delete one mask area of a camera.
int on_delete_privacy_mask(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    PrivacyMaskDelete payload = {0, 0};
    if (!request || !read_channel_key(request, "chan_id", &payload.channel) ||
        on_cgi_get_int_from_json(request, "area_id", &payload.area) != 0 || payload.area < 0 ||
        payload.area > kMaxMaskAreaId)
        return cgi_error_to_webserver(kJson);
    cgi_notify_daemon(on_video_ipc_callback, kRequestPrivacyMaskDelete, &payload, sizeof payload);
    return answer_ok();
}
