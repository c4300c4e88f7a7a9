// Storage settings routes end to end: recycle mode, S.M.A.R.T., quotas, disk groups and the
// eSATA auto backup, with the bounds of their replies.
#include "storage/storage_test_support.h"

namespace {

void store_group(int id, const char *channels) {
    DiskGroupEntry group;
    memset(&group, 0, sizeof group);
    group.id = id;
    snprintf(group.channel, sizeof group.channel, "%s", channels);
    write_group(QVDB_PATH, &group);
    qvdb_close_all();
}

TEST_F(StorageRoutes, RecycleModeAndSmartVerdict) {
    EXPECT_EQ(post_json("/6204", "{\"mode\":0,\"esata\":1}").body, "{ \"status\": \"OK\" }");
    EXPECT_EQ(sent(kRequestSetRecycle).at(0).payload, le_words({0, 1}));
    EXPECT_EQ(get("/6205").body, "{ \"mode\": 0, \"esata\": 1 }");
    EXPECT_EQ(sent(kRequestRecycleMode).at(0).payload, le_words({0}));
    daemon.script(kRequestSetRecycle, sim_one_reply(le_words({-9})));
    EXPECT_EQ(post_json("/6204", "{}").body, "{ \"status\": \"OK\" }");
    daemon.script(kRequestRecycleMode, sim_one_reply(Bytes(7, 0)));
    EXPECT_EQ(quick_get("/6205").body, kJsonError);

    EXPECT_EQ(post_json("/6206", "{\"num\":2,\"port\":[2,5]}").body, "{ \"selfEvaluation\": 1 }");
    EXPECT_EQ(sent(kRequestSmart).at(0).payload, le_words({5}));
    daemon.clear_requests();
    for (const char *body : {"{\"num\":2,\"port\":[\"2\",null]}", "{\"num\":0,\"port\":[2]}", "{\"port\":7}"})
        EXPECT_EQ(post_json("/6206", body).body, kJsonError) << body;
    EXPECT_TRUE(daemon.requests().empty());

    struct Case {
        int line;
        std::string payload;
        const char *answer;
    } cases[] = {
        {__LINE__, std::string(40, 'x'), "{ \"selfEvaluation\": 0 }"},
        {__LINE__, std::string(74, 'x') + "PASSED", "{ \"selfEvaluation\": 1 }"},  // at the very end
        {__LINE__, std::string(35, 'x') + "PASSE", "{ \"selfEvaluation\": 0 }"},   // cut by the payload's end
        {__LINE__, std::string(10, '\0') + "PASSED" + std::string(24, '\0'), "{ \"selfEvaluation\": 1 }"},
        {__LINE__, std::string(39, 'x'), "{status:\"CGI ERROR\"}"},
    };
    for (const Case &c : cases) {
        daemon.script(kRequestSmart, sim_one_reply(Bytes(c.payload.begin(), c.payload.end())));
        EXPECT_EQ(post_json("/6206", "{\"num\":1,\"port\":[1]}").body, c.answer) << "line " << c.line;
    }
}

TEST_F(StorageRoutes, QuotasAreSentAndAnsweredWithTheGroups) {
    std::string items;
    for (int i = 0; i < 20; i++)
        items += std::string(i ? "," : "") + (i == 1 ? "7" : "{\"channel\":" + std::to_string(i) +
                                                             ",\"video_quota\":" + std::to_string(100 + i) +
                                                             ",\"picture_quota\":" + std::to_string(10 + i) + "}");
    EXPECT_EQ(post_json("/6209", "{\"enable\":1,\"quota_array\":[" + items + "]}").output, kTextOk);
    std::vector<SimRequest> set = sent(kRequestSetQuota);
    ASSERT_EQ(set.size(), 1u);
    ASSERT_EQ(set[0].payload.size(), sizeof(QuotaSetRequest));
    EXPECT_EQ(payload_i32(set[0].payload, 0), 1);
    EXPECT_EQ(payload_i32(set[0].payload, 4), 16);                // entries filled, not the array's length
    EXPECT_EQ(payload_i32(set[0].payload, 8 + 20 * 1), 2);        // the non-object item was skipped
    EXPECT_EQ(payload_i32(set[0].payload, 8 + 20 * 15 + 4), 116);  // entry 15 is item 16
    EXPECT_EQ(payload_i32(set[0].payload, 8 + 20 * 15 + 12), 0);

    daemon.clear_requests();
    EXPECT_EQ(post_json("/6209", "{\"quota_array\":[]}").output, "");
    EXPECT_TRUE(daemon.requests().empty());
    daemon.script(kRequestSetQuota, sim_one_reply(le_words({3})));
    EXPECT_EQ(post_json("/6209", "{\"enable\":0}").body, "Error");
    daemon.script(kRequestSetQuota, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(quick_post("/6209", "{\"enable\":0}").output, kTextError);

    store_group(0, "1100");
    store_group(15, std::string(64, '1').c_str());
    DiskEntry first;
    memset(&first, 0, sizeof first);
    first.port = 1;
    first.enable = 1;
    first.group = 2;
    store(first);
    DiskEntry last = first;
    last.port = 36;
    last.group = 0;
    store(last);
    set_param_int(QVDB_PATH, "group_mode", 1);
    set_param_int(QVDB_PATH, "max_cameras", 16);
    qvdb_close_all();
    Bytes reply = le_words({1, 3, 4, 500, 50, 200, 20, 5, 600, 60, 300, 30});
    daemon.script(kRequestQuota, sim_one_reply(reply));  // count 3, two entries present
    json_object *answer = answer_of(get("/6208"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer_keys(answer),
              (std::vector<std::string>{"enable", "quota_array", "channel", "disk", "max_chan", "group_enable"}));
    json_object *quotas = json_object_object_get(answer, "quota_array");
    ASSERT_EQ(json_object_array_length(quotas), 2u);
    json_object *entry = json_object_array_get_idx(quotas, 1);
    EXPECT_EQ(answer_keys(entry),
              (std::vector<std::string>{"channel", "video_used", "video_quota", "picture_used", "picture_quota"}));
    EXPECT_EQ(json_int(entry, "channel"), 5);
    EXPECT_EQ(json_int(entry, "video_quota"), 600);
    EXPECT_EQ(json_int(entry, "video_used"), 300);
    EXPECT_EQ(json_int(entry, "picture_used"), 30);
    json_object *channels = json_object_object_get(answer, "channel");
    ASSERT_EQ(json_object_array_length(channels), 16u);
    EXPECT_STREQ(json_object_get_string(json_object_array_get_idx(channels, 0)), "1100");
    EXPECT_EQ(std::string(json_object_get_string(json_object_array_get_idx(channels, 15))), std::string(64, '1'));
    json_object *disks = json_object_object_get(answer, "disk");
    ASSERT_EQ(json_object_array_length(disks), 36u);
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(disks, 0)), 3);  // port 1: group 2 + 1
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(disks, 1)), 0);
    EXPECT_EQ(json_object_get_int(json_object_array_get_idx(disks, 35)), 1);
    EXPECT_EQ(json_int(answer, "max_chan"), 16);
    EXPECT_EQ(json_int(answer, "group_enable"), 1);

    for (int32_t count : {-7, 0}) {
        daemon.script(kRequestQuota, sim_one_reply(le_words({0, count, 1, 2, 3, 4, 5})));
        EXPECT_EQ(json_object_array_length(json_object_object_get(answer_of(get("/6208")), "quota_array")), 0u) << count;
    }
    daemon.script(kRequestQuota, sim_one_reply(le_words({1})));
    EXPECT_EQ(quick_get("/6208").body, kJsonError);
}

TEST_F(StorageRoutes, DiskGroupsSwitchAndSendTheirChannels) {
    store_group(0, "1111");
    store_group(1, "0000");
    std::string long_text(80, '1');
    EXPECT_EQ(post_json("/6210", "{\"group_enable\":1,\"channel\":[\"0011\",5,\"" + long_text + "\"]}").output, kTextOk);
    EXPECT_EQ(sent(kRequestGroupMode).at(0).payload, le_words({1}));
    std::vector<SimRequest> changes = sent(kRequestGroupChannels);
    ASSERT_EQ(changes.size(), 2u);  // the number at position 1 is skipped
    ASSERT_EQ(changes[0].payload.size(), 136u);
    EXPECT_EQ(payload_i32(changes[0].payload, 0), 0);
    EXPECT_EQ(payload_text(changes[0].payload, 4, 65), "0011");
    EXPECT_EQ(payload_text(changes[0].payload, 69, 65), "1111");
    EXPECT_EQ(payload_i32(changes[1].payload, 0), 2);
    EXPECT_EQ(payload_text(changes[1].payload, 4, 65), std::string(64, '1'));
    EXPECT_EQ(sent(kRequestGroupsChanged).size(), 1u);
    EXPECT_TRUE(sent(kRequestGroupsChanged)[0].payload.empty());
    qvdb_close_all();
    EXPECT_EQ(get_param_int(QVDB_PATH, "group_mode", 0), 1);
    DiskGroupEntry stored;
    read_group(QVDB_PATH, &stored, 0);
    EXPECT_STREQ(stored.channel, "1111");  // the daemon stores the groups

    // Already on: no 3442. A list longer than the 16 groups sends 16.
    daemon.clear_requests();
    std::string many;
    for (int i = 0; i < 20; i++) many += std::string(i ? "," : "") + "\"1\"";
    post_json("/6210", "{\"group_enable\":1,\"channel\":[" + many + "]}");
    EXPECT_EQ(sent(kRequestGroupChannels, 16).size(), 16u);
    EXPECT_TRUE(sent(kRequestGroupMode).empty());

    daemon.clear_requests();
    EXPECT_EQ(post_json("/6210", "{\"group_enable\":0,\"channel\":[\"1\"]}").output, kTextOk);
    EXPECT_EQ(sent(kRequestGroupMode, 1).at(0).payload, le_words({0}));
    EXPECT_TRUE(sent(kRequestGroupChannels).empty());
    qvdb_close_all();
    EXPECT_EQ(get_param_int(QVDB_PATH, "group_mode", 7), 0);
}

TEST_F(StorageRoutes, EsataBackupSettingsRoundTripAndKeepWhatIsNotSent) {
    std::string body = "{\"stopBackup\":0,\"enable\":1,\"streamType\":1,\"fileType\":2,\"recycle\":1,"
                       "\"backupTime\":\"" + std::string(40, '2') + "\",\"channel\":\"" + std::string(70, '1') +
                       "\",\"device\":3,\"port\":33}";
    EXPECT_EQ(post_json("/6221", body).body, "{ \"result\": 0 }");
    EXPECT_EQ(sent(kRequestEsataBackup).at(0).payload, le_words({0}));
    json_object *answer = answer_of(get("/6220"));
    EXPECT_EQ(answer_keys(answer), (std::vector<std::string>{"enable", "streamType", "fileType", "recycle", "channel",
                                                             "backupTime", "device", "port"}));
    EXPECT_EQ(json_text(answer, "backupTime"), std::string(31, '2'));
    EXPECT_EQ(json_text(answer, "channel"), std::string(64, '1'));
    EXPECT_EQ(json_int(answer, "port"), 33);

    post_json("/6221", "{\"stopBackup\":0,\"enable\":0}");
    answer = answer_of(get("/6220"));
    EXPECT_EQ(json_int(answer, "enable"), 0);
    EXPECT_EQ(json_int(answer, "device"), 3);  // not sent: kept

    daemon.script(kRequestEsataBackup, sim_one_reply(le_words({-4})));
    EXPECT_EQ(post_json("/6221", "{\"stopBackup\":1,\"enable\":1}").body, "{ \"result\": -4 }");
    EXPECT_EQ(json_int(answer_of(get("/6220")), "enable"), 0);  // stopping stores nothing
    EXPECT_EQ(sent(kRequestEsataBackup).back().payload, le_words({1}));
    daemon.script(kRequestEsataBackup, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(quick_post("/6221", "{\"stopBackup\":1}").body, kJsonError);
}

TEST_F(StorageRoutes, BackupStatusExportDiskAndFormatReplies) {
    EXPECT_EQ(get("/6222").body,
              "{ \"status\": 1, \"percent\": \"42.5\", \"last_time\": \"2024-12-07 02:00:00\", \"capacity\": 953869 }");
    BackupProgressReply progress;
    memset(&progress, 'T', sizeof progress);  // a last time without NUL
    progress.status = 0;
    progress.percent = 99.96f;
    progress.capacity = 1;
    daemon.script(kRequestEsataBackupProgress, sim_one_reply(bytes_of(progress)));
    json_object *answer = answer_of(get("/6222"));
    EXPECT_EQ(json_text(answer, "percent"), "100.0");
    EXPECT_EQ(json_text(answer, "last_time"), std::string(32, 'T'));
    daemon.script(kRequestEsataBackupProgress, sim_one_reply(Bytes(43, 0)));
    EXPECT_EQ(quick_get("/6222").body, kJsonError);

    EXPECT_EQ(get("/6223").body, "{ \"port\": 34, \"result\": 0 }");
    daemon.script(kRequestExportDisks, sim_one_reply(Bytes(183, 0)));
    EXPECT_EQ(get("/6223").body, "{ \"result\": -1 }");

    EXPECT_EQ(post_json("/6224", "{\"port\":36}").body, "{ \"result\": 0 }");
    EXPECT_EQ(sent(kRequestFormatEsata).at(0).payload, le_words({36}));
    daemon.clear_requests();
    for (const char *body : {"{\"port\":37}", "{\"port\":-1}", "{\"port\":\"a\"}", "{}", "port=3"})
        EXPECT_EQ(post_json("/6224", body).body, kJsonError) << body;
    EXPECT_TRUE(daemon.requests().empty());

    EXPECT_EQ(get("/6225").body, "{ \"status\": 0 }");
    EXPECT_EQ(get("/6226").body, "{ \"result\": 0 }");
    for (int code : {kRequestBackupStatus, kRequestStopBackup, kRequestFormatEsata})
        daemon.script(code, sim_one_reply(Bytes(3, 0)));
    EXPECT_EQ(quick_get("/6225").body, kJsonError);
    EXPECT_EQ(quick_get("/6226").body, kJsonError);
    EXPECT_EQ(quick_post("/6224", "{\"port\":1}").body, kJsonError);

    // A format's progress rises from 3434 on, and 3540 reports the first record.
    EXPECT_EQ(get("/6227").body, "{ \"status\": 0, \"port\": 0, \"type\": 0, \"percent\": 0 }");
    get("/6102", "2");
    answer = answer_of(get("/6227"));
    EXPECT_EQ(json_int(answer, "status"), 1);
    EXPECT_EQ(json_int(answer, "port"), 2);
    EXPECT_LT(json_int(answer, "percent"), 100);
    FormatProgressRecord records[2] = {{2, 77, 9, {0, 0}, 4}, {0, 100, 1, {0, 0}, 1}};
    Bytes two(reinterpret_cast<uint8_t *>(records), reinterpret_cast<uint8_t *>(records) + sizeof records);
    daemon.script(kRequestFormatProgress, sim_one_reply(two));
    EXPECT_EQ(get("/6227").body, "{ \"status\": 2, \"port\": 9, \"type\": 4, \"percent\": 77 }");
    daemon.script(kRequestFormatProgress, sim_one_reply(Bytes(11, 0)));
    EXPECT_EQ(quick_get("/6227").body, kJsonError);
}

// Every route of the module that waits for the daemon, with the least reply it reads.
const WaitingRoute kWaitingStorageRoutes[] = {
    {__LINE__, "/6100", "", nullptr, kRequestDiskList, -1, 1, kCgiErrorJson},
    {__LINE__, "/6102", "2", nullptr, kRequestFormatDisk, -1, 4, kCgiErrorJson},
    {__LINE__, "/6102", "2", nullptr, kRequestFormatDisk, 8402, 4, kCgiErrorJson},
    {__LINE__, "/6104", nullptr, "{\"id\":10,\"enable\":1,\"sata_port\":6,\"sata_cnt\":2,\"level\":1}",
     kRequestCreateRaid, -1, 4, kCgiErrorText},
    {__LINE__, "/6105", "10", nullptr, kRequestRemoveRaid, -1, 4, kCgiErrorText},
    {__LINE__, "/6106", nullptr, "{\"port\":3,\"hotflag\":1}", kRequestAddHotSpare, -1, 4, kCgiErrorText},
    {__LINE__, "/6106", nullptr, "{\"port\":3,\"hotflag\":0}", kRequestRemoveHotSpare, -1, 4, kCgiErrorText},
    {__LINE__, "/6107", nullptr, "{\"diskport\":4,\"raidport\":11}", kRequestRebuildRaid, -1, 4, kCgiErrorText},
    {__LINE__, "/6200", nullptr, "{\"num\":1,\"port\":[20]}", kRequestRemoveShares, -1, 4, kCgiErrorText},
    {__LINE__, "/6201", nullptr, "{\"num\":1,\"port\":[20],\"address\":[\"10.1.1.1\"]}", kRequestAddShares, -1, 4,
     kCgiErrorText},
    {__LINE__, "/6202", nullptr, "{\"port\":20,\"serverAddr\":\"10.1.1.1\"}", kRequestSearchShares, -1, 4,
     kCgiErrorJson},
    {__LINE__, "/6203", nullptr, "{\"port\":21,\"type\":10,\"address\":\"10.1.1.2\"}", kRequestAddShare, -1, 4,
     kCgiErrorText},
    {__LINE__, "/6204", nullptr, "{\"mode\":1,\"esata\":0}", kRequestSetRecycle, -1, 4, kCgiErrorJson},
    {__LINE__, "/6205", "", nullptr, kRequestRecycleMode, -1, 8, kCgiErrorJson},
    // A S.M.A.R.T. record shorter than 40 bytes is answered with the same error.
    {__LINE__, "/6206", nullptr, "{\"num\":1,\"port\":[2]}", kRequestSmart, -1, 40, kCgiErrorJson},
    {__LINE__, "/6207", nullptr, "{\"port\":3,\"hddType\":0}", kRequestRemoveDisk, -1, 4, kCgiErrorText},
    {__LINE__, "/6207", nullptr, "{\"port\":11,\"hddType\":4}", kRequestRemoveRaid, -1, 4, kCgiErrorText},
    {__LINE__, "/6207", nullptr, "{\"port\":20,\"hddType\":3}", kRequestRemoveShares, -1, 4, kCgiErrorText},
    {__LINE__, "/6208", "", nullptr, kRequestQuota, -1, kQuotaReplyHeader, kCgiErrorJson},
    {__LINE__, "/6209", nullptr, "{\"enable\":1}", kRequestSetQuota, -1, 4, kCgiErrorText},
    {__LINE__, "/6221", nullptr, "{\"stopBackup\":1}", kRequestEsataBackup, -1, 4, kCgiErrorJson},
    {__LINE__, "/6222", "", nullptr, kRequestEsataBackupProgress, -1, sizeof(BackupProgressReply), kCgiErrorJson},
    {__LINE__, "/6223", "", nullptr, kRequestExportDisks, -1, 1, kCgiErrorJson},
    {__LINE__, "/6224", nullptr, "{\"port\":1}", kRequestFormatEsata, -1, 4, kCgiErrorJson},
    {__LINE__, "/6225", "", nullptr, kRequestBackupStatus, -1, 4, kCgiErrorJson},
    {__LINE__, "/6226", "", nullptr, kRequestStopBackup, -1, 4, kCgiErrorJson},
    {__LINE__, "/6227", "", nullptr, kRequestFormatProgress, -1, sizeof(FormatProgressRecord), kCgiErrorJson},
};

TEST_F(StorageRoutes, ShortEmptyAndSecondRepliesOfEveryWaitingRoute) {
    for (const WaitingRoute &route : kWaitingStorageRoutes) expect_reply_bounds(root, daemon, route);
}

TEST_F(StorageRoutes, OneAnswerWhenTheDaemonRepliesTwice) {
    daemon.script(kRequestRemoveRaid, SimScript{SimStep{0, -1, le_words({0})}, SimStep{0, -1, le_words({1})}});
    EXPECT_EQ(get("/6105", "10").output, kTextOk);
    daemon.script(kRequestBackupStatus, SimScript{SimStep{0, -1, le_words({4})}, SimStep{5, -1, le_words({5})}});
    EXPECT_EQ(get("/6225").body, "{ \"status\": 4 }");
}

}  // namespace
