// The standard-utility stand-ins, the package cipher and the translation table.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/qvcrypt.h"
#include "platform/qvstd.h"
#include "platform/trans.h"

namespace {

TEST(UrlCoding, DecodeRefusesMalformedAndNulSequences) {
    struct Case {
        int line;
        const char *text;
        int length;  // -1: refused
        const char *decoded;
    } cases[] = {
        {__LINE__, "%2Ftmp%2Fa%20b", 8, "/tmp/a b"},
        {__LINE__, "%2ftmp", 4, "/tmp"},
        {__LINE__, "a+b", 3, "a+b"},
        {__LINE__, "%2E%2E", 2, ".."},
        {__LINE__, "%", -1, ""},
        {__LINE__, "%2", -1, ""},
        {__LINE__, "%zz", -1, ""},
        {__LINE__, "a%00b", -1, ""},
        {__LINE__, "", 0, ""},
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_EQ(get_url_decode(c.text, out, sizeof out), c.length) << "line " << c.line;
        if (c.length >= 0) {
            EXPECT_STREQ(out, c.decoded) << "line " << c.line;
        }
    }
    char small[4];
    EXPECT_EQ(get_url_decode("abcd", small, sizeof small), -1);
    EXPECT_STREQ(small, "");
}

TEST(UrlCoding, EncodeKeepsOnlyUnreservedBytes) {
    char out[64];
    EXPECT_EQ(get_url_encode("/tmp/a b&c~_.-", out, sizeof out), 22);
    EXPECT_STREQ(out, "%2Ftmp%2Fa%20b%26c~_.-");
    EXPECT_EQ(get_url_encode("\xff\r\n", out, sizeof out), 9);
    EXPECT_STREQ(out, "%FF%0D%0A");
    char small[5];
    EXPECT_EQ(get_url_encode("ab/", small, sizeof small), -1);  // "ab%2F" needs 6 bytes with the NUL
    char exact[6];
    EXPECT_EQ(get_url_encode("a/", exact, sizeof exact), 4);
}

TEST(Base64, StandardDecoding) {
    struct Case {
        int line;
        std::string text;
        int length;
        std::string decoded;
    } cases[] = {
        {__LINE__, "aGVsbG8=", 5, "hello"},
        {__LINE__, "aGVs\r\nbG8=", 5, "hello"},
        {__LINE__, "aGVsbG8", 5, "hello"},
        {__LINE__, "+/+/", 3, "\xfb\xff\xbf"},
        {__LINE__, "-_-_", -1, ""},  // URL-safe letters are not standard Base64
        {__LINE__, "aGV=sbG8", -1, ""},
        {__LINE__, "a", -1, ""},
        {__LINE__, "", 0, ""},
    };
    for (const Case &c : cases) {
        unsigned char out[32];
        int length = qv_base64_decode(c.text.data(), static_cast<int>(c.text.size()), out, sizeof out);
        EXPECT_EQ(length, c.length) << "line " << c.line;
        if (length > 0) {
            EXPECT_EQ(std::string(reinterpret_cast<char *>(out), static_cast<size_t>(length)), c.decoded);
        }
    }
    unsigned char two[2];
    EXPECT_EQ(qv_base64_decode("aGVsbG8=", 8, two, sizeof two), -1);
}

TEST(SplicedCopy, CopiesFilesAndPipes) {
    char pattern[] = "/tmp/qvstdtestXXXXXX";
    int file = mkstemp(pattern);
    ASSERT_GE(file, 0);
    unlink(pattern);
    std::string content(300000, 'z');
    ASSERT_EQ(write(file, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    lseek(file, 0, SEEK_SET);
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    fcntl(pipe_fds[1], F_SETPIPE_SZ, 1 << 20);
    EXPECT_EQ(qv_spliced_copy_ex(file, pipe_fds[1], 100000), 100000);
    close(pipe_fds[1]);
    // From a pipe (not a regular file) the copy falls back to reading and writing.
    char pattern2[] = "/tmp/qvstdtestXXXXXX";
    int target = mkstemp(pattern2);
    unlink(pattern2);
    EXPECT_EQ(qv_spliced_copy_ex(pipe_fds[0], target, -1), 100000);
    close(pipe_fds[0]);
    EXPECT_EQ(lseek(target, 0, SEEK_CUR), 100000);
    EXPECT_EQ(qv_spliced_copy_ex(-1, target, -1), -1);
    close(file);
    close(target);
}

TEST(VectorPipe, ReadsOutputAndExitStatusWithoutAShell) {
    const char *echo[] = {"printf", "%s", "a;b $(x)", nullptr};
    FILE *pipe = qv_vpopen(echo, "r");
    ASSERT_NE(pipe, nullptr);
    char text[64] = "";
    size_t got = fread(text, 1, sizeof text - 1, pipe);
    text[got] = '\0';
    EXPECT_EQ(qv_vpclose(pipe), 0);
    EXPECT_STREQ(text, "a;b $(x)");
    const char *failing[] = {"false", nullptr};
    FILE *failed = qv_vpopen(failing, "r");
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(qv_vpclose(failed), 1);
    const char *missing[] = {"no-such-program-qvstd", nullptr};
    FILE *none = qv_vpopen(missing, "r");
    if (none) {
        EXPECT_NE(qv_vpclose(none), 0);
    }
    EXPECT_EQ(qv_vpopen(echo, "x"), nullptr);
    const char *status_one[] = {"sh", "-c", "exit 1", nullptr};
    EXPECT_EQ(qv_system(status_one), -1);
}

TEST(PackageCipher, RoundTripAndRefusals) {
    const std::string plain = "PK package bytes";
    unsigned char sealed[128], opened[128];
    int length = aesEncryWeb(reinterpret_cast<const unsigned char *>(plain.data()), static_cast<int>(plain.size()), "key",
                             sealed, sizeof sealed);
    ASSERT_EQ(length, static_cast<int>(plain.size()) + 28);
    EXPECT_EQ(aesDecryWeb(sealed, length, "key", opened, sizeof opened), static_cast<int>(plain.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(opened), plain.size()), plain);
    EXPECT_EQ(aesDecryWeb(sealed, length, "kez", opened, sizeof opened), -1);
    sealed[20] ^= 1;
    EXPECT_EQ(aesDecryWeb(sealed, length, "key", opened, sizeof opened), -1);
    EXPECT_EQ(aesDecryWeb(sealed, 27, "key", opened, sizeof opened), -1);
    // Keys agree on their first 32 characters only.
    std::string long_key(40, 'k');
    length = aesEncryWeb(reinterpret_cast<const unsigned char *>(plain.data()), static_cast<int>(plain.size()),
                         long_key.c_str(), sealed, sizeof sealed);
    EXPECT_EQ(aesDecryWeb(sealed, length, std::string(32, 'k').c_str(), opened, sizeof opened),
              static_cast<int>(plain.size()));
}

// Standard AES-256-GCM through OpenSSL's EVP interface, keyed by the SHA-256 of the key text: the
// packages' format as any other tool writes and reads it.
std::vector<unsigned char> evp_gcm(bool encrypt, const std::string &key_text, const unsigned char *nonce,
                                   const std::vector<unsigned char> &in, unsigned char *tag) {
    unsigned char key[32];
    unsigned int key_length = 0;
    EVP_Digest(key_text.data(), key_text.size(), key, &key_length, EVP_sha256(), nullptr);
    std::vector<unsigned char> out(in.size() + 16);
    int produced = 0, last = 0;
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key, nonce, encrypt ? 1 : 0);
    EVP_CipherUpdate(ctx, out.data(), &produced, in.data(), static_cast<int>(in.size()));
    if (!encrypt) EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, tag);
    bool ok = EVP_CipherFinal_ex(ctx, out.data() + produced, &last) == 1;
    if (encrypt) EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(ok ? static_cast<size_t>(produced + last) : 0);
    return out;
}

TEST(PackageCipher, AgreesWithStandardGcmBothWays) {
    const std::string plain_text(100, 'z');  // more than one block, not a multiple of 16
    std::vector<unsigned char> plain(plain_text.begin(), plain_text.end());
    const unsigned char nonce[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    unsigned char tag[16];
    std::vector<unsigned char> package(nonce, nonce + 12);
    std::vector<unsigned char> cipher = evp_gcm(true, "key", nonce, plain, tag);
    package.insert(package.end(), cipher.begin(), cipher.end());
    package.insert(package.end(), tag, tag + 16);
    unsigned char opened[128];
    ASSERT_EQ(aesDecryWeb(package.data(), static_cast<int>(package.size()), "key", opened, sizeof opened), 100);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(opened), 100), plain_text);

    unsigned char sealed[160];
    ASSERT_EQ(aesEncryWeb(plain.data(), 100, "key", sealed, sizeof sealed), 128);
    std::vector<unsigned char> body(sealed + 12, sealed + 112);
    EXPECT_EQ(evp_gcm(false, "key", sealed, body, sealed + 112), plain);
}

TEST(Translation, EveryCatalogueNumberHasEnglishText) {
    trans_init("de");
    char text[128];
    std::vector<int> numbers = {1, 2, 3, 4, 5, 6, 10};
    for (int n = 11; n <= 44; n++) numbers.push_back(n);
    for (int n = 101; n <= 144; n++) numbers.push_back(n);
    for (int n = 200; n <= 228; n++) numbers.push_back(n);
    for (int n = 400; n <= 413; n++) numbers.push_back(n);
    for (int n = 500; n <= 506; n++) numbers.push_back(n);
    for (int n = 511; n <= 521; n++) numbers.push_back(n);
    for (int n = 600; n <= 603; n++) numbers.push_back(n);
    for (int n = 900; n <= 925; n++) numbers.push_back(n);
    for (int n : numbers) {
        EXPECT_EQ(trans_get_value(n, text, sizeof text), 0) << n;
        EXPECT_GT(strlen(text), 0u) << n;
    }
    EXPECT_EQ(trans_get_value(-1, text, sizeof text), -1);
    EXPECT_STREQ(text, "");
    char small[4];
    trans_get_value(3, small, sizeof small);
    EXPECT_STREQ(small, "Ope");
    trans_deinit();
    EXPECT_EQ(log_channo_is_disk(4, 207), 1);
    EXPECT_EQ(log_channo_is_disk(4, 201), 0);
    EXPECT_EQ(log_channo_is_disk(2, 400), 0);
}

}  // namespace
