// Reply dispatcher of module "/6000": every reply code, short payloads and point conversion.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/ipc.h"
#include "video/video_module.h"
#include "video/video_replies.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A zeroed payload of n bytes with numbers and texts put at byte offsets.
struct Payload {
    Bytes bytes;
    explicit Payload(size_t n) : bytes(n, 0) {}
    Payload &num(size_t offset, int32_t value) {
        memcpy(bytes.data() + offset, &value, 4);
        return *this;
    }
    Payload &text(size_t offset, const std::string &value) {
        memcpy(bytes.data() + offset, value.data(), value.size());
        return *this;
    }
    Payload &byte(size_t offset, uint8_t value) {
        bytes[offset] = value;
        return *this;
    }
};

struct Outcome {
    std::string output;
    int flag;
};

const char kJsonHeader[] = "Content-type: application/json\r\n\r\n";
const char kTextHeader[] = "Content-type: text/plain\r\n\r\n";

Outcome dispatch(int code, const Bytes &payload, bool null_payload = false) {
    MessageHeader header{};
    header.code = code;
    header.length = static_cast<int32_t>(payload.size());
    g_callback_done.store(0);
    testing::internal::CaptureStdout();
    on_video_ipc_callback(0, &header, null_payload ? nullptr : payload.data());
    std::string output = testing::internal::GetCapturedStdout();
    return Outcome{output, g_callback_done.load()};
}

// The JSON body of an answer, or null when the output is not a JSON answer.
json_object *json_body(const std::string &output) {
    if (output.compare(0, strlen(kJsonHeader), kJsonHeader) != 0) return nullptr;
    return json_tokener_parse(output.c_str() + strlen(kJsonHeader));
}

std::vector<std::string> keys_of(json_object *object) {
    std::vector<std::string> keys;
    json_object_object_foreach(object, key, value) {
        (void)value;
        keys.push_back(key);
    }
    return keys;
}

int int_at(json_object *object, const char *key) { return json_object_get_int(json_object_object_get(object, key)); }
std::string text_at(json_object *object, const char *key) {
    return json_object_get_string(json_object_object_get(object, key));
}
json_object *item(json_object *object, const char *key, size_t i) {
    return json_object_array_get_idx(json_object_object_get(object, key), i);
}

TEST(PagePointFromCamera, ConvertsRoundedInSixtyFourBits) {
    struct Case {
        int line;
        int width, height, x, y;
        int rc, out_x, out_y;
        const char *what;
    } cases[] = {
        {__LINE__, 1920, 1080, 960, 540, 0, 230, 130, "centre of a full-HD picture"},
        {__LINE__, 1920, 1080, 1920, 1080, 0, 460, 260, "far corner"},
        {__LINE__, 1920, 1080, 2, 2, 0, 0, 0, "rounds down below half a point"},
        {__LINE__, 1920, 1080, 3, 3, 0, 1, 1, "rounds up from half a point"},
        {__LINE__, 0, 1080, 960, 540, -1, 0, 0, "zero width converts nothing"},
        {__LINE__, 1920, 0, 960, 540, -1, 0, 0, "zero height converts nothing"},
        {__LINE__, 1920, 1080, 5000000, 0, 0, 1197917, 0, "product beyond 32 bits"},
        {__LINE__, 1, 1, 2147483647, -2147483647 - 1, 0, 2147483647, -2147483647 - 1, "clamped to 32 bits"},
        {__LINE__, -1, -1, 1, 1, 0, -460, -260, "negative sizes do not trap"},
    };
    for (const Case &c : cases) {
        int x = 77, y = 77;
        EXPECT_EQ(page_point_from_camera(c.width, c.height, c.x, c.y, &x, &y), c.rc) << "line " << c.line << " " << c.what;
        EXPECT_EQ(x, c.out_x) << "line " << c.line << " " << c.what;
        EXPECT_EQ(y, c.out_y) << "line " << c.line << " " << c.what;
    }
}

// Replies answered with "OK" or "FAILED".
TEST(VideoReplyDispatcher, StatusRepliesAnswerOkOrFailed) {
    const int codes[] = {6208, 6210, 6212, 8231, 8244, 8245, 8246, 8247, 8248,
                         8249, 8250, 8254, 8260, 8261, 8269, 8290};
    struct Case {
        int line;
        Bytes payload;
        const char *answer;
    } cases[] = {
        {__LINE__, Payload(4).num(0, 0).bytes, "OK"},
        {__LINE__, Payload(8).num(0, 0).num(4, 9).bytes, "OK"},
        {__LINE__, Payload(4).num(0, 5).bytes, "FAILED"},
        {__LINE__, Payload(4).num(0, -1).bytes, "FAILED"},
        {__LINE__, Payload(3).bytes, "FAILED"},  // too short to hold the status word
    };
    for (int code : codes) {
        for (const Case &c : cases) {
            Outcome out = dispatch(code, c.payload);
            EXPECT_EQ(out.output, std::string(kTextHeader) + c.answer) << "code " << code << " line " << c.line;
            EXPECT_EQ(out.flag, 1) << "code " << code << " line " << c.line;
        }
    }
    g_callback_done.store(0);
    testing::internal::CaptureStdout();
    on_cgi_status_text_cb(nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(kTextHeader) + "FAILED");
    EXPECT_EQ(g_callback_done.load(), 1);
}

TEST(VideoReplyDispatcher, ResRepliesCarryWordZero) {
    for (int code : {6221, 8353, 8374}) {
        Outcome out = dispatch(code, Payload(4).num(0, -7).bytes);
        EXPECT_EQ(out.output, std::string(kJsonHeader) + "{ \"res\": -7 }") << code;
        EXPECT_EQ(out.flag, 1) << code;
        Outcome short_reply = dispatch(code, Payload(2).bytes);
        EXPECT_EQ(short_reply.output, "") << code;
        EXPECT_EQ(short_reply.flag, 0) << code;
    }
}

// Replies answered key by key from fixed offsets: full payload gives the keys in order with
// their values, a payload one byte short of the layout is ignored.
TEST(VideoReplyDispatcher, FieldRepliesAnswerTheirKeysInOrder) {
    struct Case {
        int line;
        int code;
        size_t size;  // the layout the reply is read with
        std::vector<std::pair<std::string, int>> numbers;  // key and offset
        std::vector<std::pair<std::string, int>> texts;    // key and offset
        std::vector<std::string> order;
    } cases[] = {
        {__LINE__, 6215, 12, {{"chnid", 0}, {"state", 4}, {"zoomNumber", 8}}, {}, {"chnid", "state", "zoomNumber"}},
        {__LINE__, 7503, 4, {{"result", 0}}, {}, {"result"}},
        {__LINE__, 8206, 340,
         {{"sensitivity", 304}, {"result", 312}, {"enable", 0}, {"modelType", 316}, {"fishdisplay", 320},
          {"fishtransfer", 324}, {"fishinstall", 328}, {"enableAI", 332}},
         {{"map", 4}},
         {"map", "sensitivity", "result", "enable", "modelType", "fishdisplay", "fishtransfer", "fishinstall",
          "enableAI"}},
        {__LINE__, 8213, 89, {{"camId", 4}, {"enable", 8}, {"type", 12}, {"triActions", 16}}, {{"triChannels", 24}},
         {"camId", "enable", "type", "triActions", "triChannels"}},
        {__LINE__, 8215, 109,
         {{"camId", 4}, {"enable", 8}, {"type", 12}, {"volume", 16}, {"duration", 20}, {"onEvent", 24},
          {"offEvent", 28}, {"ongoingEvent", 32}, {"triActions", 36}},
         {{"triChannels", 44}},
         {"camId", "enable", "type", "volume", "duration", "onEvent", "offEvent", "ongoingEvent", "triActions",
          "triChannels"}},
        {__LINE__, 8232, 20, {{"chnid", 0}, {"result", 16}, {"fishmount", 4}, {"fishdisplay", 8}, {"fishcorrect", 12}},
         {}, {"chnid", "result", "fishmount", "fishdisplay", "fishcorrect"}},
        {__LINE__, 8237, 476, {{"enable", 4}, {"sensitivity", 24}, {"objtype", 344}},
         {{"region", 40}, {"polygonX", 348}, {"polygonY", 412}},
         {"region", "enable", "sensitivity", "objtype", "polygonX", "polygonY"}},
        {__LINE__, 8238, 476, {{"enable", 4}, {"sensitivity", 24}, {"objtype", 344}},
         {{"region", 40}, {"polygonX", 348}, {"polygonY", 412}},
         {"region", "enable", "sensitivity", "objtype", "polygonX", "polygonY"}},
        {__LINE__, 8239, 476, {{"enable", 4}, {"sensitivity", 24}, {"ignore_time", 340}, {"objtype", 344}},
         {{"region", 40}, {"polygonX", 348}, {"polygonY", 412}},
         {"region", "enable", "sensitivity", "ignore_time", "objtype", "polygonX", "polygonY"}},
        {__LINE__, 8240, 28, {{"enable", 4}, {"sensitivity", 24}}, {}, {"enable", "sensitivity"}},
        {__LINE__, 8242, 476, {{"enable", 4}, {"time", 28}, {"size", 32}, {"objtype", 344}},
         {{"region", 40}, {"polygonX", 348}, {"polygonY", 412}},
         {"region", "enable", "time", "size", "objtype", "polygonX", "polygonY"}},
        {__LINE__, 8243, 40, {{"enable", 4}, {"tracks", 36}}, {}, {"enable", "tracks"}},
        {__LINE__, 8257, 12, {{"support", 4}, {"type", 8}}, {}, {"support", "type"}},
        {__LINE__, 8268, 464,
         {{"left_enable", 8}, {"remove_enable", 12}, {"min_time", 16}, {"sensitivity", 4}},
         {{"region", 36}, {"polygonX", 336}, {"polygonY", 400}},
         {"region", "left_enable", "remove_enable", "min_time", "sensitivity", "polygonX", "polygonY"}},
        {__LINE__, 8293, 12, {{"chnid", 0}, {"vca_support", 4}, {"vca_version", 8}}, {},
         {"chnid", "vca_support", "vca_version"}},
    };
    for (const Case &c : cases) {
        Payload payload(c.size);
        int value = 100;
        for (const auto &n : c.numbers) payload.num(n.second, value++);
        for (const auto &t : c.texts) payload.text(t.second, "t" + std::to_string(t.second));
        Outcome out = dispatch(c.code, payload.bytes);
        EXPECT_EQ(out.flag, 1) << "line " << c.line;
        json_object *answer = json_body(out.output);
        ASSERT_NE(answer, nullptr) << "line " << c.line << " " << out.output;
        EXPECT_EQ(keys_of(answer), c.order) << "line " << c.line;
        value = 100;
        for (const auto &n : c.numbers) EXPECT_EQ(int_at(answer, n.first.c_str()), value++) << "line " << c.line << " " << n.first;
        for (const auto &t : c.texts)
            EXPECT_EQ(text_at(answer, t.first.c_str()), "t" + std::to_string(t.second)) << "line " << c.line << " " << t.first;
        json_object_put(answer);

        Bytes shorter(payload.bytes.begin(), payload.bytes.end() - 1);
        Outcome short_out = dispatch(c.code, shorter);
        EXPECT_EQ(short_out.output, "") << "line " << c.line;
        EXPECT_EQ(short_out.flag, 0) << "line " << c.line;
    }
}

TEST(VideoReplyDispatcher, MotionMapOfOneHundredBytesIsIgnored) {
    Outcome out = dispatch(8206, Payload(100).num(0, 1).bytes);
    EXPECT_EQ(out.output, "");
    EXPECT_EQ(out.flag, 0);
}

// Text fields are read within their field even when the daemon leaves out the NUL.
TEST(VideoReplyDispatcher, TextsStayInsideTheirFields) {
    Payload region(476);
    region.text(40, std::string(300, 'r')).num(340, 0x41414141).text(348, std::string(64, 'x')).text(412, "y");
    Outcome out = dispatch(8237, region.bytes);
    json_object *answer = json_body(out.output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(text_at(answer, "region"), std::string(300, 'r'));
    EXPECT_EQ(text_at(answer, "polygonX"), std::string(64, 'x'));
    EXPECT_EQ(text_at(answer, "polygonY"), "y");
    json_object_put(answer);

    Payload alarm(89);
    alarm.text(24, std::string(65, '1'));
    answer = json_body(dispatch(8213, alarm.bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(text_at(answer, "triChannels"), std::string(65, '1'));
    json_object_put(answer);
}

TEST(VideoReplyDispatcher, IgnoresUnlistedCodesAndMissingPayloads) {
    struct Case {
        int line;
        int code;
        bool null_payload;
    } cases[] = {
        {__LINE__, 8207, false}, {__LINE__, 3206, false}, {__LINE__, 0, false},
        {__LINE__, 8206, true},  {__LINE__, 6208, true},  {__LINE__, 6211, true},
    };
    for (const Case &c : cases) {
        Outcome out = dispatch(c.code, Payload(400).bytes, c.null_payload);
        EXPECT_EQ(out.output, "") << "line " << c.line;
        EXPECT_EQ(out.flag, 0) << "line " << c.line;
    }
}

TEST(VideoReplyDispatcher, PlateWildcards) {
    Payload payload(228);
    payload.num(0, 3).num(4, 1).num(224, 9);
    for (int i = 0; i < 9; i++) payload.num(8 + 4 * i, i % 2).num(44 + 4 * i, 10 + i).text(80 + 16 * i, std::string(16, 'A' + i));
    Outcome out = dispatch(6207, payload.bytes);
    json_object *answer = json_body(out.output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"chnid", "filter", "maxPlateCharNum", "wildcards"}));
    EXPECT_EQ(int_at(answer, "maxPlateCharNum"), 9);
    ASSERT_EQ(json_object_array_length(json_object_object_get(answer, "wildcards")), 9u);
    json_object *last = item(answer, "wildcards", 8);
    EXPECT_EQ(int_at(last, "enable"), 0);
    EXPECT_EQ(int_at(last, "cr_count"), 18);
    EXPECT_EQ(text_at(last, "format"), std::string(16, 'I'));  // a full field without its NUL
    json_object_put(answer);
    EXPECT_EQ(dispatch(6207, Payload(227).bytes).output, "");
}

TEST(VideoReplyDispatcher, CameraFormLinesAreConverted) {
    Payload payload(628);
    payload.num(0, 2).num(4, 50).num(8, 1920).num(12, 1080);
    payload.num(128 + 16, 1).num(128 + 20, 960).num(128 + 24, 540).num(128 + 28, 1920).num(128 + 32, 1080);
    payload.num(128 + 36, 2).num(128 + 40, 3);
    json_object *answer = json_body(dispatch(6209, payload.bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"chnid", "width", "height", "sensitivity", "line"}));
    json_object *line = item(answer, "line", 1);
    EXPECT_EQ(keys_of(line), (std::vector<std::string>{"enable", "objtype", "direction", "position"}));
    EXPECT_EQ(text_at(line, "position"), "230;130;460;260");
    EXPECT_EQ(int_at(line, "direction"), 2);
    EXPECT_EQ(int_at(line, "objtype"), 3);
    json_object_put(answer);
    EXPECT_EQ(dispatch(6209, Payload(427).bytes).output, "");
}

TEST(VideoReplyDispatcher, LineCrossingPositionsAreConverted) {
    Payload payload(612);
    payload.num(4, 1).num(8, 1920).num(12, 0).num(512, 6);  // zero height: nothing converts
    payload.num(124 + 16, 960).num(124 + 32, 2);
    json_object *answer = json_body(dispatch(8241, payload.bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"line", "enable", "width", "height", "objtype"}));
    EXPECT_EQ(text_at(item(answer, "line", 1), "position"), "0;0;0;0");
    EXPECT_EQ(int_at(item(answer, "line", 1), "direction"), 2);
    json_object_put(answer);

    payload.num(12, 1080);
    answer = json_body(dispatch(8241, payload.bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(text_at(item(answer, "line", 1), "position"), "230;0;0;0");
    json_object_put(answer);
    EXPECT_EQ(dispatch(8241, Payload(515).bytes).output, "");
}

Payload people_payload(int width, int height) {
    Payload payload(292);
    payload.num(4, width).num(8, height).num(12, 1).num(16, 2).num(20, 3).num(24, 4).byte(28, 5).num(32, 2);
    payload.byte(64, 1).byte(67, 1);
    payload.num(68 + 0, 1).num(68 + 12, 960).num(68 + 16, 540).num(68 + 20, 1920).num(68 + 24, 1080).num(68 + 40, 59);
    payload.num(68 + 56 + 12, 0).num(68 + 56 + 16, 0).num(68 + 56 + 20, 2).num(68 + 56 + 24, 2);
    return payload;
}

TEST(VideoReplyDispatcher, PeopleCountingLines) {
    json_object *answer = json_body(dispatch(8253, people_payload(1920, 1080).bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer),
              (std::vector<std::string>{"width", "height", "osdEnable", "osdFontSize", "osdTextPos", "osdType",
                                        "sensitivity", "lineNum", "lineEnable", "autoResetEnable", "direction",
                                        "showCntEnable", "startX", "startY", "stopX", "stopY", "autoResetWeekday",
                                        "autoResetHour", "autoResetMin", "autoResetSec", "position"}));
    EXPECT_EQ(int_at(answer, "osdType"), 5);
    EXPECT_EQ(int_at(answer, "sensitivity"), 4);
    EXPECT_EQ(json_object_get_int(item(answer, "showCntEnable", 3)), 1);
    EXPECT_EQ(json_object_get_int(item(answer, "showCntEnable", 1)), 0);
    EXPECT_EQ(json_object_get_int(item(answer, "startX", 0)), 960);  // raw camera pixels
    EXPECT_EQ(json_object_get_int(item(answer, "autoResetSec", 0)), 59);
    EXPECT_STREQ(json_object_get_string(item(answer, "position", 0)), "230;130;460;260");
    EXPECT_STREQ(json_object_get_string(item(answer, "position", 1)), "1;1;1;1");  // values below 1 raised
    json_object_put(answer);

    answer = json_body(dispatch(8253, people_payload(0, 1080).bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(json_object_get_string(item(answer, "position", 0)), "1;1;1;1");  // no conversion possible
    json_object_put(answer);
    Bytes shorter = people_payload(1920, 1080).bytes;
    shorter.pop_back();
    EXPECT_EQ(dispatch(8253, shorter).output, "");
}

TEST(VideoReplyDispatcher, SmartEventLimitsAreConvertedAndRaised) {
    Payload payload(64);
    payload.num(4, 7).num(8, 25).num(12, 1).num(16, 2).num(20, 3).num(24, 1920).num(28, 1080);
    payload.num(32, 960).num(36, 540).num(40, 2).num(44, 1080).num(48, 0).num(52, 0).num(56, 1920).num(60, 1080);
    json_object *answer = json_body(dispatch(8259, payload.bytes).output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"fps", "mode", "installation", "analysis", "width", "height",
                                                         "vcaType", "position"}));
    EXPECT_EQ(int_at(answer, "vcaType"), 7);
    json_object *box = item(answer, "position", 0);
    struct Expect {
        const char *key;
        int value;
    } expected[] = {{"minStartX", 230}, {"minStartY", 130}, {"minWidth", 1},  {"minHeight", 260},
                    {"maxStartX", 1},   {"maxStartY", 1},   {"maxWidth", 460}, {"maxHeight", 260}};
    for (const Expect &e : expected) EXPECT_EQ(int_at(box, e.key), e.value) << e.key;
    json_object_put(answer);

    payload.num(24, 0);
    answer = json_body(dispatch(8259, payload.bytes).output);
    ASSERT_NE(answer, nullptr);
    for (const Expect &e : expected) EXPECT_EQ(int_at(item(answer, "position", 0), e.key), 1) << e.key;
    json_object_put(answer);
    EXPECT_EQ(dispatch(8259, Payload(63).bytes).output, "");
}

TEST(VideoReplyDispatcher, CameraFormAnalysisSettingsAreUnconverted) {
    Payload payload(356);
    payload.num(8, 25).num(24, 1920).num(28, 1080);
    for (int box = 0; box < 8; box++)
        for (int limit = 0; limit < 8; limit++) payload.num(32 + 4 * box + 32 * limit, box * 10 + limit);
    Outcome out = dispatch(6211, payload.bytes);
    EXPECT_EQ(out.flag, 1);
    json_object *answer = json_body(out.output);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer),
              (std::vector<std::string>{"fps", "mode", "installation", "analysis", "width", "height", "position"}));
    ASSERT_EQ(json_object_array_length(json_object_object_get(answer, "position")), 8u);
    json_object *box = item(answer, "position", 5);
    EXPECT_EQ(keys_of(box), (std::vector<std::string>{"minStartX", "minStartY", "minWidth", "minHeight", "maxStartX",
                                                      "maxStartY", "maxWidth", "maxHeight", "width", "height"}));
    EXPECT_EQ(int_at(box, "minStartY"), 51);
    EXPECT_EQ(int_at(box, "maxHeight"), 57);
    EXPECT_EQ(int_at(box, "width"), 1920);
    json_object_put(answer);

    // A missing or short reply is answered with the JSON error answer.
    for (const Bytes &bad : {Bytes(), Bytes(287, 0)}) {
        g_callback_done.store(0);
        testing::internal::CaptureStdout();
        on_get_ipc_vca_settings2_cb(bad.empty() ? nullptr : bad.data(), static_cast<int>(bad.size()));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(kJsonHeader) + "{status:\"CGI ERROR\"}");
        EXPECT_EQ(g_callback_done.load(), 1);
    }
}

TEST(VideoReplyDispatcher, FisheyeSupport) {
    struct Case {
        int line;
        int word0;
        int support;
    } cases[] = {{__LINE__, 1, 1}, {__LINE__, 0, 0}, {__LINE__, 2, 0}, {__LINE__, -1, 0}};
    for (const Case &c : cases) {
        json_object *answer = json_body(dispatch(8373, Payload(20).num(0, c.word0).num(16, 4).bytes).output);
        ASSERT_NE(answer, nullptr) << "line " << c.line;
        EXPECT_EQ(keys_of(answer),
                  (std::vector<std::string>{"support", "transfer", "install", "display", "streamCnt"}));
        EXPECT_EQ(int_at(answer, "support"), c.support) << "line " << c.line;
        EXPECT_EQ(int_at(answer, "streamCnt"), 4) << "line " << c.line;
        json_object_put(answer);
    }
    EXPECT_EQ(dispatch(8373, Payload(19).bytes).output, "");
}

}  // namespace
