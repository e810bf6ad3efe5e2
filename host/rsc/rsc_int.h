// Resource layer internals shared by the files of host/rsc.
//
// Files: mdlrsc.cpp (store, handles, opening and closing), mdlrscparse.cpp
// (reader, indexing, node API), mdlrscblock.cpp (writer, atomic writes,
// typed blocks), mdlrscmsg.cpp (message lists), mdlrscstrlist.cpp (string
// lists), mdlrscpref.cpp (remembered file names).
//
// A file is read and checked whole before anything is stored, so a
// malformed file leaves nothing half-loaded behind.  A change is written to
// disk before it is kept in memory: a failed write leaves both the file and
// the loaded view as they were.
#ifndef MDLHOST_RSC_INT_H
#define MDLHOST_RSC_INT_H

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

namespace rscint {

enum class Slag {
    Ord,   // bare word or number, kept as written
    Tekst, // quoted text, unescaped
    Kode,  // four-character type code, its characters
};

struct Arg {
    Slag slag = Slag::Ord;
    std::string tekst;
};

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

} // namespace rscint

// Every file of the module works inside rscint.
using namespace rscint;

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

namespace rscint {

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

} // namespace rscint

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

namespace rscint {

// Loaded copies handed out by mdlResource_load.
struct Lastet {
    RscFile *fil;
    uint32_t type;
    int32_t id;
    size_t size;
};

// mdlrsc.cpp
extern std::map<MdlDesc *, std::vector<std::unique_ptr<RscFile>>> filer;
extern std::set<const RscFile *> levende;
extern std::map<void *, Lastet> lastede;
extern std::unique_ptr<RscFile> vertPreferanse;
std::shared_ptr<Kilde> hentKilde(const std::string &navn, const std::string &lokal);
bool finnes(const std::string &lokal);
RscFile *levendeHandle(RscFileHandle h);
std::vector<Kilde *> sokeliste(MdlDesc *desc, RscFileHandle h, bool medHandle);

// mdlrscparse.cpp
bool argTall(const Arg &a, long *v);
std::string lokalSti(const std::string &navn);
std::string kanonisk(const std::string &lokal);
int lesFil(const std::string &navn, std::vector<std::string> &kjede, std::unique_ptr<Fil> *ut, Feil *feil);
int indekser(Kilde &k, Feil *feil);

// mdlrscblock.cpp
void skrivTekst(std::string &ut, const std::string &s);
extern int feilSkrivinger;
bool skrivebit(const struct stat &st);
std::string katalogAv(const std::string &lokal);
bool skrivbar(const std::string &lokal);
int skrivAtomisk(const std::string &lokal, const std::string &bytes, bool ny);
int endreOgSkriv(Kilde &k, const RscNode *gammel, std::unique_ptr<RscNode> ny);
Arg tallArg(long v);
Arg tekstArg(const std::string &s);
std::unique_ptr<RscNode> lagNode(const char *ord);
bool id32(long id, int32_t *ut);
int skriveHandle(RscFileHandle handle, RscFile **ut);

} // namespace rscint

#endif
