// Process-wide request globals copied from the CGI environment, and the request entry.
#include "frame/cgi_env.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "frame/dispatchreq.h"
#include "frame/multipart.h"

const char cgiEmptyString[] = "";

const char *cgiServerSoftware = cgiEmptyString;
const char *cgiServerName = cgiEmptyString;
const char *cgiGatewayInterface = cgiEmptyString;
const char *cgiServerProtocol = cgiEmptyString;
const char *cgiServerPort = cgiEmptyString;
const char *cgiRequestMethod = cgiEmptyString;
const char *cgiPathInfo = cgiEmptyString;
const char *cgiPathTranslated = cgiEmptyString;
const char *cgiScriptName = cgiEmptyString;
const char *cgiQueryString = cgiEmptyString;
const char *cgiRemoteHost = cgiEmptyString;
const char *cgiRemoteAddr = cgiEmptyString;
const char *cgiAuthType = cgiEmptyString;
const char *cgiRemoteUser = cgiEmptyString;
const char *cgiRemoteIdent = cgiEmptyString;
const char *cgiServerAddr = cgiEmptyString;
const char *cgiAccept = cgiEmptyString;
const char *cgiUserAgent = cgiEmptyString;
const char *cgiReferrer = cgiEmptyString;
const char *cgiCookie = cgiEmptyString;

char cgiContentTypeData[1024];
const char *cgiContentType = cgiContentTypeData;
const char *cgiMultipartBoundary = cgiEmptyString;
int cgiContentLength = 0;

FILE *cgiIn = nullptr;
FILE *cgiOut = nullptr;

FormEntry *cgiFormEntryList = nullptr;
int cgiEnvRestored = 0;

namespace {

const char *env_or_empty(const char *name) {
    const char *value = getenv(name);
    return value ? value : cgiEmptyString;
}

struct EnvBinding {
    const char *variable;
    const char **global;
};

const EnvBinding kEnvBindings[] = {
    {"SERVER_SOFTWARE", &cgiServerSoftware}, {"SERVER_NAME", &cgiServerName},
    {"GATEWAY_INTERFACE", &cgiGatewayInterface}, {"SERVER_PROTOCOL", &cgiServerProtocol},
    {"SERVER_PORT", &cgiServerPort}, {"REQUEST_METHOD", &cgiRequestMethod},
    {"PATH_INFO", &cgiPathInfo}, {"PATH_TRANSLATED", &cgiPathTranslated},
    {"SCRIPT_NAME", &cgiScriptName}, {"QUERY_STRING", &cgiQueryString},
    {"REMOTE_HOST", &cgiRemoteHost}, {"REMOTE_ADDR", &cgiRemoteAddr},
    {"AUTH_TYPE", &cgiAuthType}, {"REMOTE_USER", &cgiRemoteUser},
    {"REMOTE_IDENT", &cgiRemoteIdent}, {"HTTP_HOST", &cgiServerAddr},
    {"HTTP_ACCEPT", &cgiAccept}, {"HTTP_USER_AGENT", &cgiUserAgent},
    {"HTTP_REFERER", &cgiReferrer}, {"HTTP_COOKIE", &cgiCookie},
};

bool chars_equal_folded(char from_a, char from_b) {
    unsigned char a = static_cast<unsigned char>(from_a), b = static_cast<unsigned char>(from_b);
    if (isalpha(a)) return tolower(a) == tolower(b);
    return a == b;
}

// Cuts the media type at ';' and finds a "boundary=" parameter in what follows.
void split_content_type() {
    cgiMultipartBoundary = cgiEmptyString;
    char *p = strchr(cgiContentTypeData, ';');
    while (p) {
        *p++ = '\0';
        while (*p && isspace(static_cast<unsigned char>(*p))) p++;
        if (!*p) return;
        if (cgiStrBeginsNoCase(p, "boundary=")) {
            char *value = p + strlen("boundary=");
            cgiMultipartBoundary = value;
            while (*value && !isspace(static_cast<unsigned char>(*value))) value++;
            *value = '\0';
            return;
        }
        p = strchr(p, ';');
    }
}

}  // namespace

int cgiStrEqNoCase(const char *a, const char *b) {
    for (; *a && *b; a++, b++)
        if (!chars_equal_folded(*a, *b)) return 0;
    return *a == '\0' && *b == '\0';
}

int cgiStrBeginsNoCase(const char *a, const char *prefix) {
    for (; *prefix; a++, prefix++) {
        if (!*a) return 0;
        if (!chars_equal_folded(*a, *prefix)) return 0;
    }
    return 1;
}

void cgiInitEnvironment() {
    for (const EnvBinding &binding : kEnvBindings) *binding.global = env_or_empty(binding.variable);

    const char *content_type = env_or_empty("CONTENT_TYPE");
    strncpy(cgiContentTypeData, content_type, sizeof cgiContentTypeData - 1);
    cgiContentTypeData[sizeof cgiContentTypeData - 1] = '\0';
    cgiContentType = cgiContentTypeData;
    split_content_type();

    // A negative or non-numeric length counts as 0.
    long length = strtol(env_or_empty("CONTENT_LENGTH"), nullptr, 10);
    cgiContentLength = (length > 0 && length <= 0x7fffffff) ? static_cast<int>(length) : 0;

    cgiIn = stdin;
    cgiOut = stdout;
    cgiFormEntryList = nullptr;
    cgiEnvRestored = 0;
}

int cgiMain() {
    cgiInitEnvironment();
    int status = 0;
    if (cgiStrEqNoCase(cgiRequestMethod, "post")) {
        if (cgiStrEqNoCase(cgiContentType, "application/x-www-form-urlencoded") ||
            cgiStrEqNoCase(cgiContentType, "application/json")) {
            cgiDealPost();
        } else if (cgiStrEqNoCase(cgiContentType, "multipart/form-data")) {
            if (strcmp(cgiPathInfo, "/1010") == 0) {
                cgiDealUpload();  // the firmware route reads its own body
            } else if (cgiParseMultipart() != 0) {
                status = -1;
            } else {
                cgiDealUpload();
            }
        }
    } else if (cgiStrEqNoCase(cgiRequestMethod, "get")) {
        cgiContentLength = static_cast<int>(strlen(cgiQueryString));
        cgiDealGet();
    }
    cgiReleaseForm();
    return status;
}
