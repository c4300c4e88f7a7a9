// Answering from a reply handler: the answer is written once, then the completion flag is set.
#ifndef NVR_VIDEO_REPLY_ANSWER_H
#define NVR_VIDEO_REPLY_ANSWER_H

#include <json-c/json.h>
#include <string.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"

// Writes a JSON answer (the JSON error answer when it could not be made) and sets the flag.
inline int answer_reply_json(json_object *answer) {
    if (answer) cgi_answer_json(answer, kJson);
    else cgi_error_to_webserver(kJson);
    cgi_reply_done();
    return 0;
}

// The text of a fixed field (of a reply or a stored record): up to its first NUL, never past the
// field.
inline std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

#endif
