// Replies of the cameras' routes checked before they are read: for every route that waits, a reply
// one byte short of what its answer reads and an empty reply are silence, and a second reply
// writes no second answer.
#include <gtest/gtest.h>

#include <string>

#include "camera/camera_test_support.h"

namespace {

const char kStream[] =
    "{\"id\":1,\"mainFramerate\":1,\"mainBitrate\":1,\"mainResWidth\":1,\"mainResHeight\":1,\"subEnable\":1,"
    "\"audioEnable\":0}";
const char kCameraNetwork[] =
    "{\"macAddr\":\"00:1A:2B:3C:4D:02\",\"oldIpcAddr\":\"10.0.0.2\",\"newIpcAddr\":\"10.0.0.3\",\"netmask\":\"255.0.0.0\","
    "\"gateway\":\"10.0.0.1\",\"primaryDNS\":\"8.8.8.8\",\"port\":80,\"username\":\"u\",\"password\":\"p\",\"protocol\":2,"
    "\"netif\":\"eth0\"}";
const char kCameraCheck[] = "{\"ipAddr\":\"10.0.0.2\",\"managePort\":80,\"userName\":\"u\",\"password\":\"p\",\"camProtocol\":1}";

const WaitingRoute kWaitingRoutes[] = {
    {__LINE__, "/2077", nullptr, "{\"chnId\":1}", 3381, -1, 4, kCgiErrorJson},
    {__LINE__, "/2019", nullptr, "{\"id\":1}", 3221, -1, 236, kCgiErrorText},
    {__LINE__, "/2021", nullptr, "{\"id\":1}", 3223, -1, 364, kCgiErrorText},
    {__LINE__, "/2022", nullptr, "{\"id\":1,\"type\":2}", 3224, -1, 4, kCgiErrorText},
    {__LINE__, "/2023", nullptr, "{\"id\":1}", 3225, -1, 392, kCgiErrorText},
    {__LINE__, "/2024", nullptr, "{\"id\":1}", 3226, -1, 4, kCgiErrorText},
    {__LINE__, "/2037", nullptr, "{\"id\":1}", 3278, -1, 400, kCgiErrorJson},
    {__LINE__, "/2039", nullptr, "{\"id\":1}", 3271, -1, 364, kCgiErrorJson},
    {__LINE__, "/2041", nullptr, "{\"id\":1}", 3273, -1, 24252, kCgiErrorJson},
    {__LINE__, "/2043", nullptr, "{\"id\":1}", 3275, -1, 25540, kCgiErrorJson},
    {__LINE__, "/2045", nullptr, "{\"id\":1}", 3277, -1, 24252, kCgiErrorJson},
    {__LINE__, "/2009", nullptr, "{\"chnid\":1}", 3204, -1, 556, kCgiErrorJson},
    {__LINE__, "/2010", nullptr, kStream, 3203, -1, 8, kCgiErrorJson},
    {__LINE__, "/2030", nullptr, "{\"chans\":\"1\"}", 3203, -1, 8, kCgiErrorJson},
    {__LINE__, "/2028", nullptr, "", 3307, -1, 8, kCgiErrorText},
    {__LINE__, "/2051", nullptr, "{\"chnid\":1}", 3358, -1, 28040, kCgiErrorJson},
    {__LINE__, "/2052", nullptr, "{\"chnid\":1}", 3366, -1, 4, kCgiErrorJson},
    {__LINE__, "/2054", nullptr, "{\"chnid\":1}", 3294, -1, 28056, kCgiErrorJson},
    {__LINE__, "/2055", nullptr, "{\"chnid\":1}", 3375, -1, 4, kCgiErrorJson},
    {__LINE__, "/2056", nullptr, "{\"chnid\":1}", 1262, -1, 4, kCgiErrorJson},
    {__LINE__, "/2058", nullptr, "{\"chnid\":1}", 1213, -1, 44, kCgiErrorJson},
    {__LINE__, "/2059", nullptr, "{\"chnid\":1}", 1216, -1, 4, kCgiErrorJson},
    {__LINE__, "/2060", nullptr, "{\"chnid\":1}", 1217, -1, 24, kCgiErrorJson},
    {__LINE__, "/2061", nullptr, "{\"chnid\":1}", 1218, -1, 4, kCgiErrorJson},
    {__LINE__, "/2062", nullptr, "{\"chnid\":1}", 1219, -1, 8, kCgiErrorJson},
    {__LINE__, "/2063", nullptr, "{\"chnid\":1}", 3371, -1, 5984, kCgiErrorJson},
    {__LINE__, "/2064", nullptr, "{\"chnid\":1}", 3372, -1, 4, kCgiErrorJson},
    {__LINE__, "/2065", nullptr, "{\"chnid\":1}", 3376, -1, 168, kCgiErrorJson},
    {__LINE__, "/2068", nullptr, "{\"chnid\":1}", 3377, -1, 8, kCgiErrorJson},
    {__LINE__, "/2013", nullptr, "{\"time\":\"2024-01-01 00:00:00\",\"chnid\":1,\"streamType\":0}", 3493, -1, 128, kCgiErrorJson},
    {__LINE__, "/2026", nullptr, "{\"cmd\":\"x\"}", 4002, -1, 16, kCgiErrorText},
    {__LINE__, "/2027", nullptr, "", 4004, -1, 1, kCgiErrorText},
    {__LINE__, "/2078", nullptr, "{\"chnMask\":\"1\",\"resetMask\":\"\"}", 3385, -1, 4, kCgiErrorJson},
    {__LINE__, "/2080", nullptr, "{\"chnAry\":[1]}", 3379, -1, 72, kCgiErrorJson},
    // Camera discovery and models.
    {__LINE__, "/2011", nullptr, kCameraNetwork, 3205, -1, 4, kCgiErrorJson},
    {__LINE__, "/2014", nullptr, kCameraCheck, 3202, -1, 4, kCgiErrorText},
    {__LINE__, "/2015", nullptr, kCameraCheck, 3227, -1, 4, kCgiErrorText},
    {__LINE__, "/2025", nullptr, "{\"id\":1}", 2503, -1, 4, kCgiErrorText},
    {__LINE__, "/2033", nullptr, "", 3230, -1, 8, kCgiErrorJson},
    {__LINE__, "/2057", nullptr, "{\"chnid\":1}", 2507, -1, 164, kCgiErrorJson},
    // People counting and point of sale: the daemon's reply to the change answers.
    {__LINE__, "/2067", nullptr, "{\"groups\":[]}", 2290, -1, 4, kCgiErrorJson},
    {__LINE__, "/2070", nullptr, "{\"groupid\":1}", 2293, -1, 4, kCgiErrorJson},
    {__LINE__, "/2071", nullptr, "{\"groupid\":1}", 2291, -1, 4, kCgiErrorJson},
    {__LINE__, "/2072", nullptr, "{\"groupid\":1}", 2292, -1, 4, kCgiErrorJson},
    {__LINE__, "/2074", nullptr, "{\"id\":1}", 1421, -1, 4, kCgiErrorJson},
};

using CameraReplyBounds = CameraTest;

TEST_F(CameraReplyBounds, ShortEmptyAndSecondReplies) {
    for (const WaitingRoute &route : kWaitingRoutes) expect_reply_bounds(root, daemon, route);
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
