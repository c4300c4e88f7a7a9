// Login and session routes of module "/1000": password login and the e-mail link login.
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/cgi_env.h"
#include "frame/multipart.h"
#include "platform/devroot.h"
#include "platform/qvcrypt.h"
#include "system/login.h"
#include "system/system_module.h"

namespace {

constexpr const char kSettingsDb[] = "/mnt/nand/app/qvdb.db";
constexpr int kRequestMailLogin = 3504;
constexpr int kMailTokenSize = 256;
constexpr int kSessionDigits = 32;
constexpr int kCookieLifetime = 600;
constexpr size_t kDomainSize = 50;
constexpr int kLoginSubType = 201;
constexpr int kNothingInParticular = 900;
constexpr int kTypeRefused = -2;  // accounts of type 3 may not log in here
constexpr int kTypeFailed = -1;

bool is_host_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '[' || c == ']' || c == ':';
}

// The answer type of a login: the stored type, -2 for type 3, -1 for anything refused.
int login_type(const UserRecord &user, bool found, const char *md5) {
    if (!found) return kTypeFailed;
    if (user.type == 3) return kTypeRefused;
    if (user.type < 0 || user.type > 3 || strcasecmp(user.password, md5) != 0) return kTypeFailed;
    return user.type;
}


json_object *login_answer(const UserRecord &user, const char *session_id) {
    json_object *answer = json_object_new_object();
    json_add_int(answer, "type", user.type);
    json_add_text(answer, "userName", user.name);
    json_add_int(answer, "permission", user.permission);
    json_add_int(answer, "localLiveView", user.localLiveView);
    json_add_int(answer, "localPlayback", user.localPlayback);
    json_add_int(answer, "localRetrieve", user.localRetrieve);
    json_add_int(answer, "localSmartAnalysis", user.localSmartAnalysis);
    json_add_int(answer, "localEvent", user.localEvent);
    json_add_int(answer, "localCamera", user.localCamera);
    json_add_int(answer, "localStorage", user.localStorage);
    json_add_int(answer, "localSettings", user.localSettings);
    json_add_int(answer, "localStatus", user.localStatus);
    json_add_int(answer, "localShutdown", user.localShutdown);
    json_add_text(answer, "localliveview", user.localliveview);
    json_add_text(answer, "localplayback", user.localplayback);
    json_add_int(answer, "remotePermisson", user.remotePermission);  // the pages read this spelling
    json_add_int(answer, "remoteLiveView", user.remoteLiveView);
    json_add_int(answer, "remotePlayback", user.remotePlayback);
    json_add_int(answer, "remoteRetrieve", user.remoteRetrieve);
    json_add_int(answer, "remoteSmartAnalysis", user.remoteSmartAnalysis);
    json_add_int(answer, "remoteEvent", user.remoteEvent);
    json_add_int(answer, "remoteCamera", user.remoteCamera);
    json_add_int(answer, "remoteStorage", user.remoteStorage);
    json_add_int(answer, "remoteSettings", user.remoteSettings);
    json_add_int(answer, "remoteStatus", user.remoteStatus);
    json_add_int(answer, "remoteShutdown", user.remoteShutdown);
    json_add_text(answer, "remoteliveview", user.remoteliveview);
    json_add_text(answer, "remoteplayback", user.remoteplayback);
    json_add_text(answer, "sessionId", session_id);
    return answer;
}

// The device facts the pages need at start.
void add_device_facts(json_object *answer, int failover_mode, int same_channel, const char *hardware_version) {
    char software_version[256] = {};
    char model[256] = {};
    get_param_value(kSettingsDb, "software_version", software_version, sizeof software_version, "7x.7.0.9");
    get_param_value(kSettingsDb, "model", model, sizeof model, "");
    json_add_int(answer, "failoverMode", failover_mode);
    json_add_int(answer, "sameChannel", same_channel == 2 ? 1 : 0);
    json_add_text(answer, "hardwareVersion", hardware_version);
    json_add_text(answer, "softwareVersion", software_version);
    json_add_text(answer, "model", model);
}

// Records the login under the name the request gave (the cookie does not hold it yet).
void log_login(const char *user_name) {
    OperationLogRecord record;
    cgi_init_log_info(&record);
    record.sub_type = kLoginSubType;
    record.parameter = kNothingInParticular;
    copy_text_field(record.user_name, sizeof record.user_name, user_name);
    cgi_send_log_record(on_system_ipc_callback, &record);
}

// Makes a folder for certificates when it is missing; 0 when it is there afterwards.
int ensure_private_dir(const char *device_path) {
    std::string path = nvr_path(device_path);
    if (access(path.c_str(), F_OK) == 0) return 0;
    return mkdir(path.c_str(), 0700) == 0 ? 0 : -1;
}

}  // namespace

int get_session_id(char *out) {
    if (!out) return -1;
    size_t length = strlen(out);
    int digits = 0;
    unsigned char pool[64];
    while (digits < kSessionDigits) {
        if (!qv_random_bytes(pool, sizeof pool)) return -1;
        // Bytes of 250 and above are dropped so that every digit is equally likely.
        for (size_t i = 0; i < sizeof pool && digits < kSessionDigits; i++) {
            if (pool[i] >= 250) continue;
            out[length++] = static_cast<char>('0' + pool[i] % 10);
            digits++;
        }
    }
    out[length] = '\0';
    return static_cast<int>(length);
}

int config_ssl_params() {
    int result = ensure_private_dir("/mnt/nand/ssl");
    int last = ensure_private_dir("/mnt/nand/ssl/tmp");
    return result == 0 ? last : result;
}

void cookie_domain_from_host(const char *host, char *domain, size_t size) {
    if (!domain || size == 0) return;
    domain[0] = '\0';
    if (!host) return;
    for (const char *p = host; *p; p++)
        if (!is_host_character(*p)) return;  // not a host name: no domain at all
    size_t length;
    if (host[0] == '[') {
        const char *close = strchr(host, ']');
        if (!close) return;
        length = static_cast<size_t>(close - host) + 1;
    } else {
        length = strcspn(host, ":");
    }
    if (length > kDomainSize - 1) length = kDomainSize - 1;
    if (length > size - 1) length = size - 1;
    memcpy(domain, host, length);
    domain[length] = '\0';
}

// "/1000": checks the name and password digest and answers the account's rights.
int on_user_login(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    config_ssl_params();

    char user_name[256] = {};
    char md5[33] = {};
    on_cgi_get_string_from_json(request, "userName", user_name, sizeof user_name);
    on_cgi_get_string_from_json(request, "md5", md5, sizeof md5);

    UserRecord user;
    memset(&user, 0, sizeof user);
    user.id = -1;
    read_user_by_name(kSettingsDb, &user, user_name);
    // A deleted slot (enable 0) holds an empty name and password: it is no account.
    bool found = user.id != -1 && user.enable != 0;
    int type = login_type(user, found, md5);

    int failover_mode = get_param_int(kSettingsDb, "failover_mode", 0);
    int same_channel = get_param_int(kSettingsDb, "same_channel_exist", 0);
    char hardware_version[32] = {};
    get_param_value(kSettingsDb, "hardware_version", hardware_version, sizeof hardware_version, "V1.1");

    if (type < 0) {
        JsonRef refused(json_object_new_object());
        json_add_int(refused, "type", type);
        return cgi_writeback_webserver(kTextPlain, json_object_to_json_string(refused));
    }
    char session_id[100] = {};
    if (get_session_id(session_id) < 0) return 0;  // no random source: no session can be handed out
    JsonRef answer(login_answer(user, session_id));
    add_device_facts(answer, failover_mode, same_channel, hardware_version);
    log_login(user_name);
    return cgi_writeback_webserver(kTextPlain, json_object_to_json_string(answer));
}

// "/1018": the daemon decides whether the e-mail link's token is valid; its reply handler answers.
int on_user_login_from_mail(const char *arg) {
    char token[kMailTokenSize] = {};
    copy_text_field(token, sizeof token, arg);
    cgi_ask_daemon(on_system_ipc_callback, kRequestMailLogin, token, sizeof token, kTextPlain);
    return 0;
}

// Reply 8504: status 0 plants the cookies of a temporary viewer session, then redirects.
int on_user_login_from_mail_cb(const void *payload, int length) {
    int status = 0;
    if (!reply_word(payload, length, 0, &status)) return 0;  // too short: treated as no reply
    if (status == 0) {
        char domain[kDomainSize];
        cookie_domain_from_host(cgiServerAddr, domain, sizeof domain);
        cgiHeaderCookieSetString("userName", "temp", kCookieLifetime, "/", domain);
        cgiHeaderCookieSetString("userType", "2", kCookieLifetime, "/", domain);
        cgiHeaderCookieSetString("permission", "0", kCookieLifetime, "/", domain);
        cgiHeaderCookieSetString("sessionId", "0", kCookieLifetime, "/", domain);
        cgiHeaderCookieSetString("language", "en-US", kCookieLifetime, "/", domain);
        cgiHeaderLocation("../../html/index.html");
    } else {
        cgiHeaderLocation("../../html/home.html");
    }
    fflush(cgiOut);
    cgi_reply_done();
    return 0;
}
