// The given-points linkage.  Layout after the two header words, all
// little-endian 16-bit words:
//   version, piece number, piece count, point count, serial (two words,
//   low first), then per point N, E, H (four words each, IEEE double) and
//   its node code; padded to a multiple of four words.
#include "gittepunkter.h"

#include <cstring>

#include "dgn/mdlelem.h"

namespace {

constexpr int HODE_ORD = 6;
constexpr int ORD_PER_PUNKT = 13;

void leggTilDouble(std::vector<uint16_t> &ord, double v)
{
    uint64_t b = 0;
    memcpy(&b, &v, sizeof b);
    for (int i = 0; i < 4; i++)
        ord.push_back(static_cast<uint16_t>(b >> (16 * i)));
}

double lesDouble(const uint16_t *ord)
{
    uint64_t b = 0;
    for (int i = 0; i < 4; i++)
        b |= uint64_t(ord[i]) << (16 * i);
    double v = 0;
    memcpy(&v, &b, sizeof v);
    return v;
}

} // namespace

int LeggTilGitte(MSElement *el, const Gitte &g)
{
    if (el == nullptr || g.punkter.size() > size_t(GITTE_MAKS_PUNKTER))
        return -1;
    std::vector<uint16_t> ord;
    ord.push_back(GITTE_VERSJON);
    ord.push_back(g.stykke);
    ord.push_back(g.stykker);
    ord.push_back(static_cast<uint16_t>(g.punkter.size()));
    const uint32_t s = static_cast<uint32_t>(g.serie);
    ord.push_back(static_cast<uint16_t>(s & 0xFFFFu));
    ord.push_back(static_cast<uint16_t>(s >> 16));
    for (const GittPunkt &p : g.punkter) {
        leggTilDouble(ord, p.n);
        leggTilDouble(ord, p.e);
        leggTilDouble(ord, p.h);
        ord.push_back(static_cast<uint16_t>(p.kp));
    }
    while ((ord.size() + 2) % 4 != 0)
        ord.push_back(0);
    LinkageHeader hdr{LINKAGE_USER, GITTE_LINKAGE_ID};
    if (mdlLinkage_setWords(&hdr, int(ord.size()) + 2) != 0)
        return -1;
    return mdlLinkage_appendToElement(el, &hdr, ord.data());
}

bool LesGitte(const MSElement *el, Gitte &g)
{
    g = Gitte{};
    const uint16_t *l = nullptr;
    int ord = 0;
    if (el == nullptr || mdlLinkage_findByID(&l, &ord, el, GITTE_LINKAGE_ID, 0) != 0 || l == nullptr)
        return false;
    const int data = ord - 2;
    if (data < HODE_ORD)
        return false;
    const uint16_t *d = l + 2;
    const int n = d[3];
    if (d[0] != GITTE_VERSJON || n > GITTE_MAKS_PUNKTER || HODE_ORD + n * ORD_PER_PUNKT > data)
        return false;
    if (d[1] > d[2])
        return false;
    g.stykke = d[1];
    g.stykker = d[2];
    g.serie = static_cast<int32_t>(uint32_t(d[4]) | (uint32_t(d[5]) << 16));
    for (int i = 0; i < n; i++) {
        const uint16_t *p = d + HODE_ORD + i * ORD_PER_PUNKT;
        GittPunkt gp{lesDouble(p), lesDouble(p + 4), lesDouble(p + 8), static_cast<int16_t>(p[12])};
        if (!(gp.n == gp.n && gp.e == gp.e && gp.h == gp.h)) // NaN: damaged
            return false;
        g.punkter.push_back(gp);
    }
    return true;
}
