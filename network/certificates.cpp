// HTTPS certificate routes of module "/7000": create a self-signed certificate or a signing
// request, show, download and delete them, install a signed certificate, switch HTTPS.
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/json_util.h"
#include "core/qvdb_network.h"
#include "core/response.h"
#include "network/network_common.h"
#include "network/network_module.h"
#include "platform/devroot.h"
#include "platform/make_dirs.h"
#include "system/device_files.h"

namespace {

constexpr int kRequestCreateCertificate = 3316;
constexpr int kRequestDeleteRequest = 3317;
constexpr int kRequestInstallCertificate = 3318;
constexpr int kRequestDeleteCertificate = 3320;
constexpr int kRequestHttpsSwitch = 3322;
constexpr long kCaSettleUs = 1000000;  // the daemon reads the CA folder after a second

const char kCertificate[] = SSL_DIR "/" SSL_CERT_FILE;
const char kSavedCertificate[] = SSL_DIR "/" SSL_CERT_SAVE_FILE;
const char kSigningRequest[] = SSL_REQUEST_DIR "/" SSL_REQUEST_FILE;
const char kTopLevelRequest[] = SSL_DIR "/" SSL_REQUEST_FILE;
const char kUploadFolder[] = "/tmp";

const JsonField kCertificateKeys[] = {
    JSON_TEXT(SslParams, country, "Country"),   JSON_TEXT(SslParams, common_name, "CommonName"),
    JSON_TEXT(SslParams, password, "Password"), JSON_TEXT(SslParams, province, "Province"),
    JSON_TEXT(SslParams, region, "Region"),     JSON_TEXT(SslParams, organization, "Organization"),
    JSON_TEXT(SslParams, company, "Company"),   JSON_TEXT(SslParams, email, "Email"),
};
// Keys of a self-signed certificate only.
const JsonField kSelfSignedKeys[] = {
    JSON_INT(SslParams, validity, "Validity"),
    JSON_TEXT(SslParams, start_time, "startTime"),
    JSON_TEXT(SslParams, end_time, "endTime"),
};

bool device_file_exists(const char *device_path) {
    struct stat st;
    return stat(nvr_path(device_path).c_str(), &st) == 0;
}

int remove_entry(const char *path, const struct stat *, int type, struct FTW *) {
    if (type == FTW_DP) rmdir(path);
    else unlink(path);
    return 0;
}

// Removes a file or a whole folder (links are removed, never followed).
void remove_tree(const std::string &path) { nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }

// The folder exists with mode 0700 (its parents are made as needed).
bool make_private_dir(const std::string &path) {
    make_parent_dirs(path);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && chmod(path.c_str(), 0700) == 0;
}

bool write_private_file(const std::string &path, const std::string &content) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0600) == 0 && write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    return close(fd) == 0 && ok;
}

// Copies a file into a private temporary beside the target, flushes it to disk and puts it in
// place, so that the target is either the old file or the whole new one.
bool copy_private(const std::string &from, const std::string &to) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    std::string temp = to + ".XXXXXX";
    int out = mkstemp(&temp[0]);
    if (out < 0) {
        close(in);
        return false;
    }
    char buffer[8192];
    bool ok = fchmod(out, 0600) == 0;
    ssize_t n = 0;
    while (ok && (n = read(in, buffer, sizeof buffer)) != 0) {
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        ok = write(out, buffer, static_cast<size_t>(n)) == n;
    }
    ok = fsync(out) == 0 && ok;
    ok = close(out) == 0 && ok;
    close(in);
    ok = ok && rename(temp.c_str(), to.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

// Moves the uploaded file into place (a copy and an unlink across file systems), mode 0600.
bool move_private(const std::string &from, const std::string &to) {
    if (rename(from.c_str(), to.c_str()) == 0) return chmod(to.c_str(), 0600) == 0;
    if (errno != EXDEV || !copy_private(from, to)) return false;
    unlink(from.c_str());
    return true;
}

// Saves the installed certificate beside it and puts the upload in its place.
bool install_certificate(const std::string &upload) {
    std::string folder = nvr_path(SSL_DIR);
    std::string installed = nvr_path(kCertificate);
    if (!make_private_dir(folder)) return false;
    if (device_file_exists(kCertificate) && !copy_private(installed, nvr_path(kSavedCertificate))) return false;
    return move_private(upload, installed);
}

// The CA folder the daemon signs with: an empty index and serial "01".
void prepare_ca_folder() {
    std::string ca = nvr_path(SSL_DIR "/demoCA");
    if (make_private_dir(nvr_path(SSL_DIR))) {
        remove_tree(ca);
        make_private_dir(ca);
        make_private_dir(ca + "/newcerts");
        write_private_file(ca + "/index.txt", "");
        write_private_file(ca + "/serial", "01\n");
    }
    nvr_sleep_us(kCaSettleUs);
}

// "/7081" and "/7089": "checkfile" "OK" and the file's subject (with the suffix), and the
// validity dates of an installed certificate.
void add_certificate_keys(json_object *answer, int kind, const std::string &suffix) {
    SslParams params;
    memset(&params, 0, sizeof params);
    read_ssl_params(QVDB_PATH, &params, kind);
    json_add_text(answer, "checkfile", "OK");
    json_add_field_text(answer, ("country" + suffix).c_str(), params.country, sizeof params.country);
    json_add_field_text(answer, ("common_name" + suffix).c_str(), params.common_name, sizeof params.common_name);
    json_add_field_text(answer, ("email" + suffix).c_str(), params.email, sizeof params.email);
    if (kind == kSslInstalledCertificate) json_add_field_text(answer, "dates", params.dates, sizeof params.dates);
}

}  // namespace

// "/7080": create a self-signed certificate or a signing request; reply 8316 answers.
int on_create_https_cert(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    if (!request) return 0;
    SslParams params;
    memset(&params, 0, sizeof params);
    params.install_type = json_int_or(request, "InstallType", 0);
    if (params.install_type == 0) json_take_fields(request, &params, kSelfSignedKeys, JSON_FIELD_COUNT(kSelfSignedKeys));
    json_take_fields(request, &params, kCertificateKeys, JSON_FIELD_COUNT(kCertificateKeys));
    prepare_ca_folder();
    cgi_ask_daemon(on_network_ipc_callback, kRequestCreateCertificate, &params, sizeof params, kTextPlain);
    return 0;
}

// "/7081": the HTTPS switch and the installed certificate; without one, HTTPS is switched off.
int on_get_cert_info(const char *) {
    json_object *answer = json_object_new_object();
    json_add_int(answer, "enable", get_param_int(QVDB_PATH, "httpsenable", 0));
    if (device_file_exists(kCertificate)) {
        add_certificate_keys(answer, kSslInstalledCertificate, "");
    } else {
        set_param_int(QVDB_PATH, "httpsenable", 0);
        json_add_text(answer, "checkfile", "NOFILE");
    }
    return cgi_answer_json(answer, kJson);
}

// "/7082": download the signing request.
int on_download_cert_req(const char *) {
    int fd = open_regular_file(nvr_path(kSigningRequest));
    if (fd < 0) return cgi_writeback_webserver(kTextPlain, "NotFile");
    stream_download(fd, SSL_REQUEST_FILE);
    close(fd);
    return 0;
}

// "/7083": the daemon deletes the signing request.
int on_delete_cert_req(const char *) {
    network_notify(kRequestDeleteRequest, nullptr, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7084": install an uploaded certificate (a regular file in "/tmp"); reply 8318 answers. The
// installed one is kept as the saved copy.
int on_install_cert(const char *arg) {
    std::string text = arg ? arg : "";
    std::string path = text.substr(0, text.find(" & "));
    std::string upload;
    if (path.empty() || !regular_file_inside(kUploadFolder, path.c_str(), &upload)) return 0;
    const char *profile[] = {"qvprofile", "-i", upload.c_str(), nullptr};
    web_spawn(profile);
    // The profile tool works on the file; what is installed must still be the upload in "/tmp".
    if (!regular_file_inside(kUploadFolder, path.c_str(), &upload) || !install_certificate(upload))
        return cgi_writeback_webserver(kTextPlain, "Error");
    cgi_ask_daemon(on_network_ipc_callback, kRequestInstallCertificate, nullptr, 0, kTextPlain);
    return 0;
}

// "/7085": delete the certificate and the top-level request and switch HTTPS off.
int on_delete_cert(const char *) {
    SslParams cleared;
    memset(&cleared, 0, sizeof cleared);
    strcpy(cleared.country, " ");
    strcpy(cleared.common_name, " ");
    strcpy(cleared.email, " ");
    strcpy(cleared.dates, " ");
    remove_tree(nvr_path(kCertificate));
    remove_tree(nvr_path(kTopLevelRequest));
    {
        DbTransaction transaction(QVDB_PATH);
        set_param_int(QVDB_PATH, "httpsenable", 0);
        write_ssl_params(QVDB_PATH, &cleared, kSslInstalledCertificate);
        transaction.commit();
    }
    network_notify(kRequestDeleteCertificate, nullptr, 0);
    int32_t off = 0;
    network_notify(kRequestHttpsSwitch, &off, sizeof off);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7086": switch HTTPS; switching on needs an installed certificate.
int on_set_https_enable(const char *arg) {
    JsonRef request(get_request_tokener_json_object(arg));
    int value = 0;
    if (!request || on_cgi_get_int_from_json(request, "httpsenable", &value) != 0) return 0;
    if (value != 0 && !device_file_exists(kCertificate)) return cgi_writeback_webserver(kTextPlain, "NOFILE");
    int32_t payload = value;
    network_notify(kRequestHttpsSwitch, &payload, sizeof payload);
    set_param_int(QVDB_PATH, "httpsenable", value);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/7087": the HTTPS switch.
int on_get_https_enable(const char *) { return answer_param_int("enable", "httpsenable", 0); }

// "/7089": the signing request.
int on_get_cert_req_info(const char *) {
    json_object *answer = json_object_new_object();
    if (device_file_exists(kSigningRequest)) add_certificate_keys(answer, kSslSigningRequest, "_req");
    else json_add_text(answer, "checkfile", "NOFILE");
    return cgi_answer_json(answer, kJson);
}

// Reply 8316: the certificate or request is made.
int on_create_https_cert_cb(const void *, int) { return answer_text_done("OK"); }

// Reply 8318: "OK" when the daemon took the new certificate (status 1).
int on_resp_install_cert(const void *payload, int) { return answer_text_done(reply_first_word(payload) == 1 ? "OK" : "Error"); }
