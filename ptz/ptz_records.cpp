// Database tables of PTZ control: serial ports, speeds and tours, one row per channel.
#include "core/qvdb_ptz.h"

namespace {

// A factory-new port: 9600 baud, 8 data bits, 1 stop bit, no parity, the first protocol, the
// camera's address being its channel number + 1.
void fill_factory_port(void *record, int key, int) {
    PtzPortRecord *port = static_cast<PtzPortRecord *>(record);
    port->baudRate = 9600;
    port->dataBits = 8;
    port->stopBits = 1;
    port->address = key + 1;
}

// A factory-new camera moves at the middle of the speed range on every axis.
constexpr int32_t kFactorySpeed = 5;
void fill_factory_speed(void *record, int, int) {
    PtzSpeedRecord *speed = static_cast<PtzSpeedRecord *>(record);
    speed->pan_speed = speed->tilt_speed = speed->zoom_speed = speed->focus_speed = kFactorySpeed;
}

const QvdbField kPtzPortFields[] = {
    QVDB_FIELD(PtzPortRecord, channel, "channel"),
    QVDB_FIELD(PtzPortRecord, baudRate, "baud_rate"),
    QVDB_FIELD(PtzPortRecord, dataBits, "data_bits"),
    QVDB_FIELD(PtzPortRecord, stopBits, "stop_bits"),
    QVDB_FIELD(PtzPortRecord, parityType, "parity"),
    QVDB_FIELD(PtzPortRecord, protocol, "protocol"),
    QVDB_FIELD(PtzPortRecord, address, "address"),
    QVDB_FIELD(PtzPortRecord, reserved, "reserved"),
    QVDB_FIELD(PtzPortRecord, connectType, "connect_type"),
};
const QvdbShape kPtzPortShape = qvdb_with_factory(
    qvdb_record_shape(kQvdbSettings, sizeof(PtzPortRecord), QVDB_FIELDS(kPtzPortFields), "channel", kQvdbChannels,
                      kQvdbChannels),
    fill_factory_port);
QVDB_TABLE(kPtzPortTable, "ptz_port", kPtzPortShape);

const QvdbField kPtzSpeedFields[] = {
    QVDB_FIELD(PtzSpeedRecord, camera, "camera"),
    QVDB_FIELD(PtzSpeedRecord, pan_speed, "pan_speed"),
    QVDB_FIELD(PtzSpeedRecord, tilt_speed, "tilt_speed"),
    QVDB_FIELD(PtzSpeedRecord, zoom_speed, "zoom_speed"),
    QVDB_FIELD(PtzSpeedRecord, focus_speed, "focus_speed"),
};
const QvdbShape kPtzSpeedShape = qvdb_with_factory(
    qvdb_record_shape(kQvdbSettings, sizeof(PtzSpeedRecord), QVDB_FIELDS(kPtzSpeedFields), "camera", kQvdbChannels,
                      kQvdbChannels),
    fill_factory_speed);
QVDB_TABLE(kPtzSpeedTable, "ptz_speed", kPtzSpeedShape);

const QvdbField kPtzTourFields[] = {
    QVDB_FIELD(PtzTourRecord, channel, "channel"),
    QVDB_FIELD(PtzTourRecord, preset, "preset"),
    QVDB_FIELD(PtzTourRecord, dwell_time, "dwell_time"),
    QVDB_FIELD(PtzTourRecord, speed, "speed"),
};
const QvdbShape kPtzTourShape = qvdb_record_shape(kQvdbSettings, sizeof(PtzTourRecord), QVDB_FIELDS(kPtzTourFields),
                                                  "channel", kQvdbChannels, kQvdbChannels);
QVDB_TABLE(kPtzTourTable, "ptz_tour", kPtzTourShape);

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(ptz_port, PtzPortRecord, kPtzPortTable)
QVDB_DEFINE_RECORD_FUNCTIONS(ptz_speed, PtzSpeedRecord, kPtzSpeedTable)
QVDB_DEFINE_RECORD_FUNCTIONS(ptz_tour, PtzTourRecord, kPtzTourTable)
