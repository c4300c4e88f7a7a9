// P2P cloud-service routes of module "/7000": status, switching on and off, the registration test
// against the registration server, and unbinding the device.
#include <netdb.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_network.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "network/network_common.h"
#include "network/network_module.h"
#include "platform/p2p_crypt.h"
#include "platform/qvstd_net.h"

namespace {

constexpr int kRequestUnbind = 2302;
constexpr int kRequestP2pOn = 3700;
constexpr int kRequestP2pOff = 3701;
constexpr int kRequestP2pStatus = 3702;

// The registration server; the parameter "p2p_server" names another.
constexpr char kDefaultP2pServer[] = "p2p.vantrel.com";
constexpr int kP2pServerPort = 9999;
constexpr int kP2pBuffer = 2048;
constexpr int kServerTextMax = 128;

// Results of the registration test.
constexpr int kRegistered = 0;
constexpr int kRegistrationRefused = 2;
constexpr int kNetworkTrouble = 3;
constexpr int kKeyTrouble = 4;

// Reply 8702: the P2P status.
struct P2pStatusRecord {
    int32_t enable;
    int32_t p2pstatus;
    char model[32];
    char ipc[64];
    char cloudAccount[64];
    char cloudServer[64];
    char registerCode[128];
    char company[128];
    char email[128];
    char dealer[128];
    int32_t region;
};
static_assert(offsetof(P2pStatusRecord, ipc) == 40, "P2P status ipc at 40");
static_assert(offsetof(P2pStatusRecord, registerCode) == 232, "P2P status register code at 232");
static_assert(offsetof(P2pStatusRecord, dealer) == 616, "P2P status dealer at 616");
static_assert(sizeof(P2pStatusRecord) == 748, "P2P status record is 748 bytes");

const JsonField kP2pStatusKeys[] = {
    JSON_INT(P2pStatusRecord, enable, "enable"),
    JSON_INT(P2pStatusRecord, p2pstatus, "p2pstatus"),
    JSON_TEXT(P2pStatusRecord, model, "model"),
    JSON_TEXT(P2pStatusRecord, ipc, "ipc"),
    JSON_TEXT(P2pStatusRecord, cloudAccount, "cloudAccount"),
    JSON_TEXT(P2pStatusRecord, cloudServer, "cloudServer"),
    JSON_TEXT(P2pStatusRecord, registerCode, "registerCode"),
    JSON_TEXT(P2pStatusRecord, company, "company"),
    JSON_TEXT(P2pStatusRecord, email, "email"),
    JSON_TEXT(P2pStatusRecord, dealer, "dealer"),
    JSON_INT(P2pStatusRecord, region, "region"),
};

// The record the registration test sends.
struct P2pRegistration {
    char mac[24];
    char deviceName[32];
    char sn[64];
    char registration1[128];
    char registration2[128];
    char registration3[128];
    char registration4[64];
};
static_assert(offsetof(P2pRegistration, deviceName) == 24, "registration device name at 24");
static_assert(offsetof(P2pRegistration, sn) == 56, "registration serial number at 56");
static_assert(offsetof(P2pRegistration, registration1) == 120, "registration texts at 120");
static_assert(offsetof(P2pRegistration, registration4) == 504, "last registration text at 504");
static_assert(sizeof(P2pRegistration) == 568, "registration record is 568 bytes");

// The header before the registration record, and of the server's answer (its status at 12).
struct P2pRegistrationHeader {
    int32_t version;
    int32_t reserved0;
    int32_t sealed_length;  // bytes of the sealed registration record
    int32_t status;
    int32_t kind;
    int32_t reserved1[5];
};
static_assert(offsetof(P2pRegistrationHeader, status) == 12, "registration status at 12");
static_assert(sizeof(P2pRegistrationHeader) == 40, "registration header is 40 bytes");

void copy_field(char *to, size_t to_size, const char *from, size_t from_size) {
    copy_text_span(to, to_size, from, strnlen(from, from_size));
}

P2pRegistration registration_record(json_object *request) {
    P2pRegistration record;
    memset(&record, 0, sizeof record);
    char mac0[18], mac1[18];
    get_mac_addr(mac0, mac1);
    copy_text_field(record.mac, sizeof record.mac, mac0);
    on_cgi_get_string_from_json(request, "deviceName", record.deviceName, sizeof record.deviceName);
    on_cgi_get_string_from_json(request, "sn", record.sn, sizeof record.sn);
    P2pConfig config;
    memset(&config, 0, sizeof config);
    read_p2p_info(QVDB_PATH, &config);
    copy_field(record.registration1, sizeof record.registration1, config.registration1, sizeof config.registration1);
    copy_field(record.registration2, sizeof record.registration2, config.registration2, sizeof config.registration2);
    copy_field(record.registration3, sizeof record.registration3, config.registration3, sizeof config.registration3);
    copy_field(record.registration4, sizeof record.registration4, config.registration4, sizeof config.registration4);
    return record;
}

// The first IPv4 address of the host name, as text; false when it has none.
bool resolve_server(const char *host, char *address, size_t size) {
    struct addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    bool ok = getnameinfo(found->ai_addr, found->ai_addrlen, address, static_cast<socklen_t>(size), nullptr, 0,
                          NI_NUMERICHOST) == 0;
    freeaddrinfo(found);
    return ok;
}

// The server's text after an accepted registration: at most 128 bytes, never past what arrived.
std::string server_text(const char *buffer, int received) {
    size_t limit = static_cast<size_t>(received < kServerTextMax ? received : kServerTextMax);
    return std::string(buffer, strnlen(buffer, limit));
}

// The exchange on a connected socket: key switch, header and record, the answer header and, when
// the server accepted, its text (handed to the daemon).
int exchange_registration(int sock, const P2pRegistration &record) {
    if (p2p_create_keyfile() != 0 || p2p_cli_switch_keyfile(sock) != 0) return kKeyTrouble;
    P2pRegistrationHeader header;
    memset(&header, 0, sizeof header);
    header.version = 2;
    header.sealed_length = rsa_cal_ensize(sizeof record);
    header.kind = 1;
    if (p2p_send(sock, &header, sizeof header) != 0 || p2p_send(sock, &record, sizeof record) != 0) return kNetworkTrouble;
    char buffer[kP2pBuffer];
    int received = p2p_recv(sock, buffer, sizeof buffer);
    if (received < static_cast<int>(sizeof header)) return kNetworkTrouble;
    memcpy(&header, buffer, sizeof header);
    if (header.status == kRegistrationRefused) return kRegistrationRefused;
    if (header.status != 0) return kRegistered;
    received = p2p_recv(sock, buffer, sizeof buffer);
    if (received < 0) return kNetworkTrouble;
    std::string text = server_text(buffer, received);
    network_notify(kRequestP2pOn, text.empty() ? nullptr : text.data(), static_cast<int>(text.size()));
    return kRegistered;
}

int register_device(const P2pRegistration &record) {
    char host[128], address[64];
    get_param_value(QVDB_PATH, "p2p_server", host, sizeof host, kDefaultP2pServer);
    int sock = socket_create();
    if (sock < 0) return kNetworkTrouble;
    int result = kNetworkTrouble;
    if (resolve_server(host, address, sizeof address) && socket_connect(sock, address, kP2pServerPort) == 0)
        result = exchange_registration(sock, record);
    socket_destroy(sock);
    return result;
}

}  // namespace

// "/7060": the P2P status; reply 8702 answers.
int on_get_p2p_info(const char *) {
    cgi_ask_daemon(on_network_ipc_callback, kRequestP2pStatus, nullptr, 0, kJson);
    return 0;
}

// "/7061": switch P2P on (nothing stored) or off (stored with enable 0); the reply answers.
int on_set_p2p_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int enable = json_int_or(request, "enableP2P", 0);
    int region = json_int_or(request, "region", 0);
    P2pConfig config;
    memset(&config, 0, sizeof config);
    if (enable != 0) {
        config.enable = enable;
        config.region = region;
        cgi_ask_daemon(on_network_ipc_callback, kRequestP2pOn, &config, sizeof config, kTextPlain);
        return 0;
    }
    {
        DbTransaction transaction(QVDB_PATH);
        read_p2p_info(QVDB_PATH, &config);
        config.enable = 0;
        config.region = region;
        if (write_p2p_info(QVDB_PATH, &config) != 0 || transaction.commit() != 0) return 0;
    }
    cgi_ask_daemon(on_network_ipc_callback, kRequestP2pOff, &config, sizeof config, kTextPlain);
    return 0;
}

// "/7062": registration test; answers 0 (registered, or any status but 2), 2 (refused),
// 3 (network trouble) or 4 (key trouble).
int on_test_p2p(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int result = register_device(registration_record(request));
    return cgi_writeback_webserver(kTextPlain, std::to_string(result).c_str());
}

// "/7095": unbind the device from its cloud account; reply 7302 answers.
int on_cgi_p2p_unbind_device(const char *) {
    cgi_ask_daemon(on_network_ipc_callback, kRequestUnbind, nullptr, 0, kJson);
    return 0;
}

// Reply 8700: the outcome of switching P2P on.
int on_enable_p2p_cb(const void *payload, int) {
    switch (reply_first_word(payload)) {
        case 0: return answer_text_done("ERR_OK");
        case 2: return answer_text_done("ERR_NOTFOUND");
        case 3: return answer_text_done("ERR_NETWORK");
        case 5: return answer_text_done("ERR_MAC_FORMAT");
        case 6: return answer_text_done("ERR_AUTH_FAILED");
        case 7: return answer_text_done("ERR_NO_UUID");
        default: return answer_text_done("ERR_UNKNOWN");
    }
}

// Reply 8701: the outcome of switching P2P off.
int on_disable_p2p_cb(const void *payload, int) { return answer_text_done(reply_first_word(payload) == 0 ? "OK" : "ERR"); }

// Reply 8702: the first whole status record (the dispatcher has checked there is one).
int on_p2p_status_info_cb(const void *payload, int) {
    P2pStatusRecord status;
    memcpy(&status, payload, sizeof status);
    json_object *answer = json_object_new_object();
    if (answer) json_add_fields(answer, &status, kP2pStatusKeys, JSON_FIELD_COUNT(kP2pStatusKeys));
    return cgi_reply_json(answer);
}

// Reply 7302: the device is unbound.
int on_cgi_p2p_unbind_device_cb(const void *, int) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "res", 0);
    return cgi_reply_json(answer);
}
