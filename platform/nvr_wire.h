// Frame header of the recorder daemon's local socket protocol, shared by the client and nvrsimd.
#ifndef NVR_PLATFORM_WIRE_H
#define NVR_PLATFORM_WIRE_H

#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/socket.h>
#include <unistd.h>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the daemon's records and frames are little-endian; this build assumes a little-endian host"
#endif

// 32-byte header in front of every request and reply; the payload follows it.
struct MessageHeader {
    uint32_t magic;        // kWireMagic, the bytes 'N' 'V' 'R' 'M'
    uint16_t version;      // kWireVersion
    uint16_t header_size;  // sizeof(MessageHeader)
    uint32_t sequence;     // request number on the connection; a reply repeats it
    int32_t code;          // request code, or reply code (request + 5000)
    uint32_t flags;        // 0
    int32_t length;        // payload bytes, 0 to kWireMaxPayload
    uint8_t reserved[8];   // 0
};
static_assert(sizeof(MessageHeader) == 32, "daemon frame header is 32 bytes");
static_assert(offsetof(MessageHeader, sequence) == 8, "sequence at 8");
static_assert(offsetof(MessageHeader, code) == 12, "code at 12");
static_assert(offsetof(MessageHeader, flags) == 16, "flags at 16");
static_assert(offsetof(MessageHeader, length) == 20, "length at 20");
static_assert(offsetof(MessageHeader, reserved) == 24, "reserved at 24");

constexpr uint32_t kWireMagic = 0x4D52564E;
constexpr uint16_t kWireVersion = 1;
constexpr int32_t kWireMaxPayload = 16777216;
constexpr int kReplyCodeOffset = 5000;

// True when a received header may be dispatched (magic, version, size and length in range).
inline bool wire_header_valid(const MessageHeader &h) {
    return h.magic == kWireMagic && h.version == kWireVersion && h.header_size == sizeof(MessageHeader) &&
           h.length >= 0 && h.length <= kWireMaxPayload;
}

// Reads exactly n bytes from a stream socket; false on error or end of stream.
inline bool wire_read_full(int fd, void *buf, size_t n) {
    char *p = static_cast<char *>(buf);
    while (n > 0) {
        ssize_t got = read(fd, p, n);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

// Writes exactly n bytes to a stream socket (never raising SIGPIPE); false on error.
inline bool wire_write_full(int fd, const void *buf, size_t n) {
    const char *p = static_cast<const char *>(buf);
    while (n > 0) {
        ssize_t put = send(fd, p, n, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

#endif
