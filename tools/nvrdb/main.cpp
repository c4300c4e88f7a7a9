// nvrdb: creates and inspects the configuration databases of a device root.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tools/nvrdb/nvrdb.h"

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    int status = nvrdb_run(args, out, err);
    fputs(out.c_str(), stdout);
    fputs(err.c_str(), stderr);
    return status;
}
