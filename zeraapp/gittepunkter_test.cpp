// The given-points linkage: what is written reads back, and a damaged one
// is refused without reading past its end.
#include <gtest/gtest.h>

#include <cstring>

#include "dgn/mdlelem.h"
#include "gittepunkter.h"

namespace {

MSElement linje()
{
    MSElement el{};
    DPoint3d p[2] = {{0, 0, 0}, {10, 10, 0}};
    EXPECT_EQ(mdlLine_create(&el, nullptr, p), 0);
    return el;
}

TEST(GittePunkter, WhatIsWrittenReadsBack)
{
    MSElement el = linje();
    Gitte g;
    g.serie = 70000;
    g.stykke = 2;
    g.stykker = 3;
    g.punkter = {{6600000.25, 500000.5, 12.75, 1}, {6600001.0, 500001.0, -3.5, 0}};
    ASSERT_EQ(LeggTilGitte(&el, g), 0);
    Gitte l;
    ASSERT_TRUE(LesGitte(&el, l));
    EXPECT_EQ(l.serie, 70000);
    EXPECT_EQ(l.stykke, 2);
    EXPECT_EQ(l.stykker, 3);
    ASSERT_EQ(l.punkter.size(), 2u);
    EXPECT_EQ(l.punkter[0].n, 6600000.25);
    EXPECT_EQ(l.punkter[0].h, 12.75);
    EXPECT_EQ(l.punkter[0].kp, 1);
    EXPECT_EQ(l.punkter[1].h, -3.5);
}

TEST(GittePunkter, ADamagedLinkageIsRefused)
{
    struct Fall {
        const char *navn;
        int ord;        // data word changed
        uint16_t verdi; // its new value
    } fall[] = {
        {"another version", 0, 2},
        {"more points than it holds", 3, 40},
        {"more points than any", 3, 0xFFFF},
        {"a piece beyond the count", 1, 9},
    };
    for (const Fall &f : fall) {
        SCOPED_TRACE(f.navn);
        MSElement el = linje();
        Gitte g;
        g.stykke = 1;
        g.stykker = 2;
        g.punkter = {{1, 2, 3, 0}};
        ASSERT_EQ(LeggTilGitte(&el, g), 0);
        const uint16_t *l = nullptr;
        int ord = 0;
        ASSERT_EQ(mdlLinkage_findByID(&l, &ord, &el, GITTE_LINKAGE_ID, 0), 0);
        uint16_t *data = const_cast<uint16_t *>(l) + 2;
        data[f.ord] = f.verdi;
        Gitte lest;
        EXPECT_FALSE(LesGitte(&el, lest));
    }
    MSElement uten = linje();
    Gitte lest;
    EXPECT_FALSE(LesGitte(&uten, lest));
    EXPECT_FALSE(LesGitte(nullptr, lest));
}

} // namespace
