// Route "/4013" end to end: the AVI download walked chunk by chunk, frames reassembled from the
// daemon's pieces, hostile pieces, interrupted and silent exports, a real reader's count, and the
// writer's index of an export longer than it keeps in memory.
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/avilib.h"
#include "playback/playback_payloads.h"
#include "system/system_test_support.h"

namespace {

uint32_t u32_at(const std::string &bytes, size_t offset) {
    uint32_t value = 0;
    if (offset + 4 <= bytes.size()) memcpy(&value, bytes.data() + offset, 4);
    return value;
}

std::string fourcc_at(const std::string &bytes, size_t offset) {
    return offset + 4 <= bytes.size() ? bytes.substr(offset, 4) : std::string();
}

// One frame of an export: its header fields and bytes.
struct Frame {
    uint32_t codec = kFrameCodecH264;
    uint32_t type = kFrameKey;
    std::string data;
};

FrameHeader header_of(const Frame &frame, int32_t length) {
    FrameHeader header;
    memset(&header, 0, sizeof header);
    header.codec = frame.codec;
    header.frame_type = frame.type;
    header.width = 640;
    header.height = 360;
    header.frame_rate = 15;
    header.frame_length = length;
    return header;
}

// A 6173 payload: header, mark, piece length, then `data` (which may differ from the length).
Bytes piece(const FrameHeader &header, int mark, int32_t piece_length, const std::string &data) {
    Bytes payload(kExportDataOffset + data.size(), 0);
    memcpy(payload.data(), &header, sizeof header);
    memcpy(payload.data() + kExportMarkOffset, &mark, 4);
    memcpy(payload.data() + kExportPieceLengthOffset, &piece_length, 4);
    memcpy(payload.data() + kExportDataOffset, data.data(), data.size());
    return payload;
}

SimStep reply(Bytes payload) { return SimStep{0, -1, std::move(payload)}; }

// The frame in pieces of the given sizes.
void add_frame(SimScript &script, const Frame &frame, std::vector<size_t> sizes) {
    FrameHeader header = header_of(frame, static_cast<int32_t>(frame.data.size()));
    size_t at = 0;
    for (size_t i = 0; i < sizes.size(); i++) {
        std::string part = frame.data.substr(at, sizes[i]);
        script.push_back(reply(piece(header, i == 0 ? 0 : 1, static_cast<int32_t>(part.size()), part)));
        at += sizes[i];
    }
}

SimStep end_mark(int32_t mark) { return reply(piece(FrameHeader{}, 0, mark, "")); }

// What a walk of the file finds.
struct AviWalk {
    std::string error;  // empty when the file is well formed
    uint32_t avih_flags = 0, total_frames = 0, width = 0, height = 0;
    std::string handler, compression;
    uint32_t rate = 0, length = 0;
    std::vector<std::string> frames;    // the data of each 00dc chunk
    std::vector<uint32_t> index_flags;  // per idx1 entry
};

// Walks RIFF 'AVI ' { LIST hdrl { avih, LIST strl { strh, strf } }, LIST movi { 00dc... }, idx1 }
// and checks every size, the padding and each index entry against the chunk it names.
AviWalk walk_avi(const std::string &file) {
    AviWalk walk;
    auto fail = [&](const std::string &why) {
        walk.error = why;
        return walk;
    };
    if (fourcc_at(file, 0) != "RIFF" || u32_at(file, 4) != 0xFFFFFFFF || fourcc_at(file, 8) != "AVI ")
        return fail("RIFF head");
    if (fourcc_at(file, 12) != "LIST" || u32_at(file, 16) != 192 || fourcc_at(file, 20) != "hdrl")
        return fail("hdrl list");
    if (fourcc_at(file, 24) != "avih" || u32_at(file, 28) != 56) return fail("avih");
    walk.avih_flags = u32_at(file, 32 + 12);
    walk.total_frames = u32_at(file, 32 + 16);
    if (u32_at(file, 32 + 24) != 1) return fail("stream count");
    walk.width = u32_at(file, 32 + 32);
    walk.height = u32_at(file, 32 + 36);
    size_t strl = 32 + 56;
    if (fourcc_at(file, strl) != "LIST" || u32_at(file, strl + 4) != 116 || fourcc_at(file, strl + 8) != "strl")
        return fail("strl list");
    size_t strh = strl + 12;
    if (fourcc_at(file, strh) != "strh" || u32_at(file, strh + 4) != 56 || fourcc_at(file, strh + 8) != "vids")
        return fail("strh");
    walk.handler = fourcc_at(file, strh + 12);
    walk.rate = u32_at(file, strh + 8 + 24);
    walk.length = u32_at(file, strh + 8 + 32);
    size_t strf = strh + 8 + 56;
    if (fourcc_at(file, strf) != "strf" || u32_at(file, strf + 4) != 40 || u32_at(file, strf + 8) != 40)
        return fail("strf");
    walk.compression = fourcc_at(file, strf + 8 + 16);
    size_t movi = strf + 8 + 40;
    if (movi != 12 + 8 + 192) return fail("hdrl size");
    if (fourcc_at(file, movi) != "LIST" || u32_at(file, movi + 4) != 0xFFFFFFFF || fourcc_at(file, movi + 8) != "movi")
        return fail("movi list");
    size_t at = movi + 12;
    std::vector<size_t> offsets;
    while (fourcc_at(file, at) == "00dc") {
        uint32_t size = u32_at(file, at + 4);
        if (at + 8 + size + (size & 1) > file.size()) return fail("chunk runs past the file");
        if ((size & 1) && file[at + 8 + size] != '\0') return fail("padding byte");
        offsets.push_back(at - (movi + 8));
        walk.frames.push_back(file.substr(at + 8, size));
        at += 8 + size + (size & 1);
    }
    if (fourcc_at(file, at) != "idx1") return fail("idx1 after the chunks");
    uint32_t index_size = u32_at(file, at + 4);
    if (index_size != 16 * offsets.size()) return fail("idx1 size");
    if (at + 8 + index_size != file.size()) return fail("bytes after the index");
    for (size_t i = 0; i < offsets.size(); i++) {
        size_t entry = at + 8 + 16 * i;
        if (fourcc_at(file, entry) != "00dc" || u32_at(file, entry + 8) != offsets[i] ||
            u32_at(file, entry + 12) != walk.frames[i].size())
            return fail("idx1 entry " + std::to_string(i));
        walk.index_flags.push_back(u32_at(file, entry + 4));
    }
    return walk;
}

class ExportPlayback : public RouteTest {
  protected:
    CgiResult export_span(const std::string &body = R"({"id":3,"startTime":"2023-05-01T10:00:00Z","endTime":"2023-05-01T10:05:00Z","streamType":1})") {
        return post_json("/4013", body);
    }
};

long long local_seconds(int year, int month, int day, int hour, int minute, int second) {
    struct tm broken = {};
    broken.tm_year = year - 1900;
    broken.tm_mon = month - 1;
    broken.tm_mday = day;
    broken.tm_hour = hour;
    broken.tm_min = minute;
    broken.tm_sec = second;
    broken.tm_isdst = -1;
    return mktime(&broken);
}

TEST_F(ExportPlayback, FramesBecomeAnAviFileChunkByChunk) {
    Frame odd{kFrameCodecH264, kFrameKey, "abcde"};
    Frame split{kFrameCodecH264, kFramePredicted, std::string(1000, '\0')};
    for (size_t i = 0; i < split.data.size(); i++) split.data[i] = static_cast<char>(i * 7);
    Frame last{kFrameCodecH264, kFrameKey, "0123456789"};
    SimScript script;
    add_frame(script, odd, {5});
    add_frame(script, split, {400, 400, 200});
    add_frame(script, last, {10});
    script.push_back(end_mark(kExportEnd));
    daemon.script(1173, script);

    CgiResult result = export_span();
    char name[160];
    snprintf(name, sizeof name, "8DDD2023_5_1_10_0_0_%lld-2023_5_1_10_5_0_%lld_3.avi",
             local_seconds(2023, 5, 1, 10, 0, 0), local_seconds(2023, 5, 1, 10, 5, 0));
    EXPECT_EQ(result.headers,
              std::string("Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= ") + name +
                  "\r\n\r\n");
    AviWalk walk = walk_avi(result.body);
    ASSERT_EQ(walk.error, "");
    EXPECT_EQ(walk.avih_flags & 0x10, 0x10u);
    EXPECT_EQ(walk.total_frames, 0xFFFFFFFFu);
    EXPECT_EQ(walk.length, 0xFFFFFFFFu);
    EXPECT_EQ(walk.width, 640u);
    EXPECT_EQ(walk.height, 360u);
    EXPECT_EQ(walk.rate, 15u);
    EXPECT_EQ(walk.handler, "H264");
    EXPECT_EQ(walk.compression, "H264");
    EXPECT_EQ(walk.frames, (std::vector<std::string>{odd.data, split.data, last.data}));
    EXPECT_EQ(walk.index_flags, (std::vector<uint32_t>{0x10, 0, 0x10}));

    Bytes request = sent(1173)[0].payload;
    ASSERT_EQ(request.size(), 72u);
    EXPECT_EQ(payload_i32(request, 0), 3);
    EXPECT_EQ(payload_i32(request, 4), 1);
    EXPECT_EQ(payload_text(request, 8, 32), "2023-5-1 10:0:0");
    EXPECT_EQ(payload_text(request, 40, 32), "2023-5-1 10:5:0");
    std::vector<SimRequest> logs = sent(3485);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(payload_i64(logs[0].payload, 8), 209);
    EXPECT_EQ(payload_i32(logs[0].payload, 32), 4);
}

// Pieces that lie about their lengths never reach the file, and never read past the reply.
TEST_F(ExportPlayback, HostilePiecesAreCutOrDropped) {
    Frame good{kFrameCodecH264, kFrameKey, "good frame"};
    Frame overrun{kFrameCodecH264, kFrameKey, "0123456789ABCDEF"};
    FrameHeader overrun_header = header_of(overrun, 16);
    SimScript script;
    script.push_back(reply(Bytes(95, 0)));                                  // shorter than a piece
    script.push_back(reply(piece(header_of(good, 10), 1, 10, "orphaned!!")));  // no frame started
    script.push_back(reply(piece(header_of(good, 0), 0, 4, "zero")));        // frame of no bytes
    script.push_back(reply(piece(header_of(good, 10), 1, 4, "rest")));       // ...and its rest
    script.push_back(reply(piece(header_of(good, 0xA00001), 0, 4, "huge")));  // too large a frame
    script.push_back(reply(piece(header_of(good, 0xA00001), 1, 4, "more")));
    script.push_back(reply(piece(header_of(good, 10), 0, -7, "")));          // below -2: ignored
    script.push_back(SimStep{0, 6171, le_words({0})});                       // another reply: no answer
    add_frame(script, good, {10});
    // A piece claiming more than its reply holds is bounded by the reply; the next piece
    // claiming more than the frame lacks is cut to what it lacks.
    script.push_back(reply(piece(overrun_header, 0, 500000, "01234567")));
    script.push_back(reply(piece(overrun_header, 1, 100, "89ABCDEF-and-then-some")));
    script.push_back(end_mark(kExportEnd));
    daemon.script(1173, script);
    AviWalk walk = walk_avi(export_span().body);
    ASSERT_EQ(walk.error, "");
    EXPECT_EQ(walk.frames, (std::vector<std::string>{"good frame", "0123456789ABCDEF"}));
}

TEST_F(ExportPlayback, InterruptedExportEndsTheFileWithWhatCame) {
    SimScript script;
    add_frame(script, Frame{kFrameCodecMjpeg, kFrameKey, "first"}, {2, 3});
    add_frame(script, Frame{kFrameCodecMjpeg, kFrameKey, "second"}, {6});
    script.push_back(end_mark(kExportInterrupted));
    add_frame(script, Frame{kFrameCodecMjpeg, kFrameKey, "after the end"}, {13});
    daemon.script(1173, script);
    CgiResult result = export_span();
    AviWalk walk = walk_avi(result.body);
    ASSERT_EQ(walk.error, "");
    EXPECT_EQ(walk.handler, "MJPG");
    EXPECT_EQ(walk.frames, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(result.body.find("CGI ERROR"), std::string::npos);
}

// A silent daemon: the export waits out its channel and its writer, then closes a well-formed
// file with no frame; no error text follows the download header.
// Descriptors this process holds on the writer's index file (unlinked as soon as it is made).
int open_index_files() {
    int count = 0;
    for (int fd = 0; fd < 1024; fd++) {
        char link[64], target[512];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        ssize_t length = readlink(link, target, sizeof target - 1);
        if (length <= 0) continue;
        target[length] = '\0';
        if (strstr(target, "aviindex")) count++;
    }
    return count;
}

// An export longer than the index kept in memory: the earlier entries wait in a temporary file,
// and the closed file still holds one entry per frame, each naming its own chunk, in order.
TEST_F(ExportPlayback, IndexOfALongExportComesBackWholeFromItsTemporaryFile) {
    const int kFrames = 5000;
    FILE *out = tmpfile();
    ASSERT_TRUE(out);
    QvAvi *avi = nullptr;
    ASSERT_EQ(qv_avi_open_fp(out, &avi), 0);
    std::vector<std::string> written;
    int index_files_while_writing = -1;
    for (int i = 0; i < kFrames; i++) {
        Frame frame{kFrameCodecH264, i % 25 == 0 ? kFrameKey : kFramePredicted, "frame " + std::to_string(i)};
        FrameHeader header = header_of(frame, static_cast<int32_t>(frame.data.size()));
        ASSERT_EQ(qv_avi_write_fp_ex(avi, &header, sizeof header), 0) << "frame " << i;
        ASSERT_EQ(qv_avi_write_fp_ex(avi, frame.data.data(), static_cast<int>(frame.data.size())), 0) << "frame " << i;
        written.push_back(frame.data);
        if (i == 4500) index_files_while_writing = open_index_files();
    }
    EXPECT_EQ(index_files_while_writing, 1);
    EXPECT_EQ(qv_avi_close_fp(avi), 0);
    EXPECT_EQ(open_index_files(), 0);
    for (const std::string &name : root.list("/tmp")) EXPECT_EQ(name.find("aviindex"), std::string::npos) << name;

    std::string file;
    rewind(out);
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, out)) > 0) file.append(buffer, got);
    fclose(out);
    AviWalk walk = walk_avi(file);
    ASSERT_EQ(walk.error, "");
    EXPECT_EQ(walk.frames, written);
    ASSERT_EQ(walk.index_flags.size(), static_cast<size_t>(kFrames));
    for (int i = 0; i < kFrames; i++)
        if (walk.index_flags[i] != (i % 25 == 0 ? 0x10u : 0u)) ADD_FAILURE() << "key flag of entry " << i;
}

TEST_F(ExportPlayback, SilentDaemonLeavesAnEmptyFile) {
    daemon.script(1173, SimScript());
    CgiResult result = export_span();
    ASSERT_NE(result.headers.find("attachment"), std::string::npos);
    AviWalk walk = walk_avi(result.body);
    ASSERT_EQ(walk.error, "");
    EXPECT_TRUE(walk.frames.empty());
    EXPECT_EQ(walk.width, kAviDefaultWidth);
    EXPECT_EQ(walk.handler, "H264");
}

TEST_F(ExportPlayback, RefusedRequestsAnswerNothingAndSendNothing) {
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, R"({"id":16,"startTime":"2023-05-01T10:00:00Z","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":-1,"startTime":"2023-05-01T10:00:00Z","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"startTime":"2023-05-01T10:00:00Z","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":1,"endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":1,"startTime":"2023-05-01 10:00:00","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":1,"startTime":"2023-05-01T10:00:00","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":1,"startTime":"2023-05-01T10:00:00Z;rm -rf /","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":1,"startTime":"2023-05-01T10:00:00Z","endTime":12345})"},
        {__LINE__, R"({"id":1,"startTime":"../../etc/passwd","endTime":"2023-05-01T10:05:00Z"})"},
        {__LINE__, R"({"id":1,"startTime":"2023-05-01T10:00:00Z")"},
    };
    for (const Case &c : refused) EXPECT_EQ(export_span(c.body).output, "") << "line " << c.line;
    EXPECT_TRUE(daemon.requests().empty());

    root.write_file("/tmp/pbdownload", "");
    EXPECT_EQ(export_span().output, "Content-type: text/plain\r\n\r\nBUSY NOW");
    EXPECT_TRUE(daemon.requests().empty());
}

// A standard reader opens the simulator's clip and finds every frame, each reassembled from
// several pieces.
TEST_F(ExportPlayback, StandardReaderCountsEveryFrame) {
    FILE *probe = popen("command -v ffprobe", "r");
    char found[256] = "";
    bool have_ffprobe = probe && fgets(found, sizeof found, probe) != nullptr;
    if (probe) pclose(probe);
    ASSERT_TRUE(have_ffprobe) << "ffprobe is missing: scripts/install-deps.sh installs ffmpeg";

    daemon.set_setting("export_frames", 24);
    daemon.set_setting("export_piece_bytes", 3000);
    CgiResult result = export_span();
    AviWalk walk = walk_avi(result.body);
    ASSERT_EQ(walk.error, "");
    ASSERT_EQ(walk.frames.size(), 24u);
    EXPECT_GT(sent(1173).size(), 0u);
    root.write_file("/clip.avi", result.body);

    std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                          "stream=codec_name,width,height,nb_read_frames -of default=noprint_wrappers=1 '" +
                          root.at("/clip.avi") + "' 2>&1";
    FILE *reader = popen(command.c_str(), "r");
    ASSERT_TRUE(reader);
    std::string report;
    char line[256];
    while (fgets(line, sizeof line, reader)) report += line;
    EXPECT_EQ(pclose(reader), 0) << report;
    EXPECT_EQ(report, "codec_name=mjpeg\nwidth=320\nheight=240\nnb_read_frames=24\n");
}

}  // namespace
