// nvrdb command interpreter, callable in-process by its tests.
#ifndef NVR_TOOLS_NVRDB_NVRDB_H
#define NVR_TOOLS_NVRDB_NVRDB_H

#include <string>
#include <vector>

// Runs one command line (without the program name); the texts for standard output and error
// are appended to out and err. Returns the exit status: 0 success, 1 failure, 2 usage error.
int nvrdb_run(const std::vector<std::string> &args, std::string &out, std::string &err);

// Lower-case hex MD5 of the text, as the login page sends a password.
std::string nvrdb_md5_hex(const std::string &text);

#endif
