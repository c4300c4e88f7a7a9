// Licence-plate routes end to end: the plate lists in the plate file, the list-mode actions and
// the camera's recognition settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "video/event_test_support.h"

namespace {

using namespace event_test;

const char kPlateDb[] = "/mnt/nand/app/anpr.db";

class PlateRoutes : public EventRouteTest {
  protected:
    std::vector<std::string> plates() {
        return query_rows(kPlateDb, "SELECT json_extract(doc, '$.type'), json_extract(doc, '$.plate') FROM records "
                                    "WHERE kind = 'anpr_list' ORDER BY 2");
    }
    std::string add(const std::string &items, int count) {
        return post_json("/6184", "{\"cnt\":" + std::to_string(count) + ",\"plate\":" + items + "}").output;
    }
};

const char kCount[] = "Content-type: application/json\r\n\r\n{ \"count\": ";

TEST_F(PlateRoutes, AddRenameDeleteAndReadBack) {
    EXPECT_EQ(add("[[\"0\",\"AB%20123\"],[\"1\",\"CD456\"],[\"0\",\"EF789\"]]", 3), std::string(kCount) + "3 }");
    EXPECT_EQ(plates(), (std::vector<std::string>{"0|AB 123", "1|CD456", "0|EF789"}));
    // Adding a stored plate moves it to the new list; it is never stored twice.
    EXPECT_EQ(add("[[\"1\",\"EF789\"]]", 1), std::string(kCount) + "1 }");
    EXPECT_EQ(plates(), (std::vector<std::string>{"0|AB 123", "1|CD456", "1|EF789"}));

    // Renaming to a plate that exists updates that entry instead of adding a second one.
    EXPECT_EQ(post_json("/6185", "{\"cnt\":2,\"plate\":[[\"AB%20123\",\"2\",\"XY1\"],[\"CD456\",\"0\",\"EF789\"]]}").output, kOk);
    EXPECT_EQ(plates(), (std::vector<std::string>{"0|EF789", "2|XY1"}));

    EXPECT_EQ(post_json("/6183", "{\"cnt\":2,\"plate\":[\"XY1\",\"NOPE\"]}").output, kOk);
    EXPECT_EQ(plates(), (std::vector<std::string>{"0|EF789"}));
}

TEST_F(PlateRoutes, CountsShapesAndEncodingsOfHostileRequests) {
    EXPECT_EQ(add("[[\"0\",\"A1\"],[\"0\",\"A2\"]]", 3), std::string(kCount) + "2 }");  // cnt beyond the array
    EXPECT_EQ(add("[[\"0\",\"B1\"],[\"0\",\"B2\"],[\"0\",\"B3\"]]", 1), std::string(kCount) + "1 }");  // cnt first
    // Items of the wrong shape or with a broken encoding are not items.
    EXPECT_EQ(add("[\"C1\",[\"0\"],[0,\"C2\"],[\"0\",\"C3\",\"x\"],null,[\"0\",\"C4%\"],[\"0\",\"C5%4\"],[\"0\",\"C6%00\"],"
                  "[\"" + std::string(40, 't') + "\",\"%43" + std::string(100, '7') + "\"]]",
                  9),
              std::string(kCount) + "1 }");
    std::vector<std::string> stored = plates();
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored.back(), std::string(15, 't') + "|C" + std::string(62, '7'));

    struct Case {
        int line;
        const char *route;
        std::string body;
        const char *answer;
    } refused[] = {
        {__LINE__, "/6184", "{\"cnt\":0,\"plate\":[[\"0\",\"Z\"]]}", kJsonError},
        {__LINE__, "/6184", "{\"cnt\":10001,\"plate\":[[\"0\",\"Z\"]]}", kJsonError},
        {__LINE__, "/6184", "{\"cnt\":1,\"plate\":\"Z\"}", kJsonError},
        {__LINE__, "/6184", "{\"cnt\":1,\"plate\":[[\"0\"]]}", kJsonError},
        {__LINE__, "/6184", "{\"cnt\":1}", kJsonError},
        {__LINE__, "/6184", "{", kJsonError},
        {__LINE__, "/6184", "", kJsonError},
        {__LINE__, "/6183", "{\"cnt\":1,\"plate\":[5]}", kTextError},
        {__LINE__, "/6183", "{\"cnt\":-1,\"plate\":[\"A1\"]}", kTextError},
        {__LINE__, "/6183", "{\"cnt\":1,\"plate\":{\"0\":\"A1\"}}", kTextError},
        {__LINE__, "/6183", "{\"cnt\":1,\"plate\":[\"A1%\"]}", kTextError},
        {__LINE__, "/6185", "{\"cnt\":10001,\"plate\":[[\"A1\",\"0\",\"Z\"]]}", kTextError},
        {__LINE__, "/6185", "{\"cnt\":1,\"plate\":7}", kTextError},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json(c.route, c.body).output, c.answer) << "line " << c.line;
    EXPECT_EQ(plates(), stored);
    // A rename of the wrong shape changes nothing; the next item still counts.
    EXPECT_EQ(post_json("/6185", "{\"cnt\":3,\"plate\":[[\"A1\",\"0\"],[\"A2\",1,\"Z\"],[\"A2\",\"3\",\"A9\"]]}").output, kOk);
    EXPECT_EQ(plates()[0], "0|A1");
    EXPECT_EQ(plates()[1], "3|A9");
}

TEST_F(PlateRoutes, ModeActionsRoundTrip) {
    std::string dialog = "{\"interval\":15,\"http_notification_interval\":3,\"triChannels\":\"1\",\"effective\":" +
                         schedule_request(1) + ",\"whiteInfo\":[[2,1,9]],\"httpParams\":{\"url\":\"http://h/p\"}}";
    EXPECT_EQ(post_json("/6180", "{\"chnid\":5,\"mode\":0,\"enable\":1,\"dialog\":" + dialog + "}").output, kOk);
    EXPECT_EQ(only_payload(1416), le_words({5, 0}));
    json_object *black = post_for_json("/6179", "{\"chnid\":5,\"mode\":0}");
    ASSERT_NE(black, nullptr);
    EXPECT_EQ(keys_of(black),
              (std::vector<std::string>{"chnid", "mode", "enable", "triAlarms", "interval", "email_interval",
                                        "email_pic_enable", "tri_channels_pic", "ptz_interval", "alarmout_interval",
                                        "white_interval", "warning_light_interval", "http_notification_interval",
                                        "triChannels", "effective", "audible", "email", "ptz", "triChnAlarms", "white",
                                        "whiteInfo", "warningLight", "warningLightInfo", "httpSche", "httpParams",
                                        "audioId", "audioIdMask", "ptzParams"}));
    EXPECT_EQ(int_at(black, "enable"), 1);
    EXPECT_EQ(int_at(black, "interval"), 15);
    EXPECT_EQ(int_at(black, "http_notification_interval"), 3);
    EXPECT_EQ(answered_start(json_object_object_get(black, "effective")), "04:00");
    EXPECT_EQ(plain(json_object_object_get(black, "whiteInfo")), "[{\"chnid\":2,\"mode\":1,\"time\":9}]");
    EXPECT_EQ(text_at(json_object_object_get(black, "httpParams"), "url"), "http://h/p");
    json_object *white = post_for_json("/6179", "{\"chnid\":5,\"mode\":1}");
    EXPECT_EQ(int_at(white, "interval"), 0);
    EXPECT_EQ(plain(json_object_object_get(white, "whiteInfo")), "[]");

    // Any plate (-1): its own effective schedule, the visitors' tables.
    EXPECT_EQ(post_json("/6180", "{\"chnid\":5,\"mode\":-1,\"dialog\":{\"effective\":" + schedule_request(5) +
                                     ",\"whiteInfo\":[[7,0,1]]}}").output,
              kOk);
    json_object *any = post_for_json("/6179", "{\"chnid\":5,\"mode\":-1}");
    EXPECT_EQ(keys_of(any), (std::vector<std::string>{"chnid", "mode", "effective"}));
    EXPECT_EQ(answered_start(json_object_object_get(any, "effective")), "08:00");
    json_object *visitor = post_for_json("/6179", "{\"chnid\":5,\"mode\":2}");
    EXPECT_EQ(answered_start(json_object_object_get(visitor, "effective")), "");
    EXPECT_EQ(plain(json_object_object_get(visitor, "whiteInfo")), "[{\"chnid\":7,\"mode\":0,\"time\":1}]");

    forget_requests();
    for (const char *body : {"{\"chnid\":5,\"mode\":3}", "{\"chnid\":5,\"mode\":-2}", "{\"chnid\":64,\"mode\":0}",
                             "{\"mode\":0}", "{\"chnid\":5}", "{"}) {
        EXPECT_EQ(post_json("/6179", body).output, kJsonError) << body;
        EXPECT_EQ(post_json("/6180", body).output, kJsonError) << body;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(PlateRoutes, RecognitionSettingsAnswerAndSet) {
    json_object *settings = post_for_json("/6181", "{\"chnid\":3}");
    ASSERT_NE(settings, nullptr);
    std::vector<std::string> keys = keys_of(settings);
    ASSERT_EQ(keys.size(), 44u);
    EXPECT_EQ(keys.front(), "chnid");
    EXPECT_EQ(keys[30], "region");
    EXPECT_EQ(keys.back(), "normalPolygons");
    EXPECT_EQ(int_at(settings, "chnid"), 3);
    EXPECT_EQ(text_at(settings, "post_http_url"), "http://192.168.1.20/plates");
    EXPECT_EQ(json_object_array_length(json_object_object_get(settings, "region")), 64u);
    json_object *preset = json_object_array_get_idx(json_object_object_get(settings, "preset"), 3);
    EXPECT_EQ(keys_of(json_object_array_get_idx(preset, 3)),
              (std::vector<std::string>{"name", "startX", "startY", "endX", "endy"}));
    EXPECT_EQ(int_at(json_object_array_get_idx(json_object_object_get(settings, "roi"), 0), "endY"), 1080);
    daemon.set_setting("anpr_camera_type", 3);  // not one of the maker's plate cameras
    EXPECT_EQ(keys_of(post_for_json("/6181", "{\"chnid\":3}")).back(), "aitype");
    daemon.script(3289, sim_one_reply(Bytes(5495, 0)));
    EXPECT_EQ(post_json("/6181", "{\"chnid\":3}").output, kJsonError);

    std::string regions = "[";
    for (int i = 0; i < 70; i++) regions += std::string(i ? "," : "") + "\"" + std::string(40, 'a' + i % 26) + "\"";
    regions += "]";
    std::string rect = "{\"name\":\"" + std::string(50, 'n') + "\",\"startX\":1,\"startY\":2,\"endX\":3,\"endy\":4}";
    std::string presets = "[[" + rect + "],[],[],[" + rect + "," + rect + "," + rect + "," + rect + "," + rect + "],[" + rect + "]]";
    std::string body = "{\"chnid\":3,\"enable\":1,\"post_tcp_port\":81,\"post_http_password\":\"" + std::string(100, 'p') +
                       "\",\"region\":" + regions + ",\"roi\":[" + rect + ",5," + rect + "," + rect + "," + rect + "," + rect +
                       "],\"preset\":" + presets + ",\"aitype\":2,\"formatData\":{\"filter\":1,\"wildcards\":[{\"format\":\"A\",\"enable\":1}]},"
                       "\"dialog\":{\"interval\":4,\"whiteInfo\":[[1,1,1]]}}";
    forget_requests();
    EXPECT_EQ(post_json("/6182", body).output, kOk);
    EXPECT_EQ(request_codes(), (std::vector<int>{1208, 3290}));
    Bytes wildcards = only_payload(1208);
    EXPECT_EQ(payload_i32(wildcards, 0), 3);
    EXPECT_EQ(payload_i32(wildcards, 8), 1);
    EXPECT_EQ(payload_text(wildcards, 80, 16), "A");
    Bytes record = only_payload(3290);
    ASSERT_EQ(record.size(), 5496u);
    EXPECT_EQ(payload_i32(record, 0), 3);
    EXPECT_EQ(payload_i32(record, 72), 81);
    EXPECT_EQ(payload_text(record, 140, 64), std::string(63, 'p'));
    EXPECT_EQ(payload_text(record, 492 + 63 * 32, 32), std::string(31, 'a' + 63 % 26));
    EXPECT_EQ(payload_text(record, 2540, 4), "");  // the 65th region has no place
    EXPECT_EQ(payload_text(record, 2548, 32), std::string(31, 'n'));
    EXPECT_EQ(payload_i32(record, 2548 + 48 + 32), 0);  // roi 1 was not an object
    EXPECT_EQ(payload_i32(record, 2548 + 96 + 44), 4);
    EXPECT_EQ(payload_i32(record, 2740 + 3 * 192 + 3 * 48 + 44), 4);  // preset 3, rect 3
    EXPECT_EQ(payload_i32(record, 3508), 0);                           // no fifth preset, no fifth rect
    EXPECT_EQ(payload_i32(record, 3536), 2);
    // The dialog is saved for any plate (mode -1) with the visitors' tables.
    json_object *visitor = post_for_json("/6179", "{\"chnid\":3,\"mode\":2}");
    EXPECT_EQ(plain(json_object_object_get(visitor, "whiteInfo")), "[{\"chnid\":1,\"mode\":1,\"time\":1}]");
    EXPECT_EQ(int_at(visitor, "interval"), 0);

    daemon.set_setting("smart_set_status", 1);
    EXPECT_EQ(post_json("/6182", "{\"chnid\":3}").output, kFailed);
    forget_requests();
    for (const char *body_text : {"{\"chnid\":64}", "{}", "{"}) EXPECT_EQ(post_json("/6182", body_text).output, kJsonError);
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(PlateRoutes, WildcardsSupportAndZoom) {
    std::string wildcards = "[";
    for (int i = 0; i < 10; i++)
        wildcards += std::string(i ? "," : "") + "{\"format\":\"" + std::string(20, 'A' + i) + "\",\"enable\":" + std::to_string(i + 1) + "}";
    wildcards += "]";
    EXPECT_EQ(post_json("/6191", "{\"chnid\":2,\"filter\":1,\"maxPlateCharNum\":8,\"wildcards\":" + wildcards + "}").output, kOk);
    Bytes record = only_payload(1208);
    ASSERT_EQ(record.size(), 228u);
    EXPECT_EQ(payload_i32(record, 0), 2);
    EXPECT_EQ(payload_i32(record, 4), 1);
    EXPECT_EQ(payload_i32(record, 8 + 32), 9);
    EXPECT_EQ(payload_text(record, 80 + 16 * 8, 16), std::string(15, 'I'));
    EXPECT_EQ(payload_i32(record, 224), 8);

    json_object *formats = post_for_json("/6190", "{\"chnid\":2}");
    ASSERT_NE(formats, nullptr);
    EXPECT_EQ(text_at(json_object_array_get_idx(json_object_object_get(formats, "wildcards"), 1), "format"), "AAA-9999");
    EXPECT_EQ(plain(post_for_json("/6186", "{\"chnid\":2}")), "{\"chnid\":2,\"vca_support\":1,\"vca_version\":2}");
    EXPECT_EQ(plain(post_for_json("/6189", "{\"chnid\":2}")), "{\"chnid\":2,\"state\":0,\"zoomNumber\":3}");
    for (const char *route : {"/6181", "/6186", "/6189", "/6190", "/6191"}) {
        EXPECT_EQ(post_json(route, "{\"chnid\":64}").output, kJsonError) << route;
        EXPECT_EQ(post_json(route, "{").output, kJsonError) << route;
    }
    daemon.script(1215, SimScript());
    EXPECT_EQ(post_json("/6189", "{\"chnid\":2}").output, kJsonError);
}

}  // namespace
