// SHA-256 (FIPS 180-4): the key derivation of the package cipher and of the P2P session key.
#ifndef NVR_PLATFORM_CRYPTO_SHA256_H
#define NVR_PLATFORM_CRYPTO_SHA256_H

#include <stddef.h>
#include <stdint.h>

constexpr size_t kSha256Bytes = 32;

// The digest of one message.
void sha256(const void *data, size_t length, uint8_t digest[kSha256Bytes]);

#endif
