#include <cmath>

#include <gtest/gtest.h>

#include "kartmotor_int.h"

namespace {

const double PI = 3.14159265358979323846;

TEST(GeometriTest, PiAndNormalisedAngles)
{
    EXPECT_DOUBLE_EQ(pi_value(), PI);
    const struct {
        double in, out;
    } cases[] = {
        {0.0, 0.0},         {7.0, 7.0 - 2 * PI},   {-0.5, 2 * PI - 0.5}, {2 * PI, 0.0},
        {-4 * PI, 0.0},     {1000.5, 0.0},         {-1000.5, 0.0},       {-1e-17, 0.0},
        {999.0, 999.0 - 316 * PI},
    };
    for (const auto &c : cases) {
        double a = c.in;
        angle_normalize(&a);
        EXPECT_NEAR(a, c.out, 1e-9) << c.in;
        EXPECT_GE(a, 0.0);
        EXPECT_LT(a, 2 * PI);
    }
}

TEST(GeometriTest, PolarAngleIsAzimuthFromNorth)
{
    const struct {
        double fN, fE, tN, tE, dir, dist;
    } cases[] = {
        {0, 0, 10, 10, PI / 4, sqrt(200.0)},     // north-east
        {0, 0, 0, 5, PI / 2, 5},                 // due east
        {0, 0, -3, 0, PI, 3},                    // due south
        {0, 0, 0, -2, 1.5 * PI, 2},              // due west, normalised
        {5, 5, 5, 5.0000001, 0, 0.0000001},      // too short for a direction
    };
    for (const auto &c : cases) {
        double fN = c.fN, fE = c.fE, tN = c.tN, tE = c.tE, dir = -1, dist = -1;
        polar_angle(&fN, &fE, &tN, &tE, &dir, &dist);
        EXPECT_NEAR(dir, c.dir, 1e-12);
        EXPECT_NEAR(dist, c.dist, 1e-12);
    }
}

TEST(GeometriTest, PointSideOfEastboundLine)
{
    // Walking east from (0,0) to (0,10): north is on the left.
    const struct {
        double cN, cE;
        int side;
    } cases[] = {{5, 5, -1}, {-5, 5, 1}, {0, 20, 0}, {0.001, -3, -1}};
    for (const auto &c : cases) {
        double p1N = 0, p1E = 0, p2N = 0, p2E = 10, cN = c.cN, cE = c.cE;
        int16_t side = 99;
        point_side(&p1N, &p1E, &p2N, &p2E, &cN, &cE, &side);
        EXPECT_EQ(side, c.side) << c.cN << " " << c.cE;
    }
}

TEST(GeometriTest, AngleIntersectApexOnTheLeftAndParallelLegsFail)
{
    double p1N = 0, p1E = 0, p2N = 0, p2E = 10, a1 = PI / 4, a2 = PI / 4, n = 0, e = 0;
    int16_t failed = 9;
    angle_intersect(&p1N, &p1E, &p2N, &p2E, &a1, &a2, &n, &e, &failed);
    EXPECT_EQ(failed, 0);
    EXPECT_NEAR(n, 5, 1e-9);
    EXPECT_NEAR(e, 5, 1e-9);

    // Right-angled at P1: the apex lies straight north of P1.
    a1 = PI / 2;
    a2 = atan2(20.0, 10.0);
    angle_intersect(&p1N, &p1E, &p2N, &p2E, &a1, &a2, &n, &e, &failed);
    EXPECT_EQ(failed, 0);
    EXPECT_NEAR(n, 20, 1e-9);
    EXPECT_NEAR(e, 0, 1e-9);

    a1 = PI / 3;
    a2 = 2 * PI / 3;
    angle_intersect(&p1N, &p1E, &p2N, &p2E, &a1, &a2, &n, &e, &failed);
    EXPECT_EQ(failed, 1);
}

TEST(GeometriTest, CircleCentresThroughTwoEnds)
{
    const double s = sqrt(75.0);
    const struct {
        double r;
        int result;
        double c1N, c1E, c2N, c2E;
    } cases[] = {
        {5, 1, 0, 5, 0, 5},            // ends a diameter apart
        {5 + 1e-9, 1, 0, 5, 0, 5},     // within the diameter tolerance
        {10, 0, s, 5, -s, 5},          // C1 left of end 1 -> end 2, C2 right
        {4, 10, 0, 0, 0, 0},           // radius shorter than half the chord
    };
    for (const auto &c : cases) {
        double p1N = 0, p1E = 0, p2N = 0, p2E = 10, r = c.r, c1N = 0, c1E = 0, c2N = 0, c2E = 0;
        int16_t rc = circle_centres(&p1N, &p1E, &p2N, &p2E, &r, &c1N, &c1E, &c2N, &c2E);
        ASSERT_EQ(rc, c.result) << c.r;
        if (rc == 10)
            continue;
        EXPECT_NEAR(c1N, c.c1N, 1e-9);
        EXPECT_NEAR(c1E, c.c1E, 1e-9);
        EXPECT_NEAR(c2N, c.c2N, 1e-9);
        EXPECT_NEAR(c2E, c.c2E, 1e-9);
    }
}

TEST(GeometriTest, CircleThroughThreePoints)
{
    // A flat arc: radius 1000, sweep 0.5 degrees, at map coordinates.
    const double cN0 = 6600000.0, cE0 = 500000.0, r = 1000.0;
    double pN[3], pE[3];
    for (int i = 0; i < 3; i++) {
        double a = (0.25 * i) * PI / 180.0;
        pN[i] = cN0 + r * cos(a);
        pE[i] = cE0 + r * sin(a);
    }
    double cN = 0, cE = 0;
    ASSERT_EQ(circle_3points(&pN[0], &pE[0], &pN[1], &pE[1], &pN[2], &pE[2], &cN, &cE), 0);
    EXPECT_NEAR(cN, cN0, 1e-3);
    EXPECT_NEAR(cE, cE0, 1e-3);

    const struct {
        double n1, e1, n2, e2, n3, e3;
        int result;
        double cN, cE;
    } cases[] = {
        {0, 0, 5, 5, 10, 0, 0, 5, 0},           // half circle
        {0, 0, 0, 10, 10, 10, 0, 5, 5},          // one chord with equal N values
        {0, 0, 10, 0, 10, 10, 0, 5, 5},          // one chord with equal E values
        {0, 0, 10, 0, 20, 0, 1, 0, 0},           // collinear, both chords with equal E values
        {0, 0, 1, 1, 2, 2.0000000000001, 1, 0, 0}, // collinear within the tolerance
        {3, 3, 3, 3, 7, 1, 1, 0, 0},             // two points the same
        {0, 0, 5, 5, 0, 0, 1, 0, 0},             // first and last the same
    };
    for (const auto &c : cases) {
        double n1 = c.n1, e1 = c.e1, n2 = c.n2, e2 = c.e2, n3 = c.n3, e3 = c.e3;
        cN = cE = -1;
        int16_t rc = circle_3points(&n1, &e1, &n2, &e2, &n3, &e3, &cN, &cE);
        ASSERT_EQ(rc, c.result) << c.n1 << "," << c.e1 << " " << c.n2 << "," << c.e2 << " " << c.n3 << "," << c.e3;
        if (rc == 0) {
            EXPECT_NEAR(cN, c.cN, 1e-9);
            EXPECT_NEAR(cE, c.cE, 1e-9);
        }
    }
}

TEST(GeometriTest, ArcMidpoint)
{
    const double h = sqrt(50.0);
    const struct {
        double p1N, p1E, p2N, p2E, mN, mE;
    } cases[] = {
        {10, 0, 0, 10, h, h},    // quarter circle
        {h, -h, h, h, 10, 0},    // chord midpoint due north of the centre
        {-h, h, h, h, 0, 10},    // chord midpoint due east of the centre
        {10, 0, -10, 0, 0, 10},  // half circle: a quarter turn on from the start
    };
    for (const auto &c : cases) {
        double p1N = c.p1N, p1E = c.p1E, p2N = c.p2N, p2E = c.p2E, cN = 0, cE = 0, mN = 0, mE = 0;
        arc_midpoint(&p1N, &p1E, &p2N, &p2E, &cN, &cE, &mN, &mE);
        EXPECT_NEAR(mN, c.mN, 1e-9) << c.p1N << "," << c.p1E;
        EXPECT_NEAR(mE, c.mE, 1e-9) << c.p1N << "," << c.p1E;
    }
}

TEST(GeometriTest, RoundToUnit)
{
    const struct {
        double value, unit, out;
    } cases[] = {
        {12.74, 0.5, 12.5}, {12.76, 0.5, 13.0}, {1234.5678, 0.01, 1234.57}, {-3.6, 1, -4},
        {2.5, 1, 2},        {3.5, 1, 4},        {7.123, 0, 7.123},
    };
    for (const auto &c : cases) {
        double v = c.value, u = c.unit;
        EXPECT_NEAR(round_to_unit(&v, &u), c.out, 1e-9) << c.value << " / " << c.unit;
    }
}

} // namespace
