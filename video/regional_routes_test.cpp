// Regional people-counting routes end to end: the request record sent to the daemon, the region
// actions stored and copied, and the answer built from the daemon's reply and the stored actions.
#include <gtest/gtest.h>
#include <json-c/json.h>

#include <string>
#include <vector>

#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/qvdb_regional.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

// The camera form of a schedule: 7 days of 10 [start, end] periods, "HH:00" to "HH:45".
std::string camera_schedule(int hour) {
    std::string days = "[";
    for (int d = 0; d < 7; d++) {
        days += d ? ",[" : "[";
        for (int p = 0; p < 10; p++) {
            char period[48];
            snprintf(period, sizeof period, "%s[\"%02d:00\",\"%02d:45\"]", p ? "," : "", hour + d, hour + d);
            days += period;
        }
        days += "]";
    }
    return days + "]";
}

std::string region_entry(int r, const std::string &polygon_x) {
    int b = 10 * r;
    return "{\"enable\":1,\"polygonX\":\"" + polygon_x + "\",\"polygonY\":\"1,2,3\",\"maxStayEnable\":" +
           std::to_string(b + 1) + ",\"maxStayValue\":" + std::to_string(b + 2) + ",\"minStayEnable\":" +
           std::to_string(b + 3) + ",\"minStayValue\":" + std::to_string(b + 4) + ",\"maxStayTimeEnable\":" +
           std::to_string(b + 5) + ",\"maxStayTimeValue\":" + std::to_string(b + 6) + "}";
}

std::string full_action() {
    return "{\"audible\":" + schedule_request(1) + ",\"email\":" + schedule_request(2) + ",\"ptz\":" +
           schedule_request(3) + ",\"white\":" + schedule_request(4) + ",\"httpSche\":" + schedule_request(5) +
           ",\"warnLight\":" + schedule_request(6) +
           ",\"whiteInfo\":[[3,1,5]],\"warnLightInfo\":[[4,9]],\"httpParams\":{\"url\":\"http://r\",\"username\":\"u\","
           "\"password\":\"p\"},\"ptzParams\":[{\"acto_ptz_channel\":7,\"acto_ptz_type\":1,\"acto_ptz_preset\":3}],"
           "\"interval\":10,\"audioId\":2,\"email_interval\":11,\"email_pic_enable\":1,\"tri_channels_pic\":\"0011\","
           "\"ptz_interval\":12,\"white_interval\":13,\"warning_light_interval\":14,\"http_notification_interval\":15,"
           "\"triChnAlarms\":[\"x\",\"y\"],\"alarmout_interval\":16,\"triAlarms\":17,\"triChannels\":\"0101\"}";
}

class RegionalRoutes : public EventRouteTest {
  protected:
    SmartEventRecord stored(int channel, int region) {
        SmartEventRecord record;
        memset(&record, 0, sizeof record);
        if (read_regional_pcnt_event(QVDB_PATH, &record, channel, region) != 0) record.interval = -12345;
        return record;
    }
    std::string region_schedule_start(int kind, int channel, int region) {
        WeeklySchedule schedule;
        memset(&schedule, 0, sizeof schedule);
        read_regional_pcnt_schedule(QVDB_PATH, kind, &schedule, channel, region);
        return schedule.day[3].period[11].startTime;
    }
    int ptz_entries(int type, int channel) {
        PtzLinkList list;
        memset(&list, 0, sizeof list);
        read_ptz_params(QVDB_PATH, &list, type, channel);
        return list.count;
    }
    json_object *regional_info(int channel) {
        return post_for_json("/6096", "{\"chnid\":" + std::to_string(channel) + "}");
    }
};

TEST_F(RegionalRoutes, SetSendsTheRegionRecord) {
    std::string regions = "[" + region_entry(0, std::string(80, 'x')) + "," + region_entry(1, "5,6") + "," +
                          region_entry(2, "7") + "," + region_entry(3, "8") + "," + region_entry(4, "9") + "]";
    std::string copy = std::string(70, '0');
    std::string body = "{\"chnid\":2,\"sensitivity\":5,\"minObjX\":1,\"minObjY\":2,\"minObjWidth\":3,\"minObjHeight\":4,"
                       "\"maxObjX\":5,\"maxObjY\":6,\"maxObjWidth\":7,\"maxObjHeight\":8,\"copyChn\":\"" + copy +
                       "\",\"regional\":" + regions + ",\"effective\":" + camera_schedule(1) + "}";
    EXPECT_EQ(normalized(post_json("/6097", body)), std::string(kJsonHeader) + "{\"res\":0}");

    Bytes expected = zeros(28448);
    int32_t head[] = {0, 2, 5, 1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 11; i++) put32(expected, 4 * i, head[i]);
    const char *polygons[] = {nullptr, "5,6", "7", "8"};
    for (int r = 0; r < 4; r++) {
        size_t at = 44 + 156 * r;
        put32(expected, at, 1);
        put_text(expected, at + 4, polygons[r] ? polygons[r] : std::string(63, 'x'));
        put_text(expected, at + 68, "1,2,3");
        for (int i = 0; i < 6; i++) put32(expected, at + 132 + 4 * i, 10 * r + i + 1);
    }
    JsonRef request(json_tokener_parse(("{\"effective\":" + camera_schedule(1) + "}").c_str()));
    WeeklySchedule effective;
    ASSERT_EQ(get_schedule_by_json_ipc(request, "effective", &effective), 0);
    memcpy(expected.data() + 668, &effective, sizeof effective);
    put_text(expected, 28380, copy.substr(0, 64));
    std::vector<SimRequest> sets = sent(1221, 1);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].payload, expected);  // a fifth region never reaches the schedule
}

TEST_F(RegionalRoutes, ActionsAreStoredPerRegionAndAnswered) {
    EXPECT_EQ(normalized(post_json("/6097", "{\"chnid\":2,\"action\":[" + full_action() + ",{\"interval\":20}]}")),
              std::string(kJsonHeader) + "{\"res\":0}");
    json_object *answer = regional_info(2);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"result", "chnid", "sensitivity", "minObjX", "minObjY",
                                                         "minObjWidth", "minObjHeight", "maxObjX", "maxObjY",
                                                         "maxObjWidth", "maxObjHeight", "regional", "effective",
                                                         "action"}));
    EXPECT_EQ(keys_of(json_object_array_get_idx(json_object_object_get(answer, "regional"), 0)),
              (std::vector<std::string>{"enable", "polygonX", "polygonY", "maxStayEnable", "maxStayValue",
                                        "minStayEnable", "minStayValue", "maxStayTimeEnable", "maxStayTimeValue"}));
    EXPECT_EQ(text_at(json_object_array_get_idx(json_object_object_get(answer, "regional"), 1), "polygonX"),
              "240,420,420,240");
    json_object *effective = json_object_object_get(answer, "effective");
    EXPECT_EQ(plain(json_object_array_get_idx(json_object_array_get_idx(effective, 0), 0)),
              "{\"startTime\":\"00:00\",\"endTime\":\"24:00\"}");
    json_object *actions = json_object_object_get(answer, "action");
    ASSERT_EQ(json_object_array_length(actions), 4u);
    json_object *first = json_object_array_get_idx(actions, 0);
    EXPECT_EQ(keys_of(first),
              (std::vector<std::string>{"audible", "interval", "audioId", "email", "email_interval", "email_pic_enable",
                                        "tri_channels_pic", "ptz", "ptz_interval", "ptzParams", "white", "whiteInfo",
                                        "white_interval", "httpSche", "httpParams", "http_notification_interval",
                                        "alarmout_interval", "triAlarms", "triChannels", "triChnAlarms"}));
    struct Expect {
        const char *key;
        int value;
    } numbers[] = {{"interval", 10},      {"audioId", 2},           {"email_interval", 11},
                   {"email_pic_enable", 1}, {"ptz_interval", 12},   {"white_interval", 13},
                   {"http_notification_interval", 15}, {"alarmout_interval", 16}, {"triAlarms", 17}};
    for (const Expect &e : numbers) EXPECT_EQ(int_at(first, e.key), e.value) << e.key;
    const char *schedules[][2] = {{"audible", "04:00"}, {"email", "05:00"}, {"ptz", "06:00"},
                                  {"white", "07:00"},   {"httpSche", "08:00"}};
    for (auto &s : schedules) EXPECT_EQ(answered_start(json_object_object_get(first, s[0])), s[1]) << s[0];
    EXPECT_EQ(text_at(first, "tri_channels_pic"), "0011");
    EXPECT_EQ(text_at(first, "triChannels"), "0101");
    EXPECT_EQ(plain(json_object_object_get(first, "triChnAlarms")), "[\"x\",\"y\"]");
    EXPECT_EQ(plain(json_object_object_get(first, "whiteInfo")), "[{\"chnid\":3,\"mode\":1,\"time\":5}]");
    EXPECT_EQ(text_at(json_object_object_get(first, "httpParams"), "url"), "http://r");
    EXPECT_EQ(plain(json_object_object_get(first, "ptzParams")),
              "[{\"acto_ptz_channel\":7,\"acto_ptz_type\":1,\"acto_ptz_preset\":3,\"acto_ptz_patrol\":0}]");
    EXPECT_EQ(int_at(json_object_array_get_idx(actions, 1), "interval"), 20);
    EXPECT_EQ(int_at(json_object_array_get_idx(actions, 2), "interval"), 0);
    EXPECT_EQ(answered_start(json_object_object_get(json_object_array_get_idx(actions, 1), "audible")), "");

    // What the answer leaves out: the warning light, the e-mail picture set and the stored set.
    EXPECT_EQ(region_schedule_start(kRegionalWarningLight, 2, 0), "09:00");
    EXPECT_EQ(stored(2, 0).warning_light_interval, 14);
    EXPECT_EQ(stored(2, 0).tri_channels_mask, (1ULL << 1) | (1ULL << 3));
    EXPECT_EQ(ptz_entries(22, 2), 1);
    EXPECT_EQ(ptz_entries(23, 2), 0);
    EXPECT_EQ(stored(2, 1).interval, 20);
    EXPECT_EQ(stored(2, 1).triAlarms, 0);
    EXPECT_EQ(stored(3, 0).interval, 0);  // nothing to copy to
}

TEST_F(RegionalRoutes, ActionsAreCopiedToTheChannelsOfTheCopyText) {
    std::string copy = "000101";  // channels 3 and 5
    EXPECT_EQ(post_json("/6097", "{\"chnid\":2,\"copyChn\":\"" + copy + "\",\"action\":[" + full_action() + "]}").headers,
              kJsonHeader);
    for (int channel : {3, 5}) {
        EXPECT_EQ(stored(channel, 0).chnid, channel);
        EXPECT_EQ(stored(channel, 0).interval, 10) << channel;
        EXPECT_STREQ(stored(channel, 0).triChannels, "0101");
        EXPECT_EQ(region_schedule_start(kRegionalAudible, channel, 0), "04:00") << channel;
        EXPECT_EQ(region_schedule_start(kRegionalHttp, channel, 0), "08:00") << channel;
        EXPECT_EQ(region_schedule_start(kRegionalWarningLight, channel, 0), "09:00") << channel;
        EXPECT_EQ(ptz_entries(22, channel), 1) << channel;
    }
    EXPECT_EQ(stored(4, 0).interval, 0);
    EXPECT_EQ(stored(3, 1).interval, 0);

    // An empty copy text copies nothing; the settings are still stored for "chnid".
    EXPECT_EQ(post_json("/6097", "{\"chnid\":2,\"copyChn\":\"\",\"action\":[{\"interval\":40,\"audible\":" +
                                     schedule_request(7) + "}]}").headers,
              kJsonHeader);
    EXPECT_EQ(stored(2, 0).interval, 40);
    EXPECT_EQ(stored(3, 0).interval, 10);
    EXPECT_EQ(region_schedule_start(kRegionalAudible, 3, 0), "04:00");
    EXPECT_EQ(region_schedule_start(kRegionalAudible, 2, 0), "10:00");
}

TEST_F(RegionalRoutes, AtMostFourRegionsAndTheFirstMissingItemEnds) {
    std::string five = "[";
    for (int r = 0; r < 5; r++)
        five += (r ? "," : "") + std::string("{\"interval\":") + std::to_string(r + 1) +
                ",\"ptzParams\":[{\"acto_ptz_channel\":9}]}";
    five += "]";
    EXPECT_EQ(post_json("/6097", "{\"chnid\":6,\"action\":" + five + "}").headers, kJsonHeader);
    for (int r = 0; r < 4; r++) {
        EXPECT_EQ(stored(6, r).interval, r + 1) << r;
        EXPECT_EQ(ptz_entries(22 + r, 6), 1) << r;
    }
    EXPECT_EQ(ptz_entries(26, 6), 0);  // face detection's list is not a region's

    EXPECT_EQ(post_json("/6097", "{\"chnid\":7,\"action\":[{\"interval\":1},\"x\",{\"interval\":3}]}").headers,
              kJsonHeader);
    EXPECT_EQ(stored(7, 0).interval, 1);
    EXPECT_EQ(stored(7, 2).interval, 0);
}

TEST_F(RegionalRoutes, RefusalsAndReplies) {
    for (const char *route : {"/6096", "/6097"}) {
        for (const char *body : {"", "{", "{}", "{\"chnid\":64}", "{\"chnid\":-1}", "{\"chnid\":\"2\\\"\"}",
                                 "{\"action\":[{\"interval\":5}]}"})
            EXPECT_EQ(post_json(route, body).output, kJsonError) << route << " " << body;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(stored(0, 0).interval, 0);

    EXPECT_EQ(sent(1220).size(), 0u);
    ASSERT_NE(regional_info(9), nullptr);
    EXPECT_EQ(sent(1220)[0].payload, le_words({9}));
    struct Case {
        int line;
        int code;
        SimScript replies;
    } short_replies[] = {
        {__LINE__, 1220, sim_one_reply(zeros(28447))},
        {__LINE__, 1220, sim_one_reply(Bytes())},
        {__LINE__, 1221, sim_one_reply(zeros(3))},
        {__LINE__, 1221, sim_one_reply(Bytes())},
    };
    for (const Case &c : short_replies) {
        daemon.script(c.code, c.replies);
        std::string route = c.code == 1220 ? "/6096" : "/6097";
        EXPECT_EQ(post_json(route, "{\"chnid\":9}").output, kJsonError) << "line " << c.line;
    }
    daemon.script(1220, SimScript{{0, -1, zeros(28448)}, {5, -1, zeros(28448)}});
    daemon.script(1221, SimScript{{0, -1, le_words({3})}, {5, -1, le_words({4})}});
    json_object *once = regional_info(9);
    ASSERT_NE(once, nullptr);
    EXPECT_EQ(json_object_array_length(json_object_object_get(once, "action")), 4u);
    EXPECT_EQ(normalized(post_json("/6097", "{\"chnid\":9}")), std::string(kJsonHeader) + "{\"res\":3}");
}

}  // namespace
