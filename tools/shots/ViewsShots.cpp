// The file list's views on the sample folder: the thumbnail grid at each size with a selection
// and a focused cell, the report and list views with a selection, and the toolbar's small
// controls.

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "Shots.h"
#include "filelist/DJPEG.h"
#include "filelist/FileListViews.h"
#include "filelist/FileLists.h"
#include "filelist/IGrids.h"
#include "shell/Artwork.h"
#include "shell/Btns.h"
#include "shell/Logos.h"
#include "shell/SizeGrips.h"

namespace {

using namespace pixmarl;

void OpenSamples(TJPEGFileList& list, const QString& folder)
{
    list.SetImageFormats(kAllImageFormats);
    list.SetForceReread(true);
    list.SetDirectory(folder);
}

// What the header reader would have stored, read here at once.
void ReadHeaders(TJPEGFileList& list)
{
    for (int i = 0; i < list.Count(); ++i) {
        TFileListItem& item = list.Item(i);
        TUniInfoRec info;
        if (GetUniInfo(list.FileName(i), item.Format, info) && info.Valid) {
            item.ImageWidth = info.Width;
            item.ImageHeight = info.Height;
            item.SubType = info.SubType;
            item.ColorDepth = info.ColorDepth;
        }
        item.InfoRead = true;
    }
}

void MakeThumbnails(TJPEGFileList& list, int box, qreal dpr)
{
    for (int i = 0; i < list.Count(); ++i) {
        TFileListItem& item = list.Item(i);
        const TThumbResult result = MakeThumbnail({list.FileName(i), item.Id}, box, {});
        item.SetThumbnail(result.thumbnail, result.failed, result.imageSize, result.thumbSize);
        if (item.Thumbnail)
            item.Thumbnail->setDevicePixelRatio(dpr);
    }
}

// A dark desktop theme's colours, to see that cells and glyphs follow the palette.
QPalette DarkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(45, 45, 48));
    palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
    palette.setColor(QPalette::Base, QColor(30, 30, 32));
    palette.setColor(QPalette::Text, QColor(230, 230, 230));
    palette.setColor(QPalette::Button, QColor(58, 58, 62));
    palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    palette.setColor(QPalette::Light, QColor(88, 88, 92));
    palette.setColor(QPalette::Dark, QColor(20, 20, 22));
    palette.setColor(QPalette::Highlight, QColor(53, 132, 228));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

void GridScene(shots::TShotContext& context)
{
    TJPEGFileList list;
    OpenSamples(list, context.SamplesDir());
    TImgGrid grid;
    grid.setWindowTitle(QStringLiteral("Thumbnails"));
    grid.OnNeedBmp = [&list](int i) {
        return TCellBitmap{list.Item(i).Thumbnail.get(), list.Item(i).ThumbFailed};
    };
    grid.OnNeedFileName = [&list](int i) { return list.Item(i).Caption; };
    grid.SetShowFileNames(true);
    grid.resize(960, 640);
    grid.show();
    const char* names[] = {"", "mini", "small", "medium", "large", "maxi"};
    for (int s = tsMini; s <= tsMaxi; ++s) {
        const qreal dpr = grid.devicePixelRatioF();
        MakeThumbnails(list, int(ThumbEdge(TThumbSize(s)) * dpr), dpr);
        grid.SetSize(TThumbSize(s));
        grid.Reset(list.Count());
        grid.SetIndex(s == tsMaxi ? 1 : 4);
        for (int i : {1, 2, 6})
            grid.SetSelected(i, true);
        grid.setFocus();
        context.Grab(&grid, QStringLiteral("grid-%1").arg(QLatin1String(names[s])));
    }
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    MakeThumbnails(list, int(ThumbEdge(tsSmall) * grid.devicePixelRatioF()),
                   grid.devicePixelRatioF());
    grid.SetSize(tsSmall);
    context.Grab(&grid, QStringLiteral("grid-small-dark"));
    QApplication::setPalette(light);
}

void ListScene(shots::TShotContext& context)
{
    TJPEGFileList list;
    OpenSamples(list, context.SamplesDir());
    ReadHeaders(list);
    QWidget window;
    window.setWindowTitle(QStringLiteral("File list"));
    auto* layout = new QVBoxLayout(&window);
    auto* view = new TJPEGFileListView(list, &window);
    auto* bar = new QProgressBar(&window);
    bar->setValue(67);
    layout->addWidget(view);
    layout->addWidget(bar);
    view->SetProgressBar(bar);
    window.resize(900, 520);
    window.show();
    for (int i : {2, 3, 7})
        view->SetSelected(i, true);
    view->SetItemFocused(7);
    view->CurrentView()->setFocus();
    context.Grab(&window, QStringLiteral("list-report"));
    bar->hide();
    view->SetViewStyle(TJPEGFileListView::vsList);
    view->CurrentView()->setFocus();
    context.Grab(&window, QStringLiteral("list-list"));
    view->SetViewStyle(TJPEGFileListView::vsReport);
    view->EditCaption();
    context.Grab(&window, QStringLiteral("list-rename"));
}

TBtn* ToolButton(QWidget* parent, TArt art, const QString& hint)
{
    auto* button = new TBtn(parent);
    button->SetGlyph(ArtIcon(art));
    button->SetColdGlyph(ColdArtIcon(art));
    button->setToolTip(hint);
    button->setFixedSize(29, 25);
    return button;
}

void ControlsScene(shots::TShotContext& context)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Toolbar"));
    auto* column = new QVBoxLayout(&window);
    auto* bar = new QHBoxLayout;
    column->addLayout(bar);
    bar->setSpacing(1);
    TBtn* back = ToolButton(&window, TArt::Back, {});
    auto* backArrow = new TDropDnBtn(&window);
    backArrow->setFixedSize(12, 25);
    back->SetLinkedBtn(backArrow);
    bar->addWidget(back);
    bar->addWidget(backArrow);
    bar->addWidget(ToolButton(&window, TArt::Forward, {}));
    bar->addWidget(ToolButton(&window, TArt::Up, QStringLiteral("Upper Directory")));
    bar->addSpacing(10);
    for (TArt art : {TArt::View, TArt::Slideshow, TArt::Delete, TArt::Properties})
        bar->addWidget(ToolButton(&window, art, {}));
    bar->addSpacing(10);
    TBtn* report = nullptr;
    for (TArt art : {TArt::List, TArt::Report, TArt::Thumbnails}) {
        TBtn* mode = ToolButton(&window, art, {});
        mode->SetGroupIndex(9);
        bar->addWidget(mode);
        report = art == TArt::Report ? mode : report;
    }
    report->SetDown(true);
    bar->addSpacing(10);
    auto* logoPanel = new QWidget(&window);
    logoPanel->setFixedSize(38, 25);
    logoPanel->setStyleSheet(QStringLiteral("background: black"));
    auto* logo = new TLogo(logoPanel);
    logo->move(3, 1);
    bar->addWidget(logoPanel);
    bar->addStretch();

    auto* pictures = new QHBoxLayout;
    column->addLayout(pictures);
    auto* overwrite = new QLabel(&window);
    overwrite->setPixmap(OverwritePicture(48, window.devicePixelRatioF()));
    pictures->addWidget(overwrite);
    auto* go = new QLabel(&window);
    go->setPixmap(ArtIcon(TArt::Goto).pixmap(16, 16));
    pictures->addWidget(go);
    pictures->addStretch();
    column->addStretch();
    auto* grip = new TSizeGrip(&window);
    grip->SetTransparent(false);
    window.resize(520, 110);
    window.show();
    grip->ShowGrip();
    context.Grab(&window, QStringLiteral("controls-rest"));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(back, &enter);
    for (int i = 0; i < 7; ++i)
        logo->Tick();
    context.Grab(&window, QStringLiteral("controls-back-hot"));
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    context.Grab(&window, QStringLiteral("controls-back-hot-dark"));
    QApplication::setPalette(light);
}

}  // namespace

PIXMARL_SHOT("views-grid", GridScene);
PIXMARL_SHOT("views-list", ListScene);
PIXMARL_SHOT("views-controls", ControlsScene);
