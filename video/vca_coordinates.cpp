// Page coordinates of the smart-event pages (the 460 x 260 drawing area) to camera pixels, and
// the "x;y;x;y" position texts they arrive in.
#include <errno.h>
#include <stdlib.h>

#include <limits>

#include "video/vca_payloads.h"
#include "video/video_replies.h"

namespace {

int clamped(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int>(value);
}

// (page * size + full / 2) / full, at least 1. Page values come from int32 texts and sizes are
// int32, so the product fits in 64 bits.
int page_to_camera(int64_t page, int size, int full) {
    int value = clamped((page * size + full / 2) / full);
    return value < 1 ? 1 : value;
}

}  // namespace

int page_x_to_camera(int64_t page_x, int width) { return page_to_camera(page_x, width, kPageWidth); }
int page_y_to_camera(int64_t page_y, int height) { return page_to_camera(page_y, height, kPageHeight); }

bool read_position_text(const char *text, int32_t out[4]) {
    int32_t values[4] = {0, 0, 0, 0};
    const char *at = text;
    bool complete = at != nullptr;
    for (int i = 0; complete && i < 4; i++) {
        if (i > 0) {
            if (*at != ';') complete = false;
            else at++;
        }
        if (!complete) break;
        char *end = nullptr;
        errno = 0;
        long long value = strtoll(at, &end, 10);
        if (end == at || errno != 0) complete = false;
        values[i] = clamped(value);
        at = end;
    }
    for (int i = 0; i < 4; i++) out[i] = complete ? values[i] : 0;
    return complete;
}

int page_line_to_camera(int width, int height, const char *text, int32_t out[4]) {
    int32_t page[4];
    bool complete = read_position_text(text, page);
    out[0] = page_x_to_camera(page[0], width);
    out[1] = page_y_to_camera(page[1], height);
    out[2] = page_x_to_camera(page[2], width);
    out[3] = page_y_to_camera(page[3], height);
    return complete ? 0 : -1;
}
