// End-to-end test harness: a temporary device root, the scripted daemon, and nvrweb.cgi run as
// a web server runs it.
#ifndef NVR_TESTS_HARNESS_H
#define NVR_TESTS_HARNESS_H

#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "tools/nvrsimd/simd.h"

// A fresh device root with the folders a device has; removed at the end.
class DeviceRoot {
  public:
    DeviceRoot();
    ~DeviceRoot();
    const std::string &path() const { return path_; }
    // The real path of a device path ("/tmp/x" -> ROOT/tmp/x).
    std::string at(const std::string &device_path) const { return path_ + device_path; }
    void write_file(const std::string &device_path, const std::string &content) const;
    std::string read_file(const std::string &device_path) const;
    bool exists(const std::string &device_path) const;
    std::vector<std::string> list(const std::string &device_dir) const;

  private:
    std::string path_;
};

struct CgiRequest {
    std::string method = "GET";
    std::string path_info;
    std::string query;
    std::string content_type;
    std::string body;
    std::string content_length = "auto";  // "auto": the body's length; "" leaves it unset
    std::map<std::string, std::string> env;  // extra variables (HTTP_COOKIE, REMOTE_ADDR, ...)
};

struct CgiResult {
    int status = -1;     // exit status, or -1 when killed
    std::string output;  // everything written to standard output
    std::string headers; // up to and including the first blank line
    std::string body;    // after it
};

// Runs bin/nvrweb.cgi against the device root.
CgiResult run_cgi(const DeviceRoot &root, const CgiRequest &request, long time_divisor = 100);

// The same in two steps, for requests that run side by side (or are killed): start_cgi returns
// once the process runs and the body is in its input pipe as far as the pipe takes it;
// finish_cgi writes the rest, reads everything it writes and waits for it to end.
struct CgiProcess {
    pid_t pid = -1;
    int in_fd = -1, out_fd = -1;
    std::string body;
    size_t written = 0;
};
CgiProcess start_cgi(const DeviceRoot &root, const CgiRequest &request, long time_divisor = 100);
CgiResult finish_cgi(CgiProcess &process);

// The whole answers of a route that had no reply from the daemon.
constexpr char kCgiErrorText[] = "Content-type: text/plain\r\n\r\nCGI ERROR";
constexpr char kCgiErrorJson[] = "Content-type: application/json\r\n\r\n{status:\"CGI ERROR\"}";

// A route that waits for the daemon, for the checks of its reply's bounds.
struct WaitingRoute {
    int line;
    const char *path;
    const char *query;  // a GET with this query when body is null
    const char *body;   // else a JSON POST with this body
    int request;        // the request it waits on
    int reply_code;     // the reply that answers it; -1 for the request's own
    int min_length;     // the least reply its answer reads
    const char *silence;  // its whole output when no reply comes
    uint8_t fill = 0;     // the bytes of a whole reply (one whose zeros mean failure needs others)
    const char *short_output = nullptr;  // its whole output for a short, non-empty reply, when not its silence output
};

// A reply one byte short of the least and an empty one must each leave the route with its
// silence output (or its short_output) and nothing else; two whole replies must write exactly one answer, not that one.
void expect_reply_bounds(const DeviceRoot &root, SimDaemon &daemon, const WaitingRoute &route);

// Little-endian readers of daemon payloads.
int32_t payload_i32(const Bytes &payload, size_t offset);
int64_t payload_i64(const Bytes &payload, size_t offset);
std::string payload_text(const Bytes &payload, size_t offset, size_t size);
Bytes le_words(std::initializer_list<int32_t> values);

// Base fixture for route tests: a device root and a running simulated daemon.
class RouteTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    CgiResult get(const std::string &path, const std::string &query = "");
    CgiResult post_json(const std::string &path, const std::string &body);
    CgiResult run(CgiRequest request);

    // Every request of the code that reached the daemon (after waiting briefly for notices).
    std::vector<SimRequest> sent(int code, size_t at_least = 0);

    DeviceRoot root;
    SimDaemon daemon;
    std::map<std::string, std::string> env;  // added to every request
};

#endif
