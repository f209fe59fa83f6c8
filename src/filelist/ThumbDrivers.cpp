#include "ThumbDrivers.h"

#include <algorithm>

#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"

namespace pixmarl {

TThumbDriver::TThumbDriver(TJPEGFileList& list, TThumbCtrl& ctrl) : list_(list), ctrl_(ctrl)
{
    ctrl_.OnStartMakeThumbs = [this] { StartMakeThumbs(); };
    ctrl_.OnGetIndexState = [this](int index) {
        return index < list_.Count() && list_.Item(index).Thumbnail != nullptr;
    };
    ctrl_.OnDeleteThumbs = [this](int first, int count) {
        const int last = std::min(first + count - 1, list_.Count() - 1);
        for (int i = std::max(first, 0); i <= last; ++i)
            list_.Item(i).FreeThumbnail();
    };
}

TThumbDriver::~TThumbDriver()
{
    StopThumbnails(false);
    ctrl_.OnStartMakeThumbs = nullptr;
    ctrl_.OnGetIndexState = nullptr;
    ctrl_.OnDeleteThumbs = nullptr;
}

void TThumbDriver::StartMakeThumbs()
{
    if (!thumbView_)
        return;
    if (TDJPEGThread::Running()) {
        // A running worker asks for every next index and so follows the new window, unless it
        // has already taken its last one: then it starts again once it has ended.
        pendingStart_ = true;
        return;
    }
    worker_.reset();  // an ended run
    pendingStart_ = false;
    worker_ = std::make_unique<TDJPEGThread>(
        box_, options_, [this] { return NextRequest(); },
        [this](const TThumbResult& result) { return Store(result); }, [this] { Finished(); });
}

void TThumbDriver::Finished()
{
    if (OnIdle)
        OnIdle();
    if (!pendingStart_)
        return;
    // Past this call the worker only returns from its run, so waiting for it cannot block.
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (worker_)
                worker_->wait();
            StartMakeThumbs();
        },
        Qt::QueuedConnection);
}

void TThumbDriver::StopThumbnails(bool drop)
{
    pendingStart_ = false;
    if (worker_) {
        worker_->Stop();
        if (worker_->InHandOver()) {
            // Stopped from inside its own callback: it ends once that returns.
            retired_ = std::move(worker_);
            QMetaObject::invokeMethod(
                &context_, [this] { retired_.reset(); }, Qt::QueuedConnection);
        }
        worker_.reset();
    }
    if (drop)
        ctrl_.DeleteAll();
}

TThumbRequest TThumbDriver::NextRequest()
{
    pendingStart_ = false;
    const int index = ctrl_.NextIndex();
    if (index < 0 || index >= list_.Count())
        return {};
    const TFileListItem& item = list_.Item(index);
    return TThumbRequest{list_.FileName(item), item.Id, QSize(item.ImageWidth, item.ImageHeight)};
}

TThumbRequest TThumbDriver::Store(const TThumbResult& result)
{
    // The result goes to the item it was made for, wherever a re-sort has moved it; an item that
    // has gone takes nothing.
    if (TFileListItem* item = list_.FindItem(result.itemId)) {
        item->SetThumbnail(result.thumbnail, result.failed, result.imageSize, result.thumbSize);
        if (OnThumbnailStored)
            OnThumbnailStored(item->Index);
    }
    return NextRequest();
}

}  // namespace pixmarl
