// Login ("/1000"), session identifiers and the e-mail link login ("/1018"), end to end.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <sys/stat.h>

#include <regex>
#include <set>
#include <string>

#include "system/login.h"
#include "system/user_test_util.h"

namespace {

const char kText[] = "Content-type: text/plain\r\n\r\n";
const char kDigest[] = "0123456789abcdef0123456789abcdef";

TEST(SessionId, AppendsThirtyTwoRandomDigits) {
    char first[100] = {};
    char second[100] = "sid";
    EXPECT_EQ(get_session_id(first), 32);
    EXPECT_EQ(get_session_id(second), 35);
    EXPECT_TRUE(std::regex_match(first, std::regex("[0-9]{32}"))) << first;
    EXPECT_TRUE(std::regex_match(second, std::regex("sid[0-9]{32}"))) << second;
    // Called within the same second, identifiers still differ.
    std::set<std::string> seen;
    for (int i = 0; i < 50; i++) {
        char id[100] = {};
        get_session_id(id);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 50u);
    EXPECT_EQ(get_session_id(nullptr), -1);
}

TEST(CookieDomain, KeepsOnlyHostNames) {
    struct Case {
        int line;
        std::string host;
        std::string domain;
    } cases[] = {
        {__LINE__, "192.168.5.190:81", "192.168.5.190"},
        {__LINE__, "192.168.5.190", "192.168.5.190"},
        {__LINE__, "nvr-1.example.com:8080", "nvr-1.example.com"},
        {__LINE__, "[fe80::1]:8080", "[fe80::1]"},
        {__LINE__, "[::1]", "[::1]"},
        {__LINE__, "[::1", ""},  // an unclosed literal is no host
        {__LINE__, "", ""},
        {__LINE__, "evil.com; path=/x", ""},
        {__LINE__, "evil.com\r\nSet-Cookie: admin=1", ""},
        {__LINE__, "a b", ""},
        {__LINE__, "host_name", ""},
        {__LINE__, "%0d%0a", ""},
        {__LINE__, std::string(60, 'a'), std::string(49, 'a')},
        {__LINE__, std::string(49, 'b') + ":80", std::string(49, 'b')},
    };
    for (const Case &c : cases) {
        char domain[50];
        cookie_domain_from_host(c.host.c_str(), domain, sizeof domain);
        EXPECT_EQ(domain, c.domain) << "line " << c.line;
    }
}

class LoginRoute : public AccountRouteTest {
  protected:
    CgiResult login(const std::string &name, const std::string &md5) {
        json_object *request = json_object_new_object();
        json_object_object_add(request, "userName", json_object_new_string(name.c_str()));
        json_object_object_add(request, "md5", json_object_new_string(md5.c_str()));
        std::string body = json_object_to_json_string(request);
        json_object_put(request);
        return post_json("/1000", body);
    }
};

TEST_F(LoginRoute, AnswersTheRightsInTheirOrder) {
    store_user(0, "admin", kDigest, 0);
    CgiResult r = login("admin", kDigest);
    ASSERT_EQ(r.headers, kText);
    std::vector<std::string> expected = {
        "type", "userName", "permission", "localLiveView", "localPlayback", "localRetrieve", "localSmartAnalysis",
        "localEvent", "localCamera", "localStorage", "localSettings", "localStatus", "localShutdown", "localliveview",
        "localplayback", "remotePermisson", "remoteLiveView", "remotePlayback", "remoteRetrieve",
        "remoteSmartAnalysis", "remoteEvent", "remoteCamera", "remoteStorage", "remoteSettings", "remoteStatus",
        "remoteShutdown", "remoteliveview", "remoteplayback", "sessionId", "failoverMode", "sameChannel",
        "hardwareVersion", "softwareVersion", "model"};
    EXPECT_EQ(keys_of(r.body), expected);

    json_object *answer = json_tokener_parse(r.body.c_str());
    ASSERT_NE(answer, nullptr);
    auto integer = [&](const char *key) { return json_object_get_int(json_object_object_get(answer, key)); };
    auto text = [&](const char *key) { return std::string(json_object_get_string(json_object_object_get(answer, key))); };
    EXPECT_EQ(integer("type"), 0);
    EXPECT_EQ(text("userName"), "admin");
    EXPECT_EQ(integer("permission"), 7);
    EXPECT_EQ(integer("localLiveView"), 1);
    EXPECT_EQ(integer("localShutdown"), 10);
    EXPECT_EQ(integer("remotePermisson"), 8);
    EXPECT_EQ(integer("remoteLiveView"), 11);
    EXPECT_EQ(integer("remoteShutdown"), 20);
    EXPECT_EQ(text("localliveview"), "1100");
    EXPECT_EQ(text("remoteplayback"), "0001");
    EXPECT_TRUE(std::regex_match(text("sessionId"), std::regex("[0-9]{32}")));
    EXPECT_EQ(integer("failoverMode"), 0);
    EXPECT_EQ(integer("sameChannel"), 0);
    EXPECT_EQ(text("hardwareVersion"), "V1.1");
    EXPECT_EQ(text("softwareVersion"), "7x.7.0.9");
    EXPECT_EQ(text("model"), "");
    json_object_put(answer);

    // The certificate folders exist afterwards, private to the device.
    struct stat st;
    ASSERT_EQ(stat(root.at("/mnt/nand/ssl/tmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(LoginRoute, DeviceFactsComeFromTheSettings) {
    store_user(1, "op", kDigest, 1);
    set_param_int(kTestSettingsDb, "failover_mode", 1);
    set_param_int(kTestSettingsDb, "same_channel_exist", 2);
    set_param_value(kTestSettingsDb, "hardware_version", std::string(40, 'h').c_str());
    set_param_value(kTestSettingsDb, "software_version", "8.1.0");
    set_param_value(kTestSettingsDb, "model", "NVR-16");
    CgiResult r = login("op", kDigest);
    json_object *answer = json_tokener_parse(r.body.c_str());
    ASSERT_NE(answer, nullptr) << r.body;
    EXPECT_EQ(json_object_get_int(json_object_object_get(answer, "type")), 1);
    EXPECT_EQ(json_object_get_int(json_object_object_get(answer, "failoverMode")), 1);
    EXPECT_EQ(json_object_get_int(json_object_object_get(answer, "sameChannel")), 1);
    EXPECT_STREQ(json_object_get_string(json_object_object_get(answer, "hardwareVersion")), std::string(31, 'h').c_str());
    EXPECT_STREQ(json_object_get_string(json_object_object_get(answer, "softwareVersion")), "8.1.0");
    EXPECT_STREQ(json_object_get_string(json_object_object_get(answer, "model")), "NVR-16");
    json_object_put(answer);

    set_param_int(kTestSettingsDb, "same_channel_exist", 1);
    answer = json_tokener_parse(login("op", kDigest).body.c_str());
    EXPECT_EQ(json_object_get_int(json_object_object_get(answer, "sameChannel")), 0);
    json_object_put(answer);
}

TEST_F(LoginRoute, DigestsUsersAndTypes) {
    store_user(0, "admin", kDigest, 0);
    store_user(3, "guard", kDigest, 3);
    store_user(4, "odd", kDigest, -4);
    UserRecord gone;
    memset(&gone, 0, sizeof gone);
    gone.id = 5;  // a deleted slot: empty name and password
    write_user(kTestSettingsDb, &gone);
    struct Case {
        int line;
        std::string name, md5;
        int type;  // -1 and -2 refuse; otherwise the account's type
    } cases[] = {
        {__LINE__, "admin", kDigest, 0},
        {__LINE__, "admin", "0123456789ABCDEF0123456789ABCDEF", 0},
        {__LINE__, "admin", "0123456789AbCdEf0123456789aBcDeF", 0},
        {__LINE__, "admin", std::string(kDigest) + "ff", 0},  // only 32 characters are kept
        {__LINE__, "admin", "0123456789abcdef0123456789abcdee", -1},
        {__LINE__, "admin", "", -1},
        {__LINE__, "Admin", kDigest, -1},
        {__LINE__, "nobody", kDigest, -1},
        {__LINE__, "admin" + std::string(300, 'x'), kDigest, -1},
        {__LINE__, "guard", kDigest, -2},
        {__LINE__, "guard", "wrong", -2},
        {__LINE__, "odd", kDigest, -1},  // a stored type outside 0 to 3
        {__LINE__, "", "", -1},          // never the deleted slot
        {__LINE__, "admin\"; rm -rf /", kDigest, -1},
    };
    for (const Case &c : cases) {
        CgiResult r = login(c.name, c.md5);
        EXPECT_EQ(r.headers, kText) << "line " << c.line;
        if (c.type < 0) {
            EXPECT_EQ(r.body, "{ \"type\": " + std::to_string(c.type) + " }") << "line " << c.line;
        } else {
            EXPECT_EQ(keys_of(r.body).size(), 34u) << "line " << c.line;
        }
    }
    // Only the successful logins were recorded.
    EXPECT_EQ(sent(3485, 4).size(), 4u);
}

TEST_F(LoginRoute, RecordsTheLoginUnderTheRequestedName) {
    store_user(2, "Viewer", kDigest, 2);
    env["HTTP_COOKIE"] = "userName=someoneelse";
    env["REMOTE_ADDR"] = "10.1.2.3";
    CgiResult r = login("Viewer", "0123456789ABCDEF0123456789ABCDEF");
    ASSERT_EQ(keys_of(r.body).size(), 34u);
    std::vector<SimRequest> logs = sent(3485, 1);
    ASSERT_EQ(logs.size(), 1u);
    const Bytes &record = logs[0].payload;
    ASSERT_EQ(record.size(), 672u);
    EXPECT_EQ(payload_i32(record, 0), 4);
    EXPECT_EQ(payload_i64(record, 8), 201);
    EXPECT_EQ(payload_i32(record, 24), 900);
    EXPECT_EQ(payload_i32(record, 28), 1);
    EXPECT_EQ(payload_text(record, 36, 46), "10.1.2.3");
    EXPECT_EQ(payload_text(record, 82, 64), "Viewer");

    // An over-long requested name is cut to the record's field.
    store_user(6, std::string(63, 'v'), kDigest, 2);
    daemon.clear_requests();
    login(std::string(63, 'v'), kDigest);
    logs = sent(3485, 1);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(payload_text(logs[0].payload, 82, 64), std::string(63, 'v'));
    EXPECT_EQ(logs[0].payload[82 + 63], 0);
}

TEST_F(LoginRoute, SessionIdsDifferWithinOneSecond) {
    store_user(0, "admin", kDigest, 0);
    std::set<std::string> ids;
    for (int i = 0; i < 3; i++) {
        json_object *answer = json_tokener_parse(login("admin", kDigest).body.c_str());
        ASSERT_NE(answer, nullptr);
        ids.insert(json_object_get_string(json_object_object_get(answer, "sessionId")));
        json_object_put(answer);
    }
    EXPECT_EQ(ids.size(), 3u);
}

TEST_F(LoginRoute, MalformedRequestsAnswerNothing) {
    store_user(0, "admin", kDigest, 0);
    struct Case {
        int line;
        std::string body;
        std::string output;
    } cases[] = {
        {__LINE__, "", ""},
        {__LINE__, "not json", ""},
        {__LINE__, "[\"admin\"]", ""},
        {__LINE__, "{\"userName\": \"admin\"", ""},
        {__LINE__, "{\"userName\": 5, \"md5\": \"" + std::string(kDigest) + "\"}", std::string(kText) + "{ \"type\": -1 }"},
        {__LINE__, "{\"userName\": \"admin\", \"md5\": 12}", std::string(kText) + "{ \"type\": -1 }"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/1000", c.body).output, c.output) << "line " << c.line;
    EXPECT_TRUE(sent(3485).empty());
}

// "/1018": the daemon's status decides between the viewer session and the home page.
class MailLoginRoute : public AccountRouteTest {
  protected:
    CgiResult mail_login(const std::string &token, const std::string &host) {
        CgiRequest request;
        request.path_info = "/1018";
        request.query = token;
        if (!host.empty()) request.env["HTTP_HOST"] = host;
        return run(request);
    }
};

std::string cookie_pattern(const std::string &name, const std::string &value, const std::string &domain) {
    return "Set-Cookie: " + name + "=" + value + "; domain=" + domain +
           "; expires=(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-9]{2}-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-"
           "[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} GMT; path=/\r\n";
}

TEST_F(MailLoginRoute, AcceptedTokenPlantsTheViewerSession) {
    CgiResult r = mail_login("tok123", "192.168.5.190:81");
    std::string expected = cookie_pattern("userName", "temp", "192\\.168\\.5\\.190") +
                           cookie_pattern("userType", "2", "192\\.168\\.5\\.190") +
                           cookie_pattern("permission", "0", "192\\.168\\.5\\.190") +
                           cookie_pattern("sessionId", "0", "192\\.168\\.5\\.190") +
                           cookie_pattern("language", "en-US", "192\\.168\\.5\\.190") +
                           "Location: \\.\\./\\.\\./html/index\\.html\r\n\r\n";
    EXPECT_TRUE(std::regex_match(r.output, std::regex(expected))) << r.output;

    std::vector<SimRequest> asked = sent(3504);
    ASSERT_EQ(asked.size(), 1u);
    ASSERT_EQ(asked[0].payload.size(), 256u);
    EXPECT_EQ(payload_text(asked[0].payload, 0, 256), "tok123");
}

TEST_F(MailLoginRoute, OtherStatusesOnlyRedirectHome) {
    for (int status : {7, 1, -1}) {
        daemon.script(3504, sim_one_reply(sim_words({status})));
        EXPECT_EQ(mail_login("tok", "nvr.local").output, "Location: ../../html/home.html\r\n\r\n") << status;
    }
    // The simulated daemon refuses an empty token.
    daemon.clear_script(3504);
    EXPECT_EQ(mail_login("", "nvr.local").output, "Location: ../../html/home.html\r\n\r\n");
}

TEST_F(MailLoginRoute, SilentOrShortReplyIsAnError) {
    daemon.script(3504, SimScript());
    EXPECT_EQ(mail_login("tok", "nvr.local").output, std::string(kText) + "CGI ERROR");
    daemon.script(3504, sim_one_reply(Bytes{0, 0}));
    EXPECT_EQ(mail_login("tok", "nvr.local").output, std::string(kText) + "CGI ERROR");
}

TEST_F(MailLoginRoute, HostileHostsAndTokensAddNothingToTheHeader) {
    struct Case {
        int line;
        std::string host;
        std::string domain;
    } cases[] = {
        {__LINE__, "nvr.local", "nvr\\.local"},
        {__LINE__, "[fe80::2]:443", "\\[fe80::2\\]"},
        {__LINE__, "", ""},
        {__LINE__, "x.com\r\nSet-Cookie: userType=0", ""},
        {__LINE__, "x.com; domain=evil.com", ""},
        {__LINE__, std::string(80, 'n') + ":80", std::string(49, 'n')},
    };
    for (const Case &c : cases) {
        CgiResult r = mail_login("tok", c.host);
        std::string pattern;
        for (const char *cookie : {"userName", "userType", "permission", "sessionId", "language"}) {
            const char *value = std::string(cookie) == "userName"   ? "temp"
                                : std::string(cookie) == "userType" ? "2"
                                : std::string(cookie) == "language" ? "en-US"
                                                                    : "0";
            pattern += cookie_pattern(cookie, value, c.domain);
        }
        pattern += "Location: \\.\\./\\.\\./html/index\\.html\r\n\r\n";
        EXPECT_TRUE(std::regex_match(r.output, std::regex(pattern))) << "line " << c.line << ": " << r.output;
    }
    // The token is data for the daemon, cut to its 256-byte field.
    daemon.clear_requests();
    mail_login(std::string(300, 't'), "nvr.local");
    std::vector<SimRequest> asked = sent(3504);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(payload_text(asked[0].payload, 0, 256), std::string(255, 't'));
    EXPECT_EQ(asked[0].payload[255], 0);
}

}  // namespace
