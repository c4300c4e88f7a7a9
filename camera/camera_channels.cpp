// Camera channel routes of module "/2001": one channel's settings, the channel list and names,
// adding, editing and deleting cameras, and changing a camera's login or transport.
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "camera/camera_module.h"
#include "camera/camera_payloads.h"
#include "camera/camera_request.h"
#include "camera/keyed_table.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb_camera.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

constexpr int kConfigChannels = 16;  // "/2000" and "/2005" serve channels 0 to 15
constexpr int kHighestModel = kCameraModels - 1;
constexpr int kRtspModel = 1;             // a plain RTSP source: the RTSP keys apply
constexpr int kModelWithoutAddress = 7;   // found on its PoE port: no address or port needed
constexpr int kHighestTransport = 3;
constexpr int kLoginTextSize = 128;       // "/2017" reads logins of up to 127 characters

// Operation log: sub type and parameter (the detail code of add and edit is the parameter).
struct CameraLogCode {
    int sub_type;
    int parameter;
};
constexpr CameraLogCode kLogAdded = {210, 901};
constexpr CameraLogCode kLogDeleted = {211, 902};
constexpr CameraLogCode kLogEdited = {204, 903};

// ---- records ------------------------------------------------------------------------------------

// A channel's camera record, zeroed first; its key is the channel even when it cannot be read.
void read_camera_record(int channel, CameraRecord *record) {
    memset(record, 0, sizeof *record);
    read_camera(kDb, record, channel);
    record->id = channel;
}

void read_osd_record(int channel, OsdRecord *record) {
    memset(record, 0, sizeof *record);
    read_osd(kDb, record, channel);
    record->channel = channel;
}

// The on-screen records of every channel, by channel ("" names where none is stored).
const OsdRecord *read_channel_osds() {
    static OsdRecord records[kCameraChannels];
    read_keyed_table(read_osds, &OsdRecord::channel, records, kCameraChannels);
    return records;
}

// "max_cameras", kept within the channels there are.
int max_cameras_clamped() {
    int count = get_param_int(kDb, "max_cameras", 32);
    if (count < 0) return 0;
    return count > kCameraChannels ? kCameraChannels : count;
}

// ---- daemon notices and the operation log -------------------------------------------------------

void notify_channel(int request_code, int channel) {
    int32_t payload = channel;
    cgi_notify_daemon(on_camera_ipc_callback, request_code, &payload, sizeof payload);
}

void notify_poe(int channel, int other_poe) {
    CameraPoeNotice notice;
    notice.channel = channel;
    notice.other_poe = other_poe == 1 ? 1 : 0;
    cgi_notify_daemon(on_camera_ipc_callback, kRequestCameraPoe, &notice, sizeof notice);
}

const char *protocol_name(int cam_protocol) {
    if (cam_protocol == 0) return "ONVIF";
    return cam_protocol == kRtspModel ? "RTSP" : "QVSF";
}

const char *transport_name(int transmit_protocol) {
    if (transmit_protocol == 0) return "UDP";
    return transmit_protocol == 3 ? "RTSP Over HTTPS" : "TCP";
}

// The log record of an added or changed camera, with its detail.
void log_camera_change(const CameraLogCode &code, const CameraRecord &record) {
    OperationLogRecord log;
    cgi_init_log_info(&log);
    log.sub_type = code.sub_type;
    log.parameter = code.parameter;
    log.channel = record.id + 1;
    CameraLogDetail detail;
    memset(&detail, 0, sizeof detail);
    detail.code = code.parameter;
    copy_text_field(detail.ipAddr, sizeof detail.ipAddr, record.ipAddr);
    detail.managePort = record.managePort;
    detail.channel = record.id + 1;
    copy_text_field(detail.protocol, sizeof detail.protocol, protocol_name(record.camProtocol));
    copy_text_field(detail.transport, sizeof detail.transport, transport_name(record.transmitProtocol));
    detail.syncTime = static_cast<uint8_t>(record.syncTime & 0xff);
    qvfs_log_pack_detail(&log, kCameraLogDetailType, &detail, sizeof detail);
    cgi_send_log_record(on_camera_ipc_callback, &log);
}

// ---- add and edit -------------------------------------------------------------------------------

enum class CameraChange { Add, Edit };

// The checks of a camera to add or edit. False ends the request without an answer.
bool check_digital_channel(json_object *request, int *channel) {
    int enable = 0, model = 0, transport = 0, port = 0;
    if (!read_int_between(request, "id", 0, kCameraChannels - 1, channel) || !text_key(request, "name") ||
        !read_int_between(request, "enable", 0, 1, &enable) ||
        !read_int_between(request, "camProtocol", 0, kHighestModel, &model))
        return false;
    if (model != kModelWithoutAddress) {
        const char *address = text_key(request, "ipAddr");
        if (!address || !*address || !read_int_between(request, "managePort", 0, INT_MAX, &port)) return false;
    }
    return read_int_between(request, "transmitProtocol", 0, kHighestTransport, &transport);
}

void store_rtsp_keys(json_object *request, CameraRecord *record) {
    record->mainRtspPort = number_key(request, "mainRtspPort");
    store_text_key(request, "mainSourcePath", record->mainSourcePath, sizeof record->mainSourcePath);
    record->subRtspPort = number_key(request, "subRtspPort");
    store_text_key(request, "subSourcePath", record->subSourcePath, sizeof record->subSourcePath);
    store_text_key(request, "mainrtspurl", record->mainRtspUrl, sizeof record->mainRtspUrl);
    store_text_key(request, "subrtspurl", record->subRtspUrl, sizeof record->subRtspUrl);
}

// The camera keys of add and edit: numbers as given (a missing one stores 0), texts cut to their
// field (a missing one stores ""). Edit keeps the stored login unless "type" is 0.
void store_camera_keys(json_object *request, CameraRecord *record, CameraChange change) {
    record->minorid = number_key(request, "minorid");
    record->enable = number_key(request, "enable");
    store_text_key(request, "ipAddr", record->ipAddr, sizeof record->ipAddr);
    record->managePort = number_key(request, "managePort");
    record->camProtocol = number_key(request, "camProtocol");
    int type = 0;
    bool login_given = change == CameraChange::Add ||
                       (on_cgi_get_int_from_json(request, "type", &type) == 0 && type == 0);
    if (login_given) {
        store_text_key(request, "userName", record->userName, sizeof record->userName);
        store_text_key(request, "password", record->password, sizeof record->password);
    }
    record->transmitProtocol = number_key(request, "transmitProtocol");
    record->subRtspEnable = number_key(request, "enableSubStream");
    record->syncTime = number_key(request, "syncTime");
    if (record->camProtocol == kRtspModel) store_rtsp_keys(request, record);
    if (change == CameraChange::Add) {
        store_text_key(request, "mac_addr", record->mac_addr, sizeof record->mac_addr);
        record->poechannel = number_key(request, "poechannel");
        record->physicalport = number_key(request, "physicalport");
    }
    store_text_key(request, "ddns", record->ddns, sizeof record->ddns);
    record->httpsPort = number_key(request, "httpsPort");
}

int save_camera(const char *arg, CameraChange change) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !check_digital_channel(request, &channel)) return 0;
    CameraRecord record;
    {
        DbTransaction transaction(kDb);
        OsdRecord osd;
        read_osd_record(channel, &osd);
        store_text_key(request, "name", osd.camName, sizeof osd.camName);
        write_osd(kDb, &osd);
        read_camera_record(channel, &record);
        store_camera_keys(request, &record, change);
        write_camera(kDb, &record);
        transaction.commit();
    }
    if (change == CameraChange::Add) {
        notify_channel(kRequestCameraAdded, channel);
        notify_poe(channel, number_key(request, "otherPoe"));
        log_camera_change(kLogAdded, record);
    } else {
        notify_channel(kRequestCameraChanged, channel);
        log_camera_change(kLogEdited, record);
    }
    return answer_ok();
}

// Changes some fields of a channel's camera record, then tells the daemon and logs the edit.
template <typename Change>
int change_camera(int channel, Change change) {
    CameraRecord record;
    {
        DbTransaction transaction(kDb);
        read_camera_record(channel, &record);
        change(&record);
        write_camera(kDb, &record);
        transaction.commit();
    }
    notify_channel(kRequestCameraChanged, channel);
    log_camera_change(kLogEdited, record);
    return answer_ok();
}

// ---- delete -------------------------------------------------------------------------------------

constexpr int kPrivacyAreaWords = 13;
constexpr int kFirstClearedAreaWord = 2;
constexpr int kLastClearedAreaWord = 6;

// A deleted channel's masks keep their areas' ids and switches but lose their places and sizes.
// A record that cannot be read is left as stored.
void clear_privacy_masks(int channel) {
    PrivacyMaskRecord masks;
    memset(&masks, 0, sizeof masks);
    if (read_privacy_mask(kDb, &masks, channel) != 0 || masks.channel != channel) return;
    for (int area = 0; area < kPrivacyMaskAreas; area++)
        for (int word = kFirstClearedAreaWord; word <= kLastClearedAreaWord; word++)
            masks.words[area * kPrivacyAreaWords + word] = 0;
    write_privacy_mask(kDb, &masks);
}

// Clears the camera record, keeping only its preserved word, and marks the channel free.
void free_camera_record(int channel) {
    CameraRecord record;
    read_camera_record(channel, &record);
    int32_t preserved = record.preserved;
    memset(&record, 0, sizeof record);
    record.id = channel;
    record.state = 1;
    record.enable = 0;
    record.preserved = preserved;
    write_camera(kDb, &record);
}

void reset_channel_name(int channel) {
    OsdRecord osd;
    read_osd_record(channel, &osd);
    osd_default_name(channel, osd.camName, sizeof osd.camName);
    write_osd(kDb, &osd);
}

}  // namespace

// "/2000": one channel's camera, with its name and its model's protocol.
int on_get_camera_config(const char *arg) {
    int channel = 0;
    if (on_cgi_get_value_by_json(arg, "chnid", &channel) != 0 || channel < 0 || channel >= kConfigChannels)
        return cgi_error_to_webserver(kJson);
    CameraRecord record;
    memset(&record, 0, sizeof record);
    if (read_camera(kDb, &record, channel) != 0) return cgi_error_to_webserver(kJson);
    OsdRecord osd;
    read_osd_record(channel, &osd);
    CameraModelRecord model;
    memset(&model, 0, sizeof model);
    read_ipc_model(kDb, &model, record.camProtocol);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "id", channel);
    json_add_text(answer, "name", osd.camName);
    json_add_text(answer, "ipAddr", record.ipAddr);
    json_add_int(answer, "managePort", record.managePort);
    json_add_int(answer, "protocol", model.protocol);
    json_add_int(answer, "model", record.camProtocol);
    json_add_text(answer, "userName", record.userName);
    json_add_text(answer, "password", record.password);
    json_add_int(answer, "transmitProtocol", record.transmitProtocol);
    json_add_int(answer, "mainRtspPort", record.mainRtspPort);
    json_add_text(answer, "mainSourcePath", record.mainSourcePath);
    json_add_int(answer, "subRtspEnable", record.subRtspEnable);
    json_add_int(answer, "subRtspPort", record.subRtspPort);
    json_add_text(answer, "subSourcePath", record.subSourcePath);
    json_add_int(answer, "syncTime", record.syncTime);
    json_add_text(answer, "mainRtspUrl", record.mainRtspUrl);
    json_add_text(answer, "subRtspUrl", record.subRtspUrl);
    json_add_int(answer, "physicalport", record.physicalport);
    json_add_int(answer, "poechannel", record.poechannel);
    json_add_text(answer, "mac_addr", record.mac_addr);
    json_add_int(answer, "minorid", record.minorid);
    json_add_text(answer, "ddns", record.ddns);
    json_add_int(answer, "httpsPort", record.httpsPort);
    return cgi_answer_json(answer, kJson);
}

// "/2001", "/2007": the daemon's list of channels (reply 8201).
int on_get_camera_list(const char *) {
    cgi_ask_daemon(on_camera_ipc_callback, kRequestCameraList, nullptr, 0, kJson);
    return 0;
}

// Reply 8201: one object per whole 1040-byte entry, named from the database.
int on_get_camera_list_cb(const ReplyView &reply) {
    static const EntryField kBeforeName[] = {ENTRY_NUMBER(CameraListEntry, id)};
    static const EntryField kAfterName[] = {
        ENTRY_TEXT(CameraListEntry, ipAddr),       ENTRY_NUMBER(CameraListEntry, managePort),
        ENTRY_NUMBER(CameraListEntry, camProtocol), ENTRY_TEXT(CameraListEntry, vendor),
        ENTRY_TEXT(CameraListEntry, sn),           ENTRY_TEXT(CameraListEntry, snReal),
        ENTRY_TEXT(CameraListEntry, mac),          ENTRY_TEXT(CameraListEntry, model),
        ENTRY_TEXT(CameraListEntry, fwVersion),    ENTRY_NUMBER(CameraListEntry, state),
        ENTRY_NUMBER(CameraListEntry, mainRtspPort), ENTRY_NUMBER(CameraListEntry, physicalport),
        ENTRY_NUMBER(CameraListEntry, poechannel), ENTRY_NUMBER(CameraListEntry, alarmin),
        ENTRY_NUMBER(CameraListEntry, alarmout),   ENTRY_NUMBER(CameraListEntry, whiteLed),
        ENTRY_NUMBER(CameraListEntry, ledAlarm),   ENTRY_NUMBER(CameraListEntry, ledManual),
        ENTRY_NUMBER(CameraListEntry, minorid),    ENTRY_NUMBER(CameraListEntry, subState),
        ENTRY_NUMBER(CameraListEntry, connectState), ENTRY_TEXT(CameraListEntry, ddns),
        ENTRY_TEXT(CameraListEntry, chipinfo),
    };
    const OsdRecord *names = read_channel_osds();
    json_object *cameras = nullptr;
    json_object *answer = new_answer_with_array("IPC", &cameras);
    if (!answer) return cgi_reply_json(nullptr);
    int count = whole_entries(reply, 0, sizeof(CameraListEntry), kCameraChannels);
    for (int i = 0; i < count; i++) {
        long base = static_cast<long>(i) * sizeof(CameraListEntry);
        int id = reply.number(static_cast<int>(base));
        json_object *camera = json_object_new_object();
        add_entry_fields(camera, reply, base, kBeforeName, NVR_ARRAY_COUNT(kBeforeName));
        json_add_int(camera, "enable", 1);
        json_add_text(camera, "name", id >= 0 && id < kCameraChannels ? names[id].camName : "");
        add_entry_fields(camera, reply, base, kAfterName, NVR_ARRAY_COUNT(kAfterName));
        json_object_array_add(cameras, camera);
    }
    json_add_int(answer, "maxIPCNums", get_param_int(kDb, "max_cameras", 32));
    return cgi_reply_json(answer);
}

// "/2003": edits a channel's camera.
int on_edit_camera(const char *arg) { return save_camera(arg, CameraChange::Edit); }

// "/2004": adds a camera on a channel.
int on_add_camera(const char *arg) { return save_camera(arg, CameraChange::Add); }

// "/2005": frees a channel (0 to 15).
int on_delete_camera(const char *arg) {
    int channel = 0;
    if (on_cgi_get_value_by_json(arg, "chnid", &channel) != 0 || channel < 0 || channel >= kConfigChannels)
        return cgi_error_to_webserver(kJson);
    {
        DbTransaction transaction(kDb);
        clear_privacy_masks(channel);
        free_camera_record(channel);
        reset_channel_name(channel);
        transaction.commit();
    }
    notify_channel(kRequestCameraDeleted, channel);
    notify_poe(channel, 0);
    cgi_log_operation(on_camera_ipc_callback, kLogDeleted.sub_type, kLogDeleted.parameter, channel + 1);
    return answer_ok();
}

// "/2012": the names of channels 0 to max_cameras - 1.
int on_get_channel_names(const char *) {
    const OsdRecord *names = read_channel_osds();
    json_object *cameras = nullptr;
    json_object *answer = new_answer_with_array("IPC", &cameras);
    if (!answer) return cgi_error_to_webserver(kJson);
    int count = max_cameras_clamped();
    for (int channel = 0; channel < count; channel++) {
        json_object *camera = json_object_new_object();
        json_add_int(camera, "id", channel);
        json_add_text(camera, "name", names[channel].camName);
        json_object_array_add(cameras, camera);
    }
    return cgi_answer_json(answer, kJson);
}

// "/2016": the factory password of PoE cameras.
int on_get_poe_password(const char *) {
    char password[64];
    get_param_value(kDb, "poepsd", password, sizeof password, "kd4417");
    return cgi_writeback_webserver(kTextPlain, password);
}

// "/2018": the number of PoE ports.
int on_get_max_poe_num(const char *) {
    char text[16];
    snprintf(text, sizeof text, "%d", get_param_int(kDb, "max_poe_num", 0));
    return cgi_writeback_webserver(kTextPlain, text);
}

// "/2017": a channel's camera login; nothing is answered for a bad request.
int on_set_camera_login(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    char user[kLoginTextSize], password[kLoginTextSize];
    if (!request || !read_int_between(request, "id", 0, kCameraChannels - 1, &channel) ||
        on_cgi_get_string_from_json(request, "userName", user, sizeof user) != 0 || !*user ||
        on_cgi_get_string_from_json(request, "password", password, sizeof password) != 0 || !*password)
        return 0;
    return change_camera(channel, [&](CameraRecord *record) {
        copy_text_field(record->userName, sizeof record->userName, user);
        copy_text_field(record->password, sizeof record->password, password);
    });
}

// "/2031": a channel's transport, synchronisation and HTTPS port.
int on_set_camera_transport(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    if (!request || !read_int_between(request, "id", 0, kCameraChannels - 1, &channel)) return 0;
    return change_camera(channel, [&](CameraRecord *record) {
        record->transmitProtocol = number_key(request, "transmitProtocol");
        record->syncTime = number_key(request, "syncTime");
        record->httpsPort = number_key(request, "httpsPort");
    });
}
