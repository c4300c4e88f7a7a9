// Canned replies of the simulated daemon for module "/7000" (network, services, certificates and time).
#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "core/qvdb_network.h"
#include "platform/make_dirs.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr size_t kP2pStatusSize = 748;
constexpr int kDefaultValidityDays = 365;

std::string device_file(const std::string &device_path) {
    const char *root = getenv("NVR_ROOT");
    return (root ? std::string(root) : std::string()) + device_path;
}

void put_i32(Bytes &out, size_t offset, int32_t value) { memcpy(out.data() + offset, &value, 4); }
void put_text(Bytes &out, size_t offset, size_t size, const std::string &text) {
    memcpy(out.data() + offset, text.data(), text.size() < size ? text.size() : size - 1);
}

// Replies with one status word: the setting of that name, or the fallback.
SimScript status_word(SimState &state, const char *setting, int32_t fallback) {
    return sim_one_reply(sim_words({static_cast<int32_t>(state.setting(setting, fallback))}));
}

SimScript applied(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }
SimScript ip_conflict(const SimRequest &, SimState &state) { return status_word(state, "ip_conflict", 0); }
SimScript ddns_status(const SimRequest &, SimState &state) { return status_word(state, "ddns_status", 1); }
SimScript test_mail(const SimRequest &, SimState &state) { return status_word(state, "test_mail_status", 0); }
SimScript p2p_on(const SimRequest &, SimState &state) { return status_word(state, "p2p_on_status", 0); }
SimScript install_certificate(const SimRequest &, SimState &state) { return status_word(state, "install_cert_status", 1); }

// 3702: the P2P service of a registered device.
SimScript p2p_status(const SimRequest &, SimState &state) {
    Bytes record(kP2pStatusSize, 0);
    put_i32(record, 0, 1);
    put_i32(record, 4, static_cast<int32_t>(state.setting("p2p_status", 1)));
    put_text(record, 8, 32, "NVR-16CH");
    put_text(record, 40, 64, "NVR16A2024120700001");
    put_text(record, 104, 64, "owner@example.com");
    put_text(record, 168, 64, "cloud.example.com");
    put_text(record, 232, 128, "RC-7F3A-22D1-90BE");
    put_text(record, 360, 128, "Vantrel");
    put_text(record, 488, 128, "support@example.com");
    put_text(record, 616, 128, "Example Security Ltd");
    put_i32(record, 744, 1);
    return sim_one_reply(record);
}

// ---- certificates ---------------------------------------------------------------------------

std::string field(const char *text, size_t size) { return std::string(text, strnlen(text, size)); }

void add_name_entry(X509_NAME *name, const char *key, const std::string &value) {
    if (value.empty()) return;
    X509_NAME_add_entry_by_txt(name, key, MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(value.c_str()), -1, -1, 0);
}

void fill_subject(X509_NAME *name, const SslParams &params) {
    add_name_entry(name, "C", field(params.country, sizeof params.country));
    add_name_entry(name, "ST", field(params.province, sizeof params.province));
    add_name_entry(name, "L", field(params.region, sizeof params.region));
    add_name_entry(name, "O", field(params.organization, sizeof params.organization));
    add_name_entry(name, "OU", field(params.company, sizeof params.company));
    std::string common_name = field(params.common_name, sizeof params.common_name);
    add_name_entry(name, "CN", common_name.empty() ? "NVR" : common_name);
    add_name_entry(name, "emailAddress", field(params.email, sizeof params.email));
}

// A private file (0600) in a private folder (0700), written by the PEM writer.
bool write_private_pem(const std::string &device_dir, const char *name, bool (*write)(FILE *, void *), void *object) {
    std::string dir = device_file(device_dir);
    make_parent_dirs(dir);
    mkdir(dir.c_str(), 0700);
    int fd = open((dir + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    fchmod(fd, 0600);
    FILE *file = fdopen(fd, "w");
    if (!file) {
        close(fd);
        return false;
    }
    bool ok = write(file, object);
    return fclose(file) == 0 && ok;
}

bool write_key(FILE *file, void *key) {
    return PEM_write_PrivateKey(file, static_cast<EVP_PKEY *>(key), nullptr, nullptr, 0, nullptr, nullptr) == 1;
}
bool write_certificate(FILE *file, void *certificate) { return PEM_write_X509(file, static_cast<X509 *>(certificate)) == 1; }
bool write_request(FILE *file, void *request) { return PEM_write_X509_REQ(file, static_cast<X509_REQ *>(request)) == 1; }

bool make_self_signed(const SslParams &params, EVP_PKEY *key) {
    X509 *certificate = X509_new();
    if (!certificate) return false;
    int days = params.validity > 0 ? params.validity : kDefaultValidityDays;
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), static_cast<long>(time(nullptr)));
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), static_cast<long>(days) * 86400);
    fill_subject(X509_get_subject_name(certificate), params);
    X509_set_issuer_name(certificate, X509_get_subject_name(certificate));
    bool ok = X509_set_pubkey(certificate, key) == 1 && X509_sign(certificate, key, EVP_sha256()) > 0 &&
              write_private_pem(SSL_DIR, "ssl_key.pem", write_key, key) &&
              write_private_pem(SSL_DIR, SSL_CERT_FILE, write_certificate, certificate);
    X509_free(certificate);
    return ok;
}

bool make_signing_request(const SslParams &params, EVP_PKEY *key) {
    X509_REQ *request = X509_REQ_new();
    if (!request) return false;
    fill_subject(X509_REQ_get_subject_name(request), params);
    bool ok = X509_REQ_set_pubkey(request, key) == 1 && X509_REQ_sign(request, key, EVP_sha256()) > 0 &&
              write_private_pem(SSL_REQUEST_DIR, "ssl_req_key.pem", write_key, key) &&
              write_private_pem(SSL_REQUEST_DIR, SSL_REQUEST_FILE, write_request, request);
    X509_REQ_free(request);
    return ok;
}

// 3316: a self-signed certificate (install type 0) or a signing request, with a new key, written
// beneath the device root.
SimScript create_certificate(const SimRequest &request, SimState &) {
    SslParams params;
    memset(&params, 0, sizeof params);
    if (!request.payload.empty())
        memcpy(&params, request.payload.data(), request.payload.size() < sizeof params ? request.payload.size() : sizeof params);
    EVP_PKEY *key = EVP_EC_gen("P-256");
    bool ok = key && (params.install_type == 0 ? make_self_signed(params, key) : make_signing_request(params, key));
    EVP_PKEY_free(key);
    return sim_one_reply(sim_words({ok ? 0 : -1}));
}

const CannedEntry kNetworkCanned[] = {
    {1701, applied},            // set time
    {1724, applied},            // default route
    {1729, applied},            // multicast
    {2302, applied},            // P2P unbind
    {3005, ip_conflict},        // address in use?
    {3006, ip_conflict},        // address in use on an interface?
    {3309, ddns_status},        // DDNS status
    {3316, create_certificate}, // certificate or signing request
    {3318, install_certificate},
    {3409, test_mail},
    {3700, p2p_on},
    {3701, applied},            // P2P off
    {3702, p2p_status},
};
NVR_SIM_CANNED(kNetworkCanned)

}  // namespace
