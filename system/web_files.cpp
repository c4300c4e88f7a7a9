// Routes of module "/1000" that serve files and fixed answers: diagnostics export, file download,
// page operations.
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/ipc.h"
#include "core/oplog.h"
#include "core/response.h"
#include "core/web_utils.h"
#include "platform/devroot.h"
#include "platform/qvstd.h"
#include "system/device_files.h"
#include "system/system_module.h"

namespace {

constexpr int kRequestDiagnosis = 3528;
constexpr char kDiagnosisMarker[] = "/tmp/tmp_diagnostic";
constexpr char kDownloadFolder[] = "/tmp";
constexpr size_t kMaxDownloadArgument = 255;

// Reply 8528: a word the system does not read, the status, then the archive's path.
struct DiagnosisReplyHead {
    int32_t unused;
    int32_t status;
};
static_assert(sizeof(DiagnosisReplyHead) == 8, "diagnosis reply head is 8 bytes");
constexpr size_t kDiagnosisPathSize = 256;

}  // namespace

// "/dw.cgi": downloads are not served here.
int on_dw_download(const char *) { return cgi_writeback_webserver(kTextPlain, "NG download"); }

// "/1014": the page records operation 202.
int on_log_operation_202(const char *) {
    cgi_log_operation(on_system_ipc_callback, 202, 900, 0);
    return cgi_writeback_webserver(kTextPlain, "OK");
}

// "/1019": an upload that needs no work; the frame removes the file afterwards.
int on_upload_noop(const char *) { return 0; }

// "/6310": have the daemon build a diagnostic archive in "/tmp"; answer its encoded path.
int on_export_diagnosis(const char *) {
    if (access(nvr_path(kDiagnosisMarker).c_str(), F_OK) == 0) return cgi_writeback_webserver(kTextPlain, "Failed");
    char folder[64];
    memset(folder, 0, sizeof folder);
    copy_text_field(folder, sizeof folder, "/tmp");
    cgi_start_ipc(on_system_ipc_callback, kRequestDiagnosis, sizeof folder, folder, 0);
    bool answered = g_callback_done.load() != 0;
    cgi_stop_ipc();
    if (!answered) cgi_writeback_webserver(kTextPlain, "Failed");
    return 0;
}

// "/6311": stream a file of "/tmp" named by a URL-encoded path, then delete it.
int on_download_file(const char *arg) {
    std::string encoded = arg ? arg : "";
    if (encoded.size() > kMaxDownloadArgument) encoded.resize(kMaxDownloadArgument);
    char decoded[kMaxDownloadArgument + 1];
    std::string real;
    if (get_url_decode(encoded.c_str(), decoded, sizeof decoded) < 0 ||
        !regular_file_inside(kDownloadFolder, decoded, &real))
        return 0;
    int fd = open_regular_file(real);
    if (fd < 0) return 0;
    if (!stream_download(fd, without_line_breaks(path_base_name(decoded)))) {
        struct stat st;
        long size = fstat(fd, &st) == 0 ? static_cast<long>(st.st_size) : -1;
        cgi_log("OnSystem", __LINE__, "", "fd_in:%d fd_out:%d filestat.st_size:%ld", fd, fileno(stdout), size);
        cgi_log("OnSystem", __LINE__, "", "Error copying input file [%d] to output file [%d]\n", fd, fileno(stdout));
    }
    close(fd);
    unlink(real.c_str());
    return 0;
}

// Reply 8528: "OK/" and the URL-encoded archive path for a status that is not negative.
int on_export_diagnosis_cb(const void *payload, int length) {
    DiagnosisReplyHead head;
    std::string path;
    if (payload && length >= static_cast<int>(sizeof head)) {
        memcpy(&head, payload, sizeof head);
        size_t room = static_cast<size_t>(length) - sizeof head;
        if (room > kDiagnosisPathSize) room = kDiagnosisPathSize;
        const char *text = static_cast<const char *>(payload) + sizeof head;
        path.assign(text, strnlen(text, room));
    }
    char encoded[1024];
    if (!payload || length < static_cast<int>(sizeof head) || head.status < 0 || path.empty() ||
        get_url_encode(path.c_str(), encoded, sizeof encoded) < 0) {
        cgi_writeback_webserver(kTextPlain, "Failed");
    } else {
        std::string answer = std::string("OK/") + encoded + "\r\n";
        cgi_writeback_webserver(kTextPlain, answer.c_str());
    }
    cgi_reply_done();
    return 0;
}
