// Fuzz target: the multipart parser with uploads, the form-access functions over what it parsed
// and the upload reader, inside a temporary device root. The upload paths' handlers are replaced
// by one that captures the argument. After the release step no temporary file may be left.
#include <dirent.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "frame/cgi_env.h"
#include "frame/dispatchreq.h"
#include "frame/multipart.h"
#include "fuzz/fuzz_support.h"

namespace {

// The upload reader's three kinds of path: special, temporary-file, moved file.
const char *const kUploadPaths[] = {"/6082", "/2079", "/1010", "/1019", "/oem", "/fz"};

std::string g_argument;
int g_calls = 0;

int capture_argument(const char *arg) {
    g_argument = arg;
    g_calls++;
    return 0;
}

void capture_upload_paths() {
    static std::vector<WebRes> added;
    for (const char *path : kUploadPaths) {
        if (WebRes *existing = FindWebRes(path)) {
            existing->handler = capture_argument;
            continue;
        }
        WebRes route = {};
        strncpy(route.path, path, sizeof route.path - 1);
        route.handler = capture_argument;
        added.push_back(route);
    }
    if (!added.empty()) WebResRegister(added.data(), static_cast<int>(added.size()));
}

// Temporaries ("/tmp/cgicXXXXXX") still in "/tmp", other than the file an upload was moved to.
std::vector<std::string> temporaries_left(const std::string &moved_to) {
    std::vector<std::string> names;
    if (DIR *dir = opendir((fuzz_device_root() + "/tmp").c_str())) {
        while (struct dirent *entry = readdir(dir))
            if (strncmp(entry->d_name, "cgic", 4) == 0 && "/tmp/" + std::string(entry->d_name) != moved_to)
                names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

// Every form-access function over every parsed entry, with small and large output buffers.
void read_entries(int size) {
    std::vector<char> out(static_cast<size_t>(size));
    for (FormEntry *entry = cgiFormEntryList; entry; entry = entry->next) {
        const char *name = entry->name;
        int number = 0, index = 0, needed = 0, file_size = 0, flags[2] = {}, invalid = 0;
        double real = 0;
        static const char *choices[] = {"a", "1"};
        cgiFormString(name, out.data(), size);
        if (strlen(out.data()) >= static_cast<size_t>(size)) fuzz_fail("form string overran %d bytes", size);
        cgiFormStringNoNewlines(name, out.data(), size);
        cgiFormStringSpaceNeeded(name, &needed);
        cgiFormIntegerBounded(name, &number, -5, 5, 0);
        if (number < -5 || number > 5) fuzz_fail("bounded integer %d outside -5..5", number);
        cgiFormDoubleBounded(name, &real, -1.5, 1.5, 0);
        cgiFormSelectSingle(name, choices, 2, &index, 0);
        cgiFormCheckboxMultiple(name, choices, 2, flags, &invalid);
        cgiFormFileName(name, out.data(), size);
        cgiFormFileContentType(name, out.data(), size);
        char **values = nullptr;
        if (cgiFormStringMultiple(name, &values) == cgiFormSuccess) cgiStringArrayFree(values);
        if (cgiFormFileSize(name, &file_size) != cgiFormSuccess) continue;
        cgiFilePtr file = nullptr;
        if (cgiFormFileOpen(name, &file) != cgiFormSuccess) continue;
        long total = 0;
        int got = 0;
        while (cgiFormFileRead(file, out.data(), size, &got) == cgiFormSuccess) total += got;
        cgiFormFileClose(file);
        if (cgiFindFormEntry(name) == entry && total != file_size)
            fuzz_fail("file entry of %d bytes read back as %ld", file_size, total);
    }
    char **names = nullptr;
    if (cgiFormEntries(&names) == cgiFormSuccess) cgiStringArrayFree(names);
}

void check_upload_argument(const char *path) {
    if (g_calls > 1) fuzz_fail("upload reader dispatched %d times", g_calls);
    if (g_calls == 0) return;
    if (g_argument.size() > 1087) fuzz_fail("upload argument of %zu characters", g_argument.size());
    if (strcmp(path, "/fz") != 0) return;
    // A moved file lands in "/tmp" under a bare name.
    std::string name = g_argument.substr(0, g_argument.find(" & "));
    if (name.compare(0, 5, "/tmp/") != 0 || name.find('/', 5) != std::string::npos || name == "/tmp/." ||
        name == "/tmp/..")
        fuzz_fail("upload moved to [%s]", name.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    capture_upload_paths();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const char *path = kUploadPaths[input.ConsumeIntegralInRange<size_t>(0, sizeof kUploadPaths / sizeof *kUploadPaths - 1)];
    int buffer_size = input.ConsumeIntegralInRange(1, 300);
    int length_change = input.ConsumeIntegralInRange(-64, 64);
    std::string boundary = input.ConsumeRandomLengthString(80);
    std::string query = input.ConsumeRandomLengthString(400);
    std::string body = input.ConsumeRemainingBytesAsString();
    boundary.resize(strlen(boundary.c_str()));
    query.resize(strlen(query.c_str()));

    g_argument.clear();
    g_calls = 0;
    cgiPathInfo = path;
    cgiQueryString = query.c_str();
    cgiMultipartBoundary = boundary.c_str();
    // CONTENT_LENGTH may claim fewer or more bytes than the body has.
    long claimed = static_cast<long>(body.size()) + length_change;
    cgiContentLength = claimed < 0 ? 0 : static_cast<int>(claimed);
    {
        FuzzRequestScope request(body.data(), body.size());
        int parsed = cgiParseMultipart();
        if (parsed == cgiParseSuccess) {
            read_entries(buffer_size);
            cgiDealUpload();
            check_upload_argument(path);
        }
        cgiReleaseForm();
    }
    std::vector<std::string> left = temporaries_left(g_argument.substr(0, g_argument.find(" & ")));
    if (!left.empty()) fuzz_fail("temporary file %s left after the release", left[0].c_str());
    cgiPathInfo = cgiQueryString = cgiMultipartBoundary = cgiEmptyString;
    fuzz_clear_device_dir("/tmp");
    return 0;
}
