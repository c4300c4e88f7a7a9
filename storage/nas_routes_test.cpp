// Network share routes end to end: adding, searching and removing shares, removing disks, and
// share texts full of shell metacharacters.
#include <sys/stat.h>

#include "storage/storage_test_support.h"

namespace {

std::vector<int32_t> port_list(const SimRequest &request) {
    std::vector<int32_t> ports;
    EXPECT_EQ(request.payload.size(), sizeof(PortList));
    int32_t count = payload_i32(request.payload, 0);
    for (int32_t i = 0; i < count && i < kPortListPorts; i++) ports.push_back(payload_i32(request.payload, 4 + 4 * i));
    return ports;
}

TEST_F(StorageRoutes, ShareListIsStoredSentAndLoggedPerShare) {
    std::string body =
        "{\"num\":6,\"port\":[2,\"3\",0,37,4,5,6],\"vendor\":[\"v2\",\"v3\",\"v0\",\"v37\",\"v4\",7],"
        "\"address\":[\"10.0.0.2\",\"x\",\"x\",\"x\",\"10.0.0.4\"],\"directory\":[\"/d2\"],"
        "\"userName\":[\"ad%20min\",\"\",\"\",\"\",\"bad%zz\"],\"password\":[\"p%26w\"]}";
    EXPECT_EQ(post_json("/6201", body).output, "Content-type: application/json\r\n\r\n{ \"status\": 0, \"res\": 0 }");
    std::vector<SimRequest> lists = sent(kRequestAddShares);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(port_list(lists[0]), (std::vector<int32_t>{2, 4, 5}));  // num 6 stops before port 6

    DiskEntry first = disk(2);
    EXPECT_EQ(first.enable, 1);
    EXPECT_EQ(first.property, 1);
    EXPECT_EQ(first.type, kDiskTypeNfs);  // no "type": NFS
    EXPECT_STREQ(first.vendor, "v2");
    EXPECT_STREQ(first.address, "10.0.0.2");
    EXPECT_STREQ(first.directory, "/d2");
    EXPECT_STREQ(first.userName, "ad min");
    EXPECT_STREQ(first.password, "p&w");
    DiskEntry second = disk(4);
    EXPECT_STREQ(second.userName, "bad%zz");  // not percent-encoding: kept as sent
    EXPECT_STREQ(second.directory, "");       // missing texts store ""
    EXPECT_STREQ(disk(5).vendor, "");         // a number is no text
    EXPECT_EQ(disk(0).enable, 0);
    EXPECT_EQ(disk(3).enable, 0);

    std::vector<OperationLogRecord> records = logs(3);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].sub_type, 219);
    EXPECT_EQ(records[0].parameter, 0);
    EXPECT_EQ(records[1].channel, 4);
    int kind = 0;
    NasLogDetail detail = nas_detail(records[0], &kind);
    EXPECT_EQ(kind, kLogDetailNasList);
    EXPECT_EQ(records[0].detail_length, 4 + 208);
    EXPECT_STREQ(detail.protocol, "NFS");
    EXPECT_STREQ(detail.address, "10.0.0.2");
    EXPECT_STREQ(detail.directory, "/d2");

    // Any type but 3 is logged as SMB/CIFS; at most 33 entries are taken.
    daemon.clear_requests();
    std::string ports;
    for (int i = 0; i < 40; i++) ports += std::string(i ? "," : "") + std::to_string(1 + i % 36);
    post_json("/6201", "{\"num\":40,\"type\":10,\"port\":[" + ports + "]}");
    EXPECT_EQ(port_list(sent(kRequestAddShares).at(0)).size(), 33u);
    EXPECT_STREQ(nas_detail(logs(33).at(0), &kind).protocol, "SMB/CIFS");
    EXPECT_EQ(disk(33).type, kDiskTypeSmb);
    EXPECT_EQ(disk(34).enable, 0);

    // No reply: "CGI ERROR", the shares stay stored, nothing is logged.
    daemon.clear_requests();
    daemon.script(kRequestAddShares, SimScript());
    EXPECT_EQ(quick_post("/6201", "{\"num\":1,\"port\":[30]}").output, kTextError);
    EXPECT_EQ(disk(30).enable, 1);
    EXPECT_TRUE(logs().empty());
    daemon.script(kRequestAddShares, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(quick_post("/6201", "{\"num\":1,\"port\":[30]}").output, kTextError);
}

TEST_F(StorageRoutes, OneShareIsAddedOnlyOnAValidPort) {
    daemon.script(kRequestAddShare, sim_one_reply(le_words({-5})));
    EXPECT_EQ(post_json("/6203", "{\"port\":36,\"type\":10,\"vendor\":\"nas\",\"address\":\"10.0.0.8\","
                                 "\"directory\":\"/share\",\"userName\":\"u%3Bx\",\"password\":\"pw\"}")
                  .body,
              "{ \"status\": 0, \"res\": -5 }");
    EXPECT_EQ(sent(kRequestAddShare).at(0).payload, le_words({36}));
    DiskEntry share = disk(36);
    EXPECT_EQ(share.type, kDiskTypeSmb);
    EXPECT_STREQ(share.userName, "u;x");
    std::vector<OperationLogRecord> records = logs(1);
    EXPECT_EQ(records.at(0).sub_type, 221);
    EXPECT_EQ(records.at(0).channel, 36);
    int kind = 0;
    NasLogDetail detail = nas_detail(records.at(0), &kind);
    EXPECT_EQ(kind, kLogDetailNasAdded);
    EXPECT_STREQ(detail.protocol, "SMB/CIFS");
    EXPECT_STREQ(detail.directory, "/share");

    daemon.clear_requests();
    post_json("/6203", "{\"port\":1,\"type\":7}");
    EXPECT_STREQ(nas_detail(logs(1).at(0), &kind).protocol, "");
    daemon.clear_requests();
    for (const char *body : {"{\"port\":37,\"type\":3}", "{\"port\":0,\"type\":3}", "{\"port\":-1,\"type\":3}",
                             "{\"type\":3}", "{\"port\":[4],\"type\":3}"})
        EXPECT_EQ(post_json("/6203", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
    EXPECT_EQ(disk(37).enable, 0);
    EXPECT_EQ(disk(0).enable, 0);
}

TEST_F(StorageRoutes, RemovedSharesAreLoggedFromTheirStoredEntries) {
    DiskEntry share;
    memset(&share, 0, sizeof share);
    share.port = 7;
    share.enable = 1;
    share.type = kDiskTypeSmb;
    snprintf(share.address, sizeof share.address, "fileserver");
    snprintf(share.directory, sizeof share.directory, "/rec");
    store(share);
    DiskEntry local = share;
    local.port = 8;
    local.type = 1;
    store(local);
    EXPECT_EQ(post_json("/6200", "{\"num\":5,\"port\":[7,\"x\",9,8,99]}").output, kTextOk);
    EXPECT_EQ(port_list(sent(kRequestRemoveShares).at(0)), (std::vector<int32_t>{7, 9, 8, 99}));
    std::vector<OperationLogRecord> records = logs(2);
    ASSERT_EQ(records.size(), 2u);  // 9 and 99 have no stored entry
    EXPECT_EQ(records[0].sub_type, 220);
    EXPECT_EQ(records[0].channel, 7);
    int kind = 0;
    NasLogDetail detail = nas_detail(records[0], &kind);
    EXPECT_EQ(kind, kLogDetailNasList);
    EXPECT_STREQ(detail.protocol, "SMB/CIFS");
    EXPECT_STREQ(detail.address, "fileserver");
    EXPECT_STREQ(nas_detail(records[1], &kind).protocol, "SMB/CIFS");
    EXPECT_EQ(disk(7).enable, 0);
    EXPECT_EQ(disk(8).enable, 1);  // only shares are forgotten

    // A refusal keeps the share.
    store(share);
    daemon.script(kRequestRemoveShares, sim_one_reply(le_words({1})));
    EXPECT_EQ(post_json("/6200", "{\"num\":1,\"port\":[7]}").body, "Error");
    EXPECT_EQ(disk(7).enable, 1);
    daemon.script(kRequestRemoveShares, sim_one_reply(Bytes(2, 0)));
    EXPECT_EQ(quick_post("/6200", "{\"num\":1,\"port\":[7]}").output, kTextError);
}

TEST_F(StorageRoutes, DiskRemovalByType) {
    DiskEntry local;
    memset(&local, 0, sizeof local);
    local.port = 3;
    local.enable = 1;
    local.group = 5;
    store(local);

    EXPECT_EQ(post_json("/6207", "{\"port\":3,\"hddType\":1}").output, kTextOk);
    EXPECT_EQ(sent(kRequestRemoveDisk).at(0).payload, le_words({3}));
    DiskEntry blank = disk(3);
    EXPECT_EQ(blank.port, 3);
    EXPECT_EQ(blank.property, 1);
    EXPECT_EQ(blank.enable, 0);
    EXPECT_EQ(blank.group, 0);
    EXPECT_EQ(logs(1).at(0).sub_type, 224);
    EXPECT_EQ(logs().at(0).parameter, 900);
    EXPECT_EQ(logs().at(0).channel, 3);

    daemon.clear_requests();
    EXPECT_EQ(post_json("/6207", "{\"port\":11,\"hddType\":4}").output, kTextOk);
    Bytes raid = le_words({11});
    raid.resize(104, 0);
    EXPECT_EQ(sent(kRequestRemoveRaid).at(0).payload, raid);
    EXPECT_EQ(logs(1).size(), 1u);

    daemon.clear_requests();
    EXPECT_EQ(post_json("/6207", "{\"port\":12,\"hddType\":10}").output, kTextOk);
    EXPECT_EQ(port_list(sent(kRequestRemoveShares).at(0)), (std::vector<int32_t>{12}));
    EXPECT_TRUE(logs().empty());  // network disks are logged by the share removal only

    // A failed removal keeps the configuration; no reply answers "CGI ERROR" and logs nothing.
    store(local);
    daemon.clear_requests();
    daemon.script(kRequestRemoveDisk, sim_one_reply(le_words({-1})));
    EXPECT_EQ(post_json("/6207", "{\"port\":3,\"hddType\":1}").body, "Error");
    EXPECT_EQ(disk(3).group, 5);
    daemon.script(kRequestRemoveDisk, SimScript());
    daemon.clear_requests();
    EXPECT_EQ(quick_post("/6207", "{\"port\":3,\"hddType\":1}").output, kTextError);
    EXPECT_TRUE(logs().empty());

    daemon.clear_requests();
    for (const char *body : {"{\"port\":0,\"hddType\":1}", "{\"port\":37,\"hddType\":4}", "{\"hddType\":1}"})
        EXPECT_EQ(post_json("/6207", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(StorageRoutes, ShareSearchIsBoundedByTheReply) {
    EXPECT_EQ(post_json("/6202", "{\"port\":4,\"serverAddr\":\"192.168.1.9\"}").body,
              "{ \"resultString\": \"OK\", \"NAS\": [ { \"filePath\": \"\\/export\\/recordings\" }, "
              "{ \"filePath\": \"\\/srv\\/nvr\" } ] }");
    std::vector<SimRequest> searches = sent(kRequestSearchShares);
    ASSERT_EQ(searches.size(), 1u);
    ASSERT_EQ(searches[0].payload.size(), 68u);
    EXPECT_EQ(payload_i32(searches[0].payload, 0), 4);
    EXPECT_EQ(payload_text(searches[0].payload, 4, 64), "192.168.1.9");

    struct Case {
        int line;
        int32_t count;
        size_t paths;  // 256-byte path fields present
        size_t listed;
    } cases[] = {{__LINE__, 5, 2, 2}, {__LINE__, -1, 2, 0}, {__LINE__, 1, 0, 0}, {__LINE__, 2, 2, 2}};
    for (const Case &c : cases) {
        Bytes reply = le_words({c.count});
        for (size_t i = 0; i < c.paths; i++) {
            Bytes path(256, 'p');  // no NUL: read within its field
            reply.insert(reply.end(), path.begin(), path.end());
        }
        daemon.script(kRequestSearchShares, sim_one_reply(reply));
        json_object *answer = answer_of(post_json("/6202", "{\"port\":1,\"serverAddr\":\"s\"}"));
        json_object *nas = json_object_object_get(answer, "NAS");
        ASSERT_EQ(json_object_array_length(nas), c.listed) << "line " << c.line;
        EXPECT_EQ(json_text(answer, "resultString"), c.listed ? "OK" : "NO");
        if (c.listed) {
            EXPECT_EQ(json_text(json_object_array_get_idx(nas, 0), "filePath"), std::string(256, 'p'));
        }
    }
    daemon.script(kRequestSearchShares, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(quick_post("/6202", "{\"port\":1}").body, kJsonError);
}

TEST_F(StorageRoutes, ShareTextsWithShellMetacharactersAreStoredAndSentVerbatim) {
    const std::string corpus[] = {
        "$(touch /tmp/pwned)", "`touch /tmp/pwned`", "a; touch /tmp/pwned", "x && reboot", "| cat /etc/passwd",
        "../../etc/shadow",    "'\"\\",                 "> /tmp/pwned",        "*?[a]{b}~#!",
    };
    for (const std::string &text : corpus) {
        JsonRef body(json_object_new_object());
        json_object_object_add(body, "port", json_object_new_int(9));
        json_object_object_add(body, "type", json_object_new_int(3));
        for (const char *key : {"vendor", "address", "directory", "userName", "password"})
            json_object_object_add(body, key, json_object_new_string(text.c_str()));
        json_object_object_add(body, "serverAddr", json_object_new_string(text.c_str()));
        std::string request = json_object_to_json_string(body);
        EXPECT_EQ(post_json("/6203", request).body, "{ \"status\": 0, \"res\": 0 }") << text;
        DiskEntry share = disk(9);
        EXPECT_EQ(share.vendor, text);
        EXPECT_EQ(share.address, text);
        EXPECT_EQ(share.directory, text);
        EXPECT_EQ(share.userName, text);
        EXPECT_EQ(share.password, text);
        json_object *answer = answer_of(get("/6100"));
        json_object *list = json_object_object_get(answer, "HDD");
        json_object *listed = json_object_array_get_idx(list, json_object_array_length(list) - 1);
        EXPECT_EQ(json_text(listed, "address"), text);
        post_json("/6202", request);
        EXPECT_EQ(payload_text(sent(kRequestSearchShares).back().payload, 4, 64), text);
    }
    EXPECT_FALSE(root.exists("/tmp/pwned"));
    struct stat st;
    EXPECT_NE(stat("/tmp/pwned", &st), 0);
}

}  // namespace
