// Interface utilities: the /proc parsers against sample texts, the rate samples, and the
// utilities on the real loopback interface.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <string>

#include "netif/netif.h"
#include "netif/netif_internal.h"
#include "platform/qvstd_net.h"
#include "tests/harness.h"

namespace {

class NetifParsers : public ::testing::Test {
  protected:
    // Writes a sample text into the temporary root and returns its path.
    std::string sample(const std::string &name, const std::string &text) {
        std::string path = root.at("/" + name);
        std::ofstream(path) << text;
        return path;
    }
    DeviceRoot root;
};

const char kRoute[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "veth10\t00000000\t0A0AA8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth1\t0002A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "eth1\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "averyveryverylonginterfacename\t00000000\t01010101\t0003\n"
    "garbage line\n";

TEST_F(NetifParsers, GatewayOfTheInterfaceFromTheRouteTable) {
    std::string path = sample("route", kRoute);
    struct Case {
        int line;
        const char *ifname, *gateway;
    } cases[] = {
        {__LINE__, "eth1", "192.168.2.1"},   // the default route, not the network route before it
        {__LINE__, "veth10", "192.168.10.10"},
        {__LINE__, "eth0", "0.0.0.0"},       // none
        {__LINE__, "veth1", "0.0.0.0"},      // a whole name, not a prefix
        {__LINE__, "averyveryverylo", "0.0.0.0"},
    };
    for (const Case &c : cases) {
        char gateway[24] = "untouched";
        EXPECT_EQ(netif_route_gateway(path.c_str(), c.ifname, gateway, sizeof gateway), 0);
        EXPECT_STREQ(gateway, c.gateway) << "line " << c.line;
    }
    char gateway[24] = "untouched";
    EXPECT_EQ(netif_route_gateway(root.at("/missing").c_str(), "eth1", gateway, sizeof gateway), -1);
    EXPECT_STREQ(gateway, "untouched");
}

const char kDev[] =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
    "    lo:  1000      10    0    0    0     0          0         0     1000      10    0    0    0     0       0          0\n"
    "  eth0:123456789012 900    0    0    0     0          0         0 98765     700    0    0    0     0       0          0\n"
    "veth10:  5555      5    0    0    0     0          0         0     6666       6    0    0    0     0       0          0\n"
    "  eth1:  42       1\n";

TEST_F(NetifParsers, InterfaceCountAndCounters) {
    std::string path = sample("net_dev", kDev);
    EXPECT_EQ(netif_count_interfaces(path.c_str()), 3);
    EXPECT_EQ(netif_count_interfaces(root.at("/missing").c_str()), -1);
    uint64_t rx = 0, tx = 0;
    ASSERT_EQ(netif_read_counters(path.c_str(), "eth0", &rx, &tx), 0);
    EXPECT_EQ(rx, 123456789012ULL);  // glued to the colon and beyond 32 bits
    EXPECT_EQ(tx, 98765u);
    ASSERT_EQ(netif_read_counters(path.c_str(), "veth10", &rx, &tx), 0);
    EXPECT_EQ(tx, 6666u);
    EXPECT_EQ(netif_read_counters(path.c_str(), "eth", &rx, &tx), -1);
    EXPECT_EQ(netif_read_counters(path.c_str(), "eth1", &rx, &tx), -1);  // a truncated line
    EXPECT_EQ(netif_read_counters(path.c_str(), "ppp0", &rx, &tx), -1);
}

TEST(NetifSpeed, RatesFromTwoSamples) {
    netif_forget_samples();
    uint64_t rx = 99, tx = 99;
    EXPECT_EQ(netif_take_sample("eth0", 1000, 5000, 1000000, &rx, &tx), 0);
    EXPECT_EQ(rx, 0u);  // the first sample
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(netif_take_sample("eth0", 3000, 4000, 1500000, &rx, &tx), 0);
    EXPECT_EQ(rx, 4000u);  // 2000 bytes in half a second
    EXPECT_EQ(tx, 0u);     // the counter went backwards
    EXPECT_EQ(netif_take_sample("eth0", 3000, 4000, 1500000, &rx, &tx), -1);  // no time between
    EXPECT_EQ(netif_take_sample("eth0", 9000, 9000, 11500000, &rx, &tx), 0);
    EXPECT_EQ(rx, 0u);  // ten seconds old
    EXPECT_EQ(netif_take_sample("eth0", 9000 + 10000000000ULL, 9000, 12500000, &rx, &tx), 0);
    EXPECT_EQ(rx, 10000000000ULL);  // computed in 64 bits

    // Five slots; a sixth interface takes the one of the oldest sample.
    netif_forget_samples();
    for (int i = 1; i <= 5; i++)
        netif_take_sample(("if" + std::to_string(i)).c_str(), 0, 0, 20000000 + i, &rx, &tx);
    netif_take_sample("if6", 0, 0, 20000010, &rx, &tx);
    EXPECT_EQ(netif_take_sample("if5", 100, 0, 21000005, &rx, &tx), 0);
    EXPECT_EQ(rx, 100u);  // still kept
    EXPECT_EQ(netif_take_sample("if1", 100, 0, 21000001, &rx, &tx), 0);
    EXPECT_EQ(rx, 0u);    // forgotten: a first sample again
    netif_forget_samples();
    EXPECT_EQ(if_get_speed("averyveryverylongname", &rx, &tx), -1);
    EXPECT_EQ(if_get_speed("lo", &rx, &tx), 0);
    EXPECT_EQ(if_get_speed("no-such-if", &rx, &tx), -1);
}

TEST_F(NetifParsers, Ipv6AddressesAndGatewaysBySelector) {
    std::string addresses = sample("if_inet6",
                                   "fe800000000000000000000000000001 02 40 20 80     eth0\n"
                                   "20010db8000000000000000000000005 02 40 00 80     eth0\n"
                                   "20010db8000000000000000000000009 02 40 00 00     eth0\n"
                                   "20010db8000000000000000000000007 03 30 00 80     eth1\n");
    char address[kIpv6AddressBytes] = "", netmask[kIpv6NetmaskBytes] = "";
    ASSERT_EQ(netif_ipv6_address(addresses.c_str(), 0, "eth0", address, netmask), 0);
    EXPECT_STREQ(address, "2001:db8::5");  // the link-local one is not global
    EXPECT_STREQ(netmask, "64");
    ASSERT_EQ(netif_ipv6_address(addresses.c_str(), 1, "eth0", address, netmask), 0);
    EXPECT_STREQ(address, "2001:db8::9");  // configured by the kernel
    EXPECT_EQ(netif_ipv6_address(addresses.c_str(), 1, "eth1", address, netmask), -1);
    EXPECT_EQ(netif_ipv6_address(addresses.c_str(), 0, "eth", address, netmask), -1);

    std::string routes = sample("ipv6_route",
                                "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                                "fe800000000000000000000000000001 00000400 00000001 00000000 00450003     eth0\n"
                                "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                                "20010db8000000000000000000000001 00000400 00000001 00000000 00000003     eth1\n"
                                "20010db8000000000000000000000000 40 00000000000000000000000000000000 00 "
                                "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth1\n");
    char gateway[kIpv6AddressBytes] = "";
    EXPECT_EQ(netif_ipv6_gateway(routes.c_str(), 0, "eth0", gateway), -1);  // learned, not configured
    ASSERT_EQ(netif_ipv6_gateway(routes.c_str(), 1, "eth0", gateway), 0);
    EXPECT_STREQ(gateway, "fe80::1");
    ASSERT_EQ(netif_ipv6_gateway(routes.c_str(), 0, "eth1", gateway), 0);
    EXPECT_STREQ(gateway, "2001:db8::1");
}

TEST_F(NetifParsers, PortTablesListListeningSockets) {
    std::string tcp = sample("tcp",
                             "  sl  local_address rem_address   st tx_queue rx_queue\n"
                             "   0: 00000000:0016 00000000:0000 0A 00000000:00000000\n"
                             "   1: 0100007F:1F90 0100007F:C350 01 00000000:00000000\n");
    EXPECT_EQ(port_listed_in(tcp.c_str(), 22, true), 1);
    EXPECT_EQ(port_listed_in(tcp.c_str(), 8080, true), 0);   // a connection, not a listener
    EXPECT_EQ(port_listed_in(tcp.c_str(), 8080, false), 1);  // any socket of a UDP table
    EXPECT_EQ(port_listed_in(root.at("/missing").c_str(), 22, true), 0);
}

TEST(NetifAddresses, SameNetworkAndInterfaceNames) {
    EXPECT_EQ(qv_strcmp_two_ip_same_net("192.168.1.10", "255.255.255.0", "192.168.1.200", "255.255.255.0"), 0);
    EXPECT_EQ(qv_strcmp_two_ip_same_net("192.168.1.10", "255.255.255.0", "192.168.2.1", "255.255.255.0"), -1);
    EXPECT_EQ(qv_strcmp_two_ip_same_net("not-an-ip", "255.255.255.0", "also-not", "255.255.255.0"), -1);
    EXPECT_EQ(qv_strcmp_two_ip_same_net("10.0.0.1", "x", "10.0.0.2", "x"), -1);
    struct Case {
        int line;
        const char *ifname;
    } refused[] = {{__LINE__, ""}, {__LINE__, "eth0/../x"}, {__LINE__, "eth0 up;reboot"}, {__LINE__, "abcdefghijklmnop"},
                   {__LINE__, "eth\t0"}};
    for (const Case &c : refused) EXPECT_EQ(if_set_network(c.ifname, 1), -1) << "line " << c.line;
    EXPECT_EQ(if_set_network(nullptr, 0), -1);
}

// The real loopback interface.
TEST(NetifLoopback, ConfigurationAndProbe) {
    NetifConfig config;
    memset(&config, 0x5A, sizeof config);
    ASSERT_EQ(if_get_netconf("lo", &config), 0);
    EXPECT_STREQ(config.address, "127.0.0.1");
    EXPECT_STREQ(config.netmask, "255.0.0.0");
    EXPECT_STREQ(config.hwaddr, "00:00:00:00:00:00");
    EXPECT_STREQ(config.gateway, "0.0.0.0");
    EXPECT_EQ(config.up, 1);
    EXPECT_GT(config.mtu, 0);
    EXPECT_EQ(config.reserved0[0], 0x5A);  // the gaps are left alone
    EXPECT_EQ(if_get_netconf(nullptr, &config), -1);

    char address[32] = "0.0.0.0";
    EXPECT_EQ(net_get_ifaddr("lo", address, sizeof address), 0);
    EXPECT_STREQ(address, "127.0.0.1");
    strcpy(address, "0.0.0.0");
    EXPECT_EQ(net_get_ifaddr("ppp9", address, sizeof address), -1);
    EXPECT_STREQ(address, "0.0.0.0");
    EXPECT_GE(if_get_netcount(), 0);

    EXPECT_EQ(if_ip_check("lo", "127.0.0.1"), 1);  // its own address
    EXPECT_EQ(if_ip_check("lo", "no address"), -1);
    EXPECT_EQ(if_ip_check("no-such-if", "10.0.0.1"), -1);
}

}  // namespace
