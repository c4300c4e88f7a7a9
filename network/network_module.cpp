// Route module "/7000" (network interfaces, ports, services, HTTPS certificates and time):
// route table and reply dispatcher.
#include "network/network_module.h"

#include "frame/dispatchreq.h"

static const WebRes kNetworkRoutes[] = {
    // Time (the first route names the module).
    {"/7000", on_get_time_info},
    {"/7001", on_set_time_info},
    // Interfaces, default route and multicast.
    {"/7040", on_get_network_info},
    {"/7041", on_set_network_info},
    {"/7042", on_get_network_mode},
    {"/7043", on_restart_network},
    {"/7044", on_get_mac0},
    {"/7096", on_cgi_set_default_route},
    {"/7033", on_cgi_get_multicast},
    {"/7034", on_cgi_set_multicast},
    // Service ports and push messages.
    {"/7050", on_get_port_info},
    {"/7051", on_set_port_info},
    {"/7093", on_get_poe_max},
    // PPPoE, DDNS, e-mail, P2P, IP conflicts, SNMP and channel access.
    {"/7010", on_get_pppoe_info},
    {"/7011", on_set_pppoe_info},
    {"/7020", on_get_ddns_info},
    {"/7021", on_set_ddns_info},
    {"/7030", on_get_email_info},
    {"/7031", on_set_email_info},
    {"/7032", on_test_email},
    {"/7060", on_get_p2p_info},
    {"/7061", on_set_p2p_info},
    {"/7062", on_test_p2p},
    {"/7070", on_ip_conflict},
    {"/7071", on_ip_conflict_by_dev},
    {"/7090", on_get_snmp_info},
    {"/7091", on_set_snmp_info},
    {"/7092", on_get_access_info},
    {"/7094", on_get_ddns_status},
    {"/7095", on_cgi_p2p_unbind_device},
    // HTTPS certificates.
    {"/7080", on_create_https_cert},
    {"/7081", on_get_cert_info},
    {"/7082", on_download_cert_req},
    {"/7083", on_delete_cert_req},
    {"/7084", on_install_cert},
    {"/7085", on_delete_cert},
    {"/7086", on_set_https_enable},
    {"/7087", on_get_https_enable},
    {"/7089", on_get_cert_req_info},
};

// Every reply the module waits for, with the least payload its handler reads. A shorter reply
// is no reply: the waiting route then answers its time-out.
struct NetworkReply {
    int code;
    int min_length;
    NetworkReplyHandler handler;
};

constexpr int kP2pStatusRecord = 748;

static const NetworkReply kNetworkReplies[] = {
    {6701, 1, on_set_systime_cb},
    {6724, 4, on_cgi_set_default_route_cb},
    {6729, 4, on_cgi_set_multicast_cb},
    {7302, 1, on_cgi_p2p_unbind_device_cb},
    {8005, 4, on_ip_conflict_cb},
    {8006, 4, on_ip_conflict_cb},
    {8309, 4, on_get_ddns_status_cb},
    {8316, 4, on_create_https_cert_cb},
    {8318, 4, on_resp_install_cert},
    {8409, 4, on_test_email_cb},
    {8700, 4, on_enable_p2p_cb},
    {8701, 4, on_disable_p2p_cb},
    {8702, kP2pStatusRecord, on_p2p_status_info_cb},
};

int on_network_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!payload) return 0;
    for (const NetworkReply &reply : kNetworkReplies)
        if (reply.code == header->code)
            return header->length >= reply.min_length ? reply.handler(payload, header->length) : 0;
    return 0;
}

NVR_ROUTE_MODULE(6, "/7000", kNetworkRoutes)
