// Face detection end to end: the detection record sent to the camera, the actions stored with it,
// and their bounds.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <string>

#include "camera/camera_test_support.h"
#include "camera/maintenance_payloads.h"
#include "core/qvdb_camera_image.h"

namespace {

const char kStatusZero[] = "Content-type: application/json\r\n\r\n{ \"status\": 0 }";

const char kFace[] =
    "{\"chnId\":5,\"enable\":1,\"width\":1920,\"height\":1080,\"minPixel\":40,\"captureMode\":2,"
    "\"captureModeArray\":[{\"captureQuality\":80,\"snapshot\":1},{\"captureQuality\":60,\"snapshot\":0},"
    "{\"captureQuality\":40,\"snapshot\":1}],\"snapshotType\":1,\"snapshotInterval\":3,\"snapshotBackground\":1,"
    "\"poseYaw\":30,\"poseRoll\":20,\"posePitch\":10,\"blurLimit\":5,\"detection_polygonX\":\"0,100,100,0\","
    "\"detection_polygonY\":\"0,0,100,100\",\"uploadEnable\":1,\"uploadFileType\":2,\"nasEnable\":1,"
    "\"nasFileType\":3,\"emailEnable\":1,\"emailFileType\":4,\"httpEnable\":1,\"httpNotifyInterval\":9,"
    "\"httpUrl\":\"http://face/%s\",\"httpUser\":\"u\",\"httpPassword\":\"p\",\"recordSeconds\":11,"
    "\"prerecordSeconds\":12,\"postEnable\":1,\"postType\":2,"
    "\"shield\":[{\"enable\":1,\"polygonX\":\"1,2\",\"polygonY\":\"3,4\"},{\"enable\":1,\"polygonX\":\"5\","
    "\"polygonY\":\"6\"}],\"attributeEnable\":1,\"attributeType\":7,\"mosaicEnable\":1,\"mosaicModeStatus\":2,"
    "\"mutuallyExclusive\":1}";

// One period on day 2, ["HH:00", "HH:30", 1].
std::string schedule_at(int hour) {
    char text[64];
    snprintf(text, sizeof text, "[[],[],[[\"%02d:00\",\"%02d:30\",1]]]", hour, hour);
    return text;
}

class FaceDetection : public CameraTest {
  protected:
    CameraAlarmInEventRecord event(int channel) {
        CameraAlarmInEventRecord record;
        memset(&record, 0, sizeof record);
        EXPECT_EQ(read_face_event(QVDB_PATH, &record, channel), 0);
        return record;
    }
    FaceDetectionRecord sent_record() {
        FaceDetectionRecord record;
        memset(&record, 0, sizeof record);
        Bytes payload = only(kRequestFaceConfig);
        EXPECT_EQ(payload.size(), sizeof record);
        if (payload.size() == sizeof record) memcpy(&record, payload.data(), sizeof record);
        return record;
    }
};

TEST_F(FaceDetection, RecordBytesWithoutActions) {
    EXPECT_EQ(post_json("/2077", kFace).output, kStatusZero);
    EXPECT_EQ(codes(), std::vector<int>{kRequestFaceConfig});  // no 3383 without "action"
    Bytes payload = only(kRequestFaceConfig);
    ASSERT_EQ(payload.size(), 1620u);
    const struct {
        size_t offset;
        int32_t value;
    } words[] = {
        {4, 5},     {140, 1},   {144, 1920}, {148, 1080}, {152, 40},  {156, 2},   {160, 80},  {164, 60},
        {168, 40},  {172, 1},   {176, 3},    {180, 1},    {184, 30},  {188, 20},  {192, 10},  {196, 5},
        {408, 1},   {412, 2},   {416, 1},    {420, 3},    {424, 1},   {428, 4},   {432, 1},   {436, 9},
        {696, 1},   {700, 0},   {704, 1},    {708, 11},   {712, 12},  {716, 1},   {720, 2},   {804, 1},
        {1000, 1},  {1196, 0},  {1392, 0},   {1588, 1},   {1592, 7},  {1596, 1},  {1600, 2},  {1604, 1},
    };
    for (const auto &w : words) EXPECT_EQ(payload_i32(payload, w.offset), w.value) << "offset " << w.offset;
    EXPECT_EQ(payload_text(payload, 280, 64), "0,100,100,0");
    EXPECT_EQ(payload_text(payload, 344, 64), "0,0,100,100");
    EXPECT_EQ(payload_text(payload, 440, 128), "http://face/%s");
    EXPECT_EQ(payload_text(payload, 568, 64), "u");
    EXPECT_EQ(payload_text(payload, 632, 64), "p");
    EXPECT_EQ(payload_text(payload, 804 + 68, 64), "1,2");
    EXPECT_EQ(payload_text(payload, 804 + 132, 64), "3,4");
    EXPECT_EQ(payload_text(payload, 1000 + 68, 64), "5");
    // Shields 2 and 3 (not given) and every unlisted byte stay zero.
    for (size_t i = 1196; i < 1588; i++) ASSERT_EQ(payload[i], 0) << "byte " << i;
    for (size_t i = 8; i < 140; i++) ASSERT_EQ(payload[i], 0) << "byte " << i;
    for (size_t i = 1608; i < 1620; i++) ASSERT_EQ(payload[i], 0) << "byte " << i;
    // The database is untouched.
    EXPECT_EQ(event(5).interval, 0);
}

TEST_F(FaceDetection, ArraysAndTextsAreBounded) {
    std::string shields = "[";
    for (int i = 0; i < 6; i++) shields += std::string(i ? "," : "") + "{\"enable\":" + std::to_string(i + 1) + "}";
    shields += "]";
    std::string body = json_with(kFace, "shield", shields);
    body = json_with(body, "captureModeArray", "[{\"snapshot\":1},7,{\"snapshot\":3},{\"snapshot\":4},{\"snapshot\":5}]");
    body = json_with(body, "httpUrl", "\"" + std::string(300, 'u') + "\"");
    body = json_with(body, "httpUser", "\"" + std::string(300, 'n') + "\"");
    body = json_with(body, "detection_polygonX", "\"" + std::string(300, 'x') + "\"");
    EXPECT_EQ(post_json("/2077", body).output, kStatusZero);
    FaceDetectionRecord record = sent_record();
    EXPECT_EQ(record.shield[3].enable, 4);  // items 4 and 5 are dropped, nothing past the shields
    EXPECT_EQ(record.attributeEnable, 1);
    EXPECT_EQ(record.snapshot[0], 1);
    EXPECT_EQ(record.snapshot[1], 0);  // not an object
    EXPECT_EQ(record.snapshot[2], 3);
    EXPECT_EQ(record.recordSeconds, 11);  // the fourth mode does not spill
    EXPECT_EQ(std::string(record.httpUrl), std::string(127, 'u'));
    EXPECT_EQ(std::string(record.httpUser), std::string(63, 'n'));
    EXPECT_EQ(std::string(record.detection_polygonX), std::string(63, 'x'));
    EXPECT_EQ(std::string(record.detection_polygonY), "0,0,100,100");
}

TEST_F(FaceDetection, RefusalsWriteAndSendNothing) {
    const struct {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, json_with(kFace, "chnId", "16")},
        {__LINE__, json_with(kFace, "chnId", "-1")},
        {__LINE__, json_with(kFace, "chnId", "4294967295")},
        {__LINE__, json_with(kFace, "chnId", "")},
        {__LINE__, json_with(kFace, "chnId", "\"x\"")},
        {__LINE__, "{\"chnId\":1"},
        {__LINE__, "[1]"},
    };
    for (const auto &c : cases) {
        std::string body = c.body;
        if (body[0] == '{' && body.back() == '}') body = json_with(body, "action", "{\"interval\":9}");
        EXPECT_EQ(post_json("/2077", body).output, kJsonErrorAnswer) << "line " << c.line;
    }
    EXPECT_TRUE(codes().empty());
    EXPECT_EQ(event(15).interval, 0);
}

TEST_F(FaceDetection, ActionsAreStoredTogetherAndAnnounced) {
    std::string action =
        "{\"effective\":" + schedule_at(1) + ",\"audible\":" + schedule_at(2) + ",\"email\":" + schedule_at(3) +
        ",\"ptz\":" + schedule_at(4) + ",\"white\":" + schedule_at(5) + ",\"httpSche\":" + schedule_at(6) +
        ",\"interval\":21,\"audioId\":3,\"email_interval\":22,\"email_pic_enable\":1,\"tri_channels_pic\":\"" +
        std::string(80, '1') + "\",\"ptz_interval\":23,\"white_interval\":24,\"http_notification_interval\":25,"
        "\"alarmout_interval\":26,\"triAlarms\":5,\"triChnAlarms\":[\"10\",\"01\"],\"triChannels\":\"0" +
        std::string(99, '1') + "\",\"warning_light_interval\":77,\"enable\":9,"
        "\"ptzParams\":[{\"acto_ptz_channel\":7,\"acto_ptz_type\":1,\"acto_ptz_preset\":4}],"
        "\"whiteInfo\":[[2,1,30]],\"httpParams\":{\"url\":\"http://x/%d\",\"username\":\"a\",\"password\":\"b\"}}";
    EXPECT_EQ(post_json("/2077", json_with(kFace, "action", action)).output, kStatusZero);
    EXPECT_EQ(codes(), (std::vector<int>{kRequestFaceActions, kRequestFaceConfig}));
    EXPECT_EQ(only(kRequestFaceActions), le_words({5}));

    CameraAlarmInEventRecord stored = event(5);
    EXPECT_EQ(stored.chnid, 5);
    EXPECT_EQ(stored.interval, 21);
    EXPECT_EQ(stored.audioId, 3);
    EXPECT_EQ(stored.email_interval, 22);
    EXPECT_EQ(stored.http_notification_interval, 25);
    EXPECT_EQ(stored.alarmout_interval, 26);
    EXPECT_EQ(stored.triAlarms, 5);
    EXPECT_EQ(std::string(stored.tri_channels_pic), std::string(64, '1'));
    // The channel text is read only to 64 characters: nothing is shifted by 64 or more.
    EXPECT_EQ(std::string(stored.triChannels), "0" + std::string(63, '1'));
    EXPECT_EQ(stored.tri_channels_mask, ~1ULL);
    EXPECT_STREQ(stored.triChnAlarms1, "10");
    EXPECT_STREQ(stored.triChnAlarms2, "01");
    EXPECT_EQ(stored.warning_light_interval, 0);  // not a face action
    EXPECT_EQ(stored.enable, 0);

    WeeklySchedule schedule;
    int (*const readers[])(const char *, WeeklySchedule *, int) = {
        read_face_effective_schedule, read_face_audible_schedule, read_face_mail_schedule, read_face_ptz_schedule,
        read_face_whiteled_schedule};
    for (int i = 0; i < 5; i++) {
        ASSERT_EQ(readers[i](QVDB_PATH, &schedule, 5), 0);
        EXPECT_EQ(std::string(schedule.day[2].period[0].startTime), "0" + std::to_string(i + 1) + ":00") << i;
    }
    ASSERT_EQ(read_http_notification_schedule(QVDB_PATH, &schedule, kFaceHttpScheduleTable, 5), 0);
    EXPECT_STREQ(schedule.day[2].period[0].startTime, "06:00");
    HttpTarget target;
    ASSERT_EQ(read_http_notification_params(QVDB_PATH, &target, kFaceHttpTargetTable, 5), 0);
    EXPECT_STREQ(target.url, "http://x/%d");
    WhiteLedList lights;
    QvdbTableKey key = {5, "face_whiteled_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &lights, &key), 0);
    ASSERT_EQ(lights.count, 1);
    EXPECT_EQ(lights.entry[0].chnid, 2);
    EXPECT_EQ(lights.entry[0].time, 30);

    // The linkage list is the face list (type 26) of the channel, as the PTZ linkage page reads it.
    json_object *linkage = post_answer("/6161", "{\"type\":26,\"chn_id\":5}");
    ASSERT_NE(linkage, nullptr);
    ASSERT_EQ(length_at(linkage, "ptzInfo"), 1u);
    EXPECT_EQ(json_int(item_at(linkage, "ptzInfo", 0), "acto_ptz_channel"), 7);
    EXPECT_EQ(json_int(item_at(linkage, "ptzInfo", 0), "acto_ptz_preset"), 4);
    EXPECT_EQ(length_at(post_answer("/6161", "{\"type\":1,\"chn_id\":5}"), "ptzInfo"), 0u);

    // A second save changes only what it carries.
    EXPECT_EQ(post_json("/2077", json_with(kFace, "action", "{\"interval\":31}")).output, kStatusZero);
    EXPECT_EQ(event(5).interval, 31);
    EXPECT_EQ(event(5).audioId, 3);
}

TEST_F(FaceDetection, OversizedActionArraysAreBounded) {
    std::string ptz = "[";
    for (int i = 0; i < 70; i++) ptz += std::string(i ? "," : "") + "{\"acto_ptz_channel\":" + std::to_string(i + 1) + "}";
    ptz += "]";
    std::string white = "[";
    for (int i = 0; i < 20; i++) white += std::string(i ? "," : "") + "[" + std::to_string(i % 64) + ",1,5]";
    white += "]";
    EXPECT_EQ(post_json("/2077", json_with(kFace, "action", "{\"ptzParams\":" + ptz + ",\"whiteInfo\":" + white + "}"))
                  .output,
              kStatusZero);
    PtzLinkList list;
    ASSERT_EQ(read_ptz_params(QVDB_PATH, &list, 26, 5), 0);
    EXPECT_EQ(list.count, 64);
    WhiteLedList lights;
    QvdbTableKey key = {5, "face_whiteled_params"};
    ASSERT_EQ(read_whiteled_params(QVDB_PATH, &lights, &key), 0);
    EXPECT_EQ(lights.count, 16);
}

TEST_F(FaceDetection, UnreadableEventRecordIsNotWrittenBack) {
    EXPECT_EQ(event(5).chnid, 5);  // a new device holds the record
    exec_sql("DELETE FROM records WHERE kind = 'face_event' AND id = 5");
    std::string action = "{\"interval\":9,\"effective\":" + schedule_at(1) + "}";
    EXPECT_EQ(post_json("/2077", json_with(kFace, "action", action)).output, kJsonErrorAnswer);
    EXPECT_TRUE(codes().empty());
    CameraAlarmInEventRecord record;
    EXPECT_NE(read_face_event(QVDB_PATH, &record, 5), 0);
    WeeklySchedule schedule;
    ASSERT_EQ(read_face_effective_schedule(QVDB_PATH, &schedule, 5), 0);
    EXPECT_STREQ(schedule.day[2].period[0].startTime, "");  // the whole action was rolled back
}

}  // namespace
