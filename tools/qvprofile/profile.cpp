// The device profile tool: exports the configuration databases into one file, and imports such a file.
//
// File layout (little-endian): "QVPF", u32 version 1, u32 database count; per database u32 name
// length, the database's device path, u64 size, the database image; then the SHA-256 of all
// bytes before it.
#include "tools/qvprofile/profile.h"

#include <fcntl.h>
#include <openssl/sha.h>
#include <sqlite3.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/devroot.h"

namespace {

const char *const kDatabases[] = {"/mnt/nand/app/qvdb.db", "/mnt/nand/app/anpr.db", "/mnt/nand2/oem.db"};
const char kMagic[4] = {'Q', 'V', 'P', 'F'};
constexpr uint32_t kVersion = 1;
constexpr int kBusyMs = 5000;

struct DatabaseImage {
    std::string device_path;
    std::string bytes;
};

bool read_whole(const std::string &path, std::string *out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream content;
    content << in.rdbuf();
    *out = content.str();
    return !in.bad();
}

// A private temporary file in the folder; its path, or "" on failure.
std::string make_temporary(const std::string &folder) {
    std::string pattern = folder + "/.qvprofileXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return std::string();
    fchmod(fd, 0600);
    close(fd);
    return name.data();
}

// Copies one database into another file with the backup API, in one step.
bool backup_database(const std::string &from, const std::string &to, bool from_read_only) {
    sqlite3 *source = nullptr, *target = nullptr;
    bool ok = sqlite3_open_v2(from.c_str(), &source, from_read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                              nullptr) == SQLITE_OK &&
              sqlite3_open_v2(to.c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(source, kBusyMs);
        sqlite3_busy_timeout(target, kBusyMs);
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
        ok = backup != nullptr;
        if (backup) {
            int rc;
            while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(20);
            ok = rc == SQLITE_DONE;
            ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
        }
    }
    sqlite3_close(source);
    sqlite3_close(target);
    return ok;
}

// True when the file is an SQLite database that passes its quick check.
bool database_is_sound(const std::string &path) {
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    sqlite3_stmt *check = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
         sqlite3_step(check) == SQLITE_ROW &&
         strcmp(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)), "ok") == 0;
    sqlite3_finalize(check);
    sqlite3_close(db);
    return ok;
}

void put_u32(std::string &out, uint32_t value) { out.append(reinterpret_cast<const char *>(&value), 4); }
void put_u64(std::string &out, uint64_t value) { out.append(reinterpret_cast<const char *>(&value), 8); }

std::string sha256(const std::string &bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), digest);
    return std::string(reinterpret_cast<const char *>(digest), sizeof digest);
}

// Writes bytes to a new temporary file in the folder and renames it into place.
bool write_file_atomically(const std::string &folder, const std::string &path, const std::string &bytes) {
    std::string temporary = make_temporary(folder);
    if (temporary.empty()) return false;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

class Reader {
  public:
    explicit Reader(const std::string &bytes) : bytes_(bytes) {}
    bool u32(uint32_t *out) { return take(out, 4); }
    bool u64(uint64_t *out) { return take(out, 8); }
    bool text(size_t length, std::string *out) {
        if (length > bytes_.size() - at_) return false;
        *out = bytes_.substr(at_, length);
        at_ += length;
        return true;
    }
    size_t at() const { return at_; }

  private:
    bool take(void *out, size_t n) {
        if (n > bytes_.size() - at_) return false;
        memcpy(out, bytes_.data() + at_, n);
        at_ += n;
        return true;
    }
    const std::string &bytes_;
    size_t at_ = 0;
};

bool known_database(const std::string &device_path) {
    for (const char *name : kDatabases)
        if (device_path == name) return true;
    return false;
}

// Parses and checks an export; fills the images in file order.
bool parse_export(const std::string &bytes, std::vector<DatabaseImage> *images, std::string *error) {
    if (bytes.size() < 12 + SHA256_DIGEST_LENGTH || memcmp(bytes.data(), kMagic, 4) != 0) {
        *error = "not a configuration export";
        return false;
    }
    std::string body = bytes.substr(0, bytes.size() - SHA256_DIGEST_LENGTH);
    if (sha256(body) != bytes.substr(body.size())) {
        *error = "configuration export is damaged";
        return false;
    }
    Reader reader(body);
    std::string magic;
    uint32_t version = 0, count = 0;
    if (!reader.text(4, &magic) || !reader.u32(&version) || !reader.u32(&count) || version != kVersion ||
        count == 0 || count > sizeof kDatabases / sizeof kDatabases[0]) {
        *error = "unsupported configuration export";
        return false;
    }
    for (uint32_t i = 0; i < count; i++) {
        uint32_t name_length = 0;
        uint64_t size = 0;
        DatabaseImage image;
        if (!reader.u32(&name_length) || name_length > 255 || !reader.text(name_length, &image.device_path) ||
            !reader.u64(&size) || size > body.size() || !reader.text(static_cast<size_t>(size), &image.bytes) ||
            !known_database(image.device_path)) {
            *error = "malformed configuration export";
            return false;
        }
        for (const DatabaseImage &seen : *images) {
            if (seen.device_path == image.device_path) {
                *error = "database listed twice";
                return false;
            }
        }
        images->push_back(image);
    }
    if (reader.at() != body.size()) {
        *error = "trailing bytes in configuration export";
        return false;
    }
    return true;
}

std::string folder_of(const std::string &path) { return path.substr(0, path.rfind('/')); }

}  // namespace

int profile_export(const std::string &folder, std::string *error) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = "no such folder: " + folder;
        return -1;
    }
    std::string body(kMagic, 4);
    put_u32(body, kVersion);
    std::string entries;
    uint32_t count = 0;
    for (const char *device_path : kDatabases) {
        std::string real = nvr_path(device_path);
        if (access(real.c_str(), R_OK) != 0) continue;
        std::string copy = make_temporary(folder);
        std::string bytes;
        // Opened for writing (nothing is written) so that a database in WAL mode can always be read.
        bool ok = !copy.empty() && backup_database(real, copy, false) && read_whole(copy, &bytes);
        if (!copy.empty()) unlink(copy.c_str());
        if (!ok) {
            *error = std::string("cannot copy ") + device_path;
            return -1;
        }
        put_u32(entries, static_cast<uint32_t>(strlen(device_path)));
        entries += device_path;
        put_u64(entries, bytes.size());
        entries += bytes;
        count++;
    }
    if (count == 0) {
        *error = "no configuration database to export";
        return -1;
    }
    put_u32(body, count);
    body += entries;
    body += sha256(body);

    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char name[64];
    strftime(name, sizeof name, "config_%Y%m%d%H%M%S.bin", &local);
    std::string exported = folder + "/" + name;
    if (!write_file_atomically(folder, exported, body) ||
        !write_file_atomically(folder, folder + "/.export_down_file", exported)) {
        *error = "cannot write the export into " + folder;
        return -1;
    }
    return 0;
}

int profile_import(const std::string &file, std::string *error) {
    std::string bytes;
    if (!read_whole(file, &bytes)) {
        *error = "cannot read " + file;
        return -1;
    }
    std::vector<DatabaseImage> images;
    if (!parse_export(bytes, &images, error)) return -1;

    // Every image is checked as a database before any live database is touched.
    std::vector<std::string> staged;
    bool ok = true;
    for (const DatabaseImage &image : images) {
        std::string temporary = make_temporary(folder_of(nvr_path(image.device_path.c_str())));
        staged.push_back(temporary);
        if (temporary.empty() || !write_file_atomically(folder_of(temporary), temporary, image.bytes) ||
            !database_is_sound(temporary)) {
            *error = "invalid database image for " + image.device_path;
            ok = false;
            break;
        }
    }
    for (size_t i = 0; ok && i < images.size(); i++) {
        if (!backup_database(staged[i], nvr_path(images[i].device_path.c_str()), true)) {
            *error = "cannot replace " + images[i].device_path;
            ok = false;
        }
    }
    for (const std::string &temporary : staged)
        if (!temporary.empty()) unlink(temporary.c_str());
    return ok ? 0 : -1;
}
