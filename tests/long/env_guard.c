/* Preloaded into the real program by tests/long/signals.sh: reports on standard
   error every change of the environment made while a second thread runs,
   since another thread may be reading the environment at that moment. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static int threads(void) {
    DIR* tasks = opendir("/proc/self/task");
    int n = 0;
    if (!tasks) return 0;
    for (struct dirent* entry; (entry = readdir(tasks));) n += entry->d_name[0] != '.';
    closedir(tasks);
    return n;
}

static void check(const char* call, const char* name) {
    int n = threads();
    if (n > 1) fprintf(stderr, "environment changed with %d threads running: %s %s\n", n, call, name);
}

int setenv(const char* name, const char* value, int overwrite) {
    check("setenv", name);
    int (*real)(const char*, const char*, int) = (int (*)(const char*, const char*, int))dlsym(RTLD_NEXT, "setenv");
    return real(name, value, overwrite);
}

int unsetenv(const char* name) {
    check("unsetenv", name);
    int (*real)(const char*) = (int (*)(const char*))dlsym(RTLD_NEXT, "unsetenv");
    return real(name);
}

int putenv(char* text) {
    check("putenv", text);
    int (*real)(char*) = (int (*)(char*))dlsym(RTLD_NEXT, "putenv");
    return real(text);
}
