// Database tables of the camera channels: camera records, on-screen display records, stored
// privacy masks and the camera protocol and model catalogue, with their factory values.
#include "core/qvdb_camera.h"

#include <stdio.h>
#include <string.h>

#include "core/web_utils.h"

void osd_default_name(int channel, char *name, size_t size) {
    if (name && size > 0) snprintf(name, size, "CAM%d", channel + 1);
}

namespace {

const QvdbField kCameraFields[] = {
    QVDB_FIELD(CameraRecord, id, "id"),
    QVDB_FIELD(CameraRecord, state, "state"),
    QVDB_FIELD(CameraRecord, enable, "enable"),
    QVDB_FIELD(CameraRecord, userName, "userName"),
    QVDB_FIELD(CameraRecord, password, "password"),
    QVDB_FIELD(CameraRecord, ipAddr, "ipAddr"),
    QVDB_FIELD(CameraRecord, mainRtspPort, "mainRtspPort"),
    QVDB_FIELD(CameraRecord, mainSourcePath, "mainSourcePath"),
    QVDB_FIELD(CameraRecord, subRtspEnable, "subRtspEnable"),
    QVDB_FIELD(CameraRecord, subRtspPort, "subRtspPort"),
    QVDB_FIELD(CameraRecord, subSourcePath, "subSourcePath"),
    QVDB_FIELD(CameraRecord, managePort, "managePort"),
    QVDB_FIELD(CameraRecord, camProtocol, "camProtocol"),
    QVDB_FIELD(CameraRecord, transmitProtocol, "transmitProtocol"),
    QVDB_FIELD(CameraRecord, spare_word1, "spare_word1"),
    QVDB_FIELD(CameraRecord, preserved, "preserved"),
    QVDB_FIELD(CameraRecord, syncTime, "syncTime"),
    QVDB_FIELD(CameraRecord, spare_word2, "spare_word2"),
    QVDB_FIELD(CameraRecord, mainRtspUrl, "mainRtspUrl"),
    QVDB_FIELD(CameraRecord, subRtspUrl, "subRtspUrl"),
    QVDB_FIELD(CameraRecord, record_stream, "record_stream"),
    QVDB_FIELD(CameraRecord, anr, "anr"),
    QVDB_FIELD(CameraRecord, poechannel, "poechannel"),
    QVDB_FIELD(CameraRecord, mac_addr, "mac_addr"),
    QVDB_FIELD(CameraRecord, physicalport, "physicalport"),
    QVDB_FIELD(CameraRecord, minorid, "minorid"),
    QVDB_FIELD(CameraRecord, ddns, "ddns"),
    QVDB_FIELD(CameraRecord, httpsPort, "httpsPort"),
};
// A factory-new channel is free.
void fill_factory_camera(void *record, int, int) { static_cast<CameraRecord *>(record)->state = 1; }
const QvdbShape kCameraShape = qvdb_with_factory(
    qvdb_record_shape(kQvdbSettings, sizeof(CameraRecord), QVDB_FIELDS(kCameraFields), "id", kQvdbChannels,
                      kQvdbChannels),
    fill_factory_camera);
QVDB_TABLE(kCameraTable, "camera", kCameraShape);

const QvdbField kOsdFields[] = {
    QVDB_FIELD(OsdRecord, channel, "channel"),
    QVDB_FIELD(OsdRecord, camName, "camName"),
    QVDB_FIELD(OsdRecord, showName, "showName"),
    QVDB_FIELD(OsdRecord, showDate, "showDate"),
    QVDB_FIELD(OsdRecord, showWeek, "showWeek"),
    QVDB_FIELD(OsdRecord, dateFormat, "dateFormat"),
    QVDB_FIELD(OsdRecord, timeFormat, "timeFormat"),
    QVDB_FIELD(OsdRecord, datePosX, "datePosX"),
    QVDB_FIELD(OsdRecord, datePosY, "datePosY"),
    QVDB_FIELD(OsdRecord, namePosX, "namePosX"),
    QVDB_FIELD(OsdRecord, namePosY, "namePosY"),
    QVDB_FIELD(OsdRecord, alpha, "alpha"),
};
// Factory display: the channel's name and the date shown.
void fill_factory_osd(void *record, int channel, int) {
    OsdRecord *osd = static_cast<OsdRecord *>(record);
    osd_default_name(channel, osd->camName, sizeof osd->camName);
    osd->showName = 1;
    osd->showDate = 1;
}
const QvdbShape kOsdShape = qvdb_with_factory(
    qvdb_record_shape(kQvdbSettings, sizeof(OsdRecord), QVDB_FIELDS(kOsdFields), "channel", kQvdbChannels,
                      kQvdbChannels),
    fill_factory_osd);
QVDB_TABLE(kOsdTable, "osd", kOsdShape);

const QvdbField kPrivacyMaskFields[] = {
    QVDB_FIELD(PrivacyMaskRecord, channel, "channel"),
    QVDB_FIELD(PrivacyMaskRecord, words, "area_words"),
};
const QvdbShape kPrivacyMaskShape = qvdb_record_shape(kQvdbSettings, sizeof(PrivacyMaskRecord),
                                                      QVDB_FIELDS(kPrivacyMaskFields), "channel", kQvdbChannels,
                                                      kQvdbChannels);
QVDB_TABLE(kPrivacyMaskTable, "privacy_mask", kPrivacyMaskShape);

// The catalogue of a new device: ONVIF cameras (model 0), plain RTSP sources (model 1) and the
// maker's own cameras, which speak QVSF (models 2 to 7; model 7 is found on its PoE port).
struct FactoryModel {
    int protocol;
    const char *name;
    int alarm_type;
    int default_model;
};
const FactoryModel kFactoryModels[kCameraModels] = {
    {0, "ONVIF", 0, 1},     {1, "RTSP", 0, 1},    {2, "QV-IPC", 1, 1}, {2, "QV-PTZ", 1, 0},
    {2, "QV-FISHEYE", 1, 0}, {2, "QV-LPR", 1, 0}, {2, "QV-AI", 1, 0},  {2, "QV-POE", 1, 0},
};
const char *const kFactoryProtocols[] = {"ONVIF", "RTSP", "QVSF"};
constexpr int kFactoryProtocolCount = static_cast<int>(sizeof kFactoryProtocols / sizeof kFactoryProtocols[0]);

const QvdbField kModelFields[] = {
    QVDB_FIELD(CameraModelRecord, id, "id"),
    QVDB_FIELD(CameraModelRecord, protocol, "protocol"),
    QVDB_FIELD(CameraModelRecord, name, "name"),
    QVDB_FIELD(CameraModelRecord, alarm_type, "alarm_type"),
    QVDB_FIELD(CameraModelRecord, default_model, "default_model"),
};
void fill_factory_model(void *record, int id, int) {
    CameraModelRecord *model = static_cast<CameraModelRecord *>(record);
    const FactoryModel &factory = kFactoryModels[id];
    model->protocol = factory.protocol;
    copy_text_field(model->name, sizeof model->name, factory.name);
    model->alarm_type = factory.alarm_type;
    model->default_model = factory.default_model;
}
const QvdbShape kModelShape = qvdb_with_factory(
    qvdb_record_shape(kQvdbSettings, sizeof(CameraModelRecord), QVDB_FIELDS(kModelFields), "id", kCameraModels,
                      kCameraModels),
    fill_factory_model);
QVDB_TABLE(kModelTable, "ipc_model", kModelShape);

const QvdbField kProtocolFields[] = {
    QVDB_FIELD(CameraProtocolRecord, id, "id"),
    QVDB_FIELD(CameraProtocolRecord, name, "name"),
    QVDB_FIELD(CameraProtocolRecord, protocolFunction, "protocolFunction"),
    QVDB_FIELD(CameraProtocolRecord, enable, "enable"),
    QVDB_FIELD(CameraProtocolRecord, display_model, "display_model"),
};
void fill_factory_protocol(void *record, int id, int) {
    CameraProtocolRecord *protocol = static_cast<CameraProtocolRecord *>(record);
    copy_text_field(protocol->name, sizeof protocol->name, kFactoryProtocols[id]);
    protocol->enable = 1;
}
const QvdbShape kProtocolShape = qvdb_with_factory(
    qvdb_record_shape(kQvdbSettings, sizeof(CameraProtocolRecord), QVDB_FIELDS(kProtocolFields), "id",
                      kCameraProtocols, kFactoryProtocolCount),
    fill_factory_protocol);
QVDB_TABLE(kProtocolTable, "ipc_protocol", kProtocolShape);

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(camera, CameraRecord, kCameraTable)
QVDB_DEFINE_RECORD_FUNCTIONS(ipc_model, CameraModelRecord, kModelTable)
QVDB_DEFINE_RECORD_FUNCTIONS(ipc_protocol, CameraProtocolRecord, kProtocolTable)
QVDB_DEFINE_RECORD_FUNCTIONS(osd, OsdRecord, kOsdTable)
QVDB_DEFINE_RECORD_FUNCTIONS(privacy_mask, PrivacyMaskRecord, kPrivacyMaskTable)

int read_camera_ip(const char *db, int channel, char *address, int size) {
    if (!address || size <= 0) return -1;
    address[0] = '\0';
    CameraRecord record;
    memset(&record, 0, sizeof record);
    if (read_camera(db, &record, channel) != 0) return -1;
    copy_text_field(address, static_cast<size_t>(size), record.ipAddr);
    return 0;
}

int write_camera_ip(const char *db, int channel, const char *address) {
    if (!address || channel < 0 || channel >= kQvdbChannels) return -1;
    DbTransaction transaction(db);
    CameraRecord record;
    memset(&record, 0, sizeof record);
    if (!transaction.ok() || read_camera(db, &record, channel) != 0) return -1;
    copy_text_field(record.ipAddr, sizeof record.ipAddr, address);
    if (write_camera(db, &record) != 0) return -1;
    return transaction.commit();
}

int read_ipc_models_by_protocol(const char *db, CameraModelRecord *models, int capacity, int protocol, int *count) {
    if (!models || !count || capacity < 0) return -1;
    *count = 0;
    CameraModelRecord all[kCameraModels];
    int stored = 0;
    if (read_ipc_models(db, all, &stored) != 0) return -1;
    for (int i = 0; i < stored && *count < capacity; i++)
        if (all[i].protocol == protocol) models[(*count)++] = all[i];
    return 0;
}
