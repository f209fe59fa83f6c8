#include "DirImages.h"

#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

#include "platform/Volumes.h"

namespace pixmarl {

namespace {

constexpr int kIconSize = 16;

// A plain folder or box shape in the given colour, for desktops without an icon theme.
QIcon DrawnIcon(const QColor& colour, bool folder)
{
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(colour.darker(160));
    painter.setBrush(colour);
    if (folder) {
        painter.drawRect(1, 2, 6, 3);
        painter.drawRect(1, 4, 13, 9);
    } else {
        painter.drawRoundedRect(1, 4, 13, 8, 2, 2);
        painter.setBrush(Qt::green);
        painter.drawRect(10, 9, 2, 1);
    }
    return QIcon(pixmap);
}

QIcon ThemeIcon(const char* name, const QColor& colour, bool folder)
{
    return QIcon::fromTheme(QString::fromLatin1(name), DrawnIcon(colour, folder));
}

std::vector<QIcon> BuildImages()
{
    const QColor folderColour(230, 190, 80);
    const QColor driveColour(170, 170, 180);
    std::vector<QIcon> images(2 + dtRAMDisk + 1);
    images[kClosedFolderImage] = ThemeIcon("folder", folderColour, true);
    images[kOpenFolderImage] = ThemeIcon("folder-open", folderColour.lighter(110), true);
    images[2 + dtUnknown] = ThemeIcon("drive-harddisk", driveColour, false);
    images[2 + dtNoRoot] = images[2 + dtUnknown];
    images[2 + dtRemovable] = ThemeIcon("drive-removable-media", driveColour, false);
    images[2 + dtFixed] = images[2 + dtUnknown];
    images[2 + dtRemote] = ThemeIcon("folder-remote", QColor(120, 160, 220), true);
    images[2 + dtCDROM] = ThemeIcon("media-optical", QColor(200, 200, 230), false);
    images[2 + dtRAMDisk] = ThemeIcon("media-flash", QColor(150, 200, 150), false);
    return images;
}

std::unique_ptr<std::vector<QIcon>> theImages;

}  // namespace

QIcon DirImage(int index)
{
    if (theImages == nullptr) {
        theImages = std::make_unique<std::vector<QIcon>>(BuildImages());
        // Pixmaps must be freed while the application object still exists.
        qAddPostRoutine([] { theImages.reset(); });
    }
    const std::vector<QIcon>& images = *theImages;
    return index >= 0 && size_t(index) < images.size() ? images[size_t(index)]
                                                       : images[kClosedFolderImage];
}

QString DesktopDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString PersonalDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

}  // namespace pixmarl
