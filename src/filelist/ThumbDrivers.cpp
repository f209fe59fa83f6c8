#include "ThumbDrivers.h"

#include <algorithm>

#include "filelist/FileLists.h"
#include "filelist/ThumbCtrls.h"

namespace pixmarl {

TThumbDriver::TThumbDriver(TJPEGFileList& list, TThumbCtrl& ctrl, QObject* parent)
    : QObject(parent),
      list_(list),
      ctrl_(ctrl),
      worker_([this](const TThumbResult& result, quint64 generation) { Store(result, generation); })
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
    ctrl_.OnStartMakeThumbs = nullptr;
    ctrl_.OnGetIndexState = nullptr;
    ctrl_.OnDeleteThumbs = nullptr;
}

void TThumbDriver::StartMakeThumbs()
{
    if (!thumbView_)
        return;
    busy_ = true;
    emit OnStartMakeThumbs();
    // A request under way continues with the new window when its result comes back.
    RequestNext();
}

void TThumbDriver::StopThumbnails(bool drop)
{
    ++generation_;
    inFlight_ = false;
    busy_ = false;
    worker_.DropPending();
    if (drop)
        ctrl_.DeleteAll();
}

void TThumbDriver::RequestNext()
{
    if (inFlight_ || !busy_)
        return;
    const int index = ctrl_.NextIndex();
    if (index < 0 || index >= list_.Count()) {
        busy_ = false;
        emit OnIdle();
        return;
    }
    const TFileListItem& item = list_.Item(index);
    inFlight_ = true;
    worker_.Request(TThumbRequest{list_.FileName(item), item.Id}, box_, options_, generation_);
}

void TThumbDriver::Store(const TThumbResult& result, quint64 generation)
{
    if (generation != generation_)
        return;
    inFlight_ = false;
    // The result goes to the item it was made for, wherever a re-sort has moved it, unless the
    // item has gone or left the window meanwhile.
    TFileListItem* item = list_.FindItem(result.itemId);
    if (item != nullptr && item->Index >= ctrl_.WindowFirst() &&
        item->Index <= ctrl_.WindowLast()) {
        item->SetThumbnail(result.thumbnail, result.failed, result.imageSize, result.thumbSize);
        emit OnThumbnailStored(item->Index);
        if (generation != generation_)
            return;  // a listener stopped the run
    }
    RequestNext();
}

}  // namespace pixmarl
