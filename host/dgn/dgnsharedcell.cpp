// Shared cells: an instance (type 35) names a definition that the design
// holds once, in dgn_sharedcell_defs, as a stored cell descriptor (type-2
// header at origin 0, components in the design's UOR).
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "dgn_int.h"
#include "dgncell_int.h"
#include "dgn/mdlelem.h"

namespace mdlhost::dgn {
namespace {

bool validName(const char16_t *name)
{
    return name && *name && wideLength(name, MDLHOST_MAX_CELLNAME) <= MDLHOST_MAX_CELLNAME;
}

bool isSharedCell(const MSElement *el)
{
    return el && elementType(el) == SHARED_CELL_ELM;
}

// The stored definition as a new descriptor; null with mdlErrno set
// (DGNERR_NOTFOUND when the design has none of that name).
MSElementDescr *readDefinition(DgnModelRefP model, const char16_t *name)
{
    StoreStmt st(model, "SELECT data FROM dgn_sharedcell_defs WHERE name = ?");
    if (!st) return nullptr;
    sqlite3_bind_text16(st.get(), 1, name, -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE) {
        failWith(DGNERR_NOTFOUND);
        return nullptr;
    }
    if (rc != SQLITE_ROW) {
        storeError(rc);
        return nullptr;
    }
    const auto *data = static_cast<const uint8_t *>(sqlite3_column_blob(st.get(), 0));
    int bytes = sqlite3_column_bytes(st.get(), 0);
    MSElementDescr *d = data && bytes > 0 ? deserializeDescr(data, static_cast<size_t>(bytes)) : nullptr;
    if (!d || elementType(&d->el) != CELL_HEADER_ELM) {
        // A damaged row is refused rather than placed.
        mdlElmdscr_freeAll(&d);
        failWith(DGNERR_BADFILE);
        return nullptr;
    }
    return d;
}

// The instance's placement: origin + rotation * scale * p.
Transform placement(const SharedCell_elm &sc)
{
    Transform t;
    const double s[3] = {sc.scale.x, sc.scale.y, sc.scale.z};
    const double o[3] = {sc.origin.x, sc.origin.y, sc.origin.z};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) t.form3d[i][j] = sc.rotation.form3d[i][j] * s[j];
        t.form3d[i][3] = o[i];
    }
    return t;
}

// The definition's components placed as the instance is, taken off their
// header (which is freed).
int placedComponents(const SharedCell_elm &sc, DgnModelRefP model, MSElementDescr **components,
                     std::vector<char16_t> &description)
{
    *components = nullptr;
    MSElementDescr *def = readDefinition(model, sc.defName);
    if (!def) return mdlErrno;
    wideCopy(description.data(), static_cast<int>(description.size()), def->el.cell.description);
    MSElementDescr *c = def->h.firstElem;
    def->h.firstElem = nullptr;
    mdlElmdscr_freeAll(&def);
    for (MSElementDescr *d = c; d; d = d->h.next) d->h.myHeader = nullptr;
    int rc = cellTransform(c, placement(sc));
    if (rc != 0) {
        mdlElmdscr_freeAll(&c);
        return rc;
    }
    *components = c;
    return 0;
}

} // namespace
} // namespace mdlhost::dgn

using namespace mdlhost::dgn;

int mdlSharedCell_create(MSElement *el, uint32_t flags, const DPoint3d *origin, const RotMatrix *rotation,
                         const DPoint3d *scale, const char16_t *defName, uint32_t level)
{
    if (!el || !validName(defName)) return failWith(DGNERR_BADARG);
    DPoint3d at = origin ? *origin : DPoint3d{0, 0, 0};
    toUor(&at, 1);
    DPoint3d s = scale ? *scale : DPoint3d{1, 1, 1};
    if (!std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(at.z) || !std::isfinite(s.x) ||
        !std::isfinite(s.y) || !std::isfinite(s.z))
        return failWith(DGNERR_BADELEMENT);
    bool is3d = mdlModelRef_is3D(mdlModelRef_getActive()) != 0;
    if (!is3d) at.z = 0;

    SharedCell_elm sc{};
    sc.ehdr.type = SHARED_CELL_ELM;
    sc.ehdr.elementSize = sc.ehdr.attrOffset = sizeof(SharedCell_elm) / 2;
    sc.ehdr.level = level;
    sc.ehdr.properties = is3d ? ELM_PROP_3D : 0;
    sc.dhdr.range.low = sc.dhdr.range.high = at;
    sc.origin = at;
    if (rotation) sc.rotation = *rotation;
    else mdlRMatrix_getIdentity(&sc.rotation);
    sc.scale = s;
    sc.flags = flags;
    wideCopy(sc.defName, MDLHOST_MAX_CELLNAME + 1, defName);
    memcpy(el, &sc, sizeof sc);
    return succeed();
}

int mdlSharedCell_defExists(const char16_t *defName, DgnModelRefP model)
{
    model = modelOrActive(model);
    if (!validName(defName)) return 0;
    StoreStmt st(model, "SELECT 1 FROM dgn_sharedcell_defs WHERE name = ?");
    if (!st) return 0;
    sqlite3_bind_text16(st.get(), 1, defName, -1, SQLITE_TRANSIENT);
    return sqlite3_step(st.get()) == SQLITE_ROW ? 1 : 0;
}

int mdlSharedCell_makeSureDefExists(const char16_t *defName, DgnModelRefP model)
{
    model = modelOrActive(model);
    if (!validName(defName)) return failWith(DGNERR_BADARG);
    if (!storeDb(model)) return failWith(DGNERR_NOMODEL);
    if (mdlSharedCell_defExists(defName, model)) return succeed();
    if (mdlModelRef_isReadOnly(model)) return failWith(DGNERR_READONLY);

    ModelHandle cell;
    int rc = cellFind(cellLibrary(), defName, cell);
    if (rc != 0) return rc;
    // The definition holds geometry only: an instance gives its components
    // level and symbology, so no library level is copied into the design.
    RotMatrix identity;
    mdlRMatrix_getIdentity(&identity);
    MSElementDescr *def = nullptr;
    if ((rc = cellBuild(&def, cell.get(), DPoint3d{0, 0, 0}, identity, true, false, model)) != 0) return rc;
    std::vector<uint8_t> data = serializeDescr(def);
    std::vector<char16_t> description(MDLHOST_MAX_CELLNAME + 1);
    wideCopy(description.data(), static_cast<int>(description.size()), def->el.cell.description);
    mdlElmdscr_freeAll(&def);
    if (data.empty()) return failWith(DGNERR_BADELEMENT);

    StoreWrite w(model);
    if (!w.ok()) return w.error();
    {
        StoreStmt st(model, "INSERT INTO dgn_sharedcell_defs(name, description, data) VALUES(?, ?, ?)");
        if (!st) return w.fail(mdlErrno);
        sqlite3_bind_text16(st.get(), 1, defName, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text16(st.get(), 2, description.data(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(st.get(), 3, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(st.get());
        if (rc != SQLITE_DONE) return w.fail(storeError(rc));
    }
    rc = w.finish();
    return rc ? rc : succeed();
}

int mdlSharedCell_setRange(MSElement *el, DgnModelRefP model)
{
    if (!isSharedCell(el)) return failWith(DGNERR_BADELEMENT);
    model = modelOrActive(model);
    MSElementDescr *c = nullptr;
    std::vector<char16_t> description(MDLHOST_MAX_CELLNAME + 1);
    int rc = placedComponents(el->sharedCell, model, &c, description);
    if (rc != 0) return failWith(rc);
    // Without components with a range the instance is its origin.
    DRange3d range{el->sharedCell.origin, el->sharedCell.origin};
    RangeAccumulator acc;
    for (MSElementDescr *d = c; d; d = d->h.next) {
        DRange3d r;
        if (descrRange(d, &r) == 0) acc.add(r);
    }
    acc.get(range);
    mdlElmdscr_freeAll(&c);
    el->sharedCell.dhdr.range = range;
    return succeed();
}

int mdlSharedCell_extract(DPoint3d *origin, char16_t *defName, int nameChars, DPoint3d *scale, RotMatrix *rotation,
                          const MSElement *el)
{
    if (!isSharedCell(el)) return failWith(DGNERR_BADELEMENT);
    if (origin) {
        *origin = el->sharedCell.origin;
        fromUor(origin, 1);
    }
    if (defName) wideCopy(defName, nameChars, el->sharedCell.defName);
    if (scale) *scale = el->sharedCell.scale;
    if (rotation) *rotation = el->sharedCell.rotation;
    return succeed();
}

int mdlSharedCell_toNormalCell(MSElementDescr **cellDscr, const MSElement *el, DgnModelRefP model)
{
    if (!cellDscr) return failWith(DGNERR_BADARG);
    *cellDscr = nullptr;
    if (!isSharedCell(el)) return failWith(DGNERR_BADELEMENT);
    model = modelOrActive(model);
    const SharedCell_elm &sc = el->sharedCell;
    MSElementDescr *c = nullptr;
    std::vector<char16_t> description(MDLHOST_MAX_CELLNAME + 1);
    int rc = placedComponents(sc, model, &c, description);
    if (rc != 0) return failWith(rc);

    // The export reads a cell's level and symbology from its components.
    std::function<void(MSElementDescr *)> dress = [&](MSElementDescr *d) {
        for (; d; d = d->h.next) {
            d->el.ehdr.level = sc.ehdr.level;
            d->el.ehdr.graphicGroup = sc.ehdr.graphicGroup;
            if (isGraphic(elementType(&d->el))) {
                d->el.line.dhdr.color = sc.dhdr.color;
                d->el.line.dhdr.weight = sc.dhdr.weight;
                d->el.line.dhdr.style = sc.dhdr.style;
            }
            dress(d->h.firstElem);
        }
    };
    dress(c);

    RotMatrix rs = sc.rotation;
    const double s[3] = {sc.scale.x, sc.scale.y, sc.scale.z};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rs.form3d[i][j] *= s[j];
    MSElementDescr *hdr =
        cellMakeHeader(c, sc.defName, description.data(), sc.origin, rs, (sc.ehdr.properties & ELM_PROP_3D) != 0);
    if (!hdr) return mdlErrno;
    hdr->el.ehdr.level = sc.ehdr.level;
    hdr->el.ehdr.graphicGroup = sc.ehdr.graphicGroup;
    hdr->el.cell.dhdr.color = sc.dhdr.color;
    hdr->el.cell.dhdr.weight = sc.dhdr.weight;
    hdr->el.cell.dhdr.style = sc.dhdr.style;
    *cellDscr = hdr;
    return succeed();
}
