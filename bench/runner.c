/* Runs a program N times as a web server would (stdout to a pipe that is drained, the file named
   by BENCH_STDIN, if set, on stdin) and prints the mean wall time per run in microseconds and the
   peak resident set size in KiB. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: runner N PROGRAM [ARGS...]\n");
        return 2;
    }
    int runs = atoi(argv[1]);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int i = 0; i < runs; i++) {
        int out[2];
        if (pipe(out) != 0) return 1;
        pid_t pid = fork();
        if (pid == 0) {
            const char *input = getenv("BENCH_STDIN");
            if (input) {
                int in = open(input, O_RDONLY);
                dup2(in, 0);
                close(in);
            }
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            execv(argv[2], argv + 2);
            _exit(127);
        }
        close(out[1]);
        char buffer[4096];
        while (read(out[0], buffer, sizeof buffer) > 0) {
        }
        close(out[0]);
        int status;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fprintf(stderr, "runner: %s failed\n", argv[2]);
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double micros = (double)(end.tv_sec - start.tv_sec) * 1e6 + (double)(end.tv_nsec - start.tv_nsec) / 1e3;
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    printf("%.1f %ld\n", micros / runs, usage.ru_maxrss);
    return 0;
}
