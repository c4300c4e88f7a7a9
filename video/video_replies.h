// Reply handlers of module "/6000": turn the daemon's replies into the pages' answers.
#ifndef NVR_VIDEO_VIDEO_REPLIES_H
#define NVR_VIDEO_VIDEO_REPLIES_H

// Width and height of the pages' drawing area, in page points.
constexpr int kPageWidth = 460;
constexpr int kPageHeight = 260;

// Converts a camera pixel (x, y) of a width x height picture to the drawing area, rounded to
// nearest, in 64-bit arithmetic. 0 when converted; -1 (both outputs 0) when width or height is 0.
int page_point_from_camera(int width, int height, int x, int y, int *out_x, int *out_y);

// "OK" (text) when word 0 of the reply is 0, else "FAILED" (also for a missing or short reply).
int on_cgi_status_text_cb(const void *payload, int length);

// {"res": word 0}; a reply without its word is ignored.
int on_cgi_res_json_cb(const void *payload, int length);

// The camera-form analysis settings (reply 6211): 8 boxes of limits, unconverted. A missing or
// short reply gets the JSON error answer.
int on_get_ipc_vca_settings2_cb(const void *payload, int length);

#endif
