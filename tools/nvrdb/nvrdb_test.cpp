// nvrdb, run as a program against a temporary device root.
#include <stdio.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "platform/qvdb_test_support.h"

namespace {

struct ToolResult {
    int status;
    std::string out;
};

std::string shell_quote(const std::string &text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ToolResult nvrdb(const std::vector<std::string> &args) {
    std::string command = shell_quote(std::string(NVR_BIN_DIR) + "/nvrdb");
    for (const std::string &arg : args) command += " " + shell_quote(arg);
    command += " 2>&1";
    ToolResult result{-1, ""};
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

using NvrdbTool = DbTest;

TEST_F(NvrdbTool, InitCreatesTheThreeFilesInFactoryState) {
    ToolResult init = nvrdb({"--root", root.path(), "init"});
    ASSERT_EQ(init.status, 0) << init.out;
    EXPECT_TRUE(root.exists(QVDB_PATH));
    EXPECT_TRUE(root.exists(QVDB_ANPR_PATH));
    EXPECT_TRUE(root.exists(QVDB_OEM_PATH));
    int count = -1;
    ASSERT_EQ(read_user_count(QVDB_PATH, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(get_param_int(QVDB_PATH, "alarm_in", 0), 16);
    // Running it again keeps what is stored.
    ASSERT_EQ(set_param_int(QVDB_PATH, "alarm_in", 8), 0);
    qvdb_close_all();
    ASSERT_EQ(nvrdb({"--root", root.path(), "init"}).status, 0);
    EXPECT_EQ(get_param_int(QVDB_PATH, "alarm_in", 0), 8);
}

TEST_F(NvrdbTool, UserAddStoresTheMd5DigestTheLoginPageSends) {
    ToolResult add = nvrdb({"--root", root.path(), "user", "add", "admin", "--password", "123456", "--type", "1"});
    ASSERT_EQ(add.status, 0) << add.out;
    EXPECT_EQ(add.out, "id=0\n");
    UserRecord user{};
    ASSERT_EQ(read_user_by_name(QVDB_PATH, &user, "admin"), 0);
    EXPECT_STREQ(user.password, "e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(user.type, 1);
    EXPECT_EQ(user.enable, 1);
    EXPECT_EQ(user.localLiveView, 1);
    EXPECT_EQ(strlen(user.remoteplayback), 64u);
    qvdb_close_all();
    ToolResult again = nvrdb({"--root", root.path(), "user", "add", "admin", "--password", "x"});
    EXPECT_EQ(again.status, 1) << again.out;
    ToolResult second = nvrdb({"--root", root.path(), "user", "add", "guest; rm -rf /", "--password", ""});
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(second.out, "id=1\n");
    ToolResult show = nvrdb({"--root", root.path(), "show", "users", "1"});
    ASSERT_EQ(show.status, 0);
    EXPECT_NE(show.out.find("\"name\":\"guest; rm -rf \\/\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("d41d8cd98f00b204e9800998ecf8427e"), std::string::npos) << show.out;  // MD5 of ""
}

TEST_F(NvrdbTool, ShowAndParamCommands) {
    ASSERT_EQ(nvrdb({"--root", root.path(), "init"}).status, 0);
    ToolResult motion = nvrdb({"--root", root.path(), "show", "motion", "12"});
    ASSERT_EQ(motion.status, 0) << motion.out;
    EXPECT_NE(motion.out.find("\"channel\":12"), std::string::npos) << motion.out;
    EXPECT_NE(motion.out.find("\"motion_table\":\"\""), std::string::npos) << motion.out;
    EXPECT_EQ(nvrdb({"--root", root.path(), "show", "motion_effective_schedule", "3"}).status, 0);
    EXPECT_EQ(nvrdb({"--root", root.path(), "show", "ptz_linkage", "3", "1"}).status, 0);
    EXPECT_NE(nvrdb({"--root", root.path(), "show", "--list"}).out.find("motion_white_led_params\n"), std::string::npos);
    EXPECT_EQ(nvrdb({"--root", root.path(), "param", "set", "model", "NVR-'64\""}).status, 0);
    ToolResult model = nvrdb({"--root", root.path(), "param", "get", "model"});
    EXPECT_EQ(model.status, 0);
    EXPECT_EQ(model.out, "NVR-'64\"\n");
    EXPECT_EQ(nvrdb({"--root", root.path(), "param", "get", "max_cameras"}).out, "32\n");
}

// Every kind the program declares can be shown: its key 0 (second key 0) reads, or is reported
// as not stored (a record kind without factory rows), never a usage error or a crash.
TEST_F(NvrdbTool, ShowWorksForEveryListedKind) {
    ASSERT_EQ(nvrdb({"--root", root.path(), "init"}).status, 0);
    std::string tool = shell_quote(std::string(NVR_BIN_DIR) + "/nvrdb") + " --root " + shell_quote(root.path());
    std::string script = "n=0; for kind in $(" + tool + " show --list); do n=$((n+1)); out=$(" + tool +
                         " show \"$kind\" 0 0 2>&1); s=$?; case \"$s:$out\" in 0:*|'1:nvrdb: no '*) ;; *) echo \"$kind $s $out\";; "
                         "esac; done; echo \"kinds $n\"";
    FILE *pipe = popen(script.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    ASSERT_EQ(out.compare(0, 6, "kinds "), 0) << out;  // nothing failed
    EXPECT_GT(std::stoi(out.substr(6)), 100) << out;
}

TEST_F(NvrdbTool, UsageErrorsAndFailures) {
    struct Case {
        int line;
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {__LINE__, {}, 2},
        {__LINE__, {"init"}, 2},
        {__LINE__, {"--root"}, 2},
        {__LINE__, {"--root", "R", "frobnicate"}, 2},
        {__LINE__, {"--root", "R", "init", "extra"}, 2},
        {__LINE__, {"--root", "R", "user", "add", "bob"}, 2},
        {__LINE__, {"--root", "R", "user", "add", "bob", "--password", "p", "--type", "4"}, 2},
        {__LINE__, {"--root", "R", "user", "add", "bob", "--password", "p", "--type", "x"}, 2},
        {__LINE__, {"--root", "R", "user", "add", std::string(64, 'n'), "--password", "p"}, 2},
        {__LINE__, {"--root", "R", "show", "no_such_kind"}, 2},
        {__LINE__, {"--root", "R", "show", "motion", "x"}, 2},
        {__LINE__, {"--root", "R", "show", "motion", "64"}, 1},
        {__LINE__, {"--root", "R", "show", "users", "0"}, 1},  // no account stored
        {__LINE__, {"--root", "R", "param", "get"}, 2},
        {__LINE__, {"--root", "R", "param", "get", "no_such_key"}, 1},
        {__LINE__, {"--root", "R", "param", "set", "k"}, 2},
    };
    for (Case &c : cases) {
        for (std::string &arg : c.args)
            if (arg == "R") arg = root.path();
        ToolResult result = nvrdb(c.args);
        EXPECT_EQ(result.status, c.status) << "line " << c.line << ": " << result.out;
        EXPECT_NE(result.out, "") << "line " << c.line;
    }
    ToolResult help = nvrdb({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *word : {"init", "user add", "--password", "--type", "show", "param get", "param set", "--root"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

}  // namespace
