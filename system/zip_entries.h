// Reads the entry list of a zip archive's central directory, so a package can be judged before it is unpacked.
#ifndef NVR_SYSTEM_ZIP_ENTRIES_H
#define NVR_SYSTEM_ZIP_ENTRIES_H

#include <stdint.h>

#include <string>
#include <vector>

struct ZipEntry {
    std::string name;
    bool is_link = false;  // made on Unix with the symbolic-link file type
};

// Lists the entries of the archive in memory; false when it is not a complete single-part
// zip archive (or uses the 64-bit extensions).
bool zip_list_entries(const std::string &archive, std::vector<ZipEntry> *entries);

// True when every entry may be unpacked beneath a folder: a relative name without '\', no ".."
// component, no link.
bool zip_entries_are_contained(const std::vector<ZipEntry> &entries);

#endif
