// External programs: started as processes of their own from an argument
// vector, waited for, or ended.
//
//   arguments   an argument text split into words (quotes group)
//   lookup      program name -> executable file (PATH, case ignored)
//   start       fork and exec; exec failures come back through a pipe
//   wait, end   exit status, SIGTERM then SIGKILL
//
// No shell is ever involved: a ';', '|', '$' or '`' in a name or an
// argument reaches the program as the character it is.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sys/mdlsys.h"
#include "sys_int.h"

struct MdlExternalProgram {
    pid_t pid;
};

namespace {

// A stopped program gets this long to go after SIGTERM before SIGKILL.
constexpr long kTerminateGraceMs = 2000;

bool isExecutableFile(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH));
}

// local with each component that is missing as written matched without
// case (a name written for another platform, or upper-cased by its caller).
bool findIgnoringCase(const std::string &local, std::string &found)
{
    std::string at = local[0] == '/' ? "/" : ".";
    size_t start = 0;
    while (start < local.size()) {
        size_t end = local.find('/', start);
        if (end == std::string::npos)
            end = local.size();
        std::string part = local.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        std::string next = at == "/" ? "/" + part : at + "/" + part;
        struct stat st;
        if (part != ".." && lstat(next.c_str(), &st) != 0) {
            DIR *d = opendir(at.c_str());
            if (d == nullptr)
                return false;
            bool matched = false;
            while (struct dirent *e = readdir(d)) {
                if (mdlhost::sameName(e->d_name, part)) {
                    next = at == "/" ? std::string("/") + e->d_name : at + "/" + e->d_name;
                    matched = true;
                    break;
                }
            }
            closedir(d);
            if (!matched)
                return false;
        }
        at = next;
    }
    found = at;
    return true;
}

// The executable the program name stands for, as a local path.
bool resolveProgram(const char *program, std::string &path)
{
    if (program == nullptr || program[0] == '\0')
        return false;
    std::string name = program;
    bool hasDir = mdlhost::hasDrive(program) || name.find_first_of("/\\") != std::string::npos;
    if (hasDir) {
        std::string local = mdlhost::mappedPath(program);
        std::string found;
        if (isExecutableFile(local)) {
            path = local;
            return true;
        }
        if (!local.empty() && findIgnoringCase(local, found) && isExecutableFile(found)) {
            path = found;
            return true;
        }
        return false;
    }
    std::string searchPath;
    if (!mdlhost::cfgLookup("PATH", searchPath))
        return false;
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        // An empty entry would mean the current directory: a planted file
        // there must not run in place of the real program.
        std::string dir = searchPath.substr(start, end - start);
        std::string found;
        if (!dir.empty() && mdlhost::findInDirectory(dir, name, found) && isExecutableFile(found)) {
            path = found;
            return true;
        }
        start = end + 1;
    }
    return false;
}

void closeQuietly(int fd)
{
    if (fd >= 0)
        close(fd);
}

pid_t waitRetrying(pid_t pid, int *status, int options)
{
    pid_t r;
    do
        r = waitpid(pid, status, options);
    while (r < 0 && errno == EINTR);
    return r;
}

// Reports errno of a failed exec to the parent and ends the child.  Only
// async-signal-safe calls from here on.
[[noreturn]] void childFailed(int fd)
{
    int e = errno;
    ssize_t ignored = write(fd, &e, sizeof e);
    (void)ignored;
    _exit(127);
}

// Starts path with argv.  Detached, an intermediate child starts the
// program and ends at once, so the program never becomes our zombie.
// Returns the program's pid (0 when detached), -1 when it did not start.
pid_t spawn(const std::string &path, const std::vector<char *> &argv, bool detached)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    pid_t child = fork();
    if (child < 0) {
        closeQuietly(fds[0]);
        closeQuietly(fds[1]);
        return -1;
    }
    if (child == 0) {
        closeQuietly(fds[0]);
        if (detached) {
            pid_t grandchild = fork();
            if (grandchild < 0)
                childFailed(fds[1]);
            if (grandchild > 0)
                _exit(0);
        }
        execv(path.c_str(), argv.data());
        childFailed(fds[1]);
    }
    closeQuietly(fds[1]);
    int childErrno = 0;
    ssize_t got;
    do
        got = read(fds[0], &childErrno, sizeof childErrno);
    while (got < 0 && errno == EINTR);
    closeQuietly(fds[0]);
    if (detached) {
        int ignored;
        waitRetrying(child, &ignored, 0);
    }
    if (got > 0) {
        // The program never ran; collect the child that reported it.
        if (!detached) {
            int ignored;
            waitRetrying(child, &ignored, 0);
        }
        return -1;
    }
    return detached ? 0 : child;
}

int start(MdlExternalProgram **process, const char *program, const std::vector<std::string> &args)
{
    if (process != nullptr)
        *process = nullptr;
    std::string path;
    if (!resolveProgram(program, path))
        return MDLEXT_NOT_STARTED;
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    MdlExternalProgram *record = nullptr;
    if (process != nullptr) {
        record = static_cast<MdlExternalProgram *>(malloc(sizeof(MdlExternalProgram)));
        if (record == nullptr)
            return MDLEXT_NOT_STARTED;
    }
    pid_t pid = spawn(path, argv, process == nullptr);
    if (pid < 0) {
        free(record);
        return MDLEXT_NOT_STARTED;
    }
    if (process != nullptr) {
        record->pid = pid;
        *process = record;
    }
    return 0;
}

int exitStatusOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

int mdlExternal_startProgram(MdlExternalProgram **process, const char *program, const char *argText)
{
    std::vector<std::string> args;
    if (!mdlhost::splitQuotedWords(argText, args)) {
        if (process != nullptr)
            *process = nullptr;
        return MDLEXT_NOT_STARTED;
    }
    return start(process, program, args);
}

int mdlExternal_extStartProgram(MdlExternalProgram **process, const char *program, const char *const *args)
{
    std::vector<std::string> words;
    for (size_t i = 0; args != nullptr && args[i] != nullptr; i++)
        words.push_back(args[i]);
    return start(process, program, words);
}

int mdlExternal_wait(MdlExternalProgram *process)
{
    if (process == nullptr)
        return -1;
    int status = 0;
    pid_t r = waitRetrying(process->pid, &status, 0);
    free(process);
    return r < 0 ? -1 : exitStatusOf(status);
}

int mdlExternal_terminateProgram(MdlExternalProgram *process)
{
    if (process == nullptr)
        return -1;
    int status = 0;
    if (waitRetrying(process->pid, &status, WNOHANG) == 0) {
        kill(process->pid, SIGTERM);
        bool gone = false;
        for (long waited = 0; waited < kTerminateGraceMs && !gone; waited += 10) {
            if (waitRetrying(process->pid, &status, WNOHANG) != 0) {
                gone = true;
                break;
            }
            struct timespec tick = {0, 10 * 1000 * 1000};
            nanosleep(&tick, nullptr);
        }
        if (!gone) {
            kill(process->pid, SIGKILL);
            waitRetrying(process->pid, &status, 0);
        }
    }
    free(process);
    return 0;
}

int mdlhost_findProgram(char *out, size_t outSize, const char *program)
{
    if (out == nullptr || outSize == 0)
        return -1;
    out[0] = '\0';
    std::string path;
    if (!resolveProgram(program, path) || !mdlhost::copyWhole(out, outSize, path))
        return -1;
    return 0;
}

