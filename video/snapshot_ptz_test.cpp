// Snapshot and PTZ-linkage routes end to end: settings and schedules of channel lists, the
// start/stop payloads, and the life of a PTZ linkage entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "video/event_test_support.h"

namespace {

using namespace event_test;

using SnapshotRoutes = EventRouteTest;
using PtzLinkageRoutes = EventRouteTest;

// A 260-byte channel list: the channels, then their count at 256.
Bytes channel_list(std::initializer_list<int> channels) {
    Bytes list(260, 0);
    size_t i = 0;
    for (int c : channels) put32(list, 4 * i++, c);
    put32(list, 256, static_cast<int32_t>(channels.size()));
    return list;
}

// A 260-byte start/stop payload: the action, then 1 for each channel concerned.
Bytes start_stop(int action, std::initializer_list<int> channels) {
    Bytes payload(260, 0);
    put32(payload, 0, action);
    for (int c : channels) put32(payload, 4 + 4 * static_cast<size_t>(c), 1);
    return payload;
}

TEST_F(SnapshotRoutes, SettingsOfAChannelList) {
    EXPECT_EQ(post_json("/6177", "{\"resolution\":2,\"quality\":3,\"interval\":10,\"interval_unit\":1,"
                                 "\"expiration_date\":30,\"cnt\":5,\"chnid\":[3,3,70,\"4\",5,6]}").output,
              kOk);
    EXPECT_EQ(only_payload(1311), channel_list({3, 5}));
    EXPECT_EQ(plain(json_answer(get("/6176", "5"))),
              "{\"resolution\":2,\"quality\":3,\"interval\":10,\"interval_unit\":1,\"expiration_date\":30}");
    EXPECT_EQ(int_at(json_answer(get("/6176", "6")), "interval"), 0);
    // Keys left out store 0.
    EXPECT_EQ(post_json("/6177", "{\"quality\":1,\"cnt\":1,\"chnid\":[5]}").output, kOk);
    EXPECT_EQ(plain(json_answer(get("/6176", "5"))),
              "{\"resolution\":0,\"quality\":1,\"interval\":0,\"interval_unit\":0,\"expiration_date\":0}");
    // 64 repeats of one channel and more: one entry, no overrun.
    std::string repeats = "[";
    for (int i = 0; i < 100; i++) repeats += std::string(i ? "," : "") + "9";
    forget_requests();
    EXPECT_EQ(post_json("/6177", "{\"cnt\":100,\"chnid\":" + repeats + "]}").output, kOk);
    EXPECT_EQ(only_payload(1311), channel_list({9}));

    forget_requests();
    EXPECT_EQ(post_json("/6177", "{").output, kTextError);
    for (const char *arg : {"64", "-1", "x", ""}) {
        EXPECT_EQ(get("/6176", arg).output, kTextError) << arg;
        EXPECT_EQ(get("/6174", arg).output, kTextError) << arg;
    }
    EXPECT_EQ(request_codes(), std::vector<int>{});
}

TEST_F(SnapshotRoutes, ScheduleOfAChannelList) {
    EXPECT_EQ(post_json("/6175", "{\"cnt\":3,\"chnid\":[3,70,-1],\"schedule\":" + schedule_request(1) + "}").output, kOk);
    EXPECT_EQ(only_payload(1312), channel_list({3}));
    EXPECT_EQ(answered_start(json_answer(get("/6174", "3"))), "04:00");
    EXPECT_EQ(answered_start(json_answer(get("/6174", "2"))), "");
    EXPECT_EQ(post_json("/6175", "{\"cnt\":2,\"chnid\":[2,3],\"schedule\":" + schedule_request(2) + "}").output, kOk);
    EXPECT_EQ(answered_start(json_answer(get("/6174", "2"))), "05:00");
    EXPECT_EQ(answered_start(json_answer(get("/6174", "3"))), "05:00");

    forget_requests();
    for (const char *body : {"{", "{\"cnt\":1,\"chnid\":[2]}", "{\"cnt\":1,\"chnid\":[2],\"schedule\":5}"})
        EXPECT_EQ(post_json("/6175", body).output, kTextError) << body;
    EXPECT_EQ(request_codes(), std::vector<int>{});
    EXPECT_EQ(answered_start(json_answer(get("/6174", "2"))), "05:00");
}

TEST_F(SnapshotRoutes, StartAndStopPayloads) {
    struct Case {
        int line;
        std::string body;
        std::vector<Bytes> payloads;
    } cases[] = {
        {__LINE__, "{\"snapshotCnt\":0,\"stopCnt\":0}", {}},
        {__LINE__, "{}", {}},
        {__LINE__, "{\"snapshotCnt\":2,\"snapshotChnId\":[1,63],\"stopCnt\":0}", {start_stop(1, {1, 63})}},
        {__LINE__, "{\"stopCnt\":9,\"stopChnId\":[2,64,\"x\"]}", {start_stop(0, {2})}},
        {__LINE__, "{\"snapshotCnt\":1,\"snapshotChnId\":[4,5],\"stopCnt\":1,\"stopChnId\":[6]}",
         {start_stop(1, {4}), start_stop(0, {6})}},
        {__LINE__, "{\"snapshotCnt\":1,\"snapshotChnId\":[-4]}", {}},
    };
    for (const Case &c : cases) {
        forget_requests();
        EXPECT_EQ(post_json("/6178", c.body).output, kOk) << "line " << c.line;
        std::vector<Bytes> payloads;
        for (const SimRequest &r : daemon.requests()) payloads.push_back(r.payload);
        EXPECT_EQ(request_codes(), std::vector<int>(c.payloads.size(), 1313)) << "line " << c.line;
        EXPECT_EQ(payloads, c.payloads) << "line " << c.line;
    }
    EXPECT_EQ(post_json("/6178", "[").output, kTextError);
}

TEST_F(PtzLinkageRoutes, EntryLifeCycle) {
    auto list = [this](int type, int channel) {
        return plain(json_object_object_get(
            post_for_json("/6161", "{\"type\":" + std::to_string(type) + ",\"chn_id\":" + std::to_string(channel) + "}"),
            "ptzInfo"));
    };
    // Only the target of the action type is stored.
    EXPECT_EQ(post_json("/6160", "{\"type\":5,\"chn_id\":2,\"acto_ptz_channel\":4,\"acto_ptz_type\":2,"
                                 "\"acto_ptz_preset\":7,\"acto_ptz_patrol\":3}").output,
              kOk);
    EXPECT_EQ(post_json("/6160", "{\"type\":5,\"chn_id\":2,\"acto_ptz_channel\":6,\"acto_ptz_type\":1,"
                                 "\"acto_ptz_preset\":8,\"acto_ptz_pattern\":9}").output,
              kOk);
    EXPECT_EQ(list(5, 2), "[{\"acto_ptz_channel\":4,\"acto_ptz_type\":2,\"acto_ptz_preset\":0,\"acto_ptz_patrol\":3},"
                          "{\"acto_ptz_channel\":6,\"acto_ptz_type\":1,\"acto_ptz_preset\":8,\"acto_ptz_patrol\":0}]");
    EXPECT_EQ(list(6, 2), "[]");

    // The entry stored under event channel 2 moves to channel 9.
    EXPECT_EQ(post_json("/6163", "{\"type\":5,\"old_chn_id\":2,\"chn_id\":9,\"acto_ptz_channel\":4,\"acto_ptz_type\":1,"
                                 "\"acto_ptz_preset\":1}").output,
              kOk);
    EXPECT_EQ(list(5, 2), "[{\"acto_ptz_channel\":6,\"acto_ptz_type\":1,\"acto_ptz_preset\":8,\"acto_ptz_patrol\":0}]");
    EXPECT_EQ(list(5, 9), "[{\"acto_ptz_channel\":4,\"acto_ptz_type\":1,\"acto_ptz_preset\":1,\"acto_ptz_patrol\":0}]");

    EXPECT_EQ(post_json("/6162", "{\"type\":5,\"chn_id\":9,\"acto_ptz_channel\":4}").output, kOk);
    EXPECT_EQ(list(5, 9), "[]");
    ASSERT_EQ(post_json("/6160", "{\"type\":5,\"chn_id\":2,\"acto_ptz_channel\":7,\"acto_ptz_type\":0}").output, kOk);
    EXPECT_EQ(post_json("/6164", "{\"type\":5,\"chn_id\":2,\"ptzChannel\":[6,\"7\",null,99,-1]}").output, kOk);
    EXPECT_EQ(list(5, 2), "[{\"acto_ptz_channel\":7,\"acto_ptz_type\":0,\"acto_ptz_preset\":0,\"acto_ptz_patrol\":0}]");

    // People counting (type 20) keeps lists of its own.
    EXPECT_EQ(post_json("/6160", "{\"type\":20,\"chn_id\":1,\"acto_ptz_channel\":3,\"acto_ptz_type\":3,"
                                 "\"acto_ptz_pattern\":2}").output,
              kOk);
    EXPECT_EQ(list(20, 1), "[{\"acto_ptz_channel\":3,\"acto_ptz_type\":3,\"acto_ptz_preset\":0,\"acto_ptz_patrol\":0}]");
    EXPECT_EQ(post_json("/6164", "{\"type\":20,\"chn_id\":1,\"ptzChannel\":[3]}").output, kOk);
    EXPECT_EQ(list(20, 1), "[]");
}

TEST_F(PtzLinkageRoutes, RefusedEntriesChangeNothing) {
    ASSERT_EQ(post_json("/6160", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":4,\"acto_ptz_type\":1,\"acto_ptz_preset\":7}").output, kOk);
    struct Case {
        int line;
        const char *route;
        const char *body;
    } cases[] = {
        {__LINE__, "/6160", "{\"type\":1,\"chn_id\":-1,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6160", "{\"type\":1,\"chn_id\":64,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6160", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":64}"},
        {__LINE__, "/6160", "{\"type\":1,\"chn_id\":2}"},
        {__LINE__, "/6160", "{\"type\":99,\"chn_id\":2,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6160", "{\"chn_id\":2,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6160", "{"},
        {__LINE__, "/6163", "{\"type\":1,\"old_chn_id\":64,\"chn_id\":2,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6163", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6161", "{\"type\":1,\"chn_id\":64}"},
        {__LINE__, "/6161", "{\"type\":1}"},
        {__LINE__, "/6162", "{\"type\":1,\"chn_id\":2,\"acto_ptz_channel\":-4}"},
        {__LINE__, "/6162", "{\"type\":1,\"chn_id\":-2,\"acto_ptz_channel\":4}"},
        {__LINE__, "/6164", "{\"type\":1,\"chn_id\":64,\"ptzChannel\":[4]}"},
        {__LINE__, "/6164", "{\"type\":1,\"chn_id\":2,\"ptzChannel\":4}"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json(c.route, c.body).output, kTextError) << "line " << c.line;
    EXPECT_EQ(json_object_array_length(json_object_object_get(post_for_json("/6161", "{\"type\":1,\"chn_id\":2}"), "ptzInfo")), 1u);
}

}  // namespace
