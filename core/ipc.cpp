// Request channel to the recorder daemon: send, wait for the reply, per-code wait limits.
#include "core/ipc.h"

#include <stdint.h>
#include <string.h>

#include <mutex>

#include "core/response.h"
#include "platform/devroot.h"

std::atomic<int> g_callback_done{0};

namespace {

constexpr int kSendAttempts = 3000;
constexpr long kSendPauseUs = 10000;
constexpr long kPollPauseUs = 40000;
constexpr int kDefaultPolls = 1000;

struct WaitLimit {
    int polls;
    int codes[16];
};

const WaitLimit kWaitLimits[] = {
    {1500, {3700, 3702}},
    {3000, {1153, 1171, 3102, 3104, 3223, 3259, 3263, 3360, 3365, 3401, 3535}},
    {6000, {1701, 1713, 1716, 3200, 3201, 3202, 3203, 3204, 3205, 3227, 3402, 3409, 3420, 3440, 3528}},
    {15000, {3230, 3350, 3434, 3494, 3495}},
    {30000, {3379}},
};

// A reply reaches the module's dispatcher only while its request is the one being answered:
// the wait is open, nothing has answered yet, and the reply carries the request's sequence.
// This keeps a late or second reply from writing a second response.
std::mutex g_gate;
ReplyDispatcher g_dispatcher = nullptr;
bool g_accepting = false;
uint32_t g_expected_sequence = 0;

int gated_dispatch(int ignored, const MessageHeader *header, const void *payload) {
    std::lock_guard<std::mutex> guard(g_gate);
    if (!g_accepting || !g_dispatcher || g_callback_done.load() != 0) return 0;
    if (header->sequence != g_expected_sequence) return 0;
    return g_dispatcher(ignored, header, payload);
}

void close_wait() {
    std::lock_guard<std::mutex> guard(g_gate);
    g_accepting = false;
}

}  // namespace

int cgi_ipc_wait_polls(int request_code) {
    for (const WaitLimit &limit : kWaitLimits)
        for (int code : limit.codes)
            if (code == request_code) return limit.polls;
    return kDefaultPolls;
}

namespace {

// Sends one request and waits unless nowait is 1; keep_open leaves the gate open after the wait.
int start_request(ReplyDispatcher callback, int request_code, int payload_len, const void *payload, int nowait,
                  bool keep_open) {
    if (!callback) return -1;
    {
        std::lock_guard<std::mutex> guard(g_gate);
        g_dispatcher = callback;
        g_accepting = false;
    }
    qv_sock_init(gated_dispatch, 0, 3, "/var/run/qvsocket");
    // A notice's reply never answers the request, so a channel that only notifies needs no
    // receive thread (starting and joining one was much of what a notice cost).
    if (nowait != 1) qv_sock_expect_replies();
    g_callback_done.store(0);

    for (int attempt = 0; attempt < kSendAttempts; attempt++) {
        {
            // Only this thread sends, so the sequence the frame will carry is known in advance.
            std::lock_guard<std::mutex> guard(g_gate);
            g_expected_sequence = qv_sock_next_sequence();
            g_accepting = nowait != 1;  // a notice's reply never answers the request
        }
        bool sent = qv_sock_send_msg(1, request_code, payload, payload_len, 0, 0) == 0;
        nvr_sleep_us(kSendPauseUs);
        if (sent) break;
    }
    if (nowait == 1) return 0;

    int limit = cgi_ipc_wait_polls(request_code);
    for (int polls = 0; g_callback_done.load(std::memory_order_relaxed) == 0 && polls < limit; polls++)
        nvr_sleep_us(kPollPauseUs);
    if (!keep_open) close_wait();
    return 0;
}

}  // namespace

int cgi_start_ipc(ReplyDispatcher callback, int request_code, int payload_len, const void *payload, int nowait) {
    return start_request(callback, request_code, payload_len, payload, nowait, false);
}

int cgi_start_ipc_stream(ReplyDispatcher callback, int request_code, int payload_len, const void *payload) {
    return start_request(callback, request_code, payload_len, payload, 0, true);
}

int cgi_stop_ipc(int) {
    close_wait();
    qv_sock_uninit();
    return 0;
}

bool cgi_ask_daemon(ReplyDispatcher callback, int request_code, const void *payload, int payload_len, int error_kind) {
    cgi_start_ipc(callback, request_code, payload_len, payload, 0);
    bool answered = g_callback_done.load() != 0;
    if (!answered) cgi_error_to_webserver(error_kind);
    cgi_stop_ipc();
    return answered;
}

void cgi_notify_daemon(ReplyDispatcher callback, int request_code, const void *payload, int payload_len) {
    cgi_start_ipc(callback, request_code, payload_len, payload, 1);
    cgi_stop_ipc();
}

void cgi_reply_done(int value) { g_callback_done.store(value); }

bool reply_word(const void *payload, int length, int index, int *out) {
    if (!payload || index < 0 || length < 0 || (static_cast<int64_t>(index) + 1) * 4 > length) return false;
    memcpy(out, static_cast<const char *>(payload) + index * 4, 4);
    return true;
}
