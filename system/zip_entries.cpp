// Reads the entry list of a zip archive's central directory, so a package can be judged before it is unpacked.
#include "system/zip_entries.h"

#include <string.h>

namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kEntryHeadSize = 46;
constexpr size_t kMaxComment = 65535;
constexpr unsigned kMadeOnUnix = 3;
constexpr uint32_t kFileTypeMask = 0170000;
constexpr uint32_t kLinkType = 0120000;

uint16_t u16(const std::string &b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
uint32_t u32(const std::string &b, size_t at) { return u16(b, at) | (static_cast<uint32_t>(u16(b, at + 2)) << 16); }

// The last end-of-directory record, as readers find it; npos when there is none.
size_t find_end_record(const std::string &archive) {
    if (archive.size() < kEndRecordSize) return std::string::npos;
    size_t lowest = archive.size() > kEndRecordSize + kMaxComment ? archive.size() - kEndRecordSize - kMaxComment : 0;
    for (size_t at = archive.size() - kEndRecordSize + 1; at-- > lowest;)
        if (u32(archive, at) == kEndOfDirectory) return at;
    return std::string::npos;
}

}  // namespace

bool zip_list_entries(const std::string &archive, std::vector<ZipEntry> *entries) {
    entries->clear();
    size_t end = find_end_record(archive);
    if (end == std::string::npos) return false;
    uint16_t disk = u16(archive, end + 4), directory_disk = u16(archive, end + 6);
    uint16_t on_disk = u16(archive, end + 8), total = u16(archive, end + 10);
    uint32_t size = u32(archive, end + 12), offset = u32(archive, end + 16);
    if (disk != 0 || directory_disk != 0 || on_disk != total || total == 0xFFFF || offset == 0xFFFFFFFF ||
        size == 0xFFFFFFFF || static_cast<uint64_t>(offset) + size > end)
        return false;
    size_t at = offset;
    for (uint16_t i = 0; i < total; i++) {
        if (at + kEntryHeadSize > end || u32(archive, at) != kDirectoryEntry) return false;
        uint16_t made_by = u16(archive, at + 4);
        uint16_t name_length = u16(archive, at + 28), extra = u16(archive, at + 30), comment = u16(archive, at + 32);
        uint32_t attributes = u32(archive, at + 38);
        size_t next = at + kEntryHeadSize + name_length + extra + comment;
        if (next > end) return false;
        ZipEntry entry;
        entry.name = archive.substr(at + kEntryHeadSize, name_length);
        entry.is_link = (made_by >> 8) == kMadeOnUnix && ((attributes >> 16) & kFileTypeMask) == kLinkType;
        entries->push_back(entry);
        at = next;
    }
    return true;
}

bool zip_entries_are_contained(const std::vector<ZipEntry> &entries) {
    for (const ZipEntry &entry : entries) {
        const std::string &name = entry.name;
        if (entry.is_link || name.empty() || name[0] == '/' || name.find('\\') != std::string::npos ||
            name.find('\0') != std::string::npos)
            return false;
        size_t start = 0;
        for (;;) {
            size_t slash = name.find('/', start);
            std::string component = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            if (component == "..") return false;
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
    }
    return true;
}
