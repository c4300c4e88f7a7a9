// Database tables of the network area: network configuration, service ports, push messages,
// multicast, PPPoE, DDNS, e-mail, SNMP, P2P and time.
#include <string.h>

#include "core/qvdb_network.h"
#include "core/web_utils.h"
#include "platform/qvdb_internal.h"

namespace {

// A single record stored under id 0; the record itself carries no key (several of them are
// sent to the daemon as they are).
template <typename Record>
struct Row {
    int32_t id;
    Record record;
};

template <typename Record>
int read_row(const char *db, const QvdbTable &table, Record *record) {
    if (!record) return -1;
    Row<Record> row;
    memset(&row, 0, sizeof row);
    if (qvdb_read_record(db, table, &row, 0) != 0) return -1;
    *record = row.record;
    return 0;
}

template <typename Record>
int write_row(const char *db, const QvdbTable &table, const Record *record) {
    if (!record) return -1;
    Row<Record> row;
    memset(&row, 0, sizeof row);
    row.record = *record;
    return qvdb_write_record(db, table, &row);
}

template <typename Record>
Record &factory_record(void *row) {
    return static_cast<Row<Record> *>(row)->record;
}

template <typename Record>
constexpr QvdbShape single_row_shape(const QvdbField *fields, uint32_t count) {
    return qvdb_record_shape(kQvdbSettings, sizeof(Row<Record>), fields, count, "id", 1, 1);
}

// ---- network --------------------------------------------------------------------------------

using NetworkRow = Row<NetworkRecord>;

#define IPV4_FIELDS(member, prefix)                                                         \
    QVDB_FIELD(NetworkRow, record.member.enable, prefix "enable"),                          \
        QVDB_FIELD(NetworkRow, record.member.type, prefix "type"),                          \
        QVDB_FIELD(NetworkRow, record.member.address, prefix "address"),                    \
        QVDB_FIELD(NetworkRow, record.member.netmask, prefix "netmask"),                    \
        QVDB_FIELD(NetworkRow, record.member.gateway, prefix "gateway"),                    \
        QVDB_FIELD(NetworkRow, record.member.dns1, prefix "dns1"),                          \
        QVDB_FIELD(NetworkRow, record.member.dns2, prefix "dns2"),                          \
        QVDB_FIELD(NetworkRow, record.member.mtu, prefix "mtu")

#define IPV6_FIELDS(member, prefix)                                                         \
    QVDB_FIELD(NetworkRow, record.member.address, prefix "address"),                        \
        QVDB_FIELD(NetworkRow, record.member.netmask, prefix "netmask"),                    \
        QVDB_FIELD(NetworkRow, record.member.gateway, prefix "gateway")

const QvdbField kNetworkFields[] = {
    QVDB_FIELD(NetworkRow, id, "id"),
    QVDB_FIELD(NetworkRow, record.mode, "mode"),
    QVDB_FIELD(NetworkRow, record.host_name, "host_name"),
    QVDB_FIELD(NetworkRow, record.primary_net, "primary_net"),
    IPV4_FIELDS(bond, "bond_"),
    IPV4_FIELDS(eth0, "eth0_"),
    IPV4_FIELDS(eth1, "eth1_"),
    IPV6_FIELDS(eth0_6, "eth0_ip6_"),
    IPV6_FIELDS(eth1_6, "eth1_ip6_"),
    QVDB_FIELD(NetworkRow, record.eth0_6_type, "eth0_ip6_type"),
    QVDB_FIELD(NetworkRow, record.eth1_6_type, "eth1_ip6_type"),
    IPV6_FIELDS(bond6, "bond_ip6_"),
    QVDB_FIELD(NetworkRow, record.bond6_type, "bond_ip6_type"),
    QVDB_FIELD(NetworkRow, record.default_route, "default_route"),
};
static_assert(sizeof kNetworkFields / sizeof kNetworkFields[0] == 1 + 40, "the key and the 40 network fields");

#undef IPV4_FIELDS
#undef IPV6_FIELDS

void factory_ipv4(NetworkIpv4 &ipv4, const char *address, const char *gateway) {
    ipv4.enable = 1;
    copy_text_field(ipv4.address, sizeof ipv4.address, address);
    copy_text_field(ipv4.netmask, sizeof ipv4.netmask, "255.255.255.0");
    copy_text_field(ipv4.gateway, sizeof ipv4.gateway, gateway);
    copy_text_field(ipv4.dns1, sizeof ipv4.dns1, "8.8.8.8");
    copy_text_field(ipv4.dns2, sizeof ipv4.dns2, "8.8.4.4");
    ipv4.mtu = 1500;
}

void factory_network(void *row, int, int) {
    NetworkRecord &network = factory_record<NetworkRecord>(row);
    copy_text_field(network.host_name, sizeof network.host_name, "NVR");
    factory_ipv4(network.bond, "192.168.1.100", "192.168.1.1");
    factory_ipv4(network.eth0, "192.168.1.100", "192.168.1.1");
    factory_ipv4(network.eth1, "192.168.2.100", "192.168.2.1");
    network.eth0_6_type = network.eth1_6_type = network.bond6_type = kIpv6TypeStoredOrLive;
}

const QvdbShape kNetworkShape =
    qvdb_with_factory(single_row_shape<NetworkRecord>(QVDB_FIELDS(kNetworkFields)), factory_network);
QVDB_TABLE(kNetworkTable, "network", kNetworkShape);

// Reads the stored record, lets `take` copy the view's fields from the given one, writes it back,
// all in one transaction.
int write_network_view(const char *db, const NetworkRecord *given,
                       void (*take)(NetworkRecord &stored, const NetworkRecord &given)) {
    if (!given) return -1;
    DbTransaction transaction(db);
    NetworkRecord stored = *given;
    read_network(db, &stored);
    take(stored, *given);
    if (write_network(db, &stored) != 0) return -1;
    return transaction.commit();
}

void take_bonded_view(NetworkRecord &stored, const NetworkRecord &given) {
    stored.mode = given.mode;
    stored.primary_net = given.primary_net;
    stored.bond = given.bond;
    stored.bond6 = given.bond6;
    stored.bond6_type = given.bond6_type;
}

void take_separate_view(NetworkRecord &stored, const NetworkRecord &given) {
    stored.mode = given.mode;
    stored.eth0 = given.eth0;
    stored.eth1 = given.eth1;
    stored.eth0_6 = given.eth0_6;
    stored.eth1_6 = given.eth1_6;
    stored.eth0_6_type = given.eth0_6_type;
    stored.eth1_6_type = given.eth1_6_type;
    stored.default_route = given.default_route;
}

// ---- ports ----------------------------------------------------------------------------------

using PortRow = Row<PortRecord>;

const QvdbField kPortFields[] = {
    QVDB_FIELD(PortRow, id, "id"),
    QVDB_FIELD(PortRow, record.enableSsh, "enable_ssh"),
    QVDB_FIELD(PortRow, record.sshPort, "ssh_port"),
    QVDB_FIELD(PortRow, record.httpPort, "http_port"),
    QVDB_FIELD(PortRow, record.rtspPort, "rtsp_port"),
    QVDB_FIELD(PortRow, record.servicePort, "service_port"),
    QVDB_FIELD(PortRow, record.host_name, "host_name"),
    QVDB_FIELD(PortRow, record.host_name_enable, "host_name_enable"),
    QVDB_FIELD(PortRow, record.httpsPort, "https_port"),
};
static_assert(sizeof kPortFields / sizeof kPortFields[0] == 1 + 8, "the key and the 8 port fields");

void factory_ports(void *row, int, int) {
    PortRecord &port = factory_record<PortRecord>(row);
    port.sshPort = 22;
    port.httpPort = 80;
    port.rtspPort = 554;
    port.servicePort = 6036;
    port.httpsPort = 443;
}

const QvdbShape kPortShape = qvdb_with_factory(single_row_shape<PortRecord>(QVDB_FIELDS(kPortFields)), factory_ports);
QVDB_TABLE(kPortTable, "port", kPortShape);

// ---- push messages --------------------------------------------------------------------------

const QvdbField kPushMsgEventFields[] = {
    QVDB_FIELD(PushMsgEvent, channel, "channel"),
    QVDB_FIELD(PushMsgEvent, push_type, "push_type"),
};
const QvdbShape kPushMsgEventShape = qvdb_record_shape(kQvdbSettings, sizeof(PushMsgEvent),
                                                       QVDB_FIELDS(kPushMsgEventFields), "channel", kQvdbChannels, 0);
QVDB_TABLE(kPushMsgEventTable, "push_msg_event", kPushMsgEventShape);

struct PushNvrEvent {
    char pos[kPushNvrPosText];
};
using PushNvrEventRow = Row<PushNvrEvent>;
const QvdbField kPushNvrEventFields[] = {
    QVDB_FIELD(PushNvrEventRow, id, "id"),
    QVDB_FIELD(PushNvrEventRow, record.pos, "pos"),
};
const QvdbShape kPushNvrEventShape = single_row_shape<PushNvrEvent>(QVDB_FIELDS(kPushNvrEventFields));
QVDB_TABLE(kPushNvrEventTable, "push_msg_nvr_event", kPushNvrEventShape);

// ---- multicast ------------------------------------------------------------------------------

using MulticastRow = Row<MulticastConfig>;
const QvdbField kMulticastFields[] = {
    QVDB_FIELD(MulticastRow, id, "id"),
    QVDB_FIELD(MulticastRow, record.enable, "enable"),
    QVDB_FIELD(MulticastRow, record.ip, "ip"),
};
const QvdbShape kMulticastShape = single_row_shape<MulticastConfig>(QVDB_FIELDS(kMulticastFields));
QVDB_TABLE(kMulticastTable, "multicast", kMulticastShape);

// ---- PPPoE and DDNS -------------------------------------------------------------------------

using PppoeRow = Row<PppoeRecord>;
const QvdbField kPppoeFields[] = {
    QVDB_FIELD(PppoeRow, id, "id"),
    QVDB_FIELD(PppoeRow, record.enable, "enable"),
    QVDB_FIELD(PppoeRow, record.autoConnect, "auto_connect"),
    QVDB_FIELD(PppoeRow, record.userName, "user_name"),
    QVDB_FIELD(PppoeRow, record.password, "password"),
};
const QvdbShape kPppoeShape = single_row_shape<PppoeRecord>(QVDB_FIELDS(kPppoeFields));
QVDB_TABLE(kPppoeTable, "pppoe", kPppoeShape);

using DdnsRow = Row<DdnsRecord>;
const QvdbField kDdnsFields[] = {
    QVDB_FIELD(DdnsRow, id, "id"),
    QVDB_FIELD(DdnsRow, record.enable, "enable"),
    QVDB_FIELD(DdnsRow, record.domain, "domain"),
    QVDB_FIELD(DdnsRow, record.userName, "user_name"),
    QVDB_FIELD(DdnsRow, record.password, "password"),
    QVDB_FIELD(DdnsRow, record.hostName, "host_name"),
    QVDB_FIELD(DdnsRow, record.freeDNSHash, "free_dns_hash"),
    QVDB_FIELD(DdnsRow, record.updateFreq, "update_freq"),
    QVDB_FIELD(DdnsRow, record.http_port, "http_port"),
    QVDB_FIELD(DdnsRow, record.rtsp_port, "rtsp_port"),
    QVDB_FIELD(DdnsRow, record.ddnsurl, "ddns_url"),
};
void factory_ddns(void *row, int, int) {
    DdnsRecord &ddns = factory_record<DdnsRecord>(row);
    ddns.http_port = 80;
    ddns.rtsp_port = 554;
}
const QvdbShape kDdnsShape = qvdb_with_factory(single_row_shape<DdnsRecord>(QVDB_FIELDS(kDdnsFields)), factory_ddns);
QVDB_TABLE(kDdnsTable, "ddns", kDdnsShape);

// ---- e-mail ---------------------------------------------------------------------------------

using EmailRow = Row<EmailRecord>;

#define RECEIVER_FIELD(index, member, column)                                                                 \
    QvdbField {                                                                                               \
        column,                                                                                               \
            static_cast<uint32_t>(offsetof(EmailRow, record.receivers) + (index) * sizeof(EmailReceiver) +   \
                                  offsetof(EmailReceiver, member)),                                           \
            QvdbType::Text, static_cast<uint32_t>(sizeof(EmailReceiver::member))                              \
    }

const QvdbField kEmailFields[] = {
    QVDB_FIELD(EmailRow, id, "id"),
    QVDB_FIELD(EmailRow, record.enable, "enable"),
    QVDB_FIELD(EmailRow, record.userName, "user_name"),
    QVDB_FIELD(EmailRow, record.password, "password"),
    QVDB_FIELD(EmailRow, record.smtpServer, "smtp_server"),
    QVDB_FIELD(EmailRow, record.smtpPort, "smtp_port"),
    QVDB_FIELD(EmailRow, record.senderAddr, "sender_addr"),
    QVDB_FIELD(EmailRow, record.senderName, "sender_name"),
    QVDB_FIELD(EmailRow, record.enableTls, "enable_tls"),
    QVDB_FIELD(EmailRow, record.enableAttach, "enable_attach"),
    QVDB_FIELD(EmailRow, record.captureInterval, "capture_interval"),
    RECEIVER_FIELD(0, receiverAddr, "receiver1_addr"),
    RECEIVER_FIELD(0, receiverName, "receiver1_name"),
    RECEIVER_FIELD(1, receiverAddr, "receiver2_addr"),
    RECEIVER_FIELD(1, receiverName, "receiver2_name"),
    RECEIVER_FIELD(2, receiverAddr, "receiver3_addr"),
    RECEIVER_FIELD(2, receiverName, "receiver3_name"),
};
static_assert(kEmailReceivers == 3, "three receivers are declared");

#undef RECEIVER_FIELD

void factory_email(void *row, int, int) { factory_record<EmailRecord>(row).smtpPort = 25; }
const QvdbShape kEmailShape = qvdb_with_factory(single_row_shape<EmailRecord>(QVDB_FIELDS(kEmailFields)), factory_email);
QVDB_TABLE(kEmailTable, "email", kEmailShape);

// ---- SNMP -----------------------------------------------------------------------------------

using SnmpRow = Row<SnmpRecord>;
#define SNMP_FIELD(member) QVDB_FIELD(SnmpRow, record.member, #member)
const QvdbField kSnmpFields[] = {
    QVDB_FIELD(SnmpRow, id, "id"),
    SNMP_FIELD(v1_enable),
    SNMP_FIELD(v2c_enable),
    SNMP_FIELD(write_community),
    SNMP_FIELD(read_community),
    SNMP_FIELD(v3_enable),
    SNMP_FIELD(read_security_name),
    SNMP_FIELD(read_level_security),
    SNMP_FIELD(read_auth_algorithm),
    SNMP_FIELD(read_auth_password),
    SNMP_FIELD(read_pri_algorithm),
    SNMP_FIELD(read_pri_password),
    SNMP_FIELD(write_security_name),
    SNMP_FIELD(write_level_security),
    SNMP_FIELD(write_auth_algorithm),
    SNMP_FIELD(write_auth_password),
    SNMP_FIELD(write_pri_algorithm),
    SNMP_FIELD(write_pri_password),
    SNMP_FIELD(port),
};
#undef SNMP_FIELD
void factory_snmp(void *row, int, int) {
    SnmpRecord &snmp = factory_record<SnmpRecord>(row);
    copy_text_field(snmp.read_community, sizeof snmp.read_community, "public");
    copy_text_field(snmp.write_community, sizeof snmp.write_community, "private");
    snmp.port = 161;
}
const QvdbShape kSnmpShape = qvdb_with_factory(single_row_shape<SnmpRecord>(QVDB_FIELDS(kSnmpFields)), factory_snmp);
QVDB_TABLE(kSnmpTable, "snmp", kSnmpShape);

// ---- P2P ------------------------------------------------------------------------------------

using P2pRow = Row<P2pConfig>;
const QvdbField kP2pFields[] = {
    QVDB_FIELD(P2pRow, id, "id"),
    QVDB_FIELD(P2pRow, record.enable, "enable"),
    QVDB_FIELD(P2pRow, record.registration1, "registration1"),
    QVDB_FIELD(P2pRow, record.registration2, "registration2"),
    QVDB_FIELD(P2pRow, record.registration3, "registration3"),
    QVDB_FIELD(P2pRow, record.registration4, "registration4"),
    QVDB_FIELD(P2pRow, record.region, "region"),
};
const QvdbShape kP2pShape = single_row_shape<P2pConfig>(QVDB_FIELDS(kP2pFields));
QVDB_TABLE(kP2pTable, "p2p", kP2pShape);

// ---- time -----------------------------------------------------------------------------------

using TimeRow = Row<TimeSettings>;
const QvdbField kTimeFields[] = {
    QVDB_FIELD(TimeRow, id, "id"),
    QVDB_FIELD(TimeRow, record.ntpEnable, "ntp_enable"),
    QVDB_FIELD(TimeRow, record.dstEnable, "dst_enable"),
    QVDB_FIELD(TimeRow, record.timeZone, "time_zone"),
    QVDB_FIELD(TimeRow, record.timeZoneName, "time_zone_name"),
    QVDB_FIELD(TimeRow, record.ntpServer, "ntp_server"),
    QVDB_FIELD(TimeRow, record.syncEnable, "sync_enable"),
    QVDB_FIELD(TimeRow, record.syncInterval, "sync_interval"),
    QVDB_FIELD(TimeRow, record.syncPc, "sync_pc"),
};
void factory_time(void *row, int, int) {
    TimeSettings &time = factory_record<TimeSettings>(row);
    copy_text_field(time.timeZone, sizeof time.timeZone, "GMT+00:00");
    copy_text_field(time.timeZoneName, sizeof time.timeZoneName, "GMT");
    copy_text_field(time.ntpServer, sizeof time.ntpServer, "pool.ntp.org");
    time.syncInterval = 24;
}
const QvdbShape kTimeShape = qvdb_with_factory(single_row_shape<TimeSettings>(QVDB_FIELDS(kTimeFields)), factory_time);
QVDB_TABLE(kTimeTable, "time_settings", kTimeShape);

}  // namespace

int read_network(const char *db, NetworkRecord *record) { return read_row(db, kNetworkTable, record); }
int write_network(const char *db, const NetworkRecord *record) { return write_row(db, kNetworkTable, record); }

int read_network_mode(const char *db, int *mode) {
    NetworkRecord record;
    if (!mode || read_network(db, &record) != 0) return -1;
    *mode = record.mode;
    return 0;
}

int read_network_bond(const char *db, NetworkRecord *record) { return read_network(db, record); }
int read_network_muti(const char *db, NetworkRecord *record) { return read_network(db, record); }
int write_network_bond(const char *db, const NetworkRecord *record) {
    return write_network_view(db, record, take_bonded_view);
}
int write_network_muti(const char *db, const NetworkRecord *record) {
    return write_network_view(db, record, take_separate_view);
}

int read_port(const char *db, PortRecord *record) { return read_row(db, kPortTable, record); }
int write_port(const char *db, const PortRecord *record) { return write_row(db, kPortTable, record); }

QVDB_DEFINE_RECORD_FUNCTIONS(push_msg_event, PushMsgEvent, kPushMsgEventTable)

int read_push_msg_nvr_event(const char *db, char *text, int size) {
    if (!text || size <= 0) return -1;
    text[0] = '\0';
    PushNvrEvent event;
    if (read_row(db, kPushNvrEventTable, &event) != 0) return -1;
    copy_text_field(text, static_cast<size_t>(size), event.pos);
    return 0;
}

int write_push_msg_nvr_event(const char *db, const char *text) {
    PushNvrEvent event;
    memset(&event, 0, sizeof event);
    copy_text_field(event.pos, sizeof event.pos, text);
    return write_row(db, kPushNvrEventTable, &event);
}

int read_multicast(const char *db, MulticastConfig *record) { return read_row(db, kMulticastTable, record); }
int write_multicast(const char *db, const MulticastConfig *record) { return write_row(db, kMulticastTable, record); }
int read_pppoe(const char *db, PppoeRecord *record) { return read_row(db, kPppoeTable, record); }
int write_pppoe(const char *db, const PppoeRecord *record) { return write_row(db, kPppoeTable, record); }
int read_ddns(const char *db, DdnsRecord *record) { return read_row(db, kDdnsTable, record); }
int write_ddns(const char *db, const DdnsRecord *record) { return write_row(db, kDdnsTable, record); }
int read_email(const char *db, EmailRecord *record) { return read_row(db, kEmailTable, record); }
int write_email(const char *db, const EmailRecord *record) { return write_row(db, kEmailTable, record); }
int read_snmp(const char *db, SnmpRecord *record) { return read_row(db, kSnmpTable, record); }
int write_snmp(const char *db, const SnmpRecord *record) { return write_row(db, kSnmpTable, record); }
int read_p2p_info(const char *db, P2pConfig *record) { return read_row(db, kP2pTable, record); }
int write_p2p_info(const char *db, const P2pConfig *record) { return write_row(db, kP2pTable, record); }
int read_time(const char *db, TimeSettings *record) { return read_row(db, kTimeTable, record); }
int write_time(const char *db, const TimeSettings *record) { return write_row(db, kTimeTable, record); }
