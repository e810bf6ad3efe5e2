// The host's one text room: bounded copies, case folding, whole-text
// numbers, word splitting and the ISO 8859-1 / UTF-8 / UTF-16 codec.  Every
// host module uses these rather than a copy of its own, so "the same name"
// and "a number" mean one thing throughout the host.  Not exported.
#ifndef MDLHOST_BASE_TEXT_HOST_H
#define MDLHOST_BASE_TEXT_HOST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mdlhost {

// --- bounded copy -------------------------------------------------------------
// Copies from into to[size], cut to size - 1 bytes, always terminated (size 0
// or a null target: nothing written).  True when all of from fitted.
bool copyText(char *to, size_t size, std::string_view from);
template <size_t N> bool copyText(char (&to)[N], std::string_view from) { return copyText(to, N, from); }
// As copyText, but a text that does not fit leaves to unchanged: false.
bool copyWhole(char *to, size_t size, std::string_view from);
template <size_t N> bool copyWhole(char (&to)[N], std::string_view from) { return copyWhole(to, N, from); }

// --- case -------------------------------------------------------------------------
// Without the locale: ASCII and the ISO 8859-1 letters (0xC0-0xDE but the
// multiplication sign 0xD7) fold to lower case; every other byte stays.
char foldCase(char c);
char upperCase(char c);
// The one meaning of "the same name" in the host: equal after folding.
bool sameName(std::string_view a, std::string_view b);
std::string folded(std::string_view s);
std::string upperCased(std::string_view s);
// ASCII letters only, as the C locale folds them ("m\xE5lemetode" gives
// "M\xE5LEMETODE"): the rule of the GIS build's database layer, so names the
// host hands it (the join and table catalogues) compare byte for byte.
std::string asciiUpperCased(std::string_view s);
// True when s ends with tail, case folded.
bool endsWithName(std::string_view s, std::string_view tail);

// --- numbers --------------------------------------------------------------------
// The whole text (blanks and tabs around it allowed) is one number of the
// type, or the call fails and out is unchanged: a value is never half read.
// base as strtoll: 0 takes "0x" hexadecimal and a leading "0" as octal.
bool parseInt64(std::string_view text, int64_t &out, int base = 10);
// Unsigned 32 bits, no sign allowed.
bool parseUint32(std::string_view text, uint32_t &out, int base = 10);
// Finite values only; a decimal point, never the locale's separator.
bool parseDouble(std::string_view text, double &out);
// Value of a hexadecimal digit, -1 for any other character.
int hexDigit(char c);

// --- words ----------------------------------------------------------------------
// Words of text: blanks, tabs and line ends separate, a double-quoted part
// may hold blanks, the quotes themselves are dropped, and "" is an empty
// word.  An unclosed quote makes the text ambiguous: false (the words are
// still given, the open part running to the end).
bool splitQuotedWords(const char *text, std::vector<std::string> &words);
// Words of text separated by blanks and tabs; quotes are plain characters.
std::vector<std::string> splitBlankWords(std::string_view text);
// Words of a script step: blanks, tabs and carriage returns separate, a
// double-quoted word keeps its blanks and reads \" \\ \n \t as escapes.
// False with error set for an unclosed quote.
bool splitEscapedWords(std::string_view text, std::vector<std::string> &words, std::string &error);
// text cut at every sep; n separators give n + 1 parts.
std::vector<std::string> splitAt(std::string_view text, char sep);
// text without the blanks, tabs and line ends around it.
std::string_view trimmed(std::string_view text);

// --- codec ----------------------------------------------------------------------
// Malformed UTF-8 gives U+FFFD per byte that does not start a whole
// sequence, so a file edited by another tool still reads.
std::string latin1ToUtf8(std::string_view s);
// UTF-8 to ISO 8859-1; a character outside ISO 8859-1 (or U+FFFD from a
// malformed sequence) becomes replacement.
std::string utf8ToLatin1(std::string_view s, char replacement = '?');
// The same, telling in substituted whether any character was replaced (so a
// caller can tell a stored '?' from one the codec put there).
std::string utf8ToLatin1(std::string_view s, bool &substituted, char replacement = '?');
std::string utf16ToUtf8(const char16_t *s, size_t n);
inline std::string utf16ToUtf8(const std::u16string &s) { return utf16ToUtf8(s.data(), s.size()); }
std::u16string utf8ToUtf16(std::string_view s);
std::u32string decodeUtf8(std::string_view s);
std::string encodeUtf8(std::u32string_view s);
// Characters of a UTF-8 text (bytes that are not continuation bytes).
size_t utf8Length(std::string_view s);

} // namespace mdlhost

#endif
