#pragma once

// Helpers to lay out test folders: files of a given size and time, folders, attributes, and the
// location of the shared corpora of real files.

#include <cstdint>

#include <QByteArray>
#include <QString>

namespace pixmarl::test {

// Writes data to folder/name (creating folder if needed) and returns the full path; fails the
// test on error.
QString WriteFile(const QString& folder, const QString& name, const QByteArray& data = {});

// Writes a file of size bytes (a repeating pattern).
QString WriteFileOfSize(const QString& folder, const QString& name, qint64 size);

// Sets the last-modification time of a file, in seconds since the epoch.
void SetFileTime(const QString& path, qint64 secondsSinceEpoch);

// Creates folder/name and returns its path.
QString MakeFolder(const QString& folder, const QString& name);

// The folder of the shared real-file corpora, or an empty string when it is not there (tests that
// need it skip then). PIXMARL_SHARED overrides the location.
QString CorporaDir();

// Reads a whole file; empty when it cannot be read.
QByteArray ReadWholeFile(const QString& path);

// Makes a FIFO folder/name and returns its path; fails the test on error.
QString MakeFifo(const QString& folder, const QString& name);

// Little-endian numbers of the given byte count in file bytes, for tests that patch or check a
// file a builder wrote.
void PutLe(QByteArray& data, qsizetype at, std::uint32_t value, int bytes = 4);
std::uint32_t GetLe(const QByteArray& data, qsizetype at, int bytes = 4);

}  // namespace pixmarl::test
