// Replies of the network routes checked before they are read: for every route that waits, a
// reply one byte short of what its answer reads and an empty reply are no reply, and a second
// reply writes no second answer.
#include "network/network_test_support.h"

namespace {

const WaitingRoute kWaitingNetworkRoutes[] = {
    {__LINE__, "/7096", nullptr, "{\"defaultRoute\":1}", 1724, -1, 4, kCgiErrorJson},
    {__LINE__, "/7034", nullptr, "{\"enable\":1,\"ip\":\"239.0.0.1\"}", 1729, -1, 4, kCgiErrorJson},
    {__LINE__, "/7032", "", nullptr, 3409, -1, 4, kCgiErrorText},
    {__LINE__, "/7060", "", nullptr, 3702, -1, 748, kCgiErrorJson},
    {__LINE__, "/7061", nullptr, "{\"enableP2P\":1,\"region\":2}", 3700, -1, 4, kCgiErrorText},
    {__LINE__, "/7061", nullptr, "{\"enableP2P\":0}", 3701, -1, 4, kCgiErrorText},
    {__LINE__, "/7070", nullptr, "{\"ip\":\"10.0.0.9\"}", 3005, -1, 4, kCgiErrorText},
    {__LINE__, "/7071", nullptr, "{\"dev\":\"eth0\",\"ip\":\"10.0.0.9\"}", 3006, -1, 4, kCgiErrorText},
    {__LINE__, "/7094", "", nullptr, 3309, -1, 4, kCgiErrorJson},
    {__LINE__, "/7095", "", nullptr, 2302, -1, 1, kCgiErrorJson},
    {__LINE__, "/7080", nullptr, "{\"InstallType\":1}", 3316, -1, 4, kCgiErrorText},
};

using NetworkReplyBounds = NetworkRouteTest;

TEST_F(NetworkReplyBounds, ShortEmptyAndSecondReplies) {
    for (const WaitingRoute &route : kWaitingNetworkRoutes) expect_reply_bounds(root, daemon, route);
}

}  // namespace
