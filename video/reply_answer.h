// The text of a fixed field of a reply or a stored record.
#ifndef NVR_VIDEO_REPLY_ANSWER_H
#define NVR_VIDEO_REPLY_ANSWER_H

#include <json-c/json.h>
#include <string.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"

// The text of a fixed field (of a reply or a stored record): up to its first NUL, never past the
// field.
inline std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

#endif
