// Replies of the cameras' routes checked before they are read: for every route that waits, a reply
// one byte short of what its answer reads and an empty reply are silence, and a second reply
// writes no second answer.
#include <gtest/gtest.h>

#include <string>

#include "camera/camera_test_support.h"

namespace {

struct WaitedRoute {
    int line;
    const char *path;
    const char *body;
    int request;
    int reply_length;  // the bytes the answer reads
    bool text_error;   // silence gets "CGI ERROR" as text, else the JSON error
};

const char kStream[] =
    "{\"id\":1,\"mainFramerate\":1,\"mainBitrate\":1,\"mainResWidth\":1,\"mainResHeight\":1,\"subEnable\":1,"
    "\"audioEnable\":0}";
const char kCameraNetwork[] =
    "{\"macAddr\":\"00:1A:2B:3C:4D:02\",\"oldIpcAddr\":\"10.0.0.2\",\"newIpcAddr\":\"10.0.0.3\",\"netmask\":\"255.0.0.0\","
    "\"gateway\":\"10.0.0.1\",\"primaryDNS\":\"8.8.8.8\",\"port\":80,\"username\":\"u\",\"password\":\"p\",\"protocol\":2,"
    "\"netif\":\"eth0\"}";
const char kCameraCheck[] = "{\"ipAddr\":\"10.0.0.2\",\"managePort\":80,\"userName\":\"u\",\"password\":\"p\",\"camProtocol\":1}";

const WaitedRoute kWaitedRoutes[] = {
    {__LINE__, "/2077", "{\"chnId\":1}", 3381, 4, false},
    {__LINE__, "/2019", "{\"id\":1}", 3221, 236, true},
    {__LINE__, "/2021", "{\"id\":1}", 3223, 364, true},
    {__LINE__, "/2022", "{\"id\":1,\"type\":2}", 3224, 4, true},
    {__LINE__, "/2023", "{\"id\":1}", 3225, 392, true},
    {__LINE__, "/2024", "{\"id\":1}", 3226, 4, true},
    {__LINE__, "/2037", "{\"id\":1}", 3278, 400, false},
    {__LINE__, "/2039", "{\"id\":1}", 3271, 364, false},
    {__LINE__, "/2041", "{\"id\":1}", 3273, 24252, false},
    {__LINE__, "/2043", "{\"id\":1}", 3275, 25540, false},
    {__LINE__, "/2045", "{\"id\":1}", 3277, 24252, false},
    {__LINE__, "/2009", "{\"chnid\":1}", 3204, 556, false},
    {__LINE__, "/2010", kStream, 3203, 8, false},
    {__LINE__, "/2030", "{\"chans\":\"1\"}", 3203, 8, false},
    {__LINE__, "/2028", "", 3307, 8, true},
    {__LINE__, "/2051", "{\"chnid\":1}", 3358, 28040, false},
    {__LINE__, "/2052", "{\"chnid\":1}", 3366, 4, false},
    {__LINE__, "/2054", "{\"chnid\":1}", 3294, 28056, false},
    {__LINE__, "/2055", "{\"chnid\":1}", 3375, 4, false},
    {__LINE__, "/2056", "{\"chnid\":1}", 1262, 4, false},
    {__LINE__, "/2058", "{\"chnid\":1}", 1213, 44, false},
    {__LINE__, "/2059", "{\"chnid\":1}", 1216, 4, false},
    {__LINE__, "/2060", "{\"chnid\":1}", 1217, 24, false},
    {__LINE__, "/2061", "{\"chnid\":1}", 1218, 4, false},
    {__LINE__, "/2062", "{\"chnid\":1}", 1219, 8, false},
    {__LINE__, "/2063", "{\"chnid\":1}", 3371, 5984, false},
    {__LINE__, "/2064", "{\"chnid\":1}", 3372, 4, false},
    {__LINE__, "/2065", "{\"chnid\":1}", 3376, 168, false},
    {__LINE__, "/2068", "{\"chnid\":1}", 3377, 8, false},
    {__LINE__, "/2013", "{\"time\":\"2024-01-01 00:00:00\",\"chnid\":1,\"streamType\":0}", 3493, 128, false},
    {__LINE__, "/2026", "{\"cmd\":\"x\"}", 4002, 16, true},
    {__LINE__, "/2027", "", 4004, 1, true},
    {__LINE__, "/2078", "{\"chnMask\":\"1\",\"resetMask\":\"\"}", 3385, 4, false},
    {__LINE__, "/2080", "{\"chnAry\":[1]}", 3379, 72, false},
    // Camera discovery and models.
    {__LINE__, "/2011", kCameraNetwork, 3205, 4, false},
    {__LINE__, "/2014", kCameraCheck, 3202, 4, true},
    {__LINE__, "/2015", kCameraCheck, 3227, 4, true},
    {__LINE__, "/2025", "{\"id\":1}", 2503, 4, true},
    {__LINE__, "/2033", "", 3230, 8, false},
    {__LINE__, "/2057", "{\"chnid\":1}", 2507, 164, false},
    // People counting and point of sale: the daemon's reply to the change answers.
    {__LINE__, "/2067", "{\"groups\":[]}", 2290, 4, false},
    {__LINE__, "/2070", "{\"groupid\":1}", 2293, 4, false},
    {__LINE__, "/2071", "{\"groupid\":1}", 2291, 4, false},
    {__LINE__, "/2072", "{\"groupid\":1}", 2292, 4, false},
    {__LINE__, "/2074", "{\"id\":1}", 1421, 4, false},
};

using CameraReplyBounds = CameraTest;

TEST_F(CameraReplyBounds, ShortEmptyAndSecondReplies) {
    for (const WaitedRoute &route : kWaitedRoutes) {
        const char *silence = route.text_error ? kTextError : kJsonErrorAnswer;
        if (route.reply_length > 1) {
            reply_with(route.request, Bytes(route.reply_length - 1, 0));
            EXPECT_EQ(post_json_waiting_less(root, route.path, route.body).output, silence) << "short, line " << route.line;
        }
        reply_with(route.request, Bytes());
        EXPECT_EQ(post_json_waiting_less(root, route.path, route.body).output, silence) << "empty, line " << route.line;

        SimStep first, second;
        first.payload = Bytes(route.reply_length, 0);
        second.payload = Bytes(route.reply_length, 1);
        second.delay_ms = 5;
        daemon.script(route.request, {first, second});
        CgiResult result = post_json(route.path, route.body);
        EXPECT_EQ(result.output.find("Content-type"), 0u) << "line " << route.line;
        EXPECT_EQ(result.output.find("Content-type", 1), std::string::npos) << "twice, line " << route.line;
        EXPECT_NE(result.output, silence) << "line " << route.line;
        daemon.clear_script(route.request);
    }
}

// The two routes whose answer is text: a reply too short to read is the text error, silence the
// JSON error.
TEST_F(CameraReplyBounds, TextAnswersOfShortReplies) {
    reply_with(3360, Bytes(1, 0));
    EXPECT_EQ(post_json("/2053", "{\"chnid\":1}").output, kTextError);
    reply_with(3360, Bytes());
    EXPECT_EQ(post_json_waiting_less(root, "/2053", "{\"chnid\":1}").output, kJsonErrorAnswer);
    reply_with(3386, Bytes(1, 0));
    EXPECT_EQ(post_json("/2079", "").output, kTextError);
    reply_with(3386, Bytes());
    EXPECT_EQ(post_json_waiting_less(root, "/2079", "").output, kJsonErrorAnswer);
}

}  // namespace
