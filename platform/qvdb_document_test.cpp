// Database library: reading stored documents, including ones edited by hand or written by
// another build.
#include <string.h>

#include <memory>
#include <string>

#include "platform/qvdb_internal.h"
#include "platform/qvdb_test_support.h"

namespace {

struct Sample {
    int32_t id;
    uint32_t mask;
    int64_t big;
    double ratio;
    char text[8];
    int32_t list[3];
};
const QvdbField kSampleFields[] = {
    QVDB_FIELD(Sample, id, "id"),       QVDB_FIELD(Sample, mask, "mask"), QVDB_FIELD(Sample, big, "big"),
    QVDB_FIELD(Sample, ratio, "ratio"), QVDB_FIELD(Sample, text, "text"), QVDB_FIELD(Sample, list, "list"),
};
const QvdbShape kSampleShape = qvdb_record_shape(kQvdbAnpr, sizeof(Sample), QVDB_FIELDS(kSampleFields), "id", 4, 0);

bool read_sample(const std::string &doc, Sample *sample) {
    memset(sample, 0, sizeof *sample);
    return qvdb_document_read(kSampleShape, doc.c_str(), doc.size(), sample);
}

TEST(DocumentRead, ValuesOfEveryTypeAndWhatTheyBecome) {
    struct Case {
        int line;
        const char *doc;
        int32_t id;
        uint32_t mask;
        int64_t big;
        double ratio;
        const char *text;
        int32_t list0, list2;
    } cases[] = {
        {__LINE__, R"({"id":3,"mask":4294967295,"big":-9223372036854775808,"ratio":0.25,"text":"abc","list":[1,2,3]})",
         3, 4294967295u, INT64_MIN, 0.25, "abc", 1, 3},
        {__LINE__, " { \"list\" : [ 7 ] , \"id\" : -1 } ", -1, 0, 0, 0, "", 7, 0},             // any order, blanks
        {__LINE__, R"({"text":"a\"b\\c\/d\n"})", 0, 0, 0, 0, "a\"b\\c/d", 0, 0},                   // escapes, cut at 7
        {__LINE__, R"({"text":"\u00e9\u20ac"})", 0, 0, 0, 0, "\xc3\xa9\xe2\x82\xac", 0, 0},       // to UTF-8
        {__LINE__, R"({"text":"\ud83d\ude00"})", 0, 0, 0, 0, "\xf0\x9f\x98\x80", 0, 0},           // a pair: 4 bytes
        {__LINE__, R"({"text":"\ud83dx"})", 0, 0, 0, 0, "\xed\xa0\xbd" "x", 0, 0},                // a lone half kept
        {__LINE__, R"({"id":1.9,"big":1e300,"ratio":-2,"mask":true})", 1, 1, INT64_MAX, -2, "", 0, 0},
        {__LINE__, R"({"id":"12","text":12,"list":"1","ratio":null,"mask":false})", 0, 0, 0, 0, "", 0, 0},  // wrong types
        {__LINE__, R"({"list":[1,"x",{"a":[2]},4,5]})", 0, 0, 0, 0, "", 1, 0},                     // items skipped, cut
        {__LINE__, R"({"later":{"a":[1,{"b":"}"}],"c":null},"id":5,"later2":[[]],"ID":6})", 5, 0, 0, 0, "", 0, 0},
        {__LINE__, R"({"id":1,"id":2})", 2, 0, 0, 0, "", 0, 0},                                    // the last counts
        {__LINE__, "{}", 0, 0, 0, 0, "", 0, 0},
    };
    for (const Case &c : cases) {
        Sample sample;
        ASSERT_TRUE(read_sample(c.doc, &sample)) << "line " << c.line;
        EXPECT_EQ(sample.id, c.id) << "line " << c.line;
        EXPECT_EQ(sample.mask, c.mask) << "line " << c.line;
        EXPECT_EQ(sample.big, c.big) << "line " << c.line;
        EXPECT_EQ(sample.ratio, c.ratio) << "line " << c.line;
        EXPECT_STREQ(sample.text, c.text) << "line " << c.line;
        EXPECT_EQ(sample.list[0], c.list0) << "line " << c.line;
        EXPECT_EQ(sample.list[2], c.list2) << "line " << c.line;
    }
}

TEST(DocumentRead, MalformedDocumentsAreRefused) {
    std::string deep = std::string(40, '[') + std::string(40, ']');
    struct Case {
        int line;
        std::string doc;
    } cases[] = {
        {__LINE__, ""},
        {__LINE__, "[1]"},
        {__LINE__, "{\"id\":1"},
        {__LINE__, "{\"id\":1,}"},
        {__LINE__, "{\"id\" 1}"},
        {__LINE__, "{id:1}"},
        {__LINE__, "{\"id\":1} x"},
        {__LINE__, "{\"id\":01x}"},
        {__LINE__, "{\"id\":-}"},
        {__LINE__, "{\"id\":tru}"},
        {__LINE__, "{\"text\":\"a\\qb\"}"},
        {__LINE__, "{\"text\":\"a\\u12\"}"},
        {__LINE__, "{\"text\":\"tab\there\"}"},
        {__LINE__, "{\"text\":\"open}"},
        {__LINE__, "{\"list\":[1 2]}"},
        {__LINE__, "{\"later\":" + deep + "}"},
    };
    for (const Case &c : cases) {
        Sample sample;
        EXPECT_FALSE(read_sample(c.doc, &sample)) << "line " << c.line << ": " << c.doc;
    }
    // A length shorter than the text ends the document there.
    Sample sample;
    std::string doc = "{\"id\":12}";
    EXPECT_FALSE(qvdb_document_read(kSampleShape, doc.c_str(), doc.size() - 1, &sample));
}

TEST(DocumentWrite, EveryByteOfATextComesBack) {
    struct Wide {
        int32_t id;
        char text[256];
    };
    const QvdbField fields[] = {QVDB_FIELD(Wide, id, "id"), QVDB_FIELD(Wide, text, "text")};
    const QvdbShape shape = qvdb_record_shape(kQvdbAnpr, sizeof(Wide), QVDB_FIELDS(fields), "id", 1, 0);
    Wide stored{};
    for (int i = 0; i < 255; i++) stored.text[i] = static_cast<char>(i + 1);
    std::string doc;
    qvdb_document_write(shape, &stored, nullptr, doc);
    Wide loaded{};
    ASSERT_TRUE(qvdb_document_read(shape, doc.c_str(), doc.size(), &loaded)) << doc;
    EXPECT_EQ(memcmp(&stored, &loaded, sizeof stored), 0);
    // A text without its NUL is stored cut at the field, as a reader of the field sees it.
    memset(stored.text, 'x', sizeof stored.text);
    doc.clear();
    qvdb_document_write(shape, &stored, nullptr, doc);
    EXPECT_EQ(doc, "{\"id\":0,\"text\":\"" + std::string(255, 'x') + "\"}");
}

TEST(DocumentRead, SchedulesAndListsTakeOnlyWhatFits) {
    auto schedule = std::make_unique<WeeklySchedule>();
    memset(schedule.get(), 0, sizeof *schedule);
    std::string doc = R"({"day_flags":[1,0,0,0,0,0,0,1,9],"periods":[[0,47,"a","b",3],[8,0,"x","y",1],)"
                      R"([7,48,"x","y",1],[1,2,"0123456789012345678901234567890123456789","",-1,"later"]],"later":1})";
    ASSERT_TRUE(qvdb_schedule_document_read(doc.c_str(), doc.size(), schedule.get()));
    EXPECT_EQ(schedule->day[0].dayFlag, 1);
    EXPECT_EQ(schedule->day[7].dayFlag, 1);
    EXPECT_STREQ(schedule->day[0].period[47].startTime, "a");
    EXPECT_EQ(schedule->day[0].period[47].actionType, 3);
    EXPECT_EQ(strlen(schedule->day[1].period[2].startTime), 31u);
    EXPECT_EQ(schedule->day[1].period[2].actionType, -1);
    std::string short_period = R"({"periods":[[0,1,"a","b"]]})";
    EXPECT_FALSE(qvdb_schedule_document_read(short_period.c_str(), short_period.size(), schedule.get()));

    Sample entries[2];
    memset(entries, 0, sizeof entries);
    int count = -1;
    std::string list = R"({"entries":[{"mask":1},{"mask":2},{"mask":3}],"owner":4})";
    ASSERT_TRUE(qvdb_list_document_read(kSampleShape, list.c_str(), list.size(), entries, 2, &count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(entries[1].mask, 2u);
}

}  // namespace
