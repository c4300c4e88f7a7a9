// PPPoE, DDNS, e-mail, test mail, IP conflict, SNMP, access and DDNS status routes, end to end.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "network/network_test_support.h"

namespace {

using ServicesTest = NetworkRouteTest;

TEST_F(ServicesTest, PppoeIsStoredFromTheRequestAlone) {
    PppoeRecord old;
    memset(&old, 0, sizeof old);
    strcpy(old.userName, "old-user");
    old.autoConnect = 1;
    store(write_pppoe, old);
    for (const char *body : {R"({"enable":2})", R"({"userName":"x"})", R"({"enable":"on"})", "{"})
        EXPECT_EQ(post_json("/7011", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());

    EXPECT_EQ(post_json("/7011", R"({"enable":1,"password":")" + std::string(80, 'p') + R"("})").body, "OK");
    PppoeRecord pppoe = stored(read_pppoe);
    EXPECT_EQ(pppoe.enable, 1);
    EXPECT_EQ(pppoe.autoConnect, 0);               // not kept
    EXPECT_EQ(std::string(pppoe.userName), "");    // not kept
    EXPECT_EQ(std::string(pppoe.password), std::string(63, 'p'));
    EXPECT_EQ(payload_text(sent(1702, 1)[0].payload, 0, 32), "pppoe");
    EXPECT_EQ(log_records(1), (std::vector<std::vector<int>>{{4, 204, 915}}));

    JsonRef answer(parse_answer(get("/7010").body));
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"enable", "autoConnect", "userName", "password", "pppoeipaddr"}));
    EXPECT_EQ(json_text(answer, "password"), std::string(63, 'p'));
    EXPECT_EQ(json_text(answer, "pppoeipaddr"), "0.0.0.0");  // no "ppp0" here
}

TEST_F(ServicesTest, DdnsPortsAreSentAsHttpAndShownAsHttpPort) {
    for (const char *body : {R"({"enable":2,"updateFreq":1})", R"({"enable":1})", R"({"enable":1,"updateFreq":-1})"})
        EXPECT_EQ(post_json("/7021", body).output, "") << body;
    EXPECT_EQ(post_json("/7021", R"({"enable":1,"updateFreq":10,"domain":"dyndns","userName":")" + std::string(40, 'u') +
                                     R"(","hostName":"nvr.example.net","http":8080,"rtsp":8554,"ddnsurl":"u"})")
                  .body,
              "OK");
    EXPECT_EQ(payload_text(sent(1702, 1)[0].payload, 0, 32), "ddns");
    EXPECT_EQ(log_records(1), (std::vector<std::vector<int>>{{4, 204, 916}}));
    JsonRef answer(parse_answer(get("/7020").body));
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"enable", "domain", "userName", "password", "hostName", "ddnsurl",
                                        "freeDNSHash", "updateFreq", "http_port", "rtsp_port", "mac"}));
    EXPECT_EQ(json_text(answer, "userName"), std::string(31, 'u'));
    EXPECT_EQ(json_int(answer, "http_port"), 8080);
    EXPECT_EQ(json_int(answer, "rtsp_port"), 8554);
    EXPECT_EQ(json_text(answer, "mac").size(), 17u);
}

std::string email(const std::string &overrides) {
    return R"({"smtpPort":465,"enableTls":1,"enableAttach":1,"captureInterval":5)" +
           (overrides.empty() ? "" : "," + overrides) + "}";
}

TEST_F(ServicesTest, EmailSettingsAndTheHostName) {
    struct Case {
        int line;
        std::string body;
        bool accepted;
    } cases[] = {
        {__LINE__, email(R"("enableTls":2)"), true},       {__LINE__, email(R"("enableTls":3)"), false},
        {__LINE__, email(R"("enableAttach":2)"), false},   {__LINE__, email(R"("smtpPort":-1)"), false},
        {__LINE__, R"({"smtpPort":25,"enableTls":0,"enableAttach":0})", false},
        {__LINE__, email(R"("captureInterval":"x")"), false},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/7031", c.body).body, c.accepted ? "OK" : "") << "line " << c.line;

    EXPECT_EQ(post_json("/7031", email(R"("enable":1,"userName":"mailer","smtpServer":"smtp.example.com",)"
                                      R"("receivers":[{"receiverAddr":"a@example.com","receiverName":"A"},)"
                                      R"({"receiverAddr":")" + std::string(90, 'r') + R"("}],)"
                                      R"("enableHostName":1,"hostName":")" + std::string(300, 'h') + R"(")"))
                  .body,
              "OK");
    // Keys left out keep their values; receivers left out are empty.
    EXPECT_EQ(post_json("/7031", email(R"("password":"secret","receivers":"none")")).body, "OK");
    EmailRecord stored_email = stored(read_email);
    EXPECT_EQ(std::string(stored_email.userName), "mailer");
    EXPECT_EQ(std::string(stored_email.password), "secret");
    EXPECT_EQ(std::string(stored_email.receivers[0].receiverAddr), "");
    EXPECT_EQ(payload_text(sent(1702, 1)[0].payload, 0, 32), "mail");

    EXPECT_EQ(post_json("/7031", email(R"("receivers":[{"receiverAddr":"a@example.com","receiverName":"A"},)"
                                       R"({"receiverAddr":")" + std::string(90, 'r') + R"("},7])"))
                  .body,
              "OK");
    JsonRef answer(parse_answer(get("/7030").body));
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"enable", "userName", "password", "smtpServer", "smtpPort",
                                                              "senderAddr", "senderName", "enableTls", "enableAttach",
                                                              "captureInterval", "enableHostName", "hostName",
                                                              "receivers"}));
    EXPECT_EQ(json_text(answer, "password"), "secret");  // the page shows it
    EXPECT_EQ(json_int(answer, "enableHostName"), 1);
    EXPECT_EQ(json_text(answer, "hostName"), std::string(255, 'h'));
    json_object *receivers = nullptr;
    ASSERT_TRUE(json_object_object_get_ex(answer, "receivers", &receivers));
    ASSERT_EQ(json_object_array_length(receivers), 3u);
    EXPECT_EQ(json_text(json_object_array_get_idx(receivers, 0), "receiverName"), "A");
    EXPECT_EQ(json_text(json_object_array_get_idx(receivers, 1), "receiverAddr"), std::string(64, 'r'));
    EXPECT_EQ(json_text(json_object_array_get_idx(receivers, 2), "receiverAddr"), "");
    EXPECT_EQ(log_records(1)[0], (std::vector<int>{4, 204, 917}));
}

TEST_F(ServicesTest, TestMailAndIpConflictAnswers) {
    struct Case {
        int line;
        int code;
        std::string path, body;
        SimScript reply;
        std::string answer;
    } cases[] = {
        {__LINE__, 3409, "/7032", "", sim_one_reply(sim_words({0})), "OK"},
        {__LINE__, 3409, "/7032", "", sim_one_reply(sim_words({-5})), "ERROR"},
        {__LINE__, 3409, "/7032", "", sim_one_reply(Bytes{0, 0, 0}), "CGI ERROR"},
        {__LINE__, 3409, "/7032", "", two_replies(sim_words({1}), sim_words({0})), "ERROR"},
        {__LINE__, 3005, "/7070", R"({"ip":"192.168.1.7"})", sim_one_reply(sim_words({1})), "-1"},
        {__LINE__, 3005, "/7070", R"({"ip":"192.168.1.7"})", sim_one_reply(sim_words({0})), "0"},
        {__LINE__, 3005, "/7070", R"({"ip":"192.168.1.7"})", SimScript(), "CGI ERROR"},
        {__LINE__, 3006, "/7071", R"({"dev":"eth1","ip":"10.0.0.1"})", sim_one_reply(sim_words({2})), "-1"},
        {__LINE__, 3006, "/7071", R"({"dev":"eth1","ip":"10.0.0.1"})", sim_one_reply(Bytes{1}), "CGI ERROR"},
    };
    for (const Case &c : cases) {
        daemon.script(c.code, c.reply);
        CgiRequest request;
        request.method = "POST";
        request.path_info = c.path;
        request.content_type = "application/json";
        request.body = c.body;
        EXPECT_EQ(run(request).body, c.answer) << "line " << c.line;
    }
    Bytes mail = sent(3409, 1)[0].payload;
    EXPECT_EQ(mail.size(), 32u);
    EXPECT_EQ(payload_text(mail, 0, 32), "testmail");

    daemon.clear_requests();
    daemon.clear_script(3005);
    daemon.clear_script(3006);
    EXPECT_EQ(post_json("/7070", R"({"ip":")" + std::string(30, '1') + R"("})").body, "0");
    Bytes by_address = sent(3005, 1)[0].payload;
    ASSERT_EQ(by_address.size(), 20u);
    EXPECT_EQ(payload_text(by_address, 0, 20), std::string(19, '1'));
    EXPECT_EQ(post_json("/7071", R"({"dev":"eth1;reboot-now","ip":"10.0.0.200.200.200"})").body, "0");
    Bytes by_device = sent(3006, 1)[0].payload;
    ASSERT_EQ(by_device.size(), 32u);
    EXPECT_EQ(payload_text(by_device, 0, 16), "eth1;reboot-now");
    EXPECT_EQ(payload_text(by_device, 16, 16), "10.0.0.200.200.");
    for (const char *body : {"{", R"({"ip":5})", "{}"}) EXPECT_EQ(post_json("/7070", body).output, "") << body;
    EXPECT_EQ(post_json("/7071", R"({"ip":"10.0.0.1"})").output, "");
}

TEST_F(ServicesTest, SnmpSettingsAndItsPort) {
    JsonRef factory(parse_answer(get("/7090").body));
    std::vector<std::string> keys = answer_keys(factory);
    ASSERT_EQ(keys.size(), 22u);
    EXPECT_EQ(keys.front(), "v1_enable");
    EXPECT_EQ(std::vector<std::string>(keys.end() - 5, keys.end()),
              (std::vector<std::string>{"port", "sshPort", "httpPort", "rtspPort", "httpsPort"}));
    EXPECT_EQ(json_int(factory, "port"), 161);

    EXPECT_EQ(post_json("/7091", R"({"v2c_enable":1,"read_community":")" + std::string(70, 'c') + R"(","port":1161})").body,
              "OK");
    EXPECT_EQ(payload_text(sent(1702, 1)[0].payload, 0, 32), "snmp");
    EXPECT_TRUE(sent(3485).empty());  // no log record
    SnmpRecord snmp = stored(read_snmp);
    EXPECT_EQ(snmp.v2c_enable, 1);
    EXPECT_EQ(std::string(snmp.read_community), std::string(63, 'c'));
    EXPECT_EQ(std::string(snmp.write_community), "");  // made from the request alone
    EXPECT_EQ(snmp.port, 1161);

    set_param("max_poe_num", "4");
    EXPECT_EQ(post_json("/7091", R"({"v1_enable":1,"port":23002})").body, "POE_Port_Error");
    EXPECT_EQ(stored(read_snmp).v1_enable, 0);
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(fd, reinterpret_cast<struct sockaddr *>(&address), sizeof address), 0);
    getsockname(fd, reinterpret_cast<struct sockaddr *>(&address), &length);
    EXPECT_EQ(post_json("/7091", R"({"port":)" + std::to_string(ntohs(address.sin_port)) + "}").body, "POE_Port_Error");
    close(fd);
    snmp.port = 23002;
    store(write_snmp, snmp);
    EXPECT_EQ(post_json("/7091", R"({"v1_enable":1,"port":23002})").body, "OK");  // unchanged
}

TEST_F(ServicesTest, AccessAndDdnsStatus) {
    set_param("ch_access", "1");
    EXPECT_EQ(json_int(JsonRef(parse_answer(get("/7092").body)), "access"), 1);
    daemon.script(3309, sim_one_reply(sim_words({4})));
    EXPECT_EQ(get("/7094").body, R"({ "status": 4 })");
    EXPECT_TRUE(sent(3309, 1)[0].payload.empty());
    daemon.script(3309, sim_one_reply(Bytes{4, 0}));
    EXPECT_EQ(get_waiting_less(root, "/7094").body, kJsonError);
}

}  // namespace
