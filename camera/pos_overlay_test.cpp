// Point-of-sale routes end to end, and hostile texts in camera names and terminal settings.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <string>
#include <vector>

#include "camera/camera_test_support.h"
#include "core/qvdb_camera_events.h"

namespace {

const char kResZero[] = "Content-type: application/json\r\n\r\n{ \"res\": 0 }";

const char kTerminal[] =
    "{\"id\":3,\"enable\":1,\"name\":\"Till 3\",\"protocol\":2,\"connectionMode\":1,\"ip\":\"10.0.0.3\","
    "\"liveviewDisplay\":1,\"displayChannel\":5,\"startX\":10,\"startY\":20,\"areaWidth\":300,\"areaHeight\":200,"
    "\"characterEncodeing\":1,\"fontSize\":2,\"fontColor\":255,\"overlayMode\":1,\"displayTime\":5,\"timeout\":30,"
    "\"privacy1\":\"card\",\"privacy2\":\"pin\",\"privacy3\":\"\",\"port\":9000,\"clearTime\":10,\"nvrPort\":9100}";

// One period on day 1, ["HH:00", "HH:59", 1].
std::string schedule_at(int hour) {
    char text[64];
    snprintf(text, sizeof text, "[[],[[\"%02d:00\",\"%02d:59\",1]]]", hour, hour);
    return text;
}

std::string start_of(json_object *actions, const char *key) {
    json_object *day = json_object_array_get_idx(json_object_object_get(actions, key), 1);
    json_object *period = day ? json_object_array_get_idx(day, 0) : nullptr;
    return period ? json_text(period, "startTime") : "<none>";
}

using PosOverlay = CameraTest;

TEST_F(PosOverlay, SettingsWithoutActionsRoundTrip) {
    std::string body = json_with(kTerminal, "name", "\"" + std::string(40, 'n') + "\"");
    EXPECT_EQ(post_json("/2074", body).output, kResZero);
    EXPECT_EQ(only(1421), le_words({3}));

    json_object *info = post_answer("/2073", "{\"id\":3}");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(answer_keys(info), (std::vector<std::string>{"pos", "action"}));
    ASSERT_EQ(length_at(info, "pos"), 8u);
    json_object *terminal = item_at(info, "pos", 3);
    EXPECT_EQ(answer_keys(terminal),
              (std::vector<std::string>{"id", "enable", "name", "protocol", "connectionMode", "ip", "liveviewDisplay",
                                        "displayChannel", "startX", "startY", "areaWidth", "areaHeight",
                                        "characterEncodeing", "fontSize", "fontColor", "overlayMode", "displayTime",
                                        "timeout", "privacy1", "privacy2", "privacy3", "port", "nvrPort",
                                        "clearTime"}));
    EXPECT_EQ(json_text(terminal, "name"), std::string(32, 'n'));
    EXPECT_EQ(json_int(terminal, "id"), 3);
    EXPECT_EQ(json_int(terminal, "fontColor"), 255);
    EXPECT_EQ(json_int(terminal, "nvrPort"), 9100);
    EXPECT_EQ(json_text(terminal, "privacy2"), "pin");
    EXPECT_EQ(json_int(item_at(info, "pos", 7), "id"), 7);
    EXPECT_EQ(json_int(item_at(info, "pos", 7), "enable"), 0);

    // Every key is replaced: a missing number stores 0. A non-object "action" is no action.
    EXPECT_EQ(post_json("/2074", json_with(json_with(kTerminal, "port", ""), "action", "[1]")).output, kResZero);
    EXPECT_EQ(json_int(item_at(post_answer("/2073", "{\"id\":0}"), "pos", 3), "port"), 0);
    CameraAlarmInEventRecord untouched;
    memset(&untouched, 0, sizeof untouched);
    ASSERT_EQ(read_pos_event(QVDB_PATH, &untouched, 3), 0);
    EXPECT_EQ(untouched.interval, 0);
}

TEST_F(PosOverlay, ActionsRoundTrip) {
    std::string action = "{\"effective\":" + schedule_at(1) + ",\"audible\":" + schedule_at(2) +
                         ",\"email\":" + schedule_at(3) + ",\"ptz\":" + schedule_at(4) + ",\"white\":" +
                         schedule_at(5) + ",\"httpSche\":" + schedule_at(6) +
                         ",\"interval\":11,\"audioId\":3,\"email_interval\":12,\"email_pic_enable\":1,"
                         "\"tri_channels_pic\":\"01\",\"ptz_interval\":13,\"white_interval\":14,"
                         "\"http_notification_interval\":15,\"alarmout_interval\":16,\"triAlarms\":5,"
                         "\"triChannels\":\"0101\",\"triChnAlarms\":[\"1\"],"
                         "\"ptzParams\":[{\"acto_ptz_channel\":6,\"acto_ptz_type\":2,\"acto_ptz_patrol\":1}],"
                         "\"whiteInfo\":[{\"chnid\":2,\"mode\":0,\"time\":30}],"
                         "\"httpParams\":{\"url\":\"http://pos/%d\",\"username\":\"u\",\"password\":\"p\"}}";
    EXPECT_EQ(post_json("/2074", json_with(json_with(kTerminal, "id", "7"), "action", action)).output, kResZero);
    EXPECT_EQ(only(1421), le_words({7}));

    json_object *info = post_answer("/2073", "{\"id\":7}");
    ASSERT_NE(info, nullptr);
    json_object *actions = json_object_object_get(info, "action");
    EXPECT_EQ(answer_keys(actions),
              (std::vector<std::string>{"effective", "audible", "interval", "audioId", "email", "email_interval",
                                        "email_pic_enable", "tri_channels_pic", "ptz", "ptz_interval", "ptzParams",
                                        "white", "whiteInfo", "white_interval", "httpSche", "httpParams",
                                        "http_notification_interval", "alarmout_interval", "triAlarms", "triChannels",
                                        "triChnAlarms"}));
    const char *keys[] = {"effective", "audible", "email", "ptz", "white", "httpSche"};
    for (int i = 0; i < 6; i++) EXPECT_EQ(start_of(actions, keys[i]), "0" + std::to_string(i + 1) + ":00") << keys[i];
    EXPECT_EQ(json_int(actions, "http_notification_interval"), 15);
    EXPECT_EQ(json_text(actions, "triChannels"), "0101");
    EXPECT_EQ(json_text(json_object_object_get(actions, "httpParams"), "url"), "http://pos/%d");
    EXPECT_EQ(json_int(item_at(actions, "ptzParams", 0), "acto_ptz_channel"), 6);
    EXPECT_EQ(json_int(item_at(actions, "whiteInfo", 0), "time"), 30);
    EXPECT_EQ(json_object_to_json_string(json_object_object_get(actions, "triChnAlarms")), std::string("[ \"1\", \"\" ]"));

    // The HTTP schedule written under its table name is the terminal's schedule kind 6.
    WeeklySchedule http;
    ASSERT_EQ(read_pos_schedule(QVDB_PATH, kPosHttpSchedule, &http, 7), 0);
    EXPECT_STREQ(http.day[1].period[0].startTime, "06:00");
    CameraAlarmInEventRecord stored;
    memset(&stored, 0, sizeof stored);
    ASSERT_EQ(read_pos_event(QVDB_PATH, &stored, 7), 0);
    EXPECT_EQ(stored.chnid, 7);
    EXPECT_EQ(stored.tri_channels_mask, (1ULL << 1) | (1ULL << 3));
    EXPECT_EQ(stored.enable, 0);

    // Actions of another terminal stay empty.
    json_object *other = json_object_object_get(post_answer("/2073", "{\"id\":6}"), "action");
    EXPECT_EQ(json_int(other, "interval"), 0);
    EXPECT_EQ(length_at(other, "ptzParams"), 0u);
}

// A terminal whose stored settings are gone is written under its own id: terminal 0 keeps its own.
TEST_F(PosOverlay, SettingsOfARemovedTerminalRecordAreKeyedByTheTerminal) {
    PosSettingRecord terminal0;
    memset(&terminal0, 0, sizeof terminal0);
    ASSERT_EQ(read_pos_setting(QVDB_PATH, &terminal0, 0), 0);
    exec_sql("DELETE FROM records WHERE kind = 'pos_settings' AND id = 6");
    EXPECT_EQ(post_json("/2074", json_with(kTerminal, "id", "6")).output, kResZero);
    EXPECT_EQ(only(1421), le_words({6}));
    qvdb_close_all();
    PosSettingRecord stored;
    memset(&stored, 0, sizeof stored);
    ASSERT_EQ(read_pos_setting(QVDB_PATH, &stored, 6), 0);
    EXPECT_EQ(stored.id, 6);
    EXPECT_STREQ(stored.name, "Till 3");
    EXPECT_EQ(stored.displayChannel, 5);
    PosSettingRecord after0;
    memset(&after0, 0, sizeof after0);
    ASSERT_EQ(read_pos_setting(QVDB_PATH, &after0, 0), 0);
    EXPECT_EQ(memcmp(&after0, &terminal0, sizeof terminal0), 0);
}

TEST_F(PosOverlay, BadTerminalsAreRefusedWithTheJsonError) {
    for (const char *route : {"/2073", "/2074"})
        for (const std::string &body : {json_with(kTerminal, "id", "8"), json_with(kTerminal, "id", "-1"),
                                        json_with(kTerminal, "id", ""), std::string("{")})
            EXPECT_EQ(post_json(route, body).output, kJsonErrorAnswer) << route << " " << body;
    EXPECT_EQ(codes(), std::vector<int>{});
    ASSERT_NE(post_answer("/2073", "{\"id\":7}"), nullptr);
}

// Texts with shell and path characters are stored and answered as sent; nothing runs them.
TEST_F(PosOverlay, HostileTextsAreStoredVerbatimAndNeverRun) {
    std::string marker = root.at("/tmp/ran");
    const std::vector<std::string> corpus = {
        "$(touch " + marker + ")", "`touch " + marker + "`", "; touch " + marker + " #", "../../etc/passwd",
        "a|b&c>d<e", "'\"\\", "%s%n%x", "\xff\xfe",
    };
    for (const std::string &text : corpus) {
        json_object *value = json_object_new_string(text.c_str());
        std::string quoted = json_object_to_json_string_ext(value, JSON_C_TO_STRING_PLAIN);
        json_object_put(value);
        std::string cut = text.substr(0, 32);
        std::string camera = "{\"id\":2,\"name\":" + quoted + ",\"enable\":1,\"camProtocol\":7,\"transmitProtocol\":1,"
                             "\"ddns\":" + quoted + "}";
        ASSERT_EQ(post_json("/2004", camera).output, kOk) << text;
        json_object *config = post_answer("/2000", "{\"chnid\":2}");
        ASSERT_NE(config, nullptr) << text;
        EXPECT_EQ(json_text(config, "name"), text);
        EXPECT_EQ(json_text(config, "ddns"), text);
        std::string terminal = json_with(json_with(json_with(kTerminal, "name", quoted), "ip", quoted), "privacy3", quoted);
        ASSERT_EQ(post_json("/2074", terminal).output, kResZero) << text;
        json_object *pos = item_at(post_answer("/2073", "{\"id\":3}"), "pos", 3);
        EXPECT_EQ(json_text(pos, "name"), cut);
        EXPECT_EQ(json_text(pos, "ip"), text);
        EXPECT_EQ(json_text(pos, "privacy3"), text);
    }
    EXPECT_FALSE(root.exists("/tmp/ran"));
}

}  // namespace
