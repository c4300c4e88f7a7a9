// Bounded reading of a daemon reply payload: numbers and texts only from inside the payload.
#ifndef NVR_CORE_REPLY_VIEW_H
#define NVR_CORE_REPLY_VIEW_H

#include <stdint.h>
#include <string.h>

#include <string>

class ReplyView {
  public:
    ReplyView(const void *payload, int length)
        : bytes_(static_cast<const char *>(payload)), length_(payload && length > 0 ? length : 0) {}

    // True when the payload holds at least `bytes` bytes.
    bool holds(int64_t bytes) const { return bytes_ != nullptr && bytes >= 0 && bytes <= length_; }

    // The 32-bit little-endian number at a byte offset; 0 outside the payload.
    int32_t number(int offset) const {
        int32_t value = 0;
        if (offset >= 0 && holds(static_cast<int64_t>(offset) + 4)) memcpy(&value, bytes_ + offset, 4);
        return value;
    }

    // One byte; 0 outside the payload.
    int byte(int offset) const {
        return offset >= 0 && holds(static_cast<int64_t>(offset) + 1) ? static_cast<unsigned char>(bytes_[offset]) : 0;
    }

    // The text of a field of `size` bytes: up to its first NUL, never past the field or the payload.
    std::string text(int offset, int size) const {
        if (offset < 0 || size <= 0 || !holds(offset)) return std::string();
        int room = length_ - offset;
        size_t limit = static_cast<size_t>(size < room ? size : room);
        const char *start = bytes_ + offset;
        const void *nul = memchr(start, '\0', limit);
        return std::string(start, nul ? static_cast<const char *>(nul) - start : limit);
    }

    // Copies `size` bytes from a byte offset into out; false (out untouched) when they are not all
    // inside the payload.
    bool copy(int offset, void *out, size_t size) const {
        if (offset < 0 || !out || !holds(static_cast<long>(offset) + static_cast<long>(size))) return false;
        memcpy(out, bytes_ + offset, size);
        return true;
    }

    int length() const { return length_; }

  private:
    const char *bytes_;
    int length_;
};

#endif
