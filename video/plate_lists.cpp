// Licence-plate list routes of module "/6000": add, delete and move plates of the black list,
// white list and visitors in the plate file.
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>

#include "core/json_util.h"
#include "core/qvdb_anpr.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/qvstd.h"
#include "video/video_module.h"

namespace {

constexpr const char *kAnprDb = QVDB_ANPR_PATH;
constexpr int kMaxPlates = 10000;

// A plate text as the page sends it (URL-encoded), decoded and cut to the entry's field; false
// for a text that is not one (not a string, or a malformed encoding).
bool decode_plate(json_object *value, char (&plate)[sizeof(AnprListEntry::plate)]) {
    if (!value || !json_object_is_type(value, json_type_string)) return false;
    const char *text = json_object_get_string(value);
    size_t length = strlen(text);
    std::string decoded(length + 1, '\0');
    if (get_url_decode(text, &decoded[0], static_cast<int>(length + 1)) < 0) return false;
    copy_text_field(plate, sizeof plate, decoded.c_str());
    return true;
}

bool copy_type(json_object *value, char (&type)[sizeof(AnprListEntry::type)]) {
    if (!value || !json_object_is_type(value, json_type_string)) return false;
    copy_text_field(type, sizeof type, json_object_get_string(value));
    return true;
}

// The items of a plate request: "cnt" (1 to 10000) and the array "plate". Work is bounded by
// the smaller of "cnt" and the array's length.
struct PlateItems {
    JsonRef request;
    json_object *items = nullptr;
    int limit = 0;
    explicit PlateItems(const char *arg) : request(get_request_tokener_json_object(arg)) {
        int count = 0;
        if (!request || on_cgi_get_int_from_json(request, "cnt", &count) != 0 || count < 1 || count > kMaxPlates) return;
        items = json_get_typed(request, "plate", json_type_array);
        if (!items) return;
        size_t length = json_object_array_length(items);
        limit = static_cast<size_t>(count) < length ? count : static_cast<int>(length);
    }
    bool valid() const { return items != nullptr; }
    json_object *item(int i) const { return json_object_array_get_idx(items, static_cast<size_t>(i)); }
};

// Element i of an item that must be an array of exactly `size` elements; null otherwise.
json_object *element(json_object *item, size_t size, size_t i) {
    if (!item || !json_object_is_type(item, json_type_array) || json_object_array_length(item) != size) return nullptr;
    return json_object_array_get_idx(item, i);
}

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};
using EntryArray = std::unique_ptr<AnprListEntry[], FreeDeleter>;

EntryArray allocate_entries(int count) {
    return EntryArray(static_cast<AnprListEntry *>(calloc(static_cast<size_t>(count > 0 ? count : 1), sizeof(AnprListEntry))));
}

}  // namespace

// "/6184": adds plates [type, plate] (a stored plate moves to the new list), as one batch;
// answers {"count": n}.
int on_set_anpr_add_lpr_plate(const char *arg) {
    PlateItems plates(arg);
    if (!plates.valid()) return cgi_error_to_webserver(kJson);
    EntryArray entries = allocate_entries(plates.limit);
    if (!entries) return cgi_error_to_webserver(kJson);
    int count = 0;
    for (int i = 0; i < plates.limit; i++) {
        json_object *item = plates.item(i);
        AnprListEntry &entry = entries[count];
        if (copy_type(element(item, 2, 0), entry.type) && decode_plate(element(item, 2, 1), entry.plate)) count++;
        else memset(&entry, 0, sizeof entry);
    }
    if (count == 0 || write_anpr_list_replace_batch(kAnprDb, entries.get(), count) != 0)
        return cgi_error_to_webserver(kJson);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_error_to_webserver(kJson);
    json_add_int(answer, "count", count);
    return cgi_answer_json(answer, kJson);
}

// "/6183": deletes plates, as one batch.
int on_set_anpr_del_lpr_plate(const char *arg) {
    PlateItems plates(arg);
    if (!plates.valid()) return cgi_error_to_webserver(kTextPlain);
    EntryArray entries = allocate_entries(plates.limit);
    if (!entries) return cgi_error_to_webserver(kTextPlain);
    int count = 0;
    for (int i = 0; i < plates.limit; i++)
        if (decode_plate(plates.item(i), entries[count].plate)) count++;
    if (count == 0 || delete_anpr_lists(kAnprDb, entries.get(), count) != 0) return cgi_error_to_webserver(kTextPlain);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/6185": moves plates [old plate, type, new plate]: the old entry goes, the new plate is stored
// once (an entry it already has is updated).
int on_set_anpr_update_lpr_plate(const char *arg) {
    PlateItems plates(arg);
    if (!plates.valid()) return cgi_error_to_webserver(kTextPlain);
    DbTransaction transaction(kAnprDb);
    for (int i = 0; i < plates.limit; i++) {
        json_object *item = plates.item(i);
        AnprListEntry old_entry, entry, found;
        memset(&old_entry, 0, sizeof old_entry);
        memset(&entry, 0, sizeof entry);
        if (!decode_plate(element(item, 3, 0), old_entry.plate) || !copy_type(element(item, 3, 1), entry.type) ||
            !decode_plate(element(item, 3, 2), entry.plate))
            continue;
        delete_anpr_list(kAnprDb, &old_entry);
        if (read_anpr_list_plate(kAnprDb, &found, entry.plate) == 0 && found.plate[0]) update_anpr_list(kAnprDb, &entry);
        else write_anpr_list(kAnprDb, &entry);
    }
    if (transaction.commit() != 0) return cgi_error_to_webserver(kTextPlain);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
