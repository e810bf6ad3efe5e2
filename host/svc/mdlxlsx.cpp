// Workbook files of the spreadsheet: Office Open XML (.xlsx).
//
//   zip archive   the central directory, stored and deflated parts (zlib)
//   reading       relationships, workbook, shared strings, sheets (libxml2)
//   writing       libxlsxwriter (opened on first use) into a temporary file, then a rename
//
// Reading takes what the spreadsheet keeps (sheet names, the active sheet,
// cell values and formulas); everything in a file is untrusted, so each
// size, count and index is checked before use.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zlib.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/lazy_host.h"
#include "base/text_host.h"
#include "sys/sys_host.h"
#include "svc_int.h"

namespace mdlhost::sheet {

namespace {

// A workbook file and each part in it, inflated; templates are small, and
// a bound stops a crafted archive from inflating without end.
constexpr size_t kMaxFileBytes = 32u << 20;
constexpr size_t kMaxPartBytes = 32u << 20;
constexpr size_t kMaxParts = 4096;
constexpr size_t kMaxSharedStrings = 1u << 20;

// --- zip archive ------------------------------------------------------------

uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct ZipPart {
    std::string name;
    uint16_t flags = 0, method = 0;
    uint32_t crc = 0, packedSize = 0, size = 0, offset = 0;
};

class ZipArchive {
  public:
    bool open(const std::string &path, std::string &error);
    // The inflated part; false when it is missing or damaged.
    bool read(std::string_view name, std::string &out, std::string &error) const;
    bool has(std::string_view name) const { return find(name) != nullptr; }

  private:
    const ZipPart *find(std::string_view name) const;
    std::vector<unsigned char> bytes_;
    std::vector<ZipPart> parts_;
};

bool ZipArchive::open(const std::string &path, std::string &error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "cannot open " + path;
        return false;
    }
    if (size_t(st.st_size) > kMaxFileBytes) {
        error = "workbook file too large";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes_.resize(size_t(st.st_size));
    if (!in || !in.read(reinterpret_cast<char *>(bytes_.data()), std::streamsize(bytes_.size()))) {
        error = "cannot read " + path;
        return false;
    }
    const size_t n = bytes_.size();
    const unsigned char *b = bytes_.data();
    // The end record is the last 22 bytes plus a comment of up to 65535.
    size_t end = SIZE_MAX;
    if (n >= 22) {
        size_t lowest = n - 22 > 65535 ? n - 22 - 65535 : 0;
        for (size_t i = n - 21; i-- > lowest;)
            if (le32(b + i) == 0x06054b50 && i + 22 + le16(b + i + 20) == n) {
                end = i;
                break;
            }
    }
    if (end == SIZE_MAX) {
        error = "not a workbook file (no zip directory)";
        return false;
    }
    size_t count = le16(b + end + 10);
    size_t dirSize = le32(b + end + 12), dirOffset = le32(b + end + 16);
    // Zip64 archives (0xFFFF, 0xFFFFFFFF) are far beyond a workbook's size.
    if (count == 0xFFFF || dirOffset == 0xFFFFFFFF || count > kMaxParts || dirOffset > end ||
        dirSize > end - dirOffset) {
        error = "damaged zip directory";
        return false;
    }
    size_t p = dirOffset;
    for (size_t k = 0; k < count; k++) {
        if (dirOffset + dirSize - p < 46 || le32(b + p) != 0x02014b50) {
            error = "damaged zip directory";
            return false;
        }
        ZipPart part;
        part.flags = le16(b + p + 8);
        part.method = le16(b + p + 10);
        part.crc = le32(b + p + 16);
        part.packedSize = le32(b + p + 20);
        part.size = le32(b + p + 24);
        part.offset = le32(b + p + 42);
        size_t nameLen = le16(b + p + 28), extraLen = le16(b + p + 30), commentLen = le16(b + p + 32);
        size_t entryLen = 46 + nameLen + extraLen + commentLen;
        if (dirOffset + dirSize - p < entryLen) {
            error = "damaged zip directory";
            return false;
        }
        part.name.assign(reinterpret_cast<const char *>(b + p + 46), nameLen);
        parts_.push_back(std::move(part));
        p += entryLen;
    }
    return true;
}

// Part names are UTF-8: only ASCII letters fold, as foldCase on every byte
// would fold UTF-8 lead bytes as ISO 8859-1 letters.
bool samePartName(std::string_view a, std::string_view b)
{
    auto fold = [](char c) { return static_cast<unsigned char>(c) < 0x80 ? foldCase(c) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

const ZipPart *ZipArchive::find(std::string_view name) const
{
    // Part names compare without case in these packages.
    for (const ZipPart &p : parts_)
        if (samePartName(p.name, name))
            return &p;
    return nullptr;
}

bool ZipArchive::read(std::string_view name, std::string &out, std::string &error) const
{
    const ZipPart *part = find(name);
    if (part == nullptr) {
        error = "workbook file lacks " + std::string(name);
        return false;
    }
    error = "damaged part " + std::string(name);
    const size_t n = bytes_.size();
    const unsigned char *b = bytes_.data();
    if (part->flags & 0x1 || part->size > kMaxPartBytes || part->offset > n || n - part->offset < 30 ||
        le32(b + part->offset) != 0x04034b50)
        return false;
    size_t data = size_t(part->offset) + 30 + le16(b + part->offset + 26) + le16(b + part->offset + 28);
    if (data > n || n - data < part->packedSize)
        return false;
    out.assign(part->size, '\0');
    if (part->method == 0) {
        if (part->packedSize != part->size)
            return false;
        if (part->size > 0)
            memcpy(out.data(), b + data, part->size);
    } else if (part->method == 8) {
        z_stream zs{};
        if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
            return false;
        zs.next_in = const_cast<Bytef *>(b + data);
        zs.avail_in = part->packedSize;
        zs.next_out = reinterpret_cast<Bytef *>(out.data());
        zs.avail_out = part->size;
        int rc = inflate(&zs, Z_FINISH);
        bool whole = rc == Z_STREAM_END && zs.total_out == part->size;
        inflateEnd(&zs);
        if (!whole)
            return false;
    } else {
        return false;
    }
    if (crc32(0L, reinterpret_cast<const Bytef *>(out.data()), uInt(out.size())) != part->crc)
        return false;
    error.clear();
    return true;
}

// --- XML --------------------------------------------------------------------

struct XmlDoc {
    xmlDocPtr doc = nullptr;
    ~XmlDoc() { xmlFreeDoc(doc); }
};

// Parts never carry a document type; one that does could expand entities
// without bound, so it is refused.  No network access either.
bool parseXml(const std::string &text, XmlDoc &doc, std::string_view name, std::string &error)
{
    if (text.size() > size_t(INT32_MAX)) {
        error = "damaged part " + std::string(name);
        return false;
    }
    doc.doc = xmlReadMemory(text.data(), int(text.size()), nullptr, nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc.doc == nullptr || doc.doc->intSubset != nullptr || xmlDocGetRootElement(doc.doc) == nullptr) {
        error = "damaged part " + std::string(name);
        return false;
    }
    return true;
}

bool isElement(xmlNodePtr n, const char *name)
{
    return n != nullptr && n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, BAD_CAST name) == 0;
}

xmlNodePtr child(xmlNodePtr parent, const char *name)
{
    for (xmlNodePtr c = parent ? parent->children : nullptr; c; c = c->next)
        if (isElement(c, name))
            return c;
    return nullptr;
}

// An attribute by local name, in no namespace or (withNs) in any.
bool attribute(xmlNodePtr n, const char *name, std::string &value, bool withNs = false)
{
    for (xmlAttrPtr a = n->properties; a; a = a->next) {
        if (xmlStrcmp(a->name, BAD_CAST name) != 0 || (a->ns != nullptr) != withNs)
            continue;
        xmlChar *v = xmlNodeListGetString(n->doc, a->children, 1);
        value = v ? reinterpret_cast<const char *>(v) : "";
        xmlFree(v);
        return true;
    }
    return false;
}

std::string content(xmlNodePtr n)
{
    xmlChar *v = xmlNodeGetContent(n);
    std::string s = v ? reinterpret_cast<const char *>(v) : "";
    xmlFree(v);
    return s;
}

// Text of a shared or inline string: its own <t> and the <t> of its runs;
// phonetic runs are not part of the value.
std::string stringItem(xmlNodePtr si)
{
    std::string s;
    for (xmlNodePtr c = si->children; c; c = c->next) {
        if (isElement(c, "t"))
            s += content(c);
        else if (isElement(c, "r"))
            if (xmlNodePtr t = child(c, "t"))
                s += content(t);
    }
    return s;
}

// "xl/" + "worksheets/sheet1.xml", or an absolute target; "." and ".."
// resolved, so no target reaches outside the package.
std::string resolvePart(const std::string &baseDir, const std::string &target)
{
    std::string joined = !target.empty() && target[0] == '/' ? target.substr(1) : baseDir + target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        std::string seg = joined.substr(start, end - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string &seg : parts)
        out += (out.empty() ? "" : "/") + seg;
    return out;
}

std::string relsOf(const std::string &part)
{
    size_t slash = part.rfind('/');
    std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    return dir + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

std::string dirOf(const std::string &part)
{
    size_t slash = part.rfind('/');
    return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

bool endsWith(const std::string &s, std::string_view tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct Relationship {
    std::string id, type, target;
};

bool readRelationships(const ZipArchive &zip, const std::string &relsPart, std::vector<Relationship> &rels,
                       std::string &error)
{
    std::string text;
    if (!zip.read(relsPart, text, error))
        return false;
    XmlDoc doc;
    if (!parseXml(text, doc, relsPart, error))
        return false;
    for (xmlNodePtr r = xmlDocGetRootElement(doc.doc)->children; r; r = r->next) {
        if (!isElement(r, "Relationship"))
            continue;
        Relationship rel;
        attribute(r, "Id", rel.id);
        attribute(r, "Type", rel.type);
        attribute(r, "Target", rel.target);
        rels.push_back(rel);
    }
    return true;
}

// "B12" -> row 11, column 1; false unless the whole text is a reference
// inside the sheet.
bool parseCellRef(const std::string &ref, CellKey &key)
{
    size_t i = 0;
    uint32_t col = 0, row = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && i < 3)
        col = col * 26 + uint32_t(ref[i++] - 'A' + 1);
    size_t digits = i;
    while (i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && i - digits < 7)
        row = row * 10 + uint32_t(ref[i++] - '0');
    if (digits == 0 || i == digits || i != ref.size() || col > kMaxCols || row == 0 || row > kMaxRows)
        return false;
    key = {row - 1, col - 1};
    return true;
}

// An xsd:unsignedInt as the file holds it: parseUint32, with the leading
// '+' the schema allows.
bool parseUnsigned(std::string_view text, uint32_t &value)
{
    if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9')
        text.remove_prefix(1);
    return parseUint32(text, value);
}

bool readSheet(const ZipArchive &zip, const std::string &part, const std::vector<std::string> &shared, Sheet &sheet,
               size_t &cells, std::string &error)
{
    std::string text;
    if (!zip.read(part, text, error))
        return false;
    XmlDoc doc;
    if (!parseXml(text, doc, part, error))
        return false;
    xmlNodePtr data = child(xmlDocGetRootElement(doc.doc), "sheetData");
    error = "damaged sheet " + part;
    uint32_t nextRow = 0;
    for (xmlNodePtr row = data ? data->children : nullptr; row; row = row->next) {
        if (!isElement(row, "row"))
            continue;
        std::string r;
        uint32_t rowIndex = nextRow;
        if (attribute(row, "r", r)) {
            uint32_t v = 0;
            if (!parseUnsigned(r, v) || v == 0 || v > kMaxRows)
                return false;
            rowIndex = uint32_t(v - 1);
        }
        nextRow = rowIndex + 1;
        uint32_t nextCol = 0;
        for (xmlNodePtr c = row->children; c; c = c->next) {
            if (!isElement(c, "c"))
                continue;
            CellKey key{rowIndex, nextCol};
            std::string ref, type;
            if (attribute(c, "r", ref) && !parseCellRef(ref, key))
                return false;
            if (key.second >= kMaxCols || key.first >= kMaxRows)
                return false;
            nextCol = key.second + 1;
            attribute(c, "t", type);
            Cell cell;
            bool keep = true;
            xmlNodePtr f = child(c, "f");
            xmlNodePtr v = child(c, "v");
            std::string formula = f ? content(f) : "";
            std::string value = v ? content(v) : "";
            if (!formula.empty()) {
                cell.kind = Cell::Kind::Formula;
                cell.text = "=" + formula;
            } else if (type == "s") {
                uint32_t index = 0;
                if (!parseUnsigned(value, index) || index >= shared.size())
                    return false;
                cell.text = shared[index];
            } else if (type == "inlineStr") {
                xmlNodePtr is = child(c, "is");
                cell.text = is ? stringItem(is) : "";
            } else if (type == "str" || type == "d") {
                cell.text = value;
            } else if (type == "b") {
                if (value != "0" && value != "1")
                    return false;
                cell.kind = Cell::Kind::Boolean;
                cell.number = value == "1" ? 1 : 0;
            } else if (type == "e") {
                keep = false; // an error value has no content of its own
            } else if (type.empty() || type == "n") {
                if (value.empty())
                    keep = false; // a cell with a style only
                else if (!parseDouble(value, cell.number))
                    return false;
                cell.kind = Cell::Kind::Number;
            } else {
                return false;
            }
            if (cell.kind == Cell::Kind::Text && cell.text.empty())
                keep = false;
            if (!keep)
                continue;
            if (cell.text.size() > kMaxCellBytes || ++cells > kMaxCells) {
                error = "workbook too large";
                return false;
            }
            sheet.cells[key] = std::move(cell);
        }
    }
    error.clear();
    return true;
}

} // namespace

// --- reading ------------------------------------------------------------------

size_t cellCount(const Workbook &book)
{
    size_t n = 0;
    for (const Sheet &s : book.sheets)
        n += s.cells.size();
    return n;
}

bool validSheetName(const std::string &name, std::string &error)
{
    size_t chars = utf8Length(name);
    if (chars == 0 || chars > kMaxSheetNameChars) {
        error = "sheet name must have 1 to 31 characters";
        return false;
    }
    if (name.find_first_of(":\\/?*[]") != std::string::npos || name.front() == '\'' || name.back() == '\'') {
        error = "sheet name holds a character sheets may not have";
        return false;
    }
    for (unsigned char c : name)
        if (c < 0x20) {
            error = "sheet name holds a control character";
            return false;
        }
    return true;
}

bool readWorkbook(const std::string &localPath, Workbook &book, std::string &error)
{
    ZipArchive zip;
    if (!zip.open(localPath, error))
        return false;
    std::vector<Relationship> rootRels;
    if (!readRelationships(zip, "_rels/.rels", rootRels, error))
        return false;
    std::string bookPart;
    for (const Relationship &r : rootRels)
        if (endsWith(r.type, "/officeDocument"))
            bookPart = resolvePart("", r.target);
    if (bookPart.empty()) {
        error = "workbook file lacks a workbook part";
        return false;
    }
    std::vector<Relationship> rels;
    if (!readRelationships(zip, relsOf(bookPart), rels, error))
        return false;

    std::vector<std::string> shared;
    for (const Relationship &r : rels) {
        if (!endsWith(r.type, "/sharedStrings"))
            continue;
        std::string part = resolvePart(dirOf(bookPart), r.target), text;
        XmlDoc doc;
        if (!zip.read(part, text, error) || !parseXml(text, doc, part, error))
            return false;
        for (xmlNodePtr si = xmlDocGetRootElement(doc.doc)->children; si; si = si->next) {
            if (!isElement(si, "si"))
                continue;
            if (shared.size() >= kMaxSharedStrings) {
                error = "workbook too large";
                return false;
            }
            shared.push_back(stringItem(si));
        }
    }

    std::string text;
    XmlDoc doc;
    if (!zip.read(bookPart, text, error) || !parseXml(text, doc, bookPart, error))
        return false;
    xmlNodePtr root = xmlDocGetRootElement(doc.doc);
    Workbook loaded;
    size_t cells = 0;
    // The active tab counts every sheet; only worksheets are loaded.
    std::vector<size_t> loadedIndexOfTab;
    xmlNodePtr sheets = child(root, "sheets");
    for (xmlNodePtr s = sheets ? sheets->children : nullptr; s; s = s->next) {
        if (!isElement(s, "sheet"))
            continue;
        loadedIndexOfTab.push_back(loaded.sheets.size());
        std::string name, id;
        if (!attribute(s, "name", name) || !attribute(s, "id", id, true)) {
            error = "damaged workbook part";
            return false;
        }
        const Relationship *rel = nullptr;
        for (const Relationship &r : rels)
            if (r.id == id)
                rel = &r;
        // Chart and dialog sheets hold no cells to keep.
        if (rel == nullptr || !endsWith(rel->type, "/worksheet"))
            continue;
        if (!validSheetName(name, error))
            return false;
        for (const Sheet &other : loaded.sheets)
            if (xmlStrcasecmp(BAD_CAST other.name.c_str(), BAD_CAST name.c_str()) == 0) {
                error = "two sheets named " + name;
                return false;
            }
        if (loaded.sheets.size() >= kMaxSheets) {
            error = "workbook too large";
            return false;
        }
        Sheet sheet;
        sheet.name = name;
        if (!readSheet(zip, resolvePart(dirOf(bookPart), rel->target), shared, sheet, cells, error))
            return false;
        loaded.sheets.push_back(std::move(sheet));
    }
    if (loaded.sheets.empty()) {
        error = "workbook has no worksheet";
        return false;
    }
    std::string tab;
    if (xmlNodePtr view = child(child(root, "bookViews"), "workbookView"); view && attribute(view, "activeTab", tab)) {
        uint32_t v = 0;
        if (parseUnsigned(tab, v) && v < loadedIndexOfTab.size())
            loaded.active = std::min(loadedIndexOfTab[v], loaded.sheets.size() - 1);
    }
    book.sheets = std::move(loaded.sheets);
    book.active = loaded.active;
    return true;
}

// --- writing ------------------------------------------------------------------

namespace {

// libxlsxwriter (and the crypto and zip libraries it pulls in) is opened
// with the first workbook written (base/lazy_host.h); its functions are
// called through pointers under the names the header gives them.
#define HOST_XLSX_FUNCTIONS(X) X(workbook_new_opt) X(workbook_add_worksheet) X(workbook_close) \
    X(worksheet_activate) X(worksheet_write_string) X(worksheet_write_number) X(worksheet_write_boolean) \
    X(worksheet_write_formula) X(lxw_strerror)
MDLHOST_LAZY_LIBRARY(XlsxApi, xlsxApi, HOST_XLSX_LIBRARY, HOST_XLSX_FUNCTIONS)
#define workbook_new_opt xlsxApi().workbook_new_opt
#define workbook_add_worksheet xlsxApi().workbook_add_worksheet
#define workbook_close xlsxApi().workbook_close
#define worksheet_activate xlsxApi().worksheet_activate
#define worksheet_write_string xlsxApi().worksheet_write_string
#define worksheet_write_number xlsxApi().worksheet_write_number
#define worksheet_write_boolean xlsxApi().worksheet_write_boolean
#define worksheet_write_formula xlsxApi().worksheet_write_formula
#define lxw_strerror xlsxApi().lxw_strerror

} // namespace

bool writeWorkbook(const Workbook &book, const std::string &localPath, std::string &error)
{
    if (!xlsxApi().ok) {
        error = "cannot write " + localPath + ": " HOST_XLSX_LIBRARY " cannot be loaded";
        return false;
    }
    std::string tmp, target;
    int fd = mdlhost::openReplacement(localPath, tmp, target);
    if (fd < 0) {
        error = "cannot write " + localPath + ": " + strerror(fd == -2 ? EINVAL : errno);
        return false;
    }
    close(fd);

    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.use_zip64 = LXW_FALSE;
    lxw_workbook *wb = workbook_new_opt(tmp.c_str(), &options);
    if (wb == nullptr) {
        unlink(tmp.c_str());
        error = "cannot write " + localPath;
        return false;
    }
    bool ok = true;
    for (size_t i = 0; i < book.sheets.size() && ok; i++) {
        const Sheet &sheet = book.sheets[i];
        lxw_worksheet *ws = workbook_add_worksheet(wb, sheet.name.c_str());
        if (ws == nullptr) {
            error = "sheet name refused: " + sheet.name;
            ok = false;
            break;
        }
        if (i == book.active)
            worksheet_activate(ws);
        for (const auto &[key, cell] : sheet.cells) {
            lxw_row_t row = key.first;
            lxw_col_t col = lxw_col_t(key.second);
            lxw_error e = LXW_NO_ERROR;
            switch (cell.kind) {
            case Cell::Kind::Text:
                e = worksheet_write_string(ws, row, col, cell.text.c_str(), nullptr);
                break;
            case Cell::Kind::Number:
                e = worksheet_write_number(ws, row, col, cell.number, nullptr);
                break;
            case Cell::Kind::Boolean:
                e = worksheet_write_boolean(ws, row, col, cell.number != 0, nullptr);
                break;
            case Cell::Kind::Formula:
                e = worksheet_write_formula(ws, row, col, cell.text.c_str(), nullptr);
                break;
            }
            if (e != LXW_NO_ERROR) {
                error = std::string("cell refused: ") + lxw_strerror(e);
                ok = false;
                break;
            }
        }
    }
    lxw_error closed = workbook_close(wb); // frees the workbook whatever it returns
    if (ok && closed != LXW_NO_ERROR) {
        error = std::string("cannot write ") + localPath + ": " + lxw_strerror(closed);
        ok = false;
    }
    if (ok) {
        int sync = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
        ok = sync >= 0 && fsync(sync) == 0;
        if (sync >= 0)
            close(sync);
    }
    if (!mdlhost::commitReplacement(tmp, target, ok)) {
        if (error.empty())
            error = "cannot write " + localPath + ": " + strerror(errno);
        return false;
    }
    return true;
}

} // namespace mdlhost::sheet
