// What the export scan (eksport.cpp) shares with the export of complex
// elements and areas (eksportflate.cpp): the run's state, Elm helpers and
// the lookups that keep the boundary search and the group searches from
// walking the whole model or index per element.
#pragma once

#include <cstdint>
#include <vector>

#include "dgn/mdldgn.h"
#include "eksport.h"

namespace eksport {

// One resolution unit in master units: the geometric tolerance.
double toleranse();
// Distances against it: in master units exactly one UOR comes out a hair
// above or below, so both tests allow for a part in a billion.
bool mindreEnnToleranse(double d);
bool innenforToleranse(double d);
// Elm emptied as a new element (the arrays only as far as they are read).
void tomElm();
// Appends n points to Elm (from pointCount when tilfoey, else from 0);
// false, with a registered message, when they do not all fit.
bool LagreKoordinater(const DPoint3d *pts, int n, bool tilfoey);
// Bounded copy with a registered message when cut.
void kopierFelt(char *dst, size_t size, const char *src);
template <size_t N> void kopierFelt(char (&dst)[N], const char *src) { kopierFelt(dst, N, src); }
// Members whose first or last written point lies within two tolerances of
// p (x and y), in index order; they still need the geometric test.
void kandidater(const DPoint3d &p, std::vector<int> &ut);
// Positions of the top-level elements of graphic group gg of the given
// type in the active model, in position order.
void gruppeElementer(uint32_t gg, int type, std::vector<uint32_t> &ut);
// The current ZERA level of the export header.
int zeraNivaa();
// True for the id of a curve written joined from the pieces the import
// split it in: an area meets it once per piece.
bool ErSkjoetetId(int32_t id);
// The element buffer of a nesting depth (0 the scan, 1 a component ...).
MSElement *buffer(int dybde);

} // namespace eksport
