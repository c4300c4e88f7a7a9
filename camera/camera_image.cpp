// Camera image routes of module "/2001": picture enhancement and display, the camera's own
// parameters, day/night images and scene templates, regions of interest, image schedules, and
// the exposure list the recorder keeps. Everything but the exposure list lives in the camera.
#include <string.h>

#include <memory>

#include "camera/camera_functions.h"
#include "camera/camera_module.h"
#include "camera/camera_request.h"
#include "camera/entry_fields.h"
#include "camera/image_payloads.h"
#include "camera/camera_relay.h"
#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_camera_image.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "frame/dispatchreq.h"
#include "platform/devroot.h"

namespace {

constexpr const char *kDb = QVDB_PATH;
constexpr long kRateControlPauseUs = 2000000;  // the camera applies a new rate control first
constexpr int kHighestRoiArea = 16;            // "/2050" also takes the whole picture, 16

// ---- field lists ------------------------------------------------------------------------------------

// A field of a block that a reply answers and a request fills, or only one of them.
enum FieldUse : unsigned { kAnswered = 1, kRequested = 2 };
struct BlockField {
    unsigned use;
    EntryField field;
};

void add_block_fields(json_object *answer, const ReplyView &reply, long base, const BlockField *fields, int count) {
    for (int i = 0; i < count; i++)
        if (fields[i].use & kAnswered) add_entry_fields(answer, reply, base, &fields[i].field, 1);
}

template <typename Block>
void store_block_fields(json_object *request, Block *block, const BlockField *fields, int count) {
    for (int i = 0; i < count; i++)
        if (fields[i].use & kRequested) store_fields(request, block, &fields[i].field, 1);
}
#define ADD_BLOCK(answer, reply, base, FIELDS) add_block_fields(answer, reply, base, FIELDS, NVR_ARRAY_COUNT(FIELDS))
#define STORE_BLOCK(request, block, FIELDS) store_block_fields(request, block, FIELDS, NVR_ARRAY_COUNT(FIELDS))

#define NUMBER(Record, member) ENTRY_NUMBER(Record, member)
#define NUMBER_AS(Record, key, member) \
    EntryField { key, static_cast<int>(offsetof(Record, member)), 4, EntryFieldKind::Number }

// The enhancement block: answered from reply 8221 in block order but for "exposurectrl" before
// "hlclevel", and taken from request keys into 3280 (type 0).
#define BOTH(member) {kAnswered | kRequested, NUMBER(ImageEnhanceBlock, member)}
const BlockField kEnhanceFields[] = {
    BOTH(smartir),        BOTH(whiteblance),    BOTH(focusmode),      BOTH(antiblurry),
    BOTH(wdrenable),      BOTH(wdrlevel),       BOTH(wdrstarthour),   BOTH(wdrstartminute),
    BOTH(wdrstophour),    BOTH(wdrstopminute),  BOTH(regiontype),     BOTH(hlcmode),
    BOTH(exclude),        BOTH(exposemode),     {kAnswered | kRequested, ENTRY_TEXT(ImageEnhanceBlock, exposeregion)},
    {kRequested, NUMBER(ImageEnhanceBlock, modelType)},
    BOTH(imageschemode),  BOTH(hlcday),         BOTH(hlcnight),       BOTH(redgain),
    BOTH(bluegain),       BOTH(defogmode),      BOTH(defoglevel),     {kAnswered, NUMBER(ImageEnhanceBlock, dismode)},
    BOTH(exposetime),     BOTH(exposegain),     {kAnswered, NUMBER_AS(ImageEnhanceBlock, "wdraflevel", aflevel)},
    {kRequested, NUMBER(ImageEnhanceBlock, aflevel)},
    {kAnswered, NUMBER(ImageEnhanceBlock, exposurectrl)},
    BOTH(hlclevel),       BOTH(enblur),         BOTH(deblur),         {kAnswered, ENTRY_TEXT(ImageEnhanceBlock, sdkversion)},
    BOTH(lensType),       BOTH(reduceVideoStuttering),
};
#undef BOTH

// Request 3280, any other type: item 0 of "scenes".
const EntryField kEnhanceSceneFields[] = {
    NUMBER(ImageSceneBlock, irBalanceMode),       NUMBER(ImageSceneBlock, reduceMotionBlur),
    NUMBER(ImageSceneBlock, deblur),              NUMBER(ImageSceneBlock, defogMode),
    NUMBER(ImageSceneBlock, antiFogIntensity),    NUMBER(ImageSceneBlock, whitebalanceMode),
    NUMBER(ImageSceneBlock, whitebalanceRedGain), NUMBER(ImageSceneBlock, whitebalanceBlueGain),
    NUMBER(ImageSceneBlock, exposureMode),        NUMBER(ImageSceneBlock, exposureTime),
    NUMBER(ImageSceneBlock, exposureGain),        NUMBER(ImageSceneBlock, blcRegion),
    NUMBER(ImageSceneBlock, blcRegionRange),      ENTRY_TEXT(ImageSceneBlock, blcRegionArea),
    NUMBER(ImageSceneBlock, wdrMode),             NUMBER(ImageSceneBlock, wdrStartHour),
    NUMBER(ImageSceneBlock, wdrStartMin),         NUMBER(ImageSceneBlock, wdrEndHour),
    NUMBER(ImageSceneBlock, wdrEndMin),           NUMBER(ImageSceneBlock, wdrLevel),
    NUMBER(ImageSceneBlock, hlcMode),             NUMBER(ImageSceneBlock, hlcLevel),
};

// The display block: answered from reply 8223 and taken from request keys into 3224 (type 0).
#define BOTH(member) {kAnswered | kRequested, NUMBER(ImageDisplayBlock, member)}
#define ANSWERED(member) {kAnswered, NUMBER(ImageDisplayBlock, member)}
#define REQUESTED(member) {kRequested, NUMBER(ImageDisplayBlock, member)}
#define ANSWERED_TEXT(member) {kAnswered, ENTRY_TEXT(ImageDisplayBlock, member)}
const BlockField kDisplayFields[] = {
    BOTH(colorkiller),           BOTH(modestarthour),     BOTH(modestartminute),  BOTH(modestophour),
    BOTH(modestopminute),        BOTH(exposurectrl),      BOTH(lighttype),        BOTH(mirctrl),
    BOTH(localdisplay),          BOTH(ircutaddaytonight), BOTH(ircutadnighttoday), BOTH(corridormode),
    BOTH(imagerotation),         REQUESTED(saveCorridor), BOTH(smartIRType),      BOTH(nearIRLevel),
    BOTH(farIRLevel),            BOTH(midIRLevel),        BOTH(lencorrect),       ANSWERED(smartIrMath),
    ANSWERED(smartIrLimit),      ANSWERED_TEXT(chipninterface), ANSWERED(nearSmartirValue),
    ANSWERED(farSmartirValue),   ANSWERED(midSmartirValue), ANSWERED(lenCorrectType), BOTH(fovadjust),
    ANSWERED_TEXT(sensortype),   ANSWERED_TEXT(productmodel), ANSWERED_TEXT(softversion), BOTH(smokeddomecover),
    {kAnswered, NUMBER_AS(ImageDisplayBlock, "smartwhitestrength", whiteLedLevel)}, REQUESTED(whiteLedLevel),
    BOTH(dnRefocus),             ANSWERED_TEXT(sdkversion), ANSWERED(structuretype), BOTH(keepCorrectAspectRatio),
    BOTH(dayNightSens),          BOTH(nightDaySens),      BOTH(zoomLimit),        REQUESTED(whiteledLightCtrl),
    REQUESTED(whiteledSensitivity), REQUESTED(whiteledDelay), REQUESTED(whiteledStart), REQUESTED(whiteledStop),
    REQUESTED(whiteledBrightnessCtrl), REQUESTED(whiteledBrightness),
};
#undef BOTH
#undef ANSWERED
#undef REQUESTED
#undef ANSWERED_TEXT

// Request 3224, type 1: item 0 of "scenes".
const EntryField kDisplaySceneFields[] = {
    NUMBER(ImageDisplayScene, powerlineFreq),    NUMBER(ImageDisplayScene, dnMode),
    NUMBER(ImageDisplayScene, d2nSensitivity),   NUMBER(ImageDisplayScene, n2dSensitivity),
    NUMBER(ImageDisplayScene, nightStartHour),   NUMBER(ImageDisplayScene, nightStartMinute),
    NUMBER(ImageDisplayScene, nightEndHour),     NUMBER(ImageDisplayScene, nightEndMinute),
    NUMBER(ImageDisplayScene, smartIrMode),      NUMBER(ImageDisplayScene, irLedLevel),
    NUMBER(ImageDisplayScene, imageRotation),
};

// Requests 3225 and 3226, and reply 8225. The value, last, is sent only with 3226.
const EntryField kParamRequestFields[] = {
    ENTRY_TEXT(CameraParamRequest, pagename),
    ENTRY_TEXT(CameraParamRequest, httpname),
    ENTRY_TEXT(CameraParamRequest, key),
    ENTRY_TEXT(CameraParamRequest, value),
};
const EntryField kParamAnswerFields[] = {
    NUMBER(CameraParamReply, id),           ENTRY_TEXT(CameraParamReply, pagename),
    ENTRY_TEXT(CameraParamReply, httpname), ENTRY_TEXT(CameraParamReply, key),
    ENTRY_TEXT(CameraParamReply, value),
};

// A day/night entry in the order the page lists it.
const EntryField kDayNightFields[] = {
    NUMBER(DayNightEntry, enable),       NUMBER(DayNightEntry, startHour),    NUMBER(DayNightEntry, startMinute),
    NUMBER(DayNightEntry, endHour),      NUMBER(DayNightEntry, endMinute),    NUMBER(DayNightEntry, exposureLevel),
    NUMBER(DayNightEntry, maxShutter),   NUMBER(DayNightEntry, minShutter),   NUMBER(DayNightEntry, gainLevel),
    NUMBER(DayNightEntry, irCutLatency), NUMBER(DayNightEntry, irCutState),   NUMBER(DayNightEntry, irLedState),
    NUMBER(DayNightEntry, colorMode),
};

const EntryField kRoiAreaFields[] = {
    NUMBER(RoiArea, enable), NUMBER(RoiArea, left), NUMBER(RoiArea, top), NUMBER(RoiArea, right),
    NUMBER(RoiArea, bottom),
};

const EntryField kScenePeriodFields[] = {
    ENTRY_TEXT(ScenePeriod, startTime),
    ENTRY_TEXT(ScenePeriod, endTime),
    NUMBER(ScenePeriod, templateId),
};

const EntryField kSchedulePeriodFields[] = {
    ENTRY_TEXT(SchedulePeriod, startTime),
    ENTRY_TEXT(SchedulePeriod, endTime),
    NUMBER(SchedulePeriod, actionType),
};

const EntryField kExposurePeriodFields[] = {
    ENTRY_TEXT(ExposurePeriod, startTime), ENTRY_TEXT(ExposurePeriod, endTime), NUMBER(ExposurePeriod, actionType),
    NUMBER(ExposurePeriod, exposureTime),  NUMBER(ExposurePeriod, gainLevel),
};

const EntryField kExposureFields[] = {
    NUMBER(ExposureSetting, exposureTime),
    NUMBER(ExposureSetting, gainLevel),
};

#undef NUMBER
#undef NUMBER_AS

#define ADD_FIELDS(object, reply, base, FIELDS) add_entry_fields(object, reply, base, FIELDS, NVR_ARRAY_COUNT(FIELDS))

// ---- requests ----------------------------------------------------------------------------------------

// Days 0 to 6 and periods 0 to 9 of "schedule" (arrays of arrays [startTime, endTime, numbers...]);
// items that are not arrays are skipped. False when "schedule" is not an array.
template <typename Fill>
bool for_each_request_period(json_object *request, Fill fill) {
    json_object *days = array_key(request, "schedule");
    if (!days) return false;
    for (size_t d = 0; d < bounded_length(days, kImageScheduleDays); d++) {
        json_object *day = array_item(days, d);
        for (size_t p = 0; p < bounded_length(day, kImageSchedulePeriods); p++) {
            json_object *period = array_item(day, p);
            if (period) fill(static_cast<int>(d), static_cast<int>(p), period);
        }
    }
    return true;
}

template <size_t N>
void copy_item_text(char (&field)[N], json_object *array, size_t index) {
    copy_text_field(field, N, item_text(array, index));
}

// "/2042", "/2046": a weekly image schedule to the cameras of "channel".
int set_camera_schedule(const char *arg, int request_code) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *channels = array_key(request, "channel");
    if (!request || !channels) return cgi_error_to_webserver(kJson);
    std::unique_ptr<CameraScheduleRequest> payload(new CameraScheduleRequest());
    fill_channel_list(channels, payload->channel);
    bool filled = for_each_request_period(request, [&](int d, int p, json_object *period) {
        SchedulePeriod &slot = payload->day[d].period[p];
        copy_item_text(slot.startTime, period, 0);
        copy_item_text(slot.endTime, period, 1);
        slot.actionType = item_number(period, 2);
    });
    if (!filled) return cgi_error_to_webserver(kJson);
    notify_cameras(request_code, payload.get(), sizeof *payload);
    return answer_ok();
}

// ---- answers -----------------------------------------------------------------------------------------

// {"schedule": 7 arrays of `periods` periods of day blocks of day_size bytes from byte 4}.
int answer_schedule_days(const ReplyView &reply, int day_size, int period_size, int periods,
                         const EntryField *fields, int field_count) {
    json_object *days = nullptr;
    json_object *answer = new_answer_with_array("schedule", &days);
    for (int d = 0; answer && d < kImageScheduleDays; d++) {
        json_object *day = json_object_new_array();
        add_entries(day, reply, kScheduleReplyDays + static_cast<long>(d) * day_size, period_size, periods, fields,
                    field_count);
        json_object_array_add(days, day);
    }
    return cgi_reply_json(answer);
}

// ---- scene templates (3279 from "/2047") -----------------------------------------------------------

// Type 0: up to 7 day/night images, the schedule flag and up to 10 template periods.
void fill_scene_templates(json_object *request, SceneTemplateRequest *payload) {
    json_object *images = array_key(request, "image");
    for (size_t i = 0; i < bounded_length(images, kSceneImageEntries); i++) {
        json_object *image = object_item(images, i);
        if (!image) continue;
        DayNightEntry &entry = payload->templates.image[i];
        STORE_FIELDS(image, &entry, kDayNightFields);
        entry.flag = 1;
    }
    payload->templates.hasSche = number_key(request, "hasSche");
    json_object *periods = array_key(request, "effective");
    for (size_t i = 0; i < bounded_length(periods, kScenePeriods); i++) {
        json_object *period = object_item(periods, i);
        if (period) STORE_FIELDS(period, &payload->templates.effective[i], kScenePeriodFields);
    }
}

// One brightness value: the far or the near key of a light with both, else the single key.
struct BrightnessKey {
    bool white;             // a white light (else infrared)
    const char *far_near;   // key when the light has far and near parts
    const char *single;     // key otherwise; null: not set then
    int32_t SceneSupplementForm::*field;
};
const BrightnessKey kBrightnessKeys[] = {
    {true, "whiteFarMaxBrightness", "whiteMaxBrightness", &SceneSupplementForm::whiteFarMaxBrightness},
    {true, "whiteNearMaxBrightness", nullptr, &SceneSupplementForm::whiteNearMaxBrightness},
    {true, "smartWhiteFarMaxBrightness", "smartWhiteMaxBrightness", &SceneSupplementForm::smartWhiteFarMaxBrightness},
    {true, "smartWhiteNearMaxBrightness", nullptr, &SceneSupplementForm::smartWhiteNearMaxBrightness},
    {true, "whiteFarCustomBrightness", "whiteCustomBrightness", &SceneSupplementForm::whiteFarCustomBrightness},
    {true, "whiteNearCustomBrightness", nullptr, &SceneSupplementForm::whiteNearCustomBrightness},
    {false, "irFarMaxBrightness", nullptr, &SceneSupplementForm::irFarMaxBrightness},
    {false, "irNearMaxBrightness", nullptr, &SceneSupplementForm::irNearMaxBrightness},
    {false, "irFarCustomBrightness", "irCustomBrightness", &SceneSupplementForm::irFarCustomBrightness},
    {false, "irNearCustomBrightness", nullptr, &SceneSupplementForm::irNearCustomBrightness},
};

// The supplement light's flag of far and near parts: in "supplementLight", else at the top.
int32_t near_and_far_flag(json_object *request, json_object *light, const char *key) {
    int value = 0;
    if (on_cgi_get_int_from_json(light, key, &value) == 0) return value;
    return number_key(request, key);
}

void fill_supplement_light(json_object *request, SceneSupplementForm *form) {
    json_object *light = json_get_typed(request, "supplementLight", json_type_object);
    form->isSupportSupplementIrNearAndFar = near_and_far_flag(request, light, "isSupportSupplementIrNearAndFar");
    form->isSupportSupplementWhiteNearAndFar =
        near_and_far_flag(request, light, "isSupportSupplementWhiteNearAndFar");
    form->lightType = number_key(light, "type");
    form->whiteLatency = number_key(light, "whiteLatency");
    form->whiteMode = number_key(light, "whiteMode");
    form->irMode = number_key(light, "irMode");
    for (const BrightnessKey &b : kBrightnessKeys) {
        bool far_near = (b.white ? form->isSupportSupplementWhiteNearAndFar : form->isSupportSupplementIrNearAndFar) == 1;
        const char *key = far_near ? b.far_near : b.single;
        if (key) form->*b.field = number_key(light, key);
    }
}

// Type 1: the two scenes of item 0 of "scenes" and the supplement light. False when item 0 is not
// a non-empty array.
bool fill_scene_pair(json_object *request, SceneSupplementForm *form) {
    json_object *pair = array_item(array_key(request, "scenes"), 0);
    if (!pair || json_object_array_length(pair) == 0) return false;
    for (size_t j = 0; j < bounded_length(pair, kScenePairs); j++) {
        json_object *scene = object_item(pair, j);
        if (!scene) continue;
        form->flag[j] = 1;
        form->minShutter[j] = number_key(scene, "minShutter");
        form->maxShutter[j] = number_key(scene, "maxShutter");
        form->limitGain[j] = number_key(scene, "limitGain");
        form->irCutInterval[j] = number_key(scene, "irCutInterval");
        form->irCutStatus[j] = number_key(scene, "irCutStatus");
        form->irLedStatus[j] = number_key(scene, "irLedStatus");
        form->colorMode[j] = number_key(scene, "colorMode");
    }
    form->isSupportSupplement = number_key(request, "isSupportSupplement");
    if (form->isSupportSupplement == 1) fill_supplement_light(request, form);
    return true;
}

}  // namespace

// ---- picture enhancement and display ------------------------------------------------------------------

// "/2019": the enhancement settings of camera "id".
int on_get_camera_image_enhance(const char *arg) { return ask_camera(arg, "id", kRequestImageEnhance, kTextPlain); }

// 8221: {"id", the block keys}.
int on_get_ipc_ipcimage_enhancement_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (answer) {
        json_add_int(answer, "id", reply.number(0));
        ADD_BLOCK(answer, reply, kEnhanceReplyBlock, kEnhanceFields);
    }
    return cgi_reply_json(answer);
}

// "/2020": enhancement settings (type 0) or the scene of item 0 of "scenes" (other types) to the
// cameras of "channel". Without a scene the route ends without an answer.
int on_set_camera_image_enhance(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *channels = array_key(request, "channel");
    if (!request || !channels) return cgi_error_to_webserver(kJson);
    ImageEnhanceRequest payload;
    memset(&payload, 0, sizeof payload);
    fill_channel_list(channels, payload.channel);
    payload.type = number_key(request, "type");
    if (payload.type == 0) {
        STORE_BLOCK(request, &payload.block, kEnhanceFields);
    } else {
        json_object *scene = object_item(array_key(request, "scenes"), 0);
        if (!scene) return 0;
        STORE_FIELDS(scene, &payload.scene, kEnhanceSceneFields);
    }
    notify_cameras(kRequestSetImageEnhance, &payload, sizeof payload);
    return answer_ok();
}

// "/2021": the display settings of camera "id".
int on_get_camera_image_display(const char *arg) { return ask_camera(arg, "id", kRequestImageDisplay, kTextPlain); }

int on_get_ipc_ipcimage_display_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    ADD_BLOCK(answer, reply, kDisplayReplyBlock, kDisplayFields);
    return cgi_reply_json(answer);
}

// "/2022": display settings of camera "id": the block (type 0), the scene of item 0 of "scenes"
// (type 1, which ends without an answer when there is none), or only the type.
int on_set_camera_image_display(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    ImageDisplayRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "id", &payload.id)) return cgi_error_to_webserver(kTextPlain);
    payload.type = number_key(request, "type");
    if (payload.type == 0) {
        STORE_BLOCK(request, &payload.block, kDisplayFields);
    } else if (payload.type == 1) {
        json_object *scene = object_item(array_key(request, "scenes"), 0);
        if (!scene) return 0;
        STORE_FIELDS(scene, &payload.scene, kDisplaySceneFields);
    }
    cgi_ask_daemon(on_camera_ipc_callback, kRequestSetImageDisplay, &payload, sizeof payload, kTextPlain);
    return 0;
}

// 8222, 8224, 8226: "OK" when the camera's status is 0, else "ERROR".
int on_cgi_ok_cb(const ReplyView &reply) {
    cgi_writeback_webserver(kTextPlain, reply.number(0) == 0 ? "OK" : "ERROR");
    cgi_reply_done();
    return 0;
}

// ---- the camera's own parameters ---------------------------------------------------------------------

namespace {

// "/2023", "/2024": one parameter of a page of the camera's own web interface.
int relay_camera_param(const char *arg, int request_code, bool with_value) {
    JsonRef request(get_request_tokener_json_object(arg));
    CameraParamRequest payload;
    memset(&payload, 0, sizeof payload);
    if (!request || !read_channel_key(request, "id", &payload.id)) return cgi_error_to_webserver(kTextPlain);
    int fields = NVR_ARRAY_COUNT(kParamRequestFields) - (with_value ? 0 : 1);
    store_fields(request, &payload, kParamRequestFields, fields);
    if (with_value && (strcmp(payload.key, "ratecontrol1") == 0 || strcmp(payload.key, "ratecontrol2") == 0))
        nvr_sleep_us(kRateControlPauseUs);
    cgi_ask_daemon(on_camera_ipc_callback, request_code, &payload, sizeof payload, kTextPlain);
    return 0;
}

}  // namespace

int on_get_camera_param(const char *arg) { return relay_camera_param(arg, kRequestCameraParam, false); }
int on_set_camera_param(const char *arg) { return relay_camera_param(arg, kRequestSetCameraParam, true); }

int on_get_ipc_common_param_cb(const ReplyView &reply) { return REPLY_FIELDS(reply, kParamAnswerFields); }

// ---- day/night images and scene templates ------------------------------------------------------------

// "/2037": the 7 day/night images of camera "id".
int on_get_camera_daynight(const char *arg) { return ask_camera(arg, "id", kRequestDayNight, kJson); }

int on_get_camera_daynight_cb(const ReplyView &reply) {
    json_object *images = nullptr;
    json_object *answer = new_answer_with_array("image", &images);
    for (int i = 0; answer && i < kDayNightReplyEntries; i++) {
        json_object *image = json_object_new_object();
        json_add_int(image, "id", i);
        ADD_FIELDS(image, reply, kDayNightReplyEntriesOffset + i * static_cast<long>(sizeof(DayNightEntry)),
                   kDayNightFields);
        json_object_array_add(images, image);
    }
    return cgi_reply_json(answer);
}

// "/2038": entry "id" (0 to 19) of camera "channel"; the other entries stay empty.
int on_set_camera_daynight(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    DayNightRequest payload;
    memset(&payload, 0, sizeof payload);
    int entry = 0;
    if (!request || !read_channel_key(request, "channel", &payload.channel) ||
        !read_int_between(request, "id", 0, kDayNightRequestEntries - 1, &entry))
        return cgi_error_to_webserver(kJson);
    STORE_FIELDS(request, &payload.entry[entry], kDayNightFields);
    payload.entry[entry].flag = 1;
    notify_cameras(kRequestSetDayNight, &payload, sizeof payload);
    return answer_ok();
}

// "/2047": scene templates (type 0) or the two scenes with the supplement light (type 1), sent to
// each of the first "cnt" channels of "chnid".
int on_set_camera_image_scenes(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    SceneTemplateRequest payload;
    memset(&payload, 0, sizeof payload);
    payload.type = number_key(request, "type");
    if (payload.type == 0) fill_scene_templates(request, &payload);
    else if (payload.type == 1 && !fill_scene_pair(request, &payload.scenes)) return 0;
    CountedItems channels(request, "chnid", "cnt");
    int channel = 0;
    while (channels.next_channel(&channel)) {
        payload.channel = channel;
        notify_cameras(kRequestSetDayNight, &payload, sizeof payload);
    }
    return answer_ok();
}

// ---- regions of interest ----------------------------------------------------------------------------

// "/2039": the regions of interest of camera "id".
int on_get_camera_roi(const char *arg) { return ask_camera(arg, "id", kRequestCameraRoi, kJson); }

// 8271: {"enable", "sdkversion", "area": 16 areas}.
int on_get_camera_roi_cb(const ReplyView &reply) {
    json_object *answer = json_object_new_object();
    if (!answer) return cgi_reply_json(nullptr);
    json_add_int(answer, "enable", reply.number(kRoiReplyEnable));
    json_add_text(answer, "sdkversion", reply.text(kRoiReplySdkVersion, kRoiReplySdkVersionSize).c_str());
    json_object *areas = json_object_new_array();
    for (int i = 0; areas && i < kRoiAreas; i++) {
        json_object *area = json_object_new_object();
        json_add_int(area, "id", i);
        ADD_FIELDS(area, reply, kRoiReplyAreas + i * static_cast<long>(sizeof(RoiArea)), kRoiAreaFields);
        json_object_array_add(areas, area);
    }
    json_object_object_add(answer, "area", areas);
    return cgi_reply_json(answer);
}

// "/2040": the first "cnt" channels of "chnid" (0 to 63, at most 64) and up to 16 areas.
int on_set_camera_roi(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return cgi_error_to_webserver(kJson);
    RoiRequest payload;
    memset(&payload, 0, sizeof payload);
    CountedItems channels(request, "chnid", "cnt");
    int channel = 0;
    while (payload.count < kChannelListEntries && channels.next_channel(&channel)) payload.chnid[payload.count++] = channel;
    payload.enable = number_key(request, "enable");
    json_object *areas = array_key(request, "area");
    for (size_t i = 0; i < bounded_length(areas, kRoiAreas); i++) {
        json_object *area = object_item(areas, i);
        if (area) STORE_FIELDS(area, &payload.area[i], kRoiAreaFields);
    }
    notify_cameras(kRequestSetCameraRoi, &payload, sizeof payload);
    return answer_ok();
}

// "/2050": camera "chan_id" shows region "area_id" (16: the whole picture).
int on_set_camera_roi_area(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    RoiAreaRequest payload;
    if (!request || !read_channel_key(request, "chan_id", &payload.chan_id) ||
        !read_int_between(request, "area_id", 0, kHighestRoiArea, &payload.area_id))
        return cgi_error_to_webserver(kJson);
    notify_cameras(kRequestSetRoiArea, &payload, sizeof payload);
    return answer_ok();
}

// ---- image schedules ----------------------------------------------------------------------------------

int on_get_camera_schedule(const char *arg) { return ask_camera(arg, "id", kRequestCameraSchedule, kJson); }
int on_get_camera_schedule_2(const char *arg) { return ask_camera(arg, "id", kRequestCameraSchedule2, kJson); }
int on_get_camera_exposure_schedule(const char *arg) {
    return ask_camera(arg, "id", kRequestExposureSchedule, kJson);
}

// 8273: 10 periods a day; 8277: 12.
int on_get_camera_schedule_cb(const ReplyView &reply) {
    return answer_schedule_days(reply, sizeof(ScheduleDay), sizeof(SchedulePeriod), 10, kSchedulePeriodFields,
                                NVR_ARRAY_COUNT(kSchedulePeriodFields));
}
int on_get_camera_schedule_2_cb(const ReplyView &reply) {
    return answer_schedule_days(reply, sizeof(ScheduleDay), sizeof(SchedulePeriod), 12, kSchedulePeriodFields,
                                NVR_ARRAY_COUNT(kSchedulePeriodFields));
}
int on_get_camera_exposure_schedule_cb(const ReplyView &reply) {
    return answer_schedule_days(reply, sizeof(ExposureDay), sizeof(ExposurePeriod), 12, kExposurePeriodFields,
                                NVR_ARRAY_COUNT(kExposurePeriodFields));
}

int on_set_camera_schedule(const char *arg) { return set_camera_schedule(arg, kRequestSetCameraSchedule); }
int on_set_camera_schedule_2(const char *arg) { return set_camera_schedule(arg, kRequestSetCameraSchedule2); }

// "/2044": the exposure schedule, periods [startTime, endTime, actionType, exposureTime, gainLevel].
int on_set_camera_exposure_schedule(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    json_object *channels = array_key(request, "channel");
    if (!request || !channels) return cgi_error_to_webserver(kJson);
    std::unique_ptr<ExposureScheduleRequest> payload(new ExposureScheduleRequest());
    fill_channel_list(channels, payload->channel);
    bool filled = for_each_request_period(request, [&](int d, int p, json_object *period) {
        ExposurePeriod &slot = payload->day[d].period[p];
        copy_item_text(slot.startTime, period, 0);
        copy_item_text(slot.endTime, period, 1);
        slot.actionType = item_number(period, 2);
        slot.exposureTime = item_number(period, 3);
        slot.gainLevel = item_number(period, 4);
    });
    if (!filled) return cgi_error_to_webserver(kJson);
    notify_cameras(kRequestSetExposureSchedule, payload.get(), sizeof *payload);
    return answer_ok();
}

// ---- exposure list ------------------------------------------------------------------------------------

// "/2048": replaces the channel's list with the first 140 objects of "exposure".
int on_set_camera_exposure_list(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0;
    json_object *items = array_key(request, "exposure");
    if (!request || !read_channel_key(request, "channel", &channel) || !items) return cgi_error_to_webserver(kJson);
    ExposureSetting list[kExposureEntries];
    int count = 0;
    size_t length = json_object_array_length(items);
    for (size_t i = 0; i < length && count < kExposureEntries; i++) {
        json_object *item = object_item(items, i);
        if (!item) continue;
        memset(&list[count], 0, sizeof list[count]);
        STORE_FIELDS(item, &list[count], kExposureFields);
        count++;
    }
    if (write_exposure(kDb, list, channel, count) != 0) return cgi_error_to_webserver(kJson);
    return answer_ok();
}

// "/2049": {"exposure": the channel's list}; the JSON error when it is empty.
int on_get_camera_exposure_list(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int channel = 0, count = 0;
    ExposureSetting list[kExposureEntries];
    if (!request || !read_channel_key(request, "channel", &channel) || read_exposure(kDb, list, channel, &count) != 0 ||
        count <= 0)
        return cgi_error_to_webserver(kJson);
    json_object *items = nullptr;
    json_object *answer = new_answer_with_array("exposure", &items);
    if (!answer) return cgi_error_to_webserver(kJson);
    add_entries(items, ReplyView(list, static_cast<int>(sizeof list)), 0, sizeof list[0], count, kExposureFields,
                NVR_ARRAY_COUNT(kExposureFields));
    return cgi_answer_json(answer, kJson);
}
