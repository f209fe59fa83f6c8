// Start-up: the settings, then the main window with its dialogs, on the folder of the command line
// (a folder, or a file whose folder is shown), else on the samples the build made while they are
// there, else on the start folder the settings name.

#include <cstring>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QScreen>

#include "formats/Images.h"
#include "platform/Registry.h"
#include "shell/Artwork.h"
#include "shell/Main.h"
#include "shell/Settings.h"

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

// The screen shows 15 or more bits per pixel.
bool HighColor()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr || screen->depth() >= 15;
}

// Start-up measurements (bench_browse) end the program once the window has painted itself.
class TQuitAfterFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
};

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
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pixmarl.Pixmarl"));
    pixmarl::SetImageAllocationLimit();
    parser.process(app);
    pixmarl::UseDesktopIconTheme();
    QApplication::setWindowIcon(pixmarl::ProgramIcon());

    const bool highColor = HighColor();
    pixmarl::TRegistry store(pixmarl::TRegistry::DefaultFileName());
    pixmarl::TSettings settings = pixmarl::LoadSettings(store, highColor);
    pixmarl::TMainForm form(settings, &store, nullptr, highColor);
    QString path = parser.positionalArguments().value(0);
    if (path.isEmpty() && QFileInfo(QStringLiteral(PIXMARL_SAMPLES_DIR)).isDir())
        path = QStringLiteral(PIXMARL_SAMPLES_DIR);  // started from the build tree
    form.SetCommandLinePath(path);
    TQuitAfterFirstPaint quitAfterPaint;
    if (qEnvironmentVariableIsSet("PIXMARL_QUIT_AFTER_PAINT"))
        form.installEventFilter(&quitAfterPaint);
    form.show();
    return QApplication::exec();
}
