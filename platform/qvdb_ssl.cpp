// Database table of the HTTPS certificate parameters, read together with the certificate and
// signing-request files they describe.
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "core/qvdb_network.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "platform/qvdb_internal.h"

namespace {

constexpr int kSslKinds = 3;

struct SslRow {
    int32_t kind;
    SslParams params;
};

#define SSL_FIELD(member, column) QVDB_FIELD(SslRow, params.member, column)
const QvdbField kSslFields[] = {
    QVDB_FIELD(SslRow, kind, "kind"),
    SSL_FIELD(install_type, "install_type"),
    SSL_FIELD(country, "country"),
    SSL_FIELD(common_name, "common_name"),
    SSL_FIELD(validity, "validity"),
    SSL_FIELD(password, "password"),
    SSL_FIELD(province, "province"),
    SSL_FIELD(region, "region"),
    SSL_FIELD(organization, "organization"),
    SSL_FIELD(company, "company"),
    SSL_FIELD(email, "email"),
    SSL_FIELD(dates, "dates"),
    SSL_FIELD(start_time, "start_time"),
    SSL_FIELD(end_time, "end_time"),
};
#undef SSL_FIELD
const QvdbShape kSslShape = qvdb_record_shape(kQvdbSettings, sizeof(SslRow), QVDB_FIELDS(kSslFields), "kind",
                                              kSslKinds, 0);
QVDB_TABLE(kSslTable, "ssl_params", kSslShape);

void subject_text(X509_NAME *name, int nid, char *field, int size) {
    char text[256];
    if (name && X509_NAME_get_text_by_NID(name, nid, text, sizeof text) >= 0) copy_text_field(field, static_cast<size_t>(size), text);
    else field[0] = '\0';
}

void take_subject(X509_NAME *name, SslParams *record) {
    subject_text(name, NID_countryName, record->country, sizeof record->country);
    subject_text(name, NID_commonName, record->common_name, sizeof record->common_name);
    subject_text(name, NID_pkcs9_emailAddress, record->email, sizeof record->email);
}

bool time_text(const ASN1_TIME *time, char *out, size_t size) {
    struct tm moment;
    memset(&moment, 0, sizeof moment);
    return time && ASN1_TIME_to_tm(time, &moment) == 1 && strftime(out, size, "%Y-%m-%d %H:%M:%S", &moment) > 0;
}

// The installed certificate's subject and validity; false when it cannot be read.
bool read_certificate_file(SslParams *record) {
    FILE *file = fopen(nvr_path(SSL_DIR "/" SSL_CERT_FILE).c_str(), "r");
    if (!file) return false;
    X509 *certificate = PEM_read_X509(file, nullptr, nullptr, nullptr);
    fclose(file);
    if (!certificate) return false;
    take_subject(X509_get_subject_name(certificate), record);
    char from[32], to[32];
    if (time_text(X509_get0_notBefore(certificate), from, sizeof from) &&
        time_text(X509_get0_notAfter(certificate), to, sizeof to))
        snprintf(record->dates, sizeof record->dates, "%s - %s", from, to);
    X509_free(certificate);
    return true;
}

// The signing request's subject; false when it cannot be read.
bool read_request_file(SslParams *record) {
    FILE *file = fopen(nvr_path(SSL_REQUEST_DIR "/" SSL_REQUEST_FILE).c_str(), "r");
    if (!file) return false;
    X509_REQ *request = PEM_read_X509_REQ(file, nullptr, nullptr, nullptr);
    fclose(file);
    if (!request) return false;
    take_subject(X509_REQ_get_subject_name(request), record);
    X509_REQ_free(request);
    return true;
}

}  // namespace

int read_ssl_params(const char *db, SslParams *record, int kind) {
    if (!record || kind < 0 || kind >= kSslKinds) return -1;
    SslRow row;
    memset(&row, 0, sizeof row);
    bool found = qvdb_read_record(db, kSslTable, &row, kind) == 0;
    if (found) *record = row.params;
    if (kind == kSslInstalledCertificate) found = read_certificate_file(record) || found;
    if (kind == kSslSigningRequest) found = read_request_file(record) || found;
    return found ? 0 : -1;
}

int write_ssl_params(const char *db, const SslParams *record, int kind) {
    if (!record || kind < 0 || kind >= kSslKinds) return -1;
    SslRow row;
    memset(&row, 0, sizeof row);
    row.kind = kind;
    row.params = *record;
    return qvdb_write_record(db, kSslTable, &row);
}
