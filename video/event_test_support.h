// Shared steps of the "/6000" route tests: answers, schedules, payload bytes and the database.
#ifndef NVR_VIDEO_EVENT_TEST_SUPPORT_H
#define NVR_VIDEO_EVENT_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <json-c/json.h>
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/qvdb.h"
#include "tests/harness.h"

namespace event_test {

inline const char kOk[] = "Content-type: text/plain\r\n\r\nOK";
inline const char kTextError[] = "Content-type: text/plain\r\n\r\nCGI ERROR";
inline const char kJsonError[] = "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}";
inline const char kJsonHeader[] = "Content-type: application/json\r\n\r\n";
inline const char kFailed[] = "Content-type: text/plain\r\n\r\nFAILED";

// A schedule in the request form: 8 days of 12 periods [start, end, action], every period of
// day d "HH:00" to "HH:30" with HH = d + hour_base and action d + 1.
inline std::string schedule_request(int hour_base) {
    std::string days = "[";
    for (int d = 0; d < 8; d++) {
        days += d ? ",[" : "[";
        for (int p = 0; p < 12; p++) {
            char period[64];
            snprintf(period, sizeof period, "%s[\"%02d:00\",\"%02d:30\",%d]", p ? "," : "", d + hour_base,
                     d + hour_base, d + 1);
            days += period;
        }
        days += "]";
    }
    return days + "]";
}

// The start time of day 3, period 11, of an answered schedule ("" when absent).
inline std::string answered_start(json_object *schedule) {
    json_object *day = json_object_array_get_idx(schedule, 3);
    json_object *period = day ? json_object_array_get_idx(day, 11) : nullptr;
    json_object *start = period ? json_object_object_get(period, "startTime") : nullptr;
    return start ? json_object_get_string(start) : "";
}

inline std::vector<std::string> keys_of(json_object *object) {
    std::vector<std::string> keys;
    if (!object || !json_object_is_type(object, json_type_object)) return keys;
    json_object_object_foreach(object, key, value) {
        (void)value;
        keys.push_back(key);
    }
    return keys;
}

inline int int_at(json_object *object, const char *key) { return json_object_get_int(json_object_object_get(object, key)); }
inline std::string text_at(json_object *object, const char *key) {
    json_object *value = json_object_object_get(object, key);
    return value ? json_object_get_string(value) : "<absent>";
}
inline std::string plain(json_object *value) {
    return value ? json_object_to_json_string_ext(value, JSON_C_TO_STRING_PLAIN) : "<absent>";
}

inline Bytes zeros(size_t n) { return Bytes(n, 0); }
inline void put32(Bytes &b, size_t offset, int32_t v) { memcpy(b.data() + offset, &v, 4); }
inline void put_text(Bytes &b, size_t offset, const std::string &s) { memcpy(b.data() + offset, s.data(), s.size()); }
inline Bytes set_bytes(uint64_t set) {
    Bytes b(8);
    memcpy(b.data(), &set, 8);
    return b;
}

// Route tests of module "/6000": JSON answers owned by the fixture, request journal helpers.
class EventRouteTest : public RouteTest {
  protected:
    // The JSON body of an answer (owned by the fixture); null when the output is not JSON.
    json_object *json_answer(const CgiResult &result) {
        if (result.headers != kJsonHeader) return nullptr;
        json_object *answer = json_tokener_parse(result.body.c_str());
        if (answer) owned_.push_back(answer);
        return answer;
    }
    // The output with a JSON body written plain (no blanks), for exact comparison.
    std::string normalized(const CgiResult &result) {
        json_object *answer = json_answer(result);
        return answer ? result.headers + plain(answer) : result.output;
    }
    json_object *post_for_json(const std::string &path, const std::string &body) {
        return json_answer(post_json(path, body));
    }

    // Day 3 period 11 start time of a schedule answered by a plain-text GET route.
    std::string schedule_start(const std::string &route, int channel) {
        json_object *schedule = json_answer(get(route, std::to_string(channel)));
        return schedule ? answered_start(schedule) : "<none>";
    }

    // Waits for the process's notices to arrive, then the codes of every request in order.
    std::vector<int> request_codes() {
        usleep(150000);
        std::vector<int> codes;
        for (const SimRequest &r : daemon.requests()) codes.push_back(r.code);
        return codes;
    }
    void forget_requests() {
        request_codes();
        daemon.clear_requests();
    }

    // The payload of the only request of a code (empty when there is not exactly one).
    Bytes only_payload(int code) {
        std::vector<SimRequest> requests = sent(code, 1);
        return requests.size() == 1 ? requests[0].payload : Bytes();
    }

    // Runs SQL on the settings file (to make a record unreadable), made in its factory state first.
    void exec_sql(const std::string &sql) {
        ASSERT_EQ(qvdb_init_file(QVDB_PATH), 0);
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(root.at(QVDB_PATH).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    // The rows of a query on a database file of the device root, as "a|b|c" lines.
    std::vector<std::string> query_rows(const std::string &device_path, const std::string &sql) {
        std::vector<std::string> rows;
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(root.at(device_path).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt *statement = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
                while (sqlite3_step(statement) == SQLITE_ROW) {
                    std::string row;
                    for (int c = 0; c < sqlite3_column_count(statement); c++) {
                        const unsigned char *text = sqlite3_column_text(statement, c);
                        row += (c ? "|" : "") + std::string(text ? reinterpret_cast<const char *>(text) : "");
                    }
                    rows.push_back(row);
                }
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return rows;
    }

    void TearDown() override {
        for (json_object *o : owned_) json_object_put(o);
        RouteTest::TearDown();
    }

  private:
    std::vector<json_object *> owned_;
};

}  // namespace event_test

#endif
