// Start-up: the application object, then the window on the folder of the command line (a folder,
// or a file whose folder is shown), else on the samples the build made.

#include <QApplication>
#include <QFileInfo>

#include "formats/Images.h"
#include "platform/Paths.h"
#include "shell/EarlyWindow.h"

#ifndef PIXMARL_SAMPLES_DIR
#define PIXMARL_SAMPLES_DIR ""
#endif

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixmarl"));
    pixmarl::SetImageAllocationLimit();

    QString folder = QStringLiteral(PIXMARL_SAMPLES_DIR);
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const QFileInfo info(args.at(1));
        folder = pixmarl::CleanAbsolutePath(info.isFile() ? info.absolutePath() : args.at(1));
    }
    if (folder.isEmpty())
        folder = pixmarl::CleanAbsolutePath(QStringLiteral("."));

    pixmarl::TEarlyWindow window;
    window.show();
    window.ShowFolder(folder);
    return QApplication::exec();
}
