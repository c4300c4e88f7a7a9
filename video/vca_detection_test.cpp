// Smart-event detection routes end to end: the payload bytes of every detection set, page-point
// conversion, hostile counts and channels, the action dialog, and the daemon's replies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/qvdb_smart_events.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class VcaDetection : public EventRouteTest {
  protected:
    // Posts a detection set and returns the one payload sent with the code (empty when the
    // answer was not "OK" or not exactly one was sent).
    Bytes set_payload(const std::string &route, const std::string &body, int code) {
        forget_requests();
        CgiResult result = post_json(route, body);
        EXPECT_EQ(result.output, kOk) << route << " " << body;
        return only_payload(code);
    }
    SmartEventRecord smart_event(int channel, int type) {
        SmartEventRecord record;
        memset(&record, 0, sizeof record);
        EXPECT_EQ(read_smart_event(QVDB_PATH, &record, channel, type), 0) << channel << " " << type;
        return record;
    }
};

struct Word {
    size_t offset;
    int32_t value;
};
struct Text {
    size_t offset;
    const char *value;
};

void expect_words(const Bytes &payload, std::initializer_list<Word> words, int line) {
    for (const Word &w : words) EXPECT_EQ(payload_i32(payload, w.offset), w.value) << "line " << line << " offset " << w.offset;
}
void expect_texts(const Bytes &payload, std::initializer_list<Text> texts, int line) {
    for (const Text &t : texts)
        EXPECT_EQ(payload_text(payload, t.offset, 300), t.value) << "line " << line << " offset " << t.offset;
}

const char kShape[] = "\"region\":\"r1\",\"polygonX\":\"1,2\",\"polygonY\":\"3,4\",\"objtype\":3,\"regionType\":2,"
                      "\"regionScene\":1,\"copyChn\":\"0011\",\"regionInfo\":[{\"enable\":1,\"objType\":2,\"time\":9,"
                      "\"region\":[{\"polygonX\":\"a\",\"polygonY\":\"b\"},{\"polygonX\":\"c\",\"polygonY\":\"d\"}]}]";

TEST_F(VcaDetection, AreaSetsCarryTheirKeysAtTheirOffsets) {
    const std::string shape = kShape;
    struct Case {
        int line;
        const char *route;
        std::string body;
        int code;
        std::vector<Word> words;
        std::vector<Text> texts;
    } cases[] = {
        {__LINE__, "/6133", "{\"chnid\":2,\"type\":0,\"enable\":1,\"sensitivity\":7," + shape + "}", 3244,
         {{0, 2}, {4, 1}, {24, 7}, {344, 3}, {564, 2}, {568, 1}, {572, 1}, {580, 9}, {584, 2}},
         {{40, "r1"}, {348, "1,2"}, {412, "3,4"}, {476, "0011"}, {588, "a"}, {652, "b"}, {780, "c"}, {844, "d"}}},
        {__LINE__, "/6133", "{\"chnid\":2,\"type\":3,\"enable\":1,\"sensitivity\":7}", 3245, {{0, 2}, {24, 7}}, {}},
        {__LINE__, "/6135", "{\"chnid\":4,\"enable\":1,\"sensitivity\":2,\"ignore_time\":15," + shape + "}", 3246,
         {{0, 4}, {24, 2}, {340, 15}, {344, 3}, {572, 1}}, {{40, "r1"}, {588, "a"}}},
        {__LINE__, "/6137", "{\"chnid\":5,\"enable\":1,\"sensitivity\":6," + shape + "}", 3247,
         {{0, 5}, {4, 1}, {24, 6}, {344, 0}, {564, 0}, {572, 0}}, {{40, ""}, {476, "0011"}}},
        {__LINE__, "/6141", "{\"chnid\":6,\"enable\":1,\"time\":20,\"size\":3," + shape + "}", 3249,
         {{0, 6}, {28, 20}, {32, 3}, {344, 3}}, {{40, "r1"}}},
        {__LINE__, "/6143", "{\"chnid\":7,\"enable\":1,\"sensitivity\":9,\"tracks\":4}", 3250,
         {{0, 7}, {4, 1}, {24, 0}, {36, 4}}, {}},
    };
    for (const Case &c : cases) {
        Bytes payload = set_payload(c.route, c.body, c.code);
        ASSERT_EQ(payload.size(), 4480u) << "line " << c.line;
        for (const Word &w : c.words) EXPECT_EQ(payload_i32(payload, w.offset), w.value) << "line " << c.line << " @" << w.offset;
        for (const Text &t : c.texts) EXPECT_EQ(payload_text(payload, t.offset, 300), t.value) << "line " << c.line << " @" << t.offset;
    }
}

// Six regions of seven polygons, one of them not an object: four regions of five polygons are
// read, by position; region type 1 reads only the first polygon, type 0 none.
TEST_F(VcaDetection, RegionsAndPolygonsAreBoundedByTheRecord) {
    std::string polygons = "[";
    for (int p = 0; p < 7; p++) polygons += std::string(p ? "," : "") + "{\"polygonX\":\"x" + std::to_string(p) + "\",\"polygonY\":\"" + std::string(80, 'y') + "\"}";
    polygons += "]";
    std::string regions = "[";
    for (int r = 0; r < 6; r++)
        regions += std::string(r ? "," : "") + (r == 1 ? "\"x\"" : "{\"enable\":1,\"time\":" + std::to_string(r + 1) + ",\"region\":" + polygons + "}");
    regions += "]";
    Bytes payload = set_payload("/6133", "{\"chnid\":1,\"regionType\":2,\"region\":\"" + std::string(400, 'r') +
                                             "\",\"regionInfo\":" + regions + "}",
                                3244);
    ASSERT_EQ(payload.size(), 4480u);
    EXPECT_EQ(payload_text(payload, 40, 300), std::string(299, 'r'));
    for (int r = 0; r < 4; r++) {
        size_t base = 572 + 976 * r;
        EXPECT_EQ(payload_i32(payload, base + 8), r == 1 ? 0 : r + 1) << r;
        EXPECT_EQ(payload_text(payload, base + 16 + 192 * 4, 64), r == 1 ? "" : "x4") << r;
        EXPECT_EQ(payload_text(payload, base + 16 + 192 * 4 + 64, 64), r == 1 ? "" : std::string(63, 'y')) << r;
    }
    EXPECT_EQ(payload_i32(payload, 4476), 0);

    payload = set_payload("/6133", "{\"chnid\":1,\"regionType\":1,\"regionInfo\":" + regions + "}", 3244);
    EXPECT_EQ(payload_text(payload, 572 + 16, 64), "x0");
    EXPECT_EQ(payload_text(payload, 572 + 16 + 192, 64), "");
    payload = set_payload("/6133", "{\"chnid\":1,\"regionType\":0,\"regionInfo\":" + regions + "}", 3244);
    EXPECT_EQ(payload_i32(payload, 572 + 8), 0);
    payload = set_payload("/6133", "{\"chnid\":1,\"regionType\":2,\"regionInfo\":{\"enable\":1}}", 3244);
    EXPECT_EQ(payload_i32(payload, 564), 2);
    EXPECT_EQ(payload_i32(payload, 572), 0);
}

TEST_F(VcaDetection, LineSetConvertsPagePointsAndKeepsFourLines) {
    Bytes payload = set_payload(
        "/6139",
        "{\"chnid\":1,\"enable\":1,\"objtype\":2,\"width\":1920,\"height\":1080,\"copyChn\":\"1\",\"line\":["
        "{\"position\":\"230;130;460;260\",\"direction\":1},{\"position\":\"\",\"direction\":2},\"x\","
        "{\"position\":\"2147483647;2;3\",\"direction\":3},{\"position\":\"460;260;460;260\",\"direction\":9}]}",
        3248);
    ASSERT_EQ(payload.size(), 612u);
    expect_words(payload, {{0, 1}, {4, 1}, {8, 1920}, {12, 1080}, {512, 2}}, __LINE__);
    expect_words(payload, {{16, 960}, {20, 540}, {24, 1920}, {28, 1080}, {32, 1}}, __LINE__);         // line 0
    expect_words(payload, {{140, 1}, {144, 1}, {148, 1}, {152, 1}, {156, 2}}, __LINE__);              // empty text
    expect_words(payload, {{264, 0}, {268, 0}, {280, 0}}, __LINE__);                                  // not an object
    expect_words(payload, {{388, 1}, {392, 1}, {396, 1}, {400, 1}, {404, 3}}, __LINE__);              // three numbers
    expect_texts(payload, {{516, "1"}}, __LINE__);

    // Page values far outside the drawing area are converted in 64 bits and clamped.
    payload = set_payload("/6139", "{\"chnid\":1,\"width\":1920,\"height\":1080,\"line\":[{\"position\":"
                                   "\"2147483647;-2147483648;0;-1\"}]}",
                          3248);
    expect_words(payload, {{16, 2147483647}, {20, 1}, {24, 1}, {28, 1}}, __LINE__);
}

TEST_F(VcaDetection, CameraLineSetHasSegmentsOnlyForLineType2) {
    std::string segments = "[";
    for (int s = 0; s < 6; s++) segments += std::string(s ? "," : "") + "{\"position\":\"0;0;460;260\",\"direction\":" + std::to_string(s + 10) + "}";
    segments += "]";
    std::string line = "{\"position\":\"230;130;460;260\",\"direction\":1,\"enable\":1,\"objtype\":4,\"line\":" + segments + "}";
    Bytes payload = set_payload("/6193", "{\"chnid\":3,\"sensitivity\":2,\"width\":1920,\"height\":1080,\"lineType\":2,"
                                         "\"lineScene\":1,\"copyChn\":\"01\",\"line\":[" + line + "," + line + "]}",
                                1210);
    ASSERT_EQ(payload.size(), 628u);
    expect_words(payload, {{0, 3}, {4, 2}, {8, 1920}, {12, 1080}, {528, 2}, {532, 1}}, __LINE__);
    expect_words(payload, {{16, 1}, {20, 960}, {24, 540}, {28, 1920}, {32, 1080}, {36, 1}, {40, 4}}, __LINE__);
    expect_words(payload, {{44, 1}, {48, 1}, {52, 1920}, {56, 1080}, {60, 10}}, __LINE__);   // segment 0
    expect_words(payload, {{124, 1}, {128, 1}, {132, 1920}, {136, 1080}, {140, 14}}, __LINE__);  // segment 4
    expect_words(payload, {{144, 1}, {148, 960}, {168, 4}}, __LINE__);  // line 1 after its 16-byte head
    expect_texts(payload, {{536, "01"}}, __LINE__);

    payload = set_payload("/6193", "{\"chnid\":3,\"width\":1920,\"height\":1080,\"lineType\":1,\"line\":[" + line + "]}", 1210);
    expect_words(payload, {{20, 960}, {44, 0}, {60, 0}}, __LINE__);
}

TEST_F(VcaDetection, PeopleCountingSetFollowsItsLines) {
    std::string body = "{\"chnid\":0,\"width\":1920,\"height\":1080,\"osdEnable\":1,\"osdType\":2,\"sensitivity\":5,"
                       "\"lineNum\":9,\"triggerType\":1,\"lineEnable\":[0,1,0,0,1,1],\"showCntEnable\":[1,\"x\",1],"
                       "\"position\":[\"1;2;3;4\",\"5;6;7;8\",7],\"alarmThreshold\":[[1,2,3,4,5],[6]],"
                       "\"totalAlarmThreshold\":[7,8,9,10,11],\"autoResetHour\":[23],"
                       "\"effective\":[[[\"00:00\",\"23:59\"]]]}";
    Bytes payload = set_payload("/6145", body, 3254);
    ASSERT_EQ(payload.size(), 28072u);
    expect_words(payload, {{0, 0}, {4, 1920}, {8, 1080}, {12, 1}, {24, 5}, {32, 9}, {36, 1}}, __LINE__);
    EXPECT_EQ(payload[28], 2);
    EXPECT_EQ(payload[64], 1);
    EXPECT_EQ(payload[65], 0);
    EXPECT_EQ(payload[66], 1);
    expect_words(payload, {{48, 7}, {52, 8}, {56, 9}, {60, 10}, {64 + 4, 0}}, __LINE__);
    // Positions unconverted; the fifth and sixth lineEnable items have no line.
    expect_words(payload, {{68 + 12, 1}, {68 + 16, 2}, {68 + 20, 3}, {68 + 24, 4}, {68 + 32, 23}}, __LINE__);
    expect_words(payload, {{124, 1}, {124 + 12, 5}, {124 + 24, 8}, {180 + 12, 0}}, __LINE__);
    expect_words(payload, {{292, 1}, {296, 2}, {300, 3}, {304, 4}, {308, 6}, {312, 0}, {356, 0}}, __LINE__);
    expect_texts(payload, {{360, "00:00"}, {360 + 32, "23:59"}}, __LINE__);
    EXPECT_EQ(payload_i32(payload, 360 + 3456), 1);  // day flag of the camera form
    EXPECT_EQ(smart_event(0, 7).enable, 1);

    set_payload("/6145", "{\"chnid\":0,\"lineEnable\":[0,0,0,0,1]}", 3254);
    EXPECT_EQ(smart_event(0, 7).enable, 0);

    // Without a readable people-counting record nothing is sent.
    exec_sql("DELETE FROM records WHERE kind = 'smart_event' AND extra = 7 AND id = 0");
    forget_requests();
    EXPECT_EQ(post_json("/6145", body).output, kTextError);
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(VcaDetection, LeftRemovedSet) {
    Bytes payload = set_payload(
        "/6171",
        "{\"chnid\":9,\"left_enable\":1,\"remove_enable\":1,\"min_time\":30,\"sensitivity\":4,\"region\":\"q\","
        "\"polygonX\":\"5\",\"polygonY\":\"6\",\"regionType\":1,\"regionScene\":2,\"copyChn\":\"001\",\"regionInfo\":["
        "{\"leftEnable\":1,\"removeEnable\":2,\"region\":[{\"polygonX\":\"a\"},{\"polygonX\":\"b\"}]}]}",
        3269);
    ASSERT_EQ(payload.size(), 4468u);
    expect_words(payload, {{0, 9}, {4, 4}, {8, 1}, {12, 1}, {16, 30}, {532, 1}, {536, 2}, {540, 1}, {544, 2}}, __LINE__);
    expect_texts(payload, {{36, "q"}, {336, "5"}, {400, "6"}, {464, "001"}, {556, "a"}, {556 + 192, ""}}, __LINE__);
}

TEST_F(VcaDetection, AnalysisSettingsConvertOneBoxPair) {
    Bytes payload = set_payload("/6147",
                                "{\"chnid\":2,\"fps\":10,\"mode\":1,\"installation\":2,\"analysis\":3,\"width\":1920,"
                                "\"height\":1080,\"position\":[{\"minStartX\":230,\"minStartY\":130,\"minWidth\":0,"
                                "\"minHeight\":-5,\"maxStartX\":460,\"maxStartY\":260,\"maxWidth\":46,\"maxHeight\":26}]}",
                                3260);
    ASSERT_EQ(payload.size(), 64u);
    expect_words(payload, {{0, 2}, {8, 10}, {12, 1}, {16, 2}, {20, 3}, {24, 1920}, {28, 1080}}, __LINE__);
    expect_words(payload, {{32, 960}, {36, 540}, {40, 1}, {44, 1}, {48, 1920}, {52, 1080}, {56, 192}, {60, 108}}, __LINE__);

    std::string boxes = "[";
    for (int k = 0; k < 9; k++) {
        boxes += std::string(k ? "," : "") + "{";
        const char *keys[] = {"minStartX", "minStartY", "minWidth", "minHeight", "maxStartX", "maxStartY", "maxWidth", "maxHeight"};
        for (int i = 0; i < 8; i++) boxes += std::string(i ? "," : "") + "\"" + keys[i] + "\":" + std::to_string(100 * k + i + 1);
        boxes += "}";
    }
    boxes += "]";
    payload = set_payload("/6195", "{\"chnid\":1,\"width\":1920,\"height\":1080,\"position\":" + boxes +
                                       ",\"copyChn\":\"" + std::string(90, '1') + "\"}",
                          1212);
    ASSERT_EQ(payload.size(), 356u);
    // Limit i of box k at 32 + 4k + 32i, unconverted; the ninth box has no place.
    expect_words(payload, {{32, 1}, {36, 101}, {60, 701}, {32 + 224, 8}, {32 + 28 + 224, 708}}, __LINE__);
    EXPECT_EQ(payload_text(payload, 288, 65), std::string(64, '1'));
}

TEST_F(VcaDetection, BadChannelsStoreAndSendNothing) {
    const char *text_routes[] = {"/6133", "/6135", "/6137", "/6139", "/6141", "/6143", "/6145", "/6171", "/6193"};
    const char *json_routes[] = {"/6147", "/6195"};
    struct Case {
        int line;
        std::string body;
        bool parses;
    } cases[] = {
        {__LINE__, "{\"chnid\":64,\"enable\":1}", true},
        {__LINE__, "{\"chnid\":-1,\"enable\":1}", true},
        {__LINE__, "{\"chnid\":\"1; reboot\",\"enable\":1}", true},
        {__LINE__, "{\"enable\":1}", true},
        {__LINE__, "{\"chnid\":[1],\"dialog\":{\"chnid\":1,\"interval\":5}}", true},
        {__LINE__, "{\"chnid\":1", false},
    };
    forget_requests();
    for (const Case &c : cases) {
        for (const char *route : text_routes) EXPECT_EQ(post_json(route, c.body).output, kTextError) << route << " line " << c.line;
        for (const char *route : json_routes)
            EXPECT_EQ(post_json(route, c.body).output, c.parses ? kJsonError : "") << route << " line " << c.line;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(VcaDetection, DialogIsSavedForItsOwnChannelAndCopied) {
    std::string dialog = "{\"chnid\":3,\"interval\":9,\"http_notification_interval\":4,\"triChannels\":\"0101\","
                         "\"effective\":" + schedule_request(2) + ",\"whiteInfo\":[[1,1,5]]}";
    forget_requests();
    EXPECT_EQ(post_json("/6135", "{\"chnid\":1,\"copyChn\":\"00000110\",\"dialog\":" + dialog + "}").output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1412, 3246}));
    EXPECT_EQ(sent(1412)[0].payload, le_words({(1 << 3) | (1 << 5) | (1 << 6), 0}));
    for (int channel : {3, 5, 6}) {
        SmartEventRecord record = smart_event(channel, 2);
        EXPECT_EQ(record.chnid, channel);
        EXPECT_EQ(record.interval, 9) << channel;
        EXPECT_EQ(record.http_notification_interval, 4) << channel;
        EXPECT_EQ(record.tri_channels_mask, 0xAu) << channel;
        json_object *actions = post_for_json("/6148", "{\"chnid\":" + std::to_string(channel) + ",\"event\":2}");
        json_object *action = json_object_array_get_idx(json_object_object_get(actions, "action"), 0);
        EXPECT_EQ(answered_start(json_object_object_get(action, "effective")), "05:00") << channel;
        EXPECT_EQ(plain(json_object_object_get(action, "whiteInfo")), "[{\"chnid\":1,\"mode\":1,\"time\":5}]") << channel;
    }
    EXPECT_EQ(smart_event(1, 2).interval, 0);  // the request's own channel is not the dialog's
    EXPECT_EQ(smart_event(3, 3).interval, 0);  // another event type

    // A dialog channel out of range skips the dialog; a source that cannot be read is not copied.
    forget_requests();
    EXPECT_EQ(post_json("/6135", "{\"chnid\":1,\"dialog\":{\"chnid\":70,\"interval\":1}}").output, kOk);
    EXPECT_EQ(request_codes(), std::vector<int>{3246});
    exec_sql("DELETE FROM records WHERE kind = 'smart_event' AND extra = 2 AND id = 4");
    forget_requests();
    EXPECT_EQ(post_json("/6135", "{\"chnid\":1,\"copyChn\":\"00000001\",\"dialog\":{\"chnid\":4,\"interval\":7}}").output, kOk);
    EXPECT_EQ(only_payload(1412), le_words({1 << 4, 0}));
    EXPECT_EQ(smart_event(7, 2).interval, 0);
}

TEST_F(VcaDetection, GetsSendTheChannelAndAnswerFromTheReply) {
    struct Case {
        int line;
        const char *route;
        std::string body;
        int code;
        const char *first_key;
    } cases[] = {
        {__LINE__, "/6132", "{\"channel\":2,\"type\":0}", 3237, "region"},
        {__LINE__, "/6132", "{\"channel\":2,\"type\":1}", 3238, "region"},
        {__LINE__, "/6134", "{\"channel\":2}", 3239, "region"},
        {__LINE__, "/6136", "{\"channel\":2}", 3240, "enable"},
        {__LINE__, "/6138", "{\"channel\":2}", 3241, "line"},
        {__LINE__, "/6140", "{\"channel\":2}", 3242, "region"},
        {__LINE__, "/6142", "{\"channel\":2}", 3243, "enable"},
        {__LINE__, "/6144", "{\"channel\":2}", 3253, "width"},
        {__LINE__, "/6146", "{\"channel\":2}", 3259, "fps"},
        {__LINE__, "/6157", "{\"channel\":2}", 3257, "support"},
        {__LINE__, "/6172", "{\"channel\":2}", 3268, "region"},
        {__LINE__, "/6192", "{\"chnid\":2}", 1209, "chnid"},
        {__LINE__, "/6194", "{\"channel\":2}", 1211, "fps"},
    };
    for (const Case &c : cases) {
        forget_requests();
        json_object *answer = post_for_json(c.route, c.body);
        ASSERT_NE(answer, nullptr) << "line " << c.line;
        EXPECT_EQ(keys_of(answer)[0], c.first_key) << "line " << c.line;
        EXPECT_EQ(only_payload(c.code), le_words({2})) << "line " << c.line;
    }
    json_object *line = post_for_json("/6138", "{\"channel\":0}");
    EXPECT_EQ(text_at(json_object_array_get_idx(json_object_object_get(line, "line"), 0), "position"), "115;130;345;130");

    forget_requests();
    for (const Case &c : cases) {
        std::string key = c.code == 1209 ? "chnid" : "channel";
        EXPECT_EQ(post_json(c.route, "{\"" + key + "\":\"x\"}").output, kJsonError) << "line " << c.line;
        EXPECT_EQ(post_json(c.route, "{").output, "") << "line " << c.line;
        if (c.code == 3257) continue;  // the support query checks no range
        EXPECT_EQ(post_json(c.route, "{\"" + key + "\":64}").output, kJsonError) << "line " << c.line;
        EXPECT_EQ(post_json(c.route, "{\"" + key + "\":-1}").output, kJsonError) << "line " << c.line;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_NE(post_for_json("/6157", "{\"channel\":99}"), nullptr);
    EXPECT_EQ(only_payload(3257), le_words({99}));
}

TEST_F(VcaDetection, FailedShortMissingAndDoubleReplies) {
    daemon.set_setting("smart_set_status", 5);
    EXPECT_EQ(post_json("/6137", "{\"chnid\":1}").output, kFailed);
    daemon.script(3247, SimScript());
    EXPECT_EQ(post_json("/6137", "{\"chnid\":1}").output, kTextError);
    daemon.script(3260, SimScript());
    EXPECT_EQ(post_json("/6147", "{\"chnid\":1}").output, kJsonError);
    daemon.script(3241, sim_one_reply(Bytes(515, 1)));  // one byte short of the line record's objtype
    EXPECT_EQ(post_json("/6138", "{\"channel\":1}").output, kJsonError);
    daemon.script(3240, SimScript{SimStep{0, -1, le_words({0, 1, 0, 0, 0, 0, 3})}, SimStep{0, -1, le_words({0, 0, 0, 0, 0, 0, 9})}});
    CgiResult twice = post_json("/6136", "{\"channel\":1}");
    EXPECT_EQ(twice.output, "Content-type: application/json\r\n\r\n{ \"enable\": 1, \"sensitivity\": 3 }");
    daemon.script(3261, SimScript());
    EXPECT_EQ(post_json("/6154", "{\"channel\":1}").output, kTextError);
}

}  // namespace
