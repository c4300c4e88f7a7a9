// AVI writer: turns the recorder's frames into an AVI file written front to back on a stream
// that cannot seek.
//
// Layout: RIFF 'AVI ' { LIST 'hdrl' { avih, LIST 'strl' { strh, strf } }, LIST 'movi' { '00dc'
// chunk per frame }, idx1 }. The sizes of RIFF and movi and the frame totals are not known while
// the file is written, so they hold 0xFFFFFFFF, as tools writing AVI to a pipe do; readers take
// the index after movi. The index grows by 16 bytes a frame: beyond a few thousand entries it
// waits in a private temporary file, so memory stays bounded however long the export runs.
#include "platform/avilib.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "platform/devroot.h"

namespace {

constexpr uint32_t kUnknownSize = 0xFFFFFFFF;
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint32_t kMainHeaderSize = 56;
constexpr uint32_t kStreamHeaderSize = 56;
constexpr uint32_t kBitmapInfoSize = 40;
constexpr uint32_t kStreamListSize = 4 + (8 + kStreamHeaderSize) + (8 + kBitmapInfoSize);
constexpr uint32_t kHeaderListSize = 4 + (8 + kMainHeaderSize) + (8 + kStreamListSize);
constexpr size_t kIndexEntrySize = 16;
constexpr size_t kIndexEntriesInMemory = 4096;

// Little-endian byte builder for the file's head and its index entries (at most 256 bytes).
class LeBytes {
  public:
    LeBytes &fourcc(const char *code) { return append(code, 4); }
    LeBytes &u32(uint32_t value) {
        uint8_t le[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                         static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        return append(le, 4);
    }
    LeBytes &u16(uint16_t value) {
        uint8_t le[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
        return append(le, 2);
    }
    const uint8_t *data() const { return bytes_; }
    size_t size() const { return size_; }

  private:
    LeBytes &append(const void *bytes, size_t length) {
        if (size_ + length <= sizeof bytes_) memcpy(bytes_ + size_, bytes, length);
        size_ += length;
        return *this;
    }
    uint8_t bytes_[256];
    size_t size_ = 0;
};

const char *codec_fourcc(uint32_t codec) {
    switch (codec) {
        case kFrameCodecH265: return "HEVC";
        case kFrameCodecMjpeg: return "MJPG";
        default: return "H264";
    }
}

uint32_t or_default(uint32_t value, uint32_t fallback) { return value ? value : fallback; }

// RIFF, hdrl (avih and the video stream's strl) and the start of movi, described by the first frame.
LeBytes file_head(const FrameHeader &first) {
    uint32_t width = or_default(first.width, kAviDefaultWidth);
    uint32_t height = or_default(first.height, kAviDefaultHeight);
    uint32_t rate = or_default(first.frame_rate, kAviDefaultFrameRate);
    const char *fourcc = codec_fourcc(first.codec);
    LeBytes head;
    head.fourcc("RIFF").u32(kUnknownSize).fourcc("AVI ");
    head.fourcc("LIST").u32(kHeaderListSize).fourcc("hdrl");
    head.fourcc("avih").u32(kMainHeaderSize);
    head.u32(1000000 / rate)  // microseconds per frame
        .u32(0)               // maximum bytes per second
        .u32(0)               // padding granularity
        .u32(kAvifHasIndex)
        .u32(kUnknownSize)    // total frames
        .u32(0)               // initial frames
        .u32(1)               // streams
        .u32(0)               // suggested buffer size
        .u32(width)
        .u32(height)
        .u32(0).u32(0).u32(0).u32(0);
    head.fourcc("LIST").u32(kStreamListSize).fourcc("strl");
    head.fourcc("strh").u32(kStreamHeaderSize);
    head.fourcc("vids").fourcc(fourcc)
        .u32(0)                // flags
        .u16(0).u16(0)         // priority, language
        .u32(0)                // initial frames
        .u32(1).u32(rate)      // scale, rate: frames per second
        .u32(0)                // start
        .u32(kUnknownSize)     // length in frames
        .u32(0)                // suggested buffer size
        .u32(kUnknownSize)     // quality: the default
        .u32(0)                // sample size: frames vary
        .u16(0).u16(0).u16(static_cast<uint16_t>(width)).u16(static_cast<uint16_t>(height));
    head.fourcc("strf").u32(kBitmapInfoSize);
    head.u32(kBitmapInfoSize)
        .u32(width)
        .u32(height)
        .u16(1).u16(24)        // planes, bits per pixel
        .fourcc(fourcc)        // compression
        .u32(width * height * 3)
        .u32(0).u32(0).u32(0).u32(0);
    head.fourcc("LIST").u32(kUnknownSize).fourcc("movi");
    return head;
}

}  // namespace

struct QvAvi {
    FILE *out = nullptr;
    bool failed = false;
    bool head_written = false;
    bool header_taken = false;  // a frame header came; its data is next
    FrameHeader pending{};
    uint64_t movi_offset = 4;  // where the next chunk starts, counted from the 'movi' FOURCC
    std::vector<uint8_t> index;  // entries not yet spilled
    FILE *spill = nullptr;       // private temporary file of the earlier entries
    uint32_t spilled_entries = 0;

    bool put(const void *bytes, size_t length) {
        if (failed) return false;
        if (length > 0 && fwrite(bytes, 1, length, out) != length) failed = true;
        return !failed;
    }

    bool write_head(const FrameHeader &first) {
        LeBytes head = file_head(first);
        head_written = true;
        return put(head.data(), head.size());
    }

    void add_index_entry(uint32_t offset, uint32_t size, bool key) {
        LeBytes entry;
        entry.fourcc("00dc").u32(key ? kAviifKeyFrame : 0).u32(offset).u32(size);
        size_t used = index.size();
        index.resize(used + kIndexEntrySize);
        memcpy(index.data() + used, entry.data(), kIndexEntrySize);
        if (index.size() >= kIndexEntriesInMemory * kIndexEntrySize) spill_index();
    }

    // Moves the entries in memory to the temporary file; when there is none, they stay.
    void spill_index() {
        if (!spill) spill = private_temporary();
        if (!spill || fwrite(index.data(), 1, index.size(), spill) != index.size()) return;
        spilled_entries += static_cast<uint32_t>(index.size() / kIndexEntrySize);
        index.clear();
    }

    static FILE *private_temporary() {
        std::string pattern = nvr_path("/tmp/aviindex.XXXXXX");
        int fd = mkstemp(&pattern[0]);
        if (fd < 0) return nullptr;
        unlink(pattern.c_str());
        FILE *file = fdopen(fd, "w+b");
        if (!file) close(fd);
        return file;
    }

    bool write_index() {
        uint64_t entries = spilled_entries + index.size() / kIndexEntrySize;
        LeBytes head;
        head.fourcc("idx1").u32(static_cast<uint32_t>(entries * kIndexEntrySize));
        if (!put(head.data(), head.size())) return false;
        if (spill && fflush(spill) == 0 && fseek(spill, 0, SEEK_SET) == 0) {
            char buffer[8192];
            size_t got;
            while ((got = fread(buffer, 1, sizeof buffer, spill)) > 0)
                if (!put(buffer, got)) return false;
        }
        return put(index.data(), index.size());
    }
};

int qv_avi_open_fp(FILE *out, QvAvi **avi) {
    if (!out || !avi) return -1;
    *avi = new (std::nothrow) QvAvi;
    if (!*avi) return -1;
    (*avi)->out = out;
    return 0;
}

int qv_avi_write_fp_ex(QvAvi *avi, const void *bytes, int length) {
    if (!avi || length < 0 || (length > 0 && !bytes) || avi->failed) return -1;
    if (!avi->header_taken) {
        if (length != kFrameHeaderSize) return -1;
        memcpy(&avi->pending, bytes, sizeof avi->pending);
        avi->header_taken = true;
        return 0;
    }
    avi->header_taken = false;
    if (!avi->head_written && !avi->write_head(avi->pending)) return -1;
    uint32_t size = static_cast<uint32_t>(length);
    LeBytes chunk_head;
    chunk_head.fourcc("00dc").u32(size);
    static const uint8_t kPad = 0;
    if (!avi->put(chunk_head.data(), chunk_head.size()) || !avi->put(bytes, size) ||
        ((size & 1) && !avi->put(&kPad, 1)))
        return -1;
    if (fflush(avi->out) != 0) {
        avi->failed = true;
        return -1;
    }
    // Offsets beyond 4 GiB cannot be indexed in idx1; such chunks stay in movi without an entry.
    if (avi->movi_offset <= UINT32_MAX)
        avi->add_index_entry(static_cast<uint32_t>(avi->movi_offset), size, avi->pending.frame_type == kFrameKey);
    avi->movi_offset += 8 + size + (size & 1);
    return 0;
}

int qv_avi_close_fp(QvAvi *avi) {
    if (!avi) return -1;
    if (!avi->head_written) avi->write_head(FrameHeader{});
    avi->write_index();
    if (!avi->failed && fflush(avi->out) != 0) avi->failed = true;
    int result = avi->failed ? -1 : 0;
    if (avi->spill) fclose(avi->spill);
    delete avi;
    return result;
}
