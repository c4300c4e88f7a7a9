// qvprofile: exports the device configuration into a file (-e DIR) or imports one (-i FILE).
#include <stdio.h>
#include <string.h>

#include <string>

#include "tools/qvprofile/profile.h"

namespace {

const char kUsage[] =
    "Usage: qvprofile -e DIR | -i FILE\n"
    "  -e DIR   export the configuration databases into one new file in DIR and write that\n"
    "           file's path into DIR/.export_down_file\n"
    "  -i FILE  check that FILE is such an export and replace the databases with it\n"
    "Device paths are taken beneath NVR_ROOT when it is set.\n";

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3 || (strcmp(argv[1], "-e") != 0 && strcmp(argv[1], "-i") != 0)) {
        fputs(kUsage, stderr);
        return 2;
    }
    std::string error;
    int rc = strcmp(argv[1], "-e") == 0 ? profile_export(argv[2], &error) : profile_import(argv[2], &error);
    if (rc != 0) {
        fprintf(stderr, "qvprofile: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
