// PTZ-linkage routes of module "/6000": single entries of the PTZ linkage lists (which PTZ camera
// moves to which preset, patrol or pattern when an event of a type fires on a channel).
#include <string.h>

#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "video/video_module.h"
#include "video/video_request.h"

namespace {

constexpr const char *kDb = QVDB_PATH;

// Event type and event channel "chn_id" (0 to 63) of a request; false when either is missing.
bool read_type_and_channel(json_object *request, int *type, int *channel) {
    return request && on_cgi_get_int_from_json(request, "type", type) == 0 &&
           read_channel_key(request, "chn_id", channel);
}

// The entry of "/6160" and "/6163": event channel, PTZ channel (0 to 63), action type and only
// the target that matches it (1 preset, 2 patrol, 3 pattern).
bool read_entry(json_object *request, int *type, PtzLinkEntry *entry) {
    memset(entry, 0, sizeof *entry);
    if (!read_type_and_channel(request, type, &entry->channel) ||
        !read_channel_key(request, "acto_ptz_channel", &entry->acto_ptz_channel))
        return false;
    on_cgi_get_int_from_json(request, "acto_ptz_type", &entry->acto_ptz_type);
    switch (entry->acto_ptz_type) {
        case 1: on_cgi_get_int_from_json(request, "acto_ptz_preset", &entry->acto_ptz_preset); break;
        case 2: on_cgi_get_int_from_json(request, "acto_ptz_patrol", &entry->acto_ptz_patrol); break;
        case 3: on_cgi_get_int_from_json(request, "acto_ptz_pattern", &entry->acto_ptz_pattern); break;
        default: break;
    }
    return true;
}

bool people_counting(int type) { return type == kQvdbPeopleCountPtzType; }

int store_entry(const PtzLinkEntry &entry, int type) {
    return people_counting(type) ? write_peoplecnt_ptz_params(kDb, &entry) : write_ptz_params(kDb, &entry, type);
}

int delete_entry(const PtzLinkEntry &entry, int type, int ptz_channel) {
    return people_counting(type) ? delete_peoplecnt_ptz_params(kDb, &entry, ptz_channel)
                                 : delete_ptz_params(kDb, &entry, type, ptz_channel);
}

// "OK" when the change was stored, else the text error answer.
int answer_stored(int rc) {
    return rc == 0 ? cgi_writeback_webserver(kTextPlain, "OK") : cgi_error_to_webserver(kTextPlain);
}

}  // namespace

// "/6160": stores one entry (an entry of the same PTZ channel is replaced).
int on_set_ptz_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = 0;
    PtzLinkEntry entry;
    if (!read_entry(request, &type, &entry)) return cgi_error_to_webserver(kTextPlain);
    return answer_stored(store_entry(entry, type));
}

// "/6163": moves the entry stored under event channel "old_chn_id" to "chn_id" with its new values.
int on_update_ptz_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = 0, old_channel = 0;
    PtzLinkEntry entry;
    if (!read_entry(request, &type, &entry) || !read_channel_key(request, "old_chn_id", &old_channel))
        return cgi_error_to_webserver(kTextPlain);
    int rc = people_counting(type) ? update_peoplecnt_ptz_params(kDb, &entry, old_channel)
                                   : update_ptz_params(kDb, &entry, type, old_channel);
    return answer_stored(rc);
}

// "/6161": the linkage list of an event type and channel.
int on_get_ptz_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = 0, channel = 0;
    if (!read_type_and_channel(request, &type, &channel)) return cgi_error_to_webserver(kTextPlain);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kTextPlain);
    json_object_object_add(answer, "ptzInfo", get_ptz_params_json_object(type, channel));
    return cgi_answer_json(answer, kJson);
}

// "/6162": deletes the entry of one PTZ channel.
int on_delete_ptz_params(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = 0, ptz_channel = 0;
    PtzLinkEntry entry;
    memset(&entry, 0, sizeof entry);
    if (!read_type_and_channel(request, &type, &entry.channel) ||
        !read_channel_key(request, "acto_ptz_channel", &ptz_channel))
        return cgi_error_to_webserver(kTextPlain);
    return answer_stored(delete_entry(entry, type, ptz_channel));
}

// "/6164": deletes the entries of the PTZ channels listed in "ptzChannel" (items that are not
// channel numbers are skipped), together.
int on_delete_ptz_params_batch(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int type = 0;
    PtzLinkEntry entry;
    memset(&entry, 0, sizeof entry);
    json_object *channels = json_get_typed(request, "ptzChannel", json_type_array);
    if (!read_type_and_channel(request, &type, &entry.channel) || !channels) return cgi_error_to_webserver(kTextPlain);
    DbTransaction transaction(kDb);
    size_t length = json_object_array_length(channels);
    for (size_t i = 0; i < length; i++) {
        json_object *item = json_object_array_get_idx(channels, i);
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        int64_t ptz_channel = json_object_get_int64(item);
        if (ptz_channel < 0 || ptz_channel >= kQvdbChannels) continue;
        if (delete_entry(entry, type, static_cast<int>(ptz_channel)) != 0) transaction.fail();
    }
    return answer_stored(transaction.commit());
}
