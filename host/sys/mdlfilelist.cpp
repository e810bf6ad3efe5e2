// Directory listings for file choosers and tree walks, drive entries, file
// patterns and names shortened for display.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sys/mdlsys.h"
#include "sys_int.h"

static_assert(sizeof(MdlFindEntry) == 272, "find entries keep the platform's size");

namespace {

using mdlhost::foldCase;
using mdlhost::isSeparator;

// '*' any run, '?' one character, letters without case.  Iterative with one
// backtrack point, so a pattern of many '*' cannot take exponential time.
bool matches(std::string_view name, std::string_view pattern)
{
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || foldCase(pattern[p]) == foldCase(name[n]))) {
            p++;
            n++;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        p++;
    return p == pattern.size();
}

// "*.*" means every name, as it does where the patterns come from, names
// without an extension included.
bool matchesPattern(std::string_view name, const char *pattern)
{
    if (pattern == nullptr || pattern[0] == '\0' || strcmp(pattern, "*.*") == 0)
        return true;
    return matches(name, pattern);
}

bool byName(const MdlFindEntry &a, const MdlFindEntry &b)
{
    for (size_t i = 0; a.name[i] != '\0' || b.name[i] != '\0'; i++) {
        char x = foldCase(a.name[i]), y = foldCase(b.name[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return strcmp(a.name, b.name) < 0;
}

MdlFindEntry entry(std::string_view name, uint32_t attributes, int64_t size)
{
    MdlFindEntry e{};
    mdlhost::copyText(e.name, name); // the caller keeps names that fit
    e.attributes = attributes;
    e.size = size;
    return e;
}

struct Found {
    std::vector<MdlFindEntry> directories, files;
};

// One pass over the directory; false when it cannot be read.
bool readDirectory(const char *directory, const char *pattern, Found &found)
{
    std::string local = mdlhost::mappedPath(directory == nullptr || directory[0] == '\0' ? "." : directory);
    if (local.empty())
        local = "/"; // a bare drive letter whose drive is not mapped: its root
    DIR *d = opendir(local.c_str());
    if (d == nullptr)
        return false;
    if (local.back() != '/')
        local += '/';
    while (struct dirent *e = readdir(d)) {
        std::string_view name = e->d_name;
        // A name that does not fit an entry cannot be handed on whole.
        if (name == "." || name == ".." || name.size() >= MDLHOST_FINDNAME_LEN || !matchesPattern(name, pattern))
            continue;
        std::string full = local + e->d_name;
        struct stat st, lst;
        if (stat(full.c_str(), &st) != 0)
            continue; // a dangling link names nothing
        uint32_t link = lstat(full.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) ? MDLHOST_FILEATTR_LINK : 0;
        if (S_ISDIR(st.st_mode))
            found.directories.push_back(entry(name, link, 0));
        else if (S_ISREG(st.st_mode))
            found.files.push_back(entry(name, MDLHOST_FILEATTR_FILES | link, st.st_size));
    }
    closedir(d);
    std::sort(found.directories.begin(), found.directories.end(), byName);
    std::sort(found.files.begin(), found.files.end(), byName);
    return true;
}

// The root has no parent to go up to.
bool isRoot(const char *directory)
{
    std::string local = mdlhost::mappedPath(directory == nullptr || directory[0] == '\0' ? "." : directory);
    // realpath writes up to PATH_MAX bytes, whatever the host's own limit.
    char resolved[PATH_MAX];
    return local.empty() || (realpath(local.c_str(), resolved) != nullptr && strcmp(resolved, "/") == 0);
}

} // namespace

int mdlFileList_get(MdlFindEntry **entries, int attributes, const char *pattern, const char *directory)
{
    if (entries == nullptr)
        return -1;
    *entries = nullptr;
    std::vector<MdlFindEntry> out;
    Found found;
    bool listsDirectory =
        (attributes & (MDLHOST_FILEATTR_DIRECTORIES | MDLHOST_FILEATTR_SUBDIRS | MDLHOST_FILEATTR_FILES)) != 0;
    if (listsDirectory && !readDirectory(directory, pattern, found))
        return -1;
    if (attributes & MDLHOST_FILEATTR_DIRECTORIES) {
        if (!isRoot(directory) && matchesPattern("..", pattern))
            out.push_back(entry("..", MDLHOST_FILEATTR_DIRECTORIES, 0));
        for (MdlFindEntry e : found.directories) {
            e.attributes |= MDLHOST_FILEATTR_DIRECTORIES;
            out.push_back(e);
        }
    }
    if (attributes & MDLHOST_FILEATTR_SUBDIRS)
        for (MdlFindEntry e : found.directories) {
            e.attributes |= MDLHOST_FILEATTR_SUBDIRS;
            out.push_back(e);
        }
    if (attributes & MDLHOST_FILEATTR_DRIVES) {
        for (char letter = 'A'; letter <= 'Z'; letter++) {
            char var[] = "MDLHOST_DRIVE_X";
            var[sizeof var - 2] = letter;
            std::string value;
            if (!mdlhost::cfgLookup(var, value) || value.empty())
                continue;
            char name[] = "[-x:]";
            name[2] = char(letter - 'A' + 'a');
            out.push_back(entry(name, MDLHOST_FILEATTR_DRIVES, 0));
        }
    }
    if (attributes & MDLHOST_FILEATTR_FILES)
        out.insert(out.end(), found.files.begin(), found.files.end());
    if (out.empty())
        return 0;
    auto *array = static_cast<MdlFindEntry *>(malloc(out.size() * sizeof(MdlFindEntry)));
    if (array == nullptr)
        return -1;
    memcpy(array, out.data(), out.size() * sizeof(MdlFindEntry));
    *entries = array;
    return static_cast<int>(out.size());
}

void mdlFileList_free(MdlFindEntry *entries) { free(entries); }

int mdlFile_findFiles(MdlFindEntry **entries, const char *pathPattern)
{
    if (entries == nullptr)
        return -1;
    *entries = nullptr;
    if (pathPattern == nullptr)
        return -1;
    std::string_view all = pathPattern;
    size_t cut = all.find_last_of("/\\");
    if (cut == std::string_view::npos && mdlhost::hasDrive(pathPattern))
        cut = 1; // "D:*.zer": the drive's own directory
    std::string directory = cut == std::string_view::npos ? std::string() : std::string(all.substr(0, cut + 1));
    std::string pattern(cut == std::string_view::npos ? all : all.substr(cut + 1));
    // A pattern that names no file ("dir\") would otherwise list everything.
    if (pattern.empty())
        return 0;
    return mdlFileList_get(entries, MDLHOST_FILEATTR_FILES, pattern.c_str(), directory.c_str());
}

int mdlFile_abbreviateName(char *path, int maxChars)
{
    if (path == nullptr || maxChars < 0)
        return -1;
    std::string p = path;
    if (p.size() <= static_cast<size_t>(maxChars))
        return 0;
    constexpr std::string_view dots = "...";
    std::string shortened;
    if (static_cast<size_t>(maxChars) <= dots.size()) {
        shortened = p.substr(p.size() - static_cast<size_t>(maxChars));
    } else {
        size_t room = static_cast<size_t>(maxChars) - dots.size();
        // The head: the device and the first directory, separator included.
        size_t headEnd = mdlhost::hasDrive(path) ? 2 : 0;
        if (headEnd < p.size() && isSeparator(p[headEnd]))
            headEnd++;
        size_t next = p.find_first_of("/\\", headEnd);
        std::string head = next == std::string::npos ? std::string() : p.substr(0, next + 1);
        // The tail: whole components from the end, each with its separator.
        auto tailWithin = [&p](size_t limit) {
            size_t start = p.size();
            for (;;) {
                size_t sep = start == 0 ? std::string::npos : p.find_last_of("/\\", start - 1);
                if (sep == std::string::npos || p.size() - sep > limit)
                    return start;
                start = sep;
            }
        };
        size_t tailStart = head.size() < room ? tailWithin(room - head.size()) : p.size();
        if (tailStart != p.size()) {
            shortened = head + std::string(dots) + p.substr(tailStart);
        } else if ((tailStart = tailWithin(room)) != p.size()) {
            shortened = std::string(dots) + p.substr(tailStart);
        } else {
            // Not even the name fits: its last characters.
            shortened = std::string(dots) + p.substr(p.size() - room);
        }
    }
    mdlhost::copyText(path, p.size() + 1, shortened); // shorter than what path held
    return 0;
}
