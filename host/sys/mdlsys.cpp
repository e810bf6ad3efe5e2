// Files and paths, memory, text window, message centre, wide strings and
// failure injection (configuration variables: mdlcfg.cpp; finding files:
// mdlfind.cpp).
//
//   failure injection   counters consulted by fopen, malloc, realloc
//   paths and files     drive mapping, separators, binary fopen, parseName
//   memory              malloc / realloc / free
//   text window         recorded printf, message centre
//   wide strings        char16_t <-> ISO 8859-1
#include "sys/mdlsys.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>
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

// --- paths and files --------------------------------------------------------

using mdlhost::hasDrive;
using mdlhost::isSeparator;

std::string mdlhost::mappedPath(const char *name)
{
    std::string result;
    const char *rest = name;
    if (hasDrive(name)) {
        rest = name + 2;
        char var[] = "MDLHOST_DRIVE_X";
        var[sizeof var - 2] = mdlhost::upperCase(name[0]);
        std::string dir;
        if (mdlhost::cfgLookup(var, dir) && !dir.empty()) {
            // "D:ut" and "D:\ut" both lie inside the drive's directory.
            std::string_view base = dir;
            while (base.size() > 1 && isSeparator(base.back()))
                base.remove_suffix(1);
            while (isSeparator(*rest))
                rest++;
            result.assign(base);
            if (!isSeparator(result.back()))
                result += '/';
        }
    }
    result += rest;
    for (char &c : result)
        if (c == '\\')
            c = '/';
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
    // Room for "r+" plus flags such as 'x' and 'e', and the added 'b'.
    char binMode[16];
    size_t n = 0;
    if (name == nullptr || mode == nullptr || mode[0] == '\0' || !strchr("rwa", mode[0])) {
        errno = EINVAL;
        return nullptr;
    }
    bool binary = false;
    for (const char *m = mode; *m; m++) {
        if (*m == 't') // the text flag of other platforms; files here are always binary
            continue;
        if (n + 2 >= sizeof binMode) {
            errno = EINVAL;
            return nullptr;
        }
        binary = binary || *m == 'b';
        binMode[n++] = *m;
    }
    if (!binary)
        binMode[n++] = 'b';
    binMode[n] = '\0';

    if (injectedFailure(failFopen)) {
        errno = EIO;
        return nullptr;
    }
    std::string path = mdlhost::mappedPath(name);
    return fopen(path.c_str(), binMode);
}

int dlmSystem_mdlFclose(FILE *fp)
{
    if (fp == nullptr) {
        errno = EINVAL;
        return EOF;
    }
    return fclose(fp);
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
