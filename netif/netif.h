// Network interface utilities: addressing, link state, traffic rates and an ARP probe, read
// from the kernel (ioctls, "/proc/net/dev", "/proc/net/route"), and the interface address queries.
#ifndef NVR_NETIF_NETIF_H
#define NVR_NETIF_NETIF_H

#include <stddef.h>
#include <stdint.h>

// Addressing of one interface (if_get_netconf). Texts are NUL-terminated; the gaps are left
// as the caller had them.
struct NetifConfig {
    char address[16];    // IPv4 address, dotted
    char reserved0[8];
    char hwaddr[24];     // "%2.2x:%2.2x:%2.2x:%2.2x:%2.2x:%2.2x", lower case
    char gateway[24];    // default gateway of this interface, "0.0.0.0" when it has none
    char netmask[16];
    char reserved1[8];
    char broadcast[16];
    char reserved2[8];
    int32_t up;          // 1 when the interface is up
    int32_t mtu;
};
static_assert(offsetof(NetifConfig, hwaddr) == 24, "hardware address at 24");
static_assert(offsetof(NetifConfig, gateway) == 48, "gateway at 48");
static_assert(offsetof(NetifConfig, netmask) == 72, "netmask at 72");
static_assert(offsetof(NetifConfig, broadcast) == 96, "broadcast at 96");
static_assert(offsetof(NetifConfig, up) == 120, "up flag at 120");
static_assert(sizeof(NetifConfig) == 128, "interface configuration is 128 bytes");

// Link state of one interface (if_get_netinfo).
struct NetifLink {
    int32_t running;  // IFF_RUNNING
    int32_t speed;    // Mbit/s
    int32_t duplex;   // as the driver reports it
};

// Interface names the kernel accepts: at most 15 characters.
constexpr size_t kNetifNameMax = 15;

// Fills the configuration of the interface. A failing query is reported on standard error and
// the rest is still filled; -1 only for a missing argument or when no socket can be made.
int if_get_netconf(const char *ifname, NetifConfig *config);

// Running flag, speed and duplex of the interface; -1 when a query fails.
int if_get_netinfo(const char *ifname, NetifLink *link);

// Number of interfaces other than "lo" ("/proc/net/dev"); 0 when it cannot be read.
int if_get_netcount();

// Receive and transmit rates in bytes per second since the previous call for the interface
// (0 and 0 on the first call, or when the previous sample is 10 seconds old or older). -1 for an
// interface that is not listed, a name over 15 characters, or no time between the samples.
int if_get_speed(const char *ifname, uint64_t *rx_rate, uint64_t *tx_rate);

// Hardware addresses of "eth0" and "eth1" as "%02X:..." (18-byte buffers), with the fixed
// fallbacks "02:5A:3E:0A:19:C8" and "02:5A:3E:0A:19:C9". Returns 0.
int if_get_mac_addr(char *eth0, char *eth1);

// Runs "ifconfig NAME up" (or "down" when up is 0) without a shell. The length of that command
// text, or -1 for a name that is empty, over 15 characters, or holds '/' or white space.
int if_set_network(const char *ifname, int up);

// ARP probe: 1 when another host answers for the address (or it is the interface's own, or the
// probe could not be sent), 0 when none answers within 2 seconds, -1 when the interface or a
// socket cannot be used or the address is not IPv4 text.
int if_ip_check(const char *ifname, const char *address);

// 0 when address 1 in netmask 1 and address 2 in netmask 2 are the same network; -1 when not,
// or when any of the four is not IPv4 text.
int qv_strcmp_two_ip_same_net(const char *address1, const char *netmask1, const char *address2,
                              const char *netmask2);

// Interface address queries of the system library (0 on success; on failure the buffers are
// left as they were).
// IPv4 address of the interface as dotted text, cut to size - 1.
int net_get_ifaddr(const char *ifname, char *out, int size);

constexpr int kIpv6AddressBytes = 64;  // address and gateway buffers
constexpr int kIpv6NetmaskBytes = 16;  // prefix-length buffer

// The interface's global IPv6 address and its prefix length as decimal text. Selector 0 takes
// the first global address; selector 1 only one the kernel configured itself (address
// autoconfiguration or DHCPv6, not a permanent one).
int net_get_ipv6_ifaddr(int selector, const char *ifname, char *address, char *netmask);

// The interface's IPv6 default gateway. Selector 0 takes a configured route, selector 1 one
// learned from a router advertisement.
int net_get_ipv6_gateway2(int selector, const char *ifname, char *gateway);

#endif
