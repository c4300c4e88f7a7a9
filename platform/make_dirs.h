// Creating a path's folders (mkdir -p), shared by the database files, the simulator and the tests.
#ifndef NVR_PLATFORM_MAKE_DIRS_H
#define NVR_PLATFORM_MAKE_DIRS_H

#include <sys/stat.h>

#include <string>

// Creates every folder above the last component of `path` ("/a/b/file" makes /a and /a/b).
inline void make_parent_dirs(const std::string &path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
}

// Creates the folder `path` itself and every folder above it.
inline void make_dirs(const std::string &path) {
    make_parent_dirs(path);
    mkdir(path.c_str(), 0755);
}

#endif
