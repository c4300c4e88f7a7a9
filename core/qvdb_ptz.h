// Configuration database records of PTZ control: the serial PTZ port of a channel, a camera's
// PTZ speeds, and a channel's eight preset tours.
#ifndef NVR_CORE_QVDB_PTZ_H
#define NVR_CORE_QVDB_PTZ_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// The serial PTZ port of a channel.
struct PtzPortRecord {
    int32_t channel;
    int32_t baudRate;
    int32_t dataBits;
    int32_t stopBits;
    int32_t parityType;  // 0 none, 1 odd, 2 even
    int32_t protocol;
    int32_t address;
    int32_t reserved;  // kept as stored
    int32_t connectType;
};
static_assert(sizeof(PtzPortRecord) == 36, "PTZ port record is 36 bytes");

// The PTZ speeds of a camera.
struct PtzSpeedRecord {
    int32_t camera;
    int32_t pan_speed;
    int32_t tilt_speed;
    int32_t zoom_speed;
    int32_t focus_speed;
};
static_assert(sizeof(PtzSpeedRecord) == 20, "PTZ speed record is 20 bytes");

constexpr int kPtzTours = 8;
constexpr int kPtzTourRows = 48;
constexpr int kPtzTourSlots = kPtzTours * kPtzTourRows;

// The preset tours of a channel: row r of tour t is slot t * 48 + r of the three columns.
struct PtzTourRecord {
    int32_t channel;
    int32_t preset[kPtzTourSlots];
    int32_t dwell_time[kPtzTourSlots];
    int32_t speed[kPtzTourSlots];
};
static_assert(sizeof(PtzTourRecord) == 4 + 3 * 4 * kPtzTourSlots, "PTZ tour record is 4612 bytes");

inline int ptz_tour_slot(int tour, int row) { return tour * kPtzTourRows + row; }

QVDB_DECLARE_RECORD_FUNCTIONS(ptz_port, PtzPortRecord)
QVDB_DECLARE_RECORD_FUNCTIONS(ptz_speed, PtzSpeedRecord)
QVDB_DECLARE_RECORD_FUNCTIONS(ptz_tour, PtzTourRecord)

#endif
