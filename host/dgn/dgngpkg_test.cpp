// Feature geometries: the blob bytes of the encoder, and the design file as
// GDAL's ogrinfo reads it back.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_int.h"
#include "dgn/mdlcell.h"
#include "dgn/mdlelem.h"
#include "dgn_testing.h"

namespace {

using mdlhost::dgn::encodeFeatureGeometry;

// --- element records built by hand ------------------------------------------------

struct Tree {
    std::vector<std::unique_ptr<MSElementDescr>> nodes;

    MSElementDescr *add(MSElementDescr *parent, uint32_t type, size_t bodyBytes)
    {
        nodes.push_back(std::make_unique<MSElementDescr>());
        MSElementDescr *d = nodes.back().get();
        d->el.ehdr.type = type | (parent ? ELM_COMPLEX_BIT : 0u);
        uint32_t words = static_cast<uint32_t>((bodyBytes + 1) / 2);
        d->el.ehdr.elementSize = words;
        d->el.ehdr.attrOffset = words;
        if (parent) {
            d->h.myHeader = parent;
            parent->h.isHeader = 1;
            MSElementDescr **slot = &parent->h.firstElem;
            while (*slot) {
                d->h.previous = *slot;
                slot = &(*slot)->h.next;
            }
            *slot = d;
            parent->el.complexHdr.numComponents++;
        }
        return d;
    }
    MSElementDescr *line(MSElementDescr *parent, DPoint3d a, DPoint3d b)
    {
        MSElementDescr *d = add(parent, LINE_ELM, sizeof(Line_elm));
        d->el.line.start = a;
        d->el.line.end = b;
        return d;
    }
    MSElementDescr *linear(MSElementDescr *parent, uint32_t type, const std::vector<DPoint3d> &pts)
    {
        MSElementDescr *d =
            add(parent, type, offsetof(Linear_elm, vertice) + pts.size() * sizeof(DPoint3d));
        d->el.linear.numVerts = static_cast<uint32_t>(pts.size());
        std::memcpy(d->el.linear.vertice, pts.data(), pts.size() * sizeof(DPoint3d));
        return d;
    }
    MSElementDescr *arc(MSElementDescr *parent, uint32_t type, DPoint3d centre, double a, double b,
                        double start, double sweep)
    {
        MSElementDescr *d = add(parent, type, sizeof(Ellipse_elm));
        Ellipse_elm &e = d->el.ellipse;
        e.origin = centre;
        e.primary = a;
        e.secondary = b;
        e.start = start;
        e.sweep = sweep;
        for (int i = 0; i < 3; ++i)
            e.rotation.form3d[i][i] = 1.0;
        return d;
    }
    MSElementDescr *text(MSElementDescr *parent, DPoint3d origin, const std::u16string &s)
    {
        MSElementDescr *d = add(parent, TEXT_ELM, offsetof(Text_elm, string) + s.size() * 2);
        d->el.text.origin = origin;
        d->el.text.numChars = static_cast<uint32_t>(s.size());
        std::memcpy(d->el.text.string, s.data(), s.size() * 2);
        return d;
    }
};

// --- a small reader of the blobs, independent of the encoder ----------------------

struct Reader {
    const std::vector<uint8_t> &b;
    size_t at = 0;
    bool ok = true;

    template <class T> T get()
    {
        T v{};
        if (at + sizeof v > b.size()) {
            ok = false;
            return v;
        }
        std::memcpy(&v, b.data() + at, sizeof v);
        at += sizeof v;
        return v;
    }
};

std::string num(double v)
{
    char buf[64];
    snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

void wkt(Reader &r, std::string &out)
{
    if (r.get<uint8_t>() != 1) {
        r.ok = false;
        return;
    }
    uint32_t type = r.get<uint32_t>();
    bool z = type > 1000;
    uint32_t base = type % 1000;
    auto coords = [&](uint32_t n) {
        out += "(";
        for (uint32_t i = 0; i < n && r.ok; ++i) {
            if (i)
                out += ",";
            // One read per statement: the order of the coordinates matters.
            out += num(r.get<double>());
            out += " " + num(r.get<double>());
            if (z)
                out += " " + num(r.get<double>());
        }
        out += ")";
    };
    const char *names[] = {"", "POINT", "LINESTRING", "POLYGON", "", "", "", "GEOMETRYCOLLECTION"};
    if (base >= 8 || !*names[base]) {
        r.ok = false;
        return;
    }
    out += names[base];
    if (z)
        out += " Z";
    out += " ";
    switch (base) {
    case 1:
        coords(1);
        break;
    case 2:
        coords(r.get<uint32_t>());
        break;
    case 3: {
        uint32_t rings = r.get<uint32_t>();
        out += "(";
        for (uint32_t i = 0; i < rings && r.ok; ++i) {
            if (i)
                out += ",";
            coords(r.get<uint32_t>());
        }
        out += ")";
        break;
    }
    case 7: {
        uint32_t n = r.get<uint32_t>();
        out += "(";
        for (uint32_t i = 0; i < n && r.ok; ++i) {
            if (i)
                out += ",";
            wkt(r, out);
        }
        out += ")";
        break;
    }
    }
}

struct Decoded {
    bool ok = false;
    uint8_t flags = 0;
    int32_t srs = 0;
    std::vector<double> envelope;
    std::string wkt;
};

Decoded decode(const std::vector<uint8_t> &blob)
{
    Decoded d;
    Reader r{blob};
    if (r.get<uint8_t>() != 'G' || r.get<uint8_t>() != 'P' || r.get<uint8_t>() != 0)
        return d;
    d.flags = r.get<uint8_t>();
    d.srs = r.get<int32_t>();
    int doubles[] = {0, 4, 6, 6, 8};
    int kind = (d.flags >> 1) & 7;
    if (kind > 4)
        return d;
    for (int i = 0; i < doubles[kind]; ++i)
        d.envelope.push_back(r.get<double>());
    wkt(r, d.wkt);
    d.ok = r.ok && r.at == blob.size();
    return d;
}

// --- the encoder's bytes ------------------------------------------------------------

TEST(FeatureBlob, TwoPointLineHasHeaderEnvelopeAndWkb)
{
    Tree t;
    MSElementDescr *d = t.line(nullptr, {30, 20, 5}, {10, 40, 7});
    std::vector<uint8_t> blob;
    std::string text = "stale";
    ASSERT_TRUE(encodeFeatureGeometry(d, false, blob, text));
    EXPECT_EQ(text, "");

    std::vector<uint8_t> want = {'G', 'P', 0, 0x03, 0xE8, 0x03, 0, 0};
    auto putDouble = [&](double v) {
        uint8_t b[8];
        std::memcpy(b, &v, 8);
        want.insert(want.end(), b, b + 8);
    };
    for (double v : {10.0, 30.0, 20.0, 40.0}) // minx maxx miny maxy
        putDouble(v);
    for (uint8_t b : {1, 2, 0, 0, 0, 2, 0, 0, 0})
        want.push_back(b);
    for (double v : {30.0, 20.0, 10.0, 40.0})
        putDouble(v);
    EXPECT_EQ(blob, want);

    // A 3D file: xyz envelope and the Z type.
    ASSERT_TRUE(encodeFeatureGeometry(d, true, blob, text));
    Decoded z = decode(blob);
    ASSERT_TRUE(z.ok);
    EXPECT_EQ(z.flags, 0x05);
    EXPECT_EQ(z.srs, 1000);
    EXPECT_EQ(z.envelope, (std::vector<double>{10, 30, 20, 40, 5, 7}));
    EXPECT_EQ(z.wkt, "LINESTRING Z (30 20 5,10 40 7)");
}

TEST(FeatureBlob, EachTypeGivesItsGeometry)
{
    Tree t;
    std::vector<DPoint3d> square = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    std::vector<DPoint3d> closed = square;
    closed.push_back(square[0]);

    MSElementDescr *chain = t.add(nullptr, CMPLX_STRING_ELM, sizeof(Complex_hdr));
    t.line(chain, {0, 0, 0}, {10, 0, 0});
    t.linear(chain, LINE_STRING_ELM, {{10, 0, 0}, {10, 10, 0}, {20, 10, 0}});

    MSElementDescr *cshape = t.add(nullptr, CMPLX_SHAPE_ELM, sizeof(Complex_hdr));
    t.linear(cshape, LINE_STRING_ELM, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}});
    t.line(cshape, {10, 10, 0}, {0, 0, 0});

    MSElementDescr *node = t.add(nullptr, TEXT_NODE_ELM, sizeof(TextNode_elm));
    node->el.textNode.origin = {5, 6, 0};
    t.text(node, {5, 6, 0}, u"first");
    t.text(node, {5, 4, 0}, u"second");

    MSElementDescr *cell = t.add(nullptr, CELL_HEADER_ELM, sizeof(Cell_elm));
    t.line(cell, {1, 2, 0}, {3, 4, 0});
    t.text(cell, {7, 8, 0}, u"in cell");
    MSElementDescr *inner = t.add(cell, CELL_HEADER_ELM, sizeof(Cell_elm));
    t.linear(inner, SHAPE_ELM, closed);

    const struct {
        const char *what;
        const MSElementDescr *d;
        const char *wkt;
        const char *text;
    } cases[] = {
        {"line string", t.linear(nullptr, LINE_STRING_ELM, {{1, 2, 0}, {3, 4, 0}, {5, 6, 0}}),
         "LINESTRING (1 2,3 4,5 6)", ""},
        {"shape", t.linear(nullptr, SHAPE_ELM, closed), "POLYGON ((0 0,10 0,10 10,0 10,0 0))", ""},
        {"shape not closed is closed", t.linear(nullptr, SHAPE_ELM, square),
         "POLYGON ((0 0,10 0,10 10,0 10,0 0))", ""},
        {"curve without control points",
         t.linear(nullptr, CURVE_ELM,
                  {{-9, -9, 0}, {-8, -8, 0}, {0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {8, 8, 0}, {9, 9, 0}}),
         "LINESTRING (0 0,1 1,2 0)", ""},
        {"multi-line work line", t.linear(nullptr, MULTILINE_ELM, {{0, 0, 0}, {4, 0, 0}}),
         "LINESTRING (0 0,4 0)", ""},
        {"complex chain joined", chain, "LINESTRING (0 0,10 0,10 10,20 10)", ""},
        {"complex shape", cshape, "POLYGON ((0 0,10 0,10 10,0 0))", ""},
        {"text", t.text(nullptr, {100, 200, 0}, u"Bl\u00E5b\u00E6r\u00F8y \u00C6\u00D8\u00C5"),
         "POINT (100 200)", "Bl\xE5" "b\xE6r\xF8y \xC6\xD8\xC5"},
        {"text node", node, "POINT (5 6)", "first\nsecond"},
        {"cell", cell,
         "GEOMETRYCOLLECTION (LINESTRING (1 2,3 4),POINT (7 8),"
         "GEOMETRYCOLLECTION (POLYGON ((0 0,10 0,10 10,0 10,0 0))))",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> blob;
        std::string text;
        ASSERT_TRUE(encodeFeatureGeometry(c.d, false, blob, text));
        Decoded got = decode(blob);
        ASSERT_TRUE(got.ok);
        EXPECT_EQ(got.wkt, c.wkt);
        EXPECT_EQ(text, c.text);
    }
}

// A cell of one solid shape and hole shapes is one polygon with the holes
// as interior rings; other mixes stay a collection.
TEST(FeatureBlob, AnAreaCellWithIslandsIsOnePolygon)
{
    Tree t;
    auto ring = [](double x0, double y0, double size) {
        return std::vector<DPoint3d>{{x0, y0, 0}, {x0 + size, y0, 0}, {x0 + size, y0 + size, 0},
                                     {x0, y0 + size, 0}, {x0, y0, 0}};
    };
    auto hole = [](MSElementDescr *d) { d->el.ehdr.properties |= ELM_PROP_HOLE; };

    MSElementDescr *islands = t.add(nullptr, CELL_HEADER_ELM, sizeof(Cell_elm));
    hole(t.linear(islands, SHAPE_ELM, ring(1, 1, 2)));
    t.linear(islands, SHAPE_ELM, ring(0, 0, 10));
    MSElementDescr *chain = t.add(islands, CMPLX_SHAPE_ELM, sizeof(Complex_hdr));
    hole(chain);
    t.linear(chain, LINE_STRING_ELM, {{5, 5, 0}, {7, 5, 0}, {7, 7, 0}});
    t.line(chain, {7, 7, 0}, {5, 5, 0});

    MSElementDescr *twoSolids = t.add(nullptr, CELL_HEADER_ELM, sizeof(Cell_elm));
    t.linear(twoSolids, SHAPE_ELM, ring(0, 0, 10));
    t.linear(twoSolids, SHAPE_ELM, ring(20, 0, 10));
    hole(t.linear(twoSolids, SHAPE_ELM, ring(1, 1, 2)));

    MSElementDescr *withLine = t.add(nullptr, CELL_HEADER_ELM, sizeof(Cell_elm));
    t.linear(withLine, SHAPE_ELM, ring(0, 0, 10));
    hole(t.linear(withLine, SHAPE_ELM, ring(1, 1, 2)));
    t.line(withLine, {0, 0, 0}, {1, 1, 0});

    const struct {
        const char *what;
        const MSElementDescr *d;
        const char *wkt;
    } cases[] = {
        {"one solid and two holes", islands,
         "POLYGON ((0 0,10 0,10 10,0 10,0 0),(1 1,3 1,3 3,1 3,1 1),(5 5,7 5,7 7,5 5))"},
        {"two solids", twoSolids,
         "GEOMETRYCOLLECTION (POLYGON ((0 0,10 0,10 10,0 10,0 0)),POLYGON ((20 0,30 0,30 10,20 10,20 0)),"
         "POLYGON ((1 1,3 1,3 3,1 3,1 1)))"},
        {"a line beside", withLine,
         "GEOMETRYCOLLECTION (POLYGON ((0 0,10 0,10 10,0 10,0 0)),POLYGON ((1 1,3 1,3 3,1 3,1 1)),"
         "LINESTRING (0 0,1 1))"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (bool is3d : {false, true}) {
            std::vector<uint8_t> blob;
            std::string text;
            ASSERT_TRUE(encodeFeatureGeometry(c.d, is3d, blob, text));
            Decoded got = decode(blob);
            ASSERT_TRUE(got.ok) << is3d;
            if (!is3d) {
                EXPECT_EQ(got.wkt, c.wkt);
            }
        }
    }
}

// The envelope spans every component; a geometry without points has none
// and says it is empty.
TEST(FeatureBlob, EnvelopeCoversEveryComponentOrIsLeftOutWhenEmpty)
{
    Tree t;
    MSElementDescr *cell = t.add(nullptr, CELL_HEADER_ELM, sizeof(Cell_elm));
    t.line(cell, {1, 2, 0}, {3, 4, 0});
    t.text(cell, {-7, 80, 0}, u"x");
    std::vector<uint8_t> blob;
    std::string text;
    ASSERT_TRUE(encodeFeatureGeometry(cell, false, blob, text));
    EXPECT_EQ(decode(blob).envelope, (std::vector<double>{-7, 3, 2, 80}));

    MSElementDescr *empty = t.add(nullptr, CELL_HEADER_ELM, sizeof(Cell_elm));
    ASSERT_TRUE(encodeFeatureGeometry(empty, true, blob, text));
    Decoded got = decode(blob);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.flags, 0x11);
    EXPECT_TRUE(got.envelope.empty());
    EXPECT_EQ(got.wkt, "GEOMETRYCOLLECTION Z ()");
}

// Arcs and ellipses become lines whose chords stay within one UOR of the
// curve, with a bounded number of points however large the radius.
TEST(FeatureBlob, ArcsAreDensifiedWithinOneUor)
{
    const double pi = std::numbers::pi;
    const struct {
        const char *what;
        uint32_t type;
        double radius, start, sweep;
    } cases[] = {
        {"arc of a small radius", ARC_ELM, 50.0, 0.0, pi / 2},
        {"arc of 100 m", ARC_ELM, 100000.0, 0.25, -pi},
        {"circle", ELLIPSE_ELM, 20000.0, 0.0, 2 * pi},
        {"arc of a huge radius", ARC_ELM, 1e12, 0.0, pi},
        {"circle of a radius no map has", ELLIPSE_ELM, 1e300, 0.0, 2 * pi},
        {"tiny arc", ARC_ELM, 0.1, 0.0, pi},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Tree t;
        DPoint3d centre{1000, 2000, 0};
        MSElementDescr *d = t.arc(nullptr, c.type, centre, c.radius, c.radius, c.start, c.sweep);
        std::vector<uint8_t> blob;
        std::string text;
        ASSERT_TRUE(encodeFeatureGeometry(d, false, blob, text));
        Decoded got = decode(blob);
        ASSERT_TRUE(got.ok);
        EXPECT_EQ(got.wkt.rfind(c.type == ARC_ELM ? "LINESTRING (" : "POLYGON ((", 0), 0u) << got.wkt;
        // Points from the blob's WKB (after the 2D envelope): count then x y pairs.
        size_t at = 8 + 32 + 5 + (c.type == ELLIPSE_ELM ? 4 : 0);
        uint32_t n;
        std::memcpy(&n, blob.data() + at, 4);
        at += 4;
        ASSERT_GE(n, 2u);
        EXPECT_LE(n, 1000u);
        std::vector<double> xy(2 * n);
        std::memcpy(xy.data(), blob.data() + at, xy.size() * 8);
        double firstAngle = std::atan2(xy[1] - centre.y, xy[0] - centre.x);
        EXPECT_NEAR(std::remainder(firstAngle - c.start, 2 * pi), 0.0, 1e-9);
        double lastAngle = std::atan2(xy[2 * n - 1] - centre.y, xy[2 * n - 2] - centre.x);
        EXPECT_NEAR(std::remainder(lastAngle - (c.start + c.sweep), 2 * pi), 0.0, 1e-9);
        for (uint32_t i = 0; i < n; ++i)
            EXPECT_NEAR(std::hypot(xy[2 * i] - centre.x, xy[2 * i + 1] - centre.y), c.radius,
                        c.radius * 1e-12);
        if (c.radius < 1e9) {
            double worst = 0;
            for (uint32_t i = 0; i + 1 < n; ++i) {
                double mx = (xy[2 * i] + xy[2 * i + 2]) / 2 - centre.x;
                double my = (xy[2 * i + 1] + xy[2 * i + 3]) / 2 - centre.y;
                worst = std::fmax(worst, c.radius - std::hypot(mx, my));
            }
            EXPECT_LT(worst, 1.0);
        }
    }
}

// Elements without geometry give no feature; records whose counts overrun
// them are refused instead of read past their end.
TEST(FeatureBlob, NoFeatureForApplicationElementsTagsAndDamagedRecords)
{
    Tree t;
    MSElementDescr *appl = t.add(nullptr, MICROSTATION_ELM, 64);
    MSElementDescr *tag = t.add(nullptr, ATTRIBUTE_ELM, 200);
    MSElementDescr *overrun = t.linear(nullptr, LINE_STRING_ELM, {{0, 0, 0}, {1, 1, 0}});
    overrun->el.linear.numVerts = 3;
    MSElementDescr *huge = t.linear(nullptr, SHAPE_ELM, {{0, 0, 0}, {1, 1, 0}});
    huge->el.linear.numVerts = 0xFFFFFFFFu;
    MSElementDescr *longText = t.text(nullptr, {0, 0, 0}, u"abc");
    longText->el.text.numChars = 4;
    MSElementDescr *shortLine = t.add(nullptr, LINE_ELM, sizeof(Line_elm) - 8);

    const struct {
        const char *what;
        const MSElementDescr *d;
    } cases[] = {
        {"application element", appl},     {"tag", tag},
        {"vertex count past the record", overrun}, {"vertex count huge", huge},
        {"text past the record", longText}, {"line record cut short", shortLine},
        {"no descriptor", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> blob = {1, 2, 3};
        std::string text = "stale";
        EXPECT_FALSE(encodeFeatureGeometry(c.d, false, blob, text));
        EXPECT_TRUE(blob.empty());
        EXPECT_EQ(text, "");
    }
}

// --- the file as ogrinfo reads it -------------------------------------------------

struct OgrFeature {
    std::map<std::string, std::string> fields; // as printed; "(null)" for NULL
    std::string geometry;                      // WKT
};

using dgntest::ogrinfo;
constexpr const char *kOgrinfo = "/usr/bin/ogrinfo";

bool startsWith(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

// WKT with every number printed as num() prints it (GDAL writes "40.0" for 40).
std::string canonicalWkt(const std::string &wkt)
{
    std::string out;
    const char *p = wkt.c_str();
    while (*p) {
        bool number = (*p >= '0' && *p <= '9') || ((*p == '-' || *p == '.') && p[1] >= '0' && p[1] <= '9');
        if (number) {
            char *end;
            out += num(std::strtod(p, &end));
            p = end;
        } else {
            out.push_back(*p++);
        }
    }
    return out;
}

// Features of `ogrinfo -q` by fid.  A field's value runs on over the
// lines that are neither a field nor the geometry (texts with newlines).
std::map<long, OgrFeature> parseFeatures(const std::string &out)
{
    std::map<long, OgrFeature> features;
    OgrFeature *cur = nullptr;
    std::string *lastField = nullptr;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (startsWith(line, "Layer name:")) {
            cur = nullptr;
            lastField = nullptr;
            continue;
        }
        if (startsWith(line, "OGRFeature(")) {
            size_t colon = line.find("):");
            cur = colon == std::string::npos ? nullptr : &features[std::stol(line.substr(colon + 2))];
            lastField = nullptr;
            continue;
        }
        if (!cur)
            continue;
        size_t paren = line.find(" (");
        size_t eq = line.find(") = ");
        if (startsWith(line, "  ") && paren != std::string::npos && eq != std::string::npos && paren < eq &&
            line.find(' ', 2) == paren) {
            lastField = &cur->fields[line.substr(2, paren - 2)];
            *lastField = line.substr(eq + 4);
            continue;
        }
        static const char *const kinds[] = {"  POINT", "  LINESTRING", "  POLYGON", "  GEOMETRYCOLLECTION",
                                            "  MULTI"};
        bool isGeometry = false;
        for (const char *k : kinds)
            isGeometry = isGeometry || startsWith(line, k);
        if (isGeometry) {
            cur->geometry = canonicalWkt(line.substr(2));
            lastField = nullptr;
        } else if (lastField && !line.empty()) {
            *lastField += "\n" + line;
        }
    }
    return features;
}

// Numbers of a WKT text in order.
std::vector<double> wktNumbers(const std::string &wkt)
{
    std::vector<double> v;
    const char *p = wkt.c_str();
    while (*p) {
        char *end;
        if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
            v.push_back(std::strtod(p, &end));
            p = end;
        } else {
            ++p;
        }
    }
    return v;
}

// UTF-8 of ISO 8859-1 letters, as the file stores texts.
std::string utf8(const std::u16string &s)
{
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

class OgrFile : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        if (access(kOgrinfo, X_OK) != 0)
            GTEST_SKIP() << kOgrinfo << " is not installed; the design file is not checked with GDAL";
        DgnTest::SetUp();
        model_ = mdlModelRef_getActive();
        ASSERT_EQ(mdlLevel_create(model_, kLevelName, &level_), 0);
    }

    // Level, symbology and graphic group every element of these tests gets.
    void dress(MSElement &el, uint32_t color, uint32_t weight, int32_t style)
    {
        uint32_t group = 77;
        ASSERT_EQ(mdlElement_setSymbology(&el, &color, &weight, &style), 0);
        ASSERT_EQ(mdlElement_setProperties(&el, &level_, &group, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr),
                  0);
    }
    uint32_t add(MSElement &el, uint32_t color = 3, uint32_t weight = 2, int32_t style = 1)
    {
        dress(el, color, weight, style);
        uint32_t pos = mdlElement_add(&el);
        EXPECT_NE(pos, 0u) << "mdlErrno " << mdlErrno;
        return pos;
    }
    // Adds header with components (freed afterwards).
    uint32_t addTree(MSElement &header, const std::vector<MSElement *> &components)
    {
        dress(header, 4, 1, 0);
        MSElementDescr *d = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&d, nullptr, &header), 0);
        for (MSElement *c : components) {
            dress(*c, 4, 1, 0);
            EXPECT_EQ(mdlElmdscr_appendElement(d, c), 0);
        }
        uint32_t pos = mdlElmdscr_add(d);
        EXPECT_NE(pos, 0u) << "mdlErrno " << mdlErrno;
        mdlElmdscr_freeAll(&d);
        return pos;
    }
    std::map<long, OgrFeature> closeAndRead()
    {
        mdlhost_closeDesignFile();
        return parseFeatures(ogrinfo("-ro -q", dgnPath()));
    }

    static constexpr const char16_t *kLevelName = u"Vannl\u00F8p \u00C6\u00D8\u00C5";
    DgnModelRefP model_ = MDLHOST_NO_MODEL;
    uint32_t level_ = 0;
};

// Elements whose geometry GDAL gives back exactly as written, with their
// level name, symbology and text.
TEST_F(OgrFile, EveryElementTypeReadsBackWithItsAttributes)
{
    MSElement el;
    struct Expect {
        const char *what;
        uint32_t pos;
        const char *wkt;
        std::string text; // UTF-8; "(null)" when the element has none
        const char *color, *weight, *style;
    };
    std::vector<Expect> expect;

    DPoint3d two[2] = {{0, 0, 0}, {1000, 2000, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, two), 0);
    expect.push_back({"line", add(el, 3, 2, 1), "LINESTRING (0 0,1000 2000)", "(null)", "3", "2", "1"});

    DPoint3d three[3] = {{10, 20, 0}, {30.5, 40, 0}, {-50, 60.25, 0}};
    ASSERT_EQ(mdlLineString_create(&el, nullptr, three, 3), 0);
    expect.push_back({"line string", add(el, 7, 0, 3), "LINESTRING (10 20,30.5 40,-50 60.25)", "(null)", "7", "0", "3"});

    DPoint3d square[4] = {{0, 0, 0}, {500, 0, 0}, {500, 500, 0}, {0, 500, 0}};
    ASSERT_EQ(mdlShape_create(&el, nullptr, square, 4, 0), 0);
    expect.push_back({"shape", add(el, 1, 5, 0), "POLYGON ((0 0,500 0,500 500,0 500,0 0))", "(null)", "1", "5", "0"});

    DPoint3d through[4] = {{0, 0, 0}, {100, 50, 0}, {200, 0, 0}, {300, 50, 0}};
    ASSERT_EQ(mdlCurve_create(&el, nullptr, through, 4), 0);
    expect.push_back({"curve", add(el, 2, 1, 0), "LINESTRING (0 0,100 50,200 0,300 50)", "(null)", "2", "1", "0"});

    // ISO 8859-1 in the element, UTF-8 in the file.
    TextSizeParam size{200, 300};
    TextParam params{1, TEXT_JUST_LEFT_BOTTOM, 1.0, 1, {-1, -1}};
    DPoint3d at{1500, 2500, 0};
    ASSERT_EQ(mdlText_create(&el, nullptr, "Bl\xE5" "b\xE6r \xC6\xD8\xC5 \xE6\xF8\xE5", &at, nullptr, &size, &params), 0);
    expect.push_back({"text", add(el, 6, 0, 0), "POINT (1500 2500)", utf8(u"Bl\u00E5b\u00E6r \u00C6\u00D8\u00C5 \u00E6\u00F8\u00E5"), "6", "0", "0"});

    MSElement header, a, b;
    ASSERT_EQ(mdlComplexChain_createHeader(&header, 0, 0), 0);
    DPoint3d first[2] = {{0, 0, 0}, {100, 0, 0}};
    DPoint3d second[3] = {{100, 0, 0}, {100, 100, 0}, {200, 100, 0}};
    ASSERT_EQ(mdlLine_create(&a, nullptr, first), 0);
    ASSERT_EQ(mdlLineString_create(&b, nullptr, second, 3), 0);
    expect.push_back({"complex chain", addTree(header, {&a, &b}), "LINESTRING (0 0,100 0,100 100,200 100)", "(null)", "4", "1", "0"});

    ASSERT_EQ(mdlComplexChain_createHeader(&header, 1, 0), 0);
    DPoint3d back[3] = {{100, 100, 0}, {0, 100, 0}, {0, 0, 0}};
    ASSERT_EQ(mdlLineString_create(&a, nullptr, second, 2), 0);
    ASSERT_EQ(mdlLineString_create(&b, nullptr, back, 3), 0);
    MSElement c;
    ASSERT_EQ(mdlLine_create(&c, nullptr, first), 0);
    expect.push_back({"complex shape", addTree(header, {&c, &a, &b}), "POLYGON ((0 0,100 0,100 100,0 100,0 0))", "(null)", "4", "1", "0"});

    DPoint3d origin{5000, 6000, 0};
    ASSERT_EQ(mdlCell_create(&header, u"HUS", &origin, 0), 0);
    ASSERT_EQ(mdlShape_create(&a, nullptr, square, 4, 0), 0);
    ASSERT_EQ(mdlText_create(&b, nullptr, "nr 12", &at, nullptr, &size, &params), 0);
    expect.push_back({"cell", addTree(header, {&a, &b}),
                      "GEOMETRYCOLLECTION (POLYGON ((0 0,500 0,500 500,0 500,0 0)),POINT (1500 2500))", "(null)", "4", "1", "0"});

    const char16_t *lines[] = {u"F\u00F8rste linje", u"andre"};
    TextParamWide wide{};
    wide.size = {100, 150};
    wide.justification = TEXT_JUST_LEFT_BOTTOM;
    wide.lineSpacing = 50;
    wide.style[0] = wide.style[1] = -1;
    MSElementDescr *node = nullptr;
    DPoint3d nodeAt{700, 800, 0};
    ASSERT_EQ(mdlTextNode_createWithStrings(&node, nullptr, lines, 2, &nodeAt, nullptr, &wide, model_), 0);
    dress(node->el, 9, 1, 2);
    uint32_t nodePos = mdlElmdscr_add(node);
    mdlElmdscr_freeAll(&node);
    ASSERT_NE(nodePos, 0u);
    expect.push_back({"text node", nodePos, "POINT (700 800)", utf8(u"F\u00F8rste linje\nandre"), "9", "1", "2"});

    // An application element has no geometry: no feature.
    MSElement appl{};
    appl.ehdr.type = MICROSTATION_ELM;
    appl.ehdr.elementSize = appl.ehdr.attrOffset = 20;
    appl.ehdr.level = level_;
    uint32_t applPos = mdlElement_add(&appl);
    ASSERT_NE(applPos, 0u);

    std::map<long, OgrFeature> got = closeAndRead();
    for (const Expect &e : expect) {
        SCOPED_TRACE(e.what);
        ASSERT_EQ(got.count(e.pos), 1u);
        OgrFeature &f = got[e.pos];
        EXPECT_EQ(f.geometry, e.wkt);
        EXPECT_EQ(f.fields["level"], utf8(kLevelName));
        EXPECT_EQ(f.fields["color"], e.color);
        EXPECT_EQ(f.fields["weight"], e.weight);
        EXPECT_EQ(f.fields["style"], e.style);
        EXPECT_EQ(f.fields["ggroup"], "77");
        EXPECT_EQ(f.fields["text"], e.text);
    }
    EXPECT_EQ(got.count(applPos), 0u);
    EXPECT_EQ(got.size(), expect.size());
}

// Arcs and ellipses: lines through points on the curve, ends where the
// element ends, within one UOR of the curve.
// A GIS tool measures an area with an island without the island.
TEST_F(OgrFile, AnAreaWithAnIslandIsOnePolygonWithAnInteriorRing)
{
    MSElement header, outer, island;
    DPoint3d origin{500, 500, 0};
    ASSERT_EQ(mdlCell_create(&header, u"OMR", &origin, 0), 0);
    DPoint3d km[4] = {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}};
    DPoint3d hundred[4] = {{200, 200, 0}, {300, 200, 0}, {300, 300, 0}, {200, 300, 0}};
    ASSERT_EQ(mdlShape_create(&outer, nullptr, km, 4, 0), 0);
    ASSERT_EQ(mdlShape_create(&island, nullptr, hundred, 4, 0), 0);
    int hole = 1;
    ASSERT_EQ(mdlElement_setProperties(&island, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hole),
              0);
    uint32_t pos = addTree(header, {&outer, &island});
    std::map<long, OgrFeature> got = closeAndRead();
    ASSERT_EQ(got.count(pos), 1u);
    EXPECT_EQ(got[pos].geometry,
              "POLYGON ((0 0,1000 0,1000 1000,0 1000,0 0),(200 200,300 200,300 300,200 300,200 200))");
    std::string area = ogrinfo("-ro -q -dialect OGRSQL -sql \"SELECT OGR_GEOM_AREA AS a FROM model_1 WHERE fid = " +
                                   std::to_string(pos) + "\"",
                               dgnPath(), "");
    EXPECT_NE(area.find("a (Real) = 990000"), std::string::npos) << area;
}

TEST_F(OgrFile, ArcsAndEllipsesAreDensifiedLines)
{
    const double pi = std::numbers::pi;
    MSElement el;
    DPoint3d centre{10000, 20000, 0};
    ASSERT_EQ(mdlArc_create(&el, nullptr, &centre, 5000, 5000, nullptr, pi / 6, pi / 2), 0);
    uint32_t arcPos = add(el);
    RotMatrix turn;
    mdlRMatrix_fromAngle(&turn, pi / 3);
    ASSERT_EQ(mdlEllipse_create(&el, nullptr, &centre, 8000, 3000, &turn, 0), 0);
    uint32_t ellipsePos = add(el);

    std::map<long, OgrFeature> got = closeAndRead();
    ASSERT_EQ(got.count(arcPos), 1u);
    ASSERT_EQ(got.count(ellipsePos), 1u);

    const std::string &arc = got[arcPos].geometry;
    ASSERT_TRUE(startsWith(arc, "LINESTRING (")) << arc;
    std::vector<double> v = wktNumbers(arc);
    ASSERT_GE(v.size(), 6u);
    size_t n = v.size() / 2;
    EXPECT_NEAR(v[0], centre.x + 5000 * std::cos(pi / 6), 1e-6);
    EXPECT_NEAR(v[1], centre.y + 5000 * std::sin(pi / 6), 1e-6);
    EXPECT_NEAR(v[2 * n - 2], centre.x + 5000 * std::cos(2 * pi / 3), 1e-6);
    EXPECT_NEAR(v[2 * n - 1], centre.y + 5000 * std::sin(2 * pi / 3), 1e-6);
    for (size_t i = 0; i < n; ++i)
        EXPECT_NEAR(std::hypot(v[2 * i] - centre.x, v[2 * i + 1] - centre.y), 5000, 1e-6);
    for (size_t i = 0; i + 1 < n; ++i) {
        double mx = (v[2 * i] + v[2 * i + 2]) / 2 - centre.x, my = (v[2 * i + 1] + v[2 * i + 3]) / 2 - centre.y;
        EXPECT_LT(5000 - std::hypot(mx, my), 1.0);
    }

    const std::string &ellipse = got[ellipsePos].geometry;
    ASSERT_TRUE(startsWith(ellipse, "POLYGON ((")) << ellipse;
    v = wktNumbers(ellipse);
    n = v.size() / 2;
    ASSERT_GE(n, 8u);
    EXPECT_EQ(v[0], v[2 * n - 2]);
    EXPECT_EQ(v[1], v[2 * n - 1]);
    // Back in the ellipse's own axes every vertex satisfies its equation.
    for (size_t i = 0; i < n; ++i) {
        double dx = v[2 * i] - centre.x, dy = v[2 * i + 1] - centre.y;
        double u = dx * std::cos(pi / 3) + dy * std::sin(pi / 3);
        double w = -dx * std::sin(pi / 3) + dy * std::cos(pi / 3);
        EXPECT_NEAR(u * u / (8000.0 * 8000.0) + w * w / (3000.0 * 3000.0), 1.0, 1e-9);
    }
}

// A shared cell is its definition placed at the instance; an instance whose
// definition the design lacks still shows where it is.
TEST_F(OgrFile, SharedCellsArePlacedFromTheirDefinition)
{
    std::string library = path("tre.cel");
    DPoint3d zero{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(library.c_str(), 0, dgntest::kUorPerMaster, "m", &zero), 0);
    MSElement line;
    DPoint3d stem[2] = {{0, 0, 0}, {0, 100, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, stem), 0);
    MSElementDescr *components = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&components, nullptr, &line), 0);
    ASSERT_EQ(mdlhost_cellLibraryAddCell(library.c_str(), u"TRE", u"et tre", components), 0);
    mdlElmdscr_freeAll(&components);
    ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, library.c_str(), nullptr), 0);
    ASSERT_EQ(mdlSharedCell_makeSureDefExists(u"TRE", model_), 0);

    MSElement el;
    DPoint3d origin{1000, 2000, 0}, scale{2, 2, 1};
    ASSERT_EQ(mdlSharedCell_create(&el, 0, &origin, nullptr, &scale, u"TRE", level_), 0);
    uint32_t placed = add(el);
    DPoint3d elsewhere{-300, 400, 0};
    ASSERT_EQ(mdlSharedCell_create(&el, 0, &elsewhere, nullptr, nullptr, u"MANGLER", level_), 0);
    uint32_t missing = add(el);
    mdlCell_detachLibrary();

    std::map<long, OgrFeature> got = closeAndRead();
    EXPECT_EQ(got[placed].geometry, "GEOMETRYCOLLECTION (LINESTRING (1000 2000,1000 2200))");
    EXPECT_EQ(got[missing].geometry, "GEOMETRYCOLLECTION (POINT (-300 400))");
    EXPECT_EQ(got[placed].fields["level"], utf8(kLevelName));
}

// By-level symbology is written as the level's; the layer summary names
// the table, counts the features and spans their extent in UOR.
TEST_F(OgrFile, ByLevelSymbologyAndLayerSummary)
{
    ASSERT_EQ(mdlLevel_setElementColor(model_, level_, 12), 0);
    ASSERT_EQ(mdlLevel_setElementWeight(model_, level_, 4), 0);
    ASSERT_EQ(mdlLevel_setElementStyle(model_, level_, 2), 0);
    MSElement el;
    DPoint3d pts[2] = {{-100, 50, 0}, {900, 3050, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    uint32_t pos = add(el, COLOR_BYLEVEL, WEIGHT_BYLEVEL, STYLE_BYLEVEL);
    DPoint3d more[2] = {{0, 0, 0}, {10, 10, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, more), 0);
    add(el);

    std::map<long, OgrFeature> got = closeAndRead();
    EXPECT_EQ(got[pos].fields["color"], "12");
    EXPECT_EQ(got[pos].fields["weight"], "4");
    EXPECT_EQ(got[pos].fields["style"], "2");

    std::string summary = ogrinfo("-ro -so", dgnPath());
    EXPECT_NE(summary.find("Layer name: model_1"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Feature Count: 2"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Extent: (-100.000000, 0.000000) - (900.000000, 3050.000000)"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Geometry: Unknown (any)"), std::string::npos) << summary;
    // The layer's CRS is the file's: one unit is one UOR, a millimetre here.
    EXPECT_NE(summary.find("LENGTHUNIT[\"uor\",0.001]"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("ERROR"), std::string::npos) << summary;
}

// The features follow the elements: a rewrite (in place, or moved because
// it grew) replaces the geometry, a delete removes the feature.
TEST_F(OgrFile, FeaturesFollowRewritesAndDeletes)
{
    MSElement el;
    DPoint3d square[4] = {{0, 0, 0}, {500, 0, 0}, {500, 500, 0}, {0, 500, 0}};
    ASSERT_EQ(mdlLineString_create(&el, nullptr, square, 4), 0);
    uint32_t inPlace = add(el);
    ASSERT_EQ(mdlLine_create(&el, nullptr, square), 0);
    uint32_t grows = add(el);
    ASSERT_EQ(mdlLine_create(&el, nullptr, square + 2), 0);
    uint32_t deleted = add(el);

    ASSERT_EQ(mdlShape_create(&el, nullptr, square, 3, 0), 0);
    dress(el, 3, 2, 1);
    ASSERT_EQ(mdlElement_rewrite(&el, nullptr, inPlace), inPlace);
    ASSERT_EQ(mdlLineString_create(&el, nullptr, square, 4), 0);
    dress(el, 3, 2, 1);
    uint32_t moved = mdlElement_rewrite(&el, nullptr, grows);
    ASSERT_NE(moved, 0u);
    ASSERT_EQ(mdlElement_read(&el, model_, deleted), 0);
    ASSERT_EQ(mdlElement_undoableDelete(&el, deleted, 0), 0);

    std::map<long, OgrFeature> got = closeAndRead();
    EXPECT_EQ(got[inPlace].geometry, "POLYGON ((0 0,500 0,500 500,0 0))");
    EXPECT_EQ(got[moved].geometry, "LINESTRING (0 0,500 0,500 500,0 500)");
    EXPECT_NE(moved, grows);
    EXPECT_EQ(got.count(grows), 0u);
    EXPECT_EQ(got.count(deleted), 0u);
    EXPECT_EQ(got.size(), 2u);
}

// A 3D file carries z in every geometry.
TEST_F(OgrFile, ThreeDimensionalFileHasZ)
{
    make3d();
    model_ = mdlModelRef_getActive();
    ASSERT_EQ(mdlLevel_create(model_, kLevelName, &level_), 0);
    MSElement el;
    DPoint3d pts[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, -9}};
    ASSERT_EQ(mdlLineString_create(&el, nullptr, pts, 3), 0);
    uint32_t line = add(el);
    TextSizeParam size{200, 300};
    TextParam params{1, TEXT_JUST_LEFT_BOTTOM, 1.0, 1, {-1, -1}};
    DPoint3d at{10, 20, 30};
    ASSERT_EQ(mdlText_create(&el, nullptr, "h\xF8yde", &at, nullptr, &size, &params), 0);
    uint32_t text = add(el);

    std::map<long, OgrFeature> got = closeAndRead();
    EXPECT_EQ(got[line].geometry, "LINESTRING Z (1 2 3,4 5 6,7 8 -9)");
    EXPECT_EQ(got[text].geometry, "POINT Z (10 20 30)");
    EXPECT_EQ(got[text].fields["text"], utf8(u"h\u00F8yde"));
    std::string summary = ogrinfo("-ro -so", dgnPath());
    EXPECT_NE(summary.find("Geometry: 3D Unknown (any)"), std::string::npos) << summary;
}

// A file that names an EPSG code has its features in that CRS, in master
// units with the global origin added; one that names none keeps UOR.
TEST_F(OgrFile, FeaturesInTheFilesEpsgCrs)
{
    std::string utm = path("utm.dgn");
    DPoint3d origin{500000000, 6600000000, 0}; // UOR, a millimetre each
    ASSERT_EQ(mdlhost_dgnCreateFile(utm.c_str(), 0, 1000, "m", &origin), 0);
    ASSERT_EQ(mdlSystem_newDesignFile(utm.c_str()), 0);
    model_ = mdlModelRef_getActive();
    EXPECT_EQ(mdlhost_dgnGetEpsg(model_), 0);
    EXPECT_EQ(mdlhost_dgnSetEpsg(model_, 999999), DGNERR_BADARG); // PROJ knows no such code
    EXPECT_EQ(mdlhost_dgnSetEpsg(model_, -5), DGNERR_BADARG);
    ASSERT_EQ(mdlhost_dgnSetEpsg(model_, 25832), 0);
    EXPECT_EQ(mdlhost_dgnGetEpsg(model_), 25832);
    ASSERT_EQ(mdlLevel_create(model_, kLevelName, &level_), 0);
    MSElement el;
    DPoint3d pts[2] = {{1000, 2000, 0}, {3500, 4000, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    uint32_t pos = add(el);
    // Features already written would be in the old frame.
    EXPECT_EQ(mdlhost_dgnSetEpsg(model_, 25833), DGNERR_BADARG);
    EXPECT_EQ(mdlhost_dgnGetEpsg(model_), 25832);
    mdlhost_closeDesignFile();

    std::map<long, OgrFeature> got = parseFeatures(ogrinfo("-ro -q", utm));
    EXPECT_EQ(got[pos].geometry, "LINESTRING (500001 6600002,500003.5 6600004)");
    std::string summary = ogrinfo("-ro -so", utm);
    EXPECT_NE(summary.find("ID[\"EPSG\",25832]"), std::string::npos) << summary;
    EXPECT_NE(summary.find("UTM zone 32N"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Extent: (500001.000000, 6600002.000000) - (500003.500000, 6600004.000000)"),
              std::string::npos)
        << summary;
    EXPECT_EQ(summary.find("ERROR"), std::string::npos) << summary;

    // The code stays with the file, and a model made later is in its CRS.
    ASSERT_EQ(mdlSystem_newDesignFile(utm.c_str()), 0);
    EXPECT_EQ(mdlhost_dgnGetEpsg(mdlModelRef_getActive()), 25832);
    DgnModelRefP second = MDLHOST_NO_MODEL;
    ASSERT_EQ(mdlhost_dgnCreateModel(mdlModelRef_getActive(), u"Second", u"", &second), 0);
    mdlhost_dgnCloseModel(second);
    mdlhost_closeDesignFile();
    std::string layers = ogrinfo("-ro -so", utm, "model_2");
    EXPECT_NE(layers.find("ID[\"EPSG\",25832]"), std::string::npos) << layers;
}

TEST_F(OgrFile, FileWithoutEpsgKeepsUor)
{
    MSElement el;
    DPoint3d pts[2] = {{1000, 2000, 0}, {3500, 4000, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    uint32_t pos = add(el);
    EXPECT_EQ(mdlhost_dgnGetEpsg(model_), 0);
    std::map<long, OgrFeature> got = closeAndRead();
    EXPECT_EQ(got[pos].geometry, "LINESTRING (1000 2000,3500 4000)");
    std::string summary = ogrinfo("-ro -so", dgnPath());
    EXPECT_NE(summary.find("LENGTHUNIT[\"uor\",0.001]"), std::string::npos) << summary;
}

} // namespace
