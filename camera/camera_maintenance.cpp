// Camera maintenance routes of module "/2001": camera firmware upgrades, the recording calendar,
// the recorder-side schedules of the camera events, the local user interface's commands and the
// chip code, and two one-line probes.
#include <inttypes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <memory>
#include <string>

#include "camera/camera_functions.h"
#include "camera/camera_module.h"
#include "camera/camera_relay.h"
#include "camera/camera_request.h"
#include "camera/maintenance_payloads.h"
#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_smart_events.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr char kIfInet6Path[] = "/proc/net/if_inet6";  // the kernel's, not beneath the device root
constexpr int kUpgradeMaskLength = 16;                 // mask texts name channels 0 to 15

// ---- event schedules ("/2035", "/2036") ----------------------------------------------------------

// The effective schedule of each camera event: motion, then smart-event types 0 to 8 - 1.
const char *const kEventScheduleKeys[] = {
    "schedule_motion",           "schedule_region_entrance", "schedule_region_exit",
    "schedule_advanced_motion",  "schedule_tamper_detection", "schedule_line_crossing",
    "schedule_loitering",        "schedule_human_detection", "schedule_people_counting",
};
constexpr int kEventScheduleTypes = NVR_ARRAY_COUNT(kEventScheduleKeys);
static_assert(kEventScheduleTypes == kSmartEventTypes, "motion and smart-event types 0 to 7");

int read_event_schedule(int type, WeeklySchedule *schedule, int channel) {
    if (type == 0) return read_motion_effective_schedule(kDb, schedule, channel);
    return read_smart_event_effective_schedule(kDb, schedule, channel, type - 1);
}

int write_event_schedule(int type, const WeeklySchedule *schedule, int channel) {
    if (type == 0) return write_motion_effective_schedule(kDb, schedule, channel);
    return write_smart_event_effective_schedule(kDb, schedule, channel, type - 1);
}

// 8 arrays of 12 periods; a period without a start time is reported as "00:00" to "00:00".
json_object *event_schedule_json(const WeeklySchedule &schedule) {
    json_object *days = json_object_new_array();
    for (int d = 0; days && d < 8; d++) {
        json_object *day = json_object_new_array();
        for (int p = 0; day && p < kSchedulePeriodsPerDay; p++) {
            const SchedulePeriod &period = schedule.day[d].period[p];
            bool empty = period.startTime[0] == '\0';
            json_object *item = json_object_new_object();
            json_object_object_add(item, "startTime",
                                   empty ? json_object_new_string("00:00")
                                         : json_object_new_string_len(period.startTime, strnlen(period.startTime, 32)));
            json_object_object_add(item, "endTime",
                                   empty ? json_object_new_string("00:00")
                                         : json_object_new_string_len(period.endTime, strnlen(period.endTime, 32)));
            json_add_int(item, "actionType", empty ? 0 : period.actionType);
            json_object_array_add(day, item);
        }
        json_object_array_add(days, day);
    }
    return days;
}

// ---- upgrades ---------------------------------------------------------------------------------------

// Bit i for each '1' among the first 16 characters of a mask text (it may be shorter).
uint64_t upgrade_mask_set(const char *text) {
    uint64_t set = 0;
    for (int i = 0; text && i < kUpgradeMaskLength && text[i]; i++)
        if (text[i] == '1') set |= 1ULL << i;
    return set;
}

// ---- calendar ---------------------------------------------------------------------------------------

// The year and month of a "%Y-%m-%d %H:%M:%S" local time; false when it does not parse.
bool calendar_month(const char *text, int *year, int *month) {
    struct tm parsed;
    memset(&parsed, 0, sizeof parsed);
    const char *end = text ? strptime(text, "%Y-%m-%d %H:%M:%S", &parsed) : nullptr;
    if (!end) return false;
    while (*end == ' ') end++;
    if (*end != '\0') return false;
    parsed.tm_isdst = -1;
    if (mktime(&parsed) == static_cast<time_t>(-1)) return false;
    *year = parsed.tm_year + 1900;
    *month = parsed.tm_mon + 1;
    return true;
}

}  // namespace

bool ipv6_address_listed(const char *if_inet6_path) {
    FILE *file = fopen(if_inet6_path, "r");
    if (!file) return false;
    char address[33];
    bool listed = fscanf(file, "%32s", address) == 1 && strlen(address) == 32;
    fclose(file);
    return listed;
}

// ---- calendar ---------------------------------------------------------------------------------------

// "/2013": the days of a month on which a camera recorded ("time", "chnid" and "streamType").
int on_get_record_calendar(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    CalendarRequest payload;
    memset(&payload, 0, sizeof payload);
    int channel = 0, stream = 0;
    if (!request || !read_channel_key(request, "chnid", &channel) ||
        on_cgi_get_int_from_json(request, "streamType", &stream) != 0 ||
        !calendar_month(text_key(request, "time"), &payload.year, &payload.month))
        return cgi_error_to_webserver(kJson);
    payload.stream = stream == 1 ? 1 : 0;
    fill_channel_text(payload.channels, "");
    payload.channels[channel] = '1';
    cgi_ask_daemon(on_camera_ipc_callback, kRequestRecordCalendar, &payload, sizeof payload, kJson);
    return 0;
}

// 8493: 31 numbers, 1 for each day the reply flags.
int on_get_record_calendar_cb(const ReplyView &reply) {
    json_object *days = json_object_new_array();
    for (int d = 0; days && d < kCalendarDays; d++)
        json_object_array_add(days, json_object_new_int(reply.number(kCalendarReplyDays + 4 * d) != 0 ? 1 : 0));
    return cgi_reply_json(days);
}

// ---- local user interface and chip code -------------------------------------------------------------

// "/2026": a command for the recorder's local user interface, passed through.
int on_web_sendto_qt_cmd(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    LocalUiCommand payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !replace_text_key(request, "cmd", payload.cmd, sizeof payload.cmd))
        return cgi_error_to_webserver(kTextPlain);
    cgi_ask_daemon(on_camera_ipc_callback, kRequestLocalUiCommand, &payload, sizeof payload, kTextPlain);
    return 0;
}

// 9002, 9003: {"result": the text from byte 16}.
int on_get_qt_cmd_result_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_text(answer, "result", reply.text(kLocalUiResultText, reply.length()).c_str());
    return cgi_reply_json(answer);
}

// "/2027": the recorder's chip code.
int on_web_get_chip_code(const char *) {
    cgi_ask_daemon(on_camera_ipc_callback, kRequestChipCode, nullptr, 0, kTextPlain);
    return 0;
}

// 9004: {"chip_code": the reply's text}.
int on_get_get_chip_code_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_text(answer, "chip_code", reply.text(0, reply.length()).c_str());
    return cgi_reply_json(answer);
}

// ---- probes -------------------------------------------------------------------------------------------

// "/2034": "1" when the kernel lists an IPv6 address, else "0".
int on_get_ipv6_support(const char *) {
    return cgi_writeback_webserver(kTextPlain, ipv6_address_listed(kIfInet6Path) ? "1" : "0");
}

// "/2082": whether a request text arrived.
int on_cgi_probe(const char *arg) {
    return cgi_writeback_webserver(kTextPlain, arg && *arg ? "CGI SUCCESS" : "CGI ERROR");
}

// ---- event schedules ------------------------------------------------------------------------------------

// "/2035": the effective schedules of the camera events of "channel" (0 to 63; otherwise no answer).
int on_get_camera_event_schedules(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_channel_key(request, "channel", &channel)) return 0;
    std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule());
    json_object *answer = json_object_new_object();
    for (int type = 0; answer && type < kEventScheduleTypes; type++) {
        if (read_event_schedule(type, schedule.get(), channel) != 0) {
            json_object_put(answer);
            return cgi_error_to_webserver(kJson);
        }
        json_object_object_add(answer, kEventScheduleKeys[type], event_schedule_json(*schedule));
    }
    if (!answer) return cgi_error_to_webserver(kJson);
    return cgi_answer_json(answer, kJson);
}

// "/2036": the schedules of the event types "start" to "end" (within 0 to 8) that the request
// carries, stored together.
int on_set_camera_event_schedules(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, start = 0, end = 0;
    if (!request || !read_channel_key(request, "channel", &channel) ||
        on_cgi_get_int_from_json(request, "start", &start) != 0 || on_cgi_get_int_from_json(request, "end", &end) != 0)
        return 0;
    int first = start < 0 ? 0 : start;
    int last = end > kEventScheduleTypes - 1 ? kEventScheduleTypes - 1 : end;
    std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule());
    DbTransaction transaction(kDb);
    for (int type = first; type <= last; type++) {
        if (get_schedule_by_json(request, kEventScheduleKeys[type], schedule.get()) != 0) continue;
        if (write_event_schedule(type, schedule.get(), channel) != 0) transaction.fail();
    }
    if (transaction.commit() != 0) return cgi_error_to_webserver(kJson);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// ---- camera upgrades ------------------------------------------------------------------------------------

// "/2078": upgrade the cameras of "chnMask" from the uploaded camera image, resetting those of
// "resetMask" (both read over their first 16 characters).
int on_start_camera_upgrade(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    const char *channels = text_key(request, "chnMask");
    const char *reset = text_key(request, "resetMask");
    if (!request || !channels || !reset) return cgi_error_to_webserver(kJson);
    CameraUpgradeStart payload;
    memset(&payload, 0, sizeof payload);
    payload.channels = upgrade_mask_set(channels);
    payload.keep_settings = ~upgrade_mask_set(reset);
    payload.fileSize = number_key(request, "fileSize");
    cgi_ask_daemon(on_camera_ipc_callback, kRequestStartUpgrade, &payload, sizeof payload, kJson);
    return 0;
}

// "/2079": the progress of the camera upgrades (also reached as an upload, whose file it ignores).
int on_get_camera_upgrade_status(const char *) {
    cgi_ask_daemon(on_camera_ipc_callback, kRequestUpgradeProgress, nullptr, 0, kJson);
    return 0;
}

// 8386: "chnid=SET", "statusI=S" for each channel of the set, "chnMask=" its 16 characters, one
// line each. A reply too short for its statuses gets the text error.
int on_get_camera_upgrade_status_cb(const ReplyView &reply) {
    CameraUpgradeStatus status;
    if (!reply.copy(0, &status, sizeof status)) {
        cgi_error_to_webserver(kTextPlain);
        cgi_reply_done();
        return 0;
    }
    std::string text;
    char line[64];
    snprintf(line, sizeof line, "chnid=%" PRId64 "\r\n", static_cast<int64_t>(status.channels));
    text += line;
    for (int i = 0; i < kUpgradeChannels; i++) {
        if (!(status.channels & (1ULL << i))) continue;
        snprintf(line, sizeof line, "status%d=%d\r\n", i, status.status[i]);
        text += line;
    }
    char mask[65];
    channel_set_text(status.channels, mask, kUpgradeMaskLength);
    text += std::string("chnMask=") + mask + "\r\n";
    cgi_writeback_webserver(kTextPlain, text.c_str());
    cgi_reply_done();
    return 0;
}

// "/2080": have the daemon fetch a camera image from "url" and upgrade the cameras of "chnAry".
int on_upgrade_cameras_from_url(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *channels = array_key(request, "chnAry");
    if (!request || !channels) return cgi_error_to_webserver(kJson);
    CameraUpgradeRequest payload;
    memset(&payload, 0, sizeof payload);
    int32_t list[64];
    fill_channel_list(channels, list);
    for (int i = 0; i < 64 && list[i] >= 0; i++) payload.channels |= 1ULL << list[i];
    payload.reset = number_key(request, "reset");
    store_text_key(request, "url", payload.url, sizeof payload.url);
    copy_text_field(payload.path, sizeof payload.path, kCameraImagePath);
    cgi_ask_daemon(on_camera_ipc_callback, kRequestUpgradeFromUrl, &payload, sizeof payload, kJson);
    return 0;
}

// 8379: {"chnid": first word, "status": the statuses of the set's channels 0 to 15, "chnMask"}.
int on_upgrade_cameras_from_url_cb(const ReplyView &reply) {
    CameraUpgradeStatus status;
    if (!reply.copy(0, &status, sizeof status)) return 0;
    json_object *statuses = nullptr;
    json_object *answer = json_object_new_object();
    if (answer) {
        json_add_int(answer, "chnid", reply.number(0));
        statuses = json_object_new_array();
        for (int i = 0; statuses && i < kUpgradeChannels; i++)
            if (status.channels & (1ULL << i)) json_object_array_add(statuses, json_object_new_int(status.status[i]));
        json_object_object_add(answer, "status", statuses);
        char mask[65];
        channel_set_text(status.channels, mask, kUpgradeMaskLength);
        json_add_text(answer, "chnMask", mask);
    }
    return cgi_reply_json(answer);
}

// "/2081": stop the camera upgrades. No answer.
int on_stop_camera_upgrade(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int32_t stop = number_key(request, "stop");
    notify_cameras(kRequestStopUpgrade, &stop, sizeof stop);
    return 0;
}
