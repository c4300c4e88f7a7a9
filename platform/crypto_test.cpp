// The CGI's own SHA-256, AES-256-GCM and X25519: the published test vectors, and agreement with
// OpenSSL on random input both ways; the P2P frames and the package cipher as OpenSSL sees them.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/crypto_aes_gcm.h"
#include "platform/crypto_sha256.h"
#include "platform/crypto_x25519.h"
#include "platform/p2p_crypt.h"
#include "platform/qvcrypt.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes hex(const std::string &text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes random_bytes(size_t count) {
    Bytes out(count);
    if (count) RAND_bytes(out.data(), static_cast<int>(count));
    return out;
}

Bytes our_sha256(const Bytes &message) {
    Bytes digest(kSha256Bytes);
    sha256(message.data(), message.size(), digest.data());
    return digest;
}

TEST(Sha256, PublishedVectorsAndOpenSslOnEveryPaddingCase) {
    struct Case {
        std::string message;
        const char *digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: the length needs a second block
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(our_sha256(Bytes(c.message.begin(), c.message.end())), hex(c.digest)) << c.message.substr(0, 20);

    for (size_t length = 0; length <= 200; length++) {
        Bytes message = random_bytes(length), expected(SHA256_DIGEST_LENGTH);
        SHA256(message.data(), message.size(), expected.data());
        EXPECT_EQ(our_sha256(message), expected) << "length " << length;
    }
}

TEST(Aes256, PublishedVectors) {
    struct Case {
        const char *key, *plain, *cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
         "8ea2b7ca516745bfeafc49904b496089"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", "6bc1bee22e409f96e93d7e117393172a",
         "f3eed1bdb5d2a03c064b5a7e3db181f8"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", "f69f2445df4f9b17ad2b417be66c3710",
         "23304b7a39f9f3ff067d8d8f9e24ecc7"},
    };
    for (const Case &c : cases) {
        Aes256Key key;
        aes256_expand_key(hex(c.key).data(), &key);
        Bytes block = hex(c.plain);
        aes256_encrypt_block(key, block.data(), block.data());
        EXPECT_EQ(block, hex(c.cipher)) << c.plain;
    }
}

struct GcmVector {
    const char *key, *nonce, *aad, *plain, *cipher, *tag;
};

// The AES-256 cases with a 96-bit nonce from the GCM submission (cases 13 to 16).
const GcmVector kGcmVectors[] = {
    {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "", "", "",
     "530f8afbc74536b9a963b4f1c4cb738b"},
    {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "",
     "00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18", "d0d1c8a799996bf0265b98b5d48ab919"},
    {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888", "",
     "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255",
     "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad",
     "b094dac5d93471bdec1a502270e3cc6c"},
    {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
     "feedfacedeadbeeffeedfacedeadbeefabaddad2",
     "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b39",
     "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662",
     "76fc6ece0f4e1768cddf8853bb2d551b"},
};

TEST(AesGcm, PublishedVectorsSealAndOpen) {
    for (const GcmVector &v : kGcmVectors) {
        Bytes key = hex(v.key), nonce = hex(v.nonce), aad = hex(v.aad), plain = hex(v.plain);
        Bytes cipher(plain.size()), tag(kAesGcmTagBytes);
        aes256_gcm_seal(key.data(), nonce.data(), aad.data(), aad.size(), plain.data(), plain.size(), cipher.data(), tag.data());
        EXPECT_EQ(cipher, hex(v.cipher)) << v.tag;
        EXPECT_EQ(tag, hex(v.tag)) << v.tag;
        Bytes opened(plain.size());
        EXPECT_TRUE(aes256_gcm_open(key.data(), nonce.data(), aad.data(), aad.size(), cipher.data(), cipher.size(),
                                    tag.data(), opened.data()));
        EXPECT_EQ(opened, plain) << v.tag;
    }
}

TEST(AesGcm, AnyChangeIsRefusedAndLeavesTheOutputAlone) {
    const GcmVector &v = kGcmVectors[3];
    const Bytes key = hex(v.key), nonce = hex(v.nonce), aad = hex(v.aad), cipher = hex(v.cipher), tag = hex(v.tag);
    struct Case {
        const char *what;
        Bytes key, nonce, aad, cipher, tag;
    } cases[] = {
        {"ciphertext byte", key, nonce, aad, cipher, tag},  // changed below
        {"tag byte", key, nonce, aad, cipher, tag},
        {"additional data byte", key, nonce, aad, cipher, tag},
        {"nonce byte", key, nonce, aad, cipher, tag},
        {"key byte", key, nonce, aad, cipher, tag},
        {"ciphertext cut", key, nonce, aad, Bytes(cipher.begin(), cipher.end() - 1), tag},
        {"additional data left out", key, nonce, Bytes(), cipher, tag},
    };
    cases[0].cipher[59] ^= 0x80;
    cases[1].tag[0] ^= 1;
    cases[2].aad[19] ^= 1;
    cases[3].nonce[11] ^= 1;
    cases[4].key[31] ^= 1;
    for (const Case &c : cases) {
        Bytes out(cipher.size(), 0xee);
        EXPECT_FALSE(aes256_gcm_open(c.key.data(), c.nonce.data(), c.aad.data(), c.aad.size(), c.cipher.data(),
                                     c.cipher.size(), c.tag.data(), out.data()))
            << c.what;
        EXPECT_EQ(out, Bytes(cipher.size(), 0xee)) << c.what;
    }
}

// OpenSSL's AES-256-GCM: encrypt, or decrypt (empty result when the tag does not match).
bool openssl_gcm(bool encrypt, const Bytes &key, const Bytes &nonce, const Bytes &aad, const Bytes &in, Bytes *out,
                 Bytes *tag) {
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    int produced = 0, last = 0;
    out->assign(in.size() + 16, 0);
    tag->resize(16);
    bool ok = EVP_CipherInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.data(), nonce.data(), encrypt) == 1 &&
              (aad.empty() || EVP_CipherUpdate(ctx, nullptr, &produced, aad.data(), static_cast<int>(aad.size())) == 1) &&
              EVP_CipherUpdate(ctx, out->data(), &produced, in.data(), static_cast<int>(in.size())) == 1;
    if (ok && !encrypt) ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, tag->data()) == 1;
    ok = ok && EVP_CipherFinal_ex(ctx, out->data() + produced, &last) == 1;
    if (ok && encrypt) ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag->data()) == 1;
    EVP_CIPHER_CTX_free(ctx);
    out->resize(static_cast<size_t>(produced + last));
    return ok;
}

TEST(AesGcm, AgreesWithOpenSslBothWaysOnRandomInput) {
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 70; n++) lengths.push_back(n);  // every tail of the two-block keystream and of GHASH
    lengths.insert(lengths.end(), {255, 256, 257, 4096 + 5, 65536 + 17});
    for (size_t i = 0; i < lengths.size(); i++) {
        Bytes key = random_bytes(32), nonce = random_bytes(12), aad = random_bytes(i % 3 == 0 ? i % 40 : 0);
        Bytes plain = random_bytes(lengths[i]);
        Bytes ours(plain.size()), our_tag(16), theirs, their_tag, opened(plain.size());
        aes256_gcm_seal(key.data(), nonce.data(), aad.data(), aad.size(), plain.data(), plain.size(), ours.data(),
                        our_tag.data());
        ASSERT_TRUE(openssl_gcm(true, key, nonce, aad, plain, &theirs, &their_tag));
        EXPECT_EQ(ours, theirs) << "length " << lengths[i];
        EXPECT_EQ(our_tag, their_tag) << "length " << lengths[i];
        Bytes back;
        EXPECT_TRUE(openssl_gcm(false, key, nonce, aad, ours, &back, &our_tag) && back == plain) << "length " << lengths[i];
        EXPECT_TRUE(aes256_gcm_open(key.data(), nonce.data(), aad.data(), aad.size(), theirs.data(), theirs.size(),
                                    their_tag.data(), opened.data()));
        EXPECT_EQ(opened, plain) << "length " << lengths[i];
    }
    // In place, as the package and frame buffers may be used.
    Bytes key = random_bytes(32), nonce = random_bytes(12), plain = random_bytes(1000), buffer = plain, tag(16);
    aes256_gcm_seal(key.data(), nonce.data(), nullptr, 0, buffer.data(), buffer.size(), buffer.data(), tag.data());
    EXPECT_NE(buffer, plain);
    EXPECT_TRUE(aes256_gcm_open(key.data(), nonce.data(), nullptr, 0, buffer.data(), buffer.size(), tag.data(), buffer.data()));
    EXPECT_EQ(buffer, plain);
}

TEST(PackageCipher, PackagesOfThePreviousCipherStillOpen) {
    // Made by the cipher the device had before, with a key of 40 characters (32 are used).
    Bytes package = hex("da8497dbfd49539fa7af0b3e993ecc5d66f14ec7468c7df05a303b6cb289206842d210368e7e1c49cfeb5c87e332f9af"
                        "3310b6400b2c8536d6614f70e1fcbf4f92aefb114a47260a97beff6b0b806e1d15f5");
    const std::string plain = std::string("PK\x03\x04", 4) + " customisation package made by the previous cipher";
    unsigned char opened[128];
    ASSERT_EQ(aesDecryWeb(package.data(), static_cast<int>(package.size()), "0123456789abcdef0123456789abcdef", opened,
                          sizeof opened),
              static_cast<int>(plain.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(opened), plain.size()), plain);
    EXPECT_EQ(aesDecryWeb(package.data(), static_cast<int>(package.size()), "0123456789abcdef0123456789abcde", opened,
                          sizeof opened),
              -1);
}

// ---- X25519 --------------------------------------------------------------------------------------

Bytes our_x25519(const Bytes &scalar, const Bytes &point, bool *ok = nullptr) {
    Bytes out(kX25519Bytes);
    bool result = x25519(scalar.data(), point.data(), out.data());
    if (ok) *ok = result;
    return out;
}

TEST(X25519, PublishedVectors) {
    EXPECT_EQ(our_x25519(hex("a546e36bf0527c9d3b16154b82465edd62144c0ac1fc5a18506a2244ba449ac4"),
                         hex("e6db6867583030db3594c1a424b15f7c726624ec26b3353b10a903a6d0ab1c4c")),
              hex("c3da55379de9c6908e94ea4df28d084f32eccf03491c71f754b4075577a28552"));
    EXPECT_EQ(our_x25519(hex("4b66e9d4d1b4673c5ad22691957d6af5c11b6421e0ea01d42ca4169e7918ba0d"),
                         hex("e5210f12786811d3f4b7959d0538ae2c31dbe7106fc03c3efc4cd549c715a493")),
              hex("95cbde9476e8907d7aade45cb4b873f88b595a68799fa152e6f8f7647aac7957"));

    // k = u = 9, then repeatedly k, u = X25519(k, u), k.
    Bytes k(32, 0), u(32, 0);
    k[0] = u[0] = 9;
    for (int i = 1; i <= 1000; i++) {
        Bytes next = our_x25519(k, u);
        u = k;
        k = next;
        if (i == 1) {
            EXPECT_EQ(k, hex("422c8e7a6227d7bca1350b3e2bb7279f7897b87bb6854b783c60e80311ae3079"));
        }
    }
    EXPECT_EQ(k, hex("684cf59ba83309552800ef566f2f4d3c1c3887c49360e3875f2eb94d99532c51"));

    // The key agreement example: both public keys and the shared secret from either side.
    Bytes alice = hex("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a");
    Bytes bob = hex("5dab087e624a8a4b79e17f8b83800ee66f3bb1292618b6fd1c2f8b27ff88e0eb");
    Bytes alice_public(32), bob_public(32);
    x25519_public_key(alice.data(), alice_public.data());
    x25519_public_key(bob.data(), bob_public.data());
    EXPECT_EQ(alice_public, hex("8520f0098930a754748b7ddcb43ef75a0dbf3a0d26381af4eba4a98eaa9b4e6a"));
    EXPECT_EQ(bob_public, hex("de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f"));
    Bytes shared = hex("4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742");
    EXPECT_EQ(our_x25519(alice, bob_public), shared);
    EXPECT_EQ(our_x25519(bob, alice_public), shared);
}

// OpenSSL's X25519 of a raw private key and a peer's public key; empty when it refuses.
Bytes openssl_x25519(const Bytes &private_key, const Bytes &peer) {
    EVP_PKEY *own = EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, private_key.data(), 32);
    EVP_PKEY *other = EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peer.data(), 32);
    EVP_PKEY_CTX *ctx = EVP_PKEY_CTX_new(own, nullptr);
    Bytes shared(32);
    size_t length = shared.size();
    bool ok = ctx && EVP_PKEY_derive_init(ctx) == 1 && EVP_PKEY_derive_set_peer(ctx, other) == 1 &&
              EVP_PKEY_derive(ctx, shared.data(), &length) == 1;
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(other);
    EVP_PKEY_free(own);
    return ok ? shared : Bytes();
}

Bytes openssl_public_key(const Bytes &private_key) {
    EVP_PKEY *own = EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, private_key.data(), 32);
    Bytes out(32);
    size_t length = out.size();
    EVP_PKEY_get_raw_public_key(own, out.data(), &length);
    EVP_PKEY_free(own);
    return out;
}

TEST(X25519, AgreesWithOpenSslBothWays) {
    for (int i = 0; i < 40; i++) {
        Bytes a = random_bytes(32), b = random_bytes(32), a_public(32), b_public(32);
        x25519_public_key(a.data(), a_public.data());
        x25519_public_key(b.data(), b_public.data());
        EXPECT_EQ(a_public, openssl_public_key(a));
        Bytes shared = our_x25519(a, b_public);
        EXPECT_EQ(shared, openssl_x25519(b, a_public));
        EXPECT_EQ(shared, openssl_x25519(a, b_public));
        // Any 32 bytes are a point: the top bit is ignored and values from p upwards wrap.
        Bytes point = random_bytes(32);
        if (i % 4 == 0) point.assign(32, 0xff);
        EXPECT_EQ(our_x25519(a, point), openssl_x25519(a, point)) << "point " << i;
    }
}

TEST(X25519, PointsOfSmallOrderGiveNoSecret) {
    Bytes key = random_bytes(32);
    Bytes p = hex("edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f");  // 2^255 - 19, which is 0
    Bytes p_plus_1 = p;
    p_plus_1[0]++;
    for (const Bytes &point : {Bytes(32, 0), hex("01"), p, p_plus_1}) {
        Bytes padded = point;
        padded.resize(32, 0);
        bool ok = true;
        EXPECT_EQ(our_x25519(key, padded, &ok), Bytes(32, 0));
        EXPECT_FALSE(ok);
        EXPECT_TRUE(openssl_x25519(key, padded).empty());  // OpenSSL refuses these too
    }
}

// ---- P2P frames as a peer using OpenSSL sees them -----------------------------------------

class P2pFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
        peer_private_ = random_bytes(32);
    }
    void TearDown() override {
        close(fds_[0]);
        close(fds_[1]);
    }
    // Switches keys with our side on fds_[0]; the peer's session key is SHA-256 of the secret.
    bool switch_keys(const Bytes &peer_public) {
        if (write(fds_[1], peer_public.data(), 32) != 32) return false;
        if (p2p_create_keyfile() != 0 || p2p_cli_switch_keyfile(fds_[0]) != 0) return false;
        Bytes our_public(32);
        if (read(fds_[1], our_public.data(), 32) != 32) return false;
        Bytes shared = openssl_x25519(peer_private_, our_public);
        session_key_.resize(SHA256_DIGEST_LENGTH);
        SHA256(shared.data(), shared.size(), session_key_.data());
        return true;
    }
    Bytes read_peer(size_t count) {
        Bytes out(count);
        size_t got = 0;
        while (got < count) {
            ssize_t n = read(fds_[1], out.data() + got, count - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        out.resize(got);
        return out;
    }
    int fds_[2];
    Bytes peer_private_, session_key_;
};

TEST_F(P2pFrames, FramesOpenWithOpenSslBothWays) {
    ASSERT_TRUE(switch_keys(openssl_public_key(peer_private_)));
    const std::string message = "registration record";
    ASSERT_EQ(p2p_send(fds_[0], message.data(), static_cast<int>(message.size())), 0);
    Bytes frame = read_peer(static_cast<size_t>(rsa_cal_ensize(static_cast<int>(message.size()))));
    ASSERT_EQ(frame.size(), 4 + 12 + message.size() + 16);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 4), Bytes({static_cast<uint8_t>(12 + message.size() + 16), 0, 0, 0}));
    Bytes nonce(frame.begin() + 4, frame.begin() + 16), cipher(frame.begin() + 16, frame.end() - 16),
        tag(frame.end() - 16, frame.end()), plain;
    ASSERT_TRUE(openssl_gcm(false, session_key_, nonce, Bytes(), cipher, &plain, &tag));
    EXPECT_EQ(std::string(plain.begin(), plain.end()), message);

    // The answer, sealed by the peer; then the same frame with one bit changed.
    const std::string answer = "server answer";
    Bytes sealed, answer_tag, answer_nonce = random_bytes(12);
    ASSERT_TRUE(openssl_gcm(true, session_key_, answer_nonce, Bytes(), Bytes(answer.begin(), answer.end()), &sealed,
                            &answer_tag));
    Bytes reply = {static_cast<uint8_t>(12 + sealed.size() + 16), 0, 0, 0};
    reply.insert(reply.end(), answer_nonce.begin(), answer_nonce.end());
    reply.insert(reply.end(), sealed.begin(), sealed.end());
    reply.insert(reply.end(), answer_tag.begin(), answer_tag.end());
    char buffer[64] = {0};
    ASSERT_EQ(write(fds_[1], reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    ASSERT_EQ(p2p_recv(fds_[0], buffer, sizeof buffer), static_cast<int>(answer.size()));
    EXPECT_EQ(std::string(buffer, answer.size()), answer);
    reply[20] ^= 1;
    memset(buffer, 0, sizeof buffer);
    ASSERT_EQ(write(fds_[1], reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    EXPECT_EQ(p2p_recv(fds_[0], buffer, sizeof buffer), -1);
    EXPECT_EQ(std::string(buffer), "");
}

TEST_F(P2pFrames, APeerKeyOfSmallOrderFailsTheSwitch) {
    EXPECT_FALSE(switch_keys(Bytes(32, 0)));
    EXPECT_EQ(p2p_send(fds_[0], "x", 1), -1);
}

}  // namespace
