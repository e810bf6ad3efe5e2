// The fence: one polygon in a view for the session, its shape, the
// element selection of fence processing, the fence command, and the
// element a data point locates.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "dgn_int.h"
#include "dgnelem_int.h"
#include "dgnscan_int.h"
#include "dgnstore_int.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"

namespace {

struct Fence {
    bool defined = false;
    int view = -1;
    std::vector<DPoint3d> points; // UOR, closed
};
Fence fence;

int fail(int error)
{
    mdlErrno = error;
    return error;
}

bool samePoint(const DPoint3d &a, const DPoint3d &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Takes world points (UOR) as the fence when they make a polygon with area
// in the view.
int setFence(std::vector<DPoint3d> pts, int view)
{
    MdlViewExtent extent{};
    if (!mdlhost::dgn::viewGeometry(view, extent))
        return fail(DGNERR_NOTFOUND);
    pts.erase(std::unique(pts.begin(), pts.end(), samePoint), pts.end());
    if (pts.size() > 1 && samePoint(pts.front(), pts.back()))
        pts.pop_back();
    if (pts.size() < 3 || pts.size() > MAX_VERTICES - 1u)
        return fail(DGNERR_BADELEMENT);
    for (const DPoint3d &p : pts)
        if (!mdlhost::dgn::finitePoint(p))
            return fail(DGNERR_BADELEMENT);
    pts.push_back(pts.front());
    // The clip of the polygon is its test: no area, no fence.
    MdlClipDescr *clip = mdlhost::dgn::clipCreate(pts, view);
    if (clip == nullptr)
        return fail(DGNERR_BADELEMENT);
    mdlClip_free(&clip);
    fence.defined = true;
    fence.view = view;
    fence.points = std::move(pts);
    mdlErrno = 0;
    return 0;
}

} // namespace

namespace mdlhost::dgn {

bool fencePolygon(std::vector<DPoint3d> &points, int &view)
{
    if (!fence.defined)
        return false;
    points = fence.points;
    view = fence.view;
    return true;
}

} // namespace mdlhost::dgn

int mdlFence_isDefined(void) { return fence.defined ? 1 : 0; }

int mdlFence_getViewIndex(void) { return fence.defined ? fence.view : -1; }

int mdlFence_fromPoints(const DPoint3d *points, int count, int view)
{
    if (points == nullptr || count < 3 || count > MAX_VERTICES)
        return fail(DGNERR_BADELEMENT);
    std::vector<DPoint3d> pts(points, points + count);
    mdlhost::dgn::toUor(pts.data(), count);
    return setFence(std::move(pts), view);
}

int mdlFence_fromShape(const MSElement *shape, int view)
{
    if (shape == nullptr || mdlhost::dgn::validateElement(shape) != 0)
        return fail(DGNERR_BADELEMENT);
    int type = mdlhost::dgn::elementType(shape);
    if (type != SHAPE_ELM && type != LINE_STRING_ELM)
        return fail(DGNERR_BADELEMENT);
    const Linear_elm &l = shape->linear;
    return setFence(std::vector<DPoint3d>(l.vertice, l.vertice + l.numVerts), view);
}

int mdlFence_fromView(int view)
{
    MdlViewExtent extent{};
    if (!mdlhost::dgn::viewGeometry(view, extent))
        return fail(DGNERR_NOTFOUND);
    DPoint3d low{}, high{};
    mdlhost::dgn::viewBox(extent, low, high);
    RotMatrix back{};
    mdlRMatrix_transpose(&back, &extent.rotation);
    std::vector<DPoint3d> pts;
    for (const DPoint3d &v : {DPoint3d{low.x, low.y, low.z}, DPoint3d{high.x, low.y, low.z},
                              DPoint3d{high.x, high.y, low.z}, DPoint3d{low.x, high.y, low.z}})
        pts.push_back(mdlhost::dgn::rotate(back, v));
    return setFence(std::move(pts), view);
}

int mdlFence_toShape(MSElement *shape)
{
    if (shape == nullptr)
        return fail(DGNERR_BADELEMENT);
    if (!fence.defined)
        return fail(DGNERR_NOTFOUND);
    const size_t n = fence.points.size();
    const size_t body = offsetof(Linear_elm, vertice) + n * sizeof(DPoint3d);
    std::memset(shape, 0, body);
    shape->ehdr.type = SHAPE_ELM;
    shape->ehdr.attrOffset = shape->ehdr.elementSize = static_cast<uint32_t>(body / 2);
    if (mdlModelRef_is3D(mdlModelRef_getActive()))
        shape->ehdr.properties |= ELM_PROP_3D;
    shape->linear.numVerts = static_cast<uint32_t>(n);
    std::memcpy(shape->linear.vertice, fence.points.data(), n * sizeof(DPoint3d));
    DRange3d range{};
    if (mdlhost::dgn::elementGeometryRange(shape, &range))
        shape->linear.dhdr.range = range;
    mdlErrno = 0;
    return 0;
}

int mdlFence_getPoints(DPoint3d *points, int *count, int max)
{
    if (count != nullptr)
        *count = 0;
    if (points == nullptr || count == nullptr)
        return fail(DGNERR_BADELEMENT);
    if (!fence.defined)
        return fail(DGNERR_NOTFOUND);
    if (fence.points.size() > static_cast<size_t>(std::max(max, 0)))
        return fail(DGNERR_FILEFULL);
    std::copy(fence.points.begin(), fence.points.end(), points);
    *count = static_cast<int>(fence.points.size());
    mdlhost::dgn::fromUor(points, *count);
    mdlErrno = 0;
    return 0;
}

void mdlFence_clear(void) { fence = Fence{}; }

// --- fence processing ------------------------------------------------------------------

namespace {

struct ClipHolder {
    MdlClipDescr *clip = nullptr;
    ~ClipHolder() { mdlClip_free(&clip); }
};

struct Candidate {
    uint32_t pos;
    bool crossing;
};

// Adds each inside piece of the element at pos and visits it.
int visitClipped(uint32_t pos, DgnModelRefP model, const MdlClipDescr *clip, int view, MdlFenceContentFunc fn,
                 void *arg)
{
    MSElementDescr *dscr = nullptr;
    if (mdlElmdscr_read(&dscr, pos, model, 0, nullptr) == 0 || dscr == nullptr)
        return 0;
    MSElementDescr *inside = nullptr;
    int rc = mdlClip_element(&inside, nullptr, dscr, model, clip, view);
    mdlElmdscr_freeAll(&dscr);
    if (rc != 0) // a cell or text node is not cut: it counts as overlapping
        return fn(pos, model, arg);
    int result = 0;
    while (inside != nullptr) {
        MSElementDescr *piece = inside;
        inside = piece->h.next;
        piece->h.next = piece->h.previous = nullptr;
        if (inside != nullptr)
            inside->h.previous = nullptr;
        uint32_t added = result == 0 ? mdlElmdscr_add(piece) : 0;
        mdlElmdscr_freeAll(&piece);
        if (added != 0)
            result = fn(added, model, arg);
    }
    return result;
}

} // namespace

int mdlhost_fenceProcess(int mode, const uint32_t *typeMask, int allowLocked, MdlFenceContentFunc fn, void *arg)
{
    if (fn == nullptr || mode < MDLFENCE_INSIDE || mode > MDLFENCE_CLIP)
        return fail(DGNERR_BADELEMENT);
    if (!fence.defined)
        return fail(DGNERR_NOTFOUND);
    DgnModelRefP model = mdlModelRef_getActive();
    if (mdlhost::dgn::storeDb(model) == nullptr)
        return fail(DGNERR_NOMODEL);
    const int view = fence.view;
    ClipHolder holder;
    holder.clip = mdlhost::dgn::clipCreate(fence.points, view);
    if (holder.clip == nullptr)
        return fail(DGNERR_BADELEMENT);

    mdlhost::dgn::ScanFilter filter;
    if (typeMask != nullptr)
        std::copy(typeMask, typeMask + MDLSCAN_MASK_WORDS, filter.typeMask);
    MdlViewExtent extent{};
    if (mdlhost::dgn::viewGeometry(view, extent) && mdlhost::dgn::isPlanView(extent.rotation)) {
        // In a plan view the fence stands on its outline: elements beyond
        // its x and y cannot meet it.
        filter.useRange = true;
        mdlhost::dgn::RangeAccumulator acc;
        for (const DPoint3d &p : fence.points)
            acc.add(DPoint3d{p.x, p.y, 0});
        acc.get(filter.range);
    }

    // The candidates are fixed before the first visit: content functions
    // delete and add elements.
    std::vector<Candidate> candidates;
    int rc = mdlhost::dgn::storeScan(model, filter, [&](uint32_t pos) {
        MSElementDescr *dscr = nullptr;
        if (mdlElmdscr_read(&dscr, pos, model, 0, nullptr) == 0 || dscr == nullptr)
            return 0;
        if (allowLocked || !(dscr->el.ehdr.properties & ELM_PROP_LOCKED)) {
            int where = mdlClip_isElemInside(dscr, holder.clip, view, mode != MDLFENCE_INSIDE);
            if (where == MDLCLIP_INSIDE || where == MDLCLIP_CROSSING)
                candidates.push_back({pos, where == MDLCLIP_CROSSING});
        }
        mdlElmdscr_freeAll(&dscr);
        return 0;
    });
    if (rc < 0)
        return fail(rc);

    std::unique_ptr<MSElement> el(new (std::nothrow) MSElement);
    if (!el)
        return fail(DGNERR_IO);
    for (const Candidate &c : candidates) {
        if (mdlElement_read(el.get(), model, c.pos) != 0)
            continue; // deleted by an earlier visit
        int result = (mode == MDLFENCE_CLIP && c.crossing)
                         ? visitClipped(c.pos, model, holder.clip, view, fn, arg)
                         : fn(c.pos, model, arg);
        if (result != 0)
            return result;
    }
    mdlErrno = 0;
    return 0;
}

// ---- the fence command ------------------------------------------------------

namespace {

struct FenceCommand {
    bool active = false;
    MdlFenceStateFunc content = nullptr;
};
FenceCommand fenceCommand;
// Locate settings: a command starts with the defaults and sets its own
// after the start, before the fence is processed.
struct LocateSettings {
    uint32_t typeMask[MDLSCAN_MASK_WORDS] = {};
    bool anyType = true;
    bool allowLocked = false;
};
LocateSettings locate;

int visitForCommand(uint32_t pos, DgnModelRefP model, void *arg)
{
    auto *fn = static_cast<MdlFenceStateFunc *>(arg);
    mdlhost::dgn::setCurrentPosition(model, pos);
    return (*fn)();
}

} // namespace

int mdlState_startFenceCommand(MdlFenceStateFunc content, MdlFenceStateFunc outline, MdlFenceStateFunc dataPoint,
                               MdlFenceStateFunc reset, int messageIndex, int promptIndex, int modifyFlags)
{
    (void)outline;
    (void)dataPoint;
    (void)reset;
    (void)messageIndex;
    (void)promptIndex;
    (void)modifyFlags;
    if (content == nullptr)
        return fail(DGNERR_BADARG);
    fenceCommand.active = true;
    fenceCommand.content = content;
    locate = LocateSettings{};
    mdlErrno = 0;
    return 0;
}

int mdlhost_fenceCommandActive(void) { return fenceCommand.active ? 1 : 0; }

void mdlhost_fenceCommandClear(void) { fenceCommand = FenceCommand{}; }

void mdlLocate_noElemNoLocked(void) { locate.allowLocked = false; }

void mdlLocate_allowLocked(void) { locate.allowLocked = true; }

void mdlLocate_setElemSearchMask(int count, const int *types)
{
    std::fill(locate.typeMask, locate.typeMask + MDLSCAN_MASK_WORDS, 0u);
    locate.anyType = true;
    if (types == nullptr || count <= 0)
        return;
    for (int i = 0; i < count && i < 256; i++) {
        if (types[i] < 0 || types[i] > 255)
            continue;
        MDLSCAN_MASK_SET(locate.typeMask, types[i]);
        locate.anyType = false;
    }
}

int mdlFence_process(int param)
{
    (void)param;
    if (!fenceCommand.active || fenceCommand.content == nullptr)
        return fail(DGNERR_BADARG);
    int mode = mdlParams_getLock(LOCK_FENCE_CLIP)      ? MDLFENCE_CLIP
               : mdlParams_getLock(LOCK_FENCE_OVERLAP) ? MDLFENCE_OVERLAP
                                                       : MDLFENCE_INSIDE;
    MdlFenceStateFunc fn = fenceCommand.content;
    return mdlhost_fenceProcess(mode, locate.anyType ? nullptr : locate.typeMask, locate.allowLocked ? 1 : 0,
                                visitForCommand, &fn);
}

// ---- locating an element at a data point -------------------------------------

namespace {

// Square boxes around the point as the view sees it, smallest first: the
// element met by the smallest box is the nearest one, near enough.
constexpr int kLocateBoxes = 4;

std::vector<DPoint3d> locateBox(const MdlViewExtent &extent, const DPoint3d &at, double half)
{
    DPoint3d c = mdlhost::dgn::rotate(extent.rotation, at);
    RotMatrix back{};
    mdlRMatrix_transpose(&back, &extent.rotation);
    std::vector<DPoint3d> pts;
    for (const DPoint3d &v : {DPoint3d{c.x - half, c.y - half, c.z}, DPoint3d{c.x + half, c.y - half, c.z},
                              DPoint3d{c.x + half, c.y + half, c.z}, DPoint3d{c.x - half, c.y + half, c.z},
                              DPoint3d{c.x - half, c.y - half, c.z}})
        pts.push_back(mdlhost::dgn::rotate(back, v));
    return pts;
}

} // namespace

int mdlhost_locateElement(uint32_t *pos, const DPoint3d *point, double tolerance, int view)
{
    if (pos == nullptr || point == nullptr)
        return fail(DGNERR_BADARG);
    *pos = 0;
    DgnModelRefP model = mdlModelRef_getActive();
    if (mdlhost::dgn::storeDb(model) == nullptr)
        return fail(DGNERR_NOMODEL);
    MdlViewExtent extent{};
    if (!mdlhost::dgn::viewGeometry(view, extent))
        return fail(DGNERR_NOTFOUND);
    DPoint3d at = *point;
    mdlhost::dgn::toUor(&at, 1);
    const double half = mdlhost::dgn::lengthToUor(tolerance);
    if (!mdlhost::dgn::finitePoint(at) || !std::isfinite(half) || !(half > 0))
        return fail(DGNERR_BADARG);

    ClipHolder boxes[kLocateBoxes];
    for (int k = 0; k < kLocateBoxes; k++) {
        boxes[k].clip = mdlhost::dgn::clipCreate(locateBox(extent, at, half / std::pow(4.0, kLocateBoxes - 1 - k)), view);
        if (boxes[k].clip == nullptr)
            return fail(DGNERR_BADARG); // too small to have an area
    }
    mdlhost::dgn::ScanFilter filter;
    if (!locate.anyType)
        std::copy(locate.typeMask, locate.typeMask + MDLSCAN_MASK_WORDS, filter.typeMask);
    if (mdlhost::dgn::isPlanView(extent.rotation)) {
        filter.useRange = true;
        filter.range.low = {at.x - half, at.y - half, 0};
        filter.range.high = {at.x + half, at.y + half, 0};
    }
    // Positions come in increasing order: of the elements the same box
    // meets, the newest (drawn last, so on top) wins.
    uint32_t best = 0;
    int bestBox = kLocateBoxes;
    int rc = mdlhost::dgn::storeScan(model, filter, [&](uint32_t p) {
        MSElementDescr *dscr = nullptr;
        if (mdlElmdscr_read(&dscr, p, model, 0, nullptr) == 0 || dscr == nullptr)
            return 0;
        if (locate.allowLocked || !(dscr->el.ehdr.properties & ELM_PROP_LOCKED))
            for (int k = 0; k < kLocateBoxes && k <= bestBox; k++)
                if (mdlClip_isElemInside(dscr, boxes[k].clip, view, 1) != MDLCLIP_OUTSIDE) {
                    best = p;
                    bestBox = k;
                    break;
                }
        mdlElmdscr_freeAll(&dscr);
        return 0;
    });
    if (rc < 0)
        return fail(rc);
    if (best == 0)
        return fail(DGNERR_NOTFOUND);
    mdlhost::dgn::setCurrentPosition(model, best);
    *pos = best;
    mdlErrno = 0;
    return 0;
}
