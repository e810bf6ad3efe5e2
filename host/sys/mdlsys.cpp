// Files and paths, memory, text window, message centre, wide strings and
// failure injection (configuration variables: mdlcfg.cpp; finding files:
// mdlfind.cpp).
//
//   failure injection   counters consulted by fopen, malloc, realloc
//   whole files         temporaries beside a file, renamed into place
//   paths and files     drive mapping, separators, binary fopen ("w" whole
//                       or not at all, close-on-exec), parseName
//   memory              malloc / realloc / free
//   text window         recorded printf, message centre
//   wide strings        char16_t <-> ISO 8859-1
#include "sys/mdlsys.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/mdlbase.h"
#include "sys_int.h"

// --- failure injection ------------------------------------------------------

namespace {

int failFopen = 0;
int failMalloc = 0;
int failRealloc = 0;

// Consumes one injected failure of counter; true when this call must fail.
bool injectedFailure(int &counter)
{
    if (counter <= 0)
        return false;
    counter--;
    return true;
}

} // namespace

void mdlhost_failNext(const char *entryPoint, int n)
{
    if (entryPoint == nullptr)
        return;
    std::string_view e(entryPoint);
    int count = n > 0 ? n : 0;
    if (e == "fopen")
        failFopen = count;
    else if (e == "malloc")
        failMalloc = count;
    else if (e == "realloc")
        failRealloc = count;
}

// --- whole files -----------------------------------------------------------

namespace {

struct Replacement {
    std::string temp, target;
    bool sync = true; // false for scratch files, which a crash may lose
    // Outputs run to tens of MB: a buffer this size takes a system call
    // per 256 KB instead of per 4 KB.  Freed after the stream is closed.
    std::unique_ptr<char[]> buffer;
};
const size_t kReplacementBuffer = 256 * 1024;
// Files opened "w": the temporary each writes and the file it replaces.
std::map<FILE *, Replacement> replacements;
unsigned long temporaryCounter = 0;

} // namespace

std::string mdlhost::temporaryBeside(const std::string &path)
{
    return path + ".~" + std::to_string((long)getpid()) + "-" + std::to_string(++temporaryCounter);
}

void mdlhost::removeStaleTemporaries(const std::string &path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".~";
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return;
    while (dirent *e = readdir(d)) {
        std::string_view entry(e->d_name);
        if (entry.compare(0, prefix.size(), prefix) != 0)
            continue;
        char *end = nullptr;
        long pid = strtol(e->d_name + prefix.size(), &end, 10);
        if (pid > 0 && *end == '-' && kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            unlink((dir + "/" + e->d_name).c_str());
    }
    closedir(d);
}

void mdlhost::syncDirectoryOf(const std::string &path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int d = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) { // the rename itself survives a crash
        fsync(d);
        close(d);
    }
}

int mdlhost::openReplacement(const std::string &localPath, std::string &temp, std::string &target, unsigned mode)
{
    target = localPath;
    struct stat st;
    bool existed = stat(localPath.c_str(), &st) == 0;
    if (existed) {
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return -1;
        }
        if (!S_ISREG(st.st_mode))
            return -2;
        if (access(localPath.c_str(), W_OK) != 0)
            return -1;
        struct stat link;
        char real[PATH_MAX];
        if (lstat(localPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && realpath(localPath.c_str(), real))
            target = real;
    }
    // Whatever replaces a file clears what killed runs left beside it.
    removeStaleTemporaries(target);
    for (int attempt = 0; attempt < 100; attempt++) {
        temp = temporaryBeside(target);
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, existed ? 0600 : mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd >= 0 && existed && fchmod(fd, st.st_mode & 07777) != 0) {
            int e = errno;
            close(fd);
            unlink(temp.c_str());
            errno = e;
            return -1;
        }
        return fd;
    }
    errno = EEXIST;
    return -1;
}

bool mdlhost::commitReplacement(const std::string &temp, const std::string &target, bool written)
{
    if (written && rename(temp.c_str(), target.c_str()) == 0) {
        syncDirectoryOf(target);
        return true;
    }
    int e = errno;
    unlink(temp.c_str());
    errno = e;
    return false;
}

// --- paths and files --------------------------------------------------------

using mdlhost::hasDrive;
using mdlhost::isSeparator;

std::string mdlhost::mappedPath(const char *name)
{
    if (!hasDrive(name)) {
        std::string result = name;
        for (char &c : result)
            if (c == '\\')
                c = '/';
        return result;
    }
    char var[] = "MDLHOST_DRIVE_X";
    var[sizeof var - 2] = mdlhost::upperCase(name[0]);
    std::string dir;
    if (!mdlhost::cfgLookup(var, dir) || dir.empty())
        return ""; // an unmapped drive is no place on this machine
    // "D:ut" and "D:\ut" both lie inside the drive's directory, and "..",
    // as on the platform the paths come from, stops at the drive's root.
    std::string_view base = dir;
    while (base.size() > 1 && isSeparator(base.back()))
        base.remove_suffix(1);
    std::vector<std::string_view> parts;
    std::string_view rest(name + 2);
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && !isSeparator(rest[end]))
            end++;
        std::string_view part = rest.substr(0, end);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
    }
    std::string result(base);
    for (char &c : result)
        if (c == '\\')
            c = '/';
    for (std::string_view part : parts) {
        if (result.empty() || result.back() != '/')
            result += '/';
        result += part;
    }
    // A name that ends in a separator (or is the drive alone) names a folder.
    std::string_view whole(name + 2);
    if ((whole.empty() || isSeparator(whole.back()) || parts.empty()) && result.back() != '/')
        result += '/';
    return result;
}

char *mdlhost_mapPath(char *out, size_t outSize, const char *name)
{
    if (out == nullptr || outSize == 0)
        return out;
    out[0] = '\0';
    if (name == nullptr)
        return out;
    mdlhost::copyWhole(out, outSize, mdlhost::mappedPath(name));
    return out;
}

FILE *dlmSystem_mdlFopen(const char *name, const char *mode)
{
    // Room for "r+" plus flags such as 'x' and 'e', and the added 'b' and 'e'.
    char binMode[16];
    size_t n = 0;
    if (name == nullptr || mode == nullptr || mode[0] == '\0' || !strchr("rwa", mode[0])) {
        errno = EINVAL;
        return nullptr;
    }
    bool binary = false, cloexec = false;
    for (const char *m = mode; *m; m++) {
        if (*m == 't') // the text flag of other platforms; files here are always binary
            continue;
        if (n + 3 >= sizeof binMode) {
            errno = EINVAL;
            return nullptr;
        }
        binary = binary || *m == 'b';
        cloexec = cloexec || *m == 'e';
        binMode[n++] = *m;
    }
    if (!binary)
        binMode[n++] = 'b';
    // External programs the host starts must not inherit its files.
    if (!cloexec)
        binMode[n++] = 'e';
    binMode[n] = '\0';

    if (injectedFailure(failFopen)) {
        errno = EIO;
        return nullptr;
    }
    std::string path = mdlhost::mappedPath(name);
    if (path.empty() && name[0] != '\0') {
        errno = ENODEV; // a drive without a directory
        return nullptr;
    }
    // Plain "w" replaces the file whole at close, never cut short.
    if (mode[0] == 'w' && !strpbrk(mode, "+x")) {
        std::string temp, target;
        int fd = mdlhost::openReplacement(path, temp, target);
        if (fd == -1)
            return nullptr;
        if (fd >= 0) {
            FILE *fp = fdopen(fd, "wb");
            if (fp == nullptr) {
                int e = errno;
                close(fd);
                unlink(temp.c_str());
                errno = e;
                return nullptr;
            }
            Replacement &r = replacements[fp];
            r.temp = temp;
            r.target = target;
            r.buffer.reset(new (std::nothrow) char[kReplacementBuffer]);
            if (r.buffer != nullptr)
                setvbuf(fp, r.buffer.get(), _IOFBF, kReplacementBuffer);
            return fp;
        }
    }
    return fopen(path.c_str(), binMode);
}

FILE *mdlhost_fopenRegular(const char *name)
{
    if (name == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    if (injectedFailure(failFopen)) {
        errno = EIO;
        return nullptr;
    }
    std::string path = mdlhost::mappedPath(name);
    if (path.empty()) {
        errno = name[0] != '\0' ? ENODEV : ENOENT;
        return nullptr;
    }
    // Without O_NONBLOCK a FIFO with no writer blocks the open for ever;
    // the type is known only once it is open.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st;
    int e = 0;
    if (fstat(fd, &st) != 0)
        e = errno;
    else if (!S_ISREG(st.st_mode))
        e = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
    else if (int flags = fcntl(fd, F_GETFL); flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        e = errno;
    FILE *fp = e == 0 ? fdopen(fd, "rb") : nullptr;
    if (fp == nullptr) {
        e = e != 0 ? e : errno;
        close(fd);
        errno = e;
    }
    return fp;
}

int dlmSystem_mdlFclose(FILE *fp)
{
    if (fp == nullptr) {
        errno = EINVAL;
        return EOF;
    }
    auto it = replacements.find(fp);
    if (it == replacements.end())
        return fclose(fp);
    Replacement r = std::move(it->second);
    replacements.erase(it);
    errno = 0;
    bool ok = fflush(fp) == 0 && !ferror(fp) && (!r.sync || fsync(fileno(fp)) == 0);
    int e = errno;
    if (fclose(fp) != 0) {
        ok = false;
        e = e != 0 ? e : errno;
    }
    if (!ok) // a write that failed earlier left no errno of its own
        errno = e != 0 ? e : EIO;
    return mdlhost::commitReplacement(r.temp, r.target, ok) ? 0 : EOF;
}

void mdlhost_markScratchFile(FILE *fp)
{
    auto it = replacements.find(fp);
    if (it != replacements.end())
        it->second.sync = false;
}

void mdlhost_discardFile(FILE *fp)
{
    if (fp == nullptr)
        return;
    auto it = replacements.find(fp);
    if (it == replacements.end()) {
        fclose(fp);
        return;
    }
    Replacement r = std::move(it->second); // its buffer outlives the close
    replacements.erase(it);
    fclose(fp);
    unlink(r.temp.c_str());
}

int mdlFile_parseName(const char *path, char *device, char *directory, char *name, char *extension)
{
    if (path == nullptr)
        path = "";
    const char *end = path + strlen(path);
    const char *dirStart = hasDrive(path) ? path + 2 : path;
    const char *nameStart = dirStart;
    for (const char *p = dirStart; p < end; p++)
        if (isSeparator(*p))
            nameStart = p + 1;
    const char *extStart = end;
    for (const char *p = end; p > nameStart;)
        if (*--p == '.') {
            extStart = p;
            break;
        }
    // Each part to a field of MDLHOST_MAXFILELENGTH, cut to fit.
    mdlhost::copyText(device, MDLHOST_MAXFILELENGTH, std::string_view(path, size_t(dirStart - path)));
    mdlhost::copyText(directory, MDLHOST_MAXFILELENGTH, std::string_view(dirStart, size_t(nameStart - dirStart)));
    mdlhost::copyText(name, MDLHOST_MAXFILELENGTH, std::string_view(nameStart, size_t(extStart - nameStart)));
    mdlhost::copyText(extension, MDLHOST_MAXFILELENGTH, std::string_view(extStart, size_t(end - extStart)));
    return 0;
}

// --- memory -----------------------------------------------------------------

void *dlmSystem_mdlMalloc(size_t size) { return injectedFailure(failMalloc) ? nullptr : malloc(size); }

void *dlmSystem_mdlRealloc(void *block, size_t size)
{
    // A failed realloc leaves block with the caller, as realloc itself does.
    return injectedFailure(failRealloc) ? nullptr : realloc(block, size);
}

void dlmSystem_mdlFree(void *block) { free(block); }

// --- text window and message centre -----------------------------------------

namespace {

std::string textWindow;
std::vector<std::pair<int, std::string>> messageCentre; // oldest first

} // namespace

void toolSubsystem_printf(const char *format, ...)
{
    if (format == nullptr)
        return;
    va_list ap, again;
    va_start(ap, format);
    va_copy(again, ap);
    int len = vsnprintf(nullptr, 0, format, ap);
    va_end(ap);
    if (len > 0) {
        // Formatted in place after the old text, so nothing is cut.
        size_t at = textWindow.size();
        textWindow.resize(at + size_t(len) + 1);
        vsnprintf(&textWindow[at], size_t(len) + 1, format, again);
        textWindow.resize(at + size_t(len));
        mdlhost::outputText(textWindow.c_str() + at);
    }
    va_end(again);
}

const char *mdlhost_textWindow(void) { return textWindow.c_str(); }

void mdlhost_clearTextWindow(void) { textWindow.clear(); }

void mdlOutput_messageCenter(int messageType, const char *text)
{
    messageCentre.emplace_back(messageType, text ? text : "");
    mdlhost::outputMessage(messageType, messageCentre.back().second.c_str());
}

const char *mdlhost_messageCenterText(int n, int *messageType)
{
    if (n < 0 || size_t(n) >= messageCentre.size())
        return nullptr;
    const auto &m = messageCentre[messageCentre.size() - 1 - size_t(n)];
    if (messageType)
        *messageType = m.first;
    return m.second.c_str();
}

int mdlhost_messageCenterCount(void) { return int(messageCentre.size()); }

void mdlhost_clearMessageCenter(void) { messageCentre.clear(); }

// --- wide strings -----------------------------------------------------------

int mdlCnv_convertMultibyteToUnicode(const char *mb, int mbLen, char16_t *wide, int maxChars)
{
    if (wide == nullptr || maxChars <= 0)
        return 0;
    int n = 0;
    for (; mb != nullptr && (mbLen < 0 || n < mbLen) && mb[n] != '\0' && n < maxChars - 1; n++)
        wide[n] = char16_t(static_cast<unsigned char>(mb[n]));
    wide[n] = 0;
    return n;
}

int mdlCnv_convertUnicodeToMultibyte(const char16_t *wide, int wideLen, char *mb, int maxBytes)
{
    if (mb == nullptr || maxBytes <= 0)
        return 0;
    int n = 0;
    for (int i = 0; wide != nullptr && (wideLen < 0 || i < wideLen) && wide[i] != 0 && n < maxBytes - 1; i++) {
        char16_t c = wide[i];
        // A surrogate pair is one character outside ISO 8859-1: one '?'.
        bool pair = c >= 0xD800 && c <= 0xDBFF && (wideLen < 0 || i + 1 < wideLen) && wide[i + 1] >= 0xDC00 &&
                    wide[i + 1] <= 0xDFFF;
        if (pair)
            i++;
        mb[n++] = c > 255 ? '?' : char(c);
    }
    mb[n] = '\0';
    return n;
}
