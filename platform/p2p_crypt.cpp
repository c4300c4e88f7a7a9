// The maker's peer-to-peer crypto helpers: X25519 key switch and AES-256-GCM sealed frames.
#include "platform/p2p_crypt.h"

#include <errno.h>
#include <stdint.h>
#include <string.h>
#include <sys/socket.h>

#include <vector>

#include "platform/crypto_aes_gcm.h"
#include "platform/crypto_sha256.h"
#include "platform/crypto_x25519.h"
#include "platform/qvcrypt.h"

namespace {

constexpr size_t kNonceBytes = kAesGcmNonceBytes;
constexpr size_t kTagBytes = kAesGcmTagBytes;
constexpr size_t kLengthBytes = 4;
constexpr int kMaxFrame = 1 << 20;

bool g_key_pair_ready = false;
uint8_t g_private_key[kX25519Bytes];
uint8_t g_public_key[kX25519Bytes];
uint8_t g_session_key[kAesGcmKeyBytes];
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

// The session key: SHA-256 of the shared secret. A peer key of small order gives no secret.
bool derive_session_key(const uint8_t peer_public[kX25519Bytes]) {
    uint8_t shared[kX25519Bytes];
    bool ok = x25519(g_private_key, peer_public, shared);
    if (ok) sha256(shared, sizeof shared, g_session_key);
    memset(shared, 0, sizeof shared);
    return ok;
}

}  // namespace

int p2p_create_keyfile() {
    g_session_ready = false;
    g_key_pair_ready = qv_random_bytes(g_private_key, sizeof g_private_key);
    if (!g_key_pair_ready) return -1;
    x25519_public_key(g_private_key, g_public_key);
    return 0;
}

int p2p_cli_switch_keyfile(int sock) {
    if (!g_key_pair_ready) return -1;
    uint8_t peer[kX25519Bytes];
    if (!send_all(sock, g_public_key, sizeof g_public_key) || !receive_all(sock, peer, sizeof peer)) return -1;
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
    if (!qv_random_bytes(nonce, kNonceBytes)) return -1;
    aes256_gcm_seal(g_session_key, nonce, nullptr, 0, static_cast<const uint8_t *>(data), static_cast<size_t>(length),
                    cipher, cipher + length);
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
    unsigned char *cipher = frame.data() + kNonceBytes;
    if (!aes256_gcm_open(g_session_key, frame.data(), nullptr, 0, cipher, static_cast<size_t>(length), cipher + length,
                         static_cast<uint8_t *>(buffer)))
        return -1;
    return length;
}

int rsa_cal_ensize(int length) {
    return length < 0 ? -1 : static_cast<int>(kLengthBytes + kNonceBytes + static_cast<size_t>(length) + kTagBytes);
}
