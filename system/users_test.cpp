// User account routes "/6070" to "/6077", end to end against a device root and the daemon.
#include <gtest/gtest.h>
#include <json-c/json.h>

#include <string>
#include <thread>
#include <vector>

#include "system/user_test_util.h"

namespace {

const char kText[] = "Content-type: text/plain\r\n\r\n";
const char kJsonHeader[] = "Content-type: application/json\r\n\r\n";

std::string text_answer(const std::string &text) { return kText + text; }

class UsersRoute : public AccountRouteTest {
  protected:
    // A valid add request; `extra` is spliced in before the closing brace.
    static std::string add_body(const std::string &name, const std::string &extra = "") {
        return "{\"name\": \"" + name +
               "\", \"password\": \"abcdefabcdefabcdefabcdefabcdefab\", \"type\": 1, \"permission\": 2, "
               "\"remotePermission\": -1" +
               extra + "}";
    }
    int user_count() {
        int count = -1;
        read_user_count(kTestSettingsDb, &count);
        return count;
    }
};

TEST_F(UsersRoute, ListsAccountsInUseInTableOrder) {
    store_user(0, "admin", "d0", 0);
    store_user(2, "second", "d2", 2);
    UserRecord gone;
    memset(&gone, 0, sizeof gone);
    gone.id = 1;
    write_user(kTestSettingsDb, &gone);
    CgiResult r = get("/6070");
    ASSERT_EQ(r.headers, kJsonHeader);
    json_object *list = json_tokener_parse(r.body.c_str());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(json_object_array_length(list), 2u);
    json_object *first = json_object_array_get_idx(list, 0);
    json_object *second = json_object_array_get_idx(list, 1);
    EXPECT_STREQ(json_object_get_string(json_object_object_get(first, "name")), "admin");
    EXPECT_STREQ(json_object_get_string(json_object_object_get(first, "password")), "d0");
    EXPECT_EQ(json_object_get_int(json_object_object_get(second, "id")), 2);
    EXPECT_EQ(json_object_get_int(json_object_object_get(second, "remotePermission")), 8);
    EXPECT_EQ(json_object_get_int(json_object_object_get(second, "remoteShutdown")), 20);
    std::vector<std::string> expected = {
        "id", "enable", "name", "password", "type", "permission", "localLiveView", "localPlayback",
        "localRetrieve", "localSmartAnalysis", "localEvent", "localCamera", "localStorage", "localSettings",
        "localStatus", "localShutdown", "localliveview", "localplayback", "remotePermission", "remoteLiveView",
        "remotePlayback", "remoteRetrieve", "remoteSmartAnalysis", "remoteEvent", "remoteCamera", "remoteStorage",
        "remoteSettings", "remoteStatus", "remoteShutdown", "remoteliveview", "remoteplayback"};
    EXPECT_EQ(keys_of(json_object_to_json_string(first)), expected);
    json_object_put(list);
}

TEST_F(UsersRoute, AddsAnAccount) {
    store_user(0, "admin", "d0", 0);
    std::string rights;
    const char *keys[] = {"localLiveView", "localShutdown", "remoteLiveView", "remoteShutdown"};
    for (int i = 0; i < 4; i++) rights += ", \"" + std::string(keys[i]) + "\": " + std::to_string(i + 1);
    CgiResult r = post_json("/6071", add_body("new", rights + ", \"localliveview\": \"" + std::string(40, '1') +
                                                         "\", \"localplayback\": \"101\", \"remoteliveview\": \"" +
                                                         std::string(70, '1') + "\""));
    EXPECT_EQ(r.output, text_answer("id=1"));
    bool found = false;
    UserRecord user = stored_user(1, &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(user.enable, 1);
    EXPECT_STREQ(user.name, "new");
    EXPECT_STREQ(user.password, "abcdefabcdefabcdefabcdefabcdefab");
    EXPECT_EQ(user.type, 1);
    EXPECT_EQ(user.permission, 2);
    EXPECT_EQ(user.remotePermission, -1);
    EXPECT_EQ(user.localLiveView, 1);
    EXPECT_EQ(user.localShutdown, 2);
    EXPECT_EQ(user.remoteLiveView, 3);
    EXPECT_EQ(user.remoteShutdown, 4);
    EXPECT_EQ(user.localPlayback, 0);  // missing rights are 0
    EXPECT_EQ(user.localliveview_mask, 0xFFFFFFFFu);  // characters past 32 do not count
    EXPECT_EQ(user.localplayback_mask, 5u);
    EXPECT_EQ(std::string(user.remoteliveview), std::string(64, '1'));
    EXPECT_EQ(user.remoteplayback_mask, 0u);
    EXPECT_STREQ(user.flag_text, "0");

    std::vector<SimRequest> notices = sent(3505, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].payload.empty());
    std::vector<SimRequest> logs = sent(3485, 1);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(payload_i64(logs[0].payload, 8), 204);
    EXPECT_EQ(payload_i32(logs[0].payload, 24), 921);
}

TEST_F(UsersRoute, TableOfOneHundredIsFull) {
    for (int id = 0; id < 99; id++) store_user(id, "user" + std::to_string(id), "d", 2);
    EXPECT_EQ(post_json("/6071", add_body("last")).output, text_answer("id=99"));
    EXPECT_EQ(user_count(), 100);
    EXPECT_EQ(post_json("/6071", add_body("more")).output, text_answer("FAILED_FULL"));
    EXPECT_EQ(post_json("/6071", "not json").output, text_answer("FAILED_FULL"));  // checked before parsing
    EXPECT_EQ(user_count(), 100);
}

TEST_F(UsersRoute, AddValidationAnswersNothingAndWritesNothing) {
    store_user(0, "admin", "d0", 0);
    struct Case {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, "not json"},
        {__LINE__, "[1]"},
        {__LINE__, "{\"name\": \"a\", \"type\": 4, \"permission\": 0, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": \"a\", \"type\": -1, \"permission\": 0, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": \"a\", \"permission\": 0, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": \"a\", \"type\": \"x\", \"permission\": 0, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": \"a\", \"type\": 1, \"permission\": -2, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": \"a\", \"type\": 1, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": \"a\", \"type\": 1, \"permission\": 0, \"remotePermission\": -2}"},
        {__LINE__, "{\"name\": \"a\", \"type\": 1, \"permission\": 0}"},
        {__LINE__, "{\"type\": 1, \"permission\": 0, \"remotePermission\": 0}"},  // no name
        {__LINE__, "{\"name\": \"\", \"type\": 1, \"permission\": 0, \"remotePermission\": 0}"},
        {__LINE__, "{\"name\": 7, \"type\": 1, \"permission\": 0, \"remotePermission\": 0}"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6071", c.body).output, "") << "line " << c.line;
    EXPECT_EQ(user_count(), 1);
    EXPECT_TRUE(sent(3505).empty());
    EXPECT_TRUE(sent(3485).empty());
    // The lowest accepted levels.
    EXPECT_EQ(post_json("/6071", "{\"name\": \"a\", \"type\": 3, \"permission\": -1, \"remotePermission\": -1}").output,
              text_answer("id=1"));
}

TEST_F(UsersRoute, DuplicateNamesCompareOn31Characters) {
    const std::string base(31, 'k');
    store_user(0, "admin", "d0", 0);
    store_user(1, base + "first", "d1", 2);
    struct Case {
        int line;
        std::string name;
        std::string answer;
    } cases[] = {
        {__LINE__, "admin", "SAMEUSER"},
        {__LINE__, base + "second", "SAMEUSER"},  // differs only after the 31st character
        {__LINE__, base, "SAMEUSER"},
        {__LINE__, std::string(30, 'k') + "j", "id=2"},
        {__LINE__, "Admin", "id=3"},  // names are compared exactly
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6071", add_body(c.name)).output, text_answer(c.answer)) << "line " << c.line;
}

TEST_F(UsersRoute, ConcurrentAddsOfOneNameMakeOneAccount) {
    store_user(0, "admin", "d0", 0);
    std::vector<CgiResult> results(6);
    std::vector<std::thread> requests;
    for (size_t i = 0; i < results.size(); i++)
        requests.emplace_back([&, i] { results[i] = post_json("/6071", add_body("twin")); });
    for (std::thread &request : requests) request.join();
    int added = 0, same = 0;
    for (const CgiResult &r : results) {
        if (r.output == text_answer("id=1")) added++;
        if (r.output == text_answer("SAMEUSER")) same++;
    }
    EXPECT_EQ(added, 1);
    EXPECT_EQ(same, 5);
    EXPECT_EQ(user_count(), 2);
}

TEST_F(UsersRoute, HostileNamesAreStoredAsDataCutToTheField) {
    std::string shell = "$(touch " + root.at("/tmp/pwned") + ");`id`|&";
    EXPECT_EQ(post_json("/6071", add_body(shell)).output, text_answer("id=0"));
    EXPECT_STREQ(stored_user(0).name, shell.substr(0, 63).c_str());
    EXPECT_FALSE(root.exists("/tmp/pwned"));
    std::string long_name(200, 'L');
    EXPECT_EQ(post_json("/6071", add_body(long_name, ", \"password\": \"" + std::string(50, 'p') + "\"")).output,
              text_answer("id=1"));
    UserRecord user = stored_user(1);
    EXPECT_EQ(std::string(user.name), std::string(63, 'L'));
    EXPECT_EQ(std::string(user.password), std::string(32, 'p'));
}

TEST_F(UsersRoute, ChangesOnlyThePresentKeys) {
    store_user(0, "admin", "d0", 0);
    UserRecord before = store_user(4, "op", "d4", 1);
    CgiResult r = post_json("/6072",
                            "{\"id\": 4, \"name\": \"operator\", \"password\": \"NEWDIGEST\", \"type\": 2, "
                            "\"permission\": 9, \"remotePermission\": 9, \"localCamera\": 60, "
                            "\"remoteplayback\": \"1111\"}");
    EXPECT_EQ(r.output, text_answer("OK"));
    UserRecord user = stored_user(4);
    EXPECT_STREQ(user.name, "operator");
    EXPECT_STREQ(user.password, "NEWDIGEST");
    EXPECT_EQ(user.type, 2);
    EXPECT_EQ(user.localCamera, 60);
    EXPECT_STREQ(user.remoteplayback, "1111");
    EXPECT_EQ(user.permission, before.permission);  // levels are not changed here
    EXPECT_EQ(user.remotePermission, before.remotePermission);
    EXPECT_EQ(user.localliveview_mask, before.localliveview_mask);  // nor the channel sets
    EXPECT_EQ(user.remoteplayback_mask, before.remoteplayback_mask);
    EXPECT_EQ(user.localLiveView, before.localLiveView);
    EXPECT_STREQ(user.localliveview, before.localliveview);
    std::vector<SimRequest> notices = sent(3505, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].payload, le_words({4}));
    EXPECT_TRUE(sent(3485).empty());

    // Renaming to its own name is allowed; to another account's name is not.
    EXPECT_EQ(post_json("/6072", "{\"id\": 4, \"name\": \"operator\"}").output, text_answer("OK"));
    EXPECT_EQ(post_json("/6072", "{\"id\": 4, \"name\": \"admin\", \"password\": \"x\"}").output, text_answer("SAMEUSER"));
    EXPECT_STREQ(stored_user(4).password, "NEWDIGEST");
}

TEST_F(UsersRoute, ChangeRefusesWhatCannotBeChangedSafely) {
    UserRecord admin = store_user(0, "admin", "d0", 0);
    store_user(4, "op", "d4", 1);
    UserRecord gone;
    memset(&gone, 0, sizeof gone);
    gone.id = 6;
    write_user(kTestSettingsDb, &gone);
    struct Case {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, "not json"},
        {__LINE__, "{\"password\": \"x\"}"},  // no id: never account 0 by default
        {__LINE__, "{\"id\": -1, \"password\": \"x\"}"},
        {__LINE__, "{\"id\": 100, \"password\": \"x\"}"},
        {__LINE__, "{\"id\": \"zero\", \"password\": \"x\"}"},
        {__LINE__, "{\"id\": 42, \"password\": \"x\"}"},  // nothing stored there: cannot be read
        {__LINE__, "{\"id\": 6, \"password\": \"x\"}"},   // a deleted slot needs a name to come back
        {__LINE__, "{\"id\": 4, \"type\": 9}"},
        {__LINE__, "{\"id\": 4, \"type\": -1}"},
    };
    for (const Case &c : cases) EXPECT_EQ(post_json("/6072", c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(sent(3505).empty());
    bool found = true;
    stored_user(42, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(stored_user(6).enable, 0);
    EXPECT_EQ(stored_user(4).type, 1);
    UserRecord after = stored_user(0);
    EXPECT_EQ(memcmp(&after, &admin, sizeof admin), 0);

    // With a name the deleted slot is in use again.
    EXPECT_EQ(post_json("/6072", "{\"id\": 6, \"name\": \"back\", \"password\": \"d6\"}").output, text_answer("OK"));
    UserRecord back = stored_user(6);
    EXPECT_EQ(back.enable, 1);
    EXPECT_STREQ(back.name, "back");
    EXPECT_EQ(back.id, 6);
}

TEST_F(UsersRoute, RenameComparesAndStores31Characters) {
    store_user(0, "admin", "d0", 0);
    store_user(1, std::string(31, 'r') + "one", "d1", 2);
    store_user(2, "two", "d2", 2);
    EXPECT_EQ(post_json("/6072", "{\"id\": 2, \"name\": \"" + std::string(31, 'r') + "two\"}").output,
              text_answer("SAMEUSER"));
    EXPECT_EQ(post_json("/6072", "{\"id\": 2, \"name\": \"" + std::string(40, 's') + "\"}").output, text_answer("OK"));
    EXPECT_EQ(std::string(stored_user(2).name), std::string(31, 's'));
}

TEST_F(UsersRoute, DeleteBlanksTheRecordWithinRange) {
    for (int id = 0; id < 6; id++) store_user(id, "user" + std::to_string(id), "d", 2);
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, "{\"id\": 150, \"type\": 1}"}, {__LINE__, "{\"id\": -1, \"type\": 1}"},
        {__LINE__, "{\"id\": 100, \"type\": 1}"}, {__LINE__, "{\"id\": 5, \"type\": 4}"},
        {__LINE__, "{\"id\": 5}"},                {__LINE__, "{\"type\": 1}"},
        {__LINE__, "{\"id\": 5, \"type\": -1}"},  {__LINE__, "garbage"},
    };
    for (const Case &c : refused) EXPECT_EQ(post_json("/6073", c.body).output, "") << "line " << c.line;
    EXPECT_EQ(stored_user(5).enable, 1);
    EXPECT_TRUE(sent(3505).empty());

    EXPECT_EQ(post_json("/6073", "{\"id\": 5, \"type\": 2}").output, text_answer("OK"));
    UserRecord blank = stored_user(5);
    UserRecord zero;
    memset(&zero, 0, sizeof zero);
    zero.id = 5;
    EXPECT_EQ(memcmp(&blank, &zero, sizeof zero), 0);
    std::vector<SimRequest> notices = sent(3505, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].payload, le_words({5}));
    std::vector<SimRequest> logs = sent(3485, 1);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(payload_i64(logs[0].payload, 8), 204);
    EXPECT_EQ(payload_i32(logs[0].payload, 24), 922);
    // The freed slot is the next one an add takes.
    EXPECT_EQ(post_json("/6071", add_body("again")).output, text_answer("id=5"));
}

TEST_F(UsersRoute, ListsCustomerAccounts) {
    EXPECT_EQ(get("/6074").output, "");  // no customer file
    OemUserRecord oem;
    for (int id : {0, 1, 2}) {
        memset(&oem, 0, sizeof oem);
        oem.id = id;
        oem.enable = id == 1 ? 0 : 1;
        snprintf(oem.name, sizeof oem.name, "oem%d", id);
        snprintf(oem.password, sizeof oem.password, "digest%d", id);
        oem.type = id;
        oem.permission = 10 + id;
        oem.remotePermission = 20 + id;
        ASSERT_EQ(write_user_oem("/mnt/nand2/oem.db", &oem), 0);
    }
    CgiResult r = get("/6074");
    EXPECT_EQ(r.output, std::string(kJsonHeader) +
                            "[ { \"id\": 0, \"enable\": 1, \"name\": \"oem0\", \"password\": \"digest0\", \"type\": 0, "
                            "\"permission\": 10, \"remotePermission\": 20 }, { \"id\": 2, \"enable\": 1, \"name\": "
                            "\"oem2\", \"password\": \"digest2\", \"type\": 2, \"permission\": 12, "
                            "\"remotePermission\": 22 } ]");
}

TEST_F(UsersRoute, PoeCameraPasswordShowsTheDaemonsResult) {
    EXPECT_EQ(get("/6075").output, text_answer("0"));  // the simulated daemon's default
    daemon.script(3265, sim_one_reply(sim_words({-3, 99})));
    EXPECT_EQ(get("/6075").output, text_answer("-3"));
    daemon.script(3265, sim_one_reply(Bytes{1, 2}));  // too short to hold a result
    EXPECT_EQ(get("/6075").output, std::string(kJsonHeader) + "{status:\"CGI ERROR\"}");
    daemon.script(3265, SimScript());
    EXPECT_EQ(get("/6075").output, std::string(kJsonHeader) + "{status:\"CGI ERROR\"}");
    for (const SimRequest &request : sent(3265)) EXPECT_TRUE(request.payload.empty());
}

TEST_F(UsersRoute, NoticesCarryNoPayload) {
    EXPECT_EQ(get("/6076").output, text_answer("OK"));
    EXPECT_EQ(get("/6077").output, text_answer("OK"));
    std::vector<SimRequest> notice = sent(3267, 1);
    std::vector<SimRequest> changed = sent(3505, 1);
    ASSERT_EQ(notice.size(), 1u);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_TRUE(notice[0].payload.empty());
    EXPECT_TRUE(changed[0].payload.empty());
}

}  // namespace
