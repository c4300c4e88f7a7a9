// Address filter routes of module "/1000": which client addresses may reach the device.
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_system.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "system/system_module.h"

namespace {

constexpr int kRequestAccessFilterChanged = 1722;

// The entries of "filterList": objects with an integer "address_type" and a text "address";
// anything else is skipped. At most 100.
int entries_from_json(json_object *list, AccessFilterEntry *entries) {
    int count = 0;
    size_t length = json_object_array_length(list);
    for (size_t i = 0; i < length && count < kQvdbAccessFilterEntries; i++) {
        json_object *item = json_object_array_get_idx(list, i);
        int type = 0;
        if (!item || !json_object_is_type(item, json_type_object) ||
            on_cgi_get_int_from_json(item, "address_type", &type) != 0 ||
            !json_get_typed(item, "address", json_type_string))
            continue;
        AccessFilterEntry &entry = entries[count++];
        memset(&entry, 0, sizeof entry);
        entry.address_type = type;
        on_cgi_get_string_from_json(item, "address", entry.address, sizeof entry.address);
    }
    return count;
}

}  // namespace

// "/6300": the address filter switch, its kind and its entries.
int on_get_access_filter(const char *) {
    AccessFilterEntry entries[kQvdbAccessFilterEntries];
    int count = 0;
    if (read_access_filter(QVDB_PATH, entries, kQvdbAccessFilterEntries, &count) != 0) count = 0;
    json_object *list = json_object_new_array();
    for (int i = 0; i < count; i++) {
        json_object *entry = json_object_new_object();
        json_object_object_add(entry, "address_type", json_object_new_int(entries[i].address_type));
        json_object_object_add(entry, "address", json_object_new_string(entries[i].address));
        json_object_array_add(list, entry);
    }
    json_object *answer = json_object_new_object();
    json_object_object_add(answer, "filterEnable", json_object_new_int(get_param_int(QVDB_PATH, "access_filter_enable", 0)));
    json_object_object_add(answer, "filterType", json_object_new_int(get_param_int(QVDB_PATH, "access_filter_type", 1)));
    json_object_object_add(answer, "filterList", list);
    return cgi_answer_json(answer, kJson);
}

// "/6301": store the switch, the kind and the whole list in one transaction; tell the daemon.
int on_set_access_filter(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int enable = 0, type = 0;
    json_object *list = json_get_typed(request, "filterList", json_type_array);
    if (!request || on_cgi_get_int_from_json(request, "filterEnable", &enable) != 0 ||
        on_cgi_get_int_from_json(request, "filterType", &type) != 0 || !list)
        return 0;
    AccessFilterEntry entries[kQvdbAccessFilterEntries];
    int count = entries_from_json(list, entries);
    DbTransaction transaction(QVDB_PATH);
    set_param_int(QVDB_PATH, "access_filter_enable", enable);
    set_param_int(QVDB_PATH, "access_filter_type", type);
    write_access_filter(QVDB_PATH, entries, count);
    if (transaction.commit() != 0) return 0;
    cgi_notify_daemon(on_system_ipc_callback, kRequestAccessFilterChanged, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
