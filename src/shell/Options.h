#pragma once

// The options dialog: three tabs (files, view, de-installation) over part of the settings.
// Made for one use by the main window. When it first shows it runs OnCollectSettings, so that it
// sees the live window state, and fills its controls from the settings; OK copies the controls
// back and, once the dialog has closed, runs OnApplyOptions. Cancel changes nothing.

#include <functional>

#include <QDialog>

#include "formats/Images.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace pixmarl {

struct TSettings;

class TOptionen : public QDialog {
    Q_OBJECT
public:
    // settings must outlive the dialog; highColor is the screen's depth flag for ThumbGray.
    TOptionen(TSettings& settings, bool highColor, QWidget* parent = nullptr);

    std::function<void()> OnCollectSettings;
    std::function<void()> OnApplyOptions;
    // The uninstaller has started: the main window closes.
    std::function<void()> OnUninstallStarted;

    // The program the uninstall button starts; "pixmarl-uninstall" beside this program unless
    // set otherwise.
    void SetUninstallerPath(const QString& path) { uninstallerPath_ = path; }

    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildUninstallTab();
    QGroupBox* BuildFormatsGroup();
    QGroupBox* BuildFoldersGroup();
    QGroupBox* BuildThumbnailsGroup();
    QGroupBox* BuildViewerGroup();
    QGroupBox* BuildSlideshowGroup();
    QCheckBox* AddCheckBox(QWidget* parent, const char* name, const QString& caption);

    void FillControls();
    void CopyBack();
    void UninstallClick();

    TSettings& settings_;
    bool highColor_;
    bool filled_ = false;
    QString uninstallerPath_;

    QTabWidget* tabs_ = nullptr;
    QCheckBox* formatBoxes_[kImageFormatCount - 1] = {};
    QCheckBox* saveDir_ = nullptr;
    QWidget* startDirPanel_ = nullptr;
    QRadioButton* lastDir_ = nullptr;
    QRadioButton* fixedDir_ = nullptr;
    QLineEdit* startDir_ = nullptr;
    QCheckBox* saveFavorites_ = nullptr;
    QSpinBox* thumbCount_ = nullptr;
    QCheckBox* thumbOptionBoxes_[3] = {};
    QCheckBox* shareThumbs_ = nullptr;
    QCheckBox* viewForms_ = nullptr;
    QSpinBox* viewFormCount_ = nullptr;
    QCheckBox* foregr_ = nullptr;
    QSpinBox* delay_ = nullptr;
    QCheckBox* repeatShow_ = nullptr;
};

}  // namespace pixmarl
