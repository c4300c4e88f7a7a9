// Service ports, push settings and PoE port count routes, end to end.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "network/network_test_support.h"

namespace {

using PortsTest = NetworkRouteTest;

// A valid "/7051" request with the given keys added (json-c keeps the last of a duplicate key).
std::string ports(const std::string &overrides = "") {
    std::string body = R"({"enableSsh":1,"sshPort":2222,"httpPort":8080,"rtspPort":8554,"httpsPort":8443,)"
                       R"("servicePort":6036,"enableMsg":1,"pushType":3,"PushTypeNvrAlarmIn":7,"pushNvrPos":"1,2")";
    return body + (overrides.empty() ? "" : "," + overrides) + "}";
}

// A TCP port on which this process listens (closed with the returned descriptor).
int listening_port(int *fd) {
    *fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(*fd, reinterpret_cast<struct sockaddr *>(&address), sizeof address) != 0 || listen(*fd, 1) != 0 ||
        getsockname(*fd, reinterpret_cast<struct sockaddr *>(&address), &length) != 0)
        return -1;
    return ntohs(address.sin_port);
}

TEST_F(PortsTest, PortInfoKeysAndPushTypes) {
    set_param("max_cameras", "3");
    set_param("enable_push_msg", "5");  // shown as 0 unless 0 or 1
    PushMsgEvent event = {1, 9};
    store(write_push_msg_event, event);
    JsonRef answer(parse_answer(get("/7050").body));
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"enableSsh", "sshPort", "httpPort", "httpsPort", "rtspPort", "servicePort",
                                        "enable_access", "PushTypeArr", "PushNvrAlarmInType", "enableMsg",
                                        "push_stream", "pushNvrPos"}));
    EXPECT_EQ(json_int(answer, "httpPort"), 80);  // factory ports
    EXPECT_EQ(json_int(answer, "httpsPort"), 443);
    EXPECT_EQ(json_int(answer, "PushNvrAlarmInType"), 65535);
    EXPECT_EQ(json_int(answer, "enableMsg"), 0);
    json_object *types = nullptr;
    ASSERT_TRUE(json_object_object_get_ex(answer, "PushTypeArr", &types));
    EXPECT_STREQ(json_object_to_json_string(types), "[ 0, 9, 0 ]");
    set_param("max_cameras", "0");
    EXPECT_NE(get("/7050").body.find(R"("PushTypeArr": [ ])"), std::string::npos);
}

TEST_F(PortsTest, SetPortInfoRefusesInvalidRequests) {
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, ports(R"("enableSsh":2)")},   {__LINE__, ports(R"("enableSsh":-1)")},
        {__LINE__, ports(R"("sshPort":-1)")},    {__LINE__, ports(R"("servicePort":"x")")},
        {__LINE__, ports(R"("enableMsg":-3)")},  {__LINE__, ports(R"("httpPort":[80])")},
        {__LINE__, R"({"enableSsh":1,"sshPort":22,"httpPort":80,"rtspPort":554,"enableMsg":1})"},
        {__LINE__, "{"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json("/7051", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());
    EXPECT_EQ(stored(read_port).httpPort, 80);
}

TEST_F(PortsTest, SetPortInfoStoresAndNotifies) {
    CgiResult result = post_json("/7051", ports(R"("channel_num":3,"pushTypeArr":[4,"x",6],"enableAccess":1,"needReboot":1,"pushVideoStream":2)"));
    EXPECT_EQ(result.body, "OK");
    PortRecord port = stored(read_port);
    EXPECT_EQ(port.enableSsh, 1);
    EXPECT_EQ(port.sshPort, 2222);
    EXPECT_EQ(port.httpPort, 8080);
    EXPECT_EQ(port.rtspPort, 8554);
    EXPECT_EQ(port.httpsPort, 8443);
    EXPECT_EQ(port.servicePort, 6036);  // checked, not stored
    EXPECT_EQ(param("push_type"), "3");
    EXPECT_EQ(param("pushmsg_alarmin_type"), "7");
    EXPECT_EQ(param("enable_push_msg"), "1");
    EXPECT_EQ(param("video_push_stream"), "2");
    PushMsgEvent events[64];
    int count = 0;
    qvdb_close_all();
    read_push_msg_events(QVDB_PATH, events, &count);
    ASSERT_EQ(count, 2);  // the text item is skipped, not stored as 0
    EXPECT_EQ(events[0].push_type, 4);
    EXPECT_EQ(events[1].channel, 2);
    char position[kPushNvrPosText];
    read_push_msg_nvr_event(QVDB_PATH, position, sizeof position);
    EXPECT_STREQ(position, "1,2");

    EXPECT_EQ(sent(3618, 1)[0].payload, le_words({1}));
    Bytes push_switch = sent(3617, 1)[0].payload;
    EXPECT_EQ(push_switch, (Bytes{'1', 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(payload_text(sent(1702, 1)[0].payload, 0, 32), "more");
    EXPECT_EQ(sent(1703, 1).size(), 1u);
    EXPECT_EQ(log_records(2), (std::vector<std::vector<int>>{{4, 204, 918}, {4, 200, 900}}));

    // The access switch is sent only when it differs from the stored one.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/7051", ports()).body, "OK");
    sent(1702, 1);
    EXPECT_TRUE(sent(3618).empty());
    EXPECT_TRUE(sent(1703).empty());
}

TEST_F(PortsTest, ChangedPortsMustLeaveThePoeBlockAndBeFree) {
    set_param("max_poe_num", "8");
    struct Case {
        int line;
        std::string overrides, answer;
    } cases[] = {
        {__LINE__, R"("httpPort":23005)", "POE_Port_Error"},
        {__LINE__, R"("sshPort":23001)", "POE_Port_Error"},
        {__LINE__, R"("httpsPort":23008)", "POE_Port_Error"},
        {__LINE__, R"("httpPort":23009)", "OK"},
        {__LINE__, R"("rtspPort":23002)", "OK"},  // the RTSP port is not checked
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/7051", ports(c.overrides)).body, c.answer) << "line " << c.line;

    // A refused port change keeps the ports but has stored the push part.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/7051", ports(R"("httpPort":23003,"pushType":11,"channel_num":1,"pushTypeArr":[8])")).body,
              "POE_Port_Error");
    EXPECT_EQ(stored(read_port).httpPort, 8080);  // as the last accepted request left it
    EXPECT_EQ(param("push_type"), "11");
    EXPECT_TRUE(sent(3617).empty());
    EXPECT_TRUE(sent(1702).empty());

    // An unchanged port inside the block passes; six PoE ports reserve nothing.
    PortRecord port = stored(read_port);
    port.httpPort = 23004;
    store(write_port, port);
    EXPECT_EQ(post_json("/7051", ports(R"("httpPort":23004)")).body, "OK");
    set_param("max_poe_num", "6");
    EXPECT_EQ(post_json("/7051", ports(R"("httpPort":23005)")).body, "OK");

    int fd = -1;
    int busy = listening_port(&fd);
    ASSERT_GT(busy, 0);
    EXPECT_EQ(post_json("/7051", ports(R"("sshPort":)" + std::to_string(busy))).body, "POE_Port_Error");
    close(fd);
}

TEST_F(PortsTest, PushTypesAreBoundedByTheArray) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(post_json("/7051", ports(R"("channel_num":2147483647,"pushTypeArr":[1,2])")).body, "OK");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(post_json("/7051", ports(R"("channel_num":5,"pushTypeArr":{"0":3})")).body, "OK");  // not an array
    EXPECT_EQ(post_json("/7051", ports(R"("channel_num":-4,"pushTypeArr":[7])")).body, "OK");
    qvdb_close_all();
    PushMsgEvent events[64];
    int count = 0;
    read_push_msg_events(QVDB_PATH, events, &count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(events[0].push_type, 1);
    EXPECT_EQ(events[1].push_type, 2);
}

TEST_F(PortsTest, PortsOfThisPageAreThoseOfTheUpnpPage) {
    EXPECT_EQ(post_json("/7051", ports()).body, "OK");
    JsonRef upnp(parse_answer(get("/1030").body));
    EXPECT_EQ(json_int(upnp, "http_port"), 8080);
    EXPECT_EQ(json_int(upnp, "rtsp_port"), 8554);
    set_param("max_poe_num", "8");
    EXPECT_EQ(json_int(JsonRef(parse_answer(get("/7093").body)), "max_poe_num"), 8);
}

// The e-mail page writes the host name into the port record, the port page the ports: writers
// racing each other keep both changes.
TEST_F(PortsTest, ConcurrentPortAndEmailWritersKeepBothChanges) {
    const int kRounds = 6;
    for (int round = 0; round < kRounds; round++) {
        std::string host = "host-" + std::to_string(round);
        int http = 9000 + round;
        CgiRequest mail;
        mail.method = "POST";
        mail.path_info = "/7031";
        mail.content_type = "application/json";
        mail.body = R"({"smtpPort":25,"enableTls":0,"enableAttach":0,"captureInterval":1,"enableHostName":1,)"
                    R"("hostName":")" + host + R"("})";
        CgiResult mail_result;
        std::thread mail_writer([&] { mail_result = run_cgi(root, mail); });
        CgiResult ports_result = post_json("/7051", ports(R"("httpPort":)" + std::to_string(http)));
        mail_writer.join();
        EXPECT_EQ(ports_result.body, "OK");
        EXPECT_EQ(mail_result.body, "OK");
        PortRecord port = stored(read_port);
        EXPECT_EQ(port.httpPort, http) << "round " << round;
        EXPECT_EQ(std::string(port.host_name), host) << "round " << round;
        EXPECT_EQ(port.host_name_enable, 1);
    }
}

}  // namespace
