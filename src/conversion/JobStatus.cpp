#include "conversion/JobStatus.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPolygonF>
#include <QPushButton>
#include <QVBoxLayout>

namespace pixmarl {

namespace {

constexpr int kWindowWidth = 440;
constexpr int kBottomMargin = 8;

// The window's picture: a photo with an arrow turning it into another, in the palette's colours
// so that it follows a light or dark theme.
QPixmap ConvertPicture(const QPalette& palette, qreal dpr)
{
    constexpr int kEdge = 32;
    QPixmap pixmap(QSize(kEdge, kEdge) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette.color(QPalette::WindowText);
    const QColor accent = palette.color(QPalette::Highlight);
    const QRectF photo(1.5, 3.5, 24, 19);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(palette.color(QPalette::Base));
    painter.drawRoundedRect(photo, 2.5, 2.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    painter.drawPolygon(QPolygonF({{4, 20}, {10, 12}, {14, 16}, {18, 11}, {23, 20}}));
    painter.drawEllipse(QPointF(8, 8), 2, 2);
    // The arrow: a quarter turn ending in a head, on a disc at the lower right.
    painter.setBrush(palette.color(QPalette::Window));
    painter.drawEllipse(QPointF(23, 23), 8.5, 8.5);
    painter.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(18, 18, 10, 10), 90 * 16, -250 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(QPolygonF({{23, 15.5}, {27, 18}, {23, 20.5}}));
    return pixmap;
}

QLabel* PlainLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

TStatusForm::TStatusForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Converting files"));
    Image1 = new QLabel(this);
    Image1->setPixmap(ConvertPicture(palette(), devicePixelRatioF()));
    Mainlabel = PlainLabel(this);
    ActionLabel = PlainLabel(this);
    Filename = PlainLabel(this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setDefault(true);
    CancelBtn->setEnabled(false);

    report_ = new QWidget(this);
    Label1 = new QLabel(QStringLiteral("Error Report"), report_);
    ErrorMemo = new QPlainTextEdit(report_);
    ErrorMemo->setReadOnly(true);
    ErrorMemo->setFixedHeight(120);
    auto* report = new QVBoxLayout(report_);
    report->setContentsMargins(0, 0, 0, 0);
    report->addWidget(Label1);
    report->addWidget(ErrorMemo);
    report_->hide();

    auto* texts = new QVBoxLayout;
    texts->addWidget(Mainlabel);
    texts->addWidget(ActionLabel);
    texts->addWidget(Filename);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* button = new QHBoxLayout;
    button->addStretch();
    button->addWidget(CancelBtn);
    auto* box = new QVBoxLayout(this);
    const QMargins margins = box->contentsMargins();
    box->setContentsMargins(margins.left(), margins.top(), margins.right(), kBottomMargin);
    box->addLayout(top);
    box->addLayout(button);
    box->addWidget(report_);

    connect(CancelBtn, &QPushButton::clicked, this, &TStatusForm::CancelClicked);
    Show();
}

TStatusForm::~TStatusForm() = default;

void TStatusForm::Open()
{
    status_.RequestingFormat();
    Show();
    show();
}

void TStatusForm::RequestingTargetNames()
{
    status_.RequestingTargetNames();
    Show();
}

TConvertJobEvents TStatusForm::JobEvents()
{
    // The job is this window's own: its events stop when the window goes.
    TConvertJobEvents events;
    events.OnLoading = [this](const QString& name) { Loading(name); };
    events.OnSaving = [this](const QString& name) { Saving(name); };
    events.OnError = [this](const QString& text) { ReportError(text); };
    events.OnFinished = [this] { Finish(); };
    return events;
}

void TStatusForm::Start(std::unique_ptr<TConvertJob> job)
{
    job_ = std::move(job);
    status_.Started();
    Show();
    CancelBtn->setFocus();
    job_->Start();
}

void TStatusForm::Abandon()
{
    status_.Cancel();
    close();
}

void TStatusForm::Loading(const QString& sourceName)
{
    status_.Loading(sourceName);
    Show();
}

void TStatusForm::Saving(const QString& targetName)
{
    status_.Saving(targetName);
    Show();
}

void TStatusForm::ReportError(const QString& text)
{
    status_.ReportError(text);
    ErrorMemo->appendPlainText(text);
    Show();
}

void TStatusForm::Finish()
{
    const bool closeNow = status_.Finish();
    Show();
    if (closeNow)
        close();
}

void TStatusForm::CancelClicked()
{
    if (status_.Cancel()) {
        close();
        return;
    }
    if (job_)
        job_->Cancel();
    Show();
}

void TStatusForm::Show()
{
    Mainlabel->setText(status_.MainText());
    ActionLabel->setText(status_.ActionText());
    // A long name is shortened in the middle: the window keeps its width.
    const QMargins margins = layout()->contentsMargins();
    const int textWidth = kWindowWidth - margins.left() - margins.right() -
                          Image1->sizeHint().width() - 2 * layout()->spacing();
    Filename->setText(
        Filename->fontMetrics().elidedText(status_.FileText(), Qt::ElideMiddle, textWidth));
    CancelBtn->setText(status_.CancelCaption());
    CancelBtn->setEnabled(status_.CancelEnabled());
    report_->setVisible(status_.ErrorsReported());
    FitHeight();
}

void TStatusForm::FitHeight()
{
    layout()->activate();
    setFixedSize(kWindowWidth, layout()->totalSizeHint().height());
}

void TStatusForm::closeEvent(QCloseEvent* event)
{
    if (status_.MayClose())
        event->accept();
    else
        event->ignore();
}

void TStatusForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && CancelBtn->isEnabled()) {
        CancelBtn->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pixmarl
