// Start-up: the application object, then the window on the folder of the command line (a folder,
// or a file whose folder is shown), else on the samples the build made while they are there, else
// on the current folder.

#include <cstring>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "formats/Images.h"
#include "platform/Paths.h"
#include "shell/EarlyWindow.h"

#ifndef PIXMARL_SAMPLES_DIR
#define PIXMARL_SAMPLES_DIR ""
#endif

namespace {

void DescribeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Pixmarl, an image file browser."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("folder"),
        QStringLiteral("The folder to show, or a file whose folder is shown."),
        QStringLiteral("[folder|file]"));
}

// --version and --help answer on the terminal, also where there is no display to open.
bool AsksForTextOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        for (const char* option : {"--version", "-v", "--help", "-h", "-?", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Pixmarl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PIXMARL_VERSION));
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    if (AsksForTextOnly(argc, argv)) {
        const QCoreApplication app(argc, argv);
        parser.process(app);  // prints the text and ends the program
    }

    QApplication app(argc, argv);
    pixmarl::SetImageAllocationLimit();
    parser.process(app);
    QString folder;
    const QString argument = parser.positionalArguments().value(0);
    if (!argument.isEmpty()) {
        const QFileInfo info(argument);
        folder = pixmarl::CleanAbsolutePath(info.isFile() ? info.absolutePath() : argument);
    } else if (QFileInfo(QStringLiteral(PIXMARL_SAMPLES_DIR)).isDir()) {
        folder = QStringLiteral(PIXMARL_SAMPLES_DIR);  // started from the build tree
    }
    if (folder.isEmpty())
        folder = pixmarl::CleanAbsolutePath(QStringLiteral("."));

    pixmarl::TEarlyWindow window;
    window.show();
    window.ShowFolder(folder);
    return QApplication::exec();
}
