// Interface addressing, network mode, MAC text, default route and multicast routes, end to end.
#include "core/qvdb_system.h"
#include "core/web_utils.h"
#include "netif/netif.h"
#include "network/network_test_support.h"

namespace {

class InterfacesTest : public NetworkRouteTest {
  protected:
    // A record whose every view is told apart by its values.
    void store_distinct_network(int mode) {
        NetworkRecord n = stored(read_network);
        n.mode = mode;
        strcpy(n.host_name, "recorder");
        n.primary_net = 1;
        strcpy(n.bond.address, "10.0.0.5");
        strcpy(n.bond.dns1, "10.0.0.53");
        strcpy(n.eth0.address, "10.1.0.5");
        strcpy(n.eth1.address, "10.2.0.5");
        strcpy(n.eth1.dns2, "10.2.0.54");
        n.eth0.mtu = 1400;
        n.eth1.mtu = 1300;
        n.eth0_6_type = n.eth1_6_type = n.bond6_type = kIpv6TypeStored;
        strcpy(n.eth0_6.address, "2001:db8::5");
        strcpy(n.eth0_6.netmask, "64");
        strcpy(n.eth1_6.gateway, "2001:db8:2::1");
        strcpy(n.bond6.address, "2001:db8:b::5");
        n.default_route = 1;
        store(write_network, n);
    }
};

const std::vector<std::string> kBondedKeys = {
    "mode",    "hostName", "primaryNet", "enableNetwork1", "networkType", "ipAddr",     "netmask",    "gateway",
    "macAddr", "DNS1",     "DNS2",       "mtu",            "ip6networkType", "ip6Addr", "ip6netmask", "ip6gateway",
    "defaultRoute"};
const std::vector<std::string> kSeparateKeys = {
    "mode",       "hostName",    "enableNetwork1", "networkType", "ipAddr",     "netmask",         "gateway",
    "ip6networkType", "ip6Addr", "ip6netmask",     "ip6gateway",  "macAddr",    "DNS1",            "DNS2",
    "mtu",        "enableNetwork2", "networkType2", "ipAddr2",    "netmask2",   "gateway2",        "ip6networkType2",
    "ip6Addr2",   "ip6netmask2", "ip6gateway2",    "macAddr2",    "DNS12",      "DNS22",           "mtu2",
    "defaultRoute"};

TEST_F(InterfacesTest, NetworkInfoShowsTheRequestedOrStoredView) {
    store_distinct_network(0);
    struct Case {
        int line;
        std::string argument;
        bool bonded;
    } cases[] = {
        {__LINE__, "1", true}, {__LINE__, "2", true},   {__LINE__, "0", false},  {__LINE__, "", false},
        {__LINE__, "abc", false}, {__LINE__, "7", false}, {__LINE__, "-1", false}, {__LINE__, "99999999999", false},
    };
    for (const Case &c : cases) {
        JsonRef answer(parse_answer(get("/7040", c.argument).body));
        EXPECT_EQ(answer_keys(answer), c.bonded ? kBondedKeys : kSeparateKeys) << "line " << c.line;
        EXPECT_EQ(json_int(answer, "mode"), 0) << "line " << c.line;  // the stored mode, whatever the view
        EXPECT_EQ(json_text(answer, "hostName"), "recorder");
        EXPECT_EQ(json_text(answer, "ipAddr"), c.bonded ? "10.0.0.5" : "10.1.0.5") << "line " << c.line;
        EXPECT_EQ(json_int(answer, "defaultRoute"), 1);
    }
    JsonRef bonded(parse_answer(get("/7040", "1").body));
    EXPECT_EQ(json_text(bonded, "DNS1"), "10.0.0.53");
    EXPECT_EQ(json_text(bonded, "ip6Addr"), "2001:db8:b::5");
    EXPECT_EQ(json_int(bonded, "primaryNet"), 1);
    JsonRef separate(parse_answer(get("/7040", "0").body));
    EXPECT_EQ(json_text(separate, "ipAddr2"), "10.2.0.5");
    EXPECT_EQ(json_text(separate, "DNS22"), "10.2.0.54");
    EXPECT_EQ(json_int(separate, "mtu"), 1400);
    EXPECT_EQ(json_int(separate, "mtu2"), 1300);
    EXPECT_EQ(json_text(separate, "ip6Addr"), "2001:db8::5");
    EXPECT_EQ(json_text(separate, "ip6gateway2"), "2001:db8:2::1");
    char mac0[18], mac1[18];
    get_mac_addr(mac0, mac1);
    EXPECT_EQ(json_text(separate, "macAddr"), mac0);
    EXPECT_EQ(json_text(separate, "macAddr2"), mac1);

    store_distinct_network(1);
    EXPECT_EQ(answer_keys(JsonRef(parse_answer(get("/7040", "5").body))), kBondedKeys);
    store_distinct_network(3);  // a mode without a view
    EXPECT_EQ(get("/7040", "9").body, R"({ "defaultRoute": 0 })");
}

TEST_F(InterfacesTest, Ipv6KeysAreStoredOrLiveByType) {
    store_distinct_network(0);
    NetworkRecord n = stored(read_network);
    n.eth0_6_type = kIpv6TypeStoredOrLive;  // address and netmask stored: shown
    n.eth1_6_type = kIpv6TypeStoredOrLive;  // nothing stored: what the interface has now
    store(write_network, n);
    JsonRef answer(parse_answer(get("/7040", "0").body));
    EXPECT_EQ(json_text(answer, "ip6Addr"), "2001:db8::5");
    EXPECT_EQ(json_text(answer, "ip6netmask"), "64");
    char address[kIpv6AddressBytes] = "", netmask[kIpv6NetmaskBytes] = "", gateway[kIpv6AddressBytes] = "";
    bool live = net_get_ipv6_ifaddr(1, "eth1", address, netmask) == 0;
    EXPECT_EQ(json_text(answer, "ip6Addr2"), live ? address : "<missing>");
    EXPECT_EQ(json_text(answer, "ip6netmask2"), live ? netmask : "<missing>");
    bool routed = net_get_ipv6_gateway2(0, "eth1", gateway) == 0 || net_get_ipv6_gateway2(1, "eth1", gateway) == 0;
    EXPECT_EQ(json_text(answer, "ip6gateway2"), routed ? gateway : "<missing>");  // never the stored one
}

TEST_F(InterfacesTest, SetNetworkInfoKeepsWhatIsNotSent) {
    store_distinct_network(0);
    NetworkRecord n = stored(read_network);
    strcpy(n.bond6.gateway, "2001:db8:b::1");
    store(write_network, n);

    // Bonded mode with IPv6 type 2: the gateway stays; unsent keys stay; texts are cut.
    std::string long_address(40, '9');
    CgiResult result = post_json("/7041", R"({"mode":1,"ipAddr":")" + long_address +
                                              R"(","mtu":9000,"ip6networkType":2,"ip6Addr":"2001:db8:b::9",)"
                                              R"("ip6gateway":"2001:db8:b::99","primaryNet":7,"slaveClear":3})");
    EXPECT_EQ(result.body, "OK");
    n = stored(read_network);
    EXPECT_EQ(n.mode, 1);
    EXPECT_EQ(std::string(n.bond.address), std::string(15, '9'));
    EXPECT_EQ(n.bond.mtu, 9000);
    EXPECT_EQ(std::string(n.bond.dns1), "10.0.0.53");
    EXPECT_EQ(std::string(n.bond6.address), "2001:db8:b::9");
    EXPECT_EQ(std::string(n.bond6.gateway), "2001:db8:b::1");
    EXPECT_EQ(n.primary_net, 1);  // read only in mode 2
    EXPECT_EQ(std::string(n.eth0.address), "10.1.0.5");
    EXPECT_EQ(sent(3023, 1)[0].payload, le_words({3}));
    Bytes area = sent(1702, 1)[0].payload;
    ASSERT_EQ(area.size(), 32u);
    EXPECT_EQ(payload_text(area, 0, 32), "network");
    EXPECT_EQ(log_records(1), (std::vector<std::vector<int>>{{4, 204, 914}}));

    // Separate mode: both interfaces and the default route; the bonded fields stay.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/7041", R"({"mode":0,"ipAddr2":"10.2.0.9","DNS12":"1.1.1.1","ip6networkType2":0,)"
                                 R"("ip6gateway2":"2001:db8:2::9","defaultRoute":0,"Conflict":1})")
                  .body,
              "OK");
    n = stored(read_network);
    EXPECT_EQ(n.mode, 0);
    EXPECT_EQ(std::string(n.eth1.address), "10.2.0.9");
    EXPECT_EQ(std::string(n.eth1.dns1), "1.1.1.1");
    EXPECT_EQ(std::string(n.eth1_6.gateway), "2001:db8:2::9");
    EXPECT_EQ(n.default_route, 0);
    EXPECT_EQ(std::string(n.bond.address), std::string(15, '9'));
    EXPECT_EQ(sent(3023, 1)[0].payload, le_words({0}));
    EXPECT_EQ(log_records(2), (std::vector<std::vector<int>>{{4, 204, 914}, {32, 406, 914}}));

    daemon.clear_requests();
    for (const char *body : {"{", "[1]", "mode=1"}) EXPECT_EQ(post_json("/7041", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(InterfacesTest, HostNameOfTheSystemPageIsTheNetworkHostName) {
    EXPECT_EQ(post_json("/1012", R"({"hostName":"front-desk","deviceId":3})").body, "OK");
    EXPECT_EQ(json_text(JsonRef(parse_answer(get("/7040", "0").body)), "hostName"), "front-desk");
    EXPECT_EQ(post_json("/7041", R"({"mode":1,"ipAddr":"10.9.9.9"})").body, "OK");
    EXPECT_EQ(json_text(JsonRef(parse_answer(get("/6080").body)), "hostname"), "front-desk");
}

TEST_F(InterfacesTest, ModeRestartAndMac) {
    store_distinct_network(2);
    EXPECT_EQ(get("/7042").body, "2");
    EXPECT_EQ(get("/7043").body, "OK");
    EXPECT_EQ(sent(1712, 1)[0].payload, Bytes(32, 0));

    struct Case {
        int line;
        std::string stored, shown;
    } cases[] = {
        {__LINE__, "0A1B2C3D4E5F", "0A:1B:2C:3D:4E:5F"},
        {__LINE__, "0A:1B:2C:3D:4E:5F", "0A:1B:2C:3D:4E:5F"},
        {__LINE__, "0a-1b-2c", "0a-1b-2c"},
        {__LINE__, "0A1B2", "0A:1B:2"},
        {__LINE__, "", ""},
        {__LINE__, std::string(31, 'F'), "FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:F"},
    };
    for (const Case &c : cases) {
        MacConfRecord conf;
        memset(&conf, 0, sizeof conf);
        strcpy(conf.mac, c.stored.c_str());
        store(write_mac_conf, conf);
        CgiResult result = get("/7044");
        EXPECT_NE(result.headers.find("application/json"), std::string::npos);
        EXPECT_EQ(json_text(JsonRef(parse_answer(result.body)), "mac0"), c.shown) << "line " << c.line;
    }
}

TEST_F(InterfacesTest, DefaultRouteIsStoredAndTheReplyAnswers) {
    daemon.script(1724, sim_one_reply(sim_words({5})));
    EXPECT_EQ(post_json("/7096", R"({"defaultRoute":1})").body, R"({ "res": 5 })");
    EXPECT_EQ(sent(1724, 1)[0].payload, le_words({1}));
    EXPECT_EQ(stored(read_network).default_route, 1);

    struct Case {
        int line;
        SimScript reply;
        std::string body, answer;
    } cases[] = {
        {__LINE__, sim_one_reply(Bytes{1, 0}), R"({"defaultRoute":0})", kJsonError},  // shorter than a word
        {__LINE__, SimScript(), R"({"defaultRoute":0})", kJsonError},
        {__LINE__, two_replies(sim_words({0}), sim_words({9})), R"({"defaultRoute":0})", R"({ "res": 0 })"},
        {__LINE__, sim_one_reply(sim_words({0})), "{", kJsonError},
        {__LINE__, sim_one_reply(sim_words({0})), "", kJsonError},
    };
    for (const Case &c : cases) {
        daemon.script(1724, c.reply);
        EXPECT_EQ(post_json_waiting_less(root, "/7096", c.body).body, c.answer) << "line " << c.line;
    }
}

TEST_F(InterfacesTest, MulticastRoundTrip) {
    JsonRef empty(parse_answer(get("/7033").body));
    EXPECT_EQ(answer_keys(empty), (std::vector<std::string>{"enable", "ip"}));
    EXPECT_EQ(post_json("/7034", R"({"enable":1,"ip":"239.1.2.3"})").body, R"({ "res": 0 })");
    Bytes record = sent(1729, 1)[0].payload;
    ASSERT_EQ(record.size(), 72u);
    EXPECT_EQ(payload_i32(record, 0), 1);
    EXPECT_EQ(payload_text(record, 4, 65), "239.1.2.3");
    EXPECT_EQ(Bytes(record.begin() + 4 + 10, record.end()), Bytes(58, 0));  // zero-filled, no stray bytes

    EXPECT_EQ(post_json("/7034", R"({"ip":")" + std::string(100, '1') + R"("})").body, R"({ "res": 0 })");
    JsonRef shown(parse_answer(get("/7033").body));
    EXPECT_EQ(json_int(shown, "enable"), 1);  // kept
    EXPECT_EQ(json_text(shown, "ip"), std::string(64, '1'));

    daemon.script(1729, sim_one_reply(Bytes{0}));
    EXPECT_EQ(post_json_waiting_less(root, "/7034", R"({"enable":0})").body, kJsonError);
    EXPECT_EQ(post_json("/7034", "not json").body, kJsonError);
}

}  // namespace
