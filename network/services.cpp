// Network-service routes of module "/7000": PPPoE, dynamic DNS, e-mail and its test mail, IP
// conflict checks, SNMP, the channel-access switch and the DDNS status.
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_network.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "netif/netif.h"
#include "network/network_common.h"
#include "network/network_module.h"

namespace {

constexpr int kRequestIpConflict = 3005;
constexpr int kRequestIpConflictByDevice = 3006;
constexpr int kRequestDdnsStatus = 3309;
constexpr int kRequestTestMail = 3409;

// Request 3005: the address to check.
struct IpConflictQuery {
    char address[20];
};
static_assert(sizeof(IpConflictQuery) == 20, "IP conflict query is 20 bytes");

// Request 3006: the interface and the address to check on it.
struct IpConflictDeviceQuery {
    char device[16];
    char address[16];
};
static_assert(sizeof(IpConflictDeviceQuery) == 32, "IP conflict query by interface is 32 bytes");

const JsonField kPppoeKeys[] = {
    JSON_INT(PppoeRecord, enable, "enable"),
    JSON_INT(PppoeRecord, autoConnect, "autoConnect"),
    JSON_TEXT(PppoeRecord, userName, "userName"),
    JSON_TEXT(PppoeRecord, password, "password"),
};

// The DDNS keys as the page shows them, and as it sends them (the ports are "http" and "rtsp").
const JsonField kDdnsAnswerKeys[] = {
    JSON_INT(DdnsRecord, enable, "enable"),           JSON_TEXT(DdnsRecord, domain, "domain"),
    JSON_TEXT(DdnsRecord, userName, "userName"),      JSON_TEXT(DdnsRecord, password, "password"),
    JSON_TEXT(DdnsRecord, hostName, "hostName"),      JSON_TEXT(DdnsRecord, ddnsurl, "ddnsurl"),
    JSON_TEXT(DdnsRecord, freeDNSHash, "freeDNSHash"), JSON_INT(DdnsRecord, updateFreq, "updateFreq"),
    JSON_INT(DdnsRecord, http_port, "http_port"),     JSON_INT(DdnsRecord, rtsp_port, "rtsp_port"),
};
const JsonField kDdnsRequestKeys[] = {
    JSON_INT(DdnsRecord, enable, "enable"),           JSON_TEXT(DdnsRecord, domain, "domain"),
    JSON_TEXT(DdnsRecord, userName, "userName"),      JSON_TEXT(DdnsRecord, password, "password"),
    JSON_TEXT(DdnsRecord, hostName, "hostName"),      JSON_TEXT(DdnsRecord, ddnsurl, "ddnsurl"),
    JSON_TEXT(DdnsRecord, freeDNSHash, "freeDNSHash"), JSON_INT(DdnsRecord, updateFreq, "updateFreq"),
    JSON_INT(DdnsRecord, http_port, "http"),          JSON_INT(DdnsRecord, rtsp_port, "rtsp"),
};

const JsonField kEmailKeys[] = {
    JSON_INT(EmailRecord, enable, "enable"),
    JSON_TEXT(EmailRecord, userName, "userName"),
    JSON_TEXT(EmailRecord, password, "password"),
    JSON_TEXT(EmailRecord, smtpServer, "smtpServer"),
    JSON_INT(EmailRecord, smtpPort, "smtpPort"),
    JSON_TEXT(EmailRecord, senderAddr, "senderAddr"),
    JSON_TEXT(EmailRecord, senderName, "senderName"),
    JSON_INT(EmailRecord, enableTls, "enableTls"),
    JSON_INT(EmailRecord, enableAttach, "enableAttach"),
    JSON_INT(EmailRecord, captureInterval, "captureInterval"),
};
const JsonField kReceiverKeys[] = {
    JSON_TEXT(EmailReceiver, receiverAddr, "receiverAddr"),
    JSON_TEXT(EmailReceiver, receiverName, "receiverName"),
};

#define SNMP_INT(member) JSON_INT(SnmpRecord, member, #member)
#define SNMP_TEXT(member) JSON_TEXT(SnmpRecord, member, #member)
const JsonField kSnmpKeys[] = {
    SNMP_INT(v1_enable),           SNMP_INT(v2c_enable),           SNMP_TEXT(write_community),
    SNMP_TEXT(read_community),     SNMP_INT(v3_enable),            SNMP_TEXT(read_security_name),
    SNMP_INT(read_level_security), SNMP_INT(read_auth_algorithm),  SNMP_TEXT(read_auth_password),
    SNMP_INT(read_pri_algorithm),  SNMP_TEXT(read_pri_password),   SNMP_TEXT(write_security_name),
    SNMP_INT(write_level_security), SNMP_INT(write_auth_algorithm), SNMP_TEXT(write_auth_password),
    SNMP_INT(write_pri_algorithm), SNMP_TEXT(write_pri_password),  SNMP_INT(port),
};
#undef SNMP_INT
#undef SNMP_TEXT

bool int_in(json_object *request, const char *key, int low, int high) {
    int value = 0;
    return on_cgi_get_int_from_json(request, key, &value) == 0 && value >= low && value <= high;
}

constexpr int kAnyAbove = 0x7FFFFFFF;

int check_pppoe_info(json_object *request) { return int_in(request, "enable", 0, 1) ? 0 : -1; }

int check_ddns_info(json_object *request) {
    return int_in(request, "enable", 0, 1) && int_in(request, "updateFreq", 0, kAnyAbove) ? 0 : -1;
}

int check_email_info(json_object *request) {
    return int_in(request, "smtpPort", 0, kAnyAbove) && int_in(request, "enableTls", 0, 2) &&
                   int_in(request, "enableAttach", 0, 1) && int_in(request, "captureInterval", 0, kAnyAbove)
               ? 0
               : -1;
}

// The three receivers of a request: item i of "receivers", each text empty when missing (a
// missing item, or a "receivers" that is not an array, leaves empty receivers).
void take_receivers(json_object *request, EmailRecord &email) {
    json_object *receivers = json_get_typed(request, "receivers", json_type_array);
    size_t count = receivers ? json_object_array_length(receivers) : 0;
    for (int i = 0; i < kEmailReceivers; i++) {
        EmailReceiver &receiver = email.receivers[i];
        memset(&receiver, 0, sizeof receiver);
        json_object *item = static_cast<size_t>(i) < count ? json_object_array_get_idx(receivers, i) : nullptr;
        if (item && json_object_is_type(item, json_type_object))
            json_take_fields(item, &receiver, kReceiverKeys, JSON_FIELD_COUNT(kReceiverKeys));
    }
}

// "/7011" and "/7021": a record made from the request alone (keys not sent are 0 or empty),
// stored, announced with the service's name and logged.
template <typename Record>
int store_service(json_object *request, const JsonField *keys, int count, int (*write)(const char *, const Record *),
                  const char *service, int log_parameter) {
    Record record;
    memset(&record, 0, sizeof record);
    json_take_fields(request, &record, keys, count);
    if (write(QVDB_PATH, &record) != 0) return 0;
    notify_network_changed(service);
    network_log(204, log_parameter);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

int ask_ip_conflict(int code, const void *query, int length) {
    cgi_ask_daemon(on_network_ipc_callback, code, query, length, kTextPlain);
    return 0;
}

}  // namespace

// "/7010": PPPoE settings and the address of "ppp0".
int on_get_pppoe_info(const char *) {
    PppoeRecord pppoe;
    memset(&pppoe, 0, sizeof pppoe);
    read_pppoe(QVDB_PATH, &pppoe);
    char address[32] = "0.0.0.0";
    net_get_ifaddr("ppp0", address, sizeof address);
    json_object *answer = json_object_new_object();
    json_add_fields(answer, &pppoe, kPppoeKeys, JSON_FIELD_COUNT(kPppoeKeys));
    json_add_text(answer, "pppoeipaddr", address);
    return cgi_answer_json(answer, kJson);
}

// "/7011": store PPPoE settings made from the request alone.
int on_set_pppoe_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_pppoe_info(request) != 0) return 0;
    return store_service(request, kPppoeKeys, JSON_FIELD_COUNT(kPppoeKeys), write_pppoe, "pppoe", 915);
}

// "/7020": DDNS settings and eth0's MAC address.
int on_get_ddns_info(const char *) {
    DdnsRecord ddns;
    memset(&ddns, 0, sizeof ddns);
    read_ddns(QVDB_PATH, &ddns);
    char mac0[18], mac1[18];
    get_mac_addr(mac0, mac1);
    json_object *answer = json_object_new_object();
    json_add_fields(answer, &ddns, kDdnsAnswerKeys, JSON_FIELD_COUNT(kDdnsAnswerKeys));
    json_add_text(answer, "mac", mac0);
    return cgi_answer_json(answer, kJson);
}

// "/7021": store DDNS settings made from the request alone.
int on_set_ddns_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_ddns_info(request) != 0) return 0;
    return store_service(request, kDdnsRequestKeys, JSON_FIELD_COUNT(kDdnsRequestKeys), write_ddns, "ddns", 916);
}

// "/7030": e-mail settings with the host name of the port settings.
int on_get_email_info(const char *) {
    EmailRecord email;
    PortRecord port;
    memset(&email, 0, sizeof email);
    memset(&port, 0, sizeof port);
    read_email(QVDB_PATH, &email);
    read_port(QVDB_PATH, &port);
    json_object *answer = json_object_new_object();
    json_add_fields(answer, &email, kEmailKeys, JSON_FIELD_COUNT(kEmailKeys));
    json_add_int(answer, "enableHostName", port.host_name_enable);
    json_add_field_text(answer, "hostName", port.host_name, sizeof port.host_name);
    json_object *receivers = json_object_new_array();
    for (const EmailReceiver &receiver : email.receivers) {
        json_object *item = json_object_new_object();
        json_add_fields(item, &receiver, kReceiverKeys, JSON_FIELD_COUNT(kReceiverKeys));
        json_object_array_add(receivers, item);
    }
    json_object_object_add(answer, "receivers", receivers);
    return cgi_answer_json(answer, kJson);
}

// "/7031": store e-mail settings and the host name, in one transaction.
int on_set_email_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || check_email_info(request) != 0) return 0;
    {
        DbTransaction transaction(QVDB_PATH);
        EmailRecord email;
        memset(&email, 0, sizeof email);
        read_email(QVDB_PATH, &email);
        json_take_fields(request, &email, kEmailKeys, JSON_FIELD_COUNT(kEmailKeys));
        take_receivers(request, email);
        PortRecord port;
        memset(&port, 0, sizeof port);
        read_port(QVDB_PATH, &port);
        int enable = 0;
        if (on_cgi_get_int_from_json(request, "enableHostName", &enable) == 0) port.host_name_enable = enable;
        on_cgi_get_string_from_json(request, "hostName", port.host_name, sizeof port.host_name);
        if (write_email(QVDB_PATH, &email) != 0 || write_port(QVDB_PATH, &port) != 0 || transaction.commit() != 0)
            return 0;
    }
    notify_network_changed("mail");
    network_log(204, 917);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7032": send a test mail; reply 8409 answers.
int on_test_email(const char *) {
    ServiceName name = service_name("testmail");
    cgi_ask_daemon(on_network_ipc_callback, kRequestTestMail, &name, sizeof name, kTextPlain);
    return 0;
}

// "/7070": is the address in use on the network? Reply 8005 answers.
int on_ip_conflict(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    IpConflictQuery query;
    memset(&query, 0, sizeof query);
    if (!request || on_cgi_get_string_from_json(request, "ip", query.address, sizeof query.address) != 0) return 0;
    return ask_ip_conflict(kRequestIpConflict, &query, sizeof query);
}

// "/7071": the same on one interface; reply 8006 answers.
int on_ip_conflict_by_dev(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    IpConflictDeviceQuery query;
    memset(&query, 0, sizeof query);
    if (!request || on_cgi_get_string_from_json(request, "dev", query.device, sizeof query.device) != 0 ||
        on_cgi_get_string_from_json(request, "ip", query.address, sizeof query.address) != 0)
        return 0;
    return ask_ip_conflict(kRequestIpConflictByDevice, &query, sizeof query);
}

// "/7090": SNMP settings and the service ports.
int on_get_snmp_info(const char *) {
    SnmpRecord snmp;
    PortRecord port;
    memset(&snmp, 0, sizeof snmp);
    memset(&port, 0, sizeof port);
    read_snmp(QVDB_PATH, &snmp);
    read_port(QVDB_PATH, &port);
    json_object *answer = json_object_new_object();
    json_add_fields(answer, &snmp, kSnmpKeys, JSON_FIELD_COUNT(kSnmpKeys));
    json_add_int(answer, "sshPort", port.sshPort);
    json_add_int(answer, "httpPort", port.httpPort);
    json_add_int(answer, "rtspPort", port.rtspPort);
    json_add_int(answer, "httpsPort", port.httpsPort);
    return cgi_answer_json(answer, kJson);
}

// "/7091": store SNMP settings made from the request; a changed port must be free.
int on_set_snmp_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    SnmpRecord stored, snmp;
    memset(&stored, 0, sizeof stored);
    memset(&snmp, 0, sizeof snmp);
    json_take_fields(request, &snmp, kSnmpKeys, JSON_FIELD_COUNT(kSnmpKeys));
    {
        DbTransaction transaction(QVDB_PATH);
        read_snmp(QVDB_PATH, &stored);
        if (!port_change_allowed(stored.port, snmp.port))
            return cgi_writeback_webserver(kTextPlain, "POE_Port_Error");
        if (write_snmp(QVDB_PATH, &snmp) != 0 || transaction.commit() != 0) return 0;
    }
    notify_network_changed("snmp");
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7092": the channel-access switch.
int on_get_access_info(const char *) { return answer_param_int("access", "ch_access", 0); }

// "/7094": the DDNS status; reply 8309 answers.
int on_get_ddns_status(const char *) {
    cgi_ask_daemon(on_network_ipc_callback, kRequestDdnsStatus, nullptr, 0, kJson);
    return 0;
}

// Reply 8409: "ERROR" when the test mail failed.
int on_test_email_cb(const void *payload, int) { return answer_text_done(reply_first_word(payload) != 0 ? "ERROR" : "OK"); }

// Replies 8005 and 8006: "-1" when the address is in use, else "0".
int on_ip_conflict_cb(const void *payload, int) { return answer_text_done(reply_first_word(payload) != 0 ? "-1" : "0"); }

// Reply 8309: {"status": the daemon's DDNS status}.
int on_get_ddns_status_cb(const void *payload, int) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "status", reply_first_word(payload));
    return cgi_reply_json(answer);
}
