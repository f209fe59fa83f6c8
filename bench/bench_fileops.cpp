// Copying within one filesystem: 1,000 files of 100 KiB (a folder) and one file of 1 GiB, with
// the file operation (temporary name, durable data, rename into place) against cp -r of the same
// data in the same run, and against cp followed by sync -f on the target: the baseline of the same
// durability (cp alone leaves the data in the page cache). Each timed copy starts with no dirty
// pages left from the one before.
//
// Usage: bench_fileops [folder for the data, default the temporary folder] [large file MiB, 1024]

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "platform/FileOperation.h"
#include "platform/Paths.h"

namespace {

using namespace pixmarl;
using namespace pixmarl::bench;

constexpr int kRuns = 5;
constexpr int kSmallFiles = 1000;
constexpr qint64 kSmallSize = 100 * 1024;

// No questions expected: any error ends the benchmark.
class TNoQuestions : public TFileOpPrompts {
public:
    bool ConfirmTrash(int) override { return true; }
    bool ConfirmReplace(const QString&) override { return true; }
    TFileOpErrorAnswer AskError(const TFileOpError& error) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(FileOpErrorText(error)));
        std::exit(1);
    }
    TTrashFailAnswer AskTrashFailed(const QString&) override { return taCancel; }
    bool ConfirmDeletePermanently(const QString&, int) override { return false; }
    bool ShowProgress(const TFileOpProgress&) override { return true; }
    void EndProgress() override {}
};

void WriteData(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
        std::exit(1);
    }
    QByteArray block(1 << 20, '\0');
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 9));
    for (qint64 left = size; left > 0; left -= block.size())
        file.write(block.constData(), qMin<qint64>(left, block.size()));
}

void Run(const QString& program, const QStringList& args)
{
    if (QProcess::execute(program, args) != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
}

void CopyWithOperation(const QString& source, const QString& target)
{
    TNoQuestions prompts;
    TFileOpRequest request{foCopy, {source}, {target}, FOF_MULTIDESTFILES | FOF_NOCONFIRMATION};
    if (TFileOperation(request, prompts).Run() != frSuccess)
        std::exit(1);
}

void Remove(const QString& path)
{
    if (QFileInfo(path).isDir())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

// Times cp, cp with sync and the operation in turns, removing each copy and syncing before the
// next.
void Compare(const char* what, const QString& source, const QString& folder)
{
    const QString byCp = JoinPath(folder, "by-cp");
    const QString byOp = JoinPath(folder, "by-operation");
    const auto clean = [&] {
        Remove(byCp);
        Remove(byOp);
        Run("sync", {});
    };
    std::vector<double> cp;
    std::vector<double> cpSync;
    std::vector<double> op;
    for (int i = 0; i < kRuns; ++i) {
        clean();
        cp.push_back(TimeOnce([&] { Run("cp", {"-r", source, byCp}); }));
        clean();
        cpSync.push_back(TimeOnce([&] {
            Run("cp", {"-r", source, byCp});
            Run("sync", {"-f", byCp});
        }));
        clean();
        op.push_back(TimeOnce([&] { CopyWithOperation(source, byOp); }));
    }
    clean();
    const std::string name(what);
    PrintFigure("cp-" + name + "-ms", Median(cp) * 1000);
    PrintFigure("cp-sync-" + name + "-ms", Median(cpSync) * 1000);
    PrintFigure("copy-" + name + "-ms", Median(op) * 1000);
    PrintRatio("copy-" + name, "cp-sync", Median(op), Median(cpSync));
    PrintRatio("copy-" + name, "cp", Median(op), Median(cp));
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const qint64 largeMiB = argc > 2 ? std::atoll(argv[2]) : 1024;
    // The large file exists three times at once at most (source and two copies), plus margin.
    const qint64 needed = 3 * (largeMiB << 20) + (1LL << 30);
    if (QStorageInfo(base).bytesAvailable() < needed) {
        std::fprintf(stderr, "not enough free space in %s\n", qPrintable(base));
        return 1;
    }
    QTemporaryDir dir(JoinPath(base, "bench_fileops-XXXXXX"));
    const QString small = JoinPath(dir.path(), "small");
    QDir().mkpath(small);
    for (int i = 0; i < kSmallFiles; ++i)
        WriteData(JoinPath(small, QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QChar(u'0'))),
                  kSmallSize);
    PrintFigure("small-files", kSmallFiles, 0);
    Compare("small", small, dir.path());
    Remove(small);

    const QString large = JoinPath(dir.path(), "large.avi");
    WriteData(large, largeMiB << 20);
    PrintFigure("large-file-mib", double(largeMiB), 0);
    Compare("large", large, dir.path());
    Remove(large);
    return 0;
}
