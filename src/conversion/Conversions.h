#pragma once

// The "Convert to..." command: converts the selected image files into JPEG, GIF or Windows
// bitmap files. One file goes through a save dialog; several become a job with a name mask, a
// target folder, the overwrite question and a status window. The questions are asked on the GUI
// thread; loading and saving run on workers, so the call returns once the questions are
// answered and the browser stays usable while the files are converted. GUI thread only.

#include <functional>

#include <QString>
#include <QStringList>

#include "conversion/Converter.h"

class QObject;
class QWidget;

namespace pixmarl {

class TFileOps;

// The questions of a conversion; ConversionDialogs answers them with the program's dialogs,
// tests with scripted answers.
struct TConvertPrompts {
    std::function<bool(TImageFormat& format, TImageFormats offered, TConvertOptions& options)>
        RequestFormat;
    std::function<bool(QString& mask, QString& folder)> RequestTargetNames;
    // The one file's target, proposing proposal (a full path): a save dialog with the format's
    // filter and default extension that asks before replacing a file. Empty after Cancel.
    std::function<QString(const QString& proposal, TImageFormat format)> RequestSaveName;
    std::function<void(const QString& caption, const QString& text)> Message;
};

TConvertPrompts ConversionDialogs(QWidget* owner);

// The command on the selected files (all in one folder), with the window's file operations for
// the overwrite question and its dialogs over owner. No files: nothing; one: ConvertFile.
void ConvertFiles(const QStringList& files, const TFileOps& ops, QWidget* owner);

// The same with other prompts. Answers the object that carries the conversion on (the job's
// status window, or the one file's conversion); it frees itself when done. nullptr when nothing
// was started.
QObject* ConvertFiles(const QStringList& files, const TFileOps& ops, const TConvertPrompts& prompts,
                      QWidget* owner);
QObject* ConvertFile(const QString& file, const TConvertPrompts& prompts, QWidget* owner);

}  // namespace pixmarl
