// The device record of the configuration database: what the settings say the device has.
#ifndef NVR_CORE_QVDB_DEVICE_H
#define NVR_CORE_QVDB_DEVICE_H

#include <stdint.h>

struct DeviceRecord {
    int32_t id;
    int32_t channels;  // camera channels: "max_cameras", 0 to 64
};
static_assert(sizeof(DeviceRecord) == 8, "device record is 8 bytes");

// Fills the device record of the settings file db. 0, or -1 for a null argument.
int db_get_device(const char *db, DeviceRecord *record);

#endif
