// Camera maintenance routes end to end: the recording calendar, camera event schedules (with the
// motion and smart-event pages that share them), camera upgrades, the local user interface's
// commands and the probes.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_functions.h"
#include "camera/camera_test_support.h"
#include "camera/maintenance_payloads.h"
#include "core/qvdb_smart_events.h"

namespace {

const char kCalendar[] = "{\"time\":\"2024-02-29 10:11:12\",\"chnid\":5,\"streamType\":1}";

const char *const kScheduleKeys[] = {
    "schedule_motion",          "schedule_region_entrance", "schedule_region_exit",
    "schedule_advanced_motion", "schedule_tamper_detection", "schedule_line_crossing",
    "schedule_loitering",       "schedule_human_detection", "schedule_people_counting",
};

// 8 days of 12 periods; period p of day d is ["HH:PP", "HH:PP", d] with HH = hour.
std::string week(int hour) {
    std::string text = "[";
    for (int d = 0; d < 8; d++) {
        text += d ? ",[" : "[";
        for (int p = 0; p < 12; p++) {
            char period[64];
            snprintf(period, sizeof period, "%s[\"%02d:%02d\",\"%02d:%02d\",%d]", p ? "," : "", hour, p, hour, p, d);
            text += period;
        }
        text += "]";
    }
    return text + "]";
}

std::string period_start(json_object *schedule, int day, int period) {
    json_object *d = json_object_array_get_idx(schedule, day);
    return d ? json_text(json_object_array_get_idx(d, period), "startTime") : "<none>";
}

class CameraMaintenance : public CameraTest {
  protected:
    std::string smart_start(int channel, int type) {
        std::unique_ptr<WeeklySchedule> schedule(new WeeklySchedule());
        EXPECT_EQ(read_smart_event_effective_schedule(QVDB_PATH, schedule.get(), channel, type), 0);
        return schedule->day[7].period[11].startTime;
    }
};

TEST_F(CameraMaintenance, CalendarRequestAndAnswer) {
    Bytes reply(kCalendarReplySize, 0);
    memcpy(reply.data() + 4, le_words({1}).data(), 4);
    memcpy(reply.data() + 4 + 4 * 30, le_words({7}).data(), 4);
    reply_with(3493, reply);
    CgiResult result = post_json("/2013", kCalendar);
    EXPECT_EQ(result.headers, kJsonHeader);
    EXPECT_EQ(result.body, "[ 1, " + [] {
        std::string zeros;
        for (int i = 0; i < 29; i++) zeros += "0, ";
        return zeros;
    }() + "1 ]");
    Bytes payload = only(kRequestRecordCalendar);
    ASSERT_EQ(payload.size(), 80u);
    EXPECT_EQ(payload_i32(payload, 0), 1);
    EXPECT_EQ(payload_i32(payload, 4), 2024);
    EXPECT_EQ(payload_i32(payload, 8), 2);
    EXPECT_EQ(payload_text(payload, 12, 64), std::string(5, '0') + "1" + std::string(58, '0'));
    EXPECT_EQ(payload_i32(payload, 76), 0);
    forget_requests();

    EXPECT_EQ(post_json("/2013", json_with(kCalendar, "streamType", "2")).headers, kJsonHeader);
    EXPECT_EQ(payload_i32(only(kRequestRecordCalendar), 0), 0);
    forget_requests();

    const struct {
        int line;
        const char *key;
        const char *value;
    } refusals[] = {
        {__LINE__, "chnid", "64"},   {__LINE__, "chnid", "-1"}, {__LINE__, "chnid", ""},
        {__LINE__, "streamType", ""}, {__LINE__, "time", ""},   {__LINE__, "time", "\"2024-13-01 00:00:00\""},
        {__LINE__, "time", "\"yesterday\""}, {__LINE__, "time", "\"2024-01-01\""},
        {__LINE__, "time", "\"2024-01-01 00:00:00 and more\""}, {__LINE__, "time", "20240101"},
    };
    for (const auto &r : refusals)
        EXPECT_EQ(post_json("/2013", json_with(kCalendar, r.key, r.value)).output, kJsonErrorAnswer) << r.line;
    EXPECT_TRUE(codes().empty());
}

TEST_F(CameraMaintenance, EventSchedulesShareTheEventPagesStorage) {
    // Stored by the motion page and a smart event: read here.
    EXPECT_EQ(post_json("/6152", "{\"camId\":4,\"schedule\":" + week(3) + "}").output, kOk);
    std::unique_ptr<WeeklySchedule> stored(new WeeklySchedule());
    strcpy(stored->day[7].period[11].startTime, "17:00");
    strcpy(stored->day[0].period[0].endTime, "05:00");  // no start time: reported as empty
    stored->day[0].period[0].actionType = 4;
    ASSERT_EQ(write_smart_event_effective_schedule(QVDB_PATH, stored.get(), 4, 7), 0);
    json_object *schedules = post_answer("/2035", "{\"channel\":4}");
    ASSERT_NE(schedules, nullptr);
    EXPECT_EQ(answer_keys(schedules), std::vector<std::string>(kScheduleKeys, kScheduleKeys + 9));
    json_object *motion = json_object_object_get(schedules, "schedule_motion");
    ASSERT_EQ(json_object_array_length(motion), 8u);
    ASSERT_EQ(json_object_array_length(json_object_array_get_idx(motion, 7)), 12u);
    EXPECT_EQ(period_start(motion, 7, 11), "03:11");
    EXPECT_EQ(answer_keys(json_object_array_get_idx(json_object_array_get_idx(motion, 0), 0)),
              (std::vector<std::string>{"startTime", "endTime", "actionType"}));
    json_object *counting = json_object_object_get(schedules, "schedule_people_counting");
    EXPECT_EQ(period_start(counting, 7, 11), "17:00");
    json_object *empty = json_object_array_get_idx(json_object_array_get_idx(counting, 0), 0);
    EXPECT_EQ(json_text(empty, "endTime"), "00:00");
    EXPECT_EQ(json_int(empty, "actionType"), 0);
    EXPECT_EQ(period_start(json_object_object_get(schedules, "schedule_loitering"), 0, 0), "00:00");

    // Stored here: read by the motion page and the smart events.
    std::string body = "{\"channel\":4,\"start\":0,\"end\":8";
    for (int t = 0; t < 9; t++) body += std::string(",\"") + kScheduleKeys[t] + "\":" + week(10 + t);
    EXPECT_EQ(post_json("/2036", body + "}").output, kOk);
    json_object *page = answer(get("/6153", "4"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(period_start(page, 7, 11), "10:11");
    for (int type = 0; type < 8; type++) EXPECT_EQ(smart_start(4, type), std::to_string(11 + type) + ":11") << type;
    EXPECT_EQ(smart_start(5, 0), "");  // other channels keep theirs

    // Only types start to end whose keys are given are written.
    body = "{\"channel\":4,\"start\":2,\"end\":3,\"schedule_motion\":" + week(1) + ",\"schedule_region_exit\":" + week(2) +
           "}";
    EXPECT_EQ(post_json("/2036", body).output, kOk);
    EXPECT_EQ(smart_start(4, 1), "02:11");
    EXPECT_EQ(smart_start(4, 2), "13:11");  // type 3 had no key
    EXPECT_EQ(period_start(answer(get("/6153", "4")), 7, 11), "10:11");
}

TEST_F(CameraMaintenance, EventScheduleRangesAreBoundedAndHangProof) {
    std::string body = "{\"channel\":2,\"start\":-5,\"end\":2147483647,\"schedule_people_counting\":" + week(8) +
                       ",\"schedule_motion\":" + week(9) + "}";
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(post_json("/2036", body).output, kOk);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(smart_start(2, 7), "08:11");
    EXPECT_EQ(period_start(answer(get("/6153", "2")), 7, 11), "09:11");

    body = "{\"channel\":2,\"start\":-2147483648,\"end\":-1,\"schedule_motion\":" + week(1) + "}";
    EXPECT_EQ(post_json("/2036", body).output, kOk);
    body = "{\"channel\":2,\"start\":9,\"end\":2147483647,\"schedule_motion\":" + week(1) + "}";
    EXPECT_EQ(post_json("/2036", body).output, kOk);
    EXPECT_EQ(period_start(answer(get("/6153", "2")), 7, 11), "09:11");

    for (const char *bad : {"{\"channel\":64,\"start\":0,\"end\":0}", "{\"channel\":-1,\"start\":0,\"end\":0}",
                            "{\"start\":0,\"end\":0}", "{\"channel\":1,\"end\":0}", "{\"channel\":1,\"start\":0}", "x"})
        EXPECT_EQ(post_json("/2036", bad).output, "") << bad;
    for (const char *bad : {"{\"channel\":64}", "{\"channel\":-1}", "{}", "x"})
        EXPECT_EQ(post_json("/2035", bad).output, "") << bad;
}

TEST_F(CameraMaintenance, UpgradeStartAndProgress) {
    reply_with(3385, le_words({0}));
    std::string body = "{\"chnMask\":\"1010\",\"resetMask\":\"0100000000000000111\",\"fileSize\":12345}";
    EXPECT_EQ(post_json("/2078", body).output, "Content-type: application/json\r\n\r\n{ \"res\": 0 }");
    Bytes payload = only(kRequestStartUpgrade);
    ASSERT_EQ(payload.size(), 280u);
    EXPECT_EQ(payload_i64(payload, 0), 0x5);
    EXPECT_EQ(payload_i64(payload, 8), static_cast<int64_t>(~2ULL));  // only the first 16 characters count
    EXPECT_EQ(payload_i32(payload, 16), 12345);
    for (size_t i = 20; i < payload.size(); i++) ASSERT_EQ(payload[i], 0) << i;
    for (const char *bad : {"{\"resetMask\":\"\"}", "{\"chnMask\":\"1\"}", "{\"chnMask\":1,\"resetMask\":\"\"}"})
        EXPECT_EQ(post_json("/2078", bad).output, kJsonErrorAnswer) << bad;

    CameraUpgradeStatus status;
    memset(&status, 0, sizeof status);
    status.channels = (1ULL << 0) | (1ULL << 15) | (1ULL << 40);
    status.status[0] = 100;
    status.status[15] = -3;
    status.status[1] = 77;  // not in the set
    reply_with(3386, bytes_of(status));
    const std::string progress = "Content-type: text/plain\r\n\r\nchnid=1099511660545\r\nstatus0=100\r\nstatus15=-3\r\n"
                                 "chnMask=1000000000000001\r\n";
    EXPECT_EQ(post_json("/2079", "").output, progress);
    // The page reaches it as an upload too; the file is not used.
    EXPECT_EQ(run(upload_request("/2079", "fw.bin", "data", "x=1")).output, progress);
    EXPECT_EQ(sent(kRequestUpgradeProgress, 2).size(), 2u);
    reply_with(3386, Bytes(71, 0));
    EXPECT_EQ(post_json("/2079", "").output, kTextError);
    daemon.script(kRequestUpgradeProgress, {});
    EXPECT_EQ(post_json_waiting_less(root, "/2079", "").output, kJsonErrorAnswer);
}

TEST_F(CameraMaintenance, UpgradeFromUrlAndStop) {
    CameraUpgradeStatus status;
    memset(&status, 0, sizeof status);
    status.channels = (1ULL << 1) | (1ULL << 3);
    status.status[1] = 10;
    status.status[3] = 30;
    reply_with(3379, bytes_of(status));
    std::string body = "{\"chnAry\":[1,99,3,-1,\"2\",64],\"reset\":1,\"url\":\"http://fw/" + std::string(200, 'x') + "\"}";
    json_object *answer = post_answer("/2080", body);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"chnid", "status", "chnMask"}));
    EXPECT_EQ(json_int(answer, "chnid"), 10);
    EXPECT_EQ(std::string(json_object_to_json_string(json_object_object_get(answer, "status"))), "[ 10, 30 ]");
    EXPECT_EQ(json_text(answer, "chnMask"), "0101000000000000");
    Bytes payload = only(kRequestUpgradeFromUrl);
    ASSERT_EQ(payload.size(), 280u);
    EXPECT_EQ(payload_i64(payload, 0), 0xA);
    EXPECT_EQ(payload_i32(payload, 8), 1);
    EXPECT_EQ(payload_text(payload, 12, 128), ("http://fw/" + std::string(200, 'x')).substr(0, 127));
    EXPECT_EQ(payload_text(payload, 140, 128), "/dev/shm/updateIPCFM.bin");
    EXPECT_EQ(post_json("/2080", "{\"chnAry\":3}").output, kJsonErrorAnswer);

    EXPECT_EQ(post_json("/2081", "{\"stop\":1}").output, "");
    EXPECT_EQ(only(kRequestStopUpgrade), le_words({1}));
}

TEST_F(CameraMaintenance, LocalUserInterfaceAndChipCode) {
    reply_with(4002, Bytes(16, 0) + Bytes{'d', 'o', 'n', 'e'});
    EXPECT_EQ(post_json("/2026", "{\"cmd\":\"" + std::string(150, 'c') + "\"}").output,
              "Content-type: application/json\r\n\r\n{ \"result\": \"done\" }");
    Bytes payload = only(kRequestLocalUiCommand);
    ASSERT_EQ(payload.size(), 100u);
    EXPECT_EQ(payload_text(payload, 0, 100), std::string(99, 'c'));

    // 9002 followed by 9003 answers once.
    SimStep first, second;
    first.payload = Bytes(16, 0) + Bytes{'a'};
    second.code = 9003;
    second.delay_ms = 20;
    second.payload = Bytes(16, 0) + Bytes{'b'};
    daemon.script(kRequestLocalUiCommand, {first, second});
    EXPECT_EQ(post_json("/2026", "{\"cmd\":\"x\"}").output, "Content-type: application/json\r\n\r\n{ \"result\": \"a\" }");
    // A reply after the wait writes nothing.
    SimStep late;
    late.delay_ms = 300;
    late.payload = Bytes(17, 'z');
    daemon.script(kRequestLocalUiCommand, {late});
    EXPECT_EQ(post_json_waiting_less(root, "/2026", "{\"cmd\":\"x\"}").output, kTextError);
    for (const char *bad : {"{}", "{\"cmd\":1}", "x"}) EXPECT_EQ(post_json("/2026", bad).output, kTextError) << bad;

    reply_with(4004, Bytes{'Q', 'V', '1', '2'});
    EXPECT_EQ(post_json("/2027", "").output, "Content-type: application/json\r\n\r\n{ \"chip_code\": \"QV12\" }");
    daemon.script(kRequestChipCode, {});
    EXPECT_EQ(post_json_waiting_less(root, "/2027", "").output, kTextError);
}

TEST_F(CameraMaintenance, Probes) {
    EXPECT_EQ(post_json("/2082", "{}").output, "Content-type: text/plain\r\n\r\nCGI SUCCESS");
    EXPECT_EQ(get("/2082", "anything").output, "Content-type: text/plain\r\n\r\nCGI SUCCESS");
    EXPECT_EQ(get("/2082").output, "Content-type: text/plain\r\n\r\nCGI ERROR");
    EXPECT_EQ(post_json("/2082", "").output, "Content-type: text/plain\r\n\r\nCGI ERROR");

    std::string expected = ipv6_address_listed("/proc/net/if_inet6") ? "1" : "0";
    EXPECT_EQ(get("/2034").output, "Content-type: text/plain\r\n\r\n" + expected);
    root.write_file("/tmp/inet6_empty", "");
    root.write_file("/tmp/inet6_one", "fe800000000000000211223344556677 02 40 20 80     eth0\n");
    root.write_file("/tmp/inet6_short", "fe80 02 40 20 80 eth0\n");
    EXPECT_FALSE(ipv6_address_listed(root.at("/tmp/inet6_empty").c_str()));
    EXPECT_TRUE(ipv6_address_listed(root.at("/tmp/inet6_one").c_str()));
    EXPECT_FALSE(ipv6_address_listed(root.at("/tmp/inet6_short").c_str()));
    EXPECT_FALSE(ipv6_address_listed(root.at("/tmp/none").c_str()));
}

}  // namespace
