#pragma once

// The location bar: a combo box whose edit shows the current folder and whose list holds every
// volume and, under the volume that holds the folder, the folder's path components, indented.
// Picking an item or typing a folder and pressing Enter raises OnDirChange; a typed path is
// absolute with a leading "/", starts at home with "~", and is relative to the shown folder
// otherwise. Esc takes back what was typed. The items follow the volume table: any volume change
// rebuilds them from the current folder, so they never sit under the wrong volume.
//
// Whether a typed path is a folder, a file or nothing is asked on a worker; the bar waits for the
// answer only briefly, and an answer that comes later counts only if nothing was typed or shown
// since. The owner sets Directory after every folder change; that raises no event. GUI thread
// only.

#include <QComboBox>

#include "shell/FldLocPaths.h"

class QAction;

namespace pixmarl {

class TMyComputer;

class TFldLocEdit : public QComboBox {
    Q_OBJECT
public:
    // computer: the volume table to show (the process-wide one by default); it must outlive the
    // bar.
    explicit TFldLocEdit(QWidget* parent = nullptr, TMyComputer* computer = nullptr);
    ~TFldLocEdit() override;

    const QString& Directory() const { return directory_; }
    // Shows path as the current folder; an empty path only shows the text again.
    void SetDirectory(const QString& path);
    // With it off, the edit shows only the folder's name (a volume root whole).
    bool DisplayFullPath() const { return displayFullPath_; }
    void SetDisplayFullPath(bool value);
    const TLocItems& Items() const { return items_; }
    // Whether the user has typed since the text was last set.
    bool Edited() const { return edited_; }

    // How long Enter waits for the file system before the answer is left to come later.
    void SetProbeBudget(int ms) { probeBudgetMs_ = ms; }
    // The width the bar asks for in its tool bar.
    void SetPreferredWidth(int width);
    QSize sizeHint() const override;

signals:
    // A folder was picked or typed; Directory is already that folder.
    void OnDirChange(const QString& path);
    // The typed path names an existing file.
    void OnFilename(const QString& path);
    // The typed text names nothing that can be shown.
    void OnInvalidDir(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rebuild();
    void PostRebuild();
    void ShowText();
    void PostShowText();
    void Pick(int index);
    void Typed();
    void Interpret(const QString& text);
    void Probed(const QString& text, const QString& target, TPathKind kind);
    void ChangeTo(const QString& path);
    bool KeyPressed(int key);

    TMyComputer& computer_;
    int listenerId_ = 0;
    QString directory_;
    TLocItems items_;
    QAction* icon_ = nullptr;  // the picture left of the text
    bool displayFullPath_ = true;
    bool edited_ = false;
    bool rebuilding_ = false;
    bool rebuildPosted_ = false;
    int probeBudgetMs_ = 200;
    int preferredWidth_ = 152;
    quint64 generation_ = 0;  // grows with every text shown or typed path interpreted
};

}  // namespace pixmarl
