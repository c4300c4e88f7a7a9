// Recording routes end to end: holidays, record schedules, modes and settings, and the replies
// of the support, stream and ANR requests.
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "core/oplog.h"
#include "core/qvdb_camera.h"
#include "core/qvdb_record.h"
#include "record/record_payloads.h"
#include "system/system_test_support.h"

namespace {

const char kTextHeader[] = "Content-type: text/plain\r\n\r\n";

class RecordRoutes : public LoggedRouteTest {
  protected:
    RecordEntry record(int channel) {
        qvdb_close_all();
        RecordEntry entry;
        memset(&entry, 0, sizeof entry);
        read_record(QVDB_PATH, &entry, channel);
        return entry;
    }
    void store(const RecordEntry &entry) {
        write_record(QVDB_PATH, &entry);
        qvdb_close_all();
    }
    CameraRecord camera(int channel) {
        qvdb_close_all();
        CameraRecord entry;
        memset(&entry, 0, sizeof entry);
        read_camera(QVDB_PATH, &entry, channel);
        return entry;
    }
    void store(const CameraRecord &entry) {
        write_camera(QVDB_PATH, &entry);
        qvdb_close_all();
    }
    uint64_t mask_of(const SimRequest &request) {
        uint64_t mask = 0;
        memcpy(&mask, request.payload.data(), 8);
        return mask;
    }
};

// A request schedule whose slots all differ: day d slot s runs "d:ss" to "d:ss+1", action d*100+s.
std::string full_schedule() {
    std::string days = "[";
    for (int d = 0; d < 8; d++) {
        days += std::string(d ? "," : "") + "{\"wholedayEnable\":" + std::to_string(d % 2) +
                ",\"wholedayActionType\":" + std::to_string(d + 1) + ",\"plans\":[";
        for (int s = 0; s < 48; s++) {
            char slot[64];
            snprintf(slot, sizeof slot, "%s[\"%d:%02d\",\"%d:%02d\",%d]", s ? "," : "", d, s, d, s + 1, d * 100 + s);
            days += slot;
        }
        days += "]}";
    }
    return days + "]";
}

TEST_F(RecordRoutes, HolidayRoundTripAndValidation) {
    std::string name(300, 'h');
    CgiResult result = post_json("/6031", "{\"id\":31,\"enable\":1,\"name\":\"" + name +
                                               "\",\"type\":2,\"startYear\":2025,\"startMon\":12,\"startMDay\":24,"
                                               "\"startMWeek\":4,\"startWDay\":3,\"endYear\":2026,\"endMon\":1,"
                                               "\"endMDay\":2,\"endWDay\":5}");
    EXPECT_EQ(result.output, std::string(kTextHeader) + "OK");
    ASSERT_EQ(sent(kRequestHolidaysChanged, 1).size(), 1u);
    EXPECT_TRUE(sent(kRequestHolidaysChanged)[0].payload.empty());
    std::vector<OperationLogRecord> records = logs(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].sub_type, 204);
    EXPECT_EQ(records[0].parameter, 920);
    EXPECT_EQ(records[0].channel, 32);

    struct Case {
        int line;
        const char *body;
    } refused[] = {
        {__LINE__, "{\"id\":32,\"enable\":1,\"type\":0}"},  {__LINE__, "{\"id\":-1,\"enable\":1,\"type\":0}"},
        {__LINE__, "{\"id\":3,\"enable\":2,\"type\":0}"},   {__LINE__, "{\"id\":3,\"enable\":1,\"type\":-1}"},
        {__LINE__, "{\"enable\":1,\"type\":0}"},            {__LINE__, "{\"id\":3,\"type\":0}"},
        {__LINE__, "{\"id\":3,\"enable\":1}"},              {__LINE__, "{\"id\":\"x\",\"enable\":1,\"type\":0}"},
        {__LINE__, "not json"},                              {__LINE__, "[1,2]"},
    };
    daemon.clear_requests();
    for (const Case &c : refused) EXPECT_EQ(post_json("/6031", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());

    json_object *answer = answer_of(get("/6030"));
    json_object *holidays = json_object_object_get(answer, "holidays");
    ASSERT_EQ(json_object_array_length(holidays), 1u);
    json_object *holiday = json_object_array_get_idx(holidays, 0);
    EXPECT_EQ(answer_keys(holiday),
              (std::vector<std::string>{"id", "enable", "name", "type", "startYear", "startMon", "startMDay",
                                        "startMWeek", "startWDay", "endYear", "endMon", "endMDay", "endMWeek",
                                        "endWDay"}));
    EXPECT_EQ(json_text(holiday, "name"), name.substr(0, 255));
    EXPECT_EQ(json_int(holiday, "id"), 31);
    EXPECT_EQ(json_int(holiday, "startMDay"), 24);
    EXPECT_EQ(json_int(holiday, "endMWeek"), 0);  // missing date keys store 0
    EXPECT_EQ(json_int(holiday, "endWDay"), 5);
}

TEST_F(RecordRoutes, ScheduleRoundTripWithEverySlotAndTheModeMasks) {
    RecordEntry kept = record(5);
    kept.mode = 1;
    kept.audioEnable = 1;
    kept.prevRecordDuration = 9;
    store(kept);
    CgiResult result = post_json("/6041", "{\"cnt\":3,\"chnid\":[5,\"7\",63,9,12],\"recordplanmode\":1,\"schedule\":" +
                                               full_schedule() + "}");
    EXPECT_EQ(result.output, std::string(kTextHeader) + "OK");
    // 1413 (mode changed: 63 only, 5 already had mode 1) precedes 1411 (every channel named).
    std::vector<SimRequest> requests = daemon.requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0].code, kRequestRecordModesChanged);
    EXPECT_EQ(mask_of(requests[0]), 1ULL << 63);
    EXPECT_EQ(requests[1].code, kRequestRecordScheduleChanged);
    EXPECT_EQ(mask_of(requests[1]), (1ULL << 5) | (1ULL << 63));
    EXPECT_EQ(requests[1].payload.size(), 8u);
    std::vector<OperationLogRecord> records = logs(1);
    EXPECT_EQ(records.at(0).parameter, 907);
    EXPECT_EQ(records.at(0).channel, 64);  // the last integer item taken (63) + 1; 9 lies past cnt
    EXPECT_EQ(record(63).mode, 1);
    EXPECT_EQ(record(9).mode, 0);
    RecordEntry after = record(5);
    EXPECT_EQ(after.audioEnable, 1);
    EXPECT_EQ(after.prevRecordDuration, 9);

    for (int channel : {5, 63}) {
        json_object *answer = answer_of(get("/6040", std::to_string(channel)));
        ASSERT_TRUE(answer) << channel;
        EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"id", "schedule"}));
        EXPECT_EQ(json_int(answer, "id"), channel);
        json_object *days = json_object_object_get(answer, "schedule");
        ASSERT_EQ(json_object_array_length(days), 8u);
        for (int d = 0; d < 8; d++) {
            json_object *day = json_object_array_get_idx(days, d);
            EXPECT_EQ(answer_keys(day), (std::vector<std::string>{"wholedayEnable", "wholedayActionType", "plans"}));
            EXPECT_EQ(json_int(day, "wholedayEnable"), d % 2);
            EXPECT_EQ(json_int(day, "wholedayActionType"), d % 2 ? d + 1 : 0);  // kept only with the enable
            json_object *plans = json_object_object_get(day, "plans");
            ASSERT_EQ(json_object_array_length(plans), 48u);
            for (int s = 0; s < 48; s++) {
                json_object *slot = json_object_array_get_idx(plans, s);
                char start[16];
                snprintf(start, sizeof start, "%d:%02d", d, s);
                ASSERT_EQ(json_text(slot, "startTime"), start);
                ASSERT_EQ(json_int(slot, "actionType"), d * 100 + s);
            }
        }
    }
    json_object *untouched = answer_of(get("/6040", "9"));
    json_object *slot = json_object_array_get_idx(
        json_object_object_get(json_object_array_get_idx(json_object_object_get(untouched, "schedule"), 0), "plans"), 0);
    EXPECT_EQ(json_text(slot, "startTime"), "");
    EXPECT_EQ(json_int(slot, "actionType"), 0);
}

TEST_F(RecordRoutes, ScheduleRequestEdges) {
    struct Case {
        int line;
        std::string body;
        uint64_t schedule_mask;
        int log_object;
        const char *what;
    } cases[] = {
        {__LINE__, "{\"cnt\":0,\"chnid\":[1],\"recordplanmode\":0,\"schedule\":[]}", 0, 1, "cnt 0"},
        {__LINE__, "{\"cnt\":2,\"chnid\":[3,70],\"recordplanmode\":0}", 1ULL << 3, 71, "70 skipped but logged"},
        {__LINE__, "{\"cnt\":2000000000,\"chnid\":[4],\"recordplanmode\":0}", 1ULL << 4, 5, "huge cnt ends"},
        {__LINE__, "{\"cnt\":3,\"chnid\":[null,\"2\",{}],\"recordplanmode\":0}", 0, 1, "no integer item: no channel 0"},
        {__LINE__, "{\"cnt\":2,\"chnid\":[-1,6]}", 1ULL << 6, 7, "negative skipped"},
        {__LINE__, "{\"cnt\":1,\"chnid\":5}", 0, 1, "chnid not an array"},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        EXPECT_EQ(post_json("/6041", c.body).body, "OK") << "line " << c.line;
        std::vector<SimRequest> schedule = sent(kRequestRecordScheduleChanged, 1);
        ASSERT_EQ(schedule.size(), 1u) << "line " << c.line;
        EXPECT_EQ(mask_of(schedule[0]), c.schedule_mask) << "line " << c.line << ": " << c.what;
        EXPECT_EQ(sent(kRequestRecordModesChanged).size(), 1u) << "line " << c.line;
        EXPECT_EQ(logs(1).at(0).channel, c.log_object) << "line " << c.line;
    }
    daemon.clear_requests();
    EXPECT_EQ(post_json("/6041", "{\"chnid\":[1],\"schedule\":[]}").output, "");
    EXPECT_EQ(post_json("/6041", "{\"cnt\":1").output, "");
    EXPECT_TRUE(daemon.requests().empty());

    // Without a schedule the stored one stays, but the mode is still set.
    post_json("/6041", "{\"cnt\":1,\"chnid\":[8],\"recordplanmode\":0,\"schedule\":" + full_schedule() + "}");
    post_json("/6041", "{\"cnt\":1,\"chnid\":[8],\"recordplanmode\":2,\"schedule\":\"none\"}");
    EXPECT_EQ(record(8).mode, 2);
    json_object *answer = answer_of(get("/6040", "8"));
    json_object *day0 = json_object_array_get_idx(json_object_object_get(answer, "schedule"), 0);
    EXPECT_EQ(json_text(json_object_array_get_idx(json_object_object_get(day0, "plans"), 47), "startTime"), "0:47");

    for (const char *arg : {"64", "-1", "99999999999999999999"}) EXPECT_EQ(get("/6040", arg).output, "") << arg;
}

TEST_F(RecordRoutes, RecordModesByPositionKeepTheOtherFields) {
    for (int c = 0; c < 3; c++) {
        RecordEntry entry = record(c);
        entry.postRecordOn = 1;
        entry.postRecordDuration = 30 + c;
        store(entry);
    }
    CgiResult result = post_json("/6043", "{\"records\":[{\"id\":5,\"mode\":1},{\"id\":0,\"mode\":2},{\"id\":63,\"mode\":0}]}");
    EXPECT_EQ(result.output, std::string(kTextHeader) + "OK");
    EXPECT_EQ(record(0).mode, 1);  // the position decides the channel
    EXPECT_EQ(record(1).mode, 2);
    EXPECT_EQ(record(5).mode, 0);
    EXPECT_EQ(record(1).postRecordDuration, 31);
    EXPECT_EQ(record(2).postRecordOn, 1);
    std::vector<SimRequest> notices = sent(kRequestRecordModeChanged, 3);
    ASSERT_EQ(notices.size(), 3u);
    for (int32_t c = 0; c < 3; c++) EXPECT_EQ(payload_i32(notices[c].payload, 0), c);
    EXPECT_EQ(logs(1).at(0).parameter, 905);

    std::string too_many = "{\"records\":[";
    for (int i = 0; i < 65; i++) too_many += std::string(i ? "," : "") + "{\"id\":1,\"mode\":1}";
    struct Case {
        int line;
        std::string body;
    } errors[] = {
        {__LINE__, "{\"records\":[{\"id\":1,\"mode\":1},{\"id\":2,\"mode\":3}]}"},
        {__LINE__, "{\"records\":[{\"id\":1,\"mode\":1},{\"id\":64,\"mode\":1}]}"},
        {__LINE__, "{\"records\":[{\"id\":1,\"mode\":1},{\"mode\":1}]}"},
        {__LINE__, "{\"records\":[{\"id\":1,\"mode\":1},[1,1]]}"},
        {__LINE__, "{\"records\":[{\"id\":1,\"mode\":-1}]}"},
        {__LINE__, too_many + "]}"},
        {__LINE__, "{\"records\":{\"id\":1,\"mode\":1}}"},
        {__LINE__, "{}"},
    };
    daemon.clear_requests();
    for (const Case &c : errors) EXPECT_EQ(post_json("/6043", c.body).output, std::string(kTextHeader) + "ERROR") << "line " << c.line;
    EXPECT_EQ(record(0).mode, 1);
    EXPECT_TRUE(daemon.requests().empty());

    EXPECT_EQ(post_json("/6043", "{\"records\":[]}").body, "OK");
    EXPECT_EQ(logs(1).size(), 1u);
    EXPECT_TRUE(sent(kRequestRecordModeChanged).empty());
}

TEST_F(RecordRoutes, RecordModeListFollowsMaxCameras) {
    set_param_int(QVDB_PATH, "max_cameras", 8);
    qvdb_close_all();
    json_object *answer = answer_of(get("/6042"));
    json_object *list = json_object_object_get(answer, "records");
    ASSERT_EQ(json_object_array_length(list), 8u);
    EXPECT_EQ(answer_keys(json_object_array_get_idx(list, 7)), (std::vector<std::string>{"id", "mode"}));
    EXPECT_EQ(json_int(json_object_array_get_idx(list, 7), "id"), 7);
    set_param_int(QVDB_PATH, "max_cameras", 100);
    qvdb_close_all();
    EXPECT_EQ(json_object_array_length(json_object_object_get(answer_of(get("/6042")), "records")), 64u);
}

TEST_F(RecordRoutes, RecordSettingsStoreAndSwitchAnrOnlyWhereAllowed) {
    struct Camera {
        int channel, enable, protocol, poe, anr;
    } cameras[] = {{1, 1, 0, 0, 0}, {2, 1, 1, 0, 0}, {3, 1, 0, 4, 0}, {4, 0, 0, 0, 0}, {5, 1, 0, 0, 1}};
    for (const Camera &c : cameras) {
        CameraRecord entry = camera(c.channel);
        entry.enable = c.enable;
        entry.camProtocol = c.protocol;
        entry.poechannel = c.poe;
        entry.anr = c.anr;
        entry.record_stream = c.channel == 1 ? 1 : 0;
        store(entry);
    }
    RecordEntry kept = record(2);
    kept.mode = 2;
    store(kept);
    std::string body =
        "{\"cnt\":6,\"chnid\":[1,2,3,4,5,99],\"camAnr\":1,\"prevRecordOn\":1,\"prevRecordDuration\":5,"
        "\"postRecordOn\":1,\"postRecordDuration\":-3,\"audioEnable\":1,\"recordStreamType\":1,\"recordExpDate\":30}";
    daemon.script(kRequestSwitchAnr, sim_one_reply(Bytes(520, 0)));
    CgiResult result = post_json("/6045", body);
    EXPECT_EQ(result.body, "{ \"resp\": 0 }");

    for (int c = 1; c <= 5; c++) {
        RecordEntry entry = record(c);
        EXPECT_EQ(entry.prevRecordDuration, 5) << c;
        EXPECT_EQ(entry.postRecordDuration, -3) << c;
        EXPECT_EQ(entry.recordExpDate, 30) << c;
        EXPECT_EQ(entry.audioEnable, 1) << c;
        EXPECT_EQ(camera(c).record_stream, 1) << c;
    }
    EXPECT_EQ(record(2).mode, 2);  // kept
    EXPECT_EQ(record(6).audioEnable, 0);
    EXPECT_EQ(camera(1).anr, 1);
    EXPECT_EQ(camera(2).anr, 0);  // protocol 1
    EXPECT_EQ(camera(3).anr, 0);  // on a PoE port
    EXPECT_EQ(camera(4).anr, 0);  // not enabled

    std::vector<SimRequest> settings = sent(kRequestRecordSettingsChanged, 1);
    ASSERT_EQ(settings.size(), 1u);
    ASSERT_EQ(settings[0].payload.size(), sizeof(RecordChannelList));
    EXPECT_EQ(payload_i32(settings[0].payload, 256), 5);
    for (int i = 0; i < 5; i++) EXPECT_EQ(payload_i32(settings[0].payload, 4 * i), i + 1);
    std::vector<SimRequest> anr = sent(kRequestSwitchAnr);
    ASSERT_EQ(anr.size(), 1u);
    ASSERT_EQ(anr[0].payload.size(), sizeof(AnrSwitchRequest));
    EXPECT_EQ(payload_i32(anr[0].payload, 256), 1);
    EXPECT_EQ(payload_i32(anr[0].payload, 0), 1);
    EXPECT_EQ(payload_i32(anr[0].payload, 260), 1);
    EXPECT_EQ(logs(1).at(0).parameter, 906);
    // 1310 and the log go out before the waited 2285.
    std::vector<SimRequest> all = daemon.requests();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].code, kRequestRecordSettingsChanged);
    EXPECT_EQ(all[1].code, kRequestOperationLog);

    // Turning ANR off applies to every camera that has it on.
    daemon.clear_requests();
    post_json("/6045", "{\"cnt\":2,\"chnid\":[5,2],\"camAnr\":0,\"prevRecordOn\":0,\"prevRecordDuration\":0,"
                       "\"postRecordOn\":0,\"postRecordDuration\":0,\"audioEnable\":0,\"recordStreamType\":0}");
    EXPECT_EQ(camera(5).anr, 0);
    EXPECT_EQ(payload_i32(sent(kRequestSwitchAnr).at(0).payload, 256), 1);
    EXPECT_EQ(record(5).recordExpDate, 0);  // missing expiry stores 0

    json_object *answer = answer_of(get("/6044", "1"));
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"id", "prevRecordOn", "prevRecordDuration", "postRecordOn", "postRecordDuration",
                                        "audioEnable", "recordStreamType", "recordExpDate", "cameraAnr", "camEnable",
                                        "camProtocol", "poeChannel"}));
    EXPECT_EQ(json_int(answer, "id"), 1);
    EXPECT_EQ(json_int(answer, "recordStreamType"), 1);
    EXPECT_EQ(json_int(answer, "cameraAnr"), 1);
    EXPECT_EQ(json_int(answer, "postRecordDuration"), -3);
}

TEST_F(RecordRoutes, RecordSettingsValidationAndListBounds) {
    const std::string base = "\"camAnr\":7,\"prevRecordOn\":1,\"prevRecordDuration\":5,\"postRecordOn\":1,"
                             "\"postRecordDuration\":5,\"audioEnable\":1,\"recordStreamType\":2";
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, "{\"chnid\":[1]," + base + "}"},
        {__LINE__, "{\"cnt\":1," + base + "}"},
        {__LINE__, "{\"cnt\":1,\"chnid\":1," + base + "}"},
        {__LINE__, "{\"cnt\":1,\"chnid\":[1],\"camAnr\":7,\"prevRecordOn\":2,\"prevRecordDuration\":5,\"postRecordOn\":1,"
                   "\"postRecordDuration\":5,\"audioEnable\":1,\"recordStreamType\":2}"},
        {__LINE__, "{\"cnt\":1,\"chnid\":[1],\"camAnr\":7,\"prevRecordOn\":1,\"prevRecordDuration\":-1,\"postRecordOn\":1,"
                   "\"postRecordDuration\":5,\"audioEnable\":1,\"recordStreamType\":2}"},
        {__LINE__, "{\"cnt\":1,\"chnid\":[1],\"camAnr\":7,\"prevRecordOn\":1,\"prevRecordDuration\":5,\"postRecordOn\":1,"
                   "\"postRecordDuration\":5,\"audioEnable\":1,\"recordStreamType\":3}"},
        {__LINE__, "{\"cnt\":1,\"chnid\":[1],\"prevRecordOn\":1,\"prevRecordDuration\":5,\"postRecordOn\":1,"
                   "\"postRecordDuration\":5,\"audioEnable\":1,\"recordStreamType\":1}"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json("/6045", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());

    // 100 items, all channel 3 or not integers: the 1310 list stops at 64 entries.
    std::string items;
    for (int i = 0; i < 100; i++) items += std::string(i ? "," : "") + (i % 10 == 9 ? "\"x\"" : "3");
    post_json("/6045", "{\"cnt\":100,\"chnid\":[" + items + "]," + base + "}");
    std::vector<SimRequest> settings = sent(kRequestRecordSettingsChanged, 1);
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(payload_i32(settings[0].payload, 256), 64);
    EXPECT_EQ(camera(0).anr, 0);  // skipped items never meant channel 0
    EXPECT_EQ(record(0).prevRecordOn, 0);
}

TEST_F(RecordRoutes, RepliesAreBoundedAndShortOnesAreNoReply) {
    // 7285: "resp" -1 only when ANR is on, two or more channels, and one failed.
    struct AnrCase {
        int line;
        int32_t anr, count;
        std::vector<int32_t> results;
        const char *resp;
    } anr_cases[] = {
        {__LINE__, 1, 1, {5}, "0"},        {__LINE__, 1, 2, {0, 5}, "-1"}, {__LINE__, 0, 2, {0, 5}, "0"},
        {__LINE__, 1, 2, {0, 0, 5}, "0"},  {__LINE__, 1, -4, {5, 5}, "0"}, {__LINE__, 1, 1000, {0, 0, 0}, "0"},
    };
    const std::string settings = "{\"cnt\":0,\"chnid\":[],\"camAnr\":1,\"prevRecordOn\":0,\"prevRecordDuration\":0,"
                                 "\"postRecordOn\":0,\"postRecordDuration\":0,\"audioEnable\":0,\"recordStreamType\":0}";
    for (const AnrCase &c : anr_cases) {
        Bytes reply(520, 0);
        for (size_t i = 0; i < c.results.size(); i++) memcpy(reply.data() + 256 + 4 * i, &c.results[i], 4);
        memcpy(reply.data() + 512, &c.count, 4);
        memcpy(reply.data() + 516, &c.anr, 4);
        daemon.script(kRequestSwitchAnr, sim_one_reply(reply));
        EXPECT_EQ(post_json("/6045", settings).body, std::string("{ \"resp\": ") + c.resp + " }") << "line " << c.line;
    }
    daemon.script(kRequestSwitchAnr, sim_one_reply(Bytes(519, 0)));
    EXPECT_EQ(post_json("/6045", settings).body, kJsonError);

    // 8218: count clamped to 0..64, "size" the clamped count.
    struct StreamCase {
        int line;
        int32_t count;
        size_t length;
        const char *size;
    } stream_cases[] = {{__LINE__, 3, 516, "3"}, {__LINE__, -2, 516, "0"}, {__LINE__, 90, 516, "64"}};
    for (const StreamCase &c : stream_cases) {
        Bytes reply(c.length, 0);
        for (int32_t i = 0; i < 64; i++) {
            memcpy(reply.data() + 4 * i, &i, 4);
            int32_t secondary = 100 + i;
            memcpy(reply.data() + 256 + 4 * i, &secondary, 4);
        }
        memcpy(reply.data() + 512, &c.count, 4);
        daemon.script(kRequestRecordStreams, sim_one_reply(reply));
        json_object *answer = answer_of(get("/6047"));
        ASSERT_TRUE(answer) << "line " << c.line;
        EXPECT_EQ(json_text(answer, "size"), c.size) << "line " << c.line;
        json_object *secondary = json_object_object_get(answer, "secondary");
        EXPECT_EQ(json_object_array_length(secondary), static_cast<size_t>(atoi(c.size)));
        if (atoi(c.size) > 0) {
            EXPECT_EQ(json_object_get_int(json_object_array_get_idx(secondary, 2)), 102);
        }
    }
    daemon.script(kRequestRecordStreams, sim_one_reply(Bytes(515, 0)));
    EXPECT_EQ(get("/6047").body, kJsonError);

    // 7286 for the channel asked; a short reply or a bad channel.
    EXPECT_EQ(get("/6046", "12").body, "{ \"chnid\": 12, \"support\": 1 }");
    EXPECT_EQ(payload_i32(sent(kRequestRecordSupport).back().payload, 0), 12);
    daemon.script(kRequestRecordSupport, sim_one_reply(Bytes(7, 0)));
    EXPECT_EQ(get("/6046", "12").body, kJsonError);
    daemon.clear_requests();
    EXPECT_EQ(get("/6046", "64").output, "");
    EXPECT_EQ(get("/6044", "-3").output, "");
    EXPECT_TRUE(daemon.requests().empty());

    // Two replies, one answer.
    daemon.script(kRequestRecordSupport, SimScript{SimStep{0, -1, le_words({1, 1})}, SimStep{0, -1, le_words({2, 2})}});
    EXPECT_EQ(get("/6046", "1").body, "{ \"chnid\": 1, \"support\": 1 }");
}

}  // namespace
