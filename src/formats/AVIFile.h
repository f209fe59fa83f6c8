#pragma once

// Reading AVI files for the rest of the program: the file and video stream information and the
// first frame as an image. Every function may run on any thread; failures are results, never
// exceptions.

#include <QImage>
#include <QString>

#include "platform/AviFile.h"

namespace pixmarl {

// True when the file is an AVI file with a video stream and both records were read. Headers only:
// no decoder is opened.
bool ReadAviInfo(const QString& fileName, TAviFileInfo& fileInfo, TAviStreamInfo& streamInfo);

// Puts frame 0 of the file's first video stream into bitmap (24 bits, or 8 bits with its colour
// table for palette video) and returns true; leaves bitmap unchanged and returns false when the
// file or its first frame cannot be read.
bool AviFirstFrame(const QString& fileName, QImage& bitmap);

}  // namespace pixmarl
