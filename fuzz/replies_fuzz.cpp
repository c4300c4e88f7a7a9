// Fuzz target: the reply dispatcher of every route module (found through the module registry),
// fed a reply code and a payload of exactly the length its header gives, as the socket library
// hands them over.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "core/ipc.h"
#include "frame/dispatchreq.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/module_dispatchers.h"

namespace {

std::vector<ReplyDispatcher> g_dispatchers;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz_init(argc, argv);
    for (int i = 0; i < nvr_module_count(); i++) {
        const RouteModule *module = nvr_module_at(i);
        ReplyDispatcher dispatcher = module_reply_dispatcher(module->name);
        if (!dispatcher) fuzz_fail("module %s has no reply dispatcher in fuzz/module_dispatchers.cpp", module->name);
        g_dispatchers.push_back(dispatcher);
    }
    if (g_dispatchers.empty()) fuzz_fail("no route module is registered");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    ReplyDispatcher dispatcher = g_dispatchers[input.ConsumeIntegral<uint8_t>() % g_dispatchers.size()];
    MessageHeader header;
    memset(&header, 0, sizeof header);
    header.magic = kWireMagic;
    header.version = kWireVersion;
    header.header_size = sizeof header;
    header.sequence = 1;
    header.code = input.ConsumeIntegral<int32_t>();
    std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
    header.length = static_cast<int32_t>(bytes.size());
    // A payload of its exact length, so that a read past it is caught; none when it is empty.
    void *payload = bytes.empty() ? nullptr : malloc(bytes.size());
    if (payload) memcpy(payload, bytes.data(), bytes.size());
    {
        FuzzRequestScope reply(nullptr, 0);
        g_callback_done.store(0);
        dispatcher(0, &header, payload);
        reply.check_single_answer();
    }
    free(payload);
    fuzz_clear_device_dir("/tmp");
    return 0;
}
