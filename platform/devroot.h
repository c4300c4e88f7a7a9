// Device root (NVR_ROOT) and time divisor (NVR_TIME_DIVISOR): the one place device paths are mapped.
#ifndef NVR_PLATFORM_DEVROOT_H
#define NVR_PLATFORM_DEVROOT_H

#include <stddef.h>
#include <string>

// The device root, "" when NVR_ROOT is unset (paths are then the device's own).
const char *nvr_root();

// Maps an absolute device path beneath the device root. System programs (/bin, /sbin, /usr,
// /lib) and kernel files (/proc, /sys) are never mapped; relative paths are returned unchanged.
std::string nvr_path(const char *device_path);

// The same into a caller's buffer; -1 when it does not fit (out is then "").
int nvr_map_path(const char *device_path, char *out, size_t size);

// Turns a mapped path back into the device path ("/tmp/x"), or returns it unchanged when it
// does not lie beneath the device root.
std::string nvr_device_path(const char *real_path);

// Divisor of every sleep and wait (NVR_TIME_DIVISOR, at least 1).
long nvr_time_divisor();

// Sleeps the given microseconds divided by the time divisor.
void nvr_sleep_us(long microseconds);

// Forgets the cached environment values (tests change NVR_ROOT between cases).
void nvr_devroot_reset();

#endif
