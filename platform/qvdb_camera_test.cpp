// Camera channel records: factory state of a new device, camera addresses within the camera
// record, privacy-mask areas kept word for word.
#include <string.h>

#include "core/qvdb_camera.h"
#include "platform/qvdb_test_support.h"

namespace {

using CameraRecords = DbTest;

TEST_F(CameraRecords, NewDeviceHasFreeChannelsNamedCamN) {
    CameraRecord cameras[64];
    int count = 0;
    ASSERT_EQ(read_cameras(QVDB_PATH, cameras, &count), 0);
    ASSERT_EQ(count, 64);
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(cameras[i].id, i);
        EXPECT_EQ(cameras[i].state, 1) << "channel " << i;
        EXPECT_EQ(cameras[i].enable, 0);
    }
    OsdRecord osd{};
    ASSERT_EQ(read_osd(QVDB_PATH, &osd, 3), 0);
    EXPECT_STREQ(osd.camName, "CAM4");
    ASSERT_EQ(read_osd(QVDB_PATH, &osd, 63), 0);
    EXPECT_STREQ(osd.camName, "CAM64");
    EXPECT_EQ(read_osd(QVDB_PATH, &osd, 64), -1);
}

TEST_F(CameraRecords, CameraAddressChangesOnlyTheAddress) {
    CameraRecord camera{};
    camera.id = 5;
    camera.enable = 1;
    camera.managePort = 8080;
    strcpy(camera.userName, "admin");
    strcpy(camera.ipAddr, "10.0.0.5");
    ASSERT_EQ(write_camera(QVDB_PATH, &camera), 0);
    ASSERT_EQ(write_camera_ip(QVDB_PATH, 5, "192.168.1.205"), 0);
    CameraRecord loaded{};
    ASSERT_EQ(read_camera(QVDB_PATH, &loaded, 5), 0);
    EXPECT_STREQ(loaded.ipAddr, "192.168.1.205");
    EXPECT_EQ(loaded.managePort, 8080);
    EXPECT_STREQ(loaded.userName, "admin");
    char address[8];
    ASSERT_EQ(read_camera_ip(QVDB_PATH, 5, address, sizeof address), 0);
    EXPECT_STREQ(address, "192.168");  // cut to the caller's size
    EXPECT_EQ(write_camera_ip(QVDB_PATH, 64, "1.2.3.4"), -1);
    EXPECT_EQ(write_camera_ip(QVDB_PATH, -1, "1.2.3.4"), -1);
}

TEST_F(CameraRecords, PrivacyMaskAreasRoundTrip) {
    PrivacyMaskRecord masks{};
    masks.channel = 9;
    for (int k = 0; k < kPrivacyMaskAreas; k++) {
        masks.area[k].area_id = k;
        masks.area[k].enable = k % 2;
        masks.area[k].start_x = -k * 7;
        masks.area[k].fill_color = 0x00ff00 + k;
        masks.area[k].reserved[3] = 1000 + k;
    }
    ASSERT_EQ(write_privacy_mask(QVDB_PATH, &masks), 0);
    PrivacyMaskRecord loaded{};
    ASSERT_EQ(read_privacy_mask(QVDB_PATH, &loaded, 9), 0);
    EXPECT_EQ(memcmp(&masks, &loaded, sizeof masks), 0);
}

}  // namespace
