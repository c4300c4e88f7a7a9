// What the fuzz targets share: a private device root, request input and captured output in
// memory, the sandbox around each run, and the simulated daemon that answers from the input.
#ifndef NVR_FUZZ_FUZZ_SUPPORT_H
#define NVR_FUZZ_FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

// Called first by every target's LLVMFuzzerInitialize: creates the device root and lets the
// sandbox pass libFuzzer's own files (its -artifact_prefix, or crash-... in the current folder).
void fuzz_init(int *argc, char ***argv);

// The device root, created once (on tmpfs when there is one): NVR_ROOT points at it and every
// wait is shortened, the daemon channel's polls to microseconds.
const std::string &fuzz_device_root();

// Removes everything beneath a device folder of the root ("/tmp"), keeping the folder.
void fuzz_clear_device_dir(const char *device_dir);

// Any breach found by a run: prints what happened and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fuzz_fail(const char *format, ...) __attribute__((format(printf, 1, 2)));

// While a run lasts: commands are not run (they fail as if missing), nothing is written outside
// the device root, no path climbs out of it, and signals, mounts and the clock are left alone.
// Breaches end the run through fuzz_fail. See sandbox.cpp.
void fuzz_sandbox(bool on);
// Writes to paths beginning with this prefix are libFuzzer's (its findings) and always pass.
void fuzz_sandbox_allow_prefix(const std::string &prefix);

// One run of request handling: standard input reads `input`, standard output goes to memory (the
// frame's cgiIn and cgiOut too, as the entry sets them) and the sandbox is on. The destructor
// undoes all of it; output() is what was answered.
class FuzzRequestScope {
  public:
    FuzzRequestScope(const void *input, size_t length);
    ~FuzzRequestScope();
    FuzzRequestScope(const FuzzRequestScope &) = delete;
    FuzzRequestScope &operator=(const FuzzRequestScope &) = delete;
    std::string output();
    // Fails the run when more than one answer was written: each answer is written and flushed
    // in one piece that begins with its header line (text, JSON or download), so a second
    // piece that begins with one is a second answer. Texts inside an answer do not count.
    void check_single_answer();

  private:
    static ssize_t write_piece(void *scope, const char *bytes, size_t size);
    FILE *saved_in_, *saved_out_;
    std::vector<std::string> pieces_;
    std::string in_copy_;
};

// Reads bytes from the front of an input, and gives zeros once it is used up.
class ByteTape {
  public:
    ByteTape() = default;
    ByteTape(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }
    uint32_t u16() { return byte() | static_cast<uint32_t>(byte()) << 8; }
    uint32_t u32() { return u16() | u16() << 16; }
    size_t left() const { return size_ - used_; }
    // Up to n bytes from the front.
    std::string take(size_t n);

  private:
    const uint8_t *data_ = nullptr;
    size_t size_ = 0, used_ = 0;
};

// The simulated daemon: listens on the root's daemon socket and answers every request from a
// tape of input bytes. Per request, one control byte c:
//   c % 8 in 0..3  one reply with code request + 5000
//   c % 8 == 4     two replies (a second one must never make a second answer)
//   c % 8 == 5     one reply with a code of 4 tape bytes
//   c % 8 == 6     a frame with a broken header (the client drops the connection)
//   c % 8 == 7     silence
// A reply's payload: 2 tape bytes give its length; with c & 8 the payload is that many bytes
// repeating the next up-to-64 tape bytes (long records from short inputs), else the next bytes.
void fuzz_daemon_start();
void fuzz_daemon_set_tape(const uint8_t *data, size_t size);
// Requests received since the last set_tape.
int fuzz_daemon_requests();

#endif
