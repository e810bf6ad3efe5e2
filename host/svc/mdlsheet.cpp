// The spreadsheet behind the "Excel" service, one per conversation.
//
//   text         ISO 8859-1 in, UTF-8 kept; names compared without case
//   parsing      one "[NAME(arguments)]" text into a name and literals
//   references   A1 and R1C1 cells and ranges
//   values       how an entered text becomes a number, a text or a formula
//   replace      '*', '?' and '~' patterns over the text cells
//   commands     the table of names and argument counts, and each command
//
// A command checks everything before it changes anything, so a refused
// command leaves the workbooks as they were.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sys/mdlsys.h"
#include "svc_int.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace mdlhost {

namespace {

using sheet::Cell;
using sheet::CellKey;
using sheet::Range;
using sheet::Sheet;
using sheet::Workbook;

constexpr size_t kMaxWorkbooks = 16;
constexpr size_t kMaxArgs = 32;
constexpr int kStyleA1 = 1;
constexpr int kStyleR1C1 = 2;
// Excel keeps 15 significant digits; a longer digit string (an account or
// parcel number) would lose digits as a number, so it stays text.
constexpr int kMaxNumberDigits = 15;

// --- text ---------------------------------------------------------------------

// foldCase for a character: only ISO 8859-1 letters have a case here.
char32_t fold(char32_t c)
{
    return c <= 0xFF ? char32_t(static_cast<unsigned char>(foldCase(char(c)))) : c;
}

bool sameSheetName(const std::string &a, const std::string &b)
{
    std::u32string x = decodeUtf8(a), y = decodeUtf8(b);
    if (x.size() != y.size())
        return false;
    for (size_t i = 0; i < x.size(); i++)
        if (fold(x[i]) != fold(y[i]))
            return false;
    return true;
}

// The last component of a path written with either separator.
std::string baseName(const std::string &path)
{
    size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

// --- parsing ------------------------------------------------------------------

struct Arg {
    enum class Kind { Empty, Text, Number, Boolean };
    Kind kind = Kind::Empty;
    std::string text; // as sent: ISO 8859-1
    double number = 0;
    bool boolean = false;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

void skipBlanks(const char *&p)
{
    while (isBlank(*p))
        p++;
}

bool parseArg(const char *&p, Arg &arg, std::string &error)
{
    if (*p == '"') {
        arg.kind = Arg::Kind::Text;
        for (p++;; p++) {
            auto c = static_cast<unsigned char>(*p);
            if (c == '\0') {
                error = "unterminated text";
                return false;
            }
            if (c == '"') {
                if (p[1] != '"')
                    break;
                p++;
            } else if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) {
                error = "control character in text";
                return false;
            }
            arg.text += char(c);
        }
        p++;
        return true;
    }
    if (isDigit(*p) || *p == '-' || *p == '+' || *p == '.') {
        const char *start = p;
        if (*p == '-' || *p == '+')
            p++;
        int digits = 0;
        while (isDigit(*p)) {
            p++;
            digits++;
        }
        if (*p == '.') {
            p++;
            while (isDigit(*p)) {
                p++;
                digits++;
            }
        }
        std::string literal(start, size_t(p - start));
        if (digits == 0 || !parseDouble(literal, arg.number)) {
            error = "bad number " + literal;
            return false;
        }
        arg.kind = Arg::Kind::Number;
        return true;
    }
    if (isLetter(*p)) {
        const char *start = p;
        while (isLetter(*p))
            p++;
        std::string word(start, size_t(p - start));
        word = upperCased(word);
        if (word != "TRUE" && word != "FALSE") {
            error = "unknown word " + word;
            return false;
        }
        arg.kind = Arg::Kind::Boolean;
        arg.boolean = word == "TRUE";
        return true;
    }
    arg.kind = Arg::Kind::Empty; // nothing before the next ',' or ')'
    return true;
}

// One command and nothing else: a second command after the first would be
// the way a value breaking out of its quotes runs commands of its own.
bool parseCommand(const char *text, std::string &name, std::vector<Arg> &args, std::string &error)
{
    const char *p = text;
    skipBlanks(p);
    if (*p++ != '[' || (skipBlanks(p), !isLetter(*p))) {
        error = "a command is [NAME(arguments)]";
        return false;
    }
    while (isLetter(*p) || isDigit(*p) || *p == '.' || *p == '_')
        name += upperCase(*p++);
    skipBlanks(p);
    if (*p++ != '(') {
        error = "a command is [NAME(arguments)]";
        return false;
    }
    skipBlanks(p);
    if (*p == ')') {
        p++;
    } else {
        for (;;) {
            skipBlanks(p);
            Arg arg;
            if (!parseArg(p, arg, error))
                return false;
            if (args.size() >= kMaxArgs) {
                error = "too many arguments";
                return false;
            }
            args.push_back(std::move(arg));
            skipBlanks(p);
            if (*p == ',') {
                p++;
                continue;
            }
            if (*p++ == ')')
                break;
            error = "expected ',' or ')'";
            return false;
        }
    }
    skipBlanks(p);
    if (*p++ != ']') {
        error = "expected ']'";
        return false;
    }
    skipBlanks(p);
    if (*p != '\0') {
        error = "text after the command";
        return false;
    }
    return true;
}

// --- references ---------------------------------------------------------------

bool parseCell(const char *&p, int style, CellKey &key)
{
    uint64_t row = 0, col = 0;
    int n = 0;
    if (style == kStyleR1C1) {
        if (*p != 'R' && *p != 'r')
            return false;
        for (p++; isDigit(*p) && n < 8; p++, n++)
            row = row * 10 + uint64_t(*p - '0');
        if (n == 0 || (*p != 'C' && *p != 'c'))
            return false;
        for (p++, n = 0; isDigit(*p) && n < 6; p++, n++)
            col = col * 10 + uint64_t(*p - '0');
        if (n == 0)
            return false;
    } else {
        if (*p == '$')
            p++;
        for (; isLetter(*p) && n < 3; p++, n++)
            col = col * 26 + uint64_t((*p & ~0x20) - 'A' + 1);
        if (n == 0)
            return false;
        if (*p == '$')
            p++;
        for (n = 0; isDigit(*p) && n < 8; p++, n++)
            row = row * 10 + uint64_t(*p - '0');
        if (n == 0)
            return false;
    }
    if (isDigit(*p) || isLetter(*p) || row == 0 || col == 0 || row > sheet::kMaxRows || col > sheet::kMaxCols)
        return false;
    key = {uint32_t(row - 1), uint32_t(col - 1)};
    return true;
}

bool parseRange(const std::string &text, int style, Range &range, std::string &error)
{
    const char *p = text.c_str();
    CellKey a, b;
    bool ok = parseCell(p, style, a);
    b = a;
    if (ok && *p == ':') {
        p++;
        ok = parseCell(p, style, b);
    }
    if (!ok || *p != '\0') {
        error = "bad reference \"" + text + "\" for the " + (style == kStyleA1 ? "A1" : "R1C1") + " style";
        return false;
    }
    range = {std::min(a.first, b.first), std::min(a.second, b.second), std::max(a.first, b.first),
             std::max(a.second, b.second)};
    return true;
}

// --- values -------------------------------------------------------------------

// '-', digits without a leading zero, the separator and digits: nothing a
// spreadsheet could read two ways ("007" and "1e5" stay texts).
bool plainNumber(const std::string &s, char decimal, double &value)
{
    size_t i = 0;
    int digits = 0;
    std::string c;
    if (i < s.size() && s[i] == '-')
        c += s[i++];
    size_t first = i;
    while (i < s.size() && isDigit(s[i])) {
        c += s[i++];
        digits++;
    }
    if (digits == 0 || (s[first] == '0' && digits > 1))
        return false;
    if (i < s.size() && s[i] == decimal) {
        c += '.';
        int fraction = 0;
        for (i++; i < s.size() && isDigit(s[i]); i++, fraction++)
            c += s[i];
        if (fraction == 0)
            return false;
        digits += fraction;
    }
    if (i != s.size() || digits > kMaxNumberDigits)
        return false;
    return parseDouble(c, value); // at most 15 digits: always read
}

// A value that arrived as text: a number in plain form, else the text as
// it stands - never a formula.
Cell valueCell(const std::string &utf8, char decimal)
{
    Cell cell;
    if (plainNumber(utf8, decimal, cell.number))
        cell.kind = Cell::Kind::Number;
    else
        cell.text = utf8;
    return cell;
}

// --- replace ------------------------------------------------------------------

struct Token {
    enum class Kind { Char, One, Run };
    Kind kind;
    char32_t c;
};

std::vector<Token> compilePattern(const std::u32string &find)
{
    std::vector<Token> tokens;
    for (size_t i = 0; i < find.size(); i++) {
        if (find[i] == '~' && i + 1 < find.size())
            tokens.push_back({Token::Kind::Char, find[++i]});
        else if (find[i] == '*')
            tokens.push_back({Token::Kind::Run, 0});
        else if (find[i] == '?')
            tokens.push_back({Token::Kind::One, 0});
        else
            tokens.push_back({Token::Kind::Char, find[i]});
    }
    return tokens;
}

// The leftmost match at or after from, the longest of those; false when
// there is none.  Runs the pattern as a set of states, each holding the
// earliest start that reaches it, so the time is text times pattern.
bool findMatch(const std::vector<Token> &pat, const std::u32string &text, size_t from, bool matchCase, size_t &start,
               size_t &end)
{
    constexpr size_t kNone = SIZE_MAX;
    const size_t m = pat.size();
    std::vector<size_t> cur(m + 1, kNone), next(m + 1);
    size_t bestStart = kNone, bestEnd = 0;
    for (size_t i = from;; i++) {
        if (bestStart == kNone)
            cur[0] = std::min(cur[0], i);
        for (size_t j = 0; j < m; j++)
            if (pat[j].kind == Token::Kind::Run && cur[j] != kNone)
                cur[j + 1] = std::min(cur[j + 1], cur[j]);
        if (cur[m] != kNone && cur[m] <= bestStart) {
            bestStart = cur[m];
            bestEnd = i;
        }
        if (i >= text.size())
            break;
        std::fill(next.begin(), next.end(), kNone);
        bool live = false;
        for (size_t j = 0; j < m; j++) {
            size_t s = cur[j];
            if (s == kNone || (bestStart != kNone && s > bestStart))
                continue;
            const Token &t = pat[j];
            if (t.kind == Token::Kind::Run) {
                next[j] = std::min(next[j], s);
            } else if (t.kind == Token::Kind::One ||
                       (matchCase ? text[i] == t.c : fold(text[i]) == fold(t.c))) {
                next[j + 1] = std::min(next[j + 1], s);
            } else {
                continue;
            }
            live = true;
        }
        if (!live && bestStart != kNone)
            break;
        cur.swap(next);
    }
    if (bestStart == kNone)
        return false;
    start = bestStart;
    end = bestEnd;
    return true;
}

// --- the spreadsheet ------------------------------------------------------------

class Spreadsheet;
using Handler = bool (Spreadsheet::*)(const std::vector<Arg> &, std::string &);

struct CommandDef {
    const char *name;
    size_t minArgs, maxArgs;
    Handler run;
};

class Spreadsheet final : public DdeSession {
  public:
    Spreadsheet()
    {
        std::string d;
        if (cfgLookup("MDLHOST_XLSX_DECIMAL", d) && d.size() == 1 && (d[0] == '.' || d[0] == ','))
            decimal_ = d[0];
    }
    bool execute(const char *command, std::string &error) override;
    bool ended() const override { return ended_; }

    bool open(const std::vector<Arg> &a, std::string &error);
    bool newBook(const std::vector<Arg> &a, std::string &error);
    bool save(const std::vector<Arg> &a, std::string &error);
    bool saveAs(const std::vector<Arg> &a, std::string &error);
    bool close(const std::vector<Arg> &a, std::string &error);
    bool quit(const std::vector<Arg> &a, std::string &error);
    bool activateBook(const std::vector<Arg> &a, std::string &error);
    bool activateSheet(const std::vector<Arg> &a, std::string &error);
    bool copySheet(const std::vector<Arg> &a, std::string &error) { return copyOrMove(a, false, error); }
    bool moveSheet(const std::vector<Arg> &a, std::string &error) { return copyOrMove(a, true, error); }
    bool nameSheet(const std::vector<Arg> &a, std::string &error);
    bool select(const std::vector<Arg> &a, std::string &error);
    bool formula(const std::vector<Arg> &a, std::string &error);
    bool replace(const std::vector<Arg> &a, std::string &error);
    bool clear(const std::vector<Arg> &a, std::string &error);
    bool optionsGeneral(const std::vector<Arg> &a, std::string &error);
    bool optionsView(const std::vector<Arg> &, std::string &) { return true; }

  private:
    Workbook *activeBook(std::string &error);
    Sheet *activeSheet(std::string &error);
    Workbook *findBook(const std::string &utf8Name);
    bool copyOrMove(const std::vector<Arg> &a, bool move, std::string &error);
    bool writeTo(Workbook &book, const std::string &path, std::string &error);

    std::vector<Workbook> books_;
    size_t active_ = 0; // into books_ when it is not empty
    int style_ = kStyleA1;
    int untitled_ = 0;
    bool ended_ = false;
    char decimal_ = ',';
};

const CommandDef kCommands[] = {
    {"OPEN", 1, 1, &Spreadsheet::open},
    {"NEW", 0, 1, &Spreadsheet::newBook},
    {"SAVE", 0, 0, &Spreadsheet::save},
    {"SAVE.AS", 1, 2, &Spreadsheet::saveAs},
    {"CLOSE", 0, 1, &Spreadsheet::close},
    {"QUIT", 0, 0, &Spreadsheet::quit},
    {"ACTIVATE", 1, 1, &Spreadsheet::activateBook},
    {"WORKBOOK.ACTIVATE", 1, 2, &Spreadsheet::activateSheet},
    {"WORKBOOK.COPY", 2, 3, &Spreadsheet::copySheet},
    {"WORKBOOK.MOVE", 2, 3, &Spreadsheet::moveSheet},
    {"WORKBOOK.NAME", 2, 2, &Spreadsheet::nameSheet},
    {"SELECT", 1, 1, &Spreadsheet::select},
    {"FORMULA", 1, 2, &Spreadsheet::formula},
    {"FORMULA.REPLACE", 2, 6, &Spreadsheet::replace},
    {"CLEAR", 0, 1, &Spreadsheet::clear},
    {"OPTIONS.GENERAL", 0, 15, &Spreadsheet::optionsGeneral},
    {"OPTIONS.VIEW", 0, 15, &Spreadsheet::optionsView},
};

// --- arguments ------------------------------------------------------------------

bool textArg(const std::vector<Arg> &a, size_t i, std::string &out, std::string &error)
{
    if (i >= a.size() || a[i].kind != Arg::Kind::Text) {
        error = "argument " + std::to_string(i + 1) + " must be a text";
        return false;
    }
    out = a[i].text;
    return true;
}

// An optional whole number from lo to hi; absent or empty gives fallback.
bool intArg(const std::vector<Arg> &a, size_t i, long lo, long hi, long fallback, long &out, std::string &error)
{
    out = fallback;
    if (i >= a.size() || a[i].kind == Arg::Kind::Empty)
        return true;
    double v = a[i].number;
    // The range first: converting a huge number to long is undefined.
    if (a[i].kind != Arg::Kind::Number || v < double(lo) || v > double(hi) || v != double(long(v))) {
        error = "argument " + std::to_string(i + 1) + " must be a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi);
        return false;
    }
    out = long(v);
    return true;
}

bool boolArg(const std::vector<Arg> &a, size_t i, bool fallback, bool &out, std::string &error)
{
    out = fallback;
    if (i >= a.size() || a[i].kind == Arg::Kind::Empty)
        return true;
    if (a[i].kind != Arg::Kind::Boolean) {
        error = "argument " + std::to_string(i + 1) + " must be TRUE or FALSE";
        return false;
    }
    out = a[i].boolean;
    return true;
}

// --- commands ---------------------------------------------------------------------

bool Spreadsheet::execute(const char *command, std::string &error)
{
    if (ended_) {
        error = "the spreadsheet has quit";
        return false;
    }
    std::string name;
    std::vector<Arg> args;
    if (!parseCommand(command, name, args, error))
        return false;
    for (const CommandDef &def : kCommands) {
        if (name != def.name)
            continue;
        if (args.size() < def.minArgs || args.size() > def.maxArgs) {
            error = name + " takes " + std::to_string(def.minArgs) + " to " + std::to_string(def.maxArgs) +
                    " arguments";
            return false;
        }
        return (this->*def.run)(args, error);
    }
    error = "unknown command " + name;
    return false;
}

Workbook *Spreadsheet::activeBook(std::string &error)
{
    if (books_.empty()) {
        error = "no workbook is open";
        return nullptr;
    }
    return &books_[active_];
}

Sheet *Spreadsheet::activeSheet(std::string &error)
{
    Workbook *book = activeBook(error);
    return book ? &book->sheets[book->active] : nullptr;
}

Workbook *Spreadsheet::findBook(const std::string &utf8Name)
{
    for (Workbook &b : books_)
        if (sameSheetName(b.name, utf8Name))
            return &b;
    return nullptr;
}

bool Spreadsheet::writeTo(Workbook &book, const std::string &path, std::string &error)
{
    std::string local = mappedPath(path.c_str());
    if (local.empty()) {
        error = "no file name";
        return false;
    }
    return sheet::writeWorkbook(book, local, error);
}

bool Spreadsheet::open(const std::vector<Arg> &a, std::string &error)
{
    std::string path;
    if (!textArg(a, 0, path, error))
        return false;
    std::string name = latin1ToUtf8(baseName(path));
    if (name.empty()) {
        error = "no file name";
        return false;
    }
    if (findBook(name) != nullptr) {
        error = "a workbook named " + name + " is open already";
        return false;
    }
    if (books_.size() >= kMaxWorkbooks) {
        error = "too many open workbooks";
        return false;
    }
    Workbook book;
    if (!sheet::readWorkbook(mappedPath(path.c_str()), book, error))
        return false;
    book.name = name;
    book.path = path;
    books_.push_back(std::move(book));
    active_ = books_.size() - 1;
    return true;
}

bool Spreadsheet::newBook(const std::vector<Arg> &a, std::string &error)
{
    long type;
    if (!intArg(a, 0, 1, 5, 1, type, error))
        return false;
    if (type != 1 && type != 5) {
        error = "NEW makes worksheets (1) or workbooks (5) only";
        return false;
    }
    if (books_.size() >= kMaxWorkbooks) {
        error = "too many open workbooks";
        return false;
    }
    Workbook book;
    do
        book.name = "Book" + std::to_string(++untitled_);
    while (findBook(book.name) != nullptr);
    book.sheets.push_back(Sheet{"Sheet1", {}, {}});
    books_.push_back(std::move(book));
    active_ = books_.size() - 1;
    return true;
}

bool Spreadsheet::save(const std::vector<Arg> &, std::string &error)
{
    Workbook *book = activeBook(error);
    if (book == nullptr)
        return false;
    if (book->path.empty()) {
        error = book->name + " has no file yet: SAVE.AS names one";
        return false;
    }
    return writeTo(*book, book->path, error);
}

bool Spreadsheet::saveAs(const std::vector<Arg> &a, std::string &error)
{
    std::string path;
    long type;
    Workbook *book = activeBook(error);
    if (book == nullptr || !textArg(a, 0, path, error) || !intArg(a, 1, 0, 1000, 0, type, error))
        return false;
    std::string name = latin1ToUtf8(baseName(path));
    Workbook *other = findBook(name);
    if (name.empty() || (other != nullptr && other != book)) {
        error = name.empty() ? "no file name" : "a workbook named " + name + " is open already";
        return false;
    }
    if (!writeTo(*book, path, error))
        return false;
    book->path = path;
    book->name = name;
    return true;
}

bool Spreadsheet::close(const std::vector<Arg> &a, std::string &error)
{
    bool saveFirst;
    Workbook *book = activeBook(error);
    if (book == nullptr || !boolArg(a, 0, false, saveFirst, error))
        return false;
    if (saveFirst && !save({}, error))
        return false;
    books_.erase(books_.begin() + long(active_));
    active_ = books_.empty() ? 0 : books_.size() - 1;
    return true;
}

bool Spreadsheet::quit(const std::vector<Arg> &, std::string &)
{
    books_.clear();
    ended_ = true;
    return true;
}

bool Spreadsheet::activateBook(const std::vector<Arg> &a, std::string &error)
{
    std::string name;
    if (!textArg(a, 0, name, error))
        return false;
    Workbook *book = findBook(latin1ToUtf8(name));
    if (book == nullptr) {
        error = "no open workbook " + latin1ToUtf8(name);
        return false;
    }
    active_ = size_t(book - books_.data());
    return true;
}

// Index of the sheet in book, or -1.
long sheetIndex(const Workbook &book, const std::string &utf8Name)
{
    for (size_t i = 0; i < book.sheets.size(); i++)
        if (sameSheetName(book.sheets[i].name, utf8Name))
            return long(i);
    return -1;
}

bool Spreadsheet::activateSheet(const std::vector<Arg> &a, std::string &error)
{
    std::string name;
    bool ungroup;
    Workbook *book = activeBook(error);
    if (book == nullptr || !textArg(a, 0, name, error) || !boolArg(a, 1, false, ungroup, error))
        return false;
    long i = sheetIndex(*book, latin1ToUtf8(name));
    if (i < 0) {
        error = "no sheet " + latin1ToUtf8(name);
        return false;
    }
    book->active = size_t(i);
    return true;
}

// name, or "name (n)" with the smallest n from 2 that is free in book, the
// name cut so that the whole stays within the sheet name limit.
std::string freeSheetName(const Workbook &book, const std::string &name)
{
    if (sheetIndex(book, name) < 0)
        return name;
    std::u32string base = decodeUtf8(name);
    for (int n = 2;; n++) {
        std::u32string suffix = decodeUtf8(" (" + std::to_string(n) + ")");
        std::u32string cut = base.substr(0, std::min(base.size(), sheet::kMaxSheetNameChars - suffix.size()));
        std::string candidate = encodeUtf8(cut + suffix);
        if (sheetIndex(book, candidate) < 0)
            return candidate;
    }
}

bool Spreadsheet::copyOrMove(const std::vector<Arg> &a, bool move, std::string &error)
{
    std::string sheetName, bookName;
    Workbook *from = activeBook(error);
    if (from == nullptr || !textArg(a, 0, sheetName, error) || !textArg(a, 1, bookName, error))
        return false;
    long index = sheetIndex(*from, latin1ToUtf8(sheetName));
    Workbook *to = findBook(latin1ToUtf8(bookName));
    if (index < 0 || to == nullptr) {
        error = index < 0 ? "no sheet " + latin1ToUtf8(sheetName) : "no open workbook " + latin1ToUtf8(bookName);
        return false;
    }
    bool sameBook = from == to;
    size_t finalCount = to->sheets.size() + (sameBook && move ? 0 : 1);
    long position;
    if (!intArg(a, 2, 1, long(finalCount), long(finalCount), position, error))
        return false;
    if (move && !sameBook && from->sheets.size() == 1) {
        error = "a workbook keeps at least one sheet";
        return false;
    }
    const Sheet &source = from->sheets[size_t(index)];
    if (!(move && sameBook) &&
        (to->sheets.size() >= sheet::kMaxSheets || sheet::cellCount(*to) + source.cells.size() > sheet::kMaxCells)) {
        error = "workbook too large";
        return false;
    }
    // The active sheets are found again by name once the lists change.
    std::string fromActive = from->sheets[from->active].name, toActive = to->sheets[to->active].name;
    Sheet placed = source;
    if (move)
        from->sheets.erase(from->sheets.begin() + index);
    if (!(move && sameBook))
        placed.name = freeSheetName(*to, placed.name);
    std::string placedName = placed.name;
    to->sheets.insert(to->sheets.begin() + (position - 1), std::move(placed));
    long fa = sheetIndex(*from, fromActive);
    from->active = fa >= 0 ? size_t(fa) : std::min(size_t(index), from->sheets.size() - 1);
    long ta = sheetIndex(*to, toActive);
    to->active = ta >= 0 ? size_t(ta) : size_t(sheetIndex(*to, placedName));
    return true;
}

bool Spreadsheet::nameSheet(const std::vector<Arg> &a, std::string &error)
{
    std::string oldName, newName;
    Workbook *book = activeBook(error);
    if (book == nullptr || !textArg(a, 0, oldName, error) || !textArg(a, 1, newName, error))
        return false;
    long index = sheetIndex(*book, latin1ToUtf8(oldName));
    std::string name = latin1ToUtf8(newName);
    if (index < 0) {
        error = "no sheet " + latin1ToUtf8(oldName);
        return false;
    }
    if (!sheet::validSheetName(name, error))
        return false;
    long taken = sheetIndex(*book, name);
    if (taken >= 0 && taken != index) {
        error = "a sheet named " + name + " exists";
        return false;
    }
    book->sheets[size_t(index)].name = name;
    return true;
}

bool Spreadsheet::select(const std::vector<Arg> &a, std::string &error)
{
    std::string ref;
    Range range;
    Sheet *sheet = activeSheet(error);
    if (sheet == nullptr || !textArg(a, 0, ref, error) || !parseRange(ref, style_, range, error))
        return false;
    sheet->selection = range;
    return true;
}

bool Spreadsheet::formula(const std::vector<Arg> &a, std::string &error)
{
    Workbook *book = activeBook(error);
    Sheet *sheet = activeSheet(error);
    if (sheet == nullptr)
        return false;
    Range target = sheet->selection;
    std::string ref;
    if (a.size() > 1 && (!textArg(a, 1, ref, error) || !parseRange(ref, style_, target, error)))
        return false;
    CellKey key{target.row1, target.col1};
    Cell cell;
    bool erase = false;
    switch (a[0].kind) {
    case Arg::Kind::Text: {
        std::string text = latin1ToUtf8(a[0].text);
        if (text.empty()) {
            erase = true;
        } else if (text[0] == '=') {
            // References in a formula follow the style; only A1 can be kept.
            if (style_ != kStyleA1 || text.size() < 2) {
                error = style_ != kStyleA1 ? "formulas are taken in the A1 style only" : "empty formula";
                return false;
            }
            cell.kind = Cell::Kind::Formula;
            cell.text = text;
        } else {
            cell = valueCell(text, decimal_);
        }
        break;
    }
    case Arg::Kind::Number:
        cell.kind = Cell::Kind::Number;
        cell.number = a[0].number;
        break;
    case Arg::Kind::Boolean:
        cell.kind = Cell::Kind::Boolean;
        cell.number = a[0].boolean ? 1 : 0;
        break;
    case Arg::Kind::Empty:
        erase = true;
        break;
    }
    if (erase) {
        sheet->cells.erase(key);
        return true;
    }
    if (cell.text.size() > sheet::kMaxCellBytes ||
        (sheet->cells.count(key) == 0 && sheet::cellCount(*book) >= sheet::kMaxCells)) {
        error = cell.text.size() > sheet::kMaxCellBytes ? "text too long for a cell" : "workbook too large";
        return false;
    }
    sheet->cells[key] = std::move(cell);
    return true;
}

bool Spreadsheet::replace(const std::vector<Arg> &a, std::string &error)
{
    std::string find, with;
    long lookAt, lookBy;
    bool activeCell, matchCase;
    Sheet *sheet = activeSheet(error);
    if (sheet == nullptr || !textArg(a, 0, find, error))
        return false;
    if (a[1].kind == Arg::Kind::Text)
        with = a[1].text;
    else if (a[1].kind != Arg::Kind::Empty)
        return textArg(a, 1, with, error);
    if (!intArg(a, 2, 1, 2, 2, lookAt, error) || !intArg(a, 3, 1, 2, 1, lookBy, error) ||
        !boolArg(a, 4, false, activeCell, error) || !boolArg(a, 5, false, matchCase, error))
        return false;
    if (find.empty()) {
        error = "nothing to find";
        return false;
    }
    std::vector<Token> pattern = compilePattern(decodeUtf8(latin1ToUtf8(find)));
    std::u32string replacement = decodeUtf8(latin1ToUtf8(with));

    // Every new content first, so that a cell that would grow too long
    // refuses the command before any cell has changed.
    std::vector<std::pair<CellKey, std::string>> changed;
    for (const auto &[key, cell] : sheet->cells) {
        if (cell.kind != Cell::Kind::Text)
            continue;
        if (activeCell && key != CellKey{sheet->selection.row1, sheet->selection.col1})
            continue;
        std::u32string text = decodeUtf8(cell.text), out;
        size_t from = 0, s, e;
        bool hit = false;
        if (lookAt == 1) {
            hit = findMatch(pattern, text, 0, matchCase, s, e) && s == 0 && e == text.size();
            if (hit)
                out = replacement;
        } else {
            while (from < text.size() && findMatch(pattern, text, from, matchCase, s, e)) {
                hit = true;
                out.append(text, from, s - from);
                out += replacement;
                if (e == s) // an empty match: step over one character
                    out += text[e++];
                from = e;
            }
            if (hit && from < text.size())
                out.append(text, from, std::u32string::npos);
        }
        if (!hit)
            continue;
        std::string utf8 = encodeUtf8(out);
        if (utf8.size() > sheet::kMaxCellBytes) {
            error = "text too long for a cell";
            return false;
        }
        changed.emplace_back(key, std::move(utf8));
    }
    for (auto &[key, text] : changed) {
        if (text.empty())
            sheet->cells.erase(key);
        else
            sheet->cells[key] = valueCell(text, decimal_);
    }
    return true;
}

bool Spreadsheet::clear(const std::vector<Arg> &a, std::string &error)
{
    long type;
    Sheet *sheet = activeSheet(error);
    if (sheet == nullptr || !intArg(a, 0, 1, 4, 3, type, error))
        return false;
    if (type == 2 || type == 4)
        return true; // formats and notes: this spreadsheet keeps none
    const Range &r = sheet->selection;
    auto it = sheet->cells.lower_bound({r.row1, 0});
    while (it != sheet->cells.end() && it->first.first <= r.row2) {
        if (it->first.second >= r.col1 && it->first.second <= r.col2)
            it = sheet->cells.erase(it);
        else
            ++it;
    }
    return true;
}

bool Spreadsheet::optionsGeneral(const std::vector<Arg> &a, std::string &error)
{
    long style;
    if (!intArg(a, 0, kStyleA1, kStyleR1C1, style_, style, error))
        return false;
    style_ = int(style);
    return true;
}

} // namespace

bool spreadsheetServesTopic(const char *topic) { return topic != nullptr && sameName(topic, "System"); }

std::unique_ptr<DdeSession> openSpreadsheet() { return std::make_unique<Spreadsheet>(); }

} // namespace mdlhost
