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

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/text_host.h"
#include "sys/mdlsys.h"
#include "sys/sys_host.h"

namespace fs = std::filesystem;

namespace rscint {

enum class ArgKind {
    Word, // bare word or number, kept as written
    Text, // quoted text, unescaped
    Code, // four-character type code, its characters
};

struct Arg {
    ArgKind kind = ArgKind::Word;
    std::string text;
};

constexpr int MAX_NESTING = 64;               // nesting of blocks; deeper input would exhaust the stack
constexpr int MAX_INCLUDE_DEPTH = 16;         // nesting of Include
// Files each including the next several times multiply: a load reads at
// most this many files, and this many bytes, counting every Include.
constexpr int MAX_INCLUDED_FILES = 1000;
constexpr size_t MAX_LOAD_BYTES = size_t(64) << 20;
constexpr size_t HEX_BYTES_PER_LINE = 64;     // bytes a hex line of a Resource holds
constexpr size_t USERPREF_RECORD_SIZE = 8468; // stored size of a remembered-file record

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
    Arg keyword;
    std::vector<Arg> args;
    bool hasBlock = false; // has a { } block, possibly empty
    std::vector<std::unique_ptr<RscNode>> children;
    std::shared_ptr<const std::string> file; // file it was read from
    int line = 0;
    // A Resource's bytes, decoded once from its hex lines.
    bool decoded = false;
    std::vector<unsigned char> data;
};

namespace rscint {

struct ReadError {
    std::string file;
    int line = 0;
    std::string message;
};

// One file as read: its own nodes and, per Include node, the file it
// brought in.
struct SourceFile {
    std::shared_ptr<const std::string> name;
    std::vector<std::unique_ptr<RscNode>> nodes;
    std::map<const RscNode *, std::unique_ptr<SourceFile>> included;
};

// Where a block or string list of the index lies.
struct Place {
    RscNode *node = nullptr;
    bool own = false; // in the file itself, not in one it includes
};

struct Index {
    std::vector<const RscNode *> all; // top-level nodes, includes in place
    std::map<int, std::map<int, const std::string *>> messages;
    std::map<std::pair<uint32_t, int32_t>, Place> blocks;
    std::map<int32_t, Place> lists;
    std::string description;
};

// An open resource file, shared by every handle on it.
struct Source {
    std::string name;      // as given to open
    std::string localPath; // local path
    std::unique_ptr<SourceFile> root;
    Index index;
    // The file on disk when it was read or last written, to tell whether a
    // later open may share this view.
    struct stat st {};
};

} // namespace rscint

struct RscFile {
    std::shared_ptr<Source> source;
    MdlDesc *owner = nullptr; // nullptr: the host-global set
    bool writable = false;    // opened read-write
};

struct StringList {
    struct Member {
        std::string text;
        std::vector<long> info;
    };
    long infoCount = 0;
    long limit = MDLHOST_STRINGLIST_MAXMEMBERS;
    std::vector<Member> members;
};

namespace rscint {

// Loaded copies handed out by mdlResource_load.
struct LoadedCopy {
    RscFile *file;
    uint32_t type;
    int32_t id;
    size_t size;
};

// mdlrsc.cpp
extern std::map<MdlDesc *, std::vector<std::unique_ptr<RscFile>>> openHandles;
extern std::set<const RscFile *> liveHandles;
extern std::map<void *, LoadedCopy> loadedCopies;
extern std::unique_ptr<RscFile> hostPrefs;
std::shared_ptr<Source> sourceFor(const std::string &name, const std::string &localPath);
bool exists(const std::string &localPath);
RscFile *liveHandle(RscFileHandle h);
std::vector<RscFile *> searchedHandles(MdlDesc *desc, RscFileHandle h, bool byHandle);

// mdlrscparse.cpp
bool argNumber(const Arg &a, long *v);
std::string localPathOf(const std::string &name);
std::string canonicalPath(const std::string &localPath);
int readSourceFile(const std::string &name, std::vector<std::string> &chain, std::unique_ptr<SourceFile> *out,
                   ReadError *error);
int buildIndex(Source &source, ReadError *error);

// mdlrscblock.cpp
void writeQuoted(std::string &out, const std::string &s);
extern int failingWrites;
bool hasWriteBit(const struct stat &st);
std::string directoryOf(const std::string &localPath);
bool mayWrite(const std::string &localPath);
int writeAtomically(const std::string &localPath, const std::string &bytes, bool mustBeNew);
int replaceAndWrite(Source &source, const RscNode *old, std::unique_ptr<RscNode> node);
Arg numberArg(long v);
Arg textArg(const std::string &s);
std::unique_ptr<RscNode> makeNode(const char *keyword);
bool toId32(long id, int32_t *out);

// Blocks and string lists are found and written alike, each in its own map
// of the index.

// The first definition stored under key in the files a lookup searches
// (searchedHandles), and the handle it was found through (from may be null).
template <class Key>
const Place *findStored(RscFileHandle handle, std::map<Key, Place> Index::*stored, const Key &key, RscFile **from)
{
    for (RscFile *f : searchedHandles(mdlSystem_getCurrMdlDesc(), handle, handle != nullptr)) {
        const auto &places = f->source->index.*stored;
        auto p = places.find(key);
        if (p != places.end()) {
            if (from)
                *from = f;
            return &p->second;
        }
    }
    return nullptr;
}

// Where a write through handle of the definition under key goes: the
// handle must be open read-write, and a definition stored there already
// must be the file's own (MDLHOST_RSC_READONLY: it comes from an included
// file) and may be replaced (MDLHOST_RSC_EXISTS).  *old is that definition,
// null when none is stored.
template <class Key>
int writeTarget(RscFileHandle handle, std::map<Key, Place> Index::*stored, const Key &key, bool replace,
                Source **source, const RscNode **old)
{
    RscFile *f = liveHandle(handle);
    if (f == nullptr)
        return MDLHOST_RSC_BADARG;
    if (!f->writable)
        return MDLHOST_RSC_READONLY;
    *source = f->source.get();
    *old = nullptr;
    const auto &places = f->source->index.*stored;
    auto p = places.find(key);
    if (p == places.end())
        return MDLHOST_RSC_OK;
    if (!p->second.own)
        return MDLHOST_RSC_READONLY;
    if (!replace)
        return MDLHOST_RSC_EXISTS;
    *old = p->second.node;
    return MDLHOST_RSC_OK;
}

} // namespace rscint

#endif
