// Translation table of the device log's numbered texts, and the disk-channel rule of log entries.
#include "platform/trans.h"

#include <string.h>

#include "core/web_utils.h"

namespace {

struct TextEntry {
    int number;
    const char *text;
};

// Entries 1 to 6 name the main types 1, 2, 4, 8, 32 and 64; 10 is the "all sub types" entry of
// every main type; the rest are sub types and parameters under their own numbers.
const TextEntry kEnglish[] = {
    {1, "Alarm"}, {2, "Event"}, {3, "Operation"}, {4, "Information"}, {5, "Exception"}, {6, "Debug"},
    {10, "All"},
    // Events (main type 2).
    {11, "Motion detection start"}, {12, "Motion detection stop"}, {13, "Alarm input start"},
    {14, "Alarm input stop"}, {15, "Face detection start"}, {16, "Face detection stop"},
    {17, "Video loss start"}, {18, "Video loss stop"}, {19, "Line crossing"}, {20, "Intrusion"},
    {21, "Region entrance"}, {22, "Region exiting"}, {23, "Loitering"}, {24, "Object left"},
    {25, "Object removed"}, {26, "Video tampering"}, {27, "Scene change"}, {28, "Audio exception"},
    {29, "People gathering"}, {30, "Fast moving"}, {31, "Defocus"}, {32, "Parking"},
    {33, "Licence plate recognised"}, {34, "Plate on block list"}, {35, "Plate on allow list"},
    {36, "People counting"}, {37, "Human detection"}, {38, "Vehicle detection"}, {39, "Face recognised"},
    {40, "Stranger detected"}, {41, "Heat map"}, {42, "Temperature alarm"}, {43, "Fire detection"},
    {44, "Smoke detection"},
    // Operations (main type 4).
    {101, "Local login"}, {102, "Local logout"}, {103, "Local shutdown"}, {104, "Local restart"},
    {105, "Local configuration"}, {106, "Local playback"}, {107, "Local backup"}, {108, "Local PTZ control"},
    {109, "Local disk format"}, {110, "Local upgrade"}, {111, "Local restore defaults"},
    {112, "Local configuration import"}, {113, "Local configuration export"}, {114, "Local user added"},
    {115, "Local user deleted"}, {116, "Local user changed"}, {117, "Local camera added"},
    {118, "Local camera deleted"}, {119, "Local record start"}, {120, "Local record stop"},
    {121, "Local snapshot"}, {122, "Local time set"}, {123, "Local network changed"},
    {124, "Local disk added"}, {125, "Local disk removed"}, {126, "Local RAID changed"},
    {127, "Local alarm output"}, {128, "Local alarm cleared"}, {129, "Local audio talk"},
    {130, "Local channel preview"}, {131, "Remote preview start"}, {132, "Remote preview stop"},
    {133, "Remote playback"}, {134, "Remote download"}, {135, "Remote talk"}, {136, "Remote snapshot"},
    {137, "Remote manual record"}, {138, "Remote alarm output"}, {139, "Remote alarm cleared"},
    {140, "Remote disk check"}, {141, "Remote log export"}, {142, "Remote camera upgrade"},
    {143, "Remote camera restart"}, {144, "Remote camera restore"},
    {200, "Restart"}, {201, "Login"}, {202, "Logout"}, {203, "Firmware upgrade"}, {204, "Settings saved"},
    {205, "Playback"}, {206, "PTZ control"}, {207, "Disk format"}, {208, "Playback download"},
    {209, "Live view"}, {210, "Camera added"}, {211, "Camera deleted"}, {212, "Camera changed"},
    {213, "Configuration export"}, {214, "Configuration import"}, {215, "Restore defaults"},
    {216, "Shutdown"}, {217, "Manual record"}, {218, "Manual alarm"}, {219, "Network disk added"},
    {220, "Network disk removed"}, {221, "Network disk changed"}, {222, "Backup"}, {223, "Snapshot"},
    {224, "Disk repair"}, {225, "Time set"}, {226, "Password reset"}, {227, "Remote backup"},
    {228, "Audio talk"},
    // Exceptions (main type 32).
    {400, "Disk full"}, {401, "Disk error"}, {402, "No disk"}, {403, "Network disconnected"},
    {404, "IP address conflict"}, {405, "Illegal access"}, {406, "Network changed"},
    {407, "Record error"}, {408, "Video standard mismatch"}, {409, "Camera offline"},
    {410, "Disk unformatted"}, {411, "RAID degraded"}, {412, "Fan error"}, {413, "Temperature too high"},
    // Information (main type 8).
    {500, "Disk information"}, {501, "Disk S.M.A.R.T."}, {502, "Record start"}, {503, "Record stop"},
    {504, "Network information"}, {505, "System start"}, {506, "System stop"},
    {511, "Camera connected"}, {512, "Camera disconnected"}, {513, "Schedule record start"},
    {514, "Schedule record stop"}, {515, "Disk sleep"}, {516, "Disk wake"}, {517, "Backup start"},
    {518, "Backup end"}, {519, "Upgrade start"}, {520, "Upgrade end"}, {521, "Time synchronised"},
    // Debug (main type 64).
    {600, "Debug information"}, {601, "Daemon start"}, {602, "Daemon stop"}, {603, "Watchdog"},
    // Parameters: what an operation concerned.
    {900, "N/A"}, {901, "Camera added"}, {902, "Camera deleted"}, {903, "Camera settings"},
    {904, "PTZ"}, {905, "Record mode"}, {906, "Record settings"}, {907, "Record"}, {908, "Video loss"},
    {909, "Motion detection"}, {910, "Event settings"}, {911, "Alarm input"}, {912, "Alarm output"},
    {913, "General settings"}, {914, "Network"}, {915, "PPPoE"}, {916, "DDNS"}, {917, "E-mail"},
    {918, "Ports"}, {919, "Disk"}, {920, "Holidays"}, {921, "User added"}, {922, "User deleted"},
    {923, "Exception settings"}, {924, "Smart events"}, {925, "Alarm audio files"},
};

// Sub types whose channel number is a disk port: disk format (operations), disk exceptions and
// disk information.
const int kDiskSubTypes[] = {109, 124, 125, 126, 140, 207, 224, 400, 401, 402, 410, 411, 500, 501, 515, 516};

bool g_loaded = false;
char g_language[32];

}  // namespace

int trans_init(const char *language) {
    copy_text_field(g_language, sizeof g_language, language ? language : "en");
    g_loaded = true;
    return 0;
}

int trans_get_value(int number, char *out, int size) {
    if (!out || size <= 0) return -1;
    for (const TextEntry &entry : kEnglish) {
        if (entry.number == number) {
            copy_text_field(out, static_cast<size_t>(size), entry.text);
            return 0;
        }
    }
    out[0] = '\0';
    return -1;
}

void trans_deinit() {
    g_loaded = false;
    g_language[0] = '\0';
}

int log_channo_is_disk(int main_type, int64_t sub_type) {
    if (main_type != 4 && main_type != 8 && main_type != 32) return 0;
    for (int code : kDiskSubTypes)
        if (code == sub_type) return 1;
    return 0;
}
