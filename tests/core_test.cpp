// Responses, operation-log records, user name lookup, file utilities and the shell runner.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/json_util.h"
#include "core/oplog.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/cgi_env.h"
#include "platform/devroot.h"
#include "platform/qvcrypt.h"
#include "tests/harness.h"

namespace {

class RootedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("NVR_ROOT", root.path().c_str(), 1);
        nvr_devroot_reset();
    }
    void TearDown() override {
        unsetenv("NVR_ROOT");
        nvr_devroot_reset();
        cgiCookie = cgiEmptyString;
        cgiRemoteAddr = cgiEmptyString;
    }
    DeviceRoot root;
};

TEST(UserName, ComesFromTheUserNameCookiePair) {
    struct Case {
        int line;
        const char *cookie;
        int result;
        std::string name;
    } cases[] = {
        {__LINE__, "sid=1; userName=admin; lang=en", 0, "admin"},
        {__LINE__, "userName=admin", 0, "admin"},
        {__LINE__, "sid=1;userName=a=b", 0, "b"},
        {__LINE__, "lang=en", -1, ""},
        {__LINE__, "a=userName", -1, ""},  // not at the start of a pair: never read past the end
        {__LINE__, "a=userName; userName=bob", 0, "bob"},
        {__LINE__, "userName", 0, ""},
        {__LINE__, "", -1, ""},
    };
    for (const Case &c : cases) {
        cgiCookie = c.cookie;
        char out[64] = "junk";
        EXPECT_EQ(get_current_username(out), c.result) << "line " << c.line;
        EXPECT_EQ(out, c.name) << "line " << c.line;
    }
    std::string long_cookie = "userName=" + std::string(300, 'n');
    cgiCookie = long_cookie.c_str();
    char out[64 + 8];
    memset(out, 'Z', sizeof out);
    EXPECT_EQ(get_current_username(out), 0);
    EXPECT_EQ(strlen(out), 63u);
    EXPECT_EQ(out[64], 'Z');  // nothing written beyond the 64-byte field
    cgiCookie = cgiEmptyString;
    EXPECT_EQ(get_current_username(nullptr), -1);
}

TEST(OperationLog, InitFillsTheFixedFields) {
    std::string addr(60, '1');
    cgiRemoteAddr = addr.c_str();
    cgiCookie = "userName=admin";
    OperationLogRecord record;
    memset(&record, 0x55, sizeof record);
    ASSERT_EQ(cgi_init_log_info(&record), 0);
    EXPECT_EQ(record.main_type, 4);
    EXPECT_EQ(record.remote, 1);
    EXPECT_EQ(record.sub_type, 0);
    EXPECT_EQ(std::string(record.client_addr), std::string(45, '1'));
    EXPECT_STREQ(record.user_name, "admin");
    EXPECT_EQ(record.detail_length, 0);
    EXPECT_EQ(cgi_init_log_info(nullptr), -1);

    int32_t words[3] = {1, 2, 3};
    EXPECT_EQ(qvfs_log_pack_detail(&record, 107, words, sizeof words), 0);
    EXPECT_EQ(record.detail_length, 16);
    int32_t packed[4];
    memcpy(packed, record.detail, sizeof packed);
    EXPECT_EQ(packed[0], 107);
    EXPECT_EQ(packed[3], 3);
    std::string big(2000, 'x');
    EXPECT_EQ(qvfs_log_pack_detail(&record, 1, big.data(), static_cast<int>(big.size())), 0);
    EXPECT_EQ(record.detail_length, 512);  // cut to the block
    cgiCookie = cgiEmptyString;
    cgiRemoteAddr = cgiEmptyString;
}

TEST_F(RootedTest, FilePresenceAndDirectories) {
    root.write_file("/tmp/f", "x");
    symlink(root.at("/tmp").c_str(), root.at("/tmp/link").c_str());
    EXPECT_EQ(IsFileExisted("/tmp/f"), 0);
    EXPECT_EQ(IsFileExisted("/tmp/none"), -1);
    EXPECT_EQ(IsFileExisted(""), -1);
    EXPECT_EQ(IsDirExisted("/tmp"), 0);
    EXPECT_EQ(IsDirExisted("/tmp/f"), -1);
    EXPECT_EQ(IsDirExisted("/tmp/link"), -1);  // a link to a directory is not one
    EXPECT_EQ(IsDirExisted(nullptr), -1);
}

TEST_F(RootedTest, MoveDeleteReadWrite) {
    EXPECT_EQ(qv_wirte_file_data("/tmp/a", "abc\0d", 5), 0);
    int length = -1;
    char *data = qv_get_file_data("/tmp/a", &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, static_cast<size_t>(length)), std::string("abc\0d", 5));
    free(data);
    EXPECT_EQ(qv_get_file_data("/tmp/none", &length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(qv_wirte_file_data("/nodir/x", "a", 1), -1);

    // Names with shell text are names: moved and deleted as they are.
    const char *odd = "/tmp/a b;touch pwned";
    EXPECT_EQ(RemoveFile("/tmp/a", odd), 0);
    EXPECT_TRUE(root.exists(odd));
    EXPECT_FALSE(root.exists("/tmp/a"));
    EXPECT_EQ(DeleteFile(odd), 0);
    EXPECT_FALSE(root.exists(odd));
    EXPECT_TRUE(root.list("/tmp").empty());
    EXPECT_EQ(RemoveFile(nullptr, "/tmp/x"), -1);
    EXPECT_EQ(DeleteFile(nullptr), -1);
}

TEST_F(RootedTest, FileLockSerialisesProcesses) {
    int fd = file_lock("/tmp/cgilockfile");
    ASSERT_GE(fd, 0);
    pid_t child = fork();
    if (child == 0) {
        // The child must wait until the parent unlocks.
        int cfd = file_lock("/tmp/cgilockfile");
        int ok = access(root.at("/tmp/released").c_str(), F_OK) == 0;
        file_unlock(cfd);
        _exit(ok ? 0 : 1);
    }
    usleep(100000);
    root.write_file("/tmp/released", "1");
    EXPECT_EQ(file_unlock(fd), 0);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(file_unlock(-3), -3);
    EXPECT_EQ(file_lock(nullptr), -1);
}

TEST_F(RootedTest, DiagnosticLogLines) {
    EXPECT_EQ(cgi_log("dispatchreq", 62, "", "%s", "hello"), 0);
    cgi_log("x", 1, "f", "%s", std::string(5000, 'm').c_str());
    std::string log = root.read_file("/mnt/nand/cgi_log.txt");
    size_t first_end = log.find('\n');
    std::string first = log.substr(0, first_end);
    EXPECT_EQ(first.rfind("[kelvo debug] ", 0), 0u);
    EXPECT_NE(first.find("  dispatchreq:62 in : hello"), std::string::npos) << first;
    EXPECT_LE(log.size() - first_end - 1, 2047u);
    rmdir(root.at("/mnt/nand/app").c_str());
    chmod(root.at("/mnt/nand").c_str(), 0500);
    if (geteuid() != 0) {
        EXPECT_EQ(cgi_log("x", 1, "", "y"), -1);
    }
    chmod(root.at("/mnt/nand").c_str(), 0755);
}

TEST(Shell, ExitStatusDecidesTheResult) {
    EXPECT_EQ(web_system("true"), 0);
    EXPECT_EQ(web_system("exit 1"), -1);
    EXPECT_EQ(web_system(nullptr), -1);
    const char *ok[] = {"true", nullptr};
    const char *fail[] = {"false", nullptr};
    const char *missing[] = {"no-such-program-nvr", nullptr};
    EXPECT_EQ(web_spawn(ok), 0);
    EXPECT_EQ(web_spawn(fail), -1);
    EXPECT_EQ(web_spawn(missing), -1);
}

TEST(MacAddress, FallsBackForMissingInterfaces) {
    char eth0[18], eth1[18];
    EXPECT_EQ(get_mac_addr(eth0, eth1), 0);
    EXPECT_EQ(strlen(eth0), 17u);
    EXPECT_EQ(strlen(eth1), 17u);
}

TEST(Base64Url, RoundTripsAndRefusesJunk) {
    struct Case {
        int line;
        std::string plain, encoded;
    } cases[] = {
        {__LINE__, "", ""},
        {__LINE__, "f", "Zg"},
        {__LINE__, "fo", "Zm8"},
        {__LINE__, "foo", "Zm9v"},
        {__LINE__, "alarm.wav", "YWxhcm0ud2F2"},
        {__LINE__, "\xfb\xff", "-_8"},
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_EQ(base64EncodeUrl(reinterpret_cast<const unsigned char *>(c.plain.data()),
                                  static_cast<int>(c.plain.size()), out, sizeof out),
                  static_cast<int>(c.encoded.size()))
            << "line " << c.line;
        EXPECT_EQ(out, c.encoded) << "line " << c.line;
        unsigned char back[64];
        EXPECT_EQ(base64DecodeUrl(c.encoded.c_str(), back, sizeof back), static_cast<int>(c.plain.size()));
        EXPECT_EQ(std::string(reinterpret_cast<char *>(back), c.plain.size()), c.plain) << "line " << c.line;
    }
    unsigned char back[8];
    EXPECT_EQ(base64DecodeUrl("a$b", back, sizeof back), -1);
    EXPECT_EQ(base64DecodeUrl("a", back, sizeof back), -1);
    EXPECT_EQ(base64DecodeUrl("Zm9vZm9vZm9v", back, 4), -1);  // does not fit
    char small[4];
    EXPECT_EQ(base64EncodeUrl(reinterpret_cast<const unsigned char *>("foo"), 3, small, sizeof small), -1);
}

TEST(JsonAccess, WrongTypesCountAsMissing) {
    JsonRef request(get_request_tokener_json_object(
        "{\"i\":5,\"s\":\"12\",\"t\":\"x1\",\"a\":[1],\"o\":{},\"b\":true,\"n\":null,\"big\":\"99999999999\"}"));
    ASSERT_TRUE(request);
    struct Case {
        int line;
        const char *key;
        int result, value;
    } cases[] = {
        {__LINE__, "i", 0, 5},   {__LINE__, "s", 0, 12},  {__LINE__, "t", -1, 0},  {__LINE__, "a", -1, 0},
        {__LINE__, "o", -1, 0},  {__LINE__, "b", 0, 1},   {__LINE__, "n", -1, 0},  {__LINE__, "big", -1, 0},
        {__LINE__, "none", -1, 0},
    };
    for (const Case &c : cases) {
        int value = 0;
        EXPECT_EQ(on_cgi_get_int_from_json(request, c.key, &value), c.result) << "line " << c.line;
        EXPECT_EQ(value, c.value) << "line " << c.line;
    }
    char text[4];
    EXPECT_EQ(on_cgi_get_string_from_json(request, "t", text, sizeof text), 0);
    EXPECT_STREQ(text, "x1");
    EXPECT_EQ(on_cgi_get_string_from_json(request, "i", text, sizeof text), -1);
    EXPECT_EQ(get_request_tokener_json_object("[1,2]"), nullptr);
    EXPECT_EQ(get_request_tokener_json_object("{bad"), nullptr);
    EXPECT_EQ(get_request_tokener_json_object(nullptr), nullptr);
    int value = 0;
    EXPECT_EQ(on_cgi_get_value_by_json("{\"k\":3}", "k", &value), 0);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(on_cgi_get_value_by_json("{\"k\":", "k", &value), -1);
}

TEST(CommonReplyHandlers, AnswerOnceWithTheirTexts) {
    testing::internal::CaptureStdout();
    int32_t status = -3;
    EXPECT_EQ(on_cgi_common_json_cb(0, &status), -1);  // an empty reply is not answered here
    on_cgi_common_json_cb(1, &status);
    on_cgi_common_text_cb(0, -1, nullptr);
    on_cgi_common_text_cb(0, 0, "YWxhcm0ud2F2");
    on_cgi_common_text_cb(0, 0, std::string(400, 'd').c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Content-type: application/json\r\n\r\n{ \"status\": -3 }Content-type", 0), 0u);
    EXPECT_NE(out.find("\r\n\r\nCGI ERROR status:[-1]Content-type"), std::string::npos);
    EXPECT_NE(out.find("\r\n\r\nCGI OK status:[0], data:[YWxhcm0ud2F2]"), std::string::npos);
    size_t last = out.rfind("\r\n\r\n");
    EXPECT_EQ(out.size() - last - 4, 255u);  // cut within the 256-byte text
}

TEST(Responses, KindsAndNullText) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(cgi_writeback_webserver(0, "a%sb"), 0);
    EXPECT_EQ(cgi_writeback_webserver(1, "{}"), 0);
    EXPECT_EQ(cgi_writeback_webserver(5, "raw"), 0);
    EXPECT_EQ(cgi_writeback_webserver(0, nullptr), -1);
    cgi_error_to_webserver(0);
    cgi_error_to_webserver(1);
    cgi_error_to_webserver(2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Content-type: text/plain\r\n\r\na%sb"
              "Content-type: application/json\r\n\r\n{}"
              "raw"
              "Content-type: text/plain\r\n\r\nCGI ERROR"
              "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}");
}

TEST(DeviceRootPaths, MapDevicePathsOnly) {
    setenv("NVR_ROOT", "/r/x/", 1);
    setenv("NVR_TIME_DIVISOR", "abc", 1);
    nvr_devroot_reset();
    EXPECT_EQ(nvr_path("/tmp/a"), "/r/x/tmp/a");
    EXPECT_EQ(nvr_path("/mnt/nand/app/qvdb.db"), "/r/x/mnt/nand/app/qvdb.db");
    EXPECT_EQ(nvr_path("/bin/mv"), "/bin/mv");
    EXPECT_EQ(nvr_path("/usr/bin/unzip"), "/usr/bin/unzip");
    EXPECT_EQ(nvr_path("/proc/net/dev"), "/proc/net/dev");
    EXPECT_EQ(nvr_path("/binx"), "/r/x/binx");
    EXPECT_EQ(nvr_path("rel"), "rel");
    EXPECT_EQ(nvr_path("/r/x/tmp/a"), "/r/x/tmp/a");
    EXPECT_EQ(nvr_device_path("/r/x/tmp/a"), "/tmp/a");
    EXPECT_EQ(nvr_time_divisor(), 1);
    setenv("NVR_TIME_DIVISOR", "0", 1);
    nvr_devroot_reset();
    EXPECT_EQ(nvr_time_divisor(), 1);
    setenv("NVR_TIME_DIVISOR", "50", 1);
    nvr_devroot_reset();
    EXPECT_EQ(nvr_time_divisor(), 50);
    unsetenv("NVR_ROOT");
    unsetenv("NVR_TIME_DIVISOR");
    nvr_devroot_reset();
    EXPECT_EQ(nvr_path("/tmp/a"), "/tmp/a");
}

}  // namespace
