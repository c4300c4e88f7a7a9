// Route module "/7000" (network interfaces, ports, services, HTTPS certificates and time):
// handlers, reply handlers and the reply dispatcher.
#ifndef NVR_NETWORK_NETWORK_MODULE_H
#define NVR_NETWORK_NETWORK_MODULE_H

#include "platform/qvsocket.h"

int on_network_ipc_callback(int ignored, const MessageHeader *header, const void *payload);

// Reply handlers get the payload and its length in bytes; the dispatcher has checked that the
// payload holds at least the reply's minimum.
typedef int (*NetworkReplyHandler)(const void *payload, int length);

// Interfaces, default route and multicast.
int on_get_network_info(const char *arg);
int on_set_network_info(const char *arg);
int on_get_network_mode(const char *arg);
int on_restart_network(const char *arg);
int on_get_mac0(const char *arg);
int on_cgi_set_default_route(const char *arg);
int on_cgi_get_multicast(const char *arg);
int on_cgi_set_multicast(const char *arg);
int on_cgi_set_default_route_cb(const void *payload, int length);
int on_cgi_set_multicast_cb(const void *payload, int length);

// Service ports and push messages.
int on_get_port_info(const char *arg);
int on_set_port_info(const char *arg);
int on_get_poe_max(const char *arg);

// PPPoE, DDNS, e-mail, IP conflicts, SNMP and channel access.
int on_get_pppoe_info(const char *arg);
int on_set_pppoe_info(const char *arg);
int on_get_ddns_info(const char *arg);
int on_set_ddns_info(const char *arg);
int on_get_email_info(const char *arg);
int on_set_email_info(const char *arg);
int on_test_email(const char *arg);
int on_ip_conflict(const char *arg);
int on_ip_conflict_by_dev(const char *arg);
int on_get_snmp_info(const char *arg);
int on_set_snmp_info(const char *arg);
int on_get_access_info(const char *arg);
int on_get_ddns_status(const char *arg);
int on_test_email_cb(const void *payload, int length);
int on_ip_conflict_cb(const void *payload, int length);
int on_get_ddns_status_cb(const void *payload, int length);

// P2P cloud service.
int on_get_p2p_info(const char *arg);
int on_set_p2p_info(const char *arg);
int on_test_p2p(const char *arg);
int on_cgi_p2p_unbind_device(const char *arg);
int on_enable_p2p_cb(const void *payload, int length);
int on_disable_p2p_cb(const void *payload, int length);
int on_p2p_status_info_cb(const void *payload, int length);
int on_cgi_p2p_unbind_device_cb(const void *payload, int length);

// HTTPS certificates.
int on_create_https_cert(const char *arg);
int on_get_cert_info(const char *arg);
int on_download_cert_req(const char *arg);
int on_delete_cert_req(const char *arg);
int on_install_cert(const char *arg);
int on_delete_cert(const char *arg);
int on_set_https_enable(const char *arg);
int on_get_https_enable(const char *arg);
int on_get_cert_req_info(const char *arg);
int on_create_https_cert_cb(const void *payload, int length);
int on_resp_install_cert(const void *payload, int length);

// Time.
int on_get_time_info(const char *arg);
int on_set_time_info(const char *arg);
int on_set_systime_cb(const void *payload, int length);

#endif
