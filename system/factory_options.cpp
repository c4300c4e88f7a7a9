// Route "/vb.htm": production and service options (language, display, branding, identity chip).
#include "system/factory_options.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "system/system_module.h"

extern char **environ;

namespace {

constexpr int kRequestSetLanguage = 4000;
constexpr size_t kSplitWindow = 255;   // characters of the argument that are examined
constexpr size_t kFieldWindow = 64;    // every name and value character lies below this position
constexpr size_t kChipTextSize = 128;  // the chip text and one line of the tool's output
constexpr size_t kChipLength = 32;
constexpr const char kChipTool[] = "qvchip_update";
constexpr const char kSettingsDb[] = "/mnt/nand/app/qvdb.db";

void option_setlang(OptionSlot *slot);
void option_setdefault(OptionSlot *slot);
void option_decode(OptionSlot *slot);
void option_hotplug(OptionSlot *slot);
void option_oemclean(OptionSlot *slot);
void option_paratest(OptionSlot *slot);
void option_chipupdate(OptionSlot *slot);
void option_modelupdate(OptionSlot *slot);
void option_softversion(OptionSlot *slot);

HttpOption g_options[] = {
    {"setlang", option_setlang, 0, 0, 1, nullptr},
    {"setdefault", option_setdefault, 0, 0, 1, nullptr},
    {"decode", option_decode, 0, 0, 1, nullptr},
    {"hotplug", option_hotplug, 0, 0, 1, nullptr},
    {"oemclean", option_oemclean, 0, 0, 1, nullptr},
    {"paratest", option_paratest, 0, 0, 1, nullptr},
    {"chipupdate", option_chipupdate, 0, 0, 1, nullptr},
    {"modelupdate", option_modelupdate, 0, 0, 1, nullptr},
    {"softversion", option_softversion, 2, 0, 1, nullptr},
};

// Options that are called without "=". "tamel" and "debug" have no handler.
const char kNoArgOptions[10][64] = {"oemclean", "tamel", "debug", "softversion", "", "", "", "", "", ""};

HttpOption **cmd_hash = nullptr;

int answer(const char *text) { return cgi_writeback_webserver(kTextPlain, text); }

// The texts the chip options accept: letters and digits only.
bool is_alnum_text(const char *text) {
    for (const char *p = text; *p; p++)
        if (!isalnum(static_cast<unsigned char>(*p))) return false;
    return true;
}

// Copies [begin, end) of the argument into a 64-byte slot field; false when it lies past the
// window or does not fit.
bool take_field(const char *text, size_t begin, size_t end, char (&field)[64]) {
    if (end > begin && end > kFieldWindow) return false;
    if (end - begin >= sizeof field) return false;
    memcpy(field, text + begin, end - begin);
    field[end - begin] = '\0';
    return true;
}

// Sets a text parameter, creating the key when it does not exist yet.
void store_text_param(const char *key, const char *value) {
    DbTransaction transaction(kSettingsDb);
    if (check_param_key(kSettingsDb, key) == 0) set_param_value(kSettingsDb, key, value);
    else add_param_value(kSettingsDb, key, value);
    transaction.commit();
}

// Runs a device program (argument vector, no shell); its result is not needed.
void run_tool(std::initializer_list<const char *> args) {
    const char *argv[8] = {};
    size_t i = 0;
    for (const char *arg : args)
        if (i < 7) argv[i++] = arg;
    web_spawn(argv);
}

// "rm /mnt/nand2/*": every visible entry that is not a folder.
void remove_visible_files(const std::string &dir) {
    DIR *folder = opendir(dir.c_str());
    if (!folder) return;
    while (struct dirent *entry = readdir(folder)) {
        if (entry->d_name[0] == '.') continue;
        std::string path = dir + "/" + entry->d_name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(path.c_str());
    }
    closedir(folder);
}

// Writes the chip text back to the identity chip.
bool write_chip_info(const char *chip) {
    const char *argv[] = {kChipTool, chip, nullptr};
    return web_spawn(argv) == 0;
}

void option_setlang(OptionSlot *slot) {
    char *end = nullptr;
    errno = 0;
    long language = strtol(slot->value, &end, 10);
    if (!isdigit(static_cast<unsigned char>(slot->value[0])) || *end != '\0' || errno != 0 || language > INT32_MAX) {
        answer("PARAM ERROR");
        return;
    }
    int32_t payload = static_cast<int32_t>(language);
    cgi_notify_daemon(on_system_ipc_callback, kRequestSetLanguage, &payload, sizeof payload);
    answer("OK");
}

void option_setdefault(OptionSlot *) {}

void option_decode(OptionSlot *slot) {
    store_text_param("decode", slot->value);
    answer("OK");
}

void option_hotplug(OptionSlot *slot) {
    store_text_param("hdmihotplug", slot->value);
    answer("OK");
}

void option_softversion(OptionSlot *) {
    char version[256] = {};
    get_param_value(kSettingsDb, "software_version", version, sizeof version, "7x.7.0.9");
    answer(version);
}

// Restores the default branding: logo, interface resources and web pages, then has the
// device forget its network and user settings.
void option_oemclean(OptionSlot *) {
    const std::string backup = nvr_path("/mnt/nand2");
    const std::string bin = nvr_path("/opt/app/bin");
    const std::string www = nvr_path("/opt/app/www");
    const std::string app = nvr_path("/mnt/nand/app");
    run_tool({"cp", (backup + "/logo.jpg_bk").c_str(), (bin + "/logo.jpg").c_str()});
    run_tool({"cp", (backup + "/gui.rcc_bk").c_str(), (bin + "/gui.rcc").c_str()});
    remove_visible_files(backup);
    run_tool({"tar", "-zxvf", (www + "/web.tar.gz").c_str(), "-C", (www + "/").c_str()});
    run_tool({"touch", (app + "/eraseip").c_str()});
    run_tool({"touch", (app + "/eraseuser").c_str()});
    set_param_int(kSettingsDb, "oem_type", 0);
    run_tool({"touch", (app + "/eraseall").c_str()});
    sync();
    answer("OK");
}

void option_paratest(OptionSlot *slot) {
    if (strcmp(slot->value, "chipinfo") != 0) {
        answer("Param ERROR");
        return;
    }
    char chip[kChipTextSize];
    if (get_chip_info(chip, sizeof chip) != 0) {
        answer("ERROR");
        return;
    }
    std::string text = std::string("OK chipinfo=") + chip + "\n";
    answer(text.c_str());
}

void option_modelupdate(OptionSlot *slot) {
    char chip[kChipTextSize];
    bool done = get_chip_info(chip, sizeof chip) == 0 && apply_model_update(chip, sizeof chip, slot->value) &&
                write_chip_info(chip);
    answer(done ? "OK modelupdate" : "NG modelupdate");
}

void option_chipupdate(OptionSlot *slot) {
    char chip[kChipTextSize];
    bool done = get_chip_info(chip, sizeof chip) == 0 && apply_chip_update(chip, sizeof chip, slot->value) &&
                write_chip_info(chip);
    answer(done ? "OK chipupdate" : "NG chipupdate");
}

// A field of the chip text: where its characters go and how many there are.
struct ChipField {
    char letter;
    size_t offset;
    size_t length;
};

// "modelupdate" fields include their letter.
const ChipField kModelFields[] = {{'N', 2, 7}, {'H', 9, 3}, {'E', 12, 8}, {'S', 20, 12}};
// "chipupdate" fields are the characters after the letter.
const ChipField kChipFields[] = {{'N', 3, 6}, {'H', 10, 2}, {'E', 13, 7}, {'S', 21, 11}};

const ChipField *find_field(const ChipField (&fields)[4], char letter) {
    for (const ChipField &field : fields)
        if (field.letter == letter) return &field;
    return nullptr;
}

// Replaces a field of the stored text, which must already reach past the field's end.
bool replace_field(char *chip, const ChipField &field, const char *characters) {
    if (strlen(chip) < field.offset + field.length) return false;
    memcpy(chip + field.offset, characters, field.length);
    return true;
}

// Reads the tool's output from a pipe: the text after "Read old:" on the first line holding it.
bool read_chip_line(FILE *output, char *out, size_t size) {
    static const char kMarker[] = "Read old:";
    char line[kChipTextSize];
    bool found = false;
    while (fgets(line, sizeof line, output)) {
        const char *hit = found ? nullptr : strstr(line, kMarker);
        if (!hit) continue;  // the rest is read too, so the tool never writes into a closed pipe
        found = true;
        std::string text(hit + strlen(kMarker));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        copy_text_field(out, size, text.c_str());
    }
    return found;
}

}  // namespace

unsigned hash_cal_value(const char *name) {
    unsigned h = 0;
    for (const char *p = name; *p; p++) h = static_cast<unsigned>(static_cast<int>(*p)) + 37u * h;
    return h;
}

void hash_insert_entry(int bucket, HttpOption *entry) {
    entry->next = cmd_hash[bucket];
    cmd_hash[bucket] = entry;
}

int hash_table_init() {
    cmd_hash = static_cast<HttpOption **>(calloc(kOptionBuckets, sizeof *cmd_hash));
    if (!cmd_hash) return -1;
    for (HttpOption &option : g_options)
        hash_insert_entry(static_cast<int>(hash_cal_value(option.name) & (kOptionBuckets - 1)), &option);
    return 0;
}

void hash_table_destory() {
    free(cmd_hash);
    cmd_hash = nullptr;
}

HttpOption *http_option_search(const char *name) {
    if (!cmd_hash || !name) return nullptr;
    for (HttpOption *entry = cmd_hash[hash_cal_value(name) & (kOptionBuckets - 1)]; entry; entry = entry->next)
        if (strcmp(entry->name, name) == 0) return entry;
    return nullptr;
}

int is_httpoption_no_arg(const char *text) {
    for (const char *name : kNoArgOptions)
        if (strcmp(text, name) == 0) return 1;
    return 0;
}

int get_httpoption_argnum(const char *text) {
    int count = 0;
    for (size_t i = 0; i < kSplitWindow && text[i]; i++)
        if (text[i] == '=') count++;
    return count;
}

int ui_decodeing(const char *text, OptionSlot *slots, int count) {
    if (!text || !slots || count < 1 || count > kOptionSlots) return -1;
    size_t length = strnlen(text, kSplitWindow);
    size_t position = 0;
    for (int i = 0; i < count; i++) {
        if (position >= length) return -1;  // no text left for this pair
        size_t name_end = position;
        while (name_end < length && text[name_end] != '=') name_end++;
        size_t value_begin = name_end < length ? name_end + 1 : name_end;
        size_t value_end = value_begin;
        while (value_end < length && text[value_end] != '&') value_end++;
        if (!take_field(text, position, name_end, slots[i].name) ||
            !take_field(text, value_begin, value_end, slots[i].value))
            return -1;
        position = value_end + 1;
    }
    return 0;
}

int get_chip_info(char *out, size_t size) {
    if (!out || size == 0) return -1;
    out[0] = '\0';
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    const char *argv[] = {kChipTool, "-r", "32", nullptr};
    pid_t pid;
    fflush(stdout);
    int rc = posix_spawnp(&pid, kChipTool, &actions, nullptr, const_cast<char *const *>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (rc != 0) {
        close(pipe_fds[0]);
        return -1;
    }
    FILE *output = fdopen(pipe_fds[0], "r");
    bool found = false;
    if (output) {
        found = read_chip_line(output, out, size);
        fclose(output);
    } else {
        close(pipe_fds[0]);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return found ? 0 : -1;
}

bool apply_model_update(char *chip, size_t size, const char *value) {
    if (!chip || !value || !value[0] || !is_alnum_text(value)) return false;
    const ChipField *field = find_field(kModelFields, value[0]);
    if (!field || field->offset + field->length >= size) return false;
    size_t length = strlen(value);
    if (length > field->length || length + 1 < field->length) return false;
    char padded[16] = {};
    memcpy(padded, value, length);
    if (length + 1 == field->length) padded[length] = '0';
    return replace_field(chip, *field, padded);
}

bool apply_chip_update(char *chip, size_t size, const char *value) {
    if (!chip || !value || !value[0] || !is_alnum_text(value) || size <= kChipLength) return false;
    size_t length = strlen(value);
    if (length > kChipLength) return false;
    char padded[kChipLength + 1] = {};
    memcpy(padded, value, length);
    if (length >= 21) memset(padded + length, '0', kChipLength - length);
    if (strncmp(padded, "QVN", 3) == 0) {
        if (strlen(padded) != kChipLength) return false;  // the whole text, all 32 characters
        memcpy(chip, padded, kChipLength + 1);
        return true;
    }
    const ChipField *field = find_field(kChipFields, padded[0]);
    if (!field || strlen(padded) < 1 + field->length) return false;
    return replace_field(chip, *field, padded + 1);
}

// "/vb.htm": runs each option of the argument in turn; every option answers for itself.
int on_factory_option(const char *arg) {
    if (!arg || hash_table_init() != 0) return answer("ERROR");
    OptionSlot *slots = static_cast<OptionSlot *>(calloc(kOptionSlots, sizeof *slots));
    if (!slots) {
        hash_table_destory();
        return answer("ERROR");
    }
    int count = 1;
    if (is_httpoption_no_arg(arg)) {
        copy_text_field(slots[0].name, sizeof slots[0].name, arg);
        strcpy(slots[0].value, "1");
    } else {
        count = get_httpoption_argnum(arg);
        if (count == 0 || ui_decodeing(arg, slots, count) != 0) {
            answer("PARAM ERROR");
            count = 0;
        }
    }
    for (int i = 0; i < count; i++) {
        HttpOption *option = http_option_search(slots[i].name);
        if (!option) {
            answer("ERROR");
            break;
        }
        option->handler(&slots[i]);
    }
    free(slots);
    hash_table_destory();
    return 0;
}
