#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include "platform/Paths.h"

namespace pixmarl::test {

QString WriteFile(const QString& folder, const QString& name, const QByteArray& data)
{
    QDir().mkpath(folder);
    const QString path = JoinPath(folder, name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    EXPECT_EQ(file.write(data), data.size());
    return path;
}

QString WriteFileOfSize(const QString& folder, const QString& name, qint64 size)
{
    QByteArray data(qsizetype(size), '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    return WriteFile(folder, name, data);
}

void SetFileTime(const QString& path, qint64 secondsSinceEpoch)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch),
                                 QFileDevice::FileModificationTime));
}

QString MakeFolder(const QString& folder, const QString& name)
{
    const QString path = JoinPath(folder, name);
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

QString CorporaDir()
{
    QString shared = qEnvironmentVariable("PIXMARL_SHARED");
    if (shared.isEmpty())
        shared = QStringLiteral(PIXMARL_SOURCE_DIR "/../shared");
    const QString corpora = QDir::cleanPath(shared + QStringLiteral("/corpora"));
    return QDir(corpora).exists() ? corpora : QString();
}

QByteArray ReadWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString MakeFifo(const QString& folder, const QString& name)
{
    const QString path = JoinPath(folder, name);
    EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
    return path;
}

void PutLe(QByteArray& data, qsizetype at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data[at + i] = char((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetLe(const QByteArray& data, qsizetype at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t(std::uint8_t(data[at + i])) << (8 * i);
    return value;
}

}  // namespace pixmarl::test
