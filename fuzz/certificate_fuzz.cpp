// Fuzz target: the certificate reader. Each input is read as a PEM certificate and request and as
// a DER certificate and request. A field read from DER must be bytes of the input, and a time
// that converts must be a real moment.
#include <stdint.h>
#include <string.h>
#include <time.h>

#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/der_certificate.h"

namespace {

// The value's bytes, when there are any, lie within the input.
void check_within(const std::string &value, const uint8_t *data, size_t size, const char *what) {
    if (!value.empty() && !memmem(data, size, value.data(), value.size()))
        fuzz_fail("%s of %zu bytes is not part of the input", what, value.size());
}

void check_time(const DerTime &time) {
    struct tm moment;
    if (!der_time_to_tm(time, &moment)) return;
    if (moment.tm_year < -1900 || moment.tm_year > 9999 - 1900 || moment.tm_mon < 0 || moment.tm_mon > 11 ||
        moment.tm_mday < 1 || moment.tm_mday > 31 || moment.tm_hour < 0 || moment.tm_hour > 23 || moment.tm_min < 0 ||
        moment.tm_min > 59 || moment.tm_sec < 0 || moment.tm_sec > 59)
        fuzz_fail("time [%s] became %d-%d-%d %d:%d:%d", time.text.c_str(), moment.tm_year, moment.tm_mon,
                  moment.tm_mday, moment.tm_hour, moment.tm_min, moment.tm_sec);
}

void check_facts(const CertificateFacts &facts, const uint8_t *data, size_t size) {
    const CertificateSubject &s = facts.subject;
    for (const auto *field : {&s.country, &s.province, &s.locality, &s.organization, &s.unit, &s.common_name, &s.email})
        if (*field) check_within(**field, data, size, "a subject field");
    check_within(facts.not_before.text, data, size, "a time");
    check_within(facts.not_after.text, data, size, "a time");
    check_time(facts.not_before);
    check_time(facts.not_after);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CertificateFacts facts;
    if (read_der_certificate(data, size, &facts)) check_facts(facts, data, size);
    if (read_der_request(data, size, &facts)) check_facts(facts, data, size);
    const char *text = reinterpret_cast<const char *>(data);
    if (read_pem_certificate(text, size, &facts)) {
        check_time(facts.not_before);
        check_time(facts.not_after);
    }
    read_pem_request(text, size, &facts);
    return 0;
}
