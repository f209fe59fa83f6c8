#pragma once

// The file properties dialog: one file's directory information (General page), its header fields
// (Header page, with the editable comment of a JPEG file) or, when its header cannot be read, the
// Error page with a check of the file's real format.
//
// Use: one instance per window, made once and reused. ShowFileInfo(fileName) reads the file on a
// worker thread and shows the dialog application-modal (without a nested event loop) once the
// result is there; a later call supersedes an earlier one whose result has not arrived yet.
// FileChanged tells the owner that a comment or attributes were written, so it can refresh.
//
// Threads: GUI thread only. Everything that touches the file (reading its entry, header, type and
// icon, the format check, the writes of Apply and OK) runs on a worker and reports back by queued
// call; results of a superseded request are dropped. A write that fails keeps the dialog open
// with the change still pending and tells the user why.

#include <functional>

#include <QDialog>

#include "formats/Images.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace pixmarl {

class TElidedLabel;
struct TApplyOutcome;
struct TCheckTypeReport;
struct TFileInfoData;
struct THeaderReport;

class TFileInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFileInfo(QWidget* parent = nullptr);
    ~TFileInfo() override;

    // Reads fileName's information in the background and then shows the dialog for it. An empty
    // name shows nothing (and drops a request still being read).
    void ShowFileInfo(const QString& fileName);
    // The file the dialog shows.
    const QString& FileName() const { return fileName_; }

    // OK: writes what is pending and closes once that worked.
    void accept() override;
    // Closing is refused while a write is under way.
    void reject() override;

signals:
    // A comment or attributes of fileName were written.
    void FileChanged(const QString& fileName);

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum TPending { kPendingAttributes = 1, kPendingComment = 4 };

    QWidget* BuildGeneralPage();
    QWidget* BuildHeaderPage();
    QWidget* BuildErrorPage();

    void FormShow(const TFileInfoData& data);
    void ChooseTabs(const THeaderReport& header);
    void FillGeneral(const TFileInfoData& data);
    void FillHeader(const THeaderReport& header);
    void FillErrorPage();
    void Refill(const TFileInfoData& data);

    void MarkPending(int bit);
    void ApplyBtnClick();
    void StartApply(bool closeAfter);
    void Applied(const TApplyOutcome& outcome, bool closeAfter);
    void SetWriting(bool writing);
    void CheckTypeClick();
    void ShowCheckResult(const TCheckTypeReport& report);
    int CheckedAttributes() const;

    QString fileName_;
    TImageFormat format_ = ifUnknown;
    quint64 generation_ = 0;  // of the last request; older results are dropped
    int pending_ = 0;         // TPending bits
    bool writing_ = false;
    bool commentLatin1_ = false;

    QTabWidget* tabs_ = nullptr;
    QWidget* generalPage_ = nullptr;
    QWidget* headerPage_ = nullptr;
    QWidget* errorPage_ = nullptr;

    QLabel* icon_ = nullptr;
    TElidedLabel* nameLbl_ = nullptr;
    TElidedLabel* fileTypeLbl_ = nullptr;
    TElidedLabel* ortLbl_ = nullptr;
    QLabel* sizeLbl_ = nullptr;
    TElidedLabel* shortNameLbl_ = nullptr;
    QLabel* createEdit_ = nullptr;
    QLabel* writeEdit_ = nullptr;
    QLabel* accessEdit_ = nullptr;
    QCheckBox* attributeBoxes_[4] = {};

    QLabel* propLabel_ = nullptr;
    QTreeWidget* stdPropList_ = nullptr;
    QLabel* commentLabel_ = nullptr;
    QPlainTextEdit* com_ = nullptr;

    QLabel* typeLabel_ = nullptr;
    QPushButton* checkType_ = nullptr;
    QPlainTextEdit* resMemo_ = nullptr;
    QTreeWidget* uniPropList_ = nullptr;

    QPushButton* okBtn_ = nullptr;
    QPushButton* cancelBtn_ = nullptr;
    QPushButton* applyBtn_ = nullptr;
};

}  // namespace pixmarl
