// Database table of the HTTPS certificate parameters, read together with the certificate and
// signing-request files they describe.
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <string>

#include "core/qvdb_network.h"
#include "core/web_utils.h"
#include "platform/der_certificate.h"
#include "platform/devroot.h"
#include "platform/qvdb_internal.h"

namespace {

constexpr int kSslKinds = 3;
// Certificates and requests are a few KiB; a PEM block beyond this much of the file is not looked for.
constexpr size_t kMaxPemFile = 256 * 1024;

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

// The beginning of a device file, at most kMaxPemFile bytes; false when it cannot be read.
bool read_pem_file(const char *device_path, std::string *text) {
    FILE *file = fopen(nvr_path(device_path).c_str(), "rb");
    if (!file) return false;
    text->resize(kMaxPemFile);
    text->resize(fread(&(*text)[0], 1, text->size(), file));
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

void subject_text(const std::optional<std::string> &value, char *field, size_t size) {
    copy_text_field(field, size, value ? value->c_str() : "");  // up to a NUL within the value
}

void take_subject(const CertificateSubject &subject, SslParams *record) {
    subject_text(subject.country, record->country, sizeof record->country);
    subject_text(subject.common_name, record->common_name, sizeof record->common_name);
    subject_text(subject.email, record->email, sizeof record->email);
}

bool time_text(const DerTime &time, char *out, size_t size) {
    struct tm moment;
    return der_time_to_tm(time, &moment) && strftime(out, size, "%Y-%m-%d %H:%M:%S", &moment) > 0;
}

// The installed certificate's subject and validity; false when it cannot be read.
bool read_certificate_file(SslParams *record) {
    std::string text;
    CertificateFacts certificate;
    if (!read_pem_file(SSL_DIR "/" SSL_CERT_FILE, &text) || !read_pem_certificate(text.data(), text.size(), &certificate))
        return false;
    take_subject(certificate.subject, record);
    char from[32], to[32];
    if (time_text(certificate.not_before, from, sizeof from) && time_text(certificate.not_after, to, sizeof to))
        snprintf(record->dates, sizeof record->dates, "%s - %s", from, to);
    return true;
}

// The signing request's subject; false when it cannot be read.
bool read_request_file(SslParams *record) {
    std::string text;
    CertificateFacts request;
    if (!read_pem_file(SSL_REQUEST_DIR "/" SSL_REQUEST_FILE, &text) || !read_pem_request(text.data(), text.size(), &request))
        return false;
    take_subject(request.subject, record);
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
