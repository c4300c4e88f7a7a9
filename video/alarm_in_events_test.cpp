// Alarm-input event routes end to end: schedules of one input and of input lists, the list
// updates of the input records, the PTZ list copy, and the cameras' I/O and audio alarms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/qvdb_alarm.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class AlarmInEvents : public EventRouteTest {
  protected:
    AlarmInRecord input(int id) {
        AlarmInRecord record;
        memset(&record, 0, sizeof record);
        EXPECT_EQ(read_alarm_in(QVDB_PATH, &record, id), 0) << id;
        return record;
    }
    Bytes set_of(std::initializer_list<int> inputs) {
        uint64_t set = 0;
        for (int i : inputs) set |= 1ULL << i;
        return set_bytes(set);
    }
};

TEST_F(AlarmInEvents, EffectiveScheduleOfOneInput) {
    EXPECT_EQ(post_json("/6170", "{\"camId\":40,\"schedule\":" + schedule_request(1) + "}").output, kOk);
    EXPECT_EQ(only_payload(1404), le_words({40}));
    EXPECT_EQ(schedule_start("/6169", 40), "04:00");
    EXPECT_EQ(schedule_start("/6169", 39), "");
    forget_requests();
    for (const char *body : {"{\"camId\":-1,\"schedule\":[]}", "{\"camId\":64,\"schedule\":[]}", "{\"camId\":1}",
                             "{\"camId\":1,\"schedule\":{}}"})
        EXPECT_EQ(post_json("/6170", body).output, kTextError) << body;
    EXPECT_EQ(post_json("/6170", "{").output, "");
    EXPECT_EQ(request_codes(), std::vector<int>{});
    for (const char *route : {"/6169", "/6129", "/6128", "/6168"})
        for (const char *arg : {"64", "-1", "x", "", "3x", "99999999999"})
            EXPECT_EQ(get(route, arg).output, "") << route << " " << arg;
}

TEST_F(AlarmInEvents, AudibleListWritesDifferingInputsAndCopiesTheSchedule) {
    exec_sql("UPDATE records SET doc = json_set(doc, '$.enable', 1, '$.interval', 30, '$.name', 'door') "
             "WHERE kind = 'alarm_in' AND id = 5");
    EXPECT_EQ(post_json("/6125", "{\"cnt\":2,\"chnid\":[5,9],\"enable\":1,\"interval\":30,\"schedule\":" +
                                     schedule_request(2) + "}").output,
              kOk);
    EXPECT_EQ(only_payload(1415), set_of({5, 9}));
    EXPECT_EQ(input(9).enable, 1);
    EXPECT_EQ(input(9).interval, 30);
    EXPECT_STREQ(input(5).name, "door");
    EXPECT_EQ(schedule_start("/6129", 5), "05:00");
    EXPECT_EQ(schedule_start("/6129", 9), "05:00");

    // Hostile lists: items past "cnt" or the array's end, missing, not integers or out of range
    // are skipped and never read as input 0; a schedule that is not one is not copied.
    forget_requests();
    EXPECT_EQ(post_json("/6125", "{\"cnt\":100,\"chnid\":[70,\"3\",null,2.5,-1,4,4],\"enable\":0,\"interval\":7,"
                                 "\"schedule\":\"none\"}").output,
              kOk);
    EXPECT_EQ(only_payload(1415), set_of({4}));
    EXPECT_EQ(input(4).interval, 7);
    EXPECT_EQ(input(0).interval, 0);
    EXPECT_EQ(input(3).interval, 0);
    EXPECT_EQ(schedule_start("/6129", 5), "05:00");
    forget_requests();
    EXPECT_EQ(post_json("/6125", "{\"cnt\":1,\"chnid\":[63,62],\"interval\":8}").output, kOk);
    EXPECT_EQ(only_payload(1415), set_of({63}));
    EXPECT_EQ(input(62).interval, 0);
    EXPECT_EQ(input(63).enable, 0);  // "enable" left out keeps the stored value
}

TEST_F(AlarmInEvents, EmailListAndOthers) {
    EXPECT_EQ(post_json("/6126", "{\"cnt\":2,\"chnid\":[1,2],\"enable\":1,\"interval\":60,\"triSnapshot\":\"" +
                                     std::string(80, '1') + "\",\"schedule\":" + schedule_request(3) + "}").output,
              kOk);
    EXPECT_EQ(input(2).email_enable, 1);
    EXPECT_EQ(input(2).email_interval, 60);
    EXPECT_EQ(std::string(input(1).triSnapshot), std::string(64, '1'));
    EXPECT_EQ(schedule_start("/6128", 2), "06:00");

    std::string channels(64, '0');
    channels[40] = '1';
    ASSERT_EQ(post_json("/6170", "{\"camId\":7,\"schedule\":" + schedule_request(4) + "}").output, kOk);
    forget_requests();
    EXPECT_EQ(post_json("/6127", "{\"camId\":7,\"type\":0,\"cnt\":2,\"chnid\":[1,2],\"triChannels\":\"" + channels +
                                     "111\"}").output,
              kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1415, 3509}));
    for (int id : {1, 2}) {
        EXPECT_EQ(input(id).tri_channels_mask, 1ULL << 40) << id;
        EXPECT_EQ(std::string(input(id).triChannels), channels) << id;
        EXPECT_EQ(schedule_start("/6169", id), "07:00") << id;
    }
    Bytes log = only_payload(3509);
    ASSERT_EQ(log.size(), 680u);
    EXPECT_EQ(payload_i64(log, 8), 204);
    EXPECT_EQ(payload_i32(log, 24), 909);
    EXPECT_EQ(payload_i64(log, 672), 6);
    EXPECT_EQ(post_json("/6127", "{\"camId\":7,\"type\":1,\"cnt\":1,\"chnid\":[2],\"triAlarms\":5}").output, kOk);
    EXPECT_EQ(input(2).triAlarms, 5);
    EXPECT_EQ(input(2).tri_channels_mask, 1ULL << 40);

    // A source input that is not stored gives no schedule; a bad camId changes nothing.
    exec_sql("DELETE FROM records WHERE kind = 'alarm_in' AND id = 8");
    EXPECT_EQ(post_json("/6127", "{\"camId\":8,\"type\":1,\"cnt\":1,\"chnid\":[1],\"triAlarms\":2}").output, kOk);
    EXPECT_EQ(schedule_start("/6169", 1), "07:00");
    EXPECT_EQ(input(1).triAlarms, 2);
    forget_requests();
    for (const char *body : {"{\"camId\":64,\"type\":1,\"cnt\":1,\"chnid\":[1],\"triAlarms\":9}",
                             "{\"camId\":-1,\"type\":1,\"cnt\":1,\"chnid\":[1],\"triAlarms\":9}",
                             "{\"type\":1,\"cnt\":1,\"chnid\":[1],\"triAlarms\":9}", "{"})
        EXPECT_EQ(post_json("/6127", body).output, "") << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(input(1).triAlarms, 2);
}

TEST_F(AlarmInEvents, PtzListCopy) {
    ASSERT_EQ(post_json("/6160", "{\"type\":0,\"chn_id\":1,\"acto_ptz_channel\":5,\"acto_ptz_type\":1,\"acto_ptz_preset\":3}").output, kOk);
    EXPECT_EQ(post_json("/6167", "{\"camId\":1,\"cnt\":3,\"chnid\":[1,2,3],\"schedule\":" + schedule_request(5) + "}").output, kOk);
    EXPECT_EQ(only_payload(1415), set_of({1, 2, 3}));
    for (int id : {1, 2, 3}) {
        EXPECT_EQ(plain(json_object_object_get(post_for_json("/6161", "{\"type\":0,\"chn_id\":" + std::to_string(id) + "}"), "ptzInfo")),
                  "[{\"acto_ptz_channel\":5,\"acto_ptz_type\":1,\"acto_ptz_preset\":3,\"acto_ptz_patrol\":0}]")
            << id;
        EXPECT_EQ(schedule_start("/6168", id), "08:00") << id;
    }
    forget_requests();
    EXPECT_EQ(post_json("/6167", "{\"camId\":1,\"cnt\":0,\"chnid\":[4],\"schedule\":" + schedule_request(6) + "}").output, kOk);
    EXPECT_EQ(only_payload(1415), set_of({}));
    EXPECT_EQ(schedule_start("/6168", 4), "");
    for (const char *body : {"{\"camId\":-1,\"cnt\":1,\"chnid\":[4]}", "{\"camId\":64,\"cnt\":1,\"chnid\":[4]}"})
        EXPECT_EQ(post_json("/6167", body).output, kTextError) << body;
}

// Hostile input lists on the list routes: items past "cnt" or the array's end, not integers, out
// of range or repeated are skipped and never read as input 0; a bad count or array lists nothing;
// the PTZ copy looks at no more than 64 items. Only the valid inputs are stored and announced.
TEST_F(AlarmInEvents, HostileInputListsStoreOnlyValidInputs) {
    std::string beyond_ptz_limit = "{\"cnt\":100,\"chnid\":[";
    for (int i = 0; i < 64; i++) beyond_ptz_limit += "70,";
    beyond_ptz_limit += "4]";
    const struct {
        int line;
        std::string list;  // the list keys, without the closing brace
        bool input_4;      // input 4 is listed (every other list lists nothing)
        bool input_4_by_ptz_copy;
    } lists[] = {
        {__LINE__, "{\"cnt\":100,\"chnid\":[70,\"3\",null,2.5,-1,{},[0],true,4,4]", true, true},
        {__LINE__, "{\"cnt\":1,\"chnid\":[4,5]", true, true},
        {__LINE__, "{\"cnt\":9,\"chnid\":[4294967300,-4294967292,4]", true, true},  // 4 in their low 32 bits
        {__LINE__, "{\"cnt\":-1,\"chnid\":[5]", false, false},
        {__LINE__, "{\"cnt\":0,\"chnid\":[5]", false, false},
        {__LINE__, "{\"cnt\":2,\"chnid\":5", false, false},
        {__LINE__, "{\"cnt\":2,\"chnid\":{\"0\":5}", false, false},
        {__LINE__, "{\"chnid\":[5]", false, false},
        {__LINE__, "{\"cnt\":2", false, false},
        {__LINE__, beyond_ptz_limit, true, false},
    };
    const struct {
        const char *route;
        const char *keys;
        bool ptz_copy;
    } routes[] = {
        {"/6126", ",\"enable\":1,\"interval\":45}", false},
        {"/6127", ",\"camId\":7,\"type\":1,\"triAlarms\":6}", false},
        {"/6167", ",\"camId\":1}", true},
    };
    ASSERT_EQ(post_json("/6160", "{\"type\":0,\"chn_id\":1,\"acto_ptz_channel\":5,\"acto_ptz_type\":1,\"acto_ptz_preset\":3}").output, kOk);
    auto ptz_list = [&](int id) {
        return plain(json_object_object_get(post_for_json("/6161", "{\"type\":0,\"chn_id\":" + std::to_string(id) + "}"),
                                            "ptzInfo"));
    };
    const std::string no_ptz = ptz_list(4);
    for (const auto &route : routes) {
        for (const auto &list : lists) {
            forget_requests();
            EXPECT_EQ(post_json(route.route, list.list + route.keys).output, kOk) << route.route << ", line " << list.line;
            bool listed = route.ptz_copy ? list.input_4_by_ptz_copy : list.input_4;
            EXPECT_EQ(only_payload(1415), listed ? set_of({4}) : set_of({})) << route.route << ", line " << list.line;
        }
    }
    EXPECT_EQ(input(4).email_interval, 45);
    EXPECT_EQ(input(4).triAlarms, 6);
    EXPECT_NE(ptz_list(4), no_ptz);
    for (int id : {0, 3, 5}) {
        EXPECT_EQ(input(id).email_interval, 0) << id;
        EXPECT_EQ(input(id).triAlarms, 0) << id;
        EXPECT_EQ(ptz_list(id), no_ptz) << id;
    }
}

TEST_F(AlarmInEvents, CameraAndAudioAlarms) {
    EXPECT_EQ(post_json("/6091", "{\"camId\":3,\"enable\":1,\"type\":2,\"triActions\":5,\"triChannels\":\"0001\"}").output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{3214, 3485}));
    EXPECT_EQ(only_payload(3214), le_words({3, 1, 2}));
    Bytes log = only_payload(3485);
    EXPECT_EQ(payload_i32(log, 24), 923);
    EXPECT_EQ(payload_i32(log, 32), 4);
    CameraAlarmRecord record;
    memset(&record, 0, sizeof record);
    ASSERT_EQ(read_cameraio(QVDB_PATH, &record, 3), 0);
    EXPECT_EQ(record.triActions, 5);
    EXPECT_EQ(record.tri_channels_mask, 8u);

    std::string audio = "\"camId\":63,\"enable\":0,\"type\":1,\"volume\":60,\"duration\":5,\"onEvent\":1,\"offEvent\":2,"
                        "\"ongoingEvent\":3,\"triActions\":4,\"triChannels\":\"1\"";
    forget_requests();
    EXPECT_EQ(post_json("/6093", "{" + audio + "}").output, kOk);
    EXPECT_EQ(only_payload(3216), le_words({63, 0, 1, 60, 5, 1, 2, 3}));
    EXPECT_EQ(payload_i32(only_payload(3485), 24), 924);
    ASSERT_EQ(read_volumedetect(QVDB_PATH, &record, 63), 0);
    EXPECT_EQ(record.tri_channels_mask, 1u);

    forget_requests();
    const char *camera_refused[] = {
        "{\"camId\":64,\"enable\":1,\"type\":2,\"triActions\":5,\"triChannels\":\"1\"}",
        "{\"camId\":-1,\"enable\":1,\"type\":2,\"triActions\":5,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":2,\"type\":2,\"triActions\":5,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":-2,\"triActions\":5,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":2,\"triChannels\":\"1\"}",
        "{\"camId\":1,\"enable\":1,\"type\":2,\"triActions\":5,\"triChannels\":1}",
        "{",
    };
    for (const char *body : camera_refused) EXPECT_EQ(post_json("/6091", body).output, "") << body;
    for (const char *key : {"\"volume\":60", "\"ongoingEvent\":3", "\"camId\":63"}) {
        std::string missing = audio;
        missing.erase(missing.find(key), strlen(key));
        EXPECT_EQ(post_json("/6093", "{" + missing + ",\"x\":0}").output, "") << key;
    }
    EXPECT_EQ(post_json("/6093", "{" + audio + ",\"duration\":-5}").output, "");
    EXPECT_EQ(request_codes(), std::vector<int>{});

    json_object *camera = json_answer(get("/6090", "2"));
    EXPECT_EQ(plain(camera), "{\"camId\":2,\"enable\":1,\"type\":0,\"triActions\":3,\"triChannels\":\"1100\"}");
    EXPECT_EQ(only_payload(3213), le_words({2}));
    json_object *volume = json_answer(get("/6092", "2"));
    EXPECT_EQ(int_at(volume, "volume"), 60);
    EXPECT_EQ(text_at(volume, "triChannels"), "1000");
    forget_requests();
    for (const char *arg : {"64", "-1", "a", ""}) {
        EXPECT_EQ(get("/6090", arg).output, "") << arg;
        EXPECT_EQ(get("/6092", arg).output, "") << arg;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
    daemon.script(3215, SimScript());
    EXPECT_EQ(get("/6092", "1").output, kJsonError);
}

}  // namespace
