// Multipart body parser with its put-back stream, form release and the upload reader.
#include "frame/multipart.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/web_utils.h"
#include "frame/cgi_env.h"
#include "frame/dispatchreq.h"
#include "platform/devroot.h"

namespace {

constexpr int kRingSize = 1024;
constexpr size_t kHeaderTextMax = 1023;

// Body input with a put-back ring: bytes put back are read again before new input, and
// never more than CONTENT_LENGTH bytes are taken from standard input.
struct MultipartStream {
    unsigned char ring[kRingSize];
    int read_pos = 0;
    int buffered = 0;
    int consumed = 0;

    int get() {
        if (buffered > 0) {
            unsigned char c = ring[read_pos];
            read_pos = (read_pos + 1) % kRingSize;
            buffered--;
            return c;
        }
        if (consumed >= cgiContentLength) return EOF;
        int c = getc(cgiIn);
        if (c != EOF) consumed++;
        return c;
    }

    // Puts bytes back in front of what is still to be read, keeping their order.
    bool put_back(const unsigned char *bytes, int count) {
        if (buffered + count > kRingSize) return false;
        for (int i = count - 1; i >= 0; i--) {
            read_pos = (read_pos + kRingSize - 1) % kRingSize;
            ring[read_pos] = bytes[i];
        }
        buffered += count;
        return true;
    }
};

// Where body bytes go while looking for a boundary.
struct BodySink {
    FILE *file = nullptr;
    char *memory = nullptr;
    size_t length = 0;
    size_t capacity = 0;
    bool discard = false;

    bool put(unsigned char c) {
        if (discard) return true;
        length++;
        if (file) return putc(c, file) != EOF;
        if (length + 1 > capacity) {
            size_t grown = capacity ? capacity * 2 : 256;
            char *bigger = static_cast<char *>(realloc(memory, grown));
            if (!bigger) return false;
            memory = bigger;
            capacity = grown;
        }
        memory[length - 1] = static_cast<char>(c);
        memory[length] = '\0';
        return true;
    }
};

enum ReadResult { kFound = 0, kMemory = cgiParseMemory, kIO = cgiParseIO, kEnd = 3 };

// Reads until the pattern, sending what comes before it to the sink. Byte by byte: after a
// partial match the first matched byte is body and the rest is scanned again.
ReadResult read_until(MultipartStream &in, const std::string &pattern, BodySink &sink) {
    size_t matched = 0;
    for (;;) {
        int c = in.get();
        if (c == EOF) return kEnd;
        if (static_cast<unsigned char>(pattern[matched]) == c) {
            if (++matched == pattern.size()) return kFound;
            continue;
        }
        if (matched == 0) {
            if (!sink.put(static_cast<unsigned char>(c))) return sink.file ? kIO : kMemory;
            continue;
        }
        if (!sink.put(static_cast<unsigned char>(pattern[0]))) return sink.file ? kIO : kMemory;
        unsigned char mismatch = static_cast<unsigned char>(c);
        if (!in.put_back(&mismatch, 1) ||
            !in.put_back(reinterpret_cast<const unsigned char *>(pattern.data()) + 1, static_cast<int>(matched - 1)))
            return kIO;
        matched = 0;
    }
}

// After a boundary: "--" is put back (it closes the body), a line break is dropped.
void after_boundary(MultipartStream &in) {
    unsigned char two[2];
    int got = 0;
    for (; got < 2; got++) {
        int c = in.get();
        if (c == EOF) break;
        two[got] = static_cast<unsigned char>(c);
    }
    if (got == 2 && two[0] == '-' && two[1] == '-') in.put_back(two, 2);
}

// One header line: name up to ':' (white space dropped), value after it with white space after
// each ':' skipped and further ':' dropped. False at end of input with nothing read.
bool read_header_line(MultipartStream &in, std::string &name, std::string &value) {
    name.clear();
    value.clear();
    bool in_value = false, skipping_space = false, any = false;
    for (;;) {
        int c = in.get();
        if (c == EOF) return any;
        any = true;
        if (c == '\n') return true;
        if (c == '\r') {
            int next = in.get();
            if (next != EOF && next != '\n') {
                unsigned char back = static_cast<unsigned char>(next);
                in.put_back(&back, 1);
            }
            return true;
        }
        if (!in_value) {
            if (c == ':' && !name.empty()) {
                in_value = true;
                skipping_space = true;
            } else if (c != ':' && !isspace(c) && name.size() < kHeaderTextMax) {
                name.push_back(static_cast<char>(c));
            }
            continue;
        }
        if (c == ':') {
            skipping_space = true;
            continue;
        }
        if (skipping_space && isspace(c)) continue;
        skipping_space = false;
        if (value.size() < kHeaderTextMax) value.push_back(static_cast<char>(c));
    }
}

// First token of a header value: up to ';' or a quoted string. Advances past it.
std::string header_token(const char *&p) {
    std::string token;
    while (*p && isspace(static_cast<unsigned char>(*p))) p++;
    if (*p == '"') {
        p++;
        while (*p && *p != '"') token.push_back(*p++);
        if (*p == '"') p++;
    } else {
        while (*p && *p != ';') token.push_back(*p++);
        while (!token.empty() && isspace(static_cast<unsigned char>(token.back()))) token.pop_back();
    }
    if (token.size() > kHeaderTextMax) token.resize(kHeaderTextMax);
    return token;
}

struct PartHeaders {
    std::string disposition, name, file_name, content_type;
};

void parse_disposition(const std::string &value, PartHeaders &part) {
    const char *p = value.c_str();
    part.disposition = header_token(p);
    while (*p) {
        if (*p != ';') {
            p++;
            continue;
        }
        p++;
        while (*p && isspace(static_cast<unsigned char>(*p))) p++;
        std::string param;
        while (*p && *p != '=' && *p != ';' && !isspace(static_cast<unsigned char>(*p))) param.push_back(*p++);
        while (*p && isspace(static_cast<unsigned char>(*p))) p++;
        if (*p != '=') continue;
        p++;
        std::string param_value = header_token(p);
        if (cgiStrEqNoCase(param.c_str(), "name")) part.name = param_value;
        else if (cgiStrEqNoCase(param.c_str(), "filename")) part.file_name = param_value;
    }
}

// Reads a part's header lines until an empty name or value, or the end of input.
void read_part_headers(MultipartStream &in, PartHeaders &part) {
    std::string name, value;
    while (read_header_line(in, name, value)) {
        if (name.empty() || value.empty()) break;
        if (cgiStrEqNoCase(name.c_str(), "Content-Disposition")) {
            parse_disposition(value, part);
        } else if (cgiStrEqNoCase(name.c_str(), "Content-Type")) {
            const char *p = value.c_str();
            part.content_type = header_token(p);
        }
    }
}

char *dup_text(const std::string &text) { return strdup(text.c_str()); }

void free_entry(FormEntry *entry) {
    if (!entry) return;
    free(entry->name);
    free(entry->value);
    free(entry->fileName);
    free(entry->contentType);
    free(entry->tempFileName);
    free(entry);
}

void remove_temp_file(const char *device_path) {
    if (device_path && *device_path) unlink(nvr_path(device_path).c_str());
}

// Creates a private temporary file for an uploaded part; returns its device path in `device_path`.
FILE *create_temp_file(std::string &device_path) {
    std::string pattern = nvr_path("/tmp/cgicXXXXXX");
    int fd = mkstemp(&pattern[0]);
    if (fd < 0) return nullptr;
    fchmod(fd, 0600);
    FILE *file = fdopen(fd, "w+b");
    if (!file) {
        close(fd);
        unlink(pattern.c_str());
        return nullptr;
    }
    device_path = nvr_device_path(pattern.c_str());
    return file;
}

// Parses one part's body into a new entry appended at *tail.
int parse_part(MultipartStream &in, const std::string &boundary, const PartHeaders &part, FormEntry **&tail) {
    BodySink sink;
    std::string temp_path;
    if (!part.file_name.empty()) {
        sink.file = create_temp_file(temp_path);
        if (!sink.file) return cgiParseIO;
    }
    ReadResult result = read_until(in, boundary, sink);
    if (result != kFound) {
        if (sink.file) fclose(sink.file);
        remove_temp_file(temp_path.c_str());
        free(sink.memory);
        return result == kMemory ? cgiParseMemory : cgiParseIO;
    }
    after_boundary(in);
    if (sink.file) fclose(sink.file);

    FormEntry *entry = static_cast<FormEntry *>(calloc(1, sizeof(FormEntry)));
    if (entry) {
        entry->name = dup_text(part.name);
        entry->value = sink.memory ? sink.memory : strdup("");
        sink.memory = nullptr;
        entry->valueLength = static_cast<int>(sink.length);
        entry->fileName = dup_text(part.file_name);
        entry->contentType = dup_text(part.content_type);
        entry->tempFileName = dup_text(temp_path);
    }
    if (!entry || !entry->name || !entry->value || !entry->fileName || !entry->contentType || !entry->tempFileName) {
        free_entry(entry);
        free(sink.memory);
        remove_temp_file(temp_path.c_str());
        return cgiParseMemory;
    }
    *tail = entry;
    tail = &entry->next;
    return cgiParseSuccess;
}

bool is_special_upload_path(const char *path) {
    return strcmp(path, "/1010") == 0 || strcmp(path, "/6082") == 0 || strcmp(path, "/2079") == 0;
}

// The text after "param:" in the query, up to '&' or the end, at most 255 characters.
std::string query_param_text() {
    const char *param = strstr(cgiQueryString, "param:");
    if (!param) return std::string();
    param += strlen("param:");
    size_t length = strcspn(param, "&");
    if (length > 255) length = 255;
    return std::string(param, length);
}

}  // namespace

FormEntry *cgiFindFormEntry(const char *name) {
    for (FormEntry *e = cgiFormEntryList; e; e = e->next)
        if (strcmp(e->name, name) == 0) return e;
    return nullptr;
}

int cgiParseMultipart() {
    if (cgiContentLength == 0) return cgiParseSuccess;
    MultipartStream in;
    const std::string boundary = std::string("--") + cgiMultipartBoundary;
    const std::string body_boundary = "\r\n" + boundary;

    BodySink discard;
    discard.discard = true;
    ReadResult first = read_until(in, boundary, discard);
    if (first == kEnd) return cgiParseSuccess;
    if (first != kFound) return first;
    after_boundary(in);

    FormEntry **tail = &cgiFormEntryList;
    while (*tail) tail = &(*tail)->next;
    for (;;) {
        unsigned char two[2];
        int got = 0;
        for (; got < 2; got++) {
            int c = in.get();
            if (c == EOF) break;
            two[got] = static_cast<unsigned char>(c);
        }
        if (got < 2 || (two[0] == '-' && two[1] == '-')) return cgiParseSuccess;
        in.put_back(two, 2);

        PartHeaders part;
        read_part_headers(in, part);
        if (!cgiStrEqNoCase(part.disposition.c_str(), "form-data")) continue;
        int result = parse_part(in, body_boundary, part, tail);
        if (result != cgiParseSuccess) return result;
    }
}

void cgiReleaseForm() {
    FormEntry *entry = cgiFormEntryList;
    while (entry) {
        FormEntry *next = entry->next;
        remove_temp_file(entry->tempFileName);
        free_entry(entry);
        entry = next;
    }
    cgiFormEntryList = nullptr;
    if (cgiEnvRestored) cgiReleaseRestoredEnvironment();
    cgiEnvRestored = 0;
}

int cgiDealUpload() {
    char path[128];
    strncpy(path, cgiPathInfo, sizeof path - 1);
    path[sizeof path - 1] = '\0';
    if (!path[0]) return -1;

    std::string argument;
    if (is_special_upload_path(path)) {
        argument = std::string("temp & ") + cgiQueryString;
    } else {
        char browser_name[128];
        if (cgiFormFileName("file", browser_name, sizeof browser_name) != cgiFormSuccess) return -1;
        const char *base = browser_name;
        for (const char *p = browser_name; *p; p++)
            if (*p == '/' || *p == '\\') base = p + 1;
        FormEntry *file = cgiFindFormEntry("file");
        if (!file) return -1;
        if (strcmp(path, "/1019") == 0 || strcmp(path, "/oem") == 0) {
            argument = std::string(file->tempFileName) + " & " + cgiQueryString;
        } else {
            // The browser's name is data: a bare name moved by rename, never through a shell.
            if (!*base || strcmp(base, ".") == 0 || strcmp(base, "..") == 0) return -1;
            std::string target = std::string("/tmp/") + base;
            // A failed move is left for the handler, which then finds no file.
            nvr_move_file(nvr_path(file->tempFileName).c_str(), nvr_path(target.c_str()).c_str());
            argument = target;
            std::string param = query_param_text();
            if (strstr(cgiQueryString, "param:")) argument += " & " + param;
        }
    }
    if (argument.size() > 1087) argument.resize(1087);
    return DispatchWebReq(path, argument.c_str());
}
