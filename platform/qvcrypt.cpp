// URL-safe Base64 helpers and the package cipher of the maker's crypto library.
#include "platform/qvcrypt.h"

#include <errno.h>
#include <stdint.h>
#include <string.h>
#include <sys/random.h>

#include "platform/crypto_aes_gcm.h"
#include "platform/crypto_sha256.h"
#include "platform/qvstd.h"

namespace {

const char kUrlAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// SHA-256 of the key text, cut at 32 characters.
void package_key(const char *key, uint8_t digest[kSha256Bytes]) {
    size_t length = key ? strnlen(key, 32) : 0;
    sha256(key ? key : "", length, digest);
}

static_assert(kWebPackageNonce == kAesGcmNonceBytes && kWebPackageTag == kAesGcmTagBytes, "the package is plain AES-GCM");

}  // namespace

int aesDecryWeb(const unsigned char *package, int length, const char *key, unsigned char *out, int out_size) {
    if (!package || !out || length < kWebPackageNonce + kWebPackageTag) return -1;
    int body = length - kWebPackageNonce - kWebPackageTag;
    if (body > out_size) return -1;
    uint8_t digest[kSha256Bytes];
    package_key(key, digest);
    bool authentic = aes256_gcm_open(digest, package, nullptr, 0, package + kWebPackageNonce, static_cast<size_t>(body),
                                     package + length - kWebPackageTag, out);
    return authentic ? body : -1;
}

int aesEncryWeb(const unsigned char *data, int length, const char *key, unsigned char *out, int out_size) {
    if (!data || !out || length < 0 || static_cast<int64_t>(length) + kWebPackageNonce + kWebPackageTag > out_size)
        return -1;
    if (!qv_random_bytes(out, kWebPackageNonce)) return -1;
    uint8_t digest[kSha256Bytes];
    package_key(key, digest);
    aes256_gcm_seal(digest, out, nullptr, 0, data, static_cast<size_t>(length), out + kWebPackageNonce,
                    out + kWebPackageNonce + length);
    return length + kWebPackageNonce + kWebPackageTag;
}

bool qv_random_bytes(unsigned char *out, size_t count) {
    size_t got = 0;
    while (got < count) {
        ssize_t n = getrandom(out + got, count - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

int base64EncodeUrl(const unsigned char *data, int length, char *out, int out_size) {
    if (!data || length < 0 || !out) return -1;
    int64_t needed = (static_cast<int64_t>(length) * 4 + 2) / 3;
    if (needed + 1 > out_size) return -1;
    int o = 0;
    for (int i = 0; i < length; i += 3) {
        unsigned value = static_cast<unsigned>(data[i]) << 16;
        if (i + 1 < length) value |= static_cast<unsigned>(data[i + 1]) << 8;
        if (i + 2 < length) value |= data[i + 2];
        out[o++] = kUrlAlphabet[(value >> 18) & 63];
        out[o++] = kUrlAlphabet[(value >> 12) & 63];
        if (i + 1 < length) out[o++] = kUrlAlphabet[(value >> 6) & 63];
        if (i + 2 < length) out[o++] = kUrlAlphabet[value & 63];
    }
    out[o] = '\0';
    return o;
}

int base64DecodeUrl(const char *text, unsigned char *out, int out_size) {
    if (!text) return -1;
    int length = qv_base64_decode_ex(text, static_cast<int>(strlen(text)), out, out_size, 1);
    if (length >= 0 && length < out_size) out[length] = '\0';
    return length;
}
