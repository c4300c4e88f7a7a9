// SHA-256 (FIPS 180-4): the key derivation of the package cipher and of the P2P session key.
#include "platform/crypto_sha256.h"

#include <string.h>

#include "platform/crypto_bytes.h"

namespace {

const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

const uint32_t kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

uint32_t rotate_right(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// Mixes one 64-byte block into the state.
void compress(uint32_t state[8], const uint8_t block[64]) {
    uint32_t schedule[64];
    for (int t = 0; t < 16; t++) schedule[t] = load_big_endian(block + 4 * t);
    for (int t = 16; t < 64; t++) {
        uint32_t w15 = schedule[t - 15], w2 = schedule[t - 2];
        uint32_t sigma0 = rotate_right(w15, 7) ^ rotate_right(w15, 18) ^ (w15 >> 3);
        uint32_t sigma1 = rotate_right(w2, 17) ^ rotate_right(w2, 19) ^ (w2 >> 10);
        schedule[t] = sigma1 + schedule[t - 7] + sigma0 + schedule[t - 16];
    }
    uint32_t v[8];
    memcpy(v, state, sizeof v);
    for (int t = 0; t < 64; t++) {
        uint32_t a = v[0], e = v[4];
        uint32_t sum1 = rotate_right(e, 6) ^ rotate_right(e, 11) ^ rotate_right(e, 25);
        uint32_t choose = (e & v[5]) ^ (~e & v[6]);
        uint32_t t1 = v[7] + sum1 + choose + kRoundConstants[t] + schedule[t];
        uint32_t sum0 = rotate_right(a, 2) ^ rotate_right(a, 13) ^ rotate_right(a, 22);
        uint32_t majority = (a & v[1]) ^ (a & v[2]) ^ (v[1] & v[2]);
        memmove(v + 1, v, 7 * sizeof v[0]);
        v[4] += t1;
        v[0] = t1 + sum0 + majority;
    }
    for (int i = 0; i < 8; i++) state[i] += v[i];
}

}  // namespace

void sha256(const void *data, size_t length, uint8_t digest[kSha256Bytes]) {
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    uint32_t state[8];
    memcpy(state, kInitialState, sizeof state);
    size_t whole = length - length % 64;
    for (size_t offset = 0; offset < whole; offset += 64) compress(state, bytes + offset);
    // The rest of the message, a 1 bit, zeros, and the message length in bits at the end of
    // the last block (one block more when the rest leaves no room for it).
    uint8_t tail[128];
    size_t rest = length - whole;
    memset(tail, 0, sizeof tail);
    if (rest) memcpy(tail, bytes + whole, rest);
    tail[rest] = 0x80;
    size_t tail_length = rest < 56 ? 64 : 128;
    uint64_t bits = static_cast<uint64_t>(length) * 8;
    store_big_endian(tail + tail_length - 8, static_cast<uint32_t>(bits >> 32));
    store_big_endian(tail + tail_length - 4, static_cast<uint32_t>(bits));
    for (size_t offset = 0; offset < tail_length; offset += 64) compress(state, tail + offset);
    for (int i = 0; i < 8; i++) store_big_endian(digest + 4 * i, state[i]);
}
