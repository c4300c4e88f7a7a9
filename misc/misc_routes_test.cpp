// Miscellaneous settings routes end to end: what each stores (and keeps), the notices that
// follow, and the requests refused without an answer.
#include "core/qvdb_camera.h"
#include "core/qvdb_network.h"
#include "core/qvdb_record.h"
#include "video/event_test_support.h"

namespace {

using namespace event_test;

class MiscRoutes : public EventRouteTest {
  protected:
    PortRecord ports() {
        qvdb_close_all();
        PortRecord record;
        memset(&record, 0, sizeof record);
        read_port(QVDB_PATH, &record);
        return record;
    }
    CameraRecord camera(int channel) {
        qvdb_close_all();
        CameraRecord record;
        memset(&record, 0, sizeof record);
        read_camera(QVDB_PATH, &record, channel);
        return record;
    }
};

TEST_F(MiscRoutes, SshSwitchKeepsThePortsAndAppliesMore) {
    PortRecord stored = ports();
    stored.sshPort = 2222;
    stored.httpPort = 8081;
    write_port(QVDB_PATH, &stored);
    qvdb_close_all();

    EXPECT_EQ(post_json("/3300", "{\"sshEnable\":1}").output, kOk);
    EXPECT_EQ(ports().enableSsh, 1);
    EXPECT_EQ(ports().sshPort, 2222);
    EXPECT_EQ(ports().httpPort, 8081);
    std::vector<SimRequest> applied = sent(1702, 1);
    ASSERT_EQ(applied.size(), 1u);
    Bytes more(32, 0);
    memcpy(more.data(), "more", 4);
    EXPECT_EQ(applied[0].payload, more);

    EXPECT_EQ(post_json("/3300", "{}").output, kOk);  // a missing switch turns SSH off
    EXPECT_EQ(ports().enableSsh, 0);
    forget_requests();
    EXPECT_EQ(post_json("/3300", "{\"sshEnable\":1").output, "");
    EXPECT_EQ(ports().enableSsh, 0);
    EXPECT_TRUE(request_codes().empty());
}

// A port record that cannot be read is not replaced by one made of zeros and the switch: the
// switch is refused and the daemon hears nothing.
TEST_F(MiscRoutes, SshSwitchWithAnUnreadablePortRecordWritesNothing) {
    const struct {
        int line;
        const char *damage;
    } damages[] = {
        {__LINE__, "UPDATE records SET doc = '{not json' WHERE kind = 'port'"},
        {__LINE__, "UPDATE records SET doc = '[1,2]' WHERE kind = 'port'"},
        {__LINE__, "DELETE FROM records WHERE kind = 'port'"},
    };
    for (const auto &d : damages) {
        exec_sql(d.damage);
        const std::string query = "SELECT kind, id, doc FROM records WHERE kind = 'port'";
        std::vector<std::string> before = query_rows(QVDB_PATH, query);
        forget_requests();
        EXPECT_EQ(post_json("/3300", "{\"sshEnable\":1}").output, kTextError) << "line " << d.line;
        EXPECT_EQ(query_rows(QVDB_PATH, query), before) << "line " << d.line;
        EXPECT_TRUE(request_codes().empty()) << "line " << d.line;
    }
}

TEST_F(MiscRoutes, ParameterSwitches) {
    EXPECT_EQ(post_json("/3301", "{\"autoLoginEnable\":1}").output, kOk);
    EXPECT_EQ(post_json("/3303", "{\"wizardEnable\":0}").output, kOk);
    qvdb_close_all();
    EXPECT_EQ(get_param_int(QVDB_PATH, "local_auth_enable", -1), 1);
    EXPECT_EQ(get_param_int(QVDB_PATH, "wizard_enable", -1), 0);
    EXPECT_EQ(post_json("/3303", "{\"wizardEnable\":").output, "");
    EXPECT_EQ(post_json("/3301", "{}").output, kOk);
    qvdb_close_all();
    EXPECT_EQ(get_param_int(QVDB_PATH, "local_auth_enable", -1), 0);
    EXPECT_TRUE(request_codes().empty());
}

TEST_F(MiscRoutes, OneRecordModeForEveryChannelKeepsTheirOtherFields) {
    RecordEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.id = 5;
    entry.audioEnable = 1;
    entry.postRecordDuration = 30;
    write_record(QVDB_PATH, &entry);
    qvdb_close_all();

    EXPECT_EQ(post_json("/3302", "{\"recordMode\":2}").output, kOk);
    std::vector<SimRequest> notices = sent(1407, 64);
    ASSERT_EQ(notices.size(), 64u);
    for (int channel = 0; channel < 64; channel++) EXPECT_EQ(notices[channel].payload, le_words({channel}));
    qvdb_close_all();
    RecordEntry table[kQvdbChannels];
    ASSERT_EQ(read_record_table(QVDB_PATH, table), 0);
    for (int channel = 0; channel < kQvdbChannels; channel++) {
        EXPECT_EQ(table[channel].id, channel);
        EXPECT_EQ(table[channel].mode, 2) << channel;
    }
    EXPECT_EQ(table[5].audioEnable, 1);
    EXPECT_EQ(table[5].postRecordDuration, 30);
    EXPECT_EQ(table[0].audioEnable, 0);
}

TEST_F(MiscRoutes, QuickCameraSetupStoresAnOnvifCamera) {
    CameraRecord stored = camera(9);
    stored.id = 9;
    stored.camProtocol = 3;
    stored.mainRtspPort = 554;
    snprintf(stored.mainRtspUrl, sizeof stored.mainRtspUrl, "rtsp://cam/main");
    write_camera(QVDB_PATH, &stored);
    qvdb_close_all();

    std::string long_text(80, 'p');
    EXPECT_EQ(post_json("/3304", "{\"id\":9,\"enable\":1,\"ipAddr\":\"192.168.1.109\",\"managePort\":80,"
                                 "\"userName\":\"admin\",\"password\":\"" + long_text + "\"}").output,
              kOk);
    CameraRecord added = camera(9);
    EXPECT_EQ(added.id, 9);
    EXPECT_EQ(added.enable, 1);
    EXPECT_STREQ(added.ipAddr, "192.168.1.109");
    EXPECT_EQ(added.managePort, 80);
    EXPECT_EQ(added.camProtocol, 0);
    EXPECT_STREQ(added.userName, "admin");
    EXPECT_EQ(std::string(added.password), std::string(63, 'p'));
    EXPECT_EQ(added.mainRtspPort, 554);
    EXPECT_STREQ(added.mainRtspUrl, "rtsp://cam/main");
    EXPECT_EQ(sent(1201, 1).at(0).payload, le_words({9}));

    EXPECT_EQ(post_json("/3304", "{\"id\":9,\"enable\":0,\"ipAddr\":\"192.168.1.109\",\"managePort\":0}").output, kOk);
    EXPECT_EQ(camera(9).enable, 0);
    EXPECT_STREQ(camera(9).userName, "");
    EXPECT_EQ(sent(1202, 1).at(0).payload, le_words({9}));
    EXPECT_EQ(camera(0).enable, 0);

    forget_requests();
    struct Case {
        int line;
        const char *body;
    } refused[] = {
        {__LINE__, "{\"id\":64,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}"},
        {__LINE__, "{\"id\":-1,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}"},
        {__LINE__, "{\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}"},
        {__LINE__, "{\"id\":1,\"enable\":2,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}"},
        {__LINE__, "{\"id\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":80}"},
        {__LINE__, "{\"id\":1,\"enable\":1,\"ipAddr\":\"\",\"managePort\":80}"},
        {__LINE__, "{\"id\":1,\"enable\":1,\"ipAddr\":7,\"managePort\":80}"},
        {__LINE__, "{\"id\":1,\"enable\":1,\"ipAddr\":\"1.2.3.4\",\"managePort\":-1}"},
        {__LINE__, "{\"id\":1,\"enable\":1,\"ipAddr\":\"1.2.3.4\"}"},
        {__LINE__, "{\"id\":1,"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json("/3304", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(request_codes().empty());
    EXPECT_STREQ(camera(1).ipAddr, "");
}

}  // namespace
