// Web text routes of module "/1000": page texts, the language list and the customisation package.
#include <ctype.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/json_util.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "platform/qvcrypt.h"
#include "platform/qvstd.h"
#include "system/device_files.h"
#include "system/system_module.h"
#include "system/zip_entries.h"

namespace {

constexpr char kTextsFolder[] = "/opt/app/www/webfile/json";
constexpr char kLanguageList[] = "/opt/app/www/webfile/json/languages.json";
constexpr char kLanguageListNew[] = "/opt/app/www/webfile/json/languages_bak.json";
constexpr char kLockFile[] = "/tmp/cgilockfile";
constexpr size_t kMaxPageTexts = 307199;
constexpr size_t kMinLanguages = 19;

constexpr char kUploadFolder[] = "/tmp";
constexpr char kPackageFolder[] = "/mnt/nand2";
constexpr char kPackageMarker[] = "/mnt/nand2/oem_upload";
constexpr size_t kPackageKeyLength = 32;

// The value of "key=" in a query text (the key at the start or after '&'), up to the next '&',
// at most max_length characters; false when the key is absent.
bool query_value(const char *query, const char *key, size_t max_length, std::string *value) {
    size_t key_length = strlen(key);
    for (const char *p = query; p && *p;) {
        if (strncmp(p, key, key_length) == 0 && p[key_length] == '=') {
            const char *start = p + key_length + 1;
            *value = std::string(start, strcspn(start, "&")).substr(0, max_length);
            return true;
        }
        p = strchr(p, '&');
        if (p) p++;
    }
    return false;
}

// A language name is a file name stem: letters, digits, '-' and '_' only.
bool is_language_name(const std::string &name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
    return true;
}

bool non_empty_string(json_object *object, const char *key) {
    json_object *value = json_get_typed(object, key, json_type_string);
    return value && json_object_get_string_len(value) > 0;
}

bool language_list_is_valid(json_object *list) {
    if (!list || json_object_object_length(list) != 2 || !non_empty_string(list, "defaultLan")) return false;
    json_object *languages = json_get_typed(list, "list", json_type_array);
    if (!languages || json_object_array_length(languages) < kMinLanguages) return false;
    for (size_t i = 0; i < json_object_array_length(languages); i++) {
        json_object *language = json_object_array_get_idx(languages, i);
        if (!language || !json_object_is_type(language, json_type_object) || !non_empty_string(language, "value") ||
            !non_empty_string(language, "name") || !json_get_typed(language, "isDefault", json_type_boolean))
            return false;
    }
    return true;
}

bool write_whole_file(const std::string &real_path, const std::string &content) {
    FILE *file = fopen(real_path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    return fclose(file) == 0 && ok;
}

// Deciphers an uploaded package: Base64 text, then the package cipher with the page's key.
bool decode_package(const std::string &real_upload, const std::string &key, std::string *archive) {
    int length = 0;
    char *text = qv_get_file_data(real_upload.c_str(), &length);
    if (!text) return false;
    std::vector<unsigned char> sealed(static_cast<size_t>(length) * 3 / 4 + 3);
    int sealed_length = qv_base64_decode(text, length, sealed.data(), static_cast<int>(sealed.size()));
    free(text);
    if (sealed_length <= 0) return false;
    std::vector<unsigned char> plain(static_cast<size_t>(sealed_length));
    int plain_length = aesDecryWeb(sealed.data(), sealed_length, key.c_str(), plain.data(), static_cast<int>(plain.size()));
    if (plain_length <= 0) return false;
    archive->assign(reinterpret_cast<const char *>(plain.data()), static_cast<size_t>(plain_length));
    return true;
}

// Writes the archive to a private temporary in "/tmp" and unpacks it beneath the package folder.
bool unpack_package(const std::string &archive) {
    std::string pattern = nvr_path("/tmp/oemXXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    close(fd);
    std::string zip = name.data();
    bool ok = write_whole_file(zip, archive);
    if (ok) {
        std::string target = nvr_path(kPackageFolder) + "/";
        const char *argv[] = {"unzip", "-o", zip.c_str(), "-d", target.c_str(), nullptr};
        ok = web_spawn(argv) == 0;
    }
    unlink(zip.c_str());
    return ok;
}

}  // namespace

// "/json": the block of one page's texts from a language file.
int on_get_page_texts(const char *arg) {
    const char *query = arg ? arg : "";
    std::string language, page, sub;
    query_value(query, "lang", 63, &language);
    if (!query_value(query, "page", 127, &page) || page.empty()) return cgi_writeback_webserver(kTextPlain, "ERROR PAGE.");
    query_value(query, "sub", 127, &sub);
    if (!is_language_name(language)) return cgi_writeback_webserver(kTextPlain, "ERROR LANG.");
    std::string path = nvr_path((std::string(kTextsFolder) + "/" + language + ".json").c_str());
    FILE *file = fopen(path.c_str(), "r");
    if (!file) return cgi_writeback_webserver(kTextPlain, "ERROR LANG.");
    std::string name = sub.empty() ? page + ".json" : page + "=" + sub + ".json";
    std::string start = "{//" + name, end = "}//" + name;
    std::string answer;
    bool inside = false;
    char line[1024];
    while (fgets(line, sizeof line, file)) {
        if (!inside) {
            if (strstr(line, start.c_str())) {
                inside = true;
                answer = "{\n";
            }
            continue;
        }
        if (strstr(line, end.c_str())) {
            answer += "\n}";
            break;
        }
        answer += line;
    }
    fclose(file);
    if (answer.size() > kMaxPageTexts) answer.resize(kMaxPageTexts);
    return cgi_writeback_webserver(kJson, answer.c_str());
}

// "/1001": replace the language list with a complete one.
int on_change_language(const char *arg) {
    JsonRef list(get_request_tokener_json_object(arg));
    if (!language_list_is_valid(list)) return 0;
    int lock = file_lock(kLockFile);
    std::string fresh = nvr_path(kLanguageListNew);
    bool written = write_whole_file(fresh, std::string(arg) + "\n");
    if (written) rename(fresh.c_str(), nvr_path(kLanguageList).c_str());
    else unlink(fresh.c_str());
    file_unlock(lock);
    if (!written) return 0;
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/oem": decipher an uploaded customisation package and unpack it into the package folder.
int on_upload_oem(const char *arg) {
    std::string text = arg ? arg : "";
    size_t split = text.find(" & ");
    if (split == std::string::npos) return cgi_writeback_webserver(kTextPlain, "ERROR");
    std::string upload = text.substr(0, split), query = text.substr(split + 3);
    std::string key;
    size_t found = query.find("aes=");
    if (found == std::string::npos) return cgi_writeback_webserver(kTextPlain, "ERROR");
    key = query.substr(found + 4, kPackageKeyLength);
    key.resize(strcspn(key.c_str(), "&"));
    std::string real_upload;
    std::string archive;
    std::vector<ZipEntry> entries;
    if (!regular_file_inside(kUploadFolder, upload.c_str(), &real_upload) || !decode_package(real_upload, key, &archive))
        return cgi_writeback_webserver(kTextPlain, "ERROR");
    unlink(real_upload.c_str());
    // The whole package is refused when any entry would land outside the folder.
    if (!zip_list_entries(archive, &entries) || !zip_entries_are_contained(entries) || !unpack_package(archive))
        return cgi_writeback_webserver(kTextPlain, "ERROR");
    int marker = open(nvr_path(kPackageMarker).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (marker >= 0) close(marker);
    return cgi_writeback_webserver(kTextPlain, "OK");
}
