#pragma once
// Command lines for the archive libraries, written by the rule of their parser
// (base/CommandLine.h): a quoted argument carries any name byte for byte.
#include <QByteArray>

namespace archive {

// The argument in double quotes, every backslash and double quote escaped.
QByteArray QuoteArgument(const QByteArray& argument);

} // namespace archive
