// Feature geometry of design-file elements as GeoPackage geometry blobs, so
// that GIS tools read the model tables without knowing the element records.
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "dgn_int.h"
#include "dgnstore_int.h"
#include "dgn/mdlcell.h"
#include "dgn/mdlelem.h"

static_assert(std::endian::native == std::endian::little,
              "element records and WKB are written as the machine's little-endian bytes");

namespace mdlhost::dgn {
namespace {

constexpr uint32_t kWkbPoint = 1;
constexpr uint32_t kWkbLineString = 2;
constexpr uint32_t kWkbPolygon = 3;
constexpr uint32_t kWkbCollection = 7;
constexpr uint32_t kWkbZ = 1000; // ISO WKB: type + 1000 carries z

// Chord error allowed when arcs are written as lines (UOR), and a bound on
// the segments of one arc so a huge radius does not make huge features.
constexpr double kChordTolerance = 1.0;
constexpr int kMaxArcSegments = 720;
constexpr int kMinArcSegmentsPerTurn = 8;

using Points = std::vector<DPoint3d>;

// A geometry before it is written: kept as a tree so the envelope, the
// counts and the size are known before the bytes.  Points are read in place
// from the record where they stand as written, else computed into own.
struct Geom {
    uint32_t kind = 0; // kWkb*
    const DPoint3d *ref = nullptr;
    size_t refCount = 0;
    Points own;
    std::vector<Geom> parts;

    void view(const DPoint3d *p, size_t n)
    {
        own.clear();
        ref = p;
        refCount = n;
    }
    void keep(Points &&p)
    {
        own = std::move(p);
        ref = nullptr;
        refCount = 0;
    }
    const DPoint3d *data() const { return ref ? ref : own.data(); }
    size_t size() const { return ref ? refCount : own.size(); }
    // Copies the points out of records that are about to be freed.
    void detach()
    {
        if (ref)
            keep(Points(ref, ref + refCount));
        for (Geom &part : parts)
            part.detach();
    }
};

// Bytes of el's body that may be read: up to the linkages, within the record.
size_t bodyEnd(const MSElement *el)
{
    size_t size = 2u * static_cast<size_t>(el->ehdr.elementSize);
    size_t body = 2u * static_cast<size_t>(el->ehdr.attrOffset);
    if (body > size)
        body = size;
    return body < sizeof(MSElement) ? body : sizeof(MSElement);
}

bool same(const DPoint3d &a, const DPoint3d &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

DPoint3d apply(const RotMatrix &r, const DPoint3d &p)
{
    return {r.form3d[0][0] * p.x + r.form3d[0][1] * p.y + r.form3d[0][2] * p.z,
            r.form3d[1][0] * p.x + r.form3d[1][1] * p.y + r.form3d[1][2] * p.z,
            r.form3d[2][0] * p.x + r.form3d[2][1] * p.y + r.form3d[2][2] * p.z};
}

// Vertices of a linear body, refused when the count does not fit the record.
bool linearPoints(const MSElement *el, Geom &g)
{
    size_t end = bodyEnd(el);
    size_t first = offsetof(Linear_elm, vertice);
    if (end < first)
        return false;
    uint32_t n = el->linear.numVerts;
    if (n > MAX_VERTICES || n > (end - first) / sizeof(DPoint3d))
        return false;
    g.view(el->linear.vertice, n);
    return true;
}

bool arcPoints(const Ellipse_elm &e, Geom &g)
{
    double a = std::fabs(e.primary), b = std::fabs(e.secondary);
    double sweep = e.sweep;
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(sweep) || !std::isfinite(e.start))
        return false;
    if (sweep > 2 * std::numbers::pi)
        sweep = 2 * std::numbers::pi;
    else if (sweep < -2 * std::numbers::pi)
        sweep = -2 * std::numbers::pi;
    double r = a > b ? a : b;
    // Segment angle whose sagitta on the larger axis stays within the tolerance.
    double step = r > kChordTolerance ? 2.0 * std::acos(1.0 - kChordTolerance / r) : std::numbers::pi / 2;
    double turns = std::fabs(sweep) / (2 * std::numbers::pi);
    // A huge radius makes the step 0: the count is clamped before the cast.
    double segments = step > 0 ? std::ceil(std::fabs(sweep) / step) : double(kMaxArcSegments);
    int n = segments < double(kMaxArcSegments) ? static_cast<int>(segments) : kMaxArcSegments;
    int least = static_cast<int>(std::ceil(kMinArcSegmentsPerTurn * turns));
    if (n < least)
        n = least;
    if (n < 1)
        n = 1;
    if (n > kMaxArcSegments)
        n = kMaxArcSegments;
    Points pts;
    pts.reserve(static_cast<size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        double t = e.start + sweep * i / n;
        DPoint3d w = apply(e.rotation, {a * std::cos(t), b * std::sin(t), 0.0});
        pts.push_back({e.origin.x + w.x, e.origin.y + w.y, e.origin.z + w.z});
    }
    g.keep(std::move(pts));
    return true;
}

bool lineStringOf(const MSElement *el, Geom &g)
{
    switch (elementType(el)) {
    case LINE_ELM:
        if (bodyEnd(el) < sizeof(Line_elm))
            return false;
        static_assert(offsetof(Line_elm, end) == offsetof(Line_elm, start) + sizeof(DPoint3d));
        g.view(&el->line.start, 2);
        return true;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
    case MULTILINE_ELM:
        return linearPoints(el, g);
    case CURVE_ELM:
        if (!linearPoints(el, g))
            return false;
        // The two points at each end only steer the curve's tangents.
        if (g.size() > 4)
            g.view(g.data() + 2, g.size() - 4);
        return true;
    case ARC_ELM:
    case ELLIPSE_ELM:
        return bodyEnd(el) >= sizeof(Ellipse_elm) && arcPoints(el->ellipse, g);
    default:
        return false;
    }
}

void closeRing(Geom &g)
{
    size_t n = g.size();
    if (n == 0 || same(g.data()[0], g.data()[n - 1]))
        return;
    Points ring(g.data(), g.data() + n);
    ring.push_back(ring.front());
    g.keep(std::move(ring));
}

void appendJoined(Points &into, const Geom &more)
{
    const DPoint3d *p = more.data();
    size_t n = more.size();
    if (!into.empty() && n > 0 && same(into.back(), p[0])) {
        ++p;
        --n;
    }
    into.insert(into.end(), p, p + n);
}

bool textOf(const MSElement *el, std::string &text)
{
    size_t end = bodyEnd(el);
    size_t first = offsetof(Text_elm, string);
    if (end < first)
        return false;
    uint32_t n = el->text.numChars;
    if (n > MDLHOST_MAX_TEXT || n > (end - first) / sizeof(char16_t))
        return false;
    text = unitsToLatin1(el->text.string, n);
    return true;
}

// Shared-cell definitions placed for one feature: a definition that holds
// instances of itself must not multiply without end.
constexpr int kMaxPlacements = 64;

struct Context {
    DgnModelRefP model;
    int placements = 0;
};

bool build(Context &cx, const MSElementDescr *d, Geom &g, std::string *text, int depth);

// Components' geometries, those without one left out.
void buildParts(Context &cx, const MSElementDescr *first, Geom &g, int depth)
{
    for (const MSElementDescr *c = first; c; c = c->h.next) {
        Geom part;
        if (build(cx, c, part, nullptr, depth + 1))
            g.parts.push_back(std::move(part));
    }
}

// A cell of one solid closed shape and hole shapes is an area with islands:
// one polygon whose interior rings are the holes, so that a GIS tool measures
// the area without them.  Any other mix stays a collection.
void asPolygonWithHoles(const MSElementDescr *first, Geom &g)
{
    size_t solid = g.parts.size(), holes = 0, i = 0;
    for (const MSElementDescr *c = first; c; c = c->h.next) {
        const int type = elementType(&c->el);
        if (type != SHAPE_ELM && type != ELLIPSE_ELM && type != CMPLX_SHAPE_ELM)
            return;
        if (i >= g.parts.size() || g.parts[i].kind != kWkbPolygon || g.parts[i].size() < 4)
            return;
        if ((c->el.ehdr.properties & ELM_PROP_HOLE) != 0) {
            holes++;
        } else {
            if (solid != g.parts.size())
                return;
            solid = i;
        }
        i++;
    }
    if (i != g.parts.size() || holes == 0 || solid == g.parts.size())
        return;
    Geom outer = std::move(g.parts[solid]);
    outer.detach();
    for (size_t k = 0; k < g.parts.size(); k++) {
        if (k == solid)
            continue;
        Geom ring = std::move(g.parts[k]);
        ring.detach();
        ring.kind = kWkbLineString;
        outer.parts.push_back(std::move(ring));
    }
    g = std::move(outer);
}

// A shared cell's geometry is its definition's placed as the instance is;
// without the definition only the origin is known.
void buildSharedCell(Context &cx, const MSElement *el, Geom &g, int depth)
{
    g.kind = kWkbCollection;
    MSElementDescr *placed = nullptr;
    if (cx.placements < kMaxPlacements) {
        cx.placements++;
        // The lookup's own errors are no failure of the write that asked.
        int saved = mdlErrno;
        if (mdlSharedCell_toNormalCell(&placed, el, cx.model) != 0)
            placed = nullptr;
        mdlErrno = saved;
    }
    if (placed) {
        buildParts(cx, placed->h.firstElem, g, depth);
        g.detach();
        mdlElmdscr_freeAll(&placed);
        return;
    }
    Geom origin;
    origin.kind = kWkbPoint;
    origin.view(&el->sharedCell.origin, 1);
    g.parts.push_back(std::move(origin));
}

bool build(Context &cx, const MSElementDescr *d, Geom &g, std::string *text, int depth)
{
    if (depth > kMaxNesting)
        return false;
    const MSElement *el = &d->el;
    switch (elementType(el)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case CURVE_ELM:
    case ARC_ELM:
    case MULTILINE_ELM:
        g.kind = kWkbLineString;
        return lineStringOf(el, g);
    case SHAPE_ELM:
    case ELLIPSE_ELM:
        g.kind = kWkbPolygon;
        if (!lineStringOf(el, g))
            return false;
        closeRing(g);
        return true;
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM: {
        g.kind = elementType(el) == CMPLX_SHAPE_ELM ? kWkbPolygon : kWkbLineString;
        Points joined;
        for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
            Geom part;
            if (lineStringOf(&c->el, part))
                appendJoined(joined, part);
        }
        g.keep(std::move(joined));
        if (g.kind == kWkbPolygon)
            closeRing(g);
        return true;
    }
    case TEXT_ELM:
        if (bodyEnd(el) < offsetof(Text_elm, string))
            return false;
        g.kind = kWkbPoint;
        g.view(&el->text.origin, 1);
        if (text && !textOf(el, *text))
            return false;
        return true;
    case TEXT_NODE_ELM:
        if (bodyEnd(el) < sizeof(TextNode_elm))
            return false;
        g.kind = kWkbPoint;
        g.view(&el->textNode.origin, 1);
        if (text) {
            text->clear();
            bool firstLine = true;
            for (const MSElementDescr *c = d->h.firstElem; c; c = c->h.next) {
                std::string line;
                if (elementType(&c->el) != TEXT_ELM || !textOf(&c->el, line))
                    continue;
                if (!firstLine)
                    text->push_back('\n');
                text->append(line);
                firstLine = false;
            }
        }
        return true;
    case CELL_HEADER_ELM:
        g.kind = kWkbCollection;
        buildParts(cx, d->h.firstElem, g, depth);
        asPolygonWithHoles(d->h.firstElem, g);
        return true;
    case SHARED_CELL_ELM:
        if (bodyEnd(el) < sizeof(SharedCell_elm))
            return false;
        buildSharedCell(cx, el, g, depth);
        return true;
    default:
        return false;
    }
}

void extend(const Geom &g, const FeatureFrame &f, RangeAccumulator &acc)
{
    const DPoint3d *p = g.data();
    for (size_t i = 0, n = g.size(); i < n; ++i)
        acc.add(f.map(p[i]));
    for (const Geom &part : g.parts)
        extend(part, f, acc);
}

// Bytes of g's WKB with dims coordinates a point.
size_t wkbSize(const Geom &g, size_t dims)
{
    size_t point = 8 * dims;
    switch (g.kind) {
    case kWkbPoint:
        return 5 + point;
    case kWkbLineString:
        return 5 + 4 + g.size() * point;
    case kWkbPolygon: {
        // The exterior ring, then the interior rings in parts.
        size_t n = 5 + 4 + (g.size() ? 4 + g.size() * point : 0);
        for (const Geom &ring : g.parts)
            n += 4 + ring.size() * point;
        return n;
    }
    default: {
        size_t n = 5 + 4;
        for (const Geom &part : g.parts)
            n += wkbSize(part, dims);
        return n;
    }
    }
}

template <class T> void put(uint8_t *&p, T v)
{
    std::memcpy(p, &v, sizeof v);
    p += sizeof v;
}

void putPoints(uint8_t *&p, const DPoint3d *pts, size_t n, bool is3d, const FeatureFrame &f)
{
    if (!f.identity()) {
        for (size_t i = 0; i < n; ++i) {
            DPoint3d q = f.map(pts[i]);
            put(p, q.x);
            put(p, q.y);
            if (is3d)
                put(p, q.z);
        }
        return;
    }
    if (is3d) {
        std::memcpy(p, pts, n * sizeof(DPoint3d));
        p += n * sizeof(DPoint3d);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        put(p, pts[i].x);
        put(p, pts[i].y);
    }
}

void writeWkb(uint8_t *&p, const Geom &g, bool is3d, const FeatureFrame &f)
{
    put<uint8_t>(p, 1); // little-endian
    put<uint32_t>(p, is3d ? g.kind + kWkbZ : g.kind);
    switch (g.kind) {
    case kWkbPoint: {
        DPoint3d empty{NAN, NAN, NAN};
        putPoints(p, g.size() ? g.data() : &empty, 1, is3d, g.size() ? f : FeatureFrame{});
        break;
    }
    case kWkbLineString:
        put<uint32_t>(p, static_cast<uint32_t>(g.size()));
        putPoints(p, g.data(), g.size(), is3d, f);
        break;
    case kWkbPolygon:
        put<uint32_t>(p, g.size() ? static_cast<uint32_t>(1 + g.parts.size()) : 0);
        if (g.size()) {
            put<uint32_t>(p, static_cast<uint32_t>(g.size()));
            putPoints(p, g.data(), g.size(), is3d, f);
            for (const Geom &ring : g.parts) {
                put<uint32_t>(p, static_cast<uint32_t>(ring.size()));
                putPoints(p, ring.data(), ring.size(), is3d, f);
            }
        }
        break;
    default:
        put<uint32_t>(p, static_cast<uint32_t>(g.parts.size()));
        for (const Geom &part : g.parts)
            writeWkb(p, part, is3d, f);
        break;
    }
}

} // namespace

bool encodeFeatureGeometry(const MSElementDescr *dscr, bool is3d, std::vector<uint8_t> &blob,
                           std::string &text, const FeatureFrame &frame)
{
    blob.clear();
    text.clear();
    if (!dscr)
        return false;
    Geom g;
    Context cx{dscr->h.dgnModelRef};
    if (!build(cx, dscr, g, &text, 0)) {
        text.clear();
        return false;
    }
    RangeAccumulator acc;
    extend(g, frame, acc);
    DRange3d r{};
    bool any = acc.get(r);

    size_t dims = is3d ? 3 : 2;
    size_t envelope = any ? 2 * dims * sizeof(double) : 0;
    blob.resize(8 + envelope + wkbSize(g, dims));
    uint8_t *p = blob.data();
    put<uint8_t>(p, 'G');
    put<uint8_t>(p, 'P');
    put<uint8_t>(p, 0); // version 1
    // Flags: little-endian, envelope xy (1) or xyz (2), or no envelope and
    // the empty bit for a geometry without points.
    put<uint8_t>(p, any ? static_cast<uint8_t>(0x01 | (is3d ? 2 : 1) << 1) : 0x11);
    put<int32_t>(p, frame.srsId);
    if (any) {
        put(p, r.low.x);
        put(p, r.high.x);
        put(p, r.low.y);
        put(p, r.high.y);
        if (is3d) {
            put(p, r.low.z);
            put(p, r.high.z);
        }
    }
    writeWkb(p, g, is3d, frame);
    return true;
}

} // namespace mdlhost::dgn
