// Drag and drop and the clipboard: the dialog that saves a pasted picture, and a folder of the
// tree highlighted as the target of a drag while another folder stays selected.

#include <QDir>
#include <QImage>

#include "Shots.h"
#include "fileops/BmpPaste.h"
#include "navigation/Explore.h"
#include "navigation/MyComputer.h"

namespace {

using namespace pixmarl;

// A wide picture, so the preview shows how it is fitted.
QImage SamplePicture(const QString& samples)
{
    const QImage image(QDir(samples).filePath(QStringLiteral("landscape.jpg")));
    if (!image.isNull())
        return image;
    QImage drawn(320, 200, QImage::Format_RGB32);
    drawn.fill(QColor(70, 130, 180));
    return drawn;
}

void PasteScene(shots::TShotContext& context)
{
    TBmpPasteDlg dialog;
    dialog.Prepare(SamplePicture(context.SamplesDir()), context.ScratchDir("paste"));
    dialog.show();
    context.Grab(&dialog, QStringLiteral("bitmap-paste"));
}

void TreeScene(shots::TShotContext& context)
{
    const QString root = context.ScratchDir("tree");
    for (const char* folder : {"Holidays/2023", "Holidays/2024", "Portraits", "Scans", "Work"})
        QDir(root).mkpath(folder);
    TMyComputer computer(
        [root] {
            return std::vector<TVolume>{{root, "ext4", root, dtFixed, {}}};
        },
        false);
    TDirTree tree(nullptr, &computer);
    tree.resize(300, 260);
    tree.SetDirectory(root + "/Holidays/2024");
    tree.SetDropHighlight(tree.FindNode(root + "/Portraits"));
    tree.show();
    context.Grab(&tree, QStringLiteral("tree-drop-highlight"));
}

}  // namespace

PIXMARL_SHOT("bitmap-paste", PasteScene);
PIXMARL_SHOT("tree-drop", TreeScene);
