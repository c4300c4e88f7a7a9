// Alarm audio-file routes of module "/1000": list, upload, rename, delete and request by id.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "core/qvdb.h"
#include "platform/qvcrypt.h"
#include "system/device_files.h"
#include "system/system_module.h"

namespace {

constexpr int kAudioFileCount = 10;
constexpr int kAudioIdMask = (1 << kAudioFileCount) - 1;
constexpr int kRequestAudioList = 4012;
constexpr int kRequestRenameUpload = 4013;
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

constexpr char kUploadFolder[] = "/tmp";

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

// URL-safe Base64 of a name, cut so that it fits a 128-byte field; false when it cannot be encoded.
bool encode_name(const char *name, char out[128]) {
    return base64EncodeUrl(reinterpret_cast<const unsigned char *>(name), static_cast<int>(encodable_length(name)), out,
                           128) >= 0;
}

bool is_sound_file_name(const std::string &name) {
    return name.find(".wav") != std::string::npos || name.find(".WAV") != std::string::npos;
}

}  // namespace

// "/6320": the audio files in use; reply 9012.
int on_get_audio_files(const char *) {
    cgi_ask_daemon(on_system_ipc_callback, kRequestAudioList, nullptr, 0, kJson);
    return 0;
}

// "/6321": accept an uploaded sound file and give it its encoded name.
int on_upload_audio_file(const char *arg) {
    std::string path = upload_argument_path(arg);
    std::string real;
    if (!regular_file_inside(kUploadFolder, path.c_str(), &real) || access(real.c_str(), R_OK) != 0)
        return on_cgi_common_text_cb(0, -1, nullptr);
    std::string base = path_base_name(path);
    if (!is_sound_file_name(base)) {
        unlink(real.c_str());
        cgi_log(__FILE__, __LINE__, "", "zqp upload_audio_file ret:[%d], pData:[%s], name:[%s]", -1, path.c_str(),
                base.c_str());
        return on_cgi_common_text_cb(0, -1, nullptr);
    }
    char encoded[256];
    int status = -1;
    if (base64EncodeUrl(reinterpret_cast<const unsigned char *>(base.data()), static_cast<int>(base.size()), encoded,
                        sizeof encoded) >= 0) {
        std::string target = real.substr(0, real.rfind('/') + 1) + encoded;
        status = rename(real.c_str(), target.c_str()) == 0 ? 0 : -1;
    }
    if (status != 0) {
        unlink(real.c_str());
        return on_cgi_common_text_cb(0, -1, nullptr);
    }
    return on_cgi_common_text_cb(0, 0, encoded);
}

// "/6322": give an uploaded sound ("uploadName", a bare name in "/tmp") the encoded "name".
int on_rename_uploaded_audio(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *upload = json_get_typed(request, "uploadName", json_type_string);
    json_object *name = json_get_typed(request, "name", json_type_string);
    if (!request || !upload || !name || !is_bare_file_name(json_object_get_string(upload))) return refuse();
    std::string real;
    std::string device_path = std::string(kUploadFolder) + "/" + json_object_get_string(upload);
    if (!regular_file_inside(kUploadFolder, device_path.c_str(), &real) || access(real.c_str(), R_OK) != 0)
        return refuse();
    char payload[128];
    memset(payload, 0, sizeof payload);
    if (!encode_name(json_object_get_string(name), payload) || payload[0] == '\0') return refuse();
    std::string target = real.substr(0, real.rfind('/') + 1) + payload;
    if (rename(real.c_str(), target.c_str()) != 0) return refuse();
    if (!cgi_ask_daemon(on_system_ipc_callback, kRequestRenameUpload, payload, sizeof payload, kJson)) return 0;
    cgi_log_operation(on_system_ipc_callback, 204, 925, 0);
    return 0;
}

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
    if (!encode_name(text, payload.name)) return refuse();
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

// Reply 9012: the records whose enable is 1, with their decoded names.
int on_get_audio_files_cb(const void *payload, int length) {
    int count = payload && length > 0 ? length / static_cast<int>(sizeof(AlarmAudioFile)) : 0;
    if (count > kAudioFileCount) count = kAudioFileCount;
    if (count == 0) {
        refuse();
        cgi_reply_done();
        return 0;
    }
    json_object *list = json_object_new_array();
    for (int i = 0; i < count; i++) {
        AlarmAudioFile record;
        memcpy(&record, static_cast<const char *>(payload) + i * sizeof record, sizeof record);
        if (record.enable != 1) continue;
        json_object *entry = json_object_new_object();
        json_object_object_add(entry, "id", json_object_new_int(record.id));
        json_object_object_add(entry, "enable", json_object_new_int(record.enable));
        char encoded[sizeof record.name + 1];
        memcpy(encoded, record.name, sizeof record.name);
        encoded[sizeof record.name] = '\0';
        unsigned char decoded[sizeof record.name + 1];
        int decoded_length = base64DecodeUrl(encoded, decoded, sizeof decoded - 1);
        if (decoded_length >= 0)
            json_object_object_add(entry, "name", json_object_new_string_len(reinterpret_cast<const char *>(decoded),
                                                                             decoded_length));
        json_object_array_add(list, entry);
    }
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "audioFileList", list);
    json_object_object_add(answer, "status", json_object_new_int(0));
    cgi_answer_json(answer, kJson);
    cgi_reply_done();
    return 0;
}

// Replies 9013 to 9016: the daemon's status word as {"status": n}; a reply without one is
// left unanswered, so the route answers its time-out error.
int on_audio_status_cb(const void *payload, int length) { return on_cgi_common_json_cb(length / 4, payload); }
