// Test helpers for the login and account routes: a route fixture whose process shares the
// device root, so accounts can be stored and read back through the database library.
#ifndef NVR_SYSTEM_USER_TEST_UTIL_H
#define NVR_SYSTEM_USER_TEST_UTIL_H

#include <json-c/json.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/qvdb.h"
#include "platform/devroot.h"
#include "tests/harness.h"

constexpr const char kTestSettingsDb[] = "/mnt/nand/app/qvdb.db";

class AccountRouteTest : public RouteTest {
  protected:
    // Stores an account in slot `id` with every right set to its position (1 to 20).
    UserRecord store_user(int id, const std::string &name, const std::string &password, int type) {
        UserRecord user;
        memset(&user, 0, sizeof user);
        user.id = id;
        user.enable = 1;
        strncpy(user.name, name.c_str(), sizeof user.name - 1);
        strncpy(user.password, password.c_str(), sizeof user.password - 1);
        user.type = type;
        strcpy(user.localliveview, "1100");
        strcpy(user.localplayback, "1010");
        strcpy(user.remoteliveview, "0110");
        strcpy(user.remoteplayback, "0001");
        int *rights[] = {&user.localLiveView,    &user.localPlayback,       &user.localRetrieve,  &user.localSmartAnalysis,
                         &user.localEvent,       &user.localCamera,         &user.localStorage,   &user.localSettings,
                         &user.localStatus,      &user.localShutdown,       &user.remoteLiveView, &user.remotePlayback,
                         &user.remoteRetrieve,   &user.remoteSmartAnalysis, &user.remoteEvent,    &user.remoteCamera,
                         &user.remoteStorage,    &user.remoteSettings,      &user.remoteStatus,   &user.remoteShutdown};
        for (int i = 0; i < 20; i++) *rights[i] = i + 1;
        user.permission = 7;
        user.remotePermission = 8;
        user.localliveview_mask = 3;
        EXPECT_EQ(write_user(kTestSettingsDb, &user), 0);
        return user;
    }

    // The stored record of slot `id`; `found` false when it cannot be read.
    UserRecord stored_user(int id, bool *found = nullptr) {
        UserRecord user;
        memset(&user, 0, sizeof user);
        int rc = read_user(kTestSettingsDb, &user, id);
        if (found) *found = rc == 0;
        return user;
    }

    // Keys of a JSON object text, in order; empty when it is not an object.
    static std::vector<std::string> keys_of(const std::string &text) {
        std::vector<std::string> keys;
        json_object *object = json_tokener_parse(text.c_str());
        if (!object) return keys;
        if (json_object_is_type(object, json_type_object)) {
            json_object_object_foreach(object, key, value) {
                (void)value;
                keys.push_back(key);
            }
        }
        json_object_put(object);
        return keys;
    }
};

#endif
