// Resource source: lexer, parser, reading files with their includes, indexing; the generic node API.
#include "rsc_int.h"

namespace rscint {

// Decimal or 0x hex with an optional sign, the whole text.  The base is
// chosen here because parseInt64's base 0 would take a leading 0 as octal.
bool readNumber(const std::string &s, long *v)
{
    size_t at = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    bool hex = s.size() >= at + 2 && s[at] == '0' && (s[at + 1] == 'x' || s[at + 1] == 'X');
    std::string digits = s.substr(at + (hex ? 2 : 0));
    // A digit must follow: parseInt64 would also skip blanks or take a second sign there.
    if (digits.empty() || (hex ? mdlhost::hexDigit(digits[0]) < 0 : digits[0] < '0' || digits[0] > '9'))
        return false;
    int64_t n;
    if (!mdlhost::parseInt64(s.substr(0, at) + digits, n, hex ? 16 : 10) || !std::in_range<long>(n))
        return false;
    *v = (long)n;
    return true;
}

uint32_t codeValue(const std::string &code)
{
    return MDLHOST_RTYPE(code[0], code[1], code[2], code[3]);
}

bool argNumber(const Arg &a, long *v)
{
    if (a.kind == ArgKind::Code) {
        *v = (long)codeValue(a.text);
        return true;
    }
    return a.kind == ArgKind::Word && readNumber(a.text, v);
}

bool argInt32(const Arg &a, int32_t *v)
{
    long l;
    if (!argNumber(a, &l) || l < INT32_MIN || l > INT32_MAX)
        return false;
    *v = (int32_t)l;
    return true;
}

bool isNumber(const std::string &s)
{
    long v;
    return readNumber(s, &v);
}

// ---- reader ---------------------------------------------------------------

enum class Tok { Word, Text, Code, Open, Close, Semicolon, LineEnd, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    int line = 1;
};

class Lexer {
  public:
    explicit Lexer(const std::string &bytes) : s_(bytes) {}

    // 0 with the next token, or -1 with error() and line() set.
    int next(Token &out)
    {
        skipBlanksAndComments();
        out.line = line_;
        out.text.clear();
        if (pos_ >= s_.size()) {
            out.kind = Tok::End;
            return 0;
        }
        char c = s_[pos_];
        switch (c) {
        case '\n':
            pos_++;
            line_++;
            out.kind = Tok::LineEnd;
            return 0;
        case '{': pos_++; out.kind = Tok::Open; return 0;
        case '}': pos_++; out.kind = Tok::Close; return 0;
        case ';': pos_++; out.kind = Tok::Semicolon; return 0;
        case '"': out.kind = Tok::Text; return readText(&out.text);
        case '\'': out.kind = Tok::Code; return readCode(&out.text);
        case '\0': return fail("NUL byte");
        default: break;
        }
        out.kind = Tok::Word;
        while (pos_ < s_.size() && !endsWord(s_[pos_])) {
            if (s_[pos_] == '\0')
                return fail("NUL byte");
            out.text.push_back(s_[pos_++]);
        }
        return 0;
    }
    int line() const { return line_; }
    const std::string &error() const { return error_; }

  private:
    int fail(const std::string &what)
    {
        error_ = what;
        return -1;
    }
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
    // A word ends at white space, a brace, a quote, ';' or a comment.
    static bool endsWord(char c)
    {
        return isBlank(c) || c == '\n' || c == '{' || c == '}' || c == '"' || c == ';' || c == '#';
    }
    void skipBlanksAndComments()
    {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (isBlank(c)) {
                pos_++;
            } else if (c == '#') {
                while (pos_ < s_.size() && s_[pos_] != '\n')
                    pos_++;
            } else {
                break;
            }
        }
    }
    int readText(std::string *out)
    {
        pos_++; // the opening quote
        for (;;) {
            if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                return fail("unterminated text");
            char c = s_[pos_++];
            if (c == '"')
                return 0;
            if (c == '\0') // would cut the text short
                return fail("NUL byte in text");
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                return fail("unterminated text");
            char e = s_[pos_++];
            switch (e) {
            case 'n': out->push_back('\n'); break;
            case 't': out->push_back('\t'); break;
            case '\\': out->push_back('\\'); break;
            case '"': out->push_back('"'); break;
            default: {
                if (e < '0' || e > '7')
                    return fail(std::string("unknown escape \\") + e);
                int v = e - '0';
                for (int k = 1; k < 3 && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '7'; k++)
                    v = v * 8 + (s_[pos_++] - '0');
                if (v == 0 || v > 255)
                    return fail("bad octal escape");
                out->push_back((char)v);
            }
            }
        }
    }
    int readCode(std::string *out)
    {
        // 'abcd': four printable characters, no escapes.
        if (pos_ + 6 > s_.size() || s_[pos_ + 5] != '\'')
            return fail("type code of four characters expected");
        for (size_t k = 1; k <= 4; k++) {
            char c = s_[pos_ + k];
            if (c < 0x20 || c > 0x7e || c == '\'')
                return fail("type code of four characters expected");
            out->push_back(c);
        }
        pos_ += 6;
        return 0;
    }

    const std::string &s_;
    size_t pos_ = 0;
    int line_ = 1;
    std::string error_;
};

class Parser {
  public:
    Parser(const std::string &bytes, std::shared_ptr<const std::string> file)
        : lex_(bytes), file_(std::move(file))
    {
    }

    // 0, or -1 with error() and line() set.
    int parse(std::vector<std::unique_ptr<RscNode>> &out) { return nodes(out, 0, false); }
    const std::string &error() const { return error_; }
    int line() const { return line_; }

  private:
    int fail(int line, const std::string &what)
    {
        error_ = what;
        line_ = line;
        return -1;
    }
    int peek(const Token **t)
    {
        if (!hasNext_) {
            if (lex_.next(next_) != 0)
                return fail(lex_.line(), lex_.error());
            hasNext_ = true;
        }
        *t = &next_;
        return 0;
    }
    void take() { hasNext_ = false; }
    static ArgKind kindOf(Tok t)
    {
        return t == Tok::Text ? ArgKind::Text : t == Tok::Code ? ArgKind::Code : ArgKind::Word;
    }
    static bool isArg(Tok t) { return t == Tok::Word || t == Tok::Text || t == Tok::Code; }

    // Nodes up to the end of the file (depth 0) or the closing brace.
    // entries: the block of a message list, whose entries end after their
    // text so that several may share a line.
    int nodes(std::vector<std::unique_ptr<RscNode>> &out, int depth, bool entries)
    {
        if (depth > MAX_NESTING)
            return fail(lex_.line(), "blocks nested too deep");
        for (;;) {
            const Token *t;
            if (peek(&t) != 0)
                return -1;
            switch (t->kind) {
            case Tok::LineEnd:
            case Tok::Semicolon: take(); continue;
            case Tok::End: return depth == 0 ? 0 : fail(t->line, "'}' missing at end of file");
            case Tok::Close:
                if (depth == 0)
                    return fail(t->line, "'}' without '{'");
                take();
                return 0;
            case Tok::Open: return fail(t->line, "'{' without a definition before it");
            default: break;
            }
            if (depth == 0 && (t->kind != Tok::Word || isNumber(t->text)))
                return fail(t->line, "definition expected, found \"" + t->text + "\"");
            auto node = std::make_unique<RscNode>();
            node->keyword = {kindOf(t->kind), t->text};
            node->file = file_;
            node->line = t->line;
            take();
            bool done = false;
            for (;;) {
                if (peek(&t) != 0)
                    return -1;
                if (done || !isArg(t->kind))
                    break;
                node->args.push_back({kindOf(t->kind), t->text});
                done = entries && t->kind == Tok::Text;
                take();
            }
            if (!done) {
                // The block may open on a later line.
                while (t->kind == Tok::LineEnd) {
                    take();
                    if (peek(&t) != 0)
                        return -1;
                }
                if (t->kind == Tok::Open) {
                    take();
                    node->hasBlock = true;
                    bool messageList = depth == 0 && node->keyword.text == MESSAGELIST;
                    if (nodes(node->children, depth + 1, messageList) != 0)
                        return -1;
                }
            }
            out.push_back(std::move(node));
        }
    }

    Lexer lex_;
    std::shared_ptr<const std::string> file_;
    Token next_;
    bool hasNext_ = false;
    std::string error_;
    int line_ = 0;
};

} // namespace rscint

namespace rscint {
// ---- files ----------------------------------------------------------------

} // namespace rscint

namespace rscint {
bool readBytes(const std::string &name, std::string *bytes)
{
    FILE *fp = dlmSystem_mdlFopen(name.c_str(), "r");
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

std::string localPathOf(const std::string &name)
{
    std::vector<char> buf(MDLHOST_MAXLOCALPATH);
    mdlhost_mapPath(buf.data(), buf.size(), name.c_str());
    return buf.data();
}

std::string canonicalPath(const std::string &localPath)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(localPath, ec), ec);
    return ec ? localPath : p.string();
}

bool isAbsolute(const std::string &name)
{
    if (name.empty())
        return false;
    char c = name[0];
    bool drive = ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && name.size() > 1 && name[1] == ':';
    return c == '/' || c == '\\' || drive;
}

// The name of an included file: configuration variables expanded, a
// relative name taken beside the including file.
bool includedName(const std::string &includer, const std::string &name, std::string *out)
{
    std::string n = name;
    if (n.find("$(") != std::string::npos) {
        std::vector<char> buf(MDLHOST_MAXLOCALPATH);
        if (mdlSystem_expandCfgVar(n.c_str(), buf.data(), (int)buf.size()) != 0)
            return false;
        n = buf.data();
    }
    if (n.empty())
        return false;
    if (!isAbsolute(n)) {
        size_t sep = includer.find_last_of("/\\");
        if (sep != std::string::npos)
            n = includer.substr(0, sep + 1) + n;
    }
    *out = n;
    return true;
}

namespace {
// What the load under way has read, with every Include counted.
struct {
    int files = 0;
    size_t bytes = 0;
} loadBudget;
} // namespace

// Reads the files that file's Include nodes name.
int readIncludes(SourceFile &file, std::vector<std::string> &chain, ReadError *error)
{
    for (auto &n : file.nodes) {
        if (n->keyword.kind != ArgKind::Word || n->keyword.text != INCLUDE)
            continue;
        if (n->args.size() != 1 || n->args[0].kind != ArgKind::Text || n->hasBlock) {
            *error = {*file.name, n->line, "Include takes one quoted file name"};
            return -1;
        }
        std::string name;
        if (!includedName(*file.name, n->args[0].text, &name)) {
            *error = {*file.name, n->line, "Include \"" + n->args[0].text + "\": bad file name"};
            return -1;
        }
        std::string canonical = canonicalPath(localPathOf(name));
        for (const std::string &open : chain)
            if (open == canonical) {
                *error = {*file.name, n->line, "Include \"" + n->args[0].text + "\" forms a cycle"};
                return -1;
            }
        if ((int)chain.size() >= MAX_INCLUDE_DEPTH) {
            *error = {*file.name, n->line, "Include \"" + n->args[0].text + "\" nested too deep"};
            return -1;
        }
        if (++loadBudget.files > MAX_INCLUDED_FILES || loadBudget.bytes > MAX_LOAD_BYTES) {
            *error = {*file.name, n->line,
                      "Include \"" + n->args[0].text + "\": the load reads more than " +
                          std::to_string(MAX_INCLUDED_FILES) + " files or " + std::to_string(MAX_LOAD_BYTES >> 20) +
                          " MB"};
            return -1;
        }
        std::unique_ptr<SourceFile> child;
        ReadError inner;
        if (readSourceFile(name, chain, &child, &inner) != 0) {
            // A file that is missing is named where it was asked for.
            if (inner.line == 0)
                *error = {*file.name, n->line,
                          "Include \"" + n->args[0].text + "\": " + name + " cannot be read"};
            else
                *error = inner;
            return -1;
        }
        file.included[n.get()] = std::move(child);
    }
    return 0;
}

// Reads and parses one file and everything it includes.  A file that
// cannot be read gives error->line 0.
int readSourceFile(const std::string &name, std::vector<std::string> &chain, std::unique_ptr<SourceFile> *out,
                   ReadError *error)
{
    if (chain.empty()) // a new load
        loadBudget = {};
    std::string bytes;
    if (!readBytes(name, &bytes)) {
        *error = {name, 0, "cannot be read"};
        return -1;
    }
    loadBudget.bytes += bytes.size();
    auto file = std::make_unique<SourceFile>();
    file->name = std::make_shared<const std::string>(name);
    Parser p(bytes, file->name);
    if (p.parse(file->nodes) != 0) {
        *error = {name, p.line(), p.error()};
        return -1;
    }
    chain.push_back(canonicalPath(localPathOf(name)));
    int rc = readIncludes(*file, chain, error);
    chain.pop_back();
    if (rc != 0)
        return -1;
    *out = std::move(file);
    return 0;
}

class Indexer {
  public:
    Indexer(Index &index, ReadError *error) : index_(index), error_(error) {}

    int addFile(SourceFile &f, bool own)
    {
        for (auto &np : f.nodes) {
            RscNode &n = *np;
            index_.all.push_back(&n);
            const std::string &word = n.keyword.text;
            int rc = 0;
            if (word == INCLUDE) {
                auto in = f.included.find(&n);
                if (in != f.included.end())
                    rc = addFile(*in->second, false);
            } else if (word == DESCRIPTION) {
                rc = description(n, own);
            } else if (word == MESSAGELIST) {
                rc = messageList(n);
            } else if (word == RESOURCE) {
                rc = block(n, own);
            } else if (word == STRINGLIST) {
                rc = stringList(n, own);
            } else {
                for (const char *k : {INCLUDE, DESCRIPTION, MESSAGELIST, RESOURCE, STRINGLIST})
                    if (mdlhost::sameName(word, k))
                        return fail(n, "unknown keyword \"" + word + "\" (did you mean " + k + "?)");
            }
            if (rc != 0)
                return -1;
        }
        return 0;
    }

  private:
    int fail(const RscNode &n, const std::string &what)
    {
        *error_ = {*n.file, n.line, what};
        return -1;
    }
    int description(const RscNode &n, bool own)
    {
        if (n.args.size() != 1 || n.args[0].kind != ArgKind::Text || n.hasBlock)
            return fail(n, "Description takes one quoted text");
        if (!own)
            return 0; // an included file's description is not the file's
        if (hasDescription_)
            return fail(n, "Description given twice");
        hasDescription_ = true;
        index_.description = n.args[0].text;
        return 0;
    }
    int messageList(const RscNode &n)
    {
        int32_t id;
        if (n.args.size() != 1 || !argInt32(n.args[0], &id))
            return fail(n, "MessageList takes one number" +
                               (n.args.empty() ? std::string() : ", not \"" + n.args[0].text + "\""));
        if (!n.hasBlock)
            return fail(n, "'{' expected after MessageList " + n.args[0].text);
        if (index_.messages.count(id))
            return fail(n, "message list " + std::to_string(id) + " given twice");
        auto &list = index_.messages[id];
        for (const auto &e : n.children) {
            int32_t nr;
            if (e->keyword.kind != ArgKind::Word || !argInt32(e->keyword, &nr))
                return fail(*e, "bad entry number \"" + e->keyword.text + "\"");
            if (e->args.size() != 1 || e->args[0].kind != ArgKind::Text || e->hasBlock)
                return fail(*e, "entry " + e->keyword.text + ": one quoted text expected");
            if (list.count(nr))
                return fail(*e, "entry " + std::to_string(nr) + " given twice");
            list.emplace(nr, &e->args[0].text);
        }
        return 0;
    }
    int block(RscNode &n, bool own)
    {
        long type;
        int32_t id;
        if (n.args.size() < 2 || n.args.size() > 3 || !argNumber(n.args[0], &type) || type < 0 ||
            type > (long)UINT32_MAX || !argInt32(n.args[1], &id) ||
            (n.args.size() == 3 && n.args[2].kind != ArgKind::Text))
            return fail(n, "Resource takes a type, a number and an optional quoted alias");
        if (!n.hasBlock)
            return fail(n, "'{' expected after Resource");
        auto key = std::make_pair((uint32_t)type, id);
        if (index_.blocks.count(key))
            return fail(n, "Resource " + n.args[0].text + " " + n.args[1].text + " given twice");
        if (!n.decoded) {
            std::vector<unsigned char> data;
            for (const auto &h : n.children) {
                if (h->keyword.text != HEX || h->keyword.kind != ArgKind::Word || h->args.size() != 1 ||
                    h->args[0].kind != ArgKind::Text || h->hasBlock)
                    return fail(*h, "hex \"...\" expected");
                const std::string &s = h->args[0].text;
                if (s.size() % 2 != 0 || s.size() > 2 * HEX_BYTES_PER_LINE)
                    return fail(*h, "a hex line holds 1 to " + std::to_string(HEX_BYTES_PER_LINE) + " whole bytes");
                for (size_t i = 0; i < s.size(); i += 2) {
                    int hi = mdlhost::hexDigit(s[i]), lo = mdlhost::hexDigit(s[i + 1]);
                    if (hi < 0 || lo < 0)
                        return fail(*h, "bad hex digit");
                    data.push_back((unsigned char)(hi * 16 + lo));
                }
            }
            n.data = std::move(data);
            n.decoded = true;
        }
        index_.blocks[key] = {&n, own};
        return 0;
    }
    int stringList(RscNode &n, bool own)
    {
        int32_t id;
        long fields;
        if (n.args.size() != 2 || !argInt32(n.args[0], &id) || !argNumber(n.args[1], &fields) || fields < 0 ||
            fields > MDLHOST_STRINGLIST_MAXINFO)
            return fail(n, "StringList takes a number and a count of info fields (0 to " +
                               std::to_string(MDLHOST_STRINGLIST_MAXINFO) + ")");
        if (!n.hasBlock)
            return fail(n, "'{' expected after StringList");
        if (n.children.size() > (size_t)MDLHOST_STRINGLIST_MAXMEMBERS)
            return fail(n, "string list has too many members");
        if (index_.lists.count(id))
            return fail(n, "string list " + std::to_string(id) + " given twice");
        for (const auto &m : n.children) {
            if (m->args.size() != (size_t)fields || m->hasBlock)
                return fail(*m, "member needs " + std::to_string(fields) + " info fields");
            for (const Arg &a : m->args) {
                long v;
                if (!argNumber(a, &v))
                    return fail(*m, "info field \"" + a.text + "\" is not a number");
            }
        }
        index_.lists[id] = {&n, own};
        return 0;
    }

    Index &index_;
    ReadError *error_;
    bool hasDescription_ = false;
};

int buildIndex(Source &source, ReadError *error)
{
    Index index;
    Indexer indexer(index, error);
    if (indexer.addFile(*source.root, true) != 0)
        return -1;
    source.index = std::move(index);
    return 0;
}

} // namespace rscint

// ---- entry points: generic nodes ----------------------------------------------------

const RscNode *mdlhost_rscFind(MdlDesc *desc, const char *keyword, long id)
{
    if (keyword == nullptr)
        return nullptr;
    for (RscFile *f : searchedHandles(desc, nullptr, false))
        for (const RscNode *n : f->source->index.all) {
            long v;
            if (n->keyword.text == keyword && !n->args.empty() && argNumber(n->args[0], &v) && v == id)
                return n;
        }
    return nullptr;
}

const char *mdlhost_rscKeyword(const RscNode *node) { return node ? node->keyword.text.c_str() : ""; }

int mdlhost_rscArgCount(const RscNode *node) { return node ? (int)node->args.size() : 0; }

const char *mdlhost_rscArg(const RscNode *node, int i)
{
    if (node == nullptr || i < 0 || i >= (int)node->args.size())
        return "";
    return node->args[(size_t)i].text.c_str();
}

long mdlhost_rscArgLong(const RscNode *node, int i, int *ok)
{
    long v = 0;
    bool found = node != nullptr && i >= 0 && i < (int)node->args.size() && argNumber(node->args[(size_t)i], &v);
    if (ok)
        *ok = found ? 1 : 0;
    return found ? v : 0;
}

int mdlhost_rscChildCount(const RscNode *node) { return node ? (int)node->children.size() : 0; }

const RscNode *mdlhost_rscChild(const RscNode *node, int i)
{
    if (node == nullptr || i < 0 || i >= (int)node->children.size())
        return nullptr;
    return node->children[(size_t)i].get();
}

const char *mdlhost_rscSourceFile(const RscNode *node) { return node && node->file ? node->file->c_str() : ""; }

int mdlhost_rscSourceLine(const RscNode *node) { return node ? node->line : 0; }
