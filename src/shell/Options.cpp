#include "Options.h"

#include <iterator>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/Settings.h"

namespace pixmarl {
namespace {

constexpr int kClientWidth = 426;
constexpr int kClientHeight = 411;

struct TFormatBox {
    const char* Name;
    const char* Caption;
    TImageFormat Format;
};

constexpr TFormatBox kFormatBoxes[] = {
    {"JPEG", "&JPEG Format Image Files", ifJPEG},
    {"GIF", "Compuserve &GIF", ifGIF},
    {"BMP", "Windows &Bitmaps (BMP)", ifBMP},
    {"ICO", "Windows &Icons (ICO)", ifICO},
    {"TIFF", "&Tagged Image Files (TIF)", ifTIFF},
    {"AVI", "&AVI", ifAVI},
    {"PNG", "&PNG Images", ifPNG},
    {"WebP", "&WebP Images", ifWebP},
};

struct TThumbOptionBox {
    const char* Name;
    const char* Caption;
    std::uint8_t Bit;
};

constexpr TThumbOptionBox kThumbOptionBoxes[] = {
    {"NoSizeSmall", "Don't size small images", toNoSizeSmall},
    {"SpeedyThumbs", "JPEG thumbnails: quicker extraction, lower quality", toSpeedy},
    {"GrayScale", "JPEG thumbnails: create in grayscale (faster)", toGrayScale},
};

static_assert(std::size(kFormatBoxes) == kImageFormatCount - 1 &&
              std::size(kThumbOptionBoxes) == 3);

struct TRange {
    int Min;
    int Max;
    int Step;
};

constexpr TRange kThumbCountRange{25, 1000, 5};
constexpr TRange kViewFormCountRange{2, 255, 1};
constexpr TRange kDelayRange{1, 600, 2};

QSpinBox* MakeUpDown(QWidget* parent, const char* name, TRange range)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(range.Min, range.Max);
    spin->setSingleStep(range.Step);
    return spin;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch(1);
    return row;
}

// A tab page: the widgets from the top down.
QWidget* Column(std::initializer_list<QWidget*> widgets)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch(1);
    return page;
}

}  // namespace

TOptionen::TOptionen(TSettings& settings, bool highColor, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      highColor_(highColor),
      uninstallerPath_(QDir(QCoreApplication::applicationDirPath())
                           .filePath(QStringLiteral("pixmarl-uninstall")))
{
    setWindowTitle(tr("Options"));

    tabs_ = new QTabWidget(this);
    tabs_->addTab(Column({BuildFormatsGroup(), BuildFoldersGroup()}), tr("Files"));
    tabs_->addTab(Column({BuildThumbnailsGroup(), BuildViewerGroup(), BuildSlideshowGroup()}),
                  tr("View"));
    tabs_->addTab(BuildUninstallTab(), QStringLiteral("De-installation"));

    // The cancel caption stays as the window was designed.
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TOptionen::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TOptionen::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    // Grows where the fonts need more room than the window was designed with.
    setFixedSize(QSize(kClientWidth, kClientHeight).expandedTo(minimumSizeHint()));
}

QCheckBox* TOptionen::AddCheckBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QGroupBox* TOptionen::BuildFormatsGroup()
{
    auto* group = new QGroupBox(tr("Show Formats"));
    auto* grid = new QGridLayout(group);
    for (size_t i = 0; i < std::size(kFormatBoxes); ++i) {
        formatBoxes_[i] = AddCheckBox(group, kFormatBoxes[i].Name, kFormatBoxes[i].Caption);
        grid->addWidget(formatBoxes_[i], int(i / 2), int(i % 2));
    }
    return group;
}

QGroupBox* TOptionen::BuildFoldersGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Verzeichnisse"));
    saveDir_ = AddCheckBox(group, "SaveDir", tr("Save Start Folder"));
    startDirPanel_ = new QWidget(group);
    startDirPanel_->setObjectName(QStringLiteral("StartDirPanel"));
    lastDir_ = new QRadioButton(tr("Start with last opened folder"), startDirPanel_);
    lastDir_->setObjectName(QStringLiteral("LastDir"));
    fixedDir_ = new QRadioButton(tr("Select Start folder:"), startDirPanel_);
    fixedDir_->setObjectName(QStringLiteral("FixedDir"));
    startDir_ = new QLineEdit(startDirPanel_);
    startDir_->setObjectName(QStringLiteral("StartDir"));
    startDir_->installEventFilter(this);
    auto* panelLayout = new QVBoxLayout(startDirPanel_);
    panelLayout->setContentsMargins(20, 0, 0, 0);
    panelLayout->addWidget(lastDir_);
    panelLayout->addWidget(fixedDir_);
    panelLayout->addWidget(startDir_);
    connect(saveDir_, &QCheckBox::toggled, startDirPanel_, &QWidget::setEnabled);
    saveFavorites_ = AddCheckBox(group, "SaveFavorites", tr("Save Favorites"));

    auto* layout = new QVBoxLayout(group);
    layout->addWidget(saveDir_);
    layout->addWidget(startDirPanel_);
    layout->addWidget(saveFavorites_);
    return group;
}

QGroupBox* TOptionen::BuildThumbnailsGroup()
{
    auto* group = new QGroupBox(tr("Thumbnails"));
    group->setObjectName(QStringLiteral("Thumbnails"));
    thumbCount_ = MakeUpDown(group, "ThumbCount", kThumbCountRange);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(Row({new QLabel(tr("Create"), group), thumbCount_,
                           new QLabel(tr("thumbnails maximal"), group)}));
    for (size_t i = 0; i < std::size(kThumbOptionBoxes); ++i) {
        thumbOptionBoxes_[i] =
            AddCheckBox(group, kThumbOptionBoxes[i].Name, tr(kThumbOptionBoxes[i].Caption));
        layout->addWidget(thumbOptionBoxes_[i]);
    }
    shareThumbs_ = AddCheckBox(group, "ShareThumbs", tr("Share thumbnails with other programs"));
    layout->addWidget(shareThumbs_);
    return group;
}

QGroupBox* TOptionen::BuildViewerGroup()
{
    auto* group = new QGroupBox(tr("Image View Window"));
    group->setObjectName(QStringLiteral("ViewWin"));
    viewForms_ = AddCheckBox(group, "ViewForms", tr("Open more than one window, max.:"));
    viewFormCount_ = MakeUpDown(group, "ViewFormCount", kViewFormCountRange);
    // Typing a count means the user wants more windows.
    if (auto* edit = viewFormCount_->findChild<QLineEdit*>()) {
        connect(edit, &QLineEdit::textEdited, viewForms_, [this] { viewForms_->setChecked(true); });
    }
    foregr_ = AddCheckBox(group, "Foregr", tr("Always stay on top"));
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(Row({viewForms_, viewFormCount_}));
    layout->addWidget(foregr_);
    return group;
}

QGroupBox* TOptionen::BuildSlideshowGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Slideshow"));
    delay_ = MakeUpDown(group, "DelayUpDn", kDelayRange);
    repeatShow_ = AddCheckBox(group, "RepeatShow", tr("Repeat"));
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(Row({new QLabel(tr("Continue automatically after:"), group), delay_,
                           new QLabel(QStringLiteral("sec."), group)}));
    layout->addWidget(repeatShow_);
    return group;
}

QWidget* TOptionen::BuildUninstallTab()
{
    auto* group = new QGroupBox(QStringLiteral("Uninstall the Pixmarl"));
    auto* label = new QLabel(
        QStringLiteral("The uninstaller removes Pixmarl from this computer. Pixmarl closes "
                       "when the uninstaller starts."),
        group);
    label->setWordWrap(true);
    auto* button = new QPushButton(QStringLiteral("&Uninstall..."), group);
    button->setObjectName(QStringLiteral("UninstallBtn"));
    connect(button, &QPushButton::clicked, this, &TOptionen::UninstallClick);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(label);
    layout->addLayout(Row({button}));
    return Column({group});
}

void TOptionen::showEvent(QShowEvent* event)
{
    if (!filled_) {
        filled_ = true;
        if (OnCollectSettings)
            OnCollectSettings();
        FillControls();
        tabs_->setCurrentIndex(0);
        if (QScreen* s = screen())
            move(s->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

bool TOptionen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == startDir_ && event->type() == QEvent::FocusIn)
        fixedDir_->setChecked(true);
    return QDialog::eventFilter(watched, event);
}

void TOptionen::FillControls()
{
    for (size_t i = 0; i < std::size(kFormatBoxes); ++i)
        formatBoxes_[i]->setChecked(settings_.ImageFormats.Contains(kFormatBoxes[i].Format));
    saveDir_->setChecked(settings_.SaveStartDir());
    startDirPanel_->setEnabled(settings_.SaveStartDir());
    lastDir_->setChecked(settings_.StartWithLastDir());
    fixedDir_->setChecked(!settings_.StartWithLastDir());
    startDir_->setText(settings_.StartDir);
    saveFavorites_->setChecked(settings_.SaveFavorites);

    thumbCount_->setValue(settings_.ThumbCount);
    for (size_t i = 0; i < std::size(kThumbOptionBoxes); ++i)
        thumbOptionBoxes_[i]->setChecked((settings_.ThumbOptions & kThumbOptionBoxes[i].Bit) != 0);
    shareThumbs_->setChecked(settings_.ThumbShare);
    const bool moreWindows = settings_.ViewMaxForms >= 2;
    viewForms_->setChecked(moreWindows);
    viewFormCount_->setValue(moreWindows ? settings_.ViewMaxForms + 1 : kViewFormCountRange.Min);
    foregr_->setChecked(settings_.ViewStayOnTop);
    delay_->setValue(settings_.ViewDelayTime);
    repeatShow_->setChecked(settings_.RepeatShow);
}

void TOptionen::CopyBack()
{
    TImageFormats formats;
    for (size_t i = 0; i < std::size(kFormatBoxes); ++i) {
        if (formatBoxes_[i]->isChecked())
            formats.Include(kFormatBoxes[i].Format);
    }
    settings_.ImageFormats = formats;
    settings_.SetSaveStartDir(saveDir_->isChecked());
    settings_.SetStartWithLastDir(lastDir_->isChecked());
    if (fixedDir_->isChecked())
        settings_.StartDir = startDir_->text();
    settings_.SaveFavorites = saveFavorites_->isChecked();

    settings_.ThumbCount = thumbCount_->value();
    std::uint8_t options = 0;
    for (size_t i = 0; i < std::size(kThumbOptionBoxes); ++i) {
        if (thumbOptionBoxes_[i]->isChecked())
            options |= kThumbOptionBoxes[i].Bit;
    }
    settings_.ThumbOptions = options;
    settings_.ThumbShare = shareThumbs_->isChecked();
    settings_.ViewMaxForms =
        viewForms_->isChecked() ? std::uint8_t(viewFormCount_->value() - 1) : std::uint8_t(1);
    settings_.ViewStayOnTop = foregr_->isChecked();
    settings_.ViewDelayTime = delay_->value();
    settings_.RepeatShow = repeatShow_->isChecked();
    settings_.UpdateThumbGray(highColor_);
}

void TOptionen::accept()
{
    CopyBack();
    QDialog::accept();
}

void TOptionen::done(int result)
{
    QDialog::done(result);
    if (result == QDialog::Accepted && OnApplyOptions)
        OnApplyOptions();
}

void TOptionen::UninstallClick()
{
    const auto answer = QMessageBox::question(this, QStringLiteral("Confirm"),
                                              QStringLiteral("Execute the Uninstaller?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    reject();
    if (QProcess::startDetached(uninstallerPath_, {})) {
        if (OnUninstallStarted)
            OnUninstallStarted();
        return;
    }
    QMessageBox::information(parentWidget(), QStringLiteral("Pixmarl"),
                             QStringLiteral("Uninstaller cannot be found."));
}

}  // namespace pixmarl
