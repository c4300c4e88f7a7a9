// Licence-plate recognition settings of module "/6000": the reply handler of the camera's
// recognition settings (reply 8289).
#ifndef NVR_VIDEO_PLATE_SETTINGS_H
#define NVR_VIDEO_PLATE_SETTINGS_H

// The recognition settings answer; a reply shorter than the settings record is ignored.
int on_get_anpr_settings_cb(const void *payload, int length);

#endif
