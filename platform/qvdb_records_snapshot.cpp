// Database tables of the scheduled snapshots: settings and weekly schedules per channel.
#include "core/qvdb_snapshot.h"

namespace {

const QvdbField kSnapshotFields[] = {
    QVDB_FIELD(SnapshotRecord, channel, "channel"),
    QVDB_FIELD(SnapshotRecord, word1, "word1"),
    QVDB_FIELD(SnapshotRecord, quality, "quality"),
    QVDB_FIELD(SnapshotRecord, interval, "interval"),
    QVDB_FIELD(SnapshotRecord, interval_unit, "interval_unit"),
    QVDB_FIELD(SnapshotRecord, word5, "word5"),
    QVDB_FIELD(SnapshotRecord, word6, "word6"),
    QVDB_FIELD(SnapshotRecord, expiration_date, "expiration_date"),
    QVDB_FIELD(SnapshotRecord, resolution, "resolution"),
};
const QvdbShape kSnapshotShape = qvdb_record_shape(kQvdbSettings, sizeof(SnapshotRecord),
                                                   QVDB_FIELDS(kSnapshotFields), "channel", kQvdbChannels,
                                                   kQvdbChannels);
QVDB_TABLE(kSnapshotTable, "snapshot", kSnapshotShape);

QVDB_SCHEDULE_TABLE(kSnapshotSchedule, "snapshot_schedule");

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(snapshot, SnapshotRecord, kSnapshotTable)

int read_snapshot_schedule(const char *db, SnapshotScheduleRecord *record, int channel) {
    if (!record) return -1;
    record->channel = channel;
    return qvdb_read_schedule(db, kSnapshotSchedule, &record->schedule, channel);
}

int write_snapshot_schedules(const char *db, const SnapshotScheduleRecord records[kQvdbChannels],
                             const int32_t *channels, int count) {
    if (!records || !channels || count < 0) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    for (int i = 0; i < count && i < kQvdbChannels; i++) {
        int channel = channels[i];
        if (channel < 0 || channel >= kQvdbChannels) continue;
        if (qvdb_write_schedule(db, kSnapshotSchedule, &records[channel].schedule, channel) != 0) transaction.fail();
    }
    return transaction.commit();
}
