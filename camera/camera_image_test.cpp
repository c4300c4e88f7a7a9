// Camera image routes end to end: the bytes relayed to the cameras, the answers made from their
// replies, the bounds of every array, and the exposure list.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "camera/camera_test_support.h"
#include "camera/image_payloads.h"

namespace {

// "[0,1,...,count-1]", or of the given item text.
std::string items(int count, const std::string &item = "") {
    std::string text = "[";
    for (int i = 0; i < count; i++) text += (i ? "," : "") + (item.empty() ? std::to_string(i) : item);
    return text + "]";
}

// A camera-form request schedule: `days` arrays of `periods` periods, period p of day d
// ["DD:PP", "DD:PP", d * 100 + p, extra...].
std::string request_schedule(int days, int periods, bool exposure) {
    std::string text = "[";
    for (int d = 0; d < days; d++) {
        text += d ? ",[" : "[";
        for (int p = 0; p < periods; p++) {
            char period[96];
            snprintf(period, sizeof period, "%s[\"%02d:%02d\",\"%02d:%02d\",%d%s]", p ? "," : "", d, p, d, p,
                     d * 100 + p, exposure ? ",7,8" : "");
            text += period;
        }
        text += "]";
    }
    return text + "]";
}

using CameraImage = CameraTest;

TEST_F(CameraImage, EnhancementBlockAndSceneBytes) {
    std::string body =
        "{\"channel\":[3,70,\"4\",5,-1],\"type\":0,\"smartir\":1,\"whiteblance\":2,\"exposeregion\":\"" +
        std::string(80, 'r') +
        "\",\"modelType\":9,\"aflevel\":11,\"hlclevel\":12,\"dismode\":13,\"exposurectrl\":14,\"sdkversion\":\"s\","
        "\"lensType\":15,\"reduceVideoStuttering\":16}";
    EXPECT_EQ(post_json("/2020", body).output, kOk);
    Bytes payload = only(kRequestSetImageEnhance);
    ASSERT_EQ(payload.size(), 488u);
    EXPECT_EQ(payload_i32(payload, 0), 3);
    EXPECT_EQ(payload_i32(payload, 4), 5);  // 70, "4" and -1 are not channels
    for (size_t i = 2; i < 64; i++) ASSERT_EQ(payload_i32(payload, 4 * i), -1) << i;
    EXPECT_EQ(payload_i32(payload, 256), 0);
    EXPECT_EQ(payload_i32(payload, 260), 1);
    EXPECT_EQ(payload_i32(payload, 264), 2);
    EXPECT_EQ(payload_text(payload, 316, 64), std::string(63, 'r'));
    EXPECT_EQ(payload_i32(payload, 380), 9);
    EXPECT_EQ(payload_i32(payload, 412), 0);  // reply-only fields are not sent
    EXPECT_EQ(payload_i32(payload, 424), 11);
    EXPECT_EQ(payload_i32(payload, 428), 12);
    EXPECT_EQ(payload_i32(payload, 432), 0);
    EXPECT_EQ(payload_text(payload, 444, 32), "");
    EXPECT_EQ(payload_i32(payload, 476), 15);
    EXPECT_EQ(payload_i32(payload, 480), 16);
    forget_requests();

    body = "{\"channel\":" + items(100) + ",\"type\":2,\"scenes\":[{\"irBalanceMode\":1,\"blcRegionArea\":\"" +
           std::string(40, 'a') + "\",\"wdrEndMin\":30,\"hlcLevel\":7}],\"smartir\":5}";
    EXPECT_EQ(post_json("/2020", body).output, kOk);
    payload = only(kRequestSetImageEnhance);
    ASSERT_EQ(payload.size(), 488u);
    EXPECT_EQ(payload_i32(payload, 252), 63);  // at most 64 channels
    EXPECT_EQ(payload_i32(payload, 256), 2);
    EXPECT_EQ(payload_i32(payload, 260), 1);  // the scene, not "smartir"
    EXPECT_EQ(payload_text(payload, 312, 32), std::string(31, 'a'));
    EXPECT_EQ(payload_i32(payload, 360), 30);
    EXPECT_EQ(payload_i32(payload, 372), 7);
    forget_requests();

    // Without a scene (or a channel list) nothing is sent.
    EXPECT_EQ(post_json("/2020", "{\"channel\":[1],\"type\":1}").output, "");
    EXPECT_EQ(post_json("/2020", "{\"channel\":[1],\"type\":1,\"scenes\":[]}").output, "");
    EXPECT_EQ(post_json("/2020", "{\"type\":0}").output, kJsonErrorAnswer);
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraImage, EnhancementAnswerInBlockOrder) {
    ImageEnhanceReply reply;
    memset(&reply, 0, sizeof reply);
    reply.id = 6;
    reply.block.smartir = 1;
    reply.block.aflevel = 21;
    reply.block.hlclevel = 22;
    reply.block.exposurectrl = 23;
    reply.block.dismode = 24;
    memset(reply.block.sdkversion, 'v', sizeof reply.block.sdkversion);  // no terminator in its field
    reply.block.lensType = 25;
    reply_with(3221, bytes_of(reply));
    CgiResult result = post_json("/2019", "{\"id\":6}");
    json_object *enhancement = answer(result);
    ASSERT_NE(enhancement, nullptr) << result.output;
    EXPECT_EQ(answer_keys(enhancement),
              (std::vector<std::string>{"id", "smartir", "whiteblance", "focusmode", "antiblurry", "wdrenable",
                                        "wdrlevel", "wdrstarthour", "wdrstartminute", "wdrstophour", "wdrstopminute",
                                        "regiontype", "hlcmode", "exclude", "exposemode", "exposeregion",
                                        "imageschemode", "hlcday", "hlcnight", "redgain", "bluegain", "defogmode",
                                        "defoglevel", "dismode", "exposetime", "exposegain", "wdraflevel",
                                        "exposurectrl", "hlclevel", "enblur", "deblur", "sdkversion", "lensType",
                                        "reduceVideoStuttering"}));
    EXPECT_EQ(json_int(enhancement, "id"), 6);
    EXPECT_EQ(json_int(enhancement, "wdraflevel"), 21);
    EXPECT_EQ(json_int(enhancement, "hlclevel"), 22);
    EXPECT_EQ(json_int(enhancement, "exposurectrl"), 23);
    EXPECT_EQ(json_text(enhancement, "sdkversion"), std::string(32, 'v'));
    EXPECT_EQ(json_int(enhancement, "lensType"), 25);
    EXPECT_EQ(only(kRequestImageEnhance), le_words({6}));
}

TEST_F(CameraImage, TextErrorRoutesRefuseBadIdsAndSendNothing) {
    for (const char *route : {"/2019", "/2021", "/2022", "/2023", "/2024"})
        for (const char *body : {"{\"id\":64}", "{\"id\":-1}", "{}", "{\"id\":\"x\"}", "x"})
            EXPECT_EQ(post_json(route, body).output, kTextError) << route << " " << body;
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraImage, DisplayBytesOfEachType) {
    reply_with(3224, le_words({0}));
    std::string body = "{\"id\":4,\"type\":0,\"colorkiller\":1,\"saveCorridor\":2,\"smartIRType\":3,\"fovadjust\":4,"
                       "\"smokeddomecover\":5,\"whiteLedLevel\":6,\"keepCorrectAspectRatio\":7,"
                       "\"whiteledBrightness\":8,\"powerlineFreq\":99}";
    EXPECT_EQ(post_json("/2022", body).output, kOk);
    Bytes payload = only(kRequestSetImageDisplay);
    ASSERT_EQ(payload.size(), 364u);
    const size_t offsets[] = {8, 60, 68, 176, 260, 264, 308, 352};
    for (int i = 0; i < 8; i++) EXPECT_EQ(payload_i32(payload, offsets[i]), i + 1) << offsets[i];
    EXPECT_EQ(payload_i32(payload, 0), 4);
    forget_requests();

    reply_with(3224, le_words({3}));
    body = "{\"id\":4,\"type\":1,\"scenes\":[{\"powerlineFreq\":50,\"imageRotation\":2}],\"colorkiller\":1}";
    EXPECT_EQ(post_json("/2022", body).output, "Content-type: text/plain\r\n\r\nERROR");
    payload = only(kRequestSetImageDisplay);
    EXPECT_EQ(payload_i32(payload, 4), 1);
    EXPECT_EQ(payload_i32(payload, 8), 50);
    EXPECT_EQ(payload_i32(payload, 48), 2);
    forget_requests();

    // Another type sends only the id and the type; type 1 without a scene ends the route.
    reply_with(3224, le_words({0}));
    EXPECT_EQ(post_json("/2022", "{\"id\":4,\"type\":5,\"colorkiller\":1}").output, kOk);
    payload = only(kRequestSetImageDisplay);
    EXPECT_EQ(payload, le_words({4, 5}) + Bytes(356, 0));
    forget_requests();
    EXPECT_EQ(post_json("/2022", "{\"id\":4,\"type\":1,\"scenes\":[3]}").output, "");
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraImage, DisplayAnswer) {
    ImageDisplayReply reply;
    memset(&reply, 0, sizeof reply);
    reply.block.colorkiller = 1;
    reply.block.lencorrect = 2;
    memset(reply.block.chipninterface, 'c', sizeof reply.block.chipninterface);
    reply.block.fovadjust = 3;
    strcpy(reply.block.sensortype, "IMX");
    strcpy(reply.block.softversion, "V5");
    reply.block.whiteLedLevel = 4;
    strcpy(reply.block.sdkversion, "SDK");
    reply.block.zoomLimit = 5;
    reply_with(3223, bytes_of(reply));
    json_object *answer = post_answer("/2021", "{\"id\":4}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{
                  "colorkiller", "modestarthour", "modestartminute", "modestophour", "modestopminute", "exposurectrl",
                  "lighttype", "mirctrl", "localdisplay", "ircutaddaytonight", "ircutadnighttoday", "corridormode",
                  "imagerotation", "smartIRType", "nearIRLevel", "farIRLevel", "midIRLevel", "lencorrect",
                  "smartIrMath", "smartIrLimit", "chipninterface", "nearSmartirValue", "farSmartirValue",
                  "midSmartirValue", "lenCorrectType", "fovadjust", "sensortype", "productmodel", "softversion",
                  "smokeddomecover", "smartwhitestrength", "dnRefocus", "sdkversion", "structuretype",
                  "keepCorrectAspectRatio", "dayNightSens", "nightDaySens", "zoomLimit"}));
    EXPECT_EQ(json_int(answer, "lencorrect"), 2);
    EXPECT_EQ(json_text(answer, "chipninterface"), std::string(64, 'c'));
    EXPECT_EQ(json_int(answer, "fovadjust"), 3);
    EXPECT_EQ(json_text(answer, "sensortype"), "IMX");
    EXPECT_EQ(json_text(answer, "softversion"), "V5");
    EXPECT_EQ(json_int(answer, "smartwhitestrength"), 4);
    EXPECT_EQ(json_text(answer, "sdkversion"), "SDK");
    EXPECT_EQ(json_int(answer, "zoomLimit"), 5);
}

TEST_F(CameraImage, CameraParameters) {
    CameraParamReply reply;
    memset(&reply, 0, sizeof reply);
    reply.id = 2;
    strcpy(reply.pagename, "image");
    strcpy(reply.httpname, "img.cgi");
    strcpy(reply.key, "brightness");
    memset(reply.value, '9', sizeof reply.value);
    reply_with(3225, bytes_of(reply));
    json_object *answer = post_answer(
        "/2023", "{\"id\":2,\"pagename\":\"image\",\"httpname\":\"img.cgi\",\"key\":\"brightness\",\"value\":\"x\"}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"id", "pagename", "httpname", "key", "value"}));
    EXPECT_EQ(json_text(answer, "key"), "brightness");
    EXPECT_EQ(json_text(answer, "value"), std::string(128, '9'));
    Bytes payload = only(kRequestCameraParam);
    ASSERT_EQ(payload.size(), 392u);
    EXPECT_EQ(payload_text(payload, 4, 64), "image");
    EXPECT_EQ(payload_text(payload, 68, 64), "img.cgi");
    EXPECT_EQ(payload_text(payload, 132, 128), "brightness");
    EXPECT_EQ(payload_text(payload, 260, 128), "");  // the value is not asked about
    forget_requests();

    reply_with(3226, le_words({0}));
    std::string body = "{\"id\":2,\"pagename\":\"" + std::string(70, 'p') +
                       "\",\"httpname\":\"h\",\"key\":\"ratecontrol2\",\"value\":\"" + std::string(200, '1') + "\"}";
    EXPECT_EQ(post_json("/2024", body).output, kOk);
    payload = only(kRequestSetCameraParam);
    EXPECT_EQ(payload_text(payload, 4, 64), std::string(63, 'p'));
    EXPECT_EQ(payload_text(payload, 132, 128), "ratecontrol2");
    EXPECT_EQ(payload_text(payload, 260, 128), std::string(127, '1'));
    reply_with(3226, le_words({-1}));
    EXPECT_EQ(post_json("/2024", "{\"id\":2,\"key\":\"k\"}").output, "Content-type: text/plain\r\n\r\nERROR");
}

TEST_F(CameraImage, DayNightEntries) {
    std::string body = "{\"channel\":7,\"id\":19,\"enable\":1,\"startHour\":6,\"minShutter\":2,\"maxShutter\":3,"
                       "\"colorMode\":4}";
    EXPECT_EQ(post_json("/2038", body).output, kOk);
    DayNightRequest sent = record_from<DayNightRequest>(only(kRequestSetDayNight));
    EXPECT_EQ(sent.channel, 7);
    EXPECT_EQ(sent.entry[19].flag, 1);
    EXPECT_EQ(sent.entry[19].startHour, 6);
    EXPECT_EQ(sent.entry[19].minShutter, 2);
    EXPECT_EQ(sent.entry[19].maxShutter, 3);
    EXPECT_EQ(sent.entry[19].colorMode, 4);
    for (int i = 0; i < 19; i++) EXPECT_EQ(sent.entry[i].flag, 0) << i;
    forget_requests();

    // An entry outside the record, or a channel out of range, is refused and nothing is sent.
    for (const char *bad : {"{\"channel\":7,\"id\":20}", "{\"channel\":7,\"id\":-1}", "{\"channel\":7,\"id\":2147483647}",
                            "{\"channel\":64,\"id\":1}", "{\"channel\":-1,\"id\":1}", "{\"id\":1}", "{\"channel\":7}"})
        EXPECT_EQ(post_json("/2038", bad).output, kJsonErrorAnswer) << bad;
    EXPECT_TRUE(codes().empty());

    DayNightReply reply;
    memset(&reply, 0, sizeof reply);
    reply.entry[6].enable = 1;
    reply.entry[6].minShutter = 11;
    reply.entry[6].maxShutter = 12;
    reply.entry[6].colorMode = 13;
    reply_with(3278, bytes_of(reply));
    json_object *answer = post_answer("/2037", "{\"id\":7}");
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(length_at(answer, "image"), 7u);
    json_object *last = item_at(answer, "image", 6);
    EXPECT_EQ(answer_keys(last),
              (std::vector<std::string>{"id", "enable", "startHour", "startMinute", "endHour", "endMinute",
                                        "exposureLevel", "maxShutter", "minShutter", "gainLevel", "irCutLatency",
                                        "irCutState", "irLedState", "colorMode"}));
    EXPECT_EQ(json_int(last, "id"), 6);
    EXPECT_EQ(json_int(last, "minShutter"), 11);
    EXPECT_EQ(json_int(last, "maxShutter"), 12);
    EXPECT_EQ(json_int(last, "colorMode"), 13);
    EXPECT_EQ(only(kRequestDayNight), le_words({7}));
}

TEST_F(CameraImage, SceneTemplatesAreBoundedAndSentPerChannel) {
    std::string images = "[";
    for (int i = 0; i < 9; i++) images += std::string(i ? "," : "") + (i == 1 ? "5" : "{\"enable\":1,\"gainLevel\":" + std::to_string(i) + "}");
    images += "]";
    std::string periods = "[";
    for (int i = 0; i < 12; i++)
        periods += std::string(i ? "," : "") + "{\"startTime\":\"" + std::string(40, 's') + "\",\"endTime\":\"e\",\"templateId\":" +
                   std::to_string(i + 1) + "}";
    periods += "]";
    std::string body = "{\"cnt\":3,\"chnid\":[2,99,4,6],\"type\":0,\"image\":" + images +
                       ",\"hasSche\":1,\"effective\":" + periods + "}";
    EXPECT_EQ(post_json("/2047", body).output, kOk);
    std::vector<SimRequest> requests = sent(kRequestSetDayNight, 2);
    ASSERT_EQ(requests.size(), 2u);  // the first 3 items: 2 and 4 (99 is no channel)
    SceneTemplateRequest scene = record_from<SceneTemplateRequest>(requests[0].payload);
    EXPECT_EQ(scene.channel, 2);
    EXPECT_EQ(record_from<SceneTemplateRequest>(requests[1].payload).channel, 4);
    EXPECT_EQ(scene.templates.image[0].flag, 1);
    EXPECT_EQ(scene.templates.image[1].flag, 0);  // not an object
    EXPECT_EQ(scene.templates.image[6].gainLevel, 6);
    EXPECT_EQ(scene.templates.hasSche, 1);  // the 8th and 9th images do not spill into it
    EXPECT_EQ(std::string(scene.templates.effective[9].startTime), std::string(31, 's'));
    EXPECT_EQ(scene.templates.effective[9].templateId, 10);
    EXPECT_EQ(scene.reserved, 0);  // the 11th and 12th periods are dropped
    forget_requests();

    // Type 1: two scenes of the first item, the supplement light's flags from its object, and a
    // count beyond the array.
    body = "{\"cnt\":1000,\"chnid\":[1],\"type\":1,\"scenes\":[[{\"minShutter\":1,\"colorMode\":2},"
           "{\"minShutter\":3,\"colorMode\":4},{\"minShutter\":5}]],\"isSupportSupplement\":1,"
           "\"isSupportSupplementIrNearAndFar\":1,\"supplementLight\":{\"isSupportSupplementIrNearAndFar\":0,"
           "\"isSupportSupplementWhiteNearAndFar\":1,\"type\":2,\"whiteLatency\":3,\"whiteMode\":4,\"irMode\":5,"
           "\"whiteFarMaxBrightness\":60,\"whiteNearMaxBrightness\":61,\"whiteMaxBrightness\":99,"
           "\"irFarCustomBrightness\":98,\"irCustomBrightness\":70}}";
    EXPECT_EQ(post_json("/2047", body).output, kOk);
    scene = record_from<SceneTemplateRequest>(only(kRequestSetDayNight));
    const SceneSupplementForm &form = scene.scenes;
    EXPECT_EQ(scene.type, 1);
    EXPECT_EQ(form.flag[0], 1);
    EXPECT_EQ(form.flag[1], 1);
    EXPECT_EQ(form.minShutter[1], 3);
    EXPECT_EQ(form.colorMode[1], 4);
    EXPECT_EQ(form.limitGain[0], 0);  // the third scene does not spill
    EXPECT_EQ(form.isSupportSupplement, 1);
    EXPECT_EQ(form.isSupportSupplementIrNearAndFar, 0);
    EXPECT_EQ(form.isSupportSupplementWhiteNearAndFar, 1);
    EXPECT_EQ(form.lightType, 2);
    EXPECT_EQ(form.whiteLatency, 3);
    EXPECT_EQ(form.whiteMode, 4);
    EXPECT_EQ(form.irMode, 5);
    EXPECT_EQ(form.whiteFarMaxBrightness, 60);
    EXPECT_EQ(form.whiteNearMaxBrightness, 61);
    EXPECT_EQ(form.irFarCustomBrightness, 70);  // a single infrared light
    forget_requests();

    // Flags at the top level when the light object has none; a single white light.
    body = "{\"cnt\":1,\"chnid\":[1],\"type\":1,\"scenes\":[[{}]],\"isSupportSupplement\":1,"
           "\"isSupportSupplementIrNearAndFar\":1,\"supplementLight\":{\"whiteMaxBrightness\":50,"
           "\"irNearMaxBrightness\":51}}";
    EXPECT_EQ(post_json("/2047", body).output, kOk);
    scene = record_from<SceneTemplateRequest>(only(kRequestSetDayNight));
    EXPECT_EQ(scene.scenes.isSupportSupplementIrNearAndFar, 1);
    EXPECT_EQ(scene.scenes.whiteFarMaxBrightness, 50);
    EXPECT_EQ(scene.scenes.irNearMaxBrightness, 51);
    forget_requests();

    for (const char *bad : {"{\"cnt\":1,\"chnid\":[1],\"type\":1}", "{\"cnt\":1,\"chnid\":[1],\"type\":1,\"scenes\":[]}",
                            "{\"cnt\":1,\"chnid\":[1],\"type\":1,\"scenes\":[[]]}",
                            "{\"cnt\":1,\"chnid\":[1],\"type\":1,\"scenes\":[{\"minShutter\":1}]}"})
        EXPECT_EQ(post_json("/2047", bad).output, "") << bad;
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraImage, RegionsOfInterest) {
    std::string areas = "[";
    for (int i = 0; i < 20; i++)
        areas += std::string(i ? "," : "") + "{\"enable\":1,\"left\":" + std::to_string(i) + ",\"bottom\":" + std::to_string(100 + i) + "}";
    areas += "]";
    std::string channels = "[70,-3,\"x\"," + items(80).substr(1);
    EXPECT_EQ(post_json("/2040", "{\"enable\":1,\"cnt\":200,\"chnid\":" + channels + ",\"area\":" + areas + "}").output, kOk);
    RoiRequest sent = record_from<RoiRequest>(only(kRequestSetCameraRoi));
    EXPECT_EQ(sent.count, 64);
    EXPECT_EQ(sent.chnid[0], 0);
    EXPECT_EQ(sent.chnid[63], 63);
    EXPECT_EQ(sent.enable, 1);
    EXPECT_EQ(sent.area[15].left, 15);
    EXPECT_EQ(sent.area[15].bottom, 115);
    forget_requests();

    // Only the first "cnt" items count.
    EXPECT_EQ(post_json("/2040", "{\"enable\":0,\"cnt\":2,\"chnid\":[5,64,6],\"area\":[]}").output, kOk);
    sent = record_from<RoiRequest>(only(kRequestSetCameraRoi));
    EXPECT_EQ(sent.count, 1);
    EXPECT_EQ(sent.chnid[0], 5);
    EXPECT_EQ(sent.chnid[1], 0);

    Bytes reply(kRoiReplySize, 0);
    memcpy(reply.data() + 4, le_words({1}).data(), 4);
    memset(reply.data() + 12, 'k', 32);
    RoiArea last = {1, 10, 20, 30, 40};
    memcpy(reply.data() + 44 + 15 * 20, &last, sizeof last);
    reply_with(3271, reply);
    json_object *answer = post_answer("/2039", "{\"id\":3}");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"enable", "sdkversion", "area"}));
    EXPECT_EQ(json_text(answer, "sdkversion"), std::string(32, 'k'));
    ASSERT_EQ(length_at(answer, "area"), 16u);
    json_object *area = item_at(answer, "area", 15);
    EXPECT_EQ(answer_keys(area), (std::vector<std::string>{"id", "enable", "left", "top", "right", "bottom"}));
    EXPECT_EQ(json_int(area, "id"), 15);
    EXPECT_EQ(json_int(area, "bottom"), 40);

    EXPECT_EQ(post_json("/2050", "{\"chan_id\":63,\"area_id\":16}").output, kOk);
    EXPECT_EQ(only(kRequestSetRoiArea), le_words({63, 16}));
    for (const char *bad : {"{\"chan_id\":63,\"area_id\":17}", "{\"chan_id\":64,\"area_id\":1}", "{\"chan_id\":1}"})
        EXPECT_EQ(post_json("/2050", bad).output, kJsonErrorAnswer) << bad;
}

TEST_F(CameraImage, ScheduleRequestsStayInsideTheirDays) {
    EXPECT_EQ(post_json("/2042", "{\"channel\":[1,2],\"schedule\":" + request_schedule(9, 12, false) + "}").output, kOk);
    Bytes payload = only(kRequestSetCameraSchedule);
    ASSERT_EQ(payload.size(), 27716u);
    std::unique_ptr<CameraScheduleRequest> sent(new CameraScheduleRequest(record_from<CameraScheduleRequest>(payload)));
    EXPECT_EQ(sent->channel[1], 2);
    EXPECT_EQ(sent->channel[2], -1);
    EXPECT_STREQ(sent->day[6].period[9].startTime, "06:09");
    EXPECT_EQ(sent->day[6].period[9].actionType, 609);
    EXPECT_STREQ(sent->day[3].period[10].startTime, "");  // an 11th period does not spill
    for (uint8_t byte : sent->tail) ASSERT_EQ(byte, 0);   // nor an 8th day
    forget_requests();

    EXPECT_EQ(post_json("/2046", "{\"channel\":[0],\"schedule\":" + request_schedule(2, 3, false) + "}").output, kOk);
    EXPECT_EQ(only(kRequestSetCameraSchedule2).size(), 27716u);
    forget_requests();

    EXPECT_EQ(post_json("/2044", "{\"channel\":[5],\"schedule\":" + request_schedule(8, 11, true) + "}").output, kOk);
    payload = only(kRequestSetExposureSchedule);
    ASSERT_EQ(payload.size(), 29188u);
    size_t period = 256 + 6 * 3648 + 9 * 76;
    EXPECT_EQ(payload_text(payload, period, 32), "06:09");
    EXPECT_EQ(payload_i32(payload, period + 64), 609);
    EXPECT_EQ(payload_i32(payload, period + 68), 7);
    EXPECT_EQ(payload_i32(payload, period + 72), 8);
    EXPECT_EQ(payload_text(payload, 256 + 10 * 76, 32), "");
    for (size_t i = 256 + 7 * 3648; i < payload.size(); i++) ASSERT_EQ(payload[i], 0) << i;
    forget_requests();

    for (const char *route : {"/2042", "/2044", "/2046"})
        for (const char *bad : {"{\"channel\":[1]}", "{\"schedule\":[]}", "{\"channel\":[1],\"schedule\":{}}"})
            EXPECT_EQ(post_json(route, bad).output, kJsonErrorAnswer) << route << " " << bad;
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraImage, ScheduleAnswers) {
    std::unique_ptr<CameraScheduleRequest> days(new CameraScheduleRequest());
    strcpy(days->day[6].period[11].startTime, "23:00");
    strcpy(days->day[6].period[9].endTime, "21:00");
    days->day[6].period[9].actionType = 3;
    Bytes reply = le_words({4}) + Bytes(reinterpret_cast<uint8_t *>(days->day),
                                        reinterpret_cast<uint8_t *>(days->day) + 7 * sizeof(ScheduleDay));
    reply_with(3273, reply);
    reply_with(3277, reply);
    json_object *ten = post_answer("/2041", "{\"id\":4}");
    json_object *twelve = post_answer("/2045", "{\"id\":4}");
    ASSERT_NE(ten, nullptr);
    ASSERT_NE(twelve, nullptr);
    ASSERT_EQ(length_at(ten, "schedule"), 7u);
    json_object *day = item_at(ten, "schedule", 6);
    ASSERT_EQ(json_object_array_length(day), 10u);
    json_object *period = json_object_array_get_idx(day, 9);
    EXPECT_EQ(answer_keys(period), (std::vector<std::string>{"startTime", "endTime", "actionType"}));
    EXPECT_EQ(json_text(period, "endTime"), "21:00");
    EXPECT_EQ(json_int(period, "actionType"), 3);
    day = item_at(twelve, "schedule", 6);
    ASSERT_EQ(json_object_array_length(day), 12u);
    EXPECT_EQ(json_text(json_object_array_get_idx(day, 11), "startTime"), "23:00");

    std::unique_ptr<ExposureScheduleRequest> exposure(new ExposureScheduleRequest());
    strcpy(exposure->day[6].period[11].startTime, "22:00");
    exposure->day[6].period[11].exposureTime = 5;
    exposure->day[6].period[11].gainLevel = 6;
    reply_with(3275, le_words({4}) + Bytes(reinterpret_cast<uint8_t *>(exposure->day),
                                           reinterpret_cast<uint8_t *>(exposure->day) + 7 * sizeof(ExposureDay)));
    json_object *answer = post_answer("/2043", "{\"id\":4}");
    ASSERT_NE(answer, nullptr);
    period = json_object_array_get_idx(item_at(answer, "schedule", 6), 11);
    EXPECT_EQ(answer_keys(period),
              (std::vector<std::string>{"startTime", "endTime", "actionType", "exposureTime", "gainLevel"}));
    EXPECT_EQ(json_text(period, "startTime"), "22:00");
    EXPECT_EQ(json_int(period, "gainLevel"), 6);
}

TEST_F(CameraImage, ExposureList) {
    std::string list = "[";
    for (int i = 0; i < 170; i++)
        list += std::string(i ? "," : "") + (i % 10 == 9 ? "[1,2]" : "{\"exposureTime\":" + std::to_string(i) + ",\"gainLevel\":" + std::to_string(1000 + i) + "}");
    list += "]";
    EXPECT_EQ(post_json("/2048", "{\"channel\":63,\"exposure\":" + list + "}").output, kOk);
    json_object *answer = post_answer("/2049", "{\"channel\":63}");
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(length_at(answer, "exposure"), 140u);  // 170 items less 17 that are not objects, at most 140
    EXPECT_EQ(answer_keys(item_at(answer, "exposure", 0)), (std::vector<std::string>{"exposureTime", "gainLevel"}));
    EXPECT_EQ(json_int(item_at(answer, "exposure", 9), "exposureTime"), 10);  // item 9 was skipped
    EXPECT_EQ(json_int(item_at(answer, "exposure", 139), "gainLevel"), 1154);

    // A missing or wrongly typed list is refused and the stored list stays.
    for (const char *bad : {"{\"channel\":63}", "{\"channel\":63,\"exposure\":{}}", "{\"channel\":64,\"exposure\":[]}",
                            "{\"channel\":-1,\"exposure\":[]}"})
        EXPECT_EQ(post_json("/2048", bad).output, kJsonErrorAnswer) << bad;
    EXPECT_EQ(length_at(post_answer("/2049", "{\"channel\":63}"), "exposure"), 140u);

    // An empty list is stored, and then reads as the JSON error.
    EXPECT_EQ(post_json("/2048", "{\"channel\":63,\"exposure\":[]}").output, kOk);
    for (const char *bad : {"{\"channel\":63}", "{\"channel\":62}", "{\"channel\":64}"})
        EXPECT_EQ(post_json("/2049", bad).output, kJsonErrorAnswer) << bad;
    EXPECT_TRUE(codes().empty());
}

}  // namespace
