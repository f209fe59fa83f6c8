#include "conversion/Conversions.h"

#include <memory>
#include <vector>

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include "conversion/ConvDlg.h"
#include "conversion/ConvJobs.h"
#include "conversion/JobStatus.h"
#include "conversion/SaveFilesDlg.h"
#include "fileops/FileNames.h"
#include "fileops/FileOps.h"
#include "platform/Paths.h"
#include "platform/WorkerRuns.h"

namespace pixmarl {

namespace {

QString DefaultExt(TImageFormat format)
{
    return QLatin1String(FormatInfo(format).DefaultExt);
}

// "JPEG/JFIF Image File (*.jpg *.jpe *.jpeg)" for the format's filter entry.
QString DialogFilter(TImageFormat format)
{
    const TFormatInfo& info = FormatInfo(format);
    return QLatin1String(info.LongName) + QStringLiteral(" (") +
           QString::fromLatin1(info.FilterMask).replace(u';', u' ') + u')';
}

QString AskSaveName(QWidget* owner, const QString& proposal, TImageFormat format)
{
    // An instance: the static call has no default extension.
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(DialogFilter(format));
    dialog.setDefaultSuffix(DefaultExt(format).mid(1));
    dialog.setDirectory(ExtractFileDir(proposal));
    dialog.selectFile(ExtractFileName(proposal));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

// A typed folder: relative to the sources' folder; empty stands for it.
QString TargetFolder(const QString& typed, const QString& sourceFolder)
{
    if (typed.isEmpty())
        return sourceFolder;
    return QDir::cleanPath(QDir::isRelativePath(typed) ? JoinPath(sourceFolder, typed) : typed);
}

// One file: loaded on a worker, then the save dialog, then saved on a worker.
class TSingleConversion : public QObject {
public:
    TSingleConversion(QString file, TImageFormat format, TConvertOptions options,
                      TConvertPrompts prompts, QObject* parent)
        : QObject(parent),
          file_(std::move(file)),
          format_(format),
          options_(options),
          prompts_(std::move(prompts))
    {}

    void Start()
    {
        RunOnWorker<std::shared_ptr<TCImage>>(
            this,
            [file = file_] {
                auto image = std::make_shared<TCImage>();
                return image->LoadFromFile(file) == kConvertOk ? image : nullptr;
            },
            [this](std::shared_ptr<TCImage> image) { Loaded(std::move(image)); });
    }

private:
    void Loaded(std::shared_ptr<TCImage> image)
    {
        if (!image) {
            End(QStringLiteral("Error loading the file."));
            return;
        }
        const QString target = AskTarget();
        if (target.isEmpty()) {
            End({});
            return;
        }
        RunOnWorker<bool>(
            this,
            [image, target, format = format_, options = options_] {
                return image->SaveToFile(target, format, options) == kConvertOk;
            },
            [this](bool saved) {
                End(saved ? QString() : QStringLiteral("Error saving the file."));
            });
    }

    // Asks until the name passes the file-name check; empty after Cancel.
    QString AskTarget() const
    {
        QString proposal = ChangeFileExt(file_, DefaultExt(format_));
        for (;;) {
            const QString target = prompts_.RequestSaveName(proposal, format_);
            if (target.isEmpty() || !IsInvalidTargetName(ExtractFileName(target)))
                return target;
            prompts_.Message(QStringLiteral("Save As"), InvalidFileNameMessage());
            proposal = target;
        }
    }

    void End(const QString& error)
    {
        if (!error.isEmpty())
            prompts_.Message(QStringLiteral("Error"), error);
        deleteLater();
    }

    QString file_;
    TImageFormat format_;
    TConvertOptions options_;
    TConvertPrompts prompts_;
};

QObject* Abandon(TStatusForm* form)
{
    if (form != nullptr)
        form->Abandon();
    return nullptr;
}

// Asks for the mask and folder until every target name passes the file-name check.
bool AskTargets(const QStringList& files, TImageFormat format, const TConvertPrompts& prompts,
                QStringList& targets)
{
    const QString sourceFolder = ExtractFileDir(files.first());
    QString mask = u'*' + DefaultExt(format);
    QString folder = sourceFolder;
    for (;;) {
        if (!prompts.RequestTargetNames(mask, folder))
            return false;
        if (MakeTargets(mask, TargetFolder(folder, sourceFolder), files, targets))
            return true;
        prompts.Message(QStringLiteral("Save files as"), InvalidFileNameMessage());
    }
}

QObject* RunJob(const QStringList& files, const TFileOps& ops, const TConvertPrompts& prompts,
                QWidget* owner)
{
    // The window may not close before the job runs; the pointer guards against its owner going.
    QPointer<TStatusForm> form = new TStatusForm(owner);
    form->Open();
    TImageFormat format = ifJPEG;
    TConvertOptions options;
    if (!prompts.RequestFormat(format, kConvertTargets, options) || !form)
        return Abandon(form);
    form->RequestingTargetNames();
    QStringList targets;
    if (!AskTargets(files, format, prompts, targets) || !form)
        return Abandon(form);
    QStringList sources = files;
    // Targets chosen earlier in the job count as taken, so no output replaces another.
    if (!ops.RequestOverwrite(sources, targets, true) || !form)
        return Abandon(form);
    std::vector<TConvertPair> pairs;
    for (qsizetype i = 0; i < sources.size(); ++i)
        pairs.push_back({sources.at(i), targets.at(i)});
    form->Start(
        std::make_unique<TConvertJob>(std::move(pairs), format, options, form->JobEvents()));
    return form;
}

}  // namespace

TConvertPrompts ConversionDialogs(QWidget* owner)
{
    const QPointer<QWidget> parent(owner);
    TConvertPrompts prompts;
    prompts.RequestFormat = [parent](TImageFormat& format, TImageFormats offered,
                                     TConvertOptions& options) {
        return RequestFormat(format, offered, options, parent);
    };
    prompts.RequestTargetNames = [parent](QString& mask, QString& folder) {
        return RequestTargetNames(mask, folder, parent);
    };
    prompts.RequestSaveName = [parent](const QString& proposal, TImageFormat format) {
        return AskSaveName(parent, proposal, format);
    };
    prompts.Message = [parent](const QString& caption, const QString& text) {
        QMessageBox::critical(parent, caption, text);
    };
    return prompts;
}

void ConvertFiles(const QStringList& files, const TFileOps& ops, QWidget* owner)
{
    ConvertFiles(files, ops, ConversionDialogs(owner), owner);
}

QObject* ConvertFiles(const QStringList& files, const TFileOps& ops, const TConvertPrompts& prompts,
                      QWidget* owner)
{
    if (files.isEmpty())
        return nullptr;
    if (files.size() == 1)
        return ConvertFile(files.first(), prompts, owner);
    return RunJob(files, ops, prompts, owner);
}

QObject* ConvertFile(const QString& file, const TConvertPrompts& prompts, QWidget* owner)
{
    TImageFormat format = ProposedFormat(file);
    TConvertOptions options;
    if (!prompts.RequestFormat(format, kConvertTargets, options))
        return nullptr;
    auto* conversion = new TSingleConversion(file, format, options, prompts, owner);
    conversion->Start();
    return conversion;
}

}  // namespace pixmarl
