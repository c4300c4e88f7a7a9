// Daemon payloads of the camera stream, audio and camera-function routes: stream settings and
// capabilities, audio, watermark, event stream, automatic tracking, the camera's own motion
// detection, log and URL queries. Little-endian, fixed-width fields.
#ifndef NVR_CAMERA_FUNCTION_PAYLOADS_H
#define NVR_CAMERA_FUNCTION_PAYLOADS_H

#include <stddef.h>
#include <stdint.h>

#include "core/qvdb.h"

// ---- request codes ----------------------------------------------------------------------------

constexpr int kRequestSetStream = 3203;         // StreamRequest; reply 8203
constexpr int kRequestStreamCaps = 3204;        // channel; reply 8204
constexpr int kRequestMotionStatus = 3307;      // no payload; reply 8307
constexpr int kRequestCameraMotion = 3358;      // channel; reply 8358
constexpr int kRequestCameraLog = 3360;         // CameraLogRequest; reply 8360
constexpr int kRequestSetCameraMotion = 3366;   // CameraMotionRequest; reply 8366
constexpr int kRequestAudioInfo = 3371;         // channel; reply 8371
constexpr int kRequestSetAudio = 3372;          // AudioRequest; reply 8372
constexpr int kRequestTracking = 3294;          // channel; reply 8294
constexpr int kRequestSetTracking = 3375;       // TrackingRequest; reply 8375
constexpr int kRequestSystemInfo = 3376;        // channel; reply 8376
constexpr int kRequestCustomParam = 3377;       // CustomParamRequest; reply 8377
constexpr int kRequestPtzSupport = 1262;        // channel; reply 6262
constexpr int kRequestWatermark = 1213;         // channel; reply 6213
constexpr int kRequestSetWatermark = 1216;      // WatermarkRequest; reply 6216
constexpr int kRequestEventStream = 1217;       // EventStreamQuery; reply 6217
constexpr int kRequestSetEventStream = 1218;    // EventStreamRecord; reply 6218
constexpr int kRequestLprNightMode = 1219;      // channel; reply 6219

constexpr int kChannelTextLength = 64;  // '0'/'1' per channel, channel 0 first

// ---- streams --------------------------------------------------------------------------------------

// Request 3203: the channels to change as text (no terminator), then the stream settings.
struct StreamRequest {
    char channels[kChannelTextLength];
    int32_t reserved64;
    int32_t transmitProtocol;  // -1 from "/2010"
    int32_t syncTime;          // -1 from "/2010"
    int32_t reserved76;        // -1 from "/2010"
    int32_t videoTypeEnable;
    int32_t subEnable;
    int32_t fisheyeType;
    int32_t reserved92;
    int32_t mainVideoType;
    int32_t mainResWidth;
    int32_t mainResHeight;
    int32_t mainFramerate;
    int32_t mainBitrate;
    int32_t IframeInterval;
    int32_t mainBitrateControl;
    int32_t SmartStream;
    int32_t SmartStreamLevel;
    int32_t recordtype;
    int32_t etframerate;
    int32_t etIframeinterval;
    int32_t etbitrate;
    int32_t reserved148;
    int32_t subVideoType;
    int32_t subResWidth;
    int32_t subResHeight;
    int32_t subFramerate;
    int32_t subBitrate;
    int32_t subIframeInterval;
    int32_t subBitrateControl;
    int32_t SubSmartStream;
    int32_t SubSmartStreamLevel;
    int32_t tail[4];  // -1 each from "/2010"
};
static_assert(offsetof(StreamRequest, transmitProtocol) == 68, "stream transport at 68");
static_assert(offsetof(StreamRequest, videoTypeEnable) == 80, "video type switch at 80");
static_assert(offsetof(StreamRequest, mainVideoType) == 96, "main video type at 96");
static_assert(offsetof(StreamRequest, mainBitrateControl) == 120, "main bitrate control at 120");
static_assert(offsetof(StreamRequest, recordtype) == 132, "record type at 132");
static_assert(offsetof(StreamRequest, etbitrate) == 144, "event bitrate at 144");
static_assert(offsetof(StreamRequest, subVideoType) == 152, "sub video type at 152");
static_assert(offsetof(StreamRequest, subBitrateControl) == 176, "sub bitrate control at 176");
static_assert(offsetof(StreamRequest, tail) == 188, "stream tail at 188");
static_assert(sizeof(StreamRequest) == 204, "stream request is 204 bytes");

// Reply 8203: the channel set of the change at byte 0.
constexpr int kStreamReplySize = 8;

// Reply 8204 (words): the state, the channel, then the main and the sub stream.
constexpr int kStreamResolutions = 24;
struct StreamCapsStream {
    int32_t resolution[kStreamResolutions][2];  // width, height
    int32_t framerateMax;
    int32_t framerateMin;
    int32_t bitrateMax;
    int32_t bitrateMin;
    int32_t videoType;
    int32_t width;  // current
    int32_t height;
    int32_t framerate;
    int32_t bitrate;
    int32_t iframeinterval;
    int32_t bitrateCtrl;
    int32_t iframeIntervalMin;
    int32_t iframeIntervalMax;
};
static_assert(sizeof(StreamCapsStream) == 61 * 4, "a stream's capabilities are 61 words");

struct StreamCapsReply {
    int32_t stateCode;
    int32_t channel;
    StreamCapsStream main;
    StreamCapsStream sub;
    int32_t subEnable;
    int32_t audioEnable;
    int32_t videoTypeEnable;
    int32_t ipc_type;
    int32_t mainStream;
    int32_t subStream;
    int32_t SupportSmartStream;
    int32_t SmartStream;
    int32_t SmartStreamLevel;
    int32_t SubSupportSmartStream;
    int32_t SubSmartStream;
    int32_t SubSmartStreamLevel;
    int32_t mainGop;
    int32_t subGop;
    int32_t thirdGop;
};
static_assert(offsetof(StreamCapsReply, main) + offsetof(StreamCapsStream, framerateMax) == 50 * 4,
              "main framerate maximum at word 50");
static_assert(offsetof(StreamCapsReply, main) + offsetof(StreamCapsStream, videoType) == 54 * 4,
              "main video type at word 54");
static_assert(offsetof(StreamCapsReply, main) + offsetof(StreamCapsStream, iframeIntervalMax) == 62 * 4,
              "main I-frame maximum at word 62");
static_assert(offsetof(StreamCapsReply, sub) == 63 * 4, "sub resolutions at word 63");
static_assert(offsetof(StreamCapsReply, sub) + offsetof(StreamCapsStream, videoType) == 115 * 4,
              "sub video type at word 115");
static_assert(offsetof(StreamCapsReply, subEnable) == 124 * 4, "sub switch at word 124");
static_assert(offsetof(StreamCapsReply, ipc_type) == 127 * 4, "camera type at word 127");
static_assert(offsetof(StreamCapsReply, thirdGop) == 138 * 4, "third GOP at word 138");
static_assert(sizeof(StreamCapsReply) == 556, "stream capability reply is 556 bytes");

// ---- audio ----------------------------------------------------------------------------------------

// Request 3372.
struct AudioRequest {
    uint64_t channels;  // the "channels" text's set and the camera's own channel
    int32_t chnid;
    int32_t audioEnable;
    int32_t audioMode;
    int32_t denoise;
    int32_t encoding;
    int32_t sampleRate;
    int32_t inputGain;
    int32_t inputMode;
    int32_t audioGainControl;
    int32_t outputVolume;
    int32_t audioBitrate;
    int32_t speakerVol;
    int32_t twoWaySpeakerVol;
    int32_t twoWayOutVol;
};
static_assert(offsetof(AudioRequest, chnid) == 8, "audio channel at 8");
static_assert(offsetof(AudioRequest, audioBitrate) == 48, "audio bitrate at 48");
static_assert(sizeof(AudioRequest) == 64, "audio request is 64 bytes");

// Reply 8371 (words): the capability tree, then the current configuration.
constexpr int kAudioEncodings = 9;
constexpr int kAudioSampleRates = 9;
constexpr int kAudioBitrates = 16;
struct AudioSampleRateEntry {
    int32_t sampleRateValue;
    int32_t bitrateCount;
    int32_t bitrate[kAudioBitrates];
};
struct AudioEncodingEntry {
    int32_t encodeValue;
    int32_t sampleRateCount;
    AudioSampleRateEntry sampleRate[kAudioSampleRates];
};
static_assert(sizeof(AudioSampleRateEntry) == 18 * 4, "sample-rate entry is 18 words");
static_assert(sizeof(AudioEncodingEntry) == 164 * 4, "encoding entry is 164 words");

struct AudioInfoReply {
    int32_t res;
    int32_t support;
    int32_t supportMode;
    int32_t supportInputMode;
    int32_t reserved[4];
    int32_t encodingCount;
    AudioEncodingEntry encoding[kAudioEncodings];
    int32_t chnid;
    int32_t audioEnable;
    int32_t audioMode;
    int32_t denoise;
    int32_t encodingValue;
    int32_t sampleRate;
    int32_t inputGain;
    int32_t inputMode;
    int32_t audioGainControl;
    int32_t outputVolume;
    int32_t audioBitrate;
};
static_assert(offsetof(AudioInfoReply, encodingCount) == 8 * 4, "encoding count at word 8");
static_assert(offsetof(AudioInfoReply, encoding) == 9 * 4, "encodings at word 9");
static_assert(offsetof(AudioInfoReply, chnid) == 1485 * 4, "audio channel at word 1485");
static_assert(sizeof(AudioInfoReply) == 5984, "audio reply is 5984 bytes");

// Reply 8376 (words): what the camera supports.
constexpr int kSystemInfoReplySize = 168;

// ---- watermark and event stream -------------------------------------------------------------------

// Request 1216.
struct WatermarkRequest {
    int32_t chnid;
    int32_t enable;
    int32_t reserved;
    char watermark[32];
    char copy[65];  // '1' per channel to copy to; the camera's own is always '1'
    uint8_t padding[3];
};
static_assert(offsetof(WatermarkRequest, watermark) == 12, "watermark text at 12");
static_assert(offsetof(WatermarkRequest, copy) == 44, "watermark copy channels at 44");
static_assert(sizeof(WatermarkRequest) == 112, "watermark request is 112 bytes");

// Reply 6213: chnid, enable, the text from byte 12.
constexpr int kWatermarkReplySize = 44;

// Request 1217.
struct EventStreamQuery {
    int32_t chnid;
    int32_t fisheyeType;
};
static_assert(sizeof(EventStreamQuery) == 8, "event stream query is 8 bytes");

// Request 1218 and reply 6217.
struct EventStreamRecord {
    int32_t chnid;
    int32_t reserved;
    int32_t enable;
    int32_t framerate;
    int32_t bitrate;
    int32_t iframeinterval;
};
static_assert(offsetof(EventStreamRecord, enable) == 8, "event stream switch at 8");
static_assert(sizeof(EventStreamRecord) == 24, "event stream record is 24 bytes");

// Reply 6219.
struct LprNightModeReply {
    int32_t chnid;
    int32_t nightMode;
};
static_assert(sizeof(LprNightModeReply) == 8, "night-mode reply is 8 bytes");

// ---- automatic tracking ----------------------------------------------------------------------------

constexpr int kTrackingAreaSize = 300;

// Reply 8294, and request 3375 from byte 8 on.
struct TrackingRecord {
    int32_t chnid;
    int32_t enable;
    int32_t show;
    int32_t sensitivity;
    int32_t time;
    int32_t manual_tracking;
    int32_t zoom_mode;
    int32_t zoom_number;
    WeeklySchedule schedule;
    char area[kTrackingAreaSize];
    int32_t humanVehicleSupport;
    int32_t trackingObject;
    int32_t reportMotion;
};
static_assert(offsetof(TrackingRecord, schedule) == 32, "tracking schedule at 32");
static_assert(offsetof(TrackingRecord, area) == 27744, "tracking area at 27744");
static_assert(offsetof(TrackingRecord, reportMotion) == 28052, "tracking motion report at 28052");
static_assert(sizeof(TrackingRecord) == 28056, "tracking record is 28056 bytes");

struct TrackingRequest {
    uint64_t channels;  // the "channels" text's set and the camera's own channel
    TrackingRecord record;
};
static_assert(offsetof(TrackingRequest, record) + offsetof(TrackingRecord, area) == 27752, "tracking area at 27752");
static_assert(sizeof(TrackingRequest) == 28064, "tracking request is 28064 bytes");

// ---- the camera's own motion detection -------------------------------------------------------------

constexpr int kCameraMotionMapSize = 300;

// Reply 8358, and request 3366 from byte 8 on. The schedule is in the camera form.
struct CameraMotionRecord {
    int32_t chnid;
    int32_t enable;
    int32_t sensitivity;
    int32_t minsize;
    int32_t mintime;
    int32_t adaptability;
    char map_mask[kCameraMotionMapSize];
    WeeklySchedule schedule;
    int32_t isNtPlatform;
};
static_assert(offsetof(CameraMotionRecord, map_mask) == 24, "camera motion map at 24");
static_assert(offsetof(CameraMotionRecord, schedule) == 324, "camera motion schedule at 324");
static_assert(offsetof(CameraMotionRecord, isNtPlatform) == 28036, "camera motion platform flag at 28036");
static_assert(sizeof(CameraMotionRecord) == 28040, "camera motion record is 28040 bytes");

struct CameraMotionRequest {
    uint64_t channels;  // the copy set and the camera's own channel
    CameraMotionRecord record;
};
static_assert(sizeof(CameraMotionRequest) == 28048, "camera motion request is 28048 bytes");

// ---- log and URL queries ----------------------------------------------------------------------------

// Request 3360.
struct CameraLogRequest {
    int32_t chnid;
    int32_t mainType;
    int32_t subType;
    char time[64];
};
static_assert(offsetof(CameraLogRequest, time) == 12, "log time at 12");
static_assert(sizeof(CameraLogRequest) == 76, "log request is 76 bytes");

// Request 3377.
struct CustomParamRequest {
    int32_t chnid;
    char url[256];
};
static_assert(sizeof(CustomParamRequest) == 260, "URL query is 260 bytes");

// Reply 8377: res, chnid, then the camera's data as text.
constexpr int kCustomParamReplyData = 8;

#endif
