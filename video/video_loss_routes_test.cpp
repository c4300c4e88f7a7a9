// Video-loss and exception routes end to end: nvrweb.cgi, the configuration database and the
// simulated daemon.
#include <gtest/gtest.h>
#include <json-c/json.h>

#include <iterator>
#include <string>
#include <vector>

#include "core/qvdb_video_loss.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class VideoLossRoutes : public EventRouteTest {
  protected:
    // The stored record of a channel, read through the library ("enable" -12345 when unreadable).
    VideoLostRecord stored(int channel) {
        VideoLostRecord record;
        memset(&record, 0, sizeof record);
        if (read_video_lost(QVDB_PATH, &record, channel) != 0) record.enable = -12345;
        return record;
    }
    json_object *info(int channel) { return post_for_json("/6094", "{\"chnid\":" + std::to_string(channel) + "}"); }
    std::string plain_schedule_start(int channel) {
        WeeklySchedule schedule;
        memset(&schedule, 0, sizeof schedule);
        read_video_loss_schedule(QVDB_PATH, &schedule, channel);
        return schedule.day[3].period[11].startTime;
    }
};

TEST_F(VideoLossRoutes, SettingsSetStoresAlarmsAndIntervalAndLogs) {
    EXPECT_EQ(post_json("/6016", "{\"camId\":5,\"enable\":1,\"triAlarms\":3,\"interval\":30}").output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1402, 3485}));
    EXPECT_EQ(sent(1402)[0].payload, le_words({5}));
    Bytes log = sent(3485)[0].payload;
    ASSERT_EQ(log.size(), 672u);
    EXPECT_EQ(payload_i32(log, 0), 4);
    EXPECT_EQ(payload_i64(log, 8), 204);
    EXPECT_EQ(payload_i32(log, 24), 908);
    EXPECT_EQ(payload_i32(log, 32), 6);

    json_object *answer = json_answer(get("/6014", "5"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"camId", "enable", "triAlarms", "interval"}));
    EXPECT_EQ(int_at(answer, "camId"), 5);
    EXPECT_EQ(int_at(answer, "enable"), 0);  // checked, not stored
    EXPECT_EQ(int_at(answer, "triAlarms"), 3);
    EXPECT_EQ(int_at(answer, "interval"), 30);

    // The schedule route stores the plain schedule and action on when it is 0 to 2.
    forget_requests();
    EXPECT_EQ(post_json("/6017", "{\"camId\":5,\"enable\":2,\"schedule\":" + schedule_request(1) + "}").output, kOk);
    EXPECT_EQ(plain_schedule_start(5), "04:00");
    EXPECT_EQ(stored(5).enable, 2);
    EXPECT_EQ(post_json("/6017", "{\"camId\":5,\"enable\":3,\"schedule\":" + schedule_request(2) + "}").output, kOk);
    EXPECT_EQ(plain_schedule_start(5), "05:00");
    EXPECT_EQ(stored(5).enable, 2);
    EXPECT_EQ(stored(5).interval, 30);
    EXPECT_EQ(request_codes(), (std::vector<int>{1402, 1402}));
}

// A valid settings set of channel 4 with one key replaced (or removed when the value is empty).
std::string settings_with(const std::string &key, const std::string &value) {
    const std::pair<std::string, std::string> keys[] = {
        {"camId", "4"}, {"enable", "1"}, {"triAlarms", "1"}, {"interval", "2"}};
    std::string body = "{";
    for (const auto &k : keys) {
        std::string v = k.first == key ? value : k.second;
        if (!v.empty()) body += (body.size() > 1 ? "," : "") + ("\"" + k.first + "\":" + v);
    }
    return body + "}";
}

TEST_F(VideoLossRoutes, SetRefusalsAnswerAndSendNothing) {
    ASSERT_EQ(post_json("/6016", settings_with("", "")).output, kOk);
    forget_requests();
    struct Case {
        int line;
        std::string route, body;
    } cases[] = {
        {__LINE__, "/6016", "{"},
        {__LINE__, "/6016", settings_with("camId", "")},
        {__LINE__, "/6016", settings_with("camId", "64")},
        {__LINE__, "/6016", settings_with("camId", "-1")},
        {__LINE__, "/6016", settings_with("enable", "3")},
        {__LINE__, "/6016", settings_with("enable", "-1")},
        {__LINE__, "/6016", settings_with("enable", "")},
        {__LINE__, "/6016", settings_with("triAlarms", "-1")},
        {__LINE__, "/6016", settings_with("triAlarms", "\"1; reboot\"")},
        {__LINE__, "/6016", settings_with("interval", "-5")},
        {__LINE__, "/6016", settings_with("interval", "")},
        {__LINE__, "/6017", "{\"camId\":64,\"enable\":1,\"schedule\":" + schedule_request(1) + "}"},
        {__LINE__, "/6017", "{\"camId\":-1,\"enable\":1,\"schedule\":" + schedule_request(1) + "}"},
        {__LINE__, "/6017", "{\"camId\":4,\"enable\":1}"},
        {__LINE__, "/6017", "{\"camId\":4,\"enable\":1,\"schedule\":\"x\"}"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json(c.route, c.body).output, "") << "line " << c.line;
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(stored(4).triAlarms, 1);
    EXPECT_EQ(stored(4).interval, 2);
    EXPECT_EQ(stored(4).enable, 0);
    EXPECT_EQ(plain_schedule_start(4), "");

    for (const char *route : {"/6014", "/6015", "/6124", "/6166"}) {
        for (const char *arg : {"64", "-1", "abc", "", "3x", "99999999999999999999", "1;ls"})
            EXPECT_EQ(get(route, arg).output, "") << route << " " << arg;
        EXPECT_NE(json_answer(get(route, "63")), nullptr) << route;
    }
    for (const char *body : {"", "{", "{}", "{\"chnid\":64}", "{\"chnid\":-1}", "{\"chnid\":\"a\"}"}) {
        EXPECT_EQ(post_json("/6094", body).output, kJsonError) << body;
        EXPECT_EQ(post_json("/6095", body).output, kJsonError) << body;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

// A dialog carrying every sub-setting and record key.
std::string full_dialog(int channel) {
    return "{\"audible\":" + schedule_request(1) + ",\"email\":" + schedule_request(2) + ",\"ptz\":" +
           schedule_request(3) + ",\"white\":" + schedule_request(4) + ",\"warningLight\":" + schedule_request(5) +
           ",\"httpSche\":" + schedule_request(6) +
           ",\"whiteInfo\":[[7,1,10]],\"warningLightInfo\":[{\"chnid\":8,\"time\":20}],"
           "\"httpParams\":{\"url\":\"http://h/%41\",\"username\":\"u\",\"password\":\"p\"},"
           "\"triChnAlarms\":[\"a1\",\"a2\"],\"enable\":1,\"triAlarms\":6,\"interval\":11,\"audioId\":3,"
           "\"email_interval\":12,\"ptz_interval\":13,\"alarmout_interval\":14,\"white_interval\":15,"
           "\"warning_light_interval\":16,\"http_notification_interval\":17,"
           "\"ptzChnId\":" + std::to_string(channel) + ",\"ptzType\":2,"
           "\"ptzParams\":[{\"acto_ptz_channel\":9,\"acto_ptz_type\":1,"
           "\"acto_ptz_preset\":4,\"acto_ptz_patrol\":0,\"acto_ptz_pattern\":0}]}";
}

TEST_F(VideoLossRoutes, DialogStoresEverySubSettingAndTheQueryAnswersIt) {
    EXPECT_EQ(post_json("/6095", "{\"chnid\":2,\"dialog\":" + full_dialog(2) + "}").output, kOk);
    EXPECT_EQ(request_codes(), std::vector<int>{1414});
    EXPECT_EQ(sent(1414)[0].payload, set_bytes(1ULL << 2));

    json_object *answer = info(2);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer),
              (std::vector<std::string>{"chnid", "enable", "triAlarms", "interval", "email_interval", "ptz_interval",
                                        "alarmout_interval", "white_interval", "http_notification_interval", "audible",
                                        "email", "ptz", "triChnAlarms", "white", "whiteInfo", "warningLight",
                                        "warningLightInfo", "warning_light_interval", "httpSche", "httpParams",
                                        "audioId", "audioIdMask", "ptzParams"}));
    struct Expect {
        const char *key;
        int value;
    } numbers[] = {{"chnid", 2},          {"enable", 2},           {"triAlarms", 6},          {"interval", 11},
                   {"email_interval", 12}, {"ptz_interval", 13},   {"alarmout_interval", 14}, {"white_interval", 15},
                   {"warning_light_interval", 16}, {"http_notification_interval", 17}, {"audioId", 3}};
    for (const Expect &e : numbers) EXPECT_EQ(int_at(answer, e.key), e.value) << e.key;
    const char *schedules[][2] = {{"audible", "04:00"}, {"email", "05:00"}, {"ptz", "06:00"},
                                  {"white", "07:00"},   {"warningLight", "08:00"}, {"httpSche", "09:00"}};
    for (auto &s : schedules) EXPECT_EQ(answered_start(json_object_object_get(answer, s[0])), s[1]) << s[0];
    EXPECT_EQ(plain(json_object_object_get(answer, "triChnAlarms")), "[\"a1\",\"a2\"]");
    EXPECT_EQ(plain(json_object_object_get(answer, "whiteInfo")), "[{\"chnid\":7,\"mode\":1,\"time\":10}]");
    EXPECT_EQ(plain(json_object_object_get(answer, "warningLightInfo")), "[{\"chnid\":8,\"time\":20}]");
    EXPECT_EQ(text_at(json_object_object_get(answer, "httpParams"), "url"), "http://h/%41");
    EXPECT_EQ(plain(json_object_object_get(answer, "ptzParams")),
              "[{\"acto_ptz_channel\":9,\"acto_ptz_type\":1,\"acto_ptz_preset\":4,\"acto_ptz_patrol\":0}]");
    EXPECT_EQ(stored(2).email_enable, 2);  // the dialog turns e-mail on as well
    EXPECT_EQ(schedule_start("/6015", 2), "04:00");
    EXPECT_EQ(schedule_start("/6124", 2), "05:00");
    EXPECT_EQ(schedule_start("/6166", 2), "06:00");
}

TEST_F(VideoLossRoutes, DialogWritesTheRecordOnlyForRecordKeysOrAStoredLinkage) {
    ASSERT_EQ(post_json("/6016", "{\"camId\":1,\"enable\":0,\"triAlarms\":2,\"interval\":9}").output, kOk);
    struct Case {
        int line;
        std::string dialog;
        int enable;  // stored action on afterwards
    } cases[] = {
        {__LINE__, "{\"audible\":" + schedule_request(1) + "}", 0},
        {__LINE__, "{\"ptzChnId\":1,\"ptzType\":3,\"ptzParams\":[{\"acto_ptz_channel\":5}]}", 0},
        {__LINE__, "{\"ptzChnId\":64,\"ptzType\":2,\"ptzParams\":[{\"acto_ptz_channel\":5}]}", 0},
        {__LINE__, "{\"ptzChnId\":1,\"ptzType\":27,\"ptzParams\":[{\"acto_ptz_channel\":5}]}", 0},
        {__LINE__, "{\"ptzChnId\":1,\"ptzType\":2,\"ptzParams\":[{\"acto_ptz_channel\":5}]}", 2},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(post_json("/6095", "{\"chnid\":1,\"dialog\":" + c.dialog + "}").output, kOk) << "line " << c.line;
        EXPECT_EQ(stored(1).enable, c.enable) << "line " << c.line;
        EXPECT_EQ(stored(1).interval, 9) << "line " << c.line;
    }
    EXPECT_EQ(schedule_start("/6015", 1), "04:00");
    // Only the valid linkage was stored, under type 2 for channel 1.
    EXPECT_EQ(plain(json_object_object_get(info(1), "ptzParams")),
              "[{\"acto_ptz_channel\":5,\"acto_ptz_type\":0,\"acto_ptz_preset\":0,\"acto_ptz_patrol\":0}]");
}

TEST_F(VideoLossRoutes, CopySkipsTheSourceAndBadItems) {
    ASSERT_EQ(post_json("/6095", "{\"chnid\":3,\"dialog\":" + full_dialog(3) + "}").output, kOk);
    forget_requests();
    EXPECT_EQ(post_json("/6095", "{\"chnid\":3,\"copyChn\":[3,3,5,64,-1,null,\"6\",7.0,8],\"copyCnt\":8}").output,
              kOk);
    EXPECT_EQ(sent(1414, 1)[0].payload, set_bytes((1ULL << 3) | (1ULL << 5)));
    json_object *copy = info(5);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(int_at(copy, "chnid"), 5);
    EXPECT_EQ(int_at(copy, "interval"), 11);
    EXPECT_EQ(answered_start(json_object_object_get(copy, "httpSche")), "09:00");
    EXPECT_EQ(plain(json_object_object_get(copy, "warningLightInfo")), "[{\"chnid\":8,\"time\":20}]");
    EXPECT_EQ(json_object_array_length(json_object_object_get(copy, "ptzParams")), 1u);
    EXPECT_EQ(stored(5).channel, 5);
    EXPECT_EQ(stored(8).interval, 0);  // item 8 lies past copyCnt
    EXPECT_EQ(stored(6).interval, 0);

    forget_requests();
    for (const char *copy_keys : {"\"copyChn\":[5],\"copyCnt\":-1", "\"copyChn\":\"5\",\"copyCnt\":1",
                                  "\"copyChn\":{\"0\":5},\"copyCnt\":1", "\"copyChn\":[5]"}) {
        EXPECT_EQ(post_json("/6095", std::string("{\"chnid\":4,") + copy_keys + "}").output, kOk) << copy_keys;
    }
    for (const SimRequest &r : sent(1414, 4)) EXPECT_EQ(r.payload, set_bytes(1ULL << 4));
    EXPECT_EQ(stored(5).interval, 11);
}

TEST_F(VideoLossRoutes, UnreadableRecordsAreNeverWrittenOrCopied) {
    ASSERT_EQ(post_json("/6016", "{\"camId\":4,\"enable\":1,\"triAlarms\":1,\"interval\":44}").output, kOk);
    exec_sql("DELETE FROM records WHERE kind = 'video_loss' AND id = 1");
    forget_requests();
    EXPECT_EQ(post_json("/6016", "{\"camId\":1,\"enable\":1,\"triAlarms\":1,\"interval\":2}").output, "");
    EXPECT_EQ(post_json("/6017", "{\"camId\":1,\"enable\":1,\"schedule\":" + schedule_request(1) + "}").output, "");
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(plain_schedule_start(1), "");
    // The dialog still stores its sub-settings; copying channel 1 copies them but no record.
    EXPECT_EQ(post_json("/6095", "{\"chnid\":1,\"dialog\":{\"interval\":5,\"audible\":" + schedule_request(2) +
                                     "}," "\"copyChn\":[4],\"copyCnt\":1}").output,
              kOk);
    EXPECT_EQ(stored(1).enable, -12345);
    EXPECT_EQ(stored(4).interval, 44);
    EXPECT_EQ(schedule_start("/6015", 4), "05:00");
    // The list routes leave the missing record alone and change the others.
    EXPECT_EQ(post_json("/6121", "{\"cnt\":2,\"chnid\":[1,4],\"interval\":8,\"schedule\":" + schedule_request(3) + "}")
                  .output,
              kOk);
    EXPECT_EQ(stored(1).enable, -12345);
    EXPECT_EQ(stored(4).interval, 8);
    EXPECT_EQ(schedule_start("/6015", 1), "06:00");
}

TEST_F(VideoLossRoutes, AudibleListListsEqualChannelsAndSkipsBadItems) {
    ASSERT_EQ(post_json("/6121", "{\"cnt\":1,\"chnid\":[1],\"enable\":1,\"interval\":5,\"schedule\":" +
                                     schedule_request(1) + "}").output,
              kOk);
    forget_requests();
    // Channel 1 already holds the values: it still gets the schedule; 70 is not a channel.
    EXPECT_EQ(post_json("/6121", "{\"cnt\":2,\"chnid\":[1,70],\"enable\":1,\"interval\":5,\"schedule\":" +
                                     schedule_request(2) + "}").output,
              kOk);
    EXPECT_EQ(sent(1414, 1)[0].payload, set_bytes(1ULL << 1));
    EXPECT_EQ(schedule_start("/6015", 1), "05:00");
    EXPECT_EQ(stored(1).enable, 1);
    EXPECT_EQ(stored(1).interval, 5);

    struct Case {
        int line;
        std::string lists;
        uint64_t listed;
        const char *what;
    } cases[] = {
        {__LINE__, "\"cnt\":-1,\"chnid\":[2]", 0, "negative count"},
        {__LINE__, "\"chnid\":[2]", 0, "no count"},
        {__LINE__, "\"cnt\":\"x\",\"chnid\":[2]", 0, "count not a number"},
        {__LINE__, "\"cnt\":1,\"chnid\":\"2\"", 0, "list not an array"},
        {__LINE__, "\"cnt\":1,\"chnid\":{\"a\":2}", 0, "list an object"},
        {__LINE__, "\"cnt\":6,\"chnid\":[null,\"3\",2.0,64,-1,true,4]", 0, "bad items, the good one past cnt"},
        {__LINE__, "\"cnt\":7,\"chnid\":[null,\"3\",2.0,64,-1,true,4]", 1ULL << 4, "one good item"},
        {__LINE__, "\"cnt\":100,\"chnid\":[6]", 1ULL << 6, "count above the length"},
    };
    for (const Case &c : cases) {
        forget_requests();
        EXPECT_EQ(post_json("/6121", "{" + c.lists + ",\"enable\":2,\"interval\":33,\"schedule\":" + schedule_request(9) +
                                         "}").output,
                  kOk)
            << "line " << c.line;
        std::vector<SimRequest> notices = sent(1414, 1);
        ASSERT_EQ(notices.size(), 1u) << "line " << c.line;
        EXPECT_EQ(notices[0].payload, set_bytes(c.listed)) << "line " << c.line << " " << c.what;
    }
    // Channel 0 was never listed: nothing was read as channel 0.
    EXPECT_EQ(stored(0).interval, 0);
    EXPECT_EQ(schedule_start("/6015", 0), "");
    EXPECT_EQ(stored(4).interval, 33);
    EXPECT_EQ(schedule_start("/6015", 6), "12:00");
    EXPECT_EQ(post_json("/6121", "{\"cnt\":1,\"chnid\":[2],\"enable\":1}").output, "");  // no schedule
}

TEST_F(VideoLossRoutes, EmailListChangesOnlyTheKeysGiven) {
    EXPECT_EQ(post_json("/6122", "{\"cnt\":2,\"chnid\":[2,3],\"enable\":1,\"interval\":45,\"schedule\":" +
                                     schedule_request(2) + "}").output,
              kOk);
    EXPECT_EQ(sent(1414, 1)[0].payload, set_bytes((1ULL << 2) | (1ULL << 3)));
    EXPECT_EQ(post_json("/6122", "{\"cnt\":1,\"chnid\":[3],\"enable\":0,\"schedule\":" + schedule_request(3) + "}").output,
              kOk);
    EXPECT_EQ(stored(2).email_enable, 1);
    EXPECT_EQ(stored(2).email_interval, 45);
    EXPECT_EQ(stored(3).email_enable, 0);
    EXPECT_EQ(stored(3).email_interval, 45);  // no "interval": kept
    EXPECT_EQ(stored(3).enable, 0);           // the action fields are another route's
    EXPECT_EQ(schedule_start("/6124", 2), "05:00");
    EXPECT_EQ(schedule_start("/6124", 3), "06:00");
    EXPECT_EQ(schedule_start("/6015", 3), "");
}

TEST_F(VideoLossRoutes, AlarmOutputListSendsTheChangedChannelsAndLogsTheListed) {
    EXPECT_EQ(post_json("/6123", "{\"cnt\":3,\"chnid\":[1,2,\"x\"],\"triAlarms\":7}").output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1414, 3509}));
    uint64_t listed = (1ULL << 1) | (1ULL << 2);
    EXPECT_EQ(sent(1414)[0].payload, set_bytes(listed));
    Bytes log = sent(3509)[0].payload;
    ASSERT_EQ(log.size(), 680u);
    EXPECT_EQ(payload_i64(log, 8), 204);
    EXPECT_EQ(payload_i32(log, 24), 909);
    EXPECT_EQ(payload_i64(log, 672), static_cast<int64_t>(listed));
    EXPECT_EQ(stored(1).triAlarms, 7);
    EXPECT_EQ(stored(2).triAlarms, 7);
    EXPECT_EQ(stored(0).triAlarms, 0);

    forget_requests();
    EXPECT_EQ(post_json("/6123", "{\"cnt\":3,\"chnid\":[1,2,3],\"triAlarms\":7}").output, kOk);
    EXPECT_EQ(sent(1414, 1)[0].payload, set_bytes(1ULL << 3));
    forget_requests();
    EXPECT_EQ(post_json("/6123", "{\"cnt\":2,\"chnid\":[1,2],\"triAlarms\":7}").output, kOk);
    EXPECT_EQ(sent(1414, 1)[0].payload, set_bytes(0));  // nothing changed
    EXPECT_EQ(payload_i64(sent(3509, 1)[0].payload, 672), static_cast<int64_t>(listed));
    forget_requests();
    EXPECT_EQ(post_json("/6123", "{\"cnt\":2,\"chnid\":[1,2],\"triAlarms\":\"7 OR 1=1\"}").output, kOk);
    EXPECT_EQ(sent(1414, 1)[0].payload, set_bytes(0));
    EXPECT_EQ(stored(1).triAlarms, 7);
}

TEST_F(VideoLossRoutes, PtzListGivesTheSourceLinkageAndScheduleToTheListed) {
    ASSERT_EQ(post_json("/6095", "{\"chnid\":0,\"dialog\":{\"ptzChnId\":0,\"ptzType\":2,\"ptzParams\":["
                                 "{\"acto_ptz_channel\":4,\"acto_ptz_type\":1,\"acto_ptz_preset\":2}]}}").output,
              kOk);
    forget_requests();
    std::string items = "[0,6";
    for (int i = 2; i < 70; i++) items += i == 65 ? ",7" : ",99";
    items += "]";
    EXPECT_EQ(post_json("/6165", "{\"camId\":0,\"cnt\":70,\"chnid\":" + items + ",\"schedule\":" +
                                     schedule_request(1) + "}").output,
              kOk);
    EXPECT_EQ(request_codes(), std::vector<int>{1414});
    EXPECT_EQ(sent(1414)[0].payload, set_bytes((1ULL << 0) | (1ULL << 6)));  // item 65 lies past the 64th
    EXPECT_EQ(schedule_start("/6166", 6), "04:00");
    EXPECT_EQ(schedule_start("/6166", 0), "04:00");
    EXPECT_EQ(schedule_start("/6166", 7), "");
    EXPECT_EQ(plain(json_object_object_get(info(6), "ptzParams")),
              "[{\"acto_ptz_channel\":4,\"acto_ptz_type\":1,\"acto_ptz_preset\":2,\"acto_ptz_patrol\":0}]");
    EXPECT_EQ(json_object_array_length(json_object_object_get(info(7), "ptzParams")), 0u);

    forget_requests();
    struct Case {
        int line;
        std::string body, answer;
    } cases[] = {
        {__LINE__, "{\"camId\":-1,\"cnt\":1,\"chnid\":[7],\"schedule\":" + schedule_request(2) + "}", kTextError},
        {__LINE__, "{\"camId\":64,\"cnt\":1,\"chnid\":[7],\"schedule\":" + schedule_request(2) + "}", kTextError},
        {__LINE__, "{\"cnt\":1,\"chnid\":[7],\"schedule\":" + schedule_request(2) + "}", kTextError},
        {__LINE__, "{\"camId\":0,\"cnt\":1,\"chnid\":[7]}", kTextError},
        {__LINE__, "{", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6165", c.body).output, c.answer) << "line " << c.line;
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(schedule_start("/6166", 7), "");
}

// ---- exceptions ----------------------------------------------------------------------------

const char *const kExceptionKinds[] = {
    "diskFull",      "diskError",    "noDisk",        "networkDisconnected", "ipConflict",
    "illegalAccess", "recordFailed", "diskUnformatted", "raidDegraded",      "raidFailed",
    "fanFailure",    "highTemperature", "poeOverload", "cameraOffline",
};

TEST_F(VideoLossRoutes, ExceptionsRoundTripWithTheirTargets) {
    json_object *factory = json_answer(get("/6999"));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(keys_of(factory), (std::vector<std::string>{"httpParams", "exception", "recordFailedMailInterval"}));
    EXPECT_EQ(keys_of(json_object_object_get(factory, "httpParams")),
              std::vector<std::string>(std::begin(kExceptionKinds), std::end(kExceptionKinds)));
    EXPECT_EQ(plain(json_object_object_get(factory, "exception")), "[0,0,0,0,0,0,0,0,0,0,0,0]");

    std::string long_url(600, 'u'), long_user(120, 'n'), long_password(90, 'p');
    CgiResult result = post_json(
        "/6998", "{\"exception\":[1,2,3,4,5,6,7,8,9,10,11,12,13,14],\"recordFailedMailInterval\":30,"
                 "\"httpParams\":{\"diskFull\":{\"url\":\"http://a/?x=1&y=%20\",\"username\":\"u\",\"password\":\"p\"},"
                 "\"cameraOffline\":{\"url\":\"" + long_url + "\",\"username\":\"" + long_user +
                 "\",\"password\":\"" + long_password + "\"}}}");
    EXPECT_EQ(result.output, std::string(kJsonHeader) + "{\"status\":\"CGI SUCCESS\"}");
    EXPECT_EQ(request_codes(), (std::vector<int>{2104, 3394}));
    EXPECT_EQ(sent(2104)[0].payload.size(), 0u);

    json_object *answer = json_answer(get("/6999"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(plain(json_object_object_get(answer, "exception")), "[1,2,3,4,5,6,7,8,9,10,11,12]");
    EXPECT_EQ(int_at(answer, "recordFailedMailInterval"), 30);
    json_object *targets = json_object_object_get(answer, "httpParams");
    EXPECT_EQ(plain(json_object_object_get(targets, "diskFull")),
              "{\"url\":\"http:\\/\\/a\\/?x=1&y=%20\",\"username\":\"u\",\"password\":\"p\"}");
    json_object *offline = json_object_object_get(targets, "cameraOffline");
    EXPECT_EQ(text_at(offline, "url"), long_url.substr(0, 512));
    EXPECT_EQ(text_at(offline, "username"), long_user.substr(0, 96));
    EXPECT_EQ(text_at(offline, "password"), long_password.substr(0, 64));
    EXPECT_EQ(text_at(json_object_object_get(targets, "noDisk"), "url"), "");

    // A kind left out keeps its target; one whose value is not an object too.
    forget_requests();
    EXPECT_EQ(post_json("/6998", "{\"exception\":[0,0,0,0,0,0,0,0],\"httpParams\":{\"noDisk\":{\"url\":\"n\"},"
                                 "\"diskFull\":\"x\"}}").headers,
              kJsonHeader);
    EXPECT_EQ(request_codes(), (std::vector<int>{2104, 3394}));
    targets = json_object_object_get(json_answer(get("/6999")), "httpParams");
    EXPECT_EQ(text_at(json_object_object_get(targets, "diskFull"), "url"), "http://a/?x=1&y=%20");
    EXPECT_EQ(text_at(json_object_object_get(targets, "noDisk"), "url"), "n");
}

TEST_F(VideoLossRoutes, ExceptionSetRefusalsAndShortLists) {
    ASSERT_EQ(post_json("/6998", "{\"exception\":[9,9,9,9,9,9,9,9,9,9,9,9],\"recordFailedMailInterval\":5,"
                                 "\"httpParams\":{\"noDisk\":{\"url\":\"keep\"}}}").headers,
              kJsonHeader);
    forget_requests();
    for (const char *body : {"{", "{}", "{\"exception\":[1,2,3,4,5,6,7]}", "{\"exception\":\"12345678\"}",
                             "{\"exception\":{\"0\":1}}"})
        EXPECT_EQ(post_json("/6998", body).output, "") << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});

    // Eight items: the other four are 0, a non-number reads 0; a string "httpParams" is absent.
    EXPECT_EQ(post_json("/6998", "{\"exception\":[1,2,\"3\",4,null,6,7,8],\"httpParams\":\"x\"}").headers, kJsonHeader);
    EXPECT_EQ(request_codes(), std::vector<int>{2104});
    json_object *answer = json_answer(get("/6999"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(plain(json_object_object_get(answer, "exception")), "[1,2,0,4,0,6,7,8,0,0,0,0]");
    EXPECT_EQ(int_at(answer, "recordFailedMailInterval"), 0);
    EXPECT_EQ(text_at(json_object_object_get(json_object_object_get(answer, "httpParams"), "noDisk"), "url"), "keep");
}

}  // namespace
