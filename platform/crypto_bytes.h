// Big-endian words in byte strings, as SHA-256 and GCM write their numbers.
#ifndef NVR_PLATFORM_CRYPTO_BYTES_H
#define NVR_PLATFORM_CRYPTO_BYTES_H

#include <stdint.h>

inline uint32_t load_big_endian(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

inline void store_big_endian(uint8_t *p, uint32_t x) {
    p[0] = static_cast<uint8_t>(x >> 24);
    p[1] = static_cast<uint8_t>(x >> 16);
    p[2] = static_cast<uint8_t>(x >> 8);
    p[3] = static_cast<uint8_t>(x);
}

#endif
