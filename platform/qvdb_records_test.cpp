// Database library: round trips of every record kind, lists, schedules and parameters.
#include <string.h>

#include "platform/qvdb_test_support.h"

namespace {

using RecordRoundTrip = DbTest;

TEST_F(RecordRoundTrip, MotionRecordKeepsEveryFieldAndFullLengthTexts) {
    MotionRecord stored;
    memset(&stored, 0, sizeof stored);
    stored.channel = 63;
    stored.enable = 1;
    stored.sensitivity = 7;
    stored.tri_channels_mask = 0x8000000000000001ULL;
    stored.triAlarms = 5;
    fill_text(stored.motionTable, 'm');
    stored.interval = 30;
    stored.enableMS = 1;
    fill_text(stored.triChannels, '1');
    stored.email_enable = 1;
    stored.email_interval = 11;
    fill_text(stored.triChnAlarms1, 'a');
    fill_text(stored.triChnAlarms2, 'b');
    stored.ptz_interval = 12;
    stored.alarmout_interval = 13;
    stored.white_interval = 14;
    stored.warning_light_interval = 15;
    stored.email_pic_enable = 1;
    fill_text(stored.tri_channels_pic, 'p');
    stored.audioId = 9;
    stored.http_notification_interval = -16;
    ASSERT_EQ(write_motion(QVDB_PATH, &stored), 0);

    MotionRecord loaded;
    memset(&loaded, 0, sizeof loaded);
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 63), 0);
    EXPECT_EQ(memcmp(&stored, &loaded, sizeof stored), 0);
}

TEST_F(RecordRoundTrip, UnterminatedTextIsCutAtTheFieldAndNeighboursStayIntact) {
    MotionRecord stored;
    memset(&stored, 0, sizeof stored);
    stored.channel = 2;
    memset(stored.triChannels, '1', sizeof stored.triChannels);  // no NUL at all
    stored.email_enable = 77;
    ASSERT_EQ(write_motion(QVDB_PATH, &stored), 0);
    MotionRecord loaded;
    memset(&loaded, 0xAA, sizeof loaded);
    ASSERT_EQ(read_motion(QVDB_PATH, &loaded, 2), 0);
    EXPECT_EQ(strlen(loaded.triChannels), sizeof loaded.triChannels - 1);
    EXPECT_EQ(loaded.email_enable, 77);
}

TEST_F(RecordRoundTrip, UserRecordAllFields) {
    UserRecord stored;
    memset(&stored, 0, sizeof stored);
    stored.id = 99;
    stored.enable = 1;
    fill_text(stored.name, 'n');
    fill_text(stored.password, 'f');
    stored.type = 3;
    fill_text(stored.localliveview, '1');
    fill_text(stored.localplayback, '0');
    fill_text(stored.remoteliveview, '1');
    fill_text(stored.remoteplayback, '0');
    fill_text(stored.flag_text, '0');
    int32_t *rights = &stored.localLiveView;
    for (int i = 0; i < 20; i++) rights[i] = i + 1;
    stored.permission = -1;
    stored.remotePermission = 4;
    stored.localliveview_mask = 0xFFFFFFFFu;
    stored.localplayback_mask = 1;
    stored.remoteliveview_mask = 0x80000000u;
    stored.remoteplayback_mask = 3;
    ASSERT_EQ(write_user(QVDB_PATH, &stored), 0);
    UserRecord loaded;
    memset(&loaded, 0, sizeof loaded);
    ASSERT_EQ(read_user(QVDB_PATH, &loaded, 99), 0);
    EXPECT_EQ(memcmp(&stored, &loaded, sizeof stored), 0);
}

TEST_F(RecordRoundTrip, OemUserAndAudioFile) {
    OemUserRecord oem;
    memset(&oem, 0, sizeof oem);
    oem.id = 4;
    oem.enable = 1;
    fill_text(oem.name, 'o');
    fill_text(oem.password, 'd');
    oem.type = 2;
    oem.permission = 1;
    oem.remotePermission = -1;
    ASSERT_EQ(write_user_oem(QVDB_OEM_PATH, &oem), 0);
    OemUserRecord oems[kQvdbMaxUsers];
    int count = -1;
    ASSERT_EQ(read_users_oem(QVDB_OEM_PATH, oems, &count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(memcmp(&oem, &oems[0], sizeof oem), 0);
    // The OEM table lives only in the OEM file.
    EXPECT_EQ(read_users_oem(QVDB_PATH, oems, &count), -1);

    AlarmAudioFile audio;
    memset(&audio, 0, sizeof audio);
    audio.id = 9;
    audio.enable = 1;
    fill_text(audio.name, 'z');
    ASSERT_EQ(write_alarm_audio_file(QVDB_PATH, &audio), 0);
    AlarmAudioFile loaded;
    memset(&loaded, 0, sizeof loaded);
    ASSERT_EQ(read_alarm_audio_file(QVDB_PATH, &loaded, 9), 0);
    EXPECT_EQ(memcmp(&audio, &loaded, sizeof audio), 0);
}

TEST_F(RecordRoundTrip, RejectsKeysOutsideTheirRangeAndUnknownFiles) {
    MotionRecord record;
    memset(&record, 0, sizeof record);
    struct Case {
        int line;
        int channel;
    } cases[] = {{__LINE__, -1}, {__LINE__, 64}, {__LINE__, 1 << 30}};
    for (const Case &c : cases) {
        record.channel = c.channel;
        EXPECT_EQ(write_motion(QVDB_PATH, &record), -1) << "line " << c.line;
        EXPECT_EQ(read_motion(QVDB_PATH, &record, c.channel), -1) << "line " << c.line;
    }
    record.channel = 0;
    EXPECT_EQ(write_motion("/tmp/other.db", &record), -1);
    EXPECT_EQ(write_motion(nullptr, &record), -1);
    EXPECT_FALSE(root.exists("/tmp/other.db"));
}

}  // namespace
