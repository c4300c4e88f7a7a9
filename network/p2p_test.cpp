// P2P status, switching, registration test and unbinding routes, end to end (the registration
// test against a registration server on a loopback address).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "core/web_utils.h"
#include "network/network_test_support.h"
#include "platform/p2p_crypt.h"

namespace {

using P2pTest = NetworkRouteTest;

// A registration server on port 9999 of a loopback address of its own.
class RegistrationServer {
  public:
    enum class Behaviour { Answer, CloseAtOnce, ShortHeader };
    RegistrationServer(Behaviour behaviour, int status, std::string text)
        : behaviour_(behaviour), status_(status), text_(std::move(text)) {}
    ~RegistrationServer() {
        if (thread_.joinable()) thread_.join();
        if (listen_fd_ >= 0) close(listen_fd_);
    }
    // Listens on 127.0.0.N:9999 for the first N that is free; the address, or "" when none is.
    std::string start() {
        for (int n = 2 + getpid() % 100; n < 250; n += 7) {
            std::string address = "127.0.0." + std::to_string(n);
            listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            struct sockaddr_in local;
            memset(&local, 0, sizeof local);
            local.sin_family = AF_INET;
            local.sin_port = htons(9999);
            inet_pton(AF_INET, address.c_str(), &local.sin_addr);
            if (bind(listen_fd_, reinterpret_cast<struct sockaddr *>(&local), sizeof local) == 0 && listen(listen_fd_, 1) == 0) {
                thread_ = std::thread([this] { serve(); });
                return address;
            }
            close(listen_fd_);
            listen_fd_ = -1;
        }
        return "";
    }
    Bytes header, record;

  private:
    void serve() {
        struct pollfd wait = {listen_fd_, POLLIN, 0};
        if (poll(&wait, 1, 20000) != 1) return;
        int fd = accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) return;
        if (behaviour_ != Behaviour::CloseAtOnce && p2p_create_keyfile() == 0 && p2p_cli_switch_keyfile(fd) == 0) {
            char buffer[2048];
            int got = p2p_recv(fd, buffer, sizeof buffer);
            if (got > 0) header.assign(buffer, buffer + got);
            got = p2p_recv(fd, buffer, sizeof buffer);
            if (got > 0) record.assign(buffer, buffer + got);
            Bytes answer = le_words({2, 0, 0, status_, 1, 0, 0, 0, 0, 0});
            p2p_send(fd, answer.data(), behaviour_ == Behaviour::ShortHeader ? 20 : static_cast<int>(answer.size()));
            if (!text_.empty()) p2p_send(fd, text_.data(), static_cast<int>(text_.size()));
        }
        close(fd);
    }
    Behaviour behaviour_;
    int32_t status_;
    std::string text_;
    int listen_fd_ = -1;
    std::thread thread_;
};

// True when nothing accepts connections on 127.0.0.1 at the port.
bool is_port_free_for_test(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(port));
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool refused = connect(fd, reinterpret_cast<struct sockaddr *>(&peer), sizeof peer) != 0;
    close(fd);
    return refused;
}

TEST_F(P2pTest, StatusRecordAndItsShortForms) {
    JsonRef answer(parse_answer(get("/7060").body));
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"enable", "p2pstatus", "model", "ipc", "cloudAccount",
                                                              "cloudServer", "registerCode", "company", "email",
                                                              "dealer", "region"}));
    EXPECT_EQ(json_text(answer, "registerCode"), "RC-7F3A-22D1-90BE");
    EXPECT_TRUE(sent(3702, 1)[0].payload.empty());

    Bytes unterminated(748, 'z');  // texts without their NUL stay within their fields
    Bytes two_records = unterminated;
    two_records.insert(two_records.end(), 748, 0);
    daemon.script(3702, sim_one_reply(two_records));
    JsonRef first(parse_answer(get("/7060").body));
    EXPECT_EQ(json_text(first, "model"), std::string(32, 'z'));
    EXPECT_EQ(json_text(first, "dealer"), std::string(128, 'z'));

    daemon.script(3702, sim_one_reply(Bytes(747, 0)));
    EXPECT_EQ(get_waiting_less(root, "/7060").body, kJsonError);
}

TEST_F(P2pTest, SwitchingOnStoresNothingAndOffStoresDisabled) {
    P2pConfig config;
    memset(&config, 0, sizeof config);
    config.enable = 1;
    strcpy(config.registration1, "uuid-1");
    store(write_p2p_info, config);

    struct Case {
        int line;
        int status;
        std::string answer;
    } switched_on[] = {
        {__LINE__, 0, "ERR_OK"},          {__LINE__, 2, "ERR_NOTFOUND"},    {__LINE__, 3, "ERR_NETWORK"},
        {__LINE__, 4, "ERR_UNKNOWN"},     {__LINE__, 5, "ERR_MAC_FORMAT"},  {__LINE__, 6, "ERR_AUTH_FAILED"},
        {__LINE__, 7, "ERR_NO_UUID"},     {__LINE__, -1, "ERR_UNKNOWN"},
    };
    for (const Case &c : switched_on) {
        daemon.script(3700, sim_one_reply(sim_words({c.status})));
        EXPECT_EQ(post_json("/7061", R"({"enableP2P":1,"region":2})").body, c.answer) << "line " << c.line;
    }
    Bytes on = sent(3700, 1)[0].payload;
    ASSERT_EQ(on.size(), 488u);
    EXPECT_EQ(payload_i32(on, 0), 1);
    EXPECT_EQ(payload_i32(on, 484), 2);
    EXPECT_EQ(payload_text(on, 36, 128), "");  // a fresh record, not the stored one
    EXPECT_EQ(stored(read_p2p_info).region, 0);

    EXPECT_EQ(post_json("/7061", R"({"enableP2P":0,"region":3})").body, "OK");
    P2pConfig off = stored(read_p2p_info);
    EXPECT_EQ(off.enable, 0);
    EXPECT_EQ(off.region, 3);
    EXPECT_EQ(std::string(off.registration1), "uuid-1");
    Bytes sent_off = sent(3701, 1)[0].payload;
    EXPECT_EQ(payload_text(sent_off, 36, 128), "uuid-1");
    daemon.script(3701, sim_one_reply(sim_words({1})));
    EXPECT_EQ(post_json("/7061", R"({"enableP2P":0})").body, "ERR");
    daemon.script(3701, sim_one_reply(Bytes{0}));
    EXPECT_EQ(post_json_waiting_less(root, "/7061", R"({"enableP2P":0})").body, "CGI ERROR");
    EXPECT_EQ(post_json("/7061", "{").output, "");
}

TEST_F(P2pTest, RegistrationTestResults) {
    P2pConfig config;
    memset(&config, 0, sizeof config);
    memset(config.registration2, 'k', sizeof config.registration2);  // stored without its NUL
    store(write_p2p_info, config);
    struct Case {
        int line;
        RegistrationServer::Behaviour behaviour;
        int status;
        std::string text, answer, handed_on;
    } cases[] = {
        {__LINE__, RegistrationServer::Behaviour::Answer, 0, std::string("token-1\0tail", 12), "0", "token-1"},
        {__LINE__, RegistrationServer::Behaviour::Answer, 0, std::string(300, 't'), "0", std::string(128, 't')},
        {__LINE__, RegistrationServer::Behaviour::Answer, 2, "", "2", "<none>"},
        {__LINE__, RegistrationServer::Behaviour::Answer, 9, "", "0", "<none>"},
        {__LINE__, RegistrationServer::Behaviour::ShortHeader, 0, "", "3", "<none>"},
        {__LINE__, RegistrationServer::Behaviour::CloseAtOnce, 0, "", "4", "<none>"},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        RegistrationServer server(c.behaviour, c.status, c.text);
        std::string address = server.start();
        ASSERT_FALSE(address.empty());
        set_param("p2p_server", address);
        EXPECT_EQ(post_json("/7062", R"({"sn":"SN-1;rm -rf /","deviceName":")" + std::string(40, 'd') + R"("})").body,
                  c.answer)
            << "line " << c.line;
        std::vector<SimRequest> handed = sent(3700);
        EXPECT_EQ(handed.empty() ? "<none>" : std::string(handed[0].payload.begin(), handed[0].payload.end()),
                  c.handed_on)
            << "line " << c.line;
        if (c.behaviour != RegistrationServer::Behaviour::Answer) continue;
        EXPECT_EQ(server.header, le_words({2, 0, rsa_cal_ensize(568), 0, 1, 0, 0, 0, 0, 0})) << "line " << c.line;
        ASSERT_EQ(server.record.size(), 568u);
        char mac0[18], mac1[18];
        get_mac_addr(mac0, mac1);
        EXPECT_EQ(payload_text(server.record, 0, 24), mac0);
        EXPECT_EQ(payload_text(server.record, 24, 32), std::string(31, 'd'));
        EXPECT_EQ(payload_text(server.record, 56, 64), "SN-1;rm -rf /");
        EXPECT_EQ(payload_text(server.record, 248, 128), std::string(127, 'k'));
    }
    set_param("p2p_server", "127.0.0.1");  // nobody listens on 9999 there
    if (!is_port_free_for_test(9999)) GTEST_SKIP() << "port 9999 is in use on 127.0.0.1";
    EXPECT_EQ(post_json("/7062", R"({"sn":"1"})").body, "3");
    EXPECT_EQ(post_json("/7062", "{").output, "");
}

TEST_F(P2pTest, Unbind) {
    EXPECT_EQ(get("/7095").body, R"({ "res": 0 })");
    EXPECT_TRUE(sent(2302, 1)[0].payload.empty());
    daemon.script(2302, SimScript());
    EXPECT_EQ(get_waiting_less(root, "/7095").body, kJsonError);
}

}  // namespace
