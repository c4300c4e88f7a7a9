// X25519 key agreement (RFC 7748): the P2P key switch. Constant time in the scalar.
#ifndef NVR_PLATFORM_CRYPTO_X25519_H
#define NVR_PLATFORM_CRYPTO_X25519_H

#include <stddef.h>
#include <stdint.h>

constexpr size_t kX25519Bytes = 32;

// The u-coordinate of scalar times the point with u-coordinate point (both little-endian; the
// scalar is clamped and the point's top bit ignored, as the RFC says). False when the result is
// all zeros, which a peer's point of small order gives.
bool x25519(const uint8_t scalar[kX25519Bytes], const uint8_t point[kX25519Bytes], uint8_t out[kX25519Bytes]);

// The public key of a private key: scalar times the base point 9.
void x25519_public_key(const uint8_t private_key[kX25519Bytes], uint8_t public_key[kX25519Bytes]);

#endif
