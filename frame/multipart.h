// Multipart form parsing, form entries, the upload reader and the form/cookie/header functions.
#ifndef NVR_FRAME_MULTIPART_H
#define NVR_FRAME_MULTIPART_H

#include <stdio.h>

struct FormEntry {
    char *name;
    char *value;  // body in memory, "" for a part kept in a temporary file
    int valueLength;
    char *fileName;
    char *contentType;
    char *tempFileName;  // device path of the temporary file, "" for plain fields
    FormEntry *next;
};

// Results of the form-access functions.
enum cgiFormResultType {
    cgiFormSuccess = 0,
    cgiFormTruncated = 1,
    cgiFormBadType = 2,
    cgiFormEmpty = 3,
    cgiFormNotFound = 4,
    cgiFormConstrained = 5,
    cgiFormNoSuchChoice = 6,
    cgiFormMemory = 7,
    cgiFormNoFileName = 8,
    cgiFormNoContentType = 9,
    cgiFormNotAFile = 10,
    cgiFormOpenFailed = 11,
    cgiFormIO = 12,
    cgiFormEOF = 13,
};

// Results of the multipart parser.
enum cgiParseResultType { cgiParseSuccess = 0, cgiParseMemory = 1, cgiParseIO = 2 };

struct cgiFile {
    FILE *in;
};
typedef cgiFile *cgiFilePtr;

// The first entry of that name, or null.
FormEntry *cgiFindFormEntry(const char *name);

int cgiParseMultipart();
void cgiReleaseForm();
int cgiDealUpload();

int cgiFormString(const char *name, char *out, int size);
int cgiFormStringNoNewlines(const char *name, char *out, int size);
int cgiFormStringSpaceNeeded(const char *name, int *length);
int cgiFormStringMultiple(const char *name, char ***array);
int cgiFormInteger(const char *name, int *out, int default_value);
int cgiFormIntegerBounded(const char *name, int *out, int min, int max, int default_value);
int cgiFormDouble(const char *name, double *out, double default_value);
int cgiFormDoubleBounded(const char *name, double *out, double min, double max, double default_value);
int cgiFormSelectSingle(const char *name, const char **choices, int count, int *index, int default_index);
int cgiFormRadio(const char *name, const char **choices, int count, int *index, int default_index);
int cgiFormSelectMultiple(const char *name, const char **choices, int count, int *flags, int *invalid);
int cgiFormCheckboxMultiple(const char *name, const char **choices, int count, int *flags, int *invalid);
int cgiFormCheckboxSingle(const char *name);
int cgiFormFileName(const char *name, char *out, int size);
int cgiFormFileContentType(const char *name, char *out, int size);
int cgiFormFileSize(const char *name, int *size);
int cgiFormFileOpen(const char *name, cgiFilePtr *handle);
int cgiFormFileRead(cgiFilePtr handle, char *buffer, int length, int *got);
int cgiFormFileClose(cgiFilePtr handle);
int cgiFormEntries(char ***array);
void cgiStringArrayFree(char **array);

int cgiCookieString(const char *name, char *out, int size);
int cgiCookieInteger(const char *name, int *out, int default_value);
int cgiCookies(char ***array);

void cgiHeaderCookieSetString(const char *name, const char *value, int seconds, const char *path,
                              const char *domain);
void cgiHeaderCookieSetInteger(const char *name, int value, int seconds, const char *path, const char *domain);
void cgiHeaderLocation(const char *target);
void cgiHeaderStatus(int code, const char *text);
void cgiHeaderContentType(const char *type);

int cgiHtmlEscapeData(const char *text, int length);
int cgiHtmlEscape(const char *text);
int cgiValueEscapeData(const char *text, int length);
int cgiValueEscape(const char *text);

int cgiWriteEnvironment(const char *path);
// Frees the globals that cgiReadEnvironment allocated and points them back at "".
void cgiReleaseRestoredEnvironment();
int cgiReadEnvironment(const char *path);

#endif
