#include "conversion/ConvJobs.h"

#include <exception>
#include <future>
#include <system_error>

#include <QSet>

#include "platform/Paths.h"

namespace pixmarl {

namespace {

using TLoaded = std::unique_ptr<TCImage>;

// What saving an image holds in memory: the image, and for a GIF the palette image made from
// a deeper one.
TDecodeCost SaveCost(const QImage& bitmap, TImageFormat format)
{
    const qint64 image = bitmap.sizeInBytes();
    if (format == ifGIF && bitmap.depth() > 8)
        return {image, image + qint64(bitmap.width()) * bitmap.height()};
    return {image, image};
}

// One run of a job, on its worker thread; it owns copies of everything it uses.
class TJobRun {
public:
    TJobRun(std::vector<TConvertPair> pairs, TImageFormat format, TConvertSteps steps,
            TConvertJobEvents events, std::shared_ptr<std::atomic<bool>> cancelled,
            TInbox::TPoster poster)
        : pairs_(std::move(pairs)),
          format_(format),
          steps_(std::move(steps)),
          events_(std::move(events)),
          cancelled_(std::move(cancelled)),
          poster_(std::move(poster))
    {}

    void Run();

private:
    bool Cancelled() const { return cancelled_->load(); }
    void Post(const std::function<void(const QString&)>& event, const QString& text) const
    {
        if (event)
            poster_.Post([event, text] { event(text); });
    }
    std::future<TLoaded> StartLoad(const QString& source) const;
    static TLoaded Take(std::future<TLoaded>& loading);
    bool MayLoadAhead(std::size_t next, const TCImage& held) const;

    std::vector<TConvertPair> pairs_;
    TImageFormat format_;
    TConvertSteps steps_;
    TConvertJobEvents events_;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    TInbox::TPoster poster_;
    QSet<QString> written_;  // the targets handled so far
};

std::future<TLoaded> TJobRun::StartLoad(const QString& source) const
{
    try {
        return std::async(std::launch::async, steps_.Load, source);
    } catch (const std::system_error&) {
        // No thread to spare: load here.
        std::promise<TLoaded> loaded;
        loaded.set_value(steps_.Load(source));
        return loaded.get_future();
    }
}

TLoaded TJobRun::Take(std::future<TLoaded>& loading)
{
    try {
        return loading.get();
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool TJobRun::MayLoadAhead(std::size_t next, const TCImage& held) const
{
    if (next >= pairs_.size() || written_.contains(pairs_[next].Source))
        return false;
    return MayDecodeAhead(SaveCost(held.Bitmap(), format_),
                          EstimateDecodeCost(pairs_[next].Source));
}

void TJobRun::Run()
{
    std::future<TLoaded> ahead;
    for (std::size_t i = 0; i < pairs_.size() && !Cancelled(); ++i) {
        const TConvertPair& pair = pairs_[i];
        Post(events_.OnLoading, ExtractFileName(pair.Source));
        if (!ahead.valid())
            ahead = StartLoad(pair.Source);
        TLoaded image = Take(ahead);
        if (!image) {
            Post(events_.OnError, QStringLiteral("Error loading ") + ExtractFileName(pair.Source));
            break;
        }
        written_.insert(pair.Target);
        if (MayLoadAhead(i + 1, *image))
            ahead = StartLoad(pairs_[i + 1].Source);
        if (Cancelled())
            break;
        Post(events_.OnSaving, ExtractFileName(pair.Target));
        if (!steps_.Save(*image, pair.Target))
            Post(events_.OnError, QStringLiteral("Error saving ") + ExtractFileName(pair.Target));
    }
    // A source decoded ahead and not needed any more ends before the job reports its end.
    if (ahead.valid())
        ahead.wait();
    if (events_.OnFinished)
        poster_.Post(events_.OnFinished);
}

}  // namespace

TConvertSteps ConvertSteps(TImageFormat format, const TConvertOptions& options)
{
    TConvertSteps steps;
    steps.Load = [](const QString& source) {
        auto image = std::make_unique<TCImage>();
        return image->LoadFromFile(source) == kConvertOk ? std::move(image) : nullptr;
    };
    steps.Save = [format, options](TCImage& image, const QString& target) {
        return image.SaveToFile(target, format, options) == kConvertOk;
    };
    return steps;
}

TConvertJob::TConvertJob(std::vector<TConvertPair> pairs, TImageFormat format,
                         TConvertOptions options, TConvertJobEvents events)
    : pairs_(std::move(pairs)),
      format_(format),
      steps_(ConvertSteps(format, options)),
      events_(std::move(events)),
      cancelled_(std::make_shared<std::atomic<bool>>(false))
{}

TConvertJob::~TConvertJob()
{
    Cancel();
    inbox_.Close();
}

void TConvertJob::Start()
{
    auto run =
        std::make_shared<TJobRun>(pairs_, format_, steps_, events_, cancelled_, inbox_.Poster());
    thread_.Post([run] { run->Run(); });
}

}  // namespace pixmarl
