// Database tables of user accounts, customer (OEM) accounts and alarm audio files.
#include <string.h>

#include "platform/qvdb_internal.h"

namespace {

const QvdbField kUserFields[] = {
    QVDB_FIELD(UserRecord, id, "id"),
    QVDB_FIELD(UserRecord, enable, "enable"),
    QVDB_FIELD(UserRecord, name, "name"),
    QVDB_FIELD(UserRecord, password, "password"),
    QVDB_FIELD(UserRecord, type, "type"),
    QVDB_FIELD(UserRecord, localliveview, "local_liveview_channels"),
    QVDB_FIELD(UserRecord, localplayback, "local_playback_channels"),
    QVDB_FIELD(UserRecord, remoteliveview, "remote_liveview_channels"),
    QVDB_FIELD(UserRecord, remoteplayback, "remote_playback_channels"),
    QVDB_FIELD(UserRecord, flag_text, "flag_text"),
    QVDB_FIELD(UserRecord, localLiveView, "local_live_view"),
    QVDB_FIELD(UserRecord, localPlayback, "local_playback"),
    QVDB_FIELD(UserRecord, localRetrieve, "local_retrieve"),
    QVDB_FIELD(UserRecord, localSmartAnalysis, "local_smart_analysis"),
    QVDB_FIELD(UserRecord, localEvent, "local_event"),
    QVDB_FIELD(UserRecord, localCamera, "local_camera"),
    QVDB_FIELD(UserRecord, localStorage, "local_storage"),
    QVDB_FIELD(UserRecord, localSettings, "local_settings"),
    QVDB_FIELD(UserRecord, localStatus, "local_status"),
    QVDB_FIELD(UserRecord, localShutdown, "local_shutdown"),
    QVDB_FIELD(UserRecord, remoteLiveView, "remote_live_view"),
    QVDB_FIELD(UserRecord, remotePlayback, "remote_playback"),
    QVDB_FIELD(UserRecord, remoteRetrieve, "remote_retrieve"),
    QVDB_FIELD(UserRecord, remoteSmartAnalysis, "remote_smart_analysis"),
    QVDB_FIELD(UserRecord, remoteEvent, "remote_event"),
    QVDB_FIELD(UserRecord, remoteCamera, "remote_camera"),
    QVDB_FIELD(UserRecord, remoteStorage, "remote_storage"),
    QVDB_FIELD(UserRecord, remoteSettings, "remote_settings"),
    QVDB_FIELD(UserRecord, remoteStatus, "remote_status"),
    QVDB_FIELD(UserRecord, remoteShutdown, "remote_shutdown"),
    QVDB_FIELD(UserRecord, permission, "permission"),
    QVDB_FIELD(UserRecord, remotePermission, "remote_permission"),
    QVDB_FIELD(UserRecord, localliveview_mask, "local_liveview_mask"),
    QVDB_FIELD(UserRecord, localplayback_mask, "local_playback_mask"),
    QVDB_FIELD(UserRecord, remoteliveview_mask, "remote_liveview_mask"),
    QVDB_FIELD(UserRecord, remoteplayback_mask, "remote_playback_mask"),
};
// No account exists in a new database.
const QvdbShape kUserShape =
    qvdb_record_shape(kQvdbSettings, sizeof(UserRecord), QVDB_FIELDS(kUserFields), "id", kQvdbMaxUsers, 0);
QVDB_TABLE(kUserTable, "users", kUserShape);

const QvdbField kOemUserFields[] = {
    QVDB_FIELD(OemUserRecord, id, "id"),
    QVDB_FIELD(OemUserRecord, enable, "enable"),
    QVDB_FIELD(OemUserRecord, name, "name"),
    QVDB_FIELD(OemUserRecord, password, "password"),
    QVDB_FIELD(OemUserRecord, type, "type"),
    QVDB_FIELD(OemUserRecord, permission, "permission"),
    QVDB_FIELD(OemUserRecord, remotePermission, "remote_permission"),
};
const QvdbShape kOemUserShape =
    qvdb_record_shape(kQvdbOem, sizeof(OemUserRecord), QVDB_FIELDS(kOemUserFields), "id", kQvdbMaxUsers, 0);
QVDB_TABLE(kOemUserTable, "oem_users", kOemUserShape);

const QvdbField kAudioFileFields[] = {
    QVDB_FIELD(AlarmAudioFile, id, "id"),
    QVDB_FIELD(AlarmAudioFile, enable, "enable"),
    QVDB_FIELD(AlarmAudioFile, name, "name"),
};
// Ten slots, all disabled in a new database.
const QvdbShape kAudioFileShape = qvdb_record_shape(kQvdbSettings, sizeof(AlarmAudioFile),
                                                    QVDB_FIELDS(kAudioFileFields), "id", kQvdbAudioFiles,
                                                    kQvdbAudioFiles);
QVDB_TABLE(kAudioFileTable, "alarm_audio_files", kAudioFileShape);

}  // namespace

QVDB_DEFINE_RECORD_FUNCTIONS(user, UserRecord, kUserTable)

int read_user_by_name(const char *db, UserRecord *record, const char *name) {
    return qvdb_read_record_by_text(db, kUserTable, record, "name", name, 0, "enable");
}

int read_user_by_name_prefix(const char *db, UserRecord *record, const char *name, int length) {
    if (length <= 0) return -1;
    return qvdb_read_record_by_text(db, kUserTable, record, "name", name, length, "enable");
}

int read_user_count(const char *db, int *count) { return qvdb_count_records(db, kUserTable, "enable", count); }

int add_user(const char *db, UserRecord *record) {
    if (!record) return -1;
    DbTransaction transaction(db);
    if (!transaction.ok()) return -1;
    UserRecord stored = *record;
    stored.id = qvdb_free_key(db, kUserTable, "enable");
    if (stored.id < 0 || write_user(db, &stored) != 0) return -1;
    if (transaction.commit() != 0) return -1;
    record->id = stored.id;
    return 0;
}

int read_users_oem(const char *db, OemUserRecord *array, int *count) {
    return qvdb_read_records(db, kOemUserTable, array, kQvdbMaxUsers, count);
}

int write_user_oem(const char *db, const OemUserRecord *record) { return qvdb_write_record(db, kOemUserTable, record); }

int read_alarm_audio_file(const char *db, AlarmAudioFile *record, int id) {
    return qvdb_read_record(db, kAudioFileTable, record, id);
}

int write_alarm_audio_file(const char *db, const AlarmAudioFile *record) {
    return qvdb_write_record(db, kAudioFileTable, record);
}

int get_audio_file_id_mask() {
    AlarmAudioFile files[kQvdbAudioFiles];
    int count = 0;
    if (qvdb_read_records(QVDB_PATH, kAudioFileTable, files, kQvdbAudioFiles, &count) != 0) return 0;
    int mask = 0;
    for (int i = 0; i < count; i++)
        if (files[i].enable == 1 && files[i].id >= 0 && files[i].id < kQvdbAudioFiles) mask |= 1 << files[i].id;
    return mask;
}
