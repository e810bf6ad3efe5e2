// Resource source: lexer, parser, reading files with their includes, indexing; the generic node API.
#include "rsc_int.h"

namespace rscint {
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

} // namespace rscint

namespace rscint {
// ---- files ----------------------------------------------------------------

} // namespace rscint

namespace rscint {
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

} // namespace rscint

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
