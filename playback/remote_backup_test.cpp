// The export's frame queue in-process: a writer that cannot keep up holds the queue at its
// bound, and frames beyond it are dropped rather than kept.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/devroot.h"
#include "playback/remote_backup.h"

namespace {

constexpr int kMiB = 1 << 20;

TEST(RemoteBackupQueue, SlowClientBoundsTheQueueAndDropsTheRest) {
    setenv("NVR_TIME_DIVISOR", "100", 1);
    nvr_devroot_reset();
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    FILE *client = fdopen(pipe_fds[1], "wb");
    ASSERT_TRUE(client);
    QvAvi *avi = nullptr;
    ASSERT_EQ(remote_backup_qvfs_open(client, &avi), 0);

    // Nobody reads the pipe yet: the writer blocks on the first frame and the rest queue up.
    FrameHeader header{};
    header.frame_length = kMiB;
    std::string data(kMiB, 'f');
    int accepted = 0, dropped = 0;
    for (int i = 0; i < 14; i++) {
        data[0] = static_cast<char>('a' + i);
        (remote_backup_qvfs_write(&header, data.data(), 0, kMiB) == 0 ? accepted : dropped)++;
    }
    // The writer holds one frame; at most 10 MiB wait; every later frame is dropped.
    EXPECT_GE(accepted, 10);
    EXPECT_LE(accepted, 11);
    EXPECT_EQ(accepted + dropped, 14);

    std::string received;
    std::thread reader([&] {
        char buffer[65536];
        ssize_t got;
        while ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0) received.append(buffer, static_cast<size_t>(got));
    });
    EXPECT_EQ(remote_backup_qvfs_close(avi), 0);
    fclose(client);
    reader.join();
    close(pipe_fds[0]);
    unsetenv("NVR_TIME_DIVISOR");
    nvr_devroot_reset();

    // Every accepted frame, in order, and no other.
    size_t chunks = 0;
    for (size_t at = received.find("00dc"); at != std::string::npos && at + 8 < received.size();
         at = received.find("00dc", at + 8 + kMiB)) {
        if (static_cast<unsigned char>(received[at + 4]) != 0 || received.compare(at + 5, 3, std::string("\x00\x10\x00", 3)) != 0)
            break;  // the index's entries follow the chunks
        EXPECT_EQ(received[at + 8], static_cast<char>('a' + chunks));
        chunks++;
    }
    EXPECT_EQ(chunks, static_cast<size_t>(accepted));
    EXPECT_FALSE(remote_backup_is_open());
}

}  // namespace
