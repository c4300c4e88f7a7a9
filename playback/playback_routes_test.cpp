// Playback, live view and image routes of module "/4000" end to end: the payloads the daemon
// receives, the answers its replies give, hostile lists and short replies.
#include <string.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/qvdb.h"
#include "playback/playback_payloads.h"
#include "system/system_test_support.h"

namespace {

const char kOkText[] = "Content-type: text/plain\r\n\r\nOK";
const char kJsonHeader[] = "Content-type: application/json\r\n\r\n";

Bytes section_bytes(int channel, int session, int lock, int type, const char *start, const char *end) {
    SectionRecord record;
    memset(&record, 0, sizeof record);
    record.channel = channel;
    record.session = session;
    record.lock = lock;
    record.record_type = type;
    strncpy(record.start_time, start, sizeof record.start_time);
    strncpy(record.end_time, end, sizeof record.end_time);
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

std::vector<int32_t> words_at(const Bytes &payload, size_t offset, int count) {
    std::vector<int32_t> words;
    for (int i = 0; i < count; i++) words.push_back(payload_i32(payload, offset + 4 * i));
    return words;
}

std::string local_time(long long seconds) {
    time_t when = static_cast<time_t>(seconds);
    struct tm local;
    localtime_r(&when, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

class PlaybackRoutes : public RouteTest {
  protected:
    // The JSON answer of a route (null when the answer is not JSON under the JSON header).
    json_object *answer_of(const CgiResult &result) {
        if (result.headers != kJsonHeader) return nullptr;
        json_object *answer = parse_answer(result.body);
        if (answer) owned_.push_back(answer);
        return answer;
    }
    void TearDown() override {
        for (json_object *o : owned_) json_object_put(o);
        RouteTest::TearDown();
    }
    // The operation-log records sent: (sub type, parameter, channel) of each.
    std::vector<std::vector<int64_t>> log_records() {
        std::vector<std::vector<int64_t>> records;
        for (const SimRequest &r : sent(3485))
            records.push_back({payload_i64(r.payload, 8), payload_i32(r.payload, 24), payload_i32(r.payload, 32)});
        return records;
    }
    std::vector<json_object *> owned_;
};

TEST_F(PlaybackRoutes, StartPlaybackClosesThePreviousSessionAndSelectsTheChannel) {
    set_param_int(QVDB_PATH, "max_cameras", 16);
    qvdb_close_all();
    daemon.script(1159, sim_one_reply(section_bytes(2, 7, 1, 4, "2024-01-02 03:04:05", "2024-01-02 04:00:00")));
    json_object *answer = answer_of(post_json(
        "/4000", R"({"channelId":2,"sid":3,"streamType":1,"time":"2024-01-02 00:00:00","endTime":"2024-01-02 23:59:59"})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"status", "camId", "sectionNum", "sid", "section"}));
    EXPECT_EQ(json_text(answer, "status"), "OK");
    json_object *first = json_object_array_get_idx(json_object_object_get(answer, "section"), 0);
    EXPECT_EQ(answer_keys(first), (std::vector<std::string>{"startTime", "endTime", "recordType", "lock"}));
    EXPECT_EQ(json_text(first, "startTime"), "2024-01-02 03:04:05");
    EXPECT_EQ(json_int(first, "recordType"), 4);

    std::vector<SimRequest> requests = daemon.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].code, 1160);
    EXPECT_EQ(payload_i32(requests[0].payload, 0), 3);
    EXPECT_EQ(payload_i32(requests[0].payload, 772), 1);
    EXPECT_EQ(requests[1].code, 1903);
    EXPECT_EQ(requests[1].payload, le_words({3}));
    const Bytes &start = requests[2].payload;
    ASSERT_EQ(start.size(), 216u);
    EXPECT_EQ(payload_text(start, 0, 68), "0010000000000000");
    EXPECT_EQ(words_at(start, 68, 4), (std::vector<int32_t>{1, 1, -1, -1}));
    EXPECT_EQ(payload_text(start, 84, 32), "2024-01-02 00:00:00");
    EXPECT_EQ(payload_text(start, 116, 32), "2024-01-02 23:59:59");

    // No previous session: only the start; a missing key: nothing at all.
    daemon.clear_requests();
    post_json("/4000", R"({"channelId":0,"sid":-1,"streamType":0,"time":"a","endTime":"b"})");
    ASSERT_EQ(daemon.requests().size(), 1u);
    EXPECT_EQ(payload_i32(sent(1159)[0].payload, 72), 0);
    daemon.clear_requests();
    EXPECT_EQ(post_json("/4000", R"({"channelId":0,"sid":-1,"streamType":0,"time":"a"})").output, "");
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PlaybackRoutes, SectionRepliesAnswerEveryWholeRecord) {
    Bytes two = section_bytes(5, 11, 0, 1, "2024-01-02 00:00:00", "2024-01-02 01:00:00");
    Bytes second = section_bytes(6, 12, 1, 2, "2024-01-02 02:00:00", "2024-01-02 03:00:00");
    two.insert(two.end(), second.begin(), second.end());
    two.resize(two.size() + 79);  // a partial third record is not read
    daemon.script(1161, sim_one_reply(two));
    json_object *answer = answer_of(post_json("/4023", R"({"sid":11,"page":2})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(json_int(answer, "sectionNum"), 2);
    EXPECT_EQ(json_int(answer, "camId"), 6);  // the last record's channel
    EXPECT_EQ(json_int(answer, "sid"), 11);   // the first record's session
    EXPECT_EQ(sent(1161)[0].payload, le_words({11, 2, 0, 0, 0}));

    daemon.script(1161, sim_one_reply(Bytes(79, 1)));
    answer = answer_of(post_json("/4023", R"({"sid":1,"page":0})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"status"}));
    EXPECT_EQ(json_text(answer, "status"), "NO MATCHES");
}

// Times that fill their whole 20-byte fields (no NUL) are answered within their fields: the start
// does not run into the end, nor the end into the bytes after it.
TEST_F(PlaybackRoutes, SectionTimesFillingTheirFieldsStayWithinThem) {
    const std::string start = "2024-01-02 03:04:05+", end = "2024-01-02 04:00:00Z";
    Bytes record = section_bytes(2, 7, 0, 1, start.c_str(), end.c_str());
    std::fill(record.begin() + offsetof(SectionRecord, reserved2), record.end(), 'R');
    const struct {
        int line;
        const char *route;
        int request;
        const char *body;
    } routes[] = {
        {__LINE__, "/4000", 1159,
         R"({"channelId":2,"sid":3,"streamType":1,"time":"2024-01-02 00:00:00","endTime":"2024-01-02 23:59:59"})"},
        {__LINE__, "/4023", 1161, R"({"sid":7,"page":0})"},
    };
    for (const auto &route : routes) {
        daemon.script(route.request, sim_one_reply(record));
        json_object *answer = answer_of(post_json(route.route, route.body));
        ASSERT_TRUE(answer) << "line " << route.line;
        json_object *section = json_object_array_get_idx(json_object_object_get(answer, "section"), 0);
        EXPECT_EQ(json_text(section, "startTime"), start) << "line " << route.line;
        EXPECT_EQ(json_text(section, "endTime"), end) << "line " << route.line;
    }
}

// The session lists of stop, pause, step and speed: at most min(num, array length, 64) integer
// items, missing or wrong items skipped, the count word saying how many were copied.
TEST_F(PlaybackRoutes, SessionListsTakeOnlyTheIntegersThatAreThere) {
    std::string seventy = "[";
    for (int i = 0; i < 70; i++) seventy += (i ? "," : "") + std::to_string(i + 100);
    seventy += "]";
    struct Case {
        int line;
        std::string body;
        std::vector<int32_t> sessions;
    } cases[] = {
        {__LINE__, R"({"num":3,"sid":[4,-1,6]})", {4, -1, 6}},
        {__LINE__, R"({"num":5,"sid":[4,"x",6,null,1.5]})", {4, 6}},
        {__LINE__, R"({"num":9,"sid":[]})", {}},
        {__LINE__, R"({"num":-3,"sid":[1]})", {}},
        {__LINE__, R"({"num":2,"sid":"5"})", {}},
        {__LINE__, R"({"sid":[1,2]})", {}},
        {__LINE__, R"({"num":1,"sid":[8,9]})", {8}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("line " + std::to_string(c.line));
        for (int code : {1165, 1170}) {
            daemon.clear_requests();
            EXPECT_EQ(post_json(code == 1165 ? "/4004" : "/4006", c.body).output, kOkText);
            std::vector<SimRequest> list = sent(code);
            ASSERT_EQ(list.size(), 1u);
            ASSERT_EQ(list[0].payload.size(), 776u);
            EXPECT_EQ(payload_i32(list[0].payload, 772), static_cast<int>(c.sessions.size()));
            EXPECT_EQ(words_at(list[0].payload, 0, static_cast<int>(c.sessions.size())), c.sessions);
            EXPECT_EQ(payload_i32(list[0].payload, 4 * static_cast<int>(c.sessions.size())), 0);
        }
    }
    daemon.clear_requests();
    post_json("/4004", R"({"num":100,"sid":)" + seventy + "}");
    EXPECT_EQ(payload_i32(sent(1165)[0].payload, 772), 64);
    EXPECT_EQ(payload_i32(sent(1165)[0].payload, 252), 163);

    // "/3003" takes every integer of "sessionId" and counts them.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/3003", R"({"sessionId":[1,null,2]})").output, kOkText);
    EXPECT_EQ(words_at(sent(1113)[0].payload, 0, 2), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(payload_i32(sent(1113)[0].payload, 772), 2);
}

TEST_F(PlaybackRoutes, StopSignalsOnlyTheCopiedSessions) {
    EXPECT_EQ(post_json("/4003", R"({"close":1,"num":4,"sid":[4,-1,"x",6]})").output, kOkText);
    std::vector<SimRequest> requests = daemon.requests();
    std::vector<int> codes;
    for (const SimRequest &r : requests) codes.push_back(r.code);
    EXPECT_EQ(codes, (std::vector<int>{1903, 1903, 1164, 1160}));
    EXPECT_EQ(requests[0].payload, le_words({4}));
    EXPECT_EQ(requests[1].payload, le_words({6}));
    EXPECT_EQ(requests[2].payload, requests[3].payload);
    EXPECT_EQ(payload_i32(requests[2].payload, 772), 3);

    // A missing item never stops or closes session 0.
    daemon.clear_requests();
    post_json("/4003", R"({"close":0,"num":3,"sid":[null]})");
    EXPECT_TRUE(sent(1903).empty());
    EXPECT_TRUE(sent(1160).empty());
    EXPECT_EQ(payload_i32(sent(1164)[0].payload, 772), 0);
}

TEST_F(PlaybackRoutes, SpeedRoutesPairAndFlag) {
    post_json("/4007", R"({"chind":0,"num":4,"sessionId":[1,2,3,4],"speed":[4,"x",6]})");
    Bytes fast = sent(1112)[0].payload;
    EXPECT_EQ(payload_i32(fast, 772), 2);
    EXPECT_EQ(words_at(fast, 0, 2), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(words_at(fast, 260, 2), (std::vector<int32_t>{4, 6}));
    EXPECT_EQ(payload_i32(fast, 256), 0);

    post_json("/4008", R"({"chind":[5,7],"num":2,"speed":3})");
    EXPECT_EQ(sent(1149)[0].payload.size(), 268u);
    EXPECT_EQ(words_at(sent(1149)[0].payload, 0, 4), (std::vector<int32_t>{3, 0, 5, 7}));
    EXPECT_EQ(payload_i32(sent(1149)[0].payload, 264), 2);

    post_json("/4022", R"({"num":1,"sid":[9],"speed":2})");
    post_json("/4022", R"({"num":2,"sid":[9,10],"speed":2})");
    std::vector<SimRequest> speeds = sent(1167);
    ASSERT_EQ(speeds.size(), 2u);
    EXPECT_EQ(words_at(speeds[0].payload, 0, 3), (std::vector<int32_t>{2, 1, 9}));
    EXPECT_EQ(payload_i32(speeds[1].payload, 4), 0);

    post_json("/4005", R"({"sid":5,"direction":1})");
    EXPECT_EQ(sent(1166)[0].payload, le_words({5, 1}));

    // A negative or missing "chind" refuses fast and slow forward.
    daemon.clear_requests();
    for (const char *body : {R"({"chind":-1,"num":1,"sessionId":[1],"speed":[2]})", R"({"num":1,"sessionId":[1]})"}) {
        EXPECT_EQ(post_json("/4007", body).output, "");
        EXPECT_EQ(post_json("/4008", body).output, "");
    }
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PlaybackRoutes, JumpPairsChannelsWithSessions) {
    std::string long_time(80, 't');
    daemon.script(1171, sim_one_reply(le_words({0})));
    json_object *answer = answer_of(
        post_json("/4009", R"({"jumpTime":")" + long_time + R"(","sid":[7,8,9],"chnid":[1,"x",3],"num":3})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(json_text(answer, "status"), "OK");
    Bytes jump = sent(1171)[0].payload;
    ASSERT_EQ(jump.size(), 580u);
    EXPECT_EQ(words_at(jump, 0, 2), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(words_at(jump, 256, 2), (std::vector<int32_t>{7, 9}));
    EXPECT_EQ(payload_i32(jump, 512), 2);
    EXPECT_EQ(payload_text(jump, 516, 64), std::string(63, 't'));

    daemon.script(1171, sim_one_reply(le_words({3})));
    EXPECT_EQ(json_text(answer_of(post_json("/4009", R"({"jumpTime":"x","sid":[1],"chnid":[1],"num":1})")), "status"),
              "ERROR");

    daemon.clear_requests();
    EXPECT_EQ(post_json("/4009", R"({"jumpTime":"x","sid":[1],"chnid":[1],"num":0})").body, kJsonError);
    EXPECT_EQ(post_json("/4009", R"({"jumpTime":"x","sid":[1],"chnid":[1]})").output, "");
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PlaybackRoutes, TimePlaybackOpensThenAnswersTheAddress) {
    json_object *answer = answer_of(post_json(
        "/4001", R"({"channelId":4,"playTime":"2024-01-02 10:00:00","startTime":"s","endTime":"e","sid":12})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"sessionId", "sourcePath", "port", "status", "realPlayTime", "external_port",
                                        "external_http_port", "ddns_port", "ddns_http_port"}));
    EXPECT_EQ(json_text(answer, "realPlayTime"), "2024-01-02 10:00:00");
    EXPECT_EQ(json_text(answer, "sourcePath"), "/playback/session12");
    Bytes open = sent(1162)[0].payload;
    ASSERT_EQ(open.size(), 112u);
    EXPECT_EQ(words_at(open, 0, 4), (std::vector<int32_t>{4, 12, 0, 0}));
    EXPECT_EQ(payload_text(open, 16, 32), "s");
    EXPECT_EQ(payload_text(open, 80, 32), "2024-01-02 10:00:00");
    EXPECT_EQ(sent(3502)[0].payload, le_words({12}));
    EXPECT_EQ(log_records(), (std::vector<std::vector<int64_t>>{{209, 900, 5}}));

    // The daemon refusing (negative result) or not answering the opening ends in the error.
    for (SimScript refusal : {sim_one_reply(le_words({-1})), sim_one_reply(Bytes(3, 0))}) {
        daemon.clear_requests();
        daemon.script(1162, refusal);
        CgiResult result = post_json("/4001", R"({"channelId":4,"playTime":"p","startTime":"s","endTime":"e","sid":1})");
        EXPECT_EQ(result.body, kJsonError);
        EXPECT_TRUE(sent(3502).empty());
        EXPECT_TRUE(sent(3485).empty());
    }
    daemon.clear_requests();
    EXPECT_EQ(post_json("/4001", R"({"channelId":16,"playTime":"p","startTime":"s","endTime":"e","sid":1})").output, "");
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PlaybackRoutes, MaskPlaybackUsesTheSessionTheDaemonOpened) {
    const std::string masks = R"("mask0":1,"mask1":2,"mask2":3,"mask3":4,"mask4":5,"mask5":6,"mask6":7,"mask7":8)";
    json_object *answer = answer_of(post_json("/4020", "{" + masks + R"(,"playTime":"2024-03-04 05:06:07"})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(json_int(answer, "sessionId"), 9);  // the simulator opens session 9 (reply 8103)
    EXPECT_EQ(json_text(answer, "realPlayTime"), "2024-03-04 05:06:07");
    Bytes mask = sent(3109)[0].payload;
    ASSERT_EQ(mask.size(), 68u);
    struct tm broken = {};
    strptime("2024-03-04 05:06:07", "%Y-%m-%d %H:%M:%S", &broken);
    broken.tm_isdst = -1;
    EXPECT_EQ(payload_i32(mask, 0), static_cast<int32_t>(mktime(&broken)));
    EXPECT_EQ(payload_text(mask, 4, 32), "2024-03-04 05:06:07");
    EXPECT_EQ(words_at(mask, 36, 8), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(sent(3502)[0].payload, le_words({9}));
    EXPECT_EQ(log_records(), (std::vector<std::vector<int64_t>>{{209, 900, 0}}));

    // A failed or short 8103 never asks for a session's address.
    Bytes failed(40, 0);
    failed[36] = 1;
    for (const Bytes &reply : {failed, Bytes(39, 0)}) {
        daemon.clear_requests();
        daemon.script(3109, SimScript{SimStep{0, 8103, reply}});
        EXPECT_EQ(post_json("/4020", "{" + masks + R"(,"playTime":"2024-03-04 05:06:07"})").body, kJsonError);
        EXPECT_TRUE(sent(3502).empty());
    }
    daemon.clear_requests();
    for (const char *play : {"2024-03-04", "2024-03-04 05:06:07x", "1960-01-01 00:00:00"})
        EXPECT_EQ(post_json("/4020", "{" + masks + R"(,"playTime":")" + play + "\"}").output, "") << play;
    EXPECT_EQ(post_json("/4020", R"({"mask0":1,"playTime":"2024-03-04 05:06:07"})").output, "");
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PlaybackRoutes, LiveStreamsAndTheirLog) {
    json_object *answer = answer_of(post_json("/4010", R"({"id":3,"streamType":1,"streamFrom":1})"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"status", "port", "direct", "rtspAddr", "resPath"}));
    EXPECT_EQ(json_text(answer, "resPath"), "/ch04/sub");
    EXPECT_EQ(sent(3500)[0].payload, le_words({3, 1, 1}));
    EXPECT_EQ(log_records(), (std::vector<std::vector<int64_t>>{{208, 900, 4}}));

    // Texts are read within the payload; a refusal answers ERROR without a log.
    Bytes reply = le_words({2, 554, 0, 0, 0, 0, 1, 0});
    reply.resize(100, 'A');
    daemon.clear_requests();
    daemon.script(3500, sim_one_reply(reply));
    answer = answer_of(post_json("/4010", R"({"id":2,"streamType":0,"streamFrom":0})"));
    EXPECT_EQ(json_text(answer, "rtspAddr"), "AAAA");
    EXPECT_EQ(json_text(answer, "resPath"), "");
    EXPECT_EQ(log_records(), (std::vector<std::vector<int64_t>>{{208, 900, 3}}));
    daemon.clear_requests();
    daemon.script(3500, sim_one_reply(le_words({2, 554, 0, 0, 0, 0, 1, -1})));
    EXPECT_EQ(json_text(answer_of(post_json("/4010", R"({"id":2,"streamType":0,"streamFrom":0})")), "status"), "ERROR");
    EXPECT_TRUE(sent(3485).empty());
    daemon.script(3500, sim_one_reply(Bytes(31, 0)));
    EXPECT_EQ(post_json("/4010", R"({"id":2,"streamType":0,"streamFrom":0})").body, kJsonError);

    daemon.clear_requests();
    EXPECT_EQ(post_json("/4011", R"({"id":15,"streamType":1,"streamFrom":1})").output, kOkText);
    EXPECT_EQ(sent(1901)[0].payload, le_words({15, 1, 0}));
    EXPECT_EQ(get("/4012").output, kOkText);
    EXPECT_EQ(sent(1902)[0].payload.size(), 0u);
    daemon.clear_requests();
    for (const char *body : {R"({"id":16,"streamType":0,"streamFrom":0})", R"({"id":-1,"streamType":0,"streamFrom":0})",
                             R"({"id":1,"streamType":2,"streamFrom":0})", R"({"id":1,"streamType":0})", "{id:1"}) {
        EXPECT_EQ(post_json("/4010", body).output, "") << body;
        EXPECT_EQ(post_json("/4011", body).output, "") << body;
    }
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(PlaybackRoutes, ChannelChecksAndViewingLogs) {
    CgiRequest request;
    request.path_info = "/4017";
    request.query = "15";
    request.env["REMOTE_USER"] = std::string(70, 'u') + ";rm -rf /";
    request.env["HTTP_COOKIE"] = "userName=admin";
    EXPECT_EQ(run(request).output, kOkText);
    EXPECT_EQ(get("/4014", "0").output, kOkText);
    EXPECT_EQ(get("/4024", "7").output, kOkText);
    EXPECT_EQ(log_records(), (std::vector<std::vector<int64_t>>{{227, 900, 16}, {205, 900, 1}, {208, 900, 8}}));
    EXPECT_EQ(payload_text(sent(3485)[0].payload, 82, 64), std::string(63, 'u'));

    daemon.clear_requests();
    for (const char *bad : {"16", "-1", "x", "1 ", ""}) {
        for (const char *route : {"/4014", "/4015", "/4016", "/4017", "/4024"}) EXPECT_EQ(get(route, bad).output, "") << route << bad;
    }
    EXPECT_TRUE(daemon.requests().empty());
    EXPECT_EQ(get("/4015", "15").output, kOkText);
    EXPECT_EQ(get("/4016", "0").output, kOkText);
}

TEST_F(PlaybackRoutes, ImageParametersAreSentLoggedAndReset) {
    EXPECT_EQ(post_json("/3001", R"({"id":2,"brightness":128,"contrast":255,"saturation":0,"Sharpness":64,"NoiseReduction":1})").output,
              kOkText);
    EXPECT_EQ(sent(1205)[0].payload, le_words({2, 128, 255, 0, 64, 1, 0}));
    Bytes log = sent(3485)[0].payload;
    EXPECT_EQ(payload_i64(log, 8), 217);
    EXPECT_EQ(payload_i32(log, 32), 3);
    EXPECT_EQ(payload_i32(log, 148), 24);  // detail type word and five percentages
    EXPECT_EQ(words_at(log, 152, 6), (std::vector<int32_t>{107, 50, 100, 0, 25, 0}));

    daemon.clear_requests();
    for (const char *body : {R"({"id":2,"brightness":128,"contrast":255,"saturation":256})",
                             R"({"id":16,"brightness":1,"contrast":1,"saturation":1})",
                             R"({"id":2,"brightness":-1,"contrast":1,"saturation":1})", R"({"id":2,"brightness":1})"})
        EXPECT_EQ(post_json("/3001", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());

    json_object *reset = answer_of(get("/3002", "5"));
    ASSERT_TRUE(reset);
    EXPECT_EQ(answer_keys(reset), (std::vector<std::string>{"ChannelId", "Brightness", "Contrast", "Saturation",
                                                             "Sharpness", "NoiseReduction"}));
    EXPECT_EQ(sent(1205)[0].payload, le_words({5, 128, 128, 128, 128, 128, 0}));

    daemon.script(3002, sim_one_reply(le_words({1, 10, 20, 30, 40, 50, 60, 0, 1, 0, 1})));
    json_object *image = answer_of(post_json("/3000", R"({"chnid":1})"));
    ASSERT_TRUE(image);
    EXPECT_EQ(answer_keys(image), (std::vector<std::string>{"status", "brightness", "contrast", "saturation", "Sharpness",
                                                             "NoiseReduction", "i2ddnr", "supportLpr", "isNtPlatform",
                                                             "isPanoramaStitch"}));
    EXPECT_EQ(json_int(image, "i2ddnr"), 60);
    EXPECT_EQ(sent(3002)[0].payload, le_words({1}));
    daemon.script(3002, sim_one_reply(le_words({1, 10, 20, 30, 40, 50, 60, -1, 1, 0, 1})));
    EXPECT_EQ(post_json("/3000", R"({"chnid":1})").body, R"({ "status": "ERROR" })");
    daemon.script(3002, sim_one_reply(Bytes(43, 0)));  // short: the wait ends, nothing answered
    EXPECT_EQ(post_json("/3000", R"({"chnid":1})").output, "");
}

TEST_F(PlaybackRoutes, AddressesPortsTranscodingAndBusyState) {
    json_object *addresses = answer_of(get("/4018"));
    ASSERT_TRUE(addresses);
    json_object *entry = json_object_array_get_idx(json_object_object_get(addresses, "rtspaddr"), 0);
    EXPECT_EQ(json_text(json_object_object_get(entry, "ipc"), "main"), "rtsp://192.168.1.64:554/main");
    json_object *nvr = json_object_object_get(entry, "nvr");
    EXPECT_EQ(answer_keys(nvr).size(), 16u);
    EXPECT_EQ(json_int(nvr, "mainDDNSHttpPort"), 20080);
    EXPECT_EQ(json_text(nvr, "subResPath"), "/ch01/sub");
    daemon.script(3503, sim_one_reply(Bytes(1475, 'x')));
    EXPECT_EQ(get("/4018").output, "");

    daemon.script(3506, sim_one_reply(le_words({81, 82})));
    EXPECT_EQ(get("/4021").body, R"({ "upnp_extern_port": 81, "ddns_extern_port": 82 })");
    daemon.script(4011, sim_one_reply(le_words({1})));
    EXPECT_EQ(get("/3004").body, R"({ "status": "BUSY" })");
    daemon.script(4011, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(get("/3004").body, kJsonError);

    daemon.script(1176, sim_one_reply(le_words({1, 2, 3})));
    EXPECT_EQ(post_json("/4025", R"({"ch":1,"sid":2,"trancodingmode":3,"framesize":4,"bitrate":5,"framerate":6})").body,
              R"({ "ch": 1, "sid": 2, "state": 3, "status": "OK" })");
    EXPECT_EQ(sent(1176)[0].payload, le_words({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(post_json("/4025", R"({"ch":1,"sid":2})").body, kJsonError);
    daemon.script(1177, sim_one_reply(le_words({7, 8, 9})));
    EXPECT_EQ(post_json("/4026", R"({"ch":7,"sid":8})").body, R"({ "ch": 7, "sid": 8, "state": 9 })");
    EXPECT_EQ(sent(1177)[0].payload, le_words({7, 8}));
    daemon.script(1177, sim_one_reply(Bytes(11, 0)));
    EXPECT_EQ(post_json("/4026", R"({"ch":7,"sid":8})").body, kJsonError);
}

TEST_F(PlaybackRoutes, PlayTimesAndTheDayTimeline) {
    daemon.script(1153, sim_one_reply(le_words({86400 * 3 + 61})));
    EXPECT_EQ(json_text(answer_of(get("/4002", "12")), "curPlayTime"), local_time(86400 * 3 + 61));
    EXPECT_EQ(sent(1153)[0].payload, le_words({12}));
    daemon.script(1153, sim_one_reply(le_words({0})));
    EXPECT_EQ(get("/4002", "12").body, kJsonError);
    EXPECT_EQ(get("/4002", "12x").output, "");

    // Replies that no route of this module asks for still reach the dispatcher: they are
    // delivered here in answer to 1153.
    struct Timeline {
        int line;
        int first, last, type;  // minutes first..last of the type, 0 elsewhere
        std::vector<std::string> ends;
    } timelines[] = {
        {__LINE__, 0, 59, 1, {local_time(60 * 60)}},
        {__LINE__, 600, 1439, 2, {local_time(1439 * 60).substr(0, 11) + "24:00:00"}},
        {__LINE__, 1439, 1439, 3, {}},
        {__LINE__, 1000, 1438, 3, {local_time(1439 * 60)}},
    };
    for (const Timeline &t : timelines) {
        Bytes day = le_words({6});
        day.resize(4 + 1440, 0);
        for (int m = t.first; m <= t.last; m++) day[4 + m] = static_cast<uint8_t>(t.type);
        daemon.script(1153, SimScript{SimStep{0, 8501, day}});
        json_object *answer = answer_of(get("/4002", "1"));
        ASSERT_TRUE(answer) << "line " << t.line;
        EXPECT_EQ(json_int(answer, "sectionNum"), static_cast<int>(t.ends.size())) << "line " << t.line;
        EXPECT_EQ(json_text(answer, "status"), t.ends.empty() ? "NO MATCHES" : "OK") << "line " << t.line;
        json_object *section = json_object_array_get_idx(json_object_object_get(answer, "section"), 0);
        if (t.ends.empty()) continue;
        EXPECT_EQ(json_text(section, "startTime"), local_time(t.first * 60)) << "line " << t.line;
        EXPECT_EQ(json_text(section, "endTime"), t.ends[0]) << "line " << t.line;
        EXPECT_EQ(json_int(section, "recordType"), t.type) << "line " << t.line;
    }

    daemon.script(1153, SimScript{SimStep{0, 8115, le_words({4, 100, 5, 200, 6})}});
    json_object *jumps = json_object_object_get(answer_of(get("/4002", "1")), "JumpTime");
    EXPECT_EQ(json_object_array_length(jumps), 2u);
    EXPECT_EQ(json_int(json_object_array_get_idx(jumps, 1), "sid"), 5);
    EXPECT_EQ(json_text(json_object_array_get_idx(jumps, 1), "realJumpTime"), local_time(200));
}

TEST_F(PlaybackRoutes, DownloadMarkerIsReportedAndCleared) {
    EXPECT_EQ(get("/4019").output, "Content-type: text/plain\r\n\r\n{ \"isOK\": 1 }");
    root.write_file("/tmp/pbdownload", "");
    EXPECT_EQ(get("/4019").body, "{ \"isOK\": 0 }");
    EXPECT_EQ(get("/4027").output, kOkText);
    EXPECT_FALSE(root.exists("/tmp/pbdownload"));
    EXPECT_EQ(sent(1178).size(), 1u);
    EXPECT_EQ(get("/4019").body, "{ \"isOK\": 1 }");
}

// Every route of the module that waits for a reply it reads: a reply one byte short and an empty
// one are answered with the error, once, or end the wait unanswered where the daemon's short
// reply means that (8002, 8502, 8503, 8506); two whole replies with one answer.
const WaitingRoute kWaitingPlaybackRoutes[] = {
    {__LINE__, "/4002", "5", nullptr, kRequestPlayTime, -1, 4, kCgiErrorJson, 1},  // time 0 is the error too
    {__LINE__, "/4009", nullptr, R"({"jumpTime":"x","sid":[1],"chnid":[1],"num":1})", kRequestPlaybackJump, -1, 4,
     kCgiErrorJson},
    {__LINE__, "/4001", nullptr, R"({"channelId":4,"playTime":"2024-01-02 10:00:00","startTime":"s","endTime":"e","sid":12})",
     kRequestPlaybackAddress, -1, 152, kCgiErrorJson, 0, ""},
    {__LINE__, "/4020", nullptr,
     R"({"mask0":1,"mask1":2,"mask2":3,"mask3":4,"mask4":5,"mask5":6,"mask6":7,"mask7":8,"playTime":"2024-03-04 05:06:07"})",
     kRequestPlaybackAddress, -1, 152, kCgiErrorJson, 0, ""},
    {__LINE__, "/4021", "", nullptr, kRequestExternalPorts, -1, 8, kCgiErrorJson, 0, ""},
    {__LINE__, "/4018", "", nullptr, kRequestRtspAddresses, -1, 1476, kCgiErrorJson, 0, ""},
    {__LINE__, "/4010", nullptr, R"({"id":2,"streamType":0,"streamFrom":0})", kRequestStartLive, -1, 32, kCgiErrorJson},
    {__LINE__, "/3000", nullptr, R"({"chnid":1})", kRequestGetImage, -1, 44, kCgiErrorJson, 0, ""},
    {__LINE__, "/3004", "", nullptr, kRequestBusyState, -1, 4, kCgiErrorJson},
    {__LINE__, "/4025", nullptr, R"({"ch":1,"sid":2,"trancodingmode":3,"framesize":4,"bitrate":5,"framerate":6})",
     kRequestSetTranscoding, -1, 12, kCgiErrorJson},
};

TEST_F(PlaybackRoutes, ShortEmptyAndSecondRepliesOfEveryWaitingRoute) {
    for (const WaitingRoute &route : kWaitingPlaybackRoutes) expect_reply_bounds(root, daemon, route);
}

}  // namespace
