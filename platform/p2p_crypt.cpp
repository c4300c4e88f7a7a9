// The maker's peer-to-peer crypto helpers: X25519 key switch and AES-256-GCM sealed frames.
#include "platform/p2p_crypt.h"

#include <errno.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stdint.h>
#include <string.h>
#include <sys/socket.h>

#include <vector>

namespace {

constexpr size_t kKeyBytes = 32;
constexpr size_t kNonceBytes = 12;
constexpr size_t kTagBytes = 16;
constexpr size_t kLengthBytes = 4;
constexpr int kMaxFrame = 1 << 20;

EVP_PKEY *g_key_pair = nullptr;
unsigned char g_session_key[kKeyBytes];
bool g_session_ready = false;

bool send_all(int sock, const void *data, size_t length) {
    const char *bytes = static_cast<const char *>(data);
    while (length > 0) {
        ssize_t n = send(sock, bytes, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool receive_all(int sock, void *data, size_t length) {
    char *bytes = static_cast<char *>(data);
    while (length > 0) {
        ssize_t n = recv(sock, bytes, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool derive_session_key(const unsigned char *peer_public) {
    EVP_PKEY *peer = EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peer_public, kKeyBytes);
    EVP_PKEY_CTX *context = peer ? EVP_PKEY_CTX_new(g_key_pair, nullptr) : nullptr;
    unsigned char shared[kKeyBytes];
    size_t shared_length = sizeof shared;
    bool ok = context && EVP_PKEY_derive_init(context) == 1 && EVP_PKEY_derive_set_peer(context, peer) == 1 &&
              EVP_PKEY_derive(context, shared, &shared_length) == 1 && shared_length == kKeyBytes;
    unsigned int digest_length = 0;
    ok = ok && EVP_Digest(shared, shared_length, g_session_key, &digest_length, EVP_sha256(), nullptr) == 1;
    EVP_PKEY_CTX_free(context);
    EVP_PKEY_free(peer);
    memset(shared, 0, sizeof shared);
    return ok && digest_length == kKeyBytes;
}

// AES-256-GCM over the session key; encrypt or decrypt `length` bytes from in to out.
bool gcm(bool encrypt, const unsigned char *nonce, const unsigned char *in, int length, unsigned char *out,
         unsigned char *tag) {
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    int produced = 0, final_length = 0;
    bool ok = context && EVP_CipherInit_ex(context, EVP_aes_256_gcm(), nullptr, g_session_key, nonce, encrypt) == 1 &&
              (length == 0 || EVP_CipherUpdate(context, out, &produced, in, length) == 1);
    if (ok && !encrypt) ok = EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, kTagBytes, tag) == 1;
    ok = ok && EVP_CipherFinal_ex(context, out + produced, &final_length) == 1;
    if (ok && encrypt) ok = EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, kTagBytes, tag) == 1;
    EVP_CIPHER_CTX_free(context);
    return ok;
}

}  // namespace

int p2p_create_keyfile() {
    EVP_PKEY_CTX *context = EVP_PKEY_CTX_new_id(EVP_PKEY_X25519, nullptr);
    EVP_PKEY *key = nullptr;
    bool ok = context && EVP_PKEY_keygen_init(context) == 1 && EVP_PKEY_keygen(context, &key) == 1;
    EVP_PKEY_CTX_free(context);
    if (!ok) return -1;
    EVP_PKEY_free(g_key_pair);
    g_key_pair = key;
    g_session_ready = false;
    return 0;
}

int p2p_cli_switch_keyfile(int sock) {
    if (!g_key_pair) return -1;
    unsigned char own[kKeyBytes], peer[kKeyBytes];
    size_t own_length = sizeof own;
    if (EVP_PKEY_get_raw_public_key(g_key_pair, own, &own_length) != 1 || own_length != kKeyBytes) return -1;
    if (!send_all(sock, own, sizeof own) || !receive_all(sock, peer, sizeof peer)) return -1;
    g_session_ready = derive_session_key(peer);
    return g_session_ready ? 0 : -1;
}

int p2p_send(int sock, const void *data, int length) {
    if (!g_session_ready || length < 0 || length > kMaxFrame || (length > 0 && !data)) return -1;
    std::vector<unsigned char> frame(static_cast<size_t>(rsa_cal_ensize(length)));
    uint32_t sealed = static_cast<uint32_t>(frame.size() - kLengthBytes);
    memcpy(frame.data(), &sealed, kLengthBytes);
    unsigned char *nonce = frame.data() + kLengthBytes;
    unsigned char *cipher = nonce + kNonceBytes;
    if (RAND_bytes(nonce, kNonceBytes) != 1 ||
        !gcm(true, nonce, static_cast<const unsigned char *>(data), length, cipher, cipher + length))
        return -1;
    return send_all(sock, frame.data(), frame.size()) ? 0 : -1;
}

int p2p_recv(int sock, void *buffer, int size) {
    uint32_t sealed = 0;
    if (!g_session_ready || !buffer || size < 0 || !receive_all(sock, &sealed, kLengthBytes)) return -1;
    if (sealed < kNonceBytes + kTagBytes || sealed > static_cast<uint32_t>(kMaxFrame)) return -1;
    int length = static_cast<int>(sealed - kNonceBytes - kTagBytes);
    if (length > size) return -1;
    std::vector<unsigned char> frame(sealed);
    if (!receive_all(sock, frame.data(), frame.size())) return -1;
    std::vector<unsigned char> plain(static_cast<size_t>(length) + 1);
    unsigned char *cipher = frame.data() + kNonceBytes;
    if (!gcm(false, frame.data(), cipher, length, plain.data(), cipher + length)) return -1;
    if (length > 0) memcpy(buffer, plain.data(), static_cast<size_t>(length));
    return length;
}

int rsa_cal_ensize(int length) {
    return length < 0 ? -1 : static_cast<int>(kLengthBytes + kNonceBytes + static_cast<size_t>(length) + kTagBytes);
}
