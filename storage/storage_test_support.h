// Fixture of the storage route tests: stored disks, sent log records, parsed answers, and
// requests whose waits are shortened enough to let the long time-outs run out.
#ifndef NVR_STORAGE_STORAGE_TEST_SUPPORT_H
#define NVR_STORAGE_STORAGE_TEST_SUPPORT_H

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "core/oplog.h"
#include "core/oplog_details.h"
#include "core/qvdb_storage.h"
#include "storage/storage_payloads.h"
#include "system/system_test_support.h"

constexpr char kTextOk[] = "Content-type: text/plain\r\n\r\nOK";
constexpr char kTextError[] = "Content-type: text/plain\r\n\r\nCGI ERROR";

template <typename Record>
Bytes bytes_of(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

class StorageRoutes : public LoggedRouteTest {
  protected:
    DiskEntry disk(int port) {
        qvdb_close_all();
        DiskEntry entry;
        memset(&entry, 0, sizeof entry);
        read_disk(QVDB_PATH, &entry, port);
        return entry;
    }
    void store(const DiskEntry &entry) {
        write_disk(QVDB_PATH, &entry);
        qvdb_close_all();
    }
    // Requests whose every wait is a thousand times shorter (time-outs of 1000 polls take 40 ms).
    CgiResult quick_get(const std::string &path, const std::string &query = "") {
        return get_waiting_less(root, path, query);
    }
    CgiResult quick_post(const std::string &path, const std::string &body) {
        return post_json_waiting_less(root, path, body);
    }
};

// The share detail packed into a log record (type word, then the detail).
inline NasLogDetail nas_detail(const OperationLogRecord &record, int *kind) {
    NasLogDetail detail;
    memcpy(kind, record.detail, 4);
    memcpy(&detail, record.detail + 4, sizeof detail);
    return detail;
}

#endif
