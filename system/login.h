// Session identifiers, certificate folders and the cookie domain of the login routes.
#ifndef NVR_SYSTEM_LOGIN_H
#define NVR_SYSTEM_LOGIN_H

#include <stddef.h>

// Appends 32 random decimal digits to the text in `out` (a buffer of at least 100 bytes);
// the length of the text, or -1 when the random source fails.
int get_session_id(char *out);

// Makes sure the certificate folders "/mnt/nand/ssl" and "/mnt/nand/ssl/tmp" exist.
int config_ssl_params();

// The cookie domain for an HTTP_HOST value: its host part (no port, at most 49 characters),
// or "" when the value holds anything but host-name characters.
void cookie_domain_from_host(const char *host, char *domain, size_t size);

#endif
