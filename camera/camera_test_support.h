// Fixture of the "/2001" route tests: JSON answers, request bodies with one key changed, the
// requests that reached the simulated daemon, and reply payloads built from their layouts.
#ifndef NVR_CAMERA_CAMERA_TEST_SUPPORT_H
#define NVR_CAMERA_CAMERA_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <json-c/json.h>
#include <sqlite3.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/qvdb.h"
#include "system/system_test_support.h"
#include "tests/harness.h"

constexpr char kOk[] = "Content-type: text/plain\r\n\r\nOK";
constexpr char kTextError[] = "Content-type: text/plain\r\n\r\nCGI ERROR";
constexpr char kJsonErrorAnswer[] = "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}";
constexpr char kJsonHeader[] = "Content-type: application/json\r\n\r\n";

// The body with `key` set to the JSON text `value`, or removed when value is "".
inline std::string json_with(const std::string &body, const std::string &key, const std::string &value) {
    json_object *object = json_tokener_parse(body.c_str());
    json_object_object_del(object, key.c_str());
    if (!value.empty()) json_object_object_add(object, key.c_str(), json_tokener_parse(value.c_str()));
    std::string text = json_object_to_json_string_ext(object, JSON_C_TO_STRING_PLAIN);
    json_object_put(object);
    return text;
}

// A record's bytes, e.g. a reply entry built from its layout.
template <typename Record>
Bytes bytes_of(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

// A request's payload as its layout (zero-filled when shorter); its size must be the layout's.
template <typename Record>
Record record_from(const Bytes &payload) {
    Record record;
    memset(static_cast<void *>(&record), 0, sizeof record);
    EXPECT_EQ(payload.size(), sizeof record);
    memcpy(static_cast<void *>(&record), payload.data(), payload.size() < sizeof record ? payload.size() : sizeof record);
    return record;
}

inline Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class CameraTest : public RouteTest {
  protected:
    // The JSON answer (owned by the fixture); null when the output is not a JSON answer.
    json_object *answer(const CgiResult &result) {
        if (result.headers != kJsonHeader) return nullptr;
        json_object *parsed = json_tokener_parse(result.body.c_str());
        if (parsed) owned_.push_back(parsed);
        return parsed;
    }
    json_object *post_answer(const std::string &path, const std::string &body) { return answer(post_json(path, body)); }

    // Waits for the process's notices, then every request code in the order sent.
    std::vector<int> codes() {
        usleep(100000);
        std::vector<int> out;
        for (const SimRequest &r : daemon.requests()) out.push_back(r.code);
        return out;
    }
    void forget_requests() {
        codes();
        daemon.clear_requests();
    }
    // The payload of the only request of the code.
    Bytes only(int code) {
        std::vector<SimRequest> requests = sent(code, 1);
        EXPECT_EQ(requests.size(), 1u) << "requests " << code;
        return requests.empty() ? Bytes() : requests[0].payload;
    }
    void reply_with(int code, const Bytes &payload) { daemon.script(code, sim_one_reply(payload)); }
    // Runs SQL on the settings file (to make a record unreadable).
    void exec_sql(const std::string &sql) {
        qvdb_close_all();
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(root.at(QVDB_PATH).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    void TearDown() override {
        for (json_object *o : owned_) json_object_put(o);
        RouteTest::TearDown();
    }

  private:
    std::vector<json_object *> owned_;
};

inline json_object *item_at(json_object *object, const char *key, size_t i) {
    json_object *array = json_object_object_get(object, key);
    return array ? json_object_array_get_idx(array, i) : nullptr;
}
inline size_t length_at(json_object *object, const char *key) {
    json_object *array = json_object_object_get(object, key);
    return array && json_object_is_type(array, json_type_array) ? json_object_array_length(array) : 0;
}

#endif
