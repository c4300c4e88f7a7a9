// Remote backup: frames of a playback export, reassembled from the daemon's pieces, queued and
// written as an AVI file by a writer thread of their own.
//
// Three threads meet here. The reply thread assembles frames and queues them; the writer thread
// takes them from the queue and writes them; the request thread opens and closes. The queue is
// guarded by a mutex; the queued byte count is also read without it by the reply thread's
// back-pressure wait. The frame being assembled belongs to the reply thread, and to the close
// once the reply thread has been stopped.
#include "playback/remote_backup.h"

#include <pthread.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/devroot.h"

namespace {

constexpr long kPollPauseUs = 40000;
constexpr int kBackPressureWaits = 25;   // one second
constexpr int kWriterIdlePolls = 1500;   // one minute without a frame

// A frame: its header and data in one allocation (the data follows the node).
struct QueuedFrame {
    QueuedFrame *next;
    int32_t length;
    int32_t received;
    uint8_t header[kFrameHeaderSize];
    uint8_t *data() { return reinterpret_cast<uint8_t *>(this + 1); }
};

struct ExportState {
    std::mutex queue_lock;
    QueuedFrame *head = nullptr;  // guarded by queue_lock
    QueuedFrame *tail = nullptr;
    int frames = 0;
    std::atomic<long> queued_bytes{0};
    QueuedFrame *assembling = nullptr;  // the reply thread's
    QvAvi *avi = nullptr;
    std::thread writer;
    std::atomic<bool> running{false};
    std::atomic<bool> stop_requested{false};
};

ExportState g_export;

QueuedFrame *take_first_frame() {
    std::lock_guard<std::mutex> guard(g_export.queue_lock);
    QueuedFrame *frame = g_export.head;
    if (!frame) return nullptr;
    g_export.head = frame->next;
    if (!g_export.head) g_export.tail = nullptr;
    g_export.frames--;
    g_export.queued_bytes -= frame->length;
    return frame;
}

void append_frame(QueuedFrame *frame) {
    std::lock_guard<std::mutex> guard(g_export.queue_lock);
    frame->next = nullptr;
    if (g_export.tail) g_export.tail->next = frame;
    else g_export.head = frame;
    g_export.tail = frame;
    g_export.frames++;
    g_export.queued_bytes += frame->length;
}

void free_queued_frames() {
    while (QueuedFrame *frame = take_first_frame()) free(frame);
}

bool write_frame(QueuedFrame *frame) {
    return qv_avi_write_fp_ex(g_export.avi, frame->header, kFrameHeaderSize) == 0 &&
           qv_avi_write_fp_ex(g_export.avi, frame->data(), frame->length) == 0;
}

// Writes queued frames until asked to stop (or interrupted) with nothing left, a write fails
// (the client has gone), or no frame has come for a minute.
void writer_loop() {
    pthread_setname_np(pthread_self(), "remote_backup");
    for (int idle = 0;;) {
        if (QueuedFrame *frame = take_first_frame()) {
            bool written = write_frame(frame);
            free(frame);
            if (!written) break;
            idle = 0;
            continue;
        }
        if (g_export.stop_requested.load() || !g_export.running.load() || ++idle > kWriterIdlePolls) break;
        nvr_sleep_us(kPollPauseUs);
    }
    g_export.running.store(false);
    free_queued_frames();
}

void discard_assembling() {
    free(g_export.assembling);
    g_export.assembling = nullptr;
}

// Queues a complete frame, waiting up to a second for the writer to make room.
int queue_complete_frame(QueuedFrame *frame) {
    for (int waits = 0; g_export.queued_bytes.load() > kExportQueueLimit; waits++) {
        if (waits == kBackPressureWaits || !g_export.running.load()) {
            free(frame);
            return -1;
        }
        nvr_sleep_us(kPollPauseUs);
    }
    append_frame(frame);
    return 0;
}

}  // namespace

int remote_backup_qvfs_open(FILE *out, QvAvi **handle) {
    if (!out || !handle || remote_backup_is_open()) return -1;
    if (qv_avi_open_fp(out, &g_export.avi) != 0) return -1;
    g_export.stop_requested.store(false);
    g_export.running.store(true);
    try {
        g_export.writer = std::thread(writer_loop);
    } catch (const std::system_error &) {
        g_export.running.store(false);
        qv_avi_close_fp(g_export.avi);
        g_export.avi = nullptr;
        return -1;
    }
    *handle = g_export.avi;
    return 0;
}

int remote_backup_qvfs_write(const void *frame_header, const void *piece, int mark, int piece_length) {
    if (!frame_header || piece_length < 0 || (piece_length > 0 && !piece)) return -1;
    if (!g_export.running.load()) {
        discard_assembling();
        return -1;
    }
    if (mark == 0) {
        discard_assembling();
        int32_t length = 0;
        memcpy(&length, static_cast<const uint8_t *>(frame_header) + offsetof(FrameHeader, frame_length), 4);
        // A frame of no bytes or of more than the export takes is dropped with its following pieces.
        if (length <= 0 || length > kExportMaxFrame) return -1;
        QueuedFrame *frame = static_cast<QueuedFrame *>(malloc(sizeof(QueuedFrame) + static_cast<size_t>(length)));
        if (!frame) return -1;
        frame->next = nullptr;
        frame->length = length;
        frame->received = 0;
        memcpy(frame->header, frame_header, kFrameHeaderSize);
        g_export.assembling = frame;
    } else if (!g_export.assembling) {
        return 0;  // the rest of a frame that was dropped, or never started
    }
    QueuedFrame *frame = g_export.assembling;
    int take = piece_length < frame->length - frame->received ? piece_length : frame->length - frame->received;
    memcpy(frame->data() + frame->received, piece, static_cast<size_t>(take));
    frame->received += take;
    if (frame->received < frame->length) return 0;
    g_export.assembling = nullptr;
    return queue_complete_frame(frame);
}

int remote_backup_qvfs_interrup() {
    g_export.running.store(false);
    return 0;
}

int remote_backup_qvfs_close(QvAvi *) {
    if (!remote_backup_is_open()) return -1;
    g_export.stop_requested.store(true);
    if (g_export.writer.joinable()) g_export.writer.join();
    free_queued_frames();
    discard_assembling();
    int result = qv_avi_close_fp(g_export.avi);
    g_export.avi = nullptr;
    g_export.running.store(false);
    return result;
}

int remote_backup_task_run_status() { return g_export.running.load() ? 1 : 0; }

bool remote_backup_is_open() { return g_export.avi != nullptr; }
