// AVI writer: turns the recorder's frames (88-byte frame header, then the frame data) into an
// AVI file written front to back on a stream that cannot seek (a pipe to the web client).
#ifndef NVR_PLATFORM_AVILIB_H
#define NVR_PLATFORM_AVILIB_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// The frame header the daemon puts before every frame of a playback export. The daemon and this
// writer share it; the routes read only the frame length. An all-zero header is a key frame of
// the default codec (H.264) at the default size and rate.
enum FrameCodec : uint32_t { kFrameCodecH264 = 0, kFrameCodecH265 = 1, kFrameCodecMjpeg = 2 };
enum FrameType : uint32_t { kFrameKey = 0, kFramePredicted = 1 };

struct FrameHeader {
    uint32_t codec;       // FrameCodec
    uint32_t frame_type;  // FrameType
    uint32_t width;       // pixels; 0: the default
    uint32_t height;      // pixels; 0: the default
    uint32_t frame_rate;  // frames per second; 0: the default
    int32_t channel;
    int64_t timestamp_ms;  // capture time, milliseconds since 1970
    uint32_t sequence;     // frame number within the export
    uint32_t reserved0;
    int32_t frame_length;  // bytes of frame data that follow the header
    uint8_t reserved1[44];
};
static_assert(sizeof(FrameHeader) == 88, "frame header is 88 bytes");
static_assert(offsetof(FrameHeader, timestamp_ms) == 24, "timestamp at 24");
static_assert(offsetof(FrameHeader, frame_length) == 40, "frame length at 40");

constexpr int kFrameHeaderSize = sizeof(FrameHeader);
constexpr uint32_t kAviDefaultWidth = 1280;
constexpr uint32_t kAviDefaultHeight = 720;
constexpr uint32_t kAviDefaultFrameRate = 25;

struct QvAvi;

// Opens a writer on out. Nothing is written until the first frame (or the close): the file's
// headers describe the first frame's codec, size and rate. 0, or -1 for a null argument or no
// memory.
int qv_avi_open_fp(FILE *out, QvAvi **avi);

// Takes one frame as two consecutive writes: first its 88-byte header, then its data (the
// header's frame length, or the length given when it differs). Each frame becomes one chunk,
// flushed at once. 0, or -1 for a write out of turn or a failed write (later writes fail too).
int qv_avi_write_fp_ex(QvAvi *avi, const void *bytes, int length);

// Ends the file: the headers when no frame came, then the index. Nothing is written after it.
// Frees the writer. 0, or -1 when a write failed.
int qv_avi_close_fp(QvAvi *avi);

#endif
