// Scans: criteria with callbacks or position batches, and the one running
// position scan (mdlScan_*) whose context a nested scan saves and restores.
#include <algorithm>
#include <memory>
#include <new>

#include "dgn_int.h"
#include "dgn/mdlelem.h"
#include "dgn/mdlscan.h"

using mdlhost::dgn::ScanFilter;

struct MdlScanCriteria {
    DgnModelRefP model = MDLHOST_NO_MODEL;
    ScanFilter filter;
    int returnType = MDLSCAN_RETURN_POSITIONS;
    MdlScanDscrFunc dscrFn = nullptr;
    void *dscrArg = nullptr;
    MdlScanElementFunc elementFn = nullptr;
    void *elementArg = nullptr;
    uint32_t nextPos = 1; // position batches go on from here; 0 when complete
};

namespace {

MdlScanContext running{}; // the mdlScan_* scan

int fail(int error)
{
    mdlErrno = error;
    return error;
}

DgnModelRefP modelOf(DgnModelRefP model)
{
    return model != MDLHOST_NO_MODEL ? model : mdlModelRef_getActive();
}

bool validLevelCount(int count) { return count >= 0 && count <= MDLSCAN_MAX_LEVELS; }

ScanFilter filterOf(const Scanlist &list)
{
    ScanFilter f;
    std::copy(std::begin(list.typeMask), std::end(list.typeMask), f.typeMask);
    f.levels.assign(list.levels, list.levels + list.levelCount);
    f.useGraphicGroup = list.useGraphicGroup != 0;
    f.graphicGroup = list.graphicGroup;
    f.useRange = list.useRange != 0;
    f.range = list.range;
    return f;
}

// Up to max positions from `from` on; `next` is the first position not
// given, 0 when none is left.  Fetching one more than max tells whether the
// scan is complete without another query.
int fetchPositions(DgnModelRefP model, ScanFilter filter, uint32_t from, uint32_t *positions, int max, int *count,
                   uint32_t &next)
{
    filter.fromPos = from;
    int n = 0;
    next = 0;
    int rc = mdlhost::dgn::storeScan(model, filter, [&](uint32_t pos) {
        if (n == max) {
            next = pos;
            return 1;
        }
        positions[n++] = pos;
        return 0;
    });
    *count = n;
    if (rc < 0)
        return fail(rc);
    mdlErrno = 0;
    return next == 0 ? MDLSCAN_END : 0;
}

} // namespace

// --- criteria ------------------------------------------------------------------------

MdlScanCriteria *mdlScanCriteria_create(void)
{
    return new (std::nothrow) MdlScanCriteria();
}

void mdlScanCriteria_free(MdlScanCriteria **criteria)
{
    if (criteria == nullptr)
        return;
    delete *criteria;
    *criteria = nullptr;
}

int mdlScanCriteria_setModel(MdlScanCriteria *criteria, DgnModelRefP model)
{
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    criteria->model = model;
    criteria->nextPos = 1;
    return 0;
}

int mdlScanCriteria_setElementTypeTest(MdlScanCriteria *criteria, const uint32_t *mask, int words)
{
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    std::fill(std::begin(criteria->filter.typeMask), std::end(criteria->filter.typeMask), 0u);
    if (mask != nullptr && words > 0)
        std::copy(mask, mask + std::min(words, MDLSCAN_MASK_WORDS), criteria->filter.typeMask);
    criteria->nextPos = 1;
    return 0;
}

int mdlScanCriteria_setLevelTest(MdlScanCriteria *criteria, const uint32_t *levels, int count)
{
    if (criteria == nullptr || !validLevelCount(count) || (count > 0 && levels == nullptr))
        return fail(DGNERR_BADELEMENT);
    criteria->filter.levels.assign(levels, levels + count);
    criteria->nextPos = 1;
    return 0;
}

int mdlScanCriteria_setGraphicGroupTest(MdlScanCriteria *criteria, int enable, uint32_t graphicGroup)
{
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    criteria->filter.useGraphicGroup = enable != 0;
    criteria->filter.graphicGroup = graphicGroup;
    criteria->nextPos = 1;
    return 0;
}

int mdlScanCriteria_setRangeTest(MdlScanCriteria *criteria, const DRange3d *range)
{
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    criteria->filter.useRange = range != nullptr;
    if (range != nullptr) {
        DPoint3d corners[2] = {range->low, range->high};
        mdlhost::dgn::toUor(corners, 2);
        // A transformation may swap the corners.
        criteria->filter.range.low = {std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                                      std::min(corners[0].z, corners[1].z)};
        criteria->filter.range.high = {std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y),
                                       std::max(corners[0].z, corners[1].z)};
    }
    criteria->nextPos = 1;
    return 0;
}

int mdlScanCriteria_setReturnType(MdlScanCriteria *criteria, int returnType)
{
    if (criteria == nullptr || returnType < MDLSCAN_RETURN_POSITIONS || returnType > MDLSCAN_RETURN_ELMDSCR)
        return fail(DGNERR_BADELEMENT);
    criteria->returnType = returnType;
    criteria->nextPos = 1;
    return 0;
}

int mdlScanCriteria_setElmDscrCallback(MdlScanCriteria *criteria, MdlScanDscrFunc fn, void *arg)
{
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    criteria->dscrFn = fn;
    criteria->dscrArg = arg;
    return 0;
}

int mdlScanCriteria_setElementCallback(MdlScanCriteria *criteria, MdlScanElementFunc fn, void *arg)
{
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    criteria->elementFn = fn;
    criteria->elementArg = arg;
    return 0;
}

int mdlScanCriteria_scan(MdlScanCriteria *criteria, uint32_t *positions, int max, int *count)
{
    if (count != nullptr)
        *count = 0;
    if (criteria == nullptr)
        return fail(DGNERR_BADELEMENT);
    DgnModelRefP model = modelOf(criteria->model);
    if (mdlhost::dgn::storeDb(model) == nullptr)
        return fail(DGNERR_NOMODEL);

    if (criteria->returnType == MDLSCAN_RETURN_POSITIONS) {
        if (positions == nullptr || max <= 0 || count == nullptr)
            return fail(DGNERR_BADELEMENT);
        if (criteria->nextPos == 0) // complete: nothing left until a test changes
            return MDLSCAN_END;
        uint32_t next = 0;
        int rc = fetchPositions(model, criteria->filter, criteria->nextPos, positions, max, count, next);
        if (rc >= 0)
            criteria->nextPos = next;
        return rc;
    }

    if (criteria->returnType == MDLSCAN_RETURN_ELEMENT) {
        if (criteria->elementFn == nullptr)
            return fail(DGNERR_BADELEMENT);
        // A buffer for the largest element, on the heap: callbacks may nest scans.
        std::unique_ptr<MSElement> el(new (std::nothrow) MSElement);
        if (!el)
            return fail(DGNERR_IO);
        int rc = mdlhost::dgn::storeScan(model, criteria->filter, [&](uint32_t pos) {
            if (mdlElement_read(el.get(), model, pos) != 0)
                return 0; // vanished meanwhile (a callback deleted it)
            int stop = criteria->elementFn(el.get(), pos, criteria->elementArg, criteria);
            return stop;
        });
        return rc;
    }

    if (criteria->dscrFn == nullptr)
        return fail(DGNERR_BADELEMENT);
    return mdlhost::dgn::storeScan(model, criteria->filter, [&](uint32_t pos) {
        MSElementDescr *dscr = nullptr;
        if (mdlElmdscr_read(&dscr, pos, model, 0, nullptr) == 0 || dscr == nullptr)
            return 0;
        int stop = criteria->dscrFn(dscr, criteria->dscrArg, criteria);
        mdlElmdscr_freeAll(&dscr);
        return stop;
    });
}

// --- the running position scan -----------------------------------------------------

int mdlScan_initialize(DgnModelRefP model, const Scanlist *list)
{
    if (list != nullptr && !validLevelCount(list->levelCount))
        return fail(DGNERR_BADELEMENT);
    DgnModelRefP m = modelOf(model);
    if (mdlhost::dgn::storeDb(m) == nullptr)
        return fail(DGNERR_NOMODEL);
    running = MdlScanContext{};
    running.model = m;
    running.nextPos = 1;
    if (list != nullptr)
        running.list = *list;
    mdlErrno = 0;
    return 0;
}

int mdlScan_file(uint32_t *positions, int max, int *count)
{
    if (count != nullptr)
        *count = 0;
    if (positions == nullptr || max <= 0 || count == nullptr)
        return fail(DGNERR_BADELEMENT);
    if (running.model == MDLHOST_NO_MODEL)
        return fail(DGNERR_NOMODEL);
    if (running.nextPos == 0)
        return MDLSCAN_END;
    uint32_t next = 0;
    int rc = fetchPositions(running.model, filterOf(running.list), running.nextPos, positions, max, count, next);
    if (rc >= 0)
        running.nextPos = next;
    return rc;
}

int mdlScan_saveContext(MdlScanContext *context)
{
    if (context == nullptr)
        return fail(DGNERR_BADELEMENT);
    *context = running;
    return 0;
}

int mdlScan_restoreContext(const MdlScanContext *context)
{
    if (context == nullptr || !validLevelCount(context->list.levelCount))
        return fail(DGNERR_BADELEMENT);
    running = *context;
    return 0;
}
