// The changed parts of a redraw: rectangles apart stay apart, touching ones merge, the list
// stays short, and together they always cover every pixel that was added.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "views/ChangedRegion.h"

namespace {

// Merging only ever grows rectangles into boxes, so every added one lies wholly in one.
bool Contains(const std::vector<PRect>& list, const PRect& r) {
    for (const PRect& c : list)
        if (c.left <= r.left && r.right <= c.right && c.top <= r.top && r.bottom <= c.bottom)
            return true;
    return false;
}

bool Touch(const PRect& a, const PRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

TEST(ChangedRegionTest, MetersAtOppositeEndsStayTwoSmallRectangles) {
    ChangedRegion region;
    region.Add({10, 18, 40, 200});
    region.Add({740, 748, 40, 200});
    ASSERT_EQ(region.Rectangles().size(), 2u);
    EXPECT_EQ(region.Rectangles()[0].right, 18);
    EXPECT_EQ(region.Rectangles()[1].left, 740);
}

TEST(ChangedRegionTest, OverlappingTouchingAndContainedRectanglesMerge) {
    ChangedRegion region;
    region.Add({0, 10, 0, 10});
    region.Add({10, 20, 0, 10});  // shares the edge x = 10
    ASSERT_EQ(region.Rectangles().size(), 1u);
    EXPECT_EQ(region.Rectangles()[0].right, 20);
    region.Add({2, 5, 2, 5});  // inside
    EXPECT_EQ(region.Rectangles().size(), 1u);

    // A rectangle that bridges two others merges all three.
    ChangedRegion chain;
    chain.Add({0, 10, 0, 10});
    chain.Add({30, 40, 0, 10});
    chain.Add({5, 35, 5, 6});
    ASSERT_EQ(chain.Rectangles().size(), 1u);
    EXPECT_EQ(chain.Rectangles()[0].left, 0);
    EXPECT_EQ(chain.Rectangles()[0].right, 40);
}

TEST(ChangedRegionTest, EmptyRectanglesAreIgnoredAndClearEmpties) {
    ChangedRegion region;
    region.Add({5, 5, 0, 10});
    region.Add({0, 10, 7, 3});
    EXPECT_TRUE(region.IsEmpty());
    region.Add({0, 1, 0, 1});
    region.Clear();
    EXPECT_TRUE(region.IsEmpty());
}

TEST(ChangedRegionTest, ManyScatteredChangesStayFewApartAndCoverEveryAddedPixel) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pos(0, 760), size(1, 12);
    ChangedRegion region;
    std::vector<PRect> added;
    for (int i = 0; i < 400; ++i) {
        const int x = pos(random), y = pos(random) / 2;
        const PRect r{x, x + size(random), y, y + size(random)};
        region.Add(r);
        added.push_back(r);
        const auto& list = region.Rectangles();
        ASSERT_LE(list.size(), ChangedRegion::kMaxRectangles);
        for (size_t a = 0; a < list.size(); ++a)
            for (size_t b = a + 1; b < list.size(); ++b)
                ASSERT_FALSE(Touch(list[a], list[b])) << "after " << i + 1 << " rectangles";
    }
    for (const PRect& r : added) EXPECT_TRUE(Contains(region.Rectangles(), r));
}

}  // namespace
