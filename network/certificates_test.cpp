// HTTPS certificate and time routes, end to end: files and their modes beneath the device root.
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "network/network_test_support.h"

namespace {

class CertificatesTest : public NetworkRouteTest {
  protected:
    void SetUp() override {
        NetworkRouteTest::SetUp();
        env["PATH"] = path_with(recording_standin(root, "qvprofile"));
    }
    int mode_of(const std::string &device_path) {
        struct stat st;
        return lstat(root.at(device_path).c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
    }
    CgiResult install(const std::string &argument) { return post_json("/7084", argument); }
};

const char kSelfSigned[] = R"({"InstallType":0,"Validity":30,"startTime":"2025-01-01","endTime":"2025-01-31",)"
                           R"("Country":"DEU","CommonName":"nvr.example.com","Password":"0123456789abcdefXYZ",)"
                           R"("Province":"Berlin","Region":"Mitte","Organization":"Acme","Company":"Video",)"
                           R"("Email":"ops@example.com"})";

TEST_F(CertificatesTest, SelfSignedCertificateIsMadeAndShown) {
    JsonRef before(parse_answer(get("/7081").body));
    EXPECT_EQ(answer_keys(before), (std::vector<std::string>{"enable", "checkfile"}));
    EXPECT_EQ(json_text(before, "checkfile"), "NOFILE");

    root.write_file("/mnt/nand/ssl/demoCA/stale", "x");
    EXPECT_EQ(post_json("/7080", kSelfSigned).body, "OK");
    Bytes params = sent(3316, 1)[0].payload;
    ASSERT_EQ(params.size(), 892u);
    EXPECT_EQ(payload_i32(params, 0), 0);
    EXPECT_EQ(payload_text(params, 4, 3), "DE");
    EXPECT_EQ(payload_text(params, 7, 64), "nvr.example.com");
    EXPECT_EQ(payload_i32(params, 72), 30);
    EXPECT_EQ(payload_text(params, 76, 16), "0123456789abcde");
    EXPECT_EQ(payload_text(params, 156, 64), "Mitte");
    EXPECT_EQ(payload_text(params, 348, 64), "ops@example.com");
    EXPECT_EQ(payload_text(params, 860, 16), "2025-01-01");
    EXPECT_EQ(payload_text(params, 876, 16), "2025-01-31");

    // The CA folder, made anew and private.
    EXPECT_FALSE(root.exists("/mnt/nand/ssl/demoCA/stale"));
    EXPECT_EQ(mode_of("/mnt/nand/ssl"), 0700);
    EXPECT_EQ(mode_of("/mnt/nand/ssl/demoCA"), 0700);
    EXPECT_EQ(mode_of("/mnt/nand/ssl/demoCA/newcerts"), 0700);
    EXPECT_EQ(mode_of("/mnt/nand/ssl/demoCA/index.txt"), 0600);
    EXPECT_EQ(mode_of("/mnt/nand/ssl/demoCA/serial"), 0600);
    EXPECT_EQ(root.read_file("/mnt/nand/ssl/demoCA/serial"), "01\n");
    EXPECT_EQ(mode_of("/mnt/nand/ssl/ssl_cert.pem"), 0600);
    EXPECT_EQ(mode_of("/mnt/nand/ssl/ssl_key.pem"), 0600);

    set_param("httpsenable", "1");
    JsonRef shown(parse_answer(get("/7081").body));
    EXPECT_EQ(answer_keys(shown),
              (std::vector<std::string>{"enable", "checkfile", "country", "common_name", "email", "dates"}));
    EXPECT_EQ(json_int(shown, "enable"), 1);
    EXPECT_EQ(json_text(shown, "checkfile"), "OK");
    EXPECT_EQ(json_text(shown, "country"), "DE");
    EXPECT_EQ(json_text(shown, "common_name"), "nvr.example.com");
    EXPECT_EQ(json_text(shown, "email"), "ops@example.com");
    char today[16];
    time_t now = time(nullptr);
    strftime(today, sizeof today, "%Y-%m-%d", gmtime(&now));
    EXPECT_EQ(json_text(shown, "dates").substr(0, 10), today);

    // Removed by hand: shown as missing, and HTTPS is switched off.
    unlink(root.at("/mnt/nand/ssl/ssl_cert.pem").c_str());
    EXPECT_EQ(json_text(JsonRef(parse_answer(get("/7081").body)), "checkfile"), "NOFILE");
    EXPECT_EQ(param("httpsenable"), "0");

    daemon.script(3316, SimScript());
    EXPECT_EQ(post_json_waiting_less(root, "/7080", kSelfSigned).body, "CGI ERROR");
    daemon.script(3316, sim_one_reply(Bytes{0, 0}));
    EXPECT_EQ(post_json_waiting_less(root, "/7080", kSelfSigned).body, "CGI ERROR");
    EXPECT_EQ(post_json("/7080", "{").output, "");
}

TEST_F(CertificatesTest, SigningRequestIsShownDownloadedAndDeletedByTheDaemon) {
    EXPECT_EQ(json_text(JsonRef(parse_answer(get("/7089").body)), "checkfile"), "NOFILE");
    EXPECT_EQ(get("/7082").body, "NotFile");
    EXPECT_EQ(post_json("/7080", R"({"InstallType":1,"Validity":30,"startTime":"x","Country":"FR","CommonName":"cam"})").body,
              "OK");
    Bytes params = sent(3316, 1)[0].payload;
    EXPECT_EQ(payload_i32(params, 72), 0);  // validity and times only for a self-signed certificate
    EXPECT_EQ(payload_text(params, 860, 16), "");

    JsonRef shown(parse_answer(get("/7089").body));
    EXPECT_EQ(answer_keys(shown), (std::vector<std::string>{"checkfile", "country_req", "common_name_req", "email_req"}));
    EXPECT_EQ(json_text(shown, "country_req"), "FR");
    EXPECT_EQ(json_text(shown, "common_name_req"), "cam");

    CgiResult download = get("/7082");
    EXPECT_EQ(download.headers,
              "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= ssl_cert.csr\r\n\r\n");
    EXPECT_EQ(download.body, root.read_file("/mnt/nand/ssl/tmp/ssl_cert.csr"));
    EXPECT_EQ(download.body.rfind("-----BEGIN CERTIFICATE REQUEST-----", 0), 0u);

    EXPECT_EQ(get("/7083").body, "OK");
    EXPECT_TRUE(sent(3317, 1)[0].payload.empty());
}

TEST_F(CertificatesTest, InstallSavesTheOldCertificateAndMovesTheUpload) {
    root.write_file("/mnt/nand/ssl/ssl_cert.pem", "old certificate");
    CgiResult result = run(upload_request("/7084", "signed.pem", "new certificate"));
    EXPECT_EQ(result.body, "OK");
    EXPECT_EQ(root.read_file("/standin/qvprofile.args"), "-i\n" + root.at("/tmp/signed.pem") + "\n");
    EXPECT_EQ(root.read_file("/mnt/nand/ssl/ssl_cert.pem"), "new certificate");
    EXPECT_EQ(root.read_file("/mnt/nand/ssl/ssl_cert_save.pem"), "old certificate");
    EXPECT_EQ(mode_of("/mnt/nand/ssl/ssl_cert.pem"), 0600);
    EXPECT_EQ(mode_of("/mnt/nand/ssl/ssl_cert_save.pem"), 0600);
    EXPECT_FALSE(root.exists("/tmp/signed.pem"));
    EXPECT_TRUE(sent(3318, 1)[0].payload.empty());

    // The daemon refusing it answers "Error"; the new file stays installed.
    daemon.script(3318, sim_one_reply(sim_words({0})));
    root.write_file("/tmp/second.pem", "second certificate");
    EXPECT_EQ(install("/tmp/second.pem").body, "Error");
    EXPECT_EQ(root.read_file("/mnt/nand/ssl/ssl_cert.pem"), "second certificate");
    daemon.script(3318, sim_one_reply(Bytes{1, 0, 0}));
    root.write_file("/tmp/third.pem", "third");
    EXPECT_EQ(post_json_waiting_less(root, "/7084", "/tmp/third.pem").body, "CGI ERROR");

    // A folder missing is made private; a name with shell text is only a name.
    daemon.clear_script(3318);
    for (const char *file : {"/mnt/nand/ssl/ssl_cert.pem", "/mnt/nand/ssl/ssl_cert_save.pem"}) unlink(root.at(file).c_str());
    ASSERT_EQ(rmdir(root.at("/mnt/nand/ssl").c_str()), 0);
    EXPECT_EQ(run(upload_request("/7084", "a;touch pwned;$(touch pwned2).pem", "fourth")).body, "OK");
    EXPECT_EQ(mode_of("/mnt/nand/ssl"), 0700);
    EXPECT_EQ(root.read_file("/mnt/nand/ssl/ssl_cert.pem"), "fourth");
    EXPECT_FALSE(root.exists("/mnt/nand/ssl/ssl_cert_save.pem"));
    EXPECT_EQ(access("pwned", F_OK), -1);
    EXPECT_EQ(access("pwned2", F_OK), -1);
}

TEST_F(CertificatesTest, InstallRefusesPathsOutsideTheUploadFolder) {
    root.write_file("/mnt/nand/ssl/ssl_cert.pem", "kept");
    root.write_file("/mnt/nand/secret.pem", "secret");
    root.write_file("/tmp/folder/inner", "x");
    symlink(root.at("/mnt/nand/secret.pem").c_str(), root.at("/tmp/link.pem").c_str());
    symlink("/etc/hostname", root.at("/tmp/system.pem").c_str());
    struct Case {
        int line;
        std::string argument;
    } refused[] = {
        {__LINE__, ""},
        {__LINE__, "/tmp/missing.pem"},
        {__LINE__, "/tmp/folder"},
        {__LINE__, "/tmp"},
        {__LINE__, "/tmp/link.pem"},
        {__LINE__, "/tmp/system.pem"},
        {__LINE__, "/tmp/../mnt/nand/secret.pem"},
        {__LINE__, "/mnt/nand/secret.pem"},
        {__LINE__, "/etc/hostname"},
        {__LINE__, "tmp/x.pem"},
        {__LINE__, "/tmp/missing.pem & /mnt/nand/secret.pem"},
        {__LINE__, "/tmp/`touch pwned`"},
        {__LINE__, std::string(4000, 'a')},
    };
    for (const Case &c : refused) EXPECT_EQ(install(c.argument).output, "") << "line " << c.line;
    EXPECT_TRUE(sent(3318).empty());
    EXPECT_EQ(root.read_file("/mnt/nand/ssl/ssl_cert.pem"), "kept");
    EXPECT_EQ(root.read_file("/mnt/nand/secret.pem"), "secret");
    EXPECT_FALSE(root.exists("/mnt/nand/ssl/ssl_cert_save.pem"));
    EXPECT_FALSE(root.exists("/standin/qvprofile.args"));

    // The text before " & " is the path; the rest is not read.
    root.write_file("/tmp/signed.pem", "signed");
    EXPECT_EQ(install("/tmp/signed.pem & param").body, "OK");
}

TEST_F(CertificatesTest, InstallFailureIsNotReportedAsSuccess) {
    root.write_file("/mnt/nand/ssl", "a file where the folder belongs");
    root.write_file("/tmp/signed.pem", "signed");
    EXPECT_EQ(install("/tmp/signed.pem").body, "Error");
    EXPECT_TRUE(sent(3318).empty());

    // A profile tool that takes the upload away leaves nothing to install.
    unlink(root.at("/mnt/nand/ssl").c_str());
    env["PATH"] = path_with(install_standin(root, "qvprofile", "rm -f \"$2\"\n"));
    root.write_file("/tmp/signed.pem", "signed");
    EXPECT_EQ(install("/tmp/signed.pem").body, "Error");
    EXPECT_TRUE(sent(3318).empty());
}

TEST_F(CertificatesTest, DeleteAndHttpsSwitch) {
    EXPECT_EQ(post_json("/7086", R"({"httpsenable":1})").body, "NOFILE");
    EXPECT_EQ(param("httpsenable"), "0");
    EXPECT_TRUE(sent(3322).empty());
    EXPECT_EQ(post_json("/7086", R"({"httpsenable":0})").body, "OK");
    for (const char *body : {"{", R"({"enable":1})", R"({"httpsenable":"on"})"})
        EXPECT_EQ(post_json("/7086", body).output, "") << body;

    root.write_file("/mnt/nand/ssl/ssl_cert.pem", "certificate");
    root.write_file("/mnt/nand/ssl/ssl_cert.csr", "top-level request");
    root.write_file("/mnt/nand/ssl/tmp/ssl_cert.csr", "request");
    daemon.clear_requests();
    EXPECT_EQ(post_json("/7086", R"({"httpsenable":1})").body, "OK");
    EXPECT_EQ(sent(3322, 1)[0].payload, le_words({1}));
    EXPECT_EQ(json_int(JsonRef(parse_answer(get("/7087").body)), "enable"), 1);

    daemon.clear_requests();
    EXPECT_EQ(get("/7085").body, "OK");
    EXPECT_FALSE(root.exists("/mnt/nand/ssl/ssl_cert.pem"));
    EXPECT_FALSE(root.exists("/mnt/nand/ssl/ssl_cert.csr"));
    EXPECT_TRUE(root.exists("/mnt/nand/ssl/tmp/ssl_cert.csr"));
    EXPECT_EQ(param("httpsenable"), "0");
    EXPECT_TRUE(sent(3320, 1)[0].payload.empty());
    EXPECT_EQ(sent(3322, 1)[0].payload, le_words({0}));
    qvdb_close_all();
    SslParams cleared;
    memset(&cleared, 0, sizeof cleared);
    ASSERT_EQ(read_ssl_params(QVDB_PATH, &cleared, kSslInstalledCertificate), 0);
    EXPECT_STREQ(cleared.country, " ");
    EXPECT_STREQ(cleared.common_name, " ");
    EXPECT_STREQ(cleared.dates, " ");
}

// ---- time ---------------------------------------------------------------------------------------

using TimeTest = NetworkRouteTest;

std::string time_settings(const std::string &overrides) {
    std::string body = R"({"ntpEnable":0,"dstEnable":1,"timeZone":"GMT+01:00","timeZoneName":"Berlin",)"
                       R"("ntpServer":"ntp.example.com","syncEnable":1,"syncInterval":12,"syncPc":0,)"
                       R"("manualTime":"2024-01-02 03:04:05")";
    return body + (overrides.empty() ? "" : "," + overrides) + "}";
}

TEST_F(TimeTest, TimeInfoShowsTheClockAndTheSettings) {
    CgiResult result = get("/7000");
    JsonRef answer(parse_answer(result.body));
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"dateYear", "dateMon", "dateDay", "dateHour", "dateMin", "dateSec",
                                        "serverTime", "ntpEnable", "dstEnable", "timeZone", "timeZoneName",
                                        "ntpServer", "syncEnable", "syncInterval", "syncPc"}));
    std::string server_time = json_text(answer, "serverTime");
    ASSERT_EQ(server_time.size(), 19u);
    EXPECT_EQ(json_text(answer, "dateYear"), server_time.substr(0, 4));
    EXPECT_EQ(json_text(answer, "dateMon"), server_time.substr(5, 2));
    EXPECT_EQ(json_text(answer, "ntpServer"), "pool.ntp.org");
}

TEST_F(TimeTest, SetTimeSendsTheManualTimeAndAppliesIt) {
    struct Case {
        int line;
        std::string overrides, sent_text;
    } cases[] = {
        {__LINE__, "", "\"2024-01-02 03:04:05\""},
        {__LINE__, R"("failoverMode":2)", ""},
        {__LINE__, R"("ntpEnable":1)", ""},
        {__LINE__, R"("manualTime":")" + std::string(100, '7') + R"(")", "\"" + std::string(30, '7')},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        EXPECT_EQ(post_json("/7001", time_settings(c.overrides)).body, "OK") << "line " << c.line;
        Bytes set_time = sent(1701, 1)[0].payload;
        ASSERT_EQ(set_time.size(), 32u);
        EXPECT_EQ(payload_text(set_time, 0, 32), c.sent_text) << "line " << c.line;
        EXPECT_EQ(set_time[31], 0);
        EXPECT_TRUE(sent(1711, 1)[0].payload.empty()) << "line " << c.line;
        EXPECT_EQ(log_records(1), (std::vector<std::vector<int>>{{4, 225, 900}}));
    }
    JsonRef shown(parse_answer(get("/7000").body));
    EXPECT_EQ(json_text(shown, "timeZoneName"), "Berlin");
    EXPECT_EQ(json_int(shown, "syncInterval"), 12);

    // No reply: "OK" alone, nothing applied.
    daemon.clear_requests();
    daemon.script(1701, SimScript());
    CgiResult silent = post_json_waiting_less(root, "/7001", time_settings(""));
    EXPECT_EQ(silent.output, "Content-type: text/plain\r\n\r\nOK");
    EXPECT_TRUE(sent(1711).empty());

    struct Refused {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, time_settings(R"("dstEnable":2)")},
        {__LINE__, time_settings(R"("ntpEnable":-1)")},
        {__LINE__, R"({"ntpEnable":0,"dstEnable":0,"timeZone":"x","syncEnable":1,"syncInterval":1,"syncPc":0})"},
        {__LINE__, time_settings(R"("timeZone":5)")},
        {__LINE__, time_settings(R"("syncPc":[0])")},
        {__LINE__, "{"},
    };
    for (const Refused &c : refused) EXPECT_EQ(post_json("/7001", c.body).output, "") << "line " << c.line;
    EXPECT_EQ(json_text(JsonRef(parse_answer(get("/7000").body)), "timeZoneName"), "Berlin");
}

}  // namespace
