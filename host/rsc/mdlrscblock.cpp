// Typed blocks: serialising a file, atomic replacement on disk, finding and storing blocks.
#include "rsc_int.h"

namespace rscint {
// ---- writer ---------------------------------------------------------------

void writeQuoted(std::string &out, const std::string &s)
{
    out.push_back('"');
    for (unsigned char c : s) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                char o[5];
                snprintf(o, sizeof o, "\\%03o", c);
                out += o;
            } else {
                out.push_back((char)c);
            }
        }
    }
    out.push_back('"');
}

void writeArg(std::string &out, const Arg &a)
{
    switch (a.kind) {
    case ArgKind::Word: out += a.text; break;
    case ArgKind::Text: writeQuoted(out, a.text); break;
    case ArgKind::Code: out += "'" + a.text + "'"; break;
    }
}

void writeNode(std::string &out, const RscNode &n, int indent)
{
    out.append(4 * indent, ' ');
    writeArg(out, n.keyword);
    for (const Arg &a : n.args) {
        out.push_back(' ');
        writeArg(out, a);
    }
    if (n.hasBlock) {
        if (n.children.empty()) {
            out += " { }";
        } else {
            out += " {\n";
            for (const auto &c : n.children)
                writeNode(out, *c, indent + 1);
            out.append(4 * indent, ' ');
            out.push_back('}');
        }
    }
    out.push_back('\n');
}

std::string serialize(const SourceFile &f)
{
    std::string out;
    for (const auto &n : f.nodes)
        writeNode(out, *n, 0);
    return out;
}

int failingWrites = 0;     // injected write failures left

bool hasWriteBit(const struct stat &st)
{
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string directoryOf(const std::string &localPath)
{
    size_t s = localPath.find_last_of('/');
    if (s == std::string::npos)
        return ".";
    return s == 0 ? "/" : localPath.substr(0, s);
}

// Whether the host may write the file: a write bit on it (when it exists)
// and on its directory, which takes the temporary.  The bits are asked
// for themselves because the kernel lets root write anything.
bool mayWrite(const std::string &localPath)
{
    struct stat st;
    if (stat(localPath.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || !hasWriteBit(st) || (geteuid() != 0 && access(localPath.c_str(), W_OK) != 0))
            return false;
    }
    std::string dir = directoryOf(localPath);
    if (stat(dir.c_str(), &st) != 0 || !hasWriteBit(st))
        return false;
    return geteuid() == 0 || access(dir.c_str(), W_OK) == 0;
}

// Writes bytes over the file through a temporary beside it, renamed into
// place only when it was written whole.  mustBeNew: the file must not exist
// yet.
int writeAtomically(const std::string &localPath, const std::string &bytes, bool mustBeNew)
{
    struct stat old;
    bool existed = stat(localPath.c_str(), &old) == 0;
    if (mustBeNew && existed)
        return MDLHOST_RSC_EXISTS;
    mdlhost::removeStaleTemporaries(localPath);
    std::string tmp = mdlhost::temporaryBeside(localPath);
    FILE *fp = dlmSystem_mdlFopen(tmp.c_str(), "wx");
    if (fp == nullptr)
        return MDLHOST_RSC_WRITEFAIL;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    ok = fflush(fp) == 0 && ok;
    ok = fsync(fileno(fp)) == 0 && ok;
    if (existed) // the file keeps its permissions
        ok = fchmod(fileno(fp), old.st_mode & 07777) == 0 && ok;
    ok = dlmSystem_mdlFclose(fp) == 0 && ok;
    if (ok && failingWrites > 0) {
        failingWrites--;
        ok = false;
    }
    bool madeMeanwhile = false;
    if (ok && mustBeNew) {
        ok = link(tmp.c_str(), localPath.c_str()) == 0; // fails rather than replace a file made meanwhile
        madeMeanwhile = !ok && errno == EEXIST;
    } else if (ok) {
        ok = rename(tmp.c_str(), localPath.c_str()) == 0;
    }
    if (!ok || mustBeNew)
        remove(tmp.c_str());
    if (!ok)
        return madeMeanwhile ? MDLHOST_RSC_EXISTS : MDLHOST_RSC_WRITEFAIL;
    mdlhost::syncDirectoryOf(localPath);
    return MDLHOST_RSC_OK;
}

// Puts node in place of the file's own top-level node old (null: appends
// it), writes the file and keeps the change only when the write succeeded.
int replaceAndWrite(Source &source, const RscNode *old, std::unique_ptr<RscNode> node)
{
    if (!mayWrite(source.localPath))
        return MDLHOST_RSC_READONLY;
    auto &nodes = source.root->nodes;
    size_t pos = nodes.size();
    for (size_t i = 0; old != nullptr && i < nodes.size(); i++)
        if (nodes[i].get() == old)
            pos = i;
    std::unique_ptr<RscNode> taken;
    if (pos < nodes.size()) {
        taken = std::move(nodes[pos]);
        nodes[pos] = std::move(node);
    } else {
        nodes.push_back(std::move(node));
    }
    int rc = writeAtomically(source.localPath, serialize(*source.root), false);
    if (rc != MDLHOST_RSC_OK) {
        if (taken)
            nodes[pos] = std::move(taken);
        else
            nodes.pop_back();
    }
    ReadError error;
    buildIndex(source, &error); // the tree is valid either way
    if (rc == MDLHOST_RSC_OK)
        stat(source.localPath.c_str(), &source.st);
    return rc;
}

Arg wordArg(const std::string &s) { return {ArgKind::Word, s}; }
Arg numberArg(long v) { return {ArgKind::Word, std::to_string(v)}; }
Arg textArg(const std::string &s) { return {ArgKind::Text, s}; }

Arg typeArg(uint32_t type)
{
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = (char)((type >> shift) & 0xff);
        if (c < 0x20 || c > 0x7e || c == '\'') {
            char hex[16];
            snprintf(hex, sizeof hex, "0x%08x", (unsigned)type);
            return wordArg(hex);
        }
        code.push_back(c);
    }
    return {ArgKind::Code, code};
}

std::unique_ptr<RscNode> makeNode(const char *keyword)
{
    auto n = std::make_unique<RscNode>();
    n->keyword = wordArg(keyword);
    return n;
}

std::unique_ptr<RscNode> blockNode(uint32_t type, int32_t id, const unsigned char *data, size_t size,
                                   const char *alias)
{
    auto n = makeNode(RESOURCE);
    n->args = {typeArg(type), numberArg(id)};
    if (alias != nullptr && alias[0] != '\0')
        n->args.push_back(textArg(alias));
    n->hasBlock = true;
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < size; i += HEX_BYTES_PER_LINE) {
        std::string hex;
        for (size_t j = i; j < size && j < i + HEX_BYTES_PER_LINE; j++) {
            hex.push_back(digits[data[j] >> 4]);
            hex.push_back(digits[data[j] & 0xf]);
        }
        auto h = makeNode(HEX);
        h->args.push_back(textArg(hex));
        n->children.push_back(std::move(h));
    }
    n->data.assign(data, data + size);
    n->decoded = true;
    return n;
}

} // namespace rscint

namespace rscint {
bool toId32(long id, int32_t *out)
{
    if (id < INT32_MIN || id > INT32_MAX)
        return false;
    *out = (int32_t)id;
    return true;
}

// The stored block and the handle it was found through.
const RscNode *findBlock(RscFileHandle handle, uint32_t type, long id, RscFile **from)
{
    int32_t i;
    if (!toId32(id, &i))
        return nullptr;
    const Place *p = findStored(handle, &Index::blocks, {type, i}, from);
    return p ? p->node : nullptr;
}

// The block a read call works on: MDLHOST_RSC_BADARG for a closed handle,
// MDLHOST_RSC_NOTFOUND when none is stored.
int storedBlock(RscFileHandle handle, uint32_t type, long id, const RscNode **node)
{
    if (handle != nullptr && liveHandle(handle) == nullptr)
        return MDLHOST_RSC_BADARG;
    *node = findBlock(handle, type, id, nullptr);
    return *node ? MDLHOST_RSC_OK : MDLHOST_RSC_NOTFOUND;
}

int storeBlock(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size, const char *alias,
               bool replace)
{
    int32_t i;
    if ((data == nullptr && size > 0) || !toId32(id, &i))
        return MDLHOST_RSC_BADARG;
    Source *src = nullptr;
    const RscNode *old = nullptr;
    int rc = writeTarget(handle, &Index::blocks, {type, i}, replace, &src, &old);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    // An alias given before stays unless a new one is given.
    if (alias == nullptr && old != nullptr && old->args.size() == 3)
        alias = old->args[2].text.c_str();
    std::string aliasCopy = alias ? alias : "";
    return replaceAndWrite(*src, old,
                           blockNode(type, i, static_cast<const unsigned char *>(data), size, aliasCopy.c_str()));
}

} // namespace rscint

// ---- entry points: typed blocks -----------------------------------------------

int mdlResource_query(RscFileHandle handle, uint32_t type, long id, size_t *size)
{
    const RscNode *n;
    int rc = storedBlock(handle, type, id, &n);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    if (size)
        *size = n->data.size();
    return MDLHOST_RSC_OK;
}

int mdlResource_loadInto(RscFileHandle handle, uint32_t type, long id, void *buffer, size_t length)
{
    if (buffer == nullptr && length > 0)
        return MDLHOST_RSC_BADARG;
    const RscNode *n;
    int rc = storedBlock(handle, type, id, &n);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    // Never read past the stored bytes: a shorter block is refused whole.
    if (n->data.size() < length)
        return MDLHOST_RSC_SHORT;
    if (length > 0)
        memcpy(buffer, n->data.data(), length);
    return MDLHOST_RSC_OK;
}

void *mdlResource_load(RscFileHandle handle, uint32_t type, long id, size_t *size)
{
    RscFile *from = nullptr;
    const RscNode *n = findBlock(handle, type, id, &from);
    if (n == nullptr)
        return nullptr;
    void *p = malloc(n->data.empty() ? 1 : n->data.size());
    if (p == nullptr)
        return nullptr;
    if (!n->data.empty())
        memcpy(p, n->data.data(), n->data.size());
    int32_t i = 0; // the id fits: findBlock found the block under it
    toId32(id, &i);
    loadedCopies[p] = {from, type, i, n->data.size()};
    if (size)
        *size = n->data.size();
    return p;
}

void mdlResource_free(void *loaded)
{
    auto l = loadedCopies.find(loaded);
    if (l == loadedCopies.end())
        return;
    loadedCopies.erase(l);
    free(loaded);
}

int mdlResource_write(void *loaded)
{
    auto l = loadedCopies.find(loaded);
    if (l == loadedCopies.end())
        return MDLHOST_RSC_BADARG;
    return storeBlock(l->second.file, l->second.type, l->second.id, loaded, l->second.size, nullptr, true);
}

int mdlResource_add(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size, const char *alias)
{
    return storeBlock(handle, type, id, data, size, alias, false);
}

int mdlResource_replace(RscFileHandle handle, uint32_t type, long id, const void *data, size_t size)
{
    return storeBlock(handle, type, id, data, size, nullptr, true);
}
