// Named line styles and text styles of a design file, and the line-style
// modifiers an element carries.  Files written before these tables existed
// simply have no styles; the tables are made by the first style added.
#include <cmath>
#include <cstring>
#include <string>

#include "base/text_host.h"
#include "dgn/mdlelem.h"
#include "dgnstore_int.h"

using namespace mdlhost::dgn;

namespace {

const char *const kLineStyleTable = "CREATE TABLE IF NOT EXISTS dgn_line_styles (number INTEGER PRIMARY KEY, "
                                    "name TEXT NOT NULL UNIQUE)";
const char *const kTextStyleTable = "CREATE TABLE IF NOT EXISTS dgn_text_styles (id INTEGER PRIMARY KEY, "
                                    "name TEXT NOT NULL UNIQUE, width REAL NOT NULL, height REAL NOT NULL, "
                                    "line_spacing REAL NOT NULL, slant REAL NOT NULL, font INTEGER NOT NULL, "
                                    "justification INTEGER NOT NULL, flags INTEGER NOT NULL)";

// Body of the modifier linkage: modifiers, reserved, scale, start and end width.
constexpr int kParamsWords = 2 + int(sizeof(LineStyleParams) / 2);
static_assert(sizeof(LineStyleParams) == 32);

// A style name as given: 8-bit, 1 .. MDLHOST_MAX_LINESTYLENAME characters.
bool lineStyleName(const char *name, std::string &out)
{
    if (name == nullptr)
        return false;
    size_t n = strnlen(name, MDLHOST_MAX_LINESTYLENAME + 1);
    if (n == 0 || n > MDLHOST_MAX_LINESTYLENAME)
        return false;
    out = mdlhost::latin1ToUtf8(std::string_view(name, n));
    return true;
}

// The table's first row of sql bound to fn, or DGNERR_NOTFOUND (also when
// the file has no such table).
template <typename Bind, typename Read> int selectOne(DgnModelRefP model, const char *sql, Bind bind, Read read)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    int saved = mdlErrno;
    sqlite3_stmt *s = fileStatement(*m->file, sql);
    if (s == nullptr) {
        mdlErrno = saved;
        return mdlErrno = DGNERR_NOTFOUND;
    }
    bind(s);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
        read(s);
    sqlite3_reset(s);
    if (rc == SQLITE_ROW)
        return mdlErrno = 0;
    return mdlErrno = rc == SQLITE_DONE ? DGNERR_NOTFOUND : storeError(rc);
}

// Every value of column 0 of sql in row order, at most max; the count.
int selectIds(DgnModelRefP model, const char *sql, int32_t *ids, int max)
{
    Model *m = needModel(model);
    if (m == nullptr || ids == nullptr || max <= 0)
        return 0;
    int saved = mdlErrno;
    sqlite3_stmt *s = fileStatement(*m->file, sql);
    mdlErrno = saved;
    if (s == nullptr)
        return 0;
    int n = 0;
    while (n < max && sqlite3_step(s) == SQLITE_ROW)
        ids[n++] = int32_t(sqlite3_column_int64(s, 0));
    sqlite3_reset(s);
    return n;
}

// Inserts a row through insert after making the table; the new row id.
template <typename Bind> int insertRow(DgnModelRefP model, const char *table, const char *sql, Bind bind, int64_t *id)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    StoreWrite w(model);
    if (!w.ok())
        return w.error();
    int rc = exec(*m->file, table);
    if (rc != SQLITE_OK)
        return w.fail(storeError(rc));
    sqlite3_stmt *s = fileStatement(*m->file, sql);
    if (s == nullptr)
        return w.fail(mdlErrno);
    bind(s);
    rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE)
        return w.fail(storeError(rc));
    *id = sqlite3_last_insert_rowid(m->file->db);
    if (*id <= 0 || *id > INT32_MAX)
        return w.fail(DGNERR_FILEFULL);
    return w.finish();
}

bool isFinite(double v) { return std::isfinite(v); }

} // namespace

// --- named line styles --------------------------------------------------------------

int mdlLineStyle_create(DgnModelRefP model, const char *name, int32_t *number)
{
    if (number)
        *number = 0;
    std::string n;
    if (!lineStyleName(name, n))
        return mdlErrno = DGNERR_BADARG;
    int32_t existing = 0;
    if (mdlLineStyle_getNumber(&existing, model, name) == 0) {
        if (number)
            *number = existing;
        return mdlErrno = DGNERR_EXISTS;
    }
    int64_t id = 0;
    int e = insertRow(model, kLineStyleTable, "INSERT INTO dgn_line_styles (name) VALUES (?1)",
                      [&](sqlite3_stmt *s) { sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT); }, &id);
    if (e != 0)
        return mdlErrno = e;
    if (number)
        *number = int32_t(id);
    return mdlErrno = 0;
}

int mdlLineStyle_getNumber(int32_t *number, DgnModelRefP model, const char *name)
{
    if (number)
        *number = 0;
    std::string n;
    if (!lineStyleName(name, n))
        return mdlErrno = DGNERR_BADARG;
    return selectOne(
        model, "SELECT number FROM dgn_line_styles WHERE name = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT); },
        [&](sqlite3_stmt *s) {
            if (number)
                *number = int32_t(sqlite3_column_int64(s, 0));
        });
}

int mdlLineStyle_numberFromName(int32_t *number, DgnModelRefP model, const char *name)
{
    return mdlLineStyle_getNumber(number, model, name);
}

int mdlLineStyle_getName(char *name, int size, DgnModelRefP model, int32_t number)
{
    if (name == nullptr || size <= 0)
        return mdlErrno = DGNERR_BADARG;
    name[0] = '\0';
    if (number < 0)
        number = number == INT32_MIN ? 0 : -number;
    return selectOne(
        model, "SELECT name FROM dgn_line_styles WHERE number = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 1, number); },
        [&](sqlite3_stmt *s) {
            const char *t = reinterpret_cast<const char *>(sqlite3_column_text(s, 0));
            std::string latin1 = mdlhost::utf8ToLatin1(t ? t : "");
            mdlhost::copyText(name, size_t(size), latin1.c_str());
        });
}

int mdlhost_lineStyleNumbers(DgnModelRefP model, int32_t *numbers, int max)
{
    return selectIds(model, "SELECT number FROM dgn_line_styles ORDER BY number", numbers, max);
}

int mdlElement_setLineStyle(MSElement *el, int32_t style, const LineStyleParams *params)
{
    if (el == nullptr)
        return mdlErrno = DGNERR_BADARG;
    if (params != nullptr && !(isFinite(params->scale) && isFinite(params->startWidth) && isFinite(params->endWidth)))
        return mdlErrno = DGNERR_BADARG;
    // Build in a copy so that a refused linkage leaves the element whole.
    MSElement copy;
    if (mdlElement_memcpy(&copy, el) != 0)
        return mdlErrno = DGNERR_BADELEMENT;
    if (mdlElement_setSymbology(&copy, nullptr, nullptr, &style) != 0)
        return mdlErrno;
    mdlLinkage_deleteByID(&copy, MDLHOST_LINKAGEID_LINESTYLE);
    if (params != nullptr && params->modifiers != 0) {
        LinkageHeader h{0, MDLHOST_LINKAGEID_LINESTYLE};
        if (mdlLinkage_setWords(&h, kParamsWords) != 0 || mdlLinkage_appendToElement(&copy, &h, params) != 0)
            return mdlErrno = DGNERR_FILEFULL;
    }
    mdlElement_memcpy(el, &copy);
    return mdlErrno = 0;
}

int mdlElement_getLineStyleParams(LineStyleParams *params, const MSElement *el)
{
    if (params == nullptr || el == nullptr)
        return mdlErrno = DGNERR_BADARG;
    *params = LineStyleParams{};
    const uint16_t *link = nullptr;
    int words = 0;
    if (mdlLinkage_findByID(&link, &words, el, MDLHOST_LINKAGEID_LINESTYLE, 0) != 0 || words < kParamsWords)
        return mdlErrno = DGNERR_NOTFOUND;
    std::memcpy(params, link + 2, sizeof *params);
    return mdlErrno = 0;
}

// --- text styles ----------------------------------------------------------------------

int mdlTextStyle_create(DgnModelRefP model, const char16_t *name, const MdlTextStyle *style, int32_t *id)
{
    if (id)
        *id = 0;
    std::u16string n = wideString(name, MDLHOST_MAX_TEXTSTYLENAME + 1);
    if (style == nullptr || n.empty() || n.size() > MDLHOST_MAX_TEXTSTYLENAME ||
        !(isFinite(style->width) && isFinite(style->height) && isFinite(style->lineSpacing) && isFinite(style->slant)))
        return mdlErrno = DGNERR_BADARG;
    if (mdlTextStyle_getByName(nullptr, id, model, name) == 0)
        return mdlErrno = DGNERR_EXISTS;
    std::string name8 = mdlhost::utf16ToUtf8(n);
    int64_t row = 0;
    int e = insertRow(
        model, kTextStyleTable,
        "INSERT INTO dgn_text_styles (name, width, height, line_spacing, slant, font, justification, flags) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
        [&](sqlite3_stmt *s) {
            sqlite3_bind_text(s, 1, name8.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(s, 2, style->width);
            sqlite3_bind_double(s, 3, style->height);
            sqlite3_bind_double(s, 4, style->lineSpacing);
            sqlite3_bind_double(s, 5, style->slant);
            sqlite3_bind_int64(s, 6, style->font);
            sqlite3_bind_int64(s, 7, style->justification);
            sqlite3_bind_int64(s, 8, style->flags);
        },
        &row);
    if (e != 0)
        return mdlErrno = e;
    if (id)
        *id = int32_t(row);
    return mdlErrno = 0;
}

namespace {

void readTextStyle(sqlite3_stmt *s, MdlTextStyle *style, int32_t *id)
{
    if (id)
        *id = int32_t(sqlite3_column_int64(s, 0));
    if (style == nullptr)
        return;
    style->width = sqlite3_column_double(s, 1);
    style->height = sqlite3_column_double(s, 2);
    style->lineSpacing = sqlite3_column_double(s, 3);
    style->slant = sqlite3_column_double(s, 4);
    style->font = int(sqlite3_column_int64(s, 5));
    style->justification = int(sqlite3_column_int64(s, 6));
    style->flags = uint32_t(sqlite3_column_int64(s, 7));
}

} // namespace

int mdlTextStyle_getByName(MdlTextStyle *style, int32_t *id, DgnModelRefP model, const char16_t *name)
{
    std::u16string n = wideString(name, MDLHOST_MAX_TEXTSTYLENAME + 1);
    if (n.empty() || n.size() > MDLHOST_MAX_TEXTSTYLENAME)
        return mdlErrno = DGNERR_BADARG;
    std::string name8 = mdlhost::utf16ToUtf8(n);
    return selectOne(
        model,
        "SELECT id, width, height, line_spacing, slant, font, justification, flags FROM dgn_text_styles "
        "WHERE name = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_text(s, 1, name8.c_str(), -1, SQLITE_TRANSIENT); },
        [&](sqlite3_stmt *s) { readTextStyle(s, style, id); });
}

int mdlTextStyle_getName(char16_t *name, int maxChars, DgnModelRefP model, int32_t id)
{
    if (name == nullptr || maxChars <= 0)
        return mdlErrno = DGNERR_BADARG;
    name[0] = 0;
    return selectOne(
        model, "SELECT name FROM dgn_text_styles WHERE id = ?1",
        [&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 1, id); },
        [&](sqlite3_stmt *s) { copyWide(name, maxChars, columnWide(s, 0)); });
}

int mdlhost_textStyleIds(DgnModelRefP model, int32_t *ids, int max)
{
    return selectIds(model, "SELECT id FROM dgn_text_styles ORDER BY id", ids, max);
}
