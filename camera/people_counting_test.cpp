// People-counting routes end to end: the nine groups, a group's actions, the counter resets and
// the report auto-backup entries.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <string>
#include <vector>

#include "camera/camera_test_support.h"
#include "core/qvdb_camera_events.h"

namespace {

const char kResZero[] = "Content-type: application/json\r\n\r\n{ \"res\": 0 }";

// A schedule in the request form: 8 days of 12 periods ["HH:00", "HH:30", d + 1], HH = d + base.
std::string schedule_request(int base) {
    std::string days = "[";
    for (int d = 0; d < 8; d++) {
        days += d ? ",[" : "[";
        for (int p = 0; p < 12; p++) {
            char period[64];
            snprintf(period, sizeof period, "%s[\"%02d:00\",\"%02d:30\",%d]", p ? "," : "", d + base, d + base, d + 1);
            days += period;
        }
        days += "]";
    }
    return days + "]";
}

std::string first_start(json_object *schedule) {
    json_object *day = schedule ? json_object_array_get_idx(schedule, 2) : nullptr;
    json_object *period = day ? json_object_array_get_idx(day, 0) : nullptr;
    return period ? json_text(period, "startTime") : "<none>";
}

class PeopleCounting : public CameraTest {
  protected:
    json_object *groups(bool with_actions) {
        return post_answer("/2066", with_actions ? "{\"action\":1}" : "{\"action\":0}");
    }
    std::string group_name(int group) {
        json_object *all = groups(false);
        return all ? json_text(item_at(all, "groups", group), "name") : "<none>";
    }
};

TEST_F(PeopleCounting, GroupsAreStoredByPositionAndAnswered) {
    ASSERT_EQ(post_json("/2067", "{\"groups\":[{},{\"name\":\"Keep\"},{},{\"name\":\"Three\"}]}").output, kResZero);
    std::string first = "{\"enable\":1,\"stays\":2,\"liveview_auto_reset\":1,\"auto_day\":3,\"liveview_font_size\":4,"
                        "\"name\":\"" + std::string(100, 'n') + "\",\"auto_day_time\":\"23:00\",\"tri_channels\":\"" +
                        std::string(70, '1') + "\",\"liveview_green_tips\":\"" + std::string(200, 'g') +
                        "\",\"liveview_red_tips\":\"Wait\",\"groupid\":7}";
    daemon.clear_requests();
    reply_with(2290, le_words({3}));
    EXPECT_EQ(post_json("/2067", "{\"groups\":[" + first + ",5,{\"name\":\"Back\"}]}").output,
              std::string(kJsonHeader) + "{ \"res\": 3 }");
    EXPECT_EQ(only(2290), le_words({0}));
    daemon.clear_script(2290);

    json_object *all = groups(false);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(answer_keys(all), std::vector<std::string>{"groups"});
    ASSERT_EQ(length_at(all, "groups"), 9u);
    json_object *group = item_at(all, "groups", 0);
    EXPECT_EQ(answer_keys(group),
              (std::vector<std::string>{"groupid", "enable", "stays", "liveview_auto_reset", "auto_day",
                                        "liveview_font_size", "name", "auto_day_time", "tri_channels",
                                        "liveview_green_tips", "liveview_red_tips"}));
    EXPECT_EQ(json_int(group, "groupid"), 0);  // never taken from the request
    EXPECT_EQ(json_int(group, "liveview_font_size"), 4);
    EXPECT_EQ(json_text(group, "name"), std::string(63, 'n'));
    EXPECT_EQ(json_text(group, "tri_channels"), std::string(64, '1'));
    EXPECT_EQ(json_text(group, "liveview_green_tips"), std::string(127, 'g'));
    EXPECT_EQ(json_text(item_at(all, "groups", 1), "name"), "Keep");  // the item was not an object
    EXPECT_EQ(json_text(item_at(all, "groups", 2), "name"), "Back");
    EXPECT_EQ(json_text(item_at(all, "groups", 3), "name"), "Three");  // beyond the list
    for (int i = 0; i < 9; i++) EXPECT_EQ(json_int(item_at(all, "groups", i), "groupid"), i);

    std::string twelve = "[";
    for (int i = 0; i < 12; i++) twelve += std::string(i ? "," : "") + "{\"name\":\"G" + std::to_string(i) + "\"}";
    ASSERT_EQ(post_json("/2067", "{\"groups\":" + twelve + "]}").output, kResZero);
    EXPECT_EQ(group_name(8), "G8");

    // Without a list nothing changes, but the daemon is still asked.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/2067", "{\"groups\":{\"name\":\"x\"}}").output, kResZero);
    EXPECT_EQ(sent(2290).size(), 1u);
    EXPECT_EQ(group_name(0), "G0");
    EXPECT_EQ(post_json("/2067", "{").output, kJsonErrorAnswer);
}

TEST_F(PeopleCounting, GroupActionsRoundTrip) {
    std::string body = "{\"groupid\":4,\"triAlarms\":3,\"interval\":20,\"email_interval\":5,\"email_pic_enable\":1,"
                       "\"tri_channels_pic\":\"0011\",\"ptz_interval\":6,\"alarmout_interval\":7,\"white_interval\":8,"
                       "\"audioId\":2,\"http_notification_interval\":9,\"triChnAlarms\":[\"10\",\"01\"],"
                       "\"audible\":" + schedule_request(1) + ",\"email\":" + schedule_request(4) +
                       ",\"ptz\":" + schedule_request(7) + ",\"white\":" + schedule_request(10) +
                       ",\"httpSche\":" + schedule_request(13) +
                       ",\"whiteInfo\":[[3,1,10]],\"httpParams\":{\"url\":\"http://h/p?a=1&b=$(id)\"},"
                       "\"ptzParams\":[{\"acto_ptz_channel\":2,\"acto_ptz_type\":1,\"acto_ptz_preset\":4}]}";
    EXPECT_EQ(post_json("/2070", body).output, kResZero);
    EXPECT_EQ(only(2293), le_words({4, -1}));

    json_object *actions = post_answer("/2069", "{\"groupid\":4}");
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(answer_keys(actions),
              (std::vector<std::string>{"chnid", "triAlarms", "interval", "email_interval", "email_pic_enable",
                                        "tri_channels_pic", "ptz_interval", "alarmout_interval", "white_interval",
                                        "effective", "audible", "email", "ptz", "triChnAlarms", "white", "whiteInfo",
                                        "audioId", "audioIdMask"}));
    EXPECT_EQ(json_int(actions, "chnid"), 4);
    EXPECT_EQ(json_int(actions, "interval"), 20);
    EXPECT_EQ(json_text(actions, "tri_channels_pic"), "0011");
    EXPECT_EQ(json_int(actions, "audioId"), 2);
    EXPECT_EQ(first_start(json_object_object_get(actions, "effective")), "03:00");  // the audible schedule
    EXPECT_EQ(first_start(json_object_object_get(actions, "audible")), "03:00");
    EXPECT_EQ(first_start(json_object_object_get(actions, "email")), "06:00");
    EXPECT_EQ(first_start(json_object_object_get(actions, "ptz")), "09:00");
    EXPECT_EQ(first_start(json_object_object_get(actions, "white")), "12:00");
    EXPECT_EQ(json_object_to_json_string(json_object_object_get(actions, "triChnAlarms")), std::string("[ \"10\", \"01\" ]"));
    EXPECT_EQ(json_object_to_json_string(json_object_object_get(actions, "whiteInfo")),
              std::string("[ { \"chnid\": 3, \"mode\": 1, \"time\": 10 } ]"));

    CameraAlarmInEventRecord stored;
    memset(&stored, 0, sizeof stored);
    ASSERT_EQ(read_peoplecnt_event(QVDB_PATH, &stored, 4), 0);
    EXPECT_EQ(stored.chnid, 4);
    EXPECT_EQ(stored.http_notification_interval, 9);
    EXPECT_EQ(stored.enable, 0);  // the groups' routes have no switch
    WeeklySchedule http;
    ASSERT_EQ(read_http_notification_schedule(QVDB_PATH, &http, "people_cnt_http_notification_sche", 4), 0);
    EXPECT_STREQ(http.day[2].period[0].startTime, "15:00");
    HttpTarget target;
    ASSERT_EQ(read_http_notification_params(QVDB_PATH, &target, "people_cnt_http_notification_params", 4), 0);
    EXPECT_STREQ(target.url, "http://h/p?a=1&b=$(id)");

    json_object *all = groups(true);
    ASSERT_NE(all, nullptr);
    json_object *dialog = json_object_object_get(item_at(all, "groups", 4), "dialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(answer_keys(dialog).back(), "ptzParams");
    ASSERT_EQ(length_at(dialog, "ptzParams"), 1u);
    EXPECT_EQ(json_int(item_at(dialog, "ptzParams", 0), "acto_ptz_preset"), 4);
    EXPECT_EQ(json_object_object_get(item_at(groups(false), "groups", 4), "dialog"), nullptr);

    // Only a schedule: the record keeps its fields, the daemon is still told.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/2070", "{\"groupid\":4,\"httpSche\":" + schedule_request(0) + "}").output, kResZero);
    EXPECT_EQ(only(2293), le_words({4, -1}));
    ASSERT_EQ(read_peoplecnt_event(QVDB_PATH, &stored, 4), 0);
    EXPECT_EQ(stored.interval, 20);
}

// A group whose stored actions are gone gets them back under its own id: nothing lands on group 0.
TEST_F(PeopleCounting, ActionsOfARemovedGroupRecordAreKeyedByTheGroup) {
    CameraAlarmInEventRecord group0;
    memset(&group0, 0, sizeof group0);
    ASSERT_EQ(read_peoplecnt_event(QVDB_PATH, &group0, 0), 0);
    exec_sql("DELETE FROM records WHERE kind = 'peoplecnt_event' AND id = 6");
    EXPECT_EQ(post_json("/2070", "{\"groupid\":6,\"interval\":33,\"audioId\":3}").output, kResZero);
    EXPECT_EQ(only(2293), le_words({6, -1}));
    qvdb_close_all();
    CameraAlarmInEventRecord stored;
    memset(&stored, 0, sizeof stored);
    ASSERT_EQ(read_peoplecnt_event(QVDB_PATH, &stored, 6), 0);
    EXPECT_EQ(stored.chnid, 6);
    EXPECT_EQ(stored.interval, 33);
    EXPECT_EQ(stored.audioId, 3);
    CameraAlarmInEventRecord after0;
    memset(&after0, 0, sizeof after0);
    ASSERT_EQ(read_peoplecnt_event(QVDB_PATH, &after0, 0), 0);
    EXPECT_EQ(memcmp(&after0, &group0, sizeof group0), 0);
}

TEST_F(PeopleCounting, BadGroupsAreRefusedWithTheJsonError) {
    for (const char *route : {"/2069", "/2070", "/2071", "/2072"})
        for (const char *body : {"{\"groupid\":9}", "{\"groupid\":-1}", "{}", "{\"groupid\":\"2x\"}", "{"})
            EXPECT_EQ(post_json(route, body).output, kJsonErrorAnswer) << route << " " << body;
    EXPECT_EQ(post_json("/2066", "{").output, kJsonErrorAnswer);
    EXPECT_EQ(codes(), std::vector<int>{});
}

TEST_F(PeopleCounting, ResetsAskTheDaemonForTheirGroup) {
    reply_with(2291, le_words({5}));
    EXPECT_EQ(post_json("/2071", "{\"groupid\":8}").output, std::string(kJsonHeader) + "{ \"res\": 5 }");
    EXPECT_EQ(only(2291), le_words({8}));
    EXPECT_EQ(post_json("/2072", "{\"groupid\":0}").output, kResZero);
    EXPECT_EQ(only(2292), le_words({0}));
    reply_with(2292, Bytes{1, 0, 0});  // too short for its word: no reply
    EXPECT_EQ(post_json_waiting_less(root, "/2072", "{\"groupid\":1}").output, kJsonErrorAnswer);
}

TEST_F(PeopleCounting, ReportBackupEntriesKeepWhatIsNotSent) {
    std::string four = "{\"report\":[{\"reportType\":1},{\"reportType\":2},{\"reportType\":3},{\"reportType\":4}]}";
    ASSERT_EQ(post_json("/2076", four).output, kResZero);
    std::string entry = "{\"reportType\":9,\"enable\":1,\"triChannels\":\"" + std::string(70, '1') +
                        "\",\"triGroups\":\"" + std::string(20, '1') + "\",\"stayLengthType\":1,"
                        "\"stayLengthValue\":30,\"backupDay\":3,\"backupTime\":\"" + std::string(40, 't') +
                        "\",\"fileFormat\":1,\"timeRange\":2,\"backupTo\":1,\"lineMask\":15}";
    reply_with(1423, le_words({7}));  // the answer is {"res": 0} whatever the daemon says
    daemon.clear_requests();
    EXPECT_EQ(post_json("/2076", "{\"report\":[" + entry + ",\"x\"]}").output, kResZero);
    EXPECT_EQ(only(1423), Bytes());

    json_object *backup = answer(get("/2075"));
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(answer_keys(backup), (std::vector<std::string>{"report", "email"}));
    EXPECT_EQ(json_int(backup, "email"), 1);
    ASSERT_EQ(length_at(backup, "report"), 4u);
    json_object *first = item_at(backup, "report", 0);
    EXPECT_EQ(answer_keys(first),
              (std::vector<std::string>{"reportType", "enable", "triChannels", "triGroups", "stayLengthType",
                                        "stayLengthValue", "backupDay", "backupTime", "fileFormat", "timeRange",
                                        "backupTo", "lineMask"}));
    EXPECT_EQ(json_int(first, "reportType"), 9);
    EXPECT_EQ(json_text(first, "triChannels"), std::string(64, '1'));
    EXPECT_EQ(json_text(first, "triGroups"), std::string(16, '1'));
    EXPECT_EQ(json_text(first, "backupTime"), std::string(31, 't'));
    EXPECT_EQ(json_int(first, "lineMask"), 15);
    for (int i = 1; i < 4; i++) EXPECT_EQ(json_int(item_at(backup, "report", i), "reportType"), i + 1) << i;

    daemon.clear_requests();
    EXPECT_EQ(post_json("/2076", "{\"report\":5}").output, kResZero);
    EXPECT_EQ(sent(1423).size(), 1u);
    EXPECT_EQ(json_int(item_at(answer(get("/2075")), "report", 0), "reportType"), 9);
}

}  // namespace
