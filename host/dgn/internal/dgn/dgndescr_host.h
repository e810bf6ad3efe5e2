// Descriptor nodes and the form the design file stores them in.  Host
// internal, so that the element record fuzzer and the store's test records
// reach them; not exported.
#ifndef MDLHOST_DGN_DGNDESCR_HOST_H
#define MDLHOST_DGN_DGNDESCR_HOST_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dgn/mdlelem.h"

namespace mdlhost::dgn {

// --- descriptor nodes (dgnstore.cpp) ----------------------------------------------
// Every node of every descriptor is made by allocDescrNode and released by
// freeDescrNode (mdlElmdscr_freeAll too), so trees built by one module can
// be freed by another.  allocDescrNode gives a zeroed node, null when memory
// runs out.
MSElementDescr *allocDescrNode();
void freeDescrNode(MSElementDescr *node);

// --- descriptors as stored (dgnstore.cpp) ----------------------------------------
// A stored record is dscr and its components (not its siblings) in
// preorder: for each element a word with its encoding and its number of
// direct components, then its bytes (a 2D linear element without its zero
// z values).
std::vector<uint8_t> serializeDescr(const MSElementDescr *dscr);
// Rebuilds the tree; null when the bytes do not hold together (every
// element must pass validateElement).
MSElementDescr *deserializeDescr(const uint8_t *data, size_t size);

// The first element of a stored record into out (MSElement size) and the
// number of its direct components; 0 or DGNERR_BADELEMENT.
int decodeTopElement(const uint8_t *data, size_t size, MSElement *out, uint32_t *components);

// --- adds to the active model (dgnelemio.cpp) ----------------------------------------
// Called with the first element of each graphic top-level element that
// mdlElement_add or mdlElmdscr_add is about to store in the active model;
// it may append attribute data to it (the GIS add-on's current feature),
// nothing else.  Null: none.
using AddFilter = void (*)(MSElement *el);
void setAddFilter(AddFilter fn);

} // namespace mdlhost::dgn

#endif
