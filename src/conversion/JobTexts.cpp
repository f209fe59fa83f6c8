#include "conversion/JobTexts.h"

namespace pixmarl {

void TJobStatus::RequestingFormat()
{
    mainText_ = QStringLiteral("Requesting target format information...");
}

void TJobStatus::RequestingTargetNames()
{
    mainText_ = QStringLiteral("Requesting target file name...");
}

void TJobStatus::Started()
{
    mainText_.clear();
    running_ = true;
}

void TJobStatus::Loading(const QString& sourceName)
{
    actionText_ = QStringLiteral("Loading...");
    fileText_ = sourceName;
}

void TJobStatus::Saving(const QString& targetName)
{
    actionText_ = QStringLiteral("Saving...");
    fileText_ = targetName;
}

void TJobStatus::ReportError(const QString& text)
{
    errors_ << text;
}

bool TJobStatus::Finish()
{
    running_ = false;
    if (errors_.isEmpty()) {
        cancelled_ = true;
        return true;
    }
    // A cancelled job keeps its error report too.
    actionText_.clear();
    fileText_.clear();
    if (!cancelled_)
        mainText_ = QStringLiteral("Job done.");
    done_ = true;
    return false;
}

bool TJobStatus::Cancel()
{
    if (done_)
        return true;
    mainText_ = QStringLiteral("Job cancelled");
    cancelled_ = true;
    return false;
}

}  // namespace pixmarl
