// Camera alarm routes end to end: the questions and their replies, settings of inputs and outputs
// with copies, what the daemon is told, and hostile counts, items and replies.
#include "alarm/alarm_payloads.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

template <typename Record>
Bytes bytes_of(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

Bytes input_reply(int chnid, int count) {
    CameraAlarmInState state;
    memset(&state, 0, sizeof state);
    state.chnid = chnid;
    for (int i = 0; i < kCameraAlarmIns; i++) {
        state.enable[i] = 10 + i;
        state.type[i] = 20 + i;
        state.status[i] = 30 + i;
    }
    state.count = count;
    return bytes_of(state);
}

class CameraAlarmRoutes : public EventRouteTest {
  protected:
    CameraAlarmInEventRecord input_event(int chnid, int index) {
        qvdb_close_all();
        CameraAlarmInEventRecord record;
        memset(&record, 0, sizeof record);
        read_alarm_chnIn_event(QVDB_PATH, &record, chnid, index);
        return record;
    }
    std::string input_name(int chnid, int index) {
        qvdb_close_all();
        CameraAlarmInName record;
        memset(&record, 0, sizeof record);
        read_alarm_chnIn_event_name(QVDB_PATH, &record, chnid, index);
        return record.name;
    }
    CameraAlarmOutName output_name(int chnid, int index) {
        qvdb_close_all();
        CameraAlarmOutName record;
        memset(&record, 0, sizeof record);
        read_alarm_chnOut_event_name(QVDB_PATH, &record, chnid, index);
        return record;
    }
    // A POST whose waits are a thousandfold shorter (a daemon time-out takes 40 ms).
    CgiResult quick_post(const std::string &path, const std::string &body) {
        CgiRequest request;
        request.method = "POST";
        request.path_info = path;
        request.content_type = "application/json";
        request.body = body;
        return run_cgi(root, request, 1000);
    }
    // Input `index` of the answer to "/6024" for the camera, with the daemon reporting `count`.
    json_object *asked_input(int chnid, int count, int index) {
        daemon.script(kRequestCameraAlarmIns, sim_one_reply(input_reply(chnid, count)));
        json_object *answer = post_for_json("/6024", "{\"chnid\":" + std::to_string(chnid) + "}");
        return json_object_array_get_idx(json_object_object_get(answer, "alarm"), index);
    }
};

const std::vector<std::string> kInputKeys = {
    "alarmEnable", "alarmType", "alarmStatus", "alarmName", "effective", "audible", "interval", "audioId",
    "audioIdMask", "email", "email_interval", "email_pic_enable", "tri_channels_pic", "ptz", "ptz_interval",
    "ptzParams", "alarmout_interval", "triAlarms", "triChannels", "triChnAlarms", "white", "whiteInfo",
    "white_interval", "warningLight", "warningLightInfo", "warning_light_interval", "http_notification_interval",
    "httpSche", "httpParams"};

TEST_F(CameraAlarmRoutes, InputQuestionJoinsTheReplyWithTheAskedCamerasSettings) {
    post_json("/6025", "{\"chnid\":5,\"alarmCnt\":2,\"alarm\":[{},{\"alarmName\":\"Door\"}]}");
    forget_requests();
    // The reply names camera 9: names and settings are still those of camera 5.
    daemon.script(kRequestCameraAlarmIns, sim_one_reply(input_reply(9, 2)));
    json_object *answer = post_for_json("/6024", "{\"chnid\":5}");
    ASSERT_TRUE(answer);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"chnid", "alarmCnt", "alarm"}));
    EXPECT_EQ(int_at(answer, "chnid"), 5);
    EXPECT_EQ(int_at(answer, "alarmCnt"), 2);
    json_object *inputs = json_object_object_get(answer, "alarm");
    ASSERT_EQ(json_object_array_length(inputs), 2u);
    json_object *second = json_object_array_get_idx(inputs, 1);
    EXPECT_EQ(keys_of(second), kInputKeys);
    EXPECT_EQ(int_at(second, "alarmEnable"), 11);
    EXPECT_EQ(int_at(second, "alarmType"), 21);
    EXPECT_EQ(int_at(second, "alarmStatus"), 31);
    EXPECT_EQ(text_at(second, "alarmName"), "Door");

    std::vector<SimRequest> asked = sent(kRequestCameraAlarmIns);
    ASSERT_EQ(asked.size(), 1u);
    Bytes question(56, 0);
    put32(question, 0, 5);
    put32(question, 52, 4);
    EXPECT_EQ(asked[0].payload, question);

    struct Case {
        int line;
        int count;
        size_t objects;
    } counts[] = {{__LINE__, 7, 4}, {__LINE__, 4, 4}, {__LINE__, 0, 0}, {__LINE__, -3, 0}};
    for (const Case &c : counts) {
        daemon.script(kRequestCameraAlarmIns, sim_one_reply(input_reply(5, c.count)));
        json_object *reply = post_for_json("/6024", "{\"chnid\":5}");
        EXPECT_EQ(json_object_array_length(json_object_object_get(reply, "alarm")), c.objects) << "line " << c.line;
    }
}

TEST_F(CameraAlarmRoutes, QuestionsRefuseBadChannelsAndBadReplies) {
    for (const char *route : {"/6024", "/6028"})
        for (const char *body : {"{\"chnid\":64}", "{\"chnid\":-1}", "{\"chnid\":[1]}", "{}", "{chnid:1", ""})
            EXPECT_EQ(post_json(route, body).output, kJsonError) << route << " " << body;
    EXPECT_TRUE(request_codes().empty());

    // Replies shorter than their layout are no reply; a second reply never answers twice.
    Bytes short_input = input_reply(1, 1);
    short_input.pop_back();
    daemon.script(kRequestCameraAlarmIns, sim_one_reply(short_input));
    EXPECT_EQ(quick_post("/6024", "{\"chnid\":1}").output, kJsonError);
    daemon.script(kRequestCameraAlarmOuts, sim_one_reply(Bytes(23, 0)));
    EXPECT_EQ(quick_post("/6028", "{\"chnid\":1}").output, kJsonError);
    daemon.script(kRequestCameraAlarmIns, SimScript{SimStep{0, -1, input_reply(1, 1)}, SimStep{0, -1, input_reply(1, 2)}});
    CgiResult twice = post_json("/6024", "{\"chnid\":1}");
    json_object *answer = json_answer(twice);
    ASSERT_TRUE(answer) << twice.output;
    EXPECT_EQ(int_at(answer, "alarmCnt"), 1);
}

TEST_F(CameraAlarmRoutes, InputSettingsAreStoredCopiedAndSent) {
    std::string channels = "1" + std::string(62, '0') + "1";
    std::string body =
        "{\"chnid\":5,\"alarmCnt\":6,\"copyCnt\":2,\"copyChn\":[7,70],"
        "\"dialog\":[{\"alarmId\":1,\"effective\":" + schedule_request(4) + ",\"interval\":30,\"triAlarms\":3,"
        "\"triChannels\":\"" + channels + "\",\"triChnAlarms\":[\"01\",\"10\"],\"audioId\":2,"
        "\"whiteInfo\":[[3,1,10]],\"httpParams\":{\"url\":\"http://h/%41\",\"username\":\"u\",\"password\":\"p\"},"
        "\"ptzChnId\":5,\"ptzType\":28,\"ptzParams\":[{\"acto_ptz_channel\":2,\"acto_ptz_preset\":7}]},"
        "{\"alarmId\":4,\"interval\":9},\"x\"],"
        "\"alarm\":[{\"alarmEnable\":1,\"alarmType\":1,\"alarmName\":\"Door\"},7,{\"alarmEnable\":1},"
        "{\"alarmName\":\"" + std::string(80, 'w') + "\"}]}";
    EXPECT_EQ(post_json("/6025", body).output, kOk);

    std::vector<SimRequest> settings = sent(kRequestSetCameraAlarmIns);
    ASSERT_EQ(settings.size(), 1u);
    ASSERT_EQ(settings[0].payload.size(), sizeof(CameraAlarmInSettings));
    EXPECT_EQ(Bytes(settings[0].payload.begin(), settings[0].payload.begin() + 64),
              le_words({0, 1, 0, 1, 0, 0, 1, 0, 0, 1, 2, 0, 0, 0, 3, 0}));
    EXPECT_EQ(payload_i32(settings[0].payload, 64), 4);  // the count is cut to 4
    EXPECT_EQ(payload_i64(settings[0].payload, 72), (1LL << 5) | (1LL << 7));
    EXPECT_EQ(sent(kRequestCameraAlarmInsChanged).at(0).payload, set_bytes((1ULL << 5) | (1ULL << 7)));

    for (int camera : {5, 7}) {
        SCOPED_TRACE(camera);
        CameraAlarmInEventRecord record = input_event(camera, 1);
        EXPECT_EQ(record.chnid, camera);
        EXPECT_EQ(record.enable, 2);
        EXPECT_EQ(record.interval, 30);
        EXPECT_EQ(record.tri_channels_mask, (1ULL << 0) | (1ULL << 63));
        EXPECT_STREQ(record.triChnAlarms2, "10");
        json_object *input = asked_input(camera, 2, 1);
        EXPECT_EQ(answered_start(json_object_object_get(input, "effective")), "07:00");
        EXPECT_EQ(plain(json_object_object_get(input, "whiteInfo")), "[{\"chnid\":3,\"mode\":1,\"time\":10}]");
        EXPECT_EQ(text_at(json_object_object_get(input, "httpParams"), "url"), "http://h/%41");
        EXPECT_EQ(plain(json_object_object_get(input, "ptzParams")),
                  "[{\"acto_ptz_channel\":2,\"acto_ptz_type\":0,\"acto_ptz_preset\":7,\"acto_ptz_patrol\":0}]");
        EXPECT_EQ(plain(json_object_object_get(input, "triChnAlarms")), "[\"01\",\"10\"]");
    }
    EXPECT_EQ(input_event(5, 0).enable, 0);  // the item with alarmId 4 was skipped
    EXPECT_EQ(input_event(5, 0).interval, 0);
    EXPECT_EQ(input_name(5, 0), "Door");
    EXPECT_EQ(input_name(5, 3), std::string(63, 'w'));
    EXPECT_EQ(input_name(7, 0), "");  // names are not copied

    // A later request with fewer items keeps the names and actions it does not carry, even for an
    // input above its count.
    forget_requests();
    EXPECT_EQ(post_json("/6025", "{\"chnid\":5,\"alarmCnt\":1,\"dialog\":[{\"alarmId\":1,\"ptz_interval\":8}],"
                                 "\"alarm\":[7]}").output,
              kOk);
    EXPECT_EQ(input_event(5, 1).interval, 30);
    EXPECT_EQ(input_event(5, 1).ptz_interval, 8);
    EXPECT_EQ(input_event(5, 1).audioId, 2);
    EXPECT_EQ(input_name(5, 0), "Door");
    EXPECT_EQ(payload_i32(sent(kRequestSetCameraAlarmIns).at(0).payload, 8), 0);

    forget_requests();
    EXPECT_EQ(post_json("/6025", "{\"chnid\":63,\"alarmCnt\":0,\"copyCnt\":1,\"copyChn\":[1],"
                                 "\"dialog\":[{\"alarmId\":0,\"interval\":5}]}").output,
              kOk);
    EXPECT_EQ(input_event(63, 0).interval, 0);
    EXPECT_EQ(payload_i32(sent(kRequestSetCameraAlarmIns).at(0).payload, 64), 0);
    EXPECT_EQ(sent(kRequestCameraAlarmInsChanged).at(0).payload, set_bytes((1ULL << 63) | (1ULL << 1)));

    forget_requests();
    for (const char *refused : {"{\"chnid\":64,\"alarmCnt\":1}", "{\"chnid\":1}", "{\"alarmCnt\":1}", "{\"chnid\":1,"})
        EXPECT_EQ(post_json("/6025", refused).output, kJsonError) << refused;
    EXPECT_TRUE(request_codes().empty());
}

TEST_F(CameraAlarmRoutes, OutputSettingsDelaysAndSchedulesCopy) {
    post_json("/6029", "{\"chnid\":6,\"alarmCnt\":2,\"alarm\":[{\"alarmName\":\"Six\"},{\"alarmName\":\"Six B\"}]}");
    forget_requests();
    std::string body = "{\"chnid\":2,\"alarmCnt\":5,\"copyCnt\":1,\"copyChn\":[6],"
                       "\"dialog\":[{\"alarmId\":1,\"effective\":" + schedule_request(2) + "},{\"alarmId\":2}],"
                       "\"alarm\":[{\"alarmType\":1,\"delayTime\":15,\"alarmName\":\"Strobe\"},{\"delayTime\":20}]}";
    EXPECT_EQ(post_json("/6029", body).output, kOk);
    std::vector<SimRequest> settings = sent(kRequestSetCameraAlarmOuts);
    ASSERT_EQ(settings.size(), 1u);
    Bytes expected = le_words({0, 0, 1, 0, 1, 0, 2, 0});
    Bytes cameras = set_bytes((1ULL << 2) | (1ULL << 6));
    expected.insert(expected.end(), cameras.begin(), cameras.end());
    EXPECT_EQ(settings[0].payload, expected);
    EXPECT_EQ(sent(kRequestCameraAlarmOutsChanged).at(0).payload, cameras);

    EXPECT_STREQ(output_name(2, 0).name, "Strobe");
    EXPECT_EQ(output_name(2, 0).delayTime, 15);
    EXPECT_EQ(output_name(2, 1).delayTime, 20);
    EXPECT_STREQ(output_name(6, 0).name, "Six");  // only the delays are copied
    EXPECT_EQ(output_name(6, 0).delayTime, 15);
    EXPECT_EQ(output_name(6, 1).delayTime, 20);
    EXPECT_EQ(output_name(5, 0).delayTime, 0);

    CameraAlarmOutState state;
    memset(&state, 0, sizeof state);
    state.chnid = 6;
    state.type[0] = 1;
    state.status[1] = 1;
    state.count = 1;
    daemon.script(kRequestCameraAlarmOuts, sim_one_reply(bytes_of(state)));
    json_object *answer = post_for_json("/6028", "{\"chnid\":6}");
    ASSERT_TRUE(answer);
    EXPECT_EQ(sent(kRequestCameraAlarmOuts).at(0).payload, le_words({6}));
    EXPECT_EQ(int_at(answer, "alarmCnt"), 1);
    json_object *outputs = json_object_object_get(answer, "alarm");
    ASSERT_EQ(json_object_array_length(outputs), 2u);  // both, whatever the count
    json_object *second = json_object_array_get_idx(outputs, 1);
    EXPECT_EQ(keys_of(second), (std::vector<std::string>{"alarmType", "alarmStatus", "alarmName", "delayTime", "effective"}));
    EXPECT_EQ(int_at(second, "alarmStatus"), 1);
    EXPECT_EQ(text_at(second, "alarmName"), "Six B");
    EXPECT_EQ(int_at(second, "delayTime"), 20);
    EXPECT_EQ(answered_start(json_object_object_get(second, "effective")), "05:00");

    forget_requests();
    EXPECT_EQ(post_json("/6029", "{\"chnid\":2,\"alarmCnt\":-4,\"alarm\":[{\"delayTime\":99}]}").output, kOk);
    EXPECT_EQ(output_name(2, 0).delayTime, 15);
    EXPECT_EQ(payload_i32(sent(kRequestSetCameraAlarmOuts).at(0).payload, 24), 0);
}

TEST_F(CameraAlarmRoutes, SwitchingAnOutputChecksTheContact) {
    EXPECT_EQ(post_json("/6033", "{\"chnid\":3,\"alarmId\":1,\"state\":1}").output, kOk);
    EXPECT_EQ(sent(kRequestCameraAlarmState).at(0).payload, le_words({3, 1, 1}));
    forget_requests();
    for (const char *body : {"{\"chnid\":64,\"alarmId\":0,\"state\":1}", "{\"chnid\":0,\"alarmId\":2,\"state\":1}",
                             "{\"chnid\":-1,\"alarmId\":0}", "{\"state\":1}", "", "{"})
        EXPECT_EQ(post_json("/6033", body).output, kTextError) << body;
    EXPECT_TRUE(request_codes().empty());
}

}  // namespace
