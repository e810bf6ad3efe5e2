// The host's text room: bounded copies, case, numbers, words, codec.
#include "base/text_host.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace mdlhost {

// --- bounded copy -------------------------------------------------------------

bool copyText(char *to, size_t size, std::string_view from)
{
    if (to == nullptr || size == 0)
        return from.empty();
    size_t n = from.size() < size - 1 ? from.size() : size - 1;
    memmove(to, from.data(), n);
    to[n] = '\0';
    return n == from.size();
}

bool copyWhole(char *to, size_t size, std::string_view from)
{
    if (to == nullptr || from.size() >= size)
        return false;
    return copyText(to, size, from);
}

// --- case -------------------------------------------------------------------------

char foldCase(char c)
{
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return char(u + 32);
    return c;
}

char upperCase(char c)
{
    auto u = static_cast<unsigned char>(c);
    // 0xFF (y with diaeresis) has no upper case in ISO 8859-1, 0xF7 is the
    // division sign and 0xDF (sharp s) has none either.
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        return char(u - 32);
    return c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    return true;
}

std::string folded(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = foldCase(c);
    return out;
}

std::string upperCased(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = upperCase(c);
    return out;
}

std::string asciiUpperCased(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return out;
}

bool endsWithName(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && sameName(s.substr(s.size() - tail.size()), tail);
}

// --- numbers --------------------------------------------------------------------

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    size_t b = text.find_first_not_of(blanks);
    if (b == std::string_view::npos)
        return {};
    size_t e = text.find_last_not_of(blanks);
    return text.substr(b, e - b + 1);
}

namespace {

// The number's text without the blanks and tabs around it; "" when empty.
std::string numberText(std::string_view text)
{
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    size_t e = text.find_last_not_of(" \t");
    return std::string(text.substr(b, e - b + 1));
}

} // namespace

bool parseInt64(std::string_view text, int64_t &out, int base)
{
    std::string s = numberText(text);
    if (s.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long long v = strtoll(s.c_str(), &end, base);
    if (errno != 0 || end == s.c_str() || *end != '\0')
        return false;
    out = v;
    return true;
}

bool parseUint32(std::string_view text, uint32_t &out, int base)
{
    std::string s = numberText(text);
    // strtoull takes "-1" as a huge number; a sign is never a valid start here.
    if (s.empty() || s[0] == '-' || s[0] == '+')
        return false;
    errno = 0;
    char *end = nullptr;
    unsigned long long v = strtoull(s.c_str(), &end, base);
    if (errno != 0 || end == s.c_str() || *end != '\0' || v > 0xFFFFFFFFull)
        return false;
    out = uint32_t(v);
    return true;
}

bool parseDouble(std::string_view text, double &out)
{
    std::string s = numberText(text);
    if (s.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    double v = strtod(s.c_str(), &end);
    if (errno != 0 || end == s.c_str() || *end != '\0' || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// --- words ----------------------------------------------------------------------

bool splitQuotedWords(const char *text, std::vector<std::string> &words)
{
    std::string word;
    bool inWord = false, quoted = false;
    for (const char *p = text ? text : ""; *p; p++) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return !quoted;
}

std::vector<std::string> splitBlankWords(std::string_view text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            i++;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            i++;
        if (i > start)
            words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

bool splitEscapedWords(std::string_view text, std::vector<std::string> &words, std::string &error)
{
    words.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\r') {
            i++;
            continue;
        }
        std::string w;
        if (text[i] == '"') {
            i++;
            bool closed = false;
            while (i < text.size()) {
                char c = text[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < text.size()) {
                    char e = text[i++];
                    w.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e);
                } else {
                    w.push_back(c);
                }
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
                w.push_back(text[i++]);
        }
        words.push_back(std::move(w));
    }
    return true;
}

std::vector<std::string> splitAt(std::string_view text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(sep, start);
        parts.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

// --- codec ----------------------------------------------------------------------

std::u32string decodeUtf8(std::string_view s)
{
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int more = c < 0x80 ? 0 : c >= 0xF8 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
        bool whole = more >= 0 && s.size() - i > size_t(more);
        char32_t cp = more > 0 ? c & (0x3F >> more) : c;
        for (int k = 1; whole && k <= more; k++) {
            auto next = static_cast<unsigned char>(s[i + size_t(k)]);
            whole = (next & 0xC0) == 0x80;
            cp = cp << 6 | (next & 0x3F);
        }
        if (!whole) {
            out += U'\uFFFD';
            i++;
            continue;
        }
        out += cp;
        i += size_t(more) + 1;
    }
    return out;
}

namespace {

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string encodeUtf8(std::u32string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s)
        appendUtf8(out, c);
    return out;
}

std::string latin1ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s)
        appendUtf8(out, c);
    return out;
}

std::string utf8ToLatin1(std::string_view s, bool &substituted, char replacement)
{
    std::string out;
    out.reserve(s.size());
    substituted = false;
    // Plain ASCII, the common case, is its own ISO 8859-1 form.
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    out.append(s.substr(0, i));
    if (i == s.size())
        return out;
    for (char32_t c : decodeUtf8(s.substr(i))) {
        // U+FFFD stands for a malformed sequence: replaced as well.
        bool fits = c <= 0xFF;
        substituted = substituted || !fits;
        out += fits ? char(c) : replacement;
    }
    return out;
}

std::string utf8ToLatin1(std::string_view s, char replacement)
{
    bool ignored = false;
    return utf8ToLatin1(s, ignored, replacement);
}

std::string utf16ToUtf8(const char16_t *s, size_t n)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; i++) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            i++;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view s)
{
    std::u16string out;
    for (char32_t c : decodeUtf8(s)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    }
    return out;
}

size_t utf8Length(std::string_view s)
{
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

} // namespace mdlhost
