// Responses to the web server, the diagnostic log and the shell runner.
#ifndef NVR_CORE_RESPONSE_H
#define NVR_CORE_RESPONSE_H

enum ResponseKind { kTextPlain = 0, kJson = 1, kNoHeader = 2 };

// Header line of the kind (0 text/plain, 1 application/json, other none), then the text as
// data, then a flush. -1 and nothing written for a null text.
int cgi_writeback_webserver(int kind, const char *text);

// Kind 0: "CGI ERROR" as text; kind 1: {status:"CGI ERROR"} as JSON; other kinds nothing.
int cgi_error_to_webserver(int kind);

// The file-download header pair, ending the header block.
void cgi_write_download_header(const char *file_name);

// Appends one line to the diagnostic log "/mnt/nand/cgi_log.txt".
int cgi_log(const char *file, int line, const char *function, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

// Runs a fixed command line through the shell; 0 only for a normal exit with status 0.
// Never give it text taken from a request or a reply: use web_spawn for those.
int web_system(const char *command);

// Runs a program with an argument vector, no shell (found through PATH); 0 only for a normal
// exit with status 0.
int web_spawn(const char *const argv[]);

#endif
