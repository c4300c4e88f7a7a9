// Fuzz target: the query-string and body readers (through the entry's own reader functions, to
// a capturing route) and the URL and Base64 codings of request texts. Each argument is checked
// against what the reader must pass on.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "frame/cgi_env.h"
#include "frame/dispatchreq.h"
#include "fuzz/fuzz_support.h"
#include "platform/qvcrypt.h"
#include "platform/qvstd.h"

namespace {

std::string g_argument;
int g_calls = 0;

int capture_argument(const char *arg) {
    g_argument = arg;
    g_calls++;
    return 0;
}

const WebRes kCaptureRoute[] = {{"/fz", capture_argument}};

std::string replaced_quotes(std::string text) {
    for (size_t at = text.find("%22"); at != std::string::npos; at = text.find("%22", at + 1)) text.replace(at, 3, "\"");
    return text;
}

// The body as the reader passes it: at most 30719 characters and 128 lines.
std::string expected_body(const std::string &body) {
    std::string cut = body.substr(0, 30719);
    size_t at = 0;
    for (int line = 0; line < 128; line++) {
        at = cut.find('\n', at);
        if (at == std::string::npos) return cut;
        at++;
    }
    return cut.substr(0, at);
}

void check_query_reader(const std::string &query) {
    cgiQueryString = query.c_str();
    FuzzRequestScope request(nullptr, 0);
    cgiDealGet();
    if (g_calls != 1) fuzz_fail("query reader dispatched %d times", g_calls);
    std::string expected = replaced_quotes(std::string(query.c_str()).substr(0, 1023));
    if (g_argument != expected) fuzz_fail("query reader passed [%s] for [%s]", g_argument.c_str(), query.c_str());
}

void check_body_reader(const std::string &body) {
    FuzzRequestScope request(body.data(), body.size());
    cgiDealPost();
    if (g_calls != 1) fuzz_fail("body reader dispatched %d times", g_calls);
    if (g_argument.size() > 30719) fuzz_fail("body reader passed %zu characters", g_argument.size());
    // Line reads stop taking a line at its first NUL byte; only bodies without one compare whole.
    if (memchr(body.data(), '\0', body.size()) == nullptr && g_argument != expected_body(body))
        fuzz_fail("body reader passed %zu characters of a %zu-character body", g_argument.size(), body.size());
}

void check_url_coding(FuzzedDataProvider &input) {
    int size = input.ConsumeIntegralInRange(1, 4096);
    std::string text = input.ConsumeRemainingBytesAsString();
    text.resize(strlen(text.c_str()));
    std::vector<char> encoded(static_cast<size_t>(size)), decoded(static_cast<size_t>(size));
    int length = get_url_encode(text.c_str(), encoded.data(), size);
    if (length >= 0) {
        if (length >= size || strlen(encoded.data()) != static_cast<size_t>(length))
            fuzz_fail("URL encoding of %zu characters claims %d in %d bytes", text.size(), length, size);
        int back = get_url_decode(encoded.data(), decoded.data(), size);
        if (back != static_cast<int>(text.size()) || text != decoded.data())
            fuzz_fail("URL coding does not round-trip [%s]", text.c_str());
    }
    length = get_url_decode(text.c_str(), decoded.data(), size);
    if (length >= size || (length >= 0 && strlen(decoded.data()) != static_cast<size_t>(length)))
        fuzz_fail("URL decoding claims %d characters in %d bytes", length, size);
}

void check_base64(FuzzedDataProvider &input) {
    int size = input.ConsumeIntegralInRange(1, 4096);
    bool url_safe_too = input.ConsumeBool();
    std::string bytes = input.ConsumeRemainingBytesAsString();
    std::vector<unsigned char> out(static_cast<size_t>(size));
    int length = qv_base64_decode_ex(bytes.data(), static_cast<int>(bytes.size()), out.data(), size, url_safe_too);
    if (length > size) fuzz_fail("Base64 decoding claims %d bytes in %d", length, size);

    std::vector<char> text(static_cast<size_t>(size));
    length = base64EncodeUrl(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<int>(bytes.size()),
                             text.data(), size);
    if (length < 0) return;
    if (length >= size || strlen(text.data()) != static_cast<size_t>(length))
        fuzz_fail("URL-safe Base64 of %zu bytes claims %d characters in %d bytes", bytes.size(), length, size);
    std::vector<unsigned char> back(bytes.size() + 1);
    int decoded = base64DecodeUrl(text.data(), back.data(), static_cast<int>(back.size()));
    if (decoded != static_cast<int>(bytes.size()) || memcmp(back.data(), bytes.data(), bytes.size()) != 0)
        fuzz_fail("URL-safe Base64 does not round-trip %zu bytes", bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    WebResRegister(kCaptureRoute, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    g_argument.clear();
    g_calls = 0;
    cgiPathInfo = "/fz";
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
            check_query_reader(input.ConsumeRemainingBytesAsString());
            break;
        case 1:
            check_body_reader(input.ConsumeRemainingBytesAsString());
            break;
        case 2:
            check_url_coding(input);
            break;
        default:
            check_base64(input);
            break;
    }
    cgiPathInfo = cgiQueryString = cgiEmptyString;
    return 0;
}
