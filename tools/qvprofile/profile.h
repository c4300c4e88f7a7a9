// The device profile tool: exports the configuration databases into one file, and imports such a file.
#ifndef NVR_TOOLS_QVPROFILE_PROFILE_H
#define NVR_TOOLS_QVPROFILE_PROFILE_H

#include <string>

// Exports the databases (each copied consistently with SQLite's backup API) into one new file in
// the folder, and writes that file's path into "<folder>/.export_down_file". 0 on success.
int profile_export(const std::string &folder, std::string *error);

// Checks that the file is a complete, unaltered export of valid databases, then replaces each
// database's content with it (one transaction per database). Nothing is replaced when any
// check fails. 0 on success.
int profile_import(const std::string &file, std::string *error);

#endif
