#pragma once

// Readable test failure messages for Qt strings (found by argument-dependent lookup).

#include <ostream>

#include <QString>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
