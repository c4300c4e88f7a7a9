// Recorder daemon simulator: listens on the daemon socket, journals requests, answers them.
#ifndef NVR_TOOLS_NVRSIMD_SIMD_H
#define NVR_TOOLS_NVRSIMD_SIMD_H

#include <stdint.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

// One reply frame: sent after delay_ms, with reply code (request + 5000 unless code is set).
struct SimStep {
    int delay_ms = 0;
    int code = -1;
    Bytes payload;
};
// The replies to one request; empty means silence.
using SimScript = std::vector<SimStep>;

struct SimRequest {
    double time = 0;  // seconds since 1970
    uint64_t connection = 0;  // connections are numbered in the order they were accepted
    uint32_t sequence = 0;
    int code = 0;
    Bytes payload;
};

// What the canned replies remember between requests.
struct SimState {
    std::vector<Bytes> operation_log;             // records received with 3485 and 3509
    std::map<std::string, long> settings;         // configurable values (upgrade statuses, ...)
    std::map<std::string, Bytes> records;         // what the daemon keeps (cameras by channel, ...)
    long setting(const std::string &key, long fallback) const {
        auto it = settings.find(key);
        return it == settings.end() ? fallback : it->second;
    }
};

// Canned reply of the simulated daemon for a request; silence for codes it does not know.
SimScript canned_reply(const SimRequest &request, SimState &state);

// One canned reply: the request code it answers and how.
struct CannedEntry {
    int code;
    SimScript (*reply)(const SimRequest &request, SimState &state);
};

// Each area of the daemon registers its table of canned replies (see NVR_SIM_CANNED).
void sim_register_canned(const CannedEntry *entries, int count);
// Request codes that more than one area answers: the first to register would win, by link order.
std::vector<int> sim_canned_codes_registered_twice();

#define NVR_SIM_CANNED(TABLE)                                                          \
    __attribute__((constructor)) static void nvr_sim_register_##TABLE() {              \
        sim_register_canned(TABLE, static_cast<int>(sizeof(TABLE) / sizeof(TABLE[0]))); \
    }

// Helpers for canned replies.
Bytes sim_words(std::initializer_list<int32_t> values);
SimScript sim_one_reply(Bytes payload);

class SimDaemon {
  public:
    SimDaemon() = default;
    ~SimDaemon();
    SimDaemon(const SimDaemon &) = delete;
    SimDaemon &operator=(const SimDaemon &) = delete;

    // Listens on socket_path (replacing a stale socket); journal_path "" keeps no journal.
    bool start(const std::string &socket_path, const std::string &journal_path = "");
    void stop();

    // Replaces the canned replies of a code (an empty script is silence).
    void script(int code, SimScript steps);
    void clear_script(int code);
    // Reads script lines: "CODE silence" or "CODE [delay MS] [as CODE] reply HEX|- ...".
    bool load_script_file(const std::string &path, std::string *error);
    static bool parse_script_line(const std::string &line, int *code, SimScript *steps, std::string *error);

    // Requests in the order the clients sent them: by connection, then by sequence (a client
    // that sends one request per connection is thereby kept in order).
    // Both first wait (briefly) until every connection made so far has been read to its end, so
    // that the notices of a client that has exited are all counted.
    std::vector<SimRequest> requests() const;
    std::vector<SimRequest> requests_with_code(int code) const;
    // True once no connection is waiting to be accepted and none is still being read.
    bool wait_idle(int timeout_ms) const;
    // Waits until `count` requests with the code have arrived; false on time-out.
    bool wait_for(int code, size_t count, int timeout_ms) const;
    void clear_requests();  // after waiting until idle, like requests()

    void set_setting(const std::string &key, long value);
    SimState state_copy() const;

  private:
    void accept_loop();
    void serve(int fd, uint64_t connection);
    SimScript replies_for(const SimRequest &request);
    void journal(const SimRequest &request);

    int listen_fd_ = -1;
    int wake_pipe_[2] = {-1, -1};
    std::string socket_path_;
    std::string journal_path_;
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<int> client_fds_;
    uint64_t accepted_ = 0;
    std::vector<std::thread> clients_;
    std::map<int, SimScript> scripts_;
    std::vector<SimRequest> requests_;
    SimState state_;
};

std::string bytes_to_hex(const Bytes &bytes);
bool hex_to_bytes(const std::string &hex, Bytes *out);

#endif
