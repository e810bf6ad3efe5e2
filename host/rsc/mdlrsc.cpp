// Resource files: reader, writer and the store behind the resource API.
//
// Sections:
//   nodes          the generic tree every definition is read into
//   reader         lexer and parser of the text format
//   files          loading a file with its includes, checking and indexing
//                  the host's own definitions
//   writer         serialising a file, atomic replacement on disk
//   store          handles per application, files shared between handles
//   entry points   files, blocks, message lists, string lists, remembered
//                  file names, generic nodes
//
// A file is read and checked whole before anything is stored, so a
// malformed file leaves nothing half-loaded behind.  A change is written to
// disk before it is kept in memory: a failed write leaves both the file and
// the loaded view as they were.
#include "rsc/mdlrsc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sys/mdlsys.h"

namespace fs = std::filesystem;

// ---- nodes ----------------------------------------------------------------

namespace {

enum class Slag {
    Ord,   // bare word or number, kept as written
    Tekst, // quoted text, unescaped
    Kode,  // four-character type code, its characters
};

struct Arg {
    Slag slag = Slag::Ord;
    std::string tekst;
};

} // namespace

struct RscNode {
    Arg ord; // the keyword
    std::vector<Arg> args;
    bool blokk = false; // has a { } block, possibly empty
    std::vector<std::unique_ptr<RscNode>> barn;
    std::shared_ptr<const std::string> fil; // file it was read from
    int linje = 0;
    // A Resource's bytes, decoded once from its hex lines.
    bool dekodet = false;
    std::vector<unsigned char> data;
};

namespace {

constexpr int MAKS_NIVAA = 64;        // nesting of blocks; deeper input would exhaust the stack
constexpr int MAKS_INKLUDERING = 16;  // nesting of Include
constexpr size_t HEX_PER_LINJE = 64;  // bytes a hex line of a Resource holds
constexpr size_t USERPREF_STORRELSE = 8468; // stored size of a remembered-file record
constexpr size_t PATH_CAP = 4096;     // local paths built by the host

// The host's own top-level words.
constexpr const char *INCLUDE = "Include";
constexpr const char *DESCRIPTION = "Description";
constexpr const char *MESSAGELIST = "MessageList";
constexpr const char *RESOURCE = "Resource";
constexpr const char *STRINGLIST = "StringList";
constexpr const char *HEX = "hex";

// Decimal or 0x hex with an optional sign, the whole text.
bool lesLong(const std::string &s, long *v)
{
    const char *p = s.c_str();
    bool minus = false;
    if (*p == '-' || *p == '+') {
        minus = *p == '-';
        p++;
    }
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (!(base == 16 ? isxdigit((unsigned char)*p) : isdigit((unsigned char)*p)))
        return false;
    errno = 0;
    char *end = nullptr;
    unsigned long long u = strtoull(p, &end, base);
    if (*end != '\0' || errno == ERANGE)
        return false;
    if (minus) {
        if (u > (unsigned long long)LONG_MAX + 1)
            return false;
        *v = u == (unsigned long long)LONG_MAX + 1 ? LONG_MIN : -(long)u;
    } else {
        if (u > (unsigned long long)LONG_MAX)
            return false;
        *v = (long)u;
    }
    return true;
}

uint32_t kodeVerdi(const std::string &k)
{
    return MDLHOST_RTYPE(k[0], k[1], k[2], k[3]);
}

bool argTall(const Arg &a, long *v)
{
    if (a.slag == Slag::Kode) {
        *v = (long)kodeVerdi(a.tekst);
        return true;
    }
    return a.slag == Slag::Ord && lesLong(a.tekst, v);
}

bool argInt32(const Arg &a, int32_t *v)
{
    long l;
    if (!argTall(a, &l) || l < INT32_MIN || l > INT32_MAX)
        return false;
    *v = (int32_t)l;
    return true;
}

bool erTall(const std::string &s)
{
    long v;
    return lesLong(s, &v);
}

// ---- reader ---------------------------------------------------------------

enum class Tok { Ord, Tekst, Kode, Venstre, Hoyre, Semi, Linjeskift, Slutt };

struct Token {
    Tok t = Tok::Slutt;
    std::string s;
    int linje = 1;
};

class Lekser {
  public:
    explicit Lekser(const std::string &bytes) : s_(bytes) {}

    // 0 with the next token, or -1 with feil() and linje() set.
    int neste(Token &ut)
    {
        hoppOver();
        ut.linje = linje_;
        ut.s.clear();
        if (pos_ >= s_.size()) {
            ut.t = Tok::Slutt;
            return 0;
        }
        char c = s_[pos_];
        switch (c) {
        case '\n':
            pos_++;
            linje_++;
            ut.t = Tok::Linjeskift;
            return 0;
        case '{': pos_++; ut.t = Tok::Venstre; return 0;
        case '}': pos_++; ut.t = Tok::Hoyre; return 0;
        case ';': pos_++; ut.t = Tok::Semi; return 0;
        case '"': ut.t = Tok::Tekst; return lesTekst(&ut.s);
        case '\'': ut.t = Tok::Kode; return lesKode(&ut.s);
        case '\0': return sett("NUL byte");
        default: break;
        }
        ut.t = Tok::Ord;
        while (pos_ < s_.size() && !slutt(s_[pos_])) {
            if (s_[pos_] == '\0')
                return sett("NUL byte");
            ut.s.push_back(s_[pos_++]);
        }
        return 0;
    }
    int linje() const { return linje_; }
    const std::string &feil() const { return feil_; }

  private:
    int sett(const std::string &hva)
    {
        feil_ = hva;
        return -1;
    }
    static bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
    // A word ends at white space, a brace, a quote, ';' or a comment.
    static bool slutt(char c)
    {
        return blank(c) || c == '\n' || c == '{' || c == '}' || c == '"' || c == ';' || c == '#';
    }
    void hoppOver()
    {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (blank(c)) {
                pos_++;
            } else if (c == '#') {
                while (pos_ < s_.size() && s_[pos_] != '\n')
                    pos_++;
            } else {
                break;
            }
        }
    }
    int lesTekst(std::string *ut)
    {
        pos_++; // the opening quote
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
    int lesKode(std::string *ut)
    {
        // 'abcd': four printable characters, no escapes.
        if (pos_ + 6 > s_.size() || s_[pos_ + 5] != '\'')
            return sett("type code of four characters expected");
        for (size_t k = 1; k <= 4; k++) {
            char c = s_[pos_ + k];
            if (c < 0x20 || c > 0x7e || c == '\'')
                return sett("type code of four characters expected");
            ut->push_back(c);
        }
        pos_ += 6;
        return 0;
    }

    const std::string &s_;
    size_t pos_ = 0;
    int linje_ = 1;
    std::string feil_;
};

class Parser {
  public:
    Parser(const std::string &bytes, std::shared_ptr<const std::string> fil) : lex_(bytes), fil_(std::move(fil)) {}

    // 0, or -1 with feil() and linje() set.
    int les(std::vector<std::unique_ptr<RscNode>> &ut) { return noder(ut, 0, false); }
    const std::string &feil() const { return feil_; }
    int linje() const { return linje_; }

  private:
    int sett(int linje, const std::string &hva)
    {
        feil_ = hva;
        linje_ = linje;
        return -1;
    }
    int kikk(const Token **t)
    {
        if (!harNeste_) {
            if (lex_.neste(neste_) != 0)
                return sett(lex_.linje(), lex_.feil());
            harNeste_ = true;
        }
        *t = &neste_;
        return 0;
    }
    void ta() { harNeste_ = false; }
    static Slag slag(Tok t) { return t == Tok::Tekst ? Slag::Tekst : t == Tok::Kode ? Slag::Kode : Slag::Ord; }
    static bool erArg(Tok t) { return t == Tok::Ord || t == Tok::Tekst || t == Tok::Kode; }

    // Nodes up to the end of the file (nivaa 0) or the closing brace.
    // oppforinger: the block of a message list, whose entries end after
    // their text so that several may share a line.
    int noder(std::vector<std::unique_ptr<RscNode>> &ut, int nivaa, bool oppforinger)
    {
        if (nivaa > MAKS_NIVAA)
            return sett(lex_.linje(), "blocks nested too deep");
        for (;;) {
            const Token *t;
            if (kikk(&t) != 0)
                return -1;
            switch (t->t) {
            case Tok::Linjeskift:
            case Tok::Semi: ta(); continue;
            case Tok::Slutt: return nivaa == 0 ? 0 : sett(t->linje, "'}' missing at end of file");
            case Tok::Hoyre:
                if (nivaa == 0)
                    return sett(t->linje, "'}' without '{'");
                ta();
                return 0;
            case Tok::Venstre: return sett(t->linje, "'{' without a definition before it");
            default: break;
            }
            if (nivaa == 0 && (t->t != Tok::Ord || erTall(t->s)))
                return sett(t->linje, "definition expected, found \"" + t->s + "\"");
            auto node = std::make_unique<RscNode>();
            node->ord = {slag(t->t), t->s};
            node->fil = fil_;
            node->linje = t->linje;
            ta();
            bool ferdig = false;
            for (;;) {
                if (kikk(&t) != 0)
                    return -1;
                if (ferdig || !erArg(t->t))
                    break;
                node->args.push_back({slag(t->t), t->s});
                ferdig = oppforinger && t->t == Tok::Tekst;
                ta();
            }
            if (!ferdig) {
                // The block may open on a later line.
                while (t->t == Tok::Linjeskift) {
                    ta();
                    if (kikk(&t) != 0)
                        return -1;
                }
                if (t->t == Tok::Venstre) {
                    ta();
                    node->blokk = true;
                    bool liste = nivaa == 0 && node->ord.tekst == MESSAGELIST;
                    if (noder(node->barn, nivaa + 1, liste) != 0)
                        return -1;
                }
            }
            ut.push_back(std::move(node));
        }
    }

    Lekser lex_;
    std::shared_ptr<const std::string> fil_;
    Token neste_;
    bool harNeste_ = false;
    std::string feil_;
    int linje_ = 0;
};

// ---- files ----------------------------------------------------------------

struct Feil {
    std::string fil;
    int linje = 0;
    std::string tekst;
};

// One file as read: its own nodes and, per Include node, the file it
// brought in.
struct Fil {
    std::shared_ptr<const std::string> navn;
    std::vector<std::unique_ptr<RscNode>> noder;
    std::map<const RscNode *, std::unique_ptr<Fil>> inkludert;
};

// Where a block or string list of the index lies.
struct Plass {
    RscNode *node = nullptr;
    bool egen = false; // in the file itself, not in one it includes
};

struct Indeks {
    std::vector<const RscNode *> alle; // top-level nodes, includes in place
    std::map<int, std::map<int, const std::string *>> meldinger;
    std::map<std::pair<uint32_t, int32_t>, Plass> blokker;
    std::map<int32_t, Plass> lister;
    std::string beskrivelse;
};

// An open resource file, shared by every handle on it.
struct Kilde {
    std::string navn;  // as given to open
    std::string lokal; // local path
    std::unique_ptr<Fil> rot;
    Indeks ix;
    // The file on disk when it was read or last written, to tell whether a
    // later open may share this view.
    struct stat st {};
};

bool lesBytes(const std::string &navn, std::string *bytes)
{
    FILE *fp = dlmSystem_mdlFopen(navn.c_str(), "r");
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

std::string lokalSti(const std::string &navn)
{
    std::vector<char> buf(PATH_CAP);
    mdlhost_mapPath(buf.data(), buf.size(), navn.c_str());
    return buf.data();
}

std::string kanonisk(const std::string &lokal)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(lokal, ec), ec);
    return ec ? lokal : p.string();
}

bool absolutt(const std::string &navn)
{
    if (navn.empty())
        return false;
    char c = navn[0];
    bool drive = ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && navn.size() > 1 && navn[1] == ':';
    return c == '/' || c == '\\' || drive;
}

// The name of an included file: configuration variables expanded, a
// relative name taken beside the including file.
bool inkluderingsNavn(const std::string &hvem, const std::string &navn, std::string *ut)
{
    std::string n = navn;
    if (n.find("$(") != std::string::npos) {
        std::vector<char> buf(PATH_CAP);
        if (mdlSystem_expandCfgVar(n.c_str(), buf.data(), (int)buf.size()) != 0)
            return false;
        n = buf.data();
    }
    if (n.empty())
        return false;
    if (!absolutt(n)) {
        size_t skille = hvem.find_last_of("/\\");
        if (skille != std::string::npos)
            n = hvem.substr(0, skille + 1) + n;
    }
    *ut = n;
    return true;
}

int lesFil(const std::string &navn, std::vector<std::string> &kjede, std::unique_ptr<Fil> *ut, Feil *feil);

// Reads the files that fil's Include nodes name.
int lesInkluderte(Fil &fil, std::vector<std::string> &kjede, Feil *feil)
{
    for (auto &n : fil.noder) {
        if (n->ord.slag != Slag::Ord || n->ord.tekst != INCLUDE)
            continue;
        if (n->args.size() != 1 || n->args[0].slag != Slag::Tekst || n->blokk) {
            *feil = {*fil.navn, n->linje, "Include takes one quoted file name"};
            return -1;
        }
        std::string navn;
        if (!inkluderingsNavn(*fil.navn, n->args[0].tekst, &navn)) {
            *feil = {*fil.navn, n->linje, "Include \"" + n->args[0].tekst + "\": bad file name"};
            return -1;
        }
        std::string k = kanonisk(lokalSti(navn));
        for (const std::string &aapen : kjede)
            if (aapen == k) {
                *feil = {*fil.navn, n->linje, "Include \"" + n->args[0].tekst + "\" forms a cycle"};
                return -1;
            }
        if ((int)kjede.size() >= MAKS_INKLUDERING) {
            *feil = {*fil.navn, n->linje, "Include \"" + n->args[0].tekst + "\" nested too deep"};
            return -1;
        }
        std::unique_ptr<Fil> barn;
        Feil indre;
        if (lesFil(navn, kjede, &barn, &indre) != 0) {
            // A file that is missing is named where it was asked for.
            if (indre.linje == 0)
                *feil = {*fil.navn, n->linje, "Include \"" + n->args[0].tekst + "\": " + navn + " cannot be read"};
            else
                *feil = indre;
            return -1;
        }
        fil.inkludert[n.get()] = std::move(barn);
    }
    return 0;
}

// Reads and parses one file and everything it includes.  A file that
// cannot be read gives feil->linje 0.
int lesFil(const std::string &navn, std::vector<std::string> &kjede, std::unique_ptr<Fil> *ut, Feil *feil)
{
    std::string bytes;
    if (!lesBytes(navn, &bytes)) {
        *feil = {navn, 0, "cannot be read"};
        return -1;
    }
    auto fil = std::make_unique<Fil>();
    fil->navn = std::make_shared<const std::string>(navn);
    Parser p(bytes, fil->navn);
    if (p.les(fil->noder) != 0) {
        *feil = {navn, p.linje(), p.feil()};
        return -1;
    }
    kjede.push_back(kanonisk(lokalSti(navn)));
    int rc = lesInkluderte(*fil, kjede, feil);
    kjede.pop_back();
    if (rc != 0)
        return -1;
    *ut = std::move(fil);
    return 0;
}

int hexVerdi(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool likUtenStorBokstav(const std::string &a, const char *b)
{
    size_t n = strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; i++)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return false;
    return true;
}

class Indekserer {
  public:
    Indekserer(Indeks &ix, Feil *feil) : ix_(ix), feil_(feil) {}

    int fil(Fil &f, bool egen)
    {
        for (auto &np : f.noder) {
            RscNode &n = *np;
            ix_.alle.push_back(&n);
            const std::string &ord = n.ord.tekst;
            int rc = 0;
            if (ord == INCLUDE) {
                auto inn = f.inkludert.find(&n);
                if (inn != f.inkludert.end())
                    rc = fil(*inn->second, false);
            } else if (ord == DESCRIPTION) {
                rc = beskrivelse(n, egen);
            } else if (ord == MESSAGELIST) {
                rc = meldingsliste(n);
            } else if (ord == RESOURCE) {
                rc = blokk(n, egen);
            } else if (ord == STRINGLIST) {
                rc = strengliste(n, egen);
            } else {
                for (const char *k : {INCLUDE, DESCRIPTION, MESSAGELIST, RESOURCE, STRINGLIST})
                    if (likUtenStorBokstav(ord, k))
                        return sett(n, "unknown keyword \"" + ord + "\" (did you mean " + k + "?)");
            }
            if (rc != 0)
                return -1;
        }
        return 0;
    }

  private:
    int sett(const RscNode &n, const std::string &hva)
    {
        *feil_ = {*n.fil, n.linje, hva};
        return -1;
    }
    int beskrivelse(const RscNode &n, bool egen)
    {
        if (n.args.size() != 1 || n.args[0].slag != Slag::Tekst || n.blokk)
            return sett(n, "Description takes one quoted text");
        if (!egen)
            return 0; // an included file's description is not the file's
        if (harBeskrivelse_)
            return sett(n, "Description given twice");
        harBeskrivelse_ = true;
        ix_.beskrivelse = n.args[0].tekst;
        return 0;
    }
    int meldingsliste(const RscNode &n)
    {
        int32_t id;
        if (n.args.size() != 1 || !argInt32(n.args[0], &id))
            return sett(n, "MessageList takes one number" +
                               (n.args.empty() ? std::string() : ", not \"" + n.args[0].tekst + "\""));
        if (!n.blokk)
            return sett(n, "'{' expected after MessageList " + n.args[0].tekst);
        if (ix_.meldinger.count(id))
            return sett(n, "message list " + std::to_string(id) + " given twice");
        auto &liste = ix_.meldinger[id];
        for (const auto &e : n.barn) {
            int32_t nr;
            if (e->ord.slag != Slag::Ord || !argInt32(e->ord, &nr))
                return sett(*e, "bad entry number \"" + e->ord.tekst + "\"");
            if (e->args.size() != 1 || e->args[0].slag != Slag::Tekst || e->blokk)
                return sett(*e, "entry " + e->ord.tekst + ": one quoted text expected");
            if (liste.count(nr))
                return sett(*e, "entry " + std::to_string(nr) + " given twice");
            liste.emplace(nr, &e->args[0].tekst);
        }
        return 0;
    }
    int blokk(RscNode &n, bool egen)
    {
        long type;
        int32_t id;
        if (n.args.size() < 2 || n.args.size() > 3 || !argTall(n.args[0], &type) || type < 0 ||
            type > (long)UINT32_MAX || !argInt32(n.args[1], &id) ||
            (n.args.size() == 3 && n.args[2].slag != Slag::Tekst))
            return sett(n, "Resource takes a type, a number and an optional quoted alias");
        if (!n.blokk)
            return sett(n, "'{' expected after Resource");
        auto nokkel = std::make_pair((uint32_t)type, id);
        if (ix_.blokker.count(nokkel))
            return sett(n, "Resource " + n.args[0].tekst + " " + n.args[1].tekst + " given twice");
        if (!n.dekodet) {
            std::vector<unsigned char> data;
            for (const auto &h : n.barn) {
                if (h->ord.tekst != HEX || h->ord.slag != Slag::Ord || h->args.size() != 1 ||
                    h->args[0].slag != Slag::Tekst || h->blokk)
                    return sett(*h, "hex \"...\" expected");
                const std::string &s = h->args[0].tekst;
                if (s.size() % 2 != 0 || s.size() > 2 * HEX_PER_LINJE)
                    return sett(*h, "a hex line holds 1 to " + std::to_string(HEX_PER_LINJE) + " whole bytes");
                for (size_t i = 0; i < s.size(); i += 2) {
                    int hi = hexVerdi(s[i]), lo = hexVerdi(s[i + 1]);
                    if (hi < 0 || lo < 0)
                        return sett(*h, "bad hex digit");
                    data.push_back((unsigned char)(hi * 16 + lo));
                }
            }
            n.data = std::move(data);
            n.dekodet = true;
        }
        ix_.blokker[nokkel] = {&n, egen};
        return 0;
    }
    int strengliste(RscNode &n, bool egen)
    {
        int32_t id;
        long felt;
        if (n.args.size() != 2 || !argInt32(n.args[0], &id) || !argTall(n.args[1], &felt) || felt < 0 ||
            felt > MDLHOST_STRINGLIST_MAXINFO)
            return sett(n, "StringList takes a number and a count of info fields (0 to " +
                               std::to_string(MDLHOST_STRINGLIST_MAXINFO) + ")");
        if (!n.blokk)
            return sett(n, "'{' expected after StringList");
        if (n.barn.size() > (size_t)MDLHOST_STRINGLIST_MAXMEMBERS)
            return sett(n, "string list has too many members");
        if (ix_.lister.count(id))
            return sett(n, "string list " + std::to_string(id) + " given twice");
        for (const auto &m : n.barn) {
            if (m->args.size() != (size_t)felt || m->blokk)
                return sett(*m, "member needs " + std::to_string(felt) + " info fields");
            for (const Arg &a : m->args) {
                long v;
                if (!argTall(a, &v))
                    return sett(*m, "info field \"" + a.tekst + "\" is not a number");
            }
        }
        ix_.lister[id] = {&n, egen};
        return 0;
    }

    Indeks &ix_;
    Feil *feil_;
    bool harBeskrivelse_ = false;
};

int indekser(Kilde &k, Feil *feil)
{
    Indeks ix;
    Indekserer ind(ix, feil);
    if (ind.fil(*k.rot, true) != 0)
        return -1;
    k.ix = std::move(ix);
    return 0;
}

// ---- writer ---------------------------------------------------------------

void skrivTekst(std::string &ut, const std::string &s)
{
    ut.push_back('"');
    for (unsigned char c : s) {
        switch (c) {
        case '\n': ut += "\\n"; break;
        case '\t': ut += "\\t"; break;
        case '\\': ut += "\\\\"; break;
        case '"': ut += "\\\""; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                char o[5];
                snprintf(o, sizeof o, "\\%03o", c);
                ut += o;
            } else {
                ut.push_back((char)c);
            }
        }
    }
    ut.push_back('"');
}

void skrivArg(std::string &ut, const Arg &a)
{
    switch (a.slag) {
    case Slag::Ord: ut += a.tekst; break;
    case Slag::Tekst: skrivTekst(ut, a.tekst); break;
    case Slag::Kode: ut += "'" + a.tekst + "'"; break;
    }
}

void skrivNode(std::string &ut, const RscNode &n, int innrykk)
{
    ut.append(4 * innrykk, ' ');
    skrivArg(ut, n.ord);
    for (const Arg &a : n.args) {
        ut.push_back(' ');
        skrivArg(ut, a);
    }
    if (n.blokk) {
        if (n.barn.empty()) {
            ut += " { }";
        } else {
            ut += " {\n";
            for (const auto &b : n.barn)
                skrivNode(ut, *b, innrykk + 1);
            ut.append(4 * innrykk, ' ');
            ut.push_back('}');
        }
    }
    ut.push_back('\n');
}

std::string serialiser(const Fil &f)
{
    std::string ut;
    for (const auto &n : f.noder)
        skrivNode(ut, *n, 0);
    return ut;
}

int feilSkrivinger = 0;  // injected write failures left
unsigned tempTeller = 0; // makes temporary names unique within the process

bool skrivebit(const struct stat &st)
{
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string katalogAv(const std::string &lokal)
{
    size_t s = lokal.find_last_of('/');
    if (s == std::string::npos)
        return ".";
    return s == 0 ? "/" : lokal.substr(0, s);
}

// Whether the host may write the file: a write bit on it (when it exists)
// and on its directory, which takes the temporary.  The bits are asked
// for themselves because the kernel lets root write anything.
bool skrivbar(const std::string &lokal)
{
    struct stat st;
    if (stat(lokal.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || !skrivebit(st) || (geteuid() != 0 && access(lokal.c_str(), W_OK) != 0))
            return false;
    }
    std::string dir = katalogAv(lokal);
    if (stat(dir.c_str(), &st) != 0 || !skrivebit(st))
        return false;
    return geteuid() == 0 || access(dir.c_str(), W_OK) == 0;
}

// Writes bytes over the file through a temporary beside it, renamed into
// place only when it was written whole.  ny: the file must not exist yet.
int skrivAtomisk(const std::string &lokal, const std::string &bytes, bool ny)
{
    struct stat gammel;
    bool fantes = stat(lokal.c_str(), &gammel) == 0;
    if (ny && fantes)
        return MDLHOST_RSC_EXISTS;
    std::string tmp = lokal + ".tmp" + std::to_string((long)getpid()) + "-" + std::to_string(++tempTeller);
    FILE *fp = dlmSystem_mdlFopen(tmp.c_str(), "wx");
    if (fp == nullptr)
        return MDLHOST_RSC_WRITEFAIL;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    ok = fflush(fp) == 0 && ok;
    ok = fsync(fileno(fp)) == 0 && ok;
    if (fantes) // the file keeps its permissions
        ok = fchmod(fileno(fp), gammel.st_mode & 07777) == 0 && ok;
    ok = dlmSystem_mdlFclose(fp) == 0 && ok;
    if (ok && feilSkrivinger > 0) {
        feilSkrivinger--;
        ok = false;
    }
    bool fantesNaa = false;
    if (ok && ny) {
        ok = link(tmp.c_str(), lokal.c_str()) == 0; // fails rather than replace a file made meanwhile
        fantesNaa = !ok && errno == EEXIST;
    } else if (ok) {
        ok = rename(tmp.c_str(), lokal.c_str()) == 0;
    }
    if (!ok || ny)
        remove(tmp.c_str());
    if (!ok)
        return fantesNaa ? MDLHOST_RSC_EXISTS : MDLHOST_RSC_WRITEFAIL;
    int d = open(katalogAv(lokal).c_str(), O_RDONLY | O_DIRECTORY);
    if (d >= 0) { // the rename itself survives a crash
        fsync(d);
        close(d);
    }
    return MDLHOST_RSC_OK;
}

// Puts ny in place of the file's own top-level node gammel (null: appends
// it), writes the file and keeps the change only when the write succeeded.
int endreOgSkriv(Kilde &k, const RscNode *gammel, std::unique_ptr<RscNode> ny)
{
    if (!skrivbar(k.lokal))
        return MDLHOST_RSC_READONLY;
    auto &noder = k.rot->noder;
    size_t pos = noder.size();
    for (size_t i = 0; gammel != nullptr && i < noder.size(); i++)
        if (noder[i].get() == gammel)
            pos = i;
    std::unique_ptr<RscNode> tatt;
    if (pos < noder.size()) {
        tatt = std::move(noder[pos]);
        noder[pos] = std::move(ny);
    } else {
        noder.push_back(std::move(ny));
    }
    int rc = skrivAtomisk(k.lokal, serialiser(*k.rot), false);
    if (rc != MDLHOST_RSC_OK) {
        if (tatt)
            noder[pos] = std::move(tatt);
        else
            noder.pop_back();
    }
    Feil feil;
    indekser(k, &feil); // the tree is valid either way
    if (rc == MDLHOST_RSC_OK)
        stat(k.lokal.c_str(), &k.st);
    return rc;
}

Arg ordArg(const std::string &s) { return {Slag::Ord, s}; }
Arg tallArg(long v) { return {Slag::Ord, std::to_string(v)}; }
Arg tekstArg(const std::string &s) { return {Slag::Tekst, s}; }

Arg typeArg(uint32_t type)
{
    std::string k;
    for (int skift = 24; skift >= 0; skift -= 8) {
        char c = (char)((type >> skift) & 0xff);
        if (c < 0x20 || c > 0x7e || c == '\'') {
            char hex[16];
            snprintf(hex, sizeof hex, "0x%08x", (unsigned)type);
            return ordArg(hex);
        }
        k.push_back(c);
    }
    return {Slag::Kode, k};
}

std::unique_ptr<RscNode> lagNode(const char *ord)
{
    auto n = std::make_unique<RscNode>();
    n->ord = ordArg(ord);
    return n;
}

std::unique_ptr<RscNode> blokkNode(uint32_t type, int32_t id, const unsigned char *data, size_t size,
                                   const char *alias)
{
    auto n = lagNode(RESOURCE);
    n->args = {typeArg(type), tallArg(id)};
    if (alias != nullptr && alias[0] != '\0')
        n->args.push_back(tekstArg(alias));
    n->blokk = true;
    static const char siffer[] = "0123456789abcdef";
    for (size_t i = 0; i < size; i += HEX_PER_LINJE) {
        std::string hex;
        for (size_t j = i; j < size && j < i + HEX_PER_LINJE; j++) {
            hex.push_back(siffer[data[j] >> 4]);
            hex.push_back(siffer[data[j] & 0xf]);
        }
        auto h = lagNode(HEX);
        h->args.push_back(tekstArg(hex));
        n->barn.push_back(std::move(h));
    }
    n->data.assign(data, data + size);
    n->dekodet = true;
    return n;
}

} // namespace

// ---- store ----------------------------------------------------------------

struct RscFile {
    std::shared_ptr<Kilde> kilde;
    MdlDesc *owner = nullptr; // nullptr: the host-global set
    bool skriv = false;       // opened read-write
};

struct StringList {
    struct Medlem {
        std::string tekst;
        std::vector<long> info;
    };
    long infoAntall = 0;
    long grense = MDLHOST_STRINGLIST_MAXMEMBERS;
    std::vector<Medlem> medlemmer;
};

namespace {

// Handles per application in opening order.  Handles are checked against
// `levende` before use, so a handle closed by mdlhost_forgetResources is
// refused, not followed.
std::map<MdlDesc *, std::vector<std::unique_ptr<RscFile>>> filer;
std::set<const RscFile *> levende;
// The first file opened for an application through mdlhost_openResourceFor.
std::map<MdlDesc *, std::shared_ptr<Kilde>> egneFiler;
// Open files by canonical local path, so handles on one file see one view.
std::map<std::string, std::weak_ptr<Kilde>> delte;

// Loaded copies handed out by mdlResource_load.
struct Lastet {
    RscFile *fil;
    uint32_t type;
    int32_t id;
    size_t size;
};
std::map<void *, Lastet> lastede;

// The host's own preference file (not among any application's files).
std::unique_ptr<RscFile> vertPreferanse;

bool sammeFil(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The loaded view of a file: shared with an open handle while the file on
// disk is unchanged, else read anew.  Null after printing the error.
std::shared_ptr<Kilde> hentKilde(const std::string &navn, const std::string &lokal)
{
    std::string nokkel = kanonisk(lokal);
    struct stat st {};
    bool harStat = stat(lokal.c_str(), &st) == 0;
    auto d = delte.find(nokkel);
    if (d != delte.end()) {
        if (auto k = d->second.lock())
            if (harStat && sammeFil(k->st, st))
                return k;
    }
    auto k = std::make_shared<Kilde>();
    k->navn = navn;
    k->lokal = lokal;
    std::vector<std::string> kjede;
    Feil feil;
    int rc = lesFil(navn, kjede, &k->rot, &feil);
    if (rc == 0)
        rc = indekser(*k, &feil);
    if (rc != 0) {
        if (feil.linje == 0)
            toolSubsystem_printf("Resource file %s: %s\n", feil.fil.c_str(), feil.tekst.c_str());
        else
            toolSubsystem_printf("Resource file %s, line %d: %s\n", feil.fil.c_str(), feil.linje,
                                 feil.tekst.c_str());
        return nullptr;
    }
    k->st = st;
    delte[nokkel] = k;
    return k;
}

bool finnes(const std::string &lokal)
{
    struct stat st;
    return stat(lokal.c_str(), &st) == 0;
}

// Opens navn for desc.  A read-write open of a missing file fails without
// a message: the caller is expected to create it.
int aapne(MdlDesc *desc, const char *navn, int modus, RscFile **ut)
{
    *ut = nullptr;
    if (modus != MDLHOST_RSC_READ && modus != MDLHOST_RSC_READWRITE)
        return MDLHOST_RSC_BADARG;
    if (navn == nullptr) {
        toolSubsystem_printf("Resource file (null): cannot be read\n");
        return MDLHOST_RSC_ERROR;
    }
    std::string lokal = lokalSti(navn);
    if (modus == MDLHOST_RSC_READWRITE) {
        if (!finnes(lokal))
            return MDLHOST_RSC_ERROR;
        if (!skrivbar(lokal))
            return MDLHOST_RSC_READONLY;
    }
    std::shared_ptr<Kilde> k = hentKilde(navn, lokal);
    if (!k)
        return MDLHOST_RSC_ERROR;
    auto h = std::make_unique<RscFile>();
    h->kilde = std::move(k);
    h->owner = desc;
    h->skriv = modus == MDLHOST_RSC_READWRITE;
    *ut = h.get();
    levende.insert(h.get());
    filer[desc].push_back(std::move(h));
    return MDLHOST_RSC_OK;
}

RscFile *levendeHandle(RscFileHandle h) { return h != nullptr && levende.count(h) ? h : nullptr; }

// The files a lookup searches: the handle's, or the current application's
// in opening order.
std::vector<Kilde *> sokeliste(MdlDesc *desc, RscFileHandle h, bool medHandle)
{
    std::vector<Kilde *> ut;
    if (medHandle) {
        if (RscFile *f = levendeHandle(h))
            ut.push_back(f->kilde.get());
        return ut;
    }
    auto f = filer.find(desc);
    if (f != filer.end())
        for (auto &fil : f->second)
            ut.push_back(fil->kilde.get());
    return ut;
}

const std::string *finnMelding(MdlDesc *desc, RscFileHandle handle, int listeId, int nr)
{
    for (Kilde *k : sokeliste(desc, handle, handle != nullptr)) {
        auto l = k->ix.meldinger.find(listeId);
        if (l == k->ix.meldinger.end())
            continue;
        auto e = l->second.find(nr);
        if (e != l->second.end())
            return e->second;
    }
    return nullptr;
}

bool id32(long id, int32_t *ut)
{
    if (id < INT32_MIN || id > INT32_MAX)
        return false;
    *ut = (int32_t)id;
    return true;
}

// The stored block and the handle it was found through.
const RscNode *finnBlokk(RscFileHandle handle, uint32_t type, long id, RscFile **fra)
{
    int32_t i;
    if (!id32(id, &i))
        return nullptr;
    std::vector<RscFile *> kandidater;
    if (handle != nullptr) {
        if (RscFile *f = levendeHandle(handle))
            kandidater.push_back(f);
    } else {
        auto f = filer.find(mdlSystem_getCurrMdlDesc());
        if (f != filer.end())
            for (auto &fil : f->second)
                kandidater.push_back(fil.get());
    }
    for (RscFile *f : kandidater) {
        auto b = f->kilde->ix.blokker.find({type, i});
        if (b != f->kilde->ix.blokker.end()) {
            if (fra)
                *fra = f;
            return b->second.node;
        }
    }
    return nullptr;
}

// Common checks of every write through handle.
int skriveHandle(RscFileHandle handle, RscFile **ut)
{
    RscFile *f = levendeHandle(handle);
    if (f == nullptr)
        return MDLHOST_RSC_BADARG;
    if (!f->skriv)
        return MDLHOST_RSC_READONLY;
    *ut = f;
    return MDLHOST_RSC_OK;
}

int lagreBlokk(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size, const char *alias,
               bool erstatt)
{
    int32_t i;
    if ((data == nullptr && size > 0) || !id32(id, &i))
        return MDLHOST_RSC_BADARG;
    RscFile *f;
    int rc = skriveHandle(handle, &f);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    Kilde &k = *f->kilde;
    const RscNode *gammel = nullptr;
    auto b = k.ix.blokker.find({type, i});
    if (b != k.ix.blokker.end()) {
        if (!b->second.egen)
            return MDLHOST_RSC_READONLY;
        if (!erstatt)
            return MDLHOST_RSC_EXISTS;
        gammel = b->second.node;
        // An alias given before stays unless a new one is given.
        if (alias == nullptr && gammel->args.size() == 3)
            alias = gammel->args[2].tekst.c_str();
    }
    std::string aliasKopi = alias ? alias : "";
    return endreOgSkriv(k, gammel,
                        blokkNode(type, i, static_cast<const unsigned char *>(data), size, aliasKopi.c_str()));
}

// The host's own preference file, opened (and created) on first use.
RscFile *vertsPreferanser(int *rc)
{
    std::vector<char> navn(PATH_CAP);
    if (mdlSystem_getCfgVar(navn.data(), "MDLHOST_USERPREF", (int)navn.size()) != 0 || navn[0] == '\0') {
        std::vector<char> hjem(PATH_CAP);
        if (mdlSystem_getCfgVar(hjem.data(), "HOME", (int)hjem.size()) != 0 || hjem[0] == '\0' ||
            mdlSystem_expandCfgVar("$(HOME)/.mdlhost.upf", navn.data(), (int)navn.size()) != 0) {
            *rc = MDLHOST_RSC_ERROR;
            return nullptr;
        }
    }
    if (vertPreferanse && vertPreferanse->kilde->navn == navn.data())
        return vertPreferanse.get();
    mdlhost_closeUserPrefs();
    std::string lokal = lokalSti(navn.data());
    if (!finnes(lokal)) {
        int c = mdlResource_createFile(navn.data(), "Host preferences", MDLHOST_RSC_READWRITE);
        if (c != MDLHOST_RSC_OK && c != MDLHOST_RSC_EXISTS) {
            *rc = c;
            return nullptr;
        }
    }
    std::shared_ptr<Kilde> k = hentKilde(navn.data(), lokal);
    if (!k) {
        *rc = MDLHOST_RSC_ERROR;
        return nullptr;
    }
    vertPreferanse = std::make_unique<RscFile>();
    vertPreferanse->kilde = std::move(k);
    vertPreferanse->skriv = skrivbar(lokal);
    levende.insert(vertPreferanse.get());
    return vertPreferanse.get();
}

RscFileHandle preferanseHandle(RscFileHandle handle, int *rc)
{
    *rc = MDLHOST_RSC_OK;
    if (handle == nullptr)
        return vertsPreferanser(rc);
    if (levendeHandle(handle) == nullptr)
        *rc = MDLHOST_RSC_BADARG;
    return levendeHandle(handle);
}

// Remembered-file record, stored little-endian field by field.
void settI32(unsigned char *p, int32_t v)
{
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; i++)
        p[i] = (unsigned char)(u >> (8 * i));
}

int32_t hentI32(const unsigned char *p)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; i++)
        u |= (uint32_t)p[i] << (8 * i);
    return (int32_t)u;
}

constexpr size_t NAVN = MDLHOST_UPREF_NAMELENGTH;
constexpr size_t HIST = MDLHOST_UPREF_HISTORY;

void kodPreferanse(const MdlUserPrefsFile &r, unsigned char *b)
{
    memset(b, 0, USERPREF_STORRELSE);
    b[0] = r.marker;
    settI32(b + 4, r.version);
    memcpy(b + 8, r.fileName, NAVN);
    memcpy(b + 8 + NAVN, r.filter, NAVN);
    memcpy(b + 8 + 2 * NAVN, r.directory, NAVN);
    unsigned char *p = b + 8 + 3 * NAVN;
    settI32(p, r.fileCount);
    settI32(p + 4, r.filterCount);
    settI32(p + 8, r.directoryCount);
    p += 12;
    memcpy(p, r.files, HIST * NAVN);
    memcpy(p + HIST * NAVN, r.filters, HIST * NAVN);
    memcpy(p + 2 * HIST * NAVN, r.directories, HIST * NAVN);
}

int32_t antall(int32_t v) { return v < 0 ? 0 : v > (int32_t)HIST ? (int32_t)HIST : v; }

void dekodPreferanse(const unsigned char *b, MdlUserPrefsFile *r)
{
    memset(r, 0, sizeof *r);
    r->marker = b[0];
    r->version = hentI32(b + 4);
    memcpy(r->fileName, b + 8, NAVN);
    memcpy(r->filter, b + 8 + NAVN, NAVN);
    memcpy(r->directory, b + 8 + 2 * NAVN, NAVN);
    const unsigned char *p = b + 8 + 3 * NAVN;
    r->fileCount = antall(hentI32(p));
    r->filterCount = antall(hentI32(p + 4));
    r->directoryCount = antall(hentI32(p + 8));
    p += 12;
    memcpy(r->files, p, HIST * NAVN);
    memcpy(r->filters, p + HIST * NAVN, HIST * NAVN);
    memcpy(r->directories, p + 2 * HIST * NAVN, HIST * NAVN);
    // Every name is read back terminated, whatever the file held.
    r->fileName[NAVN - 1] = r->filter[NAVN - 1] = r->directory[NAVN - 1] = '\0';
    for (size_t i = 0; i < HIST; i++)
        r->files[i][NAVN - 1] = r->filters[i][NAVN - 1] = r->directories[i][NAVN - 1] = '\0';
}

static_assert(sizeof(MdlUserPrefsFile) == USERPREF_STORRELSE, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, version) == 4, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, fileName) == 8, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, fileCount) == 8 + 3 * NAVN, "remembered-file record layout");
static_assert(offsetof(MdlUserPrefsFile, files) == 20 + 3 * NAVN, "remembered-file record layout");

// The string list stored under id.
const RscNode *finnListe(RscFileHandle handle, long id, bool *egen)
{
    int32_t i;
    if (!id32(id, &i))
        return nullptr;
    for (Kilde *k : sokeliste(mdlSystem_getCurrMdlDesc(), handle, handle != nullptr)) {
        auto l = k->ix.lister.find(i);
        if (l != k->ix.lister.end()) {
            if (egen)
                *egen = l->second.egen;
            return l->second.node;
        }
    }
    return nullptr;
}

std::unique_ptr<RscNode> listeNode(int32_t id, const StringList &liste)
{
    auto n = lagNode(STRINGLIST);
    n->args = {tallArg(id), tallArg(liste.infoAntall)};
    n->blokk = true;
    for (const auto &m : liste.medlemmer) {
        auto b = std::make_unique<RscNode>();
        b->ord = tekstArg(m.tekst);
        for (long v : m.info)
            b->args.push_back(tallArg(v));
        n->barn.push_back(std::move(b));
    }
    return n;
}

int lagreListe(RscFileHandle handle, long id, const StringList *liste, bool erstatt)
{
    int32_t i;
    if (liste == nullptr || !id32(id, &i))
        return MDLHOST_RSC_BADARG;
    RscFile *f;
    int rc = skriveHandle(handle, &f);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    Kilde &k = *f->kilde;
    const RscNode *gammel = nullptr;
    auto l = k.ix.lister.find(i);
    if (l != k.ix.lister.end()) {
        if (!l->second.egen)
            return MDLHOST_RSC_READONLY;
        if (!erstatt)
            return MDLHOST_RSC_EXISTS;
        gammel = l->second.node;
    } else if (erstatt) {
        return MDLHOST_RSC_NOTFOUND;
    }
    return endreOgSkriv(k, gammel, listeNode(i, *liste));
}

} // namespace

// ---- entry points: files ------------------------------------------------------

int mdlResource_openFile(RscFileHandle *handle, const char *fileName, int mode)
{
    if (handle)
        *handle = nullptr;
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    RscFile *fil = nullptr;
    int rc;
    if (fileName != nullptr) {
        rc = aapne(desc, fileName, mode, &fil);
    } else {
        // The application's own file: a new handle on the view it has.
        auto e = egneFiler.find(desc);
        if (e == egneFiler.end()) {
            toolSubsystem_printf("Resource file: the application %s has none of its own\n",
                                 mdlSystem_getMdlTaskID(desc));
            return MDLHOST_RSC_ERROR;
        }
        std::string navn = e->second->navn;
        rc = aapne(desc, navn.c_str(), mode, &fil);
    }
    if (handle)
        *handle = fil;
    return rc;
}

void mdlResource_closeFile(RscFileHandle handle)
{
    if (levendeHandle(handle) == nullptr || handle == vertPreferanse.get())
        return;
    auto &liste = filer[handle->owner];
    levende.erase(handle);
    for (auto it = liste.begin(); it != liste.end(); ++it)
        if (it->get() == handle) {
            liste.erase(it);
            break;
        }
}

int mdlResource_createFile(const char *fileName, const char *description, int)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return MDLHOST_RSC_BADARG;
    // The bits decide, as for every write (root could create anywhere).
    std::string lokal = lokalSti(fileName);
    struct stat st;
    std::string dir = katalogAv(lokal);
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !skrivebit(st) ||
        (geteuid() != 0 && access(dir.c_str(), W_OK) != 0))
        return MDLHOST_RSC_WRITEFAIL;
    std::string bytes;
    if (description != nullptr) {
        bytes = DESCRIPTION;
        bytes.push_back(' ');
        skrivTekst(bytes, description);
        bytes.push_back('\n');
    }
    return skrivAtomisk(lokal, bytes, true);
}

const char *mdlhost_rscDescription(RscFileHandle handle)
{
    RscFile *f = levendeHandle(handle);
    return f ? f->kilde->ix.beskrivelse.c_str() : "";
}

int mdlhost_openResourceFor(MdlDesc *desc, const char *fileName)
{
    RscFile *fil;
    int rc = aapne(desc, fileName, MDLHOST_RSC_READ, &fil);
    if (rc == MDLHOST_RSC_OK && !egneFiler.count(desc))
        egneFiler[desc] = fil->kilde;
    return rc == MDLHOST_RSC_OK ? 0 : -1;
}

void mdlhost_forgetResources(MdlDesc *desc)
{
    egneFiler.erase(desc);
    auto f = filer.find(desc);
    if (f == filer.end())
        return;
    for (auto &fil : f->second)
        levende.erase(fil.get());
    filer.erase(f);
}

void mdlhost_rscFailWrites(int n) { feilSkrivinger = n > 0 ? n : 0; }

// ---- entry points: typed blocks -----------------------------------------------

int mdlResource_query(RscFileHandle handle, uint32_t type, long id, size_t *size)
{
    if (handle != nullptr && levendeHandle(handle) == nullptr)
        return MDLHOST_RSC_BADARG;
    const RscNode *n = finnBlokk(handle, type, id, nullptr);
    if (n == nullptr)
        return MDLHOST_RSC_NOTFOUND;
    if (size)
        *size = n->data.size();
    return MDLHOST_RSC_OK;
}

int mdlResource_loadInto(RscFileHandle handle, uint32_t type, long id, void *buffer, size_t length)
{
    if ((buffer == nullptr && length > 0) || (handle != nullptr && levendeHandle(handle) == nullptr))
        return MDLHOST_RSC_BADARG;
    const RscNode *n = finnBlokk(handle, type, id, nullptr);
    if (n == nullptr)
        return MDLHOST_RSC_NOTFOUND;
    // Never read past the stored bytes: a shorter block is refused whole.
    if (n->data.size() < length)
        return MDLHOST_RSC_SHORT;
    if (length > 0)
        memcpy(buffer, n->data.data(), length);
    return MDLHOST_RSC_OK;
}

void *mdlResource_load(RscFileHandle handle, uint32_t type, long id, size_t *size)
{
    RscFile *fra = nullptr;
    const RscNode *n = finnBlokk(handle, type, id, &fra);
    if (n == nullptr)
        return nullptr;
    void *p = malloc(n->data.empty() ? 1 : n->data.size());
    if (p == nullptr)
        return nullptr;
    if (!n->data.empty())
        memcpy(p, n->data.data(), n->data.size());
    int32_t i;
    id32(id, &i);
    lastede[p] = {fra, type, i, n->data.size()};
    if (size)
        *size = n->data.size();
    return p;
}

void mdlResource_free(void *loaded)
{
    auto l = lastede.find(loaded);
    if (l == lastede.end())
        return;
    lastede.erase(l);
    free(loaded);
}

int mdlResource_write(void *loaded)
{
    auto l = lastede.find(loaded);
    if (l == lastede.end())
        return MDLHOST_RSC_BADARG;
    return lagreBlokk(l->second.fil, l->second.type, l->second.id, loaded, l->second.size, nullptr, true);
}

int mdlResource_add(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size, const char *alias)
{
    return lagreBlokk(handle, type, id, data, size, alias, false);
}

int mdlResource_replace(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size)
{
    return lagreBlokk(handle, type, id, data, size, nullptr, true);
}

// ---- entry points: message lists ------------------------------------------------

int mdlResource_loadFromStringList(char *out, size_t outSize, RscFileHandle handle, int listId, int entry)
{
    if (out == nullptr || outSize == 0)
        return MDLHOST_RSC_BADARG;
    out[0] = '\0';
    const std::string *t = finnMelding(mdlSystem_getCurrMdlDesc(), handle, listId, entry);
    if (t == nullptr)
        return MDLHOST_RSC_NOTFOUND;
    size_t n = t->size() < outSize ? t->size() : outSize - 1;
    memcpy(out, t->data(), n);
    out[n] = '\0';
    return MDLHOST_RSC_OK;
}

int mdlOutput_rscsVPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, va_list args)
{
    if (out == nullptr || outSize == 0)
        return 0;
    out[0] = '\0';
    const std::string *format = finnMelding(mdlSystem_getCurrMdlDesc(), handle, listId, entry);
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

int(mdlOutput_rscsPrintf)(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, ...)
{
    va_list ap;
    va_start(ap, entry);
    int n = mdlOutput_rscsVPrintf(out, outSize, handle, listId, entry, ap);
    va_end(ap);
    return n;
}

int mdlhost_rscsPrintfNoArgs(char *out, size_t outSize, RscFileHandle handle, int listId, int entry)
{
    if (out == nullptr || outSize == 0)
        return 0;
    out[0] = '\0';
    const std::string *format = finnMelding(mdlSystem_getCurrMdlDesc(), handle, listId, entry);
    if (format == nullptr)
        return 0;
    size_t n = 0;
    for (size_t i = 0; i < format->size() && n + 1 < outSize; i++) {
        char c = (*format)[i];
        if (c == '%' && i + 1 < format->size() && (*format)[i + 1] == '%')
            i++;
        out[n++] = c;
    }
    out[n] = '\0';
    return (int)n;
}

const char *mdlhost_messageListEntry(MdlDesc *desc, int listId, int entry)
{
    const std::string *t = finnMelding(desc, nullptr, listId, entry);
    return t ? t->c_str() : nullptr;
}

// ---- entry points: string lists -------------------------------------------------

StringList *mdlStringList_create(long nMembers, long nInfoFields)
{
    if (nMembers < 0 || nMembers > MDLHOST_STRINGLIST_MAXMEMBERS || nInfoFields < 0 ||
        nInfoFields > MDLHOST_STRINGLIST_MAXINFO)
        return nullptr;
    auto *l = new StringList;
    l->infoAntall = nInfoFields;
    l->medlemmer.resize((size_t)nMembers);
    for (auto &m : l->medlemmer)
        m.info.assign((size_t)nInfoFields, 0);
    return l;
}

void mdlStringList_destroy(StringList *list) { delete list; }

long mdlStringList_size(const StringList *list) { return list ? (long)list->medlemmer.size() : 0; }

long mdlStringList_infoFieldCount(const StringList *list) { return list ? list->infoAntall : 0; }

void mdlhost_stringListSetLimit(StringList *list, long maxMembers)
{
    if (list == nullptr)
        return;
    list->grense = maxMembers < 0 ? 0 : maxMembers > MDLHOST_STRINGLIST_MAXMEMBERS ? MDLHOST_STRINGLIST_MAXMEMBERS
                                                                                      : maxMembers;
}

int mdlStringList_insertMember(long *firstIndex, StringList *list, long index, long count)
{
    if (list == nullptr || count < 0)
        return MDLHOST_RSC_BADARG;
    long size = (long)list->medlemmer.size();
    if (index == -1)
        index = size;
    if (index < 0 || index > size)
        return MDLHOST_RSC_BADARG;
    if (count > list->grense - size)
        return MDLHOST_RSC_FULL;
    StringList::Medlem tom;
    tom.info.assign((size_t)list->infoAntall, 0);
    list->medlemmer.insert(list->medlemmer.begin() + index, (size_t)count, tom);
    if (firstIndex)
        *firstIndex = index;
    return MDLHOST_RSC_OK;
}

int mdlStringList_deleteMember(StringList *list, long index, long count)
{
    if (list == nullptr || index < 0 || count < 0 || index > (long)list->medlemmer.size() ||
        count > (long)list->medlemmer.size() - index)
        return MDLHOST_RSC_BADARG;
    list->medlemmer.erase(list->medlemmer.begin() + index, list->medlemmer.begin() + index + count);
    return MDLHOST_RSC_OK;
}

int mdlStringList_setMember(StringList *list, long index, const char *text, const long *infoFields)
{
    if (list == nullptr || index < 0 || index >= (long)list->medlemmer.size())
        return MDLHOST_RSC_BADARG;
    StringList::Medlem &m = list->medlemmer[(size_t)index];
    if (text != nullptr)
        m.tekst = text;
    if (infoFields != nullptr)
        m.info.assign(infoFields, infoFields + list->infoAntall);
    return MDLHOST_RSC_OK;
}

int mdlStringList_getMember(const char **text, long **infoFields, StringList *list, long index)
{
    if (list == nullptr || index < 0 || index >= (long)list->medlemmer.size())
        return MDLHOST_RSC_BADARG;
    StringList::Medlem &m = list->medlemmer[(size_t)index];
    if (text)
        *text = m.tekst.c_str();
    if (infoFields)
        *infoFields = m.info.empty() ? nullptr : m.info.data();
    return MDLHOST_RSC_OK;
}

StringList *mdlStringList_loadResource(RscFileHandle handle, long id)
{
    const RscNode *n = finnListe(handle, id, nullptr);
    if (n == nullptr)
        return nullptr;
    long felt = 0;
    argTall(n->args[1], &felt);
    auto *l = mdlStringList_create(0, felt);
    if (l == nullptr)
        return nullptr;
    for (const auto &m : n->barn) {
        StringList::Medlem medlem;
        medlem.tekst = m->ord.tekst;
        for (const Arg &a : m->args) {
            long v = 0;
            argTall(a, &v);
            medlem.info.push_back(v);
        }
        l->medlemmer.push_back(std::move(medlem));
    }
    return l;
}

int mdlStringList_addResource(RscFileHandle handle, long id, const StringList *list)
{
    return lagreListe(handle, id, list, false);
}

int mdlStringList_writeResource(RscFileHandle handle, long id, const StringList *list)
{
    return lagreListe(handle, id, list, true);
}

// ---- entry points: remembered file names ------------------------------------------

int mdlUserPrefs_getFileName(MdlUserPrefsFile *record, long dialogId, RscFileHandle handle)
{
    if (record == nullptr)
        return MDLHOST_RSC_BADARG;
    memset(record, 0, sizeof *record);
    int rc;
    RscFileHandle h = preferanseHandle(handle, &rc);
    if (h == nullptr)
        return rc;
    size_t size;
    rc = mdlResource_query(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, &size);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    if (size != USERPREF_STORRELSE)
        return MDLHOST_RSC_ERROR;
    std::vector<unsigned char> b(USERPREF_STORRELSE);
    rc = mdlResource_loadInto(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, b.data(), b.size());
    if (rc == MDLHOST_RSC_OK)
        dekodPreferanse(b.data(), record);
    return rc;
}

int mdlUserPrefs_saveFileName(const MdlUserPrefsFile *record, long dialogId, RscFileHandle handle)
{
    if (record == nullptr)
        return MDLHOST_RSC_BADARG;
    int rc;
    RscFileHandle h = preferanseHandle(handle, &rc);
    if (h == nullptr)
        return rc;
    std::vector<unsigned char> b(USERPREF_STORRELSE);
    kodPreferanse(*record, b.data());
    return mdlResource_replace(h, MDLHOST_RTYPE_USERPREFSFILE, dialogId, b.data(), b.size());
}

void mdlhost_closeUserPrefs(void)
{
    if (vertPreferanse) {
        levende.erase(vertPreferanse.get());
        vertPreferanse.reset();
    }
}

// ---- entry points: generic nodes ----------------------------------------------------

const RscNode *mdlhost_rscFind(MdlDesc *desc, const char *keyword, long id)
{
    if (keyword == nullptr)
        return nullptr;
    for (Kilde *k : sokeliste(desc, nullptr, false))
        for (const RscNode *n : k->ix.alle) {
            long v;
            if (n->ord.tekst == keyword && !n->args.empty() && argTall(n->args[0], &v) && v == id)
                return n;
        }
    return nullptr;
}

const char *mdlhost_rscKeyword(const RscNode *node) { return node ? node->ord.tekst.c_str() : ""; }

int mdlhost_rscArgCount(const RscNode *node) { return node ? (int)node->args.size() : 0; }

const char *mdlhost_rscArg(const RscNode *node, int i)
{
    if (node == nullptr || i < 0 || i >= (int)node->args.size())
        return "";
    return node->args[(size_t)i].tekst.c_str();
}

long mdlhost_rscArgLong(const RscNode *node, int i, int *ok)
{
    long v = 0;
    bool har = node != nullptr && i >= 0 && i < (int)node->args.size() && argTall(node->args[(size_t)i], &v);
    if (ok)
        *ok = har ? 1 : 0;
    return har ? v : 0;
}

int mdlhost_rscChildCount(const RscNode *node) { return node ? (int)node->barn.size() : 0; }

const RscNode *mdlhost_rscChild(const RscNode *node, int i)
{
    if (node == nullptr || i < 0 || i >= (int)node->barn.size())
        return nullptr;
    return node->barn[(size_t)i].get();
}

const char *mdlhost_rscSourceFile(const RscNode *node) { return node && node->fil ? node->fil->c_str() : ""; }

int mdlhost_rscSourceLine(const RscNode *node) { return node ? node->linje : 0; }
