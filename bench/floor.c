/* The floor of a request: a minimal C program that prints a route's answer and exits. */
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv) {
    const char *body = argc > 1 ? argv[1] : "OK";
    fputs("Content-type: text/plain\r\n\r\n", stdout);
    fputs(body, stdout);
    fflush(stdout);
    return 0;
}
