// The viewer window fitted to a photo, in full screen, with its context menu and with the
// slideshow's control panel, and the preview pane beside a list, on the build's sample files.

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>

#include "Shots.h"
#include "display/ImgFiles.h"
#include "display/ImgWin.h"
#include "display/SlideCtrls.h"
#include "display/WebView.h"
#include "shell/Settings.h"

namespace {

using namespace pixmarl;
using pixmarl::shots::TShotContext;

void SettleUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        TShotContext::Settle(20);
    TShotContext::Settle(300);
}

bool Shown(TViewForm* viewer)
{
    return !viewer->ImageFile()->Loading() && !viewer->windowTitle().startsWith("Lade ");
}

void ViewerScene(TShotContext& context)
{
    const QDir samples(context.SamplesDir());
    TSettings settings;
    settings.ViewStayOnTop = false;
    TViewers viewers(settings);
    TViewForm* viewer = viewers.ViewForm();

    viewers.ShowImage(samples.filePath(QStringLiteral("landscape.jpg")));
    SettleUntil([&] { return Shown(viewer); });
    // The pointer in the lower right corner shows the size grip.
    QCursor::setPos(viewer->mapToGlobal(QPoint(viewer->width() - 6, viewer->height() - 6)));
    TShotContext::Settle(200);
    context.Grab(viewer, QStringLiteral("viewer-fitted"));

    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(60, 40),
                           viewer->mapToGlobal(QPoint(60, 40)));
    QCoreApplication::sendEvent(viewer, &menu);
    TShotContext::Settle(300);
    context.Grab(viewer->PopupMenu(), QStringLiteral("viewer-menu"));
    viewer->PopupMenu()->hide();

    viewer->EnterFullScreen();
    // What a window manager does with the request (Xvfb runs none).
    viewer->setGeometry(viewer->screen()->geometry());
    SettleUntil([&] { return viewer->isFullScreen(); });
    context.Grab(viewer, QStringLiteral("viewer-fullscreen"));
    viewer->Escape();
    TShotContext::Settle(300);

    QStringList names;
    for (const QFileInfo& file : samples.entryInfoList({QStringLiteral("*.jpg")}, QDir::Files))
        names << file.fileName();
    viewers.StartSlideshow(BuildSlideSequence(samples.path(), names, {},
                                              int(names.indexOf(QStringLiteral("landscape.jpg")))));
    SettleUntil([&] { return Shown(viewer); });
    const QPoint click(viewer->width() / 2, viewer->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, click, viewer->mapToGlobal(click), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewer, &press);
    TShotContext::Settle(300);
    context.Grab(viewer, QStringLiteral("viewer-slideshow-panel"));
    viewer->SlideCtrl()->HidePanel();
    viewer->close();
}

void PreviewScene(TShotContext& context)
{
    const QDir samples(context.SamplesDir());
    TWebView pane;
    pane.resize(200, 520);
    pane.show();
    pane.ShowFolder(samples.path(), false);
    const QString file = samples.filePath(QStringLiteral("portrait.jpg"));
    pane.ShowFile(file, QFileInfo(file).size());
    SettleUntil([&] { return pane.PreviewsMade() > 0; });
    TShotContext::Settle(500);
    context.Grab(&pane, QStringLiteral("preview-pane"));

    // An AVI file without a video stream has nothing to show.
    const QString soundOnly = samples.filePath(QStringLiteral("sound-only.avi"));
    pane.ShowFile(soundOnly, QFileInfo(soundOnly).size());
    SettleUntil([&] { return pane.PreviewsMade() > 1; });
    TShotContext::Settle(500);
    context.Grab(&pane, QStringLiteral("preview-pane-unsupported"));
}

}  // namespace

PIXMARL_SHOT("viewer", ViewerScene);
PIXMARL_SHOT("preview", PreviewScene);
