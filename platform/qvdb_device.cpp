// The device record of the configuration database, made from the settings' parameters.
#include "core/qvdb_device.h"

#include "core/qvdb.h"

int db_get_device(const char *db, DeviceRecord *record) {
    if (!db || !record) return -1;
    int channels = get_param_int(db, "max_cameras", 32);
    record->id = 0;
    record->channels = channels < 0 ? 0 : channels > kQvdbChannels ? kQvdbChannels : channels;
    return 0;
}
