// Configuration variables: definitions by level over the process
// environment, $(NAME) expansion at use, and configuration files.
//
//   store        raw values per level; the environment lies below all levels
//   expansion    nested, cycle-checked and bounded
//   files        "NAME = value" lines (also "NAME > dir" and "NAME < dir")
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sys/mdlsys.h"
#include "sys_int.h"

namespace {

constexpr int kLevels = MDLHOST_CFGLEVEL_USER + 1;

// A reference chain deeper than this is taken for a cycle through values
// that differ only by what they build.
constexpr size_t kMaxDepth = 16;
// Values that each refer to the next one several times grow the work
// exponentially with depth even when they expand to nothing.
constexpr int kMaxReferences = 10000;
// Longest expansion the host builds for itself (paths, search lists).
constexpr size_t kMaxExpanded = 65536;

using Level = std::map<std::string, std::string, std::less<>>;
std::array<Level, kLevels> levels;

std::optional<std::string_view> rawValue(std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    for (int l = kLevels - 1; l >= 0; l--)
        if (auto it = levels[size_t(l)].find(name); it != levels[size_t(l)].end())
            return std::string_view(it->second);
    if (const char *env = getenv(std::string(name).c_str()))
        return std::string_view(env);
    return std::nullopt;
}

struct Expansion {
    explicit Expansion(size_t limitChars) : limit(limitChars) {}
    size_t limit;
    int references = 0;
    std::vector<std::string_view> active; // names being expanded, outermost first
    std::string why;                      // why the expansion failed
};

// Appends text with its references expanded; false when a reference is
// cyclic, too deep or too many, or the result passes the limit.
bool expandInto(std::string_view text, std::string &out, Expansion &x)
{
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '$' && i + 1 < text.size() && text[i + 1] == '(') {
            size_t close = text.find(')', i + 2);
            if (close != std::string_view::npos && close > i + 2) {
                std::string_view name = text.substr(i + 2, close - i - 2);
                if (++x.references > kMaxReferences) {
                    x.why = "more than " + std::to_string(kMaxReferences) + " references";
                    return false;
                }
                if (std::find(x.active.begin(), x.active.end(), name) != x.active.end()) {
                    x.why = "$(" + std::string(name) + ") refers to itself";
                    return false;
                }
                if (x.active.size() >= kMaxDepth) {
                    x.why = "references nested deeper than " + std::to_string(kMaxDepth);
                    return false;
                }
                if (auto value = rawValue(name)) {
                    x.active.push_back(name);
                    bool ok = expandInto(*value, out, x);
                    x.active.pop_back();
                    if (!ok)
                        return false;
                }
                i = close + 1;
                continue;
            }
        }
        // "$(" without a name or a closing ')' is text, as written.
        if (out.size() >= x.limit) {
            x.why = "longer than " + std::to_string(x.limit) + " characters";
            return false;
        }
        out += text[i++];
    }
    return true;
}

} // namespace

namespace mdlhost {

bool cfgLookup(std::string_view name, std::string &value)
{
    value.clear();
    auto raw = rawValue(name);
    if (!raw)
        return false;
    Expansion x(kMaxExpanded);
    x.active.push_back(name);
    if (expandInto(*raw, value, x))
        return true;
    // Said once per variable and cause: a defined variable that reads as
    // undefined would send the search for the fault elsewhere.
    static std::set<std::string> said;
    std::string key = std::string(name);
    if (said.insert(key + "\n" + x.why).second)
        toolSubsystem_printf("Configuration variable %s cannot be expanded: %s\n", key.c_str(), x.why.c_str());
    value.clear();
    return false;
}

} // namespace mdlhost

int mdlSystem_getCfgVar(char *out, const char *name, int outSize)
{
    if (out == nullptr || outSize <= 0)
        return -1;
    out[0] = '\0';
    std::string v;
    // A cut value would name another directory or file; refuse it whole.
    if (name == nullptr || !mdlhost::cfgLookup(name, v) || !mdlhost::copyWhole(out, size_t(outSize), v))
        return -1;
    return 0;
}

int mdlSystem_defineConfigurationVariable(const char *name, const char *value, int level)
{
    if (name == nullptr || name[0] == '\0' || level < 0 || level >= kLevels)
        return -1;
    if (value == nullptr)
        levels[size_t(level)].erase(std::string(name));
    else
        levels[size_t(level)][name] = value;
    return 0;
}

int mdlSystem_defineCfgVar(const char *name, const char *value)
{
    if (name == nullptr || name[0] == '\0')
        return -1;
    if (value != nullptr)
        return mdlSystem_defineConfigurationVariable(name, value, MDLHOST_CFGLEVEL_USER);
    for (Level &l : levels)
        l.erase(std::string(name));
    return 0;
}

int mdlSystem_expandCfgVar(const char *in, char *out, int outSize)
{
    if (out == nullptr || outSize <= 0)
        return -1;
    out[0] = '\0';
    if (in == nullptr)
        return 0;
    std::string result;
    Expansion x(size_t(outSize) - 1);
    if (!expandInto(in, result, x))
        return -1;
    mdlhost::copyText(out, size_t(outSize), result); // the expansion kept to outSize - 1
    return 0;
}

// --- configuration files ----------------------------------------------------

namespace {

bool validName(std::string_view name)
{
    if (name.empty())
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// One "NAME op value" line; false when it is malformed.
bool defineFromLine(std::string_view line, int level)
{
    size_t op = line.find_first_of("=<>");
    if (op == std::string_view::npos)
        return false;
    std::string name(mdlhost::trimmed(line.substr(0, op)));
    std::string value(mdlhost::trimmed(line.substr(op + 1)));
    if (!validName(name))
        return false;
    // '>' appends and '<' prepends a directory to the search list visible now.
    auto old = rawValue(name);
    if (line[op] != '=' && old && !old->empty())
        value = value.empty() ? std::string(*old)
                : line[op] == '>' ? std::string(*old) + ";" + value
                                  : value + ";" + std::string(*old);
    Level &l = levels[size_t(level)];
    l[name] = value;
    return true;
}

} // namespace

int mdlhost_readConfigFile(const char *fileName, int level)
{
    if (fileName == nullptr || level < 0 || level >= kLevels)
        return -1;
    FILE *fp = dlmSystem_mdlFopen(fileName, "r");
    if (fp == nullptr)
        return -1;
    int bad = 0;
    int lineNo = 0;
    std::string line;
    for (int c = 0; c != EOF;) {
        line.clear();
        // Lines of any length: a value cut at a buffer size would be another
        // path.  LF, CR LF and a lone CR each end a line.
        while ((c = fgetc(fp)) != EOF && c != '\n' && c != '\r')
            line += char(c);
        if (c == '\r' && (c = fgetc(fp)) != '\n' && c != EOF)
            ungetc(c, fp);
        if (c == EOF && line.empty())
            break;
        lineNo++;
        std::string_view t = mdlhost::trimmed(line);
        if (t.empty() || t.front() == '#')
            continue;
        if (!defineFromLine(t, level)) {
            bad++;
            toolSubsystem_printf("%s:%d: not a definition: %s\n", fileName, lineNo, std::string(t).c_str());
        }
    }
    // A directory opens, then fails at the first read: nothing read is no
    // empty configuration.
    bool failed = ferror(fp) != 0;
    int e = errno;
    fclose(fp);
    errno = e;
    return failed ? -1 : bad;
}
