#pragma once

// A user whose answers are written down in advance, and who notes what was asked.

#include <deque>
#include <vector>

#include <QString>
#include <QThread>

#include "platform/FileOperation.h"

namespace pixmarl::test {

class TScriptedPrompts : public TFileOpPrompts {
public:
    bool trash = true;
    bool replace = true;
    bool deletePermanently = false;
    bool cancelOnProgress = false;
    std::deque<TFileOpErrorAnswer> errorAnswers;  // eaSkip once these run out
    TTrashFailAnswer trashFailed = taSkip;

    std::vector<TFileOpError> errors;
    std::vector<QString> replaceAsked;
    int trashAsked = 0;
    int trashFailedAsked = 0;
    int permanentAsked = 0;
    int progressShown = 0;
    bool endedProgress = false;
    std::vector<QThread*> askedOn;

    bool ConfirmTrash(int) override
    {
        Note();
        ++trashAsked;
        return trash;
    }
    bool ConfirmReplace(const QString& target) override
    {
        Note();
        replaceAsked.push_back(target);
        return replace;
    }
    TFileOpErrorAnswer AskError(const TFileOpError& error) override
    {
        Note();
        errors.push_back(error);
        if (errorAnswers.empty())
            return eaSkip;
        const TFileOpErrorAnswer answer = errorAnswers.front();
        errorAnswers.pop_front();
        return answer;
    }
    TTrashFailAnswer AskTrashFailed(const QString&) override
    {
        Note();
        ++trashFailedAsked;
        return trashFailed;
    }
    bool ConfirmDeletePermanently(const QString&) override
    {
        Note();
        ++permanentAsked;
        return deletePermanently;
    }
    bool ShowProgress(const TFileOpProgress&) override
    {
        ++progressShown;
        // Once an error has been answered, so that the test sees both on their threads.
        return !(cancelOnProgress && !errors.empty());
    }
    void EndProgress() override { endedProgress = true; }

private:
    void Note() { askedOn.push_back(QThread::currentThread()); }
};

}  // namespace pixmarl::test
