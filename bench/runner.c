/* Runs programs as a web server would, in turn, N times each: A B A B ... (so a drift of the
   machine's speed reaches every program alike). A program's stdout goes to a pipe that is
   drained; the file named by BENCH_STDIN, if set, is its stdin (FILE1:FILE2:... takes them in
   turn, run by run, so that a write route changes the stored record every time). Words
   NAME=VALUE before a program are set in its environment.
     runner N [NAME=VALUE...] PROGRAM [ARGS...] [-- [NAME=VALUE...] PROGRAM [ARGS...]]...
   Prints one line per program: the median wall time of a run in microseconds and the peak
   resident set size of its runs in KiB. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#define MAX_PROGRAMS 8

struct program {
    char **assignments;  /* NAME=VALUE words */
    int assignment_count;
    char **argv;         /* NULL-terminated */
    double *micros;
    long peak_kib;
};

static int compare(const void *a, const void *b) {
    double x = *(const double *)a, y = *(const double *)b;
    return x < y ? -1 : x > y;
}

/* Run i's standard input: item i (modulo their count) of the ':'-separated BENCH_STDIN. */
static int open_input(int i) {
    const char *list = getenv("BENCH_STDIN");
    if (!list || !*list) return -1;
    int items = 1;
    for (const char *c = list; *c; c++) items += *c == ':';
    const char *start = list;
    for (int skip = i % items; skip > 0; skip--) start = strchr(start, ':') + 1;
    char path[4096];
    size_t length = strcspn(start, ":");
    if (length >= sizeof path) return -1;
    memcpy(path, start, length);
    path[length] = '\0';
    return open(path, O_RDONLY);
}

/* One run; its wall time in microseconds, or -1 when it failed. */
static double run(struct program *p, int i) {
    int out[2];
    if (pipe(out) != 0) return -1;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = fork();
    if (pid == 0) {
        for (int i = 0; i < p->assignment_count; i++) putenv(p->assignments[i]);
        int in = open_input(i);
        if (in >= 0) {
            dup2(in, 0);
            close(in);
        }
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execv(p->argv[0], p->argv);
        _exit(127);
    }
    close(out[1]);
    char buffer[4096];
    while (read(out[0], buffer, sizeof buffer) > 0) {
    }
    close(out[0]);
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid) return -1;
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    if (usage.ru_maxrss > p->peak_kib) p->peak_kib = usage.ru_maxrss;
    return (double)(end.tv_sec - start.tv_sec) * 1e6 + (double)(end.tv_nsec - start.tv_nsec) / 1e3;
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: runner N [NAME=VALUE...] PROGRAM [ARGS...] [-- ...]\n");
        return 2;
    }
    int runs = atoi(argv[1]);
    struct program programs[MAX_PROGRAMS];
    int count = 0;
    for (int at = 2; at < argc && count < MAX_PROGRAMS; at++) {
        struct program *p = &programs[count++];
        memset(p, 0, sizeof *p);
        p->assignments = argv + at;
        while (at < argc && strchr(argv[at], '=') && argv[at][0] != '/') at++, p->assignment_count++;
        p->argv = argv + at;
        while (at < argc && strcmp(argv[at], "--") != 0) at++;
        argv[at < argc ? at : argc] = NULL;
        p->micros = calloc((size_t)(runs > 0 ? runs : 1), sizeof(double));
    }
    for (int i = 0; i < runs; i++) {
        for (int k = 0; k < count; k++) {
            programs[k].micros[i] = run(&programs[k], i);
            if (programs[k].micros[i] < 0) {
                fprintf(stderr, "runner: %s failed\n", programs[k].argv[0]);
                return 1;
            }
        }
    }
    for (int k = 0; k < count; k++) {
        qsort(programs[k].micros, (size_t)runs, sizeof(double), compare);
        printf("%.1f %ld\n", programs[k].micros[runs / 2], programs[k].peak_kib);
    }
    return 0;
}
