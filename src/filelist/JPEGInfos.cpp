#include "JPEGInfos.h"

#include <cmath>

namespace pixmarl {

TInfoResult ReadItemInfo(const TInfoRequest& request)
{
    TInfoResult result;
    result.itemId = request.itemId;
    GetUniInfo(request.fileName, FileNameToFormat(request.fileName), result.info);
    return result;
}

TInfoScanner::TInfoScanner(TJPEGFileList& list, QObject* parent)
    : QObject(parent),
      list_(list),
      worker_(
          ReadItemInfo,
          [this](const TInfoResult& result, quint64 generation) { Store(result, generation); },
          wpLow)
{
    list_.SetInfoScanHooks(this);
}

TInfoScanner::~TInfoScanner()
{
    list_.SetInfoScanHooks(nullptr);
}

void TInfoScanner::RequestStop()
{
    if (!running_)
        return;
    ++generation_;
    worker_.DropPending();
    running_ = false;
    scanDone_ = false;
    if (progressBar_)
        progressBar_->Hide();
}

void TInfoScanner::ResetScan()
{
    RequestStop();
    scanDone_ = false;
}

void TInfoScanner::StartWorker()
{
    ++generation_;
    worker_.DropPending();
    infoIndex_ = 0;
    if (progressBar_) {
        progressBar_->SetPosition(0);
        progressBar_->Show();
    }
    running_ = true;
    RequestItem(0);
}

void TInfoScanner::RequestItem(int index)
{
    const TFileListItem& item = list_.Item(index);
    worker_.Request(TInfoRequest{list_.FileName(item), item.Id}, generation_);
}

void TInfoScanner::StartInfoScan()
{
    scanDone_ = false;
    RequestStop();
    if (list_.ReportStyle() && list_.AutoScan() && list_.Count() > 0) {
        StartWorker();
        scanDone_ = true;
    }
}

void TInfoScanner::EnsureInfoScan()
{
    if (scanDone_)
        return;
    RequestStop();
    if (list_.ReportStyle() && list_.AutoScan() && list_.Count() > 0)
        StartWorker();
    scanDone_ = true;
}

void TInfoScanner::SetReportStyle(bool report)
{
    list_.SetReportStyle(report);
    if (report && !scanDone_)
        StartInfoScan();
    else if (!report)
        RequestStop();
}

void TInfoScanner::Store(const TInfoResult& result, quint64 generation)
{
    if (generation != generation_)
        return;
    const int count = list_.Count();
    if (progressBar_ && count > 0)
        progressBar_->SetPosition(int(std::lround(100.0 * infoIndex_ / count)));
    // The item read is found by its identity, wherever it stands now.
    TFileListItem* item = infoIndex_ < count && list_.Item(infoIndex_).Id == result.itemId
                              ? &list_.Item(infoIndex_)
                              : list_.FindItem(result.itemId);
    if (item != nullptr) {
        const TUniInfoRec& info = result.info;
        if (info.Valid) {
            item->ImageWidth = info.Width;
            item->ImageHeight = info.Height;
            item->SubType = info.SubType;
            item->ColorDepth = info.ColorDepth;
        }
        item->InfoRead = true;
        infoIndex_ = item->Index;
        emit OnInfoStored(item->Index);
        if (generation != generation_)
            return;  // a listener stopped the scan
    }
    int next = infoIndex_ + 1;
    while (next < list_.Count() && list_.Item(next).InfoRead)
        ++next;
    if (next < list_.Count()) {
        infoIndex_ = next;
        RequestItem(next);
    } else {
        Finish();
    }
}

void TInfoScanner::Finish()
{
    running_ = false;
    scanDone_ = true;
    if (progressBar_)
        progressBar_->Hide();
}

}  // namespace pixmarl
