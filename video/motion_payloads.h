// Daemon payloads of the motion-detection routes: motion area, copy, "enableMS" state and the
// whole-day schedule.
#ifndef NVR_VIDEO_MOTION_PAYLOADS_H
#define NVR_VIDEO_MOTION_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

constexpr int kRequestMotionChanged = 1403;
constexpr int kRequestMotionCopied = 1410;
constexpr int kRequestMotionMap = 3206;
constexpr int kRequestMotionArea = 3207;
constexpr int kRequestMotionWholeDay = 3209;
constexpr int kRequestMotionState = 3212;
constexpr int kRequestMotionAreaCopy = 3251;
constexpr int kRequestMotionCopyWholeDay = 3252;

constexpr int kMotionAreaTableSize = 300;
constexpr int kMaxChannels = 64;

// Request 3207 (the system fills table, sensitivity and channel) and reply 8206.
struct MotionAreaRecord {
    int32_t enable;
    char table[kMotionAreaTableSize];
    int32_t sensitivity;
    int32_t channel;
    int32_t result;
    int32_t model_type;
    int32_t fish_display;
    int32_t fish_transfer;
    int32_t fish_install;
    int32_t enable_ai;
    int32_t reserved;
};
static_assert(sizeof(MotionAreaRecord) == 340, "motion area record is 340 bytes");
static_assert(offsetof(MotionAreaRecord, table) == 4, "table at 4");
static_assert(offsetof(MotionAreaRecord, sensitivity) == 304, "sensitivity at 304");
static_assert(offsetof(MotionAreaRecord, channel) == 308, "channel at 308");
static_assert(offsetof(MotionAreaRecord, result) == 312, "result at 312");
static_assert(offsetof(MotionAreaRecord, model_type) == 316, "model type at 316");
static_assert(offsetof(MotionAreaRecord, enable_ai) == 332, "enableAI at 332");

// Request 3251: a motion area and the channels it is copied to.
struct MotionAreaCopyRecord {
    char table[kMotionAreaTableSize];
    int32_t sensitivity;
    int32_t channel;
    int32_t enable_ms;
    int32_t copy_channels[kMaxChannels];  // ascending channel numbers
    int32_t copy_count;
    int32_t enable_ai;
    int32_t detection;
};
static_assert(sizeof(MotionAreaCopyRecord) == 580, "motion area copy record is 580 bytes");
static_assert(offsetof(MotionAreaCopyRecord, sensitivity) == 300, "sensitivity at 300");
static_assert(offsetof(MotionAreaCopyRecord, enable_ms) == 308, "enableMS at 308");
static_assert(offsetof(MotionAreaCopyRecord, copy_channels) == 312, "copy channels at 312");
static_assert(offsetof(MotionAreaCopyRecord, copy_count) == 568, "copy count at 568");
static_assert(offsetof(MotionAreaCopyRecord, detection) == 576, "detection at 576");

// Request 3212: the "enableMS" state of a channel and of its copy targets.
struct MotionStateRecord {
    int32_t channel;
    int32_t enable_ms;  // 1 when "enableMS" is 1, else 0
    int32_t copy_channels[kMaxChannels];
    int32_t copy_count;
};
static_assert(sizeof(MotionStateRecord) == 268, "motion state record is 268 bytes");
static_assert(offsetof(MotionStateRecord, copy_channels) == 8, "copy channels at 8");
static_assert(offsetof(MotionStateRecord, copy_count) == 264, "copy count at 264");

// Requests 3209 and 3252: a schedule covering every day completely.
struct WholeDayPeriod {
    int32_t start_hour;
    int32_t start_minute;
    int32_t end_hour;
    int32_t end_minute;
};
struct WholeDayEntry {
    int32_t day;  // 0 to 6
    int32_t enable;
    WholeDayPeriod periods[4];
    uint8_t unused[64];
};
static_assert(sizeof(WholeDayEntry) == 136, "whole-day entry is 136 bytes");
struct WholeDayRecord {
    int32_t channel;
    uint8_t reserved[64];
    WholeDayEntry days[7];
    uint8_t tail[196];
};
static_assert(sizeof(WholeDayRecord) == 1216, "whole-day record is 1216 bytes");
static_assert(offsetof(WholeDayRecord, days) == 68, "day entries at 68");

// Fills the whole-day record: every period of every day runs from 0:00 to 24:00.
void fill_whole_day_record(WholeDayRecord *record, int channel);

// Fills ascending channel numbers of a channel set; returns their count.
int channel_numbers_of_set(uint64_t set, int32_t numbers[kMaxChannels]);

#endif
