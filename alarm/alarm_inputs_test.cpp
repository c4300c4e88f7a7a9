// Recorder alarm-input routes end to end: one input with its actions and copies, input 0's
// disarming, the older pages' routes (which keep what they do not set), the lists, and refusals.
#include "alarm/alarm_payloads.h"
#include "core/oplog.h"
#include "core/qvdb_alarm.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class AlarmInputRoutes : public EventRouteTest {
  protected:
    AlarmInRecord input(int id) {
        qvdb_close_all();
        AlarmInRecord record;
        memset(&record, 0, sizeof record);
        read_alarm_in(QVDB_PATH, &record, id);
        return record;
    }
    DisarmingRecord disarming() {
        qvdb_close_all();
        DisarmingRecord record;
        memset(&record, 0, sizeof record);
        read_disarming(QVDB_PATH, &record);
        return record;
    }
    json_object *shown(int id) { return post_for_json("/6026", "{\"alarmId\":" + std::to_string(id) + "}"); }
    // The operation-log records sent with 3485 (parameter, object number).
    std::vector<std::pair<int, int>> logs() {
        std::vector<std::pair<int, int>> out;
        for (const SimRequest &r : sent(kRequestOperationLog))
            out.emplace_back(payload_i32(r.payload, 24), payload_i32(r.payload, 32));
        return out;
    }
};

const std::vector<std::string> kInputKeys = {
    "alarmId", "name", "alarmType", "enable", "triAlarms", "interval", "email_interval", "email_pic_enable",
    "tri_channels_pic", "ptz_interval", "alarmout_interval", "triChannels", "triSnapshot", "effective", "audible",
    "email", "ptz", "triChnAlarms", "white", "whiteInfo", "white_interval", "warningLight", "warningLightInfo",
    "warning_light_interval", "audioId", "audioIdMask", "ptzParams"};

TEST_F(AlarmInputRoutes, OneInputsActionsAreStoredShownAndCopied) {
    std::string channels = "1" + std::string(62, '0') + "1";
    std::string body =
        "{\"alarmId\":2,\"alarmType\":1,\"name\":\"Front door\",\"copyCnt\":4,\"copyChn\":[2,null,5,17],"
        "\"dialog\":{\"effective\":" + schedule_request(3) + ",\"audible\":" + schedule_request(5) + ","
        "\"interval\":20,\"email_interval\":30,\"triSnapshot\":\"0101\",\"triChannels\":\"" + channels + "\","
        "\"triChnAlarms\":[\"11\",\"00\"],\"audioId\":3,\"white_interval\":7,\"warning_light_interval\":9,"
        "\"whiteInfo\":[[1,1,5]],\"ptzChnId\":2,\"ptzType\":0,\"ptzParams\":[{\"acto_ptz_channel\":4,"
        "\"acto_ptz_preset\":2}]}}";
    EXPECT_EQ(post_json("/6027", body).output, kOk);
    EXPECT_EQ(only_payload(kRequestAlarmInsChanged), set_bytes((1ULL << 2) | (1ULL << 5)));

    json_object *two = shown(2);
    ASSERT_TRUE(two);
    EXPECT_EQ(keys_of(two), kInputKeys);
    EXPECT_EQ(text_at(two, "name"), "Front door");
    EXPECT_EQ(int_at(two, "alarmType"), 1);
    EXPECT_EQ(int_at(two, "enable"), 2);
    EXPECT_EQ(text_at(two, "triChannels"), channels);
    EXPECT_EQ(answered_start(json_object_object_get(two, "audible")), "08:00");
    EXPECT_EQ(input(2).tri_channels_mask, (1ULL << 0) | (1ULL << 63));
    EXPECT_EQ(input(2).email_enable, 2);

    AlarmInRecord five = input(5);
    EXPECT_EQ(five.alarmType, 1);
    EXPECT_EQ(five.enable, 2);
    EXPECT_EQ(five.email_enable, 2);
    EXPECT_EQ(five.interval, 20);
    EXPECT_EQ(five.email_interval, 30);
    EXPECT_EQ(five.audioId, 3);
    EXPECT_EQ(five.white_interval, 7);
    EXPECT_STREQ(five.triSnapshot, "0101");
    EXPECT_STREQ(five.triChnAlarms1, "11");
    EXPECT_STREQ(five.name, "");  // not copied: the name, the channels, the warning-light interval
    EXPECT_STREQ(five.triChannels, "");
    EXPECT_EQ(five.warning_light_interval, 0);
    json_object *copied = shown(5);
    EXPECT_EQ(answered_start(json_object_object_get(copied, "effective")), "06:00");
    EXPECT_EQ(plain(json_object_object_get(copied, "whiteInfo")), "[{\"chnid\":1,\"mode\":1,\"time\":5}]");
    EXPECT_EQ(plain(json_object_object_get(copied, "ptzParams")), plain(json_object_object_get(two, "ptzParams")));
    EXPECT_EQ(input(0).interval, 0);  // the null item never rewrote input 0
    EXPECT_EQ(input(0).enable, 0);
}

TEST_F(AlarmInputRoutes, InputZeroCarriesTheDisarmingRecord) {
    DisarmingRecord stored = disarming();
    stored.linkageAction = 4;
    stored.reserved = 9;
    write_disarming(QVDB_PATH, &stored);
    qvdb_close_all();

    EXPECT_EQ(post_json("/6027", "{\"alarmId\":1,\"disarmActionMask\":7}").output, kOk);
    EXPECT_EQ(disarming().disarmActionMask, 0);  // only input 0 carries it
    EXPECT_EQ(post_json("/6027", "{\"alarmId\":0,\"disarmActionMask\":5}").output, kOk);
    DisarmingRecord changed = disarming();
    EXPECT_EQ(changed.linkageAction, 4);
    EXPECT_EQ(changed.disarmActionMask, 5);
    EXPECT_EQ(changed.reserved, 9);

    EXPECT_EQ(post_json("/6027", "{\"alarmId\":3,\"dialog\":{\"interval\":4}}").output, kOk);
    EXPECT_EQ(input(3).enable, 2);
    EXPECT_EQ(input(3).interval, 4);

    forget_requests();
    for (const char *body : {"{\"alarmId\":16,\"name\":\"x\"}", "{\"alarmId\":-1}", "{\"name\":\"x\"}", "{\"alarmId\":"})
        EXPECT_EQ(post_json("/6027", body).output, kJsonError) << body;
    for (const char *body : {"{\"alarmId\":16}", "{\"alarmId\":-1}", "{}", "["})
        EXPECT_EQ(post_json("/6026", body).output, kJsonError) << body;
    EXPECT_TRUE(request_codes().empty());
}

// When the settings file takes no writes, every setting route answers its error, not "OK", and
// the daemon hears of no change and no log.
TEST_F(AlarmInputRoutes, FailedWritesAreAnsweredAsErrors) {
    const struct {
        int line;
        const char *path;
        const char *body;
        const char *error;
    } routes[] = {
        {__LINE__, "/6027", "{\"alarmId\":3,\"name\":\"Door\",\"dialog\":{\"interval\":4}}", kJsonError},
        {__LINE__, "/6063", "{\"alarm\":{\"camId\":4,\"name\":\"Renamed\",\"type\":0,\"enable\":0}}", kTextError},
        {__LINE__, "/6064", "{\"alarm\":{\"id\":4,\"enable\":1,\"name\":\"Old\",\"type\":1,\"triChannels\":\"1\","
                            "\"triAlarms\":3,\"interval\":10}}",
         kTextError},
        {__LINE__, "/6022", "{\"alarmId\":1,\"name\":\"Gate\",\"durationTime\":5,\"copyCnt\":1,\"copyChn\":[3]}", kTextError},
    };
    for (const char *table : {"records", "params"})
        for (const char *change : {"INSERT", "UPDATE", "DELETE"})
            exec_sql(std::string("CREATE TRIGGER refuse_") + change + "_" + table + " BEFORE " + change + " ON " + table +
                     " BEGIN SELECT RAISE(ABORT, 'read-only'); END");
    const std::string all_rows = "SELECT kind, id, doc FROM records ORDER BY kind, id";
    std::vector<std::string> before = query_rows(QVDB_PATH, all_rows);
    ASSERT_FALSE(before.empty());
    forget_requests();
    for (const auto &route : routes) {
        EXPECT_EQ(post_json(route.path, route.body).output, route.error) << route.path << ", line " << route.line;
        EXPECT_TRUE(request_codes().empty()) << route.path << ", line " << route.line;
    }
    EXPECT_EQ(query_rows(QVDB_PATH, all_rows), before);
}

TEST_F(AlarmInputRoutes, OlderPagesKeepWhatTheyDoNotSet) {
    post_json("/6027", "{\"alarmId\":4,\"dialog\":{\"audioId\":6,\"interval\":1,\"triSnapshot\":\"11\"}}");
    forget_requests();
    std::string basics = "\"id\":4,\"enable\":1,\"name\":\"Old\",\"type\":1,\"triChannels\":\"1001\",\"triAlarms\":3,"
                         "\"interval\":10";
    EXPECT_EQ(post_json("/6064", "{\"alarm\":{" + basics + "}}").output, kOk);
    AlarmInRecord four = input(4);
    EXPECT_STREQ(four.name, "Old");
    EXPECT_EQ(four.alarmType, 1);
    EXPECT_EQ(four.tri_channels_mask, (1ULL << 0) | (1ULL << 3));
    EXPECT_EQ(four.triAlarms, 3);
    EXPECT_EQ(four.interval, 10);
    EXPECT_EQ(four.enable, 2);  // "/6064" keeps the switch
    EXPECT_EQ(four.audioId, 6);
    EXPECT_EQ(only_payload(kRequestAlarmInChanged), le_words({4}));
    EXPECT_EQ(logs(), (std::vector<std::pair<int, int>>{{910, 5}}));

    forget_requests();
    std::string periods;
    for (int p = 0; p < 12; p++) periods += std::string(p ? "," : "") + "[\"0" + std::to_string(p % 10) + ":00\",\"23:59\"]";
    std::string days;
    for (int d = 0; d < 8; d++) days += std::string(d ? "," : "") + "[" + periods + "]";
    EXPECT_EQ(post_json("/6062", "{\"alarm\":{" + basics + "},\"schedule\":[" + days + "]}").output, kOk);
    EXPECT_EQ(input(4).enable, 1);
    EXPECT_EQ(input(4).audioId, 6);  // the other fields are kept
    // The older schedule page's log record is bare: main type 4, sub type 204, parameter 910.
    ASSERT_EQ(sent(kRequestOperationLog).size(), 1u);
    std::vector<uint8_t> bare(sizeof(OperationLogRecord), 0);
    bare[0] = 4;
    bare[8] = 204;
    bare[24] = 910 & 0xFF;
    bare[25] = 910 >> 8;
    EXPECT_EQ(sent(kRequestOperationLog)[0].payload, bare);
    EXPECT_STREQ(input(4).triSnapshot, "11");
    EXPECT_EQ(only_payload(kRequestAlarmInChanged), le_words({4}));
    json_object *older = json_answer(get("/6061", "4"));
    ASSERT_TRUE(older);
    json_object *alarm = json_object_object_get(older, "alarm");
    EXPECT_EQ(keys_of(alarm), (std::vector<std::string>{"id", "enable", "name", "type", "triChannels", "triAlarms",
                                                          "interval", "triSnapshot"}));
    EXPECT_EQ(text_at(alarm, "triSnapshot"), "11");
    json_object *period = json_object_array_get_idx(json_object_array_get_idx(json_object_object_get(older, "schedule"), 7), 11);
    EXPECT_EQ(plain(period), "{\"startTime\":\"01:00\",\"endTime\":\"23:59\",\"actionType\":6}");

    forget_requests();
    EXPECT_EQ(post_json("/6063", "{\"alarm\":{\"camId\":4,\"name\":\"Renamed\",\"type\":0,\"enable\":0}}").output, kOk);
    EXPECT_STREQ(input(4).name, "Renamed");
    EXPECT_EQ(input(4).enable, 0);
    EXPECT_EQ(input(4).interval, 10);  // read first, so the actions stay
    EXPECT_EQ(logs(), (std::vector<std::pair<int, int>>{{910, 5}}));

    forget_requests();
    struct Case {
        int line;
        const char *route;
        std::string body;
    } refused[] = {
        {__LINE__, "/6064", "{\"alarm\":{\"id\":16,\"enable\":1,\"type\":1,\"triChannels\":\"1\",\"triAlarms\":0,\"interval\":0}}"},
        {__LINE__, "/6064", "{\"alarm\":{\"id\":1,\"enable\":3,\"type\":1,\"triChannels\":\"1\",\"triAlarms\":0,\"interval\":0}}"},
        {__LINE__, "/6064", "{\"alarm\":{\"id\":1,\"enable\":1,\"type\":2,\"triChannels\":\"1\",\"triAlarms\":0,\"interval\":0}}"},
        {__LINE__, "/6064", "{\"alarm\":{\"id\":1,\"enable\":1,\"type\":1,\"triAlarms\":0,\"interval\":0}}"},
        {__LINE__, "/6062", "{\"alarm\":{\"id\":1,\"enable\":1,\"type\":1,\"triChannels\":\"1\",\"triAlarms\":-1,\"interval\":0}}"},
        {__LINE__, "/6062", "{\"alarm\":{\"id\":1,\"enable\":1,\"type\":1,\"triChannels\":\"1\",\"triAlarms\":0,\"interval\":-1}}"},
        {__LINE__, "/6062", "{\"alarm\":{\"id\":1,\"enable\":1,\"type\":1,\"triChannels\":\"1\",\"triAlarms\":0}}"},
        {__LINE__, "/6062", "{\"schedule\":[]}"},
        {__LINE__, "/6063", "{\"alarm\":{\"camId\":16,\"name\":\"x\"}}"},
        {__LINE__, "/6063", "{\"alarm\":{\"camId\":-1,\"name\":\"x\"}}"},
        {__LINE__, "/6063", "{\"camId\":1}"},
        {__LINE__, "/6063", "{\"alarm\":"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json(c.route, c.body).output, "") << "line " << c.line;
    for (const char *text : {"16", "-1", "abc", "", "4 "}) EXPECT_EQ(get("/6061", text).output, "") << text;
    EXPECT_TRUE(request_codes().empty());
    EXPECT_STREQ(input(1).name, "");
}

TEST_F(AlarmInputRoutes, ListsOfInputsAndOfEveryInputName) {
    post_json("/6063", "{\"alarm\":{\"camId\":15,\"name\":\"Last\",\"type\":1,\"enable\":1}}");
    post_json("/6025", "{\"chnid\":63,\"alarmCnt\":4,\"alarm\":[{},{},{},{\"alarmName\":\"Fourth\"}]}");
    json_object *list = json_answer(get("/6060"));
    ASSERT_TRUE(list);
    ASSERT_EQ(json_object_array_length(list), 16u);  // the inputs the pages serve, not all 64 stored
    json_object *last = json_object_array_get_idx(list, 15);
    EXPECT_EQ(keys_of(last), (std::vector<std::string>{"id", "enable", "name", "type", "triChannels", "triAlarms"}));
    EXPECT_EQ(int_at(last, "id"), 15);
    EXPECT_EQ(text_at(last, "name"), "Last");

    json_object *names = json_answer(get("/6034"));
    ASSERT_TRUE(names);
    json_object *recorder = json_object_object_get(names, "nvr");
    ASSERT_EQ(json_object_array_length(recorder), 16u);
    EXPECT_STREQ(json_object_get_string(json_object_array_get_idx(recorder, 15)), "Last");
    json_object *cameras = json_object_object_get(names, "camera");
    ASSERT_EQ(json_object_array_length(cameras), 64u);
    EXPECT_EQ(plain(json_object_array_get_idx(cameras, 63)), "[\"\",\"\",\"\",\"Fourth\"]");
}

}  // namespace
