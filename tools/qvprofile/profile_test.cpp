// qvprofile, run as a program: an export made by this build imports back into every file whole,
// and a damaged export changes nothing.
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "platform/qvdb_test_support.h"

namespace {

struct PlateRecord {
    int32_t id;
    char plate[16];
};
const QvdbField kPlateFields[] = {QVDB_FIELD(PlateRecord, id, "id"), QVDB_FIELD(PlateRecord, plate, "plate")};
const QvdbShape kPlateShape = qvdb_record_shape(kQvdbAnpr, sizeof(PlateRecord), QVDB_FIELDS(kPlateFields), "id", 8, 0);
QVDB_TABLE(kPlateTable, "test_profile_plates", kPlateShape);

// Runs qvprofile with its two arguments (beneath NVR_ROOT, which the fixture sets); its exit status.
int qvprofile(const char *option, const std::string &path) {
    std::string command = std::string("'") + NVR_BIN_DIR + "/qvprofile' " + option + " '" + path + "' 2>/dev/null";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ProfileTool : public DbTest {
  protected:
    // One value in every kind of storage of every file: a record, a schedule, a list, a
    // parameter, an account, a customer account and a plate.
    void store_generation(int n) {
        MotionRecord motion{};
        motion.channel = 5;
        motion.sensitivity = n;
        ASSERT_EQ(write_motion(QVDB_PATH, &motion), 0);
        auto schedule = std::make_unique<WeeklySchedule>();
        memset(schedule.get(), 0, sizeof *schedule);
        snprintf(schedule->day[2].period[3].startTime, 32, "%02d:00", n);
        ASSERT_EQ(write_motion_schedule(QVDB_PATH, schedule.get(), 5), 0);
        WhiteLedList list{};
        list.count = n % 16 + 1;
        list.entry[0].chnid = n;
        ASSERT_EQ(write_whiteled_params_all(QVDB_PATH, &list, "motion_white_led_params", 5), 0);
        ASSERT_EQ(set_param_int(QVDB_PATH, "max_cameras", n), 0);
        UserRecord user{};
        user.id = 7;
        user.enable = 1;
        snprintf(user.name, sizeof user.name, "user%d", n);
        ASSERT_EQ(write_user(QVDB_PATH, &user), 0);
        OemUserRecord oem{};
        oem.id = 2;
        oem.type = n;
        ASSERT_EQ(write_user_oem(QVDB_OEM_PATH, &oem), 0);
        PlateRecord plate{};
        plate.id = 3;
        snprintf(plate.plate, sizeof plate.plate, "AB-%d", n);
        ASSERT_EQ(qvdb_write_record(QVDB_ANPR_PATH, kPlateTable, &plate), 0);
    }

    void expect_generation(int n) {
        MotionRecord motion{};
        ASSERT_EQ(read_motion(QVDB_PATH, &motion, 5), 0);
        EXPECT_EQ(motion.sensitivity, n);
        auto schedule = std::make_unique<WeeklySchedule>();
        ASSERT_EQ(read_motion_schedule(QVDB_PATH, schedule.get(), 5), 0);
        char start[8];
        snprintf(start, sizeof start, "%02d:00", n);
        EXPECT_STREQ(schedule->day[2].period[3].startTime, start);
        WhiteLedList list{};
        QvdbTableKey key{5, "motion_white_led_params"};
        ASSERT_EQ(read_whiteled_params(QVDB_PATH, &list, &key), 0);
        EXPECT_EQ(list.count, n % 16 + 1);
        EXPECT_EQ(list.entry[0].chnid, n);
        EXPECT_EQ(get_param_int(QVDB_PATH, "max_cameras", 0), n);
        UserRecord user{};
        ASSERT_EQ(read_user(QVDB_PATH, &user, 7), 0);
        EXPECT_EQ(std::string(user.name), "user" + std::to_string(n));
        OemUserRecord oems[kQvdbMaxUsers];
        int count = 0;
        ASSERT_EQ(read_users_oem(QVDB_OEM_PATH, oems, &count), 0);
        ASSERT_EQ(count, 1);
        EXPECT_EQ(oems[0].type, n);
        PlateRecord plate{};
        ASSERT_EQ(qvdb_read_record(QVDB_ANPR_PATH, kPlateTable, &plate, 3), 0);
        EXPECT_EQ(std::string(plate.plate), "AB-" + std::to_string(n));
    }

    // Exports into /tmp and returns the export's path (real).
    std::string export_now() {
        qvdb_close_all();
        EXPECT_EQ(qvprofile("-e", root.at("/tmp")), 0);
        std::ifstream hand_over(root.at("/tmp/.export_down_file"));
        std::stringstream path;
        path << hand_over.rdbuf();
        return path.str();
    }
};

TEST_F(ProfileTool, ImportOfAnExportRestoresEveryFile) {
    store_generation(11);
    std::string exported = export_now();
    ASSERT_FALSE(exported.empty());
    store_generation(12);
    MotionRecord added{};
    added.channel = 6;
    added.enable = 1;
    ASSERT_EQ(write_motion(QVDB_PATH, &added), 0);
    qvdb_close_all();

    ASSERT_EQ(qvprofile("-i", exported), 0);
    expect_generation(11);
    MotionRecord record{};
    ASSERT_EQ(read_motion(QVDB_PATH, &record, 6), 0);
    EXPECT_EQ(record.enable, 0);  // a change made after the export is gone
}

TEST_F(ProfileTool, DamagedOrForeignExportsChangeNothing) {
    store_generation(21);
    std::string exported = export_now();
    store_generation(22);
    qvdb_close_all();
    std::ifstream in(exported, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string original = bytes.str();
    struct Case {
        int line;
        std::string content;
    } cases[] = {
        {__LINE__, ""},
        {__LINE__, "QVPF"},
        {__LINE__, original.substr(0, original.size() / 2)},
        {__LINE__, std::string(original).replace(original.size() / 2, 1, 1, static_cast<char>(~original[original.size() / 2]))},
        {__LINE__, original + "x"},
    };
    for (const Case &c : cases) {
        std::ofstream(root.at("/tmp/bad.bin"), std::ios::binary | std::ios::trunc) << c.content;
        EXPECT_EQ(qvprofile("-i", root.at("/tmp/bad.bin")), 1) << "line " << c.line;
    }
    expect_generation(22);
}

}  // namespace
