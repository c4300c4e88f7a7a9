// Configuration database records of the scheduled snapshots: the settings of a channel and its
// weekly snapshot schedule.
#ifndef NVR_CORE_QVDB_SNAPSHOT_H
#define NVR_CORE_QVDB_SNAPSHOT_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// Snapshot settings of one channel (table "snapshot", keyed by "channel"). The words at 4, 20
// and 24 belong to the daemon; the pages never set them.
struct SnapshotRecord {
    int32_t channel;
    int32_t word1;
    int32_t quality;
    int32_t interval;
    int32_t interval_unit;
    int32_t word5;
    int32_t word6;
    int32_t expiration_date;
    int32_t resolution;
};
static_assert(offsetof(SnapshotRecord, quality) == 8, "snapshot quality at 8");
static_assert(offsetof(SnapshotRecord, interval_unit) == 16, "snapshot interval unit at 16");
static_assert(offsetof(SnapshotRecord, expiration_date) == 28, "snapshot expiration at 28");
static_assert(sizeof(SnapshotRecord) == 36, "snapshot record is 36 bytes");

QVDB_DECLARE_RECORD_FUNCTIONS(snapshot, SnapshotRecord)

// The weekly snapshot schedule of one channel.
struct SnapshotScheduleRecord {
    int32_t channel;
    WeeklySchedule schedule;
};
static_assert(offsetof(SnapshotScheduleRecord, schedule) == 4, "snapshot schedule at 4");
static_assert(sizeof(SnapshotScheduleRecord) == 27716, "snapshot schedule record is 27716 bytes");

// A channel's schedule (an empty one when none is stored); record->channel is set.
int read_snapshot_schedule(const char *db, SnapshotScheduleRecord *record, int channel);
// Stores records[c] for each channel c of the list (count channel numbers, each 0 to 63; others
// are skipped), in one transaction.
int write_snapshot_schedules(const char *db, const SnapshotScheduleRecord records[kQvdbChannels],
                             const int32_t *channels, int count);

#endif
