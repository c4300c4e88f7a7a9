// Log routes of module "/1000": search, CSV export, entry detail, export marker and the type catalogue.
#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_system.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "platform/trans.h"
#include "system/device_files.h"
#include "system/system_module.h"

namespace {

constexpr int kRequestLogDetail = 3488;
constexpr int kRequestLogExport = 3494;
constexpr int kRequestLogSearch = 3495;

constexpr int kMaxSubTypes = 100;
constexpr int kPageEntries = 100;
constexpr int kDetailWords = 128;
constexpr size_t kExportDetailSize = 4096;
constexpr char kExportMarkerFolder[] = "/tmp/log";
constexpr char kExportMarker[] = "/tmp/log/log_web";
constexpr char kExportFolder[] = "/tmp";

// Requests 3495 and 3494: what to search for.
struct LogQuery {
    int32_t start_time;
    int32_t end_time;
    int32_t main_type;
    int32_t padding0;
    int64_t sub_types[kMaxSubTypes];
    int32_t sub_type_count;
    int32_t page;
    uint64_t channels;
    int32_t no_channel;
    int32_t padding1;
};
static_assert(sizeof(LogQuery) == 840, "log query is 840 bytes");
static_assert(offsetof(LogQuery, sub_types) == 16, "sub types at 16");
static_assert(offsetof(LogQuery, sub_type_count) == 816, "sub type count at 816");
static_assert(offsetof(LogQuery, page) == 820, "page at 820");
static_assert(offsetof(LogQuery, channels) == 824, "channel set at 824");
static_assert(offsetof(LogQuery, no_channel) == 832, "no-channel flag at 832");

// Reply 8495 begins with these two words; the records follow.
struct LogPageHead {
    int32_t total;
    int32_t count;
};
static_assert(sizeof(LogPageHead) == 8, "log page head is 8 bytes");

// Reply 8494: the daemon's export file.
struct LogExportReply {
    int32_t unused;
    char path[64];
};
static_assert(sizeof(LogExportReply) == 68, "log export reply is 68 bytes");

// What the reply handlers need from the request thread.
char g_language[32];
int g_page;
int g_main_type;
std::string g_mac;

// Main types and their translation entries; the export file names by main type.
struct MainType {
    int value;
    int entry;
    const char *file_name;
};
const MainType kMainTypes[] = {{1, 1, "All"},        {2, 2, "Event"},      {4, 3, "Operation"},
                               {8, 4, "Information"}, {32, 5, "Exception"}, {64, 6, "Debug"}};

const MainType *find_main_type(int value) {
    for (const MainType &type : kMainTypes)
        if (type.value == value) return &type;
    return nullptr;
}

std::string translated(int number) {
    char text[128];
    trans_get_value(number, text, sizeof text);
    return text;
}

std::string main_type_text(int value) {
    const MainType *type = find_main_type(value);
    return translated(type ? type->entry : -1);
}

std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

// The client address as shown: an IPv4-mapped address without "::ffff:", else cut at a scope '%'.
std::string shown_address(const OperationLogRecord &record) {
    std::string address = field_text(record.client_addr, sizeof record.client_addr);
    if (address.find('.') != std::string::npos) {
        if (address.compare(0, 7, "::ffff:") == 0) address.erase(0, 7);
    } else {
        size_t scope = address.find('%');
        if (scope != std::string::npos) address.resize(scope);
    }
    return address;
}

std::string local_time_text(int32_t seconds) {
    time_t when = seconds;
    struct tm local;
    memset(&local, 0, sizeof local);
    localtime_r(&when, &local);
    char text[80];
    snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

bool parse_local_time(const char *text, const char *format, int32_t *out) {
    struct tm local;
    memset(&local, 0, sizeof local);
    const char *end = strptime(text, format, &local);
    if (!end || *end != '\0') return false;
    local.tm_isdst = -1;
    time_t seconds = mktime(&local);
    if (seconds == static_cast<time_t>(-1) || seconds < INT32_MIN || seconds > INT32_MAX) return false;
    *out = static_cast<int32_t>(seconds);
    return true;
}

// The check shared by search and export; fills times and main type.
bool check_log_request(json_object *request, const char *time_format, LogQuery *query) {
    int main_type = 0, page = 0, first = 0;
    json_object *language = json_get_typed(request, "language", json_type_string);
    json_object *subs = json_get_typed(request, "subTypeArr", json_type_array);
    json_object *start = json_get_typed(request, "startTime", json_type_string);
    json_object *end = json_get_typed(request, "endTime", json_type_string);
    if (!request || !language || !subs || !start || !end) return false;
    if (on_cgi_get_int_from_json(request, "mainType", &main_type) != 0 || main_type < 1 || main_type > 64) return false;
    if (on_cgi_get_int_from_json(request, "curPageNum", &page) != 0) return false;
    json_object *head = json_object_array_length(subs) > 0 ? json_object_array_get_idx(subs, 0) : nullptr;
    if (!head || !json_object_is_type(head, json_type_int) || (first = json_object_get_int(head)) < 10) return false;
    if (!parse_local_time(json_object_get_string(start), time_format, &query->start_time) ||
        !parse_local_time(json_object_get_string(end), time_format, &query->end_time))
        return false;
    query->main_type = main_type;
    query->page = page;
    copy_text_field(g_language, sizeof g_language, json_object_get_string(language));
    return true;
}

// Every integer element of "subTypeArr", in order, at most the payload's 100.
void fill_listed_sub_types(json_object *request, LogQuery *query) {
    json_object *subs = json_get_typed(request, "subTypeArr", json_type_array);
    size_t length = json_object_array_length(subs);
    for (size_t i = 0; i < length && query->sub_type_count < kMaxSubTypes; i++) {
        json_object *item = json_object_array_get_idx(subs, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        query->sub_types[query->sub_type_count++] = json_object_get_int64(item);
    }
}

// Operation exports send three masks (10 + bits) that select codes from the bases 101, 131 and
// 200; a value that is missing counts as an empty mask.
void fill_operation_sub_types(json_object *request, LogQuery *query) {
    static const int kBases[3] = {101, 131, 200};
    json_object *subs = json_get_typed(request, "subTypeArr", json_type_array);
    for (int k = 0; k < 3; k++) {
        json_object *item = static_cast<size_t>(k) < json_object_array_length(subs) ? json_object_array_get_idx(subs, k)
                                                                                   : nullptr;
        int64_t value = item && json_object_is_type(item, json_type_int) ? json_object_get_int64(item) : 10;
        int64_t mask = value >= 10 ? value - 10 : 0;
        for (int bit = 0; bit < 30 && query->sub_type_count < kMaxSubTypes; bit++)
            if ((mask >> bit) & 1) query->sub_types[query->sub_type_count++] = kBases[k] + bit;
    }
}

uint64_t channel_set_from_mask(const char *text) {
    uint64_t set = 0;
    for (int n = 0; n < 64 && text[n]; n++)
        if (text[n] == '1') set |= 1ULL << n;
    return set;
}

// "ch" of an export: the channel set as a decimal number (text, or a JSON number).
uint64_t channel_set_from_number(json_object *request) {
    json_object *value = nullptr;
    if (!json_object_object_get_ex(request, "ch", &value) || !value) return 0;
    if (json_object_is_type(value, json_type_int)) return static_cast<uint64_t>(json_object_get_int64(value));
    if (!json_object_is_type(value, json_type_string)) return 0;
    char digits[65];
    copy_text_field(digits, sizeof digits, json_object_get_string(value));
    errno = 0;
    unsigned long long set = strtoull(digits, nullptr, 10);
    return errno == 0 ? set : 0;
}

json_object *log_entry_json(int index, const OperationLogRecord &record) {
    json_object *entry = json_object_new_object();
    int32_t sub_low = static_cast<int32_t>(record.sub_type & 0xFFFFFFFF);
    json_object_object_add(entry, "no", json_object_new_int(index));
    json_object_object_add(entry, "mainTypeValue", json_object_new_int(record.main_type));
    json_object_object_add(entry, "mainType", json_object_new_string(main_type_text(record.main_type).c_str()));
    json_object_object_add(entry, "subTypeValue", json_object_new_int(sub_low));
    json_object_object_add(entry, "subType", json_object_new_string(translated(sub_low).c_str()));
    json_object_object_add(entry, "pts", json_object_new_int(record.time));
    json_object_object_add(entry, "ptc", json_object_new_string(local_time_text(record.time).c_str()));
    json_object_object_add(entry, "parameterValue", json_object_new_int(record.parameter));
    json_object_object_add(entry, "parameter", json_object_new_string(translated(record.parameter).c_str()));
    json_object_object_add(entry, "remote", json_object_new_int(record.remote));
    json_object_object_add(entry, "chanNo", json_object_new_int(record.channel));
    json_object_object_add(entry, "disk", json_object_new_int(log_channo_is_disk(record.main_type, record.sub_type)));
    json_object_object_add(entry, "size", json_object_new_int(record.detail_length));
    std::string detail = field_text(reinterpret_cast<const char *>(record.detail), sizeof record.detail);
    json_object_object_add(entry, "detail", json_object_new_string(detail.c_str()));
    json_object *words = json_object_new_array();
    for (int w = 0; w < kDetailWords; w++) {
        const uint8_t *b = record.detail + 4 * w;
        uint32_t word = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
        json_object_array_add(words, json_object_new_int(static_cast<int32_t>(word)));
    }
    json_object_object_add(entry, "detail2", words);
    json_object_object_add(entry, "ip", json_object_new_string(shown_address(record).c_str()));
    json_object_object_add(entry, "user", json_object_new_string(field_text(record.user_name, sizeof record.user_name).c_str()));
    return entry;
}

// A CSV field: quoted when it holds ',', '"', CR or LF, inner quotes doubled.
std::string csv_field(const std::string &text, bool always_quote = false) {
    if (!always_quote && text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csv_row(int number, const OperationLogRecord &record, const char *detail) {
    std::string parameter = translated(record.parameter);
    std::string detail_text = detail;
    const std::string fields[] = {
        std::to_string(number),
        local_time_text(record.time),
        csv_field(main_type_text(record.main_type)),
        csv_field(translated(static_cast<int32_t>(record.sub_type & 0xFFFFFFFF))),
        csv_field(parameter.empty() ? "N/A" : parameter),
        csv_field(field_text(record.user_name, sizeof record.user_name)),
        csv_field(shown_address(record)),
        std::to_string(record.channel),
        csv_field(detail_text.empty() ? "N/A" : detail_text, true),
    };
    std::string row;
    for (const std::string &field : fields) row += field + ",";
    return row + "\r\n";
}

// The stored MAC address text; the interface's own when none is stored. Kept to characters
// that are safe in a file name.
std::string device_mac_text() {
    MacConfRecord conf;
    memset(&conf, 0, sizeof conf);
    std::string mac;
    if (read_mac_conf(QVDB_PATH, &conf) == 0) mac = field_text(conf.mac, sizeof conf.mac);
    if (mac.empty()) {
        char eth0[18], eth1[18];
        get_mac_addr(eth0, eth1);
        mac = eth0;
    }
    std::string safe;
    for (char c : mac)
        if (isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '-') safe.push_back(c);
    return safe;
}

std::string export_file_name() {
    const MainType *type = find_main_type(g_main_type);
    const char *kind = type ? type->file_name : "All";
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char stamp[80];
    snprintf(stamp, sizeof stamp, "%4d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(kind) + "_log_" + g_mac + "_" + stamp + ".csv";
}

// Streams the rows of the daemon's export file, one flush per row; stops at a short read.
void stream_export_rows(FILE *file) {
    int32_t count = 0;
    if (fread(&count, sizeof count, 1, file) != 1) return;
    for (int32_t i = 0; i < count; i++) {
        OperationLogRecord record;
        char detail[kExportDetailSize + 1];
        if (fread(&record, sizeof record, 1, file) != 1 || fread(detail, kExportDetailSize, 1, file) != 1) return;
        detail[kExportDetailSize] = '\0';
        fputs(csv_row(i + 1, record, detail).c_str(), stdout);
        fflush(stdout);
    }
}

}  // namespace

// "/1002": one page of log entries.
int on_get_log_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    LogQuery query;
    memset(&query, 0, sizeof query);
    if (!request || !check_log_request(request, "%Y-%m-%d %H:%M:%S", &query)) return cgi_error_to_webserver(kJson);
    fill_listed_sub_types(request, &query);
    json_object *mask = json_get_typed(request, "chnMask", json_type_string);
    query.channels = mask ? channel_set_from_mask(json_object_get_string(mask)) : 0;
    query.no_channel = json_int_or(request, "searchNoChn", 0);
    g_page = query.page;
    cgi_ask_daemon(on_system_ipc_callback, kRequestLogSearch, &query, sizeof query, kJson);
    return 0;
}

// "/1003": the selected entries as a CSV download.
int on_download_logfile(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    LogQuery query;
    memset(&query, 0, sizeof query);
    if (!request || !check_log_request(request, "%Y-%m-%dT%H:%M:%S", &query)) return cgi_error_to_webserver(kJson);
    json_object *subs = json_get_typed(request, "subTypeArr", json_type_array);
    if (query.main_type == 4 && json_object_get_int64(json_object_array_get_idx(subs, 0)) != 10)
        fill_operation_sub_types(request, &query);
    else
        fill_listed_sub_types(request, &query);
    query.page = 1;
    query.channels = channel_set_from_number(request);
    query.no_channel = json_int_or(request, "na", 0);
    g_main_type = query.main_type;
    g_mac = device_mac_text();

    mkdir(nvr_path(kExportMarkerFolder).c_str(), 0755);
    int marker = open(nvr_path(kExportMarker).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    cgi_ask_daemon(on_system_ipc_callback, kRequestLogExport, &query, sizeof query, kJson);
    if (marker >= 0) close(marker);
    unlink(nvr_path(kExportMarker).c_str());
    return 0;
}

// "/1021": the long description of one entry.
int on_get_log_details(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kTextPlain);
    OperationLogRecord record;
    memset(&record, 0, sizeof record);
    record.main_type = json_int_or(request, "mainTypeValue", 0);
    record.sub_type = json_int_or(request, "subTypeValue", 0);
    record.time = json_int_or(request, "pts", 0);
    record.parameter = json_int_or(request, "parameterValue", 0);
    record.remote = json_int_or(request, "remote", 0);
    record.channel = json_int_or(request, "chanNo", 0);
    on_cgi_get_string_from_json(request, "ip", record.client_addr, sizeof record.client_addr);
    on_cgi_get_string_from_json(request, "user", record.user_name, sizeof record.user_name);
    int size = json_int_or(request, "size", 0);
    record.detail_length = size < 0 ? 0 : (size > static_cast<int>(sizeof record.detail) ? static_cast<int>(sizeof record.detail) : size);
    json_object *words = json_get_typed(request, "detail2", json_type_array);
    size_t count = words ? json_object_array_length(words) : 0;
    for (size_t w = 0; w < count && w < static_cast<size_t>(kDetailWords); w++) {
        json_object *item = json_object_array_get_idx(words, w);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        uint32_t word = static_cast<uint32_t>(json_object_get_int64(item));
        uint8_t *b = record.detail + 4 * w;
        b[0] = static_cast<uint8_t>(word >> 24);
        b[1] = static_cast<uint8_t>(word >> 16);
        b[2] = static_cast<uint8_t>(word >> 8);
        b[3] = static_cast<uint8_t>(word);
    }
    cgi_ask_daemon(on_system_ipc_callback, kRequestLogDetail, &record, sizeof record, kTextPlain);
    return 0;
}

// "/1022": "OK" while an export waits for the daemon.
int on_check_download_log(const char *) {
    return cgi_writeback_webserver(kTextPlain, access(nvr_path(kExportMarker).c_str(), F_OK) == 0 ? "OK" : "NO");
}

// "/1015": the log types of every main type with their texts in language "lan".
int on_get_log_types(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    char language[16] = "";
    on_cgi_get_string_from_json(request, "lan", language, sizeof language);
    trans_init(language);
    bool face_events = get_param_int(QVDB_PATH, "oem_type", 0) == 90;
    json_object *mains = json_object_new_array();
    json_object *subs = json_object_new_array();
    auto item = [](int key, int entry) {
        json_object *object = json_object_new_object();
        json_object_object_add(object, "key", json_object_new_int(key));
        json_object_object_add(object, "name", json_object_new_string(translated(entry).c_str()));
        return object;
    };
    for (const MainType &type : kMainTypes) {
        json_object_array_add(mains, item(type.value, type.entry));
        json_object *list = json_object_new_array();
        json_object_array_add(list, item(10, 10));
        auto add_range = [&](int from, int to) {
            for (int n = from; n <= to; n++) json_object_array_add(list, item(n, n));
        };
        switch (type.value) {
            case 2:
                for (int n = 11; n <= 36; n++) {
                    if (n == 31 || n == 32 || ((n == 15 || n == 16) && !face_events)) continue;
                    json_object_array_add(list, item(n, n));
                }
                for (int n : {38, 39, 40, 41, 37, 42, 43, 44}) json_object_array_add(list, item(n, n));
                break;
            case 4:
                add_range(101, 144);
                add_range(200, 228);
                break;
            case 8:
                add_range(500, 506);
                add_range(511, 521);
                break;
            case 32:
                for (int n = 400; n <= 413; n++)
                    if (n != 408) json_object_array_add(list, item(n, n));
                break;
            case 64:
                add_range(600, 603);
                break;
            default:
                break;
        }
        json_object_array_add(subs, list);
    }
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "mainType", mains);
    json_object_object_add(answer, "subType", subs);
    cgi_answer_json(answer, kJson);
    trans_deinit();
    return 0;
}

// Reply 8495: one page of records.
int on_log_search_info_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(LogPageHead))) {
        cgi_writeback_webserver(kJson, "ERROR");
        cgi_reply_done();
        return 0;
    }
    LogPageHead head;
    memcpy(&head, payload, sizeof head);
    int present = (length - static_cast<int>(sizeof head)) / static_cast<int>(sizeof(OperationLogRecord));
    int count = head.count < 0 ? 0 : head.count;
    if (count > kPageEntries) count = kPageEntries;
    if (count > present) count = present;
    trans_init(g_language);
    json_object *entries = json_object_new_array();
    for (int i = 0; i < count; i++) {
        OperationLogRecord record;
        memcpy(&record, static_cast<const char *>(payload) + sizeof head + i * sizeof record, sizeof record);
        json_object_array_add(entries, log_entry_json(i, record));
    }
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "count", json_object_new_int(head.total));
    json_object_object_add(answer, "num", json_object_new_int(count));
    json_object_object_add(answer, "curPageNum", json_object_new_int(g_page));
    json_object_object_add(answer, "log", entries);
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    trans_deinit();
    return 0;
}

// Reply 8494: stream the daemon's export file as CSV, then remove it.
int on_log_web_export_info_cb(const void *payload, int length) {
    if (!payload || length < static_cast<int>(sizeof(LogExportReply))) {
        cgi_error_to_webserver(kJson);
        cgi_reply_done();
        return 0;
    }
    LogExportReply reply;
    memcpy(&reply, payload, sizeof reply);
    std::string path = field_text(reply.path, sizeof reply.path);
    trans_init(g_language);
    std::string name = export_file_name();
    fputs("Content-Type:application/octet-stream\r\n", stdout);
    fprintf(stdout, "Content-Disposition: attachment; filename= %s\r\n\r\n", name.c_str());
    fputs("Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n", stdout);
    fflush(stdout);
    // Only a regular file inside "/tmp" is read and removed.
    std::string real;
    if (!path.empty() && regular_file_inside(kExportFolder, path.c_str(), &real)) {
        int fd = open_regular_file(real);
        FILE *file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
        if (file) {
            stream_export_rows(file);
            fclose(file);
        } else if (fd >= 0) {
            close(fd);
        }
        unlink(real.c_str());
    }
    trans_deinit();
    cgi_reply_done();
    return 0;
}

// Reply 8488: the detail text, "N/A" when there is none.
int on_log_web_get_log_detail_cb(const void *payload, int length) {
    std::string text = payload && length > 0 ? field_text(static_cast<const char *>(payload), static_cast<size_t>(length)) : "";
    cgi_writeback_webserver(kTextPlain, text.empty() ? "N/A" : text.c_str());
    cgi_reply_done();
    return 0;
}
