// Remote backup: frames of a playback export, reassembled from the daemon's pieces, queued and
// written as an AVI file by a writer thread of their own.
#ifndef NVR_PLAYBACK_REMOTE_BACKUP_H
#define NVR_PLAYBACK_REMOTE_BACKUP_H

#include <stdio.h>

#include "platform/avilib.h"

// Bytes of a frame the export takes at most; a larger frame is dropped.
constexpr int kExportMaxFrame = 0xA00000;
// A complete frame waits while more than this many bytes are queued.
constexpr long kExportQueueLimit = 0x9FFFFF;

// Opens the AVI writer on out and starts the writer thread. 0, or -1 (nothing started).
int remote_backup_qvfs_open(FILE *out, QvAvi **handle);

// Adds one piece of a frame: mark 0 starts a frame (its header's length says how many bytes
// follow in this and the next pieces), any other mark continues the frame being assembled.
// piece_length bytes are read from piece. A complete frame is queued for the writer. 0, or -1
// when the frame was dropped (too large, no memory, the queue stayed full, no writer running).
int remote_backup_qvfs_write(const void *frame_header, const void *piece, int mark, int piece_length);

// The export was interrupted: the writer writes what is queued and ends. 0.
int remote_backup_qvfs_interrup();

// Ends the export: the writer writes what is queued and ends; the file is closed. Call it only
// once no piece can arrive any more. The result of closing the file.
int remote_backup_qvfs_close(QvAvi *handle);

// True while the writer thread runs.
int remote_backup_task_run_status();

// True between a successful open and the close.
bool remote_backup_is_open();

#endif
