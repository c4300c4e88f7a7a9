// Network interface utilities over the kernel's interface ioctls and its /proc/net texts.
#include "netif/netif.h"

#include <arpa/inet.h>
#include <errno.h>
#include <linux/ethtool.h>
#include <linux/if_packet.h>
#include <linux/sockios.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "core/response.h"
#include "core/web_utils.h"
#include "netif/netif_internal.h"
#include "platform/devroot.h"

namespace {

const char kProcRoute[] = "/proc/net/route";
const char kProcDev[] = "/proc/net/dev";
const char kProcIfInet6[] = "/proc/net/if_inet6";
const char kProcIpv6Route[] = "/proc/net/ipv6_route";

constexpr int kSpeedSlots = 5;
constexpr uint64_t kSampleMaxAgeUs = 10ULL * 1000 * 1000;
constexpr long kArpWaitUs = 2L * 1000 * 1000;
constexpr size_t kArpFrameBytes = 42;

// A request block naming the interface, its name cut at 15 characters.
struct ifreq named_request(const char *ifname) {
    struct ifreq request;
    memset(&request, 0, sizeof request);
    copy_text_field(request.ifr_name, sizeof request.ifr_name, ifname);
    return request;
}

// Dotted text of the IPv4 address in a socket address, cut to the field.
void put_ipv4(const struct sockaddr &address, char *field, size_t size) {
    struct sockaddr_in in;
    memcpy(&in, &address, sizeof in);
    char text[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &in.sin_addr, text, sizeof text)) copy_text_field(field, size, text);
}

bool valid_interface_name(const char *ifname) {
    if (!ifname || !*ifname || strlen(ifname) > kNetifNameMax) return false;
    for (const char *p = ifname; *p; p++)
        if (*p == '/' || *p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') return false;
    return true;
}

// The interface name of a /proc/net/dev line (the text before ':', blanks removed), or "".
std::string dev_line_name(const char *line, const char **after_colon) {
    const char *colon = strchr(line, ':');
    if (!colon) return std::string();
    const char *start = line;
    while (start < colon && (*start == ' ' || *start == '\t')) start++;
    const char *end = colon;
    while (end > start && (end[-1] == ' ' || end[-1] == '\t')) end--;
    if (after_colon) *after_colon = colon + 1;
    return std::string(start, static_cast<size_t>(end - start));
}

uint64_t monotonic_us() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000ULL + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

struct SpeedSlot {
    bool used;
    char name[kNetifNameMax + 1];
    uint64_t rx, tx, time_us;
};
SpeedSlot g_slots[kSpeedSlots];

// A new interface takes a free slot, or the one whose sample is oldest.
SpeedSlot *slot_for_new_interface() {
    SpeedSlot *oldest = &g_slots[0];
    for (SpeedSlot &slot : g_slots) {
        if (!slot.used) return &slot;
        if (slot.time_us < oldest->time_us) oldest = &slot;
    }
    return oldest;
}

// 32 hexadecimal digits of a /proc IPv6 text into an address.
bool parse_hex_ipv6(const char *hex, struct in6_addr *out) {
    if (strlen(hex) != 32) return false;
    for (int i = 0; i < 16; i++) {
        char pair[3] = {hex[2 * i], hex[2 * i + 1], '\0'};
        char *end = nullptr;
        unsigned long value = strtoul(pair, &end, 16);
        if (*end != '\0') return false;
        out->s6_addr[i] = static_cast<uint8_t>(value);
    }
    return true;
}

bool ipv6_text(const char *hex, char *out, size_t size) {
    struct in6_addr address;
    char text[INET6_ADDRSTRLEN];
    if (!parse_hex_ipv6(hex, &address) || !inet_ntop(AF_INET6, &address, text, sizeof text)) return false;
    copy_text_field(out, size, text);
    return true;
}

// ARP request or reply as it travels in an Ethernet frame.
struct ArpFrame {
    uint8_t destination[6];
    uint8_t source[6];
    uint16_t ether_type;
    uint16_t hardware_type;
    uint16_t protocol_type;
    uint8_t hardware_size;
    uint8_t protocol_size;
    uint16_t operation;
    uint8_t sender_hw[6];
    uint8_t sender_ip[4];
    uint8_t target_hw[6];
    uint8_t target_ip[4];
} __attribute__((packed));
static_assert(sizeof(ArpFrame) == kArpFrameBytes, "ARP frame is 42 bytes");

struct ProbeTarget {
    int ifindex;
    uint8_t hw[6];
    struct in_addr own;
    struct in_addr tested;
};

// Reads the interface's address, index and hardware address; false on any failure.
bool read_probe_interface(const char *ifname, ProbeTarget *target) {
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return false;
    struct ifreq request = named_request(ifname);
    bool ok = ioctl(sock, SIOCGIFADDR, &request) == 0;
    if (ok) {
        struct sockaddr_in in;
        memcpy(&in, &request.ifr_addr, sizeof in);
        target->own = in.sin_addr;
        request = named_request(ifname);
        ok = ioctl(sock, SIOCGIFINDEX, &request) == 0;
        target->ifindex = request.ifr_ifindex;
    }
    if (ok) {
        request = named_request(ifname);
        ok = ioctl(sock, SIOCGIFHWADDR, &request) == 0;
        memcpy(target->hw, request.ifr_hwaddr.sa_data, 6);
    }
    close(sock);
    return ok;
}

ArpFrame arp_request(const ProbeTarget &target) {
    ArpFrame frame;
    memset(&frame, 0, sizeof frame);
    memset(frame.destination, 0xFF, sizeof frame.destination);
    memcpy(frame.source, target.hw, 6);
    frame.ether_type = htons(ETHERTYPE_ARP);
    frame.hardware_type = htons(ARPHRD_ETHER);
    frame.protocol_type = htons(ETHERTYPE_IP);
    frame.hardware_size = 6;
    frame.protocol_size = 4;
    frame.operation = htons(ARPOP_REQUEST);
    memcpy(frame.sender_hw, target.hw, 6);
    memcpy(frame.sender_ip, &target.own, 4);
    memcpy(frame.target_ip, &target.tested, 4);
    return frame;
}

bool is_answer_for(const uint8_t *bytes, ssize_t length, const ProbeTarget &target) {
    if (length < static_cast<ssize_t>(kArpFrameBytes)) return false;
    ArpFrame frame;
    memcpy(&frame, bytes, sizeof frame);
    return frame.ether_type == htons(ETHERTYPE_ARP) && frame.operation == htons(ARPOP_REPLY) &&
           memcmp(frame.target_hw, target.hw, 6) == 0 && memcmp(frame.sender_ip, &target.tested, 4) == 0;
}

// Waits for an answer until the deadline; true when one came.
bool wait_for_arp_answer(int sock, const ProbeTarget &target) {
    uint64_t deadline = monotonic_us() + static_cast<uint64_t>(kArpWaitUs / nvr_time_divisor());
    for (;;) {
        uint64_t now = monotonic_us();
        if (now >= deadline) return false;
        uint64_t left = deadline - now;
        struct timeval timeout = {static_cast<time_t>(left / 1000000), static_cast<suseconds_t>(left % 1000000)};
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock, &readable);
        int ready = select(sock + 1, &readable, nullptr, nullptr, &timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        uint8_t buffer[1514];
        ssize_t got = recv(sock, buffer, sizeof buffer, 0);
        if (is_answer_for(buffer, got, target)) return true;
    }
}

}  // namespace

// ---- parsers ----------------------------------------------------------------------------------

int netif_route_gateway(const char *route_path, const char *ifname, char *out, size_t size) {
    FILE *file = fopen(route_path, "r");
    if (!file) return -1;
    char line[512];
    unsigned gateway = 0;
    bool found = false;
    if (fgets(line, sizeof line, file)) {  // the header line
        while (!found && fgets(line, sizeof line, file)) {
            char name[kNetifNameMax + 1];
            unsigned destination = 0, via = 0;
            if (sscanf(line, "%15s %X %X", name, &destination, &via) != 3) continue;
            if (destination == 0 && strcmp(name, ifname) == 0) {
                gateway = via;
                found = true;
            }
        }
    }
    fclose(file);
    char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", gateway & 0xFF, (gateway >> 8) & 0xFF, (gateway >> 16) & 0xFF,
             (gateway >> 24) & 0xFF);
    copy_text_field(out, size, text);
    return 0;
}

int netif_count_interfaces(const char *dev_path) {
    FILE *file = fopen(dev_path, "r");
    if (!file) return -1;
    char line[1024];
    int count = 0;
    for (int number = 0; fgets(line, sizeof line, file); number++) {
        if (number < 2) continue;  // two header lines
        std::string name = dev_line_name(line, nullptr);
        if (!name.empty() && name != "lo") count++;
    }
    fclose(file);
    return count;
}

int netif_read_counters(const char *dev_path, const char *ifname, uint64_t *rx_bytes, uint64_t *tx_bytes) {
    FILE *file = fopen(dev_path, "r");
    if (!file) return -1;
    char line[1024];
    int result = -1;
    while (result != 0 && fgets(line, sizeof line, file)) {
        const char *counters = nullptr;
        if (dev_line_name(line, &counters) != ifname) continue;
        // After the name: receive bytes, packets, errs, drop, fifo, frame, compressed, multicast,
        // then transmit bytes.
        uint64_t values[9];
        char *cursor = const_cast<char *>(counters);
        int parsed = 0;
        for (; parsed < 9; parsed++) {
            char *end = nullptr;
            values[parsed] = strtoull(cursor, &end, 10);
            if (end == cursor) break;
            cursor = end;
        }
        if (parsed < 9) break;
        *rx_bytes = values[0];
        *tx_bytes = values[8];
        result = 0;
    }
    fclose(file);
    return result;
}

int netif_take_sample(const char *ifname, uint64_t rx_bytes, uint64_t tx_bytes, uint64_t now_us, uint64_t *rx_rate,
                      uint64_t *tx_rate) {
    SpeedSlot *slot = nullptr;
    for (SpeedSlot &s : g_slots)
        if (s.used && strcmp(s.name, ifname) == 0) slot = &s;
    if (!slot) {
        slot = slot_for_new_interface();
        slot->used = true;
        copy_text_field(slot->name, sizeof slot->name, ifname);
        *rx_rate = *tx_rate = 0;
    } else {
        uint64_t elapsed = now_us > slot->time_us ? now_us - slot->time_us : 0;
        if (elapsed == 0) return -1;
        if (elapsed >= kSampleMaxAgeUs) {
            *rx_rate = *tx_rate = 0;
        } else {
            *rx_rate = rx_bytes >= slot->rx ? (rx_bytes - slot->rx) * 1000000ULL / elapsed : 0;
            *tx_rate = tx_bytes >= slot->tx ? (tx_bytes - slot->tx) * 1000000ULL / elapsed : 0;
        }
    }
    slot->rx = rx_bytes;
    slot->tx = tx_bytes;
    slot->time_us = now_us;
    return 0;
}

void netif_forget_samples() { memset(g_slots, 0, sizeof g_slots); }

int netif_ipv6_address(const char *if_inet6_path, int selector, const char *ifname, char *address, char *netmask) {
    FILE *file = fopen(if_inet6_path, "r");
    if (!file) return -1;
    constexpr unsigned kScopeGlobal = 0x00, kFlagPermanent = 0x80;
    char line[256];
    int result = -1;
    while (result != 0 && fgets(line, sizeof line, file)) {
        char hex[33], name[kNetifNameMax + 1];
        unsigned index = 0, prefix = 0, scope = 0, flags = 0;
        if (sscanf(line, "%32s %x %x %x %x %15s", hex, &index, &prefix, &scope, &flags, name) != 6) continue;
        if (strcmp(name, ifname) != 0 || scope != kScopeGlobal) continue;
        if (selector == 1 && (flags & kFlagPermanent)) continue;
        char text[kIpv6AddressBytes];
        if (!ipv6_text(hex, text, sizeof text)) continue;
        copy_text_field(address, kIpv6AddressBytes, text);
        snprintf(netmask, kIpv6NetmaskBytes, "%u", prefix);
        result = 0;
    }
    fclose(file);
    return result;
}

int netif_ipv6_gateway(const char *ipv6_route_path, int selector, const char *ifname, char *gateway) {
    FILE *file = fopen(ipv6_route_path, "r");
    if (!file) return -1;
    constexpr unsigned kRouteGateway = 0x0002, kRouteDefault = 0x10000, kRouteAddrconf = 0x40000;
    char line[512];
    int result = -1;
    while (result != 0 && fgets(line, sizeof line, file)) {
        char destination[33], source[33], next_hop[33], name[kNetifNameMax + 1];
        unsigned destination_length = 0, source_length = 0, metric = 0, references = 0, use = 0, flags = 0;
        if (sscanf(line, "%32s %x %32s %x %32s %x %x %x %x %15s", destination, &destination_length, source,
                   &source_length, next_hop, &metric, &references, &use, &flags, name) != 10)
            continue;
        if (strcmp(name, ifname) != 0 || destination_length != 0 || !(flags & kRouteGateway)) continue;
        if (strspn(destination, "0") != 32 || strspn(next_hop, "0") == 32) continue;
        bool learned = (flags & (kRouteDefault | kRouteAddrconf)) != 0;
        if (learned != (selector == 1)) continue;
        if (ipv6_text(next_hop, gateway, kIpv6AddressBytes)) result = 0;
    }
    fclose(file);
    return result;
}

// ---- utilities --------------------------------------------------------------------------------

int if_get_netconf(const char *ifname, NetifConfig *config) {
    if (!ifname || !config) return -1;
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        perror("socket");
        return -1;
    }
    struct ifreq request = named_request(ifname);
    if (ioctl(sock, SIOCGIFMTU, &request) == 0) config->mtu = request.ifr_mtu;
    else perror("[SIOCGIFMTU] ioctl");
    request = named_request(ifname);
    if (ioctl(sock, SIOCGIFFLAGS, &request) == 0) {
        config->up = (request.ifr_flags & IFF_UP) ? 1 : 0;
    } else {
        perror("[SIOCGIFFLAGS] ioctl");
        request = named_request(ifname);
    }
    if (ioctl(sock, SIOCGIFADDR, &request) == 0) put_ipv4(request.ifr_addr, config->address, sizeof config->address);
    else perror("[SIOCGIFADDR] ioctl");
    request = named_request(ifname);
    if (ioctl(sock, SIOCGIFHWADDR, &request) == 0) {
        const unsigned char *mac = reinterpret_cast<const unsigned char *>(request.ifr_hwaddr.sa_data);
        snprintf(config->hwaddr, sizeof config->hwaddr, "%2.2x:%2.2x:%2.2x:%2.2x:%2.2x:%2.2x", mac[0], mac[1], mac[2],
                 mac[3], mac[4], mac[5]);
    } else {
        perror("[SIOCGIFHWADDR] ioctl");
    }
    request = named_request(ifname);
    if (ioctl(sock, SIOCGIFNETMASK, &request) == 0)
        put_ipv4(request.ifr_netmask, config->netmask, sizeof config->netmask);
    else perror("[SIOCGIFNETMASK] ioctl");
    request = named_request(ifname);
    if (ioctl(sock, SIOCGIFBRDADDR, &request) == 0)
        put_ipv4(request.ifr_broadaddr, config->broadcast, sizeof config->broadcast);
    else perror("[SIOCGIFBRDADDR] ioctl");
    close(sock);
    if (netif_route_gateway(kProcRoute, ifname, config->gateway, sizeof config->gateway) != 0) perror("fopen");
    return 0;
}

int if_get_netinfo(const char *ifname, NetifLink *link) {
    if (!ifname || !link) return -1;
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        perror("create socket error");
        return -1;
    }
    struct ifreq request = named_request(ifname);
    if (ioctl(sock, SIOCGIFFLAGS, &request) != 0) {
        perror("[SIOCGIFFLAGS] ioctl");
        close(sock);
        return -1;
    }
    link->running = (request.ifr_flags & IFF_RUNNING) ? 1 : 0;
    struct ethtool_cmd settings;
    memset(&settings, 0, sizeof settings);
    settings.cmd = ETHTOOL_GSET;
    request = named_request(ifname);
    request.ifr_data = reinterpret_cast<char *>(&settings);
    int rc = ioctl(sock, SIOCETHTOOL, &request);
    close(sock);
    if (rc != 0) {
        perror("[SIOCETHTOOL] ioctl");
        return -1;
    }
    link->speed = static_cast<int32_t>((static_cast<uint32_t>(settings.speed_hi) << 16) | settings.speed);
    link->duplex = settings.duplex;
    return 0;
}

int if_get_netcount() {
    int count = netif_count_interfaces(kProcDev);
    if (count >= 0) return count;
    fprintf(stderr, "Open /proc/net/dev failed!errno:%d\n", errno);
    return 0;
}

int if_get_speed(const char *ifname, uint64_t *rx_rate, uint64_t *tx_rate) {
    if (!ifname || !rx_rate || !tx_rate || strlen(ifname) > kNetifNameMax) return -1;
    uint64_t rx = 0, tx = 0;
    if (netif_read_counters(kProcDev, ifname, &rx, &tx) != 0) {
        fputs("read error\n", stderr);
        return -1;
    }
    return netif_take_sample(ifname, rx, tx, monotonic_us(), rx_rate, tx_rate);
}

int if_get_mac_addr(char *eth0, char *eth1) { return get_mac_addr(eth0, eth1); }

int if_set_network(const char *ifname, int up) {
    if (!valid_interface_name(ifname)) return -1;
    const char *state = up ? "up" : "down";
    const char *argv[] = {"ifconfig", ifname, state, nullptr};
    web_spawn(argv);
    return static_cast<int>(strlen("ifconfig ") + strlen(ifname) + 1 + strlen(state));
}

int if_ip_check(const char *ifname, const char *address) {
    ProbeTarget target;
    memset(&target, 0, sizeof target);
    if (!ifname || !address || inet_pton(AF_INET, address, &target.tested) != 1) return -1;
    if (!read_probe_interface(ifname, &target)) return -1;
    if (target.tested.s_addr == target.own.s_addr) return 1;

    int sock = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (sock < 0) return -1;
    int on = 1;
    if (setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        close(sock);
        return -1;
    }
    struct sockaddr_ll link;
    memset(&link, 0, sizeof link);
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_ARP);
    link.sll_ifindex = target.ifindex;
    link.sll_halen = 6;
    memset(link.sll_addr, 0xFF, 6);
    ArpFrame frame = arp_request(target);
    bool sent = sendto(sock, &frame, sizeof frame, 0, reinterpret_cast<struct sockaddr *>(&link), sizeof link) ==
                static_cast<ssize_t>(sizeof frame);
    bool answered = sent && wait_for_arp_answer(sock, target);
    close(sock);
    if (answered) return 1;
    return sent ? 0 : 1;
}

int qv_strcmp_two_ip_same_net(const char *address1, const char *netmask1, const char *address2, const char *netmask2) {
    struct in_addr a1, m1, a2, m2;
    if (!address1 || !netmask1 || !address2 || !netmask2 || inet_pton(AF_INET, address1, &a1) != 1 ||
        inet_pton(AF_INET, netmask1, &m1) != 1 || inet_pton(AF_INET, address2, &a2) != 1 ||
        inet_pton(AF_INET, netmask2, &m2) != 1)
        return -1;
    return (a1.s_addr & m1.s_addr) == (a2.s_addr & m2.s_addr) ? 0 : -1;
}

int net_get_ifaddr(const char *ifname, char *out, int size) {
    if (!ifname || !out || size <= 0) return -1;
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return -1;
    struct ifreq request = named_request(ifname);
    int rc = ioctl(sock, SIOCGIFADDR, &request);
    close(sock);
    if (rc != 0) return -1;
    put_ipv4(request.ifr_addr, out, static_cast<size_t>(size));
    return 0;
}

int net_get_ipv6_ifaddr(int selector, const char *ifname, char *address, char *netmask) {
    if (!ifname || !address || !netmask) return -1;
    return netif_ipv6_address(kProcIfInet6, selector, ifname, address, netmask);
}

int net_get_ipv6_gateway2(int selector, const char *ifname, char *gateway) {
    if (!ifname || !gateway) return -1;
    return netif_ipv6_gateway(kProcIpv6Route, selector, ifname, gateway);
}
