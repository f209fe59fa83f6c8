#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "filelist/ThumbCtrls.h"

namespace pixmarl {
namespace {

std::vector<int> Range(int from, int to)  // inclusive, either direction
{
    std::vector<int> r;
    for (int i = from; from <= to ? i <= to : i >= to; from <= to ? ++i : --i)
        r.push_back(i);
    return r;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<int> Drain(TThumbCtrl& ctrl)
{
    std::vector<int> order;
    for (int i = ctrl.NextIndex(); i != -1 && order.size() < 10000; i = ctrl.NextIndex())
        order.push_back(i);
    return order;
}

TEST(ThumbCtrl, WindowAndOrderFollowTheVisibleRange)
{
    const struct {
        int count, maxThumbs, visFirst, visCount;
        int first, last;
        std::vector<int> order;
    } cases[] = {
        {200, 75, 0, 20, 0, 74, Range(0, 74)},
        {200, 75, 100, 20, 73, 147, Concat(Range(100, 147), Range(99, 73))},
        {200, 75, 180, 20, 125, 199, Concat(Range(180, 199), Range(179, 125))},
        {50, 75, 0, 20, 0, 49, Range(0, 49)},
        {500, 75, 40, 100, 40, 139, Range(40, 139)},
    };
    for (const auto& c : cases) {
        TThumbCtrl ctrl;
        ctrl.SetMaxThumbs(c.maxThumbs);
        ctrl.Reset(c.count);
        ctrl.SetVisible(c.visFirst, c.visCount, true);
        EXPECT_EQ(ctrl.WindowFirst(), c.first) << c.visFirst;
        EXPECT_EQ(ctrl.WindowLast(), c.last) << c.visFirst;
        EXPECT_EQ(Drain(ctrl), c.order) << c.visFirst;
        EXPECT_EQ(ctrl.NextIndex(), -1);
    }
}

TEST(ThumbCtrl, EmptyListStartsNothing)
{
    TThumbCtrl ctrl;
    int starts = 0;
    ctrl.OnStartMakeThumbs = [&] { ++starts; };
    ctrl.Reset(0);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(ctrl.WindowLast(), -1);
    EXPECT_EQ(ctrl.NextIndex(), -1);
}

TEST(ThumbCtrl, ScrollingInsideAnUnmovedWindowCostsNothing)
{
    TThumbCtrl ctrl;
    ctrl.Reset(50);
    ctrl.SetVisible(0, 20, false);
    int starts = 0;
    int deletes = 0;
    ctrl.OnStartMakeThumbs = [&] { ++starts; };
    ctrl.OnDeleteThumbs = [&](int, int) { ++deletes; };
    ctrl.NextIndex();
    ctrl.NextIndex();
    ctrl.SetVisible(4, 20, false);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(deletes, 0);
    EXPECT_EQ(ctrl.VisFirst(), 0);
    EXPECT_EQ(ctrl.NextIndex(), 2);  // the iteration goes on where it was
}

TEST(ThumbCtrl, MovedWindowEvictsOutsideAndRestarts)
{
    TThumbCtrl ctrl;
    ctrl.Reset(200);
    ctrl.SetVisible(0, 20, false);
    std::vector<std::pair<int, int>> deletes;
    int starts = 0;
    ctrl.OnDeleteThumbs = [&](int first, int count) { deletes.emplace_back(first, count); };
    ctrl.OnStartMakeThumbs = [&] { ++starts; };
    ctrl.SetVisible(100, 20, false);
    EXPECT_EQ(deletes, (std::vector<std::pair<int, int>>{{148, 52}, {0, 73}}));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ctrl.NextIndex(), 100);

    deletes.clear();
    ctrl.SetVisible(100, 20, true);  // a new thumbnail size: everything goes
    EXPECT_EQ(deletes, (std::vector<std::pair<int, int>>{{0, 200}}));
    EXPECT_EQ(starts, 2);
}

TEST(ThumbCtrl, ItemsThatHaveThumbnailsAreSkipped)
{
    TThumbCtrl ctrl;
    const std::set<int> done = {0, 1, 5};
    ctrl.OnGetIndexState = [&](int index) { return done.count(index) > 0; };
    ctrl.Reset(8);
    EXPECT_EQ(Drain(ctrl), (std::vector<int>{2, 3, 4, 6, 7}));
}

TEST(ThumbCtrl, IterationStartOutsideAShrunkListIsClamped)
{
    TThumbCtrl ctrl;
    ctrl.Reset(300);
    ctrl.SetVisible(280, 20, false);
    ctrl.SetCount(10);  // the folder lost most of its files
    const std::vector<int> order = Drain(ctrl);
    ASSERT_FALSE(order.empty());
    for (int index : order)
        EXPECT_LT(index, 10);
    EXPECT_EQ(order.size(), 10u);
}

TEST(ThumbCtrl, ResetAndSetCountKeepThumbnailsAMovedWindowEvicts)
{
    TThumbCtrl ctrl;
    std::set<int> held;
    for (int i = 0; i < 120; ++i)
        held.insert(i);
    ctrl.OnDeleteThumbs = [&](int first, int count) {
        held.erase(held.lower_bound(first), held.lower_bound(first + count));
    };
    ctrl.Reset(100);
    ctrl.SetCount(120);
    ctrl.Restart();
    EXPECT_EQ(held.size(), 120u);
    ctrl.SetVisFirst(60);
    const std::vector<int> window = Range(23, 97);
    EXPECT_EQ(held, std::set<int>(window.begin(), window.end()));
    ctrl.DeleteAll();
    EXPECT_TRUE(held.empty());
}

}  // namespace
}  // namespace pixmarl
