// Camera model routes of module "/2001": the catalogue of protocols and models, and the models
// the daemon reports for the connected cameras.
#include <string.h>

#include "camera/camera_module.h"
#include "camera/camera_payloads.h"
#include "camera/camera_request.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_camera.h"
#include "core/response.h"
#include "frame/dispatchreq.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// Older catalogues let the pages pick a model of the maker's protocol; that choice is retired.
constexpr int kRetiredModelChoiceProtocol = 2;

const EntryField kChannelModelFields[] = {
    ENTRY_NUMBER(ChannelModelEntry, chnid),
    ENTRY_TEXT(ChannelModelEntry, ipaddr),
    ENTRY_TEXT(ChannelModelEntry, model),
    ENTRY_TEXT(ChannelModelEntry, fwversion),
};

// Corrects the stored catalogue; true when an entry was changed.
bool retire_model_choice(CameraProtocolRecord *protocols, int count) {
    bool changed = false;
    for (int i = 0; i < count; i++) {
        CameraProtocolRecord &protocol = protocols[i];
        if (protocol.id != kRetiredModelChoiceProtocol || protocol.display_model != 1) continue;
        protocol.display_model = 0;
        write_ipc_protocol(kDb, &protocol);
        changed = true;
    }
    return changed;
}

json_object *protocol_models_json(int protocol) {
    CameraModelRecord models[kCameraModels];
    int count = 0;
    json_object *array = json_object_new_array();
    if (read_ipc_models_by_protocol(kDb, models, kCameraModels, protocol, &count) != 0) count = 0;
    for (int i = 0; array && i < count; i++) {
        json_object *model = json_object_new_object();
        json_add_int(model, "id", models[i].id);
        json_add_text(model, "name", models[i].name);
        json_add_int(model, "alarm_type", models[i].alarm_type);
        json_add_int(model, "default_model", models[i].default_model);
        json_object_array_add(array, model);
    }
    return array;
}

}  // namespace

// "/2008": the protocol catalogue with each protocol's models.
int on_get_camera_protocols(const char *) {
    CameraProtocolRecord protocols[kCameraProtocols];
    int count = 0;
    {
        DbTransaction transaction(kDb);
        if (read_ipc_protocols(kDb, protocols, &count) != 0) return cgi_error_to_webserver(kJson);
        if (retire_model_choice(protocols, count)) transaction.commit();
    }
    json_object *list = nullptr;
    json_object *answer = new_answer_with_array("protocols", &list);
    if (!answer) return cgi_error_to_webserver(kJson);
    for (int i = 0; i < count; i++) {
        const CameraProtocolRecord &protocol = protocols[i];
        json_object *entry = json_object_new_object();
        json_add_int(entry, "id", protocol.id);
        json_add_text(entry, "name", protocol.name);
        json_add_int(entry, "protocolFunction", protocol.protocolFunction);
        json_add_int(entry, "enable", protocol.enable);
        json_add_int(entry, "display_model", protocol.display_model);
        json_object_object_add(entry, "models", protocol_models_json(protocol.id));
        json_object_array_add(list, entry);
    }
    return cgi_answer_json(answer, kJson);
}

// "/2025": the model type of the camera the daemon knows by "id" (passed on as given).
int on_get_camera_model_type(const char *arg) {
    int32_t id = 0;
    int value = 0;
    if (on_cgi_get_value_by_json(arg, "id", &value) != 0) return cgi_error_to_webserver(kTextPlain);
    id = value;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestCameraModelType, &id, sizeof id, kTextPlain);
    return 0;
}

// Reply 7503: {"type": word 0}.
int on_get_camera_model_type_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "type", reply.number(0));
    return cgi_reply_json(answer);
}

// "/2029": the models of every channel (reply 7505).
int on_get_channels_model(const char *) {
    cgi_ask_daemon(on_camera_ipc_callback, kRequestChannelModels, nullptr, 0, kJson);
    return 0;
}

// Reply 7505: the whole 164-byte entries present, at most 64.
int on_get_channels_model_cb(const ReplyView &reply) {
    json_object *channels = nullptr;
    json_object *answer = new_answer_with_array("IPC", &channels);
    if (!answer) return cgi_reply_json(nullptr);
    int count = whole_entries(reply, 0, sizeof(ChannelModelEntry), kChannelModelEntries);
    add_entries(channels, reply, 0, sizeof(ChannelModelEntry), count, kChannelModelFields,
                NVR_ARRAY_COUNT(kChannelModelFields));
    return cgi_reply_json(answer);
}

// "/2057": the model of one channel's camera (0 to 63).
int on_cgi_get_ipc_type(const char *arg) {
    int channel = 0;
    if (on_cgi_get_value_by_json(arg, "chnid", &channel) != 0 || channel < 0 || channel >= kCameraChannels)
        return cgi_error_to_webserver(kJson);
    int32_t payload = channel;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestChannelModel, &payload, sizeof payload, kJson);
    return 0;
}

// Reply 7507: one 164-byte entry (the dispatcher drops a shorter one).
int on_cgi_get_ipc_type_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    add_entry_fields(answer, reply, 0, kChannelModelFields, NVR_ARRAY_COUNT(kChannelModelFields));
    return cgi_reply_json(answer);
}
