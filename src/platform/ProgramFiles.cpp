#include "ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef PIXMARL_DATA_FROM_BINDIR
#error "PIXMARL_DATA_FROM_BINDIR must give the data folder relative to the program's folder"
#endif

namespace pixmarl {

QString HelpPageBeside(const QString& programDir)
{
    const QString page = QDir::cleanPath(
        programDir + QStringLiteral("/" PIXMARL_DATA_FROM_BINDIR "/help/index.html"));
    return QFileInfo(page).isFile() ? page : QString();
}

QString HelpPage()
{
    return HelpPageBeside(QCoreApplication::applicationDirPath());
}

}  // namespace pixmarl
