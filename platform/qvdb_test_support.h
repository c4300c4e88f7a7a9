// Test fixture of the database tests: a fresh device root with NVR_ROOT pointing at it.
#ifndef NVR_PLATFORM_QVDB_TEST_SUPPORT_H
#define NVR_PLATFORM_QVDB_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/qvdb.h"
#include "platform/devroot.h"
#include "tests/harness.h"

class DbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qvdb_close_all();
        setenv("NVR_ROOT", root.path().c_str(), 1);
        nvr_devroot_reset();
    }
    void TearDown() override {
        qvdb_close_all();
        unsetenv("NVR_ROOT");
        nvr_devroot_reset();
    }
    std::string db_file(const char *device_path) const { return root.at(device_path); }

    DeviceRoot root;
};

// Fills a text field with exactly size - 1 characters of c.
template <size_t N>
void fill_text(char (&field)[N], char c) {
    memset(field, c, N - 1);
    field[N - 1] = '\0';
}

#endif
