// First routes of module "/1000" end to end: fixed answers, operation log, audio-file requests.
#include <string>

#include "tests/harness.h"

namespace {

class FirstRoutesTest : public RouteTest {};

std::string repeat(const std::string &text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

TEST_F(FirstRoutesTest, FixedAnswersAndUnknownPaths) {
    CgiResult dw = get("/dw.cgi");
    EXPECT_EQ(dw.status, 0);
    EXPECT_EQ(dw.output, "Content-type: text/plain\r\n\r\nNG download");
    CgiResult unknown = get("/9999");
    EXPECT_EQ(unknown.status, 0);
    EXPECT_EQ(unknown.output, "");
    EXPECT_EQ(get("/1014/").output, "");
    EXPECT_EQ(get("").output, "");
}

TEST_F(FirstRoutesTest, OperationRecordCarriesUserAndAddress) {
    env["HTTP_COOKIE"] = "sid=9; userName=operator";
    env["REMOTE_ADDR"] = "192.0.2.7";
    EXPECT_EQ(get("/1014").output, "Content-type: text/plain\r\n\r\nOK");
    auto records = sent(3485, 1);
    ASSERT_EQ(records.size(), 1u);
    const Bytes &r = records[0].payload;
    ASSERT_EQ(r.size(), 672u);
    EXPECT_EQ(payload_i32(r, 0), 4);
    EXPECT_EQ(payload_i64(r, 8), 202);
    EXPECT_EQ(payload_i32(r, 24), 900);
    EXPECT_EQ(payload_i32(r, 28), 1);
    EXPECT_EQ(payload_i32(r, 32), 0);
    EXPECT_EQ(payload_text(r, 36, 46), "192.0.2.7");
    EXPECT_EQ(payload_text(r, 82, 64), "operator");
}

TEST_F(FirstRoutesTest, RestartLogsThenAsksDaemon) {
    EXPECT_EQ(get("/1004").output, "Content-type: text/plain\r\n\r\nOK");
    daemon.wait_for(1703, 1, 2000);
    auto all = daemon.requests();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].code, 3485);
    EXPECT_EQ(payload_i64(all[0].payload, 8), 200);
    EXPECT_EQ(all[1].code, 1703);
    EXPECT_TRUE(all[1].payload.empty());
}

TEST_F(FirstRoutesTest, AudioRoutesRefuseBadInputWithoutAskingDaemon) {
    struct Case {
        int line;
        const char *path;
        const char *body;
    } cases[] = {
        {__LINE__, "/6323", "not json"},
        {__LINE__, "/6323", "{\"idMask\":1024}"},  // no id 0 to 9
        {__LINE__, "/6323", "{\"idMask\":0}"},
        {__LINE__, "/6323", "{\"idMask\":\"all\"}"},
        {__LINE__, "/6323", "{}"},
        {__LINE__, "/6324", "{\"id\":10,\"name\":\"a\"}"},
        {__LINE__, "/6324", "{\"id\":-1,\"name\":\"a\"}"},
        {__LINE__, "/6324", "{\"id\":1}"},
        {__LINE__, "/6324", "{\"id\":1,\"name\":[\"a\"]}"},
        {__LINE__, "/6325", "{\"id\":99}"},
        {__LINE__, "/6325", "[1]"},
    };
    for (const Case &c : cases) {
        CgiResult result = post_json(c.path, c.body);
        EXPECT_EQ(result.output, "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}") << "line " << c.line;
    }
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(FirstRoutesTest, DeleteAudioSendsMaskAndLogsAfterAnswer) {
    daemon.script(4014, {SimStep{0, -1, le_words({0})}});
    CgiResult result = post_json("/6323", "{\"idMask\":1029}");
    EXPECT_EQ(result.output, "Content-type: application/json\r\n\r\n{ \"status\": 0 }");
    auto deletes = sent(4014);
    ASSERT_EQ(deletes.size(), 1u);
    EXPECT_EQ(deletes[0].payload, le_words({5}));  // only ids 0 to 9 reach the daemon
    auto records = sent(3485, 1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(payload_i64(records[0].payload, 8), 204);
    EXPECT_EQ(payload_i32(records[0].payload, 24), 925);
}

TEST_F(FirstRoutesTest, DaemonSilenceOrShortReplyAnswersErrorOnceAndLogsNothing) {
    for (SimScript script : {SimScript(), SimScript{SimStep{0, -1, Bytes{1, 2}}}}) {
        daemon.clear_requests();
        daemon.script(4014, script);
        CgiResult result = post_json("/6323", "{\"idMask\":1}");
        EXPECT_EQ(result.output, "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
        EXPECT_TRUE(sent(3485).empty());
    }
    // Two replies still give one answer.
    daemon.script(4016, {SimStep{0, -1, le_words({3})}, SimStep{0, -1, le_words({4})}});
    EXPECT_EQ(post_json("/6325", "{\"id\":2}").output, "Content-type: application/json\r\n\r\n{ \"status\": 3 }");
}

TEST_F(FirstRoutesTest, RenameAudioEncodesNameIntoItsField) {
    struct Case {
        int line;
        std::string name;
        std::string encoded;
    } cases[] = {
        {__LINE__, "door bell", "ZG9vciBiZWxs"},
        {__LINE__, "$(reboot);`x`", "JChyZWJvb3QpO2B4YA"},
        {__LINE__, std::string(300, 'a'), repeat("YWFh", 31) + "YWE"},  // cut to 95 bytes: 127 characters
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        std::string body = "{\"id\":9,\"name\":\"" + c.name + "\"}";
        EXPECT_EQ(post_json("/6324", body).output, "Content-type: application/json\r\n\r\n{ \"status\": 0 }");
        auto renames = sent(4015);
        ASSERT_EQ(renames.size(), 1u) << "line " << c.line;
        const Bytes &p = renames[0].payload;
        ASSERT_EQ(p.size(), 136u);
        EXPECT_EQ(payload_i32(p, 0), 9);
        EXPECT_EQ(payload_i32(p, 4), 1);
        EXPECT_EQ(payload_text(p, 8, 128), c.encoded) << "line " << c.line;
        EXPECT_EQ(p[135], 0);
    }
}

}  // namespace
