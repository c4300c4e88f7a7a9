// End-to-end test harness: a temporary device root, the scripted daemon, and nvrweb.cgi run as
// a web server runs it.
#include "tests/harness.h"

#include "core/qvdb.h"
#include "fuzz/route_seed.h"
#include "platform/devroot.h"
#include "platform/make_dirs.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#ifndef NVR_CGI_PATH
#error "NVR_CGI_PATH must name the built nvrweb.cgi"
#endif

extern char **environ;

namespace {

const char *const kDeviceDirs[] = {"/tmp", "/dev/shm", "/var/run", "/var/log", "/mnt/nand/app", "/mnt/nand2",
                                   "/opt/app/www/webfile/json"};

void remove_tree(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR *dir = opendir(path.c_str())) {
            while (struct dirent *e = readdir(dir)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") remove_tree(path + "/" + name);
            }
            closedir(dir);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

// With NVR_FUZZ_SEEDS set, every query-string or body request a test makes is also written
// there as an input of the route fuzzer, each of its daemon requests answered with zeros.
void write_fuzz_seed(const CgiRequest &request, const std::map<std::string, std::string> &vars) {
    const char *dir = getenv("NVR_FUZZ_SEEDS");
    if (!dir || !*dir || request.content_type.compare(0, 10, "multipart/") == 0) return;
    bool get = request.method == "GET";
    if ((get ? request.query : request.body).size() > 4096) return;  // the readers' limits are tested elsewhere
    auto var = [&vars](const char *name) {
        auto it = vars.find(name);
        return it == vars.end() ? std::string() : it->second;
    };
    std::string seed = route_seed(get ? kSeedQueryString : kSeedBody, request.path_info, get ? request.query : request.body,
                                  request.query, var("HTTP_COOKIE"), var("REMOTE_ADDR"), zero_reply_tape(4, 2048));
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : seed) hash = (hash ^ c) * 1099511628211ull;
    char name[32];
    snprintf(name, sizeof name, "/%016llx", static_cast<unsigned long long>(hash));
    std::ofstream(dir + std::string(name), std::ios::binary) << seed;
}

}  // namespace

DeviceRoot::DeviceRoot() {
    char pattern[] = "/tmp/nvrtest.XXXXXX";
    char *made = mkdtemp(pattern);
    path_ = made ? made : "";
    for (const char *dir : kDeviceDirs) make_dirs(path_ + dir);
}

DeviceRoot::~DeviceRoot() {
    if (!path_.empty()) remove_tree(path_);
}

void DeviceRoot::write_file(const std::string &device_path, const std::string &content) const {
    std::string real = at(device_path);
    make_dirs(real.substr(0, real.rfind('/')));
    std::ofstream(real, std::ios::binary) << content;
}

std::string DeviceRoot::read_file(const std::string &device_path) const {
    std::ifstream in(at(device_path), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool DeviceRoot::exists(const std::string &device_path) const { return access(at(device_path).c_str(), F_OK) == 0; }

std::vector<std::string> DeviceRoot::list(const std::string &device_dir) const {
    std::vector<std::string> names;
    if (DIR *dir = opendir(at(device_dir).c_str())) {
        while (struct dirent *e = readdir(dir)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

CgiProcess start_cgi(const DeviceRoot &root, const CgiRequest &request, long time_divisor) {
    std::map<std::string, std::string> vars = {
        {"GATEWAY_INTERFACE", "CGI/1.1"}, {"SERVER_PROTOCOL", "HTTP/1.1"}, {"REQUEST_METHOD", request.method},
        {"NVR_ROOT", root.path()}, {"NVR_TIME_DIVISOR", std::to_string(time_divisor)},
        {"PATH", getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin"}, {"REMOTE_ADDR", "127.0.0.1"},
    };
    if (!request.path_info.empty()) vars["PATH_INFO"] = request.path_info;
    if (!request.query.empty()) vars["QUERY_STRING"] = request.query;
    if (!request.content_type.empty()) vars["CONTENT_TYPE"] = request.content_type;
    if (request.content_length == "auto") vars["CONTENT_LENGTH"] = std::to_string(request.body.size());
    else if (!request.content_length.empty()) vars["CONTENT_LENGTH"] = request.content_length;
    for (const auto &kv : request.env) vars[kv.first] = kv.second;
    write_fuzz_seed(request, vars);
    for (const char *inherited : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (getenv(inherited)) vars[inherited] = getenv(inherited);

    std::vector<std::string> env_text;
    for (const auto &kv : vars) env_text.push_back(kv.first + "=" + kv.second);
    std::vector<char *> envp;
    for (std::string &s : env_text) envp.push_back(&s[0]);
    envp.push_back(nullptr);

    CgiProcess process;
    int in_pipe[2], out_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0) return process;
    if (pipe2(out_pipe, O_CLOEXEC) != 0) {
        close(in_pipe[0]);
        close(in_pipe[1]);
        return process;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        char *argv[] = {const_cast<char *>(NVR_CGI_PATH), nullptr};
        execve(NVR_CGI_PATH, argv, envp.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    signal(SIGPIPE, SIG_IGN);
    process.pid = pid;
    process.out_fd = out_pipe[0];
    process.in_fd = in_pipe[1];
    process.body = request.body;
    // As much of the body as the pipe takes goes in now; finish_cgi writes the rest.
    fcntl(process.in_fd, F_SETFL, O_NONBLOCK);
    ssize_t n = process.body.empty() ? 0 : write(process.in_fd, process.body.data(), process.body.size());
    if (n > 0) process.written = static_cast<size_t>(n);
    if (process.written == process.body.size()) {
        close(process.in_fd);
        process.in_fd = -1;
    }
    return process;
}

CgiResult finish_cgi(CgiProcess &process) {
    CgiResult result;
    if (process.pid < 0) return result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        struct pollfd fds[2] = {{process.out_fd, POLLIN, 0}, {process.in_fd, POLLOUT, 0}};
        int ready = poll(fds, process.in_fd >= 0 ? 2 : 1, 200);
        if (std::chrono::steady_clock::now() > deadline) {
            kill(process.pid, SIGKILL);
            break;
        }
        if (ready <= 0) continue;
        if (process.in_fd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(process.in_fd, process.body.data() + process.written, process.body.size() - process.written);
            if (n > 0) process.written += static_cast<size_t>(n);
            if ((n < 0 && errno != EAGAIN) || n == 0 || process.written == process.body.size()) {
                close(process.in_fd);
                process.in_fd = -1;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buffer[65536];
            ssize_t n = read(process.out_fd, buffer, sizeof buffer);
            if (n <= 0) break;
            result.output.append(buffer, static_cast<size_t>(n));
        }
    }
    if (process.in_fd >= 0) close(process.in_fd);
    close(process.out_fd);
    process.in_fd = process.out_fd = -1;
    int status = 0;
    waitpid(process.pid, &status, 0);
    process.pid = -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    size_t blank = result.output.find("\r\n\r\n");
    if (blank != std::string::npos) {
        result.headers = result.output.substr(0, blank + 4);
        result.body = result.output.substr(blank + 4);
    } else {
        result.body = result.output;
    }
    return result;
}

CgiResult run_cgi(const DeviceRoot &root, const CgiRequest &request, long time_divisor) {
    CgiProcess process = start_cgi(root, request, time_divisor);
    return finish_cgi(process);
}

int32_t payload_i32(const Bytes &payload, size_t offset) {
    int32_t value = 0;
    if (offset + 4 <= payload.size()) memcpy(&value, payload.data() + offset, 4);
    return value;
}

int64_t payload_i64(const Bytes &payload, size_t offset) {
    int64_t value = 0;
    if (offset + 8 <= payload.size()) memcpy(&value, payload.data() + offset, 8);
    return value;
}

std::string payload_text(const Bytes &payload, size_t offset, size_t size) {
    if (offset >= payload.size()) return std::string();
    size_t end = offset;
    while (end < payload.size() && end < offset + size && payload[end]) end++;
    return std::string(reinterpret_cast<const char *>(payload.data()) + offset, end - offset);
}

Bytes le_words(std::initializer_list<int32_t> values) {
    Bytes out(values.size() * 4);
    size_t i = 0;
    for (int32_t v : values) memcpy(out.data() + 4 * i++, &v, 4);
    return out;
}

// The test process works beneath the test's device root too: the in-process daemon writes its
// files (exports, archives) there, and a test reads or prepares the databases there.
void RouteTest::SetUp() {
    setenv("NVR_ROOT", root.path().c_str(), 1);
    nvr_devroot_reset();
    ASSERT_TRUE(daemon.start(root.at("/var/run/qvsocket")));
}

void RouteTest::TearDown() {
    qvdb_close_all();  // connections the test itself opened beneath this root
    daemon.stop();
    unsetenv("NVR_ROOT");
    nvr_devroot_reset();
}

CgiResult RouteTest::run(CgiRequest request) {
    for (const auto &kv : env)
        if (!request.env.count(kv.first)) request.env[kv.first] = kv.second;
    return run_cgi(root, request);
}

CgiResult RouteTest::get(const std::string &path, const std::string &query) {
    CgiRequest request;
    request.path_info = path;
    request.query = query;
    return run(request);
}

CgiResult RouteTest::post_json(const std::string &path, const std::string &body) {
    CgiRequest request;
    request.method = "POST";
    request.path_info = path;
    request.content_type = "application/json";
    request.body = body;
    return run(request);
}

std::vector<SimRequest> RouteTest::sent(int code, size_t at_least) {
    if (at_least > 0) daemon.wait_for(code, at_least, 2000);
    return daemon.requests_with_code(code);
}

void expect_reply_bounds(const DeviceRoot &root, SimDaemon &daemon, const WaitingRoute &route) {
    auto run_route = [&](long time_divisor) {
        CgiRequest request;
        request.path_info = route.path;
        if (route.body) {
            request.method = "POST";
            request.content_type = "application/json";
            request.body = route.body;
        } else {
            request.query = route.query ? route.query : "";
        }
        return run_cgi(root, request, time_divisor);
    };
    auto reply = [&](int delay_ms, const Bytes &payload) { return SimStep{delay_ms, route.reply_code, payload}; };
    std::vector<Bytes> too_short = {Bytes()};
    if (route.min_length > 1) too_short.push_back(Bytes(route.min_length - 1, 0));
    for (const Bytes &payload : too_short) {
        daemon.script(route.request, {reply(0, payload)});
        const char *expected = route.short_output && !payload.empty() ? route.short_output : route.silence;
        EXPECT_EQ(run_route(1000).output, expected)
            << route.path << " with a reply of " << payload.size() << " bytes, line " << route.line;
    }
    Bytes whole(route.min_length, route.fill), other(route.min_length, static_cast<uint8_t>(route.fill + 1));
    daemon.script(route.request, {reply(0, whole), reply(5, other)});
    std::string twice = run_route(100).output;
    EXPECT_EQ(twice.find("Content-type"), 0u) << route.path << ", line " << route.line;
    EXPECT_EQ(twice.find("Content-type", 1), std::string::npos) << route.path << " answered twice, line " << route.line;
    EXPECT_NE(twice, route.silence) << route.path << " ignored a whole reply, line " << route.line;
    daemon.clear_script(route.request);
}
