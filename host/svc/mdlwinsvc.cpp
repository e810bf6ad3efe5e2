// Names and processes the way a Windows host gives them: universal names of
// mapped network drives, file deletion, programs at idle priority.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "svc/mdlsvc.h"
#include "sys/mdlsys.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

int mdlhost_universalName(const char *path, char *out, size_t outSize)
{
    if (path == nullptr || out == nullptr || !mdlhost::hasDrive(path))
        return -1;
    char var[] = "MDLHOST_UNC_X";
    var[sizeof var - 2] = mdlhost::upperCase(path[0]);
    std::string unc;
    if (!mdlhost::cfgLookup(var, unc) || unc.empty())
        return -1;
    while (!unc.empty() && mdlhost::isSeparator(unc.back()))
        unc.pop_back();
    const char *rest = path + 2;
    while (mdlhost::isSeparator(*rest))
        rest++;
    std::string name = unc + '\\' + rest;
    for (char &c : name)
        if (c == '/')
            c = '\\';
    // A cut name would name another file.
    if (!mdlhost::copyWhole(out, outSize, name))
        return -1;
    return 0;
}

int mdlhost_deleteFile(const char *name)
{
    if (name == nullptr || name[0] == '\0') {
        errno = EINVAL;
        return -1;
    }
    std::string local = mdlhost::mappedPath(name);
    return unlink(local.c_str()) == 0 ? 0 : -1;
}

int mdlhost_startProgramIdle(MdlExternalProgram **process, const char *program, const char *argText)
{
    // Linux keeps the nice value per thread and a new process takes that of
    // the thread that forked it: a thread lowered to 19 starts the program,
    // and the host's own thread keeps its priority.
    int rc = MDLEXT_NOT_STARTED;
    std::thread starter([&] {
        setpriority(PRIO_PROCESS, gettid(), 19); // failing, the program still runs
        rc = mdlExternal_startProgram(process, program, argText);
    });
    starter.join();
    return rc;
}
