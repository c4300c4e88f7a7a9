// Alarm audio-file routes of module "/1000": delete, rename and request by id.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "platform/qvcrypt.h"
#include "system/system_module.h"

namespace {

constexpr int kAudioFileCount = 10;
constexpr int kAudioIdMask = (1 << kAudioFileCount) - 1;
constexpr int kRequestDeleteAudio = 4014;
constexpr int kRequestRenameAudio = 4015;
constexpr int kRequestAudioFile = 4016;

// Request 4015: the new name of one audio file.
struct AudioNamePayload {
    int32_t id;
    int32_t enable;  // always 1
    char name[128];  // URL-safe Base64 of the name
};
static_assert(sizeof(AudioNamePayload) == 136, "audio name payload is 136 bytes");
static_assert(offsetof(AudioNamePayload, name) == 8, "name at 8");

// Largest name whose Base64 (4 characters per 3 bytes, no padding) fits in 127 characters.
constexpr size_t kMaxNameBytes = 95;

int refuse() { return cgi_error_to_webserver(kJson); }

bool read_audio_id(json_object *request, int *id) {
    return on_cgi_get_int_from_json(request, "id", id) == 0 && *id >= 0 && *id < kAudioFileCount;
}

// Cuts a UTF-8 name at a character boundary so that its encoding fits the field.
size_t encodable_length(const char *name) {
    size_t length = strlen(name);
    if (length <= kMaxNameBytes) return length;
    length = kMaxNameBytes;
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) length--;
    return length;
}

}  // namespace

// "/6323": delete the audio files of "idMask" (at least one of ids 0 to 9).
int on_delete_audio_files(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int mask = 0;
    if (!request || on_cgi_get_int_from_json(request, "idMask", &mask) != 0 || (mask & kAudioIdMask) == 0)
        return refuse();
    int32_t payload = mask & kAudioIdMask;
    if (!cgi_ask_daemon(on_system_ipc_callback, kRequestDeleteAudio, &payload, sizeof payload, kJson)) return 0;
    cgi_log_operation(on_system_ipc_callback, 204, 925, 0);
    return 0;
}

// "/6324": rename audio file "id" to "name".
int on_rename_audio_file(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    json_object *name = json_get_typed(request, "name", json_type_string);
    if (!request || !read_audio_id(request, &id) || !name) return refuse();
    const char *text = json_object_get_string(name);
    AudioNamePayload payload;
    memset(&payload, 0, sizeof payload);
    payload.id = id;
    payload.enable = 1;
    if (base64EncodeUrl(reinterpret_cast<const unsigned char *>(text), static_cast<int>(encodable_length(text)),
                        payload.name, sizeof payload.name) < 0)
        return refuse();
    if (!cgi_ask_daemon(on_system_ipc_callback, kRequestRenameAudio, &payload, sizeof payload, kJson)) return 0;
    cgi_log_operation(on_system_ipc_callback, 204, 925, 0);
    return 0;
}

// "/6325": pass audio file "id" to the daemon.
int on_audio_file_request(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0;
    if (!request || !read_audio_id(request, &id)) return refuse();
    int32_t payload = id;
    cgi_ask_daemon(on_system_ipc_callback, kRequestAudioFile, &payload, sizeof payload, kJson);
    return 0;
}
