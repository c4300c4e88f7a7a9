// Restart, restore, configuration export, download and import, end to end.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>

#include "system/system_test_support.h"

namespace {

class MaintenanceTest : public RouteTest {
  protected:
    void use_standin_profile(int status, const std::string &hand_over) {
        std::string script = "printf '%s\\n' \"$@\" > \"$NVR_ROOT/standin/qvprofile.args\"\n";
        if (!hand_over.empty()) script += "printf '%s' '" + hand_over + "' > \"$NVR_ROOT/tmp/.export_down_file\"\n";
        script += "exit " + std::to_string(status) + "\n";
        env["PATH"] = path_with(install_standin(root, "qvprofile", script));
    }
    void use_real_profile() { env["PATH"] = path_with(NVR_BIN_DIR); }

    // A settings database with one value.
    void make_database(int value) {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(root.at("/mnt/nand/app/qvdb.db").c_str(), &db), SQLITE_OK);
        std::string sql = "CREATE TABLE IF NOT EXISTS t(x); DELETE FROM t; INSERT INTO t VALUES(" +
                          std::to_string(value) + ");";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    int database_value() {
        sqlite3 *db = nullptr;
        sqlite3_open(root.at("/mnt/nand/app/qvdb.db").c_str(), &db);
        sqlite3_stmt *stmt = nullptr;
        int value = -1;
        if (sqlite3_prepare_v2(db, "SELECT x FROM t", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            value = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return value;
    }
    std::vector<int64_t> logged_sub_types(size_t at_least = 0) {
        if (at_least > 0) daemon.wait_for(3485, at_least, 2000);
        std::vector<int64_t> subs;
        for (const SimRequest &r : daemon.requests_with_code(3485)) subs.push_back(payload_i64(r.payload, 8));
        return subs;
    }
    // Every file under the device root, for "nothing else was touched" checks.
    std::vector<std::string> all_files(const std::string &dir = "") {
        std::vector<std::string> files;
        for (const std::string &name : root.list(dir.empty() ? "/" : dir)) {
            std::string path = dir + "/" + name;
            struct stat st;
            if (lstat(root.at(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                for (const std::string &inner : all_files(path)) files.push_back(inner);
            } else {
                files.push_back(path);
            }
        }
        return files;
    }
};

TEST_F(MaintenanceTest, RestartStateFollowsTheDaemonMarker) {
    EXPECT_EQ(get("/1005").body, "NO OK");
    root.write_file("/tmp/qvcore", "");
    EXPECT_EQ(get("/1005").body, "OK");
}

TEST_F(MaintenanceTest, RestoreAnswersThenRestoresAndRestarts) {
    struct Case {
        int line;
        std::string body;
        Bytes options;
    } cases[] = {
        {__LINE__, R"({"keepIp":1})", le_words({1, 0})},
        {__LINE__, R"({"keepIp":0,"keepUser":1})", le_words({0, 1})},
        {__LINE__, R"({})", le_words({0, 0})},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        EXPECT_EQ(post_json("/1006", c.body).body, "OK") << "line " << c.line;
        ASSERT_EQ(sent(1703, 1).size(), 1u) << "line " << c.line;
        EXPECT_EQ(sent(3311)[0].payload, c.options) << "line " << c.line;
        // Each notice travels on its own connection, so only the set is certain, not the arrival order.
        sent(3485, 1);
        sent(3311, 1);
        sent(3410, 1);
        std::vector<int> codes;
        for (const SimRequest &r : daemon.requests()) codes.push_back(r.code);
        std::sort(codes.begin(), codes.end());
        EXPECT_EQ(codes, (std::vector<int>{1703, 3311, 3410, 3485})) << "line " << c.line;
        EXPECT_EQ(logged_sub_types(1), std::vector<int64_t>{215}) << "line " << c.line;
    }
    daemon.clear_requests();
    CgiResult refused = post_json("/1006", "keepIp=1");
    EXPECT_EQ(refused.output, "");
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(MaintenanceTest, ExportAnswersTheFileName) {
    use_standin_profile(0, "/tmp/cfg_1.bin");
    EXPECT_EQ(get("/1007").body, "OK filename=cfg_1.bin\r\n");
    EXPECT_EQ(root.read_file("/standin/qvprofile.args"), "-e\n" + root.at("/tmp") + "\n");
    EXPECT_EQ(logged_sub_types(1), std::vector<int64_t>{213});

    use_standin_profile(0, "no slash");
    EXPECT_EQ(get("/1007").body, "OK");
    use_standin_profile(0, "/tmp/a\r\nSet-Cookie: x=1");
    EXPECT_EQ(get("/1007").body, "OK filename=aSet-Cookie: x=1\r\n");  // line breaks dropped

    use_standin_profile(1, "");
    daemon.clear_requests();
    EXPECT_EQ(get("/1007").body, "CGI ERROR");
    EXPECT_TRUE(logged_sub_types().empty());
}

TEST_F(MaintenanceTest, DownloadStreamsTheExportOnce) {
    root.write_file("/tmp/cfg_1.bin", std::string("config\0bytes", 12));
    root.write_file("/tmp/.export_down_file", root.at("/tmp/cfg_1.bin"));
    CgiResult first = get("/1013");
    EXPECT_EQ(first.headers,
              "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= cfg_1.bin\r\n\r\n");
    EXPECT_EQ(first.body, std::string("config\0bytes", 12));
    EXPECT_FALSE(root.exists("/tmp/cfg_1.bin"));
    EXPECT_EQ(get("/1013").output, "");
}

// The hand-over file must name a regular file inside "/tmp": nothing else is read or deleted.
TEST_F(MaintenanceTest, DownloadRefusesHandOverPathsOutsideTmp) {
    root.write_file("/mnt/nand/app/qvdb.db", "secret");
    root.write_file("/tmp/sub/inner.bin", "inner");
    mkdir(root.at("/tmp/dir").c_str(), 0755);
    symlink(root.at("/mnt/nand/app/qvdb.db").c_str(), root.at("/tmp/link.bin").c_str());
    struct Case {
        int line;
        std::string hand_over;
    } cases[] = {
        {__LINE__, "/mnt/nand/app/qvdb.db"},
        {__LINE__, root.at("/mnt/nand/app/qvdb.db")},
        {__LINE__, "/tmp/../mnt/nand/app/qvdb.db"},
        {__LINE__, root.at("/tmp/../mnt/nand/app/qvdb.db")},
        {__LINE__, "/tmp/link.bin"},
        {__LINE__, "/tmp/dir"},
        {__LINE__, "/tmp"},
        {__LINE__, "/etc/passwd"},
        {__LINE__, "tmp/sub/inner.bin"},
        {__LINE__, ""},
        {__LINE__, "/tmp/%2e%2e/mnt/nand/app/qvdb.db"},
        {__LINE__, "/tmp/" + std::string(2000, 'a')},
    };
    for (const Case &c : cases) {
        root.write_file("/tmp/.export_down_file", c.hand_over);
        EXPECT_EQ(get("/1013").output, "") << "line " << c.line;
    }
    EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "secret");
    EXPECT_TRUE(root.exists("/tmp/link.bin"));
    EXPECT_TRUE(root.exists("/tmp/dir"));
    // A file in a sub-folder of "/tmp" is inside it.
    root.write_file("/tmp/.export_down_file", "/tmp/sub/inner.bin");
    EXPECT_EQ(get("/1013").body, "inner");
}

TEST_F(MaintenanceTest, DownloadNameLosesLineBreaks) {
    std::string name = "cfg\r\nSet-Cookie: a=b.bin";
    root.write_file("/tmp/" + name, "data");
    root.write_file("/tmp/.export_down_file", "/tmp/" + name);
    CgiResult result = get("/1013");
    EXPECT_EQ(result.headers, "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= "
                              "cfgSet-Cookie: a=b.bin\r\n\r\n");
    EXPECT_EQ(result.body, "data");
}

// The upload's path reaches the profile tool as one argument; a " & param" tail never does.
TEST_F(MaintenanceTest, ImportPassesOnlyTheUploadedPath) {
    struct Case {
        int line;
        std::string browser_name;
        std::string stored_name;
        std::string query;
    } cases[] = {
        {__LINE__, "cfg.bin", "cfg.bin", ""},
        {__LINE__, "cfg.bin", "cfg.bin", "param:abc;touch pwned&x=1"},
        {__LINE__, "a;touch pwned;.bin", "a;touch pwned;.bin", ""},
        {__LINE__, "$(touch pwned).bin", "$(touch pwned).bin", ""},
        {__LINE__, "`touch pwned`.bin", "`touch pwned`.bin", ""},
        {__LINE__, "x\" && touch pwned && \".bin", "x", ""},  // the quoted browser name ends at '"' 
        {__LINE__, "a & b.bin", "a & b.bin", ""},
        {__LINE__, "..\\..\\evil.bin", "evil.bin", ""},
        {__LINE__, "../../mnt/nand/app/evil.bin", "evil.bin", ""},
        {__LINE__, "-rf.bin", "-rf.bin", ""},
    };
    for (const Case &c : cases) {
        use_standin_profile(0, "");
        daemon.clear_requests();
        CgiResult result = run(upload_request("/1008", c.browser_name, "cfg", c.query));
        EXPECT_EQ(result.body, "OK") << "line " << c.line;
        EXPECT_EQ(root.read_file("/standin/qvprofile.args"), "-i\n" + root.at("/tmp/" + c.stored_name) + "\n")
            << "line " << c.line;
        EXPECT_FALSE(root.exists("/tmp/" + c.stored_name)) << "line " << c.line;
        EXPECT_EQ(logged_sub_types(1), std::vector<int64_t>{214}) << "line " << c.line;
        for (const std::string &file : all_files())
            EXPECT_EQ(file.find("pwned"), std::string::npos) << "line " << c.line << ": " << file;
    }
}

TEST_F(MaintenanceTest, ImportFailureAnswersCgiErrorAndRemovesTheUpload) {
    use_standin_profile(1, "");
    EXPECT_EQ(run(upload_request("/1008", "cfg.bin", "cfg")).body, "CGI ERROR");
    EXPECT_FALSE(root.exists("/tmp/cfg.bin"));
    EXPECT_TRUE(daemon.requests_with_code(3485).empty());
}

// Paths that are not an uploaded file inside "/tmp" never reach the tool, and nothing is removed.
TEST_F(MaintenanceTest, ImportRefusesArgumentsOutsideTmp) {
    use_standin_profile(0, "");
    root.write_file("/mnt/nand/app/qvdb.db", "keep");
    EXPECT_EQ(post_json("/1008", "/mnt/nand/app/qvdb.db").body, "CGI ERROR");
    EXPECT_EQ(post_json("/1008", "/tmp/../mnt/nand/app/qvdb.db").body, "CGI ERROR");
    EXPECT_EQ(post_json("/1008", "/tmp").body, "CGI ERROR");
    EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "keep");
    EXPECT_FALSE(root.exists("/standin/qvprofile.args"));
}

// The real profile tool: export, download, change, import restores the exported value.
TEST_F(MaintenanceTest, ExportDownloadImportRoundTrip) {
    use_real_profile();
    make_database(1);
    CgiResult exported = get("/1007");
    ASSERT_EQ(exported.body.rfind("OK filename=config_", 0), 0u) << exported.body;
    std::string file = get("/1013").body;
    ASSERT_FALSE(file.empty());
    make_database(2);
    EXPECT_EQ(run(upload_request("/1008", "saved.bin", file)).body, "OK");
    EXPECT_EQ(database_value(), 1);

    // A damaged or foreign file changes nothing.
    make_database(3);
    std::string damaged = file;
    damaged[damaged.size() / 2] ^= 0x20;
    EXPECT_EQ(run(upload_request("/1008", "bad.bin", damaged)).body, "CGI ERROR");
    EXPECT_EQ(run(upload_request("/1008", "foreign.bin", "QVPF not really")).body, "CGI ERROR");
    EXPECT_EQ(run(upload_request("/1008", "empty.bin", "")).body, "CGI ERROR");
    EXPECT_EQ(database_value(), 3);
}

// The same through the settings the routes keep in the device's own (WAL) database.
TEST_F(MaintenanceTest, ImportRestoresRouteSettings) {
    use_real_profile();
    ASSERT_EQ(post_json("/1017", R"({"logRetention":4,"photoRetention":6})").body, "OK");
    ASSERT_EQ(get("/1007").body.rfind("OK filename=", 0), 0u);
    std::string file = get("/1013").body;
    ASSERT_EQ(post_json("/1017", R"({"logRetention":12,"photoRetention":12})").body, "OK");
    EXPECT_EQ(run(upload_request("/1008", "saved.bin", file)).body, "OK");
    JsonRef restored(parse_answer(get("/1016").body));
    EXPECT_EQ(json_int(restored, "logRetention"), 4);
    EXPECT_EQ(json_int(restored, "photoRetention"), 6);
}

}  // namespace
