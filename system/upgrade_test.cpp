// Firmware and camera upgrade routes, end to end through nvrweb.cgi and the simulated daemon.
#include <chrono>

#include "system/system_test_support.h"

namespace {

class UpgradeTest : public RouteTest {
  protected:
    // The operation-log sub types received, in order.
    std::vector<int64_t> logged_sub_types(size_t at_least = 0) {
        if (at_least > 0) daemon.wait_for(3485, at_least, 2000);
        std::vector<int64_t> subs;
        for (const SimRequest &r : daemon.requests_with_code(3485)) subs.push_back(payload_i64(r.payload, 8));
        return subs;
    }
    Bytes info_record(int state, const std::string &version) {
        Bytes record(328, 0);
        memcpy(record.data(), &state, 4);
        memcpy(record.data() + 8, version.data(), version.size());
        return record;
    }
};

TEST_F(UpgradeTest, UploadedImageResetFlagComesFromTheQuery) {
    struct Case {
        int line;
        std::string query;
        int32_t reset;
    } cases[] = {
        {__LINE__, "reset=1", 1},
        {__LINE__, "keep", 0},
        {__LINE__, "", 0},
        {__LINE__, "keep reset", 0},  // only the first word counts
        {__LINE__, "xreset", 1},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        CgiResult result = run(upload_request("/1010", "fw.bin", "image", c.query));
        EXPECT_EQ(result.body, "OK") << "line " << c.line;
        auto installs = sent(1713, 1);
        ASSERT_EQ(installs.size(), 1u) << "line " << c.line;
        EXPECT_EQ(installs[0].payload, le_words({c.reset})) << "line " << c.line;
    }
}

// Only a daemon status of 0 is success: 1 is an error number like any other, and a time-out
// never restarts the device.
TEST_F(UpgradeTest, UploadedImageRestartsOnlyOnStatusZero) {
    struct Case {
        int line;
        bool silent;
        int32_t status;
        std::string answer;
        bool restarts;
    } cases[] = {
        {__LINE__, false, 0, "OK", true},
        {__LINE__, false, 1, "1", false},
        {__LINE__, false, -2, "-2", false},
        {__LINE__, true, 0, "0", false},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        daemon.script(1713, c.silent ? SimScript() : sim_one_reply(le_words({c.status})));
        CgiResult result = run(upload_request("/1010", "fw.bin", "image", "keep"));
        EXPECT_EQ(result.headers, "Content-type: text/plain\r\n\r\n") << "line " << c.line;
        EXPECT_EQ(result.body, c.answer) << "line " << c.line;
        if (c.restarts) sent(1703, 1);
        EXPECT_EQ(daemon.requests_with_code(1703).size(), c.restarts ? 1u : 0u) << "line " << c.line;
        std::vector<int64_t> expected_log = {203};
        if (c.restarts) expected_log.push_back(200);
        sent(3485, expected_log.size());
        EXPECT_EQ(logged_sub_types(), expected_log) << "line " << c.line;
    }
}

TEST_F(UpgradeTest, OnlineInstallKeepsStatusApartFromCompletion) {
    struct Case {
        int line;
        bool silent;
        Bytes reply;
        int res;
        bool restarts;
    } cases[] = {
        {__LINE__, false, le_words({0}), 0, true},
        {__LINE__, false, le_words({1}), 1, false},
        {__LINE__, false, le_words({-5}), -5, false},
        {__LINE__, true, Bytes(), -1, false},       // no reply is not success
        {__LINE__, false, Bytes{1, 0}, -1, false},  // a reply too short to hold a status
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        daemon.script(1713, c.silent ? SimScript() : sim_one_reply(c.reply));
        CgiResult result = get("/6088");
        JsonRef answer(parse_answer(result.body));
        ASSERT_TRUE(answer) << "line " << c.line << ": " << result.body;
        EXPECT_EQ(answer_keys(answer), std::vector<std::string>{"res"}) << "line " << c.line;
        EXPECT_EQ(json_int(answer, "res"), c.res) << "line " << c.line;
        EXPECT_EQ(sent(1721, 1).size(), 1u) << "line " << c.line;
        ASSERT_EQ(sent(1713).size(), 1u);
        EXPECT_EQ(sent(1713)[0].payload, le_words({0})) << "line " << c.line;
        if (c.restarts) sent(1703, 1);
        EXPECT_EQ(daemon.requests_with_code(1703).size(), c.restarts ? 1u : 0u) << "line " << c.line;
    }
}

TEST_F(UpgradeTest, ImageFileChecks) {
    EXPECT_EQ(get("/1011").body, "OK");
    EXPECT_EQ(get("/6082").body, "Error");
    root.write_file("/dev/shm/updateFM.bin", "x");
    root.write_file("/dev/shm/updateIPCFM.bin", "x");
    EXPECT_EQ(get("/1011").body, "Error");
    EXPECT_TRUE(root.exists("/dev/shm/updateFM.bin"));  // nothing is deleted
    EXPECT_EQ(run(upload_request("/6082", "ipc.bin", "image")).body, "OK");
}

TEST_F(UpgradeTest, PrepareAnswersAfterNotifying) {
    CgiResult result = get("/1034");
    JsonRef answer(parse_answer(result.body));
    EXPECT_EQ(json_int(answer, "res"), 0);
    EXPECT_EQ(result.headers, "Content-type: application/json\r\n\r\n");
    EXPECT_EQ(sent(1721, 1).size(), 1u);
}

TEST_F(UpgradeTest, OnlineDownloadValidatesTypeAndCutsTheUrl) {
    struct Case {
        int line;
        std::string body;
        bool accepted;
        std::string path;
    } cases[] = {
        {__LINE__, R"({"type":0,"url":"http://a/fw.bin"})", true, "/dev/shm/updateFM.bin"},
        {__LINE__, R"({"type":1,"url":"http://a/ipc.bin"})", true, "/dev/shm/updateIPCFM.bin"},
        {__LINE__, R"({"type":2,"url":"http://a"})", false, ""},
        {__LINE__, R"({"type":-1,"url":"http://a"})", false, ""},
        {__LINE__, R"({"type":"x","url":"http://a"})", false, ""},
        {__LINE__, R"({"type":0})", false, ""},
        {__LINE__, R"({"type":0,"url":5})", false, ""},
        {__LINE__, R"(not json)", false, ""},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        CgiResult result = post_json("/6085", c.body);
        if (!c.accepted) {
            EXPECT_EQ(result.body, kJsonError) << "line " << c.line;
            EXPECT_TRUE(daemon.requests().empty()) << "line " << c.line;
            continue;
        }
        JsonRef answer(parse_answer(result.body));
        EXPECT_EQ(json_int(answer, "res"), 0) << "line " << c.line;
        ASSERT_EQ(sent(1716).size(), 1u) << "line " << c.line;
        EXPECT_EQ(payload_text(sent(1716)[0].payload, 128, 128), c.path) << "line " << c.line;
        EXPECT_EQ(sent(1721, 1).size(), 1u) << "line " << c.line;
    }
    std::string long_url(300, 'u');
    post_json("/6085", R"({"type":0,"url":")" + long_url + "\"}");
    auto downloads = sent(1716);
    ASSERT_FALSE(downloads.empty());
    EXPECT_EQ(downloads.back().payload.size(), 256u);
    EXPECT_EQ(payload_text(downloads.back().payload, 0, 128), std::string(127, 'u'));
}

TEST_F(UpgradeTest, OnlineDownloadReportsTheDaemonStatus) {
    daemon.script(1716, sim_one_reply(le_words({-3})));
    JsonRef answer(parse_answer(post_json("/6085", R"({"type":1,"url":"u"})").body));
    EXPECT_EQ(json_int(answer, "res"), -3);
}

// A reply without its record answers the error once and ends the wait (1716 may wait 240 s).
TEST_F(UpgradeTest, EmptyRepliesAnswerTheErrorOnceWithoutWaiting) {
    struct Case {
        int line;
        int code;
        std::string path;
        std::string body;
        Bytes reply;
    } cases[] = {
        {__LINE__, 1716, "/6085", R"({"type":0,"url":"u"})", Bytes()},
        {__LINE__, 1717, "/6086", R"({"type":1})", Bytes()},
        {__LINE__, 1715, "/6087", "", Bytes(327, 0)},
        {__LINE__, 3350, "/6083", R"({"chnid":3,"reset":0})", Bytes(4, 0)},
        {__LINE__, 3365, "/6089", R"({"ch":"1"})", Bytes(63 * 328, 0)},  // all 64 records are needed
    };
    for (const Case &c : cases) {
        daemon.script(c.code, sim_one_reply(c.reply));
        auto start = std::chrono::steady_clock::now();
        CgiResult result = c.body.empty() ? get(c.path) : post_json(c.path, c.body);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(result.body, kJsonError) << "line " << c.line;
        EXPECT_EQ(result.headers, "Content-type: application/json\r\n\r\n") << "line " << c.line;
        EXPECT_LT(seconds, 2.0) << "line " << c.line;
    }
}

TEST_F(UpgradeTest, TimeOutsAnswerPlainCgiError) {
    for (int code : {1715, 1717}) daemon.script(code, SimScript());
    EXPECT_EQ(get("/6087").body, "CGI ERROR");
    EXPECT_EQ(post_json("/6086", R"({"type":1})").body, "CGI ERROR");
}

TEST_F(UpgradeTest, DiscardRecorderImageLocallyAndCameraImageByDaemon) {
    JsonRef answer(parse_answer(post_json("/6086", R"({"type":0})").body));  // no image: still 0
    EXPECT_EQ(json_int(answer, "res"), 0);
    root.write_file("/dev/shm/updateFM.bin", "x");
    JsonRef again(parse_answer(post_json("/6086", R"({"type":0})").body));
    EXPECT_EQ(json_int(again, "res"), 0);
    EXPECT_FALSE(root.exists("/dev/shm/updateFM.bin"));
    EXPECT_TRUE(daemon.requests().empty());

    daemon.script(1717, sim_one_reply(le_words({7})));
    JsonRef camera(parse_answer(post_json("/6086", R"({"type":1})").body));
    EXPECT_EQ(json_int(camera, "res"), 7);
    EXPECT_EQ(post_json("/6086", R"({"type":3})").body, kJsonError);
}

TEST_F(UpgradeTest, RecorderCheckAnswersTheRecordInOrder) {
    Bytes record = info_record(1, "V9.9");
    std::string url = "http://x/fw.bin";
    memcpy(record.data() + 72, url.data(), url.size());
    memset(record.data() + 200, 'd', 128);  // a description filling its field, without NUL
    int32_t size = 1234;
    memcpy(record.data() + 4, &size, 4);
    daemon.script(1715, sim_one_reply(record));
    JsonRef answer(parse_answer(get("/6087").body));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"state", "fileSize", "softversion", "url", "description"}));
    EXPECT_EQ(json_int(answer, "state"), 1);
    EXPECT_EQ(json_int(answer, "fileSize"), 1234);
    EXPECT_EQ(json_text(answer, "softversion"), "V9.9");
    EXPECT_EQ(json_text(answer, "url"), url);
    EXPECT_EQ(json_text(answer, "description"), std::string(128, 'd'));
}

TEST_F(UpgradeTest, CameraCheckChannelSetStopsAtTheFirstOtherCharacter) {
    struct Case {
        int line;
        std::string ch;
        uint64_t set;
    } cases[] = {
        {__LINE__, "0101", (1ULL << 1) | (1ULL << 3)},
        {__LINE__, "01x1", 1ULL << 1},
        {__LINE__, "", 0},
        {__LINE__, std::string(64, '1'), ~0ULL},
        {__LINE__, std::string(80, '1'), ~0ULL},  // never past channel 63
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        CgiResult result = post_json("/6089", R"({"ch":")" + c.ch + "\"}");
        ASSERT_EQ(sent(3365).size(), 1u) << "line " << c.line;
        EXPECT_EQ(static_cast<uint64_t>(payload_i64(sent(3365)[0].payload, 0)), c.set) << "line " << c.line;
        JsonRef answer(parse_answer(result.body));
        json_object *check = nullptr;
        ASSERT_TRUE(json_object_object_get_ex(answer, "check", &check)) << "line " << c.line;
        ASSERT_EQ(json_object_array_length(check), 64u) << "line " << c.line;
        for (int n = 0; n < 64; n++)
            EXPECT_EQ(json_int(json_object_array_get_idx(check, n), "state"), static_cast<int>((c.set >> n) & 1))
                << "line " << c.line << " channel " << n;
    }
    EXPECT_EQ(post_json("/6089", R"({"ch":1})").body, kJsonError);
    EXPECT_EQ(post_json("/6089", "[1]").body, kJsonError);
}

TEST_F(UpgradeTest, CameraUpgradeValidatesTheChannel) {
    struct Case {
        int line;
        std::string body;
        bool accepted;
    } cases[] = {
        {__LINE__, R"({"chnid":0,"reset":1})", true},   {__LINE__, R"({"chnid":63,"reset":0})", true},
        {__LINE__, R"({"chnid":64,"reset":0})", false}, {__LINE__, R"({"chnid":-1,"reset":0})", false},
        {__LINE__, R"({"reset":0})", false},            {__LINE__, R"({"chnid":1,"reset":2})", false},
        {__LINE__, "chnid=1", false},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        CgiResult result = post_json("/6083", c.body);
        if (!c.accepted) {
            EXPECT_EQ(result.body, kJsonError) << "line " << c.line;
            EXPECT_TRUE(daemon.requests().empty()) << "line " << c.line;
            continue;
        }
        ASSERT_EQ(sent(3350).size(), 1u) << "line " << c.line;
        Bytes payload = sent(3350)[0].payload;
        EXPECT_EQ(payload.size(), 264u);
        EXPECT_EQ(payload_text(payload, 8, 256), "/dev/shm/updateIPCFM.bin");
        JsonRef answer(parse_answer(result.body));
        EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"chnid", "status"})) << "line " << c.line;
        EXPECT_EQ(json_int(answer, "chnid"), payload_i32(payload, 0)) << "line " << c.line;
    }
}

TEST_F(UpgradeTest, StopCameraUpgradeRemovesTheImage) {
    root.write_file("/dev/shm/updateIPCFM.bin", "x");
    EXPECT_EQ(get("/6084").body, "OK");
    EXPECT_FALSE(root.exists("/dev/shm/updateIPCFM.bin"));
    EXPECT_EQ(sent(3351, 1).size(), 1u);
}

}  // namespace
