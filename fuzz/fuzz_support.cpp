// What the fuzz targets share: the private device root, request input and captured output, the
// single-answer check and the simulated daemon that answers from the input.
#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "frame/cgi_env.h"
#include "platform/devroot.h"
#include "platform/make_dirs.h"
#include "platform/nvr_wire.h"

namespace {

const char *const kDeviceDirs[] = {"/tmp", "/dev/shm", "/var/run", "/var/log", "/mnt/nand/app", "/mnt/nand2",
                                   "/opt/app/www/webfile/json"};

void remove_beneath(const std::string &dir) {
    DIR *folder = opendir(dir.c_str());
    if (!folder) return;
    while (struct dirent *entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            remove_beneath(path);
            rmdir(path.c_str());
        } else {
            unlink(path.c_str());
        }
    }
    closedir(folder);
}

}  // namespace

const std::string &fuzz_device_root() {
    static const std::string root = [] {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/nvrfuzz.XXXXXX" : "/tmp/nvrfuzz.XXXXXX";
        if (!mkdtemp(&pattern[0])) fuzz_fail("cannot create a device root from %s", pattern.c_str());
        for (const char *dir : kDeviceDirs) make_dirs(pattern + dir);
        setenv("NVR_ROOT", pattern.c_str(), 1);
        // A 40 ms poll becomes 2 us, so that a silent daemon costs milliseconds, not seconds.
        setenv("NVR_TIME_DIVISOR", "20000", 1);
        nvr_devroot_reset();
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        // The root goes when the fuzzer ends; a crash leaves it for a look.
        static std::string removed_at_exit = pattern;
        atexit([] {
            remove_beneath(removed_at_exit);
            rmdir(removed_at_exit.c_str());
        });
        return pattern;
    }();
    return root;
}

void fuzz_init(int *argc, char ***argv) {
    fuzz_device_root();
    std::string prefix;
    for (int i = 1; argc && argv && i < *argc; i++)
        if (strncmp((*argv)[i], "-artifact_prefix=", 17) == 0) prefix = (*argv)[i] + 17;
    if (!prefix.empty()) {
        fuzz_sandbox_allow_prefix(prefix);
        return;
    }
    for (const char *kind : {"crash-", "leak-", "timeout-", "oom-", "slow-unit-"}) fuzz_sandbox_allow_prefix(kind);
}

void fuzz_clear_device_dir(const char *device_dir) { remove_beneath(fuzz_device_root() + device_dir); }

void fuzz_fail(const char *format, ...) {
    fuzz_sandbox(false);
    va_list args;
    va_start(args, format);
    fputs("==nvrweb fuzz== ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    abort();
}

// ---- one run -----------------------------------------------------------------------------------

FuzzRequestScope::FuzzRequestScope(const void *input, size_t length)
    : saved_in_(stdin), saved_out_(stdout), in_copy_(static_cast<const char *>(input), length) {
    FILE *in = in_copy_.empty() ? fopen("/dev/null", "r") : fmemopen(&in_copy_[0], in_copy_.size(), "r");
    cookie_io_functions_t pieces = {nullptr, &FuzzRequestScope::write_piece, nullptr, nullptr};
    FILE *out = fopencookie(this, "w", pieces);
    // Large enough that a flush, not a full buffer, ends each piece.
    if (!in || !out || setvbuf(out, nullptr, _IOFBF, 1 << 20) != 0)
        fuzz_fail("cannot set up standard input and output in memory");
    stdin = in;
    stdout = out;
    cgiIn = in;
    cgiOut = out;
    fuzz_sandbox(true);
}

FuzzRequestScope::~FuzzRequestScope() {
    fuzz_sandbox(false);
    fclose(stdin);
    fclose(stdout);
    stdin = saved_in_;
    stdout = saved_out_;
    cgiIn = nullptr;
    cgiOut = nullptr;
}

ssize_t FuzzRequestScope::write_piece(void *scope, const char *bytes, size_t size) {
    static_cast<FuzzRequestScope *>(scope)->pieces_.emplace_back(bytes, size);
    return static_cast<ssize_t>(size);
}

std::string FuzzRequestScope::output() {
    fflush(stdout);
    std::string all;
    for (const std::string &piece : pieces_) all += piece;
    return all;
}

void FuzzRequestScope::check_single_answer() {
    static const char *const kHeaders[] = {"Content-type: text/plain\r\n\r\n", "Content-type: application/json\r\n\r\n",
                                           "Content-Type:application/octet-stream\r\n"};
    fflush(stdout);
    int answers = 0;
    for (const std::string &piece : pieces_)
        for (const char *header : kHeaders)
            if (piece.compare(0, strlen(header), header) == 0) answers++;
    if (answers > 1) fuzz_fail("%d answers to one request:\n%.2000s", answers, output().c_str());
}

std::string ByteTape::take(size_t n) {
    size_t count = n < left() ? n : left();
    std::string out(reinterpret_cast<const char *>(data_ + used_), count);
    used_ += count;
    return out;
}

// ---- the simulated daemon ----------------------------------------------------------------------

namespace {

std::mutex g_tape_lock;
std::string g_tape_bytes;
ByteTape g_tape;
int g_requests = 0;

bool send_reply(int fd, uint32_t sequence, int32_t code, const std::string &payload) {
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

// Caller holds g_tape_lock.
std::string payload_from_tape(uint8_t control) {
    size_t length = g_tape.u16();
    if (!(control & 8)) return g_tape.take(length);
    std::string pattern = g_tape.take(64);
    if (pattern.empty()) pattern.assign(1, '\0');
    std::string payload;
    payload.reserve(length);
    while (payload.size() < length) payload.append(pattern, 0, length - payload.size());
    return payload;
}

// Returns false when the connection should be dropped.
bool answer(int fd, const MessageHeader &request) {
    std::lock_guard<std::mutex> guard(g_tape_lock);
    g_requests++;
    uint8_t control = g_tape.byte();
    int32_t reply_code = request.code + kReplyCodeOffset;
    switch (control % 8) {
        case 4: {
            std::string first = payload_from_tape(control);
            return send_reply(fd, request.sequence, reply_code, first) &&
                   send_reply(fd, request.sequence, reply_code, payload_from_tape(control));
        }
        case 5: {
            int32_t code = static_cast<int32_t>(g_tape.u32());
            return send_reply(fd, request.sequence, code, payload_from_tape(control));
        }
        case 6: {
            MessageHeader broken;
            memset(&broken, 0xA5, sizeof broken);
            wire_write_full(fd, &broken, sizeof broken);
            return false;
        }
        case 7:
            return true;
        default:
            return send_reply(fd, request.sequence, reply_code, payload_from_tape(control));
    }
}

void serve(int fd) {
    for (;;) {
        MessageHeader request;
        if (!wire_read_full(fd, &request, sizeof request) || !wire_header_valid(request)) break;
        std::string payload(static_cast<size_t>(request.length), '\0');
        if (request.length > 0 && !wire_read_full(fd, &payload[0], payload.size())) break;
        if (!answer(fd, request)) break;
    }
    close(fd);
}

}  // namespace

void fuzz_daemon_start() {
    static bool started = false;
    if (started) return;
    started = true;
    std::string path = fuzz_device_root() + "/var/run/qvsocket";
    struct sockaddr_un addr;
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) fuzz_fail("daemon socket path too long: %s", path.c_str());
    memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0 || bind(listener, reinterpret_cast<struct sockaddr *>(&addr), sizeof addr) != 0 ||
        listen(listener, 16) != 0)
        fuzz_fail("cannot listen on %s", path.c_str());
    // One connection at a time, as one request process makes them; the thread lives as long as
    // the fuzzer.
    std::thread([listener] {
        for (;;) {
            int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) serve(fd);
        }
    }).detach();
}

void fuzz_daemon_set_tape(const uint8_t *data, size_t size) {
    std::lock_guard<std::mutex> guard(g_tape_lock);
    g_tape_bytes.assign(reinterpret_cast<const char *>(data), size);
    g_tape = ByteTape(reinterpret_cast<const uint8_t *>(g_tape_bytes.data()), g_tape_bytes.size());
    g_requests = 0;
}

int fuzz_daemon_requests() {
    std::lock_guard<std::mutex> guard(g_tape_lock);
    return g_requests;
}
