#include <gtest/gtest.h>

#include "display/SlideLists.h"
#include "support/EventWait.h"

namespace pixmarl {
namespace {

TEST(SlideSequence, SelectionOrAllFromTheFocusedFile)
{
    const QStringList names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    const struct {
        std::vector<int> selected;
        int focused;
        QStringList expected;
        int position;
    } cases[] = {
        {{1, 3}, 3, {"b.jpg", "d.jpg"}, 1},  // focused among the selected
        {{1, 3}, 0, {"b.jpg", "d.jpg"}, 0},
        {{2}, 2, names, 2},  // one selected file counts as none
        {{}, -1, names, 0},
    };
    for (const auto& c : cases) {
        const auto list = BuildSlideSequence("/pics", names, c.selected, c.focused);
        ASSERT_TRUE(list);
        QStringList got;
        for (int i = 0; i < list->Count(); ++i)
            got << list->Get(i).mid(6);
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(list->Position, c.position);
        EXPECT_EQ(list->Get(0).left(6), "/pics/");
    }
    EXPECT_FALSE(BuildSlideSequence("/pics", {}, {}, -1));
}

TEST(SlideSequence, DelayIsKeptWithinOneToSixHundredSeconds)
{
    const std::pair<int, int> cases[] = {
        {600, 600000}, {5, 5000}, {0, 1000}, {-3, 1000}, {100000, 600000}};
    for (const auto& [delay, interval] : cases) {
        TSlideshow show;
        show.Start(BuildSlideSequence("/p", {"a", "b"}, {}, 0), delay, true);
        EXPECT_EQ(show.Timer()->interval(), interval) << delay;
    }
}

class SlideshowTest : public ::testing::Test {
protected:
    void Start(int files, int position, bool repeat)
    {
        QStringList names;
        for (int i = 0; i < files; ++i)
            names << QString::number(i);
        auto list = BuildSlideSequence("/p", names, {}, position);
        show_.OnLoad = [this](const QString& name) { shown_ << name.mid(3); };
        show_.OnRunOut = [this] { ranOut_ = true; };
        show_.Start(std::move(list), 5, repeat);
    }
    // A show of three whose step falls due while it is held.
    void StartHeld()
    {
        Start(3, 0, true);
        show_.Timer()->setInterval(5);
        show_.Hold();
        test::RunEventsFor(40);
    }
    TSlideshow show_;
    QStringList shown_;
    bool ranOut_ = false;
};

TEST_F(SlideshowTest, StepsWrapWithRepeatAndRunOutWithout)
{
    Start(3, 2, true);
    show_.NextSlide();
    show_.PrevSlide();
    show_.PrevSlide();
    EXPECT_EQ(shown_, QStringList({"2", "0", "2", "1"}));

    shown_.clear();
    Start(3, 2, false);
    show_.NextSlide();
    EXPECT_TRUE(ranOut_);
    EXPECT_FALSE(show_.Active());
    EXPECT_EQ(shown_, QStringList({"2"}));
}

// A deleted file's entry leaves; the next step shows the entry two places after it. A show
// whose last file is deleted stops instead of stepping to entry -1.
TEST_F(SlideshowTest, DeletedEntriesLeaveAndAnEmptyShowStops)
{
    Start(4, 1, true);
    show_.RemoveCurrent();
    show_.NextSlide();
    EXPECT_EQ(shown_.last(), "3");
    show_.RemoveCurrent();  // the last entry: the position is past the end now
    show_.PrevSlide();
    EXPECT_EQ(shown_.last(), "2");

    Start(1, 0, true);
    show_.RemoveCurrent();
    EXPECT_FALSE(show_.Active());
    show_.PrevSlide();
    show_.NextSlide();
    EXPECT_EQ(shown_.last(), "0");
}

TEST_F(SlideshowTest, AStepDueWhileHeldHappensOnRelease)
{
    StartHeld();
    EXPECT_EQ(shown_, QStringList({"0"}));
    show_.Release();
    EXPECT_EQ(shown_, QStringList({"0", "1"}));
    EXPECT_TRUE(show_.Timer()->isActive());
}

TEST_F(SlideshowTest, HaltingCarriesOverToTheNextShowAndDropsAHeldStep)
{
    StartHeld();
    show_.TogglePause();
    show_.Release();
    EXPECT_EQ(shown_, QStringList({"0"}));
    show_.StopSlideshow();
    Start(3, 0, true);
    EXPECT_TRUE(show_.Paused());
    EXPECT_FALSE(show_.Timer()->isActive());
}

}  // namespace
}  // namespace pixmarl
