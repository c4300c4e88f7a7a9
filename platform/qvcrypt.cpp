// URL-safe Base64 helpers and the package cipher of the maker's crypto library.
#include "platform/qvcrypt.h"

#include <errno.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <stdint.h>
#include <string.h>
#include <sys/random.h>

#include "platform/qvstd.h"

namespace {

const char kUrlAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// SHA-256 of the key text, cut at 32 characters.
void package_key(const char *key, unsigned char digest[SHA256_DIGEST_LENGTH]) {
    size_t length = key ? strnlen(key, 32) : 0;
    SHA256(reinterpret_cast<const unsigned char *>(key ? key : ""), length, digest);
}

// Runs one AES-256-GCM pass; the tag is read (decrypt) or written (encrypt). Output length or -1.
int gcm_pass(bool encrypt, const unsigned char *key, const unsigned char *nonce, const unsigned char *in, int length,
             unsigned char *out, unsigned char *tag) {
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    if (!ctx) return -1;
    int produced = 0, last = 0;
    bool ok = EVP_CipherInit_ex(ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr, encrypt ? 1 : 0) == 1 &&
              EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, kWebPackageNonce, nullptr) == 1 &&
              EVP_CipherInit_ex(ctx, nullptr, nullptr, key, nonce, encrypt ? 1 : 0) == 1 &&
              (length == 0 || EVP_CipherUpdate(ctx, out, &produced, in, length) == 1);
    if (ok && !encrypt) ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, kWebPackageTag, tag) == 1;
    if (ok) ok = EVP_CipherFinal_ex(ctx, out + produced, &last) == 1;
    if (ok && encrypt) ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, kWebPackageTag, tag) == 1;
    EVP_CIPHER_CTX_free(ctx);
    return ok ? produced + last : -1;
}

}  // namespace

int aesDecryWeb(const unsigned char *package, int length, const char *key, unsigned char *out, int out_size) {
    if (!package || !out || length < kWebPackageNonce + kWebPackageTag) return -1;
    int body = length - kWebPackageNonce - kWebPackageTag;
    if (body > out_size) return -1;
    unsigned char digest[SHA256_DIGEST_LENGTH];
    package_key(key, digest);
    unsigned char tag[kWebPackageTag];
    memcpy(tag, package + length - kWebPackageTag, sizeof tag);
    int produced = gcm_pass(false, digest, package, package + kWebPackageNonce, body, out, tag);
    if (produced < 0) memset(out, 0, static_cast<size_t>(body));  // nothing unauthenticated is left behind
    return produced;
}

int aesEncryWeb(const unsigned char *data, int length, const char *key, unsigned char *out, int out_size) {
    if (!data || !out || length < 0 || static_cast<int64_t>(length) + kWebPackageNonce + kWebPackageTag > out_size)
        return -1;
    unsigned char digest[SHA256_DIGEST_LENGTH];
    package_key(key, digest);
    if (!qv_random_bytes(out, kWebPackageNonce)) return -1;
    int produced = gcm_pass(true, digest, out, data, length, out + kWebPackageNonce, out + kWebPackageNonce + length);
    return produced < 0 ? -1 : length + kWebPackageNonce + kWebPackageTag;
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
