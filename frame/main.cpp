// Process entry of nvrweb.cgi: one request per process.
#include "frame/cgi_env.h"

int main() { return cgiMain(); }
