#pragma once
// File names on Linux are bytes. A name is kept as a QString that maps back to the very
// same bytes: valid UTF-8 decodes as usual, every other byte becomes the reserved code
// point U+DC00 + byte (a lone low surrogate, as Python's surrogateescape does). Every
// file-system call on a user's path converts back with toFsBytes().
#include <QByteArray>
#include <QString>

namespace platform {

QString fromFsBytes(const char* data, qsizetype size);
inline QString fromFsBytes(const QByteArray& bytes) {
    return fromFsBytes(bytes.constData(), bytes.size());
}
QByteArray toFsBytes(const QString& name);

// True when the name holds escaped bytes (its bytes were not valid UTF-8).
bool hasEscapedBytes(const QString& name);

// The name as shown to the user: escaped names are decoded as CP932 as a whole.
QString displayName(const QString& name);

// The extension of a path's file name with its dot, upper-cased (".JPEG"); empty when the
// name has no dot. What the program's extension rules compare.
QString upperExtension(const QString& path);

} // namespace platform
