#pragma once

// A user whose answers are written down in advance, and who notes what was asked and on which
// thread.

#include <deque>
#include <vector>

#include <QThread>

#include "platform/FileOperation.h"

namespace pixmarl::test {

class TScriptedPrompts : public TFileOpPrompts {
public:
    bool trash = true, replace = true, deletePermanently = false, cancelOnProgress = false;
    std::deque<TFileOpErrorAnswer> errorAnswers;  // eaSkip once these run out
    TTrashFailAnswer trashFailed = taSkip;

    std::vector<TFileOpError> errors;
    std::vector<QString> replaceAsked;
    QString permanentQuestion;  // the path and item count of the last one
    int trashAsked = 0, permanentAsked = 0, progressShown = 0;
    bool endedProgress = false;
    std::vector<QThread*> askedOn;

    bool ConfirmTrash(int) override { return Note(++trashAsked, trash); }
    bool ConfirmReplace(const QString& target) override
    {
        replaceAsked.push_back(target);
        return Note(0, replace);
    }
    TFileOpErrorAnswer AskError(const TFileOpError& error) override
    {
        errors.push_back(error);
        const TFileOpErrorAnswer answer = errorAnswers.empty() ? eaSkip : errorAnswers.front();
        if (!errorAnswers.empty())
            errorAnswers.pop_front();
        return Note(0, answer);
    }
    TTrashFailAnswer AskTrashFailed(const QString&) override { return Note(0, trashFailed); }
    bool ConfirmDeletePermanently(const QString& path, int itemCount) override
    {
        permanentQuestion = path + u' ' + QString::number(itemCount);
        return Note(++permanentAsked, deletePermanently);
    }
    // Cancels once an error has been answered, so that a test sees both.
    bool ShowProgress(const TFileOpProgress&) override
    {
        ++progressShown;
        return !(cancelOnProgress && !errors.empty());
    }
    void EndProgress() override { endedProgress = true; }

private:
    template <class T> T Note(int, T answer)
    {
        askedOn.push_back(QThread::currentThread());
        return answer;
    }
};

}  // namespace pixmarl::test
