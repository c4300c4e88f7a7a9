// Helpers of the network module's route tests: stored records, parameters and daemon replies.
#ifndef NVR_NETWORK_NETWORK_TEST_SUPPORT_H
#define NVR_NETWORK_NETWORK_TEST_SUPPORT_H

#include <string.h>

#include <string>

#include "core/qvdb_network.h"
#include "system/system_test_support.h"

class NetworkRouteTest : public RouteTest {
  protected:
    // Reads a stored record through the library, after the routes' processes have written it.
    template <typename Record>
    Record stored(int (*read)(const char *, Record *)) {
        qvdb_close_all();
        Record record;
        memset(&record, 0, sizeof record);
        read(QVDB_PATH, &record);
        return record;
    }
    template <typename Record>
    void store(int (*write)(const char *, const Record *), const Record &record) {
        write(QVDB_PATH, &record);
        qvdb_close_all();
    }
    std::string param(const char *key) {
        qvdb_close_all();
        char value[128];
        get_param_value(QVDB_PATH, key, value, sizeof value, "<none>");
        return value;
    }
    void set_param(const char *key, const std::string &value) {
        set_param_value(QVDB_PATH, key, value.c_str());
        qvdb_close_all();
    }
    // The operation-log records sent, as (sub type, parameter) pairs of main type 4 and others.
    std::vector<std::vector<int>> log_records(size_t at_least) {
        std::vector<std::vector<int>> records;
        for (const SimRequest &r : sent(3485, at_least))
            records.push_back({payload_i32(r.payload, 0), payload_i32(r.payload, 8), payload_i32(r.payload, 24)});
        return records;
    }
};

// Two replies to one request.
inline SimScript two_replies(const Bytes &first, const Bytes &second) {
    return SimScript{SimStep{0, -1, first}, SimStep{0, -1, second}};
}

// JSON text of a request body built from a JSON object (released here).
inline std::string json_body(json_object *object) {
    std::string text = json_object_to_json_string(object);
    json_object_put(object);
    return text;
}

#endif
