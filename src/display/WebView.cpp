#include "WebView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "display/WebViewTexts.h"
#include "navigation/DirImages.h"
#include "navigation/MyComputer.h"

namespace pixmarl {

namespace {

constexpr int kInitialWidth = 162;
constexpr int kMargin = 16;
constexpr int kFolderIconSide = 32;
const QString kShowLink = QStringLiteral("show");
const QString kPropertiesLink = QStringLiteral("properties");

QLabel* NewLabel(QWidget* parent, const QString& text = QString())
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* NewLink(QWidget* parent, const QString& link, const QString& caption)
{
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(link, caption), parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->hide();
    return label;
}

}  // namespace

TWebView::TWebView(QWidget* parent)
    : QScrollArea(parent),
      timer_(new QTimer(this)),
      worker_(std::make_unique<TRequestWorker<QString, TPreview>>(
          [](const QString& fileName) {
              return pixmarl::MakePreview(fileName, QSize(kPreviewSide, kPreviewSide));
          },
          [this](const TPreview& preview, quint64 generation) { Previewed(preview, generation); }))
{
    setObjectName(QStringLiteral("WebView"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    resize(kInitialWidth, height());
    auto* page = new QWidget(this);
    page->setBackgroundRole(QPalette::Base);
    page->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(kMargin, kMargin, kMargin / 2, kMargin);
    layout->setSpacing(2);

    folderIcon_ = NewLabel(page);
    title_ = NewLabel(page);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2);
    title_->setFont(titleFont);
    title_->setWordWrap(true);
    auto* separator = new QFrame(page);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    hint_ = NewLabel(page, QStringLiteral("Please select a\nfile to show\nthe preview."));
    name_ = NewLabel(page);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    name_->setWordWrap(true);
    size_ = NewLabel(page);
    info_ = NewLabel(page);
    preview_ = NewLabel(page);
    preview_->setObjectName(QStringLiteral("Preview"));
    preview_->setFixedSize(kPreviewSide, kPreviewSide);
    preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    preview_->setCursor(Qt::PointingHandCursor);
    preview_->installEventFilter(this);
    show_ = NewLink(page, kShowLink, QStringLiteral("Show"));
    properties_ = NewLink(page, kPropertiesLink, QStringLiteral("Properties"));
    for (QLabel* link : {show_, properties_})
        connect(link, &QLabel::linkActivated, this, &TWebView::LinkActivated);

    layout->addWidget(folderIcon_);
    layout->addWidget(title_);
    layout->addSpacing(8);
    layout->addWidget(separator);
    layout->addSpacing(12);
    layout->addWidget(hint_);
    layout->addWidget(name_);
    layout->addWidget(size_);
    layout->addWidget(info_);
    layout->addSpacing(12);
    layout->addWidget(preview_);
    layout->addSpacing(12);
    auto* links = new QHBoxLayout;
    links->setSpacing(kMargin);
    links->addWidget(show_);
    links->addWidget(properties_);
    links->addStretch();
    layout->addLayout(links);
    layout->addStretch();
    setWidget(page);

    timer_->setInterval(kTimerMs);
    connect(timer_, &QTimer::timeout, this, &TWebView::TimerTick);
    ClearFile();
}

TWebView::~TWebView() = default;

void TWebView::ShowFolder(const QString& folder, bool isRoot)
{
    const TDrive* drive = isRoot && computer_ ? computer_->Drive(folder) : nullptr;
    QIcon icon = DirImage(drive ? drive->ImageIndex() : kClosedFolderImage);
    const QSize large(kFolderIconSide, kFolderIconSide);
    if (icon.actualSize(large).width() < kFolderIconSide)  // no icon theme with large icons
        icon = style()->standardIcon(isRoot ? QStyle::SP_DriveHDIcon : QStyle::SP_DirIcon);
    folderIcon_->setPixmap(icon.pixmap(large));
    title_->setText(PreviewTitle(folder, isRoot, drive ? drive->Name() : QString()));
    ensureVisible(0, 0);
    fileName_.clear();
    ClearFile();
}

void TWebView::ShowFile(const QString& fileName, qint64 fileSize)
{
    if (!isVisible())
        return;
    fileName_ = fileName;
    fileSize_ = fileSize;
    if (fileName.isEmpty()) {
        ClearFile();
        return;
    }
    if (!timer_->isActive())
        timer_->start();
    pending_ = true;
    requested_.start();
}

void TWebView::ClearFile()
{
    pending_ = false;
    ++generation_;
    worker_->DropPending();
    name_->hide();
    hint_->show();
    preview_->clear();
    for (QLabel* label : {preview_, show_, properties_, size_, info_})
        label->hide();
}

bool TWebView::Due() const
{
    return pending_ && requested_.elapsed() >= kSettleMs;
}

void TWebView::TimerTick()
{
    if (Due())
        MakePreview();
}

void TWebView::MakePreview()
{
    pending_ = false;
    hint_->hide();
    const qsizetype slash = fileName_.lastIndexOf(QLatin1Char('/'));
    name_->setText(fileName_.mid(slash + 1));
    name_->show();
    size_->setText(PreviewSizeText(fileSize_));
    size_->setVisible(fileSize_ >= 0);
    for (QLabel* label : {preview_, show_, properties_, info_})
        label->hide();
    ++previewsMade_;
    worker_->DropPending();
    worker_->Request(fileName_, ++generation_);
}

void TWebView::Previewed(const TPreview& preview, quint64 generation)
{
    if (generation != generation_)
        return;
    const bool shown = !preview.Preview.isNull();
    preview_->setPixmap(shown ? QPixmap::fromImage(preview.Preview) : QPixmap());
    preview_->setVisible(shown);
    show_->setVisible(shown);
    properties_->show();
    info_->setText(PreviewInfoText(shown ? preview.ImageSize : QSize()));
    info_->show();
}

void TWebView::hideEvent(QHideEvent* event)
{
    QScrollArea::hideEvent(event);
    if (Due())
        MakePreview();
    timer_->stop();
}

bool TWebView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == preview_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit OnShowImage(fileName_, faShow);
        return true;
    }
    return QScrollArea::eventFilter(watched, event);
}

void TWebView::LinkActivated(const QString& link)
{
    emit OnShowImage(fileName_, link == kPropertiesLink ? faProperties : faShow);
}

}  // namespace pixmarl
