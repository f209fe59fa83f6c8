// The file properties dialog: the General page, the Header page of each format and the Error page
// after a format check, on files the test builders write.

#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>

#include "Shots.h"
#include "shell/Info.h"
#include "support/AviBuilder.h"
#include "support/BmpBuilder.h"
#include "support/GifBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace {

using namespace pixmarl;
using pixmarl::shots::TShotContext;

// Shows the dialog for a file and waits until it shows that file.
void ShowFor(TFileInfo& dialog, const QString& path)
{
    dialog.ShowFileInfo(path);
    QElapsedTimer timer;
    timer.start();
    while ((!dialog.isVisible() || dialog.FileName() != path) && timer.elapsed() < 5000)
        TShotContext::Settle(20);
}

void InfoScene(TShotContext& context)
{
    const QString dir = context.ScratchDir(QStringLiteral("info"));
    test::JpegParams jpeg;
    jpeg.width = 640;
    jpeg.height = 480;
    jpeg.comment = "Harbour at dusk\r\nSecond line of the comment";
    test::GifParams gif;
    gif.width = 320;
    gif.height = 200;
    test::BmpParams bmp;
    bmp.width = 120;
    bmp.height = 80;
    bmp.topDown = true;
    bmp.bitCount = 8;
    test::TiffParams tiff;
    tiff.lzw = true;
    tiff.predictor = 2;
    tiff.documentName = "Scanned page 1";
    tiff.iccProfile = true;
    const struct {
        const char* shot;
        QString name;
        QByteArray bytes;
    } files[] = {
        {"info-general", QStringLiteral("Harbour at dusk with a rather long file name.jpg"),
         test::BuildJpeg(jpeg)},
        {"info-header-jpeg",
         QStringLiteral("Harbour at dusk with a rather long file name.jpg"),
         {}},
        {"info-header-gif", QStringLiteral("anim.gif"), test::BuildGif(gif)},
        {"info-header-bmp", QStringLiteral("topdown.bmp"), test::BuildBmp(bmp)},
        {"info-header-avi", QStringLiteral("clip.avi"),
         test::BuildAvi(test::MakeAviParams(test::AviCodec::Rgb24, 320, 240, 3))},
        {"info-header-tiff", QStringLiteral("scan.tif"), test::BuildTiff(tiff)},
    };
    TFileInfo dialog;
    auto* tabs = dialog.findChild<QTabWidget*>();
    for (const auto& file : files) {
        const QString path = file.bytes.isEmpty() ? QStringLiteral("%1/%2").arg(dir, file.name)
                                                  : test::WriteFile(dir, file.name, file.bytes);
        ShowFor(dialog, path);
        tabs->setCurrentIndex(QByteArray(file.shot) == "info-general" ? 0 : 1);
        context.Grab(&dialog, QLatin1String(file.shot));
    }

    ShowFor(dialog, test::WriteFile(dir, QStringLiteral("PICTURE.JPG"), test::BuildGif(gif)));
    tabs->setCurrentIndex(2);
    dialog.findChild<QPushButton*>(QStringLiteral("CheckType"))->click();
    TShotContext::Settle(300);
    context.Grab(&dialog, QStringLiteral("info-error"));
}

}  // namespace

PIXMARL_SHOT("info", InfoScene);
