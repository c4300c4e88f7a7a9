// System information, general settings, maintenance, reboot, UPnP, flags and camera addresses, end to end.
#include <stdlib.h>

#include <chrono>

#include "core/qvdb_camera.h"
#include "core/qvdb_network.h"
#include "core/qvdb_system.h"
#include "platform/devroot.h"
#include "system/system_test_support.h"

namespace {

class SysinfoTest : public RouteTest {
  protected:
    std::string param(const char *key) {
        qvdb_close_all();
        char value[128];
        get_param_value(QVDB_PATH, key, value, sizeof value, "<none>");
        return value;
    }
    void set_param(const char *key, const char *value) {
        set_param_value(QVDB_PATH, key, value);
        qvdb_close_all();
    }
    NetworkRecord network() {
        qvdb_close_all();
        NetworkRecord record;
        memset(&record, 0, sizeof record);
        read_network(QVDB_PATH, &record);
        return record;
    }
    DisplayRecord display() {
        qvdb_close_all();
        DisplayRecord record;
        memset(&record, 0, sizeof record);
        read_display(QVDB_PATH, &record);
        return record;
    }
    void store_display(const DisplayRecord &record) {
        write_display(QVDB_PATH, &record);
        qvdb_close_all();
    }
    std::string camera_ip(int channel) {
        qvdb_close_all();
        char address[64];
        read_camera_ip(QVDB_PATH, channel, address, sizeof address);
        return address;
    }
    void use_uptime(const std::string &text) {
        env["PATH"] = path_with(install_standin(root, "uptime", "printf '%s\\n' '" + text + "'\n"));
    }
};

TEST_F(SysinfoTest, SystemInformationKeysAndValues) {
    use_uptime(" 20:30:01 up 3 days,  4:05,  2 users,  load average: 0.00, 0.01, 0.05");
    set_param("company", "Acme");
    for (const char *path : {"/1009", "/1020"}) {
        CgiResult result = get(path);
        JsonRef answer(parse_answer(result.body));
        ASSERT_TRUE(answer) << result.body;
        EXPECT_EQ(answer_keys(answer),
                  (std::vector<std::string>{"hostName", "deviceName", "deviceId", "product", "hwver", "software",
                                            "oemversion", "sn", "prefix", "pluginVersion", "mpluginVersion",
                                            "macAddress", "qvddns", "uptime", "sncode", "resource", "qvfsDbup",
                                            "transProtocol", "streamInfo", "oemonlineupdate", "company",
                                            "isSupportTalk"}))
            << path;
        EXPECT_EQ(json_text(answer, "hostName"), "");
        EXPECT_EQ(json_text(answer, "deviceName"), "NVR-16CH");
        EXPECT_EQ(json_text(answer, "product"), "NVR-16CH");
        EXPECT_EQ(json_text(answer, "sn"), "NVR16A2024120700001");
        EXPECT_EQ(json_text(answer, "sncode"), "NVR16A2024120700001");
        EXPECT_EQ(json_text(answer, "prefix"), "NVR16A");
        EXPECT_EQ(json_text(answer, "macAddress"), "02:5A:3E:0A:19:C8");
        EXPECT_EQ(json_text(answer, "pluginVersion"), "1.0");
        EXPECT_EQ(json_text(answer, "company"), "Acme");
        EXPECT_EQ(json_text(answer, "uptime"), " 20:30:01 up 3 days,  4:05");
        EXPECT_EQ(json_int(answer, "isSupportTalk"), 1);
        json_object *resource = nullptr;
        ASSERT_TRUE(json_object_object_get_ex(answer, "resource", &resource));
        EXPECT_EQ(answer_keys(resource), (std::vector<std::string>{"displayNum", "maxAudioOut", "maxNetworkLan",
                                                                    "maxSensor", "maxAlarm", "maxCameras", "masRs485"}));
        EXPECT_EQ(json_int(resource, "maxCameras"), 16);
        EXPECT_EQ(json_int(resource, "maxSensor"), 4);
    }
}

TEST_F(SysinfoTest, UptimeTextIsCut) {
    struct Case {
        int line;
        std::string printed, shown;
    } cases[] = {
        {__LINE__, " 10:00:00 up 5 min,  1 user,  load average: 0.10", " 10:00:00 up 5 min,  1 user,"},
        {__LINE__, " 10:00:00 up 5 min,  3 users,  load average: 0.10", " 10:00:00 up 5 min"},
        {__LINE__, "no such letter", "no suc"},
        {__LINE__, "users", ""},
    };
    for (const Case &c : cases) {
        use_uptime(c.printed);
        JsonRef answer(parse_answer(get("/1009").body));
        EXPECT_EQ(json_text(answer, "uptime"), c.shown) << "line " << c.line;
    }
}

TEST_F(SysinfoTest, SystemInformationShortReplyAnswersOnce) {
    daemon.script(3400, sim_one_reply(Bytes(591, 0)));
    CgiResult result = get("/1009");
    EXPECT_EQ(result.body, kJsonError);
    daemon.script(3400, SimScript());
    EXPECT_EQ(get("/1009").body, kJsonError);
}

TEST_F(SysinfoTest, SetSystemInformationValidates) {
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, R"({"hostName":"","deviceId":5})"},   {__LINE__, R"({"deviceId":5})"},
        {__LINE__, R"({"hostName":"nvr","deviceId":0})"}, {__LINE__, R"({"hostName":"nvr","deviceId":256})"},
        {__LINE__, R"({"hostName":"nvr"})"},              {__LINE__, R"({"hostName":7,"deviceId":5})"},
        {__LINE__, "hostName=nvr"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json("/1012", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());
    EXPECT_EQ(param("deviceid"), "255");

    EXPECT_EQ(post_json("/1012", R"({"hostName":")" + std::string(200, 'h') + R"(","deviceId":7})").body, "OK");
    EXPECT_EQ(std::string(network().host_name), std::string(127, 'h'));
    EXPECT_EQ(param("deviceid"), "7");
    EXPECT_EQ(sent(1705, 1)[0].payload, le_words({7}));
    Bytes host = sent(1702, 1)[0].payload;
    EXPECT_EQ(host.size(), 32u);
    EXPECT_EQ(payload_text(host, 0, 32), "hostname");
}

TEST_F(SysinfoTest, AutoMaintenanceRetentionValues) {
    struct Case {
        int line;
        int log, photo;
        bool accepted;
    } cases[] = {
        {__LINE__, 12, -1, true}, {__LINE__, 0, 1, true},   {__LINE__, 2, 4, true},    {__LINE__, 3, 2, false},
        {__LINE__, 2, 13, false}, {__LINE__, 14, 2, false}, {__LINE__, -2, 2, false},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        CgiResult result = post_json("/1017", "{\"logRetention\":" + std::to_string(c.log) +
                                                  ",\"photoRetention\":" + std::to_string(c.photo) + "}");
        EXPECT_EQ(result.body, c.accepted ? "OK" : "") << "line " << c.line;
        if (!c.accepted) continue;
        EXPECT_EQ(sent(2102, 1).size(), 1u) << "line " << c.line;
        JsonRef stored(parse_answer(get("/1016").body));
        EXPECT_EQ(answer_keys(stored), (std::vector<std::string>{"logRetention", "photoRetention"}));
        EXPECT_EQ(json_int(stored, "logRetention"), c.log) << "line " << c.line;
        EXPECT_EQ(json_int(stored, "photoRetention"), c.photo) << "line " << c.line;
    }
    EXPECT_EQ(post_json("/1017", R"({"logRetention":2})").output, "");
}

TEST_F(SysinfoTest, FlagsAreCleared) {
    set_param("permission_update", "1");
    set_param("qvfs_dbup", "1");
    EXPECT_EQ(get("/1023").body, "OK");
    EXPECT_EQ(param("permission_update"), "0");
    EXPECT_EQ(param("qvfs_dbup"), "1");
    EXPECT_EQ(get("/1024").body, "OK");
    EXPECT_EQ(param("qvfs_dbup"), "0");
}

TEST_F(SysinfoTest, UpnpIsReportedAndHandedToTheDaemon) {
    UpnpRecord upnp;
    memset(&upnp, 0, sizeof upnp);
    upnp.http_status = 2;
    strcpy(upnp.external_ip, "203.0.113.5");
    write_upnp(QVDB_PATH, &upnp);
    PortRecord port;
    memset(&port, 0, sizeof port);
    port.httpPort = 80;
    port.rtspPort = 554;
    write_port(QVDB_PATH, &port);
    qvdb_close_all();

    JsonRef answer(parse_answer(get("/1030").body));
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"enable", "type", "external_http_port", "http_status",
                                                              "external_rtsp_port", "rtsp_status", "http_port",
                                                              "rtsp_port"}));
    EXPECT_EQ(json_int(answer, "http_status"), 2);
    EXPECT_EQ(json_int(answer, "http_port"), 80);
    EXPECT_EQ(json_int(answer, "rtsp_port"), 554);

    EXPECT_EQ(post_json("/1031", R"({"enable":1,"type":1,"external_http_port":8080,"external_rtsp_port":8554})").body, "OK");
    Bytes record = sent(3720, 1)[0].payload;
    ASSERT_EQ(record.size(), 152u);
    EXPECT_EQ(payload_i32(record, 0), 1);
    EXPECT_EQ(payload_i32(record, 4), 1);
    EXPECT_EQ(payload_i32(record, 136), 8080);
    EXPECT_EQ(payload_i32(record, 140), 2);  // the stored status travels along
    EXPECT_EQ(payload_i32(record, 144), 8554);
    JsonRef unchanged(parse_answer(get("/1030").body));
    EXPECT_EQ(json_int(unchanged, "external_http_port"), 0);  // the daemon stores it, not the route

    daemon.clear_requests();
    for (const char *body : {R"({"enable":2,"type":1,"external_http_port":1,"external_rtsp_port":1})",
                             R"({"enable":1,"type":1,"external_http_port":70000,"external_rtsp_port":1})",
                             R"({"enable":1,"type":1,"external_http_port":1})", "{"})
        EXPECT_EQ(post_json("/1031", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(SysinfoTest, AutoRebootStoresAllFive) {
    EXPECT_EQ(post_json("/1033", R"({"enable":1,"wday":3,"hour":4,"minutes":5})").body, "OK");
    EXPECT_EQ(sent(1718, 1).size(), 1u);
    JsonRef stored(parse_answer(get("/1032").body));
    EXPECT_EQ(answer_keys(stored), (std::vector<std::string>{"enable", "wday", "hour", "minutes", "seconds"}));
    EXPECT_EQ(json_int(stored, "wday"), 3);
    EXPECT_EQ(json_int(stored, "hour"), 4);
    EXPECT_EQ(json_int(stored, "minutes"), 5);
    EXPECT_EQ(json_int(stored, "seconds"), 0);  // a missing key gives 0
    for (const char *body : {R"({"enable":1,"hour":24})", R"({"enable":1,"minutes":60})", R"({"enable":5})",
                             R"({"wday":8})", "x"})
        EXPECT_EQ(post_json("/1033", body).output, "") << body;
    JsonRef still(parse_answer(get("/1032").body));
    EXPECT_EQ(json_int(still, "hour"), 4);
}

std::string general(const std::string &overrides) {
    std::string body = R"({"mainResolution":1,"audioOutputOn":1,"audioVolume":50,"hdmiAudioOn":0,"subResolution":2,)"
                       R"("wizardEnable":0,"hostname":"nvr","deviceId":9,"displayMode":0,"subEnable":0)";
    return body + (overrides.empty() ? "" : "," + overrides) + "}";
}

TEST_F(SysinfoTest, GeneralSettingsValidation) {
    struct Case {
        int line;
        std::string body;
        bool accepted;
    } cases[] = {
        {__LINE__, general(R"("audioVolume":55)"), false},  // json-c keeps the last duplicate key
        {__LINE__, general(R"("audioVolume":100)"), true},
        {__LINE__, general(R"("audioVolume":110)"), false},
        {__LINE__, general(R"("audioVolume":-10)"), false},
        {__LINE__, general(R"("audioOutputOn":2)"), false},
        {__LINE__, general(R"("deviceId":257)"), false},
        {__LINE__, general(R"("deviceId":256)"), true},
        {__LINE__, general(R"("displayMode":3)"), false},
        {__LINE__, general(R"("hostname":5)"), false},
        {__LINE__, "{}", false},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6081", c.body).body, c.accepted ? "OK" : "") << "line " << c.line;
}

TEST_F(SysinfoTest, GeneralSettingsSaveAndNotify) {
    EXPECT_EQ(post_json("/6081", general(R"("audioStereo":1,"hdmihotplug":0,"streamInfo":1)")).body, "OK");
    DisplayRecord d = display();
    EXPECT_EQ(d.mainResolution, 1);
    EXPECT_EQ(d.subResolution, 2);
    EXPECT_EQ(d.audioVolume, 50);
    EXPECT_EQ(d.audioStereo, 1);
    EXPECT_EQ(std::string(network().host_name), "nvr");
    EXPECT_EQ(param("deviceid"), "9");
    EXPECT_EQ(param("hdmihotplug"), "0");
    EXPECT_EQ(param("stream_information"), "1");
    auto resolutions = sent(1001, 2);
    ASSERT_EQ(resolutions.size(), 2u);
    std::vector<Bytes> payloads = {resolutions[0].payload, resolutions[1].payload};
    std::sort(payloads.begin(), payloads.end());
    EXPECT_EQ(payloads[0], le_words({0, 1}));
    EXPECT_EQ(payloads[1], le_words({1, 2}));
    EXPECT_EQ(sent(1015, 1).size(), 1u);
    EXPECT_EQ(sent(1002, 1)[0].payload, le_words({0, 1, 50}));
    Bytes log = sent(3485, 1)[0].payload;
    EXPECT_EQ(payload_i32(log, 24), 913);
    EXPECT_TRUE(sent(1703).empty());

    // Same resolutions again: no resolution requests.
    daemon.clear_requests();
    EXPECT_EQ(post_json("/6081", general("")).body, "OK");
    sent(3485, 1);
    EXPECT_TRUE(sent(1001).empty());

    JsonRef answer(parse_answer(get("/6080").body));
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"displayMode", "hdmihotplug", "mainResolution", "hdmiAudioOn", "homologous",
                                        "curControl", "subEnable", "subResolution", "audioOutputOn", "audioVolume",
                                        "deviceId", "hostname", "wizardEnable", "hideTaskBar", "hideToolBar"}));
    EXPECT_EQ(json_int(answer, "deviceId"), 9);
    EXPECT_EQ(json_text(answer, "hostname"), "nvr");
    EXPECT_EQ(json_int(answer, "homologous"), 1);
    EXPECT_EQ(json_int(answer, "hdmihotplug"), 0);
}

TEST_F(SysinfoTest, GeneralSettingsSubControlAndHomologous) {
    DisplayRecord d = display();
    d.curControl = 1;
    store_display(d);
    EXPECT_EQ(post_json("/6081", general("")).body, "SUB");
    EXPECT_EQ(display().mainResolution, 1);  // saved all the same

    d = display();
    d.curControl = 0;
    d.subEnable = 1;
    store_display(d);
    daemon.clear_requests();
    EXPECT_EQ(post_json("/6081", general(R"("subEnable":0)")).body, "OK");
    EXPECT_EQ(sent(1023, 1)[0].payload, le_words({0}));

    daemon.clear_requests();
    EXPECT_EQ(post_json("/6081", general(R"("isHomologousChanged":1,"homologous":0)")).body, "OK");
    EXPECT_EQ(sent(1703, 1).size(), 1u);
    EXPECT_EQ(display().subEnable, 1);
    EXPECT_EQ(param("homologous"), "0");
    EXPECT_EQ(param("quick_screen"), "1");
    EXPECT_TRUE(sent(1023).empty());
}

TEST_F(SysinfoTest, CameraAddresses) {
    EXPECT_EQ(post_json("/ipc", R"({"startip":"192.168.1.10","chnNum":2,"chnFre":4})").body, "OK");
    for (int ch = 0; ch < 4; ch++) EXPECT_EQ(camera_ip(ch), "192.168.1.10") << ch;
    for (int ch = 4; ch < 8; ch++) EXPECT_EQ(camera_ip(ch), "192.168.1.11") << ch;
    EXPECT_EQ(camera_ip(8), "");
}

TEST_F(SysinfoTest, CameraAddressesStopAtTheLastHostAndTheChannelCount) {
    struct Case {
        int line;
        std::string body;
        std::vector<std::string> expected;  // channels 0.. ; the rest must stay empty
    } cases[] = {
        {__LINE__, R"({"startip":"10.0.0.253","chnNum":5,"chnFre":1})", {"10.0.0.253", "10.0.0.254"}},
        {__LINE__, R"({"startip":"10.0.0.255","chnNum":2,"chnFre":1})", {}},
        {__LINE__, R"({"startip":"10.0.0.1","chnNum":3,"chnFre":0})", {}},
        {__LINE__, R"({"startip":"10.0.0.1","chnNum":-3,"chnFre":2})", {}},
    };
    for (const Case &c : cases) {
        for (int ch = 0; ch < 64; ch++) write_camera_ip(QVDB_PATH, ch, "");
        qvdb_close_all();
        EXPECT_EQ(post_json("/ipc", c.body).body, "OK") << "line " << c.line;
        for (int ch = 0; ch < 64; ch++)
            EXPECT_EQ(camera_ip(ch), ch < static_cast<int>(c.expected.size()) ? c.expected[ch] : "")
                << "line " << c.line << " channel " << ch;
    }
    // 40 addresses of 2 channels each stop at "max_cameras" (32 by default).
    EXPECT_EQ(post_json("/ipc", R"({"startip":"10.0.1.1","chnNum":40,"chnFre":2})").body, "OK");
    EXPECT_EQ(camera_ip(31), "10.0.1.16");
    EXPECT_EQ(camera_ip(32), "");
    for (const char *body : {R"({"startip":"10.0.1","chnNum":1,"chnFre":1})", R"({"startip":"x;reboot","chnNum":1,"chnFre":1})",
                             R"({"chnNum":1,"chnFre":1})", "[]"})
        EXPECT_EQ(post_json("/ipc", body).output, "") << body;
}

TEST_F(SysinfoTest, RestartStateRepairsMotionIntervals) {
    MotionRecord motion;
    memset(&motion, 0, sizeof motion);
    motion.interval = 0;
    motion.email_interval = 30;
    motion.sensitivity = 4;
    write_motion(QVDB_PATH, &motion);
    qvdb_close_all();
    EXPECT_EQ(get("/1005").body, "NO OK");
    qvdb_close_all();
    MotionRecord stored;
    memset(&stored, 0, sizeof stored);
    ASSERT_EQ(read_motion(QVDB_PATH, &stored, 0), 0);
    EXPECT_EQ(stored.interval, 20);
    EXPECT_EQ(stored.email_interval, 30);
    EXPECT_EQ(stored.sensitivity, 4);
}

}  // namespace
