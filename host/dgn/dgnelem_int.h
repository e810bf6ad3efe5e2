// Helpers shared by the element, descriptor and transform files of the host.
#ifndef MDLHOST_DGNELEM_INT_H
#define MDLHOST_DGNELEM_INT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dgn_int.h"
#include "dgn/mdldgn.h"

namespace mdlhost::dgn {

// Smallest number of bytes before the linkages a record of type can have.
size_t minimumBodyBytes(int type);
// Words of the linkage whose header word is hdr.
size_t linkageWords(uint16_t hdr);

// UOR range of one element's own geometry (a header's components not
// included; a cell or text node gives its origin).  False when the element
// has no geometry of its own.
bool elementGeometryRange(const MSElement *el, DRange3d *range);

// Point of an ellipse or arc at angle (radians) in world (UOR).
DPoint3d ellipsePoint(const Ellipse_elm &e, double angle);
// Appends the stroke of an ellipse/arc (n >= 2 points, both ends included).
void strokeEllipse(const Ellipse_elm &e, int n, std::vector<DPoint3d> &out);
// Appends the stroke of a curve's interpolated span(s), perSpan points
// between given points; the control points only shape the ends.
void strokeCurve(const DPoint3d *stored, int numStored, int perSpan, std::vector<DPoint3d> &out);
// A text's box about its origin in its own axes, by justification.
void textBoxLocal(const TextAttr &a, uint32_t numChars, double &x0, double &y0, double &x1, double &y1);
// Corners of a text element's box (lower left, lower right, upper right,
// upper left), UOR.
void textBox(const Text_elm &t, DPoint3d corners[4]);

// Strokes a line, linear element, arc, ellipse, curve or complex chain/shape
// into out (UOR; tolerance UOR, <= 0 a default); DGNERR_BADELEMENT for other
// types.
int strokeTree(const MSElementDescr *d, double tolerance, std::vector<DPoint3d> &out);
// After the element of node changed from oldWords to its present size:
// the totalWords of node (a header) and of its headers follow.
void descrSizeChanged(MSElementDescr *node, uint32_t oldWords);

// 3x3 helpers (row-major, p' = m * p).
DPoint3d rotate(const RotMatrix &m, const DPoint3d &p);
bool finitePoint(const DPoint3d &p);

} // namespace mdlhost::dgn

#endif
