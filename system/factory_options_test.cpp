// Route "/vb.htm": option hash and splitting, chip field updates, and the options end to end
// against a stand-in identity-chip tool that records its arguments.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/qvdb.h"
#include "platform/devroot.h"
#include "system/factory_options.h"
#include "tests/harness.h"

namespace {

const char kText[] = "Content-type: text/plain\r\n\r\n";

std::string answers(std::initializer_list<const char *> texts) {
    std::string out;
    for (const char *text : texts) out += std::string(kText) + text;
    return out;
}

TEST(FactoryOptionHash, FindsEveryOptionAndNothingElse) {
    ASSERT_EQ(hash_table_init(), 0);
    for (const char *name : {"setlang", "setdefault", "decode", "hotplug", "oemclean", "paratest", "chipupdate",
                             "modelupdate", "softversion"}) {
        HttpOption *option = http_option_search(name);
        ASSERT_NE(option, nullptr) << name;
        EXPECT_STREQ(option->name, name);
    }
    for (const char *name : {"debug", "tamel", "", "setlang ", "SETLANG", "softversio"})
        EXPECT_EQ(http_option_search(name), nullptr) << name;
    hash_table_destory();
    EXPECT_EQ(http_option_search("setlang"), nullptr);  // no table outside a request
}

TEST(FactoryOptionNames, NoArgumentNamesAndArgumentCount) {
    struct Case {
        int line;
        const char *text;
        int no_arg;
        int argnum;
    } cases[] = {
        {__LINE__, "softversion", 1, 0},
        {__LINE__, "oemclean", 1, 0},
        {__LINE__, "debug", 1, 0},
        {__LINE__, "tamel", 1, 0},
        {__LINE__, "", 1, 0},  // the empty entries of the table match an empty text
        {__LINE__, "softversion=1", 0, 1},
        {__LINE__, "setlang=2&hotplug=1", 0, 2},
        {__LINE__, "a=b=c", 0, 2},
        {__LINE__, "setdefault", 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(is_httpoption_no_arg(c.text), c.no_arg) << "line " << c.line;
        EXPECT_EQ(get_httpoption_argnum(c.text), c.argnum) << "line " << c.line;
    }
    // Only the first 255 characters are counted.
    std::string text(255, 'x');
    text += "=1";
    EXPECT_EQ(get_httpoption_argnum(text.c_str()), 0);
}

TEST(FactoryOptionSplit, SplitsPairsWithinTheFirst64Characters) {
    struct Case {
        int line;
        std::string text;
        int count;
        int result;
        std::vector<std::pair<std::string, std::string>> pairs;
    } cases[] = {
        {__LINE__, "setlang=2", 1, 0, {{"setlang", "2"}}},
        {__LINE__, "setlang=2&hotplug=1", 2, 0, {{"setlang", "2"}, {"hotplug", "1"}}},
        {__LINE__, "decode=&x=", 2, 0, {{"decode", ""}, {"x", ""}}},
        {__LINE__, "a=1&b", 1, 0, {{"a", "1"}}},
        {__LINE__, "a=1&", 2, -1, {}},  // no text left for the second pair
        {__LINE__, std::string(56, 'n') + "=1234567", 1, 0, {{std::string(56, 'n'), "1234567"}}},  // 64 characters
        {__LINE__, std::string(56, 'n') + "=12345678", 1, -1, {}},  // the 65th character is too far
        {__LINE__, "setlang=2&" + std::string(50, 'h') + "=1234", 2, -1, {}},  // second pair passes 63
        {__LINE__, std::string(64, 'n') + "=", 1, -1, {}},  // a 64-character name has no room for its end
        {__LINE__, "a=1", 0, -1, {}},
        {__LINE__, "a=1", 65, -1, {}},  // more pairs than slots
    };
    for (const Case &c : cases) {
        std::vector<OptionSlot> slots(kOptionSlots);
        int result = ui_decodeing(c.text.c_str(), slots.data(), c.count);
        EXPECT_EQ(result, c.result) << "line " << c.line;
        if (result != 0) continue;
        for (size_t i = 0; i < c.pairs.size(); i++) {
            EXPECT_EQ(slots[i].name, c.pairs[i].first) << "line " << c.line;
            EXPECT_EQ(slots[i].value, c.pairs[i].second) << "line " << c.line;
        }
    }
}

const char kChip[] = "QVN123456H12E1234567S1234567890A";  // 32 characters

TEST(ChipFieldUpdate, ModelUpdateReplacesOneFieldWithItsLetter) {
    struct Case {
        int line;
        const char *stored;
        const char *value;
        bool ok;
        const char *result;
    } cases[] = {
        {__LINE__, kChip, "N654321", true, "QVN654321H12E1234567S1234567890A"},
        {__LINE__, kChip, "N65432", true, "QVN654320H12E1234567S1234567890A"},  // one short: '0' appended
        {__LINE__, kChip, "N6543", false, kChip},                                // two short: refused
        {__LINE__, kChip, "N6543210", false, kChip},                             // too long
        {__LINE__, kChip, "H9", true, "QVN123456H90E1234567S1234567890A"},
        {__LINE__, kChip, "SABCDEFGHIJ", true, "QVN123456H12E1234567SABCDEFGHIJ0"},
        {__LINE__, kChip, "X123456", false, kChip},
        {__LINE__, kChip, "n654321", false, kChip},      // the letter is case-sensitive
        {__LINE__, kChip, "N65;321", false, kChip},      // only letters and digits
        {__LINE__, kChip, "N6 4321", false, kChip},
        {__LINE__, "QVN123456H12", "E7654321", false, "QVN123456H12"},  // stored text too short
        {__LINE__, "QVN123456H12E1234567", "E7654321", true, "QVN123456H12E7654321"},
    };
    for (const Case &c : cases) {
        char chip[128] = {};
        strcpy(chip, c.stored);
        EXPECT_EQ(apply_model_update(chip, sizeof chip, c.value), c.ok) << "line " << c.line;
        EXPECT_STREQ(chip, c.result) << "line " << c.line;
    }
}

TEST(ChipFieldUpdate, ChipUpdateReplacesCharactersAfterTheLetterOrTheWholeText) {
    struct Case {
        int line;
        const char *stored;
        const char *value;
        bool ok;
        const char *result;
    } cases[] = {
        {__LINE__, kChip, "N654321", true, "QVN654321H12E1234567S1234567890A"},
        {__LINE__, kChip, "N6543210000", true, "QVN654321H12E1234567S1234567890A"},  // only 6 are used
        {__LINE__, kChip, "N65432", false, kChip},  // shorter than its field
        {__LINE__, kChip, "H7", false, kChip},
        {__LINE__, kChip, "SBBBBBBBBBB", false, kChip},
        {__LINE__, kChip, "QVN999999H88E7777777S6666666666Z", true, "QVN999999H88E7777777S6666666666Z"},
        {__LINE__, kChip, "QVN999999H88E7777777S", true, "QVN999999H88E7777777S00000000000"},  // 21: padded
        {__LINE__, kChip, "QVN999999H88E777777", false, kChip},  // 19 characters: shorter than the text
        {__LINE__, kChip, "QVN999999H88E7777777S6666666666ZZ", false, kChip},  // 33 characters
        {__LINE__, kChip, "", false, kChip},
        {__LINE__, kChip, "Z123456", false, kChip},
        {__LINE__, kChip, "N12;456", false, kChip},
        {__LINE__, kChip, "QVN999999H88E7777777S666666666$Z", false, kChip},
        {__LINE__, "QVN12", "SBBBBBBBBBBB", false, "QVN12"},  // never written past the stored end
        {__LINE__, "QVN12", "QVN999999H88E7777777S6666666666Z", true, "QVN999999H88E7777777S6666666666Z"},
    };
    for (const Case &c : cases) {
        char chip[128] = {};
        strcpy(chip, c.stored);
        EXPECT_EQ(apply_chip_update(chip, sizeof chip, c.value), c.ok) << "line " << c.line;
        EXPECT_STREQ(chip, c.result) << "line " << c.line;
    }
}

// "/vb.htm" through nvrweb.cgi, with a stand-in qvchip_update first on PATH. The stand-in
// prints "Read old:" and its stored chip text for "-r 32", stores its argument otherwise,
// and records every call's arguments, one call per line, each argument in brackets.
class FactoryOptionRoute : public RouteTest {
  protected:
    void SetUp() override {
        RouteTest::SetUp();
        bin_ = root.at("/stand-in-bin");
        mkdir(bin_.c_str(), 0755);
        root.write_file("/stand-in-bin/qvchip_update",
                        "#!/bin/sh\n"
                        "dir=$(dirname \"$0\")\n"
                        "for a in \"$@\"; do printf '[%s]' \"$a\"; done >> \"$dir/calls\"\n"
                        "echo >> \"$dir/calls\"\n"
                        "if [ \"$1\" = \"-r\" ]; then\n"
                        "  [ -f \"$dir/chip\" ] || exit 1\n"
                        "  echo 'qvchip_update 1.0'\n"
                        "  printf 'Read old:%s\\n' \"$(cat \"$dir/chip\")\"\n"
                        "  echo 'done'\n"
                        "  exit 0\n"
                        "fi\n"
                        "[ -f \"$dir/fail-write\" ] && exit 2\n"
                        "printf '%s' \"$1\" > \"$dir/chip\"\n");
        chmod((bin_ + "/qvchip_update").c_str(), 0755);
        env["PATH"] = bin_ + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
    }
    void set_chip(const std::string &text) { root.write_file("/stand-in-bin/chip", text); }
    std::string chip() { return root.read_file("/stand-in-bin/chip"); }
    std::string calls() { return root.read_file("/stand-in-bin/calls"); }
    std::string param(const char *key) {
        char value[256] = {};
        get_param_value("/mnt/nand/app/qvdb.db", key, value, sizeof value, "(none)");
        return value;
    }

    std::string bin_;
};

TEST_F(FactoryOptionRoute, ReadsTheChipInformation) {
    set_chip(kChip);
    CgiResult r = get("/vb.htm", "paratest=chipinfo");
    EXPECT_EQ(r.output, answers({"OK chipinfo=QVN123456H12E1234567S1234567890A\n"}));
    EXPECT_EQ(calls(), "[-r][32]\n");
    EXPECT_TRUE(root.list("/tmp").empty());  // no fixed hand-over file is left behind

    EXPECT_EQ(get("/vb.htm", "paratest=other").output, answers({"Param ERROR"}));
    unlink(root.at("/stand-in-bin/chip").c_str());
    EXPECT_EQ(get("/vb.htm", "paratest=chipinfo").output, answers({"ERROR"}));  // the tool fails
}

TEST_F(FactoryOptionRoute, UpdatesEachChipField) {
    struct Case {
        int line;
        const char *query;
        const char *answer;
        const char *chip_after;
    } cases[] = {
        {__LINE__, "modelupdate=N12345", "OK modelupdate", "QVN123450H12E1234567S1234567890A"},
        {__LINE__, "modelupdate=N1234", "NG modelupdate", kChip},
        {__LINE__, "modelupdate=H4", "OK modelupdate", "QVN123456H40E1234567S1234567890A"},
        {__LINE__, "modelupdate=E1111111", "OK modelupdate", "QVN123456H12E1111111S1234567890A"},
        {__LINE__, "modelupdate=SXXXXXXXXXXX", "OK modelupdate", "QVN123456H12E1234567SXXXXXXXXXXX"},
        {__LINE__, "modelupdate=", "NG modelupdate", kChip},
        {__LINE__, "chipupdate=N999999", "OK chipupdate", "QVN999999H12E1234567S1234567890A"},
        {__LINE__, "chipupdate=H55", "OK chipupdate", "QVN123456H55E1234567S1234567890A"},
        {__LINE__, "chipupdate=E5555555", "OK chipupdate", "QVN123456H12E5555555S1234567890A"},
        {__LINE__, "chipupdate=S55555555555", "OK chipupdate", "QVN123456H12E1234567S55555555555"},
        {__LINE__, "chipupdate=QVN000001H02E0000003S000000000", "OK chipupdate", "QVN000001H02E0000003S00000000000"},
        {__LINE__, "chipupdate=N9", "NG chipupdate", kChip},
        {__LINE__, "chipupdate=", "NG chipupdate", kChip},
    };
    for (const Case &c : cases) {
        set_chip(kChip);
        unlink(root.at("/stand-in-bin/calls").c_str());
        CgiResult r = get("/vb.htm", c.query);
        EXPECT_EQ(r.output, answers({c.answer})) << "line " << c.line;
        EXPECT_EQ(chip(), c.chip_after) << "line " << c.line;
        std::string expected_calls = "[-r][32]\n";
        if (strncmp(c.answer, "OK", 2) == 0) expected_calls += "[" + std::string(c.chip_after) + "]\n";
        EXPECT_EQ(calls(), expected_calls) << "line " << c.line;
    }
}

TEST_F(FactoryOptionRoute, ShellTextNeverReachesAShell) {
    set_chip(kChip);
    const std::string marker = root.at("/tmp/pwned");
    const std::string hostile[] = {
        "chipupdate=N1;touch%20" + marker, "chipupdate=N123456$(touch " + marker + ")", "modelupdate=N12345`id`",
        "modelupdate=N12|sh", "chipupdate=QVN'x'", "chipupdate=S1234567890&x=1",
    };
    for (const std::string &query : hostile) {
        CgiResult r = get("/vb.htm", query);
        EXPECT_EQ(r.output.find("OK"), std::string::npos) << query;
        EXPECT_EQ(chip(), kChip) << query;
    }
    EXPECT_FALSE(root.exists("/tmp/pwned"));
    // The tool was only ever asked to read.
    std::string all = calls();
    for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_EQ(all.substr(start, end - start), "[-r][32]");

    // A stored text holding shell characters is written back as one argument, as it is.
    std::string odd = "QVN123456H12E1234567S1234567;touch " + marker;
    set_chip(odd);
    unlink(root.at("/stand-in-bin/calls").c_str());
    EXPECT_EQ(get("/vb.htm", "chipupdate=H34").output, answers({"OK chipupdate"}));
    std::string written = "QVN123456H34E1234567S1234567;touch " + marker;
    EXPECT_EQ(chip(), written);
    EXPECT_EQ(calls(), "[-r][32]\n[" + written + "]\n");
    EXPECT_FALSE(root.exists("/tmp/pwned"));
}

TEST_F(FactoryOptionRoute, RefusesWhenTheChipCannotBeReadOrWritten) {
    // No chip text at all: nothing to update.
    EXPECT_EQ(get("/vb.htm", "chipupdate=H34").output, answers({"NG chipupdate"}));
    EXPECT_EQ(get("/vb.htm", "modelupdate=H34").output, answers({"NG modelupdate"}));
    // A short stored text is never written past its end.
    set_chip("QVN123456");
    EXPECT_EQ(get("/vb.htm", "chipupdate=S11111111111").output, answers({"NG chipupdate"}));
    EXPECT_EQ(chip(), "QVN123456");
    // The tool refuses the write: the failure is reported.
    set_chip(kChip);
    root.write_file("/stand-in-bin/fail-write", "");
    EXPECT_EQ(get("/vb.htm", "chipupdate=H34").output, answers({"NG chipupdate"}));
}

TEST_F(FactoryOptionRoute, SeveralOptionsAnswerInTurn) {
    CgiResult r = get("/vb.htm", "setlang=2&hotplug=1");
    EXPECT_EQ(r.output, answers({"OK", "OK"}));
    std::vector<SimRequest> language = sent(4000, 1);
    ASSERT_EQ(language.size(), 1u);
    EXPECT_EQ(language[0].payload, le_words({2}));
    EXPECT_EQ(param("hdmihotplug"), "1");

    // An unknown option stops the list after the options before it have answered.
    r = get("/vb.htm", "decode=abc&debug=1&hotplug=0");
    EXPECT_EQ(r.output, answers({"OK", "ERROR"}));
    EXPECT_EQ(param("decode"), "abc");
    EXPECT_EQ(param("hdmihotplug"), "1");

    // "setdefault" does nothing and answers nothing.
    EXPECT_EQ(get("/vb.htm", "setdefault=1&decode=x").output, answers({"OK"}));
}

TEST_F(FactoryOptionRoute, SingleOptionsAndBadLists) {
    struct Case {
        int line;
        std::string query;
        std::string output;
    } cases[] = {
        {__LINE__, "softversion", answers({"7x.7.0.9"})},
        {__LINE__, "softversion=1", answers({"7x.7.0.9"})},
        {__LINE__, "debug", answers({"ERROR"})},
        {__LINE__, "tamel", answers({"ERROR"})},
        {__LINE__, "", answers({"ERROR"})},
        {__LINE__, "setdefault", answers({"PARAM ERROR"})},  // neither a no-argument name nor a pair
        {__LINE__, "nosuch=1", answers({"ERROR"})},
        {__LINE__, "paratest=" + std::string(55, 'v'), answers({"Param ERROR"})},  // 64 characters
        {__LINE__, "paratest=" + std::string(56, 'v'), answers({"PARAM ERROR"})},  // 65 characters
        {__LINE__, "softversion=1&" + std::string(60, 'x') + "=1", answers({"PARAM ERROR"})},
        {__LINE__, std::string(65, '='), answers({"PARAM ERROR"})},  // more options than slots
        {__LINE__, "setlang=abc", answers({"PARAM ERROR"})},
        {__LINE__, "setlang=-1", answers({"PARAM ERROR"})},
        {__LINE__, "$(touch%20/tmp/x)=1", answers({"ERROR"})},
    };
    for (const Case &c : cases) EXPECT_EQ(get("/vb.htm", c.query).output, c.output) << "line " << c.line;
    EXPECT_TRUE(sent(4000).empty());

    set_param_value("/mnt/nand/app/qvdb.db", "software_version", "9.1.2");
    EXPECT_EQ(get("/vb.htm", "softversion").output, answers({"9.1.2"}));
}

TEST_F(FactoryOptionRoute, OemCleanRestoresTheDefaultBranding) {
    root.write_file("/mnt/nand2/logo.jpg_bk", "default logo");
    root.write_file("/mnt/nand2/gui.rcc_bk", "default gui");
    root.write_file("/mnt/nand2/custom.txt", "customer file");
    root.write_file("/opt/app/bin/logo.jpg", "customer logo");
    // A web archive holding one page.
    root.write_file("/work/webfile/index.html", "default page");
    std::string tar = "tar -czf " + root.at("/opt/app/www/web.tar.gz") + " -C " + root.at("/work") + " webfile";
    ASSERT_EQ(system(tar.c_str()), 0);
    set_param_int("/mnt/nand/app/qvdb.db", "oem_type", 3);

    EXPECT_EQ(get("/vb.htm", "oemclean").output, answers({"OK"}));
    EXPECT_EQ(root.read_file("/opt/app/bin/logo.jpg"), "default logo");
    EXPECT_EQ(root.read_file("/opt/app/bin/gui.rcc"), "default gui");
    EXPECT_TRUE(root.list("/mnt/nand2").empty());
    EXPECT_EQ(root.read_file("/opt/app/www/webfile/index.html"), "default page");
    for (const char *flag : {"/mnt/nand/app/eraseip", "/mnt/nand/app/eraseuser", "/mnt/nand/app/eraseall"})
        EXPECT_TRUE(root.exists(flag)) << flag;
    EXPECT_EQ(get_param_int("/mnt/nand/app/qvdb.db", "oem_type", -1), 0);
}

}  // namespace
