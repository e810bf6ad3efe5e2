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

// A name for a new temporary file beside path, not used by any other
// process or call.
std::string temporaryBeside(const std::string &path);
// Removes the temporaries beside path that processes no longer running
// left (killed mid-write).
void removeStaleTemporaries(const std::string &path);
// Syncs the directory of path, so that a rename into it survives a crash.
void syncDirectoryOf(const std::string &path);

// Writing a file whole or not at all: the bytes go to a temporary file
// beside the target, renamed over it only when every write, the sync and the
// close succeeded, so a failed write never destroys the previous file.
// openReplacement creates the temporary (a file it replaces lends it its
// permissions, a new one gets mode less the umask; a symbolic link is
// followed, so the file it names is replaced) and gives its descriptor
// (close-on-exec) and name, and in target the file to replace; -1 with errno
// when the target cannot be written (a directory, no permission), -2 when
// it is no regular file (a device or pipe: write it in place).
int openReplacement(const std::string &localPath, std::string &temp, std::string &target, unsigned mode = 0666);
// Puts temp in place of target when written is true (the caller has synced
// and closed it), else removes it.  False, errno set, when it did not land.
bool commitReplacement(const std::string &temp, const std::string &target, bool written);

} // namespace mdlhost

#endif
