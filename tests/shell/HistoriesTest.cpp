#include <gtest/gtest.h>

#include <optional>

#include "shell/Histories.h"

namespace pixmarl {
namespace {

// A history wired as the main window wires it: the folder tree follows every go-to and every
// Back/Forward result, and reports each real change back with Add.
class HistoryTest : public testing::Test {
protected:
    HistoryTest()
    {
        history_.OnBackAvailable = [this](bool on) { back_ = on; };
        history_.OnForwardAvailable = [this](bool on) { forward_ = on; };
        history_.OnGoTo = [this](const QString& path) { ShowInTree(path); };
    }

    void Visit(std::initializer_list<const char*> folders)
    {
        for (const char* folder : folders)
            ShowInTree(QLatin1String(folder));
    }
    // The tree reports a change only when the folder differs from the one it shows and exists.
    void ShowInTree(const QString& path)
    {
        if (path.isEmpty() || path == shown_ || gone_.contains(path))
            return;
        shown_ = path;
        history_.Add(path);
    }
    QString GoBack() { return Follow(history_.Back()); }
    QString GoForward() { return Follow(history_.Forward()); }
    // The tree follows a Back or Forward result.
    QString Follow(const QString& path)
    {
        ShowInTree(path);
        return path;
    }

    THistory history_;
    QString shown_;
    QStringList gone_;
    std::optional<bool> back_;
    std::optional<bool> forward_;
};

TEST_F(HistoryTest, NineFoldersKeepTheLastEight)
{
    Visit({"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9"});
    EXPECT_EQ(history_.Entries(), QStringList({"/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9"}));
    EXPECT_EQ(history_.Position(), 7);
}

TEST_F(HistoryTest, NewFolderAfterGoingBackIsAppendedAfterAllEntries)
{
    Visit({"/a", "/b", "/c", "/d"});
    EXPECT_EQ(GoBack(), "/c");
    EXPECT_EQ(GoBack(), "/b");
    EXPECT_EQ(history_.Entries(), QStringList({"/a", "/b", "/c", "/d"}))
        << "navigation records nothing";
    EXPECT_EQ(forward_, true);

    Visit({"/e"});
    EXPECT_EQ(history_.Entries(), QStringList({"/a", "/b", "/c", "/d", "/e"}));
    EXPECT_EQ(forward_, false);
    EXPECT_EQ(GoBack(), "/d");
    EXPECT_EQ(GoBack(), "/c");
}

TEST_F(HistoryTest, DropDownListsBackNearestFirstAndForwardOldestFirst)
{
    Visit({"/a", "/b", "/c", "/d", "/e"});
    GoBack();
    GoBack();
    EXPECT_EQ(shown_, "/c");
    using Items = std::vector<THistoryMenuItem>;
    EXPECT_EQ(history_.BuildMenu(hdBack), (Items{{"/b", 1}, {"/a", 0}}));
    EXPECT_EQ(history_.BuildMenu(hdForward), (Items{{"/d", 3}, {"/e", 4}}));
}

TEST_F(HistoryTest, PickingAMenuEntryGoesThereWithoutRecordingIt)
{
    Visit({"/a", "/b", "/c", "/d"});
    history_.MenuItemClick(history_.BuildMenu(hdBack).back().Tag);
    EXPECT_EQ(shown_, "/a");
    EXPECT_EQ(history_.Position(), 0);
    EXPECT_EQ(back_, false);
    EXPECT_EQ(forward_, true);
    EXPECT_EQ(history_.Entries().size(), 4);
    EXPECT_FALSE(history_.Navigating());

    history_.MenuItemClick(99);
    history_.MenuItemClick(-1);
    EXPECT_EQ(shown_, "/a");
}

TEST_F(HistoryTest, AvailabilityFollowsEachStep)
{
    const struct {
        const char* step;
        const char* result;
        bool back;
        bool forward;
    } steps[] = {
        {"visit /a", "", false, false}, {"visit /b", "", true, false},
        {"visit /c", "", true, false},  {"back", "/b", true, true},
        {"back", "/a", false, true},    {"back", "", false, true},
        {"forward", "/b", true, true},  {"forward", "/c", true, false},
        {"forward", "", true, false},
    };
    for (const auto& s : steps) {
        const QString step = QLatin1String(s.step);
        QString result;
        if (step.startsWith(QLatin1String("visit ")))
            Visit({s.step + 6});
        else if (step == QLatin1String("back"))
            result = GoBack();
        else
            result = GoForward();
        EXPECT_EQ(result, QLatin1String(s.result)) << s.step;
        EXPECT_EQ(back_, s.back) << s.step;
        EXPECT_EQ(forward_, s.forward) << s.step;
    }
}

TEST_F(HistoryTest, StepToTheFolderAlreadyShownDoesNotSwallowTheNextVisit)
{
    // /b is shown twice in a row in the history: the tree reports no change when going back
    // from the second to the first, so the next real visit must still be recorded.
    Visit({"/a", "/b"});
    GoBack();
    Visit({"/b"});
    ASSERT_EQ(history_.Entries(), QStringList({"/a", "/b", "/b"}));
    EXPECT_EQ(GoBack(), "/b");
    EXPECT_FALSE(history_.Navigating());
    Visit({"/c"});
    EXPECT_EQ(history_.Entries(), QStringList({"/a", "/b", "/b", "/c"}));

    // Back to a folder that no longer exists: the tree shows nothing new, the next visit counts.
    gone_ << "/b";
    GoBack();
    Visit({"/d"});
    EXPECT_EQ(history_.Entries().last(), "/d");
}

}  // namespace
}  // namespace pixmarl
