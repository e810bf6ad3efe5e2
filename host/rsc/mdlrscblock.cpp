// Typed blocks: serialising a file, atomic replacement on disk, finding and storing blocks.
#include "rsc_int.h"

namespace rscint {
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

} // namespace rscint

namespace rscint {
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

} // namespace rscint

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
