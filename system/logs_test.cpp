// Log search, CSV export, entry detail, export marker and type catalogue, end to end.
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/oplog.h"
#include "core/qvdb.h"
#include "platform/devroot.h"
#include "system/system_test_support.h"

namespace {

const char kSearchBase[] =
    R"("language":"en","startTime":"2026-01-01 00:00:00","endTime":"2037-12-31 23:59:59","curPageNum":1)";
const char kExportBase[] =
    R"("language":"en","startTime":"2026-01-01T00:00:00","endTime":"2037-12-31T23:59:59","curPageNum":1)";

std::string search(const std::string &fields) { return std::string("{") + kSearchBase + "," + fields + "}"; }
std::string export_query(const std::string &fields) { return std::string("{") + kExportBase + "," + fields + "}"; }

class LogsTest : public RouteTest {
  protected:
    static OperationLogRecord record(int main_type, int64_t sub, int parameter, const std::string &ip,
                                     const std::string &user, int32_t time_stamp = 1767225600) {
        OperationLogRecord r;
        memset(&r, 0, sizeof r);
        r.main_type = main_type;
        r.sub_type = sub;
        r.parameter = parameter;
        r.time = time_stamp;
        r.remote = 1;
        r.channel = 3;
        memcpy(r.client_addr, ip.data(), ip.size() < 45 ? ip.size() : 45);
        memcpy(r.user_name, user.data(), user.size() < 63 ? user.size() : 63);
        return r;
    }
    static Bytes page_reply(int total, int count, const std::vector<OperationLogRecord> &records) {
        Bytes reply = le_words({total, count});
        for (const OperationLogRecord &r : records)
            reply.insert(reply.end(), reinterpret_cast<const uint8_t *>(&r), reinterpret_cast<const uint8_t *>(&r + 1));
        return reply;
    }
    // An export file of the daemon's layout at a device path; the reply naming it.
    Bytes export_file(const std::string &device_path, const std::vector<std::pair<OperationLogRecord, std::string>> &rows,
                      int count_override = -1) {
        std::string content;
        int32_t count = count_override >= 0 ? count_override : static_cast<int32_t>(rows.size());
        content.append(reinterpret_cast<const char *>(&count), 4);
        for (const auto &row : rows) {
            content.append(reinterpret_cast<const char *>(&row.first), sizeof row.first);
            std::string detail(4096, '\0');
            detail.replace(0, row.second.size(), row.second);
            content += detail;
        }
        root.write_file(device_path, content);
        Bytes reply(68, 0);
        memcpy(reply.data() + 4, device_path.data(), device_path.size() < 63 ? device_path.size() : 63);
        return reply;
    }
    void set_param(const char *key, const char *value) {
        set_param_value(QVDB_PATH, key, value);
        qvdb_close_all();
    }
};

int32_t local_seconds(int year, int month, int day, int hour, int minute, int second) {
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<int32_t>(mktime(&t));
}

TEST_F(LogsTest, SearchAndExportRefuseIncompleteQueries) {
    struct Case {
        int line;
        std::string body;
    } cases[] = {
        {__LINE__, search(R"("mainType":0,"subTypeArr":[10])")},
        {__LINE__, search(R"("mainType":65,"subTypeArr":[10])")},
        {__LINE__, search(R"("mainType":4,"subTypeArr":[9])")},
        {__LINE__, search(R"("mainType":4,"subTypeArr":[])")},
        {__LINE__, search(R"("mainType":4,"subTypeArr":["10"])")},
        {__LINE__, search(R"("mainType":4,"subTypeArr":10)")},
        {__LINE__, search(R"("mainType":4)")},
        {__LINE__, R"({"mainType":4,"subTypeArr":[10],"startTime":"2026-01-01 00:00:00","endTime":"2026-01-02 00:00:00","curPageNum":1})"},
        {__LINE__, R"({"language":"en","mainType":4,"subTypeArr":[10],"endTime":"2026-01-02 00:00:00","curPageNum":1})"},
        {__LINE__, R"({"language":"en","mainType":4,"subTypeArr":[10],"startTime":"2026-01-01 00:00:00","endTime":"2026-01-02 00:00:00"})"},
        {__LINE__, R"({"language":"en","mainType":4,"subTypeArr":[10],"startTime":"yesterday","endTime":"2026-01-02 00:00:00","curPageNum":1})"},
        {__LINE__, "not json"},
        {__LINE__, "[1,2]"},
    };
    for (const Case &c : cases) {
        for (const char *path : {"/1002", "/1003"}) {
            daemon.clear_requests();
            std::string body = c.body;
            if (std::string(path) == "/1003") {
                // The export reads its times with a 'T' between date and time.
                for (size_t at; (at = body.find(" 00:00:00")) != std::string::npos;) body[at] = 'T';
                for (size_t at; (at = body.find(" 23:59:59")) != std::string::npos;) body[at] = 'T';
            }
            CgiResult result = post_json(path, body);
            EXPECT_EQ(result.body, kJsonError) << path << " line " << c.line;
            EXPECT_TRUE(daemon.requests().empty()) << path << " line " << c.line;
        }
    }
}

TEST_F(LogsTest, SearchFillsTheQueryPayload) {
    daemon.script(3495, sim_one_reply(page_reply(0, 0, {})));
    std::string subs = "[10";
    for (int i = 0; i < 149; i++) subs += "," + std::to_string(200 + i);
    subs += "]";
    post_json("/1002", R"({"language":"en","startTime":"2026-03-04 05:06:07","endTime":"2026-03-05 00:00:00",)"
                       R"("curPageNum":3,"mainType":4,"subTypeArr":)" +
                           subs + R"(,"chnMask":"1010x1","searchNoChn":1})");
    ASSERT_EQ(sent(3495).size(), 1u);
    Bytes p = sent(3495)[0].payload;
    ASSERT_EQ(p.size(), 840u);
    EXPECT_EQ(payload_i32(p, 0), local_seconds(2026, 3, 4, 5, 6, 7));
    EXPECT_EQ(payload_i32(p, 4), local_seconds(2026, 3, 5, 0, 0, 0));
    EXPECT_EQ(payload_i32(p, 8), 4);
    EXPECT_EQ(payload_i32(p, 816), 100);  // at most 100 sub types fit the payload
    EXPECT_EQ(payload_i64(p, 16), 10);
    EXPECT_EQ(payload_i64(p, 16 + 8 * 99), 298);
    EXPECT_EQ(payload_i32(p, 820), 3);
    EXPECT_EQ(static_cast<uint64_t>(payload_i64(p, 824)), (1ULL << 0) | (1ULL << 2) | (1ULL << 5));
    EXPECT_EQ(payload_i32(p, 832), 1);

    daemon.clear_requests();
    post_json("/1002", search(R"("mainType":2,"subTypeArr":[11,"x",null,12.5,13])"));
    Bytes q = sent(3495)[0].payload;
    EXPECT_EQ(payload_i32(q, 816), 2);  // items that are not whole numbers are skipped
    EXPECT_EQ(payload_i64(q, 16), 11);
    EXPECT_EQ(payload_i64(q, 24), 13);
}

TEST_F(LogsTest, SearchAnswersEntriesInOrder) {
    OperationLogRecord first = record(4, 213, 900, "::ffff:192.168.1.9", "admin");
    first.detail_length = 8;
    const uint8_t detail[8] = {'a', 'b', 0, 0, 0x80, 0, 0, 1};
    memcpy(first.detail, detail, sizeof detail);
    OperationLogRecord second = record(32, 400, 901, "fe80::1%eth0", std::string(70, 'u'));
    memset(second.client_addr, 'f', sizeof second.client_addr);  // no NUL in the address field
    daemon.script(3495, sim_one_reply(page_reply(250, 2, {first, second})));
    CgiResult result = post_json("/1002", search(R"("mainType":4,"subTypeArr":[10],"curPageNum":2)"));
    JsonRef answer(parse_answer(result.body));
    ASSERT_TRUE(answer) << result.body;
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"count", "num", "curPageNum", "log"}));
    EXPECT_EQ(json_int(answer, "count"), 250);
    EXPECT_EQ(json_int(answer, "num"), 2);
    json_object *log = nullptr;
    ASSERT_TRUE(json_object_object_get_ex(answer, "log", &log));
    ASSERT_EQ(json_object_array_length(log), 2u);
    json_object *e = json_object_array_get_idx(log, 0);
    EXPECT_EQ(answer_keys(e), (std::vector<std::string>{"no", "mainTypeValue", "mainType", "subTypeValue", "subType",
                                                         "pts", "ptc", "parameterValue", "parameter", "remote",
                                                         "chanNo", "disk", "size", "detail", "detail2", "ip",
                                                         "user"}));
    EXPECT_EQ(json_int(e, "no"), 0);
    EXPECT_EQ(json_text(e, "mainType"), "Operation");
    EXPECT_EQ(json_text(e, "subType"), "Configuration export");
    EXPECT_EQ(json_text(e, "parameter"), "N/A");
    EXPECT_EQ(json_text(e, "ip"), "192.168.1.9");
    EXPECT_EQ(json_text(e, "user"), "admin");
    EXPECT_EQ(json_text(e, "detail"), "ab");
    EXPECT_EQ(json_int(e, "size"), 8);
    json_object *words = nullptr;
    ASSERT_TRUE(json_object_object_get_ex(e, "detail2", &words));
    ASSERT_EQ(json_object_array_length(words), 128u);
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(words, 0)), 0x61620000);
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(words, 1)), static_cast<int32_t>(0x80000001));
    json_object *e2 = json_object_array_get_idx(log, 1);
    EXPECT_EQ(json_text(e2, "ip"), std::string(46, 'f'));
    EXPECT_EQ(json_text(e2, "user"), std::string(63, 'u'));
    EXPECT_EQ(json_int(e2, "disk"), 1);  // a disk exception names a disk port
    EXPECT_EQ(json_text(e2, "mainType"), "Exception");
}

TEST_F(LogsTest, SearchAddressForms) {
    struct Case {
        int line;
        std::string stored, shown;
    } cases[] = {
        {__LINE__, "::ffff:192.168.1.9", "192.168.1.9"},
        {__LINE__, "fe80::1%eth0", "fe80::1"},
        {__LINE__, "192.168.1.10", "192.168.1.10"},
        {__LINE__, "2001:db8::5", "2001:db8::5"},
        {__LINE__, "", ""},
    };
    for (const Case &c : cases) {
        daemon.script(3495, sim_one_reply(page_reply(1, 1, {record(4, 201, 900, c.stored, "a")})));
        JsonRef answer(parse_answer(post_json("/1002", search(R"("mainType":4,"subTypeArr":[10])")).body));
        json_object *log = nullptr;
        ASSERT_TRUE(json_object_object_get_ex(answer, "log", &log)) << "line " << c.line;
        EXPECT_EQ(json_text(json_object_array_get_idx(log, 0), "ip"), c.shown) << "line " << c.line;
    }
}

// The entry count is bounded by the records present and by the page size.
TEST_F(LogsTest, SearchCountsAreBoundedByThePayload) {
    struct Case {
        int line;
        int claimed;
        int present;
        int listed;
    } cases[] = {
        {__LINE__, 5, 2, 2}, {__LINE__, 2, 2, 2}, {__LINE__, -3, 2, 0}, {__LINE__, 500, 101, 100},
    };
    for (const Case &c : cases) {
        std::vector<OperationLogRecord> records(static_cast<size_t>(c.present), record(4, 201, 900, "1.2.3.4", "a"));
        daemon.script(3495, sim_one_reply(page_reply(c.present, c.claimed, records)));
        JsonRef answer(parse_answer(post_json("/1002", search(R"("mainType":4,"subTypeArr":[10])")).body));
        EXPECT_EQ(json_int(answer, "num"), c.listed) << "line " << c.line;
        json_object *log = nullptr;
        ASSERT_TRUE(json_object_object_get_ex(answer, "log", &log)) << "line " << c.line;
        EXPECT_EQ(static_cast<int>(json_object_array_length(log)), c.listed) << "line " << c.line;
    }
    daemon.script(3495, sim_one_reply(Bytes(7, 0)));
    CgiResult short_reply = post_json("/1002", search(R"("mainType":4,"subTypeArr":[10])"));
    EXPECT_EQ(short_reply.body, "ERROR");
    EXPECT_EQ(short_reply.headers, "Content-type: application/json\r\n\r\n");
    daemon.script(3495, SimScript());
    EXPECT_EQ(post_json_waiting_less(root, "/1002", search(R"("mainType":4,"subTypeArr":[10])")).body, kJsonError);
}

// Records the routes send come back through the simulated log store.
TEST_F(LogsTest, SearchFindsOperationsTheRoutesRecorded) {
    get("/1014");
    get("/1004");
    sent(3485, 2);
    JsonRef answer(parse_answer(post_json("/1002", search(R"("mainType":4,"subTypeArr":[202])")).body));
    EXPECT_EQ(json_int(answer, "count"), 1);
    json_object *log = nullptr;
    ASSERT_TRUE(json_object_object_get_ex(answer, "log", &log));
    ASSERT_EQ(json_object_array_length(log), 1u);
    EXPECT_EQ(json_int(json_object_array_get_idx(log, 0), "subTypeValue"), 202);
    EXPECT_EQ(json_text(json_object_array_get_idx(log, 0), "ip"), "127.0.0.1");
}

TEST_F(LogsTest, ExportExpandsOperationMasks) {
    struct Case {
        int line;
        int main_type;
        std::string subs;
        std::vector<int64_t> expected;
    } cases[] = {
        {__LINE__, 4, "[11,10,12]", {101, 201}},
        {__LINE__, 4, "[11]", {101}},  // missing masks count as empty
        {__LINE__, 4, "[10]", {10}},
        {__LINE__, 4, "[10,11]", {10, 11}},
        {__LINE__, 4, "[1073741833,10,10]", {}},  // 10 + bits 0..29 minus one: every bit but 29... see below
        {__LINE__, 2, "[11,12]", {11, 12}},
    };
    // 1073741833 - 10 = 2^30 - 1: all 30 bits of the first mask.
    for (int l = 0; l < 30; l++) cases[4].expected.push_back(101 + l);
    for (const Case &c : cases) {
        daemon.clear_requests();
        daemon.script(3494, sim_one_reply(Bytes(68, 0)));
        post_json("/1003", export_query(R"("mainType":)" + std::to_string(c.main_type) + R"(,"subTypeArr":)" + c.subs +
                                        R"(,"ch":"5","na":1)"));
        ASSERT_EQ(sent(3494).size(), 1u) << "line " << c.line;
        Bytes p = sent(3494)[0].payload;
        std::vector<int64_t> subs;
        for (int i = 0; i < payload_i32(p, 816); i++) subs.push_back(payload_i64(p, 16 + 8 * static_cast<size_t>(i)));
        EXPECT_EQ(subs, c.expected) << "line " << c.line;
        EXPECT_EQ(payload_i32(p, 820), 1) << "line " << c.line;
        EXPECT_EQ(payload_i64(p, 824), 5) << "line " << c.line;
        EXPECT_EQ(payload_i32(p, 832), 1) << "line " << c.line;
    }
}

TEST_F(LogsTest, ExportStreamsCsvAndRemovesTheDaemonFile) {
    set_param("oem_type", "0");
    OperationLogRecord a = record(4, 213, 900, "::ffff:10.0.0.2", "adm,\"x\"");
    OperationLogRecord b = record(4, 204, 909, "10.0.0.3", "bob");
    Bytes reply = export_file("/tmp/log/e1.dat", {{a, "line1\r\nline \"two\""}, {b, ""}});
    daemon.script(3494, sim_one_reply(reply));
    CgiResult result = post_json("/1003", export_query(R"("mainType":4,"subTypeArr":[10])"));
    ASSERT_EQ(result.headers.rfind("Content-Type:application/octet-stream\r\nContent-Disposition: attachment; "
                                   "filename= Operation_log_",
                                   0),
              0u)
        << result.headers;
    EXPECT_NE(result.headers.find(".csv\r\n\r\n"), std::string::npos);
    std::string expected = "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n";
    expected += "1," + std::string("2026-01-01") + "";
    EXPECT_EQ(result.body.substr(0, 65), expected.substr(0, 65));
    std::string time_text;
    {
        time_t when = a.time;
        struct tm local;
        localtime_r(&when, &local);
        char text[32];
        strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        time_text = text;
    }
    std::string rows = "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n"
                       "1," + time_text + ",Operation,Configuration export,N/A,\"adm,\"\"x\"\"\",10.0.0.2,3,"
                       "\"line1\r\nline \"\"two\"\"\",\r\n"
                       "2," + time_text + ",Operation,Settings saved,Motion detection,bob,10.0.0.3,3,\"N/A\",\r\n";
    EXPECT_EQ(result.body, rows);
    EXPECT_FALSE(root.exists("/tmp/log/e1.dat"));
    EXPECT_FALSE(root.exists("/tmp/log/log_web"));
}

TEST_F(LogsTest, ExportStopsAtAShortFile) {
    OperationLogRecord a = record(8, 500, 900, "1.1.1.1", "u");
    Bytes reply = export_file("/tmp/log/e2.dat", {{a, "d"}}, 5);  // claims 5 rows, holds 1
    daemon.script(3494, sim_one_reply(reply));
    CgiResult result = post_json("/1003", export_query(R"("mainType":8,"subTypeArr":[10])"));
    EXPECT_NE(result.headers.find("filename= Information_log_"), std::string::npos);
    EXPECT_EQ(std::count(result.body.begin(), result.body.end(), '\n'), 2);
}

// Only a regular file inside "/tmp" is read and removed; anything else gives the title row.
TEST_F(LogsTest, ExportIgnoresDaemonPathsOutsideTmp) {
    root.write_file("/mnt/nand/app/secret.dat", "secret");
    symlink(root.at("/mnt/nand/app/secret.dat").c_str(), root.at("/tmp/link.dat").c_str());
    struct Case {
        int line;
        std::string path;
    } cases[] = {
        {__LINE__, "/mnt/nand/app/secret.dat"}, {__LINE__, "/tmp/../mnt/nand/app/secret.dat"},
        {__LINE__, "/tmp/link.dat"},            {__LINE__, "/tmp"},
        {__LINE__, "/tmp/missing.dat"},         {__LINE__, ""},
        {__LINE__, "/tmp/x; rm -rf /"},
    };
    for (const Case &c : cases) {
        Bytes reply(68, 0);
        memcpy(reply.data() + 4, c.path.data(), c.path.size());
        daemon.script(3494, sim_one_reply(reply));
        CgiResult result = post_json("/1003", export_query(R"("mainType":64,"subTypeArr":[10])"));
        EXPECT_EQ(result.body, "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n") << "line " << c.line;
        EXPECT_NE(result.headers.find("filename= Debug_log_"), std::string::npos) << "line " << c.line;
    }
    EXPECT_EQ(root.read_file("/mnt/nand/app/secret.dat"), "secret");
    EXPECT_TRUE(root.exists("/tmp/link.dat"));
    // A reply too short for its path field is no reply.
    daemon.script(3494, sim_one_reply(Bytes(67, 0)));
    EXPECT_EQ(post_json("/1003", export_query(R"("mainType":64,"subTypeArr":[10])")).body, kJsonError);
    daemon.script(3494, SimScript());
    EXPECT_EQ(post_json_waiting_less(root, "/1003", export_query(R"("mainType":64,"subTypeArr":[10])")).body, kJsonError);
    EXPECT_FALSE(root.exists("/tmp/log/log_web"));
}

TEST_F(LogsTest, ExportMarkerExistsOnlyWhileWaiting) {
    EXPECT_EQ(get("/1022").body, "NO");
    daemon.script(3494, SimScript{SimStep{600, -1, Bytes(68, 0)}});
    std::thread exporter([this] { post_json("/1003", export_query(R"("mainType":4,"subTypeArr":[10])")); });
    bool seen = false;
    for (int i = 0; i < 50 && !seen; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        seen = root.exists("/tmp/log/log_web");
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(get("/1022").body, "OK");
    exporter.join();
    EXPECT_EQ(get("/1022").body, "NO");
}

TEST_F(LogsTest, ExportThroughTheSimulatedLogStore) {
    get("/1014");
    sent(3485, 1);
    CgiResult result = post_json("/1003", export_query(R"("mainType":4,"subTypeArr":[10])"));
    EXPECT_NE(result.body.find(",Operation,Logout,N/A,"), std::string::npos) << result.body;
    EXPECT_TRUE(root.list("/tmp/log").empty());
}

TEST_F(LogsTest, DetailRebuildsTheRecord) {
    std::string words = "[1633837924";
    for (int i = 1; i < 140; i++) words += "," + std::to_string(i);
    words += "]";
    daemon.script(3488, sim_one_reply(Bytes{'d', 'e', 't', 0, 'x'}));
    CgiResult result = post_json("/1021", R"({"mainTypeValue":4,"subTypeValue":213,"pts":1234,"parameterValue":900,)"
                                          R"("remote":1,"chanNo":7,"ip":")" + std::string(60, '9') +
                                              R"(","user":"admin","size":9999,"detail2":)" + words + "}");
    EXPECT_EQ(result.body, "det");
    ASSERT_EQ(sent(3488).size(), 1u);
    Bytes p = sent(3488)[0].payload;
    ASSERT_EQ(p.size(), 672u);
    EXPECT_EQ(payload_i32(p, 0), 4);
    EXPECT_EQ(payload_i64(p, 8), 213);
    EXPECT_EQ(payload_i32(p, 20), 1234);
    EXPECT_EQ(payload_i32(p, 24), 900);
    EXPECT_EQ(payload_i32(p, 28), 1);
    EXPECT_EQ(payload_i32(p, 32), 7);
    EXPECT_EQ(payload_text(p, 36, 46), std::string(45, '9'));
    EXPECT_EQ(payload_text(p, 82, 64), "admin");
    EXPECT_EQ(payload_i32(p, 148), 512);
    EXPECT_EQ(payload_text(p, 152, 4), "abcd");  // 1633837924 = 0x61626364, big-endian
    EXPECT_EQ(p[152 + 4 * 127 + 3], 127);        // word 127 is the last one written
    EXPECT_EQ(payload_i64(p, 664), 0);

    daemon.script(3488, sim_one_reply(Bytes{0}));
    EXPECT_EQ(post_json("/1021", R"({"mainTypeValue":4})").body, "N/A");
    daemon.script(3488, sim_one_reply(Bytes()));
    EXPECT_EQ(post_json("/1021", R"({"mainTypeValue":4})").body, "N/A");
    daemon.script(3488, SimScript());
    EXPECT_EQ(post_json("/1021", R"({"mainTypeValue":4})").body, "CGI ERROR");
    EXPECT_EQ(post_json("/1021", "nope").body, "CGI ERROR");
}

TEST_F(LogsTest, CatalogueListsEveryMainTypeInOrder) {
    JsonRef answer(parse_answer(post_json("/1015", R"({"lan":"fr"})").body));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"mainType", "subType"}));
    json_object *mains = nullptr, *subs = nullptr;
    json_object_object_get_ex(answer, "mainType", &mains);
    json_object_object_get_ex(answer, "subType", &subs);
    std::vector<int> keys;
    for (size_t i = 0; i < json_object_array_length(mains); i++)
        keys.push_back(json_int(json_object_array_get_idx(mains, i), "key"));
    EXPECT_EQ(keys, (std::vector<int>{1, 2, 4, 8, 32, 64}));
    EXPECT_EQ(json_text(json_object_array_get_idx(mains, 2), "name"), "Operation");  // falls back to English
    auto sub_keys = [&](int index) {
        std::vector<int> out;
        json_object *list = json_object_array_get_idx(subs, index);
        for (size_t i = 0; i < json_object_array_length(list); i++)
            out.push_back(json_int(json_object_array_get_idx(list, i), "key"));
        return out;
    };
    EXPECT_EQ(sub_keys(0), std::vector<int>{10});
    std::vector<int> events = {10};
    for (int n = 11; n <= 36; n++)
        if (n != 31 && n != 32 && n != 15 && n != 16) events.push_back(n);
    for (int n : {38, 39, 40, 41, 37, 42, 43, 44}) events.push_back(n);
    EXPECT_EQ(sub_keys(1), events);
    EXPECT_EQ(sub_keys(2).size(), 1u + 44u + 29u);
    EXPECT_EQ(sub_keys(3).size(), 1u + 7u + 11u);
    std::vector<int> exceptions = sub_keys(4);
    EXPECT_EQ(exceptions.size(), 1u + 13u);
    EXPECT_EQ(std::count(exceptions.begin(), exceptions.end(), 408), 0);
    EXPECT_EQ(sub_keys(5), (std::vector<int>{10, 600, 601, 602, 603}));
    for (size_t i = 0; i < 6; i++) {
        json_object *list = json_object_array_get_idx(subs, i);
        for (size_t j = 0; j < json_object_array_length(list); j++)
            EXPECT_NE(json_text(json_object_array_get_idx(list, j), "name"), "") << "list " << i << " item " << j;
    }

    set_param("oem_type", "90");
    JsonRef oem(parse_answer(post_json("/1015", R"({"lan":"en"})").body));
    json_object *oem_subs = nullptr;
    json_object_object_get_ex(oem, "subType", &oem_subs);
    json_object *oem_events = json_object_array_get_idx(oem_subs, 1);
    EXPECT_EQ(json_object_array_length(oem_events), events.size() + 2);
    EXPECT_EQ(post_json("/1015", "lan=en").body, kJsonError);
}

}  // namespace
