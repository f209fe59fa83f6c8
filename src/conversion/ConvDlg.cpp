#include "conversion/ConvDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pixmarl {

namespace {

QWidget* NamedPage(const char* name, QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QLatin1String(name));
    return page;
}

// A page for a format without options says so, rather than showing an empty box.
QWidget* PageWithoutOptions(const char* name, QWidget* parent)
{
    QWidget* page = NamedPage(name, parent);
    auto* note = new QLabel(QStringLiteral("No options for this format."), page);
    note->setEnabled(false);
    auto* box = new QVBoxLayout(page);
    box->addWidget(note);
    box->addStretch();
    return page;
}

}  // namespace

TFormatDlg::TFormatDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Convert to"));
    Pages = new QTabWidget(this);
    FormatSheet = new QWidget(Pages);
    Pages->addTab(FormatSheet, QStringLiteral("Format"));

    FormatGroup = new QGroupBox(QStringLiteral("Format"), FormatSheet);
    new QVBoxLayout(FormatGroup);
    formats_ = new QButtonGroup(this);
    GroupBox1 = new QGroupBox(QStringLiteral("Options"), FormatSheet);
    OptionsPages = new QStackedWidget(GroupBox1);
    OptionsPages->addWidget(MakeJpegPage());
    OptionsPages->addWidget(MakeGifPage());
    OptionsPages->addWidget(PageWithoutOptions("BMP", OptionsPages));
    OptionsPages->addWidget(PageWithoutOptions("Original", OptionsPages));
    auto* options = new QVBoxLayout(GroupBox1);
    options->addWidget(OptionsPages);
    auto* sheet = new QHBoxLayout(FormatSheet);
    sheet->addWidget(FormatGroup);
    sheet->addWidget(GroupBox1, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* box = new QVBoxLayout(this);
    box->addWidget(Pages);
    box->addLayout(buttons);
    box->setSizeConstraint(QLayout::SetFixedSize);

    connect(formats_, &QButtonGroup::idClicked, this,
            [this](int id) { ShowOptionsPage(TImageFormat(id)); });
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* TFormatDlg::MakeJpegPage()
{
    QWidget* page = NamedPage("JPEG", OptionsPages);
    QualityUD = new QSpinBox(page);
    QualityUD->setObjectName(QStringLiteral("Edit3"));
    QualityUD->setRange(10, 100);
    QualityUD->setSingleStep(5);
    QualityUD->setValue(80);
    CBProgressive = new QCheckBox(QStringLiteral("Progressive"), page);
    CBGrayscale = new QCheckBox(QStringLiteral("Grayscale"), page);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Quality:"), QualityUD);
    form->addRow(CBProgressive);
    form->addRow(CBGrayscale);
    auto* box = new QVBoxLayout(page);
    box->addLayout(form);
    box->addStretch();
    return page;
}

QWidget* TFormatDlg::MakeGifPage()
{
    QWidget* page = NamedPage("GIF", OptionsPages);
    CBInterlaced = new QCheckBox(QStringLiteral("&Interlaced"), page);
    auto* box = new QVBoxLayout(page);
    box->addWidget(CBInterlaced);
    box->addStretch();
    return page;
}

void TFormatDlg::ShowOptionsPage(TImageFormat format)
{
    auto* page = OptionsPages->findChild<QWidget*>(QLatin1String(FormatInfo(format).ShortName),
                                                   Qt::FindDirectChildrenOnly);
    if (page != nullptr)
        OptionsPages->setCurrentWidget(page);
}

void TFormatDlg::Prepare(TImageFormat format, TImageFormats offered)
{
    for (QAbstractButton* button : formats_->buttons())
        delete button;
    for (int f = ifJPEG; f <= ifTIFF; ++f) {
        if (!offered.Contains(TImageFormat(f)))
            continue;
        auto* button = new QRadioButton(QLatin1String(FormatInfo(TImageFormat(f)).LongName));
        FormatGroup->layout()->addWidget(button);
        formats_->addButton(button, f);
    }
    QAbstractButton* selected = formats_->button(format);
    if (selected == nullptr && !formats_->buttons().isEmpty())
        selected = formats_->buttons().first();
    if (selected != nullptr) {
        selected->setChecked(true);
        ShowOptionsPage(TImageFormat(formats_->id(selected)));
    }
    Pages->setCurrentWidget(FormatSheet);
    FormatGroup->setFocus();
    if (selected != nullptr)
        selected->setFocus();
}

TImageFormat TFormatDlg::Read(TConvertOptions& options) const
{
    const auto format = TImageFormat(qMax(0, formats_->checkedId()));
    if (format == ifJPEG) {
        options.Quality = std::int16_t(QualityUD->value());
        options.Progressive = CBProgressive->isChecked();
        options.Grayscale = CBGrayscale->isChecked();
    } else if (format == ifGIF) {
        options.Interlaced = CBInterlaced->isChecked();
    }
    return format;
}

bool RequestFormat(TImageFormat& format, TImageFormats offered, TConvertOptions& options,
                   QWidget* parent)
{
    TFormatDlg dialog(parent);
    dialog.Prepare(format, offered);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const TImageFormat chosen = dialog.Read(options);
    if (chosen != ifUnknown)
        format = chosen;
    return true;
}

}  // namespace pixmarl
