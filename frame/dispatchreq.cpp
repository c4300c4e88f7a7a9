// Route table, module registration and the query-string and body readers.
#include "frame/dispatchreq.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/response.h"
#include "frame/cgi_env.h"

namespace {

WebRes g_slots[kRouteSlots];
unsigned char g_in_use[kRouteSlots];
int g_live_count = 0;

constexpr int kMaxModules = 16;
const RouteModule *g_modules[kMaxModules];
int g_module_count = 0;

constexpr size_t kPathBufferSize = 128;
constexpr size_t kQueryBufferSize = 1024;
constexpr size_t kBodyBufferSize = 30720;
constexpr int kMaxBodyLineReads = 128;

// Copies PATH_INFO into a 128-byte buffer; false when it is empty.
bool copy_path_info(char (&path)[kPathBufferSize]) {
    strncpy(path, cgiPathInfo, sizeof path - 1);
    path[sizeof path - 1] = '\0';
    return path[0] != '\0';
}

// A path as one number: its bytes up to the NUL, the rest zero. Two paths are equal (as strcmp
// compares them within the field) exactly when their numbers are.
uint64_t path_key(const char *path) {
    unsigned char bytes[sizeof(WebRes::path)] = {0};
    for (size_t i = 0; i < sizeof bytes && path[i]; i++) bytes[i] = static_cast<unsigned char>(path[i]);
    uint64_t key;
    memcpy(&key, bytes, sizeof key);
    return key;
}
static_assert(sizeof(WebRes::path) == sizeof(uint64_t), "a path fits one 64-bit key");

// The paths of one module, for removal: every process exit removes every module, so comparing
// each live slot with each route of a module would cost the square of the route count.
class PathSet {
  public:
    static constexpr int kCapacity = 2 * kRouteSlots;  // at most half full

    PathSet(const WebRes *routes, int count) : used_() {
        for (int i = 0; i < count; i++) add(path_key(routes[i].path));
    }
    bool contains(uint64_t key) const {
        for (unsigned at = home(key);; at = (at + 1) % kCapacity) {
            if (!used_[at]) return false;
            if (keys_[at] == key) return true;
        }
    }

  private:
    static unsigned home(uint64_t key) { return static_cast<unsigned>((key * 0x9E3779B97F4A7C15ULL) >> 53) % kCapacity; }
    void add(uint64_t key) {
        unsigned at = home(key);
        while (used_[at] && keys_[at] != key) at = (at + 1) % kCapacity;
        used_[at] = true;
        keys_[at] = key;
    }
    uint64_t keys_[kCapacity];
    bool used_[kCapacity];
};

}  // namespace

int WebResRegister(const WebRes *routes, int count) {
    if (!routes || count < 1) return -1;
    if (g_live_count + count >= kRouteSlots) {
        cgi_log("dispatchreq", 62, "", "[dwen debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)");
        return -1;
    }
    int next = 0;
    for (int slot = 0; slot < kRouteSlots && next < count; slot++) {
        if (g_in_use[slot]) continue;
        g_slots[slot] = routes[next++];
        g_in_use[slot] = 1;
        g_live_count++;
    }
    return 0;
}

int WebResUnregister(const WebRes *routes, int count) {
    if (!routes || count < 1) return -1;
    // More routes than slots hold more than one of some path; the set holds each path once.
    if (count > kRouteSlots) {
        for (int first = 0; first < count; first += kRouteSlots)
            WebResUnregister(routes + first, count - first < kRouteSlots ? count - first : kRouteSlots);
        return 0;
    }
    const PathSet module(routes, count);
    for (int slot = 0; slot < kRouteSlots; slot++) {
        if (!g_in_use[slot] || !module.contains(path_key(g_slots[slot].path))) continue;
        memset(&g_slots[slot], 0, sizeof g_slots[slot]);
        g_in_use[slot] = 0;
        g_live_count--;
    }
    return 0;
}

WebRes *FindWebRes(const char *path) {
    if (!path) return nullptr;
    for (int slot = 0; slot < kRouteSlots; slot++)
        if (strcmp(g_slots[slot].path, path) == 0) return &g_slots[slot];
    return nullptr;
}

int DispatchWebReq(const char *path, const char *arg) {
    if (!path) return -1;
    for (int slot = 0; slot < kRouteSlots; slot++) {
        if (g_in_use[slot] && strcmp(g_slots[slot].path, path) == 0 && g_slots[slot].handler)
            return g_slots[slot].handler(arg);
    }
    return -1;
}

int WebResCount() { return g_live_count; }

char *strrpl(char *dst, const char *src, const char *from, const char *to) {
    size_t from_len = strlen(from), to_len = strlen(to);
    char *out = dst;
    const char *hit;
    while (from_len > 0 && (hit = strstr(src, from)) != nullptr) {
        memcpy(out, src, static_cast<size_t>(hit - src));
        out += hit - src;
        memcpy(out, to, to_len);
        out += to_len;
        src = hit + from_len;
    }
    memmove(out, src, strlen(src) + 1);
    return dst;
}

int cgiDealGet() {
    char path[kPathBufferSize];
    if (!copy_path_info(path)) return -1;
    char query[kQueryBufferSize];
    strncpy(query, cgiQueryString, sizeof query - 1);
    query[sizeof query - 1] = '\0';
    char decoded[kQueryBufferSize];
    strrpl(decoded, query, "%22", "\"");
    return DispatchWebReq(path, decoded);
}

int cgiDealPost() {
    char path[kPathBufferSize];
    if (!copy_path_info(path)) return -1;
    char *body = static_cast<char *>(calloc(1, kBodyBufferSize));
    if (!body) return -1;
    size_t used = 0;
    for (int reads = 0; reads < kMaxBodyLineReads && used < kBodyBufferSize - 1; reads++) {
        if (!fgets(body + used, static_cast<int>(kBodyBufferSize - used), stdin)) break;
        used += strlen(body + used);
    }
    int result = DispatchWebReq(path, body);
    free(body);
    return result;
}

void nvr_module_register(const RouteModule *module) {
    if (g_module_count < kMaxModules) g_modules[g_module_count++] = module;
    if (module->count > 0) WebResRegister(module->routes, module->count);
}

void nvr_module_unregister(const RouteModule *module) {
    if (module->count > 0) WebResUnregister(module->routes, module->count);
}

int nvr_module_count() { return g_module_count; }

const RouteModule *nvr_module_at(int index) {
    return (index >= 0 && index < g_module_count) ? g_modules[index] : nullptr;
}
