// Event JSON codecs: schedules, copy sets, alarm outputs, target lists, HTTP targets, PTZ linkage.
#include "core/json_codec.h"

#include <string.h>

#include <memory>
#include <string>

#include "core/json_util.h"
#include "platform/qvdb_test_support.h"

namespace {

std::unique_ptr<WeeklySchedule> new_schedule(char fill = 0) {
    std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule);
    memset(schedule.get(), fill, sizeof *schedule);
    return schedule;
}

std::string text_of(json_object *value) {
    std::string text = json_object_to_json_string_ext(value, JSON_C_TO_STRING_PLAIN);
    json_object_put(value);
    return text;
}

// An encoder's value as a tree of json-c nodes, parsed from its printed text.
json_object *reparsed(json_object *value) { return json_tokener_parse(text_of(value).c_str()); }

// A request JSON whose "schedule" holds days x periods of [start, end, action].
std::string schedule_request(int days, int periods, const std::string &start = "08:00") {
    std::string text = "{\"schedule\":[";
    for (int d = 0; d < days; d++) {
        text += d ? ",[" : "[";
        for (int p = 0; p < periods; p++)
            text += (p ? ",[\"" : "[\"") + start + "\",\"" + std::to_string(d) + ":" + std::to_string(p) + "\"," +
                    std::to_string(d * 100 + p) + "]";
        text += "]";
    }
    return text + "]}";
}

TEST(ScheduleCodec, DecodesTheFullFormAndEncodesItBack) {
    JsonRef request(json_tokener_parse(schedule_request(8, 12).c_str()));
    auto schedule = new_schedule(0x55);
    ASSERT_EQ(get_schedule_by_json(request, "schedule", schedule.get()), 0);
    EXPECT_STREQ(schedule->day[7].period[11].endTime, "7:11");
    EXPECT_EQ(schedule->day[7].period[11].actionType, 711);
    EXPECT_EQ(schedule->day[0].period[12].startTime[0], '\0');  // cleared beyond the 12 periods
    EXPECT_EQ(schedule->day[0].dayFlag, 0);
    JsonRef encoded(reparsed(get_schedule_json_object(schedule.get())));
    ASSERT_EQ(json_object_array_length(encoded), 8u);
    json_object *day7 = json_object_array_get_idx(encoded, 7);
    ASSERT_EQ(json_object_array_length(day7), 12u);
    EXPECT_STREQ(json_object_to_json_string_ext(json_object_array_get_idx(day7, 11), JSON_C_TO_STRING_PLAIN),
                 "{\"startTime\":\"08:00\",\"endTime\":\"7:11\",\"actionType\":711}");
    // The second form is identical.
    auto again = new_schedule();
    ASSERT_EQ(get_schedule_by_json_ex(request, "schedule", again.get()), 0);
    EXPECT_EQ(memcmp(schedule.get(), again.get(), sizeof *again), 0);
    EXPECT_EQ(text_of(get_schedule_json_object_ex(again.get())), text_of(get_schedule_json_object(schedule.get())));
}

TEST(ScheduleCodec, MissingOrMalformedInputNeverTouchesTheSchedule) {
    struct Case {
        int line;
        const char *request;
        const char *key;
    } cases[] = {
        {__LINE__, "{}", "schedule"},
        {__LINE__, "{\"schedule\":null}", "schedule"},
        {__LINE__, "{\"schedule\":\"[[]]\"}", "schedule"},
        {__LINE__, "{\"schedule\":{\"0\":[]}}", "schedule"},
        {__LINE__, "{\"schedule\":5}", "schedule"},
        {__LINE__, "{\"schedule\":[]}", nullptr},
    };
    for (const Case &c : cases) {
        JsonRef request(json_tokener_parse(c.request));
        auto schedule = new_schedule(0x7A);
        EXPECT_EQ(get_schedule_by_json(request, c.key, schedule.get()), -1) << "line " << c.line;
        EXPECT_EQ(get_schedule_by_json_ipc(request, c.key, schedule.get()), -1) << "line " << c.line;
        auto untouched = new_schedule(0x7A);
        EXPECT_EQ(memcmp(schedule.get(), untouched.get(), sizeof *untouched), 0) << "line " << c.line;
    }
    auto schedule = new_schedule();
    EXPECT_EQ(get_schedule_by_json(nullptr, "schedule", schedule.get()), -1);
    JsonRef request(json_tokener_parse(schedule_request(8, 12).c_str()));
    EXPECT_EQ(get_schedule_by_json(request, "schedule", nullptr), -1);
}

TEST(ScheduleCodec, ShortAndHostileArraysStoreWhatIsThereWithinTheFields) {
    // 3 days of 2 periods; 20 days of 20 periods; wrong item types; over-long texts.
    JsonRef short_request(json_tokener_parse(schedule_request(3, 2).c_str()));
    auto schedule = new_schedule(0x33);
    ASSERT_EQ(get_schedule_by_json(short_request, "schedule", schedule.get()), 0);
    EXPECT_STREQ(schedule->day[2].period[1].endTime, "2:1");
    EXPECT_EQ(schedule->day[2].period[2].endTime[0], '\0');
    EXPECT_EQ(schedule->day[3].period[0].actionType, 0);

    JsonRef long_request(json_tokener_parse(schedule_request(20, 20, std::string(300, 's')).c_str()));
    ASSERT_EQ(get_schedule_by_json(long_request, "schedule", schedule.get()), 0);
    EXPECT_EQ(strlen(schedule->day[7].period[11].startTime), 31u);
    EXPECT_EQ(schedule->day[7].period[12].startTime[0], '\0');
    EXPECT_EQ(schedule->day[7].period[11].actionType, 711);

    JsonRef odd(json_tokener_parse(
        "{\"schedule\":[[[1,2,3],\"x\",[\"a\"],null,[\"s\",\"e\",\"9\"]],5,[[\"b\",\"c\",{}]]]}"));
    ASSERT_EQ(get_schedule_by_json(odd, "schedule", schedule.get()), 0);
    EXPECT_STREQ(schedule->day[0].period[0].startTime, "");  // not a text
    EXPECT_EQ(schedule->day[0].period[0].actionType, 3);
    EXPECT_STREQ(schedule->day[0].period[2].startTime, "a");
    EXPECT_STREQ(schedule->day[0].period[2].endTime, "");
    EXPECT_EQ(schedule->day[0].period[4].actionType, 0);  // "9" is a text, not a number
    EXPECT_STREQ(schedule->day[2].period[0].endTime, "c");
    EXPECT_EQ(schedule->day[2].period[0].actionType, 0);
}

TEST(ScheduleCodec, CameraFormSetsDayFlagsAndEmptiesUnflaggedDays) {
    std::string text = "{\"s\":[";
    for (int d = 0; d < 7; d++) {
        text += d ? ",[" : "[";
        for (int p = 0; p < 12; p++) text += std::string(p ? "," : "") + "[\"0" + std::to_string(d) + ":00\",\"23:59\",5]";
        text += "]";
    }
    text += "]}";
    JsonRef request(json_tokener_parse(text.c_str()));
    auto schedule = new_schedule(0x44);
    ASSERT_EQ(get_schedule_by_json_ipc(request, "s", schedule.get()), 0);
    for (int d = 0; d < 7; d++) EXPECT_EQ(schedule->day[d].dayFlag, 1) << d;
    EXPECT_EQ(schedule->day[7].dayFlag, 0);
    EXPECT_STREQ(schedule->day[6].period[9].startTime, "06:00");
    EXPECT_EQ(schedule->day[6].period[10].startTime[0], '\0');  // only 10 periods per day
    EXPECT_EQ(schedule->day[6].period[9].actionType, 0);        // no action type in this form
    strcpy(schedule->day[7].period[0].startTime, "hidden");
    JsonRef encoded(reparsed(get_schedule_json_object_ipc(schedule.get())));
    ASSERT_EQ(json_object_array_length(encoded), 8u);
    EXPECT_STREQ(json_object_to_json_string_ext(json_object_array_get_idx(json_object_array_get_idx(encoded, 7), 0),
                                                JSON_C_TO_STRING_PLAIN),
                 "{\"startTime\":\"\",\"endTime\":\"\"}");
    EXPECT_STREQ(json_object_to_json_string_ext(json_object_array_get_idx(json_object_array_get_idx(encoded, 6), 9),
                                                JSON_C_TO_STRING_PLAIN),
                 "{\"startTime\":\"06:00\",\"endTime\":\"23:59\"}");
}

TEST(CopySetCodec, CountsAndItemsAreBounded) {
    struct Case {
        int line;
        const char *request;
        uint64_t set;
    } cases[] = {
        {__LINE__, "{\"copyChn\":[1,2],\"copyCnt\":2}", 0x6},
        {__LINE__, "{\"copyChn\":[1,2],\"copyCnt\":0}", 0},
        {__LINE__, "{\"copyChn\":[1,2],\"copyCnt\":-3}", 0},
        {__LINE__, "{\"copyChn\":[1,2]}", 0},
        {__LINE__, "{\"copyChn\":[64,-1,63,0],\"copyCnt\":4}", (1ULL << 63) | 1},
        {__LINE__, "{\"copyChn\":[5,6,7],\"copyCnt\":2}", (1ULL << 5) | (1ULL << 6)},
        {__LINE__, "{\"copyChn\":[5],\"copyCnt\":1000000}", 1ULL << 5},
        {__LINE__, "{\"copyChn\":[\"3\",null,{},[4],2.5,4294967297],\"copyCnt\":6}", 0},
        {__LINE__, "{\"copyChn\":\"1,2\",\"copyCnt\":2}", 0},
        {__LINE__, "{\"copyChn\":{\"0\":1},\"copyCnt\":1}", 0},
    };
    for (const Case &c : cases) {
        JsonRef request(json_tokener_parse(c.request));
        EXPECT_EQ(get_copy_flag_by_json(request, "copyChn", "copyCnt"), c.set) << "line " << c.line;
    }
    EXPECT_EQ(get_copy_flag_by_json(nullptr, "copyChn", "copyCnt"), 0u);
}

TEST(AlarmOutCodec, PresentStringItemsOnly) {
    JsonRef encoded(get_event_chn_alarmout_object("1010", nullptr));
    EXPECT_STREQ(json_object_to_json_string_ext(encoded, JSON_C_TO_STRING_PLAIN), "[\"1010\",\"\"]");
    std::string long_text(100, '1');
    JsonRef request(json_tokener_parse(("{\"a\":[5,\"" + long_text + "\",\"extra\"]}").c_str()));
    CameraAlarmOut pair[2];
    memset(pair, 0x66, sizeof pair);
    ASSERT_EQ(get_event_chn_alarmout_by_object(9, request, "a", pair), 0);
    EXPECT_EQ(pair[0].channel, 0x66666666);  // item 0 is not a text: untouched
    EXPECT_EQ(pair[1].channel, 9);
    EXPECT_EQ(pair[1].index, 1);
    EXPECT_EQ(strlen(pair[1].text), 64u);
    EXPECT_EQ(get_event_chn_alarmout_by_object(9, request, "missing", pair), -1);
    JsonRef wrong(json_tokener_parse("{\"a\":\"10\"}"));
    EXPECT_EQ(get_event_chn_alarmout_by_object(9, wrong, "a", pair), -1);
}

TEST(TargetListCodec, BothItemFormsStoreTheSameEntry) {
    JsonRef arrays(json_tokener_parse("{\"w\":[[3,1,10]]}"));
    JsonRef objects(json_tokener_parse("{\"w\":[{\"chnid\":3,\"mode\":1,\"time\":10}]}"));
    WhiteLedList from_arrays, from_objects;
    ASSERT_EQ(get_white_params_by_json(6, &from_arrays, arrays, "w"), 0);
    ASSERT_EQ(get_white_params_by_json(6, &from_objects, objects, "w"), 0);
    EXPECT_EQ(memcmp(&from_arrays, &from_objects, sizeof from_arrays), 0);
    ASSERT_EQ(from_arrays.count, 1);
    EXPECT_EQ(from_arrays.entry[0].channel, 6);
    EXPECT_EQ(from_arrays.entry[0].chnid, 3);
    EXPECT_EQ(from_arrays.entry[0].mode, 1);
    EXPECT_EQ(from_arrays.entry[0].time, 10);

    JsonRef light_arrays(json_tokener_parse("{\"l\":[[4,30]]}"));
    JsonRef light_objects(json_tokener_parse("{\"l\":[{\"time\":30,\"chnid\":4}]}"));
    WarningLightList lights_a, lights_o;
    ASSERT_EQ(get_warning_light_params_by_json(2, &lights_a, light_arrays, "l"), 0);
    ASSERT_EQ(get_warning_light_params_by_json(2, &lights_o, light_objects, "l"), 0);
    EXPECT_EQ(memcmp(&lights_a, &lights_o, sizeof lights_a), 0);
    EXPECT_EQ(lights_a.entry[0].time, 30);
    EXPECT_EQ(lights_a.entry[0].chnid, 4);
}

TEST(TargetListCodec, EmptyArrayStoresAnEmptyListAndBadItemsAreSkipped) {
    struct Case {
        int line;
        const char *request;
        int result;
        int count;
        int first_chnid;
    } cases[] = {
        {__LINE__, "{\"w\":[]}", 0, 0, 0},
        {__LINE__, "{\"w\":[[1],[2,3,4,5]]}", 0, 2, 1},
        {__LINE__, "{\"w\":[null,\"x\",5,[\"3\",1,1],[64,1,1],[-1,1,1],[7,1,1]]}", 0, 1, 7},
        {__LINE__, "{\"w\":[{\"mode\":1},{\"chnid\":\"2\"},{\"chnid\":9},[1,1,1]]}", 0, 1, 9},
        {__LINE__, "{\"w\":{\"chnid\":1}}", -1, 0, 0},
        {__LINE__, "{\"w\":\"[[1,1,1]]\"}", -1, 0, 0},
        {__LINE__, "{}", -1, 0, 0},
    };
    for (const Case &c : cases) {
        JsonRef request(json_tokener_parse(c.request));
        WhiteLedList list;
        memset(&list, 0x11, sizeof list);
        ASSERT_EQ(get_white_params_by_json(12, &list, request, "w"), c.result) << "line " << c.line;
        if (c.result != 0) {
            EXPECT_EQ(list.count, 0x11111111) << "line " << c.line;  // untouched
            continue;
        }
        EXPECT_EQ(list.count, c.count) << "line " << c.line;
        EXPECT_EQ(list.entry[0].channel, 12) << "line " << c.line;
        EXPECT_EQ(list.entry[0].chnid, c.first_chnid) << "line " << c.line;
        EXPECT_EQ(list.entry[c.count < 16 ? c.count : 15].time, c.count < 16 ? 0 : list.entry[15].time);
    }
    std::string many = "{\"w\":[";
    for (int i = 0; i < 40; i++) many += std::string(i ? "," : "") + "[" + std::to_string(i) + ",0,0]";
    JsonRef request(json_tokener_parse((many + "]}").c_str()));
    WhiteLedList list;
    ASSERT_EQ(get_pcnt_white_params_by_json(3, &list, request, "w"), 0);
    EXPECT_EQ(list.count, kQvdbListEntries);
    EXPECT_EQ(list.entry[15].chnid, 15);
    EXPECT_EQ(get_white_params_by_json(3, nullptr, request, "w"), -1);
}

TEST(HttpTargetCodec, TextsVerbatimWithinTheirFields) {
    std::string url = "http://h/p?a=%41&b=" + std::string(600, 'u');
    std::string request_text = "{\"h\":{\"chnId\":40,\"url\":\"" + url + "\",\"username\":\"" + std::string(200, 'n') +
                               "\",\"password\":\"" + std::string(100, 'p') + "\"}}";
    JsonRef request(json_tokener_parse(request_text.c_str()));
    HttpTarget target;
    memset(&target, 0x22, sizeof target);
    ASSERT_EQ(get_http_params_by_json(7, &target, request, "h"), 0);
    EXPECT_EQ(target.channel, 7);  // "chnId" is not read
    EXPECT_EQ(std::string(target.url), url.substr(0, 512));
    EXPECT_EQ(strlen(target.username), 96u);
    EXPECT_EQ(strlen(target.password), 64u);

    JsonRef partial(json_tokener_parse("{\"h\":{\"username\":5,\"password\":\"pw\"}}"));
    ASSERT_EQ(get_http_params_by_json(7, &target, partial, "h"), 0);
    EXPECT_STREQ(target.url, "");
    EXPECT_STREQ(target.username, "");
    EXPECT_STREQ(target.password, "pw");
    for (const char *bad : {"{}", "{\"h\":[]}", "{\"h\":\"http://x\"}"}) {
        JsonRef wrong(json_tokener_parse(bad));
        memset(&target, 0x22, sizeof target);
        EXPECT_EQ(get_http_params_by_json(7, &target, wrong, "h"), -1) << bad;
        EXPECT_EQ(target.channel, 0x22222222) << bad;
    }
}

TEST(PtzCodec, DecodeBoundsAndEventTypes) {
    struct Case {
        int line;
        int channel, type;
        const char *array;
        int result, count;
    } cases[] = {
        {__LINE__, 63, 1, "[{\"acto_ptz_channel\":2}]", 0, 1},
        {__LINE__, 20, 5, "[{\"acto_ptz_channel\":2}]", 0, 1},  // channels above 15 are kept too
        {__LINE__, 64, 1, "[]", -1, 0},
        {__LINE__, -1, 1, "[]", -1, 0},
        {__LINE__, 0, 32, "[]", -1, 0},
        {__LINE__, 0, 1, "{\"acto_ptz_channel\":2}", -1, 0},
        {__LINE__, 0, 1, "[5,null,[1],\"x\",{\"acto_ptz_channel\":\"3\"}]", 0, 1},
    };
    for (const Case &c : cases) {
        JsonRef array(json_tokener_parse(c.array));
        PtzLinkList list{};
        EXPECT_EQ(get_ptz_params_by_json(c.channel, c.type, array, &list), c.result) << "line " << c.line;
        EXPECT_EQ(list.count, c.count) << "line " << c.line;
    }
    std::string many = "[";
    for (int i = 0; i < 100; i++) many += std::string(i ? "," : "") + "{\"acto_ptz_channel\":" + std::to_string(i + 1) + "}";
    JsonRef array(json_tokener_parse((many + "]").c_str()));
    PtzLinkList list{};
    ASSERT_EQ(get_ptz_params_by_json(1, 1, array, &list), 0);
    EXPECT_EQ(list.count, kQvdbPtzEntries);
    EXPECT_EQ(list.entry[63].acto_ptz_channel, 64);
    EXPECT_EQ(list.entry[63].channel, 1);

    struct TypeCase {
        int line, index, type;
    } types[] = {{__LINE__, 0, 5}, {__LINE__, 8, 13}, {__LINE__, 9, -1}, {__LINE__, -1, -1}};
    for (const TypeCase &c : types) EXPECT_EQ(get_smart_event_ptz_type(c.index), c.type) << "line " << c.line;
    struct LprCase {
        int line, camera_type;
        bool lpr;
    } lprs[] = {{__LINE__, 10, false}, {__LINE__, 11, true}, {__LINE__, 14, true}, {__LINE__, 15, false}, {__LINE__, -11, false}};
    for (const LprCase &c : lprs) EXPECT_EQ(on_cgi_is_qv_lpr(c.camera_type), c.lpr) << "line " << c.line;
}

using CodecStore = DbTest;

TEST_F(CodecStore, TargetListsAndHttpTargetThroughTheDatabase) {
    JsonRef request(json_tokener_parse(
        "{\"w\":[[3,1,10],[4,2,20]],\"l\":[{\"chnid\":5,\"time\":9}],\"h\":{\"url\":\"http://a/%25\",\"username\":\"u\",\"password\":\"p\"}}"));
    WhiteLedList whites;
    ASSERT_EQ(get_white_params_by_json(8, &whites, request, "w"), 0);
    ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &whites, "motion_white_led_params", 8), 0);
    EXPECT_EQ(text_of(get_white_params_json_object(8, "motion_white_led_params")),
              "[{\"chnid\":3,\"mode\":1,\"time\":10},{\"chnid\":4,\"mode\":2,\"time\":20}]");
    EXPECT_EQ(text_of(get_white_params_json_object(9, "motion_white_led_params")), "[]");
    EXPECT_EQ(text_of(get_white_params_json_object(8, "no_such_table")), "[]");

    WarningLightList lights;
    ASSERT_EQ(get_warning_light_params_by_json(8, &lights, request, "l"), 0);
    ASSERT_EQ(write_warning_light_params_all(QVDB_PATH, &lights, "motion_warning_light_params", 8), 0);
    EXPECT_EQ(text_of(get_warning_light_params_json_object(8, "motion_warning_light_params")),
              "[{\"chnid\":5,\"time\":9}]");

    ASSERT_EQ(write_peoplecnt_wled_params_all(QVDB_PATH, &whites, 2), 0);
    EXPECT_EQ(text_of(get_pcnt_white_params_json_object(2)),
              "[{\"chnid\":3,\"mode\":1,\"time\":10},{\"chnid\":4,\"mode\":2,\"time\":20}]");

    HttpTarget target;
    ASSERT_EQ(get_http_params_by_json(8, &target, request, "h"), 0);
    ASSERT_EQ(write_http_notification_params(QVDB_PATH, &target, "motion_http_notification_params"), 0);
    EXPECT_EQ(text_of(get_http_params_json_object(8, "motion_http_notification_params")),
              "{\"chnId\":8,\"url\":\"http:\\/\\/a\\/%25\",\"username\":\"u\",\"password\":\"p\"}");
    EXPECT_EQ(text_of(get_http_params_json_object(9, "motion_http_notification_params")),
              "{\"chnId\":9,\"url\":\"\",\"username\":\"\",\"password\":\"\"}");
}

// What a handler does: store the schedule only when its key decoded.
void save_schedule_if_present(json_object *request, int channel) {
    auto schedule = new_schedule();
    if (get_schedule_by_json(request, "effective", schedule.get()) == 0) {
        ASSERT_EQ(write_motion_effective_schedule(QVDB_PATH, schedule.get(), channel), 0);
    }
}

TEST_F(CodecStore, AbsentOrMalformedScheduleKeyLeavesTheStoredScheduleUnchanged) {
    JsonRef first(json_tokener_parse(("{\"effective\":" + schedule_request(8, 12).substr(12)).c_str()));
    ASSERT_TRUE(first);
    save_schedule_if_present(first, 6);
    auto before = new_schedule();
    ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, before.get(), 6), 0);
    EXPECT_STREQ(before->day[5].period[4].endTime, "5:4");
    for (const char *request : {"{}", "{\"effective\":{}}", "{\"effective\":\"x\"}", "{\"audible\":[]}"}) {
        JsonRef parsed(json_tokener_parse(request));
        save_schedule_if_present(parsed, 6);
        auto after = new_schedule();
        ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, after.get(), 6), 0);
        EXPECT_EQ(memcmp(before.get(), after.get(), sizeof *after), 0) << request;
    }
}

TEST_F(CodecStore, PtzLinkageStoresAndEmitsOnlyLinkedEntries) {
    JsonRef array(json_tokener_parse(
        "[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1,\"acto_ptz_preset\":3,\"acto_ptz_patrol\":4,\"acto_ptz_pattern\":5},"
        "{\"acto_ptz_channel\":0,\"acto_ptz_type\":1}]"));
    EXPECT_EQ(set_ptz_params_by_json(30, 1, nullptr), 0);
    EXPECT_EQ(set_ptz_params_by_json(64, 1, array), 0);
    ASSERT_EQ(set_ptz_params_by_json(30, 1, array), 1);
    EXPECT_EQ(text_of(get_ptz_params_json_object(1, 30)),
              "[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1,\"acto_ptz_preset\":3,\"acto_ptz_patrol\":4}]");
    EXPECT_EQ(text_of(get_ptz_params_json_object(2, 30)), "[]");
    PtzLinkList stored{};
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &stored, 1, 30), 0);
    EXPECT_EQ(stored.entry[0].acto_ptz_pattern, 5);

    std::string many = "[";
    for (int i = 0; i < 30; i++) many += std::string(i ? "," : "") + "{\"acto_ptz_channel\":" + std::to_string(i + 1) + "}";
    JsonRef list(json_tokener_parse((many + "]").c_str()));
    ASSERT_EQ(set_ptz_params_by_json(4, kQvdbPeopleCountPtzType, list), 1);
    JsonRef people(reparsed(get_ptz_params_json_object(kQvdbPeopleCountPtzType, 4)));
    EXPECT_EQ(json_object_array_length(people), 16u);  // people counting emits at most 16
    EXPECT_EQ(text_of(get_ptz_params_json_object(1, 4)), "[]");
}

}  // namespace
