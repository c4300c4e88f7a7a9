// Route table, module registration and the query-string and body readers.
#include "frame/dispatchreq.h"

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

// Path equality without a library call: removal compares every live slot with every route of
// a module at each process exit, and most pairs differ within the first characters.
inline bool same_path(const char *a, const char *b) {
    for (size_t i = 0; i < sizeof(WebRes::path); i++) {
        if (a[i] != b[i]) return false;
        if (a[i] == '\0') return true;
    }
    return true;
}

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
    for (int slot = 0; slot < kRouteSlots; slot++) {
        if (!g_in_use[slot]) continue;
        for (int i = 0; i < count; i++) {
            if (same_path(g_slots[slot].path, routes[i].path)) {
                memset(&g_slots[slot], 0, sizeof g_slots[slot]);
                g_in_use[slot] = 0;
                g_live_count--;
                break;
            }
        }
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
