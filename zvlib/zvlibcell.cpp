// Cells: where the cell libraries are, attaching a library when needed,
// listing, drawing and merging cells.
#include <cstdio>
#include <cstring>

#include "mdlhost.h"
#include "zvlibcell.h"
#include "zvlibelement.h"
#include "zvlibtext.h"
#include "zvlibutil.h"

namespace {

// ZV_CELL is a search path and may name several directories.
constexpr int FRAME_INSET = 2;
// The preview's dark background, against which the cross lines in the
// window's fixed colour 7 show.
constexpr int PREVIEW_BACKGROUND = 0;
constexpr int CROSS_COLOUR = 7;
constexpr int CROSS_VERTICAL = 1;
constexpr int CROSS_HORIZONTAL = 2;

// Name and extension of both paths equal, case ignored; directories do not
// count.
bool sameLibrary(const char *a, const char *b)
{
    char nameA[MDLHOST_MAXFILELENGTH], extA[MDLHOST_MAXFILELENGTH];
    char nameB[MDLHOST_MAXFILELENGTH], extB[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(a, nullptr, nullptr, nameA, extA);
    mdlFile_parseName(b, nullptr, nullptr, nameB, extB);
    return zvlib::sameNameLatin1(nameA, nameB) && zvlib::sameNameLatin1(extA, extB);
}

BSIRect shrink(const BSIRect &r, int by)
{
    BSIRect s = r;
    s.origin.x += by;
    s.origin.y += by;
    s.corner.x -= by;
    s.corner.y -= by;
    return s;
}

// Appends the elements of chain to cell, descending into cell headers
// instead of taking them.  Each element goes with its own components.
int appendLeavingCells(MSElementDescr *cell, MSElementDescr *chain)
{
    for (MSElementDescr *d = chain; d != nullptr; d = d->h.next) {
        if ((d->el.ehdr.type & ELM_TYPE_MASK) == CELL_HEADER_ELM) {
            if (appendLeavingCells(cell, d->h.firstElem) != 0)
                return ZVLIB_FAILURE;
            continue;
        }
        // Duplicating copies the following siblings too; take this one only.
        MSElementDescr *next = d->h.next;
        d->h.next = nullptr;
        MSElementDescr *copy = nullptr;
        const int rc = mdlElmdscr_duplicate(&copy, d);
        d->h.next = next;
        if (rc != 0 || mdlElmdscr_appendDscr(cell, copy) != 0) {
            mdlElmdscr_freeAll(&copy);
            return ZVLIB_FAILURE;
        }
    }
    return 0;
}

} // namespace

int zvlibCell_getZvCellPath(char *path, int size)
{
    if (path == nullptr || size <= 0)
        return ZVLIB_FAILURE;
    char value[ZVLIB_CFGVALUE_LEN];
    bool fits;
    if (mdlSystem_getCfgVar(value, "ZV_CELL", sizeof value) == 0) {
        fits = zvlib::copyText(path, static_cast<size_t>(size), value);
    } else if (mdlSystem_getCfgVar(value, "ZV_DIR", sizeof value) == 0) {
        int n = snprintf(path, static_cast<size_t>(size), "%s%s", value, ZVLIB_CELL_DIR);
        fits = n >= 0 && n < size;
    } else {
        fits = zvlib::copyText(path, static_cast<size_t>(size), ZVLIB_CELL_DEFAULT_DIR);
    }
    if (!fits) {
        path[0] = '\0';
        return ZVLIB_FAILURE;
    }
    return 0;
}

int zvlibCell_getCellPathAndName(char *path, const char *fileName)
{
    if (path == nullptr)
        return ZVLIB_FAILURE;
    path[0] = '\0';
    if (fileName == nullptr || fileName[0] == '\0')
        return ZVLIB_FAILURE;
    char searchPath[ZVLIB_CFGVALUE_LEN];
    if (mdlSystem_getCfgVar(searchPath, "ZV_CELL", sizeof searchPath) == 0)
        return mdlFile_find(path, fileName, searchPath, ZVLIB_CELL_EXTENSION) == 0 ? 0 : ZVLIB_FAILURE;
    char dir[MDLHOST_MAXFILELENGTH], full[MDLHOST_MAXFILELENGTH];
    if (zvlibCell_getZvCellPath(dir, sizeof dir) != 0)
        return ZVLIB_FAILURE;
    const int n = snprintf(full, sizeof full, "%s%s", dir, fileName);
    if (n < 0 || size_t(n) >= sizeof full)
        return ZVLIB_FAILURE;
    return mdlFile_find(path, full, nullptr, nullptr) == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibCell_loadCellLibraryIfNeeded(const char *fileName)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return 0;
    char attached[MDLHOST_MAXFILELENGTH];
    if (mdlCell_getLibraryName(attached, sizeof attached) == 0 && sameLibrary(attached, fileName))
        return 0;
    char path[MDLHOST_MAXFILELENGTH];
    if (zvlibCell_getCellPathAndName(path, fileName) == 0)
        return mdlCell_attachLibraryEx(nullptr, path, nullptr);
    // Not in the cell folders: the host looks for the name as given and
    // reports why it failed.
    return mdlCell_attachLibraryEx(nullptr, fileName, nullptr);
}

int zvlibCell_getStringlistFromLib(StringList *list, int membersPerCell)
{
    if (list == nullptr || membersPerCell < 2)
        return ZVLIB_FAILURE;
    char16_t name[MDLHOST_MAX_CELLNAME + 1], description[MDLHOST_MAX_CELLNAME + 1];
    char text[MDLHOST_MAX_CELLNAME + 1];
    int cells = 0;
    const int chars = MDLHOST_MAX_CELLNAME + 1;
    for (int i = 0; mdlCell_getLibraryCell(i, name, chars, description, chars) == 0; ++i) {
        mdlCnv_convertUnicodeToMultibyte(name, -1, text, sizeof text);
        if (zvlib::sameNameLatin1(text, "default"))
            continue;
        long first = 0;
        if (mdlStringList_insertMember(&first, list, -1, membersPerCell) != 0)
            return ZVLIB_FAILURE;
        mdlStringList_setMember(list, first, text, nullptr);
        if (description[0] != 0) {
            mdlCnv_convertUnicodeToMultibyte(description, -1, text, sizeof text);
            mdlStringList_setMember(list, first + 1, text, nullptr);
        }
        ++cells;
    }
    return cells;
}

int zvlibCell_getFilePosFromStringlist(void)
{
    toolSubsystem_printf("zvlibCell_getFilePosFromStringlist er ikke n\xF8" "dvendig i V8.\n");
    return ZVLIB_FAILURE;
}

int zvlibCell_drawCell(const char *cellName, MSDialog *db, const BSIRect *rect, int inset, int crossLines)
{
    if (cellName == nullptr || db == nullptr || rect == nullptr)
        return ZVLIB_FAILURE;
    mdlDialog_rectDrawBeveled(db, rect, 0);
    const BSIRect inside = shrink(*rect, FRAME_INSET);
    mdlDialog_rectFill(db, &inside, PREVIEW_BACKGROUND);

    char16_t wide[MDLHOST_MAX_CELLNAME + 1];
    mdlCnv_convertMultibyteToUnicode(cellName, -1, wide, MDLHOST_MAX_CELLNAME + 1);
    MSElementDescr *cell = nullptr;
    if (mdlCell_getElmDscr(&cell, nullptr, nullptr, 0, nullptr, 0, MDLHOST_NO_MODEL, wide) != 0)
        return ZVLIB_FAILURE;
    const BSIRect area = inset > 0 ? shrink(*rect, inset) : *rect;
    zvlibElemDscr_drawElementDescr(db, &area, cell, nullptr, -1);
    mdlElmdscr_freeAll(&cell);

    const int midX = (inside.origin.x + inside.corner.x) / 2, midY = (inside.origin.y + inside.corner.y) / 2;
    if (crossLines & CROSS_VERTICAL)
        mdlDialog_lineDraw(db, midX, inside.origin.y, midX, inside.corner.y - 1, CROSS_COLOUR);
    if (crossLines & CROSS_HORIZONTAL)
        mdlDialog_lineDraw(db, inside.origin.x, midY, inside.corner.x - 1, midY, CROSS_COLOUR);
    return 0;
}

int zvlibCell_mergeCells(MSElementDescr *cell, MSElementDescr *first, MSElementDescr *second)
{
    if (cell == nullptr || (cell->el.ehdr.type & ELM_TYPE_MASK) != CELL_HEADER_ELM)
        return ZVLIB_FAILURE;
    RotMatrix inverse;
    if (mdlRMatrix_invert(&inverse, &cell->el.cell.rotation) != 0)
        return ZVLIB_FAILURE;
    if (appendLeavingCells(cell, first) != 0 || appendLeavingCells(cell, second) != 0)
        return ZVLIB_FAILURE;

    // Turning about the origin leaves it where it is.
    const DPoint3d origin = cell->el.cell.origin;
    const double o[3] = {origin.x, origin.y, origin.z};
    Transform t;
    for (int i = 0; i < 3; ++i) {
        t.form3d[i][3] = o[i];
        for (int j = 0; j < 3; ++j) {
            t.form3d[i][j] = inverse.form3d[i][j];
            t.form3d[i][3] -= inverse.form3d[i][j] * o[j];
        }
    }
    // The transform would also turn the cell's following siblings.
    MSElementDescr *next = cell->h.next;
    cell->h.next = nullptr;
    int rc = mdlElmdscr_transform(cell, &t);
    mdlRMatrix_getIdentity(&cell->el.cell.rotation);
    cell->el.cell.origin.x = origin.x;
    cell->el.cell.origin.y = origin.y;
    if (mdlModelRef_is3D(mdlModelRef_getActive()))
        cell->el.cell.origin.z = origin.z;
    if (rc == 0)
        rc = mdlElmdscr_validate(cell, mdlModelRef_getActive());
    cell->h.next = next;
    return rc == 0 ? 0 : ZVLIB_FAILURE;
}
