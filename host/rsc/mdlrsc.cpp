// Resource files and message lists.
//
// Sections: the reader of the text format - the per-application store -
// the entry points.
//
// A file is read whole and parsed before anything is stored, so a
// malformed file leaves no half-loaded lists behind.
#include "rsc/mdlrsc.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sys/mdlsys.h"

struct RscFile {
    std::string name;
    std::map<int, std::map<int, std::string>> lists;
    MdlDesc *owner = nullptr; // nullptr: the host-global set
};

namespace {

// ---- reader ---------------------------------------------------------------

// Grammar:  file  := { "MessageList" number "{" { number text } "}" }
//           text  := '"' { char | escape } '"'   (on one line)
class Leser {
  public:
    Leser(const std::string &bytes, RscFile &fil) : s_(bytes), fil_(fil) {}

    // 0, or -1 with feil() and linje() set.
    int les()
    {
        for (;;) {
            hoppOver();
            if (pos_ >= s_.size())
                return 0;
            std::string ord = lesOrd();
            if (ord != "MessageList")
                return sett("unknown keyword \"" + ord + "\"");
            int listeId;
            if (lesTall(&listeId) != 0)
                return -1;
            if (fil_.lists.count(listeId))
                return sett("message list " + std::to_string(listeId) + " given twice");
            auto &liste = fil_.lists[listeId];
            hoppOver();
            if (!tegn('{'))
                return sett("'{' expected");
            for (;;) {
                hoppOver();
                if (pos_ >= s_.size())
                    return sett("'}' missing at end of file");
                if (tegn('}'))
                    break;
                int nr;
                if (lesTall(&nr) != 0)
                    return -1;
                if (liste.count(nr))
                    return sett("entry " + std::to_string(nr) + " given twice");
                std::string tekst;
                if (lesTekst(&tekst) != 0)
                    return -1;
                liste.emplace(nr, std::move(tekst));
            }
        }
    }
    const std::string &feil() const { return feil_; }
    int linje() const { return linje_; }

  private:
    int sett(const std::string &hva)
    {
        feil_ = hva;
        return -1;
    }
    bool tegn(char c)
    {
        if (pos_ < s_.size() && s_[pos_] == c) {
            pos_++;
            return true;
        }
        return false;
    }
    static bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    // A token ends at white space, a brace, a quote or a comment.
    static bool slutt(char c) { return blank(c) || c == '{' || c == '}' || c == '"' || c == '#'; }

    // Skips white space and comments, counting lines.
    void hoppOver()
    {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                linje_++;
                pos_++;
            } else if (blank(c)) {
                pos_++;
            } else if (c == '#') {
                while (pos_ < s_.size() && s_[pos_] != '\n')
                    pos_++;
            } else {
                break;
            }
        }
    }
    std::string lesOrd()
    {
        size_t start = pos_;
        while (pos_ < s_.size() && !slutt(s_[pos_]))
            pos_++;
        if (pos_ == start) // a stray brace or quote
            pos_++;
        return s_.substr(start, pos_ - start);
    }
    int lesTall(int *verdi)
    {
        hoppOver();
        std::string ord = lesOrd();
        errno = 0;
        char *end = nullptr;
        long v = strtol(ord.c_str(), &end, 10);
        if (ord.empty() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX ||
            !(isdigit((unsigned char)ord[0]) || ord[0] == '-' || ord[0] == '+'))
            return sett("bad number \"" + ord + "\"");
        *verdi = (int)v;
        return 0;
    }
    int lesTekst(std::string *ut)
    {
        hoppOver();
        if (!tegn('"'))
            return sett("text expected");
        for (;;) {
            if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                return sett("unterminated text");
            char c = s_[pos_++];
            if (c == '"')
                return 0;
            if (c == '\0') // would cut the text short
                return sett("NUL byte in text");
            if (c != '\\') {
                ut->push_back(c);
                continue;
            }
            if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                return sett("unterminated text");
            char e = s_[pos_++];
            switch (e) {
            case 'n': ut->push_back('\n'); break;
            case 't': ut->push_back('\t'); break;
            case '\\': ut->push_back('\\'); break;
            case '"': ut->push_back('"'); break;
            default: {
                if (e < '0' || e > '7')
                    return sett(std::string("unknown escape \\") + e);
                int v = e - '0';
                for (int k = 1; k < 3 && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '7'; k++)
                    v = v * 8 + (s_[pos_++] - '0');
                if (v == 0 || v > 255)
                    return sett("bad octal escape");
                ut->push_back((char)v);
            }
            }
        }
    }

    const std::string &s_;
    RscFile &fil_;
    size_t pos_ = 0;
    int linje_ = 1;
    std::string feil_;
};

bool lesFil(const char *navn, std::string *bytes)
{
    FILE *fp = dlmSystem_mdlFopen(navn, "r");
    if (fp == nullptr)
        return false;
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0)
        bytes->append(buf, n);
    bool ok = !ferror(fp);
    dlmSystem_mdlFclose(fp);
    return ok;
}

// ---- store ----------------------------------------------------------------

// Files per application in opening order; the key nullptr is the
// host-global set.  Handles are checked against `levende` before use, so a
// handle closed by mdlhost_forgetResources is refused, not followed.
std::map<MdlDesc *, std::vector<std::unique_ptr<RscFile>>> filer;
std::set<const RscFile *> levende;

RscFile *aapne(MdlDesc *desc, const char *navn)
{
    std::string bytes;
    if (navn == nullptr || !lesFil(navn, &bytes)) {
        toolSubsystem_printf("Resource file %s: cannot be read\n", navn ? navn : "(null)");
        return nullptr;
    }
    auto fil = std::make_unique<RscFile>();
    fil->name = navn;
    fil->owner = desc;
    Leser leser(bytes, *fil);
    if (leser.les() != 0) {
        toolSubsystem_printf("Resource file %s, line %d: %s\n", navn, leser.linje(), leser.feil().c_str());
        return nullptr;
    }
    RscFile *p = fil.get();
    filer[desc].push_back(std::move(fil));
    levende.insert(p);
    return p;
}

const std::string *finnIFil(const RscFile &fil, int listeId, int nr)
{
    auto l = fil.lists.find(listeId);
    if (l == fil.lists.end())
        return nullptr;
    auto e = l->second.find(nr);
    return e == l->second.end() ? nullptr : &e->second;
}

const std::string *finn(MdlDesc *desc, RscFileHandle handle, int listeId, int nr)
{
    if (handle != nullptr)
        return levende.count(handle) ? finnIFil(*handle, listeId, nr) : nullptr;
    auto f = filer.find(desc);
    if (f == filer.end())
        return nullptr;
    for (auto &fil : f->second)
        if (const std::string *t = finnIFil(*fil, listeId, nr))
            return t;
    return nullptr;
}

} // namespace

// ---- entry points -----------------------------------------------------------

int mdlResource_openFile(RscFileHandle *handle, const char *fileName, int)
{
    RscFile *fil = aapne(mdlSystem_getCurrMdlDesc(), fileName);
    if (handle)
        *handle = fil;
    return fil ? 0 : -1;
}

void mdlResource_closeFile(RscFileHandle handle)
{
    if (handle == nullptr || !levende.count(handle))
        return;
    auto &liste = filer[handle->owner];
    levende.erase(handle);
    for (auto it = liste.begin(); it != liste.end(); ++it)
        if (it->get() == handle) {
            liste.erase(it);
            break;
        }
}

int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName) { return aapne(desc, fileName) ? 0 : -1; }

void mdlhost_forgetResources(MdlDesc *desc)
{
    auto f = filer.find(desc);
    if (f == filer.end())
        return;
    for (auto &fil : f->second)
        levende.erase(fil.get());
    filer.erase(f);
}

int mdlOutput_rscsVPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, va_list args)
{
    if (out == nullptr || outSize == 0)
        return 0;
    out[0] = '\0';
    const std::string *format = finn(mdlSystem_getCurrMdlDesc(), handle, listId, entry);
    if (format == nullptr)
        return 0;
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(out, outSize, format->c_str(), copy);
    va_end(copy);
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return (size_t)n < outSize ? n : (int)strlen(out);
}

int mdlOutput_rscsPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, ...)
{
    va_list ap;
    va_start(ap, entry);
    int n = mdlOutput_rscsVPrintf(out, outSize, handle, listId, entry, ap);
    va_end(ap);
    return n;
}

const char *mdlhost_messageListEntry(MdlDesc *desc, int listId, int entry)
{
    const std::string *t = finn(desc, nullptr, listId, entry);
    return t ? t->c_str() : nullptr;
}
