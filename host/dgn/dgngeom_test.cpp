// The range accumulator: the one rule every element range, view box and
// feature envelope is grown by, NaN and infinities included.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_int.h"

namespace {

using mdlhost::dgn::RangeAccumulator;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A point, or a range when isRange is set.
struct Input {
    DPoint3d low;
    DPoint3d high{};
    bool isRange = false;
};

Input point(double x, double y, double z) { return {{x, y, z}}; }
Input range(DPoint3d low, DPoint3d high) { return {low, high, true}; }

// Equal, NaN matching NaN, and the sign of a zero counting.
bool same(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

TEST(RangeAccumulator, OneRuleForPointsRangesNaNAndInfinities)
{
    const DPoint3d untouched{7, 7, 7};
    const struct {
        const char *name;
        std::vector<Input> inputs;
        bool any;
        DPoint3d low, high;
    } cases[] = {
        {"nothing", {}, false, untouched, untouched},
        {"one point", {point(1, 2, 3)}, true, {1, 2, 3}, {1, 2, 3}},
        {"points", {point(1, 5, -1), point(3, -2, 0), point(2, 2, 2)}, true, {1, -2, -1}, {3, 5, 2}},
        {"NaN among points", {point(0, 0, 0), point(kNaN, kNaN, kNaN), point(1, 1, 1)}, true, {0, 0, 0}, {1, 1, 1}},
        {"NaN in the first point", {point(kNaN, 1, 1), point(2, kNaN, 3), point(4, 5, kNaN)}, true, {2, 1, 1},
         {4, 5, 3}},
        {"an axis never a number", {point(kNaN, 1, 2), point(kNaN, 3, 4)}, true, {kNaN, 1, 2}, {kNaN, 3, 4}},
        {"all NaN", {point(kNaN, kNaN, kNaN), point(kNaN, kNaN, kNaN)}, true, {kNaN, kNaN, kNaN},
         {kNaN, kNaN, kNaN}},
        {"infinities widen", {point(-kInf, 0, 1), point(kInf, 1, kInf), point(0, -kInf, 0)}, true,
         {-kInf, -kInf, 0}, {kInf, 1, kInf}},
        {"an infinity alone", {point(kInf, -kInf, 0)}, true, {kInf, -kInf, 0}, {kInf, -kInf, 0}},
        {"ranges", {range({0, 0, 0}, {1, 1, 1}), range({-1, 2, 0}, {0, 3, 5})}, true, {-1, 0, 0}, {1, 3, 5}},
        {"a range with NaN", {range({kNaN, 0, 0}, {kNaN, 1, 1}), point(2, kNaN, 5)}, true, {2, 0, 0}, {2, 1, 5}},
        {"an inverted range is kept", {range({2, 0, 0}, {1, 0, 0})}, true, {2, 0, 0}, {1, 0, 0}},
        {"a tie keeps the range's value", {point(0, 0, 0), point(-0.0, -0.0, -0.0)}, true, {0, 0, 0}, {0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RangeAccumulator acc;
        for (const Input &in : c.inputs) {
            if (in.isRange)
                acc.add(DRange3d{in.low, in.high});
            else
                acc.add(in.low);
        }
        EXPECT_EQ(acc.any(), c.any);
        DRange3d out{untouched, untouched};
        EXPECT_EQ(acc.get(out), c.any);
        EXPECT_TRUE(same(out.low.x, c.low.x)) << out.low.x;
        EXPECT_TRUE(same(out.low.y, c.low.y)) << out.low.y;
        EXPECT_TRUE(same(out.low.z, c.low.z)) << out.low.z;
        EXPECT_TRUE(same(out.high.x, c.high.x)) << out.high.x;
        EXPECT_TRUE(same(out.high.y, c.high.y)) << out.high.y;
        EXPECT_TRUE(same(out.high.z, c.high.z)) << out.high.z;
    }
}

} // namespace
