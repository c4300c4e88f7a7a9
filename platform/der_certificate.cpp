// The subject and validity of a PEM certificate or certificate request, read by a small DER
// reader that checks every length against what encloses it and never recurses: the structure
// of a certificate is followed level by level, so the nesting it accepts is fixed.
#include "platform/der_certificate.h"

#include <string.h>

#include <vector>

#include "platform/qvstd.h"

namespace {

// ---- DER -------------------------------------------------------------------------------------

constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kBitString = 0x03;
constexpr uint8_t kOctetString = 0x04;
constexpr uint8_t kBoolean = 0x01;
constexpr uint8_t kObjectId = 0x06;
constexpr uint8_t kUtcTime = 0x17;
constexpr uint8_t kGeneralizedTime = 0x18;
constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kSet = 0x31;
constexpr uint8_t kContextClass = 0x80;
constexpr uint8_t kConstructed = 0x20;
constexpr uint8_t kHighTagNumber = 0x1f;

constexpr uint8_t context_tag(int number) { return static_cast<uint8_t>(kContextClass | kConstructed | number); }

struct DerElement {
    uint8_t tag = 0;
    const uint8_t *content = nullptr;
    size_t length = 0;
};

// The elements of one level, one after another. Definite lengths only, of at most four bytes,
// and tags of one byte; a length beyond the enclosing element stops the reader for good.
class DerReader {
  public:
    DerReader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    explicit DerReader(const DerElement &element) : data_(element.content), size_(element.length) {}

    // The next element; false at the end of the level or at a malformed one.
    bool next(DerElement *element) {
        if (failed_ || at_end()) return false;
        if (!read_header(element)) {
            failed_ = true;
            return false;
        }
        return true;
    }

    // The next element, which must carry this tag.
    bool expect(uint8_t tag, DerElement *element) {
        if (next(element) && element->tag == tag) return true;
        failed_ = true;
        return false;
    }

    // The next element when it carries this tag; false (reading nothing) when it does not.
    bool next_if(uint8_t tag, DerElement *element) { return !failed_ && !at_end() && data_[used_] == tag && next(element); }

    // True when the whole level was read without a fault.
    bool finished() const { return !failed_ && at_end(); }

  private:
    bool at_end() const { return used_ == size_; }
    bool read_header(DerElement *element) {
        size_t left = size_ - used_;
        const uint8_t *p = data_ + used_;
        if (left < 2 || (p[0] & kHighTagNumber) == kHighTagNumber) return false;
        size_t header = 2;
        uint64_t length = p[1];
        if (length & 0x80) {
            size_t count = length & 0x7f;  // 0 would be the indefinite form, which DER forbids
            if (count == 0 || count > 4 || left - 2 < count) return false;
            length = 0;
            for (size_t i = 0; i < count; i++) length = length << 8 | p[2 + i];
            header += count;
        }
        if (length > left - header) return false;
        element->tag = p[0];
        element->content = p + header;
        element->length = static_cast<size_t>(length);
        used_ += header + element->length;
        return true;
    }

    const uint8_t *data_;
    size_t size_;
    size_t used_ = 0;
    bool failed_ = false;
};

bool is_time_tag(uint8_t tag) { return tag == kUtcTime || tag == kGeneralizedTime; }

// ---- Names -----------------------------------------------------------------------------------

struct SubjectAttribute {
    const char *oid;  // the encoded object identifier
    size_t oid_length;
    std::optional<std::string> CertificateSubject::*field;
};

#define OID(bytes) bytes, sizeof(bytes) - 1
const SubjectAttribute kSubjectAttributes[] = {
    {OID("\x55\x04\x06"), &CertificateSubject::country},                   // 2.5.4.6
    {OID("\x55\x04\x08"), &CertificateSubject::province},                  // 2.5.4.8
    {OID("\x55\x04\x07"), &CertificateSubject::locality},                  // 2.5.4.7
    {OID("\x55\x04\x0a"), &CertificateSubject::organization},              // 2.5.4.10
    {OID("\x55\x04\x0b"), &CertificateSubject::unit},                      // 2.5.4.11
    {OID("\x55\x04\x03"), &CertificateSubject::common_name},               // 2.5.4.3
    {OID("\x2a\x86\x48\x86\xf7\x0d\x01\x09\x01"), &CertificateSubject::email},  // 1.2.840.113549.1.9.1
};
#undef OID

void take_attribute(const DerElement &type, const DerElement &value, CertificateSubject *subject) {
    for (const SubjectAttribute &attribute : kSubjectAttributes) {
        std::optional<std::string> &field = subject->*attribute.field;
        if (type.length == attribute.oid_length && memcmp(type.content, attribute.oid, type.length) == 0 && !field)
            field = std::string(reinterpret_cast<const char *>(value.content), value.length);
    }
}

// A Name: a SEQUENCE OF SET OF {type, value}. The subject's fields go to subject when given.
bool read_name(const DerElement &name, CertificateSubject *subject) {
    DerReader names(name);
    DerElement relative_name;
    while (names.next(&relative_name)) {
        if (relative_name.tag != kSet) return false;
        DerReader attributes(relative_name);
        DerElement attribute;
        while (attributes.next(&attribute)) {
            DerElement type, value;
            DerReader parts(attribute);
            if (attribute.tag != kSequence || !parts.expect(kObjectId, &type) || !parts.next(&value) || !parts.finished())
                return false;
            if (subject) take_attribute(type, value, subject);
        }
        if (!attributes.finished()) return false;
    }
    return names.finished();
}

// ---- Certificates and requests ---------------------------------------------------------------

// An AlgorithmIdentifier: {algorithm, optional parameters}.
bool read_algorithm(DerReader &reader) {
    DerElement algorithm, identifier, parameters;
    if (!reader.expect(kSequence, &algorithm)) return false;
    DerReader parts(algorithm);
    if (!parts.expect(kObjectId, &identifier)) return false;
    parts.next(&parameters);
    return parts.finished();
}

// A SubjectPublicKeyInfo: {algorithm, key bits}. The key itself is not looked at.
bool read_public_key(DerReader &reader) {
    DerElement key_info, key;
    if (!reader.expect(kSequence, &key_info)) return false;
    DerReader parts(key_info);
    return read_algorithm(parts) && parts.expect(kBitString, &key) && parts.finished();
}

// The [3] extensions of a certificate: a SEQUENCE OF {id, optional critical, value}.
bool read_extensions(const DerElement &explicit_tag) {
    DerReader outer(explicit_tag);
    DerElement list, extension;
    if (!outer.expect(kSequence, &list) || !outer.finished()) return false;
    DerReader extensions(list);
    while (extensions.next(&extension)) {
        DerElement id, critical, value;
        DerReader parts(extension);
        if (extension.tag != kSequence || !parts.expect(kObjectId, &id)) return false;
        parts.next_if(kBoolean, &critical);
        if (!parts.expect(kOctetString, &value) || !parts.finished()) return false;
    }
    return extensions.finished();
}

// The signed envelope of both kinds: {to-be-signed, algorithm, signature}; the first part's
// reader comes back.
bool open_signed(const uint8_t *der, size_t length, DerReader *signed_part) {
    DerReader whole(der, length);  // what follows the envelope is ignored, as PEM readers do
    DerElement envelope, to_be_signed, signature;
    if (!whole.expect(kSequence, &envelope)) return false;
    DerReader parts(envelope);
    if (!parts.expect(kSequence, &to_be_signed) || !read_algorithm(parts) || !parts.expect(kBitString, &signature) ||
        !parts.finished())
        return false;
    *signed_part = DerReader(to_be_signed);
    return true;
}

bool read_time(DerReader &reader, DerTime *time) {
    DerElement element;
    if (!reader.next(&element) || !is_time_tag(element.tag)) return false;
    time->tag = element.tag;
    time->text.assign(reinterpret_cast<const char *>(element.content), element.length);
    return true;
}

// ---- PEM -------------------------------------------------------------------------------------

// The text of one line without its line break and trailing blanks.
std::string trimmed_line(const char *line, size_t length) {
    while (length > 0 && strchr("\r\n \t", line[length - 1])) length--;
    return std::string(line, length);
}

// The bytes of the first PEM block whose label is one of labels: the Base64 lines between
// "-----BEGIN label-----" and the matching "-----END label-----". False when there is no such
// block, it does not end, or its body is not Base64.
bool pem_block(const char *text, size_t length, const char *const *labels, std::vector<uint8_t> *der) {
    const char *end = text + length;
    std::string label, body;
    bool inside = false;
    for (const char *line = text; line < end;) {
        const char *line_end = static_cast<const char *>(memchr(line, '\n', static_cast<size_t>(end - line)));
        line_end = line_end ? line_end + 1 : end;
        std::string content = trimmed_line(line, static_cast<size_t>(line_end - line));
        line = line_end;
        if (!inside) {
            for (const char *const *candidate = labels; *candidate && !inside; candidate++) {
                if (content == std::string("-----BEGIN ") + *candidate + "-----") {
                    label = *candidate;
                    inside = true;
                }
            }
        } else if (content.compare(0, 5, "-----") == 0) {
            if (content != "-----END " + label + "-----") return false;
            der->resize(body.size() * 3 / 4 + 3);
            int decoded = qv_base64_decode(body.data(), static_cast<int>(body.size()), der->data(),
                                           static_cast<int>(der->size()));
            if (decoded <= 0) return false;
            der->resize(static_cast<size_t>(decoded));
            return true;
        } else {
            body += content;
        }
    }
    return false;
}

const char *const kCertificateLabels[] = {"CERTIFICATE", "X509 CERTIFICATE", nullptr};
const char *const kRequestLabels[] = {"CERTIFICATE REQUEST", "NEW CERTIFICATE REQUEST", nullptr};

// ---- Times -----------------------------------------------------------------------------------

// count decimal digits at text[at]; false when one is not a digit.
bool digits(const std::string &text, size_t at, size_t count, int *value) {
    if (text.size() < at + count) return false;
    *value = 0;
    for (size_t i = at; i < at + count; i++) {
        if (text[i] < '0' || text[i] > '9') return false;
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

struct Moment {
    int year, month, day, hour, minute, second;
};

// Moves a valid moment by whole minutes, less than a day either way.
void shift_minutes(Moment *m, int minutes) {
    int of_day = m->hour * 60 + m->minute + minutes;
    if (of_day < 0) {
        of_day += 24 * 60;
        if (--m->day == 0) {
            if (--m->month == 0) {
                m->month = 12;
                m->year--;
            }
            m->day = days_in_month(m->year, m->month);
        }
    } else if (of_day >= 24 * 60) {
        of_day -= 24 * 60;
        if (++m->day > days_in_month(m->year, m->month)) {
            m->day = 1;
            if (++m->month > 12) {
                m->month = 1;
                m->year++;
            }
        }
    }
    m->hour = of_day / 60;
    m->minute = of_day % 60;
}

}  // namespace

bool read_der_certificate(const uint8_t *der, size_t length, CertificateFacts *facts) {
    // {[0] version, serial, algorithm, issuer, {not before, not after}, subject, public key,
    //  [1] issuer id, [2] subject id, [3] extensions}
    DerReader tbs(nullptr, 0);
    DerElement version, version_number, serial, issuer, validity, subject;
    if (!open_signed(der, length, &tbs)) return false;
    if (tbs.next_if(context_tag(0), &version)) {
        DerReader inner(version);
        if (!inner.expect(kInteger, &version_number) || !inner.finished()) return false;
    }
    CertificateFacts read;
    if (!tbs.expect(kInteger, &serial) || !read_algorithm(tbs) || !tbs.expect(kSequence, &issuer) ||
        !read_name(issuer, nullptr) || !tbs.expect(kSequence, &validity))
        return false;
    DerReader dates(validity);
    if (!read_time(dates, &read.not_before) || !read_time(dates, &read.not_after) || !dates.finished()) return false;
    if (!tbs.expect(kSequence, &subject) || !read_name(subject, &read.subject) || !read_public_key(tbs)) return false;
    DerElement optional;
    tbs.next_if(kContextClass | 1, &optional);
    tbs.next_if(kContextClass | 2, &optional);
    if (tbs.next_if(context_tag(3), &optional) && !read_extensions(optional)) return false;
    if (!tbs.finished()) return false;
    *facts = read;
    return true;
}

bool read_der_request(const uint8_t *der, size_t length, CertificateFacts *facts) {
    // {version, subject, public key, [0] attributes}
    DerReader info(nullptr, 0);
    DerElement version, subject, attributes;
    CertificateFacts read;
    if (!open_signed(der, length, &info) || !info.expect(kInteger, &version) || !info.expect(kSequence, &subject) ||
        !read_name(subject, &read.subject) || !read_public_key(info))
        return false;
    info.next_if(context_tag(0), &attributes);
    if (!info.finished()) return false;
    *facts = read;
    return true;
}

bool read_pem_certificate(const char *text, size_t length, CertificateFacts *facts) {
    std::vector<uint8_t> der;
    return text && pem_block(text, length, kCertificateLabels, &der) && read_der_certificate(der.data(), der.size(), facts);
}

bool read_pem_request(const char *text, size_t length, CertificateFacts *facts) {
    std::vector<uint8_t> der;
    return text && pem_block(text, length, kRequestLabels, &der) && read_der_request(der.data(), der.size(), facts);
}

bool der_time_to_tm(const DerTime &time, struct tm *moment) {
    // UTCTime YYMMDDHHMM[SS], GeneralizedTime YYYYMMDDHHMM[SS[.fraction]]; then Z or +HHMM / -HHMM.
    const std::string &text = time.text;
    Moment m = {0, 0, 0, 0, 0, 0};
    size_t at = 0;
    if (time.tag == kUtcTime) {
        if (!digits(text, 0, 2, &m.year)) return false;
        m.year += m.year < 50 ? 2000 : 1900;
        at = 2;
    } else if (time.tag == kGeneralizedTime) {
        if (!digits(text, 0, 4, &m.year)) return false;
        at = 4;
    } else {
        return false;
    }
    if (!digits(text, at, 2, &m.month) || !digits(text, at + 2, 2, &m.day) || !digits(text, at + 4, 2, &m.hour) ||
        !digits(text, at + 6, 2, &m.minute))
        return false;
    at += 8;
    if (digits(text, at, 2, &m.second)) {
        at += 2;
        if (time.tag == kGeneralizedTime && at < text.size() && text[at] == '.') {
            size_t first = ++at;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9') at++;
            if (at == first) return false;
        }
    }
    if (m.month < 1 || m.month > 12 || m.day < 1 || m.day > days_in_month(m.year, m.month) || m.hour > 23 ||
        m.minute > 59 || m.second > 59)
        return false;
    if (at < text.size() && text[at] == 'Z') {
        at++;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        int hours = 0, minutes = 0;
        if (!digits(text, at + 1, 2, &hours) || !digits(text, at + 3, 2, &minutes) || hours > 12 || minutes > 59)
            return false;
        // The text is local time at that offset from UTC.
        shift_minutes(&m, (text[at] == '+' ? -1 : 1) * (hours * 60 + minutes));
        at += 5;
    } else {
        return false;
    }
    if (at != text.size() || m.year < 0 || m.year > 9999) return false;
    memset(moment, 0, sizeof *moment);
    moment->tm_year = m.year - 1900;
    moment->tm_mon = m.month - 1;
    moment->tm_mday = m.day;
    moment->tm_hour = m.hour;
    moment->tm_min = m.minute;
    moment->tm_sec = m.second;
    return true;
}
