#pragma once

// The viewer windows. TViewForm shows one image file in a TImageFile (fitted, centred, on black)
// with full screen, three sizing modes, stay-on-top, delete, properties, a dropped file and the
// slideshow. TViewers is the browser's entry point: it owns the first viewer (made hidden at
// start, alive until the end) and the additional viewers, chooses the window a file opens in and
// starts slideshows.
//
// The browser calls:
//   TViewers viewers(settings);                 // after the settings are loaded
//   viewers.ShowImage(fileName);                // View, Enter, double-click, the preview pane
//   viewers.StartSlideshow(BuildSlideSequence(folder, names, selected, focused));
//   viewers.ApplyOptions();                     // after the options dialog's OK
//   viewers.CollectSettings(settings);          // before the settings are saved
//
// GUI thread only. The settings object must outlive TViewers. A file loads on the image
// control's worker; meanwhile the caption reads "Lade " + the file name.

#include <memory>

#include <QList>
#include <QPointer>
#include <QWidget>

#include "display/SlideLists.h"
#include "fileops/FileOps.h"

class QAction;
class QMenu;
class QTimer;

namespace pixmarl {

class TFileInfo;
class TImageFile;
class TScreenSaverInhibitor;
class TSizeGrip;
class TSlideCtrl;
class TViewers;
struct TSettings;

// SizeMode: 0 allow sizing (image fitted, window fitted to the image, aspect ratio kept while
// sizing); 1 original size (1:1, window fitted, fixed border); 2 window size (image fitted, the
// window keeps its size).
enum TSizeMode { smAllowSizing, smOriginalSize, smWindowSize };

class TViewForm : public QWidget {
    Q_OBJECT
public:
    TViewForm(TViewers& owner, const TSettings& settings);
    ~TViewForm() override;

    // Loads and shows a file in this window.
    void LoadFile(const QString& fileName);
    // Fits the window to the image's size (within the screen), unless full screen or mode 2.
    void FitToImage();

    int SizeMode() const { return sizeMode_; }
    void SetSizeMode(int mode);
    bool StayOnTop() const { return stayOnTop_; }
    void SetStayOnTop(bool stayOnTop);
    int Delay() const { return delay_; }
    void SetDelay(int seconds) { delay_ = seconds; }

    bool IsFullScreen() const { return isFullScreen(); }
    void EnterFullScreen();
    // Esc: leaves full screen (refitting when a file was loaded meanwhile), else closes a normal
    // window.
    void Escape();
    bool RefitAfterRestore() const { return refitAfterRestore_; }

    // Deletes the shown file through the window's file operations; during a slideshow its entry
    // leaves the sequence once the file is gone.
    void DeleteShownFile();
    void ShowProperties();

    void StartSlideshow(std::unique_ptr<TSimpleFileNameList> list, int delayTime, bool repeat);
    // The panel's close button: ends the show and hides the viewer.
    void CloseSlideshow();
    TSlideshow& Slideshow() { return slideshow_; }

    TImageFile* ImageFile() const { return imageFile_; }
    QMenu* PopupMenu() const { return popupMenu_; }
    TSlideCtrl* SlideCtrl() const { return slideCtrl_; }
    TFileOps& FileOps() { return fileOps_; }
    QAction* MenuItem(const char* name) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    void ImageFileGetImageSize();
    void ApplyBorder();
    void LeaveFullScreen();
    void OpenMenu(const QPoint& globalPos);
    void UpdateSizeGrip(const QPoint& pos);
    void KeepAspect();
    QSize ClientRoom() const;

    TViewers& owner_;
    TImageFile* imageFile_ = nullptr;
    TSizeGrip* sizeGrip_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    TSlideCtrl* slideCtrl_ = nullptr;
    TFileInfo* fileInfo_ = nullptr;  // made on first use
    TScreenSaverInhibitor* screenSaver_ = nullptr;
    QTimer* aspectTimer_ = nullptr;  // keeps the aspect ratio once a drag of the border rests
    TFileOps fileOps_;
    TSlideshow slideshow_;

    bool stayOnTop_ = true;
    int delay_ = 5;
    int sizeMode_ = smAllowSizing;
    bool refitAfterRestore_ = false;
    bool changingFlags_ = false;  // the window is hidden and shown again to take new flags
    QRect lastFrame_;             // the frame before the resize under way
    QRect dragStart_;             // the frame when the user began dragging a border
};

class TViewers : public QObject {
public:
    explicit TViewers(const TSettings& settings);
    ~TViewers() override;

    // The first viewer, and the additional ones in creation order.
    TViewForm* ViewForm() const { return viewForm_; }
    QList<TViewForm*> ExtraViewers() const;

    // Opens a file in the window "View.MaxForms" chooses.
    void ShowImage(const QString& fileName);
    // Runs a slideshow in the first viewer: the additional windows close, a running show stops.
    // An empty sequence does nothing.
    void StartSlideshow(std::unique_ptr<TSimpleFileNameList> list);
    // After the options dialog: the first viewer takes the stay-on-top setting and the delay.
    void ApplyOptions();
    // Stay-on-top and delay of the first viewer into the settings.
    void CollectSettings(TSettings& settings) const;

private:
    friend class TViewForm;
    // A viewer closes: an additional one is freed; the first one hides, or, while additional ones
    // are open, is freed and the oldest additional one takes its place.
    void FormClose(TViewForm* form);
    TViewForm* NewViewer();

    const TSettings& settings_;
    TViewForm* viewForm_ = nullptr;
    QList<QPointer<TViewForm>> extras_;
    int nextReuse_ = -1;
};

}  // namespace pixmarl
