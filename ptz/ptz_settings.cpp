// Stored PTZ settings of module "/5000": serial ports, camera speeds and preset tours, and the
// camera's PTZ support.
#include <string.h>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb.h"
#include "core/qvdb_ptz.h"
#include "core/response.h"
#include "ptz/ptz_module.h"
#include "ptz/ptz_payloads.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr int kPortChannels = 16;  // "/6050" reads the ports of channels 0 to 15

int answer_ok() { return cgi_writeback_webserver(kTextPlain, "OK"); }

bool read_int(json_object *request, const char *key, int *out) { return on_cgi_get_int_from_json(request, key, out) == 0; }

// An integer key from 0 to max (compared unsigned).
bool read_up_to(json_object *request, const char *key, unsigned max, int32_t *out) {
    return read_int(request, key, out) && static_cast<unsigned>(*out) <= max;
}

// An integer key of 0 or more.
bool read_not_negative(json_object *request, const char *key, int32_t *out) {
    return read_int(request, key, out) && *out >= 0;
}

bool in_channel_range(int channel) { return channel >= 0 && channel < kQvdbChannels; }

// The port settings of "/6051", checked: "cnt", the "chnid" array and every port key.
bool check_ptzport_info(json_object *request, int *count, json_object **channels, PtzPortRecord *port) {
    memset(port, 0, sizeof *port);
    *channels = json_get_typed(request, "chnid", json_type_array);
    return read_int(request, "cnt", count) && *channels && read_up_to(request, "connectType", 1, &port->connectType) &&
           read_not_negative(request, "baudRate", &port->baudRate) && read_int(request, "dataBits", &port->dataBits) &&
           port->dataBits >= 5 && port->dataBits <= 8 && read_not_negative(request, "stopBits", &port->stopBits) &&
           read_up_to(request, "parityType", 2, &port->parityType) && read_up_to(request, "protocol", 13, &port->protocol) &&
           read_not_negative(request, "address", &port->address);
}

// The channels of the first `count` items of the array that are integers 0 to 63.
int requested_port_channels(json_object *channels, int count, int *out) {
    int length = static_cast<int>(json_object_array_length(channels));
    int found = 0;
    for (int i = 0; i < count && i < length; i++) {
        json_object *item = json_object_array_get_idx(channels, static_cast<size_t>(i));
        if (!item || !json_object_is_type(item, json_type_int)) continue;
        int channel = json_object_get_int(item);
        if (in_channel_range(channel) && found < kQvdbChannels) out[found++] = channel;
    }
    return found;
}

// The tour rows of "path": at most `rows` of them and no more than the array holds. Missing keys
// of a row read as 0.
int requested_tour_rows(json_object *request, int rows, PtzTourRow *out) {
    json_object *path = json_get_typed(request, "path", json_type_array);
    int length = path ? static_cast<int>(json_object_array_length(path)) : 0;
    int count = rows < length ? rows : length;
    for (int i = 0; i < count; i++) {
        json_object *row = json_object_array_get_idx(path, static_cast<size_t>(i));
        bool is_object = row && json_object_is_type(row, json_type_object);
        out[i].preset = is_object ? json_int_or(row, "preset", 0) : 0;
        out[i].dwell_time = is_object ? json_int_or(row, "time", 0) : 0;
        out[i].speed = is_object ? json_int_or(row, "speed", 0) : 0;
    }
    return count;
}

// The channel, tour and row count of a tour route. The tour must lie in first_tour .. first_tour
// + 7 and the row count in 0 to 48.
bool read_tour_target(json_object *request, int first_tour, int *channel, int *tour, int *rows) {
    return read_int(request, "chn", channel) && in_channel_range(*channel) && read_int(request, "tourid", tour) &&
           *tour >= first_tour && *tour < first_tour + kPtzTours &&
           (!rows || (read_int(request, "rowsize", rows) && *rows >= 0 && *rows <= kPtzTourRows));
}

// Reads, changes and writes the channel's stored tours in one transaction.
template <typename Change>
void update_stored_tours(int channel, Change change) {
    DbTransaction transaction(kDb);
    PtzTourRecord tours;
    memset(&tours, 0, sizeof tours);
    if (read_ptz_tour(kDb, &tours, channel) != 0) return;  // never write over what could not be read
    tours.channel = channel;
    change(&tours);
    write_ptz_tour(kDb, &tours);
    transaction.commit();
}

}  // namespace

// "/6050": the serial PTZ port of a channel 0 to 15.
int on_get_ptzport_info(const char *arg) {
    int channel = 0;
    if (on_cgi_get_value_by_json(arg, "chnid", &channel) != 0 || channel < 0 || channel >= kPortChannels)
        return cgi_error_to_webserver(kJson);
    PtzPortRecord port;
    memset(&port, 0, sizeof port);
    read_ptz_port(kDb, &port, channel);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "camId", channel);
    json_add_int(answer, "connectType", port.connectType);
    json_add_int(answer, "baudRate", port.baudRate);
    json_add_int(answer, "dataBits", port.dataBits);
    json_add_int(answer, "stopBits", port.stopBits);
    json_add_int(answer, "parityType", port.parityType);
    json_add_int(answer, "protocol", port.protocol);
    json_add_int(answer, "address", port.address);
    return cgi_answer_json(answer, kJson);
}

// "/6051": the same port settings for the channels of "chnid".
int on_set_ptzport_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int count = 0;
    json_object *array = nullptr;
    PtzPortRecord port;
    if (!request || !check_ptzport_info(request, &count, &array, &port)) return 0;
    int channels[kQvdbChannels];
    int found = requested_port_channels(array, count, channels);
    {
        DbTransaction transaction(kDb);
        for (int i = 0; i < found; i++) {
            PtzPortRecord stored;
            memset(&stored, 0, sizeof stored);
            read_ptz_port(kDb, &stored, channels[i]);
            port.channel = channels[i];
            port.reserved = stored.reserved;
            write_ptz_port(kDb, &port);
        }
        transaction.commit();
    }
    for (int i = 0; i < found; i++) {
        int32_t channel = channels[i];
        ptz_notify(kRequestPtzPortChanged, &channel, sizeof channel);
        ptz_log(kPtzLogSettings, channel);
    }
    return answer_ok();
}

// "/6052": whether the camera supports PTZ ("0") or not ("-1").
int on_get_ptzsupport_info(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int32_t camera = json_int_or(request, "camId", 0);
    if (!in_channel_range(camera)) return 0;
    cgi_ask_daemon(on_ptz_ipc_callback, kRequestPtzSupport, &camera, sizeof camera, kTextPlain);
    return 0;
}

// "/6053": the stored PTZ speeds of a camera.
int on_get_ptz_speed(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int camera = json_int_or(request, "camId", 0);
    if (!in_channel_range(camera)) return 0;
    PtzSpeedRecord speed;
    memset(&speed, 0, sizeof speed);
    read_ptz_speed(kDb, &speed, camera);
    json_object *answer = json_object_new_object();
    json_add_int(answer, "pan_speed", speed.pan_speed);
    json_add_int(answer, "tilt_speed", speed.tilt_speed);
    json_add_int(answer, "zoom_speed", speed.zoom_speed);
    json_add_int(answer, "foucs_speed", speed.focus_speed);
    return cgi_answer_json(answer, kJson);
}

// "/6054": stores a camera's PTZ speeds (a speed not given becomes 0).
int on_set_ptz_speed(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    int camera = json_int_or(request, "camId", 0);
    if (!in_channel_range(camera)) return 0;
    {
        DbTransaction transaction(kDb);
        PtzSpeedRecord speed;
        memset(&speed, 0, sizeof speed);
        read_ptz_speed(kDb, &speed, camera);
        speed.camera = camera;
        speed.pan_speed = json_int_or(request, "pan_speed", 0);
        speed.tilt_speed = json_int_or(request, "tilt_speed", 0);
        speed.zoom_speed = json_int_or(request, "zoom_speed", 0);
        speed.focus_speed = json_int_or(request, "foucs_speed", 0);
        write_ptz_speed(kDb, &speed);
        transaction.commit();
    }
    answer_ok();
    ptz_log(kPtzLogSettings, camera);
    return 0;
}

// "/6055": sets rows of one of a channel's tours 0 to 7, stores them and sends the tour.
int on_set_ptz_tour_set(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, tour = 0, rows = 0;
    if (!request || !read_tour_target(request, 0, &channel, &tour, &rows)) return 0;
    PtzTourDefinition definition;
    memset(&definition, 0, sizeof definition);
    definition.channel = channel;
    definition.tour = tour;
    definition.row_count = requested_tour_rows(request, rows, definition.rows);
    update_stored_tours(channel, [&](PtzTourRecord *tours) {
        for (int r = 0; r < definition.row_count; r++) {
            int slot = ptz_tour_slot(tour, r);
            tours->preset[slot] = definition.rows[r].preset;
            tours->dwell_time[slot] = definition.rows[r].dwell_time;
            tours->speed[slot] = definition.rows[r].speed;
        }
    });
    ptz_notify(kRequestPtzTourSet, &definition, sizeof definition);
    answer_ok();
    ptz_log(kPtzLogSettings, channel);
    return 0;
}

// "/6056": sends a fisheye camera's tour 1 to 8; nothing is stored.
int on_set_fish_ptz_tour_set(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, tour = 0, rows = 0;
    if (!request || !read_tour_target(request, 1, &channel, &tour, &rows)) return 0;
    static PtzFisheyeTours definition;
    memset(&definition, 0, sizeof definition);
    definition.channel = channel;
    definition.stream = json_int_or(request, "streamId", 0);
    definition.tour_index = tour - 1;
    PtzTourRow taken[kPtzTourRows];
    int count = requested_tour_rows(request, rows, taken);
    for (int r = 0; r < count; r++) {
        definition.tours[tour - 1].preset[r] = taken[r].preset;
        definition.tours[tour - 1].dwell_time[r] = taken[r].dwell_time;
        definition.tours[tour - 1].speed[r] = taken[r].speed;
    }
    ptz_notify(kRequestPtzFisheyeTourSet, &definition, sizeof definition);
    answer_ok();
    ptz_log(kPtzLogSettings, channel);
    return 0;
}

// "/6057": clears the presets of one of a channel's tours 0 to 7 (dwell times and speeds stay).
int on_set_ptz_tour_clear(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, tour = 0;
    if (!request || !read_tour_target(request, 0, &channel, &tour, nullptr)) return 0;
    update_stored_tours(channel, [&](PtzTourRecord *tours) {
        for (int r = 0; r < kPtzTourRows; r++) tours->preset[ptz_tour_slot(tour, r)] = 0;
    });
    PtzTourCommand command;
    memset(&command, 0, sizeof command);
    command.channel = channel;
    command.tour = tour;
    command.fisheye_type = json_int_or(request, "fisheyeType", 0);
    command.stream = json_int_or(request, "streamId", 0);
    ptz_notify(kRequestPtzTourClear, &command, sizeof command);
    answer_ok();
    ptz_log(kPtzLogSettings, channel);
    return 0;
}
