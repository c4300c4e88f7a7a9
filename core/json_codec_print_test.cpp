// The encoders print, byte for byte and under every json-c print flag, what a tree of json-c
// nodes built from the same record prints: hostile texts, every byte value, longest fields,
// extreme numbers, full and empty lists, at the top of an answer and nested in one.
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/qvdb_test_support.h"

namespace {

// ----- the encoders as json-c trees: what the answers printed before they printed themselves -----

json_object *tree_text(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

json_object *tree_schedule(const WeeklySchedule &schedule, bool camera_form) {
    json_object *days = json_object_new_array();
    for (int d = 0; d < 8; d++) {
        bool shown = !camera_form || schedule.day[d].dayFlag != 0;
        json_object *periods = json_object_new_array();
        for (int p = 0; p < kSchedulePeriodsPerDay; p++) {
            const SchedulePeriod &period = schedule.day[d].period[p];
            json_object *item = json_object_new_object();
            json_object_object_add(item, "startTime", shown ? tree_text(period.startTime, 32) : json_object_new_string(""));
            json_object_object_add(item, "endTime", shown ? tree_text(period.endTime, 32) : json_object_new_string(""));
            if (!camera_form) json_object_object_add(item, "actionType", json_object_new_int(period.actionType));
            json_object_array_add(periods, item);
        }
        json_object_array_add(days, periods);
    }
    return days;
}

json_object *tree_rows(const std::vector<const char *> &keys, const std::vector<std::vector<int32_t>> &rows) {
    json_object *array = json_object_new_array();
    for (const auto &row : rows) {
        json_object *item = json_object_new_object();
        for (size_t c = 0; c < keys.size(); c++) json_object_object_add(item, keys[c], json_object_new_int(row[c]));
        json_object_array_add(array, item);
    }
    return array;
}

json_object *tree_http(const HttpTarget &target) {
    json_object *object = json_object_new_object();
    json_object_object_add(object, "chnId", json_object_new_int(target.channel));
    json_object_object_add(object, "url", tree_text(target.url, sizeof target.url));
    json_object_object_add(object, "username", tree_text(target.username, sizeof target.username));
    json_object_object_add(object, "password", tree_text(target.password, sizeof target.password));
    return object;
}

// ----- comparison -----

const struct {
    int flags;
    const char *name;
} kFlagSets[] = {
    {JSON_C_TO_STRING_SPACED, "spaced (json_object_to_json_string)"},
    {JSON_C_TO_STRING_PLAIN, "plain"},
    {JSON_C_TO_STRING_PRETTY, "pretty"},
    {JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_SPACED, "pretty spaced"},
    {JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_PRETTY_TAB, "pretty with tabs"},
    {JSON_C_TO_STRING_SPACED | JSON_C_TO_STRING_NOSLASHESCAPE, "spaced, slashes as they are"},
    {JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_NOSLASHESCAPE, "pretty, slashes as they are"},
};

// The value alone, as a member of an answer, and as an item of an array inside it (levels 0 to 2).
json_object *answer_holding(json_object *value) {
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "chnid", json_object_new_int(3));
    json_object_object_add(answer, "value", json_object_get(value));
    json_object *list = json_object_new_array();
    json_object_array_add(list, json_object_get(value));
    json_object_array_add(list, json_object_new_string("after"));
    json_object_object_add(answer, "list", list);
    return answer;
}

std::string printed(json_object *value, int flags) {
    size_t length = 0;
    const char *text = json_object_to_json_string_length(value, flags, &length);
    return text ? std::string(text, length) : std::string("(print failed)");
}

// Takes both values.
void expect_same_print(json_object *encoded, json_object *tree, const std::string &what) {
    ASSERT_NE(encoded, nullptr) << what;
    JsonRef ours(encoded), theirs(tree), ours_nested(answer_holding(encoded)), theirs_nested(answer_holding(tree));
    for (const auto &set : kFlagSets) {
        EXPECT_EQ(printed(ours, set.flags), printed(theirs, set.flags)) << what << ", " << set.name;
        EXPECT_EQ(printed(ours_nested, set.flags), printed(theirs_nested, set.flags)) << what << ", nested, " << set.name;
    }
    EXPECT_STREQ(json_object_to_json_string(ours_nested), json_object_to_json_string(theirs_nested)) << what;
}

// ----- the corpus -----

// Every byte value 1 to 255 once, then texts that need escaping or are long.
std::vector<std::string> hostile_texts() {
    std::vector<std::string> texts;
    std::string every_byte;
    for (int b = 1; b < 256; b++) every_byte += static_cast<char>(b);
    for (size_t at = 0; at < every_byte.size(); at += 31) texts.push_back(every_byte.substr(at, 31));
    texts.insert(texts.end(), {
                                  "",
                                  "08:00",
                                  "\"quoted\" \\back\\slash\\",
                                  "http://host/path?a=1&b=%2F",
                                  "</script><b>",
                                  "\b\f\n\r\t\x01\x1f\x7f",
                                  "Z\xc3\xbcrich \xe6\x9d\xb1\xe4\xba\xac \xf0\x9f\x8e\xa5",  // UTF-8
                                  "\x80\xff\xc3(\xe2\x82",                                        // not UTF-8
                                  std::string(31, '/'),
                                  std::string(31, '"'),
                                  "\\u0041 \\/ //",
                              });
    return texts;
}

std::unique_ptr<WeeklySchedule> hostile_schedule() {
    std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule);
    memset(schedule.get(), 'x', sizeof *schedule);  // unused slots and fields hold junk that must not show
    const std::vector<std::string> texts = hostile_texts();
    const int32_t actions[] = {0, 1, -1, INT32_MIN, INT32_MAX, 1000000007, 9};
    int n = 0;
    for (int d = 0; d < 8; d++) {
        schedule->day[d].dayFlag = d % 3 == 1 ? 0 : d + 1;
        for (int p = 0; p < kSchedulePeriodsPerDay; p++, n++) {
            SchedulePeriod &period = schedule->day[d].period[p];
            period.actionType = actions[n % 7];
            if (n % 11 == 5) continue;  // both texts fill their 32 bytes, without a terminator
            const std::string &start = texts[static_cast<size_t>(n) % texts.size()];
            const std::string &end = texts[static_cast<size_t>(n * 7 + 3) % texts.size()];
            copy_text_field(period.startTime, sizeof period.startTime, start.c_str());
            memcpy(period.endTime, end.data(), end.size());  // keeps an embedded byte sequence whole
            period.endTime[end.size()] = '\0';
        }
    }
    return schedule;
}

TEST(EncoderPrint, SchedulesPrintAsTheirJsonCTrees) {
    auto schedule = hostile_schedule();
    expect_same_print(get_schedule_json_object(schedule.get()), tree_schedule(*schedule, false), "schedule");
    expect_same_print(get_schedule_json_object_ex(schedule.get()), tree_schedule(*schedule, false), "second form");
    expect_same_print(get_schedule_json_object_ipc(schedule.get()), tree_schedule(*schedule, true), "camera form");
    auto empty = std::unique_ptr<WeeklySchedule>(new WeeklySchedule);
    memset(empty.get(), 0, sizeof *empty);
    expect_same_print(get_schedule_json_object(empty.get()), tree_schedule(*empty, false), "empty schedule");
    expect_same_print(get_schedule_json_object_ipc(empty.get()), tree_schedule(*empty, true), "unflagged camera form");
}

TEST(EncoderPrint, ValuesPrintAgainAndOutliveTheirRecord) {
    auto schedule = hostile_schedule();
    JsonRef tree(tree_schedule(*schedule, false));
    json_object *encoded = get_schedule_json_object(schedule.get());
    memset(schedule.get(), 0, sizeof *schedule);  // the answer holds a copy
    JsonRef answer(answer_holding(encoded));
    json_object_put(encoded);
    JsonRef expected(answer_holding(tree));
    std::string first = json_object_to_json_string(answer);
    EXPECT_EQ(first, json_object_to_json_string(expected));
    EXPECT_EQ(json_object_to_json_string(answer), first);  // printed twice, alike
    // A value that prints itself still has the JSON type of what it prints; json-c refuses to
    // copy it rather than make a copy without its record.
    json_object *value = json_object_object_get(answer, "value");
    EXPECT_TRUE(json_object_is_type(value, json_type_array));
    json_object *copy = nullptr;
    EXPECT_NE(json_object_deep_copy(value, &copy, nullptr), 0);
    if (copy) json_object_put(copy);
}

// ----- lists and the HTTP target, through the database -----

using EncoderPrintStore = DbTest;

TEST_F(EncoderPrintStore, TargetListsPrintAsTheirJsonCTrees) {
    const int32_t numbers[] = {0, 63, -1, INT32_MIN, INT32_MAX, 7};
    WhiteLedList whites;
    memset(&whites, 0, sizeof whites);
    whites.count = kQvdbListEntries;
    std::vector<std::vector<int32_t>> white_rows, light_rows;
    WarningLightList lights;
    memset(&lights, 0, sizeof lights);
    lights.count = kQvdbListEntries;
    for (int i = 0; i < kQvdbListEntries; i++) {
        whites.entry[i] = {4, i, numbers[i % 6], numbers[(i + 1) % 6]};
        white_rows.push_back({i, numbers[i % 6], numbers[(i + 1) % 6]});
        lights.entry[i] = {4, i, 11, 12, numbers[(i + 2) % 6], 13};
        light_rows.push_back({i, numbers[(i + 2) % 6]});
    }
    ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &whites, "motion_white_led_params", 4), 0);
    ASSERT_EQ(write_warning_light_params_all(QVDB_PATH, &lights, "motion_warning_light_params", 4), 0);
    ASSERT_EQ(write_peoplecnt_wled_params_all(QVDB_PATH, &whites, 2), 0);
    const std::vector<const char *> white_keys = {"chnid", "mode", "time"}, light_keys = {"chnid", "time"};
    expect_same_print(get_white_params_json_object(4, "motion_white_led_params"), tree_rows(white_keys, white_rows),
                      "white-LED list");
    expect_same_print(get_pcnt_white_params_json_object(2), tree_rows(white_keys, white_rows), "people-counting list");
    expect_same_print(get_warning_light_params_json_object(4, "motion_warning_light_params"),
                      tree_rows(light_keys, light_rows), "warning-light list");
    expect_same_print(get_white_params_json_object(5, "motion_white_led_params"), tree_rows(white_keys, {}), "empty list");
    expect_same_print(get_warning_light_params_json_object(5, "no_such_table"), tree_rows(light_keys, {}),
                      "unknown table");
}

TEST_F(EncoderPrintStore, PtzLinkagePrintsTheLinkedEntriesAsJsonCDoes) {
    PtzLinkList list;
    memset(&list, 0, sizeof list);
    list.count = kQvdbPtzEntries;
    std::vector<std::vector<int32_t>> linked;
    for (int i = 0; i < kQvdbPtzEntries; i++) {
        int32_t ptz_channel = i % 5 == 0 ? -i : i;  // entries without a PTZ channel are left out
        list.entry[i] = {9, ptz_channel, 77, i % 4, INT32_MAX - i, INT32_MIN + i, 5};
        if (ptz_channel > 0) linked.push_back({ptz_channel, i % 4, INT32_MAX - i, INT32_MIN + i});
    }
    ASSERT_EQ(write_ptz_params_all(QVDB_PATH, &list, 1, 9), 0);
    ASSERT_EQ(write_peoplecnt_ptz_params_ex(QVDB_PATH, &list, 9), 0);
    const std::vector<const char *> keys = {"acto_ptz_channel", "acto_ptz_type", "acto_ptz_preset", "acto_ptz_patrol"};
    expect_same_print(get_ptz_params_json_object(1, 9), tree_rows(keys, linked), "PTZ linkage");
    std::vector<std::vector<int32_t>> first_sixteen;  // people counting emits entries 0 to 15 only
    for (const auto &row : linked)
        if (row[0] < 16) first_sixteen.push_back(row);
    expect_same_print(get_ptz_params_json_object(kQvdbPeopleCountPtzType, 9), tree_rows(keys, first_sixteen),
                      "people-counting PTZ linkage");
    expect_same_print(get_ptz_params_json_object(2, 9), tree_rows(keys, {}), "no linkage");
}

TEST_F(EncoderPrintStore, HttpTargetPrintsItsTextsAsJsonCDoes) {
    const std::vector<std::string> texts = hostile_texts();
    std::string url;
    while (url.size() < 512) url += texts[url.size() % texts.size()] + "/";
    HttpTarget target;
    for (size_t n = 0; n < texts.size(); n++) {
        memset(&target, 0, sizeof target);
        target.channel = static_cast<int32_t>(n % 64);
        copy_text_field(target.url, sizeof target.url, n == 0 ? url.c_str() : texts[n].c_str());
        copy_text_field(target.username, sizeof target.username, (texts[(n + 1) % texts.size()] + url).c_str());
        copy_text_field(target.password, sizeof target.password, (texts[(n + 2) % texts.size()] + url).c_str());
        ASSERT_EQ(write_http_notification_params(QVDB_PATH, &target, "motion_http_notification_params"), 0);
        HttpTarget stored;
        memset(&stored, 0, sizeof stored);
        ASSERT_EQ(read_http_notification_params(QVDB_PATH, &stored, "motion_http_notification_params", target.channel), 0);
        ASSERT_EQ(memcmp(&stored, &target, sizeof stored), 0) << "the texts reach the encoder as written, " << n;
        expect_same_print(get_http_params_json_object(target.channel, "motion_http_notification_params"),
                          tree_http(stored), "HTTP target " + std::to_string(n));
    }
    memset(&target, 0, sizeof target);
    target.channel = 40;
    expect_same_print(get_http_params_json_object(40, "motion_http_notification_params"), tree_http(target),
                      "no HTTP target");
}

// ----- whole answers written to the web server -----

// What cgi_answer_json writes to descriptor 1 (it takes the answer).
std::string answered(json_object *answer, int kind) {
    fflush(stdout);
    char path[] = "/tmp/nvranswer.XXXXXX";
    int file = mkstemp(path);
    if (file < 0) return "(no capture file)";
    unlink(path);
    int saved = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    int rc = cgi_answer_json(answer, kind);
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text;
    char chunk[4096];
    ssize_t n;
    lseek(file, 0, SEEK_SET);
    while ((n = read(file, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
    close(file);
    return rc == 0 ? text : "(answer failed) " + text;
}

// The answer must read exactly as json_object_to_json_string prints it after the header.
void expect_answered_as_printed(json_object *answer, int kind, const std::string &header, const std::string &what) {
    ASSERT_NE(answer, nullptr) << what;
    std::string expected = header + json_object_to_json_string(answer);
    EXPECT_EQ(answered(answer, kind), expected) << what;
}

json_object *hostile_answer() {
    json_object *answer = json_object_new_object();
    const std::vector<std::string> texts = hostile_texts();
    for (size_t n = 0; n < texts.size(); n++) {
        std::string key = "k" + std::to_string(n) + texts[n];  // names need escaping too
        json_object_object_add(answer, key.c_str(), json_object_new_string_len(texts[n].data(), static_cast<int>(texts[n].size())));
    }
    json_object_object_add(answer, "nul inside", json_object_new_string_len("a\0b", 3));
    json_object_object_add(answer, "none", nullptr);
    json_object_object_add(answer, "null", json_object_new_null());
    json_object_object_add(answer, "yes", json_object_new_boolean(1));
    json_object_object_add(answer, "no", json_object_new_boolean(0));
    json_object_object_add(answer, "min", json_object_new_int64(INT64_MIN));
    json_object_object_add(answer, "max", json_object_new_int64(INT64_MAX - 1));
    json_object_object_add(answer, "empty list", json_object_new_array());
    json_object_object_add(answer, "empty object", json_object_new_object());
    json_object *nested = json_object_new_array();
    json_object_array_add(nested, nullptr);
    json_object_array_add(nested, json_object_new_array());
    json_object *deep = json_object_new_string("deep");
    json_object_array_add(nested, answer_holding(deep));
    json_object_put(deep);
    json_object_object_add(answer, "nested", nested);
    auto schedule = hostile_schedule();
    json_object_object_add(answer, "schedule", get_schedule_json_object(schedule.get()));
    json_object_object_add(answer, "camera schedule", get_schedule_json_object_ipc(schedule.get()));
    std::string long_text(40000, '/');  // escaped, it crosses the answer's buffer several times
    json_object_object_add(answer, "long", json_object_new_string(long_text.c_str()));
    return answer;
}

TEST(AnswerPrint, AnswersReadAsJsonCPrintsThem) {
    expect_answered_as_printed(hostile_answer(), kJson, "Content-type: application/json\r\n\r\n", "hostile answer");
    expect_answered_as_printed(hostile_answer(), kTextPlain, "Content-type: text/plain\r\n\r\n", "as text");
    expect_answered_as_printed(hostile_answer(), kNoHeader, "", "without header");
    expect_answered_as_printed(json_object_new_object(), kJson, "Content-type: application/json\r\n\r\n", "empty");
    json_object *list = json_object_new_array();
    json_object_array_add(list, json_object_new_int(7));
    expect_answered_as_printed(list, kJson, "Content-type: application/json\r\n\r\n", "a list at the top");
}

// Numbers with a fraction, parsed numbers kept with their text and integers past int64 print
// as json-c prints them.
TEST(AnswerPrint, ValuesTheWriterDoesNotPrintTakeJsonCsRoad) {
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "x", json_object_new_double(0.1));
    json_object_object_add(answer, "schedule", get_schedule_json_object(hostile_schedule().get()));
    expect_answered_as_printed(answer, kJson, "Content-type: application/json\r\n\r\n", "double");
    const char *parsed[] = {"{\"a\":[1.50e1]}", "{\"a\":18446744073709551615}", "{\"a\":{\"b\":[true,1e400]}}"};
    for (const char *text : parsed)
        expect_answered_as_printed(json_tokener_parse(text), kJson, "Content-type: application/json\r\n\r\n", text);
}

}  // namespace
