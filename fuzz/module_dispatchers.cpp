// The reply dispatcher of each route module. The eleven modules and their dispatchers are fixed
// (one dispatcher per module, whatever routes and reply codes it gains), so this list is
// complete; the fuzz targets still refuse to start when a registered module is missing here.
#include "fuzz/module_dispatchers.h"

#include <string.h>

#include "alarm/alarm_module.h"
#include "camera/camera_module.h"
#include "misc/misc_module.h"
#include "network/network_module.h"
#include "playback/playback_module.h"
#include "ptz/ptz_module.h"
#include "record/record_module.h"
#include "status/status_module.h"
#include "storage/storage_module.h"
#include "system/system_module.h"
#include "video/video_module.h"

namespace {

struct ModuleDispatcher {
    const char *module;
    ReplyDispatcher dispatcher;
};

const ModuleDispatcher kModuleDispatchers[] = {
    {"/6100", on_storage_ipc_callback}, {"/8000", on_status_ipc_callback}, {"/6000", on_video_ipc_callback},
    {"/2001", on_camera_ipc_callback},  {"/6030", on_record_ipc_callback}, {"/7000", on_network_ipc_callback},
    {"/4000", on_stream_callback},      {"/5000", on_ptz_ipc_callback},    {"/1000", on_system_ipc_callback},
    {"/3300", on_aging_callback},       {"/6020", on_alarm_ipc_callback},
};

}  // namespace

ReplyDispatcher module_reply_dispatcher(const char *module_path) {
    for (const ModuleDispatcher &entry : kModuleDispatchers)
        if (module_path && strcmp(entry.module, module_path) == 0) return entry.dispatcher;
    return nullptr;
}
