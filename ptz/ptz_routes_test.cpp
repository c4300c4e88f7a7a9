// PTZ routes of module "/5000" end to end: commands and relays sent to the daemon, answers of
// its replies, and the stored ports, speeds and tours.
#include <string.h>

#include <string>
#include <vector>

#include "core/qvdb.h"
#include "core/qvdb_ptz.h"
#include "system/system_test_support.h"

namespace {

const char kOkText[] = "Content-type: text/plain\r\n\r\nOK";
const char kTextError[] = "Content-type: text/plain\r\n\r\nCGI ERROR";

std::vector<int32_t> words_at(const Bytes &payload, size_t offset, int count) {
    std::vector<int32_t> words;
    for (int i = 0; i < count; i++) words.push_back(payload_i32(payload, offset + 4 * i));
    return words;
}

class PtzRoutes : public RouteTest {
  protected:
    void TearDown() override {
        for (json_object *o : owned_) json_object_put(o);
        RouteTest::TearDown();
    }
    json_object *answer_of(const CgiResult &result) {
        json_object *answer = parse_answer(result.body);
        if (answer) owned_.push_back(answer);
        return answer;
    }
    // (parameter, channel) of each operation-log record; every one has sub type 206.
    std::vector<std::vector<int32_t>> logs() {
        std::vector<std::vector<int32_t>> records;
        for (const SimRequest &r : sent(3485)) {
            EXPECT_EQ(payload_i64(r.payload, 8), 206);
            records.push_back({payload_i32(r.payload, 24), payload_i32(r.payload, 32)});
        }
        return records;
    }
    void set_cameras(int count) {
        set_param_int(QVDB_PATH, "max_cameras", count);
        qvdb_close_all();
    }
    PtzTourRecord stored_tours(int channel) {
        qvdb_close_all();
        PtzTourRecord tours;
        memset(&tours, 0, sizeof tours);
        EXPECT_EQ(read_ptz_tour(QVDB_PATH, &tours, channel), 0);
        return tours;
    }
    std::vector<json_object *> owned_;
};

TEST_F(PtzRoutes, CommandIsSentThenThePanSpeedRelayed) {
    EXPECT_EQ(post_json("/5000", R"({"channelId":5,"action":21,"panSpeed":3,"tiltSpeed":4,"zoomSpeed":5,"focusSpeed":6,"fisheyeType":1,"streamId":2,"isAutoFocus":1})")
                  .output,
              kOkText);
    std::vector<SimRequest> commands = sent(1251);
    ASSERT_EQ(commands.size(), 2u);
    ASSERT_EQ(commands[0].payload.size(), 72u);
    EXPECT_EQ(words_at(commands[0].payload, 0, 7), (std::vector<int32_t>{5, 21, 0, 3, 4, 5, 6}));
    EXPECT_EQ(words_at(commands[0].payload, 64, 2), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(payload_i32(commands[1].payload, 4), 12);  // the auto-focus run repeats as action 12
    Bytes relay = sent(3226)[0].payload;
    ASSERT_EQ(relay.size(), 392u);
    EXPECT_EQ(payload_i32(relay, 0), 5);
    EXPECT_EQ(payload_text(relay, 68, 64), "vsetting.html");
    EXPECT_EQ(payload_text(relay, 132, 128), "ptzspeed");
    EXPECT_EQ(payload_text(relay, 260, 128), "2");
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{900, 6}}));

    struct Case {
        int pan;
        const char *relayed;
    } speeds[] = {{0, "1"}, {1, "0"}, {2, "1"}, {8, "7"}, {-4, "1"}};
    for (const Case &c : speeds) {
        daemon.clear_requests();
        post_json("/5000", R"({"channelId":0,"action":1,"panSpeed":)" + std::to_string(c.pan) + "}");
        EXPECT_EQ(payload_text(sent(3226)[0].payload, 260, 128), c.relayed) << c.pan;
        EXPECT_EQ(sent(1251).size(), 1u);
    }

    // A camera that does not answer the relay: "CGI ERROR", and the action is still logged.
    daemon.clear_requests();
    daemon.script(3226, SimScript());
    EXPECT_EQ(post_json("/5000", R"({"channelId":1,"action":1})").output, kTextError);
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{900, 2}}));
}

TEST_F(PtzRoutes, CommandChannelIsBoundedByTheCameras) {
    set_cameras(16);
    for (const char *body : {R"({"channelId":16,"action":1})", R"({"channelId":-1,"action":1})",
                             R"({"channelId":1,"action":-1})", R"({"action":1})", R"({"channelId":1})", "{\"channelId\":1,"})
        EXPECT_EQ(post_json("/5000", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
    set_cameras(1000);  // at most 64 channels whatever the setting says
    EXPECT_EQ(post_json("/5000", R"({"channelId":64,"action":1})").output, "");
    EXPECT_EQ(post_json("/5001", R"({"channelId":64,"presetId":1,"action":1,"panSpeed":1,"tiltSpeed":1,"zoomSpeed":1,"focusSpeed":1})").output, "");
    EXPECT_TRUE(daemon.requests().empty());
    EXPECT_EQ(post_json("/5000", R"({"channelId":63,"action":1})").output, kOkText);
}

TEST_F(PtzRoutes, PresetsAreCheckedNamedAndRelayedToFisheyeCameras) {
    const std::string speeds = R"("panSpeed":1,"tiltSpeed":2,"zoomSpeed":3,"focusSpeed":4)";
    const std::string forty(40, 'n');
    EXPECT_EQ(post_json("/5001", R"({"channelId":2,"presetId":300,"action":22,"name":")" + forty + "\"," + speeds + "}").output,
              kOkText);
    Bytes command = sent(1253)[0].payload;
    EXPECT_EQ(words_at(command, 0, 7), (std::vector<int32_t>{2, 22, 300, 1, 2, 3, 4}));
    EXPECT_EQ(payload_text(command, 32, 32), std::string(30, 'n'));
    EXPECT_TRUE(sent(3226).empty());
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 3}}));

    // Another action carries no name.
    daemon.clear_requests();
    post_json("/5001", R"({"channelId":2,"presetId":3,"action":23,"name":"kept out",)" + speeds + "}");
    EXPECT_EQ(payload_text(sent(1253)[0].payload, 32, 32), "");

    // Saving a fisheye preset names it on the camera: "stream:preset:name" (31 characters).
    daemon.clear_requests();
    EXPECT_EQ(post_json("/5001", R"({"channelId":2,"presetId":7,"action":22,"fisheyeType":1,"streamId":3,"name":")" + forty +
                                     "\"," + speeds + "}")
                  .output,
              kOkText);
    EXPECT_EQ(payload_text(sent(3226)[0].payload, 132, 128), "ipncptz=setfishpreset");
    EXPECT_EQ(payload_text(sent(3226)[0].payload, 260, 128), "3:7:" + std::string(31, 'n'));
    daemon.script(3226, SimScript());
    EXPECT_EQ(post_json("/5001", R"({"channelId":2,"presetId":7,"action":22,"fisheyeType":1,)" + speeds + "}").output,
              kTextError);

    daemon.clear_requests();
    for (const std::string &body : std::vector<std::string>{
             R"({"channelId":2,"presetId":301,"action":1,)" + speeds + "}", R"({"channelId":2,"presetId":-1,"action":1,)" + speeds + "}",
          R"({"channelId":2,"presetId":1,"action":1,"panSpeed":1,"tiltSpeed":2,"zoomSpeed":3})",
          R"({"channelId":2,"presetId":1,"action":1,"panSpeed":1,"tiltSpeed":-2,"zoomSpeed":3,"focusSpeed":4})"})
        EXPECT_EQ(post_json("/5001", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PtzRoutes, ToursPatternsZoomAndPresetCalls) {
    struct Case {
        int line;
        const char *route;
        std::string body;
        int code;
        std::vector<int32_t> words;  // from offset 0
        std::vector<int32_t> log;    // parameter, channel number
    } cases[] = {
        {__LINE__, "/5002", R"({"chn":4,"tourid":2,"fisheyeType":1,"streamId":3})", 1260, {4, 2, 0, 0, 0, 0, 1, 3}, {900, 5}},
        {__LINE__, "/5003", R"({"chn":4,"tourid":2})", 1261, {4, 2, 0, 0, 0, 0, 0, 0}, {900, 5}},
        {__LINE__, "/5004", R"({"chn":1,"tourid":3,"action":0})", 1254, {1, 26, 3}, {904, 2}},
        {__LINE__, "/5004", R"({"chn":1,"tourid":3,"action":1})", 1254, {1, 21, 3}, {904, 2}},
        {__LINE__, "/5004", R"({"chn":1,"action":2})", 1254, {1, 25, 0}, {904, 2}},
        {__LINE__, "/5004", R"({"chn":1,"action":3})", 1254, {1, 27, 0}, {904, 2}},
        {__LINE__, "/5004", R"({"chn":1,"action":4})", 1254, {1, 40, 0}, {904, 2}},
        {__LINE__, "/5004", R"({"chn":1,"action":7})", 1254, {1, 0, 0}, {904, 2}},
        {__LINE__, "/5006", R"({"channelId":9,"action":33})", 1266, {9, 33}, {900, 10}},
        {__LINE__, "/5007", R"({"camId":6,"Zoom":1,"ZoomSpeed":4})", 1267, {6, 1, 4}, {900, 7}},
        {__LINE__, "/6057", R"({"chn":3,"tourid":7,"fisheyeType":1,"streamId":2})", 1257, {3, 7, 0, 0, 0, 0, 1, 2}, {904, 4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("line " + std::to_string(c.line));
        daemon.clear_requests();
        EXPECT_EQ(post_json(c.route, c.body).output, kOkText);
        std::vector<SimRequest> requests = sent(c.code);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(words_at(requests[0].payload, 0, static_cast<int>(c.words.size())), c.words);
        EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{c.log}));
    }
    daemon.clear_requests();
    for (const char *route : {"/5002", "/5003", "/5004", "/5005", "/5006", "/5007", "/5008"})
        for (const char *body : {R"({"chn":64,"channelId":64,"camId":64})", R"({"chn":-1,"channelId":-1,"camId":-1})", "[1]"})
            EXPECT_EQ(post_json(route, body).output, "") << route << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PtzRoutes, PtzStateAnswersPresetsToursAndStatuses) {
    json_object *state = answer_of(post_json("/5005", R"({"chn":2})"));
    ASSERT_TRUE(state);
    EXPECT_EQ(sent(1265)[0].payload, le_words({2}));
    EXPECT_EQ(answer_keys(state),
              (std::vector<std::string>{"status", "PRESET", "TOUR", "PATTERN", "autoscan_status", "tour_status"}));
    json_object *presets = json_object_object_get(state, "PRESET");
    EXPECT_EQ(json_object_array_length(presets), 300u);
    EXPECT_EQ(json_text(json_object_array_get_idx(presets, 5), "name"), "Preset 6");
    json_object *tours = json_object_object_get(state, "TOUR");
    ASSERT_EQ(json_object_array_length(tours), 8u);
    json_object *first_tour = json_object_array_get_idx(tours, 0);
    ASSERT_EQ(json_object_array_length(first_tour), 3u);  // ends at the first preset id 0
    EXPECT_EQ(answer_keys(json_object_array_get_idx(first_tour, 2)),
              (std::vector<std::string>{"preset_id", "speed", "timeout"}));
    EXPECT_EQ(json_int(json_object_array_get_idx(first_tour, 2), "timeout"), 10);
    EXPECT_EQ(json_object_array_length(json_object_object_get(state, "tour_status")), 5u);

    // A preset name filling its whole field is read within it.
    Bytes reply(15604, 0);
    memset(reply.data() + 4, 'x', 32);
    memset(reply.data() + 36, 'y', 4);
    daemon.script(1268, sim_one_reply(reply));
    state = answer_of(post_json("/5005", R"({"chn":2,"fisheyeType":1,"streamId":1})"));
    EXPECT_EQ(json_text(json_object_array_get_idx(json_object_object_get(state, "PRESET"), 0), "name"), std::string(32, 'x'));
    EXPECT_EQ(sent(1268)[0].payload, le_words({2, 1}));

    daemon.script(1265, sim_one_reply(Bytes(15603, 0)));
    EXPECT_EQ(post_json("/5005", R"({"chn":2})").body, R"({ "status": "Error" })");
}

TEST_F(PtzRoutes, CameraControlLedAndBasicSettings) {
    daemon.script(3361, sim_one_reply(le_words({-3})));
    EXPECT_EQ(post_json("/5009", R"({"chnid":63,"ptzCmd":4})").body, R"({ "res": -3 })");
    EXPECT_EQ(sent(3361)[0].payload, le_words({63, 4}));
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 64}}));
    daemon.script(3361, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(post_json("/5009", R"({"chnid":1,"ptzCmd":4})").body, kJsonError);

    daemon.script(3363, sim_one_reply(le_words({4, 1, 9})));
    EXPECT_EQ(post_json("/5010", R"({"chnid":4})").body, R"({ "chnid": 4, "status": 1 })");
    daemon.script(3363, sim_one_reply(le_words({4})));
    EXPECT_EQ(post_json("/5010", R"({"chnid":4})").body, kJsonError);

    json_object *basic = answer_of(post_json("/5011", R"({"chnId":7})"));
    ASSERT_TRUE(basic);
    EXPECT_EQ(answer_keys(basic).size(), 17u);
    EXPECT_EQ(json_int(basic, "chnId"), 7);
    EXPECT_EQ(json_int(basic, "patrolRecoveryTime"), 30);
    daemon.script(1270, sim_one_reply(Bytes(135, 0)));
    EXPECT_EQ(post_json("/5011", R"({"chnId":7})").body, kJsonError);

    EXPECT_EQ(post_json("/5012", R"({"chnId":7,"zoomStatus":1,"fanWorkingMode":2,"resumeTime":60,"channelMask":")" +
                                     std::string(70, '1') + "\"}")
                  .body,
              R"({ "status": 0 })");
    Bytes settings = sent(1271)[0].payload;
    ASSERT_EQ(settings.size(), 136u);
    EXPECT_EQ(words_at(settings, 0, 3), (std::vector<int32_t>{0, 7, 1}));
    EXPECT_EQ(payload_i32(settings, 60), 60);
    EXPECT_EQ(payload_i32(settings, 64), 2);
    EXPECT_EQ(payload_text(settings, 68, 68), std::string(64, '1'));

    daemon.clear_requests();
    for (const char *route : {"/5009", "/5010", "/5011", "/5012"})
        for (const char *body : {R"({"chnid":64,"chnId":64})", R"({"chnid":-1,"chnId":-1})", "{}", "nonsense"})
            EXPECT_EQ(post_json(route, body).body, kJsonError) << route << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PtzRoutes, PortSettingsRoundTrip) {
    const std::string keys = R"("connectType":1,"baudRate":2400,"dataBits":7,"stopBits":2,"parityType":2,"protocol":13,"address":9)";
    EXPECT_EQ(post_json("/6051", R"({"cnt":4,"chnid":[1,99,"2",2,5],)" + keys + "}").output, kOkText);
    std::vector<SimRequest> notices = sent(1252);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].payload, le_words({1}));
    EXPECT_EQ(notices[1].payload, le_words({2}));
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 2}, {904, 3}}));

    json_object *port = answer_of(post_json("/6050", R"({"chnid":2})"));
    ASSERT_TRUE(port);
    EXPECT_EQ(answer_keys(port), (std::vector<std::string>{"camId", "connectType", "baudRate", "dataBits", "stopBits",
                                                            "parityType", "protocol", "address"}));
    EXPECT_EQ(json_int(port, "baudRate"), 2400);
    EXPECT_EQ(json_int(port, "protocol"), 13);
    port = answer_of(post_json("/6050", R"({"chnid":5})"));  // beyond "cnt": the factory port
    EXPECT_EQ(json_int(port, "baudRate"), 9600);
    EXPECT_EQ(json_int(port, "address"), 6);

    daemon.clear_requests();
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, R"({"cnt":1,"chnid":[1],"connectType":1,"baudRate":2400,"dataBits":4,"stopBits":2,"parityType":2,"protocol":13,"address":9})"},
        {__LINE__, R"({"cnt":1,"chnid":[1],"connectType":1,"baudRate":2400,"dataBits":7,"stopBits":2,"parityType":3,"protocol":13,"address":9})"},
        {__LINE__, R"({"cnt":1,"chnid":[1],"connectType":2,"baudRate":2400,"dataBits":7,"stopBits":2,"parityType":2,"protocol":13,"address":9})"},
        {__LINE__, R"({"cnt":1,"chnid":[1],"connectType":1,"baudRate":2400,"dataBits":7,"stopBits":2,"parityType":2,"protocol":14,"address":9})"},
        {__LINE__, R"({"cnt":1,"chnid":[1],"connectType":1,"baudRate":-1,"dataBits":7,"stopBits":2,"parityType":2,"protocol":13,"address":9})"},
        {__LINE__, R"({"cnt":1,"chnid":1,)" + keys + "}"},
        {__LINE__, R"({"chnid":[1],)" + keys + "}"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json("/6051", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());
    for (const char *body : {R"({"chnid":16})", R"({"chnid":-1})", "{}"})
        EXPECT_EQ(post_json("/6050", body).body, kJsonError) << body;
}

TEST_F(PtzRoutes, SpeedSettingsRoundTrip) {
    json_object *speed = answer_of(post_json("/6053", R"({"camId":63})"));
    ASSERT_TRUE(speed);
    EXPECT_EQ(answer_keys(speed), (std::vector<std::string>{"pan_speed", "tilt_speed", "zoom_speed", "foucs_speed"}));
    EXPECT_EQ(json_int(speed, "foucs_speed"), 5);

    EXPECT_EQ(post_json("/6054", R"({"camId":63,"pan_speed":1,"tilt_speed":2,"foucs_speed":4})").output, kOkText);
    EXPECT_EQ(post_json("/6053", R"({"camId":63})").body,
              R"({ "pan_speed": 1, "tilt_speed": 2, "zoom_speed": 0, "foucs_speed": 4 })");
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 64}}));
    EXPECT_EQ(json_int(answer_of(post_json("/6053", R"({"camId":62})")), "pan_speed"), 5);

    daemon.clear_requests();
    for (const char *body : {R"({"camId":64,"pan_speed":1})", R"({"camId":-1,"pan_speed":1})"}) {
        EXPECT_EQ(post_json("/6054", body).output, "") << body;
        EXPECT_EQ(post_json("/6053", body).output, "") << body;
    }
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PtzRoutes, ToursAreStoredSentAndCleared) {
    EXPECT_EQ(post_json("/6055", R"({"chn":3,"tourid":7,"rowsize":5,"path":[{"preset":4,"speed":2,"time":30},7,{"preset":6}]})").output,
              kOkText);
    Bytes definition = sent(1264)[0].payload;
    ASSERT_EQ(definition.size(), 588u);
    EXPECT_EQ(words_at(definition, 0, 12), (std::vector<int32_t>{3, 7, 3, 4, 30, 2, 0, 0, 0, 6, 0, 0}));
    PtzTourRecord tours = stored_tours(3);
    EXPECT_EQ(tours.preset[ptz_tour_slot(7, 0)], 4);
    EXPECT_EQ(tours.dwell_time[ptz_tour_slot(7, 0)], 30);
    EXPECT_EQ(tours.speed[ptz_tour_slot(7, 0)], 2);
    EXPECT_EQ(tours.preset[ptz_tour_slot(7, 2)], 6);
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 4}}));

    // Rows beyond "rowsize" keep their stored values; clearing keeps dwell times and speeds.
    post_json("/6055", R"({"chn":3,"tourid":7,"rowsize":1,"path":[{"preset":9,"speed":1,"time":5},{"preset":8}]})");
    tours = stored_tours(3);
    EXPECT_EQ(tours.preset[ptz_tour_slot(7, 0)], 9);
    EXPECT_EQ(tours.preset[ptz_tour_slot(7, 2)], 6);
    EXPECT_EQ(post_json("/6057", R"({"chn":3,"tourid":7})").output, kOkText);
    tours = stored_tours(3);
    EXPECT_EQ(tours.preset[ptz_tour_slot(7, 0)], 0);
    EXPECT_EQ(tours.preset[ptz_tour_slot(7, 2)], 0);
    EXPECT_EQ(tours.dwell_time[ptz_tour_slot(7, 0)], 5);
    EXPECT_EQ(stored_tours(4).preset[ptz_tour_slot(7, 0)], 0);

    daemon.clear_requests();
    struct Case {
        int line;
        const char *route;
        const char *body;
    } refused[] = {
        {__LINE__, "/6055", R"({"chn":3,"tourid":8,"rowsize":1,"path":[{"preset":1}]})"},
        {__LINE__, "/6055", R"({"chn":3,"tourid":-1,"rowsize":1,"path":[{"preset":1}]})"},
        {__LINE__, "/6055", R"({"chn":3,"tourid":0,"rowsize":49,"path":[{"preset":1}]})"},
        {__LINE__, "/6055", R"({"chn":3,"tourid":0,"rowsize":-1,"path":[{"preset":1}]})"},
        {__LINE__, "/6055", R"({"chn":64,"tourid":0,"rowsize":1,"path":[{"preset":1}]})"},
        {__LINE__, "/6056", R"({"chn":3,"tourid":0,"rowsize":1,"path":[{"preset":1}]})"},
        {__LINE__, "/6056", R"({"chn":3,"tourid":9,"rowsize":1,"path":[{"preset":1}]})"},
        {__LINE__, "/6056", R"({"chn":3,"tourid":1,"rowsize":49,"path":[{"preset":1}]})"},
        {__LINE__, "/6057", R"({"chn":3,"tourid":8})"},
        {__LINE__, "/6057", R"({"chn":-1,"tourid":0})"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json(c.route, c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());
    EXPECT_EQ(stored_tours(3).dwell_time[ptz_tour_slot(7, 0)], 5);
}

TEST_F(PtzRoutes, FisheyeToursAreSentNotStored) {
    EXPECT_EQ(post_json("/6056", R"({"chn":2,"tourid":8,"streamId":1,"rowsize":2,"path":[{"preset":5,"speed":3,"time":20},{"preset":6,"speed":4,"time":25}]})").output,
              kOkText);
    Bytes tours = sent(1269)[0].payload;
    ASSERT_EQ(tours.size(), 4620u);
    EXPECT_EQ(words_at(tours, 0, 3), (std::vector<int32_t>{2, 1, 7}));
    size_t last_tour = 12 + 7 * 576;
    EXPECT_EQ(words_at(tours, last_tour, 2), (std::vector<int32_t>{5, 6}));
    EXPECT_EQ(words_at(tours, last_tour + 192, 2), (std::vector<int32_t>{20, 25}));
    EXPECT_EQ(words_at(tours, last_tour + 384, 2), (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(payload_i32(tours, 12), 0);
    EXPECT_EQ(stored_tours(2).preset[ptz_tour_slot(7, 0)], 0);
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 3}}));
}

TEST_F(PtzRoutes, SupportAndIpcSpeed) {
    daemon.script(1262, sim_one_reply(le_words({-1})));
    EXPECT_EQ(post_json("/6052", R"({"camId":3})").output, "Content-type: text/plain\r\n\r\n-1");
    EXPECT_EQ(sent(1262)[0].payload, le_words({3}));
    daemon.script(1262, sim_one_reply(le_words({5})));
    EXPECT_EQ(post_json("/6052", R"({"camId":3})").body, "0");
    daemon.script(1262, sim_one_reply(Bytes(2, 0)));
    EXPECT_EQ(post_json("/6052", R"({"camId":3})").output, kTextError);

    daemon.clear_requests();
    EXPECT_EQ(post_json("/5008", R"({"chn":4,"Speed":6})").output, kOkText);
    EXPECT_EQ(payload_text(sent(3226)[0].payload, 260, 128), "5");
    EXPECT_EQ(logs(), (std::vector<std::vector<int32_t>>{{904, 5}}));
}

// Every route of the module that waits for a reply it reads: a reply one byte short and an empty
// one are its time-out answer, once; two whole replies give one answer.
const WaitingRoute kWaitingPtzRoutes[] = {
    {__LINE__, "/6052", nullptr, "{\"camId\":1}", 1262, -1, 4, kCgiErrorText},
    {__LINE__, "/5009", nullptr, "{\"chnid\":1,\"ptzCmd\":2}", 3361, -1, 4, kCgiErrorJson},
    {__LINE__, "/5011", nullptr, "{\"chnId\":1}", 1270, -1, 136, kCgiErrorJson},
    {__LINE__, "/5012", nullptr, "{\"chnId\":1,\"zoomStatus\":1}", 1271, -1, 4, kCgiErrorJson},
};

TEST_F(PtzRoutes, ShortEmptyAndSecondRepliesOfEveryWaitingRoute) {
    for (const WaitingRoute &route : kWaitingPtzRoutes) expect_reply_bounds(root, daemon, route);
}

}  // namespace
