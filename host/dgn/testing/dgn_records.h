// Element records built field by field for the store's tests and the design
// file fuzzers (host satellites: it needs the host-internal headers), so that they
// do not depend on the element functions they are meant to carry.
#ifndef MDLHOST_DGN_RECORDS_H
#define MDLHOST_DGN_RECORDS_H

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "dgn/dgndescr_host.h"
#include "dgn/mdlelem.h"
#include "mdlhost.h"

namespace dgntest {

using ElementP = std::unique_ptr<MSElement>;

inline void setRange(MSElement &el, const std::vector<DPoint3d> &pts)
{
    DRange3d &r = el.line.dhdr.range;
    r.low = r.high = pts.front();
    for (const DPoint3d &p : pts) {
        r.low = {std::min(r.low.x, p.x), std::min(r.low.y, p.y), std::min(r.low.z, p.z)};
        r.high = {std::max(r.high.x, p.x), std::max(r.high.y, p.y), std::max(r.high.z, p.z)};
    }
}

// A line string (or shape, curve: type) on level with explicit symbology.
inline ElementP linear(const std::vector<DPoint3d> &pts, uint32_t level = 1, uint32_t graphicGroup = 0,
                       int type = LINE_STRING_ELM, bool is3d = false)
{
    auto el = std::make_unique<MSElement>();
    Linear_elm &l = el->linear;
    l.ehdr.type = uint32_t(type);
    l.ehdr.level = level;
    l.ehdr.graphicGroup = graphicGroup;
    l.ehdr.properties = is3d ? ELM_PROP_3D : 0;
    l.dhdr.color = 3;
    l.dhdr.weight = 2;
    l.dhdr.style = 1;
    l.numVerts = uint32_t(pts.size());
    memcpy(l.vertice, pts.data(), pts.size() * sizeof(DPoint3d));
    size_t bytes = offsetof(Linear_elm, vertice) + pts.size() * sizeof(DPoint3d);
    l.ehdr.elementSize = l.ehdr.attrOffset = uint32_t(bytes / 2);
    setRange(*el, pts);
    return el;
}

// Appends a user-data linkage of id with two data words.
inline void addLinkage(MSElement &el, uint16_t id, uint16_t a, uint16_t b)
{
    uint16_t *w = el.buf + el.ehdr.elementSize;
    w[0] = LINKAGE_USER | 3; // 4 words
    w[1] = id;
    w[2] = a;
    w[3] = b;
    el.ehdr.elementSize += 4;
}

// A complex chain header (type 12) for components.
inline ElementP chainHeader(uint32_t level = 1)
{
    auto el = std::make_unique<MSElement>();
    Complex_hdr &c = el->complexHdr;
    c.ehdr.type = CMPLX_STRING_ELM;
    c.ehdr.level = level;
    c.ehdr.elementSize = c.ehdr.attrOffset = sizeof(Complex_hdr) / 2;
    return el;
}

// A type-66 application element with data bytes (the layout its writers use).
inline ElementP application(const std::vector<uint8_t> &data, uint32_t level = 20)
{
    auto el = std::make_unique<MSElement>();
    size_t bytes = ELM_APPL_BODY_OFFSET + data.size() + (data.size() & 1);
    el->ehdr.type = MICROSTATION_ELM;
    el->ehdr.elementSize = el->ehdr.attrOffset = uint32_t(bytes / 2);
    el->ehdr.level = level;
    memcpy(el->appl.data, data.data(), data.size());
    return el;
}

// A descriptor node holding a copy of el (free with mdlElmdscr_freeAll).
inline MSElementDescr *node(const MSElement &el)
{
    MSElementDescr *d = mdlhost::dgn::allocDescrNode();
    memcpy(&d->el, &el, 2u * el.ehdr.elementSize);
    return d;
}

// Hangs component under header as its last component.
inline void append(MSElementDescr *header, MSElementDescr *component)
{
    header->h.isHeader = 1;
    component->h.myHeader = header;
    MSElementDescr **at = &header->h.firstElem;
    MSElementDescr *prev = nullptr;
    while (*at) {
        prev = *at;
        at = &(*at)->h.next;
    }
    component->h.previous = prev;
    *at = component;
    header->el.complexHdr.numComponents++;
}

inline bool sameBytes(const MSElement &a, const MSElement &b)
{
    return a.ehdr.elementSize == b.ehdr.elementSize && memcmp(&a, &b, 2u * a.ehdr.elementSize) == 0;
}

} // namespace dgntest

#endif
