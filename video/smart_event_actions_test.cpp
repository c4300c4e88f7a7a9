// Smart-event action routes end to end: the partial update and its answer, the single-field
// routes, the common answer and the people-count reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/qvdb_smart_events.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class SmartEventActions : public EventRouteTest {
  protected:
    json_object *actions(int channel, int event) {
        json_object *answer =
            post_for_json("/6148", "{\"chnid\":" + std::to_string(channel) + ",\"event\":" + std::to_string(event) + "}");
        return json_object_array_get_idx(json_object_object_get(answer, "action"), 0);
    }
    SmartEventRecord stored(int channel, int event) {
        SmartEventRecord record;
        memset(&record, 0, sizeof record);
        EXPECT_EQ(read_smart_event(QVDB_PATH, &record, channel, event), 0);
        return record;
    }
};

TEST_F(SmartEventActions, SetThenGetRoundTrip) {
    std::string body = "{\"chnid\":4,\"event\":8,\"enable\":1,\"triAlarms\":3,\"interval\":20,\"email_interval\":30,"
                       "\"email_pic_enable\":1,\"tri_channels_pic\":\"11\",\"ptz_interval\":5,\"alarmout_interval\":6,"
                       "\"white_interval\":7,\"warning_light_interval\":8,\"audioId\":2,\"triChannels\":\"0011\","
                       "\"triChnAlarms\":[\"a\",\"b\"],\"audible\":" + schedule_request(1) + ",\"white\":" +
                       schedule_request(2) + ",\"warningLightInfo\":[[6,20]],\"http_notification_interval\":99}";
    EXPECT_EQ(post_json("/6149", body).output, kOk);
    EXPECT_EQ(only_payload(1412), le_words({1 << 4, 0}));
    json_object *action = actions(4, 8);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(keys_of(action),
              (std::vector<std::string>{"chnid", "event", "enable", "triAlarms", "interval", "email_interval",
                                        "email_pic_enable", "tri_channels_pic", "ptz_interval", "alarmout_interval",
                                        "triChannels", "effective", "audible", "email", "ptz", "triChnAlarms",
                                        "white", "whiteInfo", "white_interval", "warningLight", "warningLightInfo",
                                        "warning_light_interval", "audioId", "audioIdMask", "ptzParams"}));
    struct Expect {
        const char *key;
        int value;
    } numbers[] = {{"chnid", 4}, {"event", 8}, {"enable", 1}, {"triAlarms", 3}, {"interval", 20},
                   {"email_interval", 30}, {"email_pic_enable", 1}, {"ptz_interval", 5}, {"alarmout_interval", 6},
                   {"white_interval", 7}, {"warning_light_interval", 8}, {"audioId", 2}};
    for (const Expect &e : numbers) EXPECT_EQ(int_at(action, e.key), e.value) << e.key;
    EXPECT_EQ(text_at(action, "triChannels"), "0011");
    EXPECT_EQ(text_at(action, "tri_channels_pic"), "11");
    EXPECT_EQ(plain(json_object_object_get(action, "triChnAlarms")), "[\"a\",\"b\"]");
    EXPECT_EQ(answered_start(json_object_object_get(action, "audible")), "04:00");
    EXPECT_EQ(answered_start(json_object_object_get(action, "white")), "05:00");
    EXPECT_EQ(plain(json_object_object_get(action, "warningLightInfo")), "[{\"chnid\":6,\"time\":20}]");
    EXPECT_EQ(stored(4, 8).tri_channels_mask, 0xCu);
    EXPECT_EQ(stored(4, 8).http_notification_interval, 0);  // not a key of this route
    EXPECT_EQ(int_at(actions(4, 7), "interval"), 0);        // another event type
}

TEST_F(SmartEventActions, PartialUpdateChangesOnlyTheKeysGiven) {
    ASSERT_EQ(post_json("/6149", "{\"chnid\":1,\"event\":3,\"enable\":1,\"interval\":12,\"triChannels\":\"1\"}").output, kOk);
    forget_requests();
    EXPECT_EQ(post_json("/6149", "{\"chnid\":1,\"event\":3,\"enable\":0}").output, kOk);
    EXPECT_EQ(only_payload(1412), le_words({1 << 1, 0}));
    SmartEventRecord record = stored(1, 3);
    EXPECT_EQ(record.enable, 0);
    EXPECT_EQ(record.interval, 12);
    EXPECT_STREQ(record.triChannels, "1");

    // A schedule alone is stored without rewriting the record.
    exec_sql("UPDATE records SET doc = json_set(doc, '$.interval', 77) WHERE kind = 'smart_event' AND extra = 3 AND id = 1");
    EXPECT_EQ(post_json("/6149", "{\"chnid\":1,\"event\":3,\"ptz\":" + schedule_request(3) + "}").output, kOk);
    EXPECT_EQ(stored(1, 3).interval, 77);
    EXPECT_EQ(answered_start(json_object_object_get(actions(1, 3), "ptz")), "06:00");

    forget_requests();
    const char *refused[] = {"{\"chnid\":64,\"event\":3,\"enable\":1}", "{\"chnid\":1,\"event\":9,\"enable\":1}",
                             "{\"chnid\":1,\"event\":-1}", "{\"chnid\":1}", "{\"event\":1}"};
    for (const char *body : refused) {
        EXPECT_EQ(post_json("/6149", body).output, kTextError) << body;
        EXPECT_EQ(post_json("/6148", body).output, kJsonError) << body;
    }
    EXPECT_EQ(post_json("/6149", "{\"chnid\":1,").output, "");
    EXPECT_EQ(post_json("/6148", "{").output, kJsonError);
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(SmartEventActions, SingleFieldRouteAndItsRefusals) {
    std::string channels(64, '0');
    channels[31] = channels[40] = '1';
    EXPECT_EQ(post_json("/6150", "{\"channel\":2,\"type\":1,\"event\":5,\"triChannels\":\"" + channels + "9\"}").output, kOk);
    EXPECT_EQ(stored(2, 5).tri_channels_mask, (1ULL << 31) | (1ULL << 40));
    EXPECT_EQ(std::string(stored(2, 5).triChannels), channels);
    EXPECT_EQ(post_json("/6150", "{\"channel\":2,\"type\":0,\"event\":5,\"triAlarms\":6}").output, kOk);
    EXPECT_EQ(stored(2, 5).triAlarms, 6);
    EXPECT_EQ(stored(2, 5).tri_channels_mask, (1ULL << 31) | (1ULL << 40));
    EXPECT_EQ(sent(1412, 2).size(), 2u);

    exec_sql("DELETE FROM records WHERE kind = 'smart_event' AND extra = 5 AND id = 3");
    forget_requests();
    const char *errot[] = {"{\"channel\":64,\"type\":0,\"event\":5,\"triAlarms\":1}",
                           "{\"channel\":-1,\"type\":0,\"event\":5,\"triAlarms\":1}",
                           "{\"channel\":2,\"type\":0,\"event\":9,\"triAlarms\":1}",
                           "{\"channel\":3,\"type\":0,\"event\":5,\"triAlarms\":1}"};
    for (const char *body : errot) EXPECT_EQ(post_json("/6150", body).output, "Content-type: text/plain\r\n\r\nERROT") << body;
    EXPECT_EQ(post_json("/6150", "{").output, "");
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_TRUE(query_rows(QVDB_PATH, "SELECT 1 FROM records WHERE kind = 'smart_event' AND extra = 5 AND id = 3").empty());
}

TEST_F(SmartEventActions, CommonAnswerAndPeopleCountReset) {
    ASSERT_EQ(post_json("/6149", "{\"chnid\":6,\"event\":0,\"enable\":1,\"triAlarms\":2,\"triChannels\":\"01\"}").output, kOk);
    json_object *common = post_for_json("/6151", "{\"channel\":6,\"type\":0}");
    ASSERT_NE(common, nullptr);
    EXPECT_EQ(keys_of(common), (std::vector<std::string>{"chnid", "enable", "triAlarms", "interval", "email_interval",
                                                         "email_pic_enable", "tri_channels_pic", "triChannels"}));
    EXPECT_EQ(int_at(common, "triAlarms"), 2);
    for (const char *body : {"{\"channel\":64,\"type\":0}", "{\"channel\":6,\"type\":9}", "{\"channel\":-3}", "{"})
        EXPECT_EQ(post_json("/6151", body).output, kTextError) << body;

    EXPECT_EQ(post_json("/6154", "{\"channel\":5,\"line\":2,\"resetdb\":1}").output, kOk);
    EXPECT_EQ(only_payload(3261), le_words({5, 0, 0, 2, 1}));
    forget_requests();
    for (const char *body : {"{\"channel\":64,\"line\":1}", "{\"line\":1}", "{"})
        EXPECT_EQ(post_json("/6154", body).output, kTextError) << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

}  // namespace
