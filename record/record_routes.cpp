// Routes of module "/6030": holidays, record schedules, record modes and settings, and the
// support and stream queries.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_camera.h"
#include "core/qvdb_record.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "record/record_module.h"
#include "record/record_payloads.h"
#include "record/record_schedule_codec.h"

namespace {

constexpr int kLogSettingsSaved = 204;
constexpr int kLogRecordMode = 905;
constexpr int kLogRecordSettings = 906;
constexpr int kLogRecordSchedule = 907;
constexpr int kLogHolidays = 920;

bool valid_channel(long value) { return value >= 0 && value < kQvdbChannels; }

// A per-channel read's argument: a decimal channel number (strtol), 0 to 63.
bool parse_channel_argument(const char *arg, int *channel) {
    if (!arg) return false;
    long value = strtol(arg, nullptr, 10);
    if (!valid_channel(value)) return false;
    *channel = static_cast<int>(value);
    return true;
}

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

void notify(int code, const void *payload, int length) { cgi_notify_daemon(on_record_ipc_callback, code, payload, length); }

void log_settings(int parameter, int object) {
    cgi_log_operation(on_record_ipc_callback, kLogSettingsSaved, parameter, object);
}

// The channel items of "chnid": the integer items among its first min(cnt, length) elements,
// in order. Other items are skipped; a huge cnt ends at the array's end.
class ChannelItems {
  public:
    ChannelItems(json_object *request, int cnt) : array_(json_get_typed(request, "chnid", json_type_array)) {
        size_t length = array_ ? json_object_array_length(array_) : 0;
        limit_ = cnt <= 0 ? 0 : (static_cast<size_t>(cnt) < length ? static_cast<size_t>(cnt) : length);
    }
    // The next integer item; false at the end.
    bool next(int *value) {
        while (index_ < limit_) {
            json_object *item = json_object_array_get_idx(array_, index_++);
            if (!json_object_is_type(item, json_type_int)) continue;
            *value = json_object_get_int(item);
            return true;
        }
        return false;
    }

  private:
    json_object *array_;
    size_t limit_ = 0;
    size_t index_ = 0;
};

// A 64-entry channel list of a daemon payload; a 65th entry is not taken.
void append_channel(RecordChannelList *list, int channel) {
    if (list->count >= 0 && list->count < kRecordListChannels) list->channel[list->count++] = channel;
}

// The camera records placed by channel (a channel without a stored record reads as zeros).
std::unique_ptr<CameraRecord[]> read_camera_table() {
    std::unique_ptr<CameraRecord[]> stored(new CameraRecord[kQvdbChannels]());
    std::unique_ptr<CameraRecord[]> table(new CameraRecord[kQvdbChannels]());
    int count = 0;
    read_cameras(QVDB_PATH, stored.get(), &count);
    for (int i = 0; i < count && i < kQvdbChannels; i++)
        if (valid_channel(stored[i].id)) table[stored[i].id] = stored[i];
    return table;
}

// ---- holidays --------------------------------------------------------------------------------

const char *const kHolidayDateKeys[] = {"startYear", "startMon",  "startMDay", "startMWeek", "startWDay",
                                        "endYear",   "endMon",    "endMDay",   "endMWeek",   "endWDay"};

int32_t *holiday_date_fields(HolidayEntry *holiday) { return &holiday->startYear; }
const int32_t *holiday_date_fields(const HolidayEntry *holiday) { return &holiday->startYear; }
static_assert(offsetof(HolidayEntry, endWDay) - offsetof(HolidayEntry, startYear) == 9 * sizeof(int32_t),
              "the ten date fields follow each other");

// 0 when "id" is 0 to 31, "enable" 0 or 1 and "type" 0 or more, all present; else -1.
int check_holiday_info(json_object *request) {
    int id = 0, enable = 0, type = 0;
    if (!read_int(request, "id", &id) || id < 0 || id >= kQvdbHolidays) return -1;
    if (!read_int(request, "enable", &enable) || (enable != 0 && enable != 1)) return -1;
    if (!read_int(request, "type", &type) || type < 0) return -1;
    return 0;
}

json_object *holiday_object(const HolidayEntry &holiday) {
    json_object *object = json_object_new_object();
    json_add_int(object, "id", holiday.id);
    json_add_int(object, "enable", holiday.enable);
    json_object_object_add(object, "name",
                           json_object_new_string_len(holiday.name, static_cast<int>(strnlen(holiday.name, sizeof holiday.name))));
    json_add_int(object, "type", holiday.type);
    const int32_t *dates = holiday_date_fields(&holiday);
    for (size_t i = 0; i < sizeof kHolidayDateKeys / sizeof kHolidayDateKeys[0]; i++)
        json_add_int(object, kHolidayDateKeys[i], dates[i]);
    return object;
}

// ---- record settings ---------------------------------------------------------------------------

struct RecordSettingsRequest {
    int cnt, cam_anr, prev_on, prev_duration, post_on, post_duration, audio, stream, expiry;
};

bool read_record_settings(json_object *request, RecordSettingsRequest *s) {
    return read_int(request, "cnt", &s->cnt) && json_get_typed(request, "chnid", json_type_array) &&
           read_int(request, "camAnr", &s->cam_anr) && read_int(request, "prevRecordOn", &s->prev_on) &&
           (s->prev_on == 0 || s->prev_on == 1) && read_int(request, "prevRecordDuration", &s->prev_duration) &&
           s->prev_duration >= 0 && read_int(request, "postRecordOn", &s->post_on) &&
           (s->post_on == 0 || s->post_on == 1) && read_int(request, "postRecordDuration", &s->post_duration) &&
           read_int(request, "audioEnable", &s->audio) && (s->audio == 0 || s->audio == 1) &&
           read_int(request, "recordStreamType", &s->stream) && s->stream >= 0 && s->stream <= 2;
}

// Turning ANR off always applies; turning it on only to enabled cameras that are not on a PoE
// port and do not speak protocol 1.
bool anr_switch_applies(const CameraRecord &camera, int cam_anr) {
    if (camera.anr == cam_anr) return false;
    return cam_anr == 0 || (camera.enable != 0 && camera.poechannel == 0 && camera.camProtocol != 1);
}

}  // namespace

// "/6030": every stored holiday.
int on_get_holiday_info(const char *) {
    std::unique_ptr<HolidayEntry[]> holidays(new HolidayEntry[kQvdbHolidays]());
    int count = 0;
    read_holidays(QVDB_PATH, holidays.get(), &count);
    json_object *answer = json_object_new_object();
    json_object *list = json_object_new_array();
    for (int i = 0; i < count && i < kQvdbHolidays; i++) json_object_array_add(list, holiday_object(holidays[i]));
    json_object_object_add(answer, "holidays", list);
    return cgi_answer_json(answer, kJson);
}

// "/6031": store one holiday.
int on_set_holiday_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_holiday_info(request) != 0) return 0;
    HolidayEntry holiday;
    memset(&holiday, 0, sizeof holiday);
    holiday.id = json_int_or(request, "id", 0);
    holiday.enable = json_int_or(request, "enable", 0);
    on_cgi_get_string_from_json(request, "name", holiday.name, sizeof holiday.name);
    holiday.type = json_int_or(request, "type", 0);
    int32_t *dates = holiday_date_fields(&holiday);
    for (size_t i = 0; i < sizeof kHolidayDateKeys / sizeof kHolidayDateKeys[0]; i++)
        dates[i] = json_int_or(request, kHolidayDateKeys[i], 0);
    if (write_holiday(QVDB_PATH, &holiday) != 0) return 0;
    notify(kRequestHolidaysChanged, nullptr, 0);
    log_settings(kLogHolidays, holiday.id + 1);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6040": the record schedule of a channel.
int on_get_record_info(const char *arg) {
    int channel = 0;
    if (!parse_channel_argument(arg, &channel)) return 0;
    RecordEntry record;
    memset(&record, 0, sizeof record);
    record.id = channel;
    read_record(QVDB_PATH, &record, channel);
    std::unique_ptr<RecordSchedule> schedule(new RecordSchedule());
    read_record_schedule(QVDB_PATH, schedule.get(), channel);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "id", record.id);
    json_object_object_add(answer, "schedule", get_record_schedule_json_object(schedule.get()));
    return cgi_answer_json(answer, kJson);
}

// "/6041": one schedule and one record mode for the channels of "chnid".
int on_set_record_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int cnt = 0;
    if (!request || !read_int(request, "cnt", &cnt)) return 0;
    int plan_mode = json_int_or(request, "recordplanmode", 0);
    std::unique_ptr<RecordSchedule> schedule(new RecordSchedule());
    bool has_schedule =
        get_record_schedule_by_json(json_get_typed(request, "schedule", json_type_array), schedule.get()) == 0;

    std::unique_ptr<RecordEntry[]> records(new RecordEntry[kQvdbChannels]());
    DbTransaction transaction(QVDB_PATH);
    if (read_record_table(QVDB_PATH, records.get()) != 0) return 0;
    uint64_t schedule_mask = 0, mode_mask = 0;
    int log_object = 1, value = 0;
    for (ChannelItems items(request, cnt); items.next(&value);) {
        log_object = static_cast<int32_t>(static_cast<uint32_t>(value) + 1u);
        if (!valid_channel(value)) continue;
        schedule_mask |= 1ULL << value;
        if (records[value].mode != plan_mode) mode_mask |= 1ULL << value;
    }
    if (has_schedule) copy_record_schedules(QVDB_PATH, schedule.get(), schedule_mask);
    copy_table_column_int(QVDB_PATH, "record", "mode", plan_mode, mode_mask, "id");
    if (transaction.commit() != 0) return 0;

    notify(kRequestRecordModesChanged, &mode_mask, sizeof mode_mask);
    notify(kRequestRecordScheduleChanged, &schedule_mask, sizeof schedule_mask);
    log_settings(kLogRecordSchedule, log_object);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6042": the record mode of the first "max_cameras" channels.
int on_get_record_mode(const char *) {
    int max_cameras = get_param_int(QVDB_PATH, "max_cameras", 32);
    std::unique_ptr<RecordEntry[]> records(new RecordEntry[kQvdbChannels]());
    int count = 0;
    read_records(QVDB_PATH, records.get(), &count);
    json_object *answer = json_object_new_object();
    json_object *list = json_object_new_array();
    for (int i = 0; i < count && i < max_cameras && i < kQvdbChannels; i++) {
        json_object *entry = json_object_new_object();
        json_add_int(entry, "id", records[i].id);
        json_add_int(entry, "mode", records[i].mode);
        json_object_array_add(list, entry);
    }
    json_object_object_add(answer, "records", list);
    return cgi_answer_json(answer, kJson);
}

// "/6043": record modes by position: element i of "records" sets channel i. "ERROR" (and nothing
// stored) for a missing list, more than 64 elements or any bad element.
int on_set_record_mode(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    json_object *list = json_get_typed(request, "records", json_type_array);
    size_t length = list ? json_object_array_length(list) : 0;
    if (!list || length > static_cast<size_t>(kQvdbChannels)) return cgi_writeback_webserver(kTextPlain, "ERROR");
    int count = static_cast<int>(length);
    if (count == 0) {
        log_settings(kLogRecordMode, 0);
        return cgi_writeback_webserver(kTextPlain, "OK");
    }
    int modes[kQvdbChannels];
    for (int i = 0; i < count; i++) {
        json_object *element = json_object_array_get_idx(list, static_cast<size_t>(i));
        int id = 0;
        if (!json_object_is_type(element, json_type_object) || !read_int(element, "id", &id) || !valid_channel(id) ||
            !read_int(element, "mode", &modes[i]) || modes[i] < 0 || modes[i] > 2)
            return cgi_writeback_webserver(kTextPlain, "ERROR");
    }

    std::unique_ptr<RecordEntry[]> records(new RecordEntry[kQvdbChannels]());
    DbTransaction transaction(QVDB_PATH);
    if (read_record_table(QVDB_PATH, records.get()) != 0) return 0;
    for (int i = 0; i < count; i++) {
        records[i].mode = modes[i];
        write_record(QVDB_PATH, &records[i]);
    }
    if (transaction.commit() != 0) return 0;
    log_settings(kLogRecordMode, 0);
    cgi_writeback_webserver(kTextPlain, "OK");
    for (int32_t channel = 0; channel < count; channel++)
        notify(kRequestRecordModeChanged, &channel, sizeof channel);
    return 0;
}

// "/6044": the record settings of a channel, with its camera's recorded stream and ANR switch.
int on_get_record_setting(const char *arg) {
    int channel = 0;
    if (!parse_channel_argument(arg, &channel)) return 0;
    RecordEntry record;
    CameraRecord camera;
    memset(&record, 0, sizeof record);
    memset(&camera, 0, sizeof camera);
    read_record(QVDB_PATH, &record, channel);
    read_camera(QVDB_PATH, &camera, channel);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "id", channel);
    json_add_int(answer, "prevRecordOn", record.prevRecordOn);
    json_add_int(answer, "prevRecordDuration", record.prevRecordDuration);
    json_add_int(answer, "postRecordOn", record.postRecordOn);
    json_add_int(answer, "postRecordDuration", record.postRecordDuration);
    json_add_int(answer, "audioEnable", record.audioEnable);
    json_add_int(answer, "recordStreamType", camera.record_stream);
    json_add_int(answer, "recordExpDate", record.recordExpDate);
    json_add_int(answer, "cameraAnr", camera.anr);
    json_add_int(answer, "camEnable", camera.enable);
    json_add_int(answer, "camProtocol", camera.camProtocol);
    json_add_int(answer, "poeChannel", camera.poechannel);
    return cgi_answer_json(answer, kJson);
}

// "/6045": record settings of the channels of "chnid"; the daemon's answer to the ANR switch
// (2285) is the page's answer.
int on_set_record_setting(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    RecordSettingsRequest s;
    if (!request || !read_record_settings(request, &s)) return 0;
    int expiry = json_int_or(request, "recordExpDate", 0);

    std::unique_ptr<RecordEntry[]> records(new RecordEntry[kQvdbChannels]());
    DbTransaction transaction(QVDB_PATH);
    if (read_record_table(QVDB_PATH, records.get()) != 0) return 0;
    std::unique_ptr<CameraRecord[]> cameras = read_camera_table();
    RecordChannelList settings_list;
    AnrSwitchRequest anr_request;
    memset(&settings_list, 0, sizeof settings_list);
    memset(&anr_request, 0, sizeof anr_request);
    anr_request.anr = s.cam_anr;
    uint64_t touched = 0, stream_changed = 0, anr_changed = 0;
    int channel = 0;
    for (ChannelItems items(request, s.cnt); items.next(&channel);) {
        if (!valid_channel(channel)) continue;
        touched |= 1ULL << channel;
        append_channel(&settings_list, channel);
        RecordEntry &record = records[channel];
        record.audioEnable = s.audio;
        record.prevRecordOn = s.prev_on;
        record.prevRecordDuration = s.prev_duration;
        record.postRecordOn = s.post_on;
        record.postRecordDuration = s.post_duration;
        record.recordExpDate = expiry;
        const CameraRecord &camera = cameras[channel];
        if (camera.record_stream != s.stream) stream_changed |= 1ULL << channel;
        if (anr_switch_applies(camera, s.cam_anr)) {
            anr_changed |= 1ULL << channel;
            append_channel(&anr_request.list, channel);
        }
    }
    write_records(QVDB_PATH, records.get(), kQvdbChannels, touched);
    copy_table_column_int(QVDB_PATH, "camera", "anr", s.cam_anr, anr_changed, "id");
    copy_table_column_int(QVDB_PATH, "camera", "record_stream", s.stream, stream_changed, "id");
    if (transaction.commit() != 0) return 0;

    notify(kRequestRecordSettingsChanged, &settings_list, sizeof settings_list);
    log_settings(kLogRecordSettings, 0);
    cgi_ask_daemon(on_record_ipc_callback, kRequestSwitchAnr, &anr_request, sizeof anr_request, kJson);
    return 0;
}

// "/6046": whether the channel supports recording of the kind asked (reply 7286).
int on_get_record_support(const char *arg) {
    int channel = 0;
    if (!parse_channel_argument(arg, &channel)) return 0;
    int32_t payload = channel;
    cgi_ask_daemon(on_record_ipc_callback, kRequestRecordSupport, &payload, sizeof payload, kJson);
    return 0;
}

// "/6047": the recorded streams of the channels (reply 8218).
int on_get_record_stream_info(const char *) {
    cgi_ask_daemon(on_record_ipc_callback, kRequestRecordStreams, nullptr, 0, kJson);
    return 0;
}
