// nvrsimd: the recorder daemon simulator program for development without hardware.
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "platform/make_dirs.h"
#include "tools/nvrsimd/simd.h"

namespace {

const char kUsage[] =
    "Usage: nvrsimd --root DIR [--socket PATH] [--journal FILE] [--script FILE]\n"
    "\n"
    "Stands in for the recorder daemon. Listens on DIR/var/run/qvsocket (or --socket),\n"
    "answers each request that a route waits for with a canned reply, and appends one\n"
    "JSON line per request to the journal (default DIR/var/log/nvrsimd.jsonl):\n"
    "  {\"time\":1765137600.123,\"code\":3485,\"length\":672,\"payload\":\"0400...\"}\n"
    "\n"
    "--script FILE overrides replies, one request code per line ('#' starts a comment):\n"
    "  4014 silence                      never answer 4014\n"
    "  4014 reply 00000000               answer 9014 with these payload bytes (hex)\n"
    "  4014 delay 500 reply ffffffff     wait 500 ms, then answer\n"
    "  4014 reply - reply 01000000       two replies, the first without payload\n"
    "  4014 as 9999 reply 00000000       answer with another reply code\n"
    "\n"
    "Stops cleanly on SIGTERM or SIGINT.\n";

}  // namespace

int main(int argc, char **argv) {
    std::string root, socket_path, journal_path, script_path;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                fprintf(stderr, "nvrsimd: %s needs a value\n", arg.c_str());
                exit(2);
            }
            out = argv[++i];
        };
        if (arg == "--root") value(root);
        else if (arg == "--socket") value(socket_path);
        else if (arg == "--journal") value(journal_path);
        else if (arg == "--script") value(script_path);
        else if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            return 0;
        } else {
            fprintf(stderr, "nvrsimd: unknown argument %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (root.empty() && socket_path.empty()) {
        fputs(kUsage, stderr);
        return 2;
    }
    // Files the daemon writes (exports, archives) go beneath the same device root.
    if (!root.empty()) setenv("NVR_ROOT", root.c_str(), 1);
    if (socket_path.empty()) socket_path = root + "/var/run/qvsocket";
    if (journal_path.empty() && !root.empty()) journal_path = root + "/var/log/nvrsimd.jsonl";
    make_parent_dirs(socket_path);
    if (!journal_path.empty()) make_parent_dirs(journal_path);

    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SimDaemon daemon;
    std::string error;
    if (!script_path.empty() && !daemon.load_script_file(script_path, &error)) {
        fprintf(stderr, "nvrsimd: %s\n", error.c_str());
        return 2;
    }
    if (!daemon.start(socket_path, journal_path)) {
        fprintf(stderr, "nvrsimd: cannot listen on %s: %s\n", socket_path.c_str(), strerror(errno));
        return 1;
    }
    fprintf(stderr, "nvrsimd: listening on %s\n", socket_path.c_str());
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    daemon.stop();
    fprintf(stderr, "nvrsimd: stopped\n");
    return 0;
}
