// Recorder daemon simulator: listens on the daemon socket, journals requests, answers them.
#include "tools/nvrsimd/simd.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "platform/nvr_wire.h"

namespace {

double now_seconds() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

bool send_frame(int fd, uint32_t sequence, int code, const Bytes &payload) {
    MessageHeader header;
    memset(&header, 0, sizeof header);
    header.magic = kWireMagic;
    header.version = kWireVersion;
    header.header_size = sizeof header;
    header.sequence = sequence;
    header.code = code;
    header.length = static_cast<int32_t>(payload.size());
    return wire_write_full(fd, &header, sizeof header) &&
           (payload.empty() || wire_write_full(fd, payload.data(), payload.size()));
}

}  // namespace

std::string bytes_to_hex(const Bytes &bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

bool hex_to_bytes(const std::string &hex, Bytes *out) {
    out->clear();
    if (hex == "-") return true;
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned value;
        if (sscanf(hex.substr(i, 2).c_str(), "%2x", &value) != 1 || !isxdigit(static_cast<unsigned char>(hex[i])) ||
            !isxdigit(static_cast<unsigned char>(hex[i + 1])))
            return false;
        out->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

SimDaemon::~SimDaemon() { stop(); }

bool SimDaemon::start(const std::string &socket_path, const std::string &journal_path) {
    socket_path_ = socket_path;
    journal_path_ = journal_path;
    struct sockaddr_un addr;
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (socket_path.size() >= sizeof addr.sun_path) return false;
    memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
    unlink(socket_path.c_str());
    listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) return false;
    if (bind(listen_fd_, reinterpret_cast<struct sockaddr *>(&addr), sizeof addr) != 0 || listen(listen_fd_, 64) != 0 ||
        pipe2(wake_pipe_, O_CLOEXEC) != 0) {
        close(listen_fd_);
        listen_fd_ = -1;
        return false;
    }
    acceptor_ = std::thread(&SimDaemon::accept_loop, this);
    return true;
}

void SimDaemon::stop() {
    if (listen_fd_ < 0) return;
    (void)!write(wake_pipe_[1], "x", 1);
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> clients;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (int fd : client_fds_) shutdown(fd, SHUT_RDWR);
        clients.swap(clients_);
    }
    for (std::thread &t : clients) t.join();
    close(listen_fd_);
    close(wake_pipe_[0]);
    close(wake_pipe_[1]);
    listen_fd_ = -1;
    unlink(socket_path_.c_str());
}

void SimDaemon::accept_loop() {
    for (;;) {
        struct pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        // Accepting and registering happen under the lock, so wait_idle never sees a connection
        // that has left the backlog but is not yet counted.
        std::lock_guard<std::mutex> guard(mutex_);
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) continue;
        int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        client_fds_.push_back(fd);
        clients_.emplace_back(&SimDaemon::serve, this, fd, ++accepted_);
    }
}

void SimDaemon::serve(int fd, uint64_t connection) {
    for (;;) {
        MessageHeader header;
        if (!wire_read_full(fd, &header, sizeof header) || !wire_header_valid(header)) break;
        SimRequest request;
        request.time = now_seconds();
        request.connection = connection;
        request.sequence = header.sequence;
        request.code = header.code;
        request.payload.resize(static_cast<size_t>(header.length));
        if (header.length > 0 && !wire_read_full(fd, request.payload.data(), request.payload.size())) break;
        journal(request);
        SimScript replies = replies_for(request);
        for (const SimStep &step : replies) {
            if (step.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(step.delay_ms));
            int code = step.code >= 0 ? step.code : request.code + kReplyCodeOffset;
            if (!send_frame(fd, request.sequence, code, step.payload)) break;
        }
    }
    std::lock_guard<std::mutex> guard(mutex_);
    for (size_t i = 0; i < client_fds_.size(); i++) {
        if (client_fds_[i] == fd) {
            client_fds_.erase(client_fds_.begin() + static_cast<long>(i));
            break;
        }
    }
    close(fd);
}

SimScript SimDaemon::replies_for(const SimRequest &request) {
    std::lock_guard<std::mutex> guard(mutex_);
    requests_.push_back(request);
    auto scripted = scripts_.find(request.code);
    if (scripted != scripts_.end()) return scripted->second;
    return canned_reply(request, state_);
}

void SimDaemon::journal(const SimRequest &request) {
    if (journal_path_.empty()) return;
    char head[128];
    snprintf(head, sizeof head, "{\"time\":%.3f,\"code\":%d,\"length\":%zu,\"payload\":\"", request.time, request.code,
             request.payload.size());
    std::string line = head + bytes_to_hex(request.payload) + "\"}\n";
    std::lock_guard<std::mutex> guard(mutex_);
    FILE *f = fopen(journal_path_.c_str(), "a");
    if (!f) return;
    fputs(line.c_str(), f);
    fclose(f);
}

void SimDaemon::script(int code, SimScript steps) {
    std::lock_guard<std::mutex> guard(mutex_);
    scripts_[code] = std::move(steps);
}

void SimDaemon::clear_script(int code) {
    std::lock_guard<std::mutex> guard(mutex_);
    scripts_.erase(code);
}

bool SimDaemon::parse_script_line(const std::string &line, int *code, SimScript *steps, std::string *error) {
    std::istringstream in(line);
    std::string word;
    steps->clear();
    if (!(in >> *code)) {
        *error = "expected a request code";
        return false;
    }
    SimStep next;
    bool silence = false;
    while (in >> word) {
        if (word == "silence") {
            silence = true;
        } else if (word == "delay") {
            if (!(in >> next.delay_ms) || next.delay_ms < 0) {
                *error = "delay needs milliseconds";
                return false;
            }
        } else if (word == "as") {
            if (!(in >> next.code)) {
                *error = "as needs a reply code";
                return false;
            }
        } else if (word == "reply") {
            std::string hex;
            if (!(in >> hex) || !hex_to_bytes(hex, &next.payload)) {
                *error = "reply needs hex bytes or -";
                return false;
            }
            steps->push_back(next);
            next = SimStep();
        } else {
            *error = "unknown word '" + word + "'";
            return false;
        }
    }
    if (!silence && steps->empty()) {
        *error = "expected silence or reply";
        return false;
    }
    return true;
}

bool SimDaemon::load_script_file(const std::string &path, std::string *error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        int code;
        SimScript steps;
        if (!parse_script_line(line, &code, &steps, error)) {
            *error = path + ":" + std::to_string(number) + ": " + *error;
            return false;
        }
        script(code, steps);
    }
    return true;
}

bool SimDaemon::wait_idle(int timeout_ms) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (listen_fd_ < 0) return true;
            struct pollfd pending = {listen_fd_, POLLIN, 0};
            if (poll(&pending, 1, 0) == 0 && client_fds_.empty()) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<SimRequest> SimDaemon::requests() const {
    wait_idle(500);
    std::vector<SimRequest> ordered;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ordered = requests_;
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const SimRequest &a, const SimRequest &b) {
        return a.connection != b.connection ? a.connection < b.connection : a.sequence < b.sequence;
    });
    return ordered;
}

std::vector<SimRequest> SimDaemon::requests_with_code(int code) const {
    std::vector<SimRequest> matching;
    for (const SimRequest &r : requests())
        if (r.code == code) matching.push_back(r);
    return matching;
}

bool SimDaemon::wait_for(int code, size_t count, int timeout_ms) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (requests_with_code(code).size() >= count) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void SimDaemon::clear_requests() {
    wait_idle(500);
    std::lock_guard<std::mutex> guard(mutex_);
    requests_.clear();
}

void SimDaemon::set_setting(const std::string &key, long value) {
    std::lock_guard<std::mutex> guard(mutex_);
    state_.settings[key] = value;
}

SimState SimDaemon::state_copy() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return state_;
}
