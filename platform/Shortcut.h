#pragma once
// Where a shortcut points: a symbolic link to its target, a Windows shell-link file
// (".lnk") to the local path stored in it when that path exists here.
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace platform {

// The shortcut's target when it can be found and exists, else path itself.
QString ResolveShortcut(const QString& path);

// The local base path (plus common path suffix) stored in shell-link bytes; nothing
// when the bytes are not a shell link or are damaged. The Unicode form is preferred
// when the link has one.
std::optional<QString> shellLinkLocalPath(QByteArrayView bytes);

} // namespace platform
