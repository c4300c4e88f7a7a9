// The input format of the route fuzz target, shared with the route tests, which write each
// request they make in it when NVR_FUZZ_SEEDS names a folder (seeds for the fuzzer).
#ifndef NVR_FUZZ_ROUTE_SEED_H
#define NVR_FUZZ_ROUTE_SEED_H

#include <stdint.h>

#include <string>

enum SeedArrival { kSeedQueryString = 0, kSeedBody = 1, kSeedUpload = 2, kSeedArrivals = 3 };

// One input: the arrival, five texts with 2-byte little-endian lengths, then the daemon's tape.
inline std::string route_seed(int arrival, const std::string &path, const std::string &argument,
                              const std::string &query, const std::string &cookie, const std::string &address,
                              const std::string &tape) {
    std::string seed(1, static_cast<char>(arrival));
    for (const std::string *text : {&path, &argument, &query, &cookie, &address}) {
        size_t length = text->size() < 0xffff ? text->size() : 0xffff;
        seed += static_cast<char>(length & 0xff);
        seed += static_cast<char>(length >> 8);
        seed.append(*text, 0, length);
    }
    return seed + tape;
}

// A daemon tape that answers each of `count` requests with one reply of `length` zero bytes.
inline std::string zero_reply_tape(int count, uint16_t length) {
    std::string tape;
    for (int i = 0; i < count; i++) {
        tape += '\x08';  // one reply, its payload a repeated pattern
        tape += static_cast<char>(length & 0xff);
        tape += static_cast<char>(length >> 8);
        tape += std::string(64, '\0');
    }
    return tape;
}

#endif
