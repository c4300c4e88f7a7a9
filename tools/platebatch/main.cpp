// platebatch: stores COUNT generated licence plates in the plate lists of a device root as one
// batch: the cost of a full plate import (bench/run.sh), and plates for the development server.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "core/qvdb.h"
#include "core/qvdb_anpr.h"
#include "platform/devroot.h"

namespace {

const char kUsage[] =
    "Usage: platebatch --root DIR COUNT\n"
    "Stores COUNT plates (1 to 10000) \"P000001\", \"P000002\", ... on the black, white and visitor\n"
    "lists in turn, in DIR/mnt/nand/app/anpr.db, as one batch (stored plates are replaced).\n";

constexpr long kMaxPlates = 10000;

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4 || strcmp(argv[1], "--root") != 0) {
        fputs(kUsage, argc == 2 && strcmp(argv[1], "--help") == 0 ? stdout : stderr);
        return argc == 2 && strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    char *end = nullptr;
    long count = strtol(argv[3], &end, 10);
    if (*end != '\0' || count < 1 || count > kMaxPlates) {
        fputs(kUsage, stderr);
        return 2;
    }
    setenv("NVR_ROOT", argv[2], 1);
    nvr_devroot_reset();
    std::unique_ptr<AnprListEntry[], FreeDeleter> entries(
        static_cast<AnprListEntry *>(calloc(static_cast<size_t>(count), sizeof(AnprListEntry))));
    if (!entries) return 1;
    for (long i = 0; i < count; i++) {
        snprintf(entries[i].type, sizeof entries[i].type, "%ld", i % 3);
        snprintf(entries[i].plate, sizeof entries[i].plate, "P%06ld", i + 1);
    }
    int rc = write_anpr_list_replace_batch(QVDB_ANPR_PATH, entries.get(), static_cast<int>(count));
    qvdb_close_all();
    if (rc != 0) {
        fprintf(stderr, "platebatch: cannot store the plates in %s\n", nvr_path(QVDB_ANPR_PATH).c_str());
        return 1;
    }
    printf("%ld\n", count);
    return 0;
}
