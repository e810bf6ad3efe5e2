// Shared by the view, fence and clip files of the host.
#ifndef MDLHOST_DGNSCAN_INT_H
#define MDLHOST_DGNSCAN_INT_H

#include <vector>

#include "dgn/mdldgn.h"
#include "dgn/mdlscan.h"

namespace mdlhost::dgn {

// --- views (dgnview.cpp) ---
// The extent of view 0-7; false for other numbers.
bool viewGeometry(int view, MdlViewExtent &extent);
// The box a view shows, in view coordinates (rotation * world).
void viewBox(const MdlViewExtent &extent, DPoint3d &low, DPoint3d &high);

// --- the fence (dgnfence.cpp) ---
// The fence polygon (UOR, world, closed) and its view; false without one.
bool fencePolygon(std::vector<DPoint3d> &points, int &view);

// --- clipping (dgnclip.cpp) ---
// A clip descriptor of polygon (UOR, world, closed) seen in view, null when
// the polygon has no area.
MdlClipDescr *clipCreate(const std::vector<DPoint3d> &polygon, int view);
// True for a rotation whose view axis is the world z axis: the fence is then
// a prism standing on its xy outline.
bool isPlanView(const RotMatrix &rotation);

} // namespace mdlhost::dgn

#endif
