// AES-256 (FIPS 197) in Galois/Counter Mode (NIST SP 800-38D) with a 96-bit nonce and a
// 128-bit tag: the package cipher and the P2P frames. Constant time: no table lookup or branch
// depends on the key or the data.
#ifndef NVR_PLATFORM_CRYPTO_AES_GCM_H
#define NVR_PLATFORM_CRYPTO_AES_GCM_H

#include <stddef.h>
#include <stdint.h>

constexpr size_t kAesGcmKeyBytes = 32;
constexpr size_t kAesGcmNonceBytes = 12;
constexpr size_t kAesGcmTagBytes = 16;

// The expanded key: 15 round keys.
struct Aes256Key {
    uint8_t round_keys[15][16];
};

void aes256_expand_key(const uint8_t key[kAesGcmKeyBytes], Aes256Key *expanded);
// Enciphers one 16-byte block (in and out may be the same).
void aes256_encrypt_block(const Aes256Key &key, const uint8_t in[16], uint8_t out[16]);

// Enciphers length bytes (in and out may be the same buffer) and authenticates them with the
// additional data; writes the tag.
void aes256_gcm_seal(const uint8_t key[kAesGcmKeyBytes], const uint8_t nonce[kAesGcmNonceBytes], const uint8_t *aad,
                     size_t aad_length, const uint8_t *in, size_t length, uint8_t *out, uint8_t tag[kAesGcmTagBytes]);

// Checks the tag over the additional data and the ciphertext, and only when it matches
// deciphers length bytes into out (which may be in). False, with out untouched, when not.
bool aes256_gcm_open(const uint8_t key[kAesGcmKeyBytes], const uint8_t nonce[kAesGcmNonceBytes], const uint8_t *aad,
                     size_t aad_length, const uint8_t *in, size_t length, const uint8_t tag[kAesGcmTagBytes],
                     uint8_t *out);

#endif
