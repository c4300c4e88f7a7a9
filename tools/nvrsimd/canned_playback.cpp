// Canned replies of the simulated daemon for module "/4000" (live view and playback): recorded
// sections, play times, stream addresses and ports, image parameters, and a playback export
// streamed as a moving MJPEG test pattern.
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <jpeglib.h>  // after stddef.h and stdio.h, which it needs

#include <string>

#include "platform/avilib.h"
#include "playback/playback_payloads.h"
#include "tools/nvrsimd/simd.h"

namespace {

int32_t request_word(const SimRequest &request, size_t offset) {
    int32_t value = 0;
    if (offset + 4 <= request.payload.size()) memcpy(&value, request.payload.data() + offset, 4);
    return value;
}

std::string request_text(const SimRequest &request, size_t offset, size_t size) {
    std::string text;
    for (size_t i = offset; i < offset + size && i < request.payload.size() && request.payload[i]; i++)
        text.push_back(static_cast<char>(request.payload[i]));
    return text;
}

template <typename Record>
Bytes record_bytes(const Record &record) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&record);
    return Bytes(bytes, bytes + sizeof record);
}

void put_text(Bytes &payload, size_t offset, size_t size, const std::string &text) {
    for (size_t i = 0; i < text.size() && i + 1 < size && offset + i < payload.size(); i++)
        payload[offset + i] = static_cast<uint8_t>(text[i]);
}

// ---- recorded sections (1159, 1161) ------------------------------------------------------------

constexpr int kSimSession = 7;

// Three sections of the day the request starts on (today when it names none).
SimScript sections(int channel, const std::string &day_text) {
    std::string day = day_text.size() >= 10 ? day_text.substr(0, 10) : "2024-12-07";
    struct Span {
        const char *start, *end;
        int type;
    } spans[] = {{"00:00:00", "06:30:00", 1}, {"08:15:00", "12:00:00", 2}, {"13:00:00", "23:59:59", 1}};
    Bytes payload;
    for (const Span &span : spans) {
        SectionRecord record;
        memset(&record, 0, sizeof record);
        record.channel = channel;
        record.session = kSimSession;
        record.record_type = span.type;
        snprintf(record.start_time, sizeof record.start_time, "%s %s", day.c_str(), span.start);
        snprintf(record.end_time, sizeof record.end_time, "%s %s", day.c_str(), span.end);
        Bytes bytes = record_bytes(record);
        payload.insert(payload.end(), bytes.begin(), bytes.end());
    }
    return sim_one_reply(payload);
}

SimScript playback_sections(const SimRequest &request, SimState &) {
    std::string selection = request_text(request, 0, 68);
    size_t chosen = selection.find('1');
    return sections(chosen == std::string::npos ? 0 : static_cast<int>(chosen),
                    request_text(request, offsetof(PlaybackStart, start_time), kPlaybackTimeText));
}

SimScript playback_page(const SimRequest &, SimState &) { return sections(0, ""); }

// ---- sessions, times and addresses ---------------------------------------------------------------

SimScript status_zero(const SimRequest &, SimState &) { return sim_one_reply(sim_words({0})); }

SimScript play_time(const SimRequest &, SimState &) {
    return sim_one_reply(sim_words({static_cast<int32_t>(time(nullptr))}));
}

SimScript playback_address(const SimRequest &request, SimState &) {
    PlaybackAddress address;
    memset(&address, 0, sizeof address);
    address.session = request_word(request, 0);
    address.port = 554;
    address.external_port = 10554;
    address.external_http_port = 10080;
    address.ddns_port = 20554;
    address.ddns_http_port = 20080;
    snprintf(address.source_path, sizeof address.source_path, "/playback/session%d", address.session);
    return sim_one_reply(record_bytes(address));
}

// 3109 is answered by 8103: the session the mask playback opened.
SimScript mask_playback(const SimRequest &request, SimState &) {
    PlaybackOpened opened;
    memset(&opened, 0, sizeof opened);
    opened.session = kSimSession + 2;
    std::string play = request_text(request, offsetof(MaskPlayback, play_text), kPlaybackTimeText);
    memcpy(opened.play_time, play.data(), play.size() < sizeof opened.play_time ? play.size() : sizeof opened.play_time - 1);
    return SimScript{SimStep{0, 8103, record_bytes(opened)}};
}

SimScript live_stream(const SimRequest &request, SimState &) {
    int32_t channel = request_word(request, 0), stream = request_word(request, 4);
    Bytes payload(kLiveResourcePathOffset + kLiveTextSize, 0);
    LiveStreamReply head;
    memset(&head, 0, sizeof head);
    head.channel = channel;
    head.port = 554;
    memcpy(payload.data(), &head, sizeof head);
    put_text(payload, kLiveRtspAddressOffset, kLiveTextSize, "rtsp://192.168.1.100:554");
    char path[64];
    snprintf(path, sizeof path, "/ch%02d/%s", channel + 1, stream == 1 ? "sub" : "main");
    put_text(payload, kLiveResourcePathOffset, kLiveTextSize, path);
    return sim_one_reply(payload);
}

SimScript rtsp_addresses(const SimRequest &, SimState &) {
    Bytes payload(kRtspAddressRecordSize, 0);
    put_text(payload, 4, 256, "rtsp://192.168.1.64:554/main");
    put_text(payload, 260, 260, "rtsp://192.168.1.64:554/sub");
    // Port, external port, DDNS port, external HTTP port, DDNS HTTP port: main, then sub.
    const int32_t ports[] = {554, 10554, 20554, 10080, 20080};
    memcpy(payload.data() + 520, ports, sizeof ports);
    memcpy(payload.data() + 1000, ports, sizeof ports);
    put_text(payload, 548, 32, "admin");
    put_text(payload, 868, 132, "/ch01/main");
    put_text(payload, 1028, 32, "admin");
    put_text(payload, 1348, 128, "/ch01/sub");
    return sim_one_reply(payload);
}

SimScript external_ports(const SimRequest &, SimState &) { return sim_one_reply(sim_words({10080, 20080})); }

SimScript transcoding(const SimRequest &request, SimState &state) {
    return sim_one_reply(sim_words({request_word(request, 0), request_word(request, 4),
                                    static_cast<int32_t>(state.setting("transcoding_state", 1))}));
}

SimScript image_params(const SimRequest &request, SimState &) {
    ImageParamsReply reply;
    memset(&reply, 0, sizeof reply);
    reply.channel = request_word(request, 0);
    reply.brightness = reply.contrast = reply.saturation = reply.sharpness = reply.noise_reduction = 128;
    return sim_one_reply(record_bytes(reply));
}

// ---- the export clip (1173) ----------------------------------------------------------------------

constexpr int kClipWidth = 320;
constexpr int kClipHeight = 240;

// A moving test pattern: colour bars sliding left, a white square crossing the picture.
std::vector<uint8_t> pattern_frame(int frame) {
    static const uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                        {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
    std::vector<uint8_t> rgb(static_cast<size_t>(kClipWidth) * kClipHeight * 3);
    int box_x = (frame * 6) % (kClipWidth - 40), box_y = (frame * 4) % (kClipHeight - 40);
    for (int y = 0; y < kClipHeight; y++) {
        for (int x = 0; x < kClipWidth; x++) {
            uint8_t *pixel = &rgb[(static_cast<size_t>(y) * kClipWidth + x) * 3];
            bool in_box = x >= box_x && x < box_x + 40 && y >= box_y && y < box_y + 40;
            const uint8_t *bar = kBars[((x + frame * 4) / (kClipWidth / 8)) % 8];
            for (int c = 0; c < 3; c++) pixel[c] = in_box ? 255 : bar[c];
        }
    }
    return rgb;
}

Bytes jpeg_frame(int frame) {
    std::vector<uint8_t> rgb = pattern_frame(frame);
    struct jpeg_compress_struct encoder;
    struct jpeg_error_mgr errors;
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    unsigned char *out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&encoder, &out, &out_size);
    encoder.image_width = kClipWidth;
    encoder.image_height = kClipHeight;
    encoder.input_components = 3;
    encoder.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, 80, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(encoder.next_scanline) * kClipWidth * 3];
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    Bytes jpeg(out, out + out_size);
    free(out);
    return jpeg;
}

// One 6173 payload: frame header, continuation mark, piece length, piece.
Bytes export_piece(const FrameHeader &header, int mark, int32_t piece_length, const uint8_t *piece) {
    Bytes payload(kExportDataOffset + (piece_length > 0 ? piece_length : 0), 0);
    memcpy(payload.data(), &header, sizeof header);
    int32_t words[2] = {mark, piece_length};
    memcpy(payload.data() + kExportMarkOffset, words, sizeof words);
    if (piece_length > 0) memcpy(payload.data() + kExportDataOffset, piece, static_cast<size_t>(piece_length));
    return payload;
}

long long start_of_span_ms(const SimRequest &request) {
    struct tm start;
    memset(&start, 0, sizeof start);
    std::string text = request_text(request, offsetof(ExportRequest, start_time), kPlaybackTimeText);
    if (sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &start.tm_year, &start.tm_mon, &start.tm_mday, &start.tm_hour,
               &start.tm_min, &start.tm_sec) != 6)
        return static_cast<long long>(time(nullptr)) * 1000;
    start.tm_year -= 1900;
    start.tm_mon -= 1;
    start.tm_isdst = -1;
    return static_cast<long long>(mktime(&start)) * 1000;
}

long clamped_setting(const SimState &state, const char *key, long fallback, long low, long high) {
    long value = state.setting(key, fallback);
    return value < low ? low : value > high ? high : value;
}

// The span as "export_frames" MJPEG frames at "export_frame_rate", each cut into pieces of at
// most "export_piece_bytes", then the end mark.
SimScript export_clip(const SimRequest &request, SimState &state) {
    int frames = static_cast<int>(clamped_setting(state, "export_frames", 50, 0, 3000));
    int piece = static_cast<int>(clamped_setting(state, "export_piece_bytes", 16384, 1, kExportMaxPiece));
    int rate = static_cast<int>(clamped_setting(state, "export_frame_rate", 10, 1, 60));
    long long start_ms = start_of_span_ms(request);
    SimScript script;
    for (int f = 0; f < frames; f++) {
        Bytes jpeg = jpeg_frame(f);
        FrameHeader header;
        memset(&header, 0, sizeof header);
        header.codec = kFrameCodecMjpeg;
        header.frame_type = kFrameKey;
        header.width = kClipWidth;
        header.height = kClipHeight;
        header.frame_rate = static_cast<uint32_t>(rate);
        header.channel = request_word(request, 0);
        header.timestamp_ms = start_ms + static_cast<long long>(f) * 1000 / rate;
        header.sequence = static_cast<uint32_t>(f);
        header.frame_length = static_cast<int32_t>(jpeg.size());
        for (size_t sent = 0; sent < jpeg.size(); sent += static_cast<size_t>(piece)) {
            int32_t length = static_cast<int32_t>(jpeg.size() - sent < static_cast<size_t>(piece) ? jpeg.size() - sent : piece);
            script.push_back(SimStep{0, -1, export_piece(header, sent == 0 ? 0 : 1, length, jpeg.data() + sent)});
        }
    }
    script.push_back(SimStep{0, -1, export_piece(FrameHeader{}, 0, kExportEnd, nullptr)});
    return script;
}

const CannedEntry kPlaybackCanned[] = {
    {kRequestPlaybackStart, playback_sections},
    {kRequestPlaybackPage, playback_page},
    {kRequestPlayTime, play_time},
    {kRequestTimePlayback, status_zero},
    {kRequestPlaybackAddress, playback_address},
    {kRequestMaskPlayback, mask_playback},
    {kRequestPlaybackJump, status_zero},
    {kRequestStartLive, live_stream},
    {kRequestRtspAddresses, rtsp_addresses},
    {kRequestExternalPorts, external_ports},
    {kRequestSetTranscoding, transcoding},
    {kRequestTranscodingState, transcoding},
    {kRequestGetImage, image_params},
    {kRequestBusyState, status_zero},
    {kRequestPlaybackExport, export_clip},
};
NVR_SIM_CANNED(kPlaybackCanned)

}  // namespace
