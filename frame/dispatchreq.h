// Route table, module registration and the query-string and body readers.
#ifndef NVR_FRAME_DISPATCHREQ_H
#define NVR_FRAME_DISPATCHREQ_H

#include <stddef.h>

// A route handler receives the request argument and writes the whole response itself.
typedef int (*WebHandler)(const char *arg);

struct WebRes {
    char path[8];  // at most 7 characters, NUL-terminated
    WebHandler handler;
};

constexpr int kRouteSlots = 512;

int WebResRegister(const WebRes *routes, int count);
int WebResUnregister(const WebRes *routes, int count);
WebRes *FindWebRes(const char *path);
int DispatchWebReq(const char *path, const char *arg);
int cgiDealGet();
int cgiDealPost();
char *strrpl(char *dst, const char *src, const char *from, const char *to);

// Number of live routes in the table.
int WebResCount();

// A route module: its leading path, its route array and the order it registers in.
struct RouteModule {
    int order;
    const char *name;
    const WebRes *routes;
    int count;
};

// Registration record for introspection: the modules in the order they registered.
int nvr_module_count();
const RouteModule *nvr_module_at(int index);
void nvr_module_register(const RouteModule *module);
void nvr_module_unregister(const RouteModule *module);

#define NVR_ARRAY_COUNT(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))

// Registers a module's route array before main, in the fixed module order (1 to 11), and
// removes it after main in the same order.
#define NVR_ROUTE_MODULE(ORDER, NAME, ROUTES)                                                     \
    static const RouteModule nvr_route_module_##ORDER = {ORDER, NAME, ROUTES, NVR_ARRAY_COUNT(ROUTES)}; \
    __attribute__((constructor(100 + ORDER))) static void nvr_register_module_##ORDER() {         \
        nvr_module_register(&nvr_route_module_##ORDER);                                          \
    }                                                                                             \
    __attribute__((destructor(200 - ORDER))) static void nvr_unregister_module_##ORDER() {        \
        nvr_module_unregister(&nvr_route_module_##ORDER);                                        \
    }

// The same for a module whose routes are not built yet.
#define NVR_EMPTY_ROUTE_MODULE(ORDER, NAME)                                                       \
    static const RouteModule nvr_route_module_##ORDER = {ORDER, NAME, nullptr, 0};                \
    __attribute__((constructor(100 + ORDER))) static void nvr_register_module_##ORDER() {         \
        nvr_module_register(&nvr_route_module_##ORDER);                                          \
    }

#endif
