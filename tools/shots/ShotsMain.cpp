// pixmarl_shots [--out DIR] [scene ...]: takes the screenshots of the named scenes (all when none
// is named) and prints the files it wrote. scripts/screenshots.sh runs it under Xvfb.

#include "Shots.h"

#include <cstdio>
#include <map>
#include <string>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "shell/Main.h"

#ifndef PIXMARL_SAMPLES_DIR
#define PIXMARL_SAMPLES_DIR ""
#endif

namespace pixmarl::shots {
namespace {

std::map<std::string, TShotScene>& Scenes()
{
    static std::map<std::string, TShotScene> scenes;
    return scenes;
}

QTemporaryDir& Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

}  // namespace

bool RegisterShot(const char* name, TShotScene scene)
{
    Scenes()[name] = std::move(scene);
    return true;
}

TShotContext::TShotContext(QString outDir, QString samplesDir)
    : outDir_(std::move(outDir)), samplesDir_(std::move(samplesDir))
{}

QString TShotContext::ScratchDir(const QString& name) const
{
    const QString path = QDir(Scratch().path()).filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

void TShotContext::Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool TShotContext::Grab(QWidget* window, const QString& name) const
{
    window->raise();
    window->activateWindow();
    Settle();
    QPixmap picture;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QRect frame = window->frameGeometry();
        picture =
            window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    } else {
        picture = window->grab();
    }
    const QString file = QDir(outDir_).filePath(name + QStringLiteral(".png"));
    const bool saved = picture.save(file);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(file));
    return saved;
}

}  // namespace pixmarl::shots

int main(int argc, char* argv[])
{
    using namespace pixmarl::shots;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixmarl"));
    pixmarl::UseDesktopIconTheme();  // as the program does

    QString outDir = QStringLiteral("screenshots");
    QStringList wanted;
    const QStringList args = QApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--out") && i + 1 < args.size())
            outDir = args.at(++i);
        else
            wanted << args.at(i);
    }
    QDir().mkpath(outDir);

    TShotContext context(outDir, QStringLiteral(PIXMARL_SAMPLES_DIR));
    int failures = 0;
    for (auto& [name, scene] : Scenes()) {
        if (!wanted.isEmpty() && !wanted.contains(QString::fromStdString(name)))
            continue;
        QElapsedTimer timer;
        timer.start();
        scene(context);
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        TShotContext::Settle(50);
        std::printf("scene %s: %lld ms\n", name.c_str(), static_cast<long long>(timer.elapsed()));
    }
    if (Scenes().empty())
        std::printf("no scenes\n");
    return failures;
}
