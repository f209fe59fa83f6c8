#include "MyComputer.h"

#include <algorithm>

#include <QCoreApplication>
#include <QTimer>

#include "platform/Budget.h"

namespace pixmarl {

TDrive::TDrive(const TVolume& volume) : volume_(volume), name_(VolumeDisplayName(volume))
{}

TDrive::~TDrive() = default;

namespace {

// How long the interface waits for the mount table to be read.
constexpr int kVolumesBudgetMs = 200;

}  // namespace

TMyComputer::TMyComputer(std::function<std::vector<TVolume>()> readVolumes, bool watchMounts)
    : readVolumes_(std::move(readVolumes))
{
    if (const auto volumes = ReadVolumesWithin())
        for (const TVolume& v : *volumes)
            drives_.push_back(std::make_unique<TDrive>(v));
    Renumber();
    if (watchMounts)
        watch_ = std::make_unique<TMountWatch>([this] { Update(); });
}

TMyComputer::~TMyComputer()
{
    *alive_ = false;
}

std::optional<std::vector<TVolume>> TMyComputer::ReadVolumesWithin()
{
    if (!readVolumes_)
        return std::vector<TVolume>{};
    const int generation = ++generation_;
    return RunWithin<std::vector<TVolume>>(
        readVolumes_, DeadlineIn(kVolumesBudgetMs),
        [this, alive = alive_, generation](std::vector<TVolume> volumes) {
            if (*alive && generation == generation_)
                Apply(volumes);
        });
}

TDrive* TMyComputer::Drive(const QString& mountPath) const
{
    for (const auto& d : drives_)
        if (d->MountPath() == mountPath)
            return d.get();
    return nullptr;
}

TDrive* TMyComputer::ContainingDrive(const QString& path) const
{
    std::vector<TVolume> volumes;
    for (const auto& d : drives_)
        volumes.push_back(d->volume_);
    const int i = ContainingVolume(volumes, path);
    return i < 0 ? nullptr : drives_[size_t(i)].get();
}

bool TMyComputer::IsVolumeRoot(const QString& path) const
{
    return path == u"/" || Drive(path) != nullptr;
}

int TMyComputer::AddListener(TDriveChangeEvent listener)
{
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void TMyComputer::RemoveListener(int id)
{
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

bool TMyComputer::SetLabel(TDrive& drive, const QString& label)
{
    if (!WriteVolumeLabel(drive.MountPath(), label))
        return false;
    drive.volume_.label = label;
    drive.name_ = VolumeDisplayName(drive.volume_);
    Notify(ckNameChanged, drive);
    return true;
}

void TMyComputer::Update()
{
    if (const auto volumes = ReadVolumesWithin())
        Apply(*volumes);
}

void TMyComputer::Apply(const std::vector<TVolume>& volumes)
{
    const auto findVolume = [&](const QString& mountPath) {
        return std::find_if(volumes.begin(), volumes.end(),
                            [&](const TVolume& v) { return v.mountPath == mountPath; });
    };
    for (size_t i = drives_.size(); i-- > 0;) {
        const auto it = findVolume(drives_[i]->MountPath());
        // A different filesystem on the same mount point is a new medium: removed, then added.
        if (it == volumes.end() || it->device != drives_[i]->volume_.device ||
            it->fsType != drives_[i]->volume_.fsType)
            RemoveDrive(i);
    }
    for (const TVolume& v : volumes) {
        TDrive* drive = Drive(v.mountPath);
        if (drive == nullptr) {
            AddDrive(v);
        } else if (drive->volume_.label != v.label) {
            drive->volume_.label = v.label;
            drive->name_ = VolumeDisplayName(drive->volume_);
            Notify(ckNameChanged, *drive);
        }
    }
}

void TMyComputer::RemoveDrive(size_t position)
{
    Notify(ckDriveRemoved, *drives_[position]);
    drives_.erase(drives_.begin() + std::ptrdiff_t(position));
    Renumber();
}

void TMyComputer::AddDrive(const TVolume& volume)
{
    // Volume order: "/" first, then by mount path.
    const auto pos = std::find_if(drives_.begin(), drives_.end(), [&](const auto& d) {
        return d->MountPath() != u"/" && d->MountPath() > volume.mountPath;
    });
    TDrive& drive = **drives_.insert(pos, std::make_unique<TDrive>(volume));
    Renumber();
    Notify(ckDriveAdded, drive);
    StartRefresh(drive);
}

void TMyComputer::Renumber()
{
    for (size_t i = 0; i < drives_.size(); ++i)
        drives_[i]->index_ = int(i);
}

void TMyComputer::StartRefresh(TDrive& drive)
{
    if (drive.refreshTimer_)
        return;
    drive.refreshTimer_ = std::make_unique<QTimer>();
    drive.refreshTimer_->setSingleShot(true);
    QObject::connect(drive.refreshTimer_.get(), &QTimer::timeout, drive.refreshTimer_.get(),
                     [this, &drive] { Refresh(drive); });
    drive.refreshTimer_->start(refreshDelay_);
}

void TMyComputer::Refresh(TDrive& drive)
{
    // Freed after this slot has returned: the timer is the sender.
    drive.refreshTimer_.release()->deleteLater();
    const auto volumes = ReadVolumesWithin();
    for (const TVolume& v : volumes.value_or(std::vector<TVolume>{}))
        if (v.mountPath == drive.MountPath())
            drive.volume_.label = v.label;
    drive.name_ = VolumeDisplayName(drive.volume_);
    Notify(ckRefreshed, drive);
}

void TMyComputer::Notify(int kinds, TDrive& drive)
{
    // A listener may remove itself (or another) while being told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listener)
            listener(kinds, drive);
}

namespace {
std::unique_ptr<TMyComputer> theComputer;
}

TMyComputer& MyComputer()
{
    if (!theComputer) {
        theComputer = std::make_unique<TMyComputer>();
        // Its timers and notifier must go while the application object still exists.
        qAddPostRoutine([] { theComputer.reset(); });
    }
    return *theComputer;
}

}  // namespace pixmarl
