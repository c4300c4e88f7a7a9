// nvrdb commands: init, user add, show, param get/set.
#include "tools/nvrdb/nvrdb.h"

#include <errno.h>
#include <json-c/json.h>
#include <limits.h>
#include <openssl/evp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "core/qvdb.h"
#include "core/web_utils.h"
#include "platform/devroot.h"

namespace {

const char kUsage[] =
    "Usage: nvrdb --root DIR COMMAND ...\n"
    "Creates and inspects the configuration databases beneath a device root\n"
    "(DIR/mnt/nand/app/qvdb.db, DIR/mnt/nand/app/anpr.db, DIR/mnt/nand2/oem.db).\n"
    "\n"
    "Commands:\n"
    "  init                                  create the three databases in factory state\n"
    "                                        (existing files are brought up to date, never cleared)\n"
    "  user add NAME --password PW [--type N]\n"
    "                                        add an account (type 0 to 3, default 0) with every right\n"
    "                                        and every channel; the stored digest is the MD5 hex of PW\n"
    "  show KIND [KEY [SECOND]]              print one stored record, list or schedule as JSON; KIND is\n"
    "                                        a declared kind (see 'show --list'), KEY the channel or id\n"
    "                                        (default 0), SECOND the event type or other second key\n"
    "  show --list                           list the declared kinds\n"
    "  param get KEY                         print a parameter's value\n"
    "  param set KEY VALUE                   store a parameter (created when missing)\n"
    "\n"
    "Options:\n"
    "  --root DIR   device root (required)\n"
    "  --help       this text\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

int usage_error(std::string &err, const std::string &message) {
    err += "nvrdb: " + message + "\n" + "Try 'nvrdb --help'.\n";
    return 2;
}

bool parse_int(const std::string &text, int *out) {
    if (text.empty()) return false;
    char *end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) return false;
    *out = static_cast<int>(value);
    return true;
}

const char *file_path(QvdbFile file) {
    switch (file) {
        case kQvdbAnpr:
            return QVDB_ANPR_PATH;
        case kQvdbOem:
            return QVDB_OEM_PATH;
        default:
            return QVDB_PATH;
    }
}

int command_init(std::string &out, std::string &err) {
    const char *paths[] = {QVDB_PATH, QVDB_ANPR_PATH, QVDB_OEM_PATH};
    for (const char *path : paths) {
        if (qvdb_init_file(path) != 0) {
            err += std::string("nvrdb: cannot create ") + nvr_path(path) + "\n";
            return 1;
        }
        out += nvr_path(path) + "\n";
    }
    return 0;
}

int command_user_add(const std::vector<std::string> &args, size_t at, std::string &out, std::string &err) {
    if (at >= args.size() || args[at].empty() || args[at][0] == '-') return usage_error(err, "user add needs a NAME");
    std::string name = args[at++];
    std::string password;
    bool have_password = false;
    int type = 0;
    while (at < args.size()) {
        const std::string &option = args[at++];
        if (option == "--password" && at < args.size()) {
            password = args[at++];
            have_password = true;
        } else if (option == "--type" && at < args.size()) {
            if (!parse_int(args[at++], &type) || type < 0 || type > 3) return usage_error(err, "--type must be 0 to 3");
        } else {
            return usage_error(err, "unexpected argument '" + option + "'");
        }
    }
    if (!have_password) return usage_error(err, "user add needs --password");
    if (name.size() > 63) return usage_error(err, "NAME is longer than 63 characters");

    UserRecord existing;
    memset(&existing, 0, sizeof existing);
    if (read_user_by_name(QVDB_PATH, &existing, name.c_str()) == 0) {
        err += "nvrdb: user '" + name + "' exists (id " + std::to_string(existing.id) + ")\n";
        return 1;
    }
    UserRecord user;
    memset(&user, 0, sizeof user);
    user.enable = 1;
    copy_text_field(user.name, sizeof user.name, name.c_str());
    copy_text_field(user.password, sizeof user.password, nvrdb_md5_hex(password).c_str());
    user.type = type;
    std::string all_channels(64, '1');
    copy_text_field(user.localliveview, sizeof user.localliveview, all_channels.c_str());
    copy_text_field(user.localplayback, sizeof user.localplayback, all_channels.c_str());
    copy_text_field(user.remoteliveview, sizeof user.remoteliveview, all_channels.c_str());
    copy_text_field(user.remoteplayback, sizeof user.remoteplayback, all_channels.c_str());
    copy_text_field(user.flag_text, sizeof user.flag_text, "0");
    int32_t *rights = &user.localLiveView;
    for (int i = 0; i < 20; i++) rights[i] = 1;
    user.localliveview_mask = user.localplayback_mask = 0xFFFFFFFFu;
    user.remoteliveview_mask = user.remoteplayback_mask = 0xFFFFFFFFu;
    if (add_user(QVDB_PATH, &user) != 0) {
        err += "nvrdb: cannot add user '" + name + "' (database missing or 100 accounts in use)\n";
        return 1;
    }
    out += "id=" + std::to_string(user.id) + "\n";
    return 0;
}

json_object *fields_json(const QvdbShape &shape, const void *record) {
    json_object *object = json_object_new_object();
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        const char *at = static_cast<const char *>(record) + field.offset;
        json_object *value;
        if (field.type == QvdbType::Text) {
            value = json_object_new_string_len(at, static_cast<int>(strnlen(at, field.size)));
        } else if (field.type == QvdbType::Int32Array) {
            value = json_object_new_array();
            for (uint32_t index = 0; index < field.size / sizeof(int32_t); index++) {
                int32_t number;
                memcpy(&number, at + index * sizeof number, sizeof number);
                json_object_array_add(value, json_object_new_int(number));
            }
        } else if (field.type == QvdbType::Int32) {
            int32_t number;
            memcpy(&number, at, sizeof number);
            value = json_object_new_int(number);
        } else if (field.type == QvdbType::UInt32) {
            uint32_t number;
            memcpy(&number, at, sizeof number);
            value = json_object_new_int64(number);
        } else if (field.type == QvdbType::Double) {
            double number;
            memcpy(&number, at, sizeof number);
            value = json_object_new_double(number);
        } else {
            int64_t number;
            memcpy(&number, at, sizeof number);
            value = json_object_new_int64(number);
        }
        json_object_object_add(object, field.column, value);
    }
    return object;
}

json_object *schedule_json(const WeeklySchedule &schedule) {
    json_object *days = json_object_new_array();
    for (const ScheduleDay &day : schedule.day) {
        json_object *periods = json_object_new_array();
        for (const SchedulePeriod &period : day.period) {
            if (!period.startTime[0] && !period.endTime[0] && !period.actionType) continue;
            json_object *item = json_object_new_object();
            json_object_object_add(item, "startTime", json_object_new_string_len(period.startTime, static_cast<int>(strnlen(period.startTime, 32))));
            json_object_object_add(item, "endTime", json_object_new_string_len(period.endTime, static_cast<int>(strnlen(period.endTime, 32))));
            json_object_object_add(item, "actionType", json_object_new_int(period.actionType));
            json_object_array_add(periods, item);
        }
        json_object *entry = json_object_new_object();
        json_object_object_add(entry, "dayFlag", json_object_new_int(day.dayFlag));
        json_object_object_add(entry, "periods", periods);
        json_object_array_add(days, entry);
    }
    return days;
}

// The stored value of one table and key as JSON, or null when nothing can be read.
json_object *table_json(const QvdbTable &table, int key, int extra) {
    const QvdbShape &shape = *table.shape;
    const char *db = file_path(shape.file);
    if (shape.layout == QvdbLayout::Schedule) {
        std::vector<WeeklySchedule> schedule(1);
        if (qvdb_read_schedule(db, table, schedule.data(), key, extra) != 0) return nullptr;
        return schedule_json(schedule[0]);
    }
    if (shape.layout == QvdbLayout::List) {
        std::vector<unsigned char> entries(static_cast<size_t>(shape.slot_limit) * shape.size);
        int count = 0;
        if (qvdb_read_list(db, table, entries.data(), shape.slot_limit, &count, key, extra) != 0) return nullptr;
        json_object *list = json_object_new_array();
        for (int i = 0; i < count; i++)
            json_object_array_add(list, fields_json(shape, entries.data() + static_cast<size_t>(i) * shape.size));
        return list;
    }
    std::vector<unsigned char> record(shape.size);
    if (qvdb_read_record(db, table, record.data(), key, extra) != 0) return nullptr;
    return fields_json(shape, record.data());
}

int command_show(const std::vector<std::string> &args, size_t at, std::string &out, std::string &err) {
    if (at < args.size() && args[at] == "--list") {
        for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table))
            if (qvdb_find_table(table->name) == table) out += std::string(table->name) + "\n";
        return 0;
    }
    if (at >= args.size()) return usage_error(err, "show needs a KIND");
    const QvdbTable *table = qvdb_find_table(args[at].c_str());
    if (!table) return usage_error(err, "unknown KIND '" + args[at] + "' (see 'nvrdb show --list')");
    int key = 0, extra = 0;
    if (at + 1 < args.size() && !parse_int(args[at + 1], &key)) return usage_error(err, "KEY must be a number");
    if (at + 2 < args.size() && !parse_int(args[at + 2], &extra)) return usage_error(err, "SECOND must be a number");
    if (at + 3 < args.size()) return usage_error(err, "too many arguments");
    json_object *value = table_json(*table, key, extra);
    if (!value) {
        err += "nvrdb: no " + args[at] + " stored for key " + std::to_string(key) + "\n";
        return 1;
    }
    out += json_object_to_json_string_ext(value, JSON_C_TO_STRING_PRETTY);
    out += "\n";
    json_object_put(value);
    return 0;
}

int command_param(const std::vector<std::string> &args, size_t at, std::string &out, std::string &err) {
    std::string action = at < args.size() ? args[at] : "";
    if (action == "get" && at + 2 == args.size()) {
        char value[1024];
        if (get_param_value(QVDB_PATH, args[at + 1].c_str(), value, sizeof value, "") != 0) {
            err += "nvrdb: no parameter '" + args[at + 1] + "'\n";
            return 1;
        }
        out += std::string(value) + "\n";
        return 0;
    }
    if (action == "set" && at + 3 == args.size()) {
        if (set_param_value(QVDB_PATH, args[at + 1].c_str(), args[at + 2].c_str()) != 0) {
            err += "nvrdb: cannot store parameter '" + args[at + 1] + "'\n";
            return 1;
        }
        return 0;
    }
    return usage_error(err, "use 'param get KEY' or 'param set KEY VALUE'");
}

}  // namespace

std::string nvrdb_md5_hex(const std::string &text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) return "";
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; i++) {
        snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

int nvrdb_run(const std::vector<std::string> &args, std::string &out, std::string &err) {
    std::string root;
    size_t at = 0;
    while (at < args.size() && args[at].compare(0, 2, "--") == 0) {
        if (args[at] == "--help") {
            out += kUsage;
            return 0;
        }
        if (args[at] == "--root" && at + 1 < args.size()) {
            root = args[at + 1];
            at += 2;
        } else {
            return usage_error(err, "unknown option '" + args[at] + "'");
        }
    }
    if (root.empty()) return usage_error(err, "--root DIR is required");
    if (at >= args.size()) return usage_error(err, "no command given");
    qvdb_close_all();
    setenv("NVR_ROOT", root.c_str(), 1);
    nvr_devroot_reset();
    const std::string &command = args[at++];
    int status;
    if (command == "init") status = at == args.size() ? command_init(out, err) : usage_error(err, "init takes no arguments");
    else if (command == "user" && at < args.size() && args[at] == "add") status = command_user_add(args, at + 1, out, err);
    else if (command == "show") status = command_show(args, at, out, err);
    else if (command == "param") status = command_param(args, at, out, err);
    else status = usage_error(err, "unknown command '" + command + "'");
    qvdb_close_all();
    return status;
}
