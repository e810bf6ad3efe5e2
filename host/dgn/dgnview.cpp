// Views: eight extents with open flags, fitting to the design, the redraw
// that calls the applications' view-update hooks, and the view at a point.
#include <cmath>
#include <vector>

#include "base/base_host.h"
#include "base/mdlbase.h"
#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgnscan_int.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"

namespace {

struct View {
    bool open;
    MdlViewExtent extent;
};

// A new session's views: a headless host has no window layout to restore,
// so the four views a default layout shows are open.
constexpr int kOpenByDefault = 4;
constexpr double kDefaultSize = 1000000.0; // UOR

View views[MDLHOST_NUM_VIEWS];
bool viewsReady = false;

void resetViews()
{
    for (int i = 0; i < MDLHOST_NUM_VIEWS; ++i) {
        views[i].open = i < kOpenByDefault;
        views[i].extent = MdlViewExtent{};
        views[i].extent.delta = {kDefaultSize, kDefaultSize, kDefaultSize};
        mdlRMatrix_getIdentity(&views[i].extent.rotation);
    }
    viewsReady = true;
}

View *viewAt(int view)
{
    if (!viewsReady)
        resetViews();
    return view >= 0 && view < MDLHOST_NUM_VIEWS ? &views[view] : nullptr;
}

int fail(int error)
{
    mdlErrno = error;
    return error;
}

bool orthonormal(const RotMatrix &m)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double dot = 0;
            for (int k = 0; k < 3; ++k)
                dot += m.form3d[i][k] * m.form3d[j][k];
            if (!std::isfinite(dot) || std::fabs(dot - (i == j ? 1.0 : 0.0)) > 1e-9)
                return false;
        }
    return true;
}

// The range's corners seen along the view's axes.
void viewRange(const RotMatrix &rot, const DRange3d &range, DPoint3d &low, DPoint3d &high)
{
    mdlhost::dgn::RangeAccumulator acc;
    for (int c = 0; c < 8; ++c) {
        DPoint3d p{(c & 1) ? range.high.x : range.low.x, (c & 2) ? range.high.y : range.low.y,
                   (c & 4) ? range.high.z : range.low.z};
        acc.add(mdlhost::dgn::rotate(rot, p));
    }
    DRange3d seen{};
    acc.get(seen);
    low = seen.low;
    high = seen.high;
}

void callHooks(MSElementDescr *node, int view, DgnModelRefP model)
{
    MdlViewDisplayData data{MDLHOST_DISPLAY_DRAW, 0};
    mdlhost_callHooks(MDLHOST_HOOK_VIEWUPDATE, "PIPIPI", &node->el, MDLHOST_VIEWUPDATE_NORMAL, &data, view, node, model);
}

void updateTree(MSElementDescr *node, int view, DgnModelRefP model)
{
    for (; node != nullptr; node = node->h.next) {
        callHooks(node, view, model);
        if (node->h.isHeader)
            updateTree(node->h.firstElem, view, model);
    }
}

// Whether the descriptor's range meets the view's box.
bool meetsView(MSElementDescr *dscr, const MdlViewExtent &extent)
{
    DPoint3d boxLow{}, boxHigh{};
    mdlhost::dgn::viewBox(extent, boxLow, boxHigh);
    DRange3d range{};
    if (mdlhost::dgn::descrRange(dscr, &range) != 0)
        return false;
    DPoint3d low{}, high{};
    viewRange(extent.rotation, range, low, high);
    return low.x <= boxHigh.x && high.x >= boxLow.x && low.y <= boxHigh.y && high.y >= boxLow.y;
}

} // namespace

namespace mdlhost::dgn {

bool viewGeometry(int view, MdlViewExtent &extent)
{
    const View *v = viewAt(view);
    if (v == nullptr)
        return false;
    extent = v->extent;
    return true;
}

void viewBox(const MdlViewExtent &extent, DPoint3d &low, DPoint3d &high)
{
    low = rotate(extent.rotation, extent.origin);
    high = {low.x + extent.delta.x, low.y + extent.delta.y, low.z + extent.delta.z};
}

} // namespace mdlhost::dgn

int mdlView_isVisible(int view)
{
    const View *v = viewAt(view);
    return v != nullptr && v->open ? 1 : 0;
}

int mdlhost_viewSetOpen(int view, int open)
{
    View *v = viewAt(view);
    if (v == nullptr)
        return fail(DGNERR_NOTFOUND);
    v->open = open != 0;
    return 0;
}

int mdlhost_viewGetExtent(int view, MdlViewExtent *extent)
{
    const View *v = viewAt(view);
    if (v == nullptr || extent == nullptr)
        return fail(DGNERR_NOTFOUND);
    *extent = v->extent;
    return 0;
}

int mdlhost_viewSetExtent(int view, const MdlViewExtent *extent)
{
    View *v = viewAt(view);
    if (v == nullptr || extent == nullptr)
        return fail(DGNERR_NOTFOUND);
    const DPoint3d &d = extent->delta;
    if (!(d.x >= 0 && d.y >= 0 && d.z >= 0) || !mdlhost::dgn::finitePoint(d) ||
        !mdlhost::dgn::finitePoint(extent->origin) || !orthonormal(extent->rotation))
        return fail(DGNERR_BADELEMENT);
    v->extent = *extent;
    return 0;
}

void mdlhost_viewsReset(void) { resetViews(); }

int mdlView_fit(int view, int)
{
    View *v = viewAt(view);
    if (v == nullptr || !v->open)
        return fail(DGNERR_NOTFOUND);
    DRange3d range{};
    if (mdlSystem_computeDesignRange(&range.low, &range.high, mdlModelRef_getActive()) != 0)
        return fail(DGNERR_NOMODEL);
    DPoint3d low{}, high{};
    viewRange(v->extent.rotation, range, low, high);
    // A view of no width cannot be seen or fenced: a single point or a
    // straight line along an axis still gets one UOR around it.
    double *lo[2] = {&low.x, &low.y}, *hi[2] = {&high.x, &high.y};
    for (int i = 0; i < 2; ++i)
        if (*hi[i] - *lo[i] <= 0) {
            *lo[i] -= 1.0;
            *hi[i] += 1.0;
        }
    RotMatrix back{};
    mdlRMatrix_transpose(&back, &v->extent.rotation);
    v->extent.origin = mdlhost::dgn::rotate(back, low);
    v->extent.delta = {high.x - low.x, high.y - low.y, high.z - low.z};
    mdlErrno = 0;
    return 0;
}

int mdlView_updateSingle(int view)
{
    const View *v = viewAt(view);
    if (v == nullptr || !v->open)
        return fail(DGNERR_NOTFOUND);
    DgnModelRefP model = mdlModelRef_getActive();
    if (mdlhost::dgn::storeDb(model) == nullptr)
        return fail(DGNERR_NOMODEL);
    MdlViewExtent extent = v->extent; // a hook may change the view
    int rc = mdlhost::dgn::storeScan(model, mdlhost::dgn::ScanFilter{}, [&](uint32_t pos) {
        MSElementDescr *dscr = nullptr;
        if (mdlElmdscr_read(&dscr, pos, model, 0, nullptr) == 0 || dscr == nullptr)
            return 0;
        if (meetsView(dscr, extent))
            updateTree(dscr, view, model);
        mdlElmdscr_freeAll(&dscr);
        return 0;
    });
    if (rc < 0)
        return fail(rc);
    mdlErrno = 0;
    return 0;
}

int mdlElmdscr_display(MSElementDescr *dscr, DgnModelRefP model, int drawMode)
{
    (void)drawMode; // every mode draws through the same hooks here
    if (dscr == nullptr)
        return fail(DGNERR_BADARG);
    if (model == MDLHOST_NO_MODEL)
        model = mdlModelRef_getActive();
    for (int view = 0; view < MDLHOST_NUM_VIEWS; ++view) {
        const View *v = viewAt(view);
        if (v != nullptr && v->open && meetsView(dscr, v->extent))
            updateTree(dscr, view, model);
    }
    mdlErrno = 0;
    return 0;
}

int mdlhost_viewAtPoint(const DPoint3d *point)
{
    if (point == nullptr)
        return -1;
    DPoint3d p = *point;
    mdlhost::dgn::toUor(&p, 1);
    for (int i = 0; i < MDLHOST_NUM_VIEWS; ++i) {
        const View *v = viewAt(i);
        if (!v->open)
            continue;
        DPoint3d low{}, high{};
        mdlhost::dgn::viewBox(v->extent, low, high);
        DPoint3d q = mdlhost::dgn::rotate(v->extent.rotation, p);
        if (q.x >= low.x && q.x <= high.x && q.y >= low.y && q.y <= high.y)
            return i;
    }
    return -1;
}
