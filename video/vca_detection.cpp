// Smart-event detection routes of module "/6000": the detection settings of each event type are
// the daemon's and the camera's; these routes ask for them and send them, saving the page's
// action dialog on the way.
#include <string.h>

#include <initializer_list>

#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "video/smart_event_settings.h"
#include "video/vca_payloads.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// ---- detection gets -------------------------------------------------------------------------------

// Sends the channel of channel_key with the request code and waits; the reply dispatcher answers.
// The JSON error answer for a missing channel or one outside 0 to 63 (when checked) and when no
// reply comes.
int ask_detection(json_object *request, const char *channel_key, int request_code, bool check_range = true) {
    int channel = 0;
    if (on_cgi_get_int_from_json(request, channel_key, &channel) != 0 || (check_range && !channel_in_range(channel)))
        return cgi_error_to_webserver(kJson);
    int32_t payload = channel;
    cgi_ask_daemon(on_video_ipc_callback, request_code, &payload, sizeof payload, kJson);
    return 0;
}

// The same for a request text; nothing for an unparsable one.
int ask_detection(const char *arg, const char *channel_key, int request_code, bool check_range = true) {
    JsonRef request(get_request_tokener_json_object(arg));
    return request ? ask_detection(request, channel_key, request_code, check_range) : 0;
}

// ---- request readers --------------------------------------------------------------------------------

template <typename Record>
struct NumberKey {
    const char *key;
    int32_t Record::*field;
};

// Sets each field whose key the request carries as a number (the record is zeroed, so a missing
// key stays 0).
template <typename Record>
void read_numbers(json_object *object, Record *record, std::initializer_list<NumberKey<Record>> keys) {
    for (const NumberKey<Record> &k : keys) on_cgi_get_int_from_json(object, k.key, &(record->*k.field));
}

void read_text(json_object *object, const char *key, char *field, size_t size) {
    json_object *value = json_get_typed(object, key, json_type_string);
    if (value) copy_text_field(field, size, json_object_get_string(value));
}

// Item i of an array when it is an object, else null.
json_object *object_item(json_object *array, size_t index) {
    if (!array || index >= json_object_array_length(array)) return nullptr;
    json_object *item = json_object_array_get_idx(array, index);
    return item && json_object_is_type(item, json_type_object) ? item : nullptr;
}

// Up to limit polygons of a region's "region" array, by position; non-object items are skipped.
void read_polygons(json_object *region, VcaPolygon *polygons, int limit) {
    json_object *array = json_get_typed(region, "region", json_type_array);
    for (int p = 0; p < limit; p++) {
        json_object *polygon = object_item(array, static_cast<size_t>(p));
        if (!polygon) continue;
        read_text(polygon, "polygonX", polygons[p].polygonX, sizeof polygons[p].polygonX);
        read_text(polygon, "polygonY", polygons[p].polygonY, sizeof polygons[p].polygonY);
    }
}

// "regionInfo": at most 4 regions, by position, read only when the region type is not 0; with
// type 1 only the first polygon of each. fill(item, index, polygons limit) reads one region.
template <typename Fill>
void read_region_info(json_object *request, int region_type, Fill fill) {
    if (region_type == 0) return;
    json_object *regions = json_get_typed(request, "regionInfo", json_type_array);
    int polygons = region_type == 1 ? 1 : kVcaPolygons;
    for (int r = 0; r < kVcaRegions; r++) {
        json_object *region = object_item(regions, static_cast<size_t>(r));
        if (region) fill(region, r, polygons);
    }
}

// The drawn shape of an area record: region text, polygon texts, region type, scene and regions.
void read_area_shape(json_object *request, VcaAreaRecord *record) {
    read_text(request, "region", record->region, sizeof record->region);
    read_text(request, "polygonX", record->polygonX, sizeof record->polygonX);
    read_text(request, "polygonY", record->polygonY, sizeof record->polygonY);
    read_numbers<VcaAreaRecord>(request, record,
                                {{"objtype", &VcaAreaRecord::objtype},
                                 {"regionType", &VcaAreaRecord::regionType},
                                 {"regionScene", &VcaAreaRecord::regionScene}});
    read_region_info(request, record->regionType, [record](json_object *item, int r, int polygons) {
        VcaRegion &region = record->regions[r];
        read_numbers<VcaRegion>(item, &region,
                                {{"enable", &VcaRegion::enable}, {"objType", &VcaRegion::objType}, {"time", &VcaRegion::time}});
        read_polygons(item, region.polygon, polygons);
    });
}

// ---- detection sets ---------------------------------------------------------------------------------

// A detection set request: its parsed object and channel "chnid" (0 to 63).
struct DetectionSet {
    JsonRef request;
    int channel = 0;
    explicit DetectionSet(const char *arg) : request(get_request_tokener_json_object(arg)) {}
    bool valid() { return request && read_channel_key(request, "chnid", &channel); }
    const char *copy_channels() const {
        json_object *text = json_get_typed(request, "copyChn", json_type_string);
        return text ? json_object_get_string(text) : "";
    }
};

// Saves the request's "dialog" (when present) for the smart-event type with the "copyChn" set,
// then sends the record and waits; the reply answers "OK" or "FAILED", no reply "CGI ERROR".
int save_dialog_and_send(const DetectionSet &set, int type, int request_code, const void *record, int size) {
    json_object *dialog = json_get_typed(set.request, "dialog", json_type_object);
    if (dialog && smart_event_type_in_range(type))
        save_smart_event_dialog_data(type, dialog, get_channel_mask(set.copy_channels()));
    cgi_ask_daemon(on_video_ipc_callback, request_code, record, size, kTextPlain);
    return 0;
}

enum AreaKeys : unsigned {
    kAreaShape = 1u << 0,        // region, polygons, objtype, region type and scene, regions
    kAreaIgnoreTime = 1u << 1,   // advanced motion
    kAreaTimeAndSize = 1u << 2,  // loitering
    kAreaTracks = 1u << 3,       // human detection
};

// The area routes: "enable", "sensitivity" (all but human detection), the keys of `keys` and
// "copyChn" into a zeroed record.
int set_area(DetectionSet &set, int type, int request_code, unsigned keys) {
    if (!set.valid()) return cgi_error_to_webserver(kTextPlain);
    VcaAreaRecord record;
    memset(&record, 0, sizeof record);
    record.channel = set.channel;
    on_cgi_get_int_from_json(set.request, "enable", &record.enable);
    if (!(keys & kAreaTracks)) on_cgi_get_int_from_json(set.request, "sensitivity", &record.sensitivity);
    if (keys & kAreaShape) read_area_shape(set.request, &record);
    if (keys & kAreaIgnoreTime) on_cgi_get_int_from_json(set.request, "ignore_time", &record.ignore_time);
    if (keys & kAreaTimeAndSize)
        read_numbers<VcaAreaRecord>(set.request, &record, {{"time", &VcaAreaRecord::time}, {"size", &VcaAreaRecord::size}});
    if (keys & kAreaTracks) on_cgi_get_int_from_json(set.request, "tracks", &record.tracks);
    copy_text_field(record.copyChn, sizeof record.copyChn, set.copy_channels());
    return save_dialog_and_send(set, type, request_code, &record, sizeof record);
}

// Up to 4 line objects of "line", by position; non-object items are skipped.
template <typename Fill>
void read_lines(json_object *request, Fill fill) {
    json_object *lines = json_get_typed(request, "line", json_type_array);
    for (int i = 0; i < kVcaLines; i++) {
        json_object *line = object_item(lines, static_cast<size_t>(i));
        if (line) fill(line, i);
    }
}

const char *position_of(json_object *object) {
    json_object *text = json_get_typed(object, "position", json_type_string);
    return text ? json_object_get_string(text) : "";
}

void convert_line(json_object *object, int width, int height, VcaLinePosition *line) {
    int32_t points[4];
    page_line_to_camera(width, height, position_of(object), points);
    line->start_x = points[0];
    line->start_y = points[1];
    line->end_x = points[2];
    line->end_y = points[3];
    on_cgi_get_int_from_json(object, "direction", &line->direction);
}

// Up to limit numbers of an array into out, by position (items that are not numbers stay 0).
template <typename Value>
void read_int_array(json_object *array, Value *out, int limit) {
    size_t length = array && json_object_is_type(array, json_type_array) ? json_object_array_length(array) : 0;
    for (int i = 0; i < limit && static_cast<size_t>(i) < length; i++) {
        json_object *item = json_object_array_get_idx(array, static_cast<size_t>(i));
        if (item && (json_object_is_type(item, json_type_int) || json_object_is_type(item, json_type_double)))
            out[i] = static_cast<Value>(json_object_get_int(item));
    }
}

// Item i of an array key, or null.
json_object *array_item(json_object *object, const char *key, int index) {
    json_object *array = json_get_typed(object, key, json_type_array);
    if (!array || static_cast<size_t>(index) >= json_object_array_length(array)) return nullptr;
    return json_object_array_get_idx(array, static_cast<size_t>(index));
}

// Analysis limits of one "position" object into eight values: min x, y, width, height, max ...
const char *const kLimitKeys[kVcaLimits] = {"minStartX", "minStartY", "minWidth", "minHeight",
                                            "maxStartX", "maxStartY", "maxWidth", "maxHeight"};

// fps, mode, installation, analysis, width and height of an analysis settings request.
template <typename Record>
void read_analysis_head(json_object *request, Record *record) {
    read_numbers<Record>(request, record,
                         {{"fps", &Record::fps},
                          {"mode", &Record::mode},
                          {"installation", &Record::installation},
                          {"analysis", &Record::analysis},
                          {"width", &Record::width},
                          {"height", &Record::height}});
}

}  // namespace

// "/6132" (type 0 region entrance, other types region exit), "/6134", "/6136", "/6138", "/6140",
// "/6142", "/6144", "/6146", "/6157", "/6172", "/6192", "/6194": the detection settings of a
// channel as the daemon reports them.
int on_get_vca_region(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int code = json_int_or(request, "type", 0) != 0 ? kRequestVcaRegionOutGet : kRequestVcaRegionInGet;
    return ask_detection(request, "channel", code);
}
int on_get_vca_motion(const char *arg) { return ask_detection(arg, "channel", kRequestVcaMotionGet); }
int on_get_vca_tamper(const char *arg) { return ask_detection(arg, "channel", kRequestVcaTamperGet); }
int on_get_vca_line(const char *arg) { return ask_detection(arg, "channel", kRequestVcaLineGet); }
int on_get_vca_loitering(const char *arg) { return ask_detection(arg, "channel", kRequestVcaLoiteringGet); }
int on_get_vca_human(const char *arg) { return ask_detection(arg, "channel", kRequestVcaHumanGet); }
int on_get_vca_people(const char *arg) { return ask_detection(arg, "channel", kRequestVcaPeopleGet); }
int on_get_vca_settings(const char *arg) { return ask_detection(arg, "channel", kRequestVcaSettingsGet); }
int on_get_vca_support(const char *arg) { return ask_detection(arg, "channel", kRequestVcaSupportGet, false); }
int on_get_vca_leftremove(const char *arg) { return ask_detection(arg, "channel", kRequestVcaLeftRemoveGet); }
int on_get_ipc_vca_line2(const char *arg) { return ask_detection(arg, "chnid", kRequestCameraLineGet); }
int on_get_ipc_vca_settings2(const char *arg) { return ask_detection(arg, "channel", kRequestCameraAnalysisGet); }

// "/6133": region entrance ("type" 0) or exit (any other type).
int on_set_vca_region(const char *arg) {
    DetectionSet set(arg);
    bool exit_type = set.request && json_int_or(set.request, "type", 0) != 0;
    return set_area(set, exit_type ? 1 : 0, exit_type ? kRequestVcaRegionOutSet : kRequestVcaRegionInSet, kAreaShape);
}
// "/6135", "/6137", "/6141", "/6143".
int on_set_vca_motion(const char *arg) {
    DetectionSet set(arg);
    return set_area(set, 2, kRequestVcaMotionSet, kAreaShape | kAreaIgnoreTime);
}
int on_set_vca_tamper(const char *arg) {
    DetectionSet set(arg);
    return set_area(set, 3, kRequestVcaTamperSet, 0);
}
int on_set_vca_loitering(const char *arg) {
    DetectionSet set(arg);
    return set_area(set, 5, kRequestVcaLoiteringSet, kAreaShape | kAreaTimeAndSize);
}
int on_set_vca_human(const char *arg) {
    DetectionSet set(arg);
    return set_area(set, 6, kRequestVcaHumanSet, kAreaTracks);
}

// "/6139": line crossing; positions converted from page points with "width" and "height".
int on_set_vca_line(const char *arg) {
    DetectionSet set(arg);
    if (!set.valid()) return cgi_error_to_webserver(kTextPlain);
    VcaLineRecord record;
    memset(&record, 0, sizeof record);
    record.channel = set.channel;
    read_numbers<VcaLineRecord>(set.request, &record,
                                {{"enable", &VcaLineRecord::enable},
                                 {"objtype", &VcaLineRecord::objtype},
                                 {"width", &VcaLineRecord::width},
                                 {"height", &VcaLineRecord::height}});
    read_lines(set.request, [&record](json_object *line, int i) {
        convert_line(line, record.width, record.height, &record.slot[i].line);
    });
    copy_text_field(record.copyChn, sizeof record.copyChn, set.copy_channels());
    return save_dialog_and_send(set, 4, kRequestVcaLineSet, &record, sizeof record);
}

// "/6193": line crossing in the camera's form: each line with its own on/off and object type,
// and with "lineType" 2 up to 5 segments of its own.
int on_set_ipc_vca_line2(const char *arg) {
    DetectionSet set(arg);
    if (!set.valid()) return cgi_error_to_webserver(kTextPlain);
    CameraLineRecord record;
    memset(&record, 0, sizeof record);
    record.channel = set.channel;
    read_numbers<CameraLineRecord>(set.request, &record,
                                   {{"sensitivity", &CameraLineRecord::sensitivity},
                                    {"width", &CameraLineRecord::width},
                                    {"height", &CameraLineRecord::height},
                                    {"lineType", &CameraLineRecord::lineType},
                                    {"lineScene", &CameraLineRecord::lineScene}});
    read_lines(set.request, [&record](json_object *line, int i) {
        CameraLineSlot &slot = record.slot[i];
        VcaLinePosition position;
        memset(&position, 0, sizeof position);
        convert_line(line, record.width, record.height, &position);
        slot.start_x = position.start_x;
        slot.start_y = position.start_y;
        slot.end_x = position.end_x;
        slot.end_y = position.end_y;
        slot.direction = position.direction;
        read_numbers<CameraLineSlot>(line, &slot, {{"enable", &CameraLineSlot::enable}, {"objtype", &CameraLineSlot::objtype}});
        if (record.lineType != 2) return;
        json_object *segments = json_get_typed(line, "line", json_type_array);
        for (int s = 0; s < kVcaSegments; s++) {
            json_object *segment = object_item(segments, static_cast<size_t>(s));
            if (segment) convert_line(segment, record.width, record.height, &slot.segment[s]);
        }
    });
    copy_text_field(record.copyChn, sizeof record.copyChn, set.copy_channels());
    return save_dialog_and_send(set, 4, kRequestCameraLineSet, &record, sizeof record);
}

// "/6145": people counting. Its action record's on/off follows the lines: on when any line is.
int on_set_vca_people(const char *arg) {
    DetectionSet set(arg);
    if (!set.valid()) return cgi_error_to_webserver(kTextPlain);
    SmartEventRecord actions;
    if (!read_smart_event_record(set.channel, kPeopleCountingEvent, &actions)) return cgi_error_to_webserver(kTextPlain);
    PeopleCountRecord record;
    memset(&record, 0, sizeof record);
    record.channel = set.channel;
    json_object *request = set.request;
    read_numbers<PeopleCountRecord>(request, &record,
                                    {{"width", &PeopleCountRecord::width},
                                     {"height", &PeopleCountRecord::height},
                                     {"osdEnable", &PeopleCountRecord::osdEnable},
                                     {"osdFontSize", &PeopleCountRecord::osdFontSize},
                                     {"osdTextPos", &PeopleCountRecord::osdTextPos},
                                     {"sensitivity", &PeopleCountRecord::sensitivity},
                                     {"lineNum", &PeopleCountRecord::lineNum},
                                     {"triggerType", &PeopleCountRecord::triggerType},
                                     {"triggerEnable", &PeopleCountRecord::triggerEnable},
                                     {"totalAlarmEnable", &PeopleCountRecord::totalAlarmEnable}});
    int osd_type = 0;
    if (on_cgi_get_int_from_json(request, "osdType", &osd_type) == 0) record.osdType = static_cast<uint8_t>(osd_type);
    read_int_array(json_get_typed(request, "totalAlarmThreshold", json_type_array), record.totalAlarmThreshold,
                   kPeopleCountThresholds);
    read_int_array(json_get_typed(request, "showCntEnable", json_type_array), record.showCntEnable, kVcaLines);
    // Per-line arrays: item i belongs to line i, whatever "lineNum" says.
    const struct {
        const char *key;
        int32_t PeopleCountLine::*field;
    } columns[] = {
        {"lineEnable", &PeopleCountLine::lineEnable},       {"autoResetEnable", &PeopleCountLine::autoResetEnable},
        {"direction", &PeopleCountLine::direction},         {"autoResetWeekday", &PeopleCountLine::autoResetWeekday},
        {"autoResetHour", &PeopleCountLine::autoResetHour}, {"autoResetMin", &PeopleCountLine::autoResetMin},
        {"autoResetSec", &PeopleCountLine::autoResetSec},   {"alarmEnable", &PeopleCountLine::alarmEnable},
    };
    for (const auto &column : columns) {
        int32_t values[kVcaLines] = {0, 0, 0, 0};
        read_int_array(json_get_typed(request, column.key, json_type_array), values, kVcaLines);
        for (int i = 0; i < kVcaLines; i++) record.line[i].*column.field = values[i];
    }
    for (int i = 0; i < kVcaLines; i++) {
        json_object *position = array_item(request, "position", i);
        int32_t points[4];
        read_position_text(position && json_object_is_type(position, json_type_string) ? json_object_get_string(position)
                                                                                       : "",
                           points);
        record.line[i].startX = points[0];
        record.line[i].startY = points[1];
        record.line[i].stopX = points[2];
        record.line[i].stopY = points[3];
        read_int_array(array_item(request, "alarmThreshold", i), record.alarmThreshold[i], kPeopleCountThresholds);
    }
    get_schedule_by_json_ipc(request, "effective", &record.effective);
    json_object *dialog = json_get_typed(request, "dialog", json_type_object);
    if (dialog) save_smart_event_dialog_data(kPeopleCountingEvent, dialog, get_channel_mask(set.copy_channels()));
    {
        DbTransaction transaction(kDb);
        SmartEventRecord current;
        if (read_smart_event_record(set.channel, kPeopleCountingEvent, &current)) {
            bool any_line = false;
            for (const PeopleCountLine &line : record.line) any_line = any_line || line.lineEnable != 0;
            current.enable = any_line ? 1 : 0;
            write_smart_event(kDb, &current, kPeopleCountingEvent);
        }
        transaction.commit();
    }
    cgi_ask_daemon(on_video_ipc_callback, kRequestVcaPeopleSet, &record, sizeof record, kTextPlain);
    return 0;
}

// "/6171": object left or removed.
int on_set_vca_leftremove(const char *arg) {
    DetectionSet set(arg);
    if (!set.valid()) return cgi_error_to_webserver(kTextPlain);
    LeftRemoveRecord record;
    memset(&record, 0, sizeof record);
    record.channel = set.channel;
    read_numbers<LeftRemoveRecord>(set.request, &record,
                                   {{"left_enable", &LeftRemoveRecord::left_enable},
                                    {"remove_enable", &LeftRemoveRecord::remove_enable},
                                    {"min_time", &LeftRemoveRecord::min_time},
                                    {"sensitivity", &LeftRemoveRecord::sensitivity},
                                    {"regionType", &LeftRemoveRecord::regionType},
                                    {"regionScene", &LeftRemoveRecord::regionScene}});
    read_text(set.request, "region", record.region, sizeof record.region);
    read_text(set.request, "polygonX", record.polygonX, sizeof record.polygonX);
    read_text(set.request, "polygonY", record.polygonY, sizeof record.polygonY);
    read_region_info(set.request, record.regionType, [&record](json_object *item, int r, int polygons) {
        LeftRemoveRegion &region = record.regions[r];
        read_numbers<LeftRemoveRegion>(item, &region,
                                       {{"leftEnable", &LeftRemoveRegion::leftEnable},
                                        {"removeEnable", &LeftRemoveRegion::removeEnable}});
        read_polygons(item, region.polygon, polygons);
    });
    copy_text_field(record.copyChn, sizeof record.copyChn, set.copy_channels());
    return save_dialog_and_send(set, 8, kRequestVcaLeftRemoveSet, &record, sizeof record);
}

// "/6147": the analysis settings; the box pair is converted from page points. No dialog: nothing
// for an unparsable request, the JSON error answer otherwise.
int on_set_vca_settings(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    VcaAnalysisRecord record;
    memset(&record, 0, sizeof record);
    if (!read_channel_key(request, "chnid", &record.channel)) return cgi_error_to_webserver(kJson);
    read_analysis_head(request, &record);
    json_object *limits = object_item(json_get_typed(request, "position", json_type_array), 0);
    int32_t *const boxes[kVcaLimits] = {&record.min.x, &record.min.y, &record.min.width, &record.min.height,
                                        &record.max.x, &record.max.y, &record.max.width, &record.max.height};
    for (int i = 0; limits && i < kVcaLimits; i++) {
        int page = 0;
        on_cgi_get_int_from_json(limits, kLimitKeys[i], &page);
        // x and width on the horizontal scale, y and height on the vertical one.
        *boxes[i] = i % 2 == 0 ? page_x_to_camera(page, record.width) : page_y_to_camera(page, record.height);
    }
    cgi_ask_daemon(on_video_ipc_callback, kRequestVcaSettingsSet, &record, sizeof record, kJson);
    return 0;
}

// "/6195": the camera's analysis settings: 8 boxes, unconverted, and the copy channels.
int on_set_ipc_vca_settings2(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    CameraAnalysisRecord record;
    memset(&record, 0, sizeof record);
    if (!read_channel_key(request, "chnid", &record.channel)) return cgi_error_to_webserver(kJson);
    read_analysis_head(request, &record);
    json_object *positions = json_get_typed(request, "position", json_type_array);
    for (int box = 0; box < kVcaAnalysisBoxes; box++) {
        json_object *limits = object_item(positions, static_cast<size_t>(box));
        for (int i = 0; limits && i < kVcaLimits; i++) on_cgi_get_int_from_json(limits, kLimitKeys[i], &record.limit[i][box]);
    }
    read_text(request, "copyChn", record.copyChn, sizeof record.copyChn);
    cgi_ask_daemon(on_video_ipc_callback, kRequestCameraAnalysisSet, &record, sizeof record, kJson);
    return 0;
}
