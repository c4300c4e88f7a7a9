// Daemon channel in-process: sends, waits, limits, stray replies and the wire protocol.
#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/ipc.h"
#include "platform/devroot.h"
#include "tests/harness.h"

namespace {

std::atomic<int> g_dispatched{0};
std::atomic<int> g_last_code{0};
std::atomic<int> g_last_length{-1};

// Answers every listed reply by setting the flag, as a reply handler does.
int counting_dispatcher(int, const MessageHeader *header, const void *payload) {
    g_dispatched++;
    g_last_code = header->code;
    g_last_length = header->length;
    if (payload || header->length == 0) cgi_reply_done();
    return 0;
}

class IpcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("NVR_ROOT", root.path().c_str(), 1);
        setenv("NVR_TIME_DIVISOR", "200", 1);
        nvr_devroot_reset();
        g_dispatched = 0;
        g_last_code = 0;
        g_last_length = -1;
        ASSERT_TRUE(daemon.start(root.at("/var/run/qvsocket")));
    }
    void TearDown() override {
        cgi_stop_ipc();
        daemon.stop();
        unsetenv("NVR_ROOT");
        unsetenv("NVR_TIME_DIVISOR");
        nvr_devroot_reset();
    }
    DeviceRoot root;
    SimDaemon daemon;
};

TEST(IpcWaitLimits, FollowTheCodeTable) {
    struct Case {
        int line;
        int code;
        int polls;
    } cases[] = {
        {__LINE__, 3400, 1000}, {__LINE__, 3700, 1500},  {__LINE__, 3702, 1500},  {__LINE__, 1153, 3000},
        {__LINE__, 3535, 3000}, {__LINE__, 1713, 6000},  {__LINE__, 3528, 6000},  {__LINE__, 3494, 15000},
        {__LINE__, 3230, 15000}, {__LINE__, 3379, 30000}, {__LINE__, -1, 1000},
    };
    for (const Case &c : cases) EXPECT_EQ(cgi_ipc_wait_polls(c.code), c.polls) << "line " << c.line;
}

TEST_F(IpcTest, NullDispatcherSendsNothing) {
    EXPECT_EQ(cgi_start_ipc(nullptr, 4014, 0, nullptr, 1), -1);
    cgi_stop_ipc();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(IpcTest, ReplyEndsTheWaitWithPayloadAndLength) {
    daemon.script(4014, {SimStep{0, -1, le_words({7, 8})}});
    int32_t mask = 3;
    EXPECT_EQ(cgi_start_ipc(counting_dispatcher, 4014, 4, &mask, 0), 0);
    EXPECT_EQ(g_callback_done.load(), 1);
    EXPECT_EQ(g_last_code.load(), 9014);
    EXPECT_EQ(g_last_length.load(), 8);
    cgi_stop_ipc();
    auto sent = daemon.requests_with_code(4014);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].payload, le_words({3}));
}

TEST_F(IpcTest, NowaitDoesNotWaitAndTwoIsNotNowait) {
    daemon.script(4014, {SimStep{300, -1, le_words({0})}});
    auto start = std::chrono::steady_clock::now();
    cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(g_callback_done.load(), 0);
    cgi_stop_ipc();
    // nowait 2 waits like 0: the delayed reply arrives within the 1000 polls (200 ms here).
    daemon.script(4014, {SimStep{50, -1, le_words({0})}});
    cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 2);
    EXPECT_EQ(g_callback_done.load(), 1);
    cgi_stop_ipc();
}

TEST_F(IpcTest, SilentDaemonTimesOutAndLateReplyIsDropped) {
    // Well after the 200 ms wait, which a loaded machine may stretch by its oversleeping.
    daemon.script(4016, {SimStep{1500, -1, le_words({0})}});
    cgi_start_ipc(counting_dispatcher, 4016, 0, nullptr, 0);
    EXPECT_EQ(g_callback_done.load(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
    EXPECT_EQ(g_dispatched.load(), 0);  // the wait had closed: no second answer
    cgi_stop_ipc();
}

TEST_F(IpcTest, ReplyToANoticeIsNotDispatched) {
    // The whole 10 ms send pause, in which the daemon's immediate reply arrives.
    setenv("NVR_TIME_DIVISOR", "1", 1);
    nvr_devroot_reset();
    daemon.script(4014, {SimStep{0, -1, le_words({0})}});
    cgi_notify_daemon(counting_dispatcher, 4014, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(g_dispatched.load(), 0);
    setenv("NVR_TIME_DIVISOR", "200", 1);
    nvr_devroot_reset();
    EXPECT_EQ(daemon.requests_with_code(4014).size(), 1u);
}

TEST_F(IpcTest, SecondReplyIsNotDispatched) {
    daemon.script(4014, {SimStep{0, -1, le_words({0})}, SimStep{0, -1, le_words({1})}});
    cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cgi_stop_ipc();
    EXPECT_EQ(g_dispatched.load(), 1);
}

TEST_F(IpcTest, SeveralRequestsWithAndWithoutStop) {
    for (int i = 0; i < 3; i++) {
        cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 0);
        EXPECT_EQ(g_callback_done.load(), 1) << i;
        if (i != 1) cgi_stop_ipc();  // the second start follows without a stop
    }
    EXPECT_EQ(daemon.requests_with_code(4014).size(), 3u);
    // The dispatcher sees the reply code the daemon sent, listed or not.
    daemon.script(4015, {SimStep{0, 9014, le_words({0})}});
    cgi_start_ipc(counting_dispatcher, 4015, 0, nullptr, 0);
    EXPECT_EQ(g_last_code.load(), 9014);
    cgi_stop_ipc();
}

TEST_F(IpcTest, NoticesThenAWaitingRequestOnOneChannel) {
    // A notice large enough to go out in several writes arrives whole and in order.
    Bytes big(1 << 20);
    for (size_t i = 0; i < big.size(); i++) big[i] = static_cast<uint8_t>(i * 7 + i / 251);
    cgi_start_ipc(counting_dispatcher, 4017, static_cast<int>(big.size()), big.data(), 1);
    // Without a stop in between, the request that waits gets its reply.
    daemon.script(4014, {SimStep{0, -1, le_words({0})}});
    cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 0);
    EXPECT_EQ(g_callback_done.load(), 1);
    EXPECT_EQ(g_last_code.load(), 9014);
    cgi_stop_ipc();
    auto sent = daemon.requests_with_code(4017);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].payload == big);
    EXPECT_EQ(daemon.requests_with_code(4014).size(), 1u);
}

// A peer of our own making in the daemon's place: its listening socket, or -1.
int listen_as_daemon(const DeviceRoot &root) {
    std::string path = root.at("/var/run/qvsocket");
    unlink(path.c_str());
    int listen_fd = socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (bind(listen_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(listen_fd, 1) != 0) {
        close(listen_fd);
        return -1;
    }
    return listen_fd;
}

// A daemon that answers a notice at once, then reads on once the channel has closed.
void answer_the_notice_then_read(int listen_fd, int *read_result, int *read_errno) {
    int fd = accept(listen_fd, nullptr, nullptr);
    MessageHeader request;
    if (wire_read_full(fd, &request, sizeof request)) {
        MessageHeader reply = request;
        reply.code = request.code + 5000;
        reply.length = 4;
        wire_write_full(fd, &reply, sizeof reply);
        wire_write_full(fd, "\0\0\0\0", 4);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    char byte;
    *read_result = static_cast<int>(read(fd, &byte, 1));
    *read_errno = errno;
    close(fd);
}

TEST_F(IpcTest, ANoticesReplyLeftUnreadStillEndsTheDaemonsStreamCleanly) {
    daemon.stop();
    setenv("NVR_TIME_DIVISOR", "1", 1);  // the whole send pause, in which the reply arrives
    nvr_devroot_reset();
    int listen_fd = listen_as_daemon(root);
    ASSERT_GE(listen_fd, 0);
    int result = -2, error = 0;
    std::thread peer(answer_the_notice_then_read, listen_fd, &result, &error);
    cgi_notify_daemon(counting_dispatcher, 4014, nullptr, 0);
    peer.join();
    close(listen_fd);
    EXPECT_EQ(result, 0) << "the daemon reads " << strerror(error) << " instead of the end of the stream";
    EXPECT_EQ(g_dispatched.load(), 0);
}

TEST_F(IpcTest, AbsentDaemonGivesUpWithoutAnswer) {
    daemon.stop();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 0), 0);
    EXPECT_EQ(g_callback_done.load(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    cgi_stop_ipc();
    // The daemon coming back is found by the next request.
    ASSERT_TRUE(daemon.start(root.at("/var/run/qvsocket")));
    cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 0);
    EXPECT_EQ(g_callback_done.load(), 1);
}

// A peer that answers the first request with a frame of its own making.
void serve_one_raw_reply(int listen_fd, MessageHeader reply, Bytes payload) {
    int fd = accept(listen_fd, nullptr, nullptr);
    MessageHeader request;
    if (wire_read_full(fd, &request, sizeof request)) {
        Bytes body(static_cast<size_t>(request.length));
        wire_read_full(fd, body.data(), body.size());
        reply.sequence = request.sequence;
        wire_write_full(fd, &reply, sizeof reply);
        wire_write_full(fd, payload.data(), payload.size());
        // A valid frame after the bad one must not be dispatched either: the connection is gone.
        MessageHeader good = reply;
        good.magic = kWireMagic;
        good.version = 1;
        good.header_size = 32;
        good.length = 4;
        wire_write_full(fd, &good, sizeof good);
        wire_write_full(fd, "\0\0\0\0", 4);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    close(fd);
}

TEST_F(IpcTest, MalformedFramesDropTheConnection) {
    daemon.stop();
    struct Case {
        int line;
        uint32_t magic;
        uint16_t version, header_size;
        int32_t length;
    } cases[] = {
        {__LINE__, 0x12345678, 1, 32, 4},
        {__LINE__, kWireMagic, 2, 32, 4},
        {__LINE__, kWireMagic, 1, 28, 4},
        {__LINE__, kWireMagic, 1, 32, -4},
        {__LINE__, kWireMagic, 1, 32, kWireMaxPayload + 1},
    };
    for (const Case &c : cases) {
        int listen_fd = listen_as_daemon(root);
        ASSERT_GE(listen_fd, 0);
        MessageHeader bad = {};
        bad.magic = c.magic;
        bad.version = c.version;
        bad.header_size = c.header_size;
        bad.code = 9014;
        bad.length = c.length;
        std::thread peer(serve_one_raw_reply, listen_fd, bad, Bytes(4, 0));
        g_dispatched = 0;
        cgi_start_ipc(counting_dispatcher, 4014, 0, nullptr, 0);
        cgi_stop_ipc();
        peer.join();
        close(listen_fd);
        EXPECT_EQ(g_dispatched.load(), 0) << "line " << c.line;
    }
}

}  // namespace
