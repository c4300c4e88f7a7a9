// URL-safe Base64 helpers of the maker's crypto library.
#include "platform/qvcrypt.h"

#include <string.h>

namespace {

const char kUrlAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-' || c == '+') return 62;
    if (c == '_' || c == '/') return 63;
    return -1;
}

}  // namespace

int base64EncodeUrl(const unsigned char *data, int length, char *out, int out_size) {
    if (!data || length < 0 || !out) return -1;
    long needed = (static_cast<long>(length) * 4 + 2) / 3;
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
    if (!text || !out || out_size < 0) return -1;
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == '=') length--;
    if (length % 4 == 1) return -1;
    int o = 0;
    unsigned value = 0;
    int bits = 0;
    for (size_t i = 0; i < length; i++) {
        int s = sextet(text[i]);
        if (s < 0) return -1;
        value = (value << 6) | static_cast<unsigned>(s);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (o >= out_size) return -1;
            out[o++] = static_cast<unsigned char>((value >> bits) & 0xFF);
        }
    }
    if (o < out_size) out[o] = '\0';
    return o;
}
