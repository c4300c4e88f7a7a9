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
int g_first_free = 0;  // no slot below it is free

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
    uint64_t key = 0;
    memcpy(&key, path, strnlen(path, sizeof key));
    return key;
}
static_assert(sizeof(WebRes::path) == sizeof(uint64_t), "a path fits one 64-bit key");

// The live slots by path: each slot's key beside it and chains of slots per hash bucket, so that
// dispatch and removal look at the slots of one path instead of all of them. Every process
// registers every module before main and removes each again at exit.
constexpr int kPathBuckets = 2 * kRouteSlots;
static_assert((kPathBuckets & (kPathBuckets - 1)) == 0, "bucket count is a power of two");
uint64_t g_slot_key[kRouteSlots];
short g_bucket_head[kPathBuckets];    // first slot of the bucket plus one; 0: none
short g_next_in_bucket[kRouteSlots];  // next slot of the same bucket plus one; 0: none

unsigned path_bucket(uint64_t key) {
    return static_cast<unsigned>((key * 0x9E3779B97F4A7C15ULL) >> 54) & (kPathBuckets - 1);
}

void index_slot(int slot) {
    uint64_t key = path_key(g_slots[slot].path);
    short &head = g_bucket_head[path_bucket(key)];
    g_slot_key[slot] = key;
    g_next_in_bucket[slot] = head;
    head = static_cast<short>(slot + 1);
}

// Frees every live slot of the path: zeroes it, clears its flag, takes it off the count.
void remove_path(uint64_t key) {
    short *link = &g_bucket_head[path_bucket(key)];
    while (*link) {
        int slot = *link - 1;
        if (g_slot_key[slot] != key) {
            link = &g_next_in_bucket[slot];
            continue;
        }
        *link = g_next_in_bucket[slot];
        memset(&g_slots[slot], 0, sizeof g_slots[slot]);
        g_in_use[slot] = 0;
        g_live_count--;
        if (slot < g_first_free) g_first_free = slot;
    }
}

}  // namespace

int WebResRegister(const WebRes *routes, int count) {
    if (!routes || count < 1) return -1;
    if (g_live_count + count >= kRouteSlots) {
        cgi_log("dispatchreq", 62, "", "[dwen debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)");
        return -1;
    }
    int next = 0;
    for (int slot = g_first_free; slot < kRouteSlots && next < count; slot++) {
        if (g_in_use[slot]) continue;
        g_slots[slot] = routes[next++];
        g_in_use[slot] = 1;
        g_live_count++;
        index_slot(slot);
        g_first_free = slot + 1;
    }
    return 0;
}

int WebResUnregister(const WebRes *routes, int count) {
    if (!routes || count < 1) return -1;
    for (int i = 0; i < count; i++) remove_path(path_key(routes[i].path));
    return 0;
}

WebRes *FindWebRes(const char *path) {
    if (!path) return nullptr;
    for (int slot = 0; slot < kRouteSlots; slot++)
        if (strcmp(g_slots[slot].path, path) == 0) return &g_slots[slot];
    return nullptr;
}

// The first live slot of the path with a handler; a path of the field's size or longer is no
// route's.
int DispatchWebReq(const char *path, const char *arg) {
    if (!path || strnlen(path, sizeof(WebRes::path)) == sizeof(WebRes::path)) return -1;
    uint64_t key = path_key(path);
    int first = kRouteSlots;
    for (short link = g_bucket_head[path_bucket(key)]; link; link = g_next_in_bucket[link - 1]) {
        int slot = link - 1;
        if (slot < first && g_slot_key[slot] == key && g_slots[slot].handler) first = slot;
    }
    return first < kRouteSlots ? g_slots[first].handler(arg) : -1;
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
