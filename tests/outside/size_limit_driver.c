/* One extraction through an archive library loaded by full path, in a process that does
 * nothing else first (no settings write, no handler of the program's), under the ulimit -f
 * and the SIGXFSZ disposition the test chose:
 *   size_limit_driver LIBRARY ENTRY COMMAND LIMIT default|ignore|handler
 * Prints the library's report. Exit 0 when the call returned and left SIGXFSZ as it found
 * it, 3 when the disposition changed, 2 bad use; killed by SIGXFSZ when a write over the
 * limit was not caught. */
#include <dlfcn.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

static void callersHandler(int signal) {
    (void)signal;
}

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    struct sigaction chosen;
    memset(&chosen, 0, sizeof chosen);
    sigemptyset(&chosen.sa_mask);
    if (strcmp(argv[5], "default") == 0)
        chosen.sa_handler = SIG_DFL;
    else if (strcmp(argv[5], "ignore") == 0)
        chosen.sa_handler = SIG_IGN;
    else if (strcmp(argv[5], "handler") == 0)
        chosen.sa_handler = callersHandler;
    else
        return 2;
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        printf("cannot load: %s\n", dlerror());
        return 2;
    }
    int (*entry)(void*, const char*, char*, uint32_t) =
        (int (*)(void*, const char*, char*, uint32_t))dlsym(library, argv[2]);
    if (!entry)
        return 2;
    struct sigaction before, after;
    struct rlimit limit;
    if (sigaction(SIGXFSZ, &chosen, NULL) != 0 || sigaction(SIGXFSZ, NULL, &before) != 0 ||
        getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    limit.rlim_cur = (rlim_t)strtoull(argv[4], NULL, 10);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    static char report[65536];
    const int result = entry(NULL, argv[3], report, sizeof report);
    printf("%sresult %d\n", report, result);
    if (sigaction(SIGXFSZ, NULL, &after) != 0)
        return 2;
    dlclose(library);
    return after.sa_handler == before.sa_handler && after.sa_flags == before.sa_flags ? 0 : 3;
}
