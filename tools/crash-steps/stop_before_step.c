/* Loaded with LD_PRELOAD into a run of Kestrix, counts its durable steps: every call that
 * flushes data or changes a folder (fsync, fdatasync, syncfs, rename*, unlink*, rmdir, mkdir*,
 * link*), in the order the process makes them, whatever thread makes them.
 *
 *   KESTRIX_STEP_LOG=FILE    appends "N call" to FILE for each step;
 *   KESTRIX_STOP_BEFORE=N    kills the process (SIGKILL) just before its N-th step, so that the
 *                            step itself never reaches the file system.
 *
 * One counter for the process, unlike a tracer's per-thread counters, so that step N is the N-th
 * step of the run even when a writer thread makes some of them. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

static atomic_long steps;
static long stop_before;
static int log_fd = -1;

static int (*real_fsync)(int);
static int (*real_fdatasync)(int);
static int (*real_syncfs)(int);
static int (*real_rename)(const char*, const char*);
static int (*real_renameat)(int, const char*, int, const char*);
static int (*real_renameat2)(int, const char*, int, const char*, unsigned int);
static int (*real_unlink)(const char*);
static int (*real_unlinkat)(int, const char*, int);
static int (*real_rmdir)(const char*);
static int (*real_mkdir)(const char*, mode_t);
static int (*real_mkdirat)(int, const char*, mode_t);
static int (*real_link)(const char*, const char*);
static int (*real_linkat)(int, const char*, int, const char*, int);

__attribute__((constructor)) static void start(void) {
    const char* at = getenv("KESTRIX_STOP_BEFORE");
    const char* log = getenv("KESTRIX_STEP_LOG");
    stop_before = at != NULL ? atol(at) : 0;
    if (log != NULL) log_fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    /* Only the run itself: a program it starts counts its own steps, or none. */
    unsetenv("LD_PRELOAD");
    real_fsync = dlsym(RTLD_NEXT, "fsync");
    real_fdatasync = dlsym(RTLD_NEXT, "fdatasync");
    real_syncfs = dlsym(RTLD_NEXT, "syncfs");
    real_rename = dlsym(RTLD_NEXT, "rename");
    real_renameat = dlsym(RTLD_NEXT, "renameat");
    real_renameat2 = dlsym(RTLD_NEXT, "renameat2");
    real_unlink = dlsym(RTLD_NEXT, "unlink");
    real_unlinkat = dlsym(RTLD_NEXT, "unlinkat");
    real_rmdir = dlsym(RTLD_NEXT, "rmdir");
    real_mkdir = dlsym(RTLD_NEXT, "mkdir");
    real_mkdirat = dlsym(RTLD_NEXT, "mkdirat");
    real_link = dlsym(RTLD_NEXT, "link");
    real_linkat = dlsym(RTLD_NEXT, "linkat");
}

static void step(const char* call) {
    const long n = atomic_fetch_add(&steps, 1) + 1;
    if (n == stop_before) kill(getpid(), SIGKILL);
    if (log_fd >= 0) {
        char line[64];
        const int length = snprintf(line, sizeof line, "%ld %s\n", n, call);
        if (length > 0) (void)!write(log_fd, line, (size_t)length);
    }
}

int fsync(int fd) { step("fsync"); return real_fsync(fd); }
int fdatasync(int fd) { step("fdatasync"); return real_fdatasync(fd); }
int syncfs(int fd) { step("syncfs"); return real_syncfs(fd); }
int rename(const char* from, const char* to) { step("rename"); return real_rename(from, to); }
int renameat(int a, const char* from, int b, const char* to) {
    step("renameat");
    return real_renameat(a, from, b, to);
}
int renameat2(int a, const char* from, int b, const char* to, unsigned int flags) {
    step("renameat2");
    return real_renameat2(a, from, b, to, flags);
}
int unlink(const char* name) { step("unlink"); return real_unlink(name); }
int unlinkat(int at, const char* name, int flags) {
    step("unlinkat");
    return real_unlinkat(at, name, flags);
}
int rmdir(const char* name) { step("rmdir"); return real_rmdir(name); }
int mkdir(const char* name, mode_t mode) { step("mkdir"); return real_mkdir(name, mode); }
int mkdirat(int at, const char* name, mode_t mode) {
    step("mkdirat");
    return real_mkdirat(at, name, mode);
}
int link(const char* from, const char* to) { step("link"); return real_link(from, to); }
int linkat(int a, const char* from, int b, const char* to, int flags) {
    step("linkat");
    return real_linkat(a, from, b, to, flags);
}
