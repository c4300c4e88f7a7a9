// Byte layouts of module "/4000": the requests sent to the daemon and the replies read back.
#ifndef NVR_PLAYBACK_PLAYBACK_PAYLOADS_H
#define NVR_PLAYBACK_PLAYBACK_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

constexpr int kPlaybackListCapacity = 64;
constexpr int kPlaybackTimeText = 32;

// Request codes.
enum PlaybackRequest {
    kRequestPlaybackStart = 1159,
    kRequestPlaybackClose = 1160,
    kRequestPlaybackPage = 1161,
    kRequestTimePlayback = 1162,
    kRequestPlaybackStop = 1164,
    kRequestPlaybackPause = 1165,
    kRequestPlaybackResume = 1166,
    kRequestPlaybackSpeed = 1167,
    kRequestPlaybackStep = 1170,
    kRequestPlaybackJump = 1171,
    kRequestPlaybackExport = 1173,
    kRequestSetTranscoding = 1176,
    kRequestTranscodingState = 1177,
    kRequestDownloadCleared = 1178,
    kRequestPlaybackFastForward = 1112,
    kRequestPlaybackStepBatch = 1113,
    kRequestPlaybackSlowForward = 1149,
    kRequestPlayTime = 1153,
    kRequestSessionStopped = 1903,
    kRequestStopLive = 1901,
    kRequestStopAllLive = 1902,
    kRequestSetImage = 1205,
    kRequestGetImage = 3002,
    kRequestMaskPlayback = 3109,
    kRequestStartLive = 3500,
    kRequestPlaybackAddress = 3502,
    kRequestRtspAddresses = 3503,
    kRequestExternalPorts = 3506,
    kRequestBusyState = 4011,
};

// Sessions to stop, pause, step or speed up (1160, 1164, 1165, 1170, 1112, 1113).
struct SessionList {
    int32_t sessions[kPlaybackListCapacity];
    int32_t reserved;  // 0
    int32_t speeds[kPlaybackListCapacity];  // fast-forward only, in the order of the sessions
    int32_t zero[kPlaybackListCapacity];
    int32_t count;
};
static_assert(offsetof(SessionList, reserved) == 256, "session list word at 256");
static_assert(offsetof(SessionList, speeds) == 260, "session speeds at 260");
static_assert(offsetof(SessionList, count) == 772, "session count at 772");
static_assert(sizeof(SessionList) == 776, "session list is 776 bytes");

// A speed for sessions (1167) or channels (1149).
struct SpeedList {
    int32_t speed;
    int32_t single_session;
    int32_t entries[kPlaybackListCapacity];
    int32_t count;
};
static_assert(offsetof(SpeedList, count) == 264, "speed list count at 264");
static_assert(sizeof(SpeedList) == 268, "speed list is 268 bytes");

// Opens playback of a channel for a time span (1159).
struct PlaybackStart {
    char channels[68];  // '1' for the chosen channel, '0' for every other one of the device
    int32_t one;        // 1
    int32_t main_stream;  // 1 when streamType is 1
    int32_t minus_one[2];
    char start_time[kPlaybackTimeText];
    char end_time[kPlaybackTimeText];
    uint8_t zero[68];
};
static_assert(offsetof(PlaybackStart, one) == 68, "playback start flag at 68");
static_assert(offsetof(PlaybackStart, start_time) == 84, "playback start time at 84");
static_assert(offsetof(PlaybackStart, end_time) == 116, "playback end time at 116");
static_assert(sizeof(PlaybackStart) == 216, "playback start is 216 bytes");

// Moves sessions to a time (1171).
struct JumpRequest {
    int32_t channels[kPlaybackListCapacity];
    int32_t sessions[kPlaybackListCapacity];
    int32_t count;
    char jump_time[64];
};
static_assert(offsetof(JumpRequest, count) == 512, "jump count at 512");
static_assert(sizeof(JumpRequest) == 580, "jump request is 580 bytes");

// Playback of one channel from a time (1162).
struct TimePlayback {
    int32_t channel;
    int32_t session;
    int32_t zero[2];
    char start_time[kPlaybackTimeText];
    char end_time[kPlaybackTimeText];
    char play_time[kPlaybackTimeText];
};
static_assert(offsetof(TimePlayback, start_time) == 16, "time playback start at 16");
static_assert(offsetof(TimePlayback, play_time) == 80, "time playback play time at 80");
static_assert(sizeof(TimePlayback) == 112, "time playback is 112 bytes");

// Playback of the channels of eight masks from a time (3109).
struct MaskPlayback {
    int32_t play_time;  // seconds since 1970, from local time
    char play_text[kPlaybackTimeText];
    int32_t masks[8];
};
static_assert(offsetof(MaskPlayback, masks) == 36, "masks at 36");
static_assert(sizeof(MaskPlayback) == 68, "mask playback is 68 bytes");

// A live stream to start (3500) or stop (1901, source 0).
struct LiveStream {
    int32_t channel;
    int32_t stream_type;
    int32_t stream_source;
};
static_assert(sizeof(LiveStream) == 12, "live stream is 12 bytes");

// A channel's image parameters (1205).
struct ImageParams {
    int32_t channel;
    int32_t brightness;
    int32_t contrast;
    int32_t saturation;
    int32_t sharpness;
    int32_t noise_reduction;
    int32_t i2ddnr;
};
static_assert(sizeof(ImageParams) == 28, "image parameters are 28 bytes");

// Transcoding of a playback session (1176).
struct TranscodingRequest {
    int32_t ch, sid, trancodingmode, framesize, bitrate, framerate;
};
static_assert(sizeof(TranscodingRequest) == 24, "transcoding request is 24 bytes");

// One page of a session's sections (1161).
struct PageRequest {
    int32_t sid;
    int32_t page;
    int32_t zero[3];
};
static_assert(sizeof(PageRequest) == 20, "page request is 20 bytes");

// A time span of one channel to export as frames (1173).
struct ExportRequest {
    int32_t channel;
    int32_t stream_type;
    char start_time[kPlaybackTimeText];  // "%d-%d-%d %d:%d:%d", local time
    char end_time[kPlaybackTimeText];
};
static_assert(offsetof(ExportRequest, end_time) == 40, "export end time at 40");
static_assert(sizeof(ExportRequest) == 72, "export request is 72 bytes");

// ---- replies ----------------------------------------------------------------------------------

// One recorded section (6159, 6161).
struct SectionRecord {
    int32_t channel;
    int32_t session;
    int32_t reserved0;
    int32_t lock;
    int32_t reserved1;
    int32_t record_type;
    char start_time[20];
    char end_time[20];
    uint8_t reserved2[16];
};
static_assert(offsetof(SectionRecord, lock) == 12, "section lock at 12");
static_assert(offsetof(SectionRecord, record_type) == 20, "section record type at 20");
static_assert(offsetof(SectionRecord, start_time) == 24, "section start at 24");
static_assert(offsetof(SectionRecord, end_time) == 44, "section end at 44");
static_assert(sizeof(SectionRecord) == 80, "section record is 80 bytes");

// The session a mask playback opened (8103).
struct PlaybackOpened {
    int32_t session;
    char play_time[kPlaybackTimeText];
    int32_t result;  // 0: opened
};
static_assert(sizeof(PlaybackOpened) == 40, "playback opened reply is 40 bytes");

// Image parameters of a channel (8002).
struct ImageParamsReply {
    int32_t channel;
    int32_t brightness, contrast, saturation, sharpness, noise_reduction, i2ddnr;
    int32_t result;
    int32_t support_lpr, nt_platform, panorama_stitch;
};
static_assert(offsetof(ImageParamsReply, result) == 28, "image result at 28");
static_assert(sizeof(ImageParamsReply) == 44, "image parameters reply is 44 bytes");

// A started live stream (8500): numbers at the start; texts further on, when the reply has them.
struct LiveStreamReply {
    int32_t channel;
    int32_t port;
    int32_t reserved[4];
    int32_t direct;
    int32_t result;
};
static_assert(offsetof(LiveStreamReply, direct) == 24, "live direct flag at 24");
static_assert(sizeof(LiveStreamReply) == 32, "live stream reply needs 32 bytes");
constexpr int kLiveRtspAddressOffset = 96;
constexpr int kLiveResourcePathOffset = 352;
constexpr int kLiveTextSize = 256;

// Where a playback session can be fetched (8502).
struct PlaybackAddress {
    int32_t session;
    int32_t port;
    int32_t external_port;
    int32_t external_http_port;
    int32_t ddns_port;
    int32_t ddns_http_port;
    char source_path[128];
};
static_assert(sizeof(PlaybackAddress) == 152, "playback address reply is 152 bytes");

// The stream addresses of a camera (8503).
constexpr int kRtspAddressRecordSize = 1476;

// Export frames (6173): the frame header, continuation mark, piece length, then the piece.
constexpr int kExportMarkOffset = 88;
constexpr int kExportPieceLengthOffset = 92;
constexpr int kExportDataOffset = 96;
constexpr int kExportMaxPiece = 614400;
constexpr int kExportEnd = -1;
constexpr int kExportInterrupted = -2;

#endif
