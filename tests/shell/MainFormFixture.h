#pragma once

// The fixture of the browser window's tests: a main window over a volume table whose only volume
// is a temporary folder, with folders of photos made on demand.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QTemporaryDir>

#include "filelist/FileLists.h"
#include "filelist/ThumbDrivers.h"
#include "navigation/MyComputer.h"
#include "shell/Main.h"
#include "shell/Settings.h"
#include "support/EventWait.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {

class MainFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path();
        volumes_.push_back(Volume(root_));
        computer_ = std::make_unique<TMyComputer>([this] { return volumes_; }, false);
    }
    void TearDown() override { form_.reset(); }

    static TVolume Volume(const QString& path) { return {path, "ext4", path, dtFixed, {}}; }

    // A folder with photos 1.jpg .. n.jpg of 400 x 300.
    QString Folder(const QString& name, int photos = 0)
    {
        const QString folder = test::MakeFolder(root_, name);
        static const QByteArray jpeg = [] {
            test::JpegParams params;
            params.width = 400;
            params.height = 300;
            return test::BuildJpeg(params);
        }();
        for (int i = 1; i <= photos; ++i)
            test::WriteFile(folder, QStringLiteral("%1.jpg").arg(i), jpeg);
        return folder;
    }
    TMainForm& Open(const QString& folder)
    {
        form_ = std::make_unique<TMainForm>(settings_, nullptr, computer_.get());
        form_->SetCommandLinePath(folder);
        form_->show();
        WaitForRead();
        return *form_;
    }
    // Opened in the thumbnail view, with viewers that are not kept on top of everything.
    TMainForm& OpenThumbnails(const QString& folder)
    {
        settings_.ViewStayOnTop = false;
        Open(folder).SetViewMode(vmThumbnails);
        return *form_;
    }
    // Goes to a folder and waits until it has been read.
    void Show(const QString& folder)
    {
        form_->GoToFolder(folder);
        WaitForRead();
    }
    void WaitForRead() const
    {
        ASSERT_TRUE(test::RunEventsUntil([this] { return !form_->ReadPending(); }));
    }
    bool WaitForThumbnails() const
    {
        return test::RunEventsUntil([this] { return !form_->ThumbDriver().Busy(); });
    }
    int IndexOf(const QString& caption) const
    {
        for (int i = 0; i < form_->FileList().Count(); ++i)
            if (form_->FileList().Item(i).Caption == caption)
                return i;
        return -1;
    }
    bool AllThumbnailsMade() const
    {
        for (int i = 0; i < form_->FileList().Count(); ++i)
            if (!form_->FileList().Item(i).Thumbnail)
                return false;
        return true;
    }

    QTemporaryDir dir_;
    QString root_;
    std::vector<TVolume> volumes_;
    std::unique_ptr<TMyComputer> computer_;
    TSettings settings_;
    std::unique_ptr<TMainForm> form_;
};

}  // namespace pixmarl
