// Database library: a writer killed at any point leaves a sound file holding every write it was
// told had succeeded, and each transaction whole or not at all.
#include <signal.h>
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>

#include "platform/qvdb_test_support.h"

namespace {

using KilledWriter = DbTest;

constexpr const char *kCounter = "crash_counter";

// The counter's write, with the motion record and schedule of channel n % 64 that carry n, as
// one transaction; a new file's first transaction also creates it.
int write_generation(int n) {
    int channel = n % kQvdbChannels;
    DbTransaction transaction(QVDB_PATH);
    MotionRecord record{};
    record.channel = channel;
    record.sensitivity = n;
    snprintf(record.motionTable, sizeof record.motionTable, "generation %d", n);
    auto schedule = std::make_unique<WeeklySchedule>();
    memset(schedule.get(), 0, sizeof *schedule);
    snprintf(schedule->day[n % 8].period[n % 48].startTime, 32, "%d", n);
    if (!transaction.ok() || write_motion(QVDB_PATH, &record) != 0 ||
        write_motion_effective_schedule(QVDB_PATH, schedule.get(), channel) != 0 ||
        set_param_int(QVDB_PATH, kCounter, n) != 0)
        return -1;
    return transaction.commit();
}

// Child: writes generations from first on and reports each one that succeeded on the pipe.
[[noreturn]] void writer(int first, int report) {
    qvdb_forget_connections();
    for (int n = first;; n++) {
        if (write_generation(n) != 0) _exit(3);
        if (write(report, &n, sizeof n) != static_cast<ssize_t>(sizeof n)) _exit(4);
    }
}

std::string integrity(const std::string &file) {
    sqlite3 *db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt *check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW)
            result = reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return result;
}

// Rounds of: start a writer, kill it after a random time (the first rounds very early, to hit
// the file's creation), then check the file with a fresh connection.
TEST_F(KilledWriter, LosesNoAcknowledgedWriteAndNoTransactionHalf) {
    std::mt19937 random(20240611);
    int acknowledged = 0;
    for (int round = 0; round < 24; round++) {
        qvdb_close_all();
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        // The first writer finds no file and creates it.
        int first = round == 0 ? 1 : get_param_int(QVDB_PATH, kCounter, 0) + 1;
        qvdb_close_all();
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(report[0]);
            writer(first, report[1]);
        }
        close(report[1]);
        int max_delay_us = round < 6 ? 3000 : 40000;
        usleep(std::uniform_int_distribution<int>(0, max_delay_us)(random));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with " << WEXITSTATUS(status);
        int n;
        while (read(report[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n)) acknowledged = n;
        close(report[0]);

        if (access(db_file(QVDB_PATH).c_str(), F_OK) != 0) {
            EXPECT_EQ(acknowledged, 0) << "round " << round;  // killed before it made the file
            continue;
        }
        ASSERT_EQ(integrity(db_file(QVDB_PATH)), "ok") << "round " << round;
        int stored = get_param_int(QVDB_PATH, kCounter, 0);
        EXPECT_GE(stored, acknowledged) << "round " << round;
        if (stored == 0) continue;
        // The last transaction is there whole.
        MotionRecord record{};
        ASSERT_EQ(read_motion(QVDB_PATH, &record, stored % kQvdbChannels), 0) << "round " << round;
        EXPECT_EQ(record.sensitivity, stored) << "round " << round;
        EXPECT_EQ(std::string(record.motionTable), "generation " + std::to_string(stored));
        auto schedule = std::make_unique<WeeklySchedule>();
        ASSERT_EQ(read_motion_effective_schedule(QVDB_PATH, schedule.get(), stored % kQvdbChannels), 0);
        EXPECT_EQ(std::string(schedule->day[stored % 8].period[stored % 48].startTime), std::to_string(stored));
    }
    EXPECT_GT(acknowledged, 0);
}

}  // namespace
