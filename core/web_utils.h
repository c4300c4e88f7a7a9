// Shared file, lock and interface utilities. Every path argument is a device path.
#ifndef NVR_CORE_WEB_UTILS_H
#define NVR_CORE_WEB_UTILS_H

#include <stddef.h>

// Moves a file (rename, or copy and unlink across file systems); -1 for a null argument, else 0.
int RemoveFile(const char *from, const char *to);

// Deletes a file (unlink); -1 for a null path, else 0.
int DeleteFile(const char *path);

// 0 when the path exists, -1 when not (or null or empty).
int IsFileExisted(const char *path);

// 0 when the path is a directory itself (a link to one is not), else -1.
int IsDirExisted(const char *path);

// Exclusive whole-file lock, waiting until free; returns the descriptor or -1.
int file_lock(const char *path);
int file_unlock(int fd);

// "%02X:..." hardware addresses of eth0 and eth1 (18-byte buffers), with fixed fallbacks.
int get_mac_addr(char *eth0, char *eth1);

// Whole file into a new buffer of exactly its size (not NUL-terminated); null on failure.
char *qv_get_file_data(const char *path, int *length);

// Creates or truncates the file and writes length bytes; 0 when all were written.
int qv_wirte_file_data(const char *path, const void *data, int length);

// Moves between two real (already mapped) paths: rename, or copy and unlink. 0 on success.
int nvr_move_file(const char *real_from, const char *real_to);

// Copies text into a fixed field: cut at size - 1, NUL-terminated.
void copy_text_field(char *field, size_t size, const char *text);

// The same for the first `length` bytes of a text that need not end there.
void copy_text_span(char *field, size_t size, const char *text, size_t length);

#endif
