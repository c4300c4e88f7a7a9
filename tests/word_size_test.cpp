// Sizes and lengths near the limits of 32-bit arithmetic: on the device `long` and `size_t` are
// 32 bits, so a sum or product that is safe on a 64-bit machine can wrap there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "platform/devroot.h"
#include "platform/qvcrypt.h"
#include "platform/qvstd.h"
#include "system/device_files.h"
#include "tests/harness.h"
#include "core/reply_view.h"

namespace {

// Length checks made on a length close to INT_MAX must refuse, never wrap into "it fits". None
// of these calls reads its (small) input: each must refuse before touching it.
TEST(WordSize, LengthChecksDoNotWrap) {
    unsigned char small[64] = {};
    char text[64];
    int word = 0;
    EXPECT_FALSE(reply_word(small, sizeof small, INT_MAX, &word)) << "word index INT_MAX";
    EXPECT_FALSE(reply_word(small, sizeof small, INT_MAX / 4, &word)) << "word index whose byte offset passes 2^31";
    EXPECT_EQ(base64EncodeUrl(small, 0x40000000, text, sizeof text), -1) << "4/3 of 1 GiB passes 2^32";
    EXPECT_EQ(aesEncryWeb(small, INT_MAX - 8, "key", small, sizeof small), -1) << "length plus nonce and tag";

    ReplyView reply(small, sizeof small);
    EXPECT_EQ(reply.number(INT_MAX - 1), 0);
    EXPECT_EQ(reply.byte(INT_MAX), 0);
}

// A copy length above 4 GiB is a length, not its low 32 bits: 2^32 + 5 copies the whole
// 10-byte file, where the low bits alone would stop after 5.
TEST(WordSize, CopyLengthsAboveFourGigabytes) {
    DeviceRoot root;
    root.write_file("/tmp/ten", "0123456789");
    int in = open(root.at("/tmp/ten").c_str(), O_RDONLY);
    int out = open(root.at("/tmp/copy").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    EXPECT_EQ(qv_spliced_copy_ex(in, out, (int64_t{1} << 32) + 5), 10);
    close(in);
    close(out);
    EXPECT_EQ(root.read_file("/tmp/copy"), "0123456789");
}

// Downloads and uploads may be larger than 2 GiB (recordings, firmware): such a file is still
// found, opened and measured. The file is sparse: it takes no room.
TEST(WordSize, FilesLargerThanTwoGigabytes) {
    DeviceRoot root;
    setenv("NVR_ROOT", root.path().c_str(), 1);
    nvr_devroot_reset();
    const int64_t size = (int64_t{3} << 30) + 7;
    int fd = open(root.at("/tmp/big.avi").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);

    std::string real;
    EXPECT_TRUE(regular_file_inside("/tmp", "/tmp/big.avi", &real));
    int opened = open_regular_file(real);
    EXPECT_GE(opened, 0);
    if (opened >= 0) {
        struct stat st;
        ASSERT_EQ(fstat(opened, &st), 0);
        EXPECT_EQ(static_cast<int64_t>(st.st_size), size);
        close(opened);
    }
    unsetenv("NVR_ROOT");
    nvr_devroot_reset();
}

}  // namespace
