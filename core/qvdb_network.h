// Configuration database records of the network area: interfaces, service ports, push
// messages, multicast, PPPoE, DDNS, e-mail, SNMP, P2P, HTTPS certificate parameters and time.
// The host name and the ports that the system and miscellaneous pages show live here too.
#ifndef NVR_CORE_QVDB_NETWORK_H
#define NVR_CORE_QVDB_NETWORK_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// ---- network configuration (one record) ------------------------------------------------------

// IPv4 addressing of the bonded interface or of one physical interface.
struct NetworkIpv4 {
    int32_t enable;
    int32_t type;  // address type
    char address[16];
    char netmask[16];
    char gateway[16];
    char dns1[16];
    char dns2[16];
    int32_t mtu;
};
static_assert(sizeof(NetworkIpv4) == 92, "IPv4 configuration is 92 bytes");

// IPv6 addressing of one interface; its address type is kept apart in the record.
struct NetworkIpv6 {
    char address[64];
    char netmask[16];  // prefix length or netmask text
    char gateway[64];
};
static_assert(sizeof(NetworkIpv6) == 144, "IPv6 configuration is 144 bytes");

// IPv6 address types: 0 the stored values are shown; 1 the stored ones when present, the live
// ones otherwise; 2 the gateway is not taken from requests.
constexpr int kIpv6TypeStored = 0;
constexpr int kIpv6TypeStoredOrLive = 1;
constexpr int kIpv6TypeKeepGateway = 2;

// The network configuration: 40 fields. "eth0" is interface 1, "eth1" interface 2, "bond0" the
// bonded interface of modes 1 and 2.
struct NetworkRecord {
    int32_t mode;  // 0 separate interfaces, 1 or 2 bonded (2 also names a primary interface)
    char host_name[128];
    int32_t primary_net;
    NetworkIpv4 bond;
    NetworkIpv4 eth0;
    NetworkIpv4 eth1;
    NetworkIpv6 eth0_6;
    NetworkIpv6 eth1_6;
    int32_t eth0_6_type;
    int32_t eth1_6_type;
    NetworkIpv6 bond6;
    int32_t bond6_type;
    int32_t default_route;
};
static_assert(offsetof(NetworkRecord, host_name) == 4, "host name at 4");
static_assert(offsetof(NetworkRecord, bond) == 136, "bonded IPv4 at 136");
static_assert(offsetof(NetworkRecord, eth0_6) == 412, "interface 1 IPv6 at 412");
static_assert(offsetof(NetworkRecord, eth0_6_type) == 700, "IPv6 types at 700");
static_assert(offsetof(NetworkRecord, bond6) == 708, "bonded IPv6 at 708");
static_assert(sizeof(NetworkRecord) == 860, "network record is 860 bytes");

int read_network(const char *db, NetworkRecord *record);
int write_network(const char *db, const NetworkRecord *record);
// The stored mode; *mode is left as it was when there is none.
int read_network_mode(const char *db, int *mode);
// The bonded view (mode, host name, primary interface, bonded IPv4 and IPv6, default route) and
// the separate view (mode, host name, both interfaces, default route). Both read the record.
int read_network_bond(const char *db, NetworkRecord *record);
int read_network_muti(const char *db, NetworkRecord *record);
// Store the mode, the primary interface and the bonded fields of the record; the rest stays.
int write_network_bond(const char *db, const NetworkRecord *record);
// Store the mode, both interfaces and the default route of the record; the rest stays.
int write_network_muti(const char *db, const NetworkRecord *record);

// ---- service ports (one record) --------------------------------------------------------------

struct PortRecord {
    int32_t enableSsh;
    int32_t sshPort;
    int32_t httpPort;
    int32_t rtspPort;
    int32_t servicePort;
    char host_name[256];  // the host name of the e-mail page
    int32_t host_name_enable;
    int32_t httpsPort;
};
static_assert(offsetof(PortRecord, host_name) == 20, "port host name at 20");
static_assert(sizeof(PortRecord) == 284, "port record is 284 bytes");

int read_port(const char *db, PortRecord *record);
int write_port(const char *db, const PortRecord *record);

// ---- push messages ---------------------------------------------------------------------------

// Push type of one channel's events (0 to 63).
struct PushMsgEvent {
    int32_t channel;
    int32_t push_type;
};
static_assert(sizeof(PushMsgEvent) == 8, "push-message event is 8 bytes");
// read_push_msg_events: the stored channels in order; write_push_msg_event: one channel.
QVDB_DECLARE_RECORD_FUNCTIONS(push_msg_event, PushMsgEvent)

constexpr int kPushNvrPosText = 65;  // 64 characters
// The recorder's own push-message events as the page's text; "" when none is stored.
int read_push_msg_nvr_event(const char *db, char *text, int size);
int write_push_msg_nvr_event(const char *db, const char *text);

// ---- multicast (one record; sent whole with request 1729) -------------------------------------

struct MulticastConfig {
    int32_t enable;
    char ip[65];
    char reserved[3];
};
static_assert(offsetof(MulticastConfig, ip) == 4, "multicast address at 4");
static_assert(sizeof(MulticastConfig) == 72, "multicast configuration is 72 bytes");

int read_multicast(const char *db, MulticastConfig *record);
int write_multicast(const char *db, const MulticastConfig *record);

// ---- network services (one record each) ------------------------------------------------------

struct PppoeRecord {
    int32_t enable;
    int32_t autoConnect;
    char userName[64];
    char password[64];
};
static_assert(sizeof(PppoeRecord) == 136, "PPPoE record is 136 bytes");

struct DdnsRecord {
    int32_t enable;
    char domain[64];  // provider
    char userName[32];
    char password[32];
    char hostName[128];
    char freeDNSHash[128];
    int32_t updateFreq;
    int32_t http_port;
    int32_t rtsp_port;
    char ddnsurl[128];
};
static_assert(offsetof(DdnsRecord, updateFreq) == 388, "DDNS update frequency at 388");
static_assert(sizeof(DdnsRecord) == 528, "DDNS record is 528 bytes");

struct EmailReceiver {
    char receiverAddr[65];
    char receiverName[65];
};
constexpr int kEmailReceivers = 3;

struct EmailRecord {
    int32_t enable;
    char userName[65];
    char password[65];
    char smtpServer[65];
    int32_t smtpPort;
    char senderAddr[65];
    char senderName[65];
    int32_t enableTls;
    int32_t enableAttach;
    int32_t captureInterval;
    EmailReceiver receivers[kEmailReceivers];
};
static_assert(offsetof(EmailRecord, smtpPort) == 200, "e-mail SMTP port at 200");
static_assert(offsetof(EmailRecord, receivers) == 348, "e-mail receivers at 348");
static_assert(sizeof(EmailRecord) == 740, "e-mail record is 740 bytes");

struct SnmpRecord {
    int32_t v1_enable;
    int32_t v2c_enable;
    char write_community[64];
    char read_community[64];
    int32_t v3_enable;
    char read_security_name[64];
    int32_t read_level_security;
    int32_t read_auth_algorithm;
    char read_auth_password[64];
    int32_t read_pri_algorithm;
    char read_pri_password[64];
    char write_security_name[64];
    int32_t write_level_security;
    int32_t write_auth_algorithm;
    char write_auth_password[64];
    int32_t write_pri_algorithm;
    char write_pri_password[64];
    int32_t port;
};
static_assert(offsetof(SnmpRecord, port) == 548, "SNMP port at 548");
static_assert(sizeof(SnmpRecord) == 552, "SNMP record is 552 bytes");

// P2P configuration, also sent with requests 3700 and 3701.
struct P2pConfig {
    int32_t enable;
    char reserved[32];
    char registration1[128];  // stored registration data, copied into the registration test
    char registration2[128];
    char registration3[128];
    char registration4[64];
    int32_t region;
};
static_assert(offsetof(P2pConfig, registration1) == 36, "P2P registration text 1 at 36");
static_assert(offsetof(P2pConfig, registration4) == 420, "P2P registration text 4 at 420");
static_assert(offsetof(P2pConfig, region) == 484, "P2P region at 484");
static_assert(sizeof(P2pConfig) == 488, "P2P configuration is 488 bytes");

int read_pppoe(const char *db, PppoeRecord *record);
int write_pppoe(const char *db, const PppoeRecord *record);
int read_ddns(const char *db, DdnsRecord *record);
int write_ddns(const char *db, const DdnsRecord *record);
int read_email(const char *db, EmailRecord *record);
int write_email(const char *db, const EmailRecord *record);
int read_snmp(const char *db, SnmpRecord *record);
int write_snmp(const char *db, const SnmpRecord *record);
int read_p2p_info(const char *db, P2pConfig *record);
int write_p2p_info(const char *db, const P2pConfig *record);

// ---- HTTPS certificate parameters (also the payload of request 3316) -------------------------

struct SslParams {
    int32_t install_type;  // 0 self-signed certificate, otherwise a signing request
    char country[3];
    char common_name[64];
    char pad0[1];
    int32_t validity;  // days
    char password[16];
    char province[64];
    char region[64];
    char organization[64];
    char company[64];
    char email[64];
    char reserved0[256];
    char dates[128];
    char reserved1[64];
    char start_time[16];
    char end_time[16];
};
static_assert(offsetof(SslParams, country) == 4, "certificate country at 4");
static_assert(offsetof(SslParams, common_name) == 7, "certificate common name at 7");
static_assert(offsetof(SslParams, validity) == 72, "certificate validity at 72");
static_assert(offsetof(SslParams, password) == 76, "certificate password at 76");
static_assert(offsetof(SslParams, email) == 348, "certificate e-mail at 348");
static_assert(offsetof(SslParams, dates) == 668, "certificate dates at 668");
static_assert(offsetof(SslParams, start_time) == 860, "certificate start time at 860");
static_assert(offsetof(SslParams, end_time) == 876, "certificate end time at 876");
static_assert(sizeof(SslParams) == 892, "certificate parameters are 892 bytes");

// Kinds of certificate parameters.
constexpr int kSslInstalledCertificate = 0;
constexpr int kSslSigningRequest = 2;

// Device paths of the certificate files.
#define SSL_DIR "/mnt/nand/ssl"
#define SSL_REQUEST_DIR "/mnt/nand/ssl/tmp"
#define SSL_CERT_FILE "ssl_cert.pem"
#define SSL_CERT_SAVE_FILE "ssl_cert_save.pem"
#define SSL_REQUEST_FILE "ssl_cert.csr"

// The stored parameters of the kind (0 to 2). For the installed certificate and the signing
// request, the country, common name, e-mail and validity dates are those of the file in place
// whenever it can be read, so that they always describe it. 0 when anything was found.
int read_ssl_params(const char *db, SslParams *record, int kind);
int write_ssl_params(const char *db, const SslParams *record, int kind);

// ---- time settings (one record) --------------------------------------------------------------

struct TimeSettings {
    int32_t ntpEnable;
    int32_t dstEnable;
    char timeZone[32];
    char timeZoneName[32];
    char ntpServer[64];
    int32_t syncEnable;
    int32_t syncInterval;
    int32_t syncPc;
};
static_assert(offsetof(TimeSettings, timeZoneName) == 40, "time zone name at 40");
static_assert(offsetof(TimeSettings, ntpServer) == 72, "NTP server at 72");
static_assert(offsetof(TimeSettings, syncEnable) == 136, "sync enable at 136");
static_assert(sizeof(TimeSettings) == 148, "time settings are 148 bytes");

int read_time(const char *db, TimeSettings *record);
int write_time(const char *db, const TimeSettings *record);

#endif
