#pragma once

// Measures how long the calling thread's event loop stays away: a 1 ms timer notes the longest
// interval between two of its ticks. Used by tests and benchmarks that check the GUI thread never
// stalls while workers run. Create, start and read it on the thread whose loop is measured.

#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace pixmarl::test {

class TGapProbe : public QObject {
public:
    TGapProbe();
    void Start();
    void Stop();
    // The longest gap between two ticks since Start, in milliseconds.
    double LongestGapMs() const { return longestNs_ / 1e6; }
    // The most processor time the thread itself used within one gap: its own share of the
    // longest stall, which other programs competing for the processors do not inflate.
    double LongestBusyMs() const { return longestBusyNs_ / 1e6; }
    // How many gaps since Start were longer than ms (one stall is noise, a stall per frame is not).
    int GapsOverMs(double ms) const;

private:
    void Tick();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 longestNs_ = 0;
    qint64 lastCpuNs_ = 0;
    qint64 longestBusyNs_ = 0;
    std::vector<qint64> longGapsNs_;  // over kLongGapNs
};

}  // namespace pixmarl::test
