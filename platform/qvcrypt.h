// URL-safe Base64 helpers and the package cipher of the maker's crypto library.
#ifndef NVR_PLATFORM_QVCRYPT_H
#define NVR_PLATFORM_QVCRYPT_H

#include <stddef.h>

// Fills count bytes from the system's cryptographic random source; false when it fails.
bool qv_random_bytes(unsigned char *out, size_t count);

// Encodes length bytes with the alphabet A-Z a-z 0-9 '-' '_' and no padding. Returns the
// text length, or -1 when the result (with its NUL) does not fit in out_size.
int base64EncodeUrl(const unsigned char *data, int length, char *out, int out_size);

// Decodes URL-safe (or standard) Base64, with or without '=' padding, blanks skipped. Returns the byte count
// (a NUL is added when there is room), or -1 for text that is not Base64 or does not fit.
int base64DecodeUrl(const char *text, unsigned char *out, int out_size);

// Customisation packages are AES-256-GCM: a 12-byte nonce, the ciphertext, then the 16-byte
// tag; the key is the SHA-256 of the key text the page gives (at most 32 characters are used).
constexpr int kWebPackageNonce = 12;
constexpr int kWebPackageTag = 16;

// Deciphers and authenticates a package. The plaintext length, or -1 for a wrong key, a
// damaged package or a result that does not fit in out_size.
int aesDecryWeb(const unsigned char *package, int length, const char *key, unsigned char *out, int out_size);

// Enciphers data into a package (length + 28 bytes) with a random nonce. The package length, or -1.
int aesEncryWeb(const unsigned char *data, int length, const char *key, unsigned char *out, int out_size);

#endif
