// Windows services on the host's: the DDE conversation with the
// spreadsheet, printers, programs, registry values and names.
//
//   DDE        one instance and one conversation for the process
//   printers   the host's printers of the network as a two-column list
//   programs   command lines checked for length, run without a shell
//   registry   the user's hive, then the machine's
//   names      universal and short names, deletion
#include "zvlibwin32.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "zvlibfile.h"
#include "zvlibmain.h"
#include "zvlibtext.h"

namespace {

// Module state, one set per process: the instance is made once and kept,
// so repeated exports do not each leave one behind.
long ddeInstance = 0;
long ddeConversation = 0;
char adviseData[ZVLIB_DDE_ADVISE_LEN];
char shortPath[ZVLIB_SHORT_PATH_LEN];

} // namespace

// --- DDE ------------------------------------------------------------------------

long win32_ddeCallback(int type, long conversation, const void *data, size_t size)
{
    (void)conversation;
    switch (type) {
    case MDLHOST_DDE_XTYP_ADVDATA: {
        size_t n = data == nullptr ? 0 : size < sizeof adviseData - 1 ? size : sizeof adviseData - 1;
        if (n > 0)
            memcpy(adviseData, data, n);
        adviseData[n] = '\0';
        return 0x8000; // acknowledged
    }
    case MDLHOST_DDE_XTYP_XACT_COMPLETE:
        return 1; // the data of an asynchronous transaction: nothing waits for it
    case MDLHOST_DDE_XTYP_MONITOR:
    case MDLHOST_DDE_XTYP_ERROR:
    case MDLHOST_DDE_XTYP_ADVSTOP:
    case MDLHOST_DDE_XTYP_CONNECT_CONFIRM:
    case MDLHOST_DDE_XTYP_REGISTER:
    case MDLHOST_DDE_XTYP_DISCONNECT:
    case MDLHOST_DDE_XTYP_UNREGISTER:
        return 0x8000;
    default:
        return 0;
    }
}

const char *win32_lastAdviseData(void) { return adviseData; }

int zvlibWin32_DdeInitialize(const char *service, const char *topic)
{
    if (ddeConversation != 0) {
        // Replacing the handle alone would leave the old conversation open.
        mdlhost_ddeDisconnect(ddeConversation);
        ddeConversation = 0;
    }
    if (ddeInstance == 0)
        ddeInstance = mdlhost_ddeInitialize(win32_ddeCallback);
    if (ddeInstance == 0 || service == nullptr || topic == nullptr)
        return ZVLIB_FAILURE;
    ddeConversation = mdlhost_ddeConnect(ddeInstance, service, topic);
    return ddeConversation != 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibWin32_DdeSendMessage(const char *command)
{
    if (command == nullptr || ddeConversation == 0)
        return ZVLIB_FAILURE;
    return mdlhost_ddeExecute(ddeConversation, command, ZVLIB_DDE_TIMEOUT_MS) == MDLHOST_DDE_OK ? 0 : ZVLIB_FAILURE;
}

int zvlibWin32_DdeQuote(char *out, size_t outSize, const char *text)
{
    if (out == nullptr || outSize == 0)
        return ZVLIB_FAILURE;
    out[0] = '\0';
    if (text == nullptr)
        return ZVLIB_FAILURE;
    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 >= outSize)
            return false;
        out[n++] = c;
        return true;
    };
    bool fits = put('"');
    for (const char *p = text; fits && *p; p++)
        fits = put(*p) && (*p != '"' || put('"'));
    fits = fits && put('"');
    out[fits ? n : 0] = '\0';
    return fits ? 0 : ZVLIB_FAILURE;
}

int zvlibWin32_DdeReplaceText(const char *placeholder, char *value)
{
    if (placeholder == nullptr || value == nullptr)
        return ZVLIB_FAILURE;
    if (!strstr(placeholder, "file") && !strstr(placeholder, "time") && !strstr(placeholder, "date")) {
        const zvlibGlobalData *g = zvlibMain_findGlobalDataP();
        char separator = g != nullptr && g->dialogData != nullptr ? g->dialogData->decimalSeparator[0] : ',';
        // An empty separator would end the value at its first '.'.
        if (separator != '\0')
            for (char *p = value; *p; p++)
                if (*p == '.')
                    *p = separator;
    }
    // The value reaches the spreadsheet as a text argument: a quote in it,
    // left single, would end the text and let the rest act as commands.
    char find[ZVLIB_DDE_COMMAND_LEN], with[ZVLIB_DDE_COMMAND_LEN], command[ZVLIB_DDE_COMMAND_LEN];
    if (zvlibWin32_DdeQuote(find, sizeof find, placeholder) != 0 || zvlibWin32_DdeQuote(with, sizeof with, value) != 0)
        return ZVLIB_FAILURE;
    int n = snprintf(command, sizeof command, "[FORMULA.REPLACE(%s,%s)]", find, with);
    if (n < 0 || size_t(n) >= sizeof command)
        return ZVLIB_FAILURE;
    return zvlibWin32_DdeSendMessage(command);
}

void zvlibWin32_DdeDisconnect(void)
{
    if (ddeConversation != 0)
        mdlhost_ddeDisconnect(ddeConversation);
    ddeConversation = 0;
}

// --- printers ---------------------------------------------------------------------

namespace {

// The system printer of the workspace's printer driver; "" without one.
std::string workspacePrinter()
{
    char root[ZVLIB_FILE_NAME_LEN], printer[MDLHOST_PRINTER_NAMELEN];
    if (mdlSystem_getCfgVar(root, "_USTN_WORKSPACEROOT", int(sizeof root)) != 0)
        return "";
    std::string driver = std::string(root) + "\\System\\plotdrv\\printer.plt";
    return mdlhost_plotDriverSystemPrinter(driver.c_str(), printer, sizeof printer) == 0 ? printer : "";
}

} // namespace

StringList *zvlibWin32_findWindowsPrinterNames(void)
{
    int count = mdlhost_printers(nullptr, 0);
    if (count <= 0)
        return nullptr;
    std::vector<MdlhostPrinter> printers(static_cast<size_t>(count));
    count = mdlhost_printers(printers.data(), count);
    StringList *list = mdlStringList_create(0, 2);
    if (list == nullptr || count < 0) {
        mdlStringList_destroy(list);
        return nullptr;
    }
    std::string marked = workspacePrinter();
    for (const MdlhostPrinter &p : printers) {
        if (p.server[0] == '\0')
            continue; // a local printer
        std::string route = std::string(p.server) + "\\" + (p.share[0] != '\0' ? p.share : p.port);
        long first = 0;
        long fields[2] = {0, !marked.empty() && marked == p.name ? 1 : 0};
        if (mdlStringList_insertMember(&first, list, -1, 2) != 0 ||
            mdlStringList_setMember(list, first, p.name, nullptr) != 0 ||
            mdlStringList_setMember(list, first + 1, route.c_str(), fields) != 0) {
            mdlStringList_destroy(list);
            return nullptr;
        }
    }
    return list;
}

// --- programs ------------------------------------------------------------------------

int win32_buildCommandLine(char *out, size_t outSize, const char *program, const char *arguments)
{
    if (out == nullptr || outSize == 0)
        return -1;
    out[0] = '\0';
    if (program == nullptr)
        return -1;
    bool fits;
    if (arguments != nullptr) {
        int n = snprintf(out, outSize, "%s %s", program, arguments);
        fits = n >= 0 && size_t(n) < outSize;
    } else {
        fits = zvlib::copyText(out, outSize, program);
    }
    if (!fits) {
        out[0] = '\0';
        return -1;
    }
    return 0;
}

namespace {

// Starts the program as the command line would, once the line fits.
MdlExternalProgram *startCommand(const char *program, const char *arguments, bool idle)
{
    char line[ZVLIB_COMMAND_LINE_LEN];
    if (program == nullptr || program[0] == '\0' || win32_buildCommandLine(line, sizeof line, program, arguments) != 0)
        return nullptr;
    MdlExternalProgram *process = nullptr;
    int rc = idle ? mdlhost_startProgramIdle(&process, program, arguments)
                  : mdlExternal_startProgram(&process, program, arguments);
    return rc == 0 ? process : nullptr;
}

} // namespace

int zvlibWin32_execCommand(const char *program, const char *arguments)
{
    MdlExternalProgram *process = startCommand(program, arguments, false);
    return process != nullptr ? mdlExternal_wait(process) : -1;
}

int zvlibWin32_execCommandAndWait(const char *program, const char *arguments, int show)
{
    (void)show; // no windows to show or hide
    MdlExternalProgram *process = startCommand(program, arguments, true);
    // A program that failed did not do its work; reporting it as done
    // would let the caller go on with missing output.
    return process != nullptr && mdlExternal_wait(process) == 0 ? 1 : 0;
}

// --- registry --------------------------------------------------------------------------

int win32_readRegistryValue(int hive, const char *subKey, const char *valueName, int *type, void *data, int size)
{
    if (size <= 0 || data == nullptr)
        return 0;
    int t = 0;
    size_t n = 0;
    // The size first, so that a value that does not fit leaves data alone.
    if (mdlhost_regQueryValue(hive, subKey, valueName, &t, nullptr, &n) != MDLHOST_REG_OK || n > size_t(size))
        return 0;
    std::vector<char> bytes(n + 1);
    size_t got = n;
    if (mdlhost_regQueryValue(hive, subKey, valueName, &t, bytes.data(), &got) != MDLHOST_REG_OK || got != n)
        return 0;
    // A text is used as one: it needs its terminator inside the buffer.
    bool addTerminator = t == MDLHOST_REG_SZ && (n == 0 || bytes[n - 1] != '\0');
    if (addTerminator && n + 1 > size_t(size))
        return 0;
    memcpy(data, bytes.data(), n);
    if (addTerminator)
        static_cast<char *>(data)[n] = '\0';
    if (type != nullptr)
        *type = t;
    return int(n);
}

int zvlibWin32_getRegistryValue(const char *subKey, const char *valueName, int *type, void *data, int size)
{
    int n = win32_readRegistryValue(MDLHOST_HKEY_CURRENT_USER, subKey, valueName, type, data, size);
    if (n == 0)
        n = win32_readRegistryValue(MDLHOST_HKEY_LOCAL_MACHINE, subKey, valueName, type, data, size);
    return n;
}

// --- names ----------------------------------------------------------------------------------

int zvlibWin32_getGetUniversalFileName(const char *path, char *result)
{
    if (path == nullptr || result == nullptr)
        return 0;
    char name[ZVLIB_UNC_NAME_LEN];
    if (mdlhost_universalName(path, name, sizeof name) != 0)
        return 0;
    memcpy(result, name, strlen(name) + 1);
    return 1;
}

char *win32_getShortPathName(const char *path)
{
    shortPath[0] = '\0';
    // A cut path would name another file: give none instead.
    if (path != nullptr && strlen(path) < sizeof shortPath)
        memcpy(shortPath, path, strlen(path) + 1);
    return shortPath;
}

int win32_deleteFile(const char *fileName) { return mdlhost_deleteFile(fileName) == 0 ? 1 : 0; }
