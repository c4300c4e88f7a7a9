// Request readers shared by the "/6000" routes: channels from plain text and from JSON keys.
#include "video/video_request.h"

#include <errno.h>
#include <stdlib.h>

#include "core/json_util.h"

bool read_plain_channel(const char *arg, int *channel) {
    if (!arg || *arg == '\0') return false;
    char *end = nullptr;
    errno = 0;
    long value = strtol(arg, &end, 10);
    if (end == arg || *end != '\0' || errno != 0 || value < 0 || value >= kChannelCount) return false;
    *channel = static_cast<int>(value);
    return true;
}

bool read_channel_key(json_object *request, const char *key, int *channel) {
    int value = 0;
    if (on_cgi_get_int_from_json(request, key, &value) != 0 || !channel_in_range(value)) return false;
    *channel = value;
    return true;
}
