// Responses to the web server, the diagnostic log and the shell runner.
#include "core/response.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>

#include <string>

#include "platform/devroot.h"

extern char **environ;

int cgi_writeback_webserver(int kind, const char *text) {
    if (!text) return -1;
    if (kind == kTextPlain) fputs("Content-type: text/plain\r\n\r\n", stdout);
    else if (kind == kJson) fputs("Content-type: application/json\r\n\r\n", stdout);
    fputs(text, stdout);
    fflush(stdout);
    return 0;
}

int cgi_error_to_webserver(int kind) {
    if (kind == kTextPlain) cgi_writeback_webserver(kTextPlain, "CGI ERROR");
    else if (kind == kJson) cgi_writeback_webserver(kJson, "{status:\"CGI ERROR\"}");
    return 0;
}

void cgi_write_download_header(const char *file_name) {
    fputs("Content-Type:application/octet-stream\r\n", stdout);
    fprintf(stdout, "Content-Disposition: attachment; filename= %s\r\n\r\n", file_name);
}

int cgi_log(const char *file, int line, const char *function, const char *format, ...) {
    char message[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    // The line, like the message, is cut at 2047 characters.
    std::string text(2048, '\0');
    int length = snprintf(&text[0], text.size(), "[kelvo debug] %4d-%02d-%02d %02d:%02d:%02d  %s:%d in %s: ",
                          local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, file ? file : "", line, function ? function : "");
    if (length < 0) return -1;
    text.resize(static_cast<size_t>(length) < text.size() ? static_cast<size_t>(length) : text.size() - 1);
    text += message;
    text += '\n';
    if (text.size() > 2047) {
        text.resize(2047);
    }

    FILE *log = fopen(nvr_path("/mnt/nand/cgi_log.txt").c_str(), "a");
    if (!log) return -1;
    fputs(text.c_str(), log);
    fflush(log);
    fclose(log);
    return 0;
}

int web_system(const char *command) {
    if (!command) return -1;
    fflush(stdout);
    int status = system(command);
    return (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 0 : -1;
}

int web_spawn(const char *const argv[]) {
    if (!argv || !argv[0]) return -1;
    fflush(stdout);
    pid_t pid;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The child must never read the request body nor write into the response.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char *const *>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 0 : -1;
}
