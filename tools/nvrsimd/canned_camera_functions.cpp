// Canned replies of the simulated daemon for the camera-side settings of module "/2001": face
// detection, image, streams, audio, camera functions and maintenance. The simulated cameras
// answer with plausible settings of a 4-megapixel bullet camera; changes are acknowledged.
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

#include "camera/function_payloads.h"
#include "camera/image_payloads.h"
#include "camera/maintenance_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

constexpr int kChannels = 64;

template <size_t N>
void set_text(char (&field)[N], const char *text) {
    snprintf(field, N, "%s", text);
}

template <typename Record>
Bytes bytes_of(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

// The request's payload as a record, zero-filled when it is shorter.
template <typename Record>
void read_request(const SimRequest &request, Record *record) {
    memset(static_cast<void *>(record), 0, sizeof *record);
    memcpy(static_cast<void *>(record), request.payload.data(),
           request.payload.size() < sizeof *record ? request.payload.size() : sizeof *record);
}

int32_t asked_channel(const SimRequest &request) {
    int32_t channel = 0;
    read_request(request, &channel);
    return channel >= 0 && channel < kChannels ? channel : 0;
}

// Changes and commands: done.
SimScript done(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

// The settings of a simulated camera's day (periods 0 and 1) as texts of a schedule period.
template <typename Period>
void fill_day_periods(Period *periods) {
    set_text(periods[0].startTime, "00:00");
    set_text(periods[0].endTime, "08:00");
    set_text(periods[1].startTime, "18:00");
    set_text(periods[1].endTime, "24:00");
}

// ---- image ---------------------------------------------------------------------------------------

SimScript image_enhance(const SimRequest &request, SimState &) {
    ImageEnhanceReply reply;
    memset(&reply, 0, sizeof reply);
    reply.id = asked_channel(request);
    ImageEnhanceBlock &b = reply.block;
    b.smartir = 1;
    b.wdrlevel = 50;
    b.wdrstarthour = 8;
    b.wdrstophour = 18;
    b.hlclevel = 3;
    b.redgain = 50;
    b.bluegain = 50;
    b.defoglevel = 3;
    b.exposetime = 40;
    b.exposegain = 50;
    b.aflevel = 2;
    b.exposurectrl = 1;
    b.deblur = 3;
    set_text(b.exposeregion, "0:0:0:0");
    set_text(b.sdkversion, "SDK 2.4.1");
    b.lensType = 1;
    return sim_one_reply(bytes_of(reply));
}

SimScript image_display(const SimRequest &request, SimState &) {
    ImageDisplayReply reply;
    memset(&reply, 0, sizeof reply);
    reply.id = asked_channel(request);
    ImageDisplayBlock &b = reply.block;
    b.colorkiller = 2;
    b.modestarthour = 6;
    b.modestophour = 18;
    b.ircutaddaytonight = 5;
    b.ircutadnighttoday = 5;
    b.smartIRType = 1;
    b.nearIRLevel = 50;
    b.farIRLevel = 80;
    b.midIRLevel = 60;
    set_text(b.chipninterface, "SC4336");
    set_text(b.sensortype, "CMOS 1/3\"");
    set_text(b.productmodel, "QV-IPC4M-B");
    set_text(b.softversion, "V5.2.1 build 240315");
    b.whiteLedLevel = 50;
    set_text(b.sdkversion, "SDK 2.4.1");
    b.keepCorrectAspectRatio = 1;
    b.dayNightSens = 3;
    b.nightDaySens = 3;
    b.zoomLimit = 30;
    return sim_one_reply(bytes_of(reply));
}

// 3225: the camera's value of the key asked about.
SimScript camera_param(const SimRequest &request, SimState &) {
    CameraParamRequest asked;
    read_request(request, &asked);
    CameraParamReply reply;
    memset(&reply, 0, sizeof reply);
    reply.id = asked.id;
    memcpy(reply.pagename, asked.pagename, sizeof reply.pagename - 1);
    memcpy(reply.httpname, asked.httpname, sizeof reply.httpname - 1);
    memcpy(reply.key, asked.key, sizeof reply.key - 1);
    set_text(reply.value, "1");
    return sim_one_reply(bytes_of(reply));
}

SimScript day_night(const SimRequest &request, SimState &) {
    DayNightReply reply;
    memset(&reply, 0, sizeof reply);
    reply.channel = asked_channel(request);
    for (int i = 0; i < kDayNightReplyEntries; i++) {
        DayNightEntry &e = reply.entry[i];
        e.flag = 1;
        e.enable = i < 2 ? 1 : 0;
        e.startHour = i == 1 ? 18 : 6;
        e.endHour = i == 1 ? 6 : 18;
        e.exposureLevel = 50;
        e.minShutter = 1;
        e.maxShutter = 8;
        e.gainLevel = 50;
        e.irCutLatency = 5;
        e.irCutState = i == 1 ? 1 : 0;
        e.irLedState = i == 1 ? 1 : 0;
        e.colorMode = i == 1 ? 1 : 0;
    }
    return sim_one_reply(bytes_of(reply));
}

SimScript camera_roi(const SimRequest &, SimState &) {
    Bytes reply(kRoiReplySize, 0);
    int32_t enable = 1;
    memcpy(reply.data() + kRoiReplyEnable, &enable, 4);
    memcpy(reply.data() + kRoiReplySdkVersion, "SDK 2.4.1", 9);
    RoiArea first = {1, 100, 80, 400, 300};
    memcpy(reply.data() + kRoiReplyAreas, &first, sizeof first);
    return sim_one_reply(reply);
}

// 3273, 3277: a day and a night period on each of the 7 days.
SimScript camera_schedule(const SimRequest &request, SimState &) {
    Bytes reply(kScheduleReplySize, 0);
    int32_t channel = asked_channel(request);
    memcpy(reply.data(), &channel, 4);
    std::unique_ptr<ScheduleDay> day(new ScheduleDay());
    fill_day_periods(day->period);
    day->period[0].actionType = 1;
    day->period[1].actionType = 2;
    for (int d = 0; d < kImageScheduleDays; d++)
        memcpy(reply.data() + kScheduleReplyDays + d * sizeof(ScheduleDay), day.get(), sizeof *day);
    return sim_one_reply(reply);
}

SimScript exposure_schedule(const SimRequest &request, SimState &) {
    Bytes reply(kExposureScheduleReplySize, 0);
    int32_t channel = asked_channel(request);
    memcpy(reply.data(), &channel, 4);
    std::unique_ptr<ExposureDay> day(new ExposureDay());
    fill_day_periods(day->period);
    for (int p = 0; p < 2; p++) {
        day->period[p].actionType = 1;
        day->period[p].exposureTime = 40 + 20 * p;
        day->period[p].gainLevel = 30 + 40 * p;
    }
    for (int d = 0; d < kImageScheduleDays; d++)
        memcpy(reply.data() + kScheduleReplyDays + d * sizeof(ExposureDay), day.get(), sizeof *day);
    return sim_one_reply(reply);
}

// ---- streams and audio -------------------------------------------------------------------------

void fill_stream(StreamCapsStream *stream, const int (*sizes)[2], int count, int current, int bitrate_max) {
    for (int i = 0; i < count; i++) {
        stream->resolution[i][0] = sizes[i][0];
        stream->resolution[i][1] = sizes[i][1];
    }
    stream->framerateMax = 25;
    stream->framerateMin = 1;
    stream->bitrateMax = bitrate_max;
    stream->bitrateMin = 64;
    stream->width = sizes[current][0];
    stream->height = sizes[current][1];
    stream->framerate = 25;
    stream->bitrate = bitrate_max / 2;
    stream->iframeinterval = 50;
    stream->iframeIntervalMin = 1;
    stream->iframeIntervalMax = 100;
}

// 3204: the main stream of a 4-megapixel camera and a D1 sub stream, both H.265 capable.
SimScript stream_caps(const SimRequest &request, SimState &) {
    static const int kMainSizes[][2] = {{2560, 1440}, {2304, 1296}, {1920, 1080}, {1280, 720}};
    static const int kSubSizes[][2] = {{704, 576}, {640, 360}, {352, 288}};
    StreamCapsReply reply;
    memset(&reply, 0, sizeof reply);
    reply.channel = asked_channel(request);
    fill_stream(&reply.main, kMainSizes, 4, 0, 8192);
    fill_stream(&reply.sub, kSubSizes, 3, 0, 1024);
    reply.main.videoType = 1;
    reply.sub.videoType = 1;
    reply.subEnable = 1;
    reply.audioEnable = 1;
    reply.videoTypeEnable = 1;
    reply.ipc_type = 2;
    reply.mainStream = 1;
    reply.subStream = 1;
    reply.SupportSmartStream = 1;
    reply.SubSupportSmartStream = 1;
    reply.SmartStreamLevel = 2;
    reply.SubSmartStreamLevel = 2;
    reply.mainGop = 50;
    reply.subGop = 50;
    reply.thirdGop = 50;
    return sim_one_reply(bytes_of(reply));
}

// 3203: every channel of the request's text is changed.
SimScript set_streams(const SimRequest &request, SimState &) {
    StreamRequest asked;
    read_request(request, &asked);
    uint64_t changed = 0;
    for (int i = 0; i < kChannels; i++)
        if (asked.channels[i] == '1') changed |= 1ULL << i;
    return sim_one_reply(bytes_of(changed));
}

// 3371: G.711 A-law at 8 kHz and AAC at 16 and 48 kHz.
SimScript audio_info(const SimRequest &request, SimState &) {
    std::unique_ptr<AudioInfoReply> reply(new AudioInfoReply());
    AudioInfoReply &r = *reply;
    r.support = 1;
    r.supportMode = 3;
    r.supportInputMode = 1;
    r.encodingCount = 2;
    r.encoding[0].encodeValue = 0;
    r.encoding[0].sampleRateCount = 1;
    r.encoding[0].sampleRate[0] = {8000, 1, {64}};
    r.encoding[1].encodeValue = 2;
    r.encoding[1].sampleRateCount = 2;
    r.encoding[1].sampleRate[0] = {16000, 3, {32, 48, 64}};
    r.encoding[1].sampleRate[1] = {48000, 3, {64, 96, 128}};
    r.chnid = asked_channel(request);
    r.audioEnable = 1;
    r.audioMode = 1;
    r.denoise = 1;
    r.sampleRate = 8000;
    r.inputGain = 50;
    r.audioGainControl = 1;
    r.outputVolume = 60;
    r.audioBitrate = 64;
    return sim_one_reply(bytes_of(r));
}

SimScript system_info(const SimRequest &, SimState &) {
    Bytes reply(kSystemInfoReplySize, 0);
    const int32_t words[] = {0, 1, 3, 1, 1, 0};
    memcpy(reply.data(), words, sizeof words);
    return sim_one_reply(reply);
}

// ---- camera functions ----------------------------------------------------------------------------

SimScript motion_status(const SimRequest &, SimState &) { return sim_one_reply(bytes_of(uint64_t{0x5})); }

SimScript camera_motion(const SimRequest &request, SimState &) {
    std::unique_ptr<CameraMotionRecord> record(new CameraMotionRecord());
    CameraMotionRecord &r = *record;
    r.chnid = asked_channel(request);
    r.enable = 1;
    r.sensitivity = 5;
    r.minsize = 2;
    r.mintime = 1;
    r.adaptability = 1;
    memset(r.map_mask, '1', 22 * 9);
    for (int d = 0; d < 7; d++) {
        set_text(r.schedule.day[d].period[0].startTime, "00:00");
        set_text(r.schedule.day[d].period[0].endTime, "24:00");
        r.schedule.day[d].dayFlag = 1;
    }
    return sim_one_reply(bytes_of(r));
}

SimScript camera_log(const SimRequest &, SimState &) {
    static const char kLog[] = "2024-03-15 08:00:01 motion start\r\n2024-03-15 08:00:09 motion stop\r\n";
    return sim_one_reply(Bytes(kLog, kLog + sizeof kLog - 1));
}

SimScript tracking(const SimRequest &request, SimState &) {
    std::unique_ptr<TrackingRecord> record(new TrackingRecord());
    TrackingRecord &r = *record;
    r.chnid = asked_channel(request);
    r.show = 1;
    r.sensitivity = 5;
    r.time = 30;
    r.zoom_mode = 1;
    r.zoom_number = 4;
    set_text(r.area, "0,0,100,0,100,100,0,100");
    r.humanVehicleSupport = 1;
    r.trackingObject = 1;
    fill_day_periods(r.schedule.day[0].period);
    return sim_one_reply(bytes_of(r));
}

SimScript ptz_support(const SimRequest &, SimState &) { return sim_one_reply(sim_words({1})); }

SimScript watermark(const SimRequest &request, SimState &) {
    Bytes reply(kWatermarkReplySize, 0);
    const int32_t words[] = {asked_channel(request), 1};
    memcpy(reply.data(), words, sizeof words);
    memcpy(reply.data() + 12, "NVR-CAM", 7);
    return sim_one_reply(reply);
}

SimScript event_stream(const SimRequest &request, SimState &) {
    EventStreamRecord reply = {asked_channel(request), 0, 1, 15, 2048, 30};
    return sim_one_reply(bytes_of(reply));
}

SimScript night_mode(const SimRequest &request, SimState &) {
    LprNightModeReply reply = {asked_channel(request), 1};
    return sim_one_reply(bytes_of(reply));
}

SimScript custom_param(const SimRequest &request, SimState &) {
    static const char kData[] = "{\"result\":\"ok\"}";
    Bytes reply = sim_words({0, asked_channel(request)});
    reply.insert(reply.end(), kData, kData + sizeof kData);
    return sim_one_reply(reply);
}

// ---- maintenance ---------------------------------------------------------------------------------

// 3493: recordings on the first ten days and on the 15th.
SimScript record_calendar(const SimRequest &, SimState &) {
    Bytes reply(kCalendarReplySize, 0);
    int32_t flag = 1;
    for (int d = 0; d < kCalendarDays; d++)
        if (d < 10 || d == 14) memcpy(reply.data() + kCalendarReplyDays + 4 * d, &flag, 4);
    return sim_one_reply(reply);
}

SimScript local_ui_command(const SimRequest &, SimState &) {
    Bytes reply(kLocalUiResultText, 0);
    static const char kResult[] = "OK";
    reply.insert(reply.end(), kResult, kResult + sizeof kResult);
    return sim_one_reply(reply);
}

SimScript chip_code(const SimRequest &, SimState &) {
    static const char kCode[] = "HI3536D-7A21C0";
    return sim_one_reply(Bytes(kCode, kCode + sizeof kCode));
}

// 3386, 3379: cameras 0 and 1 are being upgraded ("camera_upgrade_percent" sets the progress).
SimScript upgrade_status(const SimRequest &, SimState &state) {
    CameraUpgradeStatus status;
    memset(&status, 0, sizeof status);
    status.channels = 0x3;
    status.status[0] = 100;
    status.status[1] = static_cast<int32_t>(state.setting("camera_upgrade_percent", 45));
    return sim_one_reply(bytes_of(status));
}

const CannedEntry kCameraFunctionsCanned[] = {
    // Face detection.
    {kRequestFaceConfig, done},
    // Image.
    {kRequestImageEnhance, image_enhance},
    {kRequestImageDisplay, image_display},
    {kRequestSetImageDisplay, done},
    {kRequestCameraParam, camera_param},
    {kRequestSetCameraParam, done},
    {kRequestDayNight, day_night},
    {kRequestCameraRoi, camera_roi},
    {kRequestCameraSchedule, camera_schedule},
    {kRequestCameraSchedule2, camera_schedule},
    {kRequestExposureSchedule, exposure_schedule},
    // Streams and audio.
    {kRequestStreamCaps, stream_caps},
    {kRequestSetStream, set_streams},
    {kRequestAudioInfo, audio_info},
    {kRequestSetAudio, done},
    {kRequestSystemInfo, system_info},
    // Camera functions.
    {kRequestMotionStatus, motion_status},
    {kRequestCameraMotion, camera_motion},
    {kRequestSetCameraMotion, done},
    {kRequestCameraLog, camera_log},
    {kRequestTracking, tracking},
    {kRequestSetTracking, done},
    {kRequestPtzSupport, ptz_support},
    {kRequestWatermark, watermark},
    {kRequestSetWatermark, done},
    {kRequestEventStream, event_stream},
    {kRequestSetEventStream, done},
    {kRequestLprNightMode, night_mode},
    {kRequestCustomParam, custom_param},
    // Maintenance.
    {kRequestRecordCalendar, record_calendar},
    {kRequestLocalUiCommand, local_ui_command},
    {kRequestChipCode, chip_code},
    {kRequestStartUpgrade, done},
    {kRequestUpgradeProgress, upgrade_status},
    {kRequestUpgradeFromUrl, upgrade_status},
};
NVR_SIM_CANNED(kCameraFunctionsCanned)

}  // namespace
