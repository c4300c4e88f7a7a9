// Motion-detection routes end to end: nvrweb.cgi, the configuration database and the simulated
// daemon.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/json_util.h"
#include "tests/harness.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class MotionRoutes : public EventRouteTest {
  protected:
    // The motion settings of a channel as "/6010" answers them (owned by the fixture).
    json_object *motion_info(int channel) {
        return post_for_json("/6010", "{\"chnid\":" + std::to_string(channel) + "}");
    }
    int info_int(int channel, const char *key) {
        json_object *info = motion_info(channel);
        return info ? json_object_get_int(json_object_object_get(info, key)) : -12345;
    }

    std::string full_set(int channel, const std::string &extra = "") {
        return "{\"camId\":" + std::to_string(channel) +
               ",\"enable\":1,\"sensitivity\":6,\"triChannels\":\"0101\",\"triAlarms\":3,\"interval\":30,"
               "\"motionTable\":\"ff00ff\",\"enableMS\":1" + extra + "}";
    }
};

Bytes whole_day_bytes(int channel) {
    Bytes b = zeros(1216);
    put32(b, 0, channel);
    for (int day = 0; day < 7; day++) {
        size_t entry = 68 + 136 * day;
        put32(b, entry, day);
        put32(b, entry + 4, 1);
        for (int period = 0; period < 4; period++) put32(b, entry + 8 + 16 * period + 8, 24);
    }
    return b;
}

TEST_F(MotionRoutes, FullSetSendsItsNoticesAndReadsBack) {
    CgiResult result = post_json("/6012", full_set(5));
    EXPECT_EQ(result.output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1403, 3207, 3212, 3209, 3485}));

    EXPECT_EQ(sent(1403)[0].payload, le_words({5}));
    Bytes area = zeros(340);
    put_text(area, 4, "ff00ff");
    put32(area, 304, 6);
    put32(area, 308, 5);
    EXPECT_EQ(sent(3207)[0].payload, area);
    Bytes state = zeros(268);
    put32(state, 0, 5);
    put32(state, 4, 1);
    EXPECT_EQ(sent(3212)[0].payload, state);
    EXPECT_EQ(sent(3209)[0].payload, whole_day_bytes(5));
    Bytes log = sent(3485)[0].payload;
    ASSERT_EQ(log.size(), 672u);
    EXPECT_EQ(payload_i32(log, 0), 4);
    EXPECT_EQ(payload_i64(log, 8), 204);
    EXPECT_EQ(payload_i32(log, 24), 909);
    EXPECT_EQ(payload_i32(log, 32), 6);

    json_object *info = motion_info(5);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(keys_of(info),
              (std::vector<std::string>{"chnid", "enable", "sensitivity", "triChannels", "triAlarms", "interval",
                                        "enableMS", "motionTable", "email_enable", "email_interval",
                                        "email_pic_enable", "tri_channels_pic", "ptz_interval", "alarmout_interval",
                                        "http_notification_interval", "effective", "audible", "email", "ptz",
                                        "triChnAlarms", "white", "whiteInfo", "white_interval", "warningLight",
                                        "warningLightInfo", "warning_light_interval", "httpSche", "httpParams",
                                        "audioId", "audioIdMask", "ptzParams"}));
    struct Expect {
        const char *key;
        int value;
    } numbers[] = {{"chnid", 5}, {"enable", 1}, {"sensitivity", 6}, {"triAlarms", 3}, {"interval", 30},
                   {"enableMS", 1}};
    for (const Expect &e : numbers) EXPECT_EQ(json_object_get_int(json_object_object_get(info, e.key)), e.value) << e.key;
    EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "triChannels")), "0101");
    EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "motionTable")), "ff00ff");
}

TEST_F(MotionRoutes, FullSetWithoutEnableMsSendsNoWholeDay) {
    EXPECT_EQ(post_json("/6012", "{\"camId\":0,\"enable\":0,\"sensitivity\":0,\"triChannels\":\"\",\"triAlarms\":0,"
                                 "\"interval\":0,\"motionTable\":\"\",\"enableMS\":0}").output,
              kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1403, 3207, 3212, 3485}));
    EXPECT_EQ(payload_i32(sent(3212)[0].payload, 4), 0);
}

TEST_F(MotionRoutes, FullSetCutsLongTexts) {
    std::string table(500, 'a');
    std::string channels = std::string(64, '0') + "1";  // a 65th character is not a channel
    channels[1] = channels[3] = '1';
    ASSERT_EQ(post_json("/6012", "{\"camId\":2,\"enable\":1,\"sensitivity\":1,\"triChannels\":\"" + channels +
                                     "\",\"triAlarms\":0,\"interval\":0,\"motionTable\":\"" + table +
                                     "\",\"enableMS\":0}").output,
              kOk);
    Bytes area = sent(3207, 1)[0].payload;
    EXPECT_EQ(payload_text(area, 4, 300), std::string(299, 'a'));
    json_object *info = motion_info(2);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::string(json_object_get_string(json_object_object_get(info, "motionTable"))), std::string(367, 'a'));
    EXPECT_EQ(std::string(json_object_get_string(json_object_object_get(info, "triChannels"))), channels.substr(0, 64));
}

// A full set of channel 4 that differs from the stored one, with one key replaced (or removed
// when the value is empty).
std::string full_set_with(const std::string &key, const std::string &value) {
    const std::pair<std::string, std::string> keys[] = {
        {"camId", "4"},        {"enable", "0"},   {"sensitivity", "9"},    {"triChannels", "\"1\""},
        {"triAlarms", "1"},    {"interval", "2"}, {"motionTable", "\"a\""}, {"enableMS", "0"},
    };
    std::string body = "{";
    for (const auto &k : keys) {
        std::string v = k.first == key ? value : k.second;
        if (v.empty()) continue;
        body += (body.size() > 1 ? "," : "") + ("\"" + k.first + "\":" + v);
    }
    return body + "}";
}

TEST_F(MotionRoutes, FullSetValidationFailuresWriteAndSendNothing) {
    struct Case {
        int line;
        std::string body;
        const char *what;
    } cases[] = {
        {__LINE__, "{", "unparsable"},
        {__LINE__, "[1,2]", "not an object"},
        {__LINE__, full_set_with("camId", ""), "no camId"},
        {__LINE__, full_set_with("camId", "64"), "camId 64"},
        {__LINE__, full_set_with("camId", "-1"), "camId -1"},
        {__LINE__, full_set_with("camId", "\"4; reboot\""), "camId text"},
        {__LINE__, full_set_with("enable", ""), "no enable"},
        {__LINE__, full_set_with("enable", "[]"), "enable array"},
        {__LINE__, full_set_with("sensitivity", ""), "no sensitivity"},
        {__LINE__, full_set_with("sensitivity", "-1"), "negative sensitivity"},
        {__LINE__, full_set_with("triChannels", ""), "no triChannels"},
        {__LINE__, full_set_with("triChannels", "[1]"), "triChannels array"},
        {__LINE__, full_set_with("triAlarms", "-2"), "negative triAlarms"},
        {__LINE__, full_set_with("interval", ""), "no interval"},
        {__LINE__, full_set_with("interval", "-1"), "negative interval"},
        {__LINE__, full_set_with("motionTable", ""), "no motionTable"},
        {__LINE__, full_set_with("motionTable", "{}"), "motionTable object"},
        {__LINE__, full_set_with("enableMS", ""), "no enableMS"},
        {__LINE__, full_set_with("enableMS", "null"), "enableMS null"},
    };
    ASSERT_EQ(post_json("/6012", full_set(4)).output, kOk);
    ASSERT_EQ(post_json("/6012", full_set_with("", "")).output, kOk);  // the base body itself is valid
    ASSERT_EQ(post_json("/6012", full_set(4)).output, kOk);
    forget_requests();
    for (const Case &c : cases) {
        EXPECT_EQ(post_json("/6012", c.body).output, "") << "line " << c.line << " " << c.what;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
    json_object *info = motion_info(4);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "sensitivity")), 6);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "enableMS")), 1);
    EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "motionTable")), "ff00ff");
}

TEST_F(MotionRoutes, FullSetClearsWhatItDoesNotCarry) {
    ASSERT_EQ(post_json("/6117", "{\"chnid\":7,\"email_interval\":40,\"ptz_interval\":5,\"alarmout_interval\":6,"
                                 "\"white_interval\":7,\"warning_light_interval\":8,\"audioId\":2,"
                                 "\"email_pic_enable\":1,\"tri_channels_pic\":\"11\",\"triChnAlarms\":[\"a\",\"b\"]}")
                  .output,
              kOk);
    EXPECT_EQ(info_int(7, "email_interval"), 40);
    ASSERT_EQ(post_json("/6012", full_set(7)).output, kOk);
    json_object *info = motion_info(7);
    ASSERT_NE(info, nullptr);
    for (const char *key : {"email_enable", "email_interval", "email_pic_enable", "ptz_interval", "alarmout_interval",
                            "white_interval", "warning_light_interval", "audioId", "http_notification_interval"})
        EXPECT_EQ(json_object_get_int(json_object_object_get(info, key)), 0) << key;
    EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "tri_channels_pic")), "");
    EXPECT_STREQ(json_object_to_json_string_ext(json_object_object_get(info, "triChnAlarms"), JSON_C_TO_STRING_PLAIN),
                 "[\"\",\"\"]");
}

TEST_F(MotionRoutes, ActionSetChangesOnlyTheKeysGiven) {
    ASSERT_EQ(post_json("/6012", full_set(2)).output, kOk);
    ASSERT_EQ(post_json("/6117", "{\"chnid\":2,\"enable\":0}").output, kOk);
    json_object *info = motion_info(2);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "enable")), 0);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "sensitivity")), 6);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "interval")), 30);
    EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "triChannels")), "0101");

    ASSERT_EQ(post_json("/6117", "{\"chnid\":2,\"triChannels\":\"0010\",\"interval\":9,\"audioId\":3}").output, kOk);
    info = motion_info(2);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "triChannels")), "0010");
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "interval")), 9);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "audioId")), 3);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "enable")), 0);

    // Camera alarm-output texts: only the items given as texts change; long texts are cut.
    ASSERT_EQ(post_json("/6117", "{\"chnid\":2,\"triChnAlarms\":[\"a\",\"b\"]}").output, kOk);
    ASSERT_EQ(post_json("/6117", "{\"chnid\":2,\"triChnAlarms\":[5,\"" + std::string(100, 'c') +
                                     "\"],\"tri_channels_pic\":\"" + std::string(100, '1') + "\"}").output,
              kOk);
    info = motion_info(2);
    ASSERT_NE(info, nullptr);
    json_object *texts = json_object_object_get(info, "triChnAlarms");
    EXPECT_STREQ(json_object_get_string(json_object_array_get_idx(texts, 0)), "a");
    EXPECT_EQ(std::string(json_object_get_string(json_object_array_get_idx(texts, 1))), std::string(64, 'c'));
    EXPECT_EQ(std::string(json_object_get_string(json_object_object_get(info, "tri_channels_pic"))), std::string(64, '1'));

    // Only a schedule: it is stored, the record keeps its values.
    ASSERT_EQ(post_json("/6117", "{\"chnid\":2,\"effective\":" + schedule_request(10) + "}").output, kOk);
    EXPECT_EQ(schedule_start("/6153", 2), "13:00");
    EXPECT_EQ(info_int(2, "interval"), 9);
    EXPECT_EQ(sent(1403, 6).size(), 6u);  // the full set and five action sets
}

TEST_F(MotionRoutes, SettingsQueryRefusesBadChannels) {
    for (const char *body : {"", "{", "{}", "{\"chnid\":64}", "{\"chnid\":-1}", "{\"chnid\":[1]}", "7"})
        EXPECT_EQ(post_json("/6010", body).output, kJsonError) << body;
    json_object *info = motion_info(63);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(json_object_get_int(json_object_object_get(info, "chnid")), 63);
}

TEST_F(MotionRoutes, ActionSetRefusals) {
    struct Case {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, ""}, {__LINE__, "{"}, {__LINE__, "{}"}, {__LINE__, "{\"chnid\":64}"},
        {__LINE__, "{\"chnid\":-1,\"enable\":1}"}, {__LINE__, "{\"chnid\":\"2; rm -rf /\"}"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6117", c.body).output, kJsonError) << "line " << c.line;
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(MotionRoutes, ActionSubSettingsAreStoredAndAnswered) {
    std::string body = "{\"chnid\":3,\"audible\":" + schedule_request(1) + ",\"email\":" + schedule_request(2) +
                       ",\"ptz\":" + schedule_request(3) + ",\"white\":" + schedule_request(4) +
                       ",\"warningLight\":" + schedule_request(5) +
                       ",\"whiteInfo\":[{\"chnid\":4,\"mode\":1,\"time\":10}],"
                       "\"warningLightInfo\":[[6,20]]}";
    ASSERT_EQ(post_json("/6117", body).output, kOk);
    EXPECT_EQ(schedule_start("/6011", 3), "04:00");
    EXPECT_EQ(schedule_start("/6120", 3), "05:00");
    EXPECT_EQ(schedule_start("/6158", 3), "06:00");
    json_object *info = motion_info(3);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(answered_start(json_object_object_get(info, "white")), "07:00");
    EXPECT_EQ(answered_start(json_object_object_get(info, "warningLight")), "08:00");
    EXPECT_STREQ(json_object_to_json_string_ext(json_object_object_get(info, "whiteInfo"), JSON_C_TO_STRING_PLAIN),
                 "[{\"chnid\":4,\"mode\":1,\"time\":10}]");
    EXPECT_STREQ(
        json_object_to_json_string_ext(json_object_object_get(info, "warningLightInfo"), JSON_C_TO_STRING_PLAIN),
        "[{\"chnid\":6,\"time\":20}]");
}

TEST_F(MotionRoutes, ScheduleRoutesRoundTrip) {
    EXPECT_EQ(post_json("/6152", "{\"camId\":9,\"schedule\":" + schedule_request(1) + "}").output, kOk);
    EXPECT_EQ(schedule_start("/6153", 9), "04:00");
    EXPECT_EQ(post_json("/6159", "{\"camId\":9,\"schedule\":" + schedule_request(2) + "}").output, kOk);
    EXPECT_EQ(schedule_start("/6158", 9), "05:00");
    EXPECT_EQ(post_json("/6118", "{\"camId\":9,\"enable\":1,\"interval\":45,\"schedule\":" + schedule_request(3) + "}")
                  .output,
              kOk);
    EXPECT_EQ(schedule_start("/6120", 9), "06:00");
    EXPECT_EQ(info_int(9, "email_enable"), 1);
    EXPECT_EQ(info_int(9, "email_interval"), 45);
    EXPECT_EQ(post_json("/6013", "{\"camId\":9,\"schedule\":" + schedule_request(4) + "}").output, kOk);
    EXPECT_EQ(schedule_start("/6153", 9), "04:00");  // the plain schedule is a table of its own
    std::vector<SimRequest> notices = sent(1403, 4);
    ASSERT_EQ(notices.size(), 4u);
    for (const SimRequest &r : notices) EXPECT_EQ(r.payload, le_words({9}));
    // Another channel keeps its empty schedules.
    EXPECT_EQ(schedule_start("/6153", 8), "");
}

TEST_F(MotionRoutes, PlainChannelRoutesRefuseBadChannels) {
    const char *routes[] = {"/6011", "/6153", "/6120", "/6158"};
    struct Case {
        int line;
        const char *arg;
    } cases[] = {{__LINE__, "64"}, {__LINE__, "-1"}, {__LINE__, "abc"}, {__LINE__, ""},
                 {__LINE__, "3x"}, {__LINE__, "99999999999999999999"}, {__LINE__, "1;ls"}};
    for (const char *route : routes) {
        for (const Case &c : cases) EXPECT_EQ(get(route, c.arg).output, "") << route << " line " << c.line;
        json_object *answer = json_answer(get(route, "63"));
        EXPECT_TRUE(answer) << route;
    }
}

TEST_F(MotionRoutes, ScheduleSetsRefuseBadRequestsAndKeepTheStoredSchedule) {
    ASSERT_EQ(post_json("/6152", "{\"camId\":1,\"schedule\":" + schedule_request(1) + "}").output, kOk);
    ASSERT_EQ(post_json("/6159", "{\"camId\":1,\"schedule\":" + schedule_request(1) + "}").output, kOk);
    ASSERT_EQ(post_json("/6118", "{\"camId\":1,\"enable\":1,\"interval\":5,\"schedule\":" + schedule_request(1) + "}").output, kOk);
    forget_requests();
    struct Case {
        int line;
        std::string route, body, answer;
    } cases[] = {
        {__LINE__, "/6152", "{\"camId\":64,\"schedule\":" + schedule_request(7) + "}", kTextError},
        {__LINE__, "/6152", "{\"camId\":-1,\"schedule\":" + schedule_request(7) + "}", kTextError},
        {__LINE__, "/6152", "{\"camId\":1}", kTextError},
        {__LINE__, "/6152", "{\"camId\":1,\"schedule\":7}", kTextError},
        {__LINE__, "/6152", "{", ""},
        {__LINE__, "/6159", "{\"camId\":64,\"schedule\":" + schedule_request(7) + "}", kTextError},
        {__LINE__, "/6159", "{\"camId\":1,\"schedule\":\"x\"}", kTextError},
        {__LINE__, "/6118", "{\"camId\":64,\"enable\":0,\"interval\":1,\"schedule\":" + schedule_request(7) + "}", kTextError},
        {__LINE__, "/6118", "{\"camId\":1,\"enable\":0,\"interval\":1}", kTextError},
        {__LINE__, "/6013", "{\"camId\":64,\"schedule\":" + schedule_request(7) + "}", ""},
        {__LINE__, "/6013", "{\"camId\":1}", ""},
        {__LINE__, "/6013", "{\"camId\":1,\"schedule\":{}}", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json(c.route, c.body).output, c.answer) << "line " << c.line;
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(schedule_start("/6153", 1), "04:00");
    EXPECT_EQ(schedule_start("/6158", 1), "04:00");
    EXPECT_EQ(schedule_start("/6120", 1), "04:00");
    EXPECT_EQ(info_int(1, "email_enable"), 1);
}

TEST_F(MotionRoutes, OthersRouteChangesTriggersAndLogs) {
    ASSERT_EQ(post_json("/6012", full_set(6)).output, kOk);
    forget_requests();
    EXPECT_EQ(post_json("/6119", "{\"camId\":6,\"type\":1,\"triChannels\":\"0000000001\"}").output, kOk);
    EXPECT_STREQ(json_object_get_string(json_object_object_get(motion_info(6), "triChannels")), "0000000001");
    EXPECT_EQ(post_json("/6119", "{\"camId\":6,\"type\":2,\"triAlarms\":12}").output, kOk);
    EXPECT_EQ(info_int(6, "triAlarms"), 12);
    EXPECT_EQ(post_json("/6119", "{\"camId\":6,\"type\":3,\"triAlarms\":99}").output, kOk);
    EXPECT_EQ(info_int(6, "triAlarms"), 12);
    std::vector<SimRequest> logs = sent(3485, 3);
    ASSERT_EQ(logs.size(), 3u);
    EXPECT_EQ(payload_i32(logs[0].payload, 32), 7);
    for (const char *body : {"{\"camId\":64,\"type\":2,\"triAlarms\":1}", "{\"camId\":-1,\"type\":2,\"triAlarms\":1}",
                             "{\"type\":2,\"triAlarms\":1}"})
        EXPECT_EQ(post_json("/6119", body).output, kTextError) << body;
}

TEST_F(MotionRoutes, UnreadableRecordsAreNeitherRewrittenNorCopied) {
    ASSERT_EQ(post_json("/6012", full_set(3)).output, kOk);
    ASSERT_EQ(post_json("/6152", "{\"camId\":1,\"schedule\":" + schedule_request(2) + "}").output, kOk);
    exec_sql("DELETE FROM records WHERE kind = 'motion' AND id = 1");
    EXPECT_EQ(post_json("/6119", "{\"camId\":1,\"type\":2,\"triAlarms\":1}").output, kTextError);
    EXPECT_EQ(post_json("/6117", "{\"chnid\":1,\"interval\":77}").output, kOk);
    // Copying channel 1 to 3 copies its schedule but never an empty record over channel 3.
    EXPECT_EQ(post_json("/6112", "{\"chnid\":1,\"sensitivity\":9,\"enableMS\":0,\"motionTable\":\"x\","
                                 "\"copyChn\":[3],\"copyCnt\":1}").output,
              kOk);
    EXPECT_EQ(info_int(3, "sensitivity"), 6);
    EXPECT_EQ(info_int(3, "interval"), 30);
    EXPECT_EQ(schedule_start("/6153", 3), "05:00");
    EXPECT_EQ(info_int(1, "interval"), 0);  // still no record for channel 1
}

std::string copy_dialog_body(const std::string &copy) {
    return "{\"chnid\":1,\"dialog\":{\"chnid\":1,\"enable\":1,\"interval\":21,\"http_notification_interval\":33,"
           "\"effective\":" + schedule_request(1) + ",\"httpSche\":" + schedule_request(2) +
           ",\"whiteInfo\":[[2,1,5]],\"httpParams\":{\"url\":\"http://x/%41?a=1\",\"username\":\"u\",\"password\":\"p\"},"
           "\"ptzChnId\":1,\"ptzType\":1,\"ptzParams\":[{\"acto_ptz_channel\":4,\"acto_ptz_type\":1,"
           "\"acto_ptz_preset\":2,\"acto_ptz_patrol\":0,\"acto_ptz_pattern\":0}]},"
           "\"motionTable\":\"abc\",\"sensitivity\":7,\"enableMS\":1,\"enableAI\":1,\"detection\":2," + copy + "}";
}

TEST_F(MotionRoutes, CopyDialogWithTargets) {
    ASSERT_EQ(post_json("/6012", full_set(1)).output, kOk);
    forget_requests();
    CgiResult result = post_json("/6112", copy_dialog_body("\"copyChn\":[3,5,64,-1,\"x\"],\"copyCnt\":5"));
    EXPECT_EQ(result.output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1403, 3509, 3251, 1410, 3212, 3252}));
    EXPECT_EQ(sent(1403)[0].payload, le_words({1}));

    Bytes area = zeros(580);
    put_text(area, 0, "abc");
    put32(area, 300, 7);
    put32(area, 304, 1);
    put32(area, 308, 1);
    put32(area, 312, 3);
    put32(area, 316, 5);
    put32(area, 568, 2);
    put32(area, 572, 1);
    put32(area, 576, 2);
    EXPECT_EQ(sent(3251)[0].payload, area);
    Bytes set = zeros(8);
    uint64_t bits = (1ULL << 3) | (1ULL << 5);
    memcpy(set.data(), &bits, 8);
    EXPECT_EQ(sent(1410)[0].payload, set);
    Bytes state = zeros(268);
    put32(state, 0, 1);
    put32(state, 4, 1);
    put32(state, 8, 3);
    put32(state, 12, 5);
    put32(state, 264, 2);
    EXPECT_EQ(sent(3212)[0].payload, state);
    EXPECT_EQ(sent(3252)[0].payload, whole_day_bytes(0));
    Bytes log = sent(3509)[0].payload;
    ASSERT_EQ(log.size(), 680u);
    EXPECT_EQ(payload_i32(log, 0), 4);
    EXPECT_EQ(payload_i64(log, 8), 204);
    EXPECT_EQ(payload_i32(log, 24), 909);
    EXPECT_EQ(payload_i64(log, 672), static_cast<int64_t>(bits));

    for (int target : {3, 5}) {
        json_object *info = motion_info(target);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(json_object_get_int(json_object_object_get(info, "chnid")), target);
        EXPECT_EQ(json_object_get_int(json_object_object_get(info, "sensitivity")), 7) << target;
        EXPECT_EQ(json_object_get_int(json_object_object_get(info, "interval")), 21) << target;
        EXPECT_EQ(json_object_get_int(json_object_object_get(info, "http_notification_interval")), 33) << target;
        EXPECT_STREQ(json_object_get_string(json_object_object_get(info, "triChannels")), "0101");
        EXPECT_EQ(answered_start(json_object_object_get(info, "effective")), "04:00") << target;
        EXPECT_EQ(answered_start(json_object_object_get(info, "httpSche")), "05:00") << target;
        EXPECT_STREQ(json_object_to_json_string_ext(json_object_object_get(info, "whiteInfo"), JSON_C_TO_STRING_PLAIN),
                     "[{\"chnid\":2,\"mode\":1,\"time\":5}]");
        json_object *http = json_object_object_get(info, "httpParams");
        EXPECT_STREQ(json_object_get_string(json_object_object_get(http, "url")), "http://x/%41?a=1");
        EXPECT_EQ(json_object_array_length(json_object_object_get(info, "ptzParams")), 1u) << target;
    }
    // The source keeps its own sensitivity: the copy is not written back to it.
    EXPECT_EQ(info_int(1, "sensitivity"), 6);
    EXPECT_EQ(info_int(1, "interval"), 21);
    EXPECT_EQ(info_int(4, "sensitivity"), 0);  // not a target
}

TEST_F(MotionRoutes, CopyDialogWithoutTargetsCopiesNothing) {
    ASSERT_EQ(post_json("/6012", full_set(1)).output, kOk);
    forget_requests();
    EXPECT_EQ(post_json("/6112", copy_dialog_body("\"copyChn\":[3,5],\"copyCnt\":0")).output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1403, 3509, 3251, 1410, 3212, 3252}));
    EXPECT_EQ(payload_i32(sent(3251)[0].payload, 568), 0);
    EXPECT_EQ(sent(1410)[0].payload, zeros(8));
    EXPECT_EQ(info_int(3, "sensitivity"), 0);
    EXPECT_EQ(schedule_start("/6153", 3), "");
    EXPECT_EQ(info_int(1, "interval"), 21);  // the dialog itself was saved

    // Refusals: unparsable, bad outer channel. A dialog with a bad channel is skipped.
    forget_requests();
    for (const char *body : {"{", "{\"chnid\":64,\"copyCnt\":0}", "{\"chnid\":-1}", "{\"copyCnt\":0}"})
        EXPECT_EQ(post_json("/6112", body).output, "") << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(post_json("/6112", "{\"chnid\":1,\"dialog\":{\"chnid\":99,\"interval\":5},\"enableMS\":0}").output, kOk);
    EXPECT_EQ(info_int(1, "interval"), 21);
    EXPECT_EQ(sent(1403).size(), 0u);
}

// A dialog's PTZ linkage list is stored only for a PTZ channel 0 to 63 and a type that has lists.
TEST_F(MotionRoutes, CopyDialogStoresLinkageOnlyForItsTypes) {
    struct Case {
        int line;
        const char *linkage;
        int type, channel;
        bool stored;
    } cases[] = {
        {__LINE__, "\"ptzChnId\":2,\"ptzType\":1", 1, 2, true},
        {__LINE__, "\"ptzChnId\":2,\"ptzType\":28", 28, 2, true},  // a camera alarm input
        {__LINE__, "\"ptzChnId\":2,\"ptzType\":3", 3, 2, false},   // no event keeps type 3
        {__LINE__, "\"ptzChnId\":2,\"ptzType\":31", 31, 2, false},
        {__LINE__, "\"ptzChnId\":64,\"ptzType\":1", 1, 0, false},
        {__LINE__, "\"ptzChnId\":-1,\"ptzType\":1", 1, 0, false},
    };
    for (const Case &c : cases) {
        std::string body = std::string("{\"chnid\":1,\"enableMS\":0,\"dialog\":{\"chnid\":1,\"interval\":3,") +
                           c.linkage + ",\"ptzParams\":[{\"acto_ptz_channel\":4,\"acto_ptz_type\":1," +
                           "\"acto_ptz_preset\":2,\"acto_ptz_patrol\":0,\"acto_ptz_pattern\":0}]}}";
        EXPECT_EQ(post_json("/6112", body).output, kOk) << "line " << c.line;
        PtzLinkList list;
        memset(&list, 0, sizeof list);
        read_ptz_params(QVDB_PATH, &list, c.type, c.channel);
        EXPECT_EQ(list.count, c.stored ? 1 : 0) << "line " << c.line;
    }
}

TEST_F(MotionRoutes, MotionMapWithReplyShortReplyAndNoReply) {
    CgiResult answered = post_json("/6098", "{\"id\":4}");
    json_object *map = json_answer(answered);
    ASSERT_NE(map, nullptr) << answered.output;
    EXPECT_EQ(keys_of(map), (std::vector<std::string>{"map", "sensitivity", "result", "enable", "modelType",
                                                      "fishdisplay", "fishtransfer", "fishinstall", "enableAI"}));
    EXPECT_EQ(json_object_get_int(json_object_object_get(map, "enable")), 1);
    EXPECT_GT(strlen(json_object_get_string(json_object_object_get(map, "map"))), 0u);
    EXPECT_EQ(sent(3206)[0].payload, le_words({4}));

    daemon.script(3206, sim_one_reply(Bytes(100, 1)));
    EXPECT_EQ(post_json("/6098", "{\"id\":4}").output, kTextError);
    daemon.script(3206, SimScript());
    EXPECT_EQ(post_json("/6098", "{\"id\":4}").output, kTextError);

    forget_requests();
    for (const char *body : {"{}", "{\"id\":-1}", "{\"id\":64}", "{", "{\"id\":\"a\"}"})
        EXPECT_EQ(post_json("/6098", body).output, "") << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(MotionRoutes, ScheduleAndTriggerSetsCheckTheStoredRecords) {
    ASSERT_EQ(post_json("/6012", full_set(2)).output, kOk);
    forget_requests();
    EXPECT_EQ(post_json("/6113", "{\"camId\":2,\"sensitivity\":4,\"enableMS\":1,\"enable\":0,\"triAlarms\":1,"
                                 "\"interval\":11,\"schedule\":" + schedule_request(1) + "}").output,
              kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1403, 1403, 3212, 3209}));
    EXPECT_EQ(sent(3209)[0].payload, whole_day_bytes(2));
    EXPECT_EQ(info_int(2, "sensitivity"), 4);
    EXPECT_EQ(info_int(2, "interval"), 11);
    EXPECT_EQ(info_int(2, "enable"), 0);

    forget_requests();
    EXPECT_EQ(post_json("/6114", "{\"camId\":2,\"sensitivity\":3,\"triChannels\":\"1\",\"triAlarms\":2,"
                                 "\"interval\":12,\"enableMS\":0}").output,
              kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1403, 3485}));
    EXPECT_EQ(info_int(2, "sensitivity"), 3);
    EXPECT_EQ(info_int(2, "enableMS"), 0);
    EXPECT_EQ(info_int(2, "enable"), 0);  // not a key of this route

    forget_requests();
    for (const char *route : {"/6113", "/6114"}) {
        for (const char *body : {"{\"camId\":64,\"sensitivity\":1}", "{\"camId\":-1,\"sensitivity\":1}", "{"})
            EXPECT_EQ(post_json(route, body).output, "") << route << " " << body;
    }
    EXPECT_EQ(post_json("/6113", "{\"camId\":2,\"sensitivity\":1}").output, "");  // no schedule
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(info_int(2, "sensitivity"), 3);
}

// Eight requests at once, each changing another channel: every change survives.
TEST_F(MotionRoutes, ConcurrentActionSetsKeepEveryUpdate) {
    ASSERT_EQ(post_json("/6010", "{\"chnid\":0}").headers, "Content-type: application/json\r\n\r\n");
    std::vector<std::thread> workers;
    std::vector<std::string> outputs(8);
    for (int channel = 0; channel < 8; channel++) {
        workers.emplace_back([this, channel, &outputs] {
            outputs[channel] = post_json("/6117", "{\"chnid\":" + std::to_string(channel) + ",\"interval\":" +
                                                      std::to_string(100 + channel) + ",\"ptz\":" +
                                                      schedule_request(channel) + "}")
                                   .output;
        });
    }
    for (std::thread &t : workers) t.join();
    for (int channel = 0; channel < 8; channel++) {
        EXPECT_EQ(outputs[channel], kOk) << channel;
        EXPECT_EQ(info_int(channel, "interval"), 100 + channel) << channel;
        char start[16];
        snprintf(start, sizeof start, "%02d:00", channel + 3);
        EXPECT_EQ(schedule_start("/6158", channel), start) << channel;
    }
}

}  // namespace
