// Helpers shared by the routes of module "/7000": daemon notices, answers, JSON field tables and
// the service-port checks.
#include "network/network_common.h"

#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/oplog.h"
#include "core/qvdb.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "network/network_module.h"
#include "platform/qvstd_net.h"

namespace {

// A notice waits for nothing: a reply to it (3700 has one) must not answer the request.
int ignore_replies(int, const MessageHeader *, const void *) { return 0; }

}  // namespace

void network_notify(int code, const void *payload, int length) {
    cgi_notify_daemon(ignore_replies, code, payload, length);
}

ServiceName service_name(const char *text) {
    ServiceName name;
    memset(&name, 0, sizeof name);
    copy_text_field(name.text, sizeof name.text, text);
    return name;
}

void notify_network_changed(const char *area) {
    ServiceName name = service_name(area);
    network_notify(kRequestNetworkChanged, &name, sizeof name);
}

void network_log(int sub_type, int parameter) { cgi_log_operation(on_network_ipc_callback, sub_type, parameter, 0); }

int answer_param_int(const char *key, const char *param, int fallback) {
    json_object *answer = json_object_new_object();
    json_add_int(answer, key, get_param_int(QVDB_PATH, param, fallback));
    return cgi_answer_json(answer, kJson);
}

int answer_text_done(const char *text) {
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done();
    return 0;
}


int32_t reply_first_word(const void *payload) {
    int32_t word = 0;
    memcpy(&word, payload, sizeof word);
    return word;
}

int answer_res_done(const void *payload, int) {
    json_object *answer = json_object_new_object();
    if (answer) json_add_int(answer, "res", reply_first_word(payload));
    return cgi_reply_json(answer);
}

json_object *json_field_text(const char *field, size_t size) {
    return json_object_new_string_len(field, static_cast<int>(strnlen(field, size)));
}

void json_add_field_text(json_object *answer, const char *key, const char *field, size_t size) {
    json_object_object_add(answer, key, json_field_text(field, size));
}

void json_add_fields(json_object *answer, const void *record, const JsonField *fields, int count) {
    const char *base = static_cast<const char *>(record);
    for (int i = 0; i < count; i++) {
        const JsonField &field = fields[i];
        if (field.text) {
            json_add_field_text(answer, field.key, base + field.offset, field.size);
        } else {
            int32_t value = 0;
            memcpy(&value, base + field.offset, sizeof value);
            json_add_int(answer, field.key, value);
        }
    }
}

void json_take_fields(json_object *request, void *record, const JsonField *fields, int count) {
    char *base = static_cast<char *>(record);
    for (int i = 0; i < count; i++) {
        const JsonField &field = fields[i];
        if (field.text) {
            on_cgi_get_string_from_json(request, field.key, base + field.offset, static_cast<int>(field.size));
        } else {
            int value = 0;
            if (on_cgi_get_int_from_json(request, field.key, &value) == 0) memcpy(base + field.offset, &value, 4);
        }
    }
}

int is_poe_port(int port) {
    int poe_ports = get_param_int(QVDB_PATH, "max_poe_num", 0);
    if (poe_ports != 4 && poe_ports != 8 && poe_ports != 16) return 0;
    return port >= 23001 && port <= 23000 + poe_ports ? 1 : 0;
}

bool port_change_allowed(int old_port, int new_port) {
    if (new_port == old_port) return true;
    return !is_poe_port(new_port) && is_port_use(new_port) == 0;
}
