#pragma once

// TWebView, the optional pane beside the file list that describes the shown folder (its icon and
// title) and previews the focused file: name, size, a picture fitted into 128 x 128, its pixel
// size and the links "Show" and "Properties".
//
// The browser calls ShowFolder after every folder change and ShowFile whenever the focused file
// changes (an empty name clears the file part), both only while the pane is shown, and answers
// OnShowImage (faShow: open the file in a viewer; faProperties: the properties dialog). The
// preview is made lazily: a focus change only records the file; a 500 ms timer makes the picture
// once the focus has rested for 200 ms, on a worker, so scrolling through a long list decodes
// nothing and never holds up the window. GUI thread only.

#include <memory>

#include <QElapsedTimer>
#include <QScrollArea>

#include "display/ImgFileLoads.h"
#include "platform/Workers.h"

class QLabel;
class QTimer;

namespace pixmarl {

class TMyComputer;

enum TFileAction { faShow = 0, faProperties = 2 };

class TWebView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 500;
    static constexpr int kSettleMs = 200;
    static constexpr int kPreviewSide = 128;

    explicit TWebView(QWidget* parent = nullptr);
    ~TWebView() override;

    // Where volume roots take their names from; without it a root shows its path.
    void SetMyComputer(const TMyComputer* computer) { computer_ = computer; }

    // A new folder: its icon and title; the file part is cleared.
    void ShowFolder(const QString& folder, bool isRoot);
    // The focused file (full name) and its size in bytes (the list's; below 0: not shown).
    // Ignored while the pane is hidden.
    void ShowFile(const QString& fileName, qint64 fileSize);
    const QString& FileName() const { return fileName_; }
    // How many previews were begun (each one decode), for the browser's tests.
    int PreviewsMade() const { return previewsMade_; }

signals:
    void OnShowImage(const QString& fileName, int action);

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TimerTick();
    bool Due() const;
    void MakePreview();
    void Previewed(const TPreview& preview, quint64 generation);
    void ClearFile();
    void LinkActivated(const QString& link);

    const TMyComputer* computer_ = nullptr;
    QString fileName_;
    qint64 fileSize_ = -1;
    bool pending_ = false;
    QElapsedTimer requested_;
    quint64 generation_ = 0;
    int previewsMade_ = 0;

    QTimer* timer_ = nullptr;
    QLabel* folderIcon_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* info_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* show_ = nullptr;
    QLabel* properties_ = nullptr;
    std::unique_ptr<TRequestWorker<QString, TPreview>> worker_;
};

}  // namespace pixmarl
