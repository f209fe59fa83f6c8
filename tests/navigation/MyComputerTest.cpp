#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <atomic>

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include "navigation/MyComputer.h"
#include "support/EventWait.h"

namespace pixmarl {
namespace {

TVolume Volume(const char* path, const char* label = "", const char* device = "/dev/x")
{
    return TVolume{QString::fromUtf8(path), "ext4", QString::fromUtf8(device), dtFixed,
                   QString::fromUtf8(label)};
}

// A mount table the test changes at will, and a record of what the listeners heard.
struct Fixture {
    std::vector<TVolume> volumes{Volume("/"), Volume("/home")};
    TMyComputer computer{[this] { return volumes; }, false};
    QStringList heard;

    Fixture()
    {
        computer.AddListener([this](int kinds, TDrive& d) {
            heard << QString::number(kinds) + u' ' + d.Name() + u' ' + QString::number(d.Index());
        });
    }
};

TEST(MyComputer, ChangesOfTheMountTableReachTheListenersWithTheirBits)
{
    const struct {
        const char* what;
        std::vector<TVolume> next;
        QStringList heard;
    } cases[] = {
        {"nothing changed", {Volume("/"), Volume("/home")}, {}},
        {"stick added",
         {Volume("/"), Volume("/home"), Volume("/media/usb", "STICK")},
         {"64 Stick (/media/usb) 2"}},
        {"volume added in the middle",
         {Volume("/"), Volume("/boot"), Volume("/home")},
         {"64  (/boot) 1"}},
        {"volume removed", {Volume("/")}, {"32  (/home) 1"}},
        {"label changed", {Volume("/", "SYS"), Volume("/home")}, {"1 Sys (/) 0"}},
        {"other medium on the same point",
         {Volume("/"), Volume("/home", "", "/dev/y")},
         {"32  (/home) 1", "64  (/home) 1"}},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.volumes = c.next;
        f.computer.Update();
        EXPECT_EQ(f.heard, c.heard) << c.what;
        ASSERT_EQ(f.computer.Drives().size(), c.next.size()) << c.what;
        for (size_t i = 0; i < c.next.size(); ++i) {
            EXPECT_EQ(f.computer.Drives()[i]->MountPath(), c.next[i].mountPath) << c.what;
            EXPECT_EQ(f.computer.Drives()[i]->Index(), int(i)) << c.what;
        }
    }
}

// A mount table that takes long to read (a mount that does not answer) holds up nobody: the table
// stays as it was and the late result is applied when it comes, unless a newer one came first.
TEST(MyComputer, ASlowReadHoldsUpNobodyAndArrivesLater)
{
    static std::atomic<unsigned> delayMs{600};
    QElapsedTimer t;
    t.start();
    TMyComputer computer([] { return QThread::msleep(delayMs), std::vector{Volume("/")}; }, false);
    int added = 0;
    computer.AddListener([&](int kinds, TDrive&) { added += kinds == ckDriveAdded; });
    EXPECT_TRUE(t.elapsed() < 500 && computer.Drives().empty());
    test::RunEventsUntil([&] { return added == 1; }, 3000);
    t.restart();
    computer.Update();
    EXPECT_LT(t.elapsed(), 500);
    delayMs = 0;
    computer.Update();  // newer, and in time: the late one is dropped when it comes
    test::RunEventsFor(900 - int(t.elapsed()));
    EXPECT_TRUE(computer.Drives().size() == 1u && added == 1);
}

TEST(MyComputer, AddedVolumeIsReadAgainAfterTheDelay)
{
    Fixture f;
    f.computer.SetRefreshDelay(50);
    f.volumes.push_back(Volume("/media/usb"));
    f.computer.Update();
    // The label becomes readable only later, as with a slow medium.
    f.volumes.back().label = "PHOTOS";
    test::RunEventsUntil([&] { return f.heard.size() == 2; }, 3000);
    EXPECT_EQ(f.heard, (QStringList{"64  (/media/usb) 2", "2 Photos (/media/usb) 2"}));
}

TEST(MyComputer, RemovedListenerHearsNothingLabelsCannotBeWrittenAndNestedMountsContain)
{
    Fixture f;
    QStringList other;
    const int id = f.computer.AddListener([&](int, TDrive&) { other << "x"; });
    f.computer.RemoveListener(id);
    f.computer.RemoveListener(999);
    f.volumes.pop_back();
    f.computer.Update();
    EXPECT_TRUE(other.isEmpty());
    EXPECT_EQ(f.heard.size(), 1);
    EXPECT_FALSE(f.computer.SetLabel(*f.computer.Drives()[0], "NEW"));
    EXPECT_EQ(f.computer.Drives()[0]->Name(), "File System (/)");

    // Nested mounts: the drive of the longest mount path around.
    f.volumes.push_back(Volume("/home"));
    f.computer.Update();
    EXPECT_EQ(f.computer.ContainingDrive("/home/ann")->MountPath(), "/home");
    EXPECT_TRUE(f.computer.IsVolumeRoot("/home") && !f.computer.IsVolumeRoot("/home/ann"));
}

}  // namespace
}  // namespace pixmarl
