// Request frame: letter-folding comparisons, route table, strrpl and module registration.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frame/cgi_env.h"
#include "frame/dispatchreq.h"

namespace {

TEST(CgiStrEqNoCase, FoldsOnlyLetters) {
    struct Case {
        int line;
        const char *a, *b;
        int equal;
    } cases[] = {
        {__LINE__, "POST", "post", 1},
        {__LINE__, "Post", "post", 1},
        {__LINE__, "POST ", "post", 0},
        {__LINE__, "", "", 1},
        {__LINE__, "post", "pos", 0},
        {__LINE__, "a[", "a{", 0},  // '[' and '{' differ by the case bit but are not letters
        {__LINE__, "application/JSON", "application/json", 1},
    };
    for (const Case &c : cases) EXPECT_EQ(cgiStrEqNoCase(c.a, c.b), c.equal) << "line " << c.line;
    EXPECT_EQ(cgiStrBeginsNoCase("BOUNDARY=abc", "boundary="), 1);
    EXPECT_EQ(cgiStrBeginsNoCase("bound", "boundary="), 0);
}

TEST(Strrpl, ReplacesEveryOccurrenceWithoutRescanning) {
    char out[128];
    EXPECT_STREQ(strrpl(out, "{%22camId%22:1}", "%22", "\""), "{\"camId\":1}");
    EXPECT_STREQ(strrpl(out, "%7B%22", "%22", "\""), "%7B\"");
    EXPECT_STREQ(strrpl(out, "%2222", "%22", "%22"), "%2222");  // replaced text is not searched again
    EXPECT_STREQ(strrpl(out, "none", "%22", "\""), "none");
}

int dummy_handler(const char *) { return 7; }

void set_path(WebRes &route, const char *prefix, int number) {
    std::string path = prefix + std::to_string(number);
    strncpy(route.path, path.c_str(), sizeof route.path - 1);
}

// Fills the table to `target` live routes with unique dummy paths; returns them for removal.
std::vector<WebRes> fill_to(int target) {
    std::vector<WebRes> extra;
    for (int i = 0; WebResCount() + static_cast<int>(extra.size()) < target; i++) {
        WebRes r{};
        set_path(r, "/z", i);
        r.handler = dummy_handler;
        extra.push_back(r);
    }
    if (!extra.empty()) {
        EXPECT_EQ(WebResRegister(extra.data(), static_cast<int>(extra.size())), 0);
    }
    return extra;
}

TEST(RouteTable, RefusesOverflowAndReusesFreedSlots) {
    int before = WebResCount();
    std::vector<WebRes> extra = fill_to(421);
    ASSERT_EQ(WebResCount(), 421);

    std::vector<WebRes> module(91);
    for (int i = 0; i < 91; i++) {
        set_path(module[i], "/y", i);
        module[i].handler = dummy_handler;
    }
    EXPECT_EQ(WebResRegister(module.data(), 91), -1);
    EXPECT_EQ(WebResCount(), 421);
    EXPECT_EQ(WebResRegister(module.data(), 90), 0);
    EXPECT_EQ(WebResCount(), 511);
    EXPECT_EQ(DispatchWebReq("/y5", ""), 7);

    EXPECT_EQ(WebResUnregister(module.data(), 90), 0);
    EXPECT_EQ(WebResCount(), 421);
    EXPECT_EQ(DispatchWebReq("/y5", ""), -1);
    if (!extra.empty()) {  // with every module complete the program itself holds the 421
        EXPECT_EQ(WebResUnregister(extra.data(), static_cast<int>(extra.size())), 0);
    }
    EXPECT_EQ(WebResCount(), before);

    EXPECT_EQ(WebResRegister(nullptr, 1), -1);
    EXPECT_EQ(WebResRegister(module.data(), 0), -1);
    EXPECT_EQ(WebResUnregister(nullptr, 1), -1);
}

// Removal takes every live route whose path equals one of the module's, including another
// module's route of the same path; bytes after a path's NUL do not count.
TEST(RouteTable, RemovalMatchesPathsWhereverTheyAre) {
    int before = WebResCount();
    WebRes first[] = {{"/r1", dummy_handler}, {"/r2", dummy_handler}, {"/r3", dummy_handler}};
    WebRes second[] = {{"/r2", dummy_handler}, {"/r22", dummy_handler}};
    ASSERT_EQ(WebResRegister(first, 3), 0);
    ASSERT_EQ(WebResRegister(second, 2), 0);
    WebRes removal[2] = {};
    memcpy(removal[0].path, "/r2\0xyz", 8);
    memcpy(removal[1].path, "/r9", 4);
    EXPECT_EQ(WebResUnregister(removal, 2), 0);
    EXPECT_EQ(WebResCount(), before + 3);
    EXPECT_EQ(DispatchWebReq("/r2", ""), -1);
    EXPECT_EQ(DispatchWebReq("/r22", ""), 7);
    EXPECT_EQ(DispatchWebReq("/r1", ""), 7);
    EXPECT_EQ(WebResUnregister(first, 3), 0);
    EXPECT_EQ(WebResUnregister(second, 2), 0);
    EXPECT_EQ(WebResCount(), before);
}

int other_handler(const char *) { return 8; }
int third_handler(const char *) { return 9; }

// A path registered twice is live twice and removed entirely (each copy off the count once,
// whatever the removal list repeats); a freed slot is taken again before later ones, so the
// first registered of two same-path routes answers.
TEST(RouteTable, DuplicatesAndFreedSlots) {
    int before = WebResCount();
    WebRes twice[] = {{"/d1", dummy_handler}, {"/d1", other_handler}, {"/d2", dummy_handler}};
    WebRes later[] = {{"/d3", other_handler}};
    ASSERT_EQ(WebResRegister(twice, 3), 0);
    ASSERT_EQ(WebResRegister(later, 1), 0);
    EXPECT_EQ(WebResCount(), before + 4);
    EXPECT_EQ(DispatchWebReq("/d1", ""), 7);
    WebRes removal[] = {{"/d1", nullptr}, {"/d1", nullptr}};
    EXPECT_EQ(WebResUnregister(removal, 2), 0);
    EXPECT_EQ(WebResCount(), before + 2);
    EXPECT_EQ(DispatchWebReq("/d1", ""), -1);
    EXPECT_EQ(DispatchWebReq("/d2", ""), 7);
    EXPECT_EQ(DispatchWebReq("/d3", ""), 8);

    WebRes reuse[] = {{"/d3", third_handler}, {"/d4", third_handler}};
    ASSERT_EQ(WebResRegister(reuse, 2), 0);  // takes the two freed slots below "/d2"
    EXPECT_EQ(DispatchWebReq("/d3", ""), 9);
    EXPECT_EQ(WebResUnregister(reuse, 1), 0);  // both "/d3" go
    EXPECT_EQ(DispatchWebReq("/d3", ""), -1);
    EXPECT_EQ(DispatchWebReq("/d4", ""), 9);
    WebRes null_handler[] = {{"/d4", nullptr}};
    ASSERT_EQ(WebResRegister(null_handler, 1), 0);
    EXPECT_EQ(DispatchWebReq("/d4", ""), 9);
    WebRes rest[] = {{"/d2", nullptr}, {"/d4", nullptr}};
    EXPECT_EQ(WebResUnregister(rest, 2), 0);
    EXPECT_EQ(WebResCount(), before);
    EXPECT_EQ(DispatchWebReq("/d4", ""), -1);
}

TEST(RouteTable, MatchesWholePathsOnly) {
    WebRes route[] = {{"/q1000", dummy_handler}};
    ASSERT_EQ(WebResRegister(route, 1), 0);
    struct Case {
        int line;
        const char *path;
        int result;
    } cases[] = {
        {__LINE__, "/q1000", 7}, {__LINE__, "/q1000/", -1}, {__LINE__, "/q1000 ", -1},
        {__LINE__, "/q10", -1},  {__LINE__, "/Q1000", -1},  {__LINE__, "", -1},
        {__LINE__, "/q1000\0x", 7}, {__LINE__, "/q100000", -1},  // no route path is 8 long
    };
    for (const Case &c : cases) EXPECT_EQ(DispatchWebReq(c.path, ""), c.result) << "line " << c.line;
    EXPECT_EQ(DispatchWebReq(nullptr, ""), -1);
    EXPECT_NE(FindWebRes("/q1000"), nullptr);
    EXPECT_EQ(FindWebRes(nullptr), nullptr);
    WebResUnregister(route, 1);
    EXPECT_EQ(DispatchWebReq("/q1000", ""), -1);
}

// The eleven modules register in their fixed order; no path is registered twice; each module
// holds at most its full route count, and exactly it once complete.
TEST(RouteModules, RegisterInOrderWithoutDuplicates) {
    struct Expected {
        const char *name;
        int full_count;
        bool complete;
    } expected[] = {
        {"/6100", 29, true}, {"/8000", 12, true}, {"/6000", 109, true}, {"/2001", 82, true},
        {"/6030", 10, true}, {"/7000", 39, true}, {"/4000", 33, true},   {"/5000", 21, true},
        {"/1000", 63, true}, {"/3300", 5, true},  {"/6020", 18, true},
    };
    ASSERT_EQ(nvr_module_count(), 11);
    std::set<std::string> paths;
    int total = 0;
    for (int i = 0; i < 11; i++) {
        const RouteModule *m = nvr_module_at(i);
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(m->order, i + 1);
        EXPECT_STREQ(m->name, expected[i].name);
        EXPECT_LE(m->count, expected[i].full_count);
        if (expected[i].complete) {
            EXPECT_EQ(m->count, expected[i].full_count);
            EXPECT_STREQ(m->routes[0].path, expected[i].name);  // the first route names the module
        }
        for (int r = 0; r < m->count; r++) {
            EXPECT_TRUE(paths.insert(m->routes[r].path).second) << "duplicate path " << m->routes[r].path;
            EXPECT_NE(m->routes[r].handler, nullptr) << m->routes[r].path;
            EXPECT_LT(strlen(m->routes[r].path), 8u);
        }
        total += m->count;
    }
    EXPECT_EQ(WebResCount(), total);
}

}  // namespace
