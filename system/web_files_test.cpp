// Diagnostics export, file download, alarm audio files and the address filter, end to end.
#include <unistd.h>

#include "platform/devroot.h"
#include "system/system_test_support.h"

namespace {

class WebFilesTest : public RouteTest {
  protected:
    static Bytes diagnosis_reply(int status, const std::string &path) {
        Bytes reply = le_words({0, status});
        reply.resize(8 + 256, 0);
        memcpy(reply.data() + 8, path.data(), path.size() < 256 ? path.size() : 256);
        return reply;
    }
};

TEST_F(WebFilesTest, DiagnosisAnswersTheEncodedArchivePath) {
    CgiResult result = get("/6310");
    const std::string prefix = "OK/%2Ftmp%2Fdiagnosis_";
    ASSERT_EQ(result.body.rfind(prefix, 0), 0u) << result.body;
    ASSERT_EQ(result.body.substr(result.body.size() - 9), ".tar.gz\r\n");
    std::string number = result.body.substr(prefix.size(), result.body.size() - prefix.size() - 9);
    std::string name = "diagnosis_" + number + ".tar.gz";
    ASSERT_EQ(sent(3528).size(), 1u);
    EXPECT_EQ(sent(3528)[0].payload.size(), 64u);
    EXPECT_EQ(payload_text(sent(3528)[0].payload, 0, 64), "/tmp");
    // The page then downloads it through "/6311", which removes it.
    CgiResult file = get("/6311", "%2Ftmp%2F" + name);
    EXPECT_EQ(file.headers, "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= " +
                                name + "\r\n\r\n");
    EXPECT_EQ(file.body, "diagnostic archive\n");
    EXPECT_FALSE(root.exists("/tmp/" + name));
}

TEST_F(WebFilesTest, DiagnosisFailures) {
    struct Case {
        int line;
        Bytes reply;
    } cases[] = {
        {__LINE__, diagnosis_reply(-1, "/tmp/d.tgz")},
        {__LINE__, diagnosis_reply(0, "")},
        {__LINE__, Bytes(7, 0)},
        {__LINE__, Bytes()},
    };
    for (const Case &c : cases) {
        daemon.script(3528, sim_one_reply(c.reply));
        EXPECT_EQ(get("/6310").body, "Failed") << "line " << c.line;
    }
    daemon.script(3528, sim_one_reply(diagnosis_reply(0, "/tmp/a b&c.tgz")));
    EXPECT_EQ(get("/6310").body, "OK/%2Ftmp%2Fa%20b%26c.tgz\r\n");
    Bytes unterminated = le_words({0, 1});
    unterminated.resize(8 + 256, 'p');  // a path filling its field without NUL
    daemon.script(3528, sim_one_reply(unterminated));
    EXPECT_EQ(get("/6310").body, "OK/" + std::string(256, 'p') + "\r\n");

    daemon.script(3528, SimScript());
    EXPECT_EQ(get_waiting_less(root, "/6310").body, "Failed");
    daemon.clear_requests();
    root.write_file("/tmp/tmp_diagnostic", "");
    EXPECT_EQ(get("/6310").body, "Failed");
    EXPECT_TRUE(daemon.requests().empty());
}

// Only a regular file that resolves inside "/tmp" is streamed and deleted; nothing else is touched.
TEST_F(WebFilesTest, DownloadStaysInsideTmp) {
    root.write_file("/mnt/nand/app/qvdb.db", "settings");
    root.write_file("/tmp/sub/x.bin", "x");
    mkdir(root.at("/tmp/dir").c_str(), 0755);
    symlink(root.at("/mnt/nand/app/qvdb.db").c_str(), root.at("/tmp/link").c_str());
    std::string db = root.at("/mnt/nand/app/qvdb.db");
    struct Case {
        int line;
        std::string query;
    } cases[] = {
        {__LINE__, "%2Fmnt%2Fnand%2Fapp%2Fqvdb.db"},
        {__LINE__, "/mnt/nand/app/qvdb.db"},
        {__LINE__, "/tmp/../mnt/nand/app/qvdb.db"},
        {__LINE__, "%2Ftmp%2F..%2Fmnt%2Fnand%2Fapp%2Fqvdb.db"},
        {__LINE__, "%2Ftmp%2F%2E%2E%2Fmnt%2Fnand%2Fapp%2Fqvdb.db"},
        {__LINE__, "%2ftmp%2f%2e%2e%2fmnt%2fnand%2fapp%2fqvdb.db"},
        {__LINE__, "%252Ftmp%252F..%252Fmnt"},
        {__LINE__, "/tmp/link"},
        {__LINE__, "/tmp/dir"},
        {__LINE__, "/tmp"},
        {__LINE__, "/tmp/"},
        {__LINE__, "tmp/sub/x.bin"},
        {__LINE__, "/tmp/sub/x.bin%00.txt"},
        {__LINE__, "/tmp/%zz"},
        {__LINE__, "/tmp/missing"},
        {__LINE__, "/tmp/sub/x.bin;rm -rf /"},
        {__LINE__, "$(rm /tmp/sub/x.bin)"},
        {__LINE__, db},
        {__LINE__, "/tmp/" + std::string(300, 'a')},
        {__LINE__, "/tmp/sub/" + std::string(250, '/') + "x.bin"},  // past 255 characters: cut, not found
    };
    for (const Case &c : cases) EXPECT_EQ(get("/6311", c.query).output, "") << "line " << c.line;
    EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "settings");
    EXPECT_TRUE(root.exists("/tmp/link"));
    EXPECT_TRUE(root.exists("/tmp/dir"));
    EXPECT_TRUE(root.exists("/tmp/sub/x.bin"));
    EXPECT_EQ(get("/6311", "%2Ftmp%2Fsub%2Fx.bin").body, "x");
    EXPECT_FALSE(root.exists("/tmp/sub/x.bin"));
}

TEST_F(WebFilesTest, DownloadNameLosesLineBreaks) {
    root.write_file("/tmp/a\r\nX: y", "data");
    CgiResult result = get("/6311", "%2Ftmp%2Fa%0D%0AX%3A%20y");
    EXPECT_EQ(result.headers,
              "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= aX: y\r\n\r\n");
    EXPECT_EQ(result.body, "data");
}

TEST_F(WebFilesTest, FixedAnswers) {
    EXPECT_EQ(get("/dw.cgi").body, "NG download");
    EXPECT_EQ(get("/1014").body, "OK");
    ASSERT_EQ(sent(3485, 1).size(), 1u);
    EXPECT_EQ(payload_i64(sent(3485)[0].payload, 8), 202);
    EXPECT_EQ(run(upload_request("/1019", "x.bin", "data")).output, "");
    EXPECT_TRUE(root.list("/tmp").empty());
}

// ----- alarm audio files -----

class AudioFilesTest : public RouteTest {
  protected:
    std::string diagnostic_log() { return root.read_file("/mnt/nand/cgi_log.txt"); }
};

Bytes audio_records(std::initializer_list<std::tuple<int, int, std::string>> records) {
    Bytes out;
    for (const auto &r : records) {
        Bytes one(136, 0);
        int32_t id = std::get<0>(r), enable = std::get<1>(r);
        memcpy(one.data(), &id, 4);
        memcpy(one.data() + 4, &enable, 4);
        memcpy(one.data() + 8, std::get<2>(r).data(), std::get<2>(r).size() < 128 ? std::get<2>(r).size() : 128);
        out.insert(out.end(), one.begin(), one.end());
    }
    return out;
}

TEST_F(AudioFilesTest, ListAnswersEnabledFilesWithDecodedNames) {
    daemon.script(4012, sim_one_reply(audio_records({{0, 1, "YWxhcm0ud2F2"},
                                                     {1, 0, "Ym9vLndhdg"},
                                                     {2, 1, "not*base64"},
                                                     {3, 1, std::string(128, 'Q')}})));
    CgiResult result = get("/6320");
    JsonRef answer(parse_answer(result.body));
    ASSERT_TRUE(answer) << result.body;
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"audioFileList", "status"}));
    json_object *list = nullptr;
    json_object_object_get_ex(answer, "audioFileList", &list);
    ASSERT_EQ(json_object_array_length(list), 3u);
    json_object *first = json_object_array_get_idx(list, 0);
    EXPECT_EQ(answer_keys(first), (std::vector<std::string>{"id", "enable", "name"}));
    EXPECT_EQ(json_text(first, "name"), "alarm.wav");
    EXPECT_EQ(answer_keys(json_object_array_get_idx(list, 1)), (std::vector<std::string>{"id", "enable"}));
    EXPECT_EQ(json_text(json_object_array_get_idx(list, 2), "name").size(), 96u);  // 128 characters, no NUL

    daemon.script(4012, sim_one_reply(Bytes(135, 0)));
    EXPECT_EQ(get("/6320").body, kJsonError);
    daemon.script(4012, SimScript());
    EXPECT_EQ(get("/6320").body, kJsonError);
}

TEST_F(AudioFilesTest, UploadGivesASoundFileItsEncodedName) {
    root.write_file("/tmp/other.wav", "other upload");
    CgiResult result = run(upload_request("/6321", "alarm.wav", "RIFF"));
    EXPECT_EQ(result.body, "CGI OK status:[0], data:[YWxhcm0ud2F2]");
    EXPECT_EQ(root.read_file("/tmp/YWxhcm0ud2F2"), "RIFF");
    EXPECT_FALSE(root.exists("/tmp/alarm.wav"));
    EXPECT_EQ(root.read_file("/tmp/other.wav"), "other upload");  // no other upload is moved
}

TEST_F(AudioFilesTest, UploadRemovesFilesThatAreNotSounds) {
    root.write_file("/tmp/keep.mp3", "keep");
    CgiResult result = run(upload_request("/6321", "alarm.mp3", "ID3"));
    EXPECT_EQ(result.body, "CGI ERROR status:[-1]");
    EXPECT_FALSE(root.exists("/tmp/alarm.mp3"));
    EXPECT_EQ(root.read_file("/tmp/keep.mp3"), "keep");
    EXPECT_NE(diagnostic_log().find("zqp upload_audio_file ret:[-1], pData:[/tmp/alarm.mp3], name:[alarm.mp3]"),
              std::string::npos)
        << diagnostic_log();
}

TEST_F(AudioFilesTest, UploadNamesWithShellTextAreData) {
    struct Case {
        int line;
        std::string name;
    } cases[] = {
        {__LINE__, "a;touch pwned;.wav"},
        {__LINE__, "$(touch pwned).wav"},
        {__LINE__, "`touch pwned`.WAV"},
        {__LINE__, "* .wav"},
        {__LINE__, std::string(120, 'n') + ".wav"},
    };
    for (const Case &c : cases) {
        root.write_file("/tmp/bystander.wav", "b");
        CgiResult result = run(upload_request("/6321", c.name, "RIFF"));
        EXPECT_EQ(result.body.rfind("CGI OK status:[0], data:[", 0), 0u) << "line " << c.line << ": " << result.body;
        std::string encoded = result.body.substr(25, result.body.size() - 26);
        EXPECT_EQ(root.read_file("/tmp/" + encoded), "RIFF") << "line " << c.line;
        EXPECT_EQ(root.read_file("/tmp/bystander.wav"), "b") << "line " << c.line;
        for (const std::string &file : files_under(root))
            EXPECT_EQ(file.find("pwned"), std::string::npos) << "line " << c.line << ": " << file;
        unlink(root.at("/tmp/" + encoded).c_str());
    }
}

TEST_F(AudioFilesTest, UploadArgumentOutsideTmpTouchesNothing) {
    root.write_file("/mnt/nand/app/alarm.wav", "keep");
    root.write_file("/mnt/nand/app/alarm.mp3", "keep");
    for (const char *arg : {"/mnt/nand/app/alarm.wav", "/tmp/../mnt/nand/app/alarm.mp3", "/tmp", "alarm.wav"})
        EXPECT_EQ(post_json("/6321", arg).body, "CGI ERROR status:[-1]") << arg;
    EXPECT_EQ(root.read_file("/mnt/nand/app/alarm.wav"), "keep");
    EXPECT_EQ(root.read_file("/mnt/nand/app/alarm.mp3"), "keep");
}

TEST_F(AudioFilesTest, RenameUploadNeedsABareNameInTmp) {
    root.write_file("/tmp/YWxhcm0ud2F2", "RIFF");
    root.write_file("/mnt/nand/app/x.wav", "keep");
    symlink(root.at("/mnt/nand/app/x.wav").c_str(), root.at("/tmp/link.wav").c_str());
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, R"({"uploadName":"../mnt/nand/app/x.wav","name":"n"})"},
        {__LINE__, R"({"uploadName":"/tmp/YWxhcm0ud2F2","name":"n"})"},
        {__LINE__, R"({"uploadName":"..","name":"n"})"},
        {__LINE__, R"({"uploadName":".","name":"n"})"},
        {__LINE__, R"({"uploadName":"","name":"n"})"},
        {__LINE__, R"({"uploadName":"link.wav","name":"n"})"},
        {__LINE__, R"({"uploadName":"missing","name":"n"})"},
        {__LINE__, R"({"uploadName":"YWxhcm0ud2F2"})"},
        {__LINE__, R"({"uploadName":"YWxhcm0ud2F2","name":""})"},
        {__LINE__, R"({"uploadName":5,"name":"n"})"},
        {__LINE__, "uploadName=x"},
    };
    for (const Case &c : refused) {
        EXPECT_EQ(post_json("/6322", c.body).body, kJsonError) << "line " << c.line;
        EXPECT_TRUE(daemon.requests().empty()) << "line " << c.line;
    }
    EXPECT_TRUE(root.exists("/tmp/YWxhcm0ud2F2"));
    EXPECT_EQ(root.read_file("/mnt/nand/app/x.wav"), "keep");

    CgiResult result = post_json("/6322", R"({"uploadName":"YWxhcm0ud2F2","name":"door bell"})");
    JsonRef answer(parse_answer(result.body));
    EXPECT_EQ(json_int(answer, "status"), 0);
    EXPECT_EQ(root.read_file("/tmp/ZG9vciBiZWxs"), "RIFF");
    ASSERT_EQ(sent(4013).size(), 1u);
    EXPECT_EQ(sent(4013)[0].payload.size(), 128u);
    EXPECT_EQ(payload_text(sent(4013)[0].payload, 0, 128), "ZG9vciBiZWxs");
    ASSERT_EQ(sent(3485, 1).size(), 1u);
    EXPECT_EQ(payload_i32(sent(3485)[0].payload, 24), 925);

    // No reply: the error, and no operation is recorded.
    daemon.clear_requests();
    daemon.script(4013, SimScript());
    root.write_file("/tmp/up2", "RIFF");
    EXPECT_EQ(post_json("/6322", R"({"uploadName":"up2","name":"x"})").body, kJsonError);
    EXPECT_TRUE(daemon.requests_with_code(3485).empty());
}

// ----- address filter -----

class AccessFilterTest : public RouteTest {};

TEST_F(AccessFilterTest, StoresAndAnswersTheFilter) {
    JsonRef initial(parse_answer(get("/6300").body));
    EXPECT_EQ(answer_keys(initial), (std::vector<std::string>{"filterEnable", "filterType", "filterList"}));
    EXPECT_EQ(json_int(initial, "filterEnable"), 0);
    EXPECT_EQ(json_int(initial, "filterType"), 1);

    std::string items;
    for (int i = 0; i < 120; i++) items += (i ? "," : "") + std::string(R"({"address_type":1,"address":"10.0.0.)") + std::to_string(i) + "\"}";
    std::string body = R"({"filterEnable":1,"filterType":0,"filterList":[{"address_type":2,"address":")" +
                       std::string(40, 'a') + R"("},5,{"address":"x"},{"address_type":1,"address":7},)" + items + "]}";
    EXPECT_EQ(post_json("/6301", body).body, "OK");
    EXPECT_EQ(sent(1722, 1).size(), 1u);
    JsonRef stored(parse_answer(get("/6300").body));
    EXPECT_EQ(json_int(stored, "filterEnable"), 1);
    EXPECT_EQ(json_int(stored, "filterType"), 0);
    json_object *list = nullptr;
    json_object_object_get_ex(stored, "filterList", &list);
    ASSERT_EQ(json_object_array_length(list), 100u);  // malformed items skipped, then cut at 100
    json_object *first = json_object_array_get_idx(list, 0);
    EXPECT_EQ(answer_keys(first), (std::vector<std::string>{"address_type", "address"}));
    EXPECT_EQ(json_text(first, "address"), std::string(31, 'a'));
    EXPECT_EQ(json_text(json_object_array_get_idx(list, 1), "address"), "10.0.0.0");
    EXPECT_EQ(json_text(json_object_array_get_idx(list, 99), "address"), "10.0.0.98");

    EXPECT_EQ(post_json("/6301", R"({"filterEnable":0,"filterType":1,"filterList":[]})").body, "OK");
    JsonRef cleared(parse_answer(get("/6300").body));
    json_object_object_get_ex(cleared, "filterList", &list);
    EXPECT_EQ(json_object_array_length(list), 0u);
}

TEST_F(AccessFilterTest, RefusedRequestsChangeNothing) {
    ASSERT_EQ(post_json("/6301", R"({"filterEnable":1,"filterType":1,"filterList":[{"address_type":1,"address":"a"}]})").body,
              "OK");
    sent(1722, 1);
    daemon.clear_requests();
    for (const char *body : {R"({"filterType":1,"filterList":[]})", R"({"filterEnable":0,"filterList":[]})",
                             R"({"filterEnable":0,"filterType":1})", R"({"filterEnable":0,"filterType":1,"filterList":{}})",
                             "garbage"})
        EXPECT_EQ(post_json("/6301", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
    JsonRef stored(parse_answer(get("/6300").body));
    EXPECT_EQ(json_int(stored, "filterEnable"), 1);
}

}  // namespace
