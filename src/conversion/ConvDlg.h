#pragma once

// The format dialog of a conversion: the target format among the offered ones and its options
// (JPEG quality, progressive and grayscale; GIF interlaced). Made for one use, so every use
// starts from the same defaults. GUI thread only.

#include <QDialog>

#include "conversion/Converter.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;

namespace pixmarl {

class TFormatDlg : public QDialog {
public:
    explicit TFormatDlg(QWidget* parent = nullptr);

    // Lists the offered formats in format order, selecting format's entry.
    void Prepare(TImageFormat format, TImageFormats offered);
    // The selected format, with its options read into options (other formats' fields stay).
    TImageFormat Read(TConvertOptions& options) const;

    QTabWidget* Pages;
    QWidget* FormatSheet;
    QGroupBox* FormatGroup;
    QGroupBox* GroupBox1;
    QStackedWidget* OptionsPages;
    QSpinBox* QualityUD;
    QCheckBox* CBProgressive;
    QCheckBox* CBGrayscale;
    QCheckBox* CBInterlaced;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    QWidget* MakeJpegPage();
    QWidget* MakeGifPage();
    // Shows the options page named by the format's short name; a name without a page changes
    // nothing.
    void ShowOptionsPage(TImageFormat format);

    QButtonGroup* formats_;
};

// Runs the dialog; true on OK with format and options set.
bool RequestFormat(TImageFormat& format, TImageFormats offered, TConvertOptions& options,
                   QWidget* parent = nullptr);

}  // namespace pixmarl
