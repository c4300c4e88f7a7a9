// Filling the motion-detection daemon payloads that are built the same way by several routes.
#include "video/motion_payloads.h"

#include <string.h>

void fill_whole_day_record(WholeDayRecord *record, int channel) {
    memset(record, 0, sizeof *record);
    record->channel = channel;
    for (int day = 0; day < 7; day++) {
        WholeDayEntry &entry = record->days[day];
        entry.day = day;
        entry.enable = 1;
        for (WholeDayPeriod &period : entry.periods) period = WholeDayPeriod{0, 0, 24, 0};
    }
}

int channel_numbers_of_set(uint64_t set, int32_t numbers[kMaxChannels]) {
    int count = 0;
    for (int channel = 0; channel < kMaxChannels; channel++)
        if (set & (1ULL << channel)) numbers[count++] = channel;
    return count;
}
