// Drag and drop and the clipboard against a real X server (Xvfb) and real programs: the clipboard
// with xclip, a drag made with xdotool's pointer and keys. Without Xvfb, xclip or xdotool the
// tests skip and say why.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "filelist/IGrids.h"
#include "fileops/DragSrc.h"
#include "fileops/FileExchange.h"
#include "fileops/FileOps.h"
#include "fileops/ScriptedPrompts.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"
#include "platform/Paths.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// Why the tests cannot run here (no Xvfb), set once before they start.
QString gSkipReason;

#define REQUIRE_X11_TOOL(name)                                                                     \
    if (!gSkipReason.isEmpty() || QStandardPaths::findExecutable(name).isEmpty())                  \
        GTEST_SKIP() << qPrintable(gSkipReason.isEmpty() ? QString(name " is not installed")       \
                                                         : gSkipReason);

// Runs a program while this one goes on serving its windows and its clipboard; its output.
QByteArray RunTool(const char* program, const QStringList& args, int timeoutMs = 15000)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(program), args);
    EXPECT_TRUE(
        test::RunEventsUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        << program << " " << qPrintable(args.join(' '));
    return process.readAllStandardOutput();
}

// Files in a source folder, an empty target and the window's file operations.
class X11ExchangeTest : public testing::Test {
protected:
    X11ExchangeTest()
    {
        ops_.OnExecute = [this](const TFileOpRequest& r) {
            return TFileOperation(r, prompts_).Run();
        };
        exchange_.ShownFolder = [this] { return dst_; };
        for (const char* name : {"a #1.jpg", "b?.jpg", "c 100%.jpg"})
            files_ << test::WriteFile(src_, name, name);
    }
    QStringList Names(const QString& folder) const { return QDir(folder).entryList(QDir::Files); }

    QTemporaryDir dir_;
    QString src_ = test::MakeFolder(dir_.path(), "src");
    QString dst_ = test::MakeFolder(dir_.path(), "dst");
    QStringList files_;
    QWidget window_;
    TFileOps ops_;
    test::TScriptedPrompts prompts_;
    TFileExchange exchange_{ops_, &window_};
};

TEST_F(X11ExchangeTest, FilesCopiedHerePasteInAnotherProgramAndTheOtherWayRound)
{
    REQUIRE_X11_TOOL("xclip");
    exchange_.SelectedFiles = [this] { return files_.mid(0, 2); };
    exchange_.CopyFiles();
    const QStringList pasted = LocalFilesOf(QUrl::fromStringList(
        QString::fromUtf8(
            RunTool("xclip", {"-selection", "clipboard", "-t", "text/uri-list", "-o"}))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)));
    EXPECT_EQ(pasted, files_.mid(0, 2));
    EXPECT_TRUE(RunTool("xclip", {"-selection", "clipboard", "-t", kGnomeCopiedFilesMime, "-o"})
                    .startsWith("copy\nfile://"));

    // Another program owns the clipboard until it is ended: a plain list is copied, a file
    // manager's cut is moved and leaves the clipboard empty.
    const QString d = test::WriteFile(src_, "d.jpg");
    const struct {
        QString file, type;
        QByteArray data;
        bool moved;
    } offers[] = {
        {files_.at(2), kUriListMime, QUrl::fromLocalFile(files_.at(2)).toEncoded() + "\r\n", false},
        {d, kGnomeCopiedFilesMime, "cut\n" + QUrl::fromLocalFile(d).toEncoded(), true},
    };
    for (const auto& offer : offers) {
        QProcess owner;
        owner.start(QStandardPaths::findExecutable("xclip"),
                    {"-selection", "clipboard", "-t", offer.type, "-quiet"});
        owner.write(offer.data);
        owner.closeWriteChannel();
        ASSERT_TRUE(test::RunEventsUntil(
            [&] {
                const QClipboard* clipboard = QGuiApplication::clipboard();
                return !clipboard->ownsClipboard() && clipboard->mimeData()->hasFormat(offer.type);
            },
            10000));
        exchange_.Paste();
        EXPECT_TRUE(Names(dst_).contains(ExtractFileName(offer.file)));
        EXPECT_EQ(QFile::exists(offer.file), !offer.moved);
        EXPECT_EQ(ClipboardPasteKind() == paNothing, offer.moved);
        owner.kill();
        owner.waitForFinished();
    }
}

TEST_F(X11ExchangeTest, FilesDraggedFromTheGridOntoAFolderOfTheTreeMoveOrCopyAsTheKeysSay)
{
    REQUIRE_X11_TOOL("xdotool");
    TMyComputer computer(
        [this] {
            return std::vector<TVolume>{{dir_.path(), "ext4", dir_.path(), dtFixed, {}}};
        },
        false);
    auto* grid = new TImgGrid;
    const auto tree = std::make_unique<TDirTree>(nullptr, &computer);  // gone before computer
    auto* layout = new QHBoxLayout(&window_);
    layout->addWidget(grid);
    layout->addWidget(tree.get());
    window_.resize(900, 500);
    window_.show();
    grid->Reset(int(files_.size()));
    exchange_.AttachGrid(grid);
    exchange_.AttachTree(tree.get());
    exchange_.SelectedFiles = [&] { return QStringList{files_.at(grid->Index())}; };
    QList<TDropEffect> dropped;  // as this program's source heard it
    exchange_.DragSource().OnEndDrag = [&](TDragResult) {
        dropped << exchange_.DragSource().DroppedEffect();
    };
    tree->SetDirectory(src_);
    const QRect node = tree->visualItemRect(tree->FindNode(dst_));
    const QPoint onNode = tree->viewport()->mapToGlobal(node.center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));

    const struct {
        const char* key;
        bool moved;
    } cases[] = {{nullptr, false}, {"shift", true}, {"ctrl", false}};
    for (int i = 0; i < 3; ++i) {
        grid->SetIndex(i);  // pressed on, the selection is kept for the drag
        const QRect cell = grid->Cells().CellRect(i % grid->ColCount(), i / grid->ColCount());
        const QPoint onCell = grid->viewport()->mapToGlobal(cell.center());
        const auto at = [](QPoint p) {
            return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y()), "sleep",
                               "0.3"};
        };
        // The key is held once the drag runs, as a user does.
        QStringList steps = at(onCell);
        steps << "mousedown"
              << "1" << at(onCell + QPoint(4, 4)) << at(onNode - QPoint(60, 0));
        if (cases[i].key)
            steps << "keydown" << cases[i].key;
        steps << at(onNode) << at(onNode + QPoint(2, 0)) << "mouseup"
              << "1";
        if (cases[i].key)
            steps << "keyup" << cases[i].key;
        RunTool("xdotool", steps);
        const QString name = ExtractFileName(files_.at(i));
        EXPECT_TRUE(test::RunEventsUntil([&] { return Names(dst_).contains(name); }))
            << qPrintable(name);
        EXPECT_EQ(QFile::exists(files_.at(i)), !cases[i].moved) << qPrintable(name);
        EXPECT_EQ(tree->Directory(), src_);  // the tree's selection stays
    }
    EXPECT_EQ(dropped, (QList<TDropEffect>{deCopy, deMove, deCopy}));
}

// Starts Xvfb on a free display for this process; the server, or empty with gSkipReason set.
std::unique_ptr<QProcess> StartVirtualScreen()
{
    auto server = std::make_unique<QProcess>();
    server->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                           "-noreset"});
    QByteArray display;
    while (server->waitForReadyRead(10000) && !display.endsWith('\n'))
        display += server->readAllStandardOutput();
    if (display.trimmed().isEmpty()) {
        gSkipReason = QStringLiteral("Xvfb did not start (is it installed?)");
        return nullptr;
    }
    qputenv("DISPLAY", ":" + display.trimmed());
    return server;
}

}  // namespace
}  // namespace pixmarl

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    std::unique_ptr<QProcess> screen;
    if (!GTEST_FLAG_GET(list_tests))
        screen = pixmarl::StartVirtualScreen();
    qputenv("QT_QPA_PLATFORM", screen ? "xcb" : "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (screen) {
        screen->terminate();
        screen->waitForFinished(3000);
    }
    return result;
}
