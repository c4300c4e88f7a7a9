// Requests killed at random moments: CGI processes write settings side by side and are killed
// with SIGKILL while they run, starting from a device without databases. Afterwards every
// database file is intact, every write that was answered "OK" is stored whole, every other one
// is stored whole or not at all, and the next request works without repair.
#include <dirent.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/qvdb.h"
#include "tests/harness.h"

namespace {

constexpr int kWaves = 6;
constexpr int kProcessesPerWave = 8;
constexpr int kScheduleChannelBase = 32;  // settings writers use channels 0 to 23, schedule writers 32 to 55

// One writer: even ones save the motion settings of their channel, odd ones its motion schedule,
// each with a value of its own.
struct Writer {
    bool schedule;
    int channel;
    int value;
    bool answered_ok = false;
};

std::string settings_body(const Writer &w) {
    return "{\"camId\":" + std::to_string(w.channel) + ",\"enable\":1,\"sensitivity\":" + std::to_string(w.value) +
           ",\"triChannels\":\"0101\",\"triAlarms\":3,\"interval\":30,\"motionTable\":\"ff00ff\",\"enableMS\":1}";
}

std::string schedule_start(const Writer &w) { return "0" + std::to_string(w.value % 10) + ":" + std::to_string(10 + w.value % 50); }

// All 8 x 12 periods carry the writer's start time: a schedule stored in part shows.
std::string schedule_body(const Writer &w) {
    std::string period = "[\"" + schedule_start(w) + "\",\"23:59\"," + std::to_string(w.value) + "]";
    std::string day = "[" + period;
    for (int p = 1; p < 12; p++) day += "," + period;
    day += "]";
    std::string days = day;
    for (int d = 1; d < 8; d++) days += "," + day;
    return "{\"camId\":" + std::to_string(w.channel) + ",\"schedule\":[" + days + "]}";
}

CgiRequest write_request(const Writer &w) {
    CgiRequest request;
    request.method = "POST";
    request.content_type = "application/json";
    request.path_info = w.schedule ? "/6013" : "/6012";
    request.body = w.schedule ? schedule_body(w) : settings_body(w);
    return request;
}

std::vector<std::string> database_files(const DeviceRoot &root) {
    std::vector<std::string> files;
    for (const char *dir : {"/mnt/nand/app", "/mnt/nand2"})
        for (const std::string &name : root.list(dir))
            if (name.size() > 3 && name.compare(name.size() - 3, 3, ".db") == 0) files.push_back(root.at(dir) + "/" + name);
    return files;
}

std::string integrity(const std::string &file) {
    sqlite3 *db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt *check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW)
            result = reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return result;
}

class CrashSafety : public RouteTest {
  protected:
    // How long a wave of writers takes to finish unharmed on a device without databases (the
    // first writers also create the files): the kills are spread over this time.
    std::chrono::microseconds wave_time() {
        DeviceRoot scratch;
        SimDaemon scratch_daemon;
        EXPECT_TRUE(scratch_daemon.start(scratch.at("/var/run/qvsocket")));
        auto start = std::chrono::steady_clock::now();
        std::vector<CgiProcess> processes;
        for (int p = 0; p < kProcessesPerWave; p++) processes.push_back(start_cgi(scratch, write_request({p % 2 == 1, p, 1})));
        for (CgiProcess &process : processes) EXPECT_EQ(finish_cgi(process).body, "OK");
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    }

    // Starts a wave of writers, kills each at a random moment within a wave's time (some finish
    // first), and notes which had answered "OK".
    void run_wave(std::vector<Writer> &wave, std::chrono::microseconds wave_time, std::mt19937 &random) {
        std::vector<CgiProcess> processes;
        for (const Writer &w : wave) processes.push_back(start_cgi(root, write_request(w)));
        std::uniform_int_distribution<long> moment(0, wave_time.count());
        std::vector<long> kill_at;
        for (size_t i = 0; i < wave.size(); i++) kill_at.push_back(moment(random));
        auto start = std::chrono::steady_clock::now();
        std::vector<bool> killed(wave.size(), false);
        for (size_t done = 0; done < wave.size();) {
            long now = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
            for (size_t i = 0; i < wave.size(); i++) {
                if (killed[i] || now < kill_at[i]) continue;
                kill(processes[i].pid, SIGKILL);
                killed[i] = true;
                done++;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        for (size_t i = 0; i < wave.size(); i++) wave[i].answered_ok = finish_cgi(processes[i]).body == "OK";
    }
};

TEST_F(CrashSafety, KilledWritersLeaveIntactDatabasesAndNoLostAnswers) {
    std::chrono::microseconds unharmed = wave_time();
    std::mt19937 random(18);
    std::vector<Writer> writers;
    for (int wave = 0; wave < kWaves; wave++) {
        std::vector<Writer> batch;
        for (int p = 0; p < kProcessesPerWave; p++) {
            int n = wave * kProcessesPerWave + p;
            bool schedule = p % 2 == 1;
            batch.push_back({schedule, (schedule ? kScheduleChannelBase : 0) + n / 2, 20 + n});
        }
        run_wave(batch, unharmed, random);
        writers.insert(writers.end(), batch.begin(), batch.end());
    }

    std::vector<std::string> files = database_files(root);
    ASSERT_FALSE(files.empty());
    for (const std::string &file : files) EXPECT_EQ(integrity(file), "ok") << file;

    // The next request works, and a channel nobody wrote shows the factory values.
    ASSERT_EQ(run(write_request({false, 63, 7})).body, "OK");
    qvdb_close_all();
    MotionRecord factory{};
    ASSERT_EQ(read_motion(QVDB_PATH, &factory, 62), 0);
    WeeklySchedule empty{};
    ASSERT_EQ(read_motion_schedule(QVDB_PATH, &empty, 62), 0);

    int answered = 0;
    for (const Writer &w : writers) {
        answered += w.answered_ok;
        if (w.schedule) {
            WeeklySchedule schedule{};
            ASSERT_EQ(read_motion_schedule(QVDB_PATH, &schedule, w.channel), 0);
            bool stored = schedule.day[0].period[0].startTime == schedule_start(w);
            EXPECT_TRUE(stored || !w.answered_ok) << "schedule of channel " << w.channel << " was answered OK";
            for (int d = 0; d < 8; d++)
                for (int p = 0; p < 12; p++)
                    ASSERT_STREQ(schedule.day[d].period[p].startTime,
                                 stored ? schedule_start(w).c_str() : empty.day[d].period[p].startTime)
                        << "schedule of channel " << w.channel << " stored in part";
        } else {
            MotionRecord record{};
            ASSERT_EQ(read_motion(QVDB_PATH, &record, w.channel), 0);
            bool stored = record.sensitivity == w.value;
            EXPECT_TRUE(stored || !w.answered_ok) << "settings of channel " << w.channel << " were answered OK";
            EXPECT_TRUE(stored || record.sensitivity == factory.sensitivity) << "settings of channel " << w.channel;
        }
    }
    // The kills must have hit some writers and spared others, or the test proved nothing.
    EXPECT_GT(answered, 0);
    EXPECT_LT(answered, static_cast<int>(writers.size()));
    RecordProperty("answered", answered);
    for (const std::string &file : files) EXPECT_EQ(integrity(file), "ok") << file;
}

}  // namespace
