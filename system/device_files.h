// Paths taken from requests, replies and hand-over files: bare names, and files kept inside a device folder.
#ifndef NVR_SYSTEM_DEVICE_FILES_H
#define NVR_SYSTEM_DEVICE_FILES_H

#include <string>

// True for a bare file name: not empty, no '/', not "." or "..".
bool is_bare_file_name(const char *name);

// Resolves a device path (mapped beneath the device root; an already mapped path is taken as
// it is) and succeeds only when it names a regular file inside the device folder, links
// resolved. Fills the real path on success.
bool regular_file_inside(const char *device_dir, const char *device_path, std::string *real_path);

// Opens a real path found by regular_file_inside for reading, refusing a link swapped in since;
// -1 on failure.
int open_regular_file(const std::string &real_path);

// The uploaded file's path in an upload argument: the argument without the " & param" tail the
// upload reader adds when the query holds "param:" (that tail never holds '&').
std::string upload_argument_path(const char *arg);

// The text after the last '/' (the whole text when there is none).
std::string path_base_name(const std::string &path);

// The text without CR and LF characters.
std::string without_line_breaks(const std::string &text);

// Copies an open file to standard output after the download header pair; false when the copy failed.
bool stream_download(int fd, const std::string &download_name);

#endif
