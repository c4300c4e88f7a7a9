// Interface routes of module "/7000": addressing of the two wired interfaces (separate or
// bonded), network mode and restart, the stored MAC address, default route and multicast.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_network.h"
#include "core/qvdb_system.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "netif/netif.h"
#include "network/network_common.h"
#include "network/network_module.h"

namespace {

constexpr int kRequestRestartNetwork = 1712;
constexpr int kRequestDefaultRoute = 1724;
constexpr int kRequestMulticast = 1729;
constexpr int kRequestSlaveClear = 3023;
constexpr int kMacTextMax = 31;

// IPv4 keys of a record part, in the order the answers list them: the first five before the
// part's MAC address (or IPv6 keys), the last three after it.
#define IPV4_KEYS(k_enable, k_type, k_address, k_netmask, k_gateway, k_dns1, k_dns2, k_mtu)                  \
    {                                                                                                       \
        JSON_INT(NetworkIpv4, enable, k_enable), JSON_INT(NetworkIpv4, type, k_type),                        \
            JSON_TEXT(NetworkIpv4, address, k_address), JSON_TEXT(NetworkIpv4, netmask, k_netmask),          \
            JSON_TEXT(NetworkIpv4, gateway, k_gateway), JSON_TEXT(NetworkIpv4, dns1, k_dns1),                \
            JSON_TEXT(NetworkIpv4, dns2, k_dns2), JSON_INT(NetworkIpv4, mtu, k_mtu)                          \
    }
const JsonField kInterface1Keys[] = IPV4_KEYS("enableNetwork1", "networkType", "ipAddr", "netmask", "gateway", "DNS1",
                                              "DNS2", "mtu");
const JsonField kInterface2Keys[] = IPV4_KEYS("enableNetwork2", "networkType2", "ipAddr2", "netmask2", "gateway2",
                                              "DNS12", "DNS22", "mtu2");
#undef IPV4_KEYS
constexpr int kIpv4HeadKeys = 5;
constexpr int kIpv4TailKeys = 3;

// IPv6 keys: address, netmask, gateway.
const JsonField kIpv6Keys1[] = {JSON_TEXT(NetworkIpv6, address, "ip6Addr"), JSON_TEXT(NetworkIpv6, netmask, "ip6netmask"),
                                JSON_TEXT(NetworkIpv6, gateway, "ip6gateway")};
const JsonField kIpv6Keys2[] = {JSON_TEXT(NetworkIpv6, address, "ip6Addr2"),
                                JSON_TEXT(NetworkIpv6, netmask, "ip6netmask2"),
                                JSON_TEXT(NetworkIpv6, gateway, "ip6gateway2")};
constexpr int kIpv6AddressKeys = 2;  // address and netmask; the gateway follows

void add_ipv4_head(json_object *answer, const NetworkIpv4 &ipv4, const JsonField *keys) {
    json_add_fields(answer, &ipv4, keys, kIpv4HeadKeys);
}

void add_ipv4_tail(json_object *answer, const NetworkIpv4 &ipv4, const JsonField *keys) {
    json_add_fields(answer, &ipv4, keys + kIpv4HeadKeys, kIpv4TailKeys);
}

// The IPv6 keys of an interface: the stored values for type 0, and for type 1 when an address
// and netmask are stored; otherwise what the interface has now (a key whose query fails is left
// out).
void add_ipv6_keys(json_object *answer, const char *ifname, int type, const NetworkIpv6 &stored, const JsonField *keys) {
    if (type == kIpv6TypeStored || (type == kIpv6TypeStoredOrLive && stored.address[0] && stored.netmask[0])) {
        json_add_fields(answer, &stored, keys, 3);
        return;
    }
    NetworkIpv6 live;
    memset(&live, 0, sizeof live);
    if (net_get_ipv6_ifaddr(type == kIpv6TypeStoredOrLive ? 1 : 0, ifname, live.address, live.netmask) == 0)
        json_add_fields(answer, &live, keys, kIpv6AddressKeys);
    if (net_get_ipv6_gateway2(0, ifname, live.gateway) == 0 || net_get_ipv6_gateway2(1, ifname, live.gateway) == 0)
        json_add_fields(answer, &live, keys + kIpv6AddressKeys, 1);
}

// Reads an interface's IPv6 keys from a request; the gateway is kept for type 2.
void take_ipv6(json_object *request, NetworkIpv6 &ipv6, int type, const JsonField *keys) {
    json_take_fields(request, &ipv6, keys, kIpv6AddressKeys);
    if (type != kIpv6TypeKeepGateway) json_take_fields(request, &ipv6, keys + kIpv6AddressKeys, 1);
}

void take_int(json_object *request, const char *key, int32_t *field) {
    int value = 0;
    if (on_cgi_get_int_from_json(request, key, &value) == 0) *field = value;
}

// The view a "/7040" argument asks for: its decimal value (0 for text that is not a number), or
// -1 when that is not 0, 1 or 2.
int requested_view(const char *arg) {
    long long value = strtoll(arg, nullptr, 10);
    return value >= 0 && value <= 2 ? static_cast<int>(value) : -1;
}

json_object *bonded_view(const NetworkRecord &network, const char *mac0) {
    json_object *answer = json_object_new_object();
    json_add_int(answer, "mode", network.mode);
    json_add_field_text(answer, "hostName", network.host_name, sizeof network.host_name);
    json_add_int(answer, "primaryNet", network.primary_net);
    add_ipv4_head(answer, network.bond, kInterface1Keys);
    json_add_text(answer, "macAddr", mac0);
    add_ipv4_tail(answer, network.bond, kInterface1Keys);
    json_add_int(answer, "ip6networkType", network.bond6_type);
    add_ipv6_keys(answer, "bond0", network.bond6_type, network.bond6, kIpv6Keys1);
    json_add_int(answer, "defaultRoute", network.default_route);
    return answer;
}

json_object *separate_view(const NetworkRecord &network, const char *mac0, const char *mac1) {
    json_object *answer = json_object_new_object();
    json_add_int(answer, "mode", network.mode);
    json_add_field_text(answer, "hostName", network.host_name, sizeof network.host_name);
    add_ipv4_head(answer, network.eth0, kInterface1Keys);
    json_add_int(answer, "ip6networkType", network.eth0_6_type);
    add_ipv6_keys(answer, "eth0", network.eth0_6_type, network.eth0_6, kIpv6Keys1);
    json_add_text(answer, "macAddr", mac0);
    add_ipv4_tail(answer, network.eth0, kInterface1Keys);
    add_ipv4_head(answer, network.eth1, kInterface2Keys);
    json_add_int(answer, "ip6networkType2", network.eth1_6_type);
    add_ipv6_keys(answer, "eth1", network.eth1_6_type, network.eth1_6, kIpv6Keys2);
    json_add_text(answer, "macAddr2", mac1);
    add_ipv4_tail(answer, network.eth1, kInterface2Keys);
    json_add_int(answer, "defaultRoute", network.default_route);
    return answer;
}

// Reads the request's keys of the bonded view into the record.
void take_bonded(json_object *request, NetworkRecord &network) {
    if (network.mode == 2) take_int(request, "primaryNet", &network.primary_net);
    json_take_fields(request, &network.bond, kInterface1Keys, JSON_FIELD_COUNT(kInterface1Keys));
    take_int(request, "ip6networkType", &network.bond6_type);
    take_ipv6(request, network.bond6, network.bond6_type, kIpv6Keys1);
}

// Reads the request's keys of the separate view into the record.
void take_separate(json_object *request, NetworkRecord &network) {
    json_take_fields(request, &network.eth0, kInterface1Keys, JSON_FIELD_COUNT(kInterface1Keys));
    json_take_fields(request, &network.eth1, kInterface2Keys, JSON_FIELD_COUNT(kInterface2Keys));
    take_int(request, "ip6networkType", &network.eth0_6_type);
    take_ipv6(request, network.eth0_6, network.eth0_6_type, kIpv6Keys1);
    take_int(request, "ip6networkType2", &network.eth1_6_type);
    take_ipv6(request, network.eth1_6, network.eth1_6_type, kIpv6Keys2);
    take_int(request, "defaultRoute", &network.default_route);
}

void log_network_change(bool conflict) {
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = 204;
    record.parameter = 914;
    cgi_send_log_record(on_network_ipc_callback, &record);
    if (!conflict) return;
    record.main_type = 32;  // the address conflict that led to the change
    record.sub_type = 406;
    cgi_send_log_record(on_network_ipc_callback, &record);
}

// The stored MAC text with ':' after each pair of letters or digits that another one follows;
// text that has separators already stays as it is. At most 31 characters.
std::string mac_with_colons(const char *mac, size_t size) {
    size_t length = strnlen(mac, size);
    std::string out;
    int run = 0;
    for (size_t i = 0; i < length && out.size() < kMacTextMax; i++) {
        unsigned char c = static_cast<unsigned char>(mac[i]);
        out += static_cast<char>(c);
        run = isalnum(c) ? run + 1 : 0;
        if (run == 2 && i + 1 < length && isalnum(static_cast<unsigned char>(mac[i + 1])) && out.size() < kMacTextMax) {
            out += ':';
            run = 0;
        }
    }
    return out;
}

}  // namespace

// "/7040": addressing in the view the argument asks for (0 separate, 1 or 2 bonded), else in the
// stored mode's view.
int on_get_network_info(const char *arg) {
    if (!arg) return 0;
    int view = requested_view(arg);
    if (view < 0) read_network_mode(QVDB_PATH, &view);
    NetworkRecord network;
    memset(&network, 0, sizeof network);
    json_object *answer = nullptr;
    if (view == 0 || view == 1 || view == 2) {
        char mac0[18], mac1[18];
        get_mac_addr(mac0, mac1);
        if (view == 0) {
            read_network_muti(QVDB_PATH, &network);
            answer = separate_view(network, mac0, mac1);
        } else {
            read_network_bond(QVDB_PATH, &network);
            answer = bonded_view(network, mac0);
        }
    } else {
        answer = json_object_new_object();
        json_add_int(answer, "defaultRoute", 0);
    }
    return cgi_answer_json(answer, kJson);
}

// "/7041": store the addressing of the mode the request names (kept where a key is missing).
int on_set_network_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int conflict = json_int_or(request, "Conflict", 0);
    int32_t slave_clear = json_int_or(request, "slaveClear", 0);
    {
        DbTransaction transaction(QVDB_PATH);
        NetworkRecord network;
        memset(&network, 0, sizeof network);
        read_network(QVDB_PATH, &network);
        take_int(request, "mode", &network.mode);
        if (network.mode != 0) {
            take_bonded(request, network);
            if (write_network_bond(QVDB_PATH, &network) != 0) return 0;
        } else {
            take_separate(request, network);
            if (write_network_muti(QVDB_PATH, &network) != 0) return 0;
        }
        if (transaction.commit() != 0) return 0;
    }
    network_notify(kRequestSlaveClear, &slave_clear, sizeof slave_clear);
    notify_network_changed("network");
    log_network_change(conflict == 1);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7042": the stored mode, "-1" when there is none.
int on_get_network_mode(const char *) {
    int mode = -1;
    read_network_mode(QVDB_PATH, &mode);
    return cgi_writeback_webserver(kTextPlain, std::to_string(mode).c_str());
}

// "/7043": restart networking.
int on_restart_network(const char *) {
    char payload[32];
    memset(payload, 0, sizeof payload);
    network_notify(kRequestRestartNetwork, payload, sizeof payload);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7044": the stored MAC address, with colons.
int on_get_mac0(const char *) {
    MacConfRecord conf;
    memset(&conf, 0, sizeof conf);
    read_mac_conf(QVDB_PATH, &conf);
    json_object *answer = json_object_new_object();
    json_add_text(answer, "mac0", mac_with_colons(conf.mac, sizeof conf.mac).c_str());
    return cgi_answer_json(answer, kJson);
}

// "/7096": store and apply the default route; the daemon's reply answers.
int on_cgi_set_default_route(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    int32_t route = 0;
    {
        DbTransaction transaction(QVDB_PATH);
        NetworkRecord network;
        memset(&network, 0, sizeof network);
        if (read_network(QVDB_PATH, &network) != 0) return cgi_error_to_webserver(kJson);
        take_int(request, "defaultRoute", &network.default_route);
        if (write_network(QVDB_PATH, &network) != 0 || transaction.commit() != 0) return cgi_error_to_webserver(kJson);
        route = network.default_route;
    }
    cgi_ask_daemon(on_network_ipc_callback, kRequestDefaultRoute, &route, sizeof route, kJson);
    return 0;
}

// "/7033": the multicast settings.
int on_cgi_get_multicast(const char *) {
    MulticastConfig multicast;
    memset(&multicast, 0, sizeof multicast);
    read_multicast(QVDB_PATH, &multicast);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "enable", multicast.enable);
    json_add_field_text(answer, "ip", multicast.ip, sizeof multicast.ip);
    return cgi_answer_json(answer, kJson);
}

// "/7034": store and apply the multicast settings (a missing key keeps its value).
int on_cgi_set_multicast(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    MulticastConfig multicast;
    memset(&multicast, 0, sizeof multicast);
    {
        DbTransaction transaction(QVDB_PATH);
        read_multicast(QVDB_PATH, &multicast);
        take_int(request, "enable", &multicast.enable);
        on_cgi_get_string_from_json(request, "ip", multicast.ip, sizeof multicast.ip);
        if (write_multicast(QVDB_PATH, &multicast) != 0 || transaction.commit() != 0) return cgi_error_to_webserver(kJson);
    }
    cgi_ask_daemon(on_network_ipc_callback, kRequestMulticast, &multicast, sizeof multicast, kJson);
    return 0;
}

// Replies 6724 and 6729: {"res": status}.
int on_cgi_set_default_route_cb(const void *payload, int length) { return answer_res_done(payload, length); }
int on_cgi_set_multicast_cb(const void *payload, int length) { return answer_res_done(payload, length); }
