// Camera discovery routes of module "/2001": searching the network for cameras, checking a
// camera's address and login before it is added, and changing cameras' own network settings.
#include <limits.h>
#include <string.h>

#include "camera/camera_module.h"
#include "camera/camera_payloads.h"
#include "camera/camera_request.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"

namespace {

constexpr int kHighestProtocol = 7;
constexpr int kHighestCameraPort = 65536;

// ---- camera network settings (3205 and the items of 3229) ---------------------------------------

struct NetworkText {
    const char *key;
    size_t offset;
    size_t size;
};
#define NETWORK_TEXT(member) \
    NetworkText { #member, offsetof(CameraNetworkChange, member), sizeof(CameraNetworkChange::member) }
const NetworkText kNetworkTexts[] = {
    NETWORK_TEXT(macAddr), NETWORK_TEXT(oldIpcAddr), NETWORK_TEXT(newIpcAddr), NETWORK_TEXT(netmask),
    NETWORK_TEXT(gateway), NETWORK_TEXT(primaryDNS), NETWORK_TEXT(username), NETWORK_TEXT(password),
    NETWORK_TEXT(netif),
};
#undef NETWORK_TEXT

// Fills a zeroed payload from the keys of `source`: texts cut to their fields (a missing one is
// ""), "port" and "protocol" as numbers (a missing one is 0). True when every key was there.
bool fill_network_change(json_object *source, CameraNetworkChange *change) {
    memset(change, 0, sizeof *change);
    bool complete = true;
    for (const NetworkText &text : kNetworkTexts) {
        char *field = reinterpret_cast<char *>(change) + text.offset;
        complete &= replace_text_key(source, text.key, field, text.size);
    }
    int port = 0, protocol = 0;
    complete &= on_cgi_get_int_from_json(source, "port", &port) == 0;
    complete &= on_cgi_get_int_from_json(source, "protocol", &protocol) == 0;
    change->port = port;
    change->protocol = protocol;
    return complete;
}

// ---- camera checks (3202 and 3227) ------------------------------------------------------------

// The check keys into a zeroed payload of either check layout: texts cut to their fields, a
// missing key "" or 0.
template <typename Payload>
void fill_camera_check(json_object *request, Payload *payload) {
    memset(payload, 0, sizeof *payload);
    store_text_key(request, "ipAddr", payload->ipAddr, sizeof payload->ipAddr);
    payload->managePort = number_key(request, "managePort");
    store_text_key(request, "userName", payload->userName, sizeof payload->userName);
    store_text_key(request, "password", payload->password, sizeof payload->password);
    payload->camProtocol = number_key(request, "camProtocol");
}

}  // namespace

// "/2006": searches for cameras of a protocol (0 to 7); nothing is sent for another protocol. The
// page's "nic" is not part of the daemon's request, which carries the protocol only.
int on_search_cameras(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int protocol = 0;
    if (!request || !read_int_between(request, "protocol", 0, kHighestProtocol, &protocol)) return 0;
    int32_t payload = protocol;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestSearchCameras, &payload, sizeof payload, kJson);
    return 0;
}

// Reply 8200: one object per whole 760-byte entry; "NO" when there is none.
int on_search_cameras_cb(const ReplyView &reply) {
    static const EntryField kFields[] = {
        ENTRY_TEXT(CameraSearchEntry, ipAddr),       ENTRY_NUMBER(CameraSearchEntry, managePort),
        ENTRY_NUMBER(CameraSearchEntry, protocol),   ENTRY_TEXT(CameraSearchEntry, macAddr),
        ENTRY_TEXT(CameraSearchEntry, vendor),       ENTRY_TEXT(CameraSearchEntry, sn),
        ENTRY_TEXT(CameraSearchEntry, fwVersion),    ENTRY_TEXT(CameraSearchEntry, model),
        ENTRY_NUMBER(CameraSearchEntry, modelId),    ENTRY_TEXT(CameraSearchEntry, netmask),
        ENTRY_TEXT(CameraSearchEntry, dns),          ENTRY_TEXT(CameraSearchEntry, gateway),
        ENTRY_TEXT(CameraSearchEntry, netif),        ENTRY_NUMBER(CameraSearchEntry, active_status),
        ENTRY_ASCII(CameraSearchEntry, name),        ENTRY_TEXT(CameraSearchEntry, snReal),
    };
    int count = whole_entries(reply, 0, sizeof(CameraSearchEntry), INT_MAX);
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_text(answer, "resultString", count > 0 ? "OK" : "NO");
    json_object *cameras = json_object_new_array();
    json_object_object_add(answer, "IPC", cameras);
    add_entries(cameras, reply, 0, sizeof(CameraSearchEntry), count, kFields, NVR_ARRAY_COUNT(kFields));
    return cgi_reply_json(answer);
}

// "/2011": changes one camera's own network settings. Every key must be there, "port" at most
// 65536 and "protocol" 0 to 7; otherwise nothing is answered.
int on_set_camera_network(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    CameraNetworkChange change;
    if (!request || !fill_network_change(request, &change) || change.port > kHighestCameraPort ||
        change.protocol < 0 || change.protocol > kHighestProtocol)
        return 0;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestCameraNetwork, &change, sizeof change, kJson);
    return 0;
}

// Reply 8205: the daemon's result as a word the page knows.
int on_set_camera_network_cb(const ReplyView &reply) {
    static const char *const kResults[] = {"OK", "NETWORK_ERR", "INVALID_USER", "UNKNOWN_ERR", "PROTO_NOT_SUPPORT"};
    int result = reply.number(0);
    bool known = result >= 0 && result < NVR_ARRAY_COUNT(kResults);
    json_object *answer = json_object_new_object();
    if (answer) json_add_text(answer, "resultString", known ? kResults[result] : "ERROR");
    return cgi_reply_json(answer);
}

// "/2014": checks a camera's address and login.
int on_check_camera(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    CameraCheckRequest payload;
    fill_camera_check(request, &payload);
    cgi_ask_daemon(on_camera_ipc_callback, kRequestCheckCamera, &payload, sizeof payload, kTextPlain);
    return 0;
}

// "/2015": checks a camera's management port (at least 80) and login.
int on_check_camera_port(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    CameraPortCheckRequest payload;
    fill_camera_check(request, &payload);
    if (payload.managePort < kLowestManagePort) payload.managePort = kLowestManagePort;
    cgi_ask_daemon(on_camera_ipc_callback, kRequestCheckCameraPort, &payload, sizeof payload, kTextPlain);
    return 0;
}

// Replies 8202 and 8227: the check's result as text. The flag is 2 for a camera that passed.
int on_check_camera_cb(const ReplyView &reply) {
    int result = reply.number(0);
    const char *text = "UNKOWNERROR";
    switch (result) {
        case 0:
        case 4: text = "OK"; break;
        case 1: text = "NETWORKERROR"; break;
        case 2: text = "USERERROR"; break;
        case 5: text = "BANDWIDTHERROR"; break;
        default: break;
    }
    cgi_writeback_webserver(kTextPlain, text);
    cgi_reply_done(strcmp(text, "OK") == 0 ? 2 : 1);
    return 0;
}

// "/2032": sends each of the first "cnt" items of "oIPCAddr" that is an object as one network
// change; the page then asks "/2033" for the results.
int on_set_camera_networks(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    json_object *items = array_key(request, "oIPCAddr");
    int count = number_key(request, "cnt");
    size_t length = items ? json_object_array_length(items) : 0;
    for (size_t i = 0; count > 0 && i < static_cast<size_t>(count) && i < length; i++) {
        json_object *item = object_item(items, i);
        if (!item) continue;
        CameraNetworkChangeItem payload;
        memset(&payload, 0, sizeof payload);
        fill_network_change(item, &payload.change);
        payload.channelId = number_key(item, "channelId");
        payload.modifynum = number_key(item, "modifynum");
        cgi_notify_daemon(on_camera_ipc_callback, kRequestCameraNetworkItem, &payload, sizeof payload);
    }
    return answer_ok();
}

// "/2033": the results of the batch change (reply 8230).
int on_get_camera_network_results(const char *) {
    cgi_ask_daemon(on_camera_ipc_callback, kRequestCameraNetworkResults, nullptr, 0, kJson);
    return 0;
}

// Reply 8230: the daemon's count, bounded by the 64 entries and by the whole entries present.
int on_get_camera_network_results_cb(const ReplyView &reply) {
    static const EntryField kFields[] = {ENTRY_TEXT(CameraNetworkResult, mac), ENTRY_NUMBER(CameraNetworkResult, result)};
    int count = reply.number(kNetworkResultCountOffset);
    int present = whole_entries(reply, kNetworkResultsOffset, sizeof(CameraNetworkResult), kNetworkResultEntries);
    if (count < 0) count = 0;
    if (count > present) count = present;
    json_object *results = nullptr;
    json_object *answer = new_answer_with_array("IPC", &results);
    if (!answer) return cgi_reply_json(nullptr);
    add_entries(results, reply, kNetworkResultsOffset, sizeof(CameraNetworkResult), count, kFields,
                NVR_ARRAY_COUNT(kFields));
    return cgi_reply_json(answer);
}
