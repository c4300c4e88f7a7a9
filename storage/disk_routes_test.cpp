// Disk and RAID routes end to end: the merged disk list, disk properties, formats with their log
// detail, RAID requests and the RAID mode.
#include "storage/storage_test_support.h"

namespace {

StorageRecord reported(int port, int type, const char *vendor) {
    StorageRecord disk;
    memset(&disk, 0, sizeof disk);
    disk.port = port;
    disk.type = type;
    snprintf(disk.vendor, sizeof disk.vendor, "%s", vendor);
    disk.state = 1;
    disk.usable = 1;
    return disk;
}

Bytes disk_reply(std::initializer_list<StorageRecord> disks) {
    Bytes out;
    for (const StorageRecord &disk : disks) {
        Bytes bytes = bytes_of(disk);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

DiskEntry configured(int port, int type, int enable, const char *address) {
    DiskEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.port = port;
    entry.type = type;
    entry.enable = enable;
    entry.group = 3;
    entry.property = 1;
    snprintf(entry.address, sizeof entry.address, "%s", address);
    snprintf(entry.vendor, sizeof entry.vendor, "cfg-%d", port);
    return entry;
}

json_object *listed(json_object *answer, int port) {
    json_object *list = json_object_object_get(answer, "HDD");
    for (size_t i = 0; i < json_object_array_length(list); i++)
        if (json_int(json_object_array_get_idx(list, i), "portId") == port) return json_object_array_get_idx(list, i);
    return nullptr;
}

TEST_F(StorageRoutes, DiskListMergesTheDaemonsDisksWithTheConfiguredShares) {
    StorageRecord early = reported(1, 1, "early");
    StorageRecord sata = reported(1, 1, "");
    memset(sata.vendor, 'V', sizeof sata.vendor);  // no NUL: read within the field
    sata.total_size = 2000398934016ULL;
    sata.used_size = (3ULL << 20) + 5;
    sata.free_size = 1ULL << 52;  // 2^32 MiB: the 32-bit size wraps as the page has always seen it
    StorageRecord raid = reported(10, kDiskTypeRaid, "RAID5");
    raid.raid_level = 5;
    raid.raid_progress = 40;
    raid.raid_member_count = 20;
    int32_t members[16] = {0, 1, 31, 32, -1, 5, 40, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    memcpy(raid.raid_member, members, sizeof members);
    memset(raid.user_name, 'u', sizeof raid.user_name);  // no NUL up to the password
    StorageRecord share = reported(5, kDiskTypeNfs, "reported");
    snprintf(share.address, sizeof share.address, "10.0.0.9");
    snprintf(share.user_name, sizeof share.user_name, "reported-user");
    StorageRecord outside = reported(37, 1, "outside"), empty = reported(0, 1, "empty");

    DiskEntry nfs = configured(5, kDiskTypeNfs, 1, "192.168.1.20");
    snprintf(nfs.userName, sizeof nfs.userName, "us er");
    snprintf(nfs.password, sizeof nfs.password, "p&w%%");
    snprintf(nfs.directory, sizeof nfs.directory, "/export/nvr");
    store(nfs);
    DiskEntry smb = configured(7, kDiskTypeSmb, 1, "192.168.1.30");
    memset(smb.directory, 'd', sizeof smb.directory - 1);
    store(smb);
    store(configured(8, kDiskTypeNfs, 0, "192.168.1.40"));  // not configured
    store(configured(1, kDiskTypeNfs, 1, "192.168.1.50"));  // reported as another type
    set_param_int(QVDB_PATH, "esata_type", 2);
    qvdb_close_all();
    daemon.script(kRequestDiskList, sim_one_reply(disk_reply({early, outside, sata, raid, share, empty})));

    CgiResult result = get("/6100");
    EXPECT_EQ(result.headers, "Content-type: application/json\r\n\r\n");
    json_object *answer = answer_of(result);
    ASSERT_TRUE(answer) << result.body;
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"resultString", "esataType", "HDD", "maxDiskNum"}));
    EXPECT_EQ(json_text(answer, "resultString"), "OK");
    EXPECT_EQ(json_int(answer, "esataType"), 2);
    EXPECT_EQ(json_int(answer, "maxDiskNum"), 36);
    json_object *list = json_object_object_get(answer, "HDD");
    ASSERT_EQ(json_object_array_length(list), 4u);  // ports 1, 5, 7, 10 in port order
    EXPECT_EQ(json_int(json_object_array_get_idx(list, 2), "portId"), 7);

    json_object *first = listed(answer, 1);
    EXPECT_EQ(answer_keys(first),
              (std::vector<std::string>{"portId", "vendorName", "address", "directory", "totalSize", "usedSize",
                                        "freeSize", "hddType", "state", "group", "property", "bUsable", "raid_id",
                                        "raid_level", "raid_state", "raid_progress", "raid_sata_cnt", "raid_task",
                                        "userName", "password", "raid_sata_port"}));
    EXPECT_EQ(json_text(first, "vendorName"), std::string(64, 'V'));
    EXPECT_EQ(json_text(first, "address"), "");  // a disk of another type keeps what was reported
    EXPECT_EQ(json_int(first, "totalSize"), 1907729);
    EXPECT_EQ(json_int(first, "usedSize"), 3);
    EXPECT_EQ(json_int(first, "freeSize"), 0);

    json_object *nas = listed(answer, 5);
    EXPECT_EQ(json_text(nas, "address"), "192.168.1.20");
    EXPECT_EQ(json_text(nas, "directory"), "/export/nvr");
    EXPECT_EQ(json_text(nas, "vendorName"), "cfg-5");
    EXPECT_EQ(json_text(nas, "userName"), "us%20er");
    EXPECT_EQ(json_text(nas, "password"), "p%26w%25");
    EXPECT_EQ(json_int(nas, "state"), 1);

    json_object *offline = listed(answer, 7);
    EXPECT_EQ(json_int(offline, "state"), 2);
    EXPECT_EQ(json_int(offline, "hddType"), kDiskTypeSmb);
    EXPECT_EQ(json_int(offline, "group"), 3);
    EXPECT_EQ(json_text(offline, "directory"), std::string(63, 'd'));
    EXPECT_EQ(json_int(offline, "totalSize"), 0);

    json_object *array = listed(answer, 10);
    EXPECT_EQ(json_int(array, "raid_id"), 10);
    EXPECT_EQ(json_int(array, "raid_task"), 40);
    EXPECT_EQ(json_int(array, "raid_sata_cnt"), 20);
    EXPECT_EQ(static_cast<uint32_t>(json_int(array, "raid_sata_port")), (1u << 1) | (1u << 31) | (1u << 5));
    EXPECT_EQ(json_text(array, "userName"), std::string(33, 'u'));
}

TEST_F(StorageRoutes, DiskListWithoutDisksAnswersNoAndShortRepliesTimeOut) {
    daemon.script(kRequestDiskList, sim_one_reply(Bytes(100, 0)));
    EXPECT_EQ(get("/6100").body, "{ \"resultString\": \"NO\", \"esataType\": 0, \"HDD\": [ ], \"maxDiskNum\": 36 }");
    store(configured(9, kDiskTypeNfs, 1, "nas"));
    EXPECT_EQ(json_text(answer_of(get("/6100")), "resultString"), "OK");
    daemon.script(kRequestDiskList, SimScript());
    EXPECT_EQ(quick_get("/6100").body, kJsonError);
}

TEST_F(StorageRoutes, SharesAddedThroughBothRoutesJoinTheSimulatedDisks) {
    EXPECT_EQ(post_json("/6201", "{\"num\":1,\"port\":[20],\"address\":[\"10.1.1.1\"],\"directory\":[\"/a\"]}").body,
              "{ \"status\": 0, \"res\": 0 }");
    EXPECT_EQ(post_json("/6203", "{\"port\":21,\"type\":10,\"address\":\"10.1.1.2\",\"directory\":\"/b\"}").body,
              "{ \"status\": 0, \"res\": 0 }");
    json_object *answer = answer_of(get("/6100"));
    json_object *list = json_object_object_get(answer, "HDD");
    ASSERT_EQ(json_object_array_length(list), 4u);
    EXPECT_EQ(json_text(listed(answer, 1), "vendorName"), "ST2000VX015-3CU1");
    EXPECT_EQ(json_text(listed(answer, 20), "address"), "10.1.1.1");
    EXPECT_EQ(json_text(listed(answer, 21), "directory"), "/b");
    EXPECT_EQ(json_int(listed(answer, 21), "state"), 1);

    EXPECT_EQ(post_json("/6200", "{\"num\":1,\"port\":[20]}").output, kTextOk);
    EXPECT_EQ(disk(20).enable, 0);  // the removed share is no longer configured
    EXPECT_FALSE(listed(answer_of(get("/6100")), 20));
}

TEST_F(StorageRoutes, DiskPropertyIsStoredSentAndLogged) {
    DiskEntry share = configured(0, kDiskTypeNfs, 1, "keep-me");
    store(share);
    EXPECT_EQ(post_json("/6101", "{\"portId\":0,\"property\":0,\"group\":4,\"private\":1}").output, kTextOk);
    DiskEntry after = disk(0);
    EXPECT_EQ(after.property, 0);
    EXPECT_EQ(after.group, 4);
    EXPECT_STREQ(after.address, "keep-me");
    std::vector<SimRequest> notices = sent(kRequestDiskProperty, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].payload, le_words({0, 0, 4, 1}));
    std::vector<OperationLogRecord> records = logs(1);
    EXPECT_EQ(records.at(0).sub_type, 204);
    EXPECT_EQ(records.at(0).parameter, 919);

    post_json("/6101", "{\"portId\":35,\"property\":1}");
    EXPECT_EQ(disk(35).port, 35);  // a port without an entry gets one of its own
    EXPECT_EQ(disk(35).group, 0);

    daemon.clear_requests();
    for (const char *body : {"{\"portId\":36,\"property\":1}", "{\"portId\":-1,\"property\":1}",
                             "{\"portId\":3,\"property\":2}", "{\"property\":1}", "{\"portId\":3}"})
        EXPECT_EQ(post_json("/6101", body).output, "") << body;
    EXPECT_TRUE(daemon.requests().empty());
}

TEST_F(StorageRoutes, FormatAnswersByOutcomeAndLogsItsDetail) {
    struct Case {
        int line;
        SimScript script;
        std::string body;
        int outcome;
    } cases[] = {
        {__LINE__, sim_one_reply(le_words({0})), "OK", 1},
        {__LINE__, sim_one_reply(le_words({1})), "USING", -1},
        {__LINE__, sim_one_reply(le_words({-1})), "ERROR FORMAT", -1},
        {__LINE__, sim_one_reply(le_words({-3})), "NAS LOW CAP", -1},
        {__LINE__, sim_one_reply(le_words({7})), "", -1},
        {__LINE__, SimScript{SimStep{0, 8402, le_words({0})}}, "OK", 1},
        {__LINE__, sim_one_reply(Bytes(3, 0)), "{status:\"CGI ERROR\"}", -1},
        {__LINE__, SimScript(), "{status:\"CGI ERROR\"}", -1},
    };
    for (const Case &c : cases) {
        daemon.clear_requests();
        daemon.script(kRequestFormatDisk, c.script);
        EXPECT_EQ(quick_get("/6102", "36").body, c.body) << "line " << c.line;
        ASSERT_EQ(sent(kRequestFormatDisk).size(), 1u);
        EXPECT_EQ(sent(kRequestFormatDisk)[0].payload, le_words({36}));
        std::vector<OperationLogRecord> records = logs(1);
        ASSERT_EQ(records.size(), 1u) << "line " << c.line;
        EXPECT_EQ(records[0].sub_type, 207);
        EXPECT_EQ(records[0].parameter, 900);
        EXPECT_EQ(records[0].channel, 36);
        EXPECT_EQ(records[0].detail_length, 4 + 72);
        int32_t words[19];
        memcpy(words, records[0].detail, sizeof words);
        EXPECT_EQ(words[0], kLogDetailFormat);
        for (int i = 1; i <= 16; i++) EXPECT_EQ(words[i], 0) << "word " << i - 1;
        EXPECT_EQ(words[17], 36);
        EXPECT_EQ(words[18], c.outcome) << "line " << c.line;
    }
    daemon.clear_requests();
    for (const char *arg : {"37", "-1", "4x", ""}) EXPECT_EQ(get("/6102", arg).output, "") << arg;
    EXPECT_TRUE(daemon.requests().empty());

    EXPECT_EQ(get("/6103", "16").output, kTextOk);
    EXPECT_EQ(get("/6103", "17").output, "");
}

TEST_F(StorageRoutes, RaidRequestsCarryTheirPayloads) {
    EXPECT_EQ(post_json("/6104", "{\"id\":12,\"enable\":1,\"level\":5,\"sata_cnt\":2,\"sata_port\":10}").output, kTextOk);
    std::vector<SimRequest> created = sent(kRequestCreateRaid);
    ASSERT_EQ(created.size(), 1u);
    Bytes expected = le_words({12, 1, 5, 0, 0, 2, 1, 3});
    expected.resize(104, 0);
    EXPECT_EQ(created[0].payload, expected);

    daemon.clear_requests();
    for (const char *body : {"{\"id\":16,\"enable\":1,\"level\":5,\"sata_cnt\":2,\"sata_port\":10}",
                             "{\"id\":9,\"enable\":1,\"level\":5,\"sata_cnt\":2,\"sata_port\":10}",
                             "{\"id\":12,\"level\":5,\"sata_cnt\":2,\"sata_port\":10}",
                             "{\"id\":12,\"enable\":1,\"level\":-5,\"sata_cnt\":2,\"sata_port\":10}",
                             "{\"id\":12,\"enable\":1,\"level\":5,\"sata_port\":10}"})
        EXPECT_EQ(post_json("/6104", body).output, "") << body;
    for (const char *arg : {"9", "17", "x"}) EXPECT_EQ(get("/6105", arg).output, "") << arg;
    EXPECT_TRUE(daemon.requests().empty());

    daemon.script(kRequestRemoveRaid, sim_one_reply(le_words({-2})));
    EXPECT_EQ(get("/6105", "16").body, "Error");
    Bytes removal = le_words({16});
    removal.resize(104, 0);
    EXPECT_EQ(sent(kRequestRemoveRaid).at(0).payload, removal);

    EXPECT_EQ(post_json("/6106", "{\"port\":3,\"hotflag\":1}").body, "OK");
    EXPECT_EQ(post_json("/6106", "{\"port\":3}").body, "OK");
    EXPECT_EQ(sent(kRequestAddHotSpare).at(0).payload, le_words({3}));
    EXPECT_EQ(sent(kRequestRemoveHotSpare).at(0).payload, le_words({3}));
    EXPECT_EQ(post_json("/6107", "{\"diskport\":4,\"raidport\":11}").body, "OK");
    EXPECT_EQ(sent(kRequestRebuildRaid).at(0).payload, le_words({4, 11}));

    // Short and missing replies answer the route's time-out text.
    for (int code : {kRequestRebuildRaid, kRequestAddHotSpare}) daemon.script(code, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(quick_post("/6107", "{\"diskport\":4,\"raidport\":11}").output, kTextError);
    EXPECT_EQ(quick_post("/6106", "{\"port\":3,\"hotflag\":1}").output, kTextError);
}

TEST_F(StorageRoutes, RaidModeIsStoredAsZeroOrOne) {
    EXPECT_EQ(get("/6108").output, "Content-type: text/plain\r\n\r\n0");
    struct Case {
        const char *arg;
        const char *stored;
    } cases[] = {{"1", "1"}, {"5", "0"}, {"1", "1"}, {"abc", "0"}, {"0", "0"}};
    for (const Case &c : cases) {
        EXPECT_EQ(get("/6109", c.arg).output, kTextOk) << c.arg;
        EXPECT_EQ(get("/6108").body, c.stored) << c.arg;
    }
    EXPECT_EQ(get("/6109", "").output, "");
}

}  // namespace
