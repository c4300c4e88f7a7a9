// The simulated daemon's script lines and journal.
#include <gtest/gtest.h>
#include <string.h>
#include <time.h>

#include <fstream>
#include <sstream>

#include "storage/storage_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

FormatProgressRecord format_progress_at(double time, SimState &state) {
    SimRequest request;
    request.time = time;
    request.code = kRequestFormatProgress;
    SimScript replies = canned_reply(request, state);
    FormatProgressRecord progress = {};
    if (replies.size() == 1 && replies[0].payload.size() == sizeof progress)
        memcpy(&progress, replies[0].payload.data(), sizeof progress);
    return progress;
}

// A format runs ten seconds by the requests' clock; today's time in milliseconds does not fit
// the 32-bit device's long, so the simulator counts from its first request.
TEST(SimCannedReplies, FormatProgressFollowsTheRequestsClock) {
    const double start = static_cast<double>(time(nullptr));
    SimState state;
    SimRequest format;
    format.time = start;
    format.code = kRequestFormatDisk;
    format.payload = sim_words({2});
    canned_reply(format, state);
    FormatProgressRecord half = format_progress_at(start + 5, state);
    EXPECT_EQ(half.status, 1);
    EXPECT_EQ(half.port, 2);
    EXPECT_GE(half.percent, 45);
    EXPECT_LE(half.percent, 55);
    FormatProgressRecord done = format_progress_at(start + 11, state);
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.percent, 100);
}

TEST(SimScriptLines, ParseOrExplain) {
    struct Case {
        int line;
        const char *text;
        bool ok;
        size_t replies;
    } cases[] = {
        {__LINE__, "4014 silence", true, 0},
        {__LINE__, "4014 reply 00000000", true, 1},
        {__LINE__, "4014 delay 5 reply - reply 0100", true, 2},
        {__LINE__, "4014 as 9999 reply ff", true, 1},
        {__LINE__, "4014", false, 0},
        {__LINE__, "x reply 00", false, 0},
        {__LINE__, "4014 reply 0", false, 0},
        {__LINE__, "4014 reply zz", false, 0},
        {__LINE__, "4014 delay -1 reply 00", false, 0},
        {__LINE__, "4014 shout", false, 0},
    };
    for (const Case &c : cases) {
        int code = 0;
        SimScript steps;
        std::string error;
        EXPECT_EQ(SimDaemon::parse_script_line(c.text, &code, &steps, &error), c.ok) << "line " << c.line;
        if (c.ok) {
            EXPECT_EQ(code, 4014);
            EXPECT_EQ(steps.size(), c.replies) << "line " << c.line;
        } else {
            EXPECT_FALSE(error.empty()) << "line " << c.line;
        }
    }
    int code = 0;
    SimScript steps;
    std::string error;
    ASSERT_TRUE(SimDaemon::parse_script_line("7 delay 5 as 9 reply 0a0b", &code, &steps, &error));
    EXPECT_EQ(steps[0].delay_ms, 5);
    EXPECT_EQ(steps[0].code, 9);
    EXPECT_EQ(steps[0].payload, (Bytes{10, 11}));
}

TEST(SimHex, RoundTrips) {
    Bytes bytes{0, 1, 0xab, 0xff};
    EXPECT_EQ(bytes_to_hex(bytes), "0001abff");
    Bytes back;
    EXPECT_TRUE(hex_to_bytes("0001abff", &back));
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(hex_to_bytes("-", &back));
    EXPECT_TRUE(back.empty());
    EXPECT_FALSE(hex_to_bytes("0x", &back));
}

}  // namespace
