// Fuzz target: the cookie and header functions. Cookie lookups (the frame's and the operation
// log's user name), the entry's reading of CONTENT_TYPE and CONTENT_LENGTH, the letter-folding
// comparisons, and the header and escape writers, each checked against what it must produce.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/oplog.h"
#include "frame/cgi_env.h"
#include "frame/multipart.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string text_without_nul(FuzzedDataProvider &input, size_t max_length) {
    std::string text = input.ConsumeRandomLengthString(max_length);
    text.resize(strlen(text.c_str()));
    return text;
}

void check_cookies(FuzzedDataProvider &input) {
    std::string name = text_without_nul(input, 40);
    int size = input.ConsumeIntegralInRange(0, 300);
    std::string cookie = text_without_nul(input, 4096);
    cgiCookie = cookie.c_str();
    std::vector<char> out(static_cast<size_t>(size) + 1, 'x');
    for (const char *lookup : {name.c_str(), "userName", "sessionId"}) {
        int result = cgiCookieString(lookup, out.data(), size);
        if (size > 0 && memchr(out.data(), '\0', static_cast<size_t>(size)) == nullptr)
            fuzz_fail("cookie value of [%s] overran %d bytes", lookup, size);
        if (result != cgiFormNotFound && size > 0 && cookie.find(out.data()) == std::string::npos)
            fuzz_fail("cookie value [%s] is not in the cookie", out.data());
        int number = 0;
        cgiCookieInteger(lookup, &number, 7);
    }
    char **names = nullptr;
    if (cgiCookies(&names) == cgiFormSuccess) {
        for (char **p = names; *p; p++)
            if (cookie.find(*p) == std::string::npos) fuzz_fail("cookie name [%s] is not in the cookie", *p);
        cgiStringArrayFree(names);
    }
    char user[64 + 16];
    memset(user, 'x', sizeof user);
    get_current_username(user);
    if (memchr(user, '\0', 64) == nullptr) fuzz_fail("user name overran its 64 bytes");
    cgiCookie = cgiEmptyString;
}

void check_environment(FuzzedDataProvider &input) {
    std::string content_type = text_without_nul(input, 2048);
    std::string content_length = text_without_nul(input, 40);
    std::string method = text_without_nul(input, 10);
    setenv("CONTENT_TYPE", content_type.c_str(), 1);
    setenv("CONTENT_LENGTH", content_length.c_str(), 1);
    setenv("REQUEST_METHOD", method.c_str(), 1);
    cgiInitEnvironment();
    size_t type_length = strnlen(cgiContentTypeData, sizeof cgiContentTypeData);
    if (type_length >= sizeof cgiContentTypeData) fuzz_fail("content type not terminated in its buffer");
    if (cgiContentType != cgiContentTypeData || strchr(cgiContentType, ';'))
        fuzz_fail("media type [%s] keeps a parameter", cgiContentType);
    if (cgiMultipartBoundary != cgiEmptyString) {
        if (cgiMultipartBoundary <= cgiContentTypeData || cgiMultipartBoundary >= cgiContentTypeData + sizeof cgiContentTypeData)
            fuzz_fail("boundary points outside the content-type buffer");
        for (const char *p = cgiMultipartBoundary; *p; p++)
            if (strchr(" \t\n\v\f\r", *p)) fuzz_fail("boundary [%s] holds white space", cgiMultipartBoundary);
    }
    if (cgiContentLength < 0) fuzz_fail("content length %d from [%s]", cgiContentLength, content_length.c_str());
    if (!cgiStrEqNoCase(method.c_str(), method.c_str()) || !cgiStrBeginsNoCase(content_type.c_str(), ""))
        fuzz_fail("a text differs from itself");
    std::string head = content_type.substr(0, content_type.size() / 2);
    if (!cgiStrBeginsNoCase(content_type.c_str(), head.c_str())) fuzz_fail("[%s] does not begin with its own half", content_type.c_str());
    unsetenv("CONTENT_TYPE");
    unsetenv("CONTENT_LENGTH");
    unsetenv("REQUEST_METHOD");
}

// The text with each escaped character replaced by its entity.
std::string escaped(const std::string &text, bool html) {
    std::string out;
    for (char c : text) {
        if (html && c == '<') out += "&lt;";
        else if (html && c == '>') out += "&gt;";
        else if (html && c == '&') out += "&amp;";
        else if (!html && c == '"') out += "&#34;";
        else out += c;
    }
    return out;
}

void check_writers(FuzzedDataProvider &input) {
    int seconds = input.ConsumeIntegral<int>();
    int number = input.ConsumeIntegral<int>();
    std::string name = text_without_nul(input, 64), value = text_without_nul(input, 256);
    std::string path = text_without_nul(input, 64), domain = text_without_nul(input, 64);
    std::string text = input.ConsumeRemainingBytesAsString();
    for (bool html : {true, false}) {
        FuzzRequestScope output(nullptr, 0);
        int result = html ? cgiHtmlEscapeData(text.data(), static_cast<int>(text.size()))
                          : cgiValueEscapeData(text.data(), static_cast<int>(text.size()));
        std::string written = output.output();
        if (result != 0 || written != escaped(text, html)) fuzz_fail("escape of %zu bytes is wrong", text.size());
    }
    FuzzRequestScope output(nullptr, 0);
    cgiHeaderCookieSetString(name.c_str(), value.c_str(), seconds, path.c_str(), domain.c_str());
    cgiHeaderCookieSetInteger(name.c_str(), number, seconds, path.c_str(), domain.c_str());
    std::string written = output.output();
    std::string start = "Set-Cookie: " + name + "=" + value + "; domain=" + domain + "; expires=";
    if (written.compare(0, start.size(), start) != 0) fuzz_fail("cookie line [%s]", written.c_str());
    size_t gmt = written.find(" GMT; path=" + path + "\r\n", start.size());
    if (gmt == std::string::npos || gmt - start.size() != strlen("Sun, 01-Jan-2000 00:00:00"))
        fuzz_fail("cookie expiry of %d seconds written as [%s]", seconds, written.c_str());
    cgiHeaderLocation(path.c_str());
    cgiHeaderStatus(number, value.c_str());
    cgiHeaderContentType(value.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            check_cookies(input);
            break;
        case 1:
            check_environment(input);
            break;
        default:
            check_writers(input);
            break;
    }
    return 0;
}
