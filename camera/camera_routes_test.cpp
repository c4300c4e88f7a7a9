// Camera channel routes end to end: adding, listing, editing and deleting cameras, logins and
// transports, channel names and the model catalogue, against the database and the simulated
// daemon.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <string>
#include <vector>

#include "camera/camera_payloads.h"
#include "camera/camera_test_support.h"
#include "core/qvdb_camera.h"

namespace {

const char kAddBody[] =
    "{\"id\":5,\"name\":\"Gate\",\"minorid\":1,\"enable\":1,\"ipAddr\":\"192.168.1.102\",\"managePort\":8000,"
    "\"camProtocol\":2,\"userName\":\"admin\",\"password\":\"pw1\",\"transmitProtocol\":3,\"enableSubStream\":1,"
    "\"syncTime\":257,\"ddns\":\"cam.example\",\"httpsPort\":443,\"mac_addr\":\"00:1A:2B:3C:4D:02\","
    "\"poechannel\":2,\"physicalport\":3,\"otherPoe\":0}";

class CameraChannels : public CameraTest {
  protected:
    CameraRecord camera(int channel) {
        CameraRecord record;
        memset(&record, 0, sizeof record);
        EXPECT_EQ(read_camera(QVDB_PATH, &record, channel), 0);
        return record;
    }
    std::string name(int channel) {
        OsdRecord osd;
        memset(&osd, 0, sizeof osd);
        read_osd(QVDB_PATH, &osd, channel);
        return osd.camName;
    }
    // The log record's detail of a camera change.
    void expect_camera_log(const Bytes &log, int sub_type, int code, int channel, const char *address,
                           const char *protocol, const char *transport, int sync_low_byte) {
        ASSERT_EQ(log.size(), 672u);
        EXPECT_EQ(payload_i32(log, 0), 4);
        EXPECT_EQ(payload_i64(log, 8), sub_type);
        EXPECT_EQ(payload_i32(log, 24), code);
        EXPECT_EQ(payload_i32(log, 32), channel + 1);
        EXPECT_EQ(payload_i32(log, 148), 4 + 176);  // detail type word, then the 176-byte detail
        EXPECT_EQ(payload_i32(log, 152), 111);
        const size_t detail = 156;
        EXPECT_EQ(payload_i32(log, detail), code);
        EXPECT_EQ(payload_text(log, detail + 4, 64), address);
        EXPECT_EQ(payload_i32(log, detail + 72), channel + 1);
        EXPECT_EQ(payload_text(log, detail + 140, 16), protocol);
        EXPECT_EQ(payload_text(log, detail + 156, 16), transport);
        EXPECT_EQ(log[detail + 172], sync_low_byte);
    }
};

// A list reply entry of channel `id` at an address.
CameraListEntry listed(int id, const char *address) {
    CameraListEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.id = id;
    strcpy(entry.ipAddr, address);
    entry.connectState = 1;
    return entry;
}

TEST_F(CameraChannels, AddedCameraIsListedEditedAndDeleted) {
    // The page checks the camera, then adds it: the simulated recorder lists what was checked.
    ASSERT_EQ(post_json("/2014", "{\"ipAddr\":\"192.168.1.102\",\"managePort\":8000,\"userName\":\"admin\","
                                 "\"password\":\"pw1\",\"camProtocol\":2}").output,
              kOk);
    forget_requests();
    ASSERT_EQ(post_json("/2004", kAddBody).output, kOk);
    EXPECT_EQ(codes(), (std::vector<int>{1201, 1206, 3485}));
    EXPECT_EQ(only(1201), le_words({5}));
    EXPECT_EQ(only(1206), le_words({5, 0}));
    expect_camera_log(only(3485), 210, 901, 5, "192.168.1.102", "QVSF", "RTSP Over HTTPS", 1);

    json_object *list = answer(get("/2001"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(answer_keys(list), (std::vector<std::string>{"IPC", "maxIPCNums"}));
    EXPECT_EQ(json_int(list, "maxIPCNums"), 32);
    ASSERT_EQ(length_at(list, "IPC"), 1u);
    json_object *entry = item_at(list, "IPC", 0);
    EXPECT_EQ(answer_keys(entry),
              (std::vector<std::string>{"id", "enable", "name", "ipAddr", "managePort", "camProtocol", "vendor", "sn",
                                        "snReal", "mac", "model", "fwVersion", "state", "mainRtspPort", "physicalport",
                                        "poechannel", "alarmin", "alarmout", "whiteLed", "ledAlarm", "ledManual",
                                        "minorid", "subState", "connectState", "ddns", "chipinfo"}));
    EXPECT_EQ(json_int(entry, "id"), 5);
    EXPECT_EQ(json_text(entry, "name"), "Gate");
    EXPECT_EQ(json_text(entry, "ipAddr"), "192.168.1.102");
    EXPECT_EQ(json_int(entry, "managePort"), 8000);

    json_object *config = post_answer("/2000", "{\"chnid\":5}");
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(answer_keys(config),
              (std::vector<std::string>{"id", "name", "ipAddr", "managePort", "protocol", "model", "userName",
                                        "password", "transmitProtocol", "mainRtspPort", "mainSourcePath",
                                        "subRtspEnable", "subRtspPort", "subSourcePath", "syncTime", "mainRtspUrl",
                                        "subRtspUrl", "physicalport", "poechannel", "mac_addr", "minorid", "ddns",
                                        "httpsPort"}));
    EXPECT_EQ(json_int(config, "protocol"), 2);  // the catalogue's protocol of model 2
    EXPECT_EQ(json_int(config, "model"), 2);
    EXPECT_EQ(json_text(config, "userName"), "admin");
    EXPECT_EQ(json_int(config, "subRtspEnable"), 1);
    EXPECT_EQ(json_int(config, "syncTime"), 257);
    EXPECT_EQ(json_text(config, "mac_addr"), "00:1A:2B:3C:4D:02");
    EXPECT_EQ(json_int(config, "poechannel"), 2);
    EXPECT_EQ(json_int(config, "physicalport"), 3);
    EXPECT_EQ(json_text(config, "ddns"), "cam.example");
    EXPECT_EQ(json_int(config, "httpsPort"), 443);

    // Edit: type 1 keeps the login, type 0 replaces it; no 1206.
    std::string edit = json_with(json_with(json_with(kAddBody, "userName", "\"eve\""), "name", "\"Yard\""),
                                 "transmitProtocol", "0");
    forget_requests();
    ASSERT_EQ(post_json("/2003", json_with(edit, "type", "1")).output, kOk);
    EXPECT_EQ(codes(), (std::vector<int>{1203, 3485}));
    EXPECT_EQ(only(1203), le_words({5}));
    expect_camera_log(only(3485), 204, 903, 5, "192.168.1.102", "QVSF", "UDP", 1);
    EXPECT_STREQ(camera(5).userName, "admin");
    EXPECT_EQ(name(5), "Yard");
    ASSERT_EQ(post_json("/2003", edit).output, kOk);  // no type: the login stays too
    EXPECT_STREQ(camera(5).userName, "admin");
    ASSERT_EQ(post_json("/2003", json_with(edit, "type", "0")).output, kOk);
    EXPECT_STREQ(camera(5).userName, "eve");
    EXPECT_EQ(camera(5).poechannel, 2);  // edit does not touch the PoE keys

    // Delete: the preserved word and the masks' ids and switches stay, the rest is cleared.
    CameraRecord stored = camera(5);
    stored.preserved = 77;
    ASSERT_EQ(write_camera(QVDB_PATH, &stored), 0);
    PrivacyMaskRecord masks;
    memset(&masks, 0, sizeof masks);
    masks.channel = 5;
    for (int i = 0; i < kPrivacyMaskAreas * 13; i++) masks.words[i] = i + 1;
    ASSERT_EQ(write_privacy_mask(QVDB_PATH, &masks), 0);
    forget_requests();
    ASSERT_EQ(post_json("/2005", "{\"chnid\":5}").output, kOk);
    EXPECT_EQ(codes(), (std::vector<int>{1202, 1206, 3485}));
    EXPECT_EQ(only(1202), le_words({5}));
    EXPECT_EQ(only(1206), le_words({5, 0}));
    Bytes log = only(3485);
    EXPECT_EQ(payload_i64(log, 8), 211);
    EXPECT_EQ(payload_i32(log, 24), 902);
    EXPECT_EQ(payload_i32(log, 32), 6);
    CameraRecord freed = camera(5);
    EXPECT_EQ(freed.id, 5);
    EXPECT_EQ(freed.state, 1);
    EXPECT_EQ(freed.enable, 0);
    EXPECT_EQ(freed.preserved, 77);
    EXPECT_STREQ(freed.ipAddr, "");
    EXPECT_STREQ(freed.userName, "");
    EXPECT_EQ(name(5), "CAM6");
    PrivacyMaskRecord cleared;
    memset(&cleared, 0, sizeof cleared);
    ASSERT_EQ(read_privacy_mask(QVDB_PATH, &cleared, 5), 0);
    for (int area = 0; area < kPrivacyMaskAreas; area++)
        for (int word = 0; word < 13; word++) {
            int i = area * 13 + word;
            EXPECT_EQ(cleared.words[i], word >= 2 && word <= 6 ? 0 : i + 1) << "area " << area << " word " << word;
        }
    json_object *after = answer(get("/2001"));
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(length_at(after, "IPC"), 0u);
}

// Channels and protocols below their range are refused as those above it: the model lookup with
// the JSON error, the search without an answer; neither reaches the daemon.
TEST_F(CameraChannels, NegativeChannelOrProtocolIsRefusedUnsent) {
    const struct {
        int line;
        const char *path;
        const char *body;
        std::string output;
    } refusals[] = {
        {__LINE__, "/2057", "{\"chnid\":-1}", kJsonErrorAnswer},
        {__LINE__, "/2057", "{\"chnid\":-2147483648}", kJsonErrorAnswer},
        {__LINE__, "/2057", "{\"chnid\":4294967297}", kJsonErrorAnswer},  // 1 in its low 32 bits
        {__LINE__, "/2057", "{}", kJsonErrorAnswer},
        {__LINE__, "/2006", "{\"protocol\":-1,\"nic\":\"eth0\"}", ""},
        {__LINE__, "/2006", "{\"protocol\":-2147483648}", ""},
        {__LINE__, "/2006", "{\"protocol\":4294967298}", ""},  // 2 in its low 32 bits
        {__LINE__, "/2006", "{\"chnid\":-1}", ""},
    };
    for (const auto &r : refusals) EXPECT_EQ(post_json(r.path, r.body).output, r.output) << "line " << r.line;
    EXPECT_EQ(codes(), std::vector<int>{});
}

TEST_F(CameraChannels, AddAndEditRefuseBadCamerasWithoutAnswer) {
    struct Case {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, "{"},
        {__LINE__, "[5]"},
        {__LINE__, json_with(kAddBody, "id", "")},
        {__LINE__, json_with(kAddBody, "id", "64")},
        {__LINE__, json_with(kAddBody, "id", "-1")},
        {__LINE__, json_with(kAddBody, "name", "")},
        {__LINE__, json_with(kAddBody, "name", "7")},
        {__LINE__, json_with(kAddBody, "enable", "2")},
        {__LINE__, json_with(kAddBody, "camProtocol", "8")},
        {__LINE__, json_with(kAddBody, "camProtocol", "-1")},
        {__LINE__, json_with(kAddBody, "ipAddr", "\"\"")},
        {__LINE__, json_with(kAddBody, "ipAddr", "[\"1.2.3.4\"]")},
        {__LINE__, json_with(kAddBody, "managePort", "")},
        {__LINE__, json_with(kAddBody, "managePort", "-1")},
        {__LINE__, json_with(kAddBody, "transmitProtocol", "4")},
        {__LINE__, json_with(kAddBody, "transmitProtocol", "")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(post_json("/2004", c.body).output, "") << "line " << c.line;
        EXPECT_EQ(post_json("/2003", c.body).output, "") << "line " << c.line;
    }
    EXPECT_EQ(codes(), std::vector<int>{});
    EXPECT_EQ(camera(5).state, 1);
    EXPECT_EQ(name(5), "CAM6");

    // Model 7 is found on its PoE port: it needs neither address nor port.
    std::string poe = json_with(json_with(json_with(kAddBody, "camProtocol", "7"), "ipAddr", ""), "managePort", "");
    EXPECT_EQ(post_json("/2004", json_with(poe, "otherPoe", "1")).output, kOk);
    EXPECT_EQ(only(1206), le_words({5, 1}));
    EXPECT_EQ(camera(5).camProtocol, 7);
}

TEST_F(CameraChannels, RtspKeysOnlyForRtspSourcesAndTextsAreCut) {
    std::string rtsp = json_with(json_with(json_with(kAddBody, "mainrtspurl", "\"rtsp://cam/main\""), "subrtspurl",
                                           "\"rtsp://cam/sub\""),
                                 "mainRtspPort", "554");
    ASSERT_EQ(post_json("/2004", json_with(rtsp, "camProtocol", "0")).output, kOk);
    EXPECT_STREQ(camera(5).mainRtspUrl, "");
    EXPECT_EQ(camera(5).mainRtspPort, 0);
    ASSERT_EQ(post_json("/2004", json_with(rtsp, "camProtocol", "1")).output, kOk);
    EXPECT_STREQ(camera(5).mainRtspUrl, "rtsp://cam/main");
    EXPECT_STREQ(camera(5).subRtspUrl, "rtsp://cam/sub");
    EXPECT_EQ(camera(5).mainRtspPort, 554);
    // An edit back to ONVIF leaves the stored RTSP keys alone.
    ASSERT_EQ(post_json("/2003", json_with(rtsp, "camProtocol", "0")).output, kOk);
    EXPECT_STREQ(camera(5).mainRtspUrl, "rtsp://cam/main");

    std::string long_body = json_with(json_with(json_with(kAddBody, "name", "\"" + std::string(100, 'n') + "\""),
                                                "mac_addr", "\"" + std::string(40, 'm') + "\""),
                                      "ipAddr", "\"" + std::string(90, '1') + "\"");
    ASSERT_EQ(post_json("/2004", json_with(long_body, "password", "\"" + std::string(70, 'p') + "\"")).output, kOk);
    EXPECT_EQ(name(5), std::string(63, 'n'));
    EXPECT_EQ(std::string(camera(5).mac_addr), std::string(31, 'm'));
    EXPECT_EQ(std::string(camera(5).ipAddr), std::string(63, '1'));
    EXPECT_EQ(std::string(camera(5).password), std::string(63, 'p'));
}

TEST_F(CameraChannels, LoginAndTransportChangeTheirChannelOnly) {
    struct Refusal {
        int line;
        const char *route;
        const char *body;
    } refusals[] = {
        {__LINE__, "/2017", "{\"id\":64,\"userName\":\"u\",\"password\":\"p\"}"},
        {__LINE__, "/2017", "{\"id\":-1,\"userName\":\"u\",\"password\":\"p\"}"},
        {__LINE__, "/2017", "{\"userName\":\"u\",\"password\":\"p\"}"},
        {__LINE__, "/2017", "{\"id\":4,\"userName\":\"\",\"password\":\"p\"}"},
        {__LINE__, "/2017", "{\"id\":4,\"userName\":\"u\"}"},
        {__LINE__, "/2017", "{\"id\":4,\"userName\":3,\"password\":\"p\"}"},
        {__LINE__, "/2031", "{\"transmitProtocol\":1}"},
        {__LINE__, "/2031", "{\"id\":64,\"transmitProtocol\":1}"},
        {__LINE__, "/2031", "{\"id\":\"4; reboot\",\"transmitProtocol\":1}"},
        {__LINE__, "/2031", "not json"},
    };
    for (const Refusal &r : refusals) EXPECT_EQ(post_json(r.route, r.body).output, "") << "line " << r.line;
    EXPECT_EQ(codes(), std::vector<int>{});
    EXPECT_STREQ(camera(0).userName, "");
    EXPECT_EQ(camera(0).transmitProtocol, 0);

    ASSERT_EQ(post_json("/2017", "{\"id\":4,\"userName\":\"" + std::string(100, 'u') + "\",\"password\":\"pw\"}").output,
              kOk);
    EXPECT_EQ(std::string(camera(4).userName), std::string(63, 'u'));
    EXPECT_STREQ(camera(4).password, "pw");
    EXPECT_EQ(only(1203), le_words({4}));
    EXPECT_EQ(payload_i32(only(3485), 24), 903);

    // A channel whose record cannot be read still gets its own id: nothing lands on channel 0.
    exec_sql("DELETE FROM records WHERE kind = 'camera' AND id = 9");
    ASSERT_EQ(post_json("/2031", "{\"id\":9,\"transmitProtocol\":3,\"syncTime\":1,\"httpsPort\":8443}").output, kOk);
    EXPECT_EQ(camera(9).id, 9);
    EXPECT_EQ(camera(9).transmitProtocol, 3);
    EXPECT_EQ(camera(9).httpsPort, 8443);
    EXPECT_EQ(camera(0).transmitProtocol, 0);
    EXPECT_EQ(camera(0).httpsPort, 0);
}

TEST_F(CameraChannels, ConfigAndDeleteServeChannelsBelowSixteen) {
    for (const char *body : {"{\"chnid\":16}", "{\"chnid\":-1}", "{}", "{"}) {
        EXPECT_EQ(post_json("/2000", body).output, kJsonErrorAnswer) << body;
        EXPECT_EQ(post_json("/2005", body).output, kJsonErrorAnswer) << body;
    }
    EXPECT_EQ(codes(), std::vector<int>{});
    ASSERT_NE(post_answer("/2000", "{\"chnid\":15}"), nullptr);

    // Masks that cannot be read are not written back.
    exec_sql("DELETE FROM records WHERE kind = 'privacy_mask' AND id = 15");
    ASSERT_EQ(post_json("/2005", "{\"chnid\":15}").output, kOk);
    PrivacyMaskRecord masks;
    EXPECT_EQ(read_privacy_mask(QVDB_PATH, &masks, 15), -1);
    EXPECT_EQ(name(15), "CAM16");
}

TEST_F(CameraChannels, NamesFollowMaxCamerasWithinTheChannels) {
    struct Case {
        int line;
        int max_cameras;
        size_t names;
    } cases[] = {{__LINE__, 3, 3}, {__LINE__, 100, 64}, {__LINE__, -5, 0}, {__LINE__, 64, 64}};
    for (const Case &c : cases) {
        ASSERT_EQ(set_param_int(QVDB_PATH, "max_cameras", c.max_cameras), 0);
        json_object *names = answer(get("/2012"));
        ASSERT_NE(names, nullptr) << "line " << c.line;
        ASSERT_EQ(length_at(names, "IPC"), c.names) << "line " << c.line;
        if (c.names) {
            EXPECT_EQ(json_text(item_at(names, "IPC", c.names - 1), "name"), "CAM" + std::to_string(c.names));
        }
    }
    EXPECT_EQ(get("/2016").output, "Content-type: text/plain\r\n\r\nkd4417");
    EXPECT_EQ(get("/2018").output, "Content-type: text/plain\r\n\r\n0");
    ASSERT_EQ(set_param_int(QVDB_PATH, "max_poe_num", 8), 0);
    EXPECT_EQ(get("/2018").output, "Content-type: text/plain\r\n\r\n8");
}

TEST_F(CameraChannels, ListRepliesAreReadWithinTheirEntries) {
    CameraListEntry odd = listed(70, "10.0.0.70");
    CameraListEntry full = listed(2, "");
    memset(full.ipAddr, '7', sizeof full.ipAddr);  // no terminating NUL in the field
    memset(full.vendor, 'v', sizeof full.vendor);
    Bytes partial = Bytes(100, 'x');
    reply_with(3201, bytes_of(odd) + bytes_of(full) + partial);
    json_object *list = answer(get("/2007"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(length_at(list, "IPC"), 2u);
    EXPECT_EQ(json_text(item_at(list, "IPC", 0), "name"), "");  // no channel 70
    EXPECT_EQ(json_text(item_at(list, "IPC", 1), "name"), "CAM3");
    EXPECT_EQ(json_text(item_at(list, "IPC", 1), "ipAddr"), std::string(32, '7'));
    EXPECT_EQ(json_text(item_at(list, "IPC", 1), "vendor"), std::string(192, 'v'));

    reply_with(3201, Bytes(1039, 0));  // not one whole entry
    json_object *empty = answer(get("/2001"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(length_at(empty, "IPC"), 0u);
}

TEST_F(CameraChannels, CatalogueRetiresTheModelChoiceOfTheMakersProtocol) {
    CameraProtocolRecord maker;
    memset(&maker, 0, sizeof maker);
    ASSERT_EQ(read_ipc_protocol(QVDB_PATH, &maker, 2), 0);
    maker.display_model = 1;
    ASSERT_EQ(write_ipc_protocol(QVDB_PATH, &maker), 0);
    CameraProtocolRecord rtsp;
    ASSERT_EQ(read_ipc_protocol(QVDB_PATH, &rtsp, 1), 0);
    rtsp.display_model = 1;
    ASSERT_EQ(write_ipc_protocol(QVDB_PATH, &rtsp), 0);

    json_object *catalogue = answer(get("/2008"));
    ASSERT_NE(catalogue, nullptr);
    ASSERT_EQ(length_at(catalogue, "protocols"), 3u);
    json_object *entry = item_at(catalogue, "protocols", 2);
    EXPECT_EQ(answer_keys(entry),
              (std::vector<std::string>{"id", "name", "protocolFunction", "enable", "display_model", "models"}));
    EXPECT_EQ(json_text(entry, "name"), "QVSF");
    EXPECT_EQ(json_int(entry, "display_model"), 0);
    EXPECT_EQ(json_int(item_at(catalogue, "protocols", 1), "display_model"), 1);  // only protocol 2 is corrected
    ASSERT_EQ(length_at(entry, "models"), 6u);
    EXPECT_EQ(answer_keys(item_at(entry, "models", 0)),
              (std::vector<std::string>{"id", "name", "alarm_type", "default_model"}));
    ASSERT_EQ(read_ipc_protocol(QVDB_PATH, &maker, 2), 0);
    EXPECT_EQ(maker.display_model, 0);  // stored corrected
}

TEST_F(CameraChannels, ModelRepliesAreBoundedByTheirEntries) {
    // "/2025" passes any id on; a reply without its word is no reply.
    reply_with(2503, le_words({11}));
    EXPECT_EQ(post_json("/2025", "{\"id\":99}").output, std::string(kJsonHeader) + "{ \"type\": 11 }");
    EXPECT_EQ(only(2503), le_words({99}));
    reply_with(2503, Bytes{1, 2});
    EXPECT_EQ(post_json_waiting_less(root, "/2025", "{\"id\":-3}").output, kTextError);

    ChannelModelEntry model;
    memset(&model, 0, sizeof model);
    model.chnid = 9;
    strcpy(model.ipaddr, "10.0.0.9");
    memset(model.fwversion, 'f', sizeof model.fwversion);
    Bytes seventy;
    for (int i = 0; i < 70; i++) seventy = seventy + bytes_of(model);
    reply_with(2505, seventy);
    json_object *all = answer(get("/2029"));
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(length_at(all, "IPC"), 64u);
    EXPECT_EQ(json_text(item_at(all, "IPC", 63), "fwversion"), std::string(64, 'f'));
    reply_with(2505, bytes_of(model) + bytes_of(model) + Bytes(163, 0));
    all = answer(get("/2029"));
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(length_at(all, "IPC"), 2u);

    EXPECT_EQ(post_json("/2057", "{\"chnid\":64}").output, kJsonErrorAnswer);
    EXPECT_EQ(sent(2507).size(), 0u);
    reply_with(2507, bytes_of(model));
    json_object *one = post_answer("/2057", "{\"chnid\":9}");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(answer_keys(one), (std::vector<std::string>{"chnid", "ipaddr", "model", "fwversion"}));
    EXPECT_EQ(json_text(one, "ipaddr"), "10.0.0.9");
    EXPECT_EQ(only(2507), le_words({9}));
    reply_with(2507, Bytes(163, 1));
    EXPECT_EQ(post_json_waiting_less(root, "/2057", "{\"chnid\":9}").output, kJsonErrorAnswer);
}

}  // namespace
