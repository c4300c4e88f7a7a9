// URL-safe Base64 helpers of the maker's crypto library.
#ifndef NVR_PLATFORM_QVCRYPT_H
#define NVR_PLATFORM_QVCRYPT_H

// Encodes length bytes with the alphabet A-Z a-z 0-9 '-' '_' and no padding. Returns the
// text length, or -1 when the result (with its NUL) does not fit in out_size.
int base64EncodeUrl(const unsigned char *data, int length, char *out, int out_size);

// Decodes URL-safe (or standard) Base64, with or without '=' padding. Returns the byte count
// (a NUL is added when there is room), or -1 for text that is not Base64 or does not fit.
int base64DecodeUrl(const char *text, unsigned char *out, int out_size);

#endif
