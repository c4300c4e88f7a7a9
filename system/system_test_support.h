// Helpers of the system module's route tests: uploads, stand-in commands, JSON reading.
#ifndef NVR_SYSTEM_SYSTEM_TEST_SUPPORT_H
#define NVR_SYSTEM_SYSTEM_TEST_SUPPORT_H

#include <json-c/json.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "core/json_util.h"
#include "core/oplog.h"
#include "tests/harness.h"

// A multipart upload of one file part named "file".
inline CgiRequest upload_request(const std::string &path, const std::string &file_name, const std::string &content,
                                 const std::string &query = "") {
    const std::string boundary = "----nvrtestboundary7MA4YWxkTrZu0gW";
    CgiRequest request;
    request.method = "POST";
    request.path_info = path;
    request.query = query;
    request.content_type = "multipart/form-data; boundary=" + boundary;
    request.body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + file_name +
                   "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n--" + boundary + "--\r\n";
    return request;
}

// Writes an executable stand-in program into ROOT/standin/bin; returns that folder.
inline std::string install_standin(const DeviceRoot &root, const std::string &name, const std::string &script) {
    root.write_file("/standin/bin/" + name, "#!/bin/sh\n" + script);
    chmod(root.at("/standin/bin/" + name).c_str(), 0755);
    return root.at("/standin/bin");
}

// PATH with the stand-in folder first.
inline std::string path_with(const std::string &folder) {
    const char *path = getenv("PATH");
    return folder + ":" + (path ? path : "/usr/bin:/bin");
}

// A stand-in that writes its arguments, one a line, to ROOT/standin/NAME.args and exits with the status.
inline std::string recording_standin(const DeviceRoot &root, const std::string &name, int status = 0) {
    return install_standin(root, name,
                           "printf '%s\\n' \"$@\" > \"$NVR_ROOT/standin/" + name + ".args\"\nexit " +
                               std::to_string(status) + "\n");
}

// Parses a JSON answer; null when it is not JSON.
inline json_object *parse_answer(const std::string &body) {
    json_tokener *tokener = json_tokener_new();
    json_object *object = json_tokener_parse_ex(tokener, body.c_str(), static_cast<int>(body.size()));
    bool complete = json_tokener_get_error(tokener) == json_tokener_success;
    json_tokener_free(tokener);
    if (!complete && object) {
        json_object_put(object);
        object = nullptr;
    }
    return object;
}

// A route test that also reads the operation-log records sent and keeps parsed answers.
class LoggedRouteTest : public RouteTest {
  protected:
    // The operation-log records sent so far.
    std::vector<OperationLogRecord> logs(size_t at_least = 0) {
        std::vector<OperationLogRecord> records;
        for (const SimRequest &request : sent(kRequestOperationLog, at_least)) {
            OperationLogRecord record;
            memcpy(&record, request.payload.data(), sizeof record);
            records.push_back(record);
        }
        return records;
    }
    // The parsed JSON answer, owned by the fixture (null when the body is not JSON).
    json_object *answer_of(const CgiResult &result) {
        answers_.emplace_back(new JsonRef(parse_answer(result.body)));
        return answers_.back()->get();
    }

  private:
    std::vector<std::unique_ptr<JsonRef>> answers_;
};

// The keys of a JSON object answer, in order.
inline std::vector<std::string> answer_keys(json_object *object) {
    std::vector<std::string> keys;
    if (!object || !json_object_is_type(object, json_type_object)) return keys;
    json_object_object_foreach(object, key, value) {
        (void)value;
        keys.push_back(key);
    }
    return keys;
}

// Integer member of a JSON object (INT32_MIN when missing).
inline int json_int(json_object *object, const char *key) {
    json_object *value = nullptr;
    if (!object || !json_object_object_get_ex(object, key, &value)) return INT32_MIN;
    return json_object_get_int(value);
}

inline std::string json_text(json_object *object, const char *key) {
    json_object *value = nullptr;
    if (!object || !json_object_object_get_ex(object, key, &value)) return "<missing>";
    return json_object_get_string(value);
}

// A JSON POST run with every wait shortened a thousandfold (for daemon time-outs of long waits).
inline CgiResult post_json_waiting_less(const DeviceRoot &root, const std::string &path, const std::string &body) {
    CgiRequest request;
    request.method = "POST";
    request.path_info = path;
    request.content_type = "application/json";
    request.body = body;
    return run_cgi(root, request, 1000);
}

// A GET run with every wait shortened a thousandfold.
inline CgiResult get_waiting_less(const DeviceRoot &root, const std::string &path, const std::string &query = "") {
    CgiRequest request;
    request.path_info = path;
    request.query = query;
    return run_cgi(root, request, 1000);
}

// Every file and link under a device folder, as device paths (folders themselves are not listed).
inline std::vector<std::string> files_under(const DeviceRoot &root, const std::string &device_dir = "") {
    std::vector<std::string> files;
    for (const std::string &name : root.list(device_dir.empty() ? "/" : device_dir)) {
        std::string path = device_dir + "/" + name;
        struct stat st;
        if (lstat(root.at(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            for (const std::string &inner : files_under(root, path)) files.push_back(inner);
        } else {
            files.push_back(path);
        }
    }
    return files;
}

constexpr char kJsonError[] = "{status:\"CGI ERROR\"}";

#endif
