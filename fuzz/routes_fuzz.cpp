// Fuzz target: the request dispatch of every registered route. The input picks the route (from
// the module registry, so routes added later are fuzzed too) and how the request arrives (query
// string, body, or an uploaded file), gives its argument, query, cookie and client address, and
// the rest of it is what the daemon answers to each request the route makes.
//
// Input (fuzz/route_seed.h): one byte for the arrival, five texts with 2-byte little-endian lengths
// (path, argument, query, cookie, client address), then the daemon's tape (fuzz_support.h). A
// path that names no route picks one by its bytes, so that an input keeps its route when
// routes are added; the route tests write such inputs when NVR_FUZZ_SEEDS names a folder.
#include <stdint.h>
#include <string.h>

#include <fstream>
#include <string>
#include <vector>

#include "frame/cgi_env.h"
#include "frame/dispatchreq.h"
#include "frame/multipart.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/module_dispatchers.h"
#include "fuzz/route_seed.h"

namespace {

std::vector<std::string> g_paths;

// The production interface answers once for each option of its argument, one after the other.
const char *const kOneAnswerPerOption[] = {"/vb.htm"};

bool answers_once(const std::string &path) {
    for (const char *route : kOneAnswerPerOption)
        if (path == route) return false;
    return true;
}

void collect_routes() {
    for (int i = 0; i < nvr_module_count(); i++) {
        const RouteModule *module = nvr_module_at(i);
        if (!module_reply_dispatcher(module->name))
            fuzz_fail("module %s has no reply dispatcher in fuzz/module_dispatchers.cpp", module->name);
        for (int r = 0; r < module->count; r++) g_paths.push_back(module->routes[r].path);
    }
    if (g_paths.empty()) fuzz_fail("no routes are registered");
}

const std::string &route_of(const std::string &text) {
    uint32_t hash = 2166136261u;
    for (const std::string &path : g_paths)
        if (path == text) return path;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return g_paths[hash % g_paths.size()];
}

std::string text_field(ByteTape &input) { return input.take(input.u16()); }

// An upload reaches its route as the uploaded file's path, with " & " and the query's text
// when there is one, as the upload reader passes it.
std::string upload_argument(const std::string &content, const std::string &query) {
    std::ofstream(fuzz_device_root() + "/tmp/upload.bin", std::ios::binary) << content;
    return query.empty() ? "/tmp/upload.bin" : "/tmp/upload.bin & " + query;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    fuzz_daemon_start();
    collect_routes();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ByteTape input(data, size);
    int arrival = input.byte() % kSeedArrivals;
    const std::string &path = route_of(text_field(input));
    std::string argument = text_field(input);
    // The web server passes texts without NUL bytes in the environment.
    std::string query = text_field(input).c_str();
    std::string cookie = text_field(input).c_str();
    std::string address = text_field(input).c_str();
    std::string replies = input.take(input.left());
    fuzz_daemon_set_tape(reinterpret_cast<const uint8_t *>(replies.data()), replies.size());

    cgiPathInfo = path.c_str();
    cgiQueryString = query.c_str();
    cgiCookie = cookie.c_str();
    cgiRemoteAddr = address.c_str();
    std::string upload = arrival == kSeedUpload ? upload_argument(argument, query) : "";
    {
        FuzzRequestScope request(argument.data(), arrival == kSeedBody ? argument.size() : 0);
        if (arrival == kSeedQueryString) {
            std::string text = argument.c_str();
            cgiQueryString = text.c_str();
            cgiContentLength = static_cast<int>(text.size());
            cgiDealGet();
        } else if (arrival == kSeedBody) {
            cgiContentLength = static_cast<int>(argument.size());
            cgiDealPost();
        } else {
            DispatchWebReq(path.c_str(), upload.c_str());
        }
        if (answers_once(path)) request.check_single_answer();
    }
    cgiReleaseForm();
    cgiPathInfo = cgiQueryString = cgiCookie = cgiRemoteAddr = cgiEmptyString;
    fuzz_clear_device_dir("/tmp");
    fuzz_clear_device_dir("/dev/shm");
    return 0;
}
