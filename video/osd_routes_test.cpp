// OSD, privacy-mask and fisheye routes end to end: nvrweb.cgi, the configuration database and
// the simulated daemon, with short, empty and repeated replies.
#include <gtest/gtest.h>
#include <json-c/json.h>

#include <string>
#include <vector>

#include "core/qvdb_camera.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class OsdRoutes : public EventRouteTest {
  protected:
    OsdRecord stored(int channel) {
        OsdRecord record;
        memset(&record, 0, sizeof record);
        if (read_osd(QVDB_PATH, &record, channel) != 0) record.alpha = -12345;
        return record;
    }
    // The one request of the code that reached the daemon ("" payload when none or several did).
    Bytes only_request(int code) {
        std::vector<SimRequest> requests = sent(code, 1);
        return requests.size() == 1 ? requests[0].payload : Bytes{'?'};
    }
};

std::string osd_set(const std::string &key, const std::string &value) {
    const std::pair<std::string, std::string> keys[] = {
        {"camId", "3"},       {"camName", "\"Gate\""}, {"showName", "1"},     {"showDate", "0"},
        {"showWeek", "1"},    {"dateFormat", "3"},    {"timeFormat", "1"},   {"datePosX", "0.25"},
        {"datePosY", "12"},   {"namePosX", "\"0.5\""}, {"namePosY", "0"},    {"alpha", "7"},
    };
    std::string body = "{";
    for (const auto &k : keys) {
        std::string v = k.first == key ? value : k.second;
        if (!v.empty()) body += (body.size() > 1 ? "," : "") + ("\"" + k.first + "\":" + v);
    }
    return body + "}";
}

TEST_F(OsdRoutes, OsdSetAndQueryRoundTrip) {
    json_object *factory = json_answer(get("/6000", "0"));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(keys_of(factory), (std::vector<std::string>{"camId", "camName", "showName", "showDate", "showWeek",
                                                          "dateFormat", "timeFormat", "datePosX", "datePosY",
                                                          "namePosX", "namePosY", "alpha"}));
    EXPECT_EQ(text_at(factory, "camName"), "CAM1");
    EXPECT_TRUE(json_object_is_type(json_object_object_get(factory, "datePosX"), json_type_double));

    std::string long_name(100, 'n');
    EXPECT_EQ(post_json("/6001", osd_set("camName", "\"" + long_name + "\"")).output, kOk);
    EXPECT_EQ(request_codes(), std::vector<int>{1007});
    EXPECT_EQ(sent(1007)[0].payload, le_words({3, 1, 0}));
    json_object *answer = json_answer(get("/6000", "3"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(text_at(answer, "camName"), long_name.substr(0, 63));
    EXPECT_DOUBLE_EQ(json_object_get_double(json_object_object_get(answer, "datePosX")), 0.25);
    EXPECT_DOUBLE_EQ(json_object_get_double(json_object_object_get(answer, "datePosY")), 12);
    EXPECT_DOUBLE_EQ(json_object_get_double(json_object_object_get(answer, "namePosX")), 0.5);
    struct Expect {
        const char *key;
        int value;
    } numbers[] = {{"camId", 3},     {"showName", 1},   {"showDate", 0}, {"showWeek", 1},
                   {"dateFormat", 3}, {"timeFormat", 1}, {"alpha", 7}};
    for (const Expect &e : numbers) EXPECT_EQ(int_at(answer, e.key), e.value) << e.key;

    for (const char *arg : {"64", "-1", "x", "", "3 "}) EXPECT_EQ(get("/6000", arg).output, "") << arg;
}

TEST_F(OsdRoutes, OsdSetRefusesEachBadKey) {
    struct Case {
        int line;
        std::string key, value;
    } cases[] = {
        {__LINE__, "camId", "64"},      {__LINE__, "camId", "-1"},       {__LINE__, "camId", ""},
        {__LINE__, "camName", ""},      {__LINE__, "camName", "5"},      {__LINE__, "showName", "2"},
        {__LINE__, "showDate", "2"},    {__LINE__, "showWeek", ""},      {__LINE__, "dateFormat", "4"},
        {__LINE__, "timeFormat", "2"},  {__LINE__, "datePosX", "-0.5"},  {__LINE__, "datePosY", "\"abc\""},
        {__LINE__, "namePosX", "[1]"},  {__LINE__, "namePosY", ""},      {__LINE__, "alpha", "-1"},
        {__LINE__, "alpha", "\"7; reboot\""},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6001", osd_set(c.key, c.value)).output, "") << "line " << c.line;
    EXPECT_EQ(post_json("/6001", "{").output, "");
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_STREQ(stored(3).camName, "CAM4");
    EXPECT_EQ(stored(3).alpha, 0);
}

TEST_F(OsdRoutes, NameRouteCutsAtThirtyOneAndNeverWritesAnUnreadRecord) {
    ASSERT_EQ(post_json("/6001", osd_set("", "")).output, kOk);
    forget_requests();
    std::string name = "0123456789012345678901234567890123456789";
    EXPECT_EQ(post_json("/6002", "{\"camId\":3,\"camName\":\"" + name + "\"}").output, kOk);
    EXPECT_EQ(std::string(stored(3).camName), name.substr(0, 31));
    EXPECT_EQ(stored(3).alpha, 7);  // the rest of the record is kept
    for (const char *body : {"{\"camId\":64,\"camName\":\"x\"}", "{\"camId\":-1,\"camName\":\"x\"}", "{\"camId\":3}",
                             "{\"camName\":\"x\"}", "{"})
        EXPECT_EQ(post_json("/6002", body).output, "") << body;
    exec_sql("DELETE FROM records WHERE kind = 'osd' AND id = 2");
    EXPECT_EQ(post_json("/6002", "{\"camId\":2,\"camName\":\"x\"}").output, "");
    EXPECT_EQ(stored(2).alpha, -12345);
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(OsdRoutes, StoredMasksAnswerEveryChannel) {
    json_object *answer = json_answer(get("/6018"));
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(json_object_array_length(answer), 64u);
    json_object *last = json_object_array_get_idx(answer, 63);
    EXPECT_EQ(keys_of(last), (std::vector<std::string>{"id", "area"}));
    EXPECT_EQ(int_at(last, "id"), 63);
    json_object *areas = json_object_object_get(last, "area");
    ASSERT_EQ(json_object_array_length(areas), 24u);
    EXPECT_EQ(keys_of(json_object_array_get_idx(areas, 0)),
              (std::vector<std::string>{"area_id", "enable", "start_x", "start_y", "area_width", "area_height", "width",
                                        "height", "fill_color"}));
}

// Byte offsets of the mask-set payload: the camera record starts at 72, its areas at 72 + 120.
constexpr size_t kMasks = 72;
size_t area_at(int j) { return kMasks + 120 + 96 * static_cast<size_t>(j); }

TEST_F(OsdRoutes, MaskSetPayload) {
    std::string long_name(80, 'm');
    EXPECT_EQ(post_json("/6019", "{\"cnt\":4,\"chnid\":[1,3,70,\"2\",5],\"enable\":1,\"cgiSdkFlag\":1,\"num\":1,"
                                 "\"mosaicNum\":1,\"areaMaskEnable\":1,\"mosaicSupport\":1,\"delMask\":6,\"area\":["
                                 "{\"area_id\":0,\"enable\":1,\"start_x\":10,\"start_y\":20,\"area_width\":30,"
                                 "\"area_height\":40,\"fill_color\":2,\"ratio\":3,\"name\":\"" + long_name + "\"},"
                                 "\"junk\",{\"area_id\":9}]}").output,
              kOk);
    Bytes expected = zeros(2904);
    put_text(expected, 0, std::string(64, '0'));
    expected[1] = expected[3] = '1';
    put32(expected, kMasks + 4, 1);
    put32(expected, kMasks + 8, 1);
    put32(expected, kMasks + 12, 1);
    put32(expected, kMasks + 52, 1);
    int32_t area[] = {0, 1, 10, 20, 30, 40, 2, 3};
    for (int i = 0; i < 8; i++) put32(expected, area_at(0) + 4 * i, area[i]);
    put_text(expected, area_at(0) + 32, long_name.substr(0, 63));
    put32(expected, kMasks + 2808, 1);
    put32(expected, kMasks + 2812, 1);
    put32(expected, kMasks + 2816, 6);
    EXPECT_EQ(only_request(2509), expected);  // item 1 is not an object; item 2 lies past num + mosaicNum
}

TEST_F(OsdRoutes, MaskSetAreaCountsStayWithinTheRecordAndTheArray) {
    std::string thirty = "[";
    for (int j = 0; j < 30; j++) thirty += (j ? "," : "") + std::string("{\"area_id\":") + std::to_string(j + 1) + "}";
    thirty += "]";
    struct Case {
        int line;
        std::string counts, areas;
        int filled;  // area slots written
        const char *what;
    } cases[] = {
        {__LINE__, "\"num\":20,\"mosaicNum\":12", thirty, 28, "28 at most"},
        {__LINE__, "\"num\":2147483647,\"mosaicNum\":2147483647", thirty, 28, "no 32-bit overflow"},
        {__LINE__, "\"num\":-5,\"mosaicNum\":1", thirty, 0, "negative sum"},
        {__LINE__, "\"num\":5", "[{\"area_id\":1},{\"area_id\":2}]", 2, "never past the array"},
    };
    for (const Case &c : cases) {
        forget_requests();
        ASSERT_EQ(post_json("/6019", "{\"cnt\":1,\"chnid\":[0]," + c.counts + ",\"area\":" + c.areas + "}").output, kOk)
            << "line " << c.line;
        Bytes payload = only_request(2509);
        ASSERT_EQ(payload.size(), 2904u) << "line " << c.line;
        for (int j = 0; j < 28; j++)
            EXPECT_EQ(payload_i32(payload, area_at(j)), j < c.filled ? j + 1 : 0) << "line " << c.line << " slot " << j;
        EXPECT_EQ(payload_i32(payload, kMasks + 2808), 0) << "line " << c.line << " " << c.what;
        EXPECT_EQ(payload_i32(payload, kMasks + 2816), 0) << "line " << c.line;  // no delMask given
    }
    forget_requests();
    for (const char *body : {"{\"chnid\":[1],\"area\":[]}", "{\"cnt\":1,\"area\":[]}", "{\"cnt\":1,\"chnid\":[1]}",
                             "{\"cnt\":1,\"chnid\":\"1\",\"area\":[]}", "{\"cnt\":1,\"chnid\":[1],\"area\":{}}", "{"})
        EXPECT_EQ(post_json("/6019", body).output, "") << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(OsdRoutes, MaskDelete) {
    EXPECT_EQ(post_json("/6173", "{\"chan_id\":2,\"area_id\":24}").output, kOk);
    EXPECT_EQ(only_request(2508), le_words({2, 24}));
    forget_requests();
    for (const char *body : {"{\"chan_id\":2,\"area_id\":25}", "{\"chan_id\":2,\"area_id\":-1}",
                             "{\"chan_id\":64,\"area_id\":1}", "{\"chan_id\":-1,\"area_id\":1}", "{\"area_id\":1}",
                             "{\"chan_id\":1}", "{", ""})
        EXPECT_EQ(post_json("/6173", body).output, kJsonError) << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

// ---- routes that wait for the daemon ---------------------------------------------------------

TEST_F(OsdRoutes, CameraOverlayQuery) {
    json_object *answer = json_answer(post_json("/6997", "{\"id\":4}"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"enable_text", "text_name", "textpos", "enable_date", "datepos",
                                                         "dateformat", "enable_text_sub", "text_name_sub", "textpos_sub",
                                                         "enable_date_sub", "datepos_sub", "dateformat_sub",
                                                         "disconnect"}));
    EXPECT_EQ(text_at(answer, "text_name"), "Camera 5");
    EXPECT_EQ(int_at(answer, "disconnect"), 1);
    EXPECT_EQ(only_request(3211), le_words({4}));

    Bytes disconnected = zeros(848);
    put32(disconnected, 0, -1);
    Bytes unterminated(848, 'A');
    put32(unterminated, 0, 0);
    struct Case {
        int line;
        SimScript replies;
        std::string output;
    } cases[] = {
        {__LINE__, sim_one_reply(disconnected), std::string(kJsonHeader) + "{\"disconnect\":0}"},
        {__LINE__, sim_one_reply(zeros(847)), kTextError},
        {__LINE__, sim_one_reply(Bytes()), kTextError},
        {__LINE__, SimScript{{0, -1, disconnected}, {0, -1, disconnected}},
         std::string(kJsonHeader) + "{\"disconnect\":0}"},
    };
    for (const Case &c : cases) {
        daemon.script(3211, c.replies);
        EXPECT_EQ(normalized(post_json("/6997", "{\"id\":4}")), c.output) << "line " << c.line;
    }
    daemon.script(3211, sim_one_reply(unterminated));
    answer = json_answer(post_json("/6997", "{\"id\":4}"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(text_at(answer, "text_name"), std::string(256, 'A'));
}

TEST_F(OsdRoutes, CameraOverlaySet) {
    std::string long_text(300, 't');
    std::string body = "{\"ch\":2,\"enable_text\":1,\"text_name\":\"" + long_text +
                       "\",\"textpos\":3,\"enable_date\":1,\"datepos\":4,\"dateformat\":5,\"fontSize\":6,"
                       "\"text_name_sub\":\"s\",\"fontSizeSub\":7,\"type\":8}";
    EXPECT_EQ(post_json("/6996", body).output, kOk);
    Bytes expected = zeros(848);
    put32(expected, 0, 2);
    put32(expected, 4, 1);
    put_text(expected, 8, long_text.substr(0, 255));
    int32_t words[] = {3, 1, 4, 5, 6};
    for (int i = 0; i < 5; i++) put32(expected, 264 + 4 * i, words[i]);
    put_text(expected, 288, "s");
    put32(expected, 560, 7);
    put32(expected, 844, 8);
    EXPECT_EQ(only_request(3210), expected);

    struct Case {
        int line;
        Bytes reply;
        std::string output;
    } cases[] = {
        {__LINE__, le_words({-1}), "Content-type: text/plain\r\n\r\nNO_SUPPORT"},
        {__LINE__, le_words({5}), "Content-type: text/plain\r\n\r\nERROR"},
        {__LINE__, Bytes{0, 0, 0}, kTextError},
        {__LINE__, Bytes(), kTextError},
    };
    for (const Case &c : cases) {
        daemon.script(3210, sim_one_reply(c.reply));
        EXPECT_EQ(post_json("/6996", body).output, c.output) << "line " << c.line;
    }
    daemon.script(3210, SimScript{{0, -1, le_words({0})}, {5, -1, le_words({-1})}});
    EXPECT_EQ(post_json("/6996", body).output, kOk);
    forget_requests();
    for (const char *bad : {"{\"ch\":64,\"enable_text\":1,\"text_name\":\"a\",\"textpos\":1,\"enable_date\":1,"
                            "\"datepos\":1,\"dateformat\":1,\"fontSize\":1}",
                            "{\"ch\":1,\"enable_text\":1,\"text_name\":\"a\",\"textpos\":1,\"enable_date\":1,"
                            "\"datepos\":1,\"dateformat\":1}",
                            "{\"ch\":1,\"enable_text\":1,\"text_name\":2,\"textpos\":1,\"enable_date\":1,"
                            "\"datepos\":1,\"dateformat\":1,\"fontSize\":1}",
                            "{"})
        EXPECT_EQ(post_json("/6996", bad).output, "") << bad;
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(OsdRoutes, CameraPrivacyMasks) {
    json_object *answer = json_answer(post_json("/6115", "{\"id\":6}"));
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(json_object_array_length(answer), 1u);
    json_object *camera = json_object_array_get_idx(answer, 0);
    EXPECT_EQ(keys_of(camera), (std::vector<std::string>{"id", "num", "maxPtzZoomRatio", "areaEnable", "enable",
                                                         "sdkversion", "cgiSdkFlag", "colorList", "mosaicSupport",
                                                         "mosaicNum", "colorSupport", "maxMaskSum", "area"}));
    EXPECT_EQ(int_at(camera, "id"), 6);
    json_object *areas = json_object_object_get(camera, "area");
    ASSERT_EQ(json_object_array_length(areas), 4u);
    json_object *first = json_object_array_get_idx(areas, 0);
    EXPECT_EQ(keys_of(first), (std::vector<std::string>{"area_id", "enable", "start_x", "start_y", "area_width",
                                                        "area_height", "width", "height", "fill_color", "left", "top",
                                                        "right", "bottom", "ratio", "name"}));
    EXPECT_EQ(int_at(first, "width"), 460);
    EXPECT_EQ(int_at(first, "height"), 260);
    EXPECT_EQ(int_at(first, "left"), int_at(first, "start_x"));
    EXPECT_EQ(int_at(first, "bottom"), int_at(first, "area_height"));
    EXPECT_EQ(only_request(2502), le_words({6}));

    // Two cameras, the second claiming 50 areas in use and texts that fill their fields.
    Bytes two = zeros(2 * 2832 + 100);
    put32(two, 0, 1);
    put32(two, 2832, 2);
    put32(two, 2832 + 2828, 50);
    put_text(two, 2832 + 16, std::string(32, 'v'));
    put_text(two, 2832 + 56, std::string(64, 'c'));
    for (int k = 0; k < 28; k++) put_text(two, 2832 + 120 + 96 * k + 32, std::string(64, 'n'));
    daemon.script(2502, sim_one_reply(two));
    answer = json_answer(post_json("/6115", "{\"id\":6}"));
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(json_object_array_length(answer), 2u);
    EXPECT_EQ(json_object_array_length(json_object_object_get(json_object_array_get_idx(answer, 0), "area")), 0u);
    camera = json_object_array_get_idx(answer, 1);
    EXPECT_EQ(int_at(camera, "maxMaskSum"), 50);
    ASSERT_EQ(json_object_array_length(json_object_object_get(camera, "area")), 28u);
    EXPECT_EQ(text_at(camera, "sdkversion"), std::string(32, 'v'));
    EXPECT_EQ(text_at(camera, "colorList"), std::string(64, 'c'));
    EXPECT_EQ(text_at(json_object_array_get_idx(json_object_object_get(camera, "area"), 27), "name"), std::string(64, 'n'));

    for (const Bytes &reply : {zeros(2831), Bytes()}) {
        daemon.script(2502, sim_one_reply(reply));
        EXPECT_EQ(post_json("/6115", "{\"id\":6}").output, kTextError) << reply.size();
    }
    daemon.script(2502, SimScript{{0, -1, zeros(2832)}, {0, -1, zeros(2832)}});
    answer = json_answer(post_json("/6115", "{\"id\":6}"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(json_object_array_length(answer), 1u);
}

// The small waited routes: their payloads, their answers, and replies too short to read.
TEST_F(OsdRoutes, SmallWaitedRoutes) {
    Bytes fisheye_check = zeros(260), fisheye_set = zeros(272);
    put_text(fisheye_check, 0, std::string(63, 'd'));
    put_text(fisheye_check, 64, "10.0.0.9");
    put_text(fisheye_check, 128, "admin");
    put_text(fisheye_check, 192, "p;rm -rf /");
    put32(fisheye_check, 256, 8000);
    memcpy(fisheye_set.data(), fisheye_check.data(), 260);
    put32(fisheye_set, 260, 1);
    put32(fisheye_set, 264, 2);
    put32(fisheye_set, 268, 3);
    std::string camera = "\"ddns\":\"" + std::string(70, 'd') +
                         "\",\"ipaddr\":\"10.0.0.9\",\"username\":\"admin\",\"password\":\"p;rm -rf /\",\"port\":8000";
    std::string json = kJsonHeader, text = "Content-type: text/plain\r\n\r\n";
    struct Case {
        int line;
        std::string route, body;
        int code;
        Bytes request;
        std::string answer;  // with the canned reply
        int short_length;    // a reply of this many bytes is too short
        std::string short_answer;
        std::string timeout_answer;  // an empty reply is no reply
    } cases[] = {
        {__LINE__, "/6198", "{\"chnid\":3,\"maskid\":2}", 3353, le_words({3, 2}), json + "{\"res\":0}", 3, kJsonError, kJsonError},
        {__LINE__, "/6116", "{\"id\":3}", 2503, le_words({3}), json + "{\"result\":1}", 3, kTextError, kTextError},
        {__LINE__, "/6130", "{\"id\":3}", 3232, le_words({3}),
         json + "{\"chnid\":3,\"result\":0,\"fishmount\":1,\"fishdisplay\":2,\"fishcorrect\":1}", 19, kTextError, kTextError},
        {__LINE__, "/6131", "{\"chnid\":3,\"fishmount\":1,\"fishdisplay\":2,\"fishcorrect\":4}", 3231,
         le_words({3, 1, 2, 4, 0}), text + "OK", 3, text + "FAILED", kJsonError},
        {__LINE__, "/6196", "{" + camera + "}", 3373, fisheye_check,
         json + "{\"support\":1,\"transfer\":1,\"install\":0,\"display\":2,\"streamCnt\":2}", 19, kJsonError, kJsonError},
        {__LINE__, "/6197", "{" + camera + ",\"transfer\":1,\"install\":2,\"display\":3}", 3374, fisheye_set,
         json + "{\"res\":0}", 3, kJsonError, kJsonError},
    };
    for (const Case &c : cases) {
        forget_requests();
        EXPECT_EQ(normalized(post_json(c.route, c.body)), c.answer) << "line " << c.line;
        EXPECT_EQ(only_request(c.code), c.request) << "line " << c.line;
        daemon.script(c.code, sim_one_reply(Bytes(static_cast<size_t>(c.short_length), 0)));
        EXPECT_EQ(post_json(c.route, c.body).output, c.short_answer) << "line " << c.line << " short reply";
        daemon.script(c.code, sim_one_reply(Bytes()));
        EXPECT_EQ(post_json(c.route, c.body).output, c.timeout_answer) << "line " << c.line << " empty reply";
        daemon.script(c.code, SimScript{{0, -1, zeros(20)}, {5, -1, zeros(20)}});
        CgiResult twice = post_json(c.route, c.body);
        EXPECT_EQ(twice.output.find("Content-type"), twice.output.rfind("Content-type")) << "line " << c.line;
        daemon.clear_script(c.code);
    }
    // Channels sent to the daemon are 0 to 63; nothing is sent for another.
    forget_requests();
    const char *refused[][2] = {{"/6997", "{\"id\":64}"}, {"/6115", "{\"id\":-1}"},  {"/6116", "{\"id\":64}"},
                                {"/6130", "{\"id\":64}"}, {"/6130", "{\"id\":-1}"},  {"/6131", "{\"chnid\":64}"},
                                {"/6198", "{\"chnid\":-1,\"maskid\":1}"},           {"/6997", "{}"},
                                {"/6196", "{"},           {"/6197", "[1]"}};
    for (auto &r : refused) EXPECT_EQ(post_json(r[0], r[1]).output, "") << r[0] << " " << r[1];
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

}  // namespace
