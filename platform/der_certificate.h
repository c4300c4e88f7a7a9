// The subject and validity of a PEM certificate or certificate request, read by a small DER
// reader that checks every length against what encloses it and never recurses.
#ifndef NVR_PLATFORM_DER_CERTIFICATE_H
#define NVR_PLATFORM_DER_CERTIFICATE_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include <optional>
#include <string>

// A time as the certificate holds it: UTCTime or GeneralizedTime and its text.
struct DerTime {
    uint8_t tag = 0;
    std::string text;
};

// The subject's fields the pages show, each the bytes of its first occurrence (any string type,
// unconverted); absent fields are empty.
struct CertificateSubject {
    std::optional<std::string> country, province, locality, organization, unit, common_name, email;
};

struct CertificateFacts {
    CertificateSubject subject;
    DerTime not_before, not_after;  // certificates only
};

// The first PEM block labelled "CERTIFICATE" (or "X509 CERTIFICATE") in text, read as an X.509
// certificate. False when there is none or it is not a well-formed certificate.
bool read_pem_certificate(const char *text, size_t length, CertificateFacts *facts);

// The same for the first "CERTIFICATE REQUEST" (or "NEW CERTIFICATE REQUEST"), a PKCS#10 request.
bool read_pem_request(const char *text, size_t length, CertificateFacts *facts);

// The same for DER encodings, without the PEM armour.
bool read_der_certificate(const uint8_t *der, size_t length, CertificateFacts *facts);
bool read_der_request(const uint8_t *der, size_t length, CertificateFacts *facts);

// The moment in UTC (an offset such as "+0130" taken off; two-digit years 50-99 are 19xx, the
// others 20xx). Fills year, month, day, hour, minute and second; false for a malformed or
// impossible time, or one outside the years 0 to 9999.
bool der_time_to_tm(const DerTime &time, struct tm *moment);

#endif
