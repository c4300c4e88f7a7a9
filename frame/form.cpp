// Form-entry access, cookies, header writers, escapes and the request capture file.
#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "frame/cgi_env.h"
#include "frame/multipart.h"
#include "platform/devroot.h"

namespace {

// Copies text into out (size bytes), 1 when it had to be cut.
int copy_cut(const char *text, char *out, int size) {
    if (size <= 0) return cgiFormTruncated;
    size_t length = strlen(text);
    int result = cgiFormSuccess;
    if (length > static_cast<size_t>(size - 1)) {
        length = static_cast<size_t>(size - 1);
        result = cgiFormTruncated;
    }
    memcpy(out, text, length);
    out[length] = '\0';
    return result;
}

// Line breaks: a run becomes as many '\n' as the larger of its '\n' and '\r' counts, or none.
std::string normalize_newlines(const char *value, bool keep) {
    std::string out;
    for (const char *p = value; *p;) {
        if (*p != '\r' && *p != '\n') {
            out.push_back(*p++);
            continue;
        }
        int cr = 0, lf = 0;
        for (; *p == '\r' || *p == '\n'; p++) (*p == '\r' ? cr : lf)++;
        if (keep) out.append(static_cast<size_t>(cr > lf ? cr : lf), '\n');
    }
    return out;
}

int form_string(const char *name, char *out, int size, bool keep_newlines) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) {
        if (size > 0) out[0] = '\0';
        return cgiFormNotFound;
    }
    int result = copy_cut(normalize_newlines(e->value, keep_newlines).c_str(), out, size);
    if (result == cgiFormSuccess && out[0] == '\0') return cgiFormEmpty;
    return result;
}

// Text of an entry after leading " \n\r\t", classified for number conversion.
int number_text(const char *name, const char *&start, bool allow_dot) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) return cgiFormNotFound;
    start = e->value + strspn(e->value, " \n\r\t");
    if (!*start) return cgiFormEmpty;
    if (isdigit(static_cast<unsigned char>(*start)) || *start == '+' || *start == '-' || (allow_dot && *start == '.'))
        return cgiFormSuccess;
    return cgiFormBadType;
}

int select_single(const char *name, const char **choices, int count, int *index, int default_index) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) {
        *index = default_index;
        return cgiFormNotFound;
    }
    for (int i = 0; i < count; i++) {
        if (strcmp(choices[i], e->value) == 0) {
            *index = i;
            return cgiFormSuccess;
        }
    }
    *index = default_index;
    return cgiFormNoSuchChoice;
}

int select_multiple(const char *name, const char **choices, int count, int *flags, int *invalid) {
    int hits = 0, misses = 0;
    for (int i = 0; i < count; i++) flags[i] = 0;
    for (FormEntry *e = cgiFormEntryList; e; e = e->next) {
        if (strcmp(e->name, name) != 0) continue;
        bool matched = false;
        for (int i = 0; i < count; i++) {
            if (strcmp(choices[i], e->value) == 0) {
                flags[i] = 1;
                matched = true;
            }
        }
        matched ? hits++ : misses++;
    }
    if (invalid) *invalid = misses;
    return hits ? cgiFormSuccess : cgiFormNotFound;
}

char **string_array(const std::vector<std::string> &items) {
    char **array = static_cast<char **>(calloc(items.size() + 1, sizeof(char *)));
    if (!array) return nullptr;
    for (size_t i = 0; i < items.size(); i++) {
        array[i] = strdup(items[i].c_str());
        if (!array[i]) {
            cgiStringArrayFree(array);
            return nullptr;
        }
    }
    return array;
}

// The value of a cookie pair "name=value" (pairs separated by ';' and white space).
const char *find_cookie(const char *name, size_t &length) {
    size_t name_length = strlen(name);
    for (const char *p = cgiCookie; *p;) {
        while (*p == ';' || isspace(static_cast<unsigned char>(*p))) p++;
        const char *end = strchr(p, ';');
        if (!end) end = p + strlen(p);
        if (static_cast<size_t>(end - p) > name_length && strncmp(p, name, name_length) == 0 && p[name_length] == '=') {
            length = static_cast<size_t>(end - p) - name_length - 1;
            return p + name_length + 1;
        }
        p = end;
    }
    return nullptr;
}

int escape_write(const char *text, int length, bool html) {
    for (int i = 0; i < length; i++) {
        int rc;
        char c = text[i];
        if (html && c == '<') rc = fputs("&lt;", cgiOut);
        else if (html && c == '>') rc = fputs("&gt;", cgiOut);
        else if (html && c == '&') rc = fputs("&amp;", cgiOut);
        else if (!html && c == '"') rc = fputs("&#34;", cgiOut);
        else rc = putc(c, cgiOut);
        if (rc == EOF) return cgiFormIO;
    }
    return cgiFormSuccess;
}

// Capture file: "CGIC2.0", then strings as a 32-bit length and bytes.
bool write_string(FILE *f, const char *text, int32_t length) {
    return fwrite(&length, 4, 1, f) == 1 && (length == 0 || fwrite(text, 1, static_cast<size_t>(length), f) == static_cast<size_t>(length));
}

bool read_string(FILE *f, char **out, int32_t *length_out) {
    int32_t length;
    if (fread(&length, 4, 1, f) != 1 || length < 0 || length > (64 << 20)) return false;
    char *text = static_cast<char *>(malloc(static_cast<size_t>(length) + 1));
    if (!text) return false;
    if (length && fread(text, 1, static_cast<size_t>(length), f) != static_cast<size_t>(length)) {
        free(text);
        return false;
    }
    text[length] = '\0';
    *out = text;
    if (length_out) *length_out = length;
    return true;
}

const char **const kCapturedGlobals[] = {
    &cgiServerSoftware, &cgiServerName, &cgiGatewayInterface, &cgiServerProtocol, &cgiServerPort,
    &cgiRequestMethod, &cgiPathInfo, &cgiPathTranslated, &cgiScriptName, &cgiQueryString,
    &cgiRemoteHost, &cgiRemoteAddr, &cgiAuthType, &cgiRemoteUser, &cgiRemoteIdent,
    &cgiServerAddr, &cgiAccept, &cgiUserAgent, &cgiReferrer, &cgiCookie, &cgiMultipartBoundary,
};

const char kCaptureMagic[] = "CGIC2.0";

}  // namespace

int cgiFormString(const char *name, char *out, int size) { return form_string(name, out, size, true); }

int cgiFormStringNoNewlines(const char *name, char *out, int size) { return form_string(name, out, size, false); }

int cgiFormStringSpaceNeeded(const char *name, int *length) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) {
        *length = 1;
        return cgiFormNotFound;
    }
    *length = static_cast<int>(strlen(e->value)) + 1;
    return cgiFormSuccess;
}

int cgiFormStringMultiple(const char *name, char ***array) {
    std::vector<std::string> values;
    for (FormEntry *e = cgiFormEntryList; e; e = e->next)
        if (strcmp(e->name, name) == 0) values.push_back(e->value);
    *array = string_array(values);
    if (!*array) return cgiFormMemory;
    return values.empty() ? cgiFormNotFound : cgiFormSuccess;
}

int cgiFormInteger(const char *name, int *out, int default_value) {
    const char *start = nullptr;
    int result = number_text(name, start, false);
    *out = result == cgiFormSuccess ? static_cast<int>(strtol(start, nullptr, 10)) : default_value;
    return result;
}

int cgiFormIntegerBounded(const char *name, int *out, int min, int max, int default_value) {
    int result = cgiFormInteger(name, out, default_value);
    if (result != cgiFormSuccess) return result;
    if (*out < min) *out = min;
    else if (*out > max) *out = max;
    else return cgiFormSuccess;
    return cgiFormConstrained;
}

int cgiFormDouble(const char *name, double *out, double default_value) {
    const char *start = nullptr;
    int result = number_text(name, start, true);
    *out = result == cgiFormSuccess ? strtod(start, nullptr) : default_value;
    return result;
}

int cgiFormDoubleBounded(const char *name, double *out, double min, double max, double default_value) {
    int result = cgiFormDouble(name, out, default_value);
    if (result != cgiFormSuccess) return result;
    if (*out < min) *out = min;
    else if (*out > max) *out = max;
    else return cgiFormSuccess;
    return cgiFormConstrained;
}

int cgiFormSelectSingle(const char *name, const char **choices, int count, int *index, int default_index) {
    return select_single(name, choices, count, index, default_index);
}

int cgiFormRadio(const char *name, const char **choices, int count, int *index, int default_index) {
    return select_single(name, choices, count, index, default_index);
}

int cgiFormSelectMultiple(const char *name, const char **choices, int count, int *flags, int *invalid) {
    return select_multiple(name, choices, count, flags, invalid);
}

int cgiFormCheckboxMultiple(const char *name, const char **choices, int count, int *flags, int *invalid) {
    return select_multiple(name, choices, count, flags, invalid);
}

int cgiFormCheckboxSingle(const char *name) { return cgiFindFormEntry(name) ? cgiFormSuccess : cgiFormNotFound; }

int cgiFormFileName(const char *name, char *out, int size) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) {
        if (size > 0) out[0] = '\0';
        return cgiFormNotFound;
    }
    int result = copy_cut(e->fileName, out, size);
    if (result == cgiFormSuccess && !e->fileName[0]) return cgiFormNoFileName;
    return result;
}

int cgiFormFileContentType(const char *name, char *out, int size) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) {
        if (size > 0) out[0] = '\0';
        return cgiFormNotFound;
    }
    int result = copy_cut(e->contentType, out, size);
    if (result == cgiFormSuccess && !e->contentType[0]) return cgiFormNoContentType;
    return result;
}

int cgiFormFileSize(const char *name, int *size) {
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) return cgiFormNotFound;
    if (!e->tempFileName[0]) return cgiFormNotAFile;
    if (size) *size = e->valueLength;
    return cgiFormSuccess;
}

int cgiFormFileOpen(const char *name, cgiFilePtr *handle) {
    *handle = nullptr;
    FormEntry *e = cgiFindFormEntry(name);
    if (!e) return cgiFormNotFound;
    if (!e->tempFileName[0]) return cgiFormNotAFile;
    cgiFilePtr file = static_cast<cgiFilePtr>(malloc(sizeof(cgiFile)));
    if (!file) return cgiFormMemory;
    file->in = fopen(nvr_path(e->tempFileName).c_str(), "rb");
    if (!file->in) {
        free(file);
        return cgiFormIO;
    }
    *handle = file;
    return cgiFormSuccess;
}

int cgiFormFileRead(cgiFilePtr handle, char *buffer, int length, int *got) {
    if (!handle) return cgiFormOpenFailed;
    size_t n = fread(buffer, 1, length > 0 ? static_cast<size_t>(length) : 0, handle->in);
    *got = static_cast<int>(n);
    return n == 0 ? cgiFormEOF : cgiFormSuccess;
}

int cgiFormFileClose(cgiFilePtr handle) {
    if (!handle) return cgiFormOpenFailed;
    fclose(handle->in);
    free(handle);
    return cgiFormSuccess;
}

int cgiFormEntries(char ***array) {
    std::vector<std::string> names;
    for (FormEntry *e = cgiFormEntryList; e; e = e->next) names.push_back(e->name);
    *array = string_array(names);
    return *array ? cgiFormSuccess : cgiFormMemory;
}

void cgiStringArrayFree(char **array) {
    if (!array) return;
    for (char **p = array; *p; p++) free(*p);
    free(array);
}

int cgiCookieString(const char *name, char *out, int size) {
    size_t length = 0;
    const char *value = find_cookie(name, length);
    if (!value) {
        if (size > 0) out[0] = '\0';
        return cgiFormNotFound;
    }
    return copy_cut(std::string(value, length).c_str(), out, size);
}

int cgiCookieInteger(const char *name, int *out, int default_value) {
    char text[256];
    if (cgiCookieString(name, text, sizeof text) == cgiFormNotFound) {
        *out = default_value;
        return cgiFormNotFound;
    }
    *out = static_cast<int>(strtol(text, nullptr, 10));
    return cgiFormSuccess;
}

int cgiCookies(char ***array) {
    std::vector<std::string> names;
    for (const char *p = cgiCookie; *p;) {
        while (*p == ';' || isspace(static_cast<unsigned char>(*p))) p++;
        const char *end = p + strcspn(p, ";");
        const char *eq = static_cast<const char *>(memchr(p, '=', static_cast<size_t>(end - p)));
        if (eq) names.emplace_back(p, static_cast<size_t>(eq - p));
        p = end;
    }
    *array = string_array(names);
    return *array ? cgiFormSuccess : cgiFormMemory;
}

void cgiHeaderCookieSetString(const char *name, const char *value, int seconds, const char *path, const char *domain) {
    static const char *const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    time_t expiry = time(nullptr) + seconds;
    struct tm gmt;
    gmtime_r(&expiry, &gmt);
    fprintf(cgiOut, "Set-Cookie: %s=%s; domain=%s; expires=%s, %02d-%s-%04d %02d:%02d:%02d GMT; path=%s\r\n", name,
            value, domain, kDays[gmt.tm_wday], gmt.tm_mday, kMonths[gmt.tm_mon], gmt.tm_year + 1900, gmt.tm_hour,
            gmt.tm_min, gmt.tm_sec, path);
}

void cgiHeaderCookieSetInteger(const char *name, int value, int seconds, const char *path, const char *domain) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    cgiHeaderCookieSetString(name, text, seconds, path, domain);
}

void cgiHeaderLocation(const char *target) { fprintf(cgiOut, "Location: %s\r\n\r\n", target); }

void cgiHeaderStatus(int code, const char *text) { fprintf(cgiOut, "Status: %d %s\r\n\r\n", code, text); }

void cgiHeaderContentType(const char *type) { fprintf(cgiOut, "Content-type: %s\r\n\r\n", type); }

int cgiHtmlEscapeData(const char *text, int length) { return escape_write(text, length, true); }

int cgiHtmlEscape(const char *text) { return escape_write(text, static_cast<int>(strlen(text)), true); }

int cgiValueEscapeData(const char *text, int length) { return escape_write(text, length, false); }

int cgiValueEscape(const char *text) { return escape_write(text, static_cast<int>(strlen(text)), false); }

int cgiWriteEnvironment(const char *path) {
    FILE *f = fopen(nvr_path(path).c_str(), "wb");
    if (!f) return cgiFormIO;
    bool ok = fwrite(kCaptureMagic, 1, strlen(kCaptureMagic), f) == strlen(kCaptureMagic);
    for (const char **global : kCapturedGlobals)
        ok = ok && write_string(f, *global, static_cast<int32_t>(strlen(*global)));
    ok = ok && write_string(f, cgiContentType, static_cast<int32_t>(strlen(cgiContentType)));
    ok = ok && fwrite(&cgiContentLength, 4, 1, f) == 1;
    for (FormEntry *e = cgiFormEntryList; ok && e; e = e->next) {
        ok = write_string(f, e->name, static_cast<int32_t>(strlen(e->name))) &&
             write_string(f, e->fileName, static_cast<int32_t>(strlen(e->fileName))) &&
             write_string(f, e->contentType, static_cast<int32_t>(strlen(e->contentType)));
        if (!ok) break;
        if (e->tempFileName[0]) {
            FILE *in = fopen(nvr_path(e->tempFileName).c_str(), "rb");
            std::string bytes;
            char chunk[4096];
            size_t n;
            while (in && (n = fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, n);
            if (in) fclose(in);
            int32_t is_file = 1;
            ok = fwrite(&is_file, 4, 1, f) == 1 && write_string(f, bytes.data(), static_cast<int32_t>(bytes.size()));
        } else {
            int32_t is_file = 0;
            ok = fwrite(&is_file, 4, 1, f) == 1 && write_string(f, e->value, e->valueLength);
        }
    }
    if (fclose(f) != 0) ok = false;
    return ok ? cgiFormSuccess : cgiFormIO;
}

int cgiReadEnvironment(const char *path) {
    FILE *f = fopen(nvr_path(path).c_str(), "rb");
    if (!f) return cgiFormOpenFailed;
    char magic[sizeof kCaptureMagic - 1];
    if (fread(magic, 1, sizeof magic, f) != sizeof magic || memcmp(magic, kCaptureMagic, sizeof magic) != 0) {
        fclose(f);
        return cgiFormIO;
    }
    cgiReleaseForm();
    cgiEnvRestored = 1;
    for (const char **global : kCapturedGlobals) *global = cgiEmptyString;
    bool ok = true;
    for (const char **global : kCapturedGlobals) {
        char *text = nullptr;
        if (!(ok = read_string(f, &text, nullptr))) break;
        *global = text;
    }
    char *content_type = nullptr;
    ok = ok && read_string(f, &content_type, nullptr);
    if (content_type) {
        strncpy(cgiContentTypeData, content_type, sizeof cgiContentTypeData - 1);
        cgiContentTypeData[sizeof cgiContentTypeData - 1] = '\0';
        free(content_type);
    }
    ok = ok && fread(&cgiContentLength, 4, 1, f) == 1;
    FormEntry **tail = &cgiFormEntryList;
    while (ok) {
        FormEntry *e = static_cast<FormEntry *>(calloc(1, sizeof(FormEntry)));
        int32_t is_file = 0, length = 0;
        char *bytes = nullptr;
        if (!e || !read_string(f, &e->name, nullptr)) {
            free(e);
            break;  // end of the entries
        }
        ok = read_string(f, &e->fileName, nullptr) && read_string(f, &e->contentType, nullptr) &&
             fread(&is_file, 4, 1, f) == 1 && read_string(f, &bytes, &length);
        e->valueLength = length;
        if (ok && is_file) {
            std::string pattern = nvr_path("/tmp/cgicXXXXXX");
            int fd = mkstemp(&pattern[0]);
            ok = fd >= 0 && write(fd, bytes, static_cast<size_t>(length)) == length;
            if (fd >= 0) close(fd);
            e->tempFileName = strdup(nvr_device_path(pattern.c_str()).c_str());
            e->value = strdup("");
            free(bytes);
        } else {
            e->tempFileName = strdup("");
            e->value = bytes ? bytes : strdup("");
        }
        if (!e->fileName) e->fileName = strdup("");
        if (!e->contentType) e->contentType = strdup("");
        *tail = e;
        tail = &e->next;
    }
    fclose(f);
    return ok ? cgiFormSuccess : cgiFormIO;
}

void cgiReleaseRestoredEnvironment() {
    for (const char **global : kCapturedGlobals) {
        if (*global != cgiEmptyString) free(const_cast<char *>(*global));
        *global = cgiEmptyString;
    }
}
