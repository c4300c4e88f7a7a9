// Translation table of the device log's numbered texts, and the disk-channel rule of log entries.
#ifndef NVR_PLATFORM_TRANS_H
#define NVR_PLATFORM_TRANS_H

#include <stdint.h>

// Loads the texts of a language (at most 31 characters are used). English is built in; a
// language without texts of its own falls back to English. 0 on success.
int trans_init(const char *language);

// Writes the text of a numbered entry (cut to size - 1). 0 when the number has a text, else
// -1 with "" written. Before trans_init, English is used.
int trans_get_value(int number, char *out, int size);

// Releases the loaded texts.
void trans_deinit();

// 1 when a log entry's channel number names a disk rather than a camera, else 0.
int log_channo_is_disk(int main_type, int64_t sub_type);

#endif
