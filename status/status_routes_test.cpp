// Status routes end to end: each reply's records as the page's JSON, texts read within their
// fields, counts bounded by the payload, short and repeated replies, and the disk-group map.
#include "core/qvdb_camera.h"
#include "core/qvdb_storage.h"
#include "status/status_payloads.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

template <typename Record>
void append(Bytes &out, const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    out.insert(out.end(), bytes, bytes + sizeof record);
}

template <size_t N>
void fill(char (&field)[N], char c) {
    memset(field, c, N);  // no terminating NUL
}

class StatusRoutes : public EventRouteTest {
  protected:
    json_object *asked(const char *route, int code, const Bytes &reply) {
        daemon.script(code, sim_one_reply(reply));
        return json_answer(get(route));
    }
    // A GET whose waits are a thousandfold shorter (a daemon time-out takes 40 ms).
    CgiResult quick_get(const std::string &path) {
        CgiRequest request;
        request.path_info = path;
        return run_cgi(root, request, 1000);
    }
};

TEST_F(StatusRoutes, InterfacesAreListedWithTextsCutAtTheirFields) {
    NetifStatusEntry full;
    memset(&full, 0, sizeof full);
    fill(full.ifname, 'e');
    full.id = 3;
    full.mtu = 1500;
    full.ip6mode = 200;
    fill(full.ipAddr, 'a');
    fill(full.ip6address, '6');
    full.ip6prefix = 64;
    fill(full.ip6gateway, 'g');  // runs to the end of the entry
    NetifStatusEntry plain_entry;
    memset(&plain_entry, 0, sizeof plain_entry);
    snprintf(plain_entry.ifname, sizeof plain_entry.ifname, "eth1");
    Bytes reply;
    append(reply, full);
    append(reply, plain_entry);
    reply.insert(reply.end(), 100, 'x');  // a piece of a third entry is not an entry
    json_object *answer = asked("/8000", kRequestNetworkStatus, reply);
    ASSERT_TRUE(answer);
    json_object *list = json_object_object_get(answer, "netif");
    ASSERT_EQ(json_object_array_length(list), 2u);
    json_object *first = json_object_array_get_idx(list, 0);
    EXPECT_EQ(keys_of(first), (std::vector<std::string>{"ifname", "id", "state", "speedMode", "duplex", "enable",
                                                          "dhcpEnable", "ipAddr", "MAC", "primaryDNS", "secondDNS",
                                                          "gateway", "netmask", "mtu", "ip6mode", "ip6address",
                                                          "ip6prefix", "ip6gateway"}));
    EXPECT_EQ(text_at(first, "ifname"), std::string(12, 'e'));
    EXPECT_EQ(text_at(first, "ipAddr"), std::string(24, 'a'));
    EXPECT_EQ(text_at(first, "ip6address"), std::string(67, '6'));
    EXPECT_EQ(text_at(first, "ip6gateway"), std::string(64, 'g'));
    EXPECT_EQ(int_at(first, "ip6mode"), 200);
    EXPECT_EQ(int_at(first, "ip6prefix"), 64);
    EXPECT_EQ(text_at(json_object_array_get_idx(list, 1), "ifname"), "eth1");

    NetifSpeedEntry speed;
    memset(&speed, 0, sizeof speed);
    fill(speed.ifname, 'w');
    speed.RxSpeed = 1000;
    speed.TxSpeed = -5;
    speed.id = 1;
    Bytes speeds;
    append(speeds, speed);
    speeds.resize(speeds.size() + 23);
    json_object *traffic = json_object_array_get_idx(
        json_object_object_get(asked("/8001", kRequestNetworkSpeed, speeds), "netif"), 0);
    EXPECT_EQ(plain(traffic), "{\"id\":1,\"ifname\":\"wwwwwwwwwwww\",\"RxSpeed\":1000,\"TxSpeed\":-5}");
    EXPECT_EQ(plain(asked("/8001", kRequestNetworkSpeed, Bytes(23, 0))), "{\"netif\":[]}");
}

TEST_F(StatusRoutes, ChannelStatusJoinsTheCamerasWithTheReportedStreams) {
    set_param_int(QVDB_PATH, "max_cameras", 70);  // more than there are channels
    CameraRecord camera;
    memset(&camera, 0, sizeof camera);
    camera.id = 2;
    camera.enable = 1;
    snprintf(camera.ipAddr, sizeof camera.ipAddr, "192.168.1.102");
    write_camera(QVDB_PATH, &camera);
    qvdb_close_all();

    auto entry = [](int channel, int width) {
        ChannelStreamEntry e;
        memset(&e, 0, sizeof e);
        e.channel = channel;
        e.main.width = width;
        e.main.connectStatus = 3;
        e.recordOn = 1;
        return e;
    };
    Bytes reply;
    append(reply, entry(2, 1920));
    append(reply, entry(0, 1280));  // out of order
    append(reply, entry(99, 1));    // no such channel
    append(reply, entry(2, 640));   // the first entry of a channel counts
    json_object *answer = asked("/8002", kRequestChannelStatus, reply);
    ASSERT_TRUE(answer);
    json_object *list = json_object_object_get(answer, "IPC");
    ASSERT_EQ(json_object_array_length(list), 64u);
    EXPECT_EQ(plain(json_object_array_get_idx(list, 2)),
              "{\"id\":2,\"name\":\"CAM3\",\"enable\":1,\"ipAddr\":\"192.168.1.102\",\"recordOn\":1,\"alarmOn\":0,"
              "\"main\":{\"res\":{\"width\":1920,\"height\":0},\"framerate\":0,\"bitrate\":0,\"connection\":0,"
              "\"connectStatus\":3},\"sub\":{\"res\":{\"width\":0,\"height\":0},\"framerate\":0,\"bitrate\":0,"
              "\"connection\":0,\"connectStatus\":0}}");
    EXPECT_EQ(int_at(json_object_object_get(json_object_object_get(json_object_array_get_idx(list, 0), "main"), "res"),
                     "width"),
              1280);
    EXPECT_EQ(plain(json_object_array_get_idx(list, 1)),
              "{\"id\":1,\"name\":\"CAM2\",\"enable\":0,\"ipAddr\":\"--\",\"recordOn\":\"--\",\"alarmOn\":\"--\","
              "\"main\":{\"res\":\"--\",\"framerate\":\"--\",\"bitrate\":\"--\",\"connection\":\"--\"},"
              "\"sub\":{\"res\":\"--\",\"framerate\":\"--\",\"bitrate\":\"--\",\"connection\":\"--\"}}");

    set_param_int(QVDB_PATH, "max_cameras", 3);
    qvdb_close_all();
    EXPECT_EQ(json_object_array_length(json_object_object_get(asked("/8002", kRequestChannelStatus, Bytes(71, 0)),
                                                              "IPC")),
              3u);
}

TEST_F(StatusRoutes, FixedRepliesShortRepliesAndRepeatedReplies) {
    EXPECT_EQ(plain(asked("/8008", kRequestCapacity, le_words({256, 200, 56}))),
              "{\"total\":256,\"free\":200,\"used\":56}");

    Bytes support(sizeof(ChannelSupportEntry) * kChannelSupportEntries, 0);
    put32(support, 0 * 44 + 4, 1);
    put32(support, 0 * 44 + 8, 2);
    put32(support, 1 * 44 + 4, 2);  // not 1: unsupported
    put32(support, 1 * 44 + 8, 1);
    put32(support, 63 * 44 + 4, 1);
    put32(support, 63 * 44 + 8, 3);
    json_object *answer = asked("/8009", kRequestChannelSupport, support);
    EXPECT_EQ(text_at(answer, "support"), "1" + std::string(62, '0') + "1");
    EXPECT_EQ(text_at(answer, "type"), "21" + std::string(62, '0'));

    OnlineUserEntry user;
    memset(&user, 0, sizeof user);
    fill(user.userName, 'u');
    user.userLevel = 2;
    fill(user.ipaddr, 'i');
    fill(user.loginTime, 't');
    Bytes users;
    append(users, user);
    append(users, user);
    users.resize(users.size() + 151);
    json_object *list = asked("/8011", kRequestOnlineUsers, users);
    ASSERT_EQ(json_object_array_length(list), 2u);
    json_object *first = json_object_array_get_idx(list, 0);
    EXPECT_EQ(keys_of(first), (std::vector<std::string>{"userName", "userLevel", "ipaddr", "loginTime"}));
    EXPECT_EQ(text_at(first, "userName"), std::string(64, 'u'));
    EXPECT_EQ(text_at(first, "ipaddr"), std::string(64, 'i'));
    EXPECT_EQ(text_at(first, "loginTime"), std::string(20, 't'));

    struct Case {
        int line;
        const char *route;
        int code;
        size_t length;
    } shorts[] = {
        {__LINE__, "/8008", kRequestCapacity, 11},
        {__LINE__, "/8009", kRequestChannelSupport, 2815},
        {__LINE__, "/8000", kRequestNetworkStatus, 0},
    };
    for (const Case &c : shorts) {
        daemon.script(c.code, sim_one_reply(Bytes(c.length, 1)));
        EXPECT_EQ(quick_get(c.route).output, kJsonError) << "line " << c.line;
    }
    daemon.script(kRequestCapacity, SimScript{SimStep{0, -1, le_words({1, 2, 3})}, SimStep{0, -1, le_words({4, 5, 6})}});
    EXPECT_EQ(normalized(get("/8008")), std::string(kJsonHeader) + "{\"total\":1,\"free\":2,\"used\":3}");
    for (const SimRequest &question : daemon.requests()) EXPECT_TRUE(question.payload.empty()) << question.code;
    EXPECT_EQ(get("/8004").output, "");
}

TEST_F(StatusRoutes, AlarmStatusOfTheListedChannelsAndOfTheRecordersContacts) {
    set_param_int(QVDB_PATH, "max_cameras", 3);
    set_param_int(QVDB_PATH, "alarm_in", 20);  // more than the recorder's 16 inputs
    set_param_int(QVDB_PATH, "alarm_out", 9);
    qvdb_close_all();
    post_json("/6063", "{\"alarm\":{\"camId\":15,\"name\":\"Back door\",\"type\":1,\"enable\":1}}");
    post_json("/6022", "{\"alarmId\":3,\"name\":\"Siren\",\"type\":1,\"durationTime\":40}");
    post_json("/6025", "{\"chnid\":1,\"alarmCnt\":3,\"alarm\":[{},{},{\"alarmName\":\"Window\"}]}");
    post_json("/6029", "{\"chnid\":1,\"alarmCnt\":2,\"alarm\":[{},{\"alarmName\":\"Bell\",\"delayTime\":12}]}");

    AlarmStatusReply state;
    memset(&state, 0, sizeof state);
    state.videoloss = 1ULL << 0;
    state.motion = 1ULL << 1;
    state.tampering = 1ULL << 1;
    state.alarm_outs = 1 << 3;
    state.alarm_ins = (1 << 15) | 1;
    state.count[1].in = 5;
    state.count[1].out = 6;
    state.camera_in_state[2] = 1ULL << 1;
    state.camera_in_type[3] = 1ULL << 1;
    state.camera_out_state[1] = 1ULL << 1;
    state.camera_out_type[0] = 1ULL << 2;
    Bytes reply;
    append(reply, state);
    json_object *answer = asked("/8003", kRequestAlarmStatus, reply);
    ASSERT_TRUE(answer);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"cameras", "alarmIn", "alarmOut"}));
    json_object *cameras = json_object_object_get(answer, "cameras");
    ASSERT_EQ(json_object_array_length(cameras), 3u);
    json_object *one = json_object_array_get_idx(cameras, 1);
    std::vector<std::string> keys = {"id", "name", "ipAddr", "videolossOn", "motionOn", "ioOn", "entrance", "exiting",
                                     "advancedMotion", "tampering", "lineCrossing", "loitering", "humanDetection",
                                     "objectleftremove", "in", "out"};
    for (int k = 0; k < 4; k++) {
        for (const char *stem : {"AlarmInName", "AlarmInType", "AlarmInState"}) keys.push_back(stem + std::to_string(k));
        if (k < 2)
            for (const char *stem : {"AlarmOutName", "AlarmOutDelay", "AlarmOutType", "AlarmOutState"})
                keys.push_back(stem + std::to_string(k));
    }
    EXPECT_EQ(keys_of(one), keys);
    EXPECT_EQ(text_at(one, "name"), "CAM2");
    EXPECT_EQ(int_at(one, "videolossOn"), 0);
    EXPECT_EQ(int_at(one, "motionOn"), 1);
    EXPECT_EQ(int_at(one, "tampering"), 1);
    EXPECT_EQ(int_at(one, "ioOn"), 1);
    EXPECT_EQ(int_at(one, "in"), 5);
    EXPECT_EQ(int_at(one, "out"), 6);
    EXPECT_EQ(text_at(one, "AlarmInName2"), "Window");
    EXPECT_EQ(int_at(one, "AlarmInState2"), 1);
    EXPECT_EQ(int_at(one, "AlarmInType3"), 1);
    EXPECT_EQ(int_at(one, "AlarmInState0"), 0);
    EXPECT_EQ(text_at(one, "AlarmOutName1"), "Bell");
    EXPECT_EQ(int_at(one, "AlarmOutDelay1"), 12);
    EXPECT_EQ(int_at(one, "AlarmOutState1"), 1);
    EXPECT_EQ(int_at(one, "AlarmOutType0"), 0);
    EXPECT_EQ(int_at(json_object_array_get_idx(cameras, 0), "videolossOn"), 1);
    EXPECT_EQ(int_at(json_object_array_get_idx(cameras, 2), "AlarmOutType0"), 1);

    json_object *inputs = json_object_object_get(answer, "alarmIn");
    ASSERT_EQ(json_object_array_length(inputs), 16u);
    EXPECT_EQ(plain(json_object_array_get_idx(inputs, 15)), "{\"id\":15,\"name\":\"Back door\",\"type\":1,\"state\":1}");
    EXPECT_EQ(int_at(json_object_array_get_idx(inputs, 0), "state"), 1);
    EXPECT_EQ(int_at(json_object_array_get_idx(inputs, 1), "state"), 0);
    json_object *outputs = json_object_object_get(answer, "alarmOut");
    ASSERT_EQ(json_object_array_length(outputs), 4u);
    EXPECT_EQ(plain(json_object_array_get_idx(outputs, 3)),
              "{\"id\":3,\"name\":\"Siren\",\"type\":1,\"duration\":40,\"state\":1}");

    reply.pop_back();
    daemon.script(kRequestAlarmStatus, sim_one_reply(reply));
    EXPECT_EQ(quick_get("/8003").output, kJsonError);
}

TEST_F(StatusRoutes, DiskGroupMapFromTheSettings) {
    DiskEntry disk;
    memset(&disk, 0, sizeof disk);
    disk.port = 1;
    disk.enable = 1;
    disk.group = 2;
    write_disk(QVDB_PATH, &disk);
    disk.port = 36;
    disk.group = 0;
    write_disk(QVDB_PATH, &disk);
    disk.port = 5;
    disk.enable = 0;
    disk.group = 7;
    write_disk(QVDB_PATH, &disk);
    DiskGroupEntry group;
    memset(&group, 0, sizeof group);
    group.id = 15;
    memset(group.channel, '1', 64);
    write_group(QVDB_PATH, &group);
    set_param_int(QVDB_PATH, "group_mode", 1);
    set_param_int(QVDB_PATH, "max_cameras", 16);
    qvdb_close_all();

    json_object *answer = json_answer(get("/8010"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(keys_of(answer), (std::vector<std::string>{"channel", "disk", "max_chan", "group_enable"}));
    json_object *disks = json_object_object_get(answer, "disk");
    ASSERT_EQ(json_object_array_length(disks), 36u);
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(disks, 0)), 3);
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(disks, 4)), 0);  // a port without a disk
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(disks, 35)), 1);
    json_object *channels = json_object_object_get(answer, "channel");
    ASSERT_EQ(json_object_array_length(channels), 16u);
    EXPECT_EQ(std::string(json_object_get_string(json_object_array_get_idx(channels, 15))), std::string(64, '1'));
    EXPECT_EQ(int_at(answer, "max_chan"), 16);
    EXPECT_EQ(int_at(answer, "group_enable"), 1);
    EXPECT_TRUE(request_codes().empty());
}

}  // namespace
