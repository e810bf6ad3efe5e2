// Test helpers that run code in a child process: under a file-size limit
// (a full disk) or killed by it, and the descriptors a process holds.
#ifndef MDLHOST_CHILD_TESTING_H
#define MDLHOST_CHILD_TESTING_H

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace hosttest {

// Runs body in a child whose files cannot grow beyond limit bytes; writes
// past it fail with EFBIG, as on a full disk, or, with killAtLimit, the
// child dies there as by kill -9 mid-write.  Gives body's result (its exit
// status), or -1 when the child was killed.
inline int inChildWithFileLimit(rlim_t limit, const std::function<int()> &body, bool killAtLimit = false)
{
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, killAtLimit ? SIG_DFL : SIG_IGN);
        struct rlimit r{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &r) != 0)
            _exit(120);
        int rc = body();
        _exit(rc & 0xFF);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The names of the files in dir whose names begin with prefix.
inline std::string filesBeginningWith(const std::string &dir, const std::string &prefix)
{
    std::string names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name).compare(0, prefix.size(), prefix) == 0)
                names += std::string(e->d_name) + " ";
        closedir(d);
    }
    return names;
}

// How many descriptors this process holds open.
inline int openDescriptorCount()
{
    int n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (dirent *e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n - 1; // the listing's own
}

} // namespace hosttest

#endif
