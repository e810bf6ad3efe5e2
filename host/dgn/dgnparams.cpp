// Active parameters, locks and the modes of the active design.
//
//   graphic group   the next free group of the active model
//   parameters      mdlParams_getActive / setActive: symbology, cell, text,
//                   fill, graphic group
//   locks           fence overlap and clip
//   modes           mgds_modesP
#include <cmath>
#include <cstdint>
#include <string>

#include "base/mdlbase.h"
#include "dgn/mdldgn.h"
#include "dgn/mdlscan.h"

namespace {

// The active graphic group belongs to the model it was worked out for; a
// model handle is never reused, so another handle means another file.
DgnModelRefP groupModel = MDLHOST_NO_MODEL;
uint32_t activeGroup = 0;
int32_t activeFill = 0;
// The symbology and cell the user works with, as the session keeps them.
uint32_t activeColor = 0;
uint32_t activeWeight = 0;
int32_t activeStyle = 0;
std::u16string activeCell;
int32_t activeFont = 0;
double activeTextSize = 1.0;
bool fenceOverlap = false;
bool fenceClip = false;

void highestGroup(const MSElementDescr *d, uint32_t &highest)
{
    for (; d != nullptr; d = d->h.next) {
        if (d->el.ehdr.graphicGroup > highest)
            highest = d->el.ehdr.graphicGroup;
        highestGroup(d->h.firstElem, highest);
    }
}

int noteGroups(MSElementDescr *dscr, void *arg, MdlScanCriteria *)
{
    highestGroup(dscr, *static_cast<uint32_t *>(arg));
    return 0;
}

// Makes activeGroup that of the active model: a file opened again goes on
// after the groups it holds, so no group is given twice.
int syncGroup()
{
    DgnModelRefP model = mdlModelRef_getActive();
    if (model == MDLHOST_NO_MODEL)
        return mdlErrno = DGNERR_NOMODEL;
    if (model == groupModel)
        return 0;
    MdlScanCriteria *sc = mdlScanCriteria_create();
    if (sc == nullptr)
        return mdlErrno = DGNERR_IO;
    uint32_t highest = 0;
    mdlScanCriteria_setModel(sc, model);
    mdlScanCriteria_setReturnType(sc, MDLSCAN_RETURN_ELMDSCR);
    mdlScanCriteria_setElmDscrCallback(sc, noteGroups, &highest);
    int rc = mdlScanCriteria_scan(sc, nullptr, 0, nullptr);
    mdlScanCriteria_free(&sc);
    if (rc != 0)
        return rc;
    groupModel = model;
    // Group 0 means "no group"; past the last one there is nothing to give.
    activeGroup = highest == UINT32_MAX ? UINT32_MAX : highest + 1;
    return 0;
}

} // namespace

int mdlParams_getActive(void *value, int param)
{
    if (value == nullptr)
        return -1;
    switch (param) {
    case ACTIVEPARAM_COLOR:
        *static_cast<uint32_t *>(value) = activeColor;
        return 0;
    case ACTIVEPARAM_LINEWEIGHT:
        *static_cast<uint32_t *>(value) = activeWeight;
        return 0;
    case ACTIVEPARAM_LINESTYLE:
        *static_cast<int32_t *>(value) = activeStyle;
        return 0;
    case ACTIVEPARAM_CELLNAME: {
        char16_t *out = static_cast<char16_t *>(value);
        activeCell.copy(out, activeCell.size());
        out[activeCell.size()] = 0;
        return 0;
    }
    default:
        break;
    }
    if (param == ACTIVEPARAM_FILL) {
        *static_cast<int32_t *>(value) = activeFill;
        return 0;
    }
    if (param == ACTIVEPARAM_FONT) {
        *static_cast<int32_t *>(value) = activeFont;
        return 0;
    }
    if (param == ACTIVEPARAM_TEXTSIZE) {
        *static_cast<double *>(value) = activeTextSize;
        return 0;
    }
    if (param != ACTIVEPARAM_GRAPHGROUP)
        return -1;
    int rc = syncGroup();
    if (rc != 0)
        return rc;
    *static_cast<uint32_t *>(value) = activeGroup;
    return 0;
}

int mdlParams_setActive(const void *value, int param)
{
    if (value == nullptr)
        return -1;
    switch (param) {
    case ACTIVEPARAM_COLOR: {
        uint32_t color = *static_cast<const uint32_t *>(value);
        if (color > 255 && color != COLOR_BYLEVEL)
            return -1;
        activeColor = color;
        return 0;
    }
    case ACTIVEPARAM_LINEWEIGHT: {
        uint32_t weight = *static_cast<const uint32_t *>(value);
        if (weight > 31 && weight != WEIGHT_BYLEVEL)
            return -1;
        activeWeight = weight;
        return 0;
    }
    case ACTIVEPARAM_LINESTYLE: {
        int32_t style = *static_cast<const int32_t *>(value);
        if (style > 7 && style != STYLE_BYLEVEL)
            return -1;
        activeStyle = style;
        return 0;
    }
    case ACTIVEPARAM_CELLNAME: {
        const char16_t *name = static_cast<const char16_t *>(value);
        size_t n = std::char_traits<char16_t>::length(name);
        if (n > MDLHOST_MAX_CELLNAME)
            return -1;
        activeCell.assign(name, n);
        return 0;
    }
    default:
        break;
    }
    if (param == ACTIVEPARAM_FILL) {
        activeFill = *static_cast<const int32_t *>(value) != 0 ? 1 : 0;
        return 0;
    }
    if (param == ACTIVEPARAM_FONT) {
        int32_t font = *static_cast<const int32_t *>(value);
        if (font < 0)
            return -1;
        activeFont = font;
        return 0;
    }
    if (param == ACTIVEPARAM_TEXTSIZE) {
        double size = *static_cast<const double *>(value);
        if (!std::isfinite(size) || size <= 0)
            return -1;
        activeTextSize = size;
        return 0;
    }
    if (param != ACTIVEPARAM_GRAPHGROUP)
        return -1;
    int rc = syncGroup();
    if (rc != 0)
        return rc;
    activeGroup = *static_cast<const uint32_t *>(value);
    return 0;
}

int mdlSystem_updateGraphicGroup(void)
{
    int rc = syncGroup();
    if (rc != 0)
        return rc;
    if (activeGroup < UINT32_MAX)
        activeGroup++;
    return 0;
}

// --- locks ------------------------------------------------------------------

int mdlParams_getLock(int lock)
{
    if (lock == LOCK_FENCE_OVERLAP)
        return fenceOverlap ? 1 : 0;
    if (lock == LOCK_FENCE_CLIP)
        return fenceClip ? 1 : 0;
    return 0;
}

int mdlParams_setLock(int lock, int on)
{
    if (lock == LOCK_FENCE_OVERLAP)
        fenceOverlap = on != 0;
    else if (lock == LOCK_FENCE_CLIP)
        fenceClip = on != 0;
    else
        return -1;
    return 0;
}

// --- modes ------------------------------------------------------------------

const MgdsModes *mdlhost_mgdsModes(void)
{
    static MgdsModes modes;
    DgnModelRefP model = mdlModelRef_getActive();
    modes.is3D = model != MDLHOST_NO_MODEL && mdlModelRef_is3D(model) ? 1 : 0;
    return &modes;
}
