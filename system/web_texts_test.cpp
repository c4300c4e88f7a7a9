// Page texts, the language list and the customisation package, end to end.
#include <openssl/evp.h>
#include <sys/stat.h>

#include "platform/qvcrypt.h"
#include "system/system_test_support.h"

namespace {

const char kLanguageFile[] =
    "{//head.json\n"
    "\"title\":\"Head\"\n"
    "}//head.json\n"
    "{//login.json\n"
    "\"user\":\"User\",\n"
    "\"pass\":\"Password\"\n"
    "}//login.json\n"
    "{//setup=net.json\n"
    "\"ip\":\"Address\"\n"
    "}//setup=net.json\n";

class WebTextsTest : public RouteTest {};

TEST_F(WebTextsTest, PageTextsAnswerTheMarkedBlock) {
    root.write_file("/opt/app/www/webfile/json/en.json", kLanguageFile);
    root.write_file("/opt/app/www/webfile/secret.json", kLanguageFile);
    struct Case {
        int line;
        std::string query;
        std::string headers;
        std::string body;
    } cases[] = {
        {__LINE__, "lang=en&page=login", "application/json", "{\n\"user\":\"User\",\n\"pass\":\"Password\"\n\n}"},
        {__LINE__, "page=login&lang=en", "application/json", "{\n\"user\":\"User\",\n\"pass\":\"Password\"\n\n}"},
        {__LINE__, "lang=en&page=setup&sub=net", "application/json", "{\n\"ip\":\"Address\"\n\n}"},
        {__LINE__, "lang=en&page=none", "application/json", ""},
        {__LINE__, "lang=en", "text/plain", "ERROR PAGE."},
        {__LINE__, "lang=en&page=", "text/plain", "ERROR PAGE."},
        {__LINE__, "lang=xx&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "page=login", "text/plain", "ERROR LANG."},
        // Only a plain language name reaches the file system.
        {__LINE__, "lang=../secret&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "lang=..%2Fsecret&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "lang=%2E%2E/secret&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "lang=/opt/app/www/webfile/secret&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "lang=en;cat /etc/passwd&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "lang=en$(id)&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "lang=" + std::string(300, 'e') + "&page=login", "text/plain", "ERROR LANG."},
        {__LINE__, "xlang=en&page=login", "text/plain", "ERROR LANG."},
    };
    for (const Case &c : cases) {
        CgiResult result = get("/json", c.query);
        EXPECT_EQ(result.headers, "Content-type: " + c.headers + "\r\n\r\n") << "line " << c.line;
        EXPECT_EQ(result.body, c.body) << "line " << c.line;
    }
}

TEST_F(WebTextsTest, PageTextsAreCappedAndKeepLongLines) {
    std::string block = "{//big.json\n";
    std::string line(3000, 'x');
    for (int i = 0; i < 150; i++) block += line + "\n";
    block += "}//big.json\n";
    root.write_file("/opt/app/www/webfile/json/en.json", block);
    CgiResult result = get("/json", "lang=en&page=big");
    EXPECT_EQ(result.body.size(), 307199u);
    EXPECT_EQ(result.body.substr(0, 5), "{\nxxx");
}

std::string language_list(int count, const std::string &extra_key = "", const std::string &is_default = "false") {
    std::string list = "{\"defaultLan\":\"en\",\"list\":[";
    for (int i = 0; i < count; i++)
        list += std::string(i ? "," : "") + "{\"value\":\"l" + std::to_string(i) + "\",\"name\":\"L" + std::to_string(i) +
                "\",\"isDefault\":" + (i == 0 ? is_default : "false") + "}";
    list += "]" + extra_key + "}";
    return list;
}

TEST_F(WebTextsTest, LanguageListNeedsEveryLanguageWellFormed) {
    root.write_file("/opt/app/www/webfile/json/languages.json", "old\n");
    struct Case {
        int line;
        std::string body;
    } refused[] = {
        {__LINE__, language_list(18)},
        {__LINE__, language_list(19, ",\"more\":1")},
        {__LINE__, language_list(19, "", "1")},
        {__LINE__, language_list(19, "", "\"true\"")},
        {__LINE__, "{\"defaultLan\":\"\",\"list\":[]}"},
        {__LINE__, "{\"defaultLan\":\"en\",\"list\":{}}"},
        {__LINE__, "[1,2]"},
        {__LINE__, "not json"},
    };
    for (const Case &c : refused) {
        EXPECT_EQ(post_json("/1001", c.body).output, "") << "line " << c.line;
        EXPECT_EQ(root.read_file("/opt/app/www/webfile/json/languages.json"), "old\n") << "line " << c.line;
    }
    std::string with_empty_name = language_list(19);
    with_empty_name.replace(with_empty_name.find("\"L3\""), 4, "\"\"");
    EXPECT_EQ(post_json("/1001", with_empty_name).output, "");

    std::string good = language_list(19, "", "true");
    EXPECT_EQ(post_json("/1001", good).body, "OK");
    EXPECT_EQ(root.read_file("/opt/app/www/webfile/json/languages.json"), good + "\n");
    EXPECT_FALSE(root.exists("/opt/app/www/webfile/json/languages_bak.json"));
}

// ----- customisation packages -----

uint32_t crc32_of(const std::string &data) {
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void put16(std::string &out, uint16_t v) { out.append(reinterpret_cast<const char *>(&v), 2); }
void put32(std::string &out, uint32_t v) { out.append(reinterpret_cast<const char *>(&v), 4); }

struct ZipItem {
    std::string name;
    std::string data;
    uint32_t mode = 0100644;  // 0120777 for a link, whose data is its target
};

// A stored (uncompressed) zip archive made on Unix, with names and modes exactly as given.
std::string make_zip(const std::vector<ZipItem> &items) {
    std::string local, central;
    for (const ZipItem &item : items) {
        uint32_t offset = static_cast<uint32_t>(local.size());
        uint32_t crc = crc32_of(item.data);
        put32(local, 0x04034b50);
        put16(local, 10);
        put16(local, 0);
        put16(local, 0);
        put16(local, 0);
        put16(local, 0x21);
        put32(local, crc);
        put32(local, static_cast<uint32_t>(item.data.size()));
        put32(local, static_cast<uint32_t>(item.data.size()));
        put16(local, static_cast<uint16_t>(item.name.size()));
        put16(local, 0);
        local += item.name + item.data;

        put32(central, 0x02014b50);
        put16(central, (3 << 8) | 20);
        put16(central, 10);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0x21);
        put32(central, crc);
        put32(central, static_cast<uint32_t>(item.data.size()));
        put32(central, static_cast<uint32_t>(item.data.size()));
        put16(central, static_cast<uint16_t>(item.name.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, item.mode << 16);
        put32(central, offset);
        central += item.name;
    }
    std::string zip = local + central;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, static_cast<uint16_t>(items.size()));
    put16(zip, static_cast<uint16_t>(items.size()));
    put32(zip, static_cast<uint32_t>(central.size()));
    put32(zip, static_cast<uint32_t>(local.size()));
    put16(zip, 0);
    return zip;
}

// The page's package: the archive sealed with the key, then standard Base64.
std::string seal_package(const std::string &archive, const std::string &key) {
    std::vector<unsigned char> sealed(archive.size() + 64);
    int length = aesEncryWeb(reinterpret_cast<const unsigned char *>(archive.data()), static_cast<int>(archive.size()),
                             key.c_str(), sealed.data(), static_cast<int>(sealed.size()));
    std::string text(4 * ((static_cast<size_t>(length) + 2) / 3) + 1, '\0');
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char *>(&text[0]), sealed.data(), length);
    text.resize(static_cast<size_t>(written));
    return text;
}

class OemPackageTest : public RouteTest {
  protected:
    CgiResult upload(const std::string &package, const std::string &query) {
        return run(upload_request("/oem", "oem.pkg", package, query));
    }
};

TEST_F(OemPackageTest, UnpacksASoundPackage) {
    std::string zip = make_zip({{"logo.png", "PNG"}, {"web/", ""}, {"web/title.txt", "Recorder"}});
    CgiResult result = upload(seal_package(zip, "k3y-Of-the-page"), "aes=k3y-Of-the-page&x=1");
    EXPECT_EQ(result.body, "OK");
    EXPECT_EQ(root.read_file("/mnt/nand2/logo.png"), "PNG");
    EXPECT_EQ(root.read_file("/mnt/nand2/web/title.txt"), "Recorder");
    EXPECT_TRUE(root.exists("/mnt/nand2/oem_upload"));
    // Neither the upload nor the archive stays in "/tmp".
    EXPECT_TRUE(root.list("/tmp").empty()) << root.list("/tmp")[0];
}

// One entry that would land outside the folder refuses the whole package.
TEST_F(OemPackageTest, RefusesPackagesReachingOutsideTheFolder) {
    struct Case {
        int line;
        std::vector<ZipItem> items;
    } cases[] = {
        {__LINE__, {{"ok.txt", "a"}, {"/tmp/abs.txt", "b"}}},
        {__LINE__, {{"ok.txt", "a"}, {"../escape.txt", "b"}}},
        {__LINE__, {{"ok.txt", "a"}, {"web/../../escape.txt", "b"}}},
        {__LINE__, {{"ok.txt", "a"}, {"..", ""}}},
        {__LINE__, {{"ok.txt", "a"}, {"web\\..\\..\\escape.txt", "b"}}},
        {__LINE__, {{"link", "/mnt/nand/app", 0120777}, {"link/qvdb.db", "overwritten"}}},
        {__LINE__, {{"ok.txt", "a"}, {"dangling", "../../x", 0120777}}},
        {__LINE__, {{"", "a"}}},
    };
    root.write_file("/mnt/nand/app/qvdb.db", "settings");
    for (const Case &c : cases) {
        CgiResult result = upload(seal_package(make_zip(c.items), "key"), "aes=key");
        EXPECT_EQ(result.body, "ERROR") << "line " << c.line;
        EXPECT_TRUE(root.list("/mnt/nand2").empty()) << "line " << c.line;
        EXPECT_FALSE(root.exists("/escape.txt")) << "line " << c.line;
        EXPECT_FALSE(root.exists("/mnt/escape.txt")) << "line " << c.line;
        EXPECT_EQ(root.read_file("/mnt/nand/app/qvdb.db"), "settings") << "line " << c.line;
    }
}

TEST_F(OemPackageTest, RefusesWrongKeysAndDamagedPackages) {
    std::string zip = make_zip({{"a.txt", "a"}});
    std::string sealed = seal_package(zip, "right");
    std::string damaged = sealed;
    damaged[damaged.size() / 2] = damaged[damaged.size() / 2] == 'A' ? 'B' : 'A';
    struct Case {
        int line;
        std::string package;
        std::string query;
    } cases[] = {
        {__LINE__, sealed, "aes=wrong"},
        {__LINE__, sealed, "key=right"},
        {__LINE__, sealed, ""},
        {__LINE__, sealed, "aes=right;touch ${NVR_ROOT}/pwned"},
        {__LINE__, damaged, "aes=right"},
        {__LINE__, "not base64 at all!", "aes=right"},
        {__LINE__, "", "aes=right"},
        {__LINE__, seal_package("not a zip archive", "right"), "aes=right"},
        {__LINE__, seal_package("", "right"), "aes=right"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(upload(c.package, c.query).body, "ERROR") << "line " << c.line;
        EXPECT_TRUE(root.list("/mnt/nand2").empty()) << "line " << c.line;
        EXPECT_FALSE(root.exists("/pwned")) << "line " << c.line;
    }
    // The key is cut at 32 characters, as the page sends it.
    std::string long_key(32, 'k');
    EXPECT_EQ(upload(seal_package(zip, long_key), "aes=" + long_key + "tail").body, "OK");
}

TEST_F(OemPackageTest, RefusesArgumentsThatAreNotAnUpload) {
    root.write_file("/mnt/nand/app/qvdb.db", seal_package(make_zip({{"a.txt", "a"}}), "k"));
    EXPECT_EQ(post_json("/oem", "/mnt/nand/app/qvdb.db & aes=k").body, "ERROR");
    EXPECT_EQ(post_json("/oem", "/tmp/../mnt/nand/app/qvdb.db & aes=k").body, "ERROR");
    EXPECT_EQ(post_json("/oem", "no separator").body, "ERROR");
    EXPECT_TRUE(root.exists("/mnt/nand/app/qvdb.db"));
    EXPECT_TRUE(root.list("/mnt/nand2").empty());
}

}  // namespace
