// User account routes of module "/1000": list, add, change, delete, customer accounts, notices.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <memory>
#include <new>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "system/system_module.h"

namespace {

constexpr const char kSettingsDb[] = "/mnt/nand/app/qvdb.db";
constexpr const char kOemDb[] = "/mnt/nand2/oem.db";
constexpr int kMaxUsers = 100;
constexpr size_t kNameCompareLength = 31;  // duplicate names are compared on this many characters
constexpr int kRequestUsersChanged = 3505;
constexpr int kRequestPoeCameraPassword = 3265;
constexpr int kRequestUserNotice = 3267;
constexpr int kSettingsSaved = 204;
constexpr int kUserAdded = 921;
constexpr int kUserDeleted = 922;

// The twenty rights integers of an account, by JSON key.
struct RightField {
    const char *key;
    int UserRecord::*field;
};
const RightField kLocalRights[] = {
    {"localLiveView", &UserRecord::localLiveView},     {"localPlayback", &UserRecord::localPlayback},
    {"localRetrieve", &UserRecord::localRetrieve},     {"localSmartAnalysis", &UserRecord::localSmartAnalysis},
    {"localEvent", &UserRecord::localEvent},           {"localCamera", &UserRecord::localCamera},
    {"localStorage", &UserRecord::localStorage},       {"localSettings", &UserRecord::localSettings},
    {"localStatus", &UserRecord::localStatus},         {"localShutdown", &UserRecord::localShutdown},
};
const RightField kRemoteRights[] = {
    {"remoteLiveView", &UserRecord::remoteLiveView},   {"remotePlayback", &UserRecord::remotePlayback},
    {"remoteRetrieve", &UserRecord::remoteRetrieve},   {"remoteSmartAnalysis", &UserRecord::remoteSmartAnalysis},
    {"remoteEvent", &UserRecord::remoteEvent},         {"remoteCamera", &UserRecord::remoteCamera},
    {"remoteStorage", &UserRecord::remoteStorage},     {"remoteSettings", &UserRecord::remoteSettings},
    {"remoteStatus", &UserRecord::remoteStatus},       {"remoteShutdown", &UserRecord::remoteShutdown},
};

// The four per-channel access strings, by JSON key.
struct ChannelField {
    const char *key;
    char (UserRecord::*text)[65];
};
const ChannelField kLocalChannels[] = {
    {"localliveview", &UserRecord::localliveview},
    {"localplayback", &UserRecord::localplayback},
};
const ChannelField kRemoteChannels[] = {
    {"remoteliveview", &UserRecord::remoteliveview},
    {"remoteplayback", &UserRecord::remoteplayback},
};


json_object *user_object(const UserRecord &user) {
    json_object *object = json_object_new_object();
    json_add_int(object, "id", user.id);
    json_add_int(object, "enable", user.enable);
    json_add_text(object, "name", user.name);
    json_add_text(object, "password", user.password);
    json_add_int(object, "type", user.type);
    json_add_int(object, "permission", user.permission);
    for (const RightField &right : kLocalRights) json_add_int(object, right.key, user.*right.field);
    for (const ChannelField &channels : kLocalChannels) json_add_text(object, channels.key, user.*channels.text);
    json_add_int(object, "remotePermission", user.remotePermission);
    for (const RightField &right : kRemoteRights) json_add_int(object, right.key, user.*right.field);
    for (const ChannelField &channels : kRemoteChannels) json_add_text(object, channels.key, user.*channels.text);
    return object;
}

// Bit i set when character i (i below 32) of the channel string is '1'.
unsigned channel_mask(const char *channels) {
    unsigned mask = 0;
    for (unsigned i = 0; i < 32 && channels[i]; i++)
        if (channels[i] == '1') mask |= 1u << i;
    return mask;
}

void copy_rights(json_object *request, UserRecord *user, bool only_present) {
    for (const RightField *rights : {kLocalRights, kRemoteRights}) {
        for (int i = 0; i < 10; i++) {
            int value = 0;
            if (on_cgi_get_int_from_json(request, rights[i].key, &value) == 0 || !only_present)
                user->*rights[i].field = value;
        }
    }
}

void copy_channels(json_object *request, UserRecord *user) {
    for (const ChannelField *fields : {kLocalChannels, kRemoteChannels})
        for (int i = 0; i < 2; i++)
            on_cgi_get_string_from_json(request, fields[i].key, user->*fields[i].text, sizeof(user->*fields[i].text));
}

// The accounts of the table, up to 100; null when they cannot be read.
std::unique_ptr<UserRecord[]> read_all_users(int *count) {
    std::unique_ptr<UserRecord[]> users(new (std::nothrow) UserRecord[kMaxUsers]);
    *count = 0;
    if (!users) return nullptr;
    memset(users.get(), 0, sizeof(UserRecord) * kMaxUsers);
    if (read_users(kSettingsDb, users.get(), count) != 0) *count = 0;
    if (*count < 0) *count = 0;
    if (*count > kMaxUsers) *count = kMaxUsers;
    return users;
}

// The id of another account in use whose name matches on the first 31 characters, or -1.
int find_same_name(const char *name, int own_id) {
    int count = 0;
    std::unique_ptr<UserRecord[]> users = read_all_users(&count);
    for (int i = 0; users && i < count; i++) {
        const UserRecord &user = users[i];
        if (user.enable != 0 && user.id >= 0 && user.id != own_id &&
            strncmp(user.name, name, kNameCompareLength) == 0)
            return user.id;
    }
    return -1;
}

// The first 31 characters of "name"; false when it is missing or empty.
bool read_name(json_object *request, char (&name)[kNameCompareLength + 1]) {
    return on_cgi_get_string_from_json(request, "name", name, sizeof name) == 0 && name[0] != '\0';
}

bool read_ranged(json_object *request, const char *key, int low, int high, int *value) {
    return on_cgi_get_int_from_json(request, key, value) == 0 && *value >= low && *value <= high;
}

void notify_users_changed(const int32_t *id) {
    cgi_notify_daemon(on_system_ipc_callback, kRequestUsersChanged, id, id ? sizeof *id : 0);
}

// A new account from the request of "/6071"; the type and permission levels are checked first.
void build_new_user(json_object *request, int type, int permission, int remote_permission, UserRecord *user) {
    memset(user, 0, sizeof *user);
    user->enable = 1;
    on_cgi_get_string_from_json(request, "name", user->name, sizeof user->name);
    on_cgi_get_string_from_json(request, "password", user->password, sizeof user->password);
    user->type = type;
    user->permission = permission;
    user->remotePermission = remote_permission;
    copy_channels(request, user);
    user->localliveview_mask = channel_mask(user->localliveview);
    user->localplayback_mask = channel_mask(user->localplayback);
    user->remoteliveview_mask = channel_mask(user->remoteliveview);
    user->remoteplayback_mask = channel_mask(user->remoteplayback);
    copy_rights(request, user, false);
    strcpy(user->flag_text, "0");
}

// What an add or change request came to.
enum class AccountOutcome { kRefused, kFull, kSameName, kDone };

// Checks and stores a new account in one transaction, so that concurrent adds can neither
// overfill the table nor both take one name. Sets *id to the new account's id.
AccountOutcome add_account(const char *arg, int *id) {
    DbTransaction transaction(kSettingsDb);
    int count = 0;
    if (read_user_count(kSettingsDb, &count) != 0 || count > kMaxUsers - 1) return AccountOutcome::kFull;
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return AccountOutcome::kRefused;
    int type = 0, permission = 0, remote_permission = 0;
    if (!read_ranged(request, "type", 0, 3, &type) || !read_ranged(request, "permission", -1, INT32_MAX, &permission) ||
        !read_ranged(request, "remotePermission", -1, INT32_MAX, &remote_permission))
        return AccountOutcome::kRefused;
    char name[kNameCompareLength + 1];
    if (!read_name(request, name)) return AccountOutcome::kRefused;
    if (find_same_name(name, -1) >= 0) return AccountOutcome::kSameName;

    UserRecord user;
    build_new_user(request, type, permission, remote_permission, &user);
    if (add_user(kSettingsDb, &user) != 0) return AccountOutcome::kFull;  // no free slot after all
    if (transaction.commit() != 0) return AccountOutcome::kRefused;
    *id = user.id;
    return AccountOutcome::kDone;
}

// Reads, checks and rewrites one account in one transaction. Sets *id to the account's id.
AccountOutcome change_account(const char *arg, int *id) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request || !read_ranged(request, "id", 0, kMaxUsers - 1, id)) return AccountOutcome::kRefused;
    DbTransaction transaction(kSettingsDb);
    UserRecord user;
    memset(&user, 0, sizeof user);
    // A record that could not be read is never written back (it would land on account 0).
    if (read_user(kSettingsDb, &user, *id) != 0) return AccountOutcome::kRefused;
    user.id = *id;

    char name[kNameCompareLength + 1];
    bool has_name = read_name(request, name);
    if (user.enable == 0 && !has_name) return AccountOutcome::kRefused;  // a deleted slot comes back only with a name
    int type = user.type;
    if (json_object_object_get_ex(request, "type", nullptr) && !read_ranged(request, "type", 0, 3, &type))
        return AccountOutcome::kRefused;
    if (has_name) {
        if (find_same_name(name, *id) >= 0) return AccountOutcome::kSameName;
        copy_text_field(user.name, sizeof user.name, name);
    }
    user.enable = 1;
    user.type = type;
    on_cgi_get_string_from_json(request, "password", user.password, sizeof user.password);
    copy_rights(request, &user, true);
    copy_channels(request, &user);
    if (write_user(kSettingsDb, &user) != 0 || transaction.commit() != 0) return AccountOutcome::kRefused;
    return AccountOutcome::kDone;
}

}  // namespace

// "/6070": the accounts in use, in table order.
int on_get_user_list(const char *) {
    int count = 0;
    std::unique_ptr<UserRecord[]> users = read_all_users(&count);
    if (!users) return 0;
    json_object *list = json_object_new_array();
    for (int i = 0; i < count; i++)
        if (users[i].enable != 0) json_object_array_add(list, user_object(users[i]));
    return cgi_answer_json(list, kJson);
}

// "/6071": adds an account; "FAILED_FULL" with 100 accounts, "SAMEUSER" for a name in use.
int on_add_new_user(const char *arg) {
    int id = -1;
    switch (add_account(arg, &id)) {
        case AccountOutcome::kFull:
            return cgi_writeback_webserver(kTextPlain, "FAILED_FULL");
        case AccountOutcome::kSameName:
            return cgi_writeback_webserver(kTextPlain, "SAMEUSER");
        case AccountOutcome::kRefused:
            return 0;
        case AccountOutcome::kDone:
            break;
    }
    notify_users_changed(nullptr);
    cgi_log_operation(on_system_ipc_callback, kSettingsSaved, kUserAdded, 0);
    char answer[32];
    snprintf(answer, sizeof answer, "id=%d", id);
    return cgi_writeback_webserver(kTextPlain, answer);
}

// "/6072": changes the keys present in the request; permission levels and channel masks stay.
int on_set_user_info(const char *arg) {
    int id = -1;
    switch (change_account(arg, &id)) {
        case AccountOutcome::kSameName:
            return cgi_writeback_webserver(kTextPlain, "SAMEUSER");
        case AccountOutcome::kRefused:
        case AccountOutcome::kFull:
            return 0;
        case AccountOutcome::kDone:
            break;
    }
    int32_t changed = id;
    notify_users_changed(&changed);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6073": blanks the account's record.
int on_del_user_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int id = 0, type = 0;
    if (!request || !read_ranged(request, "id", 0, kMaxUsers - 1, &id) || !read_ranged(request, "type", 0, 3, &type))
        return 0;
    UserRecord blank;
    memset(&blank, 0, sizeof blank);
    blank.id = id;
    write_user(kSettingsDb, &blank);
    int32_t changed = id;
    notify_users_changed(&changed);
    cgi_log_operation(on_system_ipc_callback, kSettingsSaved, kUserDeleted, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6074": the customer's factory accounts, when the device has them.
int on_get_oem_user_list(const char *) {
    if (IsFileExisted(kOemDb) != 0) return 0;
    std::unique_ptr<OemUserRecord[]> users(new (std::nothrow) OemUserRecord[kMaxUsers]);
    if (!users) return 0;
    memset(users.get(), 0, sizeof(OemUserRecord) * kMaxUsers);
    int count = 0;
    if (read_users_oem(kOemDb, users.get(), &count) != 0) count = 0;
    if (count > kMaxUsers) count = kMaxUsers;
    json_object *list = json_object_new_array();
    for (int i = 0; i < count; i++) {
        const OemUserRecord &user = users[i];
        if (user.enable == 0) continue;
        json_object *object = json_object_new_object();
        json_add_int(object, "id", user.id);
        json_add_int(object, "enable", user.enable);
        json_add_text(object, "name", user.name);
        json_add_text(object, "password", user.password);
        json_add_int(object, "type", user.type);
        json_add_int(object, "permission", user.permission);
        json_add_int(object, "remotePermission", user.remotePermission);
        json_object_array_add(list, object);
    }
    return cgi_answer_json(list, kJson);
}

// "/6075": the daemon changes the PoE cameras' password; its reply handler answers.
int on_modify_poe_camera_pwd(const char *) {
    cgi_ask_daemon(on_system_ipc_callback, kRequestPoeCameraPassword, nullptr, 0, kJson);
    return 0;
}

// Reply 8265: the daemon's result number as text.
int on_modify_poe_camera_pwd_cb(const void *payload, int length) {
    int result = 0;
    if (!reply_word(payload, length, 0, &result)) return 0;  // too short: treated as no reply
    char text[16];
    snprintf(text, sizeof text, "%d", result);
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done();
    return 0;
}

// "/6076": tells the daemon the user notice is due.
int on_send_user_notice(const char *) {
    cgi_notify_daemon(on_system_ipc_callback, kRequestUserNotice, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6077": tells the daemon that accounts changed.
int on_cgi_set_user_info(const char *) {
    notify_users_changed(nullptr);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
