// External programs and shell commands.
//
// Programs run through the host as processes of their own with an argument
// vector, never through a shell of ours: the shell words go to the program
// that COMSPEC names, as they would on the platform the commands were
// written for, and nothing runs when COMSPEC is not configured.
#include <cstring>
#include <string>

#include "mdlhost.h"
#include "zvlibtext.h"
#include "zvlibutil.h"

namespace {


// Commands the command interpreter itself knows; they have no program of
// their own to start.
const char *const SHELL_WORDS[] = {"CD",  "CHDIR", "CHDSK", "COPY",  "DEL", "DIR", "MKDIR",
                                   "MD",  "MOVE",  "PATH",  "PRINT", "RENAME", "REN", "XCOPY"};
const char *const SHELL_SUFFIXES[] = {".BAT", ".CMD"};

void reportNotStarted(const char *program, const char *arguments, int code)
{
    toolSubsystem_printf("Error executing external program\n<%s %s>\nErrorcode %d\n", program ? program : "",
                         arguments ? arguments : "", code);
}

bool isShellCommand(const std::string &word)
{
    for (const char *w : SHELL_WORDS)
        if (word == w)
            return true;
    for (const char *s : SHELL_SUFFIXES) {
        size_t n = strlen(s);
        if (word.size() > n && word.compare(word.size() - n, n, s) == 0)
            return true;
    }
    return false;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

int zvlibExternal_executeProgram(const char *program, const char *arguments, int *status)
{
    // The box has told the user; nothing ran, so this is no success.
    if (zvlibUtil_runningPowerDraft())
        return ZVLIB_FAILURE;
    bool wait = status == nullptr || *status != ZVLIB_NO_WAIT;
    MdlExternalProgram *process = nullptr;
    int rc = mdlExternal_startProgram(wait ? &process : nullptr, program, arguments);
    if (rc != 0) {
        reportNotStarted(program, arguments, rc);
        return ZVLIB_FAILURE;
    }
    if (!wait || process == nullptr)
        return 0;
    int exitStatus = mdlExternal_wait(process);
    if (status != nullptr)
        *status = exitStatus;
    return exitStatus < 0 ? ZVLIB_FAILURE : 0;
}

int zvlibExternal_executeShellCommand(const char *command, const char *arguments, int *status)
{
    std::string argText = "/C ";
    argText += command ? command : "";
    argText += ' ';
    argText += arguments ? arguments : "";
    char shell[ZVLIB_CFGVALUE_LEN];
    // Without a configured interpreter there is nothing to start; an empty
    // name must not reach the host as a program.
    if (mdlSystem_getenv("COMSPEC", shell, sizeof shell) != 0 || shell[0] == '\0') {
        reportNotStarted("$(COMSPEC)", argText.c_str(), MDLEXT_NOT_STARTED);
        return ZVLIB_FAILURE;
    }
    return zvlibExternal_executeProgram(shell, argText.c_str(), status);
}

int zvlibExternal_executeSystemCommand(const char *command, const char *arguments, int *status)
{
    return zvlibExternal_executeShellCommand(command, arguments, status);
}

int zvlibExternal_executeCommandLine(const char *commandLine, int *status)
{
    const char *p = commandLine ? commandLine : "";
    while (isBlank(*p))
        p++;
    std::string word;
    for (; *p != '\0' && !isBlank(*p); p++)
        word += char(zvlib::upperLatin1(*p));
    const char *rest = *p != '\0' ? p + 1 : p;
    if (isShellCommand(word))
        return zvlibExternal_executeShellCommand(word.c_str(), rest, status);
    return zvlibExternal_executeProgram(word.c_str(), rest, status);
}
