// Zip central-directory listing and the containment rule for package entries.
#include <gtest/gtest.h>

#include "system/zip_entries.h"

namespace {

void put16(std::string &out, uint16_t v) { out.append(reinterpret_cast<const char *>(&v), 2); }
void put32(std::string &out, uint32_t v) { out.append(reinterpret_cast<const char *>(&v), 4); }

// A central directory of the given names (no file data) and its end record.
std::string directory(const std::vector<std::pair<std::string, uint32_t>> &names, uint16_t claimed = 0xFFFE) {
    std::string central;
    for (const auto &entry : names) {
        put32(central, 0x02014b50);
        put16(central, (3 << 8) | 20);
        central.append(22, '\0');
        put16(central, static_cast<uint16_t>(entry.first.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, entry.second << 16);
        put32(central, 0);
        central += entry.first;
    }
    std::string zip = central;
    uint16_t count = claimed == 0xFFFE ? static_cast<uint16_t>(names.size()) : claimed;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, count);
    put16(zip, count);
    put32(zip, static_cast<uint32_t>(central.size()));
    put32(zip, 0);
    put16(zip, 0);
    return zip;
}

TEST(ZipEntries, ListsNamesAndLinks) {
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(zip_list_entries(directory({{"a.txt", 0100644}, {"l", 0120777}}), &entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_FALSE(entries[0].is_link);
    EXPECT_TRUE(entries[1].is_link);
}

TEST(ZipEntries, RefusesDamagedDirectories) {
    std::vector<ZipEntry> entries;
    struct Case {
        int line;
        std::string archive;
    } cases[] = {
        {__LINE__, ""},
        {__LINE__, "PK\x05\x06"},
        {__LINE__, directory({{"a", 0100644}}, 2)},       // claims more entries than it holds
        {__LINE__, directory({{"a", 0100644}}, 0xFFFF)},  // 64-bit extension
        {__LINE__, directory({{"a", 0100644}}).substr(1)},
    };
    for (const Case &c : cases) EXPECT_FALSE(zip_list_entries(c.archive, &entries)) << "line " << c.line;
}

TEST(ZipEntries, ContainmentRule) {
    struct Case {
        int line;
        std::string name;
        bool link;
        bool contained;
    } cases[] = {
        {__LINE__, "a.txt", false, true},      {__LINE__, "dir/", false, true},
        {__LINE__, "a..b/c..", false, true},   {__LINE__, "/abs", false, false},
        {__LINE__, "../x", false, false},      {__LINE__, "a/../../x", false, false},
        {__LINE__, "a/..", false, false},      {__LINE__, "a\\..\\x", false, false},
        {__LINE__, "", false, false},          {__LINE__, "link", true, false},
        {__LINE__, std::string("a\0b", 3), false, false},
    };
    for (const Case &c : cases) {
        ZipEntry entry;
        entry.name = c.name;
        entry.is_link = c.link;
        EXPECT_EQ(zip_entries_are_contained({entry}), c.contained) << "line " << c.line;
    }
}

}  // namespace
