// What the host's upper floors use of sys: configuration lookups and local
// paths.  Not exported.
#ifndef MDLHOST_SYS_HOST_H
#define MDLHOST_SYS_HOST_H

#include <string>
#include <string_view>
#include <vector>

namespace mdlhost {

inline bool isSeparator(char c) { return c == '/' || c == '\\'; }

// "X:" at the start of path, X a letter.
inline bool hasDrive(const char *path)
{
    char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

// The value of a configuration variable with every $(NAME) in it expanded;
// false when it is undefined, or its expansion is cyclic or too long.
bool cfgLookup(std::string_view name, std::string &value);

// The local path of a system path (drive mapped, '\' made '/').
std::string mappedPath(const char *name);

// Finds dir/name on disk, the last component matched without case when the
// exact name is missing (names written on other platforms ignore case).
// Gives the name as found, in dir's own form; false when there is none.
bool findInDirectory(const std::string &dir, std::string_view name, std::string &found);

// The directories of a search path ("a;b;MS_MDL"); an entry that names a
// configuration variable stands for the directories of its value.
std::vector<std::string> searchDirectories(const char *path);

} // namespace mdlhost

#endif
