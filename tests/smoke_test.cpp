// Smoke test of the real stack: lighttpd with the development server's configuration, nvrsimd
// and nvrweb.cgi, spoken to over HTTP on a loopback port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/nvr_wire.h"
#include "tests/harness.h"

namespace {

int free_loopback_port() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &length);
    close(fd);
    return ntohs(addr.sin_port);
}

std::string http(int port, const std::string &request) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        close(fd);
        return "";
    }
    wire_write_full(fd, request.data(), request.size());
    std::string response;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) response.append(buffer, static_cast<size_t>(n));
    close(fd);
    return response;
}

pid_t spawn(const std::vector<std::string> &args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv;
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

class SmokeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (access("/usr/sbin/lighttpd", X_OK) != 0) GTEST_SKIP() << "lighttpd is not installed";
        port = free_loopback_port();
        std::string conf = root.at("/lighttpd.conf");
        std::string command = std::string(NVR_SOURCE_DIR) + "/scripts/lighttpd-conf.sh '" + root.path() + "' " +
                              std::to_string(port) + " '" + NVR_CGI_PATH + "' > '" + conf + "'";
        ASSERT_EQ(system(command.c_str()), 0);
        // A device root as the development server makes it: factory databases and an administrator.
        std::string nvrdb = std::string(NVR_BIN_DIR) + "/nvrdb --root '" + root.path() + "' ";
        ASSERT_EQ(system((nvrdb + "init").c_str()), 0);
        ASSERT_EQ(system((nvrdb + "user add admin --password 's3cret;$x' --type 0 >/dev/null").c_str()), 0);
        simd = spawn({std::string(NVR_BIN_DIR) + "/nvrsimd", "--root", root.path()});
        lighttpd = spawn({"/usr/sbin/lighttpd", "-D", "-f", conf});
        for (int i = 0; i < 100 && http(port, "GET / HTTP/1.0\r\n\r\n").empty(); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void TearDown() override {
        stop(lighttpd);
        stop(simd);
    }

    std::string get(const std::string &route) {
        return http(port, "GET /cgi-bin/nvrweb.cgi" + route + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    }
    std::string post_json(const std::string &route, const std::string &body) {
        return http(port, "POST /cgi-bin/nvrweb.cgi" + route +
                              " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    static std::string body_of(const std::string &response) {
        size_t blank = response.find("\r\n\r\n");
        return blank == std::string::npos ? "" : response.substr(blank + 4);
    }

    DeviceRoot root;
    int port = 0;
    pid_t simd = -1, lighttpd = -1;
};

TEST_F(SmokeTest, RoutesAnswerThroughTheWebServer) {
    std::string dw = get("/dw.cgi");
    EXPECT_NE(dw.find("200 OK"), std::string::npos) << dw;
    EXPECT_NE(dw.find("text/plain"), std::string::npos) << dw;
    EXPECT_EQ(body_of(dw), "NG download");

    std::string deleted = post_json("/6323", "{\"idMask\":3}");
    EXPECT_NE(deleted.find("application/json"), std::string::npos) << deleted;
    EXPECT_EQ(body_of(deleted), "{ \"status\": 0 }");

    // The daemon journal saw the request and its operation-log record.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string journal = root.read_file("/var/log/nvrsimd.jsonl");
    EXPECT_NE(journal.find("\"code\":4014,\"length\":4,\"payload\":\"03000000\""), std::string::npos) << journal;
    EXPECT_NE(journal.find("\"code\":3485,\"length\":672"), std::string::npos) << journal;
}

// The MD5 hex digest of "s3cret;$x", as the login page computes it.
const char kAdminDigest[] = "ce553eaa45125c51b860f160c064a933";

TEST_F(SmokeTest, AdministratorAddsAnAccountLogsInAndListsAccounts) {
    std::string login = body_of(post_json("/1000", std::string("{\"userName\":\"admin\",\"md5\":\"") + kAdminDigest + "\"}"));
    EXPECT_EQ(login.rfind("{ \"type\": 0, \"userName\": \"admin\"", 0), 0u) << login;
    EXPECT_NE(login.find("\"sessionId\""), std::string::npos) << login;

    std::string wrong = body_of(post_json("/1000", "{\"userName\":\"admin\",\"md5\":\"00000000000000000000000000000000\"}"));
    EXPECT_EQ(wrong, "{ \"type\": -1 }");

    std::string added = body_of(post_json("/6071", "{\"name\": \"viewer\", \"password\": "
                                                   "\"abcdefabcdefabcdefabcdefabcdefab\", \"type\": 1, "
                                                   "\"permission\": 2, \"remotePermission\": -1}"));
    EXPECT_EQ(added, "id=1");
    std::string viewer = body_of(post_json("/1000", "{\"userName\":\"viewer\",\"md5\":\"ABCDEFABCDEFABCDEFABCDEFABCDEFAB\"}"));
    EXPECT_EQ(viewer.rfind("{ \"type\": 1, \"userName\": \"viewer\"", 0), 0u) << viewer;

    std::string list = body_of(get("/6070"));
    EXPECT_NE(list.find("\"admin\""), std::string::npos) << list;
    EXPECT_NE(list.find("\"viewer\""), std::string::npos) << list;
}

}  // namespace
