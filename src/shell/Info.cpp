#include "Info.h"

#include <iterator>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "formats/InfoReads.h"
#include "formats/RdJPGH.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"
#include "platform/WorkerRuns.h"

namespace pixmarl {

// A one-line label that shows a text too long for it shortened in the middle, the whole text as
// its tool tip, so that long names and folders never widen the fixed dialog.
class TElidedLabel : public QLabel {
public:
    explicit TElidedLabel(QWidget* parent) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    void SetFullText(const QString& text)
    {
        full_ = text;
        Elide();
    }
    const QString& FullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide()
    {
        const QString shown =
            fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width());
        setText(shown);
        setToolTip(shown == full_ ? QString() : full_);
    }
    QString full_;
};

namespace {

constexpr int kClientWidth = 352;
constexpr int kClientHeight = 383;
constexpr int kIconSize = 32;
constexpr int kStdFirstColumn = 110;
constexpr int kUniFirstColumn = 75;
const QString kUnknown = QStringLiteral("unknown");

struct TAttributeBox {
    const char* Name;
    const char* Caption;
    int Bit;
};

// In the order of the page: two columns, read-only and hidden first.
constexpr TAttributeBox kAttributeBoxes[] = {
    {"ReadOnlyChk", "&Read only", faReadOnly},
    {"HiddenChk", "&Hidden", faHidden},
    {"ArchiveChk", "&Archive", faArchive},
    {"SystemChk", "&System", faSysFile},
};

QFrame* Separator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A time: selectable like the text of an edit, aligned like the labels beside it.
QLabel* TimeLabel(const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QTreeWidget* PropList(const char* name, const QStringList& headers, int firstWidth)
{
    auto* list = new QTreeWidget;
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(headers);
    list->setColumnWidth(0, firstWidth);
    list->header()->setStretchLastSection(true);
    return list;
}

int TextGap(const QWidget* widget)
{
    return widget->fontMetrics().horizontalAdvance(QStringLiteral("   "));
}

// Rows with the whole value as tool tip; the property column as designed, or wider when a
// caption needs it.
void FillPropList(QTreeWidget* list, const TPropRows& rows, int firstWidth)
{
    list->clear();
    for (const TPropRow& row : rows) {
        auto* item = new QTreeWidgetItem(list, {row.Property, row.Value});
        item->setToolTip(1, row.Value);
    }
    list->resizeColumnToContents(0);
    list->setColumnWidth(0, std::max(firstWidth, list->columnWidth(0) + TextGap(list)));
}

// Wide enough for the longest caption and value a header report has.
int HeaderListWidth(const QWidget* list)
{
    const QFontMetrics metrics = list->fontMetrics();
    return metrics.horizontalAdvance(QStringLiteral("Planar Configuration")) +
           metrics.horizontalAdvance(JpegProcessName(0xCE)) + 3 * TextGap(list) +
           list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

template <class T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QIcon FileIcon(const TFileInfoData& info)
{
    QIcon icon = QIcon::fromTheme(info.IconName);
    if (icon.isNull())
        icon = QIcon::fromTheme(info.GenericIconName);
    if (icon.isNull())
        icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    return icon;
}

}  // namespace

TFileInfo::TFileInfo(QWidget* parent) : QDialog(parent)
{
    setWindowModality(Qt::ApplicationModal);
    tabs_ = new QTabWidget(this);
    generalPage_ = BuildGeneralPage();
    headerPage_ = BuildHeaderPage();
    errorPage_ = BuildErrorPage();
    tabs_->addTab(generalPage_, tr("General"));
    tabs_->addTab(headerPage_, tr("Header"));
    tabs_->addTab(errorPage_, tr("Error"));

    auto* buttons = new QDialogButtonBox(this);
    okBtn_ = Named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "OKBtn");
    okBtn_->setDefault(true);
    cancelBtn_ = Named(buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole), "CancelBtn");
    applyBtn_ = Named(buttons->addButton(tr("A&pply"), QDialogButtonBox::ApplyRole), "ApplyBtn");
    connect(okBtn_, &QPushButton::clicked, this, &TFileInfo::accept);
    connect(cancelBtn_, &QPushButton::clicked, this, &TFileInfo::reject);
    connect(applyBtn_, &QPushButton::clicked, this, &TFileInfo::ApplyBtnClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    setFixedSize(QSize(kClientWidth, kClientHeight).expandedTo(minimumSizeHint()));
}

TFileInfo::~TFileInfo() = default;

QWidget* TFileInfo::BuildGeneralPage()
{
    auto* page = new QWidget;
    icon_ = Named(new QLabel(page), "Icon");
    icon_->setFixedSize(kIconSize, kIconSize);
    nameLbl_ = Named(new TElidedLabel(page), "NameLbl");
    fileTypeLbl_ = Named(new TElidedLabel(page), "FileTypeLbl");
    ortLbl_ = Named(new TElidedLabel(page), "OrtLbl");
    sizeLbl_ = Named(new QLabel(page), "SizeLbl");
    shortNameLbl_ = Named(new TElidedLabel(page), "ShortNameLbl");
    createEdit_ = TimeLabel("CreateEdit");
    writeEdit_ = TimeLabel("WriteEdit");
    accessEdit_ = TimeLabel("AccessEdit");

    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    int row = 0;
    const auto add = [&](const QString& caption, QWidget* value) {
        auto* label = new QLabel(caption, page);
        label->setBuddy(value);
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row++, 1);
    };
    grid->addWidget(icon_, row, 0);
    grid->addWidget(nameLbl_, row++, 1);
    grid->addWidget(Separator(), row++, 0, 1, 2);
    add(tr("File type:"), fileTypeLbl_);
    add(tr("Location:"), ortLbl_);
    add(tr("Size:"), sizeLbl_);
    add(QStringLiteral("MS-DOS-Name:"), shortNameLbl_);
    grid->addWidget(Separator(), row++, 0, 1, 2);
    add(tr("Creation Time:"), createEdit_);
    add(tr("Last Change:"), writeEdit_);
    add(tr("Last Access:"), accessEdit_);
    grid->addWidget(Separator(), row++, 0, 1, 2);

    auto* boxes = new QGridLayout;
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i) {
        auto* box =
            Named(new QCheckBox(tr(kAttributeBoxes[i].Caption), page), kAttributeBoxes[i].Name);
        connect(box, &QCheckBox::clicked, this, [this] { MarkPending(kPendingAttributes); });
        attributeBoxes_[i] = box;
        boxes->addWidget(box, int(i / 2), int(i % 2));
    }
    // Level with the first row of boxes.
    auto* attributesLabel = new QLabel(tr("Attributes:"), page);
    attributesLabel->setMinimumHeight(attributeBoxes_[0]->sizeHint().height());
    grid->addWidget(attributesLabel, row, 0, Qt::AlignTop);
    grid->addLayout(boxes, row++, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TFileInfo::BuildHeaderPage()
{
    auto* page = new QWidget;
    propLabel_ = Named(new QLabel(page), "PropLabel");
    stdPropList_ = PropList("StdPropList", {tr("Property"), tr("Value")}, kStdFirstColumn);
    stdPropList_->setMinimumWidth(HeaderListWidth(stdPropList_));
    commentLabel_ = Named(new QLabel(page), "CommentLabel");
    commentLabel_->setText(tr("Comment"));
    com_ = Named(new QPlainTextEdit(page), "COM");
    com_->setLineWrapMode(QPlainTextEdit::NoWrap);
    com_->setTabChangesFocus(true);
    com_->installEventFilter(this);
    commentLabel_->setBuddy(com_);
    connect(com_, &QPlainTextEdit::textChanged, this, [this] {
        if (com_->document()->isModified())
            MarkPending(kPendingComment);
    });

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(propLabel_);
    layout->addWidget(stdPropList_, 2);
    layout->addWidget(commentLabel_);
    layout->addWidget(com_, 1);
    return page;
}

QWidget* TFileInfo::BuildErrorPage()
{
    auto* page = new QWidget;
    typeLabel_ = Named(new QLabel(page), "TypeLabel");
    auto* hint = Named(new QLabel(page), "HintText");
    hint->setText(tr("Perhaps the file is corrupt or\nit was saved with a wrong extension"));
    checkType_ = Named(new QPushButton(tr("Check Type"), page), "CheckType");
    connect(checkType_, &QPushButton::clicked, this, &TFileInfo::CheckTypeClick);
    resMemo_ = Named(new QPlainTextEdit(page), "ResMemo");
    resMemo_->setReadOnly(true);
    resMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // These column captions were never translated.
    uniPropList_ = PropList("UniPropList", {QStringLiteral("Eigenschaft"), QStringLiteral("Wert")},
                            kUniFirstColumn);

    auto* thisIsNoValid = Named(new QLabel(page), "ThisIsNoValid");
    thisIsNoValid->setText(tr("This is no valid"));
    auto* sentence = new QHBoxLayout;
    sentence->setSpacing(fontMetrics().horizontalAdvance(u' '));
    sentence->addWidget(thisIsNoValid);
    sentence->addWidget(typeLabel_, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(sentence);
    layout->addWidget(hint);
    layout->addWidget(checkType_, 0, Qt::AlignLeft);
    layout->addWidget(resMemo_, 1);
    layout->addWidget(uniPropList_, 1);
    layout->addStretch(0);
    return page;
}

void TFileInfo::ShowFileInfo(const QString& fileName)
{
    const quint64 generation = ++generation_;
    if (fileName.isEmpty())
        return;
    RunOnWorker<TFileInfoData>(
        this, [fileName] { return ReadFileInfoData(fileName); },
        [this, generation](TFileInfoData info) {
            if (generation == generation_)
                FormShow(info);
        });
}

void TFileInfo::FormShow(const TFileInfoData& info)
{
    fileName_ = info.FileName;
    format_ = info.Format;
    ChooseTabs(info.Header);
    propLabel_->setText(QLatin1String(FormatInfo(format_).LongName));
    FillGeneral(info);
    FillHeader(info.Header);
    if (tabs_->isTabVisible(tabs_->indexOf(errorPage_)))
        FillErrorPage();
    applyBtn_->setEnabled(false);
    pending_ = 0;
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        show();
    }
    okBtn_->setFocus();
}

void TFileInfo::ChooseTabs(const THeaderReport& header)
{
    QWidget* previous = tabs_->currentWidget();
    const bool headerShown = header.HasPage && header.Ok;
    const bool errorShown = header.HasPage && !header.Ok;
    // Switch first to a page that stays, so that hiding never moves to an arbitrary one.
    tabs_->setCurrentWidget(generalPage_);
    tabs_->setTabVisible(tabs_->indexOf(headerPage_), headerShown);
    tabs_->setTabVisible(tabs_->indexOf(errorPage_), errorShown);
    if (headerShown && previous != generalPage_)
        tabs_->setCurrentWidget(headerPage_);
    else if (errorShown && previous == errorPage_)
        tabs_->setCurrentWidget(errorPage_);
}

void TFileInfo::FillGeneral(const TFileInfoData& info)
{
    const QString name = ExtractFileName(info.FileName);
    setWindowTitle(QStringLiteral("Properties of ") + name);
    icon_->setPixmap(FileIcon(info).pixmap(kIconSize, kIconSize));
    nameLbl_->SetFullText(name);
    shortNameLbl_->SetFullText(name);  // no short names here: the long name stands for it
    fileTypeLbl_->SetFullText(FileTypeText(info.TypeDescription, ExtractFileExt(name)));
    ortLbl_->SetFullText(ExtractFileDir(info.FileName));
    sizeLbl_->setText(info.Found ? FileSizeText(info.Size) : kUnknown);
    createEdit_->setText(info.Found ? FileTimeText(info.Created) : kUnknown);
    writeEdit_->setText(info.Found ? FileTimeText(info.Written) : kUnknown);
    accessEdit_->setText(info.Found ? FileTimeText(info.Accessed) : kUnknown);
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i) {
        const int bit = kAttributeBoxes[i].Bit;
        const bool set = info.Found && (info.Attributes & bit) != 0;
        attributeBoxes_[i]->setChecked(set);
        // A leading dot hides a file for good: only a rename could clear it.
        const bool fixed = bit == faHidden && set && IsHiddenByName(name);
        attributeBoxes_[i]->setEnabled(info.Found && !fixed);
    }
}

void TFileInfo::FillHeader(const THeaderReport& header)
{
    FillPropList(stdPropList_, header.Rows, kStdFirstColumn);
    commentLabel_->setVisible(header.HasComment);
    com_->setVisible(header.HasComment);
    const QSignalBlocker blocker(com_);
    com_->setPlainText(header.HasComment ? CommentMemoText(header.Comment) : QString());
    com_->document()->setModified(false);
    commentLatin1_ = CommentIsLatin1(header.Comment);
}

void TFileInfo::FillErrorPage()
{
    resMemo_->clear();
    resMemo_->hide();
    uniPropList_->clear();
    uniPropList_->hide();
    checkType_->setEnabled(true);
    typeLabel_->setText(QLatin1String(FormatInfo(format_).LongName));
}

void TFileInfo::Refill(const TFileInfoData& info)
{
    FillGeneral(info);
    if (format_ == ifJPEG && tabs_->isTabVisible(tabs_->indexOf(headerPage_)))
        FillHeader(info.Header);
}

void TFileInfo::MarkPending(int bit)
{
    pending_ |= bit;
    applyBtn_->setEnabled(!writing_);
}

int TFileInfo::CheckedAttributes() const
{
    int attributes = 0;
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i)
        if (attributeBoxes_[i]->isChecked())
            attributes |= kAttributeBoxes[i].Bit;
    return attributes;
}

void TFileInfo::accept()
{
    if (writing_)
        return;
    if (pending_ == 0)
        QDialog::accept();
    else
        StartApply(true);
}

void TFileInfo::reject()
{
    if (!writing_)
        QDialog::reject();
}

void TFileInfo::ApplyBtnClick()
{
    if (pending_ != 0 && !writing_)
        StartApply(false);
}

void TFileInfo::StartApply(bool closeAfter)
{
    TFileChanges changes;
    changes.FileName = fileName_;
    if (pending_ & kPendingAttributes)
        changes.Attributes = CheckedAttributes();
    if (pending_ & kPendingComment)
        changes.Comment = CommentBytes(com_->toPlainText(), commentLatin1_);
    SetWriting(true);
    const quint64 generation = generation_;
    RunOnWorker<TApplyOutcome>(
        this, [changes] { return ApplyFileChanges(changes); },
        [this, generation, closeAfter, fileName = fileName_](TApplyOutcome outcome) {
            SetWriting(false);
            // The owner hears of the change even if the dialog moved on.
            if (outcome.AttributesWritten || outcome.CommentWritten)
                emit FileChanged(fileName);
            if (generation == generation_)
                Applied(outcome, closeAfter);
        });
}

void TFileInfo::Applied(const TApplyOutcome& outcome, bool closeAfter)
{
    if (outcome.AttributesWritten)
        pending_ &= ~kPendingAttributes;
    if (outcome.CommentWritten)
        pending_ &= ~kPendingComment;
    if (!outcome.Message.isEmpty()) {
        auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), outcome.Message,
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    if (closeAfter) {
        QDialog::accept();
        return;
    }
    applyBtn_->setEnabled(false);
    const quint64 generation = ++generation_;
    RunOnWorker<TFileInfoData>(
        this, [fileName = fileName_] { return ReadFileInfoData(fileName); },
        [this, generation](TFileInfoData info) {
            if (generation == generation_)
                Refill(info);
        });
}

void TFileInfo::SetWriting(bool writing)
{
    writing_ = writing;
    okBtn_->setEnabled(!writing);
    cancelBtn_->setEnabled(!writing);
    applyBtn_->setEnabled(!writing && pending_ != 0);
}

void TFileInfo::CheckTypeClick()
{
    checkType_->setEnabled(false);
    const quint64 generation = generation_;
    RunOnWorker<TCheckTypeReport>(
        this, [fileName = fileName_] { return CheckFileType(fileName); },
        [this, generation](TCheckTypeReport report) {
            if (generation == generation_)
                ShowCheckResult(report);
        });
}

void TFileInfo::ShowCheckResult(const TCheckTypeReport& report)
{
    resMemo_->setPlainText(report.Lines.join(u'\n'));
    resMemo_->show();
    if (!report.Props.empty()) {
        FillPropList(uniPropList_, report.Props, kUniFirstColumn);
        uniPropList_->show();
    }
}

void TFileInfo::hideEvent(QHideEvent* event)
{
    resMemo_->clear();
    QDialog::hideEvent(event);
}

bool TFileInfo::eventFilter(QObject* watched, QEvent* event)
{
    // The memo would keep Escape for itself; here it closes the dialog.
    if (watched == com_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pixmarl
