// Cells and cell libraries.  A library is a design file whose models are
// its cells; one library is attached (read-only) at a time.
//
// Sections: shared helpers (wide strings, handles, statements); the
// attached library; cells as descriptors; extraction; writing libraries.
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/text_host.h"
#include "dgn_int.h"
#include "dgncell_int.h"
#include "dgn/mdlelem.h"
#include "sys/mdlsys.h"

namespace mdlhost::dgn {

// --- shared helpers -----------------------------------------------------------------

size_t wideLength(const char16_t *s, size_t max)
{
    size_t n = 0;
    while (n <= max && s[n]) ++n;
    return n;
}

void wideCopy(char16_t *dst, int cap, const char16_t *src)
{
    if (!dst || cap <= 0) return;
    int n = 0;
    if (src)
        for (; n < cap - 1 && src[n]; ++n) dst[n] = src[n];
    dst[n] = 0;
}

bool wideEqual(const char16_t *a, const char16_t *b)
{
    for (; *a && *a == *b; ++a, ++b) {}
    return *a == *b;
}

namespace {
// the text room's case for the ISO 8859-1 units; a unit above 0xFF stays.
char16_t foldLatin1(char16_t c)
{
    return c <= 0xFF ? static_cast<unsigned char>(upperCase(static_cast<char>(c))) : c;
}
} // namespace

bool wideEqualNoCase(const char16_t *a, const char16_t *b)
{
    for (; *a && foldLatin1(*a) == foldLatin1(*b); ++a, ++b) {}
    return foldLatin1(*a) == foldLatin1(*b);
}

void ModelHandle::reset()
{
    if (model_ != MDLHOST_NO_MODEL) mdlhost_dgnCloseModel(model_);
    model_ = MDLHOST_NO_MODEL;
}

StoreStmt::StoreStmt(DgnModelRefP model, const char *sql) : st_(storeStatement(model, sql)) {}

StoreStmt::~StoreStmt()
{
    if (st_) {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
}

int failWith(int error)
{
    mdlErrno = error;
    return error;
}

int succeed()
{
    mdlErrno = 0;
    return 0;
}

// --- the attached library -----------------------------------------------------------

namespace {

struct Library {
    ModelHandle file; // the file's default model
    char name[MDLHOST_MAXFILELENGTH] = "";
    bool namesLoaded = false;
    std::vector<std::u16string> cellNames; // by model index
};

Library &library()
{
    static Library lib;
    return lib;
}

// Cell names of the attached library by model index, read once per attach
// (the library is read-only while attached; writing a cell drops the list).
const std::vector<std::u16string> &cellNames()
{
    Library &lib = library();
    if (!lib.namesLoaded && lib.file.get()) {
        lib.cellNames.clear();
        int n = mdlhost_dgnModelCount(lib.file.get());
        for (int i = 0; i < n; ++i) {
            ModelHandle m;
            std::u16string name;
            if (mdlhost_dgnOpenModelAt(lib.file.get(), i, m.out()) == 0) {
                std::vector<char16_t> buf(MDLHOST_MAX_MODELNAME + 1);
                if (mdlhost_dgnGetModelName(m.get(), buf.data(), static_cast<int>(buf.size())) == 0)
                    name = buf.data();
            }
            lib.cellNames.push_back(name);
        }
        lib.namesLoaded = true;
    }
    return lib.cellNames;
}

// Index of the cell in the attached library: exact name first, else case
// ignored; -1 when none.
int cellIndex(const char16_t *name)
{
    const auto &names = cellNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && wideEqual(names[i].c_str(), name)) return static_cast<int>(i);
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && wideEqualNoCase(names[i].c_str(), name)) return static_cast<int>(i);
    return -1;
}

bool validCellName(const char16_t *name)
{
    if (!name || !*name) return false;
    return wideLength(name, MDLHOST_MAX_CELLNAME) <= MDLHOST_MAX_CELLNAME;
}

} // namespace

DgnModelRefP cellLibrary() { return library().file.get(); }

int cellFind(DgnModelRefP lib, const char16_t *name, ModelHandle &cell)
{
    if (!validCellName(name)) return failWith(DGNERR_BADARG);
    if (!lib) return failWith(DGNERR_NOTFOUND);
    if (lib == cellLibrary()) {
        int index = cellIndex(name);
        if (index < 0) return failWith(DGNERR_NOTFOUND);
        return mdlhost_dgnOpenModelAt(lib, index, cell.out());
    }
    if (mdlhost_dgnFindModel(lib, name, cell.out()) == 0) return 0;
    int n = mdlhost_dgnModelCount(lib);
    std::vector<char16_t> buf(MDLHOST_MAX_MODELNAME + 1);
    for (int i = 0; i < n; ++i) {
        if (mdlhost_dgnOpenModelAt(lib, i, cell.out()) != 0) continue;
        if (mdlhost_dgnGetModelName(cell.get(), buf.data(), static_cast<int>(buf.size())) == 0 &&
            wideEqualNoCase(buf.data(), name))
            return 0;
    }
    cell.reset();
    return failWith(DGNERR_NOTFOUND);
}

// --- cells as descriptors -----------------------------------------------------------------

namespace {

void linkAfter(MSElementDescr *&head, MSElementDescr *&tail, MSElementDescr *d)
{
    d->h.next = nullptr;
    d->h.previous = tail;
    d->h.myHeader = nullptr;
    if (tail) tail->h.next = d;
    else head = d;
    tail = d;
}

// Words of a node with everything below it.
uint32_t treeWords(const MSElementDescr *d)
{
    uint64_t words = d->el.ehdr.elementSize;
    for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) words += treeWords(c);
    return words > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(words);
}

bool isComponentHeader(int type) { return isHeaderType(type) && type != SHAREDCELL_DEF_ELM; }

// Every node of a tree (siblings of d included).
template <typename Fn>
void forEachNode(MSElementDescr *d, Fn fn)
{
    for (; d; d = d->h.next) {
        fn(d);
        forEachNode(d->h.firstElem, fn);
    }
}

// Converts each tree of chain to 3D (z 0) or 2D in place of the old ones.
int convertChain(MSElementDescr *&chain, bool to3d, DgnModelRefP model)
{
    MSElementDescr *head = nullptr, *tail = nullptr;
    int rc = 0;
    while (chain) {
        MSElementDescr *d = chain;
        chain = d->h.next;
        if (chain) chain->h.previous = nullptr;
        d->h.next = nullptr;
        MSElementDescr *converted = nullptr;
        if (rc == 0)
            rc = to3d ? mdlElmdscr_convertTo3D(&converted, d, model, 0.0) : mdlElmdscr_convertTo2D(&converted, d, model);
        mdlElmdscr_freeAll(&d);
        if (converted) linkAfter(head, tail, converted);
    }
    chain = head;
    return rc;
}

} // namespace

void cellSetRanges(MSElementDescr *dscr)
{
    for (MSElementDescr *d = dscr; d; d = d->h.next) {
        if (!d->h.firstElem) continue;
        cellSetRanges(d->h.firstElem);
        const int type = elementType(&d->el);
        if (!isComponentHeader(type)) continue;
        uint32_t n = 0;
        for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) ++n;
        d->el.complexHdr.numComponents = n;
        d->el.complexHdr.totalWords = treeWords(d);
        DRange3d range;
        if (descrRange(d, &range) == 0) d->el.complexHdr.dhdr.range = range;
    }
}

int cellReadComponents(DgnModelRefP cellModel, MSElementDescr **chain)
{
    *chain = nullptr;
    MSElementDescr *head = nullptr, *tail = nullptr;
    int rc = storeScan(cellModel, ScanFilter{}, [&](uint32_t pos) {
        MSElementDescr *d = nullptr;
        if (mdlElmdscr_read(&d, pos, cellModel, 0, nullptr) == 0 || !d) return mdlErrno ? mdlErrno : DGNERR_BADELEMENT;
        linkAfter(head, tail, d);
        return 0;
    });
    if (rc != 0) {
        mdlElmdscr_freeAll(&head);
        return failWith(rc);
    }
    // Copies get positions and ids of their own when they are added.
    forEachNode(head, [](MSElementDescr *d) {
        d->el.ehdr.uniqueId = 0;
        d->h.filePos = 0;
        d->h.dgnModelRef = MDLHOST_NO_MODEL;
    });
    *chain = head;
    return 0;
}

int cellMapLevels(MSElementDescr *dscr, DgnModelRefP source, DgnModelRefP target)
{
    std::map<uint32_t, uint32_t> mapped;
    std::vector<char16_t> name(MDLHOST_MAX_LEVELNAME + 1), description(MDLHOST_MAX_LEVELNAME + 1);
    int error = 0;
    forEachNode(dscr, [&](MSElementDescr *d) {
        uint32_t from = d->el.ehdr.level;
        if (error || from == LEVEL_NULL_ID) return;
        auto it = mapped.find(from);
        if (it == mapped.end()) {
            uint32_t to = LEVEL_NULL_ID;
            // A level the source does not name cannot be matched; it goes to no level.
            if (mdlLevel_getName(name.data(), static_cast<int>(name.size()), source, from) == 0) {
                if (mdlLevel_getIdFromName(&to, target, name.data()) != 0) {
                    if ((error = mdlLevel_create(target, name.data(), &to)) != 0) return;
                    // By-level symbology of copied elements must look as it did.
                    uint32_t color, weight;
                    int32_t style;
                    if (mdlLevel_getElementColor(&color, source, from) == 0) mdlLevel_setElementColor(target, to, color);
                    if (mdlLevel_getElementWeight(&weight, source, from) == 0)
                        mdlLevel_setElementWeight(target, to, weight);
                    if (mdlLevel_getElementStyle(&style, source, from) == 0) mdlLevel_setElementStyle(target, to, style);
                    if (mdlLevel_getDescription(description.data(), static_cast<int>(description.size()), source,
                                                from) == 0 &&
                        description[0])
                        mdlLevel_setDescription(target, to, description.data());
                }
            }
            it = mapped.emplace(from, to).first;
        }
        d->el.ehdr.level = it->second;
    });
    return error ? failWith(error) : 0;
}

int cellTransform(MSElementDescr *chain, const Transform &t)
{
    for (MSElementDescr *d = chain; d; d = d->h.next) {
        MSElementDescr *next = d->h.next;
        d->h.next = nullptr; // one tree at a time
        int rc = mdlElmdscr_transform(d, &t);
        d->h.next = next;
        if (rc != 0) return failWith(rc);
    }
    return 0;
}

MSElementDescr *cellMakeHeader(MSElementDescr *components, const char16_t *name, const char16_t *description,
                               const DPoint3d &origin, const RotMatrix &rotation, bool is3d)
{
    auto el = std::make_unique<MSElement>();
    Cell_elm &c = el->cell;
    c.ehdr.type = CELL_HEADER_ELM;
    c.ehdr.elementSize = c.ehdr.attrOffset = sizeof(Cell_elm) / 2;
    c.ehdr.level = components ? components->el.ehdr.level : LEVEL_NULL_ID;
    c.ehdr.graphicGroup = components ? components->el.ehdr.graphicGroup : 0;
    c.ehdr.properties = is3d ? ELM_PROP_3D : 0;
    c.origin = origin;
    c.rotation = rotation;
    wideCopy(c.name, MDLHOST_MAX_CELLNAME + 1, name);
    wideCopy(c.description, MDLHOST_MAX_CELLNAME + 1, description);
    c.dhdr.range.low = c.dhdr.range.high = origin;

    MSElementDescr *hdr = nullptr;
    if (mdlElmdscr_new(&hdr, nullptr, el.get()) != 0 || !hdr) {
        mdlElmdscr_freeAll(&components);
        failWith(DGNERR_FILEFULL);
        return nullptr;
    }
    hdr->h.isHeader = 1;
    hdr->h.firstElem = components;
    for (MSElementDescr *d = components; d; d = d->h.next) d->h.myHeader = hdr;
    forEachNode(components, [](MSElementDescr *d) { d->el.ehdr.type |= ELM_COMPLEX_BIT; });
    cellSetRanges(hdr);
    return hdr;
}

int cellBuild(MSElementDescr **out, DgnModelRefP cell, const DPoint3d &at, const RotMatrix &rs, bool trueScale,
              bool keepLevels, DgnModelRefP model)
{
    *out = nullptr;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (!std::isfinite(rs.form3d[i][j])) return failWith(DGNERR_BADARG);
    if (!std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(at.z)) return failWith(DGNERR_BADARG);

    // Library UOR relative to the library's origin -> model UOR.
    double units = 1.0;
    if (trueScale) {
        double from = mdlModelRef_getUorPerMaster(cell), to = mdlModelRef_getUorPerMaster(model);
        if (from > 0 && to > 0 && std::isfinite(to / from)) units = to / from;
    }
    DPoint3d libOrigin{0, 0, 0};
    mdlModelRef_getGlobalOrigin(cell, &libOrigin);
    const double lo[3] = {libOrigin.x, libOrigin.y, libOrigin.z};
    const double to[3] = {at.x, at.y, at.z};
    Transform t;
    for (int i = 0; i < 3; ++i) {
        double shift = 0;
        for (int j = 0; j < 3; ++j) {
            t.form3d[i][j] = rs.form3d[i][j] * units;
            shift += t.form3d[i][j] * lo[j];
        }
        t.form3d[i][3] = to[i] - shift;
    }

    MSElementDescr *components = nullptr;
    int rc = cellReadComponents(cell, &components);
    if (rc != 0) return rc;
    if (keepLevels) rc = cellMapLevels(components, cell, model);
    else forEachNode(components, [](MSElementDescr *d) { d->el.ehdr.level = LEVEL_NULL_ID; });
    // Elements carry z exactly when their design is 3D: a 2D cell is lifted
    // before it is placed, a 3D one flattened after.
    const bool libIs3d = mdlModelRef_is3D(cell) != 0, is3d = mdlModelRef_is3D(model) != 0;
    if (rc == 0 && is3d && !libIs3d) rc = convertChain(components, true, model);
    if (rc == 0) rc = cellTransform(components, t);
    if (rc == 0 && !is3d && libIs3d) rc = convertChain(components, false, model);
    if (rc != 0) {
        mdlElmdscr_freeAll(&components);
        return failWith(rc);
    }

    std::vector<char16_t> name(MDLHOST_MAX_MODELNAME + 1), description(MDLHOST_MAX_MODELNAME + 1);
    if (mdlhost_dgnGetModelName(cell, name.data(), static_cast<int>(name.size())) != 0) name[0] = 0;
    if (mdlhost_dgnGetModelDescription(cell, description.data(), static_cast<int>(description.size())) != 0)
        description[0] = 0;
    *out = cellMakeHeader(components, name.data(), description.data(), at, rs, mdlModelRef_is3D(model) != 0);
    return *out ? 0 : mdlErrno;
}

} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

// --- the attached library (API) ----------------------------------------------------

int mdlCell_attachLibraryEx(char *foundName, const char *name, const char *path)
{
    if (foundName) foundName[0] = 0;
    if (!name || !*name) return failWith(DGNERR_BADARG);
    char found[MDLHOST_MAXFILELENGTH];
    if (mdlFile_find(found, name, path, "cel") != 0) return failWith(DGNERR_NOTFOUND);
    ModelHandle file;
    int rc = mdlhost_dgnOpenModel(file.out(), found, DGN_OPEN_READONLY);
    if (rc != 0) return failWith(rc);
    Library &lib = library();
    lib.file.reset();
    *lib.file.out() = file.release();
    mdlhost::copyText(lib.name, found);
    lib.namesLoaded = false;
    lib.cellNames.clear();
    if (foundName) mdlhost::copyText(foundName, MDLHOST_MAXFILELENGTH, found);
    return succeed();
}

int mdlCell_detachLibrary(void)
{
    Library &lib = library();
    lib.file.reset();
    lib.name[0] = 0;
    lib.namesLoaded = false;
    lib.cellNames.clear();
    return succeed();
}

int mdlCell_getLibraryName(char *name, int size)
{
    if (!name || size <= 0) return failWith(DGNERR_BADARG);
    const Library &lib = library();
    mdlhost::copyText(name, static_cast<size_t>(size), lib.file.get() ? lib.name : "");
    return lib.file.get() ? succeed() : failWith(DGNERR_NOTFOUND);
}

int mdlCell_existsInLibrary(const char16_t *cellName)
{
    if (!cellLibrary() || !validCellName(cellName)) return 0;
    return cellIndex(cellName) >= 0 ? 1 : 0;
}

int mdlCell_getLibraryCell(int index, char16_t *name, int nameChars, char16_t *description, int descriptionChars)
{
    if (!cellLibrary()) return failWith(DGNERR_NOTFOUND);
    const auto &names = cellNames();
    if (index < 0 || static_cast<size_t>(index) >= names.size()) return failWith(DGNERR_NOTFOUND);
    wideCopy(name, nameChars, names[static_cast<size_t>(index)].c_str());
    if (description && descriptionChars > 0) {
        description[0] = 0;
        ModelHandle m;
        std::vector<char16_t> buf(MDLHOST_MAX_MODELNAME + 1);
        if (mdlhost_dgnOpenModelAt(cellLibrary(), index, m.out()) == 0 &&
            mdlhost_dgnGetModelDescription(m.get(), buf.data(), static_cast<int>(buf.size())) == 0)
            wideCopy(description, descriptionChars, buf.data());
    }
    return succeed();
}

// --- cells as descriptors (API) --------------------------------------------------------

int mdlCell_getElmDscr(MSElementDescr **cellDscr, const DPoint3d *origin, const DPoint3d *scale, int trueScale,
                       const RotMatrix *rotation, uint32_t graphicGroup, DgnModelRefP model,
                       const char16_t *cellName)
{
    if (!cellDscr) return failWith(DGNERR_BADARG);
    *cellDscr = nullptr;
    model = modelOrActive(model);
    if (!storeDb(model)) return failWith(DGNERR_NOMODEL);
    ModelHandle cell;
    int rc = cellFind(cellLibrary(), cellName, cell);
    if (rc != 0) return rc;

    DPoint3d at = origin ? *origin : DPoint3d{0, 0, 0};
    toUor(&at, 1);
    if (!mdlModelRef_is3D(model)) at.z = 0;
    DPoint3d s = scale ? *scale : DPoint3d{1, 1, 1};
    RotMatrix rs; // the placement: rotation times scale
    if (rotation) rs = *rotation;
    else mdlRMatrix_getIdentity(&rs);
    for (int i = 0; i < 3; ++i) {
        rs.form3d[i][0] *= s.x;
        rs.form3d[i][1] *= s.y;
        rs.form3d[i][2] *= s.z;
    }
    if ((rc = cellBuild(cellDscr, cell.get(), at, rs, trueScale != 0, true, model)) != 0) return rc;
    forEachNode(*cellDscr, [&](MSElementDescr *d) { d->el.ehdr.graphicGroup = graphicGroup; });
    return succeed();
}

uint32_t mdlCell_placeCell(const DPoint3d *origin, const DPoint3d *scale, int trueScale, const RotMatrix *rotation,
                           uint32_t graphicGroup, int relative, uint32_t baseLevel, int shared,
                           const char16_t *cellName)
{
    DgnModelRefP model = mdlModelRef_getActive();
    if (shared) {
        if (mdlSharedCell_makeSureDefExists(cellName, model) != 0) return 0;
        auto el = std::make_unique<MSElement>();
        // The definition is in the design's units already, so trueScale has
        // nothing left to convert.
        if (mdlSharedCell_create(el.get(), 0, origin, rotation, scale, cellName,
                                 relative && baseLevel ? baseLevel : LEVEL_NULL_ID) != 0 ||
            mdlSharedCell_setRange(el.get(), model) != 0)
            return 0;
        el->ehdr.graphicGroup = graphicGroup;
        return mdlElement_add(el.get());
    }
    MSElementDescr *dscr = nullptr;
    if (mdlCell_getElmDscr(&dscr, origin, scale, trueScale, rotation, graphicGroup, model, cellName) != 0) return 0;
    if (relative && baseLevel != LEVEL_NULL_ID) mdlCell_fixLevels(dscr, baseLevel);
    uint32_t pos = mdlElmdscr_add(dscr);
    int error = mdlErrno;
    mdlElmdscr_freeAll(&dscr);
    mdlErrno = error;
    return pos;
}

// --- extraction -------------------------------------------------------------------------

namespace {
bool isCell(const MSElement *el)
{
    return el && elementType(el) == CELL_HEADER_ELM;
}
} // namespace

int mdlCell_extract(DPoint3d *origin, RotMatrix *rotation, char16_t *name, int nameChars, const MSElement *cell)
{
    if (!isCell(cell)) return failWith(DGNERR_BADELEMENT);
    if (origin) {
        *origin = cell->cell.origin;
        fromUor(origin, 1);
    }
    if (rotation) *rotation = cell->cell.rotation;
    if (name) wideCopy(name, nameChars, cell->cell.name);
    return succeed();
}

int mdlCell_extractName(char16_t *name, int nameChars, const MSElement *cell)
{
    if (!isCell(cell) || !name) return failWith(isCell(cell) ? DGNERR_BADARG : DGNERR_BADELEMENT);
    wideCopy(name, nameChars, cell->cell.name);
    return succeed();
}

int mdlCell_extractDescription(char16_t *description, int descriptionChars, const MSElement *cell)
{
    if (!isCell(cell) || !description) return failWith(isCell(cell) ? DGNERR_BADARG : DGNERR_BADELEMENT);
    wideCopy(description, descriptionChars, cell->cell.description);
    return succeed();
}

int mdlCell_fixLevels(MSElementDescr *cellDscr, uint32_t level)
{
    if (!cellDscr) return failWith(DGNERR_BADARG);
    cellDscr->el.ehdr.level = level;
    forEachNode(cellDscr->h.firstElem, [&](MSElementDescr *d) { d->el.ehdr.level = level; });
    return succeed();
}

int mdlCell_setRange(MSElementDescr *cellDscr, DgnModelRefP)
{
    if (!cellDscr) return failWith(DGNERR_BADARG);
    MSElementDescr *next = cellDscr->h.next;
    cellDscr->h.next = nullptr; // this cell only
    cellSetRanges(cellDscr);
    cellDscr->h.next = next;
    return succeed();
}

// --- writing libraries ----------------------------------------------------------------

int mdlhost_cellLibraryAddCell(const char *libraryFile, const char16_t *cellName, const char16_t *description,
                               const MSElementDescr *components)
{
    if (!libraryFile || !validCellName(cellName)) return failWith(DGNERR_BADARG);
    ModelHandle file, cell;
    int rc = mdlhost_dgnOpenModel(file.out(), libraryFile, DGN_OPEN_WRITE);
    if (rc != 0) return failWith(rc);
    if ((rc = mdlhost_dgnCreateModel(file.get(), cellName, description ? description : u"", cell.out())) != 0)
        return failWith(rc);
    MSElementDescr *copies = nullptr;
    if (components && (rc = mdlElmdscr_duplicate(&copies, components)) != 0) rc = failWith(rc);
    for (MSElementDescr *d = copies; d && rc == 0; d = d->h.next) {
        MSElementDescr *next = d->h.next;
        d->h.next = nullptr; // one tree per add
        if (mdlhost_dgnAddToModel(cell.get(), d) == 0) rc = mdlErrno ? mdlErrno : DGNERR_IO;
        d->h.next = next;
    }
    mdlElmdscr_freeAll(&copies);
    if (rc != 0) {
        // No half cell: the model goes with what was added to it.
        mdlhost_dgnDeleteModel(cell.get());
        return failWith(rc);
    }
    library().namesLoaded = false;
    return succeed();
}
