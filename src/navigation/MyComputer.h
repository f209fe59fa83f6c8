#pragma once

// The process-wide table of volumes ("drives"): one TDrive per listed volume in volume order,
// kept current from the mount table, and the listeners (folder trees, the location bar) told of
// every change with the change bits below. The volumes are read on a worker: a read that takes
// longer than a short budget leaves the table as it was, and its result is applied when it comes
// (unless a newer read has been made meanwhile). GUI thread only.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "platform/Volumes.h"

class QTimer;

namespace pixmarl {

enum TChangeKind : int {
    ckNameChanged = 1,
    ckRefreshed = 2,  // name and icon read again a while after the volume arrived
    ckMediumRemoved = 8,
    ckMediumInserted = 16,
    ckDriveRemoved = 32,  // sent before the TDrive is freed
    ckDriveAdded = 64,
};

class TDrive {
public:
    explicit TDrive(const TVolume& volume);
    ~TDrive();

    const QString& MountPath() const { return volume_.mountPath; }
    TDriveType DriveType() const { return volume_.driveType; }
    const QString& Label() const { return volume_.label; }
    const QString& Name() const { return name_; }
    // The drive's icon in DirImages.
    int ImageIndex() const { return 2 + int(volume_.driveType); }
    // Position among the present drives, from 0.
    int Index() const { return index_; }

private:
    friend class TMyComputer;
    TVolume volume_;
    QString name_;
    int index_ = 0;
    std::unique_ptr<QTimer> refreshTimer_;
};

using TDriveChangeEvent = std::function<void(int changeKinds, TDrive& drive)>;

class TMyComputer {
public:
    // readVolumes gives the current volumes (ReadVolumes by default); watchMounts follows the
    // mount table's change signal.
    explicit TMyComputer(std::function<std::vector<TVolume>()> readVolumes = ReadVolumes,
                         bool watchMounts = true);
    ~TMyComputer();

    const std::vector<std::unique_ptr<TDrive>>& Drives() const { return drives_; }
    // The drive mounted exactly at mountPath, or nullptr.
    TDrive* Drive(const QString& mountPath) const;
    // The drive whose volume holds path, or nullptr.
    TDrive* ContainingDrive(const QString& path) const;
    bool IsVolumeRoot(const QString& path) const;

    // Listeners are called in the order they registered; the id removes one again.
    int AddListener(TDriveChangeEvent listener);
    void RemoveListener(int id);

    // Writes a volume label; on success the name is rebuilt and listeners hear ckNameChanged.
    bool SetLabel(TDrive& drive, const QString& label);

    // Reads the volumes again and tells the listeners what changed.
    void Update();
    // Milliseconds after a volume arrived until its name and icon are read again.
    void SetRefreshDelay(int ms) { refreshDelay_ = ms; }

private:
    void Apply(const std::vector<TVolume>& volumes);
    void RemoveDrive(size_t position);
    void AddDrive(const TVolume& volume);
    void Renumber();
    void StartRefresh(TDrive& drive);
    void Refresh(TDrive& drive);
    void Notify(int kinds, TDrive& drive);
    // The volumes, when they were read within the budget; else the late result goes to Apply.
    std::optional<std::vector<TVolume>> ReadVolumesWithin();

    std::function<std::vector<TVolume>()> readVolumes_;
    int generation_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<std::unique_ptr<TDrive>> drives_;
    std::vector<std::pair<int, TDriveChangeEvent>> listeners_;
    int nextListenerId_ = 1;
    int refreshDelay_ = 6000;
    std::unique_ptr<TMountWatch> watch_;
};

// The one table of the process, created on first use.
TMyComputer& MyComputer();

}  // namespace pixmarl
