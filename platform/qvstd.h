// The maker's standard-utility library: commands without a shell, pipes, file copy, URL and Base64 coding.
#ifndef NVR_PLATFORM_QVSTD_H
#define NVR_PLATFORM_QVSTD_H

#include <stdint.h>
#include <stdio.h>

// Runs a program (found through PATH) with an argument vector, no shell; its standard output
// goes to /dev/null. 0 only for a normal exit with status 0, else -1.
int qv_system(const char *const argv[]);

// Starts a program with an argument vector, no shell, and returns a stream on its standard
// output (mode "r") or input (mode "w"); null on failure. Close with qv_vpclose.
FILE *qv_vpopen(const char *const argv[], const char *mode);

// Closes the stream and waits for its program: the exit status, or -1 when it did not exit normally.
int qv_vpclose(FILE *stream);

// Copies from fd_in to fd_out until end of input (length < 0) or length bytes, with sendfile
// or splice when the descriptors allow it and read/write otherwise. The bytes copied, or -1.
int64_t qv_spliced_copy_ex(int fd_in, int fd_out, int64_t length);

// 0 when the device path exists, -1 when not.
int qv_check_file_exist(const char *device_path);

// Percent-encodes every byte except A-Z a-z 0-9 '-' '_' '.' '~'. The text length, or -1 when
// the result (with its NUL) does not fit.
int get_url_encode(const char *text, char *out, int out_size);

// Decodes %XX sequences ('+' stays '+'). -1 for a malformed sequence, an encoded NUL, or a
// result that does not fit; else the decoded length.
int get_url_decode(const char *text, char *out, int out_size);

// Decodes standard Base64 (A-Z a-z 0-9 '+' '/', '=' padding; line breaks and blanks are skipped).
// The byte count, or -1 for text that is not Base64 or does not fit.
int qv_base64_decode(const char *text, int length, unsigned char *out, int out_size);
// The same, also taking the URL-safe letters '-' and '_' when url_safe_too is non-zero.
int qv_base64_decode_ex(const char *text, int length, unsigned char *out, int out_size, int url_safe_too);

#endif
