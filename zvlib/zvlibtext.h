// The bounded copies and the ISO 8859-1 case fold of zvlib, the application
// and the GIS build's database layer, so that "cut to fit" and "the same
// letter" mean one thing in all three.  C++ only and not exported: each
// deliverable gets its own inline copy.
#ifndef ZVLIB_TEXT_H
#define ZVLIB_TEXT_H

#include <cstddef>
#include <cstring>
#include <string_view>

namespace zvlib {

// --- bounded copy ---------------------------------------------------------------
// Copies from into to[size], cut to size - 1 bytes, always terminated (as
// snprintf with "%s" does); a null from copies "".  Size 0 or a null target:
// nothing written.  True when all of from fitted.
inline bool copyText(char *to, size_t size, std::string_view from)
{
    if (to == nullptr || size == 0)
        return false;
    size_t n = from.size() < size ? from.size() : size - 1;
    if (n > 0)
        memmove(to, from.data(), n);
    to[n] = '\0';
    return n == from.size();
}
inline bool copyText(char *to, size_t size, const char *from)
{
    return copyText(to, size, from != nullptr ? std::string_view(from) : std::string_view());
}
template <size_t N> bool copyText(char (&to)[N], const char *from) { return copyText(to, N, from); }
template <size_t N> bool copyText(char (&to)[N], std::string_view from) { return copyText(to, N, from); }

// As copyText, but a text that does not fit leaves to unchanged: false.
inline bool copyWhole(char *to, size_t size, std::string_view from)
{
    if (to == nullptr || from.size() >= size)
        return false;
    return copyText(to, size, from);
}
inline bool copyWhole(char *to, size_t size, const char *from)
{
    return copyWhole(to, size, from != nullptr ? std::string_view(from) : std::string_view());
}
template <size_t N> bool copyWhole(char (&to)[N], const char *from) { return copyWhole(to, N, from); }
template <size_t N> bool copyWhole(char (&to)[N], std::string_view from) { return copyWhole(to, N, from); }

// --- case ---------------------------------------------------------------------------
// The locale is never set, so the C library knows only the ASCII letters and
// would leave the Norwegian ones.  Capitals are A-Z and 0xC0-0xDE but the
// multiplication sign 0xD7; small letters a-z and 0xDF-0xFF but the division
// sign 0xF7, of which 0xDF and 0xFF have no capital.  Every other byte stays.
constexpr bool isLatin1Letter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}
constexpr unsigned char lowerLatin1(unsigned char c)
{
    bool capital = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    return static_cast<unsigned char>(capital ? c + 32 : c);
}
constexpr unsigned char upperLatin1(unsigned char c)
{
    bool hasCapital = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    return static_cast<unsigned char>(hasCapital ? c - 32 : c);
}
// Equal after lowerLatin1, the whole text.
inline bool sameNameLatin1(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (lowerLatin1(static_cast<unsigned char>(*a)) != lowerLatin1(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

// ASCII only, for names that must fold as the C library or a database folds
// them (table and column names, the host's file listing).
constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
constexpr char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

} // namespace zvlib

#endif
