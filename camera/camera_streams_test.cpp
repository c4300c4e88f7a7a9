// Camera stream, audio and camera-function routes end to end: relayed bytes, answers made from
// the cameras' replies, channel sets from texts and lists, and the counts of the audio tree.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "camera/camera_test_support.h"
#include "camera/function_payloads.h"

namespace {

const char kResZero[] = "Content-type: application/json\r\n\r\n{ \"res\": 0 }";

const char kStream[] =
    "{\"id\":9,\"mainFramerate\":25,\"mainBitrate\":4096,\"mainResWidth\":2560,\"mainResHeight\":1440,"
    "\"subEnable\":1,\"audioEnable\":1,\"videoTypeEnable\":1,\"fisheyeType\":2,\"mainVideoType\":1,"
    "\"IframeInterval\":50,\"bitrateControl\":1,\"SmartStream\":1,\"SmartStreamLevel\":3,\"recordtype\":2,"
    "\"etframerate\":10,\"etIframeinterval\":20,\"etbitrate\":30,\"subVideoType\":0,\"subResWidth\":704,"
    "\"subResHeight\":576,\"subFramerate\":15,\"subBitrate\":512,\"subIframeInterval\":30,"
    "\"SubBitrateControl\":2,\"SubSmartStream\":1,\"SubSmartStreamLevel\":4,\"transmitProtocol\":7,\"syncTime\":8}";

std::string channel_text(std::initializer_list<int> channels) {
    std::string text(64, '0');
    for (int c : channels) text[c] = '1';
    return text;
}

using CameraStreams = CameraTest;

TEST_F(CameraStreams, CapabilitiesWithTheChannelsSettings) {
    EXPECT_EQ(post_json("/2004", "{\"id\":3,\"name\":\"Gate\",\"enable\":1,\"ipAddr\":\"10.0.0.3\",\"managePort\":8000,"
                                 "\"camProtocol\":2,\"transmitProtocol\":3,\"syncTime\":1,\"ddns\":\"gate.example\","
                                 "\"httpsPort\":8443,\"mac_addr\":\"00:11:22:33:44:55\",\"poechannel\":4,"
                                 "\"physicalport\":5,\"userName\":\"admin\",\"password\":\"pw\"}")
                  .output,
              kOk);
    StreamCapsReply reply;
    memset(&reply, 0, sizeof reply);
    for (int i = 0; i < 24; i++) {
        reply.main.resolution[i][0] = 100 + i;
        reply.main.resolution[i][1] = 50 + i;
    }
    reply.main.width = 105;
    reply.main.height = 55;
    reply.main.framerateMax = 30;
    reply.main.bitrateCtrl = 2;
    reply.sub.resolution[0][0] = 704;
    reply.sub.resolution[0][1] = 576;
    reply.sub.resolution[1][0] = 640;  // a zero height ends the list
    reply.sub.resolution[2][0] = 352;
    reply.sub.resolution[2][1] = 288;
    reply.sub.width = 352;
    reply.sub.height = 288;
    reply.main.videoType = 7;
    reply.sub.videoType = 8;
    reply.ipc_type = 9;
    reply.thirdGop = 10;
    reply_with(3204, bytes_of(reply));
    json_object *answer = post_answer("/2009", "{\"chnid\":3}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"stateCode", "id", "name", "subEnable", "audioEnable", "videoTypeEnable",
                                        "mainVideoType", "subVideoType", "ipc_type", "syncTime", "protocol",
                                        "managePort", "physicalport", "poechannel", "mac_addr", "transmitProtocol",
                                        "ddns", "httpsPort", "mainStream", "subStream", "SupportSmartStream",
                                        "SmartStream", "SmartStreamLevel", "SubSupportSmartStream", "SubSmartStream",
                                        "SubSmartStreamLevel", "main", "sub", "mainGop", "subGop", "thirdGop"}));
    EXPECT_EQ(json_int(answer, "id"), 3);
    EXPECT_EQ(json_text(answer, "name"), "Gate");
    EXPECT_EQ(json_int(answer, "syncTime"), 1);
    EXPECT_EQ(json_int(answer, "protocol"), 2);  // the maker's own cameras speak protocol 2
    EXPECT_EQ(json_int(answer, "managePort"), 8000);
    EXPECT_EQ(json_int(answer, "physicalport"), 5);
    EXPECT_EQ(json_int(answer, "poechannel"), 4);
    EXPECT_EQ(json_text(answer, "mac_addr"), "00:11:22:33:44:55");
    EXPECT_EQ(json_int(answer, "transmitProtocol"), 3);
    EXPECT_EQ(json_text(answer, "ddns"), "gate.example");
    EXPECT_EQ(json_int(answer, "httpsPort"), 8443);
    EXPECT_EQ(json_int(answer, "mainVideoType"), 7);
    EXPECT_EQ(json_int(answer, "subVideoType"), 8);
    EXPECT_EQ(json_int(answer, "ipc_type"), 9);
    EXPECT_EQ(json_int(answer, "thirdGop"), 10);
    json_object *main = json_object_object_get(answer, "main");
    EXPECT_EQ(answer_keys(main),
              (std::vector<std::string>{"curRes", "res", "framerateMax", "framerateMin", "bitrateMax", "bitrateMin",
                                        "framerate", "bitrate", "iframeinterval", "iframeIntervalMin",
                                        "iframeIntervalMax", "bitrateCtrl"}));
    EXPECT_EQ(json_int(main, "curRes"), 5);
    ASSERT_EQ(length_at(main, "res"), 24u);
    EXPECT_EQ(answer_keys(item_at(main, "res", 23)), (std::vector<std::string>{"width", "height", "name"}));
    EXPECT_EQ(json_text(item_at(main, "res", 23), "name"), "123*73");
    EXPECT_EQ(json_int(main, "framerateMax"), 30);
    EXPECT_EQ(json_int(main, "bitrateCtrl"), 2);
    json_object *sub = json_object_object_get(answer, "sub");
    EXPECT_EQ(length_at(sub, "res"), 1u);
    EXPECT_EQ(json_int(sub, "curRes"), 0);  // 352*288 is past the end of the list
    EXPECT_EQ(only(kRequestStreamCaps), le_words({3}));

    // A state other than 0 is all there is to say; channels above 15 are refused.
    reply_with(3204, le_words({5}));
    EXPECT_EQ(post_json("/2009", "{\"chnid\":3}").output, "Content-type: application/json\r\n\r\n{ \"stateCode\": 5 }");
    for (const char *bad : {"{\"chnid\":16}", "{\"chnid\":-1}", "{}", "x"})
        EXPECT_EQ(post_json("/2009", bad).output, kJsonErrorAnswer) << bad;
}

TEST_F(CameraStreams, OneCameraStreamBytesAndLog) {
    reply_with(kRequestSetStream, le_words({1 << 9, 0}));
    EXPECT_EQ(post_json("/2010", kStream).output,
              "Content-type: application/json\r\n\r\n{ \"res\": \"" + channel_text({9}) + "\" }");
    Bytes payload = only(kRequestSetStream);
    ASSERT_EQ(payload.size(), 204u);
    EXPECT_EQ(payload_text(payload, 0, 64), channel_text({9}));
    const struct {
        size_t offset;
        int32_t value;
    } words[] = {
        {64, 0},    {68, -1},   {72, -1},   {76, -1},   {80, 1},    {84, 1},    {88, 2},   {92, 0},
        {96, 1},    {100, 2560}, {104, 1440}, {108, 25}, {112, 4096}, {116, 50}, {120, 1},  {124, 1},
        {128, 3},   {132, 2},   {136, 10},  {140, 20},  {144, 30},  {148, 0},   {152, 0},  {156, 704},
        {160, 576}, {164, 15},  {168, 512}, {172, 30},  {176, 2},   {180, 1},   {184, 4},  {188, -1},
        {192, -1},  {196, -1},  {200, -1},
    };
    for (const auto &w : words) EXPECT_EQ(payload_i32(payload, w.offset), w.value) << "offset " << w.offset;
    std::vector<SimRequest> logs = sent(3485, 1);
    ASSERT_EQ(logs.size(), 1u);  // the daemon changed channel 9
    EXPECT_EQ(payload_i32(logs[0].payload, 8), 212);
    EXPECT_EQ(payload_i32(logs[0].payload, 24), 903);
    EXPECT_EQ(payload_i32(logs[0].payload, 32), 10);
    forget_requests();

    // A change the daemon did not make is not logged.
    reply_with(kRequestSetStream, le_words({0, 1}));
    EXPECT_EQ(post_json("/2010", kStream).output,
              "Content-type: application/json\r\n\r\n{ \"res\": \"" + channel_text({32}) + "\" }");
    EXPECT_EQ(codes(), std::vector<int>{kRequestSetStream});
}

TEST_F(CameraStreams, OneCameraStreamChecksEndWithoutAnAnswer) {
    const struct {
        int line;
        const char *key;
        const char *value;
    } cases[] = {
        {__LINE__, "id", "64"},           {__LINE__, "id", "-1"},           {__LINE__, "id", ""},
        {__LINE__, "mainFramerate", "-1"}, {__LINE__, "mainBitrate", ""},   {__LINE__, "mainResWidth", "\"w\""},
        {__LINE__, "mainResHeight", "-5"}, {__LINE__, "subEnable", ""},     {__LINE__, "audioEnable", "2"},
        {__LINE__, "audioEnable", ""},
    };
    for (const auto &c : cases) EXPECT_EQ(post_json("/2010", json_with(kStream, c.key, c.value)).output, "") << c.line;
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraStreams, BatchStreamBytes) {
    std::string body = json_with(json_with(kStream, "chans", "\"101\""), "mainBitrateControl", "6");
    body = json_with(body, "subBitrateControl", "7");
    reply_with(kRequestSetStream, le_words({5, 0}));
    EXPECT_EQ(post_json("/2030", body).output,
              "Content-type: application/json\r\n\r\n{ \"res\": \"" + channel_text({0, 2}) + "\" }");
    StreamRequest sent = record_from<StreamRequest>(only(kRequestSetStream));
    EXPECT_EQ(std::string(sent.channels, 64), "101" + std::string(61, '0'));
    EXPECT_EQ(sent.transmitProtocol, 7);
    EXPECT_EQ(sent.syncTime, 8);
    EXPECT_EQ(sent.reserved76, 0);
    EXPECT_EQ(sent.mainBitrateControl, 6);
    EXPECT_EQ(sent.subBitrateControl, 7);
    EXPECT_EQ(sent.videoTypeEnable, 0);  // keys of "/2010" only are not sent
    EXPECT_EQ(sent.recordtype, 0);
    EXPECT_EQ(sent.etbitrate, 0);
    EXPECT_EQ(sent.tail[3], 0);
    forget_requests();

    EXPECT_EQ(post_json("/2030", json_with(kStream, "chans", "\"" + std::string(90, '1') + "\"")).headers, kJsonHeader);
    sent = record_from<StreamRequest>(only(kRequestSetStream));
    EXPECT_EQ(std::string(sent.channels, 64), std::string(64, '1'));
    EXPECT_EQ(sent.reserved64, 0);
    forget_requests();
    EXPECT_EQ(post_json("/2030", kStream).output, kJsonErrorAnswer);
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraStreams, AudioSettingsAndCapabilities) {
    reply_with(3372, le_words({0}));
    std::string body = "{\"chnid\":5,\"channels\":\"0110" + std::string(100, '0') +
                       "1\",\"audioEnable\":1,\"audioMode\":2,\"encoding\":3,\"audioBitrate\":4,\"twoWayOutVol\":5}";
    EXPECT_EQ(post_json("/2064", body).output, kOk);
    AudioRequest sent = record_from<AudioRequest>(only(kRequestSetAudio));
    EXPECT_EQ(sent.channels, (1ULL << 1) | (1ULL << 2) | (1ULL << 5));  // nothing past 64 characters
    EXPECT_EQ(sent.chnid, 5);
    EXPECT_EQ(sent.audioEnable, 1);
    EXPECT_EQ(sent.audioMode, 2);
    EXPECT_EQ(sent.encoding, 3);
    EXPECT_EQ(sent.audioBitrate, 4);
    EXPECT_EQ(sent.twoWayOutVol, 5);
    reply_with(3372, le_words({2}));
    EXPECT_EQ(post_json("/2064", "{\"chnid\":63}").output, "Content-type: text/plain\r\n\r\nERROR");
    EXPECT_EQ(post_json("/2064", "{\"chnid\":64}").output, kJsonErrorAnswer);

    std::unique_ptr<AudioInfoReply> info(new AudioInfoReply());
    info->res = 0;
    info->support = 1;
    info->encodingCount = 1000;
    for (int e = 0; e < kAudioEncodings; e++) {
        info->encoding[e].encodeValue = e;
        info->encoding[e].sampleRateCount = e == 0 ? 50 : -4;
        for (int r = 0; r < kAudioSampleRates; r++) {
            info->encoding[e].sampleRate[r].sampleRateValue = 8000 + r;
            info->encoding[e].sampleRate[r].bitrateCount = 99;
            for (int b = 0; b < kAudioBitrates; b++) info->encoding[e].sampleRate[r].bitrate[b] = b + 1;
        }
    }
    info->chnid = 5;
    info->audioBitrate = 64;
    reply_with(3371, bytes_of(*info));
    json_object *answer = post_answer("/2063", "{\"chnid\":5}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"res", "support", "supportMode", "supportInputMode", "config", "options"}));
    json_object *config = json_object_object_get(answer, "config");
    EXPECT_EQ(answer_keys(config),
              (std::vector<std::string>{"chnid", "audioEnable", "audioMode", "denoise", "encoding", "sampleRate",
                                        "inputGain", "inputMode", "audioGainControl", "outputVolume",
                                        "audioBitrate"}));
    EXPECT_EQ(json_int(config, "audioBitrate"), 64);
    ASSERT_EQ(length_at(answer, "options"), 9u);
    json_object *first = item_at(answer, "options", 0);
    EXPECT_EQ(answer_keys(first), (std::vector<std::string>{"encodeValue", "sampleRateInfo"}));
    ASSERT_EQ(length_at(first, "sampleRateInfo"), 9u);
    json_object *rate = item_at(first, "sampleRateInfo", 8);
    EXPECT_EQ(json_int(rate, "sampleRateValue"), 8008);
    ASSERT_EQ(length_at(rate, "bitrateInfo"), 16u);
    EXPECT_EQ(json_object_get_int(item_at(rate, "bitrateInfo", 15)), 16);
    EXPECT_EQ(length_at(item_at(answer, "options", 8), "sampleRateInfo"), 0u);  // a negative count is none
}

TEST_F(CameraStreams, CameraMotionDetection) {
    std::unique_ptr<CameraMotionRecord> record(new CameraMotionRecord());
    record->chnid = 6;
    record->enable = 1;
    record->adaptability = 3;
    memset(record->map_mask, 'f', sizeof record->map_mask);
    strcpy(record->schedule.day[0].period[0].startTime, "01:00");
    record->schedule.day[0].dayFlag = 1;
    strcpy(record->schedule.day[1].period[0].startTime, "02:00");  // day flag 0: not reported
    record->isNtPlatform = 1;
    reply_with(3358, bytes_of(*record));
    json_object *answer = post_answer("/2051", "{\"chnid\":6}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"chnid", "enable", "sensitivity", "minsize", "mintime", "adaptability",
                                        "map_mask", "effective", "isNtPlatform"}));
    EXPECT_EQ(json_text(answer, "map_mask"), std::string(300, 'f'));
    EXPECT_EQ(json_int(answer, "isNtPlatform"), 1);
    json_object *effective = json_object_object_get(answer, "effective");
    EXPECT_EQ(json_text(json_object_array_get_idx(json_object_array_get_idx(effective, 0), 0), "startTime"), "01:00");
    EXPECT_EQ(json_text(json_object_array_get_idx(json_object_array_get_idx(effective, 1), 0), "startTime"), "");

    reply_with(3366, le_words({0}));
    std::string body = "{\"chnid\":6,\"enable\":1,\"sensitivity\":4,\"minsize\":3,\"mintime\":2,\"adaptability\":1,"
                       "\"map_mask\":\"" + std::string(400, 'm') + "\",\"copyChn\":[1,70,2,-1,9],\"copyCnt\":4,"
                       "\"effective\":[[[\"00:00\",\"12:00\"]]]}";
    EXPECT_EQ(post_json("/2052", body).output, kResZero);
    Bytes payload = only(kRequestSetCameraMotion);
    ASSERT_EQ(payload.size(), 28048u);
    EXPECT_EQ(payload_i64(payload, 0), static_cast<int64_t>((1ULL << 1) | (1ULL << 2) | (1ULL << 6)));
    EXPECT_EQ(payload_i32(payload, 8), 6);
    EXPECT_EQ(payload_i32(payload, 16), 4);
    EXPECT_EQ(payload_i32(payload, 28), 1);
    EXPECT_EQ(payload_text(payload, 32, 300), std::string(299, 'm'));
    EXPECT_EQ(payload_text(payload, 332, 32), "00:00");
    EXPECT_EQ(payload_i32(payload, 332 + 3456), 1);      // day 0 carried in the camera form
    EXPECT_EQ(payload_i32(payload, 332 + 7 * 3464 + 3456), 0);
    EXPECT_EQ(payload_i32(payload, 28044), 0);
    EXPECT_EQ(post_json("/2052", "{\"chnid\":64}").output, kJsonErrorAnswer);
}

TEST_F(CameraStreams, AutomaticTracking) {
    std::unique_ptr<TrackingRecord> record(new TrackingRecord());
    record->chnid = 2;
    record->zoom_number = 4;
    memset(record->area, 'a', sizeof record->area);
    record->reportMotion = 1;
    strcpy(record->schedule.day[7].period[11].startTime, "23:00");
    reply_with(3294, bytes_of(*record));
    json_object *answer = post_answer("/2054", "{\"chnid\":2}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"chnid", "enable", "show", "sensitivity", "time", "manual_tracking",
                                        "zoom_mode", "zoom_number", "area", "humanVehicleSupport", "trackingObject",
                                        "reportMotion", "schedule"}));
    EXPECT_EQ(json_text(answer, "area"), std::string(300, 'a'));
    json_object *schedule = json_object_object_get(answer, "schedule");
    EXPECT_EQ(json_text(json_object_array_get_idx(json_object_array_get_idx(schedule, 7), 11), "startTime"), "23:00");

    reply_with(3375, le_words({0}));
    std::string body = "{\"chnid\":2,\"channels\":\"" + std::string(70, '1') + "\",\"enable\":1,\"zoom_mode\":3,"
                       "\"area\":\"" + std::string(400, 'z') + "\",\"reportMotion\":1}";
    EXPECT_EQ(post_json("/2055", body).output, kResZero);
    Bytes payload = only(kRequestSetTracking);
    ASSERT_EQ(payload.size(), 28064u);
    EXPECT_EQ(payload_i64(payload, 0), -1);  // 64 channels, none shifted past them
    EXPECT_EQ(payload_i32(payload, 8), 2);
    EXPECT_EQ(payload_i32(payload, 12), 1);
    EXPECT_EQ(payload_i32(payload, 32), 3);
    EXPECT_EQ(payload_text(payload, 27752, 300), std::string(299, 'z'));
    EXPECT_EQ(payload_i32(payload, 28060), 1);
    EXPECT_EQ(payload_text(payload, 40, 32), "");  // no schedule given
    forget_requests();

    body = "{\"chnid\":2,\"schedule\":[[[\"01:00\",\"02:00\",3]]]}";
    EXPECT_EQ(post_json("/2055", body).output, kResZero);
    payload = only(kRequestSetTracking);
    EXPECT_EQ(payload_i64(payload, 0), 4);
    EXPECT_EQ(payload_text(payload, 40, 32), "01:00");
    EXPECT_EQ(payload_i32(payload, 40 + 64), 3);
}

TEST_F(CameraStreams, WatermarkEventStreamAndSmallQueries) {
    reply_with(1216, le_words({0}));
    std::string body = "{\"chnid\":7,\"enable\":1,\"watermark\":\"" + std::string(40, 'w') + "\",\"copy\":\"01\"}";
    EXPECT_EQ(post_json("/2059", body).output, kResZero);
    WatermarkRequest mark = record_from<WatermarkRequest>(only(kRequestSetWatermark));
    EXPECT_EQ(mark.chnid, 7);
    EXPECT_EQ(mark.enable, 1);
    EXPECT_EQ(std::string(mark.watermark), std::string(31, 'w'));
    EXPECT_EQ(std::string(mark.copy), channel_text({1, 7}));
    forget_requests();
    EXPECT_EQ(post_json("/2059", "{\"chnid\":63,\"copy\":\"" + std::string(80, '0') + "\"}").output, kResZero);
    mark = record_from<WatermarkRequest>(only(kRequestSetWatermark));
    EXPECT_EQ(std::string(mark.copy), channel_text({63}));

    Bytes reply = le_words({7, 1, 0}) + Bytes(32, 'x');
    reply_with(1213, reply);
    json_object *answer = post_answer("/2058", "{\"chnid\":7}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"chnid", "enable", "watermark"}));
    EXPECT_EQ(json_text(answer, "watermark"), std::string(32, 'x'));

    reply_with(1217, le_words({3, 0, 1, 15, 2048, 30}));
    answer = post_answer("/2060", "{\"chnid\":3,\"fisheyeType\":2}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"chnid", "enable", "framerate", "bitrate", "iframeinterval"}));
    EXPECT_EQ(json_int(answer, "bitrate"), 2048);
    EXPECT_EQ(only(kRequestEventStream), le_words({3, 2}));
    reply_with(1218, le_words({0}));
    EXPECT_EQ(post_json("/2061", "{\"chnid\":3,\"enable\":1,\"framerate\":12,\"bitrate\":1024,\"iframeinterval\":24}").output,
              kResZero);
    EXPECT_EQ(only(kRequestSetEventStream), le_words({3, 0, 1, 12, 1024, 24}));

    reply_with(1219, le_words({4, 1}));
    EXPECT_EQ(post_json("/2062", "{\"chnid\":4}").output,
              "Content-type: application/json\r\n\r\n{ \"chnid\": 4, \"nightMode\": 1 }");
    Bytes info(168, 0);
    info[4] = 1;
    info[164] = 9;
    reply_with(3376, info);
    answer = post_answer("/2065", "{\"chnid\":4}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"res", "audioSupport", "audioSupportMode", "audioLineInputSupport",
                                        "systemSpeakerSupport", "systemManualSpeedSupport",
                                        "systemAutoTrackingSupport"}));
    EXPECT_EQ(json_int(answer, "audioSupport"), 1);
    EXPECT_EQ(json_int(answer, "systemAutoTrackingSupport"), 9);
    reply_with(1262, le_words({1}));
    EXPECT_EQ(post_json("/2056", "{\"chnid\":4}").output, "Content-type: application/json\r\n\r\n{ \"res\": 1 }");
    reply_with(3307, le_words({5, 0}));
    EXPECT_EQ(post_json("/2028", "").output,
              "Content-type: application/json\r\n\r\n{ \"Motion\": \"" + channel_text({0, 2}) + "\" }");
}

TEST_F(CameraStreams, UrlAndLogQueries) {
    reply_with(3377, le_words({0, 8}) + Bytes(5, 'd'));  // the data ends with the payload
    EXPECT_EQ(post_json("/2068", "{\"chnid\":8,\"url\":\"" + std::string(300, 'u') + "\"}").output,
              "Content-type: application/json\r\n\r\n{ \"res\": 0, \"chnid\": 8, \"data\": \"ddddd\" }");
    Bytes payload = only(kRequestCustomParam);
    ASSERT_EQ(payload.size(), 260u);
    EXPECT_EQ(payload_text(payload, 4, 256), std::string(255, 'u'));
    for (const char *bad : {"{\"chnid\":64}", "{\"chnid\":-1}"})
        EXPECT_EQ(post_json("/2068", bad).output, kTextError) << bad;
    EXPECT_EQ(post_json("/2068", "x").output, kJsonErrorAnswer);

    const std::string log = "2024-03-15 08:00:01 motion start\r\n";
    reply_with(3360, Bytes(log.begin(), log.end()));
    EXPECT_EQ(post_json("/2053", "{\"chnid\":1,\"mainType\":2,\"subType\":3,\"time\":\"2024-03-15\"}").output,
              "Content-type: text/plain\r\n\r\n" + log);
    const std::string time = "2024-03-15";
    EXPECT_EQ(only(kRequestCameraLog), le_words({1, 2, 3}) + Bytes(time.begin(), time.end()) + Bytes(54, 0));
    reply_with(3360, Bytes(4, 0));  // a reply without text
    EXPECT_EQ(post_json("/2053", "{\"chnid\":1}").output, kTextError);
    EXPECT_EQ(post_json("/2053", "{\"chnid\":64}").output, kJsonErrorAnswer);
}

}  // namespace
