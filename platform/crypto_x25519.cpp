// X25519 key agreement (RFC 7748): the Montgomery ladder over GF(2^255 - 19). Constant time in
// the scalar: no branch or memory access depends on it.
#include "platform/crypto_x25519.h"

#include <string.h>

namespace {

// An element of GF(p), p = 2^255 - 19, as eight 32-bit words, least significant first. The
// arithmetic keeps values below 2^256 but not necessarily below p; freeze() makes them canonical.
struct Field {
    uint32_t w[8];
};

// Adds 38 times carry (2^256 = 38 mod p) to r; the wrap this can cause is folded once more, and
// after that no carry is left.
void fold_carry(Field &r, uint32_t carry) {
    for (int pass = 0; pass < 2; pass++) {
        uint64_t sum = static_cast<uint64_t>(carry) * 38;
        for (int i = 0; i < 8; i++) {
            sum += r.w[i];
            r.w[i] = static_cast<uint32_t>(sum);
            sum >>= 32;
        }
        carry = static_cast<uint32_t>(sum);
    }
}

Field add(const Field &a, const Field &b) {
    Field r;
    uint64_t sum = 0;
    for (int i = 0; i < 8; i++) {
        sum += static_cast<uint64_t>(a.w[i]) + b.w[i];
        r.w[i] = static_cast<uint32_t>(sum);
        sum >>= 32;
    }
    fold_carry(r, static_cast<uint32_t>(sum));
    return r;
}

Field subtract(const Field &a, const Field &b) {
    // a - b + 2^256 wraps; a borrow means the true value is 2^256 less, that is 38 less mod p.
    Field r;
    int64_t difference = 0;
    for (int i = 0; i < 8; i++) {
        difference += static_cast<int64_t>(a.w[i]) - b.w[i];
        r.w[i] = static_cast<uint32_t>(difference);
        difference >>= 32;  // 0 or -1
    }
    for (int pass = 0; pass < 2; pass++) {
        difference *= 38;  // 0 or -38
        for (int i = 0; i < 8; i++) {
            difference += r.w[i];
            r.w[i] = static_cast<uint32_t>(difference);
            difference >>= 32;
        }
    }
    return r;
}

Field multiply(const Field &a, const Field &b) {
    uint32_t product[16] = {0};
    for (int i = 0; i < 8; i++) {
        uint64_t carry = 0;
        for (int j = 0; j < 8; j++) {
            carry += static_cast<uint64_t>(a.w[i]) * b.w[j] + product[i + j];
            product[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        product[i + 8] = static_cast<uint32_t>(carry);
    }
    // The high half counts 2^256 = 38 times.
    Field r;
    uint64_t sum = 0;
    for (int i = 0; i < 8; i++) {
        sum += static_cast<uint64_t>(product[i + 8]) * 38 + product[i];
        r.w[i] = static_cast<uint32_t>(sum);
        sum >>= 32;
    }
    fold_carry(r, static_cast<uint32_t>(sum));
    return r;
}

Field multiply_small(const Field &a, uint32_t factor) {
    Field r;
    uint64_t sum = 0;
    for (int i = 0; i < 8; i++) {
        sum += static_cast<uint64_t>(a.w[i]) * factor;
        r.w[i] = static_cast<uint32_t>(sum);
        sum >>= 32;
    }
    fold_carry(r, static_cast<uint32_t>(sum));
    return r;
}

// a^(p-2) = 1/a (0 for 0). The exponent 2^255 - 21 is public, so its bits may steer the loop.
Field invert(const Field &a) {
    Field r = a;
    for (int bit = 253; bit >= 0; bit--) {
        r = multiply(r, r);
        if (bit != 2 && bit != 4) r = multiply(r, a);
    }
    return r;
}

// Swaps a and b when swap is 1, without a branch.
void conditional_swap(Field &a, Field &b, uint32_t swap) {
    uint32_t mask = 0u - swap;
    for (int i = 0; i < 8; i++) {
        uint32_t t = (a.w[i] ^ b.w[i]) & mask;
        a.w[i] ^= t;
        b.w[i] ^= t;
    }
}

// The canonical value, below p.
Field freeze(Field a) {
    // Fold bit 255 (2^255 = 19 mod p): then a < 2^255 + 19.
    uint32_t top = a.w[7] >> 31;
    a.w[7] &= 0x7fffffffu;
    uint64_t sum = static_cast<uint64_t>(top) * 19;
    for (int i = 0; i < 8; i++) {
        sum += a.w[i];
        a.w[i] = static_cast<uint32_t>(sum);
        sum >>= 32;
    }
    // Subtract p when a >= p, that is when a + 19 reaches 2^255.
    Field plus19;
    sum = 19;
    for (int i = 0; i < 8; i++) {
        sum += a.w[i];
        plus19.w[i] = static_cast<uint32_t>(sum);
        sum >>= 32;
    }
    uint32_t reached = plus19.w[7] >> 31;
    plus19.w[7] &= 0x7fffffffu;
    conditional_swap(a, plus19, reached);
    return a;
}

Field load_field(const uint8_t bytes[32]) {
    Field f;
    for (int i = 0; i < 8; i++)
        f.w[i] = bytes[4 * i] | static_cast<uint32_t>(bytes[4 * i + 1]) << 8 |
                 static_cast<uint32_t>(bytes[4 * i + 2]) << 16 | static_cast<uint32_t>(bytes[4 * i + 3]) << 24;
    return f;
}

void store_field(const Field &f, uint8_t bytes[32]) {
    for (int i = 0; i < 32; i++) bytes[i] = static_cast<uint8_t>(f.w[i / 4] >> (8 * (i % 4)));
}

}  // namespace

bool x25519(const uint8_t scalar[kX25519Bytes], const uint8_t point[kX25519Bytes], uint8_t out[kX25519Bytes]) {
    uint8_t k[32];
    memcpy(k, scalar, sizeof k);
    k[0] &= 248;
    k[31] &= 127;
    k[31] |= 64;
    Field u = load_field(point);
    u.w[7] &= 0x7fffffffu;

    // The ladder of RFC 7748, section 5, with a24 = 121665.
    Field x2 = {{1}}, z2 = {{0}}, x3 = u, z3 = {{1}};
    uint32_t swap = 0;
    for (int t = 254; t >= 0; t--) {
        uint32_t bit = (k[t / 8] >> (t % 8)) & 1u;
        swap ^= bit;
        conditional_swap(x2, x3, swap);
        conditional_swap(z2, z3, swap);
        swap = bit;
        Field a = add(x2, z2), aa = multiply(a, a);
        Field b = subtract(x2, z2), bb = multiply(b, b);
        Field e = subtract(aa, bb);
        Field c = add(x3, z3), d = subtract(x3, z3);
        Field da = multiply(d, a), cb = multiply(c, b);
        Field sum = add(da, cb), difference = subtract(da, cb);
        x3 = multiply(sum, sum);
        z3 = multiply(u, multiply(difference, difference));
        x2 = multiply(aa, bb);
        z2 = multiply(e, add(aa, multiply_small(e, 121665)));
    }
    conditional_swap(x2, x3, swap);
    conditional_swap(z2, z3, swap);
    store_field(freeze(multiply(x2, invert(z2))), out);
    memset(k, 0, sizeof k);

    uint8_t any = 0;
    for (size_t i = 0; i < kX25519Bytes; i++) any |= out[i];
    return any != 0;
}

void x25519_public_key(const uint8_t private_key[kX25519Bytes], uint8_t public_key[kX25519Bytes]) {
    const uint8_t base_point[kX25519Bytes] = {9};
    x25519(private_key, base_point, public_key);
}
