// Finding files along search paths, joining names from their parts, and
// copying a file into place.
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/mdlbase.h"
#include "sys/mdlsys.h"
#include "sys_int.h"

namespace mdlhost {

namespace {

bool isRegularFile(const std::string &systemPath)
{
    struct stat st;
    return stat(mappedPath(systemPath.c_str()).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// dir joined with name; dir keeps its own separator style.
std::string joined(const std::string &dir, std::string_view name)
{
    std::string path = dir;
    if (!path.empty() && !isSeparator(path.back()) && path.back() != ':')
        path += path.find('/') == std::string::npos && path.find('\\') != std::string::npos ? '\\' : '/';
    path += name;
    return path;
}

} // namespace

bool findInDirectory(const std::string &dir, std::string_view name, std::string &found)
{
    std::string path = joined(dir, name);
    if (isRegularFile(path)) {
        found = path;
        return true;
    }
    std::string local = mappedPath(dir.empty() ? "." : dir.c_str());
    DIR *d = opendir(local.empty() ? "." : local.c_str());
    if (d == nullptr)
        return false;
    bool ok = false;
    while (struct dirent *e = readdir(d)) {
        if (sameName(e->d_name, name) && isRegularFile(joined(dir, e->d_name))) {
            found = joined(dir, e->d_name);
            ok = true;
            break;
        }
    }
    closedir(d);
    return ok;
}

} // namespace mdlhost

namespace {

using mdlhost::isSeparator;

void splitList(std::string_view list, std::vector<std::string> &dirs)
{
    while (true) {
        size_t semi = list.find(';');
        std::string_view entry = mdlhost::trimmed(list.substr(0, semi));
        if (!entry.empty())
            dirs.emplace_back(entry);
        if (semi == std::string_view::npos)
            return;
        list.remove_prefix(semi + 1);
    }
}

bool looksLikeVariable(std::string_view s)
{
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return !s.empty();
}

} // namespace

std::vector<std::string> mdlhost::searchDirectories(const char *path)
{
    std::vector<std::string> entries, dirs;
    splitList(path ? path : "", entries);
    for (const std::string &entry : entries) {
        std::string value;
        if (looksLikeVariable(entry) && mdlhost::cfgLookup(entry, value)) {
            splitList(value, dirs);
            continue;
        }
        char expanded[MDLHOST_MAXFILELENGTH];
        if (mdlSystem_expandCfgVar(entry.c_str(), expanded, sizeof expanded) == 0 && expanded[0] != '\0')
            dirs.emplace_back(expanded);
    }
    return dirs;
}

namespace {
using mdlhost::searchDirectories;
} // namespace

int mdlFile_find(char *out, const char *name, const char *path, const char *defaultExt)
{
    if (out == nullptr)
        return -1;
    out[0] = '\0';
    if (name == nullptr || name[0] == '\0')
        return -1;
    char ext[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(name, nullptr, nullptr, nullptr, ext);
    std::string full = name;
    if (ext[0] == '\0' && defaultExt != nullptr && defaultExt[0] != '\0') {
        if (defaultExt[0] != '.')
            full += '.';
        full += defaultExt;
    }
    if (full.size() >= MDLHOST_MAXFILELENGTH)
        return -1;

    size_t nameAt = full.size();
    while (nameAt > 0 && !isSeparator(full[nameAt - 1]))
        nameAt--;
    bool withDirectory = nameAt > 0 || mdlhost::hasDrive(full.c_str());
    if (withDirectory && nameAt == 0)
        nameAt = 2; // "X:name"
    std::string found;
    bool ok = false;
    if (withDirectory || path == nullptr || mdlhost::trimmed(path).empty()) {
        ok = mdlhost::findInDirectory(full.substr(0, nameAt), std::string_view(full).substr(nameAt), found);
    } else {
        for (const std::string &dir : searchDirectories(path))
            if ((ok = mdlhost::findInDirectory(dir, full, found)))
                break;
    }
    if (!ok || !mdlhost::copyWhole(out, MDLHOST_MAXFILELENGTH, found))
        return -1;
    return 0;
}

int mdlFile_buildName(char *out, const char *device, const char *directory, const char *name, const char *extension)
{
    if (out == nullptr)
        return -1;
    out[0] = '\0';
    std::string r;
    if (device != nullptr && device[0] != '\0') {
        r += device;
        if (r.back() != ':')
            r += ':';
    }
    if (directory != nullptr && directory[0] != '\0') {
        std::string_view d(directory);
        r += d;
        if (!isSeparator(d.back()))
            r += d.find('/') == std::string_view::npos && d.find('\\') != std::string_view::npos ? '\\' : '/';
    }
    if (name != nullptr)
        r += name;
    if (extension != nullptr && extension[0] != '\0') {
        if (extension[0] != '.')
            r += '.';
        r += extension;
    }
    if (!mdlhost::copyWhole(out, MDLHOST_MAXFILELENGTH, r))
        return -1;
    return 0;
}

int mdlFile_copy(const char *dst, const char *src)
{
    if (dst == nullptr || src == nullptr || dst[0] == '\0' || src[0] == '\0') {
        errno = EINVAL;
        return -1;
    }
    std::string from = mdlhost::mappedPath(src), to = mdlhost::mappedPath(dst);
    struct stat a, b;
    if (stat(from.c_str(), &a) != 0)
        return -1;
    if (stat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return 0;
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return -1;
    std::string tmp = to + ".tmpXXXXXX";
    int out = mkostemp(tmp.data(), O_CLOEXEC);
    if (out < 0) {
        int e = errno;
        close(in);
        errno = e;
        return -1;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buf + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    int e = ok ? 0 : errno;
    close(in);
    if (close(out) != 0 && ok) {
        ok = false;
        e = errno;
    }
    // The copy keeps the source's permission bits, as a plain copy would.
    if (ok && (chmod(tmp.c_str(), a.st_mode & 07777) != 0 || rename(tmp.c_str(), to.c_str()) != 0)) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        unlink(tmp.c_str());
        errno = e != 0 ? e : EIO;
        return -1;
    }
    return 0;
}
