// Request entry in-process: reader selection, argument of each reader, multipart parsing and
// the upload reader, with the handler's argument captured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "frame/cgi_env.h"
#include "frame/dispatchreq.h"
#include "frame/multipart.h"
#include "platform/devroot.h"
#include "tests/harness.h"

namespace {

std::string g_argument;
int g_calls = 0;

int capture_argument(const char *arg) {
    g_argument = arg;
    g_calls++;
    return 0;
}

// Runs the whole entry in this process with the given environment and standard input, with
// the handlers of `paths` replaced by the capturing one.
class EntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("NVR_ROOT", root.path().c_str(), 1);
        nvr_devroot_reset();
        g_argument.clear();
        g_calls = 0;
        WebRes test_routes[] = {{"/t1", capture_argument}};
        WebResRegister(test_routes, 1);
    }
    void TearDown() override {
        WebRes test_routes[] = {{"/t1", capture_argument}};
        WebResUnregister(test_routes, 1);
        for (auto &saved : saved_) saved.first->handler = saved.second;
        for (const char *name : {"REQUEST_METHOD", "CONTENT_TYPE", "CONTENT_LENGTH", "PATH_INFO", "QUERY_STRING", "NVR_ROOT"})
            unsetenv(name);
        nvr_devroot_reset();
    }

    void capture(const char *path) {
        WebRes *route = FindWebRes(path);
        ASSERT_NE(route, nullptr) << path;
        saved_.push_back({route, route->handler});
        route->handler = capture_argument;
    }

    int run(const char *method, const char *path, const std::string &query, const char *content_type,
            const std::string &body, const char *content_length = nullptr) {
        setenv("REQUEST_METHOD", method, 1);
        setenv("PATH_INFO", path, 1);
        setenv("QUERY_STRING", query.c_str(), 1);
        if (content_type) setenv("CONTENT_TYPE", content_type, 1);
        else unsetenv("CONTENT_TYPE");
        std::string length = content_length ? content_length : std::to_string(body.size());
        setenv("CONTENT_LENGTH", length.c_str(), 1);
        root.write_file("/stdin.txt", body);
        int saved_stdin = dup(0);
        int fd = open(root.at("/stdin.txt").c_str(), O_RDONLY);
        dup2(fd, 0);
        close(fd);
        __fpurge(stdin);
        int status = cgiMain();
        stdin_offset_ = lseek(0, 0, SEEK_CUR);
        dup2(saved_stdin, 0);
        close(saved_stdin);
        __fpurge(stdin);
        clearerr(stdin);
        return status;
    }

    static std::string multipart(const std::string &boundary, const std::string &parts) {
        return parts + "--" + boundary + "--\r\n";
    }
    static std::string file_part(const std::string &boundary, const std::string &name, const std::string &file_name,
                                 const std::string &content) {
        return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + file_name +
               "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n";
    }

    DeviceRoot root;
    off_t stdin_offset_ = 0;
    std::vector<std::pair<WebRes *, WebHandler>> saved_;
};

TEST_F(EntryTest, ReaderIsChosenByMethodAndContentType) {
    struct Case {
        int line;
        const char *method;
        const char *content_type;
        int calls;
    } cases[] = {
        {__LINE__, "POST", "application/json", 1},
        {__LINE__, "Post", "application/json; charset=UTF-8", 1},
        {__LINE__, "post", "APPLICATION/X-WWW-FORM-URLENCODED", 1},
        {__LINE__, "POST ", "application/json", 0},  // trailing blank: not POST
        {__LINE__, "POST", "application/json+x", 0},
        {__LINE__, "POST", "text/plain", 0},
        {__LINE__, "PUT", "application/json", 0},
        {__LINE__, "GET", "text/plain", 1},  // GET ignores the content type
    };
    for (const Case &c : cases) {
        g_calls = 0;
        EXPECT_EQ(run(c.method, "/t1", "q", c.content_type, "{}"), 0) << "line " << c.line;
        EXPECT_EQ(g_calls, c.calls) << "line " << c.line;
    }
}

TEST_F(EntryTest, GetTurnsOnlyQuotesEscapesIntoQuotes) {
    run("GET", "/t1", "{%22camId%22:1}", nullptr, "");
    EXPECT_EQ(g_argument, "{\"camId\":1}");
    run("GET", "/t1", "%7B%20+x", nullptr, "");
    EXPECT_EQ(g_argument, "%7B%20+x");
    run("GET", "/t1", std::string(2000, 'a'), nullptr, "");
    EXPECT_EQ(g_argument.size(), 1023u);
    unsetenv("QUERY_STRING");
    setenv("REQUEST_METHOD", "GET", 1);
    cgiMain();
    EXPECT_EQ(g_argument, "");
    EXPECT_EQ(cgiContentLength, 0);
}

TEST_F(EntryTest, PostBodyIsCutAt128LinesAndKeptRaw) {
    std::string body;
    for (int i = 0; i < 200; i++) body += "l" + std::to_string(i) + "\n";
    run("POST", "/t1", "", "application/json", body);
    EXPECT_EQ(g_argument.substr(g_argument.size() - 5), "l127\n");
    run("POST", "/t1", "", "application/x-www-form-urlencoded", "a=%22b%22+c");
    EXPECT_EQ(g_argument, "a=%22b%22+c");
    run("POST", "/t1", "", "application/json", std::string(40000, 'x'));
    EXPECT_EQ(g_argument.size(), 30719u);
    // The body reader does not consult CONTENT_LENGTH; a bad one counts as 0 elsewhere.
    run("POST", "/t1", "", "application/json", "{}", "-5");
    EXPECT_EQ(g_argument, "{}");
    EXPECT_EQ(cgiContentLength, 0);
}

TEST_F(EntryTest, NoPathInfoDispatchesNothing) {
    run("GET", "", "x", nullptr, "");
    run("POST", "", "", "application/json", "{}");
    EXPECT_EQ(g_calls, 0);
}

TEST_F(EntryTest, BoundaryParameterIsFoundAndCut) {
    struct Case {
        int line;
        const char *content_type;
        const char *boundary;
    } cases[] = {
        {__LINE__, "multipart/form-data; boundary=abc", "abc"},
        {__LINE__, "multipart/form-data; charset=x; BOUNDARY=abc def", "abc"},
        {__LINE__, "multipart/form-data; boundary=\"q\"", "\"q\""},
        {__LINE__, "multipart/form-data", ""},
    };
    for (const Case &c : cases) {
        setenv("CONTENT_TYPE", c.content_type, 1);
        cgiInitEnvironment();
        EXPECT_STREQ(cgiMultipartBoundary, c.boundary) << "line " << c.line;
        EXPECT_STREQ(cgiContentType, "multipart/form-data") << "line " << c.line;
    }
    std::string long_type = "multipart/form-data; x=" + std::string(1100, 'y') + "; boundary=b";
    setenv("CONTENT_TYPE", long_type.c_str(), 1);
    cgiInitEnvironment();
    EXPECT_STREQ(cgiMultipartBoundary, "");  // the boundary lay beyond the 1023 characters kept
}

TEST_F(EntryTest, UploadMovesFileUnderItsBaseName) {
    const std::string b = "XyZ";
    struct Case {
        int line;
        const char *browser_name;
        const char *moved_to;
    } cases[] = {
        {__LINE__, "E:\\fw\\new.bin", "/tmp/new.bin"},
        {__LINE__, "dir/sub/a.cfg", "/tmp/a.cfg"},
        {__LINE__, "a b;$(touch x).wav", "/tmp/a b;$(touch x).wav"},  // a name, never a command
    };
    for (const Case &c : cases) {
        run("POST", "/t1", "", "multipart/form-data; boundary=XyZ",
            multipart(b, file_part(b, "file", c.browser_name, "DATA\r\n--Xy-not-yet")));
        EXPECT_EQ(g_argument, c.moved_to) << "line " << c.line;
        EXPECT_EQ(root.read_file(c.moved_to), "DATA\r\n--Xy-not-yet") << "line " << c.line;
    }
    EXPECT_FALSE(root.exists("/tmp/x"));
    for (const std::string &name : root.list("/tmp")) EXPECT_NE(name.rfind("cgic", 0), 0u) << name;
}

TEST_F(EntryTest, UploadRefusesNamesThatAreNotFiles) {
    const std::string b = "B";
    for (const char *name : {"", "dir/", "..", "x/..", "."}) {
        g_calls = 0;
        run("POST", "/t1", "", "multipart/form-data; boundary=B", multipart(b, file_part(b, "file", name, "z")));
        EXPECT_EQ(g_calls, 0) << "'" << name << "'";
    }
    g_calls = 0;
    run("POST", "/t1", "", "multipart/form-data; boundary=B", multipart(b, file_part(b, "other", "a.bin", "z")));
    EXPECT_EQ(g_calls, 0);
    EXPECT_TRUE(root.list("/tmp").empty());  // refused uploads leave no file behind
}

TEST_F(EntryTest, UploadAppendsParamTextFromQuery) {
    const std::string b = "B";
    std::string body = multipart(b, file_part(b, "file", "a.wav", "z"));
    run("POST", "/t1", "param:abc&x=1", "multipart/form-data; boundary=B", body);
    EXPECT_EQ(g_argument, "/tmp/a.wav & abc");
    run("POST", "/t1", "x=1", "multipart/form-data; boundary=B", body);
    EXPECT_EQ(g_argument, "/tmp/a.wav");
    run("POST", "/t1", "param:" + std::string(400, 'p'), "multipart/form-data; boundary=B", body);
    EXPECT_EQ(g_argument, "/tmp/a.wav & " + std::string(255, 'p'));
}

TEST_F(EntryTest, SpecialUploadPathsGetTempAndQuery) {
    capture("/1019");
    const std::string b = "B";
    run("POST", "/1019", "k=v", "multipart/form-data; boundary=B", multipart(b, file_part(b, "file", "a.bin", "zz")));
    ASSERT_EQ(g_argument.rfind("/tmp/cgic", 0), 0u) << g_argument;
    EXPECT_EQ(g_argument.substr(g_argument.size() - 6), " & k=v");
    // The temporary file was removed at release.
    EXPECT_FALSE(root.exists(g_argument.substr(0, g_argument.find(' '))));
    EXPECT_GT(stdin_offset_, 0);
}

TEST_F(EntryTest, FirmwareUploadLeavesBodyUnread) {
    capture("/1010");
    run("POST", "/1010", "q=1", "multipart/form-data; boundary=B", "--B\r\ngarbage that would not parse");
    EXPECT_EQ(g_argument, "temp & q=1");
    EXPECT_EQ(stdin_offset_, 0);
}

TEST_F(EntryTest, BrokenMultipartExitsWithoutDispatchOrTempFiles) {
    const std::string b = "B";
    // The file part never reaches its closing boundary.
    std::string body = file_part(b, "x", "", "small") + "--B\r\nContent-Disposition: form-data; name=\"file\"; "
                       "filename=\"a.bin\"\r\n\r\nunterminated";
    EXPECT_EQ(run("POST", "/t1", "", "multipart/form-data; boundary=B", body), -1);
    EXPECT_EQ(g_calls, 0);
    for (const std::string &name : root.list("/tmp")) EXPECT_NE(name.rfind("cgic", 0), 0u) << name;
}

TEST_F(EntryTest, EmptyMultipartParsesToNoEntries) {
    EXPECT_EQ(run("POST", "/t1", "", "multipart/form-data; boundary=B", "--B--\r\n"), 0);
    EXPECT_EQ(run("POST", "/t1", "", "multipart/form-data; boundary=B", "", "0"), 0);
    EXPECT_EQ(g_calls, 0);  // no "file" entry: nothing dispatched
}

// Parses a body and keeps the entries for inspection (no release until the test ends).
class MultipartTest : public EntryTest {
  protected:
    int parse(const std::string &boundary, const std::string &body) {
        std::string type = "multipart/form-data; boundary=" + boundary;
        setenv("CONTENT_TYPE", type.c_str(), 1);
        setenv("CONTENT_LENGTH", std::to_string(body.size()).c_str(), 1);
        cgiInitEnvironment();
        root.write_file("/body", body);
        cgiIn = fopen(root.at("/body").c_str(), "rb");
        int rc = cgiParseMultipart();
        fclose(cgiIn);
        cgiIn = stdin;
        return rc;
    }
    void TearDown() override {
        cgiReleaseForm();
        EntryTest::TearDown();
    }
};

TEST_F(MultipartTest, FieldsAndHeaders) {
    std::string body =
        "preamble\r\n--B\r\nContent-Disposition: form-data; name=\"a:b\"\r\n\r\nv1\r\n-B\r\n--B\r\n"
        "Content-Disposition: form-data; name=n2\r\nContent-Type: text/x; charset=y\r\n\r\nline1\r\nline2\r\n--B\r\n"
        "Content-Disposition: attachment; name=\"skip\"\r\n\r\n"
        "--B--\r\n";
    ASSERT_EQ(parse("B", body), 0);
    char out[64];
    EXPECT_EQ(cgiFormString("ab", out, sizeof out), cgiFormSuccess);  // the second ':' is dropped
    EXPECT_STREQ(out, "v1\n-B");
    EXPECT_EQ(cgiFormStringNoNewlines("n2", out, sizeof out), cgiFormSuccess);
    EXPECT_STREQ(out, "line1line2");
    EXPECT_EQ(cgiFormString("n2", out, sizeof out), cgiFormSuccess);
    EXPECT_STREQ(out, "line1\nline2");
    EXPECT_EQ(cgiFormString("n2", out, 4), cgiFormTruncated);
    EXPECT_STREQ(out, "lin");
    EXPECT_EQ(cgiFormFileContentType("n2", out, sizeof out), cgiFormSuccess);
    EXPECT_STREQ(out, "text/x");
    EXPECT_EQ(cgiFormFileName("n2", out, sizeof out), cgiFormNoFileName);
    EXPECT_EQ(cgiFormString("skip", out, sizeof out), cgiFormNotFound);
}

TEST_F(MultipartTest, FileEntriesAndNumbers) {
    std::string body =
        "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"x.bin\"\r\n\r\n\x01\x02\r\n\x03\r\n--B\r\n"
        "Content-Disposition: form-data; name=\"n\"\r\n\r\n  \t42x\r\n--B\r\n"
        "Content-Disposition: form-data; name=\"bad\"\r\n\r\nabc\r\n--B\r\n"
        "Content-Disposition: form-data; name=\"c\"\r\n\r\nred\r\n--B\r\n"
        "Content-Disposition: form-data; name=\"c\"\r\n\r\nblue\r\n--B\r\n"
        "Content-Disposition: form-data; name=\"c\"\r\n\r\npink\r\n--B--";
    ASSERT_EQ(parse("B", body), 0);
    int size = 0, value = 0;
    EXPECT_EQ(cgiFormFileSize("f", &size), cgiFormSuccess);
    EXPECT_EQ(size, 5);
    cgiFilePtr file = nullptr;
    ASSERT_EQ(cgiFormFileOpen("f", &file), cgiFormSuccess);
    char bytes[16];
    int got = 0;
    EXPECT_EQ(cgiFormFileRead(file, bytes, sizeof bytes, &got), cgiFormSuccess);
    EXPECT_EQ(std::string(bytes, static_cast<size_t>(got)), std::string("\x01\x02\r\n\x03", 5));
    EXPECT_EQ(cgiFormFileRead(file, bytes, sizeof bytes, &got), cgiFormEOF);
    EXPECT_EQ(cgiFormFileClose(file), cgiFormSuccess);
    EXPECT_EQ(cgiFormFileSize("n", &size), cgiFormNotAFile);

    EXPECT_EQ(cgiFormInteger("n", &value, 7), cgiFormSuccess);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(cgiFormIntegerBounded("n", &value, 0, 10, 7), cgiFormConstrained);
    EXPECT_EQ(value, 10);
    EXPECT_EQ(cgiFormInteger("bad", &value, 7), cgiFormBadType);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(cgiFormInteger("missing", &value, 9), cgiFormNotFound);
    EXPECT_EQ(value, 9);

    const char *colours[] = {"red", "green", "blue"};
    int flags[3], invalid = 0, index = 0;
    EXPECT_EQ(cgiFormCheckboxMultiple("c", colours, 3, flags, &invalid), cgiFormSuccess);
    EXPECT_EQ(flags[0] + flags[1] * 2 + flags[2] * 4, 5);
    EXPECT_EQ(invalid, 1);
    EXPECT_EQ(cgiFormSelectSingle("c", colours, 3, &index, -1), cgiFormSuccess);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(cgiFormSelectSingle("bad", colours, 3, &index, -1), cgiFormNoSuchChoice);
    EXPECT_EQ(index, -1);
}

TEST_F(MultipartTest, PartialBoundaryInsideBodyStaysBody) {
    std::string content = "a\r\n--Bo\r\n--B-\r\n-";
    std::string body = "--Boo\r\nContent-Disposition: form-data; name=\"v\"\r\n\r\n" + content + "\r\n--Boo--\r\n";
    ASSERT_EQ(parse("Boo", body), 0);
    char out[64];
    EXPECT_EQ(cgiFormString("v", out, sizeof out), cgiFormSuccess);
    EXPECT_EQ(std::string(out), "a\n--Bo\n--B-\n-");
}

TEST(Cookies, PairsAreMatchedByWholeName) {
    cgiCookie = "sid=1; userNameX=no;userName=admin ; lang=en";
    char out[32];
    EXPECT_EQ(cgiCookieString("userName", out, sizeof out), cgiFormSuccess);
    EXPECT_STREQ(out, "admin ");
    EXPECT_EQ(cgiCookieString("lang", out, 2), cgiFormTruncated);
    EXPECT_STREQ(out, "e");
    EXPECT_EQ(cgiCookieString("user", out, sizeof out), cgiFormNotFound);
    int number = 0;
    EXPECT_EQ(cgiCookieInteger("sid", &number, 5), cgiFormSuccess);
    EXPECT_EQ(number, 1);
    char **names = nullptr;
    ASSERT_EQ(cgiCookies(&names), cgiFormSuccess);
    EXPECT_STREQ(names[2], "userName");
    cgiStringArrayFree(names);
    cgiCookie = cgiEmptyString;
}

}  // namespace

namespace {

TEST_F(MultipartTest, CaptureFileRestoresEnvironmentAndEntries) {
    std::string body = "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"x.bin\"\r\n\r\nfile bytes\r\n--B\r\n"
                       "Content-Disposition: form-data; name=\"n\"\r\n\r\nfield\r\n--B--";
    setenv("PATH_INFO", "/1019", 1);
    ASSERT_EQ(parse("B", body), 0);
    ASSERT_EQ(cgiWriteEnvironment("/tmp/capture"), cgiFormSuccess);
    EXPECT_EQ(root.read_file("/tmp/capture").substr(0, 7), "CGIC2.0");
    cgiReleaseForm();
    cgiPathInfo = cgiEmptyString;

    ASSERT_EQ(cgiReadEnvironment("/tmp/capture"), cgiFormSuccess);
    EXPECT_EQ(cgiEnvRestored, 1);
    EXPECT_STREQ(cgiPathInfo, "/1019");
    char out[32];
    EXPECT_EQ(cgiFormString("n", out, sizeof out), cgiFormSuccess);
    EXPECT_STREQ(out, "field");
    int size = 0;
    EXPECT_EQ(cgiFormFileSize("f", &size), cgiFormSuccess);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(cgiFormFileName("f", out, sizeof out), cgiFormSuccess);
    EXPECT_STREQ(out, "x.bin");
    cgiReleaseForm();
    EXPECT_EQ(cgiEnvRestored, 0);
    EXPECT_STREQ(cgiPathInfo, "");

    root.write_file("/tmp/not-capture", "HELLO");
    EXPECT_NE(cgiReadEnvironment("/tmp/not-capture"), cgiFormSuccess);
    EXPECT_NE(cgiReadEnvironment("/tmp/missing"), cgiFormSuccess);
}

}  // namespace
