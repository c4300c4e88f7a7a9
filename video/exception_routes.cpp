// Exception routes of module "/6000": the actions of the recorder-wide exceptions and their HTTP
// notification targets, one target per exception kind.
#include <string.h>


#include "core/ipc.h"
#include "core/json_codec.h"
#include "core/json_util.h"
#include "core/response.h"
#include "video/reply_answer.h"
#include "video/video_loss_settings.h"
#include "video/video_module.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kMinExceptionItems = 8;

json_object *exception_targets_json() {
    HttpTarget targets[kQvdbExceptionKinds];
    read_http_notification_params_init(kDb, QVDB_EXCEPTION_HTTP_TABLE, targets, kQvdbExceptionKinds);
    json_object *all = json_object_new_object();
    for (int i = 0; all && i < kQvdbExceptionKinds; i++) {
        char name[32];
        if (get_exception_name(i, name, sizeof name) != 0 || name[0] == '\0') continue;
        const HttpTarget &target = targets[i];
        json_object *one = json_object_new_object();
        json_add_text(one, "url", field_text(target.url, sizeof target.url).c_str());
        json_add_text(one, "username", field_text(target.username, sizeof target.username).c_str());
        json_add_text(one, "password", field_text(target.password, sizeof target.password).c_str());
        json_object_object_add(all, name, one);
    }
    return all;
}

// Item i of the "exception" array as a number; anything else reads 0.
int32_t exception_action(json_object *items, size_t i) {
    json_object *item = i < json_object_array_length(items) ? json_object_array_get_idx(items, i) : nullptr;
    if (!item || !(json_object_is_type(item, json_type_int) || json_object_is_type(item, json_type_double))) return 0;
    return json_object_get_int(item);
}

// The targets of the kinds named in "httpParams": target i gets channel i and its texts; a kind
// not named keeps its stored target (channel -1).
void fill_exception_targets(json_object *http, HttpTarget targets[kQvdbExceptionKinds]) {
    for (int i = 0; i < kQvdbExceptionKinds; i++) {
        memset(&targets[i], 0, sizeof targets[i]);
        targets[i].channel = -1;
        char name[32];
        if (get_exception_name(i, name, sizeof name) != 0 || name[0] == '\0') continue;
        if (get_http_params_by_json(i, &targets[i], http, name) != 0) targets[i].channel = -1;
    }
}

}  // namespace

// "/6999": the exception actions and targets.
int on_get_exception(const char *) {
    ExceptionActionsRecord actions;
    memset(&actions, 0, sizeof actions);
    read_trigger_alarms(kDb, &actions);
    json_object *answer = json_object_new_object();
    json_object *list = json_object_new_array();
    if (!answer || !list) {
        if (list) json_object_put(list);
        if (answer) json_object_put(answer);
        return cgi_error_to_webserver(kJson);
    }
    json_object_object_add(answer, "httpParams", exception_targets_json());
    for (int i = 0; i < kExceptionActions; i++) json_object_array_add(list, json_object_new_int(actions.action[i]));
    json_object_object_add(answer, "exception", list);
    json_add_int(answer, "recordFailedMailInterval", actions.recordFailedMailInterval);
    return cgi_answer_json(answer, kJson);
}

// "/6998": the exception actions and, when "httpParams" is an object, the targets it names.
int on_set_exception(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *items = request ? json_get_typed(request, "exception", json_type_array) : nullptr;
    if (!items || json_object_array_length(items) < static_cast<size_t>(kMinExceptionItems)) return 0;
    ExceptionActionsRecord actions;
    memset(&actions, 0, sizeof actions);
    for (int i = 0; i < kExceptionActions; i++) actions.action[i] = exception_action(items, static_cast<size_t>(i));
    actions.recordFailedMailInterval = json_int_or(request, "recordFailedMailInterval", 0);
    json_object *http = json_get_typed(request, "httpParams", json_type_object);
    {
        DbTransaction transaction(kDb);
        write_trigger_alarms(kDb, &actions);
        if (http) {
            HttpTarget targets[kQvdbExceptionKinds];
            fill_exception_targets(http, targets);
            write_http_notification_params_batch(kDb, targets, QVDB_EXCEPTION_HTTP_TABLE, kQvdbExceptionKinds);
        }
        transaction.commit();
    }
    cgi_notify_daemon(on_video_ipc_callback, kRequestExceptionActionsChanged, nullptr, 0);
    if (http) cgi_notify_daemon(on_video_ipc_callback, kRequestExceptionTargetsChanged, nullptr, 0);
    return cgi_writeback_webserver(kJson, "{\"status\":\"CGI SUCCESS\"}");
}
