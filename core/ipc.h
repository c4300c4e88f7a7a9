// Request channel to the recorder daemon: send, wait for the reply, per-code wait limits.
#ifndef NVR_CORE_IPC_H
#define NVR_CORE_IPC_H

#include <atomic>

#include "platform/qvsocket.h"

// Completion flag of the most recent request: 0 until a reply handler sets it (1 for
// success, or a daemon status passed through).
extern std::atomic<int> g_callback_done;

// Opens the channel with the module's dispatcher, sends one request and, unless nowait is
// exactly 1, waits for the reply. -1 for a null dispatcher, else 0 whatever happened.
int cgi_start_ipc(ReplyDispatcher callback, int request_code, int payload_len, const void *payload, int nowait);

// Like cgi_start_ipc with a wait, but the request's further replies keep reaching the
// dispatcher after the wait, until a reply handler sets the completion flag or the channel is
// stopped: a playback export streams its frames so.
int cgi_start_ipc_stream(ReplyDispatcher callback, int request_code, int payload_len, const void *payload);

// Closes the channel. The argument is not used.
int cgi_stop_ipc(int unused = 0);

// Number of 40 ms polls a request code may wait for its reply.
int cgi_ipc_wait_polls(int request_code);

// Sends a request and waits; when no reply was handled, answers cgi_error_to_webserver(error_kind).
// True when a reply handler answered.
bool cgi_ask_daemon(ReplyDispatcher callback, int request_code, const void *payload, int payload_len, int error_kind);

// Sends a request without waiting (a notice or a command).
void cgi_notify_daemon(ReplyDispatcher callback, int request_code, const void *payload, int payload_len);

// Reply handlers call this when they have answered: sets the completion flag.
void cgi_reply_done(int value = 1);

// Reads 32-bit word i of a reply payload of `length` bytes; false when it lies outside.
bool reply_word(const void *payload, int length, int index, int *out);

#endif
