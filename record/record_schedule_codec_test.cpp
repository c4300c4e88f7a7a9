// Record schedule codec: the request form into the block, the block into the answer form.
#include "record/record_schedule_codec.h"

#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <string>

#include "core/json_util.h"

namespace {

std::unique_ptr<RecordSchedule> decode(const std::string &days_json, int *rc = nullptr) {
    std::unique_ptr<RecordSchedule> block(new RecordSchedule());
    memset(block.get(), 0x5A, sizeof *block);  // what the decoder must clear
    JsonRef days(json_tokener_parse(days_json.c_str()));
    int result = get_record_schedule_by_json(days, block.get());
    if (rc) *rc = result;
    return block;
}

bool slot_empty(const RecordPlanSlot &slot) {
    return slot.startTime[0] == '\0' && slot.endTime[0] == '\0' && slot.actionType == 0;
}

// Every slot of every day going through the route and back is tested end to end; here the
// answer form of a slot and of a day's whole-day setting.
TEST(RecordScheduleCodec, AnswerFormListsEverySlotAsAnObject) {
    std::unique_ptr<RecordSchedule> block(new RecordSchedule());
    RecordScheduleDay &day = block->day[7];
    day.wholedayEnable = 1;
    day.wholedayActionType = 9;
    memset(day.plan[47].startTime, 's', sizeof day.plan[47].startTime);  // no NUL: cut at the field
    strcpy(day.plan[47].endTime, "23:59");
    day.plan[47].actionType = 747;
    JsonRef answer(get_record_schedule_json_object(block.get()));
    ASSERT_EQ(json_object_array_length(answer), 8u);
    json_object *day7 = json_object_array_get_idx(answer, 7);
    EXPECT_STREQ(json_object_to_json_string_ext(json_object_array_get_idx(json_object_object_get(day7, "plans"), 47),
                                                JSON_C_TO_STRING_PLAIN),
                 ("{\"startTime\":\"" + std::string(32, 's') + "\",\"endTime\":\"23:59\",\"actionType\":747}").c_str());
    EXPECT_EQ(json_object_array_length(json_object_object_get(day7, "plans")), 48u);
    EXPECT_EQ(json_object_get_int(json_object_object_get(day7, "wholedayActionType")), 9);
}

TEST(RecordScheduleCodec, MalformedPartsStayEmpty) {
    struct Case {
        int line;
        const char *days;
        const char *what;
    } cases[] = {
        {__LINE__, "[]", "no day"},
        {__LINE__, "[5, \"x\", null]", "days that are not objects"},
        {__LINE__, "[{\"plans\":{\"0\":[\"a\",\"b\",1]}}]", "plans that are not an array"},
        {__LINE__, "[{\"plans\":[null, 7, {\"startTime\":\"a\"}, []]}]", "slots that are not arrays, or empty"},
        {__LINE__, "[{\"wholedayEnable\":0,\"wholedayActionType\":5}]", "whole-day action without the enable"},
    };
    for (const Case &c : cases) {
        std::unique_ptr<RecordSchedule> block = decode(c.days);
        for (const RecordScheduleDay &day : block->day) {
            EXPECT_EQ(day.wholedayEnable, 0) << "line " << c.line << ": " << c.what;
            EXPECT_EQ(day.wholedayActionType, 0) << "line " << c.line;
            for (const RecordPlanSlot &slot : day.plan) ASSERT_TRUE(slot_empty(slot)) << "line " << c.line;
        }
    }
}

TEST(RecordScheduleCodec, SlotItemsAreTakenByTypeAndCut) {
    std::string long_text(40, 't');
    std::unique_ptr<RecordSchedule> block = decode(
        "[{\"plans\":[[\"" + long_text + "\",\"09:00\",3], [5, \"10:00\", \"4\"], [\"11:00\"], " +
        "[\"12:00\",\"13:00\",6,\"extra\"], [[\"nested\"], {}, [7]]]}]");
    const RecordScheduleDay &day = block->day[0];
    EXPECT_EQ(std::string(day.plan[0].startTime), std::string(31, 't'));
    EXPECT_STREQ(day.plan[0].endTime, "09:00");
    EXPECT_EQ(day.plan[0].actionType, 3);
    EXPECT_STREQ(day.plan[1].startTime, "");  // a number is no time text
    EXPECT_STREQ(day.plan[1].endTime, "10:00");
    EXPECT_EQ(day.plan[1].actionType, 0);  // a text is no action type
    EXPECT_STREQ(day.plan[2].startTime, "11:00");
    EXPECT_STREQ(day.plan[2].endTime, "");
    EXPECT_EQ(day.plan[3].actionType, 6);
    EXPECT_TRUE(slot_empty(day.plan[4]));  // items that are arrays or objects
    EXPECT_TRUE(slot_empty(day.plan[5]));
}

TEST(RecordScheduleCodec, ExtraDaysAndSlotsAreIgnoredAndNonArraysRefused) {
    std::string plans = "[";
    for (int s = 0; s < 60; s++) plans += std::string(s ? "," : "") + "[\"a\",\"b\"," + std::to_string(s) + "]";
    plans += "]";
    std::string days = "[";
    for (int d = 0; d < 10; d++) days += std::string(d ? "," : "") + "{\"plans\":" + plans + "}";
    std::unique_ptr<RecordSchedule> block = decode(days + "]");
    EXPECT_EQ(block->day[7].plan[47].actionType, 47);
    EXPECT_EQ(block->reserved, 0);

    int rc = 0;
    std::unique_ptr<RecordSchedule> refused = decode("{\"0\":[]}", &rc);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(refused->day[0].wholedayEnable, 0x5A5A5A5A);  // untouched
}

}  // namespace
