// AES-256 (FIPS 197) in Galois/Counter Mode (NIST SP 800-38D) with a 96-bit nonce and a
// 128-bit tag. Constant time: the S-box is a boolean circuit evaluated on bit planes, the
// field multiplications use masks, and the tag comparison looks at every byte.
#include "platform/crypto_aes_gcm.h"

#include <string.h>

#include "platform/crypto_bytes.h"

namespace {

// ---- AES -------------------------------------------------------------------------------------

// Exchanges the bits of b selected by mask with the bits of a that lie shift places higher.
void swap_bits(uint32_t &a, uint32_t &b, uint32_t mask, int shift) {
    uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// Transposes the 8x8 bit matrix held in each byte position of the eight words: afterwards word
// j holds bit j of every byte (bit i of each byte of it comes from word i). Its own inverse.
void transpose_bit_planes(uint32_t w[8]) {
    for (int i = 0; i < 8; i += 2) swap_bits(w[i], w[i + 1], 0x55555555u, 1);
    for (int i = 0; i < 8; i += 4) {
        swap_bits(w[i], w[i + 2], 0x33333333u, 2);
        swap_bits(w[i + 1], w[i + 3], 0x33333333u, 2);
    }
    for (int i = 0; i < 4; i++) swap_bits(w[i], w[i + 4], 0x0f0f0f0fu, 4);
}

// The AES S-box on 32 bytes at once, as the 113-gate circuit of Boyar and Peralta ("A depth-16
// circuit for the AES S-box"): x0 is the most significant bit plane, s0 the result's.
void sbox_circuit(uint32_t plane[8]) {
    uint32_t x0 = plane[7], x1 = plane[6], x2 = plane[5], x3 = plane[4];
    uint32_t x4 = plane[3], x5 = plane[2], x6 = plane[1], x7 = plane[0];
    // Top linear layer.
    uint32_t t1 = x0 ^ x3, t2 = x0 ^ x5, t3 = x0 ^ x6, t4 = x3 ^ x5, t5 = x4 ^ x6;
    uint32_t t6 = t1 ^ t5, t7 = x1 ^ x2, t8 = x7 ^ t6, t9 = x7 ^ t7, t10 = t6 ^ t7;
    uint32_t t11 = x1 ^ x5, t12 = x2 ^ x5, t13 = t3 ^ t4, t14 = t6 ^ t11, t15 = t5 ^ t11;
    uint32_t t16 = t5 ^ t12, t17 = t9 ^ t16, t18 = x3 ^ x7, t19 = t7 ^ t18, t20 = t1 ^ t19;
    uint32_t t21 = x6 ^ x7, t22 = t7 ^ t21, t23 = t2 ^ t22, t24 = t2 ^ t10, t25 = t20 ^ t17;
    uint32_t t26 = t3 ^ t16, t27 = t1 ^ t12;
    // Shared non-linear middle: the inversion in GF(2^8).
    uint32_t m1 = t13 & t6, m2 = t23 & t8, m3 = t14 ^ m1, m4 = t19 & x7, m5 = m4 ^ m1;
    uint32_t m6 = t3 & t16, m7 = t22 & t9, m8 = t26 ^ m6, m9 = t20 & t17, m10 = m9 ^ m6;
    uint32_t m11 = t1 & t15, m12 = t4 & t27, m13 = m12 ^ m11, m14 = t2 & t10, m15 = m14 ^ m11;
    uint32_t m16 = m3 ^ m2, m17 = m5 ^ t24, m18 = m8 ^ m7, m19 = m10 ^ m15, m20 = m16 ^ m13;
    uint32_t m21 = m17 ^ m15, m22 = m18 ^ m13, m23 = m19 ^ t25, m24 = m22 ^ m23, m25 = m22 & m20;
    uint32_t m26 = m21 ^ m25, m27 = m20 ^ m21, m28 = m23 ^ m25, m29 = m28 & m27, m30 = m26 & m24;
    uint32_t m31 = m20 & m23, m32 = m27 & m31, m33 = m27 ^ m25, m34 = m21 & m22, m35 = m24 & m34;
    uint32_t m36 = m24 ^ m25, m37 = m21 ^ m29, m38 = m32 ^ m33, m39 = m23 ^ m30, m40 = m35 ^ m36;
    uint32_t m41 = m38 ^ m40, m42 = m37 ^ m39, m43 = m37 ^ m38, m44 = m39 ^ m40, m45 = m42 ^ m41;
    uint32_t m46 = m44 & t6, m47 = m40 & t8, m48 = m39 & x7, m49 = m43 & t16, m50 = m38 & t9;
    uint32_t m51 = m37 & t17, m52 = m42 & t15, m53 = m45 & t27, m54 = m41 & t10, m55 = m44 & t13;
    uint32_t m56 = m40 & t23, m57 = m39 & t19, m58 = m43 & t3, m59 = m38 & t22, m60 = m37 & t20;
    uint32_t m61 = m42 & t1, m62 = m45 & t4, m63 = m41 & t2;
    // Bottom linear layer, with the affine constant 0x63 as the inverted outputs.
    uint32_t l0 = m61 ^ m62, l1 = m50 ^ m56, l2 = m46 ^ m48, l3 = m47 ^ m55, l4 = m54 ^ m58;
    uint32_t l5 = m49 ^ m61, l6 = m62 ^ l5, l7 = m46 ^ l3, l8 = m51 ^ m59, l9 = m52 ^ m53;
    uint32_t l10 = m53 ^ l4, l11 = m60 ^ l2, l12 = m48 ^ m51, l13 = m50 ^ l0, l14 = m52 ^ m61;
    uint32_t l15 = m55 ^ l1, l16 = m56 ^ l0, l17 = m57 ^ l1, l18 = m58 ^ l8, l19 = m63 ^ l4;
    uint32_t l20 = l0 ^ l1, l21 = l1 ^ l7, l22 = l3 ^ l12, l23 = l18 ^ l2, l24 = l15 ^ l9;
    uint32_t l25 = l6 ^ l10, l26 = l7 ^ l9, l27 = l8 ^ l10, l28 = l11 ^ l14, l29 = l11 ^ l17;
    plane[7] = l6 ^ l24;
    plane[6] = ~(l16 ^ l26);
    plane[5] = ~(l19 ^ l28);
    plane[4] = l6 ^ l21;
    plane[3] = l20 ^ l22;
    plane[2] = l25 ^ l29;
    plane[1] = ~(l13 ^ l27);
    plane[0] = ~(l6 ^ l23);
}

// SubBytes of 32 bytes (two blocks).
void sub_bytes(uint8_t bytes[32]) {
    uint32_t w[8];
    memcpy(w, bytes, sizeof w);
    transpose_bit_planes(w);
    sbox_circuit(w);
    transpose_bit_planes(w);
    memcpy(bytes, w, sizeof w);
}

// Rows shift left by their number: byte r + 4c of the result comes from column (c + r) mod 4.
void shift_rows(uint8_t state[16]) {
    uint8_t old[16];
    memcpy(old, state, sizeof old);
    for (int r = 1; r < 4; r++)
        for (int c = 0; c < 4; c++) state[r + 4 * c] = old[r + 4 * ((c + r) % 4)];
}

// Doubles each byte of a word in GF(2^8).
uint32_t double_bytes(uint32_t w) { return ((w & 0x7f7f7f7fu) << 1) ^ (((w >> 7) & 0x01010101u) * 0x1bu); }

uint32_t rotate_bytes(uint32_t w, int bytes) { return (w >> (8 * bytes)) | (w << (32 - 8 * bytes)); }

// Each column times the matrix with rows 2 3 1 1, 1 2 3 1, 1 1 2 3, 3 1 1 2. A column is a word,
// its first byte lowest, so that rotating it by a byte moves each byte to the row above.
void mix_columns(uint8_t state[16]) {
    for (int c = 0; c < 4; c++) {
        uint8_t *s = state + 4 * c;
        uint32_t column = s[0] | static_cast<uint32_t>(s[1]) << 8 | static_cast<uint32_t>(s[2]) << 16 |
                          static_cast<uint32_t>(s[3]) << 24;
        uint32_t next = rotate_bytes(column, 1);
        column = double_bytes(column ^ next) ^ next ^ rotate_bytes(column, 2) ^ rotate_bytes(column, 3);
        for (int r = 0; r < 4; r++) s[r] = static_cast<uint8_t>(column >> (8 * r));
    }
}

void add_round_key(uint8_t state[16], const uint8_t round_key[16]) {
    for (int i = 0; i < 16; i++) state[i] ^= round_key[i];
}

// Enciphers two blocks at once: the S-box circuit takes 32 bytes a pass.
void encrypt_two_blocks(const Aes256Key &key, uint8_t blocks[32]) {
    for (int b = 0; b < 2; b++) add_round_key(blocks + 16 * b, key.round_keys[0]);
    for (int round = 1; round <= 14; round++) {
        sub_bytes(blocks);
        for (int b = 0; b < 2; b++) {
            shift_rows(blocks + 16 * b);
            if (round < 14) mix_columns(blocks + 16 * b);
            add_round_key(blocks + 16 * b, key.round_keys[round]);
        }
    }
}

// ---- GCM -------------------------------------------------------------------------------------

// A field element of GHASH as four big-endian words, the first bit of the block the highest.
struct Block128 {
    uint32_t w[4];
};

Block128 load_block(const uint8_t bytes[16]) {
    Block128 b;
    for (int i = 0; i < 4; i++) b.w[i] = load_big_endian(bytes + 4 * i);
    return b;
}

// x times y in GF(2^128) with the bit order of GCM: for each bit of x from the first, add y
// when it is set, then multiply y by the field's x (a right shift, reduced by 0xe1 || 0^120).
Block128 multiply(const Block128 &x, Block128 y) {
    Block128 product = {{0, 0, 0, 0}};
    for (int i = 0; i < 128; i++) {
        uint32_t take = 0u - ((x.w[i / 32] >> (31 - i % 32)) & 1u);
        for (int k = 0; k < 4; k++) product.w[k] ^= y.w[k] & take;
        uint32_t reduce = 0u - (y.w[3] & 1u);
        y.w[3] = (y.w[3] >> 1) | (y.w[2] << 31);
        y.w[2] = (y.w[2] >> 1) | (y.w[1] << 31);
        y.w[1] = (y.w[1] >> 1) | (y.w[0] << 31);
        y.w[0] = (y.w[0] >> 1) ^ (0xe1000000u & reduce);
    }
    return product;
}

// GHASH over one or more pieces, each zero-padded to whole blocks.
class Ghash {
  public:
    explicit Ghash(const uint8_t hash_key[16]) : key_(load_block(hash_key)) {}
    void add(const uint8_t *data, size_t length) {
        for (size_t offset = 0; offset < length; offset += 16) {
            uint8_t block[16] = {0};
            memcpy(block, data + offset, length - offset < 16 ? length - offset : 16);
            add_block(block);
        }
    }
    // Adds the lengths block and writes the result.
    void finish(uint64_t aad_length, uint64_t text_length, uint8_t out[16]) {
        uint8_t lengths[16];
        store_big_endian(lengths, static_cast<uint32_t>(aad_length >> 29));
        store_big_endian(lengths + 4, static_cast<uint32_t>(aad_length << 3));
        store_big_endian(lengths + 8, static_cast<uint32_t>(text_length >> 29));
        store_big_endian(lengths + 12, static_cast<uint32_t>(text_length << 3));
        add_block(lengths);
        for (int i = 0; i < 4; i++) store_big_endian(out + 4 * i, sum_.w[i]);
    }

  private:
    void add_block(const uint8_t block[16]) {
        Block128 b = load_block(block);
        for (int i = 0; i < 4; i++) sum_.w[i] ^= b.w[i];
        sum_ = multiply(sum_, key_);
    }
    Block128 key_;
    Block128 sum_ = {{0, 0, 0, 0}};
};

// The GCM key material for one message: the expanded key, the hash key, and the counter block
// J0 = nonce || 1.
struct GcmMessage {
    GcmMessage(const uint8_t key[kAesGcmKeyBytes], const uint8_t nonce[kAesGcmNonceBytes]) {
        aes256_expand_key(key, &aes);
        uint8_t zero[16] = {0};
        aes256_encrypt_block(aes, zero, hash_key);
        memcpy(counter, nonce, kAesGcmNonceBytes);
        store_big_endian(counter + 12, 1);
    }
    ~GcmMessage() {
        volatile uint8_t *wipe = reinterpret_cast<volatile uint8_t *>(this);
        for (size_t i = 0; i < sizeof *this; i++) wipe[i] = 0;
    }
    // CTR mode from the counter after J0: out = in xor keystream.
    void apply_keystream(const uint8_t *in, size_t length, uint8_t *out) const {
        uint32_t next = 2;
        uint8_t stream[32];
        for (size_t offset = 0; offset < length; offset += 32) {
            for (int b = 0; b < 2; b++) {
                memcpy(stream + 16 * b, counter, 12);
                store_big_endian(stream + 16 * b + 12, next++);
            }
            encrypt_two_blocks(aes, stream);
            size_t n = length - offset < 32 ? length - offset : 32;
            for (size_t i = 0; i < n; i++) out[offset + i] = in[offset + i] ^ stream[i];
        }
    }
    // The tag: GHASH of the additional data and the ciphertext, enciphered J0 added.
    void tag(const uint8_t *aad, size_t aad_length, const uint8_t *cipher, size_t length, uint8_t out[16]) const {
        Ghash hash(hash_key);
        hash.add(aad, aad_length);
        hash.add(cipher, length);
        uint8_t sum[16], mask[16];
        hash.finish(aad_length, length, sum);
        aes256_encrypt_block(aes, counter, mask);
        for (int i = 0; i < 16; i++) out[i] = sum[i] ^ mask[i];
    }
    Aes256Key aes;
    uint8_t hash_key[16];
    uint8_t counter[16];
};

}  // namespace

void aes256_expand_key(const uint8_t key[kAesGcmKeyBytes], Aes256Key *expanded) {
    // 60 words w[i] of four bytes: the key, then w[i-8] xor a function of w[i-1].
    uint8_t *w = &expanded->round_keys[0][0];
    memcpy(w, key, kAesGcmKeyBytes);
    uint8_t round_constant = 1;
    for (int i = 8; i < 60; i++) {
        uint8_t word[32] = {0};
        memcpy(word, w + 4 * (i - 1), 4);
        if (i % 8 == 0) {
            uint8_t first = word[0];
            memmove(word, word + 1, 3);
            word[3] = first;
        }
        if (i % 4 == 0) sub_bytes(word);
        if (i % 8 == 0) {
            word[0] ^= round_constant;
            round_constant = static_cast<uint8_t>((round_constant << 1) ^ ((round_constant >> 7) * 0x1b));
        }
        for (int k = 0; k < 4; k++) w[4 * i + k] = static_cast<uint8_t>(w[4 * (i - 8) + k] ^ word[k]);
    }
}

void aes256_encrypt_block(const Aes256Key &key, const uint8_t in[16], uint8_t out[16]) {
    uint8_t blocks[32] = {0};
    memcpy(blocks, in, 16);
    encrypt_two_blocks(key, blocks);
    memcpy(out, blocks, 16);
}

void aes256_gcm_seal(const uint8_t key[kAesGcmKeyBytes], const uint8_t nonce[kAesGcmNonceBytes], const uint8_t *aad,
                     size_t aad_length, const uint8_t *in, size_t length, uint8_t *out, uint8_t tag[kAesGcmTagBytes]) {
    GcmMessage message(key, nonce);
    message.apply_keystream(in, length, out);
    message.tag(aad, aad_length, out, length, tag);
}

bool aes256_gcm_open(const uint8_t key[kAesGcmKeyBytes], const uint8_t nonce[kAesGcmNonceBytes], const uint8_t *aad,
                     size_t aad_length, const uint8_t *in, size_t length, const uint8_t tag[kAesGcmTagBytes],
                     uint8_t *out) {
    GcmMessage message(key, nonce);
    uint8_t expected[kAesGcmTagBytes];
    message.tag(aad, aad_length, in, length, expected);
    uint8_t difference = 0;
    for (size_t i = 0; i < kAesGcmTagBytes; i++) difference |= static_cast<uint8_t>(expected[i] ^ tag[i]);
    if (difference != 0) return false;
    message.apply_keystream(in, length, out);
    return true;
}
