// Shared inside host/sys (and the host's other modules): not exported.
#ifndef MDLHOST_SYS_INT_H
#define MDLHOST_SYS_INT_H

#include <string>
#include <vector>
#include <string_view>

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

// ISO 8859-1 case folding without the locale.
char foldCase(char c);
bool equalsFolded(std::string_view a, std::string_view b);
// Words split at blanks, tabs and line ends; a double-quoted part keeps its
// blanks and "" is an empty word.  False when a quote is left open.
bool splitQuotedWords(const char *text, std::vector<std::string> &words);

// Finds dir/name on disk, the last component matched without case when the
// exact name is missing (names written on other platforms ignore case).
// Gives the name as found, in dir's own form; false when there is none.
bool findInDirectory(const std::string &dir, std::string_view name, std::string &found);

// Echo and log of the text window and the message centre.
void outputText(const char *text);
void outputMessage(int type, const char *text);

} // namespace mdlhost

#endif
