#include "ImgWin.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "display/ImgFiles.h"
#include "display/ScreenSavers.h"
#include "display/SlideCtrls.h"
#include "display/ViewRules.h"
#include "fileops/FileOpDialogs.h"
#include "fileops/OLE2.h"
#include "shell/Info.h"
#include "shell/Settings.h"
#include "shell/SizeGrips.h"

namespace pixmarl {

namespace {

constexpr QSize kInitialSize(435, 294);
constexpr int kGripSide = 19;
constexpr int kAspectSettleMs = 200;

// The first file of this machine a drag carries, or an empty string.
QString FirstLocalFile(const QMimeData* mime)
{
    if (mime == nullptr)
        return QString();
    const QStringList files = LocalFilesOf(mime->urls());
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

TViewForm::TViewForm(TViewers& owner, const TSettings& settings)
    : QWidget(nullptr, Qt::Window), owner_(owner)
{
    setObjectName(QStringLiteral("ViewForm"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    resize(kInitialSize);
    setAcceptDrops(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    imageFile_ = new TImageFile(this);
    imageFile_->setObjectName(QStringLiteral("ImageFile"));
    imageFile_->SetCenter(true);
    imageFile_->SetAutoSize(true);
    imageFile_->SetStretch(true);
    imageFile_->SetColor(Qt::black);
    imageFile_->setMouseTracking(true);
    connect(imageFile_, &TImageFile::OnGetImageSize, this, &TViewForm::ImageFileGetImageSize);

    sizeGrip_ = new TSizeGrip(this);
    sizeGrip_->setObjectName(QStringLiteral("SizeGrip"));
    sizeGrip_->SetGripSize(kGripSide);
    sizeGrip_->SetTransparent(false);
    BuildMenu();
    slideCtrl_ = new TSlideCtrl(this);
    screenSaver_ = new TScreenSaverInhibitor(this);
    InstallFileOpDialogs(fileOps_, this);
    aspectTimer_ = new QTimer(this);
    aspectTimer_->setSingleShot(true);
    aspectTimer_->setInterval(kAspectSettleMs);
    connect(aspectTimer_, &QTimer::timeout, this, &TViewForm::KeepAspect);

    slideshow_.OnLoad = [this](const QString& fileName) { LoadFile(fileName); };
    slideshow_.OnTimer = [this] { slideCtrl_->hide(); };
    slideshow_.OnRunOut = [this] { close(); };
    slideshow_.OnActiveChange = [this](bool active) { screenSaver_->SetInhibited(active); };

    delay_ = settings.ViewDelayTime;
    stayOnTop_ = !settings.ViewStayOnTop;
    SetStayOnTop(settings.ViewStayOnTop);
}

TViewForm::~TViewForm()
{
    slideshow_.Clear();
}

void TViewForm::BuildMenu()
{
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    const auto add = [this](const char* name, const QString& caption, auto slot) {
        QAction* action = popupMenu_->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("Vollbild1", QStringLiteral("Full Screen"), [this] { EnterFullScreen(); });
    add("Wiederherstellen1", QStringLiteral("Restore"), [this] {
        if (isFullScreen())
            LeaveFullScreen();
    });
    add("Originalgre1", QStringLiteral("Original size"), [this] {
        if (isFullScreen())
            LeaveFullScreen();
        FitToImage();
    });
    popupMenu_->addSeparator();
    auto* modes = new QActionGroup(this);
    const char* const modeNames[] = {"AllowSizingItem", "ImmerOriginalgre1", "ImmerFenstergre1"};
    const QString modeCaptions[] = {QStringLiteral("Allow sizing"),
                                    QStringLiteral("Image in original size"),
                                    QStringLiteral("Image in window size")};
    for (int mode = smAllowSizing; mode <= smWindowSize; ++mode) {
        QAction* item =
            add(modeNames[mode], modeCaptions[mode], [this, mode] { SetSizeMode(mode); });
        item->setCheckable(true);
        item->setChecked(mode == sizeMode_);
        modes->addAction(item);
    }
    popupMenu_->addSeparator();
    add("DelItem", QStringLiteral("&Delete"), [this] { DeleteShownFile(); });
    add("Eigenschaften1", QStringLiteral("Properties"), [this] { ShowProperties(); });
    popupMenu_->addSeparator();
    add("ForegroundItem", QStringLiteral("Stay on top"), [this] {
        SetStayOnTop(!stayOnTop_);
    })->setCheckable(true);
    add("Schlieen1", QStringLiteral("&Close"), [this] { close(); });
    // Let go of a held slideshow step after the chosen command has run.
    connect(popupMenu_, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, [this] { slideshow_.Release(); }); });
}

QAction* TViewForm::MenuItem(const char* name) const
{
    return popupMenu_->findChild<QAction*>(QLatin1String(name));
}

void TViewForm::LoadFile(const QString& fileName)
{
    sizeGrip_->hide();
    if (isFullScreen())
        refitAfterRestore_ = true;
    if (fileName == imageFile_->FileName() && !imageFile_->Loading()) {
        setWindowTitle(fileName);
    } else {
        setWindowTitle(QStringLiteral("Lade ") + fileName);
        setCursor(Qt::BusyCursor);
        imageFile_->SetFitRoom(sizeMode_ == smAllowSizing && !isFullScreen() ? ClientRoom()
                                                                             : QSize());
        imageFile_->SetFileName(fileName);
    }
    show();
}

void TViewForm::ImageFileGetImageSize()
{
    unsetCursor();
    setWindowTitle(imageFile_->FileName());
    FitToImage();
    imageFile_->setGeometry(rect());  // the control fills the window whatever AutoSize did
}

// The largest client area the window can have on its screen.
QSize TViewForm::ClientRoom() const
{
    const QScreen* shown = screen();
    if (shown == nullptr)
        return QSize();
    return shown->availableGeometry().size() - (frameGeometry().size() - size());
}

void TViewForm::FitToImage()
{
    if (isFullScreen() || sizeMode_ == smWindowSize)
        return;
    const QSize client =
        FitClientToImage(QSize(imageFile_->ImageWidth(), imageFile_->ImageHeight()), ClientRoom());
    if (client.isEmpty())
        return;
    if (sizeMode_ == smOriginalSize)
        setFixedSize(client);
    else
        resize(client);
}

void TViewForm::SetSizeMode(int mode)
{
    if (mode == sizeMode_ || mode < smAllowSizing || mode > smWindowSize)
        return;
    sizeMode_ = mode;
    const char* const names[] = {"AllowSizingItem", "ImmerOriginalgre1", "ImmerFenstergre1"};
    MenuItem(names[mode])->setChecked(true);
    imageFile_->SetStretch(mode != smOriginalSize);
    ApplyBorder();
    if (mode == smOriginalSize && !isFullScreen())
        FitToImage();
}

// Original size has a fixed border; the other modes may be sized.
void TViewForm::ApplyBorder()
{
    if (isFullScreen())
        return;
    if (sizeMode_ == smOriginalSize) {
        setFixedSize(size());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void TViewForm::SetStayOnTop(bool stayOnTop)
{
    if (stayOnTop == stayOnTop_)
        return;
    stayOnTop_ = stayOnTop;
    MenuItem("ForegroundItem")->setChecked(stayOnTop);
    // New window flags take effect by hiding and showing the window again.
    const bool visible = isVisible();
    changingFlags_ = true;
    setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop);
    if (visible)
        show();
    changingFlags_ = false;
}

void TViewForm::EnterFullScreen()
{
    refitAfterRestore_ = false;
    sizeGrip_->hide();  // a full-screen window cannot be sized
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
}

void TViewForm::LeaveFullScreen()
{
    showNormal();
    ApplyBorder();
    if (refitAfterRestore_ && sizeMode_ == smAllowSizing)
        FitToImage();
}

void TViewForm::Escape()
{
    if (isFullScreen())
        LeaveFullScreen();
    else if (!isMinimized())
        close();
}

void TViewForm::DeleteShownFile()
{
    const QString fileName = imageFile_->FileName();
    if (fileName.isEmpty())
        return;
    // No step while the user answers: the entry that leaves must be the deleted file's.
    slideshow_.Hold();
    const bool deleted = fileOps_.DeleteFiles({fileName});
    if (deleted && slideshow_.CurrentFile() == fileName)
        slideshow_.RemoveCurrent();
    slideshow_.Release();
}

void TViewForm::ShowProperties()
{
    const QString fileName = imageFile_->FileName();
    if (fileName.isEmpty())
        return;
    if (fileInfo_ == nullptr)
        fileInfo_ = new TFileInfo(this);
    fileInfo_->ShowFileInfo(fileName);
}

void TViewForm::StartSlideshow(std::unique_ptr<TSimpleFileNameList> list, int delayTime,
                               bool repeat)
{
    delay_ = delayTime;
    slideshow_.Start(std::move(list), delay_, repeat);
}

void TViewForm::CloseSlideshow()
{
    slideshow_.StopSlideshow();
    hide();
}

void TViewForm::closeEvent(QCloseEvent* event)
{
    imageFile_->SetFileName(QString());
    owner_.FormClose(this);
    event->accept();
}

// A hidden viewer holds no image and no slideshow.
void TViewForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous() || changingFlags_)
        return;
    imageFile_->SetFileName(QString());
    slideshow_.Clear();
    slideCtrl_->hide();
    unsetCursor();
}

void TViewForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    imageFile_->setGeometry(rect());
    const bool userSizing = event->spontaneous() && !isFullScreen() && sizeMode_ != smWindowSize &&
                            !imageFile_->Empty();
    if (userSizing) {
        if (!aspectTimer_->isActive())
            dragStart_ = lastFrame_;
        aspectTimer_->start();
    }
    lastFrame_ = frameGeometry();
}

void TViewForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (!aspectTimer_->isActive())
        lastFrame_ = frameGeometry();
}

// Once the user has let go of a border, the window takes the image's aspect ratio keeping the
// dragged area; the edges opposite the dragged ones stay.
void TViewForm::KeepAspect()
{
    const QRect frame = frameGeometry();
    const int edge = DraggedEdge(dragStart_, frame);
    if (edge == 0 || isFullScreen() || sizeMode_ == smWindowSize || imageFile_->Empty())
        return;
    const QRect client = geometry();
    const QRect sized = AspectSizing(frame, edge, frame.size() - client.size(),
                                     QSize(imageFile_->ImageWidth(), imageFile_->ImageHeight()));
    setGeometry(sized.adjusted(client.left() - frame.left(), client.top() - frame.top(),
                               client.right() - frame.right(), client.bottom() - frame.bottom()));
}

void TViewForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Maximizing (the button, a double click on the caption) goes full screen.
    if (event->type() == QEvent::WindowStateChange && isMaximized() && !isFullScreen())
        QTimer::singleShot(0, this, [this] { EnterFullScreen(); });
}

void TViewForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Escape();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TViewForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && slideshow_.Active()) {
        slideshow_.Hold();
        slideCtrl_->ShowAtMouse(event->position().toPoint());
        return;
    }
    QWidget::mousePressEvent(event);
}

void TViewForm::mouseMoveEvent(QMouseEvent* event)
{
    UpdateSizeGrip(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void TViewForm::UpdateSizeGrip(const QPoint& pos)
{
    const QRect corner(width() - kGripSide, height() - kGripSide, kGripSide, kGripSide);
    if (!isFullScreen() && sizeMode_ == smAllowSizing && corner.contains(pos))
        sizeGrip_->ShowGrip();
    else if (!sizeGrip_->MouseIn())
        sizeGrip_->hide();
}

void TViewForm::contextMenuEvent(QContextMenuEvent* event)
{
    OpenMenu(event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(0, 0))
                                                            : event->globalPos());
}

void TViewForm::OpenMenu(const QPoint& globalPos)
{
    MenuItem("ForegroundItem")->setChecked(stayOnTop_);
    slideshow_.Hold();
    popupMenu_->popup(globalPos);
}

// Drops copy: the source never deletes the original because of one.
void TViewForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (FirstLocalFile(event->mimeData()).isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TViewForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (FirstLocalFile(event->mimeData()).isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TViewForm::dropEvent(QDropEvent* event)
{
    const QString fileName = FirstLocalFile(event->mimeData());
    if (fileName.isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    LoadFile(fileName);
}

TViewers::TViewers(const TSettings& settings) : settings_(settings)
{
    viewForm_ = new TViewForm(*this, settings_);
    if (const QScreen* screen = viewForm_->screen()) {
        QRect frame = viewForm_->geometry();
        frame.moveCenter(screen->availableGeometry().center());
        viewForm_->move(frame.topLeft());
    }
}

TViewers::~TViewers()
{
    for (const QPointer<TViewForm>& extra : extras_)
        delete extra.data();
    delete viewForm_;
}

QList<TViewForm*> TViewers::ExtraViewers() const
{
    QList<TViewForm*> viewers;
    for (const QPointer<TViewForm>& extra : extras_)
        if (extra)
            viewers.append(extra.data());
    return viewers;
}

TViewForm* TViewers::NewViewer()
{
    auto* form = new TViewForm(*this, settings_);
    extras_.append(form);
    return form;
}

void TViewers::ShowImage(const QString& fileName)
{
    extras_.removeAll(nullptr);
    const TViewerChoice choice = ChooseViewer(settings_.ViewMaxForms, viewForm_->isVisible(),
                                              int(extras_.size()), nextReuse_);
    nextReuse_ = choice.NextReuse;
    TViewForm* form = choice.Create      ? NewViewer()
                      : choice.Extra < 0 ? viewForm_
                                         : extras_[choice.Extra].data();
    form->LoadFile(fileName);
}

void TViewers::StartSlideshow(std::unique_ptr<TSimpleFileNameList> list)
{
    if (!list || list->Count() == 0)
        return;
    const QList<TViewForm*> extras = ExtraViewers();
    for (auto it = extras.crbegin(); it != extras.crend(); ++it)
        (*it)->close();
    viewForm_->Slideshow().StopSlideshow();
    viewForm_->StartSlideshow(std::move(list), settings_.ViewDelayTime, settings_.RepeatShow);
    viewForm_->show();
}

void TViewers::ApplyOptions()
{
    viewForm_->SetStayOnTop(settings_.ViewStayOnTop);
    viewForm_->SetDelay(settings_.ViewDelayTime);
}

void TViewers::CollectSettings(TSettings& settings) const
{
    settings.ViewStayOnTop = viewForm_->StayOnTop();
    settings.ViewDelayTime = viewForm_->Delay();
}

void TViewers::FormClose(TViewForm* form)
{
    extras_.removeAll(nullptr);
    if (form != viewForm_) {
        extras_.removeAll(form);
        form->deleteLater();
        return;
    }
    if (extras_.isEmpty())
        return;
    viewForm_ = extras_.takeFirst().data();
    form->deleteLater();
}

}  // namespace pixmarl
