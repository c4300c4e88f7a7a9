// Database library: every registered kind, whoever declared it, round-trips at its field sizes.
#include <float.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/qvdb_internal.h"
#include "platform/qvdb_test_support.h"

namespace {

using EveryKind = DbTest;

const char *file_path(QvdbFile file) {
    return file == kQvdbAnpr ? QVDB_ANPR_PATH : file == kQvdbOem ? QVDB_OEM_PATH : QVDB_PATH;
}

// Bytes a text field is filled with: JSON's special characters, control characters and UTF-8
// sequences (cut anywhere by the field size).
const char kTextPattern[] = "\"\\/\x01\x1f\t\n\x7f" "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80{}[]:,'%z ";

// Fills every field at its full size with values that differ by seed.
void fill_fields(const QvdbShape &shape, unsigned char *record, int seed) {
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        unsigned char *at = record + field.offset;
        int n = seed * 31 + static_cast<int>(i);
        switch (field.type) {
            case QvdbType::Int32: {
                int32_t value = (n % 2 ? INT32_MIN : INT32_MAX - 100) + n % 97;
                memcpy(at, &value, sizeof value);
                break;
            }
            case QvdbType::UInt32: {
                uint32_t value = UINT32_MAX - static_cast<uint32_t>(n);
                memcpy(at, &value, sizeof value);
                break;
            }
            case QvdbType::Int64: {
                int64_t value = (n % 2 ? INT64_MIN : INT64_MAX - 100) + n % 97;
                memcpy(at, &value, sizeof value);
                break;
            }
            case QvdbType::Double: {
                double value = n % 3 == 0 ? -DBL_MAX : n % 3 == 1 ? 1.0 / 3 + n : -DBL_MIN * n;
                memcpy(at, &value, sizeof value);
                break;
            }
            case QvdbType::Text:
                for (uint32_t j = 0; j + 1 < field.size; j++)
                    at[j] = static_cast<unsigned char>(kTextPattern[(static_cast<size_t>(n) + j) % (sizeof kTextPattern - 1)]);
                at[field.size - 1] = '\0';
                break;
            case QvdbType::Int32Array:
                for (uint32_t j = 0; j < field.size / sizeof(int32_t); j++) {
                    uint32_t bits = (j % 2 ? 0x80000000u : 0x7FFFFFFFu) - j - static_cast<uint32_t>(n);
                    int32_t value;
                    memcpy(&value, &bits, sizeof value);
                    memcpy(at + j * sizeof value, &value, sizeof value);
                }
                break;
        }
    }
}

void expect_same_fields(const QvdbShape &shape, const unsigned char *expected, const unsigned char *actual,
                        const std::string &what) {
    for (uint32_t i = 0; i < shape.field_count; i++) {
        const QvdbField &field = shape.fields[i];
        EXPECT_EQ(memcmp(expected + field.offset, actual + field.offset, field.size), 0) << what << "." << field.column;
    }
}

void fill_schedule(WeeklySchedule &schedule, int seed) {
    memset(&schedule, 0, sizeof schedule);
    for (int d = 0; d < 8; d++) {
        schedule.day[d].dayFlag = d % 2 ? seed : -seed;
        for (int p = 0; p < 48; p++) {
            SchedulePeriod &period = schedule.day[d].period[p];
            for (size_t j = 0; j + 1 < sizeof period.startTime; j++) {
                period.startTime[j] = kTextPattern[(static_cast<size_t>(seed) + j + p) % (sizeof kTextPattern - 1)];
                period.endTime[j] = kTextPattern[(static_cast<size_t>(seed) + j + d) % (sizeof kTextPattern - 1)];
            }
            period.actionType = seed * 1000 + d * 48 + p;
        }
    }
}

// The keys a kind is exercised under: its last key and last second key.
struct Keys {
    int key;
    int extra;
};
Keys last_keys(const QvdbShape &shape) { return {shape.key_limit - 1, shape.extra_column ? shape.extra_limit - 1 : 0}; }

// The first registration of every name.
std::vector<const QvdbTable *> every_kind() {
    std::vector<const QvdbTable *> kinds;
    for (const QvdbTable *table = qvdb_first_table(); table; table = qvdb_next_table(table))
        if (qvdb_find_table(table->name) == table) kinds.push_back(table);
    return kinds;
}

// Writes every kind with values of the seed (one transaction per file: one sync each).
void write_every_kind(const std::vector<const QvdbTable *> &kinds, int seed) {
    for (QvdbFile file : {kQvdbSettings, kQvdbAnpr, kQvdbOem}) {
        DbTransaction transaction(file_path(file));
        ASSERT_TRUE(transaction.ok());
        for (size_t k = 0; k < kinds.size(); k++) {
            const QvdbTable &table = *kinds[k];
            const QvdbShape &shape = *table.shape;
            if (shape.file != file) continue;
            const char *db = file_path(file);
            Keys keys = last_keys(shape);
            int kind_seed = seed + static_cast<int>(k);
            if (shape.layout == QvdbLayout::Schedule) {
                auto schedule = std::make_unique<WeeklySchedule>();
                fill_schedule(*schedule, kind_seed);
                EXPECT_EQ(qvdb_write_schedule(db, table, schedule.get(), keys.key, keys.extra), 0) << table.name;
            } else if (shape.layout == QvdbLayout::List) {
                std::vector<unsigned char> entries(static_cast<size_t>(shape.slot_limit) * shape.size, 0);
                for (int slot = 0; slot < shape.slot_limit; slot++)
                    fill_fields(shape, &entries[static_cast<size_t>(slot) * shape.size], kind_seed + slot);
                EXPECT_EQ(qvdb_write_list(db, table, entries.data(), shape.slot_limit, keys.key, keys.extra), 0)
                    << table.name;
            } else {
                std::vector<unsigned char> record(shape.size, 0);
                fill_fields(shape, record.data(), kind_seed);
                qvdb_set_field_int(*qvdb_find_field(shape, shape.key_column), record.data(), keys.key);
                EXPECT_EQ(qvdb_write_record(db, table, record.data(), keys.extra), 0) << table.name;
            }
        }
        EXPECT_EQ(transaction.commit(), 0);
    }
}

void expect_every_kind(const std::vector<const QvdbTable *> &kinds, int seed) {
    for (size_t k = 0; k < kinds.size(); k++) {
        const QvdbTable &table = *kinds[k];
        const QvdbShape &shape = *table.shape;
        const char *db = file_path(shape.file);
        Keys keys = last_keys(shape);
        int kind_seed = seed + static_cast<int>(k);
        if (shape.layout == QvdbLayout::Schedule) {
            auto expected = std::make_unique<WeeklySchedule>();
            auto loaded = std::make_unique<WeeklySchedule>();
            fill_schedule(*expected, kind_seed);
            ASSERT_EQ(qvdb_read_schedule(db, table, loaded.get(), keys.key, keys.extra), 0) << table.name;
            EXPECT_EQ(memcmp(expected.get(), loaded.get(), sizeof *loaded), 0) << table.name;
        } else if (shape.layout == QvdbLayout::List) {
            size_t bytes = static_cast<size_t>(shape.slot_limit) * shape.size;
            std::vector<unsigned char> expected(bytes, 0), loaded(bytes, 0xA5);
            int count = -1;
            ASSERT_EQ(qvdb_read_list(db, table, loaded.data(), shape.slot_limit, &count, keys.key, keys.extra), 0)
                << table.name;
            ASSERT_EQ(count, shape.slot_limit) << table.name;
            const QvdbField &owner = *qvdb_find_field(shape, shape.key_column);
            for (int slot = 0; slot < shape.slot_limit; slot++) {
                unsigned char *entry = &expected[static_cast<size_t>(slot) * shape.size];
                fill_fields(shape, entry, kind_seed + slot);
                qvdb_set_field_int(owner, entry, keys.key);
                expect_same_fields(shape, entry, &loaded[static_cast<size_t>(slot) * shape.size],
                                   std::string(table.name) + "[" + std::to_string(slot) + "]");
            }
        } else {
            std::vector<unsigned char> expected(shape.size, 0), loaded(shape.size, 0xA5);
            fill_fields(shape, expected.data(), kind_seed);
            qvdb_set_field_int(*qvdb_find_field(shape, shape.key_column), expected.data(), keys.key);
            ASSERT_EQ(qvdb_read_record(db, table, loaded.data(), keys.key, keys.extra), 0) << table.name;
            expect_same_fields(shape, expected.data(), loaded.data(), table.name);
        }
    }
}

// Every kind any part of the program registers, at the full size of every field and at its last
// keys, written, read back by a new connection, then overwritten and read again: no kind loses a
// byte of a field or reaches another kind's rows.
TEST_F(EveryKind, RoundTripsAtItsFieldSizes) {
    std::vector<const QvdbTable *> kinds = every_kind();
    ASSERT_GT(kinds.size(), 100u);
    for (int seed : {1, 1000}) {
        write_every_kind(kinds, seed);
        qvdb_close_all();
        expect_every_kind(kinds, seed);
    }
}

// A factory state for every kind: records of kinds with factory rows exist at every factory key
// (with their factory values), lists and schedules read empty, and nothing else is stored.
TEST_F(EveryKind, FactoryStateHasEveryFactoryRow) {
    for (const QvdbTable *table : every_kind()) {
        const QvdbShape &shape = *table->shape;
        const char *db = file_path(shape.file);
        int extras = shape.extra_column ? shape.extra_limit : 1;
        if (shape.layout == QvdbLayout::Schedule) {
            auto schedule = std::make_unique<WeeklySchedule>();
            ASSERT_EQ(qvdb_read_schedule(db, *table, schedule.get(), 0, extras - 1), 0) << table->name;
            continue;
        }
        if (shape.layout == QvdbLayout::List) {
            std::vector<unsigned char> entries(static_cast<size_t>(shape.slot_limit) * shape.size);
            int count = -1;
            ASSERT_EQ(qvdb_read_list(db, *table, entries.data(), shape.slot_limit, &count, 0, extras - 1), 0);
            EXPECT_EQ(count, 0) << table->name;
            continue;
        }
        std::vector<unsigned char> record(shape.size), expected(shape.size);
        const QvdbField &key_field = *qvdb_find_field(shape, shape.key_column);
        for (int extra = 0; extra < extras; extra++) {
            for (int key = 0; key < shape.key_limit && key < 64; key++) {
                int rc = qvdb_read_record(db, *table, record.data(), key, extra);
                if (key >= shape.factory_rows) {
                    EXPECT_EQ(rc, -1) << table->name << " key " << key;
                    continue;
                }
                ASSERT_EQ(rc, 0) << table->name << " key " << key;
                memset(expected.data(), 0, shape.size);
                if (shape.factory_fill) shape.factory_fill(expected.data(), key, extra);
                qvdb_set_field_int(key_field, expected.data(), key);
                expect_same_fields(shape, expected.data(), record.data(), table->name);
            }
        }
    }
}

}  // namespace
