// Route module "/6030" (recording modes, schedules and holidays): route table, reply dispatcher
// and reply handlers.
#include "record/record_module.h"

#include <json-c/json.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/response.h"
#include "frame/dispatchreq.h"
#include "record/record_payloads.h"
#include "core/reply_view.h"

namespace {

// A count word of a reply, within 0 and the capacity of its lists.
int clamped_count(int count) { return count < 0 ? 0 : (count > kRecordListChannels ? kRecordListChannels : count); }


// 7286: {"chnid", "support"}.
int on_get_record_support_cb(const ReplyView &reply) {
    json_object *object = json_object_new_object();
    json_add_int(object, "chnid", reply.number(offsetof(RecordSupportReply, channel)));
    json_add_int(object, "support", reply.number(offsetof(RecordSupportReply, support)));
    return cgi_reply_json(object);
}

json_object *stream_array(const ReplyView &reply, int offset, int count) {
    json_object *values = json_object_new_array();
    for (int i = 0; i < count; i++) json_object_array_add(values, json_object_new_int(reply.number(offset + 4 * i)));
    return values;
}

// 8218: the first "size" primary and secondary streams.
int on_get_record_stream_info_cb(const ReplyView &reply) {
    int count = clamped_count(reply.number(offsetof(RecordStreamsReply, count)));
    json_object *object = json_object_new_object();
    json_object_object_add(object, "primary", stream_array(reply, offsetof(RecordStreamsReply, primary), count));
    json_object_object_add(object, "secondary", stream_array(reply, offsetof(RecordStreamsReply, secondary), count));
    json_add_int(object, "size", count);
    return cgi_reply_json(object);
}

// 7285: "resp" -1 when switching ANR on failed for one of several channels, else 0.
int on_set_anr_cb(const ReplyView &reply) {
    int count = clamped_count(reply.number(offsetof(AnrSwitchReply, count)));
    bool failed = false;
    if (reply.number(offsetof(AnrSwitchReply, anr)) != 0 && count >= 2)
        for (int i = 0; i < count && !failed; i++)
            failed = reply.number(offsetof(AnrSwitchReply, result) + 4 * i) != 0;
    json_object *object = json_object_new_object();
    json_add_int(object, "resp", failed ? -1 : 0);
    return cgi_reply_json(object);
}

struct RecordReply {
    int code;
    int min_length;  // a shorter payload is no reply
    int (*handler)(const ReplyView &reply);
};

const RecordReply kRecordReplies[] = {
    {7285, sizeof(AnrSwitchReply), on_set_anr_cb},
    {7286, sizeof(RecordSupportReply), on_get_record_support_cb},
    {8218, sizeof(RecordStreamsReply), on_get_record_stream_info_cb},
};

const WebRes kRecordRoutes[] = {
    {"/6030", on_get_holiday_info},
    {"/6031", on_set_holiday_info},
    {"/6040", on_get_record_info},
    {"/6041", on_set_record_info},
    {"/6042", on_get_record_mode},
    {"/6043", on_set_record_mode},
    {"/6044", on_get_record_setting},
    {"/6045", on_set_record_setting},
    {"/6046", on_get_record_support},
    {"/6047", on_get_record_stream_info},
};

}  // namespace

int on_record_ipc_callback(int, const MessageHeader *header, const void *payload) {
    if (!header || !payload) return 0;
    ReplyView reply(payload, header->length);
    for (const RecordReply &entry : kRecordReplies)
        if (entry.code == header->code) return reply.holds(entry.min_length) ? entry.handler(reply) : 0;
    return 0;
}

NVR_ROUTE_MODULE(5, "/6030", kRecordRoutes)
