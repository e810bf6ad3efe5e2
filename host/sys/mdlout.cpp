// Where the text window and the message centre go besides memory (terminal,
// log file), the error stream, and the status bar's message fields.  The
// host's texts are ISO 8859-1: the terminal gets them as UTF-8, the log as
// they are.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/text_host.h"
#include "sys/mdlsys.h"
#include "sys_int.h"

// --- echo and log ---------------------------------------------------------------

namespace {

int echo = 0; // MDLHOST_ECHO_* bits
FILE *errorStream = nullptr;

FILE *logFile = nullptr;
std::string logPath;   // the file logFile writes, or the one that failed to open
bool logFailed = false;

// The log named by MDLHOST_LOG now; reopened when the name changes.  Plain
// fopen: injected fopen failures are meant for the code under test.
FILE *currentLog()
{
    std::string path;
    if (!mdlhost::cfgLookup("MDLHOST_LOG", path))
        path.clear();
    if (path != logPath) {
        if (logFile)
            fclose(logFile);
        logFile = nullptr;
        logPath = path;
        logFailed = false;
        if (!path.empty()) {
            // Close-on-exec: a program the host starts must not hold it.
            logFile = fopen(mdlhost::mappedPath(path.c_str()).c_str(), "abe");
            logFailed = logFile == nullptr;
            // Said once per name: the log cannot carry its own failure.
            if (logFailed)
                fprintf(stderr, "mdlhost: cannot open the log file %s\n", path.c_str());
        }
    }
    return logFile;
}

} // namespace

void mdlhost_terminalPuts(FILE *fp, const char *text)
{
    if (fp == nullptr || text == nullptr)
        return;
    std::string utf8 = mdlhost::latin1ToUtf8(text);
    fwrite(utf8.data(), 1, utf8.size(), fp);
}

void mdlhost::outputText(const char *text)
{
    bool envEcho = getenv("MDLHOST_ECHO") != nullptr;
    if ((echo & MDLHOST_ECHO_TEXT) || envEcho) {
        FILE *terminal = envEcho ? toolSubsystem_getStderr() : stdout;
        mdlhost_terminalPuts(terminal, text);
        fflush(terminal);
    }
    if (FILE *log = currentLog()) {
        fputs(text, log);
        fflush(log); // a crash later must not lose what led to it
    }
}

void mdlhost::outputMessage(int type, const char *text)
{
    if ((echo & MDLHOST_ECHO_MESSAGES) || getenv("MDLHOST_ECHO") != nullptr) {
        FILE *terminal = toolSubsystem_getStderr();
        mdlhost_terminalPuts(terminal, ("[" + std::to_string(type) + "] " + text + "\n").c_str());
        fflush(terminal);
    }
    if (FILE *log = currentLog()) {
        fprintf(log, "[%d] %s\n", type, text);
        fflush(log);
    }
}

void mdlhost_setEcho(int what) { echo = what; }

FILE *toolSubsystem_getStderr(void) { return errorStream ? errorStream : stderr; }

void mdlhost_setStderr(FILE *fp) { errorStream = fp; }

int mdlSystem_getenv(const char *name, char *out, int outSize) { return mdlSystem_getCfgVar(out, name, outSize); }

// --- message fields ---------------------------------------------------------------

namespace {

std::string fields[MDLHOST_MAXFIELD + 1];

bool validField(int field) { return field >= 0 && field <= MDLHOST_MAXFIELD; }

} // namespace

int mdlOutput_printf(int field, const char *format, ...)
{
    if (!validField(field) || format == nullptr)
        return -1;
    va_list ap, again;
    va_start(ap, format);
    va_copy(again, ap);
    int len = vsnprintf(nullptr, 0, format, ap);
    va_end(ap);
    std::string &f = fields[field];
    f.assign(len > 0 ? size_t(len) + 1 : 1, '\0');
    if (len > 0)
        vsnprintf(f.data(), f.size(), format, again);
    va_end(again);
    f.resize(len > 0 ? size_t(len) : 0);
    return 0;
}

int mdlOutput_message(const char *text) { return mdlOutput_printf(0, "%s", text ? text : ""); }

const char *mdlhost_messageField(int field) { return validField(field) ? fields[field].c_str() : ""; }

void mdlhost_clearMessageFields(void)
{
    for (std::string &f : fields)
        f.clear();
}
