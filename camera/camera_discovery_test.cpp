// Camera discovery routes end to end: search, address and login checks, network changes of one
// camera and of a batch, with given, short and repeated daemon replies.
#include <gtest/gtest.h>
#include <json-c/json.h>
#include <string.h>

#include <string>
#include <vector>

#include "camera/camera_payloads.h"
#include "camera/camera_test_support.h"

namespace {

using CameraDiscovery = CameraTest;

const char kNetworkBody[] =
    "{\"macAddr\":\"00:1A:2B:3C:4D:02\",\"oldIpcAddr\":\"192.168.1.102\",\"newIpcAddr\":\"192.168.1.150\","
    "\"netmask\":\"255.255.255.0\",\"gateway\":\"192.168.1.1\",\"primaryDNS\":\"8.8.8.8\",\"port\":8000,"
    "\"username\":\"admin\",\"password\":\"pw\",\"protocol\":2,\"netif\":\"eth0\"}";

std::string quoted(const std::string &text) { return "\"" + text + "\""; }

TEST_F(CameraDiscovery, SearchListsWholeEntriesAndHidesNonAsciiNames) {
    EXPECT_EQ(post_json("/2006", "{\"protocol\":8,\"nic\":\"eth0\"}").output, "");
    EXPECT_EQ(post_json("/2006", "{\"nic\":\"eth0\"}").output, "");
    EXPECT_EQ(sent(3200).size(), 0u);

    json_object *found = post_answer("/2006", "{\"protocol\":2,\"nic\":\"eth0\"}");  // the simulated network
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(only(3200), le_words({2}));
    EXPECT_EQ(answer_keys(found), (std::vector<std::string>{"resultString", "IPC"}));
    EXPECT_EQ(json_text(found, "resultString"), "OK");
    ASSERT_EQ(length_at(found, "IPC"), 3u);
    EXPECT_EQ(answer_keys(item_at(found, "IPC", 0)),
              (std::vector<std::string>{"ipAddr", "managePort", "protocol", "macAddr", "vendor", "sn", "fwVersion",
                                        "model", "modelId", "netmask", "dns", "gateway", "netif", "active_status",
                                        "name", "snReal"}));

    CameraSearchEntry entry;
    memset(&entry, 0, sizeof entry);
    strcpy(entry.ipAddr, "10.1.1.1");
    strcpy(entry.name, "Caf\xc3\xa9");
    memset(entry.netif, 'e', sizeof entry.netif);  // unterminated: read within its 8 bytes
    reply_with(3200, bytes_of(entry) + Bytes(759, 0));
    found = post_answer("/2006", "{\"protocol\":0}");
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(length_at(found, "IPC"), 1u);
    EXPECT_EQ(json_text(item_at(found, "IPC", 0), "name"), "");
    EXPECT_EQ(json_text(item_at(found, "IPC", 0), "netif"), "eeeeeeee");

    reply_with(3200, le_words({0}));
    EXPECT_EQ(post_json("/2006", "{\"protocol\":0}").output,
              std::string(kJsonHeader) + "{ \"resultString\": \"NO\", \"IPC\": [ ] }");
}

TEST_F(CameraDiscovery, ChecksSendTheirLayoutsAndAnswerOnce) {
    std::string body = "{\"ipAddr\":" + quoted(std::string(40, '9')) + ",\"managePort\":0,\"userName\":\"admin\","
                       "\"password\":" + quoted(std::string(50, 'p')) + ",\"camProtocol\":2}";
    ASSERT_EQ(post_json("/2014", body).output, kOk);
    Bytes check = only(3202);
    ASSERT_EQ(check.size(), 212u);
    EXPECT_EQ(payload_text(check, 0, 32), std::string(31, '9'));
    EXPECT_EQ(payload_i32(check, 32), 0);
    EXPECT_EQ(payload_text(check, 36, 64), "admin");
    EXPECT_EQ(payload_text(check, 100, 33), std::string(32, 'p'));
    EXPECT_EQ(payload_i32(check, 136), 2);
    EXPECT_EQ(Bytes(check.begin() + 140, check.end()), Bytes(72, 0));

    ASSERT_EQ(post_json("/2015", body).output, kOk);
    Bytes port_check = only(3227);
    ASSERT_EQ(port_check.size(), 148u);
    EXPECT_EQ(payload_i32(port_check, 0), 0);
    EXPECT_EQ(payload_text(port_check, 4, 32), std::string(31, '9'));
    EXPECT_EQ(payload_i32(port_check, 36), 80);  // raised to 80
    EXPECT_EQ(payload_text(port_check, 104, 33), std::string(32, 'p'));
    EXPECT_EQ(payload_i32(port_check, 140), 2);
    daemon.clear_requests();
    ASSERT_EQ(post_json("/2015", json_with(body, "managePort", "8000")).output, kOk);
    EXPECT_EQ(payload_i32(only(3227), 36), 8000);

    struct Result {
        int line;
        int32_t result;
        const char *text;
    } results[] = {
        {__LINE__, 0, "OK"},           {__LINE__, 4, "OK"},        {__LINE__, 1, "NETWORKERROR"},
        {__LINE__, 2, "USERERROR"},    {__LINE__, 5, "BANDWIDTHERROR"}, {__LINE__, 3, "UNKOWNERROR"},
        {__LINE__, -1, "UNKOWNERROR"},
    };
    for (const Result &r : results) {
        reply_with(3202, le_words({r.result}));
        EXPECT_EQ(post_json("/2014", body).output, std::string("Content-type: text/plain\r\n\r\n") + r.text)
            << "line " << r.line;
    }
    // Two replies: the first answers, the second is dropped.
    daemon.script(3227, SimScript{SimStep{0, -1, le_words({1})}, SimStep{0, -1, le_words({0})}});
    EXPECT_EQ(post_json("/2015", body).output, "Content-type: text/plain\r\n\r\nNETWORKERROR");
    // A reply too short for its word is no reply: the wait ends in the text error.
    reply_with(3202, Bytes{0, 0});
    EXPECT_EQ(post_json_waiting_less(root, "/2014", body).output, kTextError);
}

TEST_F(CameraDiscovery, OneCameraNetworkChangeNeedsEveryKey) {
    struct Refusal {
        int line;
        std::string body;
    } refusals[] = {
        {__LINE__, json_with(kNetworkBody, "netif", "")},
        {__LINE__, json_with(kNetworkBody, "macAddr", "12")},
        {__LINE__, json_with(kNetworkBody, "port", "")},
        {__LINE__, json_with(kNetworkBody, "port", "65537")},
        {__LINE__, json_with(kNetworkBody, "protocol", "8")},
        {__LINE__, json_with(kNetworkBody, "protocol", "-1")},
        {__LINE__, "{"},
    };
    for (const Refusal &r : refusals) EXPECT_EQ(post_json("/2011", r.body).output, "") << "line " << r.line;
    EXPECT_EQ(sent(3205).size(), 0u);

    reply_with(3205, le_words({4}));
    std::string body = json_with(json_with(kNetworkBody, "port", "65536"), "netif", quoted("eth0-long-name"));
    EXPECT_EQ(post_json("/2011", body).output, std::string(kJsonHeader) + "{ \"resultString\": \"PROTO_NOT_SUPPORT\" }");
    Bytes change = only(3205);
    ASSERT_EQ(change.size(), 388u);
    EXPECT_EQ(payload_text(change, 0, 48), "00:1A:2B:3C:4D:02");
    EXPECT_EQ(payload_text(change, 48, 32), "192.168.1.102");
    EXPECT_EQ(payload_text(change, 80, 32), "192.168.1.150");
    EXPECT_EQ(payload_text(change, 176, 32), "8.8.8.8");
    EXPECT_EQ(payload_i32(change, 208), 65536);
    EXPECT_EQ(payload_text(change, 212, 64), "admin");
    EXPECT_EQ(payload_i32(change, 312), 2);
    EXPECT_EQ(payload_text(change, 380, 6), "eth0-");

    struct Answer {
        int32_t result;
        const char *word;
    } answers[] = {{0, "OK"}, {1, "NETWORK_ERR"}, {2, "INVALID_USER"}, {3, "UNKNOWN_ERR"}, {9, "ERROR"}};
    for (const Answer &a : answers) {
        reply_with(3205, le_words({a.result}));
        json_object *result = post_answer("/2011", kNetworkBody);
        ASSERT_NE(result, nullptr) << a.result;
        EXPECT_EQ(json_text(result, "resultString"), a.word);
    }
}

TEST_F(CameraDiscovery, BatchChangeSendsOnlyTheValidItems) {
    std::string item = json_with(json_with(kNetworkBody, "channelId", "4"), "modifynum", "2");
    std::string items = "[" + item + ",7," + json_with(item, "channelId", "5") + "]";
    struct Case {
        int line;
        std::string body;
        std::vector<int32_t> channels;
    } cases[] = {
        {__LINE__, "{\"cnt\":5,\"oIPCAddr\":" + items + "}", {4, 5}},
        {__LINE__, "{\"cnt\":1,\"oIPCAddr\":" + items + "}", {4}},
        {__LINE__, "{\"cnt\":2,\"oIPCAddr\":" + items + "}", {4}},
        {__LINE__, "{\"cnt\":-1,\"oIPCAddr\":" + items + "}", {}},
        {__LINE__, "{\"oIPCAddr\":" + items + "}", {}},
        {__LINE__, "{\"cnt\":3,\"oIPCAddr\":" + item + "}", {}},
        {__LINE__, "{\"cnt\":3,\"oIPCAddr\":\"x\"}", {}},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        EXPECT_EQ(post_json("/2032", c.body).output, kOk) << "line " << c.line;
        std::vector<SimRequest> sent_items = sent(3229, c.channels.size());
        ASSERT_EQ(sent_items.size(), c.channels.size()) << "line " << c.line;
        for (size_t i = 0; i < sent_items.size(); i++) {
            ASSERT_EQ(sent_items[i].payload.size(), 396u);
            EXPECT_EQ(payload_i32(sent_items[i].payload, 388), c.channels[i]) << "line " << c.line;
            EXPECT_EQ(payload_i32(sent_items[i].payload, 392), 2);
            EXPECT_EQ(payload_text(sent_items[i].payload, 80, 32), "192.168.1.150");
        }
    }
    EXPECT_EQ(post_json("/2032", "{").output, "");
}

TEST_F(CameraDiscovery, BatchResultsCountIsBoundedByTheEntriesPresent) {
    auto results_reply = [](int32_t count, int entries) {
        Bytes reply = le_words({0, count, 0, 0});
        for (int i = 0; i < entries; i++) {
            CameraNetworkResult result;
            memset(&result, 0, sizeof result);
            snprintf(result.mac, sizeof result.mac, "mac-%d", i);
            result.result = i % 3;
            reply = reply + bytes_of(result);
        }
        return reply;
    };
    struct Case {
        int line;
        Bytes reply;
        size_t listed;
    } cases[] = {
        {__LINE__, results_reply(3, 2), 2},
        {__LINE__, results_reply(2, 5), 2},
        {__LINE__, results_reply(-4, 5), 0},
        {__LINE__, results_reply(100, 70), 64},
        {__LINE__, le_words({0, 9}), 0},
    };
    for (const Case &c : cases) {
        reply_with(3230, c.reply);
        json_object *results = answer(get("/2033"));
        ASSERT_NE(results, nullptr) << "line " << c.line;
        ASSERT_EQ(length_at(results, "IPC"), c.listed) << "line " << c.line;
        if (c.listed) {
            EXPECT_EQ(answer_keys(item_at(results, "IPC", 1)), (std::vector<std::string>{"mac", "result"}));
            EXPECT_EQ(json_text(item_at(results, "IPC", 1), "mac"), "mac-1");
            EXPECT_EQ(json_int(item_at(results, "IPC", 1), "result"), 1);
        }
    }
}

TEST_F(CameraDiscovery, SimulatedRecorderReportsTheBatchItsSent) {
    std::string item = json_with(kNetworkBody, "macAddr", quoted("AA:BB:CC:DD:EE:01"));
    ASSERT_EQ(post_json("/2032", "{\"cnt\":1,\"oIPCAddr\":[" + item + "]}").output, kOk);
    ASSERT_EQ(sent(3229, 1).size(), 1u);
    json_object *results = answer(get("/2033"));
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(length_at(results, "IPC"), 1u);
    EXPECT_EQ(json_text(item_at(results, "IPC", 0), "mac"), "AA:BB:CC:DD:EE:01");
}

}  // namespace
