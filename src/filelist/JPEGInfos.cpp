#include "JPEGInfos.h"

#include <cmath>

#include "platform/Sync.h"

namespace pixmarl {

TJPEGInfos::TJPEGInfos(TInfoScanner& owner, QString fileName, quint64 itemId)
    : owner_(owner), fileName_(std::move(fileName)), itemId_(itemId)
{}

void TJPEGInfos::SetNext(QString fileName, quint64 itemId)
{
    fileName_ = std::move(fileName);
    itemId_ = itemId;
}

void TJPEGInfos::run()
{
    while (!fileName_.isEmpty() && !stop_) {
        TUniInfoRec info;
        GetUniInfo(fileName_, FileNameToFormat(fileName_), info);
        if (stop_)
            break;
        const quint64 itemId = itemId_;
        RunOnGuiThread([this, &info, itemId] { owner_.Store(*this, info, itemId); });
    }
    RunOnGuiThread([this] { owner_.WorkerEnded(*this); });
}

TInfoScanner::TInfoScanner(TJPEGFileList& list) : list_(list)
{
    list_.SetInfoScanHooks(this);
}

TInfoScanner::~TInfoScanner()
{
    list_.SetInfoScanHooks(nullptr);
    RequestStop();
    WaitForEnd();
}

void TInfoScanner::RequestStop()
{
    if (worker_)
        worker_->RequestStop();
}

void TInfoScanner::WaitForEnd()
{
    WaitProcessingEvents([this] { return !running_; });
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
}

void TInfoScanner::StopAndWait()
{
    scanDone_ = false;
    RequestStop();
    WaitForEnd();
}

void TInfoScanner::StartWorker()
{
    infoIndex_ = 0;
    WaitForEnd();
    if (progressBar_) {
        progressBar_->SetPosition(0);
        progressBar_->Show();
    }
    const TFileListItem& first = list_.Item(0);
    worker_ = std::make_unique<TJPEGInfos>(*this, list_.FileName(first), first.Id);
    running_ = true;
    worker_->start(QThread::LowPriority);
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
    if (report && !scanDone_) {
        StartInfoScan();
    } else if (!report && Running()) {
        scanDone_ = false;
        RequestStop();
    }
}

void TInfoScanner::Store(TJPEGInfos& worker, const TUniInfoRec& info, quint64 itemId)
{
    if (worker.StopRequested())
        return;
    const int count = list_.Count();
    if (progressBar_ && count > 0)
        progressBar_->SetPosition(int(std::lround(100.0 * infoIndex_ / count)));
    // The item read is found by its identity: the list may have been reordered meanwhile.
    TFileListItem* item = infoIndex_ < count && list_.Item(infoIndex_).Id == itemId
                              ? &list_.Item(infoIndex_)
                              : list_.FindItem(itemId);
    if (item != nullptr) {
        if (info.Valid) {
            item->ImageWidth = info.Width;
            item->ImageHeight = info.Height;
            item->SubType = info.SubType;
            item->ColorDepth = info.ColorDepth;
        }
        item->InfoRead = true;
        infoIndex_ = item->Index;
        if (OnInfoStored)
            OnInfoStored(item->Index);
    }
    int next = infoIndex_ + 1;
    while (next < count && list_.Item(next).InfoRead)
        ++next;
    if (next < count) {
        infoIndex_ = next;
        const TFileListItem& nextItem = list_.Item(next);
        worker.SetNext(list_.FileName(nextItem), nextItem.Id);
    } else {
        worker.SetNext(QString(), 0);
    }
}

void TInfoScanner::WorkerEnded(TJPEGInfos& worker)
{
    if (progressBar_)
        progressBar_->Hide();
    scanDone_ = !worker.StopRequested();
    running_ = false;
}

}  // namespace pixmarl
