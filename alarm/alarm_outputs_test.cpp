// Recorder alarm-output routes end to end: settings with copies, schedules, switching, the
// name lists, and the refusals that must leave everything untouched.
#include "alarm/alarm_payloads.h"
#include "core/oplog.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class AlarmOutputRoutes : public EventRouteTest {
  protected:
    AlarmOutRecord output(int id) {
        qvdb_close_all();
        AlarmOutRecord record;
        memset(&record, 0, sizeof record);
        read_alarm_out(QVDB_PATH, &record, id);
        return record;
    }
    std::string schedule_of(int id) {
        json_object *answer = post_for_json("/6021", "{\"alarmId\":" + std::to_string(id) + "}");
        return answer ? answered_start(json_object_object_get(answer, "effective")) : "<none>";
    }
};

TEST_F(AlarmOutputRoutes, SettingsCopyToListedOutputsOnly) {
    EXPECT_EQ(post_json("/6022", "{\"alarmId\":0,\"name\":\"Gate\",\"enable\":1,\"type\":0,\"durationTime\":5}").output,
              kOk);
    forget_requests();
    // Items: the edited output itself, null, 2, a text, 3 (beyond copyCnt 4), out of range 9 never reached.
    std::string body = "{\"alarmId\":1,\"name\":\"Siren\",\"enable\":1,\"type\":1,\"durationTime\":30,"
                       "\"dialog\":{\"effective\":" + schedule_request(10) + "},"
                       "\"copyCnt\":4,\"copyChn\":[1,null,2,\"3\",3,9]}";
    EXPECT_EQ(post_json("/6022", body).output, kOk);

    AlarmOutRecord one = output(1), two = output(2), zero = output(0), three = output(3);
    EXPECT_STREQ(one.name, "Siren");
    EXPECT_EQ(one.durationTime, 30);
    EXPECT_EQ(two.type, 1);
    EXPECT_EQ(two.enable, 1);
    EXPECT_EQ(two.durationTime, 30);
    EXPECT_STREQ(two.name, "");  // names are not copied
    EXPECT_STREQ(zero.name, "Gate");
    EXPECT_EQ(zero.durationTime, 5);  // the null item never rewrote output 0
    EXPECT_EQ(three.durationTime, 0);
    EXPECT_EQ(schedule_of(1), "13:00");
    EXPECT_EQ(schedule_of(2), "13:00");
    EXPECT_EQ(schedule_of(3), "");

    std::vector<SimRequest> changed = sent(kRequestAlarmOutChanged);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0].payload, le_words({1}));
    EXPECT_EQ(changed[1].payload, le_words({2}));
    std::vector<SimRequest> logs = sent(kRequestOperationLogMulti);
    ASSERT_EQ(logs.size(), 1u);
    ASSERT_EQ(logs[0].payload.size(), sizeof(OperationLogRecordMulti));
    EXPECT_EQ(payload_i32(logs[0].payload, 0), 4);
    EXPECT_EQ(payload_i64(logs[0].payload, 8), 204);
    EXPECT_EQ(payload_i32(logs[0].payload, 24), 911);
    EXPECT_EQ(payload_i32(logs[0].payload, 32), 2);
    EXPECT_EQ(payload_i64(logs[0].payload, 672), 0x6);

    // Without "dialog" a copy takes the source's stored schedule.
    EXPECT_EQ(post_json("/6022", "{\"alarmId\":1,\"copyCnt\":1,\"copyChn\":[3]}").output, kOk);
    EXPECT_EQ(schedule_of(3), "13:00");
    EXPECT_EQ(output(3).durationTime, 30);
}

TEST_F(AlarmOutputRoutes, ListsAndOneOutputAnswerWhatIsStored) {
    post_json("/6022", "{\"alarmId\":3,\"name\":\"" + std::string(300, 'n') + "\",\"durationTime\":60}");
    json_object *list = json_answer(get("/6020"));
    ASSERT_TRUE(list);
    ASSERT_EQ(json_object_array_length(list), 4u);
    json_object *last = json_object_array_get_idx(list, 3);
    EXPECT_EQ(keys_of(last), (std::vector<std::string>{"id", "name", "type", "enable", "durationTime"}));
    EXPECT_EQ(int_at(last, "id"), 3);
    EXPECT_EQ(text_at(last, "name"), std::string(255, 'n'));
    EXPECT_EQ(int_at(last, "durationTime"), 60);

    json_object *one = post_for_json("/6021", "{\"alarmId\":3}");
    EXPECT_EQ(keys_of(one), (std::vector<std::string>{"id", "name", "type", "enable", "durationTime", "effective"}));
    for (const char *body : {"{\"alarmId\":4}", "{\"alarmId\":-1}", "{}", "{\"alarmId\":\"x\"}", "not json", ""})
        EXPECT_EQ(post_json("/6021", body).output, kJsonError) << body;

    EXPECT_EQ(post_json("/6029", "{\"chnid\":63,\"alarmCnt\":2,\"alarm\":[{\"alarmName\":\"Light\"},"
                                 "{\"alarmName\":\"Horn\"}]}").output,
              kOk);
    json_object *names = json_answer(get("/6032"));
    ASSERT_TRUE(names);
    EXPECT_EQ(keys_of(names), (std::vector<std::string>{"nvr", "camera"}));
    json_object *recorder = json_object_object_get(names, "nvr");
    ASSERT_EQ(json_object_array_length(recorder), 4u);
    EXPECT_EQ(std::string(json_object_get_string(json_object_array_get_idx(recorder, 3))), std::string(255, 'n'));
    json_object *cameras = json_object_object_get(names, "camera");
    ASSERT_EQ(json_object_array_length(cameras), 64u);
    EXPECT_EQ(plain(json_object_array_get_idx(cameras, 63)), "[\"Light\",\"Horn\"]");
    EXPECT_EQ(plain(json_object_array_get_idx(cameras, 0)), "[\"\",\"\"]");
}

TEST_F(AlarmOutputRoutes, RefusedRequestsChangeNothing) {
    struct Case {
        int line;
        const char *route;
        const char *body;
        const char *output;
    } cases[] = {
        {__LINE__, "/6022", "{\"name\":\"x\",\"enable\":1}", kTextError},
        {__LINE__, "/6022", "{\"alarmId\":4,\"enable\":1}", kTextError},
        {__LINE__, "/6022", "{\"alarmId\":-1,\"enable\":1}", kTextError},
        {__LINE__, "/6022", "{\"alarmId\":0,\"enable\":1", kTextError},  // cut short
        {__LINE__, "/6022", "[0]", kTextError},
        {__LINE__, "/6023", "{\"id\":4,\"enable\":1}", ""},
        {__LINE__, "/6023", "{\"id\":-1,\"enable\":1}", ""},
        {__LINE__, "/6023", "{\"enable\":1}", ""},
        {__LINE__, "/6023", "{id:", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json(c.route, c.body).output, c.output) << "line " << c.line;
    EXPECT_TRUE(request_codes().empty());
    for (int id = 0; id < 4; id++) EXPECT_EQ(output(id).enable, 0) << id;

    EXPECT_EQ(post_json("/6023", "{\"id\":2,\"enable\":1}").output, kOk);
    EXPECT_EQ(sent(kRequestAlarmOutState).at(0).payload, le_words({2, 1}));
    std::vector<SimRequest> logs = sent(kRequestOperationLog);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(payload_i32(logs[0].payload, 24), 911);
    EXPECT_EQ(payload_i32(logs[0].payload, 32), 3);
}

}  // namespace
