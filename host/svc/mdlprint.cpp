// Printers from the configuration, printing a file on one, and the system
// printer a plot driver names.
//
// A print file reaches a printer's program as one argument of its own,
// never through a shell, so a file name with ';', '|', '$' or '`' in it
// cannot run anything.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "svc/mdlsvc.h"
#include "sys/mdlsys.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace {

// A plot driver is a short text file; longer is not one.
constexpr std::streamsize kMaxDriverBytes = 1 << 20;

// The printers of MDLHOST_PRINTERS; false when an entry is malformed.
bool configuredPrinters(std::vector<MdlhostPrinter> &printers)
{
    std::string list;
    if (!mdlhost::cfgLookup("MDLHOST_PRINTERS", list))
        return true;
    std::string_view rest(list);
    while (!rest.empty()) {
        size_t semi = rest.find(';');
        std::string_view entry = mdlhost::trimmed(rest.substr(0, semi));
        rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
        if (entry.empty())
            continue;
        size_t eq = entry.find('=');
        if (eq == std::string_view::npos)
            return false;
        std::string_view name = mdlhost::trimmed(entry.substr(0, eq));
        std::string_view port = mdlhost::trimmed(entry.substr(eq + 1));
        MdlhostPrinter p{};
        if (name.empty() || port.empty() || !mdlhost::copyWhole(p.name, name) ||
            !mdlhost::copyWhole(p.port, port))
            return false;
        // "\\server\share": the server with its leading separators.
        if (name.size() > 2 && name[0] == '\\' && name[1] == '\\') {
            size_t sep = name.find('\\', 2);
            mdlhost::copyWhole(p.server, name.substr(0, sep));
            mdlhost::copyWhole(p.share, sep == std::string_view::npos ? std::string_view() : name.substr(sep + 1));
        }
        if (printers.size() < MDLHOST_PRINTER_MAX)
            printers.push_back(p);
    }
    return true;
}

bool isRegular(const std::string &path, struct stat &st) { return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode); }

int copyFile(const std::string &from, const struct stat &fromStat, std::string to)
{
    struct stat st;
    if (stat(to.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        size_t slash = from.rfind('/');
        to += (to.back() == '/' ? "" : "/") + from.substr(slash == std::string::npos ? 0 : slash + 1);
    }
    // Copying a file onto itself would empty it; it is where it should be.
    if (stat(to.c_str(), &st) == 0 && st.st_dev == fromStat.st_dev && st.st_ino == fromStat.st_ino)
        return MDLHOST_PRINT_OK;
    FILE *in = fopen(from.c_str(), "rbe");
    if (in == nullptr)
        return MDLHOST_PRINT_BADFILE;
    // Written in place, not renamed: a printer's path may be a device.
    FILE *out = fopen(to.c_str(), "wbe");
    bool ok = out != nullptr;
    char buffer[65536];
    size_t n;
    while (ok && (n = fread(buffer, 1, sizeof buffer, in)) > 0)
        ok = fwrite(buffer, 1, n, out) == n;
    ok = ok && !ferror(in);
    fclose(in);
    if (out != nullptr)
        ok = fclose(out) == 0 && ok;
    return ok ? MDLHOST_PRINT_OK : MDLHOST_PRINT_FAILED;
}

int runCommand(std::string_view command, const std::string &file)
{
    // The program is the first word (quoted when it holds blanks); the rest
    // are its own arguments, and the file comes last as one quoted word.
    command = mdlhost::trimmed(command);
    std::string program;
    size_t end;
    if (!command.empty() && command[0] == '"') {
        end = command.find('"', 1);
        if (end == std::string_view::npos)
            return MDLHOST_PRINT_FAILED;
        program = command.substr(1, end - 1);
        end++;
    } else {
        end = command.find_first_of(" \t");
        program = command.substr(0, end);
    }
    std::string args(end == std::string_view::npos ? std::string_view() : command.substr(end));
    // A name starting with '-' would read as an option.
    args += " \"" + (file[0] == '/' ? file : "./" + file) + "\"";
    MdlExternalProgram *process = nullptr;
    if (program.empty() || mdlExternal_startProgram(&process, program.c_str(), args.c_str()) != 0)
        return MDLHOST_PRINT_FAILED;
    return mdlExternal_wait(process) == 0 ? MDLHOST_PRINT_OK : MDLHOST_PRINT_FAILED;
}

} // namespace

int mdlhost_printers(MdlhostPrinter *printers, int capacity)
{
    std::vector<MdlhostPrinter> all;
    if (!configuredPrinters(all))
        return -1;
    for (size_t i = 0; printers != nullptr && i < all.size() && long(i) < capacity; i++)
        printers[i] = all[i];
    return int(all.size());
}

int mdlhost_printFile(const char *printer, const char *fileName)
{
    std::vector<MdlhostPrinter> all;
    if (printer == nullptr || !configuredPrinters(all))
        return MDLHOST_PRINT_NOPRINTER;
    const MdlhostPrinter *p = nullptr;
    for (const MdlhostPrinter &candidate : all)
        if (mdlhost::sameName(candidate.name, printer))
            p = &candidate;
    if (p == nullptr)
        return MDLHOST_PRINT_NOPRINTER;
    if (fileName == nullptr || fileName[0] == '\0')
        return MDLHOST_PRINT_BADFILE;
    std::string local = mdlhost::mappedPath(fileName);
    // The argument text can quote anything but a quote, and a control
    // character has no business in a file name handed to a program.
    for (unsigned char c : local)
        if (c == '"' || c < 0x20 || c == 0x7F)
            return MDLHOST_PRINT_BADFILE;
    struct stat st;
    if (!isRegular(local, st))
        return MDLHOST_PRINT_BADFILE;
    if (p->port[0] == '|')
        return runCommand(p->port + 1, local);
    return copyFile(local, st, mdlhost::mappedPath(p->port));
}

int mdlhost_plotDriverSystemPrinter(const char *driverFile, char *out, size_t outSize)
{
    if (out == nullptr || outSize == 0)
        return -1;
    out[0] = '\0';
    if (driverFile == nullptr)
        return -1;
    std::ifstream in(mdlhost::mappedPath(driverFile), std::ios::binary);
    std::string line;
    std::streamsize seen = 0;
    constexpr std::string_view key = "system_printer_name";
    while (in && seen < kMaxDriverBytes && std::getline(in, line)) {
        seen += std::streamsize(line.size()) + 1;
        std::string_view l = mdlhost::trimmed(line);
        if (l.size() <= key.size() || !mdlhost::sameName(l.substr(0, key.size()), key))
            continue;
        std::string_view rest = mdlhost::trimmed(l.substr(key.size()));
        if (rest.empty() || rest[0] != '=')
            continue;
        std::string_view value = mdlhost::trimmed(rest.substr(1));
        if (!value.empty() && value[0] == '"') {
            size_t close = value.find('"', 1);
            if (close == std::string_view::npos)
                return -1;
            value = value.substr(1, close - 1);
        } else {
            value = mdlhost::trimmed(value.substr(0, value.find('#')));
            if (!value.empty() && value.back() == ';')
                value = mdlhost::trimmed(value.substr(0, value.size() - 1));
        }
        if (value.empty() || !mdlhost::copyWhole(out, outSize, value))
            return -1;
        return 0;
    }
    return -1;
}
