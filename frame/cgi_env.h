// Process-wide request globals copied from the CGI environment, and the request entry.
#ifndef NVR_FRAME_CGI_ENV_H
#define NVR_FRAME_CGI_ENV_H

#include <stdio.h>

struct FormEntry;

extern const char *cgiServerSoftware;
extern const char *cgiServerName;
extern const char *cgiGatewayInterface;
extern const char *cgiServerProtocol;
extern const char *cgiServerPort;
extern const char *cgiRequestMethod;
extern const char *cgiPathInfo;
extern const char *cgiPathTranslated;
extern const char *cgiScriptName;
extern const char *cgiQueryString;
extern const char *cgiRemoteHost;
extern const char *cgiRemoteAddr;
extern const char *cgiAuthType;
extern const char *cgiRemoteUser;
extern const char *cgiRemoteIdent;
extern const char *cgiServerAddr;  // HTTP_HOST
extern const char *cgiAccept;
extern const char *cgiUserAgent;
extern const char *cgiReferrer;
extern const char *cgiCookie;

extern char cgiContentTypeData[1024];
extern const char *cgiContentType;
extern const char *cgiMultipartBoundary;
extern int cgiContentLength;

extern FILE *cgiIn;
extern FILE *cgiOut;

extern FormEntry *cgiFormEntryList;
extern int cgiEnvRestored;

// The shared constant empty string that absent variables point at.
extern const char cgiEmptyString[];

// Letter-folding comparisons of the request frame: whole string, and prefix.
int cgiStrEqNoCase(const char *a, const char *b);
int cgiStrBeginsNoCase(const char *a, const char *prefix);

// Steps 1 to 5 of the entry: read the environment into the globals.
void cgiInitEnvironment();

// The whole entry: environment, reader selection, release. Returns the exit status.
int cgiMain();

#endif
